// A text WebSocket client to a DevTools endpoint. Owns one network thread that
// runs the connection; the handlers below are called on that thread.
// This header stays free of the socket library so that callers need not see it.
#pragma once

#include <functional>
#include <memory>
#include <string>

namespace qm::cdp {

class CdpSocket {
public:
    using MessageHandler = std::function<void(std::string)>;
    using CloseHandler = std::function<void()>;

    CdpSocket();
    ~CdpSocket();  // closes the connection and joins the network thread
    CdpSocket(const CdpSocket&) = delete;
    CdpSocket& operator=(const CdpSocket&) = delete;

    // Handlers must be set before Open; both run on the network thread.
    void SetMessageHandler(MessageHandler handler);
    void SetCloseHandler(CloseHandler handler);

    // Connects to ws://host:port/path and waits up to timeoutMs for the
    // handshake. False (with a reason in error) on failure.
    bool Open(const std::string& host, int port, const std::string& path, int timeoutMs,
              std::string& error);
    // Queues one text frame; false when the connection is not open.
    bool Send(std::string text);
    bool IsOpen() const;
    void Close();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// A plain HTTP/1.1 GET to host:port (numeric or "localhost"); the body of a
// 200 answer in body. Bounded by timeoutMs and by a 1 MiB answer size.
bool HttpGet(const std::string& host, int port, const std::string& path, int timeoutMs,
             std::string& body);

}  // namespace qm::cdp
