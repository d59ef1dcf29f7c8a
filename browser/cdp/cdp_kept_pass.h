// The last answered check of a page (a pass without search), kept while the
// page has not changed: the same request then has the same answer, and its
// hides are still in place, so a tick need not ask the page again.
//
// The page's helper reports the first change of its document after each
// answered check (a binding call); that report, a navigation of the main
// frame (also within the document: pushState, fragments), a lost world, any
// other operation of ours in the page, another pass and a failed pass all
// forget the kept answer. Answers and events of one session arrive in order
// on the network thread, so a report that comes after an answer forgets that
// very answer; an answer is kept only when nothing was forgotten while it was
// on its way.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "browser/cdp/cdp_connection.h"

namespace qm::cdp {

// The binding of our world through which the helper reports a change.
constexpr const char* kChangedBinding = "__qmChanged";

class KeptPass {
public:
    // A pass goes to the page: what was kept is forgotten. The value to give
    // to Keep with its answer.
    std::uint64_t Begin() {
        std::lock_guard<std::mutex> lock(mutex_);
        valid_ = false;
        return ++epoch_;
    }
    void Forget() {
        std::lock_guard<std::mutex> lock(mutex_);
        valid_ = false;
        ++epoch_;
    }
    // The answer of the pass begun at epoch, unless something was forgotten since.
    void Keep(std::uint64_t epoch, std::string key, std::shared_ptr<const Json> value, int world,
              std::uint64_t generation) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (epoch != epoch_) {
            return;
        }
        valid_ = true;
        key_ = std::move(key);
        value_ = std::move(value);
        world_ = world;
        generation_ = generation;
    }
    bool Find(const std::string& key, std::shared_ptr<const Json>& value, int& world,
              std::uint64_t& generation) const {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!valid_ || key != key_) {
            return false;
        }
        value = value_;
        world = world_;
        generation = generation_;
        return true;
    }
    // Forgets the answer when it came from the world context.
    void ForgetWorld(int context) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (valid_ && world_ == context) {
            valid_ = false;
            ++epoch_;
        }
    }
    // Owner's thread: the located adverts of this answer are watched (its
    // pass's result was taken), so a replay of it need not watch them again.
    void NoteWatched(std::shared_ptr<const Json> value) { watched_ = std::move(value); }
    bool Watched(const std::shared_ptr<const Json>& value) const {
        return value != nullptr && watched_ == value;
    }
    bool Holds() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return valid_;
    }

private:
    mutable std::mutex mutex_;
    std::uint64_t epoch_ = 0;
    bool valid_ = false;
    std::string key_;
    std::shared_ptr<const Json> value_;
    int world_ = 0;
    std::uint64_t generation_ = 0;
    std::shared_ptr<const Json> watched_;  // owner's thread
};

}  // namespace qm::cdp
