// The filter store: one host file per web server in the data directory, one
// host file loaded at a time, every change of the filters written before the
// call returns. Hit times are the exception: SaveHits hands the write to a
// background writer, so that a page load never waits for the disk; every
// other access to the folder sees or waits for what is still to be written.
// Portable: no platform headers.
//
// The operations below are the interface the rest of the program relies on;
// their names and signatures are fixed. Private helpers may be added freely.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "store/explorer_model.h"
#include "store/filter_record.h"
#include "store/host_file.h"
#include "store/host_file_index.h"
#include "store/store_folder.h"
#include "store/store_listener.h"

namespace qm {


constexpr int kMaxLocations = 511;
constexpr int kMaxRecords = 2047;
constexpr int kMaxUndo = 64;

// Undo actions.
constexpr int UNDO_FILTER_RESTORED = 0;
constexpr int UNDO_FILTER_ADDED = 1;
constexpr int UNDO_FILES_MOVED = 2;

struct UndoEntry {
    int action = 0;
    std::string pageAddress;
    FilterRecord record;
};

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
    //
    // AddFilter stores record for the page url (surrounding white space and
    // any CR or LF removed; an address beginning with "-" is refused). White
    // space is removed from sName and sType, and an empty one becomes "_", so
    // that the record line keeps its eight fields. A host file that exists
    // but does not load is never overwritten: the add fails. When the file
    // cannot be written the add fails, the file keeps its old contents and
    // nothing is recorded or notified.
    int AddFilter(const std::string& url, FilterRecord& record);
    int RestoreFilter(const std::string& hostFileName, int index);
    // Copies the filters that apply to url into list; returns the count. In
    // order: the records of the page itself, then the host and domain scope
    // records of the other pages of its host file (also when the page has no
    // filter of its own), then the domain scope records of the other host
    // files whose host key has the same domain key, in file name order. A
    // host without a host file of its own still gets the last group.
    int FiltersForUrl(const std::string& url, FilterRecord* list, int capacity);
    // Writes back the hit times and source indexes of a tracker's list. The
    // tables change at once; the host files are written in the background
    // (a failed write loses only those hits: the file keeps its old
    // contents, and the next save of the file writes them again). 0 when
    // count is below 1.
    int SaveHits(FilterRecord* list, int count);
    // Returns once every background write is done; 0 when one failed since
    // the last Flush. The destructor flushes too.
    int Flush();

    // Undo, restore of whole host files, expiry. Undoing an add finds the
    // record by page address, type and name, not by the position it had.
    // Patterns name files of the data directory only, and only host and undo
    // files this store writes are moved. Moving files forgets the loaded
    // tables. Generations run 0000-9999 and then start again. Expiry keeps a
    // record whose last hit lies in the future (the clock was set back).
    int GetUndoCount() const;
    int Undo();
    int RestoreHostFiles(const std::string& pattern);
    int BringBackUndoFiles(const std::string& pattern);
    int DeleteExpired(int days);

    // Explorer operations (1 success, 0 failure).
    // Copies record index of the host file and its page address.
    int GetFilter(const std::string& hostFileName, int index, std::string& url,
                  FilterRecord& record);
    // The rows of the filter list for a host file, in record order.
    int FillFilterList(const std::string& hostFileName, std::vector<FilterListRow>& rows);
    // The location tree of every host file, in name order.
    int BuildLocationTree(LocationTree& tree);
    // What the properties sheet shows for record index of a host file, and the
    // key that finds the record again when the sheet's answer is applied.
    int GetFilterProperties(const std::string& hostFileName, int index,
                            FilterPropertiesValues& values, FilterKey& key);
    // Stores scope for the record of key (found again by what it is: other
    // operations may have moved it meanwhile). Popup filters keep their scope
    // and scopes outside page..domain change nothing (1). 0 when the record is
    // gone or the save failed.
    int SetFilterScope(const FilterKey& key, int scope);
    // Writes the record's HTML unchanged to "html.tmp" in directory; path
    // receives the file's path. 0 when the record or the directory is missing,
    // the path holds a quote or the write fails.
    int WriteFilterSource(const std::string& hostFileName, int index,
                          const std::string& directory, std::string& path);

    // Lower-level operations, also used by the undo and expiry code.
    int LoadHostFile(const std::string& hostFileName);
    int SaveHostFile(const std::string& hostFileName);
    int SaveLoaded();
    int RemoveRecordAt(int index);
    void PushUndo(int action, const std::string& pageAddress, const FilterRecord& record);
    // Deletes every file of the data directory whose name matches pattern
    // (wildcards * and ?) and that this store wrote as an undo file.
    int DeleteMatchingFiles(const std::string& pattern);

    // Read access for callers and tests.
    const std::string& LoadedHostFile() const { return loadedName_; }
    int LocationCount() const { return static_cast<int>(tables_.locations.size()); }
    int RecordCount() const { return static_cast<int>(tables_.records.size()); }
    const std::vector<UndoEntry>& UndoLog() const { return undo_; }
    int UndoGeneration() const { return undoGeneration_; }
    // How many times the data directory was listed to find host files.
    long HostFileListings() const { return index_.Listings(); }
    std::filesystem::path PathOf(const std::string& fileName) const;
    // Durable writes of host files made (background ones included), and the
    // write itself, which tests replace to hold or fail it.
    long HostFileWrites() const { return folder_.DurableWrites(); }
    void SetDurableWrite(DurableWrite write) { folder_.SetDurableWrite(std::move(write)); }

private:
    int WriteHostFile(const std::string& hostFileName, bool inBackground);
    // Names of the regular files of the data directory that match pattern,
    // sorted by name.
    std::vector<std::string> ListMatching(const std::string& pattern) const;
    bool MoveFile(const std::string& from, const std::string& to);
    void ForgetLoaded();
    void NotifyLocationChanged(const std::string& hostFileName);
    int AddDomainRecords(const std::string& url, const std::string& ownHostFile, FilterRecord* list,
                         int capacity, int count);
    int FindSameRecord(const std::string& url, const std::string& type, const std::string& name);
    // The host file name of a page address; a host file stored under the
    // full name of a long host key, before such names were shortened, is
    // renamed to its shortened name first.
    std::string HostFileOf(const std::string& url);
    // Renames a host file whose name is longer than the store now makes to
    // its shortened name; gives the name under which the file is afterwards.
    std::string ShortenStoredName(const std::string& hostFileName);

    std::string dataDirectory_;
    std::filesystem::path dataPath_;
    StoreFolder folder_;      // every access to the data directory
    StoreListener* listener_ = nullptr;
    HostFileTables tables_;
    std::string readBuffer_;  // kept between loads to spare allocations
    std::string loadedName_;  // host file name of the loaded tables; empty when none
    HostFileIndex index_;     // the host files of the data directory, by domain
    std::vector<UndoEntry> undo_;
    bool inUndo_ = false;
    int undoGeneration_ = 0;
};

}  // namespace qm
