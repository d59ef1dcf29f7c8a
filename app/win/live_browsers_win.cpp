#include "app/win/live_browsers_win.h"

#include <shellapi.h>
#include <windowsx.h>

#include <filesystem>

#include "app/win/dpi_win.h"
#include "browser/cdp/cdp_browser.h"
#include "browser/cdp/devtools_link.h"
#include "platform/win/utf16_win.h"

namespace qm::win {

namespace {

constexpr char kCaption[] = "Quill Moor";

std::string Environment(const wchar_t* name) {
    wchar_t buffer[1024];
    const DWORD length = ::GetEnvironmentVariableW(name, buffer, 1024);
    if (length == 0 || length >= 1024) {
        return std::string();
    }
    return Narrow(std::wstring(buffer, length));
}

bool FileExists(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesW(Widen(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::string RootClass(WindowHandle window) {
    HWND root = ::GetAncestor(reinterpret_cast<HWND>(window), GA_ROOT);
    wchar_t name[128] = {};
    if (root == nullptr || ::GetClassNameW(root, name, 128) == 0) {
        return std::string();
    }
    return Narrow(name);
}

// The system's window under a point may be a DevTools page: no window, the
// desktop (a browser of another window system, as under Wine), or a window
// of a Chromium-family browser.
SystemWindowKind Classify(WindowHandle window) {
    if (window == 0 || reinterpret_cast<HWND>(window) == ::GetDesktopWindow()) {
        return SystemWindowKind::kMayBePage;
    }
    DWORD process = 0;
    ::GetWindowThreadProcessId(reinterpret_cast<HWND>(window), &process);
    if (process == ::GetCurrentProcessId()) {
        return SystemWindowKind::kOwn;  // the bin or a prompt always wins
    }
    const std::string root = RootClass(window);
    return root.rfind("Chrome_WidgetWin", 0) == 0 || root == "Progman" || root == "WorkerW"
               ? SystemWindowKind::kMayBePage
               : SystemWindowKind::kOther;
}

std::string ClassOf(HWND window) {
    wchar_t name[128] = {};
    if (window == nullptr || ::GetClassNameW(window, name, 128) == 0) {
        return std::string();
    }
    return Narrow(name);
}

Rect RectOf(HWND window) {
    RECT r{};
    if (!::GetWindowRect(window, &r)) {
        return Rect{};
    }
    return Rect{r.left, r.top, r.right, r.bottom};
}

// A window of a Chromium-family browser under the point: its top-level
// window, the window drawing the page (the point's own window or the one of
// that class below it at the point), and the scale of its screen.
bool ProbeBrowserWindow(WindowHandle window, Point screen, SystemBrowserWindow& out) {
    HWND hwnd = reinterpret_cast<HWND>(window);
    HWND root = hwnd != nullptr ? ::GetAncestor(hwnd, GA_ROOT) : nullptr;
    if (root == nullptr || ClassOf(root).rfind("Chrome_WidgetWin", 0) != 0) {
        return false;
    }
    out = SystemBrowserWindow{};
    out.top = RectOf(root);
    out.scale = WindowDpi(root) / 96.0;
    HWND content = hwnd;
    if (ClassOf(content) != cdp::kPageWindowClass) {
        POINT client{screen.x, screen.y};
        ::ScreenToClient(hwnd, &client);
        HWND child = ::ChildWindowFromPointEx(hwnd, client, CWP_SKIPINVISIBLE | CWP_SKIPTRANSPARENT);
        content = child != nullptr && ClassOf(child) == cdp::kPageWindowClass ? child : nullptr;
    }
    if (content != nullptr) {
        out.content = RectOf(content);
    }
    return true;
}

}  // namespace

std::vector<std::string> ProgramArguments() {
    std::vector<std::string> args;
    int count = 0;
    LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (argv == nullptr) {
        return args;
    }
    for (int i = 1; i < count; ++i) {
        args.push_back(Narrow(argv[i]));
    }
    ::LocalFree(argv);
    return args;
}

LiveBrowsers::LiveBrowsers(BrowserSystem* ie, WindowServices& systemWindows)
    : link_(std::make_unique<cdp::DevToolsLink>()), windows_(systemWindows, Classify) {
    if (ie != nullptr) {
        combined_.AddMember(*ie);
    }
    combined_.AddMember(*link_);
    windows_.AddPages(link_->Windows());
    windows_.SetBrowserWindowProbe(ProbeBrowserWindow);
}

LiveBrowsers::~LiveBrowsers() {
    link_->SetWakeup(nullptr);
    link_->SetChangedHandler(nullptr);
    link_->SetGestureSink(nullptr);
}

void LiveBrowsers::Start(AppCore& core, HWND bin, const DevToolsOptions& options) {
    core_ = &core;
    bin_ = bin;
    core.SetExtension(this);
    combined_.SetWakeup([bin] { ::PostMessageW(bin, WM_BROWSER_WAKEUP, 0, 0); });
    link_->SetChangedHandler([this] { OnChanged(); });
    link_->SetGestureSink([bin](const cdp::PageGesture& gesture) {
        ::PostMessageW(bin, WM_PAGE_GESTURE, static_cast<WPARAM>(gesture.phase),
                       MAKELPARAM(static_cast<short>(gesture.screen.x),
                                  static_cast<short>(gesture.screen.y)));
    });
    if (!options.error.empty()) {
        core.Context().dialogs.ShowMessage(options.error, kCaption, MessageIcon::kError);
    }
    remembered_ = LoadRememberedEndpoint(core.Context().registry);
    const BrowserEndpoint endpoint =
        options.endpoint.Empty() ? remembered_ : options.endpoint;
    if (!endpoint.Empty()) {
        link_->SetTarget(cdp::DevToolsTarget{endpoint.port, endpoint.profile});
    }
}

void LiveBrowsers::OnChanged() {
    combined_.MemberChanged(*link_);
    if (core_ == nullptr) {
        return;
    }
    // The window collection looks again: a connected browser's pages come in.
    core_->PostTrackerEvent(kEventWindowRegistered, 0);
    if (link_->Connected()) {
        const cdp::DevToolsTarget& target = link_->Target();
        const BrowserEndpoint endpoint{target.port, target.profile};
        if (endpoint.port != remembered_.port || endpoint.profile != remembered_.profile) {
            if (RememberEndpoint(core_->Context().registry, endpoint)) {
                remembered_ = endpoint;
            }
        }
    }
}

bool LiveBrowsers::Command(int id) {
    if (id != kCmdOpenWebBrowser) {
        return false;
    }
    OpenWebBrowser();
    return true;
}

void LiveBrowsers::OnTick() {
    link_->Tick();
}

bool LiveBrowsers::OpenWebBrowser() {
    if (core_ == nullptr) {
        return false;
    }
    Dialogs& dialogs = core_->Context().dialogs;
    const SystemFolders folders{Environment(L"ProgramFiles"), Environment(L"ProgramFiles(x86)"),
                                Environment(L"LOCALAPPDATA")};
    std::optional<InstalledBrowser> browser =
        FindInstalledBrowser(core_->Context().registry, folders, FileExists);
    if (!browser) {
        dialogs.ShowMessage(
            "No web browser to open was found: install Microsoft Edge, Google Chrome or Chromium.",
            kCaption, MessageIcon::kInformation);
        return false;
    }
    if (folders.localAppData.empty()) {
        dialogs.ShowMessage("The local application data folder is not known.", kCaption,
                            MessageIcon::kError);
        return false;
    }
    const std::string profile = BrowserProfileFolder(folders.localAppData);
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(Widen(profile)), ec);
    // The file names the port of the browser that runs now, once it runs.
    const BrowserEndpoint current{link_->Target().port, link_->Target().profile};
    if (!(link_->Connected() && current.profile == profile)) {
        std::filesystem::remove(std::filesystem::path(Widen(profile)) / L"DevToolsActivePort", ec);
    }
    if (!core_->Context().launcher.Start(BrowserCommandLine(browser->path, profile),
                                         ShowState::kNormal)) {
        dialogs.ShowMessage(browser->name + " could not be started.", kCaption,
                            MessageIcon::kError);
        return false;
    }
    if (!(link_->Connected() && current.profile == profile)) {
        link_->SetTarget(cdp::DevToolsTarget{0, profile});
    }
    return true;
}

}  // namespace qm::win
