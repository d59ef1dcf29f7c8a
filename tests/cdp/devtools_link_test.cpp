// The program's link to a real Chromium: it connects on a thread of its own,
// its windows come through one collection, every page's pointer observer
// places the page on the screen and turns a user's press and release into
// drag steps in screen coordinates, the drag frame is drawn in the page and
// removed again, and a browser that goes away leaves the link working and
// ready for the next one.
#include <gtest/gtest.h>

#include <atomic>
#include <ostream>
#include <deque>
#include <filesystem>
#include <random>
#include <string>
#include <chrono>
#include <thread>

#include "browser/cdp/cdp_browser.h"
#include "browser/cdp/devtools_link.h"
#include "browser/combined_browser_system.h"
#include "browser/tracker_event_poster.h"
#include "browser/tracker_table.h"
#include "store/filter_store.h"
#include "store/store_listener.h"
#include "tests/cdp/cdp_fixture.h"

namespace qm::cdptest {
namespace {

const char* kPage =
    "<html><head><title>p</title></head><body style='margin:0'>"
    "<img id=ad src='data:image/gif;base64,R0lGODlhAQABAAAAACw=' width=200 height=100>"
    "<p style='height:3000px'>text</p></body></html>";

class LinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(session_.Start(error)) << error;
        session_.server.AddPage("/pointer.htm", kPage);
        link_.SetWakeup([this] { ++wakeups_; });
        link_.SetGestureSink([this](const cdp::PageGesture& g) { gestures_.push_back(g); });
        link_.SetChangedHandler([this] { ++changes_; });
    }
    // Pumps (and ticks every 200 ms) until done or timeoutMs.
    bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 15000) {
        const auto start = std::chrono::steady_clock::now();
        auto lastTick = start;
        while (std::chrono::steady_clock::now() - start < std::chrono::milliseconds(timeoutMs)) {
            link_.Pump();
            if (done()) {
                return true;
            }
            if (std::chrono::steady_clock::now() - lastTick > std::chrono::milliseconds(200)) {
                link_.Tick();
                lastTick = std::chrono::steady_clock::now();
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }
    std::shared_ptr<cdp::CdpBrowser> BrowserOf(ShellWindows& shell, const std::string& target) {
        int count = 0;
        if (!shell.Count(count)) {
            return nullptr;
        }
        for (int i = 0; i < count; ++i) {
            auto browser = std::dynamic_pointer_cast<cdp::CdpBrowser>(shell.Item(i));
            if (browser && browser->Page()->TargetId() == target) {
                return browser;
            }
        }
        return nullptr;
    }
    int FramesInPage(const std::string& target) {
        cdp::Json value;
        const bool ok = session_.EvaluateInPage(
            target,
            "Array.from(document.querySelectorAll('div')).filter(d => "
            "d.style.zIndex === '2147483647').length",
            value);
        return ok && value.is_number_integer() ? value.get<int>() : -1;
    }

    ChromiumSession session_;
    cdp::DevToolsLink link_;
    std::atomic<int> wakeups_{0};
    std::vector<cdp::PageGesture> gestures_;
    int changes_ = 0;
};

TEST_F(LinkTest, PagesArePlacedAndTheirGesturesDriveTheDrag) {
    // A port that refuses: no connection, a reason, nothing frozen.
    link_.SetTarget(cdp::DevToolsTarget{1, ""});
    ASSERT_TRUE(PumpUntil([&] { return !link_.LastError().empty(); }, 12000));
    EXPECT_FALSE(link_.Connected());
    EXPECT_EQ(link_.ConnectShellWindows(), nullptr);

    link_.SetTarget(cdp::DevToolsTarget{session_.chromium.Endpoint().port, ""});
    ASSERT_TRUE(PumpUntil([&] { return link_.Connected(); }));
    EXPECT_EQ(changes_, 1);
    EXPECT_EQ(link_.LastError(), "");
    const std::string target = session_.OpenWindow("/pointer.htm");
    ASSERT_FALSE(target.empty());
    ASSERT_TRUE(session_.WaitLoaded(target));
    auto shell = link_.ConnectShellWindows();
    ASSERT_NE(shell, nullptr);
    std::shared_ptr<cdp::CdpBrowser> browser;
    ASSERT_TRUE(PumpUntil([&] { return (browser = BrowserOf(*shell, target)) != nullptr; }));
    const std::uint32_t ordinal = browser->Page()->Ordinal();
    WindowHandle pageWindow = 0;
    ASSERT_TRUE(browser->PageWindow(pageWindow));
    cdp::CdpPageWindows& windows = link_.Windows();
    ASSERT_TRUE(PumpUntil([&] { return windows.Geometry(ordinal).has_value(); }))
        << "the pointer observer never reported";
    EXPECT_TRUE(windows.Owns(pageWindow));

    // A user's click on the advert: a press and a release, in screen
    // coordinates that map back to the same page point.
    ASSERT_TRUE(session_.Click(target, 30, 20));
    ASSERT_TRUE(PumpUntil([&] { return gestures_.size() >= 2; }));
    ASSERT_EQ(gestures_.size(), 2u);
    EXPECT_EQ(gestures_[0].phase, kDragPress);
    EXPECT_EQ(gestures_[1].phase, kDragRelease);
    Point client = gestures_[0].screen;
    ASSERT_TRUE(windows.ScreenToClient(pageWindow, client));
    EXPECT_EQ(client.x, 30);
    EXPECT_EQ(client.y, 20);
    EXPECT_EQ(windows.WindowAt(gestures_[0].screen), pageWindow);

    // Scrolled: the same screen point is the same viewport point.
    cdp::Json ignored;
    ASSERT_TRUE(session_.EvaluateInPage(target, "window.scrollTo(0, 500), 1", ignored));
    gestures_.clear();
    ASSERT_TRUE(session_.Click(target, 40, 60));
    ASSERT_TRUE(PumpUntil([&] { return gestures_.size() >= 2; }));
    client = gestures_[0].screen;
    ASSERT_TRUE(windows.ScreenToClient(pageWindow, client));
    EXPECT_EQ(client.x, 40);
    EXPECT_EQ(client.y, 60);

    // The frame of a drag: drawn in the page, erased by drawing it again.
    const Rect box{5, 5, 60, 40};
    windows.DrawInvertedFrame(pageWindow, kFrameClientRect, box);
    ASSERT_TRUE(PumpUntil([&] { return FramesInPage(target) == 1; }, 5000));
    windows.DrawInvertedFrame(pageWindow, kFrameClientRect, box);
    ASSERT_TRUE(PumpUntil([&] { return FramesInPage(target) == 0; }, 5000));

    // Where the system shows the browser's windows (a browser on Windows):
    // the system's top-level window under the point is matched to the page's
    // browser window by the bounds the browser gives (here on a screen of 1.5
    // system pixels per DIP), and the page lies where the system draws it.
    cdp::CdpAnswer place = session_.system.Connection().Call(
        "Browser.getWindowForTarget", cdp::Json{{"targetId", target}});
    ASSERT_TRUE(place.ok) << place.error;
    const cdp::Json bounds = place.result.value("bounds", cdp::Json::object());
    const double scale = 1.5;
    auto at = [&](const char* key) {
        return static_cast<int>(bounds.value(key, 0.0) * scale);
    };
    SystemBrowserWindow system;
    system.scale = scale;
    system.top = Rect{at("left"), at("top"), at("left") + at("width"), at("top") + at("height")};
    system.content = Rect{system.top.left + 6, system.top.top + 90, system.top.right - 6,
                          system.top.bottom - 6};
    const Point inside{system.content.left + 45, system.content.top + 30};
    ASSERT_TRUE(PumpUntil([&] { return windows.WindowIn(inside, system) == pageWindow; }))
        << "the page's browser window was never matched";
    client = inside;
    ASSERT_TRUE(windows.ScreenToClient(pageWindow, client));
    EXPECT_EQ(client.x, 45);  // a device pixel ratio of 1: one CSS pixel each
    EXPECT_EQ(client.y, 30);
    Rect drawn;
    ASSERT_TRUE(windows.WindowRect(pageWindow, drawn));
    EXPECT_EQ(drawn.top, system.content.top);
    // Over the browser's bars: its window. Another program's window (the
    // bounds do not match): the page's own reports decide, and no page of
    // ours is where nothing of the browser is.
    EXPECT_EQ(windows.WindowIn(Point{system.top.left + 20, system.top.top + 20}, system),
              browser->Page()->TopWindow());
    SystemBrowserWindow elsewhere = system;
    elsewhere.top = Rect{20000, 20000, 20400, 20300};
    elsewhere.content = Rect{20000, 20050, 20400, 20300};
    EXPECT_EQ(windows.WindowIn(Point{20100, 20100}, elsewhere), WindowHandle{0});

    // The browser goes away: the link notices, its collection empties, and
    // nothing hangs.
    session_.chromium.Stop();
    ASSERT_TRUE(PumpUntil([&] { return !link_.Connected(); }));
    EXPECT_EQ(changes_, 2);
    EXPECT_FALSE(windows.Owns(pageWindow));
    EXPECT_EQ(link_.ConnectShellWindows(), nullptr);
    EXPECT_GT(wakeups_.load(), 0);
}

TEST_F(LinkTest, APageThatReplacesItsGlobalsStillReportsItsGestures) {
    // The page's own world is not ours: whatever it replaces, the observer
    // of our world sees the real events and reports through the binding.
    session_.server.AddPage(
        "/hostile.htm",
        "<html><head><script>"
        "EventTarget.prototype.addEventListener = function () {};"
        "window.addEventListener = function () {}; JSON.stringify = () => 'x';"
        "Object.defineProperty(window, 'screenX', {get: () => -99999});"
        "window.__qmPointer = () => { throw 1; };"
        "document.addEventListener('pointerdown', e => e.stopImmediatePropagation(), true);"
        "</script></head><body style='margin:0'><img id=ad src='ad.gif' width=200 "
        "height=100></body></html>");
    link_.SetTarget(cdp::DevToolsTarget{session_.chromium.Endpoint().port, ""});
    ASSERT_TRUE(PumpUntil([&] { return link_.Connected(); }));
    const std::string target = session_.OpenWindow("/hostile.htm");
    ASSERT_TRUE(session_.WaitLoaded(target));
    auto shell = link_.ConnectShellWindows();
    std::shared_ptr<cdp::CdpBrowser> browser;
    ASSERT_TRUE(PumpUntil([&] { return (browser = BrowserOf(*shell, target)) != nullptr; }));
    const std::uint32_t ordinal = browser->Page()->Ordinal();
    ASSERT_TRUE(PumpUntil([&] { return link_.Windows().Geometry(ordinal).has_value(); }));
    ASSERT_TRUE(session_.Click(target, 50, 40));
    ASSERT_TRUE(PumpUntil([&] { return gestures_.size() >= 2; }));
    WindowHandle pageWindow = 0;
    ASSERT_TRUE(browser->PageWindow(pageWindow));
    Point client = gestures_[0].screen;
    ASSERT_TRUE(link_.Windows().ScreenToClient(pageWindow, client));
    EXPECT_EQ(client.x, 50);
    EXPECT_EQ(client.y, 40);
}

// The program's side: one tracker table over the combined system, events
// posted and handed over in order, as the bin window does.
class LinkCoreTest : public LinkTest, public TrackerEventPoster, public StoreListener {
protected:
    LinkCoreTest()
        : dir_(::testing::TempDir() + "/qm-link-core-" + std::to_string(std::random_device{}())),
          store_((std::filesystem::remove_all(dir_), dir_)),
          table_(TrackerContext{store_, link_.Windows(), this}) {
        combined_.AddMember(link_);
        store_.SetListener(this);
    }
    ~LinkCoreTest() override {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    void PostTrackerEvent(int code, long value) override { posted_.emplace_back(code, value); }
    void LocationChanged(const std::string&) override {}
    void OnFilterAdded(const std::string& url, const FilterRecord& record) override {
        table_.OnFilterAdded(url, record);
    }
    void OnFilterRestored(const std::string& url, const FilterRecord& record) override {
        table_.OnFilterRestored(url, record);
    }
    // ticks: whether the bin window's timer runs meanwhile.
    bool Run(const std::function<bool()>& done, int timeoutMs = 15000, bool ticks = true) {
        auto lastTick = std::chrono::steady_clock::now();
        return PumpUntil([&] {
            if (ticks &&
                std::chrono::steady_clock::now() - lastTick > std::chrono::milliseconds(2000)) {
                table_.OnTick();  // the bin window's timer
                lastTick = std::chrono::steady_clock::now();
            }
            while (!posted_.empty()) {
                auto [code, value] = posted_.front();
                posted_.pop_front();
                table_.OnTrackerEvent(code, value);
            }
            return done();
        }, timeoutMs);
    }
    std::string Display(const std::string& target) {
        cdp::Json value;
        return session_.EvaluateInPage(target, "getComputedStyle(document.getElementById('ad')).display",
                                       value) && value.is_string()
                   ? value.get<std::string>()
                   : std::string("?");
    }

    std::string dir_;
    FilterStore store_;
    CombinedBrowserSystem combined_;
    TrackerTable table_;
    std::deque<std::pair<int, long>> posted_;
};

// A filter of the server, made on another page (no stored place on this one):
// the page's completion finds the advert and hides it then, not at a tick.
// The timer does not run at all here: nothing but the completion may hide it.
struct NewTabCase {
    const char* name;
    bool loadedBeforeConnecting;  // the page was open before the browser was reached
};

void PrintTo(const NewTabCase& c, std::ostream* os) {
    *os << c.name;
}

class LinkCompletionTest : public LinkCoreTest, public ::testing::WithParamInterface<NewTabCase> {};

TEST_P(LinkCompletionTest, AnAdvertOfTheServerIsHiddenAtTheCompletionWithoutATick) {
    session_.server.AddPage("/ad.htm",
                            "<html><body><p>x</p><img id=ad src='ad.gif'><img id=keep src='k.gif'>"
                            "</body></html>");
    FilterRecord record;
    record.sType = "IMG";
    record.sName = "ad.gif";
    record.nHint = -1;
    record.nScope = 1;
    record.sHtml = "<img>";
    ASSERT_EQ(store_.AddFilter(session_.server.Url("/other.htm"), record), 1);
    link_.SetChangedHandler([this] {
        combined_.MemberChanged(link_);
        PostTrackerEvent(kEventWindowRegistered, 0);
    });
    ASSERT_TRUE(table_.ConnectShellWindows(combined_));
    std::string target;
    if (GetParam().loadedBeforeConnecting) {
        target = session_.OpenWindow("/ad.htm");
        ASSERT_TRUE(session_.WaitLoaded(target, 10000, "/ad.htm"));
    }
    link_.SetTarget(cdp::DevToolsTarget{session_.chromium.Endpoint().port, ""});
    ASSERT_TRUE(Run([&] { return link_.Connected(); }, 15000, false));
    if (!GetParam().loadedBeforeConnecting) {
        target = session_.OpenWindow("/ad.htm");
    }
    ASSERT_TRUE(Run([&] { return Display(target) == "none"; }, 8000, false))
        << "trackers: " << table_.Count() << ", ticks: " << table_.TickCounter();
    EXPECT_EQ(table_.TickCounter(), 0u);
    cdp::Json kept;
    ASSERT_TRUE(session_.EvaluateInPage(
        target, "getComputedStyle(document.getElementById('keep')).display", kept));
    EXPECT_EQ(kept, "inline");
    // The tracker knows it as hit, as a check would have left it (an answer
    // that came after the completion's wait is taken at the next tick).
    BrowserTracker* tracker = nullptr;
    for (int s = 0; s < kMaxTrackers && tracker == nullptr; ++s) {
        BrowserTracker* t = table_.Tracker(s);
        if (t != nullptr && t->url == session_.server.Url("/ad.htm")) {
            tracker = t;
        }
    }
    ASSERT_NE(tracker, nullptr);
    ASSERT_TRUE(Run([&] { return tracker->filters[0].nStatus == kStatusHit; }, 5000));
    EXPECT_EQ(tracker->filters[0].nHint, 4);  // html, head, body and p come first
}

INSTANTIATE_TEST_SUITE_P(Cases, LinkCompletionTest,
                         ::testing::Values(NewTabCase{"NewTab", false},
                                           NewTabCase{"LoadedBeforeTheBrowserWasReached", true}),
                         [](const ::testing::TestParamInfo<NewTabCase>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
}  // namespace qm::cdptest
