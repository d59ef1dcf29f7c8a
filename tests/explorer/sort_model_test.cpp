// Sort keys and passes of the sortable list: clicks, Ctrl+clicks, arrows,
// directions and the stable, case-insensitive order of the rows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "explorer/sort_model.h"

namespace qm {
namespace {

// Rows with their "Name" (1) and "Type" (2) columns; item data = row index.
RowTexts Rows(const std::vector<std::pair<std::string, std::string>>& nameType) {
    RowTexts rows;
    for (const auto& [name, type] : nameType) {
        FilterListRow row;
        row.texts[1] = name;
        row.texts[2] = type;
        row.itemData = static_cast<int>(rows.size());
        rows.push_back(row);
    }
    return rows;
}

// The names in display order.
std::vector<std::string> Names(const RowTexts& rows, const std::vector<int>& order) {
    std::vector<std::string> names;
    for (int i : order) {
        names.push_back(rows[static_cast<std::size_t>(i)].texts[1]);
    }
    return names;
}

struct ClickStep {
    int column;
    bool ctrl;
    std::vector<int> keys;             // keys after the click
    std::vector<SortPass> passes;      // passes the click runs, in order
    bool hideAll;
    int arrowColumn;
    bool arrowAscending;
};

TEST(SortKeys, ClicksAndCtrlClicksFollowTheKeyRules) {
    // Type = 2, Name = 1, Date Deleted = 3.
    const std::vector<ClickStep> steps = {
        // First click on Name: descending, only key.
        {1, false, {1}, {{1, false}}, true, 1, false},
        // Second click: ascending.
        {1, false, {1}, {{1, true}}, true, 1, true},
        // Plain click on Type: Type alone, descending.
        {2, false, {2}, {{2, false}}, true, 2, false},
        // Ctrl+click Name: Name is added last; passes run from Name (its next
        // direction, descending) back to Type (as last sorted, descending).
        {1, true, {2, 1}, {{1, false}, {2, false}}, false, 1, false},
        // Ctrl+click Date Deleted: three keys, least significant last.
        {3, true, {2, 1, 3}, {{3, false}, {1, false}, {2, false}}, false, 3, false},
        // Ctrl+click on a key moves it last and reverses it (Type was descending).
        {2, true, {1, 3, 2}, {{2, true}, {3, false}, {1, false}}, false, 2, true},
        // A plain click after the Ctrl sequence leaves one key.
        {3, false, {3}, {{3, true}}, true, 3, true},
    };
    SortKeys keys;
    EXPECT_TRUE(keys.Passes().empty());
    for (std::size_t i = 0; i < steps.size(); ++i) {
        SCOPED_TRACE(i);
        const ClickStep& step = steps[i];
        const SortClick click = keys.Click(step.column, step.ctrl);
        EXPECT_EQ(keys.Keys(), step.keys);
        ASSERT_EQ(click.passes.size(), step.passes.size());
        for (std::size_t p = 0; p < step.passes.size(); ++p) {
            EXPECT_EQ(click.passes[p].column, step.passes[p].column);
            EXPECT_EQ(click.passes[p].ascending, step.passes[p].ascending);
        }
        EXPECT_EQ(click.hideAllArrows, step.hideAll);
        EXPECT_EQ(click.arrowColumn, step.arrowColumn);
        EXPECT_EQ(click.arrowAscending, step.arrowAscending);
        // Re-applying after a refill runs the same directions, least key first.
        const std::vector<SortPass> again = keys.Passes();
        ASSERT_EQ(again.size(), keys.Keys().size());
        for (std::size_t p = 0; p < again.size(); ++p) {
            EXPECT_EQ(again[p].column, keys.Keys()[keys.Keys().size() - 1 - p]);
            EXPECT_EQ(again[p].ascending, keys.LastAscending(again[p].column));
        }
    }
}

TEST(SortKeys, ColumnsOutsideTheDirectionBitsAreIgnored) {
    SortKeys keys;
    for (int column : {-1, 32, 1000}) {
        const SortClick click = keys.Click(column, false);
        EXPECT_TRUE(click.passes.empty());
        EXPECT_EQ(click.arrowColumn, -1);
    }
    EXPECT_TRUE(keys.Keys().empty());
}

TEST(CompareNoCase, FoldsAsciiLettersOnly) {
    struct Case {
        const char* a;
        const char* b;
        int sign;
    };
    const Case cases[] = {
        {"IFRAME", "iframe", 0}, {"abc", "ABD", -1}, {"b", "A", 1},      {"", "", 0},
        {"ab", "abc", -1},       {"\xc3\xa9", "\xc3\x89", 1},  // é and É are distinct bytes
        {"Z", "a", 1},           {"_", "a", -1},
    };
    for (const Case& c : cases) {
        const int got = CompareNoCase(c.a, c.b);
        EXPECT_EQ((got > 0) - (got < 0), c.sign) << c.a << " vs " << c.b;
    }
}

TEST(SortPasses, OrderRowsStablyAndCaseInsensitively) {
    const RowTexts rows = Rows({{"b.gif", "IMG"},
                                {"a.swf", "OBJECT"},
                                {"B.GIF", "img"},
                                {"c.htm", "IFRAME"},
                                {"A.swf", "IMG"},
                                {"b.gif", "IFRAME"}});
    struct Case {
        std::vector<SortPass> passes;
        std::vector<int> order;
    };
    const std::vector<Case> cases = {
        // No key: insertion order.
        {{}, {0, 1, 2, 3, 4, 5}},
        // Name ascending: texts differing only in case keep their order.
        {{{1, true}}, {1, 4, 0, 2, 5, 3}},
        // Name descending: still stable among equals.
        {{{1, false}}, {3, 0, 2, 5, 1, 4}},
        // Type descending, then Name ascending breaking ties (passes run
        // least significant first).
        {{{1, true}, {2, false}}, {1, 4, 0, 2, 5, 3}},
        // Type ascending primary, Name descending secondary.
        {{{1, false}, {2, true}}, {3, 5, 0, 2, 4, 1}},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(i);
        std::vector<int> order = IdentityOrder(rows.size());
        RunSortPasses(rows, order, cases[i].passes);
        EXPECT_EQ(order, cases[i].order) << ::testing::PrintToString(Names(rows, order));
    }
}

TEST(SortPasses, ClickTypeThenCtrlClickNameOrdersByTypeThenName) {
    const RowTexts rows = Rows({{"z.gif", "IMG"}, {"m.swf", "OBJECT"}, {"a.gif", "IMG"},
                                {"k.htm", "IFRAME"}, {"b.swf", "OBJECT"}});
    SortKeys keys;
    std::vector<int> order = IdentityOrder(rows.size());
    RunSortPasses(rows, order, keys.Click(2, false).passes);
    RunSortPasses(rows, order, keys.Click(1, true).passes);
    // Type descending (OBJECT, IMG, IFRAME); ties by Name descending.
    EXPECT_EQ(Names(rows, order),
              (std::vector<std::string>{"m.swf", "b.swf", "z.gif", "a.gif", "k.htm"}));
    // A refill re-sorted by the same keys gives the same order from any start.
    std::vector<int> refilled = {4, 3, 2, 1, 0};
    RunSortPasses(rows, refilled, keys.Passes());
    EXPECT_EQ(refilled, order);
}

TEST(SortPasses, ColumnOutOfRangeLeavesTheOrder) {
    const RowTexts rows = Rows({{"b", "X"}, {"a", "Y"}});
    std::vector<int> order = {1, 0};
    RunSortPass(rows, order, SortPass{6, true});
    RunSortPass(rows, order, SortPass{-1, true});
    EXPECT_EQ(order, (std::vector<int>{1, 0}));
}

}  // namespace
}  // namespace qm
