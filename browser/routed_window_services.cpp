#include "browser/routed_window_services.h"

#include <utility>

namespace qm {

RoutedWindowServices::RoutedWindowServices(WindowServices& system,
                                           std::function<SystemWindowKind(WindowHandle)> classify)
    : system_(system), classify_(std::move(classify)) {}

void RoutedWindowServices::AddPages(PageWindows& pages) {
    pages_.push_back(&pages);
}

WindowServices& RoutedWindowServices::For(WindowHandle window) {
    if (window != 0) {
        for (PageWindows* pages : pages_) {
            if (pages->Owns(window)) {
                return *pages;
            }
        }
    }
    return system_;
}

WindowHandle RoutedWindowServices::WindowFromPoint(Point screen) {
    const WindowHandle system = system_.WindowFromPoint(screen);
    if (classify_ && classify_(system) != SystemWindowKind::kMayBePage) {
        return system;
    }
    SystemBrowserWindow browser;
    if (system != 0 && probe_ && probe_(system, screen, browser)) {
        // A browser's window of the system: its page, as the system places it.
        for (PageWindows* pages : pages_) {
            if (const WindowHandle page = pages->WindowIn(screen, browser)) {
                return page;
            }
        }
        return system;
    }
    for (PageWindows* pages : pages_) {
        if (const WindowHandle page = pages->WindowAt(screen)) {
            return page;
        }
    }
    return system;
}

WindowHandle RoutedWindowServices::Parent(WindowHandle window) {
    return For(window).Parent(window);
}

bool RoutedWindowServices::IsWindow(WindowHandle window) {
    return For(window).IsWindow(window);
}

bool RoutedWindowServices::WindowRect(WindowHandle window, Rect& screen) {
    return For(window).WindowRect(window, screen);
}

bool RoutedWindowServices::ClientRect(WindowHandle window, Rect& client) {
    return For(window).ClientRect(window, client);
}

bool RoutedWindowServices::ScreenToClient(WindowHandle window, Point& p) {
    return For(window).ScreenToClient(window, p);
}

std::string RoutedWindowServices::ClassName(WindowHandle window) {
    return For(window).ClassName(window);
}

std::vector<WindowHandle> RoutedWindowServices::Descendants(WindowHandle window) {
    return For(window).Descendants(window);
}

WindowHandle RoutedWindowServices::ForegroundWindow() {
    // A browser of another backend in front: its active page's window.
    const WindowHandle system = system_.ForegroundWindow();
    if (classify_ && classify_(system) == SystemWindowKind::kOther) {
        return system;
    }
    for (PageWindows* pages : pages_) {
        if (const WindowHandle page = pages->ForegroundWindow()) {
            return page;
        }
    }
    return system;
}

bool RoutedWindowServices::IsShiftDown() {
    return system_.IsShiftDown();
}

void RoutedWindowServices::Beep() {
    system_.Beep();
}

void RoutedWindowServices::SetCapture(WindowHandle window) {
    // A page of another process's browser cannot take our capture.
    WindowServices& owner = For(window);
    owner.SetCapture(window);
}

void RoutedWindowServices::ReleaseCapture() {
    system_.ReleaseCapture();
    for (PageWindows* pages : pages_) {
        pages->ReleaseCapture();
    }
}

void RoutedWindowServices::DrawInvertedFrame(WindowHandle window, FrameMode mode,
                                             const Rect& rect) {
    For(window).DrawInvertedFrame(window, mode, rect);
}

void RoutedWindowServices::Pause(int milliseconds) {
    system_.Pause(milliseconds);
}

}  // namespace qm
