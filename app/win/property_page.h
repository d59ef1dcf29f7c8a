// A property-sheet page built from a dialog template, on top of CDialog: the
// object is attached when the sheet creates the page, and the sheet's
// notifications arrive as virtual handlers.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "app/win/dialog.h"

namespace qm::win {

class CPropertyPage : public CDialog {
public:
    explicit CPropertyPage(int templateId) : CDialog(templateId) {}

    // The page's description for PropertySheetW.
    PROPSHEETPAGEW Describe();

    // Enables the sheet's Apply button for this page.
    void SetModified();

protected:
    // Leaving the page, or OK/Apply while it is shown: read the controls;
    // false keeps the page (the handler has told the user why).
    virtual bool OnKillActive() { return true; }
    // OK or Apply: the page's values are taken.
    virtual void OnApply() {}
    // WM_NOTIFY from a control of the page; true when handled, with result set.
    virtual bool OnControlNotify(NMHDR& /*header*/, LRESULT& /*result*/) { return false; }

    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    static INT_PTR CALLBACK PageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
};

}  // namespace qm::win
