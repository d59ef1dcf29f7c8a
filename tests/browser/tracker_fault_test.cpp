// Random use of many windows while any browser call may fail: nothing
// crashes, every tracker and sink goes away with its window, and the host
// files keep exactly the filters that were stored.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <tuple>

#include "browser/popup_rules.h"
#include "tests/browser/tracker_fixture.h"

namespace qm::test {
namespace {

const char* const kPages[] = {"http://www.example.com/a.htm", "http://www.example.com/b.htm",
                              "http://img.example.com/c.htm", "http://www.other.org/d.htm",
                              "http://pop.example.net/p.htm"};
const char* const kAds[] = {"http://ads.example.com/one.gif", "http://ads.example.com/two.gif",
                            "http://ads.example.com/f/film.swf", "frame.htm"};

std::string AdPage(std::mt19937& random) {
    std::string body;
    const int count = 2 + static_cast<int>(random() % 8);
    for (int i = 0; i < count; ++i) {
        const std::string ad = kAds[random() % 4];
        switch (random() % 4) {
            case 0:
                body +=
                    "<img src=\"" + ad + "\" data-box=\"" + std::to_string(10 * i) + " 10 50 20\">";
                break;
            case 1:
                body += "<embed src=\"" + ad + "\">";
                break;
            case 2:
                body += "<object><param name=movie value=\"" + ad + "\"></object>";
                break;
            default:
                body += "<iframe src=\"" + ad + "\"></iframe><p>text</p>";
                break;
        }
    }
    return Page(random() % 3 == 0 ? "Win a prize" : "Page", body);
}

// What a host file holds, read as text: record lines of section 2.
struct HostFileContents {
    bool wellFormed = true;
    std::vector<std::string> locations;
    std::multiset<std::tuple<std::string, std::string, std::string, int>>
        records;  // url, type, name, scope
};

HostFileContents ReadHostFile(const std::filesystem::path& path) {
    HostFileContents out;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    int section = 0;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (section < 2 && !line.empty() && line[0] == '-') {
            ++section;
            continue;
        }
        if (section == 0) {
            out.locations.push_back(line);
        } else if (section == 1) {
            std::istringstream fields(line);
            int location = -1;
            std::string name;
            std::string type;
            unsigned made = 0;
            unsigned hit = 0;
            int hint = 0;
            int status = 0;
            int scope = 0;
            if (!(fields >> location >> name >> type >> made >> hit >> hint >> status >> scope) ||
                location < 0 || location >= static_cast<int>(out.locations.size()) || status != 0) {
                out.wellFormed = false;
                continue;
            }
            out.records.emplace(out.locations[static_cast<std::size_t>(location)], type, name,
                                scope);
        }
    }
    return out;
}

TEST_F(TrackerTest, RandomFailuresNeverCrashLeakOrCorruptHostFiles) {
    auto faults = std::make_shared<sim::FaultInjector>();
    sim::SimBrowserSystem system(&desktop_, faults);
    TrackerTable table(context_);
    BroadcastListener listener(table);
    store_.SetListener(&listener);
    table.ConnectShellWindows(system);  // may fail: rescans still run

    std::mt19937 random(4242);
    std::vector<sim::SimBrowserPtr> browsers;
    // The filters that must be in the host files: host file -> records.
    std::map<std::string, std::multiset<std::tuple<std::string, std::string, std::string, int>>>
        expected;
    auto drain = [&] {
        while (!queue_.events.empty()) {
            auto [code, value] = queue_.events.front();
            queue_.events.pop_front();
            table.OnTrackerEvent(code, value);
        }
    };

    for (int step = 0; step < 3000; ++step) {
        if (step % 500 == 0) {
            faults->SetProbability(0.02 + 0.04 * (step / 500), 1000u + static_cast<unsigned>(step));
        }
        clock_.AdvanceTicks(random() % 2500);
        clock_.Advance(random() % 5);
        const int action = static_cast<int>(random() % 12);
        sim::SimBrowser* some =
            browsers.empty() ? nullptr : browsers[random() % browsers.size()].get();
        if (some != nullptr && some->IsClosed()) {
            some = nullptr;
        }
        switch (action) {
            case 0:
            case 1: {
                const int x = static_cast<int>(random() % 800);
                const int y = static_cast<int>(random() % 600);
                browsers.push_back(system.OpenBrowser({x, y, x + 300, y + 200},
                                                      kPages[random() % 5], AdPage(random)));
                break;
            }
            case 2:
                if (some != nullptr) {
                    some->Navigate(kPages[random() % 5], AdPage(random), "",
                                   static_cast<int>(random() % 2));
                }
                break;
            case 3:
                if (some != nullptr) {
                    some->FireDocumentComplete();
                }
                break;
            case 4:
                if (some != nullptr) {
                    sim::OpenWindowOptions options;
                    options.url = kPages[random() % 5];
                    options.html = AdPage(random);
                    options.popupStyle = random() % 3 != 0;
                    browsers.push_back(system.OpenWindow(*some, options));
                }
                break;
            case 5:
                if (some != nullptr) {
                    some->Close();
                }
                break;
            case 6:
            case 7: {
                desktop_.SetForegroundWindow(some != nullptr ? some->TopWindow() : 0);
                table.OnTick();
                break;
            }
            case 8: {
                const std::string page = kPages[random() % 5];
                FilterRecord record;
                const int kind = static_cast<int>(random() % 6);
                record.sType = kind == 4   ? "POPUP"
                               : kind == 5 ? "NO_POPUP"
                                           : (random() % 2 ? "IMG" : "EMBED");
                record.sName =
                    kind >= 4 ? (random() % 2 ? "Winaprize" : "Page") : kAds[random() % 4];
                record.nHint = static_cast<std::int16_t>(
                    kind == 4 ? random() % 4 : static_cast<int>(random() % 20) - 1);
                record.nScope = static_cast<std::int8_t>(kind == 4 ? kScopeDomain : random() % 3);
                record.sHtml = "<x>";
                const std::string hostFile = GetHostFileName(page);
                bool present = false;
                for (const auto& r : expected[hostFile]) {
                    present =
                        present || (std::get<0>(r) == page && std::get<1>(r) == record.sType &&
                                    std::get<2>(r) == record.sName);
                }
                const int scope = record.nScope;
                if (store_.AddFilter(page, record) == 1 && !present) {
                    expected[hostFile].emplace(page, record.sType, record.sName, scope);
                }
                break;
            }
            case 9: {
                // Restore a random record of a random host file.
                if (expected.empty()) {
                    break;
                }
                auto it = expected.begin();
                std::advance(it, static_cast<long>(random() % expected.size()));
                if (it->second.empty()) {
                    break;
                }
                store_.Flush();  // hit times are written in the background; read the file at rest
                const HostFileContents before = ReadHostFile(dir_ / it->first);
                const int count = static_cast<int>(before.records.size());
                if (count == 0) {
                    break;
                }
                // Index order is file order: find the record at a random index.
                std::ifstream in(dir_ / it->first, std::ios::binary);
                std::string line;
                std::vector<std::string> lines;
                while (std::getline(in, line)) {
                    lines.push_back(line);
                }
                std::size_t first = 0;
                while (first < lines.size() && (lines[first].empty() || lines[first][0] != '-')) {
                    ++first;
                }
                const int index = static_cast<int>(random() % count);
                std::istringstream fields(lines.at(first + 1 + static_cast<std::size_t>(index)));
                int location = 0;
                std::string name;
                std::string type;
                unsigned a = 0, b = 0;
                int hint = 0, status = 0, scope = 0;
                fields >> location >> name >> type >> a >> b >> hint >> status >> scope;
                if (store_.RestoreFilter(it->first, index) == 1) {
                    auto gone =
                        it->second.find({before.locations.at(static_cast<std::size_t>(location)),
                                         type, name, scope});
                    ASSERT_NE(gone, it->second.end());
                    it->second.erase(gone);
                }
                break;
            }
            case 10:
                table.RescanWindows();
                break;
            default:
                if (some != nullptr) {
                    BrowserTracker* tracker = nullptr;
                    for (int s = 0; s < kMaxTrackers && tracker == nullptr; ++s) {
                        BrowserTracker* t = table.Tracker(s);
                        if (t && t->browser && t->browser->Identity() == some->Identity()) {
                            tracker = t;
                        }
                    }
                    if (tracker != nullptr) {
                        tracker->lastPressTime = clock_.TickCount();
                    }
                }
                break;
        }
        drain();
        ASSERT_LE(table.Count(), kMaxTrackers);
    }

    // Every window closes; the trackers follow.
    faults->Disable();
    for (const auto& browser : browsers) {
        if (!browser->IsClosed()) {
            browser->Close();
        }
    }
    drain();
    table.RescanWindows();
    EXPECT_EQ(table.Count(), 0);
    for (const auto& browser : browsers) {
        EXPECT_EQ(browser->SinkCount(), 0);
    }
    EXPECT_GT(faults->Failures(), 100u);

    // The host files hold what was stored, and load.
    store_.Flush();
    FilterStore fresh(dir_.string());
    for (const auto& [hostFile, records] : expected) {
        const HostFileContents contents = ReadHostFile(dir_ / hostFile);
        EXPECT_TRUE(contents.wellFormed) << hostFile;
        EXPECT_EQ(contents.records, records) << hostFile;
        if (!records.empty()) {
            EXPECT_EQ(fresh.SelectHostFile(hostFile), 1) << hostFile;
        } else {
            EXPECT_FALSE(std::filesystem::exists(dir_ / hostFile)) << hostFile;
        }
    }
    store_.SetListener(nullptr);
}

}  // namespace
}  // namespace qm::test
