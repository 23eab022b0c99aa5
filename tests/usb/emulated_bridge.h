/* An FT232R plugged into a umockdev test bed: the sysfs device libusb
 * enumerates (ids, bus and device numbers, speed, the binary descriptors,
 * the strings), its /dev/bus/usb node, and the usbfs requests on that node
 * answered by the chip model, with the kernel's ftdi_sio bound to the
 * interface until someone detaches it.
 *
 * Time runs on its own as on a bus: a ticker thread moves the chip and the
 * pending transfers to "now" whenever something can happen (the latency
 * timer, a byte on the line, room for an OUT packet), so a transfer finishes
 * whether or not the host asks. The node is a FIFO that polls writable only
 * while a finished transfer waits to be reaped, which is how usbfs wakes
 * libusb's poll. Requests are served on the test bed's worker thread, the
 * ticker runs on its own, the test reads the state from its own thread; one
 * mutex keeps them apart. */
#ifndef VORNE_TESTS_USB_EMULATED_BRIDGE_H
#define VORNE_TESTS_USB_EMULATED_BRIDGE_H

#include "ft232r_chip.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

typedef struct _UMockdevTestbed UMockdevTestbed;
typedef struct _UMockdevIoctlClient UMockdevIoctlClient;
typedef struct _UMockdevIoctlData UMockdevIoctlData;
typedef struct _UMockdevIoctlBase UMockdevIoctlBase;

namespace vorne::usbemu {

class EmulatedBridge {
public:
    struct Options {
        Ft232rChip::Settings chip;
        /* A kernel without USBDEVFS_DISCONNECT_CLAIM: libusb detaches with
         * GETDRIVER and the DISCONNECT ioctl, then claims. */
        bool legacyDetach = false;
        /* Unplugged once this many bytes came from the host (negative: never). */
        long unplugAfterBytes = -1;
    };

    struct DriverState {
        bool ftdiSioBound = true;
        bool claimed = false;
        int detaches = 0;
        int attaches = 0;
        int claims = 0; /* the interface was claimed this often: the bridge was examined */
    };

    EmulatedBridge(UMockdevTestbed *bed, int devnum, Options options);
    ~EmulatedBridge();
    EmulatedBridge(const EmulatedBridge &) = delete;
    EmulatedBridge &operator=(const EmulatedBridge &) = delete;

    const Options &options() const { return options_; }
    const std::string &syspath() const { return syspath_; }
    const std::string &devnode() const { return devnode_; }

    Eeprom eeprom();
    unsigned latencyMs();
    std::vector<unsigned> latencyHistory();
    std::string receivedFile();
    std::string receivedRaw();
    DriverState driver();
    bool unplugged();
    /* Bytes the host sent over bulk OUT so far. */
    uint64_t bytesFromHost();
    /* Seconds from the first bulk OUT byte taken to the last. */
    double sendingSeconds();

    struct TransferCounts {
        uint64_t control = 0, bulkOut = 0, bulkIn = 0;
        uint64_t statusOnlyIn = 0; /* bulk IN that ended on the latency timer with no data */
        uint64_t ioctls = 0;       /* usbfs requests served, every open file together */
        uint64_t discarded = 0;    /* transfers the host cancelled while the chip still held them */
        uint64_t leftAtClose = 0;  /* transfers a file still had in flight or unreaped when it closed */
    };
    TransferCounts transfers();
    /* usbfs requests served to each file opened on the node, in the order of their first request. */
    std::vector<uint64_t> ioctlsPerClient();
    /* The converter's last data phase: bytes, duration, the line's idle time within it. */
    Ft232rChip::DataPhase dataPhase();

    /* Called on the test bed's worker thread for every ioctl on the node. */
    bool handleIoctl(UMockdevIoctlClient *client);

private:
    struct Urb {
        UMockdevIoctlClient *client;
        UMockdevIoctlData *urb;
        UMockdevIoctlData *buffer;
        size_t done = 0;
    };

    void tick();
    int64_t nextWakeNs(int64_t now) const;
    void updateReadiness();
    size_t outWanted(const Urb &u) const;
    void countIoctl(UMockdevIoctlClient *client);
    void submit(UMockdevIoctlClient *client);
    void reap(UMockdevIoctlClient *client);
    void discard(UMockdevIoctlClient *client);
    void progress(int64_t nowNs);
    void finish(size_t pendingIndex, int status);
    void unplug();
    void forgetClosedClients();
    int getDriver(UMockdevIoctlClient *client);
    int usbfsIoctl(UMockdevIoctlClient *client);
    int disconnectClaim(UMockdevIoctlClient *client);
    int claim(UMockdevIoctlClient *client, unsigned iface);
    void release(UMockdevIoctlClient *client);
    static void drop(Urb *urb);

    UMockdevTestbed *bed_;
    Options options_;
    std::string syspath_, devnode_;
    UMockdevIoctlBase *handler_ = nullptr;
    std::mutex mutex_;
    Ft232rChip chip_;
    std::deque<Urb> pending_, finished_;
    DriverState driver_;
    UMockdevIoctlClient *claimedBy_ = nullptr;
    bool unplugged_ = false;
    int64_t firstOutNs_ = -1, lastOutNs_ = -1;
    TransferCounts counts_;
    std::vector<uint64_t> ioctlsPerClient_;
    int readyFd_ = -1;      /* the bridge's own end of the node's FIFO */
    bool nodeReady_ = true; /* the FIFO is empty: the node polls writable */
    bool stopping_ = false;
    std::condition_variable wake_;
    std::thread ticker_; /* last: started once everything it uses exists */
};

} // namespace vorne::usbemu

#endif
