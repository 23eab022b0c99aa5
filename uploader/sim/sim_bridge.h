/* One simulated FTDI bridge: its EEPROM, its transmit queue paced at the
 * line rate, its receive queue, and what sits on its serial line. Every call
 * takes the bridge's lock, so a transfer thread and the main thread may hold
 * handles to it. */
#ifndef VORNE_SIM_BRIDGE_H
#define VORNE_SIM_BRIDGE_H

#include "clock.h"
#include "eeprom_image.h"
#include "ftd2xx.h"
#include "line_endpoint.h"
#include "port.h"
#include "rx_stream.h"
#include "scenario.h"
#include "tx_pacer.h"

#include <array>
#include <memory>
#include <mutex>
#include <string>

namespace vorne::sim {

class SimBridge final : public d2xx::Port {
public:
    SimBridge(BridgeConfig config, d2xx::Clock &clock);

    const BridgeConfig &config() const { return config_; }
    /* Unplugged: no longer listed, every call fails with FT_IO_ERROR. */
    bool gone() const;
    std::string serial() const;
    std::string description() const;
    std::string location() const { return config_.location; }
    /* What the bus lists it by: its serial, or its location while it has no
     * serial of its own or its raw EEPROM fails the checksum (a real chip
     * comes up without its strings then). */
    std::string listedName() const;

    /* why: beyond the status, what kept it from opening. */
    FT_STATUS open(std::string *why);
    FT_STATUS close();
    FT_STATUS reset() override;
    FT_STATUS setTimeouts(ULONG readMs, ULONG writeMs) override;
    FT_STATUS setBaudRate(ULONG baud) override;
    FT_STATUS setDataCharacteristics(UCHAR bits, UCHAR stop, UCHAR parity) override;
    FT_STATUS status(DWORD *rx, DWORD *tx) override;
    FT_STATUS read(uint8_t *buf, DWORD len, DWORD *got) override;
    FT_STATUS write(const uint8_t *buf, DWORD len, DWORD *written) override;
    FT_STATUS deviceInfo(FT_DEVICE *type, DWORD *id, char *serial, char *description) override;
    FT_STATUS eepromRead(FT_PROGRAM_DATA *data) override;
    FT_STATUS eepromProgram(const FT_PROGRAM_DATA *data) override;
    /* The raw words are an image of their own, beside the record: blank but for its checksum. */
    FT_STATUS eepromReadWord(DWORD offset, WORD *value) override;
    FT_STATUS eepromWriteWord(DWORD offset, WORD value) override;

private:
    FT_STATUS usable() const;
    bool rawEepromValid() const;
    void pump();
    void writeEepromOut() const;

    BridgeConfig config_;
    d2xx::Clock &clock_;
    mutable std::mutex mutex_;
    bool open_ = false;
    bool gone_ = false;
    ULONG readTimeoutMs_ = 0;
    d2xx::TxPacer tx_;
    RxStream rx_;
    std::unique_ptr<LineEndpoint> line_;
    FT_PROGRAM_DATA ee_{};
    std::array<uint8_t, d2xx::kFt232rEepromBytes> raw_{};
    std::string manufacturer_, manufacturerId_, description_, serial_;
};

} // namespace vorne::sim

#endif
