#include "browser/ie/ie_shell_windows.h"

#include <algorithm>
#include <utility>

#include "browser/ie/event_sinks.h"
#include "browser/ie/ie_browser.h"
#include "browser/ie/ie_browser_system.h"
#include "browser/ie/wide_text.h"

namespace qm::ie {

IeShellWindows::IeShellWindows(ComRef<IShellWindows> windows) : windows_(std::move(windows)) {}

IeShellWindows::~IeShellWindows() {
    for (DWORD cookie : cookies_) {
        DisconnectEvents(windows_.Get(), DIID_DShellWindowsEvents, cookie);
    }
}

bool IeShellWindows::Count(int& out) {
    LONG count = 0;
    if (FAILED(windows_->get_Count(&count)) || count < 0) {
        return false;
    }
    out = static_cast<int>(count);
    return true;
}

BrowserPtr IeShellWindows::Item(int index) {
    if (index < 0) {
        return nullptr;
    }
    ScopedVariant position;
    position.SetInt(index);
    ComRef<IDispatch> item;
    if (FAILED(windows_->Item(position.Get(), item.Put()))) {
        return nullptr;
    }
    return MakeBrowser(std::move(item));
}

bool IeShellWindows::Advise(std::shared_ptr<BrowserEventSink> sink, std::uint32_t& cookie) {
    if (!sink) {
        return false;
    }
    ComRef<CShellWindowsEvents> events = CShellWindowsEvents::Create(std::move(sink));
    if (!events) {
        return false;
    }
    DWORD made = 0;
    if (!ConnectEvents(windows_.Get(), DIID_DShellWindowsEvents, events.Get(), made)) {
        return false;
    }
    cookies_.push_back(made);
    cookie = made;
    return true;
}

void IeShellWindows::Unadvise(std::uint32_t cookie) {
    auto it = std::find(cookies_.begin(), cookies_.end(), static_cast<DWORD>(cookie));
    if (it == cookies_.end()) {
        return;
    }
    cookies_.erase(it);
    DisconnectEvents(windows_.Get(), DIID_DShellWindowsEvents, cookie);
}

std::unique_ptr<ShellWindows> IeBrowserSystem::ConnectShellWindows() {
    ComRef<IShellWindows> windows;
    if (FAILED(CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_IShellWindows,
                                reinterpret_cast<void**>(windows.Put()))) ||
        !windows) {
        return nullptr;
    }
    return std::make_unique<IeShellWindows>(std::move(windows));
}

}  // namespace qm::ie
