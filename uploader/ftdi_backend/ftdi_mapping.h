/* Translations between the D2XX view and libftdi's, kept free of USB calls so
 * they can be proven without hardware: chip types, line settings, and the
 * EEPROM record (FT_PROGRAM_DATA) against libftdi's EEPROM values. */
#ifndef VORNE_D2XX_FTDI_MAPPING_H
#define VORNE_D2XX_FTDI_MAPPING_H

#include "device_list.h"
#include "ftd2xx.h"

#include <map>
#include <string>
#include <vector>

namespace vorne::d2xx {

/* libftdi's decoded EEPROM: values by their ftdi_eeprom_value name, and the strings. */
struct FtdiEeprom {
    std::map<int, int> values;
    std::string manufacturer;
    std::string product; /* the D2XX Description */
    std::string serial;
};

/* The D2XX device type of a libftdi chip type (enum ftdi_chip_type). */
FT_DEVICE d2xxChipType(int ftdiChipType);

/* The name of a bridge by where it is plugged in: "usb:" with the bus and the
 * port path, as in "usb:1-2.4". */
std::string usbPathName(int bus, const std::vector<int> &ports);

/* Gives each bridge a serial that FT_OpenEx finds it by: a bridge without a
 * serial number, or one that shares it with another, is named by its USB path
 * (paths[i] for devices[i]). Every bridge's path is also its location. */
void nameBridges(std::vector<ListedDevice> *devices, const std::vector<std::string> &paths);

/* libftdi's line settings for the D2XX ones; false when a value has no equivalent. */
bool ftdiLineProperties(UCHAR wordLength, UCHAR stopBits, UCHAR parity, int *bits, int *stop, int *par);

/* The ftdi_eeprom_value names the mapping reads and writes. */
const std::vector<int> &mappedEepromValues();

/* Fills the record from libftdi's values; the strings go into the caller's
 * buffers (cut to kEepromStringSize - 1 characters). Header fields are left alone. */
void decodeProgramData(const FtdiEeprom &eeprom, FT_DEVICE chip, FT_PROGRAM_DATA *data);

/* Sets libftdi's values and strings from the record; values of other chip families stay. */
void encodeProgramData(const FT_PROGRAM_DATA &data, FT_DEVICE chip, FtdiEeprom *eeprom);

/* Whether two records agree on every field the chip family stores (the read-back check). */
bool sameProgramData(const FT_PROGRAM_DATA &a, const FT_PROGRAM_DATA &b, FT_DEVICE chip);

constexpr size_t kEepromStringSize = 64;

} // namespace vorne::d2xx

#endif
