// The address a page's events give (what the port answers for a document's
// URL without asking the page) against document.URL in the page itself, over
// the kinds of navigation a page goes through.
#include <gtest/gtest.h>

#include "browser/cdp/cdp_dom.h"
#include "tests/cdp/cdp_fixture.h"

namespace qm::cdptest {
namespace {

class CdpAddressTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(session_.Start(error)) << error;
        session_.server.AddPage("/addr.html",
                                "<!DOCTYPE html><title>Address</title><p>address</p>");
        shell_ = session_.system.ConnectShellWindows();
        ASSERT_NE(nullptr, shell_);
        session_.server.AddRedirect("/moved", session_.server.Url("/addr.html?from=moved"));
    }

    // The live page of a target other than opener whose opener it is.
    std::shared_ptr<cdp::CdpPage> OpenedBy(const std::string& opener) {
        std::shared_ptr<cdp::CdpPage> found;
        session_.RunUntil(
            [&] {
                int count = 0;
                for (int i = 0; shell_ && shell_->Count(count) && i < count; ++i) {
                    auto browser = std::dynamic_pointer_cast<cdp::CdpBrowser>(shell_->Item(i));
                    if (browser && browser->Page()->TargetId() != opener &&
                        browser->Page()->opener == opener) {
                        found = browser->Page();
                    }
                }
                return found != nullptr;
            },
            [this] { session_.system.Pump(); }, 10000);
        return found;
    }

    ChromiumSession session_;
    std::unique_ptr<ShellWindows> shell_;
};

TEST_F(CdpAddressTest, TheAddressOfTheEventsIsTheDocumentsUrlAfterEveryKindOfNavigation) {
    struct Kind {
        const char* name;
        const char* open;    // a path of the server, or a whole address
        const char* script;  // run in the page once it has loaded (empty: none)
        bool inOpened;       // the address of the window the script opens
        const char* expect;  // a part of the address that must be there
        const char* then = "";  // run in the page until it answers true
        const char* gone = "";  // a part of the address that must no longer be there
    };
    const Kind kinds[] = {
        {"plain load", "/addr.html", "", false, "/addr.html"},
        {"load with a fragment", "/addr.html#start", "", false, "#start"},
        {"server redirect", "/moved", "", false, "?from=moved"},
        {"fragment", "/addr.html", "location.hash = 'part'; 1", false, "#part"},
        {"pushState", "/addr.html", "history.pushState({}, '', '/pushed/x?y=1'); 1", false,
         "/pushed/x?y=1"},
        {"replaceState", "/addr.html", "history.replaceState({}, '', '/replaced#r'); 1", false,
         "/replaced#r"},
        {"blank window written by its opener", "/addr.html",
         "window.w = window.open('', 'blank', 'width=300,height=200');"
         "w.document.write('<p>written</p>'); w.document.close(); 1",
         true, ""},
        // document.open() gives the window its opener's address.
        {"loaded window rewritten by its opener", "/addr.html",
         "window.w = window.open('/addr.html?child=1', 'child', 'width=300,height=200'); 1", true,
         "/addr.html",
         "w.document.readyState === 'complete' && w.location.search === '?child=1' &&"
         " (w.document.open(), w.document.write('<p>rewritten</p>'), w.document.close(), true)",
         "?child"},
        {"data address", "data:text/html,<p>data</p>", "", false, "data:text/html"},
        {"blob address", "/addr.html",
         "location.href = URL.createObjectURL(new Blob(['<p>blob</p>'], {type: 'text/html'})); 1",
         false, "blob:"},
    };
    for (const Kind& kind : kinds) {
        SCOPED_TRACE(kind.name);
        const std::string open = kind.open;
        const std::string address = open[0] == '/' ? session_.server.Url(open) : open;
        const cdp::CdpAnswer created = session_.system.Connection().Call(
            "Target.createTarget", cdp::Json{{"url", address}, {"newWindow", true}});
        ASSERT_TRUE(created.ok) << created.error;
        const std::string target = created.result.value("targetId", std::string());
        ASSERT_TRUE(session_.WaitLoaded(target));
        std::shared_ptr<cdp::CdpBrowser> browser = session_.BrowserOf(target);
        ASSERT_NE(nullptr, browser);
        std::shared_ptr<cdp::CdpPage> page = browser->Page();
        cdp::Json value;
        if (*kind.script != '\0') {
            ASSERT_TRUE(session_.EvaluateInPage(target, kind.script, value)) << session_.lastError;
        }
        std::string inPage = "document.URL";
        if (kind.inOpened) {
            page = OpenedBy(target);
            ASSERT_NE(nullptr, page);
            inPage = "w.document.URL";
        }
        if (*kind.then != '\0') {
            ASSERT_TRUE(session_.RunUntil(
                [&] {
                    return session_.EvaluateInPage(target, kind.then, value) && value == true;
                },
                nullptr, 10000));
        }
        // The events come after the page's own change: wait for them.
        std::string recorded;
        std::string actual;
        const bool same = session_.RunUntil(
            [&] {
                return session_.EvaluateInPage(target, inPage, value) && value.is_string() &&
                       (actual = value.get<std::string>()).find(kind.expect) !=
                           std::string::npos &&
                       (*kind.gone == '\0' || actual.find(kind.gone) == std::string::npos) &&
                       page->Address(recorded) && recorded == actual;
            },
            nullptr, 5000);
        EXPECT_TRUE(same) << "events: " << recorded << "\npage: " << actual;
        // The port answers with it.
        std::string answered;
        EXPECT_TRUE(cdp::CdpDocument(page).Url(answered));
        EXPECT_EQ(actual, answered);
        session_.system.Connection().Call("Target.closeTarget", cdp::Json{{"targetId", target}});
        if (kind.inOpened) {
            session_.system.Connection().Call("Target.closeTarget",
                                              cdp::Json{{"targetId", page->TargetId()}});
        }
    }
}

}  // namespace
}  // namespace qm::cdptest
