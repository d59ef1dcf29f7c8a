// The store on a fuzzed host file: loading, querying, hit saving, adding,
// restoring, undo and expiry never crash, never overwrite a file that does
// not load, and always leave a file that loads again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "testing/manual_clock.h"
#include "store/filter_store.h"

namespace {

namespace fs = std::filesystem;

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

const fs::path& DataDirectory() {
    static const fs::path dir = [] {
        // Every save is flushed to the disk; a memory file system keeps
        // that cheap where there is one.
        std::error_code ec;
        const fs::path base =
            fs::is_directory("/dev/shm", ec) ? fs::path("/dev/shm") : fs::temp_directory_path();
        fs::path d = base / "qm-filter-store-fuzz";
        fs::create_directories(d);
        return d;
    }();
    return dir;
}

std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fs::path& dir = DataDirectory();
    for (const auto& entry : fs::directory_iterator(dir)) {
        fs::remove_all(entry.path());
    }
    const std::string name = "www.example.com.Dat";
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    {
        std::ofstream out(dir / name, std::ios::binary);
        out << bytes;
    }
    qm::ManualClock clock;
    qm::ScopedClock scoped(clock);
    qm::FilterStore store(dir.string());
    const bool loads = store.SelectHostFile(name) == 1;

    std::vector<qm::FilterRecord> list(64);
    const int n = store.FiltersForUrl("http://www.example.com/index.htm", list.data(), 64);
    Check(n >= 0 && n <= 64);
    for (int i = 0; i < n; ++i) {
        list[static_cast<std::size_t>(i)].nStatus = qm::kStatusHit;
    }
    store.SaveHits(list.data(), n);

    std::vector<qm::FilterListRow> rows;
    store.FillFilterList(name, rows);
    qm::FilterRecord record;
    record.sName = "http://ads.example.com/x.gif";
    record.sType = "IMG";
    const int added = store.AddFilter("http://www.example.com/index.htm", record);
    if (!loads) {
        // A file that does not load is never written over.
        Check(added == 0);
        Check(Read(dir / name) == bytes);
        return 0;
    }
    store.RestoreFilter(name, 0);
    store.Undo();
    clock.Advance(400u * 86400u);
    store.DeleteExpired(30);
    store.Undo();
    qm::FilterStore reopened(dir.string());
    Check(!fs::exists(dir / name) || reopened.SelectHostFile(name) == 1);
    return 0;
}
