// SimShellWindows and SimBrowserSystem: the shell's window collection.
#include "testing/sim/sim_browser.h"

namespace qm::sim {

namespace {

// What ConnectShellWindows hands out: a connection to the shared collection.
class ShellConnection : public ShellWindows {
public:
    explicit ShellConnection(std::shared_ptr<SimShellWindows> shell) : shell_(std::move(shell)) {}
    bool Count(int& out) override { return shell_->Count(out); }
    BrowserPtr Item(int index) override { return shell_->Item(index); }
    bool Advise(std::shared_ptr<BrowserEventSink> sink, std::uint32_t& cookie) override {
        return shell_->Advise(std::move(sink), cookie);
    }
    void Unadvise(std::uint32_t cookie) override { shell_->Unadvise(cookie); }

private:
    std::shared_ptr<SimShellWindows> shell_;
};

}  // namespace

// ---- SimShellWindows

bool SimShellWindows::Fail() const {
    return InjectFault(faults_, FaultSite::kShell);
}

bool SimShellWindows::Count(int& out) {
    if (Fail()) {
        return false;
    }
    out = static_cast<int>(items_.size());
    return true;
}

BrowserPtr SimShellWindows::Item(int index) {
    if (Fail() || index < 0 || static_cast<std::size_t>(index) >= items_.size()) {
        return nullptr;
    }
    return items_[static_cast<std::size_t>(index)].browser;
}

bool SimShellWindows::Advise(std::shared_ptr<BrowserEventSink> sink, std::uint32_t& cookie) {
    if (Fail() || !sink) {
        return false;
    }
    cookie = sinks_.Add(std::move(sink));
    return true;
}

void SimShellWindows::Unadvise(std::uint32_t cookie) {
    sinks_.Remove(cookie);
}

long SimShellWindows::Register(const SimBrowserPtr& browser) {
    const long cookie = nextCookie_++;
    items_.push_back({cookie, browser});
    browser->AttachShell(weak_from_this(), cookie);
    sinks_.Fire(kEventWindowRegistered, cookie);
    return cookie;
}

long SimShellWindows::AddNonBrowser() {
    const long cookie = nextCookie_++;
    items_.push_back({cookie, nullptr});
    return cookie;
}

bool SimShellWindows::Revoke(long cookie) {
    for (auto it = items_.begin(); it != items_.end(); ++it) {
        if (it->cookie == cookie) {
            items_.erase(it);
            sinks_.Fire(kEventWindowRevoked, cookie);
            return true;
        }
    }
    return false;
}

std::vector<SimBrowserPtr> SimShellWindows::Browsers() const {
    std::vector<SimBrowserPtr> out;
    for (const Entry& e : items_) {
        if (e.browser) {
            out.push_back(e.browser);
        }
    }
    return out;
}

// ---- SimBrowserSystem

SimBrowserSystem::SimBrowserSystem(SimDesktop* desktop, FaultInjectorPtr faults)
    : desktop_(desktop), faults_(faults), shell_(std::make_shared<SimShellWindows>(faults)) {}

std::unique_ptr<ShellWindows> SimBrowserSystem::ConnectShellWindows() {
    if (connectFails_) {
        return nullptr;
    }
    return std::make_unique<ShellConnection>(shell_);
}

SimBrowserPtr SimBrowserSystem::Register(SimBrowserPtr browser, const std::string& url,
                                         const std::string& html, const std::string& title) {
    shell_->Register(browser);
    if (!url.empty() || !html.empty()) {
        browser->Navigate(url, html, title);
    }
    return browser;
}

SimBrowserPtr SimBrowserSystem::OpenBrowser(const Rect& screen, const std::string& url,
                                            const std::string& html, const std::string& title) {
    if (!desktop_) {
        return nullptr;
    }
    const BrowserWindowPair pair = desktop_->CreateBrowserWindows(screen);
    auto browser = std::make_shared<SimBrowser>(pair.top, pair.page, faults_);
    browser->AttachDesktop(desktop_);
    return Register(std::move(browser), url, html, title);
}

SimBrowserPtr SimBrowserSystem::OpenFolderBrowser(const Rect& screen) {
    if (!desktop_) {
        return nullptr;
    }
    const WindowHandle top = desktop_->AddWindow(0, "CabinetWClass", screen, true);
    Rect client;
    desktop_->ClientScreenRect(top, client);
    desktop_->AddWindow(top, "SHELLDLL_DefView", client);
    auto browser = std::make_shared<SimBrowser>(top, 0, faults_);
    browser->AttachDesktop(desktop_);
    return Register(std::move(browser), std::string(), std::string(), std::string());
}

SimBrowserPtr SimBrowserSystem::AddBrowser(WindowHandle top, WindowHandle page,
                                           const std::string& url, const std::string& html,
                                           const std::string& title) {
    auto browser = std::make_shared<SimBrowser>(top, page, faults_);
    if (desktop_ && desktop_->IsWindow(top)) {
        browser->AttachDesktop(desktop_);
    }
    return Register(std::move(browser), url, html, title);
}

SimBrowserPtr SimBrowserSystem::OpenWindow(SimBrowser& opener, const OpenWindowOptions& options) {
    opener.FireEvent(kEventNewWindow, 0);
    SimBrowserPtr browser;
    if (options.top != 0) {
        browser = std::make_shared<SimBrowser>(options.top, options.page, faults_);
    } else if (desktop_) {
        const BrowserWindowPair pair = desktop_->CreateBrowserWindows(options.screen);
        browser = std::make_shared<SimBrowser>(pair.top, pair.page, faults_);
        browser->AttachDesktop(desktop_);
    } else {
        return nullptr;
    }
    if (options.popupStyle) {
        browser->SetPopupStyle();
    }
    return Register(std::move(browser), options.url, options.html, options.title);
}

}  // namespace qm::sim
