// Which host files the data directory holds, grouped by domain key, kept in
// memory so that a query does not list the whole directory. The store tells
// the index about its own writes; changes made behind its back (another
// instance, a user copying files, a synchronised folder) are noticed by the
// directory's modification time, with a full listing whenever that time is
// too recent to be trusted, and at least every ten seconds anyway (folders
// whose time does not move). The store's own writes need no listing; a change
// that shares the clock tick of one of them is caught by one listing made as
// soon as that tick is safely in the past.
#pragma once

#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

namespace qm {

class HostFileIndex {
public:
    explicit HostFileIndex(std::filesystem::path directory);

    // Host file names whose host key has this domain key, in name order.
    // Brings the index up to date first when the directory may have changed.
    const std::vector<std::string>& FilesOfDomain(const std::string& domain);
    // The store is about to write or delete a host file itself, and then did.
    // When nothing else changed the directory before, its new time is taken
    // as the index's own and no listing follows.
    void BeforeOwnChange();
    void Added(const std::string& hostFileName, const std::string& hostKey);
    void Removed(const std::string& hostFileName);
    // The next query lists the directory again.
    void Invalidate();
    // How many full listings were made (for tests and benchmarks).
    long Listings() const { return listings_; }

private:
    using FileTime = std::filesystem::file_time_type;
    void BringUpToDate();
    void Relist();
    std::string DomainOfFile(const std::string& hostFileName);
    void Insert(const std::string& hostFileName, const std::string& domain);
    void AfterOwnChange();

    std::filesystem::path directory_;
    std::map<std::string, std::string> domainOfFile_;  // host file name to domain key
    std::unordered_map<std::string, std::vector<std::string>> filesOfDomain_;
    // Host keys of shortened names, which only their files tell.
    std::unordered_map<std::string, std::string> shortenedDomains_;
    const std::vector<std::string> none_;
    bool listed_ = false;
    bool trusted_ = false;    // the recorded time is old enough to show any later change
    bool adoptable_ = false;  // the index was current when the store's own change began
    bool confirm_ = false;    // list once confirmAt_ has come: an own change's tick is past
    std::chrono::steady_clock::time_point confirmAt_{};
    FileTime directoryTime_{};
    std::chrono::steady_clock::time_point listedAt_{};
    long listings_ = 0;
};

}  // namespace qm
