// What makes a page's kept check answer stale, seen from the protocol: a
// navigation of the main frame (a new document, or a new address within the
// same one, which no mutation shows), and the loss of the world it came from.
// The helper's own change reports arrive as binding calls (cdp_hub_binding.cpp).
#include "browser/cdp/cdp_page.h"

namespace qm::cdp {

namespace {

std::string Text(const Json& object, const char* key) {
    auto it = object.find(key);
    return it != object.end() && it->is_string() ? it->get<std::string>() : std::string();
}

}  // namespace

void CdpPage::NoteSessionEvent(const std::string& method, const Json& params) {
    if (!params.is_object()) {
        return;
    }
    if (method == "Page.frameStartedLoading" || method == "Page.navigatedWithinDocument") {
        if (Text(params, "frameId") == targetId_) {
            kept_->Forget();
        }
    } else if (method == "Page.frameNavigated") {
        auto frame = params.find("frame");
        if (frame != params.end() && frame->is_object() && !frame->contains("parentId")) {
            kept_->Forget();
        }
    } else if (method == "Runtime.executionContextsCleared") {
        kept_->Forget();
    } else if (method == "Runtime.executionContextDestroyed") {
        auto id = params.find("executionContextId");
        if (id != params.end() && id->is_number_integer()) {
            kept_->ForgetWorld(id->get<int>());
        }
    }
    // (A new main world comes with a new document, which frameNavigated
    // reports; the runtime domain, once on, announces the existing ones.)
}

std::shared_ptr<const std::atomic<int>> CdpPage::ChangeReports() {
    const std::string session = Session();
    if (Gone() || session.empty()) {
        return reporting_;
    }
    if (session != reportingSession_) {
        // Binding calls are reported only while the runtime domain is on; the
        // binding goes into every world of our name, later ones too.
        reportingSession_ = session;
        reporting_ = std::make_shared<std::atomic<int>>(0);
        auto accepted = [reporting = reporting_](CdpAnswer answer) {
            if (answer.ok) {
                reporting->fetch_add(1);
            }
        };
        connection_.Post("Runtime.enable", Json::object(), session, accepted);
        connection_.Post("Runtime.addBinding",
                         Json{{"name", kChangedBinding}, {"executionContextName", "quillmoor"}},
                         session, accepted);
    }
    return reporting_;
}

}  // namespace qm::cdp
