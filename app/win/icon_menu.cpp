#include "app/win/icon_menu.h"

#include <algorithm>

#include "app/menu_layout.h"
#include "app/win/dpi_win.h"
#include "res/resource.h"

namespace qm::win {

namespace {

constexpr int kDefaultImageSize = 20;
constexpr int kCheckSize = 19;
constexpr COLORREF kMaskColour = RGB(192, 192, 192);
constexpr size_t kMaxItemText = 126;
constexpr int kMaxPopupText = 256;
constexpr WORD kToolbarResource = 241;  // RT_TOOLBAR

// The bitmaps drawn for larger screen scalings, by the bitmap of 100%.
struct ScaledBitmap {
    int base;
    int percent;
    int id;
};
constexpr ScaledBitmap kScaledBitmaps[] = {
    {IDR_MENU_IMAGES, 200, IDB_MENU_IMAGES_200},
    {IDR_MENU_IMAGES, 150, IDB_MENU_IMAGES_150},
    {IDB_MENU_CHECK, 200, IDB_MENU_CHECK_200},
    {IDB_MENU_CHECK, 150, IDB_MENU_CHECK_150},
};

// The bitmap for the dpi: the largest drawn scaling that does not exceed it.
int BitmapFor(int base, int dpi) {
    for (const ScaledBitmap& scaled : kScaledBitmaps) {
        if (scaled.base == base && dpi * 100 >= scaled.percent * kDesignDpi) {
            return scaled.id;
        }
    }
    return base;
}

SIZE BitmapSize(HBITMAP bitmap) {
    BITMAP info{};
    if (bitmap == nullptr || ::GetObjectW(bitmap, sizeof(info), &info) == 0) {
        return SIZE{0, 0};
    }
    return SIZE{info.bmWidth, info.bmHeight};
}

std::wstring ItemText(HMENU menu, UINT position, size_t limit) {
    wchar_t buffer[kMaxPopupText + 1] = {};
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_STRING;
    info.dwTypeData = buffer;
    info.cch = kMaxPopupText;
    if (!::GetMenuItemInfoW(menu, position, TRUE, &info)) {
        return std::wstring();
    }
    std::wstring text(buffer);
    if (text.size() > limit) {
        text.resize(limit);
    }
    return text;
}

}  // namespace

CIconMenu::CIconMenu(bool submenuEntriesAsItems, HWND window)
    : dpi_(WindowDpi(window)), submenuEntriesAsItems_(submenuEntriesAsItems) {
    static const int kSystemColours[kColourCount] = {
        COLOR_MENUTEXT,  COLOR_HIGHLIGHTTEXT, COLOR_BTNFACE,    COLOR_MENU,
        COLOR_HIGHLIGHT, COLOR_BTNHIGHLIGHT,  COLOR_BTNSHADOW,  COLOR_GRAYTEXT,
        COLOR_BTNFACE,   COLOR_BTNHIGHLIGHT,  COLOR_BTNSHADOW,
    };
    for (int i = 0; i < kColourCount; ++i) {
        colours_[i] = ::GetSysColor(kSystemColours[i]);
    }
    LoadForDpi();
}

CIconMenu::~CIconMenu() {
    FreeForDpi();
}

void CIconMenu::FreeForDpi() {
    if (images_ != nullptr) {
        ::ImageList_Destroy(images_);
        images_ = nullptr;
    }
    if (checkImages_ != nullptr) {
        ::ImageList_Destroy(checkImages_);
        checkImages_ = nullptr;
    }
    if (menuFont_ != nullptr && menuFont_ != ::GetStockObject(DEFAULT_GUI_FONT)) {
        ::DeleteObject(menuFont_);
    }
    menuFont_ = nullptr;
}

void CIconMenu::LoadForDpi() {
    imageWidth_ = ScaleToDpi(kDefaultImageSize, dpi_);
    imageHeight_ = ScaleToDpi(kDefaultImageSize, dpi_);

    // The check mark, its greys mapped to the system's three-dimensional colours.
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    auto check = static_cast<HBITMAP>(
        ::LoadImageW(instance, MAKEINTRESOURCEW(BitmapFor(IDB_MENU_CHECK, dpi_)), IMAGE_BITMAP, 0,
                     0, LR_LOADMAP3DCOLORS));
    const SIZE checkSize = BitmapSize(check);
    checkWidth_ = checkSize.cx > 0 ? checkSize.cx : ScaleToDpi(kCheckSize, dpi_);
    checkHeight_ = checkSize.cy > 0 ? checkSize.cy : ScaleToDpi(kCheckSize, dpi_);
    checkImages_ = ::ImageList_Create(checkWidth_, checkHeight_, ILC_COLOR24 | ILC_MASK, 1, 0);
    if (checkImages_ != nullptr && check != nullptr) {
        // The corner is background: light grey, or the face colour it was mapped to.
        COLORREF background = ::GetSysColor(COLOR_3DFACE);
        if (HDC dc = ::CreateCompatibleDC(nullptr)) {
            HGDIOBJ old = ::SelectObject(dc, check);
            background = ::GetPixel(dc, 0, 0);
            ::SelectObject(dc, old);
            ::DeleteDC(dc);
        }
        ::ImageList_AddMasked(checkImages_, check, background);
    }
    if (check != nullptr) {
        ::DeleteObject(check);
    }

    const LOGFONTW face = MenuFontForDpi(dpi_);
    menuFont_ = face.lfHeight != 0 ? ::CreateFontIndirectW(&face) : nullptr;
    if (menuFont_ == nullptr) {
        menuFont_ = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
    }
    if (toolbarId_ != 0) {
        LoadImages(toolbarId_);
    }
}

void CIconMenu::SetDpi(int dpi) {
    if (dpi <= 0 || dpi == dpi_) {
        return;
    }
    dpi_ = dpi;
    FreeForDpi();
    LoadForDpi();
}

bool CIconMenu::LoadImages(int toolbarId) {
    toolbarId_ = toolbarId;
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    HRSRC found = ::FindResourceW(instance, MAKEINTRESOURCEW(toolbarId),
                                  MAKEINTRESOURCEW(kToolbarResource));
    HGLOBAL loaded = found != nullptr ? ::LoadResource(instance, found) : nullptr;
    const auto* words = loaded != nullptr ? static_cast<const WORD*>(::LockResource(loaded)) : nullptr;
    const DWORD bytes = found != nullptr ? ::SizeofResource(instance, found) : 0;
    // version, button width, button height, button count, one id per button.
    if (words == nullptr || bytes < 4 * sizeof(WORD) || words[0] != 1 ||
        bytes < (4u + words[3]) * sizeof(WORD)) {
        return false;
    }
    const int count = words[3];

    const int bitmapId = BitmapFor(toolbarId, dpi_);
    auto bitmap = static_cast<HBITMAP>(
        ::LoadImageW(instance, MAKEINTRESOURCEW(bitmapId), IMAGE_BITMAP, 0, 0, 0));
    if (bitmap == nullptr) {
        return false;
    }
    // The strip's height is the image size at this scaling; the drawn strips
    // keep the buttons square.
    const SIZE stripSize = BitmapSize(bitmap);
    const int width = bitmapId == toolbarId ? words[1] : stripSize.cy * words[1] / words[2];
    const int height = bitmapId == toolbarId ? words[2] : stripSize.cy;
    HIMAGELIST list = ::ImageList_Create(width, height, ILC_COLOR24 | ILC_MASK, count, 0);
    if (list == nullptr) {
        ::DeleteObject(bitmap);
        return false;
    }
    ::ImageList_AddMasked(list, bitmap, kMaskColour);
    ::DeleteObject(bitmap);

    if (images_ != nullptr) {
        ::ImageList_Destroy(images_);
    }
    images_ = list;
    imageWidth_ = width;
    imageHeight_ = height;
    imageMap_.clear();
    int image = 0;
    for (int i = 0; i < count; ++i) {
        const int command = words[4 + i];
        if (command != 0) {
            imageMap_.emplace_back(image++, command);
        }
    }
    return true;
}

int CIconMenu::ImageOf(int command) const {
    for (const auto& [image, id] : imageMap_) {
        if (id == command) {
            return image;
        }
    }
    return -1;
}

int CIconMenu::ImageCount() const {
    return images_ != nullptr ? ::ImageList_GetImageCount(images_) : 0;
}

const CIconMenu::Item* CIconMenu::ItemOf(ULONG_PTR itemData) const {
    for (const auto& item : items_) {
        if (reinterpret_cast<ULONG_PTR>(item.get()) == itemData) {
            return item.get();
        }
    }
    return nullptr;
}

CIconMenu::Item* CIconMenu::AddItem(int image, int kind, std::wstring text) {
    auto item = std::make_unique<Item>();
    item->image = image;
    item->kind = kind;
    item->text = std::move(text);
    if (item->text.size() > kMaxItemText) {
        item->text.resize(kMaxItemText);
    }
    items_.push_back(std::move(item));
    return items_.back().get();
}

void CIconMenu::Convert(HMENU menu) {
    ++depth_;
    ConvertLevel(menu);
    --depth_;
}

void CIconMenu::ConvertLevel(HMENU menu) {
    const int count = ::GetMenuItemCount(menu);
    for (int position = count - 1; position >= 0; --position) {
        MENUITEMINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_SUBMENU | MIIM_DATA;
        if (!::GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info)) {
            continue;
        }
        const bool ownerDrawn = (info.fType & MFT_OWNERDRAW) != 0;
        Item* item = nullptr;
        if (info.hSubMenu != nullptr) {
            Convert(info.hSubMenu);
            std::wstring text = ItemText(menu, static_cast<UINT>(position), kMaxPopupText);
            if (ownerDrawn || text.empty()) {
                continue;
            }
            const bool asItem = submenuEntriesAsItems_ || depth_ != 1;
            item = AddItem(-1, asItem ? kMenuKindPopupEntry : kMenuKindBarEntry, std::move(text));
        } else if ((info.fType & MFT_SEPARATOR) != 0) {
            if (ownerDrawn) {
                continue;
            }
            item = AddItem(-1, kMenuKindSeparator, L"--");
        } else {
            if (ownerDrawn || (info.fType & MFT_BITMAP) != 0) {
                continue;
            }
            const int command = static_cast<int>(info.wID);
            item = AddItem(ImageOf(command), command,
                           ItemText(menu, static_cast<UINT>(position), kMaxItemText));
        }
        // Only the type and the item data change: id, states and submenu stay.
        MENUITEMINFOW update{};
        update.cbSize = sizeof(update);
        update.fMask = MIIM_FTYPE | MIIM_DATA;
        update.fType = (info.fType & (MFT_SEPARATOR | MFT_RADIOCHECK | MFT_RIGHTJUSTIFY |
                                      MFT_MENUBARBREAK | MFT_MENUBREAK)) |
                       MFT_OWNERDRAW;
        update.dwItemData = reinterpret_cast<ULONG_PTR>(item);
        ::SetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &update);
    }
}

