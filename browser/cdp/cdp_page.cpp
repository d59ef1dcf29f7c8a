#include "browser/cdp/cdp_page.h"

#include "browser/cdp/page_script.h"

#include <algorithm>
#include <chrono>
#include <string_view>

namespace qm::cdp {

namespace {

constexpr const char* kWorldName = "quillmoor";
constexpr const char* kObjectGroup = "quillmoor";

bool IsContextError(const std::string& error) {
    return error.find("context") != std::string::npos || error.find("Context") != std::string::npos;
}

}  // namespace

CdpPage::CdpPage(CdpConnection& connection, std::string targetId, std::uint32_t ordinal)
    : connection_(connection), targetId_(std::move(targetId)), ordinal_(ordinal) {}

void CdpPage::SetSession(const std::string& session) {
    std::lock_guard<std::mutex> lock(mutex_);
    session_ = session;
}

std::string CdpPage::Session() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return session_;
}

void CdpPage::NoteAddress(const std::string& address) {
    std::lock_guard<std::mutex> lock(mutex_);
    address_ = address;
    hasAddress_ = true;
    ++addressChanges_;
}

std::uint64_t CdpPage::ForgetAddress() {
    std::lock_guard<std::mutex> lock(mutex_);
    address_.clear();
    hasAddress_ = false;
    return ++addressChanges_;
}

void CdpPage::NoteAskedAddress(std::uint64_t mark, const std::string& address) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (addressChanges_ == mark) {
        address_ = address;
        hasAddress_ = true;
    }
}

bool CdpPage::Address(std::string& out) const {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!hasAddress_) {
        return false;
    }
    out = address_;
    return true;
}

bool CdpPage::MakeWorld() {
    const std::string session = Session();
    if (Gone() || session.empty()) {
        return false;
    }
    if (context_ != 0) {
        // Nothing is kept by reference, but make sure a lost world holds nothing.
        connection_.Post("Runtime.releaseObjectGroup", Json{{"objectGroup", kObjectGroup}}, session,
                         nullptr);
    }
    context_ = 0;
    const std::uint64_t generation = generation_.load();
    // The main frame of a page target carries the target's id.
    CdpAnswer world = PageCall(
        "Page.createIsolatedWorld",
        Json{{"frameId", targetId_}, {"worldName", kWorldName}, {"grantUniveralAccess", false}},
        session);
    if (!world.ok || !world.result.contains("executionContextId") ||
        !world.result["executionContextId"].is_number_integer()) {
        return false;
    }
    const int context = world.result["executionContextId"].get<int>();
    CdpAnswer install = PageCall("Runtime.evaluate",
                                 Json{{"expression", kPageScript},
                                      {"contextId", context},
                                      {"returnByValue", true},
                                      {"silent", true}},
                                 session);
    if (!install.ok || install.result.contains("exceptionDetails")) {
        return false;
    }
    context_ = context;
    contextGeneration_ = generation;
    return true;
}

void CdpPage::SetPatience(int callTimeoutMs, int quietMs) {
    callTimeoutMs_ = callTimeoutMs;
    quietMs_ = quietMs;
}

bool CdpPage::Quiet() {
    const auto now = std::chrono::steady_clock::now();
    const std::int64_t since = outstanding_->since.load();
    if (answering_->load() && since != 0 &&
        now - std::chrono::steady_clock::time_point(std::chrono::steady_clock::duration(since)) >
            std::chrono::milliseconds(std::min(kSilentMs, callTimeoutMs_))) {
        // A sent operation is still unanswered: the page is as silent as if a
        // call had timed out.
        quietUntil_ = now + std::chrono::milliseconds(quietMs_);
        answering_->store(false);
        Probe(Session());
    }
    if (!answering_->load() && now < quietUntil_) {
        missed_->store(true);
        return true;
    }
    return false;
}

CdpAnswer CdpPage::PageCall(const std::string& method, Json params, const std::string& session,
                            Patience patience) {
    if (Quiet()) {
        return CdpAnswer{false, Json(), "page not responding"};
    }
    const int timeoutMs =
        patience == Patience::kLong ? std::max(callTimeoutMs_, kLongCallTimeoutMs) : callTimeoutMs_;
    CdpAnswer answer = connection_.Call(method, std::move(params), session, timeoutMs);
    if (!answer.ok && answer.error == CdpConnection::kTimedOut) {
        // A page whose main thread is stuck (a script in an endless loop, or
        // frozen) would hold up every call and the user-interface thread with
        // it: leave it alone until it answers again, for a while at most.
        quietUntil_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(quietMs_);
        missed_->store(true);
        answering_->store(false);
        Probe(session);
    }
    return answer;
}

