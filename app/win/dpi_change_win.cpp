#include "app/win/dpi_change_win.h"

#include <algorithm>
#include <utility>

#include "app/win/dpi_win.h"

namespace qm::win {

namespace {

std::vector<HWND> Descendants(HWND root) {
    std::vector<HWND> found;
    ::EnumChildWindows(
        root,
        [](HWND child, LPARAM data) {
            reinterpret_cast<std::vector<HWND>*>(data)->push_back(child);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

}  // namespace

CScaledFonts::~CScaledFonts() {
    for (HFONT font : fonts_) {
        ::DeleteObject(font);
    }
}

void CScaledFonts::Rescale(HWND root, int fromDpi, int toDpi) {
    if (root == nullptr || fromDpi <= 0 || toDpi <= 0) {
        return;
    }
    // Every control's font first: a control may pass a new font on to its
    // own children (a list to its header) while the fonts are set.
    std::vector<std::pair<HWND, HFONT>> controls;
    for (HWND control : Descendants(root)) {
        auto current = reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0));
        if (current != nullptr) {
            controls.emplace_back(control, current);
        }
    }
    std::vector<std::pair<HFONT, HFONT>> made;  // (old font, its scaled copy)
    for (const auto& [control, current] : controls) {
        auto same = std::find_if(made.begin(), made.end(),
                                 [font = current](const auto& pair) { return pair.first == font; });
        HFONT scaled = nullptr;
        if (same != made.end()) {
            scaled = same->second;
        } else {
            scaled = CreateScaledFont(current, fromDpi, toDpi);
            if (scaled == nullptr) {
                continue;
            }
            made.emplace_back(current, scaled);
        }
        ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(scaled), TRUE);
    }
    for (HFONT font : fonts_) {
        ::DeleteObject(font);
    }
    fonts_.clear();
    for (const auto& pair : made) {
        fonts_.push_back(pair.second);
    }
}

void ScaleChildRects(HWND parent, int fromDpi, int toDpi) {
    if (parent == nullptr || fromDpi <= 0 || toDpi <= 0 || fromDpi == toDpi) {
        return;
    }
    std::vector<std::pair<HWND, RECT>> children;
    for (HWND child = ::GetWindow(parent, GW_CHILD); child != nullptr;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        RECT r{};
        ::GetWindowRect(child, &r);
        ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
        children.emplace_back(child, r);
    }
    for (const auto& [child, r] : children) {
        const int left = ::MulDiv(r.left, toDpi, fromDpi);
        const int top = ::MulDiv(r.top, toDpi, fromDpi);
        const int right = ::MulDiv(r.right, toDpi, fromDpi);
        const int bottom = ::MulDiv(r.bottom, toDpi, fromDpi);
        ::SetWindowPos(child, nullptr, left, top, right - left, bottom - top,
                       SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

HICON ShowIconForDpi(HWND picture, int iconId, int dpi) {
    const int size = SystemMetricForDpi(SM_CXICON, dpi);
    auto icon = static_cast<HICON>(::LoadImageW(::GetModuleHandleW(nullptr),
                                                MAKEINTRESOURCEW(iconId), IMAGE_ICON, size, size,
                                                LR_DEFAULTCOLOR));
    if (picture == nullptr || icon == nullptr) {
        if (icon != nullptr) {
            ::DestroyIcon(icon);
        }
        return nullptr;
    }
    ::SendMessageW(picture, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
    return icon;
}

void TakeOverDialogScaling(HWND dialog) {
    // Looked up at run time: the call exists from Windows 10 (1703) on.
    using SetBehaviourFn = BOOL(WINAPI*)(HWND, int, int);
    static const auto setBehaviour = reinterpret_cast<SetBehaviourFn>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "SetDialogDpiChangeBehavior")));
    constexpr int kDisableAll = 1;  // DDC_DISABLE_ALL
    if (dialog != nullptr && setBehaviour != nullptr) {
        setBehaviour(dialog, kDisableAll, kDisableAll);
    }
}

}  // namespace qm::win
