// The screen scaling a window is drawn at. The program declares per-monitor
// awareness, so lengths designed for 96 dpi are scaled by the window's dpi,
// and a window moved to a screen of another scaling (WM_DPICHANGED) takes the
// rectangle the system suggests and rebuilds what it drew at the old one.
#pragma once

#include <windows.h>

namespace qm::win {

// The dpi of the window's monitor (the system dpi on systems without
// per-monitor scaling, or for a null window).
int WindowDpi(HWND window);

// A length designed for 96 dpi, at the window's scaling.
int ScaleForWindow(HWND window, int length);

// A system metric (GetSystemMetrics index) at a scaling.
int SystemMetricForDpi(int index, int dpi);

// The non-client fonts at a scaling: the menu font and the message font
// (which dialogs and controls use).
LOGFONTW MenuFontForDpi(int dpi);
LOGFONTW MessageFontForDpi(int dpi);

// A font like the given one, its height scaled from one dpi to another.
HFONT CreateScaledFont(HFONT font, int fromDpi, int toDpi);

// WM_DPICHANGED: the new dpi (wParam), and moving the window to the
// suggested rectangle (lParam) without activating it or changing its place
// in the stacking order.
int DpiOfChange(WPARAM wParam);
void MoveToSuggestedRect(HWND window, LPARAM lParam);

}  // namespace qm::win
