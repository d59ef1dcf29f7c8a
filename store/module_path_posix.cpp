// The native build's program path: the link /proc/self/exe.
#include "store/module_path.h"

#include <unistd.h>

namespace qm {

std::string GetModulePath() {
    char buffer[1025];
    ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0 || static_cast<std::size_t>(length) > sizeof buffer - 2) {
        // Unreadable, or possibly cut short: no path rather than a wrong one.
        return std::string();
    }
    return std::string(buffer, static_cast<std::size_t>(length));
}

}  // namespace qm
