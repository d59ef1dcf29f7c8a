// The drawing of CIconMenu's items: separators, menu-bar entries and
// commands with their pictures, check marks and states.
#include "app/win/icon_menu.h"

#include "app/menu_layout.h"

namespace qm::win {

namespace {

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

}  // namespace

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

}  // namespace qm::win
