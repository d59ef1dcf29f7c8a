// The text of the About box: name, version, the build's date and time, and
// the folder that holds the filters.
#pragma once

#include <string>

namespace qm {

// The build time as the About box shows it: date and time joined by one blank.
std::string BuiltTimeText(const char* date, const char* time);

std::string AboutText(const std::string& version, const std::string& builtTime,
                      const std::string& dataFolder);

}  // namespace qm
