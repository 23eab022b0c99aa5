#include "emulated_bridge.h"

#include <umockdev.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstring>
#include <fcntl.h>
#include <linux/usbdevice_fs.h>
#include <stdexcept>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vorne::usbemu {

namespace {

constexpr uint32_t kCapabilities = USBDEVFS_CAP_ZERO_PACKET | USBDEVFS_CAP_BULK_CONTINUATION |
                                   USBDEVFS_CAP_NO_PACKET_SIZE_LIM | USBDEVFS_CAP_REAP_AFTER_DISCONNECT;
/* The ticker's longest sleep while something is under way, and when all is quiet. */
constexpr int64_t kBusyStepNs = 1000000;
constexpr int64_t kIdleStepNs = 50000000;
/* Never wakes sooner than this after a pass, so a deadline already behind it cannot spin it. */
constexpr int64_t kMinStepNs = 20000;
/* One buffer slot: a single byte in the FIFO fills it. */
constexpr int kFifoSize = 4096;

int64_t nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

/* The GObject that umockdev calls; it hands every ioctl to its bridge. */
struct UsbfsHandler {
    UMockdevIoctlBase parent;
    EmulatedBridge *bridge;
};
struct UsbfsHandlerClass {
    UMockdevIoctlBaseClass parent;
};

gboolean handleIoctlThunk(UMockdevIoctlBase *self, UMockdevIoctlClient *client) {
    EmulatedBridge *bridge = reinterpret_cast<UsbfsHandler *>(self)->bridge;
    if (!bridge) { /* a late request while the bridge is taken down: it is gone */
        umockdev_ioctl_client_complete(client, -1, ENODEV);
        return TRUE;
    }
    return bridge->handleIoctl(client);
}

void handlerClassInit(gpointer klass, gpointer) {
    reinterpret_cast<UMockdevIoctlBaseClass *>(klass)->handle_ioctl = handleIoctlThunk;
}

GType handlerType() {
    static GType type =
        g_type_register_static_simple(umockdev_ioctl_base_get_type(), "VorneUsbfsHandler", sizeof(UsbfsHandlerClass),
                                      handlerClassInit, sizeof(UsbfsHandler), nullptr, GTypeFlags(0));
    return type;
}

/* The ioctl's argument structure, copied from the client (written back on completion). */
template <typename T> T *argument(UMockdevIoctlClient *client, UMockdevIoctlData **holder) {
    GError *error = nullptr;
    *holder = umockdev_ioctl_data_resolve(umockdev_ioctl_client_get_arg(client), 0, sizeof(T), &error);
    if (!*holder) {
        g_clear_error(&error);
        return nullptr;
    }
    return reinterpret_cast<T *>((*holder)->data);
}

void done(UMockdevIoctlClient *client, long result, int error = 0) {
    umockdev_ioctl_client_complete(client, result, result < 0 ? error : 0);
}

usbdevfs_urb *urbOf(UMockdevIoctlData *d) { return reinterpret_cast<usbdevfs_urb *>(d->data); }

} // namespace

