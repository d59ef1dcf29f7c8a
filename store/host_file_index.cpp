#include "store/host_file_index.h"

#include <algorithm>
#include <system_error>
#include <utility>

#include "store/address_keys.h"
#include "store/host_file.h"

namespace qm {

namespace fs = std::filesystem;

namespace {

// A directory time this close to the moment of listing may be shared by a
// later change (file systems keep coarse times: a clock tick on Linux, two
// seconds on FAT), so such a listing is repeated at the next query.
constexpr auto kUnsureWindow = std::chrono::seconds(2);
// Some folders (network shares, synchronised folders) may not move the
// directory time at all: list again at least this often.
constexpr auto kRelistPeriod = std::chrono::seconds(10);

// The host key of a host file from its first location.
bool HostKeyInFile(const std::string& bytes, std::string& hostKey) {
    std::string line = bytes.substr(0, bytes.find('\n'));
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) {
        line.pop_back();
    }
    if (line.empty() || line[0] == '-') {
        return false;
    }
    hostKey = GetHostName(line);
    return true;
}

}  // namespace

HostFileIndex::HostFileIndex(StoreFolder& folder) : folder_(folder) {}

void HostFileIndex::Invalidate() {
    listed_ = false;
}

const std::vector<std::string>& HostFileIndex::FilesOfDomain(const std::string& domain) {
    BringUpToDate();
    const auto it = filesOfDomain_.find(domain);
    return it == filesOfDomain_.end() ? none_ : it->second;
}

void HostFileIndex::BringUpToDate() {
    const auto now = std::chrono::steady_clock::now();
    const FolderObservation seen = folder_.Observe();
    const bool adopted = AdoptOwnChanges(seen);
    if (!adopted || !listed_ || !trusted_ || now - listedAt_ >= kRelistPeriod ||
        (confirm_ && now >= confirmAt_)) {
        Relist(seen);
        return;
    }
    if (seen.writing != 0) {
        // The store's own write is under way: its change is taken as the
        // index's once it is done, or shows a change from outside then.
        return;
    }
    if (!seen.timeKnown || seen.time != directoryTime_) {
        Relist(seen);
    }
}

bool HostFileIndex::AdoptOwnChanges(const FolderObservation& seen) {
    bool adopted = !seen.changesLost;
    for (const OwnChange& change : seen.changes) {
        // A change that began while the directory still had the recorded time
        // (or while the last listing was made) is the only one since.
        if (!adopted || !listed_ || !trusted_ || !change.timesKnown ||
            (change.before != directoryTime_ && change.number > adoptThrough_)) {
            adopted = false;
            continue;
        }
        directoryTime_ = change.after;
        // Another change in the same tick would leave this time as it is.
        confirm_ = true;
        confirmAt_ = change.done + kUnsureWindow;
    }
    return adopted;
}

void HostFileIndex::Relist(const FolderObservation& seen) {
    ++listings_;
    confirm_ = false;
    domainOfFile_.clear();
    filesOfDomain_.clear();
    listed_ = true;
    listedAt_ = std::chrono::steady_clock::now();
    // The time was read before the listing: a change made while listing
    // moves it on and is seen at the next query. A write of the store's own
    // under way then is part of what the listing shows.
    const FileTime listingTime = FileTime::clock::now();
    directoryTime_ = seen.time;
    adoptThrough_ = seen.writing;
    trusted_ = seen.timeKnown && listingTime - directoryTime_ >= kUnsureWindow;
    bool complete = true;
    std::vector<std::string> names = folder_.ListNames(&complete);
    trusted_ = trusted_ && complete;
    for (std::string& name : names) {
        if (!IsHostFileName(name)) {
            continue;
        }
        std::string domain = DomainOfFile(name);
        if (!domain.empty()) {
            filesOfDomain_[domain].push_back(name);
            domainOfFile_.emplace(std::move(name), std::move(domain));
        }
    }
    for (auto& [domain, files] : filesOfDomain_) {
        std::sort(files.begin(), files.end());
    }
}

std::string HostFileIndex::DomainOfFile(const std::string& hostFileName) {
    if (!IsShortenedHostFileName(hostFileName)) {
        return DomainOfHostKey(HostKeyOfFileName(hostFileName.substr(0, hostFileName.size() - 4)));
    }
    // The hash in the name stands for the whole host key, so the key read
    // once from the file holds as long as the name does.
    const auto known = shortenedDomains_.find(hostFileName);
    if (known != shortenedDomains_.end()) {
        return known->second;
    }
    std::string bytes;
    std::string hostKey;
    if (!folder_.Read(hostFileName, bytes) || !HostKeyInFile(bytes, hostKey) ||
        HostFileNameOfKey(hostKey) != hostFileName) {
        return std::string();
    }
    std::string domain = DomainOfHostKey(hostKey);
    shortenedDomains_.emplace(hostFileName, domain);
    return domain;
}

void HostFileIndex::Insert(const std::string& hostFileName, const std::string& domain) {
    const auto [it, inserted] = domainOfFile_.emplace(hostFileName, domain);
    if (!inserted) {
        return;
    }
    std::vector<std::string>& files = filesOfDomain_[domain];
    files.insert(std::upper_bound(files.begin(), files.end(), hostFileName), hostFileName);
}

void HostFileIndex::Added(const std::string& hostFileName, const std::string& hostKey) {
    if (!listed_) {
        return;
    }
    const std::string domain = DomainOfHostKey(hostKey);
    if (IsShortenedHostFileName(hostFileName)) {
        shortenedDomains_.emplace(hostFileName, domain);
    }
    Insert(hostFileName, domain);
}

void HostFileIndex::Removed(const std::string& hostFileName) {
    const auto it = domainOfFile_.find(hostFileName);
    if (it == domainOfFile_.end()) {
        return;
    }
    std::vector<std::string>& files = filesOfDomain_[it->second];
    const auto at = std::lower_bound(files.begin(), files.end(), hostFileName);
    if (at != files.end() && *at == hostFileName) {
        files.erase(at);
    }
    domainOfFile_.erase(it);
}

}  // namespace qm
