// The document the browser control is given for a filter: the saved markup
// framed as the body of a page based at the filter's page address.
#include <gtest/gtest.h>

#include <string>

#include "explorer/preview_document.h"

namespace qm {
namespace {

constexpr char kStart[] = "\xEF\xBB\xBF<!DOCTYPE html><html><head><meta charset=\"utf-8\">";

TEST(PreviewDocument, TheMarkupAsTheBodyOfAPageBasedWhereTheFilterWasMade) {
    using namespace std::string_literals;
    struct Case {
        std::string page;
        std::string html;
        std::string document;
    };
    const Case cases[] = {
        {"http://news.example/a.htm", "<img src=\"b.gif\" onload=\"alert(1)\">",
         kStart + "<base href=\"http://news.example/a.htm\"></head><body>"s +
             "<img src=\"b.gif\" onload=\"alert(1)\"></body></html>"},
        // An address cannot close the attribute or open an element.
        {"http://x.example/?a=1&b=\"><script>", "<b>",
         kStart + "<base href=\"http://x.example/?a=1&amp;b=&quot;&gt;&lt;script&gt;\">"s +
             "</head><body><b></body></html>"},
        {"", "<script>\nboom()\r\n</script>",
         kStart + "</head><body><script>\nboom()\r\n</script></body></html>"s},
        {"p", "a\0b"s, kStart + "<base href=\"p\"></head><body>ab</body></html>"s},
        {"p", " ", kStart + "<base href=\"p\"></head><body> </body></html>"s},
    };
    for (const Case& c : cases) {
        FilterRecord record;
        record.sType = "IMG";
        record.sHtml = c.html;
        EXPECT_EQ(PreviewDocument(c.page, record), c.document);
    }
    EXPECT_EQ(BlankPreviewDocument(), kStart + "</head><body></body></html>"s);
}

}  // namespace
}  // namespace qm
