// The store under a killed process and a full disk: every host file still
// loads, and no save that reported success is lost. POSIX only (fork, kill,
// mount); the Windows build has the same save path minus the system calls.
#ifndef _WIN32

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <random>
#include <set>

#include "store/address_keys.h"
#include "store/host_file.h"
#include "store_fixture.h"

namespace qm {
namespace {

namespace fs = std::filesystem;
using testing::MakeTempDirectory;

constexpr int kHosts = 5;

std::string UrlOf(int n) {
    return "http://h" + std::to_string(n % kHosts) + ".example.com/p" + std::to_string(n % 7);
}

FilterRecord RecordOf(int n, std::size_t htmlBytes) {
    FilterRecord r;
    r.sName = "n" + std::to_string(n);
    r.sType = "IMG";
    r.nScope = static_cast<std::int8_t>(n % 3);
    r.nHint = static_cast<std::int16_t>(n);
    r.sHtml = "<img src=\"" + r.sName + "\">" + std::string(htmlBytes, 'x');
    return r;
}

// Every host file of dir parses; the records present, by number.
std::set<int> StoredRecords(const fs::path& dir) {
    std::set<int> present;
    for (const auto& entry : fs::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        if (name == kTemporaryFileName) {
            continue;
        }
        EXPECT_TRUE(IsHostFileName(name)) << name;
        std::string bytes;
        HostFileTables tables;
        EXPECT_TRUE(ReadWholeFile(entry.path(), bytes)) << name;
        EXPECT_TRUE(ParseHostFile(bytes, tables)) << name << " does not load";
        for (const FilterRecord& r : tables.records) {
            const int n = std::stoi(r.sName.substr(1));
            EXPECT_EQ(tables.locations[static_cast<std::size_t>(r.nLocation)], UrlOf(n));
            EXPECT_EQ(r.sHtml, RecordOf(n, r.sHtml.size() - r.sName.size() - 12).sHtml);
            present.insert(n);
        }
    }
    return present;
}

// A child adds filters and reports each one after AddFilter returned 1; it is
// killed at a random moment. The reports read back are the completed saves.
TEST(StoreCrash, AKilledSaveLosesNoCompletedSaveAndLeavesEveryFileLoadable) {
    const fs::path dir = MakeTempDirectory();
    std::mt19937 rng(1208u);
    std::set<int> completed;
    int next = 0;
    int kills = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(4);
    while (kills < 50 && std::chrono::steady_clock::now() < deadline) {
        int fds[2];
        ASSERT_EQ(::pipe(fds), 0);
        const int first = next;
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            ::close(fds[0]);
            FilterStore store(dir.string());
            for (int n = first;; ++n) {
                FilterRecord r = RecordOf(n, 1500);
                if (store.AddFilter(UrlOf(n), r) != 1) {
                    ::_exit(2);
                }
                if (::write(fds[1], &n, sizeof(n)) != static_cast<ssize_t>(sizeof(n))) {
                    ::_exit(3);
                }
            }
        }
        ::close(fds[1]);
        // Let it run for 0 to 60 ms, then kill it wherever it is.
        const auto until =
            std::chrono::steady_clock::now() + std::chrono::microseconds(rng() % 60000);
        while (std::chrono::steady_clock::now() < until) {
            ::usleep(500);
        }
        ::kill(pid, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the child ended by itself: " << status;
        int n = 0;
        while (::read(fds[0], &n, sizeof(n)) == static_cast<ssize_t>(sizeof(n))) {
            completed.insert(n);
            next = n + 1;
        }
        ::close(fds[0]);
        // The one in flight may or may not have landed; numbers go on after it.
        next = std::max(next, first) + 1;
        ++kills;

        const std::set<int> present = StoredRecords(dir);
        for (int done : completed) {
            ASSERT_TRUE(present.count(done))
                << "completed save of n" << done << " lost after " << kills << " kills";
        }
    }
    // A store started afterwards clears the temporary file and reads everything.
    FilterStore store(dir.string());
    EXPECT_FALSE(fs::exists(dir / kTemporaryFileName));
    std::vector<FilterRecord> list(2048);
    std::set<int> queried;
    for (int h = 0; h < kHosts; ++h) {
        for (int p = 0; p < 7; ++p) {
            const std::string url =
                "http://h" + std::to_string(h) + ".example.com/p" + std::to_string(p);
            const int count = store.FiltersForUrl(url, list.data(), 2048);
            for (int i = 0; i < count; ++i) {
                if (list[static_cast<std::size_t>(i)].sHtml == url) {
                    queried.insert(std::stoi(list[static_cast<std::size_t>(i)].sName.substr(1)));
                }
            }
        }
    }
    for (int done : completed) {
        EXPECT_TRUE(queried.count(done)) << done;
    }
    EXPECT_GE(kills, 10);
    EXPECT_GT(completed.size(), 10u);
    std::printf("kill test: %d kills, %zu completed saves\n", kills, completed.size());
    std::error_code ec;
    fs::remove_all(dir, ec);
}

TEST(StoreCrash, AFullDiskFailsTheSaveAndLosesNothing) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "the disk-full test mounts a small tmpfs and needs root";
    }
    const fs::path mountPoint = MakeTempDirectory();
    if (::mount("qm-disk-full", mountPoint.c_str(), "tmpfs", 0, "size=256k") != 0) {
        const std::string why = std::strerror(errno);
        fs::remove(mountPoint);
        GTEST_SKIP() << "cannot mount a tmpfs here (" << why << ")";
    }
    const fs::path dir = mountPoint / "Data";
    {
        FilterStore store(dir.string());
        std::set<int> completed;
        int failures = 0;
        int n = 0;
        for (; n < 400 && failures < 8; ++n) {
            FilterRecord r = RecordOf(n, 6000);
            if (store.AddFilter(UrlOf(n), r) == 1) {
                completed.insert(n);
            } else {
                ++failures;
            }
        }
        EXPECT_GT(failures, 0) << "the disk never filled";
        EXPECT_FALSE(fs::exists(dir / kTemporaryFileName));
        std::set<int> present = StoredRecords(dir);
        EXPECT_EQ(present, completed);
        // Restoring under a full disk either succeeds or keeps the record.
        const std::string host = GetHostFileName(UrlOf(*completed.begin()));
        const int restored = store.RestoreFilter(host, 0);
        present = StoredRecords(dir);
        if (restored == 1) {
            completed.erase(completed.begin());
        }
        EXPECT_EQ(present, completed);
        // With room again, saves succeed.
        for (int h = 1; h < kHosts; ++h) {
            fs::remove(dir / GetHostFileName(UrlOf(h)));
            for (auto it = completed.begin(); it != completed.end();) {
                it = *it % kHosts == h ? completed.erase(it) : std::next(it);
            }
        }
        const int again = n + (kHosts - n % kHosts) % kHosts;  // on host 0, which is kept
        FilterRecord r = RecordOf(again, 6000);
        EXPECT_EQ(store.AddFilter(UrlOf(again), r), 1);
        completed.insert(again);
        EXPECT_EQ(StoredRecords(dir), completed);
    }
    EXPECT_EQ(::umount2(mountPoint.c_str(), MNT_DETACH), 0);
    std::error_code ec;
    fs::remove_all(mountPoint, ec);
}

}  // namespace
}  // namespace qm

#endif  // _WIN32
