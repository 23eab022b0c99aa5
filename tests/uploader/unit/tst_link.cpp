/* The converter link: response text gathering, waits, and the bounded send. */
#include "fake_d2xx.h"
#include "ftdi.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>

namespace {

class Link : public ::testing::Test {
protected:
    void SetUp() override {
        fake::reset();
        clearRespBuff();
        ASSERT_EQ(openDevice(0), 0);
    }
    void TearDown() override { closeDevice(); }
};

TEST_F(Link, ReplySplitOverTwoReadsIsFound) {
    fake::line.chunks = {"CR", "C: OK"};
    EXPECT_EQ(waitForResponse_clr("CRC: OK", 5, 1), 1);
    EXPECT_STREQ(resp_buff, "CRC: OK");
}

TEST_F(Link, TextStopsAt255Bytes) {
    fake::line.chunks = {std::string(150, 'a'), std::string(150, 'b'), "DONE"};
    EXPECT_EQ(waitForResponse_clr("DONE", 10, 1), 0);
    EXPECT_EQ(strlen(resp_buff), 255u);
    EXPECT_EQ(resp_buff[254], 'b');
    EXPECT_EQ(ptr_respBuff, resp_buff + 255);
}

TEST_F(Link, ZeroByteEndsTheSearchableText) {
    fake::line.chunks = {std::string("ab\0CRC: OK", 10)};
    EXPECT_EQ(waitForResponse_clr("CRC: OK", 3, 1), 0);
}

TEST_F(Link, WaitWithoutClearFindsEarlierText) {
    fake::line.chunks = {"BOOT", "loader.\n"};
    EXPECT_EQ(waitForResponse_clr("BOOT", 3, 1), 1);
    EXPECT_EQ(waitForResponse_clr("BOOT", 1, 0), 1);
    EXPECT_EQ(waitForResponse_clr(".\n", 3, 0), 1);
    EXPECT_STREQ(resp_buff, "BOOTloader.\n");
    EXPECT_EQ(waitForResponse_clr("BOOT", 1, 1), 0);
}

TEST_F(Link, NoTriesMeansNoRead) {
    fake::line.chunks = {"OK"};
    int before = fake::line.getStatusCalls;
    EXPECT_EQ(waitForResponse_clr("OK", 0, 1), 0);
    EXPECT_EQ(waitForResponse_clr("OK", -3, 1), 0);
    EXPECT_EQ(fake::line.getStatusCalls, before);
}

TEST_F(Link, CheckResponseReadsOnceWithoutClearing) {
    fake::line.chunks = {"ER", "ROR"};
    EXPECT_EQ(checkResponse("ERROR"), 0);
    EXPECT_EQ(checkResponse("ERROR"), 1);
}

TEST_F(Link, GetResponseLimitsTheRead) {
    fake::line.chunks = {std::string(200, 'x')};
    char buf[150];
    EXPECT_EQ(getResponse(buf, 150), 150);
    EXPECT_EQ(getResponse(buf, 150), 50);
    EXPECT_EQ(buf[49], 'x');
    EXPECT_EQ(buf[50], 0);
    EXPECT_EQ(getResponse(buf, 150), -1); // nothing waiting
}

TEST_F(Link, SendReturnsTheAcceptedCount) {
    EXPECT_EQ(sendData("CfgFile=3\r", 10), 10);
    EXPECT_EQ(fake::line.written, "CfgFile=3\r");
}

TEST_F(Link, SendFailsWhenTheWriteFails) {
    fake::line.writeFails = true;
    EXPECT_EQ(sendData("E\r", 2), -1);
}

TEST_F(Link, SendEndsWhenTheStatusQueryFails) {
    fake::line.statusFails = true;
    EXPECT_EQ(sendData("E\r", 2), -1);
}

TEST_F(Link, SendGivesUpOnAQueueThatNeverDrains) {
    fake::line.txStuck = 16;
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(sendData("0123456789abcdef", 16), -1);
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
    EXPECT_GE(ms, 400);
    EXPECT_LT(ms, 3000);
    // Polled with pauses, not in a busy loop.
    EXPECT_LT(fake::line.getStatusCalls, 2000);
}

TEST_F(Link, StopRequestEndsAStalledSend) {
    fake::line.txStuck = 1;
    linkStop = true;
    EXPECT_EQ(sendData("x", 1), -1);
    linkStop = false;
}

TEST(LinkNoDevice, EverythingFailsQuietly) {
    fake::reset();
    char buf[8];
    memset(buf, 'x', sizeof(buf));
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    EXPECT_EQ(getResponse(buf, 8), -1);
    EXPECT_EQ(sendData("E\r", 2), -1);
    EXPECT_EQ(waitForResponse_clr("E\n", 2, 1), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    for (char c : buf)
        EXPECT_EQ(c, 0);
}

TEST(LinkClear, ClearsTheTextAndRewinds) {
    memset(resp_buff, 'x', sizeof(resp_buff));
    ptr_respBuff = resp_buff + 100;
    clearRespBuff();
    EXPECT_EQ(ptr_respBuff, resp_buff);
    for (int i = 0; i < 1256; i++)
        ASSERT_EQ(resp_buff[i], 0) << i;
}

} // namespace
