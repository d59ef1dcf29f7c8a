// Pages that work against the backend, with the tracker core and the real
// store: popups opened before anything could be attached, adverts that the
// page's own style or scripts bring back, pages that reload or hang.
#include "tests/cdp/cdp_core_fixture.h"

#include <cstdio>

namespace qm::cdptest {
namespace {

class CdpHostileTest : public CdpCoreTest {
protected:
    // A value computed by the page's own scripts, as JSON text.
    std::string Eval(const std::string& target, const std::string& expression) {
        cdp::Json value;
        if (!session_.EvaluateInPage(target, expression, value)) {
            return "?";
        }
        return value.dump();
    }

    // Opens path with a stored filter for its advert and waits until its
    // tracker has located it; the tracker.
    BrowserTracker* OpenWithStoredAdvert(const std::string& path, std::string& target) {
        FilterRecord record = Filter("IMG", "/img/banner.gif", kScopePage, -1);
        EXPECT_EQ(1, store_.AddFilter(session_.server.Url(path), record));
        target = session_.OpenWindow(path);
        BrowserTracker* tracker = nullptr;
        EXPECT_TRUE(DeliverUntil([&] {
            tracker = TrackerShowing(path);
            return tracker != nullptr && tracker->filterCount == 1 &&
                   tracker->filters[0].nHint >= 0;
        }));
        return tracker;
    }
};

// A page with a "NO_POPUP" filter, opened in a new tab, opens a popup without
// any click: from its first script while its document is still parsed, or a
// little after its load. No popup may escape.
TEST_F(CdpHostileTest, PopupsOpenedWithoutAClickNeverEscape) {
    struct Kind {
        const char* path;
        const char* title;
        int trials;
    };
    for (const Kind& kind : {Kind{"/opens_at_once.html", "Opensatonce", 50},
                             Kind{"/opens_later.html", "Openslater", 25}}) {
        SCOPED_TRACE(kind.path);
        FilterRecord record = Filter("NO_POPUP", kind.title, kScopePage, -1);
        ASSERT_EQ(1, store_.AddFilter(session_.server.Url(kind.path), record));
        Deliver();
        const int tracked = table_.Count();
        int escaped = 0;
        int refused = 0;
        for (int trial = 0; trial < kind.trials; ++trial) {
            ASSERT_FALSE(session_.OpenWindow(kind.path).empty());
            // Refused: the opener's filter was hit in this trial (a later
            // completion may reload its list afterwards) and no popup is open.
            bool hit = false;
            const bool done = session_.RunUntil(
                [&] {
                    BrowserTracker* tracker = TrackerShowing(kind.path);
                    hit = hit || (tracker != nullptr && tracker->filterCount == 1 &&
                                  tracker->filters[0].nStatus == kStatusHit);
                    return hit && PagesShowing("/popup.html") == 0;
                },
                [this] { Deliver(); }, 8000);
            refused += done ? 1 : 0;
            escaped += CloseAll("/popup.html");
            CloseAll(kind.path);
            ASSERT_TRUE(DeliverUntil([&] { return table_.Count() == tracked; }));
        }
        EXPECT_EQ(0, escaped);
        EXPECT_EQ(kind.trials, refused);
    }
}

// The page's style sheet says "display: inline !important" for its advert.
TEST_F(CdpHostileTest, ImportantRuleOfThePageDoesNotShowAHiddenAdvertAndRestoreUndoesOnlyOurs) {
    std::string target;
    BrowserTracker* tracker = OpenWithStoredAdvert("/important.html", target);
    ASSERT_NE(nullptr, tracker);
    session_.system.SetForeground(tracker->browserWindow);
    ASSERT_TRUE(TickUntilHit(tracker));
    EXPECT_EQ("\"none\"", Eval(target, "getComputedStyle(document.getElementById('ad')).display"));

    ASSERT_EQ(1, store_.RestoreFilter(GetHostFileName(session_.server.Url("/important.html")), 0));
    EXPECT_EQ(0, tracker->filterCount);
    EXPECT_EQ("\"inline\"",
              Eval(target, "getComputedStyle(document.getElementById('ad')).display"));
    EXPECT_EQ("\"border: 1px solid red;\"",
              Eval(target, "document.getElementById('ad').style.cssText"));
}

// 100 ms after its advert is hidden the page makes it again, elsewhere.
TEST_F(CdpHostileTest, AdvertThePageMakesAgainIsHiddenWhereverItGoes) {
    std::string target;
    BrowserTracker* tracker = OpenWithStoredAdvert("/recreate.html", target);
    ASSERT_NE(nullptr, tracker);
    session_.system.SetForeground(tracker->browserWindow);
    ASSERT_TRUE(TickUntilHit(tracker));
    // No more checks: only what runs in the page can hide the new ones.
    ASSERT_TRUE(session_.RunUntil([&] { return Eval(target, "window.recreated >= 6") == "true"; },
                                  nullptr, 10000));
    EXPECT_EQ("0", Eval(target, "window.seenShowing"));
    EXPECT_EQ("\"none\"", Eval(target, "getComputedStyle(document.getElementById('ad')).display"));
}

// The page reloads itself every 200 ms; once its advert was hidden, no later
// load shows it to the page's own first script.
TEST_F(CdpHostileTest, AdvertOfAPageThatReloadsItselfIsHiddenFromTheStartOfEveryLoad) {
    std::string target;
    BrowserTracker* tracker = OpenWithStoredAdvert("/reloads.html", target);
    ASSERT_NE(nullptr, tracker);
    session_.system.SetForeground(tracker->browserWindow);
    int firstHidden = -1;
    ASSERT_TRUE(DeliverUntil([&] {
        table_.OnTick();
        cdp::Json loads;
        if (tracker != TrackerShowing("/reloads.html") ||
            tracker->filters[0].nStatus != kStatusHit ||
            !session_.EvaluateInPage(target, "JSON.parse(sessionStorage.getItem('loads'))",
                                     loads) ||
            !loads.is_array()) {
            tracker = TrackerShowing("/reloads.html");
            return false;
        }
        firstHidden = static_cast<int>(loads.size());
        return true;
    }));
    // The script for new documents is on its way by then: from the load after
    // the next one, every load.
    cdp::Json loads;
    ASSERT_TRUE(session_.RunUntil(
        [&] {
            return session_.EvaluateInPage(target, "JSON.parse(sessionStorage.getItem('loads'))",
                                           loads) &&
                   loads.is_array() && static_cast<int>(loads.size()) >= firstHidden + 12;
        },
        [this] { Deliver(); }, 15000));
    int showing = 0;
    for (std::size_t i = static_cast<std::size_t>(firstHidden) + 2; i < loads.size(); ++i) {
        showing += loads[i] != "none" ? 1 : 0;
    }
    EXPECT_EQ(0, showing) << loads.dump();

    // Restored: a few loads later (the list read above may lag by one) the
    // advert shows again.
    ASSERT_EQ(1, store_.RestoreFilter(GetHostFileName(session_.server.Url("/reloads.html")), 0));
    const int restoredAt = static_cast<int>(loads.size());
    ASSERT_TRUE(session_.RunUntil(
        [&] {
            return session_.EvaluateInPage(target, "JSON.parse(sessionStorage.getItem('loads'))",
                                           loads) &&
                   loads.is_array() && static_cast<int>(loads.size()) >= restoredAt + 7;
        },
        [this] { Deliver(); }, 15000));
    int hidden = 0;
    for (std::size_t i = static_cast<std::size_t>(restoredAt) + 3; i < loads.size(); ++i) {
        hidden += loads[i] == "none" ? 1 : 0;
    }
    EXPECT_EQ(0, hidden) << loads.dump();
}

// A page whose main thread is frozen holds neither a tick nor an event: its
// calls give up at once after the first short wait.
TEST_F(CdpHostileTest, AFrozenPageHoldsNoTickAndNoEvent) {
    std::string target;
    BrowserTracker* tracker = OpenWithStoredAdvert("/frozen.html", target);
    ASSERT_NE(nullptr, tracker);
    session_.system.SetForeground(tracker->browserWindow);
    std::this_thread::sleep_for(std::chrono::milliseconds(600));  // frozen by now
    using Clock = std::chrono::steady_clock;
    Clock::duration worst{};
    for (int tick = 0; tick < 10; ++tick) {
        auto start = Clock::now();
        table_.OnTick();
        worst = std::max(worst, Clock::now() - start);
        start = Clock::now();
        Deliver();
        worst = std::max(worst, Clock::now() - start);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    const auto worstMs = std::chrono::duration_cast<std::chrono::milliseconds>(worst).count();
    RecordProperty("worst_hold_ms", static_cast<int>(worstMs));
    // The tick waits for its pass at most kPassWaitMs, and calls on a page
    // whose pass goes unanswered fail at once; the bench holds it to 50 ms.
    std::fprintf(stderr, "worst hold on a frozen page: %d ms\n", static_cast<int>(worstMs));
    EXPECT_LT(worstMs, kPassWaitMs + 50);
}

}  // namespace
}  // namespace qm::cdptest
