#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "store/open_browser.h"
#include "testing/recording_launcher.h"
#include "testing/registry_memory.h"

namespace qm {
namespace {

// Splits a command line as the Windows C runtime builds argv: blanks separate
// arguments outside quotes; 2n backslashes before a quote give n and the quote
// toggles quoting; 2n+1 give n and a literal quote; "" inside quotes is a quote.
std::vector<std::string> SplitCommandLine(const std::string& line) {
    std::vector<std::string> args;
    std::string current;
    bool inArg = false;
    bool quoted = false;
    for (std::size_t i = 0; i < line.size();) {
        char c = line[i];
        if (!quoted && (c == ' ' || c == '\t')) {
            if (inArg) {
                args.push_back(current);
                current.clear();
                inArg = false;
            }
            ++i;
            continue;
        }
        inArg = true;
        if (c == '\\') {
            std::size_t n = 0;
            while (i < line.size() && line[i] == '\\') {
                ++n;
                ++i;
            }
            if (i < line.size() && line[i] == '"') {
                current.append(n / 2, '\\');
                if (n % 2 == 1) {
                    current.push_back('"');
                    ++i;
                }
            } else {
                current.append(n, '\\');
            }
            continue;
        }
        if (c == '"') {
            if (quoted && i + 1 < line.size() && line[i + 1] == '"') {
                current.push_back('"');
                i += 2;
                continue;
            }
            quoted = !quoted;
            ++i;
            continue;
        }
        current.push_back(c);
        ++i;
    }
    if (inArg) {
        args.push_back(current);
    }
    return args;
}

TEST(BrowserCommandLine, CommandEndingInQuotedPlaceholderIsCutBeforeTheQuote) {
    EXPECT_EQ(BuildBrowserCommandLine("\"C:\\IE\\iexplore.exe\" \"%1\"", "http://a.example/x"),
              "\"C:\\IE\\iexplore.exe\"  \"http://a.example/x\"");
}

TEST(BrowserCommandLine, CommandEndingInPlaceholderKeepsItsBlankAndGetsAnother) {
    EXPECT_EQ(BuildBrowserCommandLine("C:\\IE\\iexplore.exe %1", "http://a.example/"),
              "C:\\IE\\iexplore.exe  \"http://a.example/\"");
}

TEST(BrowserCommandLine, CommandWithoutPlaceholderIsKeptWhole) {
    EXPECT_EQ(BuildBrowserCommandLine("\"C:\\IE\\iexplore.exe\" -nohome", "http://a.example/"),
              "\"C:\\IE\\iexplore.exe\" -nohome \"http://a.example/\"");
}

TEST(BrowserCommandLine, EverythingFromThePlaceholderOnIsDropped) {
    EXPECT_EQ(BuildBrowserCommandLine("browser.exe -a %1 -b", "http://x/"),
              "browser.exe -a  \"http://x/\"");
    // The quoted form is looked for first, wherever it stands.
    EXPECT_EQ(BuildBrowserCommandLine("browser.exe %1 \"%1\"", "http://x/"),
              "browser.exe %1  \"http://x/\"");
}

TEST(BrowserCommandLine, AQuoteInTheAddressCannotEndTheArgument) {
    const std::string url = "http://x/\" --user-data-dir=C:\\evil \"";
    std::optional<std::string> line = BuildBrowserCommandLine("browser.exe", url);
    ASSERT_TRUE(line.has_value());
    EXPECT_EQ(*line, "browser.exe \"http://x/%22 --user-data-dir=C:\\evil %22\"");
    EXPECT_EQ(
        SplitCommandLine(*line),
        (std::vector<std::string>{"browser.exe", "http://x/%22 --user-data-dir=C:\\evil %22"}));
}

TEST(BrowserCommandLine, TrailingBackslashesDoNotEscapeTheClosingQuote) {
    std::optional<std::string> line = BuildBrowserCommandLine("b.exe", "C:\\Help\\\\");
    ASSERT_TRUE(line.has_value());
    EXPECT_EQ(*line, "b.exe \"C:\\Help\\\\\\\\\"");
    EXPECT_EQ(SplitCommandLine(*line), (std::vector<std::string>{"b.exe", "C:\\Help\\\\"}));
}

TEST(BrowserCommandLine, LineBreaksAndControlCharactersArePercentEncoded) {
    EXPECT_EQ(BuildBrowserCommandLine("b.exe", std::string("http://x/a\r\nb\tc\x7f", 16)),
              "b.exe \"http://x/a%0D%0Ab%09c%7F\"");
}

TEST(BrowserCommandLine, BlanksPercentsAndOtherBytesStayAsTheyAre) {
    const std::string url = "C:\\Program Files\\Quillmoor\\Help\\help.htm?q=%41&r=\xC3\xA9";
    std::optional<std::string> line = BuildBrowserCommandLine("b.exe", url);
    ASSERT_TRUE(line.has_value());
    EXPECT_EQ(*line, "b.exe \"" + url + "\"");
    EXPECT_EQ(SplitCommandLine(*line), (std::vector<std::string>{"b.exe", url}));
}

TEST(BrowserCommandLine, AddressesThatReadAsSwitchesAreRefused) {
    EXPECT_EQ(BuildBrowserCommandLine("b.exe", "--renderer-cmd-prefix=calc"), std::nullopt);
    EXPECT_EQ(BuildBrowserCommandLine("b.exe", "-k"), std::nullopt);
    EXPECT_EQ(BuildBrowserCommandLine("b.exe", "/safe"), std::nullopt);
    EXPECT_TRUE(BuildBrowserCommandLine("b.exe", "http://x/-y").has_value());
    EXPECT_EQ(BuildBrowserCommandLine("b.exe", ""), "b.exe \"\"");
}

TEST(BrowserCommandLine, AnyAddressStaysExactlyOneArgument) {
    // Random addresses over the characters that matter to the quoting rules.
    const std::string alphabet = "ab\"\\ %-/:\t\r\n\x01x";
    std::mt19937 random(20261207u);
    for (int round = 0; round < 2000; ++round) {
        std::string url;
        std::size_t length = random() % 12;
        for (std::size_t i = 0; i < length; ++i) {
            url.push_back(alphabet[random() % alphabet.size()]);
        }
        std::optional<std::string> line = BuildBrowserCommandLine("\"C:\\b.exe\" -x %1", url);
        if (!url.empty() && (url[0] == '-' || url[0] == '/')) {
            EXPECT_FALSE(line.has_value());
            continue;
        }
        ASSERT_TRUE(line.has_value());
        // What the browser sees: the address with quotes and control characters encoded.
        std::string seen;
        for (char c : url) {
            unsigned char u = static_cast<unsigned char>(c);
            if (c == '"' || u < 0x20) {
                char hex[4];
                std::snprintf(hex, sizeof hex, "%%%02X", u);
                seen += hex;
            } else {
                seen.push_back(c);
            }
        }
        std::vector<std::string> args = SplitCommandLine(*line);
        ASSERT_EQ(args.size(), 3u) << *line;
        EXPECT_EQ(args[0], "C:\\b.exe");
        EXPECT_EQ(args[1], "-x");
        EXPECT_EQ(args[2], seen) << *line;
    }
}

class DefaultBrowser : public ::testing::Test {
protected:
    void Register(const std::string& type, const std::string& command) {
        registry.SetString(RegistryRoot::kClassesRoot, ".htm", "", type);
        registry.SetString(RegistryRoot::kClassesRoot, type + "\\shell\\open\\command", "",
                           command);
    }

