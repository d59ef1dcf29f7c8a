#include "browser/cdp/cdp_page_windows.h"

#include <algorithm>
#include <string>

#include "browser/cdp/cdp_browser.h"

namespace qm::cdp {

namespace {
// The band drawn over the top of a page for its browser window's title bar.
constexpr int kTitleBandHeight = 24;
}  // namespace

void CdpPageWindows::SetHub(std::shared_ptr<CdpHub> hub) {
    std::lock_guard<std::mutex> lock(mutex_);
    hub_ = std::move(hub);
    pages_.clear();
    frames_.clear();
}

std::optional<PageGesture> CdpPageWindows::Report(std::uint32_t ordinal,
                                                  const PageMessage& message) {
    std::string target;
    std::shared_ptr<CdpHub> hub;
    std::optional<PageGesture> gesture = Take(ordinal, message, target, hub);
    if (!target.empty() && hub) {
        AskBrowserWindow(hub, ordinal, target);  // not under mutex_: the answer takes it
    }
    return gesture;
}

void CdpPageWindows::AskBrowserWindow(const std::shared_ptr<CdpHub>& hub, std::uint32_t ordinal,
                                      const std::string& target) {
    std::weak_ptr<CdpHub> asked = hub;
    hub->Connection().Post(
        "Browser.getWindowForTarget", Json{{"targetId", target}}, std::string(),
        [this, asked, ordinal](CdpAnswer answer) {
            const Json bounds = answer.ok ? answer.result.value("bounds", Json::object()) : Json();
            BrowserWindowBounds window;
            auto number = [&bounds](const char* key, double& out) {
                auto it = bounds.find(key);
                if (it == bounds.end() || !it->is_number()) {
                    return false;
                }
                out = it->get<double>();
                return true;
            };
            auto id = answer.result.find("windowId");
            if (!answer.ok || id == answer.result.end() || !id->is_number_integer() ||
                !bounds.is_object() || !number("left", window.left) ||
                !number("top", window.top) || !number("width", window.width) ||
                !number("height", window.height)) {
                return;
            }
            window.windowId = id->get<int>();
            std::lock_guard<std::mutex> lock(mutex_);
            if (hub_ && hub_ == asked.lock()) {
                auto it = pages_.find(ordinal);
                if (it != pages_.end()) {
                    it->second.window = window;
                }
            }
        });
}

std::optional<PageGesture> CdpPageWindows::Take(std::uint32_t ordinal, const PageMessage& message,
                                                std::string& target,
                                                std::shared_ptr<CdpHub>& hub) {
    std::lock_guard<std::mutex> lock(mutex_);
    PageState& state = pages_[ordinal];
    state.geometry.Update(message.page);
    if (!state.geometry.Known()) {
        pages_.erase(ordinal);
        return std::nullopt;
    }
    state.visible = message.visible;
    // The browser window is asked for again whenever the window moved.
    const PageReport& now = message.page;
    if (hub_ && (!state.askedOnce || now.screenX != state.asked.screenX ||
                 now.screenY != state.asked.screenY || now.outerWidth != state.asked.outerWidth ||
                 now.outerHeight != state.asked.outerHeight)) {
        if (auto page = hub_->PageByOrdinal(ordinal)) {
            state.asked = now;
            state.askedOnce = true;
            target = page->TargetId();
            hub = hub_;
        }
    }
    if (message.pointer) {
        // Only an event that the page saw inside its viewport places it.
        const PointerReport& p = message.pointerAt;
        if (p.clientX >= 0 && p.clientY >= 0 && p.clientX < message.page.innerWidth &&
            p.clientY < message.page.innerHeight && !(p.screenX == 0 && p.screenY == 0)) {
            state.geometry.Calibrate(p);
        }
        state.active = ++clock_;
    }
    PageGesture gesture;
    switch (message.kind) {
        case PageMessage::kGeometry:
            return std::nullopt;
        case PageMessage::kPress:
            state.pressed = true;
            gesture.phase = kDragPress;
            break;
        case PageMessage::kMove:
            if (!state.pressed) {
                return std::nullopt;
            }
            gesture.phase = kDragMove;
            break;
        case PageMessage::kRelease:
            if (!state.pressed) {
                return std::nullopt;
            }
            state.pressed = false;
            gesture.phase = kDragRelease;
            break;
    }
    gesture.screen =
        state.geometry.EventToScreen(message.pointerAt.screenX, message.pointerAt.screenY);
    return gesture;
}

void CdpPageWindows::Prune() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!hub_) {
        pages_.clear();
        return;
    }
    for (auto it = pages_.begin(); it != pages_.end();) {
        auto page = hub_->PageByOrdinal(it->first);
        it = page && !page->Gone() ? std::next(it) : pages_.erase(it);
    }
}

