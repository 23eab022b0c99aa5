/* The bridge's transmit queue as the line empties it. Paced, each byte is
 * given the moment its stop bit ends: a busy line sends back to back at the
 * line's byte rate, an idle line starts at the write. Unpaced, everything
 * leaves at once. */
#ifndef VORNE_D2XX_TX_PACER_H
#define VORNE_D2XX_TX_PACER_H

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

namespace vorne::d2xx {

class TxPacer {
public:
    struct SentByte {
        uint8_t value;
        int64_t doneNs; /* when its stop bit ended */
    };

    static constexpr int64_t kLineBytesPerSecond = 3840; /* 38400 baud, 10 bits a byte */

    explicit TxPacer(bool paced = true, int64_t bytesPerSecond = kLineBytesPerSecond);

    void push(const uint8_t *data, size_t len, int64_t nowNs);
    /* Takes the bytes that have left the line by nowNs, oldest first. */
    std::vector<SentByte> drain(int64_t nowNs);
    /* Bytes not yet taken by drain. */
    size_t pending() const { return queue_.size(); }
    void clear();

private:
    bool paced_;
    int64_t rate_;
    std::deque<SentByte> queue_;
    int64_t periodStartNs_ = 0; /* when the current busy stretch began */
    uint64_t sentInPeriod_ = 0;
    int64_t lastDoneNs_ = 0;
};

} // namespace vorne::d2xx

#endif
