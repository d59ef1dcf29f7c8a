// The three filter prompts as real dialogs: their templates, the texts added
// at initialisation, and the answers read back, driven from a second thread
// with button messages and with real mouse input.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "app/win/dialogs_win.h"
#include "res/resource.h"
#include "tests/app_win/win_test_util.h"

namespace {

using qm::PromptAnswer;
using qm::PromptRequest;
using qm::win::Win32Dialogs;
namespace wt = qm::wintest;

struct ControlSpec {
    int id;
    const char* text;
    int x, y, w, h;
};

// What the driver saw while the dialog was open.
struct Seen {
    bool found = false;
    std::string caption;
    RECT client{};
    RECT expectedClient{};
    LONG_PTR style = 0;
    LONG_PTR exStyle = 0;
    LRESULT defId = 0;
    std::vector<int> checkedRadios;  // ids of checked buttons among the radios
    bool boxChecked = false;
    std::string shot;
};

// Shows a dialog on this thread while another thread finds it by caption and
// runs drive on it; the dialog is cancelled if drive leaves it open.
PromptAnswer RunDriven(const char* caption, const std::function<PromptAnswer()>& show,
                       const std::function<void(HWND)>& drive, Seen& seen) {
    std::thread driver([&] {
        HWND dialog = wt::FindDialog(caption, 5000);
        if (dialog == nullptr) {
            return;
        }
        seen.found = true;
        seen.caption = wt::TextOf(dialog);
        drive(dialog);
        const DWORD start = GetTickCount();
        while (IsWindow(dialog) && GetTickCount() - start < 3000) {
            Sleep(20);
        }
        if (IsWindow(dialog)) {
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        }
    });
    PromptAnswer answer = show();
    driver.join();
    return answer;
}

// The dialog manager maps a control's origin and its size separately.
RECT DialogUnits(HWND dialog, int x, int y, int w, int h) {
    RECT origin{x, y, w, h};
    MapDialogRect(dialog, &origin);
    return RECT{origin.left, origin.top, origin.left + origin.right, origin.top + origin.bottom};
}

// Control rectangle in the dialog's client coordinates.
RECT ClientRectOf(HWND dialog, HWND control) {
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

void Inspect(HWND dialog, int w, int h, const std::vector<int>& radios, Seen& seen) {
    GetClientRect(dialog, &seen.client);
    seen.expectedClient = DialogUnits(dialog, 0, 0, w, h);
    seen.style = GetWindowLongPtrA(dialog, GWL_STYLE);
    seen.exStyle = GetWindowLongPtrA(dialog, GWL_EXSTYLE);
    seen.defId = SendMessageA(dialog, DM_GETDEFID, 0, 0);
    for (int id : radios) {
        if (IsDlgButtonChecked(dialog, id) == BST_CHECKED) {
            seen.checkedRadios.push_back(id);
        }
    }
    seen.boxChecked = IsDlgButtonChecked(dialog, IDC_CHECK_DONT_ASK) == BST_CHECKED;
}

void ExpectControls(HWND dialog, const std::vector<ControlSpec>& specs) {
    for (const ControlSpec& spec : specs) {
        HWND control = GetDlgItem(dialog, spec.id);
        ASSERT_NE(control, nullptr) << spec.id;
        char cls[32] = {};
        GetClassNameA(control, cls, sizeof(cls));
        EXPECT_STREQ(cls, "Button") << spec.id;
        EXPECT_EQ(wt::TextOf(control), spec.text) << spec.id;
        const RECT want = DialogUnits(dialog, spec.x, spec.y, spec.w, spec.h);
        const RECT got = ClientRectOf(dialog, control);
        EXPECT_EQ(got.left, want.left) << spec.id;
        EXPECT_EQ(got.top, want.top) << spec.id;
        EXPECT_EQ(got.right, want.right) << spec.id;
        EXPECT_EQ(got.bottom, want.bottom) << spec.id;
    }
}

void ExpectDialogFrame(const Seen& seen) {
    EXPECT_EQ(seen.client.right - seen.client.left,
              seen.expectedClient.right - seen.expectedClient.left);
    EXPECT_EQ(seen.client.bottom - seen.client.top,
              seen.expectedClient.bottom - seen.expectedClient.top);
    EXPECT_EQ(seen.style & WS_CAPTION, WS_CAPTION);
    EXPECT_NE(seen.style & WS_SYSMENU, 0);
    EXPECT_NE(seen.style & WS_POPUP, 0);
    EXPECT_NE(seen.exStyle & WS_EX_TOPMOST, 0) << "system-modal dialogs stay on top";
    EXPECT_EQ(HIWORD(seen.defId), DC_HASDEFID);
    EXPECT_EQ(LOWORD(seen.defId), IDOK);
}

void ExpectBoxStyle(HWND dialog) {
    const LONG_PTR style = GetWindowLongPtrA(GetDlgItem(dialog, IDC_CHECK_DONT_ASK), GWL_STYLE);
    EXPECT_NE(style & BS_MULTILINE, 0);
    EXPECT_EQ(style & BS_TYPEMASK, BS_AUTOCHECKBOX);
}

void ExpectFirstRadioStartsGroup(HWND dialog, int first, const std::vector<int>& others) {
    EXPECT_NE(GetWindowLongPtrA(GetDlgItem(dialog, first), GWL_STYLE) & WS_GROUP, 0);
    for (int id : others) {
        EXPECT_EQ(GetWindowLongPtrA(GetDlgItem(dialog, id), GWL_STYLE) & WS_GROUP, 0) << id;
    }
}

void Click(HWND dialog, int id) {
    SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

const char kBoxText[] =
    "Do not ask later, unless the shift key is pressed. Use the options above as default.";

const std::vector<int> kScopeRadiosDelete = {IDC_RADIO_CURRENT_PAGE, IDC_RADIO_WEB_SERVER,
                                             IDC_RADIO_DOMAIN};
const std::vector<int> kScopeRadiosBlock = {IDC_RADIO_BLOCK_PAGE, IDC_RADIO_WEB_SERVER,
                                            IDC_RADIO_DOMAIN};
const std::vector<int> kModeRadios = {IDC_RADIO_URL_ONLY, IDC_RADIO_TITLE_ONLY,
                                      IDC_RADIO_URL_AND_TITLE, IDC_RADIO_URL_OR_TITLE};

PromptRequest ScopeRequest(int radio, bool ticked) {
    PromptRequest request;
    request.selectedRadio = radio;
    request.boxTicked = ticked;
    request.hostText = "ads.example.co.uk";
    request.domainText = "example.co.uk";
    return request;
}

TEST(DeleteElementPrompt, ShowsTemplateWithHostAndDomainAndReturnsNewChoice) {
    Win32Dialogs dialogs;
    Seen seen;
    const PromptAnswer answer = RunDriven(
        "Delete Element", [&] { return dialogs.AskDeleteElement(ScopeRequest(1, true)); },
        [&](HWND d) {
            Inspect(d, 210, 113, kScopeRadiosDelete, seen);
            ExpectControls(
                d, {{IDC_RADIO_CURRENT_PAGE, "Current page only", 17, 14, 175, 10},
                    {IDC_RADIO_WEB_SERVER, "web server : ads.example.co.uk", 17, 25, 175, 10},
                    {IDC_RADIO_DOMAIN, "domain : example.co.uk", 17, 37, 175, 10},
                    {IDC_CHECK_DONT_ASK, kBoxText, 17, 56, 177, 29},
                    {IDOK, "OK", 120, 95, 35, 11},
                    {IDCANCEL, "Cancel", 167, 95, 35, 11}});
            ExpectBoxStyle(d);
            ExpectFirstRadioStartsGroup(d, IDC_RADIO_CURRENT_PAGE,
                                        {IDC_RADIO_WEB_SERVER, IDC_RADIO_DOMAIN});
            seen.shot = wt::SaveScreenshot("delete_element");
            Click(d, IDC_RADIO_DOMAIN);
            Click(d, IDC_CHECK_DONT_ASK);
            Click(d, IDOK);
        },
        seen);
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.caption, "Delete Element");
    ExpectDialogFrame(seen);
    EXPECT_EQ(seen.checkedRadios, std::vector<int>{IDC_RADIO_WEB_SERVER});
    EXPECT_TRUE(seen.boxChecked);
    EXPECT_TRUE(answer.ok);
    EXPECT_EQ(answer.selectedRadio, 2);
    EXPECT_FALSE(answer.boxTicked);
}

TEST(DeleteElementPrompt, NothingPreselectedGivesMinusOne) {
    Win32Dialogs dialogs;
    Seen seen;
    const PromptAnswer answer = RunDriven(
        "Delete Element", [&] { return dialogs.AskDeleteElement(ScopeRequest(3, false)); },
        [&](HWND d) {
            Inspect(d, 210, 113, kScopeRadiosDelete, seen);
            Click(d, IDOK);
        },
        seen);
    ASSERT_TRUE(seen.found);
    EXPECT_TRUE(seen.checkedRadios.empty());
    EXPECT_FALSE(seen.boxChecked);
    EXPECT_TRUE(answer.ok);
    EXPECT_EQ(answer.selectedRadio, -1);
    EXPECT_FALSE(answer.boxTicked);
}

TEST(DeleteElementPrompt, CancelAndCloseAnswerNothing) {
    Win32Dialogs dialogs;
    Seen seen;
    PromptAnswer answer = RunDriven(
        "Delete Element", [&] { return dialogs.AskDeleteElement(ScopeRequest(0, false)); },
        [&](HWND d) {
            Click(d, IDC_RADIO_WEB_SERVER);
            Click(d, IDCANCEL);
        },
        seen);
    ASSERT_TRUE(seen.found);
    EXPECT_FALSE(answer.ok);

    Seen closed;
    answer = RunDriven(
        "Delete Element", [&] { return dialogs.AskDeleteElement(ScopeRequest(0, false)); },
        [&](HWND d) { PostMessageA(d, WM_CLOSE, 0, 0); }, closed);
    ASSERT_TRUE(closed.found);
    EXPECT_FALSE(answer.ok);
}

TEST(KillPopupPrompt, ShowsFourModesAndReturnsTheClickedOne) {
    Win32Dialogs dialogs;
    Seen seen;
    PromptRequest request;
    request.selectedRadio = 3;
    request.boxTicked = false;
    const PromptAnswer answer = RunDriven(
        "kill Popup Window", [&] { return dialogs.AskKillPopup(request); },
        [&](HWND d) {
            Inspect(d, 210, 107, kModeRadios, seen);
            ExpectControls(d, {{IDC_GROUP_RECOGNISE, "Recognise popup window by", 7, 3, 196, 46},
                               {IDC_RADIO_URL_ONLY, "URL Only", 14, 17, 67, 10},
                               {IDC_RADIO_TITLE_ONLY, "Title Only", 104, 17, 67, 10},
                               {IDC_RADIO_URL_AND_TITLE, "URL && Title", 14, 33, 67, 10},
                               {IDC_RADIO_URL_OR_TITLE, "URL or Title", 104, 33, 67, 10},
                               {IDC_CHECK_DONT_ASK, kBoxText, 13, 52, 183, 28},
                               {IDOK, "OK", 120, 88, 35, 12},
                               {IDCANCEL, "Cancel", 168, 88, 35, 12}});
            ExpectBoxStyle(d);
            ExpectFirstRadioStartsGroup(
                d, IDC_RADIO_URL_ONLY,
                {IDC_RADIO_TITLE_ONLY, IDC_RADIO_URL_AND_TITLE, IDC_RADIO_URL_OR_TITLE});
            seen.shot = wt::SaveScreenshot("kill_popup");
            Click(d, IDC_RADIO_TITLE_ONLY);
            Click(d, IDC_CHECK_DONT_ASK);
            Click(d, IDOK);
        },
        seen);
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.caption, "kill Popup Window");
    ExpectDialogFrame(seen);
    EXPECT_EQ(seen.checkedRadios, std::vector<int>{IDC_RADIO_URL_OR_TITLE});
    EXPECT_FALSE(seen.boxChecked);
    EXPECT_TRUE(answer.ok);
    EXPECT_EQ(answer.selectedRadio, 1);
    EXPECT_TRUE(answer.boxTicked);
}

TEST(BlockPopupPrompt, ShowsTemplateAndKeepsUnchangedAnswer) {
    Win32Dialogs dialogs;
    Seen seen;
    const PromptAnswer answer = RunDriven(
        "block popup windows", [&] { return dialogs.AskBlockPopup(ScopeRequest(0, true)); },
        [&](HWND d) {
            Inspect(d, 210, 111, kScopeRadiosBlock, seen);
            ExpectControls(
                d, {{IDC_RADIO_BLOCK_PAGE, "Current page only", 17, 14, 177, 10},
                    {IDC_RADIO_WEB_SERVER, "web server : ads.example.co.uk", 17, 25, 177, 10},
                    {IDC_RADIO_DOMAIN, "domain : example.co.uk", 17, 37, 177, 10},
                    {IDC_CHECK_DONT_ASK, kBoxText, 17, 55, 181, 29},
                    {IDOK, "OK", 118, 92, 35, 11},
                    {IDCANCEL, "Cancel", 165, 92, 35, 11}});
            ExpectBoxStyle(d);
            ExpectFirstRadioStartsGroup(d, IDC_RADIO_BLOCK_PAGE,
                                        {IDC_RADIO_WEB_SERVER, IDC_RADIO_DOMAIN});
            seen.shot = wt::SaveScreenshot("block_popup");
            Click(d, IDOK);
        },
        seen);
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.caption, "block popup windows");
    ExpectDialogFrame(seen);
    EXPECT_EQ(seen.checkedRadios, std::vector<int>{IDC_RADIO_BLOCK_PAGE});
    EXPECT_TRUE(seen.boxChecked);
    EXPECT_TRUE(answer.ok);
    EXPECT_EQ(answer.selectedRadio, 0);
    EXPECT_TRUE(answer.boxTicked);
}

