// IeBrowser over a hand-written IWebBrowser2 fake with a connection point.
#include <gtest/gtest.h>

#include <exdispid.h>

#include <memory>
#include <utility>
#include <vector>

#include "browser/ie/ie_browser.h"
#include "tests/browser_win/event_recorder.h"
#include "tests/browser_win/fake_com.h"

namespace qm::ie {
namespace {

using test::EventRecorder;
using test::FakeBrowser;
using test::FakeCollection;
using test::FakeConnectionPoint;
using test::FakeDocument;

class BrowserTest : public ::testing::Test {
protected:
    BrowserTest() {
        fake = new FakeBrowser();
        fake->hwnd = 0x1234;
        fake->point = new FakeConnectionPoint(DIID_DWebBrowserEvents2);
    }
    ~BrowserTest() override { fake->Release(); }

    BrowserPtr Wrap() {
        return MakeBrowser(ComRef<IWebBrowser2>::Share(static_cast<IWebBrowser2*>(fake)));
    }

    FakeBrowser* fake;
};

TEST_F(BrowserTest, WindowAndBars) {
    BrowserPtr browser = Wrap();
    WindowHandle hwnd = 0;
    ASSERT_TRUE(browser->Hwnd(hwnd));
    EXPECT_EQ(0x1234u, hwnd);
    bool popupStyle = true;
    ASSERT_TRUE(browser->IsPopupStyle(popupStyle));
    EXPECT_FALSE(popupStyle);
    fake->toolBar = 0;  // a popup-style window
    fake->menuBar = VARIANT_FALSE;
    ASSERT_TRUE(browser->IsPopupStyle(popupStyle));
    EXPECT_TRUE(popupStyle);
    fake->menuBar = VARIANT_TRUE;  // one bar is enough to be a normal window
    ASSERT_TRUE(browser->IsPopupStyle(popupStyle));
    EXPECT_FALSE(popupStyle);
}

TEST_F(BrowserTest, QuitAsksTheBrowser) {
    BrowserPtr browser = Wrap();
    EXPECT_TRUE(browser->Quit());
    EXPECT_EQ(1, fake->quits);
    fake->fail = true;
    EXPECT_FALSE(browser->Quit());
    EXPECT_EQ(1, fake->quits);
}

TEST_F(BrowserTest, FailedCallsFail) {
    fake->fail = true;
    BrowserPtr browser = Wrap();
    WindowHandle hwnd = 0;
    bool popupStyle = false;
    EXPECT_FALSE(browser->Hwnd(hwnd));
    EXPECT_FALSE(browser->IsPopupStyle(popupStyle));
    EXPECT_FALSE(browser->PageWindow(hwnd));
    EXPECT_EQ(nullptr, browser->GetDocument());
}

TEST_F(BrowserTest, DocumentOnlyWhenItIsAnHtmlDocument) {
    BrowserPtr browser = Wrap();
    EXPECT_EQ(nullptr, browser->GetDocument());  // still opening: no document
    fake->document = static_cast<IHTMLElementCollection*>(new FakeCollection());  // a folder
    EXPECT_EQ(nullptr, browser->GetDocument());
    fake->document->Release();
    auto* page = new FakeDocument();
    page->url = L"http://www.example.com/";
    fake->document = static_cast<IHTMLDocument2*>(page);
    DocumentPtr document = browser->GetDocument();
    ASSERT_NE(nullptr, document);
    std::string url;
    ASSERT_TRUE(document->Url(url));
    EXPECT_EQ("http://www.example.com/", url);
    document.reset();
    EXPECT_EQ(1, page->refs());
}

TEST_F(BrowserTest, IdentityIsTheComIdentity) {
    BrowserPtr first = Wrap();
    BrowserPtr second = MakeBrowser(ComRef<IDispatch>::Share(static_cast<IWebBrowser2*>(fake)));
    ASSERT_NE(nullptr, second);
    EXPECT_EQ(first->Identity(), second->Identity());
    auto* other = new FakeBrowser();
    EXPECT_NE(first->Identity(), MakeBrowser(ComRef<IWebBrowser2>::Share(other))->Identity());
    other->Release();
    EXPECT_EQ(nullptr, MakeBrowser(ComRef<IDispatch>()));
}

TEST_F(BrowserTest, AdviseConnectsASinkThatPostsTrackerEvents) {
    BrowserPtr browser = Wrap();
    auto recorder = std::make_shared<EventRecorder>();
    std::uint32_t cookie = 0;
    ASSERT_TRUE(browser->Advise(recorder, cookie));
    EXPECT_EQ(1u, fake->point->Connections());
    fake->point->Fire(DISPID_DOCUMENTCOMPLETE);
    fake->point->Fire(DISPID_TITLECHANGE);  // not followed
    fake->point->Fire(DISPID_ONQUIT);
    const std::vector<std::pair<int, long>> expected = {{kEventDocumentComplete, 0},
                                                        {kEventQuit, 0}};
    EXPECT_EQ(expected, recorder->events);

    std::weak_ptr<EventRecorder> watch = recorder;
    recorder.reset();
    EXPECT_FALSE(watch.expired());  // the connected sink keeps its target
    browser->Unadvise(cookie);
    EXPECT_EQ(0u, fake->point->Connections());
    EXPECT_TRUE(watch.expired());  // the sink was released and freed
}

TEST_F(BrowserTest, UnadviseOfAnUnknownCookieDoesNothing) {
    BrowserPtr browser = Wrap();
    auto recorder = std::make_shared<EventRecorder>();
    std::uint32_t cookie = 0;
    ASSERT_TRUE(browser->Advise(recorder, cookie));
    browser->Unadvise(cookie + 1000);
    EXPECT_EQ(1u, fake->point->Connections());
    browser->Unadvise(cookie);
    browser->Unadvise(cookie);  // a second time: nothing left to end
    EXPECT_EQ(0u, fake->point->Connections());
}

TEST_F(BrowserTest, DestroyingTheBrowserEndsItsConnections) {
    auto recorder = std::make_shared<EventRecorder>();
    std::weak_ptr<EventRecorder> watch = recorder;
    {
        BrowserPtr browser = Wrap();
        std::uint32_t first = 0;
        std::uint32_t second = 0;
        ASSERT_TRUE(browser->Advise(recorder, first));
        ASSERT_TRUE(browser->Advise(recorder, second));
        EXPECT_NE(first, second);
        EXPECT_EQ(2u, fake->point->Connections());
    }
    EXPECT_EQ(0u, fake->point->Connections());
    recorder.reset();
    EXPECT_TRUE(watch.expired());
    EXPECT_EQ(1, fake->refs());
}

TEST_F(BrowserTest, AdviseFailsWithoutConnectionPoints) {
    fake->point->Release();
    fake->point = nullptr;
    BrowserPtr browser = Wrap();
    auto recorder = std::make_shared<EventRecorder>();
    std::weak_ptr<EventRecorder> watch = recorder;
    std::uint32_t cookie = 77;
    EXPECT_FALSE(browser->Advise(recorder, cookie));
    EXPECT_EQ(77u, cookie);
    EXPECT_FALSE(browser->Advise(nullptr, cookie));
    recorder.reset();
    EXPECT_TRUE(watch.expired());  // the unconnected sink was freed
}

TEST_F(BrowserTest, AdviseFailsForAnotherEventInterface) {
    fake->point->Release();
    fake->point = new FakeConnectionPoint(DIID_DShellWindowsEvents);
    BrowserPtr browser = Wrap();
    std::uint32_t cookie = 0;
    EXPECT_FALSE(browser->Advise(std::make_shared<EventRecorder>(), cookie));
    EXPECT_EQ(0u, fake->point->Connections());
}

TEST_F(BrowserTest, AllReferencesAreReturned) {
    {
        BrowserPtr browser = Wrap();
        WindowHandle hwnd = 0;
        browser->Hwnd(hwnd);
        browser->GetDocument();
        std::uint32_t cookie = 0;
        browser->Advise(std::make_shared<EventRecorder>(), cookie);
        browser->Unadvise(cookie);
    }
    EXPECT_EQ(1, fake->refs());
}

}  // namespace
}  // namespace qm::ie
