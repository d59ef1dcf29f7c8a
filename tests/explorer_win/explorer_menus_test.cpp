// The explorer's context menus (pictures of the toolbar's commands, chosen by
// their letters), Go to web page from the list and the tree, the tooltips and
// status-bar prompts of the list's toolbar commands, rows picked with
// Ctrl+click, and the whole frame at another screen scaling.
#include <windows.h>

#include <commctrl.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/menu_layout.h"
#include "platform/win/utf16_win.h"
#include "res/resource.h"
#include "tests/app_win/screen_pixels.h"
#include "tests/app_win/win_test_util.h"
#include "tests/explorer_win/explorer_fixture.h"

namespace qm::wintest {
namespace {

constexpr char kHost[] = "www.example.com.Dat";

// What a helper thread saw of the popup menu that was open.
struct OpenMenu {
    bool shown = false;
    std::vector<int> ids;  // commands, top to bottom (separators left out)
    int ownerDrawn = 0;    // of those
    int pictured = 0;      // of those, with a picture in the box at the left
};

// Waits for the open popup, looks at its items on the screen, then types key.
OpenMenu InspectOpenMenuThenType(WORD key) {
    OpenMenu seen;
    HWND popup = nullptr;
    for (int i = 0; i < 100 && (popup == nullptr || !::IsWindowVisible(popup)); ++i) {
        popup = ::FindWindowW(L"#32768", nullptr);
        ::Sleep(50);
    }
    if (popup == nullptr) {
        return seen;
    }
    ::Sleep(300);  // painted
    auto menu = reinterpret_cast<HMENU>(::SendMessageW(popup, MN_GETHMENU, 0, 0));
    const COLORREF menuColour = ::GetSysColor(COLOR_MENU);
    const COLORREF highlight = ::GetSysColor(COLOR_HIGHLIGHT);
    for (int position = 0; position < ::GetMenuItemCount(menu); ++position) {
        MENUITEMINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE | MIIM_ID;
        ::GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info);
        if ((info.fType & MFT_SEPARATOR) != 0) {
            continue;
        }
        seen.ids.push_back(static_cast<int>(info.wID));
        seen.ownerDrawn += (info.fType & MFT_OWNERDRAW) != 0 ? 1 : 0;
        // The square at the item's left, inside the raised frame a
        // highlighted item's picture gets.
        RECT item{};
        ::GetMenuItemRect(nullptr, menu, static_cast<UINT>(position), &item);
        const int side = item.bottom - item.top;
        const Pixels box = CaptureScreen(RECT{item.left + 2, item.top + 2, item.left + side - 2,
                                              item.bottom - 2});
        const int coloured = box.Count(RECT{0, 0, box.Width(), box.Height()}, [&](COLORREF c) {
            return !Near(c, menuColour, 24) && !Near(c, highlight, 24);
        });
        seen.pictured += coloured > 12 ? 1 : 0;
    }
    seen.shown = true;
    SaveScreenshot("explorer-context-menu-" + std::to_string(seen.ids.size()));
    INPUT keys[2] = {};
    keys[0].type = keys[1].type = INPUT_KEYBOARD;
    keys[0].ki.wVk = keys[1].ki.wVk = key;
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    ::SendInput(2, keys, sizeof(INPUT));
    return seen;
}

class MenusTest : public ExplorerTest {
protected:
    void Prepare() {
        // A registered browser: Go to web page starts it on the address.
        registry_.SetString(RegistryRoot::kClassesRoot, ".htm", "", "htmlfile");
        registry_.SetString(RegistryRoot::kClassesRoot, "htmlfile\\shell\\open\\command", "",
                            "\"C:\\browser.exe\" \"%1\"");
        WriteHostFile(kHost, {
                                 {"http://www.example.com/my%20page.htm", "a.gif", "IMG"},
                                 {"http://www.example.com/", "b.gif", "IMG"},
                             });
        Open();
        frame_->TreePane().SelectHostItem(kHost);
        ASSERT_TRUE(Pump([&] { return Column(0).size() == 2; }));
    }

