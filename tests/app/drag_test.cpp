// Whole drag gestures on the simulated desktop: page to bin, bin to page and
// bin to title bar, with the prompts answered by a script and a real store.
#include <gtest/gtest.h>

#include "browser/element_identity.h"
#include "store/address_keys.h"
#include "platform/clock.h"
#include "testing/manual_clock.h"
#include "tests/app/app_fixture.h"

namespace qm::testing {
namespace {

const char* const kNewsUrl = "http://www.example.com/news/index.html";

class DragTest : public AppCoreTest {
protected:
    void SetUp() override {
        page = OpenPage(Rect{0, 100, 800, 700}, kNewsUrl, AdvertPage(), "News of the day");
    }

    // The stored records of a host file, in order.
    std::vector<FilterRecord> Stored(const std::string& url) {
        std::vector<FilterRecord> records;
        std::string address;
        FilterRecord record;
        for (int i = 0; core->GetFilter(GetHostFileName(url), i, address, record) == 1; ++i) {
            records.push_back(record);
        }
        return records;
    }

    sim::SimBrowserPtr page;
};

TEST_F(DragTest, ImageDroppedOnTheBinIsHiddenAskedAndStored) {
    StartCore();
    dialogs.Answer(true, 1, false);
    DragToBin(PagePoint(*page, 150, 70), BinPoint());
    EXPECT_TRUE(IsHidden(*page, "ad"));
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked[0].kind, ScriptedDialogs::Kind::kDeleteElement);
    EXPECT_EQ(dialogs.asked[0].request.hostText, GetHostName(kNewsUrl));
    const auto records = Stored(kNewsUrl);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].sType, "IMG");
    EXPECT_EQ(records[0].nScope, kScopeHost);
    EXPECT_EQ(records[0].sName, ElementIdentity(*page->Document()->ElementById("ad")));
    int index = -1;
    page->Document()->ElementById("ad")->SourceIndex(index);
    EXPECT_EQ(records[0].nHint, index);
    EXPECT_NE(records[0].sHtml.find("banner.gif"), std::string::npos);
    // The host file on disk already holds it.
    EXPECT_TRUE(std::filesystem::exists(dir.Path() / GetHostFileName(kNewsUrl)));
    FilterStore fresh(dir.Path().string());
    std::string address;
    FilterRecord reread;
    ASSERT_EQ(fresh.GetFilter(GetHostFileName(kNewsUrl), 0, address, reread), 1);
    EXPECT_EQ(address, kNewsUrl);
    EXPECT_EQ(reread.sName, records[0].sName);
    EXPECT_EQ(desktop.Beeps(), 1);
    EXPECT_FALSE(core->HookDragActive());
    EXPECT_TRUE(desktop.InvertedFrames().empty());
}

TEST_F(DragTest, AnElementPastTheHintRangeIsStoredWithoutAHint) {
    // 33,000 elements before the advert: its source index does not fit in 16 bits.
    std::string html = "<html><head><title>Long</title></head><body><div>";
    for (int i = 0; i < 33000; ++i) {
        html += "<i></i>";
    }
    html += "</div><img id=\"ad\" src=\"http://ads.example.net/late.gif\" "
            "data-box=\"100 50 200 60\"></body></html>";
    const char* const kLongUrl = "http://www.example.org/long.html";
    sim::SimBrowserPtr longPage = OpenPage(Rect{0, 800, 800, 1400}, kLongUrl, html, "Long");
    StartCore();
    dialogs.Answer(true, 1, false);
    int index = -1;
    ASSERT_TRUE(longPage->Document()->ElementById("ad")->SourceIndex(index));
    ASSERT_GT(index, 32767);
    DragToBin(PagePoint(*longPage, 150, 70), BinPoint());
    EXPECT_TRUE(IsHidden(*longPage, "ad"));
    const auto records = Stored(kLongUrl);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].sName, "http://ads.example.net/late.gif");
    EXPECT_EQ(records[0].nHint, -1);
}

