#include "explorer/win/sort_list_win.h"

#include <commctrl.h>

#include <cstdlib>

#include "platform/win/utf16_win.h"
#include "res/resource.h"

namespace qm::win {

namespace {

constexpr wchar_t kWidthSection[] = L"ColumnWidths";

std::vector<int> ParseWidths(const std::wstring& text) {
    std::vector<int> widths;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t comma = text.find(L',', at);
        if (comma == std::wstring::npos) {
            break;
        }
        const int width = std::wcstol(text.substr(at, comma - at).c_str(), nullptr, 10);
        widths.push_back(width);
        at = comma + 1;
    }
    return widths;
}

}  // namespace

CSortListPane::CSortListPane() {
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    ascending_ = static_cast<HBITMAP>(::LoadImageW(instance, MAKEINTRESOURCEW(IDB_SORT_ASCENDING),
                                                   IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS));
    descending_ = static_cast<HBITMAP>(::LoadImageW(
        instance, MAKEINTRESOURCEW(IDB_SORT_DESCENDING), IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS));
}

CSortListPane::~CSortListPane() {
    if (ascending_ != nullptr) {
        ::DeleteObject(ascending_);
    }
    if (descending_ != nullptr) {
        ::DeleteObject(descending_);
    }
}

void CSortListPane::SetProfile(const std::string& iniPath, const std::string& key) {
    iniPath_ = iniPath;
    profileKey_ = key;
}

