#include "explorer/preview_document.h"

namespace qm {

namespace {

constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";
constexpr char kHead[] = "<!DOCTYPE html><html><head><meta charset=\"utf-8\">";
constexpr char kBody[] = "</head><body>";
constexpr char kEnd[] = "</body></html>";

}  // namespace

std::string AttributeText(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '"': out += "&quot;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '\0': break;
            default: out += c;
        }
    }
    return out;
}

std::string PreviewDocument(const std::string& pageAddress, const FilterRecord& record) {
    std::string out = kByteOrderMark;
    out += kHead;
    if (!pageAddress.empty()) {
        out += "<base href=\"" + AttributeText(pageAddress) + "\">";
    }
    out += kBody;
    out.reserve(out.size() + record.sHtml.size() + sizeof(kEnd));
    for (char c : record.sHtml) {
        if (c != '\0') {
            out += c;
        }
    }
    out += kEnd;
    return out;
}

std::string BlankPreviewDocument() {
    return std::string(kByteOrderMark) + kHead + kBody + kEnd;
}

}  // namespace qm