    // Right-clicks at a point; a helper looks at the menu and types key.
    OpenMenu ContextMenuAt(POINT at, WORD key) {
        OpenMenu seen;
        Later([&seen, key] { seen = InspectOpenMenuThenType(key); }, 100);
        Click(at, false, true);
        JoinHelpers();
        Settle(300);
        return seen;
    }
};

TEST_F(MenusTest, ListMenuShowsPicturesAndGoToOpensThePageOfTheFirstSelectedRow) {
    Prepare();
    ASSERT_TRUE(ClickRow(0));
    launcher_.calls.clear();
    const OpenMenu seen = ContextMenuAt(RowPoint(0), 'G');
    ASSERT_TRUE(seen.shown);
    EXPECT_EQ(seen.ids, (std::vector<int>{ID_RESTORE, ID_GOTO_WEB_PAGE, ID_VIEW_HTML_SOURCE,
                                          ID_PROPERTIES}));
    EXPECT_EQ(seen.ownerDrawn, 4);
    EXPECT_EQ(seen.pictured, 4) << "every command of the menu has a toolbar picture";
    // "&Go To ..." chosen by its letter: the browser starts on the row's page,
    // "%20" read as a space, the address one quoted argument.
    ASSERT_EQ(launcher_.calls.size(), 1u);
    EXPECT_FALSE(launcher_.calls[0].open);
    EXPECT_EQ(launcher_.calls[0].showState, ShowState::kNormal);
    const std::string& command = launcher_.calls[0].text;
    EXPECT_EQ(command.rfind("\"C:\\browser.exe\"", 0), 0u) << command;
    EXPECT_NE(command.find("\"http://www.example.com/my page.htm\""), std::string::npos)
        << command;
    // The toolbar's button does the same for the row selected now.
    ASSERT_TRUE(ClickRow(1));
    launcher_.calls.clear();
    frame_->RunCommand(ID_GOTO_WEB_PAGE);
    ASSERT_EQ(launcher_.calls.size(), 1u);
    EXPECT_NE(launcher_.calls[0].text.find("\"http://www.example.com/\""), std::string::npos);
}

TEST_F(MenusTest, TreeMenuShowsPicturesAndGoToOpensTheHost) {
    Prepare();
    HTREEITEM leaf = TreeItem({"com", "example", "www"});
    ASSERT_NE(leaf, nullptr);
    launcher_.calls.clear();
    const OpenMenu seen = ContextMenuAt(TreePoint(leaf), 'G');
    ASSERT_TRUE(seen.shown);
    EXPECT_EQ(seen.ids,
              (std::vector<int>{ID_EXPAND_ALL, ID_COLLAPSE_ALL, ID_RESTORE, ID_GOTO_WEB_PAGE}));
    EXPECT_EQ(seen.ownerDrawn, 4);
    EXPECT_EQ(seen.pictured, 4);
    ASSERT_EQ(launcher_.calls.size(), 1u);
    EXPECT_NE(launcher_.calls[0].text.find("\"www.example.com\""), std::string::npos)
        << launcher_.calls[0].text;
    // An inner item has no page of its own: its Go To is grey and does nothing.
    HTREEITEM inner = TreeItem({"com", "example"});
    ASSERT_NE(inner, nullptr);
    launcher_.calls.clear();
    const OpenMenu innerMenu = ContextMenuAt(TreePoint(inner), 'G');
    ASSERT_TRUE(innerMenu.shown);
    Settle(200);
    if (::FindWindowW(L"#32768", nullptr) != nullptr &&
        ::IsWindowVisible(::FindWindowW(L"#32768", nullptr))) {
        PressKey(VK_ESCAPE);
    }
    EXPECT_TRUE(launcher_.calls.empty());
}

TEST_F(MenusTest, ToolbarButtonsOfTheListShowTheirTooltipsAndPrompts) {
    Prepare();
    ASSERT_TRUE(ClickRow(0));
    HWND tips = reinterpret_cast<HWND>(::SendMessageW(frame_->Toolbar(), TB_GETTOOLTIPS, 0, 0));
    ASSERT_NE(tips, nullptr);
    struct Expected {
        int command;
        const char* tooltip;
        const char* prompt;
    };
    const Expected buttons[] = {
        {ID_RESTORE, "Restore", "Restore Selected Filters"},
        {ID_GOTO_WEB_PAGE, "Go to web page", "Browse this web page"},
        {ID_PROPERTIES, "Properties", "Show Properties of Current Filter"},
        {ID_FIND, "Find", "Finds The Specefied Text"},
    };
    for (const Expected& button : buttons) {
        RECT r{};
        ::SendMessageW(frame_->Toolbar(), TB_GETRECT, static_cast<WPARAM>(button.command),
                       reinterpret_cast<LPARAM>(&r));
        POINT at{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        ::ClientToScreen(frame_->Toolbar(), &at);
        // Resting over the button, moved a little as a hand does.
        MoveCursorTo(at.x - 2, at.y);
        Settle(100);
        MoveCursorTo(at.x, at.y);
        std::string status;
        const bool shown = Pump(
            [&] {
                wchar_t text[128] = {};
                ::SendMessageW(frame_->StatusBar(), SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text));
                status = win::Narrow(text);
                return ::IsWindowVisible(tips) && TextOf(tips) == button.tooltip;
            },
            4000);
        EXPECT_TRUE(shown) << button.tooltip << " shown: \"" << TextOf(tips) << "\"";
        EXPECT_EQ(status, button.prompt);
    }
    SaveScreenshot("explorer-toolbar-tooltip");
    MoveCursorTo(5, 700);
}

// Rows picked with Ctrl+click, one of them dropped again the same way; Restore
// takes exactly the picked rows.
TEST_F(MenusTest, CtrlClickPicksRowsAndRestoreTakesExactlyThose) {
    WriteHostFile("www.b.com.Dat", {{"http://www.b.com/", "a.gif", "IMG"},
                                    {"http://www.b.com/", "b.gif", "IMG"},
                                    {"http://www.b.com/", "c.gif", "IMG"},
                                    {"http://www.b.com/", "d.gif", "IMG"}});
    Open();
    frame_->TreePane().SelectHostItem("www.b.com.Dat");
    ASSERT_TRUE(Pump([&] { return Column(0).size() == 4; }));
    ASSERT_TRUE(ClickRow(1));
    Click(RowPoint(3), true);
    EXPECT_TRUE(Pump([&] { return Selected() == std::vector<int>{1, 3}; }));
    Click(RowPoint(0), true);
    EXPECT_TRUE(Pump([&] { return Selected() == std::vector<int>{0, 1, 3}; }));
    Click(RowPoint(1), true);  // picked again: dropped
    ASSERT_TRUE(Pump([&] { return Selected() == std::vector<int>{0, 3}; }));
    frame_->RunCommand(ID_RESTORE);
    ASSERT_TRUE(Pump([&] { return Column(1).size() == 2; }));
    EXPECT_EQ(Column(1), (std::vector<std::string>{"b.gif", "c.gif"}));
    const std::vector<FilterRecord> left = RecordsOnDisk("www.b.com.Dat");
    ASSERT_EQ(left.size(), 2u);
    EXPECT_EQ(left[0].sName, "b.gif");
    EXPECT_EQ(left[1].sName, "c.gif");
}

// A scaling change moves the frame to the suggested rectangle and redraws
// everything at the new size; going back gives the first sizes again.
TEST_F(MenusTest, FrameFollowsAChangeOfScreenScaling) {
    Prepare();
    HWND frame = frame_->Handle();
    ::SetWindowPos(frame, nullptr, 20, 20, 700, 500, SWP_NOZORDER);
    Settle();
    struct Sizes {
        RECT window{};
        SIZE toolbarImage{};
        int listImage = 0;
        int treeImage = 0;
        int listFont = 0;
        int menuBar = 0;  // the width of the bar's first entry
        int menuImage = 0;
        int firstColumn = 0;
    };
    auto measure = [&] {
        Sizes s;
        ::GetWindowRect(frame, &s.window);
        int cx = 0;
        int cy = 0;
        ::ImageList_GetIconSize(
            reinterpret_cast<HIMAGELIST>(::SendMessageW(frame_->Toolbar(), TB_GETIMAGELIST, 0, 0)),
            &cx, &cy);
        s.toolbarImage = SIZE{cx, cy};
        HWND list = frame_->ListPane().Control();
        ::ImageList_GetIconSize(
            reinterpret_cast<HIMAGELIST>(::SendMessageW(list, LVM_GETIMAGELIST, LVSIL_SMALL, 0)),
            &cx, &cy);
        s.listImage = cy;
        ::ImageList_GetIconSize(reinterpret_cast<HIMAGELIST>(::SendMessageW(
                                    frame_->TreePane().Control(), TVM_GETIMAGELIST, TVSIL_NORMAL, 0)),
                                &cx, &cy);
        s.treeImage = cy;
        LOGFONTW face{};
        ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(list, WM_GETFONT, 0, 0)), sizeof(face),
                     &face);
        s.listFont = std::abs(face.lfHeight);
        RECT bar{};
        ::GetMenuItemRect(frame, ::GetMenu(frame), 0, &bar);
        s.menuBar = bar.right - bar.left;
        s.menuImage = frame_->MenuImages().ImageSize().cy;
        s.firstColumn = static_cast<int>(::SendMessageW(list, LVM_GETCOLUMNWIDTH, 0, 0));
        return s;
    };
    const Sizes before = measure();
    const int from = frame_->Dpi();
    const int to = from * 3 / 2;
    RECT suggested{20, 20, 20 + 1050, 20 + 750};
    ::SendMessageW(frame, WM_DPICHANGED, MAKEWPARAM(to, to), reinterpret_cast<LPARAM>(&suggested));
    Settle(300);
    const Sizes after = measure();
    SaveScreenshot("explorer-dpi-" + std::to_string(to));
    EXPECT_TRUE(::EqualRect(&after.window, &suggested));
    EXPECT_EQ(frame_->Dpi(), to);
    EXPECT_EQ(after.toolbarImage.cx, ScaleToDpi(16, to));
    EXPECT_EQ(after.toolbarImage.cy, ScaleToDpi(15, to));
    EXPECT_EQ(after.listImage, ScaleToDpi(16, to));
    EXPECT_EQ(after.treeImage, ScaleToDpi(16, to));
    EXPECT_NEAR(after.listFont, ::MulDiv(before.listFont, to, from), 1);
    EXPECT_EQ(frame_->MenuImages().Dpi(), to);
    EXPECT_EQ(after.menuImage, ScaleToDpi(16, to));
    // The bar's entries are measured again in the larger font (their height
    // is the system's menu-bar height).
    EXPECT_GT(after.menuBar, before.menuBar * 5 / 4);
    EXPECT_EQ(after.firstColumn, ::MulDiv(before.firstColumn, to, from));
    // Back again.
    ::SendMessageW(frame, WM_DPICHANGED, MAKEWPARAM(from, from),
                   reinterpret_cast<LPARAM>(&before.window));
    Settle(300);
    const Sizes again = measure();
    EXPECT_TRUE(::EqualRect(&again.window, &before.window));
    EXPECT_EQ(again.toolbarImage.cx, before.toolbarImage.cx);
    EXPECT_EQ(again.listImage, before.listImage);
    EXPECT_EQ(again.treeImage, before.treeImage);
    EXPECT_NEAR(again.listFont, before.listFont, 1);
    EXPECT_EQ(again.menuBar, before.menuBar);
    EXPECT_EQ(again.menuImage, before.menuImage);
    EXPECT_NEAR(again.firstColumn, before.firstColumn, 1);
}

}  // namespace
}  // namespace qm::wintest
