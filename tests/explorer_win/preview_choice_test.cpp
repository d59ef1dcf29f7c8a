// Which renderer the preview gets on this system, and the real browser control
// (Wine's, with mshtml switched off) hosted in our container: created in
// place, following its host's size, and stopped by the guard.
#include <windows.h>

#include <exdisp.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "explorer/preview_engine.h"
#include "explorer/win/preview_engine_win.h"
#include "explorer/win/preview_html_win.h"
#include "explorer/win/preview_win.h"
#include "platform/win/utf16_win.h"

namespace qm::win {
namespace {

// Sets an environment variable for the length of a scope.
class ScopedVariable {
public:
    ScopedVariable(const wchar_t* name, const std::wstring& value) : name_(name) {
        wchar_t buffer[4096] = {};
        const DWORD n = ::GetEnvironmentVariableW(name, buffer, 4096);
        had_ = n > 0 && n < 4096;
        old_.assign(buffer, had_ ? n : 0);
        ::SetEnvironmentVariableW(name, value.c_str());
    }
    ~ScopedVariable() { ::SetEnvironmentVariableW(name_, had_ ? old_.c_str() : nullptr); }

private:
    const wchar_t* name_;
    bool had_ = false;
    std::wstring old_;
};

TEST(PreviewRenderer, ThisWineGetsTheTextAndMshtmlIsNeverLoaded) {
    const HtmlEngineFacts facts = ProbeHtmlEngine();
    EXPECT_TRUE(facts.wine);
    EXPECT_FALSE(CanEmbedHtmlEngine(facts));

    HWND parent = ::CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, 320, 200,
                                    nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(parent, nullptr);
    {
        CElementPreview preview;
        ASSERT_TRUE(preview.CreatePreview(parent, 3));
        wchar_t className[64] = {};
        ::GetClassNameW(preview.Renderer().Window(), className, 64);
        EXPECT_STREQ(className, L"Edit");
        FilterRecord record;
        record.sType = "IMG";
        record.sName = "http://ads.example/b.gif";
        record.sHtml = "<img src=\"b.gif\" onerror=\"location='http://evil/'\"><script>x()</script>";
        preview.ShowElement("http://news.example/", record);
        EXPECT_EQ(preview.Renderer().Text(),
                  "Type: IMG\r\nName: http://ads.example/b.gif\r\n\r\n" + record.sHtml);
    }
    ::DestroyWindow(parent);
    // Nothing asked Wine for an HTML document, so no add-on prompt can come.
    EXPECT_EQ(::GetModuleHandleW(L"mshtml.dll"), nullptr);
}

TEST(PreviewRenderer, GeckoCountsOnlyInTheFolderAndVersionThatWineExpects) {
    wchar_t system[MAX_PATH] = {};
    ::GetSystemDirectoryW(system, MAX_PATH);
    std::ifstream dll(std::filesystem::path(system) / "mshtml.dll", std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(dll)), std::istreambuf_iterator<char>());
    const std::string version = GeckoVersionText(bytes);
    ASSERT_FALSE(version.empty()) << "this Wine's mshtml names no Gecko";
    const std::string folder = GeckoFolderName(version, "x86_64");

