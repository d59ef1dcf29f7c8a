// File name patterns with the wildcards * (any run of characters) and ?
// (exactly one character); every other character matches itself exactly.
#pragma once

#include <string>

namespace qm {

bool WildcardMatch(const std::string& pattern, const std::string& name);

}  // namespace qm