TEST_F(DragTest, EveryDraggableTagMakesItsFilterButAFrameDoesNot) {
    StartCore();
    struct Case {
        const char* id;
        int x, y;
        const char* tag;
    };
    const Case cases[] = {
        {"flash", 150, 250, "OBJECT"}, {"ifr", 600, 90, "IFRAME"}, {"emb", 600, 240, "EMBED"}};
    for (const Case& c : cases) {
        dialogs.Answer(true, 0, false);
        DragToBin(PagePoint(*page, c.x, c.y), BinPoint());
        EXPECT_TRUE(IsHidden(*page, c.id)) << c.id;
        ASSERT_FALSE(Stored(kNewsUrl).empty());
        EXPECT_EQ(Stored(kNewsUrl).back().sType, c.tag);
    }
    EXPECT_EQ(Stored(kNewsUrl).size(), 3u);
    // A FRAME, a link and plain text start no drag: nothing is asked or stored.
    for (Point p :
         {PagePoint(*page, 450, 350), PagePoint(*page, 20, 15), PagePoint(*page, 20, 410)}) {
        DragToBin(p, BinPoint());
    }
    EXPECT_EQ(dialogs.asked.size(), 3u);
    EXPECT_EQ(Stored(kNewsUrl).size(), 3u);
    EXPECT_FALSE(IsHidden(*page, "frm"));
}

TEST_F(DragTest, APressThatStartsNoDragStillRecordsThePressTime) {
    ManualClock clock;
    ScopedClock scoped(clock);
    clock.SetTick(123456);
    StartCore();
    const int slot = SlotOf(*page);
    ASSERT_GE(slot, 0) << core->Trackers().Count();
    core->HookDrag(kDragPress, PagePoint(*page, 450, 350));  // the FRAME
    EXPECT_FALSE(core->HookDragActive());
    EXPECT_EQ(core->Trackers().Tracker(slot)->lastPressTime, 123456u);
    EXPECT_EQ(desktop.Beeps(), 0);
}

TEST_F(DragTest, ReleaseElsewhereMakesNothingAndLeavesNoFrame) {
    StartCore();
    DragToBin(PagePoint(*page, 150, 70), Point{1000, 900});
    EXPECT_FALSE(IsHidden(*page, "ad"));
    EXPECT_TRUE(dialogs.asked.empty());
    EXPECT_TRUE(Stored(kNewsUrl).empty());
    EXPECT_TRUE(desktop.InvertedFrames().empty());
    EXPECT_FALSE(core->HookDragActive());
}

TEST_F(DragTest, MovingOverTheBinFramesItsClientArea) {
    StartCore();
    core->HookDrag(kDragPress, PagePoint(*page, 150, 70));
    core->HookDrag(kDragMove, BinPoint());
    const auto frames = desktop.InvertedFrames();
    ASSERT_EQ(frames.size(), 1u);
    Rect client;
    bin->ClientRect(client);
    EXPECT_EQ(frames[0].window, bin->Handle());
    EXPECT_EQ(frames[0].mode, kFrameClientRect);
    EXPECT_EQ(frames[0].rect.right, client.Width() - 2);
    EXPECT_EQ(frames[0].rect.bottom, client.Height() - 2);
    // Moving off the bin erases it.
    core->HookDrag(kDragMove, PagePoint(*page, 300, 300));
    EXPECT_TRUE(desktop.InvertedFrames().empty());
}

TEST_F(DragTest, MovesAndReleasesWithoutAnAcceptedPressAreIgnored) {
    StartCore();
    core->HookDrag(kDragMove, BinPoint());
    core->HookDrag(kDragRelease, BinPoint());
    core->HookDrag(kDragPress, Point{1000, 900});  // empty desktop
    core->HookDrag(kDragMove, BinPoint());
    core->HookDrag(kDragRelease, BinPoint());
    EXPECT_TRUE(desktop.DrawLog().empty());
    EXPECT_TRUE(dialogs.asked.empty());
}

