#include "store/time_value.h"

#include <ctime>

#include "platform/clock.h"

namespace qm {

std::uint32_t GetCurrentTimeValue() {
    return CurrentClock().Now();
}

std::string FormatTimeValue(std::uint32_t t) {
    const std::time_t value = static_cast<std::time_t>(t);
    std::tm local{};
#ifdef _WIN32
    if (localtime_s(&local, &value) != 0) {
        return "";
    }
#else
    if (localtime_r(&value, &local) == nullptr) {
        return "";
    }
#endif
    char text[128];
    const std::size_t n = std::strftime(text, sizeof(text), "%Y-%m-%d %H:%M", &local);
    return std::string(text, n);
}

std::uint32_t DaysBetween(std::uint32_t later, std::uint32_t earlier) {
    return static_cast<std::uint32_t>(later - earlier) / 86400u;
}

}  // namespace qm
