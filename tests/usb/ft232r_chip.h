/* An FT232R as its USB side and its UART see it: the vendor requests libftdi
 * sends, the EEPROM, bulk IN packets that start with the two status bytes and
 * leave at least once per latency period, and bulk OUT packets taken whole
 * when the buffer has room for them, whose bytes leave the UART at the baud
 * rate set. The converter model sits on the far end of the line. Time only
 * moves through the timestamps given, so the chip has no thread of its own:
 * whoever serves the USB requests calls in with "now", and asks the chip when
 * the next thing will happen. */
#ifndef VORNE_TESTS_USB_FT232R_CHIP_H
#define VORNE_TESTS_USB_FT232R_CHIP_H

#include "converter_model.h"
#include "ft232r_eeprom.h"
#include "serial_line.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace vorne::usbemu {

struct SetupPacket {
    uint8_t requestType;
    uint8_t request;
    uint16_t value;
    uint16_t index;
    uint16_t length;
};

class Ft232rChip {
public:
    struct Settings {
        EepromStrings strings{"FTDI", "FT232R USB UART", "A1000001"};
        /* The EEPROM the chip holds; unset: one built from the strings. */
        bool customEeprom = false;
        Eeprom eeprom{};
        bool converterAttached = true;
        sim::ConverterModel::Settings converter;
        bool nakVendorRequests = false; /* never answers the chip's own control requests */
        /* Takes this many EEPROM word writes, then stalls every further one, as
         * a write cut short leaves the chip (negative: no limit). */
        long eepromWritesTaken = -1;
    };

    enum class ControlResult { Done, Stall, Nak };

    static constexpr uint8_t kInEndpoint = 0x81;
    static constexpr uint8_t kOutEndpoint = 0x02;
    static constexpr size_t kPacketSize = 64;
    /* The datasheet names the buffers after the USB side: its 128-byte "RX
     * buffer" holds what came over bulk OUT for the UART transmitter, its
     * 256-byte "TX buffer" what the UART receiver got for bulk IN. */
    static constexpr size_t kToLineBufferSize = 128;
    static constexpr size_t kFromLineBufferSize = 256;
    static constexpr int64_t kNever = SerialLine::kNever;

    /* The converter's last data phase as its line saw it. */
    struct DataPhase {
        uint64_t bytes = 0;
        int64_t firstStartNs = 0; /* start bit of the first byte */
        int64_t lastDoneNs = 0;   /* stop bit of the last */
        int64_t idleNs = 0;       /* between the two, the transmitter had nothing to send */
        uint64_t gaps = 0;        /* idle stretches, and the longest of them */
        int64_t longestGapNs = 0;
        double seconds() const { return bytes ? static_cast<double>(lastDoneNs - firstStartNs) / 1e9 : 0.0; }
    };

    explicit Ft232rChip(Settings settings);

    /* A control transfer; data holds length bytes (IN: filled, *actual set). */
    ControlResult control(const SetupPacket &setup, uint8_t *data, size_t *actual, int64_t nowNs);
    /* Bulk OUT of a transfer's remaining bytes (data starts on a packet
     * boundary): takes whole packets, 64 bytes or the shorter last one, while
     * the buffer has room for all of a packet, and NAKs the rest. Returns the
     * bytes taken. */
    size_t bulkOut(const uint8_t *data, size_t len, int64_t nowNs);
    /* Bulk IN into a buffer of len bytes: the packets the chip sends by now.
     * Returns the bytes added; *complete once a short packet ended the
     * transfer or the buffer is full. */
    long bulkIn(uint8_t *buf, size_t len, int64_t nowNs, bool *complete);

    /* Moves the line up to nowNs: bytes leave the UART, the converter answers. */
    void advance(int64_t nowNs);

    /* When the buffer towards the line has room for a packet of n bytes
     * (INT64_MIN: it has now; kNever: it never will). */
    int64_t roomForNs(size_t n) const;
    /* When a pending bulk IN has something to carry: the latency timer runs
     * out, or a full packet's data has come in. */
    int64_t inReadyNs() const;
    /* When the next byte leaves the transmitter or the receiver completes one. */
    int64_t nextLineEventNs() const;
    /* Bytes on the line, or the box waits out a time of its own (flashing, an idle line). */
    bool busy() const;

    const Eeprom &eeprom() const { return eeprom_; }
    const EepromStrings &usbStrings() const { return settings_.strings; }
    unsigned latencyMs() const { return latencyMs_; }
    unsigned baudRate() const { return baud_; }
    /* Every latency the host set, in order. */
    const std::vector<unsigned> &latencyHistory() const { return latencyHistory_; }
    uint64_t bytesFromHost() const { return bytesFromHost_; }
    const DataPhase &dataPhase() const { return dataPhase_; }
    const sim::ConverterModel *converter() const { return converter_.get(); }
    /* USB string descriptor index -> text (1 manufacturer, 2 product, 3 serial). */
    bool stringDescriptor(uint8_t index, std::string *text) const;
    std::vector<uint8_t> deviceDescriptor() const;
    std::vector<uint8_t> configDescriptor() const;

private:
    ControlResult vendorRequest(const SetupPacket &setup, uint8_t *data, size_t *actual, int64_t nowNs);
    ControlResult standardRequest(const SetupPacket &setup, uint8_t *data, size_t *actual);
    void setLine(int64_t nowNs);
    void noteDataByte(const SerialLine::Byte &b);
    bool lineMatchesConverter() const;
    uint8_t modemStatus() const;
    uint8_t lineStatus() const;

    Settings settings_;
    Eeprom eeprom_;
    std::unique_ptr<sim::ConverterModel> converter_;
    unsigned latencyMs_ = 16;
    std::vector<unsigned> latencyHistory_;
    unsigned baud_ = 9600;
    uint16_t lineProperties_ = 0x0008; /* 8N1 */
    SerialLine toLine_;                /* buffer towards the line and the transmitter */
    SerialLine fromLine_;              /* the converter's bytes on their way in */
    std::deque<uint8_t> rx_;           /* buffer towards USB */
    bool overrun_ = false;
    int64_t lastPacketNs_ = 0;
    int64_t lastAdvanceNs_ = 0;
    uint64_t bytesFromHost_ = 0;
    long eepromWrites_ = 0;
    DataPhase dataPhase_;
};

} // namespace vorne::usbemu

#endif
