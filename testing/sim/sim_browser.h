// The simulated browser: browsers with real documents, the shell's window
// collection and the browser system, driven by tests the way a user or a page
// would drive a real browser. Events reach the advised sinks synchronously,
// inside the driving call. Portable.
//
//   SimDesktop desktop;
//   SimBrowserSystem system(&desktop);
//   auto browser = system.OpenBrowser({0, 0, 800, 600});
//   browser->Navigate("http://a.example/", "<img src=ad.gif data-box='10 10 100 50'>");
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "browser/browser_port.h"
#include "testing/sim/fault_injector.h"
#include "testing/sim/sim_desktop.h"
#include "testing/sim/sim_document.h"

namespace qm::sim {

class SimShellWindows;

// The connected sinks of one event source; delivery works on a copy, so a sink
// may unadvise during delivery.
class SinkList {
public:
    std::uint32_t Add(std::shared_ptr<BrowserEventSink> sink);
    bool Remove(std::uint32_t cookie);
    void Fire(int code, long param) const;
    int Count() const { return static_cast<int>(sinks_.size()); }

private:
    std::uint32_t nextCookie_ = 1;
    std::vector<std::pair<std::uint32_t, std::shared_ptr<BrowserEventSink>>> sinks_;
};

class SimBrowser : public Browser {
public:
    // top: the top-level window; page: the window that shows the page (a
    // descendant of top). Handles come from a SimDesktop or from real windows.
    SimBrowser(WindowHandle top, WindowHandle page, FaultInjectorPtr faults = nullptr);

    // Browser
    std::uintptr_t Identity() const override;
    bool Hwnd(WindowHandle& out) override;
    // Like the Internet Explorer adapter: the first descendant of the top-level
    // window of the page window's class (on a SimDesktop), else the page window given.
    bool PageWindow(WindowHandle& out) override;
    bool IsPopupStyle(bool& out) override;
    DocumentPtr GetDocument() override;
    // The bars as the window reports them (a popup-style window: 0 and false).
    bool ToolBar(int& out);
    bool MenuBar(bool& out);
    bool Quit() override;  // closes the window like Close()
    bool Advise(std::shared_ptr<BrowserEventSink> sink, std::uint32_t& cookie) override;
    void Unadvise(std::uint32_t cookie) override;

    // Driving. Each fires its events to the sinks before returning.
    // A whole page load: BeforeNavigate2, NavigateComplete2, then DocumentComplete
    // once per frame (frames times) and once for the page. Returns the new document.
    SimDocumentPtr Navigate(const std::string& url, const std::string& html,
                            const std::string& title = std::string(), int frames = 0);
    void BeginNavigate();         // BeforeNavigate2 only
    void FireDocumentComplete();  // DocumentComplete for the current document
    void FireEvent(int code, long param = 0);
    // Replaces the document without events (null: the window is still opening).
    void SetDocument(SimDocumentPtr document);
    // The user closes the window: OnQuit, the windows go, the shell revokes it.
    void Close();

    // Bars: a popup-style window has tool bar 0 and no menu bar.
    void SetBars(int toolBar, bool menuBar);
    void SetPopupStyle() { SetBars(0, false); }

    // Inspection.
    SimDocumentPtr Document() const { return document_; }
    WindowHandle TopWindow() const { return top_; }
    WindowHandle PageWindow() const { return page_; }
    bool IsClosed() const { return closed_; }
    int SinkCount() const { return sinks_.Count(); }
    int QuitCalls() const { return quitCalls_; }
    void SetFaults(FaultInjectorPtr faults);
    // Called once when the browser closes (after OnQuit), e.g. to destroy real windows.
    void SetOnClosed(std::function<void()> onClosed) { onClosed_ = std::move(onClosed); }
    // Set by the browser system: the shell to revoke from, the desktop that made the windows.
    void AttachShell(std::weak_ptr<SimShellWindows> shell, long cookie);
    void AttachDesktop(SimDesktop* desktop) { desktop_ = desktop; }
    long ShellCookie() const { return shellCookie_; }

private:
    bool Fail() const;

