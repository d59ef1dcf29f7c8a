// Every access of the store and its host-file index to the data folder goes
// through here, so that none can overlap a write still waiting in the
// background writer:
// - reads and existence checks see the bytes waiting for a file, as if they
//   were written already (no wait);
// - listings hold the files waiting to be written (which only ever replace
//   existing host files) and never the writer's temporary file (no wait);
// - durable writes, removals and renames first wait for every waiting write:
//   they share its temporary file, or could be overtaken by it.
#pragma once

#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "store/host_file.h"
#include "store/host_file_writer.h"

namespace qm {

// A copy of a host file's tables, put into bytes off the caller's thread: a
// copy costs a fraction of the text conversion of a large host file.
class HostFileSnapshot : public PendingFile {
public:
    explicit HostFileSnapshot(const HostFileTables& tables) : tables_(tables) {}
    const std::string& Bytes() const override;

private:
    const HostFileTables tables_;
    mutable std::mutex making_;
    mutable bool made_ = false;
    mutable std::string bytes_;
};

class StoreFolder {
public:
    // Creates the directory when it is missing.
    explicit StoreFolder(std::filesystem::path directory);
    ~StoreFolder();  // writes what is waiting
    StoreFolder(const StoreFolder&) = delete;
    StoreFolder& operator=(const StoreFolder&) = delete;

    std::filesystem::path PathOf(const std::string& fileName) const;

    bool Read(const std::string& fileName, std::string& bytes) const;
    bool IsFile(const std::string& fileName) const;
    // Whether anything (file, directory...) has that name.
    bool Exists(const std::string& fileName) const;
    // Names of the regular files of the folder, sorted; complete, when
    // given, becomes false when the listing broke off.
    std::vector<std::string> ListNames(bool* complete = nullptr) const;

    // Durable replacement now (false when it failed), or in the background.
    bool Replace(const std::string& fileName, const std::string& bytes);
    void ReplaceLater(const std::string& fileName, const HostFileTables& tables);
    // A missing file is no error.
    bool Remove(const std::string& fileName);
    bool Move(const std::string& from, const std::string& to);

    // Waits for the background writes; false when one failed since the last call.
    bool Flush();
    FolderObservation Observe() { return writer_.Observe(); }
    long DurableWrites() const { return writer_.Writes(); }
    void SetDurableWrite(DurableWrite write) { writer_.SetDurableWrite(std::move(write)); }

private:
    std::filesystem::path directory_;
    HostFileWriter writer_;
};

}  // namespace qm
