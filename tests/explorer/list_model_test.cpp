// The filter list's search, restore order and the selection kept when the
// list is filled again.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "explorer/list_model.h"

namespace qm {
namespace {

FilterListRow Row(std::string page, std::string name, std::string type, std::string deleted,
                  std::string scope, std::string lastHit, int data) {
    FilterListRow row;
    row.texts = {std::move(page), std::move(name),  std::move(type),
                 std::move(deleted), std::move(scope), std::move(lastHit)};
    row.itemData = data;
    return row;
}

class ListSearchTest : public ::testing::Test {
protected:
    ListSearchTest() {
        rows_ = {
            Row("http://a.example/1", "top.gif", "IMG", "2024-01-02 10:00", "Page",
                "2024-05-01 09:00", 0),
            Row("http://a.example/2", "frame.htm", "IFRAME", "2024-01-03 10:00", "Host",
                "2024-05-01 09:00", 1),
            Row("http://a.example/3", "film.swf", "OBJECT", "2024-01-04 10:00", "Domain",
                "2024-05-01 09:00", 2),
            Row("http://a.example/4", "side.gif", "IMG", "2024-01-05 10:00", "Page",
                "2031-12-31 23:59", 3),
            Row("http://b.example/5", "last.gif", "EMBED", "2024-01-06 10:00", "Page",
                "2024-05-01 09:00", 4),
        };
        for (const FilterListRow& row : rows_) {
            shown_.push_back(&row);
        }
    }
    std::vector<FilterListRow> rows_;
    std::vector<const FilterListRow*> shown_;
};

TEST_F(ListSearchTest, SearchRules) {
    struct Case {
        const char* text;
        bool down;
        bool matchCase;
        int from;
        int found;
    };
    const Case cases[] = {
        // Down from the second-to-last row finds the last row.
        {"b.example", true, false, 3, 4},
        // Starts after the current position: the current row is not a match.
        {"top.gif", true, false, 0, -1},
        {"top.gif", true, false, -1, 0},
        // Up reaches row 0.
        {"top", false, false, 4, 0},
        {"IMG", false, false, 4, 3},
        // No wrap-around.
        {"top", true, false, 1, -1},
        {"last", false, false, 4, -1},
        // Case off: lower-case ifr finds IFRAME; case on does not.
        {"ifr", true, false, -1, 1},
        {"ifr", true, true, -1, -1},
        {"IFR", true, true, -1, 1},
        // "Date Last Hit" is not searched.
        {"2031-12-31", true, false, -1, -1},
        // Columns are joined with one space each: Type then date deleted.
        {"IMG 2024-01-05", true, false, -1, 3},
        {"Domain ", true, true, -1, 2},
        // Scope column is searched.
        {"domain", true, false, -1, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(FindRow(shown_, c.from, ListSearch{c.text, c.down, c.matchCase}), c.found);
    }
}

TEST_F(ListSearchTest, SearchesTheDisplayedOrder) {
    // Displayed in reverse: "down" walks the displayed rows, not the records.
    std::vector<const FilterListRow*> reversed(shown_.rbegin(), shown_.rend());
    EXPECT_EQ(FindRow(reversed, -1, ListSearch{"gif", true, false}), 0);
    EXPECT_EQ(FindRow(reversed, 0, ListSearch{"gif", true, false}), 1);
    EXPECT_EQ(FindRow(reversed, 1, ListSearch{"gif", true, false}), 4);
}

TEST(RowSearchText, FiveColumnsEachFollowedByASpace) {
    const FilterListRow row = Row("p", "n", "t", "d", "s", "h", 0);
    EXPECT_EQ(RowSearchText(row), "p n t d s ");
    EXPECT_EQ(UpperCase("ifr\xc3\xa9x"), "IFR\xc3\xa9X");
}

TEST(RestoreOrder, HighestFirstAndAtMost1024) {
    struct Case {
        std::vector<int> selected;
        std::vector<int> order;
    };
    const std::vector<Case> cases = {
        {{2, 5, 7}, {7, 5, 2}},
        {{7, 2, 5}, {7, 5, 2}},
        {{}, {}},
        {{0}, {0}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RestoreOrder(c.selected), c.order);
    }
    // 1500 rows selected in row order 1499..0: the first 1024 of them are
    // 1499..476, restored from the highest.
    std::vector<int> many;
    for (int i = 1499; i >= 0; --i) {
        many.push_back(i);
    }
    const std::vector<int> order = RestoreOrder(many);
    ASSERT_EQ(order.size(), kMaxRestoreRows);
    EXPECT_EQ(order.front(), 1499);
    EXPECT_EQ(order.back(), 476);
}

TEST(KeptSelection, RowsFollowTheirRecordsAcrossRefills) {
    const std::vector<FilterListRow> before = {
        Row("p1", "a.gif", "IMG", "d1", "Page", "", 0),
        Row("p1", "b.gif", "IMG", "d2", "Page", "", 1),
        Row("p2", "c.gif", "IMG", "d3", "Host", "", 2),
        Row("p2", "c.gif", "IMG", "d3", "Host", "", 3),  // same texts as row 2
        Row("p3", "d.swf", "OBJECT", "d4", "Page", "", 4),
    };
    // Record 1 restored elsewhere and a new one added: the indices shift.
    const std::vector<FilterListRow> after = {
        Row("p1", "a.gif", "IMG", "d1", "Page", "", 0),
        Row("p2", "c.gif", "IMG", "d3", "Domain", "", 1),
        Row("p2", "c.gif", "IMG", "d3", "Domain", "", 2),
        Row("p3", "d.swf", "OBJECT", "d4", "Page", "", 3),
        Row("p4", "e.gif", "IMG", "d5", "Page", "", 4),
    };
    struct Case {
        std::vector<int> selected;
        std::vector<int> kept;
    };
    const std::vector<Case> cases = {
        {{4}, {3}},
        {{1}, {}},           // its record is gone
        {{3, 0}, {2, 0}},    // the second of two equal rows stays the second
        {{2, 4, 1}, {1, 3}},
        {{9}, {}},           // unknown item data
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ItemDataOf(after, IdentitiesOf(before, c.selected)), c.kept)
            << ::testing::PrintToString(c.selected);
    }
}

}  // namespace
}  // namespace qm
