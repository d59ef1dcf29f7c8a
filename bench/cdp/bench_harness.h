// The harness of the DevTools benchmark: a real Chromium with the bench's
// pages served locally, one tracker table over it, and the user-interface
// thread played by hand (events handed over in order, ticks on demand), so
// that each measurement can time exactly what that thread is held for.
#pragma once

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "bench/cdp/bench_changes.h"
#include "bench/cdp/bench_pages.h"
#include "browser/cdp/cdp_browser.h"
#include "browser/cdp/cdp_browser_system.h"
#include "browser/cdp/cdp_connection.h"
#include "browser/tracker_event_poster.h"
#include "browser/tracker_table.h"
#include "store/filter_store.h"
#include "testing/cdp/chromium_process.h"
#include "tests/cdp/page_server.h"

namespace qm::bench {

using Json = qm::cdp::Json;
using Clock = std::chrono::steady_clock;

constexpr int kElements = 5000;
constexpr int kFilters = 1025;
constexpr int kTabs = 64;

class Harness : public qm::TrackerEventPoster {
public:
    bool Start(std::string& error) {
        if (!server_.Start()) {
            error = "page server did not start";
            return false;
        }
        server_.AddPage("/big.html", BigPage(kElements));
        for (int t = 1; t < kTabs; ++t) {
            server_.AddPage("/tab" + std::to_string(t) + ".html", TabPage(t));
        }
        for (const Hostile& page : HostilePages()) {
            server_.AddPage(page.path, page.html);
        }
        server_.AddPage("/mutating.html", qm::bench::MutatingPage());
        server_.AddPage("/frame-m.html", qm::bench::MutatingFrame());
        if (!chromium_.Start("/usr/bin/chromium", {}, 30000, error) ||
            !system_.ConnectUserDataDirectory(chromium_.UserDataDirectory(), error)) {
            return false;
        }
        data_ = std::filesystem::temp_directory_path() /
                ("qm-cdp-bench-" + std::to_string(chromium_.Pid()));
        store_ = std::make_unique<qm::FilterStore>(data_.string());
        table_ = std::make_unique<qm::TrackerTable>(
            qm::TrackerContext{*store_, system_.Desktop(), this});
        if (!table_->ConnectShellWindows(system_)) {
            error = "no shell windows";
            return false;
        }
        // The browser's first blank tab would take one of the 64 slots.
        qm::cdp::CdpAnswer targets =
            system_.Connection().Call("Target.getTargets", Json::object());
        if (targets.ok) {
            for (const Json& info : targets.result["targetInfos"]) {
                if (info.value("type", std::string()) == "page") {
                    system_.Connection().Call(
                        "Target.closeTarget",
                        Json{{"targetId", info.value("targetId", std::string())}});
                }
            }
        }
        std::vector<std::pair<std::string, std::string>> filters;
        for (int i = 0; i < kFilters; ++i) {  // half of them on the page
            filters.emplace_back("IMG", "/ads/a" + std::to_string(i * 2) + ".gif");
        }
        big_ = Open("/big.html", filters, kElements - 5, error);
        if (big_ == nullptr) {
            return false;
        }
        for (int t = 1; t < kTabs; ++t) {
            std::vector<std::pair<std::string, std::string>> located;
            for (int i = 0; i < 20; ++i) {
                located.emplace_back("IMG", "/t/ad" + std::to_string(i) + ".gif");
            }
            if (Open("/tab" + std::to_string(t) + ".html", located, 40, error) == nullptr) {
                return false;
            }
        }
        session_ = std::dynamic_pointer_cast<qm::cdp::CdpBrowser>(big_->browser)->Page()->Session();
        return true;
    }

    ~Harness() override {
        table_.reset();
        store_.reset();
        system_.Disconnect();
        chromium_.Stop();
        server_.Stop();
        std::error_code ignored;
        std::filesystem::remove_all(data_, ignored);
    }

    void PostTrackerEvent(int code, long value) override { posted_.emplace_back(code, value); }

    // Pumps and hands the posted events to the table; the longest event.
    // holds, when given, keeps the longest of each kind of event.
    double Deliver(std::map<std::string, double>* holds = nullptr) {
        double worst = 0;
        auto start = Clock::now();
        system_.Pump();
        Note(holds, "pump", Ms(Clock::now() - start), worst);
        while (!posted_.empty()) {
            auto [code, value] = posted_.front();
            posted_.pop_front();
            start = Clock::now();
            table_->OnTrackerEvent(code, value);
            Note(holds, EventName(code), Ms(Clock::now() - start), worst);
        }
        return worst;
    }

    // One document completion of the big page, until its answer is applied.
    bool Complete() {
        big_->MarkReload();
        big_->Apply(qm::kApplyDocumentComplete);
        while (big_->PassPending()) {
            std::this_thread::yield();
            big_->CollectPending();
        }
        return big_->filters[0].nStatus == qm::kStatusHit;
    }

