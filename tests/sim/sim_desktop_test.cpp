// The in-memory desktop: hit testing, window tree, recorders.
#include <gtest/gtest.h>

#include "testing/sim/sim_desktop.h"

namespace qm::sim {
namespace {

TEST(SimDesktop, BrowserWindowPairHasThePageWindowInside) {
    SimDesktop desktop;
    BrowserWindowPair pair = desktop.CreateBrowserWindows({100, 50, 900, 650});
    EXPECT_EQ(desktop.ClassName(pair.top), "IEFrame");
    EXPECT_EQ(desktop.ClassName(pair.page), "Internet Explorer_Server");
    EXPECT_EQ(desktop.Parent(desktop.Parent(pair.page)), pair.top);
    EXPECT_EQ(desktop.Parent(pair.top), 0u);
    std::vector<WindowHandle> below = desktop.Descendants(pair.top);
    ASSERT_EQ(below.size(), 2u);
    EXPECT_EQ(below[1], pair.page);
    Rect r;
    ASSERT_TRUE(desktop.WindowRect(pair.top, r));
    EXPECT_EQ(r.left, 100);
    EXPECT_EQ(r.Width(), 800);
    ASSERT_TRUE(desktop.ClientRect(pair.page, r));
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.Width(), 800 - 2 * SimDesktop::kBorder);
    EXPECT_EQ(r.Height(), 600 - SimDesktop::kCaptionHeight - SimDesktop::kBorder);
}

TEST(SimDesktop, WindowFromPointFindsTheDeepestChildOrTheFrame) {
    SimDesktop desktop;
    BrowserWindowPair pair = desktop.CreateBrowserWindows({100, 50, 900, 650});
    EXPECT_EQ(desktop.WindowFromPoint({400, 300}), pair.page);
    EXPECT_EQ(desktop.WindowFromPoint({400, 60}), pair.top);   // caption
    EXPECT_EQ(desktop.WindowFromPoint({101, 300}), pair.top);  // border
    EXPECT_EQ(desktop.WindowFromPoint({50, 50}), 0u);          // bare desktop
    EXPECT_EQ(desktop.WindowFromPoint({900, 300}), 0u);        // right edge is outside
}

TEST(SimDesktop, ZOrderDecidesOverlaps) {
    SimDesktop desktop;
    BrowserWindowPair below = desktop.CreateBrowserWindows({0, 0, 500, 500});
    const WindowHandle bin = desktop.AddWindow(0, "BinWindow", {400, 400, 600, 600});
    EXPECT_EQ(desktop.WindowFromPoint({450, 450}), bin);
    desktop.BringToTop(below.top);
    EXPECT_EQ(desktop.WindowFromPoint({450, 450}), below.page);
    desktop.SetVisible(below.top, false);
    EXPECT_EQ(desktop.WindowFromPoint({450, 450}), bin);
    EXPECT_EQ(desktop.WindowFromPoint({100, 100}), 0u);
    EXPECT_EQ(desktop.TopLevelWindows().front(), below.top);
}

TEST(SimDesktop, LaterSiblingsAreOnTopAndHiddenChildrenAreSkipped) {
    SimDesktop desktop;
    const WindowHandle top = desktop.AddWindow(0, "Top", {0, 0, 300, 300});
    const WindowHandle a = desktop.AddWindow(top, "A", {0, 0, 200, 200});
    const WindowHandle b = desktop.AddWindow(top, "B", {100, 100, 300, 300});
    const WindowHandle inner = desktop.AddWindow(a, "Inner", {10, 10, 50, 50});
    EXPECT_EQ(desktop.WindowFromPoint({150, 150}), b);
    EXPECT_EQ(desktop.WindowFromPoint({20, 20}), inner);
    desktop.SetVisible(inner, false);
    EXPECT_EQ(desktop.WindowFromPoint({20, 20}), a);
    EXPECT_EQ(desktop.Descendants(top), (std::vector<WindowHandle>{a, inner, b}));
    EXPECT_EQ(desktop.AddWindow(0x999, "Orphan", {0, 0, 1, 1}), 0u);
}

TEST(SimDesktop, ScreenToClientUsesTheClientOrigin) {
    SimDesktop desktop;
    BrowserWindowPair pair = desktop.CreateBrowserWindows({100, 50, 900, 650});
    Point p{130, 200};
    ASSERT_TRUE(desktop.ScreenToClient(pair.page, p));
    EXPECT_EQ(p.x, 130 - 100 - SimDesktop::kBorder);
    EXPECT_EQ(p.y, 200 - 50 - SimDesktop::kCaptionHeight);
    Point q{0, 0};
    EXPECT_FALSE(desktop.ScreenToClient(0x42, q));
}

TEST(SimDesktop, DestroyRemovesTheSubtreeAndClearsForegroundAndCapture) {
    SimDesktop desktop;
    BrowserWindowPair pair = desktop.CreateBrowserWindows({0, 0, 400, 400});
    desktop.SetForegroundWindow(pair.top);
    desktop.SetCapture(pair.page);
    desktop.DestroyWindow(pair.top);
    EXPECT_FALSE(desktop.IsWindow(pair.top));
    EXPECT_FALSE(desktop.IsWindow(pair.page));
    EXPECT_EQ(desktop.ForegroundWindow(), 0u);
    EXPECT_EQ(desktop.Capture(), 0u);
    EXPECT_EQ(desktop.WindowFromPoint({100, 100}), 0u);
    Rect r;
    EXPECT_FALSE(desktop.WindowRect(pair.top, r));
    EXPECT_EQ(desktop.ClassName(pair.top), "");
    EXPECT_TRUE(desktop.Descendants(pair.top).empty());
    desktop.DestroyWindow(pair.top);  // again: nothing happens
}

TEST(SimDesktop, SecondDrawOfTheSameFrameErasesIt) {
    SimDesktop desktop;
    const WindowHandle w = desktop.AddWindow(0, "W", {0, 0, 100, 100});
    const Rect a{1, 2, 30, 40};
    const Rect b{5, 5, 50, 50};
    desktop.DrawInvertedFrame(w, kFrameClientRect, a);
    ASSERT_EQ(desktop.InvertedFrames().size(), 1u);
    desktop.DrawInvertedFrame(w, kFrameClientRect, a);
    EXPECT_TRUE(desktop.InvertedFrames().empty());
    desktop.DrawInvertedFrame(w, kFrameClientRect, b);
    desktop.DrawInvertedFrame(w, kFrameTitleBand, b);  // another mode is another frame
    std::vector<FrameDraw> shown = desktop.InvertedFrames();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].mode, 0);
    EXPECT_EQ(shown[0].rect.right, 50);
    EXPECT_EQ(shown[1].mode, 1);
    EXPECT_EQ(desktop.DrawLog().size(), 4u);
    desktop.ClearRecords();
    EXPECT_TRUE(desktop.DrawLog().empty());
    EXPECT_EQ(desktop.InvertedFrames().size(), 2u);  // still on the screen
}

