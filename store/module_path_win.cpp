// The program path as the system reports it, in UTF-8.
#include <windows.h>

#include "platform/win/utf16_win.h"
#include "store/module_path.h"

namespace qm {

std::string GetModulePath() {
    wchar_t buffer[1025];
    DWORD length = GetModuleFileNameW(nullptr, buffer, 1024);
    if (length == 0 || length >= 1024) {
        // Failed, or cut short at the buffer's end: no path rather than a wrong one.
        return std::string();
    }
    return win::Narrow(std::wstring_view(buffer, length));
}

}  // namespace qm
