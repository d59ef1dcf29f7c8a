// The base class of the program's frame windows: menus drawn with images (an
// embedded CIconMenu) and hot tracking of the menu bar, where a thin raised
// rectangle follows the mouse over the bar's entries, flat menu-bar style.
//
// How a frame uses it:
//   - Derive from CSpawnFrameWnd and load the menu images once, usually in
//     the constructor: MenuImages().LoadImages(IDR_MENU_IMAGES).
//   - Give the window its menu bar with SetMenuBar(menu): the bar is
//     converted at once, so hot tracking works before it is first opened.
//     Popups are converted each time they open (WM_INITMENUPOPUP).
//   - Grey, enable or check items in OnUpdatePopup; it runs before the popup
//     is converted.
//   - A frame that overrides OnMessage, OnCreate, OnDestroy or OnTimer calls
//     this class's version for what it does not handle itself (OnCreate
//     first, before its own work). WM_DRAWITEM, WM_MEASUREITEM and
//     WM_MENUCHAR of the frame's menus are answered here; owner-drawn
//     controls of the frame still reach the frame's own OnMessage first.
#pragma once

#include <windows.h>

#include "app/win/icon_menu.h"
#include "app/win/window.h"

namespace qm::win {

class CSpawnFrameWnd : public CWindow {
public:
    // The hot-tracking timer and its period.
    static constexpr UINT_PTR kHotTimerId = 1;
    static constexpr UINT kHotTimerMilliseconds = 100;

    CSpawnFrameWnd();

    CIconMenu& MenuImages() { return menuImages_; }

    // Makes menu the window's menu bar and converts it; false when the
    // system refuses the menu.
    bool SetMenuBar(HMENU menu);

    // The hot-tracking state (window coordinates; empty when none).
    RECT HotRect() const { return hotRect_; }
    bool InMenuLoop() const { return inMenuLoop_; }
    UINT_PTR HotTimer() const { return timerId_; }
    // How many times a raised rectangle was drawn (each hot item once).
    int HotDrawCount() const { return hotDraws_; }

protected:
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    bool OnCreate() override;
    bool OnDestroy() override;
    bool OnTimer(UINT_PTR id) override;

    // The command states of a popup that is about to open.
    virtual void OnUpdatePopup(HMENU /*popup*/) {}

private:
    LRESULT HitTest(LPARAM lParam);
    void EraseHot();
    void DrawFrame(HDC dc, const RECT& r, COLORREF topLeft, COLORREF bottomRight) const;

    CIconMenu menuImages_;
    RECT hotRect_{0, 0, 0, 0};
    bool inMenuLoop_ = false;
    UINT_PTR timerId_ = 0;
    int hotDraws_ = 0;
};

}  // namespace qm::win
