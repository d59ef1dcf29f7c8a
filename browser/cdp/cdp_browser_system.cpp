#include "browser/cdp/cdp_browser_system.h"

#include "browser/cdp/cdp_browser.h"
#include "browser/cdp/cdp_desktop.h"
#include "browser/cdp/cdp_hub.h"

namespace qm::cdp {

namespace {
constexpr int kSettleMs = 5000;
}

CdpBrowserSystem::CdpBrowserSystem()
    : hub_(std::make_shared<CdpHub>()), desktop_(std::make_unique<CdpDesktop>(hub_)) {}

CdpBrowserSystem::~CdpBrowserSystem() {
    Disconnect();
}

bool CdpBrowserSystem::ConnectUserDataDirectory(const std::string& directory, std::string& error) {
    DevToolsEndpoint endpoint;
    if (!ReadDevToolsActivePort(directory, endpoint)) {
        error = "no DevToolsActivePort file in " + directory;
        return false;
    }
    return Connect(endpoint, error);
}

bool CdpBrowserSystem::ConnectPort(int port, std::string& error) {
    DevToolsEndpoint endpoint;
    if (!QueryBrowserEndpoint("127.0.0.1", port, endpoint)) {
        error = "no DevTools answer on port " + std::to_string(port);
        return false;
    }
    return Connect(endpoint, error);
}

bool CdpBrowserSystem::Connect(const DevToolsEndpoint& endpoint, std::string& error) {
    if (Connected()) {
        error = "already connected";
        return false;
    }
    return hub_->Start(endpoint.host, endpoint.port, endpoint.path, kSettleMs, error);
}

void CdpBrowserSystem::Disconnect() {
    hub_->Stop();
}

bool CdpBrowserSystem::Connected() const {
    return hub_->Connection().IsOpen();
}

std::unique_ptr<ShellWindows> CdpBrowserSystem::ConnectShellWindows() {
    if (!Connected()) {
        return nullptr;
    }
    return std::make_unique<CdpShellWindows>(hub_);
}

int CdpBrowserSystem::Pump() {
    return hub_->Pump();
}

bool CdpBrowserSystem::WaitForEvents(int timeoutMs) {
    return hub_->WaitForEvents(timeoutMs);
}

void CdpBrowserSystem::SetWakeup(std::function<void()> wakeup) {
    hub_->SetWakeup(std::move(wakeup));
}

bool CdpBrowserSystem::WaitUntilSettled(int timeoutMs) {
    return hub_->WaitUntilSettled(timeoutMs);
}

WindowServices& CdpBrowserSystem::Desktop() {
    return *desktop_;
}

void CdpBrowserSystem::SetForeground(WindowHandle window) {
    for (const auto& page : hub_->LivePages()) {
        if (page->TopWindow() == window || page->PageWindow() == window) {
            hub_->SetForeground(page->Ordinal());
        }
    }
}

std::uint64_t CdpBrowserSystem::RoundTrips() const {
    return hub_->Connection().RoundTrips();
}

CdpConnection& CdpBrowserSystem::Connection() {
    return hub_->Connection();
}

}  // namespace qm::cdp
