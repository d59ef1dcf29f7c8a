// The program end to end under real mouse input: the test build with the
// simulated browser shows a page with an advert in real windows; the test
// presses on the advert, drags it onto the bin window, answers the prompt and
// finds the filter in the host file, with the advert gone from the page.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/win/utf16_win.h"
#include "res/resource.h"
#include "store/address_keys.h"
#include "store/host_file.h"
#include "tests/app_win/program_process.h"
#include "tests/app_win/sim_page.h"
#include "tests/app_win/win_test_util.h"

namespace {

namespace wt = qm::wintest;
namespace page = qm::test;

namespace fs = std::filesystem;

// A path from a UTF-8 text, built as UTF-16 like the program builds its own.
fs::path WidePath(const std::string& text) {
    return fs::path(qm::win::Widen(text));
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(WidePath(path), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void RemoveDirectoryTree(const std::string& dir) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((dir + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
                DeleteFileA((dir + "\\" + found.cFileName).c_str());
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(dir.c_str());
}

COLORREF ScreenPixel(POINT p) {
    HDC dc = GetDC(nullptr);
    const COLORREF c = GetPixel(dc, p.x, p.y);
    ReleaseDC(nullptr, dc);
    return c;
}

// Moves with the left button down in small steps, as a hand would.
void DragTo(POINT from, POINT to) {
    const int steps = 8;
    for (int i = 1; i <= steps; ++i) {
        wt::MoveCursorTo(from.x + (to.x - from.x) * i / steps,
                         from.y + (to.y - from.y) * i / steps);
        wt::WaitFor([] { return false; }, 40);
    }
}

class ProgramEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        dataDir_ = wt::ModuleDirectory() + "e2e-data-" + std::to_string(GetCurrentProcessId());
        RemoveDirectoryTree(dataDir_);
        ASSERT_TRUE(preset_.Set("bShowRecycleBinOnStartup", 1));
        ASSERT_TRUE(preset_.Set("bOpenRecycleBinOnStartup", 0));
        ASSERT_TRUE(preset_.Set("bAutoDeleteHistory", 0));
    }
    void TearDown() override {
        if (bin_ != nullptr && program_.Running()) {
            PostMessageA(bin_, WM_COMMAND, ID_EXIT, 0);
            program_.WaitExit(10000);
        }
        RemoveDirectoryTree(dataDir_);
    }

    // Starts the test build and waits for its bin window and its painted page.
    void StartProgram(const std::string& extra = std::string()) {
        StartProgramAt(wt::ModuleDirectory() + "QuillmoorSim.exe",
                       "--data \"" + dataDir_ + "\"" + (extra.empty() ? "" : " ") + extra,
                       page::kPageTitle);
    }

    // The same for the program at path (UTF-8) showing a page with this title;
    // with advertShown false the advert is expected hidden instead.
    void StartProgramAt(const std::string& path, const std::string& arguments, const char* title,
                        bool advertShown = true) {
        ASSERT_TRUE(program_.StartPath(path, arguments));
        bin_ = program_.WaitBinWindow(15000);
        ASSERT_NE(bin_, nullptr) << "no bin window";
        ASSERT_TRUE(wt::WaitFor(
            [&] {
                frame_ = program_.FindTopLevel(page::kFrameClass, title);
                page_ =
                    frame_ ? FindWindowExA(frame_, nullptr, page::kPageClass, nullptr) : nullptr;
                return page_ != nullptr && IsWindowVisible(page_);
            },
            10000))
            << "no page window titled " << title;
        advert_ = POINT{(page::kAdvertBox.left + page::kAdvertBox.right) / 2,
                        (page::kAdvertBox.top + page::kAdvertBox.bottom) / 2 + 20};
        ClientToScreen(page_, &advert_);
        if (advertShown) {
            ASSERT_TRUE(wt::WaitFor([&] { return AdvertShown(); }, 5000))
                << "the advert is not painted";
        }
        RECT client{};
        GetClientRect(bin_, &client);
        binCentre_ = POINT{client.right / 2, client.bottom / 2};
        ClientToScreen(bin_, &binCentre_);
    }

    bool AdvertShown() const { return ScreenPixel(advert_) == page::kAdvertColour; }

    // Left button down at from, moved in steps to to, released there.
    static void DragWithMouse(POINT from, POINT to) {
        wt::MoveCursorTo(from.x, from.y);
        wt::WaitFor([] { return false; }, 150);
        wt::LeftDown();
        wt::WaitFor([] { return false; }, 150);
        DragTo(from, to);
        wt::WaitFor([] { return false; }, 150);
        wt::LeftUp();
    }

    // A point on the browser window's title bar, left of its buttons.
    POINT TitleBarPoint() const {
        RECT window{};
        GetWindowRect(frame_, &window);
        POINT client{0, 0};
        ClientToScreen(frame_, &client);
        return POINT{window.left + 80, (window.top + client.y) / 2};
    }

    // Answers the prompt with this caption: the radio with id, then OK.
    bool AnswerPrompt(const char* caption, int radio) {
        HWND prompt = nullptr;
        if (!wt::WaitFor(
                [&] {
                    prompt = program_.FindTopLevel("#32770", caption);
                    return prompt != nullptr;
                },
                10000)) {
            return false;
        }
        SendMessageA(GetDlgItem(prompt, radio), BM_CLICK, 0, 0);
        SendMessageA(GetDlgItem(prompt, IDOK), BM_CLICK, 0, 0);
        return true;
    }

    // The records of the page's host file once one of this type is there.
    qm::HostFileTables WaitForAdvertFilter(const std::string& type = "IMG") {
        const std::string hostFile = dataDir_ + "\\www.example.com.Dat";
        qm::HostFileTables tables;
        std::string text;
        wt::WaitFor(
            [&] {
                text = ReadFile(hostFile);
                tables = qm::HostFileTables{};
                return qm::ParseHostFile(text, tables) && !tables.records.empty() &&
                       tables.records[0].sType == type;
            },
            5000);
        EXPECT_EQ(tables.records.size(), 1u) << text;
        EXPECT_EQ(tables.locations, std::vector<std::string>{page::kPageUrl}) << text;
        return tables;
    }

    void ExitProgram() {
        PostMessageA(bin_, WM_COMMAND, ID_EXIT, 0);
        EXPECT_EQ(program_.WaitExit(10000), 0);
    }

    std::string dataDir_;
    wt::SettingsPreset preset_;
    wt::ProgramProcess program_;
    HWND bin_ = nullptr;
    HWND frame_ = nullptr;
    HWND page_ = nullptr;
    POINT advert_{};
    POINT binCentre_{};
};

TEST_F(ProgramEndToEnd, DragAdvertOntoBinAsksAndMakesHostFilter) {
    ASSERT_TRUE(preset_.Set("bPromptBeforeDeleteElement", 1));
    ASSERT_TRUE(preset_.Set("nElementDeleteScope", 0));
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    wt::SaveScreenshot("e2e_before");

    DragWithMouse(advert_, binCentre_);
    HWND prompt = nullptr;
    ASSERT_TRUE(wt::WaitFor(
        [&] {
            prompt = program_.FindTopLevel("#32770", "Delete Element");
            return prompt != nullptr;
        },
        10000))
        << "no prompt after the drop";
    EXPECT_EQ(wt::TextOf(GetDlgItem(prompt, IDC_RADIO_WEB_SERVER)), "web server : www.example.com");
    EXPECT_EQ(wt::TextOf(GetDlgItem(prompt, IDC_RADIO_DOMAIN)), "domain : example.com");
    EXPECT_EQ(IsDlgButtonChecked(prompt, IDC_RADIO_CURRENT_PAGE), BST_CHECKED);
    // The element is hidden at the drop, before the answer.
    EXPECT_TRUE(wt::WaitFor([&] { return !AdvertShown(); }, 3000));
    wt::WaitFor([] { return false; }, 200);
    wt::SaveScreenshot("e2e_prompt");
    SendMessageA(GetDlgItem(prompt, IDC_RADIO_WEB_SERVER), BM_CLICK, 0, 0);
    SendMessageA(GetDlgItem(prompt, IDOK), BM_CLICK, 0, 0);

    const qm::HostFileTables tables = WaitForAdvertFilter();
    ASSERT_EQ(tables.records.size(), 1u);
    const qm::FilterRecord& record = tables.records[0];
    EXPECT_EQ(record.sType, "IMG");
    EXPECT_EQ(record.sName, page::kAdvertSrc);
    EXPECT_EQ(record.nScope, qm::kScopeHost);
    // The page without its advert.
    EXPECT_TRUE(wt::WaitFor([&] { return ScreenPixel(advert_) == RGB(255, 255, 255); }, 3000));
    ExitProgram();
}

TEST_F(ProgramEndToEnd, RememberedAnswerAddsWithoutAsking) {
    ASSERT_TRUE(preset_.Set("bPromptBeforeDeleteElement", 0));
    ASSERT_TRUE(preset_.Set("nElementDeleteScope", 2));
    ASSERT_NO_FATAL_FAILURE(StartProgram());

    DragWithMouse(advert_, binCentre_);
    const qm::HostFileTables tables = WaitForAdvertFilter();
    ASSERT_EQ(tables.records.size(), 1u);
    EXPECT_EQ(tables.records[0].nScope, qm::kScopeDomain);
    EXPECT_EQ(program_.FindTopLevel("#32770", "Delete Element"), nullptr);
    EXPECT_TRUE(wt::WaitFor([&] { return !AdvertShown(); }, 3000));
    ExitProgram();
}

TEST_F(ProgramEndToEnd, DragFromBinOntoAdvertMakesFilter) {
    ASSERT_TRUE(preset_.Set("bPromptBeforeDeleteElement", 0));
    ASSERT_TRUE(preset_.Set("nElementDeleteScope", 0));
    ASSERT_NO_FATAL_FAILURE(StartProgram());

    DragWithMouse(binCentre_, advert_);
    const qm::HostFileTables tables = WaitForAdvertFilter();
    ASSERT_EQ(tables.records.size(), 1u);
    EXPECT_EQ(tables.records[0].sType, "IMG");
    EXPECT_EQ(tables.records[0].nScope, qm::kScopePage);
    EXPECT_TRUE(wt::WaitFor([&] { return !AdvertShown(); }, 3000));
    ExitProgram();
}

TEST_F(ProgramEndToEnd, BinOntoTitleBarOfNormalWindowBlocksItsPopups) {
    ASSERT_TRUE(preset_.Set("bPromptBeforeInhitbitPopup", 1));
    ASSERT_TRUE(preset_.Set("nPopupInhitbitScope", 3));
    ASSERT_NO_FATAL_FAILURE(StartProgram());

    // Hold over the title bar a moment: the band over it is drawn meanwhile.
    wt::MoveCursorTo(binCentre_.x, binCentre_.y);
    wt::WaitFor([] { return false; }, 150);
    wt::LeftDown();
    wt::WaitFor([] { return false; }, 150);
    DragTo(binCentre_, TitleBarPoint());
    wt::WaitFor([] { return false; }, 400);
    wt::SaveScreenshot("e2e_title_band");
    wt::LeftUp();
    ASSERT_TRUE(AnswerPrompt("block popup windows", IDC_RADIO_DOMAIN));
    const qm::HostFileTables tables = WaitForAdvertFilter("NO_POPUP");
    ASSERT_EQ(tables.records.size(), 1u);
    EXPECT_EQ(tables.records[0].nScope, qm::kScopeDomain);
    EXPECT_EQ(tables.records[0].sName, "Adverttestpage");  // the title without spaces
    EXPECT_TRUE(IsWindow(frame_));                         // a normal window stays open
    ExitProgram();
}

TEST_F(ProgramEndToEnd, BinOntoTitleBarOfPopupWindowKillsIt) {
    ASSERT_TRUE(preset_.Set("bPromptBeforeDeletePopup", 1));
    ASSERT_TRUE(preset_.Set("nPopupRecogniseMode", 4));
    ASSERT_NO_FATAL_FAILURE(StartProgram("--popup"));

    DragWithMouse(binCentre_, TitleBarPoint());
    ASSERT_TRUE(AnswerPrompt("kill Popup Window", IDC_RADIO_URL_AND_TITLE));
    const qm::HostFileTables tables = WaitForAdvertFilter("POPUP");
    ASSERT_EQ(tables.records.size(), 1u);
    EXPECT_EQ(tables.records[0].nHint, 2);
    EXPECT_EQ(tables.records[0].nScope, qm::kScopeDomain);
    EXPECT_TRUE(wt::WaitFor([&] { return !IsWindow(frame_); }, 5000));  // the popup is closed
    ExitProgram();
}

TEST_F(ProgramEndToEnd, ReleaseElsewhereMakesNothing) {
    ASSERT_TRUE(preset_.Set("bPromptBeforeDeleteElement", 0));
    ASSERT_TRUE(preset_.Set("nElementDeleteScope", 1));
    ASSERT_NO_FATAL_FAILURE(StartProgram());

    DragWithMouse(advert_, POINT{binCentre_.x + 200, binCentre_.y + 100});
    wt::WaitFor([] { return false; }, 800);
    EXPECT_EQ(GetFileAttributesA((dataDir_ + "\\www.example.com.Dat").c_str()),
              INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(AdvertShown());
    ExitProgram();
}

const qm::FilterRecord* FindRecord(const qm::HostFileTables& tables, const std::string& type) {
    for (const qm::FilterRecord& record : tables.records) {
        if (record.sType == type) {
            return &record;
        }
    }
    return nullptr;
}

// A folder beside the test named "e2e-Программа-日本語-<pid>" holding a copy
// of the test build of the program and of its hook library: the program as a
// user would install it under a name outside any ANSI code page.
class NonAsciiInstall {
public:
    NonAsciiInstall() {
        const fs::path here = WidePath(wt::ModuleDirectory());
        folder_ =
            "e2e-\xd0\x9f\xd1\x80\xd0\xbe\xd0\xb3\xd1\x80\xd0\xb0\xd0\xbc\xd0\xbc\xd0\xb0-"
            "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e-" +
            std::to_string(GetCurrentProcessId());
        directory_ = wt::ModuleDirectory() + folder_;
        std::error_code ec;
        fs::remove_all(WidePath(directory_), ec);
        ready_ =
            fs::create_directory(WidePath(directory_), ec) &&
            fs::copy_file(here / "QuillmoorSim.exe", WidePath(Program()), ec) &&
            fs::copy_file(here / "Quillmoor.Dll", WidePath(directory_ + "\\Quillmoor.Dll"), ec);
    }
    ~NonAsciiInstall() {
        std::error_code ec;
        fs::remove_all(WidePath(directory_), ec);
    }
    NonAsciiInstall(const NonAsciiInstall&) = delete;
    NonAsciiInstall& operator=(const NonAsciiInstall&) = delete;

    bool Ready() const { return ready_; }
    const std::string& Folder() const { return folder_; }        // its own name, UTF-8
    const std::string& Directory() const { return directory_; }  // full path, UTF-8
    std::string Program() const { return directory_ + "\\QuillmoorSim.exe"; }
    std::string Data() const { return directory_ + "\\Data"; }

private:
    std::string folder_;
    std::string directory_;
    bool ready_ = false;
};

TEST_F(ProgramEndToEnd, NonAsciiFolderAndPageStoreAndReloadUtf8Filters) {
    ASSERT_TRUE(preset_.Set("bPromptBeforeDeleteElement", 1));
    ASSERT_TRUE(preset_.Set("nElementDeleteScope", 0));
    ASSERT_TRUE(preset_.Set("bPromptBeforeInhitbitPopup", 1));
    ASSERT_TRUE(preset_.Set("nPopupInhitbitScope", 0));
    NonAsciiInstall install;
    ASSERT_TRUE(install.Ready()) << "cannot copy the program into " << install.Folder();
    // The name really is outside the ANSI code page: converting it through
    // that code page would not give it back.
    if (GetACP() != CP_UTF8) {
        char ansi[MAX_PATH] = {};
        const std::wstring wide = qm::win::Widen(install.Folder());
        WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, ansi, MAX_PATH, nullptr, nullptr);
        EXPECT_NE(std::string(ansi), install.Folder());
    }

    // No --data: the program finds its own folder and makes Data there.
    ASSERT_NO_FATAL_FAILURE(StartProgramAt(install.Program(), "--intl", page::kIntlPageTitle));
    EXPECT_TRUE(fs::is_directory(WidePath(install.Data())));

    DragWithMouse(advert_, binCentre_);
    HWND prompt = nullptr;
    ASSERT_TRUE(wt::WaitFor(
        [&] {
            prompt = program_.FindTopLevel("#32770", "Delete Element");
            return prompt != nullptr;
        },
        10000))
        << "no prompt after the drop";
    // The host and domain reach the dialog's items as the letters they are.
    EXPECT_EQ(wt::TextOf(GetDlgItem(prompt, IDC_RADIO_WEB_SERVER)),
              std::string("web server : ") + page::kIntlHost);
    EXPECT_EQ(wt::TextOf(GetDlgItem(prompt, IDC_RADIO_DOMAIN)),
              "domain : " + qm::GetDomainName(page::kIntlPageUrl));
    SendMessageA(GetDlgItem(prompt, IDC_RADIO_WEB_SERVER), BM_CLICK, 0, 0);
    SendMessageA(GetDlgItem(prompt, IDOK), BM_CLICK, 0, 0);
    EXPECT_TRUE(wt::WaitFor([&] { return !AdvertShown(); }, 3000));

    // The bin onto the title bar: a filter named after the page's title.
    DragWithMouse(binCentre_, TitleBarPoint());
    ASSERT_TRUE(AnswerPrompt("block popup windows", IDC_RADIO_WEB_SERVER));

    const std::string hostFile = install.Data() + "\\" + qm::GetHostFileName(page::kIntlPageUrl);
    std::string bytes;
    qm::HostFileTables tables;
    ASSERT_TRUE(wt::WaitFor(
        [&] {
            bytes = ReadFile(hostFile);
            tables = qm::HostFileTables{};
            return qm::ParseHostFile(bytes, tables) && tables.records.size() == 2;
        },
        5000))
        << "host file " << hostFile << ":\n"
        << bytes;
    ExitProgram();

    // On disk: the address in UTF-8, byte for byte, and the title without its
    // spaces, also in UTF-8.
    std::string title = page::kIntlPageTitle;
    std::erase(title, ' ');
    EXPECT_EQ(bytes.rfind(std::string(page::kIntlPageUrl) + "\r\n-\r\n", 0), 0u) << bytes;
    EXPECT_NE(bytes.find(" " + title + " NO_POPUP "), std::string::npos) << bytes;
    EXPECT_EQ(tables.locations, std::vector<std::string>{page::kIntlPageUrl});
    const qm::FilterRecord* image = FindRecord(tables, "IMG");
    const qm::FilterRecord* popups = FindRecord(tables, "NO_POPUP");
    ASSERT_NE(image, nullptr);
    ASSERT_NE(popups, nullptr);
    EXPECT_EQ(image->sName, page::kAdvertSrc);
    EXPECT_EQ(image->nScope, qm::kScopeHost);
    EXPECT_EQ(popups->sName, title);
    EXPECT_EQ(popups->nScope, qm::kScopeHost);

    // A restart reads the file back from the same folder: the advert stays
    // hidden from the first paint on, and the file is unchanged.
    ASSERT_NO_FATAL_FAILURE(
        StartProgramAt(install.Program(), "--intl", page::kIntlPageTitle, false));
    EXPECT_TRUE(wt::WaitFor([&] { return ScreenPixel(advert_) == RGB(255, 255, 255); }, 5000));
    for (int i = 0; i < 10; ++i) {
        EXPECT_FALSE(AdvertShown()) << "the advert came back after the restart";
        wt::WaitFor([] { return false; }, 150);
    }
    ExitProgram();
    qm::HostFileTables reloaded;
    ASSERT_TRUE(qm::ParseHostFile(ReadFile(hostFile), reloaded));
    ASSERT_EQ(reloaded.records.size(), 2u);
    EXPECT_EQ(reloaded.locations, tables.locations);
    ASSERT_NE(FindRecord(reloaded, "NO_POPUP"), nullptr);
    EXPECT_EQ(FindRecord(reloaded, "NO_POPUP")->sName, title);
}

}  // namespace
