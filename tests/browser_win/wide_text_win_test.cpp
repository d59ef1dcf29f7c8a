// Wide strings to and from the program's 8-bit texts, BSTR ownership.
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
    ASSERT_TRUE(WideToText(kWide, wcslen(kWide), text, CP_UTF8));
    EXPECT_EQ(std::string(kUtf8), text);
    ScopedBstr bstr(TextToBstr(text, CP_UTF8));
    ASSERT_NE(nullptr, bstr.Get());
    EXPECT_EQ(wcslen(kWide), SysStringLen(bstr.Get()));
    EXPECT_EQ(0, wcscmp(kWide, bstr.Get()));
}

TEST(WideText, ActiveCodePageIsUsedByDefault) {
    // Like the program, this test binary declares UTF-8 as its code page.
    ASSERT_EQ(static_cast<UINT>(CP_UTF8), GetACP());
    std::string text;
    ScopedBstr bstr(SysAllocString(kWide));
    ASSERT_TRUE(BstrToText(bstr.Get(), text));
    EXPECT_EQ(std::string(kUtf8), text);
    ScopedBstr back(TextToBstr(kUtf8));
    ASSERT_NE(nullptr, back.Get());
    EXPECT_STREQ(kWide, back.Get());
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
    ScopedBstr bstr(TextToBstr(text, CP_UTF8));
    ASSERT_NE(nullptr, bstr.Get());
    ASSERT_EQ(3u, SysStringLen(bstr.Get()));
    EXPECT_EQ(L'b', bstr.Get()[2]);
    std::string back;
    ASSERT_TRUE(BstrToText(bstr.Get(), back, CP_UTF8));
    EXPECT_EQ(text, back);
}

TEST(WideText, NullPointerWithALengthFails) {
    std::string text;
    EXPECT_FALSE(WideToText(nullptr, 4, text, CP_UTF8));
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
