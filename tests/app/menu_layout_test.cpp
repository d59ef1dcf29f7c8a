// The image menus' sizes, text split and mnemonic search, at several screen
// scalings.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/menu_layout.h"

namespace {

using qm::MenuCharItem;
using qm::MenuSize;

TEST(MenuLayout, ScalesDesignLengthsToTheScreen) {
    struct Case {
        int length, dpi, expected;
    };
    const Case cases[] = {{16, 96, 16}, {16, 144, 24}, {16, 192, 32}, {5, 144, 8},
                          {17, 120, 21}, {6, 0, 6},    {-2, 144, -3}};
    for (const Case& c : cases) {
        EXPECT_EQ(qm::ScaleToDpi(c.length, c.dpi), c.expected) << c.length << " at " << c.dpi;
    }
}

TEST(MenuLayout, MeasuresEachKindOfItem) {
    struct Case {
        const char* what;
        int kind;
        bool empty;
        MenuSize text, image;
        int dpi;
        int width, height;
    };
    const Case cases[] = {
        {"separator", qm::kMenuKindSeparator, false, {50, 13}, {16, 16}, 96, 10, 6},
        {"separator at 200%", qm::kMenuKindSeparator, false, {50, 13}, {32, 32}, 192, 20, 12},
        {"empty text", 32777, true, {0, 0}, {16, 16}, 96, 100, 21},
        {"bar entry keeps its text size", qm::kMenuKindBarEntry, false, {31, 15}, {16, 16}, 96,
         31, 15},
        // The image row (16 + 5) is taller than the text: square box of 21.
        {"command", 32777, false, {60, 13}, {16, 16}, 96, 60 + 17 + 21, 21},
        {"default image size", 32777, false, {60, 13}, {20, 20}, 96, 60 + 17 + 25, 25},
        // A tall font wins over the image row.
        {"tall text", 32779, false, {60, 30}, {16, 16}, 96, 60 + 17 + 30, 30},
        {"popup entry at 150%", qm::kMenuKindPopupEntry, false, {90, 20}, {24, 24}, 144,
         90 + 26 + 32, 32},
    };
    for (const Case& c : cases) {
        const MenuSize size = qm::MeasureMenuItem(c.kind, c.empty, c.text, c.image, c.dpi);
        EXPECT_EQ(size.width, c.width) << c.what;
        EXPECT_EQ(size.height, c.height) << c.what;
    }
}

TEST(MenuLayout, SplitsTextAtTheFirstTab) {
    auto parts = qm::SplitMenuText(L"&Find\tCtrl+F");
    EXPECT_TRUE(parts.hasTab);
    EXPECT_EQ(parts.label, L"&Find");
    EXPECT_EQ(parts.accelerator, L"Ctrl+F");
    parts = qm::SplitMenuText(L"a\tb\tc");
    EXPECT_EQ(parts.label, L"a");
    EXPECT_EQ(parts.accelerator, L"b\tc");
    parts = qm::SplitMenuText(L"E&xit");
    EXPECT_FALSE(parts.hasTab);
    EXPECT_EQ(parts.label, L"E&xit");
    EXPECT_TRUE(parts.accelerator.empty());
}

TEST(MenuLayout, MnemonicIsTheUpperCasedLetterAfterTheFirstAmpersand) {
    EXPECT_EQ(qm::MenuMnemonic(L"&Go To ..."), L'G');
    EXPECT_EQ(qm::MenuMnemonic(L"Re&store"), L'S');
    EXPECT_EQ(qm::MenuMnemonic(L"a&b&c"), L'B');
    EXPECT_EQ(qm::MenuMnemonic(L"Select All\tCtrl+A"), 0);
    EXPECT_EQ(qm::MenuMnemonic(L"trailing&"), 0);
}

TEST(MenuLayout, TypedCharacterChoosesTheLowestMatchingItem) {
    const std::vector<MenuCharItem> items = {
        {true, L"&Open ..."},         {false, L"--"},          {true, L"Always On &Top"},
        {true, L"Show &Recycle Bin"}, {false, L"&Other owner"}, {true, L"&Undo..."},
        {true, L"O&ptions..."},       {true, L"&Help..."},     {true, L"E&xit"},
        {true, L"&Help again"},
    };
    struct Case {
        wchar_t typed;
        int position;
    };
    const Case cases[] = {{L'o', 0},  {L'O', 0},  {L't', 2},  {L'r', 3}, {L'u', 5},
                          {L'p', 6},  {L'x', 8},  {L'h', 9},  {L'z', -1}, {L'-', -1}, {0, -1}};
    for (const Case& c : cases) {
        EXPECT_EQ(qm::FindMenuMnemonic(items, c.typed), c.position)
            << static_cast<int>(c.typed);
    }
}

}  // namespace
