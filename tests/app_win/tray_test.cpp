// The tray icon of Quillmoor.exe as a user meets it: the only way back when
// the bin starts hidden, its double-click and menu with real input, the icon
// coming back on a new taskbar, and gone after Exit; and the main frame that
// hides on the user's close but ends the program on a close sent from outside.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <string>

#include "res/resource.h"
#include "tests/app_win/program_process.h"
#include "tests/app_win/screen_pixels.h"
#include "tests/app_win/win_test_util.h"

namespace {

namespace wt = qm::wintest;

constexpr UINT kTrayIconId = IDR_RECYCLE_BIN_MENU;  // 136

// A top-level window of a process, visible or not.
HWND FindHidden(DWORD process, const wchar_t* className, const wchar_t* caption) {
    struct Search {
        DWORD process;
        const wchar_t* className;
        const wchar_t* caption;
        HWND found;
    } search{process, className, caption, nullptr};
    EnumWindows(
        [](HWND window, LPARAM data) {
            auto* s = reinterpret_cast<Search*>(data);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            wchar_t name[64] = {};
            wchar_t text[64] = {};
            GetClassNameW(window, name, 64);
            GetWindowTextW(window, text, 64);
            if (owner == s->process && lstrcmpW(name, s->className) == 0 &&
                lstrcmpW(text, s->caption) == 0) {
                s->found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Whether the shell knows the icon: it only changes an icon it holds.
bool IconRegistered(HWND owner) {
    NOTIFYICONDATAW probe{};
    probe.cbSize = NOTIFYICONDATAW_V1_SIZE;
    probe.hWnd = owner;
    probe.uID = kTrayIconId;
    probe.uFlags = 0;
    return Shell_NotifyIconW(NIM_MODIFY, &probe) != FALSE;
}

// Where the icon is drawn: the notification area's window, searched on the
// screen for the bin picture's blue body.
bool IconCentre(POINT& centre) {
    HWND tray = FindWindowW(L"Shell_TrayWnd", nullptr);
    if (tray == nullptr || !IsWindowVisible(tray)) {
        return false;
    }
    RECT r{};
    GetWindowRect(tray, &r);
    const wt::Pixels shot = wt::CaptureScreen(r);
    long sumX = 0;
    long sumY = 0;
    long count = 0;
    for (int y = 0; y < shot.Height(); ++y) {
        for (int x = 0; x < shot.Width(); ++x) {
            if (wt::Near(shot.At(x, y), RGB(0x5a, 0x8f, 0xc8), 6)) {
                sumX += x;
                sumY += y;
                ++count;
            }
        }
    }
    if (count < 4) {
        return false;
    }
    centre = POINT{r.left + static_cast<LONG>(sumX / count), r.top + static_cast<LONG>(sumY / count)};
    return true;
}

void RightClick() {
    INPUT input[2]{};
    input[0].type = input[1].type = INPUT_MOUSE;
    input[0].mi.dwFlags = MOUSEEVENTF_RIGHTDOWN;
    input[1].mi.dwFlags = MOUSEEVENTF_RIGHTUP;
    SendInput(2, input, sizeof(INPUT));
}

void Key(WORD vk) {
    INPUT keys[2] = {};
    keys[0].type = keys[1].type = INPUT_KEYBOARD;
    keys[0].ki.wVk = keys[1].ki.wVk = vk;
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, keys, sizeof(INPUT));
}

HWND OpenMenu() {
    HWND menu = nullptr;
    wt::WaitFor(
        [&] {
            menu = FindWindowW(L"#32768", nullptr);
            return menu != nullptr && IsWindowVisible(menu);
        },
        5000);
    return menu != nullptr && IsWindowVisible(menu) ? menu : nullptr;
}

class TrayTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(preset_.Set("bShowRecycleBinOnStartup", 0));
        ASSERT_TRUE(preset_.Set("bOpenRecycleBinOnStartup", 0));
        ASSERT_TRUE(preset_.Set("bAutoDeleteHistory", 0));
        ASSERT_TRUE(program_.Start("Quillmoor.exe"));
        ASSERT_TRUE(wt::WaitFor(
            [&] {
                bin_ = FindHidden(program_.Id(), L"#32770", L"");
                frame_ = FindHidden(program_.Id(), L"QuillmoorMainFrame", L"Quill Moor");
                return bin_ != nullptr && frame_ != nullptr && IconRegistered(bin_);
            },
            15000))
            << "no bin, frame or tray icon";
        wt::WaitFor([] { return false; }, 300);
    }

    wt::SettingsPreset preset_;
    wt::ProgramProcess program_;
    HWND bin_ = nullptr;
    HWND frame_ = nullptr;
};

TEST_F(TrayTest, HiddenBinComesBackThroughTheTrayIconWithRealInput) {
    EXPECT_FALSE(IsWindowVisible(bin_)) << "started hidden";
    EXPECT_FALSE(IsWindowVisible(frame_));
    POINT icon{};
    ASSERT_TRUE(IconCentre(icon)) << "the bin picture is not in the notification area";
    wt::SaveScreenshot("tray_icon");

    // A double-click opens the explorer window.
    wt::MoveCursorTo(icon.x, icon.y);
    wt::WaitFor([] { return false; }, 200);
    wt::LeftDown();
    wt::LeftUp();
    wt::LeftDown();
    wt::LeftUp();
    EXPECT_TRUE(wt::WaitFor([&] { return IsWindowVisible(frame_) != FALSE; }, 5000))
        << "double-click did not open the main frame";

    // The right button opens the bin's menu; "Show &Recycle Bin" brings the bin back.
    wt::MoveCursorTo(icon.x, icon.y);
    wt::WaitFor([] { return false; }, 200);
    RightClick();
    ASSERT_NE(OpenMenu(), nullptr) << "no menu from the tray icon";
    wt::WaitFor([] { return false; }, 300);
    wt::SaveScreenshot("tray_menu");
    Key('R');
    EXPECT_TRUE(wt::WaitFor([&] { return IsWindowVisible(bin_) != FALSE; }, 5000));

    // Exit from the tray's menu ends the program and takes the icon away.
    wt::MoveCursorTo(icon.x, icon.y);
    wt::WaitFor([] { return false; }, 200);
    RightClick();
    ASSERT_NE(OpenMenu(), nullptr);
    Key('X');
    EXPECT_EQ(program_.WaitExit(10000), 0);
    EXPECT_FALSE(IconRegistered(bin_));
}

TEST_F(TrayTest, IconComesBackWhenTheTaskbarIsCreatedAgain) {
    // A new taskbar knows no icons: take ours away as its restart does.
    NOTIFYICONDATAW gone{};
    gone.cbSize = NOTIFYICONDATAW_V1_SIZE;
    gone.hWnd = bin_;
    gone.uID = kTrayIconId;
    ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &gone));
    ASSERT_FALSE(IconRegistered(bin_));
    const UINT taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(HWND_BROADCAST, taskbarCreated, 0, 0, SMTO_ABORTIFHUNG, 2000, &ignored);
    EXPECT_TRUE(wt::WaitFor([&] { return IconRegistered(bin_); }, 5000));

