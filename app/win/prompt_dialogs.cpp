#include "app/win/prompt_dialogs.h"

#include "res/resource.h"

namespace qm::win {

bool CScopePromptDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    SetItemText(IDC_RADIO_WEB_SERVER, ItemText(IDC_RADIO_WEB_SERVER) + m_sHost);
    SetItemText(IDC_RADIO_DOMAIN, ItemText(IDC_RADIO_DOMAIN) + m_sDomain);
    return true;
}

void CScopePromptDlg::DoDataExchange(bool save) {
    if (save) {
        m_nRadio = RadioIndex(firstRadioId_);
        m_bCheck = IsChecked(IDC_CHECK_DONT_ASK) ? 1 : 0;
    } else {
        SetRadioIndex(firstRadioId_, m_nRadio);
        SetChecked(IDC_CHECK_DONT_ASK, m_bCheck != 0);
    }
}

CDeleteElementDlg::CDeleteElementDlg()
    : CScopePromptDlg(IDD_DELETE_ELEMENT, IDC_RADIO_CURRENT_PAGE) {}

CBlockPopupDlg::CBlockPopupDlg() : CScopePromptDlg(IDD_BLOCK_POPUP, IDC_RADIO_BLOCK_PAGE) {}

CKillPopupDlg::CKillPopupDlg() : CDialog(IDD_KILL_POPUP) {}

void CKillPopupDlg::DoDataExchange(bool save) {
    if (save) {
        m_nRadio = RadioIndex(IDC_RADIO_URL_ONLY);
        m_bCheck = IsChecked(IDC_CHECK_DONT_ASK) ? 1 : 0;
    } else {
        SetRadioIndex(IDC_RADIO_URL_ONLY, m_nRadio);
        SetChecked(IDC_CHECK_DONT_ASK, m_bCheck != 0);
    }
}

}  // namespace qm::win
