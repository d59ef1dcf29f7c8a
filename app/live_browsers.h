// The Chromium-family browser that the program drives beside Internet
// Explorer: which installed browser "Open &Web Browser" starts and how, the
// command-line options that name a running one, and the endpoint remembered
// in the settings so that the next start reconnects. Portable.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace qm {

constexpr int kCmdOpenWebBrowser = 33000;  // "Open &Web Browser"

// Where the browser's debugging endpoint is: a port on 127.0.0.1, or the
// profile folder whose DevToolsActivePort file names it. Empty: none.
struct BrowserEndpoint {
    int port = 0;
    std::string profile;
    bool Empty() const { return port <= 0 && profile.empty(); }
};

struct InstalledBrowser {
    std::string name;  // "Microsoft Edge", "Google Chrome", "Chromium"
    std::string path;  // the program file
};

// The folders the usual installations live in (as the environment names them).
struct SystemFolders {
    std::string programFiles;
    std::string programFilesX86;
    std::string localAppData;
};

// The first installed of Microsoft Edge, Google Chrome and Chromium: each is
// looked for in its "App Paths" key (current user, then local machine), then
// in its usual folders; a path counts only when exists(path) says so.
std::optional<InstalledBrowser> FindInstalledBrowser(
    Registry& registry, const SystemFolders& folders,
    const std::function<bool(const std::string&)>& exists);

// The dedicated profile folder: <local application data>\Quillmoor\Browser.
std::string BrowserProfileFolder(const std::string& localAppData);
// The browser started on that profile with a debugging port of its choosing
// (on loopback), without first-run questions.
std::string BrowserCommandLine(const std::string& browserPath, const std::string& profile);

// "--devtools-port N" and "--devtools-profile DIR" among the arguments (the
// program's name excluded). Other arguments are left alone. A bad value
// gives an error text and no endpoint.
struct DevToolsOptions {
    BrowserEndpoint endpoint;
    std::string error;
};
DevToolsOptions ParseDevToolsOptions(const std::vector<std::string>& args);

// The endpoint remembered under the settings key ("nDevToolsPort",
// "sDevToolsProfile" of the current user); empty when none is.
BrowserEndpoint LoadRememberedEndpoint(Registry& registry);
bool RememberEndpoint(Registry& registry, const BrowserEndpoint& endpoint);

}  // namespace qm
