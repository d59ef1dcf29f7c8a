#include "platform/win/registry_win.h"

#include <windows.h>

#include <cstring>
#include <vector>

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
        // One read into a buffer with room for the text, its zero and one
        // spare byte, so a text stored without its terminating zero still fits.
        // (A size asked for beforehand is no guide: the 8-bit function may
        // report the size of the stored wide text.) Longer data gives
        // ERROR_MORE_DATA and counts as unreadable.
        if (maxChars > kMaxTextRead) {
            maxChars = kMaxTextRead;
        }
        std::vector<char> buffer(maxChars + 2, '\0');
        DWORD type = 0;
        DWORD got = static_cast<DWORD>(buffer.size());
        if (RegQueryValueExA(key_, name.c_str(), nullptr, &type,
                             reinterpret_cast<BYTE*>(buffer.data()), &got) != ERROR_SUCCESS ||
            (type != REG_SZ && type != REG_EXPAND_SZ) || got > buffer.size()) {
            return std::nullopt;
        }
        std::string text(buffer.data(), got);
        std::size_t end = text.find('\0');
        if (end != std::string::npos) {
            text.resize(end);
        }
        if (text.size() > maxChars) {
            return std::nullopt;
        }
        return text;
    }

    std::optional<std::uint32_t> ReadDword(const std::string& name) override {
        // The type is not looked at: any value of exactly four bytes.
        BYTE data[4] = {0, 0, 0, 0};
        DWORD size = sizeof data;
        if (RegQueryValueExA(key_, name.c_str(), nullptr, nullptr, data, &size) != ERROR_SUCCESS ||
            size != sizeof data) {
            return std::nullopt;
        }
        return static_cast<std::uint32_t>(data[0]) | static_cast<std::uint32_t>(data[1]) << 8 |
               static_cast<std::uint32_t>(data[2]) << 16 |
               static_cast<std::uint32_t>(data[3]) << 24;
    }

    bool WriteString(const std::string& name, const std::string& value) override {
        if (value.size() >= 0x7FFFFFFF) {
            return false;
        }
        return RegSetValueExA(key_, name.c_str(), 0, REG_SZ,
                              reinterpret_cast<const BYTE*>(value.c_str()),
                              static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
    }

    bool WriteDword(const std::string& name, std::uint32_t value) override {
        DWORD data = value;
        return RegSetValueExA(key_, name.c_str(), 0, REG_DWORD,
                              reinterpret_cast<const BYTE*>(&data), sizeof data) == ERROR_SUCCESS;
    }

private:
    HKEY key_;
};

}  // namespace

std::unique_ptr<RegistryKey> RegistryWin::Open(RegistryRoot root, const std::string& path,
                                               RegistryAccess access) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(RootHandle(root), path.c_str(), 0, Sam(access), &key) != ERROR_SUCCESS) {
        return nullptr;
    }
    return std::make_unique<KeyWin>(key);
}

std::unique_ptr<RegistryKey> RegistryWin::Create(RegistryRoot root, const std::string& path,
                                                 RegistryAccess access) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(RootHandle(root), path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        Sam(access), nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return nullptr;
    }
    return std::make_unique<KeyWin>(key);
}

}  // namespace qm
