/* The libftdi backend without hardware: its pure translations, the receive
 * FIFO with a fake chip, the splitting of IN packets, and clean failures
 * when no bridge is attached. */
#include "bulk_link.h"
#include "ftd2xx.h"
#include "ftdi_mapping.h"
#include "receive_fifo.h"

#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <ftdi.h>
#include <string>

using namespace vorne::d2xx;

namespace {

struct Strings {
    char m[256] = {}, mi[256] = {}, d[256] = {}, s[256] = {};
    FT_PROGRAM_DATA data{};
    Strings() {
        data.Signature2 = 0xFFFFFFFF;
        data.Manufacturer = m;
        data.ManufacturerId = mi;
        data.Description = d;
        data.SerialNumber = s;
    }
};

/* A chip that delivers one scripted arrival per fetch; an empty one lets the wait pass. */
struct FakeChip {
    std::deque<std::string> arrivals;
    int error = 0; /* returned once the arrivals run out, when set */
    int polls = 0;
    ReceiveFifo *fifo = nullptr;
    ManualClock *clock = nullptr;
    int fetch(int64_t waitNs) {
        ++polls;
        if (arrivals.empty() && error)
            return error;
        std::string next = arrivals.empty() ? std::string() : arrivals.front();
        if (!arrivals.empty())
            arrivals.pop_front();
        if (next.empty())
            clock->sleepNs(waitNs);
        fifo->push(reinterpret_cast<const uint8_t *>(next.data()), next.size());
        return static_cast<int>(next.size());
    }
};

/* A FIFO fed by the chip. */
struct Fed {
    FakeChip chip;
    ManualClock clock;
    ReceiveFifo fifo{[this](int64_t ns) { return chip.fetch(ns); }, clock};
    explicit Fed(std::deque<std::string> arrivals, int error = 0) {
        chip.arrivals = std::move(arrivals);
        chip.error = error;
        chip.fifo = &fifo;
        chip.clock = &clock;
    }
};

std::string readFifo(ReceiveFifo &fifo, size_t len, unsigned timeoutMs, int *result = nullptr) {
    std::string buf(len, '\0');
    int n = fifo.read(reinterpret_cast<uint8_t *>(&buf[0]), len, timeoutMs);
    if (result)
        *result = n;
    return n > 0 ? buf.substr(0, static_cast<size_t>(n)) : std::string();
}

} // namespace

TEST(FtdiMapping, ChipTypesMapToD2xxValues) {
    EXPECT_EQ(d2xxChipType(TYPE_BM), static_cast<FT_DEVICE>(FT_DEVICE_BM));
    EXPECT_EQ(d2xxChipType(TYPE_2232C), static_cast<FT_DEVICE>(FT_DEVICE_2232C));
    EXPECT_EQ(d2xxChipType(TYPE_R), static_cast<FT_DEVICE>(FT_DEVICE_232R));
    EXPECT_EQ(d2xxChipType(TYPE_AM), static_cast<FT_DEVICE>(FT_DEVICE_AM));
    EXPECT_EQ(d2xxChipType(TYPE_232H), static_cast<FT_DEVICE>(FT_DEVICE_232H));
    EXPECT_EQ(d2xxChipType(TYPE_230X), static_cast<FT_DEVICE>(FT_DEVICE_X_SERIES));
    EXPECT_EQ(d2xxChipType(99), static_cast<FT_DEVICE>(FT_DEVICE_UNKNOWN));
}

