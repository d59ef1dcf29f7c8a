#include "app/win/topmost_win.h"

#include <windows.h>

#include <vector>

namespace qm::win {

void RaiseTopMostWindows() {
    std::vector<HWND> topMost;
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND window, LPARAM data) {
            if (::IsWindowVisible(window) &&
                (::GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0) {
                reinterpret_cast<std::vector<HWND>*>(data)->push_back(window);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&topMost));
    for (HWND window : topMost) {
        // Moving it within its band makes the system restack it even when
        // its place in the list did not change.
        ::SetWindowPos(window, HWND_BOTTOM, 0, 0, 0, 0,
                       SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
        ::SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0,
                       SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
    }
}

}  // namespace qm::win
