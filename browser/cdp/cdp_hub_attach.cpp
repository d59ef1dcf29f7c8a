// The hub's side of the page lifecycle: targets created, attached (held until
// our handlers are in place, then let run), and gone.
#include <algorithm>

#include "browser/cdp/cdp_hub.h"

namespace qm::cdp {

void CdpHub::OnTargetCreated(const Json& info) {
    if (JsonText(info, "type") != "page") {
        return;
    }
    const std::string targetId = JsonText(info, "targetId");
    std::shared_ptr<CdpPage> page;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (autoAttach_ || targetId.empty() || byTarget_.count(targetId) != 0) {
            return;  // attached by the browser, or already ours
        }
        page = MakePage(targetId);
        byTarget_[targetId] = page;
        ++attaching_;
    }
    Attach(page);
}

std::shared_ptr<CdpPage> CdpHub::MakePage(const std::string& targetId) {
    auto page = std::make_shared<CdpPage>(connection_, targetId, nextOrdinal_++);
    const std::uint32_t ordinal = page->Ordinal();
    page->SetRecovered([this, ordinal] {
        // Its completion ran while it did not answer: report it once more.
        std::lock_guard<std::mutex> lock(mutex_);
        for (const auto& live : live_) {
            if (live->Ordinal() == ordinal) {
                QueuePageEvent(ordinal, kEventDocumentComplete);
                return;
            }
        }
    });
    page->SetAnswered([this, ordinal] {
        std::lock_guard<std::mutex> lock(mutex_);
        auto listened = listened_.find(ordinal);
        if (listened != listened_.end() && listened->second > 0) {
            Queue(ordinal, kEventPassAnswered, 0);
        }
    });
    return page;
}

void CdpHub::Attach(const std::shared_ptr<CdpPage>& page) {
    const bool sent = connection_.Post(
        "Target.attachToTarget", Json{{"targetId", page->TargetId()}, {"flatten", true}},
        std::string(), [this, page](CdpAnswer answer) {
            OnAttachedSession(page, answer.ok ? JsonText(answer.result, "sessionId") : std::string(),
                              false);
        });
    if (!sent) {
        std::lock_guard<std::mutex> lock(mutex_);
        FinishAttach();
    }
}

void CdpHub::OnAutoAttached(const Json& params) {
    const Json info = params.value("targetInfo", Json::object());
    const std::string session = JsonText(params, "sessionId");
    const std::string targetId = JsonText(info, "targetId");
    const bool waiting = params.value("waitingForDebugger", false);
    if (session.empty()) {
        return;
    }
    std::shared_ptr<CdpPage> page;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (JsonText(info, "type") == "page" && !targetId.empty() && byTarget_.count(targetId) == 0) {
            page = MakePage(targetId);
            page->opener = JsonText(info, "openerId");
            // The opener's window.open may have run before it was attached:
            // the new window tells who opened it.
            auto opener = page->opener.empty() ? byTarget_.end() : byTarget_.find(page->opener);
            if (opener != byTarget_.end()) {
                if (opener->second->opensAnnounced > 0) {
                    --opener->second->opensAnnounced;
                } else {
                    ++opener->second->opensAttachedFirst;
                    QueuePageEvent(opener->second->Ordinal(), kEventNewWindow);
                }
            }
            // Held before its first document: loading until its main frame
            // first stops (its navigation may commit before Page.enable).
            page->mainLoading = waiting;
            if (!waiting) {
                // Open before we attached: its address as the browser knows it,
                // kept current by the main frame's events from now on.
                page->NoteAddress(JsonText(info, "url"));
            }
            byTarget_[targetId] = page;
            ++attaching_;
        }
    }
    if (!page) {
        // Not a window of ours (a worker, or a page we already follow): let
        // it run and let it go.
        if (waiting) {
            connection_.Post("Runtime.runIfWaitingForDebugger", Json::object(), session, nullptr);
        }
        connection_.Post("Target.detachFromTarget", Json{{"sessionId", session}}, std::string(),
                         nullptr);
        return;
    }
    OnAttachedSession(page, session, waiting);
}

