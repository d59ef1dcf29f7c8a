// A dialog moved to a screen of another scaling (WM_DPICHANGED, which Wine
// never sends, so the test sends it): the About box takes the suggested
// rectangle, its controls grow in proportion with fonts of the new size, its
// links fit their text again, its icon is loaded at the new size, and going
// back gives the first sizes.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>

#include "app/win/about_dlg.h"
#include "res/resource.h"
#include "tests/app_win/win_test_util.h"

namespace {

namespace wt = qm::wintest;

// The width of the icon that the dialog's picture control shows.
int PictureWidth(HWND dialog) {
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        if ((GetWindowLongPtrW(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) {
            continue;
        }
        ICONINFO info{};
        auto icon = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
        if (icon == nullptr || !GetIconInfo(icon, &info)) {
            return 0;
        }
        BITMAP bitmap{};
        GetObjectW(info.hbmColor != nullptr ? info.hbmColor : info.hbmMask, sizeof(bitmap),
                   &bitmap);
        if (info.hbmColor != nullptr) {
            DeleteObject(info.hbmColor);
        }
        DeleteObject(info.hbmMask);
        return bitmap.bmWidth;
    }
    return 0;
}

struct AboutSizes {
    RECT window{};
    int picture = 0;
    RECT ok{};  // client coordinates
    RECT link{};
    int textFont = 0;
    int linkFont = 0;
};

int FontHeight(HWND control) {
    LOGFONTW face{};
    ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0)), sizeof(face),
                 &face);
    return std::abs(face.lfHeight);
}

RECT ClientRectIn(HWND control, HWND parent) {
    RECT r{};
    ::GetWindowRect(control, &r);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

AboutSizes Measure(qm::win::CAboutDlg& about) {
    AboutSizes s;
    HWND dialog = about.Handle();
    ::GetWindowRect(dialog, &s.window);
    s.picture = PictureWidth(dialog);
    s.ok = ClientRectIn(about.Item(IDOK), dialog);
    s.link = ClientRectIn(about.Item(IDC_ABOUT_WEBSITE), dialog);
    s.textFont = FontHeight(about.Item(IDC_ABOUT_VERSION));
    s.linkFont = FontHeight(about.Item(IDC_ABOUT_WEBSITE));
    return s;
}

void ExpectScaled(const RECT& before, const RECT& after, int from, int to, const char* what) {
    EXPECT_NEAR(after.left, ::MulDiv(before.left, to, from), 1) << what;
    EXPECT_NEAR(after.top, ::MulDiv(before.top, to, from), 1) << what;
    EXPECT_NEAR(after.right - after.left, ::MulDiv(before.right - before.left, to, from), 2)
        << what;
    EXPECT_NEAR(after.bottom - after.top, ::MulDiv(before.bottom - before.top, to, from), 2)
        << what;
}

TEST(DpiChange, AboutBoxScalesControlsFontsAndLinksAndComesBack) {
    qm::win::CAboutDlg about("C:\\Quillmoor\\Data");
    ASSERT_TRUE(about.CreateModeless(nullptr));
    ::SetWindowPos(about.Handle(), nullptr, 40, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    about.CWindow::Show(SW_SHOW);
    wt::WaitFor([] { return false; }, 200);
    const AboutSizes before = Measure(about);
    ASSERT_GT(before.picture, 0);
    const int from = about.Dpi();
    const int to = from * 2;
    const int width = before.window.right - before.window.left;
    const int height = before.window.bottom - before.window.top;
    RECT suggested{40, 40, 40 + ::MulDiv(width, to, from), 40 + ::MulDiv(height, to, from)};
    ::SendMessageW(about.Handle(), WM_DPICHANGED, MAKEWPARAM(to, to),
                   reinterpret_cast<LPARAM>(&suggested));
    wt::WaitFor([] { return false; }, 200);
    wt::SaveScreenshot("about_dpi_changed");
    const AboutSizes after = Measure(about);
    EXPECT_EQ(about.Dpi(), to);
    EXPECT_TRUE(::EqualRect(&after.window, &suggested));
    ExpectScaled(before.ok, after.ok, from, to, "OK button");
    EXPECT_NEAR(after.textFont, ::MulDiv(before.textFont, to, from), 1);
    EXPECT_NEAR(after.linkFont, ::MulDiv(before.linkFont, to, from), 1);
    EXPECT_EQ(after.picture, 2 * before.picture) << "the program's icon at the new size";
    // The link measured its text again in the larger font: about twice as wide.
    const int linkBefore = before.link.right - before.link.left;
    const int linkAfter = after.link.right - after.link.left;
    EXPECT_GT(linkAfter, linkBefore * 3 / 2);
    EXPECT_LT(linkAfter, linkBefore * 5 / 2);
    EXPECT_NEAR(after.link.left, ::MulDiv(before.link.left, to, from), 2);
    // Still underlined: the link keeps looking like a link.
    LOGFONTW face{};
    ::GetObjectW(reinterpret_cast<HFONT>(
                     ::SendMessageW(about.Item(IDC_ABOUT_WEBSITE), WM_GETFONT, 0, 0)),
                 sizeof(face), &face);
    EXPECT_TRUE(face.lfUnderline);

    ::SendMessageW(about.Handle(), WM_DPICHANGED, MAKEWPARAM(from, from),
                   reinterpret_cast<LPARAM>(&before.window));
    wt::WaitFor([] { return false; }, 200);
    const AboutSizes again = Measure(about);
    EXPECT_TRUE(::EqualRect(&again.window, &before.window));
    ExpectScaled(before.ok, again.ok, from, from, "OK button back");
    EXPECT_NEAR(again.textFont, before.textFont, 1);
    EXPECT_EQ(again.picture, before.picture);
    EXPECT_NEAR(again.link.right - again.link.left, linkBefore, 2);
    about.Destroy();
}

}  // namespace
