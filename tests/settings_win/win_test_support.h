// Helpers shared by the Windows tests of the registry and the launcher.
#pragma once

#include <windows.h>

#include <string>

namespace qm::wintest {

// A key of its own below HKEY_CURRENT_USER\Software, deleted when done.
class ScratchKey {
public:
    ScratchKey()
        : path_("Software\\QuillmoorTest-" + std::to_string(GetCurrentProcessId()) + "-" +
                std::to_string(GetTickCount())) {}
    ~ScratchKey() { RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str()); }
    ScratchKey(const ScratchKey&) = delete;
    ScratchKey& operator=(const ScratchKey&) = delete;

    const std::string& Path() const { return path_; }
    std::string Sub(const std::string& name) const { return path_ + "\\" + name; }

private:
    std::string path_;
};

// Writes a raw value straight through the Win32 API.
inline bool SetRawValue(const std::string& keyPath, const std::string& name, DWORD type,
                        const void* data, DWORD size) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &key, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    bool ok = RegSetValueExA(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), size) ==
              ERROR_SUCCESS;
    RegCloseKey(key);
    return ok;
}

struct RawValue {
    bool found = false;
    DWORD type = 0;
    std::string data;
};

// Reads a raw value straight through the Win32 API.
inline RawValue GetRawValue(const std::string& keyPath, const std::string& name) {
    RawValue out;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return out;
    }
    char buffer[4096];
    DWORD size = sizeof buffer;
    if (RegQueryValueExA(key, name.c_str(), nullptr, &out.type, reinterpret_cast<BYTE*>(buffer),
                         &size) == ERROR_SUCCESS) {
        out.found = true;
        out.data.assign(buffer, size);
    }
    RegCloseKey(key);
    return out;
}

// The same for wide names and texts: a REG_SZ value as the system stores it.
inline bool SetRawText(const std::wstring& keyPath, const std::wstring& name,
                       const std::wstring& text) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, keyPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &key, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    bool ok =
        RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
    RegCloseKey(key);
    return ok;
}

// A REG_SZ value read as wide text; nothing found gives found = false.
struct RawText {
    bool found = false;
    std::wstring text;
};

inline RawText GetRawText(const std::wstring& keyPath, const std::wstring& name) {
    RawText out;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return out;
    }
    wchar_t buffer[1024];
    DWORD size = sizeof buffer;
    DWORD type = 0;
    if (RegQueryValueExW(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer),
                         &size) == ERROR_SUCCESS &&
        type == REG_SZ) {
        out.found = true;
        out.text.assign(buffer, size / sizeof(wchar_t));
        if (!out.text.empty() && out.text.back() == L'\0') {
            out.text.pop_back();
        }
    }
    RegCloseKey(key);
    return out;
}

}  // namespace qm::wintest
