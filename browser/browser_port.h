// The browser port: everything the core reads from or does to browser windows
// and pages. Implemented by the Internet Explorer adapter (ie/), the Chromium
// DevTools backend (cdp/) and, for tests, the simulated browser (testing/sim/). Portable.
//
// Objects are counted references (shared_ptr); two references denote the same
// element when their Identity() is equal. Every call may fail: getters return
// false (or a null pointer) and leave their output unspecified.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/window_services.h"

namespace qm {


// Tracker event codes: what browser and shell events become.
enum TrackerEventCode : int {
    kEventBeforeNavigate = 0,
    kEventNavigateComplete = 1,
    kEventDocumentComplete = 2,
    kEventQuit = 3,
    kEventWindowRegistered = 4,
    kEventWindowRevoked = 5,
    kEventNewWindow = 6,
    // A pass sent to the browser's page without waiting has its answer: the
    // tracker takes it (a backend whose passes are done at once never sends it).
    kEventPassAnswered = 7,
};

// Receives the events of one browser or of the shell's window collection.
// Implementations never act inside the call: they post a tracker event.
class BrowserEventSink {
public:
    virtual ~BrowserEventSink() = default;
    // code: a TrackerEventCode; param: the shell's cookie for codes 4 and 5.
    virtual void OnBrowserEvent(int code, long param) = 0;
};

class Element {
public:
    virtual ~Element() = default;
    // Equal for every reference to the same element of the same document.
    virtual std::uintptr_t Identity() const = 0;
    virtual bool TagName(std::string& out) = 0;  // upper case: "IMG", "OBJECT", ...
    virtual bool SourceIndex(int& out) = 0;      // position in the all-elements collection
    virtual bool OuterHtml(std::string& out) = 0;
    virtual bool InnerHtml(std::string& out) = 0;
    virtual bool OffsetWidth(int& out) = 0;
    virtual bool OffsetHeight(int& out) = 0;
    // The style's display; false when the element has no style object.
    virtual bool StyleDisplay(std::string& out) = 0;
    virtual bool SetStyleDisplay(const std::string& display) = 0;
    // src of IMG, EMBED, IFRAME and FRAME (as the page states it); false for other tags.
    virtual bool Src(std::string& out) = 0;
    virtual bool CodeBase(std::string& out) = 0;  // OBJECT only
};
using ElementPtr = std::shared_ptr<Element>;

class ElementCollection {
public:
    virtual ~ElementCollection() = default;
    virtual bool Length(int& out) = 0;
    virtual ElementPtr Item(int index) = 0;  // null when out of range or failed
};
using CollectionPtr = std::shared_ptr<ElementCollection>;

// One element of a tag as the batched tag scan reports it.
struct TaggedElement {
    int sourceIndex = -1;
    std::string identity;  // ElementIdentity of the element
    bool ok = false;       // false: the element could not be read; skip it
};

// One located element filter for the batched check.
struct LocatedCheck {
    int index = -1;        // source index (position in the all-elements collection)
    std::string identity;  // the filter's sName
};

enum class CheckOutcome {
    kNotObtained,  // no element at that index (or the call failed): nothing changes
    kMismatch,     // another element is there now
    kHidden,       // same identity: the element was hidden (display "none")
};

// One examination of a tracker's filters as a single request to the page:
// the popup test, the checks of located filters and, on a document
// completion, the search of the page source and the location of candidates.
struct PassRequest {
    // A "POPUP" filter: at its position in the list the checks stop when it
    // recognises the window (mode, page address and title without spaces as
    // the filter holds them).
    struct Popup {
        int position = -1;
        int mode = -1;
        std::string address;
        std::string name;
    };
    // A located element filter: index may be any position, also past 32767.
    struct Check {
        int position = -1;
        int index = -1;
        std::string identity;
    };
    // One filter of the whole list, for the source search and the location.
    struct Listed {
        std::string type;
        std::string name;      // sName: the identity
        std::string fileName;  // searched in the page source
    };
    std::vector<Popup> popups;  // in list order
    std::vector<Check> checks;  // in list order
    // A document completion: after the checks, every listed filter whose
    // status is idle is searched in the body's source; the candidates' tags
    // (IMG, OBJECT, EMBED, IFRAME) are walked to locate them, and each filter
    // located is checked at once at its place, so that a page's adverts are
    // gone at its completion rather than at the next tick.
    bool search = false;
    std::vector<Listed> listed;   // the whole list (search only)
    std::vector<int> statuses;    // the status of each listed filter before the pass
    std::string listKey;          // equal for equal lists: lets a backend keep the list
    // When set, the list is that of this address: a document at another
    // address is left alone and reported moved.
    std::string expectedUrl;
};

struct PassResult {
    bool moved = false;     // the document is not at the expected address: nothing was done
    bool examined = false;  // false: the all-elements collection could not be had; no checks
    std::string url;
    bool urlRead = false;
    std::string title;
    bool titleRead = false;
    int popupAt = -1;  // position of the first popup filter that recognises the window
    std::vector<CheckOutcome> outcomes;  // one per check; checks at or past popupAt: not obtained
    bool bodyFound = false;              // search only
    std::vector<int> candidates;         // positions that became candidates
    std::vector<std::pair<int, int>> located;  // position, source index; later pairs win
    // The check of each located filter at its last place (position, outcome),
    // in position order; none when a popup filter recognised the window.
    std::vector<std::pair<int, CheckOutcome>> settled;
};

// A pass on its way: the answer may come later than the caller can wait.
class PendingPass {
public:
    virtual ~PendingPass() = default;
    // True once the answer is in; waits for it at most until the deadline.
    virtual bool Wait(std::chrono::steady_clock::time_point until) = 0;
    // The answer (after Wait returned true); false when the pass failed.
    virtual bool Result(PassResult& out) = 0;
};

class Document {
public:
    virtual ~Document() = default;
    virtual bool Url(std::string& out) = 0;
    // The address when the backend has it without asking the page (a remote
    // backend, from the page's events); false when only Url can tell.
    virtual bool KnownUrl(std::string& /*out*/) { return false; }
    virtual bool Title(std::string& out) = 0;
    virtual ElementPtr Body() = 0;
    virtual CollectionPtr All() = 0;
    virtual CollectionPtr Tags(const std::string& tag) = 0;  // all.tags(tag), document order
    virtual ElementPtr ElementFromPoint(int x, int y) = 0;  // page window client coordinates

