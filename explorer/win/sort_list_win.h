// A report list whose rows the user sorts by clicking column headers: a plain
// click sorts by one column, Ctrl+click adds the column as a further key. The
// header shows an arrow on every sorted column (the ascending arrow points
// down, the descending one up). The column widths go to the profile when the
// list is destroyed and come back from it when the columns are made.
#pragma once

#include <string>
#include <vector>

#include "explorer/sort_model.h"
#include "explorer/win/pane_win.h"

namespace qm::win {

struct ListColumn {
    const char* title;
    int width;
};

class CSortListPane : public CPane {
public:
    CSortListPane();
    ~CSortListPane() override;

    // The profile file and the key under section "ColumnWidths".
    void SetProfile(const std::string& iniPath, const std::string& key);
    // Makes the list control with its columns (widths from the profile when
    // it holds one per column).
    bool CreateList(HWND parent, int paneId, int listId, const std::vector<ListColumn>& columns);

    // Replaces every row; the rows keep the order of the current sort keys.
    // Item data of row i must be i.
    void SetRows(std::vector<FilterListRow> rows);
    void ClearRows();
    const std::vector<FilterListRow>& Rows() const { return rows_; }
    int RowCount() const;

    // A header click on column (Ctrl held: add a key).
    void SortByColumn(int column, bool addKey);
    // Sorts by the current keys again, arrows and directions unchanged.
    void ApplySortKeys();
    const SortKeys& Keys() const { return keys_; }

    void ShowSortArrow(int column, bool ascending);
    void HideSortArrow(int column);
    void HideAllSortArrows();
    // "300,130,50,120,60,120," into the profile.
    void StoreColumnWidths();

    // Rows by display position: item data, selection.
    int ItemData(int position) const;
    std::vector<int> SelectedPositions() const;
    int SelectedCount() const;
    void SetSelected(int position, bool selected);

protected:
    bool OnNotify(const NMHDR& header, LRESULT& result) override;
    bool OnDestroy() override;

private:
    void InsertRows();
    void SortControlByOrder();

    std::vector<FilterListRow> rows_;
    std::vector<int> order_;  // row indices in display order
    SortKeys keys_;
    std::string iniPath_;
    std::string profileKey_;
    HBITMAP ascending_ = nullptr;
    HBITMAP descending_ = nullptr;
    bool widthsStored_ = false;
};

}  // namespace qm::win
