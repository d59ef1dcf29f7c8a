#include "explorer/win/properties_win.h"

#include <commctrl.h>
#include <prsht.h>

#include "platform/win/utf16_win.h"
#include "res/resource.h"

namespace qm::win {

namespace {

constexpr int kScopeButtons[] = {IDC_SCOPE_PAGE, IDC_SCOPE_HOST, IDC_SCOPE_DOMAIN};

struct PageState {
    const FilterPropertiesValues* values;
    FilterPropertiesOutcome outcome;
    bool cancelled = false;  // Cancel or the close box ended the sheet
};

int CheckedScope(HWND page, int fallback) {
    for (int i = 0; i < 3; ++i) {
        if (::IsDlgButtonChecked(page, kScopeButtons[i]) == BST_CHECKED) {
            return i;
        }
    }
    return fallback;
}

void FillPage(HWND page, const FilterPropertiesValues& values) {
    ::SetDlgItemTextW(page, IDC_PROP_NAME, Widen(values.name).c_str());
    ::SetDlgItemTextW(page, IDC_PROP_TYPE, Widen(values.type).c_str());
    ::SetDlgItemTextW(page, IDC_PROP_LOCATION, Widen(values.pageAddress).c_str());
    ::SetDlgItemTextW(page, IDC_PROP_TIME_DELETED, Widen(values.timeDeleted).c_str());
    ::SetDlgItemTextW(page, IDC_PROP_TIME_LAST_HIT, Widen(values.timeLastHit).c_str());
    for (int i = 0; i < 3; ++i) {
        ::CheckDlgButton(page, kScopeButtons[i], values.scope == i ? BST_CHECKED : BST_UNCHECKED);
        // A popup filter keeps its scope.
        ::EnableWindow(::GetDlgItem(page, kScopeButtons[i]), values.type != "POPUP");
    }
}

INT_PTR CALLBACK PageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* state = reinterpret_cast<PageState*>(::GetWindowLongPtrW(page, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG: {
            const auto* sheetPage = reinterpret_cast<const PROPSHEETPAGEW*>(lParam);
            state = reinterpret_cast<PageState*>(sheetPage->lParam);
            ::SetWindowLongPtrW(page, DWLP_USER, reinterpret_cast<LONG_PTR>(state));
            FillPage(page, *state->values);
            return TRUE;
        }
        case WM_COMMAND:
            if (state != nullptr && HIWORD(wParam) == BN_CLICKED &&
                (LOWORD(wParam) == IDC_SCOPE_PAGE || LOWORD(wParam) == IDC_SCOPE_HOST ||
                 LOWORD(wParam) == IDC_SCOPE_DOMAIN)) {
                ::SendMessageW(::GetParent(page), PSM_CHANGED, reinterpret_cast<WPARAM>(page), 0);
            }
            return FALSE;
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            if (state != nullptr && header->code == PSN_APPLY) {
                // Apply, and OK after it: the scope on the page is what counts.
                state->outcome.applied = true;
                state->outcome.scope = CheckedScope(page, state->values->scope);
                ::SetWindowLongPtrW(page, DWLP_MSGRESULT, PSNRET_NOERROR);
                return TRUE;
            }
            if (state != nullptr && header->code == PSN_RESET) {
                state->cancelled = true;
            }
            return FALSE;
        }
        default:
            return FALSE;
    }
}

}  // namespace

FilterPropertiesOutcome CFilterPropertiesSheet::Run(const FilterPropertiesValues& values) {
    PageState state{&values, FilterPropertiesOutcome{}, false};
    state.outcome.scope = values.scope;
    PROPSHEETPAGEW page{};
    page.dwSize = sizeof(page);
    page.hInstance = ::GetModuleHandleW(nullptr);
    page.pszTemplate = MAKEINTRESOURCEW(IDD_FILTER_PROPERTIES);
    page.pfnDlgProc = &PageProc;
    page.lParam = reinterpret_cast<LPARAM>(&state);
    HPROPSHEETPAGE pages[] = {::CreatePropertySheetPageW(&page)};
    if (pages[0] == nullptr) {
        return FilterPropertiesOutcome{false, false, values.scope};
    }
    PROPSHEETHEADERW header{};
    header.dwSize = sizeof(header);
    header.dwFlags = PSH_NOCONTEXTHELP;
    header.hwndParent = owner_;
    header.hInstance = ::GetModuleHandleW(nullptr);
    header.pszCaption = L"Properties...";
    header.nPages = 1;
    header.phpage = pages;
    const INT_PTR result = ::PropertySheetW(&header);
    if (result < 0) {
        return FilterPropertiesOutcome{false, false, values.scope};
    }
    // OK applies every page before the sheet closes; only Cancel resets.
    state.outcome.ok = state.outcome.applied && !state.cancelled;
    return state.outcome;
}

}  // namespace qm::win
