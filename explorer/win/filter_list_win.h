// The filter list: the filters of one host file, one row per record, with the
// commands that act on the selected rows (Restore, Properties, View HTML
// source, Go to web page), the selection commands, Find and Find Next, the
// context menu, and the preview fed once a second with the selected filter.
#pragma once

#include <windows.h>

#include <commdlg.h>

#include <memory>
#include <string>

#include "app/win/icon_menu.h"
#include "explorer/list_model.h"
#include "explorer/win/explorer_panes.h"
#include "explorer/win/sort_list_win.h"

namespace qm::win {

class CFilterList : public CSortListPane {
public:
    explicit CFilterList(ExplorerPanes& panes) : panes_(panes) {}
    ~CFilterList() override;

    bool CreateFilterList(HWND parent, int paneId);
    // A scaling change: the row icons and the column widths at the new dpi
    // (the frame gives the controls their fonts).
    void ApplyDpi(int fromDpi, int toDpi);

    // Lists the filters of host file (empty: the list is cleared).
    void ShowHostFile(const std::string& hostFileName);
    // Fills the list again after a change in the store, keeping the selected
    // rows, the focus and the sort.
    void Refresh();
    void ClearList();
    const std::string& HostFile() const { return hostFile_; }

    // The commands this list owns; false for an id it does not handle.
    bool HandlesCommand(int id) const;
    bool IsCommandEnabled(int id) const;
    void RunCommand(int id);

    // Searches with text and options from the row after (or before) the
    // current position; selects and shows the match. False: "Not Found !".
    bool Search(const ListSearch& search);
    const ListSearch& LastSearch() const { return search_; }
    int CurrentPosition() const { return position_; }
    // The modeless find dialog, or null.
    HWND FindDialog() const { return findDialog_; }

    // The preview feed: one tick of the 1-second timer.
    void Tick();

protected:
    bool OnNotify(const NMHDR& header, LRESULT& result) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    bool OnContextMenu(HWND window, POINT screen) override;
    bool OnTimer(UINT_PTR id) override;

private:
    int FirstSelectedRecord() const;
    void Restore();
    void GoToWebPage();
    void OpenFind();
    void OnFindMessage(const FINDREPLACEW& find);
    void SelectOnly(int position);

    ExplorerPanes& panes_;
    std::string hostFile_;
    ListSearch search_;
    int position_ = 0;
    int lastPreviewed_ = -1;
    bool restoring_ = false;
    bool refreshWanted_ = false;
    HWND findDialog_ = nullptr;
    std::unique_ptr<FINDREPLACEW> find_;
    std::wstring findText_;
    std::unique_ptr<CIconMenu> menuImages_;  // while the context menu is open
};

}  // namespace qm::win
