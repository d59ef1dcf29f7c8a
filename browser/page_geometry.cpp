#include "browser/page_geometry.h"

#include <algorithm>
#include <cmath>

namespace qm {

namespace {

int Round(double value) {
    return static_cast<int>(std::lround(value));
}

bool Sane(double value) {
    return std::isfinite(value) && std::fabs(value) < 1e7;
}

}  // namespace

void PageGeometry::Update(const PageReport& report) {
    if (!Sane(report.screenX) || !Sane(report.screenY) || !Sane(report.outerWidth) ||
        !Sane(report.outerHeight) || !Sane(report.innerWidth) || !Sane(report.innerHeight) ||
        !Sane(report.pixelRatio) || report.pixelRatio <= 0.05 || report.innerWidth < 0 ||
        report.innerHeight < 0 || !Sane(report.visualScale) || report.visualScale <= 0.05 ||
        !Sane(report.visualLeft) || !Sane(report.visualTop)) {
        return;  // nonsense from a page changes nothing
    }
    if (placed_ && (report.screenX != report_.screenX || report.screenY != report_.screenY ||
                    report.pixelRatio != report_.pixelRatio)) {
        placed_ = false;  // the window moved (or its scale changed) since
    }
    report_ = report;
    scale_ = report.pixelRatio;
    if (!calibrated_) {
        const double border = std::fmax(0.0, (report.outerWidth - report.innerWidth) / 2);
        originX_ = report.screenX + border;
        originY_ = report.screenY + std::fmax(0.0, report.outerHeight - report.innerHeight - border);
    }
    known_ = true;
}

void PageGeometry::Calibrate(const PointerReport& pointer) {
    if (!Sane(pointer.screenX) || !Sane(pointer.screenY) || !Sane(pointer.clientX) ||
        !Sane(pointer.clientY)) {
        return;
    }
    // Screen units are device-independent pixels of the browser; the viewport
    // is in CSS pixels (scale_ system pixels each).
    originX_ = pointer.screenX - pointer.clientX;
    originY_ = pointer.screenY - pointer.clientY;
    calibrated_ = true;
}

void PageGeometry::Place(const Rect& viewport) {
    if (!known_ || viewport.Width() <= 0 || viewport.Height() <= 0) {
        return;
    }
    placedViewport_ = viewport;
    placed_ = true;
}

Rect PageGeometry::Viewport() const {
    if (placed_) {
        return placedViewport_;
    }
    const int left = Round(originX_ * scale_);
    const int top = Round(originY_ * scale_);
    return Rect{left, top, left + Round(report_.innerWidth * scale_),
                top + Round(report_.innerHeight * scale_)};
}

Rect PageGeometry::Outer() const {
    const int left = Round(report_.screenX * scale_);
    const int top = Round(report_.screenY * scale_);
    Rect outer{left, top, left + Round(report_.outerWidth * scale_),
               top + Round(report_.outerHeight * scale_)};
    // However the page reports its window, the viewport lies inside it.
    const Rect view = Viewport();
    outer.left = std::min(outer.left, view.left);
    outer.top = std::min(outer.top, view.top);
    outer.right = std::max(outer.right, view.right);
    outer.bottom = std::max(outer.bottom, view.bottom);
    return outer;
}

// A pinch zoom shows the visual viewport (visualScale times larger) at the
// viewport's place; scrolling moves the document, not viewport points.
Point PageGeometry::ScreenToPage(Point screen) const {
    const Rect view = Viewport();
    const double zoom = scale_ * report_.visualScale;
    return Point{static_cast<int>(std::floor(report_.visualLeft + (screen.x - view.left) / zoom)),
                 static_cast<int>(std::floor(report_.visualTop + (screen.y - view.top) / zoom))};
}

Point PageGeometry::PageToScreen(Point page) const {
    const Rect view = Viewport();
    const double zoom = scale_ * report_.visualScale;
    return Point{view.left + Round((page.x - report_.visualLeft) * zoom),
                 view.top + Round((page.y - report_.visualTop) * zoom)};
}

Point PageGeometry::EventToScreen(double screenX, double screenY) const {
    if (!Sane(screenX) || !Sane(screenY)) {
        return Point{};
    }
    return Point{Round(screenX * scale_), Round(screenY * scale_)};
}

}  // namespace qm