    // Batched steps. A remote backend answers each in one round trip; the
    // results must equal those of the defaults, which use the calls above.

    // Every element of tag in document order with its identity and source index.
    virtual bool ScanTag(const std::string& tag, std::vector<TaggedElement>& out);
    // For each check: the element at index of the all-elements collection; when its
    // identity equals check.identity it is hidden (HideElement). Indexes outside
    // the all-elements collection give kNotObtained. out has one entry per check.
    virtual bool CheckAndHide(const std::vector<LocatedCheck>& checks,
                              std::vector<CheckOutcome>& out);
    // The whole examination; the default does it with the calls above, in
    // the order a tracker would make them one by one.
    virtual bool RunPass(const PassRequest& request, PassResult& out);
    // Starts RunPass; a remote backend sends the request to the page and
    // returns at once, so that passes of several pages overlap. The default
    // runs it here and returns it done.
    virtual std::shared_ptr<PendingPass> StartPass(const PassRequest& request);
    // Shows again the element at index of the all-elements collection when
    // its tag is type and its identity is identity (the element a filter
    // hid), as HideElement(element, false) would. A remote backend sends it
    // and returns at once; the default does it here with the calls above.
    virtual void ShowLocated(int index, const std::string& type, const std::string& identity);
};
using DocumentPtr = std::shared_ptr<Document>;

class Browser {
public:
    virtual ~Browser() = default;
    virtual std::uintptr_t Identity() const = 0;  // same browser, same value
    virtual bool Hwnd(WindowHandle& out) = 0;     // top-level window
    // The window that shows the page: the top-level window or one of its
    // descendants. False for a window that shows no page (a folder window).
    virtual bool PageWindow(WindowHandle& out) = 0;
    // Whether the window was opened popup-style (without tool bar and menu bar).
    virtual bool IsPopupStyle(bool& out) = 0;
    virtual DocumentPtr GetDocument() = 0;  // null while no page exists
    virtual bool Quit() = 0;
    // Connects sink to the browser's events; cookie identifies the connection.
    virtual bool Advise(std::shared_ptr<BrowserEventSink> sink, std::uint32_t& cookie) = 0;
    virtual void Unadvise(std::uint32_t cookie) = 0;};
using BrowserPtr = std::shared_ptr<Browser>;

// The shell's collection of browser windows.
class ShellWindows {
public:
    virtual ~ShellWindows() = default;
    virtual bool Count(int& out) = 0;
    virtual BrowserPtr Item(int index) = 0;  // null: failed or not a browser
    virtual bool Advise(std::shared_ptr<BrowserEventSink> sink, std::uint32_t& cookie) = 0;
    virtual void Unadvise(std::uint32_t cookie) = 0;
};

// Makes the connection to the shell's window collection.
class BrowserSystem {
public:
    virtual ~BrowserSystem() = default;
    virtual std::unique_ptr<ShellWindows> ConnectShellWindows() = 0;  // null on failure

    // A backend that talks over a socket queues its events; the owner (the
    // user-interface thread) delivers them to the sinks with Pump() once the
    // wake-up (called on any thread; it must only post a message) says there
    // is something to deliver. Backends whose events arrive on the owner's
    // thread need neither.
    virtual int Pump() { return 0; }
    virtual void SetWakeup(std::function<void()> wakeup) { (void)wakeup; }
};

}  // namespace qm
