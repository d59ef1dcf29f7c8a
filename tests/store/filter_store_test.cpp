#include <gtest/gtest.h>

#include <memory>

#include "store/address_keys.h"
#include "store/host_file.h"
#include "store_fixture.h"

namespace qm {
namespace {

using testing::Element;
using testing::FileNames;
using testing::ReadBytes;
using testing::StoreTest;
using testing::WriteBytes;

const char kPage[] = "http://www.example.com/index.htm";
const char kOther[] = "http://www.example.com/other.htm";

TEST_F(StoreTest, ConstructorCreatesTheDirectoryAndDeletesOnlyUndoFiles) {
    const auto nested = dir_ / "a" / "Data";
    FilterStore created(nested.string());
    EXPECT_TRUE(std::filesystem::is_directory(nested));
    WriteBytes(File("x.0001.udo"), "u");
    WriteBytes(File("x.Dat"), "p\r\n-\r\n");
    WriteBytes(File("notes.udo.txt"), "keep");
    WriteBytes(File("other.udo"), "not ours");
    Restart();
    EXPECT_FALSE(Exists("x.0001.udo"));
    EXPECT_TRUE(Exists("x.Dat"));
    EXPECT_TRUE(Exists("notes.udo.txt"));
    EXPECT_TRUE(Exists("other.udo"));
    EXPECT_EQ(store_->DataDirectory(), dir_.string());
}

TEST_F(StoreTest, DataDirectoryWithNonAsciiNameWorks) {
    // Texts are UTF-8; the directory name must reach the file system intact.
    const std::string name = "D\xC3\xA4t\xC3\xA4 \xE2\x82\xAC";
    const auto path = dir_ / std::filesystem::path(std::u8string(
                                 reinterpret_cast<const char8_t*>(name.data()), name.size()));
    std::string text = dir_.string();
    text += std::filesystem::path::preferred_separator;
    text += name;
    {
        FilterStore store(text);
        FilterRecord r = Element("a");
        ASSERT_EQ(store.AddFilter(kPage, r), 1);
    }
    EXPECT_TRUE(std::filesystem::exists(path / "www.example.com.Dat"));
    FilterStore again(text);
    std::vector<FilterRecord> list(2);
    EXPECT_EQ(again.FiltersForUrl(kPage, list.data(), 2), 1);
    LocationTree tree;
    ASSERT_EQ(again.BuildLocationTree(tree), 1);
    ASSERT_EQ(tree.items.size(), 1u);
    EXPECT_EQ(tree.items[0].label, "com");
}

TEST_F(StoreTest, PathsComeFromUtf8TextsAndIllFormedNamesAreSafe) {
    // Cyrillic, Japanese and a character beyond the basic plane.
    const std::string kNames[] = {
        "\xd0\x94\xd0\xb0\xd0\xbd\xd0\xbd\xd1\x8b\xd0\xb5",
        "\xe3\x83\x87\xe3\x83\xbc\xe3\x82\xbf",
        "\xf0\x9f\x98\x80 x",
    };
    for (const std::string& name : kNames) {
        EXPECT_EQ(TextFromPath(PathFromText(name)), name);
        const std::string directory = TextFromPath(dir_ / PathFromText(name));
        {
            FilterStore store(directory);
            FilterRecord r = Element("a");
            ASSERT_EQ(store.AddFilter(kPage, r), 1) << name;
        }
        EXPECT_TRUE(std::filesystem::exists(dir_ / PathFromText(name) / "www.example.com.Dat"))
            << name;
    }
    // Bytes that are no UTF-8 at all: no exception, and the store still works
    // in a folder of its own inside the parent (on Windows the bad bytes are
    // U+FFFD in the folder's name).
    const std::string bad = TextFromPath(dir_ / PathFromText("bad\xff\xc0name"));
    std::unique_ptr<FilterStore> store;
    ASSERT_NO_THROW(store = std::make_unique<FilterStore>(bad));
    FilterRecord r = Element("a");
    EXPECT_EQ(store->AddFilter(kPage, r), 1);
    int made = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir_)) {
        const std::string entryName = TextFromPath(entry.path().filename());
        if (entryName.rfind("bad", 0) == 0) {
            ++made;
            EXPECT_TRUE(std::filesystem::exists(entry.path() / "www.example.com.Dat"));
        }
    }
    EXPECT_EQ(made, 1);
}

