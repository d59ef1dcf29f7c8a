// The main frame's commands: its own (Options, Exit, Undo, Recycle Bin, Help,
// Home page, Check New Version, About, the bar toggles) and those it routes to
// the active pane; their enabling and check marks for menus and toolbar.
#include "app/app_core.h"
#include "app/win/main_frame_win.h"
#include "res/resource.h"
#include "store/open_browser.h"
#include "explorer/web_pages.h"

namespace qm::win {

const char* CMainFrame::HomePage() {
    return kQuillmoorHomePage;
}

const char* CMainFrame::NewsPage() {
    return kQuillmoorNewsPage;
}

bool CMainFrame::IsCommandEnabled(int id) const {
    switch (id) {
        case ID_OPTIONS:
        case ID_EXIT:
        case ID_RECYCLE_BIN_TOGGLE:
        case ID_HELP_CONTENTS:
        case ID_HOME_PAGE:
        case ID_CHECK_NEW_VERSION:
        case ID_APP_ABOUT:
        case ID_VIEW_TOOLBAR:
        case ID_VIEW_STATUS_BAR:
            return true;
        case ID_UNDO:
            return core_.GetUndoCount() > 0;
        default:
            break;
    }
    if (activeTree_ && tree_.HandlesCommand(id)) {
        return tree_.IsCommandEnabled(id);
    }
    return list_.HandlesCommand(id) && list_.IsCommandEnabled(id);
}

bool CMainFrame::IsCommandChecked(int id) const {
    switch (id) {
        case ID_RECYCLE_BIN_TOGGLE:
            return core_.IsBinVisible();
        case ID_VIEW_TOOLBAR:
            return rebar_ != nullptr && ::IsWindowVisible(rebar_);
        case ID_VIEW_STATUS_BAR:
            return status_ != nullptr && ::IsWindowVisible(status_);
        default:
            return false;
    }
}

void CMainFrame::RunCommand(int id) {
    switch (id) {
        case ID_OPTIONS:
        case ID_EXIT:
        case ID_HELP_CONTENTS:
        case ID_APP_ABOUT:
            core_.Command(id);
            return;
        case ID_UNDO:
            if (core_.GetUndoCount() > 0) {
                core_.Command(kCmdUndo);
            }
            return;
        case ID_RECYCLE_BIN_TOGGLE:
            core_.ShowBin(!core_.IsBinVisible());
            return;
        case ID_HOME_PAGE:
        case ID_CHECK_NEW_VERSION:
            OpenInDefaultBrowser(id == ID_HOME_PAGE ? HomePage() : NewsPage(), ShowState::kShow,
                                 core_.Context().registry, core_.Context().launcher);
            return;
        case ID_VIEW_TOOLBAR:
        case ID_VIEW_STATUS_BAR: {
            HWND bar = id == ID_VIEW_TOOLBAR ? rebar_ : status_;
            ::ShowWindow(bar, ::IsWindowVisible(bar) ? SW_HIDE : SW_SHOW);
            Layout();
            return;
        }
        default:
            break;
    }
    if (!IsCommandEnabled(id)) {
        return;
    }
    if (activeTree_ && tree_.HandlesCommand(id)) {
        tree_.RunCommand(id);
    } else if (list_.HandlesCommand(id)) {
        list_.RunCommand(id);
    }
    UpdateToolbar();
}

bool CMainFrame::OnCommand(int id, int, HWND) {
    RunCommand(id);
    return true;
}

void CMainFrame::OnUpdatePopup(HMENU popup) {
    const int count = ::GetMenuItemCount(popup);
    for (int i = 0; i < count; ++i) {
        const UINT id = ::GetMenuItemID(popup, i);
        if (id == 0 || id == static_cast<UINT>(-1)) {
            continue;
        }
        const int command = static_cast<int>(id);
        ::EnableMenuItem(popup, id,
                         MF_BYCOMMAND | (IsCommandEnabled(command) ? MF_ENABLED : MF_GRAYED));
        ::CheckMenuItem(popup, id,
                        MF_BYCOMMAND | (IsCommandChecked(command) ? MF_CHECKED : MF_UNCHECKED));
    }
}

}  // namespace qm::win
