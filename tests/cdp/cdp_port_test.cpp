// The DevTools backend against a real Chromium: what every port operation
// answers, the batched steps against the step-by-step defaults, events and
// failures.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <fstream>
#include <thread>

#include "browser/cdp/cdp_dom.h"
#include "browser/element_identity.h"
#include "tests/cdp/cdp_fixture.h"

namespace qm::cdptest {
namespace {

struct RecordingSink : BrowserEventSink {
    std::vector<std::pair<int, long>> events;
    void OnBrowserEvent(int code, long param) override { events.emplace_back(code, param); }
    bool Has(int code) const {
        return std::any_of(events.begin(), events.end(),
                           [code](const auto& e) { return e.first == code; });
    }
    int IndexOf(int code) const {
        for (std::size_t i = 0; i < events.size(); ++i) {
            if (events[i].first == code) {
                return static_cast<int>(i);
            }
        }
        return -1;
    }
};

class CdpPortTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(session_.Start(error)) << error;
    }

    // A loaded window on path with its browser and document.
    std::shared_ptr<cdp::CdpBrowser> Open(const std::string& path, std::string* target = nullptr) {
        const std::string id = session_.OpenWindow(path);
        EXPECT_FALSE(id.empty());
        EXPECT_TRUE(session_.WaitLoaded(id, 10000, path));
        if (target != nullptr) {
            *target = id;
        }
        return session_.BrowserOf(id);
    }

    cdp::Json InPage(const std::string& target, const std::string& expression) {
        cdp::Json value;
        EXPECT_TRUE(session_.EvaluateInPage(target, expression, value)) << expression;
        return value;
    }

    ChromiumSession session_;
};

TEST_F(CdpPortTest, ConnectsThroughTheVersionEndpointToo) {
    cdp::CdpBrowserSystem second;
    std::string error;
    ASSERT_TRUE(second.ConnectPort(session_.chromium.Endpoint().port, error)) << error;
    auto shell = second.ConnectShellWindows();
    ASSERT_NE(nullptr, shell);
    int count = 0;
    EXPECT_TRUE(shell->Count(count));
    EXPECT_GE(count, 1);  // the start page
    cdp::CdpBrowserSystem nobody;
    EXPECT_FALSE(nobody.ConnectPort(1, error));
    EXPECT_EQ(nullptr, nobody.ConnectShellWindows());
}

TEST_F(CdpPortTest, DocumentAnswersUrlTitleBodyAndCollectionsInDocumentOrder) {
    std::string target;
    auto browser = Open("/ads.html", &target);
    ASSERT_NE(nullptr, browser);
    DocumentPtr doc = browser->GetDocument();
    ASSERT_NE(nullptr, doc);
    std::string url, title, html;
    ASSERT_TRUE(doc->Url(url));
    EXPECT_EQ(session_.server.Url("/ads.html"), url);
    ASSERT_TRUE(doc->Title(title));
    EXPECT_EQ("Daily News Page", title);  // the title as the document reports it
    ElementPtr body = doc->Body();
    ASSERT_NE(nullptr, body);
    ASSERT_TRUE(body->OuterHtml(html));
    EXPECT_EQ(0u, html.find("<body>"));
    EXPECT_NE(std::string::npos, html.find("/img/banner.gif"));

    const cdp::Json tags = InPage(target, "Array.from(document.all, e => e.tagName)");
    CollectionPtr all = doc->All();
    ASSERT_NE(nullptr, all);
    int n = 0;
    ASSERT_TRUE(all->Length(n));
    ASSERT_EQ(tags.size(), static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k) {
        ElementPtr e = all->Item(k);
        ASSERT_NE(nullptr, e);
        std::string tag;
        int index = -1;
        ASSERT_TRUE(e->TagName(tag));
        EXPECT_EQ(tags[static_cast<std::size_t>(k)].get<std::string>(), tag);
        ASSERT_TRUE(e->SourceIndex(index));
        EXPECT_EQ(k, index);
    }
    EXPECT_EQ(nullptr, all->Item(n));
    EXPECT_EQ(nullptr, all->Item(-1));

    // Tags keep document order and hand out the same elements as the collection.
    CollectionPtr images = doc->Tags("IMG");
    ASSERT_NE(nullptr, images);
    ASSERT_TRUE(images->Length(n));
    ASSERT_EQ(3, n);
    std::vector<std::string> sources;
    for (int j = 0; j < n; ++j) {
        ElementPtr img = images->Item(j);
        std::string src;
        ASSERT_TRUE(img->Src(src));
        sources.push_back(src);
        int index = -1;
        ASSERT_TRUE(img->SourceIndex(index));
        ElementPtr same = all->Item(index);
        ElementPtr before = all->Item(index - 1);
        ASSERT_NE(nullptr, same);
        ASSERT_NE(nullptr, before);
        EXPECT_EQ(img->Identity(), same->Identity());
        EXPECT_NE(img->Identity(), before->Identity());
    }
    EXPECT_EQ((std::vector<std::string>{"/img/banner.gif", "logo.png", "/img/banner.gif"}),
              sources);
    CollectionPtr none = doc->Tags("FRAME");
    ASSERT_TRUE(none->Length(n));
    EXPECT_EQ(0, n);
}

