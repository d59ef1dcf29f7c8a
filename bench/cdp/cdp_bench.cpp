// The DevTools backend on a real Chromium, as ratios measured in one run:
//  - a document completion (the tracker's whole mode-1 pass: reload of 1,025
//    filters, check, source search, location) on a page of 5,000 elements
//    against one plain evaluation of document.body.outerHTML there (at most 1.0x),
//    in at most 2 round trips;
//  - a tick that checks all of 64 tabs against one round trip to one tab (at
//    most 3x). The tabs have not changed since their last check, the common
//    case: a page keeps its last answer until it reports a change, so this
//    tick asks no page at all and measures our own work per tick (the round
//    trips per tick are reported; they should be 0);
//  - a tick over 64 tabs that all changed since their last check (each page
//    changes an attribute and its report is in before the tick), so that every
//    tab is asked: timed until the last answer is in and reported beside the
//    browser's own floor, one trivial evaluation sent to every tab at once.
//    On a 2-core machine that floor alone is many round trips; no target;
//  - the longest the user-interface thread is held by one event or tick while
//    pages fight back (frozen, reloading, opening 30 windows, re-creating
//    their advert): at most 50 ms;
//  - once, what our observers cost a page that mutates a lot: 10,000
//    appendChild in the document with the change observer armed, with it
//    disarmed (the helper's own observer still there), and in a frame of the
//    page where no world of ours runs.
// The binary exits non-zero when a measurement fails, a completion needs more
// than 2 round trips or a time target is missed. Other work on the machine can
// stall any single measurement, so a missed target is measured again, up to
// three times in all: the ratios from the fastest repetitions of all attempts,
// the hostile run as a whole run again; every attempt is printed. The hostile
// run reports the longest hold of each kind of event and of the tick.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_ratio.h"
#include "bench/cdp/bench_harness.h"

