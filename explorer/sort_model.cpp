#include "explorer/sort_model.h"

#include <algorithm>
#include <numeric>

namespace qm {

namespace {

unsigned char Fold(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

bool ValidColumn(int column) {
    return column >= 0 && column < SortKeys::kMaxColumns;
}

// The sort item of one row in one pass: its folded text and its row index.
struct SortItem {
    std::string folded;
    int row;
};

}  // namespace

bool SortKeys::NextAscending(int column) const {
    return ValidColumn(column) && (nextAscending_ & (1u << column)) != 0;
}

void SortKeys::Flip(int column) {
    nextAscending_ ^= (1u << column);
}

SortClick SortKeys::Click(int column, bool addKey) {
    SortClick click;
    if (!ValidColumn(column)) {
        return click;
    }
    if (!addKey) {
        click.hideAllArrows = true;
        keys_.assign(1, column);
        const bool ascending = NextAscending(column);
        click.passes.push_back({column, ascending});
        click.arrowColumn = column;
        click.arrowAscending = ascending;
        Flip(column);
        return click;
    }
    const auto found = std::find(keys_.begin(), keys_.end(), column);
    if (found != keys_.end()) {
        keys_.erase(found);
    }
    keys_.push_back(column);
    for (auto k = keys_.rbegin(); k != keys_.rend(); ++k) {
        const bool ascending = *k == column ? NextAscending(column) : LastAscending(*k);
        click.passes.push_back({*k, ascending});
        if (*k == column) {
            click.arrowColumn = column;
            click.arrowAscending = ascending;
        }
    }
    Flip(column);
    return click;
}

std::vector<SortPass> SortKeys::Passes() const {
    std::vector<SortPass> passes;
    for (auto k = keys_.rbegin(); k != keys_.rend(); ++k) {
        passes.push_back({*k, LastAscending(*k)});
    }
    return passes;
}

int CompareNoCase(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char x = Fold(static_cast<unsigned char>(a[i]));
        const unsigned char y = Fold(static_cast<unsigned char>(b[i]));
        if (x != y) {
            return x < y ? -1 : 1;
        }
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

void RunSortPass(const RowTexts& rows, std::vector<int>& order, const SortPass& pass) {
    if (pass.column < 0 || pass.column >= static_cast<int>(FilterListRow{}.texts.size())) {
        return;
    }
    const auto column = static_cast<std::size_t>(pass.column);
    // Each row's text is read and folded once; the comparisons then touch
    // only the sort items.
    std::vector<SortItem> items;
    items.reserve(order.size());
    for (int row : order) {
        const std::string& text = rows[static_cast<std::size_t>(row)].texts[column];
        SortItem item{text, row};
        for (char& c : item.folded) {
            c = static_cast<char>(Fold(static_cast<unsigned char>(c)));
        }
        items.push_back(std::move(item));
    }
    if (pass.ascending) {
        std::stable_sort(items.begin(), items.end(),
                         [](const SortItem& x, const SortItem& y) { return x.folded < y.folded; });
    } else {
        std::stable_sort(items.begin(), items.end(),
                         [](const SortItem& x, const SortItem& y) { return y.folded < x.folded; });
    }
    for (std::size_t i = 0; i < items.size(); ++i) {
        order[i] = items[i].row;
    }
}

void RunSortPasses(const RowTexts& rows, std::vector<int>& order,
                   const std::vector<SortPass>& passes) {
    for (const SortPass& pass : passes) {
        RunSortPass(rows, order, pass);
    }
}

std::vector<int> IdentityOrder(std::size_t count) {
    std::vector<int> order(count);
    std::iota(order.begin(), order.end(), 0);
    return order;
}

}  // namespace qm
