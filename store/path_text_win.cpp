// Paths and UTF-8 texts on Windows: a path is UTF-16 and is built from the
// text, never through the ANSI code page. The conversions replace what they
// cannot convert instead of throwing, as the standard library's would.
#include "platform/win/utf16_win.h"
#include "store/host_file.h"

namespace qm {

std::filesystem::path PathFromText(const std::string& text) {
    return std::filesystem::path(win::Widen(text));
}

std::string TextFromPath(const std::filesystem::path& path) {
    return win::Narrow(path.native());
}

}  // namespace qm
