// The location tree over a prepared data folder: its shape and icons,
// selecting hosts, Expand All from its menu, Restore of a branch and Undo
// bringing the files back, and new hosts appearing while it is open.
#include <windows.h>

#include <commctrl.h>

#include "platform/win/utf16_win.h"
#include "res/resource.h"
#include "tests/app_win/win_test_util.h"
#include "tests/explorer_win/explorer_fixture.h"

namespace qm::wintest {
namespace {

int ImageOf(HWND tree, HTREEITEM item) {
    TVITEMW data{};
    data.mask = TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    data.hItem = item;
    ::SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&data));
    return data.iImage * 10 + data.iSelectedImage;
}

bool IsExpanded(HWND tree, HTREEITEM item) {
    return (::SendMessageW(tree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item),
                           TVIS_EXPANDED) &
            TVIS_EXPANDED) != 0;
}

class TreeTest : public ExplorerTest {
protected:
    void Prepare() {
        WriteHostFile("news.beta.gamma.Dat", {{"http://news.beta.gamma/", "n1.gif", "IMG"},
                                              {"http://news.beta.gamma/x", "n2.swf", "OBJECT"}});
        WriteHostFile("ads.beta.gamma.Dat", {{"http://ads.beta.gamma/", "a1.gif", "IMG"}});
        WriteHostFile("LocalHost.Dat", {{"file:///C:/page.htm", "l.gif", "IMG"}});
        WriteHostFile("10.0.0.1.Dat", {{"http://10.0.0.1/", "i.gif", "IMG"}});
        Open();
    }
};

TEST_F(TreeTest, HostsSplitAtTheirDotsWithTheLastPartOnTop) {
    Prepare();
    HWND tree = frame_->TreePane().Control();
    // Enumerated by file name: 10.0.0.1, LocalHost, ads..., news...
    EXPECT_EQ(TreeLabels(nullptr), (std::vector<std::string>{"1", "LocalHost", "gamma"}));
    EXPECT_EQ(TreeLabels(TreeItem({"gamma"})), std::vector<std::string>{"beta"});
    EXPECT_EQ(TreeLabels(TreeItem({"gamma", "beta"})),
              (std::vector<std::string>{"ads", "news"}));
    EXPECT_NE(TreeItem({"1", "0", "0", "10"}), nullptr);
    // Inner items: closed 0 / open 1; leaves 2.
    EXPECT_EQ(ImageOf(tree, TreeItem({"gamma"})), 1);
    EXPECT_EQ(ImageOf(tree, TreeItem({"LocalHost"})), 22);
    EXPECT_EQ(ImageOf(tree, TreeItem({"gamma", "beta", "news"})), 22);
}