TEST_F(CdpPortTest, ElementPropertiesSizesAndPointLookup) {
    std::string target;
    auto browser = Open("/ads.html", &target);
    ASSERT_NE(nullptr, browser);
    DocumentPtr doc = browser->GetDocument();
    ASSERT_NE(nullptr, doc);
    auto byId = [&](const std::string& id) -> ElementPtr {
        const int index = InPage(target,
                                 "Array.prototype.indexOf.call(document.all, "
                                 "document.getElementById('" +
                                     id + "'))")
                              .get<int>();
        return doc->All()->Item(index);
    };
    ElementPtr banner = byId("banner");
    ASSERT_NE(nullptr, banner);
    int w = 0, h = 0;
    ASSERT_TRUE(banner->OffsetWidth(w));
    ASSERT_TRUE(banner->OffsetHeight(h));
    EXPECT_EQ(120, w);
    EXPECT_EQ(60, h);
    std::string text;
    EXPECT_FALSE(banner->CodeBase(text));  // not an OBJECT

    ElementPtr movie = byId("movie");
    ASSERT_TRUE(movie->CodeBase(text));
    EXPECT_EQ("http://cab.invalid/flash.cab", text);
    EXPECT_FALSE(movie->Src(text));
    ASSERT_TRUE(movie->InnerHtml(text));
    EXPECT_NE(std::string::npos, text.find("Movie.SWF"));
    EXPECT_EQ("movie.swf", ElementIdentity(*movie));
    EXPECT_EQ("/plugins/x.cab", ElementIdentity(*byId("bare")));
    EXPECT_EQ("/media/film.swf", ElementIdentity(*byId("film")));
    EXPECT_EQ("/frame.html", ElementIdentity(*byId("frame")));
    EXPECT_EQ("", ElementIdentity(*byId("box")));


    const cdp::Json box = InPage(target,
                                 "(() => { const r = document.getElementById('banner')"
                                 ".getBoundingClientRect(); return [r.left + 5, r.top + 5]; })()");
    ElementPtr hit = doc->ElementFromPoint(box[0].get<int>(), box[1].get<int>());
    ASSERT_NE(nullptr, hit);
    EXPECT_EQ(banner->Identity(), hit->Identity());
    EXPECT_EQ(nullptr, doc->ElementFromPoint(-50, -50));
}

TEST_F(CdpPortTest, HidingSetsDisplayNoneAndShowingClearsIt) {
    std::string target;
    auto browser = Open("/ads.html", &target);
    ASSERT_NE(nullptr, browser);
    DocumentPtr doc = browser->GetDocument();
    ElementPtr image = doc->Tags("IMG")->Item(0);
    ASSERT_NE(nullptr, image);
    std::string display;
    ASSERT_TRUE(image->StyleDisplay(display));
    EXPECT_EQ("", display);
    ASSERT_TRUE(HideElement(*image, true));
    EXPECT_EQ("none",
              InPage(target, "getComputedStyle(document.getElementById('banner')).display"));
    ASSERT_TRUE(HideElement(*image, false));
    EXPECT_EQ("inline",
              InPage(target, "getComputedStyle(document.getElementById('banner')).display"));
    ASSERT_TRUE(image->StyleDisplay(display));
    EXPECT_EQ("", display);
}

