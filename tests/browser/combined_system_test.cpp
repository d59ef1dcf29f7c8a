// One tracker table over two browser systems at once (the program combines
// Internet Explorer and a DevTools browser), a member that connects late or
// comes back, the window services that route a backend's page windows, and
// the conversions between a page's viewport and the screen.
#include <gtest/gtest.h>

#include <memory>

#include "browser/combined_browser_system.h"
#include "browser/page_geometry.h"
#include "browser/routed_window_services.h"
#include "tests/browser/tracker_fixture.h"

namespace qm::test {
namespace {

const std::string kAdUrl = "http://news.example.com/a.htm";
const std::string kSameHost = "http://news.example.com/b.htm";
const std::string kAd = "<img id=ad src='http://ads.example.net/banner.gif' data-box='10 10 100 50'>";

// A member that may be switched off (no connection, like a browser not yet
// running), counting pumps and wake-ups.
class SwitchedSystem : public BrowserSystem {
public:
    explicit SwitchedSystem(sim::SimBrowserSystem& inner) : inner_(inner) {}
    std::unique_ptr<ShellWindows> ConnectShellWindows() override {
        ++connects;
        return on ? inner_.ConnectShellWindows() : nullptr;
    }
    int Pump() override { return ++pumps; }
    void SetWakeup(std::function<void()> wakeup) override { wakeupSet = wakeup != nullptr; }
    bool on = true;
    int connects = 0;
    int pumps = 0;
    bool wakeupSet = false;

private:
    sim::SimBrowserSystem& inner_;
};

class CombinedTest : public ::testing::Test {
protected:
    CombinedTest()
        : dir_(MakeTrackerTempDirectory()),
          scoped_(clock_),
          store_(dir_.string()),
          ie_(&desktop_),
          chromium_(&desktop_),
          late_(chromium_),
          context_{store_, desktop_, &queue_},
          table_(context_),
          listener_(table_) {
        combined_.AddMember(ie_);
        combined_.AddMember(late_);
        store_.SetListener(&listener_);
    }
    ~CombinedTest() override {
        store_.Flush();
        RemoveTree(dir_);
    }
    sim::SimBrowserPtr Open(sim::SimBrowserSystem& system, const Rect& screen,
                            const std::string& url, const std::string& body) {
        auto browser = system.OpenBrowser(screen, url, Page("t", body));
        queue_.Drain(table_);
        browser->FireDocumentComplete();
        queue_.Drain(table_);
        return browser;
    }
    int SlotOf(const sim::SimBrowser& browser) const {
        for (int s = 0; s < kMaxTrackers; ++s) {
            BrowserTracker* tracker = table_.Tracker(s);
            if (tracker && tracker->browser->Identity() == browser.Identity()) {
                return s;
            }
        }
        return -1;
    }
    static std::string Display(sim::SimBrowser& browser) {
        std::string display = "?";
        ElementPtr element = browser.Document()->ElementById("ad");
        if (element) {
            element->StyleDisplay(display);
        }
        return display;
    }

