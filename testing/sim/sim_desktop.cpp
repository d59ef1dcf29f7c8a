// SimDesktop: the in-memory window system.
#include "testing/sim/sim_desktop.h"

#include <algorithm>

namespace qm::sim {

namespace {

bool SameFrame(const FrameDraw& a, const FrameDraw& b) {
    return a.window == b.window && a.mode == b.mode && a.rect.left == b.rect.left &&
           a.rect.top == b.rect.top && a.rect.right == b.rect.right &&
           a.rect.bottom == b.rect.bottom;
}

void Erase(std::vector<WindowHandle>& list, WindowHandle window) {
    list.erase(std::remove(list.begin(), list.end(), window), list.end());
}

}  // namespace

SimDesktop::Window* SimDesktop::Find(WindowHandle window) {
    auto it = windows_.find(window);
    return it == windows_.end() ? nullptr : &it->second;
}

const SimDesktop::Window* SimDesktop::Find(WindowHandle window) const {
    auto it = windows_.find(window);
    return it == windows_.end() ? nullptr : &it->second;
}

WindowHandle SimDesktop::AddWindow(WindowHandle parent, const std::string& className,
                                   const Rect& screen, bool framed) {
    Window* parentWindow = parent ? Find(parent) : nullptr;
    if (parent && !parentWindow) {
        return 0;
    }
    const WindowHandle handle = nextHandle_;
    nextHandle_ += 4;
    Window w;
    w.parent = parent;
    w.className = className;
    w.screen = screen;
    w.client = screen;
    if (framed && !parent) {
        w.client = Rect{screen.left + kBorder, screen.top + kCaptionHeight, screen.right - kBorder,
                        screen.bottom - kBorder};
        if (w.client.right < w.client.left) {
            w.client.right = w.client.left;
        }
        if (w.client.bottom < w.client.top) {
            w.client.bottom = w.client.top;
        }
    }
    windows_[handle] = w;
    if (parentWindow) {
        parentWindow->children.push_back(handle);
        parentWindow->zorder.insert(parentWindow->zorder.begin(), handle);
    } else {
        topZOrder_.insert(topZOrder_.begin(), handle);
    }
    return handle;
}

BrowserWindowPair SimDesktop::CreateBrowserWindows(const Rect& screen) {
    BrowserWindowPair pair;
    pair.top = AddWindow(0, "IEFrame", screen, true);
    Rect client;
    ClientScreenRect(pair.top, client);
    const WindowHandle view = AddWindow(pair.top, "Shell DocObject View", client);
    pair.page = AddWindow(view, kSimPageWindowClass, client);
    return pair;
}

void SimDesktop::DestroyWindow(WindowHandle window) {
    Window* w = Find(window);
    if (!w) {
        return;
    }
    std::vector<WindowHandle> doomed{window};
    Collect(window, doomed);
    if (Window* parent = Find(w->parent)) {
        Erase(parent->children, window);
        Erase(parent->zorder, window);
    } else {
        Erase(topZOrder_, window);
    }
    for (WindowHandle h : doomed) {
        windows_.erase(h);
        inverted_.erase(std::remove_if(inverted_.begin(), inverted_.end(),
                                       [&](const FrameDraw& d) { return d.window == h; }),
                        inverted_.end());
        if (foreground_ == h) {
            foreground_ = 0;
        }
        if (capture_ == h) {
            capture_ = 0;
        }
    }
}

void SimDesktop::SetVisible(WindowHandle window, bool visible) {
    if (Window* w = Find(window)) {
        w->visible = visible;
    }
}

void SimDesktop::BringToTop(WindowHandle window) {
    Window* w = Find(window);
    if (!w) {
        return;
    }
    std::vector<WindowHandle>* order = &topZOrder_;
    if (Window* parent = Find(w->parent)) {
        order = &parent->zorder;
    }
    Erase(*order, window);
    order->insert(order->begin(), window);
}

WindowHandle SimDesktop::DeepestChildAt(WindowHandle window, Point p) const {
    const Window* w = Find(window);
    while (w) {
        WindowHandle hit = 0;
        for (WindowHandle child : w->zorder) {
            const Window* c = Find(child);
            if (c && c->visible && c->screen.Contains(p)) {
                hit = child;
                break;
            }
        }
        if (!hit) {
            return window;
        }
        window = hit;
        w = Find(hit);
    }
    return window;
}

WindowHandle SimDesktop::WindowFromPoint(Point screen) {
    for (WindowHandle top : topZOrder_) {
        const Window* w = Find(top);
        if (w && w->visible && w->screen.Contains(screen)) {
            return DeepestChildAt(top, screen);
        }
    }
    return 0;
}

WindowHandle SimDesktop::Parent(WindowHandle window) {
    const Window* w = Find(window);
    return w ? w->parent : 0;
}

bool SimDesktop::IsWindow(WindowHandle window) {
    return Find(window) != nullptr;
}

bool SimDesktop::WindowRect(WindowHandle window, Rect& screen) {
    const Window* w = Find(window);
    if (!w) {
        return false;
    }
    screen = w->screen;
    return true;
}

bool SimDesktop::ClientRect(WindowHandle window, Rect& client) {
    const Window* w = Find(window);
    if (!w) {
        return false;
    }
    client = Rect{0, 0, w->client.Width(), w->client.Height()};
    return true;
}

bool SimDesktop::ClientScreenRect(WindowHandle window, Rect& screen) const {
    const Window* w = Find(window);
    if (!w) {
        return false;
    }
    screen = w->client;
    return true;
}

bool SimDesktop::ScreenToClient(WindowHandle window, Point& p) {
    const Window* w = Find(window);
    if (!w) {
        return false;
    }
    p.x -= w->client.left;
    p.y -= w->client.top;
    return true;
}

std::string SimDesktop::ClassName(WindowHandle window) {
    const Window* w = Find(window);
    return w ? w->className : std::string();
}

void SimDesktop::Collect(WindowHandle window, std::vector<WindowHandle>& out) const {
    const Window* w = Find(window);
    if (!w) {
        return;
    }
    for (WindowHandle child : w->children) {
        out.push_back(child);
        Collect(child, out);
    }
}

std::vector<WindowHandle> SimDesktop::Descendants(WindowHandle window) {
    std::vector<WindowHandle> out;
    Collect(window, out);
    return out;
}

void SimDesktop::SetCapture(WindowHandle window) {
    capture_ = window;
    captureLog_.push_back(window);
}

void SimDesktop::ReleaseCapture() {
    capture_ = 0;
    captureLog_.push_back(0);
}

void SimDesktop::DrawInvertedFrame(WindowHandle window, FrameMode mode, const Rect& rect) {
    if (!Find(window)) {
        return;
    }
    const FrameDraw draw{window, mode, rect};
    drawLog_.push_back(draw);
    auto it = std::find_if(inverted_.begin(), inverted_.end(),
                           [&](const FrameDraw& d) { return SameFrame(d, draw); });
    if (it == inverted_.end()) {
        inverted_.push_back(draw);
    } else {
        inverted_.erase(it);  // inverting again restores the pixels
    }
}

void SimDesktop::Pause(int milliseconds) {
    pauses_.push_back(milliseconds);
}

long long SimDesktop::TotalPauseMs() const {
    long long total = 0;
    for (int p : pauses_) {
        total += p;
    }
    return total;
}

void SimDesktop::ClearRecords() {
    beeps_ = 0;
    captureLog_.clear();
    drawLog_.clear();
    pauses_.clear();
}

std::vector<WindowHandle> SimDesktop::TopLevelWindows() const {
    return topZOrder_;
}

}  // namespace qm::sim