TEST_F(CdpPortTest, BatchedStepsEqualTheDefaultsInOneRoundTripEach) {
    std::string targetA, targetB;
    auto a = Open("/ads.html", &targetA);
    auto b = Open("/ads.html", &targetB);
    ASSERT_NE(nullptr, a);
    ASSERT_NE(nullptr, b);
    DocumentPtr docA = a->GetDocument();
    DocumentPtr docB = b->GetDocument();
    std::string warm;
    ASSERT_TRUE(docA->Title(warm));  // makes the world; not part of the count
    ASSERT_TRUE(docB->Title(warm));
    for (const char* tag : {"IMG", "OBJECT", "EMBED", "IFRAME", "FRAME"}) {
        std::vector<TaggedElement> batched, stepwise;
        const auto before = session_.system.RoundTrips();
        ASSERT_TRUE(docA->ScanTag(tag, batched));
        EXPECT_EQ(1u, session_.system.RoundTrips() - before) << tag;
        ASSERT_TRUE(docB->Document::ScanTag(tag, stepwise));
        ASSERT_EQ(stepwise.size(), batched.size()) << tag;
        for (std::size_t i = 0; i < batched.size(); ++i) {
            EXPECT_EQ(stepwise[i].ok, batched[i].ok);
            EXPECT_EQ(stepwise[i].sourceIndex, batched[i].sourceIndex);
            EXPECT_EQ(stepwise[i].identity, batched[i].identity);
        }
    }
    std::vector<TaggedElement> images;
    ASSERT_TRUE(docA->ScanTag("IMG", images));
    ASSERT_EQ(3u, images.size());
    std::vector<LocatedCheck> checks{{images[2].sourceIndex, "/img/banner.gif"},
                                     {images[1].sourceIndex, "/img/banner.gif"},
                                     {-1, "x"},
                                     {100000, "x"},
                                     {0, ""}};
    std::vector<CheckOutcome> batched, stepwise;
    const auto before = session_.system.RoundTrips();
    ASSERT_TRUE(docA->CheckAndHide(checks, batched));
    EXPECT_EQ(1u, session_.system.RoundTrips() - before);
    ASSERT_TRUE(docB->Document::CheckAndHide(checks, stepwise));
    EXPECT_EQ(stepwise, batched);
    EXPECT_EQ(CheckOutcome::kHidden, batched[0]);
    EXPECT_EQ(CheckOutcome::kMismatch, batched[1]);
    EXPECT_EQ(CheckOutcome::kNotObtained, batched[2]);
    EXPECT_EQ(CheckOutcome::kNotObtained, batched[3]);
    EXPECT_EQ(CheckOutcome::kHidden, batched[4]);  // HTML has the empty identity
    const std::string states =
        "Array.from(document.all, e => e.style ? e.style.display : '?').join(',')";
    EXPECT_EQ(InPage(targetB, states), InPage(targetA, states));
    EXPECT_EQ("none", InPage(targetA, "document.getElementById('banner2').style.display"));
    EXPECT_EQ("", InPage(targetA, "document.getElementById('banner').style.display"));
}

TEST_F(CdpPortTest, PageIdentityRulesEqualTheCoreRules) {
    for (const char* path : {"/identity.html", "/ads.html"}) {
        auto browser = Open(path);
        ASSERT_NE(nullptr, browser);
        auto doc = std::dynamic_pointer_cast<cdp::CdpDocument>(browser->GetDocument());
        ASSERT_NE(nullptr, doc);
        std::vector<cdp::IdentityParts> rows;
        ASSERT_TRUE(doc->IdentityPartsOfAll(rows));
        CollectionPtr all = doc->All();
        int n = 0;
        ASSERT_TRUE(all->Length(n));
        ASSERT_EQ(static_cast<std::size_t>(n), rows.size());
        int objects = 0;
        for (int k = 0; k < n; ++k) {
            const cdp::IdentityParts& row = rows[static_cast<std::size_t>(k)];
            const std::string core =
                ElementIdentityFromParts(row.tag, row.src, row.innerHtml, row.codeBase);
            EXPECT_EQ(core, row.pageIdentity) << path << " element " << k << " " << row.tag;
            EXPECT_EQ(ElementIdentity(*all->Item(k)), row.pageIdentity) << path << " " << k;
            objects += row.tag == "OBJECT" ? 1 : 0;
        }
        EXPECT_GT(objects, 1);
    }
}

