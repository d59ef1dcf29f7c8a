#include "browser/popup_rules.h"

namespace qm {

std::string RemoveSpaces(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c != ' ') {
            out.push_back(c);
        }
    }
    return out;
}

bool PopupFilterMatches(const FilterRecord& filter, const WindowText& window) {
    const bool urlMatches = window.urlRead && filter.sHtml == window.url;
    const bool titleMatches = window.titleRead && filter.sName == RemoveSpaces(window.title);
    switch (filter.nHint) {
        case kRecogniseUrl:
            return urlMatches;
        case kRecogniseTitle:
            return titleMatches;
        case kRecogniseUrlAndTitle:
            return urlMatches && titleMatches;
        case kRecogniseUrlOrTitle:
            return urlMatches || titleMatches;
        default:
            return false;
    }
}

bool OpenedPopupRecentlyAt(std::uint32_t now, std::uint32_t lastNewWindowTime,
                           std::uint32_t lastPressTime) {
    const std::uint32_t sinceNewWindow = now - lastNewWindowTime;
    const std::uint32_t pressToNewWindow = lastNewWindowTime - lastPressTime;
    return sinceNewWindow <= 1500u && pressToNewWindow >= 1500u;
}

}  // namespace qm