void CdpHub::OnAttachedSession(const std::shared_ptr<CdpPage>& page, const std::string& session,
                               bool waiting) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (session.empty() || page->Gone()) {
            FinishAttach();
            return;
        }
        page->SetSession(session);
        page->openBefore = !waiting;
        bySession_[session] = page;
    }
    const bool sent = connection_.Post(
        "Page.enable", Json::object(), session,
        [this, page, waiting](CdpAnswer enabled) {
            if (!enabled.ok) {
                std::lock_guard<std::mutex> lock(mutex_);
                FinishAttach();
                return;
            }
            if (waiting) {
                connection_.Post("Runtime.runIfWaitingForDebugger", Json::object(),
                                 page->Session(), nullptr);
            }
            ReadBars(page, [this, page] { Enabled(page, false); });
        });
    if (!sent) {
        std::lock_guard<std::mutex> lock(mutex_);
        FinishAttach();
    }
}

void CdpHub::ReadBars(const std::shared_ptr<CdpPage>& page, std::function<void()> then) {
    ReadBarsOnce(page, std::make_shared<std::function<void()>>(std::move(then)),
                 std::chrono::steady_clock::now() + std::chrono::milliseconds(kMaxBarsMs),
                 kMaxBarsAttempts);
}

void CdpHub::ReadBarsOnce(const std::shared_ptr<CdpPage>& page,
                          std::shared_ptr<std::function<void()>> done,
                          std::chrono::steady_clock::time_point until, int attempts) {
    // In a world of our own, so that no script of the page can change what
    // is read; the bars of a window never change, so this is read once. A
    // world lost to the document that replaces the first one (a new window
    // commits its page while we attach) is made again, within the hold.
    auto again = [this, page, done, until, attempts] {
        if (attempts > 1 && !page->Gone() && std::chrono::steady_clock::now() < until) {
            ReadBarsOnce(page, done, until, attempts - 1);
        } else {
            (*done)();  // unread: the window counts as a normal one
        }
    };
    EvaluateInOwnWorld(
        page,
        "[window.toolbar.visible ? 1 : 0, window.menubar.visible ? 1 : 0, "
        "document.readyState === 'complete' ? 1 : 0, document.URL]",
        [this, page, done, again](const Json& value) {
            if (!value.is_array() || value.size() != 4 || !value[0].is_number_integer() ||
                !value[1].is_number_integer() || !value[3].is_string()) {
                again();
                return;
            }
            page->SetBars(value[0].get<int>(), value[1].get<int>());
            // Its first document may have committed before we listened: its
            // address is had here, later events keep it current.
            page->NoteAddress(value[3].get<std::string>());
            {
                std::lock_guard<std::mutex> lock(mutex_);
                page->completeAtAttach = value[2] == 1;
            }
            (*done)();
        });
}

void CdpHub::EvaluateInOwnWorld(const std::shared_ptr<CdpPage>& page, const char* expression,
                                std::function<void(const Json&)> done) {
    // A world made for this read alone, so that no script of the page can
    // change what is read.
    auto shared = std::make_shared<std::function<void(const Json&)>>(std::move(done));
    const std::string session = page->Session();
    const std::string text = expression;
    const bool sent = connection_.Post(
        "Page.createIsolatedWorld",
        Json{{"frameId", page->TargetId()}, {"worldName", "quillmoor"}, {"grantUniveralAccess", false}},
        session, [this, session, text, shared](CdpAnswer world) {
            auto context = world.result.find("executionContextId");
            if (!world.ok || context == world.result.end() || !context->is_number_integer() ||
                !connection_.Post("Runtime.evaluate",
                                  Json{{"expression", text},
                                       {"contextId", context->get<int>()},
                                       {"returnByValue", true},
                                       {"silent", true}},
                                  session, [shared](CdpAnswer answer) {
                                      (*shared)(answer.ok ? answer.result.value("result", Json::object())
                                                                .value("value", Json())
                                                          : Json());
                                  })) {
                (*shared)(Json());
            }
        });
    if (!sent) {
        (*shared)(Json());
    }
}

