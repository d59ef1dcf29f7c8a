// Simulated browsers, the shell's collection and the browser system.
#include <gtest/gtest.h>

#include "testing/sim/sim_browser.h"

namespace qm::sim {
namespace {

struct Recorded {
    int code;
    long param;
};

class RecordingSink : public BrowserEventSink {
public:
    void OnBrowserEvent(int code, long param) override { events.push_back({code, param}); }
    std::vector<int> Codes() const {
        std::vector<int> out;
        for (const Recorded& r : events) {
            out.push_back(r.code);
        }
        return out;
    }
    std::vector<Recorded> events;
};

class SimBrowserTest : public ::testing::Test {
protected:
    SimDesktop desktop;
    SimBrowserSystem system{&desktop};
};

TEST_F(SimBrowserTest, NavigateFiresTheLoadEventsInOrder) {
    SimBrowserPtr browser = system.OpenBrowser({0, 0, 800, 600});
    EXPECT_EQ(browser->GetDocument(), nullptr);  // still opening
    auto sink = std::make_shared<RecordingSink>();
    std::uint32_t cookie = 0;
    ASSERT_TRUE(browser->Advise(sink, cookie));
    SimDocumentPtr doc = browser->Navigate("http://a.example/", "<img src=x.gif>", "", 2);
    ASSERT_TRUE(doc);
    EXPECT_EQ(sink->Codes(), (std::vector<int>{kEventBeforeNavigate, kEventNavigateComplete,
                                               kEventDocumentComplete, kEventDocumentComplete,
                                               kEventDocumentComplete}));
    EXPECT_EQ(browser->GetDocument(), doc);
    std::string url;
    ASSERT_TRUE(browser->GetDocument()->Url(url));
    EXPECT_EQ(url, "http://a.example/");
}

TEST_F(SimBrowserTest, DocumentSeesThePageWindowSize) {
    SimBrowserPtr browser = system.OpenBrowser({0, 0, 808, 634}, "http://a/", "<p>x</p>");
    int w = 0;
    int h = 0;
    ElementPtr body = browser->Document()->Body();
    ASSERT_TRUE(body->OffsetWidth(w));
    ASSERT_TRUE(body->OffsetHeight(h));
    EXPECT_EQ(w, 808 - 2 * SimDesktop::kBorder);
    EXPECT_EQ(h, 634 - SimDesktop::kCaptionHeight - SimDesktop::kBorder);
}

TEST_F(SimBrowserTest, SeveralSinksAndUnadvise) {
    SimBrowserPtr browser = system.OpenBrowser({0, 0, 400, 300});
    auto a = std::make_shared<RecordingSink>();
    auto b = std::make_shared<RecordingSink>();
    std::uint32_t ca = 0;
    std::uint32_t cb = 0;
    ASSERT_TRUE(browser->Advise(a, ca));
    ASSERT_TRUE(browser->Advise(b, cb));
    EXPECT_NE(ca, cb);
    EXPECT_EQ(browser->SinkCount(), 2);
    browser->Unadvise(ca);
    browser->BeginNavigate();
    EXPECT_TRUE(a->events.empty());
    EXPECT_EQ(b->Codes(), (std::vector<int>{kEventBeforeNavigate}));
    browser->Unadvise(ca);  // twice: harmless
    EXPECT_EQ(browser->SinkCount(), 1);
    EXPECT_FALSE(browser->Advise(nullptr, ca));
}

class UnadvisingSink : public BrowserEventSink {
public:
    void OnBrowserEvent(int code, long) override {
        codes.push_back(code);
        browser->Unadvise(cookie);
    }
    SimBrowser* browser = nullptr;
    std::uint32_t cookie = 0;
    std::vector<int> codes;
};

TEST_F(SimBrowserTest, SinkMayUnadviseWhileEventsAreDelivered) {
    SimBrowserPtr browser = system.OpenBrowser({0, 0, 400, 300});
    auto sink = std::make_shared<UnadvisingSink>();
    sink->browser = browser.get();
    ASSERT_TRUE(browser->Advise(sink, sink->cookie));
    auto other = std::make_shared<RecordingSink>();
    std::uint32_t c = 0;
    ASSERT_TRUE(browser->Advise(other, c));
    browser->Navigate("u", "");
    EXPECT_EQ(sink->codes, (std::vector<int>{kEventBeforeNavigate}));
    EXPECT_EQ(other->events.size(), 3u);
}

class ClosingSink : public BrowserEventSink {
public:
    void OnBrowserEvent(int code, long) override {
        codes.push_back(code);
        if (code == closeOn) {
            browser->Close();
        }
    }
    SimBrowser* browser = nullptr;
    int closeOn = -1;
    std::vector<int> codes;
};

TEST_F(SimBrowserTest, ClosingDuringALoadStopsIt) {
    for (int closeOn : {kEventBeforeNavigate, kEventNavigateComplete, kEventDocumentComplete}) {
        SimBrowserPtr browser = system.OpenBrowser({0, 0, 400, 300});
        auto sink = std::make_shared<ClosingSink>();
        sink->browser = browser.get();
        sink->closeOn = closeOn;
        std::uint32_t cookie = 0;
        ASSERT_TRUE(browser->Advise(sink, cookie));
        SimDocumentPtr doc = browser->Navigate("u", "<p>x</p>", "", 3);
        EXPECT_EQ(doc == nullptr, closeOn == kEventBeforeNavigate);
        ASSERT_FALSE(sink->codes.empty());
        EXPECT_EQ(sink->codes.back(), kEventQuit);
        sink->codes.pop_back();
        EXPECT_EQ(sink->codes.back(), closeOn);  // nothing after the close
        EXPECT_TRUE(browser->IsClosed());
    }
}

TEST_F(SimBrowserTest, BarsMarkPopupStyle) {
    SimBrowserPtr browser = system.OpenBrowser({0, 0, 400, 300});
    int tool = -1;
    bool menu = false;
    ASSERT_TRUE(browser->ToolBar(tool));
    ASSERT_TRUE(browser->MenuBar(menu));
    EXPECT_NE(tool, 0);
    EXPECT_TRUE(menu);
    browser->SetPopupStyle();
    ASSERT_TRUE(browser->ToolBar(tool));
    ASSERT_TRUE(browser->MenuBar(menu));
    EXPECT_EQ(tool, 0);
    EXPECT_FALSE(menu);
}

TEST_F(SimBrowserTest, ShellListsBrowsersInRegistrationOrderAndFiresEvents) {
    std::unique_ptr<ShellWindows> shell = system.ConnectShellWindows();
    ASSERT_TRUE(shell);
    auto sink = std::make_shared<RecordingSink>();
    std::uint32_t cookie = 0;
    ASSERT_TRUE(shell->Advise(sink, cookie));
    SimBrowserPtr first = system.OpenBrowser({0, 0, 400, 300});
    const long folder = system.AddFolderWindow();
    SimBrowserPtr second = system.OpenBrowser({50, 50, 400, 300});
    int n = 0;
    ASSERT_TRUE(shell->Count(n));
    EXPECT_EQ(n, 3);
    EXPECT_EQ(shell->Item(0)->Identity(), first->Identity());
    EXPECT_EQ(shell->Item(1), nullptr);  // the folder window is no browser
    EXPECT_EQ(shell->Item(2)->Identity(), second->Identity());
    EXPECT_EQ(shell->Item(3), nullptr);
    ASSERT_EQ(sink->events.size(), 2u);
    EXPECT_EQ(sink->events[0].code, kEventWindowRegistered);
    EXPECT_EQ(sink->events[0].param, first->ShellCookie());
    EXPECT_EQ(sink->events[1].param, second->ShellCookie());
    EXPECT_NE(folder, first->ShellCookie());
    EXPECT_NE(folder, second->ShellCookie());
}

TEST_F(SimBrowserTest, QuitClosesTheWindowAndRevokesIt) {
    std::unique_ptr<ShellWindows> shell = system.ConnectShellWindows();
    auto shellSink = std::make_shared<RecordingSink>();
    std::uint32_t cookie = 0;
    ASSERT_TRUE(shell->Advise(shellSink, cookie));
    SimBrowserPtr browser = system.OpenBrowser({0, 0, 400, 300}, "u", "<p>x</p>");
    const WindowHandle top = browser->TopWindow();
    const WindowHandle page = browser->PageWindow();
    auto sink = std::make_shared<RecordingSink>();
    ASSERT_TRUE(browser->Advise(sink, cookie));
    bool closedCallback = false;
    browser->SetOnClosed([&] { closedCallback = true; });
    ASSERT_TRUE(browser->Quit());
    EXPECT_EQ(sink->Codes(), (std::vector<int>{kEventQuit}));
    EXPECT_TRUE(browser->IsClosed());
    EXPECT_TRUE(closedCallback);
    EXPECT_EQ(browser->QuitCalls(), 1);
    EXPECT_FALSE(desktop.IsWindow(top));
    EXPECT_FALSE(desktop.IsWindow(page));
    int n = -1;
    ASSERT_TRUE(shell->Count(n));
    EXPECT_EQ(n, 0);
    ASSERT_EQ(shellSink->events.size(), 2u);
    EXPECT_EQ(shellSink->events[1].code, kEventWindowRevoked);
    EXPECT_EQ(shellSink->events[1].param, shellSink->events[0].param);
    // A closed browser answers nothing and fires nothing more.
    WindowHandle h = 0;
    EXPECT_FALSE(browser->Hwnd(h));
    EXPECT_EQ(browser->GetDocument(), nullptr);
    EXPECT_FALSE(browser->Quit());
    browser->Close();
    EXPECT_EQ(sink->events.size(), 1u);
    EXPECT_EQ(browser->Navigate("u", "x"), nullptr);
}

TEST_F(SimBrowserTest, OpenWindowFiresNewWindowThenRegisters) {
    std::unique_ptr<ShellWindows> shell = system.ConnectShellWindows();
    std::vector<std::string> order;
    struct Sink : BrowserEventSink {
        std::vector<std::string>* order;
        std::string name;
        void OnBrowserEvent(int code, long) override {
            order->push_back(name + std::to_string(code));
        }
    };
    auto shellSink = std::make_shared<Sink>();
    shellSink->order = &order;
    shellSink->name = "shell";
    auto openerSink = std::make_shared<Sink>();
    openerSink->order = &order;
    openerSink->name = "opener";
    std::uint32_t cookie = 0;
    ASSERT_TRUE(shell->Advise(shellSink, cookie));
    SimBrowserPtr opener = system.OpenBrowser({0, 0, 800, 600}, "http://a/", "<p>x</p>");
    ASSERT_TRUE(opener->Advise(openerSink, cookie));
    order.clear();
    OpenWindowOptions options;
    options.url = "http://ads.example/pop";
    options.html = "<p>buy</p>";
    options.title = "Buy now";
    SimBrowserPtr popup = system.OpenWindow(*opener, options);
    ASSERT_TRUE(popup);
    EXPECT_EQ(order, (std::vector<std::string>{"opener6", "shell4"}));
    int tool = -1;
    bool menu = true;
    ASSERT_TRUE(popup->ToolBar(tool));
    ASSERT_TRUE(popup->MenuBar(menu));
    EXPECT_EQ(tool, 0);
    EXPECT_FALSE(menu);
    std::string title;
    ASSERT_TRUE(popup->GetDocument()->Title(title));
    EXPECT_EQ(title, "Buy now");
    int n = 0;
    ASSERT_TRUE(shell->Count(n));
    EXPECT_EQ(n, 2);
    EXPECT_EQ(shell->Item(1)->Identity(), popup->Identity());
    // A window that is still opening has no document.
    OpenWindowOptions opening;
    opening.popupStyle = false;
    SimBrowserPtr blank = system.OpenWindow(*opener, opening);
    EXPECT_EQ(blank->GetDocument(), nullptr);
    ASSERT_TRUE(blank->ToolBar(tool));
    EXPECT_NE(tool, 0);
}

TEST_F(SimBrowserTest, FolderBrowserHasNoPageWindowAndNoDocument) {
    std::unique_ptr<ShellWindows> shell = system.ConnectShellWindows();
    SimBrowserPtr folder = system.OpenFolderBrowser({0, 0, 500, 400});
    ASSERT_TRUE(folder);
    int n = 0;
    ASSERT_TRUE(shell->Count(n));
    EXPECT_EQ(n, 1);
    ASSERT_TRUE(shell->Item(0));
    WindowHandle top = 0;
    ASSERT_TRUE(folder->Hwnd(top));
    EXPECT_EQ(desktop.ClassName(top), "CabinetWClass");
    EXPECT_EQ(folder->GetDocument(), nullptr);
    for (WindowHandle w : desktop.Descendants(top)) {
        EXPECT_NE(desktop.ClassName(w), "Internet Explorer_Server");
    }
    folder->Close();
    EXPECT_FALSE(desktop.IsWindow(top));
}

TEST_F(SimBrowserTest, ExternallySuppliedWindows) {
    SimBrowserSystem bare;  // no desktop
    EXPECT_EQ(bare.OpenBrowser({0, 0, 10, 10}), nullptr);
    SimBrowserPtr browser = bare.AddBrowser(0x1234, 0x5678, "http://e/", "<img src=a>");
    ASSERT_TRUE(browser);
    WindowHandle h = 0;
    ASSERT_TRUE(browser->Hwnd(h));
    EXPECT_EQ(h, 0x1234u);
    EXPECT_EQ(browser->PageWindow(), 0x5678u);
    int destroyed = 0;
    browser->SetOnClosed([&] { ++destroyed; });
    browser->Close();
    browser->Close();
    EXPECT_EQ(destroyed, 1);
    OpenWindowOptions options;
    options.top = 0x2000;
    options.page = 0x2004;
    SimBrowserPtr opened = bare.OpenWindow(*browser, options);
    ASSERT_TRUE(opened);
    EXPECT_EQ(opened->TopWindow(), 0x2000u);
}

TEST_F(SimBrowserTest, ConnectionCanFailAndShellOutlivesTheSystemConnection) {
    system.SetConnectFails(true);
    EXPECT_EQ(system.ConnectShellWindows(), nullptr);
    system.SetConnectFails(false);
    std::unique_ptr<ShellWindows> shell = system.ConnectShellWindows();
    ASSERT_TRUE(shell);
    SimBrowserPtr browser = system.OpenBrowser({0, 0, 100, 100});
    EXPECT_EQ(system.Shell()->Browsers().size(), 1u);
    shell.reset();
    browser->Close();  // revoking after the connection went is fine
    EXPECT_EQ(system.Shell()->Size(), 0);
}

TEST_F(SimBrowserTest, DocumentOutlivesTheBrowser) {
    DocumentPtr doc;
    ElementPtr img;
    {
        SimBrowserSystem local(&desktop);
        SimBrowserPtr browser = local.OpenBrowser({0, 0, 100, 100}, "u", "<img src=a.gif>");
        doc = browser->GetDocument();
        img = doc->Tags("IMG")->Item(0);
        browser->Close();
    }
    std::string src;
    ASSERT_TRUE(img->Src(src));
    EXPECT_EQ(src, "a.gif");
}

}  // namespace
}  // namespace qm::sim
