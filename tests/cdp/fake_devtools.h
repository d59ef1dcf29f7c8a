// A stand-in DevTools endpoint on 127.0.0.1 for tests that need no browser:
// it answers plain HTTP requests (such as /json/version) and WebSocket
// commands through handlers, and can push events or close the connection.
// Its handlers run on its own network thread.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace qm::cdptest {

class FakeDevTools {
public:
    // HTTP: the body for a path (empty: 404).
    using HttpHandler = std::function<std::string(const std::string& path)>;
    // WebSocket: a command as text; messages to send back, in order.
    using CommandHandler = std::function<std::vector<std::string>(const std::string& text)>;

    FakeDevTools();
    ~FakeDevTools();
    FakeDevTools(const FakeDevTools&) = delete;
    FakeDevTools& operator=(const FakeDevTools&) = delete;

    void SetHttpHandler(HttpHandler handler);
    void SetCommandHandler(CommandHandler handler);
    bool Start();
    void Stop();
    int Port() const;

    // Sends a text message to the connected client; false when none.
    bool Push(const std::string& text);
    // Closes the client's connection.
    void Drop();
    int Connections() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace qm::cdptest
