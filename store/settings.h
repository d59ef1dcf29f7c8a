// The user's options, kept as values under "Software\\Quillmoor" in the
// registry, and the start-up entry "Quillmoor" under the system's Run key.
#pragma once

#include <string>

#include "platform/registry.h"
#include "version/quillmoor_version.h"

namespace qm {

constexpr const char* kSettingsKey = "Software\\Quillmoor";
constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kRunValueName = "Quillmoor";
// Written as "sVersion": the program version set in the build.
constexpr const char* kSettingsVersion = kVersionText;

// Preselects nothing in the scope prompts / the popup recognise prompt.
constexpr int kScopeNone = 3;
constexpr int kRecogniseModeNone = 4;
constexpr int kDefaultExpireDays = 30;
constexpr int kMinExpireDays = 1;
constexpr int kMaxExpireDays = 1000;

// The data of the start-up entry for the program at modulePath: the path,
// in double quotes when it holds a blank.
std::string StartupCommand(const std::string& modulePath);

class AppSettings {
public:
    // Fills the defaults, then loads what the registry holds.
    AppSettings(Registry& registry, std::string modulePath);
    virtual ~AppSettings();
    AppSettings(const AppSettings&) = delete;
    AppSettings& operator=(const AppSettings&) = delete;

    void SetDefaultSettings();
    // 1 when a settings key could be opened and read, else 0 (the fields keep
    // their values). Reads the local machine key when it opens for full
    // access, else the current user key that SaveSettings falls back to, else
    // the local machine key read-only. Values out of their range are replaced
    // by their defaults; flags read as 0 or 1.
    int LoadSettings();
    // 1 when the settings key and the start-up entry were both written, else 0.
    int SaveSettings();

    // The program file that the start-up entry runs when bAutoStarup is set.
    const std::string& ModulePath() const { return modulePath_; }

    // Registry value names carry a type prefix: b 0/1 flag, n number.
    int bPromptBeforeDeleteElement = 1;
    int nElementDeleteScope = kScopeNone;  // 0 page, 1 web server, 2 domain, 3 none
    int bPromptBeforeDeletePopup = 1;
    int nPopupRecogniseMode = kRecogniseModeNone;  // 0 URL, 1 title, 2 both, 3 either, 4 none
    int bPromptBeforeInhitbitPopup = 1;
    int nPopupInhitbitScope = kScopeNone;
    int bAutoStarup = 1;
    int bShowRecycleBinOnStartup = 1;
    int bOpenRecycleBinOnStartup = 0;
    int bAutoDeleteHistory = 1;
    int nExpireDays = kDefaultExpireDays;  // 1..1000

private:
    void ReadValues(RegistryKey& key);
    bool WriteValues(RegistryKey& key) const;
    void MakeSane();

    Registry& registry_;
    std::string modulePath_;
};

}  // namespace qm
