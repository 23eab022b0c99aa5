/* Every try count, pause and bound of the exchange, pinned on a clock that
 * moves only when the link pauses: a reply due on the last try of a wait is
 * taken, one due a millisecond later is not. */
#include "d2xx/clock.h"
#include "fake_d2xx.h"
#include "ftdi.h"
#include "main.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

std::string repeat(const std::string &s, int n) {
    std::string all;
    for (int i = 0; i < n; ++i)
        all += s;
    return all;
}

/* Replies scheduled for a moment reach the line once the clock gets there. */
class LineClock : public vorne::d2xx::ManualClock {
public:
    void sleepNs(int64_t ns) override {
        ManualClock::sleepNs(ns);
        release();
    }
    int64_t ms() { return nowNs() / 1000000; }
    void at(int64_t ms, const std::string &text) {
        auto it = due_.begin();
        while (it != due_.end() && it->ms <= ms)
            ++it;
        due_.insert(it, {ms, text});
        release();
    }

private:
    struct Due {
        int64_t ms;
        std::string text;
    };
    void release() {
        while (!due_.empty() && due_.front().ms <= ms()) {
            fake::line.chunks.push_back(due_.front().text);
            due_.erase(due_.begin());
        }
    }
    std::vector<Due> due_;
};

class Exchange : public ::testing::Test {
protected:
    struct Rule {
        std::string to;
        int afterMs;
        std::string reply;
    };
    LineClock clock;
    std::vector<Rule> rules;

