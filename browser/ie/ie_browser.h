// A browser window over IWebBrowser2, with its DWebBrowserEvents2
// connections. Windows only.
#pragma once

#include <windows.h>
#include <exdisp.h>

#include <vector>

#include "browser/browser_port.h"
#include "browser/ie/com_ref.h"

namespace qm::ie {

class IeBrowser final : public Browser {
public:
    explicit IeBrowser(ComRef<IWebBrowser2> browser);
    // Ends the event connections still open through this object.
    ~IeBrowser() override;
    IeBrowser(const IeBrowser&) = delete;
    IeBrowser& operator=(const IeBrowser&) = delete;

    std::uintptr_t Identity() const override { return identity_; }
    bool Hwnd(WindowHandle& out) override;
    // The first descendant of the top-level window of class "Internet Explorer_Server".
    bool PageWindow(WindowHandle& out) override;
    // Tool bar 0 and no menu bar.
    bool IsPopupStyle(bool& out) override;
    DocumentPtr GetDocument() override;
    bool Quit() override;
    bool Advise(std::shared_ptr<BrowserEventSink> sink, std::uint32_t& cookie) override;
    void Unadvise(std::uint32_t cookie) override;

private:
    bool ToolBar(int& out);
    bool MenuBar(bool& out);

    ComRef<IWebBrowser2> browser_;
    std::uintptr_t identity_ = 0;
    std::vector<DWORD> cookies_;
};

// Null for a null interface; the IDispatch form asks for IWebBrowser2.
BrowserPtr MakeBrowser(ComRef<IWebBrowser2> browser);
BrowserPtr MakeBrowser(ComRef<IDispatch> dispatch);

}  // namespace qm::ie
