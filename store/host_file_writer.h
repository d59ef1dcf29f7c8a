// The one thread that writes host files for the store when the caller must
// not wait for the disk (hit times saved on every page load). Per file only
// the newest bytes are kept, so a burst of saves of one file is written once.
// Every durable change of the data folder, whether made here or by the caller
// itself, goes through this object and is logged with the folder's time
// before and after it, so that the host-file index can tell the store's own
// changes from those made behind its back.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace qm {

// The contents of a file waiting to be written, made when first needed, by
// the writer or by a reader of the file, whichever comes first.
class PendingFile {
public:
    virtual ~PendingFile() = default;
    // Safe to call from several threads at once.
    virtual const std::string& Bytes() const = 0;
};

// Writes bytes durably to path; false (and path untouched) when it fails.
using DurableWrite = std::function<bool(const std::filesystem::path&, const std::string&)>;

// One change of the data folder made by the store.
struct OwnChange {
    std::uint64_t number = 0;  // in the order the changes were made
    bool timesKnown = false;
    std::filesystem::file_time_type before{};
    std::filesystem::file_time_type after{};
    std::chrono::steady_clock::time_point done{};  // when it ended
};

// What the index needs to know about the folder at one moment.
struct FolderObservation {
    std::vector<OwnChange> changes;  // made since the last observation, oldest first
    bool changesLost = false;        // too many to keep: treat the folder as changed
    std::uint64_t writing = 0;       // number of the change being written now; 0 when none
    bool timeKnown = false;
    std::filesystem::file_time_type time{};  // the folder's time, read while no change started
};

class HostFileWriter {
public:
    explicit HostFileWriter(std::filesystem::path directory);
    // Writes what is still waiting, then ends the thread.
    ~HostFileWriter();
    HostFileWriter(const HostFileWriter&) = delete;
    HostFileWriter& operator=(const HostFileWriter&) = delete;

    // Queues contents for path; contents queued earlier for path and not yet
    // being written are dropped. Starts the thread when first needed.
    void Post(const std::filesystem::path& path, std::shared_ptr<const PendingFile> file);
    // Returns once nothing is queued or being written.
    void Settle();
    // True when a queued write failed since the last call.
    bool TakeFailure();
    // The newest contents queued or being written for path; null when none.
    std::shared_ptr<const PendingFile> Pending(const std::filesystem::path& path) const;
    // Paths with bytes queued or being written.
    std::vector<std::filesystem::path> PendingPaths() const;

    // A change made on the caller's thread, after Settle: logged like the
    // thread's own writes. change returns false when it failed.
    bool ChangeNow(const std::function<bool()>& change);
    bool WriteNow(const std::filesystem::path& path, const std::string& bytes);

    FolderObservation Observe();
    // Durable writes made, failed ones included.
    long Writes() const;
    // Replaces the durable write (tests hold or fail writes through it).
    void SetDurableWrite(DurableWrite write);

private:
    void Run();
    bool ReadTime(std::filesystem::file_time_type& time) const;
    void Log(OwnChange change);

    const std::filesystem::path directory_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;  // the thread: work or stop
    std::condition_variable idle_;  // the callers: nothing left
    std::map<std::filesystem::path, std::shared_ptr<const PendingFile>> queued_;
    std::filesystem::path writingPath_;
    std::shared_ptr<const PendingFile> writingFile_;
    std::uint64_t writing_ = 0;
    std::uint64_t lastNumber_ = 0;
    std::vector<OwnChange> log_;
    bool logLost_ = false;
    bool failed_ = false;
    bool stop_ = false;
    long writes_ = 0;
    DurableWrite write_;
    std::thread thread_;
};

}  // namespace qm
