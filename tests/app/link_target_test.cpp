// What a hyperlink may open, the ".htm" association's command, and the
// messages of a link that cannot be opened.
#include <gtest/gtest.h>

#include <string>

#include "app/link_target.h"

namespace {

TEST(LinkTarget, OnlyWebAndMailAddressesThatStayOneArgumentAreOpened) {
    struct Case {
        const char* target;
        bool ok;
    };
    const Case cases[] = {
        {"https://quillmoor.example.org", true},
        {"http://quillmoor.example.org/help?x=1&y=2", true},
        {"HTTPS://Example.ORG/", true},
        {"mailto:support@quillmoor.example.org", true},
        {"https://", false},
        {"mailto:", false},
        {"file:///C:/Windows/system32/calc.exe", false},
        {"C:\\Windows\\notepad.exe", false},
        {"javascript:alert(1)", false},
        {"ftp://example.org", false},
        {"https://example.org\" -new-window \"evil", false},
        {"https://example.org/a b", false},
        {"https://example.org/\tx", false},
        {"https://example.org/\x7f", false},
        {"", false},
        {" https://example.org", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(qm::IsOpenableLink(c.target), c.ok) << c.target;
    }
}

TEST(LinkTarget, HtmCommandIsCutAtItsPlaceholderAndTakesTheQuotedTarget) {
    struct Case {
        const char* command;
        const char* expected;
    };
    const char* target = "https://quillmoor.example.org";
    const Case cases[] = {
        {"\"C:\\Program Files\\Browser\\browser.exe\" -nohome \"%1\"",
         "\"C:\\Program Files\\Browser\\browser.exe\" -nohome \"https://quillmoor.example.org\""},
        {"C:\\browser.exe %1", "C:\\browser.exe \"https://quillmoor.example.org\""},
        {"C:\\browser.exe %1 -x", "C:\\browser.exe \"https://quillmoor.example.org\""},
        {"C:\\browser.exe", "C:\\browser.exe \"https://quillmoor.example.org\""},
        {"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(qm::HtmOpenCommand(c.command, target), c.expected) << c.command;
    }
}

TEST(LinkTarget, FailureMessagesNameTheShellsResult) {
    EXPECT_EQ(qm::CantOpenLinkMessage(2), "Can't open link:\n\nThe specified file was not found.");
    EXPECT_EQ(qm::CantOpenLinkMessage(31),
              "Can't open link:\n\nThere is no application associated\nwith the given filename "
              "extension.");
    EXPECT_EQ(qm::CantOpenLinkMessage(26), "Can't open link:\n\nA sharing violation occurred. ");
    EXPECT_EQ(qm::CantOpenLinkMessage(77), "Can't open link:\n\nUnknown Error (77) occurred.");
    EXPECT_EQ(qm::CantOpenLinkMessage(-1), "Can't open link:\n\nUnknown Error (-1) occurred.");
    EXPECT_NE(qm::RefusedLinkMessage().find("http"), std::string::npos);
}

}  // namespace