TEST_F(StoreTest, FirstFilterCreatesTheHostFileAndReportsTheSetChanged) {
    FilterRecord r = Element("http://ads.example.com/a.gif");
    ASSERT_EQ(store_->AddFilter(kPage, r), 1);
    EXPECT_TRUE(Exists("www.example.com.Dat"));
    EXPECT_EQ(store_->LocationCount(), 1);
    EXPECT_EQ(store_->RecordCount(), 1);
    ASSERT_EQ(listener_.notices.size(), 2u);
    EXPECT_EQ(listener_.notices[0].kind, "added");
    EXPECT_EQ(listener_.notices[0].url, kPage);
    EXPECT_EQ(listener_.notices[0].record.sHtml, kPage);
    EXPECT_EQ(listener_.notices[1].kind, "changed");
    EXPECT_EQ(listener_.notices[1].url, "");
    // The caller's record now describes the stored one.
    EXPECT_EQ(r.sHtml, kPage);
    EXPECT_EQ(r.nId, 0);
    EXPECT_EQ(r.nLocation, 0);
    EXPECT_EQ(r.tDeleted, clock_.Now());
    EXPECT_EQ(r.tLastHit, clock_.Now());
    EXPECT_EQ(store_->GetUndoCount(), 1);

    ASSERT_EQ(Add(kPage, Element("b")), 1);
    EXPECT_EQ(listener_.notices.back().url, "www.example.com.Dat");
}

TEST_F(StoreTest, AddingTheSameElementAgainOnlyRefreshesItsLastHit) {
    ASSERT_EQ(Add(kPage, Element("a", "IMG", kScopePage)), 1);
    clock_.Advance(500);
    listener_.notices.clear();
    ASSERT_EQ(Add(kPage, Element("a", "IMG", kScopeDomain)), 1);
    EXPECT_EQ(store_->RecordCount(), 1);
    EXPECT_EQ(store_->GetUndoCount(), 1);
    EXPECT_EQ(listener_.Count("added"), 0);
    Restart();
    std::string url;
    FilterRecord got;
    ASSERT_EQ(store_->GetFilter("www.example.com.Dat", 0, url, got), 1);
    EXPECT_EQ(got.nScope, kScopePage);
    EXPECT_EQ(got.tLastHit, clock_.Now());
    EXPECT_EQ(got.tDeleted, clock_.Now() - 500);
}

TEST_F(StoreTest, KeepsGivenTimesAndClearsTheStatus) {
    FilterRecord r = Element("a");
    r.tDeleted = 11;
    r.tLastHit = 22;
    r.nStatus = 2;
    ASSERT_EQ(store_->AddFilter(kPage, r), 1);
    Restart();
    std::string url;
    FilterRecord got;
    ASSERT_EQ(store_->GetFilter("www.example.com.Dat", 0, url, got), 1);
    EXPECT_EQ(got.tDeleted, 11u);
    EXPECT_EQ(got.tLastHit, 22u);
    EXPECT_EQ(got.nStatus, 0);
    EXPECT_EQ(url, kPage);
    EXPECT_EQ(got.sHtml, "<img>");
}