TEST_F(DragTest, ObjectPressCapturesTheMouseAndTheDragEndReleasesIt) {
    StartCore();
    core->HookDrag(kDragPress, PagePoint(*page, 150, 250));
    EXPECT_EQ(desktop.Capture(), page->PageWindow());
    EXPECT_EQ(desktop.Beeps(), 1);
    core->HookDrag(kDragRelease, Point{1000, 900});
    EXPECT_EQ(desktop.Capture(), 0u);
    // An image press beeps but does not capture.
    core->HookDrag(kDragPress, PagePoint(*page, 150, 70));
    EXPECT_EQ(desktop.Capture(), 0u);
    EXPECT_EQ(desktop.Beeps(), 2);
}

TEST_F(DragTest, ACaptureLeftByALostReleaseIsFreedByTheNextPress) {
    StartCore();
    core->HookDrag(kDragPress, PagePoint(*page, 150, 250));
    ASSERT_EQ(desktop.Capture(), page->PageWindow());
    core->HookDrag(kDragPress, PagePoint(*page, 20, 410));
    EXPECT_EQ(desktop.Capture(), 0u);
}

TEST_F(DragTest, CancelledPromptStoresNothingButTheElementStaysHidden) {
    StartCore();
    dialogs.Answer(false, 1, false);
    DragToBin(PagePoint(*page, 150, 70), BinPoint());
    EXPECT_TRUE(IsHidden(*page, "ad"));
    EXPECT_TRUE(Stored(kNewsUrl).empty());
    EXPECT_EQ(core->GetUndoCount(), 0);
}

TEST_F(DragTest, RememberedAnswerSkipsThePromptAndShiftBringsItBack) {
    registry.SetDword(RegistryRoot::kLocalMachine, kSettingsKey, "bPromptBeforeDeleteElement", 0);
    registry.SetDword(RegistryRoot::kLocalMachine, kSettingsKey, "nElementDeleteScope", 2);
    StartCore();
    DragToBin(PagePoint(*page, 150, 70), BinPoint());
    EXPECT_TRUE(dialogs.asked.empty());
    ASSERT_EQ(Stored(kNewsUrl).size(), 1u);
    EXPECT_EQ(Stored(kNewsUrl)[0].nScope, kScopeDomain);

    desktop.SetShiftDown(true);
    dialogs.Answer(true, 0, true);
    DragToBin(PagePoint(*page, 600, 90), BinPoint());
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_TRUE(dialogs.asked[0].request.boxTicked);
    EXPECT_EQ(dialogs.asked[0].request.selectedRadio, 2);
    ASSERT_EQ(Stored(kNewsUrl).size(), 2u);
    EXPECT_EQ(Stored(kNewsUrl)[1].nScope, kScopePage);
}

TEST_F(DragTest, OtherOpenPagesOfTheSameHostHideTheElementToo) {
    auto sameHost =
        OpenPage(Rect{900, 100, 1700, 700}, "http://www.example.com/sport.html", AdvertPage());
    auto otherHost = OpenPage(Rect{0, 800, 800, 1400}, "http://www.elsewhere.org/", AdvertPage());
    StartCore();
    core->OnTick();  // the first tick loads each new tracker's filters
    desktop.SetForegroundWindow(page->TopWindow());
    dialogs.Answer(true, 1, false);
    DragToBin(PagePoint(*page, 150, 70), BinPoint());
    ASSERT_EQ(Stored(kNewsUrl).size(), 1u);
    // Removal runs on the ticks: every tick for the foreground window, every
    // tenth for the others.
    for (int tick = 0; tick < 10; ++tick) {
        core->OnTick();
        Pump();
    }
    EXPECT_TRUE(IsHidden(*page, "ad"));
    EXPECT_TRUE(IsHidden(*sameHost, "ad"));
    EXPECT_FALSE(IsHidden(*otherHost, "ad"));
}

