// The DevTools client without a browser (both builds): endpoint discovery,
// commands and answers, events, time-outs, dropped connections, malformed
// messages, and the page targets of the backend, against a stand-in endpoint.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

#include "browser/cdp/cdp_browser_system.h"
#include "browser/cdp/cdp_connection.h"
#include "browser/cdp/devtools_endpoint.h"
#include "tests/cdp/fake_devtools.h"

namespace qm::cdptest {
namespace {

using cdp::Json;

std::string Answer(const Json& command, const Json& result) {
    return Json{{"id", command["id"]}, {"result", result}}.dump();
}

TEST(DevToolsEndpointTest, ReadsActivePortFileAndRefusesMalformedOnes) {
    const std::string dir = ::testing::TempDir() + "/qm-cdp-endpoint";
    std::filesystem::create_directories(dir);
    auto write = [&dir](const std::string& text) {
        std::ofstream(dir + "/DevToolsActivePort", std::ios::binary) << text;
    };
    cdp::DevToolsEndpoint endpoint;
    write("9222\r\n/devtools/browser/abc-123\n");
    ASSERT_TRUE(cdp::ReadDevToolsActivePort(dir, endpoint));
    EXPECT_EQ(9222, endpoint.port);
    EXPECT_EQ("/devtools/browser/abc-123", endpoint.path);
    EXPECT_EQ("127.0.0.1", endpoint.host);
    for (const char* bad : {"", "70000\n/devtools/browser/x\n", "12a\n/devtools/browser/x\n",
                            "9222\n/devtools/page/x\n", "9222\n/devtools/browser/a b\n",
                            "0\n/devtools/browser/x\n", "9222\n"}) {
        write(bad);
        EXPECT_FALSE(cdp::ReadDevToolsActivePort(dir, endpoint)) << bad;
    }
    std::filesystem::remove_all(dir);
    EXPECT_FALSE(cdp::ReadDevToolsActivePort(dir, endpoint));
    std::string path;
    EXPECT_TRUE(cdp::WebSocketPath("ws://127.0.0.1:9/devtools/browser/q", path));
    EXPECT_EQ("/devtools/browser/q", path);
    EXPECT_FALSE(cdp::WebSocketPath("http://127.0.0.1:9/devtools/browser/q", path));
    EXPECT_FALSE(cdp::WebSocketPath("ws://127.0.0.1:9", path));
}

class FakeEndpointTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake_.SetHttpHandler([this](const std::string& path) -> std::string {
            if (path != "/json/version") {
                return std::string();
            }
            return Json{{"Browser", "Fake/1.0"},
                        {"webSocketDebuggerUrl", "ws://somewhere.invalid:1/devtools/browser/fake"}}
                .dump();
        });
        fake_.SetCommandHandler([this](const std::string& text) { return Handle(text); });
        ASSERT_TRUE(fake_.Start());
    }

    // Default answers: echo the params back; some methods behave specially.
    virtual std::vector<std::string> Handle(const std::string& text) {
        Json command = Json::parse(text);
        const std::string method = command["method"];
        std::lock_guard<std::mutex> lock(mutex_);
        seen_.push_back(method);
        if (method == "Test.silent") {
            return {};
        }
        if (method == "Test.fail") {
            return {Json{{"id", command["id"]}, {"error", {{"code", -32000}, {"message", "nope"}}}}
                        .dump()};
        }
        if (method == "Test.eventFirst") {
            return {Json{{"method", "Test.happened"}, {"params", {{"n", 1}}}}.dump(),
                    Answer(command, Json::object())};
        }
        if (method == "Test.garbage") {
            return {"not json", "[1,2]", R"({"id":"x","result":{}})", R"({"method":5})",
                    Answer(command, Json{{"ok", true}})};
        }
        return {Answer(command, command["params"])};
    }

    FakeDevTools fake_;
    std::mutex mutex_;
    std::vector<std::string> seen_;
};

TEST_F(FakeEndpointTest, FindsTheBrowserPathThroughVersionAndKeepsItsOwnHost) {
    cdp::DevToolsEndpoint endpoint;
    ASSERT_TRUE(cdp::QueryBrowserEndpoint("127.0.0.1", fake_.Port(), endpoint));
    EXPECT_EQ("127.0.0.1", endpoint.host);
    EXPECT_EQ(fake_.Port(), endpoint.port);
    EXPECT_EQ("/devtools/browser/fake", endpoint.path);
    std::string body;
    EXPECT_FALSE(cdp::HttpGet("127.0.0.1", fake_.Port(), "/missing", 2000, body));
    EXPECT_FALSE(cdp::QueryBrowserEndpoint("127.0.0.1", 0, endpoint));
}

