#include "browser/cdp/devtools_endpoint.h"

#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "browser/cdp/cdp_socket.h"

namespace qm::cdp {

namespace {

bool ParsePort(const std::string& text, int& port) {
    if (text.empty() || text.size() > 5) {
        return false;
    }
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 + (c - '0');
    }
    if (value <= 0 || value > 65535) {
        return false;
    }
    port = value;
    return true;
}

bool IsBrowserPath(const std::string& path) {
    if (path.rfind("/devtools/browser/", 0) != 0 || path.size() > 200) {
        return false;
    }
    for (char c : path) {
        if (static_cast<unsigned char>(c) <= ' ' || c == '?' || c == '#') {
            return false;
        }
    }
    return true;
}

}  // namespace

bool ReadDevToolsActivePort(const std::string& userDataDirectory, DevToolsEndpoint& out) {
    std::ifstream file(userDataDirectory + "/DevToolsActivePort", std::ios::binary);
    if (!file) {
        return false;
    }
    std::string portLine;
    std::string pathLine;
    std::getline(file, portLine);
    std::getline(file, pathLine);
    while (!portLine.empty() && (portLine.back() == '\r' || portLine.back() == ' ')) {
        portLine.pop_back();
    }
    while (!pathLine.empty() && (pathLine.back() == '\r' || pathLine.back() == ' ')) {
        pathLine.pop_back();
    }
    DevToolsEndpoint result;
    if (!ParsePort(portLine, result.port) || !IsBrowserPath(pathLine)) {
        return false;
    }
    result.path = pathLine;
    out = result;
    return true;
}

bool WebSocketPath(const std::string& url, std::string& path) {
    const std::string scheme = "ws://";
    if (url.rfind(scheme, 0) != 0) {
        return false;
    }
    const std::size_t slash = url.find('/', scheme.size());
    if (slash == std::string::npos || !IsBrowserPath(url.substr(slash))) {
        return false;
    }
    path = url.substr(slash);
    return true;
}

bool QueryBrowserEndpoint(const std::string& host, int port, DevToolsEndpoint& out) {
    std::string body;
    if (port <= 0 || port > 65535 || !HttpGet(host, port, "/json/version", 5000, body)) {
        return false;
    }
    const nlohmann::json answer = nlohmann::json::parse(body, nullptr, false);
    if (answer.is_discarded() || !answer.is_object()) {
        return false;
    }
    auto url = answer.find("webSocketDebuggerUrl");
    if (url == answer.end() || !url->is_string()) {
        return false;
    }
    DevToolsEndpoint result;
    result.host = host;
    result.port = port;
    if (!WebSocketPath(url->get<std::string>(), result.path)) {
        return false;
    }
    out = result;
    return true;
}

}  // namespace qm::cdp
