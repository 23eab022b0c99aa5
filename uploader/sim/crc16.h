/* CRC-16/XMODEM (poly 0x1021, init 0, no reflection): the checksum the
 * converter verifies over a configuration image. */
#ifndef VORNE_SIM_CRC16_H
#define VORNE_SIM_CRC16_H

#include <cstddef>
#include <cstdint>

namespace vorne::sim {

uint16_t crc16Xmodem(const uint8_t *data, size_t len);

} // namespace vorne::sim

#endif
