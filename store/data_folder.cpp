#include "store/data_folder.h"

#include <atomic>
#include <chrono>
#include <fstream>
#include <system_error>

#include "store/host_file.h"

namespace qm {

namespace fs = std::filesystem;

bool DiskDataFolderProbe::Exists(const std::string& path) const {
    std::error_code ec;
    return fs::exists(PathFromText(path), ec);
}

bool DiskDataFolderProbe::IsDirectory(const std::string& path) const {
    std::error_code ec;
    return fs::is_directory(PathFromText(path), ec);
}

bool DiskDataFolderProbe::CanWriteIn(const std::string& directory) const {
    // Permissions alone do not tell (access lists, read-only media, a
    // privileged user): try it with a name no one else uses.
    static std::atomic<unsigned> serial{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    const fs::path scratch = PathFromText(directory) /
                             ("~qm-write-" + std::to_string(stamp) + "-" +
                              std::to_string(serial.fetch_add(1)) + ".tmp");
    bool written = false;
    {
        std::ofstream out(scratch, std::ios::binary);
        written = static_cast<bool>(out << 'q') && static_cast<bool>(out.flush());
    }
    std::error_code ec;
    fs::remove(scratch, ec);
    return written;
}

namespace {

std::string WithoutTrailingSeparator(const std::string& directory, char separator) {
    if (directory.size() > 1 && directory.back() == separator) {
        return directory.substr(0, directory.size() - 1);
    }
    return directory;
}

// The per-user folder, or an empty text with a notice when it cannot be used.
DataFolderChoice UserFolder(const std::string& userLocalDirectory, char separator,
                            const DataFolderProbe& probe) {
    DataFolderChoice choice;
    if (userLocalDirectory.empty()) {
        choice.notice =
            "Quillmoor cannot tell where your local application data folder is, and the "
            "folder of the program cannot be written to. No filter can be kept.";
        return choice;
    }
    const std::string base = WithoutTrailingSeparator(userLocalDirectory, separator);
    const std::string parent = base + separator + "Quillmoor";
    const std::string data = parent + separator + "Data";
    for (const std::string& part : {parent, data}) {
        if (probe.Exists(part) && !probe.IsDirectory(part)) {
            choice.notice = "A file is in the way of the filter folder:\n" + part +
                            "\nQuillmoor left it as it is. Move or rename it so that "
                            "Quillmoor can keep its filters there.";
            return choice;
        }
    }
    choice.directory = data;
    return choice;
}

}  // namespace

DataFolderChoice ChooseDataFolder(const std::string& programDirectory,
                                  const std::string& userLocalDirectory, char separator,
                                  const DataFolderProbe& probe) {
    std::string program = programDirectory;
    if (program.empty() || program.back() != separator) {
        program += separator;
    }
    const std::string beside = program + "Data";
    const std::string programFolder = WithoutTrailingSeparator(program, separator);

    std::string reason;
    if (probe.IsDirectory(beside)) {
        if (probe.CanWriteIn(beside)) {
            return DataFolderChoice{beside, true, std::string()};
        }
        reason = "The filter folder beside the program cannot be written to:\n" + beside +
                 "\nIts filters were left where they are.";
    } else if (probe.Exists(beside)) {
        reason = "A file named Data is in the way of the filter folder beside the program:\n" +
                 beside + "\nQuillmoor left it as it is.";
    } else if (probe.CanWriteIn(programFolder)) {
        return DataFolderChoice{beside, true, std::string()};
    }

    DataFolderChoice user = UserFolder(userLocalDirectory, separator, probe);
    if (!reason.empty()) {
        user.notice = user.directory.empty()
                          ? reason + "\n\n" + user.notice
                          : reason + "\nQuillmoor keeps its filters in\n" + user.directory +
                                "\ninstead.";
    }
    return user;
}

}  // namespace qm
