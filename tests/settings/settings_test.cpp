#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testing/registry_memory.h"
#include "store/settings.h"

namespace qm {
namespace {

constexpr RegistryRoot kHKCU = RegistryRoot::kCurrentUser;
constexpr RegistryRoot kHKLM = RegistryRoot::kLocalMachine;
const std::string kModule = "C:\\Program Files\\Quillmoor\\Quillmoor.exe";

const std::vector<std::string> kNumericOrder = {
    "bAutoStarup",
    "bOpenRecycleBinOnStartup",
    "bPromptBeforeDeleteElement",
    "bPromptBeforeDeletePopup",
    "bPromptBeforeInhitbitPopup",
    "bShowRecycleBinOnStartup",
    "nElementDeleteScope",
    "nPopupInhitbitScope",
    "nPopupRecogniseMode",
    "bAutoDeleteHistory",
    "nExpireDays",
};

// Every numeric field by its registry value name.
int& Field(AppSettings& settings, const std::string& name) {
    if (name == "bAutoStarup")
        return settings.bAutoStarup;
    if (name == "bOpenRecycleBinOnStartup")
        return settings.bOpenRecycleBinOnStartup;
    if (name == "bPromptBeforeDeleteElement")
        return settings.bPromptBeforeDeleteElement;
    if (name == "bPromptBeforeDeletePopup")
        return settings.bPromptBeforeDeletePopup;
    if (name == "bPromptBeforeInhitbitPopup")
        return settings.bPromptBeforeInhitbitPopup;
    if (name == "bShowRecycleBinOnStartup")
        return settings.bShowRecycleBinOnStartup;
    if (name == "nElementDeleteScope")
        return settings.nElementDeleteScope;
    if (name == "nPopupInhitbitScope")
        return settings.nPopupInhitbitScope;
    if (name == "nPopupRecogniseMode")
        return settings.nPopupRecogniseMode;
    if (name == "bAutoDeleteHistory")
        return settings.bAutoDeleteHistory;
    if (name == "nExpireDays")
        return settings.nExpireDays;
    ADD_FAILURE() << "no field " << name;
    static int none = 0;
    return none;
}

// A value for every field that differs from its default and is in range.
void SetAllNonDefault(AppSettings& s) {
    s.bPromptBeforeDeleteElement = 0;
    s.nElementDeleteScope = 1;
    s.bPromptBeforeDeletePopup = 0;
    s.nPopupRecogniseMode = 2;
    s.bPromptBeforeInhitbitPopup = 0;
    s.nPopupInhitbitScope = 0;
    s.bAutoStarup = 0;
    s.bShowRecycleBinOnStartup = 0;
    s.bOpenRecycleBinOnStartup = 1;
    s.bAutoDeleteHistory = 0;
    s.nExpireDays = 365;
}

void ExpectAllNonDefault(const AppSettings& s) {
    EXPECT_EQ(s.bPromptBeforeDeleteElement, 0);
    EXPECT_EQ(s.nElementDeleteScope, 1);
    EXPECT_EQ(s.bPromptBeforeDeletePopup, 0);
    EXPECT_EQ(s.nPopupRecogniseMode, 2);
    EXPECT_EQ(s.bPromptBeforeInhitbitPopup, 0);
    EXPECT_EQ(s.nPopupInhitbitScope, 0);
    EXPECT_EQ(s.bAutoStarup, 0);
    EXPECT_EQ(s.bShowRecycleBinOnStartup, 0);
    EXPECT_EQ(s.bOpenRecycleBinOnStartup, 1);
    EXPECT_EQ(s.bAutoDeleteHistory, 0);
    EXPECT_EQ(s.nExpireDays, 365);
}

void ExpectDefaults(const AppSettings& s) {
    EXPECT_EQ(s.bPromptBeforeDeleteElement, 1);
    EXPECT_EQ(s.nElementDeleteScope, 3);
    EXPECT_EQ(s.bPromptBeforeDeletePopup, 1);
    EXPECT_EQ(s.nPopupRecogniseMode, 4);
    EXPECT_EQ(s.bPromptBeforeInhitbitPopup, 1);
    EXPECT_EQ(s.nPopupInhitbitScope, 3);
    EXPECT_EQ(s.bAutoStarup, 1);
    EXPECT_EQ(s.bShowRecycleBinOnStartup, 1);
    EXPECT_EQ(s.bOpenRecycleBinOnStartup, 0);
    EXPECT_EQ(s.bAutoDeleteHistory, 1);
    EXPECT_EQ(s.nExpireDays, 30);
}

// The log entries that touched values, without the opens.
std::vector<std::string> ValueCalls(const MemoryRegistry& registry, const std::string& verb) {
    std::vector<std::string> out;
    for (const std::string& entry : registry.Log()) {
        if (entry.rfind(verb + " ", 0) == 0) {
            out.push_back(entry.substr(entry.rfind(' ') + 1));
        }
    }
    return out;
}

TEST(SettingsDefaults, FirstRunWithoutKeyAsksWithNothingPreselectedAndExpiresAfter30Days) {
    MemoryRegistry registry;
    AppSettings settings(registry, kModule);
    ExpectDefaults(settings);
    EXPECT_EQ(settings.LoadSettings(), 0);
    ExpectDefaults(settings);
    EXPECT_EQ(settings.ModulePath(), kModule);
}

TEST(SettingsDefaults, SetDefaultSettingsRestoresEveryField) {
    MemoryRegistry registry;
    AppSettings settings(registry, kModule);
    SetAllNonDefault(settings);
    settings.SetDefaultSettings();
    ExpectDefaults(settings);
}

TEST(SettingsLoad, ConstructionLoadsTheLocalMachineKey) {
    MemoryRegistry registry;
    registry.SetDword(kHKLM, kSettingsKey, "nExpireDays", 7);
    registry.SetDword(kHKLM, kSettingsKey, "bOpenRecycleBinOnStartup", 1);
    registry.SetDword(kHKLM, kSettingsKey, "nElementDeleteScope", 2);
    AppSettings settings(registry, kModule);
    EXPECT_EQ(settings.nExpireDays, 7);
    EXPECT_EQ(settings.bOpenRecycleBinOnStartup, 1);
    EXPECT_EQ(settings.nElementDeleteScope, 2);
    EXPECT_EQ(settings.nPopupRecogniseMode, 4) << "values not stored keep their defaults";
}

TEST(SettingsLoad, ReadsTheTextsThenTheNumbersInTheirOrderWithFullAccess) {
    MemoryRegistry registry;
    registry.AddKey(kHKLM, kSettingsKey);
    AppSettings settings(registry, kModule);
    ASSERT_FALSE(registry.Log().empty());
    EXPECT_EQ(registry.Log().front(), "open HKLM Software\\Quillmoor all ok");
    std::vector<std::string> expected = {"sVersion", "sInstallDirectory"};
    expected.insert(expected.end(), kNumericOrder.begin(), kNumericOrder.end());
    EXPECT_EQ(ValueCalls(registry, "read"), expected);
    EXPECT_TRUE(ValueCalls(registry, "write").empty()) << "loading writes nothing";
}

TEST(SettingsLoad, TextValuesAreReadAndIgnored) {
    MemoryRegistry registry;
    registry.SetString(kHKLM, kSettingsKey, "sVersion", "9.99");
    registry.SetString(kHKLM, kSettingsKey, "sInstallDirectory", "D:\\elsewhere");
    AppSettings settings(registry, kModule);
    ExpectDefaults(settings);
    EXPECT_EQ(settings.LoadSettings(), 1);
}

TEST(SettingsLoad, FourBytesOfAnotherTypeAreReadAsTheNumber) {
    MemoryRegistry registry;
    registry.SetRaw(kHKLM, kSettingsKey, "nExpireDays", RegistryType::kBinary, {0x2C, 0x01, 0, 0});
    registry.SetRaw(kHKLM, kSettingsKey, "nPopupRecogniseMode", RegistryType::kNone, {3, 0, 0, 0});
    AppSettings settings(registry, kModule);
    EXPECT_EQ(settings.nExpireDays, 300);
    EXPECT_EQ(settings.nPopupRecogniseMode, 3);
}

TEST(SettingsLoad, ValuesThatCannotBeReadLeaveTheirFields) {
    MemoryRegistry registry;
    AppSettings settings(registry, kModule);
    SetAllNonDefault(settings);
    registry.SetRaw(kHKLM, kSettingsKey, "nExpireDays", RegistryType::kBinary, {5, 0});
    registry.SetRaw(kHKLM, kSettingsKey, "nElementDeleteScope", RegistryType::kQword,
                    {0, 0, 0, 0, 0, 0, 0, 0});
    registry.SetString(kHKLM, kSettingsKey, "bAutoStarup", "no way");
    EXPECT_EQ(settings.LoadSettings(), 1);
    ExpectAllNonDefault(settings);
}

TEST(SettingsLoad, OutOfRangeNumbersFallBackToTheirDefaultsAndFlagsBecomeZeroOrOne) {
    MemoryRegistry registry;
    registry.SetDword(kHKLM, kSettingsKey, "nExpireDays", 0);
    registry.SetDword(kHKLM, kSettingsKey, "nElementDeleteScope", 4);
    registry.SetDword(kHKLM, kSettingsKey, "nPopupInhitbitScope", 0xFFFFFFFFu);
    registry.SetDword(kHKLM, kSettingsKey, "nPopupRecogniseMode", 5);
    registry.SetDword(kHKLM, kSettingsKey, "bAutoDeleteHistory", 7);
    registry.SetDword(kHKLM, kSettingsKey, "bOpenRecycleBinOnStartup", 0x80000000u);
    AppSettings settings(registry, kModule);
    EXPECT_EQ(settings.nExpireDays, 30);
    EXPECT_EQ(settings.nElementDeleteScope, 3);
    EXPECT_EQ(settings.nPopupInhitbitScope, 3);
    EXPECT_EQ(settings.nPopupRecogniseMode, 4);
    EXPECT_EQ(settings.bAutoDeleteHistory, 1);
    EXPECT_EQ(settings.bOpenRecycleBinOnStartup, 1);
}

TEST(SettingsLoad, ExpiryDaysKeepTheirWholeRange) {
    for (std::uint32_t days : {1u, 2u, 999u, 1000u}) {
        MemoryRegistry registry;
        registry.SetDword(kHKLM, kSettingsKey, "nExpireDays", days);
        AppSettings settings(registry, kModule);
        EXPECT_EQ(settings.nExpireDays, static_cast<int>(days));
    }
    for (std::uint32_t days : {1001u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
        MemoryRegistry registry;
        registry.SetDword(kHKLM, kSettingsKey, "nExpireDays", days);
        AppSettings settings(registry, kModule);
        EXPECT_EQ(settings.nExpireDays, 30) << days;
    }
}

TEST(SettingsLoad, EveryScopeAndModeInRangeIsKept) {
    for (std::uint32_t value = 0; value <= 4; ++value) {
        MemoryRegistry registry;
        registry.SetDword(kHKLM, kSettingsKey, "nElementDeleteScope", value);
        registry.SetDword(kHKLM, kSettingsKey, "nPopupInhitbitScope", value);
        registry.SetDword(kHKLM, kSettingsKey, "nPopupRecogniseMode", value);
        AppSettings settings(registry, kModule);
        int v = static_cast<int>(value);
        EXPECT_EQ(settings.nElementDeleteScope, v <= 3 ? v : 3);
        EXPECT_EQ(settings.nPopupInhitbitScope, v <= 3 ? v : 3);
        EXPECT_EQ(settings.nPopupRecogniseMode, v);
    }
}

TEST(SettingsLoad, LocalMachineWinsWhenItOpensForFullAccess) {
    MemoryRegistry registry;
    registry.SetDword(kHKLM, kSettingsKey, "nExpireDays", 10);
    registry.SetDword(kHKCU, kSettingsKey, "nExpireDays", 20);
    AppSettings settings(registry, kModule);
    EXPECT_EQ(settings.nExpireDays, 10);
}

TEST(SettingsLoad, CurrentUserKeyIsReadWhenTheLocalMachineRefusesFullAccess) {
    MemoryRegistry registry;
    registry.SetDword(kHKLM, kSettingsKey, "nExpireDays", 10);
    registry.SetDword(kHKCU, kSettingsKey, "nExpireDays", 20);
    registry.RefuseAccess(kHKLM, RegistryAccess::kWrite);
    AppSettings settings(registry, kModule);
    EXPECT_EQ(settings.nExpireDays, 20);
}

TEST(SettingsLoad, LocalMachineIsReadOnlyAsALastResort) {
    MemoryRegistry registry;
    registry.SetDword(kHKLM, kSettingsKey, "nExpireDays", 10);
    registry.RefuseAccess(kHKLM, RegistryAccess::kWrite);
    AppSettings settings(registry, kModule);
    EXPECT_EQ(settings.nExpireDays, 10);
    EXPECT_EQ(settings.LoadSettings(), 1);
}

TEST(SettingsLoad, NoReadableKeyLeavesTheFieldsAndReportsFailure) {
    MemoryRegistry registry;
    registry.SetDword(kHKLM, kSettingsKey, "nExpireDays", 10);
    registry.RefuseAccess(kHKLM, RegistryAccess::kRead);
    AppSettings settings(registry, kModule);
    SetAllNonDefault(settings);
    EXPECT_EQ(settings.LoadSettings(), 0);
    ExpectAllNonDefault(settings);
}

TEST(SettingsSave, WritesEveryValueInOrderWithItsTypeUnderTheLocalMachine) {
    MemoryRegistry registry;
    registry.AddKey(kHKLM, kSettingsKey);
    registry.AddKey(kHKLM, kRunKey);
    AppSettings settings(registry, kModule);
    SetAllNonDefault(settings);
    registry.ClearLog();
    EXPECT_EQ(settings.SaveSettings(), 1);

    std::vector<std::string> expected = {"sVersion", "sInstallDirectory"};
    expected.insert(expected.end(), kNumericOrder.begin(), kNumericOrder.end());
    expected.push_back("Quillmoor");
    EXPECT_EQ(ValueCalls(registry, "write"), expected);

    auto version = registry.Get(kHKLM, kSettingsKey, "sVersion");
    ASSERT_TRUE(version.has_value());
    EXPECT_EQ(version->type, RegistryType::kString);
    EXPECT_EQ(version->data, (std::vector<std::uint8_t>{'1', '.', '0', '0', 0}));
    auto install = registry.Get(kHKLM, kSettingsKey, "sInstallDirectory");
    ASSERT_TRUE(install.has_value());
    EXPECT_EQ(install->type, RegistryType::kString);
    EXPECT_EQ(install->data, (std::vector<std::uint8_t>{0}));
    for (const std::string& name : kNumericOrder) {
        auto value = registry.Get(kHKLM, kSettingsKey, name);
        ASSERT_TRUE(value.has_value()) << name;
        EXPECT_EQ(value->type, RegistryType::kDword) << name;
        EXPECT_EQ(registry.GetDword(kHKLM, kSettingsKey, name),
                  static_cast<std::uint32_t>(Field(settings, name)))
            << name;
    }
    EXPECT_EQ(registry.ValueCount(kHKLM, kSettingsKey), 13u);
    EXPECT_FALSE(registry.HasKey(kHKCU, kSettingsKey));
}

TEST(SettingsSave, RoundTripsEveryFieldThroughANewObject) {
    MemoryRegistry registry;
    {
        AppSettings settings(registry, kModule);
        SetAllNonDefault(settings);
        ASSERT_EQ(settings.SaveSettings(), 1);
    }
    AppSettings again(registry, kModule);
    ExpectAllNonDefault(again);
}

TEST(SettingsSave, StartupEntryHoldsTheProgramPathWhenAutoStartIsOn) {
    MemoryRegistry registry;
    registry.AddKey(kHKLM, kRunKey);
    AppSettings settings(registry, kModule);
    ASSERT_EQ(settings.bAutoStarup, 1);
    EXPECT_EQ(settings.SaveSettings(), 1);
    EXPECT_EQ(registry.GetString(kHKLM, kRunKey, "Quillmoor"), "\"" + kModule + "\"");
}

TEST(SettingsSave, StartupCommandQuotesAPathWithBlanksOnly) {
    EXPECT_EQ(StartupCommand("C:\\Program Files\\Q\\Quillmoor.exe"),
              "\"C:\\Program Files\\Q\\Quillmoor.exe\"");
    EXPECT_EQ(StartupCommand("C:\\Tools\\Quillmoor.exe"), "C:\\Tools\\Quillmoor.exe");
    EXPECT_EQ(StartupCommand("\"C:\\A B\\Q.exe\""), "\"C:\\A B\\Q.exe\"");
    EXPECT_EQ(StartupCommand(""), "");
}

TEST(SettingsSave, AutoStartOffLeavesTheStartupValueWithEmptyData) {
    MemoryRegistry registry;
    registry.AddKey(kHKLM, kSettingsKey);
    registry.SetString(kHKLM, kRunKey, "Quillmoor", kModule);
    registry.SetString(kHKLM, kRunKey, "Other", "other.exe");
    AppSettings settings(registry, kModule);
    settings.bAutoStarup = 0;
    EXPECT_EQ(settings.SaveSettings(), 1);
    auto value = registry.Get(kHKLM, kRunKey, "Quillmoor");
    ASSERT_TRUE(value.has_value()) << "the start-up value is never deleted";
    EXPECT_EQ(value->type, RegistryType::kString);
    EXPECT_EQ(value->data, (std::vector<std::uint8_t>{0}));
    EXPECT_EQ(registry.GetString(kHKLM, kRunKey, "Other"), "other.exe");
}

TEST(SettingsSave, RefusedLocalMachineGoesToTheCurrentUserAndIsReadBack) {
    MemoryRegistry registry;
    registry.AddKey(kHKLM, kSettingsKey);
    registry.AddKey(kHKLM, kRunKey);
    registry.RefuseAccess(kHKLM, RegistryAccess::kWrite);
    {
        AppSettings settings(registry, kModule);
        SetAllNonDefault(settings);
        settings.bAutoStarup = 1;
        EXPECT_EQ(settings.SaveSettings(), 1);
    }
    EXPECT_EQ(registry.ValueCount(kHKLM, kSettingsKey), 0u);
    EXPECT_EQ(registry.ValueCount(kHKLM, kRunKey), 0u);
    EXPECT_EQ(registry.ValueCount(kHKCU, kSettingsKey), 13u);
    EXPECT_EQ(registry.GetString(kHKCU, kRunKey, "Quillmoor"), "\"" + kModule + "\"");

    AppSettings again(registry, kModule);
    EXPECT_EQ(again.nExpireDays, 365);
    EXPECT_EQ(again.nPopupRecogniseMode, 2);
    EXPECT_EQ(again.bOpenRecycleBinOnStartup, 1);
}

TEST(SettingsSave, FirstSaveWithoutALocalMachineKeyGoesToTheCurrentUser) {
    MemoryRegistry registry;
    AppSettings settings(registry, kModule);
    settings.nExpireDays = 12;
    EXPECT_EQ(settings.SaveSettings(), 1);
    EXPECT_FALSE(registry.HasKey(kHKLM, kSettingsKey));
    EXPECT_EQ(registry.GetDword(kHKCU, kSettingsKey, "nExpireDays"), 12u);
    AppSettings again(registry, kModule);
    EXPECT_EQ(again.nExpireDays, 12);
}

TEST(SettingsSave, NoWritableKeyWritesNothingAndFails) {
    MemoryRegistry registry;
    registry.AddKey(kHKLM, kSettingsKey);
    registry.RefuseAccess(kHKLM, RegistryAccess::kWrite);
    registry.RefuseCreate(kHKCU);
    AppSettings settings(registry, kModule);
    EXPECT_EQ(settings.SaveSettings(), 0);
    EXPECT_TRUE(ValueCalls(registry, "write").empty());
}

TEST(SettingsSave, UnwritableStartupKeyFailsAfterTheSettingsWereWritten) {
    MemoryRegistry registry;
    registry.AddKey(kHKLM, kSettingsKey);
    registry.AddKey(kHKCU, "Software");
    registry.RefuseCreate(kHKCU);
    AppSettings settings(registry, kModule);
    settings.nExpireDays = 44;
    EXPECT_EQ(settings.SaveSettings(), 0);
    EXPECT_EQ(registry.GetDword(kHKLM, kSettingsKey, "nExpireDays"), 44u);
    EXPECT_FALSE(registry.HasKey(kHKLM, kRunKey));
}

TEST(SettingsSave, AFailedWriteIsReportedAsFailure) {
    MemoryRegistry registry;
    registry.AddKey(kHKLM, kSettingsKey);
    registry.AddKey(kHKLM, kRunKey);
    registry.FailWrites(kHKLM);
    AppSettings settings(registry, kModule);
    EXPECT_EQ(settings.SaveSettings(), 0);
}

}  // namespace
}  // namespace qm
