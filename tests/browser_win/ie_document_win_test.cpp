// IeDocument over a hand-written IHTMLDocument2 fake, including the port's
// batched steps running on top of it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "browser/ie/ie_document.h"
#include "browser/ie/ie_element.h"
#include "tests/browser_win/fake_com.h"

namespace qm::ie {
namespace {

using test::FakeCollection;
using test::FakeDocument;
using test::FakeElement;
using test::FakeStyle;

// A small page: BODY, IMG a.gif, DIV, IMG b.gif, EMBED f.swf; each element's
// source index is its position.
class DocumentTest : public ::testing::Test {
protected:
    DocumentTest() {
        fake = new FakeDocument();
        fake->url = L"http://www.example.com/news/index.html";
        fake->title = L"Daily News";
        fake->all = new FakeCollection();
        fake->images = new FakeCollection();
        Append(FakeElement::Kind::kPlain, L"BODY", L"");
        Append(FakeElement::Kind::kImage, L"IMG", L"http://ads.example/a.gif");
        Append(FakeElement::Kind::kPlain, L"DIV", L"");
        Append(FakeElement::Kind::kImage, L"IMG", L"http://ads.example/b.gif");
        Append(FakeElement::Kind::kEmbed, L"EMBED", L"f.swf");
        fake->body = fake->all->elements[0];
        fake->body->AddRef();
        fake->body->outerHtml = L"<BODY><IMG src=\"a.gif\"></BODY>";
    }
    ~DocumentTest() override { fake->Release(); }

    void Append(FakeElement::Kind kind, const wchar_t* tag, const wchar_t* src) {
        auto* element = new FakeElement(kind, tag);
        element->src = src;
        element->sourceIndex = static_cast<LONG>(fake->all->elements.size());
        element->style = new FakeStyle();
        fake->all->Add(element);
        if (kind == FakeElement::Kind::kImage) {
            fake->images->Add(element);
        }
        element->Release();
    }

    DocumentPtr Wrap() {
        return MakeDocument(ComRef<IHTMLDocument2>::Share(static_cast<IHTMLDocument2*>(fake)));
    }