namespace {

using qm::bench::Clock;
using qm::bench::Harness;
using qm::bench::kElements;
using qm::bench::kFilters;
using qm::bench::kTabs;
constexpr double kCompletionTarget = 1.0;
constexpr double kTickTarget = 3.0;
constexpr double kHoldTargetMs = 50.0;
constexpr int kRoundTripTarget = 2;
constexpr int kAttempts = 3;


Harness* harness = nullptr;
std::uint64_t completionTrips = 0;
int worstSkipped = 0;

void BM_Completion(benchmark::State& state) {
    std::uint64_t trips = 0;
    std::uint64_t runs = 0;
    for (auto _ : state) {
        const std::uint64_t before = harness->RoundTrips();
        if (!harness->Complete()) {
            state.SkipWithError("the completion hid nothing");
            return;
        }
        trips += harness->RoundTrips() - before;
        ++runs;
    }
    completionTrips = runs > 0 ? trips / runs : 0;
    state.counters["round_trips"] = static_cast<double>(completionTrips);
}

void BM_BodyOuterHtml(benchmark::State& state) {
    for (auto _ : state) {
        if (!harness->BodyOuterHtml()) {
            state.SkipWithError("evaluation failed");
            return;
        }
    }
}

double worstTickHold = 0;
std::vector<double> tickHolds;  // of every timed tick over unchanged tabs
double unchangedTrips = 0;  // round trips per tick, the most of a run

void BM_TickOver64Tabs(benchmark::State& state) {
    // Ticks first until one asks no page: they keep their answers from then on.
    double hold = 0;
    double seconds = 0;
    for (int warm = 0; warm < 5; ++warm) {
        const std::uint64_t before = harness->RoundTrips();
        harness->TickAll(hold, seconds);
        if (harness->RoundTrips() == before) {
            break;
        }
    }
    std::uint64_t trips = 0;
    std::uint64_t ticks = 0;
    for (auto _ : state) {
        const std::uint64_t before = harness->RoundTrips();
        worstSkipped = std::max(worstSkipped, harness->TickAll(hold, seconds));
        trips += harness->RoundTrips() - before;
        ++ticks;
        worstTickHold = std::max(worstTickHold, hold);
        tickHolds.push_back(hold);
        state.SetIterationTime(seconds);
    }
    unchangedTrips = std::max(unchangedTrips, ticks > 0 ? static_cast<double>(trips) / ticks : 0.0);
    state.counters["round_trips"] = ticks > 0 ? static_cast<double>(trips) / ticks : 0.0;
}

int changedSkipped = 0;
bool changedFailed = false;

void BM_TickOver64ChangedTabs(benchmark::State& state) {
    for (auto _ : state) {
        double hold = 0;
        double seconds = 0;
        const int skipped = harness->TickChanged(hold, seconds);
        if (skipped < 0) {
            changedFailed = true;
            state.SkipWithError("a page did not report its change");
            return;
        }
        changedSkipped = std::max(changedSkipped, skipped);
        state.SetIterationTime(seconds);
    }
}

void BM_FanOut64Tabs(benchmark::State& state) {
    for (auto _ : state) {
        double seconds = 0;
        if (!harness->FanOut(seconds)) {
            state.SkipWithError("an evaluation failed");
            return;
        }
        state.SetIterationTime(seconds);
    }
}

void BM_OneRoundTrip(benchmark::State& state) {
    for (auto _ : state) {
        if (!harness->OneRoundTrip()) {
            state.SkipWithError("evaluation failed");
            return;
        }
    }
}

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
    for (auto [name, function] :
         std::initializer_list<std::pair<const char*, void (*)(benchmark::State&)>>{
             {"BM_Completion", BM_Completion},
             {"BM_BodyOuterHtml", BM_BodyOuterHtml},
             {"BM_TickOver64Tabs", BM_TickOver64Tabs},
             {"BM_TickOver64ChangedTabs", BM_TickOver64ChangedTabs},
             {"BM_FanOut64Tabs", BM_FanOut64Tabs},
             {"BM_OneRoundTrip", BM_OneRoundTrip}}) {
        auto* benchmark = benchmark::RegisterBenchmark(name, function);
        benchmark->Unit(benchmark::kMillisecond)->Repetitions(qm::bench::kRepetitions);
        // The tick is timed alone: settling the pages before it is not part of it.
        if (std::string(name).rfind("BM_TickOver64", 0) == 0 ||
            std::string(name) == "BM_FanOut64Tabs") {
            benchmark->UseManualTime();
        } else {
            benchmark->UseRealTime();
        }
    }
    qm::bench::MinTimeReporter reporter;
    auto fastest = [&](const char* name) {
        auto it = reporter.elapsed.find(name);
        return it == reporter.elapsed.end() ? 0.0 : it->second;
    };
    auto ratio = [&](const char* name, const char* base) {
        const double b = fastest(base);
        return b > 0 ? fastest(name) / b : 0.0;
    };
    for (int attempt = 1; attempt <= kAttempts; ++attempt) {
        benchmark::RunSpecifiedBenchmarks(&reporter);
        if (ratio("BM_Completion", "BM_BodyOuterHtml") <= kCompletionTarget &&
            ratio("BM_TickOver64Tabs", "BM_OneRoundTrip") <= kTickTarget) {
            break;
        }
        std::printf("cdp_bench: attempt %d of %d missed a time ratio (completion %.2f, tick "
                    "%.2f)\n",
                    attempt, kAttempts, ratio("BM_Completion", "BM_BodyOuterHtml"),
                    ratio("BM_TickOver64Tabs", "BM_OneRoundTrip"));
    }
    benchmark::Shutdown();

