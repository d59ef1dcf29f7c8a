// The window-services port: what the core needs of the desktop's windows.
// The Win32 implementation calls the system; tests use an in-memory desktop.
// Portable.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qm {

using WindowHandle = std::uintptr_t;  // 0: no window

struct Point {
    int x = 0;
    int y = 0;
};

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool Contains(Point p) const {
        return p.x >= left && p.x < right && p.y >= top && p.y < bottom;
    }
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};

// What an inverted frame outlines: a rectangle in a window's client area, or
// the band of a window's title bar.
enum FrameMode : int {
    kFrameClientRect = 0,
    kFrameTitleBand = 1,
};

class WindowServices {
public:
    virtual ~WindowServices() = default;
    virtual WindowHandle WindowFromPoint(Point screen) = 0;
    virtual WindowHandle Parent(WindowHandle window) = 0;  // 0 at the top
    virtual bool IsWindow(WindowHandle window) = 0;
    virtual bool WindowRect(WindowHandle window, Rect& screen) = 0;  // includes frame and caption
    virtual bool ClientRect(WindowHandle window, Rect& client) = 0;  // origin 0,0
    virtual bool ScreenToClient(WindowHandle window, Point& p) = 0;
    virtual std::string ClassName(WindowHandle window) = 0;
    // All descendants in the system's enumeration order (depth first).
    virtual std::vector<WindowHandle> Descendants(WindowHandle window) = 0;
    virtual WindowHandle ForegroundWindow() = 0;
    virtual bool IsShiftDown() = 0;  // high bit of the Shift key state
    virtual void Beep() = 0;         // the default beep
    virtual void SetCapture(WindowHandle window) = 0;
    virtual void ReleaseCapture() = 0;
    // Draws with an inverting pen: kFrameClientRect a rectangle outline (2-pixel
    // pen) in the client area; kFrameTitleBand a 48-pixel band from (left, top)
    // to (right, top) on the whole window including its caption. Drawing twice
    // erases.
    virtual void DrawInvertedFrame(WindowHandle window, FrameMode mode, const Rect& rect) = 0;
    virtual void Pause(int milliseconds) = 0;  // blocks the user-interface thread
};

}  // namespace qm
