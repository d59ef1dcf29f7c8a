// The two drag gestures as the bin window feeds them: the page-to-bin drag
// reported by the mouse hook, and the bin's own drag over pages and title bars.
#include "app/app_core.h"

namespace qm {

bool AppCore::IsOverBin(Point screen) {
    if (bin_ == nullptr || bin_->Handle() == 0) {
        return false;
    }
    // The bin's picture covers its client area: a point over it is over the bin.
    WindowHandle window = context_.windows.WindowFromPoint(screen);
    for (int depth = 0; window != 0 && depth < 64; ++depth) {
        if (window == bin_->Handle()) {
            return true;
        }
        window = context_.windows.Parent(window);
    }
    return false;
}

void AppCore::ReleaseHookCapture() {
    if (hookCaptureTaken_) {
        hookCaptureTaken_ = false;
        context_.windows.ReleaseCapture();
    }
}

void AppCore::HookDrag(DragPhase phase, Point screen) {
    if (prompting_) {
        return;  // clicks in a prompt start no drag
    }
    if (phase == kDragPress) {
        ReleaseHookCapture();  // a release that never arrived
        hookDragActive_ = false;
        const int slot = FindTrackerAt(screen);
        BrowserTracker* tracker = trackers_.Tracker(slot);
        if (tracker == nullptr) {
            return;
        }
        hookDragActive_ = tracker->PressOnPage(screen);
        if (hookDragActive_) {
            hookDragSlot_ = slot;
            // PressOnPage captures the mouse for an OBJECT.
            std::string tag;
            hookCaptureTaken_ = tracker->capturedElement == nullptr ||
                                !tracker->capturedElement->TagName(tag) || tag == "OBJECT";
        }
        return;
    }
    if (!hookDragActive_ || (phase != kDragMove && phase != kDragRelease)) {
        return;
    }
    highlight_.Show(false);
    if (phase == kDragMove) {
        Rect client;
        if (IsOverBin(screen) && bin_->ClientRect(client) &&
            highlight_.Init(kFrameClientRect, bin_->Handle(), 0, 0, client.Width() - 2,
                            client.Height() - 2)) {
            highlight_.Show(true);
        }
        return;
    }
    // Release: the drag ends here, over the bin or not.
    hookDragActive_ = false;
    ReleaseHookCapture();
    if (IsOverBin(screen)) {
        if (BrowserTracker* tracker = trackers_.Tracker(hookDragSlot_)) {
            CompleteDrop(tracker->DropOnBin());
        }
    }
}

void AppCore::BinDrag(DragPhase phase, Point screen) {
    if (prompting_) {
        return;
    }
    highlight_.Show(false);
    const int slot = FindTrackerAt(screen);
    BrowserTracker* tracker = trackers_.Tracker(slot);
    if (tracker == nullptr) {
        return;
    }
    CompleteDrop(tracker->DragFromBin(phase, screen, highlight_));
}

bool AppCore::CompleteDrop(Drop drop) {
    if (!drop.made) {
        return false;
    }
    const bool added = AddFilterWithPrompt(drop.url, drop.record);
    // A popup-style window is closed whatever the answer. The drop holds its
    // own reference: the window may have lost its tracker meanwhile.
    if (drop.closeAfter) {
        drop.closeAfter->Quit();
    }
    RunDeferredEvents();
    return added;
}

}  // namespace qm
