// A clock for tests and benchmarks that only moves when told to, and a scope
// that installs a clock as the current one.
#pragma once

#include <cstdint>

#include "platform/clock.h"

namespace qm {

// A clock that only moves when told to; for tests and benchmarks.
class ManualClock : public Clock {
public:
    std::uint32_t Now() const override { return now_; }
    std::uint32_t TickCount() const override { return tick_; }
    void SetNow(std::uint32_t now) { now_ = now; }
    void SetTick(std::uint32_t tick) { tick_ = tick; }
    void Advance(std::uint32_t seconds) { now_ += seconds; }
    void AdvanceTicks(std::uint32_t ms) { tick_ += ms; }

private:
    std::uint32_t now_ = 1000000000u;
    std::uint32_t tick_ = 100000u;
};

// Installs a clock for the lifetime of a scope.
class ScopedClock {
public:
    explicit ScopedClock(Clock& clock) : previous_(SetCurrentClock(&clock)) {}
    ~ScopedClock() { SetCurrentClock(previous_); }
    ScopedClock(const ScopedClock&) = delete;
    ScopedClock& operator=(const ScopedClock&) = delete;

private:
    Clock* previous_;
};

}  // namespace qm
