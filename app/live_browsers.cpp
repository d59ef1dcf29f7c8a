#include "app/live_browsers.h"

#include <cstdint>

#include "store/settings.h"

namespace qm {

namespace {

constexpr const char* kAppPaths = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
constexpr const char* kPortValue = "nDevToolsPort";
constexpr const char* kProfileValue = "sDevToolsProfile";
constexpr std::size_t kMaxPath = 1024;

struct Known {
    const char* name;
    const char* exe;  // App Paths key
    // Below one of the folders: 0 program files, 1 program files (x86), 2 local app data.
    std::vector<std::pair<int, const char*>> places;
};

const std::vector<Known>& KnownBrowsers() {
    static const std::vector<Known> known = {
        {"Microsoft Edge", "msedge.exe",
         {{1, "Microsoft\\Edge\\Application\\msedge.exe"},
          {0, "Microsoft\\Edge\\Application\\msedge.exe"}}},
        {"Google Chrome", "chrome.exe",
         {{0, "Google\\Chrome\\Application\\chrome.exe"},
          {1, "Google\\Chrome\\Application\\chrome.exe"},
          {2, "Google\\Chrome\\Application\\chrome.exe"}}},
        {"Chromium", "chromium.exe",
         {{2, "Chromium\\Application\\chrome.exe"}, {0, "Chromium\\Application\\chrome.exe"}}},
    };
    return known;
}

std::string Unquoted(std::string text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.pop_back();
    }
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
        text = text.substr(1, text.size() - 2);
    }
    return text;
}

std::string Join(const std::string& folder, const std::string& rest) {
    if (folder.empty()) {
        return std::string();
    }
    const char last = folder.back();
    return folder + (last == '\\' || last == '/' ? "" : "\\") + rest;
}

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

bool ParsePort(const std::string& text, int& port) {
    if (text.empty() || text.size() > 5) {
        return false;
    }
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 + (c - '0');
    }
    if (value < 1 || value > 65535) {
        return false;
    }
    port = value;
    return true;
}

}  // namespace

std::optional<InstalledBrowser> FindInstalledBrowser(
    Registry& registry, const SystemFolders& folders,
    const std::function<bool(const std::string&)>& exists) {
    const std::string bases[] = {folders.programFiles, folders.programFilesX86,
                                 folders.localAppData};
    for (const Known& known : KnownBrowsers()) {
        for (RegistryRoot root : {RegistryRoot::kCurrentUser, RegistryRoot::kLocalMachine}) {
            auto key = registry.Open(root, std::string(kAppPaths) + known.exe, RegistryAccess::kRead);
            std::optional<std::string> path = key ? key->ReadString("", kMaxPath) : std::nullopt;
            if (path && !Unquoted(*path).empty() && exists(Unquoted(*path))) {
                return InstalledBrowser{known.name, Unquoted(*path)};
            }
        }
        for (const auto& [base, rest] : known.places) {
            const std::string path = Join(bases[base], rest);
            if (!path.empty() && exists(path)) {
                return InstalledBrowser{known.name, path};
            }
        }
    }
    return std::nullopt;
}

std::string BrowserProfileFolder(const std::string& localAppData) {
    return Join(localAppData, "Quillmoor\\Browser");
}

std::string BrowserCommandLine(const std::string& browserPath, const std::string& profile) {
    return Quoted(browserPath) + " --user-data-dir=" + Quoted(profile) +
           " --remote-debugging-port=0 --no-first-run --no-default-browser-check";
}

DevToolsOptions ParseDevToolsOptions(const std::vector<std::string>& args) {
    DevToolsOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg != "--devtools-port" && arg != "--devtools-profile") {
            continue;
        }
        if (i + 1 >= args.size() || args[i + 1].empty()) {
            return DevToolsOptions{{}, arg + " needs a value"};
        }
        const std::string& value = args[++i];
        if (arg == "--devtools-port") {
            if (!ParsePort(value, options.endpoint.port)) {
                return DevToolsOptions{{}, "--devtools-port: \"" + value +
                                               "\" is not a port number (1 to 65535)"};
            }
        } else if (value.size() > kMaxPath) {
            return DevToolsOptions{{}, "--devtools-profile: the folder name is too long"};
        } else {
            options.endpoint.profile = value;
        }
    }
    return options;
}

BrowserEndpoint LoadRememberedEndpoint(Registry& registry) {
    BrowserEndpoint endpoint;
    auto key = registry.Open(RegistryRoot::kCurrentUser, kSettingsKey, RegistryAccess::kRead);
    if (!key) {
        return endpoint;
    }
    if (auto port = key->ReadDword(kPortValue); port && *port >= 1 && *port <= 65535) {
        endpoint.port = static_cast<int>(*port);
    }
    if (auto profile = key->ReadString(kProfileValue, kMaxPath)) {
        endpoint.profile = *profile;
    }
    return endpoint;
}

bool RememberEndpoint(Registry& registry, const BrowserEndpoint& endpoint) {
    auto key = registry.Create(RegistryRoot::kCurrentUser, kSettingsKey, RegistryAccess::kWrite);
    if (!key) {
        return false;
    }
    const bool port = key->WriteDword(kPortValue, static_cast<std::uint32_t>(
                                                      endpoint.port > 0 ? endpoint.port : 0));
    const bool profile = key->WriteString(kProfileValue, endpoint.profile);
    return port && profile;
}

}  // namespace qm
