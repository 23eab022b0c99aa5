/* The backend's EEPROM reads and writes over libftdi's own build and decode:
 * the chip is a 256-byte memory, so every value the tests see is one libftdi
 * really produces. */
#include "ftd2xx.h"
#include "ftdi_eeprom.h"
#include "ftdi_mapping.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <ftdi.h>
#include <string>

using namespace vorne::d2xx;

namespace {

constexpr unsigned char kOurLatency = 2;
constexpr unsigned char kEepromWriteLatency = 0x77; /* what ftdi_write_eeprom leaves on the chip */

/* A bridge whose EEPROM is plain memory. libftdi's defaults and string setters
 * only ask that a device be open, so the context gets a handle that is never used. */
class MemoryChip final : public EepromChip {
public:
    MemoryChip(ftdi_chip_type type, const char *product, const char *serial) : MemoryChip(type) {
        char manufacturer[] = "FTDI";
        std::string p = product, s = serial;
        ftdi_eeprom_initdefaults(ctx_, manufacturer, &p[0], &s[0]);
        ftdi_eeprom_build(ctx_);
        ftdi_get_eeprom_buf(ctx_, memory.data(), static_cast<int>(memory.size()));
    }
    /* Never programmed: every byte erased. */
    explicit MemoryChip(ftdi_chip_type type) : ctx_(ftdi_new()) {
        ctx_->type = type;
        ctx_->usb_dev = reinterpret_cast<libusb_device_handle *>(&unusedHandle_);
        memory.fill(0xFF);
    }
    ~MemoryChip() override {
        ctx_->usb_dev = nullptr;
        ftdi_free(ctx_);
    }
    MemoryChip(const MemoryChip &) = delete;
    MemoryChip &operator=(const MemoryChip &) = delete;

    ftdi_context *context() override { return ctx_; }
    int readImage() override {
        return unplugged ? -1 : ftdi_set_eeprom_buf(ctx_, memory.data(), static_cast<int>(memory.size()));
    }
    int writeImage() override {
        ++writes;
        latency = kEepromWriteLatency;
        if (writeFails)
            return -1;
        return ftdi_get_eeprom_buf(ctx_, memory.data(), static_cast<int>(memory.size()));
    }
    int setLatency(unsigned char ms) override {
        latency = ms;
        return 0;
    }

    /* Puts a new checksum on the memory, the way the chip's loader checks it. */
    void resign(int size = 0x80) {
        uint16_t sum = 0xAAAA;
        for (int word = 0; word < size / 2 - 1; ++word) {
            sum = static_cast<uint16_t>(sum ^ (memory[2 * word] | memory[2 * word + 1] << 8));
            sum = static_cast<uint16_t>(sum << 1 | sum >> 15);
        }
        memory[size - 2] = static_cast<unsigned char>(sum);
        memory[size - 1] = static_cast<unsigned char>(sum >> 8);
    }

    std::array<unsigned char, 256> memory{};
    unsigned char latency = kOurLatency;
    int writes = 0;
    bool writeFails = false; /* the write breaks off after libftdi set its latency */
    bool unplugged = false;

private:
    ftdi_context *ctx_;
    int unusedHandle_ = 0;
};

struct Record {
    char m[256] = {}, mi[256] = {}, d[256] = {}, s[256] = {};
    FT_PROGRAM_DATA data{};
    Record() {
        data.Signature2 = 0xFFFFFFFF;
        data.Manufacturer = m;
        data.ManufacturerId = mi;
        data.Description = d;
        data.SerialNumber = s;
    }
};

constexpr unsigned char kDriverBit = 0x08; /* byte 0 (channel A) and 1 (channel B) */

} // namespace

TEST(FtdiEeprom, Ft232rDriverFlagFollowsTheChip) {
    MemoryChip chip(TYPE_R, "FT232R USB UART", "A1B2C3D4");
    Record r;
    ASSERT_EQ(readEepromRecord(chip, &r.data), FT_OK);
    EXPECT_STREQ(r.d, "FT232R USB UART");
    EXPECT_STREQ(r.s, "A1B2C3D4");
    EXPECT_EQ(r.data.RIsD2XX, (chip.memory[0] & kDriverBit) ? 1 : 0);

    chip.memory[0] ^= kDriverBit;
    chip.resign();
    ASSERT_EQ(readEepromRecord(chip, &r.data), FT_OK);
    EXPECT_EQ(r.data.RIsD2XX, (chip.memory[0] & kDriverBit) ? 1 : 0);
}

