// The filter store: one host file per web server in the data directory, one
// host file loaded at a time, every change written before the call returns.
// Portable: no platform headers.
//
// The operations below are the interface the rest of the program relies on;
// their names and signatures are fixed. Private helpers may be added freely.
#pragma once

#include <string>
#include <vector>

#include "store/filter_record.h"
#include "store/store_listener.h"

namespace qm {

constexpr int kMaxLocations = 511;
constexpr int kMaxRecords = 2047;
constexpr int kMaxUndo = 64;

class FilterStore {
public:
    // dataDirectory: the directory that holds the host files (created if
    // missing); leftover undo files in it are deleted.
    explicit FilterStore(std::string dataDirectory);
    virtual ~FilterStore();
    FilterStore(const FilterStore&) = delete;
    FilterStore& operator=(const FilterStore&) = delete;

    void SetListener(StoreListener* listener);
    const std::string& DataDirectory() const;

    // Host files.
    int SelectHostFile(const std::string& hostFileName);
    int HostFileExists(const std::string& hostFileName) const;
    int FindLocation(const std::string& url) const;
    int FindSameFilter(int location, const std::string& type, const std::string& name) const;

    // Filters (1 success, 0 failure unless said).
    int AddFilter(const std::string& url, FilterRecord& record);
    int RestoreFilter(const std::string& hostFileName, int index);
    // Copies the filters that apply to url into list; returns the count.
    int FiltersForUrl(const std::string& url, FilterRecord* list, int capacity);
    // Writes back the hit times and source indexes of a tracker's list.
    int SaveHits(FilterRecord* list, int count);

    // Undo, restore of whole host files, expiry.
    int GetUndoCount() const;
    int Undo();
    int RestoreHostFiles(const std::string& pattern);
    int BringBackUndoFiles(const std::string& pattern);
    int DeleteExpired(int days);

    // Explorer operations are declared in the explorer-facing part of the store.
};

}  // namespace qm
