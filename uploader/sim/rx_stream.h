/* The bridge's receive queue. Replies can be marked for splitting: a read
 * then stops at the cut, so the reader gets "CR" and only on its next read
 * "C: OK", as a slow converter or a USB packet boundary would cause. */
#ifndef VORNE_SIM_RX_STREAM_H
#define VORNE_SIM_RX_STREAM_H

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

namespace vorne::sim {

class RxStream {
public:
    /* With cutAfter > 0 and a longer text, a read ends after its first cutAfter bytes. */
    void append(const std::string &bytes, size_t cutAfter = 0);
    /* What the next read can return. */
    size_t available() const;
    size_t read(uint8_t *buf, size_t len);
    void clear();

private:
    std::deque<char> bytes_;
    std::deque<uint64_t> cuts_; /* absolute offsets in the stream */
    uint64_t consumed_ = 0;
};

} // namespace vorne::sim

#endif
