// The options sheet under Wine: each page's controls with OK, Cancel,
// Apply-then-Cancel and "&Default", the days spin at its limits, refused
// days, and the registry values and start-up entry afterwards.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/win/options_sheet.h"
#include "platform/win/registry_win.h"
#include "res/resource.h"
#include "store/settings.h"
#include "tests/app_win/win_test_util.h"

namespace {

using qm::AppSettings;
using qm::RegistryWin;
using Step = std::function<void(HWND sheet)>;

constexpr char kProgram[] = "C:\\Program Files\\Quillmoor\\Quillmoor.exe";
constexpr int kApplyButton = 0x3021;

// Runs the steps one per timer tick while the sheet's modal loop runs.
struct Script {
    static inline std::vector<Step> steps;
    static inline size_t next = 0;
    static void CALLBACK Tick(HWND sheet, UINT, UINT_PTR id, DWORD) {
        if (next >= steps.size()) {
            KillTimer(sheet, id);
            return;
        }
        Step step = steps[next++];
        step(sheet);
    }
    // The step that just ran runs again at the next tick (it waits for a window).
    static void Again() {
        if (next > 0 && ++retries < 50) {
            --next;
        }
    }
    static inline int retries = 0;
};

int RunSheet(AppSettings& settings, std::vector<Step> steps) {
    Script::steps = std::move(steps);
    Script::next = 0;
    Script::retries = 0;
    return qm::win::RunOptionsSheet(nullptr, settings, [](HWND sheet) {
        SetTimer(sheet, 1, 150, &Script::Tick);
    });
}

HWND Page(HWND sheet) {
    return reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
}
void Click(HWND sheet, int id) {
    SendMessageW(GetDlgItem(Page(sheet), id), BM_CLICK, 0, 0);
}
bool Checked(HWND sheet, int id) {
    return IsDlgButtonChecked(Page(sheet), id) == BST_CHECKED;
}
bool Enabled(HWND sheet, int id) {
    return IsWindowEnabled(GetDlgItem(Page(sheet), id)) != FALSE;
}
std::string Text(HWND sheet, int id) {
    return qm::wintest::TextOf(GetDlgItem(Page(sheet), id));
}
void SetText(HWND sheet, int id, const wchar_t* text) {
    SetDlgItemTextW(Page(sheet), id, text);
}
Step Press(int button) {
    return [button](HWND sheet) { PropSheet_PressButton(sheet, button); };
}
Step Advanced() {
    return [](HWND sheet) { PropSheet_SetCurSel(sheet, nullptr, 1); };
}
// The days spin, as its arrows report a click.
void Spin(HWND sheet, int delta) {
    NMUPDOWN change{};
    HWND spin = GetDlgItem(Page(sheet), IDC_SPIN_EXPIRE_DAYS);
    change.hdr.hwndFrom = spin;
    change.hdr.idFrom = IDC_SPIN_EXPIRE_DAYS;
    change.hdr.code = UDN_DELTAPOS;
    change.iDelta = delta;
    SendMessageW(Page(sheet), WM_NOTIFY, IDC_SPIN_EXPIRE_DAYS, reinterpret_cast<LPARAM>(&change));
}

void DeleteSettings() {
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        RegDeleteKeyW(root, L"Software\\Quillmoor");
        HKEY run = nullptr;
        if (RegOpenKeyExW(root, L"Software\\Microsoft\\Windows\\CurrentVersion\\Run", 0,
                          KEY_ALL_ACCESS, &run) == ERROR_SUCCESS) {
            RegDeleteValueW(run, L"Quillmoor");
            RegCloseKey(run);
        }
    }
}

// What is stored, wherever the settings went (local machine or current user).
DWORD StoredNumber(const wchar_t* name) {
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        DWORD value = 0;
        DWORD size = sizeof(value);
        if (RegGetValueW(root, L"Software\\Quillmoor", name, RRF_RT_REG_DWORD, nullptr, &value,
                         &size) == ERROR_SUCCESS) {
            return value;
        }
    }
    return 0xFFFFFFFFu;
}
std::wstring RunEntry() {
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        wchar_t value[512] = {};
        DWORD size = sizeof(value);
        if (RegGetValueW(root, L"Software\\Microsoft\\Windows\\CurrentVersion\\Run", L"Quillmoor",
                         RRF_RT_REG_SZ, nullptr, value, &size) == ERROR_SUCCESS) {
            return value;
        }
    }
    return L"<none>";
}

class OptionsSheetTest : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteSettings();
        settings.bAutoStarup = 0;
        settings.bAutoDeleteHistory = 1;
        settings.nExpireDays = 30;
    }
    void TearDown() override { DeleteSettings(); }

    RegistryWin registry;
    AppSettings settings{registry, kProgram};
};