std::shared_ptr<CdpPage> CdpPageWindows::PageOf(WindowHandle window, bool& isPage) {
    if (!hub_ || window < CdpPage::TopWindowOf(0)) {
        return nullptr;
    }
    const WindowHandle offset = window - CdpPage::TopWindowOf(0);
    if (offset % 4 > 1) {
        return nullptr;
    }
    const auto ordinal = static_cast<std::uint32_t>(offset / 4);
    if (pages_.find(ordinal) == pages_.end()) {
        return nullptr;  // no place known: not on our screen
    }
    auto page = hub_->PageByOrdinal(ordinal);
    if (!page || page->Gone()) {
        return nullptr;
    }
    isPage = offset % 4 == 1;
    return page;
}

bool CdpPageWindows::StateOf(WindowHandle window, PageState& state, bool& isPage) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto page = PageOf(window, isPage);
    if (!page) {
        return false;
    }
    state = pages_[page->Ordinal()];
    return true;
}

bool CdpPageWindows::Owns(WindowHandle window) {
    std::lock_guard<std::mutex> lock(mutex_);
    bool isPage = false;
    return PageOf(window, isPage) != nullptr;
}

WindowHandle CdpPageWindows::WindowIn(Point screen, const SystemBrowserWindow& system) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!hub_) {
        return 0;
    }
    std::vector<BrowserWindowBounds> windows;
    std::vector<PageInWindow> pages;
    for (const auto& [ordinal, state] : pages_) {
        if (state.window.windowId >= 0) {
            windows.push_back(state.window);
            pages.push_back(PageInWindow{ordinal, state.window.windowId, state.visible, state.active});
        }
    }
    const std::uint32_t shown = PageShownIn(pages, MatchBrowserWindow(windows, system));
    auto page = shown != 0 ? hub_->PageByOrdinal(shown) : nullptr;
    if (!page || page->Gone()) {
        return WindowAtLocked(screen);  // the browser has not told where its windows are
    }
    if (system.content.Contains(screen)) {
        pages_[shown].geometry.Place(system.content);
        return page->PageWindow();
    }
    return page->TopWindow();
}

WindowHandle CdpPageWindows::WindowAt(Point screen) {
    std::lock_guard<std::mutex> lock(mutex_);
    return WindowAtLocked(screen);
}

WindowHandle CdpPageWindows::WindowAtLocked(Point screen) {
    if (!hub_) {
        return 0;
    }
    WindowHandle best = 0;
    std::uint64_t bestActive = 0;
    for (const auto& [ordinal, state] : pages_) {
        if (!state.visible || !state.geometry.Outer().Contains(screen)) {
            continue;
        }
        auto page = hub_->PageByOrdinal(ordinal);
        if (!page || page->Gone() || (best != 0 && state.active < bestActive)) {
            continue;
        }
        best = state.geometry.Viewport().Contains(screen) ? page->PageWindow() : page->TopWindow();
        bestActive = state.active;
    }
    return best;
}

WindowHandle CdpPageWindows::Parent(WindowHandle window) {
    std::lock_guard<std::mutex> lock(mutex_);
    bool isPage = false;
    auto page = PageOf(window, isPage);
    return page && isPage ? page->TopWindow() : 0;
}

bool CdpPageWindows::WindowRect(WindowHandle window, Rect& screen) {
    PageState state;
    bool isPage = false;
    if (!StateOf(window, state, isPage)) {
        return false;
    }
    screen = isPage ? state.geometry.Viewport() : state.geometry.Outer();
    return true;
}

