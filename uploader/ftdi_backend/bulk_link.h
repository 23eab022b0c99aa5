/* The bridge's two bulk endpoints driven as a D2XX driver drives them,
 * through libusb's asynchronous API: one IN transfer is always pending, and
 * what it brings is split into the chip's packets (two status bytes, then
 * data); every write is an OUT transfer of its own, and the bytes of those the
 * chip has not yet taken are what still waits to be sent, so the chip's own
 * buffer keeps the line busy. libusb events are handled only inside the calls
 * below, on the caller's thread; the caller serialises them. */
#ifndef VORNE_FTDI_BULK_LINK_H
#define VORNE_FTDI_BULK_LINK_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <list>

struct libusb_context;
struct libusb_device_handle;
struct libusb_transfer;

namespace vorne::d2xx {

/* The two status bytes that start every IN packet of the chip. */
struct InStatus {
    uint8_t modem = 0;
    uint8_t line = 0;
};

using DataSink = std::function<void(const uint8_t *data, size_t len)>;

/* Splits what one IN transfer brought into packets of packetSize bytes (the
 * last may be shorter), hands each packet's data to sink and keeps the last
 * packet's status bytes. Returns the data bytes. */
size_t splitInPackets(const uint8_t *data, size_t len, size_t packetSize, InStatus *status, const DataSink &sink);

class BulkLink {
public:
    struct Endpoints {
        libusb_context *context;
        libusb_device_handle *handle;
        unsigned char in;  /* device to host */
        unsigned char out; /* host to device */
        size_t packetSize;
    };

    BulkLink(Endpoints endpoints, DataSink sink);
    /* Stops the link; see stop(). */
    ~BulkLink();
    BulkLink(const BulkLink &) = delete;
    BulkLink &operator=(const BulkLink &) = delete;

    /* Submits the IN transfer; false when it could not be. */
    bool start();
    /* Handles what is ready, waiting at most waitNs (0: not at all) for something to happen. */
    void handleEvents(int64_t waitNs);
    /* Queues the bytes as one OUT transfer that gives up after timeoutMs; false when it could not be submitted. */
    bool write(const uint8_t *data, size_t len, unsigned timeoutMs);
    /* Bytes of OUT transfers the chip has not yet taken. */
    size_t unsent() const { return unsent_; }
    /* The bridge is gone, the IN transfer cannot be kept pending, or a write
     * never got out since the last call (reported once). */
    bool takeFault();
    /* The bridge is gone or the IN transfer cannot be kept pending. */
    bool broken() const { return gone_ || inBroken_; }
    const InStatus &status() const { return status_; }
    /* Cancels every transfer and waits until libusb has given each back. One
     * it keeps beyond a bound is left to it rather than freed under it. */
    void stop();

private:
    static void inDone(libusb_transfer *t);
    static void outDone(libusb_transfer *t);
    bool submitIn();
    /* Handles events until waiting() turns false or the bound is reached. */
    void reap(const std::function<bool()> &waiting);

    Endpoints ep_;
    DataSink sink_;
    libusb_transfer *in_ = nullptr;
    uint8_t *inBuffer_ = nullptr;
    bool inPending_ = false;
    bool stopping_ = false;
    std::list<libusb_transfer *> outs_;
    size_t unsent_ = 0;
    bool gone_ = false;
    bool inBroken_ = false;
    int inErrors_ = 0;
    bool writeLost_ = false;
    InStatus status_;
};

} // namespace vorne::d2xx

#endif