    const std::filesystem::path data = std::filesystem::temp_directory_path() /
                                       ("qm-gecko-" + std::to_string(std::random_device{}()));
    const std::filesystem::path gecko = data / "gecko" / folder;
    std::filesystem::create_directories(gecko);
    // mshtml enabled for the probe only; nothing here creates a renderer.
    ScopedVariable overrides(L"WINEDLLOVERRIDES", L"mscoree=");
    ScopedVariable dataDir(L"WINEDATADIR", Widen(data.string()));
    struct Case {
        std::string versionFile;  // empty: no VERSION file
        bool engine;              // xul.dll present
        bool found;
    };
    const Case cases[] = {
        {"", true, false},
        {version, false, false},
        {"Wine Gecko 0.0.1", true, false},
        {version + "x", true, false},
        {version, true, true},
    };
    for (const Case& c : cases) {
        std::filesystem::remove(gecko / "VERSION");
        std::filesystem::remove(gecko / "xul.dll");
        if (!c.versionFile.empty()) {
            std::ofstream(gecko / "VERSION", std::ios::binary) << c.versionFile;
        }
        if (c.engine) {
            std::ofstream(gecko / "xul.dll", std::ios::binary) << "MZ";
        }
        const HtmlEngineFacts facts = ProbeHtmlEngine();
        EXPECT_FALSE(facts.engineDisabled);
        EXPECT_EQ(facts.geckoFound, c.found) << c.versionFile << " " << c.engine;
        EXPECT_EQ(CanEmbedHtmlEngine(facts), c.found);
    }
    {
        ScopedVariable off(L"WINEDLLOVERRIDES", L"mshtml=");
        EXPECT_FALSE(CanEmbedHtmlEngine(ProbeHtmlEngine()));
    }
    std::error_code ignored;
    std::filesystem::remove_all(data, ignored);
}

void PumpFor(DWORD ms) {
    const DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < ms) {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        ::Sleep(10);
    }
}

// The real control (Wine's ieframe) in our container. Its first page needs an
// HTML document, so the test runs only where asking for one cannot raise the
// add-on prompt: mshtml switched off (the test session) or its Gecko present.
TEST(PreviewControl, TheRealControlIsHostedInPlaceAndAsksTheGuardBeforeItNavigates) {
    const HtmlEngineFacts facts = ProbeHtmlEngine();
    if (facts.wine && !facts.engineDisabled && !facts.geckoFound) {
        GTEST_SKIP() << "mshtml without Gecko would prompt";
    }
    ASSERT_TRUE(SUCCEEDED(::OleInitialize(nullptr)));
    HWND parent = ::CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                    320, 200, nullptr, nullptr, ::GetModuleHandleW(nullptr),
                                    nullptr);
    ASSERT_NE(parent, nullptr);
    {
        CHtmlRenderer renderer;
        ASSERT_TRUE(renderer.Create(parent, 3));
        PumpFor(500);
        // In place: the control's window fills the host and follows its size.
        ::MoveWindow(renderer.Window(), 0, 0, 300, 150, TRUE);
        HWND control = ::GetWindow(renderer.Window(), GW_CHILD);
        ASSERT_NE(control, nullptr);
        RECT host{}, shown{};
        ::GetClientRect(renderer.Window(), &host);
        ::GetWindowRect(control, &shown);
        EXPECT_EQ(shown.right - shown.left, host.right);
        EXPECT_EQ(shown.bottom - shown.top, host.bottom);

        // The blank page went through; every later navigation is refused and
        // the control stays where it was.
        const int before = renderer.Guard()->Refused();
        for (const wchar_t* address : {L"http://ads.example/click?id=1", L"about:blank"}) {
            BSTR url = ::SysAllocString(address);
            VARIANT none;
            ::VariantInit(&none);
            renderer.Browser()->Navigate(url, &none, &none, &none, &none);
            ::SysFreeString(url);
            PumpFor(500);
        }
        EXPECT_EQ(renderer.Guard()->Refused(), before + 2);
        BSTR location = nullptr;
        ASSERT_EQ(renderer.Browser()->get_LocationURL(&location), S_OK);
        EXPECT_EQ(Narrow(location), "about:blank");
        ::SysFreeString(location);

        // With no document to write into, the pane keeps what it showed and
        // still reports the element.
        FilterRecord record;
        record.sType = "IFRAME";
        record.sName = "ad.htm";
        record.sHtml = "<iframe src=\"ad.htm\" onload=\"top.location='http://x/'\"></iframe>";
        renderer.Show("http://news.example/", record);
        PumpFor(200);
        EXPECT_EQ(renderer.Text(), "Type: IFRAME\r\nName: ad.htm\r\n\r\n" + record.sHtml);
        EXPECT_EQ(renderer.Guard()->Refused(), before + 2);
        renderer.Clear();
        EXPECT_EQ(renderer.Text(), "");
    }
    ::DestroyWindow(parent);
    ::OleUninitialize();
}

}  // namespace
}  // namespace qm::win