TEST_F(CdpPortTest, NavigationEventsArriveOnlyThroughPumpInOrder) {
    std::string target;
    auto browser = Open("/frame.html", &target);
    ASSERT_NE(nullptr, browser);
    auto sink = std::make_shared<RecordingSink>();
    std::uint32_t cookie = 0;
    ASSERT_TRUE(browser->Advise(sink, cookie));
    session_.system.Pump();
    sink->events.clear();
    ASSERT_TRUE(session_.Navigate(target, "/ads.html"));
    ASSERT_TRUE(session_.WaitLoaded(target, 10000, "/ads.html"));
    // Events wait in the queue while we make calls.
    std::string url;
    ASSERT_TRUE(browser->GetDocument()->Url(url));
    EXPECT_TRUE(sink->events.empty());
    ASSERT_TRUE(session_.RunUntil(
        [&] {
            return sink->events.size() >= 4 && sink->events.back().first == kEventDocumentComplete;
        },
        [&] { session_.system.Pump(); }, 5000));
    const int start = sink->IndexOf(kEventBeforeNavigate);
    const int committed = sink->IndexOf(kEventNavigateComplete);
    ASSERT_GE(start, 0);
    ASSERT_GT(committed, start);
    // One completion for the inner frame and one for the page itself.
    const auto completions =
        std::count_if(sink->events.begin(), sink->events.end(),
                      [](const auto& e) { return e.first == kEventDocumentComplete; });
    EXPECT_GE(completions, 2);
    EXPECT_GT(static_cast<int>(sink->events.size()) - 1, committed);
    browser->Unadvise(cookie);
}

TEST_F(CdpPortTest, NewWindowReachesTheOpenerBeforeTheShellRegistersThePopup) {
    std::string target;
    auto opener = Open("/opener.html", &target);
    ASSERT_NE(nullptr, opener);
    auto shell = session_.system.ConnectShellWindows();
    auto shellSink = std::make_shared<RecordingSink>();
    auto openerSink = std::make_shared<RecordingSink>();
    std::uint32_t shellCookie = 0, openerCookie = 0;
    ASSERT_TRUE(shell->Advise(shellSink, shellCookie));
    ASSERT_TRUE(opener->Advise(openerSink, openerCookie));
    session_.system.Pump();
    shellSink->events.clear();
    openerSink->events.clear();
    // Both sinks record into one list to see the order across windows.
    struct Order : BrowserEventSink {
        std::vector<int>* order;
        int base;
        void OnBrowserEvent(int code, long) override { order->push_back(base + code); }
    };
    std::vector<int> order;
    auto o1 = std::make_shared<Order>();
    o1->order = &order;
    o1->base = 100;
    auto o2 = std::make_shared<Order>();
    o2->order = &order;
    o2->base = 200;
    std::uint32_t c1 = 0, c2 = 0;
    shell->Advise(o1, c1);
    opener->Advise(o2, c2);
    cdp::Json ignored;
    ASSERT_TRUE(session_.EvaluateInPage(target, "openAuto()", ignored)) << session_.lastError;
    int count = 0;
    ASSERT_TRUE(session_.RunUntil(
        [&] { return shell->Count(count) && count >= 3 && shellSink->Has(kEventWindowRegistered); },
        [&] { session_.system.Pump(); }, 10000));
    EXPECT_TRUE(openerSink->Has(kEventNewWindow));
    const auto newWindow = std::find(order.begin(), order.end(), 200 + kEventNewWindow);
    const auto registered = std::find(order.begin(), order.end(), 100 + kEventWindowRegistered);
    ASSERT_NE(order.end(), newWindow);
    ASSERT_NE(order.end(), registered);
    EXPECT_LT(newWindow - order.begin(), registered - order.begin());

    // The popup is popup-style; the window the test opened is not.
    BrowserPtr popup = shell->Item(count - 1);
    ASSERT_NE(nullptr, popup);
    bool popupStyle = false;
    ASSERT_TRUE(popup->IsPopupStyle(popupStyle));
    EXPECT_TRUE(popupStyle);
    ASSERT_TRUE(opener->IsPopupStyle(popupStyle));
    EXPECT_FALSE(popupStyle);
    WindowHandle top = 0;
    WindowHandle page = 0;
    ASSERT_TRUE(popup->Hwnd(top));
    ASSERT_TRUE(popup->PageWindow(page));
    EXPECT_NE(top, page);
}