    FakeDocument* fake;
};

TEST_F(DocumentTest, UrlTitleAndBody) {
    DocumentPtr document = Wrap();
    std::string text;
    ASSERT_TRUE(document->Url(text));
    EXPECT_EQ("http://www.example.com/news/index.html", text);
    ASSERT_TRUE(document->Title(text));
    EXPECT_EQ("Daily News", text);
    ElementPtr body = document->Body();
    ASSERT_NE(nullptr, body);
    ASSERT_TRUE(body->OuterHtml(text));
    EXPECT_EQ("<BODY><IMG src=\"a.gif\"></BODY>", text);
}

TEST_F(DocumentTest, TextsCrossAsUtf8WhateverTheCodePage) {
    fake->title = L"Caf\u00e9 \u2014 \u65b0\u805e";
    fake->url = L"http://b\u00fccher.example/\u00e4";
    DocumentPtr document = Wrap();
    std::string text;
    ASSERT_TRUE(document->Title(text));
    EXPECT_EQ("Caf\xc3\xa9 \xe2\x80\x94 \xe6\x96\xb0\xe8\x81\x9e", text);
    ASSERT_TRUE(document->Url(text));
    EXPECT_EQ(
        "http://b\xc3\xbc"
        "cher.example/\xc3\xa4",
        text);
    ElementPtr body = document->Body();
    ASSERT_TRUE(static_cast<qm::ie::IeElement&>(*body).SetInnerHtml("<p>\xc3\xa9t\xc3\xa9</p>"));
    ASSERT_EQ(1u, fake->body->innerWrites.size());
    EXPECT_EQ(L"<p>\u00e9t\u00e9</p>", fake->body->innerWrites[0]);
}

TEST_F(DocumentTest, AllElementsInDocumentOrder) {
    DocumentPtr document = Wrap();
    CollectionPtr all = document->All();
    ASSERT_NE(nullptr, all);
    int n = 0;
    ASSERT_TRUE(all->Length(n));
    EXPECT_EQ(5, n);
    ElementPtr third = all->Item(3);
    ASSERT_NE(nullptr, third);
    std::string src;
    ASSERT_TRUE(third->Src(src));
    EXPECT_EQ("http://ads.example/b.gif", src);
    // The same element through two calls is the same element.
    EXPECT_EQ(third->Identity(), all->Item(3)->Identity());
    EXPECT_NE(third->Identity(), all->Item(1)->Identity());
}

TEST_F(DocumentTest, TagsAsksWithAStringVariant) {
    DocumentPtr document = Wrap();
    CollectionPtr images = document->Tags("IMG");
    ASSERT_NE(nullptr, images);
    ASSERT_EQ(1u, fake->all->tagTypes.size());
    EXPECT_EQ(VT_BSTR, fake->all->tagTypes[0]);
    EXPECT_EQ(L"IMG", fake->all->tagNames[0]);
    int n = 0;
    ASSERT_TRUE(images->Length(n));
    EXPECT_EQ(2, n);
    int index = -1;
    ASSERT_TRUE(images->Item(1)->SourceIndex(index));
    EXPECT_EQ(3, index);
    CollectionPtr none = document->Tags("IFRAME");
    ASSERT_NE(nullptr, none);
    ASSERT_TRUE(none->Length(n));
    EXPECT_EQ(0, n);
}

TEST_F(DocumentTest, ImagesAndElementFromPoint) {
    DocumentPtr document = Wrap();
    CollectionPtr images = static_cast<qm::ie::IeDocument&>(*document).Images();
    ASSERT_NE(nullptr, images);
    int n = 0;
    ASSERT_TRUE(images->Length(n));
    EXPECT_EQ(2, n);
    EXPECT_EQ(nullptr, document->ElementFromPoint(10, 20));  // nothing there
    EXPECT_EQ(10, fake->pointX);
    EXPECT_EQ(20, fake->pointY);
    fake->atPoint = fake->all->elements[4];
    fake->atPoint->AddRef();
    ElementPtr hit = document->ElementFromPoint(300, 7);
    ASSERT_NE(nullptr, hit);
    EXPECT_EQ(300, fake->pointX);
    EXPECT_EQ(7, fake->pointY);
    std::string tag;
    ASSERT_TRUE(hit->TagName(tag));
    EXPECT_EQ("EMBED", tag);
    EXPECT_EQ(document->All()->Item(4)->Identity(), hit->Identity());
}

TEST_F(DocumentTest, ScanTagReportsIdentitiesAndSourceIndexes) {
    DocumentPtr document = Wrap();
    std::vector<TaggedElement> scanned;
    ASSERT_TRUE(document->ScanTag("IMG", scanned));
    ASSERT_EQ(2u, scanned.size());
    EXPECT_TRUE(scanned[0].ok);
    EXPECT_EQ(1, scanned[0].sourceIndex);
    EXPECT_EQ("http://ads.example/a.gif", scanned[0].identity);
    EXPECT_EQ(3, scanned[1].sourceIndex);
    EXPECT_EQ("http://ads.example/b.gif", scanned[1].identity);
}

TEST_F(DocumentTest, CheckAndHideHidesOnlyMatchingElements) {
    DocumentPtr document = Wrap();
    std::vector<LocatedCheck> checks = {{3, "http://ads.example/b.gif"},
                                        {1, "http://ads.example/moved.gif"},
                                        {9, "http://ads.example/a.gif"},
                                        {-1, "x"}};
    std::vector<CheckOutcome> outcomes;
    ASSERT_TRUE(document->CheckAndHide(checks, outcomes));
    const std::vector<CheckOutcome> expected = {CheckOutcome::kHidden, CheckOutcome::kMismatch,
                                                CheckOutcome::kNotObtained,
                                                CheckOutcome::kNotObtained};
    EXPECT_EQ(expected, outcomes);
    EXPECT_EQ(L"none", fake->all->elements[3]->style->display);
    EXPECT_EQ(0, fake->all->elements[1]->style->writes);
}

TEST_F(DocumentTest, EveryFailedCallIsAFailure) {
    fake->fail = true;
    DocumentPtr document = Wrap();
    std::string text;
    EXPECT_FALSE(document->Url(text));
    EXPECT_FALSE(document->Title(text));
    EXPECT_EQ(nullptr, document->Body());
    EXPECT_EQ(nullptr, document->All());
    EXPECT_EQ(nullptr, document->Tags("IMG"));
    EXPECT_EQ(nullptr, static_cast<qm::ie::IeDocument&>(*document).Images());
    EXPECT_EQ(nullptr, document->ElementFromPoint(1, 1));
    std::vector<TaggedElement> scanned;
    EXPECT_FALSE(document->ScanTag("IMG", scanned));
}

TEST_F(DocumentTest, FailingTagsCallGivesNoCollection) {
    fake->all->fail = true;
    DocumentPtr document = Wrap();
    EXPECT_EQ(nullptr, document->Tags("IMG"));
}

TEST_F(DocumentTest, NoBodyNoCollection) {
    fake->body->Release();
    fake->body = nullptr;
    fake->all->Release();
    fake->all = nullptr;
    DocumentPtr document = Wrap();
    EXPECT_EQ(nullptr, document->Body());
    EXPECT_EQ(nullptr, document->All());
    EXPECT_EQ(nullptr, document->Tags("IMG"));
}

TEST_F(DocumentTest, ReferencesAreReturnedWhenTheWrappersGo) {
    const LONG before = fake->refs();
    const LONG allBefore = fake->all->refs();
    const LONG imageBefore = fake->all->elements[1]->refs();
    {
        DocumentPtr document = Wrap();
        ElementPtr body = document->Body();
        CollectionPtr all = document->All();
        ElementPtr image = all->Item(1);
        CollectionPtr tagged = document->Tags("IMG");
        std::vector<TaggedElement> scanned;
        document->ScanTag("IMG", scanned);
    }
    EXPECT_EQ(before, fake->refs());
    EXPECT_EQ(allBefore, fake->all->refs());
    EXPECT_EQ(imageBefore, fake->all->elements[1]->refs());
}

TEST(DocumentMaking, OnlyHtmlDocumentsBecomeDocuments) {
    EXPECT_EQ(nullptr, MakeDocument(ComRef<IDispatch>()));
    auto* folderView = new FakeCollection();  // some IDispatch that is no HTML document
    EXPECT_EQ(nullptr, MakeDocument(ComRef<IDispatch>::Share(folderView)));
    EXPECT_EQ(1, folderView->refs());
    folderView->Release();
}

}  // namespace
}  // namespace qm::ie
