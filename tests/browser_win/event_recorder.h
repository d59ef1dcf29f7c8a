// A BrowserEventSink that records the tracker events it is given.
#pragma once

#include <utility>
#include <vector>

#include "browser/browser_port.h"

namespace qm::ie::test {

struct EventRecorder : BrowserEventSink {
    void OnBrowserEvent(int code, long param) override { events.emplace_back(code, param); }
    std::vector<std::pair<int, long>> events;
};

}  // namespace qm::ie::test
