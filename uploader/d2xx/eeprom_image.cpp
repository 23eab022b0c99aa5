#include "eeprom_image.h"

namespace vorne::d2xx {

uint16_t eepromChecksum(const uint8_t *image, size_t bytes) {
    uint16_t sum = 0xAAAA;
    for (size_t i = 0; i + 3 < bytes; i += 2) {
        sum ^= static_cast<uint16_t>(image[i] | image[i + 1] << 8);
        sum = static_cast<uint16_t>(sum << 1 | sum >> 15);
    }
    return sum;
}

bool eepromChecksumValid(const uint8_t *image, size_t bytes) {
    if (bytes < 4 || bytes % 2)
        return false;
    return eepromChecksum(image, bytes) == (image[bytes - 2] | image[bytes - 1] << 8);
}

void storeEepromChecksum(uint8_t *image, size_t bytes) {
    uint16_t sum = eepromChecksum(image, bytes);
    image[bytes - 2] = static_cast<uint8_t>(sum);
    image[bytes - 1] = static_cast<uint8_t>(sum >> 8);
}

} // namespace vorne::d2xx
