#include "browser/cdp/cdp_hub.h"

#include <algorithm>
#include <chrono>

namespace qm::cdp {

namespace {

std::string Text(const Json& object, const char* key) {
    if (!object.is_object()) {
        return std::string();
    }
    auto it = object.find(key);
    return it != object.end() && it->is_string() ? it->get<std::string>() : std::string();
}

}  // namespace

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
        OnTargetGone(Text(params, "targetId"));
        return;
    }
    if (method == "Target.detachedFromTarget") {
        // Only the loss of the session we use ends the window (a second
        // session of the same target may be let go).
        std::string target;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            auto it = bySession_.find(Text(params, "sessionId"));
            if (it != bySession_.end()) {
                target = it->second->TargetId();
            }
        }
        if (!target.empty()) {
            OnTargetGone(target);
        }
        return;
    }
    if (session.empty()) {
        return;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = bySession_.find(session);
    if (it == bySession_.end()) {
        return;
    }
    CdpPage& page = *it->second;
    if (method == "Page.frameStartedLoading") {
        if (Text(params, "frameId") == page.TargetId()) {
            page.mainLoading = true;
            QueuePageEvent(page.Ordinal(), kEventBeforeNavigate);
        }
    } else if (method == "Page.frameNavigated") {
        const Json frame = params.value("frame", Json::object());
        if (!frame.contains("parentId")) {
            page.mainLoading = true;  // also when its start came before Page.enable
            page.NoteNewDocument();
            QueuePageEvent(page.Ordinal(), kEventNavigateComplete);
        }
    } else if (method == "Page.frameStoppedLoading") {
        // Once for every frame that finishes, the page's own frame last.
        QueuePageEvent(page.Ordinal(), kEventDocumentComplete);
        if (Text(params, "frameId") == page.TargetId()) {
            page.mainLoading = false;
            ReleaseHeld();
        }
    } else if (method == "Page.windowOpen") {
        if (page.opensAttachedFirst > 0) {
            --page.opensAttachedFirst;  // already reported by the new window
        } else {
            ++page.opensAnnounced;
            QueuePageEvent(page.Ordinal(), kEventNewWindow);
        }
    }
}

void CdpHub::OnTargetCreated(const Json& info) {
    if (Text(info, "type") != "page") {
        return;
    }
    const std::string targetId = Text(info, "targetId");
    std::shared_ptr<CdpPage> page;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (autoAttach_ || targetId.empty() || byTarget_.count(targetId) != 0) {
            return;  // attached by the browser, or already ours
        }
        page = MakePage(targetId);
        byTarget_[targetId] = page;
        ++attaching_;
    }
    Attach(page);
}

std::shared_ptr<CdpPage> CdpHub::MakePage(const std::string& targetId) {
    auto page = std::make_shared<CdpPage>(connection_, targetId, nextOrdinal_++);
    const std::uint32_t ordinal = page->Ordinal();
    page->SetRecovered([this, ordinal] {
        // Its completion ran while it did not answer: report it once more.
        std::lock_guard<std::mutex> lock(mutex_);
        for (const auto& live : live_) {
            if (live->Ordinal() == ordinal) {
                QueuePageEvent(ordinal, kEventDocumentComplete);
                return;
            }
        }
    });
    return page;
}

void CdpHub::Attach(const std::shared_ptr<CdpPage>& page) {
    const bool sent = connection_.Post(
        "Target.attachToTarget", Json{{"targetId", page->TargetId()}, {"flatten", true}},
        std::string(), [this, page](CdpAnswer answer) {
            OnAttachedSession(page, answer.ok ? Text(answer.result, "sessionId") : std::string(),
                              false);
        });
    if (!sent) {
        std::lock_guard<std::mutex> lock(mutex_);
        FinishAttach();
    }
}

void CdpHub::OnAutoAttached(const Json& params) {
    const Json info = params.value("targetInfo", Json::object());
    const std::string session = Text(params, "sessionId");
    const std::string targetId = Text(info, "targetId");
    const bool waiting = params.value("waitingForDebugger", false);
    if (session.empty()) {
        return;
    }
    std::shared_ptr<CdpPage> page;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (Text(info, "type") == "page" && !targetId.empty() && byTarget_.count(targetId) == 0) {
            page = MakePage(targetId);
            page->opener = Text(info, "openerId");
            // The opener's window.open may have run before it was attached:
            // the new window tells who opened it.
            auto opener = page->opener.empty() ? byTarget_.end() : byTarget_.find(page->opener);
            if (opener != byTarget_.end()) {
                if (opener->second->opensAnnounced > 0) {
                    --opener->second->opensAnnounced;
                } else {
                    ++opener->second->opensAttachedFirst;
                    QueuePageEvent(opener->second->Ordinal(), kEventNewWindow);
                }
            }
            // Held before its first document: loading until its main frame
            // first stops (its navigation may commit before Page.enable).
            page->mainLoading = waiting;
            byTarget_[targetId] = page;
            ++attaching_;
        }
    }
    if (!page) {
        // Not a window of ours (a worker, or a page we already follow): let
        // it run and let it go.
        if (waiting) {
            connection_.Post("Runtime.runIfWaitingForDebugger", Json::object(), session, nullptr);
        }
        connection_.Post("Target.detachFromTarget", Json{{"sessionId", session}}, std::string(),
                         nullptr);
        return;
    }
    OnAttachedSession(page, session, waiting);
}

