// The tracker core (tracker table, element removal, popup blocking) and the
// real filter store, driven by a real Chromium through the DevTools backend.
// The test plays the user-interface thread: it pumps the backend's events,
// hands the posted tracker events to the table and runs the timer.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <random>
#include <string>
#include <thread>

#include "browser/tracker_event_poster.h"
#include "browser/tracker_table.h"
#include "store/address_keys.h"
#include "store/filter_store.h"
#include "store/store_listener.h"
#include "tests/cdp/cdp_fixture.h"

namespace qm::cdptest {

// Unique to this run, so that runs from several checkouts at once never share a folder.
inline const std::string& RunTag() {
    static const std::string tag = std::to_string(std::random_device{}());
    return tag;
}

inline std::string FreshDataDirectory() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string dir =
        ::testing::TempDir() + "/qm-cdp-core-" + RunTag() + "-" + info->name();
    std::filesystem::remove_all(dir);
    return dir;
}

class CdpCoreTest : public ::testing::Test, public TrackerEventPoster, public StoreListener {
protected:
    CdpCoreTest()
        : store_(FreshDataDirectory()),
          table_(TrackerContext{store_, session_.system.Desktop(), this}) {}

    ~CdpCoreTest() override {
        std::error_code ignored;
        std::filesystem::remove_all(store_.DataDirectory(), ignored);
    }

    void SetUp() override {
        std::string error;
        ASSERT_TRUE(session_.Start(error)) << error;
        store_.SetListener(this);
        ASSERT_TRUE(table_.ConnectShellWindows(session_.system));
        table_.RescanWindows();
    }

    // What the bin window does with the posted messages.
    void PostTrackerEvent(int code, long value) override { posted_.emplace_back(code, value); }
    void LocationChanged(const std::string&) override {}
    void OnFilterAdded(const std::string& url, const FilterRecord& record) override {
        table_.OnFilterAdded(url, record);
    }
    void OnFilterRestored(const std::string& url, const FilterRecord& record) override {
        table_.OnFilterRestored(url, record);
    }

    void Deliver() {
        session_.system.Pump();
        while (!posted_.empty()) {
            const auto [code, value] = posted_.front();
            posted_.pop_front();
            table_.OnTrackerEvent(code, value);
        }
    }

    bool DeliverUntil(const std::function<bool()>& done, int timeoutMs = 10000) {
        const bool ok = session_.RunUntil(
            done, [this] { Deliver(); }, timeoutMs);
        if (!ok) {
            ADD_FAILURE() << "trackers: " << Describe();
        }
        return ok;
    }

    // Ticks until the tracker's filter is hit: a tick skips a page that
    // answers later than the tick waits (a loaded machine).
    bool TickUntilHit(BrowserTracker* tracker, int filter = 0) {
        return DeliverUntil([&] {
            table_.OnTick();
            return tracker->filters[static_cast<std::size_t>(filter)].nStatus == kStatusHit;
        });
    }

    std::string Describe() {
        std::string text;
        for (int s = 0; s < kMaxTrackers; ++s) {
            if (BrowserTracker* t = table_.Tracker(s)) {
                text += "[" + std::to_string(s) + " " + t->url +
                        " reload=" + std::to_string(t->reloadPending) +
                        " filters=" + std::to_string(t->filterCount) + "] ";
            }
        }
        return text;
    }

    // The tracker of the window showing path, or null.
    BrowserTracker* TrackerShowing(const std::string& path) {
        const std::string url = session_.server.Url(path);
        for (int s = 0; s < kMaxTrackers; ++s) {
            BrowserTracker* t = table_.Tracker(s);
            if (t != nullptr && t->url == url && !t->reloadPending) {
                return t;
            }
        }
        return nullptr;
    }

    FilterRecord Filter(const std::string& type, const std::string& name, int scope, int hint) {
        FilterRecord record;
        record.sType = type;
        record.sName = name;
        record.nScope = static_cast<std::int8_t>(scope);
        record.nHint = static_cast<std::int16_t>(hint);
        return record;
    }

    std::string Display(const std::string& target, const std::string& id) {
        cdp::Json value;
        EXPECT_TRUE(session_.EvaluateInPage(
            target, "document.getElementById('" + id + "').style.display", value));
        return value.is_string() ? value.get<std::string>() : "?";
    }

    bool TargetOpen(const std::string& targetId) {
        cdp::CdpAnswer answer =
            session_.system.Connection().Call("Target.getTargets", cdp::Json::object());
        if (!answer.ok) {
            return false;
        }
        for (const auto& info : answer.result["targetInfos"]) {
            if (info.value("targetId", std::string()) == targetId) {
                return true;
            }
        }
        return false;
    }

    // Closes every page showing path; how many there were.
    int CloseAll(const std::string& path) {
        cdp::CdpAnswer answer =
            session_.system.Connection().Call("Target.getTargets", cdp::Json::object());
        int n = 0;
        for (const auto& info : answer.result["targetInfos"]) {
            if (info.value("type", std::string()) == "page" &&
                info.value("url", std::string()) == session_.server.Url(path)) {
                session_.system.Connection().Call(
                    "Target.closeTarget", cdp::Json{{"targetId", info.value("targetId", "")}});
                ++n;
            }
        }
        return n;
    }

    int PagesShowing(const std::string& path) {
        cdp::CdpAnswer answer =
            session_.system.Connection().Call("Target.getTargets", cdp::Json::object());
        int n = 0;
        for (const auto& info : answer.result["targetInfos"]) {
            n += info.value("type", std::string()) == "page" &&
                         info.value("url", std::string()) == session_.server.Url(path)
                     ? 1
                     : 0;
        }
        return n;
    }

    ChromiumSession session_;
    FilterStore store_;
    TrackerTable table_;
    std::deque<std::pair<int, long>> posted_;
};

}  // namespace qm::cdptest
