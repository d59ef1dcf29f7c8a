// The "Options..." property sheet: the "General" page (dialog 106) and the
// "Advanced" page (dialog 136). The pages move the values of the options
// model in and out of their controls; what the values mean, their defaults,
// the days counting and the saving are the model's.
#pragma once

#include <windows.h>

#include <functional>
#include <utility>

#include "app/options_model.h"
#include "app/win/property_page.h"

namespace qm {
class AppSettings;
}

namespace qm::win {

class COptionsGeneral : public CPropertyPage {
public:
    explicit COptionsGeneral(OptionsGeneralModel& model);
    // Runs after the page's values were taken by OK or Apply.
    void SetApplied(std::function<void()> applied) { applied_ = std::move(applied); }

protected:
    bool OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnKillActive() override;
    void OnApply() override;

private:
    void Exchange(bool save);

    OptionsGeneralModel& model_;
    std::function<void()> applied_;
};

class COptionsAdvance : public CPropertyPage {
public:
    explicit COptionsAdvance(OptionsAdvancedModel& model);
    void SetApplied(std::function<void()> applied) { applied_ = std::move(applied); }

protected:
    bool OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnKillActive() override;
    void OnApply() override;
    bool OnControlNotify(NMHDR& header, LRESULT& result) override;

private:
    // Reading refuses days that are not an integer from 1 to 1000: the user
    // is told, and the focus goes back to the days.
    bool Exchange(bool save);
    void EnableDays();

    OptionsAdvancedModel& model_;
    std::function<void()> applied_;
};

// Runs the sheet modally on the settings; OK and Apply copy the values back
// and save them at once (registry values and the start-up entry), and so
// does the sheet's end after an Apply. The result of the model's
// Finish: 1 saved, 0 the save failed, -1 nothing kept. onShown, when given,
// runs once the sheet's window exists (tests drive the sheet from it).
int RunOptionsSheet(HWND owner, AppSettings& settings,
                    const std::function<void(HWND sheet)>& onShown = nullptr);

}  // namespace qm::win
