/* The bridge's two queues: transmit pacing at the line rate and split reads. */
#include "rx_stream.h"
#include "tx_pacer.h"

#include <gtest/gtest.h>

using vorne::d2xx::TxPacer;
using vorne::sim::RxStream;

namespace {
constexpr int64_t kMs = 1000000;
constexpr int64_t kStart = 5000 * kMs;

std::string bytes(size_t n) { return std::string(n, 'x'); }

void push(TxPacer &p, const std::string &s, int64_t at) {
    p.push(reinterpret_cast<const uint8_t *>(s.data()), s.size(), at);
}

std::string readSome(RxStream &rx, size_t len = 150) {
    std::string buf(len, '\0');
    size_t n = rx.read(reinterpret_cast<uint8_t *>(&buf[0]), len);
    return buf.substr(0, n);
}
} // namespace

TEST(TxPacer, DrainsAt3840BytesPerSecond) {
    TxPacer p;
    push(p, bytes(3840), kStart);
    EXPECT_EQ(p.pending(), 3840u);
    EXPECT_EQ(p.drain(kStart + 1 * kMs).size(), 3u); /* 3.84 bytes in 1 ms: three stop bits have ended */
    EXPECT_EQ(p.drain(kStart + 500 * kMs).size(), 1917u);
    EXPECT_EQ(p.pending(), 1920u);
    EXPECT_EQ(p.drain(kStart + 1000 * kMs - 1).size(), 1919u);
    EXPECT_EQ(p.pending(), 1u);
    EXPECT_EQ(p.drain(kStart + 1000 * kMs).size(), 1u);
    EXPECT_EQ(p.pending(), 0u);
}

TEST(TxPacer, ByteTimesAreTenBitTimes) {
    TxPacer p;
    push(p, "ab", kStart);
    auto sent = p.drain(kStart + 10 * kMs);
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].value, 'a');
    EXPECT_EQ(sent[0].doneNs, kStart + 260417); /* 1/3840 s, rounded up */
    EXPECT_EQ(sent[1].doneNs, kStart + 520834);
}

TEST(TxPacer, WritesToABusyLineQueueBehindAndToAnIdleLineStartAtOnce) {
    TxPacer p;
    push(p, bytes(16), kStart);
    push(p, bytes(16), kStart + 1 * kMs); /* line still busy: no gap */
    auto sent = p.drain(kStart + 100 * kMs);
    ASSERT_EQ(sent.size(), 32u);
    EXPECT_EQ(sent[31].doneNs, kStart + 8333334);

    push(p, bytes(1), kStart + 200 * kMs); /* idle line: timed from the write */
    auto late = p.drain(kStart + 300 * kMs);
    ASSERT_EQ(late.size(), 1u);
    EXPECT_EQ(late[0].doneNs, kStart + 200 * kMs + 260417);
}

TEST(TxPacer, LongTransferHasNoDrift) {
    TxPacer p;
    for (int block = 0; block < 16384; ++block) /* 256 KiB written block by block while busy */
        push(p, bytes(16), kStart + block * 4 * kMs);
    EXPECT_EQ(p.drain(kStart + 68266 * kMs).size(), 262141u);
    EXPECT_EQ(p.pending(), 3u);
}

TEST(TxPacer, UnpacedSendsEverythingAtOnce) {
    TxPacer p(false);
    push(p, bytes(100000), kStart);
    EXPECT_EQ(p.drain(kStart).size(), 100000u);
}

TEST(TxPacer, ClearDropsQueuedBytesAndRestartsTiming) {
    TxPacer p;
    push(p, bytes(100), kStart);
    p.clear();
    EXPECT_EQ(p.pending(), 0u);
    push(p, bytes(1), kStart + 1 * kMs);
    auto sent = p.drain(kStart + 2 * kMs);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].doneNs, kStart + 1 * kMs + 260417);
}

TEST(RxStream, ReadsEverythingWithoutCuts) {
    RxStream rx;
    rx.append("DONE\n");
    rx.append("CRC: OK\n");
    EXPECT_EQ(rx.available(), 13u);
    EXPECT_EQ(readSome(rx), "DONE\nCRC: OK\n");
    EXPECT_EQ(rx.available(), 0u);
}

TEST(RxStream, CutsSplitRepliesAcrossReads) {
    RxStream rx;
    rx.append("CRC: OK\n", 2);
    rx.append("DONE\n", 2);
    EXPECT_EQ(rx.available(), 2u);
    EXPECT_EQ(readSome(rx), "CR");
    EXPECT_EQ(readSome(rx), "C: OK\nDO");
    EXPECT_EQ(readSome(rx), "NE\n");
    EXPECT_EQ(readSome(rx), "");
}

TEST(RxStream, ShortTextsAreNotCut) {
    RxStream rx;
    rx.append("OK", 2);
    rx.append("\n", 2);
    EXPECT_EQ(readSome(rx), "OK\n");
}

TEST(RxStream, ReadsNoMoreThanAskedAndKeepsTheRest) {
    RxStream rx;
    rx.append("ABCDEFGH", 6);
    EXPECT_EQ(readSome(rx, 4), "ABCD");
    EXPECT_EQ(readSome(rx), "EF");
    EXPECT_EQ(readSome(rx), "GH");
}

TEST(RxStream, ClearForgetsBytesAndCuts) {
    RxStream rx;
    rx.append("CRC: OK\n", 2);
    rx.clear();
    rx.append("DONE\n");
    EXPECT_EQ(readSome(rx), "DONE\n");
}
