// The one bridge between the program's UTF-8 texts and the system's UTF-16.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "platform/win/utf16_win.h"

namespace qm::win {
namespace {

// U+1F600 and U+1D11E lie beyond the basic plane: surrogate pairs in UTF-16,
// four bytes in UTF-8.
struct Sample {
    const char* what;
    std::string utf8;
    std::wstring utf16;
};

const Sample kSamples[] = {
    {"empty", "", L""},
    {"ascii", "Quillmoor\\Data", L"Quillmoor\\Data"},
    {"cyrillic", "\xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82",
     L"\u041f\u0440\u0438\u0432\u0435\u0442"},
    {"cjk", "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e", L"\u65e5\u672c\u8a9e"},
    {"emoji", "a\xf0\x9f\x98\x80z", L"a\xd83d\xde00z"},
    {"music", "\xf0\x9d\x84\x9e", L"\xd834\xdd1e"},
    {"embedded nul", std::string("a\0\xc3\xa9", 4), std::wstring(L"a\0\u00e9", 3)},
};

TEST(Utf16, ConvertsBothWaysExactly) {
    for (const Sample& s : kSamples) {
        EXPECT_EQ(Widen(s.utf8), s.utf16) << s.what;
        EXPECT_EQ(Narrow(s.utf16), s.utf8) << s.what;
        EXPECT_EQ(Narrow(Widen(s.utf8)), s.utf8) << s.what;
    }
    EXPECT_EQ(Narrow(static_cast<const wchar_t*>(nullptr)), "");
    EXPECT_EQ(Narrow(L"\u041f\u65e5"), "\xd0\x9f\xe6\x97\xa5");
}

TEST(Utf16, DoesNotDependOnTheCodePage) {
    // This test program declares no code page of its own: the system's ANSI
    // code page would turn the same bytes into other letters, or into '?'.
    const std::string text =
        "\xd0\x9c\xd0\xbe\xd1\x81\xd0\xba\xd0\xb2\xd0\xb0 \xe6\x9d\xb1\xe4\xba\xac";
    const std::wstring wide = Widen(text);
    EXPECT_EQ(wide, L"\u041c\u043e\u0441\u043a\u0432\u0430 \u6771\u4eac");
    if (GetACP() != CP_UTF8) {
        wchar_t viaAnsi[64] = {};
        MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, viaAnsi, 64);
        EXPECT_NE(std::wstring(viaAnsi), wide) << "the ANSI code page is UTF-8 after all";
    }
}

TEST(Utf16, IllFormedInputIsReplacedNotDropped) {
    const struct {
        const char* what;
        std::string utf8;
    } kCases[] = {
        {"stray continuation byte", "a\x80z"}, {"byte never used", "a\xffz"},
        {"truncated sequence", "a\xe6\x97z"},  {"surrogate encoded in UTF-8", "a\xed\xa0\x80z"},
        {"overlong slash", "a\xc0\xafz"},
    };
    for (const auto& c : kCases) {
        const std::wstring wide = Widen(c.utf8);
        ASSERT_GE(wide.size(), 3u) << c.what;
        EXPECT_EQ(wide.front(), L'a') << c.what;
        EXPECT_EQ(wide.back(), L'z') << c.what;
        const std::wstring middle = wide.substr(1, wide.size() - 2);
        EXPECT_EQ(middle.find_first_not_of(L'\xfffd'), std::wstring::npos) << c.what;
        // Nothing ill-formed ever reaches a path: no slash sneaks in.
        EXPECT_EQ(wide.find(L'/'), std::wstring::npos) << c.what;
        // And the result converts back to well-formed UTF-8.
        EXPECT_EQ(Widen(Narrow(wide)), wide) << c.what;
    }
    // Unpaired surrogates from the system become U+FFFD too.
    EXPECT_EQ(Narrow(std::wstring(L"a\xd800z")), "a\xef\xbf\xbdz");
    EXPECT_EQ(Narrow(std::wstring(L"a\xdc00z")), "a\xef\xbf\xbdz");
    EXPECT_EQ(Narrow(std::wstring(L"\xde00\xd83d")), "\xef\xbf\xbd\xef\xbf\xbd");
}

}  // namespace
}  // namespace qm::win
