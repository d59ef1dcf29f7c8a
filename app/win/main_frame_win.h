// The explorer's main frame: menu bar, accelerators, a toolbar in a rebar,
// a status bar with the message pane and the Caps, Num and Scroll Lock
// indicators, and three panes in two splitters: the location tree on the
// left, the filter list above the element preview on the right (2/3 : 1/3).
// The user's close and minimise only hide it; a close request sent from
// outside ends the program.
#pragma once

#include <memory>

#include "app/app_ports.h"
#include "app/win/dpi_change_win.h"
#include "app/win/spawn_frame.h"
#include "app/win/window.h"
#include "explorer/win/explorer_panes.h"
#include "explorer/win/filter_list_win.h"
#include "explorer/win/location_tree_win.h"
#include "explorer/win/pane_win.h"
#include "explorer/win/preview_win.h"

namespace qm {
class AppCore;
}

namespace qm::win {

class CMainFrame : public CSpawnFrameWnd, public MainFrame {
public:
    // renderer null: the preview shows text.
    explicit CMainFrame(AppCore& core, std::unique_ptr<ElementRenderer> renderer = nullptr);
    ~CMainFrame() override;

    // Creates the hidden window with its bars and panes; false on failure.
    bool CreateHidden();
    // Accelerators and the find dialog, for the message loop; true when msg
    // was handled.
    bool PreTranslate(MSG& msg);

    // MainFrame
    bool IsVisible() const override;
    void Show(bool show) override;
    void SetTitle(const std::string& title) override;
    void BringToFront() override;
    void RebuildTree() override;
    std::string ListHostFile() const override;
    void RefreshList() override;
    void PostQuit() override;

    // The panes and bars (tests look at them).
    CLocationTree& TreePane() { return tree_; }
    CFilterList& ListPane() { return list_; }
    CElementPreview& PreviewPane() { return preview_; }
    HWND Toolbar() const { return toolbar_; }
    HWND Rebar() const { return rebar_; }
    HWND StatusBar() const { return status_; }
    // The screen scaling the frame is drawn at.
    int Dpi() const { return dpi_; }
    // The command's state as its menu item and toolbar button show it.
    bool IsCommandEnabled(int id) const;
    bool IsCommandChecked(int id) const;
    void RunCommand(int id);

    // Where the product's pages live.
    static const char* HomePage();
    static const char* NewsPage();

protected:
    bool OnClose() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnTimer(UINT_PTR id) override;
    void OnUpdatePopup(HMENU popup) override;

private:
    bool CreateBars();
    // The toolbar's image strip at a scaling.
    bool MakeToolbarImages(int dpi);
    // WM_DPICHANGED after the base class moved the frame and redid its menus.
    void ApplyDpi(int fromDpi, int toDpi);
    bool CreatePanes();
    void Layout();
    void UpdateToolbar();
    void UpdateIndicators();
    void SetStatusText(const std::string& text);
    void ShowPrompt(int id);
    bool OnNotify(const NMHDR& header, LRESULT& result);
    bool ListIsActive() const { return activeTree_ == false; }

    AppCore& core_;
    ExplorerPanes panes_;
    CLocationTree tree_;
    CFilterList list_;
    CElementPreview preview_;
    CSplitter outer_{CSplitter::Orientation::kColumns};
    CSplitter inner_{CSplitter::Orientation::kRows};
    HWND rebar_ = nullptr;
    HWND toolbar_ = nullptr;
    HWND status_ = nullptr;
    HACCEL accelerators_ = nullptr;
    HIMAGELIST toolbarImages_ = nullptr;
    bool activeTree_ = false;
    int dpi_ = 96;
    CScaledFonts fonts_;
    int raiseTicks_ = 0;  // restacking ticks since the last activation
};

}  // namespace qm::win
