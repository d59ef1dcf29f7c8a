// The windows the application core drives, seen through small interfaces: the
// floating bin window, the explorer's main frame and the modal dialogs. The
// Windows program implements them with real windows; tests with in-memory ones.
#pragma once

#include <string>

#include "browser/prompts.h"
#include "platform/window_services.h"

namespace qm {

class AppSettings;

// The floating bin window: drop target, and the window that receives the
// hook messages and the posted tracker events.
class BinWindow {
public:
    virtual ~BinWindow() = default;
    virtual WindowHandle Handle() const = 0;
    virtual bool IsVisible() const = 0;
    virtual void Show(bool show) = 0;    // SW_SHOWNORMAL or SW_HIDE
    virtual bool IsTopMost() const = 0;  // WS_EX_TOPMOST in its extended style
    // HWND_TOPMOST or HWND_NOTOPMOST, keeping size and position.
    virtual void SetTopMost(bool topMost) = 0;
    virtual bool ClientRect(Rect& client) const = 0;  // origin 0,0
    // Posts WM_TRACKER_EVENT with wParam = code, lParam = value; the window's
    // handler later calls AppCore::OnTrackerEvent (code, value).
    virtual void PostTrackerEvent(int code, long value) = 0;
};

// The explorer's main frame with its tree pane and list pane.
class MainFrame {
public:
    virtual ~MainFrame() = default;
    virtual bool IsVisible() const = 0;
    virtual void Show(bool show) = 0;  // SW_SHOW or SW_HIDE
    virtual void SetTitle(const std::string& title) = 0;
    virtual void BringToFront() = 0;  // foreground, size unchanged
    virtual void RebuildTree() = 0;   // the tree pane rebuilds its locations
    // The host file name that the list pane shows ("" when none).
    virtual std::string ListHostFile() const = 0;
    virtual void RefreshList() = 0;  // the list pane shows its host file again
    virtual void PostQuit() = 0;     // WM_QUIT (0, 0) to the frame's thread
};

// Message box flags and results (the system's values).
constexpr unsigned kMessageOk = 0x0;
constexpr unsigned kMessageIconError = 0x10;
constexpr int kMessageResultOk = 1;

// The modal dialogs: the three prompts, the options sheet, the About box and
// message boxes.
class Dialogs : public PromptDialogs {
public:
    // Shows the options sheet on settings; the sheet saves them when confirmed.
    virtual void ShowOptions(AppSettings& settings) = 0;
    virtual void ShowAbout() = 0;  // "About Quill Moor"
    virtual int ShowMessage(const std::string& text, const std::string& caption,
                            unsigned flags) = 0;
};

}  // namespace qm
