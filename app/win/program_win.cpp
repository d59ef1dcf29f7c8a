#include "app/win/program_win.h"

#include <commctrl.h>
#include <ole2.h>

#include <optional>

#include "app/app_core.h"
#include "app/win/data_folder_win.h"
#include "app/win/dialogs_win.h"
#include "app/win/main_frame_win.h"
#include "app/win/recycle_bin_dlg.h"
#include "store/module_path.h"
#include "platform/win/launcher_win.h"
#include "platform/win/registry_win.h"
#include "platform/win/utf16_win.h"

namespace qm::win {

namespace {

// The ports of the core and the core itself, in construction order; they
// live until the end of RunProgram.
RegistryWin gRegistry;
LauncherWin gLauncher;
Win32Dialogs gDialogs;
std::optional<AppCore> gCore;

// OLE for the lifetime of the program's body.
class OleSession {
public:
    OleSession() : ok_(SUCCEEDED(::OleInitialize(nullptr))) {}
    ~OleSession() {
        if (ok_) {
            ::OleUninitialize();
        }
    }
    OleSession(const OleSession&) = delete;
    OleSession& operator=(const OleSession&) = delete;
    bool Ok() const { return ok_; }

private:
    bool ok_;
};

// The named mutex that keeps the program to one instance; its handle stays
// open until the process ends.
bool TakeInstanceMutex() {
    ::CreateMutexW(nullptr, TRUE, Widen(kInstanceMutexName).c_str());
    return ::GetLastError() != ERROR_ALREADY_EXISTS;
}

int MessageLoop(HWND bin, CMainFrame& frame) {
    MSG msg;
    BOOL got;
    while ((got = ::GetMessageW(&msg, nullptr, 0, 0)) != 0) {
        if (got == -1) {
            return -1;
        }
        if (bin != nullptr && ::IsDialogMessageW(bin, &msg)) {
            continue;
        }
        if (frame.PreTranslate(msg)) {
            continue;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

}  // namespace

AppCore* ProgramCore() {
    return gCore ? &*gCore : nullptr;
}

int RunProgram(BrowserSystem& browsers, WindowServices& windows, const ProgramOptions& options) {
    OleSession ole;
    if (!ole.Ok()) {
        ::MessageBoxW(nullptr, L"OLE initialization failed.", L"Quill Moor", MB_OK | MB_ICONERROR);
        return 1;
    }
    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&controls);

    // A second instance ends here, before the core is built: building it would
    // delete the undo files of the instance that is running.
    if (!TakeInstanceMutex()) {
        return 0;
    }

    const std::string moduleDirectory = GetModuleDirectory();
    std::string dataDirectory = options.dataDirectory;
    std::string dataNotice;
    if (dataDirectory.empty()) {
        DataFolderChoice choice = ChooseProgramDataFolder();
        if (choice.directory.empty()) {
            ShowDataFolderNotice(choice.notice, true);
            return 1;
        }
        dataDirectory = choice.directory;
        dataNotice = choice.notice;
    }
    gDialogs.SetDataFolder(dataDirectory);
    gCore.emplace(AppCoreContext{dataDirectory, gRegistry, GetModulePath(), moduleDirectory,
                                 gLauncher, windows, browsers, gDialogs});
    AppCore& core = *gCore;

    int exitCode = 1;
    {
        CRecycleBinDlg bin(core);
        if (!bin.CreateAndShow()) {
            gCore.reset();
            return 1;
        }
        CMainFrame frame(core);
        if (frame.CreateHidden()) {
            core.SetMainFrame(&frame);
            core.Start();
            core.RescanWindows();
            if (options.onStarted) {
                options.onStarted(core);
            }
            if (!dataNotice.empty()) {
                ShowDataFolderNotice(dataNotice, false);
            }
            exitCode = MessageLoop(bin.CWindow::Handle(), frame);
        }
        core.SetMainFrame(nullptr);
    }
    gCore.reset();
    return exitCode;
}

}  // namespace qm::win
