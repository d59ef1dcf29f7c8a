// One DevTools protocol connection: numbered commands with their answers, and
// events. Calls from the owner's thread wait for their answer; the network
// thread only hands answers over and passes events to the event handler.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include <nlohmann/json.hpp>

#include "browser/cdp/cdp_socket.h"

namespace qm::cdp {

using Json = nlohmann::json;

// The answer to one command: result on success, otherwise an error text.
struct CdpAnswer {
    bool ok = false;
    Json result;
    std::string error;
};

class CdpConnection {
public:
    using EventHandler = std::function<void(const std::string& method, const Json& params,
                                            const std::string& session)>;
    using AnswerHandler = std::function<void(CdpAnswer)>;

    CdpConnection();
    ~CdpConnection();
    CdpConnection(const CdpConnection&) = delete;
    CdpConnection& operator=(const CdpConnection&) = delete;

    // Called on the network thread for every event; set before Open.
    void SetEventHandler(EventHandler handler);
    void SetClosedHandler(std::function<void()> handler);

    bool Open(const std::string& host, int port, const std::string& path, std::string& error);
    void Close();
    bool IsOpen() const;

    // Sends a command and waits for its answer (at most timeoutMs). Must not be
    // called on the network thread. Every call counts one round trip.
    CdpAnswer Call(const std::string& method, Json params, const std::string& session = {},
                   int timeoutMs = kDefaultTimeoutMs);
    // Sends a command; done runs on the network thread with the answer (or with a
    // failure when the connection closes first). Does not count as a round trip
    // of the owner's thread.
    bool Post(const std::string& method, Json params, const std::string& session,
              AnswerHandler done);

    // Fails at once every command still waiting for an answer from a session
    // (its target went away); called on the network thread.
    void FailSession(const std::string& session);

    std::uint64_t RoundTrips() const { return roundTrips_.load(); }
    // A posted command whose answer the owner's thread takes (and may wait
    // for) counts as one of its round trips too.
    void CountRoundTrip() { roundTrips_.fetch_add(1); }
    // Time the owner's thread has spent waiting in Call, in microseconds.
    std::uint64_t WaitedMicroseconds() const { return waitedMicroseconds_.load(); }

    static constexpr int kDefaultTimeoutMs = 8000;
    static constexpr const char* kTimedOut = "timed out";

private:
    bool SendCommand(const std::string& method, Json params, const std::string& session,
                     AnswerHandler done, std::int64_t& id);
    void OnMessage(const std::string& text);
    void Dispatch(const std::string& text);
    void OnClosed();

    CdpSocket socket_;
    EventHandler onEvent_;
    std::function<void()> onClosed_;
    mutable std::mutex mutex_;
    struct Pending {
        std::string session;
        AnswerHandler done;
    };
    std::map<std::int64_t, Pending> pending_;
    std::int64_t nextId_ = 1;
    bool open_ = false;
    std::atomic<std::uint64_t> roundTrips_{0};
    std::atomic<std::uint64_t> waitedMicroseconds_{0};
};

}  // namespace qm::cdp
