// The program's link to a Chromium-family browser over the DevTools protocol:
// a browser system that is connected (and connected again) while the program
// runs. The target is a debugging port on this machine or a browser profile
// folder (its DevToolsActivePort file). Connecting runs on a thread of its
// own, so that a browser that does not answer freezes nothing; a browser that
// closes or breaks its connection loses its windows (their trackers go with
// the queued close events) and is looked for again at every tick, so a
// restarted browser is found within one tick.
//
// Every page also gets the pointer observer (pointer_script.h): where the
// mouse hook cannot see the browser's windows, the page's own gestures reach
// the gesture sink in screen coordinates, and the page windows
// (Windows()) place the pages on the screen for hit tests and frames.
//
// Threads: SetTarget, Tick, Pump and the port run on the owner's thread; the
// wake-up may be called on any thread.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "browser/browser_port.h"
#include "browser/cdp/cdp_page_windows.h"

namespace qm::cdp {

class CdpHub;

struct DevToolsTarget {
    int port = 0;             // a debugging port on 127.0.0.1, or
    std::string profile;      // the browser's user data folder
    bool Empty() const { return port <= 0 && profile.empty(); }
};

class DevToolsLink : public BrowserSystem {
public:
    DevToolsLink();
    ~DevToolsLink() override;
    DevToolsLink(const DevToolsLink&) = delete;
    DevToolsLink& operator=(const DevToolsLink&) = delete;

    // Where to connect; an empty target disconnects. The first attempt is
    // made at once (on the connecting thread).
    void SetTarget(const DevToolsTarget& target);
    const DevToolsTarget& Target() const { return target_; }
    // The 2-second tick: notices a lost connection and tries again.
    void Tick();
    bool Connected() const;
    // The reason of the last failed attempt ("" after a success).
    std::string LastError() const;

    // Called on the owner's thread when the set of windows changed (the
    // browser was connected or lost): the window collection should rescan.
    void SetChangedHandler(std::function<void()> changed) { changed_ = std::move(changed); }
    // Called on the owner's thread (from Pump) with each gesture of a page.
    void SetGestureSink(std::function<void(const PageGesture&)> sink) { gestures_ = std::move(sink); }

    CdpPageWindows& Windows() { return windows_; }

    // BrowserSystem
    std::unique_ptr<ShellWindows> ConnectShellWindows() override;
    int Pump() override;
    void SetWakeup(std::function<void()> wakeup) override;

    // How long one connection attempt may take, at most.
    static constexpr int kSettleMs = 3000;

private:
    void StartAttempt();
    void FinishAttempt();       // owner's thread
    void RetireIfClosed();      // owner's thread
    void Instrument();          // owner's thread: the observer for new pages
    void Wake();

    DevToolsTarget target_;
    std::shared_ptr<CdpHub> hub_;                    // connected, or null
    std::vector<std::shared_ptr<CdpHub>> retired_;   // closed; their last events to pump
    std::set<std::uint32_t> instrumented_;
    CdpPageWindows windows_;
    std::function<void()> changed_;
    std::function<void(const PageGesture&)> gestures_;

    mutable std::mutex mutex_;                       // guards what follows
    std::function<void()> wakeup_;
    std::vector<PageGesture> pending_;
    std::thread attempt_;
    bool attemptDone_ = false;
    std::shared_ptr<CdpHub> attemptHub_;             // the attempt's result
    std::string lastError_;
};

}  // namespace qm::cdp
