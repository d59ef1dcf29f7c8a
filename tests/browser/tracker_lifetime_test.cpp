// A tracker whose window closes while its own prompt is open (the prompt's
// modal loop handles the OnQuit and the timer) stays alive until the prompt
// has returned; the table releases it at the next tick.
#include <gtest/gtest.h>

#include <functional>

#include "browser/filter_prompter.h"
#include "browser/highlight_frame.h"
#include "tests/browser/tracker_fixture.h"

namespace qm::test {
namespace {

// Stands in for the prompt: runs the given work as its modal loop would.
class ModalPrompter : public FilterPrompter {
public:
    bool AddFilterWithPrompt(const std::string& url, FilterRecord& record) override {
        ++calls;
        lastUrl = url;
        lastRecord = record;
        if (duringPrompt) {
            duringPrompt();
        }
        return false;  // cancelled
    }
    std::function<void()> duringPrompt;
    int calls = 0;
    std::string lastUrl;
    FilterRecord lastRecord;
};

class TrackerLifetimeTest : public TrackerTest {
protected:
    TrackerLifetimeTest()
        : promptingContext_{store_, desktop_, &prompter_, &queue_}, table2_(promptingContext_) {}
    void SetUp() override { ASSERT_TRUE(table2_.ConnectShellWindows(system_)); }

    sim::SimBrowserPtr Open(const Rect& r) {
        auto browser =
            system_.OpenBrowser(r, "http://pop.example.net/p.htm", Page("Buy now", "<p>x</p>"));
        queue_.Drain(table2_);
        return browser;
    }

    ModalPrompter prompter_;
    TrackerContext promptingContext_;
    TrackerTable table2_;
};

TEST_F(TrackerLifetimeTest, WindowClosedDuringItsOwnPromptOutlivesThePrompt) {
    auto browser = Open({0, 0, 400, 300});
    browser->SetPopupStyle();
    const int slot = table2_.FindTrackerAt({200, 10});
    ASSERT_GE(slot, 0);
    BrowserTracker* tracker = table2_.Tracker(slot);
    prompter_.duringPrompt = [&] {
        browser->Close();  // the user closes the popup while the prompt is open
        queue_.Drain(table2_);
        table2_.OnTick();
        EXPECT_EQ(table2_.Tracker(slot), nullptr);
        EXPECT_EQ(table2_.RetiredCount(), 1);
        EXPECT_EQ(browser->SinkCount(), 0);
    };
    HighlightFrame highlight(desktop_);
    tracker->DragFromBin(2, {200, 10}, highlight);  // then asks the closed browser to quit
    EXPECT_EQ(prompter_.calls, 1);
    EXPECT_EQ(prompter_.lastRecord.sType, "POPUP");
    EXPECT_EQ(prompter_.lastRecord.sName, "Buynow");
    EXPECT_EQ(table2_.Count(), 0);
    table2_.OnTick();
    EXPECT_EQ(table2_.RetiredCount(), 0);
}

TEST_F(TrackerLifetimeTest, WindowClosedOutsideAnyPromptEndsAtOnce) {
    auto browser = Open({0, 0, 400, 300});
    browser->Close();
    queue_.Drain(table2_);
    EXPECT_EQ(table2_.Count(), 0);
    EXPECT_EQ(table2_.RetiredCount(), 0);
}

TEST_F(TrackerLifetimeTest, OtherWindowsClosingDuringAPromptEndAtOnce) {
    auto prompting = Open({0, 0, 400, 300});
    auto other = Open({500, 0, 900, 300});
    BrowserTracker* tracker = table2_.Tracker(table2_.FindTrackerAt({200, 10}));
    ASSERT_NE(tracker, nullptr);
    prompter_.duringPrompt = [&] {
        other->Close();
        queue_.Drain(table2_);
        EXPECT_EQ(table2_.RetiredCount(), 0);
    };
    HighlightFrame highlight(desktop_);
    tracker->DragFromBin(2, {200, 10}, highlight);
    EXPECT_EQ(prompter_.lastRecord.sType, "NO_POPUP");
    EXPECT_EQ(table2_.Count(), 1);
    EXPECT_FALSE(prompting->IsClosed());  // a normal window stays open
}

}  // namespace
}  // namespace qm::test
