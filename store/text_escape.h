// The escaping of the text section of a host file: one line per text.
#pragma once

#include <string>
#include <string_view>

namespace qm {

// Backslash -> "\\\\", line feed -> "\\n", carriage return -> "\\r", in that order.
std::string EscapeText(const std::string& text);
// Appends the escaped text to out.
void EscapeTextInto(std::string_view text, std::string& out);
// Removes every CR and LF, then "\\\\" -> "\\", "\\n" -> LF, "\\r" -> CR, each
// step over the whole text, left to right, before the next one.
std::string UnescapeText(const std::string& text);
// The same into out, reusing its storage.
void UnescapeTextInto(std::string_view text, std::string& out);

}  // namespace qm
