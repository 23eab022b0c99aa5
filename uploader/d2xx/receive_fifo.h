/* Received bytes kept between reads. The backend pushes what the bridge
 * delivers; a status query reports how many bytes wait, and a read hands out
 * at most what was asked for and keeps the rest, so nothing that arrived is
 * ever dropped. */
#ifndef VORNE_D2XX_RECEIVE_FIFO_H
#define VORNE_D2XX_RECEIVE_FIFO_H

#include "clock.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>

namespace vorne::d2xx {

class ReceiveFifo {
public:
    /* Brings in (through push) what arrives within waitNs, 0: only what is
     * there already; returns how many bytes came, or a negative error. */
    using Fetch = std::function<int(int64_t waitNs)>;

    ReceiveFifo(Fetch fetch, Clock &clock);

    void push(const uint8_t *data, size_t len) { bytes_.insert(bytes_.end(), data, data + len); }
    /* One fetch without waiting; returns its result. */
    int poll() { return fetch_(0); }
    size_t available() const { return bytes_.size(); }
    /* Up to len bytes: what is queued, then what arrives within timeoutMs.
     * Returns the count, or a negative fetch error when nothing could be read. */
    int read(uint8_t *buf, size_t len, unsigned timeoutMs);
    void clear() { bytes_.clear(); }

private:
    size_t take(uint8_t *buf, size_t len);

    Fetch fetch_;
    Clock &clock_;
    std::deque<uint8_t> bytes_;
};

} // namespace vorne::d2xx

#endif
