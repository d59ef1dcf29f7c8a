#include "explorer/win/filter_list_win.h"

#include <commctrl.h>

#include <algorithm>

#include "app/app_core.h"
#include "app/menu_layout.h"
#include "app/win/dpi_win.h"
#include "explorer/win/location_tree_win.h"
#include "explorer/win/preview_win.h"
#include "explorer/win/properties_win.h"
#include "platform/win/utf16_win.h"
#include "res/resource.h"
#include "store/open_browser.h"

namespace qm::win {

namespace {

constexpr int kIconSize = 16;  // at 96 dpi
const UINT kFindMessage = ::RegisterWindowMessageW(FINDMSGSTRINGW);

const std::vector<ListColumn> kColumns = {
    {kFilterListColumns[0], 300}, {kFilterListColumns[1], 130}, {kFilterListColumns[2], 50},
    {kFilterListColumns[3], 120}, {kFilterListColumns[4], 60},  {kFilterListColumns[5], 120},
};

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

}  // namespace

CFilterList::~CFilterList() {
    if (findDialog_ != nullptr) {
        ::DestroyWindow(findDialog_);
    }
}

bool CFilterList::CreateFilterList(HWND parent, int paneId) {
    SetProfile(panes_.profilePath, "ListView");
    if (!CreateList(parent, paneId, IDC_EXPLORER_LIST, kColumns)) {
        return false;
    }
    ReplaceImages(LVM_SETIMAGELIST, LVSIL_SMALL,
                  MakeIconImages({IDI_FILTER}, ScaleForWindow(parent, kIconSize)));
    ::SetTimer(Handle(), 0, 1000, nullptr);
    return true;
}

void CFilterList::ApplyDpi(int fromDpi, int toDpi) {
    ReplaceImages(LVM_SETIMAGELIST, LVSIL_SMALL,
                  MakeIconImages({IDI_FILTER}, ScaleToDpi(kIconSize, toDpi)));
    for (int column = 0; column < static_cast<int>(kColumns.size()); ++column) {
        const int width =
            static_cast<int>(::SendMessageW(Control(), LVM_GETCOLUMNWIDTH, column, 0));
        ::SendMessageW(Control(), LVM_SETCOLUMNWIDTH, column,
                       MAKELPARAM(::MulDiv(width, toDpi, fromDpi), 0));
    }
}

void CFilterList::ShowHostFile(const std::string& hostFileName) {
    hostFile_ = hostFileName;
    lastPreviewed_ = -1;
    if (panes_.preview != nullptr) {
        panes_.preview->ClearPreview();
    }
    std::vector<FilterListRow> rows;
    if (!hostFileName.empty() && panes_.core != nullptr) {
        panes_.core->FillFilterList(hostFileName, rows);
    }
    SetRows(std::move(rows));
}

void CFilterList::Refresh() {
    if (restoring_) {
        refreshWanted_ = true;
        return;
    }
    std::vector<int> selected;
    for (int position : SelectedPositions()) {
        selected.push_back(ItemData(position));
    }
    const int focusedPosition =
        static_cast<int>(::SendMessageW(Control(), LVM_GETNEXTITEM, -1, LVNI_FOCUSED));
    const std::vector<RowIdentity> kept = IdentitiesOf(Rows(), selected);
    const std::vector<RowIdentity> focused =
        IdentitiesOf(Rows(), {focusedPosition >= 0 ? ItemData(focusedPosition) : -1});
    const int top = static_cast<int>(::SendMessageW(Control(), LVM_GETTOPINDEX, 0, 0));
    ShowHostFile(hostFile_);
    const std::vector<int> again = ItemDataOf(Rows(), kept);
    const std::vector<int> focusAgain = ItemDataOf(Rows(), focused);
    for (int position = 0; position < RowCount(); ++position) {
        const int data = ItemData(position);
        if (std::find(again.begin(), again.end(), data) != again.end()) {
            SetSelected(position, true);
        }
        if (!focusAgain.empty() && focusAgain.front() == data) {
            LVITEMW item{};
            item.stateMask = LVIS_FOCUSED;
            item.state = LVIS_FOCUSED;
            ::SendMessageW(Control(), LVM_SETITEMSTATE, position, reinterpret_cast<LPARAM>(&item));
        }
    }
    if (top > 0 && RowCount() > 0) {
        ::SendMessageW(Control(), LVM_ENSUREVISIBLE, std::min(top, RowCount() - 1), FALSE);
    }
}

void CFilterList::ClearList() {
    ClearRows();
    hostFile_.clear();
    if (panes_.preview != nullptr) {
        panes_.preview->ClearPreview();
    }
}

bool CFilterList::HandlesCommand(int id) const {
    switch (id) {
        case ID_RESTORE:
        case ID_PROPERTIES:
        case ID_VIEW_HTML_SOURCE:
        case ID_GOTO_WEB_PAGE:
        case ID_SELECT_ALL:
        case ID_INVERT_SELECTION:
        case ID_FIND:
        case ID_FIND_NEXT:
            return true;
        default:
            return false;
    }
}

bool CFilterList::IsCommandEnabled(int id) const {
    const int selected = SelectedCount();
    switch (id) {
        case ID_RESTORE:
        case ID_GOTO_WEB_PAGE:
            return selected >= 1;
        case ID_PROPERTIES:
        case ID_VIEW_HTML_SOURCE:
            return selected == 1;
        case ID_FIND_NEXT:
            return !search_.text.empty();
        default:
            return HandlesCommand(id);
    }
}

int CFilterList::FirstSelectedRecord() const {
    const int position =
        static_cast<int>(::SendMessageW(Control(), LVM_GETNEXTITEM, -1, LVNI_SELECTED));
    return position >= 0 ? ItemData(position) : -1;
}

void CFilterList::RunCommand(int id) {
    AppCore* core = panes_.core;
    const int record = FirstSelectedRecord();
    switch (id) {
        case ID_RESTORE:
            Restore();
            break;
        case ID_PROPERTIES:
            if (record >= 0 && core != nullptr) {
                CFilterPropertiesSheet sheet(panes_.frame);
                core->ShowFilterProperties(hostFile_, record, sheet);
            }
            break;
        case ID_VIEW_HTML_SOURCE:
            if (record >= 0 && core != nullptr) {
                core->ViewFilterSource(hostFile_, record, panes_.sourceDirectory);
            }
            break;
        case ID_GOTO_WEB_PAGE:
            GoToWebPage();
            break;
        case ID_SELECT_ALL:
            for (int position = 0; position < RowCount(); ++position) {
                SetSelected(position, true);
            }
            break;
        case ID_INVERT_SELECTION:
            for (int position = 0; position < RowCount(); ++position) {
                const bool on = ::SendMessageW(Control(), LVM_GETITEMSTATE, position,
                                               LVIS_SELECTED) != 0;
                SetSelected(position, !on);
            }
            break;
        case ID_FIND:
            OpenFind();
            break;
        case ID_FIND_NEXT:
            if (!search_.text.empty()) {
                Search(search_);
            }
            break;
        default:
            break;
    }
}

void CFilterList::Restore() {
    AppCore* core = panes_.core;
    std::vector<int> selected;
    for (int position : SelectedPositions()) {
        selected.push_back(ItemData(position));
    }
    if (core == nullptr || selected.empty()) {
        return;
    }
    const std::vector<int> order = RestoreOrder(selected);
    // The store reports each change; the list is filled once at the end.
    restoring_ = true;
    for (int index : order) {
        core->RestoreFilter(hostFile_, index);
    }
    restoring_ = false;
    refreshWanted_ = false;
    if (RowCount() == static_cast<int>(order.size())) {
        ClearRows();
        if (panes_.tree != nullptr) {
            panes_.tree->RebuildTree();
        }
    } else {
        ShowHostFile(hostFile_);
    }
    if (panes_.preview != nullptr) {
        panes_.preview->ClearPreview();
    }
}

void CFilterList::GoToWebPage() {
    AppCore* core = panes_.core;
    const int record = FirstSelectedRecord();
    std::string url;
    FilterRecord copy;
    if (core == nullptr || record < 0 || !core->GetFilter(hostFile_, record, url, copy)) {
        return;
    }
    OpenInDefaultBrowser(ReplaceAll(url, "%20", " "), ShowState::kNormal, core->Context().registry,
                         core->Context().launcher);
}

void CFilterList::OpenFind() {
    if (findDialog_ != nullptr) {
        ::SetActiveWindow(findDialog_);
        return;
    }
    findText_.assign(256, L'\0');
    find_ = std::make_unique<FINDREPLACEW>();
    *find_ = FINDREPLACEW{};
    find_->lStructSize = sizeof(FINDREPLACEW);
    find_->hwndOwner = Handle();
    find_->Flags = FR_DOWN | FR_HIDEWHOLEWORD;
    find_->lpstrFindWhat = findText_.data();
    find_->wFindWhatLen = static_cast<WORD>(findText_.size());
    findDialog_ = ::FindTextW(find_.get());
}

void CFilterList::OnFindMessage(const FINDREPLACEW& find) {
    if ((find.Flags & FR_DIALOGTERM) != 0) {
        findDialog_ = nullptr;
        return;
    }
    if ((find.Flags & FR_FINDNEXT) != 0) {
        Search(ListSearch{Narrow(find.lpstrFindWhat), (find.Flags & FR_DOWN) != 0,
                          (find.Flags & FR_MATCHCASE) != 0});
    }
}

void CFilterList::SelectOnly(int position) {
    for (int selected : SelectedPositions()) {
        SetSelected(selected, false);
    }
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    ::SendMessageW(Control(), LVM_SETITEMSTATE, position, reinterpret_cast<LPARAM>(&item));
    ::SendMessageW(Control(), LVM_ENSUREVISIBLE, position, TRUE);
}

bool CFilterList::Search(const ListSearch& search) {
    search_ = search;
    std::vector<const FilterListRow*> shown;
    const std::vector<FilterListRow>& rows = Rows();
    for (int position = 0; position < RowCount(); ++position) {
        const int data = ItemData(position);
        if (data < 0 || data >= static_cast<int>(rows.size())) {
            return false;
        }
        shown.push_back(&rows[static_cast<std::size_t>(data)]);
    }
    const int match = FindRow(shown, position_, search);
    if (match < 0) {
        ::MessageBoxW(findDialog_ != nullptr ? findDialog_ : panes_.frame, L"Not Found !",
                      Widen(LoadResourceString(AFX_IDS_APP_TITLE)).c_str(), MB_OK);
        return false;
    }
    SelectOnly(match);
    position_ = match;
    if (panes_.frame != nullptr) {
        ::SetActiveWindow(panes_.frame);
    }
    return true;
}

void CFilterList::Tick() {
    if (SelectedCount() != 1 || panes_.core == nullptr || panes_.preview == nullptr) {
        return;
    }
    const int record = FirstSelectedRecord();
    if (record < 0 || record == lastPreviewed_) {
        return;
    }
    lastPreviewed_ = record;
    std::string url;
    FilterRecord copy;
    if (panes_.core->GetFilter(hostFile_, record, url, copy)) {
        panes_.preview->ShowElement(url, copy);
    }
}

bool CFilterList::OnTimer(UINT_PTR) {
    Tick();
    return true;
}

bool CFilterList::OnNotify(const NMHDR& header, LRESULT& result) {
    if (header.code == NM_CLICK) {
        if (SelectedCount() == 1) {
            position_ = static_cast<int>(
                ::SendMessageW(Control(), LVM_GETNEXTITEM, -1, LVNI_SELECTED));
        }
        result = 0;
        return true;
    }
    if (header.code == NM_DBLCLK) {
        if (FirstSelectedRecord() >= 0) {
            RunCommand(ID_PROPERTIES);
        }
        result = 0;
        return true;
    }
    if (header.code == NM_SETFOCUS && panes_.frame != nullptr) {
        ::SendMessageW(panes_.frame, WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
    }
    return CSortListPane::OnNotify(header, result);
}

bool CFilterList::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (menuImages_ != nullptr && menuImages_->Route(Handle(), message, wParam, lParam, result)) {
        return true;
    }
    if (message == kFindMessage && lParam != 0) {
        OnFindMessage(*reinterpret_cast<const FINDREPLACEW*>(lParam));
        result = 0;
        return true;
    }
    return CSortListPane::OnMessage(message, wParam, lParam, result);
}

bool CFilterList::OnContextMenu(HWND, POINT screen) {
    if (SelectedCount() == 0) {
        return true;
    }
    HMENU menu = ::LoadMenuW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_RECYCLE_BIN_MENU));
    HMENU popup = ::GetSubMenu(menu, 1);  // "ON_FILTER_ITEM"
    if (popup == nullptr) {
        ::DestroyMenu(menu);
        return true;
    }
    if (SelectedCount() != 1) {
        ::EnableMenuItem(popup, ID_PROPERTIES, MF_BYCOMMAND | MF_GRAYED);
        ::EnableMenuItem(popup, ID_VIEW_HTML_SOURCE, MF_BYCOMMAND | MF_GRAYED);
    }
    ::SetMenuDefaultItem(popup, ID_PROPERTIES, FALSE);
    // The items show the images of their toolbar buttons.
    menuImages_ = std::make_unique<CIconMenu>(true, Handle());
    menuImages_->LoadImages(IDR_MENU_IMAGES);
    menuImages_->Convert(popup);
    if (screen.x == -1 && screen.y == -1) {
        ::GetCursorPos(&screen);
    }
    const int chosen = static_cast<int>(::TrackPopupMenu(
        popup, TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY, screen.x, screen.y, 0,
        Handle(), nullptr));
    ::DestroyMenu(menu);
    if (chosen != 0) {
        RunCommand(chosen);
    }
    menuImages_.reset();
    return true;
}

}  // namespace qm::win
