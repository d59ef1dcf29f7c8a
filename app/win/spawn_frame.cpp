#include "app/win/spawn_frame.h"

#include "app/win/dpi_win.h"

namespace qm::win {

namespace {

constexpr int kTimerAttempts = 9999;

}  // namespace

CSpawnFrameWnd::CSpawnFrameWnd() : menuImages_(false, nullptr) {}

bool CSpawnFrameWnd::SetMenuBar(HMENU menu) {
    HWND window = Handle();
    if (window == nullptr || !::SetMenu(window, menu)) {
        return false;
    }
    if (menu != nullptr) {
        menuImages_.Convert(menu);
        ::DrawMenuBar(window);
    }
    return true;
}

bool CSpawnFrameWnd::OnCreate() {
    // The menus are drawn at the scaling of the screen the frame starts on.
    menuImages_.SetDpi(WindowDpi(Handle()));
    // A failed start leaves the frame without hot-tracking removal: the
    // raised rectangle then stays until the next non-client hit test.
    for (int attempt = 0; attempt < kTimerAttempts && timerId_ == 0; ++attempt) {
        timerId_ = ::SetTimer(Handle(), kHotTimerId, kHotTimerMilliseconds, nullptr);
    }
    return false;
}

bool CSpawnFrameWnd::OnDestroy() {
    if (timerId_ != 0) {
        ::KillTimer(Handle(), timerId_);
        timerId_ = 0;
    }
    return false;
}

bool CSpawnFrameWnd::OnTimer(UINT_PTR id) {
    if (id == timerId_ && timerId_ != 0 && !inMenuLoop_) {
        POINT cursor{};
        if (::GetCursorPos(&cursor)) {
            Send(WM_NCHITTEST, 0, MAKELPARAM(cursor.x, cursor.y));
        }
    }
    return false;
}

bool CSpawnFrameWnd::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    HWND window = Handle();
    switch (message) {
        case WM_DRAWITEM:
        case WM_MEASUREITEM:
        case WM_MENUCHAR:
            return menuImages_.Route(window, message, wParam, lParam, result);
        case WM_INITMENU: {
            // Only the frame's own bar; the system menu keeps its look.
            HMENU menu = reinterpret_cast<HMENU>(wParam);
            result = DefaultProc(message, wParam, lParam);
            if (menu != nullptr && menu == ::GetMenu(window)) {
                menuImages_.Convert(menu);
            }
            return true;
        }
        case WM_INITMENUPOPUP: {
            HMENU popup = reinterpret_cast<HMENU>(wParam);
            result = DefaultProc(message, wParam, lParam);
            if (HIWORD(lParam) == 0) {
                OnUpdatePopup(popup);
                menuImages_.Convert(popup);
            }
            return true;
        }
        case WM_NCHITTEST:
            result = HitTest(lParam);
            return true;
        case WM_DPICHANGED:
            // Images, check marks and font at the new scaling; the bar and its
            // popups are measured again.
            EraseHot();
            menuImages_.SetDpi(DpiOfChange(wParam));
            CIconMenu::Remeasure(::GetMenu(window));
            MoveToSuggestedRect(window, lParam);
            ::DrawMenuBar(window);
            result = 0;
            return true;
        case WM_ENTERMENULOOP:
            EraseHot();
            inMenuLoop_ = true;
            return false;
        case WM_EXITMENULOOP:
            inMenuLoop_ = false;
            return false;
        default:
            return false;
    }
}

LRESULT CSpawnFrameWnd::HitTest(LPARAM lParam) {
    HWND window = Handle();
    const LRESULT hit = DefaultProc(WM_NCHITTEST, 0, lParam);
    if (inMenuLoop_ || hit != HTMENU) {
        EraseHot();
        return hit;
    }
    HMENU menu = ::GetMenu(window);
    const POINT screen{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    const int position = menu != nullptr ? ::MenuItemFromPoint(window, menu, screen) : -1;
    RECT item{};
    if (position < 0 || !::GetMenuItemRect(window, menu, static_cast<UINT>(position), &item)) {
        return hit;
    }
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_FTYPE | MIIM_DATA;
    if (!::GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info) ||
        (info.fType & MFT_OWNERDRAW) == 0 || info.dwItemData == 0) {
        EraseHot();
        return hit;
    }
    RECT frame{};
    ::GetWindowRect(window, &frame);
    ::OffsetRect(&item, -frame.left, -frame.top);
    if (::IsRectEmpty(&hotRect_) || !::EqualRect(&item, &hotRect_)) {
        HDC dc = ::GetWindowDC(window);
        if (dc != nullptr) {
            if (!::IsRectEmpty(&hotRect_)) {
                const COLORREF menuColour = menuImages_.GetColour(CIconMenu::kMenu);
                DrawFrame(dc, hotRect_, menuColour, menuColour);
            }
            DrawFrame(dc, item, menuImages_.GetColour(CIconMenu::kButtonHighlight),
                      menuImages_.GetColour(CIconMenu::kButtonShadow));
            ::ReleaseDC(window, dc);
            ++hotDraws_;
        }
        hotRect_ = item;
    }
    return hit;
}

void CSpawnFrameWnd::EraseHot() {
    if (::IsRectEmpty(&hotRect_)) {
        return;
    }
    HWND window = Handle();
    HDC dc = window != nullptr ? ::GetWindowDC(window) : nullptr;
    if (dc != nullptr) {
        const COLORREF menuColour = menuImages_.GetColour(CIconMenu::kMenu);
        DrawFrame(dc, hotRect_, menuColour, menuColour);
        ::ReleaseDC(window, dc);
    }
    ::SetRectEmpty(&hotRect_);
}

void CSpawnFrameWnd::DrawFrame(HDC dc, const RECT& r, COLORREF topLeft,
                               COLORREF bottomRight) const {
    HPEN light = ::CreatePen(PS_SOLID, 1, topLeft);
    HPEN dark = ::CreatePen(PS_SOLID, 1, bottomRight);
    HGDIOBJ old = ::SelectObject(dc, light);
    ::MoveToEx(dc, r.left, r.bottom - 1, nullptr);
    ::LineTo(dc, r.left, r.top);
    ::LineTo(dc, r.right - 1, r.top);
    ::SelectObject(dc, dark);
    ::LineTo(dc, r.right - 1, r.bottom - 1);
    ::LineTo(dc, r.left - 1, r.bottom - 1);
    ::SelectObject(dc, old);
    ::DeleteObject(light);
    ::DeleteObject(dark);
}

}  // namespace qm::win
