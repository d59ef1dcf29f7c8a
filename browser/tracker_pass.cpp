// A tracker's examination of its filters as one pass of the page: the
// periodic check (popup test and located filters) and, on a document
// completion, the source search and the location of candidates. The pass is
// sent and its answer applied separately, so that the table can wait for the
// pages of all its trackers at once and no page holds the caller for long.
#include <algorithm>
#include <cstdint>

#include "browser/browser_tracker.h"
#include "platform/clock.h"
#include "store/address_keys.h"
#include "store/time_value.h"

namespace qm {

namespace {

using SteadyClock = std::chrono::steady_clock;

bool IsPopupType(const std::string& type) {
    return type == "POPUP" || type == "NO_POPUP";
}

// An address no document has (no address holds a line feed): a pass sent
// with it only reports the document's own address, so that a list never
// loaded is had without waiting for the page.
constexpr const char* kUnknownAddress = "\n";

void TakeOutcome(WorkingFilter& filter, CheckOutcome outcome, std::uint32_t now) {
    switch (outcome) {
        case CheckOutcome::kHidden:
            filter.nStatus = kStatusHit;
            filter.tLastHit = now;
            break;
        case CheckOutcome::kMismatch:
            filter.nStatus = kStatusIdle;
            break;
        case CheckOutcome::kNotObtained:
            break;
    }
}

std::string FarKey(const WorkingFilter& filter) {
    return filter.sType + '\n' + filter.sName;
}

// Equal lists give equal keys (FNV-1a over types, names and file names).
std::string ListKey(const std::vector<PassRequest::Listed>& listed) {
    std::uint64_t hash = 14695981039346656037ull;
    auto mix = [&hash](const std::string& text) {
        for (unsigned char c : text) {
            hash = (hash ^ c) * 1099511628211ull;
        }
        hash = (hash ^ 0xFFu) * 1099511628211ull;
    };
    for (const PassRequest::Listed& entry : listed) {
        mix(entry.type);
        mix(entry.name);
        mix(entry.fileName);
    }
    return std::to_string(listed.size()) + ":" + std::to_string(hash);
}

}  // namespace

int BrowserTracker::LocatedIndex(const WorkingFilter& filter) const {
    if (filter.nHint >= 0) {
        return filter.nHint;
    }
    auto it = farIndexes_.find(FarKey(filter));
    return it != farIndexes_.end() ? it->second : -1;
}

void BrowserTracker::SetLocated(WorkingFilter& filter, int sourceIndex) {
    if (sourceIndex >= 0 && sourceIndex <= 32767) {
        filter.nHint = static_cast<std::int16_t>(sourceIndex);
        farIndexes_.erase(FarKey(filter));
    } else if (sourceIndex > 32767) {
        // Past what the hint holds: stored as "no hint", found by name.
        filter.nHint = -1;
        farIndexes_[FarKey(filter)] = sourceIndex;
    }
}

PassRequest BrowserTracker::MakeRequest(bool search) const {
    PassRequest request;
    const int count = std::clamp(filterCount, 0, kMaxWorkingFilters);
    for (int i = 0; i < count; ++i) {
        const WorkingFilter& filter = filters[static_cast<std::size_t>(i)];
        if (filter.sType == "POPUP") {
            request.popups.push_back(
                PassRequest::Popup{i, filter.nHint, filter.sHtml, filter.sName});
        } else if (!IsPopupType(filter.sType)) {
            const int k = LocatedIndex(filter);
            if (k >= 0) {
                request.checks.push_back(PassRequest::Check{i, k, filter.sName});
            }
        }
    }
    if (search) {
        request.search = true;
        request.listed.reserve(static_cast<std::size_t>(count));
        request.statuses.reserve(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i) {
            const WorkingFilter& filter = filters[static_cast<std::size_t>(i)];
            request.listed.push_back(
                PassRequest::Listed{filter.sType, filter.sName, GetLastPathPart(filter.sName)});
            request.statuses.push_back(filter.nStatus);
        }
        request.listKey = ListKey(request.listed);
    }
    return request;
}

std::shared_ptr<PendingPass> BrowserTracker::StartPass(bool search,
                                                       const std::string& expectedUrl) {
    if (!document) {
        return nullptr;
    }
    PassRequest request = MakeRequest(search);
    request.expectedUrl = expectedUrl;
    std::shared_ptr<PendingPass> pass = document->StartPass(request);
    if (pass) {
        pending_ = Pending{pass, search, listGeneration_, {}, true, SteadyClock::now()};
        for (const PassRequest::Check& check : request.checks) {
            pending_.checkPositions.push_back(check.position);
        }
    }
    return pass;
}

int BrowserTracker::FinishPass(PendingPass& pass, bool search) {
    const bool current = pending_.generation == listGeneration_;
    const bool again = pending_.again;
    const std::vector<int> positions = std::move(pending_.checkPositions);
    pending_ = Pending{};
    PassResult result;
    if (!pass.Result(result) || !current) {
        // Failed, or the list changed while the page worked: nothing is taken.
        return search ? 0 : 1;
    }
    if (result.moved) {
        // The list was loaded for the address the document had before: load
        // the one of its own address and examine it again.
        if (!result.urlRead) {
            reloadPending = true;
            return search ? 0 : 1;
        }
        url = result.url;
        LoadList();
        if (!again) {
            return 1;
        }
        return StartPass(search) != nullptr ? 1 : 0;
    }
    if (result.urlRead) {
        url = result.url;
    }
    const int count = UsedCount();
    const std::uint32_t now = GetCurrentTimeValue();
    for (std::size_t j = 0; j < positions.size() && j < result.outcomes.size(); ++j) {
        if (positions[j] < 0 || positions[j] >= count) {
            continue;
        }
        TakeOutcome(filters[static_cast<std::size_t>(positions[j])], result.outcomes[j], now);
    }
    if (result.popupAt >= 0 && result.popupAt < count) {
        WorkingFilter& filter = filters[static_cast<std::size_t>(result.popupAt)];
        filter.nStatus = kStatusHit;
        filter.tLastHit = now;
        Quit();  // a failed quit leaves the window open; the filter still counts as hit
    }
    if (!search) {
        return 1;
    }
    if (!result.bodyFound) {
        return 0;
    }
    for (int position : result.candidates) {
        if (position >= 0 && position < count &&
            filters[static_cast<std::size_t>(position)].nStatus == kStatusIdle) {
            filters[static_cast<std::size_t>(position)].nStatus = kStatusCandidate;
        }
    }
    for (const auto& [position, sourceIndex] : result.located) {
        if (position >= 0 && position < count) {
            SetLocated(filters[static_cast<std::size_t>(position)], sourceIndex);
        }
    }
    // Located and checked in the same pass: hidden at the completion.
    for (const auto& [position, outcome] : result.settled) {
        if (position >= 0 && position < count) {
            TakeOutcome(filters[static_cast<std::size_t>(position)], outcome, now);
        }
    }
    return 1;
}

void BrowserTracker::CheckFilters() {
    CollectPending();
    if (PassPending()) {
        return;  // the page has not answered the last one yet
    }
    std::shared_ptr<PendingPass> pass = StartPass(false);
    if (pass && pass->Wait(SteadyClock::now() + std::chrono::milliseconds(kPassAbandonMs))) {
        FinishPass(*pass, false);
    }
}

bool BrowserTracker::BeginTick() {
    // As a completion does: the list of the address last read, sent with the
    // pass, so that the tick asks the page nothing before it.
    std::string expected;
    if (reloadPending) {
        SaveAndRefresh();
        if (url.empty()) {
            expected = kUnknownAddress;
        } else {
            expected = url;
            LoadList();
        }
    }
    ++tickCount;
    // Background windows every tenth tick, each on its own tick: the slot
    // spreads them so that they do not all fall on the same one.
    const bool due = Windows().ForegroundWindow() == browserWindow || (tickCount + slot) % 10 == 0;
    CollectPending();
    if (PassPending()) {
        return false;
    }
    if (!due) {
        // Not checked on this tick, but its list is had (without waiting).
        if (expected == kUnknownAddress && StartPass(false, expected)) {
            pending_.again = false;
            return true;
        }
        return false;
    }
    return StartPass(false, expected) != nullptr;
}

void BrowserTracker::EndTick(std::chrono::steady_clock::time_point until) {
    // A document found at another address gets a second pass, within the same wait.
    for (int pass = 0; pass < 2 && pending_.pass && pending_.pass->Wait(until); ++pass) {
        std::shared_ptr<PendingPass> current = pending_.pass;
        FinishPass(*current, pending_.search);
    }
}

bool BrowserTracker::TakeAnswer() {
    if (!pending_.pass || !pending_.pass->Wait(SteadyClock::time_point{})) {
        return false;
    }
    std::shared_ptr<PendingPass> current = pending_.pass;
    FinishPass(*current, pending_.search);
    return true;
}

void BrowserTracker::ReloadWithoutWaiting() {
    SaveAndRefresh();
    CollectPending();
    if (PassPending()) {
        return;  // the list is had at the next apply or tick
    }
    // The page's address and with it the list come with the pass's answer,
    // at once from a backend that answers at once, else when it comes.
    if (StartPass(false, kUnknownAddress)) {
        pending_.again = false;
        CollectPending();
    }
}

void BrowserTracker::CollectPending() {
    if (!added_.empty()) {
        CollectAdded();
    }
    if (!pending_.pass) {
        return;
    }
    std::shared_ptr<PendingPass> pass = pending_.pass;
    if (pass->Wait(SteadyClock::time_point{})) {
        // A late answer is still taken: the page has hidden what it found,
        // and the list positions hold while the list is the same.
        FinishPass(*pass, pending_.search);
    } else if (SteadyClock::now() - pending_.started > std::chrono::milliseconds(kPassAbandonMs)) {
        pending_ = Pending{};
    }
}

int BrowserTracker::ApplyCompletion() {
    CollectPending();
    // The list is loaded for the address last read: a document still there
    // needs no separate read of it (one round trip instead of two).
    std::string expected;
    if (reloadPending) {
        SaveAndRefresh();
        std::string address;
        if (document && document->KnownUrl(address)) {
            // The backend has the address without asking the page (from
            // its events): the list is had at once, and the popup rules see
            // it before any window this page opens is reported.
            url = address;
            expected = url;
            LoadList();
        } else if (url.empty() && OpenedPopupRecently() && ReadUrl(address)) {
            // A window never read that has opened others: the popup rules
            // need its list before those windows are reported, so its
            // address is read now (the page is done with its scripts).
            LoadList();
        } else if (url.empty()) {
            // Any other window never read: the pass reads its address first
            // and comes again with the list of it, without waiting.
            expected = kUnknownAddress;
        } else {
            expected = url;
            LoadList();
        }
    }
    if (!StartPass(true, expected)) {
        return 0;
    }
    int result = 1;
    // No waiting for the page. A document found at another address gets a
    // second pass.
    for (int pass = 0; pass < 2 && pending_.pass; ++pass) {
        std::shared_ptr<PendingPass> current = pending_.pass;
        if (!current->Wait(SteadyClock::time_point{})) {
            return 1;  // applied when it comes
        }
        result = FinishPass(*current, true);
    }
    return result;
}

}  // namespace qm
