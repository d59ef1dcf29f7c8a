// Host file names the store makes for any address (long ones shortened), the
// round trip of every such name through a tree restoration and its undo, and
// the in-memory list of host files that queries use instead of the directory.
#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <set>
#include <thread>

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

namespace fs = std::filesystem;

// Hosts the store must take: empty, dots only, separators, wildcards,
// device names, escapes, control and non-ASCII bytes, undo-like and long.
std::vector<std::string> HostileHosts() {
    return {"",
            ".",
            "..",
            "...",
            " ",
            "a.0000.udo",
            ".0000",
            "x.Dat",
            "%",
            "%~0123456789ABCDEF",
            "..\\..\\evil",
            "*",
            "?.Dat",
            "CON",
            "nul.txt",
            "com3.example.com",
            "lpt1",
            "a<b>c\"d|e",
            "user@host",
            std::string("ctl\x01\x1f\x7f", 6),
            "\xC3\xA9t\xC3\xA9",
            std::string(242, 'a'),
            std::string(243, 'b'),
            std::string(300, 'c'),
            std::string(100, '*'),
            std::string(83, '*') + "x",
            std::string(5000, 'd') + ".example.com",
            "1." + std::string(400, 'e')};
}

std::vector<std::string> RandomHosts(std::mt19937& rng, int count) {
    // Lower-case letters only: names differing only in case are one file on
    // Windows.
    const std::string alphabet = "abcxyz0123456789.-_~%*?<>\"|\\ \t\x01\x7f\xc3\xa9\xff.....";
    std::vector<std::string> hosts;
    for (int i = 0; i < count; ++i) {
        const int kind = static_cast<int>(rng() % 4);
        const std::size_t length =
            kind == 0 ? rng() % 4 : (kind == 3 ? 200 + rng() % 400 : rng() % 40);
        std::string host;
        for (std::size_t j = 0; j < length; ++j) {
            host += alphabet[rng() % alphabet.size()];
        }
        hosts.push_back(host);
    }
    return hosts;
}

void ExpectSafeName(const std::string& name) {
    EXPECT_TRUE(IsHostFileName(name)) << name;
    EXPECT_LE(name.size(), kMaxHostFileNameBytes) << name;
    for (char c : name) {
        const unsigned char u = static_cast<unsigned char>(c);
        EXPECT_TRUE(u >= 0x20 && u < 0x7F &&
                    std::string("/\\*?<>:\"|").find(c) == std::string::npos)
            << name;
    }
}

TEST(LongHostNames, OrdinaryNamesKeepTheirSpellingLongOnesAreShortenedUniquely) {
    const std::string fits(kMaxHostFileNameBytes - 4, 'a');
    EXPECT_EQ(HostFileNameOfKey(fits), fits + ".Dat");
    EXPECT_FALSE(IsShortenedHostFileName(fits + ".Dat"));
    EXPECT_EQ(HostFileNameOfKey("www.example.com"), "www.example.com.Dat");

    std::set<std::string> names;
    const std::vector<std::string> keys = {fits + "a",
                                           fits + "b",
                                           std::string(1000, 'a'),
                                           std::string(1001, 'a'),
                                           std::string(300, '*'),
                                           "x" + std::string(300, '*'),
                                           "xx" + std::string(300, '*'),
                                           "CON." + std::string(300, 'z'),
                                           std::string(5000, '.')};
    for (const std::string& key : keys) {
        const std::string name = HostFileNameOfKey(key);
        ExpectSafeName(name);
        EXPECT_TRUE(IsShortenedHostFileName(name)) << name;
        // The kept part is the start of the full safe name, cut between escapes.
        const std::string kept = name.substr(0, name.find("%~"));
        EXPECT_EQ(SafeFileNameOf(key).compare(0, kept.size(), kept), 0) << name;
        EXPECT_GE(kept.size(), kMaxHostFileNameBytes - 24) << name;
        names.insert(name);
    }
    EXPECT_EQ(names.size(), keys.size());
    // A shortened name is never the safe name of any key, and damaged ones
    // are not the store's.
    const std::string one = HostFileNameOfKey(keys[0]);
    EXPECT_NE(SafeFileNameOf(HostKeyOfFileName(one.substr(0, one.size() - 4))) + ".Dat", one);
    std::string damaged = one;
    damaged[damaged.size() - 5] = 'g';
    EXPECT_FALSE(IsHostFileName(damaged));
    EXPECT_FALSE(IsHostFileName("abc%~0123456789ABCDEF.Dat"));
    EXPECT_FALSE(IsHostFileName(one.substr(0, one.size() - 5) + ".Dat"));
}

