// The command dispatcher shared by the main frame, the bin window's menu and
// the tray icon.
#include "app/app_core.h"
#include "store/open_browser.h"

namespace qm {

template <typename ShowDialog>
void AppCore::WithBinHidden(ShowDialog show) {
    const bool wasVisible = IsBinVisible();
    ShowBin(false);
    show();
    ShowBin(wasVisible);
}

void AppCore::ToggleAlwaysOnTop() {
    if (bin_ != nullptr) {
        bin_->SetTopMost(!bin_->IsTopMost());
    }
}

int AppCore::Command(int id) {
    switch (id) {
        case kCmdAlwaysOnTop:
            ToggleAlwaysOnTop();
            break;
        case kCmdShowBin:
            ShowBin(true);
            break;
        case kCmdHideBin:
            ShowBin(false);
            break;
        case kCmdOptions:
            WithBinHidden([this] { context_.dialogs.ShowOptions(settings_); });
            break;
        case kCmdExit:
            if (frame_ != nullptr) {
                frame_->PostQuit();
            }
            break;
        case kCmdOpen:
            if (!IsMainFrameVisible()) {
                ShowMainFrame(true);
            }
            if (frame_ != nullptr) {
                frame_->BringToFront();
            }
            break;
        case kCmdUndo:
            store_.Undo();
            break;
        case kCmdHelp:
            OpenInDefaultBrowser(context_.moduleDirectory + kHelpPage, ShowState::kShow, context_.registry,
                                 context_.launcher);
            break;
        case kCmdAbout:
            WithBinHidden([this] { context_.dialogs.ShowAbout(); });
            break;
        default:  // 0 (menu dismissed) and unknown ids do nothing
            if (id != kCmdNone && extension_ != nullptr) {
                extension_->Command(id);
            }
            break;
    }
    return 1;
}

}  // namespace qm
