// Failure injection for the simulated browser: every port call of documents,
// elements, collections, browsers and the shell asks the shared injector whether
// it should fail. Off by default. Portable.
#pragma once

#include <cstdint>
#include <memory>
#include <random>
#include <set>

namespace qm::sim {

// Where a port call comes from; the injector can be limited to some of them.
enum class FaultSite : unsigned {
    kDocument = 1u << 0,
    kElement = 1u << 1,
    kCollection = 1u << 2,
    kBrowser = 1u << 3,
    kShell = 1u << 4,
};
inline constexpr unsigned kAllFaultSites = 0x1fu;

class FaultInjector {
public:
    FaultInjector() = default;

    // Every counted call fails with this probability (0 disables), drawn from a
    // generator seeded with seed so that a run can be repeated.
    void SetProbability(double probability, std::uint32_t seed);
    // The nth counted call from now (1 = the next one) fails.
    void FailNthCall(std::uint64_t n);
    // Only calls from these sites (FaultSite bits) are counted and may fail.
    void SetSites(unsigned sites) { sites_ = sites; }
    // Turns injection off and forgets the pending failures (counters stay).
    void Disable();

    // Asked at the top of every port call: true when the call must fail.
    bool ShouldFail(FaultSite site);

    std::uint64_t Calls() const { return calls_; }        // counted calls so far
    std::uint64_t Failures() const { return failures_; }  // failed calls so far

private:
    double probability_ = 0.0;
    std::mt19937 random_{1u};
    std::set<std::uint64_t> failAt_;  // absolute call numbers
    unsigned sites_ = kAllFaultSites;
    std::uint64_t calls_ = 0;
    std::uint64_t failures_ = 0;
};

using FaultInjectorPtr = std::shared_ptr<FaultInjector>;

// True when faults is set and says the call must fail.
inline bool InjectFault(const FaultInjectorPtr& faults, FaultSite site) {
    return faults && faults->ShouldFail(site);
}

}  // namespace qm::sim
