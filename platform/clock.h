// The time source of the core: time values (seconds since 1970 UTC) and the
// millisecond tick count. Tests install a fake clock instead of sleeping.
#pragma once

#include <cstdint>

namespace qm {

class Clock {
public:
    virtual ~Clock() = default;
    virtual std::uint32_t Now() const = 0;        // seconds since 1970-01-01 00:00 UTC
    virtual std::uint32_t TickCount() const = 0;  // milliseconds, wraps
};

// The clock in use: the system clock unless a test installed another one.
Clock& CurrentClock();
// Installs clock (nullptr restores the system clock); returns the previous one.
Clock* SetCurrentClock(Clock* clock);

}  // namespace qm
