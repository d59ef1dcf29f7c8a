// Time values: unsigned 32-bit seconds since 1970-01-01 00:00 UTC.
#pragma once

#include <cstdint>
#include <string>

namespace qm {

// The current time from CurrentClock().
std::uint32_t GetCurrentTimeValue();
// Local time as "%Y-%m-%d %H:%M"; empty when the value cannot be converted.
std::string FormatTimeValue(std::uint32_t t);
// (later - earlier) / 86400 in unsigned 32-bit arithmetic, rounded down.
std::uint32_t DaysBetween(std::uint32_t later, std::uint32_t earlier);

}  // namespace qm