TEST(FtdiMapping, EveryBridgeGetsANameThatOpensIt) {
    std::vector<ListedDevice> bridges = {{"", "FT232R USB VORNE", ""},
                                         {"A1B2C3", "FT232R USB UART", ""},
                                         {"", "FT232R USB VORNE", ""},
                                         {"TWIN", "FT232R USB UART", ""},
                                         {"TWIN", "FT232R USB UART", ""}};
    std::vector<std::string> paths = {usbPathName(1, {2}), usbPathName(1, {3}), usbPathName(3, {1, 4}),
                                      usbPathName(1, {5}), usbPathName(2, {1, 2, 3})};
    nameBridges(&bridges, paths);
    EXPECT_EQ(bridges[0].serial, "usb:1-2");
    EXPECT_EQ(bridges[1].serial, "A1B2C3");
    EXPECT_EQ(bridges[2].serial, "usb:3-1.4");
    EXPECT_EQ(bridges[3].serial, "usb:1-5");
    EXPECT_EQ(bridges[4].serial, "usb:2-1.2.3");
    EXPECT_EQ(bridges[2].description, "FT232R USB VORNE");
    for (size_t i = 0; i < bridges.size(); ++i) {
        EXPECT_EQ(findListedDevice(bridges, bridges[i].serial.c_str(), FT_OPEN_BY_SERIAL_NUMBER), static_cast<int>(i));
        /* Where it is plugged in opens it too, named by its serial or not. */
        EXPECT_EQ(bridges[i].location, paths[i]);
        EXPECT_EQ(findListedDevice(bridges, paths[i].c_str(), FT_OPEN_BY_LOCATION), static_cast<int>(i));
    }
    /* The names fit the caller's list buffers. */
    std::vector<int> deepest(7, 127);
    EXPECT_LT(usbPathName(255, deepest).size(), kListBufferSize);
}

TEST(FtdiMapping, LineSettings) {
    int bits = 0, stop = 0, parity = 0;
    ASSERT_TRUE(ftdiLineProperties(FT_BITS_8, FT_STOP_BITS_1, FT_PARITY_NONE, &bits, &stop, &parity));
    EXPECT_EQ(bits, BITS_8);
    EXPECT_EQ(stop, STOP_BIT_1);
    EXPECT_EQ(parity, NONE);
    ASSERT_TRUE(ftdiLineProperties(FT_BITS_7, FT_STOP_BITS_2, FT_PARITY_EVEN, &bits, &stop, &parity));
    EXPECT_EQ(bits, BITS_7);
    EXPECT_EQ(stop, STOP_BIT_2);
    EXPECT_EQ(parity, EVEN);
    EXPECT_FALSE(ftdiLineProperties(5, FT_STOP_BITS_1, FT_PARITY_NONE, &bits, &stop, &parity));
    EXPECT_FALSE(ftdiLineProperties(FT_BITS_8, 1, FT_PARITY_NONE, &bits, &stop, &parity));
    EXPECT_FALSE(ftdiLineProperties(FT_BITS_8, FT_STOP_BITS_1, 5, &bits, &stop, &parity));
}

TEST(FtdiMapping, Ft232rRecordFromLibftdiValues) {
    FtdiEeprom e;
    e.manufacturer = "FTDI";
    e.product = "FT232R USB UART";
    e.serial = "A1B2C3";
    e.values = {{VENDOR_ID, 0x0403},
                {PRODUCT_ID, 0x6001},
                {MAX_POWER, 90},
                {IS_NOT_PNP, 0},
                {SELF_POWERED, 0x40}, /* libftdi may hand back the raw bit */
                {REMOTE_WAKEUP, 1},
                {EXTERNAL_OSCILLATOR, 0},
                {HIGH_CURRENT, HIGH_CURRENT_DRIVE_R},
                {SUSPEND_PULL_DOWNS, 1},
                {USE_SERIAL, 1},
                {INVERT, INVERT_TXD | INVERT_RI},
                {CBUS_FUNCTION_0, CBUS_TXLED},
                {CBUS_FUNCTION_1, CBUS_RXLED},
                {CBUS_FUNCTION_2, CBUS_TXDEN},
                {CBUS_FUNCTION_3, CBUS_PWREN},
                {CBUS_FUNCTION_4, CBUS_SLEEP},
                {CHANNEL_A_DRIVER, 1}}; /* libftdi's decode of a VCP chip */
    Strings r;
    decodeProgramData(e, FT_DEVICE_232R, &r.data);
    EXPECT_EQ(r.data.Version, 2u);
    EXPECT_EQ(r.data.VendorId, 0x0403);
    EXPECT_EQ(r.data.ProductId, 0x6001);
    EXPECT_STREQ(r.m, "FTDI");
    EXPECT_STREQ(r.d, "FT232R USB UART");
    EXPECT_STREQ(r.s, "A1B2C3");
    EXPECT_EQ(r.data.MaxPower, 90);
    EXPECT_EQ(r.data.PnP, 1);
    EXPECT_EQ(r.data.SelfPowered, 1);
    EXPECT_EQ(r.data.RemoteWakeup, 1);
    EXPECT_EQ(r.data.HighDriveIOs, 1);
    EXPECT_EQ(r.data.EndpointSize, 64);
    EXPECT_EQ(r.data.PullDownEnableR, 1);
    EXPECT_EQ(r.data.SerNumEnableR, 1);
    EXPECT_EQ(r.data.InvertTXD, 1);
    EXPECT_EQ(r.data.InvertRXD, 0);
    EXPECT_EQ(r.data.InvertRI, 1);
    EXPECT_EQ(r.data.Cbus0, CBUS_TXLED);
    EXPECT_EQ(r.data.Cbus4, CBUS_SLEEP);
    EXPECT_EQ(r.data.RIsD2XX, 0); /* virtual COM port driver */
    e.values[CHANNEL_A_DRIVER] = 0;
    decodeProgramData(e, FT_DEVICE_232R, &r.data);
    EXPECT_EQ(r.data.RIsD2XX, 1);
}

