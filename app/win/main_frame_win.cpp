#include "app/win/main_frame_win.h"

#include <commctrl.h>

#include <algorithm>

#include "app/app_core.h"
#include "app/win/dpi_win.h"
#include "app/win/topmost_win.h"
#include "platform/win/utf16_win.h"
#include "res/resource.h"

namespace qm::win {

namespace {

constexpr char kFrameClass[] = "QuillmoorMainFrame";
constexpr int kOuterSplitterId = 59648;  // the frame's first pane
constexpr int kInnerSplitterId = 59649;
constexpr int kTreePaneId = 1;
constexpr int kListPaneId = 2;
constexpr int kPreviewPaneId = 3;
// Posted when the frame becomes active: once the system has finished putting
// it in front, the Always On Top bin is restacked above it.
constexpr UINT kRaiseTopMostMessage = WM_APP + 1;
// The restacking after an activation: a timer of its own, a few ticks.
constexpr UINT_PTR kRaiseTopMostTimer = 0x5152;
constexpr UINT kRaiseTopMostMilliseconds = 150;
constexpr int kRaiseTopMostTicks = 4;

// The folder above the data folder holds the profile (the column widths).
std::string ProfilePath(const std::string& dataDirectory) {
    std::string folder = dataDirectory;
    while (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) {
        folder.pop_back();
    }
    const std::size_t slash = folder.find_last_of("\\/");
    folder = slash == std::string::npos ? std::string(".") : folder.substr(0, slash);
    return folder + "\\Quillmoor.ini";
}

std::string TempFolder() {
    wchar_t path[MAX_PATH + 1] = {};
    const DWORD n = ::GetTempPathW(MAX_PATH + 1, path);
    std::string folder = n > 0 && n <= MAX_PATH ? Narrow(path) : std::string(".");
    while (folder.size() > 3 && (folder.back() == '\\' || folder.back() == '/')) {
        folder.pop_back();
    }
    return folder;
}

}  // namespace

CMainFrame::CMainFrame(AppCore& core, std::unique_ptr<ElementRenderer> renderer)
    : core_(core), tree_(panes_), list_(panes_), preview_(std::move(renderer)) {
    panes_.core = &core_;
    panes_.tree = &tree_;
    panes_.list = &list_;
    panes_.preview = &preview_;
    panes_.profilePath = ProfilePath(core.Context().dataDirectory);
    panes_.sourceDirectory = TempFolder();
    // The images of the menu items.
    MenuImages().LoadImages(IDR_MENU_IMAGES);
}

CMainFrame::~CMainFrame() {
    if (Handle() != nullptr) {
        ::DestroyWindow(Handle());
    }
    if (toolbarImages_ != nullptr) {
        ::ImageList_Destroy(toolbarImages_);
    }
}

bool CMainFrame::CreateHidden() {
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    HICON icon = ::LoadIconW(instance, MAKEINTRESOURCEW(IDI_RECYCLE_BIN));
    if (!RegisterWindowClass(kFrameClass, 0, icon, nullptr,
                             reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1))) {
        return false;
    }
    accelerators_ = ::LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDR_MAINFRAME));
    HMENU menu = ::LoadMenuW(instance, MAKEINTRESOURCEW(IDR_MAINFRAME));
    if (!Create(0, kFrameClass, "Quill Moor", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT,
                CW_USEDEFAULT, 780, 560, nullptr, nullptr)) {
        if (menu != nullptr) {
            ::DestroyMenu(menu);
        }
        return false;
    }
    if (!SetMenuBar(menu)) {
        if (menu != nullptr) {
            ::DestroyMenu(menu);
        }
        return false;
    }
    Layout();
    return true;
}

bool CMainFrame::CreatePanes() {
    HWND frame = Handle();
    panes_.frame = frame;
    if (!outer_.CreateSplitter(frame, kOuterSplitterId) ||
        !inner_.CreateSplitter(outer_.Handle(), kInnerSplitterId) ||
        !tree_.CreateTree(outer_.Handle(), kTreePaneId) ||
        !list_.CreateFilterList(inner_.Handle(), kListPaneId) ||
        !preview_.CreatePreview(inner_.Handle(), kPreviewPaneId)) {
        return false;
    }
    outer_.SetPanes(tree_.Handle(), inner_.Handle());
    outer_.SetFirstSize(150);
    inner_.SetPanes(list_.Handle(), preview_.Handle());
    ::SetTimer(frame, 0, 1000, nullptr);
    return true;
}

void CMainFrame::Layout() {
    if (outer_.Handle() == nullptr) {
        return;
    }
    RECT client{};
    ::GetClientRect(Handle(), &client);
    int top = 0;
    int bottom = client.bottom;
    if (rebar_ != nullptr && ::IsWindowVisible(rebar_)) {
        ::SendMessageW(rebar_, WM_SIZE, 0, 0);
        RECT bar{};
        ::GetWindowRect(rebar_, &bar);
        top = bar.bottom - bar.top;
    }
    if (status_ != nullptr && ::IsWindowVisible(status_)) {
        ::SendMessageW(status_, WM_SIZE, 0, 0);
        RECT bar{};
        ::GetWindowRect(status_, &bar);
        bottom -= bar.bottom - bar.top;
        const int width = client.right;
        const int parts[] = {std::max(0, width - 150), std::max(0, width - 100),
                             std::max(0, width - 50), -1};
        ::SendMessageW(status_, SB_SETPARTS, 4, reinterpret_cast<LPARAM>(parts));
    }
    ::MoveWindow(outer_.Handle(), 0, top, client.right, std::max(0, bottom - top), TRUE);
    // The list takes two thirds of the right column's panes, the preview the rest.
    RECT right{};
    ::GetClientRect(inner_.Handle(), &right);
    const int panes = std::max(0, static_cast<int>(right.bottom) - CSplitter::kBar);
    inner_.SetFirstSize(panes * 2 / 3);
}

