// Failure injection across the simulated browser's port calls.
#include <gtest/gtest.h>

#include <algorithm>

#include "browser/element_identity.h"
#include "testing/sim/sim_browser.h"

namespace qm::sim {
namespace {

struct NullSink : BrowserEventSink {
    void OnBrowserEvent(int, long) override {}
};

TEST(FaultInjector, OffByDefault) {
    FaultInjector faults;
    for (int i = 0; i < 1000; ++i) {
        EXPECT_FALSE(faults.ShouldFail(FaultSite::kElement));
    }
    EXPECT_EQ(faults.Calls(), 1000u);
    EXPECT_EQ(faults.Failures(), 0u);
}

TEST(FaultInjector, FailsTheNthCall) {
    FaultInjector faults;
    faults.ShouldFail(FaultSite::kDocument);
    faults.FailNthCall(3);
    EXPECT_FALSE(faults.ShouldFail(FaultSite::kDocument));
    EXPECT_FALSE(faults.ShouldFail(FaultSite::kDocument));
    EXPECT_TRUE(faults.ShouldFail(FaultSite::kDocument));
    EXPECT_FALSE(faults.ShouldFail(FaultSite::kDocument));
    EXPECT_EQ(faults.Failures(), 1u);
}

TEST(FaultInjector, SameSeedSameFailures) {
    auto run = [](std::uint32_t seed) {
        FaultInjector faults;
        faults.SetProbability(0.3, seed);
        std::vector<bool> out;
        for (int i = 0; i < 500; ++i) {
            out.push_back(faults.ShouldFail(FaultSite::kBrowser));
        }
        return out;
    };
    const std::vector<bool> a = run(5);
    EXPECT_EQ(a, run(5));
    EXPECT_NE(a, run(6));
    const long failed = std::count(a.begin(), a.end(), true);
    EXPECT_GT(failed, 100);  // about 150 of 500
    EXPECT_LT(failed, 200);
}

TEST(FaultInjector, SitesLimitWhatIsCountedAndFailed) {
    FaultInjector faults;
    faults.SetProbability(1.0, 1);
    faults.SetSites(static_cast<unsigned>(FaultSite::kShell));
    EXPECT_FALSE(faults.ShouldFail(FaultSite::kElement));
    EXPECT_TRUE(faults.ShouldFail(FaultSite::kShell));
    EXPECT_EQ(faults.Calls(), 1u);
    faults.Disable();
    EXPECT_FALSE(faults.ShouldFail(FaultSite::kShell));
}

TEST(FaultInjector, EveryPortCallCanFail) {
    auto faults = std::make_shared<FaultInjector>();
    SimDesktop desktop;
    SimBrowserSystem system(&desktop, faults);
    std::unique_ptr<ShellWindows> shell = system.ConnectShellWindows();
    SimBrowserPtr browser =
        system.OpenBrowser({0, 0, 400, 400}, "http://a/",
                           "<img src=a.gif data-box='0 0 10 10'><object codebase=c></object>");
    DocumentPtr doc = browser->GetDocument();
    auto img = std::static_pointer_cast<SimElement>(doc->Tags("IMG")->Item(0));
    auto object = std::static_pointer_cast<SimElement>(doc->Tags("OBJECT")->Item(0));
    CollectionPtr all = doc->All();
    faults->SetProbability(1.0, 9);
    std::string s;
    int n = 0;
    bool b = false;
    WindowHandle h = 0;
    std::uint32_t cookie = 0;
    EXPECT_FALSE(shell->Count(n));
    EXPECT_EQ(shell->Item(0), nullptr);
    EXPECT_FALSE(shell->Advise(std::make_shared<NullSink>(), cookie));
    EXPECT_FALSE(browser->Hwnd(h));
    EXPECT_EQ(browser->GetDocument(), nullptr);
    EXPECT_FALSE(browser->ToolBar(n));
    EXPECT_FALSE(browser->MenuBar(b));
    EXPECT_FALSE(browser->IsPopupStyle(b));
    EXPECT_FALSE(browser->PageWindow(h));
    EXPECT_FALSE(browser->Quit());
    EXPECT_FALSE(browser->Advise(std::make_shared<NullSink>(), cookie));
    EXPECT_FALSE(doc->Url(s));
    EXPECT_FALSE(doc->Title(s));
    EXPECT_EQ(doc->Body(), nullptr);
    EXPECT_EQ(doc->All(), nullptr);
    EXPECT_EQ(doc->Tags("IMG"), nullptr);
    EXPECT_EQ(std::static_pointer_cast<SimDocument>(doc)->Images(), nullptr);
    EXPECT_EQ(doc->ElementFromPoint(1, 1), nullptr);
    EXPECT_FALSE(all->Length(n));
    EXPECT_EQ(all->Item(0), nullptr);
    EXPECT_FALSE(img->TagName(s));
    EXPECT_FALSE(img->SourceIndex(n));
    EXPECT_FALSE(img->OuterHtml(s));
    EXPECT_FALSE(img->InnerHtml(s));
    EXPECT_FALSE(object->SetInnerHtml("x"));
    EXPECT_FALSE(img->OffsetWidth(n));
    EXPECT_FALSE(img->OffsetHeight(n));
    EXPECT_FALSE(img->StyleDisplay(s));
    EXPECT_FALSE(img->SetStyleDisplay("none"));
    EXPECT_FALSE(img->Src(s));
    EXPECT_FALSE(img->SetSrc("b.gif"));
    EXPECT_FALSE(object->CodeBase(s));
    EXPECT_EQ(ElementIdentity(*img), "");
    std::vector<TaggedElement> tagged;
    EXPECT_FALSE(doc->ScanTag("IMG", tagged));
    faults->Disable();
    // Nothing changed while the calls failed.
    EXPECT_TRUE(img->StyleDisplay(s));
    EXPECT_EQ(s, "");
    EXPECT_TRUE(img->Src(s));
    EXPECT_EQ(s, "a.gif");
    EXPECT_FALSE(browser->IsClosed());
    EXPECT_GT(faults->Failures(), 30u);
}

TEST(FaultInjector, RandomFailuresNeverBreakTheDefaultsOrTheTree) {
    auto faults = std::make_shared<FaultInjector>();
    std::string html = "<body>";
    for (int i = 0; i < 50; ++i) {
        html += "<img src=i" + std::to_string(i) + ".gif><object><param value=/f" +
                std::to_string(i) + ".swf></object>";
    }
    SimDocument doc("u", html, "", faults);
    faults->SetProbability(0.2, 42);
    for (int round = 0; round < 200; ++round) {
        std::vector<TaggedElement> tagged;
        if (doc.ScanTag(round % 2 ? "IMG" : "OBJECT", tagged)) {
            for (const TaggedElement& t : tagged) {
                if (t.ok) {
                    EXPECT_GE(t.sourceIndex, 0);
                }
            }
        }
        std::vector<CheckOutcome> out;
        doc.CheckAndHide({{3 + round % 100, "i1.gif"}, {4, "f0.swf"}}, out);
        EXPECT_EQ(out.size(), 2u);
    }
    faults->Disable();
    int n = 0;
    ASSERT_TRUE(doc.All()->Length(n));
    EXPECT_EQ(n, 3 + 50 * 3);
}

}  // namespace
}  // namespace qm::sim
