/* One direction of an asynchronous serial line: bytes queue up and leave back
 * to back, each a character time after the one before, or a character time
 * after their write when the line was idle. Every byte carries when its start
 * bit began and its stop bit ended, so whoever drains the line late still
 * sees when things happened, and the gaps in which the line stood idle. */
#ifndef VORNE_TESTS_USB_SERIAL_LINE_H
#define VORNE_TESTS_USB_SERIAL_LINE_H

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

namespace vorne::usbemu {

class SerialLine {
public:
    struct Byte {
        uint8_t value;
        int64_t startNs; /* start bit begins */
        int64_t doneNs;  /* stop bit ends */
    };

    static constexpr int64_t kNever = INT64_MAX;

    /* 38400 baud, 10 bits a character until told otherwise. */
    SerialLine();

    /* A new rate from nowNs on; bytes still queued leave at it, the first at nowNs. */
    void setRate(unsigned baud, unsigned bitsPerChar, int64_t nowNs);
    void push(const uint8_t *data, size_t len, int64_t nowNs);
    /* The bytes whose stop bit ended by nowNs, oldest first. */
    std::vector<Byte> drain(int64_t nowNs);
    size_t pending() const { return queue_.size(); }
    /* When the index-th queued byte is through (0: the oldest); kNever past the end. */
    int64_t doneNsOf(size_t index) const;
    int64_t nextDoneNs() const { return doneNsOf(0); }
    void clear();

private:
    int64_t doneOfNth(uint64_t n) const;

    unsigned baud_ = 38400;
    unsigned bitsPerChar_ = 10;
    std::deque<Byte> queue_;
    int64_t stretchStartNs_ = 0; /* when the current back-to-back stretch began */
    uint64_t inStretch_ = 0;
    int64_t lastDoneNs_ = INT64_MIN;
};

} // namespace vorne::usbemu

#endif
