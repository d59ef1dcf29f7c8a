// The simulated document through the browser port.
#include <gtest/gtest.h>

#include "browser/element_identity.h"
#include "testing/sim/sim_document.h"

namespace qm::sim {
namespace {

constexpr const char* kPage =
    "<html><head><title>Shop</title></head><body>"
    "<div id=top data-box='0 0 800 100'>"
    "<img id=ad1 src='http://ads.example/ad1.gif' data-box='10 10 200 50'>"
    "<img id=logo src=logo.png data-box='300 10 100 50'>"
    "</div>"
    "<object id=flash codebase='http://x.example/cab' data-box='0 200 300 250'>"
    "<param name=movie value='http://ads.example/films/banner.swf'></object>"
    "<embed id=emb src=film.swf data-box='400 200 100 100'>"
    "<iframe id=frm src='http://ads.example/frame.html' data-box='500 300 200 200'></iframe>"
    "<p id=text>plain</p>"
    "</body></html>";

std::vector<std::string> TagsOf(Document& doc) {
    std::vector<std::string> out;
    CollectionPtr all = doc.All();
    int n = 0;
    if (!all || !all->Length(n)) {
        return out;
    }
    for (int i = 0; i < n; ++i) {
        std::string tag;
        all->Item(i)->TagName(tag);
        out.push_back(tag);
    }
    return out;
}

std::string Attr(ElementPtr e, const std::string& what) {
    std::string out;
    if (what == "outer") {
        e->OuterHtml(out);
    } else if (what == "inner") {
        e->InnerHtml(out);
    } else if (what == "display") {
        e->StyleDisplay(out);
    } else if (what == "src") {
        e->Src(out);
    }
    return out;
}

TEST(SimDocument, AllElementsInDocumentOrderWithSourceIndexes) {
    SimDocument doc("http://shop.example/", kPage);
    const std::vector<std::string> expected = {"HTML", "HEAD",   "TITLE", "BODY",  "DIV",    "IMG",
                                               "IMG",  "OBJECT", "PARAM", "EMBED", "IFRAME", "P"};
    EXPECT_EQ(TagsOf(doc), expected);
    CollectionPtr all = doc.All();
    for (int i = 0; i < static_cast<int>(expected.size()); ++i) {
        int index = -1;
        ASSERT_TRUE(all->Item(i)->SourceIndex(index));
        EXPECT_EQ(index, i);
    }
    EXPECT_EQ(all->Item(-1), nullptr);
    EXPECT_EQ(all->Item(static_cast<int>(expected.size())), nullptr);
}

TEST(SimDocument, UrlTitleAndBody) {
    SimDocument doc("http://shop.example/a", kPage);
    std::string s;
    ASSERT_TRUE(doc.Url(s));
    EXPECT_EQ(s, "http://shop.example/a");
    ASSERT_TRUE(doc.Title(s));
    EXPECT_EQ(s, "Shop");
    SimDocument titled("u", kPage, "Given");
    ASSERT_TRUE(titled.Title(s));
    EXPECT_EQ(s, "Given");
    ElementPtr body = doc.Body();
    ASSERT_TRUE(body);
    ASSERT_TRUE(body->TagName(s));
    EXPECT_EQ(s, "BODY");
    ASSERT_TRUE(body->OuterHtml(s));
    EXPECT_EQ(s.rfind("<BODY>", 0), 0u);
    EXPECT_NE(s.find("banner.swf"), std::string::npos);
}

TEST(SimDocument, TagsKeepDocumentOrderAndIgnoreCase) {
    SimDocument doc("u", kPage);
    CollectionPtr images = doc.Tags("img");
    int n = 0;
    ASSERT_TRUE(images && images->Length(n));
    ASSERT_EQ(n, 2);
    EXPECT_EQ(Attr(images->Item(0), "src"), "http://ads.example/ad1.gif");
    EXPECT_EQ(Attr(images->Item(1), "src"), "logo.png");
    CollectionPtr viaImages = doc.Images();
    ASSERT_TRUE(viaImages && viaImages->Length(n));
    EXPECT_EQ(n, 2);
    EXPECT_EQ(viaImages->Item(1)->Identity(), images->Item(1)->Identity());
    CollectionPtr none = doc.Tags("FRAME");
    ASSERT_TRUE(none && none->Length(n));
    EXPECT_EQ(n, 0);
}

TEST(SimDocument, SameElementSameIdentityAcrossWrappers) {
    SimDocument doc("u", kPage);
    ElementPtr a = doc.All()->Item(5);
    ElementPtr b = doc.Tags("IMG")->Item(0);
    ElementPtr c = doc.ElementById("ad1");
    EXPECT_NE(a.get(), b.get());
    EXPECT_EQ(a->Identity(), b->Identity());
    EXPECT_EQ(a->Identity(), c->Identity());
    EXPECT_NE(a->Identity(), doc.All()->Item(6)->Identity());
}

TEST(SimDocument, SrcAndCodeBaseByTag) {
    SimDocument doc("u", kPage);
    std::string s;
    EXPECT_TRUE(doc.ElementById("emb")->Src(s));
    EXPECT_EQ(s, "film.swf");
    EXPECT_TRUE(doc.ElementById("frm")->Src(s));
    EXPECT_EQ(s, "http://ads.example/frame.html");
    EXPECT_FALSE(doc.ElementById("text")->Src(s));
    EXPECT_FALSE(doc.ElementById("flash")->Src(s));
    EXPECT_TRUE(doc.ElementById("flash")->CodeBase(s));
    EXPECT_EQ(s, "http://x.example/cab");
    EXPECT_FALSE(doc.ElementById("ad1")->CodeBase(s));
    auto logo = doc.ElementById("logo");
    EXPECT_TRUE(logo->SetSrc("new.png"));
    EXPECT_EQ(Attr(logo, "src"), "new.png");
    EXPECT_FALSE(doc.ElementById("emb")->SetSrc("x"));
}

TEST(SimDocument, IdentitiesFollowTheElementRules) {
    SimDocument doc("u", kPage);
    EXPECT_EQ(ElementIdentity(*doc.ElementById("ad1")), "http://ads.example/ad1.gif");
    EXPECT_EQ(ElementIdentity(*doc.ElementById("flash")), "banner.swf");
    EXPECT_EQ(ElementIdentity(*doc.ElementById("text")), "");
    SimDocument noSwf("u", "<object codebase=cb.cab><param value=nothing></object>");
    EXPECT_EQ(ElementIdentity(*noSwf.FirstByTag("OBJECT")), "cb.cab");
}

TEST(SimDocument, InnerAndOuterHtml) {
    SimDocument doc("u", kPage);
    ElementPtr flash = doc.ElementById("flash");
    EXPECT_EQ(Attr(flash, "inner"),
              "<PARAM name=\"movie\" value=\"http://ads.example/films/banner.swf\">");
    EXPECT_EQ(Attr(doc.ElementById("ad1"), "inner"), "");
    EXPECT_EQ(Attr(doc.ElementById("text"), "outer"), "<P id=\"text\">plain</P>");
}

TEST(SimDocument, SetInnerHtmlReplacesChildrenAndReindexes) {
    SimDocument doc("u", kPage);
    ElementPtr p = doc.ElementById("text");
    auto logo = doc.ElementById("logo");
    ElementPtr ad = doc.ElementById("ad1");
    auto div = doc.ElementById("top");
    CollectionPtr all = doc.All();
    int before = 0;
    ASSERT_TRUE(all->Length(before));
    ASSERT_TRUE(div->SetInnerHtml("<b>x</b><i>y</i><u>z</u>"));
    int after = 0;
    ASSERT_TRUE(all->Length(after));  // the collection is live
    EXPECT_EQ(after, before + 1);
    EXPECT_EQ(Attr(div, "inner"), "<B>x</B><I>y</I><U>z</U>");
    int index = 0;
    ASSERT_TRUE(p->SourceIndex(index));
    EXPECT_EQ(index, after - 1);
    // The removed image is detached: no index, no box, still readable.
    EXPECT_FALSE(ad->SourceIndex(index));
    int w = -1;
    ASSERT_TRUE(ad->OffsetWidth(w));
    EXPECT_EQ(w, 0);
    EXPECT_EQ(ElementIdentity(*ad), "http://ads.example/ad1.gif");
    EXPECT_NE(logo->Identity(), all->Item(5)->Identity());
    EXPECT_FALSE(doc.ElementById("emb")->SetInnerHtml("<b>no</b>"));  // void element
}

TEST(SimDocument, SetInnerHtmlOfScriptIsText) {
    SimDocument doc("u", "<body><script>a</script></body>");
    auto script = doc.FirstByTag("SCRIPT");
    ASSERT_TRUE(script->SetInnerHtml("<img src=x>"));
    CollectionPtr images = doc.Images();
    int n = -1;
    ASSERT_TRUE(images->Length(n));
    EXPECT_EQ(n, 0);
    EXPECT_EQ(Attr(script, "inner"), "<img src=x>");
}

TEST(SimDocument, StyleDisplayRoundTripThroughTheStyleAttribute) {
    SimDocument doc("u",
                    "<img id=a src=a.gif style='border: 1px; display:none'><img id=b src=b.gif>");
    ElementPtr a = doc.ElementById("a");
    ElementPtr b = doc.ElementById("b");
    EXPECT_EQ(Attr(a, "display"), "none");
    EXPECT_EQ(Attr(b, "display"), "");
    ASSERT_TRUE(b->SetStyleDisplay("none"));
    EXPECT_EQ(Attr(b, "display"), "none");
    EXPECT_EQ(Attr(b, "outer"), "<IMG id=\"b\" src=\"b.gif\" style=\"display: none\">");
    ASSERT_TRUE(a->SetStyleDisplay(""));
    EXPECT_EQ(Attr(a, "display"), "");
    EXPECT_EQ(Attr(a, "outer"), "<IMG id=\"a\" src=\"a.gif\" style=\"border: 1px\">");
    ASSERT_TRUE(b->SetStyleDisplay("block"));
    EXPECT_EQ(Attr(b, "display"), "block");
}

TEST(SimDocument, HideElementWritesOnlyWhenTheStateChanges) {
    SimDocument doc("u", "<img id=a src=a.gif><img id=n data-no-style src=n.gif>");
    ElementPtr a = doc.ElementById("a");
    EXPECT_TRUE(HideElement(*a, false));
    EXPECT_EQ(Attr(a, "outer"), "<IMG id=\"a\" src=\"a.gif\">");  // nothing written
    EXPECT_TRUE(HideElement(*a, true));
    EXPECT_EQ(Attr(a, "display"), "none");
    EXPECT_TRUE(HideElement(*a, false));
    EXPECT_EQ(Attr(a, "display"), "");
    std::string s;
    EXPECT_FALSE(doc.ElementById("n")->StyleDisplay(s));
    EXPECT_FALSE(HideElement(*doc.ElementById("n"), true));
}

TEST(SimDocument, ElementFromPointFindsTheDeepestBox) {
    SimDocument doc("u", kPage);
    std::string tag;
    ElementPtr hit = doc.ElementFromPoint(20, 20);
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->Identity(), doc.ElementById("ad1")->Identity());
    hit = doc.ElementFromPoint(250, 20);  // inside the DIV, between the images
    EXPECT_EQ(hit->Identity(), doc.ElementById("top")->Identity());
    hit = doc.ElementFromPoint(700, 700);  // nothing there: the body
    ASSERT_TRUE(hit->TagName(tag));
    EXPECT_EQ(tag, "BODY");
    hit = doc.ElementFromPoint(209, 59);  // last pixel of ad1
    EXPECT_EQ(hit->Identity(), doc.ElementById("ad1")->Identity());
    hit = doc.ElementFromPoint(210, 60);
    EXPECT_EQ(hit->Identity(), doc.ElementById("top")->Identity());
    EXPECT_EQ(doc.ElementFromPoint(-1, 5), nullptr);
    EXPECT_EQ(doc.ElementFromPoint(5, 100000), nullptr);
}

TEST(SimDocument, ElementFromPointSeesBoxesAddedAndRemovedByInnerHtml) {
    SimDocument doc("u", "<div id=d data-box='0 0 300 300'></div>");
    auto div = doc.ElementById("d");
    EXPECT_EQ(doc.ElementFromPoint(20, 20)->Identity(), div->Identity());
    ASSERT_TRUE(div->SetInnerHtml("<img id=late src=l.gif data-box='10 10 50 50'>"));
    ElementPtr late = doc.ElementFromPoint(20, 20);
    std::string src;
    ASSERT_TRUE(late && late->Src(src));
    EXPECT_EQ(src, "l.gif");
    ASSERT_TRUE(div->SetInnerHtml(""));
    EXPECT_EQ(doc.ElementFromPoint(20, 20)->Identity(), div->Identity());
}

TEST(SimDocument, OverlappingBoxesLaterElementWins) {
    SimDocument doc("u", "<img id=a data-box='0 0 100 100'><img id=b data-box='50 50 100 100'>");
    EXPECT_EQ(doc.ElementFromPoint(60, 60)->Identity(), doc.ElementById("b")->Identity());
    EXPECT_EQ(doc.ElementFromPoint(40, 40)->Identity(), doc.ElementById("a")->Identity());
}

TEST(SimDocument, HiddenElementsHaveNoBox) {
    SimDocument doc("u",
                    "<div id=d data-box='0 0 500 500'><img id=a data-box='10 10 50 50'></div>");
    ElementPtr a = doc.ElementById("a");
    int w = 0;
    int h = 0;
    ASSERT_TRUE(a->OffsetWidth(w));
    ASSERT_TRUE(a->OffsetHeight(h));
    EXPECT_EQ(w, 50);
    EXPECT_EQ(h, 50);
    ASSERT_TRUE(a->SetStyleDisplay("none"));
    EXPECT_EQ(doc.ElementFromPoint(20, 20)->Identity(), doc.ElementById("d")->Identity());
    ASSERT_TRUE(a->OffsetWidth(w));
    EXPECT_EQ(w, 0);
    a->SetStyleDisplay("");
    doc.ElementById("d")->SetStyleDisplay("none");  // hides the child too
    std::string tag;
    ASSERT_TRUE(doc.ElementFromPoint(20, 20)->TagName(tag));
    EXPECT_EQ(tag, "BODY");
}

TEST(SimDocument, BodyCoversTheViewAndBadBoxesAreNone) {
    SimDocument doc("u", "<img id=a data-box='1 2 x 4'><img id=b data-box='5 5 -3 4'><img id=c>");
    doc.SetViewSize(640, 480);
    int w = 0;
    int h = 0;
    ASSERT_TRUE(doc.Body()->OffsetWidth(w));
    ASSERT_TRUE(doc.Body()->OffsetHeight(h));
    EXPECT_EQ(w, 640);
    EXPECT_EQ(h, 480);
    for (const char* id : {"a", "b", "c"}) {
        ASSERT_TRUE(doc.ElementById(id)->OffsetWidth(w));
        EXPECT_EQ(w, 0) << id;
    }
    EXPECT_EQ(doc.ElementFromPoint(639, 479)->Identity(), doc.Body()->Identity());
    EXPECT_EQ(doc.ElementFromPoint(640, 10), nullptr);
}

TEST(SimDocument, PageWithoutBody) {
    SimDocument doc("u", "<img src=a.gif>");
    doc.RemoveBody();
    EXPECT_EQ(doc.Body(), nullptr);
    EXPECT_EQ(doc.ElementFromPoint(5, 5), nullptr);
    EXPECT_EQ(TagsOf(doc), (std::vector<std::string>{"HTML", "HEAD"}));
}

TEST(SimDocument, FramesetPageHasAFramesetBody) {
    SimDocument doc("u", "<html><frameset><frame src=a.html><frame src=b.html></frameset></html>");
    std::string tag;
    ASSERT_TRUE(doc.Body()->TagName(tag));
    EXPECT_EQ(tag, "FRAMESET");
    std::vector<TaggedElement> frames;
    ASSERT_TRUE(doc.ScanTag("FRAME", frames));
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[1].identity, "b.html");
}

