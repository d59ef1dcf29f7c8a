#include "browser/popup_rules.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

FilterRecord PopupFilter(int mode, const std::string& address, const std::string& title) {
    FilterRecord f;
    f.sType = "POPUP";
    f.nHint = static_cast<std::int16_t>(mode);
    f.sHtml = address;
    f.sName = RemoveSpaces(title);
    return f;
}

WindowText Window(const std::string& url, const std::string& title) {
    WindowText w;
    w.url = url;
    w.urlRead = true;
    w.title = title;
    w.titleRead = true;
    return w;
}

TEST(PopupRules, RemoveSpacesRemovesOnlySpaces) {
    EXPECT_EQ(RemoveSpaces(" Win a  prize\t! "), "Winaprize\t!");
    EXPECT_EQ(RemoveSpaces(""), "");
}

TEST(PopupRules, ModesDecideWhichPartsMustMatch) {
    const std::string url = "http://pop.example.com/p.htm";
    const std::string title = "Win a prize";
    struct Case {
        const char* windowUrl;
        const char* windowTitle;
        bool expected[5];  // modes 0, 1, 2, 3, 4
    };
    const Case cases[] = {
        {"http://pop.example.com/p.htm", "Win a prize", {true, true, true, true, false}},
        {"http://pop.example.com/p.htm", "Other", {true, false, false, true, false}},
        {"http://pop.example.com/q.htm", "Winaprize", {false, true, false, true, false}},
        {"http://pop.example.com/q.htm", "Other", {false, false, false, false, false}},
    };
    for (const Case& c : cases) {
        for (int mode = 0; mode <= 4; ++mode) {
            EXPECT_EQ(PopupFilterMatches(PopupFilter(mode, url, title),
                                         Window(c.windowUrl, c.windowTitle)),
                      c.expected[mode])
                << c.windowUrl << " / " << c.windowTitle << " mode " << mode;
        }
    }
    EXPECT_FALSE(PopupFilterMatches(PopupFilter(-1, url, title), Window(url, title)));
    EXPECT_FALSE(PopupFilterMatches(PopupFilter(255, url, title), Window(url, title)));
}

TEST(PopupRules, TitlesDifferingInSpacesMatch) {
    const FilterRecord f = PopupFilter(1, "http://x.example.com/", "Big  Sale Now");
    EXPECT_TRUE(PopupFilterMatches(f, Window("http://y/", " BigSale  Now ")));
    EXPECT_FALSE(PopupFilterMatches(f, Window("http://y/", "big sale now")));  // case counts
}

TEST(PopupRules, PartsThatCouldNotBeReadNeverMatch) {
    const FilterRecord byUrl = PopupFilter(0, "", "T");
    WindowText unread;  // nothing read: empty texts must not match empty filter texts
    EXPECT_FALSE(PopupFilterMatches(byUrl, unread));
    const FilterRecord byTitle = PopupFilter(1, "http://a/", "");
    EXPECT_FALSE(PopupFilterMatches(byTitle, unread));
    WindowText urlOnly = Window("", "ignored");
    urlOnly.titleRead = false;
    EXPECT_TRUE(PopupFilterMatches(PopupFilter(3, "", "T"), urlOnly));
}

TEST(PopupRules, OpenedRecentlyUsesUnsignedDifferences) {
    // New window 1 s ago, press 2 s before it: recent.
    EXPECT_TRUE(OpenedPopupRecentlyAt(10000, 9000, 7000));
    // Limits are inclusive.
    EXPECT_TRUE(OpenedPopupRecentlyAt(10500, 9000, 7500));
    EXPECT_FALSE(OpenedPopupRecentlyAt(10501, 9000, 7500));
    EXPECT_FALSE(OpenedPopupRecentlyAt(10000, 9000, 7501));
    // Across the wrap of the 32-bit tick count.
    EXPECT_TRUE(OpenedPopupRecentlyAt(200u, 0xFFFFFF00u, 0xFFFFF000u));
    // A press after the new window (clock order reversed) gives a huge difference.
    EXPECT_TRUE(OpenedPopupRecentlyAt(10000, 9000, 9500));
}

}  // namespace
}  // namespace qm
