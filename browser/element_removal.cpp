// Element removal of a tracker: the periodic check, the location of candidate
// elements, and the reactions to filters added to or restored from the store.
#include <algorithm>
#include <string_view>
#include <unordered_map>

#include "browser/browser_tracker.h"
#include "browser/element_identity.h"
#include "browser/popup_rules.h"
#include "store/address_keys.h"
#include "platform/clock.h"
#include "store/time_value.h"

namespace qm {

namespace {

bool IsPopupType(const std::string& type) {
    return type == "POPUP" || type == "NO_POPUP";
}

// Types whose nHint is a source index that a tag scan may set.
bool IsScannableType(const std::string& type) {
    return !type.empty() && !IsPopupType(type);
}

}  // namespace

void BrowserTracker::ResolveIndexes(const std::string& tag) {
    // Window filters keep their mode in nHint: never scan for them.
    if (!IsScannableType(tag) || !document) {
        return;
    }
    const int count = UsedCount();
    bool anyCandidate = false;
    std::unordered_map<std::string_view, int> firstByName;
    for (int i = 0; i < count; ++i) {
        const WorkingFilter& filter = filters[static_cast<std::size_t>(i)];
        if (filter.sType != tag) {
            continue;
        }
        anyCandidate = anyCandidate || filter.nStatus == kStatusCandidate;
        firstByName.try_emplace(filter.sName, i);
    }
    if (!anyCandidate) {
        return;
    }
    std::vector<TaggedElement> elements;
    if (!document->ScanTag(tag, elements)) {
        return;
    }
    // Later elements with the same identity overwrite the index of the same
    // filter; an index beyond what the hint holds is found by name.
    for (const TaggedElement& element : elements) {
        if (!element.ok || element.sourceIndex < 0) {
            continue;
        }
        auto it = firstByName.find(element.identity);
        if (it != firstByName.end()) {
            SetLocated(filters[static_cast<std::size_t>(it->second)], element.sourceIndex);
        }
    }
}

void BrowserTracker::OnFilterAdded(const std::string& pageUrl, const FilterRecord& record) {
    CollectPending();
    // The address last read: a document moved on since is left alone (its
    // completion loads the list with the new filter in it).
    if (!document || reloadPending || url.empty() || !AddedApplies(pageUrl, record)) {
        return;
    }
    // Only the new filter's file name is searched, in the page: the page's
    // source is not fetched. The located filters go with it, so that what
    // the page watches stays the same.
    PassRequest request = MakeRequest(false);
    request.popups.clear();
    request.search = true;
    request.listed.push_back(
        PassRequest::Listed{record.sType, record.sName, GetLastPathPart(record.sName)});
    request.statuses.push_back(kStatusIdle);
    request.expectedUrl = url;  // no list key: the page keeps no copy of this one
    std::shared_ptr<PendingPass> pass = document->StartPass(request);
    if (!pass) {
        return;
    }
    added_.push_back(AddedPass{pass, record, url, std::chrono::steady_clock::now()});
    CollectAdded();  // at once from a backend that answers at once
}

bool BrowserTracker::AddedApplies(const std::string& pageUrl, const FilterRecord& record) const {
    const int count = UsedCount();
    for (int i = 0; i < count; ++i) {
        const WorkingFilter& filter = filters[static_cast<std::size_t>(i)];
        if (filter.sType == record.sType && filter.sName == record.sName) {
            return false;
        }
    }
    if (pageUrl != url) {
        if (record.nScope == kScopeHost) {
            if (GetHostName(pageUrl) != GetHostName(url)) {
                return false;
            }
        } else if (record.nScope == kScopeDomain) {
            if (GetDomainName(pageUrl) != GetDomainName(url)) {
                return false;
            }
        } else {
            return false;
        }
    }
    return count + 1 < kMaxAddedFilterLimit;
}

void BrowserTracker::CollectAdded() {
    for (std::size_t i = 0; i < added_.size();) {
        AddedPass& added = added_[i];
        const bool answered = added.pass->Wait(std::chrono::steady_clock::time_point{});
        if (!answered && std::chrono::steady_clock::now() - added.started <
                             std::chrono::milliseconds(kPassAbandonMs)) {
            ++i;
            continue;
        }
        AddedPass taken = std::move(added);
        added_.erase(added_.begin() + static_cast<std::ptrdiff_t>(i));
        PassResult result;
        // Taken only while the tracker is still on the document it was sent
        // to and the filter still belongs in its list.
        if (!answered || !taken.pass->Result(result) || result.moved || !result.bodyFound ||
            reloadPending || taken.url != url || !AddedApplies(taken.url, taken.record) ||
            std::find(result.candidates.begin(), result.candidates.end(), 0) ==
                result.candidates.end()) {
            continue;
        }
        const int count = UsedCount();
        WorkingFilter& filter = filters[static_cast<std::size_t>(count)];
        filter = taken.record;
        filter.nStatus = kStatusCandidate;
        filterCount = count + 1;
        ListChanged();
        for (const auto& [position, sourceIndex] : result.located) {
            if (position == 0) {
                SetLocated(filter, sourceIndex);
            }
        }
    }
}

void BrowserTracker::OnFilterRestored(const std::string& /*pageUrl*/, const FilterRecord& record) {
    const int count = UsedCount();
    int found = -1;
    for (int i = 0; i < count; ++i) {
        const WorkingFilter& filter = filters[static_cast<std::size_t>(i)];
        if (filter.sType == record.sType && filter.sName == record.sName) {
            found = i;
            break;
        }
    }
    if (found < 0) {
        return;
    }
    const int k = LocatedIndex(filters[static_cast<std::size_t>(found)]);
    farIndexes_.erase(record.sType + '\n' + record.sName);
    for (int i = found; i + 1 < count; ++i) {
        filters[static_cast<std::size_t>(i)] = std::move(filters[static_cast<std::size_t>(i + 1)]);
    }
    filters[static_cast<std::size_t>(count - 1)] = WorkingFilter{};
    filterCount = count - 1;
    ListChanged();

    // A window filter's nHint is its mode, not an element. The element is
    // shown without waiting for the page (a remote backend sends it).
    if (IsPopupType(record.sType) || !document || k < 0) {
        return;
    }
    document->ShowLocated(k, record.sType, record.sName);
}

bool BrowserTracker::HasNoPopupFilter() const {
    const int count = UsedCount();
    for (int i = 0; i < count; ++i) {
        if (filters[static_cast<std::size_t>(i)].sType == "NO_POPUP") {
            return true;
        }
    }
    return false;
}

void BrowserTracker::MarkNoPopupHits() {
    const std::uint32_t now = GetCurrentTimeValue();
    const int count = UsedCount();
    for (int i = 0; i < count; ++i) {
        WorkingFilter& filter = filters[static_cast<std::size_t>(i)];
        if (filter.sType == "NO_POPUP") {
            filter.nStatus = kStatusHit;
            filter.tLastHit = now;
        }
    }
}

bool BrowserTracker::OpenedPopupRecently() const {
    // Without any NewWindow2 the tracker opened nothing, whatever the clock says.
    return newWindowNoted_ &&
           OpenedPopupRecentlyAt(CurrentClock().TickCount(), lastNewWindowTime, lastPressTime);
}

}  // namespace qm
