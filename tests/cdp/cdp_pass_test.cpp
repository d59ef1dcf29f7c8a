// The examination pass done in the page against the same pass done step by
// step (the port's default, over the fine-grained calls and the batched
// steps), on random pages opened twice; a check of a page that has not
// changed answered without asking it, and asked again after each kind of
// change; and an element past what the 16-bit hint holds, found by name and
// hidden.
#include "tests/cdp/cdp_core_fixture.h"

#include <random>

#include "browser/cdp/cdp_dom.h"

namespace qm::cdptest {
namespace {

const char* const kSources[] = {"http://ads.example.com/a/one.gif", "two.gif",
                                "http://x.example.com/one.gif",     "frame.htm",
                                "http://ads.example.com/e/film.swf", ""};
const char* const kTags[] = {"img", "embed", "iframe", "object", "p", "div", "span"};

// Tampers with what a script of the page's own world would use.
const char* const kTamper =
    "<script>Document.prototype.getElementsByTagName = function () { return []; };"
    "Array.prototype.map = function () { return []; };"
    "String.prototype.indexOf = function () { return -1; };"
    "Map.prototype.get = function () { return 0; };"
    "Object.defineProperty(Element.prototype, 'outerHTML', { get() { return ''; } });"
    "window.__qm = function () { return [1, 'spoofed']; };</script>";

std::string RandomPage(std::mt19937& random, bool tamper) {
    std::string body;
    const int count = 5 + static_cast<int>(random() % 30);
    for (int i = 0; i < count; ++i) {
        const std::string tag = kTags[random() % 7];
        const std::string src = kSources[random() % 6];
        const std::string hidden = random() % 6 == 0 ? " style=\"display:none\"" : "";
        const std::string id = " id=e" + std::to_string(i);
        if (tag == "object") {
            body += random() % 2 ? "<object" + id + hidden + " codebase=\"" + src +
                                       "\"><param name=m value=\"x.swf\"></object>"
                                 : "<object" + id + hidden + "><param name=m value=\"" + src +
                                       "\"></object>";
        } else if (tag == "p" || tag == "div" || tag == "span") {
            body += "<" + tag + id + hidden + ">" + src + "</" + tag + ">";
        } else if (tag == "iframe") {
            body += "<iframe" + id + hidden + " src=\"" + src + "\"></iframe>";
        } else {
            body += "<" + tag + id + hidden + " src=\"" + src + "\">";
        }
    }
    const std::string title = random() % 2 ? "Win a prize" : "Home";
    return "<!DOCTYPE html><html><head><title>" + title + "</title>" +
           (tamper ? std::string(kTamper) : std::string()) + "</head><body>" + body +
           "</body></html>";
}

PassRequest RandomRequest(std::mt19937& random, int elements, const std::string& url) {
    static const char* const types[] = {"IMG", "OBJECT", "EMBED", "IFRAME", "POPUP", "NO_POPUP"};
    static const char* const names[] = {"http://ads.example.com/a/one.gif",
                                        "two.gif",
                                        "film.swf",
                                        "frame.htm",
                                        "x.swf",
                                        "Winaprize",
                                        "missing.gif",
                                        ""};
    PassRequest request;
    request.search = random() % 4 != 0;
    const int count = 1 + static_cast<int>(random() % 14);
    for (int i = 0; i < count; ++i) {
        const std::string type = types[random() % 6];
        const std::string name = names[random() % 8];
        if (type == "POPUP" && random() % 3 == 0) {
            request.popups.push_back(PassRequest::Popup{
                i, static_cast<int>(random() % 6) - 1,
                random() % 2 ? url : std::string("http://other.example.com/"), name});
        } else if (type != "POPUP" && type != "NO_POPUP" && random() % 2 == 0) {
            const int pick = static_cast<int>(random() % 4);
            const int index = pick == 0   ? elements + 3
                              : pick == 1 ? 40000
                                          : static_cast<int>(random() % elements);
            request.checks.push_back(PassRequest::Check{i, index, name});
        }
        const std::size_t slash = name.find_last_of('/');
        request.listed.push_back(PassRequest::Listed{
            type, name, slash == std::string::npos ? name : name.substr(slash + 1)});
        request.statuses.push_back(static_cast<int>(random() % 3));
    }
    request.listKey = "k" + std::to_string(random());
    return request;
}

class CdpPassTest : public CdpCoreTest {
protected:
    std::string InPage(const std::string& target, const std::string& expression) {
        cdp::Json value;
        return session_.EvaluateInPage(target, expression, value) ? value.dump() : "?";
    }
};

TEST_F(CdpPassTest, PassInThePageEqualsTheStepByStepPassOnRandomPages) {
    std::mt19937 random(20261208);
    // How often each kind of answer came, so that no kind goes untested.
    int hidden = 0, mismatched = 0, candidates = 0, located = 0, settled = 0, popups = 0;
    const std::string states = "Array.from(document.all, e => e.style.display).join(',')";
    for (int trial = 0; trial < 16; ++trial) {
        SCOPED_TRACE(trial);
        const std::string path = "/random" + std::to_string(trial) + ".html";
        session_.server.AddPage(path, RandomPage(random, trial % 2 == 1));
        const std::string targetA = session_.OpenWindow(path);
        const std::string targetB = session_.OpenWindow(path);
        ASSERT_TRUE(session_.WaitLoaded(targetA, 10000, path));
        ASSERT_TRUE(session_.WaitLoaded(targetB, 10000, path));
        auto a = session_.BrowserOf(targetA);
        auto b = session_.BrowserOf(targetB);
        ASSERT_TRUE(a && b);
        // Equal answers are compared, not waits: a loaded machine may take
        // longer than a call normally waits.
        a->Page()->SetPatience(3000, 10000);
        b->Page()->SetPatience(3000, 10000);
        DocumentPtr stepwiseDocument = a->GetDocument();
        DocumentPtr inPageDocument = b->GetDocument();
        ASSERT_TRUE(stepwiseDocument && inPageDocument);
        CollectionPtr all = inPageDocument->All();
        int elements = 0;
        ASSERT_TRUE(all && all->Length(elements));
        // Twice on the same document: the list is sent once, then kept.
        for (int round = 0; round < 2; ++round) {
            const PassRequest request = RandomRequest(random, elements, session_.server.Url(path));
            PassResult stepwise, inPage;
            ASSERT_TRUE(stepwiseDocument->Document::RunPass(request, stepwise));
            const auto before = session_.system.RoundTrips();
            ASSERT_TRUE(inPageDocument->RunPass(request, inPage));
            EXPECT_EQ(1u, session_.system.RoundTrips() - before);
            EXPECT_TRUE(inPage.examined);
            EXPECT_EQ(stepwise.examined, inPage.examined);
            EXPECT_EQ(stepwise.url, inPage.url);
            EXPECT_EQ(stepwise.title, inPage.title);
            EXPECT_EQ(stepwise.popupAt, inPage.popupAt);
            EXPECT_EQ(stepwise.outcomes, inPage.outcomes);
            EXPECT_EQ(stepwise.bodyFound, inPage.bodyFound);
            EXPECT_EQ(stepwise.candidates, inPage.candidates);
            EXPECT_EQ(stepwise.located, inPage.located);
            EXPECT_TRUE(stepwise.settled == inPage.settled);
            EXPECT_EQ(InPage(targetA, states), InPage(targetB, states));
            for (CheckOutcome outcome : inPage.outcomes) {
                hidden += outcome == CheckOutcome::kHidden ? 1 : 0;
                mismatched += outcome == CheckOutcome::kMismatch ? 1 : 0;
            }
            candidates += static_cast<int>(inPage.candidates.size());
            located += static_cast<int>(inPage.located.size());
            settled += static_cast<int>(inPage.settled.size());
            popups += inPage.popupAt >= 0 ? 1 : 0;
        }
        CloseAll(path);
    }
    EXPECT_GT(hidden, 0);
    EXPECT_GT(mismatched, 0);
    EXPECT_GT(candidates, 0);
    EXPECT_GT(located, 0);
    EXPECT_GT(settled, 0);
    EXPECT_GT(popups, 0);
}

// A check is answered from what the page answered last while the page has
// not changed: no round trip. Each kind of change that can alter the answer
// makes the next check go to the page, with the right outcome; the one
// after it is answered without asking again.
TEST_F(CdpPassTest, UnchangedPageIsNotAskedAndEveryKindOfChangeIs) {
    // Elements: html 0, head 1, title 2, body 3, p 4, img 5, object 6, param 7.
    session_.server.AddPage(
        "/changes.html",
        "<!DOCTYPE html><html><head><title>Changes</title></head><body><p>text</p>"
        "<img id=\"ad\" src=\"/img/ad.gif\"><object id=\"obj\"><param id=\"prm\" "
        "name=\"movie\" value=\"/f/film.swf\"></object></body></html>");
    session_.server.AddPage("/other.html",
                            "<!DOCTYPE html><html><head><title>Other</title></head><body>"
                            "<img src=\"/img/ad.gif\"></body></html>");
    PassRequest request;
    request.checks = {PassRequest::Check{0, 5, "/img/ad.gif"}, PassRequest::Check{1, 6, "film.swf"}};
    request.popups = {PassRequest::Popup{2, 1, "", "Win"}};
    constexpr auto H = CheckOutcome::kHidden;
    constexpr auto M = CheckOutcome::kMismatch;
    constexpr auto N = CheckOutcome::kNotObtained;
    struct Change {
        const char* what;
        const char* script;      // run by the page
        const char* loads;       // the page it loads, if any
        std::vector<CheckOutcome> outcomes;
        const char* url;         // ends the address
        const char* title;
        int popupAt;
        const char* adDisplay;   // of #ad afterwards, if any
    };
    const Change changes[] = {
        {"an element re-created",
         "const b = document.createElement('img'); b.id = 'ad'; b.src = '/img/ad.gif';"
         "document.getElementById('ad').replaceWith(b)",
         nullptr, {H, H}, "/changes.html", "Changes", -1, "none"},
        {"an attribute changed", "document.getElementById('ad').src = '/img/other.gif'", nullptr,
         {M, H}, "/changes.html", "Changes", -1, "none"},
        {"an element inserted before",
         "document.body.insertBefore(document.createElement('i'), document.body.firstChild)",
         nullptr, {M, M}, "/changes.html", "Changes", -1, "none"},
        {"inside an object", "document.getElementById('prm').setAttribute('value', '/f/x.swf')",
         nullptr, {H, M}, "/changes.html", "Changes", -1, "none"},
        {"the text of the title", "document.querySelector('title').firstChild.data = 'Win'",
         nullptr, {H, H}, "/changes.html", "Win", 2, "none"},
        {"history.pushState", "history.pushState(null, '', '/pushed.html')", nullptr, {H, H},
         "/pushed.html", "Changes", -1, "none"},
        {"a fragment", "location.hash = 'here'", nullptr, {H, H}, "/changes.html#here", "Changes",
         -1, "none"},
        {"a reload", "location.reload()", "/changes.html", {H, H}, "/changes.html", "Changes", -1,
         "none"},
        {"a navigation", "location.href = '/other.html'", "/other.html", {N, N}, "/other.html",
         "Other", -1, nullptr},
    };
    auto check = [&](const DocumentPtr& document, PassResult& result) {
        const auto before = session_.system.RoundTrips();
        EXPECT_TRUE(document->RunPass(request, result));
        return session_.system.RoundTrips() - before;
    };
    for (const Change& change : changes) {
        SCOPED_TRACE(change.what);
        const std::string target = session_.OpenWindow("/changes.html");
        ASSERT_TRUE(session_.WaitLoaded(target, 10000, "/changes.html"));
        auto browser = session_.BrowserOf(target);
        ASSERT_TRUE(browser);
        browser->Page()->SetPatience(3000, 10000);
        DocumentPtr document = browser->GetDocument();
        ASSERT_TRUE(document);
        PassResult first, again, changed, kept;
        EXPECT_EQ(1u, check(document, first));
        EXPECT_EQ(0u, check(document, again));
        EXPECT_EQ((std::vector<CheckOutcome>{H, H}), again.outcomes);
        EXPECT_EQ(first.url, again.url);
        EXPECT_EQ("none", Display(target, "ad"));

        cdp::Json value;
        // A global of the page's own world (no change of its document) tells
        // the new document from the old one.
        ASSERT_TRUE(session_.EvaluateInPage(target, "window.old = 1", value));
        ASSERT_TRUE(session_.EvaluateInPage(target, change.script, value)) << session_.lastError;
        if (change.loads != nullptr) {
            ASSERT_TRUE(session_.RunUntil(
                [&] {
                    return session_.EvaluateInPage(target, "window.old === undefined", value) &&
                           value == true;
                },
                [] { std::this_thread::sleep_for(std::chrono::milliseconds(10)); }, 10000));
            ASSERT_TRUE(session_.WaitLoaded(target, 10000, change.loads));
        }
        // The page's report (or the navigation's event) comes on its own.
        // (Nothing is delivered to the trackers: only these checks ask the page.)
        ASSERT_TRUE(session_.RunUntil(
            [&] { return !browser->Page()->Kept()->Holds(); },
            [] { std::this_thread::sleep_for(std::chrono::milliseconds(5)); }, 5000));
        EXPECT_EQ(1u, check(document, changed));
        EXPECT_EQ(change.outcomes, changed.outcomes);
        EXPECT_EQ(change.popupAt, changed.popupAt);
        EXPECT_EQ(change.title, changed.title);
        EXPECT_EQ(session_.server.Url(change.url), changed.url);
        if (change.adDisplay != nullptr) {
            EXPECT_EQ(change.adDisplay, Display(target, "ad"));
        }
        EXPECT_EQ(0u, check(document, kept));
        EXPECT_EQ(changed.outcomes, kept.outcomes);
        EXPECT_EQ(changed.url, kept.url);
        EXPECT_EQ(changed.title, kept.title);
        CloseAll(change.loads != nullptr ? change.loads : "/changes.html");
        CloseAll(change.url);
    }
}

// An advert past position 32,767 of a big page: its filter keeps "no hint"
// and the element is found by name, hidden, and shown again on restore.
TEST_F(CdpPassTest, ElementPastTheHintRangeIsFoundByNameAndHidden) {
    std::string html = "<!DOCTYPE html><html><head><title>Far</title></head><body>";
    for (int i = 0; i < 33000; ++i) {
        html += "<i></i>";
    }
    html += "<img id=\"ad\" src=\"/img/far.gif\"><img id=\"near\" src=\"/img/near.gif\"></body></html>";
    session_.server.AddPage("/far.html", html);
    const std::string url = session_.server.Url("/far.html");
    FilterRecord record = Filter("IMG", "/img/far.gif", kScopePage, -1);
    ASSERT_EQ(1, store_.AddFilter(url, record));
    const std::string target = session_.OpenWindow("/far.html");
    ASSERT_TRUE(session_.WaitLoaded(target, 20000, "/far.html"));
    BrowserTracker* tracker = nullptr;
    ASSERT_TRUE(DeliverUntil(
        [&] {
            table_.OnTick();  // a completion answered late is taken by a tick
            tracker = TrackerShowing("/far.html");
            return tracker != nullptr && tracker->filterCount == 1 &&
                   tracker->LocatedIndex(tracker->filters[0]) > 32767;
        },
        20000));
    EXPECT_EQ(-1, tracker->filters[0].nHint);
    session_.system.SetForeground(tracker->browserWindow);
    ASSERT_TRUE(DeliverUntil([&] {
        table_.OnTick();
        return tracker->filters[0].nStatus == kStatusHit;
    }));
    EXPECT_EQ("none", Display(target, "ad"));
    EXPECT_EQ("", Display(target, "near"));
    EXPECT_EQ(-1, tracker->filters[0].nHint);

    ASSERT_EQ(1, store_.RestoreFilter(GetHostFileName(url), 0));
    EXPECT_EQ(0, tracker->filterCount);
    EXPECT_EQ("", Display(target, "ad"));
}

}  // namespace
}  // namespace qm::cdptest
