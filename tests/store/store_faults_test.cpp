// Faults the store guards against: interrupted writes, hostile host keys and
// file names, long lines, texts that would break a record line, listeners that
// use the store while being told something.
#include <gtest/gtest.h>

#include "store/address_keys.h"
#include "store_fixture.h"

namespace qm {
namespace {

using testing::Element;
using testing::FileNames;
using testing::ReadBytes;
using testing::StoreTest;
using testing::WriteBytes;

const char kPage[] = "http://www.example.com/index.htm";

TEST_F(StoreTest, ReplacingAHostFileLeavesNoTemporaryBehind) {
    ASSERT_EQ(Add(kPage, Element("a")), 1);
    ASSERT_EQ(Add(kPage, Element("b")), 1);
    EXPECT_EQ(FileNames(dir_), std::vector<std::string>{"www.example.com.Dat"});
    Restart();
    ASSERT_EQ(store_->SelectHostFile("www.example.com.Dat"), 1);
    EXPECT_EQ(store_->RecordCount(), 2);
}

TEST_F(StoreTest, FailedWriteKeepsTheOldFileAndReportsFailure) {
    ASSERT_EQ(Add(kPage, Element("a")), 1);
    ASSERT_EQ(Add(kPage, Element("z")), 1);
    const std::string before = ReadBytes(File("www.example.com.Dat"));
    // The temporary file cannot be created: a directory holds its name.
    std::filesystem::create_directory(File("~write.tmp"));
    listener_.notices.clear();
    const int undo = store_->GetUndoCount();
    EXPECT_EQ(Add(kPage, Element("b")), 0);
    EXPECT_EQ(Add(kPage, Element("a")), 0);  // the refresh is not saved either
    EXPECT_EQ(store_->RestoreFilter("www.example.com.Dat", 0), 0);
    EXPECT_EQ(Add("http://new.example.com/", Element("c")), 0);
    EXPECT_TRUE(listener_.notices.empty() ||
                (listener_.Count("added") == 0 && listener_.Count("changed") == 0));
    EXPECT_EQ(store_->GetUndoCount(), undo);
    EXPECT_EQ(ReadBytes(File("www.example.com.Dat")), before);
    EXPECT_FALSE(Exists("new.example.com.Dat"));
    // The store forgot the unsaved change: it reads the file as it is on disk.
    ASSERT_EQ(store_->SelectHostFile("www.example.com.Dat"), 1);
    EXPECT_EQ(store_->RecordCount(), 2);
    std::filesystem::remove(File("~write.tmp"));
    EXPECT_EQ(Add(kPage, Element("b")), 1);
    EXPECT_EQ(store_->RecordCount(), 3);
}

TEST_F(StoreTest, AnUnreadableHostFileIsNeverOverwritten) {
    const std::string corrupt = "http://www.example.com/index.htm\r\n-\r\n0 only three\r\n-\r\n";
    WriteBytes(File("www.example.com.Dat"), corrupt);
    listener_.notices.clear();
    EXPECT_EQ(Add(kPage, Element("a")), 0);
    EXPECT_TRUE(listener_.notices.empty());
    EXPECT_EQ(ReadBytes(File("www.example.com.Dat")), corrupt);
    std::vector<FilterRecord> list(2);
    EXPECT_EQ(store_->FiltersForUrl(kPage, list.data(), 2), 0);
}

TEST_F(StoreTest, HostileHostKeysStayInsideTheDataDirectory) {
    const auto inner = dir_ / "inner";
    std::filesystem::create_directory(inner);
    FilterStore store(inner.string());
    const std::vector<std::string> urls = {
        "http://../x/",           "http://..\\..\\evil/",
        "http://a/../../b/",      "http://*/",
        "http://?.Dat/",          "http://CON/",
        "http://nul.txt/",        "http://Com3.example.com/",
        "http://lpt1/",           "http://a<b>c\"d|e/",
        "http://user:pw@host:1/", std::string("http://ctl\x01\x1f/"),
        "http://%2e%2e/",         "http://\xC3\xA9t\xC3\xA9/"};
    for (const auto& url : urls) {
        FilterRecord r = Element("n");
        ASSERT_EQ(store.AddFilter(url, r), 1) << url;
    }
    // Nothing was written next to the data directory.
    EXPECT_EQ(FileNames(dir_), std::vector<std::string>{"inner"});
    const auto names = FileNames(inner);
    EXPECT_EQ(names.size(), urls.size());
    for (const auto& name : names) {
        EXPECT_TRUE(IsHostFileName(name)) << name;
        for (char c : name) {
            const unsigned char u = static_cast<unsigned char>(c);
            EXPECT_TRUE(u >= 0x20 && u < 0x7F &&
                        std::string("/\\*?<>:\"|").find(c) == std::string::npos)
                << name;
        }
        const std::string stem = name.substr(0, name.size() - 4);
        std::string first = stem.substr(0, stem.find('.'));
        for (auto& c : first) {
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
        for (const char* reserved : {"CON", "NUL", "COM3", "LPT1", "AUX", "PRN"}) {
            EXPECT_NE(first, reserved) << name;
        }
    }
    // Every filter is found again from its address.
    for (const auto& url : urls) {
        std::vector<FilterRecord> list(2);
        EXPECT_EQ(store.FiltersForUrl(url, list.data(), 2), 1) << url;
    }
}

TEST_F(StoreTest, HostileFileNamesAndPatternsAreRefused) {
    const auto inner = dir_ / "Data";
    std::filesystem::create_directory(inner);
    WriteBytes(dir_ / "outside.Dat", "http://o/\r\n-\r\n0 n IMG 1 2 3 0 0\r\n-\r\nx\r\n");
    WriteBytes(inner / "html.tmp", "scratch");
    WriteBytes(inner / "readme.txt", "foreign");
    WriteBytes(inner / "a%2fb.Dat", "p\r\n-\r\n0 n IMG 1 2 3 0 0\r\n-\r\nx\r\n");
    FilterStore store(inner.string());
    FilterRecord r = Element("n");
    ASSERT_EQ(store.AddFilter(kPage, r), 1);

    EXPECT_EQ(store.SelectHostFile("../outside.Dat"), 0);
    EXPECT_EQ(store.HostFileExists("../outside.Dat"), 0);
    EXPECT_EQ(store.RestoreFilter("../outside.Dat", 0), 0);
    EXPECT_EQ(store.SelectHostFile("a%2fb.Dat"), 0);  // not a name the store writes
    std::string url;
    FilterRecord got;
    EXPECT_EQ(store.GetFilter("..\\outside.Dat", 0, url, got), 0);

    store.DeleteMatchingFiles("*");
    store.DeleteMatchingFiles("../*");
    store.BringBackUndoFiles("*");
    store.RestoreHostFiles("../*.Dat");
    store.RestoreHostFiles("*");
    EXPECT_TRUE(std::filesystem::exists(dir_ / "outside.Dat"));
    EXPECT_EQ(FileNames(inner), (std::vector<std::string>{"a%2fb.Dat", "html.tmp", "readme.txt",
                                                          "www.example.com.0000.udo"}));
    // One undo brings the host file back; the foreign files were never touched.
    ASSERT_EQ(store.Undo(), 1);
    EXPECT_EQ(FileNames(inner), (std::vector<std::string>{"a%2fb.Dat", "html.tmp", "readme.txt",
                                                          "www.example.com.Dat"}));
    EXPECT_EQ(ReadBytes(inner / "html.tmp"), "scratch");
}

TEST_F(StoreTest, LongTextsStayWithTheirRecords) {
    const std::string big(20000, 'x');
    const std::string bigger = std::string(9000, 'y') + "\n" + std::string(9000, 'z');
    ASSERT_EQ(Add(kPage, Element("a", "IMG", 0, big)), 1);
    ASSERT_EQ(Add(kPage, Element("b", "IMG", 0, bigger)), 1);
    ASSERT_EQ(Add(kPage, Element("c", "IMG", 0, "small")), 1);
    Restart();
    std::string url;
    FilterRecord got;
    ASSERT_EQ(store_->GetFilter("www.example.com.Dat", 0, url, got), 1);
    EXPECT_EQ(got.sHtml, big);
    ASSERT_EQ(store_->GetFilter("www.example.com.Dat", 1, url, got), 1);
    EXPECT_EQ(got.sHtml, bigger);
    ASSERT_EQ(store_->GetFilter("www.example.com.Dat", 2, url, got), 1);
    EXPECT_EQ(got.sHtml, "small");
}

TEST_F(StoreTest, WhiteSpaceInNameOrTypeCannotBreakTheFile) {
    FilterRecord r = Element("My Pop\tup\r\n", "NO POPUP");
    ASSERT_EQ(store_->AddFilter(kPage, r), 1);
    EXPECT_EQ(r.sName, "MyPopup");
    EXPECT_EQ(r.sType, "NOPOPUP");
    ASSERT_EQ(Add(kPage, Element("", " ")), 1);
    ASSERT_EQ(Add(kPage, Element("after")), 1);
    Restart();
    ASSERT_EQ(store_->SelectHostFile("www.example.com.Dat"), 1);
    ASSERT_EQ(store_->RecordCount(), 3);
    EXPECT_EQ(store_->FindSameFilter(0, "NOPOPUP", "MyPopup"), 0);
    EXPECT_EQ(store_->FindSameFilter(0, "_", "_"), 1);
    EXPECT_EQ(store_->FindSameFilter(0, "IMG", "after"), 2);
}

TEST_F(StoreTest, AddressesThatWouldBreakTheLocationSectionAreHandled) {
    EXPECT_EQ(Add("-not-an-address", Element("a")), 0);
    EXPECT_FALSE(Exists("UnknownHost.Dat"));
    ASSERT_EQ(Add("http://www.example.com/a\r\nb", Element("a")), 1);
    ASSERT_EQ(Add("http://www.example.com/c", Element("c")), 1);
    Restart();
    ASSERT_EQ(store_->SelectHostFile("www.example.com.Dat"), 1);
    EXPECT_EQ(store_->LocationCount(), 2);
    EXPECT_EQ(store_->FindLocation("http://www.example.com/ab"), 0);
    EXPECT_EQ(store_->RecordCount(), 2);
}

// A listener that lists another host's filters while a record is restored.
class MeddlingListener : public testing::RecordingListener {
public:
    void OnFilterRestored(const std::string& url, const FilterRecord& record) override {
        RecordingListener::OnFilterRestored(url, record);
        std::vector<FilterListRow> rows;
        store->FillFilterList("other.example.com.Dat", rows);
    }
    FilterStore* store = nullptr;
};

TEST_F(StoreTest, ListenerUsingTheStoreDuringARestoreDoesNotMisdirectIt) {
    ASSERT_EQ(Add(kPage, Element("a")), 1);
    ASSERT_EQ(Add(kPage, Element("b")), 1);
    ASSERT_EQ(Add("http://other.example.com/", Element("x")), 1);
    ASSERT_EQ(Add("http://other.example.com/", Element("y")), 1);
    MeddlingListener meddler;
    meddler.store = store_.get();
    store_->SetListener(&meddler);
    ASSERT_EQ(store_->RestoreFilter("www.example.com.Dat", 0), 1);
    Restart();
    ASSERT_EQ(store_->SelectHostFile("other.example.com.Dat"), 1);
    EXPECT_EQ(store_->RecordCount(), 2);
    ASSERT_EQ(store_->SelectHostFile("www.example.com.Dat"), 1);
    EXPECT_EQ(store_->RecordCount(), 1);
    EXPECT_EQ(store_->FindSameFilter(0, "IMG", "b"), 0);
}

}  // namespace
}  // namespace qm
