// BSTRs to and from the program's UTF-8 texts, BSTR ownership.
#include <gtest/gtest.h>

#include <string>

#include "browser/ie/wide_text.h"

namespace qm::ie {
namespace {

const wchar_t kWide[] = L"Gr\u00fc\u00dfe \u20ac \u65e5\u672c";
const char kUtf8[] =
    "Gr\xc3\xbc\xc3\x9f"
    "e \xe2\x82\xac \xe6\x97\xa5\xe6\x9c\xac";

TEST(WideText, Utf8RoundTrip) {
    std::string text;
    ASSERT_TRUE(WideToText(kWide, wcslen(kWide), text));
    EXPECT_EQ(std::string(kUtf8), text);
    ScopedBstr bstr(TextToBstr(text));
    ASSERT_NE(nullptr, bstr.Get());
    EXPECT_EQ(wcslen(kWide), SysStringLen(bstr.Get()));
    EXPECT_EQ(0, wcscmp(kWide, bstr.Get()));
}

TEST(WideText, Utf8WhateverTheCodePage) {
    // This test binary declares no code page, so whatever the system's ANSI
    // code page is (Wine takes it from the locale), the page's texts come and
    // go as UTF-8. Cyrillic, CJK and a character beyond the basic plane (a
    // surrogate pair).
    const wchar_t kTitle[] =
        L"\u041d\u043e\u0432\u043e\u0441\u0442\u0438 \u65b0\u805e \xd83d\xde00";
    const char kTitleUtf8[] =
        "\xd0\x9d\xd0\xbe\xd0\xb2\xd0\xbe\xd1\x81\xd1\x82\xd0\xb8 "
        "\xe6\x96\xb0\xe8\x81\x9e \xf0\x9f\x98\x80";
    std::string text;
    ScopedBstr bstr(SysAllocString(kTitle));
    ASSERT_TRUE(BstrToText(bstr.Get(), text));
    EXPECT_EQ(std::string(kTitleUtf8), text);
    ScopedBstr back(TextToBstr(kTitleUtf8));
    ASSERT_NE(nullptr, back.Get());
    EXPECT_STREQ(kTitle, back.Get());
    ScopedVariant v;
    ASSERT_TRUE(v.SetText(kTitleUtf8));
    EXPECT_STREQ(kTitle, v.Get().bstrVal);
}

TEST(WideText, BrokenTextsCrossSafely) {
    // A lone surrogate from the page, ill-formed bytes from the program: both
    // become U+FFFD, and the rest of the text is kept.
    const wchar_t kLone[] =
        L"a\xd800"
        L"b";
    std::string text;
    ASSERT_TRUE(WideToText(kLone, 3, text));
    EXPECT_EQ(
        "a\xef\xbf\xbd"
        "b",
        text);
    ScopedBstr bstr(
        TextToBstr("a\xff"
                   "b"));
    ASSERT_NE(nullptr, bstr.Get());
    EXPECT_STREQ(
        L"a\xfffd"
        L"b",
        bstr.Get());
}

TEST(WideText, NullAndEmptyBstrAreTheEmptyText) {
    std::string text = "old";
    EXPECT_TRUE(BstrToText(nullptr, text));
    EXPECT_EQ("", text);
    text = "old";
    ScopedBstr empty(SysAllocString(L""));
    EXPECT_TRUE(BstrToText(empty.Get(), text));
    EXPECT_EQ("", text);
    text = "old";
    EXPECT_TRUE(WideToText(nullptr, 0, text));
    EXPECT_EQ("", text);
}

TEST(WideText, EmptyTextGivesAnAllocatedEmptyBstr) {
    ScopedBstr bstr(TextToBstr(""));
    ASSERT_NE(nullptr, bstr.Get());
    EXPECT_EQ(0u, SysStringLen(bstr.Get()));
    EXPECT_EQ(L'\0', bstr.Get()[0]);
}

TEST(WideText, EmbeddedNulsSurviveBothWays) {
    const std::string text("a\0b", 3);
    ScopedBstr bstr(TextToBstr(text));
    ASSERT_NE(nullptr, bstr.Get());
    ASSERT_EQ(3u, SysStringLen(bstr.Get()));
    EXPECT_EQ(L'b', bstr.Get()[2]);
    std::string back;
    ASSERT_TRUE(BstrToText(bstr.Get(), back));
    EXPECT_EQ(text, back);
}

TEST(WideText, NullPointerWithALengthFails) {
    std::string text;
    EXPECT_FALSE(WideToText(nullptr, 4, text));
}

TEST(WideText, ReadTextFreesAndReportsFailure) {
    std::string out = "kept";
    EXPECT_FALSE(ReadText(
        [](BSTR* p) {
            *p = nullptr;
            return E_FAIL;
        },
        out));
    EXPECT_TRUE(ReadText(
        [](BSTR* p) {
            *p = SysAllocString(L"IMG");
            return S_OK;
        },
        out));
    EXPECT_EQ("IMG", out);
    std::wstring seen;
    EXPECT_TRUE(WriteText(
        [&](BSTR v) {
            seen.assign(v, SysStringLen(v));
            return S_OK;
        },
        "none"));
    EXPECT_EQ(L"none", seen);
    EXPECT_FALSE(WriteText([](BSTR) { return E_ACCESSDENIED; }, "none"));
}

TEST(WideText, ScopedVariantHoldsIntegersAndStrings) {
    ScopedVariant v;
    v.SetInt(17);
    EXPECT_EQ(VT_I4, v.Get().vt);
    EXPECT_EQ(17, v.Get().lVal);
    ASSERT_TRUE(v.SetText("IMG"));
    EXPECT_EQ(VT_BSTR, v.Get().vt);
    EXPECT_STREQ(L"IMG", v.Get().bstrVal);
    v.SetInt(-1);  // frees the string
    EXPECT_EQ(VT_I4, v.Get().vt);
}

}  // namespace
}  // namespace qm::ie
