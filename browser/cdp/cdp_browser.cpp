#include "browser/cdp/cdp_browser.h"

#include "browser/cdp/cdp_dom.h"

namespace qm::cdp {

CdpBrowser::CdpBrowser(std::shared_ptr<CdpHub> hub, std::shared_ptr<CdpPage> page)
    : hub_(std::move(hub)), page_(std::move(page)) {}

std::uintptr_t CdpBrowser::Identity() const {
    return page_->Ordinal();
}

bool CdpBrowser::Hwnd(WindowHandle& out) {
    if (page_->Gone()) {
        return false;
    }
    out = page_->TopWindow();
    return true;
}

DocumentPtr CdpBrowser::GetDocument() {
    if (page_->Gone() || !page_->Ready()) {
        return nullptr;
    }
    return std::make_shared<CdpDocument>(page_);
}

bool CdpBrowser::Bars(int& toolBar, int& menuBar) {
    // Read before the window was reported (cdp_hub_attach.cpp); a window
    // whose bars could not be read then counts as a normal window, and the
    // page is not asked again on the caller's thread.
    return page_->CachedBars(toolBar, menuBar);
}

bool CdpBrowser::PageWindow(WindowHandle& out) {
    if (page_->Gone()) {
        return false;
    }
    out = page_->PageWindow();
    return true;
}

bool CdpBrowser::IsPopupStyle(bool& out) {
    int tool = 0;
    int menu = 0;
    if (!Bars(tool, menu)) {
        return false;
    }
    out = tool == 0 && menu == 0;
    return true;
}

bool CdpBrowser::Quit() {
    if (page_->Gone()) {
        return false;
    }
    // Not awaited: closing many windows at once (a page that opens dozens)
    // must not hold the caller. The window is on its way out: later calls
    // fail at once rather than wait for a page that no longer answers,
    // unless the browser refuses to close it.
    page_->MarkClosing();
    const bool sent = hub_->Connection().Post(
        "Target.closeTarget", Json{{"targetId", page_->TargetId()}}, std::string(),
        [page = page_](CdpAnswer answer) {
            auto success = answer.result.find("success");
            const bool closed = answer.ok && (success == answer.result.end() ||
                                              !success->is_boolean() || success->get<bool>());
            if (!closed) {
                page->MarkClosing(false);
            }
        });
    if (!sent) {
        page_->MarkClosing(false);
    }
    return sent;
}

bool CdpBrowser::Advise(std::shared_ptr<BrowserEventSink> sink, std::uint32_t& cookie) {
    if (!sink || page_->Gone()) {
        return false;
    }
    cookie = hub_->AddSink(page_->Ordinal(), std::move(sink));
    return true;
}

void CdpBrowser::Unadvise(std::uint32_t cookie) {
    hub_->RemoveSink(cookie);
}

CdpShellWindows::CdpShellWindows(std::shared_ptr<CdpHub> hub) : hub_(std::move(hub)) {}

bool CdpShellWindows::Count(int& out) {
    if (!hub_->Connection().IsOpen()) {
        return false;
    }
    out = static_cast<int>(hub_->LivePages().size());
    return true;
}

BrowserPtr CdpShellWindows::Item(int index) {
    const auto pages = hub_->LivePages();
    if (index < 0 || static_cast<std::size_t>(index) >= pages.size()) {
        return nullptr;
    }
    const std::shared_ptr<CdpPage>& page = pages[static_cast<std::size_t>(index)];
    std::weak_ptr<CdpBrowser>& slot = handedOut_[page->Ordinal()];
    std::shared_ptr<CdpBrowser> browser = slot.lock();
    if (!browser) {
        browser = std::make_shared<CdpBrowser>(hub_, page);
        slot = browser;
    }
    for (auto it = handedOut_.begin(); it != handedOut_.end();) {
        it = it->second.expired() ? handedOut_.erase(it) : std::next(it);
    }
    return browser;
}

bool CdpShellWindows::Advise(std::shared_ptr<BrowserEventSink> sink, std::uint32_t& cookie) {
    if (!sink) {
        return false;
    }
    cookie = hub_->AddSink(0, std::move(sink));
    return true;
}

void CdpShellWindows::Unadvise(std::uint32_t cookie) {
    hub_->RemoveSink(cookie);
}

}  // namespace qm::cdp