    void SetUp() override {
        fake::reset();
        msgType = 0;
        setLinkClock(&clock);
        fake::line.onWrite = [this](const std::string &w) {
            for (const auto &r : rules)
                if (r.to == w)
                    clock.at(clock.ms() + r.afterMs, r.reply);
        };
        ASSERT_EQ(openDevice(0), 0);
        clearRespBuff();
    }
    void TearDown() override {
        closeDevice();
        setLinkClock(nullptr);
    }
    /* Starts over on the same open device, for a second run in one case. */
    void restart() {
        rules.clear();
        fake::line.written.clear();
        fake::line.chunks.clear();
        msgType = 0;
    }
    void reply(const std::string &to, int afterMs, const std::string &text) { rules.push_back({to, afterMs, text}); }
    void converterIdentifiesAtOnce() {
        reply("E\r", 0, "E\n");
        reply("\r", 0, "VORNE DMX-RS232 2.0\r\n>");
    }
    int times(const std::string &cmd) const {
        int n = 0;
        for (size_t at = fake::line.written.find(cmd); at != std::string::npos;
             at = fake::line.written.find(cmd, at + cmd.size()))
            ++n;
        return n;
    }
    std::string file(const std::string &name, const std::string &bytes) {
        std::string path = testing::TempDir() + name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    std::string ver() {
        char v[VER_LEN];
        getVer(v, sizeof(v));
        return v;
    }
    /* Runs f and returns how long it took on the line's clock, in ms. */
    template <class F> int64_t elapsed(F f) {
        int64_t start = clock.ms();
        f();
        return clock.ms() - start;
    }
};

TEST_F(Exchange, EachTryOfAWaitIsOneReadAndOneMillisecond) {
    EXPECT_EQ(elapsed([] { EXPECT_EQ(waitForResponse_clr("X", 7, 1), 0); }), 7);
    EXPECT_EQ(fake::line.getStatusCalls, 7);
}

TEST_F(Exchange, EchoIsAwaitedTenTries) {
    reply("E\r", 9, "E\n");
    reply("\r", 0, "VORNE 1\r\n");
    CaptureStdout();
    EXPECT_EQ(checkDev(), 1);
    EXPECT_EQ(times("E\r"), 1);

    restart();
    reply("E\r", 10, "E\n");
    reply("\r", 0, "VORNE 1\r\n");
    EXPECT_EQ(checkDev(), 1);
    EXPECT_EQ(times("E\r"), 2) << "the late echo counts only for the next pass";
    GetCapturedStdout();
}

TEST_F(Exchange, SilentConverterIsAskedTwentyTimesThenLookedAtThreeTimes) {
    EXPECT_EQ(elapsed([] { EXPECT_EQ(checkDev(), -1); }), 20 * 10 + 3 * 1500);
    EXPECT_EQ(times("E\r"), 20);
    EXPECT_EQ(fake::line.written, repeat("E\r", 20));
}

/* The error report is looked for right after the last echo wait and after each
 * of two 1.5 s pauses; the read after the third pause is not examined. */
TEST_F(Exchange, ProgramErrorIsSeenWithinThreeLooks) {
    int echoes = 0;
    fake::line.onWrite = [&](const std::string &w) {
        if (w == "E\r" && ++echoes == 20)
            clock.at(clock.ms() + 10 + 3000, "Error: no program\r\n");
    };
    EXPECT_EQ(checkDev(), 1);
    EXPECT_EQ(ver(), "Program error!");

    restart();
    echoes = 0;
    fake::line.onWrite = [&](const std::string &w) {
        if (w == "E\r" && ++echoes == 20)
            clock.at(clock.ms() + 10 + 3001, "Error: no program\r\n");
    };
    EXPECT_EQ(checkDev(), -1);
}

TEST_F(Exchange, IdentificationIsReadFiftyMillisecondsAfterAsking) {
    reply("E\r", 0, "E\n");
    reply("\r", 50, "VORNE 1\r\n");
    CaptureStdout();
    EXPECT_EQ(checkDev(), 1);
    EXPECT_EQ(times("\r") - times("E\r"), 1);

    restart();
    reply("E\r", 0, "E\n");
    reply("\r", 51, "VORNE 1\r\n");
    EXPECT_EQ(checkDev(), 1);
    EXPECT_EQ(times("\r") - times("E\r"), 2);
    GetCapturedStdout();
}

TEST_F(Exchange, IdentificationGivesUpAfterTenTries) {
    reply("E\r", 0, "E\n");
    reply("\r", 0, "?\r\n");
    CaptureStdout();
    EXPECT_EQ(elapsed([] { EXPECT_EQ(checkDev(), -2); }), 10 * 50);
    EXPECT_EQ(GetCapturedStdout(), repeat("3 (?\r\n)\n", 10));
    EXPECT_EQ(times("\r") - times("E\r"), 10);
}

TEST_F(Exchange, ReplyOfOneByteIsPassedOverSilently) {
    reply("E\r", 0, "E\n");
    reply("\r", 0, "?");
    CaptureStdout();
    EXPECT_EQ(checkDev(), -2);
    EXPECT_EQ(GetCapturedStdout(), "");

    restart();
    reply("E\r", 0, "E\n");
    reply("\r", 0, "?\n");
    CaptureStdout();
    EXPECT_EQ(checkDev(), -2);
    EXPECT_EQ(GetCapturedStdout().substr(0, 8), "2 (?\n)\n2");
}

/* The copy keeps characters from space to 'z' and stops at the first other one. */
TEST_F(Exchange, IdentificationCopyStopsOutsideSpaceToZ) {
    const struct {
        const char *sent;
        const char *kept;
    } cases[] = {{"VORNE az{x\r\n", "VORNE az"},
                 {"VORNE a b~\r\n", "VORNE a b"},
                 {"VORNE !\x1f!\r\n", "VORNE !"},
                 {"VORNE \x7fz\r\n", "VORNE "}};
    CaptureStdout();
    for (const auto &c : cases) {
        restart();
        reply("E\r", 0, "E\n");
        reply("\r", 0, c.sent);
        EXPECT_EQ(checkDev(), 1);
        EXPECT_EQ(ver(), c.kept);
    }
    GetCapturedStdout();
}

TEST_F(Exchange, ConfigAnnouncementIsAnsweredWithinHundredTries) {
    std::string path = file("empty.bin", "");
    reply("CfgFile=0\r", 99, "\nOK\n");
    read_send_file(path.c_str(), 1);
    EXPECT_EQ(times("CfgFile=0\r"), 1);

    restart();
    reply("CfgFile=0\r", 100, "\nOK\n");
    read_send_file(path.c_str(), 1);
    EXPECT_EQ(times("CfgFile=0\r"), 2);
}

TEST_F(Exchange, SilentConverterGetsSixAnnouncements) {
    std::string path = file("silent.bin", "");
    testing::internal::CaptureStderr();
    EXPECT_EQ(elapsed([&] { read_send_file(path.c_str(), 1); }), 6 * 100);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "ERROR: Device not responding.\n");
    EXPECT_EQ(times("CfgFile=0\r"), 6);
}