EmulatedBridge::EmulatedBridge(UMockdevTestbed *bed, int devnum, Options options)
    : bed_(bed), options_(std::move(options)), chip_(options_.chip) {
    char name[32], node[64], dev[16], num[8];
    std::snprintf(name, sizeof name, "1-%d", devnum);
    std::snprintf(node, sizeof node, "/dev/bus/usb/001/%03d", devnum);
    std::snprintf(dev, sizeof dev, "189:%d", devnum);
    std::snprintf(num, sizeof num, "%d", devnum);
    devnode_ = node;
    const EepromStrings &s = chip_.usbStrings();
    /* Attribute files end in a line break, as sysfs writes them. */
    std::vector<std::string> attrs = {"idVendor",
                                      "0403",
                                      "idProduct",
                                      "6001",
                                      "bcdDevice",
                                      "0600",
                                      "busnum",
                                      "1",
                                      "devnum",
                                      num,
                                      "speed",
                                      "12",
                                      "bConfigurationValue",
                                      "1",
                                      "bNumConfigurations",
                                      "1",
                                      "bNumInterfaces",
                                      " 1",
                                      "bMaxPacketSize0",
                                      "8",
                                      "manufacturer",
                                      s.manufacturer,
                                      "product",
                                      s.description,
                                      "dev",
                                      dev};
    if (!s.serial.empty()) {
        attrs.push_back("serial");
        attrs.push_back(s.serial);
    }
    std::vector<const char *> attrPtrs;
    for (std::string &a : attrs) {
        if (attrPtrs.size() % 2)
            a += "\n";
        attrPtrs.push_back(a.c_str());
    }
    attrPtrs.push_back(nullptr);
    std::vector<const char *> props = {
        "DEVTYPE", "usb_device", "DEVNAME", node,           "BUSNUM", "001", "DEVNUM", node + std::strlen(node) - 3,
        "DRIVER",  "usb",        "PRODUCT", "403/6001/600", nullptr};
    gchar *path = umockdev_testbed_add_devicev(bed_, "usb", name, nullptr, const_cast<gchar **>(attrPtrs.data()),
                                               const_cast<gchar **>(props.data()));
    if (!path)
        throw std::runtime_error("umockdev refused the device");
    syspath_ = path;
    g_free(path);

    std::vector<uint8_t> descriptors = chip_.deviceDescriptor(), config = chip_.configDescriptor();
    descriptors.insert(descriptors.end(), config.begin(), config.end());
    umockdev_testbed_set_attribute_binary(bed_, syspath_.c_str(), "descriptors", descriptors.data(),
                                          static_cast<gint>(descriptors.size()));

    /* umockdev hands us every ioctl on the node but leaves poll to the kernel:
     * the node is a FIFO of one buffer slot, full (not writable) while nothing
     * can be reaped. libusb polls usbfs nodes for POLLOUT alone. */
    gchar *root = umockdev_testbed_get_root_dir(bed_);
    std::string nodeFile = std::string(root) + devnode_;
    g_free(root);
    g_mkdir_with_parents(nodeFile.substr(0, nodeFile.rfind('/')).c_str(), 0755);
    if (mkfifo(nodeFile.c_str(), 0666) != 0)
        throw std::runtime_error("cannot create " + nodeFile + ": " + std::strerror(errno));
    readyFd_ = open(nodeFile.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (readyFd_ < 0 || fcntl(readyFd_, F_SETPIPE_SZ, kFifoSize) != kFifoSize) {
        int why = errno;
        if (readyFd_ >= 0)
            close(readyFd_);
        throw std::runtime_error("cannot make " + nodeFile + " a one-slot FIFO: " + std::strerror(why));
    }
    updateReadiness();

    handler_ = static_cast<UMockdevIoctlBase *>(g_object_new(handlerType(), nullptr));
    reinterpret_cast<UsbfsHandler *>(handler_)->bridge = this;
    GError *error = nullptr;
    if (!umockdev_testbed_attach_ioctl(bed_, devnode_.c_str(), handler_, &error)) {
        std::string why = error ? error->message : "unknown";
        g_clear_error(&error);
        throw std::runtime_error("cannot attach the usbfs handler: " + why);
    }
    ticker_ = std::thread([this] { tick(); });
}

EmulatedBridge::~EmulatedBridge() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    ticker_.join();
    GError *error = nullptr;
    umockdev_testbed_detach_ioctl(bed_, devnode_.c_str(), &error);
    g_clear_error(&error);
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto &u : pending_)
        drop(&u);
    for (auto &u : finished_)
        drop(&u);
    if (claimedBy_)
        g_object_unref(claimedBy_);
    reinterpret_cast<UsbfsHandler *>(handler_)->bridge = nullptr;
    g_object_unref(handler_);
    close(readyFd_);
}

/* The bus's own time: whatever falls due happens when it does, asked or not. */
void EmulatedBridge::tick() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stopping_) {
        const int64_t now = nowNs();
        progress(now);
        updateReadiness();
        wake_.wait_until(lock, std::chrono::steady_clock::time_point(std::chrono::nanoseconds(nextWakeNs(now))));
    }
}

int64_t EmulatedBridge::nextWakeNs(int64_t now) const {
    int64_t next = now + (!pending_.empty() || chip_.busy() ? kBusyStepNs : kIdleStepNs);
    bool inSeen = false, outSeen = false;
    for (const Urb &p : pending_) {
        const usbdevfs_urb *u = urbOf(p.urb);
        if (u->type != USBDEVFS_URB_TYPE_BULK)
            continue;
        if (u->endpoint == Ft232rChip::kInEndpoint && !inSeen) {
            inSeen = true;
            next = std::min(next, chip_.inReadyNs());
        } else if (u->endpoint == Ft232rChip::kOutEndpoint && !outSeen) {
            outSeen = true;
            next = std::min(next, chip_.roomForNs(std::min(Ft232rChip::kPacketSize, outWanted(p))));
        }
    }
    next = std::min(next, chip_.nextLineEventNs());
    return std::max(next, now + kMinStepNs);
}

