/* Time source of the line timing (transmit pacing, read time-outs, the
 * converter's delays). Tests swap in a clock they step by hand instead of
 * sleeping. */
#ifndef VORNE_D2XX_CLOCK_H
#define VORNE_D2XX_CLOCK_H

#include <cstdint>

namespace vorne::d2xx {

class Clock {
public:
    virtual ~Clock() = default;
    /* Monotonic time in nanoseconds. */
    virtual int64_t nowNs() = 0;
    virtual void sleepNs(int64_t ns) = 0;

    /* The process-wide steady clock. */
    static Clock &system();
};

/* A clock that only moves when told to; sleeping advances it. */
class ManualClock : public Clock {
public:
    int64_t nowNs() override { return now_; }
    void sleepNs(int64_t ns) override { now_ += ns > 0 ? ns : 0; }
    void advanceMs(int64_t ms) { now_ += ms * 1000000; }

private:
    int64_t now_ = 1000000000;
};

} // namespace vorne::d2xx

#endif
