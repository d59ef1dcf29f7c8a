// The three questions asked through the real dialogs: the answers and the
// settings they change, the Shift rule and Cancel.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <thread>

#include "app/win/dialogs_win.h"
#include "platform/win/window_services_win.h"
#include "app/prompts.h"
#include "res/resource.h"
#include "testing/registry_memory.h"
#include "store/settings.h"
#include "tests/app_win/win_test_util.h"

namespace {

namespace wt = qm::wintest;

// Runs ask on this thread while another thread answers the dialog with this
// caption through drive; seen tells whether the dialog appeared.
int AskDriven(const char* caption, const std::function<int()>& ask,
              const std::function<void(HWND)>& drive, bool& seen, DWORD waitMs = 5000) {
    seen = false;
    std::thread driver([&] {
        HWND dialog = wt::FindDialog(caption, waitMs);
        if (dialog == nullptr) {
            return;
        }
        seen = true;
        drive(dialog);
        if (!wt::WaitFor([&] { return !IsWindow(dialog); }, 3000)) {
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        }
    });
    const int result = ask();
    driver.join();
    return result;
}

void Click(HWND dialog, int id) {
    SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

class PromptSettingsTest : public ::testing::Test {
protected:
    qm::MemoryRegistry registry_;
    qm::AppSettings settings_{registry_, "C:\\Quillmoor\\Quillmoor.exe"};
    qm::win::Win32Dialogs dialogs_;
    qm::win::Win32WindowServices windows_;
    qm::PromptContext context_{settings_, dialogs_, windows_};
};

TEST_F(PromptSettingsTest, ElementScopeAnswerAndBoxChangeTheSettings) {
    ASSERT_EQ(settings_.bPromptBeforeDeleteElement, 1);
    bool seen = false;
    std::string webServerText;
    const int scope = AskDriven(
        "Delete Element",
        [&] { return qm::AskElementScope(context_, "http://shop.example.org/cart.html"); },
        [&](HWND d) {
            webServerText = wt::TextOf(GetDlgItem(d, IDC_RADIO_WEB_SERVER));
            Click(d, IDC_RADIO_DOMAIN);
            Click(d, IDC_CHECK_DONT_ASK);
            Click(d, IDOK);
        },
        seen);
    ASSERT_TRUE(seen);
    EXPECT_EQ(webServerText, "web server : shop.example.org");
    EXPECT_EQ(scope, 2);
    EXPECT_EQ(settings_.nElementDeleteScope, 2);
    EXPECT_EQ(settings_.bPromptBeforeDeleteElement, 0);

    // Not asked again while Shift is up: the remembered answer comes back at once.
    const int again = AskDriven(
        "Delete Element", [&] { return qm::AskElementScope(context_, "http://a.example.org/"); },
        [&](HWND d) { Click(d, IDCANCEL); }, seen, 500);
    EXPECT_FALSE(seen);
    EXPECT_EQ(again, 2);
}

TEST_F(PromptSettingsTest, CancelChangesNothing) {
    settings_.nPopupRecogniseMode = 2;
    bool seen = false;
    const int mode = AskDriven(
        "kill Popup Window", [&] { return qm::AskPopupRecogniseMode(context_); },
        [&](HWND d) {
            Click(d, IDC_RADIO_URL_ONLY);
            Click(d, IDC_CHECK_DONT_ASK);
            Click(d, IDCANCEL);
        },
        seen);
    ASSERT_TRUE(seen);
    EXPECT_EQ(mode, -1);
    EXPECT_EQ(settings_.nPopupRecogniseMode, 2);
    EXPECT_EQ(settings_.bPromptBeforeDeletePopup, 1);
}

TEST_F(PromptSettingsTest, BlockScopeKeepsAskingWhenBoxLeftUnticked) {
    bool seen = false;
    bool boxWasTicked = true;
    const int scope = AskDriven(
        "block popup windows",
        [&] { return qm::AskBlockPopupScope(context_, "http://www.example.com/"); },
        [&](HWND d) {
            boxWasTicked = IsDlgButtonChecked(d, IDC_CHECK_DONT_ASK) == BST_CHECKED;
            Click(d, IDC_RADIO_WEB_SERVER);
            Click(d, IDOK);
        },
        seen);
    ASSERT_TRUE(seen);
    EXPECT_FALSE(boxWasTicked);  // the flag is set, so the box starts clear
    EXPECT_EQ(scope, 1);
    EXPECT_EQ(settings_.nPopupInhitbitScope, 1);
    EXPECT_EQ(settings_.bPromptBeforeInhitbitPopup, 1);
}

}  // namespace
