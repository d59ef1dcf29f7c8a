#include "browser/cdp/cdp_hub.h"

#include <algorithm>
#include <chrono>

namespace qm::cdp {

std::string JsonText(const Json& object, const char* key) {
    if (!object.is_object()) {
        return std::string();
    }
    auto it = object.find(key);
    return it != object.end() && it->is_string() ? it->get<std::string>() : std::string();
}

CdpHub::CdpHub() {
    connection_.SetEventHandler(
        [this](const std::string& method, const Json& params, const std::string& session) {
            OnEvent(method, params, session);
        });
    connection_.SetClosedHandler([this] {
        // Every page goes with the connection.
        std::vector<std::string> targets;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            for (const auto& [id, page] : byTarget_) {
                targets.push_back(id);
            }
        }
        for (const std::string& id : targets) {
            OnTargetGone(id);
        }
    });
}

CdpHub::~CdpHub() {
    Stop();
}

bool CdpHub::Start(const std::string& host, int port, const std::string& path, int settleMs,
                   std::string& error) {
    if (!connection_.Open(host, port, path, error)) {
        return false;
    }
    // Every window, those already open too, is attached by the browser itself,
    // and a new one waits for us before it runs any script: the popup rules
    // see every window.open. A browser without it gets each page attached
    // when discovery announces it.
    CdpAnswer autoAttach = connection_.Call(
        "Target.setAutoAttach",
        Json{{"autoAttach", true}, {"waitForDebuggerOnStart", true}, {"flatten", true}});
    {
        std::lock_guard<std::mutex> lock(mutex_);
        autoAttach_ = autoAttach.ok;
    }
    CdpAnswer discover = connection_.Call("Target.setDiscoverTargets", Json{{"discover", true}});
    if (!discover.ok) {
        error = "target discovery refused: " + discover.error;
        connection_.Close();
        return false;
    }
    WaitUntilSettled(settleMs);
    return true;
}

void CdpHub::Stop() {
    connection_.Close();
}

void CdpHub::OnEvent(const std::string& method, const Json& params, const std::string& session) {
    if (method == "Target.targetCreated") {
        OnTargetCreated(params.value("targetInfo", Json::object()));
        return;
    }
    if (method == "Target.attachedToTarget") {
        if (session.empty()) {
            OnAutoAttached(params);
        }
        return;
    }
    if (method == "Target.targetDestroyed") {
        OnTargetGone(JsonText(params, "targetId"));
        return;
    }
    if (method == "Target.detachedFromTarget") {
        // Only the loss of the session we use ends the window (a second
        // session of the same target may be let go).
        std::string target;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            auto it = bySession_.find(JsonText(params, "sessionId"));
            if (it != bySession_.end()) {
                target = it->second->TargetId();
            }
        }
        if (!target.empty()) {
            OnTargetGone(target);
        }
        return;
    }
    if (method == "Runtime.bindingCalled") {
        OnBindingCalled(params, session);
        return;
    }
    if (session.empty()) {
        return;
    }
    std::unique_lock<std::mutex> lock(mutex_);
    auto it = bySession_.find(session);
    if (it == bySession_.end()) {
        return;
    }
    CdpPage& page = *it->second;
    std::shared_ptr<CdpPage> askAddress;
    std::uint64_t forgotten = 0;
    page.NoteSessionEvent(method, params);
    if (method == "Page.frameStartedLoading") {
        if (JsonText(params, "frameId") == page.TargetId()) {
            page.mainLoading = true;
            QueuePageEvent(page.Ordinal(), kEventBeforeNavigate);
        }
    } else if (method == "Page.frameNavigated") {
        const Json frame = params.value("frame", Json::object());
        if (!frame.contains("parentId")) {
            // document.URL of the new document: the frame's address and fragment.
            page.NoteAddress(JsonText(frame, "url") + JsonText(frame, "urlFragment"));
            page.mainLoading = true;  // also when its start came before Page.enable
            page.NoteNewDocument();
            QueuePageEvent(page.Ordinal(), kEventNavigateComplete);
        }
    } else if (method == "Page.frameStoppedLoading") {
        // Once for every frame that finishes, the page's own frame last.
        QueuePageEvent(page.Ordinal(), kEventDocumentComplete);
        if (JsonText(params, "frameId") == page.TargetId()) {
            page.mainLoading = false;
            ReleaseHeld();
        }
    } else if (method == "Page.documentOpened") {
        // document.open() gives the document the address of the document
        // whose script called it, which no event tells: the page is asked,
        // without waiting (until its answer, reading the address asks too).
        const Json frame = params.value("frame", Json::object());
        if (!frame.contains("parentId")) {
            forgotten = page.ForgetAddress();
            askAddress = it->second;
        }
    } else if (method == "Page.navigatedWithinDocument") {
        // A fragment, pushState or replaceState: the document's address changed.
        if (JsonText(params, "frameId") == page.TargetId()) {
            page.NoteAddress(JsonText(params, "url"));
        }
    } else if (method == "Page.windowOpen") {
        if (page.opensAttachedFirst > 0) {
            --page.opensAttachedFirst;  // already reported by the new window
        } else {
            ++page.opensAnnounced;
            QueuePageEvent(page.Ordinal(), kEventNewWindow);
        }
    }
    lock.unlock();
    if (askAddress) {
        EvaluateInOwnWorld(askAddress, "document.URL", [askAddress, forgotten](const Json& value) {
            if (value.is_string()) {
                askAddress->NoteAskedAddress(forgotten, value.get<std::string>());
            }
        });
    }
}

