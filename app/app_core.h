// The program's central object. It owns the filter store, the settings, the
// highlight frame and the tracker table, refers to the bin window and the main
// frame, and is the one place where the other parts meet: the commands of
// every menu, the mouse hook and bin drags, the posted browser events, the
// store's notifications and the explorer's calls to the store.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "app/app_ports.h"
#include "app/explorer_ops.h"
#include "browser/browser_port.h"
#include "browser/drag.h"
#include "browser/highlight_frame.h"
#include "browser/tracker_event_poster.h"
#include "browser/tracker_table.h"
#include "platform/window_services.h"
#include "store/filter_store.h"
#include "platform/launcher.h"
#include "platform/registry.h"
#include "store/settings.h"
#include "store/store_listener.h"

namespace qm {

// Command ids shared by the menus, the toolbar and the dispatcher.
constexpr int kCmdNone = 0;
constexpr int kCmdAlwaysOnTop = 32771;
constexpr int kCmdShowBin = 32772;
constexpr int kCmdOptions = 32775;
constexpr int kCmdExit = 32776;
constexpr int kCmdOpen = 32777;
constexpr int kCmdUndo = 32778;
constexpr int kCmdHideBin = 32779;
constexpr int kCmdHelp = 32797;
constexpr int kCmdAbout = 57664;

constexpr const char* kMainFrameTitle = "Quill Moor";
constexpr const char* kHelpPage = "Help\\help.htm";

// The system the core runs in. Every reference must outlive the AppCore.
struct AppCoreContext {
    std::string dataDirectory;    // the host files; created when missing
    Registry& registry;           // the settings and the default browser
    std::string modulePath;       // the program file (start-up entry)
    std::string moduleDirectory;  // the program's directory, with its separator
    Launcher& launcher;
    WindowServices& windows;
    BrowserSystem& browsers;
    Dialogs& dialogs;
};

// What the program adds to the core beyond the shared commands: commands of
// its own (true when it took the id) and work on every tick, done before the
// trackers' (a browser it reconnected is then rescanned by the same tick).
class AppExtension {
public:
    virtual ~AppExtension() = default;
    virtual bool Command(int id) = 0;
    virtual void OnTick() = 0;
};

class AppCore : public StoreListener, public TrackerEventPoster {
public:
    explicit AppCore(const AppCoreContext& context);
    ~AppCore() override;
    AppCore(const AppCore&) = delete;
    AppCore& operator=(const AppCore&) = delete;

    // Window references (null: not there yet).
    void SetBinWindow(BinWindow* bin) { bin_ = bin; }
    void SetMainFrame(MainFrame* frame) { frame_ = frame; }
    BinWindow* Bin() const { return bin_; }
    MainFrame* Frame() const { return frame_; }
    bool IsBinVisible() const;
    bool IsMainFrameVisible() const;
    void ShowBin(bool show);
    void ShowMainFrame(bool show);

    // Connects to the shell, runs expiry when enabled and shows the windows as
    // the settings say; the result of the shell connection.
    bool Start();

    // The tracker table.
    bool ConnectShellWindows();
    void RescanWindows();
    int AddTracker(const BrowserPtr& browser);
    bool RemoveTracker(int slot);
    int FindTrackerAt(Point screen);
    void OnTrackerEvent(int code, long value);
    void OnTick();

    // The page-to-bin drag (fed by the mouse hook) and the bin-to-page drag
    // (fed by the bin window's own mouse messages).
    void HookDrag(DragPhase phase, Point screen);
    void BinDrag(DragPhase phase, Point screen);
    // What a tracker returned from a drop: asks for the scope, stores the
    // filter (the store's broadcast then reaches every tracker) and closes the
    // window the drop names. True when the filter was stored.
    bool CompleteDrop(Drop drop);

