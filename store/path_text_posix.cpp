// Paths and UTF-8 texts on POSIX systems: a path is its bytes.
#include "store/host_file.h"

namespace qm {

std::filesystem::path PathFromText(const std::string& text) {
    return std::filesystem::path(
        std::u8string(reinterpret_cast<const char8_t*>(text.data()), text.size()));
}

std::string TextFromPath(const std::filesystem::path& path) {
    const std::u8string s = path.u8string();
    return std::string(reinterpret_cast<const char*>(s.data()), s.size());
}

}  // namespace qm
