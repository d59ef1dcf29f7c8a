#include "bench/cdp/bench_changes.h"

#include <algorithm>
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

bool MutationCost(cdp::CdpConnection& connection, const std::shared_ptr<cdp::CdpPage>& page,
                  Document& document, double& armed, double& disarmed, double& none,
                  std::string& error) {
    armed = disarmed = none = 1e9;
    for (int round = 0; round < 5; ++round) {
        std::shared_ptr<PendingPass> check = document.StartPass(PassRequest{});
        PassResult result;
        double a = 0, d = 0, n = 0;
        if (!check->Wait(std::chrono::steady_clock::now() + std::chrono::seconds(3)) ||
            !check->Result(result)) {
            error = "the mutating page did not answer its check";
            return false;
        }
        if (!page->Kept()->Holds()) {
            error = "the mutating page's answer was not kept";
            return false;
        }
        // Armed by the check; the first run's changes are reported and
        // disarm it for the second.
        if (!AppendCost(connection, page->Session(), false, 10000, a) ||
            !AppendCost(connection, page->Session(), false, 10000, d) ||
            !AppendCost(connection, page->Session(), true, 10000, n)) {
            error = "the mutating page did not run its script";
            return false;
        }
        armed = std::min(armed, a);
        disarmed = std::min(disarmed, d);
        none = std::min(none, n);
    }
    return true;
}

}  // namespace qm::bench
