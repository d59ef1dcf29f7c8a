#include "app/win/hyperlink.h"

#include <commctrl.h>
#include <shellapi.h>

#include "app/link_target.h"
#include "app/win/window.h"
#include "platform/win/utf16_win.h"

namespace qm::win {

namespace {

constexpr UINT_PTR kSubclassId = 0x51AA;
// Names the link object on its control's window.
constexpr wchar_t kLinkProperty[] = L"QuillmoorHyperLink";

CHyperLink::Opener& CustomOpener() {
    static CHyperLink::Opener opener;
    return opener;
}

std::wstring ClassesRootDefault(const std::wstring& key) {
    wchar_t value[1024] = {};
    DWORD size = sizeof(value);
    if (::RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, value,
                       &size) != ERROR_SUCCESS) {
        return std::wstring();
    }
    return value;
}

// Starts a command line without waiting; a result above 32 on success, as
// the shell reports it.
int StartCommand(const std::string& command) {
    std::wstring line = Widen(command);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &process)) {
        const DWORD error = ::GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
                   ? static_cast<int>(error)
                   : 0;
    }
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return 33;
}

}  // namespace

CHyperLink::~CHyperLink() {
    if (control_ != nullptr && ::IsWindow(control_)) {
        ::RemoveWindowSubclass(control_, &CHyperLink::SubclassProc, kSubclassId);
        ::RemovePropW(control_, kLinkProperty);
    }
    if (toolTip_ != nullptr) {
        ::DestroyWindow(toolTip_);
    }
    if (font_ != nullptr) {
        ::DeleteObject(font_);
    }
}

void CHyperLink::SetOpener(Opener opener) {
    CustomOpener() = std::move(opener);
}

CHyperLink* CHyperLink::FromControl(HWND control) {
    if (control == nullptr) {
        return nullptr;
    }
    return static_cast<CHyperLink*>(::GetPropW(control, kLinkProperty));
}

bool CHyperLink::Attach(HWND control) {
    if (control == nullptr || control_ != nullptr) {
        return false;
    }
    control_ = control;
    const std::string text = WindowText(control);
    if (target_.empty()) {
        target_ = text;
    } else if (text.empty()) {
        ::SetWindowTextW(control, Widen(target_).c_str());
    }
    // Notify style: the control reports clicks and takes the mouse.
    ::SetWindowLongPtrW(control, GWL_STYLE, ::GetWindowLongPtrW(control, GWL_STYLE) | SS_NOTIFY);
    if (auto current = reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0))) {
        LOGFONTW face{};
        ::GetObjectW(current, sizeof(face), &face);
        face.lfUnderline = TRUE;
        font_ = ::CreateFontIndirectW(&face);
        ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
        SizeToText();
    }
    ::SetWindowSubclass(control, &CHyperLink::SubclassProc, kSubclassId,
                        reinterpret_cast<DWORD_PTR>(this));
    ::SetPropW(control, kLinkProperty, this);

    toolTip_ = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                 control, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    if (toolTip_ != nullptr) {
        std::wstring tip = Widen(target_);
        TOOLINFOW tool{};
        tool.cbSize = sizeof(tool);
        tool.uFlags = TTF_SUBCLASS;
        tool.hwnd = control;
        tool.uId = 1;
        ::GetClientRect(control, &tool.rect);
        tool.lpszText = tip.data();
        ::SendMessageW(toolTip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
    return true;
}

void CHyperLink::SetTarget(const std::string& target) {
    target_ = target;
    if (control_ == nullptr) {
        return;
    }
    ::ShowWindow(control_, SW_HIDE);
    SizeToText();
    UpdateToolTip();
    ::ShowWindow(control_, SW_SHOW);
}

void CHyperLink::Refit() {
    if (control_ == nullptr) {
        return;
    }
    SizeToText();
    UpdateToolTip();
}

void CHyperLink::UpdateToolTip() {
    if (toolTip_ == nullptr) {
        return;
    }
    std::wstring tip = Widen(target_);
    TOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.hwnd = control_;
    tool.uId = 1;
    ::GetClientRect(control_, &tool.rect);
    tool.lpszText = tip.data();
    ::SendMessageW(toolTip_, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&tool));
    ::SendMessageW(toolTip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

void CHyperLink::SizeToText() {
    auto font = reinterpret_cast<HFONT>(::SendMessageW(control_, WM_GETFONT, 0, 0));
    if (font == nullptr) {
        return;  // a control without a font keeps its size
    }
    const std::wstring text = Widen(WindowText(control_));
    HDC dc = ::GetDC(control_);
    HGDIOBJ old = ::SelectObject(dc, font);
    SIZE extent{};
    ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    ::SelectObject(dc, old);
    ::ReleaseDC(control_, dc);

    RECT window{};
    RECT client{};
    ::GetWindowRect(control_, &window);
    ::GetClientRect(control_, &client);
    HWND parent = ::GetParent(control_);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&window), 2);
    const LONG_PTR style = ::GetWindowLongPtrW(control_, GWL_STYLE);
    int left = window.left;
    int top = window.top;
    const int oldWidth = window.right - window.left;
    const int oldHeight = window.bottom - window.top;
    if ((style & SS_CENTERIMAGE) != 0) {
        top += (oldHeight - extent.cy) / 2;
    }
    const LONG_PTR align = style & SS_TYPEMASK;
    if (align == SS_RIGHT) {
        left = window.right - extent.cx;
    } else if (align == SS_CENTER) {
        left += (oldWidth - extent.cx) / 2;
    }
    const int extraWidth = oldWidth - (client.right - client.left);
    const int extraHeight = oldHeight - (client.bottom - client.top);
    ::SetWindowPos(control_, nullptr, left, top, extent.cx + extraWidth, extent.cy + extraHeight,
                   SWP_NOZORDER | SWP_NOACTIVATE);
}

