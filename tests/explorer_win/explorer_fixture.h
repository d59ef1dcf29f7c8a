// A real explorer frame over a prepared data folder, in the test's process:
// the application core with an in-memory registry, a recording launcher, no
// browsers, and the frame shown on the virtual display.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/app_core.h"
#include "app/win/dialogs_win.h"
#include "app/win/main_frame_win.h"
#include "app/win/null_browser_system.h"
#include "platform/win/window_services_win.h"
#include "store/host_file.h"
#include "testing/recording_launcher.h"
#include "testing/registry_memory.h"

namespace qm::wintest {

// One record of a prepared host file.
struct Filter {
    Filter(std::string pageAddress, std::string fileName, std::string tag, int scopeCode = 0,
           std::uint32_t timeDeleted = 1'700'000'000u, std::string markup = std::string())
        : page(std::move(pageAddress)),
          name(std::move(fileName)),
          type(std::move(tag)),
          scope(scopeCode),
          deleted(timeDeleted),
          html(std::move(markup)) {}
    std::string page;
    std::string name;
    std::string type;
    int scope;
    std::uint32_t deleted;
    std::string html;
};

class ExplorerTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes a host file of the data folder.
    void WriteHostFile(const std::string& hostFileName, const std::vector<Filter>& filters);
    // The records of a host file on disk (none when it is gone).
    std::vector<FilterRecord> RecordsOnDisk(const std::string& hostFileName) const;
    // Builds the core and the frame over the folder, and shows the frame.
    void Open();

    // Pumps messages the way the program's loop does (accelerators, find
    // dialog) until pred holds or timeoutMs passes.
    bool Pump(const std::function<bool()>& pred, DWORD timeoutMs = 3000);
    void Settle(DWORD ms = 150);
    // Real keys.
    void PressKey(WORD key, bool ctrl = false);
    // Real clicks (with Ctrl held when ctrl).
    void Click(POINT screen, bool ctrl = false, bool right = false, WORD modifier = VK_CONTROL);
    void DoubleClick(POINT screen);

    // The list: texts of column in display order; selected positions.
    std::vector<std::string> Column(int column) const;
    std::vector<int> Selected() const;
    POINT RowPoint(int position) const;
    POINT HeaderPoint(int column) const;
    int HeaderFormat(int column) const;
    // The tree: the item reached by labels from the top; its centre.
    HTREEITEM TreeItem(const std::vector<std::string>& topDown) const;
    POINT TreePoint(HTREEITEM item) const;
    // Clicks the item until the tree selects it (Wine drops an odd click
    // right after activation); false when three clicks did not.
    bool ClickTreeItem(const std::vector<std::string>& topDown);
    // The same for a row of the list: true once it is the one selected row.
    bool ClickRow(int position);
    std::vector<std::string> TreeLabels(HTREEITEM parent) const;

    // Runs work on a helper thread after delayMs (to answer a modal window).
    void Later(std::function<void()> work, DWORD delayMs = 300);
    void JoinHelpers();

    std::filesystem::path root_;
    std::filesystem::path data_;
    MemoryRegistry registry_;
    RecordingLauncher launcher_;
    win::Win32WindowServices windows_;
    win::NullBrowserSystem browsers_;
    win::Win32Dialogs dialogs_;
    std::optional<AppCore> core_;
    std::unique_ptr<win::CMainFrame> frame_;
    std::vector<HANDLE> helpers_;
};

// A top-level window of the process with this caption (any class).
HWND WaitForWindow(const wchar_t* caption, DWORD timeoutMs);

}  // namespace qm::wintest
