// Menus drawn with images: CIconMenu turns the items of an existing menu into
// owner-drawn items, each showing the image that a toolbar resource gives its
// command, in a flat style with a raised frame around the highlighted image.
//
// How a window uses it:
//   1. Create one object for the menu, passing the window the menu belongs
//      to (its screen scaling sizes the images, check marks and fonts):
//        CIconMenu images(true, window);   // true: a popup menu's entries
//      A frame keeps one for its menu bar and constructs it with false, so
//      that the bar's own entries are drawn as menu-bar entries.
//   2. Load the images: images.LoadImages(IDR_MENU_IMAGES) (toolbar 150).
//      Without images every item is still drawn with its text.
//   3. Convert the menu after every change of its items (converting again
//      leaves converted items alone): images.Convert(popup).
//   4. While the menu is in use, pass the window's WM_DRAWITEM,
//      WM_MEASUREITEM and WM_MENUCHAR to Route() before any other handling:
//        if (images.Route(window, message, wParam, lParam, result)) return result;
//      A window that updates item states in WM_INITMENUPOPUP does so first
//      and converts the popup afterwards.
//   5. Keep the object until the menu is gone: the items point at records
//      that the object owns.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace qm::win {

class CIconMenu {
public:
    // The system colours read at construction, in this order.
    enum Colour {
        kMenuText,
        kHighlightText,
        kButtonFace,
        kMenu,
        kHighlight,
        kButtonHighlight,
        kButtonShadow,
        kGreyText,
        kColourCount = 11,
    };

    // submenuEntriesAsItems: popup entries of the menu converted at the top
    // level are drawn as plain items (set for context menus) instead of as
    // menu-bar entries. window: the window whose screen scaling is used (null:
    // the system's).
    explicit CIconMenu(bool submenuEntriesAsItems = false, HWND window = nullptr);
    ~CIconMenu();
    CIconMenu(const CIconMenu&) = delete;
    CIconMenu& operator=(const CIconMenu&) = delete;

    // Loads the image strip of a toolbar resource of this program and its
    // command map; false (and no images) when the resource or the image list
    // cannot be made.
    bool LoadImages(int toolbarId);

    // Draws at another screen scaling from now on (WM_DPICHANGED): images,
    // check mark and font are made again; the converted items stay. The
    // window re-measures its menus (see RemeasureMenu).
    void SetDpi(int dpi);

    // Has the system measure every owner-drawn item of the menu and of its
    // submenus again (after SetDpi).
    static void Remeasure(HMENU menu);

    // Makes every item of the menu and of its submenus owner-drawn.
    void Convert(HMENU menu);

    // The owner-draw handlers; false for items that are not menu items of
    // this object (the window then does its own handling).
    bool DrawItem(const DRAWITEMSTRUCT& draw);
    bool MeasureItem(MEASUREITEMSTRUCT& measure);
    // A typed character in an open menu: result is the default result on
    // entry; when it did not already execute an item and an item of ours has
    // the character as its mnemonic, result executes that item and the call
    // returns true.
    bool MenuChar(wchar_t typed, HMENU menu, LRESULT& result);

    // Routes WM_DRAWITEM, WM_MEASUREITEM and WM_MENUCHAR (the default result
    // of the latter from DefWindowProc); true when handled, with result set.
    bool Route(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    // What the object holds, for the frames that draw with it and for tests.
    COLORREF GetColour(Colour which) const { return colours_[which]; }
    HFONT MenuFont() const { return customFont_ != nullptr ? customFont_ : menuFont_; }
    int Dpi() const { return dpi_; }
    SIZE ImageSize() const { return SIZE{imageWidth_, imageHeight_}; }
    SIZE CheckSize() const { return SIZE{checkWidth_, checkHeight_}; }
    // The image index of a command (-1 when the toolbar has no button for it).
    int ImageOf(int command) const;
    int ImageCount() const;
    // The record of an item of a converted menu, or null.
    struct Item {
        int image = -1;
        int kind = 0;  // a command id, or a kMenuKind* value
        std::wstring text;
    };
    const Item* ItemOf(ULONG_PTR itemData) const;
    size_t ItemCount() const { return items_.size(); }

private:
    void LoadForDpi();
    void FreeForDpi();
    void ConvertLevel(HMENU menu);
    Item* AddItem(int image, int kind, std::wstring text);
    void DrawSeparator(HDC dc, const RECT& r) const;
    void DrawBarEntry(HDC dc, const RECT& r, const Item& item, bool selected, bool disabled) const;
    void DrawCommand(HDC dc, const RECT& r, const Item& item, UINT state) const;
    void DrawItemText(HDC dc, const RECT& r, const Item& item, UINT format) const;

    HFONT customFont_ = nullptr;  // never set by this program
    HFONT menuFont_ = nullptr;
    int dpi_;
    int imageWidth_ = 0;
    int imageHeight_ = 0;
    int toolbarId_ = 0;  // the toolbar whose images are loaded
    HIMAGELIST images_ = nullptr;
    HIMAGELIST checkImages_ = nullptr;
    int checkWidth_ = 0;
    int checkHeight_ = 0;
    COLORREF colours_[kColourCount] = {};
    std::vector<std::unique_ptr<Item>> items_;
    std::vector<std::pair<int, int>> imageMap_;  // (image index, command id)
    bool submenuEntriesAsItems_;
    int depth_ = 0;
};

}  // namespace qm::win