    // An announcement while the icon is still there keeps exactly one icon.
    SendMessageTimeoutW(HWND_BROADCAST, taskbarCreated, 0, 0, SMTO_ABORTIFHUNG, 2000, &ignored);
    EXPECT_TRUE(IconRegistered(bin_));
    PostMessageW(bin_, WM_COMMAND, ID_EXIT, 0);
    EXPECT_EQ(program_.WaitExit(10000), 0);
    EXPECT_FALSE(IconRegistered(bin_));
}

TEST_F(TrayTest, MainFrameHidesOnTheUsersCloseAndEndsOnACloseFromOutside) {
    PostMessageW(bin_, WM_COMMAND, ID_OPEN, 0);
    ASSERT_TRUE(wt::WaitFor([&] { return IsWindowVisible(frame_) != FALSE; }, 5000));
    SendMessageTimeoutW(frame_, WM_SYSCOMMAND, SC_CLOSE, 0, SMTO_ABORTIFHUNG, 2000, nullptr);
    EXPECT_TRUE(wt::WaitFor([&] { return !IsWindowVisible(frame_); }, 5000));
    EXPECT_TRUE(program_.Running());
    SendMessageTimeoutW(frame_, WM_SYSCOMMAND, SC_MINIMIZE, 0, SMTO_ABORTIFHUNG, 2000, nullptr);
    EXPECT_TRUE(program_.Running());

    // An installer or the task list closes the frame: the program ends.
    PostMessageW(frame_, WM_CLOSE, 0, 0);
    EXPECT_EQ(program_.WaitExit(10000), 0);
    EXPECT_FALSE(IconRegistered(bin_)) << "the tray icon goes with the program";
}

}  // namespace