TEST_F(StoreTest, RestoringRenumbersAndDropsUnusedLocations) {
    ASSERT_EQ(Add(kPage, Element("a")), 1);
    ASSERT_EQ(Add(kOther, Element("b")), 1);
    ASSERT_EQ(Add("http://www.example.com/third.htm", Element("c")), 1);
    listener_.notices.clear();
    ASSERT_EQ(store_->RestoreFilter("www.example.com.Dat", 1), 1);
    ASSERT_EQ(listener_.notices.size(), 1u);
    EXPECT_EQ(listener_.notices[0].kind, "restored");
    EXPECT_EQ(listener_.notices[0].url, kOther);
    EXPECT_EQ(listener_.notices[0].record.sName, "b");
    Restart();
    ASSERT_EQ(store_->SelectHostFile("www.example.com.Dat"), 1);
    EXPECT_EQ(store_->LocationCount(), 2);
    EXPECT_EQ(store_->RecordCount(), 2);
    std::string url;
    FilterRecord got;
    ASSERT_EQ(store_->GetFilter("www.example.com.Dat", 1, url, got), 1);
    EXPECT_EQ(got.sName, "c");
    EXPECT_EQ(got.nId, 1);
    EXPECT_EQ(got.nLocation, 1);
    EXPECT_EQ(url, "http://www.example.com/third.htm");
}

TEST_F(StoreTest, RestoringTheLastRecordDeletesTheFile) {
    ASSERT_EQ(Add(kPage, Element("a")), 1);
    ASSERT_EQ(store_->RestoreFilter("www.example.com.Dat", 0), 1);
    EXPECT_FALSE(Exists("www.example.com.Dat"));
    EXPECT_EQ(store_->RestoreFilter("www.example.com.Dat", 0), 0);
    EXPECT_EQ(store_->RestoreFilter("www.example.com.Dat", -1), 0);
}

TEST_F(StoreTest, RestoreOfAnUnreadableFileChangesNothing) {
    const std::string bad = "p\r\n-\r\n0 n IMG 1 2\r\n-\r\nx\r\n";
    WriteBytes(File("bad.example.com.Dat"), bad);
    EXPECT_EQ(store_->RestoreFilter("bad.example.com.Dat", 0), 0);
    EXPECT_EQ(store_->SelectHostFile("bad.example.com.Dat"), 0);
    EXPECT_EQ(store_->LoadedHostFile(), "");
    EXPECT_EQ(ReadBytes(File("bad.example.com.Dat")), bad);
}

TEST_F(StoreTest, FiltersForUrlCopiesPageAndWiderRecords) {
    ASSERT_EQ(Add(kPage, Element("page-here", "IMG", kScopePage)), 1);
    ASSERT_EQ(Add(kOther, Element("page-there", "IMG", kScopePage)), 1);
    ASSERT_EQ(Add(kOther, Element("host-there", "IMG", kScopeHost)), 1);
    ASSERT_EQ(Add(kOther, Element("domain-there", "IMG", kScopeDomain)), 1);
    Restart();
    std::vector<FilterRecord> list(10);
    const int n = store_->FiltersForUrl(std::string(" ") + kPage + "\r\n", list.data(), 10);
    ASSERT_EQ(n, 3);
    EXPECT_EQ(list[0].sName, "page-here");
    EXPECT_EQ(list[0].nLocation, -1);
    EXPECT_EQ(list[0].nHint, 7);
    EXPECT_EQ(list[0].sHtml, kPage);
    EXPECT_EQ(list[1].sName, "host-there");
    EXPECT_EQ(list[1].nHint, -1);
    EXPECT_EQ(list[1].nLocation, 1);
    EXPECT_EQ(list[1].sHtml, kOther);
    EXPECT_EQ(list[2].sName, "domain-there");
    EXPECT_EQ(store_->FiltersForUrl(kPage, list.data(), 2), 2);
    EXPECT_EQ(store_->FiltersForUrl(kPage, list.data(), 0), 0);
}

TEST_F(StoreTest, FiltersForUrlReachesPagesWithoutFiltersOfTheirOwn) {
    ASSERT_EQ(Add(kOther, Element("page-there", "IMG", kScopePage)), 1);
    ASSERT_EQ(Add(kOther, Element("host-there", "IMG", kScopeHost)), 1);
    std::vector<FilterRecord> list(4);
    ASSERT_EQ(store_->FiltersForUrl("http://www.example.com/new.htm", list.data(), 4), 1);
    EXPECT_EQ(list[0].sName, "host-there");
}

