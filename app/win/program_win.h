// The program's body: start-up, the message loop and shutdown, around the
// global application core. The browser system and the window services are
// given by the caller, so that a test build of the program runs the same body
// with a simulated browser.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "browser/browser_port.h"
#include "platform/window_services.h"

namespace qm {
class AppCore;
}

namespace qm::win {

constexpr char kInstanceMutexName[] = "Quillmoor";

struct ProgramOptions {
    // Where the host files live; empty: the program's Data folder when it is
    // writable, else Quillmoor\\Data in the user's local application data.
    std::string dataDirectory;
    // Runs once the core has started and the windows exist (test builds).
    std::function<void(AppCore&)> onStarted;
};

// Runs the program; returns the process exit code. A second instance returns
// 0 at once without touching anything.
int RunProgram(BrowserSystem& browsers, WindowServices& windows,
               const ProgramOptions& options = ProgramOptions());

// The running program's core (null before start-up and after shutdown).
AppCore* ProgramCore();

}  // namespace qm::win
