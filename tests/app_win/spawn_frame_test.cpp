// The frame base class: a converted menu bar, the raised rectangle following
// the real mouse from entry to entry (drawn once per entry), removed by the
// timer when the mouse leaves and while a menu is open.
#include <windows.h>

#include <gtest/gtest.h>

#include "app/menu_layout.h"
#include "app/win/spawn_frame.h"
#include "res/resource.h"
#include "tests/app_win/screen_pixels.h"
#include "tests/app_win/win_test_util.h"

namespace {

using qm::win::CIconMenu;
using qm::win::CSpawnFrameWnd;
using qm::wintest::WaitFor;

class TestFrame : public CSpawnFrameWnd {
public:
    TestFrame() { MenuImages().LoadImages(IDR_MENU_IMAGES); }
    int updates = 0;

protected:
    void OnUpdatePopup(HMENU popup) override {
        ++updates;
        EnableMenuItem(popup, ID_UNDO, MF_BYCOMMAND | MF_GRAYED);
    }
};

HMENU MakeBar() {
    HMENU bar = CreateMenu();
    HMENU file = CreatePopupMenu();
    AppendMenuW(file, MF_STRING, ID_OPEN, L"&Open ...");
    AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(file, MF_STRING, ID_EXIT, L"E&xit");
    HMENU edit = CreatePopupMenu();
    AppendMenuW(edit, MF_STRING, ID_UNDO, L"Undo\tCtrl+Z");
    AppendMenuW(edit, MF_STRING, ID_RESTORE, L"&Restore");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), L"&File");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(edit), L"&Edit");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(CreatePopupMenu()), L"&Help");
    return bar;
}

class SpawnFrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(CSpawnFrameWnd::RegisterWindowClass("QuillmoorSpawnTest"));
        ASSERT_TRUE(frame.Create(0, "QuillmoorSpawnTest", "spawn", WS_OVERLAPPEDWINDOW, 200, 150,
                                 500, 300));
        ASSERT_TRUE(frame.SetMenuBar(MakeBar()));
        frame.Show(SW_SHOW);
        SetForegroundWindow(frame.Handle());
        UpdateWindow(frame.Handle());
        WaitFor([] { return false; }, 200);
    }
    void TearDown() override { frame.Destroy(); }

    RECT ItemRect(int position) {
        RECT r{};
        GetMenuItemRect(frame.Handle(), GetMenu(frame.Handle()), static_cast<UINT>(position), &r);
        return r;
    }
    RECT InWindow(RECT r) {
        RECT window{};
        GetWindowRect(frame.Handle(), &window);
        OffsetRect(&r, -window.left, -window.top);
        return r;
    }
    bool HotIs(const RECT& r) {
        const RECT hot = frame.HotRect();
        return EqualRect(&hot, &r) != 0;
    }
    bool HotEmpty() {
        const RECT hot = frame.HotRect();
        return IsRectEmpty(&hot) != 0;
    }

    TestFrame frame;
};

TEST_F(SpawnFrameTest, MenuBarIsConvertedAndTheTimerRuns) {
    EXPECT_EQ(frame.HotTimer(), CSpawnFrameWnd::kHotTimerId);
    HMENU bar = GetMenu(frame.Handle());
    for (int i = 0; i < 3; ++i) {
        MENUITEMINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE | MIIM_DATA;
        ASSERT_TRUE(GetMenuItemInfoW(bar, static_cast<UINT>(i), TRUE, &info));
        EXPECT_NE(info.fType & MFT_OWNERDRAW, 0u) << i;
        const CIconMenu::Item* item = frame.MenuImages().ItemOf(info.dwItemData);
        ASSERT_NE(item, nullptr) << i;
        EXPECT_EQ(item->kind, qm::kMenuKindBarEntry);
    }
    // A bar entry is as large as its text: "&Help" is narrower than "&File" + "&Edit".
    const RECT help = ItemRect(2);
    const RECT file = ItemRect(0);
    EXPECT_GT(help.right - help.left, 5);
    EXPECT_LT(help.right - help.left, 3 * (file.right - file.left));
}

