// The arithmetic and text rules of the image menus, apart from any drawing:
// how large an item is, how its text splits into label and accelerator, and
// which item a typed character chooses. The Win32 menu class measures text
// and draws; what it decides is decided here.
#pragma once

#include <string>
#include <vector>

namespace qm {

// The kind of an image-menu item: a command id (>= 0) or one of these.
constexpr int kMenuKindPopupEntry = -2;  // a popup entry drawn like a command, no image
constexpr int kMenuKindSeparator = -3;
constexpr int kMenuKindBarEntry = -4;  // an entry of a menu bar

// Design sizes are for a 96 dpi screen; every length is scaled to the screen.
constexpr int kDesignDpi = 96;
int ScaleToDpi(int length, int dpi);

struct MenuSize {
    int width = 0;
    int height = 0;
};

// The size of an item. text: the size of its text in the menu font on one
// line with tabs expanded; image: the size of one menu image (both already
// at the screen's scale).
MenuSize MeasureMenuItem(int kind, bool textEmpty, MenuSize text, MenuSize image, int dpi);

// A menu text split at its first tab: the label and the accelerator text.
struct MenuTextParts {
    std::wstring label;
    std::wstring accelerator;
    bool hasTab = false;
};
MenuTextParts SplitMenuText(const std::wstring& text);

// The upper-cased character after the first "&" of a text; 0 when none.
wchar_t MenuMnemonic(const std::wstring& text);

// One item as the mnemonic search sees it: eligible is false for separators
// and for items that are not ours.
struct MenuCharItem {
    bool eligible = false;
    std::wstring text;
};

// The position of the item that a typed character executes: items are
// searched from the last to the first, so the lowest match in the menu wins.
// -1 when no item matches.
int FindMenuMnemonic(const std::vector<MenuCharItem>& items, wchar_t typed);

}  // namespace qm
