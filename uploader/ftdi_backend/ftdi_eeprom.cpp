#include "ftdi_eeprom.h"

#include "ftdi_mapping.h"

#include <array>
#include <cstdint>
#include <ftdi.h>
#include <string>

namespace vorne::d2xx {

namespace {

constexpr int kLargestImage = 256;
/* Where the image keeps each string's length in bytes (descriptor header included). */
constexpr int kManufacturerLength = 0x0F;
constexpr int kProductLength = 0x11;
constexpr int kSerialLength = 0x13;

using Image = std::array<unsigned char, kLargestImage>;

Image imageOf(ftdi_context *ctx) {
    Image image{};
    ftdi_get_eeprom_buf(ctx, image.data(), kLargestImage);
    return image;
}

/* libftdi leaves a string whose length byte is below 2 unset, and
 * ftdi_eeprom_get_strings would copy from the null pointer. */
char *decodedString(const Image &image, int lengthAt, char *buffer) {
    return image[static_cast<size_t>(lengthAt)] / 2 > 0 ? buffer : nullptr;
}

} // namespace

bool eepromImageValid(ftdi_context *ctx) {
    int size = 0;
    if (ftdi_get_eeprom_value(ctx, CHIP_SIZE, &size) < 0 || (size != 0x40 && size != 0x80 && size != 0x100))
        return false;
    const Image image = imageOf(ctx);
    uint16_t sum = 0xAAAA;
    for (int word = 0; word < size / 2 - 1; ++word) {
        if (ctx->type == TYPE_230X && word >= 0x12 && word < 0x40)
            continue; /* the X series' user area lies outside the sum */
        auto value =
            static_cast<uint16_t>(image[static_cast<size_t>(2 * word)] | image[static_cast<size_t>(2 * word + 1)] << 8);
        sum = static_cast<uint16_t>(sum ^ value);
        sum = static_cast<uint16_t>(sum << 1 | sum >> 15);
    }
    auto stored =
        static_cast<uint16_t>(image[static_cast<size_t>(size - 2)] | image[static_cast<size_t>(size - 1)] << 8);
    return sum == stored;
}

FT_STATUS decodeEepromImage(ftdi_context *ctx, FT_PROGRAM_DATA *data) {
    if (!eepromImageValid(ctx) || ftdi_eeprom_decode(ctx, 0) < 0)
        return FT_EEPROM_READ_FAILED;
    const Image image = imageOf(ctx);
    char manufacturer[kEepromStringSize] = {}, product[kEepromStringSize] = {}, serial[kEepromStringSize] = {};
    if (ftdi_eeprom_get_strings(ctx, decodedString(image, kManufacturerLength, manufacturer), sizeof manufacturer,
                                decodedString(image, kProductLength, product), sizeof product,
                                decodedString(image, kSerialLength, serial), sizeof serial) < 0)
        return FT_EEPROM_READ_FAILED;
    FtdiEeprom eeprom;
    eeprom.manufacturer = manufacturer;
    eeprom.product = product;
    eeprom.serial = serial;
    for (int name : mappedEepromValues()) {
        int value = 0;
        if (ftdi_get_eeprom_value(ctx, static_cast<ftdi_eeprom_value>(name), &value) == 0)
            eeprom.values[name] = value;
    }
    decodeProgramData(eeprom, d2xxChipType(ctx->type), data);
    return FT_OK;
}

FT_STATUS readEepromRecord(EepromChip &chip, FT_PROGRAM_DATA *data) {
    if (chip.readImage() < 0)
        return FT_EEPROM_READ_FAILED;
    return decodeEepromImage(chip.context(), data);
}

FT_STATUS programEepromRecord(EepromChip &chip, const FT_PROGRAM_DATA &data, unsigned char latencyMs) {
    ftdi_context *ctx = chip.context();
    const FT_DEVICE type = d2xxChipType(ctx->type);
    FtdiEeprom eeprom;
    encodeProgramData(data, type, &eeprom);
    if (chip.readImage() < 0)
        return FT_EEPROM_READ_FAILED;
    if (!eepromImageValid(ctx) || ftdi_eeprom_decode(ctx, 0) < 0) {
        /* A blank chip: libftdi's defaults for its type. */
        std::string m = eeprom.manufacturer, p = eeprom.product, s = eeprom.serial;
        if (ftdi_eeprom_initdefaults(ctx, &m[0], &p[0], &s[0]) < 0)
            return FT_EEPROM_WRITE_FAILED;
    }
    for (const auto &v : eeprom.values) {
        if (ftdi_set_eeprom_value(ctx, static_cast<ftdi_eeprom_value>(v.first), v.second) < 0)
            return FT_EEPROM_WRITE_FAILED;
    }
    if (ftdi_eeprom_set_strings(ctx, eeprom.manufacturer.c_str(), eeprom.product.c_str(), eeprom.serial.c_str()) < 0 ||
        ftdi_eeprom_build(ctx) < 0)
        return FT_EEPROM_WRITE_FAILED;
    int written = chip.writeImage();
    /* Writing leaves the chip's slow EEPROM latency behind, which would stretch every later poll. */
    chip.setLatency(latencyMs);
    if (written < 0)
        return FT_EEPROM_WRITE_FAILED;

    char m[kEepromStringSize], mi[kEepromStringSize], d[kEepromStringSize], s[kEepromStringSize];
    FT_PROGRAM_DATA back{};
    back.Signature2 = 0xFFFFFFFFu;
    back.Manufacturer = m;
    back.ManufacturerId = mi;
    back.Description = d;
    back.SerialNumber = s;
    if (readEepromRecord(chip, &back) != FT_OK || !sameProgramData(data, back, type))
        return FT_EEPROM_WRITE_FAILED;
    return FT_OK;
}

} // namespace vorne::d2xx
