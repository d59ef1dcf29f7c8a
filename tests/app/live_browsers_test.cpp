// Finding and starting the web browser, the command-line options that name a
// running one, and the endpoint remembered in the settings.
#include <gtest/gtest.h>

#include <set>

#include "app/live_browsers.h"
#include "store/settings.h"
#include "testing/registry_memory.h"

namespace qm::test {
namespace {

constexpr const char* kAppPaths = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";

struct FinderCase {
    const char* name;
    std::vector<std::pair<RegistryRoot, std::pair<std::string, std::string>>> appPaths;
    std::set<std::string> files;
    std::string expectName;  // "" : none found
    std::string expectPath;
};

TEST(LiveBrowsersTest, FindsTheFirstInstalledBrowser) {
    const SystemFolders folders{"C:\\Program Files", "C:\\Program Files (x86)",
                                "C:\\Users\\u\\AppData\\Local"};
    const std::string edgeX86 = "C:\\Program Files (x86)\\Microsoft\\Edge\\Application\\msedge.exe";
    const std::string chrome = "C:\\Program Files\\Google\\Chrome\\Application\\chrome.exe";
    const std::string chromeUser = "C:\\Users\\u\\AppData\\Local\\Google\\Chrome\\Application\\chrome.exe";
    const std::string chromium = "C:\\Users\\u\\AppData\\Local\\Chromium\\Application\\chrome.exe";
    const FinderCase cases[] = {
        {"nothing installed", {}, {}, "", ""},
        {"edge in its folder wins over chrome", {}, {chrome, edgeX86}, "Microsoft Edge", edgeX86},
        {"chrome from its App Paths key, quoted",
         {{RegistryRoot::kLocalMachine, {"chrome.exe", "\"D:\\Apps\\chrome.exe\""}}},
         {"D:\\Apps\\chrome.exe"}, "Google Chrome", "D:\\Apps\\chrome.exe"},
        {"an App Paths entry whose file is gone is passed over",
         {{RegistryRoot::kCurrentUser, {"msedge.exe", "E:\\gone\\msedge.exe"}}},
         {chromeUser}, "Google Chrome", chromeUser},
        {"the user's key before the machine's",
         {{RegistryRoot::kCurrentUser, {"chrome.exe", "F:\\mine\\chrome.exe"}},
          {RegistryRoot::kLocalMachine, {"chrome.exe", "G:\\all\\chrome.exe"}}},
         {"F:\\mine\\chrome.exe", "G:\\all\\chrome.exe"}, "Google Chrome", "F:\\mine\\chrome.exe"},
        {"chromium in the user's folder", {}, {chromium}, "Chromium", chromium},
    };
    for (const FinderCase& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryRegistry registry;
        for (const auto& [root, entry] : c.appPaths) {
            auto key = registry.Create(root, std::string(kAppPaths) + entry.first,
                                       RegistryAccess::kAll);
            ASSERT_TRUE(key && key->WriteString("", entry.second));
        }
        auto found = FindInstalledBrowser(registry, folders, [&](const std::string& path) {
            return c.files.count(path) > 0;
        });
        if (c.expectName.empty()) {
            EXPECT_FALSE(found.has_value());
            continue;
        }
        ASSERT_TRUE(found.has_value());
        EXPECT_EQ(found->name, c.expectName);
        EXPECT_EQ(found->path, c.expectPath);
    }
}

TEST(LiveBrowsersTest, StartsTheBrowserOnItsOwnProfileWithAPortItPicks) {
    const std::string profile = BrowserProfileFolder("C:\\Users\\u\\AppData\\Local\\");
    EXPECT_EQ(profile, "C:\\Users\\u\\AppData\\Local\\Quillmoor\\Browser");
    EXPECT_EQ(BrowserProfileFolder(""), "");
    EXPECT_EQ(BrowserCommandLine("C:\\P F\\msedge.exe", profile),
              "\"C:\\P F\\msedge.exe\" --user-data-dir=\"C:\\Users\\u\\AppData\\Local\\Quillmoor"
              "\\Browser\" --remote-debugging-port=0 --no-first-run --no-default-browser-check");
}

TEST(LiveBrowsersTest, CommandLineOptionsNameARunningBrowser) {
    struct Case {
        std::vector<std::string> args;
        int port;
        std::string profile;
        bool error;
    };
    const Case cases[] = {
        {{}, 0, "", false},
        {{"--devtools-port", "9222"}, 9222, "", false},
        {{"/x", "--devtools-profile", "C:\\p d", "--devtools-port", "1"}, 1, "C:\\p d", false},
        {{"--devtools-port"}, 0, "", true},
        {{"--devtools-port", "0"}, 0, "", true},
        {{"--devtools-port", "65536"}, 0, "", true},
        {{"--devtools-port", "12a"}, 0, "", true},
        {{"--devtools-port", "-5"}, 0, "", true},
        {{"--devtools-profile", ""}, 0, "", true},
        {{"--devtools-profile", std::string(5000, 'x')}, 0, "", true},
    };
    for (const Case& c : cases) {
        const DevToolsOptions options = ParseDevToolsOptions(c.args);
        EXPECT_EQ(options.endpoint.port, c.port);
        EXPECT_EQ(options.endpoint.profile, c.profile);
        EXPECT_EQ(!options.error.empty(), c.error) << options.error;
    }
}

TEST(LiveBrowsersTest, RemembersTheLastEndpointOffByDefault) {
    MemoryRegistry registry;
    EXPECT_TRUE(LoadRememberedEndpoint(registry).Empty());
    ASSERT_TRUE(RememberEndpoint(registry, BrowserEndpoint{9333, ""}));
    BrowserEndpoint loaded = LoadRememberedEndpoint(registry);
    EXPECT_EQ(loaded.port, 9333);
    EXPECT_EQ(loaded.profile, "");
    ASSERT_TRUE(RememberEndpoint(registry, BrowserEndpoint{0, "C:\\prof"}));
    loaded = LoadRememberedEndpoint(registry);
    EXPECT_EQ(loaded.port, 0);
    EXPECT_EQ(loaded.profile, "C:\\prof");
    // A value out of range counts as none.
    auto key = registry.Create(RegistryRoot::kCurrentUser, kSettingsKey, RegistryAccess::kAll);
    ASSERT_TRUE(key && key->WriteDword("nDevToolsPort", 70000));
    EXPECT_EQ(LoadRememberedEndpoint(registry).port, 0);
}

}  // namespace
}  // namespace qm::test