void CdpHub::Queue(std::uint32_t ordinal, int code, long param) {
    const bool wasEmpty = queue_.empty();
    queue_.push_back(QueuedEvent{ordinal, code, param});
    changed_.notify_all();
    if (wasEmpty && wakeup_) {
        wakeup_();
    }
}

void CdpHub::QueuePageEvent(std::uint32_t ordinal, int code) {
    auto listened = listened_.find(ordinal);
    if (listened != listened_.end() && listened->second > 0) {
        Queue(ordinal, code, 0);
        return;
    }
    // Nobody follows this page yet: keep what it did until someone does.
    std::deque<int>& backlog = backlog_[ordinal];
    backlog.push_back(code);
    if (backlog.size() > kMaxBacklog) {
        backlog.pop_front();
    }
}

std::vector<std::shared_ptr<CdpPage>> CdpHub::LivePages() {
    std::lock_guard<std::mutex> lock(mutex_);
    ReleaseHeld();
    return live_;
}

std::shared_ptr<CdpPage> CdpHub::PageByOrdinal(std::uint32_t ordinal) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& page : live_) {
        if (page->Ordinal() == ordinal) {
            return page;
        }
    }
    return nullptr;
}

std::shared_ptr<CdpPage> CdpHub::PageByTarget(const std::string& targetId) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& page : live_) {
        if (page->TargetId() == targetId) {
            return page;
        }
    }
    return nullptr;
}

std::uint32_t CdpHub::AddSink(std::uint32_t ordinal, std::shared_ptr<BrowserEventSink> sink) {
    const std::uint32_t cookie = nextCookie_++;
    sinks_[cookie] = SinkEntry{ordinal, std::move(sink)};
    if (ordinal != 0) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (++listened_[ordinal] == 1) {
            // What the page did before its first sink arrives with the next Pump.
            auto backlog = backlog_.find(ordinal);
            if (backlog != backlog_.end()) {
                for (int code : backlog->second) {
                    Queue(ordinal, code, 0);
                }
                backlog_.erase(backlog);
            }
            ReleaseHeld();
        }
    }
    return cookie;
}

void CdpHub::RemoveSink(std::uint32_t cookie) {
    auto it = sinks_.find(cookie);
    if (it == sinks_.end()) {
        return;
    }
    const std::uint32_t ordinal = it->second.ordinal;
    sinks_.erase(it);
    if (ordinal != 0) {
        std::lock_guard<std::mutex> lock(mutex_);
        auto listened = listened_.find(ordinal);
        if (listened != listened_.end() && --listened->second <= 0) {
            listened_.erase(listened);
        }
    }
}

int CdpHub::Pump() {
    if (pumping_) {
        return 0;  // a sink pumping again would break the arrival order
    }
    std::deque<QueuedEvent> events;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ReleaseHeld();
        events.swap(queue_);
    }
    pumping_ = true;
    int delivered = 0;
    for (const QueuedEvent& event : events) {
        if (event.ordinal == 0 && event.code == kEventWindowRegistered) {
            Admit(static_cast<std::uint32_t>(event.param));
        }
        std::vector<std::shared_ptr<BrowserEventSink>> receivers;
        for (const auto& [cookie, entry] : sinks_) {
            if (entry.ordinal == event.ordinal) {
                receivers.push_back(entry.sink);
            }
        }
        for (const auto& sink : receivers) {
            sink->OnBrowserEvent(event.code, event.param);
        }
        ++delivered;
    }
    pumping_ = false;
    return delivered;
}

void CdpHub::Admit(std::uint32_t ordinal) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto it = admitting_.begin(); it != admitting_.end(); ++it) {
        if ((*it)->Ordinal() == ordinal) {
            if (!(*it)->Gone()) {
                live_.push_back(*it);
            }
            admitting_.erase(it);
            return;
        }
    }
}

bool CdpHub::WaitForEvents(int timeoutMs) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [this] { return !queue_.empty(); });
}

void CdpHub::SetWakeup(std::function<void()> wakeup) {
    std::lock_guard<std::mutex> lock(mutex_);
    wakeup_ = std::move(wakeup);
}

bool CdpHub::WaitUntilSettled(int timeoutMs) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [this] { return attaching_ <= 0; });
}

void CdpHub::SetForeground(std::uint32_t ordinal) {
    std::lock_guard<std::mutex> lock(mutex_);
    foreground_ = ordinal;
}

std::uint32_t CdpHub::ForegroundOrdinal() {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& page : live_) {
        if (page->Ordinal() == foreground_) {
            return foreground_;
        }
    }
    return live_.empty() ? 0 : live_.back()->Ordinal();
}

}  // namespace qm::cdp
