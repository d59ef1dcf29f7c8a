// The Win32 dialogs of the application core: the three filter prompts, the
// options sheet, the About box and message boxes.
#pragma once

#include <windows.h>

#include <string>

#include "app/app_ports.h"

namespace qm::win {

class Win32Dialogs : public Dialogs {
public:
    explicit Win32Dialogs(HWND owner = nullptr) : owner_(owner) {}
    void SetOwner(HWND owner) { owner_ = owner; }
    // The filter folder in use, named by the About box.
    void SetDataFolder(const std::string& folder) { dataFolder_ = folder; }

    PromptAnswer AskDeleteElement(const PromptRequest& request) override;
    PromptAnswer AskKillPopup(const PromptRequest& request) override;
    PromptAnswer AskBlockPopup(const PromptRequest& request) override;
    void ShowOptions(AppSettings& settings) override;
    void ShowAbout() override;
    void ShowMessage(const std::string& text, const std::string& caption,
                     MessageIcon icon) override;

private:
    HWND owner_;
    std::string dataFolder_;
};

}  // namespace qm::win
