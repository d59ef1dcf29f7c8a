// The live browsers of the program: the Internet Explorer windows and a
// Chromium-family browser over the DevTools protocol, combined into the one
// browser system of the core, with window services that place the DevTools
// pages on the screen. Also "Open &Web Browser", the --devtools-port and
// --devtools-profile options and the endpoint remembered in the settings.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "app/app_core.h"
#include "app/live_browsers.h"
#include "browser/combined_browser_system.h"
#include "browser/routed_window_services.h"
#include "platform/launcher.h"
#include "platform/registry.h"

namespace qm::cdp {
class DevToolsLink;
}

namespace qm::win {

// Posted to the bin window: a backend has events to deliver (AppCore
// PumpBrowsers), and a page's own gesture (wParam: DragPhase, lParam: the
// screen point as GET_X_LPARAM / GET_Y_LPARAM read it).
constexpr UINT WM_BROWSER_WAKEUP = 20160;
constexpr UINT WM_PAGE_GESTURE = 20161;

// The program's command-line arguments after its own name, as UTF-8.
std::vector<std::string> ProgramArguments();

class LiveBrowsers : public AppExtension {
public:
    // ie: the Internet Explorer system, or null when none is built in.
    LiveBrowsers(BrowserSystem* ie, WindowServices& systemWindows);
    ~LiveBrowsers() override;
    LiveBrowsers(const LiveBrowsers&) = delete;
    LiveBrowsers& operator=(const LiveBrowsers&) = delete;

    BrowserSystem& Browsers() { return combined_; }
    WindowServices& Windows() { return windows_; }

    // Once the core and the bin window exist: events and gestures are posted
    // to the bin, and the browser named on the command line (else the one
    // remembered) is connected. commandLineError: shown to the user.
    void Start(AppCore& core, HWND bin, const DevToolsOptions& options);

    // AppExtension
    bool Command(int id) override;
    void OnTick() override;

    // Starts the installed browser on our profile and connects to it; false
    // (after telling the user) when there is none or it cannot be started.
    bool OpenWebBrowser();

private:
    void OnChanged();

    std::unique_ptr<cdp::DevToolsLink> link_;
    CombinedBrowserSystem combined_;
    RoutedWindowServices windows_;
    AppCore* core_ = nullptr;
    HWND bin_ = nullptr;
    BrowserEndpoint remembered_;
};

}  // namespace qm::win