TEST_F(FakeEndpointTest, CommandsGetTheirAnswersAndEventsComeFirst) {
    cdp::CdpConnection connection;
    std::vector<std::string> events;
    std::mutex eventMutex;
    connection.SetEventHandler([&](const std::string& method, const Json&, const std::string&) {
        std::lock_guard<std::mutex> lock(eventMutex);
        events.push_back(method);
    });
    std::string error;
    ASSERT_TRUE(connection.Open("127.0.0.1", fake_.Port(), "/devtools/browser/fake", error))
        << error;
    cdp::CdpAnswer echo = connection.Call("Test.echo", Json{{"text", "h\xC3\xA9llo"}, {"n", 7}});
    ASSERT_TRUE(echo.ok) << echo.error;
    EXPECT_EQ("h\xC3\xA9llo", echo.result["text"]);
    EXPECT_EQ(7, echo.result["n"]);

    cdp::CdpAnswer failed = connection.Call("Test.fail", Json::object());
    EXPECT_FALSE(failed.ok);
    EXPECT_EQ("nope", failed.error);

    ASSERT_TRUE(connection.Call("Test.eventFirst", Json::object()).ok);
    {
        std::lock_guard<std::mutex> lock(eventMutex);
        ASSERT_EQ(1u, events.size());
        EXPECT_EQ("Test.happened", events[0]);
    }
    // Malformed messages are dropped and the connection goes on.
    cdp::CdpAnswer after = connection.Call("Test.garbage", Json::object());
    ASSERT_TRUE(after.ok);
    EXPECT_EQ(true, after.result["ok"]);
    EXPECT_EQ(4u, connection.RoundTrips());
    // Invalid UTF-8 in a parameter is replaced, not thrown.
    EXPECT_TRUE(connection.Call("Test.echo", Json{{"bad", std::string("\xFF\xFE")}}).ok);
}

