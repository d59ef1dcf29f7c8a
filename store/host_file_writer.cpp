#include "store/host_file_writer.h"

#include <system_error>
#include <utility>

#include "store/host_file.h"

namespace qm {

namespace fs = std::filesystem;

namespace {

// Changes kept for the index between two of its queries; beyond that the
// index simply lists the folder again.
constexpr std::size_t kMaxLoggedChanges = 256;

}  // namespace

HostFileWriter::HostFileWriter(fs::path directory)
    : directory_(std::move(directory)), write_(ReplaceFileContents) {}

HostFileWriter::~HostFileWriter() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) {
        thread_.join();  // the thread empties the queue before it ends
    }
}

bool HostFileWriter::ReadTime(fs::file_time_type& time) const {
    std::error_code ec;
    time = fs::last_write_time(directory_, ec);
    return !ec;
}

void HostFileWriter::Log(OwnChange change) {
    if (log_.size() >= kMaxLoggedChanges) {
        log_.clear();
        logLost_ = true;
    }
    log_.push_back(change);
}

void HostFileWriter::Post(const fs::path& path, std::shared_ptr<const PendingFile> file) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        // The contents replaced are freed below, outside the lock.
        queued_[path].swap(file);
        if (!thread_.joinable()) {
            thread_ = std::thread([this] { Run(); });
        }
    }
    wake_.notify_one();
}

void HostFileWriter::Run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stop_ || !queued_.empty(); });
        if (queued_.empty()) {
            return;  // stopping, and nothing is left to write
        }
        const auto next = queued_.begin();
        writingPath_ = next->first;
        writingFile_ = next->second;
        queued_.erase(next);
        OwnChange change;
        change.number = writing_ = ++lastNumber_;
        // Read under the lock: the index reads the time under it too, so a
        // time it reads is either before this change began or after it ended.
        change.timesKnown = ReadTime(change.before);
        const DurableWrite write = write_;
        const fs::path path = writingPath_;
        std::shared_ptr<const PendingFile> file = writingFile_;
        lock.unlock();
        const bool ok = write(path, file->Bytes());
        fs::file_time_type after;
        const bool afterKnown = ReadTime(after);
        change.done = std::chrono::steady_clock::now();
        lock.lock();
        change.timesKnown = change.timesKnown && afterKnown;
        change.after = after;
        Log(change);
        ++writes_;
        failed_ = failed_ || !ok;
        writing_ = 0;
        writingPath_.clear();
        writingFile_.reset();
        if (queued_.empty()) {
            idle_.notify_all();
        }
        // A large file's contents are freed outside the lock.
        lock.unlock();
        file.reset();
        lock.lock();
    }
}

void HostFileWriter::Settle() {
    std::unique_lock<std::mutex> lock(mutex_);
    idle_.wait(lock, [this] { return queued_.empty() && writing_ == 0; });
}

bool HostFileWriter::TakeFailure() {
    std::lock_guard<std::mutex> lock(mutex_);
    return std::exchange(failed_, false);
}

std::shared_ptr<const PendingFile> HostFileWriter::Pending(const fs::path& path) const {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto it = queued_.find(path);
    if (it != queued_.end()) {
        return it->second;
    }
    return writing_ != 0 && writingPath_ == path ? writingFile_ : nullptr;
}

std::vector<fs::path> HostFileWriter::PendingPaths() const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<fs::path> paths;
    for (const auto& entry : queued_) {
        paths.push_back(entry.first);
    }
    if (writing_ != 0) {
        paths.push_back(writingPath_);
    }
    return paths;
}

bool HostFileWriter::ChangeNow(const std::function<bool()>& change) {
    Settle();
    OwnChange logged;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        logged.number = ++lastNumber_;
    }
    logged.timesKnown = ReadTime(logged.before);
    const bool ok = change();
    logged.timesKnown = ReadTime(logged.after) && logged.timesKnown;
    logged.done = std::chrono::steady_clock::now();
    std::lock_guard<std::mutex> lock(mutex_);
    Log(logged);
    return ok;
}

bool HostFileWriter::WriteNow(const fs::path& path, const std::string& bytes) {
    return ChangeNow([&] {
        DurableWrite write;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            ++writes_;
            write = write_;
        }
        return write(path, bytes);
    });
}

FolderObservation HostFileWriter::Observe() {
    FolderObservation seen;
    std::lock_guard<std::mutex> lock(mutex_);
    seen.changes.swap(log_);
    seen.changesLost = std::exchange(logLost_, false);
    seen.writing = writing_;
    seen.timeKnown = ReadTime(seen.time);
    return seen;
}

long HostFileWriter::Writes() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return writes_;
}

void HostFileWriter::SetDurableWrite(DurableWrite write) {
    Settle();
    std::lock_guard<std::mutex> lock(mutex_);
    write_ = write ? std::move(write) : DurableWrite(ReplaceFileContents);
}

}  // namespace qm
