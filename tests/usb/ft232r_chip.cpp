#include "ft232r_chip.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace vorne::usbemu {

namespace {
/* Vendor requests of the chip (libftdi's SIO_* numbers). */
enum : uint8_t {
    kReset = 0x00,
    kModemCtrl = 0x01,
    kFlowCtrl = 0x02,
    kSetBaud = 0x03,
    kSetData = 0x04,
    kPollModemStatus = 0x05,
    kSetEventChar = 0x06,
    kSetErrorChar = 0x07,
    kSetLatency = 0x09,
    kGetLatency = 0x0A,
    kSetBitmode = 0x0B,
    kReadPins = 0x0C,
    kReadEeprom = 0x90,
    kWriteEeprom = 0x91,
    kEraseEeprom = 0x92,
};
constexpr uint8_t kVendorOut = 0x40;
constexpr uint8_t kVendorIn = 0xC0;
constexpr unsigned kConverterBaud = 38400;
constexpr uint8_t kThre = 0x20;
constexpr uint8_t kTemt = 0x40;
constexpr uint8_t kOverrun = 0x02;

/* Baud rate from the divisor the host wrote: 14 integer bits, a three-bit
 * fraction code (eighths 0, 4, 2, 1, 3, 5, 6, 7) from value bits 14-15 and
 * index bit 0, over the 3 MHz base clock. */
unsigned decodeBaud(uint16_t value, uint16_t index) {
    static const unsigned eighthsOf[8] = {0, 4, 2, 1, 3, 5, 6, 7};
    unsigned whole = value & 0x3FFF;
    unsigned code = (value >> 14) | ((index & 1u) << 2);
    if (whole == 0 && code == 0)
        return 3000000;
    if (whole == 1 && code == 0)
        return 2000000;
    unsigned eighths = whole * 8 + eighthsOf[code];
    return eighths ? 24000000u / eighths : 0;
}

void putLe16(std::vector<uint8_t> *v, unsigned x) {
    v->push_back(static_cast<uint8_t>(x));
    v->push_back(static_cast<uint8_t>(x >> 8));
}

size_t copyOut(const std::vector<uint8_t> &from, uint8_t *to, size_t room) {
    size_t n = std::min(from.size(), room);
    if (n)
        std::memcpy(to, from.data(), n);
    return n;
}
} // namespace

Ft232rChip::Ft232rChip(Settings settings) : settings_(std::move(settings)) {
    eeprom_ = settings_.customEeprom ? settings_.eeprom : buildEeprom(settings_.strings);
    /* At power-up the chip takes its USB strings from a valid EEPROM. */
    if (checksumValid(eeprom_) && eeprom_ != Eeprom{})
        settings_.strings = {manufacturerOf(eeprom_), descriptionOf(eeprom_), serialOf(eeprom_)};
    if (settings_.converterAttached)
        converter_ = std::make_unique<sim::ConverterModel>(settings_.converter);
    setLine(0);
}

bool Ft232rChip::lineMatchesConverter() const {
    unsigned low = kConverterBaud * 97 / 100, high = kConverterBaud * 103 / 100;
    return baud_ >= low && baud_ <= high && lineProperties_ == 0x0008;
}

void Ft232rChip::setLine(int64_t nowNs) {
    unsigned bits = lineProperties_ & 0xFF;
    unsigned parity = (lineProperties_ >> 8) & 0x7;
    unsigned stop = (lineProperties_ >> 11) & 0x3;
    unsigned perChar = 1 + bits + (parity ? 1 : 0) + (stop == 0 ? 1 : 2);
    /* Bytes still queued go on at the new rate; the box keeps its own 38400 8N1. */
    toLine_.setRate(baud_, perChar, nowNs);
}

void Ft232rChip::advance(int64_t nowNs) {
    if (nowNs < lastAdvanceNs_)
        nowNs = lastAdvanceNs_;
    lastAdvanceNs_ = nowNs;
    const bool match = lineMatchesConverter();
    auto answer = [&](int64_t atNs) {
        converter_->tick(atNs);
        for (const auto &reply : converter_->takeReplies())
            if (match)
                fromLine_.push(reinterpret_cast<const uint8_t *>(reply.text.data()), reply.text.size(), atNs);
    };
    /* The box answers each byte when it arrives, not when someone looks. */
    for (const auto &b : toLine_.drain(nowNs)) {
        if (converter_ && match) { /* otherwise framing errors: nothing the box can read */
            size_t before = converter_->receivedRaw().size();
            converter_->receive(b.value, b.doneNs);
            if (converter_->receivedRaw().size() == before + 1)
                noteDataByte(b);
            answer(b.doneNs);
        }
    }
    if (converter_)
        answer(nowNs);
    for (const auto &b : fromLine_.drain(nowNs)) {
        if (rx_.size() < kFromLineBufferSize)
            rx_.push_back(b.value);
        else
            overrun_ = true;
    }
}

uint8_t Ft232rChip::modemStatus() const { return converter_ ? 0x31 : 0x01; /* CTS and DSR from the box */ }