TEST_F(OptionsSheetTest, GeneralDefaultThenOkSavesEverything) {
    bool applyEnabledBefore = true;
    bool applyEnabledAfter = false;
    std::vector<bool> checks;
    const int saved = RunSheet(settings, {
        [&](HWND sheet) {
            applyEnabledBefore = IsWindowEnabled(GetDlgItem(sheet, kApplyButton)) != FALSE;
            Click(sheet, IDC_BUTTON_DEFAULT);
            applyEnabledAfter = IsWindowEnabled(GetDlgItem(sheet, kApplyButton)) != FALSE;
            for (int id : {IDC_RADIO_OPT_DOMAIN, IDC_RADIO_OPT_BLOCK_DOMAIN,
                           IDC_RADIO_OPT_URL_OR_TITLE, IDC_CHECK_ASK_DELETE_ELEMENT,
                           IDC_CHECK_ASK_DELETE_POPUP, IDC_CHECK_ASK_BLOCK_POPUP,
                           IDC_RADIO_OPT_CURRENT_PAGE}) {
                checks.push_back(Checked(sheet, id));
            }
        },
        Press(PSBTN_OK)});
    EXPECT_EQ(saved, 1);
    EXPECT_FALSE(applyEnabledBefore);
    EXPECT_TRUE(applyEnabledAfter);
    EXPECT_EQ(checks, (std::vector<bool>{true, true, true, true, true, true, false}));
    EXPECT_EQ(settings.nElementDeleteScope, 2);
    EXPECT_EQ(settings.nPopupInhitbitScope, 2);
    EXPECT_EQ(settings.nPopupRecogniseMode, 3);
    EXPECT_EQ(StoredNumber(L"nElementDeleteScope"), 2u);
    EXPECT_EQ(StoredNumber(L"nPopupRecogniseMode"), 3u);
    EXPECT_EQ(StoredNumber(L"bPromptBeforeInhitbitPopup"), 1u);
    EXPECT_EQ(RunEntry(), L"") << "auto launch stays off: the entry is emptied";
}

TEST_F(OptionsSheetTest, AdvancedDefaultEnablesDaysAndOkWritesTheStartupEntry) {
    settings.bAutoDeleteHistory = 0;
    settings.nExpireDays = 7;
    bool daysEnabledAtOpen = true;
    bool daysEnabledAfterDefault = false;
    std::string daysText;
    const int saved = RunSheet(settings, {
        Advanced(),
        [&](HWND sheet) {
            daysEnabledAtOpen = Enabled(sheet, IDC_EDIT_EXPIRE_DAYS) ||
                                Enabled(sheet, IDC_SPIN_EXPIRE_DAYS);
            Click(sheet, IDC_BUTTON_DEFAULT);
            daysEnabledAfterDefault = Enabled(sheet, IDC_EDIT_EXPIRE_DAYS) &&
                                      Enabled(sheet, IDC_SPIN_EXPIRE_DAYS);
            daysText = Text(sheet, IDC_EDIT_EXPIRE_DAYS);
        },
        Press(PSBTN_OK)});
    EXPECT_EQ(saved, 1);
    EXPECT_FALSE(daysEnabledAtOpen);
    EXPECT_TRUE(daysEnabledAfterDefault);
    EXPECT_EQ(daysText, "30");
    EXPECT_EQ(settings.bAutoStarup, 1);
    EXPECT_EQ(settings.bShowRecycleBinOnStartup, 1);
    EXPECT_EQ(settings.bOpenRecycleBinOnStartup, 0);
    EXPECT_EQ(StoredNumber(L"bAutoDeleteHistory"), 1u);
    EXPECT_EQ(StoredNumber(L"nExpireDays"), 30u);
    EXPECT_EQ(RunEntry(), L"\"C:\\Program Files\\Quillmoor\\Quillmoor.exe\"");
}