    bool BodyOuterHtml() {
        qm::cdp::CdpAnswer answer = system_.Connection().Call(
            "Runtime.evaluate",
            Json{{"expression", "document.body.outerHTML"}, {"returnByValue", true}}, session_);
        return answer.ok && answer.result["result"]["value"].is_string();
    }

    bool OneRoundTrip() {
        qm::cdp::CdpAnswer answer = system_.Connection().Call(
            "Runtime.evaluate", Json{{"expression", "1"}, {"returnByValue", true}}, session_);
        return answer.ok;
    }

    // A tick on which every tracker's check is due, none still waiting for
    // an earlier one. hold: how long the tick held the caller; seconds: until
    // the answers of all tabs were in (those skipped by the tick included, so
    // that a tick that skips does not look faster). How many were skipped.
    int TickAll(double& hold, double& seconds) {
        const auto settled = Clock::now() + std::chrono::seconds(5);
        for (int s = 0; s < qm::kMaxTrackers; ++s) {
            if (qm::BrowserTracker* t = table_->Tracker(s)) {
                while (t->PassPending() && Clock::now() < settled) {
                    std::this_thread::yield();
                    t->CollectPending();
                }
                t->tickCount = (99 - s) % 10;  // the next tick is its tenth
            }
        }
        const auto start = Clock::now();
        table_->OnTick();
        const auto held = Clock::now();
        hold = std::chrono::duration<double>(held - start).count();
        int skipped = 0;
        std::vector<qm::BrowserTracker*> late;
        for (int s = 0; s < qm::kMaxTrackers; ++s) {
            qm::BrowserTracker* t = table_->Tracker(s);
            if (t != nullptr && t->PassPending()) {
                late.push_back(t);
            }
        }
        skipped = static_cast<int>(late.size());
        const auto end = Clock::now() + std::chrono::seconds(5);
        while (!late.empty() && Clock::now() < end) {
            if (late.back()->PassAnswered()) {
                late.pop_back();
            } else {
                std::this_thread::yield();
            }
        }
        seconds = std::chrono::duration<double>(Clock::now() - start).count();
        return skipped;
    }

    // The floor under any tick: one trivial evaluation sent to every tab at
    // once, until the last answer is in.
    bool FanOut(double& seconds) {
        const auto pages = Pages();
        const auto start = Clock::now();
        const bool all = qm::bench::EvaluateInEveryPage(system_.Connection(), pages, "1", 5000);
        seconds = std::chrono::duration<double>(Clock::now() - start).count();
        return all;
    }

    // The pages of all trackers.
    std::vector<std::shared_ptr<qm::cdp::CdpPage>> Pages() {
        std::vector<std::shared_ptr<qm::cdp::CdpPage>> pages;
        for (int s = 0; s < qm::kMaxTrackers; ++s) {
            if (qm::BrowserTracker* t = table_->Tracker(s)) {
                pages.push_back(std::dynamic_pointer_cast<qm::cdp::CdpBrowser>(t->browser)->Page());
            }
        }
        return pages;
    }

    // Every tab changes and reports it, then a tick as TickAll; -1 when a
    // page did not report its change.
    int TickChanged(double& hold, double& seconds) {
        if (!qm::bench::ChangeEveryPage(system_.Connection(), Pages(), 5000)) {
            return -1;
        }
        return TickAll(hold, seconds);
    }

    // After the other runs, on a page of its own (the tabs closed): the
    // fastest of 5 times 10,000 appendChild, with the change observer armed
    // (after a check), disarmed (after its report), and in the page's frame.
    bool MutationCost(double& armed, double& disarmed, double& none, std::string& error) {
        CloseAllTabs();
        qm::BrowserTracker* t = Open("/mutating.html", {{"IMG", "/m/ad.gif"}}, 6, error);
        if (t == nullptr) {
            return false;
        }
        return qm::bench::MutationCost(
            system_.Connection(), std::dynamic_pointer_cast<qm::cdp::CdpBrowser>(t->browser)->Page(),
            *t->document, armed, disarmed, none, error);
    }

    std::uint64_t RoundTrips() const { return system_.RoundTrips(); }
    int Trackers() const { return table_->Count(); }

