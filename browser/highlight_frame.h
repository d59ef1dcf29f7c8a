// The inverted frame shown while dragging: a rectangle in a window's client
// area (mode 0) or a band over a window's title bar (mode 1). Drawing inverts
// the pixels, so drawing the same frame a second time erases it.
#pragma once

#include "platform/window_services.h"

namespace qm {


class HighlightFrame {
public:
    explicit HighlightFrame(WindowServices& windows) : windows_(windows) {}

    // Stores the frame when window exists; false and no change otherwise.
    // Does not draw or erase: callers hide the frame before re-initialising it.
    bool Init(FrameMode mode, WindowHandle window, int left, int top, int right, int bottom);
    // Draws (true) or erases (false) the frame when that changes its state. A
    // frame whose window no longer exists is only marked hidden.
    void Show(bool flag);

    FrameMode mode = kFrameClientRect;
    WindowHandle window = 0;
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool shown = false;

private:
    WindowServices& windows_;
};

}  // namespace qm
