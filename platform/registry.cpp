#include "platform/registry.h"

namespace qm {

std::optional<std::string> ReadClassesRootDefault(Registry& registry, const std::string& path,
                                                  std::size_t maxChars) {
    std::unique_ptr<RegistryKey> key =
        registry.Open(RegistryRoot::kClassesRoot, path, RegistryAccess::kRead);
    if (!key) {
        return std::nullopt;
    }
    return key->ReadString("", maxChars);
}

}  // namespace qm
