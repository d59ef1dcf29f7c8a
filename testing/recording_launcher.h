// A launcher for tests that records what it was asked to start or open.
#pragma once

#include <string>
#include <vector>

#include "platform/launcher.h"

namespace qm {

class RecordingLauncher : public Launcher {
public:
    struct Call {
        bool open = false;  // Open (true) or Start (false)
        std::string text;   // command line or address
        ShowState showState = ShowState::kNormal;
    };

    bool Start(const std::string& commandLine, ShowState showState) override {
        calls.push_back({false, commandLine, showState});
        return result;
    }
    bool Open(const std::string& address, ShowState showState) override {
        calls.push_back({true, address, showState});
        return result;
    }

    std::vector<Call> calls;
    bool result = true;  // what Start and Open report
};

}  // namespace qm
