#include "tests/app/app_fixture.h"
#include "testing/remove_tree.h"

#include <atomic>
#include <chrono>

namespace qm::testing {

TempDir::TempDir() {
    static std::atomic<int> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    path_ = std::filesystem::temp_directory_path() /
            ("qm_app_" + std::to_string(stamp) + "_" + std::to_string(counter++));
    std::filesystem::create_directories(path_);
}

TempDir::~TempDir() {
    RemoveTree(path_);
}

std::string AdvertPage() {
    return "<html><head><title>News</title></head><body>"
           "<a id=\"link\" href=\"/about.html\" data-box=\"10 10 60 20\">About</a>"
           "<img id=\"ad\" src=\"http://ads.example.net/banner.gif\" data-box=\"100 50 200 60\">"
           "<frame id=\"frm\" src=\"http://www.example.com/side.html\" "
           "data-box=\"400 300 100 100\">"
           "<object id=\"flash\" codebase=\"http://ads.example.net/swflash.cab\" "
           "data-box=\"100 200 300 100\"><param name=\"movie\" value=\"film.swf\"></object>"
           "<iframe id=\"ifr\" src=\"http://ads.example.net/frame.html\" "
           "data-box=\"550 50 120 90\"></iframe>"
           "<embed id=\"emb\" src=\"http://ads.example.net/movie.swf\" data-box=\"550 200 100 80\">"
           "<p id=\"text\" data-box=\"10 400 500 40\">Some text</p>"
           "</body></html>";
}

AppCoreTest::AppCoreTest() {
    bin = std::make_unique<FakeBin>(desktop, Rect{500, 0, 560, 70});
}

AppCoreTest::~AppCoreTest() {
    core.reset();
}

void AppCoreTest::MakeCore() {
    AppCoreContext context{dir.Path().string(),
                           registry,
                           "C:\\Quillmoor\\Quillmoor.exe",
                           "C:\\Quillmoor\\",
                           launcher,
                           desktop,
                           browsers,
                           dialogs};
    core = std::make_unique<AppCore>(context);
    core->SetBinWindow(bin.get());
    core->SetMainFrame(&frame);
}

void AppCoreTest::StartCore() {
    MakeCore();
    core->Start();
    core->RescanWindows();
    Pump();
}

void AppCoreTest::Pump() {
    for (int guard = 0; guard < 10000 && !bin->posted.empty(); ++guard) {
        const auto event = bin->posted.front();
        bin->posted.pop_front();
        core->OnTrackerEvent(event.first, event.second);
    }
}

sim::SimBrowserPtr AppCoreTest::OpenPage(const Rect& screen, const std::string& url,
                                         const std::string& html, const std::string& title) {
    return browsers.OpenBrowser(screen, url, html, title);
}

Point AppCoreTest::PagePoint(const sim::SimBrowser& browser, int x, int y) {
    Rect page;
    desktop.WindowRect(browser.PageWindow(), page);
    return Point{page.left + x, page.top + y};
}

Point AppCoreTest::BinPoint() {
    Rect client;
    desktop.ClientScreenRect(bin->Handle(), client);
    return Point{(client.left + client.right) / 2, (client.top + client.bottom) / 2};
}

bool AppCoreTest::IsHidden(const sim::SimBrowser& browser, const std::string& id) {
    ElementPtr element = browser.Document()->ElementById(id);
    std::string display;
    return element != nullptr && element->StyleDisplay(display) && display == "none";
}

int AppCoreTest::SlotOf(const sim::SimBrowser& browser) {
    for (int slot = 0; slot < kMaxTrackers; ++slot) {
        BrowserTracker* tracker = core->Trackers().Tracker(slot);
        if (tracker != nullptr && tracker->browserWindow == browser.TopWindow()) {
            return slot;
        }
    }
    return -1;
}

void AppCoreTest::DragToBin(Point from, Point to) {
    core->HookDrag(kDragPress, from);
    core->HookDrag(kDragMove, Point{from.x + 5, from.y + 5});
    core->HookDrag(kDragMove, BinPoint());
    core->HookDrag(kDragMove, to);
    core->HookDrag(kDragRelease, to);
    Pump();
}

}  // namespace qm::testing
