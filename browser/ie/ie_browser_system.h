// The Internet Explorer connection of the browser port: the shell's window
// collection as a local COM server. Needs COM initialised on the calling
// (user-interface) thread. Windows only; includes no platform headers.
#pragma once

#include <memory>

#include "browser/browser_port.h"

namespace qm::ie {

class IeBrowserSystem final : public BrowserSystem {
public:
    // Creates ShellWindows ({9BA05972-F6A8-11CF-A442-00A0C90A8F39}) as a local
    // server asking for IShellWindows; null when that fails.
    std::unique_ptr<ShellWindows> ConnectShellWindows() override;
};

}  // namespace qm::ie