TEST_F(DragTest, DomainScopeReachesOtherHostsOfTheDomain) {
    auto sameDomain = OpenPage(Rect{900, 100, 1700, 700}, "http://shop.example.com/", AdvertPage());
    StartCore();
    core->OnTick();
    desktop.SetForegroundWindow(page->TopWindow());
    dialogs.Answer(true, 2, false);
    DragToBin(PagePoint(*page, 150, 70), BinPoint());
    ASSERT_EQ(Stored(kNewsUrl).size(), 1u);
    // The new filter's own search in the other page locates and hides it at
    // once, without waiting for that background window's check.
    EXPECT_TRUE(IsHidden(*sameDomain, "ad"));
    for (int tick = 0; tick < 10; ++tick) {
        core->OnTick();
    }
    EXPECT_TRUE(IsHidden(*sameDomain, "ad"));
}

TEST_F(DragTest, UndoAndRestoreShowTheElementAgain) {
    StartCore();
    desktop.SetForegroundWindow(page->TopWindow());
    dialogs.Answer(true, 0, false);
    DragToBin(PagePoint(*page, 150, 70), BinPoint());
    core->OnTick();
    ASSERT_TRUE(IsHidden(*page, "ad"));
    core->Command(kCmdUndo);
    EXPECT_FALSE(IsHidden(*page, "ad"));
    EXPECT_TRUE(Stored(kNewsUrl).empty());

    dialogs.Answer(true, 0, false);
    DragToBin(PagePoint(*page, 600, 90), BinPoint());
    core->OnTick();
    ASSERT_TRUE(IsHidden(*page, "ifr"));
    ASSERT_EQ(core->RestoreFilter(GetHostFileName(kNewsUrl), 0), 1);
    EXPECT_FALSE(IsHidden(*page, "ifr"));
    EXPECT_TRUE(Stored(kNewsUrl).empty());
}

TEST_F(DragTest, BinOntoAnElementFramesItAndTheReleaseMakesTheFilter) {
    StartCore();
    core->BinDrag(kDragPress, BinPoint());
    core->BinDrag(kDragMove, PagePoint(*page, 150, 70));
    auto frames = desktop.InvertedFrames();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].window, page->PageWindow());
    EXPECT_EQ(frames[0].mode, kFrameClientRect);
    EXPECT_EQ(frames[0].rect.left, 98);
    EXPECT_EQ(frames[0].rect.top, 48);
    EXPECT_EQ(frames[0].rect.right, 302);
    EXPECT_EQ(frames[0].rect.bottom, 112);
    EXPECT_EQ(desktop.Pauses(), (std::vector<int>{200}));
    // Another move inside the same element keeps the frame without a new probe.
    const std::size_t draws = desktop.DrawLog().size();
    core->BinDrag(kDragMove, PagePoint(*page, 160, 80));
    EXPECT_EQ(desktop.InvertedFrames().size(), 1u);
    EXPECT_EQ(desktop.DrawLog().size(), draws + 2);  // erase and redraw, same place
    EXPECT_EQ(desktop.InvertedFrames()[0].rect.left, 98);

    dialogs.Answer(true, 1, false);
    core->BinDrag(kDragRelease, PagePoint(*page, 160, 80));
    Pump();
    EXPECT_TRUE(desktop.InvertedFrames().empty());
    EXPECT_TRUE(IsHidden(*page, "ad"));
    ASSERT_EQ(Stored(kNewsUrl).size(), 1u);
    EXPECT_EQ(Stored(kNewsUrl)[0].sType, "IMG");
    EXPECT_EQ(Stored(kNewsUrl)[0].nScope, kScopeHost);
}

