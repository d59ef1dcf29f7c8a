#include "explorer/win/location_tree_win.h"

#include <algorithm>
#include <functional>

#include "app/app_core.h"
#include "app/menu_layout.h"
#include "app/win/dpi_win.h"
#include "explorer/win/filter_list_win.h"
#include "platform/win/utf16_win.h"
#include "res/resource.h"
#include "store/open_browser.h"

namespace qm::win {

namespace {

HTREEITEM Next(HWND tree, HTREEITEM item, UINT code) {
    return reinterpret_cast<HTREEITEM>(
        ::SendMessageW(tree, TVM_GETNEXTITEM, code, reinterpret_cast<LPARAM>(item)));
}

std::string ItemText(HWND tree, HTREEITEM item) {
    wchar_t text[260] = {};
    TVITEMW data{};
    data.mask = TVIF_TEXT;
    data.hItem = item;
    data.pszText = text;
    data.cchTextMax = 260;
    ::SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&data));
    return Narrow(text);
}

}  // namespace

bool CLocationTree::CreateTree(HWND parent, int paneId) {
    if (!CreatePane(parent, paneId)) {
        return false;
    }
    HWND tree = CreateControl(WS_EX_CLIENTEDGE, WC_TREEVIEWW,
                              TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT |
                                  TVS_SHOWSELALWAYS | TVS_SINGLEEXPAND | WS_TABSTOP,
                              IDC_EXPLORER_TREE);
    if (tree == nullptr) {
        return false;
    }
    ApplyDpi(WindowDpi(parent));
    RebuildTree();
    return true;
}

void CLocationTree::ApplyDpi(int dpi) {
    ReplaceImages(TVM_SETIMAGELIST, TVSIL_NORMAL,
                  MakeIconImages({IDI_TREE_INNER, IDI_TREE_INNER_OPEN, IDI_TREE_LEAF},
                                 ScaleToDpi(16, dpi)));
}

