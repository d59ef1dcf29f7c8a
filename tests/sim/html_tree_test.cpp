// The HTML reader and writer of the simulated page.
#include <gtest/gtest.h>

#include "testing/sim/html_tree.h"

namespace qm::sim {
namespace {

std::string Outer(const Node& node) {
    std::string out;
    WriteOuterHtml(node, out);
    return out;
}

std::string Inner(const Node& node) {
    std::string out;
    WriteInnerHtml(node, out);
    return out;
}

const Node* Child(const Node& node, const std::string& tag) {
    for (const NodePtr& c : node.children) {
        if (c->IsElement() && c->tag == tag) {
            return c.get();
        }
    }
    return nullptr;
}

const Node& Body(const Node& root) {
    const Node* html = Child(root, "HTML");
    EXPECT_NE(html, nullptr);
    const Node* body = Child(*html, "BODY");
    EXPECT_NE(body, nullptr);
    return *body;
}

TEST(HtmlReader, FullPageKeepsStructureAndUpperCasesTags) {
    NodePtr root = ParseHtmlDocument(
        "<!DOCTYPE html><html><head><title>T</title></head><body><p class=x>Hi</p></body></html>");
    EXPECT_EQ(root->kind, NodeKind::kDocument);
    ASSERT_EQ(root->children.size(), 2u);
    EXPECT_EQ(root->children[0]->kind, NodeKind::kRaw);
    EXPECT_EQ(root->children[0]->text, "<!DOCTYPE html>");
    const Node& body = Body(*root);
    EXPECT_EQ(Inner(body), "<P class=\"x\">Hi</P>");
    EXPECT_EQ(Outer(*root),
              "<!DOCTYPE html><HTML><HEAD><TITLE>T</TITLE></HEAD><BODY><P "
              "class=\"x\">Hi</P></BODY></HTML>");
}

TEST(HtmlReader, BareContentGetsHtmlHeadAndBody) {
    NodePtr root = ParseHtmlDocument("<img src=a.gif>text");
    EXPECT_EQ(Outer(*root), "<HTML><HEAD></HEAD><BODY><IMG src=\"a.gif\">text</BODY></HTML>");
}

TEST(HtmlReader, HeadElementsBeforeContentGoToTheHead) {
    NodePtr root = ParseHtmlDocument("<title>Ads</title><meta name=a><div>x</div>");
    const Node* html = Child(*root, "HTML");
    ASSERT_NE(html, nullptr);
    const Node* head = Child(*html, "HEAD");
    ASSERT_NE(head, nullptr);
    EXPECT_EQ(Inner(*head), "<TITLE>Ads</TITLE><META name=\"a\">");
    EXPECT_EQ(Inner(Body(*root)), "<DIV>x</DIV>");
}

TEST(HtmlReader, VoidElementsHaveNoEndTagAndNoChildren) {
    NodePtr root = ParseHtmlDocument(
        "<body><img src=a><embed src=b.swf><br><input type=text><hr>after</body>");
    const Node& body = Body(*root);
    ASSERT_EQ(body.children.size(), 6u);
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_TRUE(body.children[i]->children.empty());
        EXPECT_TRUE(IsVoidTag(body.children[i]->tag));
    }
    EXPECT_EQ(Inner(body),
              "<IMG src=\"a\"><EMBED src=\"b.swf\"><BR><INPUT type=\"text\"><HR>after");
}

TEST(HtmlReader, StrayAndUnclosedTagsAreTolerated) {
    NodePtr root = ParseHtmlDocument("<body></span><div><b>bold<i>both</b>after</div><p>open");
    EXPECT_EQ(Inner(Body(*root)), "<DIV><B>bold<I>both</I></B>after</DIV><P>open</P>");
}

TEST(HtmlReader, ImpliedEndsOfListItemsParagraphsAndCells) {
    NodePtr root =
        ParseHtmlDocument("<ul><li>a<li>b</ul><p>one<p>two<table><tr><td>1<td>2<tr><td>3</table>");
    EXPECT_EQ(Inner(Body(*root)),
              "<UL><LI>a</LI><LI>b</LI></UL><P>one</P><P>two<TABLE><TR><TD>1</TD><TD>2</TD></"
              "TR><TR><TD>3</TD></TR></TABLE></P>");
}

TEST(HtmlReader, AttributesKeepOrderValuesAndBareNames) {
    NodePtr root = ParseHtmlDocument(
        "<img SRC='x.gif' width=10 alt=\"say 'hi'\" ismap title='a \"b\"' src=dup>");
    const Node* img = Body(*root).children.at(0).get();
    ASSERT_EQ(img->attributes.size(), 5u);  // the duplicate src is dropped
    EXPECT_EQ(img->attributes[0].name, "SRC");
    EXPECT_EQ(img->FindAttribute("src")->value, "x.gif");
    EXPECT_FALSE(img->FindAttribute("ismap")->hasValue);
    EXPECT_EQ(img->FindAttribute("alt")->value, "say 'hi'");
    EXPECT_EQ(img->FindAttribute("title")->value, "a \"b\"");
    EXPECT_EQ(Outer(*img),
              "<IMG SRC=\"x.gif\" width=\"10\" alt=\"say 'hi'\" ismap title='a \"b\"'>");
}

TEST(HtmlReader, ValueWithBothQuotesSurvivesARoundTrip) {
    NodePtr root = ParseHtmlDocument("<img alt=it's\"q\">");
    const Node* img = Body(*root).children.at(0).get();
    EXPECT_EQ(img->FindAttribute("alt")->value, "it's\"q\"");
    const std::string once = Outer(*root);
    NodePtr again = ParseHtmlDocument(once);
    EXPECT_EQ(Body(*again).children.at(0)->FindAttribute("alt")->value, "it's\"q\"");
    EXPECT_EQ(Outer(*again), once);
}

TEST(HtmlReader, ScriptAndStyleContentIsText) {
    NodePtr root = ParseHtmlDocument(
        "<body><script>if (a<b) { document.write('<img src=x>'); }</script><img src=y></body>");
    const Node& body = Body(*root);
    ASSERT_EQ(body.children.size(), 2u);
    const Node& script = *body.children[0];
    ASSERT_EQ(script.children.size(), 1u);
    EXPECT_EQ(script.children[0]->kind, NodeKind::kText);
    EXPECT_EQ(script.children[0]->text, "if (a<b) { document.write('<img src=x>'); }");
    EXPECT_EQ(body.children[1]->tag, "IMG");
}

TEST(HtmlReader, CommentsAreKeptAndDoNotOpenElements) {
    NodePtr root = ParseHtmlDocument("<body><!-- <img src=no> --><img src=yes><!-- open");
    const Node& body = Body(*root);
    ASSERT_EQ(body.children.size(), 3u);
    EXPECT_EQ(body.children[0]->kind, NodeKind::kRaw);
    EXPECT_EQ(body.children[1]->FindAttribute("src")->value, "yes");
    EXPECT_EQ(body.children[2]->text, "<!-- open-->");  // completed
}

TEST(HtmlReader, LoneAngleBracketsAreText) {
    NodePtr root = ParseHtmlDocument("<body>a < b > c <3 </ d<</body>");
    const Node& body = Body(*root);
    ASSERT_EQ(body.children.size(), 1u);
    EXPECT_EQ(body.children[0]->text, "a < b > c <3 </ d<");
    // Written back, a "<" that could open markup is escaped.
    EXPECT_EQ(Inner(body), "a < b > c <3 &lt;/ d&lt;");
    NodePtr again = ParseHtmlDocument(Outer(*root));
    EXPECT_EQ(Inner(Body(*again)), Inner(body));
}

TEST(HtmlReader, SecondBodyAndHtmlTagsAreIgnored) {
    NodePtr root = ParseHtmlDocument("<html><body>a<html><body>b</body></html>c");
    EXPECT_EQ(Inner(Body(*root)), "abc");
}

TEST(HtmlReader, FragmentDropsStructuralTags) {
    std::vector<NodePtr> nodes = ParseHtmlFragment("<body><b>x</b></body>tail");
    ASSERT_EQ(nodes.size(), 2u);
    EXPECT_EQ(nodes[0]->tag, "B");
    EXPECT_EQ(nodes[0]->parent, nullptr);
    EXPECT_EQ(nodes[1]->text, "tail");
}

TEST(HtmlReader, VeryDeepNestingIsReadWrittenAndFreedWithoutRecursion) {
    std::string html;
    for (int i = 0; i < 200000; ++i) {
        html += "<div>";
    }
    NodePtr root = ParseHtmlDocument(html);
    std::string out;
    WriteOuterHtml(*root, out);
    EXPECT_GT(out.size(), html.size());
    root.reset();  // must not overflow the stack
}

TEST(HtmlWriter, HandBuiltDeepTreeIsWrittenAndFreedWithoutRecursion) {
    auto root = std::make_shared<Node>(NodeKind::kElement);
    root->tag = "DIV";
    Node* last = root.get();
    const int depth = 300000;
    for (int i = 0; i < depth; ++i) {
        auto child = std::make_shared<Node>(NodeKind::kElement);
        child->tag = "B";
        Node* raw = child.get();
        last->AppendChild(std::move(child));
        last = raw;
    }
    std::string out;
    WriteOuterHtml(*root, out);
    EXPECT_EQ(out.size(),
              std::string("<DIV></DIV>").size() + depth * std::string("<B></B>").size());
    root.reset();
}

TEST(HtmlReader, ParentLinksMatchChildren) {
    NodePtr root = ParseHtmlDocument("<div><p>a<b>c</b></p><img></div>");
    std::vector<const Node*> pending{root.get()};
    int count = 0;
    while (!pending.empty()) {
        const Node* n = pending.back();
        pending.pop_back();
        for (const NodePtr& c : n->children) {
            EXPECT_EQ(c->parent, n);
            pending.push_back(c.get());
            ++count;
        }
    }
    EXPECT_GE(count, 8);
}

TEST(NodeAttributes, SetKeepsPlaceAndRemoveDeletes) {
    Node n(NodeKind::kElement);
    n.tag = "IMG";
    n.SetAttribute("src", "a");
    n.SetAttribute("alt", "b");
    n.SetAttribute("SRC", "c");
    ASSERT_EQ(n.attributes.size(), 2u);
    EXPECT_EQ(n.attributes[0].value, "c");
    n.RemoveAttribute("Src");
    ASSERT_EQ(n.attributes.size(), 1u);
    EXPECT_EQ(n.attributes[0].name, "alt");
}

TEST(DetachedNodes, ChildOutlivingItsParentHasNoParent) {
    NodePtr root = ParseHtmlDocument("<div><span><img></span></div>");
    const Node& body = Body(*root);
    NodePtr img = body.children[0]->children[0]->children[0];
    ASSERT_EQ(img->tag, "IMG");
    root.reset();
    EXPECT_EQ(img->parent, nullptr);
}

TEST(StyleText, ReadsTheLastDeclarationOfAProperty) {
    EXPECT_EQ(StyleProperty("color: red; DISPLAY : none ;", "display"), "none");
    EXPECT_EQ(StyleProperty("display:block;display:inline", "display"), "inline");
    EXPECT_EQ(StyleProperty("color:red", "display"), "");
    EXPECT_EQ(StyleProperty("", "display"), "");
    EXPECT_EQ(StyleProperty("garbage;;:;", "display"), "");
}

TEST(StyleText, SettingReplacesOrRemovesAndKeepsOthers) {
    EXPECT_EQ(WithStyleProperty("color: red; display: block", "display", "none"),
              "color: red; display: none");
    EXPECT_EQ(WithStyleProperty("display:none;color:red", "display", ""), "color:red");
    EXPECT_EQ(WithStyleProperty("", "display", "none"), "display: none");
    EXPECT_EQ(WithStyleProperty("display: none", "display", ""), "");
}

}  // namespace
}  // namespace qm::sim
