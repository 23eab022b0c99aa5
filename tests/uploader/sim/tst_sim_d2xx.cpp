/* The simulator through the D2XX calls the uploader makes, on a hand-stepped clock. */
#include "ftd2xx.h"
#include "sim_bus.h"
#include "worked_example.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>

using namespace vorne::sim;
using vorne::d2xx::ManualClock;

namespace {

constexpr int64_t kMs = 1000000;

std::string readFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

class SimD2xx : public ::testing::Test {
protected:
    void SetUp() override { SimBus::instance().setClock(&clock); }
    void TearDown() override {
        SimBus::instance().load(Scenario{});
        SimBus::instance().setClock(nullptr);
    }

    void load(const std::string &text) {
        Scenario s;
        std::string error;
        ASSERT_TRUE(parseScenario(text, &s, &error)) << error;
        SimBus::instance().load(s);
    }

    FT_HANDLE open(const char *serial = "VRN00001") {
        FT_HANDLE h = nullptr;
        EXPECT_EQ(FT_OpenEx(const_cast<char *>(serial), FT_OPEN_BY_SERIAL_NUMBER, &h), FT_OK);
        EXPECT_EQ(FT_SetTimeouts(h, 1, 0), FT_OK);
        return h;
    }

    /* Writes and waits for the transmit queue to empty, as the uploader does. */
    FT_STATUS send(FT_HANDLE h, const std::string &bytes) {
        DWORD written = 0;
        FT_STATUS s = FT_Write(h, const_cast<char *>(bytes.data()), static_cast<DWORD>(bytes.size()), &written);
        if (s != FT_OK)
            return s;
        EXPECT_EQ(written, bytes.size());
        for (int i = 0; i < 600000; ++i) {
            DWORD rx = 0, tx = 0, ev = 0;
            s = FT_GetStatus(h, &rx, &tx, &ev);
            if (s != FT_OK || tx == 0)
                return s;
            clock.sleepNs(kMs / 4);
        }
        return FT_OTHER_ERROR;
    }

    /* Everything that arrives within ms milliseconds. */
    std::string collect(FT_HANDLE h, int ms) {
        std::string all;
        for (int i = 0; i < ms; ++i) {
            char buf[150];
            DWORD got = 0;
            if (FT_Read(h, buf, sizeof buf, &got) == FT_OK)
                all.append(buf, got);
            clock.advanceMs(1);
        }
        return all;
    }

    std::string readOnce(FT_HANDLE h) {
        char buf[150];
        DWORD got = 0;
        EXPECT_EQ(FT_Read(h, buf, sizeof buf, &got), FT_OK);
        return std::string(buf, got);
    }

    DWORD listCount() {
        DWORD n = 99;
        EXPECT_EQ(FT_ListDevices(&n, nullptr, FT_LIST_NUMBER_ONLY), FT_OK);
        return n;
    }

    std::string blocks(const std::string &file) { return file + std::string((16 - file.size() % 16) % 16, '\0'); }

    ManualClock clock;
};

struct EepromBuffers {
    char manufacturer[256] = {}, manufacturerId[256] = {}, description[256] = {}, serial[256] = {};
    FT_PROGRAM_DATA data{};
    EepromBuffers() {
        data.Signature1 = 0x00000000;
        data.Signature2 = 0xFFFFFFFF;
        data.Manufacturer = manufacturer;
        data.ManufacturerId = manufacturerId;
        data.Description = description;
        data.SerialNumber = serial;
    }
};

} // namespace

