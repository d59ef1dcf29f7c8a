#include "tests/app_win/program_process.h"

#include "platform/win/utf16_win.h"
#include "tests/app_win/win_test_util.h"

namespace qm::wintest {

namespace {

struct Search {
    DWORD processId;
    const char* className;
    const char* caption;
    HWND found;
};

BOOL CALLBACK FindInProcess(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<Search*>(data);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != search->processId || !IsWindowVisible(window)) {
        return TRUE;
    }
    char cls[64] = {};
    GetClassNameA(window, cls, sizeof(cls));
    if (std::string(cls) != search->className) {
        return TRUE;
    }
    if (search->caption != nullptr && TextOf(window) != search->caption) {
        return TRUE;
    }
    search->found = window;
    return FALSE;
}

}  // namespace

ProgramProcess::~ProgramProcess() {
    if (info_.hProcess != nullptr) {
        if (Running()) {
            TerminateProcess(info_.hProcess, 99);
            WaitForSingleObject(info_.hProcess, 5000);
        }
        CloseHandle(info_.hProcess);
        CloseHandle(info_.hThread);
    }
}

bool ProgramProcess::Start(const std::string& exe, const std::string& arguments) {
    return StartPath(ModuleDirectory() + exe, arguments);
}

bool ProgramProcess::StartPath(const std::string& path, const std::string& arguments) {
    if (info_.hProcess != nullptr) {
        // Started once already: only an ended process makes way for another.
        if (Running()) {
            return false;
        }
        CloseHandle(info_.hProcess);
        CloseHandle(info_.hThread);
        info_ = PROCESS_INFORMATION{};
    }
    std::string command = "\"" + path + "\"";
    if (!arguments.empty()) {
        command += " " + arguments;
    }
    std::wstring wide = win::Widen(command);
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    return CreateProcessW(nullptr, wide.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                          &info_) != 0;
}

bool ProgramProcess::Running() const {
    return info_.hProcess != nullptr && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
}

long ProgramProcess::WaitExit(DWORD timeoutMs) {
    if (info_.hProcess == nullptr) {
        return -2;
    }
    if (!WaitFor([&] { return !Running(); }, timeoutMs)) {
        return -2;
    }
    DWORD code = 0;
    GetExitCodeProcess(info_.hProcess, &code);
    return static_cast<long>(code);
}

HWND ProgramProcess::WaitBinWindow(DWORD timeoutMs) const {
    HWND bin = nullptr;
    WaitFor(
        [&] {
            bin = FindTopLevel("#32770", "");
            return bin != nullptr;
        },
        timeoutMs);
    return bin;
}

HWND ProgramProcess::FindTopLevel(const char* className, const char* caption) const {
    Search search{info_.dwProcessId, className, caption, nullptr};
    EnumWindows(&FindInProcess, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

SettingsPreset::SettingsPreset() {
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Quillmoor", 0, nullptr, 0, KEY_ALL_ACCESS,
                    nullptr, &key_, nullptr);
}

SettingsPreset::~SettingsPreset() {
    if (key_ == nullptr) {
        return;
    }
    for (int i = count_ - 1; i >= 0; --i) {
        const Saved& s = saved_[i];
        if (s.existed) {
            RegSetValueExA(key_, s.name.c_str(), 0, REG_DWORD,
                           reinterpret_cast<const BYTE*>(&s.value), sizeof(DWORD));
        } else {
            RegDeleteValueA(key_, s.name.c_str());
        }
    }
    RegCloseKey(key_);
}

bool SettingsPreset::Get(const char* name, DWORD& value) const {
    DWORD size = sizeof(value);
    DWORD type = 0;
    return key_ != nullptr &&
           RegQueryValueExA(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) ==
               ERROR_SUCCESS &&
           size == sizeof(DWORD);
}

bool SettingsPreset::Set(const char* name, DWORD value) {
    if (key_ == nullptr || count_ >= 16) {
        return false;
    }
    Saved& s = saved_[count_++];
    s.name = name;
    s.existed = Get(name, s.value);
    return RegSetValueExA(key_, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                          sizeof(DWORD)) == ERROR_SUCCESS;
}

}  // namespace qm::wintest
