#include "explorer/list_model.h"

#include <algorithm>
#include <functional>
#include <map>
#include <tuple>

namespace qm {

namespace {

constexpr std::size_t kSearchedColumns = 5;

using IdentityKey = std::tuple<std::string, std::string, std::string, std::string>;

IdentityKey KeyOf(const FilterListRow& row) {
    return {row.texts[0], row.texts[1], row.texts[2], row.texts[3]};
}

// Walks the rows once, giving each row its identity.
void ForEachIdentity(const std::vector<FilterListRow>& rows,
                     const std::function<void(const FilterListRow&, const RowIdentity&)>& visit) {
    std::map<IdentityKey, int> seen;
    for (const FilterListRow& row : rows) {
        IdentityKey key = KeyOf(row);
        const int occurrence = seen[key]++;
        visit(row, RowIdentity{std::get<0>(key), std::get<1>(key), std::get<2>(key),
                               std::get<3>(key), occurrence});
    }
}

}  // namespace

std::string RowSearchText(const FilterListRow& row) {
    std::string text;
    for (std::size_t c = 0; c < kSearchedColumns; ++c) {
        text += row.texts[c];
        text += ' ';
    }
    return text;
}

std::string UpperCase(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return text;
}

int FindRow(const std::vector<const FilterListRow*>& shown, int position,
            const ListSearch& search) {
    const std::string wanted = search.matchCase ? search.text : UpperCase(search.text);
    const int count = static_cast<int>(shown.size());
    const int step = search.down ? 1 : -1;
    for (int row = position + step; row >= 0 && row < count; row += step) {
        std::string text = RowSearchText(*shown[static_cast<std::size_t>(row)]);
        if (!search.matchCase) {
            text = UpperCase(std::move(text));
        }
        if (text.find(wanted) != std::string::npos) {
            return row;
        }
    }
    return -1;
}

std::vector<int> RestoreOrder(const std::vector<int>& selectedInRowOrder) {
    std::vector<int> order(selectedInRowOrder.begin(),
                           selectedInRowOrder.begin() +
                               static_cast<std::ptrdiff_t>(
                                   std::min(selectedInRowOrder.size(), kMaxRestoreRows)));
    std::sort(order.begin(), order.end(), std::greater<int>());
    return order;
}

std::vector<RowIdentity> IdentitiesOf(const std::vector<FilterListRow>& rows,
                                      const std::vector<int>& itemData) {
    std::map<int, RowIdentity> byData;
    ForEachIdentity(rows, [&](const FilterListRow& row, const RowIdentity& identity) {
        byData.emplace(row.itemData, identity);
    });
    std::vector<RowIdentity> identities;
    for (int data : itemData) {
        const auto found = byData.find(data);
        if (found != byData.end()) {
            identities.push_back(found->second);
        }
    }
    return identities;
}

std::vector<int> ItemDataOf(const std::vector<FilterListRow>& fresh,
                            const std::vector<RowIdentity>& identities) {
    std::map<std::tuple<IdentityKey, int>, int> dataOf;
    ForEachIdentity(fresh, [&](const FilterListRow& row, const RowIdentity& identity) {
        dataOf.emplace(std::make_tuple(IdentityKey{identity.page, identity.name, identity.type,
                                                   identity.deleted},
                                       identity.occurrence),
                       row.itemData);
    });
    std::vector<int> itemData;
    for (const RowIdentity& identity : identities) {
        const auto found = dataOf.find(std::make_tuple(
            IdentityKey{identity.page, identity.name, identity.type, identity.deleted},
            identity.occurrence));
        if (found != dataOf.end()) {
            itemData.push_back(found->second);
        }
    }
    return itemData;
}

}  // namespace qm