TEST_F(Exchange, CrcIsAwaitedThousandTries) {
    std::string path = file("crc.bin", "");
    CaptureStdout();
    reply("CfgFile=0\r", 0, "\nOK\n");
    reply("CfgFile=0\r", 999, "CRC: 1A2B\r\nDONE\r\nCRC: OK\r\n");
    EXPECT_EQ(read_send_file(path.c_str(), 1), 0);
    EXPECT_EQ(msgType, 1);
    GetCapturedStdout();

    restart();
    testing::internal::CaptureStderr();
    reply("CfgFile=0\r", 0, "\nOK\n");
    reply("CfgFile=0\r", 1000, "CRC: 1A2B\r\nDONE\r\nCRC: OK\r\n");
    EXPECT_EQ(read_send_file(path.c_str(), 1), -1);
    EXPECT_EQ(msgType, -1);
    testing::internal::GetCapturedStderr();
}

TEST_F(Exchange, CrcOkIsAwaitedThousandTriesMoreThenEightyMilliseconds) {
    std::string path = file("crcok.bin", "");
    CaptureStdout();
    reply("CfgFile=0\r", 0, "\nOK\n");
    reply("CfgFile=0\r", 0, "CRC: 1A2B\r\n");
    reply("CfgFile=0\r", 999, "DONE\r\nCRC: OK\r\n");
    EXPECT_EQ(elapsed([&] { read_send_file(path.c_str(), 1); }), 999 + 80);
    EXPECT_EQ(msgType, 1);
    GetCapturedStdout();

    restart();
    reply("CfgFile=0\r", 0, "\nOK\n");
    reply("CfgFile=0\r", 0, "CRC: 1A2B\r\n");
    reply("CfgFile=0\r", 1000, "DONE\r\nCRC: OK\r\n");
    EXPECT_EQ(elapsed([&] { read_send_file(path.c_str(), 1); }), 1000 + 80);
    EXPECT_EQ(msgType, 0) << "no DONE was read: no message";
}

TEST_F(Exchange, BootIsAwaitedFifteenHundredTries) {
    reply("Bootloader\r", 1499, "BOOT.\n");
    EXPECT_EQ(startBootloader(), 1);
    EXPECT_EQ(times("Bootloader\r"), 1);

    restart();
    reply("Bootloader\r", 1500, "BOOT.\n");
    EXPECT_EQ(startBootloader(), 1);
    EXPECT_EQ(times("Bootloader\r"), 2);
}

TEST_F(Exchange, SilentBootloaderTakesTwelveWaits) {
    EXPECT_EQ(elapsed([] { EXPECT_EQ(startBootloader(), 0); }), 12 * 1500);
    EXPECT_EQ(fake::line.written, repeat("Bootloader\r", 6) + repeat("\x1b", 6));
}

/* ".\n" may come with "BOOT" in one read: its wait keeps the text. Then 10 ms. */
TEST_F(Exchange, ReadyLineIsAwaitedWithoutClearingThenTenMilliseconds) {
    reply("Bootloader\r", 0, "BOOTLOADER ready.\n");
    EXPECT_EQ(elapsed([] { EXPECT_EQ(startBootloader(), 1); }), 10);

    restart();
    reply("Bootloader\r", 0, "BOOT");
    EXPECT_EQ(elapsed([] { EXPECT_EQ(startBootloader(), 1); }), 1500 + 10);
}

TEST_F(Exchange, FirmwarePausesOneSecondAfterItsData) {
    std::string path = file("empty.fw", "");
    reply("Bootloader\r", 0, "BOOT.\n");
    reply("Bootloader\r", 1, "CRC: 1A2B\r\nDONE\r\nCRC: OK\r\n");
    converterIdentifiesAtOnce();
    CaptureStdout();
    /* bootloader pause, the pause after the data, after the CRC, the identification's pause */
    EXPECT_EQ(elapsed([&] { EXPECT_EQ(read_send_file(path.c_str(), 0), 0); }), 10 + 1000 + 80 + 50);
    GetCapturedStdout();
    EXPECT_EQ(msgType, 1);
}

/* Each block: a look for "ERROR", a look for "FILE", the send (one status
 * query when the queue drains at once). */
TEST_F(Exchange, DataPhaseLooksTwicePerBlock) {
    fileDataSize = 48;
    EXPECT_EQ(sendFileData(), 0);
    EXPECT_EQ(fake::line.written.size(), 48u);
    EXPECT_EQ(fake::line.getStatusCalls, 3 * (2 + 1));
}

} // namespace