TEST_F(SimD2xx, DefaultBridgeIsAVorneFt232r) {
    char buffers[51][64] = {};
    char *pointers[51] = {};
    for (int i = 0; i < 50; ++i)
        pointers[i] = buffers[i];
    DWORD count = 0;
    ASSERT_EQ(FT_ListDevices(pointers, &count, FT_LIST_ALL | FT_OPEN_BY_SERIAL_NUMBER), FT_OK);
    ASSERT_EQ(count, 1u);
    EXPECT_STREQ(buffers[0], "VRN00001");

    FT_HANDLE h = open(buffers[0]);
    FT_DEVICE type = 99;
    DWORD id = 0;
    ASSERT_EQ(FT_GetDeviceInfo(h, &type, &id, nullptr, nullptr, nullptr), FT_OK);
    EXPECT_EQ(type, static_cast<FT_DEVICE>(FT_DEVICE_232R));
    EXPECT_EQ(id, 0x04036001u);

    EepromBuffers ee;
    ASSERT_EQ(FT_EE_Read(h, &ee.data), FT_OK);
    EXPECT_STREQ(ee.description, "FT232R USB VORNE");
    EXPECT_STREQ(ee.serial, "VRN00001");
    EXPECT_STREQ(ee.manufacturer, "FTDI");
    EXPECT_EQ(ee.data.VendorId, 0x0403);
    EXPECT_EQ(ee.data.ProductId, 0x6001);
    EXPECT_EQ(ee.data.Description, ee.description);
    EXPECT_EQ(FT_Close(h), FT_OK);
}

TEST_F(SimD2xx, ConfigurationUploadIsAcceptedAndSaved) {
    std::string saved = ::testing::TempDir() + "sim_saved.bin";
    std::string raw = ::testing::TempDir() + "sim_raw.bin";
    load("[bridge]\nsave_to = " + saved + "\nsave_raw_to = " + raw + "\n");
    FT_HANDLE h = open();
    ASSERT_EQ(FT_ResetDevice(h), FT_OK);
    ASSERT_EQ(FT_SetBaudRate(h, 38400), FT_OK);
    ASSERT_EQ(FT_SetDataCharacteristics(h, FT_BITS_8, FT_STOP_BITS_1, FT_PARITY_NONE), FT_OK);

    ASSERT_EQ(send(h, "E\r"), FT_OK);
    EXPECT_EQ(collect(h, 5), "E\n");
    ASSERT_EQ(send(h, "\r"), FT_OK);
    EXPECT_EQ(collect(h, 50), "\nVORNE DMX512-RS232 Converter v2.11\n");

    std::string image = workedExampleImage();
    ASSERT_EQ(send(h, "CfgFile=226\r"), FT_OK);
    EXPECT_EQ(collect(h, 10), "CfgFile=226\n\nOK\n");
    std::string padded = blocks(image);
    for (size_t at = 0; at < padded.size(); at += 16)
        ASSERT_EQ(send(h, padded.substr(at, 16)), FT_OK);
    EXPECT_EQ(collect(h, 100), "DONE\nCRC: OK\n");
    EXPECT_EQ(readFile(saved), image);
    EXPECT_EQ(readFile(raw), padded);
    EXPECT_EQ(FT_Close(h), FT_OK);
}

TEST_F(SimD2xx, TransmitCountDrainsAtLineRate) {
    load("[bridge]\nline = none\n");
    FT_HANDLE h = open();
    std::string data(3840, 'x');
    DWORD written = 0, rx = 0, tx = 0, ev = 0;
    ASSERT_EQ(FT_Write(h, &data[0], 3840, &written), FT_OK);
    ASSERT_EQ(FT_GetStatus(h, &rx, &tx, &ev), FT_OK);
    EXPECT_EQ(tx, 3840u);
    clock.advanceMs(250);
    ASSERT_EQ(FT_GetStatus(h, &rx, &tx, &ev), FT_OK);
    EXPECT_EQ(tx, 2880u);
    clock.advanceMs(750);
    ASSERT_EQ(FT_GetStatus(h, &rx, &tx, &ev), FT_OK);
    EXPECT_EQ(tx, 0u);
    EXPECT_EQ(rx, 0u);
    FT_Close(h);
}

TEST_F(SimD2xx, PacingOffDrainsAtOnce) {
    load("[bridge]\npacing = off\n");
    FT_HANDLE h = open();
    DWORD written = 0, rx = 0, tx = 0, ev = 0;
    ASSERT_EQ(FT_Write(h, const_cast<char *>("E\r"), 2, &written), FT_OK);
    ASSERT_EQ(FT_GetStatus(h, &rx, &tx, &ev), FT_OK);
    EXPECT_EQ(tx, 0u);
    EXPECT_EQ(rx, 2u);
    FT_Close(h);
}

