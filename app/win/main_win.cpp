// Entry point of Quillmoor.exe.
#include <windows.h>

#include "app/app_core.h"
#include "app/win/live_browsers_win.h"
#include "app/win/program_win.h"
#include "platform/win/window_services_win.h"

#ifdef QM_HAVE_IE_BROWSER
#include "browser/ie/ie_browser_system.h"
#endif

namespace {

qm::win::Win32WindowServices gSystemWindows;
#ifdef QM_HAVE_IE_BROWSER
qm::ie::IeBrowserSystem gIe;
qm::BrowserSystem* const gIeSystem = &gIe;
#else
qm::BrowserSystem* const gIeSystem = nullptr;
#endif

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // Every browser at once: Internet Explorer's windows and a DevTools browser.
    qm::win::LiveBrowsers live(gIeSystem, gSystemWindows);
    const qm::DevToolsOptions devtools = qm::ParseDevToolsOptions(qm::win::ProgramArguments());
    qm::win::ProgramOptions options;
    options.onStarted = [&live, &devtools](qm::AppCore& core) {
        live.Start(core, reinterpret_cast<HWND>(core.Bin()->Handle()), devtools);
    };
    const int exitCode = qm::win::RunProgram(live.Browsers(), live.Windows(), options);
    return exitCode;
}
