// Where a page of a browser in another process lies on the screen, as the
// page itself reports it: the window's position and sizes, the device pixel
// ratio, and, best of all, a pointer event that gives both the screen point
// and the viewport point of the same spot. Screen coordinates are the
// system's pixels; page coordinates are the page's CSS pixels relative to
// its viewport (what elementFromPoint takes), so scrolling does not enter.
// Portable.
#pragma once

#include "platform/window_services.h"

namespace qm {

struct PageReport {
    // window.screenX/Y, outerWidth/Height, innerWidth/Height (the browser's
    // screen units), devicePixelRatio.
    double screenX = 0;
    double screenY = 0;
    double outerWidth = 0;
    double outerHeight = 0;
    double innerWidth = 0;
    double innerHeight = 0;
    double pixelRatio = 1;
    // The visual viewport (a pinch zoom): its scale and its offset in the
    // layout viewport (CSS pixels). Viewport points are layout viewport points.
    double visualScale = 1;
    double visualLeft = 0;
    double visualTop = 0;
};

struct PointerReport {
    double screenX = 0;  // event.screenX/Y (the browser's screen units)
    double screenY = 0;
    double clientX = 0;  // event.clientX/Y (viewport, CSS pixels)
    double clientY = 0;
};

class PageGeometry {
public:
    // The window as reported; without a pointer calibration the viewport is
    // taken to sit at the bottom of the window, centred between equal borders.
    void Update(const PageReport& report);
    // A pointer event fixes where the viewport's origin is.
    void Calibrate(const PointerReport& pointer);
    // The system shows where the page is drawn (the browser's window for the
    // page, in system pixels): that is the viewport, until the window moves.
    void Place(const Rect& viewport);

    bool Known() const { return known_; }
    double Scale() const { return scale_; }
    // Screen rectangles of the viewport and of the whole browser window.
    Rect Viewport() const;
    Rect Outer() const;
    // A screen point to viewport coordinates (CSS pixels) and back.
    Point ScreenToPage(Point screen) const;
    Point PageToScreen(Point page) const;
    // The screen point of a pointer event.
    Point EventToScreen(double screenX, double screenY) const;

private:
    bool known_ = false;
    bool calibrated_ = false;
    bool placed_ = false;
    Rect placedViewport_;
    double scale_ = 1;          // system pixels per CSS pixel
    double originX_ = 0;        // viewport origin, browser screen units
    double originY_ = 0;
    PageReport report_;
};

}  // namespace qm
