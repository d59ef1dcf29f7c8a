#include "app/win/main_frame_win.h"

#include "app/win/topmost_win.h"
#include "res/resource.h"

namespace qm::win {

namespace {

constexpr char kFrameClass[] = "QuillmoorMainFrame";

}  // namespace

bool CMainFrame::CreateHidden() {
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    HICON icon = ::LoadIconW(instance, MAKEINTRESOURCEW(IDI_RECYCLE_BIN));
    if (!RegisterWindowClass(kFrameClass, 0, icon, nullptr,
                             reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1))) {
        return false;
    }
    return Create(0, kFrameClass, "Quill Moor", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                  640, 480);
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

void CMainFrame::PostQuit() {
    // The quit message goes to this thread's queue, which runs the main loop.
    ::PostQuitMessage(0);
}

bool CMainFrame::OnClose() {
    // The user's own close arrives as SC_CLOSE and only hides the frame (see
    // OnMessage); a close request sent from outside (an installer replacing
    // the program, the system's task list) ends the program.
    PostQuit();
    return true;
}

bool CMainFrame::OnMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
    if (message == WM_SYSCOMMAND &&
        ((wParam & 0xFFF0) == SC_MINIMIZE || (wParam & 0xFFF0) == SC_CLOSE)) {
        Show(false);
        result = 0;
        return true;
    }
    return false;
}

}  // namespace qm::win
