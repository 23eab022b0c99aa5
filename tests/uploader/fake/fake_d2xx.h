/* A scripted stand-in for the D2XX layer, for unit tests of the link and the
 * protocol: every byte written is recorded, replies are queued as chunks (one
 * chunk per read, so tests decide how a reply is split), and each failure of
 * the layer can be switched on. */
#ifndef VORNE_TESTS_FAKE_D2XX_H
#define VORNE_TESTS_FAKE_D2XX_H

#include "d2xx/ftd2xx.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

struct FakeBridge {
    std::string serial = "FAKE0001";
    FT_DEVICE type = FT_DEVICE_232R;
    std::string description = "FT232R USB VORNE";
    std::string location; // empty: usb:1-N, N its 1-based position
    bool opens = true;
    std::string openFailure; // what VORNE_OpenFailure says when it does not open
    bool infoWorks = true;
    bool eepromReads = true;
    bool eepromPrograms = true;
    std::vector<uint8_t> raw = std::vector<uint8_t>(128, 0x5A); // the words FT_ReadEE/FT_WriteEE see
};

struct FakeLine {
    std::string written;            // every byte the uploader wrote
    std::deque<std::string> chunks; // what the next reads return, one chunk each
    DWORD txStuck = 0;              // transmit count reported after a write (0: drains at once)
    bool statusFails = false;
    bool writeFails = false;
    int getStatusCalls = 0;
    int holdStatus = 0;                               // this many status queries report an empty receive queue
    std::function<void(const std::string &)> onWrite; // the converter's answer to a write
    std::vector<FT_PROGRAM_DATA> programmed;          // what FT_EE_Program received
    std::vector<std::string> programmedDescription;
};

namespace fake {
extern std::vector<FakeBridge> bridges;
extern FakeLine line;
extern bool listFails;
void reset();
} // namespace fake

#endif
