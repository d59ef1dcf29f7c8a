// IeElement and IeElementCollection over hand-written MSHTML fakes.
#include <gtest/gtest.h>

#include <string>

#include "browser/element_identity.h"
#include "browser/ie/ie_element.h"
#include "tests/browser_win/fake_com.h"

namespace qm::ie {
namespace {

using test::FakeCollection;
using test::FakeElement;
using test::FakeStyle;

// One fake element owned by the test (one reference), with a style object.
class ElementTest : public ::testing::Test {
protected:
    ElementTest() {
        image = new FakeElement(FakeElement::Kind::kImage, L"IMG");
        image->style = new FakeStyle();
        image->sourceIndex = 12;
        image->outerHtml = L"<IMG src=\"http://ads.example/b.gif\">";
        image->src = L"http://ads.example/b.gif";
        image->width = 468;
        image->height = 60;
    }
    ~ElementTest() override { image->Release(); }

    ElementPtr Wrap(FakeElement* fake) {
        return MakeElement(ComRef<IHTMLElement>::Share(static_cast<IHTMLElement*>(fake)));
    }

    FakeElement* image;
};

TEST_F(ElementTest, ReadsTheElementProperties) {
    ElementPtr element = Wrap(image);
    ASSERT_NE(nullptr, element);
    std::string text;
    ASSERT_TRUE(element->TagName(text));
    EXPECT_EQ("IMG", text);
    int value = -5;
    ASSERT_TRUE(element->SourceIndex(value));
    EXPECT_EQ(12, value);
    ASSERT_TRUE(element->OuterHtml(text));
    EXPECT_EQ("<IMG src=\"http://ads.example/b.gif\">", text);
    ASSERT_TRUE(element->InnerHtml(text));  // null BSTR: empty
    EXPECT_EQ("", text);
    ASSERT_TRUE(element->OffsetWidth(value));
    EXPECT_EQ(468, value);
    ASSERT_TRUE(element->OffsetHeight(value));
    EXPECT_EQ(60, value);
    ASSERT_TRUE(element->Src(text));
    EXPECT_EQ("http://ads.example/b.gif", text);
}

TEST_F(ElementTest, WritesInnerHtmlAndImageSource) {
    ElementPtr element = Wrap(image);
    ASSERT_TRUE(static_cast<qm::ie::IeElement&>(*element).SetInnerHtml("<b>x</b>"));
    ASSERT_TRUE(static_cast<qm::ie::IeElement&>(*element).SetSrc("about:blank"));
    ASSERT_EQ(1u, image->innerWrites.size());
    EXPECT_EQ(L"<b>x</b>", image->innerWrites[0]);
    ASSERT_EQ(1u, image->srcWrites.size());
    EXPECT_EQ(L"about:blank", image->srcWrites[0]);
}

TEST_F(ElementTest, StyleDisplayReadsAndWrites) {
    ElementPtr element = Wrap(image);
    std::string display = "old";
    ASSERT_TRUE(element->StyleDisplay(display));
    EXPECT_EQ("", display);  // unset display comes back as a null BSTR
    ASSERT_TRUE(element->SetStyleDisplay("none"));
    EXPECT_EQ(L"none", image->style->display);
    ASSERT_TRUE(element->StyleDisplay(display));
    EXPECT_EQ("none", display);
    ASSERT_TRUE(element->SetStyleDisplay(""));
    EXPECT_EQ(L"", image->style->display);
    EXPECT_EQ(2, image->style->writes);
}

TEST_F(ElementTest, HideElementWritesOnlyOnAChange) {
    ElementPtr element = Wrap(image);
    EXPECT_TRUE(HideElement(*element, true));
    EXPECT_EQ(L"none", image->style->display);
    EXPECT_EQ(1, image->style->writes);
    EXPECT_TRUE(HideElement(*element, true));  // already hidden
    EXPECT_EQ(1, image->style->writes);
    EXPECT_TRUE(HideElement(*element, false));
    EXPECT_EQ(L"", image->style->display);
    EXPECT_EQ(2, image->style->writes);
    EXPECT_TRUE(HideElement(*element, false));  // not hidden
    EXPECT_EQ(2, image->style->writes);
}

TEST_F(ElementTest, NoStyleObjectMeansNoDisplay) {
    image->style->Release();
    image->style = nullptr;
    ElementPtr element = Wrap(image);
    std::string display;
    EXPECT_FALSE(element->StyleDisplay(display));
    EXPECT_FALSE(element->SetStyleDisplay("none"));
    EXPECT_FALSE(HideElement(*element, true));
}

TEST_F(ElementTest, FailingStyleCallsFail) {
    image->style->fail = true;
    ElementPtr element = Wrap(image);
    std::string display;
    EXPECT_FALSE(element->StyleDisplay(display));
    EXPECT_FALSE(element->SetStyleDisplay("none"));
    EXPECT_FALSE(HideElement(*element, true));
}

TEST_F(ElementTest, EveryFailedCallIsAFailure) {
    image->fail = true;
    ElementPtr element = Wrap(image);
    std::string text;
    int value = 0;
    EXPECT_FALSE(element->TagName(text));
    EXPECT_FALSE(element->SourceIndex(value));
    EXPECT_FALSE(element->OuterHtml(text));
    EXPECT_FALSE(element->InnerHtml(text));
    EXPECT_FALSE(static_cast<qm::ie::IeElement&>(*element).SetInnerHtml("x"));
    EXPECT_FALSE(element->OffsetWidth(value));
    EXPECT_FALSE(element->OffsetHeight(value));
    EXPECT_FALSE(element->StyleDisplay(text));
    EXPECT_FALSE(element->SetStyleDisplay("none"));
    EXPECT_FALSE(element->Src(text));
    EXPECT_FALSE(static_cast<qm::ie::IeElement&>(*element).SetSrc("x"));
    EXPECT_EQ("", ElementIdentity(*element));
}

TEST_F(ElementTest, SourceComesFromTheElementsOwnInterface) {
    auto* embed = new FakeElement(FakeElement::Kind::kEmbed, L"EMBED");
    embed->src = L"movie.swf";
    auto* div = new FakeElement(FakeElement::Kind::kPlain, L"DIV");
    div->src = L"never read";
    auto* frame = new FakeElement(FakeElement::Kind::kFrame, L"IFRAME");
    frame->src = L"http://ads.example/frame.html";
    std::string text;
    EXPECT_TRUE(Wrap(embed)->Src(text));
    EXPECT_EQ("movie.swf", text);
    EXPECT_TRUE(Wrap(frame)->Src(text));
    EXPECT_EQ("http://ads.example/frame.html", text);
    EXPECT_EQ("http://ads.example/frame.html", ElementIdentity(*Wrap(frame)));
    EXPECT_FALSE(static_cast<qm::ie::IeElement&>(*Wrap(frame)).SetSrc("x"));
    frame->Release();
    EXPECT_FALSE(Wrap(div)->Src(text));
    EXPECT_FALSE(static_cast<qm::ie::IeElement&>(*Wrap(embed)).SetSrc("x"));  // only images take a new source
    EXPECT_FALSE(Wrap(div)->CodeBase(text));
    EXPECT_TRUE(embed->srcWrites.empty());
    embed->Release();
    div->Release();
}

TEST_F(ElementTest, IdentityFollowsTheComIdentityRule) {
    ElementPtr first = Wrap(image);
    ElementPtr second = Wrap(image);
    EXPECT_EQ(first->Identity(), second->Identity());
    EXPECT_EQ(
        reinterpret_cast<std::uintptr_t>(static_cast<IUnknown*>(static_cast<IHTMLElement*>(image))),
        first->Identity());
    // The same object reached through another of its interfaces.
    ElementPtr third = MakeElement(
        ComRef<IDispatch>::Share(static_cast<IDispatch*>(static_cast<IHTMLImgElement*>(image))));
    ASSERT_NE(nullptr, third);
    EXPECT_EQ(first->Identity(), third->Identity());
    auto* other = new FakeElement(FakeElement::Kind::kImage, L"IMG");
    EXPECT_NE(first->Identity(), Wrap(other)->Identity());
    other->Release();
}

TEST_F(ElementTest, ReferencesAreReturnedWhenTheWrapperGoes) {
    const LONG before = image->refs();
    const LONG styleBefore = image->style->refs();
    {
        ElementPtr element = Wrap(image);
        EXPECT_GT(image->refs(), before);
        std::string text;
        element->StyleDisplay(text);
        element->SetStyleDisplay("none");
        element->Src(text);
        static_cast<qm::ie::IeElement&>(*element).SetSrc("x");
    }
    EXPECT_EQ(before, image->refs());
    EXPECT_EQ(styleBefore, image->style->refs());
}

TEST_F(ElementTest, ObjectIdentityFromInnerHtmlOrCodeBase) {
    auto* object = new FakeElement(FakeElement::Kind::kObject, L"OBJECT");
    object->innerHtml = L"<PARAM NAME=\"movie\" VALUE=\"http://ads.example/f/Banner.SWF\">";
    object->codeBase = L"http://download.example/cab";
    EXPECT_EQ("banner.swf", ElementIdentity(*Wrap(object)));
    object->innerHtml = L".swf at the start";
    EXPECT_EQ("http://download.example/cab", ElementIdentity(*Wrap(object)));
    std::string text;
    EXPECT_TRUE(Wrap(object)->CodeBase(text));
    EXPECT_EQ("http://download.example/cab", text);
    EXPECT_FALSE(Wrap(object)->Src(text));
    object->Release();
    EXPECT_EQ("http://ads.example/b.gif", ElementIdentity(*Wrap(image)));
}

TEST_F(ElementTest, NullInterfacesGiveNoObject) {
    EXPECT_EQ(nullptr, MakeElement(ComRef<IHTMLElement>()));
    EXPECT_EQ(nullptr, MakeElement(ComRef<IDispatch>()));
    auto* style = new FakeStyle();  // an IDispatch that is no element
    EXPECT_EQ(nullptr, MakeElement(ComRef<IDispatch>::Share(style)));
    EXPECT_EQ(1, style->refs());
    style->Release();
    EXPECT_EQ(nullptr, MakeCollection(ComRef<IHTMLElementCollection>()));
}

TEST(ElementCollection, IndexedAccessWithIntegerVariants) {
    auto* all = new FakeCollection();
    auto* a = new FakeElement(FakeElement::Kind::kPlain, L"BODY");
    auto* b = new FakeElement(FakeElement::Kind::kImage, L"IMG");
    all->Add(a);
    all->Add(b);
    a->Release();
    b->Release();
    {
        CollectionPtr collection = MakeCollection(ComRef<IHTMLElementCollection>::Share(all));
        int length = 0;
        ASSERT_TRUE(collection->Length(length));
        EXPECT_EQ(2, length);
        ElementPtr second = collection->Item(1);
        ASSERT_NE(nullptr, second);
        std::string tag;
        ASSERT_TRUE(second->TagName(tag));
        EXPECT_EQ("IMG", tag);
        EXPECT_EQ(nullptr, collection->Item(2));   // out of range: no element
        EXPECT_EQ(nullptr, collection->Item(-1));  // never asked
        ASSERT_EQ(4u, all->itemTypes.size());
        for (VARTYPE vt : all->itemTypes) {
            EXPECT_EQ(VT_I4, vt);
        }
        all->fail = true;
        EXPECT_FALSE(collection->Length(length));
        EXPECT_EQ(nullptr, collection->Item(0));
    }
    EXPECT_EQ(1, all->refs());
    EXPECT_EQ(1, b->refs());  // held by the collection only
    all->Release();
}

}  // namespace
}  // namespace qm::ie
