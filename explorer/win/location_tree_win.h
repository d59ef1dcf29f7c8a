// The location tree: the host files of the data folder, each host name split
// at its dots with the last part on top. Selecting an item that stands for a
// host file lists its filters; the tree restores whole branches, opens a host
// in the web browser, and expands or collapses branches. A rebuild after a
// change in the store keeps the open branches and the selected item.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "app/win/icon_menu.h"
#include "explorer/tree_model.h"
#include "explorer/win/explorer_panes.h"
#include "explorer/win/pane_win.h"

namespace qm::win {

class CLocationTree : public CPane {
public:
    explicit CLocationTree(ExplorerPanes& panes) : panes_(panes) {}

    bool CreateTree(HWND parent, int paneId);
    // The item icons at a scaling (the frame gives the control its font).
    void ApplyDpi(int dpi);

    // Fills the tree from the store again.
    void RebuildTree();
    // Selects the item of host file; false when there is none.
    bool SelectHostItem(const std::string& hostFileName);
    // How many times the tree was rebuilt (a restore checks whether its item
    // is still there).
    int Generation() const { return generation_; }

    bool HandlesCommand(int id) const;
    bool IsCommandEnabled(int id) const;
    void RunCommand(int id);

    // Expands item and everything below it / collapses everything below it,
    // deepest first, then the item.
    void ExpandAll(HTREEITEM item);
    void CollapseAll(HTREEITEM item);

    // An item's labels from itself to the top, and the host file it lists.
    LabelsToTop LabelsOf(HTREEITEM item) const;
    std::string HostFileOf(HTREEITEM item) const;
    HTREEITEM Selected() const;

protected:
    bool OnNotify(const NMHDR& header, LRESULT& result) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void Insert(HTREEITEM parent, const std::vector<LocationTreeNode>& nodes);
    HTREEITEM ItemAt(const TreePath& path) const;
    std::vector<std::string> TopDownLabels(HTREEITEM item) const;
    void RestoreBranch(HTREEITEM item);
    void GoToHost(HTREEITEM item);
    void ShowContextMenu();
    bool HasChildren(HTREEITEM item) const;

    ExplorerPanes& panes_;
    std::vector<std::string> hostFiles_;  // by item data
    int generation_ = 0;
    bool rebuilding_ = false;
    std::unique_ptr<CIconMenu> menuImages_;  // while the context menu is open
};

}  // namespace qm::win
