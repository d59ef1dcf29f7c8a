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
    ListChanged();
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
    const int k = LocatedIndex(filters[static_cast<std::size_t>(found)]);
    farIndexes_.erase(record.sType + '\n' + record.sName);
    for (int i = found; i + 1 < count; ++i) {
        filters[static_cast<std::size_t>(i)] = std::move(filters[static_cast<std::size_t>(i + 1)]);
    }
    filters[static_cast<std::size_t>(count - 1)] = WorkingFilter{};
    filterCount = count - 1;
    ListChanged();

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
