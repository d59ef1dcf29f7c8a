// A small program for the launcher tests. It writes one line to the file named
// by its first argument (or launch_probe_open.txt beside itself when it has
// none): its argument count, the show state it was started with and its first
// argument in UTF-8; then it stays alive for a moment so that a waiting start
// would show. Its command line and file names are read and used as UTF-16,
// so any letters reach it unchanged.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>

#include "platform/win/utf16_win.h"

int main() {
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv == nullptr) {
        return 1;
    }
    std::wstring target;
    if (argc > 1) {
        target = argv[1];
    } else {
        wchar_t path[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, path, MAX_PATH);
        target = path;
        target = target.substr(0, target.find_last_of(L'\\') + 1) + L"launch_probe_open.txt";
    }
    const std::string argument = argc > 1 ? qm::win::Narrow(argv[1]) : std::string();
    LocalFree(argv);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    GetStartupInfoW(&startup);
    int show = (startup.dwFlags & STARTF_USESHOWWINDOW) != 0 ? startup.wShowWindow : -1;

    std::wstring temp = target + L".part";
    FILE* file = _wfopen(temp.c_str(), L"wb");
    if (file == nullptr) {
        return 1;
    }
    std::fprintf(file, "argc=%d show=%d arg=%s\n", argc, show, argument.c_str());
    std::fclose(file);
    // Appears whole or not at all.
    MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING);
    Sleep(3000);
    return 0;
}
