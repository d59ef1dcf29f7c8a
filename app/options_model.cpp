#include "app/options_model.h"

#include <cctype>

#include "store/settings.h"

namespace qm {

namespace {

constexpr int kScopeCount = 3;          // page, web server, domain
constexpr int kRecogniseModeCount = 4;  // URL, title, both, either
constexpr int kDefaultScope = 2;
constexpr int kDefaultRecogniseMode = 3;

// A stored choice as a radio index: -1 (nothing checked) for "no choice yet".
int RadioOf(int value, int count) {
    return value >= 0 && value < count ? value : -1;
}

// And back: nothing checked keeps the settings' own "no choice" value.
int ValueOf(int radio, int count, int none) {
    return radio >= 0 && radio < count ? radio : none;
}

int Flag(int value) {
    return value != 0 ? 1 : 0;
}

}  // namespace

void OptionsGeneralModel::SetDefaults() {
    values.elementScope = kDefaultScope;
    values.popupBlockScope = kDefaultScope;
    values.recogniseMode = kDefaultRecogniseMode;
    values.askDeleteElement = 1;
    values.askBlockPopup = 1;
    values.askDeletePopup = 1;
    modified = true;
}

void OptionsAdvancedModel::SetDefaults() {
    values.autoLaunch = 1;
    values.showBinAtStart = 1;
    values.openExplorerAtStart = 0;
    values.autoDelete = 1;
    values.expireDays = kDefaultExpireDays;
    modified = true;
}

bool OptionsAdvancedModel::Spin(int delta) {
    if (delta == 0 || (delta > 0 && values.expireDays <= kMinExpireDays) ||
        (delta < 0 && values.expireDays >= kMaxExpireDays)) {
        return false;
    }
    long long days = static_cast<long long>(values.expireDays) - delta;
    if (days < kMinExpireDays) {
        days = kMinExpireDays;
    } else if (days > kMaxExpireDays) {
        days = kMaxExpireDays;
    }
    values.expireDays = static_cast<int>(days);
    return true;
}

bool ParseExpireDays(const std::string& text, int& days) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(text[begin]))) {
        ++begin;
    }
    while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1]))) {
        --end;
    }
    if (begin < end && text[begin] == '+') {
        ++begin;
    }
    if (begin == end || end - begin > 4) {
        return false;
    }
    int value = 0;
    for (size_t i = begin; i < end; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) {
            return false;
        }
        value = value * 10 + (text[i] - '0');
    }
    if (value < kMinExpireDays || value > kMaxExpireDays) {
        return false;
    }
    days = value;
    return true;
}

std::string ExpireDaysMessage() {
    return "Please enter an integer between " + std::to_string(kMinExpireDays) + " and " +
           std::to_string(kMaxExpireDays) + ".";
}

OptionsSheetModel::OptionsSheetModel(const AppSettings& settings) {
    general.values.elementScope = RadioOf(settings.nElementDeleteScope, kScopeCount);
    general.values.recogniseMode = RadioOf(settings.nPopupRecogniseMode, kRecogniseModeCount);
    general.values.popupBlockScope = RadioOf(settings.nPopupInhitbitScope, kScopeCount);
    general.values.askDeleteElement = Flag(settings.bPromptBeforeDeleteElement);
    general.values.askDeletePopup = Flag(settings.bPromptBeforeDeletePopup);
    general.values.askBlockPopup = Flag(settings.bPromptBeforeInhitbitPopup);
    advanced.values.autoLaunch = Flag(settings.bAutoStarup);
    advanced.values.showBinAtStart = Flag(settings.bShowRecycleBinOnStartup);
    advanced.values.openExplorerAtStart = Flag(settings.bOpenRecycleBinOnStartup);
    advanced.values.autoDelete = Flag(settings.bAutoDeleteHistory);
    advanced.values.expireDays = settings.nExpireDays;
}

int OptionsSheetModel::Finish(bool endedWithOk, AppSettings& settings) const {
    if (!Keeps(endedWithOk)) {
        return -1;
    }
    const GeneralOptions& g = general.values;
    settings.nElementDeleteScope = ValueOf(g.elementScope, kScopeCount, kScopeNone);
    settings.nPopupRecogniseMode =
        ValueOf(g.recogniseMode, kRecogniseModeCount, kRecogniseModeNone);
    settings.nPopupInhitbitScope = ValueOf(g.popupBlockScope, kScopeCount, kScopeNone);
    settings.bPromptBeforeDeleteElement = Flag(g.askDeleteElement);
    settings.bPromptBeforeDeletePopup = Flag(g.askDeletePopup);
    settings.bPromptBeforeInhitbitPopup = Flag(g.askBlockPopup);
    const AdvancedOptions& a = advanced.values;
    settings.bAutoStarup = Flag(a.autoLaunch);
    settings.bShowRecycleBinOnStartup = Flag(a.showBinAtStart);
    settings.bOpenRecycleBinOnStartup = Flag(a.openExplorerAtStart);
    settings.bAutoDeleteHistory = Flag(a.autoDelete);
    if (a.expireDays >= kMinExpireDays && a.expireDays <= kMaxExpireDays) {
        settings.nExpireDays = a.expireDays;
    }
    return settings.SaveSettings();
}

}  // namespace qm
