// The tracker's batched steps (one ScanTag per scanned tag, one CheckAndHide
// per check) give exactly what the step-by-step algorithm gives, both on a
// document that keeps the port's fine-grained defaults and on the simulated
// document itself.
#include <gtest/gtest.h>

#include <random>

#include "browser/element_identity.h"
#include "browser/popup_rules.h"
#include "tests/browser/tracker_fixture.h"

namespace qm::test {
namespace {

// Forwards only the fine-grained calls, so the batched steps are the defaults.
class FineGrainedDocument : public Document {
public:
    explicit FineGrainedDocument(DocumentPtr inner) : inner_(std::move(inner)) {}
    bool Url(std::string& out) override { return inner_->Url(out); }
    bool Title(std::string& out) override { return inner_->Title(out); }
    ElementPtr Body() override { return inner_->Body(); }
    CollectionPtr All() override { return inner_->All(); }
    CollectionPtr Tags(const std::string& tag) override { return inner_->Tags(tag); }
    ElementPtr ElementFromPoint(int x, int y) override { return inner_->ElementFromPoint(x, y); }

private:
    DocumentPtr inner_;
};

// The step-by-step algorithm, written out call by call.
struct Reference {
    Document& document;
    std::vector<WorkingFilter>& list;
    std::uint32_t now;
    bool quit = false;

    void CheckFilters() {
        CollectionPtr all = document.All();
        int n = 0;
        if (!all || !all->Length(n)) {
            return;
        }
        WindowText window;
        window.urlRead = document.Url(window.url);
        window.titleRead = document.Title(window.title);
        for (WorkingFilter& f : list) {
            if (f.sType == "POPUP") {
                if (PopupFilterMatches(f, window)) {
                    f.nStatus = kStatusHit;
                    f.tLastHit = now;
                    quit = true;
                    return;
                }
                continue;
            }
            if (f.sType == "NO_POPUP") {
                continue;
            }
            const int k = f.nHint;
            if (k < 0 || k >= n) {
                continue;
            }
            ElementPtr element = all->Item(k);
            if (!element) {
                continue;
            }
            if (ElementIdentity(*element) == f.sName) {
                f.nStatus = kStatusHit;
                f.tLastHit = now;
                HideElement(*element, true);
            } else {
                f.nStatus = kStatusIdle;
            }
        }
    }

    void ResolveIndexes(const std::string& tag) {
        bool any = false;
        for (const WorkingFilter& f : list) {
            any = any || (f.nStatus == kStatusCandidate && f.sType == tag);
        }
        if (!any) {
            return;
        }
        CollectionPtr tagged = document.Tags(tag);
        int n = 0;
        if (!tagged || !tagged->Length(n)) {
            return;
        }
        for (int j = 0; j < n; ++j) {
            ElementPtr element = tagged->Item(j);
            if (!element) {
                continue;
            }
            const std::string identity = ElementIdentity(*element);
            for (WorkingFilter& f : list) {
                if (f.sName == identity && f.sType == tag) {
                    int index = -1;
                    if (element->SourceIndex(index) && index >= 0 && index <= 32767) {
                        f.nHint = static_cast<std::int16_t>(index);
                    }
                    break;
                }
            }
        }
    }

