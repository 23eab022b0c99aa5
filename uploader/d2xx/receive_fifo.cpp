#include "receive_fifo.h"

namespace vorne::d2xx {

ReceiveFifo::ReceiveFifo(Fetch fetch, Clock &clock) : fetch_(std::move(fetch)), clock_(clock) {}

size_t ReceiveFifo::take(uint8_t *buf, size_t len) {
    size_t n = len < bytes_.size() ? len : bytes_.size();
    for (size_t i = 0; i < n; ++i) {
        buf[i] = bytes_.front();
        bytes_.pop_front();
    }
    return n;
}

int ReceiveFifo::read(uint8_t *buf, size_t len, unsigned timeoutMs) {
    size_t got = take(buf, len);
    const int64_t deadline = clock_.nowNs() + static_cast<int64_t>(timeoutMs) * 1000000;
    while (got < len) {
        int64_t left = deadline - clock_.nowNs();
        int n = fetch_(left > 0 ? left : 0);
        if (n < 0)
            return got > 0 ? static_cast<int>(got) : n;
        got += take(buf + got, len - got);
        if (left <= 0)
            break;
    }
    return static_cast<int>(got);
}

} // namespace vorne::d2xx
