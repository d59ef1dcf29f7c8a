// Calls of our bindings by a page's scripts (Runtime.bindingCalled): the
// helper's change reports are taken here, the others passed to the handler
// with the page they came from.
#include "browser/cdp/cdp_hub.h"

namespace qm::cdp {

namespace {
// Anything longer is not one of our small reports.
constexpr std::size_t kMaxPayload = 4096;
}  // namespace

void CdpHub::OnBindingCalled(const Json& params, const std::string& session) {
    if (session.empty()) {
        return;
    }
    const std::string name = JsonText(params, "name");
    const std::string payload = JsonText(params, "payload");
    if (name.empty() || payload.size() > kMaxPayload) {
        return;
    }
    std::uint32_t ordinal = 0;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = bySession_.find(session);
        if (it == bySession_.end() || it->second->Gone()) {
            return;
        }
        if (name == kChangedBinding) {
            // The page changed since its last answered check: the next one
            // goes to the page. It comes after that answer on the connection,
            // so it is that answer that goes.
            it->second->Kept()->Forget();
            return;
        }
        ordinal = it->second->Ordinal();
    }
    if (bindingHandler_) {
        bindingHandler_(ordinal, name, payload);
    }
}

}  // namespace qm::cdp
