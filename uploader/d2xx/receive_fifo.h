/* Received bytes kept between reads. libftdi has no receive-queue count, so
 * the backend polls the chip into this FIFO: a status query can then report
 * how many bytes wait, and a read hands out at most what was asked for and
 * keeps the rest, so nothing that arrived is ever dropped. */
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
    /* Fills at most size bytes; returns how many (0: nothing waiting) or a negative error. */
    using Reader = std::function<int(uint8_t *buf, int size)>;

    ReceiveFifo(Reader reader, Clock &clock);

    /* One reader call; returns its result (negative: error, the FIFO keeps what it has). */
    int poll();
    size_t available() const { return bytes_.size(); }
    /* Up to len bytes: what is queued, then what arrives within timeoutMs.
     * Returns the count, or a negative reader error when nothing could be read. */
    int read(uint8_t *buf, size_t len, unsigned timeoutMs);
    void clear() { bytes_.clear(); }

private:
    size_t take(uint8_t *buf, size_t len);

    Reader reader_;
    Clock &clock_;
    std::deque<uint8_t> bytes_;
};

} // namespace vorne::d2xx

#endif
