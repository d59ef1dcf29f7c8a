#include "browser/ie/wide_text.h"

#include <climits>

namespace qm::ie {

bool WideToText(const wchar_t* wide, std::size_t count, std::string& out, UINT codePage) {
    out.clear();
    if (count == 0) {
        return true;
    }
    if (!wide || count > static_cast<std::size_t>(INT_MAX)) {
        return false;
    }
    const int wideCount = static_cast<int>(count);
    const int needed =
        WideCharToMultiByte(codePage, 0, wide, wideCount, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) {
        return false;
    }
    std::string text(static_cast<std::size_t>(needed), '\0');
    const int written =
        WideCharToMultiByte(codePage, 0, wide, wideCount, text.data(), needed, nullptr, nullptr);
    if (written != needed) {
        return false;
    }
    out.swap(text);
    return true;
}

bool BstrToText(BSTR bstr, std::string& out, UINT codePage) {
    if (!bstr) {
        out.clear();
        return true;
    }
    return WideToText(bstr, SysStringLen(bstr), out, codePage);
}

BSTR TextToBstr(const std::string& text, UINT codePage) {
    if (text.empty()) {
        return SysAllocStringLen(L"", 0);
    }
    if (text.size() > static_cast<std::size_t>(INT_MAX)) {
        return nullptr;
    }
    const int count = static_cast<int>(text.size());
    const int needed = MultiByteToWideChar(codePage, 0, text.data(), count, nullptr, 0);
    if (needed <= 0) {
        return nullptr;
    }
    BSTR bstr = SysAllocStringLen(nullptr, static_cast<UINT>(needed));
    if (!bstr) {
        return nullptr;
    }
    if (MultiByteToWideChar(codePage, 0, text.data(), count, bstr, needed) != needed) {
        SysFreeString(bstr);
        return nullptr;
    }
    return bstr;
}

}  // namespace qm::ie