TEST(FtdiMapping, IdentityRewriteEncodesDescriptionAndVcpFlag) {
    Strings r;
    std::strcpy(r.d, "FT232R USB VORNE");
    std::strcpy(r.m, "FTDI");
    std::strcpy(r.s, "VRN1");
    r.data.VendorId = 0x0403;
    r.data.ProductId = 0x6001;
    r.data.MaxPower = 91;
    r.data.RIsD2XX = 0;
    r.data.InvertDSR = 1;
    r.data.Cbus2 = CBUS_CLK12;
    FtdiEeprom e;
    e.values[USB_VERSION] = 0x0110; /* not a FT232R field: left alone */
    encodeProgramData(r.data, FT_DEVICE_232R, &e);
    EXPECT_EQ(e.product, "FT232R USB VORNE");
    EXPECT_EQ(e.manufacturer, "FTDI");
    EXPECT_EQ(e.serial, "VRN1");
    EXPECT_EQ(e.values[CHANNEL_A_DRIVER], DRIVER_VCP);
    EXPECT_EQ(e.values[INVERT], INVERT_DSR);
    EXPECT_EQ(e.values[CBUS_FUNCTION_2], CBUS_CLK12);
    EXPECT_EQ(e.values[MAX_POWER], 90); /* the chip stores 2 mA units */
    EXPECT_EQ(e.values[IS_NOT_PNP], 1);
    EXPECT_EQ(e.values[USB_VERSION], 0x0110);
    r.data.RIsD2XX = 1;
    encodeProgramData(r.data, FT_DEVICE_232R, &e);
    EXPECT_EQ(e.values[CHANNEL_A_DRIVER], 0);
}

TEST(FtdiMapping, EncodeThenDecodeKeepsEveryFieldOfEachFamily) {
    for (FT_DEVICE chip : {FT_DEVICE(FT_DEVICE_BM), FT_DEVICE(FT_DEVICE_2232C), FT_DEVICE(FT_DEVICE_232R)}) {
        Strings in;
        std::strcpy(in.m, "Maker");
        std::strcpy(in.d, "Board");
        std::strcpy(in.s, "SN42");
        in.data.VendorId = 0x0403;
        in.data.ProductId = 0x6010;
        in.data.MaxPower = 100;
        in.data.PnP = 1;
        in.data.SelfPowered = 1;
        in.data.IsoIn = in.data.PullDownEnable = in.data.USBVersionEnable = 1;
        in.data.USBVersion = 0x0200;
        in.data.IsoInA = in.data.IsoInB = 1;
        in.data.SerNumEnable5 = in.data.USBVersionEnable5 = 1;
        in.data.USBVersion5 = 0x0200;
        in.data.AIsHighCurrent = 1;
        in.data.IFAIsFifo = 1;
        in.data.IFBIsFastSer = 1;
        in.data.BIsVCP = 1;
        in.data.UseExtOsc = in.data.HighDriveIOs = 1;
        in.data.InvertCTS = in.data.InvertDCD = 1;
        in.data.Cbus1 = CBUS_IOMODE;
        in.data.RIsD2XX = 1;
        FtdiEeprom e;
        encodeProgramData(in.data, chip, &e);
        Strings out;
        decodeProgramData(e, chip, &out.data);
        EXPECT_TRUE(sameProgramData(in.data, out.data, chip)) << "chip " << chip;
        EXPECT_STREQ(out.d, "Board");
    }
}

