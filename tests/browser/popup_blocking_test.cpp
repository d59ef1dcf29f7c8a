// Popup blocking: the gate for new popup-style windows and "POPUP" filters.
#include <gtest/gtest.h>

#include <ostream>

#include "browser/popup_rules.h"
#include "tests/browser/tracker_fixture.h"

namespace qm::test {
namespace {

const std::string kUrl = "http://www.example.com/index.htm";
const std::string kPopUrl = "http://pop.example.net/p.htm";

FilterRecord NoPopup(int scope) {
    FilterRecord record;
    record.sType = "NO_POPUP";
    record.sName = "Home";
    record.nHint = -1;
    record.nScope = static_cast<std::int8_t>(scope);
    record.sHtml = " ";
    return record;
}

FilterRecord Popup(int mode, const std::string& title) {
    FilterRecord record;
    record.sType = "POPUP";
    record.sName = RemoveSpaces(title);
    record.nHint = static_cast<std::int16_t>(mode);
    record.nScope = kScopeDomain;
    record.sHtml = " ";
    return record;
}

sim::OpenWindowOptions PopupWindow(bool popupStyle = true) {
    sim::OpenWindowOptions options;
    options.url = kPopUrl;
    options.html = Page("Offer", "<p>buy</p>");
    options.title = "Offer";
    options.popupStyle = popupStyle;
    return options;
}

class PopupGateTest : public TrackerTest {
protected:
    sim::SimBrowserPtr OpenOpener(const std::string& url = kUrl, const Rect& r = {0, 0, 400, 300}) {
        return OpenPage(r, url, Page("Home", "<p>home</p>"));
    }
    const WorkingFilter* NoPopupOf(sim::SimBrowser& browser) {
        for (const WorkingFilter& f : *TrackerOf(browser)) {
            if (f.sType == "NO_POPUP") {
                return &f;
            }
        }
        return nullptr;
    }
};

TEST_F(PopupGateTest, PopupOpenedWithoutAClickIsClosedAndTheFilterMarked) {
    AddStored(kUrl, NoPopup(kScopePage));
    auto opener = OpenOpener();
    Tick();  // loads the opener's filters
    ASSERT_TRUE(TrackerOf(*opener)->HasNoPopupFilter());
    clock_.AdvanceTicks(5000);
    clock_.Advance(100);
    auto popup = system_.OpenWindow(*opener, PopupWindow());
    queue_.Drain(table_);
    EXPECT_TRUE(popup->IsClosed());
    EXPECT_EQ(popup->QuitCalls(), 1);
    EXPECT_EQ(SlotOf(*popup), -1);
    EXPECT_EQ(table_.Count(), 1);
    EXPECT_EQ(popup->SinkCount(), 0);
    const WorkingFilter* f = NoPopupOf(*opener);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->nStatus, kStatusHit);
    EXPECT_EQ(f->tLastHit, clock_.Now());
}

TEST_F(PopupGateTest, RefusedPopupCannotCloseALaterTrackerOfItsSlot) {
    AddStored(kUrl, NoPopup(kScopePage));
    auto opener = OpenOpener();
    Tick();
    clock_.AdvanceTicks(5000);
    auto popup = system_.OpenWindow(*opener, PopupWindow());
    // A normal window registers before the refusal's events are handled.
    auto normal = system_.OpenBrowser({500, 0, 900, 300}, "http://www.example.org/", Page("N", ""));
    queue_.Drain(table_);
    EXPECT_TRUE(popup->IsClosed());
    EXPECT_EQ(SlotOf(*normal), 1);  // the slot the popup was offered
    clock_.AdvanceTicks(5000);
    Tick();
    Tick();
    EXPECT_EQ(SlotOf(*normal), 1);
    EXPECT_EQ(table_.Count(), 2);
}

TEST_F(PopupGateTest, PopupWithinOneAndAHalfSecondsOfAPressIsAccepted) {
    AddStored(kUrl, NoPopup(kScopePage));
    auto opener = OpenOpener();
    Tick();
    clock_.AdvanceTicks(5000);
    TrackerOf(*opener)->lastPressTime = clock_.TickCount();
    clock_.AdvanceTicks(1499);
    auto popup = system_.OpenWindow(*opener, PopupWindow());
    queue_.Drain(table_);
    EXPECT_FALSE(popup->IsClosed());
    EXPECT_GE(SlotOf(*popup), 0);
    EXPECT_EQ(NoPopupOf(*opener)->nStatus, kStatusIdle);
}

TEST_F(PopupGateTest, PressOneAndAHalfSecondsEarlierNoLongerCounts) {
    AddStored(kUrl, NoPopup(kScopePage));
    auto opener = OpenOpener();
    Tick();
    clock_.AdvanceTicks(5000);
    TrackerOf(*opener)->lastPressTime = clock_.TickCount();
    clock_.AdvanceTicks(1500);
    auto popup = system_.OpenWindow(*opener, PopupWindow());
    queue_.Drain(table_);
    EXPECT_TRUE(popup->IsClosed());
}

TEST_F(PopupGateTest, WindowRegisteredLongAfterNewWindowIsAccepted) {
    AddStored(kUrl, NoPopup(kScopePage));
    auto opener = OpenOpener();
    Tick();
    clock_.AdvanceTicks(5000);
    auto popup = system_.OpenWindow(*opener, PopupWindow());
    ASSERT_FALSE(queue_.events.empty());
    // NewWindow2 is handled now, the registration 1.501 s later.
    auto [code, value] = queue_.events.front();
    queue_.events.pop_front();
    ASSERT_EQ(code, kEventNewWindow);
    table_.OnTrackerEvent(code, value);
    clock_.AdvanceTicks(1501);
    queue_.Drain(table_);
    EXPECT_FALSE(popup->IsClosed());
    EXPECT_GE(SlotOf(*popup), 0);
}

TEST_F(PopupGateTest, PageWithoutNoPopupFilterNeverRefuses) {
    auto opener = OpenOpener();
    Tick();
    clock_.AdvanceTicks(5000);
    auto popup = system_.OpenWindow(*opener, PopupWindow());
    queue_.Drain(table_);
    EXPECT_FALSE(popup->IsClosed());
    EXPECT_GE(SlotOf(*popup), 0);
}

TEST_F(PopupGateTest, NormalWindowIsNeverRefused) {
    AddStored(kUrl, NoPopup(kScopePage));
    auto opener = OpenOpener();
    Tick();
    clock_.AdvanceTicks(5000);
    auto window = system_.OpenWindow(*opener, PopupWindow(false));
    queue_.Drain(table_);
    EXPECT_FALSE(window->IsClosed());
    EXPECT_GE(SlotOf(*window), 0);
}

TEST_F(PopupGateTest, FirstRecentOpenerInSlotOrderIsMarked) {
    AddStored(kUrl, NoPopup(kScopePage));
    AddStored("http://www.example.com/b.htm", NoPopup(kScopePage));
    auto first = OpenOpener();
    auto second = OpenOpener("http://www.example.com/b.htm", {400, 0, 800, 300});
    Tick();
    clock_.AdvanceTicks(5000);
    // The second opener fired NewWindow2 too, just before the first.
    table_.OnTrackerEvent(kEventNewWindow, SlotOf(*second));
    auto popup = system_.OpenWindow(*first, PopupWindow());
    queue_.Drain(table_);
    EXPECT_TRUE(popup->IsClosed());
    EXPECT_EQ(NoPopupOf(*first)->nStatus, kStatusHit);
    EXPECT_EQ(NoPopupOf(*second)->nStatus, kStatusIdle);
}

TEST_F(PopupGateTest, RefusalsMarkTheOpenerEachTimeAndHitsAreSaved) {
    AddStored(kUrl, NoPopup(kScopePage));
    auto opener = OpenOpener();
    Tick();
    for (int i = 0; i < 3; ++i) {
        clock_.AdvanceTicks(5000);
        clock_.Advance(10);
        auto popup = system_.OpenWindow(*opener, PopupWindow());
        queue_.Drain(table_);
        EXPECT_TRUE(popup->IsClosed());
        EXPECT_EQ(NoPopupOf(*opener)->tLastHit, clock_.Now());
    }
    const std::uint32_t last = clock_.Now();
    opener->Close();
    queue_.Drain(table_);
    ASSERT_EQ(store_.Flush(), 1);  // hits are written in the background
    FilterStore fresh(dir_.string());
    std::vector<FilterRecord> list(kMaxWorkingFilters);
    ASSERT_EQ(fresh.FiltersForUrl(kUrl, list.data(), kMaxWorkingFilters), 1);
    EXPECT_EQ(list[0].tLastHit, last);
}

TEST_F(PopupGateTest, NewNoPopupFilterReachesAnOpenPageOnlyWhenItReloads) {
    auto opener = OpenOpener();  // body "<p>home</p>" does not mention "Home"
    Tick();
    Listen();
    AddStored(kUrl, NoPopup(kScopePage));
    EXPECT_FALSE(TrackerOf(*opener)->HasNoPopupFilter());
    clock_.AdvanceTicks(5000);
    auto first = system_.OpenWindow(*opener, PopupWindow());
    queue_.Drain(table_);
    EXPECT_FALSE(first->IsClosed());

    opener->FireDocumentComplete();  // the page completes again: the list reloads
    queue_.Drain(table_);
    EXPECT_TRUE(TrackerOf(*opener)->HasNoPopupFilter());
    clock_.AdvanceTicks(5000);
    auto second = system_.OpenWindow(*opener, PopupWindow());
    queue_.Drain(table_);
    EXPECT_TRUE(second->IsClosed());
}

TEST_F(PopupGateTest, NoNewWindowMeansNoRecentPopupEvenWhenTheTickCountWraps) {
    auto opener = OpenOpener();
    BrowserTracker* tracker = TrackerOf(*opener);
    tracker->lastPressTime = 0xFFFFF000u;  // a press just before the wrap
    clock_.SetTick(200);                   // now just after it
    EXPECT_FALSE(tracker->OpenedPopupRecently());
    tracker->NoteNewWindow();
    EXPECT_TRUE(tracker->OpenedPopupRecently());
    clock_.AdvanceTicks(1501);
    EXPECT_FALSE(tracker->OpenedPopupRecently());
}

struct PopupModeCase {
    int mode;
    const char* windowUrl;
    const char* windowTitle;
    bool closed;
};

// Names the case in test output (the default would print the structure's
// padding bytes).
void PrintTo(const PopupModeCase& c, std::ostream* out) {
    *out << "mode " << c.mode << " on " << c.windowUrl << " \"" << c.windowTitle << "\"";
}

class PopupFilterTest : public TrackerTest, public ::testing::WithParamInterface<PopupModeCase> {};

TEST_P(PopupFilterTest, MatchingWindowIsClosedOnItsCheck) {
    const PopupModeCase& c = GetParam();
    AddStored(kPopUrl, Popup(c.mode, "Win a  prize"));
    clock_.Advance(50);
    // A normal window; the filter reaches it by its domain scope.
    auto window = OpenPage({0, 0, 400, 300}, c.windowUrl, Page("x", "<p>p</p>"), c.windowTitle);
    queue_.Drain(table_);
    EXPECT_EQ(window->IsClosed(), c.closed);
    EXPECT_EQ(window->QuitCalls(), c.closed ? 1 : 0);
    if (c.closed) {
        EXPECT_EQ(table_.Count(), 0);  // OnQuit removed the tracker and saved the hit
        ASSERT_EQ(store_.Flush(), 1);
        FilterStore fresh(dir_.string());
        std::vector<FilterRecord> list(kMaxWorkingFilters);
        ASSERT_EQ(fresh.FiltersForUrl(kPopUrl, list.data(), kMaxWorkingFilters), 1);
        EXPECT_EQ(list[0].tLastHit, clock_.Now());
    } else {
        EXPECT_EQ(table_.Count(), 1);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Modes, PopupFilterTest,
    ::testing::Values(PopupModeCase{0, "http://pop.example.net/p.htm", "Other", true},
                      PopupModeCase{0, "http://pop.example.net/q.htm", "Win a prize", false},
                      PopupModeCase{1, "http://pop.example.net/q.htm", "Wina prize ", true},
                      PopupModeCase{1, "http://pop.example.net/p.htm", "Win a price", false},
                      PopupModeCase{2, "http://pop.example.net/p.htm", " Win a prize", true},
                      PopupModeCase{2, "http://pop.example.net/p.htm", "Other", false},
                      PopupModeCase{2, "http://pop.example.net/q.htm", "Win a prize", false},
                      PopupModeCase{3, "http://pop.example.net/q.htm", "Win a prize", true},
                      PopupModeCase{3, "http://pop.example.net/p.htm", "Other", true},
                      PopupModeCase{3, "http://pop.example.net/q.htm", "Other", false},
                      PopupModeCase{4, "http://pop.example.net/p.htm", "Win a prize", false},
                      PopupModeCase{-1, "http://pop.example.net/p.htm", "Win a prize", false}));

TEST_F(TrackerTest, MatchingPopupFilterEndsTheCheck) {
    const std::string html =
        Page("Win a prize", "<img id=a src=\"a.gif\"><img id=b src=\"b.gif\">");
    sim::SimDocument probe("http://x/", html);
    int ka = -1;
    int kb = -1;
    probe.ElementById("a")->SourceIndex(ka);
    probe.ElementById("b")->SourceIndex(kb);
    auto window = OpenPage({0, 0, 400, 300}, kPopUrl, html);
    BrowserTracker* tracker = TrackerOf(*window);
    tracker->filterCount = 4;
    tracker->filters[0] = ElementFilter("IMG", "a.gif", ka, kScopePage);
    tracker->filters[1] = ElementFilter("NO_POPUP", "x", -1, kScopePage);
    tracker->filters[2] = Popup(kRecogniseTitle, "Win a prize");
    tracker->filters[3] = ElementFilter("IMG", "b.gif", kb, kScopePage);
    tracker->CheckFilters();
    EXPECT_TRUE(window->IsClosed());
    // The window is closed; its elements were checked up to the popup filter.
    EXPECT_EQ(tracker->filters[0].nStatus, kStatusHit);
    EXPECT_EQ(tracker->filters[1].nStatus, kStatusIdle);
    EXPECT_EQ(tracker->filters[2].nStatus, kStatusHit);
    EXPECT_EQ(tracker->filters[3].nStatus, kStatusIdle);
    EXPECT_EQ(Display(*window, "a"), "none");
    EXPECT_EQ(Display(*window, "b"), "");
}

}  // namespace
}  // namespace qm::test
