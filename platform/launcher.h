// The process-launch port: start a command line without waiting, or ask the
// shell to open an address. The Win32 implementation is in win/.
#pragma once

#include <string>

namespace qm {

// How the started program's or document's window first shows.
enum class ShowState {
    kNormal,  // restored to its normal size and position, activated
    kShow,    // as it last was, activated
};

class Launcher {
public:
    virtual ~Launcher() = default;
    // Starts commandLine with the show state; does not wait. True when started.
    virtual bool Start(const std::string& commandLine, ShowState show) = 0;
    // Asks the shell to open an address or document. True when it did.
    virtual bool Open(const std::string& address, ShowState show) = 0;
};

}  // namespace qm
