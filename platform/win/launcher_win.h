// The process-launch port over CreateProcessW and ShellExecuteW.
#pragma once

#include "platform/launcher.h"

namespace qm {

class LauncherWin : public Launcher {
public:
    // Starts the command line as a new process and returns without waiting.
    bool Start(const std::string& commandLine, ShowState show) override;
    // ShellExecuteW with the "open" verb.
    bool Open(const std::string& address, ShowState show) override;
};

}  // namespace qm
