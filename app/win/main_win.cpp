// Entry point of Quillmoor.exe.
#include <windows.h>

#include "app/win/null_browser_system.h"
#include "app/win/program_win.h"
#include "platform/win/window_services_win.h"

#ifdef QM_HAVE_IE_BROWSER
#include "browser/ie/ie_browser_system.h"
#endif

namespace {

qm::win::Win32WindowServices gWindows;
#ifdef QM_HAVE_IE_BROWSER
qm::ie::IeBrowserSystem gBrowsers;
#else
qm::win::NullBrowserSystem gBrowsers;
#endif

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    return qm::win::RunProgram(gBrowsers, gWindows);
}
