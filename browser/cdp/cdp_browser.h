// The browser port over the DevTools protocol: the shell's window collection
// is the set of page targets, each page target is one browser window.
#pragma once

#include <map>
#include <memory>

#include "browser/browser_port.h"
#include "browser/cdp/cdp_hub.h"

namespace qm::cdp {

class CdpBrowser : public Browser {
public:
    CdpBrowser(std::shared_ptr<CdpHub> hub, std::shared_ptr<CdpPage> page);
    std::uintptr_t Identity() const override;
    bool Hwnd(WindowHandle& out) override;
    DocumentPtr GetDocument() override;
    bool PageWindow(WindowHandle& out) override;
    bool IsPopupStyle(bool& out) override;
    bool Quit() override;
    bool Advise(std::shared_ptr<BrowserEventSink> sink, std::uint32_t& cookie) override;
    void Unadvise(std::uint32_t cookie) override;

    const std::shared_ptr<CdpPage>& Page() const { return page_; }

private:
    bool Bars(int& toolBar, int& menuBar);

    std::shared_ptr<CdpHub> hub_;
    std::shared_ptr<CdpPage> page_;
};

class CdpShellWindows : public ShellWindows {
public:
    explicit CdpShellWindows(std::shared_ptr<CdpHub> hub);
    bool Count(int& out) override;
    BrowserPtr Item(int index) override;
    bool Advise(std::shared_ptr<BrowserEventSink> sink, std::uint32_t& cookie) override;
    void Unadvise(std::uint32_t cookie) override;

private:
    std::shared_ptr<CdpHub> hub_;
    // The same page comes back as the same object while anyone holds it.
    std::map<std::uint32_t, std::weak_ptr<CdpBrowser>> handedOut_;
};

// Class names of the synthetic windows (those of the browser's own windows).
constexpr const char* kTopWindowClass = "Chrome_WidgetWin_1";
constexpr const char* kPageWindowClass = "Chrome_RenderWidgetHostHWND";

}  // namespace qm::cdp