/* One byte in the FIFO fills its only slot: the node polls not writable. */
void EmulatedBridge::updateReadiness() {
    const bool ready = unplugged_ || !finished_.empty();
    if (ready == nodeReady_)
        return;
    uint8_t byte = 0;
    if ((ready ? read(readyFd_, &byte, 1) : write(readyFd_, &byte, 1)) == 1)
        nodeReady_ = ready;
}

void EmulatedBridge::drop(Urb *u) {
    if (u->urb)
        g_object_unref(u->urb);
    if (u->buffer)
        g_object_unref(u->buffer);
    g_object_unref(u->client);
    *u = Urb{nullptr, nullptr, nullptr, 0};
}

Eeprom EmulatedBridge::eeprom() {
    std::lock_guard<std::mutex> lock(mutex_);
    return chip_.eeprom();
}

unsigned EmulatedBridge::latencyMs() {
    std::lock_guard<std::mutex> lock(mutex_);
    return chip_.latencyMs();
}

std::vector<unsigned> EmulatedBridge::latencyHistory() {
    std::lock_guard<std::mutex> lock(mutex_);
    return chip_.latencyHistory();
}

std::string EmulatedBridge::receivedFile() {
    std::lock_guard<std::mutex> lock(mutex_);
    return chip_.converter() ? chip_.converter()->receivedFile() : std::string();
}

std::string EmulatedBridge::receivedRaw() {
    std::lock_guard<std::mutex> lock(mutex_);
    return chip_.converter() ? chip_.converter()->receivedRaw() : std::string();
}

EmulatedBridge::DriverState EmulatedBridge::driver() {
    std::lock_guard<std::mutex> lock(mutex_);
    forgetClosedClients();
    updateReadiness();
    return driver_;
}

EmulatedBridge::TransferCounts EmulatedBridge::transfers() {
    std::lock_guard<std::mutex> lock(mutex_);
    return counts_;
}

std::vector<uint64_t> EmulatedBridge::ioctlsPerClient() {
    std::lock_guard<std::mutex> lock(mutex_);
    return ioctlsPerClient_;
}

Ft232rChip::DataPhase EmulatedBridge::dataPhase() {
    std::lock_guard<std::mutex> lock(mutex_);
    return chip_.dataPhase();
}

double EmulatedBridge::sendingSeconds() {
    std::lock_guard<std::mutex> lock(mutex_);
    return firstOutNs_ < 0 ? 0.0 : static_cast<double>(lastOutNs_ - firstOutNs_) / 1e9;
}

bool EmulatedBridge::unplugged() {
    std::lock_guard<std::mutex> lock(mutex_);
    return unplugged_;
}

uint64_t EmulatedBridge::bytesFromHost() {
    std::lock_guard<std::mutex> lock(mutex_);
    return chip_.bytesFromHost();
}

/* A closed file gives up its claim and its URBs, as usbfs does; the kernel
 * does not bind the serial driver again by itself. */
void EmulatedBridge::forgetClosedClients() {
    auto closed = [](UMockdevIoctlClient *c) { return !umockdev_ioctl_client_get_connected(c); };
    for (auto *list : {&pending_, &finished_}) {
        for (auto it = list->begin(); it != list->end();) {
            if (closed(it->client)) {
                ++counts_.leftAtClose;
                drop(&*it);
                it = list->erase(it);
            } else {
                ++it;
            }
        }
    }
    if (claimedBy_ && closed(claimedBy_)) {
        g_object_unref(claimedBy_);
        claimedBy_ = nullptr;
        driver_.claimed = false;
    }
}

/* Each open file is told apart by a number kept on its client object. */
void EmulatedBridge::countIoctl(UMockdevIoctlClient *client) {
    static const char kKey[] = "vorne-client-number";
    auto number = reinterpret_cast<uintptr_t>(g_object_get_data(G_OBJECT(client), kKey));
    if (number == 0) {
        ioctlsPerClient_.push_back(0);
        number = ioctlsPerClient_.size();
        g_object_set_data(G_OBJECT(client), kKey, reinterpret_cast<gpointer>(number));
    }
    ++ioctlsPerClient_[number - 1];
    ++counts_.ioctls;
}

