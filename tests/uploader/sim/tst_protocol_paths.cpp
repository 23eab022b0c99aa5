/* Every path of the upload protocol against the simulator, driven by a small
 * client that polls, waits and matches exactly as the uploader does (1 ms
 * pauses, 150-byte reads, the 255-byte response text). It proves the model
 * gives the uploader what it waits for, fault by fault, on a hand-stepped clock. */
#include "ftd2xx.h"
#include "sim_bus.h"
#include "worked_example.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace vorne::sim;
using vorne::d2xx::ManualClock;

namespace {

constexpr int64_t kMs = 1000000;

class Client {
public:
    explicit Client(ManualClock &clock) : clock_(clock) {}

    bool open(const char *serial) {
        if (FT_OpenEx(const_cast<char *>(serial), FT_OPEN_BY_SERIAL_NUMBER, &h_) != FT_OK)
            return false;
        FT_ResetDevice(h_);
        FT_SetTimeouts(h_, 1, 0);
        FT_SetBaudRate(h_, 38400);
        FT_SetDataCharacteristics(h_, FT_BITS_8, FT_STOP_BITS_1, FT_PARITY_NONE);
        return true;
    }
    void close() { FT_Close(h_); }

    /* Write, then wait for the transmit queue to empty; a failed status ends the wait. */
    int send(const std::string &bytes) {
        DWORD written = 0, rx = 0, tx = 0, ev = 0;
        if (FT_Write(h_, const_cast<char *>(bytes.data()), static_cast<DWORD>(bytes.size()), &written) != FT_OK)
            return -1;
        do {
            if (FT_GetStatus(h_, &rx, &tx, &ev) != FT_OK)
                return -1;
            clock_.sleepNs(kMs / 10);
        } while (tx > 0);
        return static_cast<int>(written);
    }
    int read(char *buf, int len) {
        std::memset(buf, 0, static_cast<size_t>(len));
        DWORD rx = 0, tx = 0, ev = 0, got = 0;
        if (FT_GetStatus(h_, &rx, &tx, &ev) != FT_OK || rx == 0)
            return -1;
        if (FT_Read(h_, buf, static_cast<DWORD>(len), &got) != FT_OK)
            return -1;
        return static_cast<int>(got);
    }
    void clear() {
        std::memset(resp_, 0, sizeof resp_);
        used_ = 0;
    }
    void gather() {
        char buf[150];
        int n = read(buf, sizeof buf);
        for (int i = 0; i < n && used_ < 255; ++i)
            resp_[used_++] = buf[i];
    }
    bool has(const char *pattern) const { return std::strstr(resp_, pattern) != nullptr; }
    bool wait(const char *pattern, int tries, bool clearFirst) {
        if (clearFirst)
            clear();
        for (int i = 0; i < tries; ++i) {
            gather();
            if (has(pattern))
                return true;
            clock_.sleepNs(kMs);
        }
        return false;
    }
    std::string text() const { return resp_; }

    /* The uploader's identification: 1 found (ver set), -1 silent, -2 echo without identification. */
    int checkDev() {
        bool echo = false;
        for (int pass = 0; pass < 20 && !echo; ++pass) {
            send("E\r");
            echo = wait("E\n", 10, true);
        }
        if (!echo)
            return pgmError() ? 1 : -1;
        for (int i = 0; i < 10; ++i) {
            send("\r");
            clock_.sleepNs(50 * kMs);
            char buf[150];
            int n = read(buf, sizeof buf);
            const char *v = n > 1 ? std::strstr(buf, "VORNE ") : nullptr;
            if (v) {
                ver.clear();
                for (; *v >= ' ' && *v <= 'z' && ver.size() < 50; ++v)
                    ver.push_back(*v);
                return 1;
            }
        }
        return -2;
    }
    bool pgmError() {
        char buf[150];
        if (read(buf, sizeof buf) == 0)
            return false;
        for (int i = 0; i < 3; ++i) {
            if (std::strstr(buf, "error") || std::strstr(buf, "Error") || std::strstr(buf, "ERROR")) {
                ver = "Program error!";
                return true;
            }
            clock_.sleepNs(1500 * kMs);
            if (read(buf, sizeof buf) == 0)
                return false;
        }
        return false;
    }
    bool startBootloader() {
        for (int attempt = 0; attempt < 12; ++attempt) {
            send(attempt < 6 ? "Bootloader\r" : "\x1b");
            if (wait("BOOT", 1500, true)) {
                wait(".\n", 1500, false);
                clock_.sleepNs(10 * kMs);
                return true;
            }
        }
        return false;
    }
    int sendFileData(const std::string &file) {
        clear();
        std::string padded = file + std::string((16 - file.size() % 16) % 16, '\0');
        for (size_t at = 0; at < file.size(); at += 16) {
            gather();
            if (has("ERROR"))
                return -1;
            gather();
            if (has("FILE"))
                return -1;
            if (send(padded.substr(at, 16)) < 0)
                return -1;
        }
        return 0;
    }
    /* The outcome: "INFO: ..." or "ERROR: ..." as the uploader would report it, "" for no message. */
    std::string finish(const char *kind, size_t size) {
        bool crc = wait("CRC:", 1000, true);
        wait("CRC: OK", 1000, false);
        clock_.sleepNs(80 * kMs);
        if (!crc)
            return failure();
        const char *done = std::strstr(resp_, "DONE");
        if (!done)
            return "";
        std::string message = std::string(kind) + " (" + std::to_string(size) + "B) " + done;
        return (std::strstr(done, "CRC: OK") ? "INFO: " : "ERROR: ") + message;
    }
    std::string failure() const { return "ERROR: " + (used_ ? text() : std::string("Device not responding.")); }

