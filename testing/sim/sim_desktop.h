// An in-memory window system implementing the window-services port: windows
// with screen rectangles, parents, class names, z-order and visibility, plus
// recorders for beeps, capture, inverted frames and pauses. Portable.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/window_services.h"

namespace qm::sim {

// The class of the window that shows a page, as Internet Explorer names it.
constexpr const char* kSimPageWindowClass = "Internet Explorer_Server";

// One draw of an inverted frame, as recorded.
struct FrameDraw {
    WindowHandle window = 0;
    FrameMode mode = kFrameClientRect;
    Rect rect;
};

// A browser's window pair made by the desktop.
struct BrowserWindowPair {
    WindowHandle top = 0;   // "IEFrame"
    WindowHandle page = 0;  // "Internet Explorer_Server"
};

class SimDesktop : public WindowServices {
public:
    static constexpr int kCaptionHeight = 30;  // of top-level windows with a frame
    static constexpr int kBorder = 4;

    SimDesktop() = default;

    // Adds a window on top of its siblings. screen is the window rectangle in
    // screen coordinates; a top-level window (parent 0) with framed true has a
    // caption and borders, other windows' client area is the whole window.
    WindowHandle AddWindow(WindowHandle parent, const std::string& className, const Rect& screen,
                           bool framed = false);
    // A top-level "IEFrame" at screen holding a "Shell DocObject View" that holds
    // the "Internet Explorer_Server" page window filling the client area.
    BrowserWindowPair CreateBrowserWindows(const Rect& screen);
    // Destroys the window and its descendants.
    void DestroyWindow(WindowHandle window);
    void SetVisible(WindowHandle window, bool visible);
    void BringToTop(WindowHandle window);
    void SetForegroundWindow(WindowHandle window) { foreground_ = window; }
    void SetShiftDown(bool down) { shiftDown_ = down; }

    // WindowServices
    WindowHandle WindowFromPoint(Point screen) override;
    WindowHandle Parent(WindowHandle window) override;
    bool IsWindow(WindowHandle window) override;
    bool WindowRect(WindowHandle window, Rect& screen) override;
    bool ClientRect(WindowHandle window, Rect& client) override;
    bool ScreenToClient(WindowHandle window, Point& p) override;
    std::string ClassName(WindowHandle window) override;
    std::vector<WindowHandle> Descendants(WindowHandle window) override;
    WindowHandle ForegroundWindow() override { return foreground_; }
    bool IsShiftDown() override { return shiftDown_; }
    void Beep() override { ++beeps_; }
    void SetCapture(WindowHandle window) override;
    void ReleaseCapture() override;
    void DrawInvertedFrame(WindowHandle window, FrameMode mode, const Rect& rect) override;
    void Pause(int milliseconds) override;

    // Recorders.
    int Beeps() const { return beeps_; }
    WindowHandle Capture() const { return capture_; }
    // SetCapture and ReleaseCapture calls in order (0 for a release).
    const std::vector<WindowHandle>& CaptureLog() const { return captureLog_; }
    // Draws made, in order. A draw on a window that does not exist draws nothing
    // and is not logged.
    const std::vector<FrameDraw>& DrawLog() const { return drawLog_; }
    // Frames drawn an odd number of times (still visible), in first-draw order;
    // destroying a window takes its frames away. ClearRecords keeps them.
    std::vector<FrameDraw> InvertedFrames() const { return inverted_; }
    const std::vector<int>& Pauses() const { return pauses_; }
    long long TotalPauseMs() const;
    void ClearRecords();
    // Screen rectangle of the client area.
    bool ClientScreenRect(WindowHandle window, Rect& screen) const;
    // Top-level windows, topmost first.
    std::vector<WindowHandle> TopLevelWindows() const;

private:
    struct Window {
        WindowHandle parent = 0;
        std::string className;
        Rect screen;
        Rect client;  // screen coordinates
        bool visible = true;
        std::vector<WindowHandle> children;  // creation order
        std::vector<WindowHandle> zorder;    // children, topmost first
    };
    Window* Find(WindowHandle window);
    const Window* Find(WindowHandle window) const;
    WindowHandle DeepestChildAt(WindowHandle window, Point p) const;
    void Collect(WindowHandle window, std::vector<WindowHandle>& out) const;

    std::map<WindowHandle, Window> windows_;
    std::vector<WindowHandle> topZOrder_;  // topmost first
    WindowHandle nextHandle_ = 0x10010;
    WindowHandle foreground_ = 0;
    bool shiftDown_ = false;
    int beeps_ = 0;
    WindowHandle capture_ = 0;
    std::vector<WindowHandle> captureLog_;
    std::vector<FrameDraw> drawLog_;
    std::vector<FrameDraw> inverted_;
    std::vector<int> pauses_;
};

}  // namespace qm::sim
