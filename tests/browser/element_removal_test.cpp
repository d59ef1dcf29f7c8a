// Element removal: page loads, ticks, navigations, added and restored filters.
#include <gtest/gtest.h>

#include "store/time_value.h"
#include "tests/browser/tracker_fixture.h"

namespace qm::test {
namespace {

const std::string kUrl = "http://www.example.com/index.htm";
const std::string kAd = "http://ads.example.com/b/banner.gif";
const std::string kAdPage = Page(
    "Home", "<p id=text>news</p><img id=logo src=\"logo.png\"><img id=ad src=\"" + kAd + "\">");

int IndexOf(const std::string& html, const std::string& id) {
    sim::SimDocument document("http://x/", html);
    int index = -1;
    ElementPtr element = document.ElementById(id);
    if (element) {
        element->SourceIndex(index);
    }
    return index;
}

const WorkingFilter* FindFilter(BrowserTracker& tracker, const std::string& type,
                                const std::string& name) {
    for (const WorkingFilter& f : tracker) {
        if (f.sType == type && f.sName == name) {
            return &f;
        }
    }
    return nullptr;
}

// The stored copy of a filter, read back from the host file by a new store.
FilterRecord Reloaded(const std::filesystem::path& dir, const std::string& url,
                      const std::string& name) {
    FilterStore fresh(dir.string());
    std::vector<FilterRecord> list(kMaxWorkingFilters);
    const int n = fresh.FiltersForUrl(url, list.data(), kMaxWorkingFilters);
    for (int i = 0; i < n; ++i) {
        if (list[static_cast<std::size_t>(i)].sName == name) {
            return list[static_cast<std::size_t>(i)];
        }
    }
    return FilterRecord{};
}

TEST_F(TrackerTest, FilterMadeOnThisPageHidesAtOnceOnCompletion) {
    const int k = IndexOf(kAdPage, "ad");
    AddStored(kUrl, ElementFilter("IMG", kAd, k, kScopePage));
    clock_.Advance(100);
    auto browser = OpenPage({0, 0, 800, 600}, kUrl, kAdPage);
    EXPECT_EQ(Display(*browser, "ad"), "none");
    EXPECT_EQ(Display(*browser, "logo"), "");
    const WorkingFilter* f = FindFilter(*TrackerOf(*browser), "IMG", kAd);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->nStatus, kStatusHit);
    EXPECT_EQ(f->tLastHit, clock_.Now());
}

// Located by the completion's source search and checked in the same
// completion: gone when the page is complete, with no tick.
TEST_F(TrackerTest, MovedElementIsFoundBySourceSearchAndHiddenAtTheCompletion) {
    const int k = IndexOf(kAdPage, "ad");
    AddStored(kUrl, ElementFilter("IMG", kAd, IndexOf(kAdPage, "logo"), kScopePage));
    clock_.Advance(100);
    auto browser = OpenPage({0, 0, 800, 600}, kUrl, kAdPage);
    BrowserTracker* tracker = TrackerOf(*browser);
    const WorkingFilter* f = FindFilter(*tracker, "IMG", kAd);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(table_.TickCounter(), 0u);
    EXPECT_EQ(Display(*browser, "ad"), "none");
    EXPECT_EQ(Display(*browser, "logo"), "");  // the other element at the old index stays
    EXPECT_EQ(f->nStatus, kStatusHit);
    EXPECT_EQ(f->tLastHit, clock_.Now());
    EXPECT_EQ(f->nHint, k);
}

TEST_F(TrackerTest, BackgroundBrowserIsCheckedEveryTenthTick) {
    AddStored(kUrl, ElementFilter("IMG", kAd, -1, kScopePage));
    auto browser = OpenPage({0, 0, 800, 600}, kUrl, kAdPage);
    ASSERT_EQ(Display(*browser, "ad"), "none");
    // The page shows its advert again after its completion.
    ASSERT_TRUE(browser->Document()->ElementById("ad")->SetStyleDisplay(""));
    desktop_.SetForegroundWindow(0);
    for (int i = 1; i <= 9; ++i) {
        Tick();
        ASSERT_EQ(Display(*browser, "ad"), "") << "tick " << i;
    }
    Tick();
    EXPECT_EQ(Display(*browser, "ad"), "none");
    EXPECT_EQ(TrackerOf(*browser)->tickCount, 10);
}

TEST_F(TrackerTest, PageWithoutBodyGetsOnlyTheCheck) {
    AddStored(kUrl, ElementFilter("IMG", kAd, -1, kScopePage));
    auto browser = system_.OpenBrowser({0, 0, 800, 600}, kUrl, kAdPage);
    queue_.Drain(table_);
    browser->Document()->RemoveBody();
    BrowserTracker* tracker = TrackerOf(*browser);
    ASSERT_NE(tracker, nullptr);
    EXPECT_EQ(tracker->Apply(kApplyDocumentComplete), 0);
    ASSERT_EQ(tracker->filterCount, 1);
    EXPECT_EQ(tracker->filters[0].nStatus, kStatusIdle);
    EXPECT_EQ(tracker->filters[0].nHint, -1);
}

TEST_F(TrackerTest, OfTwoElementsWithTheSameIdentityOnlyTheLastIsHidden) {
    const std::string html =
        Page("T", "<img id=first src=\"" + kAd + "\"><p>x</p><img id=second src=\"" + kAd + "\">");
    AddStored(kUrl, ElementFilter("IMG", kAd, -1, kScopePage));
    auto browser = OpenPage({0, 0, 800, 600}, kUrl, html);
    desktop_.SetForegroundWindow(browser->TopWindow());
    Tick();
    EXPECT_EQ(Display(*browser, "first"), "");
    EXPECT_EQ(Display(*browser, "second"), "none");
    EXPECT_EQ(FindFilter(*TrackerOf(*browser), "IMG", kAd)->nHint, IndexOf(html, "second"));
}

TEST_F(TrackerTest, ObjectsAreIdentifiedByFilmNameOrCodeBase) {
    const std::string codeBase = "http://ads.example.com/flash/swflash.cab";
    const std::string html =
        Page("T", "<object id=bycode codebase=\"" + codeBase +
                      "\"><param name=movie value=\"ad.swf\"></object>"
                      "<object id=byfilm><param name=movie "
                      "value=\"http://ads.example.com/f/film.swf\"></object>"
                      "<object id=leading>.swf<param name=x value=\"y\"></object>");
    AddStored(kUrl, ElementFilter("OBJECT", codeBase, -1, kScopePage));
    AddStored(kUrl, ElementFilter("OBJECT", "film.swf", -1, kScopePage));
    auto browser = OpenPage({0, 0, 800, 600}, kUrl, html);
    desktop_.SetForegroundWindow(browser->TopWindow());
    Tick();
    EXPECT_EQ(Display(*browser, "bycode"), "none");
    EXPECT_EQ(Display(*browser, "byfilm"), "none");
    EXPECT_EQ(Display(*browser, "leading"), "");
}

TEST_F(TrackerTest, HitsReachTheStoreOnNavigationAndOnClose) {
    const int k = IndexOf(kAdPage, "ad");
    AddStored(kUrl, ElementFilter("IMG", kAd, k, kScopePage));
    const std::uint32_t made = clock_.Now();
    clock_.Advance(3600);
    auto browser = OpenPage({0, 0, 800, 600}, kUrl, kAdPage);
    const std::uint32_t hit = clock_.Now();
    ASSERT_NE(hit, made);
    browser->Navigate("http://www.example.com/next.htm", Page("Next", ""));
    queue_.Drain(table_);
    ASSERT_EQ(store_.Flush(), 1);  // hits are written in the background
    EXPECT_EQ(Reloaded(dir_, kUrl, kAd).tLastHit, hit);
    EXPECT_EQ(TrackerOf(*browser)->filterCount, 0);

    // Back on the page, hit again later, then the window closes.
    clock_.Advance(60);
    browser->Navigate(kUrl, kAdPage);
    queue_.Drain(table_);
    EXPECT_EQ(Display(*browser, "ad"), "none");
    browser->Close();
    queue_.Drain(table_);
    ASSERT_EQ(store_.Flush(), 1);
    EXPECT_EQ(Reloaded(dir_, kUrl, kAd).tLastHit, hit + 60);
}

TEST_F(TrackerTest, EachFrameCompletionRepeatsTheWorkOnTheTopDocument) {
    AddStored(kUrl, ElementFilter("IMG", kAd, -1, kScopePage));
    auto browser = OpenPage({0, 0, 800, 600}, kUrl, Page("T", "<p>none yet</p>"));
    browser->Navigate(kUrl, kAdPage, "", 2);  // two frames, then the page
    queue_.Drain(table_);
    // The first completion locates the element; the next one saves its index
    // with the candidate and finds it there at once.
    const WorkingFilter* f = FindFilter(*TrackerOf(*browser), "IMG", kAd);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->nStatus, kStatusHit);
    EXPECT_EQ(f->nHint, IndexOf(kAdPage, "ad"));
    EXPECT_EQ(Display(*browser, "ad"), "none");
}