bool CSortListPane::CreateList(HWND parent, int paneId, int listId,
                               const std::vector<ListColumn>& columns) {
    if (!CreatePane(parent, paneId)) {
        return false;
    }
    HWND list = CreateControl(WS_EX_CLIENTEDGE, WC_LISTVIEWW,
                              LVS_REPORT | LVS_SHOWSELALWAYS | WS_TABSTOP, listId);
    if (list == nullptr) {
        return false;
    }
    const DWORD ex = static_cast<DWORD>(::SendMessageW(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
    ::SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, ex | LVS_EX_FULLROWSELECT);
    std::vector<int> widths;
    if (!iniPath_.empty()) {
        wchar_t text[512] = {};
        ::GetPrivateProfileStringW(kWidthSection, Widen(profileKey_).c_str(), L"", text, 512,
                                   Widen(iniPath_).c_str());
        widths = ParseWidths(text);
    }
    const bool kept = widths.size() == columns.size();
    for (std::size_t i = 0; i < columns.size(); ++i) {
        std::wstring title = Widen(columns[i].title);
        LVCOLUMNW column{};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.fmt = LVCFMT_LEFT;
        column.cx = kept && widths[i] > 0 && widths[i] < 4000 ? widths[i] : columns[i].width;
        column.pszText = title.data();
        column.iSubItem = static_cast<int>(i);
        ::SendMessageW(list, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
    }
    return true;
}

int CSortListPane::RowCount() const {
    return static_cast<int>(::SendMessageW(Control(), LVM_GETITEMCOUNT, 0, 0));
}

void CSortListPane::ClearRows() {
    rows_.clear();
    order_.clear();
    ::SendMessageW(Control(), LVM_DELETEALLITEMS, 0, 0);
}

void CSortListPane::SetRows(std::vector<FilterListRow> rows) {
    rows_ = std::move(rows);
    order_ = IdentityOrder(rows_.size());
    RunSortPasses(rows_, order_, keys_.Passes());
    InsertRows();
}

void CSortListPane::InsertRows() {
    HWND list = Control();
    ::SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    ::SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    ::SendMessageW(list, LVM_SETITEMCOUNT, order_.size(), 0);
    for (std::size_t position = 0; position < order_.size(); ++position) {
        const FilterListRow& row = rows_[static_cast<std::size_t>(order_[position])];
        std::wstring text = Widen(row.texts[0]);
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
        item.iItem = static_cast<int>(position);
        item.pszText = text.data();
        item.iImage = 0;
        item.lParam = row.itemData;
        const int at =
            static_cast<int>(::SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
        for (int c = 1; c < static_cast<int>(row.texts.size()); ++c) {
            std::wstring sub = Widen(row.texts[static_cast<std::size_t>(c)]);
            LVITEMW subItem{};
            subItem.iSubItem = c;
            subItem.pszText = sub.data();
            ::SendMessageW(list, LVM_SETITEMTEXTW, at, reinterpret_cast<LPARAM>(&subItem));
        }
    }
    ::SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(list, nullptr, TRUE);
}

void CSortListPane::SortControlByOrder() {
    // The passes ran on the model; the control takes that order by the rank of
    // each row's item data, so its own sort may be of any kind.
    std::vector<int> rank(rows_.size());
    for (std::size_t position = 0; position < order_.size(); ++position) {
        rank[static_cast<std::size_t>(rows_[static_cast<std::size_t>(order_[position])].itemData)] =
            static_cast<int>(position);
    }
    auto compare = [](LPARAM a, LPARAM b, LPARAM ranks) -> int {
        const auto& r = *reinterpret_cast<const std::vector<int>*>(ranks);
        return r[static_cast<std::size_t>(a)] - r[static_cast<std::size_t>(b)];
    };
    ::SendMessageW(Control(), LVM_SORTITEMS, reinterpret_cast<WPARAM>(&rank),
                   reinterpret_cast<LPARAM>(static_cast<PFNLVCOMPARE>(compare)));
}

void CSortListPane::SortByColumn(int column, bool addKey) {
    const SortClick click = keys_.Click(column, addKey);
    if (click.passes.empty()) {
        return;
    }
    if (click.hideAllArrows) {
        HideAllSortArrows();
    }
    RunSortPasses(rows_, order_, click.passes);
    SortControlByOrder();
    ShowSortArrow(click.arrowColumn, click.arrowAscending);
}

void CSortListPane::ApplySortKeys() {
    const std::vector<SortPass> passes = keys_.Passes();
    if (passes.empty()) {
        return;
    }
    RunSortPasses(rows_, order_, passes);
    SortControlByOrder();
}

void CSortListPane::ShowSortArrow(int column, bool ascending) {
    HWND header = reinterpret_cast<HWND>(::SendMessageW(Control(), LVM_GETHEADER, 0, 0));
    HDITEMW item{};
    item.mask = HDI_FORMAT;
    if (!::SendMessageW(header, HDM_GETITEMW, column, reinterpret_cast<LPARAM>(&item))) {
        return;
    }
    item.mask = HDI_FORMAT | HDI_BITMAP;
    item.fmt |= HDF_BITMAP | HDF_BITMAP_ON_RIGHT;
    item.hbm = ascending ? ascending_ : descending_;
    ::SendMessageW(header, HDM_SETITEMW, column, reinterpret_cast<LPARAM>(&item));
}

void CSortListPane::HideSortArrow(int column) {
    if (column == -1) {
        return;
    }
    HWND header = reinterpret_cast<HWND>(::SendMessageW(Control(), LVM_GETHEADER, 0, 0));
    HDITEMW item{};
    item.mask = HDI_FORMAT;
    if (!::SendMessageW(header, HDM_GETITEMW, column, reinterpret_cast<LPARAM>(&item))) {
        return;
    }
    item.fmt &= ~(HDF_BITMAP | HDF_BITMAP_ON_RIGHT);
    ::SendMessageW(header, HDM_SETITEMW, column, reinterpret_cast<LPARAM>(&item));
}

void CSortListPane::HideAllSortArrows() {
    HWND header = reinterpret_cast<HWND>(::SendMessageW(Control(), LVM_GETHEADER, 0, 0));
    const int count = static_cast<int>(::SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        HideSortArrow(i);
    }
}

void CSortListPane::StoreColumnWidths() {
    if (iniPath_.empty() || Control() == nullptr) {
        return;
    }
    HWND header = reinterpret_cast<HWND>(::SendMessageW(Control(), LVM_GETHEADER, 0, 0));
    const int count = static_cast<int>(::SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
    std::wstring text;
    for (int i = 0; i < count; ++i) {
        text += std::to_wstring(::SendMessageW(Control(), LVM_GETCOLUMNWIDTH, i, 0)) + L",";
    }
    ::WritePrivateProfileStringW(kWidthSection, Widen(profileKey_).c_str(), text.c_str(),
                                 Widen(iniPath_).c_str());
    widthsStored_ = true;
}

int CSortListPane::ItemData(int position) const {
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = position;
    if (!::SendMessageW(Control(), LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item))) {
        return -1;
    }
    return static_cast<int>(item.lParam);
}

std::vector<int> CSortListPane::SelectedPositions() const {
    std::vector<int> positions;
    int at = -1;
    while ((at = static_cast<int>(::SendMessageW(Control(), LVM_GETNEXTITEM, at,
                                                 LVNI_SELECTED))) != -1) {
        positions.push_back(at);
    }
    return positions;
}

int CSortListPane::SelectedCount() const {
    return static_cast<int>(::SendMessageW(Control(), LVM_GETSELECTEDCOUNT, 0, 0));
}

void CSortListPane::SetSelected(int position, bool selected) {
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED;
    item.state = selected ? LVIS_SELECTED : 0;
    ::SendMessageW(Control(), LVM_SETITEMSTATE, position, reinterpret_cast<LPARAM>(&item));
}

bool CSortListPane::OnNotify(const NMHDR& header, LRESULT& result) {
    if (header.code == LVN_COLUMNCLICK) {
        const auto& view = reinterpret_cast<const NMLISTVIEW&>(header);
        SortByColumn(view.iSubItem, (::GetKeyState(VK_CONTROL) & 0x8000) != 0);
        result = 0;
        return true;
    }
    return false;
}

bool CSortListPane::OnDestroy() {
    if (!widthsStored_) {
        StoreColumnWidths();
    }
    return false;
}

}  // namespace qm::win
