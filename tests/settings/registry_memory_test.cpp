#include <gtest/gtest.h>

#include "testing/registry_memory.h"

namespace qm {
namespace {

constexpr RegistryRoot kHKCU = RegistryRoot::kCurrentUser;
constexpr RegistryRoot kHKLM = RegistryRoot::kLocalMachine;

TEST(MemoryRegistryKeys, OpeningAMissingKeyFailsAndCreatingMakesItAndItsParents) {
    MemoryRegistry registry;
    EXPECT_EQ(registry.Open(kHKCU, "Software\\A\\B", RegistryAccess::kRead), nullptr);
    EXPECT_NE(registry.Create(kHKCU, "Software\\A\\B", RegistryAccess::kAll), nullptr);
    EXPECT_TRUE(registry.HasKey(kHKCU, "Software\\A\\B"));
    EXPECT_TRUE(registry.HasKey(kHKCU, "Software\\A"));
    EXPECT_FALSE(registry.HasKey(kHKLM, "Software\\A\\B"));
    EXPECT_NE(registry.Open(kHKCU, "software\\a\\b", RegistryAccess::kRead), nullptr);
}

TEST(MemoryRegistryKeys, RefusedAccessFailsOpenAndCreateAndFullAccessFollowsWrite) {
    MemoryRegistry registry;
    registry.AddKey(kHKLM, "Software\\Q");
    registry.RefuseAccess(kHKLM, RegistryAccess::kWrite);
    EXPECT_EQ(registry.Open(kHKLM, "Software\\Q", RegistryAccess::kWrite), nullptr);
    EXPECT_EQ(registry.Open(kHKLM, "Software\\Q", RegistryAccess::kAll), nullptr);
    EXPECT_EQ(registry.Create(kHKLM, "Software\\Q", RegistryAccess::kAll), nullptr);
    EXPECT_NE(registry.Open(kHKLM, "Software\\Q", RegistryAccess::kRead), nullptr);
    registry.AddKey(kHKCU, "Software\\Q");
    EXPECT_NE(registry.Open(kHKCU, "Software\\Q", RegistryAccess::kAll), nullptr)
        << "other roots are not affected";
}

TEST(MemoryRegistryKeys, RefusedCreateStillOpensExistingKeys) {
    MemoryRegistry registry;
    registry.AddKey(kHKCU, "Software\\Old");
    registry.RefuseCreate(kHKCU);
    EXPECT_EQ(registry.Create(kHKCU, "Software\\New", RegistryAccess::kAll), nullptr);
    EXPECT_FALSE(registry.HasKey(kHKCU, "Software\\New"));
    EXPECT_NE(registry.Create(kHKCU, "Software\\Old", RegistryAccess::kAll), nullptr);
}

TEST(MemoryRegistryValues, TextAndNumbersRoundTripWithTheirTypes) {
    MemoryRegistry registry;
    auto key = registry.Create(kHKCU, "Software\\Q", RegistryAccess::kAll);
    ASSERT_NE(key, nullptr);
    EXPECT_TRUE(key->WriteString("sName", "value one"));
    EXPECT_TRUE(key->WriteDword("nCount", 0xDEADBEEFu));
    EXPECT_EQ(key->ReadString("sname"), "value one");
    EXPECT_EQ(key->ReadDword("NCOUNT"), 0xDEADBEEFu);
    auto text = registry.Get(kHKCU, "Software\\Q", "sName");
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(text->type, RegistryType::kString);
    EXPECT_EQ(text->data.size(), 10u) << "the terminating zero is counted";
    auto number = registry.Get(kHKCU, "Software\\Q", "nCount");
    ASSERT_TRUE(number.has_value());
    EXPECT_EQ(number->type, RegistryType::kDword);
    EXPECT_EQ(number->data, (std::vector<std::uint8_t>{0xEF, 0xBE, 0xAD, 0xDE}));
    EXPECT_EQ(registry.ValueCount(kHKCU, "Software\\Q"), 2u);
}

TEST(MemoryRegistryValues, DwordReadsAnyTypeOfExactlyFourBytes) {
    MemoryRegistry registry;
    const std::string path = "Software\\Q";
    registry.SetRaw(kHKCU, path, "binary4", RegistryType::kBinary, {7, 0, 0, 0});
    registry.SetRaw(kHKCU, path, "binary2", RegistryType::kBinary, {7, 0});
    registry.SetRaw(kHKCU, path, "qword", RegistryType::kQword, {7, 0, 0, 0, 0, 0, 0, 0});
    registry.SetString(kHKCU, path, "text", "abc");
    auto key = registry.Open(kHKCU, path, RegistryAccess::kRead);
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->ReadDword("binary4"), 7u);
    EXPECT_EQ(key->ReadDword("binary2"), std::nullopt);
    EXPECT_EQ(key->ReadDword("qword"), std::nullopt);
    EXPECT_EQ(key->ReadDword("text"), 0x00636261u) << "\"abc\" and its zero are four bytes";
    EXPECT_EQ(key->ReadDword("missing"), std::nullopt);
}

TEST(MemoryRegistryValues, TextReadsRefuseOtherTypesAndLongTexts) {
    MemoryRegistry registry;
    const std::string path = "Software\\Q";
    registry.SetDword(kHKCU, path, "number", 5);
    registry.SetString(kHKCU, path, "long", std::string(300, 'x'));
    registry.SetRaw(kHKCU, path, "unterminated", RegistryType::kString, {'a', 'b'});
    registry.SetRaw(kHKCU, path, "expand", RegistryType::kExpandString, {'%', 'X', '%', 0});
    auto key = registry.Open(kHKCU, path, RegistryAccess::kRead);
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->ReadString("number"), std::nullopt);
    EXPECT_EQ(key->ReadString("long", 259), std::nullopt);
    EXPECT_EQ(key->ReadString("long", 300), std::string(300, 'x'));
    EXPECT_EQ(key->ReadString("unterminated"), "ab");
    EXPECT_EQ(key->ReadString("expand"), "%X%");
}

