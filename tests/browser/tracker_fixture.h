// Shared set-up of the tracker tests: a real filter store in a temporary
// directory, a manual clock, the simulated desktop and browsers, and a queue
// that stands in for the bin window's message queue.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <deque>
#include <filesystem>
#include <string>
#include <utility>

#include "testing/sim/sim_browser.h"
#include "testing/sim/sim_desktop.h"
#include "browser/tracker_event_poster.h"
#include "browser/tracker_table.h"
#include "store/address_keys.h"
#include "platform/clock.h"
#include "testing/manual_clock.h"
#include "testing/remove_tree.h"
#include "store/filter_store.h"
#include "store/store_listener.h"

namespace qm::test {

inline std::filesystem::path MakeTrackerTempDirectory() {
    static std::atomic<int> counter{0};
    const auto base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 1000; ++attempt) {
        auto dir = base / ("qm_tracker_" +
                           std::to_string(reinterpret_cast<std::uintptr_t>(&counter) % 100000) +
                           "_" + std::to_string(counter++) + "_" + std::to_string(attempt));
        std::error_code ec;
        if (std::filesystem::create_directory(dir, ec)) {
            return dir;
        }
    }
    return base / "qm_tracker_fallback";
}

// The posted tracker events, handed to the table when drained.
class EventQueue : public TrackerEventPoster {
public:
    void PostTrackerEvent(int code, long value) override { events.emplace_back(code, value); }
    void Drain(TrackerTable& table) {
        // Events posted while draining are handled too, in arrival order.
        while (!events.empty()) {
            auto [code, value] = events.front();
            events.pop_front();
            table.OnTrackerEvent(code, value);
        }
    }
    std::deque<std::pair<int, long>> events;
};

// What the application core does with the store's notifications.
class BroadcastListener : public StoreListener {
public:
    explicit BroadcastListener(TrackerTable& table) : table_(table) {}
    void LocationChanged(const std::string& /*hostFileName*/) override { ++locationChanges; }
    void OnFilterAdded(const std::string& url, const FilterRecord& record) override {
        table_.OnFilterAdded(url, record);
    }
    void OnFilterRestored(const std::string& url, const FilterRecord& record) override {
        table_.OnFilterRestored(url, record);
    }
    int locationChanges = 0;

private:
    TrackerTable& table_;
};

// A page with a body; body is inserted as it stands.
inline std::string Page(const std::string& title, const std::string& body) {
    return "<html><head><title>" + title + "</title></head><body>" + body + "</body></html>";
}

inline FilterRecord ElementFilter(const std::string& type, const std::string& name, int hint,
                                  int scope) {
    FilterRecord record;
    record.sType = type;
    record.sName = name;
    record.nHint = static_cast<std::int16_t>(hint);
    record.nScope = static_cast<std::int8_t>(scope);
    record.sHtml = "<" + type + ">";
    return record;
}

class TrackerTest : public ::testing::Test {
protected:
    TrackerTest()
        : dir_(MakeTrackerTempDirectory()),
          scoped_(clock_),
          store_(dir_.string()),
          system_(&desktop_),
          context_{store_, desktop_, &queue_},
          table_(context_),
          listener_(table_) {}

    ~TrackerTest() override {
        // Hit times are written in the background: let them land before the
        // folder goes.
        store_.Flush();
        RemoveTree(dir_);
    }

    void SetUp() override { ASSERT_TRUE(table_.ConnectShellWindows(system_)); }

    // Stores a filter for the page (before any broadcast is wired unless listen).
    void AddStored(const std::string& url, FilterRecord record) {
        ASSERT_EQ(store_.AddFilter(url, record), 1);
    }
    void Listen() { store_.SetListener(&listener_); }

    // A browser window opened by the user, registered, tracked and completed.
    sim::SimBrowserPtr OpenPage(const Rect& screen, const std::string& url, const std::string& html,
                                const std::string& title = std::string()) {
        auto browser = system_.OpenBrowser(screen, url, html, title);
        queue_.Drain(table_);
        browser->FireDocumentComplete();
        queue_.Drain(table_);
        return browser;
    }
    int SlotOf(const sim::SimBrowser& browser) const {
        for (int s = 0; s < kMaxTrackers; ++s) {
            BrowserTracker* tracker = table_.Tracker(s);
            if (tracker && tracker->browser && tracker->browser->Identity() == browser.Identity()) {
                return s;
            }
        }
        return -1;
    }
    BrowserTracker* TrackerOf(const sim::SimBrowser& browser) const {
        return table_.Tracker(SlotOf(browser));
    }
    static std::string Display(sim::SimBrowser& browser, const std::string& id) {
        ElementPtr element = browser.Document()->ElementById(id);
        std::string display;
        if (!element || !element->StyleDisplay(display)) {
            return "?";
        }
        return display;
    }
    // One timer tick, with the events it causes handled.
    void Tick() {
        table_.OnTick();
        queue_.Drain(table_);
    }
    std::string HostFilePath(const std::string& url) const {
        return (dir_ / GetHostFileName(url)).string();
    }

    std::filesystem::path dir_;
    ManualClock clock_;
    ScopedClock scoped_;
    FilterStore store_;
    sim::SimDesktop desktop_;
    sim::SimBrowserSystem system_;
    EventQueue queue_;
    TrackerContext context_;
    TrackerTable table_;
    BroadcastListener listener_;
};

}  // namespace qm::test