    void DocumentComplete() {
        CheckFilters();
        ElementPtr body = document.Body();
        std::string source;
        if (!body || !body->OuterHtml(source)) {
            return;
        }
        for (WorkingFilter& f : list) {
            if (f.nStatus == kStatusIdle &&
                source.find(GetLastPathPart(f.sName)) != std::string::npos) {
                f.nStatus = kStatusCandidate;
            }
        }
        for (const char* tag : {"IMG", "OBJECT", "EMBED", "IFRAME"}) {
            ResolveIndexes(tag);
        }
    }
};

const char* const kSources[] = {"http://ads.example.com/a/one.gif",  "two.gif",
                                "http://x.example.com/one.gif",      "frame.htm",
                                "http://ads.example.com/e/film.swf", ""};
const char* const kTags[] = {"img", "embed", "iframe", "frame", "object", "p", "div"};

std::string RandomPage(std::mt19937& random) {
    std::string body;
    const int count = 5 + static_cast<int>(random() % 30);
    for (int i = 0; i < count; ++i) {
        const std::string tag = kTags[random() % 7];
        const std::string src = kSources[random() % 6];
        const std::string hidden = random() % 6 == 0 ? " style=\"display:none\"" : "";
        const std::string id = " id=e" + std::to_string(i);
        if (tag == "object") {
            if (random() % 2) {
                body += "<object" + id + hidden + " codebase=\"" + src +
                        "\"><param name=m value=\"x.swf\"></object>";
            } else {
                body += "<object" + id + hidden + "><param name=m value=\"" + src + "\"></object>";
            }
        } else if (tag == "p" || tag == "div") {
            body += "<" + tag + id + hidden + ">" + src + "</" + tag + ">";
        } else if (tag == "iframe" || tag == "frame") {
            body += "<" + tag + id + hidden + " src=\"" + src + "\"></" + tag + ">";
        } else {
            body += "<" + tag + id + hidden + " src=\"" + src + "\">";
        }
    }
    return Page(random() % 2 ? "Win a prize" : "Home", body);
}

std::vector<WorkingFilter> RandomFilters(std::mt19937& random, int elementCount,
                                         const std::string& url) {
    static const char* const types[] = {"IMG",   "OBJECT", "EMBED",   "IFRAME",
                                        "FRAME", "POPUP",  "NO_POPUP"};
    static const char* const names[] = {"http://ads.example.com/a/one.gif",
                                        "two.gif",
                                        "film.swf",
                                        "frame.htm",
                                        "x.swf",
                                        "Winaprize",
                                        "missing.gif",
                                        ""};
    std::vector<WorkingFilter> list(1 + random() % 12);
    for (WorkingFilter& f : list) {
        f.sType = types[random() % 7];
        f.sName = names[random() % 8];
        f.sHtml = random() % 2 ? url : std::string("http://other.example.com/");
        if (f.sType == "POPUP") {
            f.nHint = static_cast<std::int16_t>(static_cast<int>(random() % 6) - 1);
        } else {
            const int pick = static_cast<int>(random() % 4);
            f.nHint =
                static_cast<std::int16_t>(pick == 0   ? -1
                                          : pick == 1 ? elementCount + 3
                                                      : static_cast<int>(random() % elementCount));
        }
        f.nScope = static_cast<std::int8_t>(random() % 3);
    }
    return list;
}

std::vector<std::string> Displays(Document& document) {
    std::vector<std::string> out;
    CollectionPtr all = document.All();
    int n = 0;
    if (!all || !all->Length(n)) {
        return out;
    }
    for (int i = 0; i < n; ++i) {
        std::string display = "?";
        if (ElementPtr e = all->Item(i)) {
            e->StyleDisplay(display);
        }
        out.push_back(display);
    }
    return out;
}

void ExpectSameFilters(const BrowserTracker& tracker, const std::vector<WorkingFilter>& expected,
                       const std::string& what) {
    ASSERT_EQ(tracker.filterCount, static_cast<int>(expected.size())) << what;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const WorkingFilter& got = tracker.filters[i];
        EXPECT_EQ(got.nStatus, expected[i].nStatus) << what << " filter " << i;
        EXPECT_EQ(got.nHint, expected[i].nHint) << what << " filter " << i;
        EXPECT_EQ(got.tLastHit, expected[i].tLastHit) << what << " filter " << i;
    }
}

TEST_F(TrackerTest, BatchedStepsEqualTheStepByStepAlgorithm) {
    std::mt19937 random(20261207);
    const std::string url = "http://pop.example.net/p.htm";
    for (int round = 0; round < 150; ++round) {
        const std::string html = RandomPage(random);
        auto batchedOwn = OpenPage({0, 0, 400, 300}, url, html);
        auto batchedDefault = OpenPage({400, 0, 800, 300}, url, html);
        auto referenceDocument = std::make_shared<sim::SimDocument>(url, html);
        int elementCount = 0;
        referenceDocument->All()->Length(elementCount);
        const std::vector<WorkingFilter> initial = RandomFilters(random, elementCount, url);

        std::vector<WorkingFilter> expected = initial;
        Reference reference{*referenceDocument, expected, clock_.Now()};
        reference.DocumentComplete();
        if (!reference.quit) {
            reference.CheckFilters();  // the next check of the foreground window
        }

        for (auto* browser : {batchedOwn.get(), batchedDefault.get()}) {
            BrowserTracker* tracker = TrackerOf(*browser);
            ASSERT_NE(tracker, nullptr);
            if (browser == batchedDefault.get()) {
                tracker->document = std::make_shared<FineGrainedDocument>(browser->Document());
            }
            tracker->reloadPending = false;
            tracker->filterCount = static_cast<int>(initial.size());
            std::copy(initial.begin(), initial.end(), tracker->filters.begin());
            tracker->Apply(kApplyDocumentComplete);
            if (!browser->IsClosed()) {
                desktop_.SetForegroundWindow(browser->TopWindow());
                tracker->Apply(kApplyTick);
            }
            const std::string what = "round " + std::to_string(round) +
                                     (browser == batchedDefault.get() ? " defaults" : " own");
            ExpectSameFilters(*tracker, expected, what);
            EXPECT_EQ(browser->IsClosed(), reference.quit) << what;
            EXPECT_EQ(Displays(*browser->Document()), Displays(*referenceDocument)) << what;
        }
        for (auto* browser : {batchedOwn.get(), batchedDefault.get()}) {
            if (!browser->IsClosed()) {
                browser->Close();
            }
        }
        queue_.Drain(table_);
        ASSERT_EQ(table_.Count(), 0);
        if (HasFailure()) {
            break;
        }
    }
}

}  // namespace
}  // namespace qm::test
