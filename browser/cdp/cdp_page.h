// One page target of the browser: its attached session and our isolated world
// in its current document. The session and the gone flag are shared with the
// network thread; the world is used only on the owner's thread.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "browser/browser_port.h"
#include "browser/cdp/cdp_connection.h"
#include "browser/cdp/cdp_kept_pass.h"

namespace qm::cdp {

class CdpPage : public std::enable_shared_from_this<CdpPage> {
public:
    CdpPage(CdpConnection& connection, std::string targetId, std::uint32_t ordinal);

    const std::string& TargetId() const { return targetId_; }
    std::uint32_t Ordinal() const { return ordinal_; }
    // Synthetic window handles: the top-level window and the page window inside it.
    WindowHandle TopWindow() const { return TopWindowOf(ordinal_); }
    WindowHandle PageWindow() const { return TopWindowOf(ordinal_) + 1; }
    static WindowHandle TopWindowOf(std::uint32_t ordinal) {
        return static_cast<WindowHandle>(0x51000000u) + static_cast<WindowHandle>(ordinal) * 4u;
    }

    // Shared with the network thread.
    void SetSession(const std::string& session);
    std::string Session() const;
    void MarkGone() { gone_ = true; }
    // Asked to close: calls fail from now on, though the page still counts as
    // live until the browser reports it destroyed.
    void MarkClosing(bool closing = true) { closing_ = closing; }
    bool Gone() const { return gone_ || closing_; }
    // The window's tool bar and menu bar, read once when it was attached
    // (network thread); false when they could not be read then.
    void SetBars(int toolBar, int menuBar) { bars_ = (toolBar != 0 ? 2 : 0) | (menuBar != 0 ? 1 : 0); }
    bool CachedBars(int& toolBar, int& menuBar) const {
        const int bars = bars_.load();
        if (bars < 0) {
            return false;
        }
        toolBar = (bars & 2) != 0 ? 1 : 0;
        menuBar = bars & 1;
        return true;
    }
    // The main frame's address as the protocol's events last gave it
    // (network thread): what document.URL says, had without asking the page.
    // False while no event has given one.
    void NoteAddress(const std::string& address);
    bool Address(std::string& out) const;
    // No event tells the address (after document.open()): forgotten until the
    // page is asked. The mark returned lets the page's answer be kept only
    // while no event has told one since.
    std::uint64_t ForgetAddress();
    void NoteAskedAddress(std::uint64_t mark, const std::string& address);
    void MarkReady() { ready_ = true; }
    // The main frame committed a new document: the world must be made again.
    void NoteNewDocument() { generation_.fetch_add(1); }
    bool Ready() const { return ready_; }

    // The hub's bookkeeping, under the hub's mutex: the page that opened this
    // one, and whether the main frame is loading a document.
    std::string opener;
    bool mainLoading = false;
    // Open before we attached it (not held for us), its document complete
    // then: its completion came before we listened and is reported anew.
    bool openBefore = false;
    bool completeAtAttach = false;
    // New windows reported by Page.windowOpen and not yet seen attached, and
    // the reverse: windows attached with this page as their opener before (or
    // without) its Page.windowOpen.
    int opensAnnounced = 0;
    int opensAttachedFirst = 0;

    // Owner's thread. Runs one helper operation in the current document (making
    // the world when the document has none yet); context receives the world's
    // id, which elements keep. anyState: also while the document is loading.
    bool Run(const char* op, Json args, Json& value, int* context = nullptr, bool anyState = false);
    // Runs in the given world only; fails once the page has moved on to another
    // document.
    bool RunIn(int context, const char* op, Json args, Json& value);
    // The current world, made when missing; 0 when the page is gone.
    int CurrentContext();
    // The current document's world without making one; 0 when it has none.
    int CurrentWorld() const {
        return context_ != 0 && contextGeneration_ == generation_.load() ? context_ : 0;
    }
    // Owner's thread. Sends one helper operation to the current document and
    // returns at once (false: nothing could be sent, the page is gone or not
    // answering); done runs on the network thread with the operation's value,
    // ok false when it failed. context receives the world's id.
    // A document without a world yet gets one without waiting: world, the
    // world the answer came from (0: none), to be adopted by the owner.
    // context receives the current world's id, 0 when one is being made.
    using Reply = std::function<void(bool ok, Json value, int world)>;
    bool Send(const char* op, const Json& args, Reply done, int* context = nullptr);
    std::uint64_t Generation() const { return generation_.load(); }
    // Owner's thread: a world made by Send for the document of generation.
    void AdoptWorld(int context, std::uint64_t generation);
    // Owner's thread. The list of filters a world was given for the page's
    // searches, by key, so that it is sent once per document.
    bool HoldsList(int context, const std::string& key) const {
        return context == listContext_ && key == listKey_;
    }
    void NoteList(int context, const std::string& key) {
        listContext_ = context;
        listKey_ = key;
    }
    // How long a call may wait for the page, and how long calls then fail at
    // once after one of them timed out (or until the page answers again).
    // Reading a whole page or tag may take longer: those calls wait up to
    // kLongCallTimeoutMs.
    void SetPatience(int callTimeoutMs, int quietMs);
    // Runs on the network thread when the page answers again after calls
    // failed for its silence: the work they were part of should be redone.
    void SetRecovered(std::function<void()> recovered) { recovered_ = std::move(recovered); }
    // Runs on the network thread after an operation sent by Send has its
    // answer (set before the first Send).
    void SetAnswered(std::function<void()> answered) { answered_ = std::move(answered); }