TEST_F(StoreTest, EveryHostFileNameSurvivesRestoreThenUndo) {
    std::mt19937 rng(20261208u);
    std::vector<std::string> hosts = HostileHosts();
    for (const std::string& h : RandomHosts(rng, 120)) {
        hosts.push_back(h);
    }
    std::vector<std::string> urls;
    for (const std::string& host : hosts) {
        urls.push_back("http://" + host + "/p");
    }
    urls.push_back("http:///x");
    urls.push_back("http://./");
    urls.push_back("about:blank");
    urls.push_back("file://C:/x.htm");
    for (std::size_t i = 0; i < urls.size(); ++i) {
        ASSERT_EQ(Add(urls[i], Element("n" + std::to_string(i))), 1) << urls[i];
    }
    const std::vector<std::string> names = FileNames(dir_);
    std::map<std::string, std::string> bytes;
    for (const std::string& name : names) {
        ExpectSafeName(name);
        bytes[name] = ReadBytes(File(name));
    }
    ASSERT_TRUE(bytes.count(".Dat"));

    auto expectAllBack = [&](const char* round) {
        ASSERT_EQ(FileNames(dir_), names) << round;
        for (const std::string& name : names) {
            EXPECT_EQ(ReadBytes(File(name)), bytes[name]) << round << " " << name;
        }
    };
    // Each host file on its own, as the tree restores a leaf: one generation
    // each, undone newest first.
    const int undoBefore = store_->GetUndoCount();
    for (const std::string& name : names) {
        ASSERT_EQ(store_->RestoreHostFiles(name), 1);
        ASSERT_FALSE(Exists(name)) << name;
    }
    EXPECT_EQ(store_->GetUndoCount(), std::min<int>(kMaxUndo, undoBefore + int(names.size())));
    const std::size_t undoable = std::min<std::size_t>(names.size(), kMaxUndo);
    for (std::size_t i = 0; i < undoable; ++i) {
        ASSERT_EQ(store_->Undo(), 1);
    }
    // Those whose entries fell out of the log come back by generation.
    for (std::size_t i = 0; i + undoable < names.size(); ++i) {
        char pattern[32];
        std::snprintf(pattern, sizeof(pattern), "*.%04d.udo", static_cast<int>(i));
        ASSERT_EQ(store_->BringBackUndoFiles(pattern), 1);
    }
    expectAllBack("one by one");

    // All of them in one move and one undo.
    ASSERT_EQ(store_->RestoreHostFiles("*.Dat"), 1);
    for (const std::string& name : FileNames(dir_)) {
        EXPECT_EQ(name.compare(name.size() - 4, 4, ".udo"), 0) << name;
        EXPECT_LE(name.size(), 255u) << name;
    }
    ASSERT_EQ(store_->Undo(), 1);
    expectAllBack("all at once");

    // A restart deletes no host file, and every address finds its filter.
    Restart();
    expectAllBack("after restart");
    std::vector<FilterRecord> list(1025);
    for (std::size_t i = 0; i < urls.size(); ++i) {
        const int n = store_->FiltersForUrl(urls[i], list.data(), 1025);
        bool found = false;
        for (int k = 0; k < n; ++k) {
            found = found || list[static_cast<std::size_t>(k)].sName == "n" + std::to_string(i);
        }
        EXPECT_TRUE(found) << urls[i];
    }
}

