// The explorer's frame: bars, panes and their sizes, hiding instead of
// closing, the command states and the product's own web pages.
#include <windows.h>

#include <commctrl.h>

#include "platform/win/utf16_win.h"
#include "res/resource.h"
#include "tests/app_win/win_test_util.h"
#include "tests/explorer_win/explorer_fixture.h"

namespace qm::wintest {
namespace {

RECT WindowRectOf(HWND window) {
    RECT r{};
    ::GetWindowRect(window, &r);
    return r;
}

int HeightOf(HWND window) {
    const RECT r = WindowRectOf(window);
    return r.bottom - r.top;
}

TEST_F(ExplorerTest, FrameHasItsBarsAndThreePanes) {
    Open();
    HWND frame = frame_->Handle();
    EXPECT_EQ(TextOf(frame), "Quill Moor");
    EXPECT_NE(::GetMenu(frame), nullptr);
    // The toolbar is the rebar's one band, with its buttons in order.
    ASSERT_EQ(::SendMessageW(frame_->Rebar(), RB_GETBANDCOUNT, 0, 0), 1);
    REBARBANDINFOW band{};
    band.cbSize = sizeof(band);
    band.fMask = RBBIM_CHILD | RBBIM_STYLE;
    ::SendMessageW(frame_->Rebar(), RB_GETBANDINFOW, 0, reinterpret_cast<LPARAM>(&band));
    EXPECT_EQ(band.hwndChild, frame_->Toolbar());
    EXPECT_TRUE(band.fStyle & RBBS_GRIPPERALWAYS);
    const int expected[] = {ID_RESTORE, ID_GOTO_WEB_PAGE, ID_PROPERTIES, 0, ID_UNDO,
                            ID_FIND,    ID_FIND_NEXT,     0,            ID_OPTIONS, ID_HELP_CONTENTS};
    ASSERT_EQ(::SendMessageW(frame_->Toolbar(), TB_BUTTONCOUNT, 0, 0), 10);
    for (int i = 0; i < 10; ++i) {
        TBBUTTON button{};
        ::SendMessageW(frame_->Toolbar(), TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&button));
        EXPECT_EQ(button.idCommand, expected[i]) << i;
    }
    // Status bar: the message pane and three indicators; idle text "Ready".
    EXPECT_EQ(::SendMessageW(frame_->StatusBar(), SB_GETPARTS, 0, 0), 4);
    wchar_t text[64] = {};
    ::SendMessageW(frame_->StatusBar(), SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text));
    EXPECT_EQ(win::Narrow(text), "Ready");
    // Tree 150 wide on the left, list above preview on the right.
    RECT tree = WindowRectOf(frame_->TreePane().Handle());
    RECT list = WindowRectOf(frame_->ListPane().Handle());
    RECT preview = WindowRectOf(frame_->PreviewPane().Handle());
    EXPECT_EQ(tree.right - tree.left, 150);
    EXPECT_LT(tree.right, list.left);
    EXPECT_EQ(list.left, preview.left);
    EXPECT_LT(list.bottom, preview.top);
    SaveScreenshot("explorer-frame");
}

