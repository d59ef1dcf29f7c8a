#include "browser/tracker_sinks.h"

namespace qm {

void TrackerBrowserSink::OnBrowserEvent(int code, long /*param*/) {
    switch (code) {
        case kEventBeforeNavigate:
        case kEventNavigateComplete:
        case kEventDocumentComplete:
        case kEventQuit:
        case kEventNewWindow:
        case kEventPassAnswered:
            if (poster_ != nullptr) {
                poster_->PostTrackerEvent(code, slot_);
            }
            break;
        default:
            break;  // not a browser event
    }
}

void ShellWindowsSink::OnBrowserEvent(int code, long param) {
    if ((code == kEventWindowRegistered || code == kEventWindowRevoked) && poster_ != nullptr) {
        poster_->PostTrackerEvent(code, param);
    }
}

}  // namespace qm
