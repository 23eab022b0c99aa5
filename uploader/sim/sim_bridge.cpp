#include "sim_bridge.h"

#include "socket_line.h"

#include <cstdio>
#include <cstring>

namespace vorne::sim {

namespace {
constexpr size_t kEepromString = 64; /* room for each EEPROM string, terminator included */
constexpr int64_t kReadPollNs = 200000;
constexpr size_t kSplitAfter = 2; /* "CR" | "C: OK" */

void copyOut(char *to, const std::string &from) {
    size_t n = from.size() < kEepromString - 1 ? from.size() : kEepromString - 1;
    std::memcpy(to, from.data(), n);
    to[n] = '\0';
}

bool signedRecord(const FT_PROGRAM_DATA *d) { return d->Signature1 == 0x00000000u && d->Signature2 == 0xFFFFFFFFu; }

bool hasStrings(const FT_PROGRAM_DATA *d) {
    return d->Manufacturer && d->ManufacturerId && d->Description && d->SerialNumber;
}
} // namespace

SimBridge::SimBridge(BridgeConfig config, d2xx::Clock &clock)
    : config_(std::move(config)), clock_(clock), tx_(config_.pacing) {
    if (config_.line == LineKind::Converter) {
        ConverterModel::Settings settings = config_.converter;
        line_ = std::make_unique<ConverterModel>(settings);
    }
    d2xx::storeEepromChecksum(raw_.data(), raw_.size());
    /* Factory-like contents for the chip family. */
    ee_.VendorId = 0x0403;
    ee_.ProductId = config_.type == FT_DEVICE_2232C ? 0x6010 : 0x6001;
    ee_.Version = config_.type == FT_DEVICE_232R ? 2 : config_.type == FT_DEVICE_2232C ? 1 : 0;
    ee_.MaxPower = 90;
    ee_.PnP = 1;
    ee_.RemoteWakeup = 1;
    ee_.Rev4 = config_.type == FT_DEVICE_BM;
    ee_.SerNumEnable = 1;
    ee_.USBVersionEnable = 1;
    ee_.USBVersion = 0x0200;
    ee_.Rev5 = config_.type == FT_DEVICE_2232C;
    ee_.SerNumEnable5 = 1;
    ee_.USBVersion5 = 0x0200;
    ee_.EndpointSize = 64;
    ee_.SerNumEnableR = 1;
    ee_.Cbus0 = 3; /* TXLED */
    ee_.Cbus1 = 2; /* RXLED */
    ee_.Cbus2 = 0; /* TXDEN */
    ee_.Cbus3 = 1; /* PWRON */
    ee_.Cbus4 = 5; /* SLEEP */
    ee_.RIsD2XX = config_.risD2xx;
    manufacturer_ = config_.manufacturer;
    manufacturerId_ = "FT";
    description_ = config_.description;
    serial_ = config_.serial;
}

bool SimBridge::gone() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return gone_;
}

std::string SimBridge::serial() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return serial_;
}

std::string SimBridge::description() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return description_;
}

std::string SimBridge::listedName() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return serial_.empty() || !rawEepromValid() ? config_.location : serial_;
}

bool SimBridge::rawEepromValid() const { return d2xx::eepromChecksumValid(raw_.data(), raw_.size()); }

FT_STATUS SimBridge::usable() const {
    if (gone_)
        return FT_IO_ERROR;
    if (!open_)
        return FT_DEVICE_NOT_OPENED;
    return FT_OK;
}

/* Moves time forward: bytes that left the line reach the far end, the far end's replies reach the receive queue. */
void SimBridge::pump() {
    if (gone_)
        return;
    int64_t now = clock_.nowNs();
    for (const auto &sent : tx_.drain(now)) {
        if (line_)
            line_->receive(sent.value, sent.doneNs);
    }
    if (!line_)
        return;
    line_->tick(now);
    bool split = config_.line == LineKind::Converter && config_.converter.fault == Fault::Split;
    for (const auto &reply : line_->takeReplies())
        rx_.append(reply.text, split && reply.splittable ? kSplitAfter : 0);
    if (line_->unplugged()) {
        gone_ = true;
        open_ = false;
        tx_.clear();
        rx_.clear();
    }
}

