#include <gtest/gtest.h>

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
const char kHostFile[] = "www.example.com.Dat";

TEST_F(StoreTest, UndoOfAnAddRemovesTheFilterWithoutRecording) {
    ASSERT_EQ(Add(kPage, Element("a")), 1);
    ASSERT_EQ(store_->GetUndoCount(), 1);
    listener_.notices.clear();
    ASSERT_EQ(store_->Undo(), 1);
    EXPECT_EQ(store_->GetUndoCount(), 0);
    EXPECT_FALSE(Exists(kHostFile));
    EXPECT_EQ(listener_.Count("restored"), 1);
    EXPECT_EQ(store_->Undo(), 0);
}

TEST_F(StoreTest, UndoOfARestoreBringsTheRecordBackAtTheEnd) {
    FilterRecord a = Element("a", "IMG", kScopeHost, "<img a>");
    a.tDeleted = 100;
    a.tLastHit = 200;
    a.nHint = 12;
    ASSERT_EQ(store_->AddFilter(kPage, a), 1);
    ASSERT_EQ(Add(kPage, Element("b")), 1);
    ASSERT_EQ(store_->RestoreFilter(kHostFile, 0), 1);
    ASSERT_EQ(store_->GetUndoCount(), 3);
    listener_.notices.clear();
    ASSERT_EQ(store_->Undo(), 1);
    EXPECT_EQ(store_->GetUndoCount(), 2);
    ASSERT_EQ(listener_.Count("added"), 1);
    Restart();
    std::string url;
    FilterRecord got;
    ASSERT_EQ(store_->GetFilter(kHostFile, 1, url, got), 1);
    EXPECT_EQ(got.sName, "a");
    EXPECT_EQ(got.tDeleted, 100u);
    EXPECT_EQ(got.tLastHit, 200u);
    EXPECT_EQ(got.nScope, kScopeHost);
    EXPECT_EQ(got.nHint, 12);
    EXPECT_EQ(got.sHtml, "<img a>");
    EXPECT_EQ(url, kPage);
}

TEST_F(StoreTest, UndoOfAnAddFindsTheRecordAfterEarlierOnesLeft) {
    ASSERT_EQ(Add(kPage, Element("a")), 1);
    ASSERT_EQ(Add(kPage, Element("b")), 1);
    ASSERT_EQ(Add(kPage, Element("c")), 1);  // added at position 2
    // Undo the restore of "a" first, then the add of "c", whose old
    // position now holds "a".
    ASSERT_EQ(store_->RestoreFilter(kHostFile, 0), 1);  // "c" now at position 1
    ASSERT_EQ(store_->Undo(), 1);                       // "a" back at the end: b, c, a
    ASSERT_EQ(store_->Undo(), 1);                       // undo of adding "c"
    ASSERT_EQ(store_->SelectHostFile(kHostFile), 1);
    ASSERT_EQ(store_->RecordCount(), 2);
    EXPECT_EQ(store_->FindSameFilter(0, "IMG", "b"), 0);
    EXPECT_EQ(store_->FindSameFilter(0, "IMG", "a"), 1);
    EXPECT_EQ(store_->FindSameFilter(0, "IMG", "c"), -1);
}

TEST_F(StoreTest, UndoOfAnAddWhoseRecordIsGoneFailsAndConsumesTheEntry) {
    ASSERT_EQ(Add(kPage, Element("a")), 1);
    ASSERT_EQ(Add("http://other.example.com/", Element("x")), 1);
    // The first file loses its record behind the store's back.
    WriteBytes(File(kHostFile),
               "http://www.example.com/index.htm\r\n-\r\n0 b IMG 1 2 3 0 0\r\n-\r\n\r\n");
    ASSERT_EQ(store_->Undo(), 1);  // the add of "x"
    EXPECT_EQ(store_->Undo(), 0);  // "a" is gone
    EXPECT_EQ(store_->GetUndoCount(), 0);
    ASSERT_EQ(store_->SelectHostFile(kHostFile), 1);
    EXPECT_EQ(store_->RecordCount(), 1);
}