TEST_F(TrackerTest, AddressThatCannotBeReadKeepsTheListUntilTheNextApply) {
    AddStored(kUrl, ElementFilter("IMG", kAd, IndexOf(kAdPage, "ad"), kScopePage));
    auto browser = OpenPage({0, 0, 800, 600}, kUrl, kAdPage);
    BrowserTracker* tracker = TrackerOf(*browser);
    ASSERT_EQ(tracker->filterCount, 1);
    // The next page's address read fails once: the old list stays and the
    // reload is tried again, rather than loading the filters of a wrong page.
    auto next = browser->Navigate("http://www.example.com/next.htm", Page("N", ""));
    queue_.events.clear();
    auto faults = std::make_shared<sim::FaultInjector>();
    faults->SetSites(static_cast<unsigned>(sim::FaultSite::kDocument));
    faults->FailNthCall(1);
    next->SetFaults(faults);
    tracker->MarkReload();
    tracker->Apply(kApplyNavigate);
    EXPECT_EQ(faults->Failures(), 1u);
    EXPECT_TRUE(tracker->reloadPending);
    EXPECT_EQ(tracker->url, kUrl);
    EXPECT_EQ(tracker->filterCount, 1);
    tracker->Apply(kApplyNavigate);
    EXPECT_FALSE(tracker->reloadPending);
    EXPECT_EQ(tracker->url, "http://www.example.com/next.htm");
    EXPECT_EQ(tracker->filterCount, 0);
}

