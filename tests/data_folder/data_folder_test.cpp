#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "store/data_folder.h"
#include "store/host_file.h"

namespace qm {
namespace {

// A file system described by its folders, its files and the folders that
// refuse writing.
class TableProbe : public DataFolderProbe {
public:
    std::set<std::string> folders;
    std::set<std::string> files;
    std::set<std::string> readOnly;

    bool Exists(const std::string& path) const override {
        return folders.count(path) != 0 || files.count(path) != 0;
    }
    bool IsDirectory(const std::string& path) const override { return folders.count(path) != 0; }
    bool CanWriteIn(const std::string& directory) const override {
        return folders.count(directory) != 0 && readOnly.count(directory) == 0;
    }
};

constexpr char kProgram[] = "C:\\Programs\\Qu\xC3\xAFllmoor\\";
constexpr char kProgramFolder[] = "C:\\Programs\\Qu\xC3\xAFllmoor";
constexpr char kBeside[] = "C:\\Programs\\Qu\xC3\xAFllmoor\\Data";
constexpr char kLocal[] = "C:\\Users\\ann\\AppData\\Local";
constexpr char kUser[] = "C:\\Users\\ann\\AppData\\Local\\Quillmoor\\Data";

struct Case {
    const char* name;
    std::set<std::string> folders;
    std::set<std::string> files;
    std::set<std::string> readOnly;
    const char* local;
    std::string expectedDirectory;
    bool besideProgram;
    // Words the notice must hold; empty: no notice at all.
    std::vector<std::string> noticeHas;
};

TEST(ChooseDataFolder, FollowsTheWritableProgramFolderElseTheUserFolder) {
    const Case cases[] = {
        {"portable copy, first run", {kProgramFolder}, {}, {}, kLocal, kBeside, true, {}},
        {"portable copy with filters", {kProgramFolder, kBeside}, {}, {}, kLocal, kBeside, true, {}},
        {"old installation: read-only program folder, writable Data",
         {kProgramFolder, kBeside}, {}, {kProgramFolder}, kLocal, kBeside, true, {}},
        {"installed for all users", {kProgramFolder}, {}, {kProgramFolder}, kLocal, kUser, false,
         {}},
        {"installed, per-user folder already there",
         {kProgramFolder, kUser}, {}, {kProgramFolder}, kLocal, kUser, false, {}},
        {"Data beside the program is read-only", {kProgramFolder, kBeside}, {},
         {kProgramFolder, kBeside}, kLocal, kUser, false,
         {"cannot be written", kBeside, "left where they are", kUser}},
        {"a file named Data beside the program", {kProgramFolder}, {kBeside}, {}, kLocal, kUser,
         false, {"file named Data", kBeside, "left it as it is", kUser}},
        {"a file in the way of the user folder", {kProgramFolder},
         {"C:\\Users\\ann\\AppData\\Local\\Quillmoor"}, {kProgramFolder}, kLocal, "", false,
         {"in the way", "C:\\Users\\ann\\AppData\\Local\\Quillmoor"}},
        {"file Data beside, file in the way of the user folder too", {kProgramFolder},
         {kBeside, kUser}, {}, kLocal, "", false, {"file named Data", kUser, "Move or rename"}},
        {"no local application data folder", {kProgramFolder}, {}, {kProgramFolder}, "", "",
         false, {"No filter can be kept"}},
    };
    for (const Case& c : cases) {
        TableProbe probe;
        probe.folders = c.folders;
        probe.files = c.files;
        probe.readOnly = c.readOnly;
        DataFolderChoice choice = ChooseDataFolder(kProgram, c.local, '\\', probe);
        EXPECT_EQ(choice.directory, c.expectedDirectory) << c.name;
        EXPECT_EQ(choice.besideProgram, c.besideProgram) << c.name;
        if (c.noticeHas.empty()) {
            EXPECT_EQ(choice.notice, "") << c.name;
        }
        for (const std::string& word : c.noticeHas) {
            EXPECT_NE(choice.notice.find(word), std::string::npos)
                << c.name << ": notice lacks \"" << word << "\":\n" << choice.notice;
        }
    }
}

TEST(ChooseDataFolder, AcceptsAProgramDirectoryWithoutItsSeparator) {
    TableProbe probe;
    probe.folders = {kProgramFolder};
    EXPECT_EQ(ChooseDataFolder(kProgramFolder, kLocal, '\\', probe).directory, kBeside);
    EXPECT_EQ(ChooseDataFolder("/opt/qm/", "/home/ann/.local", '/', probe).directory,
              "/home/ann/.local/Quillmoor/Data")
        << "the program folder is unknown to the probe: not writable";
}

// The disk probe on real folders: a file named Data is reported as such and
// stays byte for byte; a writable folder is found writable and left empty.
TEST(DiskDataFolderProbe, TellsFilesFromFoldersAndLeavesNoScratchFile) {
    namespace fs = std::filesystem;
    const fs::path root = fs::temp_directory_path() /
                          ("qm-data-folder-" + std::to_string(::testing::UnitTest::GetInstance()
                                                                 ->random_seed()));
    const fs::path program = root / PathFromText("Prog \xC3\xA9t\xC3\xA9");
    const fs::path local = root / "local";
    fs::remove_all(root);
    fs::create_directories(program);
    fs::create_directories(local);
    const std::string bytes = "not a folder\r\n\x01\x02";
    { std::ofstream(program / "Data", std::ios::binary) << bytes; }

    DiskDataFolderProbe probe;
    const char sep = static_cast<char>(fs::path::preferred_separator);
    const std::string programText = TextFromPath(program) + sep;
    EXPECT_TRUE(probe.CanWriteIn(TextFromPath(program)));
    EXPECT_TRUE(probe.Exists(programText + "Data"));
    EXPECT_FALSE(probe.IsDirectory(programText + "Data"));
    EXPECT_FALSE(probe.CanWriteIn(programText + "Data")) << "a file is no folder";
    EXPECT_FALSE(probe.CanWriteIn(TextFromPath(root / "missing")));

    DataFolderChoice choice = ChooseDataFolder(programText, TextFromPath(local), sep, probe);
    EXPECT_EQ(choice.directory, TextFromPath(local / "Quillmoor" / "Data"));
    EXPECT_FALSE(choice.besideProgram);
    EXPECT_NE(choice.notice.find("file named Data"), std::string::npos) << choice.notice;

    std::string after;
    ASSERT_TRUE(ReadWholeFile(program / "Data", after));
    EXPECT_EQ(after, bytes);
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(program)) {
        ++entries;
    }
    EXPECT_EQ(entries, 1u) << "only the file Data: the write test cleaned up";
    fs::remove_all(root);
}

}  // namespace
}  // namespace qm
