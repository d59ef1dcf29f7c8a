// Which page of a browser in another process a window of the system shows.
// The mouse hook sees the system's windows: the window under the point, its
// top-level window and, over a page, the window that draws the page. The
// browser tells, for each page, the browser window it is in and that
// window's bounds in its device-independent pixels (DIPs). The top-level
// window is the browser window whose bounds, in the system's pixels, cover
// the same place; of its pages the one shown is the visible one. Portable.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/window_services.h"

namespace qm {

// A browser window as the browser reports it (DIPs).
struct BrowserWindowBounds {
    int windowId = -1;
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;
};

// The system's side of the point: the top-level window under it, the window
// that draws the page there (empty when the point is not over one), both in
// system pixels, and the system pixels per DIP of that window's screen.
struct SystemBrowserWindow {
    Rect top;
    Rect content;
    double scale = 1;
};

// The browser window that the system's top-level window is: of the windows
// whose bounds in system pixels share at least kMinCover of their union with
// it, the one that shares most; -1 when none does.
constexpr double kMinCover = 0.8;
int MatchBrowserWindow(const std::vector<BrowserWindowBounds>& windows,
                       const SystemBrowserWindow& system);

// One page as known for the choice of the page shown in a browser window.
struct PageInWindow {
    std::uint32_t page = 0;
    int windowId = -1;
    bool visible = false;
    std::uint64_t active = 0;  // larger: active more recently
};

// The page shown in the browser window: its visible page (the most recently
// active one should there be several), else its most recently active page;
// 0 when the window has none.
std::uint32_t PageShownIn(const std::vector<PageInWindow>& pages, int windowId);

}  // namespace qm
