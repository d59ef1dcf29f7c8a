#include "tests/app_win/win_test_util.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/win/utf16_win.h"

namespace qm::wintest {

namespace {

void SendMouse(DWORD flags, LONG dx = 0, LONG dy = 0) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = dx;
    input.mi.dy = dy;
    input.mi.dwFlags = flags;
    SendInput(1, &input, sizeof(INPUT));
}

void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

}  // namespace

bool WaitFor(const std::function<bool()>& pred, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        Pump();
        if (pred()) {
            return true;
        }
        if (GetTickCount() - start >= timeoutMs) {
            return false;
        }
        Sleep(10);
    }
}

HWND FindDialog(const char* caption, DWORD timeoutMs) {
    HWND found = nullptr;
    WaitFor(
        [&] {
            found = FindWindowA("#32770", caption);
            return found != nullptr && IsWindowVisible(found);
        },
        timeoutMs);
    return found;
}

// Absolute input at a screen point, so that every event carries its position.
void SendAt(DWORD flags, int x, int y) {
    const int w = GetSystemMetrics(SM_CXSCREEN);
    const int h = GetSystemMetrics(SM_CYSCREEN);
    SendMouse(flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, (x * 65536 + w - 1) / w,
              (y * 65536 + h - 1) / h);
}

POINT Cursor() {
    POINT p{};
    GetCursorPos(&p);
    return p;
}

void MoveCursorTo(int x, int y) {
    SendAt(0, x, y);
}

void LeftDown() {
    const POINT p = Cursor();
    SendAt(MOUSEEVENTF_LEFTDOWN, p.x, p.y);
}

void LeftUp() {
    const POINT p = Cursor();
    SendAt(MOUSEEVENTF_LEFTUP, p.x, p.y);
}

void ClickAt(int x, int y) {
    MoveCursorTo(x, y);
    WaitFor(
        [&] {
            POINT p{};
            GetCursorPos(&p);
            return std::abs(p.x - x) <= 1 && std::abs(p.y - y) <= 1;
        },
        1000);
    Sleep(50);
    SendAt(MOUSEEVENTF_LEFTDOWN, x, y);
    Sleep(50);
    SendAt(MOUSEEVENTF_LEFTUP, x, y);
    Sleep(50);
}

POINT CentreOf(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

std::string TextOf(HWND window) {
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 512);
    return qm::win::Narrow(text);
}

std::string SaveScreenshot(const std::string& name) {
    const char* dir = std::getenv("QM_SHOT_DIR");
    if (dir == nullptr || *dir == '\0') {
        return {};
    }
    const int w = GetSystemMetrics(SM_CXSCREEN);
    const int h = GetSystemMetrics(SM_CYSCREEN);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    std::string path;
    if (bitmap != nullptr) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, w, h, screen, 0, 0, SRCCOPY);
        SelectObject(memory, old);
        GdiFlush();
        const DWORD stride = static_cast<DWORD>(((w * 3) + 3) & ~3);
        const DWORD size = stride * static_cast<DWORD>(h);
        BITMAPFILEHEADER file{};
        file.bfType = 0x4D42;
        file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
        file.bfSize = file.bfOffBits + size;
        path = std::string(dir) + "\\" + name + ".bmp";
        if (FILE* f = std::fopen(path.c_str(), "wb")) {
            std::fwrite(&file, sizeof(file), 1, f);
            std::fwrite(&info.bmiHeader, sizeof(BITMAPINFOHEADER), 1, f);
            std::fwrite(bits, 1, size, f);
            std::fclose(f);
        } else {
            path.clear();
        }
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return path;
}

std::string ModuleDirectory() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string text(path);
    return text.substr(0, text.find_last_of('\\') + 1);
}

}  // namespace qm::wintest
