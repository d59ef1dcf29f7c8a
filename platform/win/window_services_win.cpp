#include "platform/win/window_services_win.h"

#include <windows.h>

#include <iterator>

#include "platform/win/utf16_win.h"

namespace qm::win {

namespace {

HWND H(WindowHandle window) {
    return reinterpret_cast<HWND>(window);
}

WindowHandle W(HWND window) {
    return reinterpret_cast<WindowHandle>(window);
}

Rect ToRect(const RECT& r) {
    return Rect{r.left, r.top, r.right, r.bottom};
}

BOOL CALLBACK CollectChild(HWND child, LPARAM list) {
    reinterpret_cast<std::vector<WindowHandle>*>(list)->push_back(W(child));
    return TRUE;
}

// Inverting pen drawing on a device context; restores what it changed.
class InvertingPen {
public:
    InvertingPen(HDC dc, int width) : dc_(dc), pen_(::CreatePen(PS_SOLID, width, RGB(0, 0, 0))) {
        oldPen_ = pen_ != nullptr ? ::SelectObject(dc_, pen_) : nullptr;
        oldRop_ = ::SetROP2(dc_, R2_NOT);
    }
    ~InvertingPen() {
        if (oldRop_ != 0) {
            ::SetROP2(dc_, oldRop_);
        }
        if (oldPen_ != nullptr) {
            ::SelectObject(dc_, oldPen_);
        }
        if (pen_ != nullptr) {
            ::DeleteObject(pen_);
        }
    }
    InvertingPen(const InvertingPen&) = delete;
    InvertingPen& operator=(const InvertingPen&) = delete;
    bool Ready() const { return pen_ != nullptr; }

private:
    HDC dc_;
    HPEN pen_;
    HGDIOBJ oldPen_ = nullptr;
    int oldRop_ = 0;
};

}  // namespace

WindowHandle Win32WindowServices::WindowFromPoint(Point screen) {
    return W(::WindowFromPoint(POINT{screen.x, screen.y}));
}

WindowHandle Win32WindowServices::Parent(WindowHandle window) {
    return W(::GetParent(H(window)));
}

bool Win32WindowServices::IsWindow(WindowHandle window) {
    return window != 0 && ::IsWindow(H(window)) != 0;
}

bool Win32WindowServices::WindowRect(WindowHandle window, Rect& screen) {
    RECT r;
    if (!::GetWindowRect(H(window), &r)) {
        return false;
    }
    screen = ToRect(r);
    return true;
}

bool Win32WindowServices::ClientRect(WindowHandle window, Rect& client) {
    RECT r;
    if (!::GetClientRect(H(window), &r)) {
        return false;
    }
    client = ToRect(r);
    return true;
}

bool Win32WindowServices::ScreenToClient(WindowHandle window, Point& p) {
    POINT pt{p.x, p.y};
    if (!::ScreenToClient(H(window), &pt)) {
        return false;
    }
    p = Point{pt.x, pt.y};
    return true;
}

std::string Win32WindowServices::ClassName(WindowHandle window) {
    wchar_t name[101] = {};
    const int length = ::GetClassNameW(H(window), name, static_cast<int>(std::size(name)));
    return Narrow(std::wstring_view(name, static_cast<size_t>(length > 0 ? length : 0)));
}

std::vector<WindowHandle> Win32WindowServices::Descendants(WindowHandle window) {
    std::vector<WindowHandle> list;
    if (window != 0) {
        ::EnumChildWindows(H(window), &CollectChild, reinterpret_cast<LPARAM>(&list));
    }
    return list;
}

WindowHandle Win32WindowServices::ForegroundWindow() {
    return W(::GetForegroundWindow());
}

bool Win32WindowServices::IsShiftDown() {
    return (static_cast<unsigned short>(::GetKeyState(VK_SHIFT)) & 0x8000u) != 0;
}

void Win32WindowServices::Beep() {
    ::MessageBeep(0);
}

void Win32WindowServices::SetCapture(WindowHandle window) {
    ::SetCapture(H(window));
}

void Win32WindowServices::ReleaseCapture() {
    ::ReleaseCapture();
}

void Win32WindowServices::DrawInvertedFrame(WindowHandle window, FrameMode mode, const Rect& rect) {
    HWND hwnd = H(window);
    if (!::IsWindow(hwnd)) {
        return;
    }
    HDC dc = mode == kFrameClientRect ? ::GetDC(hwnd) : ::GetWindowDC(hwnd);
    if (dc == nullptr) {
        return;
    }
    {
        InvertingPen pen(dc, mode == kFrameClientRect ? 2 : 48);
        if (pen.Ready()) {
            ::MoveToEx(dc, rect.left, rect.top, nullptr);
            ::LineTo(dc, rect.right, rect.top);
            if (mode == kFrameClientRect) {
                ::LineTo(dc, rect.right, rect.bottom);
                ::LineTo(dc, rect.left, rect.bottom);
                ::LineTo(dc, rect.left, rect.top);
            }
        }
    }
    ::ReleaseDC(hwnd, dc);
}

void Win32WindowServices::Pause(int milliseconds) {
    if (milliseconds > 0) {
        ::Sleep(static_cast<DWORD>(milliseconds));
    }
}

}  // namespace qm::win