TEST_F(FakeEndpointTest, UnansweredCommandsTimeOutAndDroppedConnectionsFailAtOnce) {
    cdp::CdpConnection connection;
    std::string error;
    ASSERT_TRUE(connection.Open("127.0.0.1", fake_.Port(), "/devtools/browser/fake", error));
    auto start = std::chrono::steady_clock::now();
    cdp::CdpAnswer silent = connection.Call("Test.silent", Json::object(), {}, 300);
    EXPECT_FALSE(silent.ok);
    EXPECT_EQ("timed out", silent.error);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    EXPECT_TRUE(connection.Call("Test.echo", Json::object()).ok);

    // A command waiting when the other side goes away fails with the connection.
    std::thread dropper([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        fake_.Drop();
    });
    start = std::chrono::steady_clock::now();
    cdp::CdpAnswer lost = connection.Call("Test.silent", Json::object(), {}, 20000);
    dropper.join();
    EXPECT_FALSE(lost.ok);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    for (int i = 0; i < 100 && connection.IsOpen(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_FALSE(connection.IsOpen());
    EXPECT_FALSE(connection.Call("Test.echo", Json::object()).ok);
    EXPECT_FALSE(connection.Post("Test.echo", Json::object(), {}, nullptr));
}

TEST(CdpConnectionTest, RefusedAndMalformedEndpointsFailCleanly) {
    cdp::CdpConnection connection;
    std::string error;
    EXPECT_FALSE(connection.Open("127.0.0.1", 1, "/devtools/browser/x", error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(connection.IsOpen());
    EXPECT_FALSE(connection.Call("Test.echo", Json::object()).ok);
    cdp::CdpBrowserSystem system;
    EXPECT_FALSE(system.ConnectPort(1, error));
    EXPECT_FALSE(system.ConnectUserDataDirectory("/nonexistent/dir", error));
    EXPECT_EQ(nullptr, system.ConnectShellWindows());
    EXPECT_EQ(0, system.Pump());
    EXPECT_EQ(0u, system.Desktop().ForegroundWindow());
}

// A browser with page targets, as far as the backend's bookkeeping goes.
class FakeBrowserTest : public FakeEndpointTest {
protected:
    std::vector<std::string> Handle(const std::string& text) override {
        Json command = Json::parse(text);
        const std::string method = command["method"];
        if (method == "Target.setDiscoverTargets") {
            return {
                Json{{"method", "Target.targetCreated"},
                     {"params", {{"targetInfo", {{"targetId", "T1"}, {"type", "page"}}}}}}
                    .dump(),
                Json{{"method", "Target.targetCreated"},
                     {"params", {{"targetInfo", {{"targetId", "W1"}, {"type", "service_worker"}}}}}}
                    .dump(),
                Answer(command, Json::object())};
        }
        if (method == "Target.setAutoAttach") {
            // The browser attaches what is open, a worker paused at its start.
            return {Json{{"method", "Target.attachedToTarget"},
                         {"params",
                          {{"sessionId", "S-T1"},
                           {"targetInfo", {{"targetId", "T1"}, {"type", "page"}}},
                           {"waitingForDebugger", false}}}}
                        .dump(),
                    Json{{"method", "Target.attachedToTarget"},
                         {"params",
                          {{"sessionId", "S-W1"},
                           {"targetInfo", {{"targetId", "W1"}, {"type", "service_worker"}}},
                           {"waitingForDebugger", true}}}}
                        .dump(),
                    Answer(command, Json::object())};
        }
        if (method == "Target.attachToTarget") {
            return {Answer(
                command,
                Json{{"sessionId", "S-" + command["params"]["targetId"].get<std::string>()}})};
        }
        return FakeEndpointTest::Handle(text);
    }
};

struct Recorder : BrowserEventSink {
    std::vector<std::pair<int, long>> events;
    void OnBrowserEvent(int code, long param) override { events.emplace_back(code, param); }
};

TEST_F(FakeBrowserTest, PageTargetsBecomeWindowsAndTheirEventsWaitForPump) {
    cdp::CdpBrowserSystem system;
    std::string error;
    cdp::DevToolsEndpoint endpoint;
    endpoint.port = fake_.Port();
    endpoint.path = "/devtools/browser/fake";
    ASSERT_TRUE(system.Connect(endpoint, error)) << error;
    auto shell = system.ConnectShellWindows();
    ASSERT_NE(nullptr, shell);
    int count = 0;
    ASSERT_TRUE(shell->Count(count));
    ASSERT_EQ(1, count);  // the service worker is no window
    BrowserPtr browser = shell->Item(0);
    ASSERT_NE(nullptr, browser);
    EXPECT_EQ(browser, shell->Item(0));  // the same object while it is held
    EXPECT_EQ(nullptr, shell->Item(1));
    WindowHandle top = 0;
    ASSERT_TRUE(browser->Hwnd(top));
    WindowServices& desktop = system.Desktop();
    const auto children = desktop.Descendants(top);
    ASSERT_EQ(1u, children.size());
    WindowHandle page = 0;
    ASSERT_TRUE(browser->PageWindow(page));
    EXPECT_EQ(page, children[0]);
    EXPECT_EQ(top, desktop.Parent(children[0]));
    EXPECT_EQ(top, desktop.ForegroundWindow());
    EXPECT_EQ(children[0], desktop.WindowFromPoint(Point{10, 10}));

    auto shellSink = std::make_shared<Recorder>();
    auto pageSink = std::make_shared<Recorder>();
    std::uint32_t shellCookie = 0, pageCookie = 0;
    ASSERT_TRUE(shell->Advise(shellSink, shellCookie));
    // The page navigates before anybody listens: kept for its first sink.
    fake_.Push(Json{{"method", "Page.frameStartedLoading"},
                    {"sessionId", "S-T1"},
                    {"params", {{"frameId", "T1"}}}}
                   .dump());
    fake_.Push(Json{{"method", "Page.frameNavigated"},
                    {"sessionId", "S-T1"},
                    {"params", {{"frame", {{"id", "T1"}}}}}}
                   .dump());
    fake_.Push(Json{{"method", "Page.frameNavigated"},
                    {"sessionId", "S-T1"},
                    {"params", {{"frame", {{"id", "F2"}, {"parentId", "T1"}}}}}}
                   .dump());
    fake_.Push(Json{{"method", "Page.frameStoppedLoading"},
                    {"sessionId", "S-T1"},
                    {"params", {{"frameId", "F2"}}}}
                   .dump());
    fake_.Push(Json{{"method", "Page.frameStoppedLoading"},
                    {"sessionId", "S-T1"},
                    {"params", {{"frameId", "T1"}}}}
                   .dump());
    fake_.Push(
        Json{{"method", "Page.windowOpen"}, {"sessionId", "S-unknown"}, {"params", Json::object()}}
            .dump());
    // A round trip after the pushes: they have all been read.
    ASSERT_TRUE(system.Connection().Call("Test.echo", Json::object()).ok);
    system.Pump();
    ASSERT_TRUE(browser->Advise(pageSink, pageCookie));
    EXPECT_TRUE(pageSink->events.empty());  // never inside a call
    system.Pump();
    std::vector<int> codes;
    for (const auto& e : pageSink->events) {
        codes.push_back(e.first);
    }
    EXPECT_EQ((std::vector<int>{kEventBeforeNavigate, kEventNavigateComplete,
                                kEventDocumentComplete, kEventDocumentComplete}),
              codes);

    fake_.Push(
        Json{{"method", "Page.windowOpen"}, {"sessionId", "S-T1"}, {"params", Json::object()}}
            .dump());
    fake_.Push(Json{{"method", "Target.targetDestroyed"}, {"params", {{"targetId", "T1"}}}}.dump());
    ASSERT_TRUE(system.Connection().Call("Test.echo", Json::object()).ok);
    EXPECT_EQ(3, system.Pump());
    ASSERT_GE(pageSink->events.size(), 6u);
    EXPECT_EQ(kEventNewWindow, pageSink->events[4].first);
    EXPECT_EQ(kEventQuit, pageSink->events[5].first);
    ASSERT_FALSE(shellSink->events.empty());
    EXPECT_EQ(kEventWindowRevoked, shellSink->events.back().first);
    ASSERT_TRUE(shell->Count(count));
    EXPECT_EQ(0, count);
    EXPECT_FALSE(browser->Hwnd(top));
    EXPECT_EQ(nullptr, browser->GetDocument());
    EXPECT_FALSE(desktop.IsWindow(top));
    browser->Unadvise(pageCookie);
    shell->Unadvise(shellCookie);
}

}  // namespace
}  // namespace qm::cdptest
