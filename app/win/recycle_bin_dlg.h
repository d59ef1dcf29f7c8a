// The floating bin window: a small top-most modeless dialog (template 135)
// that the user drags adverts onto. It is also the hub of everything that
// arrives asynchronously: the mouse hook's messages, the posted tracker
// events and its own 2-second timer, all handed to the application core.
#pragma once

#include <windows.h>

#include <memory>

#include "app/app_ports.h"
#include "app/win/dialog.h"
#include "app/win/icon_menu.h"
#include "app/win/system_tray.h"
#include "browser/drag.h"

namespace qm {
class AppCore;
}

namespace qm::win {

class CRecycleBinDlg : public CDialog, public BinWindow {
public:
    explicit CRecycleBinDlg(AppCore& core);
    ~CRecycleBinDlg() override;

    // Creates the window (its initialisation installs the mouse hook) and
    // shows it normally; false when the window could not be made.
    bool CreateAndShow();

    // BinWindow
    WindowHandle Handle() const override;
    bool IsVisible() const override;
    void Show(bool show) override;
    bool IsTopMost() const override;
    void SetTopMost(bool topMost) override;
    bool ClientRect(Rect& client) const override;
    void PostTrackerEvent(int code, long value) override;

    // Shows the context menu (menu 136) at the cursor; the chosen command id,
    // 0 when dismissed or when the menu cannot be loaded.
    int ShowContextMenu();
    bool ButtonDown() const { return buttonDown_; }
    const CSystemTray& Tray() const { return tray_; }

protected:
    bool OnInitDialog() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    bool OnMouse(UINT message, POINT client, WPARAM keys) override;
    bool OnContextMenu(HWND window, POINT screen) override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnTimer(UINT_PTR id) override;
    bool OnDestroy() override;
    void OnDpiChanged(int fromDpi, int toDpi) override;

private:
    void CreateToolTip();
    void HookEvent(DragPhase phase);

    AppCore& core_;
    bool buttonDown_ = false;
    HWND toolTip_ = nullptr;
    HICON picture_ = nullptr;  // the bin's picture at a changed scaling
    CSystemTray tray_;
    std::unique_ptr<CIconMenu> menuImages_;  // while the context menu is open
};

}  // namespace qm::win