TEST(SimDocument, BatchedStepsWork) {
    SimDocument doc("u", kPage);
    std::vector<TaggedElement> images;
    ASSERT_TRUE(doc.ScanTag("IMG", images));
    ASSERT_EQ(images.size(), 2u);
    EXPECT_EQ(images[0].sourceIndex, 5);
    EXPECT_EQ(images[0].identity, "http://ads.example/ad1.gif");
    EXPECT_TRUE(images[0].ok);
    std::vector<CheckOutcome> out;
    ASSERT_TRUE(doc.CheckAndHide(
        {{5, "http://ads.example/ad1.gif"}, {6, "other"}, {99, "x"}, {-1, "x"}, {7, "banner.swf"}},
        out));
    EXPECT_EQ(out, (std::vector<CheckOutcome>{CheckOutcome::kHidden, CheckOutcome::kMismatch,
                                              CheckOutcome::kNotObtained,
                                              CheckOutcome::kNotObtained, CheckOutcome::kHidden}));
    EXPECT_EQ(Attr(doc.ElementById("ad1"), "display"), "none");
    EXPECT_EQ(Attr(doc.ElementById("logo"), "display"), "");
    EXPECT_EQ(Attr(doc.ElementById("flash"), "display"), "none");
}

TEST(SimDocument, LargePageIsReadWhole) {
    std::string html = "<html><body>";
    for (int i = 0; i < 20000; ++i) {
        html += "<div class=row><img src='http://img.example/p" + std::to_string(i) +
                ".gif' width=1><span>text text text</span></div>";
    }
    html += "</body></html>";
    ASSERT_GT(html.size(), 1000000u);
    SimDocument doc("u", html);
    int n = 0;
    ASSERT_TRUE(doc.All()->Length(n));
    EXPECT_EQ(n, 3 + 3 * 20000);  // HTML, HEAD, BODY, then three elements a row
    std::string body;
    ASSERT_TRUE(doc.Body()->OuterHtml(body));
    EXPECT_GT(body.size(), 1000000u);
}

}  // namespace
}  // namespace qm::sim