TEST_F(StoreTest, TheLogKeepsTheLast64Actions) {
    for (int i = 0; i < 65; ++i) {
        ASSERT_EQ(Add(kPage, Element("n" + std::to_string(i))), 1);
    }
    EXPECT_EQ(store_->GetUndoCount(), kMaxUndo);
    for (int i = 0; i < 64; ++i) {
        ASSERT_EQ(store_->Undo(), 1) << i;
    }
    EXPECT_EQ(store_->Undo(), 0);
    ASSERT_EQ(store_->SelectHostFile(kHostFile), 1);
    ASSERT_EQ(store_->RecordCount(), 1);
    EXPECT_EQ(store_->FindSameFilter(0, "IMG", "n0"), 0);
}

TEST_F(StoreTest, RestoringATreeBranchMovesFilesWithOneGeneration) {
    ASSERT_EQ(Add("http://ads.example.com/", Element("a")), 1);
    ASSERT_EQ(Add("http://img.example.com/", Element("b")), 1);
    ASSERT_EQ(Add("http://www.other.com/", Element("c")), 1);
    const std::string ads = ReadBytes(File("ads.example.com.Dat"));
    ASSERT_EQ(store_->SelectHostFile("ads.example.com.Dat"), 1);
    listener_.notices.clear();
    ASSERT_EQ(store_->RestoreHostFiles("*.example.com.Dat"), 1);
    EXPECT_TRUE(listener_.notices.empty());
    EXPECT_EQ(FileNames(dir_),
              (std::vector<std::string>{"ads.example.com.0000.udo", "img.example.com.0000.udo",
                                        "www.other.com.Dat"}));
    EXPECT_EQ(store_->GetUndoCount(), 4);
    EXPECT_EQ(store_->UndoGeneration(), 1);
    // The moved file is no longer loaded: a new filter starts a new file.
    ASSERT_EQ(Add("http://ads.example.com/", Element("new")), 1);
    ASSERT_EQ(store_->RecordCount(), 1);
    ASSERT_EQ(store_->Undo(), 1);  // the new filter
    ASSERT_EQ(store_->Undo(), 1);  // the move
    EXPECT_EQ(listener_.notices.back().kind, "changed");
    EXPECT_EQ(listener_.notices.back().url, "");
    EXPECT_EQ(FileNames(dir_),
              (std::vector<std::string>{"ads.example.com.Dat", "img.example.com.Dat",
                                        "www.other.com.Dat"}));
    EXPECT_EQ(ReadBytes(File("ads.example.com.Dat")), ads);
}

TEST_F(StoreTest, GenerationsAreUndoneInReverseOrder) {
    ASSERT_EQ(Add("http://a.example.com/", Element("a")), 1);
    ASSERT_EQ(Add("http://b.example.com/", Element("b")), 1);
    ASSERT_EQ(store_->RestoreHostFiles("a.example.com.Dat"), 1);
    ASSERT_EQ(store_->RestoreHostFiles("b.example.com.Dat"), 1);
    EXPECT_TRUE(Exists("a.example.com.0000.udo"));
    EXPECT_TRUE(Exists("b.example.com.0001.udo"));
    // A pattern that matches nothing records nothing.
    ASSERT_EQ(store_->RestoreHostFiles("*.nothing.Dat"), 1);
    EXPECT_EQ(store_->GetUndoCount(), 4);
    ASSERT_EQ(store_->Undo(), 1);
    EXPECT_TRUE(Exists("b.example.com.Dat"));
    EXPECT_FALSE(Exists("a.example.com.Dat"));
    ASSERT_EQ(store_->Undo(), 1);
    EXPECT_TRUE(Exists("a.example.com.Dat"));
    // Undo files do not outlive a run.
    ASSERT_EQ(store_->RestoreHostFiles("*.Dat"), 1);
    Restart();
    EXPECT_TRUE(FileNames(dir_).empty());
    EXPECT_EQ(store_->UndoGeneration(), 0);
}

