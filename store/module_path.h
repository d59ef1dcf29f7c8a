// The program's own file and folder.
//
// On Windows the path is the one the system reports for the program file and
// the folder ends with a backslash. The native (Linux) build reads
// /proc/self/exe and uses '/' as its separator instead.
#pragma once

#include <string>

namespace qm {

#ifdef _WIN32
constexpr char kModulePathSeparator = '\\';
#else
constexpr char kModulePathSeparator = '/';
#endif

// Full path of the running program file (at most 1024 characters); empty when
// the system cannot tell.
std::string GetModulePath();
// GetModulePath() up to and including its last separator; "." when it has none.
std::string GetModuleDirectory();
// path up to and including its last separator; "." when there is none.
std::string ModuleDirectoryOf(const std::string& path, char separator = kModulePathSeparator);

}  // namespace qm
