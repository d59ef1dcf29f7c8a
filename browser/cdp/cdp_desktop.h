// A window-services view of the DevTools pages. A headless or remote browser
// has no windows on our desktop, so each page target gets two synthetic
// handles: a top-level window and the page window inside it, both covering
// the same viewport-sized rectangle at the screen origin. The foreground
// window is the one last set with SetForeground, else the newest page.
#pragma once

#include <memory>

#include "browser/cdp/cdp_hub.h"
#include "platform/window_services.h"

namespace qm::cdp {

class CdpDesktop : public WindowServices {
public:
    explicit CdpDesktop(std::shared_ptr<CdpHub> hub, Rect viewport = Rect{0, 0, 1280, 800});

    WindowHandle WindowFromPoint(Point screen) override;
    WindowHandle Parent(WindowHandle window) override;
    bool IsWindow(WindowHandle window) override;
    bool WindowRect(WindowHandle window, Rect& screen) override;
    bool ClientRect(WindowHandle window, Rect& client) override;
    bool ScreenToClient(WindowHandle window, Point& p) override;
    std::string ClassName(WindowHandle window) override;
    std::vector<WindowHandle> Descendants(WindowHandle window) override;
    WindowHandle ForegroundWindow() override;
    bool IsShiftDown() override { return false; }
    void Beep() override {}
    void SetCapture(WindowHandle) override {}
    void ReleaseCapture() override {}
    void DrawInvertedFrame(WindowHandle, FrameMode, const Rect&) override {}
    void Pause(int milliseconds) override;

private:
    // The live page owning the handle; isPage tells which of its two windows.
    std::shared_ptr<CdpPage> Owner(WindowHandle window, bool& isPage);

    std::shared_ptr<CdpHub> hub_;
    Rect viewport_;
};

}  // namespace qm::cdp