TEST_F(StoreTest, FiltersForUrlOfAnUnknownHostCreatesNothing) {
    std::vector<FilterRecord> list(4);
    EXPECT_EQ(store_->FiltersForUrl("http://nowhere.example.net/", list.data(), 4), 0);
    EXPECT_TRUE(FileNames(dir_).empty());
}

TEST_F(StoreTest, FiltersForUrlCollectsDomainRecordsOfSiblingHostsOnce) {
    ASSERT_EQ(Add("http://ads.example.com/x", Element("dom-ads", "IMG", kScopeDomain)), 1);
    ASSERT_EQ(Add("http://ads.example.com/x", Element("host-ads", "IMG", kScopeHost)), 1);
    ASSERT_EQ(Add("http://img.example.com/y", Element("dom-img", "IMG", kScopeDomain)), 1);
    ASSERT_EQ(Add("http://img.other.com/y", Element("dom-other", "IMG", kScopeDomain)), 1);
    ASSERT_EQ(Add("http://example.com/z", Element("dom-com", "IMG", kScopeDomain)), 1);
    ASSERT_EQ(Add(kPage, Element("own", "IMG", kScopeDomain)), 1);

    std::vector<FilterRecord> list(10);
    const int n = store_->FiltersForUrl(kPage, list.data(), 10);
    ASSERT_EQ(n, 3);
    EXPECT_EQ(list[0].sName, "own");
    EXPECT_EQ(list[0].nLocation, -1);
    EXPECT_EQ(list[1].sName, "dom-ads");
    EXPECT_EQ(list[1].sHtml, "http://ads.example.com/x");
    EXPECT_EQ(list[1].nHint, -1);
    EXPECT_EQ(list[2].sName, "dom-img");
    // The page's own host file stays loaded for the hits that follow.
    EXPECT_EQ(store_->LoadedHostFile(), "www.example.com.Dat");

    // A host without a file of its own still gets the domain's filters.
    ASSERT_EQ(store_->FiltersForUrl("http://new.example.com/", list.data(), 10), 3);
    EXPECT_EQ(list[0].sName, "dom-ads");
    EXPECT_EQ(list[2].sName, "own");
}

TEST_F(StoreTest, SaveHitsWritesTimesAndHintsBack) {
    ASSERT_EQ(Add(kPage, Element("a", "IMG", kScopePage)), 1);
    ASSERT_EQ(Add("http://ads.example.com/x", Element("d", "IMG", kScopeDomain)), 1);
    std::vector<FilterRecord> list(4);
    ASSERT_EQ(store_->FiltersForUrl(kPage, list.data(), 4), 2);
    clock_.Advance(1000);
    for (int i = 0; i < 2; ++i) {
        list[static_cast<std::size_t>(i)].nStatus = kStatusHit;
        list[static_cast<std::size_t>(i)].tLastHit = clock_.Now();
        list[static_cast<std::size_t>(i)].nHint = static_cast<std::int16_t>(40 + i);
    }
    listener_.notices.clear();
    ASSERT_EQ(store_->SaveHits(list.data(), 2), 1);
    EXPECT_EQ(list[0].nLocation, 0);
    ASSERT_EQ(listener_.notices.size(), 2u);
    EXPECT_EQ(listener_.notices[0].url, "www.example.com.Dat");
    EXPECT_EQ(listener_.notices[1].url, "ads.example.com.Dat");
    Restart();
    std::string url;
    FilterRecord got;
    ASSERT_EQ(store_->GetFilter("www.example.com.Dat", 0, url, got), 1);
    EXPECT_EQ(got.tLastHit, clock_.Now());
    EXPECT_EQ(got.nHint, 40);
    ASSERT_EQ(store_->GetFilter("ads.example.com.Dat", 0, url, got), 1);
    EXPECT_EQ(got.nHint, 41);
    EXPECT_EQ(store_->SaveHits(list.data(), 0), 0);
}

