#include "store/open_browser.h"

namespace qm {

namespace {

const char kHexDigits[] = "0123456789ABCDEF";

void AppendEscaped(std::string& out, unsigned char c) {
    out.push_back('%');
    out.push_back(kHexDigits[c >> 4]);
    out.push_back(kHexDigits[c & 0x0F]);
}

// The address as one double-quoted argument that no character can end early.
std::string QuoteAddress(const std::string& url) {
    std::string out = "\"";
    for (char ch : url) {
        unsigned char c = static_cast<unsigned char>(ch);
        // A quote would end the argument; control characters (line breaks)
        // have no place in an address either.
        if (c == '"' || c < 0x20 || c == 0x7F) {
            AppendEscaped(out, c);
        } else {
            out.push_back(ch);
        }
    }
    // Backslashes right before the closing quote would escape it.
    std::size_t trailing = 0;
    while (trailing < out.size() - 1 && out[out.size() - 1 - trailing] == '\\') {
        ++trailing;
    }
    out.append(trailing, '\\');
    out.push_back('"');
    return out;
}

}  // namespace

std::optional<std::string> BuildBrowserCommandLine(const std::string& command,
                                                   const std::string& url) {
    // A browser reads a leading '-' (or '/', on Windows) as a switch, quoted or not.
    if (!url.empty() && (url[0] == '-' || url[0] == '/')) {
        return std::nullopt;
    }
    std::string line = command;
    std::size_t cut = line.find("\"%1\"");
    if (cut == std::string::npos) {
        cut = line.find("%1");
    }
    if (cut != std::string::npos) {
        line.resize(cut);
    }
    line += ' ';
    line += QuoteAddress(url);
    return line;
}

bool OpenInDefaultBrowser(const std::string& url, ShowState show, Registry& registry,
                          Launcher& launcher) {
    std::optional<std::string> type =
        ReadClassesRootDefault(registry, ".htm", kBrowserCommandLimit);
    if (!type || type->empty()) {
        return false;
    }
    std::optional<std::string> command =
        ReadClassesRootDefault(registry, *type + "\\shell\\open\\command", kBrowserCommandLimit);
    if (!command) {
        return false;
    }
    std::optional<std::string> line = BuildBrowserCommandLine(*command, url);
    if (!line) {
        return false;
    }
    return launcher.Start(*line, show);
}

}  // namespace qm
