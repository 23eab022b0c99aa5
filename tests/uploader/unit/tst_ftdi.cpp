/* Device listing, opening and the EEPROM record: printed lines and results. */
#include "fake_d2xx.h"
#include "ftdi.h"
#include "run_process.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

using testing::internal::CaptureStderr;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStderr;
using testing::internal::GetCapturedStdout;

namespace {

struct Record {
    ft_program_data data;
    Record() { memset(&data, 0, sizeof(data)); }
    ~Record() { releaseEEPROM(&data); }
};

int lineCount(const std::string &s) {
    int n = 0;
    for (char c : s)
        n += c == '\n';
    return n;
}

TEST(Listing, NoDeviceGivesZeroAndPrintsNothing) {
    fake::reset();
    fake::bridges.clear();
    CaptureStdout();
    CaptureStderr();
    EXPECT_EQ(readDevices(), 0);
    EXPECT_EQ(GetCapturedStdout(), "");
    EXPECT_EQ(GetCapturedStderr(), "");
}

TEST(Listing, FailedListingCountsZero) {
    fake::reset();
    fake::listFails = true;
    EXPECT_EQ(readDevices(), 0);
    CaptureStderr();
    EXPECT_EQ(openDevice(0), 1);
    EXPECT_EQ(GetCapturedStderr(), "Error: FT_ListDevices(4)\n");
    EXPECT_EQ(iNumDevs, 0u);
    EXPECT_EQ(getOpenDevice(), -1);
}

TEST(Listing, SerialsLandInTheBuffers) {
    fake::reset();
    fake::bridges.push_back(FakeBridge());
    fake::bridges[1].serial = "SECOND";
    EXPECT_EQ(readDevices(), 2);
    EXPECT_STREQ(cBufLD[1], "SECOND");
    EXPECT_EQ(pcBufLD[MAX_DEVICES], nullptr);
}

TEST(Opening, OpensByIndexAndCloses) {
    fake::reset();
    EXPECT_EQ(openDevice(0), 0);
    EXPECT_EQ(getOpenDevice(), 0);
    closeDevice();
    EXPECT_EQ(getOpenDevice(), -1);
}

TEST(Opening, DeviceThatDoesNotOpen) {
    fake::reset();
    fake::bridges[0].opens = false;
    CaptureStdout();
    EXPECT_EQ(openDevice(0), 1);
    EXPECT_EQ(GetCapturedStdout(), "Error FT_OpenEx(3), device 0\n"
                                   "Use lsmod to check if ftdi_sio (and usbserial) are present.\n"
                                   "If so, unload them using rmmod, as they conflict with ftd2xx.\n");
    EXPECT_EQ(getOpenDevice(), 0);
    Record r;
    CaptureStdout();
    EXPECT_EQ(readEEPROM(&r.data), -1);
    EXPECT_EQ(GetCapturedStdout(), "FT_GetDeviceType FAILED!\n");
    closeDevice();
    EXPECT_EQ(getOpenDevice(), -1);
}

TEST(Eeprom, ReadFillsTheRecordAndCanBeRepeated) {
    fake::reset();
    openDevice(0);
    Record r;
    ASSERT_EQ(readEEPROM(&r.data), 0);
    EXPECT_EQ(r.data.Signature1, 0u);
    EXPECT_EQ(r.data.Signature2, 0xFFFFFFFFu);
    EXPECT_STREQ(r.data.Description, "FT232R USB VORNE");
    EXPECT_EQ(ftDevice, (FT_DEVICE)FT_DEVICE_232R);
    // A second read on the same record replaces the buffers; the leak checker
    // of the test build sees any that were dropped.
    ASSERT_EQ(readEEPROM(&r.data), 0);
    closeDevice();
}

TEST(Eeprom, ReadFailure) {
    fake::reset();
    fake::bridges[0].eepromReads = false;
    openDevice(0);
    Record r;
    CaptureStdout();
    EXPECT_EQ(readEEPROM(&r.data), -1);
    EXPECT_EQ(GetCapturedStdout(), "FT_EE_Read failed\n");
    closeDevice();
}

TEST(Eeprom, WriteWithoutDeviceDoesNotCallTheLibrary) {
    fake::reset();
    Record r;
    EXPECT_EQ(writeEEPROM(&r.data), -1);
    EXPECT_TRUE(fake::line.programmed.empty());
}

TEST(Eeprom, WriteFailureIsPrinted) {
    fake::reset();
    fake::bridges[0].eepromPrograms = false;
    openDevice(0);
    Record r;
    readEEPROM(&r.data);
    CaptureStdout();
    EXPECT_EQ(writeEEPROM(&r.data), -1);
    EXPECT_EQ(GetCapturedStdout(), "FT_EE_Program failed (12)\n");
    closeDevice();
}

TEST(Eeprom, PrintOfAnFT232R) {
    fake::reset();
    openDevice(0);
    Record r;
    readEEPROM(&r.data);
    CaptureStdout();
    EXPECT_EQ(printEEPROM(&r.data), 5);
    std::string out = GetCapturedStdout();
    const std::string head = "Signature1 = 0\n"
                             "Signature2 = -1\n"
                             "Version = 0\n"
                             "VendorId = 0x0403\n"
                             "ProductId = 0x6001\n"
                             "Manufacturer = FTDI\n"
                             "ManufacturerId = FT\n"
                             "Description = FT232R USB VORNE\n"
                             "SerialNumber = FAKE0001\n"
                             "MaxPower = 90\n"
                             "PnP = 0\n"
                             "SelfPowered = 0\n"
                             "RemoteWakeup = 0\n"
                             "232R:\n-----\n\tUseExtOsc = 0x0\n";
    EXPECT_EQ(out.substr(0, head.size()), head);
    EXPECT_NE(out.find("\tCbus0 = 0xA\n"), std::string::npos);
    EXPECT_EQ(out.substr(out.size() - 15), "\tRIsD2XX = 0x1\n");
    EXPECT_EQ(lineCount(out), 13 + 2 + 19);
    closeDevice();
}

TEST(Eeprom, SectionsPerChipType) {
    fake::reset();
    struct {
        FT_DEVICE type;
        const char *title;
        int fields;
    } cases[] = {{FT_DEVICE_BM, "BM:\n---\n\tRev4 = 0x0\n", 7},
                 {FT_DEVICE_2232C, "2232RC:\n-------\n\tRev5 = 0x0\n", 19},
                 {FT_DEVICE_UNKNOWN, "", 0},
                 {9, "", 0}};
    for (auto &c : cases) {
        fake::bridges[0].type = c.type;
        openDevice(0);
        Record r;
        readEEPROM(&r.data);
        CaptureStdout();
        EXPECT_EQ(printEEPROM(&r.data), (int)c.type);
        std::string out = GetCapturedStdout();
        size_t common = out.find("RemoteWakeup = 0\n") + 17;
        EXPECT_EQ(out.substr(common, strlen(c.title)), c.title) << c.type;
        EXPECT_EQ(lineCount(out), 13 + (c.fields ? 2 + c.fields : 0)) << c.type;
        closeDevice();
    }
}

TEST(Eeprom, IdentityRewriteOnlyOverABackupOfTheImageAsItWas) {
    const std::string folder = writeTempFile("blocker", "");
    const std::string home = folder.substr(0, folder.rfind('/'));
    struct Case {
        const char *what;
        std::string dataHome;
        bool rewritten;
    } cases[] = {{"backup saved", home + "/data", true}, {"backup folder is a file", folder, false}};
    for (const Case &c : cases) {
        fake::reset();
        fake::bridges[0].description = "FT232R USB UART";
        for (size_t i = 0; i < fake::bridges[0].raw.size(); ++i)
            fake::bridges[0].raw[i] = static_cast<uint8_t>(i * 3);
        setenv("XDG_DATA_HOME", c.dataHome.c_str(), 1);
        openDevice(0);
        Record r;
        readEEPROM(&r.data);
        CaptureStdout();
        CaptureStderr();
        rewriteIdentity(&r.data);
        std::string out = GetCapturedStdout(), err = GetCapturedStderr();
        closeDevice();
        if (!c.rewritten) {
            EXPECT_TRUE(fake::line.programmed.empty()) << c.what;
            EXPECT_NE(err.find("EEPROM of FAKE0001 left as it is: no backup of it could be saved ("), std::string::npos)
                << c.what << err;
            continue;
        }
        ASSERT_EQ(fake::line.programmed.size(), 1u) << out << err;
        EXPECT_EQ(fake::line.programmedDescription[0], "FT232R USB VORNE");
        EXPECT_EQ(fake::line.programmed[0].RIsD2XX, 0);
        EXPECT_EQ(fake::line.programmed[0].Cbus0, 0xA); // everything else as read
        EXPECT_STREQ(r.data.Description, "FT232R USB VORNE");
        EXPECT_NE(out.find("Description = FT232R USB VORNE\n"), std::string::npos);
        const std::string said = "EEPROM of FAKE0001 saved to " + c.dataHome + "/vorne/eeprom/FAKE0001_";
        ASSERT_EQ(out.substr(0, said.size()), said) << out;
        std::string path = out.substr(out.find(" to ") + 4);
        path = path.substr(0, path.find('\n'));
        EXPECT_EQ(readWholeFile(path), std::string(fake::bridges[0].raw.begin(), fake::bridges[0].raw.end()));
    }
}

} // namespace
