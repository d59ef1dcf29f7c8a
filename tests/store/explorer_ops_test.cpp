#include <gtest/gtest.h>

#include "app/explorer_ops.h"
#include "testing/recording_launcher.h"
#include "store/time_value.h"
#include "store_fixture.h"

namespace qm {
namespace {

using testing::Element;
using testing::ReadBytes;
using testing::StoreTest;
using testing::WriteBytes;

const char kPage[] = "http://www.example.com/index.htm";
const char kHostFile[] = "www.example.com.Dat";

// A properties sheet that answers as scripted and remembers what it showed.
class ScriptedSheet : public FilterPropertiesDialog {
public:
    FilterPropertiesOutcome Run(const FilterPropertiesValues& v) override {
        shown = v;
        ++runs;
        return answer;
    }
    FilterPropertiesOutcome answer;
    FilterPropertiesValues shown;
    int runs = 0;
};

TEST_F(StoreTest, GetFilterCopiesTheRecordAndItsPage) {
    ASSERT_EQ(Add(kPage, Element("http://ads/x.gif", "IMG", kScopeHost, "<img src=x.gif>")), 1);
    std::string url;
    FilterRecord got;
    ASSERT_EQ(store_->GetFilter(kHostFile, 0, url, got), 1);
    EXPECT_EQ(url, kPage);
    EXPECT_EQ(got.sHtml, "<img src=x.gif>");
    EXPECT_EQ(got.nScope, kScopeHost);
    EXPECT_EQ(store_->GetFilter(kHostFile, 1, url, got), 0);
    EXPECT_EQ(store_->GetFilter("missing.Dat", 0, url, got), 0);
}

TEST_F(StoreTest, FilterListRowsHaveTheSixColumnsInOrder) {
    FilterRecord a = Element("http://ads.example.com/img/banner.gif", "IMG", kScopeDomain);
    a.tDeleted = 1'000'000'000u;
    a.tLastHit = 1'100'000'000u;
    ASSERT_EQ(store_->AddFilter(kPage, a), 1);
    FilterRecord b = Element("C:\\dir/x\\y.swf", "EMBED", 7);
    ASSERT_EQ(store_->AddFilter("http://www.example.com/two.htm", b), 1);
    Restart();
    std::vector<FilterListRow> rows(3);
    ASSERT_EQ(store_->FillFilterList(kHostFile, rows), 1);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].texts[0], kPage);
    EXPECT_EQ(rows[0].texts[1], "banner.gif");
    EXPECT_EQ(rows[0].texts[2], "IMG");
    EXPECT_EQ(rows[0].texts[3], FormatTimeValue(1'000'000'000u));
    EXPECT_EQ(rows[0].texts[4], "Domain");
    EXPECT_EQ(rows[0].texts[5], FormatTimeValue(1'100'000'000u));
    EXPECT_EQ(rows[0].itemData, 0);
    EXPECT_EQ(rows[1].texts[0], "http://www.example.com/two.htm");
    EXPECT_EQ(rows[1].texts[1], "y.swf");
    EXPECT_EQ(rows[1].texts[4], "");
    EXPECT_EQ(rows[1].itemData, 1);
    EXPECT_STREQ(kFilterListColumns[0], "Original Location");
    EXPECT_STREQ(kFilterListColumns[5], "Date Last Hit");
    // A host file that cannot be loaded lists nothing.
    WriteBytes(File("bad.Dat"), "p\r\n-\r\nbroken\r\n");
    EXPECT_EQ(store_->FillFilterList("bad.Dat", rows), 0);
    EXPECT_TRUE(rows.empty());
}

TEST_F(StoreTest, LocationTreeFollowsTheInsertionRule) {
    for (const char* name : {"ads.beta.gamma.Dat", "news.beta.gamma.Dat", "LocalHost.Dat",
                             "UnknownHost.Dat", "10.0.0.1.Dat", "x.dat", "notes.txt"}) {
        WriteBytes(File(name), "p\r\n-\r\n0 n IMG 1 2 3 0 0\r\n-\r\nx\r\n");
    }
    LocationTree tree;
    tree.items.resize(3);
    ASSERT_EQ(store_->BuildLocationTree(tree), 1);
    // Listing order: 10.0.0.1, LocalHost, UnknownHost, ads.beta.gamma, news.beta.gamma.
    ASSERT_EQ(tree.items.size(), 4u);
    const auto& one = tree.items[0];
    EXPECT_EQ(one.label, "1");
    EXPECT_EQ(one.image, kTreeImageInner);
    EXPECT_EQ(one.selectedImage, kTreeImageInnerSelected);
    ASSERT_EQ(one.children.size(), 1u);
    EXPECT_EQ(one.children[0].label, "0");
    ASSERT_EQ(one.children[0].children.size(), 1u);
    EXPECT_EQ(one.children[0].children[0].label, "0");
    ASSERT_EQ(one.children[0].children[0].children.size(), 1u);
    const auto& ten = one.children[0].children[0].children[0];
    EXPECT_EQ(ten.label, "10");
    EXPECT_EQ(ten.image, kTreeImageLeaf);
    EXPECT_EQ(ten.selectedImage, kTreeImageLeaf);
    EXPECT_EQ(tree.items[1].label, "LocalHost");
    EXPECT_EQ(tree.items[1].image, kTreeImageLeaf);
    EXPECT_TRUE(tree.items[1].children.empty());
    EXPECT_EQ(tree.items[2].label, "UnknownHost");
    const auto& gamma = tree.items[3];
    EXPECT_EQ(gamma.label, "gamma");
    ASSERT_EQ(gamma.children.size(), 1u);
    EXPECT_EQ(gamma.children[0].label, "beta");
    ASSERT_EQ(gamma.children[0].children.size(), 2u);
    EXPECT_EQ(gamma.children[0].children[0].label, "ads");
    EXPECT_EQ(gamma.children[0].children[1].label, "news");
}

TEST_F(StoreTest, LocationTreeItemsNameTheirHostFilesEvenForSuffixHosts) {
    for (const char* name : {"beta.gamma.Dat", "news.beta.gamma.Dat", "a.b.Dat", "x.a.b.Dat"}) {
        WriteBytes(File(name), "p\r\n-\r\n0 n IMG 1 2 3 0 0\r\n-\r\nx\r\n");
    }
    LocationTree tree;
    ASSERT_EQ(store_->BuildLocationTree(tree), 1);
    ASSERT_EQ(tree.items.size(), 2u);
    // a.b comes first: the leaf "a" later receives the child "x".
    const auto& b = tree.items[0];
    EXPECT_EQ(b.label, "b");
    EXPECT_EQ(b.hostFileName, "");
    ASSERT_EQ(b.children.size(), 1u);
    EXPECT_EQ(b.children[0].label, "a");
    EXPECT_EQ(b.children[0].hostFileName, "a.b.Dat");
    ASSERT_EQ(b.children[0].children.size(), 1u);
    EXPECT_EQ(b.children[0].children[0].hostFileName, "x.a.b.Dat");
    // beta.gamma comes first too ("b" < "n"): same shape.
    const auto& gamma = tree.items[1];
    ASSERT_EQ(gamma.children.size(), 1u);
    EXPECT_EQ(gamma.children[0].hostFileName, "beta.gamma.Dat");
    EXPECT_EQ(gamma.children[0].children[0].hostFileName, "news.beta.gamma.Dat");
}

TEST(LocationTreeInsert, EmptyRestUnderAnExistingItemAddsAnEmptyLeaf) {
    std::vector<LocationTreeNode> items;
    InsertLocationPath(items, "a.b", "a.b.Dat");
    InsertLocationPath(items, "b", "b.Dat");
    InsertLocationPath(items, ".hidden");
    ASSERT_EQ(items.size(), 2u);
    ASSERT_EQ(items[0].children.size(), 2u);
    EXPECT_EQ(items[0].children[1].label, "");
    EXPECT_EQ(items[0].children[1].image, kTreeImageLeaf);
    // The shorter host is the empty-labelled leaf; it still names its file.
    EXPECT_EQ(items[0].children[1].hostFileName, "b.Dat");
    EXPECT_EQ(items[1].label, ".hidden");
}

TEST_F(StoreTest, PropertiesShowTheRecordAndStoreTheChosenScopeOnOk) {
    FilterRecord r = Element("http://ads/a/b.gif", "IMG", kScopePage);
    r.tDeleted = 1'000'000'000u;
    r.tLastHit = 1'000'086'400u;
    ASSERT_EQ(store_->AddFilter(kPage, r), 1);
    ScriptedSheet sheet;
    sheet.answer = {true, false, kScopeDomain};
    ASSERT_EQ(ShowFilterProperties(*store_, kHostFile, 0, sheet), 1);
    EXPECT_EQ(sheet.shown.name, "b.gif");
    EXPECT_EQ(sheet.shown.type, "IMG");
    EXPECT_EQ(sheet.shown.pageAddress, kPage);
    EXPECT_EQ(sheet.shown.timeDeleted, FormatTimeValue(1'000'000'000u));
    EXPECT_EQ(sheet.shown.timeLastHit, FormatTimeValue(1'000'086'400u));
    EXPECT_EQ(sheet.shown.scope, kScopePage);
    Restart();
    std::vector<FilterListRow> rows;
    ASSERT_EQ(store_->FillFilterList(kHostFile, rows), 1);
    EXPECT_EQ(rows[0].texts[4], "Domain");
}

TEST_F(StoreTest, PropertiesCancelStoresNothingButApplyThenCancelStores) {
    ASSERT_EQ(Add(kPage, Element("a", "IMG", kScopePage)), 1);
    const std::string before = ReadBytes(File(kHostFile));
    ScriptedSheet sheet;
    sheet.answer = {false, false, kScopeDomain};
    ASSERT_EQ(ShowFilterProperties(*store_, kHostFile, 0, sheet), 1);
    EXPECT_EQ(ReadBytes(File(kHostFile)), before);
    sheet.answer = {false, true, kScopeHost};
    ASSERT_EQ(ShowFilterProperties(*store_, kHostFile, 0, sheet), 1);
    std::string url;
    FilterRecord got;
    Restart();
    ASSERT_EQ(store_->GetFilter(kHostFile, 0, url, got), 1);
    EXPECT_EQ(got.nScope, kScopeHost);
    EXPECT_EQ(ShowFilterProperties(*store_, kHostFile, 5, sheet), 0);
    EXPECT_EQ(ShowFilterProperties(*store_, "missing.Dat", 0, sheet), 0);
    EXPECT_EQ(sheet.runs, 2);
}

TEST_F(StoreTest, PopupFiltersKeepTheirScope) {
    FilterRecord p = Element("Title", "POPUP", kScopeDomain, " ");
    p.nHint = 3;
    ASSERT_EQ(store_->AddFilter(kPage, p), 1);
    ScriptedSheet sheet;
    sheet.answer = {true, true, kScopePage};
    ASSERT_EQ(ShowFilterProperties(*store_, kHostFile, 0, sheet), 1);
    std::string url;
    FilterRecord got;
    Restart();
    ASSERT_EQ(store_->GetFilter(kHostFile, 0, url, got), 1);
    EXPECT_EQ(got.nScope, kScopeDomain);
}

TEST_F(StoreTest, ViewSourceWritesTheHtmlUnchangedAndStartsTheEditor) {
    const std::string html = "<object>\r\n\\n \x01 end</object>";
    ASSERT_EQ(Add(kPage, Element("a", "OBJECT", 0, html)), 1);
    const auto scratch = dir_ / "temp dir";
    std::filesystem::create_directory(scratch);
    RecordingLauncher launcher;
    ASSERT_EQ(ViewFilterSource(*store_, launcher, kHostFile, 0, scratch.string()), 1);
    EXPECT_EQ(ReadBytes(scratch / "html.tmp"), html);
    ASSERT_EQ(launcher.calls.size(), 1u);
    EXPECT_FALSE(launcher.calls[0].open);
    EXPECT_EQ(launcher.calls[0].showState, ShowState::kNormal);
    auto expected = scratch / "html.tmp";
    expected.make_preferred();
    EXPECT_EQ(launcher.calls[0].text, "Notepad.exe \"" + expected.string() + "\"");
    EXPECT_EQ(ViewFilterSource(*store_, launcher, kHostFile, 3, scratch.string()), 0);
    EXPECT_EQ(ViewFilterSource(*store_, launcher, kHostFile, 0, (dir_ / "no" / "dir").string()), 0);
    launcher.result = false;
    EXPECT_EQ(ViewFilterSource(*store_, launcher, kHostFile, 0, scratch.string()), 0);
    EXPECT_EQ(launcher.calls.size(), 2u);
}

}  // namespace
}  // namespace qm
