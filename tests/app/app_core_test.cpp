// Start-up, the window operations, the command table, the store's
// notifications and the event transport of the application core.
#include <gtest/gtest.h>

#include <algorithm>

#include "store/address_keys.h"
#include "platform/clock.h"
#include "testing/manual_clock.h"
#include "tests/app/app_fixture.h"

namespace qm::testing {
namespace {

void SetStartup(MemoryRegistry& registry, std::uint32_t showBin, std::uint32_t openFrame) {
    registry.SetDword(RegistryRoot::kLocalMachine, kSettingsKey, "bShowRecycleBinOnStartup",
                      showBin);
    registry.SetDword(RegistryRoot::kLocalMachine, kSettingsKey, "bOpenRecycleBinOnStartup",
                      openFrame);
}

TEST_F(AppCoreTest, StartShowsTheWindowsAsTheSettingsSay) {
    SetStartup(registry, 0, 1);
    MakeCore();
    EXPECT_TRUE(core->Start());
    EXPECT_FALSE(bin->visible);
    EXPECT_TRUE(frame.visible);
    EXPECT_EQ(frame.title, "Quill Moor");
    EXPECT_TRUE(core->IsMainFrameVisible());
    EXPECT_FALSE(core->IsBinVisible());
}

TEST_F(AppCoreTest, FirstRunShowsTheBinAndKeepsTheFrameHidden) {
    MakeCore();
    core->Start();
    EXPECT_TRUE(bin->visible);
    EXPECT_FALSE(frame.visible);
    EXPECT_EQ(frame.title, "Quill Moor");
}

TEST_F(AppCoreTest, StartReportsAFailedShellConnectionAndGoesOn) {
    browsers.SetConnectFails(true);
    SetStartup(registry, 1, 1);
    MakeCore();
    EXPECT_FALSE(core->Start());
    EXPECT_TRUE(bin->visible);
    EXPECT_TRUE(frame.visible);
}

// A filter last hit 40 days ago, on a page whose host file we can check.
void AddOldFilter(FilterStore& store, ManualClock& clock, const std::string& url) {
    FilterRecord record;
    record.sType = "IMG";
    record.sName = "http://ads.example.net/old.gif";
    record.sHtml = "<img>";
    record.nScope = kScopePage;
    clock.SetNow(1'700'000'000u);
    ASSERT_EQ(store.AddFilter(url, record), 1);
    clock.SetNow(1'700'000'000u + 40u * 86400u);
}

TEST_F(AppCoreTest, StartRunsExpiryWhenEnabled) {
    ManualClock clock;
    ScopedClock scoped(clock);
    const std::string url = "http://www.example.com/old.html";
    {
        FilterStore store(dir.Path().string());
        AddOldFilter(store, clock, url);
    }
    MakeCore();
    core->Start();
    std::string page;
    FilterRecord record;
    EXPECT_EQ(core->GetFilter(GetHostFileName(url), 0, page, record), 0);
}

TEST_F(AppCoreTest, StartKeepsOldFiltersWhenExpiryIsOff) {
    ManualClock clock;
    ScopedClock scoped(clock);
    const std::string url = "http://www.example.com/old.html";
    {
        FilterStore store(dir.Path().string());
        AddOldFilter(store, clock, url);
    }
    registry.SetDword(RegistryRoot::kLocalMachine, kSettingsKey, "bAutoDeleteHistory", 0);
    MakeCore();
    core->Start();
    std::string page;
    FilterRecord record;
    EXPECT_EQ(core->GetFilter(GetHostFileName(url), 0, page, record), 1);
}

TEST_F(AppCoreTest, StartExpiresByTheConfiguredDays) {
    ManualClock clock;
    ScopedClock scoped(clock);
    const std::string url = "http://www.example.com/old.html";
    {
        FilterStore store(dir.Path().string());
        AddOldFilter(store, clock, url);
    }
    registry.SetDword(RegistryRoot::kLocalMachine, kSettingsKey, "nExpireDays", 60);
    MakeCore();
    core->Start();
    std::string page;
    FilterRecord record;
    EXPECT_EQ(core->GetFilter(GetHostFileName(url), 0, page, record), 1);
}

TEST_F(AppCoreTest, OptionsAndAboutHideTheBinWhileOpenAndRestoreIt) {
    MakeCore();
    for (int id : {kCmdOptions, kCmdAbout}) {
        for (bool visibleBefore : {true, false}) {
            bin->visible = visibleBefore;
            bool visibleWhileOpen = true;
            dialogs.whileOpen = [&] { visibleWhileOpen = bin->visible; };
            EXPECT_EQ(core->Command(id), 1);
            EXPECT_FALSE(visibleWhileOpen) << id;
            EXPECT_EQ(bin->visible, visibleBefore) << id;
        }
    }
    EXPECT_EQ(dialogs.optionsShown, 2);
    EXPECT_EQ(dialogs.aboutShown, 2);
}

TEST_F(AppCoreTest, AlwaysOnTopToggles) {
    MakeCore();
    ASSERT_TRUE(bin->topMost);
    core->Command(kCmdAlwaysOnTop);
    EXPECT_FALSE(bin->topMost);
    core->Command(kCmdAlwaysOnTop);
    EXPECT_TRUE(bin->topMost);
}

TEST_F(AppCoreTest, ShowAndHideBinCommands) {
    MakeCore();
    core->Command(kCmdHideBin);
    EXPECT_FALSE(bin->visible);
    core->Command(kCmdShowBin);
    EXPECT_TRUE(bin->visible);
}

TEST_F(AppCoreTest, OpenShowsAHiddenFrameAndBringsItToTheFront) {
    MakeCore();
    core->Command(kCmdOpen);
    EXPECT_TRUE(frame.visible);
    EXPECT_EQ(frame.log, (std::vector<std::string>{"title Quill Moor", "show", "front"}));
    frame.log.clear();
    core->Command(kCmdOpen);
    EXPECT_EQ(frame.log, (std::vector<std::string>{"front"}));
}

TEST_F(AppCoreTest, ExitPostsQuitToTheFrame) {
    MakeCore();
    core->Command(kCmdExit);
    EXPECT_EQ(frame.log, (std::vector<std::string>{"quit"}));
}

TEST_F(AppCoreTest, HelpOpensTheHelpPageOfTheProgramDirectory) {
    registry.SetString(RegistryRoot::kClassesRoot, ".htm", "", "htmlfile");
    registry.SetString(RegistryRoot::kClassesRoot, "htmlfile\\shell\\open\\command", "",
                       "\"C:\\Browser\\browser.exe\" -nohome");
    MakeCore();
    core->Command(kCmdHelp);
    ASSERT_EQ(launcher.calls.size(), 1u);
    EXPECT_FALSE(launcher.calls[0].open);
    EXPECT_EQ(launcher.calls[0].showState, ShowState::kShow);
    EXPECT_NE(launcher.calls[0].text.find("C:\\Quillmoor\\Help\\help.htm"), std::string::npos)
        << launcher.calls[0].text;
    EXPECT_EQ(launcher.calls[0].text.rfind("\"C:\\Browser\\browser.exe\" -nohome", 0), 0u);
}

TEST_F(AppCoreTest, UndoCommandUndoesTheLastAdd) {
    MakeCore();
    FilterRecord record;
    record.sType = "IMG";
    record.sName = "http://ads.example.net/a.gif";
    const std::string url = "http://www.example.com/";
    ASSERT_EQ(core->Store().AddFilter(url, record), 1);
    ASSERT_EQ(core->GetUndoCount(), 1);
    core->Command(kCmdUndo);
    EXPECT_EQ(core->GetUndoCount(), 0);
    std::string page;
    FilterRecord stored;
    EXPECT_EQ(core->GetFilter(GetHostFileName(url), 0, page, stored), 0);
}

TEST_F(AppCoreTest, UnknownCommandsAndZeroDoNothing) {
    MakeCore();
    for (int id : {0, 32783, 32799, 12345, -1}) {
        EXPECT_EQ(core->Command(id), 1);
    }
    EXPECT_TRUE(frame.log.empty());
    EXPECT_TRUE(bin->showLog.empty());
    EXPECT_TRUE(launcher.calls.empty());
    EXPECT_EQ(dialogs.optionsShown + dialogs.aboutShown, 0);
}

TEST_F(AppCoreTest, LocationChangedRebuildsTheTreeForTheSetOfFiles) {
    MakeCore();
    frame.visible = false;
    frame.listHostFile = "www.example.com.txt";
    core->LocationChanged("");
    EXPECT_EQ(frame.log, (std::vector<std::string>{"tree"}));
}

TEST_F(AppCoreTest, LocationChangedRefreshesTheListOnlyForItsOwnFile) {
    MakeCore();
    frame.listHostFile = "www.example.com.txt";
    core->LocationChanged("www.other.com.txt");
    core->LocationChanged("WWW.EXAMPLE.COM.TXT");
    EXPECT_TRUE(frame.log.empty());
    core->LocationChanged("www.example.com.txt");
    EXPECT_EQ(frame.log, (std::vector<std::string>{"list"}));
}

TEST_F(AppCoreTest, AddingAFilterReportsItsHostFileToTheFrame) {
    MakeCore();
    const std::string url = "http://www.example.com/page.html";
    frame.listHostFile = GetHostFileName(url);
    FilterRecord record;
    record.sType = "IMG";
    record.sName = "http://ads.example.net/a.gif";
    // The first filter of a host makes a new host file: the tree is rebuilt.
    ASSERT_EQ(core->Store().AddFilter(url, record), 1);
    EXPECT_EQ(frame.log, (std::vector<std::string>{"tree"}));
    frame.log.clear();
    // The next one changes the file the list shows.
    record = FilterRecord{};
    record.sType = "IMG";
    record.sName = "http://ads.example.net/b.gif";
    ASSERT_EQ(core->Store().AddFilter(url, record), 1);
    EXPECT_EQ(frame.log, (std::vector<std::string>{"list"}));
}

TEST_F(AppCoreTest, TrackerEventsArePostedToTheBinWindow) {
    MakeCore();
    core->PostTrackerEvent(kEventDocumentComplete, 5);
    ASSERT_EQ(bin->posted.size(), 1u);
    EXPECT_EQ(bin->posted[0], std::make_pair(2, 5L));
}

TEST_F(AppCoreTest, BrowserEventsReachTheTablesThroughTheBin) {
    auto page = OpenPage(Rect{0, 100, 800, 700}, "http://www.example.com/", AdvertPage());
    StartCore();
    const int slot = SlotOf(*page);
    ASSERT_GE(slot, 0);
    // Opening a second window registers it with the shell; the posted event rescans.
    auto second = OpenPage(Rect{50, 150, 850, 750}, "http://www.other.com/", AdvertPage());
    EXPECT_LT(SlotOf(*second), 0);
    Pump();
    EXPECT_GE(SlotOf(*second), 0);
    EXPECT_EQ(core->Trackers().Count(), 2);
    // Closing fires OnQuit, which removes the tracker once delivered.
    page->Close();
    EXPECT_NE(core->Trackers().Tracker(slot), nullptr);
    Pump();
    EXPECT_EQ(core->Trackers().Tracker(slot), nullptr);
    EXPECT_EQ(core->Trackers().Count(), 1);
}

TEST_F(AppCoreTest, EventsForEmptySlotsOrUnknownCodesDoNothing) {
    auto page = OpenPage(Rect{0, 100, 800, 700}, "http://www.example.com/", AdvertPage());
    StartCore();
    core->OnTrackerEvent(kEventQuit, 40);
    core->OnTrackerEvent(7, SlotOf(*page));
    core->OnTrackerEvent(-1, SlotOf(*page));
    EXPECT_EQ(core->Trackers().Count(), 1);
}

}  // namespace
}  // namespace qm::testing

namespace qm::testing {
namespace {

// What the program adds: its own commands and work on every tick.
class RecordingExtension : public AppExtension {
public:
    bool Command(int id) override {
        commands.push_back(id);
        return id == 33000;
    }
    void OnTick() override { ++ticks; }
    std::vector<int> commands;
    int ticks = 0;
};

TEST_F(AppCoreTest, ProgramCommandsAndTicksReachItsExtension) {
    StartCore();
    RecordingExtension extension;
    core->SetExtension(&extension);
    // The shared commands stay the core's; others (not 0) go to the extension.
    for (int id : {kCmdNone, kCmdAlwaysOnTop, 33000, 40000}) {
        EXPECT_EQ(core->Command(id), 1);
    }
    EXPECT_EQ(extension.commands, (std::vector<int>{33000, 40000}));
    core->OnTick();
    core->OnTick();
    EXPECT_EQ(extension.ticks, 2);
    EXPECT_EQ(core->Trackers().TickCounter(), 2u);
    // A prompt open: the tick is skipped for the extension too.
    auto browser = OpenPage(Rect{0, 100, 800, 700}, "http://a.example/", AdvertPage());
    Pump();
    dialogs.whileOpen = [&] { core->OnTick(); };
    dialogs.Answer(true, 1, false);
    DragToBin(PagePoint(*browser, 150, 70), BinPoint());
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(extension.ticks, 2);
    core->SetExtension(nullptr);
    core->OnTick();
    EXPECT_EQ(extension.ticks, 2);
    EXPECT_EQ(core->PumpBrowsers(), 0);  // the simulated browser delivers at once
}

}  // namespace
}  // namespace qm::testing
