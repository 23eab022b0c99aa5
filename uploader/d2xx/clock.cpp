#include "clock.h"

#include <chrono>
#include <thread>

namespace vorne::d2xx {

namespace {
class SteadyClock : public Clock {
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

Clock &Clock::system() {
    static SteadyClock clock;
    return clock;
}

} // namespace vorne::d2xx
