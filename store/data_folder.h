// Where the host files live. The Data folder beside the program is used
// whenever that folder is writable (a portable copy, and every installation
// from before the per-user folder existed); otherwise Quillmoor\Data under the
// user's local application data. Nothing is ever moved from one to the other.
#pragma once

#include <string>

namespace qm {

// What the file system says about a path; the real one asks the disk, tests
// give their own answers.
class DataFolderProbe {
public:
    virtual ~DataFolderProbe() = default;
    virtual bool Exists(const std::string& path) const = 0;
    virtual bool IsDirectory(const std::string& path) const = 0;
    // True when a file can be created (and is then removed) in directory.
    virtual bool CanWriteIn(const std::string& directory) const = 0;
};

// The probe over the real file system; paths are UTF-8 texts.
class DiskDataFolderProbe : public DataFolderProbe {
public:
    bool Exists(const std::string& path) const override;
    bool IsDirectory(const std::string& path) const override;
    bool CanWriteIn(const std::string& directory) const override;
};

struct DataFolderChoice {
    // The folder for the filter store; empty when there is none to use.
    std::string directory;
    // True when directory is the Data folder beside the program.
    bool besideProgram = false;
    // Empty, or a message for the user: something was in the way and what
    // the program did about it. Nothing was moved or deleted either way.
    std::string notice;
};

// Chooses the filter folder. programDirectory ends with its separator (as
// GetModuleDirectory gives it); userLocalDirectory is the user's local
// application data folder, without a trailing separator, empty when unknown.
DataFolderChoice ChooseDataFolder(const std::string& programDirectory,
                                  const std::string& userLocalDirectory, char separator,
                                  const DataFolderProbe& probe);

}  // namespace qm
