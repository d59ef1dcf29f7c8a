#include "app/win/system_tray.h"

#include "platform/win/utf16_win.h"

namespace qm::win {

namespace {

constexpr char kTrayClass[] = "QuillmoorTray";
constexpr size_t kTipCharacters = 63;  // the record's first form holds 64 with the terminator

}  // namespace

UINT CSystemTray::TaskbarCreatedMessage() {
    static const UINT message = ::RegisterWindowMessageW(L"TaskbarCreated");
    return message;
}

CSystemTray::~CSystemTray() {
    RemoveIcon();
    Destroy();
}

bool CSystemTray::Create(HWND owner, UINT callbackMessage, const std::string& tip, HICON icon,
                         UINT id) {
    // Systems older than the notification area have nowhere to put it.
    if (LOBYTE(LOWORD(::GetVersion())) < 4) {
        enabled_ = false;
        return false;
    }
    if (Handle() == nullptr) {
        if (!RegisterWindowClass(kTrayClass) ||
            !CWindow::Create(0, kTrayClass, "", WS_POPUP, 0, 0, 10, 10)) {
            return false;
        }
    }
    record_ = NOTIFYICONDATAW{};
    record_.cbSize = NOTIFYICONDATAW_V1_SIZE;
    record_.hWnd = owner != nullptr ? owner : Handle();
    record_.uID = id;
    record_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    record_.hIcon = icon;
    record_.uCallbackMessage = callbackMessage;
    std::wstring wideTip = Widen(tip);
    if (wideTip.size() > kTipCharacters) {
        wideTip.resize(kTipCharacters);
    }
    wideTip.copy(record_.szTip, wideTip.size());
    wanted_ = true;
    return Add();
}

bool CSystemTray::Add() {
    ++adds_;
    record_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    enabled_ = ::Shell_NotifyIconW(NIM_ADD, &record_) != FALSE;
    if (!enabled_) {
        // Still there (the announcement came from a taskbar that kept it).
        enabled_ = ::Shell_NotifyIconW(NIM_MODIFY, &record_) != FALSE;
    }
    return enabled_;
}

void CSystemTray::RemoveIcon() {
    wanted_ = false;
    if (!enabled_) {
        return;
    }
    record_.uFlags = 0;
    ::Shell_NotifyIconW(NIM_DELETE, &record_);
    enabled_ = false;
}

bool CSystemTray::OnMessage(UINT message, WPARAM, LPARAM, LRESULT& result) {
    if (message != TaskbarCreatedMessage() || message == 0) {
        return false;
    }
    // The new taskbar knows no icons: add ours again.
    if (wanted_) {
        Add();
    }
    result = 0;
    return true;
}

}  // namespace qm::win