COLORREF CHyperLink::TextColour() const {
    if (focused_) {
        return kFocusedColour;
    }
    return visited_ ? kVisitedColour : kLinkColour;
}

bool CHyperLink::ReflectColour(WPARAM wParam, LPARAM lParam, LRESULT& result) {
    CHyperLink* link = FromControl(reinterpret_cast<HWND>(lParam));
    if (link == nullptr) {
        return false;
    }
    HDC dc = reinterpret_cast<HDC>(wParam);
    ::SetTextColor(dc, link->TextColour());
    ::SetBkMode(dc, TRANSPARENT);
    result = reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH));
    return true;
}

int CHyperLink::ShellOpen(const std::string& target) {
    // The target is one item for the shell, never split into arguments.
    const auto opened = reinterpret_cast<INT_PTR>(::ShellExecuteW(
        nullptr, L"open", Widen(target).c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    if (opened > 32) {
        return static_cast<int>(opened);
    }
    const std::wstring type = ClassesRootDefault(L".htm");
    const std::wstring command =
        type.empty() ? std::wstring() : ClassesRootDefault(type + L"\\shell\\open\\command");
    const std::string line = HtmOpenCommand(Narrow(command), target);
    if (line.empty()) {
        return static_cast<int>(opened);
    }
    return StartCommand(line);
}

bool CHyperLink::Open() {
    HWND owner = control_ != nullptr ? ::GetParent(control_) : nullptr;
    if (!IsOpenableLink(target_)) {
        ::MessageBeep(MB_ICONEXCLAMATION);
        ::MessageBoxW(owner, Widen(RefusedLinkMessage()).c_str(), L"Quill Moor",
                      MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    const int result = CustomOpener() ? CustomOpener()(target_) : ShellOpen(target_);
    if (result > 32) {
        visited_ = true;
        if (control_ != nullptr) {
            ::InvalidateRect(control_, nullptr, TRUE);
        }
        return true;
    }
    ::MessageBeep(MB_ICONEXCLAMATION);
    ::MessageBoxW(owner, Widen(CantOpenLinkMessage(result)).c_str(), L"Quill Moor",
                  MB_OK | MB_ICONEXCLAMATION);
    return false;
}

LRESULT CALLBACK CHyperLink::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                          UINT_PTR, DWORD_PTR data) {
    auto* self = reinterpret_cast<CHyperLink*>(data);
    bool handled = false;
    LRESULT result = 0;
    try {
        result = self->OnMessage(message, wParam, lParam, handled);
    } catch (...) {
        handled = true;
        result = 0;
    }
    if (message == WM_NCDESTROY) {
        ::RemoveWindowSubclass(window, &CHyperLink::SubclassProc, kSubclassId);
        ::RemovePropW(window, kLinkProperty);
        self->control_ = nullptr;
    }
    return handled ? result : ::DefSubclassProc(window, message, wParam, lParam);
}

LRESULT CHyperLink::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    handled = true;
    switch (message) {
        case WM_NCHITTEST:
            return HTCLIENT;  // the whole control takes the mouse
        case WM_GETDLGCODE:
            return DLGC_WANTCHARS;  // takes the focus like a control, hears the space bar
        case WM_SETCURSOR: {
            HCURSOR hand = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_HAND));
            if (hand == nullptr) {
                handled = false;
                return 0;
            }
            ::SetCursor(hand);
            return TRUE;
        }
        case WM_MOUSEMOVE: {
            const POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            RECT client{};
            ::GetClientRect(control_, &client);
            if (!hovering_) {
                hovering_ = true;
                ::InvalidateRect(control_, nullptr, TRUE);
                ::SetCapture(control_);
            } else if (!::PtInRect(&client, p)) {
                hovering_ = false;
                ::ReleaseCapture();
                ::InvalidateRect(control_, nullptr, TRUE);
            }
            handled = false;  // the tooltip hears it too
            return 0;
        }
        case WM_LBUTTONDOWN:
            ::SetFocus(control_);
            focused_ = true;
            return 0;
        case WM_LBUTTONUP:
            if (focused_) {
                Open();
            }
            return 0;
        case WM_SETFOCUS:
            focused_ = true;
            ::InvalidateRect(control_, nullptr, TRUE);
            return 0;
        case WM_KILLFOCUS:
            focused_ = false;
            hovering_ = false;
            ::InvalidateRect(control_, nullptr, TRUE);
            return 0;
        case WM_KEYDOWN:
            if (wParam == VK_SPACE) {
                Open();
                return 0;
            }
            handled = false;
            return 0;
        default:
            handled = false;
            return 0;
    }
}

}  // namespace qm::win
