// The window-services port over the Win32 desktop.
#pragma once

#include "platform/window_services.h"

namespace qm::win {

class Win32WindowServices : public WindowServices {
public:
    WindowHandle WindowFromPoint(Point screen) override;
    WindowHandle Parent(WindowHandle window) override;
    bool IsWindow(WindowHandle window) override;
    bool WindowRect(WindowHandle window, Rect& screen) override;
    bool ClientRect(WindowHandle window, Rect& client) override;
    bool ScreenToClient(WindowHandle window, Point& p) override;
    std::string ClassName(WindowHandle window) override;
    std::vector<WindowHandle> Descendants(WindowHandle window) override;
    WindowHandle ForegroundWindow() override;
    bool IsShiftDown() override;
    void Beep() override;
    void SetCapture(WindowHandle window) override;
    void ReleaseCapture() override;
    void DrawInvertedFrame(WindowHandle window, FrameMode mode, const Rect& rect) override;
    void Pause(int milliseconds) override;
};

}  // namespace qm::win
