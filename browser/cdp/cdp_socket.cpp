// The WebSocket transport over websocketpp with standalone Asio. This file is
// compiled as C++17: the socket library's headers do not build as C++20.
#include "browser/cdp/cdp_socket.h"

#include <websocketpp/client.hpp>
#include <websocketpp/config/asio_no_tls_client.hpp>

#include <array>
#include <atomic>
#include <cctype>
#include <cstdlib>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace qm::cdp {

namespace {

using Client = websocketpp::client<websocketpp::config::asio_client>;
constexpr std::size_t kMaxMessage = 256u * 1024u * 1024u;
constexpr std::size_t kMaxHttpAnswer = 1024u * 1024u;

}  // namespace

struct CdpSocket::Impl {
    Client client;
    websocketpp::connection_hdl handle;
    std::thread thread;
    MessageHandler onMessage;
    CloseHandler onClose;
    std::mutex mutex;
    std::condition_variable changed;
    enum class State { kIdle, kConnecting, kOpen, kClosed } state = State::kIdle;
    std::string failure;

    void SetState(State s, const std::string& why) {
        std::lock_guard<std::mutex> lock(mutex);
        state = s;
        if (!why.empty()) {
            failure = why;
        }
        changed.notify_all();
    }
};

CdpSocket::CdpSocket() : impl_(std::make_unique<Impl>()) {}

CdpSocket::~CdpSocket() {
    Close();
}

void CdpSocket::SetMessageHandler(MessageHandler handler) {
    impl_->onMessage = std::move(handler);
}

void CdpSocket::SetCloseHandler(CloseHandler handler) {
    impl_->onClose = std::move(handler);
}

bool CdpSocket::Open(const std::string& host, int port, const std::string& path, int timeoutMs,
                     std::string& error) {
    Impl& d = *impl_;
    if (d.state != Impl::State::kIdle) {
        error = "socket already used";
        return false;
    }
    d.client.clear_access_channels(websocketpp::log::alevel::all);
    d.client.clear_error_channels(websocketpp::log::elevel::all);
    websocketpp::lib::error_code ec;
    d.client.init_asio(ec);
    if (ec) {
        error = ec.message();
        return false;
    }
    d.client.set_max_message_size(kMaxMessage);
    d.client.set_socket_init_handler(
        [](websocketpp::connection_hdl, websocketpp::lib::asio::ip::tcp::socket& s) {
            websocketpp::lib::asio::error_code ignored;
            s.set_option(websocketpp::lib::asio::ip::tcp::no_delay(true), ignored);
        });
    d.client.set_open_handler(
        [&d](websocketpp::connection_hdl) { d.SetState(Impl::State::kOpen, std::string()); });
    d.client.set_fail_handler([&d](websocketpp::connection_hdl h) {
        std::string why = "connection failed";
        websocketpp::lib::error_code e;
        Client::connection_ptr con = d.client.get_con_from_hdl(h, e);
        if (con) {
            why = con->get_ec().message();
        }
        d.SetState(Impl::State::kClosed, why);
    });
    d.client.set_close_handler([&d](websocketpp::connection_hdl) {
        d.SetState(Impl::State::kClosed, "closed");
        if (d.onClose) {
            d.onClose();
        }
    });
    d.client.set_message_handler([&d](websocketpp::connection_hdl, Client::message_ptr msg) {
        if (d.onMessage && msg->get_opcode() == websocketpp::frame::opcode::text) {
            d.onMessage(std::move(msg->get_raw_payload()));
        }
    });
    const std::string uri = "ws://" + host + ":" + std::to_string(port) + path;
    Client::connection_ptr con = d.client.get_connection(uri, ec);
    if (ec || !con) {
        error = ec ? ec.message() : std::string("bad address");
        return false;
    }
    d.handle = con->get_handle();
    d.client.connect(con);
    d.state = Impl::State::kConnecting;
    d.thread = std::thread([&d] {
        try {
            d.client.run();
        } catch (...) {
        }
        d.SetState(Impl::State::kClosed, "network thread ended");
    });
    std::unique_lock<std::mutex> lock(d.mutex);
    const bool decided = d.changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                            [&d] { return d.state != Impl::State::kConnecting; });
    if (decided && d.state == Impl::State::kOpen) {
        return true;
    }
    error = decided ? d.failure : std::string("handshake timed out");
    lock.unlock();
    Close();
    return false;
}

