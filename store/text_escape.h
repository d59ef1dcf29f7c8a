// The escaping of the text section of a host file: one line per text.
#pragma once

#include <string>

namespace qm {

// Backslash -> "\\\\", line feed -> "\\n", carriage return -> "\\r", in that order.
std::string EscapeText(const std::string& text);
// Removes every CR and LF, then "\\\\" -> "\\", "\\n" -> LF, "\\r" -> CR, each
// step over the whole text, left to right, before the next one.
std::string UnescapeText(const std::string& text);

}  // namespace qm
