#include <gtest/gtest.h>

#include <filesystem>

#include "store/module_path.h"

namespace qm {
namespace {

TEST(ModuleDirectory, KeepsEverythingUpToAndIncludingTheLastBackslash) {
    EXPECT_EQ(ModuleDirectoryOf("C:\\Program Files\\Quillmoor\\Quillmoor.exe", '\\'),
              "C:\\Program Files\\Quillmoor\\");
    EXPECT_EQ(ModuleDirectoryOf("C:\\Quillmoor.exe", '\\'), "C:\\");
    EXPECT_EQ(ModuleDirectoryOf("C:\\dir\\", '\\'), "C:\\dir\\");
    EXPECT_EQ(ModuleDirectoryOf("C:\\a/b/c.exe", '\\'), "C:\\") << "slashes do not count";
}

TEST(ModuleDirectory, KeepsEverythingUpToAndIncludingTheLastSlash) {
    EXPECT_EQ(ModuleDirectoryOf("/usr/lib/quillmoor/settings_test", '/'), "/usr/lib/quillmoor/");
    EXPECT_EQ(ModuleDirectoryOf("/quillmoor", '/'), "/");
    EXPECT_EQ(ModuleDirectoryOf("C:\\a/b\\c", '/'), "C:\\a/");
}

TEST(ModuleDirectory, IsADotWithoutSeparator) {
    EXPECT_EQ(ModuleDirectoryOf("Quillmoor.exe", '\\'), ".");
    EXPECT_EQ(ModuleDirectoryOf("/usr/bin/x", '\\'), ".");
    EXPECT_EQ(ModuleDirectoryOf("", '/'), ".");
}

TEST(ModulePath, NamesThisRunningTestProgram) {
    std::string path = GetModulePath();
    ASSERT_FALSE(path.empty());
    std::filesystem::path file(path);
    EXPECT_TRUE(std::filesystem::is_regular_file(file)) << path;
    EXPECT_EQ(file.stem().string(), "settings_test") << path;
}

TEST(ModulePath, DirectoryIsThePathUpToItsLastSeparator) {
    std::string path = GetModulePath();
    std::string directory = GetModuleDirectory();
    ASSERT_FALSE(directory.empty());
    EXPECT_EQ(directory.back(), kModulePathSeparator);
    EXPECT_EQ(path.rfind(directory, 0), 0u) << path << " / " << directory;
    EXPECT_EQ(path.find(kModulePathSeparator, directory.size()), std::string::npos);
    EXPECT_TRUE(std::filesystem::is_directory(directory));
}

}  // namespace
}  // namespace qm