    std::string uploadConfig(const std::string &file) {
        bool ok = false;
        for (int attempt = 0; attempt < 6 && !ok; ++attempt) {
            send("CfgFile=" + std::to_string(file.size()) + "\r");
            ok = wait("\nOK\n", 100, true);
        }
        if (!ok || sendFileData(file) < 0)
            return failure();
        return finish("config", file.size());
    }
    std::string uploadFirmware(const std::string &file) {
        if (!startBootloader())
            return "ERROR: Cannot start bootloader.";
        int sent = sendFileData(file);
        clock_.sleepNs(1000 * kMs);
        if (sent < 0)
            return "ERROR: " + text();
        return finish("firmware", file.size());
    }

    std::string ver;

private:
    ManualClock &clock_;
    FT_HANDLE h_ = nullptr;
    char resp_[1280] = {};
    int used_ = 0;
};

class ProtocolPaths : public ::testing::Test {
protected:
    void SetUp() override { SimBus::instance().setClock(&clock); }
    void TearDown() override {
        client.close();
        SimBus::instance().load(Scenario{});
        SimBus::instance().setClock(nullptr);
    }
    void start(const std::string &bridge) {
        Scenario s;
        std::string error;
        ASSERT_TRUE(parseScenario("[bridge]\n" + bridge, &s, &error)) << error;
        SimBus::instance().load(s);
        ASSERT_TRUE(client.open("VRN00001"));
    }

    ManualClock clock;
    Client client{clock};
};

const char kIdent[] = "VORNE DMX512-RS232 Converter v2.11";

} // namespace

TEST_F(ProtocolPaths, HealthyConverterTakesTheWorkedImage) {
    start("");
    ASSERT_EQ(client.checkDev(), 1);
    EXPECT_EQ(client.ver, kIdent);
    EXPECT_EQ(client.uploadConfig(workedExampleImage()), "INFO: config (226B) DONE\nCRC: OK\n");
}

TEST_F(ProtocolPaths, HealthyConverterTakesFirmwareAndIdentifiesAnew) {
    start("firmware_ident = VORNE DMX512-RS232 Converter v2.12\n");
    ASSERT_EQ(client.checkDev(), 1);
    EXPECT_EQ(client.uploadFirmware(std::string(4096, '\x7E')), "INFO: firmware (4096B) DONE\nCRC: OK\n");
    ASSERT_EQ(client.checkDev(), 1);
    EXPECT_EQ(client.ver, "VORNE DMX512-RS232 Converter v2.12");
}

TEST_F(ProtocolPaths, CorruptImageIsReportedAsError) {
    start("");
    std::string image = workedExampleImage();
    image[200] ^= 0x20;
    std::string outcome = client.uploadConfig(image);
    EXPECT_EQ(outcome.rfind("ERROR: config (226B) DONE\nCRC: BAD", 0), 0u) << outcome;
}

TEST_F(ProtocolPaths, EmptyFileGetsTheCheckFailure) {
    start("");
    std::string outcome = client.uploadConfig("");
    EXPECT_EQ(outcome.rfind("ERROR: config (0B) DONE\nCRC: BAD", 0), 0u) << outcome;
}

