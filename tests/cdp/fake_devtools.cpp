// Compiled as C++17 with the socket library, like the transport it talks to.
#include "tests/cdp/fake_devtools.h"

#include <websocketpp/config/asio_no_tls.hpp>
#include <websocketpp/server.hpp>

#include <atomic>
#include <mutex>
#include <thread>

namespace qm::cdptest {

using Server = websocketpp::server<websocketpp::config::asio>;

struct FakeDevTools::Impl {
    Server server;
    std::thread thread;
    HttpHandler http;
    CommandHandler command;
    mutable std::mutex mutex;
    websocketpp::connection_hdl client;
    bool hasClient = false;
    int port = 0;
    std::atomic<int> connections{0};
};

FakeDevTools::FakeDevTools() : impl_(std::make_unique<Impl>()) {}

FakeDevTools::~FakeDevTools() {
    Stop();
}

void FakeDevTools::SetHttpHandler(HttpHandler handler) {
    impl_->http = std::move(handler);
}

void FakeDevTools::SetCommandHandler(CommandHandler handler) {
    impl_->command = std::move(handler);
}

bool FakeDevTools::Start() {
    Impl& d = *impl_;
    d.server.clear_access_channels(websocketpp::log::alevel::all);
    d.server.clear_error_channels(websocketpp::log::elevel::all);
    websocketpp::lib::error_code ec;
    d.server.init_asio(ec);
    if (ec) {
        return false;
    }
    d.server.set_reuse_addr(true);
    d.server.set_http_handler([&d](websocketpp::connection_hdl h) {
        Server::connection_ptr con = d.server.get_con_from_hdl(h);
        const std::string body = d.http ? d.http(con->get_resource()) : std::string();
        con->set_status(body.empty() ? websocketpp::http::status_code::not_found
                                     : websocketpp::http::status_code::ok);
        con->set_body(body);
    });
    d.server.set_open_handler([&d](websocketpp::connection_hdl h) {
        std::lock_guard<std::mutex> lock(d.mutex);
        d.client = h;
        d.hasClient = true;
        ++d.connections;
    });
    d.server.set_close_handler([&d](websocketpp::connection_hdl) {
        std::lock_guard<std::mutex> lock(d.mutex);
        d.hasClient = false;
    });
    d.server.set_message_handler([&d](websocketpp::connection_hdl h, Server::message_ptr msg) {
        if (!d.command) {
            return;
        }
        for (const std::string& reply : d.command(msg->get_payload())) {
            websocketpp::lib::error_code e;
            d.server.send(h, reply, websocketpp::frame::opcode::text, e);
        }
    });
    const auto loopback = websocketpp::lib::asio::ip::address::from_string("127.0.0.1");
    d.server.listen(websocketpp::lib::asio::ip::tcp::endpoint(loopback, 0), ec);
    if (ec) {
        return false;
    }
    auto local = d.server.get_local_endpoint(ec);
    if (ec) {
        return false;
    }
    d.port = local.port();
    d.server.start_accept(ec);
    if (ec) {
        return false;
    }
    d.thread = std::thread([&d] {
        try {
            d.server.run();
        } catch (...) {
        }
    });
    return true;
}

void FakeDevTools::Stop() {
    Impl& d = *impl_;
    if (!d.thread.joinable()) {
        return;
    }
    websocketpp::lib::asio::post(d.server.get_io_service(), [&d] {
        websocketpp::lib::error_code ec;
        d.server.stop_listening(ec);
    });
    Drop();
    d.server.stop();
    d.thread.join();
}

int FakeDevTools::Port() const {
    return impl_->port;
}

bool FakeDevTools::Push(const std::string& text) {
    Impl& d = *impl_;
    std::lock_guard<std::mutex> lock(d.mutex);
    if (!d.hasClient) {
        return false;
    }
    websocketpp::connection_hdl client = d.client;
    websocketpp::lib::asio::post(d.server.get_io_service(), [&d, client, text] {
        websocketpp::lib::error_code ec;
        d.server.send(client, text, websocketpp::frame::opcode::text, ec);
    });
    return true;
}

void FakeDevTools::Drop() {
    Impl& d = *impl_;
    std::lock_guard<std::mutex> lock(d.mutex);
    if (!d.hasClient) {
        return;
    }
    websocketpp::connection_hdl client = d.client;
    websocketpp::lib::asio::post(d.server.get_io_service(), [&d, client] {
        websocketpp::lib::error_code ec;
        d.server.close(client, websocketpp::close::status::going_away, "", ec);
    });
}

int FakeDevTools::Connections() const {
    return impl_->connections.load();
}

}  // namespace qm::cdptest
