// The three filter prompts: templates 144 ("Delete Element"), 145 ("kill Popup
// Window") and 146 ("block popup windows").
#pragma once

#include <string>

#include "app/win/dialog.h"

namespace qm::win {

// A scope question (page, web server, domain) with the host and domain of the
// page appended to the captions of the second and third buttons.
class CScopePromptDlg : public CDialog {
public:
    CScopePromptDlg(int templateId, int firstRadioId)
        : CDialog(templateId), firstRadioId_(firstRadioId) {}

    std::string m_sHost;
    std::string m_sDomain;
    int m_nRadio = -1;
    int m_bCheck = 0;

protected:
    bool OnInitDialog() override;
    void DoDataExchange(bool save) override;

private:
    int firstRadioId_;
};

class CDeleteElementDlg : public CScopePromptDlg {
public:
    CDeleteElementDlg();
};

class CBlockPopupDlg : public CScopePromptDlg {
public:
    CBlockPopupDlg();
};

class CKillPopupDlg : public CDialog {
public:
    CKillPopupDlg();

    int m_nRadio = -1;
    int m_bCheck = 0;

protected:
    void DoDataExchange(bool save) override;
};

}  // namespace qm::win
