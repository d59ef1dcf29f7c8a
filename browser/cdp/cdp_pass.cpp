// The examination pass of a tracker as one helper operation in the page: the
// popup test, the checks, the source search and the location all run there,
// and only what changed comes back. The call is sent without waiting, so that
// the passes of many pages overlap.
#include <atomic>
#include <condition_variable>
#include <limits>
#include <mutex>

#include "browser/cdp/cdp_dom.h"

namespace qm::cdp {

namespace {

bool AsIndex(const Json& value, int& out) {
    if (!value.is_number_integer()) {
        return false;
    }
    const auto v = value.get<std::int64_t>();
    if (v < -1 || v > std::numeric_limits<int>::max()) {
        return false;
    }
    out = static_cast<int>(v);
    return true;
}

// What the page answers: [url, title, popupAt, outcomes, host] and, for a
// search, [bodyFound, candidates, located, settled].
bool ParsePass(const Json& value, std::size_t checks, bool search, PassResult& out,
               std::string& host) {
    out = PassResult{};
    if (!value.is_array() || value.size() < 5 || !value[0].is_string() || !value[1].is_string() ||
        !AsIndex(value[2], out.popupAt) || !value[3].is_array() || value[3].size() != checks ||
        !value[4].is_string()) {
        return false;
    }
    out.examined = true;
    out.url = value[0].get<std::string>();
    out.urlRead = true;
    out.title = value[1].get<std::string>();
    out.titleRead = true;
    host = value[4].get<std::string>();
    if (value.size() == 8 && value[5] == -1) {
        out.moved = true;
        out.examined = false;
        return true;
    }
    out.outcomes.reserve(checks);
    for (const Json& code : value[3]) {
        const int c = code.is_number_integer() ? code.get<int>() : 0;
        out.outcomes.push_back(c == 2   ? CheckOutcome::kHidden
                               : c == 1 ? CheckOutcome::kMismatch
                                        : CheckOutcome::kNotObtained);
    }
    if (!search) {
        return true;
    }
    if (value.size() != 9 || !value[5].is_number_integer() || !value[6].is_array() ||
        !value[7].is_array() || !value[8].is_array()) {
        return false;
    }
    out.bodyFound = value[5].get<int>() == 1;
    for (const Json& position : value[6]) {
        int p = -1;
        if (!AsIndex(position, p)) {
            return false;
        }
        out.candidates.push_back(p);
    }
    for (const Json& pair : value[7]) {
        int p = -1;
        int k = -1;
        if (!pair.is_array() || pair.size() != 2 || !AsIndex(pair[0], p) || !AsIndex(pair[1], k)) {
            return false;
        }
        out.located.emplace_back(p, k);
    }
    for (const Json& pair : value[8]) {
        int p = -1;
        int c = -1;
        if (!pair.is_array() || pair.size() != 2 || !AsIndex(pair[0], p) || !AsIndex(pair[1], c) ||
            p < 0 || c < 1 || c > 2) {
            return false;
        }
        out.settled.emplace_back(p, c == 2 ? CheckOutcome::kHidden : CheckOutcome::kMismatch);
    }
    return true;
}

class CdpPendingPass : public PendingPass {
public:
    struct Answer {
        std::mutex mutex;
        std::condition_variable arrived;
        bool done = false;
        bool ok = false;
        std::shared_ptr<const Json> value;  // shared with the page's kept answer
        int world = 0;
    };

    // replayed: the page's kept answer, whose located adverts it watches
    // already (its own pass's result was taken).
    CdpPendingPass(std::shared_ptr<CdpPage> page, std::shared_ptr<Answer> answer,
                   const PassRequest& request, std::uint64_t generation, bool replayed = false)
        : page_(std::move(page)),
          answer_(std::move(answer)),
          checks_(request.checks.size()),
          search_(request.search),
          replayed_(replayed),
          listKey_(request.listKey),
          generation_(generation) {
        if (replayed_) {
            return;
        }
        for (const PassRequest::Check& check : request.checks) {
            identities_.emplace_back(check.position, check.identity);
        }
        for (const PassRequest::Listed& listed : request.listed) {
            names_.push_back(listed.name);
        }
    }

    bool Wait(std::chrono::steady_clock::time_point until) override {
        std::unique_lock<std::mutex> lock(answer_->mutex);
        return answer_->arrived.wait_until(lock, until, [this] { return answer_->done; });
    }

