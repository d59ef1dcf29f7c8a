#include "browser/highlight_frame.h"

namespace qm {

bool HighlightFrame::Init(FrameMode newMode, WindowHandle newWindow, int l, int t, int r, int b) {
    if (newWindow == 0 || !windows_.IsWindow(newWindow)) {
        return false;
    }
    mode = newMode;
    window = newWindow;
    left = l;
    top = t;
    right = r;
    bottom = b;
    return true;
}

void HighlightFrame::Show(bool flag) {
    if (flag == shown) {
        return;
    }
    if (!windows_.IsWindow(window)) {
        shown = false;  // the window and its pixels are gone: nothing to draw or erase
        return;
    }
    Rect rect;
    rect.left = left;
    rect.top = top;
    rect.right = right;
    rect.bottom = bottom;
    windows_.DrawInvertedFrame(window, mode, rect);
    shown = flag;
}

}  // namespace qm
