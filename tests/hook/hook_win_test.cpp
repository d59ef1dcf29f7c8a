// Quillmoor.Dll under real input: SendInput drives the mouse over a window of
// another process (hook_victim.exe); the hook procedure runs there and posts
// the hook messages to a window of this process.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "hook/quillmoor_dll.h"

namespace {

struct Posted {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

std::string ModuleDirectory() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string text(path);
    return text.substr(0, text.find_last_of('\\') + 1);
}

void SendMouse(DWORD flags, LONG dx = 0, LONG dy = 0) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = dx;
    input.mi.dy = dy;
    input.mi.dwFlags = flags;
    ASSERT_EQ(SendInput(1, &input, sizeof(INPUT)), 1u);
}

void MoveTo(int x, int y) {
    const int w = GetSystemMetrics(SM_CXSCREEN);
    const int h = GetSystemMetrics(SM_CYSCREEN);
    SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, (x * 65536 + w - 1) / w,
              (y * 65536 + h - 1) / h);
    SendMouse(MOUSEEVENTF_MOVE, 0, 0);
}

// Receives the hook messages in this process.
HWND CreateTarget() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "QuillmoorHookTarget";
    RegisterClassA(&wc);
    return CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                           wc.hInstance, nullptr);
}

class HookTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // Before anything is installed, removal fails.
        removeWithoutInstall_ = InvokeQuillmoorDll(nullptr);

        std::string command = "\"" + ModuleDirectory() + "hook_victim.exe\"";
        STARTUPINFOA si{};
        si.cb = sizeof(si);
        if (CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                           &si, &victimProcess_)) {
            for (int i = 0; i < 200 && victim_ == nullptr; ++i) {
                Sleep(50);
                victim_ = FindWindowA("QuillmoorHookVictim", nullptr);
            }
        }
        target_ = CreateTarget();
        Sleep(300);
        installResult_ = InvokeQuillmoorDll(target_);
    }

    static void TearDownTestSuite() {
        InvokeQuillmoorDll(nullptr);
        if (victim_ != nullptr) {
            PostMessageA(victim_, WM_CLOSE, 0, 0);
        }
        if (victimProcess_.hProcess != nullptr) {
            if (WaitForSingleObject(victimProcess_.hProcess, 5000) != WAIT_OBJECT_0) {
                TerminateProcess(victimProcess_.hProcess, 1);
            }
            CloseHandle(victimProcess_.hProcess);
            CloseHandle(victimProcess_.hThread);
        }
        DestroyWindow(target_);
    }

    void SetUp() override {
        ASSERT_NE(victim_, nullptr) << "hook_victim.exe did not show its window";
        ASSERT_EQ(installResult_, 1);
        Collect(200);  // drop what earlier steps left behind
    }

    // Pumps this thread's queue for a while and returns the hook messages seen.
    static std::vector<Posted> Collect(DWORD milliseconds) {
        std::vector<Posted> seen;
        const DWORD start = GetTickCount();
        while (GetTickCount() - start < milliseconds) {
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
                if (msg.message >= qm::WM_HOOK_LBUTTONDOWN &&
                    msg.message <= qm::WM_HOOK_MOUSEMOVE) {
                    EXPECT_EQ(msg.hwnd, target_);
                    seen.push_back({msg.message, msg.wParam, msg.lParam});
                }
                DispatchMessageA(&msg);
            }
            Sleep(10);
        }
        return seen;
    }

    static int Count(const std::vector<Posted>& seen, UINT message) {
        int n = 0;
        for (const auto& p : seen) {
            n += p.message == message ? 1 : 0;
        }
        return n;
    }

    static POINT ClientCentre() {
        RECT rc;
        GetClientRect(victim_, &rc);
        POINT p{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
        ClientToScreen(victim_, &p);
        return p;
    }

    // A point on the caption, left of the caption buttons.
    static POINT CaptionPoint() {
        RECT window;
        GetWindowRect(victim_, &window);
        POINT client{0, 0};
        ClientToScreen(victim_, &client);
        return POINT{window.left + 60, (window.top + client.y) / 2};
    }

    static void ExpectPoint(const Posted& p) {
        POINT cursor;
        GetCursorPos(&cursor);
        EXPECT_EQ(p.lParam, static_cast<LPARAM>(qm::PackHookPoint(cursor.x, cursor.y)));
    }

    static inline HWND victim_ = nullptr;
    static inline HWND target_ = nullptr;
    static inline PROCESS_INFORMATION victimProcess_{};
    static inline int installResult_ = 0;
    static inline int removeWithoutInstall_ = -1;
};

TEST_F(HookTest, RemovalWithoutInstallationFails) {
    EXPECT_EQ(removeWithoutInstall_, 0);
}

TEST_F(HookTest, PressAndReleaseInClientAreaOfAnotherProcess) {
    const POINT p = ClientCentre();
    MoveTo(p.x, p.y);
    Collect(200);
    SendMouse(MOUSEEVENTF_LEFTDOWN);
    SendMouse(MOUSEEVENTF_LEFTUP);
    const auto seen = Collect(600);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].message, qm::WM_HOOK_LBUTTONDOWN);
    EXPECT_EQ(seen[1].message, qm::WM_HOOK_LBUTTONUP);
    for (const auto& posted : seen) {
        EXPECT_EQ(reinterpret_cast<HWND>(posted.wParam), victim_);
        ExpectPoint(posted);
    }
    POINT cursor;
    GetCursorPos(&cursor);
    EXPECT_NEAR(cursor.x, p.x, 1);
    EXPECT_NEAR(cursor.y, p.y, 1);
}

