// Durable replacement of a file on Windows: write, FlushFileBuffers, then
// MoveFileExW with write-through, all on UTF-16 paths.
#include <windows.h>

#include "store/host_file.h"

namespace qm {

const char kTemporaryFileName[] = "~write.tmp";

namespace {

bool WriteAll(HANDLE file, const std::string& bytes) {
    const char* data = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const DWORD chunk = left > 0x40000000u ? 0x40000000u : static_cast<DWORD>(left);
        DWORD written = 0;
        if (!::WriteFile(file, data, chunk, &written, nullptr) || written == 0) {
            return false;
        }
        data += written;
        left -= written;
    }
    return true;
}

}  // namespace

bool ReplaceFileContents(const std::filesystem::path& path, const std::string& bytes) {
    const std::filesystem::path temporary = path.parent_path() / kTemporaryFileName;
    const HANDLE file = ::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    bool ok = WriteAll(file, bytes) && ::FlushFileBuffers(file) != 0;
    ok = ::CloseHandle(file) != 0 && ok;
    if (!ok || !::MoveFileExW(temporary.c_str(), path.c_str(),
                              MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ::DeleteFileW(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace qm
