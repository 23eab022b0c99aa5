#include "ftdi_device.h"

#include "clock.h"
#include "ftdi_eeprom.h"
#include "ftdi_mapping.h"

#include <cstdio>
#include <cstring>
#include <ftdi.h>
#include <libusb.h>
#include <string>

namespace vorne::d2xx {

namespace {

constexpr int kFtdiVendor = 0x0403;
constexpr int kFtdiProducts[] = {0x6001, 0x6010, 0x6011, 0x6014, 0x6015};
constexpr unsigned char kLatencyMs = 2; /* short, so replies reach the reads promptly */
constexpr DWORD kEepromWords = 128;     /* the largest EEPROM of the family, 256 bytes */
/* While the chip has not yet taken every byte, a status query waits this long
 * for it in libusb's event handling, so the caller's wait need not spin. */
constexpr int64_t kTxWaitNs = 1000000;
/* libusb's start can fail for a moment while another process takes a bridge
 * (a venue plan starts several uploaders at once): a few more tries. */
constexpr int kContextTries = 5;
constexpr int64_t kContextPauseNs = 100 * 1000000LL;

bool signedRecord(const FT_PROGRAM_DATA *d) {
    return d && d->Signature1 == 0x00000000u && d->Signature2 == 0xFFFFFFFFu && d->Manufacturer && d->ManufacturerId &&
           d->Description && d->SerialNumber;
}

std::string pathOf(libusb_device *dev) {
    uint8_t ports[8];
    int count = libusb_get_port_numbers(dev, ports, sizeof ports);
    std::vector<int> path(ports, ports + (count > 0 ? count : 0));
    if (count <= 0) /* no port path (a root hub's own device): the address keeps it apart */
        path.push_back(libusb_get_device_address(dev));
    return usbPathName(libusb_get_bus_number(dev), path);
}

/* The EEPROM transfers of an open bridge. */
class ContextEeprom final : public EepromChip {
public:
    explicit ContextEeprom(ftdi_context *ctx) : ctx_(ctx) {}
    ftdi_context *context() override { return ctx_; }
    int readImage() override { return ftdi_read_eeprom(ctx_); }
    int writeImage() override { return ftdi_write_eeprom(ctx_); }
    int setLatency(unsigned char ms) override { return ftdi_set_latency_timer(ctx_, ms); }

private:
    ftdi_context *ctx_;
};

ftdi_context *newContext() {
    for (int tries = 1;; ++tries) {
        if (ftdi_context *ctx = ftdi_new())
            return ctx;
        if (tries == kContextTries)
            return nullptr;
        Clock::system().sleepNs(kContextPauseNs);
    }
}

/* The FTDI bridges libusb sees, with their names, while the list lives. */
class Enumeration {
public:
    struct Found {
        libusb_device *dev;
        ListedDevice names;
        DWORD id;
    };

    explicit Enumeration(ftdi_context *ctx) : ctx_(ctx) {
        std::vector<std::string> paths;
        int n = ftdi_usb_find_all(ctx_, &list_, 0, 0);
        ok_ = n >= 0;
        for (ftdi_device_list *d = ok_ ? list_ : nullptr; d; d = d->next) {
            libusb_device_descriptor desc{};
            if (libusb_get_device_descriptor(d->dev, &desc) != 0 || desc.idVendor != kFtdiVendor)
                continue;
            bool known = false;
            for (int pid : kFtdiProducts)
                known |= desc.idProduct == pid;
            if (!known)
                continue;
            char description[kListBufferSize] = {}, serial[kListBufferSize] = {};
            /* A bridge we may not open (permissions) is still listed, with empty names. */
            if (ftdi_usb_get_strings(ctx_, d->dev, nullptr, 0, description, sizeof description, serial, sizeof serial) <
                0)
                description[0] = serial[0] = '\0';
            found_.push_back(
                {d->dev, {serial, description, ""}, (static_cast<DWORD>(desc.idVendor) << 16) | desc.idProduct});
            paths.push_back(pathOf(d->dev));
        }
        std::vector<ListedDevice> names;
        for (const auto &f : found_)
            names.push_back(f.names);
        nameBridges(&names, paths);
        for (size_t i = 0; i < found_.size(); ++i)
            found_[i].names = names[i];
    }
    ~Enumeration() {
        if (list_)
            ftdi_list_free(&list_);
    }
    Enumeration(const Enumeration &) = delete;
    Enumeration &operator=(const Enumeration &) = delete;