FT_STATUS SimBridge::open(std::string *why) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (gone_)
        return FT_DEVICE_NOT_FOUND;
    if (!config_.opens || open_) {
        *why = open_ ? "it is open already" : "the scenario makes it refuse (opens = no)";
        return FT_DEVICE_NOT_OPENED;
    }
    if (config_.line == LineKind::Socket) {
        std::string error;
        line_ = SocketLine::connectTo(config_.socketPath, &error);
        if (!line_) {
            std::fprintf(stderr, "vorne simulator: bridge %s: %s\n", serial_.c_str(), error.c_str());
            *why = error;
            return FT_DEVICE_NOT_OPENED;
        }
    }
    pump();
    tx_.clear();
    rx_.clear();
    readTimeoutMs_ = 0;
    open_ = true;
    return FT_OK;
}

FT_STATUS SimBridge::close() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (gone_)
        return FT_IO_ERROR;
    if (!open_)
        return FT_DEVICE_NOT_OPENED;
    pump();
    open_ = false;
    if (config_.line == LineKind::Socket)
        line_.reset();
    return FT_OK;
}

FT_STATUS SimBridge::reset() {
    std::lock_guard<std::mutex> lock(mutex_);
    pump();
    if (FT_STATUS s = usable())
        return s;
    tx_.clear();
    rx_.clear();
    return FT_OK;
}

FT_STATUS SimBridge::setTimeouts(ULONG readMs, ULONG) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (FT_STATUS s = usable())
        return s;
    readTimeoutMs_ = readMs;
    return FT_OK;
}

FT_STATUS SimBridge::setBaudRate(ULONG baud) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (FT_STATUS s = usable())
        return s;
    return baud == 0 ? FT_INVALID_BAUD_RATE : FT_OK;
}

FT_STATUS SimBridge::setDataCharacteristics(UCHAR bits, UCHAR stop, UCHAR parity) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (FT_STATUS s = usable())
        return s;
    bool valid =
        (bits == FT_BITS_7 || bits == FT_BITS_8) && (stop == FT_STOP_BITS_1 || stop == FT_STOP_BITS_2) && parity <= 4;
    return valid ? FT_OK : FT_INVALID_PARAMETER;
}

FT_STATUS SimBridge::status(DWORD *rx, DWORD *tx) {
    std::lock_guard<std::mutex> lock(mutex_);
    pump();
    if (FT_STATUS s = usable())
        return s;
    if (rx)
        *rx = static_cast<DWORD>(rx_.available());
    if (tx)
        *tx = static_cast<DWORD>(tx_.pending());
    return FT_OK;
}

FT_STATUS SimBridge::read(uint8_t *buf, DWORD len, DWORD *got) {
    std::lock_guard<std::mutex> lock(mutex_);
    *got = 0;
    pump();
    if (FT_STATUS s = usable())
        return s;
    size_t n = rx_.read(buf, len);
    /* Wait out the read time-out for the rest, unless a split reply ends this read. */
    int64_t deadline = clock_.nowNs() + static_cast<int64_t>(readTimeoutMs_) * 1000000;
    bool cut = n > 0 && rx_.available() > 0;
    while (n < len && !cut && !gone_) {
        int64_t left = deadline - clock_.nowNs();
        if (left <= 0)
            break;
        clock_.sleepNs(left < kReadPollNs ? left : kReadPollNs);
        pump();
        size_t before = rx_.available();
        size_t more = rx_.read(buf + n, len - n);
        n += more;
        cut = more > 0 && more == before && rx_.available() > 0;
    }
    *got = static_cast<DWORD>(n);
    return gone_ ? FT_IO_ERROR : FT_OK;
}

FT_STATUS SimBridge::write(const uint8_t *buf, DWORD len, DWORD *written) {
    std::lock_guard<std::mutex> lock(mutex_);
    *written = 0;
    pump();
    if (FT_STATUS s = usable())
        return s;
    tx_.push(buf, len, clock_.nowNs());
    *written = len;
    if (!config_.pacing)
        pump();
    return gone_ ? FT_IO_ERROR : FT_OK;
}

