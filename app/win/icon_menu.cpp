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

void Line(HDC dc, int x0, int y0, int x1, int y1, COLORREF colour) {
    HPEN pen = ::CreatePen(PS_SOLID, 1, colour);
    HGDIOBJ old = ::SelectObject(dc, pen);
    ::MoveToEx(dc, x0, y0, nullptr);
    ::LineTo(dc, x1, y1);
    ::SelectObject(dc, old);
    ::DeleteObject(pen);
}

void Fill(HDC dc, const RECT& r, COLORREF colour) {
    HBRUSH brush = ::CreateSolidBrush(colour);
    ::FillRect(dc, &r, brush);
    ::DeleteObject(brush);
}

// A one-pixel frame: topLeft on the top and left edges, bottomRight on the others.
void Frame(HDC dc, const RECT& r, COLORREF topLeft, COLORREF bottomRight) {
    Line(dc, r.left, r.bottom - 1, r.left, r.top, topLeft);
    Line(dc, r.left, r.top, r.right - 1, r.top, topLeft);
    Line(dc, r.right - 1, r.top, r.right - 1, r.bottom - 1, bottomRight);
    Line(dc, r.right - 1, r.bottom - 1, r.left - 1, r.bottom - 1, bottomRight);
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
    : dpi_(WindowDpi(window)),
      imageWidth_(ScaleToDpi(kDefaultImageSize, dpi_)),
      imageHeight_(ScaleToDpi(kDefaultImageSize, dpi_)),
      submenuEntriesAsItems_(submenuEntriesAsItems) {
    static const int kSystemColours[kColourCount] = {
        COLOR_MENUTEXT,  COLOR_HIGHLIGHTTEXT, COLOR_BTNFACE,    COLOR_MENU,
        COLOR_HIGHLIGHT, COLOR_BTNHIGHLIGHT,  COLOR_BTNSHADOW,  COLOR_GRAYTEXT,
        COLOR_BTNFACE,   COLOR_BTNHIGHLIGHT,  COLOR_BTNSHADOW,
    };
    for (int i = 0; i < kColourCount; ++i) {
        colours_[i] = ::GetSysColor(kSystemColours[i]);
    }

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

    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
        menuFont_ = ::CreateFontIndirectW(&metrics.lfMenuFont);
    }
    if (menuFont_ == nullptr) {
        menuFont_ = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
    }
}

CIconMenu::~CIconMenu() {
    if (images_ != nullptr) {
        ::ImageList_Destroy(images_);
    }
    if (checkImages_ != nullptr) {
        ::ImageList_Destroy(checkImages_);
    }
    if (menuFont_ != nullptr && menuFont_ != ::GetStockObject(DEFAULT_GUI_FONT)) {
        ::DeleteObject(menuFont_);
    }
}

bool CIconMenu::LoadImages(int toolbarId) {
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

bool CIconMenu::DrawItem(const DRAWITEMSTRUCT& draw) {
    if (draw.CtlType != ODT_MENU) {
        return false;
    }
    const Item* item = ItemOf(draw.itemData);
    if (item == nullptr) {
        return true;  // a menu item without a record: nothing to draw
    }
    HDC dc = draw.hDC;
    const int savedDc = ::SaveDC(dc);
    ::SelectObject(dc, MenuFont());
    const bool selected = (draw.itemState & ODS_SELECTED) != 0;
    const bool disabled = (draw.itemState & (ODS_DISABLED | ODS_GRAYED)) != 0;
    if (item->kind == kMenuKindSeparator) {
        DrawSeparator(dc, draw.rcItem);
    } else if (item->kind == kMenuKindBarEntry) {
        DrawBarEntry(dc, draw.rcItem, *item, selected || (draw.itemState & ODS_HOTLIGHT) != 0,
                     disabled);
    } else {
        DrawCommand(dc, draw.rcItem, *item, draw.itemState);
    }
    // Text colour, background mode and font come back together.
    ::RestoreDC(dc, savedDc);
    return true;
}

void CIconMenu::DrawSeparator(HDC dc, const RECT& r) const {
    Fill(dc, r, colours_[kMenu]);
    const int inset = ScaleToDpi(2, dpi_);
    const int y = r.top + inset;
    Line(dc, r.left + inset, y, r.right - inset, y, colours_[kButtonShadow]);
    Line(dc, r.left + inset, y + 1, r.right - inset, y + 1, colours_[kButtonHighlight]);
}

void CIconMenu::DrawBarEntry(HDC dc, const RECT& r, const Item& item, bool selected,
                             bool disabled) const {
    Fill(dc, r, colours_[kMenu]);
    RECT text = r;
    if (selected && !disabled) {
        ::OffsetRect(&text, ScaleToDpi(2, dpi_), ScaleToDpi(1, dpi_));
    }
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, colours_[disabled ? kGreyText : kMenuText]);
    ::DrawTextW(dc, item.text.c_str(), static_cast<int>(item.text.size()), &text,
                DT_SINGLELINE | DT_CENTER | DT_VCENTER);
    if (selected && !disabled) {
        Frame(dc, r, colours_[kButtonShadow], colours_[kButtonHighlight]);
    }
}

