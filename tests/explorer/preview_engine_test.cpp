// Which renderer the preview may use, and the facts it is decided on: the DLL
// overrides that switch mshtml off, and the Gecko add-on that Wine's mshtml
// names in its own bytes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "explorer/preview_engine.h"

namespace qm {
namespace {

TEST(PreviewEngine, TheBrowserControlOnlyWhereNoInstallPromptCanAppear) {
    struct Case {
        HtmlEngineFacts facts;
        bool embed;
    };
    const Case cases[] = {
        {{false, false, false}, true},  // Windows: mshtml is part of the system
        {{false, true, false}, true},   // Wine's settings mean nothing there
        {{true, false, true}, true},    // Wine with its Gecko add-on
        {{true, false, false}, false},  // Wine without it: mshtml would prompt
        {{true, true, true}, false},    // mshtml switched off
        {{true, true, false}, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CanEmbedHtmlEngine(c.facts), c.embed)
            << c.facts.wine << c.facts.engineDisabled << c.facts.geckoFound;
    }
}

TEST(PreviewEngine, OverridesThatSwitchMshtmlOff) {
    struct Case {
        const char* overrides;
        bool disabled;
    };
    const Case cases[] = {
        {"mscoree,mshtml=", true},  // the test session's value
        {"mshtml=", true},
        {"mshtml=d", true},
        {" MSHTML.DLL = ", true},
        {"c:\\windows\\system32\\mshtml.dll=", true},
        {"mshtml=n,b", false},
        {"mshtml=b", false},
        {"mscoree=", false},
        {"mshtmled=", false},
        {"xmshtml,mscoree=", false},
        {"", false},
        {"mshtml", false},                  // no load order: not an override
        {"mshtml=;mshtml=b", false},        // the last word wins
        {"mshtml=b;mscoree,mshtml=", true},
        {";;=;mshtml=;", true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(OverridesDisableDll(c.overrides, "mshtml"), c.disabled) << c.overrides;
    }
}

TEST(PreviewEngine, TheGeckoThatMshtmlNamesAndItsFolder) {
    using namespace std::string_literals;
    struct Case {
        std::string bytes;
        std::string text;
        std::string version;
        std::string folder;
    };
    const Case cases[] = {
        {"MZ\0\0xx\0Wine Gecko 2.47.3\0more"s, "Wine Gecko 2.47.3", "2.47.3",
         "wine-gecko-2.47.3-x86_64"},
        {"Wine Gecko 2.47.4\n\0"s, "Wine Gecko 2.47.4\n", "2.47.4", "wine-gecko-2.47.4-x86_64"},
        // A message that merely mentions the engine is not the version text.
        {"\0Could not load Wine Gecko 2.47\0"s, "", "", ""},
        {"\0Wine Gecko \0\0Wine Gecko 2.40\0"s, "Wine Gecko 2.40", "2.40",
         "wine-gecko-2.40-x86_64"},
        {"\0Wine Gecko 2.47 is missing\0"s, "", "", ""},
        {"\0Wine Gecko 2.47.3"s, "", "", ""},  // cut off: no terminating NUL
        {"no engine here"s, "", "", ""},
    };
    for (const Case& c : cases) {
        const std::string text = GeckoVersionText(c.bytes);
        EXPECT_EQ(text, c.text);
        EXPECT_EQ(GeckoVersion(text), c.version);
        EXPECT_EQ(GeckoFolderName(text, "x86_64"), c.folder);
    }
    EXPECT_EQ(GeckoFolderName("Wine Gecko 2.47.3", ""), "");
    EXPECT_EQ(GeckoFolderName("Wine Gecko ../x", "x86"), "");
}

TEST(PreviewEngine, TheSharedFoldersThatMshtmlSearches) {
    using namespace std::string_literals;
    const std::string folder = "wine-gecko-2.47.3-x86_64";
    const std::string bytes =
        "MZ\0/usr/share/wine/wine/gecko/wine-gecko-2.47.3-x86_64\0"
        "\0/usr/share/wine/gecko/wine-gecko-2.47.3-x86_64\0"
        "\\gecko\\wine-gecko-2.47.3-x86_64\0"                 // a DOS tail, not a Unix path
        "/opt/wine/gecko/wine-gecko-2.47.3-x86_64.msi\0"        // not the folder
        "relative/gecko/wine-gecko-2.47.3-x86_64\0"             // not absolute
        "/usr/share/wine/gecko/wine-gecko-2.47.3-x86_64\0"      // again
        "/opt/wine/gecko/wine-gecko-2.47.3-x86_64\0"s;
    EXPECT_EQ(GeckoSharedFolders(bytes, folder),
              (std::vector<std::string>{"/usr/share/wine/wine/gecko/wine-gecko-2.47.3-x86_64",
                                        "/usr/share/wine/gecko/wine-gecko-2.47.3-x86_64",
                                        "/opt/wine/gecko/wine-gecko-2.47.3-x86_64"}));
    EXPECT_TRUE(GeckoSharedFolders(bytes, "").empty());
    EXPECT_TRUE(GeckoSharedFolders(bytes, "wine-gecko-2.40-x86").empty());
    EXPECT_TRUE(GeckoSharedFolders("/gecko/wine-gecko-2.47.3-x86_64"s, folder).empty());
}

}  // namespace
}  // namespace qm
