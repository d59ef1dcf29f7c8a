// The host file: its in-memory tables, its text form (three sections, every
// line ended by CR LF) and the file operations the store needs.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "store/filter_record.h"

namespace qm {

struct HostFileTables {
    std::vector<std::string> locations;
    std::vector<FilterRecord> records;
};

// Parses the bytes of a host file into tables. Lines may be of any length and
// end in LF or CR LF. Fails on more than 511 locations or 2047 records, on a
// record line with fewer than eight fields, on a record whose location is
// not in the location table and on a location that would begin with "-"
// once its line ends are removed; on failure the tables hold what was read up to
// the failure (both emptied for a short record line).
bool ParseHostFile(const std::string& bytes, HostFileTables& tables);
// The exact bytes of a host file for the tables.
std::string SerializeHostFile(const HostFileTables& tables);

// Paths from and to UTF-8 texts (UTF-16 paths on Windows, bytes elsewhere).
std::filesystem::path PathFromText(const std::string& text);
std::string TextFromPath(const std::filesystem::path& path);

// Reads a whole file; false when it cannot be opened or read.
bool ReadWholeFile(const std::filesystem::path& path, std::string& bytes);
// Writes bytes to a temporary file beside path, flushes it to the disk and
// renames it over path, so that path holds either its old or its new
// contents, never a part, also after a power loss. False (and path
// untouched) when anything fails, a full disk included.
bool ReplaceFileContents(const std::filesystem::path& path, const std::string& bytes);
// Name of the temporary file ReplaceFileContents uses in a directory.
extern const char kTemporaryFileName[];

}  // namespace qm
