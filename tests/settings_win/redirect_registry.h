// The real Win32 registry with every root moved below a scratch key of the
// current user, so that settings code runs against real keys without touching
// the machine's own; it can refuse full access to the local machine root.
#pragma once

#include <string>

#include "platform/win/registry_win.h"

namespace qm::wintest {

class RedirectRegistry : public Registry {
public:
    explicit RedirectRegistry(std::string base) : base_(std::move(base)) {}

    std::unique_ptr<RegistryKey> Open(RegistryRoot root, const std::string& path,
                                      RegistryAccess access) override {
        if (Refused(root, access)) {
            return nullptr;
        }
        return real_.Open(RegistryRoot::kCurrentUser, Map(root, path), access);
    }
    std::unique_ptr<RegistryKey> Create(RegistryRoot root, const std::string& path,
                                        RegistryAccess access) override {
        if (Refused(root, access)) {
            return nullptr;
        }
        return real_.Create(RegistryRoot::kCurrentUser, Map(root, path), access);
    }

    // Where a key of a root really lives below HKEY_CURRENT_USER.
    std::string Map(RegistryRoot root, const std::string& path) const {
        const char* name = root == RegistryRoot::kClassesRoot    ? "HKCR"
                           : root == RegistryRoot::kLocalMachine ? "HKLM"
                                                                 : "HKCU";
        return base_ + "\\" + name + "\\" + path;
    }

    bool refuseLocalMachineWrite = false;

private:
    bool Refused(RegistryRoot root, RegistryAccess access) const {
        return refuseLocalMachineWrite && root == RegistryRoot::kLocalMachine &&
               access != RegistryAccess::kRead;
    }

    std::string base_;
    RegistryWin real_;
};

}  // namespace qm::wintest
