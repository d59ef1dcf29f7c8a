#include "browser/candidate_search.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "store/address_keys.h"

namespace qm {
namespace {

std::vector<char> ByFind(const std::vector<std::string>& patterns, const std::string& text) {
    std::vector<char> out;
    for (const std::string& p : patterns) {
        out.push_back(text.find(p) != std::string::npos ? 1 : 0);
    }
    return out;
}

TEST(MultiPatternSearch, FindsOverlappingAndNestedPatterns) {
    const std::vector<std::string> patterns = {"he", "she", "his", "hers", "ushe", "x", "rs"};
    const std::string text = "ushers";
    EXPECT_EQ(MultiPatternSearch(patterns).Search(text), ByFind(patterns, text));
    const auto found = MultiPatternSearch(patterns).Search(text);
    EXPECT_EQ(found[0], 1);  // he
    EXPECT_EQ(found[1], 1);  // she
    EXPECT_EQ(found[2], 0);  // his
    EXPECT_EQ(found[3], 1);  // hers
    EXPECT_EQ(found[4], 1);  // ushe
    EXPECT_EQ(found[5], 0);  // x
    EXPECT_EQ(found[6], 1);  // rs, reached only through a failure link
}

TEST(MultiPatternSearch, EmptyPatternOccursEverywhereLikeFind) {
    const std::vector<std::string> patterns = {"", "a", ""};
    EXPECT_EQ(MultiPatternSearch(patterns).Search(""), ByFind(patterns, ""));
    EXPECT_EQ(MultiPatternSearch(patterns).Search("b"), ByFind(patterns, "b"));
    EXPECT_EQ(MultiPatternSearch(patterns).Search("").at(0), 1);
}

TEST(MultiPatternSearch, IsCaseSensitiveAndHandlesDuplicatesAndHighBytes) {
    const std::vector<std::string> patterns = {"Ad.gif", "ad.gif", "ad.gif", "\xff\x80z",
                                               "longer than text"};
    const std::string text = "<img src=\"/x/ad.gif\">\xff\x80z";
    const auto found = MultiPatternSearch(patterns).Search(text);
    EXPECT_EQ(found, ByFind(patterns, text));
    EXPECT_EQ(found[0], 0);
    EXPECT_EQ(found[1], 1);
    EXPECT_EQ(found[2], 1);
    EXPECT_EQ(found[3], 1);
    EXPECT_EQ(found[4], 0);
}

TEST(MultiPatternSearch, AgreesWithFindOnRandomInput) {
    std::mt19937 random(12345);
    for (int round = 0; round < 300; ++round) {
        const int alphabet = 2 + static_cast<int>(random() % 4);  // small: many overlaps
        auto randomText = [&](int length) {
            std::string s;
            for (int i = 0; i < length; ++i) {
                s.push_back(static_cast<char>('a' + random() % alphabet));
            }
            return s;
        };
        std::vector<std::string> patterns;
        const int count = static_cast<int>(random() % 30);
        for (int i = 0; i < count; ++i) {
            patterns.push_back(randomText(static_cast<int>(random() % 7)));
        }
        const std::string text = randomText(static_cast<int>(random() % 80));
        ASSERT_EQ(MultiPatternSearch(patterns).Search(text), ByFind(patterns, text))
            << "round " << round << " text " << text;
    }
}

TEST(MarkCandidatesInSource, MarksOnlyIdleFiltersWhoseFileNameOccurs) {
    std::vector<FilterRecord> filters(5);
    filters[0].sName = "http://ads.example.com/banners/top.gif";  // file name top.gif occurs
    filters[1].sName = "http://ads.example.com/banners/other.gif";
    filters[2].sName = "C:\\pics\\top.gif";  // backslash wins: top.gif
    filters[3].sName = "http://ads.example.com/top.gif";
    filters[3].nStatus = kStatusHit;                   // not idle: untouched
    filters[4].sName = "http://ads.example.com/dir/";  // empty file name: always occurs
    const std::string source = "<body><img src=\"top.gif\"></body>";
    MarkCandidatesInSource(filters.data(), static_cast<int>(filters.size()), source);
    EXPECT_EQ(filters[0].nStatus, kStatusCandidate);
    EXPECT_EQ(filters[1].nStatus, kStatusIdle);
    EXPECT_EQ(filters[2].nStatus, kStatusCandidate);
    EXPECT_EQ(filters[3].nStatus, kStatusHit);
    EXPECT_EQ(filters[4].nStatus, kStatusCandidate);
    for (const FilterRecord& f : filters) {
        if (f.nStatus != kStatusHit) {
            EXPECT_EQ(f.nStatus == kStatusCandidate,
                      source.find(GetLastPathPart(f.sName)) != std::string::npos);
        }
    }
}

}  // namespace
}  // namespace qm
