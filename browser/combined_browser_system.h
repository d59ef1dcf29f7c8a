// One browser system over several backends (the Internet Explorer windows and
// a DevTools browser, say): its window collection holds the windows of every
// member in member order, so that one tracker table with its 64 slots, one
// set of rules and one filter store serve every open browser at once.
//
// A member may have no connection yet, or lose it and make a new one: the
// collection asks a member without a connection again at every count (every
// rescan), and MemberChanged makes it drop the old connection and connect
// anew. Events of every member reach the one sink given to Advise. Portable.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "browser/browser_port.h"

namespace qm {

class CombinedBrowserSystem : public BrowserSystem {
public:
    CombinedBrowserSystem();
    ~CombinedBrowserSystem() override;
    CombinedBrowserSystem(const CombinedBrowserSystem&) = delete;
    CombinedBrowserSystem& operator=(const CombinedBrowserSystem&) = delete;

    // Members are not owned; each must outlive the collections made.
    void AddMember(BrowserSystem& member);
    // The member's connection changed (it connected, or its browser went and
    // came back): collections connect to it again at their next count.
    void MemberChanged(BrowserSystem& member);

    // A collection over every member; null only when there is no member.
    std::unique_ptr<ShellWindows> ConnectShellWindows() override;
    // Pumps every member; the number of events delivered.
    int Pump() override;
    void SetWakeup(std::function<void()> wakeup) override;

    struct Member {
        BrowserSystem* system = nullptr;
        unsigned generation = 0;
    };

private:
    std::shared_ptr<std::vector<Member>> members_;
};

}  // namespace qm