void CdpHub::OnAttachedSession(const std::shared_ptr<CdpPage>& page, const std::string& session,
                               bool waiting) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (session.empty() || page->Gone()) {
            FinishAttach();
            return;
        }
        page->SetSession(session);
        bySession_[session] = page;
    }
    const bool sent = connection_.Post(
        "Page.enable", Json::object(), session,
        [this, page, waiting](CdpAnswer enabled) {
            if (!enabled.ok) {
                std::lock_guard<std::mutex> lock(mutex_);
                FinishAttach();
                return;
            }
            Enabled(page, waiting);
        });
    if (!sent) {
        std::lock_guard<std::mutex> lock(mutex_);
        FinishAttach();
    }
}

void CdpHub::Enabled(const std::shared_ptr<CdpPage>& page, bool waiting) {
    if (waiting) {
        connection_.Post("Runtime.runIfWaitingForDebugger", Json::object(), page->Session(),
                         nullptr);
    }
    std::lock_guard<std::mutex> lock(mutex_);
    if (!page->Gone()) {
        page->MarkReady();
        auto opener = page->opener.empty() ? byTarget_.end() : byTarget_.find(page->opener);
        if (opener != byTarget_.end() && opener->second->mainLoading) {
            held_.push_back(
                Held{page, std::chrono::steady_clock::now() + std::chrono::milliseconds(kMaxHoldMs)});
        } else {
            live_.push_back(page);
            Queue(0, kEventWindowRegistered, static_cast<long>(page->Ordinal()));
        }
    }
    FinishAttach();
}

void CdpHub::ReleaseHeld() {
    if (held_.empty()) {
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    for (auto it = held_.begin(); it != held_.end();) {
        const std::shared_ptr<CdpPage> page = it->page;
        auto opener = byTarget_.find(page->opener);
        bool release = page->Gone() || opener == byTarget_.end() || now >= it->until;
        if (!release && !opener->second->mainLoading) {
            // Its opener's completion must be queued for a sink before the new
            // window is reported.
            auto listened = listened_.find(opener->second->Ordinal());
            release = listened != listened_.end() && listened->second > 0;
        }
        if (!release) {
            ++it;
            continue;
        }
        it = held_.erase(it);
        if (!page->Gone()) {
            // It joins the windows when its registration is delivered, after
            // the opener's events queued before it: a rescan running now
            // must not find it yet.
            admitting_.push_back(page);
            Queue(0, kEventWindowRegistered, static_cast<long>(page->Ordinal()));
        }
    }
}

void CdpHub::FinishAttach() {
    --attaching_;
    changed_.notify_all();
}

void CdpHub::OnTargetGone(const std::string& targetId) {
    std::string session;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        session = ForgetTarget(targetId);
    }
    // Calls still waiting on the page fail now instead of at their time-out.
    connection_.FailSession(session);
}

std::string CdpHub::ForgetTarget(const std::string& targetId) {
    auto it = byTarget_.find(targetId);
    if (it == byTarget_.end()) {
        return std::string();
    }
    std::shared_ptr<CdpPage> page = it->second;
    byTarget_.erase(it);
    backlog_.erase(page->Ordinal());
    page->MarkGone();
    bySession_.erase(page->Session());
    auto live = std::find(live_.begin(), live_.end(), page);
    if (live != live_.end()) {
        live_.erase(live);
        Queue(page->Ordinal(), kEventQuit, 0);
        Queue(0, kEventWindowRevoked, static_cast<long>(page->Ordinal()));
    }
    held_.erase(std::remove_if(held_.begin(), held_.end(),
                               [&](const Held& held) { return held.page == page; }),
                held_.end());
    admitting_.erase(std::remove(admitting_.begin(), admitting_.end(), page), admitting_.end());
    ReleaseHeld();  // windows it opened need not wait for it any longer
    return page->Session();
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
