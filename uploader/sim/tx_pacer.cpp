#include "tx_pacer.h"

namespace vorne::d2xx {

namespace {
constexpr int64_t kNsPerSecond = 1000000000;
}

TxPacer::TxPacer(bool paced, int64_t bytesPerSecond) : paced_(paced), rate_(bytesPerSecond > 0 ? bytesPerSecond : 1) {}

void TxPacer::push(const uint8_t *data, size_t len, int64_t nowNs) {
    if (paced_ && (nowNs >= lastDoneNs_ || queue_.empty())) {
        periodStartNs_ = nowNs > lastDoneNs_ ? nowNs : lastDoneNs_;
        sentInPeriod_ = 0;
    }
    for (size_t i = 0; i < len; ++i) {
        int64_t done = nowNs;
        if (paced_) {
            /* Counted from the stretch's start and rounded up, so no drift and never early. */
            ++sentInPeriod_;
            done = periodStartNs_ + static_cast<int64_t>((sentInPeriod_ * kNsPerSecond + rate_ - 1) / rate_);
            lastDoneNs_ = done;
        }
        queue_.push_back({data[i], done});
    }
}

std::vector<TxPacer::SentByte> TxPacer::drain(int64_t nowNs) {
    std::vector<SentByte> out;
    while (!queue_.empty() && queue_.front().doneNs <= nowNs) {
        out.push_back(queue_.front());
        queue_.pop_front();
    }
    return out;
}

void TxPacer::clear() {
    queue_.clear();
    sentInPeriod_ = 0;
    lastDoneNs_ = 0;
}

} // namespace vorne::d2xx
