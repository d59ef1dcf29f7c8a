// The registry port: keys under the classes root, the local machine or the
// current user, opened or created with an access level, holding text and
// 32-bit values. The Win32 implementation is in win/; MemoryRegistry
// (registry_memory.h) serves the tests.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace qm {

enum class RegistryRoot {
    kClassesRoot,   // HKEY_CLASSES_ROOT
    kCurrentUser,   // HKEY_CURRENT_USER
    kLocalMachine,  // HKEY_LOCAL_MACHINE
};

enum class RegistryAccess {
    kRead,   // KEY_READ
    kWrite,  // KEY_WRITE
    kAll,    // KEY_ALL_ACCESS
};

// Texts read from the registry longer than this are refused unless the caller
// asks for another limit.
constexpr std::size_t kRegistryTextLimit = 4095;

// An open key; closed when destroyed. Value name "" is the key's default value.
class RegistryKey {
public:
    virtual ~RegistryKey() = default;
    // A text value (REG_SZ or REG_EXPAND_SZ, returned as stored) of at most
    // maxChars characters; nothing when missing, of another type, too long or
    // when the key was not opened for reading.
    virtual std::optional<std::string> ReadString(const std::string& name,
                                                  std::size_t maxChars = kRegistryTextLimit) = 0;
    // A 32-bit value: any value whose data is exactly 4 bytes, whatever its
    // registry type (little-endian). Nothing when missing or of another size.
    virtual std::optional<std::uint32_t> ReadDword(const std::string& name) = 0;
    // Writes REG_SZ with its terminating zero counted; true when written.
    virtual bool WriteString(const std::string& name, const std::string& value) = 0;
    // Writes REG_DWORD (4 bytes); true when written.
    virtual bool WriteDword(const std::string& name, std::uint32_t value) = 0;
};

class Registry {
public:
    virtual ~Registry() = default;
    // Opens an existing key; nullptr when it is missing or the access is refused.
    virtual std::unique_ptr<RegistryKey> Open(RegistryRoot root, const std::string& path,
                                              RegistryAccess access) = 0;
    // Opens the key, creating it (and missing parents) when needed; nullptr on failure.
    virtual std::unique_ptr<RegistryKey> Create(RegistryRoot root, const std::string& path,
                                                RegistryAccess access) = 0;
};

// The default value of a key under the classes root, read with read access;
// nothing when the key or value cannot be read or is longer than maxChars.
std::optional<std::string> ReadClassesRootDefault(Registry& registry, const std::string& path,
                                                  std::size_t maxChars);

}  // namespace qm