TEST_F(DragTest, BinOntoANormalTitleBarMakesANoPopupFilterAndLeavesItOpen) {
    StartCore();
    Rect window;
    desktop.WindowRect(page->TopWindow(), window);
    const Point title{window.left + 200, window.top + 10};
    core->BinDrag(kDragMove, title);
    auto frames = desktop.InvertedFrames();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].mode, kFrameTitleBand);
    EXPECT_EQ(frames[0].window, page->TopWindow());
    EXPECT_EQ(frames[0].rect.right, window.Width() - 1);
    dialogs.Answer(true, 1, false);
    core->BinDrag(kDragRelease, title);
    Pump();
    EXPECT_TRUE(desktop.InvertedFrames().empty());
    EXPECT_EQ(dialogs.asked.at(0).kind, ScriptedDialogs::Kind::kBlockPopup);
    ASSERT_EQ(Stored(kNewsUrl).size(), 1u);
    EXPECT_EQ(Stored(kNewsUrl)[0].sType, "NO_POPUP");
    EXPECT_EQ(Stored(kNewsUrl)[0].sName, "Newsoftheday");
    EXPECT_EQ(Stored(kNewsUrl)[0].nHint, -1);
    EXPECT_EQ(Stored(kNewsUrl)[0].nScope, kScopeHost);
    EXPECT_FALSE(page->IsClosed());
    EXPECT_EQ(page->QuitCalls(), 0);
}

TEST_F(DragTest, BinOntoAPopupTitleBarMakesAPopupFilterAndClosesIt) {
    page->SetPopupStyle();
    StartCore();
    Rect window;
    desktop.WindowRect(page->TopWindow(), window);
    dialogs.Answer(true, 3, false);
    core->BinDrag(kDragRelease, Point{window.left + 200, window.top + 10});
    EXPECT_TRUE(page->IsClosed());
    Pump();
    ASSERT_EQ(Stored(kNewsUrl).size(), 1u);
    EXPECT_EQ(Stored(kNewsUrl)[0].sType, "POPUP");
    EXPECT_EQ(Stored(kNewsUrl)[0].nHint, 3);
    EXPECT_EQ(Stored(kNewsUrl)[0].nScope, kScopeDomain);
    EXPECT_EQ(core->Trackers().Count(), 0);
}

TEST_F(DragTest, APopupIsClosedEvenWhenThePromptIsCancelled) {
    page->SetPopupStyle();
    StartCore();
    Rect window;
    desktop.WindowRect(page->TopWindow(), window);
    dialogs.Answer(false, 0, false);
    core->BinDrag(kDragRelease, Point{window.left + 200, window.top + 10});
    Pump();
    EXPECT_TRUE(page->IsClosed());
    EXPECT_TRUE(Stored(kNewsUrl).empty());
}

TEST_F(DragTest, AWindowClosedWhileThePromptIsOpenIsRemovedAfterTheDrop) {
    StartCore();
    const int slot = SlotOf(*page);
    // The prompt runs a message loop: the window's OnQuit and a timer tick
    // arrive while the drop is still using the tracker.
    dialogs.whileOpen = [&] {
        page->Close();
        Pump();
        core->OnTick();
        EXPECT_NE(core->Trackers().Tracker(slot), nullptr);
        EXPECT_TRUE(core->IsPrompting());
    };
    dialogs.Answer(true, 0, false);
    DragToBin(PagePoint(*page, 150, 70), BinPoint());
    EXPECT_EQ(core->Trackers().Tracker(slot), nullptr);
    EXPECT_FALSE(core->IsPrompting());
    EXPECT_EQ(Stored(kNewsUrl).size(), 1u);
}