    const int trackers = harness->Trackers();
    double worstHold = -1;
    for (int attempt = 1; attempt <= kAttempts; ++attempt) {
        worstHold = harness->HostileRun(8, error);
        if (worstHold < 0) {
            std::fprintf(stderr, "cdp_bench: %s\n", error.c_str());
            break;
        }
        std::printf("hostile pages, run %d: worst hold %.1f ms\n", attempt, worstHold);
        if (worstHold <= kHoldTargetMs) {
            break;
        }
    }
    double armed = 0, disarmed = 0, none = 0;
    const bool mutationCost = harness->MutationCost(armed, disarmed, none, error);
    if (!mutationCost) {
        std::fprintf(stderr, "cdp_bench: %s\n", error.c_str());
    }
    const double completion = fastest("BM_Completion");
    const double fetch = fastest("BM_BodyOuterHtml");
    const double tick = fastest("BM_TickOver64Tabs");
    const double trip = fastest("BM_OneRoundTrip");
    const double fanOut = fastest("BM_FanOut64Tabs");
    const double changedTick = fastest("BM_TickOver64ChangedTabs");
    std::sort(tickHolds.begin(), tickHolds.end());
    const double medianHold = tickHolds.empty() ? 0.0 : tickHolds[tickHolds.size() / 2];
    const double completionRatio = fetch > 0 ? completion / fetch : 0;
    const double tickRatio = trip > 0 ? tick / trip : 0;
    std::printf("completion, %d elements and %d filters: %.3f ms in %llu round trips; body "
                "outerHTML %.3f ms; ratio %.2f (target <= %.1f)\n",
                kElements, kFilters, completion * 1e3,
                static_cast<unsigned long long>(completionTrips), fetch * 1e3, completionRatio,
                kCompletionTarget);
    std::printf("tick over %d unchanged tabs: %.3f ms until every tab's answer was in, %.2f "
                "round trips per tick (up to %d answers came after the tick returned; the tick "
                "held the caller %.3f ms at the median, at most %.3f ms); one round trip %.3f ms; "
                "ratio %.2f (target <= %.1f)\n",
                trackers, tick * 1e3, unchangedTrips, worstSkipped, medianHold * 1e3,
                worstTickHold * 1e3, trip * 1e3, tickRatio, kTickTarget);
    std::printf("one trivial evaluation sent to each of the %d tabs at once: %.3f ms until the "
                "last answer, %.2fx one round trip (the browser's own floor)\n",
                trackers, fanOut * 1e3, trip > 0 ? fanOut / trip : 0.0);
    std::printf("tick over %d tabs that all changed since their last check: %.3f ms until "
                "every tab's answer was in (up to %d after the tick returned); %.2fx the "
                "browser's floor, %.2fx one round trip\n",
                trackers, changedTick * 1e3, changedSkipped,
                fanOut > 0 ? changedTick / fanOut : 0.0, trip > 0 ? changedTick / trip : 0.0);
    if (mutationCost) {
        std::printf("10,000 appendChild by a page: %.2f ms with our change observer armed, "
                    "%.2f ms disarmed, %.2f ms in a frame without our world\n",
                    armed, disarmed, none);
    }
    std::printf("hostile pages: worst hold of the user-interface thread %.1f ms in the last run (target <= %.0f)\n",
                worstHold, kHoldTargetMs);
    for (const auto& [kind, ms] : harness->Holds()) {
        std::printf("  longest %s: %.1f ms\n", kind.c_str(), ms);
    }
    bool ok = true;
    auto miss = [&ok](bool missed, const char* what) {
        if (missed) {
            std::printf("cdp_bench: missed: %s\n", what);
            ok = false;
        }
    };
    miss(completion <= 0 || fetch <= 0, "completion measurement");
    miss(completionRatio > kCompletionTarget, "completion against one body outerHTML fetch");
    miss(completionTrips == 0 || completionTrips > kRoundTripTarget, "round trips per completion");
    miss(trackers != kTabs || tick <= 0 || trip <= 0, "tick over 64 tabs measurement");
    miss(tickRatio > kTickTarget, "tick over 64 unchanged tabs against one round trip");
    miss(changedFailed || changedTick <= 0 || fanOut <= 0, "tick over 64 changed tabs measurement");
    miss(!mutationCost, "cost of a mutating page");
    miss(worstHold < 0, "hostile pages run");
    miss(worstHold > kHoldTargetMs, "worst hold on the hostile pages");
    owned.reset();
    return ok ? 0 : 1;
}
