// Screen scaling: at 100%, 150% and 200% (the display's LogPixels setting)
// the menus' images, check marks and separators, and the About box's links
// are drawn at the matching size. Each scaling runs in a child process of
// this test, since a process reads the setting when it starts.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "app/win/about_dlg.h"
#include "app/win/dpi_win.h"
#include "app/win/icon_menu.h"
#include "app/win/window.h"
#include "res/resource.h"
#include "tests/app_win/screen_pixels.h"
#include "tests/app_win/win_test_util.h"

namespace {

namespace wt = qm::wintest;
using qm::win::CIconMenu;

constexpr wchar_t kDesktopKey[] = L"Control Panel\\Desktop";

int ExpectedDpi() {
    const char* text = std::getenv("QM_EXPECT_DPI");
    return text != nullptr ? std::atoi(text) : 0;
}

int Scaled(int length, int dpi) {
    return (length * dpi + 48) / 96;
}

// The program declares per-monitor awareness in its manifest; the child does
// the same before it makes any window.
void BecomeDpiAware() {
    using SetContext = BOOL(WINAPI*)(HANDLE);
    auto set = reinterpret_cast<SetContext>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetProcessDpiAwarenessContext")));
    if (set != nullptr) {
        set(reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-4)));  // per monitor, version 2
    }
}

class MenuOwner : public qm::win::CWindow {
public:
    CIconMenu* images = nullptr;

protected:
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
        return images != nullptr && images->Route(Handle(), message, wParam, lParam, result);
    }
};

struct PopupShot {
    static inline std::string name;
    static inline RECT item{};
    static inline HMENU menu = nullptr;
    static inline int seen = 0;
    static void CALLBACK Tick(HWND owner, UINT, UINT_PTR id, DWORD) {
        HWND popup = FindWindowW(L"#32768", nullptr);
        if (popup == nullptr || !IsWindowVisible(popup) || ++seen < 2) {
            return;
        }
        KillTimer(owner, id);
        GetMenuItemRect(nullptr, menu, 0, &item);
        wt::SaveScreenshot(name);
        EndMenu();
    }
};

// Runs in the child: everything at the scaling the parent set.
TEST(DpiChild, DrawsAtTheScreensScaling) {
    const int dpi = ExpectedDpi();
    if (dpi == 0) {
        GTEST_SKIP() << "run by DpiScaling with a scaling set";
    }
    BecomeDpiAware();
    EXPECT_EQ(qm::win::WindowDpi(nullptr), dpi);

    ASSERT_TRUE(qm::win::CWindow::RegisterWindowClass("QuillmoorDpiOwner"));
    MenuOwner owner;
    ASSERT_TRUE(owner.Create(0, "QuillmoorDpiOwner", "dpi", WS_OVERLAPPEDWINDOW, 50, 50, 500, 400));
    owner.Show(SW_SHOW);
    EXPECT_EQ(qm::win::WindowDpi(owner.Handle()), dpi);

    CIconMenu images(true, owner.Handle());
    ASSERT_TRUE(images.LoadImages(IDR_MENU_IMAGES));
    EXPECT_EQ(images.ImageSize().cx, Scaled(16, dpi));
    EXPECT_EQ(images.ImageSize().cy, Scaled(16, dpi));
    EXPECT_EQ(images.CheckSize().cx, Scaled(19, dpi));

    HMENU menu = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_RECYCLE_BIN_MENU));
    HMENU popup = GetSubMenu(menu, 0);
    images.Convert(popup);
    owner.images = &images;
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_DATA;
    int separatorAt = 0;
    while (separatorAt < GetMenuItemCount(popup) && GetMenuItemID(popup, separatorAt) != 0) {
        ++separatorAt;
    }
    GetMenuItemInfoW(popup, static_cast<UINT>(separatorAt), TRUE, &info);
    MEASUREITEMSTRUCT separator{ODT_MENU, 0, 0, 0, 0, info.dwItemData};
    ASSERT_TRUE(images.MeasureItem(separator));
    EXPECT_EQ(static_cast<int>(separator.itemHeight), Scaled(6, dpi));

    // A real popup: its first item is as high as the image row.
    PopupShot::name = "dpi_" + std::to_string(dpi) + "_menu";
    PopupShot::menu = popup;
    SetForegroundWindow(owner.Handle());
    SetTimer(owner.Handle(), 3, 100, &PopupShot::Tick);
    TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RETURNCMD | TPM_NONOTIFY, 120, 120, 0,
                   owner.Handle(), nullptr);
    EXPECT_GE(PopupShot::item.bottom - PopupShot::item.top, Scaled(16, dpi) + Scaled(5, dpi));
    owner.images = nullptr;
    DestroyMenu(menu);

    // The About box: its link font grows with the screen.
    qm::win::CAboutDlg about("C:\\Quillmoor\\Data");
    ASSERT_TRUE(about.CreateModeless(nullptr));
    about.CWindow::Show(SW_SHOW);
    wt::WaitFor([] { return false; }, 300);
    RECT link{};
    GetClientRect(about.WebSite().Handle(), &link);
    EXPECT_GE(link.bottom, Scaled(12, dpi)) << "link text height";
    wt::SaveScreenshot("dpi_" + std::to_string(dpi) + "_about");
    about.Destroy();
    owner.Destroy();
}

// Sets the display's scaling in turn and runs the child at each.
TEST(DpiScaling, MenusAndLinksFollowTheScreensScaling) {
    if (ExpectedDpi() != 0) {
        GTEST_SKIP() << "this is the child";
    }
    HKEY desktop = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kDesktopKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &desktop, nullptr),
              ERROR_SUCCESS);
    DWORD saved = 0;
    DWORD size = sizeof(saved);
    const bool hadValue = RegQueryValueExW(desktop, L"LogPixels", nullptr, nullptr,
                                           reinterpret_cast<BYTE*>(&saved), &size) == ERROR_SUCCESS;
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    for (DWORD dpi : {96u, 144u, 192u}) {
        RegSetValueExW(desktop, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi),
                       sizeof(dpi));
        SetEnvironmentVariableW(L"QM_EXPECT_DPI", std::to_wstring(dpi).c_str());
        std::wstring line = L"\"" + std::wstring(self) + L"\" --gtest_filter=DpiChild.*";
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION child{};
        ASSERT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                   nullptr, &startup, &child));
        WaitForSingleObject(child.hProcess, 60000);
        DWORD code = 1;
        GetExitCodeProcess(child.hProcess, &code);
        CloseHandle(child.hThread);
        CloseHandle(child.hProcess);
        EXPECT_EQ(code, 0u) << "at " << dpi << " dpi";
    }
    SetEnvironmentVariableW(L"QM_EXPECT_DPI", nullptr);
    if (hadValue) {
        RegSetValueExW(desktop, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&saved),
                       sizeof(saved));
    } else {
        RegDeleteValueW(desktop, L"LogPixels");
    }
    RegCloseKey(desktop);
}

}  // namespace
