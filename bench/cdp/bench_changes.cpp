#include "bench/cdp/bench_changes.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace qm::bench {

using cdp::Json;

bool EvaluateInEveryPage(cdp::CdpConnection& connection,
                         const std::vector<std::shared_ptr<cdp::CdpPage>>& pages,
                         const std::string& expression, int timeoutMs) {
    struct Count {
        std::mutex mutex;
        std::condition_variable done;
        int left = 0;
        bool ok = true;
    };
    auto count = std::make_shared<Count>();
    count->left = static_cast<int>(pages.size());
    for (const auto& page : pages) {
        const bool sent = connection.Post(
            "Runtime.evaluate", Json{{"expression", expression}, {"returnByValue", true}},
            page->Session(), [count](cdp::CdpAnswer answer) {
                std::lock_guard<std::mutex> lock(count->mutex);
                count->ok = count->ok && answer.ok;
                if (--count->left == 0) {
                    count->done.notify_all();
                }
            });
        if (!sent) {
            std::lock_guard<std::mutex> lock(count->mutex);
            count->ok = false;
            --count->left;
        }
    }
    std::unique_lock<std::mutex> lock(count->mutex);
    return count->done.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                [&count] { return count->left <= 0; }) &&
           count->ok;
}

bool ChangeEveryPage(cdp::CdpConnection& connection,
                     const std::vector<std::shared_ptr<cdp::CdpPage>>& pages, int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    if (!EvaluateInEveryPage(connection, pages,
                             "document.body.dataset.n = (+document.body.dataset.n || 0) + 1",
                             timeoutMs)) {
        return false;
    }
    for (const auto& page : pages) {
        while (page->Kept()->Holds()) {
            if (std::chrono::steady_clock::now() > end) {
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    return true;
}

std::string MutatingPage() {
    return "<!DOCTYPE html><html><head><title>Mutating</title></head><body><p>text</p>"
           "<img src=\"/m/ad.gif\" width=\"4\" height=\"4\"><iframe src=\"/frame-m.html\">"
           "</iframe></body></html>";
}

std::string MutatingFrame() {
    return "<!DOCTYPE html><html><head><title>Frame</title></head><body><p>frame</p></body></html>";
}

bool AppendCost(cdp::CdpConnection& connection, const std::string& session, bool inFrame,
                int count, double& ms) {
    // The observers' callbacks were queued at the first change: they run
    // before the microtask queued after the last one.
    const std::string expression =
        std::string("new Promise((done) => { const d = ") +
        (inFrame ? "frames[0].document" : "document") +
        "; const box = d.createElement('div'); const t = performance.now();"
        " d.body.appendChild(box); for (let i = 0; i < " +
        std::to_string(count) +
        "; i++) box.appendChild(d.createElement('i'));"
        " queueMicrotask(() => { const ms = performance.now() - t; box.remove(); done(ms); }); })";
    cdp::CdpAnswer answer = connection.Call(
        "Runtime.evaluate",
        Json{{"expression", expression}, {"returnByValue", true}, {"awaitPromise", true}}, session,
        5000);
    if (!answer.ok || !answer.result.contains("result") ||
        !answer.result["result"].contains("value") ||
        !answer.result["result"]["value"].is_number()) {
        return false;
    }
    ms = answer.result["result"]["value"].get<double>();
    return true;
}

}  // namespace qm::bench
