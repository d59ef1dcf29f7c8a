// The registry port over the Win32 registry functions.
#pragma once

#include "platform/registry.h"

namespace qm {

class RegistryWin : public Registry {
public:
    std::unique_ptr<RegistryKey> Open(RegistryRoot root, const std::string& path,
                                      RegistryAccess access) override;
    std::unique_ptr<RegistryKey> Create(RegistryRoot root, const std::string& path,
                                        RegistryAccess access) override;
};

}  // namespace qm
