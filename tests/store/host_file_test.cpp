#include <gtest/gtest.h>

#include <random>

#include "store/host_file.h"
#include "store/text_escape.h"
#include "store/wildcard.h"
#include "store_fixture.h"

namespace qm {
namespace {

using testing::Element;
using testing::ReadBytes;
using testing::StoreTest;

TEST(EscapeText, EscapesBackslashFirstThenLineEnds) {
    EXPECT_EQ(EscapeText("a\\b\nc\rd"), "a\\\\b\\nc\\rd");
    EXPECT_EQ(EscapeText(""), "");
    EXPECT_EQ(EscapeText("\\n"), "\\\\n");
}

TEST(EscapeText, UnescapeUndoesEscapeForTextsWithoutBackslashLetterPairs) {
    const std::string text = "<a href=\"x\">\r\n\ttab\\\\ \\ back</a>\n";
    EXPECT_EQ(UnescapeText(EscapeText(text)), text);
}

TEST(EscapeText, UnescapeRunsItsStepsInOrder) {
    // Raw line ends are dropped first.
    EXPECT_EQ(UnescapeText("a\r\nb\n"), "ab");
    // A stored backslash followed by n comes back as a line feed.
    EXPECT_EQ(UnescapeText(EscapeText("\\n")), "\n");
    EXPECT_EQ(UnescapeText(EscapeText("C:\\root")),
              "C:\r"
              "oot");
    EXPECT_EQ(UnescapeText("\\\\\\n"), "\\\n");
    EXPECT_EQ(UnescapeText("\\x"), "\\x");
}

// The three replacement steps written out one by one, as a reference.
std::string ReplaceEach(const std::string& text, const std::string& from, const std::string& to) {
    std::string out;
    std::size_t pos = 0;
    for (std::size_t hit; (hit = text.find(from, pos)) != std::string::npos;
         pos = hit + from.size()) {
        out += text.substr(pos, hit - pos) + to;
    }
    return out + text.substr(pos);
}

std::string ReferenceUnescape(std::string t) {
    t = ReplaceEach(t, "\r", "");
    t = ReplaceEach(t, "\n", "");
    t = ReplaceEach(t, "\\\\", "\\");
    t = ReplaceEach(t, "\\n", "\n");
    return ReplaceEach(t, "\\r", "\r");
}

TEST(EscapeText, UnescapeMatchesTheStepByStepReplacementsOnRandomTexts) {
    std::mt19937 random(12345);
    const char alphabet[] = {'\\', 'n', 'r', '\r', '\n', 'a'};
    for (int round = 0; round < 20000; ++round) {
        std::string text(random() % 12, ' ');
        for (char& c : text) {
            c = alphabet[random() % sizeof(alphabet)];
        }
        ASSERT_EQ(UnescapeText(text), ReferenceUnescape(text)) << round;
        ASSERT_EQ(
            EscapeText(text),
            ReplaceEach(ReplaceEach(ReplaceEach(text, "\\", "\\\\"), "\n", "\\n"), "\r", "\\r"));
    }
}

// Long texts with runs of plain characters take the word-at-a-time and
// vector paths; they must give the same result as the short ones.
TEST(EscapeText, LongTextsMatchTheStepByStepReplacements) {
    std::mt19937 random(777);
    const char plain[] = "abcdefgh<>=\" /";
    const char special[] = {'\\', 'n', 'r', '\r', '\n'};
    for (int round = 0; round < 5000; ++round) {
        std::string text(random() % 200, ' ');
        const unsigned density = 2 + random() % 40;
        for (char& c : text) {
            c = random() % density == 0 ? special[random() % sizeof(special)]
                                        : plain[random() % (sizeof(plain) - 1)];
        }
        ASSERT_EQ(UnescapeText(text), ReferenceUnescape(text)) << round;
        ASSERT_EQ(UnescapeText(EscapeText(text)), ReferenceUnescape(EscapeText(text))) << round;
    }
}

TEST(HostFileFormat, IsByteExactWithCrLfLineEnds) {
    HostFileTables t;
    t.locations = {"http://www.example.com/index.htm", "http://www.example.com/b.htm"};
    FilterRecord a = Element("http://ads.example.com/b.swf", "EMBED", 1, "<embed\nsrc=\"b.swf\">");
    a.nLocation = 0;
    a.tDeleted = 1000000000u;
    a.tLastHit = 4000000000u;
    a.nHint = 57;
    FilterRecord b = Element("Title", "NO_POPUP", 0, " ");
    b.nLocation = 1;
    b.nHint = -1;
    b.nScope = 2;
    b.tDeleted = 5;
    b.tLastHit = 6;
    t.records = {a, b};
    const std::string expected =
        "http://www.example.com/index.htm\r\n"
        "http://www.example.com/b.htm\r\n"
        "-\r\n"
        "0 http://ads.example.com/b.swf EMBED 1000000000 4000000000 57 0 1\r\n"
        "1 Title NO_POPUP 5 6 -1 0 2\r\n"
        "-\r\n"
        "<embed\\nsrc=\"b.swf\">\r\n"
        " \r\n";
    EXPECT_EQ(SerializeHostFile(t), expected);

    HostFileTables back;
    ASSERT_TRUE(ParseHostFile(expected, back));
    ASSERT_EQ(back.locations, t.locations);
    ASSERT_EQ(back.records.size(), 2u);
    EXPECT_EQ(back.records[0].sHtml, a.sHtml);
    EXPECT_EQ(back.records[0].tLastHit, 4000000000u);
    EXPECT_EQ(back.records[1].nHint, -1);
    EXPECT_EQ(back.records[1].nId, 1);
    EXPECT_EQ(back.records[1].nScope, 2);
    EXPECT_EQ(SerializeHostFile(back), expected);
}

TEST(HostFileFormat, ReadsLfOnlyFilesAndKeepsFieldsLowBits) {
    HostFileTables t;
    ASSERT_TRUE(ParseHostFile("p\n-\n0 n T 1 2 65537 257 258\n-\nhtml", t));
    ASSERT_EQ(t.records.size(), 1u);
    EXPECT_EQ(t.records[0].nHint, 1);
    EXPECT_EQ(t.records[0].nStatus, 1);
    EXPECT_EQ(t.records[0].nScope, 2);
    EXPECT_EQ(t.records[0].sHtml, "html");
}

TEST(HostFileFormat, ShortRecordLineEmptiesTablesAndFails) {
    HostFileTables t;
    EXPECT_FALSE(ParseHostFile("p\r\n-\r\n0 n T 1 2 3 0\r\n-\r\nx\r\n", t));
    EXPECT_TRUE(t.locations.empty());
    EXPECT_TRUE(t.records.empty());
    // An empty name shifts every field and fails the same way.
    EXPECT_FALSE(ParseHostFile("p\r\n-\r\n0  IMG 1 2 3 0 0\r\n-\r\n", t));
}

TEST(HostFileFormat, RecordNamingAMissingLocationFailsTheLoad) {
    HostFileTables t;
    EXPECT_FALSE(ParseHostFile("p\r\n-\r\n1 n T 1 2 3 0 0\r\n-\r\nx\r\n", t));
    EXPECT_FALSE(ParseHostFile("p\r\n-\r\n65535 n T 1 2 3 0 0\r\n-\r\nx\r\n", t));
}

TEST(HostFileFormat, DashLineEndsTheLocationsEarlyAndMissingTextsStayEmpty) {
    HostFileTables t;
    ASSERT_TRUE(ParseHostFile("a\r\n-\r\n0 n T 1 2 3 0 0\r\n0 m T 1 2 3 0 0\r\n-\r\nx\r\n", t));
    ASSERT_EQ(t.records.size(), 2u);
    EXPECT_EQ(t.records[0].sHtml, "x");
    EXPECT_EQ(t.records[1].sHtml, "");
    // Extra text lines are ignored; an empty line gives an empty text.
    ASSERT_TRUE(ParseHostFile("a\r\n-\r\n0 n T 1 2 3 0 0\r\n-\r\n\r\nmore\r\n", t));
    EXPECT_EQ(t.records[0].sHtml, "");
    // A file without the record section holds locations only.
    ASSERT_TRUE(ParseHostFile("a\r\n", t));
    EXPECT_EQ(t.locations.size(), 1u);
    EXPECT_TRUE(t.records.empty());
}

TEST(HostFileFormat, LocationThatWouldEndItsSectionFailsTheLoad) {
    // "\r-x" is a location line, but written back it would read as the end
    // of the locations.
    HostFileTables t;
    EXPECT_FALSE(ParseHostFile("a\r\n\r-x\r\n-\r\n0 n T 1 2 3 0 0\r\n-\r\nx\r\n", t));
}

TEST(HostFileFormat, LongTextLinesStayAlignedWithTheirRecords) {
    HostFileTables t;
    t.locations = {"http://h/p"};
    for (int i = 0; i < 3; ++i) {
        FilterRecord r = Element("n" + std::to_string(i));
        r.sHtml =
            std::string(static_cast<std::size_t>(9000 + i * 10000), static_cast<char>('a' + i));
        t.records.push_back(r);
    }
    t.locations.push_back("http://h/" + std::string(9000, 'l'));
    t.records[2].nLocation = 1;
    HostFileTables back;
    ASSERT_TRUE(ParseHostFile(SerializeHostFile(t), back));
    ASSERT_EQ(back.records.size(), 3u);
    ASSERT_EQ(back.locations.size(), 2u);
    EXPECT_EQ(back.locations[1], t.locations[1]);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(back.records[static_cast<std::size_t>(i)].sHtml,
                  t.records[static_cast<std::size_t>(i)].sHtml);
    }
}

TEST(HostFileFormat, CapacityLimitsOnReading) {
    std::string ok;
    for (int i = 0; i < kMaxLocations; ++i) {
        ok += "http://h/" + std::to_string(i) + "\r\n";
    }
    HostFileTables t;
    EXPECT_TRUE(ParseHostFile(ok + "-\r\n", t));
    EXPECT_EQ(t.locations.size(), 511u);
    EXPECT_FALSE(ParseHostFile(ok + "http://h/x\r\n-\r\n", t));

    std::string records = "p\r\n-\r\n";
    for (int i = 0; i < kMaxRecords; ++i) {
        records += "0 n" + std::to_string(i) + " IMG 1 2 3 0 0\r\n";
    }
    EXPECT_TRUE(ParseHostFile(records + "-\r\n", t));
    EXPECT_EQ(t.records.size(), 2047u);
    EXPECT_EQ(t.records.back().nId, 2046);
    EXPECT_FALSE(ParseHostFile(records + "0 x IMG 1 2 3 0 0\r\n-\r\n", t));
}

TEST(Wildcards, MatchStarAndQuestionMarkExactly) {
    EXPECT_TRUE(WildcardMatch("*.Dat", "www.example.com.Dat"));
    EXPECT_FALSE(WildcardMatch("*.Dat", "www.example.com.dat"));
    EXPECT_FALSE(WildcardMatch("*.Dat", "x.Dat.tmp"));
    EXPECT_TRUE(WildcardMatch("*.example.com.Dat", "ads.example.com.Dat"));
    EXPECT_FALSE(WildcardMatch("*.example.com.Dat", "example.com.Dat"));
    EXPECT_TRUE(WildcardMatch("*.0003.udo", "a.b.0003.udo"));
    EXPECT_TRUE(WildcardMatch("?.Dat", "a.Dat"));
    EXPECT_FALSE(WildcardMatch("?.Dat", "ab.Dat"));
    EXPECT_TRUE(WildcardMatch("*", ""));
    EXPECT_TRUE(WildcardMatch("a*b*c", "aXbYbZc"));
}

TEST_F(StoreTest, FirstFilterWritesTheExactFile) {
    FilterRecord r = Element("http://ads.example.com/b.swf", "EMBED", 1, "<embed\\x\r\n>");
    r.nHint = 57;
    ASSERT_EQ(store_->AddFilter("  http://www.example.com/index.htm \t", r), 1);
    const std::string now = std::to_string(clock_.Now());
    EXPECT_EQ(ReadBytes(File("www.example.com.Dat")),
              "http://www.example.com/index.htm\r\n-\r\n"
              "0 http://ads.example.com/b.swf EMBED " +
                  now + " " + now +
                  " 57 0 1\r\n-\r\n"
                  "<embed\\\\x\\r\\n>\r\n");
}

}  // namespace
}  // namespace qm
