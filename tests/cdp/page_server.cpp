#include "tests/cdp/page_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace qm::cdptest {

namespace {
constexpr std::size_t kMaxRequest = 16 * 1024;
}

PageServer::~PageServer() {
    Stop();
}

bool PageServer::Start() {
    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    if (listener_ < 0) {
        return false;
    }
    int yes = 1;
    setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener_, 64) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        close(listener_);
        listener_ = -1;
        return false;
    }
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Serve(); });
    return true;
}

void PageServer::Stop() {
    stopping_ = true;
    if (thread_.joinable()) {
        thread_.join();
    }
    for (std::thread& worker : workers_) {
        worker.join();
    }
    workers_.clear();
    if (listener_ >= 0) {
        close(listener_);
        listener_ = -1;
    }
}

std::string PageServer::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

void PageServer::AddPage(const std::string& path, std::string html, std::string type) {
    std::lock_guard<std::mutex> lock(mutex_);
    pages_[path] = {std::move(type), std::move(html)};
}

void PageServer::AddGenerator(const std::string& path, Generator generator) {
    std::lock_guard<std::mutex> lock(mutex_);
    generators_[path] = std::move(generator);
}

void PageServer::AddRedirect(const std::string& path, std::string to) {
    std::lock_guard<std::mutex> lock(mutex_);
    redirects_[path] = std::move(to);
}

void PageServer::AddSlowPage(const std::string& path, std::string head, std::string tail,
                             int delayMs) {
    std::lock_guard<std::mutex> lock(mutex_);
    slow_[path] = Slow{std::move(head), std::move(tail), delayMs};
}

bool PageServer::AddDirectory(const std::string& directory) {
    std::error_code error;
    bool any = false;
    for (const auto& entry : std::filesystem::directory_iterator(directory, error)) {
        if (!entry.is_regular_file()) {
            continue;
        }
        std::ifstream file(entry.path(), std::ios::binary);
        std::ostringstream text;
        text << file.rdbuf();
        const std::string name = entry.path().filename().string();
        const bool html = entry.path().extension() == ".html";
        AddPage("/" + name, text.str(), html ? "text/html" : "application/octet-stream");
        any = true;
    }
    return any;
}

void PageServer::Serve() {
    while (!stopping_) {
        pollfd p{listener_, POLLIN, 0};
        if (poll(&p, 1, 100) <= 0) {
            continue;
        }
        const int client = accept(listener_, nullptr, nullptr);
        if (client >= 0) {
            workers_.emplace_back([this, client] {
                Answer(client);
                close(client);
            });
        }
    }
}

void PageServer::Answer(int client) {
    std::string request;
    char buffer[4096];
    while (request.find("\r\n\r\n") == std::string::npos && request.size() < kMaxRequest) {
        pollfd p{client, POLLIN, 0};
        if (poll(&p, 1, 2000) <= 0) {
            return;
        }
        const ssize_t n = recv(client, buffer, sizeof buffer, 0);
        if (n <= 0) {
            return;
        }
        request.append(buffer, static_cast<std::size_t>(n));
    }
    ++requests_;
    std::string status = "404 Not Found";
    std::string type = "text/plain";
    std::string body = "not found";
    std::string location;
    if (request.compare(0, 4, "GET ") == 0) {
        const std::size_t end = request.find(' ', 4);
        const std::string target = request.substr(4, end == std::string::npos ? 0 : end - 4);
        const std::size_t q = target.find('?');
        const std::string path = target.substr(0, q);
        const std::string query = q == std::string::npos ? std::string() : target.substr(q + 1);
        std::unique_lock<std::mutex> lock(mutex_);
        if (auto slow = slow_.find(path); slow != slow_.end()) {
            const Slow page = slow->second;
            lock.unlock();
            const std::string head =
                "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: " +
                std::to_string(page.head.size() + page.tail.size()) +
                "\r\nCache-Control: no-store\r\nConnection: close\r\n\r\n" + page.head;
            if (SendAll(client, head)) {
                for (int waited = 0; waited < page.delayMs && !stopping_; waited += 20) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(20));
                }
                SendAll(client, page.tail);
            }
            return;
        }
        if (auto redirect = redirects_.find(path); redirect != redirects_.end()) {
            status = "302 Found";
            body.clear();
            location = "\r\nLocation: " + redirect->second;
        } else if (auto page = pages_.find(path); page != pages_.end()) {
            status = "200 OK";
            type = page->second.first;
            body = page->second.second;
        } else if (auto gen = generators_.find(path); gen != generators_.end()) {
            status = "200 OK";
            type = "text/html";
            body = gen->second(query);
        }
    }
    const std::string answer = "HTTP/1.1 " + status + location + "\r\nContent-Type: " + type +
                               "\r\nContent-Length: " + std::to_string(body.size()) +
                               "\r\nCache-Control: no-store\r\nConnection: close\r\n\r\n" + body;
    SendAll(client, answer);
}

bool PageServer::SendAll(int client, const std::string& data) {
    std::size_t sent = 0;
    while (sent < data.size()) {
        const ssize_t n = send(client, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) {
            return false;
        }
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace qm::cdptest
