// The screen scaling a window is drawn at. The program declares per-monitor
// awareness, so lengths designed for 96 dpi are scaled by the window's dpi.
#pragma once

#include <windows.h>

namespace qm::win {

// The dpi of the window's monitor (the system dpi on systems without
// per-monitor scaling, or for a null window).
int WindowDpi(HWND window);

// A length designed for 96 dpi, at the window's scaling.
int ScaleForWindow(HWND window, int length);

}  // namespace qm::win