TEST_F(SimD2xx, ReadReturnsWhatArrivedWithinTheTimeout) {
    load("[bridge]\n");
    FT_HANDLE h = open();
    ASSERT_EQ(send(h, "\r"), FT_OK);
    int64_t before = clock.nowNs();
    std::string text = readOnce(h);
    EXPECT_EQ(text, "\nVORNE DMX512-RS232 Converter v2.11\n");
    EXPECT_GE(clock.nowNs() - before, kMs); /* asked for more than there was: waited the time-out */
    EXPECT_LT(clock.nowNs() - before, 2 * kMs);
    EXPECT_EQ(readOnce(h), "");
    FT_Close(h);
}

TEST_F(SimD2xx, SplitRepliesComeInTwoReads) {
    load("[bridge]\nfault = split\npacing = off\nflash_ms = 0\n");
    FT_HANDLE h = open();
    ASSERT_EQ(send(h, "CfgFile=226\r"), FT_OK);
    EXPECT_EQ(collect(h, 30), "CfgFile=226\n\nOK\n");
    ASSERT_EQ(send(h, blocks(workedExampleImage())), FT_OK);
    EXPECT_EQ(readOnce(h), "DO");
    EXPECT_EQ(readOnce(h), "NE\nCR");
    EXPECT_EQ(readOnce(h), "C: OK\n");
    FT_Close(h);
}

TEST_F(SimD2xx, UnplugMidTransferFailsEveryCallAndDelists) {
    load("[bridge]\nfault = unplug\nfault_at = 32\n[bridge]\nserial = OTHER\n");
    EXPECT_EQ(listCount(), 2u);
    FT_HANDLE h = open();
    ASSERT_EQ(send(h, "CfgFile=226\r"), FT_OK);
    collect(h, 5);
    ASSERT_EQ(send(h, std::string(16, '\0')), FT_OK);
    EXPECT_EQ(send(h, std::string(16, '\0')), static_cast<FT_STATUS>(FT_IO_ERROR));

    DWORD rx = 0, tx = 0, ev = 0, got = 0;
    char buf[8];
    EXPECT_EQ(FT_GetStatus(h, &rx, &tx, &ev), static_cast<FT_STATUS>(FT_IO_ERROR));
    EXPECT_EQ(FT_Read(h, buf, sizeof buf, &got), static_cast<FT_STATUS>(FT_IO_ERROR));
    EXPECT_EQ(FT_Write(h, buf, 1, &got), static_cast<FT_STATUS>(FT_IO_ERROR));
    EXPECT_EQ(listCount(), 1u);
    FT_HANDLE again = nullptr;
    EXPECT_EQ(FT_OpenEx(const_cast<char *>("VRN00001"), FT_OPEN_BY_SERIAL_NUMBER, &again),
              static_cast<FT_STATUS>(FT_DEVICE_NOT_FOUND));
    EXPECT_EQ(FT_Close(h), static_cast<FT_STATUS>(FT_IO_ERROR));
    EXPECT_EQ(FT_Close(h), static_cast<FT_STATUS>(FT_INVALID_HANDLE));
}

TEST_F(SimD2xx, BridgeThatDoesNotOpenIsStillListed) {
    load("[bridge]\nopens = no\n");
    EXPECT_EQ(listCount(), 1u);
    FT_HANDLE h = reinterpret_cast<FT_HANDLE>(1);
    EXPECT_EQ(FT_OpenEx(const_cast<char *>("VRN00001"), FT_OPEN_BY_SERIAL_NUMBER, &h),
              static_cast<FT_STATUS>(FT_DEVICE_NOT_OPENED));
    EXPECT_EQ(h, nullptr);
    FT_DEVICE type = 0;
    EXPECT_EQ(FT_GetDeviceInfo(h, &type, nullptr, nullptr, nullptr, nullptr),
              static_cast<FT_STATUS>(FT_INVALID_HANDLE));
}

TEST_F(SimD2xx, BridgeOpensOnlyOnceAtATime) {
    load("[bridge]\n");
    FT_HANDLE h = open();
    FT_HANDLE second = nullptr;
    EXPECT_EQ(FT_OpenEx(const_cast<char *>("VRN00001"), FT_OPEN_BY_SERIAL_NUMBER, &second),
              static_cast<FT_STATUS>(FT_DEVICE_NOT_OPENED));
    FT_Close(h);
    EXPECT_EQ(FT_OpenEx(const_cast<char *>("VRN00001"), FT_OPEN_BY_SERIAL_NUMBER, &second), FT_OK);
    FT_Close(second);
}

