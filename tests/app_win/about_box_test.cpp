// The About box and its links: texts and build time, link colours for the
// plain, focused and visited states (on the screen), the hand cursor, the
// tooltip, real clicks and the space bar, refusal of a target that is not a
// web or e-mail address, and the message of a failed open.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "app/win/about_dlg.h"
#include "res/resource.h"
#include "tests/app_win/screen_pixels.h"
#include "tests/app_win/win_test_util.h"
#include "version/about_text.h"
#include "version/build_stamp.h"
#include "version/quillmoor_version.h"

namespace {

using qm::win::CAboutDlg;
using qm::win::CHyperLink;
using qm::wintest::WaitFor;

// Answers the next message box titled "Quill Moor", keeping its text.
struct MessageBoxCloser {
    static inline std::string text;
    static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD) {
        HWND box = FindWindowW(L"#32770", L"Quill Moor");
        if (box == nullptr || !IsWindowVisible(box)) {
            return;
        }
        KillTimer(nullptr, id);
        EnumChildWindows(
            box,
            [](HWND child, LPARAM) {
                wchar_t name[16] = {};
                GetClassNameW(child, name, 16);
                const std::string t = qm::wintest::TextOf(child);
                if (lstrcmpiW(name, L"Static") == 0 && t.size() > 3) {
                    text = t;
                }
                return TRUE;
            },
            0);
        PostMessageW(box, WM_COMMAND, IDOK, 0);
    }
    static void Arm() {
        text.clear();
        SetTimer(nullptr, 0, 100, &Tick);
    }
};

void Key(WORD vk) {
    INPUT keys[2] = {};
    keys[0].type = keys[1].type = INPUT_KEYBOARD;
    keys[0].ki.wVk = keys[1].ki.wVk = vk;
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, keys, sizeof(INPUT));
}

int CountNear(HWND control, COLORREF colour) {
    RECT r{};
    GetWindowRect(control, &r);
    const qm::wintest::Pixels shot = qm::wintest::CaptureScreen(r);
    return shot.Count(RECT{0, 0, shot.Width(), shot.Height()},
                      [colour](COLORREF c) { return qm::wintest::Near(c, colour, 40); });
}

class AboutBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        opened.clear();
        result = 42;
        CHyperLink::SetOpener([this](const std::string& target) {
            opened.push_back(target);
            return result;
        });
        ASSERT_TRUE(about.CreateModeless(nullptr));
        about.CWindow::Show(SW_SHOW);
        SetForegroundWindow(about.Handle());
        WaitFor([] { return false; }, 200);
    }
    void TearDown() override {
        about.Destroy();
        CHyperLink::SetOpener(nullptr);
    }

    CAboutDlg about;
    std::vector<std::string> opened;
    int result = 42;
};

TEST_F(AboutBoxTest, ShowsNameVersionBuildTimeAndTheProjectsAddresses) {
    EXPECT_EQ(about.GetText(), "About Quill Moor");
    EXPECT_EQ(about.ItemText(IDC_ABOUT_VERSION), std::string("Version ") + qm::kVersionText + " ");
    const std::string built = about.ItemText(IDC_ABOUT_BUILT_TIME);
    EXPECT_EQ(built, qm::BuiltTimeText(qm::BuildDateText(), qm::BuildTimeText()));
    // "May 27 2002 02:10:28": month, day, year, then the time.
    ASSERT_EQ(built.size(), 20u) << built;
    EXPECT_TRUE(std::isupper(static_cast<unsigned char>(built[0])));
    EXPECT_EQ(built[11], ' ');
    EXPECT_EQ(built[14], ':');
    EXPECT_EQ(built[17], ':');
    EXPECT_NE(GetWindowLongPtrW(about.Item(IDC_ABOUT_BUILT_TIME), GWL_STYLE) & ES_READONLY, 0);

    EXPECT_EQ(about.ItemText(IDC_ABOUT_WEBSITE), qm::kHomePage);
    EXPECT_EQ(about.WebSite().Target(), qm::kHomePage) << "the web line opens its own text";
    EXPECT_EQ(about.ItemText(IDC_ABOUT_EMAIL), qm::kSupportMail);
    EXPECT_EQ(about.Email().Target(), std::string("mailto:") + qm::kSupportMail);

    // The tooltip shows the target.
    HWND tip = about.WebSite().ToolTip();
    ASSERT_NE(tip, nullptr);
    EXPECT_EQ(SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0), 1);
    wchar_t text[256] = {};
    TOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.hwnd = about.WebSite().Handle();
    tool.uId = 1;
    tool.lpszText = text;
    SendMessageW(tip, TTM_GETTEXTW, 256, reinterpret_cast<LPARAM>(&tool));
    std::wstring expected(qm::kHomePage, qm::kHomePage + std::char_traits<char>::length(qm::kHomePage));
    EXPECT_EQ(std::wstring(text), expected);

    // Sized to its text: narrower than the template's 140 units.
    RECT r{};
    GetWindowRect(about.WebSite().Handle(), &r);
    EXPECT_GT(r.right - r.left, 40);
    EXPECT_LT(r.right - r.left, MulDiv(140, LOWORD(GetDialogBaseUnits()), 4));
    qm::wintest::SaveScreenshot("about_box");
}