TEST_F(StoreTest, AHostFileStoredUnderAFullLongNameKeepsWorking) {
    // Before long names were shortened, a safe name of up to 255 bytes was
    // stored as it was.
    const std::string host(250, 'h');
    const std::string url = "http://" + host + "/page";
    const std::string full = host + ".Dat";
    WriteBytes(File(full), url + "\r\n-\r\n0 old IMG 1 2 3 0 0\r\n-\r\n<img>\r\n");
    std::vector<FilterRecord> list(4);
    ASSERT_EQ(store_->FiltersForUrl(url, list.data(), 4), 1);
    EXPECT_EQ(list[0].sName, "old");
    // It now has its shortened name, which restores and undoes like any other.
    const std::string shortened = GetHostFileName(url);
    EXPECT_EQ(FileNames(dir_), std::vector<std::string>{shortened});
    ASSERT_EQ(Add(url, Element("new")), 1);
    ASSERT_EQ(store_->RestoreHostFiles(shortened), 1);
    ASSERT_EQ(store_->Undo(), 1);
    ASSERT_EQ(store_->SelectHostFile(shortened), 1);
    EXPECT_EQ(store_->RecordCount(), 2);
    // Restoring the tree item of a file that still has its full name works too.
    WriteBytes(File(full), url + "\r\n-\r\n0 older IMG 1 2 3 0 0\r\n-\r\n<img>\r\n");
    fs::remove(File(shortened));
    ASSERT_EQ(store_->RestoreHostFiles(full), 1);
    EXPECT_EQ(FileNames(dir_).size(), 1u);
    EXPECT_LE(FileNames(dir_)[0].size(), 255u);
    ASSERT_EQ(store_->Undo(), 1);
    EXPECT_EQ(FileNames(dir_), std::vector<std::string>{shortened});
    // When both names exist, neither file is moved over or for the other.
    const std::string kept = ReadBytes(File(shortened));
    WriteBytes(File(full), url + "\r\n-\r\n0 oldest IMG 1 2 3 0 0\r\n-\r\n<img>\r\n");
    ASSERT_EQ(store_->RestoreHostFiles(full), 1);
    EXPECT_EQ(ReadBytes(File(shortened)), kept);
    EXPECT_TRUE(Exists(full));
}

int CountNamed(const std::vector<FilterRecord>& list, int n, const std::string& name) {
    int found = 0;
    for (int i = 0; i < n; ++i) {
        found += list[static_cast<std::size_t>(i)].sName == name ? 1 : 0;
    }
    return found;
}

TEST_F(StoreTest, QueriesSeeHostFilesAddedAndRemovedBehindTheStoresBack) {
    const char page[] = "http://www.example.com/index.htm";
    ASSERT_EQ(Add(page, Element("own")), 1);
    std::vector<FilterRecord> list(16);
    ASSERT_EQ(store_->FiltersForUrl(page, list.data(), 16), 1);
    // Another instance on the same folder adds a sibling host's domain filter.
    {
        FilterStore other(dir_.string());
        FilterRecord r = Element("sibling", "IMG", kScopeDomain);
        ASSERT_EQ(other.AddFilter("http://ads.example.com/x", r), 1);
    }
    int n = store_->FiltersForUrl(page, list.data(), 16);
    EXPECT_EQ(CountNamed(list, n, "sibling"), 1);
    // A user copies one in and deletes the other.
    WriteBytes(File("img.example.com.Dat"),
               "http://img.example.com/\r\n-\r\n0 copied IMG 1 2 3 0 2\r\n-\r\nx\r\n");
    fs::remove(File("ads.example.com.Dat"));
    n = store_->FiltersForUrl(page, list.data(), 16);
    EXPECT_EQ(CountNamed(list, n, "sibling"), 0);
    EXPECT_EQ(CountNamed(list, n, "copied"), 1);
    // The store's own writes are known at once.
    ASSERT_EQ(Add("http://cdn.example.com/", Element("mine", "IMG", kScopeDomain)), 1);
    n = store_->FiltersForUrl(page, list.data(), 16);
    EXPECT_EQ(CountNamed(list, n, "mine"), 1);
    ASSERT_EQ(store_->RestoreHostFiles("cdn.example.com.Dat"), 1);
    n = store_->FiltersForUrl(page, list.data(), 16);
    EXPECT_EQ(CountNamed(list, n, "mine"), 0);
    ASSERT_EQ(store_->Undo(), 1);
    n = store_->FiltersForUrl(page, list.data(), 16);
    EXPECT_EQ(CountNamed(list, n, "mine"), 1);
}

