#include "receive_fifo.h"

namespace vorne::d2xx {

namespace {
constexpr int kChunk = 4096;
constexpr int64_t kPollPauseNs = 200000;
} // namespace

ReceiveFifo::ReceiveFifo(Reader reader, Clock &clock) : reader_(std::move(reader)), clock_(clock) {}

int ReceiveFifo::poll() {
    uint8_t chunk[kChunk];
    int n = reader_(chunk, kChunk);
    if (n > 0)
        bytes_.insert(bytes_.end(), chunk, chunk + (n < kChunk ? n : kChunk));
    return n;
}

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
    int64_t deadline = clock_.nowNs() + static_cast<int64_t>(timeoutMs) * 1000000;
    while (got < len) {
        int n = poll();
        if (n < 0)
            return got > 0 ? static_cast<int>(got) : n;
        got += take(buf + got, len - got);
        int64_t left = deadline - clock_.nowNs();
        if (got == len || left <= 0)
            break;
        if (n == 0)
            clock_.sleepNs(left < kPollPauseNs ? left : kPollPauseNs);
    }
    return static_cast<int>(got);
}

} // namespace vorne::d2xx
