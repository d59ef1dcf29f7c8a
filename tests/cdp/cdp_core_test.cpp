// The tracker core (tracker table, element removal, popup blocking) and the
// real filter store, driven by a real Chromium through the DevTools backend.
// The test plays the user-interface thread: it pumps the backend's events,
// hands the posted tracker events to the table and runs the timer.
#include "tests/cdp/cdp_core_fixture.h"

namespace qm::cdptest {
namespace {

TEST_F(CdpCoreTest, StoredFilterHidesItsElementAtTheCompletion) {
    // A page without frames: one document completion, which locates the
    // element and checks it at once: no tick runs here.
    FilterRecord record = Filter("IMG", "/img/banner.gif", kScopePage, -1);
    ASSERT_EQ(1, store_.AddFilter(session_.server.Url("/twins.html"), record));
    const std::string target = session_.OpenWindow("/twins.html");
    ASSERT_TRUE(session_.WaitLoaded(target, 10000, "/twins.html"));
    BrowserTracker* tracker = nullptr;
    ASSERT_TRUE(DeliverUntil([&] {
        tracker = TrackerShowing("/twins.html");
        return tracker != nullptr && tracker->filterCount == 1 && tracker->filters[0].nHint >= 0;
    }));
    EXPECT_EQ(kStatusHit, tracker->filters[0].nStatus);
    EXPECT_EQ(0u, table_.TickCounter());
    // Two elements share the identity: the last one in document order is hidden.
    EXPECT_EQ("none", Display(target, "banner2"));
    EXPECT_EQ("", Display(target, "banner"));
    EXPECT_EQ("", Display(target, "logo"));

    // The next completion starts from the stored index and hides at once.
    cdp::Json marked;
    ASSERT_TRUE(session_.EvaluateInPage(target, "window.earlier = true", marked));
    ASSERT_TRUE(session_.Navigate(target, "/twins.html"));
    ASSERT_TRUE(DeliverUntil([&] {
        cdp::Json fresh;
        tracker = TrackerShowing("/twins.html");
        return session_.EvaluateInPage(
                   target, "!window.earlier && document.readyState === 'complete'", fresh) &&
               fresh == true && tracker != nullptr && Display(target, "banner2") == "none" &&
               tracker->filters[0].nStatus == kStatusHit;
    }));
    EXPECT_EQ("", Display(target, "banner"));
}

TEST_F(CdpCoreTest, FilterAddedOnOnePageHidesInAnotherPageOfTheHostAndRestoreShowsIt) {
    const std::string first = session_.OpenWindow("/ads.html");
    const std::string second = session_.OpenWindow("/ads2.html");
    ASSERT_TRUE(session_.WaitLoaded(first, 10000, "/ads.html"));
    ASSERT_TRUE(session_.WaitLoaded(second, 10000, "/ads2.html"));
    BrowserTracker* other = nullptr;
    ASSERT_TRUE(DeliverUntil([&] {
        other = TrackerShowing("/ads2.html");
        return other != nullptr && TrackerShowing("/ads.html") != nullptr;
    }));
    const std::string pageUrl = session_.server.Url("/ads.html");
    FilterRecord record = Filter("IMG", "/img/banner.gif", kScopeHost, 5);
    ASSERT_EQ(1, store_.AddFilter(pageUrl, record));
    // Searched for in the other page, which answers without being waited for.
    ASSERT_TRUE(DeliverUntil([&] { return other->filterCount == 1; }));
    EXPECT_EQ(kStatusCandidate, other->filters[0].nStatus);
    EXPECT_GE(other->filters[0].nHint, 0);

    session_.system.SetForeground(other->browserWindow);
    EXPECT_TRUE(TickUntilHit(other));
    EXPECT_EQ("none", Display(second, "banner"));
    EXPECT_EQ("", Display(second, "other"));

    ASSERT_EQ(1, store_.RestoreFilter(GetHostFileName(pageUrl), 0));
    EXPECT_EQ(0, other->filterCount);
    EXPECT_EQ("", Display(second, "banner"));
}

TEST_F(CdpCoreTest, PopupFilterClosesTheMatchingWindowOnly) {
    FilterRecord record = Filter("POPUP", "Winaprize", kScopeDomain, 3);
    ASSERT_EQ(1, store_.AddFilter(session_.server.Url("/popup.html"), record));
    const std::string keep = session_.OpenWindow("/ads.html");
    ASSERT_TRUE(session_.WaitLoaded(keep, 10000, "/ads.html"));
    const std::string doomed = session_.OpenWindow("/popup.html");
    ASSERT_FALSE(doomed.empty());
    ASSERT_TRUE(DeliverUntil([&] { return !TargetOpen(doomed); }));
    // Its OnQuit took the tracker away; the other window stays tracked and open.
    ASSERT_TRUE(DeliverUntil([&] {
        for (int s = 0; s < kMaxTrackers; ++s) {
            BrowserTracker* t = table_.Tracker(s);
            if (t != nullptr && t->url == session_.server.Url("/popup.html")) {
                return false;
            }
        }
        return true;
    }));
    EXPECT_TRUE(TargetOpen(keep));
    EXPECT_NE(nullptr, TrackerShowing("/ads.html"));
}

class CdpNoPopupTest : public CdpCoreTest {
protected:
    // The opener page, tracked with a "NO_POPUP" filter in its list.
    BrowserTracker* OpenGuardedOpener(std::string& target) {
        FilterRecord record = Filter("NO_POPUP", "Opener", kScopePage, -1);
        EXPECT_EQ(1, store_.AddFilter(session_.server.Url("/opener.html"), record));
        target = session_.OpenWindow("/opener.html");
        EXPECT_TRUE(session_.WaitLoaded(target, 10000, "/opener.html"));
        BrowserTracker* tracker = nullptr;
        EXPECT_TRUE(DeliverUntil([&] {
            tracker = TrackerShowing("/opener.html");
            return tracker != nullptr && tracker->HasNoPopupFilter();
        }));
        return tracker;
    }
};

TEST_F(CdpNoPopupTest, PopupOpenedWithoutAClickIsClosed) {
    std::string target;
    BrowserTracker* opener = OpenGuardedOpener(target);
    ASSERT_NE(nullptr, opener);
    const int tracked = table_.Count();
    cdp::Json ignored;
    ASSERT_TRUE(session_.EvaluateInPage(target, "openAuto()", ignored));
    // The popup appears, is refused by the gate and closed again.
    ASSERT_TRUE(DeliverUntil([&] { return opener->filters[0].nStatus == kStatusHit; }));
    ASSERT_TRUE(DeliverUntil([&] { return PagesShowing("/popup.html") == 0; }));
    EXPECT_EQ(tracked, table_.Count());
    EXPECT_NE(0u, opener->lastNewWindowTime);
}

TEST_F(CdpNoPopupTest, PopupOpenedByAClickStays) {
    std::string target;
    BrowserTracker* opener = OpenGuardedOpener(target);
    ASSERT_NE(nullptr, opener);
    const int tracked = table_.Count();
    // The mouse hook reports the press inside the page window, then the click lands.
    session_.system.SetForeground(opener->browserWindow);
    const int slot = table_.FindTrackerAt(Point{60, 60});
    ASSERT_EQ(opener, table_.Tracker(slot));
    opener->PressOnPage(Point{60, 60});
    ASSERT_TRUE(session_.Click(target, 60, 60));
    ASSERT_TRUE(DeliverUntil([&] { return table_.Count() == tracked + 1; }));
    EXPECT_EQ(1, PagesShowing("/popup.html"));
    EXPECT_NE(kStatusHit, opener->filters[0].nStatus);
}

}  // namespace
}  // namespace qm::cdptest
