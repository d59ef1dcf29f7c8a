// Dialogs built from resource templates, modal or modeless, on top of CWindow.
// The object is attached at WM_INITDIALOG; values move between controls and
// members in DoDataExchange.
#pragma once

#include "app/win/dpi_change_win.h"
#include "app/win/window.h"

namespace qm::win {

class CDialog : public CWindow {
public:
    explicit CDialog(int templateId) : templateId_(templateId) {}

    int TemplateId() const { return templateId_; }
    // Shows the dialog modally; IDOK, IDCANCEL (or what EndDialog gave), -1 on failure.
    INT_PTR DoModal(HWND parent = nullptr);
    // Creates the dialog modelessly; false on failure.
    bool CreateModeless(HWND parent = nullptr);
    bool IsModal() const { return modal_; }
    void EndDialog(INT_PTR result);

    HWND Item(int id) const { return ::GetDlgItem(Handle(), id); }
    std::string ItemText(int id) const;
    void SetItemText(int id, const std::string& text);
    bool IsChecked(int id) const;
    void SetChecked(int id, bool checked);
    // The radio group that starts at firstId: the buttons from firstId up to the
    // next control with WS_GROUP, in template order. Index of the checked button
    // (-1 when none); setting checks exactly that button (none for -1).
    int RadioIndex(int firstId) const;
    void SetRadioIndex(int firstId, int index);
    // The screen scaling the dialog is laid out for.
    int Dpi() const { return dpi_; }

protected:
    // Return true to let the dialog manager set the default focus.
    virtual bool OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    // save false: members to controls; true: controls to members.
    virtual void DoDataExchange(bool /*save*/) {}
    // After a scaling change (WM_DPICHANGED) moved the dialog to the
    // suggested rectangle, scaled its controls and gave them fonts of the new
    // size: what the dialog draws itself at the old size is made again here.
    virtual void OnDpiChanged(int /*fromDpi*/, int /*toDpi*/) {}

    bool OnCommand(int id, int code, HWND control) override;
    LRESULT DefaultProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void ApplyDpiChange(WPARAM wParam, LPARAM lParam);

    int templateId_;
    bool modal_ = false;
    int dpi_ = 96;
    CScaledFonts fonts_;
};

}  // namespace qm::win
