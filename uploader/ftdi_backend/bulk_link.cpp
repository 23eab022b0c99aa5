#include "bulk_link.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <libusb.h>

namespace vorne::d2xx {

namespace {
constexpr size_t kStatusBytes = 2;
constexpr size_t kInPackets = 64; /* 4 KiB at full speed, as libftdi reads */
/* The chip answers an IN within its latency timer; one that hangs this long is given up and asked again. */
constexpr unsigned kInTimeoutMs = 1000;
/* Failed IN transfers in a row before the link counts as broken (a stalled endpoint, say). */
constexpr int kInErrorsInARow = 3;
/* How long stop() waits for libusb to give back cancelled transfers. */
constexpr int64_t kReapBoundNs = 2000000000;
constexpr int64_t kReapStepNs = 100000000;

timeval timevalOf(int64_t ns) {
    timeval tv{};
    if (ns > 0) {
        tv.tv_sec = static_cast<time_t>(ns / 1000000000);
        tv.tv_usec = static_cast<suseconds_t>(ns % 1000000000 / 1000);
    }
    return tv;
}
} // namespace

size_t splitInPackets(const uint8_t *data, size_t len, size_t packetSize, InStatus *status, const DataSink &sink) {
    if (packetSize <= kStatusBytes)
        return 0;
    size_t payload = 0;
    for (size_t at = 0; at + kStatusBytes <= len; at += packetSize) {
        size_t end = std::min(at + packetSize, len);
        status->modem = data[at];
        status->line = data[at + 1];
        if (end > at + kStatusBytes) {
            sink(data + at + kStatusBytes, end - at - kStatusBytes);
            payload += end - at - kStatusBytes;
        }
    }
    return payload;
}

BulkLink::BulkLink(Endpoints endpoints, DataSink sink) : ep_(endpoints), sink_(std::move(sink)) {}

BulkLink::~BulkLink() { stop(); }

bool BulkLink::start() {
    stopping_ = false;
    if (!in_) {
        in_ = libusb_alloc_transfer(0);
        inBuffer_ = static_cast<uint8_t *>(std::malloc(kInPackets * ep_.packetSize));
        if (!in_ || !inBuffer_) {
            libusb_free_transfer(in_);
            std::free(inBuffer_);
            in_ = nullptr;
            inBuffer_ = nullptr;
            return false;
        }
    }
    return inPending_ || submitIn();
}

bool BulkLink::submitIn() {
    libusb_fill_bulk_transfer(in_, ep_.handle, ep_.in, inBuffer_, static_cast<int>(kInPackets * ep_.packetSize), inDone,
                              this, kInTimeoutMs);
    int r = libusb_submit_transfer(in_);
    if (r == 0)
        inPending_ = true;
    else if (r == LIBUSB_ERROR_NO_DEVICE)
        gone_ = true;
    else
        inBroken_ = true;
    return r == 0;
}

void BulkLink::inDone(libusb_transfer *t) {
    auto *link = static_cast<BulkLink *>(t->user_data);
    if (!link) { /* left to libusb by stop(); now it is ours to free */
        std::free(t->buffer);
        libusb_free_transfer(t);
        return;
    }
    link->inPending_ = false;
    if (t->actual_length > 0)
        splitInPackets(t->buffer, static_cast<size_t>(t->actual_length), link->ep_.packetSize, &link->status_,
                       link->sink_);
    switch (t->status) {
    case LIBUSB_TRANSFER_COMPLETED:
        link->inErrors_ = 0;
        break;
    case LIBUSB_TRANSFER_TIMED_OUT:
        break;
    case LIBUSB_TRANSFER_CANCELLED:
        return;
    case LIBUSB_TRANSFER_NO_DEVICE:
        link->gone_ = true;
        return;
    default:
        if (++link->inErrors_ >= kInErrorsInARow) {
            link->inBroken_ = true;
            return;
        }
        break;
    }
    if (!link->stopping_)
        link->submitIn();
}

bool BulkLink::write(const uint8_t *data, size_t len, unsigned timeoutMs) {
    libusb_transfer *t = libusb_alloc_transfer(0);
    auto *copy = static_cast<uint8_t *>(std::malloc(len > 0 ? len : 1));
    if (!t || !copy) {
        libusb_free_transfer(t);
        std::free(copy);
        return false;
    }
    std::memcpy(copy, data, len);
    libusb_fill_bulk_transfer(t, ep_.handle, ep_.out, copy, static_cast<int>(len), outDone, this, timeoutMs);
    t->flags = LIBUSB_TRANSFER_FREE_BUFFER;
    int r = libusb_submit_transfer(t);
    if (r != 0) {
        gone_ = gone_ || r == LIBUSB_ERROR_NO_DEVICE;
        libusb_free_transfer(t);
        return false;
    }
    outs_.push_back(t);
    unsent_ += len;
    return true;
}

void BulkLink::outDone(libusb_transfer *t) {
    auto *link = static_cast<BulkLink *>(t->user_data);
    if (link) {
        link->outs_.remove(t);
        link->unsent_ -= static_cast<size_t>(t->length);
        if (t->status == LIBUSB_TRANSFER_NO_DEVICE)
            link->gone_ = true;
        else if (t->status != LIBUSB_TRANSFER_CANCELLED &&
                 (t->status != LIBUSB_TRANSFER_COMPLETED || t->actual_length != t->length))
            link->writeLost_ = true;
    }
    libusb_free_transfer(t); /* and its buffer */
}

void BulkLink::handleEvents(int64_t waitNs) {
    timeval tv = timevalOf(waitNs);
    libusb_handle_events_timeout_completed(ep_.context, &tv, nullptr);
}

bool BulkLink::takeFault() {
    bool fault = gone_ || inBroken_ || writeLost_;
    writeLost_ = false;
    return fault;
}

void BulkLink::stop() {
    if (!in_ && outs_.empty())
        return;
    stopping_ = true;
    if (inPending_)
        libusb_cancel_transfer(in_);
    for (libusb_transfer *t : outs_)
        libusb_cancel_transfer(t);
    reap([this] { return inPending_ || !outs_.empty(); });
    /* What libusb still holds now is disowned: its callback frees it whenever it comes back. */
    for (libusb_transfer *t : outs_)
        t->user_data = nullptr;
    outs_.clear();
    unsent_ = 0;
    if (in_ && inPending_) {
        in_->user_data = nullptr;
    } else if (in_) {
        libusb_free_transfer(in_);
        std::free(inBuffer_);
    }
    in_ = nullptr;
    inBuffer_ = nullptr;
    inPending_ = false;
}

void BulkLink::reap(const std::function<bool()> &waiting) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::nanoseconds(kReapBoundNs);
    handleEvents(0);
    while (waiting() && std::chrono::steady_clock::now() < deadline)
        handleEvents(kReapStepNs);
}

} // namespace vorne::d2xx
