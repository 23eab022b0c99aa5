#include "rx_stream.h"

#include <algorithm>

namespace vorne::sim {

void RxStream::append(const std::string &bytes, size_t cutAfter) {
    if (cutAfter > 0 && bytes.size() > cutAfter)
        cuts_.push_back(consumed_ + bytes_.size() + cutAfter);
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
}

size_t RxStream::available() const {
    if (!cuts_.empty())
        return static_cast<size_t>(cuts_.front() - consumed_);
    return bytes_.size();
}

size_t RxStream::read(uint8_t *buf, size_t len) {
    size_t n = std::min(len, available());
    for (size_t i = 0; i < n; ++i) {
        buf[i] = static_cast<uint8_t>(bytes_.front());
        bytes_.pop_front();
    }
    consumed_ += n;
    while (!cuts_.empty() && cuts_.front() <= consumed_)
        cuts_.pop_front();
    return n;
}

void RxStream::clear() {
    consumed_ += bytes_.size();
    bytes_.clear();
    cuts_.clear();
}

} // namespace vorne::sim
