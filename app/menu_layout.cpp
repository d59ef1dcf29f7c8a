#include "app/menu_layout.h"

#include <algorithm>
#include <cwctype>

namespace qm {

namespace {

constexpr int kSeparatorWidth = 10;
constexpr int kSeparatorHeight = 6;
constexpr int kEmptyItemWidth = 100;
constexpr int kImageMargin = 5;   // added to the image height
constexpr int kTextMargin = 17;   // between image box, text and the right edge

}  // namespace

int ScaleToDpi(int length, int dpi) {
    if (dpi <= 0) {
        dpi = kDesignDpi;
    }
    // Rounded to the nearest pixel, halves away from zero.
    const long long scaled = static_cast<long long>(length) * dpi;
    const long long half = kDesignDpi / 2;
    return static_cast<int>(scaled >= 0 ? (scaled + half) / kDesignDpi
                                        : -((-scaled + half) / kDesignDpi));
}

MenuSize MeasureMenuItem(int kind, bool textEmpty, MenuSize text, MenuSize image, int dpi) {
    if (kind == kMenuKindSeparator) {
        return {ScaleToDpi(kSeparatorWidth, dpi), ScaleToDpi(kSeparatorHeight, dpi)};
    }
    const int imageRow = image.height + ScaleToDpi(kImageMargin, dpi);
    if (textEmpty) {
        return {ScaleToDpi(kEmptyItemWidth, dpi), imageRow};
    }
    if (kind == kMenuKindBarEntry) {
        return text;
    }
    const int height = std::max(imageRow, text.height);
    return {text.width + ScaleToDpi(kTextMargin, dpi) + std::max(image.width, height), height};
}

MenuTextParts SplitMenuText(const std::wstring& text) {
    MenuTextParts parts;
    const size_t tab = text.find(L'\t');
    if (tab == std::wstring::npos) {
        parts.label = text;
        return parts;
    }
    parts.label = text.substr(0, tab);
    parts.accelerator = text.substr(tab + 1);
    parts.hasTab = true;
    return parts;
}

wchar_t MenuMnemonic(const std::wstring& text) {
    const size_t amp = text.find(L'&');
    if (amp == std::wstring::npos || amp + 1 >= text.size()) {
        return 0;
    }
    return static_cast<wchar_t>(std::towupper(static_cast<wint_t>(text[amp + 1])));
}

int FindMenuMnemonic(const std::vector<MenuCharItem>& items, wchar_t typed) {
    const wchar_t wanted = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(typed)));
    if (wanted == 0) {
        return -1;
    }
    for (int i = static_cast<int>(items.size()) - 1; i >= 0; --i) {
        const MenuCharItem& item = items[static_cast<size_t>(i)];
        if (item.eligible && MenuMnemonic(item.text) == wanted) {
            return i;
        }
    }
    return -1;
}

}  // namespace qm
