/* The bridge's EEPROM through libftdi: the image in a context's buffer,
 * decoded into and built from the D2XX record. Only the chip transfers go
 * through EepromChip, so everything else runs on libftdi's own build and
 * decode without a chip. */
#ifndef VORNE_D2XX_FTDI_EEPROM_H
#define VORNE_D2XX_FTDI_EEPROM_H

#include "ftd2xx.h"

struct ftdi_context;

namespace vorne::d2xx {

/* The transfers between a context's EEPROM buffer and the chip. */
class EepromChip {
public:
    virtual ~EepromChip() = default;
    virtual ftdi_context *context() = 0;
    virtual int readImage() = 0;  /* chip -> buffer, as ftdi_read_eeprom */
    virtual int writeImage() = 0; /* buffer -> chip, as ftdi_write_eeprom */
    virtual int setLatency(unsigned char ms) = 0;
};

/* Whether the image in the context's buffer carries a valid checksum (a blank
 * chip does not). Checked here because libftdi complains on stderr. */
bool eepromImageValid(ftdi_context *ctx);

/* Decodes the image in the context's buffer into the record; a blank or
 * corrupt image is FT_EEPROM_READ_FAILED. */
FT_STATUS decodeEepromImage(ftdi_context *ctx, FT_PROGRAM_DATA *data);

FT_STATUS readEepromRecord(EepromChip &chip, FT_PROGRAM_DATA *data);

/* Writes the record over what the chip holds (fields the record doesn't carry
 * keep their values), puts the latency timer back to latencyMs, and counts as
 * done only when the chip reads back what was written. */
FT_STATUS programEepromRecord(EepromChip &chip, const FT_PROGRAM_DATA &data, unsigned char latencyMs);

} // namespace vorne::d2xx

#endif