    bool ok() const { return ok_; }
    const std::vector<Found> &found() const { return found_; }

private:
    ftdi_context *ctx_;
    ftdi_device_list *list_ = nullptr;
    bool ok_ = false;
    std::vector<Found> found_;
};

/* libftdi's failed open closes the bridge without releasing the interface it
 * took from ftdi_sio, so libusb never binds the driver again; we do. */
void giveBackKernelDriver(libusb_device *dev, int interface) {
    libusb_device_handle *h = nullptr;
    if (libusb_open(dev, &h) != 0)
        return;
    libusb_attach_kernel_driver(h, interface);
    libusb_close(h);
}

} // namespace

FT_STATUS FtdiDevice::list(std::vector<ListedDevice> *devices) {
    devices->clear();
    ftdi_context *ctx = newContext();
    if (!ctx)
        return FT_OTHER_ERROR; /* libusb unusable */
    FT_STATUS status = FT_OK;
    {
        Enumeration e(ctx);
        if (!e.ok())
            status = FT_OTHER_ERROR;
        for (const auto &f : e.found())
            devices->push_back(f.names);
    }
    ftdi_free(ctx);
    return status;
}

FT_STATUS FtdiDevice::open(const char *name, DWORD flags, std::unique_ptr<FtdiDevice> *device, std::string *why) {
    device->reset();
    ftdi_context *ctx = newContext();
    if (!ctx) {
        *why = "libusb cannot be used";
        return FT_DEVICE_NOT_FOUND;
    }
    /* Take the bridge from ftdi_sio while we use it, and give it back on close. */
    ctx->module_detach_mode = AUTO_DETACH_REATACH_SIO_MODULE;
    FT_STATUS status = FT_DEVICE_NOT_FOUND;
    {
        Enumeration e(ctx);
        std::vector<ListedDevice> names;
        for (const auto &f : e.found())
            names.push_back(f.names);
        int index = findListedDevice(names, name, flags);
        if (index >= 0) {
            const auto &f = e.found()[static_cast<size_t>(index)];
            if (ftdi_usb_open_dev(ctx, f.dev) < 0) {
                const char *reason = ftdi_get_error_string(ctx);
                *why = reason ? reason : "";
                giveBackKernelDriver(f.dev, ctx->interface);
                status = FT_DEVICE_NOT_OPENED;
            } else {
                ftdi_set_latency_timer(ctx, kLatencyMs);
                device->reset(new FtdiDevice(ctx, f.names, f.id));
                status = (*device)->link_.start() ? FT_OK : FT_DEVICE_NOT_OPENED;
                if (status != FT_OK)
                    *why = "its bulk transfers cannot be started";
            }
        }
    }
    if (*device && status != FT_OK)
        device->reset(); /* closes the bridge and frees the context */
    else if (status != FT_OK)
        ftdi_free(ctx);
    return status;
}

FtdiDevice::FtdiDevice(ftdi_context *ctx, ListedDevice names, DWORD id)
    : ctx_(ctx), names_(std::move(names)), id_(id), clock_(Clock::system()),
      fifo_([this](int64_t waitNs) { return fetch(waitNs); }, clock_),
      link_({ctx->usb_ctx, ctx->usb_dev, static_cast<unsigned char>(ctx->out_ep),
             static_cast<unsigned char>(ctx->in_ep), ctx->max_packet_size},
            [this](const uint8_t *data, size_t len) { fifo_.push(data, len); }) {}

FtdiDevice::~FtdiDevice() {
    link_.stop(); /* every transfer back from libusb before the handle goes */
    ftdi_usb_close(ctx_);
    ftdi_free(ctx_);
}

int FtdiDevice::fetch(int64_t waitNs) {
    size_t before = fifo_.available();
    if (link_.broken())
        return -1;
    link_.handleEvents(waitNs);
    return static_cast<int>(fifo_.available() - before);
}

FT_STATUS FtdiDevice::reset() {
    std::lock_guard<std::mutex> lock(mutex_);
    /* Pending writes are dropped with the chip's buffers, and nothing from before the reset is read after it. */
    link_.stop();
    fifo_.clear();
    int r = ftdi_usb_reset(ctx_);
    bool restarted = link_.start();
    return r < 0 || !restarted ? FT_IO_ERROR : FT_OK;
}

FT_STATUS FtdiDevice::setTimeouts(ULONG readMs, ULONG writeMs) {
    std::lock_guard<std::mutex> lock(mutex_);
    readTimeoutMs_ = readMs;
    if (writeMs > 0) /* 0: keep libftdi's bound rather than wait for ever */
        ctx_->usb_write_timeout = static_cast<int>(writeMs);
    return FT_OK;
}

FT_STATUS FtdiDevice::setBaudRate(ULONG baud) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (baud == 0 || baud > 3000000 || ftdi_set_baudrate(ctx_, static_cast<int>(baud)) < 0)
        return FT_INVALID_BAUD_RATE;
    return FT_OK;
}

