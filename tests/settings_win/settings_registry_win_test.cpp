#include <gtest/gtest.h>

#include "store/open_browser.h"
#include "testing/recording_launcher.h"
#include "store/settings.h"
#include "tests/settings_win/redirect_registry.h"
#include "tests/settings_win/win_test_support.h"

namespace qm {
namespace {

using wintest::GetRawValue;
using wintest::RawValue;
using wintest::RedirectRegistry;
using wintest::ScratchKey;

constexpr RegistryRoot kHKCU = RegistryRoot::kCurrentUser;
constexpr RegistryRoot kHKLM = RegistryRoot::kLocalMachine;
const std::string kModule = "C:\\Program Files\\Quillmoor\\Quillmoor.exe";

TEST(SettingsOnRealKeys, FirstRunHasDefaultsAndSaveWritesTypedValues) {
    ScratchKey scratch;
    RedirectRegistry registry(scratch.Path());
    ASSERT_NE(registry.Create(kHKLM, kSettingsKey, RegistryAccess::kAll), nullptr);
    ASSERT_NE(registry.Create(kHKLM, kRunKey, RegistryAccess::kAll), nullptr);
    AppSettings settings(registry, kModule);
    EXPECT_EQ(settings.nElementDeleteScope, 3);
    EXPECT_EQ(settings.nPopupRecogniseMode, 4);
    EXPECT_EQ(settings.nExpireDays, 30);
    settings.nExpireDays = 90;
    settings.bAutoStarup = 0;
    EXPECT_EQ(settings.SaveSettings(), 1);

    const std::string key = registry.Map(kHKLM, kSettingsKey);
    RawValue version = GetRawValue(key, "sVersion");
    EXPECT_EQ(version.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(version.data, std::string("1.00\0", 5));
    RawValue install = GetRawValue(key, "sInstallDirectory");
    EXPECT_EQ(install.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(install.data, std::string("\0", 1));
    RawValue days = GetRawValue(key, "nExpireDays");
    EXPECT_EQ(days.type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(days.data, std::string("\x5A\0\0\0", 4));
    RawValue run = GetRawValue(registry.Map(kHKLM, kRunKey), "Quillmoor");
    ASSERT_TRUE(run.found) << "the start-up value stays, with empty data";
    EXPECT_EQ(run.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(run.data, std::string("\0", 1));

    AppSettings again(registry, kModule);
    EXPECT_EQ(again.nExpireDays, 90);
    EXPECT_EQ(again.bAutoStarup, 0);
}

TEST(SettingsOnRealKeys, RefusedLocalMachineSavesUnderTheCurrentUserAndLoadsFromThere) {
    ScratchKey scratch;
    RedirectRegistry registry(scratch.Path());
    registry.refuseLocalMachineWrite = true;
    {
        AppSettings settings(registry, kModule);
        settings.nPopupInhitbitScope = 1;
        settings.bOpenRecycleBinOnStartup = 1;
        EXPECT_EQ(settings.SaveSettings(), 1);
    }
    EXPECT_FALSE(GetRawValue(registry.Map(kHKLM, kSettingsKey), "nPopupInhitbitScope").found);
    RawValue scope = GetRawValue(registry.Map(kHKCU, kSettingsKey), "nPopupInhitbitScope");
    ASSERT_TRUE(scope.found);
    EXPECT_EQ(scope.data, std::string("\x01\0\0\0", 4));
    RawValue run = GetRawValue(registry.Map(kHKCU, kRunKey), "Quillmoor");
    EXPECT_EQ(run.data, "\"" + kModule + "\"" + std::string("\0", 1));

    AppSettings again(registry, kModule);
    EXPECT_EQ(again.nPopupInhitbitScope, 1);
    EXPECT_EQ(again.bOpenRecycleBinOnStartup, 1);
}

TEST(SettingsOnRealKeys, BinaryValueOfFourBytesLoadsAsItsNumber) {
    ScratchKey scratch;
    RedirectRegistry registry(scratch.Path());
    const unsigned char days[4] = {0xE8, 0x03, 0, 0};  // 1000
    ASSERT_TRUE(wintest::SetRawValue(registry.Map(kHKLM, kSettingsKey), "nExpireDays", REG_BINARY,
                                     days, 4));
    AppSettings settings(registry, kModule);
    EXPECT_EQ(settings.nExpireDays, 1000);
}

TEST(SettingsOnRealKeys, DefaultBrowserCommandComesFromTheClassesRoot) {
    ScratchKey scratch;
    RedirectRegistry registry(scratch.Path());
    auto type = registry.Create(RegistryRoot::kClassesRoot, ".htm", RegistryAccess::kAll);
    ASSERT_NE(type, nullptr);
    ASSERT_TRUE(type->WriteString("", "QuillmoorTestPage"));
    auto command = registry.Create(RegistryRoot::kClassesRoot,
                                   "QuillmoorTestPage\\shell\\open\\command", RegistryAccess::kAll);
    ASSERT_NE(command, nullptr);
    ASSERT_TRUE(command->WriteString("", "\"C:\\Browser\\browser.exe\" \"%1\""));
    RecordingLauncher launcher;
    EXPECT_TRUE(OpenInDefaultBrowser("http://a.example/\"x", ShowState::kShow, registry, launcher));
    ASSERT_EQ(launcher.calls.size(), 1u);
    EXPECT_EQ(launcher.calls[0].text, "\"C:\\Browser\\browser.exe\"  \"http://a.example/%22x\"");
}

}  // namespace
}  // namespace qm