bool EmulatedBridge::handleIoctl(UMockdevIoctlClient *client) {
    std::lock_guard<std::mutex> lock(mutex_);
    countIoctl(client);
    forgetClosedClients();
    const unsigned long request = umockdev_ioctl_client_get_request(client);
    if (unplugged_ && request != USBDEVFS_REAPURBNDELAY && request != USBDEVFS_REAPURB) {
        done(client, -1, ENODEV);
        updateReadiness();
        return true;
    }
    UMockdevIoctlData *holder = nullptr;
    switch (request) {
    case USBDEVFS_GET_CAPABILITIES: {
        uint32_t *caps = argument<uint32_t>(client, &holder);
        if (caps)
            *caps = kCapabilities;
        done(client, caps ? 0 : -1, EFAULT);
        break;
    }
    case USBDEVFS_GETDRIVER:
        done(client, getDriver(client), ENODATA);
        break;
    case USBDEVFS_IOCTL: {
        int r = usbfsIoctl(client);
        done(client, r < 0 ? -1 : r, -r);
        break;
    }
    case USBDEVFS_DISCONNECT_CLAIM: {
        int r = disconnectClaim(client);
        done(client, r < 0 ? -1 : 0, -r);
        break;
    }
    case USBDEVFS_CLAIMINTERFACE: {
        unsigned *iface = argument<unsigned>(client, &holder);
        int r = iface ? claim(client, *iface) : -EFAULT;
        done(client, r < 0 ? -1 : 0, -r);
        break;
    }
    case USBDEVFS_RELEASEINTERFACE: {
        unsigned *iface = argument<unsigned>(client, &holder);
        bool ok = iface && *iface == 0 && claimedBy_ == client;
        if (ok)
            release(client);
        done(client, ok ? 0 : -1, EINVAL);
        break;
    }
    case USBDEVFS_SETCONFIGURATION:
    case USBDEVFS_CLEAR_HALT:
    case USBDEVFS_RESETEP:
    case USBDEVFS_RESET:
        done(client, 0);
        break;
    case USBDEVFS_SUBMITURB:
        submit(client);
        wake_.notify_one(); /* a new transfer or new line settings: the ticker plans anew */
        break;
    case USBDEVFS_DISCARDURB:
        discard(client);
        break;
    case USBDEVFS_REAPURB:
    case USBDEVFS_REAPURBNDELAY:
        reap(client);
        break;
    default:
        done(client, -1, ENOTTY);
        break;
    }
    if (holder)
        g_object_unref(holder);
    updateReadiness();
    return true;
}

int EmulatedBridge::getDriver(UMockdevIoctlClient *client) {
    UMockdevIoctlData *holder = nullptr;
    auto *gd = argument<usbdevfs_getdriver>(client, &holder);
    int r = -1;
    if (gd && gd->interface == 0 && (claimedBy_ || driver_.ftdiSioBound)) {
        std::snprintf(gd->driver, sizeof gd->driver, "%s", claimedBy_ ? "usbfs" : "ftdi_sio");
        r = 0;
    }
    if (holder)
        g_object_unref(holder);
    return r;
}

/* USBDEVFS_IOCTL with DISCONNECT or CONNECT: the serial driver's unbind and bind. */
int EmulatedBridge::usbfsIoctl(UMockdevIoctlClient *client) {
    UMockdevIoctlData *holder = nullptr;
    auto *cmd = argument<usbdevfs_ioctl>(client, &holder);
    int r = -EINVAL;
    if (cmd && cmd->ifno == 0) {
        if (cmd->ioctl_code == static_cast<int>(USBDEVFS_DISCONNECT)) {
            r = driver_.ftdiSioBound ? 0 : -ENODATA;
            if (driver_.ftdiSioBound) {
                driver_.ftdiSioBound = false;
                driver_.detaches++;
            }
        } else if (cmd->ioctl_code == static_cast<int>(USBDEVFS_CONNECT)) {
            /* The kernel probes drivers for an interface nobody holds; 1: one bound. */
            r = 0;
            if (!claimedBy_) {
                if (!driver_.ftdiSioBound)
                    driver_.attaches++;
                driver_.ftdiSioBound = true;
                r = 1;
            }
        } else {
            r = -ENOTTY;
        }
    }
    if (holder)
        g_object_unref(holder);
    return r;
}