void CLocationTree::Insert(HTREEITEM parent, const std::vector<LocationTreeNode>& nodes) {
    for (const LocationTreeNode& node : nodes) {
        std::wstring text = Widen(node.label);
        TVINSERTSTRUCTW insert{};
        insert.hParent = parent;
        insert.hInsertAfter = TVI_LAST;
        insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
        insert.item.pszText = text.data();
        insert.item.iImage = node.image;
        insert.item.iSelectedImage = node.selectedImage;
        insert.item.lParam = static_cast<LPARAM>(hostFiles_.size());
        hostFiles_.push_back(node.hostFileName);
        HTREEITEM item = reinterpret_cast<HTREEITEM>(
            ::SendMessageW(Control(), TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
        Insert(item, node.children);
    }
}

void CLocationTree::RebuildTree() {
    if (Control() == nullptr || panes_.core == nullptr) {
        return;
    }
    // What the user had open and selected, by labels from the top.
    std::vector<std::vector<std::string>> expanded;
    std::function<void(HTREEITEM)> collect = [&](HTREEITEM item) {
        for (; item != nullptr; item = Next(Control(), item, TVGN_NEXT)) {
            const UINT state = static_cast<UINT>(::SendMessageW(
                Control(), TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item), TVIS_EXPANDED));
            if ((state & TVIS_EXPANDED) != 0) {
                expanded.push_back(TopDownLabels(item));
                collect(Next(Control(), item, TVGN_CHILD));
            }
        }
    };
    collect(Next(Control(), nullptr, TVGN_ROOT));
    const HTREEITEM selected = Selected();
    const std::vector<std::string> selectedPath =
        selected != nullptr ? TopDownLabels(selected) : std::vector<std::string>();

    LocationTree model;
    panes_.core->BuildLocationTree(model);
    rebuilding_ = true;
    ::SendMessageW(Control(), WM_SETREDRAW, FALSE, 0);
    ::SendMessageW(Control(), TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
    hostFiles_.clear();
    Insert(TVI_ROOT, model.items);
    for (const std::vector<std::string>& path : expanded) {
        if (HTREEITEM item = ItemAt(FindLabelPath(model, path))) {
            ::SendMessageW(Control(), TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
        }
    }
    if (!selectedPath.empty()) {
        if (HTREEITEM item = ItemAt(FindLabelPath(model, selectedPath))) {
            ::SendMessageW(Control(), TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
        }
    }
    ::SendMessageW(Control(), WM_SETREDRAW, TRUE, 0);
    rebuilding_ = false;
    ++generation_;
}

HTREEITEM CLocationTree::ItemAt(const TreePath& path) const {
    if (path.empty()) {
        return nullptr;
    }
    HTREEITEM item = nullptr;
    for (std::size_t depth = 0; depth < path.size(); ++depth) {
        item = depth == 0 ? Next(Control(), nullptr, TVGN_ROOT) : Next(Control(), item, TVGN_CHILD);
        for (std::size_t i = 0; i < path[depth] && item != nullptr; ++i) {
            item = Next(Control(), item, TVGN_NEXT);
        }
        if (item == nullptr) {
            return nullptr;
        }
    }
    return item;
}

bool CLocationTree::SelectHostItem(const std::string& hostFileName) {
    if (hostFileName.empty()) {
        return false;
    }
    // Every item knows the host file it lists, so the walk needs no disk.
    std::function<HTREEITEM(HTREEITEM)> find = [&](HTREEITEM item) -> HTREEITEM {
        for (; item != nullptr; item = Next(Control(), item, TVGN_NEXT)) {
            if (HostFileOf(item) == hostFileName) {
                return item;
            }
            if (HTREEITEM below = find(Next(Control(), item, TVGN_CHILD))) {
                return below;
            }
        }
        return nullptr;
    };
    HTREEITEM item = find(Next(Control(), nullptr, TVGN_ROOT));
    if (item == nullptr) {
        return false;
    }
    ::SendMessageW(Control(), TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(item));
    ::SendMessageW(Control(), TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
    return true;
}

HTREEITEM CLocationTree::Selected() const {
    return Next(Control(), nullptr, TVGN_CARET);
}

bool CLocationTree::HasChildren(HTREEITEM item) const {
    return Next(Control(), item, TVGN_CHILD) != nullptr;
}

std::vector<std::string> CLocationTree::TopDownLabels(HTREEITEM item) const {
    LabelsToTop labels = LabelsOf(item);
    std::reverse(labels.begin(), labels.end());
    return labels;
}

LabelsToTop CLocationTree::LabelsOf(HTREEITEM item) const {
    LabelsToTop labels;
    for (; item != nullptr; item = Next(Control(), item, TVGN_PARENT)) {
        labels.push_back(ItemText(Control(), item));
    }
    return labels;
}

std::string CLocationTree::HostFileOf(HTREEITEM item) const {
    TVITEMW data{};
    data.mask = TVIF_PARAM;
    data.hItem = item;
    if (item == nullptr ||
        !::SendMessageW(Control(), TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&data)) ||
        data.lParam < 0 || static_cast<std::size_t>(data.lParam) >= hostFiles_.size()) {
        return {};
    }
    return hostFiles_[static_cast<std::size_t>(data.lParam)];
}

bool CLocationTree::HandlesCommand(int id) const {
    return id == ID_RESTORE || id == ID_GOTO_WEB_PAGE || id == ID_EXPAND_ALL ||
           id == ID_COLLAPSE_ALL;
}

bool CLocationTree::IsCommandEnabled(int id) const {
    const HTREEITEM selected = Selected();
    switch (id) {
        case ID_RESTORE:
            return selected != nullptr;
        case ID_GOTO_WEB_PAGE:
            return selected != nullptr &&
                   CanGoTo(ItemText(Control(), selected), HasChildren(selected));
        default:
            return HandlesCommand(id);
    }
}

void CLocationTree::RunCommand(int id) {
    const HTREEITEM selected = Selected();
    if (selected == nullptr) {
        return;
    }
    switch (id) {
        case ID_RESTORE:
            RestoreBranch(selected);
            break;
        case ID_GOTO_WEB_PAGE:
            if (IsCommandEnabled(ID_GOTO_WEB_PAGE)) {
                GoToHost(selected);
            }
            break;
        case ID_EXPAND_ALL:
            ExpandAll(selected);
            break;
        case ID_COLLAPSE_ALL:
            CollapseAll(selected);
            break;
        default:
            break;
    }
}

void CLocationTree::ExpandAll(HTREEITEM item) {
    ::SendMessageW(Control(), TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
    for (HTREEITEM child = Next(Control(), item, TVGN_CHILD); child != nullptr;
         child = Next(Control(), child, TVGN_NEXT)) {
        ExpandAll(child);
    }
}

void CLocationTree::CollapseAll(HTREEITEM item) {
    for (HTREEITEM child = Next(Control(), item, TVGN_CHILD); child != nullptr;
         child = Next(Control(), child, TVGN_NEXT)) {
        CollapseAll(child);
    }
    ::SendMessageW(Control(), TVM_EXPAND, TVE_COLLAPSE, reinterpret_cast<LPARAM>(item));
}

void CLocationTree::RestoreBranch(HTREEITEM item) {
    if (panes_.core == nullptr) {
        return;
    }
    const std::string pattern = RestorePatternOf(LabelsOf(item), HasChildren(item));
    const int before = generation_;
    panes_.core->RestoreHostFiles(pattern);
    // The store's report may have rebuilt the tree already; the item is then gone.
    if (generation_ == before) {
        ::SendMessageW(Control(), TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(item));
    }
    if (panes_.list != nullptr) {
        panes_.list->ClearList();
    }
}

void CLocationTree::GoToHost(HTREEITEM item) {
    AppCore* core = panes_.core;
    OpenInDefaultBrowser(HostNameOf(LabelsOf(item)), ShowState::kNormal, core->Context().registry,
                         core->Context().launcher);
}

void CLocationTree::ShowContextMenu() {
    POINT screen{};
    ::GetCursorPos(&screen);
    TVHITTESTINFO hit{};
    hit.pt = screen;
    ::ScreenToClient(Control(), &hit.pt);
    HTREEITEM item = reinterpret_cast<HTREEITEM>(
        ::SendMessageW(Control(), TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    if (item == nullptr) {
        return;
    }
    ::SendMessageW(Control(), TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
    HMENU menu = ::LoadMenuW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_RECYCLE_BIN_MENU));
    HMENU popup = ::GetSubMenu(menu, 3);  // "ON_TREE_ITEM"
    if (popup == nullptr) {
        ::DestroyMenu(menu);
        return;
    }
    if (!CanGoTo(ItemText(Control(), item), HasChildren(item))) {
        ::EnableMenuItem(popup, ID_GOTO_WEB_PAGE, MF_BYCOMMAND | MF_GRAYED);
    }
    // The items show the images of their toolbar buttons.
    menuImages_ = std::make_unique<CIconMenu>(true, Handle());
    menuImages_->LoadImages(IDR_MENU_IMAGES);
    menuImages_->Convert(popup);
    RECT area{};
    ::GetWindowRect(Control(), &area);
    TPMPARAMS params{sizeof(TPMPARAMS), area};
    const int chosen = static_cast<int>(::TrackPopupMenuEx(
        popup, TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY, screen.x, screen.y, Handle(),
        &params));
    ::DestroyMenu(menu);
    if (chosen == ID_EXPAND_ALL) {
        ExpandAll(item);
    } else if (chosen == ID_COLLAPSE_ALL) {
        CollapseAll(item);
    } else if (chosen != 0) {
        RunCommand(chosen);
    }
    menuImages_.reset();
}

bool CLocationTree::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (menuImages_ != nullptr && menuImages_->Route(Handle(), message, wParam, lParam, result)) {
        return true;
    }
    return CPane::OnMessage(message, wParam, lParam, result);
}

bool CLocationTree::OnNotify(const NMHDR& header, LRESULT& result) {
    result = 0;
    switch (header.code) {
        case TVN_SELCHANGEDW:
        case TVN_SELCHANGEDA: {
            const auto& change = reinterpret_cast<const NMTREEVIEWW&>(header);
            const std::string hostFile = HostFileOf(change.itemNew.hItem);
            if (!rebuilding_ && !hostFile.empty() && panes_.list != nullptr &&
                panes_.list->HostFile() != hostFile) {
                panes_.list->ShowHostFile(hostFile);
            }
            return true;
        }
        case TVN_ITEMEXPANDEDW:
        case TVN_ITEMEXPANDEDA: {
            const auto& change = reinterpret_cast<const NMTREEVIEWW&>(header);
            if (change.action & TVE_EXPAND) {
                ::SendMessageW(Control(), TVM_SORTCHILDREN, FALSE,
                               reinterpret_cast<LPARAM>(change.itemNew.hItem));
            }
            return true;
        }
        case NM_RCLICK:
            ShowContextMenu();
            result = 1;
            return true;
        case NM_SETFOCUS:
            if (panes_.frame != nullptr) {
                ::SendMessageW(panes_.frame, WM_NOTIFY, header.idFrom,
                               reinterpret_cast<LPARAM>(&header));
            }
            return false;
        default:
            return false;
    }
}

}  // namespace qm::win