void CIconMenu::DrawCommand(HDC dc, const RECT& r, const Item& item, UINT state) const {
    const bool selected = (state & ODS_SELECTED) != 0;
    const bool disabled = (state & (ODS_DISABLED | ODS_GRAYED)) != 0;
    const bool checked = (state & ODS_CHECKED) != 0;
    const bool hasImage = item.image >= 0 && images_ != nullptr;
    const int box = r.bottom - r.top;
    const RECT imageBox{r.left, r.top, r.left + box, r.bottom};
    RECT textArea{imageBox.right + 1, r.top, r.right, r.bottom};

    ::SetBkMode(dc, TRANSPARENT);
    Fill(dc, (hasImage || checked) ? textArea : r, colours_[selected ? kHighlight : kMenu]);
    if (hasImage || checked) {
        Fill(dc, imageBox, colours_[kMenu]);  // otherwise it shares the item's fill
    }
    if (hasImage) {
        if (selected && !disabled) {
            Frame(dc, imageBox, colours_[kButtonHighlight], colours_[kButtonShadow]);
        } else {
            Frame(dc, imageBox, colours_[kMenu], colours_[kMenu]);
        }
        const int x = imageBox.left + (box - imageWidth_) / 2;
        const int y = imageBox.top + (box - imageHeight_) / 2;
        if (disabled) {
            HICON icon = ::ImageList_GetIcon(images_, item.image, ILD_NORMAL);
            ::DrawStateW(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(icon), 0, x, y,
                         imageWidth_, imageHeight_, DST_ICON | DSS_DISABLED);
            ::DestroyIcon(icon);
        } else {
            ::ImageList_Draw(images_, item.image, dc, x, y, ILD_TRANSPARENT);
        }
    } else if (checked && checkImages_ != nullptr) {
        // Centred as an image of the menu's image size would be, 2 pixels higher.
        const int x = imageBox.left + (box - imageWidth_) / 2 + (imageWidth_ - checkWidth_) / 2;
        const int y = imageBox.top + (box - imageHeight_) / 2 + (imageHeight_ - checkHeight_) / 2 -
                      ScaleToDpi(2, dpi_);
        ::ImageList_Draw(checkImages_, 0, dc, x, y, ILD_TRANSPARENT);
    }

    RECT text{textArea.left + ScaleToDpi(2, dpi_), r.top, r.right - ScaleToDpi(15, dpi_),
              r.bottom};
    if (disabled && !selected) {
        RECT shadow = text;
        ::OffsetRect(&shadow, 1, 1);
        ::SetTextColor(dc, colours_[kButtonHighlight]);
        DrawItemText(dc, shadow, item, 0);
        ::SetTextColor(dc, colours_[kGreyText]);
    } else if (disabled) {
        ::SetTextColor(dc, colours_[kMenu]);
    } else {
        ::SetTextColor(dc, colours_[selected ? kHighlightText : kMenuText]);
    }
    DrawItemText(dc, text, item, 0);
}

void CIconMenu::DrawItemText(HDC dc, const RECT& r, const Item& item, UINT format) const {
    RECT area = r;
    const UINT line = format | DT_SINGLELINE | DT_VCENTER;
    const MenuTextParts parts = SplitMenuText(item.text);
    if (!parts.hasTab) {
        ::DrawTextW(dc, item.text.c_str(), static_cast<int>(item.text.size()), &area,
                    line | DT_LEFT | DT_EXPANDTABS);
        return;
    }
    ::DrawTextW(dc, parts.label.c_str(), static_cast<int>(parts.label.size()), &area,
                line | DT_LEFT);
    area = r;
    ::DrawTextW(dc, parts.accelerator.c_str(), static_cast<int>(parts.accelerator.size()), &area,
                line | DT_RIGHT);
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