void CIconMenu::Remeasure(HMENU menu) {
    const int count = menu != nullptr ? ::GetMenuItemCount(menu) : 0;
    for (int position = 0; position < count; ++position) {
        MENUITEMINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE | MIIM_SUBMENU | MIIM_DATA;
        if (!::GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info)) {
            continue;
        }
        Remeasure(info.hSubMenu);
        if ((info.fType & MFT_OWNERDRAW) == 0) {
            continue;
        }
        // Setting the type again drops the size the system keeps for the item.
        MENUITEMINFOW again{};
        again.cbSize = sizeof(again);
        again.fMask = MIIM_FTYPE | MIIM_DATA;
        again.fType = info.fType;
        again.dwItemData = info.dwItemData;
        ::SetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &again);
    }
}

bool CIconMenu::MeasureItem(MEASUREITEMSTRUCT& measure) {
    if (measure.CtlType != ODT_MENU) {
        return false;
    }
    const Item* item = ItemOf(measure.itemData);
    if (item == nullptr) {
        return false;
    }
    MenuSize text;
    if (item->kind != kMenuKindSeparator && !item->text.empty()) {
        HDC dc = ::GetDC(nullptr);
        HGDIOBJ oldFont = ::SelectObject(dc, MenuFont());
        RECT r{0, 0, 0, 0};
        ::DrawTextW(dc, item->text.c_str(), static_cast<int>(item->text.size()), &r,
                    DT_CALCRECT | DT_SINGLELINE | DT_EXPANDTABS);
        ::SelectObject(dc, oldFont);
        ::ReleaseDC(nullptr, dc);
        text = MenuSize{r.right - r.left, r.bottom - r.top};
    }
    const MenuSize size = MeasureMenuItem(item->kind, item->text.empty(), text,
                                          MenuSize{imageWidth_, imageHeight_}, dpi_);
    measure.itemWidth = static_cast<UINT>(size.width);
    measure.itemHeight = static_cast<UINT>(size.height);
    return true;
}

