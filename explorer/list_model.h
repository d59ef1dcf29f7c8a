// What the filter list decides without a window: the search of Find and Find
// Next, the order in which selected rows are restored, and which rows stay
// selected when the list is filled again after a change in the store.
#pragma once

#include <string>
#include <vector>

#include "store/explorer_model.h"

namespace qm {

// The last search: its text and options, as Find Next repeats them.
struct ListSearch {
    std::string text;
    bool down = true;
    bool matchCase = false;
};

// The text of a row that a search looks in: columns 0 to 4, each followed by
// one space ("Date Last Hit" is not searched).
std::string RowSearchText(const FilterListRow& row);

// Upper case of ASCII letters; the bytes of multibyte characters stay.
std::string UpperCase(std::string text);

// Searches the rows shown (rows by display position) from the row after
// position (down) or before it (up), to the last or first row, without
// wrapping. The display position of the match, or -1.
int FindRow(const std::vector<const FilterListRow*>& shown, int position,
            const ListSearch& search);

// The most rows that one Restore takes.
constexpr std::size_t kMaxRestoreRows = 1024;

// The record indices to restore, in the order to restore them: at most the
// first 1024 selected rows (record indices in row order), highest first, so
// that removing one record never shifts an index still to be restored.
std::vector<int> RestoreOrder(const std::vector<int>& selectedInRowOrder);

// What finds a row again after the list is filled anew: its page address,
// name, type and time deleted, and how many rows before it share them.
struct RowIdentity {
    std::string page;
    std::string name;
    std::string type;
    std::string deleted;
    int occurrence = 0;
    bool operator==(const RowIdentity&) const = default;
};

// Identities of the rows whose item data is listed, in that order.
std::vector<RowIdentity> IdentitiesOf(const std::vector<FilterListRow>& rows,
                                      const std::vector<int>& itemData);
// The item data of the rows of fresh whose identities are listed; rows that
// are gone are left out.
std::vector<int> ItemDataOf(const std::vector<FilterListRow>& fresh,
                            const std::vector<RowIdentity>& identities);

}  // namespace qm
