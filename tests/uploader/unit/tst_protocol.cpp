/* The upload exchange against a small scripted converter: identification,
 * the configuration and firmware exchanges, and the messages they leave. */
#include "fake_d2xx.h"
#include "fileio.h"
#include "ftdi.h"
#include "main.h"
#include "mini_converter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <unistd.h>

using testing::internal::CaptureStderr;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStderr;
using testing::internal::GetCapturedStdout;

namespace {

std::string tempFile(const std::string &name, const std::string &bytes) {
    std::string path = testing::TempDir() + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

std::string message() {
    char m[MESSAGE_LEN];
    getMessage(m, sizeof(m));
    return m;
}

class Protocol : public ::testing::Test {
protected:
    MiniConverter conv;
    void SetUp() override {
        fake::reset();
        fake::line.onWrite = [this](const std::string &w) { conv(w); };
        ASSERT_EQ(openDevice(0), 0);
    }
    void TearDown() override { closeDevice(); }
};

TEST_F(Protocol, IdentificationFillsVer) {
    CaptureStdout();
    EXPECT_EQ(checkDev(), 1);
    EXPECT_EQ(GetCapturedStdout(), "Found VORNE DMX-RS232 2.0\r\n>\n");
    char v[VER_LEN];
    getVer(v, sizeof(v));
    EXPECT_STREQ(v, "VORNE DMX-RS232 2.0");
    EXPECT_EQ(fake::line.written, "E\r\r");
}

TEST_F(Protocol, IdentificationIsCutAt50Characters) {
    conv.ident = "VORNE " + std::string(60, 'x') + "\r\n";
    CaptureStdout();
    EXPECT_EQ(checkDev(), 1);
    GetCapturedStdout();
    char v[VER_LEN];
    getVer(v, sizeof(v));
    EXPECT_EQ(std::string(v), "VORNE " + std::string(44, 'x'));
}

TEST_F(Protocol, EchoWithoutIdentification) {
    conv.ident = "?\r\n";
    CaptureStdout();
    EXPECT_EQ(checkDev(), -2);
    EXPECT_NE(GetCapturedStdout().find("3 (?\r\n)\n"), std::string::npos);
}

TEST_F(Protocol, ConverterThatOnlyPrintsErrorIsAccepted) {
    int echoes = 0;
    fake::line.onWrite = [&echoes](const std::string &w) {
        // The box prints its complaint late, after the last echo wait gave up.
        if (w == "E\r" && ++echoes == 20) {
            fake::line.holdStatus = 11; // the drain check and the ten tries
            fake::line.chunks.push_back("Error: no program\r\n");
        }
    };
    EXPECT_EQ(checkDev(), 1);
    char v[VER_LEN];
    getVer(v, sizeof(v));
    EXPECT_STREQ(v, "Program error!");
    EXPECT_EQ(echoes, 20);
}

TEST_F(Protocol, ConfigImageOf168BytesGoesOutAsElevenBlocks) {
    std::string image(168, '\x5A');
    std::string path = tempFile("cfg168.bin", image);
    CaptureStdout();
    EXPECT_EQ(read_send_file(path.c_str(), 0), 0);
    std::string out = GetCapturedStdout();
    std::string expectedText = "Vorne config file:\n" + path + "\n(168B)\n\nDONE\r\nCRC: OK\r\n";
    EXPECT_EQ(out, "INFO: " + expectedText);
    EXPECT_EQ(message(), expectedText);
    EXPECT_EQ(msgType, 1);
    EXPECT_EQ(fake::line.written, "CfgFile=168\r" + image + std::string(8, '\0'));
    EXPECT_EQ(pStatusSt, 168);
    EXPECT_EQ(pStatusTop, 168);
}

TEST_F(Protocol, LastBlockIsZeroPaddedAfterALongerFile) {
    std::string longer = tempFile("long.bin", std::string(40, '\xFF'));
    std::string shorter = tempFile("short.bin", std::string(20, '\x11'));
    CaptureStdout();
    read_send_file(longer.c_str(), 1);
    fake::line.written.clear();
    read_send_file(shorter.c_str(), 1);
    GetCapturedStdout();
    EXPECT_EQ(fake::line.written, "CfgFile=20\r" + std::string(20, '\x11') + std::string(12, '\0'));
}

TEST_F(Protocol, EmptyFileSendsOnlyTheAnnouncement) {
    std::string path = tempFile("empty.bin", "");
    CaptureStdout();
    EXPECT_EQ(read_send_file(path.c_str(), 0), 0);
    GetCapturedStdout();
    EXPECT_EQ(fake::line.written, "CfgFile=0\r");
    EXPECT_EQ(message(), "Vorne config file:\n" + path + "\n(0B)\n\nDONE\r\nCRC: OK\r\n");
}

TEST_F(Protocol, BadCrcIsAnError) {
    conv.finalReply = "CRC: 0000\r\nDONE\r\nCRC: BAD\r\n";
    std::string path = tempFile("bad.bin", std::string(16, 'a'));
    CaptureStderr();
    EXPECT_EQ(read_send_file(path.c_str(), 0), -1);
    std::string expectedText = "Vorne config file:\n" + path + "\n(16B)\n\nDONE\r\nCRC: BAD\r\n";
    EXPECT_EQ(GetCapturedStderr(), "ERROR: " + expectedText + "\n");
    EXPECT_EQ(msgType, -1);
}

TEST_F(Protocol, NoDoneMeansNoMessage) {
    conv.finalReply = "CRC: OK\r\n";
    std::string path = tempFile("nodone.bin", std::string(16, 'a'));
    CaptureStdout();
    CaptureStderr();
    read_send_file(path.c_str(), 0);
    EXPECT_EQ(GetCapturedStdout(), "");
    EXPECT_EQ(GetCapturedStderr(), "");
    EXPECT_EQ(msgType, 0);
}

TEST_F(Protocol, ErrorDuringTheDataPhaseStopsBeforeTheNextBlock) {
    conv.strikeText = "ERROR\r\n";
    conv.strikeAt = 32;
    std::string path = tempFile("err.bin", std::string(160, 'a'));
    CaptureStderr();
    read_send_file(path.c_str(), 0);
    EXPECT_EQ(GetCapturedStderr(), "ERROR: ERROR\r\n\n");
    EXPECT_EQ(fake::line.written.size(), strlen("CfgFile=160\r") + 32);
}

TEST_F(Protocol, UnplugDuringTheDataPhaseEndsTheTransfer) {
    conv.unplugAt = true;
    conv.strikeAt = 48;
    std::string path = tempFile("unplug.bin", std::string(4096, 'a'));
    CaptureStderr();
    read_send_file(path.c_str(), 0);
    EXPECT_EQ(GetCapturedStderr(), "ERROR: Device not responding.\n");
    EXPECT_EQ(fake::line.written.size(), strlen("CfgFile=4096\r") + 48);
}

TEST_F(Protocol, NoOkIsReportedAfterSixAttempts) {
    fake::line.onWrite = nullptr;
    std::string path = tempFile("nook.bin", std::string(16, 'a'));
    CaptureStderr();
    read_send_file(path.c_str(), 0);
    EXPECT_EQ(GetCapturedStderr(), "ERROR: Device not responding.\n");
    std::string six;
    for (int i = 0; i < 6; i++)
        six += "CfgFile=16\r";
    EXPECT_EQ(fake::line.written, six);
}

TEST_F(Protocol, FirmwareGoesThroughTheBootloader) {
    std::string fw(40, '\x77');
    std::string path = tempFile("new.FW", fw);
    conv.finalReply = "DONE\r\nCRC: OK\r\n";
    fake::line.onWrite = [this](const std::string &w) {
        conv(w);
        if (w == "Bootloader\r")
            conv.expected = 48;
    };
    CaptureStdout();
    EXPECT_EQ(read_send_file(path.c_str(), 0), 0);
    std::string out = GetCapturedStdout();
    EXPECT_EQ(out.substr(0, out.find("Found")),
              "INFO: Vorne firmware file:\n" + path + "\n(40B)\n\nDONE\r\nCRC: OK\r\n");
    EXPECT_EQ(fake::line.written.substr(0, 11 + 48), "Bootloader\r" + fw + std::string(8, '\0'));
    // The identification is asked again after new firmware.
    EXPECT_EQ(fake::line.written.substr(11 + 48), "E\r\r");
}

TEST_F(Protocol, SilentBootloader) {
    fake::line.onWrite = nullptr;
    std::string path = tempFile("x.fw", "abc");
    CaptureStderr();
    read_send_file(path.c_str(), 0);
    EXPECT_EQ(GetCapturedStderr(), "ERROR: Cannot start bootloader.\n");
    std::string expected;
    for (int i = 0; i < 6; i++)
        expected += "Bootloader\r";
    expected += std::string(6, '\x1b');
    EXPECT_EQ(fake::line.written, expected);
}

TEST(Files, UnreadableAndTooLarge) {
    fake::reset();
    CaptureStderr();
    EXPECT_EQ(read_send_file("/nonexistent/cfg.bin", 0), -1);
    EXPECT_EQ(GetCapturedStderr(), "ERROR: Cannot read file:\n/nonexistent/cfg.bin\n");

    std::string big = tempFile("big.bin", std::string(FILE_DATA_SIZE + 1, 'b'));
    CaptureStderr();
    EXPECT_EQ(read_send_file(big.c_str(), 0), -1);
    EXPECT_EQ(GetCapturedStderr(), "ERROR: File too large (more than 1048576 bytes):\n" + big + "\n");
    EXPECT_EQ(fake::line.written, "");

    // Exactly the buffer's size still fits.
    std::string full = tempFile("full.bin", std::string(FILE_DATA_SIZE, 'f'));
    EXPECT_EQ(read_file(full.c_str(), fileData, FILE_DATA_SIZE), FILE_DATA_SIZE);
    EXPECT_EQ(read_file(testing::TempDir().c_str(), fileData, FILE_DATA_SIZE), READ_FILE_CANNOT_OPEN);
}

TEST(Messages, LongPathIsShortenedAndTheReplyKept) {
    std::string path = "/" + std::string(700, 'd') + "/end.bin";
    char out[MESSAGE_LEN];
    composeWithPath(out, sizeof(out), "Vorne config file:\n", path.c_str(), "\n(10B)\n\nDONE CRC: OK");
    std::string s = out;
    EXPECT_EQ(s.size(), (size_t)MESSAGE_LEN - 1);
    EXPECT_EQ(s.substr(0, 22), "Vorne config file:\n...");
    const std::string tail = "end.bin\n(10B)\n\nDONE CRC: OK";
    EXPECT_EQ(s.substr(s.size() - tail.size()), tail);

    composeWithPath(out, sizeof(out), "a", "b", "c");
    EXPECT_STREQ(out, "abc");
}

TEST(Messages, PercentIsPrintedLiterallyAndLongTextsAreCut) {
    CaptureStdout();
    messageInfo("100% %s %d\n");
    EXPECT_EQ(GetCapturedStdout(), "INFO: 100% %s %d\n");
    EXPECT_EQ(message(), "100% %s %d\n");

    CaptureStderr();
    std::string huge(2000, 'h');
    messageError(huge.c_str());
    GetCapturedStderr();
    EXPECT_EQ(message(), std::string(MESSAGE_LEN - 1, 'h'));
    EXPECT_EQ(msgType, -1);
}

} // namespace
