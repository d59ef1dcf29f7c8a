// Quillmoor.Dll: a system-wide mouse hook that reports left-button presses,
// releases and drags in every process to one window of the program.
//
// The hook procedure runs inside every process that receives mouse input, so
// it allocates nothing and calls nothing but one key-state query, at most one
// post and the chain call.
#include "hook/quillmoor_dll.h"

namespace {

// Per process: this library's module handle, set on process attach.
HINSTANCE g_module = nullptr;

}  // namespace

// Shared by every process that maps the library: one copy, zero-initialised.
#if defined(_MSC_VER)
#pragma data_seg("Shared")
HHOOK g_hook = nullptr;
HWND g_target = nullptr;
#pragma data_seg()
#pragma comment(linker, "/SECTION:Shared,RWS")
#else
__attribute__((section("Shared"), shared)) HHOOK g_hook = nullptr;
__attribute__((section("Shared"), shared)) HWND g_target = nullptr;
#endif

namespace {

LRESULT CALLBACK MouseHookProc(int code, WPARAM message, LPARAM info) {
    if (code == HC_ACTION) {
        UINT post = 0;
        switch (message) {
            case WM_LBUTTONDOWN:
            case WM_NCLBUTTONDOWN:
                post = qm::WM_HOOK_LBUTTONDOWN;
                break;
            case WM_LBUTTONUP:
            case WM_NCLBUTTONUP:
                post = qm::WM_HOOK_LBUTTONUP;
                break;
            case WM_MOUSEMOVE:
                if (GetKeyState(VK_LBUTTON) & 0x8000) {
                    post = qm::WM_HOOK_MOUSEMOVE;
                }
                break;
            default:
                break;
        }
        if (post != 0) {
            const auto* mouse = reinterpret_cast<const MOUSEHOOKSTRUCT*>(info);
            PostMessageA(g_target, post, reinterpret_cast<WPARAM>(mouse->hwnd),
                         static_cast<LPARAM>(qm::PackHookPoint(mouse->pt.x, mouse->pt.y)));
        }
    }
    return CallNextHookEx(g_hook, code, message, info);
}

}  // namespace

QUILLMOOR_DLL_API int InvokeQuillmoorDll(HWND target) {
    if (target != nullptr) {
        g_target = target;
        g_hook = SetWindowsHookExA(WH_MOUSE, MouseHookProc, g_module, 0);
        return g_hook != nullptr ? 1 : 0;
    }
    return UnhookWindowsHookEx(g_hook) ? 1 : 0;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
    }
    return TRUE;
}