TEST(SimDesktop, FramesGoWithTheirWindowAndMissingWindowsDrawNothing) {
    SimDesktop desktop;
    const WindowHandle w = desktop.AddWindow(0, "W", {0, 0, 100, 100});
    const WindowHandle v = desktop.AddWindow(0, "V", {0, 0, 100, 100});
    desktop.DrawInvertedFrame(w, kFrameClientRect, {1, 1, 10, 10});
    desktop.DrawInvertedFrame(v, kFrameTitleBand, {0, 0, 99, 99});
    desktop.DestroyWindow(w);
    std::vector<FrameDraw> shown = desktop.InvertedFrames();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].window, v);
    desktop.DrawInvertedFrame(w, kFrameClientRect, {1, 1, 10, 10});
    EXPECT_EQ(desktop.DrawLog().size(), 2u);
    EXPECT_EQ(desktop.InvertedFrames().size(), 1u);
}

TEST(SimDesktop, RecordersCountBeepsCapturePausesAndShift) {
    SimDesktop desktop;
    const WindowHandle w = desktop.AddWindow(0, "W", {0, 0, 100, 100});
    desktop.Beep();
    desktop.Beep();
    EXPECT_EQ(desktop.Beeps(), 2);
    desktop.SetCapture(w);
    EXPECT_EQ(desktop.Capture(), w);
    desktop.ReleaseCapture();
    EXPECT_EQ(desktop.CaptureLog(), (std::vector<WindowHandle>{w, 0}));
    desktop.Pause(200);
    desktop.Pause(200);
    EXPECT_EQ(desktop.TotalPauseMs(), 400);
    EXPECT_FALSE(desktop.IsShiftDown());
    desktop.SetShiftDown(true);
    EXPECT_TRUE(desktop.IsShiftDown());
    desktop.SetForegroundWindow(w);
    EXPECT_EQ(desktop.ForegroundWindow(), w);
}

}  // namespace
}  // namespace qm::sim