TEST(FtdiMapping, ReadBackCheckSeesDifferencesTheChipStores) {
    Strings a, b;
    std::strcpy(a.d, "FT232R USB VORNE");
    std::strcpy(b.d, "FT232R USB VORNE");
    EXPECT_TRUE(sameProgramData(a.data, b.data, FT_DEVICE_232R));
    b.data.RIsD2XX = 1;
    EXPECT_FALSE(sameProgramData(a.data, b.data, FT_DEVICE_232R));
    b.data.RIsD2XX = 0;
    std::strcpy(b.d, "FT232R USB UART");
    EXPECT_FALSE(sameProgramData(a.data, b.data, FT_DEVICE_232R));
    std::strcpy(b.d, "FT232R USB VORNE");
    b.data.IsoIn = 1; /* a BM field: a FT232R has no place for it */
    EXPECT_TRUE(sameProgramData(a.data, b.data, FT_DEVICE_232R));
    EXPECT_FALSE(sameProgramData(a.data, b.data, FT_DEVICE_BM));
}

TEST(FtdiMapping, LongStringsAreCutToTheBuffer) {
    FtdiEeprom e;
    e.product = std::string(100, 'P');
    Strings r;
    decodeProgramData(e, FT_DEVICE_232R, &r.data);
    EXPECT_EQ(std::strlen(r.d), kEepromStringSize - 1);
}

TEST(ReceiveFifo, KeepsWhatTheReaderDidNotAskFor) {
    Fed f({"DONE\nCRC: OK\n"});
    ASSERT_EQ(f.fifo.poll(), 13);
    EXPECT_EQ(f.fifo.available(), 13u);
    EXPECT_EQ(readFifo(f.fifo, 5, 1), "DONE\n");
    EXPECT_EQ(f.fifo.available(), 8u);
    EXPECT_EQ(readFifo(f.fifo, 150, 0), "CRC: OK\n");
    EXPECT_EQ(f.fifo.available(), 0u);
}

TEST(ReceiveFifo, WaitsTheTimeOutForMoreThenReturnsWhatCame) {
    Fed f({"CR", "C: OK\n"});
    int64_t start = f.clock.nowNs();
    EXPECT_EQ(readFifo(f.fifo, 150, 1), "CRC: OK\n");
    EXPECT_EQ(f.clock.nowNs() - start, 1000000) << "waited its 1 ms for the rest of the 150 bytes";
    EXPECT_EQ(readFifo(f.fifo, 150, 1), "");
    EXPECT_EQ(f.clock.nowNs() - start, 2000000);
}

TEST(ReceiveFifo, ZeroTimeOutPollsOnce) {
    Fed f({"E\n"});
    EXPECT_EQ(readFifo(f.fifo, 150, 0), "E\n");
    EXPECT_EQ(f.chip.polls, 1);
    EXPECT_EQ(readFifo(f.fifo, 150, 0), "");
    EXPECT_EQ(f.chip.polls, 2);
}

TEST(ReceiveFifo, ReaderErrorKeepsBytesAlreadyReceived) {
    Fed f({"OK"}, -4);
    int result = 0;
    EXPECT_EQ(readFifo(f.fifo, 150, 5, &result), "OK");
    EXPECT_EQ(result, 2);
    EXPECT_EQ(readFifo(f.fifo, 150, 5, &result), "");
    EXPECT_EQ(result, -4);
    EXPECT_EQ(f.fifo.poll(), -4);
}

TEST(ReceiveFifo, FullReadNeedsNoPoll) {
    Fed f({"ABCDEF"});
    f.fifo.poll();
    EXPECT_EQ(readFifo(f.fifo, 6, 1), "ABCDEF");
    EXPECT_EQ(f.chip.polls, 1);
    f.fifo.poll();
    f.fifo.clear();
    EXPECT_EQ(f.fifo.available(), 0u);
}

/* What one bulk IN transfer of 64-byte packets carries: each packet starts
 * with the modem and line status, the rest is data. */