TEST(MemoryRegistryValues, AccessLevelAndFailureSwitchesGuardReadsAndWrites) {
    MemoryRegistry registry;
    registry.SetDword(kHKLM, "Software\\Q", "n", 1);
    auto reader = registry.Open(kHKLM, "Software\\Q", RegistryAccess::kRead);
    auto writer = registry.Open(kHKLM, "Software\\Q", RegistryAccess::kWrite);
    ASSERT_NE(reader, nullptr);
    ASSERT_NE(writer, nullptr);
    EXPECT_FALSE(reader->WriteDword("n", 2));
    EXPECT_EQ(writer->ReadDword("n"), std::nullopt);
    EXPECT_TRUE(writer->WriteDword("n", 3));
    EXPECT_EQ(reader->ReadDword("n"), 3u);

    registry.FailWrites(kHKLM);
    EXPECT_FALSE(writer->WriteDword("n", 4));
    registry.FailReads(kHKLM);
    EXPECT_EQ(reader->ReadDword("n"), std::nullopt);
    EXPECT_EQ(registry.GetDword(kHKLM, "Software\\Q", "n"), 3u);
}

TEST(MemoryRegistryLog, RecordsOpensReadsAndWritesInOrder) {
    MemoryRegistry registry;
    auto missing = registry.Open(kHKLM, "Software\\Q", RegistryAccess::kAll);
    auto key = registry.Create(kHKCU, "Software\\Q", RegistryAccess::kAll);
    ASSERT_NE(key, nullptr);
    key->WriteDword("a", 1);
    key->ReadDword("a");
    EXPECT_EQ(registry.Log(), (std::vector<std::string>{
                                  "open HKLM Software\\Q all failed",
                                  "create HKCU Software\\Q all ok",
                                  "write HKCU Software\\Q a",
                                  "read HKCU Software\\Q a",
                              }));
}

TEST(ClassesRootDefault, ReadsTheDefaultValueWithinTheLimit) {
    MemoryRegistry registry;
    registry.SetString(RegistryRoot::kClassesRoot, ".htm", "", "htmlfile");
    EXPECT_EQ(ReadClassesRootDefault(registry, ".htm", 259), "htmlfile");
    EXPECT_EQ(ReadClassesRootDefault(registry, ".htm", 7), std::nullopt);
    EXPECT_EQ(ReadClassesRootDefault(registry, ".html", 259), std::nullopt);
    registry.AddKey(RegistryRoot::kClassesRoot, ".txt");
    EXPECT_EQ(ReadClassesRootDefault(registry, ".txt", 259), std::nullopt);
}

}  // namespace
}  // namespace qm
