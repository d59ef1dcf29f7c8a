#include "tests/cdp/cdp_fixture.h"

#include <chrono>

namespace qm::cdptest {

ChromiumSession::~ChromiumSession() {
    shell_.reset();
    system.Disconnect();
    chromium.Stop();
    server.Stop();
}

bool ChromiumSession::Start(std::string& error) {
    if (!server.Start()) {
        error = "page server did not start";
        return false;
    }
    server.AddDirectory(QM_CDP_PAGES);
    if (!chromium.Start(kChromium, {}, 30000, error)) {
        return false;
    }
    if (!system.ConnectUserDataDirectory(chromium.UserDataDirectory(), error)) {
        return false;
    }
    shell_ = system.ConnectShellWindows();
    return shell_ != nullptr;
}

std::string ChromiumSession::OpenWindow(const std::string& path) {
    cdp::CdpAnswer answer = system.Connection().Call(
        "Target.createTarget", cdp::Json{{"url", server.Url(path)}, {"newWindow", true}});
    if (!answer.ok || !answer.result.contains("targetId")) {
        return std::string();
    }
    return answer.result["targetId"].get<std::string>();
}

std::shared_ptr<cdp::CdpBrowser> ChromiumSession::BrowserOf(const std::string& targetId,
                                                            int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    do {
        int count = 0;
        if (shell_ && shell_->Count(count)) {
            for (int i = 0; i < count; ++i) {
                auto browser = std::dynamic_pointer_cast<cdp::CdpBrowser>(shell_->Item(i));
                if (browser && browser->Page()->TargetId() == targetId) {
                    return browser;
                }
            }
        }
        system.WaitUntilSettled(100);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    } while (std::chrono::steady_clock::now() < end);
    return nullptr;
}

std::string ChromiumSession::SessionOf(const std::string& targetId) {
    auto browser = BrowserOf(targetId, 5000);
    return browser ? browser->Page()->Session() : std::string();
}

bool ChromiumSession::EvaluateInPage(const std::string& targetId, const std::string& expression,
                                     cdp::Json& value) {
    const std::string session = SessionOf(targetId);
    if (session.empty()) {
        return false;
    }
    cdp::CdpAnswer answer = system.Connection().Call(
        "Runtime.evaluate", cdp::Json{{"expression", expression}, {"returnByValue", true}},
        session);
    if (!answer.ok || answer.result.contains("exceptionDetails")) {
        lastError = answer.ok ? answer.result["exceptionDetails"].dump() : answer.error;
        return false;
    }
    value = answer.result["result"].value("value", cdp::Json());
    return true;
}

bool ChromiumSession::WaitLoaded(const std::string& targetId, int timeoutMs,
                                 const std::string& path) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    const cdp::Json expected = path.empty() ? cdp::Json() : cdp::Json(server.Url(path));
    do {
        cdp::Json state;
        if (EvaluateInPage(targetId, "[document.readyState, location.href]", state) &&
            state.is_array() && state.size() == 2 && state[0] == "complete" &&
            (expected.is_null() ? state[1] != "about:blank" : state[1] == expected)) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
    } while (std::chrono::steady_clock::now() < end);
    return false;
}

bool ChromiumSession::Click(const std::string& targetId, int x, int y) {
    const std::string session = SessionOf(targetId);
    if (session.empty()) {
        return false;
    }
    for (const char* type : {"mousePressed", "mouseReleased"}) {
        cdp::CdpAnswer answer = system.Connection().Call(
            "Input.dispatchMouseEvent",
            cdp::Json{{"type", type}, {"x", x}, {"y", y}, {"button", "left"}, {"clickCount", 1}},
            session);
        if (!answer.ok) {
            return false;
        }
    }
    return true;
}

bool ChromiumSession::Navigate(const std::string& targetId, const std::string& path) {
    const std::string session = SessionOf(targetId);
    return !session.empty() &&
           system.Connection()
               .Call("Page.navigate", cdp::Json{{"url", server.Url(path)}}, session)
               .ok;
}

bool ChromiumSession::RunUntil(const std::function<bool()>& done, const std::function<void()>& step,
                               int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    do {
        if (step) {
            step();
        }
        if (done()) {
            return true;
        }
        system.WaitForEvents(50);
    } while (std::chrono::steady_clock::now() < end);
    if (step) {
        step();
    }
    return done();
}

}  // namespace qm::cdptest
