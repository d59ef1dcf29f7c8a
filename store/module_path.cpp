#include "store/module_path.h"

namespace qm {

std::string ModuleDirectoryOf(const std::string& path, char separator) {
    std::size_t last = path.rfind(separator);
    if (last == std::string::npos) {
        return ".";
    }
    return path.substr(0, last + 1);
}

std::string GetModuleDirectory() {
    return ModuleDirectoryOf(GetModulePath());
}

}  // namespace qm
