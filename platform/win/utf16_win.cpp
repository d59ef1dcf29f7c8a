#include "platform/win/utf16_win.h"

#include <windows.h>

#include <climits>
#include <cwchar>

namespace qm::win {

std::wstring Widen(std::string_view text) {
    if (text.empty() || text.size() > static_cast<std::size_t>(INT_MAX)) {
        return std::wstring();
    }
    // No MB_ERR_INVALID_CHARS: ill-formed input is replaced, not refused, so
    // a broken text still reaches the system as something recognisable.
    const int count = static_cast<int>(text.size());
    const int needed = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), count, nullptr, 0);
    if (needed <= 0) {
        return std::wstring();
    }
    std::wstring wide(static_cast<std::size_t>(needed), L'\0');
    const int written = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), count, wide.data(), needed);
    wide.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
    return wide;
}

std::string Narrow(std::wstring_view text) {
    if (text.empty() || text.size() > static_cast<std::size_t>(INT_MAX)) {
        return std::string();
    }
    const int count = static_cast<int>(text.size());
    const int needed =
        ::WideCharToMultiByte(CP_UTF8, 0, text.data(), count, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) {
        return std::string();
    }
    std::string narrow(static_cast<std::size_t>(needed), '\0');
    const int written = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), count, narrow.data(), needed,
                                              nullptr, nullptr);
    narrow.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
    return narrow;
}

std::string Narrow(const wchar_t* text) {
    return text != nullptr ? Narrow(std::wstring_view(text, std::wcslen(text))) : std::string();
}

}  // namespace qm::win