TEST_F(AboutBoxTest, LinkStatesHandCursorClickAndSpaceBar) {
    CHyperLink& web = about.WebSite();
    HWND link = web.Handle();
    EXPECT_EQ(web.TextColour(), CHyperLink::kLinkColour);
    EXPECT_GT(CountNear(link, CHyperLink::kLinkColour), 10) << "blue on the screen";

    // The mouse over it: hovering with the capture and the hand cursor.
    const POINT centre = qm::wintest::CentreOf(link);
    qm::wintest::MoveCursorTo(centre.x, centre.y);
    ASSERT_TRUE(WaitFor([&] { return web.IsHovering(); }, 2000));
    EXPECT_EQ(GetCapture(), link);
    WaitFor([] { return false; }, 100);
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_HAND)));
    qm::wintest::MoveCursorTo(centre.x, centre.y + 80);
    ASSERT_TRUE(WaitFor([&] { return !web.IsHovering(); }, 2000));
    EXPECT_NE(GetCapture(), link);

    // A real click opens the target, and the link is teal while it has the focus.
    qm::wintest::ClickAt(centre.x, centre.y);
    ASSERT_TRUE(WaitFor([&] { return opened.size() == 1; }, 2000));
    EXPECT_EQ(opened[0], qm::kHomePage);
    EXPECT_TRUE(web.IsVisited());
    EXPECT_TRUE(web.IsFocused());
    EXPECT_EQ(web.TextColour(), CHyperLink::kFocusedColour);
    UpdateWindow(link);
    WaitFor([] { return false; }, 100);
    EXPECT_GT(CountNear(link, CHyperLink::kFocusedColour), 10) << "teal on the screen";

    // Focus elsewhere: purple, visited.
    SetFocus(about.Item(IDOK));
    EXPECT_FALSE(web.IsFocused());
    EXPECT_EQ(web.TextColour(), CHyperLink::kVisitedColour);
    UpdateWindow(link);
    WaitFor([] { return false; }, 100);
    EXPECT_GT(CountNear(link, CHyperLink::kVisitedColour), 10) << "purple on the screen";

    // The space bar opens the focused link.
    SetFocus(about.Email().Handle());
    Key(VK_SPACE);
    ASSERT_TRUE(WaitFor([&] { return opened.size() == 2; }, 2000));
    EXPECT_EQ(opened[1], std::string("mailto:") + qm::kSupportMail);
    qm::wintest::MoveCursorTo(5, 5);
}

TEST_F(AboutBoxTest, BadTargetsAreRefusedAndFailuresExplained) {
    CHyperLink& mail = about.Email();
    mail.SetTarget("file:///C:/windows/system32/calc.exe");
    MessageBoxCloser::Arm();
    EXPECT_FALSE(mail.Open());
    EXPECT_TRUE(opened.empty()) << "never handed to the shell";
    EXPECT_EQ(MessageBoxCloser::text.rfind("Can't open link:", 0), 0u) << MessageBoxCloser::text;
    EXPECT_FALSE(mail.IsVisited());

    mail.SetTarget("mailto:someone@example.org\" /evil \"");
    MessageBoxCloser::Arm();
    EXPECT_FALSE(mail.Open());
    EXPECT_TRUE(opened.empty());

    mail.SetTarget(std::string("mailto:") + qm::kSupportMail);
    result = 2;
    MessageBoxCloser::Arm();
    EXPECT_FALSE(mail.Open());
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(MessageBoxCloser::text, "Can't open link:\n\nThe specified file was not found.");
    EXPECT_FALSE(mail.IsVisited());
}

}  // namespace
