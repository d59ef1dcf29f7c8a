// The questions asked before a filter made by a drag is stored: the scope of
// an element filter, how a "POPUP" filter recognises its window, and the scope
// of a "NO_POPUP" filter. Each question can be switched off ("Do not ask
// later"); its remembered answer is then used unless Shift is held.
#pragma once

#include <string>

#include "store/filter_record.h"

namespace qm {

class AppSettings;
class FilterStore;
class WindowServices;

// What a prompt dialog starts with.
struct PromptRequest {
    int selectedRadio = -1;  // index in template order; out of range: none selected
    bool boxTicked = false;  // "Do not ask later" box (1022)
    std::string hostText;    // appended to "web server : " (element and block prompts)
    std::string domainText;  // appended to "domain : " (element and block prompts)
};

// What the user answered.
struct PromptAnswer {
    bool ok = false;         // false: Cancel or closed
    int selectedRadio = -1;  // -1 when no button is selected
    bool boxTicked = false;
};

// The three modal prompt dialogs. Win32: templates 144, 145 and 146.
class PromptDialogs {
public:
    virtual ~PromptDialogs() = default;
    virtual PromptAnswer AskDeleteElement(const PromptRequest& request) = 0;  // "Delete Element"
    virtual PromptAnswer AskKillPopup(const PromptRequest& request) = 0;      // "kill Popup Window"
    virtual PromptAnswer AskBlockPopup(const PromptRequest& request) = 0;  // "block popup windows"
};

constexpr int kElementScopeCount = 3;     // page, host, domain
constexpr int kRecogniseModeCount = 4;    // URL, title, URL and title, URL or title
constexpr int kBlockPopupScopeCount = 3;  // page, host, domain

// Everything the questions need.
struct PromptContext {
    AppSettings& settings;
    PromptDialogs& dialogs;
    WindowServices& windows;
};

// Each returns the chosen value, or -1 when the user cancels. Answers change
// the settings in memory only.
int AskElementScope(const PromptContext& context, const std::string& url);
int AskPopupRecogniseMode(const PromptContext& context);
int AskBlockPopupScope(const PromptContext& context, const std::string& url);

// Asks the question that fits record.sType, completes the record and adds it
// to the store. False when cancelled or when the store refuses it.
bool AddFilterWithPrompt(const PromptContext& context, FilterStore& store, const std::string& url,
                         FilterRecord& record);

}  // namespace qm