void CdpHub::Enabled(const std::shared_ptr<CdpPage>& page, bool waiting) {
    if (waiting) {
        connection_.Post("Runtime.runIfWaitingForDebugger", Json::object(), page->Session(),
                         nullptr);
    }
    std::lock_guard<std::mutex> lock(mutex_);
    if (!page->Gone()) {
        page->MarkReady();
        if (page->openBefore && page->completeAtAttach) {
            // Loaded before we listened (a browser reached while it runs, or
            // restarted with its pages): its first sink gets the completion.
            QueuePageEvent(page->Ordinal(), kEventDocumentComplete);
        }
        auto opener = page->opener.empty() ? byTarget_.end() : byTarget_.find(page->opener);
        auto listened =
            opener == byTarget_.end() ? listened_.end() : listened_.find(opener->second->Ordinal());
        // Held while its opener loads or is not followed yet: the opener's
        // window.open and completion must reach the popup rules first.
        if (opener != byTarget_.end() &&
            (opener->second->mainLoading || listened == listened_.end() || listened->second <= 0)) {
            held_.push_back(
                Held{page, std::chrono::steady_clock::now() + std::chrono::milliseconds(kMaxHoldMs)});
        } else {
            live_.push_back(page);
            Queue(0, kEventWindowRegistered, static_cast<long>(page->Ordinal()));
        }
    }
    FinishAttach();
}

void CdpHub::ReleaseHeld() {
    if (held_.empty()) {
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    for (auto it = held_.begin(); it != held_.end();) {
        const std::shared_ptr<CdpPage> page = it->page;
        auto opener = byTarget_.find(page->opener);
        bool release = page->Gone() || opener == byTarget_.end() || now >= it->until;
        if (!release && !opener->second->mainLoading) {
            // Its opener's completion must be queued for a sink before the new
            // window is reported.
            auto listened = listened_.find(opener->second->Ordinal());
            release = listened != listened_.end() && listened->second > 0;
        }
        if (!release) {
            ++it;
            continue;
        }
        it = held_.erase(it);
        if (!page->Gone()) {
            // It joins the windows when its registration is delivered, after
            // the opener's events queued before it: a rescan running now
            // must not find it yet.
            admitting_.push_back(page);
            Queue(0, kEventWindowRegistered, static_cast<long>(page->Ordinal()));
        }
    }
}

void CdpHub::FinishAttach() {
    --attaching_;
    changed_.notify_all();
}

void CdpHub::OnTargetGone(const std::string& targetId) {
    std::string session;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        session = ForgetTarget(targetId);
    }
    // Calls still waiting on the page fail now instead of at their time-out.
    connection_.FailSession(session);
}

std::string CdpHub::ForgetTarget(const std::string& targetId) {
    auto it = byTarget_.find(targetId);
    if (it == byTarget_.end()) {
        return std::string();
    }
    std::shared_ptr<CdpPage> page = it->second;
    byTarget_.erase(it);
    backlog_.erase(page->Ordinal());
    page->MarkGone();
    bySession_.erase(page->Session());
    auto live = std::find(live_.begin(), live_.end(), page);
    if (live != live_.end()) {
        live_.erase(live);
        Queue(page->Ordinal(), kEventQuit, 0);
        Queue(0, kEventWindowRevoked, static_cast<long>(page->Ordinal()));
    }
    held_.erase(std::remove_if(held_.begin(), held_.end(),
                               [&](const Held& held) { return held.page == page; }),
                held_.end());
    admitting_.erase(std::remove(admitting_.begin(), admitting_.end(), page), admitting_.end());
    ReleaseHeld();  // windows it opened need not wait for it any longer
    return page->Session();
}

}  // namespace qm::cdp
