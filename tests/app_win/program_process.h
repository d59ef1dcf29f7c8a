// Starts a build of the program as its own process and finds its windows.
#pragma once

#include <windows.h>

#include <string>

namespace qm::wintest {

class ProgramProcess {
public:
    ProgramProcess() = default;
    ~ProgramProcess();  // ends the process if it still runs
    ProgramProcess(const ProgramProcess&) = delete;
    ProgramProcess& operator=(const ProgramProcess&) = delete;

    // exe: a file name beside the test; arguments appended to the command line.
    bool Start(const std::string& exe, const std::string& arguments = std::string());
    // The same for a program anywhere: its full path, UTF-8.
    bool StartPath(const std::string& path, const std::string& arguments = std::string());
    bool Running() const;
    // Waits for the process to end; its exit code, or -2 on time-out.
    long WaitExit(DWORD timeoutMs);
    // The process's visible top-level dialog without a caption (the bin
    // window), waiting up to timeoutMs; null when none.
    HWND WaitBinWindow(DWORD timeoutMs) const;
    // A visible top-level window of the process with this class and caption.
    HWND FindTopLevel(const char* className, const char* caption) const;
    DWORD Id() const { return info_.dwProcessId; }

private:
    PROCESS_INFORMATION info_{};
};

// Registry presets of the program's settings under HKLM\Software\Quillmoor;
// the earlier values come back when the object goes.
class SettingsPreset {
public:
    SettingsPreset();
    ~SettingsPreset();
    SettingsPreset(const SettingsPreset&) = delete;
    SettingsPreset& operator=(const SettingsPreset&) = delete;
    bool Set(const char* name, DWORD value);
    bool Get(const char* name, DWORD& value) const;

private:
    struct Saved {
        std::string name;
        bool existed;
        DWORD value;
    };
    HKEY key_ = nullptr;
    Saved saved_[16]{};
    int count_ = 0;
};

}  // namespace qm::wintest
