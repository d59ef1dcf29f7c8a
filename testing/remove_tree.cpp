#include "testing/remove_tree.h"

#include <system_error>
#include <vector>

namespace qm {

void RemoveTree(const std::filesystem::path& root) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(root, ec);
    if (ec || !fs::exists(status)) {
        return;
    }
    if (fs::is_directory(status)) {
        std::vector<fs::path> children;
        for (fs::directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
            children.push_back(it->path());
        }
        for (const fs::path& child : children) {
            RemoveTree(child);
        }
    }
    fs::remove(root, ec);
}

}  // namespace qm
