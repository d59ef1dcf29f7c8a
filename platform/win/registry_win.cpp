#include "platform/win/registry_win.h"

#include <windows.h>

#include <cstring>
#include <vector>

#include "platform/win/utf16_win.h"

namespace qm {

namespace {

HKEY RootHandle(RegistryRoot root) {
    switch (root) {
        case RegistryRoot::kClassesRoot:
            return HKEY_CLASSES_ROOT;
        case RegistryRoot::kCurrentUser:
            return HKEY_CURRENT_USER;
        case RegistryRoot::kLocalMachine:
            return HKEY_LOCAL_MACHINE;
    }
    return HKEY_CURRENT_USER;
}

REGSAM Sam(RegistryAccess access) {
    switch (access) {
        case RegistryAccess::kRead:
            return KEY_READ;
        case RegistryAccess::kWrite:
            return KEY_WRITE;
        case RegistryAccess::kAll:
            return KEY_ALL_ACCESS;
    }
    return KEY_READ;
}

// Longest text read at all: a guard against absurd limits, far above any
// value this program stores or reads.
constexpr std::size_t kMaxTextRead = 1u << 20;

class KeyWin : public RegistryKey {
public:
    explicit KeyWin(HKEY key) : key_(key) {}
    ~KeyWin() override { RegCloseKey(key_); }
    KeyWin(const KeyWin&) = delete;
    KeyWin& operator=(const KeyWin&) = delete;

    std::optional<std::string> ReadString(const std::string& name, std::size_t maxChars) override {
        // Characters are the registry's own, UTF-16 units. One read into a
        // buffer with room for the text, its zero and one spare unit, so a
        // text stored without its terminating zero still fits. Longer data
        // gives ERROR_MORE_DATA and counts as unreadable.
        if (maxChars > kMaxTextRead) {
            maxChars = kMaxTextRead;
        }
        std::vector<wchar_t> buffer(maxChars + 2, L'\0');
        DWORD type = 0;
        DWORD got = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
        const std::wstring wideName = win::Widen(name);
        if (RegQueryValueExW(key_, wideName.c_str(), nullptr, &type,
                             reinterpret_cast<BYTE*>(buffer.data()), &got) != ERROR_SUCCESS ||
            (type != REG_SZ && type != REG_EXPAND_SZ) || got > buffer.size() * sizeof(wchar_t)) {
            return std::nullopt;
        }
        // An odd byte count (data not written as wide text) loses its last byte.
        std::wstring_view text(buffer.data(), got / sizeof(wchar_t));
        const std::size_t end = text.find(L'\0');
        if (end != std::wstring_view::npos) {
            text = text.substr(0, end);
        }
        if (text.size() > maxChars) {
            return std::nullopt;
        }
        return win::Narrow(text);
    }

    std::optional<std::uint32_t> ReadDword(const std::string& name) override {
        // Any value of exactly four bytes, whatever its type. A text counts in
        // its 8-bit form with its terminating zero, the form the program has
        // always read ("abc" is four bytes), not as the wide text stored.
        wchar_t buffer[16] = {};
        DWORD size = sizeof buffer;
        DWORD type = 0;
        if (RegQueryValueExW(key_, win::Widen(name).c_str(), nullptr, &type,
                             reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS ||
            size > sizeof buffer) {
            return std::nullopt;
        }
        std::string data;
        if (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ) {
            data = win::Narrow(std::wstring_view(buffer, size / sizeof(wchar_t)));
        } else {
            data.assign(reinterpret_cast<const char*>(buffer), size);
        }
        if (data.size() != 4) {
            return std::nullopt;
        }
        const auto byte = [&](std::size_t i) {
            return static_cast<std::uint32_t>(static_cast<unsigned char>(data[i]));
        };
        return byte(0) | byte(1) << 8 | byte(2) << 16 | byte(3) << 24;
    }

    bool WriteString(const std::string& name, const std::string& value) override {
        if (value.size() >= 0x3FFFFFFF) {
            return false;
        }
        const std::wstring wide = win::Widen(value);
        return RegSetValueExW(key_, win::Widen(name).c_str(), 0, REG_SZ,
                              reinterpret_cast<const BYTE*>(wide.c_str()),
                              static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t))) ==
               ERROR_SUCCESS;
    }

    bool WriteDword(const std::string& name, std::uint32_t value) override {
        DWORD data = value;
        return RegSetValueExW(key_, win::Widen(name).c_str(), 0, REG_DWORD,
                              reinterpret_cast<const BYTE*>(&data), sizeof data) == ERROR_SUCCESS;
    }

private:
    HKEY key_;
};

}  // namespace

std::unique_ptr<RegistryKey> RegistryWin::Open(RegistryRoot root, const std::string& path,
                                               RegistryAccess access) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(RootHandle(root), win::Widen(path).c_str(), 0, Sam(access), &key) !=
        ERROR_SUCCESS) {
        return nullptr;
    }
    return std::make_unique<KeyWin>(key);
}

std::unique_ptr<RegistryKey> RegistryWin::Create(RegistryRoot root, const std::string& path,
                                                 RegistryAccess access) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(RootHandle(root), win::Widen(path).c_str(), 0, nullptr,
                        REG_OPTION_NON_VOLATILE, Sam(access), nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        return nullptr;
    }
    return std::make_unique<KeyWin>(key);
}

}  // namespace qm
