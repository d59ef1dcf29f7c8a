// The process-launch port: start a command line without waiting, or ask the
// shell to open an address. The Win32 implementation is in win/.
#pragma once

#include <string>

namespace qm {

constexpr int kShowNormal = 1;  // SW_SHOWNORMAL
constexpr int kShow = 5;        // SW_SHOW

class Launcher {
public:
    virtual ~Launcher() = default;
    // Starts commandLine with the show state; does not wait. True when started.
    virtual bool Start(const std::string& commandLine, int showState) = 0;
    // Asks the shell to open an address or document. True when it did.
    virtual bool Open(const std::string& address, int showState) = 0;
};

}  // namespace qm
