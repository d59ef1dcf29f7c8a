// The Win32 window services on real windows: hit testing, parents, class
// names, enumeration order, coordinates, capture, and inverting frames that
// a second drawing erases.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>

#include "platform/win/window_services_win.h"
#include "tests/app_win/win_test_util.h"

namespace {

using qm::Point;
using qm::Rect;
using qm::WindowHandle;
using qm::win::Win32WindowServices;
namespace wt = qm::wintest;

WindowHandle W(HWND h) {
    return reinterpret_cast<WindowHandle>(h);
}

void Register(const char* name) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = name;
    RegisterClassA(&wc);
}

const std::string kLongClass = "Q" + std::string(119, 'x');

class WindowServicesTest : public ::testing::Test {
protected:
    void SetUp() override {
        Register("QuillmoorServicesFrame");
        Register("Internet Explorer_Server");
        Register(kLongClass.c_str());
        frame_ = CreateWindowExA(WS_EX_TOPMOST, "QuillmoorServicesFrame", "frame",
                                 WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 400, 300, nullptr,
                                 nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(frame_, nullptr);
        first_ = Child(frame_, "QuillmoorServicesFrame", 0, 0, 300, 200);
        grandchild_ = Child(first_, "Internet Explorer_Server", 10, 10, 200, 150);
        second_ = Child(frame_, kLongClass.c_str(), 310, 0, 50, 50);
        SetForegroundWindow(frame_);
        UpdateWindow(frame_);
        wt::WaitFor([] { return false; }, 200);
    }
    void TearDown() override { DestroyWindow(frame_); }

    static HWND Child(HWND parent, const char* cls, int x, int y, int w, int h) {
        return CreateWindowExA(0, cls, "", WS_CHILD | WS_VISIBLE, x, y, w, h, parent, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
    }

    Win32WindowServices services_;
    HWND frame_ = nullptr;
    HWND first_ = nullptr;
    HWND grandchild_ = nullptr;
    HWND second_ = nullptr;
};

TEST_F(WindowServicesTest, TreeAndClassNames) {
    EXPECT_EQ(services_.Parent(W(grandchild_)), W(first_));
    EXPECT_EQ(services_.Parent(W(first_)), W(frame_));
    EXPECT_EQ(services_.Parent(W(frame_)), 0u);
    EXPECT_EQ(services_.ClassName(W(grandchild_)), "Internet Explorer_Server");
    // A buffer of 101 characters: at most 100 of a longer name.
    EXPECT_EQ(services_.ClassName(W(second_)), kLongClass.substr(0, 100));
    EXPECT_EQ(services_.ClassName(0), "");
    // Depth first, in creation order.
    EXPECT_EQ(services_.Descendants(W(frame_)),
              (std::vector<WindowHandle>{W(first_), W(grandchild_), W(second_)}));
    EXPECT_TRUE(services_.Descendants(W(second_)).empty());
    EXPECT_TRUE(services_.IsWindow(W(frame_)));
    EXPECT_FALSE(services_.IsWindow(0));
}

TEST_F(WindowServicesTest, PointsAndRectangles) {
    POINT origin{0, 0};
    ClientToScreen(grandchild_, &origin);
    EXPECT_EQ(services_.WindowFromPoint(Point{origin.x + 20, origin.y + 20}), W(grandchild_));
    Rect screen;
    ASSERT_TRUE(services_.WindowRect(W(grandchild_), screen));
    EXPECT_EQ(screen.left, origin.x);
    EXPECT_EQ(screen.Width(), 200);
    EXPECT_EQ(screen.Height(), 150);
    Rect client;
    ASSERT_TRUE(services_.ClientRect(W(grandchild_), client));
    EXPECT_EQ(client.left, 0);
    EXPECT_EQ(client.right, 200);
    EXPECT_EQ(client.bottom, 150);
    Point p{origin.x + 7, origin.y + 9};
    ASSERT_TRUE(services_.ScreenToClient(W(grandchild_), p));
    EXPECT_EQ(p.x, 7);
    EXPECT_EQ(p.y, 9);
    EXPECT_FALSE(services_.WindowRect(0, screen));
}

TEST_F(WindowServicesTest, CaptureAndForeground) {
    services_.SetCapture(W(frame_));
    EXPECT_EQ(GetCapture(), frame_);
    services_.ReleaseCapture();
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(services_.ForegroundWindow(), W(GetForegroundWindow()));
    services_.Beep();  // must not block or fail
    const DWORD start = GetTickCount();
    services_.Pause(100);
    EXPECT_GE(GetTickCount() - start, 80u);  // tick granularity
}

// The thread's own key state, set directly: real keyboard input would linger
// in the session's input state and disturb later tests.
TEST_F(WindowServicesTest, ShiftStateIsTheHighBitOfTheKeyState) {
    BYTE saved[256] = {};
    ASSERT_TRUE(GetKeyboardState(saved));
    BYTE state[256];
    std::copy(std::begin(saved), std::end(saved), std::begin(state));
    state[VK_SHIFT] = 0x80;
    ASSERT_TRUE(SetKeyboardState(state));
    EXPECT_TRUE(services_.IsShiftDown());
    state[VK_SHIFT] = 0x01;  // toggled only: not down
    ASSERT_TRUE(SetKeyboardState(state));
    EXPECT_FALSE(services_.IsShiftDown());
    state[VK_SHIFT] = 0x81;
    ASSERT_TRUE(SetKeyboardState(state));
    EXPECT_TRUE(services_.IsShiftDown());
    saved[VK_SHIFT] = 0;
    SetKeyboardState(saved);
    EXPECT_FALSE(services_.IsShiftDown());
}

COLORREF ClientPixel(HWND window, int x, int y) {
    HDC dc = GetDC(window);
    const COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(window, dc);
    return c;
}

COLORREF WindowPixel(HWND window, int x, int y) {
    HDC dc = GetWindowDC(window);
    const COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(window, dc);
    return c;
}

TEST_F(WindowServicesTest, ClientFrameInvertsAndSecondDrawingErases) {
    const Rect r{20, 30, 120, 100};
    const COLORREF inside = ClientPixel(grandchild_, 60, 60);
    const COLORREF onTop = ClientPixel(grandchild_, 60, 30);
    const COLORREF onLeft = ClientPixel(grandchild_, 20, 60);
    ASSERT_EQ(onTop, RGB(255, 255, 255));
    services_.DrawInvertedFrame(W(grandchild_), qm::kFrameClientRect, r);
    EXPECT_EQ(ClientPixel(grandchild_, 60, 30), RGB(0, 0, 0));
    EXPECT_EQ(ClientPixel(grandchild_, 20, 60), RGB(0, 0, 0));
    EXPECT_EQ(ClientPixel(grandchild_, 119, 60), RGB(0, 0, 0));
    EXPECT_EQ(ClientPixel(grandchild_, 60, 99), RGB(0, 0, 0));
    EXPECT_EQ(ClientPixel(grandchild_, 60, 60), inside);  // only the outline
    services_.DrawInvertedFrame(W(grandchild_), qm::kFrameClientRect, r);
    EXPECT_EQ(ClientPixel(grandchild_, 60, 30), onTop);
    EXPECT_EQ(ClientPixel(grandchild_, 20, 60), onLeft);
}

TEST_F(WindowServicesTest, TitleBandInvertsTheCaption) {
    Rect window;
    ASSERT_TRUE(services_.WindowRect(W(frame_), window));
    const Rect band{0, 0, window.Width() - 1, window.Height() - 1};
    const int y = GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION) / 2;
    const COLORREF before = WindowPixel(frame_, 40, y);
    services_.DrawInvertedFrame(W(frame_), qm::kFrameTitleBand, band);
    const COLORREF during = WindowPixel(frame_, 40, y);
    EXPECT_EQ(during,
              RGB(255 - GetRValue(before), 255 - GetGValue(before), 255 - GetBValue(before)));
    services_.DrawInvertedFrame(W(frame_), qm::kFrameTitleBand, band);
    EXPECT_EQ(WindowPixel(frame_, 40, y), before);
}

}  // namespace
