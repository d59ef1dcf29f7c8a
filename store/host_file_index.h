// Which host files the data directory holds, grouped by domain key, kept in
// memory so that a query does not list the whole directory. The store tells
// the index about its own writes; changes made behind its back (another
// instance, a user copying files, a synchronised folder) are noticed by the
// directory's modification time, with a full listing whenever that time is
// too recent to be trusted, and at least every ten seconds anyway (folders
// whose time does not move). The store's own changes, made now or later by
// its background writer, need no listing: the folder logs each with the
// directory's time before and after it. A change that shares the clock tick
// of one of them is caught by one listing made as soon as that tick is
// safely in the past.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "store/store_folder.h"

namespace qm {

class HostFileIndex {
public:
    explicit HostFileIndex(StoreFolder& folder);

    // Host file names whose host key has this domain key, in name order.
    // Brings the index up to date first when the directory may have changed.
    const std::vector<std::string>& FilesOfDomain(const std::string& domain);
    // The store wrote (or queued the write of) a host file, or deleted one.
    void Added(const std::string& hostFileName, const std::string& hostKey);
    void Removed(const std::string& hostFileName);
    // The next query lists the directory again.
    void Invalidate();
    // How many full listings were made (for tests and benchmarks).
    long Listings() const { return listings_; }

private:
    using FileTime = std::filesystem::file_time_type;
    void BringUpToDate();
    // Takes the store's own changes as the index's; false when one of them
    // followed a change from outside.
    bool AdoptOwnChanges(const FolderObservation& seen);
    void Relist(const FolderObservation& seen);
    std::string DomainOfFile(const std::string& hostFileName);
    void Insert(const std::string& hostFileName, const std::string& domain);

    StoreFolder& folder_;
    std::map<std::string, std::string> domainOfFile_;  // host file name to domain key
    std::unordered_map<std::string, std::vector<std::string>> filesOfDomain_;
    // Host keys of shortened names, which only their files tell.
    std::unordered_map<std::string, std::string> shortenedDomains_;
    const std::vector<std::string> none_;
    bool listed_ = false;
    bool trusted_ = false;    // the recorded time is old enough to show any later change
    std::uint64_t adoptThrough_ = 0;  // own changes under way while listing are the index's
    bool confirm_ = false;    // list once confirmAt_ has come: an own change's tick is past
    std::chrono::steady_clock::time_point confirmAt_{};
    FileTime directoryTime_{};
    std::chrono::steady_clock::time_point listedAt_{};
    long listings_ = 0;
};

}  // namespace qm
