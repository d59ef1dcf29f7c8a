// Shared pieces of the store tests: a temporary data directory, a listener
// that records every notification, and helpers to read files byte for byte.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <random>
#include <algorithm>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "testing/manual_clock.h"
#include "testing/remove_tree.h"
#include "store/filter_store.h"
#include "store/store_listener.h"

namespace qm::testing {

inline std::filesystem::path MakeTempDirectory() {
    static std::atomic<int> counter{0};
    const auto base = std::filesystem::temp_directory_path();
    for (;;) {
        const auto candidate = base / ("qm-store-" + std::to_string(std::random_device{}()) + "-" +
                                       std::to_string(counter++));
        std::error_code ec;
        if (std::filesystem::create_directory(candidate, ec)) {
            return candidate;
        }
    }
}

struct Notice {
    std::string kind;  // "changed", "added", "restored"
    std::string url;
    FilterRecord record;
};

class RecordingListener : public StoreListener {
public:
    void LocationChanged(const std::string& hostFileName) override {
        notices.push_back({"changed", hostFileName, {}});
    }
    void OnFilterAdded(const std::string& url, const FilterRecord& record) override {
        notices.push_back({"added", url, record});
    }
    void OnFilterRestored(const std::string& url, const FilterRecord& record) override {
        notices.push_back({"restored", url, record});
    }
    int Count(const std::string& kind) const {
        int n = 0;
        for (const auto& x : notices) {
            n += x.kind == kind ? 1 : 0;
        }
        return n;
    }
    std::vector<Notice> notices;
};

inline std::string ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

inline std::vector<std::string> FileNames(const std::filesystem::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir)) {
        names.push_back(e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

inline FilterRecord Element(const std::string& name, const std::string& type = "IMG",
                            int scope = kScopePage, const std::string& html = "<img>") {
    FilterRecord r;
    r.sName = name;
    r.sType = type;
    r.nScope = static_cast<std::int8_t>(scope);
    r.nHint = 7;
    r.sHtml = html;
    return r;
}

// A data directory, a store on it, a listener and a manual clock.
class StoreTest : public ::testing::Test {
protected:
    StoreTest() : dir_(MakeTempDirectory()), scoped_(clock_) {
        clock_.SetNow(1'700'000'000u);
        store_ = std::make_unique<FilterStore>(dir_.string());
        store_->SetListener(&listener_);
    }
    ~StoreTest() override {
        store_.reset();
        RemoveTree(dir_);
    }
    // A second store on the same directory, as after a restart.
    void Restart() {
        store_.reset();  // the old one writes what it still holds as it goes
        store_ = std::make_unique<FilterStore>(dir_.string());
        store_->SetListener(&listener_);
    }
    std::filesystem::path File(const std::string& name) const { return dir_ / name; }
    bool Exists(const std::string& name) const { return std::filesystem::exists(File(name)); }
    int Add(const std::string& url, FilterRecord record) { return store_->AddFilter(url, record); }

    std::filesystem::path dir_;
    ManualClock clock_;
    ScopedClock scoped_;
    RecordingListener listener_;
    std::unique_ptr<FilterStore> store_;
};

}  // namespace qm::testing