bool CdpPageWindows::ClientRect(WindowHandle window, Rect& client) {
    Rect screen;
    if (!WindowRect(window, screen)) {
        return false;
    }
    client = Rect{0, 0, screen.Width(), screen.Height()};
    return true;
}

bool CdpPageWindows::ScreenToClient(WindowHandle window, Point& p) {
    PageState state;
    bool isPage = false;
    if (!StateOf(window, state, isPage)) {
        return false;
    }
    if (isPage) {
        p = state.geometry.ScreenToPage(p);  // the page's own (CSS) pixels
    } else {
        const Rect outer = state.geometry.Outer();
        p.x -= outer.left;
        p.y -= outer.top;
    }
    return true;
}

std::string CdpPageWindows::ClassName(WindowHandle window) {
    std::lock_guard<std::mutex> lock(mutex_);
    bool isPage = false;
    if (!PageOf(window, isPage)) {
        return std::string();
    }
    return isPage ? kPageWindowClass : kTopWindowClass;
}

std::vector<WindowHandle> CdpPageWindows::Descendants(WindowHandle window) {
    std::lock_guard<std::mutex> lock(mutex_);
    bool isPage = false;
    auto page = PageOf(window, isPage);
    if (!page || isPage) {
        return {};
    }
    return {page->PageWindow()};
}

WindowHandle CdpPageWindows::ForegroundWindow() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!hub_) {
        return 0;
    }
    WindowHandle best = 0;
    std::uint64_t bestActive = 0;
    for (const auto& [ordinal, state] : pages_) {
        auto page = hub_->PageByOrdinal(ordinal);
        if (!state.visible || !page || page->Gone() || (best != 0 && state.active < bestActive)) {
            continue;
        }
        best = page->TopWindow();
        bestActive = state.active;
    }
    return best;
}

void CdpPageWindows::DrawInvertedFrame(WindowHandle window, FrameMode mode, const Rect& rect) {
    std::shared_ptr<CdpPage> page;
    Rect css = rect;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        bool isPage = false;
        page = PageOf(window, isPage);
        if (!page) {
            return;
        }
        if (mode == kFrameTitleBand) {
            // The browser's own title bar is out of reach: a band at the top of the page.
            const PageGeometry& geometry = pages_[page->Ordinal()].geometry;
            const Rect view = geometry.Viewport();
            css = Rect{0, 0, static_cast<int>(view.Width() / geometry.Scale()), kTitleBandHeight};
        }
    }
    auto shown = frames_.find(page->Ordinal());
    const bool same = shown != frames_.end() && shown->second.mode == mode &&
                      shown->second.rect.left == rect.left && shown->second.rect.top == rect.top &&
                      shown->second.rect.right == rect.right &&
                      shown->second.rect.bottom == rect.bottom;
    if (same) {
        frames_.erase(shown);
        ShowFrame(*page, false, css);
    } else {
        frames_[page->Ordinal()] = Frame{mode, rect};
        ShowFrame(*page, true, css);
    }
}

void CdpPageWindows::ShowFrame(CdpPage& page, bool on, const Rect& rect) {
    std::shared_ptr<CdpHub> hub;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        hub = hub_;
    }
    const int context = page.CurrentContext();
    if (!hub || context == 0) {
        return;
    }
    const std::string call = std::string(kFrameScript) + "(" + (on ? "1" : "0") + "," +
                             std::to_string(rect.left) + "," + std::to_string(rect.top) + "," +
                             std::to_string(std::max(0, rect.Width())) + "," +
                             std::to_string(std::max(0, rect.Height())) + ")";
    // Sent without waiting: the frame follows the drag in order, and a page
    // that does not answer holds up nothing.
    hub->Connection().Post(
        "Runtime.evaluate",
        Json{{"expression", call}, {"contextId", context}, {"returnByValue", true}, {"silent", true}},
        page.Session(), nullptr);
}

std::optional<PageGeometry> CdpPageWindows::Geometry(std::uint32_t ordinal) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = pages_.find(ordinal);
    if (it == pages_.end()) {
        return std::nullopt;
    }
    return it->second.geometry;
}

}  // namespace qm::cdp
