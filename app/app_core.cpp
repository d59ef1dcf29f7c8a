#include "app/app_core.h"

#include "app/prompts.h"
#include "store/open_browser.h"

namespace qm {

AppCore::AppCore(const AppCoreContext& context)
    : context_(context),
      store_(context.dataDirectory),
      settings_(context.registry, context.modulePath),
      highlight_(context.windows),
      trackers_(TrackerContext{store_, context.windows, this}) {
    store_.SetListener(this);
}

AppCore::~AppCore() {
    store_.SetListener(nullptr);
}

bool AppCore::IsBinVisible() const {
    return bin_ != nullptr && bin_->IsVisible();
}

bool AppCore::IsMainFrameVisible() const {
    return frame_ != nullptr && frame_->IsVisible();
}

void AppCore::ShowBin(bool show) {
    if (bin_ != nullptr) {
        bin_->Show(show);
    }
}

void AppCore::ShowMainFrame(bool show) {
    if (frame_ == nullptr) {
        return;
    }
    frame_->SetTitle(kMainFrameTitle);
    frame_->Show(show);
}

bool AppCore::Start() {
    const bool connected = ConnectShellWindows();
    if (settings_.bAutoDeleteHistory != 0) {
        store_.DeleteExpired(settings_.nExpireDays);
    }
    ShowBin(settings_.bShowRecycleBinOnStartup != 0);
    ShowMainFrame(settings_.bOpenRecycleBinOnStartup != 0);
    return connected;
}

bool AppCore::ConnectShellWindows() {
    return trackers_.ConnectShellWindows(context_.browsers);
}

void AppCore::RescanWindows() {
    trackers_.RescanWindows();
}

int AppCore::AddTracker(const BrowserPtr& browser) {
    return trackers_.AddTracker(browser);
}

bool AppCore::RemoveTracker(int slot) {
    return trackers_.RemoveTracker(slot);
}

int AppCore::FindTrackerAt(Point screen) {
    return trackers_.FindTrackerAt(screen);
}

void AppCore::OnTrackerEvent(int code, long value) {
    if (prompting_) {
        // A prompt's message loop runs inside a drop that still uses its
        // tracker: the event waits until the drop has returned.
        deferredEvents_.push_back({code, value});
        return;
    }
    RunDeferredEvents();  // keep the arrival order
    trackers_.OnTrackerEvent(code, value);
}

void AppCore::OnTick() {
    if (prompting_) {
        return;  // the next tick does the work
    }
    RunDeferredEvents();
    if (extension_ != nullptr) {
        extension_->OnTick();
    }
    trackers_.OnTick();
}

void AppCore::PostTrackerEvent(int code, long value) {
    if (bin_ != nullptr) {
        bin_->PostTrackerEvent(code, value);
    }
}

bool AppCore::AddFilterWithPrompt(const std::string& url, FilterRecord& record) {
    const bool outer = !prompting_;
    prompting_ = true;
    const PromptContext prompt{settings_, context_.dialogs, context_.windows};
    const bool added = qm::AddFilterWithPrompt(prompt, store_, url, record);
    if (outer) {
        prompting_ = false;
    }
    return added;
}

void AppCore::RunDeferredEvents() {
    while (!prompting_ && !deferredEvents_.empty()) {
        const DeferredEvent event = deferredEvents_.front();
        deferredEvents_.pop_front();
        trackers_.OnTrackerEvent(event.code, event.value);
    }
}

void AppCore::LocationChanged(const std::string& hostFileName) {
    if (frame_ == nullptr) {
        return;
    }
    if (hostFileName.empty()) {
        frame_->RebuildTree();
    }
    if (frame_->ListHostFile() == hostFileName) {
        frame_->RefreshList();
    }
}

void AppCore::OnFilterAdded(const std::string& url, const FilterRecord& record) {
    trackers_.OnFilterAdded(url, record);
}

void AppCore::OnFilterRestored(const std::string& url, const FilterRecord& record) {
    trackers_.OnFilterRestored(url, record);
}

}  // namespace qm
