#include "explorer/preview_engine.h"

#include <algorithm>
#include <cctype>

namespace qm {

namespace {

constexpr std::string_view kVersionPrefix = "Wine Gecko ";

std::string Lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return out;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
        text.remove_prefix(1);
    }
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
        text.remove_suffix(1);
    }
    return text;
}

// "C:\\x\\MSHTML.DLL" and "mshtml" both name mshtml.
std::string ModuleName(std::string_view name) {
    name = Trim(name);
    const std::size_t slash = name.find_last_of("\\/");
    if (slash != std::string_view::npos) {
        name.remove_prefix(slash + 1);
    }
    std::string lower = Lower(name);
    if (lower.size() > 4 && lower.compare(lower.size() - 4, 4, ".dll") == 0) {
        lower.resize(lower.size() - 4);
    }
    return lower;
}

bool VersionCharacter(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '_';
}

}  // namespace

bool CanEmbedHtmlEngine(const HtmlEngineFacts& facts) {
    if (!facts.wine) {
        return true;
    }
    return !facts.engineDisabled && facts.geckoFound;
}

bool OverridesDisableDll(std::string_view overrides, std::string_view dll) {
    const std::string wanted = ModuleName(dll);
    bool disabled = false;  // a later entry wins, as in Wine
    while (!overrides.empty()) {
        const std::size_t semicolon = overrides.find(';');
        std::string_view entry = overrides.substr(0, semicolon);
        overrides = semicolon == std::string_view::npos ? std::string_view()
                                                        : overrides.substr(semicolon + 1);
        const std::size_t equals = entry.find('=');
        if (equals == std::string_view::npos) {
            continue;
        }
        const std::string order = Lower(Trim(entry.substr(equals + 1)));
        std::string_view names = entry.substr(0, equals);
        while (true) {
            const std::size_t comma = names.find(',');
            if (ModuleName(names.substr(0, comma)) == wanted) {
                disabled = order.empty() || order == "d";
            }
            if (comma == std::string_view::npos) {
                break;
            }
            names.remove_prefix(comma + 1);
        }
    }
    return disabled;
}

std::string GeckoVersionText(std::string_view moduleBytes) {
    std::size_t at = 0;
    while ((at = moduleBytes.find(kVersionPrefix, at)) != std::string_view::npos) {
        const bool starts = at == 0 || moduleBytes[at - 1] == '\0';
        std::size_t end = at + kVersionPrefix.size();
        while (end < moduleBytes.size() && moduleBytes[end] != '\0' &&
               moduleBytes[end] != '\n' && VersionCharacter(moduleBytes[end])) {
            ++end;
        }
        std::size_t close = end;
        while (close < moduleBytes.size() && moduleBytes[close] == '\n') {
            ++close;
        }
        const bool terminated = close < moduleBytes.size() && moduleBytes[close] == '\0';
        if (starts && terminated && end > at + kVersionPrefix.size()) {
            return std::string(moduleBytes.substr(at, close - at));
        }
        at += kVersionPrefix.size();
    }
    return std::string();
}

std::string GeckoVersion(std::string_view versionText) {
    if (versionText.substr(0, kVersionPrefix.size()) != kVersionPrefix) {
        return std::string();
    }
    const std::string_view version = Trim(versionText.substr(kVersionPrefix.size()));
    for (char c : version) {
        if (!VersionCharacter(c)) {
            return std::string();
        }
    }
    return std::string(version);
}

std::string GeckoFolderName(std::string_view versionText, std::string_view arch) {
    const std::string version = GeckoVersion(versionText);
    if (version.empty() || arch.empty()) {
        return std::string();
    }
    return "wine-gecko-" + version + "-" + std::string(arch);
}

std::vector<std::string> GeckoSharedFolders(std::string_view moduleBytes,
                                            std::string_view folderName) {
    std::vector<std::string> folders;
    if (folderName.empty()) {
        return folders;
    }
    const std::string tail = "/gecko/" + std::string(folderName);
    std::size_t at = 0;
    while ((at = moduleBytes.find(tail, at)) != std::string_view::npos) {
        const std::size_t end = at + tail.size();
        at = end;
        if (end >= moduleBytes.size() || moduleBytes[end] != '\0') {
            continue;
        }
        std::size_t start = moduleBytes.rfind('\0', end - tail.size());
        start = start == std::string_view::npos ? 0 : start + 1;
        const std::string path(moduleBytes.substr(start, end - start));
        if (path.front() == '/' &&
            std::find(folders.begin(), folders.end(), path) == folders.end()) {
            folders.push_back(path);
        }
    }
    return folders;
}

}  // namespace qm