    // Asks for the scope, then adds to the store; false when cancelled or refused.
    bool AddFilterWithPrompt(const std::string& url, FilterRecord& record);
    // TrackerEventPoster: posts to the bin window.
    void PostTrackerEvent(int code, long value) override;

    // The one command dispatcher; always 1.
    int Command(int id);
    // Not owned; null removes it.
    void SetExtension(AppExtension* extension) { extension_ = extension; }
    // Delivers the events that socket backends queued (their wake-up asked
    // for it); tracker events then arrive posted, in order.
    int PumpBrowsers() { return context_.browsers.Pump(); }

    // StoreListener.
    void LocationChanged(const std::string& hostFileName) override;
    void OnFilterAdded(const std::string& url, const FilterRecord& record) override;
    void OnFilterRestored(const std::string& url, const FilterRecord& record) override;

    // Forwarders to the filter store.
    int GetUndoCount() const { return store_.GetUndoCount(); }
    int Undo() { return store_.Undo(); }
    int FillFilterList(const std::string& hostFileName, std::vector<FilterListRow>& rows) {
        return store_.FillFilterList(hostFileName, rows);
    }
    int BuildLocationTree(LocationTree& tree) { return store_.BuildLocationTree(tree); }
    int RestoreFilter(const std::string& hostFileName, int index) {
        return store_.RestoreFilter(hostFileName, index);
    }
    int GetFilter(const std::string& hostFileName, int index, std::string& url,
                  FilterRecord& record) {
        return store_.GetFilter(hostFileName, index, url, record);
    }
    int ShowFilterProperties(const std::string& hostFileName, int index,
                             FilterPropertiesDialog& dialog) {
        return qm::ShowFilterProperties(store_, hostFileName, index, dialog);
    }
    int ViewFilterSource(const std::string& hostFileName, int index, const std::string& directory) {
        return qm::ViewFilterSource(store_, context_.launcher, hostFileName, index, directory);
    }
    int RestoreHostFiles(const std::string& pattern) { return store_.RestoreHostFiles(pattern); }
    int FiltersForUrl(const std::string& url, FilterRecord* list, int capacity) {
        return store_.FiltersForUrl(url, list, capacity);
    }
    int SaveHits(FilterRecord* list, int count) { return store_.SaveHits(list, count); }

    // What the core owns.
    FilterStore& Store() { return store_; }
    AppSettings& Settings() { return settings_; }
    HighlightFrame& Highlight() { return highlight_; }
    TrackerTable& Trackers() { return trackers_; }
    const AppCoreContext& Context() const { return context_; }

    // The page-to-bin drag state.
    bool HookDragActive() const { return hookDragActive_; }
    int HookDragSlot() const { return hookDragSlot_; }
    // True while a prompt is open; tracker events then wait, ticks are
    // skipped and drags ignored.
    bool IsPrompting() const { return prompting_; }

private:
    bool IsOverBin(Point screen);
    void ReleaseHookCapture();
    void RunDeferredEvents();
    void ToggleAlwaysOnTop();
    template <typename ShowDialog>
    void WithBinHidden(ShowDialog show);

    AppCoreContext context_;
    FilterStore store_;
    AppSettings settings_;
    HighlightFrame highlight_;
    TrackerTable trackers_;
    BinWindow* bin_ = nullptr;
    MainFrame* frame_ = nullptr;
    bool hookDragActive_ = false;
    int hookDragSlot_ = -1;
    bool hookCaptureTaken_ = false;  // the press captured the mouse (an OBJECT)
    struct DeferredEvent {
        int code;
        long value;
    };
    // The one guard left: a prompt runs a modal message loop. While it is open
    // the pages must not change under the question (no tracker event, no
    // tick), posted events keep their arrival order, and a click in the prompt
    // starts no drag. Nothing below AppCore is on the stack meanwhile.
    bool prompting_ = false;
    AppExtension* extension_ = nullptr;
    std::deque<DeferredEvent> deferredEvents_;
};

}  // namespace qm