bool CdpSocket::Send(std::string text) {
    Impl& d = *impl_;
    if (!IsOpen()) {
        return false;
    }
    auto payload = std::make_shared<std::string>(std::move(text));
    websocketpp::lib::asio::post(d.client.get_io_service(), [&d, payload] {
        websocketpp::lib::error_code ec;
        d.client.send(d.handle, *payload, websocketpp::frame::opcode::text, ec);
    });
    return true;
}

bool CdpSocket::IsOpen() const {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    return impl_->state == Impl::State::kOpen;
}

void CdpSocket::Close() {
    Impl& d = *impl_;
    if (!d.thread.joinable()) {
        return;
    }
    websocketpp::lib::asio::post(d.client.get_io_service(), [&d] {
        websocketpp::lib::error_code ec;
        d.client.close(d.handle, websocketpp::close::status::normal, "", ec);
    });
    // Give the closing handshake a moment, then stop whatever is left.
    {
        std::unique_lock<std::mutex> lock(d.mutex);
        d.changed.wait_for(lock, std::chrono::milliseconds(500),
                           [&d] { return d.state == Impl::State::kClosed; });
    }
    d.client.stop();
    d.thread.join();
    d.SetState(Impl::State::kClosed, std::string());
}

bool HttpGet(const std::string& host, int port, const std::string& path, int timeoutMs,
             std::string& body) {
    namespace net = websocketpp::lib::asio;
    net::io_context io;
    net::ip::tcp::resolver resolver(io);
    net::ip::tcp::socket socket(io);
    const std::string request = "GET " + path + " HTTP/1.1\r\nHost: " + host + ":" +
                                std::to_string(port) + "\r\nConnection: close\r\n\r\n";
    std::string answer;
    std::array<char, 8192> chunk{};
    bool failed = false;
    // Done once the headers and Content-Length bytes of body are in (the
    // server may keep the connection open), or at the end of the stream.
    auto complete = [&answer]() {
        const std::size_t end = answer.find("\r\n\r\n");
        if (end == std::string::npos) {
            return false;
        }
        std::string headers = answer.substr(0, end);
        for (char& c : headers) {
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
        const std::size_t field = headers.find("\ncontent-length:");
        if (field == std::string::npos) {
            return false;
        }
        const unsigned long long length = std::strtoull(headers.c_str() + field + 16, nullptr, 10);
        return answer.size() - (end + 4) >= length;
    };
    std::function<void(const net::error_code&, std::size_t)> onRead = [&](const net::error_code& ec,
                                                                          std::size_t n) {
        answer.append(chunk.data(), n);
        if (answer.size() > kMaxHttpAnswer) {
            failed = true;
            return;
        }
        if (complete()) {
            net::error_code ignored;
            socket.close(ignored);
            return;
        }
        if (!ec) {
            socket.async_read_some(net::buffer(chunk), onRead);
        } else if (ec != net::error::eof) {
            failed = true;
        }
    };
    net::error_code ec;
    auto endpoints = resolver.resolve(host, std::to_string(port), ec);
    if (ec) {
        return false;
    }
    net::async_connect(socket, endpoints,
                       [&](const net::error_code& e, const net::ip::tcp::endpoint&) {
                           if (e) {
                               failed = true;
                               return;
                           }
                           net::async_write(socket, net::buffer(request),
                                            [&](const net::error_code& w, std::size_t) {
                                                if (w) {
                                                    failed = true;
                                                    return;
                                                }
                                                socket.async_read_some(net::buffer(chunk), onRead);
                                            });
                       });
    io.run_for(std::chrono::milliseconds(timeoutMs));
    if (!io.stopped()) {
        return false;  // timed out
    }
    if (failed) {
        return false;
    }
    const std::size_t headerEnd = answer.find("\r\n\r\n");
    if (headerEnd == std::string::npos || answer.compare(0, 9, "HTTP/1.1 ") != 0 ||
        answer.compare(9, 3, "200") != 0) {
        return false;
    }
    const std::string headers = answer.substr(0, headerEnd);
    if (headers.find("chunked") != std::string::npos) {
        return false;  // DevTools answers with a plain body; anything else is refused
    }
    body = answer.substr(headerEnd + 4);
    return true;
}

}  // namespace qm::cdp
