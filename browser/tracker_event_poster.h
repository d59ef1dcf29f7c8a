// Where the browser and shell event sinks send their events. The sinks never
// act inside the browser's callback: they post the event, and the application
// core hands it to TrackerTable::OnTrackerEvent later, in arrival order.
#pragma once

namespace qm {

class TrackerEventPoster {
public:
    virtual ~TrackerEventPoster() = default;
    // code: a TrackerEventCode (0..7); value: the tracker slot for codes 0-3,
    // 6 and 7, the shell's cookie for codes 4 and 5.
    virtual void PostTrackerEvent(int code, long value) = 0;
};

}  // namespace qm
