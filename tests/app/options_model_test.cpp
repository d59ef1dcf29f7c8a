// The options sheet's logic: values in, defaults, enabling, the days spin
// and validation, and what the sheet's end writes to the registry.
#include <gtest/gtest.h>

#include <string>

#include "app/options_model.h"
#include "store/settings.h"
#include "testing/registry_memory.h"

namespace {

using qm::AppSettings;
using qm::MemoryRegistry;
using qm::OptionsSheetModel;
using qm::RegistryRoot;

constexpr char kProgram[] = "C:\\Program Files\\Quillmoor\\Quillmoor.exe";

class OptionsModelTest : public ::testing::Test {
protected:
    MemoryRegistry registry;
    AppSettings settings{registry, kProgram};

};

TEST_F(OptionsModelTest, PagesOpenWithTheSettingsAndNoChoiceAsNothingChecked) {
    settings.nElementDeleteScope = 1;
    settings.nPopupInhitbitScope = qm::kScopeNone;
    settings.nPopupRecogniseMode = 2;
    settings.bPromptBeforeDeleteElement = 0;
    settings.bPromptBeforeDeletePopup = 1;
    settings.bPromptBeforeInhitbitPopup = 0;
    settings.bAutoStarup = 0;
    settings.bShowRecycleBinOnStartup = 1;
    settings.bOpenRecycleBinOnStartup = 1;
    settings.bAutoDeleteHistory = 0;
    settings.nExpireDays = 412;
    const OptionsSheetModel sheet(settings);
    const auto& g = sheet.general.values;
    const auto& a = sheet.advanced.values;
    EXPECT_EQ(g.elementScope, 1);
    EXPECT_EQ(g.popupBlockScope, -1);
    EXPECT_EQ(g.recogniseMode, 2);
    EXPECT_EQ(g.askDeleteElement, 0);
    EXPECT_EQ(g.askDeletePopup, 1);
    EXPECT_EQ(g.askBlockPopup, 0);
    EXPECT_EQ(a.autoLaunch, 0);
    EXPECT_EQ(a.showBinAtStart, 1);
    EXPECT_EQ(a.openExplorerAtStart, 1);
    EXPECT_EQ(a.autoDelete, 0);
    EXPECT_EQ(a.expireDays, 412);
    EXPECT_FALSE(sheet.advanced.DaysEnabled());
    EXPECT_FALSE(sheet.general.modified || sheet.advanced.modified);
    EXPECT_FALSE(sheet.Keeps(false));
}

TEST_F(OptionsModelTest, DefaultsOfBothPagesAndWhatTheyEnable) {
    settings.bAutoDeleteHistory = 0;
    settings.nExpireDays = 5;
    OptionsSheetModel sheet(settings);
    sheet.general.SetDefaults();
    EXPECT_EQ(sheet.general.values.elementScope, 2);
    EXPECT_EQ(sheet.general.values.popupBlockScope, 2);
    EXPECT_EQ(sheet.general.values.recogniseMode, 3);
    EXPECT_EQ(sheet.general.values.askDeleteElement + sheet.general.values.askBlockPopup +
                  sheet.general.values.askDeletePopup,
              3);
    EXPECT_TRUE(sheet.general.modified);

    sheet.advanced.SetDefaults();
    EXPECT_EQ(sheet.advanced.values.autoLaunch, 1);
    EXPECT_EQ(sheet.advanced.values.showBinAtStart, 1);
    EXPECT_EQ(sheet.advanced.values.openExplorerAtStart, 0);
    EXPECT_EQ(sheet.advanced.values.autoDelete, 1);
    EXPECT_EQ(sheet.advanced.values.expireDays, 30);
    EXPECT_TRUE(sheet.advanced.DaysEnabled());
    EXPECT_TRUE(sheet.advanced.modified);

    // Clearing auto delete greys the days at once and leaves Apply alone.
    OptionsSheetModel fresh(settings);
    fresh.advanced.values.autoDelete = 1;
    fresh.advanced.AutoDeleteClicked(false);
    EXPECT_FALSE(fresh.advanced.DaysEnabled());
    EXPECT_FALSE(fresh.advanced.modified);
    fresh.advanced.StartupBoxClicked();
    EXPECT_TRUE(fresh.advanced.modified);
    fresh.general.ControlClicked();
    EXPECT_TRUE(fresh.general.modified);
}

TEST_F(OptionsModelTest, SpinCountsDaysWithinOneToAThousand) {
    struct Case {
        int days, delta, after;
        bool changed;
    };
    // The control counts downwards: the up arrow proposes -1 and adds a day.
    const Case cases[] = {{30, -1, 31, true},   {30, 1, 29, true},     {1, 1, 1, false},
                          {1, -1, 2, true},     {1000, -1, 1000, false}, {1000, 1, 999, true},
                          {2, 5, 1, true},      {998, -5, 1000, true},   {30, 0, 30, false}};
    for (const Case& c : cases) {
        OptionsSheetModel sheet(settings);
        sheet.advanced.values.expireDays = c.days;
        EXPECT_EQ(sheet.advanced.Spin(c.delta), c.changed) << c.days << " " << c.delta;
        EXPECT_EQ(sheet.advanced.values.expireDays, c.after) << c.days << " " << c.delta;
    }
}

TEST_F(OptionsModelTest, DaysMustBeAnIntegerFromOneToAThousand) {
    struct Case {
        const char* text;
        bool ok;
        int days;
    };
    const Case cases[] = {{"1", true, 1},     {"1000", true, 1000}, {" 30 ", true, 30},
                          {"+7", true, 7},    {"0", false, 0},      {"1001", false, 0},
                          {"-3", false, 0},   {"", false, 0},       {"12a", false, 0},
                          {"3.5", false, 0},  {"99999999999", false, 0}, {"  ", false, 0}};
    for (const Case& c : cases) {
        int days = -77;
        EXPECT_EQ(qm::ParseExpireDays(c.text, days), c.ok) << '"' << c.text << '"';
        EXPECT_EQ(days, c.ok ? c.days : -77) << '"' << c.text << '"';
    }
    EXPECT_EQ(qm::ExpireDaysMessage(), "Please enter an integer between 1 and 1000.");
}

TEST_F(OptionsModelTest, CancelAloneKeepsEverythingAndWritesNothing) {
    settings.nExpireDays = 45;
    OptionsSheetModel sheet(settings);
    sheet.general.SetDefaults();
    sheet.advanced.values.expireDays = 9;
    registry.ClearLog();
    EXPECT_EQ(sheet.Finish(false, settings), -1);
    EXPECT_EQ(settings.nExpireDays, 45);
    EXPECT_EQ(settings.nElementDeleteScope, qm::kScopeNone);
    EXPECT_TRUE(registry.Log().empty());
}

TEST_F(OptionsModelTest, OkOrApplyThenCancelCopiesBackAndSaves) {
    for (bool ok : {true, false}) {
        MemoryRegistry fresh;
        AppSettings target(fresh, kProgram);
        OptionsSheetModel sheet(target);
        sheet.general.values.elementScope = 0;
        sheet.general.values.recogniseMode = 1;
        sheet.general.values.askBlockPopup = 0;
        sheet.advanced.values.autoLaunch = ok ? 1 : 0;
        sheet.advanced.values.openExplorerAtStart = 1;
        sheet.advanced.values.expireDays = 700;
        if (!ok) {
            sheet.advanced.Apply();  // Apply pressed, then the sheet cancelled
        }
        ASSERT_TRUE(sheet.Keeps(ok));
        EXPECT_EQ(sheet.Finish(ok, target), 1);
        EXPECT_EQ(target.nElementDeleteScope, 0);
        EXPECT_EQ(target.nPopupRecogniseMode, 1);
        EXPECT_EQ(target.nPopupInhitbitScope, qm::kScopeNone) << "nothing checked stays no choice";
        EXPECT_EQ(target.bPromptBeforeInhitbitPopup, 0);
        EXPECT_EQ(target.nExpireDays, 700);

        // What the next start reads back.
        AppSettings reread(fresh, kProgram);
        EXPECT_EQ(reread.nElementDeleteScope, 0);
        EXPECT_EQ(reread.nPopupRecogniseMode, 1);
        EXPECT_EQ(reread.bOpenRecycleBinOnStartup, 1);
        EXPECT_EQ(reread.nExpireDays, 700);
        EXPECT_EQ(reread.bAutoStarup, ok ? 1 : 0);
        std::optional<std::string> run;
        for (RegistryRoot root : {RegistryRoot::kLocalMachine, RegistryRoot::kCurrentUser}) {
            if (!run) {
                run = fresh.GetString(root, qm::kRunKey, qm::kRunValueName);
            }
        }
        ASSERT_TRUE(run.has_value()) << "the start-up entry is written either way";
        EXPECT_EQ(*run, ok ? qm::StartupCommand(kProgram) : std::string());
    }
}

TEST_F(OptionsModelTest, AFailedSaveIsReported) {
    registry.FailWrites(RegistryRoot::kLocalMachine);
    registry.FailWrites(RegistryRoot::kCurrentUser);
    OptionsSheetModel sheet(settings);
    EXPECT_EQ(sheet.Finish(true, settings), 0);
}

}  // namespace