class FilterAddedTest : public TrackerTest {
protected:
    void OpenWindows() {
        same_ = OpenPage({0, 0, 300, 300}, kUrl, kAdPage);
        host_ = OpenPage({300, 0, 600, 300}, "http://www.example.com/other.htm", kAdPage);
        domain_ = OpenPage({600, 0, 900, 300}, "http://img.example.com/x.htm", kAdPage);
        foreign_ = OpenPage({0, 300, 300, 600}, "http://www.other.org/x.htm", kAdPage);
        unmentioned_ = OpenPage({300, 300, 600, 600}, "http://www.example.com/plain.htm",
                                Page("P", "<img id=ad src=\"elsewhere.gif\">"));
        Listen();
    }
    std::vector<bool> Taken() const {
        std::vector<bool> out;
        for (const auto& b : {same_, host_, domain_, foreign_, unmentioned_}) {
            out.push_back(FindFilter(*TrackerOf(*b), "IMG", kAd) != nullptr);
        }
        return out;
    }
    void CheckAll() {
        for (const auto& b : {same_, host_, domain_, foreign_, unmentioned_}) {
            TrackerOf(*b)->CheckFilters();
        }
    }
    sim::SimBrowserPtr same_, host_, domain_, foreign_, unmentioned_;
};

TEST_F(FilterAddedTest, PageScopeReachesOnlyWindowsShowingThatPage) {
    OpenWindows();
    AddStored(kUrl, ElementFilter("IMG", kAd, IndexOf(kAdPage, "ad"), kScopePage));
    EXPECT_EQ(Taken(), (std::vector<bool>{true, false, false, false, false}));
    CheckAll();
    EXPECT_EQ(Display(*same_, "ad"), "none");
    EXPECT_EQ(Display(*host_, "ad"), "");
}

