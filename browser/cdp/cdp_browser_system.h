// The Chromium DevTools backend of the browser port: Chromium, Chrome or Edge
// started with a remote-debugging port, reached over its WebSocket endpoint.
//
// Events: the network thread only queues them. The owner (the user-interface
// thread) delivers them with Pump(), which calls the connected sinks in
// arrival order; set a wake-up with SetWakeup to learn when to pump (it runs on
// the network thread and must only post a message, e.g. a tracker wake-up to
// the bin window). No sink is ever called from inside another port call.
// Every other call of this backend is made on the owner's thread.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "browser/browser_port.h"
#include "browser/cdp/devtools_endpoint.h"
#include "platform/window_services.h"

namespace qm::cdp {

class CdpHub;
class CdpConnection;

class CdpBrowserSystem : public BrowserSystem {
public:
    CdpBrowserSystem();
    ~CdpBrowserSystem() override;

    // Connects to the browser whose user data directory is given (through its
    // DevToolsActivePort file), to a port on this machine (through
    // /json/version), or to a known endpoint. Waits until the pages that are
    // already open are attached.
    bool ConnectUserDataDirectory(const std::string& directory, std::string& error);
    bool ConnectPort(int port, std::string& error);
    bool Connect(const DevToolsEndpoint& endpoint, std::string& error);
    void Disconnect();
    bool Connected() const;

    // Null until connected.
    std::unique_ptr<ShellWindows> ConnectShellWindows() override;

    // Owner's thread: delivers the queued events; returns how many.
    int Pump() override;
    // Blocks until an event is queued (true) or timeoutMs passes (false).
    bool WaitForEvents(int timeoutMs);
    void SetWakeup(std::function<void()> wakeup) override;
    // Waits until no page is being attached.
    bool WaitUntilSettled(int timeoutMs);

    // The windows of the pages (synthetic handles, see CdpDesktop).
    WindowServices& Desktop();
    void SetForeground(WindowHandle window);

    // Protocol commands made from the owner's thread so far.
    std::uint64_t RoundTrips() const;
    CdpConnection& Connection();

private:
    std::shared_ptr<CdpHub> hub_;
    std::unique_ptr<WindowServices> desktop_;
};

}  // namespace qm::cdp