// Real mouse input on the radio, the box and OK.
TEST(BlockPopupPrompt, AnsweredWithRealMouseClicks) {
    Win32Dialogs dialogs;
    Seen seen;
    const PromptAnswer answer = RunDriven(
        "block popup windows", [&] { return dialogs.AskBlockPopup(ScopeRequest(0, false)); },
        [&](HWND d) {
            wt::WaitFor([&] { return GetForegroundWindow() == d; }, 2000);
            for (int id : {IDC_RADIO_WEB_SERVER, IDC_CHECK_DONT_ASK}) {
                RECT r{};
                GetWindowRect(GetDlgItem(d, id), &r);
                // Left part of the control: its button face.
                wt::ClickAt(r.left + 6, (r.top + r.bottom) / 2);
                EXPECT_TRUE(
                    wt::WaitFor([&] { return IsDlgButtonChecked(d, id) == BST_CHECKED; }, 2000))
                    << id;
            }
            const POINT ok = wt::CentreOf(GetDlgItem(d, IDOK));
            wt::ClickAt(ok.x, ok.y);
        },
        seen);
    ASSERT_TRUE(seen.found);
    EXPECT_TRUE(answer.ok);
    EXPECT_EQ(answer.selectedRadio, 1);
    EXPECT_TRUE(answer.boxTicked);
}

}  // namespace
