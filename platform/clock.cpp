#include "platform/clock.h"

#include <chrono>

namespace qm {

namespace {

class SystemClock : public Clock {
public:
    std::uint32_t Now() const override {
        using namespace std::chrono;
        return static_cast<std::uint32_t>(
            duration_cast<seconds>(system_clock::now().time_since_epoch()).count());
    }
    std::uint32_t TickCount() const override {
        using namespace std::chrono;
        return static_cast<std::uint32_t>(
            duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
    }
};

SystemClock g_system;
Clock* g_current = &g_system;

}  // namespace

Clock& CurrentClock() {
    return *g_current;
}

Clock* SetCurrentClock(Clock* clock) {
    Clock* previous = g_current;
    g_current = clock != nullptr ? clock : &g_system;
    return previous;
}

}  // namespace qm
