#include "app/win/about_dlg.h"

#include <string>
#include <utility>

#include "res/resource.h"
#include "version/about_text.h"
#include "version/build_stamp.h"
#include "version/quillmoor_version.h"

namespace qm::win {

CAboutDlg::CAboutDlg(std::string dataFolder)
    : CDialog(IDD_ABOUTBOX), dataFolder_(std::move(dataFolder)) {}

CAboutDlg::~CAboutDlg() {
    Destroy();
    if (picture_ != nullptr) {
        ::DestroyIcon(picture_);
    }
}

bool CAboutDlg::OnInitDialog() {
    SetItemText(IDC_ABOUT_VERSION, std::string("Version ") + kVersionText + " ");
    SetItemText(IDC_ABOUT_BUILT_TIME, BuiltTimeText(BuildDateText(), BuildTimeText()));
    SetItemText(IDC_ABOUT_DATA_FOLDER,
                dataFolder_.empty() ? "(no folder: filters cannot be saved)" : dataFolder_);
    // The web line opens its own text; the mail line its address.
    SetItemText(IDC_ABOUT_WEBSITE, kHomePage);
    SetItemText(IDC_ABOUT_EMAIL, kSupportMail);
    webSite_.Attach(Item(IDC_ABOUT_WEBSITE));
    email_.SetTarget(std::string("mailto:") + kSupportMail);
    email_.Attach(Item(IDC_ABOUT_EMAIL));
    // The links are tab stops; the focus starts on OK.
    ::SetFocus(Item(IDOK));
    return false;
}

bool CAboutDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (message == WM_CTLCOLORSTATIC) {
        return CHyperLink::ReflectColour(wParam, lParam, result);
    }
    return false;
}

void CAboutDlg::OnDpiChanged(int, int toDpi) {
    // The links measured their text in the old font.
    webSite_.Refit();
    email_.Refit();
    // The program's icon: the dialog's first picture control.
    for (HWND child = ::GetWindow(Handle(), GW_CHILD); child != nullptr;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        if ((::GetWindowLongPtrW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
            if (HICON icon = ShowIconForDpi(child, IDI_RECYCLE_BIN, toDpi)) {
                if (picture_ != nullptr) {
                    ::DestroyIcon(picture_);
                }
                picture_ = icon;
            }
            break;
        }
    }
}

}  // namespace qm::win