TEST_F(FilterAddedTest, HostScopeReachesWindowsOfTheHostThatMentionIt) {
    OpenWindows();
    AddStored(kUrl, ElementFilter("IMG", kAd, -1, kScopeHost));
    EXPECT_EQ(Taken(), (std::vector<bool>{true, true, false, false, false}));
    CheckAll();
    EXPECT_EQ(Display(*same_, "ad"), "none");
    EXPECT_EQ(Display(*host_, "ad"), "none");
    EXPECT_EQ(Display(*domain_, "ad"), "");
}

TEST_F(FilterAddedTest, DomainScopeReachesWindowsOfTheDomain) {
    OpenWindows();
    AddStored(kUrl, ElementFilter("IMG", kAd, -1, kScopeDomain));
    EXPECT_EQ(Taken(), (std::vector<bool>{true, true, true, false, false}));
    CheckAll();
    EXPECT_EQ(Display(*domain_, "ad"), "none");
    EXPECT_EQ(Display(*foreign_, "ad"), "");
}

TEST_F(FilterAddedTest, AFilterAlreadyInTheListIsNotAddedTwice) {
    OpenWindows();
    AddStored(kUrl, ElementFilter("IMG", kAd, -1, kScopeHost));
    const int before = TrackerOf(*host_)->filterCount;
    FilterRecord again = ElementFilter("IMG", kAd, -1, kScopeHost);
    again.sHtml = kUrl;
    table_.OnFilterAdded(kUrl, again);
    EXPECT_EQ(TrackerOf(*host_)->filterCount, before);
}

TEST_F(TrackerTest, ListGrowsByAddedFiltersToAtMost1023) {
    auto browser = OpenPage({0, 0, 800, 600}, kUrl, kAdPage);
    BrowserTracker* tracker = TrackerOf(*browser);
    tracker->filterCount = 1022;
    for (int i = 0; i < 1022; ++i) {
        tracker->filters[static_cast<std::size_t>(i)] =
            ElementFilter("IMG", "http://x/f" + std::to_string(i) + ".gif", -1, kScopePage);
    }
    FilterRecord first = ElementFilter("IMG", kAd, -1, kScopePage);
    first.sHtml = kUrl;
    tracker->OnFilterAdded(kUrl, first);
    EXPECT_EQ(tracker->filterCount, 1023);
    FilterRecord second = ElementFilter("IMG", "logo.png", -1, kScopePage);
    second.sHtml = kUrl;
    tracker->OnFilterAdded(kUrl, second);
    EXPECT_EQ(tracker->filterCount, 1023);
    EXPECT_EQ(FindFilter(*tracker, "IMG", "logo.png"), nullptr);
}

TEST_F(TrackerTest, RestoreShowsTheElementAgainInEveryWindow) {
    auto a = OpenPage({0, 0, 400, 300}, kUrl, kAdPage);
    auto b = OpenPage({400, 0, 800, 300}, "http://www.example.com/b.htm", kAdPage);
    Listen();
    AddStored(kUrl, ElementFilter("IMG", kAd, IndexOf(kAdPage, "ad"), kScopeHost));
    TrackerOf(*a)->CheckFilters();
    TrackerOf(*b)->CheckFilters();
    ASSERT_EQ(Display(*a, "ad"), "none");
    ASSERT_EQ(Display(*b, "ad"), "none");
    ASSERT_EQ(store_.RestoreFilter(GetHostFileName(kUrl), 0), 1);
    EXPECT_EQ(Display(*a, "ad"), "");
    EXPECT_EQ(Display(*b, "ad"), "");
    EXPECT_EQ(FindFilter(*TrackerOf(*a), "IMG", kAd), nullptr);
    EXPECT_EQ(FindFilter(*TrackerOf(*b), "IMG", kAd), nullptr);
}