TEST(InPackets, StatusBytesAreTakenOutOfEveryPacket) {
    auto packet = [](uint8_t modem, uint8_t line, const std::string &data) {
        return std::string{static_cast<char>(modem), static_cast<char>(line)} + data;
    };
    const std::string full(62, 'x');
    struct Case {
        const char *what;
        std::string transfer;
        std::string data;
        uint8_t modem, line;
    } cases[] = {
        {"status only", packet(0x01, 0x60, ""), "", 0x01, 0x60},
        {"one short packet", packet(0x31, 0x60, "OK\n"), "OK\n", 0x31, 0x60},
        {"full packets, a short last one",
         packet(0x31, 0x00, full) + packet(0x31, 0x00, full) + packet(0x11, 0x62, "E"), full + full + "E", 0x11, 0x62},
        {"full packet then status only", packet(0x31, 0x00, full) + packet(0x21, 0x60, ""), full, 0x21, 0x60},
        {"a stray byte is no packet", packet(0x31, 0x60, "A").substr(0, 1), "", 0, 0},
    };
    for (const Case &c : cases) {
        std::string got;
        InStatus status;
        size_t n =
            splitInPackets(reinterpret_cast<const uint8_t *>(c.transfer.data()), c.transfer.size(), 64, &status,
                           [&](const uint8_t *d, size_t len) { got.append(reinterpret_cast<const char *>(d), len); });
        EXPECT_EQ(got, c.data) << c.what;
        EXPECT_EQ(n, c.data.size()) << c.what;
        EXPECT_EQ(status.modem, c.modem) << c.what;
        EXPECT_EQ(status.line, c.line) << c.what;
    }
}

/* No bridge is attached where the tests run: everything fails cleanly. */
TEST(FtdiBackendWithoutHardware, ListsNothing) {
    DWORD count = 99;
    FT_STATUS status = FT_ListDevices(&count, nullptr, FT_LIST_NUMBER_ONLY);
    EXPECT_EQ(count, 0u);
    EXPECT_TRUE(status == FT_OK || status == FT_OTHER_ERROR) << status;

    char buffer[64] = "unchanged";
    char *pointers[] = {buffer, nullptr};
    count = 99;
    status = FT_ListDevices(pointers, &count, FT_LIST_ALL | FT_OPEN_BY_SERIAL_NUMBER);
    EXPECT_EQ(count, 0u);
    EXPECT_STREQ(buffer, "unchanged");
}

TEST(FtdiBackendWithoutHardware, OpenFailsAndBadHandlesAreRefused) {
    FT_HANDLE h = reinterpret_cast<FT_HANDLE>(0x1234);
    EXPECT_EQ(FT_OpenEx(const_cast<char *>("VRN00001"), FT_OPEN_BY_SERIAL_NUMBER, &h),
              static_cast<FT_STATUS>(FT_DEVICE_NOT_FOUND));
    EXPECT_EQ(h, nullptr);
    EXPECT_EQ(FT_OpenEx(nullptr, FT_OPEN_BY_SERIAL_NUMBER, &h), static_cast<FT_STATUS>(FT_INVALID_PARAMETER));
    FT_HANDLE bogus = reinterpret_cast<FT_HANDLE>(0x1234);
    DWORD rx, tx, ev, got;
    char buf[4];
    Strings ee;
    EXPECT_EQ(FT_GetStatus(bogus, &rx, &tx, &ev), static_cast<FT_STATUS>(FT_INVALID_HANDLE));
    EXPECT_EQ(FT_Read(bogus, buf, 4, &got), static_cast<FT_STATUS>(FT_INVALID_HANDLE));
    EXPECT_EQ(FT_Write(bogus, buf, 4, &got), static_cast<FT_STATUS>(FT_INVALID_HANDLE));
    EXPECT_EQ(FT_EE_Read(bogus, &ee.data), static_cast<FT_STATUS>(FT_INVALID_HANDLE));
    EXPECT_EQ(FT_EE_Program(bogus, &ee.data), static_cast<FT_STATUS>(FT_INVALID_HANDLE));
    EXPECT_EQ(FT_ResetDevice(nullptr), static_cast<FT_STATUS>(FT_INVALID_HANDLE));
    EXPECT_EQ(FT_Close(bogus), static_cast<FT_STATUS>(FT_INVALID_HANDLE));
}
