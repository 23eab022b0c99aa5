/* An FTDI bridge's EEPROM as the chip holds it: little-endian 16-bit words,
 * the last one a checksum over all the others. The FT232R's internal EEPROM
 * has 64 words. */
#ifndef VORNE_D2XX_EEPROM_IMAGE_H
#define VORNE_D2XX_EEPROM_IMAGE_H

#include <cstddef>
#include <cstdint>

namespace vorne::d2xx {

constexpr size_t kFt232rEepromBytes = 128;

/* XOR and rotate left over every word but the last, seeded with 0xAAAA. */
uint16_t eepromChecksum(const uint8_t *image, size_t bytes);
/* Whether the last word of an image of an even size of at least 4 bytes holds its checksum. */
bool eepromChecksumValid(const uint8_t *image, size_t bytes);
void storeEepromChecksum(uint8_t *image, size_t bytes);

} // namespace vorne::d2xx

#endif
