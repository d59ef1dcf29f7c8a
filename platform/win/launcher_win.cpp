#include "platform/win/launcher_win.h"

#include <windows.h>
#include <shellapi.h>

#include <string>

#include "platform/win/utf16_win.h"

namespace qm {

namespace {

int ShowCommand(ShowState show) {
    return show == ShowState::kNormal ? SW_SHOWNORMAL : SW_SHOW;
}

}  // namespace

bool LauncherWin::Start(const std::string& commandLine, ShowState show) {
    if (commandLine.empty()) {
        return false;
    }
    // CreateProcessW may write into the command line it is given.
    std::wstring line = win::Widen(commandLine);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(ShowCommand(show));
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return false;
    }
    // Not waited for: the handles are only closed.
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

bool LauncherWin::Open(const std::string& address, ShowState show) {
    if (address.empty()) {
        return false;
    }
    const std::wstring target = win::Widen(address);
    HINSTANCE result =
        ShellExecuteW(nullptr, L"open", target.c_str(), nullptr, nullptr, ShowCommand(show));
    return reinterpret_cast<INT_PTR>(result) > 32;
}

}  // namespace qm
