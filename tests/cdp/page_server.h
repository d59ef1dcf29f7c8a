// A small HTTP server for test pages: 127.0.0.1 only, a port of the system's
// choice, one request per connection, bounded request size. Pages are
// registered by path; a handler may generate them from the query.
#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace qm::cdptest {

class PageServer {
public:
    using Generator = std::function<std::string(const std::string& query)>;

    PageServer() = default;
    ~PageServer();  // stops the server thread
    PageServer(const PageServer&) = delete;
    PageServer& operator=(const PageServer&) = delete;

    bool Start();
    void Stop();
    int Port() const { return port_; }
    // "http://127.0.0.1:<port>" + path
    std::string Url(const std::string& path) const;

    void AddPage(const std::string& path, std::string html, std::string type = "text/html");
    void AddGenerator(const std::string& path, Generator generator);
    // A page whose answer stops after head for delayMs before tail follows.
    void AddSlowPage(const std::string& path, std::string head, std::string tail, int delayMs);
    // A path answered with a redirect (302) to another address.
    void AddRedirect(const std::string& path, std::string to);
    // Every file of the directory, under "/" + its name.
    bool AddDirectory(const std::string& directory);
    int Requests() const { return requests_.load(); }

private:
    void Serve();
    void Answer(int client);
    static bool SendAll(int client, const std::string& data);

    int listener_ = -1;
    int port_ = 0;
    std::thread thread_;
    std::vector<std::thread> workers_;  // one per connection, joined at Stop
    std::atomic<bool> stopping_{false};
    std::atomic<int> requests_{0};
    std::mutex mutex_;
    std::map<std::string, std::pair<std::string, std::string>> pages_;  // path -> type, body
    std::map<std::string, Generator> generators_;
    std::map<std::string, std::string> redirects_;
    struct Slow {
        std::string head;
        std::string tail;
        int delayMs = 0;
    };
    std::map<std::string, Slow> slow_;
};

}  // namespace qm::cdptest
