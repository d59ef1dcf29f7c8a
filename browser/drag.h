// What the two drag gestures share between the trackers and the application:
// the phases that the mouse hook and the bin window report, and what a
// finished drag gives back. A tracker never asks the user nor stores: it
// returns the drop, and the application asks, stores and closes.
#pragma once

#include <string>

#include "browser/browser_port.h"
#include "store/filter_record.h"

namespace qm {

enum DragPhase : int {
    kDragPress = 0,
    kDragMove = 1,
    kDragRelease = 2,
};

// A filter made by a drag, not yet asked about nor stored.
struct Drop {
    bool made = false;    // false: nothing was dropped (no element, a failed read)
    std::string url;      // the page address the filter is made for
    FilterRecord record;  // sType, sName, nHint and sHtml filled in; the scope is asked
    // The window to close once the user has answered, whatever the answer (a
    // popup-style window whose title bar took the bin); null for none.
    BrowserPtr closeAfter;
};

}  // namespace qm
