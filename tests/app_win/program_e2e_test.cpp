// The program end to end under real mouse input: the test build with the
// simulated browser shows a page with an advert in real windows; the test
// presses on the advert, drags it onto the bin window, answers the prompt and
// finds the filter in the host file, with the advert gone from the page.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "res/resource.h"
#include "tests/app_win/program_process.h"
#include "tests/app_win/sim_page.h"
#include "tests/app_win/win_test_util.h"

namespace {

namespace wt = qm::wintest;
namespace page = qm::test;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void RemoveDirectoryTree(const std::string& dir) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((dir + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
                DeleteFileA((dir + "\\" + found.cFileName).c_str());
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(dir.c_str());
}

COLORREF ScreenPixel(POINT p) {
    HDC dc = GetDC(nullptr);
    const COLORREF c = GetPixel(dc, p.x, p.y);
    ReleaseDC(nullptr, dc);
    return c;
}

// Moves with the left button down in small steps, as a hand would.
void DragTo(POINT from, POINT to) {
    const int steps = 8;
    for (int i = 1; i <= steps; ++i) {
        wt::MoveCursorTo(from.x + (to.x - from.x) * i / steps,
                         from.y + (to.y - from.y) * i / steps);
        wt::WaitFor([] { return false; }, 40);
    }
}

class ProgramEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        dataDir_ = wt::ModuleDirectory() + "e2e-data-" + std::to_string(GetCurrentProcessId());
        RemoveDirectoryTree(dataDir_);
        ASSERT_TRUE(preset_.Set("bShowRecycleBinOnStartup", 1));
        ASSERT_TRUE(preset_.Set("bOpenRecycleBinOnStartup", 0));
        ASSERT_TRUE(preset_.Set("bAutoDeleteHistory", 0));
        ASSERT_TRUE(preset_.Set("bPromptBeforeDeleteElement", 1));
        ASSERT_TRUE(preset_.Set("nElementDeleteScope", 0));
    }
    void TearDown() override { RemoveDirectoryTree(dataDir_); }

    std::string dataDir_;
    wt::SettingsPreset preset_;
};

TEST_F(ProgramEndToEnd, DragAdvertOntoBinMakesHostFilter) {
    wt::ProgramProcess program;
    ASSERT_TRUE(program.Start("QuillmoorSim.exe", "--data \"" + dataDir_ + "\""));
    HWND bin = program.WaitBinWindow(15000);
    ASSERT_NE(bin, nullptr) << "no bin window";
    HWND frame = nullptr;
    HWND pageWindow = nullptr;
    ASSERT_TRUE(wt::WaitFor(
        [&] {
            frame = program.FindTopLevel(page::kFrameClass, page::kPageTitle);
            pageWindow = frame ? FindWindowExA(frame, nullptr, page::kPageClass, nullptr) : nullptr;
            return pageWindow != nullptr && IsWindowVisible(pageWindow);
        },
        10000));
    ASSERT_NE(pageWindow, nullptr);

    POINT advert{(page::kAdvertBox.left + page::kAdvertBox.right) / 2,
                 (page::kAdvertBox.top + page::kAdvertBox.bottom) / 2 + 20};
    ClientToScreen(pageWindow, &advert);
    ASSERT_TRUE(wt::WaitFor([&] { return ScreenPixel(advert) == page::kAdvertColour; }, 5000))
        << "the advert is not painted";
    wt::SaveScreenshot("e2e_before");

    // Press on the advert, drag onto the bin, release there.
    const POINT binCentre = wt::CentreOf(bin);
    RECT binClient{};
    GetClientRect(bin, &binClient);
    POINT drop{binClient.right / 2, binClient.bottom / 2};
    ClientToScreen(bin, &drop);
    wt::MoveCursorTo(advert.x, advert.y);
    wt::WaitFor([] { return false; }, 150);
    wt::LeftDown();
    wt::WaitFor([] { return false; }, 150);
    DragTo(advert, drop);
    wt::WaitFor([] { return false; }, 150);
    wt::LeftUp();

    HWND prompt = nullptr;
    ASSERT_TRUE(wt::WaitFor(
        [&] {
            prompt = program.FindTopLevel("#32770", "Delete Element");
            return prompt != nullptr;
        },
        10000))
        << "no prompt after the drop (bin at " << binCentre.x << "," << binCentre.y << ")";
    EXPECT_EQ(wt::TextOf(GetDlgItem(prompt, IDC_RADIO_WEB_SERVER)), "web server : www.example.com");
    EXPECT_EQ(wt::TextOf(GetDlgItem(prompt, IDC_RADIO_DOMAIN)), "domain : example.com");
    EXPECT_EQ(IsDlgButtonChecked(prompt, IDC_RADIO_CURRENT_PAGE), BST_CHECKED);
    // The element is hidden at the drop, before the answer.
    EXPECT_TRUE(wt::WaitFor([&] { return ScreenPixel(advert) != page::kAdvertColour; }, 3000));
    wt::WaitFor([] { return false; }, 200);
    wt::SaveScreenshot("e2e_prompt");
    SendMessageA(GetDlgItem(prompt, IDC_RADIO_WEB_SERVER), BM_CLICK, 0, 0);
    SendMessageA(GetDlgItem(prompt, IDOK), BM_CLICK, 0, 0);

    const std::string hostFile = dataDir_ + "\\www.example.com.Dat";
    std::string text;
    ASSERT_TRUE(wt::WaitFor(
        [&] {
            text = ReadFile(hostFile);
            return text.find(page::kAdvertSrc) != std::string::npos;
        },
        5000))
        << "host file: " << text;
    EXPECT_NE(text.find(page::kPageUrl), std::string::npos) << text;
    EXPECT_NE(text.find("IMG"), std::string::npos) << text;
    EXPECT_EQ(ScreenPixel(advert), RGB(255, 255, 255));  // the page without its advert

    PostMessageA(bin, WM_COMMAND, ID_EXIT, 0);
    EXPECT_EQ(program.WaitExit(10000), 0);
}

}  // namespace
