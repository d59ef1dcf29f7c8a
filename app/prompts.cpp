#include "app/prompts.h"

#include "platform/window_services.h"
#include "store/address_keys.h"
#include "store/filter_store.h"
#include "store/settings.h"

namespace qm {

namespace {

// One question: askFlag and answer are the settings fields it reads and writes.
// The remembered answer is used without asking only when it is a valid answer;
// an OK with no button selected stores nothing and counts as a cancel.
template <typename Flag, typename Answer, typename Show>
int Ask(const PromptContext& context, Flag& askFlag, Answer& answer, int count,
        PromptRequest request, Show show) {
    const int remembered = static_cast<int>(answer);
    const bool rememberedValid = remembered >= 0 && remembered < count;
    if (!context.windows.IsShiftDown() && askFlag == 0 && rememberedValid) {
        return remembered;
    }
    request.selectedRadio = remembered;
    request.boxTicked = askFlag == 0;
    const PromptAnswer reply = show(request);
    if (!reply.ok || reply.selectedRadio < 0 || reply.selectedRadio >= count) {
        return -1;
    }
    askFlag = reply.boxTicked ? 0 : 1;
    answer = static_cast<Answer>(reply.selectedRadio);
    return reply.selectedRadio;
}

PromptRequest RequestForUrl(const std::string& url) {
    PromptRequest request;
    request.hostText = GetHostName(url);
    request.domainText = GetDomainName(url);
    return request;
}

}  // namespace

int AskElementScope(const PromptContext& context, const std::string& url) {
    AppSettings& s = context.settings;
    return Ask(context, s.bPromptBeforeDeleteElement, s.nElementDeleteScope, kElementScopeCount,
               RequestForUrl(url),
               [&](const PromptRequest& r) { return context.dialogs.AskDeleteElement(r); });
}

int AskPopupRecogniseMode(const PromptContext& context) {
    AppSettings& s = context.settings;
    return Ask(context, s.bPromptBeforeDeletePopup, s.nPopupRecogniseMode, kRecogniseModeCount,
               PromptRequest{},
               [&](const PromptRequest& r) { return context.dialogs.AskKillPopup(r); });
}

int AskBlockPopupScope(const PromptContext& context, const std::string& url) {
    AppSettings& s = context.settings;
    return Ask(context, s.bPromptBeforeInhitbitPopup, s.nPopupInhitbitScope, kBlockPopupScopeCount,
               RequestForUrl(url),
               [&](const PromptRequest& r) { return context.dialogs.AskBlockPopup(r); });
}

bool AddFilterWithPrompt(const PromptContext& context, FilterStore& store, const std::string& url,
                         FilterRecord& record) {
    if (record.sType == "NO_POPUP") {
        const int scope = AskBlockPopupScope(context, url);
        if (scope < 0) {
            return false;
        }
        record.nScope = static_cast<std::int8_t>(scope);
    } else if (record.sType == "POPUP") {
        const int mode = AskPopupRecogniseMode(context);
        if (mode < 0) {
            return false;
        }
        record.nHint = static_cast<std::int16_t>(mode);
        record.nScope = kScopeDomain;
    } else {
        const int scope = AskElementScope(context, url);
        if (scope < 0) {
            return false;
        }
        record.nScope = static_cast<std::int8_t>(scope);
    }
    return store.AddFilter(url, record) == 1;
}

}  // namespace qm