TEST_F(SimD2xx, OpenByDescriptionAndUnknownNames) {
    load("[bridge]\ndescription = OTHER BOARD\n");
    FT_HANDLE h = nullptr;
    EXPECT_EQ(FT_OpenEx(const_cast<char *>("OTHER BOARD"), FT_OPEN_BY_DESCRIPTION, &h), FT_OK);
    FT_Close(h);
    EXPECT_EQ(FT_OpenEx(const_cast<char *>("NOPE"), FT_OPEN_BY_SERIAL_NUMBER, &h),
              static_cast<FT_STATUS>(FT_DEVICE_NOT_FOUND));
    EXPECT_EQ(FT_OpenEx(nullptr, FT_OPEN_BY_SERIAL_NUMBER, &h), static_cast<FT_STATUS>(FT_INVALID_PARAMETER));
}

TEST_F(SimD2xx, EepromReadAndProgramCanFail) {
    load("[bridge]\neeprom_read = no\neeprom_program = no\n");
    FT_HANDLE h = open();
    EepromBuffers ee;
    EXPECT_EQ(FT_EE_Read(h, &ee.data), static_cast<FT_STATUS>(FT_EEPROM_READ_FAILED));
    std::strcpy(ee.description, "X");
    EXPECT_EQ(FT_EE_Program(h, &ee.data), static_cast<FT_STATUS>(FT_EEPROM_WRITE_FAILED));
    FT_Close(h);
}

TEST_F(SimD2xx, EepromNeedsSignaturesAndBuffers) {
    load("[bridge]\n");
    FT_HANDLE h = open();
    EepromBuffers ee;
    ee.data.Signature2 = 0;
    EXPECT_EQ(FT_EE_Read(h, &ee.data), static_cast<FT_STATUS>(FT_INVALID_PARAMETER));
    EepromBuffers noBuffer;
    noBuffer.data.SerialNumber = nullptr;
    EXPECT_EQ(FT_EE_Read(h, &noBuffer.data), static_cast<FT_STATUS>(FT_INVALID_PARAMETER));
    EXPECT_EQ(FT_EE_Read(h, nullptr), static_cast<FT_STATUS>(FT_INVALID_PARAMETER));
    FT_Close(h);
}

TEST_F(SimD2xx, ProgrammedIdentityIsReadBackListedAndWrittenOut) {
    std::string out = ::testing::TempDir() + "sim_eeprom.txt";
    load("[bridge]\ndescription = FT232R USB UART\nris_d2xx = 1\neeprom_out = " + out + "\n");
    FT_HANDLE h = open();
    EepromBuffers ee;
    ASSERT_EQ(FT_EE_Read(h, &ee.data), FT_OK);
    EXPECT_STREQ(ee.description, "FT232R USB UART");
    EXPECT_EQ(ee.data.RIsD2XX, 1);
    std::strcpy(ee.description, "FT232R USB VORNE");
    ee.data.RIsD2XX = 0;
    ASSERT_EQ(FT_EE_Program(h, &ee.data), FT_OK);

    EepromBuffers back;
    ASSERT_EQ(FT_EE_Read(h, &back.data), FT_OK);
    EXPECT_STREQ(back.description, "FT232R USB VORNE");
    EXPECT_EQ(back.data.RIsD2XX, 0);
    EXPECT_EQ(back.data.MaxPower, ee.data.MaxPower);
    EXPECT_EQ(back.data.Cbus0, ee.data.Cbus0);
    std::string text = readFile(out);
    EXPECT_NE(text.find("Description = FT232R USB VORNE\n"), std::string::npos) << text;
    EXPECT_NE(text.find("RIsD2XX = 0\n"), std::string::npos) << text;
    EXPECT_NE(text.find("SerialNumber = VRN00001\n"), std::string::npos) << text;
    FT_Close(h);
}

