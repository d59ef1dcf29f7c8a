#include "testing/sim/fault_injector.h"

namespace qm::sim {

void FaultInjector::SetProbability(double probability, std::uint32_t seed) {
    probability_ = probability < 0.0 ? 0.0 : (probability > 1.0 ? 1.0 : probability);
    random_.seed(seed);
}

void FaultInjector::FailNthCall(std::uint64_t n) {
    if (n > 0) {
        failAt_.insert(calls_ + n);
    }
}

void FaultInjector::Disable() {
    probability_ = 0.0;
    failAt_.clear();
}

bool FaultInjector::ShouldFail(FaultSite site) {
    if ((sites_ & static_cast<unsigned>(site)) == 0) {
        return false;
    }
    ++calls_;
    bool fail = false;
    auto it = failAt_.find(calls_);
    if (it != failAt_.end()) {
        failAt_.erase(it);
        fail = true;
    }
    if (probability_ > 0.0) {
        // Always draw, so that the sequence does not depend on the nth-call failures.
        std::uniform_real_distribution<double> draw(0.0, 1.0);
        if (draw(random_) < probability_) {
            fail = true;
        }
    }
    if (fail) {
        ++failures_;
    }
    return fail;
}

}  // namespace qm::sim
