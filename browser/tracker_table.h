// The table of up to 64 browser trackers, one per browser window, and the
// rules that create, feed and destroy them: shell connection and rescans,
// tracker events, the periodic tick, the popup gate and the filter broadcasts.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "browser/browser_port.h"
#include "browser/browser_tracker.h"
#include "platform/window_services.h"
#include "store/filter_record.h"

namespace qm {

class TrackerTable {
public:
    explicit TrackerTable(const TrackerContext& context);
    // Disconnects from the shell. Trackers still in the table are released
    // without saving their hits.
    ~TrackerTable();
    TrackerTable(const TrackerTable&) = delete;
    TrackerTable& operator=(const TrackerTable&) = delete;

    // Connects to the shell's window collection and its events; false when
    // either step fails. A second call replaces the first connection.
    bool ConnectShellWindows(BrowserSystem& system);
    // Adds a tracker for every browser window of the collection.
    void RescanWindows();
    // Slot (0..63) of the browser's tracker, or -1.
    int AddTracker(const BrowserPtr& browser);
    bool RemoveTracker(int slot);
    // Slot whose page or browser window is under the screen point (or one of
    // its ancestors), or -1.
    int FindTrackerAt(Point screen);
    // A posted tracker event; codes outside 0..6 and empty slots do nothing.
    void OnTrackerEvent(int code, long value);
    // The 2-second timer.
    void OnTick();
    // Whether a new tracker may take a slot (false: it is to be closed).
    bool PopupGate(BrowserTracker& tracker);

    // Store notifications, passed to every tracker in slot order.
    void OnFilterAdded(const std::string& url, const FilterRecord& record);
    void OnFilterRestored(const std::string& url, const FilterRecord& record);

    BrowserTracker* Tracker(int slot) const;
    int Count() const { return count_; }
    unsigned TickCounter() const { return tickCounter_; }
    bool Connected() const { return shell_ != nullptr; }

private:
    void DisconnectShell();

    TrackerContext context_;
    int count_ = 0;
    std::array<std::unique_ptr<BrowserTracker>, kMaxTrackers> slots_;
    unsigned tickCounter_ = 0;
    std::unique_ptr<ShellWindows> shell_;
    std::shared_ptr<BrowserEventSink> shellSink_;
    std::uint32_t shellCookie_ = 0;
    bool shellAdvised_ = false;
};

}  // namespace qm