TEST_F(SpawnFrameTest, RaisedRectangleFollowsTheMouseAndLeavesWithIt) {
    const RECT file = ItemRect(0);
    const RECT edit = ItemRect(1);
    const int y = (file.top + file.bottom) / 2;
    // Pointer events of a virtual display may arrive late: let them settle
    // before looking at the screen.
    auto settle = [] { WaitFor([] { return false; }, 300); };
    qm::wintest::MoveCursorTo((file.left + file.right) / 2, y);
    ASSERT_TRUE(WaitFor([&] { return HotIs(InWindow(file)); }, 2000));
    settle();
    ASSERT_TRUE(HotIs(InWindow(file)));
    EXPECT_GE(frame.HotDrawCount(), 1);
    // The raised edges are on the screen: highlight top-left, shadow bottom-right.
    const CIconMenu& images = frame.MenuImages();
    const qm::wintest::Pixels edges = qm::wintest::CaptureScreen(file);
    const int w = file.right - file.left;
    const int h = file.bottom - file.top;
    EXPECT_EQ(edges.At(w / 2, 0), images.GetColour(CIconMenu::kButtonHighlight));
    EXPECT_EQ(edges.At(0, h / 2), images.GetColour(CIconMenu::kButtonHighlight));
    EXPECT_EQ(edges.At(w / 2, h - 1), images.GetColour(CIconMenu::kButtonShadow));
    EXPECT_EQ(edges.At(w - 1, h / 2), images.GetColour(CIconMenu::kButtonShadow));
    qm::wintest::SaveScreenshot("spawn_frame_hot");

    // Hit tests anywhere over the same entry draw nothing more.
    const int drawsOverFile = frame.HotDrawCount();
    for (int x = file.left + 1; x < file.right - 1; x += 3) {
        frame.Send(WM_NCHITTEST, 0, MAKELPARAM(x, y));
    }
    EXPECT_EQ(frame.HotDrawCount(), drawsOverFile);
    EXPECT_TRUE(HotIs(InWindow(file)));

    // Another entry: drawn there, once.
    frame.Send(WM_NCHITTEST, 0, MAKELPARAM((edit.left + edit.right) / 2, y));
    EXPECT_TRUE(HotIs(InWindow(edit)));
    EXPECT_EQ(frame.HotDrawCount(), drawsOverFile + 1);
    frame.Send(WM_NCHITTEST, 0, MAKELPARAM(edit.left + 2, y));
    EXPECT_EQ(frame.HotDrawCount(), drawsOverFile + 1);
    qm::wintest::MoveCursorTo((edit.left + edit.right) / 2, y);
    ASSERT_TRUE(WaitFor([&] { return HotIs(InWindow(edit)); }, 2000));

    // Into the client area: the timer removes the rectangle.
    POINT client{100, 100};
    ClientToScreen(frame.Handle(), &client);
    qm::wintest::MoveCursorTo(client.x, client.y);
    const DWORD start = GetTickCount();
    ASSERT_TRUE(WaitFor([&] { return HotEmpty(); }, 2000));
    EXPECT_LT(GetTickCount() - start, 1000u);
    settle();
    ASSERT_TRUE(HotEmpty());
    const qm::wintest::Pixels erased = qm::wintest::CaptureScreen(edit);
    EXPECT_EQ(erased.At((edit.right - edit.left) / 2, 0), images.GetColour(CIconMenu::kMenu));
}

// What a timer saw while the menu's own modal loop ran.
struct OpenMenuProbe {
    static inline TestFrame* frame = nullptr;
    static inline int ticks = 0;
    static inline bool inLoop = false;
    static inline bool hotEmptyAtOpen = false;
    static inline bool popupConverted = false;
    static inline int drawsAtOpen = -1;
    static inline int drawsLater = -1;
    static inline bool hotEmptyLater = false;
    static inline POINT otherEntry{};
    static void CALLBACK Tick(HWND window, UINT, UINT_PTR id, DWORD) {
        if (!frame->InMenuLoop()) {
            return;
        }
        if (++ticks == 1) {
            inLoop = true;
            const RECT hot = frame->HotRect();
            hotEmptyAtOpen = IsRectEmpty(&hot) != 0;
            drawsAtOpen = frame->HotDrawCount();
            MENUITEMINFOW info{};
            info.cbSize = sizeof(info);
            info.fMask = MIIM_FTYPE | MIIM_DATA;
            GetMenuItemInfoW(GetSubMenu(GetMenu(window), 1), 0, TRUE, &info);
            popupConverted = (info.fType & MFT_OWNERDRAW) != 0 && info.dwItemData != 0;
            qm::wintest::MoveCursorTo(otherEntry.x, otherEntry.y);
        } else if (ticks == 5) {
            const RECT hot = frame->HotRect();
            hotEmptyLater = IsRectEmpty(&hot) != 0;
            drawsLater = frame->HotDrawCount();
            KillTimer(window, id);
            EndMenu();
        }
    }
};

TEST_F(SpawnFrameTest, OpenMenuRemovesTheRectangleAndUpdatesItsPopup) {
    const RECT file = ItemRect(0);
    const RECT edit = ItemRect(1);
    const int y = (file.top + file.bottom) / 2;
    qm::wintest::MoveCursorTo((edit.left + edit.right) / 2, y);
    ASSERT_TRUE(WaitFor([&] { return !HotEmpty(); }, 2000));
    const int draws = frame.HotDrawCount();

    OpenMenuProbe::frame = &frame;
    OpenMenuProbe::otherEntry = POINT{(file.left + file.right) / 2, y};
    SetTimer(frame.Handle(), 9, 100, &OpenMenuProbe::Tick);
    qm::wintest::ClickAt((edit.left + edit.right) / 2, y);
    // The click opens the menu; its modal loop runs inside this wait.
    ASSERT_TRUE(WaitFor([] { return OpenMenuProbe::drawsLater >= 0; }, 5000));
    EXPECT_TRUE(OpenMenuProbe::inLoop);
    EXPECT_TRUE(OpenMenuProbe::hotEmptyAtOpen) << "opening a menu removes the rectangle";
    EXPECT_EQ(OpenMenuProbe::drawsAtOpen, draws);
    EXPECT_TRUE(OpenMenuProbe::popupConverted) << "the popup is converted as it opens";
    EXPECT_GE(frame.updates, 1);
    EXPECT_NE(GetMenuState(GetSubMenu(GetMenu(frame.Handle()), 1), ID_UNDO, MF_BYCOMMAND) &
                  MF_GRAYED,
              0u);
    // Over the bar while the menu was open: nothing was drawn.
    EXPECT_TRUE(OpenMenuProbe::hotEmptyLater);
    EXPECT_EQ(OpenMenuProbe::drawsLater, draws);
    ASSERT_TRUE(WaitFor([&] { return !frame.InMenuLoop(); }, 2000));
}

}  // namespace