bool CMainFrame::IsVisible() const {
    return CWindow::IsVisible();
}

void CMainFrame::Show(bool show) {
    CWindow::Show(show ? SW_SHOW : SW_HIDE);
    if (show) {
        RaiseTopMostWindows();
    }
}

void CMainFrame::SetTitle(const std::string& title) {
    SetText(title);
}

void CMainFrame::BringToFront() {
    HWND window = Handle();
    if (window == nullptr) {
        return;
    }
    if (::IsIconic(window)) {
        ::ShowWindow(window, SW_RESTORE);
    }
    ::SetForegroundWindow(window);
    RaiseTopMostWindows();  // the Always On Top bin stays above the frame
}

void CMainFrame::RebuildTree() {
    tree_.RebuildTree();
}

std::string CMainFrame::ListHostFile() const {
    return list_.HostFile();
}

void CMainFrame::RefreshList() {
    list_.Refresh();
}

void CMainFrame::PostQuit() {
    // The quit message goes to this thread's queue, which runs the main loop.
    ::PostQuitMessage(0);
}

bool CMainFrame::PreTranslate(MSG& msg) {
    if (list_.FindDialog() != nullptr && ::IsDialogMessageW(list_.FindDialog(), &msg)) {
        return true;
    }
    HWND frame = Handle();
    if (frame == nullptr || accelerators_ == nullptr || msg.message < WM_KEYFIRST ||
        msg.message > WM_KEYLAST) {
        return false;
    }
    if (msg.hwnd != frame && !::IsChild(frame, msg.hwnd)) {
        return false;
    }
    return ::TranslateAcceleratorW(frame, accelerators_, &msg) != 0;
}

bool CMainFrame::OnClose() {
    // The user's own close arrives as SC_CLOSE and only hides the frame (see
    // OnMessage); a close request sent from outside (an installer replacing
    // the program, the system's task list) ends the program.
    PostQuit();
    return true;
}

bool CMainFrame::OnTimer(UINT_PTR id) {
    if (id == kRaiseTopMostTimer) {
        if (++raiseTicks_ >= kRaiseTopMostTicks) {
            ::KillTimer(Handle(), kRaiseTopMostTimer);
        }
        RaiseTopMostWindows();
        return true;
    }
    // Every timer of the frame feeds the list's preview check; the base
    // class then takes its own (the menu bar's hot tracking).
    list_.Post(WM_TIMER, 0, 0);
    if (id == 0) {
        UpdateToolbar();
        UpdateIndicators();
    }
    CSpawnFrameWnd::OnTimer(id);
    return true;
}

bool CMainFrame::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
        case WM_SYSCOMMAND:
            // The whole value is compared: only the plain commands are taken.
            if (wParam == SC_MINIMIZE || wParam == SC_CLOSE) {
                Show(false);
                result = 0;
                return true;
            }
            return CSpawnFrameWnd::OnMessage(message, wParam, lParam, result);
        case WM_CREATE:
            dpi_ = WindowDpi(Handle());
            CSpawnFrameWnd::OnCreate();
            result = CreateBars() && CreatePanes() ? 0 : -1;
            if (result == 0) {
                Layout();
            }
            return true;
        case WM_SIZE:
            Layout();
            result = 0;
            return true;
        case WM_NOTIFY:
            if (OnNotify(*reinterpret_cast<const NMHDR*>(lParam), result)) {
                return true;
            }
            return CSpawnFrameWnd::OnMessage(message, wParam, lParam, result);
        case WM_MENUSELECT: {
            const UINT flags = HIWORD(wParam);
            if (flags == 0xFFFF && lParam == 0) {
                SetStatusText(LoadResourceString(AFX_IDS_IDLEMESSAGE));
            } else if ((flags & (MF_POPUP | MF_SEPARATOR)) == 0) {
                ShowPrompt(LOWORD(wParam));
            } else {
                SetStatusText("");
            }
            result = 0;
            return true;
        }
        case WM_EXITMENULOOP:
            SetStatusText(LoadResourceString(AFX_IDS_IDLEMESSAGE));
            return CSpawnFrameWnd::OnMessage(message, wParam, lParam, result);
        case WM_ACTIVATE:
            if (LOWORD(wParam) != WA_INACTIVE) {
                ::PostMessageW(Handle(), kRaiseTopMostMessage, 0, 0);
                // Wine raises the X window of a frame activated from another
                // program some time after the activation, over the top-most
                // windows that were already restacked: restack them again a
                // few times while that settles.
                raiseTicks_ = 0;
                ::SetTimer(Handle(), kRaiseTopMostTimer, kRaiseTopMostMilliseconds, nullptr);
            }
            return CSpawnFrameWnd::OnMessage(message, wParam, lParam, result);
        case WM_DPICHANGED: {
            const int from = dpi_;
            CSpawnFrameWnd::OnMessage(message, wParam, lParam, result);
            ApplyDpi(from, DpiOfChange(wParam));
            result = 0;
            return true;
        }
        case kRaiseTopMostMessage:
            RaiseTopMostWindows();
            result = 0;
            return true;
        case WM_SETFOCUS:
            ::SetFocus(activeTree_ ? tree_.Control() : list_.Control());
            result = 0;
            return true;
        default:
            return CSpawnFrameWnd::OnMessage(message, wParam, lParam, result);
    }
}

}  // namespace qm::win