    bool Result(PassResult& out) override {
        {
            std::lock_guard<std::mutex> lock(answer_->mutex);
            if (!answer_->done || !answer_->ok) {
                out = PassResult{};
                page_->NoteList(0, std::string());
                return false;
            }
        }
        page_->AdoptWorld(answer_->world, generation_);
        std::string host;
        if (!answer_->value || !ParsePass(*answer_->value, checks_, search_, out, host)) {
            page_->NoteList(0, std::string());
            return false;
        }
        if (out.moved || replayed_) {
            return true;
        }
        if (search_ && !listKey_.empty()) {
            page_->NoteList(answer_->world, listKey_);
        }
        // The located adverts (those checked before a recognising popup
        // filter) are watched, also in later documents of the page.
        std::vector<std::string> located;
        for (const auto& [position, identity] : identities_) {
            if (out.popupAt < 0 || position < out.popupAt) {
                located.push_back(identity);
            }
        }
        for (const auto& [position, outcome] : out.settled) {
            if (outcome == CheckOutcome::kHidden && static_cast<std::size_t>(position) < names_.size()) {
                located.push_back(names_[static_cast<std::size_t>(position)]);
            }
        }
        page_->Watch(host, std::move(located));
        if (!search_) {
            page_->Kept()->NoteWatched(answer_->value);
        }
        return true;
    }

private:
    std::shared_ptr<CdpPage> page_;
    std::shared_ptr<Answer> answer_;
    std::size_t checks_;
    bool search_;
    bool replayed_;
    std::string listKey_;
    std::uint64_t generation_;
    std::vector<std::pair<int, std::string>> identities_;
    std::vector<std::string> names_;  // of the listed filters (a search)
};

// An answer of a check that may be kept: it examined the document (not one
// at another address) and its helper armed the change observer after it.
bool IsKeepable(const Json& value, std::size_t checks) {
    PassResult result;
    std::string host;
    return value.is_array() && value.size() == 6 && value[5] == 1 &&
           ParsePass(value, checks, false, result, host) && !result.moved;
}

class FailedPass : public PendingPass {
public:
    bool Wait(std::chrono::steady_clock::time_point) override { return true; }
    bool Result(PassResult& out) override {
        out = PassResult{};
        return false;
    }
};

// What a check's answer depends on besides the page: equal requests, equal keys.
std::string CheckKey(const PassRequest& request) {
    std::string key = request.expectedUrl;
    key += '\n';
    auto text = [&key](const std::string& part) {
        key += std::to_string(part.size());
        key += ':';
        key += part;
    };
    for (const PassRequest::Popup& popup : request.popups) {
        key += 'p';
        key += std::to_string(popup.position);
        key += ',';
        key += std::to_string(popup.mode);
        text(popup.address);
        text(popup.name);
    }
    for (const PassRequest::Check& check : request.checks) {
        key += 'c';
        key += std::to_string(check.position);
        key += ',';
        key += std::to_string(check.index);
        text(check.identity);
    }
    return key;
}

// The kept answer of an unchanged page to the same check, or null.
std::shared_ptr<PendingPass> Replay(const std::shared_ptr<CdpPage>& page, const std::string& key,
                                    const PassRequest& request) {
    std::shared_ptr<const Json> value;
    int world = 0;
    std::uint64_t generation = 0;
    if (!page->Kept()->Find(key, value, world, generation) || generation != page->Generation()) {
        return nullptr;
    }
    page->AdoptWorld(world, generation);
    if (page->CurrentWorld() != world) {
        return nullptr;
    }
    auto answer = std::make_shared<CdpPendingPass::Answer>();
    answer->ok = true;
    answer->value = std::move(value);
    answer->world = world;
    answer->done = true;
    const bool watched = page->Kept()->Watched(answer->value);
    return std::make_shared<CdpPendingPass>(page, answer, request, generation, watched);
}

}  // namespace

std::shared_ptr<PendingPass> CdpDocument::StartPass(const PassRequest& request) {
    const std::shared_ptr<KeptPass>& kept = page_->Kept();
    // A check's answer depends only on the request and the page: a page
    // that has not changed since it answered the same request is not asked.
    std::string key;
    if (!request.search && !page_->Gone()) {
        key = CheckKey(request);
        if (auto answered = Replay(page_, key, request)) {
            return answered;
        }
    }
    Json popups = Json::array();
    for (const PassRequest::Popup& popup : request.popups) {
        popups.push_back(Json::array({popup.position, popup.mode, popup.address, popup.name}));
    }
    Json checks = Json::array();
    for (const PassRequest::Check& check : request.checks) {
        checks.push_back(Json::array({check.position, check.index, check.identity}));
    }
    Json search = 0;
    int context = 0;
    // The world the pass will run in, when the document has one already.
    const int expected = page_->Gone() ? 0 : page_->CurrentWorld();
    if (request.search) {
        Json list;  // null: the world holds it already
        if (expected == 0 || request.listKey.empty() ||
            !page_->HoldsList(expected, request.listKey)) {
            list = Json::array();
            for (const PassRequest::Listed& listed : request.listed) {
                list.push_back(Json::array({listed.type, listed.name, listed.fileName}));
            }
        }
        search = Json::array({request.listKey, std::move(list), request.statuses});
    }
    auto answer = std::make_shared<CdpPendingPass::Answer>();
    const std::uint64_t generation = page_->Generation();
    // The change reports are asked for before the first check goes out (the
    // session runs commands in order); a check's answer is kept only once
    // they are on and the helper could arm its observer.
    std::shared_ptr<const std::atomic<int>> reports =
        request.search ? nullptr : page_->ChangeReports();
    const std::uint64_t epoch = kept->Begin();
    const std::size_t count = request.checks.size();
    const bool sent = page_->Send(
        "pass",
        Json::array({std::move(popups), std::move(checks), std::move(search), request.expectedUrl}),
        [answer, kept, reports, epoch, key = std::move(key), count, generation](
            bool ok, Json value, int world) {
            auto shared = std::make_shared<const Json>(std::move(value));
            if (!ok) {
                kept->Forget();
            } else if (reports && reports->load() == CdpPage::kChangeReportsOn &&
                       IsKeepable(*shared, count)) {
                kept->Keep(epoch, key, shared, world, generation);
            }
            std::lock_guard<std::mutex> lock(answer->mutex);
            answer->ok = ok;
            answer->value = std::move(shared);
            answer->world = world;
            answer->done = true;
            answer->arrived.notify_all();
        },
        &context);
    if (!sent) {
        return std::make_shared<FailedPass>();
    }
    if (context != expected) {
        page_->NoteList(0, std::string());
    }
    return std::make_shared<CdpPendingPass>(page_, answer, request, generation);
}

bool CdpDocument::RunPass(const PassRequest& request, PassResult& out) {
    std::shared_ptr<PendingPass> pass = StartPass(request);
    pass->Wait(std::chrono::steady_clock::now() +
               std::chrono::milliseconds(CdpPage::kLongCallTimeoutMs));
    return pass->Result(out);
}

}  // namespace qm::cdp
