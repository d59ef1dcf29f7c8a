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
    if (method == "Target.targetDestroyed") {
        OnTargetGone(Text(params, "targetId"));
        return;
    }
    if (method == "Target.detachedFromTarget") {
        std::string target = Text(params, "targetId");
        if (target.empty()) {
            std::lock_guard<std::mutex> lock(mutex_);
            auto it = bySession_.find(Text(params, "sessionId"));
            if (it != bySession_.end()) {
                target = it->second->TargetId();
            }
        }
        OnTargetGone(target);
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
            QueuePageEvent(page.Ordinal(), kEventBeforeNavigate);
        }
    } else if (method == "Page.frameNavigated") {
        const Json frame = params.value("frame", Json::object());
        if (!frame.contains("parentId")) {
            page.NoteNewDocument();
            QueuePageEvent(page.Ordinal(), kEventNavigateComplete);
        }
    } else if (method == "Page.frameStoppedLoading") {
        // Once for every frame that finishes, the page's own frame last.
        QueuePageEvent(page.Ordinal(), kEventDocumentComplete);
    } else if (method == "Page.windowOpen") {
        QueuePageEvent(page.Ordinal(), kEventNewWindow);
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
        if (targetId.empty() || byTarget_.count(targetId) != 0) {
            return;
        }
        page = std::make_shared<CdpPage>(connection_, targetId, nextOrdinal_++);
        byTarget_[targetId] = page;
        ++attaching_;
    }
    const bool sent = connection_.Post(
        "Target.attachToTarget", Json{{"targetId", targetId}, {"flatten", true}}, std::string(),
        [this, page](CdpAnswer answer) { OnAttached(page, answer); });
    if (!sent) {
        std::lock_guard<std::mutex> lock(mutex_);
        FinishAttach();
    }
}

void CdpHub::OnAttached(const std::shared_ptr<CdpPage>& page, const CdpAnswer& answer) {
    const std::string session = answer.ok ? Text(answer.result, "sessionId") : std::string();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (session.empty() || page->Gone()) {
            FinishAttach();
            return;
        }
        page->SetSession(session);
        bySession_[session] = page;
    }
    const bool sent =
        connection_.Post("Page.enable", Json::object(), session, [this, page](CdpAnswer enabled) {
            std::lock_guard<std::mutex> lock(mutex_);
            if (enabled.ok && !page->Gone()) {
                page->MarkReady();
                live_.push_back(page);
                Queue(0, kEventWindowRegistered, static_cast<long>(page->Ordinal()));
            }
            FinishAttach();
        });
    if (!sent) {
        std::lock_guard<std::mutex> lock(mutex_);
        FinishAttach();
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
        events.swap(queue_);
    }
    pumping_ = true;
    int delivered = 0;
    for (const QueuedEvent& event : events) {
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
