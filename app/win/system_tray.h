// The program's icon in the shell's notification area. The icon's
// notifications go to an owner window (the floating bin window), which turns
// them into commands. The object keeps a small hidden window of its own: it
// hears the shell announce a new taskbar ("TaskbarCreated", after the shell
// restarted) and puts the icon back, so that a user whose bin is hidden never
// loses the way back into the program.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>

#include "app/win/window.h"

namespace qm::win {

class CSystemTray : public CWindow {
public:
    CSystemTray() = default;
    // Removes the icon, then the hidden window goes.
    ~CSystemTray() override;

    // Adds the icon: notifications are callbackMessage sent to owner (to the
    // hidden window when owner is null) with wParam = id and lParam = the
    // mouse message. The tip is cut to 63 characters. False when the system
    // has no notification area or the shell refused the icon; the program
    // then runs without one.
    bool Create(HWND owner, UINT callbackMessage, const std::string& tip, HICON icon, UINT id);
    // Takes the icon out of the notification area if it is there.
    void RemoveIcon();

    bool IsEnabled() const { return enabled_; }
    // How many times the shell was asked to add the icon.
    int AddCount() const { return adds_; }
    const NOTIFYICONDATAW& Record() const { return record_; }

    // The message the shell broadcasts when its taskbar is created.
    static UINT TaskbarCreatedMessage();

protected:
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    bool Add();

    bool enabled_ = false;
    bool wanted_ = false;  // created and not removed: re-added on a new taskbar
    int adds_ = 0;
    NOTIFYICONDATAW record_{};
};

}  // namespace qm::win
