#include "app/win/dialogs_win.h"

#include "app/win/about_dlg.h"
#include "app/win/options_sheet.h"
#include "app/win/prompt_dialogs.h"
#include "platform/win/utf16_win.h"

namespace qm::win {

namespace {

template <typename Dialog>
PromptAnswer RunPrompt(Dialog& dialog, HWND owner) {
    PromptAnswer answer;
    if (dialog.DoModal(owner) == IDOK) {
        answer.ok = true;
        answer.selectedRadio = dialog.m_nRadio;
        answer.boxTicked = dialog.m_bCheck != 0;
    }
    return answer;
}

template <typename Dialog>
PromptAnswer AskScope(const PromptRequest& request, HWND owner) {
    Dialog dialog;
    dialog.m_nRadio = request.selectedRadio;
    dialog.m_bCheck = request.boxTicked ? 1 : 0;
    dialog.m_sHost = request.hostText;
    dialog.m_sDomain = request.domainText;
    return RunPrompt(dialog, owner);
}

}  // namespace

PromptAnswer Win32Dialogs::AskDeleteElement(const PromptRequest& request) {
    return AskScope<CDeleteElementDlg>(request, owner_);
}

PromptAnswer Win32Dialogs::AskBlockPopup(const PromptRequest& request) {
    return AskScope<CBlockPopupDlg>(request, owner_);
}

PromptAnswer Win32Dialogs::AskKillPopup(const PromptRequest& request) {
    CKillPopupDlg dialog;
    dialog.m_nRadio = request.selectedRadio;
    dialog.m_bCheck = request.boxTicked ? 1 : 0;
    return RunPrompt(dialog, owner_);
}

void Win32Dialogs::ShowOptions(AppSettings& settings) {
    if (RunOptionsSheet(owner_, settings) == 0) {
        ShowMessage("The options could not be saved: the program may not write its registry "
                    "settings on this account.",
                    "Quill Moor", MessageIcon::kError);
    }
}

void Win32Dialogs::ShowAbout() {
    CAboutDlg about(dataFolder_);
    about.DoModal(owner_);
}

void Win32Dialogs::ShowMessage(const std::string& text, const std::string& caption,
                               MessageIcon icon) {
    const UINT flags = MB_OK | (icon == MessageIcon::kError ? MB_ICONERROR : MB_ICONINFORMATION);
    ::MessageBoxW(owner_, Widen(text).c_str(), Widen(caption).c_str(), flags);
}

}  // namespace qm::win
