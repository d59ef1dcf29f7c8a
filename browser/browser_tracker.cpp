#include "browser/browser_tracker.h"

#include <algorithm>

#include "browser/tracker_sinks.h"
#include "platform/clock.h"
#include "store/filter_store.h"

namespace qm {

BrowserTracker::BrowserTracker(const TrackerContext& context)
    : filters(static_cast<std::size_t>(kMaxWorkingFilters)), context_(context) {}

BrowserTracker::~BrowserTracker() {
    DisconnectSink();
}

void BrowserTracker::DisconnectSink() {
    if (sinkConnected_ && browser) {
        browser->Unadvise(sinkCookie);
    }
    sinkConnected_ = false;
}

int BrowserTracker::UsedCount() const {
    return std::clamp(filterCount, 0, kMaxWorkingFilters);
}

bool BrowserTracker::Init(int slotIndex, BrowserPtr browserObject) {
    slot = slotIndex;
    browser = std::move(browserObject);
    if (!browser) {
        return false;
    }
    auto eventSink = std::make_shared<TrackerBrowserSink>(context_.poster, slot);
    std::uint32_t cookie = 0;
    if (!browser->Advise(eventSink, cookie)) {
        return false;
    }
    sink = std::move(eventSink);
    sinkCookie = cookie;
    sinkConnected_ = true;

    WindowHandle top = 0;
    if (!browser->Hwnd(top) || top == 0) {
        return false;
    }
    browserWindow = top;
    WindowHandle page = 0;
    if (!browser->PageWindow(page) || page == 0) {
        return false;
    }
    pageWindow = page;
    document = browser->GetDocument();
    return document != nullptr;
}

void BrowserTracker::ReloadFilters() {
    SaveAndRefresh();
    std::string address;
    if (!ReadUrl(address)) {
        return;  // the list stays; the next apply tries again
    }
    LoadList();
}

void BrowserTracker::SaveAndRefresh() {
    SaveHits();
    // A navigation may have replaced the page's document object: take the
    // browser's current one, keeping the old one when it cannot be had.
    if (browser) {
        if (DocumentPtr current = browser->GetDocument()) {
            document = std::move(current);
        }
    }
}

void BrowserTracker::LoadList() {
    const int loaded = Store().FiltersForUrl(url, filters.data(), kMaxWorkingFilters);
    filterCount = std::clamp(loaded, 0, kMaxWorkingFilters);
    farIndexes_.clear();
    ListChanged();
    for (int i = 0; i < filterCount; ++i) {
        filters[static_cast<std::size_t>(i)].nStatus = kStatusIdle;
    }
    reloadPending = false;
}

int BrowserTracker::Apply(int mode) {
    if (mode == kApplyDocumentComplete) {
        return ApplyCompletion();  // reloads the list itself
    }
    if (mode == kApplyNavigate) {
        if (reloadPending) {
            ReloadWithoutWaiting();  // saves the hits itself
        } else {
            SaveHits();
        }
        return 1;
    }
    if (mode == kApplyTick) {
        if (BeginTick()) {
            EndTick(std::chrono::steady_clock::now() + std::chrono::milliseconds(kPassAbandonMs));
        }
        return 1;
    }
    if (reloadPending) {
        ReloadFilters();
    }
    return 1;
}

void BrowserTracker::NoteNewWindow() {
    lastNewWindowTime = CurrentClock().TickCount();
    newWindowNoted_ = true;
}

bool BrowserTracker::ReadUrl(std::string& out) {
    std::string value;
    if (!document || !document->Url(value)) {
        out = url;
        return false;
    }
    url = value;
    out = std::move(value);
    return true;
}

std::string BrowserTracker::CurrentUrl() {
    std::string value;
    ReadUrl(value);
    return value;
}

bool BrowserTracker::ReadTitle(std::string& out) {
    out.clear();
    return document && document->Title(out);
}

std::string BrowserTracker::CurrentTitle() {
    std::string value;
    if (!ReadTitle(value)) {
        value.clear();
    }
    return value;
}

bool BrowserTracker::IsPopupStyle() {
    if (!browser) {
        return false;
    }
    // A window whose style cannot be read counts as a normal window.
    bool popupStyle = false;
    return browser->IsPopupStyle(popupStyle) && popupStyle;
}

bool BrowserTracker::Quit() {
    return browser && browser->Quit();
}

void BrowserTracker::SaveHitsOnClose() {
    SaveHits();
}

void BrowserTracker::SaveHits() {
    // The store writes durably (and slowly): the hits are written only when
    // they changed since this tracker last wrote them.
    std::uint64_t hash = 14695981039346656037ull;
    auto mix = [&hash](const void* data, std::size_t size) {
        const auto* bytes = static_cast<const unsigned char*>(data);
        for (std::size_t i = 0; i < size; ++i) {
            hash = (hash ^ bytes[i]) * 1099511628211ull;
        }
        hash = (hash ^ 0xFFu) * 1099511628211ull;
    };
    const int count = UsedCount();
    for (int i = 0; i < count; ++i) {
        const WorkingFilter& filter = filters[static_cast<std::size_t>(i)];
        if (filter.nStatus == 0) {
            continue;
        }
        mix(filter.sHtml.data(), filter.sHtml.size());
        mix(filter.sType.data(), filter.sType.size());
        mix(filter.sName.data(), filter.sName.size());
        mix(&filter.tLastHit, sizeof filter.tLastHit);
        mix(&filter.nHint, sizeof filter.nHint);
    }
    if (hash == savedHits_) {
        return;
    }
    if (Store().SaveHits(filters.data(), count) == 1) {
        savedHits_ = hash;
    }
}

}  // namespace qm
