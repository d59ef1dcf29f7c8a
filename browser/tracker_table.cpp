#include "browser/tracker_table.h"

#include <chrono>
#include <vector>

#include "browser/tracker_sinks.h"

namespace qm {

TrackerTable::TrackerTable(const TrackerContext& context) : context_(context) {}

TrackerTable::~TrackerTable() {
    DisconnectShell();
    for (auto& tracker : slots_) {
        tracker.reset();
    }
    count_ = 0;
}

void TrackerTable::DisconnectShell() {
    if (shell_ && shellAdvised_) {
        shell_->Unadvise(shellCookie_);
    }
    shellAdvised_ = false;
    shellSink_.reset();
    shell_.reset();
}

bool TrackerTable::ConnectShellWindows(BrowserSystem& system) {
    DisconnectShell();
    shell_ = system.ConnectShellWindows();
    if (!shell_) {
        return false;
    }
    auto sink = std::make_shared<ShellWindowsSink>(context_.poster);
    std::uint32_t cookie = 0;
    if (!shell_->Advise(sink, cookie)) {
        // Without events the collection is still there for the timer's rescans.
        return false;
    }
    shellSink_ = std::move(sink);
    shellCookie_ = cookie;
    shellAdvised_ = true;
    return true;
}

void TrackerTable::RescanWindows() {
    if (!shell_) {
        return;
    }
    int count = 0;
    if (!shell_->Count(count)) {
        return;
    }
    for (int i = 0; i < count; ++i) {
        BrowserPtr browser = shell_->Item(i);
        if (browser) {
            AddTracker(browser);
        }
    }
}

int TrackerTable::AddTracker(const BrowserPtr& browser) {
    if (!browser) {
        return -1;
    }
    const std::uintptr_t identity = browser->Identity();
    int freeSlot = -1;
    for (int s = 0; s < kMaxTrackers; ++s) {
        const auto& tracker = slots_[static_cast<std::size_t>(s)];
        if (!tracker) {
            if (freeSlot < 0) {
                freeSlot = s;
            }
            continue;
        }
        if (tracker->browser && tracker->browser->Identity() == identity) {
            return s;
        }
    }
    if (freeSlot < 0) {
        return -1;
    }
    auto tracker = std::make_unique<BrowserTracker>(context_);
    if (!tracker->Init(freeSlot, browser)) {
        return -1;
    }
    if (!PopupGate(*tracker)) {
        // The refused window never holds the slot: disconnect first, so that
        // its OnQuit cannot reach a later tracker of the same slot.
        tracker->DisconnectSink();
        tracker->Quit();
        return -1;
    }
    slots_[static_cast<std::size_t>(freeSlot)] = std::move(tracker);
    ++count_;
    return freeSlot;
}

bool TrackerTable::RemoveTracker(int slot) {
    if (slot < 0 || slot >= kMaxTrackers || !slots_[static_cast<std::size_t>(slot)]) {
        return false;
    }
    std::unique_ptr<BrowserTracker> tracker = std::move(slots_[static_cast<std::size_t>(slot)]);
    --count_;
    tracker->SaveHitsOnClose();
    return true;
}

BrowserTracker* TrackerTable::Tracker(int slot) const {
    if (slot < 0 || slot >= kMaxTrackers) {
        return nullptr;
    }
    return slots_[static_cast<std::size_t>(slot)].get();
}

int TrackerTable::FindTrackerAt(Point screen) {
    WindowHandle window = context_.windows.WindowFromPoint(screen);
    // The depth bound guards against a window system that reports a cycle.
    for (int depth = 0; window != 0 && depth < 4096; ++depth) {
        for (int s = 0; s < kMaxTrackers; ++s) {
            const auto& tracker = slots_[static_cast<std::size_t>(s)];
            if (tracker && (tracker->pageWindow == window || tracker->browserWindow == window)) {
                return s;
            }
        }
        window = context_.windows.Parent(window);
    }
    return -1;
}

void TrackerTable::OnTrackerEvent(int code, long value) {
    switch (code) {
        case kEventWindowRegistered:
            RescanWindows();
            return;
        case kEventNavigateComplete:
        case kEventWindowRevoked:
            return;
        case kEventBeforeNavigate:
        case kEventDocumentComplete:
        case kEventQuit:
        case kEventNewWindow:
        case kEventPassAnswered:
            break;
        default:
            return;
    }
    if (value < 0 || value >= kMaxTrackers) {
        return;
    }
    const int slot = static_cast<int>(value);
    BrowserTracker* tracker = Tracker(slot);
    if (tracker == nullptr) {
        return;
    }
    switch (code) {
        case kEventBeforeNavigate:
            tracker->MarkReload();
            tracker->Apply(kApplyNavigate);
            break;
        case kEventDocumentComplete:
            tracker->MarkReload();
            tracker->Apply(kApplyDocumentComplete);
            break;
        case kEventQuit:
            RemoveTracker(slot);
            break;
        case kEventNewWindow:
            tracker->NoteNewWindow();
            break;
        case kEventPassAnswered:
            tracker->CollectPending();
            break;
        default:
            break;
    }
}

void TrackerTable::OnTick() {
    const unsigned before = tickCounter_++;
    if ((before & 1u) != 0) {
        RescanWindows();
    }
    // Every due check goes out at once, and no page is waited for: each
    // answer is taken as it comes (kEventPassAnswered), or at the latest at
    // the next tick, so that a page that does not answer holds nothing.
    std::vector<BrowserTracker*> started;
    for (auto& tracker : slots_) {
        if (tracker && tracker->BeginTick()) {
            started.push_back(tracker.get());
        }
    }
    for (BrowserTracker* tracker : started) {
        // A backend that answers at once (and a second pass after a move).
        for (int pass = 0; pass < 2 && tracker->TakeAnswer(); ++pass) {
        }
    }
}

bool TrackerTable::PopupGate(BrowserTracker& tracker) {
    if (!tracker.IsPopupStyle()) {
        return true;
    }
    for (auto& other : slots_) {
        if (other && other.get() != &tracker) {
            // An opener whose list is still on its way takes it now, if it came.
            other->CollectPending();
        }
        if (other && other.get() != &tracker && other->OpenedPopupRecently() &&
            other->HasNoPopupFilter()) {
            other->MarkNoPopupHits();
            return false;
        }
    }
    return true;
}

void TrackerTable::OnFilterAdded(const std::string& url, const FilterRecord& record) {
    for (auto& tracker : slots_) {
        if (tracker) {
            tracker->OnFilterAdded(url, record);
        }
    }
}

void TrackerTable::OnFilterRestored(const std::string& url, const FilterRecord& record) {
    for (auto& tracker : slots_) {
        if (tracker) {
            tracker->OnFilterRestored(url, record);
        }
    }
}

}  // namespace qm