FT_STATUS SimBridge::deviceInfo(FT_DEVICE *type, DWORD *id, char *serial, char *description) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (FT_STATUS s = usable())
        return s;
    if (type)
        *type = config_.type;
    if (id)
        *id = (static_cast<DWORD>(ee_.VendorId) << 16) | ee_.ProductId;
    if (serial)
        copyOut(serial, serial_);
    if (description)
        copyOut(description, description_);
    return FT_OK;
}

FT_STATUS SimBridge::eepromRead(FT_PROGRAM_DATA *data) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (FT_STATUS s = usable())
        return s;
    if (!data || !signedRecord(data) || !hasStrings(data))
        return FT_INVALID_PARAMETER;
    if (!config_.eepromRead || !rawEepromValid()) /* as a decoder refuses an image that fails its checksum */
        return FT_EEPROM_READ_FAILED;
    char *m = data->Manufacturer, *mi = data->ManufacturerId, *d = data->Description, *s = data->SerialNumber;
    DWORD sig1 = data->Signature1, sig2 = data->Signature2;
    *data = ee_;
    data->Signature1 = sig1;
    data->Signature2 = sig2;
    data->Manufacturer = m;
    data->ManufacturerId = mi;
    data->Description = d;
    data->SerialNumber = s;
    copyOut(m, manufacturer_);
    copyOut(mi, manufacturerId_);
    copyOut(d, description_);
    copyOut(s, serial_);
    return FT_OK;
}

FT_STATUS SimBridge::eepromProgram(const FT_PROGRAM_DATA *data) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (FT_STATUS s = usable())
        return s;
    if (!data || !signedRecord(data) || !hasStrings(data))
        return FT_INVALID_PARAMETER;
    if (std::strlen(data->Manufacturer) >= kEepromString || std::strlen(data->ManufacturerId) >= kEepromString ||
        std::strlen(data->Description) >= kEepromString || std::strlen(data->SerialNumber) >= kEepromString)
        return FT_INVALID_PARAMETER;
    if (!config_.eepromProgram)
        return FT_EEPROM_WRITE_FAILED;
    ee_ = *data;
    ee_.Manufacturer = ee_.ManufacturerId = ee_.Description = ee_.SerialNumber = nullptr;
    manufacturer_ = data->Manufacturer;
    manufacturerId_ = data->ManufacturerId;
    description_ = data->Description;
    serial_ = data->SerialNumber;
    writeEepromOut();
    return FT_OK;
}

FT_STATUS SimBridge::eepromReadWord(DWORD offset, WORD *value) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (FT_STATUS s = usable())
        return s;
    if (!config_.eepromRead || offset >= raw_.size() / 2)
        return FT_EEPROM_READ_FAILED;
    *value = static_cast<WORD>(raw_[2 * offset] | raw_[2 * offset + 1] << 8);
    return FT_OK;
}

FT_STATUS SimBridge::eepromWriteWord(DWORD offset, WORD value) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (FT_STATUS s = usable())
        return s;
    if (!config_.eepromProgram || offset >= raw_.size() / 2)
        return FT_EEPROM_WRITE_FAILED;
    raw_[2 * offset] = static_cast<uint8_t>(value);
    raw_[2 * offset + 1] = static_cast<uint8_t>(value >> 8);
    return FT_OK;
}

void SimBridge::writeEepromOut() const {
    if (config_.eepromOut.empty())
        return;
    FILE *f = std::fopen(config_.eepromOut.c_str(), "w");
    if (!f) {
        std::fprintf(stderr, "vorne simulator: cannot write %s\n", config_.eepromOut.c_str());
        return;
    }
    std::fprintf(f,
                 "VendorId = 0x%04X\nProductId = 0x%04X\nManufacturer = %s\nManufacturerId = %s\n"
                 "Description = %s\nSerialNumber = %s\nMaxPower = %d\nPnP = %d\nSelfPowered = %d\n"
                 "RemoteWakeup = %d\nRIsD2XX = %d\n",
                 ee_.VendorId, ee_.ProductId, manufacturer_.c_str(), manufacturerId_.c_str(), description_.c_str(),
                 serial_.c_str(), ee_.MaxPower, ee_.PnP, ee_.SelfPowered, ee_.RemoteWakeup, ee_.RIsD2XX);
    std::fclose(f);
}

} // namespace vorne::sim
