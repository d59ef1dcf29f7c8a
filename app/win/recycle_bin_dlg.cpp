#include "app/win/recycle_bin_dlg.h"

#include <commctrl.h>
#include <windowsx.h>

#include <string>

#include "app/app_core.h"
#include "app/win/live_browsers_win.h"
#include "hook/quillmoor_dll.h"
#include "platform/win/utf16_win.h"
#include "res/resource.h"

namespace qm::win {

namespace {

constexpr UINT_PTR kTickTimer = 0;
constexpr UINT kTickMilliseconds = 2000;
constexpr int kBinX = 500;
constexpr int kBinY = 0;
constexpr char kToolTipText[] = "Quill Moor";

Point ScreenPoint(HWND window, POINT client) {
    ::ClientToScreen(window, &client);
    return Point{client.x, client.y};
}

}  // namespace

CRecycleBinDlg::CRecycleBinDlg(AppCore& core) : CDialog(IDD_RECYCLE_BIN), core_(core) {}

CRecycleBinDlg::~CRecycleBinDlg() {
    if (toolTip_ != nullptr) {
        ::DestroyWindow(toolTip_);
        toolTip_ = nullptr;
    }
    tray_.RemoveIcon();
    tray_.Destroy();
    // The window goes first (its destroy handler removes the hook), while the
    // object can still take its messages.
    Destroy();
    if (picture_ != nullptr) {
        ::DestroyIcon(picture_);
    }
}

bool CRecycleBinDlg::CreateAndShow() {
    if (!CreateModeless(nullptr)) {
        return false;
    }
    CWindow::Show(SW_SHOWNORMAL);
    return true;
}

WindowHandle CRecycleBinDlg::Handle() const {
    return reinterpret_cast<WindowHandle>(CWindow::Handle());
}

bool CRecycleBinDlg::IsVisible() const {
    return CWindow::IsVisible();
}

void CRecycleBinDlg::Show(bool show) {
    CWindow::Show(show ? SW_SHOWNORMAL : SW_HIDE);
}

bool CRecycleBinDlg::IsTopMost() const {
    HWND window = CWindow::Handle();
    return window != nullptr && (::GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

void CRecycleBinDlg::SetTopMost(bool topMost) {
    HWND window = CWindow::Handle();
    if (window == nullptr) {
        return;
    }
    // The style bit and the z-order band change together.
    const LONG_PTR exStyle = ::GetWindowLongPtrW(window, GWL_EXSTYLE);
    ::SetWindowLongPtrW(window, GWL_EXSTYLE,
                        topMost ? (exStyle | WS_EX_TOPMOST) : (exStyle & ~WS_EX_TOPMOST));
    ::SetWindowPos(window, topMost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE);
}

bool CRecycleBinDlg::ClientRect(Rect& client) const {
    RECT r;
    if (CWindow::Handle() == nullptr || !::GetClientRect(CWindow::Handle(), &r)) {
        return false;
    }
    client = Rect{r.left, r.top, r.right, r.bottom};
    return true;
}

void CRecycleBinDlg::PostTrackerEvent(int code, long value) {
    Post(WM_TRACKER_EVENT, static_cast<WPARAM>(code), static_cast<LPARAM>(value));
}

bool CRecycleBinDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    HWND window = CWindow::Handle();
    ::SetWindowLongPtrW(window, GWL_EXSTYLE,
                        ::GetWindowLongPtrW(window, GWL_EXSTYLE) | WS_EX_TOPMOST);
    ::SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    ::SetWindowPos(window, nullptr, kBinX, kBinY, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    buttonDown_ = false;
    if (InvokeQuillmoorDll(window) == 0) {
        ::ExitProcess(static_cast<UINT>(-1));
    }
    core_.SetBinWindow(this);
    HICON trayIcon = static_cast<HICON>(::LoadImageW(
        ::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_RECYCLE_BIN), IMAGE_ICON,
        ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    // Without a notification area the program runs on without the icon.
    tray_.Create(window, WM_TRAY_NOTIFY, kToolTipText, trayIcon, IDR_RECYCLE_BIN_MENU);
    ::SetTimer(window, kTickTimer, kTickMilliseconds, nullptr);
    CreateToolTip();
    return true;
}

void CRecycleBinDlg::CreateToolTip() {
    HWND window = CWindow::Handle();
    // Not owned by the bin: a top-most owned window keeps Wine from making its
    // owner top-most again after "Always On Top" was switched off.
    toolTip_ = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                 nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    if (toolTip_ == nullptr) {
        return;
    }
    std::wstring tip = Widen(kToolTipText);
    TOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    // The tool takes the window's mouse messages itself (TTF_SUBCLASS).
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = window;
    tool.uId = reinterpret_cast<UINT_PTR>(window);
    tool.lpszText = tip.data();
    ::SendMessageW(toolTip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    ::SendMessageW(toolTip_, TTM_SETDELAYTIME, TTDT_AUTOMATIC, 200);
}

void CRecycleBinDlg::HookEvent(DragPhase phase) {
    POINT cursor{};
    ::GetCursorPos(&cursor);
    core_.HookDrag(phase, Point{cursor.x, cursor.y});
}

bool CRecycleBinDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (menuImages_ != nullptr &&
        menuImages_->Route(CWindow::Handle(), message, wParam, lParam, result)) {
        return true;
    }
    switch (message) {
        case WM_HOOK_LBUTTONDOWN:
            HookEvent(kDragPress);
            break;
        case WM_HOOK_LBUTTONUP:
            HookEvent(kDragRelease);
            break;
        case WM_HOOK_MOUSEMOVE:
            HookEvent(kDragMove);
            break;
        case WM_TRACKER_EVENT:
            core_.OnTrackerEvent(static_cast<int>(wParam), static_cast<long>(lParam));
            break;
        case WM_BROWSER_WAKEUP:
            core_.PumpBrowsers();
            break;
        case WM_PAGE_GESTURE:
            if (wParam <= kDragRelease) {
                core_.HookDrag(static_cast<DragPhase>(wParam),
                               Point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
            }
            break;
        case WM_TRAY_NOTIFY: {
            int id = kCmdNone;
            if (LOWORD(lParam) == WM_RBUTTONUP) {
                id = ShowContextMenu();
            } else if (LOWORD(lParam) == WM_LBUTTONDBLCLK) {
                id = kCmdOpen;
            }
            core_.Command(id);
            break;
        }
        case WM_NCACTIVATE:
            // The caption is always drawn as active.
            result = ::DefWindowProcW(CWindow::Handle(), WM_NCACTIVATE, TRUE, lParam);
            return true;
        default:
            return false;
    }
    result = 1;
    return true;
}

void CRecycleBinDlg::OnDpiChanged(int, int toDpi) {
    // The picture control holds the icon at the size of the old scaling.
    if (HICON icon = ShowIconForDpi(::GetWindow(CWindow::Handle(), GW_CHILD), IDI_RECYCLE_BIN,
                                    toDpi)) {
        if (picture_ != nullptr) {
            ::DestroyIcon(picture_);
        }
        picture_ = icon;
    }
}

bool CRecycleBinDlg::OnMouse(UINT message, POINT client, WPARAM) {
    HWND window = CWindow::Handle();
    switch (message) {
        case WM_LBUTTONDOWN:
            ::SetCapture(window);
            ::SetCursor(
                ::LoadCursorW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDC_DRAG_CURSOR)));
            buttonDown_ = true;
            core_.BinDrag(kDragPress, ScreenPoint(window, client));
            break;
        case WM_MOUSEMOVE:
            if (buttonDown_) {
                core_.BinDrag(kDragMove, ScreenPoint(window, client));
            }
            break;
        case WM_LBUTTONUP:
            ::ReleaseCapture();
            buttonDown_ = false;
            core_.BinDrag(kDragRelease, ScreenPoint(window, client));
            break;
        case WM_LBUTTONDBLCLK:
            core_.ShowMainFrame(!core_.IsMainFrameVisible());
            break;
        default:
            break;
    }
    return false;  // the default handling runs too
}

bool CRecycleBinDlg::OnContextMenu(HWND, POINT) {
    core_.Command(ShowContextMenu());
    return true;
}

bool CRecycleBinDlg::OnCommand(int id, int code, HWND control) {
    if (id == IDOK || id == IDCANCEL) {
        return CDialog::OnCommand(id, code, control);  // Enter, Esc, close: hide
    }
    core_.Command(id);
    return true;
}

bool CRecycleBinDlg::OnTimer(UINT_PTR) {
    core_.OnTick();
    return false;
}

bool CRecycleBinDlg::OnDestroy() {
    HWND window = CWindow::Handle();
    ::KillTimer(window, kTickTimer);
    tray_.RemoveIcon();
    if (core_.Bin() == this) {
        core_.SetBinWindow(nullptr);
    }
    if (InvokeQuillmoorDll(nullptr) == 0) {
        // Ending here skips every destructor: the hit times still waiting
        // for the disk are written first.
        core_.Store().Flush();
        ::ExitProcess(static_cast<UINT>(-1));
    }
    return false;
}

int CRecycleBinDlg::ShowContextMenu() {
    HWND window = CWindow::Handle();
    HMENU menu = ::LoadMenuW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_RECYCLE_BIN_MENU));
    if (menu == nullptr) {
        return kCmdNone;
    }
    HMENU popup = ::GetSubMenu(menu, 0);
    if (popup == nullptr) {
        ::DestroyMenu(menu);
        return kCmdNone;
    }
    if (IsVisible()) {
        ::ModifyMenuW(popup, ID_SHOW_RECYCLE_BIN, MF_BYCOMMAND | MF_STRING, ID_RESTORE,
                      L"&Hide Recycle Bin");
    }
    if (!IsTopMost()) {
        ::CheckMenuItem(popup, ID_ALWAYS_ON_TOP, MF_BYCOMMAND | MF_UNCHECKED);
    }
    if (core_.GetUndoCount() == 0) {
        ::EnableMenuItem(popup, ID_UNDO, MF_BYCOMMAND | MF_DISABLED | MF_GRAYED);
    }
    ::SetMenuDefaultItem(popup, ID_OPEN, FALSE);
    // Converted after the changes above, so that the replaced item is drawn
    // with the others.
    menuImages_ = std::make_unique<CIconMenu>(true, window);
    menuImages_->LoadImages(IDR_MENU_IMAGES);
    menuImages_->Convert(popup);
    POINT cursor{};
    ::GetCursorPos(&cursor);
    // Without the foreground the menu would not close when the user clicks elsewhere.
    ::SetForegroundWindow(window);
    const int id = static_cast<int>(::TrackPopupMenu(
        popup, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON | TPM_NONOTIFY | TPM_RETURNCMD,
        cursor.x, cursor.y, 0, window, nullptr));
    ::DestroyMenu(menu);
    menuImages_.reset();
    return id;
}

}  // namespace qm::win
