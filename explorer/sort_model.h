// The sort keys of a sortable report list and the stable, case-insensitive
// passes that order its rows. A plain header click sorts by one column; a
// Ctrl+click adds the column as a further, less significant key. The passes
// run from the least significant key to the primary one, so each stable pass
// breaks the ties of the ones after it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "store/explorer_model.h"

namespace qm {

// One pass: sort every row by the text of column, keeping equal rows in order.
struct SortPass {
    int column = 0;
    bool ascending = false;
};

// What a header click asks of the list: the passes to run in order, and the
// arrows to show afterwards.
struct SortClick {
    bool hideAllArrows = false;  // a plain click clears every arrow first
    std::vector<SortPass> passes;
    int arrowColumn = -1;  // then shows this column's arrow
    bool arrowAscending = false;
};

class SortKeys {
public:
    static constexpr int kMaxKeys = 64;
    static constexpr int kMaxColumns = 32;

    // A header click on column, with Ctrl held when addKey. A column outside
    // 0..31 gives an empty click.
    SortClick Click(int column, bool addKey);
    // The passes that re-sort refilled rows in the order the user chose last,
    // without touching arrows or next directions; none before the first click.
    std::vector<SortPass> Passes() const;

    const std::vector<int>& Keys() const { return keys_; }
    // The direction of the next click on column (the first is descending).
    bool NextAscending(int column) const;
    // The direction column was sorted in last (the opposite of the next one).
    bool LastAscending(int column) const { return !NextAscending(column); }

private:
    void Flip(int column);

    std::vector<int> keys_;
    std::uint32_t nextAscending_ = 0;
};

// Case-insensitive comparison of two texts: ASCII letters fold, other bytes
// (those of multibyte characters) compare as they are. <0, 0 or >0.
int CompareNoCase(std::string_view a, std::string_view b);

// The column texts of a list, by row and column.
using RowTexts = std::vector<FilterListRow>;

// Runs one stable pass over order (row indices in display order).
void RunSortPass(const RowTexts& rows, std::vector<int>& order, const SortPass& pass);
void RunSortPasses(const RowTexts& rows, std::vector<int>& order,
                   const std::vector<SortPass>& passes);

// 0, 1, ..., count-1.
std::vector<int> IdentityOrder(std::size_t count);

}  // namespace qm
