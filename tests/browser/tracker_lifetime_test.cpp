// A drop is a value: once a tracker has returned it, the window may close and
// its tracker end at once, while the drop still names the window to close.
#include <gtest/gtest.h>

#include "browser/highlight_frame.h"
#include "tests/browser/tracker_fixture.h"

namespace qm::test {
namespace {

class TrackerLifetimeTest : public TrackerTest {
protected:
    sim::SimBrowserPtr Open(const Rect& r) {
        auto browser =
            system_.OpenBrowser(r, "http://pop.example.net/p.htm", Page("Buy now", "<p>x</p>"));
        queue_.Drain(table_);
        return browser;
    }
};

TEST_F(TrackerLifetimeTest, WindowClosedAfterItsDropEndsAtOnceAndTheDropStillClosesIt) {
    auto browser = Open({0, 0, 400, 300});
    browser->SetPopupStyle();
    const int slot = table_.FindTrackerAt({200, 10});
    ASSERT_GE(slot, 0);
    HighlightFrame highlight(desktop_);
    Drop drop = table_.Tracker(slot)->DragFromBin(kDragRelease, {200, 10}, highlight);
    ASSERT_TRUE(drop.made);
    EXPECT_EQ(drop.record.sType, "POPUP");
    EXPECT_EQ(drop.record.sName, "Buynow");
    EXPECT_EQ(drop.url, "http://pop.example.net/p.htm");
    ASSERT_NE(drop.closeAfter, nullptr);

    browser->Close();  // the user closes the popup while being asked
    queue_.Drain(table_);
    EXPECT_EQ(table_.Tracker(slot), nullptr);
    EXPECT_EQ(table_.Count(), 0);
    EXPECT_EQ(browser->SinkCount(), 0);
    drop.closeAfter->Quit();  // a window already gone: nothing happens
    table_.OnTick();
    EXPECT_TRUE(browser->IsClosed());
}

TEST_F(TrackerLifetimeTest, WindowClosedOutsideAnyDropEndsAtOnce) {
    auto browser = Open({0, 0, 400, 300});
    browser->Close();
    queue_.Drain(table_);
    EXPECT_EQ(table_.Count(), 0);
}

TEST_F(TrackerLifetimeTest, NormalWindowDropNamesNoWindowToClose) {
    auto dropping = Open({0, 0, 400, 300});
    auto other = Open({500, 0, 900, 300});
    BrowserTracker* tracker = table_.Tracker(table_.FindTrackerAt({200, 10}));
    ASSERT_NE(tracker, nullptr);
    HighlightFrame highlight(desktop_);
    const Drop drop = tracker->DragFromBin(kDragRelease, {200, 10}, highlight);
    EXPECT_EQ(drop.record.sType, "NO_POPUP");
    EXPECT_EQ(drop.closeAfter, nullptr);
    other->Close();
    queue_.Drain(table_);
    EXPECT_EQ(table_.Count(), 1);
    EXPECT_FALSE(dropping->IsClosed());  // a normal window stays open
}

}  // namespace
}  // namespace qm::test
