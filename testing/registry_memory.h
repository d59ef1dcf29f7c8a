// An in-memory registry for tests: keys and typed values, with switches that
// make opening, creating or writing fail the way a locked-down system does,
// and a log of every call in order.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/registry.h"

namespace qm {

// The kinds of value the in-memory registry keeps, as the real one tells them apart.
enum class RegistryType : std::uint32_t { kNone, kString, kExpandString, kBinary, kDword, kQword };

class MemoryRegistry : public Registry {
public:
    struct Value {
        RegistryType type = RegistryType::kNone;
        std::vector<std::uint8_t> data;
    };

    std::unique_ptr<RegistryKey> Open(RegistryRoot root, const std::string& path,
                                      RegistryAccess access) override;
    std::unique_ptr<RegistryKey> Create(RegistryRoot root, const std::string& path,
                                        RegistryAccess access) override;

    // Direct access for setting up and checking; key paths and value names
    // compare without regard to case, as the system's do.
    void AddKey(RegistryRoot root, const std::string& path);
    bool HasKey(RegistryRoot root, const std::string& path) const;
    void SetRaw(RegistryRoot root, const std::string& path, const std::string& name,
                RegistryType type, std::vector<std::uint8_t> data);
    void SetString(RegistryRoot root, const std::string& path, const std::string& name,
                   const std::string& value);
    void SetDword(RegistryRoot root, const std::string& path, const std::string& name,
                  std::uint32_t value);
    std::optional<Value> Get(RegistryRoot root, const std::string& path,
                             const std::string& name) const;
    // The text of a REG_SZ value without its terminating zero; nothing otherwise.
    std::optional<std::string> GetString(RegistryRoot root, const std::string& path,
                                         const std::string& name) const;
    std::optional<std::uint32_t> GetDword(RegistryRoot root, const std::string& path,
                                          const std::string& name) const;
    std::size_t ValueCount(RegistryRoot root, const std::string& path) const;

    // Switches. Refusing an access level refuses it for Open and Create alike;
    // kAll is also refused when kWrite is.
    void RefuseAccess(RegistryRoot root, RegistryAccess access) { refused_.insert({root, access}); }
    void RefuseCreate(RegistryRoot root) { refusedCreate_.insert(root); }
    void FailWrites(RegistryRoot root) { failedWrites_.insert(root); }
    void FailReads(RegistryRoot root) { failedReads_.insert(root); }

    // Every call made through the port, e.g. "open HKLM Software\Quillmoor all ok",
    // "read HKLM Software\Quillmoor bAutoStarup", "write HKCU ... nExpireDays".
    const std::vector<std::string>& Log() const { return log_; }
    void ClearLog() { log_.clear(); }

private:
    class Key;
    struct KeyData {
        std::map<std::string, std::pair<std::string, Value>>
            values;  // folded name -> (name, value)
    };
    using KeyId = std::pair<RegistryRoot, std::string>;  // root, folded path

    static KeyId IdOf(RegistryRoot root, const std::string& path);
    bool Refused(RegistryRoot root, RegistryAccess access) const;
    std::unique_ptr<RegistryKey> MakeKey(RegistryRoot root, const std::string& path,
                                         RegistryAccess access);
    void Note(std::string entry) { log_.push_back(std::move(entry)); }

    std::map<KeyId, KeyData> keys_;
    std::set<std::pair<RegistryRoot, RegistryAccess>> refused_;
    std::set<RegistryRoot> refusedCreate_;
    std::set<RegistryRoot> failedWrites_;
    std::set<RegistryRoot> failedReads_;
    std::vector<std::string> log_;
};

// "HKCR", "HKCU" or "HKLM".
const char* RegistryRootName(RegistryRoot root);

}  // namespace qm
