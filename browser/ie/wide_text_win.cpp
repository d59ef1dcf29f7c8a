#include "browser/ie/wide_text.h"

#include <climits>

#include "platform/win/utf16_win.h"

namespace qm::ie {

bool WideToText(const wchar_t* wide, std::size_t count, std::string& out) {
    out.clear();
    if (count == 0) {
        return true;
    }
    if (!wide || count > static_cast<std::size_t>(INT_MAX)) {
        return false;
    }
    out = win::Narrow(std::wstring_view(wide, count));
    return true;
}

bool BstrToText(BSTR bstr, std::string& out) {
    if (!bstr) {
        out.clear();
        return true;
    }
    return WideToText(bstr, SysStringLen(bstr), out);
}

BSTR TextToBstr(const std::string& text) {
    const std::wstring wide = win::Widen(text);
    // Widen gives "" for a non-empty text only when it is too long to convert.
    if ((wide.empty() && !text.empty()) || wide.size() > static_cast<std::size_t>(UINT_MAX) - 1) {
        return nullptr;
    }
    return SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

}  // namespace qm::ie
