#include "app/win/dialog.h"

#include <algorithm>
#include <vector>

#include "app/win/dpi_win.h"
#include "platform/win/utf16_win.h"

namespace qm::win {

namespace {

bool IsRadioButton(HWND control) {
    const LONG_PTR type = ::GetWindowLongPtrW(control, GWL_STYLE) & BS_TYPEMASK;
    return type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
}

// The buttons of the group that starts with first, in template order.
std::vector<HWND> RadioGroup(HWND first) {
    std::vector<HWND> group;
    for (HWND control = first; control != nullptr; control = ::GetWindow(control, GW_HWNDNEXT)) {
        if (control != first && (::GetWindowLongPtrW(control, GWL_STYLE) & WS_GROUP) != 0) {
            break;
        }
        if (IsRadioButton(control)) {
            group.push_back(control);
        }
    }
    return group;
}

// Messages whose result a dialog procedure returns itself instead of through
// DWLP_MSGRESULT.
bool ReturnsResultDirectly(UINT message) {
    return (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) ||
           message == WM_COMPAREITEM || message == WM_VKEYTOITEM || message == WM_CHARTOITEM ||
           message == WM_QUERYDRAGICON;
}

// After initialisation: a system-modal dialog stays above other windows, and a
// hidden top-level dialog that its initialisation did not move is centred on
// its owner, or on the work area when it has no visible owner.
void FinishInitialisation(HWND dialog, const RECT& before) {
    const LONG_PTR style = ::GetWindowLongPtrW(dialog, GWL_STYLE);
    if ((style & DS_SYSMODAL) != 0) {
        ::SetWindowPos(dialog, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    RECT now{};
    ::GetWindowRect(dialog, &now);
    if ((style & (WS_CHILD | WS_VISIBLE)) != 0 || !::EqualRect(&before, &now)) {
        return;
    }
    RECT area{};
    HWND owner = ::GetWindow(dialog, GW_OWNER);
    if (owner != nullptr && ::IsWindowVisible(owner) && !::IsIconic(owner)) {
        ::GetWindowRect(owner, &area);
    } else {
        ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    }
    const int w = now.right - now.left;
    const int h = now.bottom - now.top;
    int x = (area.left + area.right - w) / 2;
    int y = (area.top + area.bottom - h) / 2;
    RECT work{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    x = std::max(static_cast<int>(work.left), std::min(x, static_cast<int>(work.right) - w));
    y = std::max(static_cast<int>(work.top), std::min(y, static_cast<int>(work.bottom) - h));
    ::SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

INT_PTR CDialog::DoModal(HWND parent) {
    if (Handle() != nullptr) {
        return -1;
    }
    modal_ = true;
    const INT_PTR result =
        ::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId_), parent,
                          &CDialog::DialogProc, reinterpret_cast<LPARAM>(this));
    modal_ = false;
    return result;
}

bool CDialog::CreateModeless(HWND parent) {
    if (Handle() != nullptr) {
        return false;
    }
    modal_ = false;
    HWND window =
        ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId_), parent,
                             &CDialog::DialogProc, reinterpret_cast<LPARAM>(this));
    return window != nullptr && window == Handle();
}

void CDialog::EndDialog(INT_PTR result) {
    if (Handle() == nullptr) {
        return;
    }
    if (modal_) {
        ::EndDialog(Handle(), result);
    } else {
        // A modeless dialog only hides; it can be shown again.
        ::ShowWindow(Handle(), SW_HIDE);
    }
}

std::string CDialog::ItemText(int id) const {
    return WindowText(Item(id));
}

void CDialog::SetItemText(int id, const std::string& text) {
    ::SetDlgItemTextW(Handle(), id, Widen(text).c_str());
}

bool CDialog::IsChecked(int id) const {
    return ::IsDlgButtonChecked(Handle(), id) == BST_CHECKED;
}

void CDialog::SetChecked(int id, bool checked) {
    ::CheckDlgButton(Handle(), id, checked ? BST_CHECKED : BST_UNCHECKED);
}

int CDialog::RadioIndex(int firstId) const {
    HWND first = Item(firstId);
    if (first == nullptr) {
        return -1;
    }
    const std::vector<HWND> group = RadioGroup(first);
    for (size_t i = 0; i < group.size(); ++i) {
        if (::SendMessageW(group[i], BM_GETCHECK, 0, 0) == BST_CHECKED) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void CDialog::SetRadioIndex(int firstId, int index) {
    HWND first = Item(firstId);
    if (first == nullptr) {
        return;
    }
    const std::vector<HWND> group = RadioGroup(first);
    for (size_t i = 0; i < group.size(); ++i) {
        const bool on = static_cast<int>(i) == index;
        ::SendMessageW(group[i], BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
    }
}

bool CDialog::OnInitDialog() {
    DoDataExchange(false);
    return true;
}

void CDialog::OnOK() {
    DoDataExchange(true);
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

bool CDialog::OnCommand(int id, int, HWND) {
    if (id == IDOK) {
        OnOK();
        return true;
    }
    if (id == IDCANCEL) {
        OnCancel();
        return true;
    }
    return false;
}

LRESULT CDialog::DefaultProc(UINT, WPARAM, LPARAM) {
    // The dialog manager's own processing runs when the dialog procedure
    // returns FALSE; nothing to call here.
    return 0;
}

void CDialog::ApplyDpiChange(WPARAM wParam, LPARAM lParam) {
    HWND window = Handle();
    const int from = dpi_;
    const int to = DpiOfChange(wParam);
    // A template dialog does not lay its controls out again by itself: they
    // keep their places in the client area until scaled here.
    MoveToSuggestedRect(window, lParam);
    if (from != to) {
        ScaleChildRects(window, from, to);
        fonts_.Rescale(window, from, to);
        dpi_ = to;
        OnDpiChanged(from, to);
    }
    ::InvalidateRect(window, nullptr, TRUE);
}

INT_PTR CALLBACK CDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    CDialog* self = nullptr;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<CDialog*>(lParam);
        if (self == nullptr) {
            return FALSE;
        }
        self->Attach(window);
        RECT before{};
        ::GetWindowRect(window, &before);
        INT_PTR focus = TRUE;
        try {
            focus = self->OnInitDialog() ? TRUE : FALSE;
        } catch (...) {
            focus = TRUE;
        }
        FinishInitialisation(window, before);
        TakeOverDialogScaling(window);
        self->dpi_ = WindowDpi(window);
        return focus;
    }
    self = static_cast<CDialog*>(FromHandle(window));
    if (self == nullptr) {
        return FALSE;
    }
    if (message == WM_DPICHANGED) {
        try {
            self->ApplyDpiChange(wParam, lParam);
        } catch (...) {
        }
        ::SetWindowLongPtrW(window, DWLP_MSGRESULT, 0);
        return TRUE;
    }
    INT_PTR handled = FALSE;
    try {
        LRESULT result = 0;
        if (self->Dispatch(message, wParam, lParam, result)) {
            if (ReturnsResultDirectly(message)) {
                handled = static_cast<INT_PTR>(result);
            } else {
                handled = TRUE;
                ::SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
            }
        }
    } catch (...) {
        // Nothing may unwind into the dialog manager.
        handled = FALSE;
    }
    if (message == WM_NCDESTROY) {
        self->Detach();
        try {
            self->OnFinalMessage();
        } catch (...) {
        }
    }
    return handled;
}

}  // namespace qm::win
