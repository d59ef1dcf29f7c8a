#include "browser/ie/ie_browser.h"

#include <algorithm>
#include <cwchar>
#include <memory>
#include <utility>

#include "browser/ie/event_sinks.h"
#include "browser/ie/ie_document.h"

namespace qm::ie {

IeBrowser::IeBrowser(ComRef<IWebBrowser2> browser)
    : browser_(std::move(browser)), identity_(ComIdentity(browser_.Get())) {}

IeBrowser::~IeBrowser() {
    for (DWORD cookie : cookies_) {
        DisconnectEvents(browser_.Get(), DIID_DWebBrowserEvents2, cookie);
    }
}

bool IeBrowser::Hwnd(WindowHandle& out) {
    SHANDLE_PTR handle = 0;
    if (FAILED(browser_->get_HWND(&handle))) {
        return false;
    }
    out = static_cast<WindowHandle>(handle);
    return true;
}

DocumentPtr IeBrowser::GetDocument() {
    ComRef<IDispatch> document;
    if (FAILED(browser_->get_Document(document.Put()))) {
        return nullptr;
    }
    return MakeDocument(std::move(document));
}

bool IeBrowser::PageWindow(WindowHandle& out) {
    WindowHandle top = 0;
    if (!Hwnd(top) || top == 0) {
        return false;
    }
    struct Search {
        HWND found = nullptr;
    } search;
    ::EnumChildWindows(
        reinterpret_cast<HWND>(top),
        [](HWND child, LPARAM param) -> BOOL {
            wchar_t name[64] = {};
            if (::GetClassNameW(child, name, 64) > 0 &&
                std::wcscmp(name, L"Internet Explorer_Server") == 0) {
                reinterpret_cast<Search*>(param)->found = child;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    if (search.found == nullptr) {
        return false;
    }
    out = reinterpret_cast<WindowHandle>(search.found);
    return true;
}

bool IeBrowser::IsPopupStyle(bool& out) {
    int toolBar = 1;
    bool menuBar = true;
    if (!ToolBar(toolBar) || !MenuBar(menuBar)) {
        return false;
    }
    out = toolBar == 0 && !menuBar;
    return true;
}

bool IeBrowser::ToolBar(int& out) {
    int toolBar = 0;
    if (FAILED(browser_->get_ToolBar(&toolBar))) {
        return false;
    }
    out = toolBar;
    return true;
}

bool IeBrowser::MenuBar(bool& out) {
    VARIANT_BOOL menuBar = VARIANT_FALSE;
    if (FAILED(browser_->get_MenuBar(&menuBar))) {
        return false;
    }
    out = menuBar != VARIANT_FALSE;
    return true;
}

bool IeBrowser::Quit() {
    return SUCCEEDED(browser_->Quit());
}

bool IeBrowser::Advise(std::shared_ptr<BrowserEventSink> sink, std::uint32_t& cookie) {
    if (!sink) {
        return false;
    }
    ComRef<CWebBrowserEvent> events = CWebBrowserEvent::Create(std::move(sink));
    if (!events) {
        return false;
    }
    DWORD made = 0;
    if (!ConnectEvents(browser_.Get(), DIID_DWebBrowserEvents2, events.Get(), made)) {
        return false;
    }
    cookies_.push_back(made);
    cookie = made;
    return true;
}

void IeBrowser::Unadvise(std::uint32_t cookie) {
    auto it = std::find(cookies_.begin(), cookies_.end(), static_cast<DWORD>(cookie));
    if (it == cookies_.end()) {
        return;  // not a connection of this object
    }
    cookies_.erase(it);
    DisconnectEvents(browser_.Get(), DIID_DWebBrowserEvents2, cookie);
}

BrowserPtr MakeBrowser(ComRef<IWebBrowser2> browser) {
    if (!browser) {
        return nullptr;
    }
    return std::make_shared<IeBrowser>(std::move(browser));
}

BrowserPtr MakeBrowser(ComRef<IDispatch> dispatch) {
    return MakeBrowser(dispatch.As<IWebBrowser2>());
}

}  // namespace qm::ie