TEST_F(StoreTest, GenerationsWrapAfter9999AndStayFourDigits) {
#ifdef _WIN32
    // Ten thousand moves are slow under the Windows emulation; the counting
    // is the same on every platform and the native run covers it.
    GTEST_SKIP();
#endif
    const std::string bytes = "http://g.example.com/\r\n-\r\n0 n IMG 1 2 3 0 0\r\n-\r\nx\r\n";
    for (int i = 0; i < 10000; ++i) {
        WriteBytes(File("g.example.com.Dat"), bytes);
        ASSERT_EQ(store_->RestoreHostFiles("g.example.com.Dat"), 1);
        if (i == 9999) {
            ASSERT_TRUE(Exists("g.example.com.9999.udo"));
        }
        std::filesystem::remove(
            File(i == 9999 ? "g.example.com.9999.udo"
                           : "g.example.com." + std::string(4 - std::to_string(i).size(), '0') +
                                 std::to_string(i) + ".udo"));
    }
    EXPECT_EQ(store_->UndoGeneration(), 0);
    WriteBytes(File("g.example.com.Dat"), bytes);
    ASSERT_EQ(store_->RestoreHostFiles("g.example.com.Dat"), 1);
    EXPECT_TRUE(Exists("g.example.com.0000.udo"));
    ASSERT_EQ(store_->Undo(), 1);
    EXPECT_EQ(ReadBytes(File("g.example.com.Dat")), bytes);
}

TEST_F(StoreTest, BringingBackReplacesAHostFileMadeSinceTheMove) {
    ASSERT_EQ(Add(kPage, Element("old")), 1);
    ASSERT_EQ(store_->RestoreHostFiles(kHostFile), 1);
    ASSERT_EQ(Add(kPage, Element("new")), 1);
    ASSERT_EQ(store_->BringBackUndoFiles("*.0000.udo"), 1);
    ASSERT_EQ(store_->SelectHostFile(kHostFile), 1);
    EXPECT_EQ(store_->FindSameFilter(0, "IMG", "old"), 0);
    EXPECT_EQ(store_->FindSameFilter(0, "IMG", "new"), -1);
    EXPECT_FALSE(Exists("www.example.com.0000.udo"));
}

TEST_F(StoreTest, ExpiryRestoresAtExactlyThirtyDays) {
    const std::uint32_t now = clock_.Now();
    FilterRecord expired = Element("expired");
    expired.tLastHit = now - 30u * 86400u;
    FilterRecord kept = Element("kept");
    kept.tLastHit = now - 30u * 86400u + 1u;
    FilterRecord old = Element("old");
    old.tLastHit = now - 31u * 86400u;
    FilterRecord future = Element("future");
    future.tLastHit = now + 5u * 86400u;  // the clock was set back
    FilterRecord recent = Element("recent");
    recent.tLastHit = now - 29u * 86400u;
    for (FilterRecord* r : {&expired, &old, &kept, &future, &recent}) {
        ASSERT_EQ(store_->AddFilter(kPage, *r), 1);
    }
    ASSERT_EQ(Add("http://gone.example.com/",
                  [&] {
                      FilterRecord g = Element("gone");
                      g.tLastHit = now - 400u * 86400u;
                      return g;
                  }()),
              1);
    const int undo = store_->GetUndoCount();
    listener_.notices.clear();
    ASSERT_EQ(store_->DeleteExpired(30), 1);
    EXPECT_EQ(listener_.Count("restored"), 3);
    EXPECT_EQ(store_->GetUndoCount(), undo + 3);
    EXPECT_FALSE(Exists("gone.example.com.Dat"));
    Restart();
    ASSERT_EQ(store_->SelectHostFile(kHostFile), 1);
    ASSERT_EQ(store_->RecordCount(), 3);
    EXPECT_EQ(store_->FindSameFilter(0, "IMG", "kept"), 0);
    EXPECT_EQ(store_->FindSameFilter(0, "IMG", "future"), 1);
    EXPECT_EQ(store_->FindSameFilter(0, "IMG", "recent"), 2);
}

TEST_F(StoreTest, ExpiredRestorationsAreUndoable) {
    FilterRecord r = Element("a");
    r.tLastHit = clock_.Now() - 40u * 86400u;
    ASSERT_EQ(store_->AddFilter(kPage, r), 1);
    ASSERT_EQ(store_->DeleteExpired(30), 1);
    EXPECT_FALSE(Exists(kHostFile));
    ASSERT_EQ(store_->Undo(), 1);
    ASSERT_EQ(store_->SelectHostFile(kHostFile), 1);
    EXPECT_EQ(store_->RecordCount(), 1);
    EXPECT_EQ(store_->DeleteExpired(-1), 0);
}

}  // namespace
}  // namespace qm