TEST_F(TrackerTest, RestoreRemovesTheRightEntryAndKeepsTheOthersInOrder) {
    auto browser = OpenPage({0, 0, 400, 300}, kUrl, kAdPage);
    BrowserTracker* tracker = TrackerOf(*browser);
    tracker->filterCount = 3;
    tracker->filters[0] = ElementFilter("IMG", "a.gif", -1, 0);
    tracker->filters[1] = ElementFilter("IMG", "b.gif", -1, 0);
    tracker->filters[2] = ElementFilter("EMBED", "c.swf", -1, 0);
    tracker->OnFilterRestored(kUrl, ElementFilter("IMG", "b.gif", -1, 0));
    ASSERT_EQ(tracker->filterCount, 2);
    EXPECT_EQ(tracker->filters[0].sName, "a.gif");
    EXPECT_EQ(tracker->filters[1].sName, "c.swf");
    EXPECT_TRUE(tracker->filters[2].sName.empty());
    tracker->OnFilterRestored(kUrl, ElementFilter("IMG", "zzz.gif", -1, 0));  // unknown
    EXPECT_EQ(tracker->filterCount, 2);
}

TEST_F(TrackerTest, RestoreLeavesAnElementThePageHidItselfAlone) {
    const std::string html = Page("T", "<img id=own src=\"own.gif\" style=\"display:none\">");
    auto browser = OpenPage({0, 0, 400, 300}, kUrl, html);
    BrowserTracker* tracker = TrackerOf(*browser);
    tracker->filterCount = 1;
    tracker->filters[0] = ElementFilter("IMG", kAd, IndexOf(html, "own"), 0);
    tracker->OnFilterRestored(kUrl, ElementFilter("IMG", kAd, -1, 0));
    EXPECT_EQ(tracker->filterCount, 0);
    EXPECT_EQ(Display(*browser, "own"), "none");
}

TEST_F(TrackerTest, WindowFiltersKeepTheirModeWhenThePageHasSuchTags) {
    // A page with a custom element named like a window filter type.
    const std::string html = Page("Win a prize", "<popup id=p>x</popup><no_popup>y</no_popup>");
    auto browser = OpenPage({0, 0, 400, 300}, kUrl, html);
    BrowserTracker* tracker = TrackerOf(*browser);
    tracker->filterCount = 2;
    tracker->filters[0] = ElementFilter("POPUP", "", 3, kScopeDomain);
    tracker->filters[0].nStatus = kStatusCandidate;
    tracker->filters[1] = ElementFilter("NO_POPUP", "", -1, kScopePage);
    tracker->filters[1].nStatus = kStatusCandidate;
    tracker->ResolveIndexes("POPUP");
    tracker->ResolveIndexes("NO_POPUP");
    EXPECT_EQ(tracker->filters[0].nHint, 3);
    EXPECT_EQ(tracker->filters[1].nHint, -1);
}

TEST_F(TrackerTest, SourceIndexesBeyondAHintAreNotRecorded) {
    std::string body;
    for (int i = 0; i < 33000; ++i) {
        body += "<br>";
    }
    body += "<img id=ad src=\"" + kAd + "\">";
    const std::string html = Page("Long", body);
    AddStored(kUrl, ElementFilter("IMG", kAd, -1, kScopePage));
    auto browser = OpenPage({0, 0, 400, 300}, kUrl, html);
    const WorkingFilter* f = FindFilter(*TrackerOf(*browser), "IMG", kAd);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->nHint, -1);  // 33000+ does not fit: not located by its hint rather than wrapped
    EXPECT_EQ(Display(*browser, "ad"), "none");  // found there by its name
}

}  // namespace
}  // namespace qm::test
