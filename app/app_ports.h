// The windows the application core drives, seen through small interfaces: the
// floating bin window, the explorer's main frame and the modal dialogs. The
// Windows program implements them with real windows; tests with in-memory ones.
#pragma once

#include <string>

#include "app/prompts.h"
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
    virtual void Show(bool show) = 0;    // shown normally, or hidden
    virtual bool IsTopMost() const = 0;  // above every window that is not topmost
    // Puts the window above (or among) the normal windows, keeping size and position.
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
    virtual void Show(bool show) = 0;
    virtual void SetTitle(const std::string& title) = 0;
    virtual void BringToFront() = 0;  // foreground, size unchanged
    virtual void RebuildTree() = 0;   // the tree pane rebuilds its locations
    // The host file name that the list pane shows ("" when none).
    virtual std::string ListHostFile() const = 0;
    virtual void RefreshList() = 0;  // the list pane shows its host file again
    virtual void PostQuit() = 0;     // ends the program's message loop
};

// The icon of a message box (it always has one OK button).
enum class MessageIcon {
    kInformation,
    kError,
};

// The modal dialogs: the three prompts, the options sheet, the About box and
// message boxes.
class Dialogs : public PromptDialogs {
public:
    // Shows the options sheet on settings; the sheet saves them when confirmed.
    virtual void ShowOptions(AppSettings& settings) = 0;
    virtual void ShowAbout() = 0;  // "About Quill Moor"
    virtual void ShowMessage(const std::string& text, const std::string& caption,
                             MessageIcon icon) = 0;
};

}  // namespace qm
