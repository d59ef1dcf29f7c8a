#include "store/host_file_index.h"

#include <algorithm>
#include <fstream>
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

// The host key of a host file read from its first location.
bool HostKeyInFile(const fs::path& path, std::string& hostKey) {
    std::ifstream in(path, std::ios::binary);
    std::string line;
    if (!in || !std::getline(in, line)) {
        return false;
    }
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

HostFileIndex::HostFileIndex(fs::path directory) : directory_(std::move(directory)) {}

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
    if (!listed_ || !trusted_ || now - listedAt_ >= kRelistPeriod ||
        (confirm_ && now >= confirmAt_)) {
        Relist();
        return;
    }
    std::error_code ec;
    const FileTime time = fs::last_write_time(directory_, ec);
    if (ec || time != directoryTime_) {
        Relist();
    }
}

void HostFileIndex::Relist() {
    ++listings_;
    confirm_ = false;
    domainOfFile_.clear();
    filesOfDomain_.clear();
    listed_ = true;
    listedAt_ = std::chrono::steady_clock::now();
    // The time is taken before the listing: a change made while listing
    // moves it on and is seen at the next query.
    const FileTime listingTime = FileTime::clock::now();
    std::error_code ec;
    directoryTime_ = fs::last_write_time(directory_, ec);
    trusted_ = !ec && listingTime - directoryTime_ >= kUnsureWindow;
    fs::directory_iterator it(directory_, ec);
    if (ec) {
        trusted_ = false;
        return;
    }
    for (const fs::directory_iterator end; it != end; it.increment(ec)) {
        if (ec) {
            trusted_ = false;
            break;
        }
        std::string name = TextFromPath(it->path().filename());
        if (!IsHostFileName(name)) {
            continue;
        }
        std::error_code typeError;
        if (!it->is_regular_file(typeError)) {
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
    std::string hostKey;
    if (!HostKeyInFile(directory_ / PathFromText(hostFileName), hostKey) ||
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

void HostFileIndex::BeforeOwnChange() {
    adoptable_ = false;
    if (!listed_ || !trusted_) {
        return;
    }
    std::error_code ec;
    const FileTime now = fs::last_write_time(directory_, ec);
    adoptable_ = !ec && now == directoryTime_;
}

void HostFileIndex::AfterOwnChange() {
    if (!adoptable_) {
        return;  // the directory changed before: the next query lists it
    }
    adoptable_ = false;
    std::error_code ec;
    const FileTime now = fs::last_write_time(directory_, ec);
    if (ec) {
        trusted_ = false;
        return;
    }
    directoryTime_ = now;
    // Another change in the same tick would leave this time as it is.
    confirm_ = true;
    confirmAt_ = std::chrono::steady_clock::now() + kUnsureWindow;
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
    AfterOwnChange();
}

void HostFileIndex::Removed(const std::string& hostFileName) {
    const auto it = domainOfFile_.find(hostFileName);
    if (it == domainOfFile_.end()) {
        AfterOwnChange();
        return;
    }
    std::vector<std::string>& files = filesOfDomain_[it->second];
    const auto at = std::lower_bound(files.begin(), files.end(), hostFileName);
    if (at != files.end() && *at == hostFileName) {
        files.erase(at);
    }
    domainOfFile_.erase(it);
    AfterOwnChange();
}

}  // namespace qm
