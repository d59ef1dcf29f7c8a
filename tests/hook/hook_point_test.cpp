#include <gtest/gtest.h>

#include "hook/hook_messages.h"

namespace {

TEST(HookPoint, PacksXHighAndAddsY) {
    EXPECT_EQ(qm::PackHookPoint(100, 200), 6553800);
    EXPECT_EQ(qm::PackHookPoint(100, 200), 0x6400C8);
    EXPECT_EQ(qm::PackHookPoint(0, 0), 0);
    EXPECT_EQ(qm::PackHookPoint(0, 65535), 65535);
    EXPECT_EQ(qm::PackHookPoint(1, 0), 65536);
}

TEST(HookPoint, NegativeCoordinatesBorrowInsteadOfMasking) {
    // An addition, not an or: a negative y borrows from x.
    EXPECT_EQ(qm::PackHookPoint(100, -10), 6553590);
    EXPECT_EQ(qm::PackHookPoint(100, -10), 0x63FFF6);
    EXPECT_EQ(qm::PackHookPoint(0, -1), -1);
    // A negative x (a monitor left of the primary one) fills the high half.
    EXPECT_EQ(qm::PackHookPoint(-1, 0), static_cast<std::int32_t>(0xFFFF0000u));
    EXPECT_EQ(qm::PackHookPoint(-2, 5), static_cast<std::int32_t>(0xFFFE0005u));
}

TEST(HookPoint, MessageNumbersAreFixed) {
    EXPECT_EQ(qm::WM_TRAY_NOTIFY, 20146u);
    EXPECT_EQ(qm::WM_HOOK_LBUTTONDOWN, 0x4EB4u);
    EXPECT_EQ(qm::WM_HOOK_LBUTTONUP, 0x4EB5u);
    EXPECT_EQ(qm::WM_HOOK_MOUSEMOVE, 0x4EB6u);
    EXPECT_EQ(qm::WM_TRACKER_EVENT, 0x4EB7u);
}

}  // namespace
