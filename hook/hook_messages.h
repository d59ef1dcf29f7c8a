// Private window messages shared by Quillmoor.exe and Quillmoor.Dll, and the
// point packing of the hook messages. Portable: no platform headers.
#pragma once

#include <cstdint>

namespace qm {

// Plain numbers, not registered with the system; both deliverables must agree.
constexpr unsigned WM_TRAY_NOTIFY = 20146;
constexpr unsigned WM_HOOK_LBUTTONDOWN = 20148;
constexpr unsigned WM_HOOK_LBUTTONUP = 20149;
constexpr unsigned WM_HOOK_MOUSEMOVE = 20150;
constexpr unsigned WM_TRACKER_EVENT = 20151;

// lParam of the hook messages: (x << 16) + y in 32-bit arithmetic. An addition,
// not a bitwise or, so a negative y borrows from x: (100, -10) gives 6553590.
constexpr std::int32_t PackHookPoint(std::int32_t x, std::int32_t y) {
    return static_cast<std::int32_t>((static_cast<std::uint32_t>(x) << 16) +
                                     static_cast<std::uint32_t>(y));
}

}  // namespace qm
