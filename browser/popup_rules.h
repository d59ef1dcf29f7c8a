// The pure rules of popup blocking: recognising a window by a "POPUP" filter
// and the timing rule for popups opened without a click.
#pragma once

#include <cstdint>
#include <string>

#include "store/filter_record.h"

namespace qm {

// Recognise modes of a "POPUP" filter.
constexpr int kRecogniseUrl = 0;
constexpr int kRecogniseTitle = 1;
constexpr int kRecogniseUrlAndTitle = 2;
constexpr int kRecogniseUrlOrTitle = 3;

// The text with every space character removed.
std::string RemoveSpaces(const std::string& text);

// What a window shows, as far as it could be read; a part that could not be
// read matches nothing.
struct WindowText {
    std::string url;
    bool urlRead = false;
    std::string title;
    bool titleRead = false;
};

// Whether a "POPUP" filter (mode in nHint, page address in sHtml, title
// without spaces in sName) recognises the window. Modes outside 0..3 never match.
bool PopupFilterMatches(const FilterRecord& filter, const WindowText& window);

// The popup timing rule, all differences unsigned 32-bit: the window fired
// NewWindow2 at most 1.5 s before now, and that came at least 1.5 s after the
// user's last press in its page.
bool OpenedPopupRecentlyAt(std::uint32_t now, std::uint32_t lastNewWindowTime,
                           std::uint32_t lastPressTime);

}  // namespace qm
