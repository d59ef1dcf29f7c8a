// Quillmoor.exe as a process: its bin window, the single-instance rule and the
// Exit command.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "res/resource.h"
#include "tests/app_win/program_process.h"
#include "tests/app_win/win_test_util.h"

namespace {

namespace wt = qm::wintest;

INT_PTR CALLBACK TemplateProc(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

bool FileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

class ProgramInstanceTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(preset_.Set("bShowRecycleBinOnStartup", 1));
        ASSERT_TRUE(preset_.Set("bOpenRecycleBinOnStartup", 0));
        ASSERT_TRUE(preset_.Set("bAutoDeleteHistory", 0));
    }
    wt::SettingsPreset preset_;
};

TEST_F(ProgramInstanceTest, BinWindowStartsTopMostAtItsPlace) {
    wt::ProgramProcess program;
    ASSERT_TRUE(program.Start("Quillmoor.exe"));
    HWND bin = program.WaitBinWindow(15000);
    ASSERT_NE(bin, nullptr) << "no bin window";
    RECT r{};
    GetWindowRect(bin, &r);
    EXPECT_EQ(r.left, 500);
    EXPECT_EQ(r.top, 0);
    EXPECT_NE(GetWindowLongPtrA(bin, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    EXPECT_NE(GetWindowLongPtrA(bin, GWL_EXSTYLE) & WS_EX_TOOLWINDOW, 0);
    EXPECT_EQ(wt::TextOf(bin), "");
    // The client area of template 135 (21 x 21 dialog units) as this process
    // makes it from the same resources.
    HWND same = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_RECYCLE_BIN),
                                   nullptr, &TemplateProc, 0);
    ASSERT_NE(same, nullptr);
    RECT expected{};
    GetClientRect(same, &expected);
    DestroyWindow(same);
    RECT client{};
    GetClientRect(bin, &client);
    EXPECT_EQ(client.right, expected.right);
    EXPECT_EQ(client.bottom, expected.bottom);
    // Its picture covers the client area.
    HWND picture = GetWindow(bin, GW_CHILD);
    ASSERT_NE(picture, nullptr);
    RECT pictureRect{};
    GetClientRect(picture, &pictureRect);
    EXPECT_EQ(pictureRect.right, client.right);
    EXPECT_EQ(pictureRect.bottom, client.bottom);
    wt::WaitFor([] { return false; }, 300);
    wt::SaveScreenshot("bin_window");
    PostMessageA(bin, WM_COMMAND, ID_EXIT, 0);
    EXPECT_EQ(program.WaitExit(10000), 0);
}

TEST_F(ProgramInstanceTest, SecondInstanceEndsAtOnceAndLeavesTheFirstAlone) {
    wt::ProgramProcess first;
    ASSERT_TRUE(first.Start("Quillmoor.exe"));
    HWND bin = first.WaitBinWindow(15000);
    ASSERT_NE(bin, nullptr);

    // An undo file of the running instance: the second start must not touch it.
    CreateDirectoryA((wt::ModuleDirectory() + "Data").c_str(), nullptr);
    const std::string undo = wt::ModuleDirectory() + "Data\\instance-test.Dat.0001.udo";
    const std::string undoName = wt::ModuleDirectory() + "Data\\instance-test.0001.udo";
    for (const std::string& path : {undo, undoName}) {
        if (FILE* f = std::fopen(path.c_str(), "wb")) {
            std::fputs("[Location]\n", f);
            std::fclose(f);
        }
    }

    wt::ProgramProcess second;
    ASSERT_TRUE(second.Start("Quillmoor.exe"));
    EXPECT_EQ(second.WaitExit(10000), 0);
    EXPECT_TRUE(first.Running());
    EXPECT_TRUE(IsWindow(bin));
    EXPECT_TRUE(FileExists(undo));
    EXPECT_TRUE(FileExists(undoName));

    PostMessageA(bin, WM_COMMAND, ID_EXIT, 0);
    EXPECT_EQ(first.WaitExit(10000), 0);
    DeleteFileA(undo.c_str());
    DeleteFileA(undoName.c_str());
}