void CdpPage::Probe(const std::string& session) {
    // The answer comes when the page's main thread is free again; the work
    // that failed meanwhile is then asked for again.
    connection_.Post("Runtime.evaluate", Json{{"expression", "1"}, {"returnByValue", true}},
                     session,
                     [answering = answering_, missed = missed_, recovered = recovered_,
                      keep = weak_from_this()](CdpAnswer answer) {
                         auto self = keep.lock();
                         if (!self || !answer.ok || self->Gone()) {
                             return;
                         }
                         answering->store(true);
                         if (missed->exchange(false) && recovered) {
                             recovered();
                         }
                     });
}

int CdpPage::CurrentContext() {
    if (Gone()) {
        return 0;
    }
    if ((context_ == 0 || contextGeneration_ != generation_.load()) && !MakeWorld()) {
        return 0;
    }
    return context_;
}

std::string CdpPage::Expression(const char* op, const Json& args, bool anyState) {
    std::string expression = "__qm(\"";
    expression += op;
    expression += "\",";
    expression += args.dump(-1, ' ', false, Json::error_handler_t::replace);
    expression += anyState ? ",true)" : ",false)";
    return expression;
}

bool CdpPage::Send(const char* op, const Json& args, Reply done, int* context) {
    const std::string session = Session();
    if (Gone() || session.empty() || Quiet()) {
        return false;
    }
    if (std::string_view(op) != "pass") {
        kept_->Forget();  // what another operation changes, a kept check does not know
    }
    const std::uint64_t generation = generation_.load();
    const bool haveWorld = context_ != 0 && contextGeneration_ == generation;
    if (context != nullptr) {
        *context = haveWorld ? context_ : 0;
    }
    connection_.CountRoundTrip();
    if (outstanding_->count.fetch_add(1) == 0) {
        outstanding_->since.store(std::chrono::steady_clock::now().time_since_epoch().count());
    }
    auto finish = [done = std::move(done), outstanding = outstanding_,
                   answered = answered_](CdpAnswer answer, int world) {
        struct Tell {
            const std::function<void()>& answered;
            ~Tell() {
                if (answered) {
                    answered();
                }
            }
        } tell{answered};
        if (outstanding->count.fetch_sub(1) == 1) {
            outstanding->since.store(0);
        }
        const Json* reply = nullptr;
        if (answer.ok && !answer.result.contains("exceptionDetails")) {
            auto remote = answer.result.find("result");
            if (remote != answer.result.end() && remote->is_object() && remote->contains("value")) {
                reply = &(*remote)["value"];
            }
        }
        if (reply == nullptr || !reply->is_array() || reply->size() < 2 || (*reply)[0] != 1) {
            done(false, Json(), world);
            return;
        }
        done(true, (*reply)[1], world);
    };
    const std::string expression = Expression(op, args, false);
    auto evaluate = [this, session, expression](int world, const std::string& prefix,
                                                auto finished) {
        return connection_.Post("Runtime.evaluate",
                                Json{{"expression", prefix + expression},
                                     {"contextId", world},
                                     {"objectGroup", kObjectGroup},
                                     {"returnByValue", true},
                                     {"silent", true}},
                                session, [finished, world](CdpAnswer answer) {
                                    finished(std::move(answer), world);
                                });
    };
    bool sent = false;
    if (haveWorld) {
        sent = evaluate(context_, std::string(), finish);
    } else {
        // A new document: its world is made without waiting, and the helper
        // goes in with the operation; the owner takes the world with the answer.
        std::string helper = kPageScript;
        helper += ";";
        sent = connection_.Post(
            "Page.createIsolatedWorld",
            Json{{"frameId", targetId_}, {"worldName", kWorldName}, {"grantUniveralAccess", false}},
            session, [evaluate, helper, finish](CdpAnswer world) {
                auto id = world.result.find("executionContextId");
                if (!world.ok || id == world.result.end() || !id->is_number_integer() ||
                    !evaluate(id->get<int>(), helper, finish)) {
                    finish(CdpAnswer{false, Json(), "no world"}, 0);
                }
            });
    }
    if (!sent && outstanding_->count.fetch_sub(1) == 1) {
        outstanding_->since.store(0);
    }
    return sent;
}

void CdpPage::AdoptWorld(int context, std::uint64_t generation) {
    if (context == 0 || generation != generation_.load() ||
        (context_ != 0 && contextGeneration_ == generation)) {
        return;
    }
    context_ = context;
    contextGeneration_ = generation;
}