TEST_F(CdpPortTest, QuitClosesTheWindowAndCallsOnItFailAfterwards) {
    std::string target;
    auto browser = Open("/ads.html", &target);
    ASSERT_NE(nullptr, browser);
    auto shell = session_.system.ConnectShellWindows();
    auto shellSink = std::make_shared<RecordingSink>();
    auto sink = std::make_shared<RecordingSink>();
    std::uint32_t cookie = 0, shellCookie = 0;
    ASSERT_TRUE(browser->Advise(sink, cookie));
    ASSERT_TRUE(shell->Advise(shellSink, shellCookie));
    DocumentPtr doc = browser->GetDocument();
    ElementPtr image = doc->Tags("IMG")->Item(0);
    ASSERT_NE(nullptr, image);
    WindowHandle top = 0;
    ASSERT_TRUE(browser->Hwnd(top));
    EXPECT_TRUE(session_.system.Desktop().IsWindow(top));

    ASSERT_TRUE(browser->Quit());
    ASSERT_TRUE(session_.RunUntil([&] { return sink->Has(kEventQuit); },
                                  [&] { session_.system.Pump(); }, 5000));
    EXPECT_TRUE(shellSink->Has(kEventWindowRevoked));
    std::string text;
    EXPECT_FALSE(doc->Url(text));
    EXPECT_FALSE(image->TagName(text));
    EXPECT_EQ(nullptr, doc->All());
    EXPECT_EQ(nullptr, browser->GetDocument());
    EXPECT_FALSE(browser->Quit());
    EXPECT_FALSE(browser->Hwnd(top));
    EXPECT_FALSE(session_.system.Desktop().IsWindow(top));
    std::vector<CheckOutcome> outcomes;
    EXPECT_FALSE(doc->CheckAndHide({{0, ""}}, outcomes));
    ASSERT_EQ(1u, outcomes.size());
    EXPECT_EQ(CheckOutcome::kNotObtained, outcomes[0]);
}

TEST_F(CdpPortTest, ElementsOfAnEarlierDocumentFailAfterNavigation) {
    std::string target;
    auto browser = Open("/ads.html", &target);
    ASSERT_NE(nullptr, browser);
    DocumentPtr doc = browser->GetDocument();
    ElementPtr image = doc->Tags("IMG")->Item(0);
    CollectionPtr all = doc->All();
    ASSERT_NE(nullptr, image);
    ASSERT_TRUE(session_.Navigate(target, "/ads2.html"));
    ASSERT_TRUE(session_.RunUntil(
        [&] {
            std::string url;
            return doc->Url(url) && url == session_.server.Url("/ads2.html") &&
                   session_.WaitLoaded(target, 100);
        },
        nullptr, 10000));
    std::string text;
    EXPECT_FALSE(image->Src(text));
    int n = 0;
    EXPECT_FALSE(all->Length(n));
    // The document object follows the window to its new page.
    ElementPtr fresh = doc->Tags("IMG")->Item(1);
    ASSERT_NE(nullptr, fresh);
    ASSERT_TRUE(fresh->Src(text));
    EXPECT_EQ("/img/banner.gif", text);
}

TEST_F(CdpPortTest, CallsOnADocumentStillLoadingFailUntilItIsParsed) {
    session_.server.AddSlowPage("/slow.html",
                                "<!DOCTYPE html><html><head><title>Slow</title></head><body>"
                                "<img src=\"/a.gif\">" +
                                    std::string(2048, ' '),
                                "<img src=\"/b.gif\"></body></html>", 2500);
    const std::string target = session_.OpenWindow("/slow.html");
    ASSERT_FALSE(target.empty());
    cdp::Json state;
    ASSERT_TRUE(session_.RunUntil(
        [&] {
            return session_.EvaluateInPage(target, "[document.readyState, location.pathname]",
                                           state) &&
                   state == cdp::Json::array({"loading", "/slow.html"});
        },
        nullptr, 5000));
    auto browser = session_.BrowserOf(target);
    ASSERT_NE(nullptr, browser);
    DocumentPtr doc = browser->GetDocument();
    ASSERT_NE(nullptr, doc);
    std::string url;
    EXPECT_FALSE(doc->Title(url));
    EXPECT_EQ(nullptr, doc->Body());
    // The address comes from the page's events, not from the page.
    ASSERT_TRUE(doc->Url(url));
    EXPECT_EQ(session_.server.Url("/slow.html"), url);
    std::vector<TaggedElement> scanned;
    EXPECT_FALSE(doc->ScanTag("IMG", scanned));
    bool popupStyle = true;
    EXPECT_TRUE(browser->IsPopupStyle(popupStyle));  // the window itself still answers

    ASSERT_TRUE(session_.WaitLoaded(target, 10000, "/slow.html"));
    ASSERT_TRUE(doc->Url(url));
    EXPECT_EQ(session_.server.Url("/slow.html"), url);
    ASSERT_TRUE(doc->ScanTag("IMG", scanned));
    EXPECT_EQ(2u, scanned.size());
}

