// Hit saves written by the store's background writer: nothing is lost when
// other operations follow at once, a burst is written once, the store's end
// writes what waits, and a failed write costs only its hits.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <utility>

#include "store/host_file.h"
#include "store_fixture.h"

namespace qm {
namespace {

using testing::Element;
using testing::ReadBytes;
using testing::StoreTest;

const char kPage[] = "http://www.example.com/index.htm";
const char kFile[] = "www.example.com.Dat";

// A durable write that waits at its start until the test lets it go, so
// that the test knows a write is under way.
class HeldDisk {
public:
    DurableWrite Write() {
        return [this](const std::filesystem::path& path, const std::string& bytes) {
            {
                std::unique_lock<std::mutex> lock(mutex_);
                ++started_;
                changed_.notify_all();
                changed_.wait(lock, [this] { return released_; });
            }
            return ReplaceFileContents(path, bytes);
        };
    }
    void AwaitStarted(int count) {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] { return started_ >= count; });
    }
    void Release() {
        std::lock_guard<std::mutex> lock(mutex_);
        released_ = true;
        changed_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int started_ = 0;
    bool released_ = false;
};

// A disk whose durable writes take a while, as real ones do.
DurableWrite SlowDisk() {
    return [](const std::filesystem::path& path, const std::string& bytes) {
        std::this_thread::sleep_for(std::chrono::milliseconds(40));
        return ReplaceFileContents(path, bytes);
    };
}

class DeferredHitsTest : public StoreTest {
protected:
    // The page's filters as a tracker holds them, with filter name hit at
    // time hit and hint.
    std::vector<FilterRecord> Hit(const std::string& name, std::uint32_t hit, int hint) {
        std::vector<FilterRecord> list(8);
        list.resize(static_cast<std::size_t>(store_->FiltersForUrl(kPage, list.data(), 8)));
        for (FilterRecord& r : list) {
            if (r.sName == name) {
                r.nStatus = kStatusHit;
                r.tLastHit = hit;
                r.nHint = static_cast<std::int16_t>(hint);
            }
        }
        return list;
    }
    int Save(std::vector<FilterRecord>& list) {
        return store_->SaveHits(list.data(), static_cast<int>(list.size()));
    }
    // The host file as it is on disk now.
    HostFileTables OnDisk() {
        HostFileTables t;
        EXPECT_TRUE(ParseHostFile(ReadBytes(File(kFile)), t));
        return t;
    }
    // The hit time and hint of the named filter in t; {0, -1} when t has no
    // such filter.
    static std::pair<std::uint32_t, int> HitOf(const HostFileTables& t, const std::string& name) {
        for (const FilterRecord& r : t.records) {
            if (r.sName == name) {
                return {r.tLastHit, r.nHint};
            }
        }
        return {0, -1};
    }
};

TEST_F(DeferredHitsTest, AnOperationRightAfterAHitSaveKeepsBoth) {
    struct Case {
        const char* what;
        std::function<int(FilterStore&)> act;
        std::vector<std::string> after;  // the filters the file holds at the end
    };
    const std::vector<Case> cases = {
        {"add",
         [](FilterStore& s) {
             FilterRecord r = Element("c");
             return s.AddFilter(kPage, r);
         },
         {"a", "b", "u", "c"}},
        {"another host's page, then an add",
         [](FilterStore& s) {
             std::vector<FilterRecord> other(8);
             FilterRecord r = Element("c");
             return s.FiltersForUrl("http://other.example.com/", other.data(), 8) == 1 &&
                    s.LoadedHostFile() == "other.example.com.Dat" && s.AddFilter(kPage, r);
         },
         {"a", "b", "u", "c"}},
        {"delete", [](FilterStore& s) { return s.RestoreFilter(kFile, 1); }, {"a", "u"}},
        {"undo", [](FilterStore& s) { return s.Undo(); }, {"a", "b"}},
        {"move aside and back",
         [](FilterStore& s) { return s.RestoreHostFiles(kFile) && s.Undo(); },
         {"a", "b", "u"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove(File(kFile));
        Restart();
        ASSERT_EQ(Add("http://other.example.com/", Element("o")), 1);
        ASSERT_EQ(Add(kPage, Element("a")), 1);
        ASSERT_EQ(Add(kPage, Element("b")), 1);
        ASSERT_EQ(Add(kPage, Element("u")), 1);  // the entry the undo takes back
        store_->SetDurableWrite(SlowDisk());
        std::vector<FilterRecord> list = Hit("a", 1'700'000'500u, 33);
        const long writes = store_->HostFileWrites();
        ASSERT_EQ(Save(list), 1);
        ASSERT_EQ(c.act(*store_), 1);
        // The operation waited for the hit save: it was written first.
        EXPECT_GE(store_->HostFileWrites(), writes + 1);
        const HostFileTables t = OnDisk();
        std::vector<std::string> names;
        for (const FilterRecord& r : t.records) {
            names.push_back(r.sName);
        }
        EXPECT_EQ(names, c.after);
        EXPECT_EQ(HitOf(t, "a"), std::make_pair(1'700'000'500u, 33));
    }
}

TEST_F(DeferredHitsTest, ABurstOfSavesIsWrittenOnceAndTheFileHoldsTheLast) {
    ASSERT_EQ(Add(kPage, Element("a")), 1);
    ASSERT_EQ(Add("http://ads.example.com/", Element("d", "IMG", kScopeDomain)), 1);
    HeldDisk disk;
    store_->SetDurableWrite(disk.Write());
    const long writes = store_->HostFileWrites();
    std::vector<FilterRecord> list = Hit("a", 1'700'000'001u, 1);
    ASSERT_EQ(Save(list), 1);
    disk.AwaitStarted(1);
    // While the first write is under way the store answers from its tables
    // and the bytes waiting, and every later save only replaces them.
    const auto started = std::chrono::steady_clock::now();
    for (int i = 2; i <= 40; ++i) {
        list = Hit("a", 1'700'000'000u + static_cast<std::uint32_t>(i), i);
        ASSERT_EQ(Save(list), 1);
        ASSERT_EQ(list.size(), 2u);  // the other host's domain filter is still found
    }
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    disk.Release();
    ASSERT_EQ(store_->Flush(), 1);
    store_->SetDurableWrite(nullptr);
    EXPECT_EQ(store_->HostFileWrites(), writes + 2);
    EXPECT_EQ(HitOf(OnDisk(), "a"), std::make_pair(1'700'000'040u, 40));
}

TEST_F(DeferredHitsTest, TheStoresEndWritesWhatWaits) {
    ASSERT_EQ(Add(kPage, Element("a")), 1);
    store_->SetDurableWrite(SlowDisk());
    std::vector<FilterRecord> list = Hit("a", 1'700'000'777u, 12);
    ASSERT_EQ(Save(list), 1);
    Restart();
    std::string url;
    FilterRecord got;
    ASSERT_EQ(store_->GetFilter(kFile, 0, url, got), 1);
    EXPECT_EQ(got.tLastHit, 1'700'000'777u);
    EXPECT_EQ(got.nHint, 12);
}

TEST_F(DeferredHitsTest, AFailedWriteKeepsTheFileAndTheFiltersAndALaterSaveRetries) {
    ASSERT_EQ(Add(kPage, Element("a")), 1);
    ASSERT_EQ(Add(kPage, Element("b")), 1);
    const std::string before = ReadBytes(File(kFile));
    // Nothing can be written into the folder: a directory holds the name of
    // the temporary file.
    std::filesystem::create_directory(File("~write.tmp"));
    std::vector<FilterRecord> list = Hit("a", 1'700'000'100u, 5);
    ASSERT_EQ(Save(list), 1);
    EXPECT_EQ(store_->Flush(), 0);
    EXPECT_EQ(ReadBytes(File(kFile)), before);
    // The filters are all there, on disk and in the store.
    std::vector<FilterRecord> found(8);
    EXPECT_EQ(store_->FiltersForUrl(kPage, found.data(), 8), 2);
    std::filesystem::remove(File("~write.tmp"));
    list = Hit("b", 1'700'000'200u, 6);
    ASSERT_EQ(Save(list), 1);
    EXPECT_EQ(store_->Flush(), 1);
    const HostFileTables t = OnDisk();
    ASSERT_EQ(t.records.size(), 2u);
    EXPECT_EQ(HitOf(t, "a"), std::make_pair(1'700'000'100u, 5));
    EXPECT_EQ(HitOf(t, "b"), std::make_pair(1'700'000'200u, 6));
}

TEST_F(DeferredHitsTest, TheWritersOwnWritesAreNotTakenForChangesFromOutside) {
    ASSERT_EQ(Add(kPage, Element("a")), 1);
    ASSERT_EQ(Add("http://ads.example.com/", Element("d", "IMG", kScopeDomain)), 1);
    // A folder last changed an hour ago (or, where a directory's time cannot
    // be set, left alone for longer than its time is distrusted).
    std::error_code ec;
    std::filesystem::last_write_time(
        dir_, std::filesystem::file_time_type::clock::now() - std::chrono::hours(1), ec);
    if (ec) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2200));
    }
    ASSERT_EQ(Hit("a", 1'700'000'001u, 1).size(), 2u);
    const long listings = store_->HostFileListings();
    HeldDisk disk;
    store_->SetDurableWrite(disk.Write());
    std::vector<FilterRecord> list = Hit("a", 1'700'000'002u, 2);
    ASSERT_EQ(Save(list), 1);
    disk.AwaitStarted(1);
    EXPECT_EQ(Hit("a", 1'700'000'003u, 3).size(), 2u);  // during the write
    disk.Release();
    ASSERT_EQ(store_->Flush(), 1);
    list = Hit("a", 1'700'000'004u, 4);  // after it
    EXPECT_EQ(list.size(), 2u);
    EXPECT_EQ(store_->HostFileListings(), listings);
    // A change from outside made before one of the writer's own is still seen
    // (past the clock tick of the last write, a whole second where times are
    // kept in seconds: one sharing it is seen later).
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    testing::WriteBytes(File("img.example.com.Dat"),
                        "http://img.example.com/\r\n-\r\n0 copied IMG 1 2 3 0 2\r\n-\r\nx\r\n");
    ASSERT_EQ(Save(list), 1);
    ASSERT_EQ(store_->Flush(), 1);
    EXPECT_EQ(Hit("a", 1'700'000'005u, 5).size(), 3u);
    store_->SetDurableWrite(nullptr);
}

}  // namespace
}  // namespace qm