uint8_t Ft232rChip::lineStatus() const {
    uint8_t s = 0;
    if (toLine_.pending() <= 1)
        s |= kThre;
    if (toLine_.pending() == 0)
        s |= kTemt;
    if (overrun_)
        s |= kOverrun;
    return s;
}

Ft232rChip::ControlResult Ft232rChip::control(const SetupPacket &setup, uint8_t *data, size_t *actual, int64_t nowNs) {
    *actual = 0;
    advance(nowNs);
    if ((setup.requestType & 0x60) == 0x40) {
        if (settings_.nakVendorRequests)
            return ControlResult::Nak;
        return vendorRequest(setup, data, actual, nowNs);
    }
    if ((setup.requestType & 0x60) == 0x00)
        return standardRequest(setup, data, actual);
    return ControlResult::Stall;
}

Ft232rChip::ControlResult Ft232rChip::vendorRequest(const SetupPacket &setup, uint8_t *data, size_t *actual,
                                                    int64_t nowNs) {
    const bool in = setup.requestType == kVendorIn, out = setup.requestType == kVendorOut;
    switch (setup.request) {
    case kReset:
        if (!out)
            break;
        if (setup.value == 0 || setup.value == 1) {
            rx_.clear();
            overrun_ = false;
        }
        if (setup.value == 0 || setup.value == 2)
            toLine_.clear();
        return ControlResult::Done;
    case kModemCtrl:
    case kFlowCtrl:
    case kSetEventChar:
    case kSetErrorChar:
    case kSetBitmode:
        return out ? ControlResult::Done : ControlResult::Stall;
    case kSetBaud: {
        unsigned baud = decodeBaud(setup.value, setup.index);
        if (!out || baud == 0)
            break;
        baud_ = baud;
        setLine(nowNs);
        return ControlResult::Done;
    }
    case kSetData:
        if (!out)
            break;
        lineProperties_ = setup.value;
        setLine(nowNs);
        return ControlResult::Done;
    case kPollModemStatus:
        if (!in || setup.length < 2)
            break;
        data[0] = modemStatus();
        data[1] = lineStatus();
        *actual = 2;
        return ControlResult::Done;
    case kSetLatency:
        if (!out)
            break;
        latencyMs_ = setup.value & 0xFF;
        latencyHistory_.push_back(latencyMs_);
        return ControlResult::Done;
    case kGetLatency:
    case kReadPins:
        if (!in || setup.length < 1)
            break;
        data[0] = setup.request == kGetLatency ? static_cast<uint8_t>(latencyMs_) : 0xFF;
        *actual = 1;
        return ControlResult::Done;
    case kReadEeprom: {
        if (!in || setup.length < 2)
            break;
        /* 64 words; higher addresses wrap onto them. */
        size_t word = setup.index & 0x3F;
        data[0] = eeprom_[2 * word];
        data[1] = eeprom_[2 * word + 1];
        *actual = 2;
        return ControlResult::Done;
    }
    case kWriteEeprom: {
        if (!out || (settings_.eepromWritesTaken >= 0 && eepromWrites_ >= settings_.eepromWritesTaken))
            break;
        ++eepromWrites_;
        size_t word = setup.index & 0x3F;
        eeprom_[2 * word] = static_cast<uint8_t>(setup.value);
        eeprom_[2 * word + 1] = static_cast<uint8_t>(setup.value >> 8);
        return ControlResult::Done;
    }
    case kEraseEeprom:
        if (!out)
            break;
        eeprom_.fill(0xFF);
        return ControlResult::Done;
    default:
        break;
    }
    return ControlResult::Stall;
}

std::vector<uint8_t> Ft232rChip::deviceDescriptor() const {
    std::vector<uint8_t> d = {18, 1};
    putLe16(&d, 0x0200);
    d.insert(d.end(), {0, 0, 0, 8});
    putLe16(&d, 0x0403);
    putLe16(&d, 0x6001);
    putLe16(&d, 0x0600);
    d.insert(d.end(), {1, 2, static_cast<uint8_t>(settings_.strings.serial.empty() ? 0 : 3), 1});
    return d;
}

std::vector<uint8_t> Ft232rChip::configDescriptor() const {
    std::vector<uint8_t> c = {9, 2};
    putLe16(&c, 32);
    c.insert(c.end(), {1, 1, 0, 0xA0, 45});
    c.insert(c.end(), {9, 4, 0, 0, 2, 0xFF, 0xFF, 0xFF, 2});
    c.insert(c.end(), {7, 5, kInEndpoint, 2, kPacketSize, 0, 0});
    c.insert(c.end(), {7, 5, kOutEndpoint, 2, kPacketSize, 0, 0});
    return c;
}

bool Ft232rChip::stringDescriptor(uint8_t index, std::string *text) const {
    switch (index) {
    case 1:
        *text = settings_.strings.manufacturer;
        return true;
    case 2:
        *text = settings_.strings.description;
        return true;
    case 3:
        *text = settings_.strings.serial;
        return !text->empty();
    default:
        return false;
    }
}

