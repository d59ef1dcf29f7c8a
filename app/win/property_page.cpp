#include "app/win/property_page.h"

namespace qm::win {

namespace {

// Messages whose dialog-procedure return value is the result itself.
bool ReturnsDirectly(UINT message) {
    switch (message) {
        case WM_CTLCOLORMSGBOX:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSCROLLBAR:
        case WM_CTLCOLORSTATIC:
        case WM_COMPAREITEM:
        case WM_VKEYTOITEM:
        case WM_CHARTOITEM:
        case WM_QUERYDRAGICON:
            return true;
        default:
            return false;
    }
}

}  // namespace

PROPSHEETPAGEW CPropertyPage::Describe() {
    PROPSHEETPAGEW page{};
    page.dwSize = sizeof(page);
    page.dwFlags = PSP_DEFAULT;
    page.hInstance = ::GetModuleHandleW(nullptr);
    page.pszTemplate = MAKEINTRESOURCEW(TemplateId());
    page.pfnDlgProc = &CPropertyPage::PageProc;
    page.lParam = reinterpret_cast<LPARAM>(this);
    return page;
}

void CPropertyPage::SetModified() {
    HWND window = Handle();
    if (window != nullptr) {
        ::SendMessageW(::GetParent(window), PSM_CHANGED, reinterpret_cast<WPARAM>(window), 0);
    }
}

bool CPropertyPage::OnMessage(UINT message, WPARAM, LPARAM lParam, LRESULT& result) {
    if (message != WM_NOTIFY) {
        return false;
    }
    auto& header = *reinterpret_cast<NMHDR*>(lParam);
    if (header.hwndFrom != ::GetParent(Handle())) {
        return OnControlNotify(header, result);
    }
    switch (header.code) {
        case PSN_KILLACTIVE:
            result = OnKillActive() ? FALSE : TRUE;
            return true;
        case PSN_APPLY:
            OnApply();
            result = PSNRET_NOERROR;
            return true;
        default:
            return false;
    }
}

INT_PTR CALLBACK CPropertyPage::PageProc(HWND window, UINT message, WPARAM wParam,
                                         LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        const auto* description = reinterpret_cast<const PROPSHEETPAGEW*>(lParam);
        auto* self = description != nullptr ? reinterpret_cast<CPropertyPage*>(description->lParam)
                                             : nullptr;
        if (self == nullptr) {
            return FALSE;
        }
        self->Attach(window);
        try {
            return self->OnInitDialog() ? TRUE : FALSE;
        } catch (...) {
            return TRUE;
        }
    }
    auto* self = static_cast<CPropertyPage*>(FromHandle(window));
    if (self == nullptr) {
        return FALSE;
    }
    INT_PTR handled = FALSE;
    try {
        LRESULT result = 0;
        if (self->Dispatch(message, wParam, lParam, result)) {
            if (ReturnsDirectly(message)) {
                handled = static_cast<INT_PTR>(result);
            } else {
                ::SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
                handled = TRUE;
            }
        }
    } catch (...) {
        handled = FALSE;
    }
    if (message == WM_NCDESTROY) {
        self->Detach();
    }
    return handled;
}

}  // namespace qm::win