CdpPage::Result CdpPage::Evaluate(int context, const char* op, const Json& args, bool anyState,
                                  Json& value) {
    const std::string session = Session();
    if (Gone() || session.empty() || context == 0) {
        return Result::kFailed;
    }
    kept_->Forget();  // any operation of ours may change what a check answers
    const std::string expression = Expression(op, args, anyState);
    const std::string name = op;
    const Patience patience =
        name == "scan" || name == "outer" || name == "inner" || name == "idents" ? Patience::kLong
                                                                                 : Patience::kShort;
    CdpAnswer answer = PageCall("Runtime.evaluate",
                                Json{{"expression", expression},
                                     {"contextId", context},
                                     {"objectGroup", kObjectGroup},
                                     {"returnByValue", true},
                                     {"silent", true}},
                                session, patience);
    if (!answer.ok) {
        return IsContextError(answer.error) ? Result::kContextLost : Result::kFailed;
    }
    if (answer.result.contains("exceptionDetails")) {
        // A missing helper means a new document took the world's place.
        return Result::kContextLost;
    }
    const Json& remote = answer.result["result"];
    if (!remote.is_object() || !remote.contains("value")) {
        return Result::kFailed;
    }
    const Json& reply = remote["value"];
    if (!reply.is_array() || reply.empty() || reply[0] != 1 || reply.size() < 2) {
        return Result::kFailed;
    }
    value = reply[1];
    return Result::kOk;
}

bool CdpPage::Run(const char* op, Json args, Json& value, int* context, bool anyState) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        const int current = CurrentContext();
        if (current == 0) {
            return false;
        }
        const Result result = Evaluate(current, op, args, anyState, value);
        if (result == Result::kOk) {
            if (context != nullptr) {
                *context = current;
            }
            return true;
        }
        if (result == Result::kFailed) {
            return false;
        }
        context_ = 0;  // the document changed: make the world again once
    }
    return false;
}

bool CdpPage::RunIn(int context, const char* op, Json args, Json& value) {
    if (context == 0 || context != context_ || contextGeneration_ != generation_.load()) {
        return false;
    }
    const Result result = Evaluate(context, op, args, false, value);
    if (result == Result::kContextLost) {
        context_ = 0;
    }
    return result == Result::kOk;
}

void CdpPage::Watch(const std::string& host, std::vector<std::string> identities) {
    identities.erase(std::remove(identities.begin(), identities.end(), std::string()),
                     identities.end());
    std::sort(identities.begin(), identities.end());
    identities.erase(std::unique(identities.begin(), identities.end()), identities.end());
    if (identities == watched_ && host == watchedHost_) {
        return;
    }
    watched_ = std::move(identities);
    watchedHost_ = host;
    RegisterForNewDocuments();
}

void CdpPage::WatchOne(const std::string& host, const std::string& identity, bool watched) {
    if (identity.empty()) {
        return;
    }
    std::vector<std::string> identities = host == watchedHost_ ? watched_ : std::vector<std::string>();
    if (watched) {
        identities.push_back(identity);
    } else {
        identities.erase(std::remove(identities.begin(), identities.end(), identity),
                         identities.end());
    }
    Watch(host, std::move(identities));
}

void CdpPage::RegisterForNewDocuments() {
    const std::string session = Session();
    if (Gone() || session.empty()) {
        return;
    }
    // Posted, not awaited: the owner's thread does not wait for the browser.
    // Commands of one session run in order, so the old script goes first.
    std::string previous;
    std::uint64_t registration = 0;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        previous.swap(newDocumentScript_);
        registration = ++registration_;
    }
    if (!previous.empty()) {
        connection_.Post("Page.removeScriptToEvaluateOnNewDocument",
                         Json{{"identifier", previous}}, session, nullptr);
    }
    if (watched_.empty()) {
        return;
    }
    std::string source = kPageScript;
    source += ";__qm(\"watch\",[";
    source += Json(watched_).dump(-1, ' ', false, Json::error_handler_t::replace);
    source += ",";
    source += Json(watchedHost_).dump(-1, ' ', false, Json::error_handler_t::replace);
    source += "],true);";
    connection_.Post(
        "Page.addScriptToEvaluateOnNewDocument",
        Json{{"source", source}, {"worldName", kWorldName}}, session,
        [this, keep = weak_from_this(), registration, session](CdpAnswer answer) {
            auto self = keep.lock();
            if (!self || !answer.ok) {
                return;
            }
            const std::string identifier = answer.result.value("identifier", std::string());
            std::lock_guard<std::mutex> lock(mutex_);
            if (registration == registration_) {
                newDocumentScript_ = identifier;
            } else if (!identifier.empty()) {
                // A newer list took its place while it was on its way.
                connection_.Post("Page.removeScriptToEvaluateOnNewDocument",
                                 Json{{"identifier", identifier}}, session, nullptr);
            }
        });
}

}  // namespace qm::cdp