    std::filesystem::path dir_;
    ManualClock clock_;
    ScopedClock scoped_;
    FilterStore store_;
    sim::SimDesktop desktop_;
    sim::SimBrowserSystem ie_;
    sim::SimBrowserSystem chromium_;
    SwitchedSystem late_;
    CombinedBrowserSystem combined_;
    EventQueue queue_;
    TrackerContext context_;
    TrackerTable table_;
    BroadcastListener listener_;
};

TEST_F(CombinedTest, BothSystemsShareTheSixtyFourSlotsAndTheEvents) {
    ASSERT_TRUE(table_.ConnectShellWindows(combined_));
    // Windows of both open, interleaved: each is tracked once, in the lowest
    // free slot, whichever system it belongs to; the 65th waits for a slot.
    std::vector<sim::SimBrowserPtr> ie;
    std::vector<sim::SimBrowserPtr> chromium;
    for (int i = 0; i < 33; ++i) {
        ie.push_back(Open(ie_, {0, 0, 100, 100}, kAdUrl, "<p>ie</p>"));
        chromium.push_back(Open(chromium_, {100, 0, 200, 100}, kAdUrl, "<p>cr</p>"));
    }
    EXPECT_EQ(table_.Count(), kMaxTrackers);
    EXPECT_EQ(SlotOf(*ie[0]), 0);
    EXPECT_EQ(SlotOf(*chromium[0]), 1);
    EXPECT_EQ(SlotOf(*chromium[31]), 63);
    EXPECT_EQ(SlotOf(*ie[32]), -1);
    EXPECT_EQ(SlotOf(*chromium[32]), -1);
    // A Chromium window closes (its OnQuit comes through the combined sink):
    // the next rescan gives the freed slot to the first waiting window.
    chromium[5]->Close();
    queue_.Drain(table_);
    EXPECT_EQ(table_.Count(), kMaxTrackers - 1);
    table_.RescanWindows();
    EXPECT_EQ(SlotOf(*ie[32]), 11);
    EXPECT_EQ(table_.Count(), kMaxTrackers);
}

TEST_F(CombinedTest, FilterMadeInOneBrowserHidesInTheOther) {
    ASSERT_TRUE(table_.ConnectShellWindows(combined_));
    auto inIe = Open(ie_, {0, 0, 400, 300}, kAdUrl, kAd);
    auto inChromium = Open(chromium_, {400, 0, 800, 300}, kSameHost, kAd);
    auto otherHost = Open(chromium_, {0, 300, 400, 600}, "http://other.example.org/", kAd);
    ASSERT_EQ(Display(*inChromium), "");
    // Dropped from the IE page with host scope: the store's broadcast reaches
    // the Chromium page of the same host, not the other host.
    BrowserTracker* tracker = table_.Tracker(SlotOf(*inIe));
    ASSERT_NE(tracker, nullptr);
    ASSERT_TRUE(tracker->PressOnPage(Point{34, 60}));
    Drop drop = tracker->DropOnBin();
    ASSERT_TRUE(drop.made);
    drop.record.nScope = 1;
    ASSERT_EQ(store_.AddFilter(drop.url, drop.record), 1);
    // At each page's next check.
    for (const auto& browser : {inIe, inChromium, otherHost}) {
        table_.Tracker(SlotOf(*browser))->CheckFilters();
    }
    EXPECT_EQ(Display(*inIe), "none");
    EXPECT_EQ(Display(*inChromium), "none");
    EXPECT_EQ(Display(*otherHost), "");
    // A page of the host opened later in the other browser hides it at load.
    auto later = Open(chromium_, {0, 0, 300, 300}, kSameHost, kAd);
    table_.Tracker(SlotOf(*later))->CheckFilters();
    EXPECT_EQ(Display(*later), "none");
}

TEST_F(CombinedTest, MemberWithoutConnectionIsAskedAgainAtEveryRescan) {
    late_.on = false;
    ASSERT_TRUE(table_.ConnectShellWindows(combined_));
    auto waiting = chromium_.OpenBrowser({0, 0, 300, 300}, kAdUrl, Page("w", ""));
    auto ie = Open(ie_, {300, 0, 600, 300}, kAdUrl, "");
    EXPECT_EQ(SlotOf(*waiting), -1);
    const int connectsBefore = late_.connects;
    table_.RescanWindows();
    EXPECT_GT(late_.connects, connectsBefore);
    EXPECT_EQ(SlotOf(*waiting), -1);
    // The browser comes up: the next rescan finds its windows, and its events
    // (through the sink advised on the new connection) work.
    late_.on = true;
    table_.RescanWindows();
    ASSERT_EQ(SlotOf(*waiting), 1);
    EXPECT_EQ(waiting->SinkCount(), 1);
    auto fresh = chromium_.OpenBrowser({0, 0, 300, 300}, kAdUrl, Page("f", ""));
    queue_.Drain(table_);  // WindowRegistered from the late member: a rescan
    EXPECT_EQ(SlotOf(*fresh), 2);
    // Connected: no new connection per rescan, until the member says it changed.
    const int connected = late_.connects;
    table_.RescanWindows();
    EXPECT_EQ(late_.connects, connected);
    combined_.MemberChanged(late_);
    table_.RescanWindows();
    EXPECT_EQ(late_.connects, connected + 1);
    EXPECT_EQ(SlotOf(*fresh), 2);  // same browsers keep their slots
    EXPECT_EQ(table_.Count(), 3);
}

TEST_F(CombinedTest, PumpAndWakeupReachEveryMember) {
    combined_.SetWakeup([] {});
    EXPECT_TRUE(late_.wakeupSet);
    EXPECT_EQ(combined_.Pump(), 1);  // the sim delivers inside its calls: only late_ counts
    EXPECT_EQ(late_.pumps, 1);
    CombinedBrowserSystem empty;
    EXPECT_EQ(empty.ConnectShellWindows(), nullptr);
    EXPECT_EQ(empty.Pump(), 0);
}

// A backend's page windows placed on the sim desktop's screen.
class FakePages : public PageWindows {
public:
    static constexpr WindowHandle kPage = 0x51000005;
    bool Owns(WindowHandle window) override { return window == kPage; }
    WindowHandle WindowAt(Point screen) override { return area.Contains(screen) ? kPage : 0; }
    WindowHandle WindowFromPoint(Point screen) override { return WindowAt(screen); }
    WindowHandle Parent(WindowHandle) override { return 0; }
    bool IsWindow(WindowHandle window) override { return Owns(window); }
    bool WindowRect(WindowHandle, Rect& screen) override {
        screen = area;
        return true;
    }
    bool ClientRect(WindowHandle, Rect& client) override {
        client = Rect{0, 0, area.Width(), area.Height()};
        return true;
    }
    bool ScreenToClient(WindowHandle, Point& p) override {
        p.x -= area.left;
        p.y -= area.top;
        return true;
    }
    std::string ClassName(WindowHandle) override { return "Chrome_RenderWidgetHostHWND"; }
    std::vector<WindowHandle> Descendants(WindowHandle) override { return {}; }
    WindowHandle ForegroundWindow() override { return kPage; }
    bool IsShiftDown() override { return false; }
    void Beep() override {}
    void SetCapture(WindowHandle) override {}
    void ReleaseCapture() override {}
    void DrawInvertedFrame(WindowHandle window, FrameMode, const Rect& rect) override {
        frames.push_back({window, rect});
    }
    void Pause(int) override {}
    Rect area{100, 100, 500, 400};
    std::vector<std::pair<WindowHandle, Rect>> frames;
};

TEST(RoutedWindowServicesTest, PagesShowWhereTheSystemHasNothingOfOurs) {
    sim::SimDesktop desktop;
    const WindowHandle bin = desktop.AddWindow(0, "#32770", {200, 200, 240, 240});
    const WindowHandle other = desktop.AddWindow(0, "Notepad", {450, 350, 700, 600});
    FakePages pages;
    // Pages may show only where the system has no window at all.
    RoutedWindowServices routed(desktop, [bin](WindowHandle w) {
        return w == 0 ? SystemWindowKind::kMayBePage
                      : (w == bin ? SystemWindowKind::kOwn : SystemWindowKind::kOther);
    });
    routed.AddPages(pages);
    // Nothing of the system there: the page. Our bin over the page: the bin.
    EXPECT_EQ(routed.WindowFromPoint(Point{150, 150}), FakePages::kPage);
    EXPECT_EQ(routed.WindowFromPoint(Point{210, 210}), bin);
    // Another program's window the predicate does not give up: it stays.
    EXPECT_EQ(routed.WindowFromPoint(Point{460, 360}), other);
    EXPECT_EQ(routed.WindowFromPoint(Point{900, 900}), WindowHandle{0});
    // Calls on the page's handle go to its backend, the rest to the system.
    Rect rect;
    ASSERT_TRUE(routed.WindowRect(FakePages::kPage, rect));
    EXPECT_EQ(rect.left, 100);
    Point p{130, 120};
    ASSERT_TRUE(routed.ScreenToClient(FakePages::kPage, p));
    EXPECT_EQ(p.x, 30);
    EXPECT_EQ(p.y, 20);
    EXPECT_EQ(routed.ClassName(bin), "#32770");
    EXPECT_TRUE(routed.IsWindow(FakePages::kPage));
    routed.DrawInvertedFrame(FakePages::kPage, kFrameClientRect, Rect{1, 2, 3, 4});
    routed.DrawInvertedFrame(bin, kFrameClientRect, Rect{1, 2, 3, 4});
    ASSERT_EQ(pages.frames.size(), 1u);
    EXPECT_EQ(desktop.InvertedFrames().size(), 1u);
    // In front: another program's window is; while the program itself or
    // nothing is, the backend's active page is.
    desktop.SetForegroundWindow(other);
    EXPECT_EQ(routed.ForegroundWindow(), other);
    desktop.SetForegroundWindow(bin);
    EXPECT_EQ(routed.ForegroundWindow(), FakePages::kPage);
    desktop.SetForegroundWindow(0);
    EXPECT_EQ(routed.ForegroundWindow(), FakePages::kPage);
}

struct GeometryCase {
    const char* name;
    PageReport page;
    bool calibrate;
    PointerReport pointer;
    Rect viewport;       // expected, system pixels
    Point screen;        // a screen point...
    Point page_point;    // ...and where it is in the page (CSS pixels)
};

TEST(PageGeometryTest, ScreenAndPageCoordinatesAgree) {
    const GeometryCase cases[] = {
        // A window at (50, 40) with an 80-pixel tool area and no borders.
        {"estimated", {50, 40, 800, 600, 800, 520, 1}, false, {}, {50, 120, 850, 640}, {150, 220},
         {100, 100}},
        // Borders of 8: the viewport is between them, at the bottom.
        {"borders", {0, 0, 816, 608, 800, 520, 1}, false, {}, {8, 80, 808, 600}, {8, 80}, {0, 0}},
        // A pointer event places the viewport exactly (the estimate was off).
        {"calibrated", {50, 40, 800, 600, 800, 520, 1}, true, {300, 200, 240, 90},
         {60, 110, 860, 630}, {300, 200}, {240, 90}},
        // Device scale 1.5: screen units are scaled to system pixels.
        {"scaled", {100, 100, 800, 600, 800, 500, 1.5}, true, {200, 300, 100, 100},
         {150, 300, 1350, 1050}, {300, 450}, {100, 100}},
        // Scrolled pages: the client point of the event is viewport-relative,
        // so scrolling changes nothing of the mapping.
        {"scrolled", {0, 0, 1000, 800, 1000, 700, 1}, true, {400, 500, 400, 400},
         {0, 100, 1000, 800}, {400, 500}, {400, 400}},
    };
    for (const GeometryCase& c : cases) {
        SCOPED_TRACE(c.name);
        PageGeometry geometry;
        EXPECT_FALSE(geometry.Known());
        geometry.Update(c.page);
        if (c.calibrate) {
            geometry.Calibrate(c.pointer);
        }
        ASSERT_TRUE(geometry.Known());
        const Rect view = geometry.Viewport();
        EXPECT_EQ(view.left, c.viewport.left);
        EXPECT_EQ(view.top, c.viewport.top);
        EXPECT_EQ(view.right, c.viewport.right);
        EXPECT_EQ(view.bottom, c.viewport.bottom);
        const Point inPage = geometry.ScreenToPage(c.screen);
        EXPECT_EQ(inPage.x, c.page_point.x);
        EXPECT_EQ(inPage.y, c.page_point.y);
        const Point back = geometry.PageToScreen(c.page_point);
        EXPECT_EQ(back.x, c.screen.x);
        EXPECT_EQ(back.y, c.screen.y);
        if (c.calibrate) {
            const Point event = geometry.EventToScreen(c.pointer.screenX, c.pointer.screenY);
            EXPECT_EQ(event.x, c.screen.x);
            EXPECT_EQ(event.y, c.screen.y);
        }
        const Rect outer = geometry.Outer();
        EXPECT_TRUE(outer.left <= view.left && outer.top <= view.top &&
                    outer.right >= view.right && outer.bottom >= view.bottom);
    }
}

TEST(PageGeometryTest, NonsenseFromAPageChangesNothing) {
    PageGeometry geometry;
    geometry.Update(PageReport{0, 0, 800, 600, 800, 500, 0});  // no pixel ratio
    EXPECT_FALSE(geometry.Known());
    geometry.Update(PageReport{10, 20, 800, 600, 800, 500, 1});
    const Rect before = geometry.Viewport();
    geometry.Update(PageReport{1e300, 0, 800, 600, 800, 500, 1});
    geometry.Update(PageReport{0, 0, 800, 600, -5, 500, 1});
    geometry.Calibrate(PointerReport{std::nan(""), 0, 0, 0});
    const Rect after = geometry.Viewport();
    EXPECT_EQ(before.left, after.left);
    EXPECT_EQ(before.top, after.top);
    EXPECT_EQ(before.right, after.right);
}

}  // namespace
}  // namespace qm::test
