#include "browser/combined_browser_system.h"

#include <utility>

namespace qm {

namespace {

// The window collection over every member.
class CombinedShellWindows : public ShellWindows {
public:
    explicit CombinedShellWindows(std::shared_ptr<std::vector<CombinedBrowserSystem::Member>> members)
        : members_(std::move(members)) {}

    ~CombinedShellWindows() override {
        for (Part& part : parts_) {
            Drop(part);
        }
    }

    bool Count(int& out) override {
        Refresh();
        int total = 0;
        for (Part& part : parts_) {
            part.count = 0;
            int count = 0;
            if (part.shell && part.shell->Count(count) && count > 0) {
                part.count = count;
            }
            total += part.count;
        }
        counted_ = true;
        out = total;
        return true;
    }

    BrowserPtr Item(int index) override {
        if (!counted_) {
            int ignored = 0;
            Count(ignored);
        }
        if (index < 0) {
            return nullptr;
        }
        for (Part& part : parts_) {
            if (index < part.count) {
                return part.shell ? part.shell->Item(index) : nullptr;
            }
            index -= part.count;
        }
        return nullptr;
    }

    bool Advise(std::shared_ptr<BrowserEventSink> sink, std::uint32_t& cookie) override {
        if (!sink) {
            return false;
        }
        sinks_.push_back({nextCookie_, std::move(sink)});
        cookie = nextCookie_++;
        for (Part& part : parts_) {
            AdviseAll(part);
        }
        return true;
    }

    void Unadvise(std::uint32_t cookie) override {
        for (Part& part : parts_) {
            for (auto it = part.cookies.begin(); it != part.cookies.end();) {
                if (it->first == cookie) {
                    if (part.shell) {
                        part.shell->Unadvise(it->second);
                    }
                    it = part.cookies.erase(it);
                } else {
                    ++it;
                }
            }
        }
        std::erase_if(sinks_, [cookie](const auto& entry) { return entry.first == cookie; });
    }

private:
    struct Part {
        unsigned generation = 0;
        std::unique_ptr<ShellWindows> shell;
        // Our cookie -> the member collection's cookie.
        std::vector<std::pair<std::uint32_t, std::uint32_t>> cookies;
        int count = 0;
    };

    void Drop(Part& part) {
        if (part.shell) {
            for (const auto& [ours, theirs] : part.cookies) {
                part.shell->Unadvise(theirs);
            }
        }
        part.cookies.clear();
        part.shell.reset();
        part.count = 0;
    }

    void AdviseAll(Part& part) {
        if (!part.shell) {
            return;
        }
        for (const auto& [cookie, sink] : sinks_) {
            bool advised = false;
            for (const auto& entry : part.cookies) {
                advised = advised || entry.first == cookie;
            }
            std::uint32_t theirs = 0;
            if (!advised && part.shell->Advise(sink, theirs)) {
                part.cookies.emplace_back(cookie, theirs);
            }
        }
    }

    // Connects to members that have none yet, and again to those that changed.
    void Refresh() {
        const auto& members = *members_;
        parts_.resize(members.size());
        for (std::size_t i = 0; i < members.size(); ++i) {
            Part& part = parts_[i];
            if (part.shell && part.generation == members[i].generation) {
                continue;
            }
            Drop(part);
            part.generation = members[i].generation;
            part.shell = members[i].system->ConnectShellWindows();
            AdviseAll(part);
        }
    }

    std::shared_ptr<std::vector<CombinedBrowserSystem::Member>> members_;
    std::vector<Part> parts_;
    std::vector<std::pair<std::uint32_t, std::shared_ptr<BrowserEventSink>>> sinks_;
    std::uint32_t nextCookie_ = 1;
    bool counted_ = false;
};

}  // namespace

CombinedBrowserSystem::CombinedBrowserSystem()
    : members_(std::make_shared<std::vector<Member>>()) {}

CombinedBrowserSystem::~CombinedBrowserSystem() = default;

void CombinedBrowserSystem::AddMember(BrowserSystem& member) {
    members_->push_back(Member{&member, 0});
}

void CombinedBrowserSystem::MemberChanged(BrowserSystem& member) {
    for (Member& entry : *members_) {
        if (entry.system == &member) {
            ++entry.generation;
        }
    }
}

std::unique_ptr<ShellWindows> CombinedBrowserSystem::ConnectShellWindows() {
    if (members_->empty()) {
        return nullptr;
    }
    auto shell = std::make_unique<CombinedShellWindows>(members_);
    int ignored = 0;
    shell->Count(ignored);  // connects to every member that can be reached now
    return shell;
}

int CombinedBrowserSystem::Pump() {
    int delivered = 0;
    for (const Member& member : *members_) {
        delivered += member.system->Pump();
    }
    return delivered;
}

void CombinedBrowserSystem::SetWakeup(std::function<void()> wakeup) {
    for (const Member& member : *members_) {
        member.system->SetWakeup(wakeup);
    }
}

}  // namespace qm