int EmulatedBridge::disconnectClaim(UMockdevIoctlClient *client) {
    if (options_.legacyDetach)
        return -ENOTTY;
    UMockdevIoctlData *holder = nullptr;
    auto *dc = argument<usbdevfs_disconnect_claim>(client, &holder);
    int r = -EFAULT;
    if (dc) {
        bool except = dc->flags & USBDEVFS_DISCONNECT_CLAIM_EXCEPT_DRIVER;
        bool only = dc->flags & USBDEVFS_DISCONNECT_CLAIM_IF_DRIVER;
        bool named = std::strncmp(dc->driver, "ftdi_sio", sizeof dc->driver) == 0;
        bool unbind = driver_.ftdiSioBound && (except ? !named : only ? named : true);
        if (dc->interface != 0) {
            r = -EINVAL;
        } else if (claimedBy_ && claimedBy_ != client) {
            r = -EBUSY;
        } else {
            if (unbind) {
                driver_.ftdiSioBound = false;
                driver_.detaches++;
            }
            r = claim(client, 0);
        }
    }
    if (holder)
        g_object_unref(holder);
    return r;
}

int EmulatedBridge::claim(UMockdevIoctlClient *client, unsigned iface) {
    if (iface != 0)
        return -EINVAL;
    if (claimedBy_ == client)
        return 0;
    if (claimedBy_ || driver_.ftdiSioBound)
        return -EBUSY;
    claimedBy_ = static_cast<UMockdevIoctlClient *>(g_object_ref(client));
    driver_.claimed = true;
    driver_.claims++;
    return 0;
}

void EmulatedBridge::release(UMockdevIoctlClient *client) {
    if (claimedBy_ != client)
        return;
    g_object_unref(claimedBy_);
    claimedBy_ = nullptr;
    driver_.claimed = false;
}

void EmulatedBridge::submit(UMockdevIoctlClient *client) {
    UMockdevIoctlData *urbData = nullptr;
    usbdevfs_urb *u = argument<usbdevfs_urb>(client, &urbData);
    if (!u) {
        done(client, -1, EFAULT);
        return;
    }
    const bool control = u->type == USBDEVFS_URB_TYPE_CONTROL && u->endpoint == 0;
    const bool bulk = u->type == USBDEVFS_URB_TYPE_BULK &&
                      (u->endpoint == Ft232rChip::kInEndpoint || u->endpoint == Ft232rChip::kOutEndpoint);
    if ((!control && !bulk) || u->buffer_length < 0 || (control && u->buffer_length < 8)) {
        g_object_unref(urbData);
        done(client, -1, EINVAL);
        return;
    }
    /* Bulk traffic needs the interface; usbfs claims it on the fly unless a driver holds it. */
    if (bulk && claimedBy_ != client) {
        int r = claim(client, 0);
        if (r < 0) {
            g_object_unref(urbData);
            done(client, -1, -r);
            return;
        }
    }
    GError *error = nullptr;
    UMockdevIoctlData *buffer = nullptr;
    if (u->buffer_length > 0) {
        buffer = umockdev_ioctl_data_resolve(urbData, offsetof(usbdevfs_urb, buffer),
                                             static_cast<gsize>(u->buffer_length), &error);
        g_clear_error(&error);
        if (!buffer) {
            g_object_unref(urbData);
            done(client, -1, EFAULT);
            return;
        }
    }
    u->status = 0;
    u->actual_length = 0;
    pending_.push_back({static_cast<UMockdevIoctlClient *>(g_object_ref(client)), urbData, buffer, 0});
    ++(control ? counts_.control : u->endpoint == Ft232rChip::kInEndpoint ? counts_.bulkIn : counts_.bulkOut);
    done(client, 0);

    if (control) {
        const uint8_t *s = buffer->data;
        SetupPacket setup{s[0], s[1], static_cast<uint16_t>(s[2] | s[3] << 8), static_cast<uint16_t>(s[4] | s[5] << 8),
                          static_cast<uint16_t>(s[6] | s[7] << 8)};
        /* The data stage is never longer than the buffer behind the setup packet. */
        size_t room = static_cast<size_t>(u->buffer_length) - 8;
        if (setup.length > room)
            setup.length = static_cast<uint16_t>(room);
        size_t actual = 0;
        auto result = chip_.control(setup, buffer->data + 8, &actual, nowNs());
        pending_.back().done = actual;
        if (result == Ft232rChip::ControlResult::Done)
            finish(pending_.size() - 1, 0);
        else if (result == Ft232rChip::ControlResult::Stall)
            finish(pending_.size() - 1, -EPIPE);
        /* A NAK leaves it pending until the host gives up and discards it. */
    } else {
        progress(nowNs());
    }
}

