// The default examination pass of the browser port, built from the other
// calls in the order a tracker makes them one by one.
#include <map>
#include <unordered_map>

#include "browser/browser_port.h"
#include "browser/candidate_search.h"
#include "browser/popup_rules.h"

namespace qm {

namespace {

// The tags a completion walks to locate its candidates, in this order.
constexpr const char* kLocatedTags[] = {"IMG", "OBJECT", "EMBED", "IFRAME"};

class DonePass : public PendingPass {
public:
    DonePass(bool ok, PassResult result) : ok_(ok), result_(std::move(result)) {}
    bool Wait(std::chrono::steady_clock::time_point) override { return true; }
    bool Result(PassResult& out) override {
        out = result_;
        return ok_;
    }

private:
    bool ok_;
    PassResult result_;
};

void Examine(Document& document, const PassRequest& request, PassResult& out) {
    CollectionPtr all = document.All();
    int n = 0;
    if (!all || !all->Length(n)) {
        return;
    }
    out.examined = true;
    out.urlRead = document.Url(out.url);
    out.titleRead = document.Title(out.title);
    WindowText window;
    window.url = out.url;
    window.urlRead = out.urlRead;
    window.title = out.title;
    window.titleRead = out.titleRead;
    for (const PassRequest::Popup& popup : request.popups) {
        FilterRecord filter;
        filter.sType = "POPUP";
        filter.nHint = static_cast<std::int16_t>(popup.mode);
        filter.sHtml = popup.address;
        filter.sName = popup.name;
        if (popup.mode == filter.nHint && PopupFilterMatches(filter, window)) {
            out.popupAt = popup.position;
            break;
        }
    }
    std::vector<LocatedCheck> checks;
    std::vector<std::size_t> owners;
    for (std::size_t i = 0; i < request.checks.size(); ++i) {
        const PassRequest::Check& check = request.checks[i];
        if (out.popupAt >= 0 && check.position >= out.popupAt) {
            break;
        }
        if (check.index >= 0 && check.index < n) {
            checks.push_back(LocatedCheck{check.index, check.identity});
            owners.push_back(i);
        }
    }
    if (checks.empty()) {
        return;
    }
    std::vector<CheckOutcome> outcomes;
    document.CheckAndHide(checks, outcomes);
    for (std::size_t j = 0; j < outcomes.size() && j < owners.size(); ++j) {
        out.outcomes[owners[j]] = outcomes[j];
    }
}

// Each located filter checked at its last place, as the next check would do
// (a window that a popup filter recognises is closed: it gets no next check).
void Settle(Document& document, const PassRequest& request, PassResult& out) {
    if (out.popupAt >= 0) {
        return;
    }
    std::map<int, int> lastPlace;
    for (const auto& [position, sourceIndex] : out.located) {
        lastPlace[position] = sourceIndex;
    }
    if (lastPlace.empty()) {
        return;
    }
    std::vector<LocatedCheck> checks;
    for (const auto& [position, sourceIndex] : lastPlace) {
        checks.push_back(
            LocatedCheck{sourceIndex, request.listed[static_cast<std::size_t>(position)].name});
    }
    std::vector<CheckOutcome> outcomes;
    document.CheckAndHide(checks, outcomes);
    std::size_t j = 0;
    for (const auto& entry : lastPlace) {
        out.settled.emplace_back(entry.first,
                                 j < outcomes.size() ? outcomes[j] : CheckOutcome::kNotObtained);
        ++j;
    }
}

void Search(Document& document, const PassRequest& request, PassResult& out) {
    std::vector<int> status = request.statuses;
    status.resize(request.listed.size(), kStatusIdle);
    for (std::size_t i = 0; i < request.checks.size(); ++i) {
        const auto position = static_cast<std::size_t>(request.checks[i].position);
        if (position >= status.size()) {
            continue;
        }
        if (out.outcomes[i] == CheckOutcome::kHidden) {
            status[position] = kStatusHit;
        } else if (out.outcomes[i] == CheckOutcome::kMismatch) {
            status[position] = kStatusIdle;
        }
    }
    ElementPtr body = document.Body();
    if (!body) {
        return;
    }
    out.bodyFound = true;
    std::string source;
    if (body->OuterHtml(source)) {
        std::vector<std::string> names;
        std::vector<int> owners;
        for (std::size_t i = 0; i < request.listed.size(); ++i) {
            if (status[i] == kStatusIdle) {
                names.push_back(request.listed[i].fileName);
                owners.push_back(static_cast<int>(i));
            }
        }
        if (!names.empty()) {
            const std::vector<char> found = MultiPatternSearch(names).Search(source);
            for (std::size_t k = 0; k < owners.size(); ++k) {
                if (found[k]) {
                    status[static_cast<std::size_t>(owners[k])] = kStatusCandidate;
                    out.candidates.push_back(owners[k]);
                }
            }
        }
    }
    for (const char* tag : kLocatedTags) {
        bool anyCandidate = false;
        std::unordered_map<std::string, int> firstByName;
        for (std::size_t i = 0; i < request.listed.size(); ++i) {
            const PassRequest::Listed& listed = request.listed[i];
            if (listed.type != tag) {
                continue;
            }
            anyCandidate = anyCandidate || status[i] == kStatusCandidate;
            firstByName.try_emplace(listed.name, static_cast<int>(i));
        }
        std::vector<TaggedElement> elements;
        if (!anyCandidate || !document.ScanTag(tag, elements)) {
            continue;
        }
        for (const TaggedElement& element : elements) {
            if (!element.ok || element.sourceIndex < 0) {
                continue;
            }
            auto it = firstByName.find(element.identity);
            if (it != firstByName.end()) {
                out.located.emplace_back(it->second, element.sourceIndex);
            }
        }
    }
    Settle(document, request, out);
}

}  // namespace

bool Document::RunPass(const PassRequest& request, PassResult& out) {
    out = PassResult{};
    out.outcomes.assign(request.checks.size(), CheckOutcome::kNotObtained);
    if (!request.expectedUrl.empty()) {
        std::string url;
        if (!Url(url) || url != request.expectedUrl) {
            out.moved = true;
            out.urlRead = !url.empty();
            out.url = url;
            return true;
        }
    }
    Examine(*this, request, out);
    if (request.search) {
        Search(*this, request, out);
    }
    return true;
}

std::shared_ptr<PendingPass> Document::StartPass(const PassRequest& request) {
    PassResult result;
    const bool ok = RunPass(request, result);
    return std::make_shared<DonePass>(ok, std::move(result));
}

}  // namespace qm
