#include "ft232r_eeprom.h"

namespace vorne::usbemu {

namespace {
constexpr int kStringsStart = 0x18;
constexpr int kChecksumWord = 63;

/* Writes one string descriptor (length, type 3, UTF-16LE) and its pointer pair. */
int putString(Eeprom *e, int at, int pointerAt, const std::string &text) {
    int len = 2 + 2 * static_cast<int>(text.size());
    (*e)[static_cast<size_t>(pointerAt)] = static_cast<uint8_t>(0x80 | at);
    (*e)[static_cast<size_t>(pointerAt + 1)] = static_cast<uint8_t>(len);
    (*e)[static_cast<size_t>(at)] = static_cast<uint8_t>(len);
    (*e)[static_cast<size_t>(at + 1)] = 0x03;
    for (size_t i = 0; i < text.size(); ++i)
        (*e)[static_cast<size_t>(at + 2) + 2 * i] = static_cast<uint8_t>(text[i]);
    return at + len;
}
} // namespace

Eeprom buildEeprom(const EepromStrings &strings) {
    Eeprom e{};
    e[0x00] = 0x08; /* D2XX, so that a rewrite to VCP shows */
    e[0x01] = 0x40; /* endpoint size */
    e[0x02] = 0x03; /* 0x0403 */
    e[0x03] = 0x04;
    e[0x04] = 0x01; /* 0x6001 */
    e[0x05] = 0x60;
    e[0x06] = 0x00; /* release 0x0600 */
    e[0x07] = 0x06;
    e[0x08] = 0xA0;                                 /* bus powered, remote wake-up */
    e[0x09] = 45;                                   /* 90 mA in 2 mA units */
    e[0x0A] = strings.serial.empty() ? 0x00 : 0x08; /* serial number enable */
    e[0x0C] = 0x00;                                 /* USB 2.0 */
    e[0x0D] = 0x02;
    e[0x14] = 0x23; /* CBUS0 TXLED, CBUS1 RXLED */
    e[0x15] = 0x10; /* CBUS2 TXDEN, CBUS3 PWREN */
    e[0x16] = 0x05; /* CBUS4 SLEEP */
    int at = putString(&e, kStringsStart, 0x0E, strings.manufacturer);
    at = putString(&e, at, 0x10, strings.description);
    putString(&e, at, 0x12, strings.serial);
    storeChecksum(&e);
    return e;
}

uint16_t eepromChecksum(const Eeprom &e) {
    uint16_t sum = 0xAAAA;
    for (int i = 0; i < kChecksumWord; ++i) {
        uint16_t word = static_cast<uint16_t>(e[2 * i] | (e[2 * i + 1] << 8));
        sum = static_cast<uint16_t>(sum ^ word);
        sum = static_cast<uint16_t>((sum << 1) | (sum >> 15));
    }
    return sum;
}

bool checksumValid(const Eeprom &e) {
    return eepromChecksum(e) == static_cast<uint16_t>(e[2 * kChecksumWord] | (e[2 * kChecksumWord + 1] << 8));
}

void storeChecksum(Eeprom *e) {
    uint16_t sum = eepromChecksum(*e);
    (*e)[2 * kChecksumWord] = static_cast<uint8_t>(sum);
    (*e)[2 * kChecksumWord + 1] = static_cast<uint8_t>(sum >> 8);
}

std::string eepromString(const Eeprom &e, int lengthAt) {
    int chars = e[static_cast<size_t>(lengthAt)] / 2 - 1;
    int at = e[static_cast<size_t>(lengthAt - 1)] & 0x7F;
    std::string text;
    for (int i = 0; i < chars && at + 2 + 2 * i < static_cast<int>(e.size()); ++i)
        text += static_cast<char>(e[static_cast<size_t>(at + 2 + 2 * i)]);
    return text;
}

} // namespace vorne::usbemu
