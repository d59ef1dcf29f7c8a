#include "store/store_folder.h"

#include <algorithm>
#include <system_error>
#include <utility>

#include "store/host_file.h"

namespace qm {

namespace fs = std::filesystem;

const std::string& HostFileSnapshot::Bytes() const {
    std::lock_guard<std::mutex> lock(making_);
    if (!made_) {
        bytes_ = SerializeHostFile(tables_);
        made_ = true;
    }
    return bytes_;
}

StoreFolder::StoreFolder(fs::path directory)
    : directory_(std::move(directory)), writer_(directory_) {
    std::error_code ec;
    fs::create_directories(directory_, ec);
}

StoreFolder::~StoreFolder() {
    writer_.Settle();
}

fs::path StoreFolder::PathOf(const std::string& fileName) const {
    return directory_ / PathFromText(fileName);
}

bool StoreFolder::Read(const std::string& fileName, std::string& bytes) const {
    const fs::path path = PathOf(fileName);
    if (const auto pending = writer_.Pending(path)) {
        bytes.assign(pending->Bytes());
        return true;
    }
    return ReadWholeFile(path, bytes);
}

bool StoreFolder::IsFile(const std::string& fileName) const {
    const fs::path path = PathOf(fileName);
    if (writer_.Pending(path)) {
        return true;
    }
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

bool StoreFolder::Exists(const std::string& fileName) const {
    const fs::path path = PathOf(fileName);
    if (writer_.Pending(path)) {
        return true;
    }
    std::error_code ec;
    return fs::exists(path, ec);
}

std::vector<std::string> StoreFolder::ListNames(bool* complete) const {
    std::vector<std::string> names;
    std::error_code ec;
    fs::directory_iterator it(directory_, ec);
    for (const fs::directory_iterator end; !ec && it != end; it.increment(ec)) {
        std::error_code typeError;
        if (!it->is_regular_file(typeError)) {
            continue;
        }
        std::string name = TextFromPath(it->path().filename());
        if (name != kTemporaryFileName) {
            names.push_back(std::move(name));
        }
    }
    if (complete != nullptr) {
        *complete = !ec;
    }
    // A file being replaced is there before, during and after the write; a
    // listing that overlaps the rename must not miss it.
    for (const fs::path& path : writer_.PendingPaths()) {
        names.push_back(TextFromPath(path.filename()));
    }
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

bool StoreFolder::Replace(const std::string& fileName, const std::string& bytes) {
    return writer_.WriteNow(PathOf(fileName), bytes);
}

void StoreFolder::ReplaceLater(const std::string& fileName, const HostFileTables& tables) {
    writer_.Post(PathOf(fileName), std::make_shared<const HostFileSnapshot>(tables));
}

bool StoreFolder::Remove(const std::string& fileName) {
    return writer_.ChangeNow([&] {
        std::error_code ec;
        fs::remove(PathOf(fileName), ec);
        return !ec;
    });
}

bool StoreFolder::Move(const std::string& from, const std::string& to) {
    return writer_.ChangeNow([&] {
        std::error_code ec;
        fs::rename(PathOf(from), PathOf(to), ec);
        return !ec;
    });
}

bool StoreFolder::Flush() {
    writer_.Settle();
    return !writer_.TakeFailure();
}

}  // namespace qm
