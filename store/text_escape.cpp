#include "store/text_escape.h"

namespace qm {

namespace {

// Replaces every occurrence of from by to, left to right, without rescanning
// the replaced text.
void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
    if (text.find(from) == std::string::npos) {
        return;
    }
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    for (;;) {
        const std::size_t hit = text.find(from, pos);
        if (hit == std::string::npos) {
            break;
        }
        out.append(text, pos, hit - pos);
        out += to;
        pos = hit + from.size();
    }
    out.append(text, pos, std::string::npos);
    text.swap(out);
}

}  // namespace

std::string EscapeText(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (char c : text) {
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string UnescapeText(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c != '\r' && c != '\n') {
            out += c;
        }
    }
    ReplaceAll(out, "\\\\", "\\");
    ReplaceAll(out, "\\n", "\n");
    ReplaceAll(out, "\\r", "\r");
    return out;
}

}  // namespace qm
