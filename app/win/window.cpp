#include "app/win/window.h"

#include <iterator>

#include "platform/win/utf16_win.h"

namespace qm::win {

namespace {

// Cracks one message's parameters and calls its handler.
using Cracker = bool (*)(CWindow&, WPARAM, LPARAM, LRESULT&);

struct HandlerEntry {
    UINT message;
    Cracker crack;
};

POINT PointOf(LPARAM lParam) {
    return POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
}

}  // namespace

std::string WindowText(HWND window) {
    if (window == nullptr) {
        return {};
    }
    const int length = ::GetWindowTextLengthW(window);
    std::wstring buffer(static_cast<size_t>(length > 0 ? length : 0) + 2, L'\0');
    const int got = ::GetWindowTextW(window, buffer.data(), static_cast<int>(buffer.size()));
    buffer.resize(static_cast<size_t>(got > 0 ? got : 0));
    return Narrow(buffer);
}

CWindow::~CWindow() {
    if (hwnd_ != nullptr) {
        HWND window = hwnd_;
        Detach();
        ::DestroyWindow(window);
    }
}

bool CWindow::RegisterWindowClass(const char* className, UINT classStyle, HICON icon,
                                  HCURSOR cursor, HBRUSH background) {
    const std::wstring name = Widen(className != nullptr ? className : "");
    WNDCLASSW wc{};
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    if (::GetClassInfoW(instance, name.c_str(), &wc)) {
        return true;
    }
    wc = WNDCLASSW{};
    wc.style = classStyle;
    wc.lpfnWndProc = &CWindow::WindowProc;
    wc.hInstance = instance;
    wc.hIcon = icon;
    wc.hCursor =
        cursor != nullptr ? cursor : ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = background;
    wc.lpszClassName = name.c_str();
    return ::RegisterClassW(&wc) != 0;
}

bool CWindow::Create(DWORD exStyle, const char* className, const char* title, DWORD style, int x,
                     int y, int width, int height, HWND parent, HMENU menu) {
    if (hwnd_ != nullptr) {
        return false;
    }
    const std::wstring wideClass = Widen(className != nullptr ? className : "");
    const std::wstring wideTitle = Widen(title != nullptr ? title : "");
    HWND window = ::CreateWindowExW(exStyle, wideClass.c_str(), wideTitle.c_str(), style, x, y,
                                    width, height, parent, menu, ::GetModuleHandleW(nullptr), this);
    return window != nullptr && window == hwnd_;
}

void CWindow::Destroy() {
    if (hwnd_ != nullptr) {
        ::DestroyWindow(hwnd_);
    }
}

void CWindow::SetText(const std::string& text) {
    if (hwnd_ != nullptr) {
        ::SetWindowTextW(hwnd_, Widen(text).c_str());
    }
}

std::string CWindow::GetText() const {
    if (hwnd_ == nullptr) {
        return {};
    }
    return WindowText(hwnd_);
}

LRESULT CWindow::Send(UINT message, WPARAM wParam, LPARAM lParam) const {
    return hwnd_ != nullptr ? ::SendMessageW(hwnd_, message, wParam, lParam) : 0;
}

bool CWindow::Post(UINT message, WPARAM wParam, LPARAM lParam) const {
    return hwnd_ != nullptr && ::PostMessageW(hwnd_, message, wParam, lParam) != 0;
}

CWindow* CWindow::FromHandle(HWND window) {
    if (window == nullptr) {
        return nullptr;
    }
    return reinterpret_cast<CWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
}

void CWindow::Attach(HWND window) {
    hwnd_ = window;
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

void CWindow::Detach() {
    if (hwnd_ != nullptr) {
        ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        hwnd_ = nullptr;
    }
}

bool CWindow::OnMessage(UINT, WPARAM, LPARAM, LRESULT&) {
    return false;
}

LRESULT CWindow::DefaultProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::DefWindowProcW(hwnd_, message, wParam, lParam);
}

bool CWindow::Dispatch(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    static const HandlerEntry kHandlers[] = {
        {WM_CREATE,
         [](CWindow& w, WPARAM, LPARAM, LRESULT& r) {
             if (!w.OnCreate()) {
                 return false;
             }
             r = 0;
             return true;
         }},
        {WM_DESTROY, [](CWindow& w, WPARAM, LPARAM, LRESULT&) { return w.OnDestroy(); }},
        {WM_CLOSE, [](CWindow& w, WPARAM, LPARAM, LRESULT&) { return w.OnClose(); }},
        {WM_COMMAND,
         [](CWindow& w, WPARAM wp, LPARAM lp, LRESULT&) {
             return w.OnCommand(LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp));
         }},
        {WM_TIMER, [](CWindow& w, WPARAM wp, LPARAM, LRESULT&) { return w.OnTimer(wp); }},
        {WM_LBUTTONDOWN, [](CWindow& w, WPARAM wp, LPARAM lp,
                            LRESULT&) { return w.OnMouse(WM_LBUTTONDOWN, PointOf(lp), wp); }},
        {WM_LBUTTONUP, [](CWindow& w, WPARAM wp, LPARAM lp,
                          LRESULT&) { return w.OnMouse(WM_LBUTTONUP, PointOf(lp), wp); }},
        {WM_MOUSEMOVE, [](CWindow& w, WPARAM wp, LPARAM lp,
                          LRESULT&) { return w.OnMouse(WM_MOUSEMOVE, PointOf(lp), wp); }},
        {WM_LBUTTONDBLCLK, [](CWindow& w, WPARAM wp, LPARAM lp,
                              LRESULT&) { return w.OnMouse(WM_LBUTTONDBLCLK, PointOf(lp), wp); }},
        {WM_CONTEXTMENU,
         [](CWindow& w, WPARAM wp, LPARAM lp, LRESULT&) {
             return w.OnContextMenu(reinterpret_cast<HWND>(wp), PointOf(lp));
         }},
    };
    if (OnMessage(message, wParam, lParam, result)) {
        return true;
    }
    for (const HandlerEntry& entry : kHandlers) {
        if (entry.message == message) {
            return entry.crack(*this, wParam, lParam, result);
        }
    }
    return false;
}

LRESULT CALLBACK CWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    CWindow* self = nullptr;
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        self = static_cast<CWindow*>(create->lpCreateParams);
        if (self != nullptr) {
            self->Attach(window);
        }
    } else {
        self = FromHandle(window);
    }
    if (self == nullptr) {
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
    LRESULT result = 0;
    try {
        if (!self->Dispatch(message, wParam, lParam, result)) {
            result = self->DefaultProc(message, wParam, lParam);
        }
    } catch (...) {
        // Nothing may unwind into the system: the message counts as handled.
        result = 0;
    }
    if (message == WM_NCDESTROY) {
        self->Detach();
        try {
            self->OnFinalMessage();
        } catch (...) {
        }
    }
    return result;
}

}  // namespace qm::win