TEST(FtdiEeprom, IdentityRewriteProgramsAndReadsBack) {
    MemoryChip chip(TYPE_R, "FT232R USB UART", "A1B2C3D4");
    Record r;
    for (UCHAR start : {0, 1}) {
        ASSERT_EQ(readEepromRecord(chip, &r.data), FT_OK);
        r.data.RIsD2XX = start; /* from either driver */
        ASSERT_EQ(programEepromRecord(chip, r.data, kOurLatency), FT_OK);

        std::strcpy(r.d, "FT232R USB VORNE");
        r.data.RIsD2XX = 0;
        EXPECT_EQ(programEepromRecord(chip, r.data, kOurLatency), FT_OK) << "from RIsD2XX " << int(start);
        EXPECT_EQ(chip.memory[0] & kDriverBit, 0) << "a set bit asks for D2XX";

        Record back;
        ASSERT_EQ(readEepromRecord(chip, &back.data), FT_OK);
        EXPECT_STREQ(back.d, "FT232R USB VORNE");
        EXPECT_STREQ(back.s, "A1B2C3D4");
        EXPECT_EQ(back.data.RIsD2XX, 0);
    }
}

TEST(FtdiEeprom, Ft2232cVcpFlagsPerChannel) {
    MemoryChip chip(TYPE_2232C, "Dual RS232", "FT2232A");
    Record r;
    ASSERT_EQ(readEepromRecord(chip, &r.data), FT_OK);
    for (UCHAR a : {0, 1}) {
        for (UCHAR b : {0, 1}) {
            r.data.AIsVCP = a;
            r.data.BIsVCP = b;
            ASSERT_EQ(programEepromRecord(chip, r.data, kOurLatency), FT_OK) << int(a) << int(b);
            EXPECT_EQ((chip.memory[0] & kDriverBit) != 0, a == 1);
            EXPECT_EQ((chip.memory[1] & kDriverBit) != 0, b == 1);
            Record back;
            ASSERT_EQ(readEepromRecord(chip, &back.data), FT_OK);
            EXPECT_EQ(back.data.AIsVCP, a);
            EXPECT_EQ(back.data.BIsVCP, b);
        }
    }
}

TEST(FtdiEeprom, Ft232rFieldsSurviveTheChip) {
    MemoryChip chip(TYPE_R, "FT232R USB UART", "A1B2C3D4");
    Record r;
    ASSERT_EQ(readEepromRecord(chip, &r.data), FT_OK);
    std::strcpy(r.m, "Maker");
    std::strcpy(r.s, "SN42");
    r.data.MaxPower = 100;
    r.data.SelfPowered = 1;
    r.data.RemoteWakeup = 1;
    r.data.HighDriveIOs = 1;
    r.data.PullDownEnableR = 1;
    r.data.InvertTXD = r.data.InvertRI = 1;
    r.data.Cbus0 = CBUS_TXLED;
    r.data.Cbus2 = CBUS_CLK12;
    r.data.RIsD2XX = 1;
    ASSERT_EQ(programEepromRecord(chip, r.data, kOurLatency), FT_OK);
    Record back;
    ASSERT_EQ(readEepromRecord(chip, &back.data), FT_OK);
    EXPECT_TRUE(sameProgramData(r.data, back.data, FT_DEVICE_232R));
    EXPECT_STREQ(back.m, "Maker");
    EXPECT_EQ(back.data.MaxPower, 100);
    EXPECT_EQ(back.data.InvertRI, 1);
    EXPECT_EQ(back.data.Cbus2, CBUS_CLK12);
    EXPECT_EQ(back.data.RIsD2XX, 1);
}