    // Closes every tab, then opens the hostile pages and plays the user-
    // interface thread for seconds: events as they come and a tick every
    // 100 ms. The longest single event or tick in milliseconds.
    double HostileRun(int seconds, std::string& error) {
        CloseAllTabs();
        for (const Hostile& page : HostilePages()) {
            if (std::string(page.path) == "/popup.html") {
                continue;
            }
            const std::string url = server_.Url(page.path);
            qm::FilterRecord record;
            record.sType = page.noPopup ? "NO_POPUP" : "IMG";
            record.sName = page.noPopup ? "Hostile" : "/img/banner.gif";
            record.nHint = -1;
            if (store_->AddFilter(url, record) != 1 ||
                !system_.Connection()
                     .Call("Target.createTarget", Json{{"url", url}, {"newWindow", true}})
                     .ok) {
                error = std::string("cannot open ") + page.path;
                return -1;
            }
        }
        double worst = 0;
        holds_.clear();
        const auto end = Clock::now() + std::chrono::seconds(seconds);
        auto nextTick = Clock::now();
        while (Clock::now() < end) {
            worst = std::max(worst, Deliver(&holds_));
            if (Clock::now() >= nextTick) {
                // The frozen page in front: checked on every tick.
                for (int s = 0; s < qm::kMaxTrackers; ++s) {
                    qm::BrowserTracker* t = table_->Tracker(s);
                    if (t != nullptr && t->url == server_.Url("/frozen.html")) {
                        system_.SetForeground(t->browserWindow);
                    }
                }
                const auto start = Clock::now();
                table_->OnTick();
                Note(&holds_, "tick", Ms(Clock::now() - start), worst);
                nextTick = Clock::now() + std::chrono::milliseconds(100);
            }
            system_.WaitForEvents(10);
        }
        return worst;
    }

    // The longest hold of each kind in the last hostile run.
    const std::map<std::string, double>& Holds() const { return holds_; }

private:
    static const char* EventName(int code) {
        switch (code) {
            case qm::kEventBeforeNavigate: return "event BeforeNavigate";
            case qm::kEventNavigateComplete: return "event NavigateComplete";
            case qm::kEventDocumentComplete: return "event DocumentComplete";
            case qm::kEventQuit: return "event Quit";
            case qm::kEventWindowRegistered: return "event WindowRegistered";
            case qm::kEventWindowRevoked: return "event WindowRevoked";
            case qm::kEventNewWindow: return "event NewWindow";
            default: return "event other";
        }
    }

    static void Note(std::map<std::string, double>* holds, const std::string& kind, double ms,
                     double& worst) {
        worst = std::max(worst, ms);
        if (holds != nullptr) {
            double& longest = (*holds)[kind];
            longest = std::max(longest, ms);
        }
    }

    static double Ms(Clock::duration d) {
        return std::chrono::duration<double, std::milli>(d).count();
    }

    void CloseAllTabs() {
        for (int s = 0; s < qm::kMaxTrackers; ++s) {
            if (qm::BrowserTracker* t = table_->Tracker(s)) {
                t->Quit();
            }
        }
        const auto end = Clock::now() + std::chrono::seconds(20);
        while (table_->Count() > 0 && Clock::now() < end) {
            Deliver();
            system_.WaitForEvents(20);
        }
    }

    // Opens path with its filters stored and waits until its tracker has
    // completed on it with at least `located` filters located; the tracker.
    qm::BrowserTracker* Open(const std::string& path,
                             const std::vector<std::pair<std::string, std::string>>& filters,
                             int minElements, std::string& error) {
        // The tabs on a host name of their own: a host file holds 2,047 filters.
        std::string url = server_.Url(path);
        if (path.rfind("/tab", 0) == 0) {
            url.replace(url.find("127.0.0.1"), 9, "localhost");
        }
        for (const auto& [type, name] : filters) {
            qm::FilterRecord record;
            record.sType = type;
            record.sName = name;
            record.nScope = qm::kScopePage;
            record.nHint = -1;
            if (store_->AddFilter(url, record) != 1) {
                error = "the store refused a filter";
                return nullptr;
            }
        }
        if (!system_.Connection()
                 .Call("Target.createTarget", Json{{"url", url}, {"newWindow", true}})
                 .ok) {
            error = "cannot open " + path;
            return nullptr;
        }
        const auto end = Clock::now() + std::chrono::seconds(30);
        while (Clock::now() < end) {
            Deliver();
            for (int s = 0; s < qm::kMaxTrackers; ++s) {
                qm::BrowserTracker* t = table_->Tracker(s);
                if (t == nullptr || t->url != url || !t->document) {
                    continue;
                }
                qm::CollectionPtr all = t->document->All();
                int length = 0;
                if (all && all->Length(length) && length >= minElements) {
                    t->MarkReload();
                    t->Apply(qm::kApplyDocumentComplete);
                    while (t->PassPending()) {
                        std::this_thread::yield();
                        t->CollectPending();
                    }
                    return t;
                }
            }
            system_.WaitForEvents(20);
        }
        error = path + " did not load";
        return nullptr;
    }

    qm::cdptest::PageServer server_;
    qm::cdp::ChromiumProcess chromium_;
    qm::cdp::CdpBrowserSystem system_;
    std::filesystem::path data_;
    std::unique_ptr<qm::FilterStore> store_;
    std::unique_ptr<qm::TrackerTable> table_;
    std::deque<std::pair<int, long>> posted_;
    std::map<std::string, double> holds_;
    qm::BrowserTracker* big_ = nullptr;
    std::string session_;
};

}  // namespace qm::bench
