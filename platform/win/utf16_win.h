// The program's texts are UTF-8 everywhere; Win32 and COM speak UTF-16. These
// two conversions are the only bridge between them: every call that hands a
// text to the system, or takes one from it, goes through Widen or Narrow.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace qm::win {

// UTF-8 to UTF-16. Never fails: a byte that does not belong to a well-formed
// UTF-8 sequence becomes U+FFFD and the rest of the text is kept. Embedded
// NULs are kept; a text too long for the system (2 GiB and more) gives "".
std::wstring Widen(std::string_view text);

// UTF-16 to UTF-8. Never fails: an unpaired surrogate becomes U+FFFD.
// Embedded NULs are kept; a text too long for the system gives "".
std::string Narrow(std::wstring_view text);

// A zero-terminated wide text (null is the empty text).
std::string Narrow(const wchar_t* text);

}  // namespace qm::win
