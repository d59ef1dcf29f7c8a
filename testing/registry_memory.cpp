#include "testing/registry_memory.h"

#include <cstring>

namespace qm {

namespace {

std::string Fold(const std::string& text) {
    std::string out = text;
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
}

// Key paths compare without surrounding or doubled backslashes.
std::string FoldPath(const std::string& path) {
    std::string out;
    for (char c : Fold(path)) {
        if (c == '\\' && (out.empty() || out.back() == '\\')) {
            continue;
        }
        out.push_back(c);
    }
    if (!out.empty() && out.back() == '\\') {
        out.pop_back();
    }
    return out;
}

const char* AccessName(RegistryAccess access) {
    switch (access) {
        case RegistryAccess::kRead:
            return "read";
        case RegistryAccess::kWrite:
            return "write";
        case RegistryAccess::kAll:
            return "all";
    }
    return "?";
}

bool CanRead(RegistryAccess access) {
    return access != RegistryAccess::kWrite;
}
bool CanWrite(RegistryAccess access) {
    return access != RegistryAccess::kRead;
}

}  // namespace

const char* RegistryRootName(RegistryRoot root) {
    switch (root) {
        case RegistryRoot::kClassesRoot:
            return "HKCR";
        case RegistryRoot::kCurrentUser:
            return "HKCU";
        case RegistryRoot::kLocalMachine:
            return "HKLM";
    }
    return "?";
}

class MemoryRegistry::Key : public RegistryKey {
public:
    Key(MemoryRegistry& owner, RegistryRoot root, std::string path, RegistryAccess access)
        : owner_(owner), root_(root), path_(std::move(path)), access_(access) {}

    std::optional<std::string> ReadString(const std::string& name, std::size_t maxChars) override {
        std::optional<Value> value = ReadValue(name);
        if (!value || (value->type != RegistryType::kString && value->type != RegistryType::kExpandString)) {
            return std::nullopt;
        }
        std::string text(value->data.begin(), value->data.end());
        // Stored with or without terminating zeros; the text ends at the first.
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
        std::optional<Value> value = ReadValue(name);
        if (!value || value->data.size() != 4) {
            return std::nullopt;
        }
        return static_cast<std::uint32_t>(value->data[0]) |
               static_cast<std::uint32_t>(value->data[1]) << 8 |
               static_cast<std::uint32_t>(value->data[2]) << 16 |
               static_cast<std::uint32_t>(value->data[3]) << 24;
    }

    bool WriteString(const std::string& name, const std::string& value) override {
        std::vector<std::uint8_t> data(value.begin(), value.end());
        data.push_back(0);
        return WriteValue(name, RegistryType::kString, std::move(data));
    }