    MemoryRegistry registry;
    RecordingLauncher launcher;
};

TEST_F(DefaultBrowser, StartsTheOpenCommandOfThePageTypeWithTheShowState) {
    Register("htmlfile", "\"C:\\IE\\iexplore.exe\" -nohome");
    EXPECT_TRUE(OpenInDefaultBrowser("http://a.example/", ShowState::kNormal, registry, launcher));
    ASSERT_EQ(launcher.calls.size(), 1u);
    EXPECT_FALSE(launcher.calls[0].open);
    EXPECT_EQ(launcher.calls[0].text, "\"C:\\IE\\iexplore.exe\" -nohome \"http://a.example/\"");
    EXPECT_EQ(launcher.calls[0].showState, ShowState::kNormal);
}

TEST_F(DefaultBrowser, NoRegisteredPageTypeStartsNothing) {
    EXPECT_FALSE(OpenInDefaultBrowser("http://a.example/", ShowState::kShow, registry, launcher));
    registry.AddKey(RegistryRoot::kClassesRoot, ".htm");
    EXPECT_FALSE(OpenInDefaultBrowser("http://a.example/", ShowState::kShow, registry, launcher));
    registry.SetString(RegistryRoot::kClassesRoot, ".htm", "", "htmlfile");
    EXPECT_FALSE(OpenInDefaultBrowser("http://a.example/", ShowState::kShow, registry, launcher));
    EXPECT_TRUE(launcher.calls.empty());
}

TEST_F(DefaultBrowser, TextsLongerThan259CharactersAreNotUsed) {
    Register("htmlfile", "b.exe " + std::string(253, 'x'));  // 259 characters
    EXPECT_TRUE(OpenInDefaultBrowser("http://a/", ShowState::kShow, registry, launcher));
    Register("htmlfile", "b.exe " + std::string(254, 'x'));  // 260 characters
    EXPECT_FALSE(OpenInDefaultBrowser("http://a/", ShowState::kShow, registry, launcher));
    Register(std::string(260, 't'), "b.exe");
    EXPECT_FALSE(OpenInDefaultBrowser("http://a/", ShowState::kShow, registry, launcher));
    EXPECT_EQ(launcher.calls.size(), 1u);
}

TEST_F(DefaultBrowser, RefusedAddressOrFailedStartIsReported) {
    Register("htmlfile", "b.exe %1");
    EXPECT_FALSE(OpenInDefaultBrowser("-evil", ShowState::kShow, registry, launcher));
    EXPECT_TRUE(launcher.calls.empty());
    launcher.result = false;
    EXPECT_FALSE(OpenInDefaultBrowser("http://a/", ShowState::kShow, registry, launcher));
    EXPECT_EQ(launcher.calls.size(), 1u);
}

TEST_F(DefaultBrowser, ReadsOnlyUnderTheClassesRootWithReadAccess) {
    Register("htmlfile", "b.exe");
    OpenInDefaultBrowser("http://a/", ShowState::kShow, registry, launcher);
    for (const std::string& entry : registry.Log()) {
        if (entry.rfind("open", 0) == 0) {
            EXPECT_NE(entry.find("open HKCR "), std::string::npos) << entry;
            EXPECT_NE(entry.find(" read ok"), std::string::npos) << entry;
        }
        EXPECT_EQ(entry.rfind("write", 0), std::string::npos) << entry;
    }
}

}  // namespace
}  // namespace qm
