// Finding a running Chromium-family browser's DevTools endpoint.
#pragma once

#include <string>

namespace qm::cdp {

struct DevToolsEndpoint {
    std::string host = "127.0.0.1";
    int port = 0;
    std::string path;  // "/devtools/browser/<id>"
};

// Reads the "DevToolsActivePort" file that the browser writes into its user
// data directory: the port on the first line, the browser path on the second.
bool ReadDevToolsActivePort(const std::string& userDataDirectory, DevToolsEndpoint& out);

// Asks http://host:port/json/version for the browser's WebSocket address and
// keeps its path. The host is always our own (the answer's host is ignored).
bool QueryBrowserEndpoint(const std::string& host, int port, DevToolsEndpoint& out);

// Takes the path of a "ws://host:port/path" address; false when malformed.
bool WebSocketPath(const std::string& url, std::string& path);

}  // namespace qm::cdp