TEST_F(DragTest, DragsDuringAnOpenPromptAreIgnored) {
    StartCore();
    dialogs.whileOpen = [&] {
        core->HookDrag(kDragPress, PagePoint(*page, 600, 90));
        core->HookDrag(kDragRelease, BinPoint());
        core->BinDrag(kDragRelease, PagePoint(*page, 600, 240));
    };
    dialogs.Answer(true, 0, false);
    DragToBin(PagePoint(*page, 150, 70), BinPoint());
    EXPECT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(Stored(kNewsUrl).size(), 1u);
    EXPECT_FALSE(IsHidden(*page, "ifr"));
    EXPECT_FALSE(IsHidden(*page, "emb"));
}

TEST_F(DragTest, ADropAfterTheTrackerWentAwayDoesNothing) {
    StartCore();
    core->HookDrag(kDragPress, PagePoint(*page, 150, 70));
    ASSERT_TRUE(core->HookDragActive());
    page->Close();
    Pump();
    core->HookDrag(kDragRelease, BinPoint());
    EXPECT_TRUE(dialogs.asked.empty());
    EXPECT_TRUE(Stored(kNewsUrl).empty());
}

TEST_F(DragTest, BackOnTheSameElementAfterATitleBarFramesTheElementAgain) {
    auto other = OpenPage(Rect{900, 100, 1700, 700}, "http://www.other.com/", AdvertPage());
    StartCore();
    Rect otherWindow;
    desktop.WindowRect(other->TopWindow(), otherWindow);
    core->BinDrag(kDragMove, PagePoint(*page, 150, 70));
    core->BinDrag(kDragMove, Point{otherWindow.left + 100, otherWindow.top + 10});
    ASSERT_EQ(desktop.InvertedFrames().size(), 1u);
    EXPECT_EQ(desktop.InvertedFrames()[0].mode, kFrameTitleBand);
    core->BinDrag(kDragMove, PagePoint(*page, 160, 80));
    const auto frames = desktop.InvertedFrames();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].window, page->PageWindow());
    EXPECT_EQ(frames[0].mode, kFrameClientRect);
    EXPECT_EQ(frames[0].rect.left, 98);
    EXPECT_EQ(frames[0].rect.bottom, 112);
}

TEST_F(DragTest, TheExplorerForwardersReachTheStore) {
    StartCore();
    dialogs.Answer(true, 0, false);
    DragToBin(PagePoint(*page, 150, 70), BinPoint());
    std::vector<FilterListRow> rows;
    EXPECT_EQ(core->FillFilterList(GetHostFileName(kNewsUrl), rows), 1);
    EXPECT_EQ(rows.size(), 1u);
    LocationTree tree;
    EXPECT_EQ(core->BuildLocationTree(tree), 1);
    FilterRecord list[4];
    EXPECT_EQ(core->FiltersForUrl(kNewsUrl, list, 4), 1);
    EXPECT_EQ(list[0].sType, "IMG");
    EXPECT_EQ(core->GetUndoCount(), 1);
    EXPECT_EQ(core->Undo(), 1);
    EXPECT_EQ(core->FiltersForUrl(kNewsUrl, list, 4), 0);
}

TEST_F(DragTest, EventsHeldDuringAPromptOutsideADragRunBeforeTheNextEvent) {
    auto other = OpenPage(Rect{900, 100, 1700, 700}, "http://www.other.com/", AdvertPage());
    StartCore();
    const int slot = SlotOf(*other);
    ASSERT_GE(slot, 0);
    dialogs.whileOpen = [&] {
        other->Close();
        Pump();
    };
    dialogs.Answer(false, 0, false);
    FilterRecord record;
    record.sType = "IMG";
    record.sName = "http://ads.example.net/banner.gif";
    EXPECT_FALSE(core->AddFilterWithPrompt(kNewsUrl, record));
    EXPECT_NE(core->Trackers().Tracker(slot), nullptr);
    core->OnTrackerEvent(kEventNavigateComplete, SlotOf(*page));
    EXPECT_EQ(core->Trackers().Tracker(slot), nullptr);
}

}  // namespace
}  // namespace qm::testing
