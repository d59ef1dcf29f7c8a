// The event sinks of a browser and of the shell's window collection. They do
// no work themselves: every event becomes a posted tracker event.
#pragma once

#include "browser/browser_port.h"
#include "browser/tracker_event_poster.h"

namespace qm {

// A browser's events, posted with the tracker's slot.
class TrackerBrowserSink : public BrowserEventSink {
public:
    TrackerBrowserSink(TrackerEventPoster* poster, int slot) : poster_(poster), slot_(slot) {}
    void OnBrowserEvent(int code, long param) override;
    int Slot() const { return slot_; }

private:
    TrackerEventPoster* poster_;
    int slot_;
};

// The shell's WindowRegistered and WindowRevoked, posted with the cookie.
class ShellWindowsSink : public BrowserEventSink {
public:
    explicit ShellWindowsSink(TrackerEventPoster* poster) : poster_(poster) {}
    void OnBrowserEvent(int code, long param) override;

private:
    TrackerEventPoster* poster_;
};

}  // namespace qm
