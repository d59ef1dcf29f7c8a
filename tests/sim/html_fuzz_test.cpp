// Random markup: the reader never fails, the tree is consistent, and writing is
// stable (reading the written text back writes the same text).
#include <gtest/gtest.h>

#include <random>

#include "testing/sim/html_tree.h"
#include "testing/sim/sim_document.h"

namespace qm::sim {
namespace {

std::string RandomMarkup(std::mt19937& random, std::size_t pieces) {
    static const char* const kPieces[] = {"<",
                                          ">",
                                          "</",
                                          "/>",
                                          "<div",
                                          "<img src=",
                                          "<embed ",
                                          "<p>",
                                          "</p>",
                                          "<li>",
                                          "<td>",
                                          "<tr>",
                                          "<table>",
                                          "</table>",
                                          "<html>",
                                          "<body>",
                                          "</body>",
                                          "<head>",
                                          "</head>",
                                          "<title>",
                                          "</title>",
                                          "<!--",
                                          "-->",
                                          "<!",
                                          "<?x",
                                          "'",
                                          "\"",
                                          "=",
                                          " ",
                                          "\n",
                                          "a",
                                          "ad.gif",
                                          ".swf",
                                          "&quot;",
                                          "<script>",
                                          "</script>",
                                          "<object>",
                                          "</object>",
                                          "<param value=x.swf>",
                                          "style=display:none",
                                          "data-box='1 2 3 4'",
                                          "<frameset>",
                                          "\t",
                                          "<br/>",
                                          "</div>",
                                          "</img>",
                                          "x y",
                                          "\0"};
    std::uniform_int_distribution<std::size_t> pick(0, std::size(kPieces) - 1);
    std::uniform_int_distribution<int> byte(0, 255);
    std::string out;
    for (std::size_t i = 0; i < pieces; ++i) {
        if (byte(random) < 8) {
            out += static_cast<char>(byte(random));
        } else {
            const std::size_t k = pick(random);
            if (kPieces[k][0] == '\0') {
                out += '\0';
            } else {
                out += kPieces[k];
            }
        }
    }
    return out;
}

void CheckLinks(const Node& root) {
    std::vector<const Node*> pending{&root};
    while (!pending.empty()) {
        const Node* n = pending.back();
        pending.pop_back();
        for (const NodePtr& c : n->children) {
            ASSERT_EQ(c->parent, n);
            if (c->IsElement()) {
                ASSERT_FALSE(c->tag.empty());
                if (IsVoidTag(c->tag)) {
                    ASSERT_TRUE(c->children.empty());
                }
            }
            pending.push_back(c.get());
        }
    }
}

TEST(HtmlFuzz, RandomMarkupReadsConsistentlyAndWritesStably) {
    std::mt19937 random(::testing::UnitTest::GetInstance()->random_seed() + 20261207u);
    for (int round = 0; round < 3000; ++round) {
        const std::string html = RandomMarkup(random, 1 + round % 120);
        NodePtr root = ParseHtmlDocument(html);
        CheckLinks(*root);
        std::string once;
        WriteOuterHtml(*root, once);
        NodePtr again = ParseHtmlDocument(once);
        std::string twice;
        WriteOuterHtml(*again, twice);
        ASSERT_EQ(once, twice) << "input: " << html;
    }
}

TEST(HtmlFuzz, RandomDocumentsAnswerEveryCall) {
    std::mt19937 random(77u);
    for (int round = 0; round < 400; ++round) {
        SimDocument doc("http://fuzz.example/", RandomMarkup(random, 200));
        CollectionPtr all = doc.All();
        int n = 0;
        ASSERT_TRUE(all && all->Length(n));
        ASSERT_GE(n, 3);  // HTML, HEAD, BODY at least
        for (int i = 0; i < n; ++i) {
            ElementPtr e = all->Item(i);
            ASSERT_TRUE(e);
            int index = -1;
            ASSERT_TRUE(e->SourceIndex(index));
            ASSERT_EQ(index, i);
            std::string text;
            ASSERT_TRUE(e->OuterHtml(text));
            if (i % 7 == 3) {
                std::static_pointer_cast<sim::SimElement>(e)->SetInnerHtml(RandomMarkup(random, 10));
                ASSERT_TRUE(all->Length(n));
            }
        }
        std::uniform_int_distribution<int> coord(-10, 1100);
        for (int k = 0; k < 20; ++k) {
            doc.ElementFromPoint(coord(random), coord(random));
        }
        std::vector<TaggedElement> tagged;
        ASSERT_TRUE(doc.ScanTag("IMG", tagged));
    }
}

}  // namespace
}  // namespace qm::sim
