#include "browser/cdp/cdp_desktop.h"

#include <chrono>
#include <thread>

#include "browser/cdp/cdp_browser.h"

namespace qm::cdp {

CdpDesktop::CdpDesktop(std::shared_ptr<CdpHub> hub, Rect viewport)
    : hub_(std::move(hub)), viewport_(viewport) {}

std::shared_ptr<CdpPage> CdpDesktop::Owner(WindowHandle window, bool& isPage) {
    for (const auto& page : hub_->LivePages()) {
        if (page->TopWindow() == window || page->PageWindow() == window) {
            isPage = page->PageWindow() == window;
            return page;
        }
    }
    return nullptr;
}

WindowHandle CdpDesktop::WindowFromPoint(Point screen) {
    if (!viewport_.Contains(screen)) {
        return 0;
    }
    auto page = hub_->PageByOrdinal(hub_->ForegroundOrdinal());
    return page ? page->PageWindow() : 0;
}

WindowHandle CdpDesktop::Parent(WindowHandle window) {
    bool isPage = false;
    auto page = Owner(window, isPage);
    return page && isPage ? page->TopWindow() : 0;
}

bool CdpDesktop::IsWindow(WindowHandle window) {
    bool isPage = false;
    return Owner(window, isPage) != nullptr;
}

bool CdpDesktop::WindowRect(WindowHandle window, Rect& screen) {
    if (!IsWindow(window)) {
        return false;
    }
    screen = viewport_;
    return true;
}

bool CdpDesktop::ClientRect(WindowHandle window, Rect& client) {
    if (!IsWindow(window)) {
        return false;
    }
    client = Rect{0, 0, viewport_.Width(), viewport_.Height()};
    return true;
}

bool CdpDesktop::ScreenToClient(WindowHandle window, Point& p) {
    if (!IsWindow(window)) {
        return false;
    }
    p.x -= viewport_.left;
    p.y -= viewport_.top;
    return true;
}

std::string CdpDesktop::ClassName(WindowHandle window) {
    bool isPage = false;
    if (!Owner(window, isPage)) {
        return std::string();
    }
    return isPage ? kPageWindowClass : kTopWindowClass;
}

std::vector<WindowHandle> CdpDesktop::Descendants(WindowHandle window) {
    bool isPage = false;
    auto page = Owner(window, isPage);
    if (!page || isPage) {
        return {};
    }
    return {page->PageWindow()};
}

WindowHandle CdpDesktop::ForegroundWindow() {
    auto page = hub_->PageByOrdinal(hub_->ForegroundOrdinal());
    return page ? page->TopWindow() : 0;
}

void CdpDesktop::Pause(int milliseconds) {
    if (milliseconds > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }
}

}  // namespace qm::cdp
