// The windows of a DevTools browser's pages on our screen, as the pages'
// pointer observers report them (pointer_script.h): each page keeps the
// synthetic handles of CdpPage (a browser window and the page window in it),
// placed where the page says its window and viewport are. The page at a
// screen point is the visible one there that was active last. Where the
// system shows the browser's windows (a browser on Windows beside us), the
// browser window of each page (Browser.getWindowForTarget) matches the
// system's window under the point to its page, drawn where the system says. The frame that
// the drag logic draws over a page becomes a frame of our world in the page.
//
// Reports arrive on the network thread; everything else runs on the owner's
// thread.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "browser/cdp/cdp_hub.h"
#include "browser/cdp/pointer_script.h"
#include "browser/drag.h"
#include "browser/page_geometry.h"
#include "browser/routed_window_services.h"

namespace qm::cdp {

// A drag step made on a page, in screen coordinates.
struct PageGesture {
    DragPhase phase = kDragPress;
    Point screen;
};

class CdpPageWindows : public PageWindows {
public:
    // The browser's pages (null: none). Forgets every page of an earlier hub.
    void SetHub(std::shared_ptr<CdpHub> hub);

    // A page's report (network thread); the drag step it makes, if any.
    std::optional<PageGesture> Report(std::uint32_t ordinal, const PageMessage& message);
    // Forgets pages that are gone.
    void Prune();

    // PageWindows
    bool Owns(WindowHandle window) override;
    WindowHandle WindowAt(Point screen) override;
    WindowHandle WindowIn(Point screen, const SystemBrowserWindow& system) override;

    // WindowServices (for the handles this object owns)
    WindowHandle WindowFromPoint(Point screen) override { return WindowAt(screen); }
    WindowHandle Parent(WindowHandle window) override;
    bool IsWindow(WindowHandle window) override { return Owns(window); }
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
    // Shows the frame in the page, or removes it when the same frame is shown
    // (drawing twice erases, as on the screen).
    void DrawInvertedFrame(WindowHandle window, FrameMode mode, const Rect& rect) override;
    void Pause(int) override {}

    // The place of a page as known (tests, diagnostics).
    std::optional<PageGeometry> Geometry(std::uint32_t ordinal);

private:
    struct PageState {
        PageGeometry geometry;
        bool visible = false;
        bool pressed = false;
        std::uint64_t active = 0;  // order of the last report that showed activity
        BrowserWindowBounds window;  // windowId -1: not known yet
        PageReport asked;            // the window's place when its bounds were asked for
        bool askedOnce = false;
    };
    struct Frame {
        FrameMode mode;
        Rect rect;
    };
    // The page owning the handle (live, with a known place), under mutex_.
    std::shared_ptr<CdpPage> PageOf(WindowHandle window, bool& isPage);
    WindowHandle WindowAtLocked(Point screen);
    // Report under mutex_; target: set to the page whose browser window is to be asked for.
    std::optional<PageGesture> Take(std::uint32_t ordinal, const PageMessage& message,
                                    std::string& target, std::shared_ptr<CdpHub>& hub);
    void AskBrowserWindow(const std::shared_ptr<CdpHub>& hub, std::uint32_t ordinal,
                          const std::string& target);
    bool StateOf(WindowHandle window, PageState& state, bool& isPage);
    void ShowFrame(CdpPage& page, bool on, const Rect& rect);

    std::mutex mutex_;
    std::shared_ptr<CdpHub> hub_;
    std::map<std::uint32_t, PageState> pages_;
    std::uint64_t clock_ = 0;
    std::map<std::uint32_t, Frame> frames_;  // owner's thread
};

}  // namespace qm::cdp
