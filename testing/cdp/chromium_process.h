// Starts a Chromium-family browser for automation and stops it again: its own
// temporary user data directory, a DevTools port chosen by the browser, and
// background networking switched off. Native (POSIX) builds only.
#pragma once

#include <string>
#include <vector>

#include "browser/cdp/devtools_endpoint.h"

namespace qm::cdp {

class ChromiumProcess {
public:
    ChromiumProcess() = default;
    ~ChromiumProcess();  // stops the browser
    ChromiumProcess(const ChromiumProcess&) = delete;
    ChromiumProcess& operator=(const ChromiumProcess&) = delete;

    // Starts binary headless with the switches below plus extraArguments and
    // waits (up to timeoutMs) until it has written its DevToolsActivePort file.
    bool Start(const std::string& binary, const std::vector<std::string>& extraArguments,
               int timeoutMs, std::string& error);
    // Ends the browser by its process id (and what it started in its own
    // process group), waits for it and removes the user data directory.
    void Stop();

    int Pid() const { return pid_; }
    const std::string& UserDataDirectory() const { return userDataDirectory_; }
    const DevToolsEndpoint& Endpoint() const { return endpoint_; }

    // The switches every start uses (without the user data directory).
    static std::vector<std::string> StandardArguments();

private:
    int pid_ = 0;
    std::string userDataDirectory_;
    DevToolsEndpoint endpoint_;
};

}  // namespace qm::cdp