TEST_F(TreeTest, SelectingAHostListsItsFiltersAndAnInnerItemKeepsThem) {
    Prepare();
    HWND tree = frame_->TreePane().Control();
    auto selected = [&] {
        return reinterpret_cast<HTREEITEM>(::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    };
    ASSERT_TRUE(ClickTreeItem({"gamma"}));
    // Down to beta, open it, down to news: the keys of the tree.
    PressKey(VK_DOWN);
    ASSERT_TRUE(Pump([&] { return selected() == TreeItem({"gamma", "beta"}); }));
    PressKey(VK_RIGHT);
    ASSERT_TRUE(Pump([&] { return IsExpanded(tree, TreeItem({"gamma", "beta"})); }));
    ASSERT_TRUE(ClickTreeItem({"gamma", "beta", "news"}));
    ASSERT_TRUE(Pump([&] { return frame_->ListPane().HostFile() == "news.beta.gamma.Dat"; }));
    EXPECT_EQ(Column(1), (std::vector<std::string>{"n1.gif", "n2.swf"}));
    EXPECT_EQ(Column(0)[1], "http://news.beta.gamma/x");
    ASSERT_TRUE(ClickTreeItem({"gamma", "beta"}));
    EXPECT_EQ(frame_->ListPane().HostFile(), "news.beta.gamma.Dat");
    EXPECT_EQ(Column(1).size(), 2u);
    // Go To is for hosts only, never LocalHost.
    EXPECT_FALSE(frame_->IsCommandEnabled(ID_GOTO_WEB_PAGE));
    ASSERT_TRUE(ClickTreeItem({"LocalHost"}));
    EXPECT_FALSE(frame_->IsCommandEnabled(ID_GOTO_WEB_PAGE));
    EXPECT_EQ(frame_->ListPane().HostFile(), "LocalHost.Dat");
    SaveScreenshot("explorer-tree");
}

TEST_F(TreeTest, ExpandAllFromTheTreeMenu) {
    Prepare();
    HWND tree = frame_->TreePane().Control();
    ASSERT_TRUE(ClickTreeItem({"LocalHost"}));  // the frame is active and the tree has the focus
    const POINT gamma = TreePoint(TreeItem({"gamma"}));
    // The menu runs its own loop: the key that picks "&Expand All" comes from
    // a helper once the menu is up (a right click Wine dropped is made again).
    // The tree selects the clicked item just before its menu opens.
    const HTREEITEM gammaItem = TreeItem({"gamma"});
    bool picked = false;
    for (int attempt = 0; attempt < 3 && !picked; ++attempt) {
        Later([&picked, tree, gammaItem] {
            for (int i = 0; i < 40; ++i) {
                const auto selected = reinterpret_cast<HTREEITEM>(
                    ::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
                if (selected == gammaItem) {
                    ::Sleep(200);
                    INPUT keys[2] = {};
                    keys[0].type = keys[1].type = INPUT_KEYBOARD;
                    keys[0].ki.wVk = keys[1].ki.wVk = 'E';
                    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
                    ::SendInput(2, keys, sizeof(INPUT));
                    picked = true;
                    return;
                }
                ::Sleep(50);
            }
        }, 100);
        Click(gamma, false, true);
        JoinHelpers();
    }
    ASSERT_TRUE(picked);
    ASSERT_TRUE(Pump([&] { return IsExpanded(tree, TreeItem({"gamma", "beta"})); }));
    JoinHelpers();
    EXPECT_TRUE(IsExpanded(tree, TreeItem({"gamma"})));
}

TEST_F(TreeTest, RestoreABranchThenUndoBringsItsHostFilesBack) {
    Prepare();
    ASSERT_TRUE(ClickTreeItem({"gamma"}));
    ASSERT_TRUE(ClickTreeItem({"gamma", "beta"}));
    ASSERT_TRUE(frame_->IsCommandEnabled(ID_RESTORE));
    // The toolbar's Restore button.
    RECT button{};
    ::SendMessageW(frame_->Toolbar(), TB_GETRECT, ID_RESTORE, reinterpret_cast<LPARAM>(&button));
    POINT at{(button.left + button.right) / 2, (button.top + button.bottom) / 2};
    ::ClientToScreen(frame_->Toolbar(), &at);
    Click(at);
    ASSERT_TRUE(Pump([&] { return RecordsOnDisk("ads.beta.gamma.Dat").empty(); }));
    // The branch leaves the tree; the list is emptied.
    EXPECT_EQ(TreeItem({"gamma", "beta"}), nullptr);
    EXPECT_TRUE(RecordsOnDisk("news.beta.gamma.Dat").empty());
    EXPECT_EQ(RecordsOnDisk("LocalHost.Dat").size(), 1u);
    EXPECT_EQ(frame_->ListPane().HostFile(), "");
    // Ctrl+Z, the accelerator of Edit "Undo".
    ::SetFocus(frame_->TreePane().Control());
    PressKey('Z', true);
    ASSERT_TRUE(Pump([&] { return TreeItem({"gamma", "beta", "news"}) != nullptr; }));
    EXPECT_EQ(RecordsOnDisk("ads.beta.gamma.Dat").size(), 1u);
    EXPECT_EQ(RecordsOnDisk("news.beta.gamma.Dat").size(), 2u);
}

TEST_F(TreeTest, NewHostsAppearAndTheSelectionStays) {
    Prepare();
    ASSERT_TRUE(ClickTreeItem({"LocalHost"}));
    ASSERT_EQ(frame_->ListPane().HostFile(), "LocalHost.Dat");
    FilterRecord record;
    record.sName = "http://ads.example.org/new.gif";
    record.sType = "IMG";
    record.sHtml = "<img src=\"new.gif\">";
    record.nScope = 0;
    ASSERT_EQ(core_->Store().AddFilter("http://www.example.org/index.htm", record), 1);
    ASSERT_TRUE(Pump([&] { return TreeItem({"org", "example", "www"}) != nullptr; }));
    HWND tree = frame_->TreePane().Control();
    const HTREEITEM selected = reinterpret_cast<HTREEITEM>(
        ::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    EXPECT_EQ(selected, TreeItem({"LocalHost"}));
    EXPECT_EQ(frame_->ListPane().HostFile(), "LocalHost.Dat");
}

}  // namespace
}  // namespace qm::wintest
