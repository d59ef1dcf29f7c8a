#include "app/win/options_sheet.h"

#include <commctrl.h>

#include <string>

#include "platform/win/utf16_win.h"
#include "res/resource.h"
#include "store/settings.h"

namespace qm::win {

namespace {

constexpr char kSheetTitle[] = "Options...";

}  // namespace

// ---- General ---------------------------------------------------------------

COptionsGeneral::COptionsGeneral(OptionsGeneralModel& model)
    : CPropertyPage(IDD_OPTIONS_GENERAL), model_(model) {}

void COptionsGeneral::Exchange(bool save) {
    GeneralOptions& v = model_.values;
    if (save) {
        v.elementScope = RadioIndex(IDC_RADIO_OPT_CURRENT_PAGE);
        v.popupBlockScope = RadioIndex(IDC_RADIO_OPT_BLOCK_PAGE);
        v.recogniseMode = RadioIndex(IDC_RADIO_OPT_URL_ONLY);
        v.askDeleteElement = IsChecked(IDC_CHECK_ASK_DELETE_ELEMENT) ? 1 : 0;
        v.askBlockPopup = IsChecked(IDC_CHECK_ASK_BLOCK_POPUP) ? 1 : 0;
        v.askDeletePopup = IsChecked(IDC_CHECK_ASK_DELETE_POPUP) ? 1 : 0;
        return;
    }
    SetRadioIndex(IDC_RADIO_OPT_CURRENT_PAGE, v.elementScope);
    SetRadioIndex(IDC_RADIO_OPT_BLOCK_PAGE, v.popupBlockScope);
    SetRadioIndex(IDC_RADIO_OPT_URL_ONLY, v.recogniseMode);
    SetChecked(IDC_CHECK_ASK_DELETE_ELEMENT, v.askDeleteElement != 0);
    SetChecked(IDC_CHECK_ASK_BLOCK_POPUP, v.askBlockPopup != 0);
    SetChecked(IDC_CHECK_ASK_DELETE_POPUP, v.askDeletePopup != 0);
}

bool COptionsGeneral::OnInitDialog() {
    Exchange(false);
    return true;
}

bool COptionsGeneral::OnCommand(int id, int code, HWND) {
    if (code != BN_CLICKED) {
        return false;
    }
    switch (id) {
        case IDC_RADIO_OPT_CURRENT_PAGE:
        case IDC_RADIO_OPT_WEB_SERVER:
        case IDC_RADIO_OPT_DOMAIN:
        case IDC_CHECK_ASK_DELETE_ELEMENT:
        case IDC_RADIO_OPT_URL_ONLY:
        case IDC_RADIO_OPT_TITLE_ONLY:
        case IDC_RADIO_OPT_URL_AND_TITLE:
        case IDC_RADIO_OPT_URL_OR_TITLE:
        case IDC_CHECK_ASK_DELETE_POPUP:
        case IDC_RADIO_OPT_BLOCK_PAGE:
        case IDC_RADIO_OPT_BLOCK_SERVER:
        case IDC_RADIO_OPT_BLOCK_DOMAIN:
        case IDC_CHECK_ASK_BLOCK_POPUP:
            model_.ControlClicked();
            SetModified();
            return true;
        case IDC_BUTTON_DEFAULT:
            model_.SetDefaults();
            Exchange(false);
            SetModified();
            return true;
        default:
            return false;
    }
}

bool COptionsGeneral::OnKillActive() {
    Exchange(true);
    return true;
}

void COptionsGeneral::OnApply() {
    Exchange(true);
    model_.Apply();
    if (applied_) {
        applied_();
    }
}

// ---- Advanced --------------------------------------------------------------

COptionsAdvance::COptionsAdvance(OptionsAdvancedModel& model)
    : CPropertyPage(IDD_OPTIONS_ADVANCED), model_(model) {}

bool COptionsAdvance::Exchange(bool save) {
    AdvancedOptions& v = model_.values;
    if (!save) {
        SetChecked(IDC_CHECK_AUTO_LAUNCH, v.autoLaunch != 0);
        SetChecked(IDC_CHECK_SHOW_BIN, v.showBinAtStart != 0);
        SetChecked(IDC_CHECK_OPEN_EXPLORER, v.openExplorerAtStart != 0);
        SetChecked(IDC_CHECK_AUTO_DELETE, v.autoDelete != 0);
        SetItemText(IDC_EDIT_EXPIRE_DAYS, std::to_string(v.expireDays));
        return true;
    }
    v.autoLaunch = IsChecked(IDC_CHECK_AUTO_LAUNCH) ? 1 : 0;
    v.showBinAtStart = IsChecked(IDC_CHECK_SHOW_BIN) ? 1 : 0;
    v.openExplorerAtStart = IsChecked(IDC_CHECK_OPEN_EXPLORER) ? 1 : 0;
    v.autoDelete = IsChecked(IDC_CHECK_AUTO_DELETE) ? 1 : 0;
    int days = 0;
    if (!ParseExpireDays(ItemText(IDC_EDIT_EXPIRE_DAYS), days)) {
        ::MessageBoxW(Handle(), Widen(ExpireDaysMessage()).c_str(), L"Quill Moor",
                      MB_OK | MB_ICONEXCLAMATION);
        HWND edit = Item(IDC_EDIT_EXPIRE_DAYS);
        ::SetFocus(edit);
        ::SendMessageW(edit, EM_SETSEL, 0, -1);
        return false;
    }
    v.expireDays = days;
    return true;
}

void COptionsAdvance::EnableDays() {
    const BOOL enable = model_.DaysEnabled() ? TRUE : FALSE;
    ::EnableWindow(Item(IDC_SPIN_EXPIRE_DAYS), enable);
    ::EnableWindow(Item(IDC_EDIT_EXPIRE_DAYS), enable);
}

bool COptionsAdvance::OnInitDialog() {
    Exchange(false);
    EnableDays();
    return true;
}

bool COptionsAdvance::OnCommand(int id, int code, HWND) {
    if (code != BN_CLICKED) {
        return false;
    }
    switch (id) {
        case IDC_CHECK_AUTO_LAUNCH:
        case IDC_CHECK_SHOW_BIN:
        case IDC_CHECK_OPEN_EXPLORER:
            model_.StartupBoxClicked();
            SetModified();
            return true;
        case IDC_CHECK_AUTO_DELETE:
            // Only the check box is read: a half-typed number is not
            // questioned until the page is left.
            model_.AutoDeleteClicked(IsChecked(IDC_CHECK_AUTO_DELETE));
            EnableDays();
            return true;
        case IDC_BUTTON_DEFAULT:
            model_.SetDefaults();
            Exchange(false);
            EnableDays();
            SetModified();
            return true;
        default:
            return false;
    }
}

bool COptionsAdvance::OnControlNotify(NMHDR& header, LRESULT& result) {
    if (header.idFrom != IDC_SPIN_EXPIRE_DAYS || header.code != UDN_DELTAPOS) {
        return false;
    }
    result = 0;  // the control may move; the page does the counting
    const auto& change = reinterpret_cast<const NMUPDOWN&>(header);
    if (Exchange(true) && model_.Spin(change.iDelta)) {
        Exchange(false);
    }
    return true;
}

bool COptionsAdvance::OnKillActive() {
    return Exchange(true);
}

void COptionsAdvance::OnApply() {
    model_.Apply();
    if (applied_) {
        applied_();
    }
}

// ---- The sheet -------------------------------------------------------------

namespace {

// Lets a test drive the sheet once its window exists.
std::function<void(HWND)>* gOnShown = nullptr;

int CALLBACK SheetCallback(HWND sheet, UINT message, LPARAM) {
    if (message == PSCB_INITIALIZED && gOnShown != nullptr && *gOnShown) {
        (*gOnShown)(sheet);
    }
    return 0;
}

}  // namespace

int RunOptionsSheet(HWND owner, AppSettings& settings,
                    const std::function<void(HWND sheet)>& onShown) {
    OptionsSheetModel model(settings);
    COptionsGeneral general(model.general);
    COptionsAdvance advanced(model.advanced);
    // Apply takes effect at once, as its name says.
    auto save = [&model, &settings] { model.Finish(true, settings); };
    general.SetApplied(save);
    advanced.SetApplied(save);
    PROPSHEETPAGEW pages[2] = {general.Describe(), advanced.Describe()};

    const std::wstring title = Widen(kSheetTitle);
    PROPSHEETHEADERW header{};
    header.dwSize = sizeof(header);
    header.dwFlags = PSH_PROPSHEETPAGE | PSH_NOCONTEXTHELP | PSH_USECALLBACK;
    header.hwndParent = owner;
    header.hInstance = ::GetModuleHandleW(nullptr);
    header.pszCaption = title.c_str();
    header.nPages = 2;
    header.ppsp = pages;
    header.pfnCallback = &SheetCallback;

    std::function<void(HWND)> shown = onShown;
    gOnShown = &shown;
    const INT_PTR ended = ::PropertySheetW(&header);
    gOnShown = nullptr;
    // A positive result: the sheet ended with OK (or after Apply).
    return model.Finish(ended > 0, settings);
}

}  // namespace qm::win
