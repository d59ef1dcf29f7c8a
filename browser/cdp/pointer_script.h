// The pointer observer: a small script of our isolated world in the top frame
// of every page. It reports, through a binding, where the page's window and
// viewport lie on the screen and the left-button gestures made on the page
// (press, moves while pressed or while the browser drags an image or link,
// release, end of the browser's drag), so that a browser whose windows the
// mouse hook cannot see still drives the drag logic. It changes nothing on
// the page and cancels no event.
#pragma once

#include <string>

#include "browser/page_geometry.h"

namespace qm::cdp {

constexpr const char* kPointerBinding = "__qmPointer";
extern const char* const kPointerScript;

// Draws (on) or removes (off) the frame of our world over the viewport
// rectangle given in CSS pixels: "(on, x, y, w, h)".
extern const char* const kFrameScript;

struct PageMessage {
    enum Kind { kGeometry, kPress, kMove, kRelease };
    Kind kind = kGeometry;
    PageReport page;
    bool visible = false;
    bool pointer = false;  // pointerAt is set
    PointerReport pointerAt;
};

// One report of the script; false for anything malformed (nothing changes).
bool ParsePageMessage(const std::string& payload, PageMessage& out);

}  // namespace qm::cdp