TEST_F(SimD2xx, ListFillsOnlyTheCallersBuffers) {
    load("[bridge]\n[bridge]\n[bridge]\n");
    char a[64], b[64];
    char *pointers[] = {a, b, nullptr};
    DWORD count = 0;
    ASSERT_EQ(FT_ListDevices(pointers, &count, FT_LIST_ALL | FT_OPEN_BY_SERIAL_NUMBER), FT_OK);
    EXPECT_EQ(count, 2u);
    EXPECT_STREQ(b, "VRN00002");
    char one[64];
    ASSERT_EQ(FT_ListDevices(reinterpret_cast<PVOID>(2), one, FT_LIST_BY_INDEX | FT_OPEN_BY_SERIAL_NUMBER), FT_OK);
    EXPECT_STREQ(one, "VRN00003");
    EXPECT_EQ(FT_ListDevices(reinterpret_cast<PVOID>(3), one, FT_LIST_BY_INDEX | FT_OPEN_BY_SERIAL_NUMBER),
              static_cast<FT_STATUS>(FT_DEVICE_NOT_FOUND));
    EXPECT_EQ(FT_ListDevices(nullptr, &count, FT_LIST_ALL | FT_OPEN_BY_SERIAL_NUMBER),
              static_cast<FT_STATUS>(FT_INVALID_PARAMETER));
}

TEST_F(SimD2xx, EmptyScenarioListsNothing) {
    load("");
    EXPECT_EQ(listCount(), 0u);
    char *pointers[] = {nullptr};
    DWORD count = 7;
    EXPECT_EQ(FT_ListDevices(pointers, &count, FT_LIST_ALL | FT_OPEN_BY_SERIAL_NUMBER), FT_OK);
    EXPECT_EQ(count, 0u);
}

TEST_F(SimD2xx, CallsOnUnknownOrClosedHandlesFail) {
    load("[bridge]\n");
    FT_HANDLE h = open();
    ASSERT_EQ(FT_Close(h), FT_OK);
    DWORD rx, tx, ev, got;
    char buf[4];
    EXPECT_EQ(FT_GetStatus(h, &rx, &tx, &ev), static_cast<FT_STATUS>(FT_INVALID_HANDLE));
    EXPECT_EQ(FT_Read(h, buf, 4, &got), static_cast<FT_STATUS>(FT_INVALID_HANDLE));
    EXPECT_EQ(FT_Write(h, buf, 4, &got), static_cast<FT_STATUS>(FT_INVALID_HANDLE));
    EXPECT_EQ(FT_ResetDevice(h), static_cast<FT_STATUS>(FT_INVALID_HANDLE));
    EXPECT_EQ(FT_Close(nullptr), static_cast<FT_STATUS>(FT_INVALID_HANDLE));
}

TEST_F(SimD2xx, ResetPurgesBothQueues) {
    load("[bridge]\n");
    FT_HANDLE h = open();
    ASSERT_EQ(send(h, "\r"), FT_OK);
    std::string data(100, 'x');
    DWORD written, rx = 9, tx = 9, ev;
    ASSERT_EQ(FT_Write(h, &data[0], 100, &written), FT_OK);
    ASSERT_EQ(FT_ResetDevice(h), FT_OK);
    ASSERT_EQ(FT_GetStatus(h, &rx, &tx, &ev), FT_OK);
    EXPECT_EQ(rx, 0u);
    EXPECT_EQ(tx, 0u);
    FT_Close(h);
}

TEST_F(SimD2xx, LineWithNothingOnItStaysQuiet) {
    load("[bridge]\nline = none\n");
    FT_HANDLE h = open();
    ASSERT_EQ(send(h, "E\r"), FT_OK);
    EXPECT_EQ(collect(h, 20), "");
    FT_Close(h);
}

TEST_F(SimD2xx, LineSettingsAreChecked) {
    load("[bridge]\n");
    FT_HANDLE h = open();
    EXPECT_EQ(FT_SetBaudRate(h, 0), static_cast<FT_STATUS>(FT_INVALID_BAUD_RATE));
    EXPECT_EQ(FT_SetDataCharacteristics(h, 5, FT_STOP_BITS_1, FT_PARITY_NONE),
              static_cast<FT_STATUS>(FT_INVALID_PARAMETER));
    FT_Close(h);
}
