// The window layer: objects attached to their windows, handlers reached
// through the dispatch table, exceptions stopped at the window procedure,
// dialogs from templates with radio groups and check boxes, and texts that
// reach the system as UTF-16 whatever the code page.
#include <windows.h>

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "app/win/dialog.h"
#include "app/win/window.h"
#include "res/resource.h"

namespace {

using qm::win::CDialog;
using qm::win::CWindow;

constexpr UINT kThrowMessage = WM_APP + 1;
constexpr UINT kAnswerMessage = WM_APP + 2;

class RecordingWindow : public CWindow {
public:
    std::vector<std::string> log;
    HWND handleAtFinal = reinterpret_cast<HWND>(1);
    bool attachedAtCreate = false;

protected:
    bool OnMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result) override {
        if (message == kThrowMessage) {
            throw std::runtime_error("handler failed");
        }
        if (message == kAnswerMessage) {
            result = static_cast<LRESULT>(wParam * 2);
            return true;
        }
        return false;
    }
    bool OnCreate() override {
        attachedAtCreate = FromHandle(Handle()) == this;
        log.push_back("create");
        return false;
    }
    bool OnDestroy() override {
        log.push_back("destroy");
        return false;
    }
    bool OnCommand(int id, int code, HWND) override {
        log.push_back("command " + std::to_string(id) + " " + std::to_string(code));
        return true;
    }
    bool OnTimer(UINT_PTR id) override {
        if (id == 99) {
            throw 42;  // not even a std::exception
        }
        log.push_back("timer " + std::to_string(id));
        return true;
    }
    bool OnMouse(UINT message, POINT client, WPARAM) override {
        log.push_back("mouse " + std::to_string(message) + " " + std::to_string(client.x) + "," +
                      std::to_string(client.y));
        return true;
    }
    void OnFinalMessage() override {
        handleAtFinal = Handle();
        log.push_back("final");
    }
};

constexpr char kClass[] = "QuillmoorLayerTest";

HWND CreateRecording(RecordingWindow& window) {
    EXPECT_TRUE(CWindow::RegisterWindowClass(kClass));
    EXPECT_TRUE(window.Create(0, kClass, "layer", WS_OVERLAPPEDWINDOW, 10, 10, 200, 150));
    return window.Handle();
}

TEST(WindowLayer, ObjectIsAttachedFromCreationToFinalMessage) {
    RecordingWindow window;
    HWND handle = CreateRecording(window);
    ASSERT_NE(handle, nullptr);
    EXPECT_TRUE(window.attachedAtCreate);
    EXPECT_EQ(CWindow::FromHandle(handle), &window);
    window.Destroy();
    EXPECT_EQ(window.Handle(), nullptr);
    EXPECT_FALSE(IsWindow(handle));
    EXPECT_EQ(window.handleAtFinal, nullptr);
    EXPECT_EQ(window.log, (std::vector<std::string>{"create", "destroy", "final"}));
}

TEST(WindowLayer, HandlersReceiveCrackedParameters) {
    RecordingWindow window;
    HWND handle = CreateRecording(window);
    ASSERT_NE(handle, nullptr);
    SendMessageA(handle, WM_COMMAND, MAKEWPARAM(32776, 0), 0);
    SendMessageA(handle, WM_TIMER, 7, 0);
    SendMessageA(handle, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(12, 34));
    SendMessageA(handle, WM_MOUSEMOVE, 0, MAKELPARAM(static_cast<WORD>(-3), 5));
    EXPECT_EQ(SendMessageA(handle, kAnswerMessage, 21, 0), 42);
    EXPECT_EQ(window.log, (std::vector<std::string>{"create", "command 32776 0", "timer 7",
                                                    "mouse 513 12,34", "mouse 512 -3,5"}));
}

TEST(WindowLayer, ExceptionsStopAtTheWindowProcedure) {
    RecordingWindow window;
    HWND handle = CreateRecording(window);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(SendMessageA(handle, kThrowMessage, 0, 0), 0);
    EXPECT_EQ(SendMessageA(handle, WM_TIMER, 99, 0), 0);
    // The window goes on working.
    EXPECT_EQ(SendMessageA(handle, kAnswerMessage, 5, 0), 10);
    EXPECT_EQ(CWindow::FromHandle(handle), &window);
}

TEST(WindowLayer, DestroyingTheObjectDestroysItsWindow) {
    HWND handle = nullptr;
    {
        RecordingWindow window;
        handle = CreateRecording(window);
        ASSERT_TRUE(IsWindow(handle));
    }
    EXPECT_FALSE(IsWindow(handle));
}

// The "kill Popup Window" template as a modeless dialog: four radios in one group.
class ModeDialog : public CDialog {
public:
    ModeDialog() : CDialog(IDD_KILL_POPUP) {}
    int okCount = 0;
    bool throwOnInit = false;

protected:
    bool OnInitDialog() override {
        if (throwOnInit) {
            throw std::runtime_error("init failed");
        }
        return CDialog::OnInitDialog();
    }
    void OnOK() override {
        ++okCount;
        CDialog::OnOK();
    }
};

