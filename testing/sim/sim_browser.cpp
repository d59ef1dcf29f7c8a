// SimBrowser: a browser window driven by tests.
#include "testing/sim/sim_browser.h"

#include "testing/sim/sim_desktop.h"

namespace qm::sim {

std::uint32_t SinkList::Add(std::shared_ptr<BrowserEventSink> sink) {
    const std::uint32_t cookie = nextCookie_++;
    sinks_.emplace_back(cookie, std::move(sink));
    return cookie;
}

bool SinkList::Remove(std::uint32_t cookie) {
    for (auto it = sinks_.begin(); it != sinks_.end(); ++it) {
        if (it->first == cookie) {
            sinks_.erase(it);
            return true;
        }
    }
    return false;
}

void SinkList::Fire(int code, long param) const {
    const auto copy = sinks_;
    for (const auto& entry : copy) {
        entry.second->OnBrowserEvent(code, param);
    }
}

SimBrowser::SimBrowser(WindowHandle top, WindowHandle page, FaultInjectorPtr faults)
    : top_(top), page_(page), faults_(std::move(faults)) {}

bool SimBrowser::Fail() const {
    return InjectFault(faults_, FaultSite::kBrowser);
}

std::uintptr_t SimBrowser::Identity() const {
    return reinterpret_cast<std::uintptr_t>(this);
}

bool SimBrowser::Hwnd(WindowHandle& out) {
    if (Fail() || closed_) {
        return false;
    }
    out = top_;
    return true;
}

DocumentPtr SimBrowser::GetDocument() {
    if (Fail() || closed_) {
        return nullptr;
    }
    return document_;
}

bool SimBrowser::PageWindow(WindowHandle& out) {
    if (Fail() || closed_) {
        return false;
    }
    if (desktop_ == nullptr) {
        out = page_;
        return page_ != 0;
    }
    for (WindowHandle child : desktop_->Descendants(top_)) {
        if (desktop_->ClassName(child) == kSimPageWindowClass) {
            out = child;
            return true;
        }
    }
    return false;
}

bool SimBrowser::IsPopupStyle(bool& out) {
    int toolBar = 1;
    bool menuBar = true;
    if (!ToolBar(toolBar) || !MenuBar(menuBar)) {
        return false;
    }
    out = toolBar == 0 && !menuBar;
    return true;
}

bool SimBrowser::ToolBar(int& out) {
    if (Fail() || closed_) {
        return false;
    }
    out = toolBar_;
    return true;
}

bool SimBrowser::MenuBar(bool& out) {
    if (Fail() || closed_) {
        return false;
    }
    out = menuBar_;
    return true;
}

bool SimBrowser::Quit() {
    if (Fail() || closed_) {
        return false;
    }
    ++quitCalls_;
    Close();
    return true;
}

bool SimBrowser::Advise(std::shared_ptr<BrowserEventSink> sink, std::uint32_t& cookie) {
    if (Fail() || closed_ || !sink) {
        return false;
    }
    cookie = sinks_.Add(std::move(sink));
    return true;
}

void SimBrowser::Unadvise(std::uint32_t cookie) {
    sinks_.Remove(cookie);
}

SimDocumentPtr SimBrowser::Navigate(const std::string& url, const std::string& html,
                                    const std::string& title, int frames) {
    if (closed_) {
        return nullptr;
    }
    // A sink may close the window during delivery: the load stops there.
    sinks_.Fire(kEventBeforeNavigate, 0);
    if (closed_) {
        return nullptr;
    }
    auto document = std::make_shared<SimDocument>(url, html, title, faults_);
    SetDocument(document);
    sinks_.Fire(kEventNavigateComplete, 0);
    for (int i = 0; i <= frames && !closed_; ++i) {
        sinks_.Fire(kEventDocumentComplete, 0);  // each frame, then the page
    }
    return document;
}

void SimBrowser::BeginNavigate() {
    if (!closed_) {
        sinks_.Fire(kEventBeforeNavigate, 0);
    }
}

void SimBrowser::FireDocumentComplete() {
    if (!closed_) {
        sinks_.Fire(kEventDocumentComplete, 0);
    }
}

void SimBrowser::FireEvent(int code, long param) {
    sinks_.Fire(code, param);
}

void SimBrowser::SetDocument(SimDocumentPtr document) {
    document_ = std::move(document);
    if (document_ && desktop_) {
        Rect client;
        if (desktop_->ClientRect(page_, client)) {
            document_->SetViewSize(client.Width(), client.Height());
        }
    }
}

void SimBrowser::Close() {
    if (closed_) {
        return;
    }
    closed_ = true;
    sinks_.Fire(kEventQuit, 0);
    if (desktop_) {
        desktop_->DestroyWindow(top_);
    }
    if (onClosed_) {
        auto callback = std::move(onClosed_);
        onClosed_ = nullptr;
        callback();
    }
    if (auto shell = shell_.lock()) {
        shell->Revoke(shellCookie_);
    }
}

void SimBrowser::SetBars(int toolBar, bool menuBar) {
    toolBar_ = toolBar;
    menuBar_ = menuBar;
}

void SimBrowser::SetFaults(FaultInjectorPtr faults) {
    faults_ = faults;
    if (document_) {
        document_->SetFaults(std::move(faults));
    }
}

void SimBrowser::AttachShell(std::weak_ptr<SimShellWindows> shell, long cookie) {
    shell_ = std::move(shell);
    shellCookie_ = cookie;
}

}  // namespace qm::sim