TEST_F(StoreTest, AQuietFolderIsNotListedAgainButAChangeIsSeen) {
    const char page[] = "http://www.example.com/index.htm";
    ASSERT_EQ(Add(page, Element("own")), 1);
    ASSERT_EQ(Add("http://ads.example.com/", Element("a", "IMG", kScopeDomain)), 1);
    // A folder last changed an hour ago; where a directory's time cannot be
    // set (the Windows runtime), one left alone for a little over the two
    // seconds in which a directory time is not trusted yet.
    auto quiet = [&] {
        std::error_code ec;
        fs::last_write_time(dir_, fs::file_time_type::clock::now() - std::chrono::hours(1), ec);
        if (ec) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2200));
        }
    };
    quiet();
    std::vector<FilterRecord> list(16);
    ASSERT_EQ(store_->FiltersForUrl(page, list.data(), 16), 2);
    long listings = store_->HostFileListings();
    for (int i = 0; i < 50; ++i) {
        ASSERT_EQ(store_->FiltersForUrl(page, list.data(), 16), 2);
    }
    EXPECT_EQ(store_->HostFileListings(), listings);
    // A change behind the store's back is seen at once.
    WriteBytes(File("img.example.com.Dat"),
               "http://img.example.com/\r\n-\r\n0 copied IMG 1 2 3 0 2\r\n-\r\nx\r\n");
    int n = store_->FiltersForUrl(page, list.data(), 16);
    EXPECT_EQ(n, 3);
    EXPECT_EQ(CountNamed(list, n, "copied"), 1);
    EXPECT_GT(store_->HostFileListings(), listings);

    // The store's own saves and deletions need no listing.
    quiet();
    ASSERT_EQ(store_->FiltersForUrl(page, list.data(), 16), 3);
    listings = store_->HostFileListings();
    ASSERT_EQ(Add("http://cdn.example.com/", Element("b", "IMG", kScopeDomain)), 1);
    ASSERT_EQ(store_->FiltersForUrl(page, list.data(), 16), 4);
    ASSERT_EQ(store_->RestoreFilter("cdn.example.com.Dat", 0), 1);
    ASSERT_EQ(store_->FiltersForUrl(page, list.data(), 16), 3);
    EXPECT_EQ(store_->HostFileListings(), listings);
    // A change right after one of them may share its clock tick, and so its
    // directory time; it is seen once that tick is safely past.
    ASSERT_EQ(Add("http://cdn.example.com/", Element("c", "IMG", kScopeDomain)), 1);
    WriteBytes(File("js.example.com.Dat"),
               "http://js.example.com/\r\n-\r\n0 late IMG 1 2 3 0 2\r\n-\r\nx\r\n");
    std::this_thread::sleep_for(std::chrono::milliseconds(2200));
    n = store_->FiltersForUrl(page, list.data(), 16);
    EXPECT_EQ(n, 5);
    EXPECT_EQ(CountNamed(list, n, "late"), 1);
    EXPECT_EQ(CountNamed(list, n, "c"), 1);
}

}  // namespace
}  // namespace qm
