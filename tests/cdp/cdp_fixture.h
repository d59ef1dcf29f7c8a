// A real Chromium for a test: the page server on 127.0.0.1, the browser
// started headless with its own user data directory, and our backend
// connected to it. Everything is stopped by the destructor, also when the test
// fails part-way.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "browser/cdp/cdp_browser.h"
#include "browser/cdp/cdp_browser_system.h"
#include "browser/cdp/cdp_connection.h"
#include "testing/cdp/chromium_process.h"
#include "tests/cdp/page_server.h"

namespace qm::cdptest {

constexpr const char* kChromium = "/usr/bin/chromium";

class ChromiumSession {
public:
    ChromiumSession() = default;
    ~ChromiumSession();

    bool Start(std::string& error);

    PageServer server;
    cdp::ChromiumProcess chromium;
    cdp::CdpBrowserSystem system;

    // Opens a new browser window on the server's path; its target id.
    std::string OpenWindow(const std::string& path);
    // The live browser of a target, waiting up to timeoutMs for it to attach.
    std::shared_ptr<cdp::CdpBrowser> BrowserOf(const std::string& targetId, int timeoutMs = 10000);
    // Waits until the window's document has loaded completely.
    // path: the page expected there (default: any page but the blank one it
    // starts with).
    bool WaitLoaded(const std::string& targetId, int timeoutMs = 10000,
                    const std::string& path = std::string());
    // Evaluates in the page's own world (as the page's scripts would).
    bool EvaluateInPage(const std::string& targetId, const std::string& expression,
                        cdp::Json& value);
    std::string lastError;  // of the last failed EvaluateInPage
    // A left click at page coordinates, as a user's.
    bool Click(const std::string& targetId, int x, int y);
    // Navigates the window; returns when the command was accepted.
    bool Navigate(const std::string& targetId, const std::string& path);
    // Repeats step (delivering events) until done() or timeoutMs has passed.
    bool RunUntil(const std::function<bool()>& done, const std::function<void()>& step,
                  int timeoutMs);

private:
    std::string SessionOf(const std::string& targetId);
    std::unique_ptr<ShellWindows> shell_;
};

}  // namespace qm::cdptest