TEST_F(OptionsSheetTest, ApplyThenCancelKeepsTheAppliedValuesCancelAloneKeepsNone) {
    settings.bOpenRecycleBinOnStartup = 0;
    DWORD storedAfterApply = 0;
    int saved = RunSheet(settings, {Advanced(),
                               [](HWND sheet) { Click(sheet, IDC_CHECK_OPEN_EXPLORER); },
                               Press(PSBTN_APPLYNOW),
                               [&](HWND sheet) {
                                   storedAfterApply = StoredNumber(L"bOpenRecycleBinOnStartup");
                                   Click(sheet, IDC_CHECK_SHOW_BIN);
                               },
                               Press(PSBTN_CANCEL)});
    EXPECT_EQ(storedAfterApply, 1u) << "Apply saves at once";
    EXPECT_EQ(saved, 1);
    EXPECT_EQ(settings.bShowRecycleBinOnStartup, 1) << "the change after Apply was cancelled";
    EXPECT_EQ(settings.bOpenRecycleBinOnStartup, 1);
    EXPECT_EQ(StoredNumber(L"bOpenRecycleBinOnStartup"), 1u);

    DeleteSettings();
    saved = RunSheet(settings, {[](HWND sheet) { Click(sheet, IDC_BUTTON_DEFAULT); }, Advanced(),
                           [](HWND sheet) { Click(sheet, IDC_BUTTON_DEFAULT); },
                           Press(PSBTN_CANCEL)});
    EXPECT_EQ(saved, -1);
    EXPECT_EQ(settings.bOpenRecycleBinOnStartup, 1);
    EXPECT_EQ(settings.nElementDeleteScope, qm::kScopeNone);
    EXPECT_EQ(StoredNumber(L"nExpireDays"), 0xFFFFFFFFu) << "nothing written";
    EXPECT_EQ(RunEntry(), L"<none>");
}

TEST_F(OptionsSheetTest, DaysSpinStopsAtItsLimitsAndAutoDeleteGreysTheDays) {
    std::vector<std::string> seen;
    bool applyBefore = true;
    bool applyAfter = true;
    bool editEnabled = true;
    bool spinEnabled = true;
    RunSheet(settings, {Advanced(),
                   [&](HWND sheet) {
                       Spin(sheet, -1);  // up arrow: a day more
                       seen.push_back(Text(sheet, IDC_EDIT_EXPIRE_DAYS));
                       Spin(sheet, 1);
                       Spin(sheet, 1);
                       seen.push_back(Text(sheet, IDC_EDIT_EXPIRE_DAYS));
                       SetText(sheet, IDC_EDIT_EXPIRE_DAYS, L"1");
                       Spin(sheet, 1);  // down arrow at 1 does nothing
                       seen.push_back(Text(sheet, IDC_EDIT_EXPIRE_DAYS));
                       SetText(sheet, IDC_EDIT_EXPIRE_DAYS, L"1000");
                       Spin(sheet, -1);  // up arrow at 1000 does nothing
                       seen.push_back(Text(sheet, IDC_EDIT_EXPIRE_DAYS));
                       applyBefore = IsWindowEnabled(GetDlgItem(sheet, kApplyButton)) != FALSE;
                       Click(sheet, IDC_CHECK_AUTO_DELETE);
                       applyAfter = IsWindowEnabled(GetDlgItem(sheet, kApplyButton)) != FALSE;
                       editEnabled = Enabled(sheet, IDC_EDIT_EXPIRE_DAYS);
                       spinEnabled = Enabled(sheet, IDC_SPIN_EXPIRE_DAYS);
                   },
                   Press(PSBTN_CANCEL)});
    EXPECT_EQ(seen, (std::vector<std::string>{"31", "29", "1", "1000"}));
    EXPECT_FALSE(editEnabled);
    EXPECT_FALSE(spinEnabled);
    EXPECT_EQ(applyBefore, applyAfter) << "auto delete does not mark the page modified";
}

TEST_F(OptionsSheetTest, DaysOutOfRangeAreRefusedAndTheSheetStaysOpen) {
    std::string message;
    bool sheetOpen = false;
    HWND focusOnDays = nullptr;
    HWND daysEdit = nullptr;
    const int saved = RunSheet(settings, {
        Advanced(),
        [](HWND sheet) {
            SetText(sheet, IDC_EDIT_EXPIRE_DAYS, L"1001");
            // OK runs the message box's own loop; the next steps run inside it.
            PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
        },
        [&](HWND sheet) {
            HWND box = FindWindowW(L"#32770", L"Quill Moor");
            if (box == nullptr || !IsWindowVisible(box)) {
                Script::Again();  // the message box comes up from OK's handling
                return;
            }
            {
                EnumChildWindows(
                    box,
                    [](HWND child, LPARAM found) {
                        wchar_t name[16] = {};
                        GetClassNameW(child, name, 16);
                        std::string text = qm::wintest::TextOf(child);
                        if (lstrcmpiW(name, L"Static") == 0 && !text.empty()) {
                            *reinterpret_cast<std::string*>(found) = text;
                        }
                        return TRUE;
                    },
                    reinterpret_cast<LPARAM>(&message));
                sheetOpen = IsWindowVisible(sheet) != FALSE;
                PostMessageW(box, WM_COMMAND, IDOK, 0);
            }
        },
        [&](HWND sheet) {
            daysEdit = GetDlgItem(Page(sheet), IDC_EDIT_EXPIRE_DAYS);
            focusOnDays = GetFocus();
            SetText(sheet, IDC_EDIT_EXPIRE_DAYS, L"365");
            PropSheet_PressButton(sheet, PSBTN_OK);
        }});
    EXPECT_EQ(message, "Please enter an integer between 1 and 1000.");
    EXPECT_TRUE(sheetOpen);
    EXPECT_EQ(focusOnDays, daysEdit) << "the focus goes back to the days";
    EXPECT_EQ(saved, 1);
    EXPECT_EQ(settings.nExpireDays, 365);
    EXPECT_EQ(StoredNumber(L"nExpireDays"), 365u);
}

