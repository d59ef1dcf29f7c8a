// Window services over the system's windows plus the windows of pages that a
// backend shows outside the system's window list (a DevTools browser: its
// pages get handles of their own). Calls on a page's handle go to the backend
// that owns it; the rest go to the system. At a screen point the system's
// window wins unless it may be (or hide nothing but) a browser's page: then
// the backend's page at that point, if it knows one, is the window there.
// The window in front is the backend's active page while the program itself
// or such a browser is in front (the system cannot tell its pages apart).
// Portable.
#pragma once

#include <functional>
#include <vector>

#include "browser/page_window_match.h"
#include "platform/window_services.h"

namespace qm {

// The windows of one backend's pages.
class PageWindows : public WindowServices {
public:
    // Whether the handle is one of this backend's windows.
    virtual bool Owns(WindowHandle window) = 0;
    // The page window (or the browser window, over its frame) shown at the
    // screen point; 0 when no page is known there.
    virtual WindowHandle WindowAt(Point screen) = 0;
    // The same where the system shows a browser's window at the point: the
    // page of the browser window matched to the system's, placed where the
    // system draws it. The default knows no windows of the system.
    virtual WindowHandle WindowIn(Point screen, const SystemBrowserWindow& system) {
        (void)system;
        return WindowAt(screen);
    }
};

// What a window of the system is, for the routing.
enum class SystemWindowKind {
    kOwn,        // one of the program's own windows (the bin, a prompt)
    kOther,      // another program's window, or a browser the system knows
    kMayBePage,  // no window, the desktop, or a window the backends know better
};

class RoutedWindowServices : public WindowServices {
public:
    // At a point, the system's window wins unless it may be a page. In front,
    // a backend's active page counts unless another program is in front.
    RoutedWindowServices(WindowServices& system,
                         std::function<SystemWindowKind(WindowHandle)> classify);

    // Not owned; must outlive this object.
    void AddPages(PageWindows& pages);
    // Tells where a system window that may be a page belongs to a browser's
    // window (its top-level window, the window drawing the page under the
    // point, the scale); false when it is no browser's window.
    using BrowserWindowProbe =
        std::function<bool(WindowHandle window, Point screen, SystemBrowserWindow& out)>;
    void SetBrowserWindowProbe(BrowserWindowProbe probe) { probe_ = std::move(probe); }

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

private:
    WindowServices& For(WindowHandle window);

    WindowServices& system_;
    std::function<SystemWindowKind(WindowHandle)> classify_;
    BrowserWindowProbe probe_;
    std::vector<PageWindows*> pages_;
};

}  // namespace qm
