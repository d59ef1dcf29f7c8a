// The filter list: sorting by one and two columns with the header's arrows,
// Find and Find Next, Restore of selected rows and Undo from the Edit menu,
// Properties (OK, Apply then Cancel), View HTML source, the preview's text,
// and the list following the store while it is open.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "platform/win/utf16_win.h"
#include "res/resource.h"
#include "tests/app_win/win_test_util.h"
#include "tests/explorer_win/explorer_fixture.h"

namespace qm::wintest {
namespace {

constexpr char kHost[] = "www.example.com.Dat";
constexpr char kPage[] = "http://www.example.com/";

void Keys(std::initializer_list<WORD> down, std::initializer_list<WORD> taps) {
    std::vector<INPUT> input;
    auto key = [&](WORD vk, bool up) {
        INPUT i{};
        i.type = INPUT_KEYBOARD;
        i.ki.wVk = vk;
        i.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        input.push_back(i);
    };
    for (WORD vk : down) {
        key(vk, false);
    }
    for (WORD vk : taps) {
        key(vk, false);
        key(vk, true);
    }
    for (WORD vk : down) {
        key(vk, true);
    }
    ::SendInput(static_cast<UINT>(input.size()), input.data(), sizeof(INPUT));
}

void ClickControl(HWND control) {
    const POINT p = CentreOf(control);
    ClickAt(p.x, p.y);
}

class ListTest : public ExplorerTest {
protected:
    void Prepare() {
        WriteHostFile(kHost, {
                                 {kPage, "b.gif", "IMG", 0, 1'700'000'300u},
                                 {kPage, "frame.htm", "IFRAME", 1, 1'700'000'100u},
                                 {kPage, "A.swf", "OBJECT", 2, 1'700'000'200u},
                                 {kPage, "a.gif", "IMG", 0, 1'700'000'400u},
                                 {kPage, "ad.htm", "IFRAME", 0, 1'700'000'500u,
                                  "<iframe src=\"ad.htm\" onload=\"parent.location='x'\">"
                                  "</iframe><script>document.body.innerHTML='';</script>"},
                             });
        WriteHostFile("pop.example.com.Dat",
                      {{"http://pop.example.com/", "http://pop.example.com/up.htm", "POPUP", 1}});
        Open();
        frame_->TreePane().SelectHostItem(kHost);
        ASSERT_TRUE(Pump([&] { return Column(0).size() == 5; }));
    }
};

TEST_F(ListTest, SortByOneColumnThenByTwoWithArrows) {
    Prepare();
    Click(HeaderPoint(1));  // Name: descending first
    EXPECT_EQ(Column(1), (std::vector<std::string>{"frame.htm", "b.gif", "ad.htm", "A.swf",
                                                   "a.gif"}));
    EXPECT_TRUE(HeaderFormat(1) & HDF_BITMAP);
    Settle(700);            // a second press soon after would be a double-click
    Click(HeaderPoint(1));  // then ascending; A.swf and a.gif keep their order
    EXPECT_EQ(Column(1), (std::vector<std::string>{"a.gif", "A.swf", "ad.htm", "b.gif",
                                                   "frame.htm"}));
    Click(HeaderPoint(2));               // Type descending alone
    EXPECT_FALSE(HeaderFormat(1) & HDF_BITMAP);
    Click(HeaderPoint(1), true);         // Ctrl: Name breaks ties (descending)
    EXPECT_EQ(Column(2), (std::vector<std::string>{"OBJECT", "IMG", "IMG", "IFRAME", "IFRAME"}));
    EXPECT_EQ(Column(1), (std::vector<std::string>{"A.swf", "b.gif", "a.gif", "frame.htm",
                                                   "ad.htm"}));
    EXPECT_TRUE(HeaderFormat(1) & HDF_BITMAP);
    EXPECT_TRUE(HeaderFormat(2) & HDF_BITMAP);
    SaveScreenshot("explorer-sorted");
    // The sort stays when the list is filled again.
    frame_->ListPane().ShowHostFile(kHost);
    EXPECT_EQ(Column(1), (std::vector<std::string>{"A.swf", "b.gif", "a.gif", "frame.htm",
                                                   "ad.htm"}));
    // Right-clicking a header does not sort.
    Click(HeaderPoint(4), false, true);
    Keys({}, {VK_ESCAPE});
    Settle();
    EXPECT_EQ(Column(1)[0], "A.swf");
}

TEST_F(ListTest, FindAndFindNextWithNotFound) {
    Prepare();
    ::SetFocus(frame_->ListPane().Control());
    PressKey('F', true);
    HWND find = nullptr;
    ASSERT_TRUE(Pump([&] { return (find = frame_->ListPane().FindDialog()) != nullptr &&
                                  ::IsWindowVisible(find); }));
    ::SetDlgItemTextW(find, 0x480, L"ifr");  // the find text box
    ClickControl(::GetDlgItem(find, IDOK));  // "Find Next"
    ASSERT_TRUE(Pump([&] { return Selected() == std::vector<int>{1}; }));
    EXPECT_EQ(frame_->ListPane().LastSearch().text, "ifr");
    EXPECT_TRUE(frame_->IsCommandEnabled(ID_FIND_NEXT));
    ::SetForegroundWindow(frame_->Handle());
    ::SetFocus(frame_->ListPane().Control());
    PressKey(VK_F3);
    ASSERT_TRUE(Pump([&] { return Selected() == std::vector<int>{4}; }));
    // Nothing below the last match: "Not Found !", and the position stays.
    std::string message;
    Later([&] {
        HWND box = nullptr;
        for (int i = 0; i < 100 && box == nullptr; ++i) {
            box = ::FindWindowW(L"#32770", L"Quill Moor");
            ::Sleep(50);
        }
        message = TextOf(::GetDlgItem(box, 0xFFFF));
        ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    }, 300);
    PressKey(VK_F3);
    JoinHelpers();
    EXPECT_EQ(message, "Not Found !");
    EXPECT_EQ(frame_->ListPane().CurrentPosition(), 4);
    EXPECT_EQ(Selected(), std::vector<int>{4});
}

TEST_F(ListTest, RestoreSelectedRowsThenUndoFromTheEditMenu) {
    Prepare();
    ASSERT_TRUE(ClickRow(1));
    Settle(300);
    Keys({VK_SHIFT}, {VK_DOWN, VK_DOWN});  // Shift+Down twice: rows 1 to 3
    ASSERT_TRUE(Pump([&] { return Selected() == std::vector<int>{1, 2, 3}; }));
    RECT button{};
    ::SendMessageW(frame_->Toolbar(), TB_GETRECT, ID_RESTORE, reinterpret_cast<LPARAM>(&button));
    POINT at{(button.left + button.right) / 2, (button.top + button.bottom) / 2};
    ::ClientToScreen(frame_->Toolbar(), &at);
    Click(at);
    ASSERT_TRUE(Pump([&] { return Column(1).size() == 2; }));
    EXPECT_EQ(Column(1), (std::vector<std::string>{"b.gif", "ad.htm"}));
    std::vector<FilterRecord> left = RecordsOnDisk(kHost);
    ASSERT_EQ(left.size(), 2u);
    EXPECT_EQ(left[1].sName, "ad.htm");
    // Edit > Undo with the mouse: the menu runs its own loop, so a helper clicks.
    HWND frame = frame_->Handle();
    Later([frame] {
        HMENU bar = ::GetMenu(frame);
        RECT edit{};
        ::GetMenuItemRect(frame, bar, 1, &edit);
        ClickAt((edit.left + edit.right) / 2, (edit.top + edit.bottom) / 2);
        ::Sleep(500);
        RECT undo{};
        ::GetMenuItemRect(nullptr, ::GetSubMenu(bar, 1), 0, &undo);
        ClickAt((undo.left + undo.right) / 2, (undo.top + undo.bottom) / 2);
        // A click the system dropped must not leave the menu open.
        ::Sleep(1000);
        Keys({}, {VK_ESCAPE, VK_ESCAPE});
    });
    // Each restored record is one undo step: the last one, frame.htm, is back.
    ASSERT_TRUE(Pump([&] { return RecordsOnDisk(kHost).size() == 3; }, 5000));
    JoinHelpers();
    const std::vector<FilterRecord> back = RecordsOnDisk(kHost);
    EXPECT_TRUE(std::any_of(back.begin(), back.end(),
                            [](const FilterRecord& r) { return r.sName == "frame.htm"; }));
    EXPECT_TRUE(Pump([&] { return Column(1).size() == 3; }));
}

TEST_F(ListTest, PropertiesStoreTheScopeOnOkAndOnApplyThenCancel) {
    Prepare();
    struct Step {
        int radio;
        bool apply;
        int closeWith;
        int storedScope;
    };
    // Row 0 (b.gif) starts at scope 0.
    const Step steps[] = {
        {IDC_SCOPE_DOMAIN, false, IDOK, 2},
        {IDC_SCOPE_HOST, true, IDCANCEL, 1},
        {IDC_SCOPE_PAGE, false, IDCANCEL, 1},
    };
    for (const Step& step : steps) {
        ASSERT_TRUE(ClickRow(0));
        Later([&] {
            HWND sheet = WaitForWindow(L"Properties...", 5000);
            ::Sleep(300);
            HWND page = ::FindWindowExW(sheet, nullptr, L"#32770", nullptr);
            ClickControl(::GetDlgItem(page, step.radio));
            ::Sleep(200);
            if (step.apply) {
                ClickControl(::GetDlgItem(sheet, 0x3021));  // Apply
                ::Sleep(200);
            }
            ClickControl(::GetDlgItem(sheet, step.closeWith));
            // A click the system dropped must not leave the sheet open.
            ::Sleep(1000);
            if (::IsWindow(sheet)) {
                ::PostMessageW(sheet, WM_COMMAND, IDCANCEL, 0);
            }
        });
        PressKey(VK_RETURN);  // the accelerator of File "Properties"
        JoinHelpers();
        EXPECT_EQ(RecordsOnDisk(kHost)[0].nScope, step.storedScope) << step.radio;
    }
    // The list shows the new scope once filled again.
    frame_->ListPane().ShowHostFile(kHost);
    EXPECT_EQ(Column(4)[0], "Host");
    // A popup filter keeps its scope: the buttons are off.
    ASSERT_TRUE(frame_->TreePane().SelectHostItem("pop.example.com.Dat"));
    ASSERT_TRUE(Pump([&] { return Column(2).size() == 1; }));
    bool enabled = true;
    Later([&] {
        HWND sheet = WaitForWindow(L"Properties...", 5000);
        HWND page = ::FindWindowExW(sheet, nullptr, L"#32770", nullptr);
        enabled = ::IsWindowEnabled(::GetDlgItem(page, IDC_SCOPE_DOMAIN)) != 0;
        ClickControl(::GetDlgItem(sheet, IDOK));
        ::Sleep(1000);
        if (::IsWindow(sheet)) {
            ::PostMessageW(sheet, WM_COMMAND, IDCANCEL, 0);
        }
    });
    DoubleClick(RowPoint(0));
    JoinHelpers();
    EXPECT_FALSE(enabled);
    EXPECT_EQ(RecordsOnDisk("pop.example.com.Dat")[0].nScope, 1);
}

TEST_F(ListTest, ViewHtmlSourceAndPreviewShowTheMarkupWithoutRunningIt) {
    Prepare();
    ASSERT_TRUE(ClickRow(4));
    // The preview is fed within a second, as text: type, name and markup.
    ASSERT_TRUE(Pump([&] { return !frame_->PreviewPane().Renderer().Text().empty(); }, 2500));
    const std::string shown = frame_->PreviewPane().Renderer().Text();
    EXPECT_EQ(shown.rfind("Type: IFRAME\r\nName: ad.htm\r\n\r\n<iframe", 0), 0u) << shown;
    EXPECT_NE(shown.find("<script>document.body.innerHTML='';</script>"), std::string::npos);
    // The context menu's "&View HTML Source" starts the editor on html.tmp.
    Later([] { Keys({}, {'V'}); }, 600);
    Click(RowPoint(4), false, true);
    ASSERT_TRUE(Pump([&] { return !launcher_.calls.empty(); }));
    JoinHelpers();
    const std::string command = launcher_.calls[0].text;
    ASSERT_EQ(command.rfind("Notepad.exe \"", 0), 0u) << command;
    const std::string path = command.substr(13, command.size() - 14);
    EXPECT_NE(path.find("html.tmp"), std::string::npos);
    std::ifstream file(path, std::ios::binary);
    std::stringstream bytes;
    bytes << file.rdbuf();
    EXPECT_EQ(bytes.str(), RecordsOnDisk(kHost)[4].sHtml);
}

TEST_F(ListTest, AFilterAddedThroughTheCoreShowsAtOnceKeepingSelectionAndSort) {
    Prepare();
    Click(HeaderPoint(1));  // Name descending
    ASSERT_TRUE(ClickRow(1));     // b.gif
    ASSERT_EQ(Column(1)[1], "b.gif");
    FilterRecord record;
    record.sName = "http://ads.example.net/c.gif";
    record.sType = "IMG";
    record.sHtml = "<img src=\"c.gif\">";
    ASSERT_EQ(core_->Store().AddFilter(std::string(kPage) + "other.htm", record), 1);
    ASSERT_TRUE(Pump([&] { return Column(1).size() == 6; }));
    EXPECT_EQ(Column(1), (std::vector<std::string>{"frame.htm", "c.gif", "b.gif", "ad.htm",
                                                   "A.swf", "a.gif"}));
    EXPECT_EQ(Selected(), std::vector<int>{2});
}

}  // namespace
}  // namespace qm::wintest