    bool WriteDword(const std::string& name, std::uint32_t value) override {
        std::vector<std::uint8_t> data = {
            static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
        return WriteValue(name, RegistryType::kDword, std::move(data));
    }

private:
    std::string Where(const std::string& name) const {
        return std::string(RegistryRootName(root_)) + " " + path_ + " " + name;
    }

    std::optional<Value> ReadValue(const std::string& name) {
        owner_.Note("read " + Where(name));
        if (!CanRead(access_) || owner_.failedReads_.count(root_) != 0) {
            return std::nullopt;
        }
        return owner_.Get(root_, path_, name);
    }

    bool WriteValue(const std::string& name, RegistryType type, std::vector<std::uint8_t> data) {
        owner_.Note("write " + Where(name));
        if (!CanWrite(access_) || owner_.failedWrites_.count(root_) != 0 ||
            !owner_.HasKey(root_, path_)) {
            return false;
        }
        owner_.SetRaw(root_, path_, name, type, std::move(data));
        return true;
    }

    MemoryRegistry& owner_;
    RegistryRoot root_;
    std::string path_;
    RegistryAccess access_;
};

MemoryRegistry::KeyId MemoryRegistry::IdOf(RegistryRoot root, const std::string& path) {
    return {root, FoldPath(path)};
}

bool MemoryRegistry::Refused(RegistryRoot root, RegistryAccess access) const {
    if (refused_.count({root, access}) != 0) {
        return true;
    }
    // Full access includes both reading and writing.
    return access == RegistryAccess::kAll && (refused_.count({root, RegistryAccess::kWrite}) != 0 ||
                                              refused_.count({root, RegistryAccess::kRead}) != 0);
}

std::unique_ptr<RegistryKey> MemoryRegistry::MakeKey(RegistryRoot root, const std::string& path,
                                                     RegistryAccess access) {
    return std::make_unique<Key>(*this, root, path, access);
}

std::unique_ptr<RegistryKey> MemoryRegistry::Open(RegistryRoot root, const std::string& path,
                                                  RegistryAccess access) {
    std::string entry =
        std::string("open ") + RegistryRootName(root) + " " + path + " " + AccessName(access);
    if (!HasKey(root, path) || Refused(root, access)) {
        Note(entry + " failed");
        return nullptr;
    }
    Note(entry + " ok");
    return MakeKey(root, path, access);
}

std::unique_ptr<RegistryKey> MemoryRegistry::Create(RegistryRoot root, const std::string& path,
                                                    RegistryAccess access) {
    std::string entry =
        std::string("create ") + RegistryRootName(root) + " " + path + " " + AccessName(access);
    if (Refused(root, access) || (!HasKey(root, path) && refusedCreate_.count(root) != 0) ||
        FoldPath(path).empty()) {
        Note(entry + " failed");
        return nullptr;
    }
    AddKey(root, path);
    Note(entry + " ok");
    return MakeKey(root, path, access);
}

void MemoryRegistry::AddKey(RegistryRoot root, const std::string& path) {
    // Parents exist with their children, as in the system's registry.
    std::string folded = FoldPath(path);
    for (std::size_t at = folded.find('\\'); at != std::string::npos;
         at = folded.find('\\', at + 1)) {
        keys_[{root, folded.substr(0, at)}];
    }
    keys_[{root, folded}];
}

bool MemoryRegistry::HasKey(RegistryRoot root, const std::string& path) const {
    return keys_.count(IdOf(root, path)) != 0;
}

void MemoryRegistry::SetRaw(RegistryRoot root, const std::string& path, const std::string& name,
                            RegistryType type, std::vector<std::uint8_t> data) {
    AddKey(root, path);
    KeyData& key = keys_[IdOf(root, path)];
    key.values[Fold(name)] = {name, Value{type, std::move(data)}};
}

void MemoryRegistry::SetString(RegistryRoot root, const std::string& path, const std::string& name,
                               const std::string& value) {
    std::vector<std::uint8_t> data(value.begin(), value.end());
    data.push_back(0);
    SetRaw(root, path, name, RegistryType::kString, std::move(data));
}

void MemoryRegistry::SetDword(RegistryRoot root, const std::string& path, const std::string& name,
                              std::uint32_t value) {
    std::vector<std::uint8_t> data(4);
    std::memcpy(data.data(), &value, 4);
    SetRaw(root, path, name, RegistryType::kDword, std::move(data));
}

std::optional<MemoryRegistry::Value> MemoryRegistry::Get(RegistryRoot root, const std::string& path,
                                                         const std::string& name) const {
    auto key = keys_.find(IdOf(root, path));
    if (key == keys_.end()) {
        return std::nullopt;
    }
    auto value = key->second.values.find(Fold(name));
    if (value == key->second.values.end()) {
        return std::nullopt;
    }
    return value->second.second;
}

std::optional<std::string> MemoryRegistry::GetString(RegistryRoot root, const std::string& path,
                                                     const std::string& name) const {
    std::optional<Value> value = Get(root, path, name);
    if (!value || value->type != RegistryType::kString || value->data.empty() || value->data.back() != 0) {
        return std::nullopt;
    }
    return std::string(value->data.begin(), value->data.end() - 1);
}

std::optional<std::uint32_t> MemoryRegistry::GetDword(RegistryRoot root, const std::string& path,
                                                      const std::string& name) const {
    std::optional<Value> value = Get(root, path, name);
    if (!value || value->type != RegistryType::kDword || value->data.size() != 4) {
        return std::nullopt;
    }
    std::uint32_t out = 0;
    std::memcpy(&out, value->data.data(), 4);
    return out;
}

std::size_t MemoryRegistry::ValueCount(RegistryRoot root, const std::string& path) const {
    auto key = keys_.find(IdOf(root, path));
    return key == keys_.end() ? 0 : key->second.values.size();
}

}  // namespace qm