TEST(FtdiEeprom, FailedTransfersAreReported) {
    MemoryChip chip(TYPE_R, "FT232R USB UART", "A1B2C3D4");
    Record r;
    ASSERT_EQ(readEepromRecord(chip, &r.data), FT_OK);
    chip.writeFails = true;
    EXPECT_EQ(programEepromRecord(chip, r.data, kOurLatency), FT_EEPROM_WRITE_FAILED);
    EXPECT_EQ(chip.latency, kOurLatency);
    chip.unplugged = true;
    EXPECT_EQ(readEepromRecord(chip, &r.data), FT_EEPROM_READ_FAILED);
    EXPECT_EQ(programEepromRecord(chip, r.data, kOurLatency), FT_EEPROM_READ_FAILED);
}

TEST(FtdiEeprom, ProgrammingGivesBackOurLatency) {
    MemoryChip chip(TYPE_R, "FT232R USB UART", "A1B2C3D4");
    Record r;
    ASSERT_EQ(readEepromRecord(chip, &r.data), FT_OK);
    std::strcpy(r.d, "FT232R USB VORNE");
    ASSERT_EQ(programEepromRecord(chip, r.data, kOurLatency), FT_OK);
    EXPECT_EQ(chip.writes, 1);
    EXPECT_EQ(chip.latency, kOurLatency);
}

/* A string whose length byte says less than one character: libftdi decodes it
 * as no string at all. Each of the three, with lengths 0 and 1. */
TEST(FtdiEeprom, StringsShorterThanOneCharacterReadAsEmpty) {
    for (int lengthAt : {0x0F, 0x11, 0x13}) {
        for (unsigned char length : {0, 1}) {
            MemoryChip chip(TYPE_R, "FT232R USB VORNE", "A1B2C3D4");
            chip.memory[static_cast<size_t>(lengthAt)] = length;
            chip.resign();
            Record r;
            ASSERT_EQ(readEepromRecord(chip, &r.data), FT_OK) << lengthAt << " " << int(length);
            EXPECT_STREQ(lengthAt == 0x0F ? r.m : lengthAt == 0x11 ? r.d : r.s, "");
            EXPECT_STREQ(lengthAt == 0x11 ? r.s : r.d, lengthAt == 0x11 ? "A1B2C3D4" : "FT232R USB VORNE");
        }
    }
}

TEST(FtdiEeprom, EmptyStringsRoundTrip) {
    MemoryChip chip(TYPE_R, "", "");
    Record r;
    ASSERT_EQ(readEepromRecord(chip, &r.data), FT_OK);
    EXPECT_STREQ(r.d, "");
    EXPECT_STREQ(r.s, "");
    ASSERT_EQ(programEepromRecord(chip, r.data, kOurLatency), FT_OK);
}

/* A bad checksum is a failed read, told only through the caller's own message. */
TEST(FtdiEeprom, CorruptOrBlankImageFailsQuietly) {
    MemoryChip chip(TYPE_R, "FT232R USB VORNE", "A1B2C3D4");
    chip.memory[0x20] ^= 0x01;
    Record r;
    testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();
    EXPECT_EQ(readEepromRecord(chip, &r.data), FT_EEPROM_READ_FAILED);
    chip.memory.fill(0xFF);
    EXPECT_EQ(readEepromRecord(chip, &r.data), FT_EEPROM_READ_FAILED);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(FtdiEeprom, BlankChipIsProgrammedFromDefaults) {
    MemoryChip chip(TYPE_R);
    Record r;
    std::strcpy(r.m, "FTDI");
    std::strcpy(r.d, "FT232R USB VORNE");
    std::strcpy(r.s, "VRN1");
    r.data.VendorId = 0x0403;
    r.data.ProductId = 0x6001;
    r.data.MaxPower = 90;
    r.data.PnP = 1;
    r.data.SerNumEnableR = 1;
    r.data.EndpointSize = 64;
    testing::internal::CaptureStderr();
    EXPECT_EQ(programEepromRecord(chip, r.data, kOurLatency), FT_OK);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    Record back;
    ASSERT_EQ(readEepromRecord(chip, &back.data), FT_OK);
    EXPECT_STREQ(back.d, "FT232R USB VORNE");
    EXPECT_EQ(back.data.RIsD2XX, 0);
}
