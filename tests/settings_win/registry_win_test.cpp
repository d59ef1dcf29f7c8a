#include <gtest/gtest.h>

#include "platform/win/registry_win.h"
#include "tests/settings_win/win_test_support.h"

namespace qm {
namespace {

using wintest::GetRawValue;
using wintest::RawValue;
using wintest::ScratchKey;
using wintest::SetRawValue;

constexpr RegistryRoot kHKCU = RegistryRoot::kCurrentUser;

TEST(RegistryWin, CreatedKeyHoldsWrittenValuesWithTheirTypes) {
    ScratchKey scratch;
    RegistryWin registry;
    {
        auto key = registry.Create(kHKCU, scratch.Sub("A\\B"), RegistryAccess::kAll);
        ASSERT_NE(key, nullptr);
        EXPECT_TRUE(key->WriteString("sVersion", "1.00"));
        EXPECT_TRUE(key->WriteString("sEmpty", ""));
        EXPECT_TRUE(key->WriteDword("nExpireDays", 30));
    }
    RawValue text = GetRawValue(scratch.Sub("A\\B"), "sVersion");
    ASSERT_TRUE(text.found);
    EXPECT_EQ(text.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(text.data, std::string("1.00\0", 5));
    RawValue empty = GetRawValue(scratch.Sub("A\\B"), "sEmpty");
    ASSERT_TRUE(empty.found);
    EXPECT_EQ(empty.data, std::string("\0", 1));
    RawValue number = GetRawValue(scratch.Sub("A\\B"), "nExpireDays");
    ASSERT_TRUE(number.found);
    EXPECT_EQ(number.type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(number.data, std::string("\x1E\0\0\0", 4));

    auto again = registry.Open(kHKCU, scratch.Sub("a\\b"), RegistryAccess::kRead);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->ReadString("sVersion"), "1.00");
    EXPECT_EQ(again->ReadString("sEmpty"), "");
    EXPECT_EQ(again->ReadDword("NEXPIREDAYS"), 30u);
}

TEST(RegistryWin, MissingKeyOrValueIsAFailure) {
    ScratchKey scratch;
    RegistryWin registry;
    EXPECT_EQ(registry.Open(kHKCU, scratch.Sub("Missing"), RegistryAccess::kRead), nullptr);
    EXPECT_EQ(registry.Open(kHKCU, scratch.Sub("Missing"), RegistryAccess::kAll), nullptr);
    auto key = registry.Create(kHKCU, scratch.Path(), RegistryAccess::kAll);
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->ReadDword("missing"), std::nullopt);
    EXPECT_EQ(key->ReadString("missing"), std::nullopt);
    EXPECT_EQ(key->ReadString(""), std::nullopt) << "no default value set";
}

TEST(RegistryWin, DwordReadsFourBytesOfAnyTypeAndNothingElse) {
    ScratchKey scratch;
    const unsigned char four[4] = {0x2C, 0x01, 0, 0};
    const unsigned char three[3] = {1, 2, 3};
    const unsigned char eight[8] = {1, 0, 0, 0, 0, 0, 0, 0};
    ASSERT_TRUE(SetRawValue(scratch.Path(), "binary4", REG_BINARY, four, 4));
    ASSERT_TRUE(SetRawValue(scratch.Path(), "binary3", REG_BINARY, three, 3));
    ASSERT_TRUE(SetRawValue(scratch.Path(), "qword", REG_QWORD, eight, 8));
    ASSERT_TRUE(SetRawValue(scratch.Path(), "text", REG_SZ, "abc", 4));
    RegistryWin registry;
    auto key = registry.Open(kHKCU, scratch.Path(), RegistryAccess::kRead);
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->ReadDword("binary4"), 300u);
    EXPECT_EQ(key->ReadDword("binary3"), std::nullopt);
    EXPECT_EQ(key->ReadDword("qword"), std::nullopt);
    EXPECT_EQ(key->ReadDword("text"), 0x00636261u);
}

TEST(RegistryWin, TextReadsKeepToTheirTypeAndLimit) {
    ScratchKey scratch;
    const DWORD number = 5;
    std::string long260(260, 'x');
    ASSERT_TRUE(SetRawValue(scratch.Path(), "", REG_SZ, "htmlfile", 9));
    ASSERT_TRUE(SetRawValue(scratch.Path(), "number", REG_DWORD, &number, 4));
    ASSERT_TRUE(SetRawValue(scratch.Path(), "long", REG_SZ, long260.c_str(), 261));
    ASSERT_TRUE(SetRawValue(scratch.Path(), "bare", REG_SZ, "abc", 3));
    ASSERT_TRUE(SetRawValue(scratch.Path(), "expand", REG_EXPAND_SZ, "%TEMP%\\x", 9));
    RegistryWin registry;
    auto key = registry.Open(kHKCU, scratch.Path(), RegistryAccess::kRead);
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->ReadString(""), "htmlfile");
    EXPECT_EQ(key->ReadString("", 8), "htmlfile");
    EXPECT_EQ(key->ReadString("", 7), std::nullopt);
    EXPECT_EQ(key->ReadString("number"), std::nullopt);
    EXPECT_EQ(key->ReadString("long", 259), std::nullopt);
    EXPECT_EQ(key->ReadString("long", 260), long260);
    EXPECT_EQ(key->ReadString("bare"), "abc");
    EXPECT_EQ(key->ReadString("expand"), "%TEMP%\\x");
}

