// One tracked browser window: its document, its event sink, the filters that
// apply to the page it shows, and the work of element removal and popup
// blocking on that page. Trackers are created and destroyed only by the
// TrackerTable.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "browser/browser_port.h"
#include "browser/drag.h"
#include "platform/window_services.h"
#include "store/filter_record.h"

namespace qm {

class FilterStore;
class HighlightFrame;
class TrackerEventPoster;

constexpr int kMaxTrackers = 64;
// Capacity of a tracker's filter list.
constexpr int kMaxWorkingFilters = 1025;
// OnFilterAdded appends only while the list stays below this many filters + 1.
constexpr int kMaxAddedFilterLimit = 1024;

// Apply modes.
constexpr int kApplyNavigate = -1;
constexpr int kApplyDocumentComplete = 1;
constexpr int kApplyTick = 2;

// The popup timing window in milliseconds.
constexpr std::uint32_t kPopupWindowMs = 1500;

// A pass still unanswered after this long is given up.
constexpr int kPassAbandonMs = 10000;

// Everything a tracker reaches outside itself.
struct TrackerContext {
    FilterStore& store;
    WindowServices& windows;
    TrackerEventPoster* poster = nullptr;  // receives the browser's events
};

class BrowserTracker {
public:
    explicit BrowserTracker(const TrackerContext& context);
    // Disconnects the event sink and releases every browser object. Does not
    // show again the elements that were hidden, and does not save hits.
    ~BrowserTracker();
    BrowserTracker(const BrowserTracker&) = delete;
    BrowserTracker& operator=(const BrowserTracker&) = delete;

    // Connects the sink, finds the windows and the document; false when the
    // window cannot be tracked (yet).
    bool Init(int slotIndex, BrowserPtr browserObject);

    // mode -1 navigation starts, 1 document complete, 2 periodic tick.
    // Returns 1, or 0 when mode 1 finds no document body.
    int Apply(int mode);
    void MarkReload() { reloadPending = true; }
    void NoteNewWindow();
    // Reads the document's address into url and returns it; a failed read
    // keeps url and returns it unchanged.
    std::string CurrentUrl();
    // Like CurrentUrl, but reports whether the read succeeded.
    bool ReadUrl(std::string& out);
    std::string CurrentTitle();
    bool ReadTitle(std::string& out);
    bool IsPopupStyle();
    bool Quit();
    void SaveHitsOnClose();
    // The hits of the list into the store, when they changed since last time.
    void SaveHits();
    // Disconnects the event sink now (no more events from this browser).
    void DisconnectSink();

    // Element removal. CheckFilters waits for the page's answer.
    void CheckFilters();
    // The periodic tick in two halves, so that the table waits for the pages
    // of all its trackers at once: BeginTick counts the tick and, when the
    // check is due, sends it (true); EndTick applies the answer when it came
    // by until, else leaves it pending.
    bool BeginTick();
    void EndTick(std::chrono::steady_clock::time_point until);
    // Applies a pending pass that has been answered meanwhile (when the list
    // is still the same); gives up one unanswered for too long.
    void CollectPending();
    bool PassPending() const { return pending_.pass != nullptr; }
    // Applies the answers of the searches for added filters that are in.
    void CollectAdded();
    // Applies the pending pass when its answer is in (true), without waiting.
    bool TakeAnswer();
    // Whether the pending pass (if any) has its answer, without taking it.
    bool PassAnswered() const {
        return pending_.pass == nullptr || pending_.pass->Wait(std::chrono::steady_clock::time_point{});
    }
    // The source index of an element filter: its hint, or for an element
    // past what the hint holds, the position found by name; -1 when unknown.
    int LocatedIndex(const WorkingFilter& filter) const;
    void ResolveIndexes(const std::string& tag);
    void OnFilterAdded(const std::string& pageUrl, const FilterRecord& record);
    void OnFilterRestored(const std::string& pageUrl, const FilterRecord& record);

    // Popup blocking.
    bool HasNoPopupFilter() const;
    void MarkNoPopupHits();
    bool OpenedPopupRecently() const;

