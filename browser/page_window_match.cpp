#include "browser/page_window_match.h"

#include <algorithm>
#include <cmath>

namespace qm {

namespace {

double Area(double left, double top, double right, double bottom) {
    return right > left && bottom > top ? (right - left) * (bottom - top) : 0.0;
}

// The share of the union of two rectangles that both cover (0 .. 1).
double Cover(double l1, double t1, double r1, double b1, double l2, double t2, double r2,
             double b2) {
    const double both =
        Area(std::max(l1, l2), std::max(t1, t2), std::min(r1, r2), std::min(b1, b2));
    const double either = Area(l1, t1, r1, b1) + Area(l2, t2, r2, b2) - both;
    return either > 0 ? both / either : 0.0;
}

bool Sane(double value) {
    return std::isfinite(value) && std::fabs(value) < 1e7;
}

}  // namespace

int MatchBrowserWindow(const std::vector<BrowserWindowBounds>& windows,
                       const SystemBrowserWindow& system) {
    if (!Sane(system.scale) || system.scale <= 0.05 || system.top.Width() <= 0 ||
        system.top.Height() <= 0) {
        return -1;
    }
    const double s = system.scale;
    int best = -1;
    double bestCover = kMinCover;
    for (const BrowserWindowBounds& w : windows) {
        if (w.windowId < 0 || !Sane(w.left) || !Sane(w.top) || !Sane(w.width) ||
            !Sane(w.height)) {
            continue;
        }
        const double cover =
            Cover(w.left * s, w.top * s, (w.left + w.width) * s, (w.top + w.height) * s,
                  system.top.left, system.top.top, system.top.right, system.top.bottom);
        if (cover >= bestCover) {
            best = w.windowId;
            bestCover = cover;
        }
    }
    return best;
}

std::uint32_t PageShownIn(const std::vector<PageInWindow>& pages, int windowId) {
    const PageInWindow* best = nullptr;
    for (const PageInWindow& page : pages) {
        if (windowId < 0 || page.windowId != windowId || page.page == 0) {
            continue;
        }
        if (best == nullptr || (page.visible && !best->visible) ||
            (page.visible == best->visible && page.active > best->active)) {
            best = &page;
        }
    }
    return best != nullptr ? best->page : 0;
}

}  // namespace qm
