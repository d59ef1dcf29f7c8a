// A test build of the program: the same body as Quillmoor.exe, with the
// simulated browser in place of the real one. Its one browser owns real
// windows, a top-level frame with an "Internet Explorer_Server" child that
// paints the page's advert while the advert is shown, so the mouse hook, the
// bin window and hit testing all run for real.
//
//   QuillmoorSim.exe [--data <directory>] [--popup] [--intl]
//
// --popup makes the browser window popup-style (no tool bar, no menu bar);
// --intl gives the page a title and an address in Cyrillic and Japanese.
// The command line is read as UTF-16, so a data directory may be any name.
#include <windows.h>

#include <string>

#include "app/win/program_win.h"
#include "platform/win/utf16_win.h"
#include "platform/win/window_services_win.h"
#include "testing/sim/sim_browser.h"
#include "tests/app_win/sim_page.h"

namespace {

using qm::test::kAdvertBox;
using qm::win::Widen;

const std::wstring kFrameClassW = Widen(qm::test::kFrameClass);
const std::wstring kPageClassW = Widen(qm::test::kPageClass);

qm::sim::SimBrowserPtr gBrowser;

// Whether the page's advert image is shown (its display is not "none").
bool AdvertShown() {
    if (!gBrowser) {
        return false;
    }
    qm::DocumentPtr document = gBrowser->GetDocument();
    qm::CollectionPtr images = document ? document->Tags("IMG") : nullptr;
    qm::ElementPtr advert = images ? images->Item(0) : nullptr;
    std::string display;
    return advert && (!advert->StyleDisplay(display) || display != "none");
}

LRESULT CALLBACK PageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        if (AdvertShown()) {
            RECT box{kAdvertBox.left, kAdvertBox.top, kAdvertBox.right, kAdvertBox.bottom};
            HBRUSH red = CreateSolidBrush(qm::test::kAdvertColour);
            FillRect(dc, &box, red);
            DeleteObject(red);
            SetBkMode(dc, TRANSPARENT);
            SetTextColor(dc, RGB(255, 255, 255));
            DrawTextW(dc, L"ADVERT", -1, &box, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        }
        EndPaint(window, &ps);
        return 0;
    }
    if (message == WM_TIMER) {
        InvalidateRect(window, nullptr, TRUE);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SIZE) {
        if (HWND page = FindWindowExW(window, nullptr, kPageClassW.c_str(), nullptr)) {
            MoveWindow(page, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        }
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

bool RegisterClasses(HINSTANCE instance) {
    WNDCLASSW frame{};
    frame.lpfnWndProc = FrameProc;
    frame.hInstance = instance;
    frame.hCursor = LoadCursor(nullptr, IDC_ARROW);
    frame.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    frame.lpszClassName = kFrameClassW.c_str();
    WNDCLASSW page{};
    page.lpfnWndProc = PageProc;
    page.hInstance = instance;
    page.hCursor = LoadCursor(nullptr, IDC_ARROW);
    page.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    page.lpszClassName = kPageClassW.c_str();
    return RegisterClassW(&frame) != 0 && RegisterClassW(&page) != 0;
}

std::string DataDirectoryArgument(const std::string& commandLine) {
    const size_t flag = commandLine.find("--data ");
    if (flag == std::string::npos) {
        return {};
    }
    std::string value = commandLine.substr(flag + 7);
    if (!value.empty() && value.front() == '"') {
        const size_t end = value.find('"', 1);
        return value.substr(1, end == std::string::npos ? std::string::npos : end - 1);
    }
    return value.substr(0, value.find(' '));
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    const std::string commandLine = qm::win::Narrow(GetCommandLineW());
    qm::win::Win32WindowServices windows;
    qm::sim::SimBrowserSystem browsers(nullptr);

    qm::win::ProgramOptions options;
    options.dataDirectory = DataDirectoryArgument(commandLine);
    const bool popupStyle = commandLine.find("--popup") != std::string::npos;
    const bool intl = commandLine.find("--intl") != std::string::npos;
    const char* title = intl ? qm::test::kIntlPageTitle : qm::test::kPageTitle;
    const char* url = intl ? qm::test::kIntlPageUrl : qm::test::kPageUrl;
    HWND frame = nullptr;
    // The browser window opens once the program runs, so the shell reports it
    // and its page load reaches the tracker through the posted events.
    options.onStarted = [&](qm::AppCore&) {
        if (!RegisterClasses(instance)) {
            return;
        }
        const qm::test::PageLayout& layout = qm::test::kPageLayout;
        frame = CreateWindowExW(0, kFrameClassW.c_str(), Widen(title).c_str(),
                                WS_OVERLAPPEDWINDOW | WS_VISIBLE, layout.x, layout.y, layout.width,
                                layout.height, nullptr, nullptr, instance, nullptr);
        RECT client{};
        GetClientRect(frame, &client);
        HWND page = CreateWindowExW(0, kPageClassW.c_str(), L"", WS_CHILD | WS_VISIBLE, 0, 0,
                                    client.right, client.bottom, frame, nullptr, instance, nullptr);
        SetTimer(page, 1, 100, nullptr);
        gBrowser = browsers.AddBrowser(reinterpret_cast<qm::WindowHandle>(frame),
                                       reinterpret_cast<qm::WindowHandle>(page));
        if (popupStyle) {
            gBrowser->SetPopupStyle();
        }
        // Quitting the browser closes its real windows.
        gBrowser->SetOnClosed([frame] {
            if (IsWindow(frame)) {
                DestroyWindow(frame);
            }
        });
        gBrowser->Navigate(url, qm::test::kPageHtml, title);
    };
    const int code = qm::win::RunProgram(browsers, windows, options);
    gBrowser.reset();
    if (frame != nullptr && IsWindow(frame)) {
        DestroyWindow(frame);
    }
    return code;
}
