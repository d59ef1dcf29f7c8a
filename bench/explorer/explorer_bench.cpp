// The explorer at scale, against baselines measured in the same run: the
// location tree of a data folder of 10,000 host files against a plain listing
// of the folder (target at most 3x); the list rows of a host file of 2,047
// records against parsing that file alone (at most 1.5x); a three-key sort of
// the 2,047 rows against one std::stable_sort of them by a single precomputed
// key (at most 4x). Every figure is CPU time per call; the program fails when
// a target is missed.
#include <benchmark/benchmark.h>

#include "bench/bench_ratio.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "explorer/sort_model.h"
#include "store/filter_store.h"
#include "store/host_file.h"

namespace {

namespace fs = std::filesystem;

constexpr int kFolderFiles = 10000;

// A full host file: 511 locations, 2,047 records of a mix of types, times
// and names, 2 KB of markup each.
qm::HostFileTables FullTables(const std::string& host) {
    static const char* const kTypes[] = {"IMG", "OBJECT", "IFRAME", "EMBED", "img"};
    qm::HostFileTables t;
    for (int i = 0; i < qm::kMaxLocations; ++i) {
        t.locations.push_back("http://" + host + "/page/" + std::to_string(i));
    }
    std::mt19937 random(7);
    for (int i = 0; i < qm::kMaxRecords; ++i) {
        qm::FilterRecord r;
        r.nLocation = static_cast<std::int16_t>(random() % qm::kMaxLocations);
        r.nId = static_cast<std::int16_t>(i);
        r.sName = "http://ads.example.com/banners/B" + std::to_string(random() % 700) + ".gif";
        r.sType = kTypes[random() % 5];
        r.nHint = static_cast<std::int16_t>(i);
        r.nScope = static_cast<std::int8_t>(random() % 3);
        r.tDeleted = 1'600'000'000u + static_cast<std::uint32_t>(random() % 30'000'000u);
        r.tLastHit = 1'700'000'000u + static_cast<std::uint32_t>(random() % 3'000'000u);
        r.sHtml = "<img src=\"" + r.sName + "\" width=468 height=60>";
        r.sHtml.resize(2048, ' ');
        t.records.push_back(r);
    }
    return t;
}

std::string SmallHostFile(const std::string& host) {
    return "http://" + host + "/index.htm\r\n-\r\n0 http://ads.example.net/b.gif IMG " +
           "1600000000 1700000000 3 0 1\r\n-\r\n<img src=\"http://ads.example.net/b.gif\">\r\n";
}

struct Fixture {
    Fixture() {
        dir = fs::temp_directory_path() /
              ("qm-explorer-bench-" + std::to_string(std::random_device{}()));
        folder = dir / "folder";
        full = dir / "full";
        fs::create_directories(folder);
        fs::create_directories(full);
        // Hosts of many domains and top-level names, some sharing sites.
        static const char* const kTops[] = {"com", "net", "org", "de", "co.uk", "info"};
        for (int i = 0; i < kFolderFiles; ++i) {
            const std::string host = (i % 3 == 0 ? "www" : "ads" + std::to_string(i % 7)) + "." +
                                     "site" + std::to_string(i / 3) + "." + kTops[i % 6];
            std::ofstream(folder / (host + ".Dat"), std::ios::binary) << SmallHostFile(host);
        }
        for (const char* host : {"www.alpha-example.com", "www.beta-example.org"}) {
            std::ofstream(full / (std::string(host) + ".Dat"), std::ios::binary)
                << qm::SerializeHostFile(FullTables(host));
        }
        fileA = full / "www.alpha-example.com.Dat";
    }
    ~Fixture() {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    fs::path dir;
    fs::path folder;  // 10,000 small host files
    fs::path full;    // two host files of 2,047 records
    fs::path fileA;
};

Fixture* g_fixture = nullptr;

void PlainListing(benchmark::State& state) {
    for (auto _ : state) {
        std::vector<std::string> names;
        std::error_code ec;
        for (fs::directory_iterator it(g_fixture->folder, ec), end; !ec && it != end;
             it.increment(ec)) {
            names.push_back(it->path().filename().string());
        }
        benchmark::DoNotOptimize(names.data());
    }
}

void BuildTree(benchmark::State& state) {
    qm::FilterStore store(g_fixture->folder.string());
    for (auto _ : state) {
        qm::LocationTree tree;
        benchmark::DoNotOptimize(store.BuildLocationTree(tree));
        benchmark::DoNotOptimize(tree.items.data());
    }
}

void ParseAlone(benchmark::State& state) {
    for (auto _ : state) {
        std::string bytes;
        qm::ReadWholeFile(g_fixture->fileA, bytes);
        qm::HostFileTables tables;
        benchmark::DoNotOptimize(qm::ParseHostFile(bytes, tables));
    }
}

void FillRows(benchmark::State& state) {
    qm::FilterStore store(g_fixture->full.string());
    std::vector<qm::FilterListRow> rows;
    bool flip = false;
    for (auto _ : state) {
        // Alternating between two host files makes every fill load its file.
        store.FillFilterList(flip ? "www.alpha-example.com.Dat" : "www.beta-example.org.Dat",
                             rows);
        benchmark::DoNotOptimize(rows.data());
        flip = !flip;
    }
}

std::vector<qm::FilterListRow> Rows() {
    qm::FilterStore store(g_fixture->full.string());
    std::vector<qm::FilterListRow> rows;
    store.FillFilterList("www.alpha-example.com.Dat", rows);
    return rows;
}

void OneKeyPrecomputed(benchmark::State& state) {
    const std::vector<qm::FilterListRow> rows = Rows();
    // One key per row, computed before the timing: its "Name" text.
    std::vector<std::pair<std::string, int>> keyed;
    for (const qm::FilterListRow& row : rows) {
        keyed.emplace_back(row.texts[1], row.itemData);
    }
    for (auto _ : state) {
        std::vector<std::pair<std::string, int>> items = keyed;
        std::stable_sort(items.begin(), items.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        benchmark::DoNotOptimize(items.data());
    }
}

void ThreeKeys(benchmark::State& state) {
    const std::vector<qm::FilterListRow> rows = Rows();
    // Type, then Name breaking ties, then Date Deleted.
    qm::SortKeys keys;
    keys.Click(2, false);
    keys.Click(1, true);
    keys.Click(3, true);
    const std::vector<qm::SortPass> passes = keys.Passes();
    for (auto _ : state) {
        std::vector<int> order = qm::IdentityOrder(rows.size());
        qm::RunSortPasses(rows, order, passes);
        benchmark::DoNotOptimize(order.data());
    }
}

}  // namespace

int main(int argc, char** argv) {
    Fixture fixture;
    g_fixture = &fixture;
    const char* names[] = {"PlainListing/10000", "BuildLocationTree/10000", "ParseHostFile/2047",
                           "FillFilterList/2047", "StableSort/OneKey/2047",
                           "SortPasses/ThreeKeys/2047"};
    benchmark::RegisterBenchmark(names[0], PlainListing)->Repetitions(qm::bench::kRepetitions);
    benchmark::RegisterBenchmark(names[1], BuildTree)->Repetitions(qm::bench::kRepetitions);
    benchmark::RegisterBenchmark(names[2], ParseAlone)->Repetitions(qm::bench::kRepetitions);
    benchmark::RegisterBenchmark(names[3], FillRows)->Repetitions(qm::bench::kRepetitions);
    benchmark::RegisterBenchmark(names[4], OneKeyPrecomputed)
        ->Repetitions(qm::bench::kRepetitions);
    benchmark::RegisterBenchmark(names[5], ThreeKeys)->Repetitions(qm::bench::kRepetitions);
    benchmark::Initialize(&argc, argv);
    qm::bench::MinTimeReporter reporter;
    auto& s = reporter.seconds;
    struct Ratio {
        const char* what;
        double value;
        double target;
    };
    // Other work on the machine can stall any one measurement: a missed
    // target is measured again, up to three attempts in all, each printed;
    // the fastest repetitions over all attempts make the ratios.
    constexpr int kAttempts = 3;
    int missed = 0;
    for (int attempt = 1; attempt <= kAttempts; ++attempt) {
        benchmark::RunSpecifiedBenchmarks(&reporter);
        for (const char* name : names) {
            if (s.find(name) == s.end()) {
                std::printf("explorer_bench: %s did not run\n", name);
                benchmark::Shutdown();
                return 1;
            }
        }
        const Ratio ratios[] = {
            {"location tree of 10,000 host files / plain listing",
             s["BuildLocationTree/10000"] / s["PlainListing/10000"], 3.0},
            {"list rows of 2,047 records / parsing the file alone",
             s["FillFilterList/2047"] / s["ParseHostFile/2047"], 1.5},
            {"three-key sort of 2,047 rows / one stable_sort by a precomputed key",
             s["SortPasses/ThreeKeys/2047"] / s["StableSort/OneKey/2047"], 4.0},
        };
        missed = 0;
        for (const Ratio& r : ratios) {
            const bool ok = r.value <= r.target;
            std::printf("%s: %.2fx (target <= %.1fx)%s\n", r.what, r.value, r.target,
                        ok ? "" : "  MISSED");
            missed += ok ? 0 : 1;
        }
        if (missed == 0) {
            break;
        }
        std::printf("explorer_bench: attempt %d of %d missed a target\n", attempt, kAttempts);
    }
    benchmark::Shutdown();
    return missed == 0 ? 0 : 1;
}
