// The shared state of one DevTools connection: the page targets, their events
// on their way to the owner's thread, and the sinks that receive them.
//
// A page's events from before its first sink connects are kept (the last few)
// and delivered with the first Pump after it connects, so that a window that
// finished loading before it was tracked still reports its completion.
//
// Threads: the network thread only records targets and queues events; sinks
// are called only from Pump(), on the owner's (user-interface) thread, in
// arrival order, and never from inside another call of the port.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "browser/browser_port.h"
#include "browser/cdp/cdp_connection.h"
#include "browser/cdp/cdp_page.h"

namespace qm::cdp {

// The text member key of a JSON object; empty when missing or not text.
std::string JsonText(const Json& object, const char* key);

class CdpHub {
public:
    CdpHub();
    ~CdpHub();
    CdpHub(const CdpHub&) = delete;
    CdpHub& operator=(const CdpHub&) = delete;

    CdpConnection& Connection() { return connection_; }

    // Opens the connection, starts target discovery and waits (up to
    // settleMs) until the pages that already exist are attached.
    bool Start(const std::string& host, int port, const std::string& path, int settleMs,
               std::string& error);
    void Stop();

    // Pages that are attached and alive, in the order they appeared.
    std::vector<std::shared_ptr<CdpPage>> LivePages();
    std::shared_ptr<CdpPage> PageByOrdinal(std::uint32_t ordinal);
    std::shared_ptr<CdpPage> PageByTarget(const std::string& targetId);

    // Sinks: ordinal 0 is the shell's window collection.
    std::uint32_t AddSink(std::uint32_t ordinal, std::shared_ptr<BrowserEventSink> sink);
    void RemoveSink(std::uint32_t cookie);

    int Pump();
    bool WaitForEvents(int timeoutMs);
    void SetWakeup(std::function<void()> wakeup);
    // Waits until no attachment is in progress.
    bool WaitUntilSettled(int timeoutMs);

    // Runtime.bindingCalled of a page (its ordinal, the binding's name and
    // payload), called on the network thread; set before Start.
    using BindingHandler = std::function<void(std::uint32_t ordinal, const std::string& name,
                                              const std::string& payload)>;
    void SetBindingHandler(BindingHandler handler) { bindingHandler_ = std::move(handler); }

    // The window considered in front: the one last made foreground, else the
    // newest live page.
    void SetForeground(std::uint32_t ordinal);
    std::uint32_t ForegroundOrdinal();

private:
    struct QueuedEvent {
        std::uint32_t ordinal;  // 0: shell
        int code;
        long param;
    };
    struct SinkEntry {
        std::uint32_t ordinal;
        std::shared_ptr<BrowserEventSink> sink;
    };

    void OnEvent(const std::string& method, const Json& params, const std::string& session);
    void OnTargetCreated(const Json& info);
    void OnBindingCalled(const Json& params, const std::string& session);
    // A target the browser attached by itself, held before it runs anything.
    void OnAutoAttached(const Json& params);
    void Attach(const std::shared_ptr<CdpPage>& page);
    std::shared_ptr<CdpPage> MakePage(const std::string& targetId);  // caller holds mutex_
    // The page's domains are on: let it run, then report it (or hold it back
    // while its opener's document is still loading).
    // Reads the new window's tool bar and menu bar into the page, then runs then
    // (network thread, also when they cannot be read).
    // Retried while the page's document changes under it, within kMaxBarsMs.
    void ReadBars(const std::shared_ptr<CdpPage>& page, std::function<void()> then);
    void ReadBarsOnce(const std::shared_ptr<CdpPage>& page,
                      std::shared_ptr<std::function<void()>> done,
                      std::chrono::steady_clock::time_point until, int attempts);
    // Evaluates expression in a new world of ours in the page's main frame
    // and hands done its value, null when it could not be had (network thread,
    // without waiting).
    void EvaluateInOwnWorld(const std::shared_ptr<CdpPage>& page, const char* expression,
                            std::function<void(const Json&)> done);
    void Enabled(const std::shared_ptr<CdpPage>& page, bool waiting);
    void ReleaseHeld();  // caller holds mutex_
    void Admit(std::uint32_t ordinal);
    void OnAttachedSession(const std::shared_ptr<CdpPage>& page, const std::string& session,
                           bool waiting);
    void OnTargetGone(const std::string& targetId);
    std::string ForgetTarget(const std::string& targetId);  // caller holds mutex_; its session
    void Queue(std::uint32_t ordinal, int code, long param);  // caller holds mutex_
    void QueuePageEvent(std::uint32_t ordinal, int code);     // caller holds mutex_
    void FinishAttach();                                      // caller holds mutex_

    CdpConnection connection_;
    BindingHandler bindingHandler_;
    std::mutex mutex_;
    // Set once the browser attaches new targets by itself, paused until we
    // let them run.
    bool autoAttach_ = false;
    // Windows opened by a page whose document is still loading, or that no
    // sink follows yet: reported once the opener's completion is on its way
    // to its sinks, so the popup rules see the opener's filters and its
    // window.open first.
    struct Held {
        std::shared_ptr<CdpPage> page;
        std::chrono::steady_clock::time_point until;
    };
    std::vector<Held> held_;
    std::vector<std::shared_ptr<CdpPage>> admitting_;  // released, registration queued
    static constexpr int kMaxHoldMs = 3000;
    // A new window is held while its bars are read, at most as long as a
    // window is held for its opener (and this many attempts).
    static constexpr int kMaxBarsMs = kMaxHoldMs;
    static constexpr int kMaxBarsAttempts = 100;
    std::condition_variable changed_;
    std::map<std::string, std::shared_ptr<CdpPage>> byTarget_;
    std::map<std::string, std::shared_ptr<CdpPage>> bySession_;
    std::vector<std::shared_ptr<CdpPage>> live_;
    std::uint32_t nextOrdinal_ = 1;
    int attaching_ = 0;
    std::deque<QueuedEvent> queue_;
    std::function<void()> wakeup_;
    std::uint32_t foreground_ = 0;
    // Sinks per page, and the events of pages that have none yet.
    std::map<std::uint32_t, int> listened_;
    std::map<std::uint32_t, std::deque<int>> backlog_;
    static constexpr std::size_t kMaxBacklog = 32;

    // Owner's thread only.
    std::map<std::uint32_t, SinkEntry> sinks_;
    std::uint32_t nextCookie_ = 1;
    bool pumping_ = false;
};

}  // namespace qm::cdp
