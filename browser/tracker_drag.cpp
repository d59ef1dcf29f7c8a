// The tracker's side of the two drag gestures: the press on a page element,
// the drop on the bin, the drag of the bin over a page or a title bar, and the
// probing for an element's box.
#include <algorithm>
#include <string>

#include "browser/element_identity.h"
#include "browser/browser_tracker.h"
#include "browser/highlight_frame.h"
#include "platform/clock.h"

namespace qm {

namespace {

bool IsDraggableTag(const std::string& tag) {
    return tag == "IMG" || tag == "OBJECT" || tag == "IFRAME" || tag == "EMBED";
}

// The record of an element filter: type, source index, identity and markup.
bool MakeElementRecord(Element& element, const std::string& tag, FilterRecord& record) {
    int sourceIndex = -1;
    std::string outerHtml;
    if (!element.SourceIndex(sourceIndex) || !element.OuterHtml(outerHtml)) {
        return false;
    }
    record = FilterRecord{};
    record.sType = tag;
    // A position the 16-bit hint cannot hold is stored as "no hint": the
    // filter finds its element by name instead of at a wrapped index.
    record.nHint = sourceIndex >= 0 && sourceIndex <= 32767 ? static_cast<std::int16_t>(sourceIndex)
                                                            : std::int16_t{-1};
    record.sName = ElementIdentity(element);
    record.sHtml = outerHtml;
    return true;
}

}  // namespace

bool BrowserTracker::PressOnPage(Point p) {
    WindowServices& windows = Windows();
    Rect pageRect;
    if (pageWindow == 0 || !windows.WindowRect(pageWindow, pageRect) || !pageRect.Contains(p)) {
        return false;
    }
    lastPressTime = CurrentClock().TickCount();
    Point client = p;
    if (document == nullptr || !windows.ScreenToClient(pageWindow, client)) {
        return false;
    }
    ElementPtr element = document->ElementFromPoint(client.x, client.y);
    std::string tag;
    if (element == nullptr || !element->TagName(tag) || !IsDraggableTag(tag)) {
        return false;
    }
    windows.Beep();
    if (tag == "OBJECT") {
        windows.SetCapture(pageWindow);
    }
    capturedElement = element;
    return true;
}

Drop BrowserTracker::DropOnBin() {
    Drop drop;
    // Keep the element alive and fixed: a later press replaces capturedElement.
    ElementPtr element = capturedElement;
    std::string tag;
    if (element == nullptr || !element->TagName(tag) ||
        !MakeElementRecord(*element, tag, drop.record)) {
        return drop;
    }
    HideElement(*element, true);
    drop.url = CurrentUrl();
    drop.made = true;
    return drop;
}

Drop BrowserTracker::DragFromBin(DragPhase phase, Point p, HighlightFrame& highlight) {
    Rect pageRect;
    if (pageWindow != 0 && Windows().WindowRect(pageWindow, pageRect) && pageRect.Contains(p)) {
        return DragOverPage(phase, p, highlight);
    }
    return DragOverTitleBar(phase, p, highlight);
}

Drop BrowserTracker::DragOverPage(DragPhase phase, Point p, HighlightFrame& highlight) {
    WindowServices& windows = Windows();
    Drop drop;
    Point client = p;
    if (document == nullptr || !windows.ScreenToClient(pageWindow, client)) {
        return drop;
    }
    ElementPtr element = document->ElementFromPoint(client.x, client.y);
    std::string tag;
    if (element == nullptr || !element->TagName(tag) || !IsDraggableTag(tag)) {
        return drop;
    }
    if (phase == kDragMove) {
        // The box is probed again for a new element, and also when the frame
        // was meanwhile set up elsewhere (a title bar, the bin).
        const bool frameIsOurs =
            highlight.mode == kFrameClientRect && highlight.window == pageWindow;
        if (highlightedElement == nullptr || !frameIsOurs ||
            highlightedElement->Identity() != element->Identity()) {
            const Rect box = ElementBounds(*element, client.x, client.y);
            highlightedElement = nullptr;
            if (highlight.Init(kFrameClientRect, pageWindow, box.left - 2, box.top - 2,
                               box.right + 2, box.bottom + 2)) {
                highlightedElement = element;
            }
        }
        if (highlightedElement != nullptr) {
            highlight.Show(true);
        }
        windows.Pause(200);
    } else if (phase == kDragRelease && MakeElementRecord(*element, tag, drop.record)) {
        HideElement(*element, true);
        drop.url = CurrentUrl();
        drop.made = true;
    }
    return drop;
}

Drop BrowserTracker::DragOverTitleBar(DragPhase phase, Point p, HighlightFrame& highlight) {
    WindowServices& windows = Windows();
    Drop drop;
    if (browserWindow == 0 || windows.WindowFromPoint(p) != browserWindow) {
        return drop;
    }
    Rect windowRect;
    if (!windows.WindowRect(browserWindow, windowRect) ||
        !highlight.Init(kFrameTitleBand, browserWindow, 0, 0, windowRect.Width() - 1,
                        windowRect.Height() - 1)) {
        return drop;
    }
    if (phase == kDragMove) {
        highlight.Show(true);
    } else if (phase == kDragRelease) {
        const bool popupStyle = IsPopupStyle();
        drop.record.nHint = -1;
        std::string title = CurrentTitle();
        std::erase(title, ' ');
        drop.record.sName = title;
        drop.record.sHtml = " ";
        drop.record.sType = popupStyle ? "POPUP" : "NO_POPUP";
        drop.url = CurrentUrl();
        if (popupStyle) {
            drop.closeAfter = browser;
        }
        drop.made = true;
    }
    return drop;
}

Rect BrowserTracker::ElementBounds(Element& element, int x, int y) {
    int width = 0;
    int height = 0;
    if (!element.OffsetWidth(width)) {
        width = 0;
    }
    if (!element.OffsetHeight(height)) {
        height = 0;
    }
    const std::uintptr_t identity = element.Identity();
    auto inside = [&](int px, int py) {
        ElementPtr probe = document != nullptr ? document->ElementFromPoint(px, py) : nullptr;
        return probe != nullptr && probe->Identity() == identity;
    };
    // The edge on a probe line: the one place where the point before is on the
    // other side of the element's border; 0 when the line shows no edge.
    auto findEdge = [&](long long from, int to, auto probe) {
        int lo = static_cast<int>(std::max(from, 0LL));
        int hi = to;
        while (lo <= hi) {
            const int mid = lo + (hi - lo) / 2;
            const bool before = probe(mid - 1);
            const bool at = probe(mid);
            if (before && at) {
                hi = mid - 1;
            } else if (!before && !at) {
                lo = mid + 1;
            } else {
                return mid;
            }
        }
        return 0;
    };
    Rect box;
    box.left =
        findEdge(static_cast<long long>(x) - width, x, [&](int px) { return inside(px, y); });
    box.top =
        findEdge(static_cast<long long>(y) - height, y, [&](int py) { return inside(x, py); });
    box.right = box.left + width;
    box.bottom = box.top + height;
    return box;
}

}  // namespace qm