TEST_F(StoreTest, SaveHitsSkipsEntriesThatAreNotHitOrGone) {
    ASSERT_EQ(Add(kPage, Element("a")), 1);
    std::vector<FilterRecord> list(3);
    ASSERT_EQ(store_->FiltersForUrl(kPage, list.data(), 3), 1);
    list[0].tLastHit = 5;  // not hit: status 0
    list[1] = list[0];
    list[1].nStatus = kStatusHit;
    list[1].sName = "gone";
    list[2] = list[0];
    list[2].nStatus = kStatusHit;
    list[2].sHtml = "http://missing.example.com/";
    const std::string before = ReadBytes(File("www.example.com.Dat"));
    listener_.notices.clear();
    ASSERT_EQ(store_->SaveHits(list.data(), 3), 1);
    EXPECT_TRUE(listener_.notices.empty());
    EXPECT_EQ(ReadBytes(File("www.example.com.Dat")), before);
    EXPECT_FALSE(Exists("missing.example.com.Dat"));
}

TEST_F(StoreTest, SelectionReadsAFileOnlyWhenAnotherIsNeeded) {
    ASSERT_EQ(Add(kPage, Element("a")), 1);
    ASSERT_EQ(store_->SelectHostFile("www.example.com.Dat"), 1);
    // Changing the file behind the store's back is not seen while it stays loaded.
    WriteBytes(File("www.example.com.Dat"), "x\r\n-\r\n");
    EXPECT_EQ(store_->SelectHostFile("www.example.com.Dat"), 1);
    EXPECT_EQ(store_->RecordCount(), 1);
    EXPECT_EQ(store_->FindLocation(kPage), 0);
    EXPECT_EQ(store_->FindLocation("http://www.example.com/INDEX.htm"), -1);
    EXPECT_EQ(store_->FindSameFilter(0, "IMG", "a"), 0);
    EXPECT_EQ(store_->FindSameFilter(0, "EMBED", "a"), -1);
    EXPECT_EQ(store_->HostFileExists("www.example.com.Dat"), 1);
    EXPECT_EQ(store_->HostFileExists("nothing.Dat"), 0);
}

TEST_F(StoreTest, CapacityOf511LocationsPerHostFile) {
    for (int i = 0; i < kMaxLocations; ++i) {
        ASSERT_EQ(Add("http://h.example.com/" + std::to_string(i), Element("n")), 1) << i;
    }
    const std::string before = ReadBytes(File("h.example.com.Dat"));
    listener_.notices.clear();
    EXPECT_EQ(Add("http://h.example.com/extra", Element("n")), 0);
    EXPECT_TRUE(listener_.notices.empty());
    EXPECT_EQ(ReadBytes(File("h.example.com.Dat")), before);
    // A known location still takes new records.
    EXPECT_EQ(Add("http://h.example.com/0", Element("m")), 1);
    Restart();
    ASSERT_EQ(store_->SelectHostFile("h.example.com.Dat"), 1);
    EXPECT_EQ(store_->LocationCount(), 511);
}

TEST_F(StoreTest, CapacityOf2047RecordsPerHostFile) {
    HostFileTables t;
    t.locations = {kPage};
    for (int i = 0; i < kMaxRecords - 1; ++i) {
        FilterRecord r = Element("n" + std::to_string(i));
        t.records.push_back(r);
    }
    WriteBytes(File("www.example.com.Dat"), SerializeHostFile(t));
    ASSERT_EQ(Add(kPage, Element("last")), 1);
    const std::string before = ReadBytes(File("www.example.com.Dat"));
    listener_.notices.clear();
    const int undo = store_->GetUndoCount();
    EXPECT_EQ(Add(kOther, Element("too-many")), 0);
    EXPECT_EQ(Add(kPage, Element("too-many")), 0);
    EXPECT_TRUE(listener_.notices.empty());
    EXPECT_EQ(store_->GetUndoCount(), undo);
    EXPECT_EQ(ReadBytes(File("www.example.com.Dat")), before);
    EXPECT_EQ(store_->LocationCount(), 1);
    // The same element again is still only a refresh.
    EXPECT_EQ(Add(kPage, Element("last")), 1);
}

}  // namespace
}  // namespace qm