TEST(DialogLayer, RadioGroupIndexFollowsTemplateOrder) {
    ModeDialog dialog;
    ASSERT_TRUE(dialog.CreateModeless());
    EXPECT_EQ(dialog.RadioIndex(IDC_RADIO_URL_ONLY), -1);
    dialog.SetRadioIndex(IDC_RADIO_URL_ONLY, 2);
    EXPECT_EQ(IsDlgButtonChecked(dialog.Handle(), IDC_RADIO_URL_AND_TITLE), BST_CHECKED);
    EXPECT_EQ(dialog.RadioIndex(IDC_RADIO_URL_ONLY), 2);
    CheckDlgButton(dialog.Handle(), IDC_RADIO_URL_AND_TITLE, BST_UNCHECKED);
    CheckDlgButton(dialog.Handle(), IDC_RADIO_URL_OR_TITLE, BST_CHECKED);
    EXPECT_EQ(dialog.RadioIndex(IDC_RADIO_URL_ONLY), 3);
    dialog.SetRadioIndex(IDC_RADIO_URL_ONLY, -1);
    EXPECT_EQ(dialog.RadioIndex(IDC_RADIO_URL_ONLY), -1);
    // The check box after the group is not part of it.
    dialog.SetRadioIndex(IDC_RADIO_URL_ONLY, 4);
    EXPECT_EQ(dialog.RadioIndex(IDC_RADIO_URL_ONLY), -1);
    EXPECT_FALSE(dialog.IsChecked(IDC_CHECK_DONT_ASK));
    dialog.SetChecked(IDC_CHECK_DONT_ASK, true);
    EXPECT_TRUE(dialog.IsChecked(IDC_CHECK_DONT_ASK));
    EXPECT_EQ(dialog.RadioIndex(12345), -1);  // no such control
    dialog.Destroy();
}

// "Окно 窓 😀" (window, in Russian and Japanese, and a character beyond the
// basic plane) in UTF-8 and as the system holds it.
constexpr char kNonAsciiText[] =
    "\xd0\x9e\xd0\xba\xd0\xbd\xd0\xbe \xe7\xaa\x93 \xf0\x9f\x98\x80";
constexpr wchar_t kNonAsciiWide[] = L"\u041e\u043a\u043d\u043e \u7a93 \xd83d\xde00";

std::wstring WideTextOf(HWND window) {
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return text;
}

TEST(TextLayer, WindowAndItemTextsAreUtf8OutsideAndUtf16Inside) {
    // A class name and a title with such letters as well.
    const std::string cls = std::string("QuillmoorLayer") + kNonAsciiText;
    const std::string title = std::string("layer ") + kNonAsciiText;
    EXPECT_TRUE(CWindow::RegisterWindowClass(cls.c_str()));
    RecordingWindow window;
    ASSERT_TRUE(window.Create(0, cls.c_str(), title.c_str(), WS_OVERLAPPEDWINDOW, 10, 10, 200, 150));
    EXPECT_EQ(window.GetText(), title);
    EXPECT_EQ(WideTextOf(window.Handle()), std::wstring(L"layer ") + kNonAsciiWide);
    EXPECT_EQ(FindWindowW((L"QuillmoorLayer" + std::wstring(kNonAsciiWide)).c_str(), nullptr),
              window.Handle());
    window.SetText(kNonAsciiText);
    EXPECT_EQ(WideTextOf(window.Handle()), kNonAsciiWide);
    EXPECT_EQ(qm::win::WindowText(window.Handle()), kNonAsciiText);
    // Ill-formed UTF-8 shows as U+FFFD, never cuts the text short.
    window.SetText("a\xff" "b");
    EXPECT_EQ(WideTextOf(window.Handle()), L"a\xfffd" L"b");
    window.Destroy();

    ModeDialog dialog;
    ASSERT_TRUE(dialog.CreateModeless());
    dialog.SetItemText(IDC_RADIO_URL_ONLY, kNonAsciiText);
    EXPECT_EQ(WideTextOf(GetDlgItem(dialog.Handle(), IDC_RADIO_URL_ONLY)), kNonAsciiWide);
    SetDlgItemTextW(dialog.Handle(), IDC_RADIO_URL_AND_TITLE, kNonAsciiWide);
    EXPECT_EQ(dialog.ItemText(IDC_RADIO_URL_AND_TITLE), kNonAsciiText);
    EXPECT_EQ(dialog.ItemText(12345), "");  // no such control
    dialog.Destroy();
}

TEST(DialogLayer, ModelessOkHidesWithoutDestroying) {
    ModeDialog dialog;
    ASSERT_TRUE(dialog.CreateModeless());
    ShowWindow(dialog.Handle(), SW_SHOW);
    SendMessageA(dialog.Handle(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_EQ(dialog.okCount, 1);
    EXPECT_TRUE(IsWindow(dialog.Handle()));
    EXPECT_FALSE(IsWindowVisible(dialog.Handle()));
    SendMessageA(dialog.Handle(), WM_CLOSE, 0, 0);  // closing is a cancel: hides too
    EXPECT_TRUE(IsWindow(dialog.Handle()));
    HWND handle = dialog.Handle();
    dialog.Destroy();
    EXPECT_FALSE(IsWindow(handle));
    EXPECT_EQ(dialog.Handle(), nullptr);
}

TEST(DialogLayer, ExceptionDuringInitialisationDoesNotEscape) {
    ModeDialog dialog;
    dialog.throwOnInit = true;
    ASSERT_TRUE(dialog.CreateModeless());
    EXPECT_TRUE(IsWindow(dialog.Handle()));
    dialog.Destroy();
}

TEST(DialogLayer, MissingTemplateFails) {
    CDialog dialog(4321);
    EXPECT_EQ(dialog.DoModal(), -1);
    EXPECT_FALSE(dialog.CreateModeless());
}

}  // namespace
