// Document completion through the DevTools backend on a real Chromium: the
// tracker's whole mode-1 pass (reload of 1,025 filters, check, source search,
// tag scans) against a plain evaluation of document.body.outerHTML on the
// same page. The protocol round trips of one completion must not grow with
// the number of elements (1,000 vs 5,000); the binary exits non-zero if they do.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <deque>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <thread>

#include "browser/cdp/cdp_browser.h"
#include "browser/cdp/cdp_browser_system.h"
#include "browser/cdp/cdp_connection.h"
#include "testing/cdp/chromium_process.h"
#include "browser/tracker_event_poster.h"
#include "browser/tracker_table.h"
#include "store/filter_store.h"
#include "tests/cdp/page_server.h"

namespace {

using qm::cdp::Json;

constexpr int kFilters = 1025;
constexpr int kSizes[] = {1000, 5000};

// A page of about n elements: every fifth one an advert image.
std::string BigPage(int n) {
    std::string html = "<!DOCTYPE html><html><head><title>Big</title></head><body>";
    for (int i = 0; i < n - 5; ++i) {
        if (i % 5 == 0) {
            html +=
                "<img src=\"/ads/a" + std::to_string(i / 5) + ".gif\" width=\"4\" height=\"4\">";
        } else {
            html += "<span>" + std::to_string(i) + "</span>";
        }
    }
    html += "</body></html>";
    return html;
}

class Harness : public qm::TrackerEventPoster {
public:
    bool Start(std::string& error) {
        if (!server_.Start()) {
            error = "page server did not start";
            return false;
        }
        for (int n : kSizes) {
            server_.AddPage("/big" + std::to_string(n) + ".html", BigPage(n));
        }
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
        for (int n : kSizes) {
            if (!OpenPage(n, error)) {
                return false;
            }
        }
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

    // One document completion of the tracker showing the page of n elements.
    int Complete(int n) {
        qm::BrowserTracker* tracker = trackers_[n];
        tracker->MarkReload();
        return tracker->Apply(qm::kApplyDocumentComplete);
    }

    bool Baseline(int n) {
        qm::cdp::CdpAnswer answer = system_.Connection().Call(
            "Runtime.evaluate",
            Json{{"expression", "document.body.outerHTML"}, {"returnByValue", true}}, sessions_[n]);
        return answer.ok && answer.result["result"]["value"].is_string();
    }

    std::uint64_t RoundTrips() const { return system_.RoundTrips(); }
    std::uint64_t Waited() { return system_.Connection().WaitedMicroseconds(); }
    int Elements(int n) { return elements_[n]; }
    int Located(int n) {
        int located = 0;
        for (const auto& f : *trackers_[n]) {
            located += f.nHint >= 0 ? 1 : 0;
        }
        return located;
    }

private:
    bool OpenPage(int n, std::string& error) {
        // Each page on its own host name, so that each has its own host file.
        std::string url = server_.Url("/big" + std::to_string(n) + ".html");
        if (n != kSizes[0]) {
            url.replace(url.find("127.0.0.1"), 9, "localhost");
        }
        for (int i = 0; i < kFilters; ++i) {
            qm::FilterRecord record;
            record.sType = "IMG";
            record.sName = "/ads/a" + std::to_string(i * 2) + ".gif";  // half of them on the page
            record.nScope = qm::kScopePage;
            record.nHint = -1;
            if (store_->AddFilter(url, record) != 1) {
                error = "the store refused a filter";
                return false;
            }
        }
        qm::cdp::CdpAnswer created = system_.Connection().Call(
            "Target.createTarget", Json{{"url", url}, {"newWindow", true}});
        if (!created.ok) {
            error = "cannot open a window: " + created.error;
            return false;
        }
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (std::chrono::steady_clock::now() < end) {
            system_.Pump();
            while (!posted_.empty()) {
                auto [code, value] = posted_.front();
                posted_.pop_front();
                table_->OnTrackerEvent(code, value);
            }
            for (int s = 0; s < qm::kMaxTrackers; ++s) {
                qm::BrowserTracker* t = table_->Tracker(s);
                if (t == nullptr || t->url != url || !t->document) {
                    continue;
                }
                qm::CollectionPtr all = t->document->All();
                int length = 0;
                if (all && all->Length(length) && length >= n - 5 &&
                    t->Apply(qm::kApplyDocumentComplete) == 1) {
                    auto browser = std::dynamic_pointer_cast<qm::cdp::CdpBrowser>(t->browser);
                    trackers_[n] = t;
                    sessions_[n] = browser->Page()->Session();
                    elements_[n] = length;
                    return true;
                }
            }
            system_.WaitForEvents(50);
        }
        error = "the page of " + std::to_string(n) + " elements did not load";
        return false;
    }

    qm::cdptest::PageServer server_;
    qm::cdp::ChromiumProcess chromium_;
    qm::cdp::CdpBrowserSystem system_;
    std::filesystem::path data_;
    std::unique_ptr<qm::FilterStore> store_;
    std::unique_ptr<qm::TrackerTable> table_;
    std::deque<std::pair<int, long>> posted_;
    std::map<int, qm::BrowserTracker*> trackers_;
    std::map<int, std::string> sessions_;
    std::map<int, int> elements_;
};

Harness* harness = nullptr;
std::map<int, std::uint64_t> tripsPerCompletion;
std::map<int, double> protocolMsPerCompletion;
std::map<int, double> completionSeconds;
std::map<int, double> baselineSeconds;

void BM_DocumentComplete(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    std::uint64_t trips = 0;
    std::uint64_t runs = 0;
    const std::uint64_t waitedBefore = harness->Waited();
    for (auto _ : state) {
        const std::uint64_t before = harness->RoundTrips();
        if (harness->Complete(n) != 1) {
            state.SkipWithError("document completion failed");
            return;
        }
        trips += harness->RoundTrips() - before;
        ++runs;
    }
    if (runs > 0) {
        tripsPerCompletion[n] = trips / runs;
        protocolMsPerCompletion[n] =
            static_cast<double>(harness->Waited() - waitedBefore) / 1e3 / static_cast<double>(runs);
        state.counters["round_trips"] = static_cast<double>(trips) / static_cast<double>(runs);
    }
}

void BM_BodyOuterHtml(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    for (auto _ : state) {
        if (!harness->Baseline(n)) {
            state.SkipWithError("evaluation failed");
            return;
        }
    }
}

class Collector : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            const std::string name = run.benchmark_name();
            const int n = std::stoi(name.substr(name.find('/') + 1));
            const double seconds = run.GetAdjustedRealTime() / 1e9 *
                                   (run.time_unit == benchmark::kMillisecond ? 1e6 : 1.0);
            if (name.rfind("BM_DocumentComplete", 0) == 0) {
                completionSeconds[n] = seconds;
            } else {
                baselineSeconds[n] = seconds;
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    std::string error;
    auto owned = std::make_unique<Harness>();
    if (!owned->Start(error)) {
        std::fprintf(stderr, "cdp_bench: %s\n", error.c_str());
        return 1;
    }
    harness = owned.get();
    for (int n : kSizes) {
        benchmark::RegisterBenchmark("BM_DocumentComplete", BM_DocumentComplete)
            ->Arg(n)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
        benchmark::RegisterBenchmark("BM_BodyOuterHtml", BM_BodyOuterHtml)
            ->Arg(n)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    }
    Collector reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    bool ok = true;
    for (int n : kSizes) {
        std::printf(
            "%d elements (%d in the page), %d filters (%d located): %llu round trips per "
            "completion; completion %.2f ms (%.2f ms of it waiting for the browser), body "
            "outerHTML %.2f ms, ratio %.2f\n",
            n, harness->Elements(n), kFilters, harness->Located(n),
            static_cast<unsigned long long>(tripsPerCompletion[n]), completionSeconds[n] * 1e3,
            protocolMsPerCompletion[n], baselineSeconds[n] * 1e3,
            baselineSeconds[n] > 0 ? completionSeconds[n] / baselineSeconds[n] : 0.0);
    }
    if (tripsPerCompletion[kSizes[0]] == 0 ||
        tripsPerCompletion[kSizes[1]] > tripsPerCompletion[kSizes[0]]) {
        std::printf("cdp_bench: round trips grow with the number of elements (%llu -> %llu)\n",
                    static_cast<unsigned long long>(tripsPerCompletion[kSizes[0]]),
                    static_cast<unsigned long long>(tripsPerCompletion[kSizes[1]]));
        ok = false;
    } else {
        std::printf("cdp_bench: round trips do not grow with the number of elements\n");
    }
    owned.reset();
    return ok ? 0 : 1;
}
