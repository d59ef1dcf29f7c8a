// Element boxes found by probing, and drags in which any browser call may fail.
#include <gtest/gtest.h>

#include <random>

#include "testing/sim/fault_injector.h"
#include "store/address_keys.h"
#include "tests/app/app_fixture.h"

namespace qm::testing {
namespace {

const char* const kUrl = "http://www.example.com/index.html";

std::string CoveredPage() {
    return "<html><body>"
           "<img id=\"ad\" src=\"http://ads.example.net/banner.gif\" data-box=\"100 50 200 60\">"
           "<div id=\"band\" data-box=\"0 65 400 10\"></div>"
           "<div id=\"notch\" data-box=\"80 90 40 10\"></div>"
           "</body></html>";
}

class ElementBoundsTest : public AppCoreTest {
protected:
    void SetUp() override {
        page = OpenPage(Rect{0, 100, 800, 700}, kUrl, CoveredPage());
        StartCore();
        tracker = core->Trackers().Tracker(SlotOf(*page));
        ASSERT_NE(tracker, nullptr);
        image = page->Document()->ElementById("ad");
    }

    sim::SimBrowserPtr page;
    BrowserTracker* tracker = nullptr;
    ElementPtr image;
};

TEST_F(ElementBoundsTest, FindsTheBoxFromAnyPointInside) {
    for (Point p : {Point{150, 55}, Point{100, 50}, Point{299, 109}, Point{250, 80}}) {
        const Rect box = tracker->ElementBounds(*image, p.x, p.y);
        EXPECT_EQ(box.left, 100) << p.x << "," << p.y;
        EXPECT_EQ(box.top, 50) << p.x << "," << p.y;
        EXPECT_EQ(box.right, 300);
        EXPECT_EQ(box.bottom, 110);
    }
}

TEST_F(ElementBoundsTest, ACoveredProbeLineGivesZeroForThatEdge) {
    // The row y = 70 is covered by the band: no left edge is seen there.
    const Rect box = tracker->ElementBounds(*image, 150, 70);
    EXPECT_EQ(box.left, 0);
    EXPECT_EQ(box.top, 50);
    EXPECT_EQ(box.right, 200);
    EXPECT_EQ(box.bottom, 110);
}

TEST_F(ElementBoundsTest, APartlyCoveredRowFindsTheEdgeWhereTheCoverEnds) {
    // On the row y = 95 the notch covers x 80..119: the image starts at 120 there.
    const Rect box = tracker->ElementBounds(*image, 150, 95);
    EXPECT_EQ(box.left, 120);
    EXPECT_EQ(box.right, 320);
}

TEST_F(ElementBoundsTest, AnElementThatCannotBeReadHasAnEmptyBoxAtTheEdges) {
    ElementPtr element = tracker->document->ElementFromPoint(150, 55);
    ASSERT_NE(element, nullptr);
    auto faults = std::make_shared<sim::FaultInjector>();
    faults->SetProbability(1.0, 7);
    page->Document()->SetFaults(faults);
    const Rect box = tracker->ElementBounds(*element, 150, 55);
    EXPECT_EQ(box.left, 0);
    EXPECT_EQ(box.top, 0);
    EXPECT_EQ(box.Width(), 0);
    EXPECT_EQ(box.Height(), 0);
}

// The host file as a fresh store reads it back.
std::vector<FilterRecord> ReadBack(const std::filesystem::path& dir, const std::string& url) {
    FilterStore store(dir.string());
    std::vector<FilterRecord> records;
    std::string address;
    FilterRecord record;
    for (int i = 0; store.GetFilter(GetHostFileName(url), i, address, record) == 1; ++i) {
        records.push_back(record);
    }
    return records;
}

TEST_F(AppCoreTest, DragsSurviveFailingBrowserCallsAndKeepTheStoreWhole) {
    auto faults = std::make_shared<sim::FaultInjector>();
    auto page = OpenPage(Rect{0, 100, 800, 700}, kUrl, AdvertPage(), "Advert page");
    StartCore();
    page->SetFaults(faults);
    page->Document()->SetFaults(faults);
    dialogs.answerAnything = true;
    std::mt19937 random(20261207u);
    std::uniform_int_distribution<int> x(0, 799);
    std::uniform_int_distribution<int> y(0, 599);
    for (std::uint32_t seed = 1; seed <= 60; ++seed) {
        faults->SetProbability(0.15, seed);
        const Point onPage = PagePoint(*page, x(random), y(random));
        DragToBin(onPage, BinPoint());
        core->BinDrag(kDragPress, BinPoint());
        core->BinDrag(kDragMove, PagePoint(*page, x(random), y(random)));
        core->BinDrag(kDragRelease, PagePoint(*page, x(random), y(random)));
        core->OnTick();
        Pump();
        EXPECT_FALSE(core->HookDragActive());
        EXPECT_FALSE(core->IsPrompting());
    }
    faults->Disable();
    EXPECT_GT(faults->Failures(), 0u);
    EXPECT_TRUE(desktop.InvertedFrames().empty());
    EXPECT_EQ(desktop.Capture(), 0u);
    // What the core stored is exactly what a fresh store reads back.
    std::vector<FilterRecord> stored;
    std::string address;
    FilterRecord record;
    for (int i = 0; core->GetFilter(GetHostFileName(kUrl), i, address, record) == 1; ++i) {
        stored.push_back(record);
    }
    EXPECT_FALSE(stored.empty());
    const auto reread = ReadBack(dir.Path(), kUrl);
    ASSERT_EQ(reread.size(), stored.size());
    for (std::size_t i = 0; i < stored.size(); ++i) {
        EXPECT_EQ(reread[i].sType, stored[i].sType);
        EXPECT_EQ(reread[i].sName, stored[i].sName);
        EXPECT_EQ(reread[i].nScope, stored[i].nScope);
        EXPECT_EQ(reread[i].sHtml, stored[i].sHtml);
    }
}

}  // namespace
}  // namespace qm::testing
