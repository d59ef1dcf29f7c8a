// The explorer's main frame as the application core sees it. For now a plain
// top-level window titled "Quill Moor" with nothing in it: the tree and list
// panes come with the explorer. The user's close and minimise only hide it;
// a close request sent from outside ends the program.
#pragma once

#include "app/app_ports.h"
#include "app/win/window.h"

namespace qm::win {

class CMainFrame : public CWindow, public MainFrame {
public:
    // Creates the hidden window; false on failure.
    bool CreateHidden();

    // MainFrame
    bool IsVisible() const override;
    void Show(bool show) override;
    void SetTitle(const std::string& title) override;
    void BringToFront() override;
    void RebuildTree() override {}
    std::string ListHostFile() const override { return std::string(); }
    void RefreshList() override {}
    void PostQuit() override;

protected:
    bool OnClose() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
};

}  // namespace qm::win