TEST_F(ProgramInstanceTest, ContextMenuExitEndsTheProgram) {
    wt::ProgramProcess program;
    ASSERT_TRUE(program.Start("Quillmoor.exe"));
    HWND bin = program.WaitBinWindow(15000);
    ASSERT_NE(bin, nullptr);
    const POINT centre = wt::CentreOf(bin);
    wt::MoveCursorTo(centre.x, centre.y);
    wt::WaitFor([] { return false; }, 200);
    INPUT input[2]{};
    input[0].type = input[1].type = INPUT_MOUSE;
    input[0].mi.dwFlags = MOUSEEVENTF_RIGHTDOWN;
    input[1].mi.dwFlags = MOUSEEVENTF_RIGHTUP;
    SendInput(2, input, sizeof(INPUT));
    HWND menu = nullptr;
    ASSERT_TRUE(wt::WaitFor(
        [&] {
            menu = FindWindowA("#32768", nullptr);
            return menu != nullptr && IsWindowVisible(menu);
        },
        5000))
        << "no context menu";
    wt::WaitFor([] { return false; }, 300);
    wt::SaveScreenshot("bin_menu");
    // "E&xit" by its mnemonic.
    INPUT key[2]{};
    key[0].type = key[1].type = INPUT_KEYBOARD;
    key[0].ki.wVk = key[1].ki.wVk = 'X';
    key[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, key, sizeof(INPUT));
    EXPECT_EQ(program.WaitExit(10000), 0);
}

TEST_F(ProgramInstanceTest, BinCommandsToggleTopMostAndVisibility) {
    wt::ProgramProcess program;
    ASSERT_TRUE(program.Start("Quillmoor.exe"));
    HWND bin = program.WaitBinWindow(15000);
    ASSERT_NE(bin, nullptr);
    auto topMost = [&] { return (GetWindowLongPtrA(bin, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; };

    PostMessageA(bin, WM_COMMAND, ID_ALWAYS_ON_TOP, 0);
    EXPECT_TRUE(wt::WaitFor([&] { return !topMost(); }, 3000));
    PostMessageA(bin, WM_COMMAND, ID_ALWAYS_ON_TOP, 0);
    EXPECT_TRUE(wt::WaitFor([&] { return topMost(); }, 3000));

    // Esc and the caption's close button only hide the bin; the menu shows it again.
    PostMessageA(bin, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(wt::WaitFor([&] { return !IsWindowVisible(bin); }, 3000));
    EXPECT_TRUE(program.Running());
    PostMessageA(bin, WM_COMMAND, ID_SHOW_RECYCLE_BIN, 0);
    EXPECT_TRUE(wt::WaitFor([&] { return IsWindowVisible(bin) != 0; }, 3000));
    PostMessageA(bin, WM_COMMAND, ID_RESTORE, 0);  // "&Hide Recycle Bin"
    EXPECT_TRUE(wt::WaitFor([&] { return !IsWindowVisible(bin); }, 3000));
    PostMessageA(bin, WM_COMMAND, ID_SHOW_RECYCLE_BIN, 0);
    EXPECT_TRUE(wt::WaitFor([&] { return IsWindowVisible(bin) != 0; }, 3000));

    PostMessageA(bin, WM_COMMAND, ID_EXIT, 0);
    EXPECT_EQ(program.WaitExit(10000), 0);
}

TEST_F(ProgramInstanceTest, DoubleClickOnBinShowsAndHidesTheMainFrame) {
    wt::ProgramProcess program;
    ASSERT_TRUE(program.Start("Quillmoor.exe"));
    HWND bin = program.WaitBinWindow(15000);
    ASSERT_NE(bin, nullptr);
    EXPECT_EQ(program.FindTopLevel("QuillmoorMainFrame", "Quill Moor"), nullptr);
    const POINT centre = wt::CentreOf(bin);
    auto doubleClick = [&] {
        wt::ClickAt(centre.x, centre.y);
        wt::ClickAt(centre.x, centre.y);
    };
    doubleClick();
    EXPECT_TRUE(wt::WaitFor(
        [&] { return program.FindTopLevel("QuillmoorMainFrame", "Quill Moor") != nullptr; }, 3000));
    wt::WaitFor([] { return false; }, GetDoubleClickTime() + 100);
    doubleClick();
    EXPECT_TRUE(wt::WaitFor(
        [&] { return program.FindTopLevel("QuillmoorMainFrame", "Quill Moor") == nullptr; }, 3000));
    PostMessageA(bin, WM_COMMAND, ID_EXIT, 0);
    EXPECT_EQ(program.WaitExit(10000), 0);
}

}  // namespace