    WindowHandle top_;
    WindowHandle page_;
    FaultInjectorPtr faults_;
    SimDocumentPtr document_;
    int toolBar_ = 1;
    bool menuBar_ = true;
    bool closed_ = false;
    int quitCalls_ = 0;
    SinkList sinks_;
    std::function<void()> onClosed_;
    std::weak_ptr<SimShellWindows> shell_;
    long shellCookie_ = 0;
    SimDesktop* desktop_ = nullptr;
};

using SimBrowserPtr = std::shared_ptr<SimBrowser>;

// The shell's collection of open windows in registration order. Items that are
// not browsers (e.g. a folder window) are listed too and answer Item with null.
class SimShellWindows : public ShellWindows, public std::enable_shared_from_this<SimShellWindows> {
public:
    explicit SimShellWindows(FaultInjectorPtr faults = nullptr) : faults_(std::move(faults)) {}

    bool Count(int& out) override;
    BrowserPtr Item(int index) override;
    bool Advise(std::shared_ptr<BrowserEventSink> sink, std::uint32_t& cookie) override;
    void Unadvise(std::uint32_t cookie) override;

    // Registers the browser at the end of the collection and fires
    // WindowRegistered with its cookie; returns the cookie.
    long Register(const SimBrowserPtr& browser);
    // Adds an item that is not a browser; returns its cookie (no event).
    long AddNonBrowser();
    // Removes the item and fires WindowRevoked; false when unknown.
    bool Revoke(long cookie);

    int Size() const { return static_cast<int>(items_.size()); }
    int SinkCount() const { return sinks_.Count(); }
    std::vector<SimBrowserPtr> Browsers() const;
    void SetFaults(FaultInjectorPtr faults) { faults_ = std::move(faults); }

private:
    struct Entry {
        long cookie = 0;
        SimBrowserPtr browser;  // null: not a browser
    };
    bool Fail() const;

    FaultInjectorPtr faults_;
    std::vector<Entry> items_;
    long nextCookie_ = 1;
    SinkList sinks_;
};

// Options of a window opened by a page.
struct OpenWindowOptions {
    Rect screen{100, 100, 500, 400};
    // With url and html both empty the window stays without a document (still opening).
    std::string url;
    std::string html;  // the new window's page
    std::string title;
    bool popupStyle = true;  // tool bar 0 and no menu bar
    // External windows for the new browser (0: made by the desktop).
    WindowHandle top = 0;
    WindowHandle page = 0;
};

class SimBrowserSystem : public BrowserSystem {
public:
    // desktop: where browsers' windows are made (may be null when every browser
    // brings its own handles). faults: shared with every browser and document.
    explicit SimBrowserSystem(SimDesktop* desktop = nullptr, FaultInjectorPtr faults = nullptr);

    std::unique_ptr<ShellWindows> ConnectShellWindows() override;
    void SetConnectFails(bool fails) { connectFails_ = fails; }

    // A new browser window registered with the shell (fires WindowRegistered),
    // with windows from the desktop at screen; navigated when url is not empty.
    SimBrowserPtr OpenBrowser(const Rect& screen, const std::string& url = std::string(),
                              const std::string& html = std::string(),
                              const std::string& title = std::string());
    // The same with windows supplied by the caller.
    SimBrowserPtr AddBrowser(WindowHandle top, WindowHandle page,
                             const std::string& url = std::string(),
                             const std::string& html = std::string(),
                             const std::string& title = std::string());
    // A page of opener opens a window: NewWindow2 on the opener, then the new
    // browser is registered (WindowRegistered), then it loads its page if any.
    SimBrowserPtr OpenWindow(SimBrowser& opener, const OpenWindowOptions& options);
    // A shell window that is not a browser (a folder view).
    long AddFolderWindow() { return shell_->AddNonBrowser(); }
    // A folder window that does answer as a browser: a top-level "CabinetWClass"
    // window without a page window, and no document. Registered with the shell.
    SimBrowserPtr OpenFolderBrowser(const Rect& screen);

    const std::shared_ptr<SimShellWindows>& Shell() const { return shell_; }
    SimDesktop* Desktop() const { return desktop_; }
    const FaultInjectorPtr& Faults() const { return faults_; }

private:
    SimBrowserPtr Register(SimBrowserPtr browser, const std::string& url, const std::string& html,
                           const std::string& title);

    SimDesktop* desktop_;
    FaultInjectorPtr faults_;
    std::shared_ptr<SimShellWindows> shell_;
    bool connectFails_ = false;
};

}  // namespace qm::sim