bool CIconMenu::MenuChar(wchar_t typed, HMENU menu, LRESULT& result) {
    if (HIWORD(result) == MNC_EXECUTE || menu == nullptr) {
        return false;
    }
    const int count = ::GetMenuItemCount(menu);
    std::vector<MenuCharItem> candidates(static_cast<size_t>(std::max(count, 0)));
    for (int position = 0; position < count; ++position) {
        MENUITEMINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE | MIIM_DATA;
        if (!::GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info) ||
            (info.fType & MFT_OWNERDRAW) == 0 || (info.fType & MFT_SEPARATOR) != 0) {
            continue;
        }
        const Item* item = ItemOf(info.dwItemData);
        if (item == nullptr || item->kind == kMenuKindSeparator) {
            continue;
        }
        candidates[static_cast<size_t>(position)] = MenuCharItem{true, item->text};
    }
    const int found = FindMenuMnemonic(candidates, typed);
    if (found < 0) {
        return false;
    }
    result = MAKELRESULT(found, MNC_EXECUTE);
    return true;
}

bool CIconMenu::Route(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
        case WM_DRAWITEM:
            if (DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam))) {
                result = TRUE;
                return true;
            }
            return false;
        case WM_MEASUREITEM:
            if (MeasureItem(*reinterpret_cast<MEASUREITEMSTRUCT*>(lParam))) {
                result = TRUE;
                return true;
            }
            return false;
        case WM_MENUCHAR:
            result = ::DefWindowProcW(window, message, wParam, lParam);
            MenuChar(static_cast<wchar_t>(LOWORD(wParam)), reinterpret_cast<HMENU>(lParam),
                     result);
            return true;
        default:
            return false;
    }
}

}  // namespace qm::win
