// The options sheet's logic, apart from its windows: the values of the
// "General" and "Advanced" pages, their defaults, what enables what, the
// counting of the days spin, the days validation, and copying back into the
// settings (and saving them) when the sheet ends. The Win32 pages only move
// these values in and out of their controls.
#pragma once

#include <string>

namespace qm {

class AppSettings;

// The "General" page: radio indices (-1 when no button of the group is
// checked) and 0/1 check boxes.
struct GeneralOptions {
    int elementScope = -1;     // 0 page, 1 web server, 2 domain
    int popupBlockScope = -1;  // as above
    int recogniseMode = -1;    // 0 URL, 1 title, 2 URL and title, 3 URL or title
    int askDeleteElement = 0;
    int askBlockPopup = 0;
    int askDeletePopup = 0;
};

// The "Advanced" page.
struct AdvancedOptions {
    int autoLaunch = 0;
    int showBinAtStart = 0;
    int openExplorerAtStart = 0;
    int autoDelete = 0;
    int expireDays = 0;
};

class OptionsGeneralModel {
public:
    GeneralOptions values;
    bool applied = false;   // the page's apply ran at least once
    bool modified = false;  // the sheet's Apply button is enabled by this page

    void ControlClicked() { modified = true; }
    // "&Default": current domain in both scope groups, URL or title, every
    // question asked.
    void SetDefaults();
    void Apply() {
        applied = true;
        modified = false;
    }
};

class OptionsAdvancedModel {
public:
    AdvancedOptions values;
    bool applied = false;
    bool modified = false;

    // The days edit box and the spin are enabled exactly when old filters
    // are deleted.
    bool DaysEnabled() const { return values.autoDelete != 0; }
    // 1010, 1011, 1012.
    void StartupBoxClicked() { modified = true; }
    // 1037: the days controls follow; the page is not marked modified.
    void AutoDeleteClicked(bool checked) { values.autoDelete = checked ? 1 : 0; }
    // "&Default": launch at start-up, show the bin, do not open the explorer,
    // delete after 30 days.
    void SetDefaults();
    // A spin click proposing delta (the control counts downwards, so the up
    // arrow proposes -1): the days move by -delta within 1..1000. True when
    // they changed.
    bool Spin(int delta);
    void Apply() {
        applied = true;
        modified = false;
    }
};

// The days as typed: an integer from 1 to 1000, blanks around it allowed.
bool ParseExpireDays(const std::string& text, int& days);
// The message shown for days that do not parse.
std::string ExpireDaysMessage();

// Both pages as the sheet opens them and ends them.
class OptionsSheetModel {
public:
    explicit OptionsSheetModel(const AppSettings& settings);

    OptionsGeneralModel general;
    OptionsAdvancedModel advanced;

    // Whether the sheet's end keeps the values: OK, or Apply pressed at
    // some point (even when the sheet was then cancelled).
    bool Keeps(bool endedWithOk) const {
        return endedWithOk || general.applied || advanced.applied;
    }
    // When Keeps: copies every value back and saves the settings (registry
    // values and the start-up entry). 1 when saved, 0 when the save failed,
    // -1 when nothing was kept.
    int Finish(bool endedWithOk, AppSettings& settings) const;
};

}  // namespace qm
