// The About box (dialog 100): the program's icon, name, version, the build's
// date and time, and two links: the project's web site and its e-mail
// address, both set once in the build; and the folder that holds the filters.
#pragma once

#include <string>

#include "app/win/dialog.h"
#include "app/win/hyperlink.h"

namespace qm::win {

class CAboutDlg : public CDialog {
public:
    explicit CAboutDlg(std::string dataFolder = std::string());
    ~CAboutDlg() override;

    CHyperLink& WebSite() { return webSite_; }
    CHyperLink& Email() { return email_; }

protected:
    bool OnInitDialog() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void OnDpiChanged(int fromDpi, int toDpi) override;

private:
    CHyperLink webSite_;
    CHyperLink email_;
    std::string dataFolder_;
    HICON picture_ = nullptr;  // the program's icon at a changed scaling
};

}  // namespace qm::win
