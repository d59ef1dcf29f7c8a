// The preview's text form of a filter: type, name and markup, shown and never run.
#include <gtest/gtest.h>

#include <string>

#include "explorer/preview_text.h"

namespace qm {
namespace {

TEST(PreviewText, TypeNameAndMarkupWithWindowsLineEnds) {
    struct Case {
        const char* type;
        const char* name;
        std::string html;
        std::string text;
    };
    const Case cases[] = {
        {"IMG", "http://ads.example/b.gif", "<img src=\"b.gif\" onload=\"alert(1)\">",
         "Type: IMG\r\nName: http://ads.example/b.gif\r\n\r\n<img src=\"b.gif\" "
         "onload=\"alert(1)\">"},
        {"IFRAME", "f.htm", "<script>\nboom()\r\n</script>\r<b>",
         "Type: IFRAME\r\nName: f.htm\r\n\r\n<script>\r\nboom()\r\n</script>\r\n<b>"},
        {"POPUP", "", " ", "Type: POPUP\r\nName: \r\n\r\n "},
        {"EMBED", "e", std::string("a\0b", 3), "Type: EMBED\r\nName: e\r\n\r\nab"},
    };
    for (const Case& c : cases) {
        FilterRecord record;
        record.sType = c.type;
        record.sName = c.name;
        record.sHtml = c.html;
        EXPECT_EQ(PreviewText(record), c.text);
    }
}

}  // namespace
}  // namespace qm