TEST_F(CdpPortTest, APageTamperingWithItsOwnWorldCannotReachOurs) {
    std::string target;
    auto browser = Open("/hostile.html", &target);
    ASSERT_NE(nullptr, browser);
    ASSERT_EQ("spoofed", InPage(target, "document.images[0].getAttribute('src')"));
    DocumentPtr doc = browser->GetDocument();
    std::string url;
    ASSERT_TRUE(doc->Url(url));
    EXPECT_EQ(session_.server.Url("/hostile.html"), url);
    std::vector<TaggedElement> images;
    ASSERT_TRUE(doc->ScanTag("IMG", images));
    ASSERT_EQ(2u, images.size());
    EXPECT_EQ("/img/banner.gif", images[0].identity);
    EXPECT_EQ("/img/other.gif", images[1].identity);
    std::vector<CheckOutcome> outcomes;
    ASSERT_TRUE(doc->CheckAndHide({{images[0].sourceIndex, "/img/banner.gif"}}, outcomes));
    EXPECT_EQ(std::vector<CheckOutcome>{CheckOutcome::kHidden}, outcomes);
    EXPECT_EQ("none", InPage(target, "document.getElementById('ad').style.display"));
}

TEST_F(CdpPortTest, AStuckPageFailsFastAfterOneTimeOutAndAnswersAgainLater) {
    std::string target;
    auto browser = Open("/frame.html", &target);
    ASSERT_NE(nullptr, browser);
    DocumentPtr doc = browser->GetDocument();
    std::string url;
    // Makes the world (a busy machine may need a second try).
    ASSERT_TRUE(session_.RunUntil([&] { return doc->Title(url); }, nullptr, 15000));
    browser->Page()->SetPatience(400, 1500);
    // The page's main thread is busy for 2.5 s.
    InPage(target,
           "setTimeout(() => { const t = Date.now(); while (Date.now() - t < 2500) {} }, 0), 1");
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    using Clock = std::chrono::steady_clock;
    auto start = Clock::now();
    std::string title;
    EXPECT_FALSE(doc->Title(title));
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(2000));
    start = Clock::now();
    EXPECT_EQ(nullptr, doc->Body());
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(100));  // no second wait
    // The address needs no call of the page: it is there while the page is stuck.
    start = Clock::now();
    ASSERT_TRUE(doc->Url(url));
    EXPECT_EQ(session_.server.Url("/frame.html"), url);
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(100));
    std::this_thread::sleep_for(std::chrono::milliseconds(2800));
    ASSERT_TRUE(doc->Title(title));
}

TEST_F(CdpPortTest, SinksAreNeverCalledReentrantly) {
    std::string target;
    auto browser = Open("/frame.html", &target);
    ASSERT_NE(nullptr, browser);
    struct Nested : BrowserEventSink {
        cdp::CdpBrowserSystem* system;
        int calls = 0;
        int nestedDelivered = 0;
        void OnBrowserEvent(int, long) override {
            ++calls;
            nestedDelivered += system->Pump();
        }
    };
    auto sink = std::make_shared<Nested>();
    sink->system = &session_.system;
    std::uint32_t cookie = 0;
    ASSERT_TRUE(browser->Advise(sink, cookie));
    ASSERT_TRUE(session_.Navigate(target, "/ads2.html"));
    ASSERT_TRUE(session_.RunUntil([&] { return sink->calls >= 3; }, [&] { session_.system.Pump(); },
                                  10000));
    EXPECT_EQ(0, sink->nestedDelivered);
}

}  // namespace
}  // namespace qm::cdptest