    // Owner's thread. The identities of this page's located adverts: the
    // helper hides them as soon as the page inserts them, also in every later
    // document of the page from its very start.
    // host: that of the document they were located in; other hosts' documents
    // watch nothing.
    void Watch(const std::string& host, std::vector<std::string> identities);
    void WatchOne(const std::string& host, const std::string& identity, bool watched);
    // Owner's thread: an identity no longer watched, on whatever host.
    void Unwatch(const std::string& identity) { WatchOne(watchedHost_, identity, false); }

    // The last answered check, kept while the page reports no change
    // (cdp_kept_pass.h; cdp_page_changes.cpp).
    const std::shared_ptr<KeptPass>& Kept() const { return kept_; }
    // Network thread, under the hub's lock: an event of the page's session,
    // which may make the kept answer stale.
    void NoteSessionEvent(const std::string& method, const Json& params);
    // Owner's thread: asks (once per session, without waiting) for the
    // helper's change reports; the count of the browser's acceptances, the
    // reports come once it is kChangeReportsOn.
    std::shared_ptr<const std::atomic<int>> ChangeReports();
    static constexpr int kChangeReportsOn = 2;

    static constexpr int kCallTimeoutMs = 250;
    static constexpr int kLongCallTimeoutMs = 3000;
    // An operation sent without waiting and unanswered for this long makes
    // the page count as not answering: calls then fail at once (a frozen
    // page is found by the tick's pass before any call waits for it).
    static constexpr int kSilentMs = 100;
    static constexpr int kQuietMs = 10000;

private:
    bool MakeWorld();
    void RegisterForNewDocuments();
    enum class Patience { kShort, kLong };
    CdpAnswer PageCall(const std::string& method, Json params, const std::string& session,
                       Patience patience = Patience::kShort);
    void Probe(const std::string& session);
    enum class Result { kOk, kFailed, kContextLost };
    Result Evaluate(int context, const char* op, const Json& args, bool anyState, Json& value);
    static std::string Expression(const char* op, const Json& args, bool anyState);
    bool Quiet();

    CdpConnection& connection_;
    const std::string targetId_;
    const std::uint32_t ordinal_;
    mutable std::mutex mutex_;
    std::string session_;
    std::string address_;  // under mutex_
    bool hasAddress_ = false;
    std::uint64_t addressChanges_ = 0;  // under mutex_
    std::atomic<bool> gone_{false};
    std::atomic<bool> closing_{false};
    std::atomic<int> bars_{-1};
    std::atomic<bool> ready_{false};
    std::atomic<std::uint64_t> generation_{0};
    int context_ = 0;  // owner's thread only
    int listContext_ = 0;
    std::string listKey_;
    std::uint64_t contextGeneration_ = 0;
    int callTimeoutMs_ = kCallTimeoutMs;
    int quietMs_ = kQuietMs;
    std::chrono::steady_clock::time_point quietUntil_{};
    // Set by the probe's answer (network thread): the page answers again.
    std::shared_ptr<std::atomic<bool>> answering_ = std::make_shared<std::atomic<bool>>(true);
    std::shared_ptr<std::atomic<bool>> missed_ = std::make_shared<std::atomic<bool>>(false);
    // Operations sent without waiting and not answered yet, and since when
    // (steady clock ticks, 0: none): one unanswered for longer than a call
    // may wait counts as a time-out.
    struct Outstanding {
        std::atomic<int> count{0};
        std::atomic<std::int64_t> since{0};
    };
    std::shared_ptr<Outstanding> outstanding_ = std::make_shared<Outstanding>();
    std::function<void()> recovered_;
    std::function<void()> answered_;
    std::vector<std::string> watched_;  // sorted
    std::string watchedHost_;
    // Identifier of the script registered for new documents (network thread
    // writes it, under mutex_), and whether one is registered or on its way.
    std::string newDocumentScript_;
    std::uint64_t registration_ = 0;  // under mutex_
    std::shared_ptr<KeptPass> kept_ = std::make_shared<KeptPass>();
    std::string reportingSession_;  // owner's thread
    // Commands of the change reports the browser accepted (2: all).
    std::shared_ptr<std::atomic<int>> reporting_ = std::make_shared<std::atomic<int>>(0);
};

}  // namespace qm::cdp