TEST_F(HookTest, PressAndReleaseOnTitleBar) {
    const POINT p = CaptionPoint();
    MoveTo(p.x, p.y);
    Collect(200);
    SendMouse(MOUSEEVENTF_LEFTDOWN);
    auto down = Collect(400);
    SendMouse(MOUSEEVENTF_LEFTUP);
    auto up = Collect(800);
    ASSERT_GE(down.size(), 1u);
    EXPECT_EQ(down[0].message, qm::WM_HOOK_LBUTTONDOWN);
    EXPECT_EQ(reinterpret_cast<HWND>(down[0].wParam), victim_);
    // The point of non-client presses is not checked here: Wine fills the hook
    // structure of a caption press with the previous cursor position. The
    // packing of the point is checked by the client-area test and natively.
    EXPECT_GE(Count(up, qm::WM_HOOK_LBUTTONUP), 1);
    EXPECT_EQ(Count(up, qm::WM_HOOK_LBUTTONDOWN), 0);
}

TEST_F(HookTest, MovesPostOnlyWhileLeftButtonIsDown) {
    const POINT p = ClientCentre();
    MoveTo(p.x - 40, p.y);
    Collect(200);
    for (int i = 1; i <= 4; ++i) {
        MoveTo(p.x - 40 + i * 10, p.y);
        Sleep(20);
    }
    auto idle = Collect(500);
    EXPECT_EQ(Count(idle, qm::WM_HOOK_MOUSEMOVE), 0);
    EXPECT_TRUE(idle.empty());

    SendMouse(MOUSEEVENTF_LEFTDOWN);
    Collect(200);
    std::vector<LPARAM> visited;
    for (int i = 1; i <= 4; ++i) {
        MoveTo(p.x + i * 10, p.y + i);
        Sleep(40);
        POINT cursor;
        GetCursorPos(&cursor);
        visited.push_back(static_cast<LPARAM>(qm::PackHookPoint(cursor.x, cursor.y)));
    }
    auto dragging = Collect(500);
    SendMouse(MOUSEEVENTF_LEFTUP);
    Collect(300);
    EXPECT_GE(Count(dragging, qm::WM_HOOK_MOUSEMOVE), 1);
    EXPECT_EQ(Count(dragging, qm::WM_HOOK_LBUTTONDOWN), 0);
    // Moves may be coalesced, and Wine adds an occasional synthetic move of its
    // own; the moves we made report the points the cursor was at.
    int atVisitedPoints = 0;
    for (const auto& posted : dragging) {
        EXPECT_EQ(reinterpret_cast<HWND>(posted.wParam), victim_);
        if (std::find(visited.begin(), visited.end(), posted.lParam) != visited.end()) {
            ++atVisitedPoints;
        }
    }
    EXPECT_GE(atVisitedPoints, 1);
}

TEST_F(HookTest, DoubleClickPostsOnlyTheFirstPress) {
    const POINT p = ClientCentre();
    MoveTo(p.x, p.y);
    Collect(200);
    SendMouse(MOUSEEVENTF_LEFTDOWN);
    SendMouse(MOUSEEVENTF_LEFTUP);
    SendMouse(MOUSEEVENTF_LEFTDOWN);
    SendMouse(MOUSEEVENTF_LEFTUP);
    const auto seen = Collect(700);
    EXPECT_EQ(Count(seen, qm::WM_HOOK_LBUTTONDOWN), 1);
    EXPECT_EQ(Count(seen, qm::WM_HOOK_LBUTTONUP), 2);
    Sleep(GetDoubleClickTime() + 100);
}

TEST_F(HookTest, RightAndMiddleButtonsPostNothing) {
    const POINT p = ClientCentre();
    MoveTo(p.x, p.y);
    Collect(200);
    SendMouse(MOUSEEVENTF_RIGHTDOWN);
    SendMouse(MOUSEEVENTF_RIGHTUP);
    Collect(300);
    // The victim may show no menu; close anything it opened.
    SendMouse(MOUSEEVENTF_MIDDLEDOWN);
    SendMouse(MOUSEEVENTF_MIDDLEUP);
    const auto seen = Collect(500);
    EXPECT_TRUE(seen.empty());
}

// Runs last (tests run in declaration order): removal, then silence.
TEST_F(HookTest, RemovalSucceedsAndStopsThePosts) {
    EXPECT_NE(InvokeQuillmoorDll(nullptr), 0);
    installResult_ = 0;
    const POINT p = ClientCentre();
    MoveTo(p.x, p.y);
    SendMouse(MOUSEEVENTF_LEFTDOWN);
    SendMouse(MOUSEEVENTF_LEFTUP);
    // Nothing is posted any more.
    const auto seen = Collect(500);
    EXPECT_TRUE(seen.empty());
}

}  // namespace
