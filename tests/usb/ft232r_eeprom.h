/* The 128-byte internal EEPROM of an FT232R as the chip holds it: the image a
 * programmed bridge leaves the factory with, the checksum the chip's tools
 * and libftdi agree on, and the strings the chip serves as USB descriptors. */
#ifndef VORNE_TESTS_USB_FT232R_EEPROM_H
#define VORNE_TESTS_USB_FT232R_EEPROM_H

#include <array>
#include <cstdint>
#include <string>

namespace vorne::usbemu {

using Eeprom = std::array<uint8_t, 128>;

struct EepromStrings {
    std::string manufacturer;
    std::string description;
    std::string serial; /* empty: the chip reports no serial number */
};

/* A programmed FT232R: ids 0403:6001, bus powered at 90 mA, VCP driver,
 * the factory CBUS functions, and the three strings. */
Eeprom buildEeprom(const EepromStrings &strings);

/* XOR-and-rotate over words 0 to 62, seeded 0xAAAA; stored little-endian in word 63. */
uint16_t eepromChecksum(const Eeprom &e);
bool checksumValid(const Eeprom &e);
void storeChecksum(Eeprom *e);

/* One string as the chip finds it: byte `lengthAt` holds the descriptor's
 * length, the byte before it the offset (with bit 7 set). Empty when the
 * descriptor is shorter than one character. */
std::string eepromString(const Eeprom &e, int lengthAt);
inline std::string manufacturerOf(const Eeprom &e) { return eepromString(e, 0x0F); }
inline std::string descriptionOf(const Eeprom &e) { return eepromString(e, 0x11); }
inline std::string serialOf(const Eeprom &e) { return eepromString(e, 0x13); }

/* Bit 3 of byte 0 set: the D2XX driver loads; clear: the virtual COM port. */
inline bool vcpDriver(const Eeprom &e) { return (e[0] & 0x08) == 0; }

} // namespace vorne::usbemu

#endif
