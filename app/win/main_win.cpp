// Entry point of Quillmoor.exe.
#include <windows.h>

#include "hook/quillmoor_dll.h"

namespace {

constexpr char kBinClass[] = "QuillmoorBin";

LRESULT CALLBACK BinProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CLOSE:
            DestroyWindow(window);
            return 0;
        case WM_DESTROY:
            if (InvokeQuillmoorDll(nullptr) == 0) {
                ExitProcess(static_cast<UINT>(-1));
            }
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    // Single instance: a second start ends at once, silently.
    CreateMutexA(nullptr, TRUE, "Quillmoor");
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        return 0;
    }

    WNDCLASSA wc{};
    wc.lpfnWndProc = BinProc;
    wc.hInstance = instance;
    wc.lpszClassName = kBinClass;
    if (!RegisterClassA(&wc)) {
        return 1;
    }
    HWND bin = CreateWindowExA(WS_EX_TOOLWINDOW, kBinClass, "", WS_POPUP, 500, 0, 32, 32, nullptr,
                               nullptr, instance, nullptr);
    if (bin == nullptr) {
        return 1;
    }
    if (InvokeQuillmoorDll(bin) == 0) {
        ExitProcess(static_cast<UINT>(-1));
    }

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}
