#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "store/module_path.h"
#include "store/open_browser.h"
#include "platform/win/launcher_win.h"
#include "platform/win/utf16_win.h"
#include "tests/settings_win/redirect_registry.h"
#include "tests/settings_win/win_test_support.h"

namespace qm {
namespace {

std::string ProbePath() {
    return GetModuleDirectory() + "launch_probe.exe";
}

// Waits up to timeoutMs for a file to appear and returns its first line.
std::string WaitForLine(const std::string& path, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
        std::ifstream in(path);
        std::string line;
        if (in && std::getline(in, line)) {
            return line;
        }
        Sleep(50);
    }
    return std::string();
}

class LauncherWinTest : public ::testing::Test {
protected:
    void SetUp() override {
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        marker_ = std::string(temp) + "quillmoor probe " + std::to_string(GetCurrentProcessId()) +
                  "-" + std::to_string(GetTickCount()) + ".txt";
        DeleteFileA(marker_.c_str());
    }
    void TearDown() override { DeleteFileA(marker_.c_str()); }

    std::string marker_;
    LauncherWin launcher_;
};

TEST_F(LauncherWinTest, StartReturnsWithoutWaitingAndPassesArgumentsAndShowState) {
    const std::string line = "\"" + ProbePath() + "\" \"" + marker_ + "\"";
    DWORD before = GetTickCount();
    ASSERT_TRUE(launcher_.Start(line, ShowState::kNormal));
    DWORD took = GetTickCount() - before;
    // The probe lives three seconds; a start that waited would take that long.
    EXPECT_LT(took, 2500u);
    std::string seen = WaitForLine(marker_, 20000);
    EXPECT_EQ(seen, "argc=2 show=1 arg=" + marker_);
    std::printf("start returned after %lu ms\n", static_cast<unsigned long>(took));
}

TEST_F(LauncherWinTest, NonAsciiCommandLineReachesTheProgramUnchanged) {
    // A marker file named "метка 標識 <pid>.txt" in the temporary folder.
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::string marker = win::Narrow(temp) +
                               "\xd0\xbc\xd0\xb5\xd1\x82\xd0\xba\xd0\xb0 \xe6\xa8\x99\xe8\xad\x98 " +
                               std::to_string(GetCurrentProcessId()) + ".txt";
    const std::wstring wideMarker = win::Widen(marker);
    DeleteFileW(wideMarker.c_str());
    ASSERT_TRUE(launcher_.Start("\"" + ProbePath() + "\" \"" + marker + "\"", ShowState::kNormal));
    // The probe wrote the file under that very name, and got its name intact.
    std::string seen;
    const DWORD start = GetTickCount();
    while (seen.empty() && GetTickCount() - start < 20000) {
        std::ifstream in{std::filesystem::path(wideMarker)};
        if (!in || !std::getline(in, seen)) {
            Sleep(50);
        }
    }
    EXPECT_EQ(seen, "argc=2 show=1 arg=" + marker);
    DeleteFileW(wideMarker.c_str());
}

TEST_F(LauncherWinTest, StartOfAMissingProgramFails) {
    EXPECT_FALSE(launcher_.Start("\"C:\\no such folder\\nothing.exe\" x", ShowState::kShow));
    EXPECT_FALSE(launcher_.Start("", ShowState::kShow));
}

TEST_F(LauncherWinTest, StartRunsACommandInterpreterLine) {
    EXPECT_TRUE(launcher_.Start("cmd.exe /c exit 0", ShowState::kShow));
}

TEST_F(LauncherWinTest, OpenAsksTheShellToOpenAFile) {
    const std::string opened = GetModuleDirectory() + "launch_probe_open.txt";
    DeleteFileA(opened.c_str());
    EXPECT_TRUE(launcher_.Open(ProbePath(), ShowState::kNormal));
    EXPECT_EQ(WaitForLine(opened, 20000).rfind("argc=1 ", 0), 0u);
    DeleteFileA(opened.c_str());
    EXPECT_FALSE(launcher_.Open(GetModuleDirectory() + "no such file.htm", ShowState::kShow));
}

TEST_F(LauncherWinTest, DefaultBrowserGetsTheAddressAsOneArgument) {
    // The probe registered as the browser of web pages (below a scratch key).
    wintest::ScratchKey scratch;
    wintest::RedirectRegistry registry(scratch.Path());
    auto type = registry.Create(RegistryRoot::kClassesRoot, ".htm", RegistryAccess::kAll);
    ASSERT_NE(type, nullptr);
    ASSERT_TRUE(type->WriteString("", "QuillmoorProbePage"));
    auto command =
        registry.Create(RegistryRoot::kClassesRoot, "QuillmoorProbePage\\shell\\open\\command",
                        RegistryAccess::kAll);
    ASSERT_NE(command, nullptr);
    ASSERT_TRUE(command->WriteString("", "\"" + ProbePath() + "\" \"%1\""));
    // A path with blanks stays one argument.
    EXPECT_TRUE(OpenInDefaultBrowser(marker_, ShowState::kNormal, registry, launcher_));
    EXPECT_EQ(WaitForLine(marker_, 20000), "argc=2 show=1 arg=" + marker_);
}

}  // namespace
}  // namespace qm
