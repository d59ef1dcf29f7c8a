// A small program for the launcher tests. It writes one line to the file named
// by its first argument (or launch_probe_open.txt beside itself when it has
// none): its argument count, the show state it was started with and its first
// argument; then it stays alive for a moment so that a waiting start would show.
#include <windows.h>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    std::string target;
    if (argc > 1) {
        target = argv[1];
    } else {
        char path[MAX_PATH] = {};
        GetModuleFileNameA(nullptr, path, MAX_PATH);
        target = path;
        target = target.substr(0, target.find_last_of('\\') + 1) + "launch_probe_open.txt";
    }
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    int show = (startup.dwFlags & STARTF_USESHOWWINDOW) != 0 ? startup.wShowWindow : -1;

    std::string temp = target + ".part";
    FILE* file = std::fopen(temp.c_str(), "wb");
    if (file == nullptr) {
        return 1;
    }
    std::fprintf(file, "argc=%d show=%d arg=%s\n", argc, show, argc > 1 ? argv[1] : "");
    std::fclose(file);
    // Appears whole or not at all.
    MoveFileExA(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING);
    Sleep(3000);
    return 0;
}
