/* Time source of the simulator. The line pacing and the converter's delays are
 * computed from it, so tests can swap in a clock they step by hand instead of
 * sleeping. */
#ifndef VORNE_SIM_CLOCK_H
#define VORNE_SIM_CLOCK_H

#include <cstdint>

namespace vorne::sim {

class SimClock {
public:
    virtual ~SimClock() = default;
    /* Monotonic time in nanoseconds. */
    virtual int64_t nowNs() = 0;
    virtual void sleepNs(int64_t ns) = 0;

    /* The process-wide steady clock. */
    static SimClock &system();
};

/* A clock that only moves when told to; sleeping advances it. */
class ManualClock : public SimClock {
public:
    int64_t nowNs() override { return now_; }
    void sleepNs(int64_t ns) override { now_ += ns > 0 ? ns : 0; }
    void advanceMs(int64_t ms) { now_ += ms * 1000000; }

private:
    int64_t now_ = 1000000000;
};

} // namespace vorne::sim

#endif
