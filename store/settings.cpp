#include "store/settings.h"

#include <utility>

namespace qm {

namespace {

// The numeric values in the order they are read and written.
struct NumericValue {
    const char* name;
    int AppSettings::*field;
};

constexpr NumericValue kNumericValues[] = {
    {"bAutoStarup", &AppSettings::bAutoStarup},
    {"bOpenRecycleBinOnStartup", &AppSettings::bOpenRecycleBinOnStartup},
    {"bPromptBeforeDeleteElement", &AppSettings::bPromptBeforeDeleteElement},
    {"bPromptBeforeDeletePopup", &AppSettings::bPromptBeforeDeletePopup},
    {"bPromptBeforeInhitbitPopup", &AppSettings::bPromptBeforeInhitbitPopup},
    {"bShowRecycleBinOnStartup", &AppSettings::bShowRecycleBinOnStartup},
    {"nElementDeleteScope", &AppSettings::nElementDeleteScope},
    {"nPopupInhitbitScope", &AppSettings::nPopupInhitbitScope},
    {"nPopupRecogniseMode", &AppSettings::nPopupRecogniseMode},
    {"bAutoDeleteHistory", &AppSettings::bAutoDeleteHistory},
    {"nExpireDays", &AppSettings::nExpireDays},
};

int Flag(int value) {
    return value != 0 ? 1 : 0;
}

int InRange(int value, int low, int high, int fallback) {
    return value >= low && value <= high ? value : fallback;
}

// Opens the settings key under the local machine with full access, or under
// the current user when that is refused.
std::unique_ptr<RegistryKey> OpenForWriting(Registry& registry, const std::string& path) {
    std::unique_ptr<RegistryKey> key =
        registry.Open(RegistryRoot::kLocalMachine, path, RegistryAccess::kAll);
    if (!key) {
        key = registry.Create(RegistryRoot::kCurrentUser, path, RegistryAccess::kAll);
    }
    return key;
}

}  // namespace

std::string StartupCommand(const std::string& modulePath) {
    // The system runs the entry as a command line: a path with blanks in it
    // unquoted would first be tried as "C:\Program.exe" and so on.
    if (modulePath.find_first_of(" \t") == std::string::npos || modulePath.front() == '"') {
        return modulePath;
    }
    return "\"" + modulePath + "\"";
}

AppSettings::AppSettings(Registry& registry, std::string modulePath)
    : registry_(registry), modulePath_(std::move(modulePath)) {
    SetDefaultSettings();
    LoadSettings();
}

AppSettings::~AppSettings() = default;

void AppSettings::SetDefaultSettings() {
    bPromptBeforeDeleteElement = 1;
    nElementDeleteScope = kScopeNone;
    bPromptBeforeDeletePopup = 1;
    nPopupRecogniseMode = kRecogniseModeNone;
    bPromptBeforeInhitbitPopup = 1;
    nPopupInhitbitScope = kScopeNone;
    bAutoStarup = 1;
    bShowRecycleBinOnStartup = 1;
    bOpenRecycleBinOnStartup = 0;
    bAutoDeleteHistory = 1;
    nExpireDays = kDefaultExpireDays;
}

int AppSettings::LoadSettings() {
    // The key that SaveSettings writes: the local machine's when it opens for
    // full access, else the current user's. When neither is there, settings
    // left under the local machine by an installer are still read.
    std::unique_ptr<RegistryKey> key =
        registry_.Open(RegistryRoot::kLocalMachine, kSettingsKey, RegistryAccess::kAll);
    if (!key) {
        key = registry_.Open(RegistryRoot::kCurrentUser, kSettingsKey, RegistryAccess::kRead);
    }
    if (!key) {
        key = registry_.Open(RegistryRoot::kLocalMachine, kSettingsKey, RegistryAccess::kRead);
    }
    if (!key) {
        return 0;
    }
    ReadValues(*key);
    return 1;
}

void AppSettings::ReadValues(RegistryKey& key) {
    // Read for completeness; their contents play no part.
    key.ReadString("sVersion");
    key.ReadString("sInstallDirectory");
    for (const NumericValue& value : kNumericValues) {
        if (std::optional<std::uint32_t> read = key.ReadDword(value.name)) {
            this->*value.field = static_cast<int>(*read);
        }
    }
    MakeSane();
}

void AppSettings::MakeSane() {
    bPromptBeforeDeleteElement = Flag(bPromptBeforeDeleteElement);
    bPromptBeforeDeletePopup = Flag(bPromptBeforeDeletePopup);
    bPromptBeforeInhitbitPopup = Flag(bPromptBeforeInhitbitPopup);
    bAutoStarup = Flag(bAutoStarup);
    bShowRecycleBinOnStartup = Flag(bShowRecycleBinOnStartup);
    bOpenRecycleBinOnStartup = Flag(bOpenRecycleBinOnStartup);
    bAutoDeleteHistory = Flag(bAutoDeleteHistory);
    nElementDeleteScope = InRange(nElementDeleteScope, 0, kScopeNone, kScopeNone);
    nPopupInhitbitScope = InRange(nPopupInhitbitScope, 0, kScopeNone, kScopeNone);
    nPopupRecogniseMode = InRange(nPopupRecogniseMode, 0, kRecogniseModeNone, kRecogniseModeNone);
    nExpireDays = InRange(nExpireDays, kMinExpireDays, kMaxExpireDays, kDefaultExpireDays);
}

bool AppSettings::WriteValues(RegistryKey& key) const {
    bool ok = key.WriteString("sVersion", kSettingsVersion);
    ok = key.WriteString("sInstallDirectory", "") && ok;
    for (const NumericValue& value : kNumericValues) {
        ok = key.WriteDword(value.name, static_cast<std::uint32_t>(this->*value.field)) && ok;
    }
    return ok;
}

int AppSettings::SaveSettings() {
    std::unique_ptr<RegistryKey> settings = OpenForWriting(registry_, kSettingsKey);
    if (!settings) {
        return 0;
    }
    bool ok = WriteValues(*settings);
    settings.reset();

    std::unique_ptr<RegistryKey> run = OpenForWriting(registry_, kRunKey);
    if (!run) {
        return 0;
    }
    ok = run->WriteString(kRunValueName, bAutoStarup != 0 ? StartupCommand(modulePath_) : "") && ok;
    return ok ? 1 : 0;
}

}  // namespace qm
