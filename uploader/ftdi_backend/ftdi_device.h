/* One FTDI bridge opened through libftdi1, behind the D2XX calls: the bulk
 * endpoints through a BulkLink (an IN always pending, writes queued as OUT
 * transfers), a receive FIFO of what arrived, and the EEPROM through libftdi's
 * EEPROM API. The kernel's serial driver is detached while open and given
 * back on close. */
#ifndef VORNE_D2XX_FTDI_DEVICE_H
#define VORNE_D2XX_FTDI_DEVICE_H

#include "bulk_link.h"
#include "clock.h"
#include "device_list.h"
#include "ftd2xx.h"
#include "port.h"
#include "receive_fifo.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

struct ftdi_context;

namespace vorne::d2xx {

class FtdiDevice final : public Port {
public:
    /* The bridges on the USB bus (FTDI's vendor id and usual product ids), each
     * listed by its serial number or, without a serial of its own, its USB path. */
    static FT_STATUS list(std::vector<ListedDevice> *devices);
    /* Opens the first bridge whose listed serial (or description, or location)
     * is name; on failure why holds libftdi's reason when it gave one. */
    static FT_STATUS open(const char *name, DWORD flags, std::unique_ptr<FtdiDevice> *device, std::string *why);

    ~FtdiDevice() override;

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
    FT_STATUS eepromReadWord(DWORD offset, WORD *value) override;
    FT_STATUS eepromWriteWord(DWORD offset, WORD value) override;

private:
    FtdiDevice(ftdi_context *ctx, ListedDevice names, DWORD id);
    /* Brings in what the link delivers within waitNs; negative once it failed. */
    int fetch(int64_t waitNs);

    ftdi_context *ctx_;
    ListedDevice names_;
    DWORD id_;
    std::mutex mutex_;
    Clock &clock_;
    ReceiveFifo fifo_;
    BulkLink link_;
    ULONG readTimeoutMs_ = 0;
};

} // namespace vorne::d2xx

#endif
