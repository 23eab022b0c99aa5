#include "serial_line.h"

namespace vorne::usbemu {

namespace {
constexpr uint64_t kNsPerSecond = 1000000000;
}

SerialLine::SerialLine() = default;

/* Counted from the stretch's start and rounded up: no drift, and never early. */
int64_t SerialLine::doneOfNth(uint64_t n) const {
    return stretchStartNs_ + static_cast<int64_t>((n * bitsPerChar_ * kNsPerSecond + baud_ - 1) / baud_);
}

void SerialLine::setRate(unsigned baud, unsigned bitsPerChar, int64_t nowNs) {
    std::vector<uint8_t> rest;
    for (const Byte &b : queue_)
        rest.push_back(b.value);
    queue_.clear();
    baud_ = baud > 0 ? baud : 1;
    bitsPerChar_ = bitsPerChar > 0 ? bitsPerChar : 1;
    lastDoneNs_ = INT64_MIN;
    push(rest.data(), rest.size(), nowNs);
}

void SerialLine::push(const uint8_t *data, size_t len, int64_t nowNs) {
    if (len == 0)
        return;
    if (lastDoneNs_ < nowNs) { /* the line went idle: a new stretch starts with this write */
        stretchStartNs_ = nowNs;
        inStretch_ = 0;
    }
    for (size_t i = 0; i < len; ++i) {
        int64_t start = inStretch_ == 0 ? stretchStartNs_ : doneOfNth(inStretch_);
        ++inStretch_;
        lastDoneNs_ = doneOfNth(inStretch_);
        queue_.push_back({data[i], start, lastDoneNs_});
    }
}

std::vector<SerialLine::Byte> SerialLine::drain(int64_t nowNs) {
    std::vector<Byte> out;
    while (!queue_.empty() && queue_.front().doneNs <= nowNs) {
        out.push_back(queue_.front());
        queue_.pop_front();
    }
    return out;
}

int64_t SerialLine::doneNsOf(size_t index) const { return index < queue_.size() ? queue_[index].doneNs : kNever; }

void SerialLine::clear() {
    queue_.clear();
    lastDoneNs_ = INT64_MIN;
}

} // namespace vorne::usbemu
