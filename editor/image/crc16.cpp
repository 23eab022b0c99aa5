#include "crc16.h"

#include <array>

namespace {

constexpr std::array<quint16, 256> makeTable() {
    std::array<quint16, 256> table{};
    for (unsigned i = 0; i < 256; ++i) {
        unsigned crc = i << 8;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1;
        table[i] = quint16(crc);
    }
    return table;
}

constexpr std::array<quint16, 256> kTable = makeTable();

} // namespace

quint16 crc16Xmodem(const char *data, qsizetype size, quint16 crc) {
    for (qsizetype i = 0; i < size; ++i) {
        const unsigned b = static_cast<unsigned char>(data[i]);
        crc = quint16((crc << 8) ^ kTable[((crc >> 8) ^ b) & 0xFF]);
    }
    return crc;
}