    // Drags (defined with the drag logic).
    // The press of a page-to-bin drag: takes the draggable element under p.
    bool PressOnPage(Point p);
    // The release over the bin: hides the pressed element and returns the
    // filter to be asked about.
    Drop DropOnBin();
    // The bin dragged over this tracker's page (frames the element under the
    // point; the release hides it) or its title bar (the release makes a popup
    // filter). Only a release can return a drop.
    Drop DragFromBin(DragPhase phase, Point p, HighlightFrame& highlight);
    Rect ElementBounds(Element& element, int x, int y);

    const TrackerContext& Context() const { return context_; }
    FilterStore& Store() const { return context_.store; }
    WindowServices& Windows() const { return context_.windows; }
    // The filters in use: filters[0 .. filterCount-1].
    WorkingFilter* begin() { return filters.data(); }
    WorkingFilter* end() { return filters.data() + filterCount; }

    int slot = -1;
    BrowserPtr browser;
    DocumentPtr document;
    std::uint32_t sinkCookie = 0;
    std::shared_ptr<BrowserEventSink> sink;
    WindowHandle browserWindow = 0;
    WindowHandle pageWindow = 0;
    ElementPtr highlightedElement;
    ElementPtr capturedElement;
    std::string url;
    int tickCount = 0;
    int filterCount = 0;
    std::vector<WorkingFilter> filters;  // always kMaxWorkingFilters entries
    bool reloadPending = true;
    std::uint32_t lastNewWindowTime = 0;
    std::uint32_t lastPressTime = 0;

private:
    void ReloadFilters();
    // The list of the page's current address, had by a pass without waiting.
    void ReloadWithoutWaiting();
    // The halves of a reload: hit times saved and the document taken again;
    // the list loaded for url.
    void SaveAndRefresh();
    void LoadList();
    int UsedCount() const;
    PassRequest MakeRequest(bool search) const;
    // expectedUrl: the address the list was loaded for without reading it
    // (empty: none); a document found elsewhere gets its own list and a new pass.
    std::shared_ptr<PendingPass> StartPass(bool search, const std::string& expectedUrl = {});
    // Applies an answered pass; the completion's result (0: no body).
    int FinishPass(PendingPass& pass, bool search);
    // Mode 1: the completion's pass, applied at once when the backend answers
    // at once, else when its answer comes (kEventPassAnswered) or at a tick.
    int ApplyCompletion();
    void SetLocated(WorkingFilter& filter, int sourceIndex);
    void ListChanged() { ++listGeneration_; }

    // A pass sent and not yet applied.
    struct Pending {
        std::shared_ptr<PendingPass> pass;
        bool search = false;
        unsigned generation = 0;
        std::vector<int> checkPositions;  // the list position of each check
        bool again = true;  // moved: examine the document again with its own list
        std::chrono::steady_clock::time_point started{};
    };
    Pending pending_;
    // The in-page searches for filters added to the store, not answered yet.
    struct AddedPass {
        std::shared_ptr<PendingPass> pass;
        FilterRecord record;
        std::string url;  // the address the tracker was at
        std::chrono::steady_clock::time_point started{};
    };
    std::vector<AddedPass> added_;
    // Whether a filter added for pageUrl belongs in this tracker's list now.
    bool AddedApplies(const std::string& pageUrl, const FilterRecord& record) const;
    unsigned listGeneration_ = 0;  // changes whenever the list changes
    std::uint64_t savedHits_ = 0;  // what SaveHits last wrote, hashed
    // Elements past what the 16-bit hint holds, found by name: filter type and
    // name to source index. Their filters keep the hint -1 ("no hint").
    std::unordered_map<std::string, int> farIndexes_;

    Drop DragOverPage(DragPhase phase, Point p, HighlightFrame& highlight);
    Drop DragOverTitleBar(DragPhase phase, Point p, HighlightFrame& highlight);

    TrackerContext context_;
    bool sinkConnected_ = false;
    bool newWindowNoted_ = false;  // NewWindow2 seen at least once
};

}  // namespace qm
