#include "store/store_text.h"

namespace qm {

bool IsWhiteSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string NormalizePageAddress(const std::string& url) {
    std::size_t begin = 0;
    std::size_t end = url.size();
    while (begin < end && IsWhiteSpace(url[begin])) {
        ++begin;
    }
    while (end > begin && IsWhiteSpace(url[end - 1])) {
        --end;
    }
    std::string out;
    out.reserve(end - begin);
    for (std::size_t i = begin; i < end; ++i) {
        if (url[i] != '\r' && url[i] != '\n') {
            out += url[i];
        }
    }
    return out;
}

bool IsStorablePageAddress(const std::string& url) {
    return url.empty() || url[0] != '-';
}

std::string CleanWord(const std::string& word) {
    std::string out;
    out.reserve(word.size());
    for (char c : word) {
        if (!IsWhiteSpace(c)) {
            out += c;
        }
    }
    return out.empty() ? std::string("_") : out;
}

}  // namespace qm