// Registry texts are UTF-16; the port speaks UTF-8 whatever the code page.
TEST(RegistryWin, NonAsciiTextsRoundTripAsUtf8) {
    ScratchKey scratch;
    const std::wstring base(scratch.Path().begin(), scratch.Path().end());
    // "Ключ" (key) and "設定" (settings) as a sub key, a value name in
    // Cyrillic, texts in Cyrillic, CJK and beyond the basic plane.
    const std::string sub = "\xd0\x9a\xd0\xbb\xd1\x8e\xd1\x87\\\xe8\xa8\xad\xe5\xae\x9a";
    const std::wstring wideSub = L"\u041a\u043b\u044e\u0447\\\u8a2d\u5b9a";
    const std::string name = "s\xd0\x98\xd0\xbc\xd1\x8f";
    const std::wstring wideName = L"s\u0418\u043c\u044f";
    const struct {
        std::string utf8;
        std::wstring utf16;
    } kTexts[] = {
        {"C:\\\xd0\x9f\xd1\x80\xd0\xbe\xd0\xb3\\\xe6\x97\xa5\xe6\x9c\xac\\Q.exe",
         L"C:\\\u041f\u0440\u043e\u0433\\\u65e5\u672c\\Q.exe"},
        {"\xf0\x9f\x98\x80 \xf0\x9d\x84\x9e", L"\xd83d\xde00 \xd834\xdd1e"},
    };
    RegistryWin registry;
    for (const auto& t : kTexts) {
        {
            auto key = registry.Create(kHKCU, scratch.Sub(sub), RegistryAccess::kAll);
            ASSERT_NE(key, nullptr);
            ASSERT_TRUE(key->WriteString(name, t.utf8));
        }
        // What the system holds is the UTF-16 text under the UTF-16 names...
        const wintest::RawText raw = wintest::GetRawText(base + L"\\" + wideSub, wideName);
        ASSERT_TRUE(raw.found);
        EXPECT_EQ(raw.text, t.utf16);
        // ...and a text stored by any other program reads back as UTF-8.
        ASSERT_TRUE(wintest::SetRawText(base + L"\\" + wideSub, L"other", t.utf16));
        auto key = registry.Open(kHKCU, scratch.Sub(sub), RegistryAccess::kRead);
        ASSERT_NE(key, nullptr);
        EXPECT_EQ(key->ReadString(name), t.utf8);
        EXPECT_EQ(key->ReadString("other"), t.utf8);
        // The limit counts the registry's own characters (UTF-16 units).
        EXPECT_EQ(key->ReadString("other", t.utf16.size()), t.utf8);
        EXPECT_EQ(key->ReadString("other", t.utf16.size() - 1), std::nullopt);
    }
    // Ill-formed UTF-8 is stored with U+FFFD in place of the bad bytes.
    auto key = registry.Create(kHKCU, scratch.Path(), RegistryAccess::kAll);
    ASSERT_NE(key, nullptr);
    ASSERT_TRUE(key->WriteString("sBad", "a\xff\xd0z"));
    EXPECT_EQ(wintest::GetRawText(base, L"sBad").text, L"a\xfffd\xfffdz");
    EXPECT_EQ(key->ReadString("sBad"), "a\xef\xbf\xbd\xef\xbf\xbdz");
}

TEST(RegistryWin, AccessLevelIsHonoured) {
    ScratchKey scratch;
    RegistryWin registry;
    ASSERT_NE(registry.Create(kHKCU, scratch.Path(), RegistryAccess::kAll), nullptr);
    auto reader = registry.Open(kHKCU, scratch.Path(), RegistryAccess::kRead);
    ASSERT_NE(reader, nullptr);
    EXPECT_FALSE(reader->WriteDword("n", 1));
    EXPECT_FALSE(GetRawValue(scratch.Path(), "n").found);
    auto writer = registry.Open(kHKCU, scratch.Path(), RegistryAccess::kWrite);
    ASSERT_NE(writer, nullptr);
    EXPECT_TRUE(writer->WriteDword("n", 2));
    EXPECT_EQ(reader->ReadDword("n"), 2u);
}

TEST(RegistryWin, ClassesRootDefaultOfTheWebPageType) {
    // Whatever this system registers for ".htm", reading it must agree with
    // the Win32 view of the same key.
    RegistryWin registry;
    std::optional<std::string> type = ReadClassesRootDefault(registry, ".htm", 259);
    HKEY key = nullptr;
    char buffer[261] = {};
    DWORD size = sizeof buffer - 1;
    DWORD valueType = 0;
    bool present = RegOpenKeyExA(HKEY_CLASSES_ROOT, ".htm", 0, KEY_READ, &key) == ERROR_SUCCESS;
    if (present) {
        present = RegQueryValueExA(key, nullptr, nullptr, &valueType,
                                   reinterpret_cast<BYTE*>(buffer), &size) == ERROR_SUCCESS &&
                  (valueType == REG_SZ || valueType == REG_EXPAND_SZ);
        RegCloseKey(key);
    }
    EXPECT_EQ(type.has_value(), present);
    if (type) {
        EXPECT_EQ(*type, std::string(buffer));
    }
}

}  // namespace
}  // namespace qm
