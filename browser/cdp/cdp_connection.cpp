#include "browser/cdp/cdp_connection.h"

#include <chrono>
#include <utility>
#include <vector>

namespace qm::cdp {

CdpConnection::CdpConnection() {
    socket_.SetMessageHandler([this](std::string text) { OnMessage(text); });
    socket_.SetCloseHandler([this] { OnClosed(); });
}

CdpConnection::~CdpConnection() {
    Close();
}

void CdpConnection::SetEventHandler(EventHandler handler) {
    onEvent_ = std::move(handler);
}

void CdpConnection::SetClosedHandler(std::function<void()> handler) {
    onClosed_ = std::move(handler);
}

bool CdpConnection::Open(const std::string& host, int port, const std::string& path,
                         std::string& error) {
    if (!socket_.Open(host, port, path, 10000, error)) {
        return false;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    open_ = true;
    return true;
}

void CdpConnection::Close() {
    socket_.Close();
    OnClosed();
}

bool CdpConnection::IsOpen() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return open_;
}

bool CdpConnection::SendCommand(const std::string& method, Json params, const std::string& session,
                                AnswerHandler done, std::int64_t& id) {
    Json message = {{"method", method}, {"params", params.is_null() ? Json::object() : params}};
    if (!session.empty()) {
        message["sessionId"] = session;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!open_) {
            return false;
        }
        id = nextId_++;
        pending_[id] = Pending{session, std::move(done)};
    }
    message["id"] = id;
    // Invalid UTF-8 in a parameter is replaced rather than thrown.
    if (!socket_.Send(message.dump(-1, ' ', false, Json::error_handler_t::replace))) {
        std::lock_guard<std::mutex> lock(mutex_);
        pending_.erase(id);
        return false;
    }
    return true;
}

CdpAnswer CdpConnection::Call(const std::string& method, Json params, const std::string& session,
                              int timeoutMs) {
    struct Waiter {
        std::mutex mutex;
        std::condition_variable done;
        bool finished = false;
        CdpAnswer answer;
    };
    auto waiter = std::make_shared<Waiter>();
    roundTrips_.fetch_add(1);
    const auto started = std::chrono::steady_clock::now();
    struct Meter {
        std::atomic<std::uint64_t>& total;
        std::chrono::steady_clock::time_point started;
        ~Meter() {
            total.fetch_add(
                static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(
                                               std::chrono::steady_clock::now() - started)
                                               .count()));
        }
    } meter{waitedMicroseconds_, started};
    std::int64_t id = 0;
    const bool sent = SendCommand(
        method, std::move(params), session,
        [waiter](CdpAnswer answer) {
            std::lock_guard<std::mutex> lock(waiter->mutex);
            waiter->answer = std::move(answer);
            waiter->finished = true;
            waiter->done.notify_all();
        },
        id);
    if (!sent) {
        return CdpAnswer{false, Json(), "not connected"};
    }
    std::unique_lock<std::mutex> lock(waiter->mutex);
    if (!waiter->done.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                               [&waiter] { return waiter->finished; })) {
        lock.unlock();
        std::lock_guard<std::mutex> pendingLock(mutex_);
        pending_.erase(id);
        return CdpAnswer{false, Json(), kTimedOut};
    }
    return std::move(waiter->answer);
}

bool CdpConnection::Post(const std::string& method, Json params, const std::string& session,
                         AnswerHandler done) {
    std::int64_t id = 0;
    return SendCommand(method, std::move(params), session, std::move(done), id);
}

void CdpConnection::OnMessage(const std::string& text) {
    try {
        Dispatch(text);
    } catch (const std::exception&) {
        // A malformed message is dropped; the connection goes on.
    }
}

void CdpConnection::Dispatch(const std::string& text) {
    Json message = Json::parse(text, nullptr, false);
    if (message.is_discarded() || !message.is_object()) {
        return;
    }
    auto idIt = message.find("id");
    if (idIt != message.end() && idIt->is_number_integer()) {
        AnswerHandler done;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            auto it = pending_.find(idIt->get<std::int64_t>());
            if (it == pending_.end()) {
                return;  // its caller gave up waiting
            }
            done = std::move(it->second.done);
            pending_.erase(it);
        }
        CdpAnswer answer;
        auto error = message.find("error");
        if (error != message.end()) {
            answer.error = error->is_object() ? error->value("message", std::string("error"))
                                              : std::string("error");
        } else {
            answer.ok = true;
            answer.result = message.value("result", Json::object());
        }
        if (done) {
            done(std::move(answer));
        }
        return;
    }
    auto method = message.find("method");
    if (method == message.end() || !method->is_string() || !onEvent_) {
        return;
    }
    const std::string session = message.value("sessionId", std::string());
    onEvent_(method->get<std::string>(), message.value("params", Json::object()), session);
}

void CdpConnection::FailSession(const std::string& session) {
    if (session.empty()) {
        return;
    }
    std::vector<AnswerHandler> orphans;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (auto it = pending_.begin(); it != pending_.end();) {
            if (it->second.session == session) {
                orphans.push_back(std::move(it->second.done));
                it = pending_.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (auto& done : orphans) {
        if (done) {
            done(CdpAnswer{false, Json(), "target closed"});
        }
    }
}

void CdpConnection::OnClosed() {
    std::map<std::int64_t, Pending> orphans;
    bool wasOpen = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        wasOpen = open_;
        open_ = false;
        orphans.swap(pending_);
    }
    for (auto& [id, pending] : orphans) {
        if (pending.done) {
            pending.done(CdpAnswer{false, Json(), "connection closed"});
        }
    }
    if (wasOpen && onClosed_) {
        onClosed_();
    }
}

}  // namespace qm::cdp