TEST_F(ExplorerTest, ListTakesTwoThirdsAndPreviewTheRest) {
    Open();
    HWND frame = frame_->Handle();
    const int bars = HeightOf(frame_->Rebar()) + HeightOf(frame_->StatusBar());
    struct Case {
        int panes;  // height shared by list and preview
        int list;
        int preview;
    };
    const Case cases[] = {{300, 200, 100}, {100, 66, 34}, {450, 300, 150}};
    for (const Case& c : cases) {
        RECT want{0, 0, 900, bars + c.panes + win::CSplitter::kBar};
        ::AdjustWindowRectEx(&want, static_cast<DWORD>(::GetWindowLongPtrW(frame, GWL_STYLE)), TRUE,
                             0);
        ::SetWindowPos(frame, nullptr, 0, 0, want.right - want.left, want.bottom - want.top,
                       SWP_NOMOVE | SWP_NOZORDER);
        Settle(100);
        RECT client{};
        ::GetClientRect(frame, &client);
        if (client.bottom != bars + c.panes + win::CSplitter::kBar) {
            // A menu bar that wraps changes the client height; the split must still hold.
            const int panes = client.bottom - bars - win::CSplitter::kBar;
            EXPECT_EQ(HeightOf(frame_->ListPane().Handle()), panes * 2 / 3);
            continue;
        }
        EXPECT_EQ(HeightOf(frame_->ListPane().Handle()), c.list) << c.panes;
        EXPECT_EQ(HeightOf(frame_->PreviewPane().Handle()), c.preview) << c.panes;
    }
}

TEST_F(ExplorerTest, CloseAndMinimiseHideTheFrameWhichKeepsItsPlace) {
    Open();
    HWND frame = frame_->Handle();
    ::SetWindowPos(frame, nullptr, 40, 30, 700, 500, SWP_NOZORDER);
    Settle();
    const RECT before = WindowRectOf(frame);
    for (WPARAM command : {static_cast<WPARAM>(SC_CLOSE), static_cast<WPARAM>(SC_MINIMIZE)}) {
        ::PostMessageW(frame, WM_SYSCOMMAND, command, 0);
        EXPECT_TRUE(Pump([&] { return !::IsWindowVisible(frame); })) << command;
        EXPECT_TRUE(::IsWindow(frame));
        EXPECT_FALSE(::IsIconic(frame));
        core_->Command(kCmdOpen);
        Settle();
        EXPECT_TRUE(::IsWindowVisible(frame));
        const RECT after = WindowRectOf(frame);
        EXPECT_TRUE(::EqualRect(&before, &after)) << command;
    }
}

TEST_F(ExplorerTest, UndoIsGreyUntilAChangeAndPagesAreOurOwn) {
    registry_.SetString(RegistryRoot::kClassesRoot, ".htm", "", "htmlfile");
    registry_.SetString(RegistryRoot::kClassesRoot, "htmlfile\\shell\\open\\command", "",
                        "\"C:\\browser.exe\" \"%1\"");
    WriteHostFile("www.example.com.Dat", {{"http://www.example.com/", "a.gif", "IMG"}});
    Open();
    Settle(1200);  // a timer tick updates the toolbar
    EXPECT_FALSE(frame_->IsCommandEnabled(ID_UNDO));
    EXPECT_FALSE(::SendMessageW(frame_->Toolbar(), TB_ISBUTTONENABLED, ID_UNDO, 0));
    EXPECT_TRUE(frame_->IsCommandEnabled(ID_OPTIONS));
    EXPECT_TRUE(frame_->IsCommandEnabled(ID_RECYCLE_BIN_TOGGLE));
    core_->Store().RestoreHostFiles("www.example.com.Dat");
    Settle(1200);
    EXPECT_TRUE(frame_->IsCommandEnabled(ID_UNDO));
    EXPECT_TRUE(::SendMessageW(frame_->Toolbar(), TB_ISBUTTONENABLED, ID_UNDO, 0));
    // Home page and Check New Version open the addresses set in the build.
    for (int id : {ID_HOME_PAGE, ID_CHECK_NEW_VERSION}) {
        launcher_.calls.clear();
        ::PostMessageW(frame_->Handle(), WM_COMMAND, id, 0);
        Settle();
        ASSERT_EQ(launcher_.calls.size(), 1u) << id;
        const std::string page =
            id == ID_HOME_PAGE ? win::CMainFrame::HomePage() : win::CMainFrame::NewsPage();
        EXPECT_NE(launcher_.calls[0].text.find(page), std::string::npos) << launcher_.calls[0].text;
    }
}

}  // namespace
}  // namespace qm::wintest
