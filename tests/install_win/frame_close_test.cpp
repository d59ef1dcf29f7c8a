// How the program ends when an installer replaces it: a close request sent to
// its main frame from outside ends it cleanly, while the user's own close
// (the caption's button, Alt+F4: a SC_CLOSE system command) only hides it.
#include <windows.h>

#include <gtest/gtest.h>

#include "tests/app_win/program_process.h"
#include "tests/app_win/win_test_util.h"

namespace {

namespace wt = qm::wintest;

TEST(FrameClose, UserCloseHidesAndACloseRequestFromOutsideEndsTheProgram) {
    wt::SettingsPreset preset;
    ASSERT_TRUE(preset.Set("bShowRecycleBinOnStartup", 1));
    ASSERT_TRUE(preset.Set("bOpenRecycleBinOnStartup", 1));
    ASSERT_TRUE(preset.Set("bAutoDeleteHistory", 0));

    wt::ProgramProcess program;
    ASSERT_TRUE(program.Start("Quillmoor.exe"));
    ASSERT_NE(program.WaitBinWindow(15000), nullptr);
    HWND frame = nullptr;
    wt::WaitFor(
        [&] {
            frame = program.FindTopLevel("QuillmoorMainFrame", "Quill Moor");
            return frame != nullptr;
        },
        10000);
    ASSERT_NE(frame, nullptr) << "the main frame is shown at start-up";

    SendMessageA(frame, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(IsWindow(frame));
    EXPECT_FALSE(IsWindowVisible(frame)) << "the user's close hides the frame";
    EXPECT_EQ(program.WaitExit(500), -2) << "and the program goes on";

    // What the installer does: the frame's class, then a close request.
    EXPECT_EQ(FindWindowW(L"QuillmoorMainFrame", nullptr), frame);
    SendMessageW(frame, WM_CLOSE, 0, 0);
    EXPECT_EQ(program.WaitExit(10000), 0) << "a close request from outside ends it cleanly";
}

}  // namespace
