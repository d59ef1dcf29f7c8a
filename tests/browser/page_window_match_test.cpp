// Matching a system window to the page of a browser in another process: the
// browser windows by their bounds, the page shown in one, the page drawn
// where the system draws it (scaled screens, pinch zoom, scrolled pages), and
// the routing of the window under a point through the match.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "browser/page_geometry.h"
#include "browser/page_window_match.h"
#include "browser/routed_window_services.h"
#include "testing/sim/sim_desktop.h"

namespace qm::test {
namespace {

TEST(PageWindowMatchTest, TheSystemWindowIsTheBrowserWindowThatCoversTheSamePlace) {
    // Two browser windows (DIPs): one at (100, 50) 800x600, one at (950, 50) 600x600.
    const std::vector<BrowserWindowBounds> windows = {{7, 100, 50, 800, 600},
                                                      {9, 950, 50, 600, 600}};
    struct Case {
        const char* name;
        SystemBrowserWindow system;
        int windowId;
    };
    const Case cases[] = {
        {"same place, scale 1", {{100, 50, 900, 650}, {}, 1}, 7},
        {"the other window", {{950, 50, 1550, 650}, {}, 1}, 9},
        // 1.5 system pixels per DIP: the bounds are scaled before they are compared.
        {"scale 1.5", {{150, 75, 1350, 975}, {}, 1.5}, 7},
        // The system's rectangle takes in invisible borders of 7 pixels.
        {"invisible borders", {{93, 50, 907, 657}, {}, 1}, 7},
        {"scale 1.5 unscaled by mistake", {{100, 50, 900, 650}, {}, 1.5}, -1},
        {"a smaller window at the same corner", {{100, 50, 500, 350}, {}, 1}, -1},
        {"nowhere near", {{3000, 3000, 3800, 3600}, {}, 1}, -1},
        {"no size", {{100, 50, 100, 50}, {}, 1}, -1},
        {"nonsense scale", {{100, 50, 900, 650}, {}, 0}, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(MatchBrowserWindow(windows, c.system), c.windowId);
    }
    EXPECT_EQ(MatchBrowserWindow({}, cases[0].system), -1);
    EXPECT_EQ(MatchBrowserWindow({{3, 1e300, 0, 800, 600}}, cases[0].system), -1);
}

TEST(PageWindowMatchTest, TheVisiblePageOfTheWindowIsTheOneShown) {
    const std::vector<PageInWindow> pages = {
        {1, 7, false, 50},  // a background tab, active last
        {2, 7, true, 10},   // the tab in front
        {3, 9, false, 5},
        {4, 9, false, 8},
        {5, 7, true, 3},    // a second visible page of window 7 (it is changing tabs)
    };
    EXPECT_EQ(PageShownIn(pages, 7), 2u);
    EXPECT_EQ(PageShownIn(pages, 9), 4u);  // none visible: the one active last
    EXPECT_EQ(PageShownIn(pages, 11), 0u);
    EXPECT_EQ(PageShownIn(pages, -1), 0u);
}

TEST(PageWindowMatchTest, ThePageIsWhereTheSystemDrawsIt) {
    struct Case {
        const char* name;
        PageReport page;
        Rect content;     // where the system draws the page
        Point screen;
        Point page_point; // viewport (CSS) pixels
    };
    const Case cases[] = {
        {"scale 1", {100, 50, 800, 600, 800, 500, 1}, {100, 150, 900, 650}, {130, 170}, {30, 20}},
        // 1.5 system pixels per CSS pixel: a window at 150 DIPs, its page at 165.
        {"scale 1.5", {100, 50, 800, 600, 780, 500, 1.5}, {165, 240, 1335, 990}, {315, 390},
         {100, 100}},
        // A page zoom of 125% on a scale of 1.5: 1.875 system pixels per CSS pixel.
        {"zoomed", {100, 50, 800, 600, 416, 266, 1.875}, {165, 240, 945, 740}, {540, 615},
         {200, 200}},
        // Pinched to twice the size, showing from (100, 50) of the viewport.
        {"pinch zoom", {0, 0, 800, 600, 800, 500, 1, 2, 100, 50}, {0, 100, 800, 600}, {200, 300},
         {200, 150}},
        // Scrolled: viewport points do not move with the document.
        {"scrolled", {0, 0, 800, 600, 800, 500, 1}, {0, 100, 800, 600}, {400, 500}, {400, 400}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PageGeometry geometry;
        geometry.Place(c.content);  // unknown page: nothing to place yet
        geometry.Update(c.page);
        geometry.Place(c.content);
        const Rect view = geometry.Viewport();
        EXPECT_EQ(view.left, c.content.left);
        EXPECT_EQ(view.bottom, c.content.bottom);
        const Point inPage = geometry.ScreenToPage(c.screen);
        EXPECT_EQ(inPage.x, c.page_point.x);
        EXPECT_EQ(inPage.y, c.page_point.y);
        const Point back = geometry.PageToScreen(c.page_point);
        EXPECT_EQ(back.x, c.screen.x);
        EXPECT_EQ(back.y, c.screen.y);
    }
    // The window moves: the system's place is stale; the report's estimate counts again.
    PageGeometry geometry;
    geometry.Update(PageReport{100, 50, 800, 600, 800, 500, 1});
    geometry.Place(Rect{110, 160, 910, 660});
    geometry.Update(PageReport{100, 50, 800, 600, 800, 500, 1});
    EXPECT_EQ(geometry.Viewport().left, 110);
    geometry.Update(PageReport{300, 50, 800, 600, 800, 500, 1});
    EXPECT_EQ(geometry.Viewport().left, 300);
    // Nonsense of a page's visual viewport changes nothing.
    geometry.Update(PageReport{0, 0, 800, 600, 800, 500, 1, 0, 0, 0});
    EXPECT_EQ(geometry.Viewport().left, 300);
}

// A backend that knows its pages only through the system's windows.
class MatchedPages : public PageWindows {
public:
    static constexpr WindowHandle kTop = 0x51000004;
    static constexpr WindowHandle kPage = 0x51000005;
    bool Owns(WindowHandle window) override { return window == kTop || window == kPage; }
    WindowHandle WindowAt(Point) override { return 0; }
    WindowHandle WindowIn(Point screen, const SystemBrowserWindow& system) override {
        seen.push_back(system);
        if (MatchBrowserWindow({{1, 100, 50, 800, 600}}, system) != 1) {
            return 0;
        }
        return system.content.Contains(screen) ? kPage : kTop;
    }
    WindowHandle WindowFromPoint(Point) override { return 0; }
    WindowHandle Parent(WindowHandle window) override { return window == kPage ? kTop : 0; }
    bool IsWindow(WindowHandle window) override { return Owns(window); }
    bool WindowRect(WindowHandle, Rect&) override { return false; }
    bool ClientRect(WindowHandle, Rect&) override { return false; }
    bool ScreenToClient(WindowHandle, Point&) override { return false; }
    std::string ClassName(WindowHandle) override { return std::string(); }
    std::vector<WindowHandle> Descendants(WindowHandle) override { return {}; }
    WindowHandle ForegroundWindow() override { return 0; }
    bool IsShiftDown() override { return false; }
    void Beep() override {}
    void SetCapture(WindowHandle) override {}
    void ReleaseCapture() override {}
    void DrawInvertedFrame(WindowHandle, FrameMode, const Rect&) override {}
    void Pause(int) override {}
    std::vector<SystemBrowserWindow> seen;
};

TEST(PageWindowMatchTest, TheWindowUnderThePointIsThePageOfTheMatchedBrowserWindow) {
    sim::SimDesktop desktop;
    // A browser's window of the system with the window drawing its page, and
    // another program's window.
    const WindowHandle top = desktop.AddWindow(0, "Chrome_WidgetWin_1", {100, 50, 900, 650});
    desktop.AddWindow(top, "Chrome_RenderWidgetHostHWND", {100, 150, 900, 650});
    const WindowHandle other = desktop.AddWindow(0, "Notepad", {1000, 50, 1400, 650});
    // A browser window that no page of a backend is in.
    const WindowHandle unknown = desktop.AddWindow(0, "Chrome_WidgetWin_1", {2000, 50, 2800, 650});
    const WindowHandle unknownContent =
        desktop.AddWindow(unknown, "Chrome_RenderWidgetHostHWND", {2000, 150, 2800, 650});
    auto root = [&desktop](WindowHandle w) {
        while (desktop.Parent(w) != 0) {
            w = desktop.Parent(w);
        }
        return w;
    };
    RoutedWindowServices routed(desktop, [&](WindowHandle w) {
        return w == 0 || desktop.ClassName(root(w)) == "Chrome_WidgetWin_1"
                   ? SystemWindowKind::kMayBePage
                   : SystemWindowKind::kOther;
    });
    MatchedPages pages;
    routed.AddPages(pages);
    routed.SetBrowserWindowProbe([&](WindowHandle w, Point, SystemBrowserWindow& out) {
        if (w == 0 || desktop.ClassName(root(w)) != "Chrome_WidgetWin_1") {
            return false;
        }
        desktop.WindowRect(root(w), out.top);
        out.content = Rect{};
        if (desktop.ClassName(w) == "Chrome_RenderWidgetHostHWND") {
            desktop.WindowRect(w, out.content);
        }
        out.scale = 1;
        return true;
    });
    EXPECT_EQ(routed.WindowFromPoint(Point{300, 300}), MatchedPages::kPage);
    ASSERT_EQ(pages.seen.size(), 1u);
    EXPECT_EQ(pages.seen[0].content.top, 150);
    EXPECT_EQ(routed.WindowFromPoint(Point{300, 80}), MatchedPages::kTop);  // the browser's bars
    EXPECT_EQ(pages.seen.back().content.Width(), 0);
    EXPECT_EQ(routed.WindowFromPoint(Point{1100, 300}), other);
    EXPECT_EQ(pages.seen.size(), 2u);  // another program's window is not probed
    // A browser window that no page of a backend is in stays the system's.
    EXPECT_EQ(routed.WindowFromPoint(Point{2300, 300}), unknownContent);
}

}  // namespace
}  // namespace qm::test
