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

bool FitsHint(int sourceIndex) {
    return sourceIndex >= 0 && sourceIndex <= 32767;
}

}  // namespace

void BrowserTracker::CheckFilters() {
    if (!document) {
        return;
    }
    CollectionPtr all = document->All();
    int length = 0;
    if (!all || !all->Length(length)) {
        return;
    }
    WindowText window;
    window.urlRead = ReadUrl(window.url);
    window.titleRead = ReadTitle(window.title);

    // A matching "POPUP" filter ends the check: only the element filters
    // before it in list order are examined.
    const int count = UsedCount();
    int popupAt = -1;
    for (int i = 0; i < count; ++i) {
        const WorkingFilter& filter = filters[static_cast<std::size_t>(i)];
        if (filter.sType == "POPUP" && PopupFilterMatches(filter, window)) {
            popupAt = i;
            break;
        }
    }
    const int end = popupAt >= 0 ? popupAt : count;

    std::vector<LocatedCheck> checks;
    std::vector<int> owners;
    for (int i = 0; i < end; ++i) {
        const WorkingFilter& filter = filters[static_cast<std::size_t>(i)];
        if (IsPopupType(filter.sType)) {
            continue;
        }
        const int k = filter.nHint;
        if (k >= 0 && k < length) {
            checks.push_back(LocatedCheck{k, filter.sName});
            owners.push_back(i);
        }
    }
    const std::uint32_t now = GetCurrentTimeValue();
    if (!checks.empty()) {
        std::vector<CheckOutcome> outcomes;
        document->CheckAndHide(checks, outcomes);
        const std::size_t answered = std::min(outcomes.size(), owners.size());
        for (std::size_t j = 0; j < answered; ++j) {
            WorkingFilter& filter = filters[static_cast<std::size_t>(owners[j])];
            switch (outcomes[j]) {
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
    }
    if (popupAt >= 0) {
        WorkingFilter& filter = filters[static_cast<std::size_t>(popupAt)];
        filter.nStatus = kStatusHit;
        filter.tLastHit = now;
        Quit();  // a failed quit leaves the window open; the filter still counts as hit
    }
}

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
    // filter; an index beyond what a filter can hold is not recorded.
    for (const TaggedElement& element : elements) {
        if (!element.ok || !FitsHint(element.sourceIndex)) {
            continue;
        }
        auto it = firstByName.find(element.identity);
        if (it != firstByName.end()) {
            filters[static_cast<std::size_t>(it->second)].nHint =
                static_cast<std::int16_t>(element.sourceIndex);
        }
    }
}

void BrowserTracker::OnFilterAdded(const std::string& pageUrl, const FilterRecord& record) {
    std::string current;
    if (!ReadUrl(current)) {
        return;
    }
    const int count = UsedCount();
    for (int i = 0; i < count; ++i) {
        const WorkingFilter& filter = filters[static_cast<std::size_t>(i)];
        if (filter.sType == record.sType && filter.sName == record.sName) {
            return;
        }
    }
    if (pageUrl != current) {
        if (record.nScope == kScopeHost) {
            if (GetHostName(pageUrl) != GetHostName(current)) {
                return;
            }
        } else if (record.nScope == kScopeDomain) {
            if (GetDomainName(pageUrl) != GetDomainName(current)) {
                return;
            }
        } else {
            return;
        }
    }
    if (count + 1 >= kMaxAddedFilterLimit) {
        return;
    }
    ElementPtr body = document ? document->Body() : nullptr;
    std::string source;
    if (!body || !body->OuterHtml(source)) {
        return;
    }
    if (source.find(GetLastPathPart(record.sName)) == std::string::npos) {
        return;
    }
    WorkingFilter& added = filters[static_cast<std::size_t>(count)];
    added = record;
    added.nStatus = kStatusCandidate;
    filterCount = count + 1;
    ResolveIndexes(record.sType);
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
    const int k = filters[static_cast<std::size_t>(found)].nHint;
    for (int i = found; i + 1 < count; ++i) {
        filters[static_cast<std::size_t>(i)] = std::move(filters[static_cast<std::size_t>(i + 1)]);
    }
    filters[static_cast<std::size_t>(count - 1)] = WorkingFilter{};
    filterCount = count - 1;

    // A window filter's nHint is its mode, not an element.
    if (IsPopupType(record.sType) || !document) {
        return;
    }
    CollectionPtr all = document->All();
    int length = 0;
    if (!all || !all->Length(length) || k < 0 || k >= length) {
        return;
    }
    ElementPtr element = all->Item(k);
    std::string tag;
    if (!element || !element->TagName(tag) || tag != record.sType) {
        return;
    }
    // Only the element this filter hid: another element at the index (one the
    // page hid itself, say) is left alone.
    if (ElementIdentity(*element) != record.sName) {
        return;
    }
    HideElement(*element, false);
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
