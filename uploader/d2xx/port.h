/* One open bridge as the D2XX calls see it. The shared front checks the
 * caller's arguments and finds the port behind a handle; each backend's port
 * does the work. A port may be called from several threads at once. */
#ifndef VORNE_D2XX_PORT_H
#define VORNE_D2XX_PORT_H

#include "ftd2xx.h"

#include <cstdint>

namespace vorne::d2xx {

class Port {
public:
    virtual ~Port() = default;

    /* Purges both queues. */
    virtual FT_STATUS reset() = 0;
    virtual FT_STATUS setTimeouts(ULONG readMs, ULONG writeMs) = 0;
    virtual FT_STATUS setBaudRate(ULONG baud) = 0;
    virtual FT_STATUS setDataCharacteristics(UCHAR bits, UCHAR stop, UCHAR parity) = 0;
    /* rx and tx may be null. */
    virtual FT_STATUS status(DWORD *rx, DWORD *tx) = 0;
    /* buf and got are never null. */
    virtual FT_STATUS read(uint8_t *buf, DWORD len, DWORD *got) = 0;
    /* written is never null; buf only when len is 0. */
    virtual FT_STATUS write(const uint8_t *buf, DWORD len, DWORD *written) = 0;
    /* Any out pointer may be null; serial and description hold at least 64 bytes. */
    virtual FT_STATUS deviceInfo(FT_DEVICE *type, DWORD *id, char *serial, char *description) = 0;
    /* data is passed through unchecked: each backend validates the record itself. */
    virtual FT_STATUS eepromRead(FT_PROGRAM_DATA *data) = 0;
    virtual FT_STATUS eepromProgram(const FT_PROGRAM_DATA *data) = 0;
    /* Raw words of the EEPROM; value is never null. */
    virtual FT_STATUS eepromReadWord(DWORD offset, WORD *value) = 0;
    virtual FT_STATUS eepromWriteWord(DWORD offset, WORD value) = 0;

protected:
    Port() = default;
    Port(const Port &) = delete;
    Port &operator=(const Port &) = delete;
};

} // namespace vorne::d2xx

#endif
