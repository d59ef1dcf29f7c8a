#include "browser/cdp/devtools_link.h"

#include <utility>

#include "browser/cdp/cdp_browser.h"
#include "browser/cdp/cdp_hub.h"
#include "browser/cdp/devtools_endpoint.h"
#include "browser/cdp/pointer_script.h"

namespace qm::cdp {

DevToolsLink::DevToolsLink() = default;

DevToolsLink::~DevToolsLink() {
    if (attempt_.joinable()) {
        attempt_.join();
    }
    std::shared_ptr<CdpHub> pending;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        pending = std::move(attemptHub_);
        wakeup_ = nullptr;
    }
    for (const auto& hub : {pending, hub_}) {
        if (hub) {
            hub->SetWakeup(nullptr);
            hub->Stop();
        }
    }
    windows_.SetHub(nullptr);
}

void DevToolsLink::SetTarget(const DevToolsTarget& target) {
    target_ = target;
    if (hub_) {
        hub_->Stop();  // its pages close; RetireIfClosed hands that on
        RetireIfClosed();
    }
    if (!target_.Empty()) {
        StartAttempt();
    }
}

bool DevToolsLink::Connected() const {
    return hub_ != nullptr && hub_->Connection().IsOpen();
}

std::string DevToolsLink::LastError() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return lastError_;
}

void DevToolsLink::Tick() {
    FinishAttempt();
    RetireIfClosed();
    if (hub_) {
        Instrument();
        windows_.Prune();
        return;
    }
    if (!target_.Empty()) {
        StartAttempt();
    }
}

void DevToolsLink::StartAttempt() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (attempt_.joinable() && !attemptDone_) {
            return;  // one attempt at a time
        }
    }
    if (attempt_.joinable()) {
        attempt_.join();
        FinishAttempt();
        if (hub_) {
            return;
        }
    }
    auto hub = std::make_shared<CdpHub>();
    hub->SetBindingHandler([this](std::uint32_t ordinal, const std::string& name,
                                  const std::string& payload) {
        PageMessage message;
        if (name != kPointerBinding || !ParsePageMessage(payload, message)) {
            return;
        }
        std::optional<PageGesture> gesture = windows_.Report(ordinal, message);
        if (!gesture) {
            return;
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            pending_.push_back(*gesture);
        }
        Wake();
    });
    {
        std::lock_guard<std::mutex> lock(mutex_);
        attemptDone_ = false;
        attemptHub_.reset();
    }
    const DevToolsTarget target = target_;
    attempt_ = std::thread([this, hub, target] {
        std::string error;
        DevToolsEndpoint endpoint;
        bool ok = false;
        if (target.port > 0) {
            ok = QueryBrowserEndpoint("127.0.0.1", target.port, endpoint);
            error = ok ? std::string() : "no browser answers on port " + std::to_string(target.port);
        } else {
            ok = ReadDevToolsActivePort(target.profile, endpoint);
            error = ok ? std::string() : "no DevToolsActivePort in " + target.profile;
        }
        ok = ok && hub->Start(endpoint.host, endpoint.port, endpoint.path, kSettleMs, error);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            attemptDone_ = true;
            attemptHub_ = ok ? hub : nullptr;
            lastError_ = ok ? std::string() : error;
        }
        Wake();
    });
}

void DevToolsLink::FinishAttempt() {
    std::shared_ptr<CdpHub> hub;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!attemptDone_) {
            return;
        }
        attemptDone_ = false;
        hub = std::move(attemptHub_);
    }
    if (attempt_.joinable()) {
        attempt_.join();
    }
    if (!hub) {
        return;
    }
    if (hub_ || target_.Empty()) {
        hub->Stop();  // the target changed meanwhile
        return;
    }
    hub_ = std::move(hub);
    instrumented_.clear();
    windows_.SetHub(hub_);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        hub_->SetWakeup(wakeup_);
    }
    Instrument();
    if (changed_) {
        changed_();
    }
}

void DevToolsLink::RetireIfClosed() {
    if (!hub_ || hub_->Connection().IsOpen()) {
        return;
    }
    // Its pages' close events are queued: the next pumps deliver them.
    retired_.push_back(std::move(hub_));
    hub_.reset();
    windows_.SetHub(nullptr);
    instrumented_.clear();
    if (changed_) {
        changed_();
    }
}

void DevToolsLink::Instrument() {
    if (!hub_) {
        return;
    }
    for (const auto& page : hub_->LivePages()) {
        const std::string session = page->Session();
        if (page->Gone() || session.empty() || !instrumented_.insert(page->Ordinal()).second) {
            continue;
        }
        // Binding calls are reported once the runtime domain is on. The
        // binding first, in every world of our name (also later ones), then
        // the observer for this document and every later one.
        hub_->Connection().Post("Runtime.enable", Json::object(), session, nullptr);
        hub_->Connection().Post(
            "Runtime.addBinding",
            Json{{"name", kPointerBinding}, {"executionContextName", "quillmoor"}}, session,
            nullptr);
        hub_->Connection().Post("Page.addScriptToEvaluateOnNewDocument",
                                Json{{"source", kPointerScript},
                                     {"worldName", "quillmoor"},
                                     {"runImmediately", true}},
                                session, nullptr);
    }
}

void DevToolsLink::Wake() {
    std::function<void()> wakeup;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        wakeup = wakeup_;
    }
    if (wakeup) {
        wakeup();
    }
}

std::unique_ptr<ShellWindows> DevToolsLink::ConnectShellWindows() {
    if (!hub_) {
        return nullptr;
    }
    return std::make_unique<CdpShellWindows>(hub_);
}

int DevToolsLink::Pump() {
    FinishAttempt();
    RetireIfClosed();
    // The gestures first: a press reaches the core before the window that
    // its click opens (both may wait for the same pump), so the popup rules
    // see the click.
    std::vector<PageGesture> gestures;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        gestures.swap(pending_);
    }
    for (const PageGesture& gesture : gestures) {
        if (gestures_) {
            gestures_(gesture);
        }
    }
    int delivered = static_cast<int>(gestures.size());
    for (const auto& hub : retired_) {
        delivered += hub->Pump();
    }
    retired_.clear();  // closed: nothing more comes from them
    if (hub_) {
        Instrument();
        delivered += hub_->Pump();
    }
    return delivered;
}

void DevToolsLink::SetWakeup(std::function<void()> wakeup) {
    std::lock_guard<std::mutex> lock(mutex_);
    wakeup_ = wakeup;
    if (hub_) {
        hub_->SetWakeup(std::move(wakeup));
    }
}

}  // namespace qm::cdp
