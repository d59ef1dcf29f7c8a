// IeShellWindows over a fake collection, and the real shell window
// collection as far as the test system provides one.
#include <gtest/gtest.h>

#include <exdispid.h>

#include <cstdio>
#include <memory>
#include <thread>
#include <vector>

#include "browser/ie/ie_browser_system.h"
#include "browser/ie/ie_shell_windows.h"
#include "tests/browser_win/event_recorder.h"
#include "tests/browser_win/fake_com.h"

namespace qm::ie {
namespace {

using test::EventRecorder;
using test::FakeBrowser;
using test::FakeConnectionPoint;
using test::FakeShellWindows;
using test::FakeStyle;

class ShellWindowsTest : public ::testing::Test {
protected:
    ShellWindowsTest() {
        fake = new FakeShellWindows();
        fake->point = new FakeConnectionPoint(DIID_DShellWindowsEvents);
        browser = new FakeBrowser();
        fake->items.push_back(static_cast<IWebBrowser2*>(browser));        // takes our reference
        fake->items.push_back(static_cast<IHTMLStyle*>(new FakeStyle()));  // no browser
        fake->items.push_back(nullptr);                                    // an empty entry
    }
    ~ShellWindowsTest() override { fake->Release(); }

    std::unique_ptr<ShellWindows> Wrap() {
        return std::make_unique<IeShellWindows>(
            ComRef<IShellWindows>::Share(static_cast<IShellWindows*>(fake)));
    }

    FakeShellWindows* fake;
    FakeBrowser* browser;
};

TEST_F(ShellWindowsTest, CountAndItemsWithIntegerVariants) {
    auto windows = Wrap();
    int count = 0;
    ASSERT_TRUE(windows->Count(count));
    EXPECT_EQ(3, count);
    BrowserPtr first = windows->Item(0);
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(
                  static_cast<IUnknown*>(static_cast<IWebBrowser2*>(browser))),
              first->Identity());
    EXPECT_EQ(nullptr, windows->Item(1));  // not a browser
    EXPECT_EQ(nullptr, windows->Item(2));  // empty
    EXPECT_EQ(nullptr, windows->Item(3));  // past the end
    EXPECT_EQ(nullptr, windows->Item(-1));
    ASSERT_EQ(4u, fake->itemTypes.size());
    for (VARTYPE vt : fake->itemTypes) {
        EXPECT_EQ(VT_I4, vt);
    }
}

TEST_F(ShellWindowsTest, FailuresGiveNothing) {
    fake->fail = true;
    auto windows = Wrap();
    int count = 5;
    EXPECT_FALSE(windows->Count(count));
    EXPECT_EQ(nullptr, windows->Item(0));
}

TEST_F(ShellWindowsTest, EventsCarryTheCookie) {
    auto windows = Wrap();
    auto recorder = std::make_shared<EventRecorder>();
    std::uint32_t cookie = 0;
    ASSERT_TRUE(windows->Advise(recorder, cookie));
    EXPECT_EQ(1u, fake->point->Connections());
    VARIANT arg;
    VariantInit(&arg);
    arg.vt = VT_I4;
    arg.lVal = 5;
    DISPPARAMS params{&arg, nullptr, 1, 0};
    fake->point->Fire(DISPID_WINDOWREGISTERED, &params);
    fake->point->Fire(DISPID_WINDOWREVOKED, &params);
    fake->point->Fire(DISPID_DOCUMENTCOMPLETE, &params);
    const std::vector<std::pair<int, long>> expected = {{kEventWindowRegistered, 5},
                                                        {kEventWindowRevoked, 5}};
    EXPECT_EQ(expected, recorder->events);
    windows->Unadvise(cookie);
    EXPECT_EQ(0u, fake->point->Connections());
}

TEST_F(ShellWindowsTest, DestructionDisconnectsAndReleases) {
    auto recorder = std::make_shared<EventRecorder>();
    std::weak_ptr<EventRecorder> watch = recorder;
    {
        auto windows = Wrap();
        std::uint32_t cookie = 0;
        ASSERT_TRUE(windows->Advise(recorder, cookie));
        BrowserPtr item = windows->Item(0);
    }
    recorder.reset();
    EXPECT_TRUE(watch.expired());
    EXPECT_EQ(0u, fake->point->Connections());
    EXPECT_EQ(1, fake->refs());
    EXPECT_EQ(1, browser->refs());
}

TEST_F(ShellWindowsTest, AdviseFailsWithoutConnectionPoints) {
    fake->point->Release();
    fake->point = nullptr;
    auto windows = Wrap();
    std::uint32_t cookie = 0;
    EXPECT_FALSE(windows->Advise(std::make_shared<EventRecorder>(), cookie));
    EXPECT_FALSE(windows->Advise(nullptr, cookie));
}

// The real collection: this test system may have none (creation fails
// cleanly) or one that cannot enumerate; neither may crash or leak.
TEST(RealShellWindows, ConnectsOrFailsCleanly) {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    {
        IeBrowserSystem system;
        std::unique_ptr<ShellWindows> windows = system.ConnectShellWindows();
        if (windows) {
            int count = -1;
            if (windows->Count(count)) {
                EXPECT_GE(count, 0);
                for (int i = 0; i < count && i < 64; ++i) {
                    windows->Item(i);  // browsers or null; must not crash
                }
            }
            std::uint32_t cookie = 0;
            const bool advised = windows->Advise(std::make_shared<EventRecorder>(), cookie);
            if (advised) {
                windows->Unadvise(cookie);
            }
            std::printf("shell windows: connected, count %d, events %s\n", count,
                        advised ? "connected" : "refused");
        } else {
            std::printf("shell windows: not available here\n");
        }
    }
    CoUninitialize();
}

TEST(RealShellWindows, FailsWithoutComOnTheThread) {
    bool connected = true;
    std::thread worker([&] {
        IeBrowserSystem system;
        connected = system.ConnectShellWindows() != nullptr;
    });
    worker.join();
    EXPECT_FALSE(connected);
}

}  // namespace
}  // namespace qm::ie