void EmulatedBridge::finish(size_t index, int status) {
    Urb u = pending_[index];
    pending_.erase(pending_.begin() + static_cast<long>(index));
    urbOf(u.urb)->status = status;
    urbOf(u.urb)->actual_length = static_cast<int>(u.done);
    finished_.push_back(u);
}

/* What a pending OUT still has for the chip; an unplug cuts it short. */
size_t EmulatedBridge::outWanted(const Urb &p) const {
    size_t want = static_cast<size_t>(urbOf(p.urb)->buffer_length) - p.done;
    if (options_.unplugAfterBytes >= 0) {
        uint64_t left = static_cast<uint64_t>(options_.unplugAfterBytes) - chip_.bytesFromHost();
        want = static_cast<size_t>(std::min<uint64_t>(want, left));
    }
    return want;
}

/* Moves the first bulk transfer of each direction as far as the chip lets it by now. */
void EmulatedBridge::progress(int64_t now) {
    chip_.advance(now);
    bool inSeen = false, outSeen = false;
    for (size_t i = 0; i < pending_.size() && !unplugged_;) {
        Urb &p = pending_[i];
        usbdevfs_urb *u = urbOf(p.urb);
        size_t len = static_cast<size_t>(u->buffer_length);
        bool complete = false;
        if (u->type == USBDEVFS_URB_TYPE_BULK && u->endpoint == Ft232rChip::kInEndpoint && !inSeen) {
            inSeen = true;
            if (p.buffer)
                p.done += static_cast<size_t>(chip_.bulkIn(p.buffer->data + p.done, len - p.done, now, &complete));
            else
                complete = true; /* no room for even the status bytes */
        } else if (u->type == USBDEVFS_URB_TYPE_BULK && u->endpoint == Ft232rChip::kOutEndpoint && !outSeen) {
            outSeen = true;
            size_t taken = chip_.bulkOut(p.buffer ? p.buffer->data + p.done : nullptr, outWanted(p), now);
            if (taken > 0) {
                if (firstOutNs_ < 0)
                    firstOutNs_ = now;
                lastOutNs_ = now;
            }
            p.done += taken;
            complete = p.done == len;
            if (options_.unplugAfterBytes >= 0 &&
                chip_.bytesFromHost() >= static_cast<uint64_t>(options_.unplugAfterBytes)) {
                unplug();
                return;
            }
        }
        if (complete && u->endpoint == Ft232rChip::kInEndpoint && p.done == 2)
            ++counts_.statusOnlyIn;
        if (complete)
            finish(i, 0);
        else
            ++i;
    }
}

/* The bridge leaves the bus: transfers in flight end with ENODEV (usbfs lets
 * them be reaped after the disconnect), every further request fails, and
 * udev hears "remove". */
void EmulatedBridge::unplug() {
    unplugged_ = true;
    while (!pending_.empty())
        finish(0, -ENODEV);
    umockdev_testbed_uevent(bed_, syspath_.c_str(), "remove");
}

void EmulatedBridge::reap(UMockdevIoctlClient *client) {
    progress(nowNs());
    for (auto it = finished_.begin(); it != finished_.end(); ++it) {
        if (it->client != client)
            continue;
        UMockdevIoctlData *holder = nullptr;
        void **ptr = argument<void *>(client, &holder);
        if (!ptr) {
            done(client, -1, EFAULT);
            return;
        }
        umockdev_ioctl_data_set_ptr(holder, 0, it->urb);
        g_object_unref(holder);
        drop(&*it);
        finished_.erase(it);
        done(client, 0);
        return;
    }
    done(client, -1, unplugged_ ? ENODEV : EAGAIN);
}

void EmulatedBridge::discard(UMockdevIoctlClient *client) {
    gulong address = *reinterpret_cast<gulong *>(umockdev_ioctl_client_get_arg(client)->data);
    for (size_t i = 0; i < pending_.size(); ++i) {
        if (pending_[i].client == client && pending_[i].urb->client_addr == address) {
            ++counts_.discarded;
            finish(i, -ENOENT);
            done(client, 0);
            return;
        }
    }
    done(client, -1, EINVAL);
}

} // namespace vorne::usbemu