INT_PTR CALLBACK TemplateProc(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

TEST(OptionsPages, TemplatesHaveEveryControlWithItsTextAndSize) {
    struct Control {
        int id;
        const char* text;
        bool startsGroup;
    };
    struct Page {
        int templateId;
        int width, height;
        std::vector<Control> controls;
    };
    const Page pages[] = {
        {IDD_OPTIONS_GENERAL, 226, 213,
         {{IDC_RADIO_OPT_CURRENT_PAGE, "Current page only", true},
          {IDC_RADIO_OPT_WEB_SERVER, "Current web server", false},
          {IDC_RADIO_OPT_DOMAIN, "Current domain", false},
          {IDC_CHECK_ASK_DELETE_ELEMENT, "Ask when delete", true},
          {IDC_RADIO_OPT_URL_ONLY, "URL only", true},
          {IDC_RADIO_OPT_TITLE_ONLY, "Title only", false},
          {IDC_RADIO_OPT_URL_AND_TITLE, "URL && title", false},
          {IDC_RADIO_OPT_URL_OR_TITLE, "URL or title", false},
          {IDC_CHECK_ASK_DELETE_POPUP, "Ask when delete", true},
          {IDC_RADIO_OPT_BLOCK_PAGE, "Current page only", true},
          {IDC_RADIO_OPT_BLOCK_SERVER, "Current web server", false},
          {IDC_RADIO_OPT_BLOCK_DOMAIN, "Current domain", false},
          {IDC_CHECK_ASK_BLOCK_POPUP, "Ask when define", true},
          {IDC_BUTTON_DEFAULT, "&Default", true}}},
        {IDD_OPTIONS_ADVANCED, 226, 208,
         {{IDC_CHECK_AUTO_LAUNCH, "Auto launch when system Startup", true},
          {IDC_CHECK_SHOW_BIN, "Show Recycle Bin", false},
          {IDC_CHECK_OPEN_EXPLORER, "Open Recycle Bin ( Show explorer window )", false},
          {IDC_CHECK_AUTO_DELETE, "Auto delete expired elements", false},
          {IDC_EDIT_EXPIRE_DAYS, "", false},
          {IDC_BUTTON_DEFAULT, "&Default", false},
          {IDC_SPIN_EXPIRE_DAYS, "", false}}},
    };
    HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    for (const Page& page : pages) {
        HWND dialog = CreateDialogParamW(GetModuleHandleW(nullptr),
                                         MAKEINTRESOURCEW(page.templateId), parent, &TemplateProc, 0);
        ASSERT_NE(dialog, nullptr) << page.templateId;
        RECT size{0, 0, page.width, page.height};
        MapDialogRect(dialog, &size);
        RECT client{};
        GetClientRect(dialog, &client);
        EXPECT_EQ(client.right, size.right) << page.templateId;
        EXPECT_EQ(client.bottom, size.bottom) << page.templateId;
        for (const Control& c : page.controls) {
            HWND control = GetDlgItem(dialog, c.id);
            ASSERT_NE(control, nullptr) << page.templateId << " " << c.id;
            if (*c.text != '\0') {
                EXPECT_EQ(qm::wintest::TextOf(control), c.text) << c.id;
            }
            EXPECT_EQ((GetWindowLongPtrW(control, GWL_STYLE) & WS_GROUP) != 0, c.startsGroup)
                << page.templateId << " " << c.id;
        }
        HWND spin = GetDlgItem(dialog, IDC_SPIN_EXPIRE_DAYS);
        if (spin != nullptr) {
            // Not attached to the edit box: the page does the counting.
            EXPECT_EQ(SendMessageW(spin, UDM_GETBUDDY, 0, 0), 0);
            EXPECT_NE(GetWindowLongPtrW(spin, GWL_STYLE) & UDS_ARROWKEYS, 0);
        }
        DestroyWindow(dialog);
    }
    DestroyWindow(parent);
}

}  // namespace