TEST_F(ProtocolPaths, SplitRepliesAreStillFound) {
    start("fault = split\n");
    ASSERT_EQ(client.checkDev(), 1);
    EXPECT_EQ(client.uploadConfig(workedExampleImage()), "INFO: config (226B) DONE\nCRC: OK\n");
    EXPECT_EQ(client.uploadFirmware(std::string(100, '\x01')), "INFO: firmware (100B) DONE\nCRC: OK\n");
}

TEST_F(ProtocolPaths, ProgramErrorIsAcceptedAndCuredByFirmware) {
    start("fault = program_error\n");
    ASSERT_EQ(client.checkDev(), 1);
    EXPECT_EQ(client.ver, "Program error!");
    EXPECT_EQ(client.uploadFirmware(std::string(64, '\x55')), "INFO: firmware (64B) DONE\nCRC: OK\n");
    ASSERT_EQ(client.checkDev(), 1);
    EXPECT_EQ(client.ver, kIdent);
}

TEST_F(ProtocolPaths, ErrorOnlyIsAcceptedButHasNoBootloader) {
    start("fault = error_only\n");
    ASSERT_EQ(client.checkDev(), 1);
    EXPECT_EQ(client.ver, "Program error!");
    EXPECT_EQ(client.uploadFirmware("fw"), "ERROR: Cannot start bootloader.");
}

TEST_F(ProtocolPaths, EscOnlyBootloaderIsReachedOnTheSeventhAttempt) {
    start("bootloader = esc\n");
    EXPECT_EQ(client.uploadFirmware(std::string(32, '\x02')), "INFO: firmware (32B) DONE\nCRC: OK\n");
}

TEST_F(ProtocolPaths, SilentOrEchoLessConverterIsNotFound) {
    for (const char *fault : {"silent", "no_echo"}) {
        start(std::string("fault = ") + fault + "\n");
        EXPECT_EQ(client.checkDev(), -1) << fault;
        client.close();
    }
}

TEST_F(ProtocolPaths, ConverterWithoutIdentificationIsNotFound) {
    start("fault = no_ident\n");
    EXPECT_EQ(client.checkDev(), -2);
}

TEST_F(ProtocolPaths, NoOkReportsTheEchoes) {
    start("fault = no_ok\n");
    std::string outcome = client.uploadConfig(workedExampleImage());
    EXPECT_EQ(outcome, "ERROR: CfgFile=226\n");
}

TEST_F(ProtocolPaths, NothingOnTheLineIsNotResponding) {
    start("line = none\n");
    EXPECT_EQ(client.checkDev(), -1);
    EXPECT_EQ(client.uploadConfig(workedExampleImage()), "ERROR: Device not responding.");
}

TEST_F(ProtocolPaths, ErrorOrFileDuringTheDataPhaseStopsIt) {
    start("fault = error_in_data\nfault_at = 64\n");
    EXPECT_EQ(client.uploadConfig(workedExampleImage()), "ERROR: ERROR\n");
    client.close();
    start("fault = file_in_data\nfault_at = 64\n");
    EXPECT_EQ(client.uploadConfig(workedExampleImage()), "ERROR: FILE\n");
    client.close();
    start("fault = error_in_data\nfault_at = 64\n");
    EXPECT_EQ(client.uploadFirmware(std::string(256, '\x03')), "ERROR: ERROR\n");
}

TEST_F(ProtocolPaths, BadCrcAndMissingDone) {
    start("fault = bad_crc\n");
    std::string outcome = client.uploadConfig(workedExampleImage());
    EXPECT_EQ(outcome.rfind("ERROR: config (226B) DONE\nCRC: BAD", 0), 0u) << outcome;
    std::string firmware = client.uploadFirmware(std::string(32, '\x04'));
    EXPECT_EQ(firmware.rfind("ERROR: firmware (32B) DONE\nCRC: BAD", 0), 0u) << firmware;
    client.close();
    start("fault = no_done\n");
    EXPECT_EQ(client.uploadConfig(workedExampleImage()), "");
}

TEST_F(ProtocolPaths, UnplugEndsTheTransfer) {
    start("fault = unplug\nfault_at = 100\n");
    EXPECT_EQ(client.uploadConfig(workedExampleImage()), "ERROR: Device not responding.");
    DWORD n = 9;
    FT_ListDevices(&n, nullptr, FT_LIST_NUMBER_ONLY);
    EXPECT_EQ(n, 0u);
}
