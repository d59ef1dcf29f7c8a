// The inverted frame: it draws only when its state changes, and a second draw
// at the same place erases the first.
#include <gtest/gtest.h>

#include "browser/highlight_frame.h"
#include "testing/sim/sim_desktop.h"

namespace qm::testing {
namespace {

class HighlightFrameTest : public ::testing::Test {
protected:
    sim::SimDesktop desktop;
    HighlightFrame frame{desktop};
    WindowHandle window = desktop.AddWindow(0, "Test", Rect{10, 10, 300, 200}, true);
};

TEST_F(HighlightFrameTest, StartsEmptyAndHidden) {
    EXPECT_EQ(frame.mode, 0);
    EXPECT_EQ(frame.window, 0u);
    EXPECT_EQ(frame.left + frame.top + frame.right + frame.bottom, 0);
    EXPECT_FALSE(frame.shown);
}

TEST_F(HighlightFrameTest, InitRefusesAWindowThatDoesNotExist) {
    ASSERT_TRUE(frame.Init(kFrameClientRect, window, 1, 2, 3, 4));
    const WindowHandle gone = desktop.AddWindow(0, "Gone", Rect{0, 0, 10, 10});
    desktop.DestroyWindow(gone);
    EXPECT_FALSE(frame.Init(kFrameTitleBand, gone, 5, 6, 7, 8));
    EXPECT_FALSE(frame.Init(kFrameTitleBand, 0, 5, 6, 7, 8));
    EXPECT_EQ(frame.window, window);
    EXPECT_EQ(frame.mode, kFrameClientRect);
    EXPECT_EQ(frame.right, 3);
}

TEST_F(HighlightFrameTest, ShowDrawsOnceAndHideErasesByRedrawing) {
    ASSERT_TRUE(frame.Init(kFrameClientRect, window, 5, 6, 50, 60));
    frame.Show(true);
    frame.Show(true);
    ASSERT_EQ(desktop.DrawLog().size(), 1u);
    EXPECT_EQ(desktop.DrawLog()[0].window, window);
    EXPECT_EQ(desktop.DrawLog()[0].mode, kFrameClientRect);
    EXPECT_EQ(desktop.DrawLog()[0].rect.right, 50);
    EXPECT_EQ(desktop.InvertedFrames().size(), 1u);
    frame.Show(false);
    frame.Show(false);
    EXPECT_EQ(desktop.DrawLog().size(), 2u);
    EXPECT_TRUE(desktop.InvertedFrames().empty());
    EXPECT_FALSE(frame.shown);
}

TEST_F(HighlightFrameTest, InitDoesNotChangeWhatIsShown) {
    ASSERT_TRUE(frame.Init(kFrameTitleBand, window, 0, 0, 289, 189));
    frame.Show(true);
    ASSERT_TRUE(frame.Init(kFrameClientRect, window, 1, 1, 2, 2));
    EXPECT_TRUE(frame.shown);
    EXPECT_EQ(desktop.DrawLog().size(), 1u);
    EXPECT_EQ(desktop.DrawLog()[0].mode, kFrameTitleBand);
}

TEST_F(HighlightFrameTest, AFrameWhoseWindowWentAwayIsForgottenWithoutDrawing) {
    const WindowHandle page = desktop.AddWindow(0, "Page", Rect{0, 0, 100, 100});
    ASSERT_TRUE(frame.Init(kFrameClientRect, page, 1, 1, 50, 50));
    frame.Show(true);
    desktop.DestroyWindow(page);
    frame.Show(false);
    EXPECT_FALSE(frame.shown);
    frame.Show(true);
    EXPECT_FALSE(frame.shown);
    EXPECT_EQ(desktop.DrawLog().size(), 1u);
}

}  // namespace
}  // namespace qm::testing
