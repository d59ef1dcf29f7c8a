// Durable replacement of a file on POSIX systems: write, fsync, rename, then
// fsync the directory so that the rename itself survives a power loss.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "store/host_file.h"

namespace qm {

const char kTemporaryFileName[] = "~write.tmp";

namespace {

bool WriteAll(int fd, const std::string& bytes) {
    const char* data = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, left);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += written;
        left -= static_cast<std::size_t>(written);
    }
    return true;
}

void SyncDirectory(const std::filesystem::path& directory) {
    const int fd =
        ::open(directory.empty() ? "." : directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

}  // namespace

bool ReplaceFileContents(const std::filesystem::path& path, const std::string& bytes) {
    const std::filesystem::path temporary = path.parent_path() / kTemporaryFileName;
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        return false;
    }
    bool ok = WriteAll(fd, bytes) && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (!ok || ::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    // The new contents are safe already; a failed directory flush only
    // leaves the rename to the file system's own schedule.
    SyncDirectory(path.parent_path());
    return true;
}

}  // namespace qm