FT_STATUS FtdiDevice::setDataCharacteristics(UCHAR bits, UCHAR stop, UCHAR parity) {
    std::lock_guard<std::mutex> lock(mutex_);
    int b = 0, s = 0, p = 0;
    if (!ftdiLineProperties(bits, stop, parity, &b, &s, &p))
        return FT_INVALID_PARAMETER;
    if (ftdi_set_line_property(ctx_, static_cast<ftdi_bits_type>(b), static_cast<ftdi_stopbits_type>(s),
                               static_cast<ftdi_parity_type>(p)) < 0)
        return FT_IO_ERROR;
    return FT_OK;
}

FT_STATUS FtdiDevice::status(DWORD *rx, DWORD *tx) {
    std::lock_guard<std::mutex> lock(mutex_);
    link_.handleEvents(0);
    if (link_.unsent() > 0)
        link_.handleEvents(kTxWaitNs);
    if (link_.takeFault())
        return FT_IO_ERROR;
    if (rx)
        *rx = static_cast<DWORD>(fifo_.available());
    if (tx)
        *tx = static_cast<DWORD>(link_.unsent());
    return FT_OK;
}

FT_STATUS FtdiDevice::read(uint8_t *buf, DWORD len, DWORD *got) {
    std::lock_guard<std::mutex> lock(mutex_);
    *got = 0;
    int n = fifo_.read(buf, len, readTimeoutMs_);
    if (n < 0)
        return FT_IO_ERROR;
    *got = static_cast<DWORD>(n);
    return FT_OK;
}

FT_STATUS FtdiDevice::write(const uint8_t *buf, DWORD len, DWORD *written) {
    std::lock_guard<std::mutex> lock(mutex_);
    *written = 0;
    if (len == 0)
        return FT_OK;
    if (link_.broken() || !link_.write(buf, len, static_cast<unsigned>(ctx_->usb_write_timeout)))
        return FT_IO_ERROR;
    *written = len;
    return FT_OK;
}

FT_STATUS FtdiDevice::deviceInfo(FT_DEVICE *type, DWORD *id, char *serial, char *description) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (type)
        *type = d2xxChipType(ctx_->type);
    if (id)
        *id = id_;
    if (serial)
        std::snprintf(serial, kListBufferSize, "%s", names_.serial.c_str());
    if (description)
        std::snprintf(description, kListBufferSize, "%s", names_.description.c_str());
    return FT_OK;
}

FT_STATUS FtdiDevice::eepromRead(FT_PROGRAM_DATA *data) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!signedRecord(data))
        return FT_INVALID_PARAMETER;
    ContextEeprom chip(ctx_);
    return readEepromRecord(chip, data);
}

FT_STATUS FtdiDevice::eepromProgram(const FT_PROGRAM_DATA *data) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!signedRecord(data))
        return FT_INVALID_PARAMETER;
    ContextEeprom chip(ctx_);
    return programEepromRecord(chip, *data, kLatencyMs);
}

FT_STATUS FtdiDevice::eepromReadWord(DWORD offset, WORD *value) {
    std::lock_guard<std::mutex> lock(mutex_);
    unsigned short word = 0;
    if (offset >= kEepromWords || ftdi_read_eeprom_location(ctx_, static_cast<int>(offset), &word) < 0)
        return FT_EEPROM_READ_FAILED;
    *value = word;
    return FT_OK;
}

/* libftdi writes single words only outside the checksummed area and not on
 * the FT232R at all, so the vendor request goes out as libftdi's whole-image
 * write sends it. */
FT_STATUS FtdiDevice::eepromWriteWord(DWORD offset, WORD value) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (offset >= kEepromWords ||
        libusb_control_transfer(ctx_->usb_dev, FTDI_DEVICE_OUT_REQTYPE, SIO_WRITE_EEPROM_REQUEST, value,
                                static_cast<uint16_t>(offset), nullptr, 0,
                                static_cast<unsigned>(ctx_->usb_write_timeout)) < 0)
        return FT_EEPROM_WRITE_FAILED;
    return FT_OK;
}

} // namespace vorne::d2xx