Ft232rChip::ControlResult Ft232rChip::standardRequest(const SetupPacket &setup, uint8_t *data, size_t *actual) {
    const bool in = (setup.requestType & 0x80) != 0;
    std::vector<uint8_t> reply;
    if (!in)
        return ControlResult::Done; /* SET_CONFIGURATION, SET_FEATURE, ...: accepted */
    switch (setup.request) {
    case 0x00: /* GET_STATUS */
        reply = {0, 0};
        break;
    case 0x08: /* GET_CONFIGURATION */
        reply = {1};
        break;
    case 0x06: { /* GET_DESCRIPTOR */
        uint8_t type = setup.value >> 8, index = setup.value & 0xFF;
        std::string text;
        if (type == 1) {
            reply = deviceDescriptor();
        } else if (type == 2 && index == 0) {
            reply = configDescriptor();
        } else if (type == 3 && index == 0) {
            reply = {4, 3, 0x09, 0x04};
        } else if (type == 3 && stringDescriptor(index, &text)) {
            reply = {static_cast<uint8_t>(2 + 2 * text.size()), 3};
            for (char ch : text)
                putLe16(&reply, static_cast<uint8_t>(ch));
        } else {
            return ControlResult::Stall;
        }
        break;
    }
    default:
        return ControlResult::Stall;
    }
    *actual = copyOut(reply, data, setup.length);
    return ControlResult::Done;
}

size_t Ft232rChip::bulkOut(const uint8_t *data, size_t len, int64_t nowNs) {
    advance(nowNs);
    size_t taken = 0;
    while (taken < len) {
        size_t packet = std::min(kPacketSize, len - taken);
        if (kToLineBufferSize - toLine_.pending() < packet)
            break; /* NAK: the host sends the packet again, whole */
        toLine_.push(data + taken, packet, nowNs);
        taken += packet;
    }
    bytesFromHost_ += taken;
    return taken;
}

int64_t Ft232rChip::roomForNs(size_t n) const {
    if (n > kToLineBufferSize)
        return kNever;
    size_t free = kToLineBufferSize - toLine_.pending();
    return n <= free ? INT64_MIN : toLine_.doneNsOf(n - free - 1);
}

int64_t Ft232rChip::inReadyNs() const {
    const size_t payload = kPacketSize - 2;
    int64_t latency = lastPacketNs_ + static_cast<int64_t>(latencyMs_) * 1000000;
    int64_t full = rx_.size() >= payload ? INT64_MIN : fromLine_.doneNsOf(payload - rx_.size() - 1);
    return std::min(latency, full);
}

int64_t Ft232rChip::nextLineEventNs() const { return std::min(toLine_.nextDoneNs(), fromLine_.nextDoneNs()); }

bool Ft232rChip::busy() const {
    using Mode = sim::ConverterModel::Mode;
    if (toLine_.pending() || fromLine_.pending())
        return true;
    if (!converter_)
        return false;
    Mode m = converter_->mode();
    return m == Mode::Flashing || m == Mode::FirmwareData || m == Mode::Discard;
}

/* The idle time counts the gaps between the bytes of one data phase. */
void Ft232rChip::noteDataByte(const SerialLine::Byte &b) {
    if (converter_->receivedRaw().size() == 1) {
        dataPhase_ = DataPhase{};
        dataPhase_.firstStartNs = b.startNs;
    } else if (b.startNs > dataPhase_.lastDoneNs) {
        const int64_t gap = b.startNs - dataPhase_.lastDoneNs;
        dataPhase_.idleNs += gap;
        ++dataPhase_.gaps;
        dataPhase_.longestGapNs = std::max(dataPhase_.longestGapNs, gap);
    }
    dataPhase_.lastDoneNs = b.doneNs;
    ++dataPhase_.bytes;
}

long Ft232rChip::bulkIn(uint8_t *buf, size_t len, int64_t nowNs, bool *complete) {
    advance(nowNs);
    *complete = false;
    const size_t payload = kPacketSize - 2;
    size_t used = 0;
    auto packet = [&](size_t n) {
        buf[used] = modemStatus();
        buf[used + 1] = lineStatus();
        for (size_t i = 0; i < n; ++i) {
            buf[used + 2 + i] = rx_.front();
            rx_.pop_front();
        }
        used += 2 + n;
        overrun_ = false;
        lastPacketNs_ = nowNs;
    };
    /* A full packet leaves at once; anything less waits for the latency timer. */
    while (rx_.size() >= payload && len - used >= kPacketSize)
        packet(payload);
    if (len - used < kPacketSize) {
        *complete = true; /* no room for another packet */
        return static_cast<long>(used);
    }
    if (nowNs - lastPacketNs_ >= static_cast<int64_t>(latencyMs_) * 1000000) {
        packet(rx_.size());
        *complete = true; /* a short packet ends the transfer */
    }
    return static_cast<long>(used);
}

} // namespace vorne::usbemu
