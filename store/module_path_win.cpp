// The program path as the system reports it.
#include <windows.h>

#include "store/module_path.h"

namespace qm {

std::string GetModulePath() {
    char buffer[1025];
    DWORD length = GetModuleFileNameA(nullptr, buffer, 1024);
    if (length == 0 || length >= 1024) {
        // Failed, or cut short at the buffer's end: no path rather than a wrong one.
        return std::string();
    }
    return std::string(buffer, length);
}

}  // namespace qm
