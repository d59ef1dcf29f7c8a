// A browser system that finds no browser: the program runs with it when no
// browser adapter is built in. Portable.
#pragma once

#include "browser/browser_port.h"

namespace qm::win {

class NullBrowserSystem : public BrowserSystem {
public:
    std::unique_ptr<ShellWindows> ConnectShellWindows() override { return nullptr; }
};

}  // namespace qm::win
