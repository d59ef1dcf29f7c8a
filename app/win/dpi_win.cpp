#include "app/win/dpi_win.h"

#include "app/menu_layout.h"

namespace qm::win {

namespace {

int SystemDpi() {
    HDC screen = ::GetDC(nullptr);
    const int dpi = screen != nullptr ? ::GetDeviceCaps(screen, LOGPIXELSY) : kDesignDpi;
    if (screen != nullptr) {
        ::ReleaseDC(nullptr, screen);
    }
    return dpi > 0 ? dpi : kDesignDpi;
}

// Looked up at run time: these calls exist from Windows 10 on.
template <typename Fn>
Fn User32(const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"user32.dll"), name)));
}

NONCLIENTMETRICSW MetricsForDpi(int dpi) {
    using ForDpiFn = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);
    static const auto forDpi = User32<ForDpiFn>("SystemParametersInfoForDpi");
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    if (forDpi != nullptr &&
        forDpi(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0, static_cast<UINT>(dpi))) {
        return metrics;
    }
    // Without it: the system's fonts, scaled from the system's dpi.
    metrics = NONCLIENTMETRICSW{};
    metrics.cbSize = sizeof(metrics);
    if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
        const int system = SystemDpi();
        metrics.lfMenuFont.lfHeight = ::MulDiv(metrics.lfMenuFont.lfHeight, dpi, system);
        metrics.lfMessageFont.lfHeight = ::MulDiv(metrics.lfMessageFont.lfHeight, dpi, system);
    }
    return metrics;
}

}  // namespace

int WindowDpi(HWND window) {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = User32<GetDpiForWindowFn>("GetDpiForWindow");
    if (window != nullptr && getDpiForWindow != nullptr) {
        const UINT dpi = getDpiForWindow(window);
        if (dpi != 0) {
            return static_cast<int>(dpi);
        }
    }
    return SystemDpi();
}

int ScaleForWindow(HWND window, int length) {
    return ScaleToDpi(length, WindowDpi(window));
}

int SystemMetricForDpi(int index, int dpi) {
    using ForDpiFn = int(WINAPI*)(int, UINT);
    static const auto forDpi = User32<ForDpiFn>("GetSystemMetricsForDpi");
    if (forDpi != nullptr) {
        return forDpi(index, static_cast<UINT>(dpi));
    }
    return ::MulDiv(::GetSystemMetrics(index), dpi, SystemDpi());
}

LOGFONTW MenuFontForDpi(int dpi) {
    return MetricsForDpi(dpi).lfMenuFont;
}

LOGFONTW MessageFontForDpi(int dpi) {
    return MetricsForDpi(dpi).lfMessageFont;
}

HFONT CreateScaledFont(HFONT font, int fromDpi, int toDpi) {
    LOGFONTW face{};
    if (font == nullptr || ::GetObjectW(font, sizeof(face), &face) == 0) {
        face = MessageFontForDpi(fromDpi);
    }
    if (fromDpi > 0) {
        face.lfHeight = ::MulDiv(face.lfHeight, toDpi, fromDpi);
        face.lfWidth = ::MulDiv(face.lfWidth, toDpi, fromDpi);
    }
    return ::CreateFontIndirectW(&face);
}

int DpiOfChange(WPARAM wParam) {
    const int dpi = HIWORD(wParam);
    return dpi > 0 ? dpi : kDesignDpi;
}

void MoveToSuggestedRect(HWND window, LPARAM lParam) {
    const auto* suggested = reinterpret_cast<const RECT*>(lParam);
    if (window == nullptr || suggested == nullptr) {
        return;
    }
    ::SetWindowPos(window, nullptr, suggested->left, suggested->top,
                   suggested->right - suggested->left, suggested->bottom - suggested->top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace qm::win
