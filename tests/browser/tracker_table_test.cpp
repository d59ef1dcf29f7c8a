// The tracker table: slots, rescans, events, ticks and hit testing.
#include <gtest/gtest.h>

#include "tests/browser/tracker_fixture.h"

namespace qm::test {
namespace {

const std::string kUrl = "http://www.example.com/index.htm";

TEST_F(TrackerTest, OpenedWindowGetsTrackerWithItsWindowsAndDocument) {
    auto browser = OpenPage({0, 0, 800, 600}, kUrl, Page("Home", "<p>hi</p>"));
    ASSERT_EQ(table_.Count(), 1);
    BrowserTracker* tracker = table_.Tracker(0);
    ASSERT_NE(tracker, nullptr);
    EXPECT_EQ(tracker->slot, 0);
    EXPECT_EQ(tracker->browserWindow, browser->TopWindow());
    EXPECT_EQ(tracker->pageWindow, browser->PageWindow());
    EXPECT_EQ(desktop_.ClassName(tracker->pageWindow), "Internet Explorer_Server");
    EXPECT_EQ(tracker->url, kUrl);
    EXPECT_EQ(browser->SinkCount(), 1);
}

TEST_F(TrackerTest, RescanKeepsSlotsAndMakesNoSecondTracker) {
    auto a = OpenPage({0, 0, 400, 300}, kUrl, Page("A", ""));
    auto b = OpenPage({400, 0, 800, 300}, kUrl, Page("B", ""));
    ASSERT_EQ(SlotOf(*a), 0);
    ASSERT_EQ(SlotOf(*b), 1);
    BrowserTracker* before = table_.Tracker(1);
    table_.RescanWindows();
    table_.RescanWindows();
    EXPECT_EQ(table_.Count(), 2);
    EXPECT_EQ(SlotOf(*a), 0);
    EXPECT_EQ(table_.Tracker(1), before);
    EXPECT_EQ(b->SinkCount(), 1);
    EXPECT_EQ(table_.AddTracker(b), 1);
}

TEST_F(TrackerTest, WindowStillOpeningIsTrackedByALaterRescan) {
    auto browser = system_.OpenBrowser({0, 0, 400, 300});  // no document yet
    queue_.Drain(table_);
    EXPECT_EQ(table_.Count(), 0);
    EXPECT_EQ(browser->SinkCount(), 0);  // the failed tracker disconnected its sink
    browser->SetDocument(std::make_shared<sim::SimDocument>(kUrl, Page("Now", "")));
    table_.RescanWindows();
    EXPECT_EQ(table_.Count(), 1);
    EXPECT_EQ(SlotOf(*browser), 0);
}

TEST_F(TrackerTest, WindowWithoutPageWindowIsNotTracked) {
    const WindowHandle top = desktop_.AddWindow(0, "CabinetWClass", {0, 0, 300, 300}, true);
    const WindowHandle view = desktop_.AddWindow(top, "SHELLDLL_DefView", {5, 30, 295, 295});
    auto browser = system_.AddBrowser(top, view, kUrl, Page("Folder", ""));
    queue_.Drain(table_);
    table_.RescanWindows();
    EXPECT_EQ(table_.Count(), 0);
    EXPECT_EQ(browser->SinkCount(), 0);
}

TEST_F(TrackerTest, FolderWindowsAreSkipped) {
    system_.AddFolderWindow();
    auto browser = OpenPage({0, 0, 400, 300}, kUrl, Page("A", ""));
    system_.AddFolderWindow();
    table_.RescanWindows();
    EXPECT_EQ(table_.Count(), 1);
    EXPECT_EQ(SlotOf(*browser), 0);
}

TEST_F(TrackerTest, SixtyFifthWindowWaitsForAFreedSlot) {
    std::vector<sim::SimBrowserPtr> browsers;
    for (int i = 0; i < kMaxTrackers + 1; ++i) {
        browsers.push_back(OpenPage({i, i, 300 + i, 200 + i}, kUrl, Page("W", "")));
    }
    EXPECT_EQ(table_.Count(), kMaxTrackers);
    EXPECT_EQ(SlotOf(*browsers[64]), -1);
    EXPECT_EQ(browsers[64]->SinkCount(), 0);

    browsers[17]->Close();  // OnQuit frees slot 17
    queue_.Drain(table_);
    EXPECT_EQ(table_.Count(), kMaxTrackers - 1);
    EXPECT_EQ(table_.Tracker(17), nullptr);

    Tick();  // tick 1: no rescan
    EXPECT_EQ(SlotOf(*browsers[64]), -1);
    Tick();  // tick 2: rescan takes the waiting window into the freed slot
    EXPECT_EQ(SlotOf(*browsers[64]), 17);
    EXPECT_EQ(table_.Count(), kMaxTrackers);
}

TEST_F(TrackerTest, RescanRunsOnEverySecondTick) {
    std::vector<sim::SimBrowserPtr> opened;
    for (unsigned tick = 1; tick <= 6; ++tick) {
        opened.push_back(system_.OpenBrowser({0, 0, 300, 200}, kUrl, Page("W", "")));
        queue_.events.clear();  // lose WindowRegistered: only the timer can find it
        table_.OnTick();
        if (tick % 2 == 0) {
            for (const auto& browser : opened) {
                EXPECT_GE(SlotOf(*browser), 0) << "tick " << tick;
            }
        } else {
            EXPECT_EQ(SlotOf(*opened.back()), -1) << "tick " << tick;
        }
    }
    EXPECT_EQ(table_.TickCounter(), 6u);
    EXPECT_EQ(table_.Count(), 6);
}

TEST_F(TrackerTest, IgnoredEventsChangeNothing) {
    auto browser = OpenPage({0, 0, 400, 300}, kUrl, Page("A", ""));
    BrowserTracker* tracker = TrackerOf(*browser);
    ASSERT_NE(tracker, nullptr);
    tracker->reloadPending = false;
    const int ticks = tracker->tickCount;
    for (int code : {-1, 1, 5, 7, 100}) {
        table_.OnTrackerEvent(code, 0);
    }
    // Events for empty or impossible slots.
    for (int code : {0, 2, 3, 6}) {
        table_.OnTrackerEvent(code, 5);
        table_.OnTrackerEvent(code, -1);
        table_.OnTrackerEvent(code, 64);
        table_.OnTrackerEvent(code, 1L << 20);
    }
    EXPECT_EQ(table_.Count(), 1);
    EXPECT_FALSE(tracker->reloadPending);
    EXPECT_EQ(tracker->tickCount, ticks);
    EXPECT_EQ(tracker->lastNewWindowTime, 0u);
}

TEST_F(TrackerTest, NavigationEventsMarkReloadAndNewWindowNotesTheTime) {
    auto browser = OpenPage({0, 0, 400, 300}, kUrl, Page("A", ""));
    BrowserTracker* tracker = TrackerOf(*browser);
    ASSERT_NE(tracker, nullptr);
    clock_.SetTick(777777);
    table_.OnTrackerEvent(kEventNewWindow, tracker->slot);
    EXPECT_EQ(tracker->lastNewWindowTime, 777777u);
    tracker->reloadPending = false;
    browser->Navigate("http://www.example.com/two.htm", Page("Two", ""));
    queue_.Drain(table_);
    EXPECT_FALSE(tracker->reloadPending);  // the completion reloaded
    EXPECT_EQ(tracker->url, "http://www.example.com/two.htm");
}

TEST_F(TrackerTest, CloseRemovesTrackerAndDisconnectsItsSink) {
    auto browser = OpenPage({0, 0, 400, 300}, kUrl, Page("A", ""));
    browser->Close();
    queue_.Drain(table_);
    EXPECT_EQ(table_.Count(), 0);
    EXPECT_EQ(browser->SinkCount(), 0);
    EXPECT_FALSE(table_.RemoveTracker(0));
    EXPECT_FALSE(table_.RemoveTracker(-1));
    EXPECT_FALSE(table_.RemoveTracker(64));
}

TEST_F(TrackerTest, FindTrackerAtWalksUpFromTheWindowUnderThePoint) {
    auto a = OpenPage({0, 0, 400, 300}, kUrl, Page("A", ""));
    auto b = OpenPage({500, 0, 900, 300}, kUrl, Page("B", ""));
    EXPECT_EQ(table_.FindTrackerAt({100, 100}), SlotOf(*a));  // inside a's page window
    EXPECT_EQ(table_.FindTrackerAt({600, 10}), SlotOf(*b));   // b's caption
    EXPECT_EQ(table_.FindTrackerAt({450, 100}), -1);          // between them
    EXPECT_EQ(table_.FindTrackerAt({2000, 2000}), -1);
}

TEST_F(TrackerTest, ShellConnectionFailureIsReported) {
    sim::SimBrowserSystem failing(&desktop_);
    failing.SetConnectFails(true);
    TrackerTable table(context_);
    EXPECT_FALSE(table.ConnectShellWindows(failing));
    table.RescanWindows();
    table.OnTick();
    table.OnTick();
    EXPECT_EQ(table.Count(), 0);
}

TEST_F(TrackerTest, TableDisconnectsFromShellWhenDestroyed) {
    const int before = system_.Shell()->SinkCount();
    {
        TrackerTable table(context_);
        ASSERT_TRUE(table.ConnectShellWindows(system_));
        EXPECT_EQ(system_.Shell()->SinkCount(), before + 1);
    }
    EXPECT_EQ(system_.Shell()->SinkCount(), before);
}

}  // namespace
}  // namespace qm::test
