#include "sim_clock.h"

#include <chrono>
#include <thread>

namespace vorne::sim {

namespace {
class SteadyClock : public SimClock {
public:
    int64_t nowNs() override {
        return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }
    void sleepNs(int64_t ns) override {
        if (ns > 0)
            std::this_thread::sleep_for(std::chrono::nanoseconds(ns));
    }
};
} // namespace

SimClock &SimClock::system() {
    static SteadyClock clock;
    return clock;
}

} // namespace vorne::sim
