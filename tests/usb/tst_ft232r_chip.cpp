/* The chip model on its own, stepped by hand: the parts libftdi and the
 * uploader lean on (baud divisors, status bytes, the latency timer, the
 * transmitter-empty bit, the EEPROM requests). */
#include "ft232r_chip.h"

#include <gtest/gtest.h>

using namespace vorne::usbemu;

namespace {

constexpr int64_t kMs = 1000000;
constexpr int64_t kStart = 1000 * kMs;
constexpr uint8_t kOut = 0x40, kIn = 0xC0;

Ft232rChip::ControlResult request(Ft232rChip &chip, uint8_t type, uint8_t req, uint16_t value, uint16_t index,
                                  int64_t now, uint8_t *data = nullptr, uint16_t length = 0) {
    uint8_t scratch[8] = {};
    size_t actual = 0;
    return chip.control({type, req, value, index, length}, data ? data : scratch, &actual, now);
}

/* What libftdi sends for 38400 baud, 8N1, a 2 ms latency timer. */
void configureLikeTheUploader(Ft232rChip &chip, int64_t now) {
    request(chip, kOut, 0x03, 0xC04E, 0, now);
    request(chip, kOut, 0x04, 0x0008, 0, now);
    request(chip, kOut, 0x09, 2, 0, now);
}

std::string readFor(Ft232rChip &chip, int64_t from, int64_t until) {
    std::string got;
    for (int64_t t = from; t <= until; t += kMs) {
        uint8_t buf[4096];
        bool complete = false;
        long n = chip.bulkIn(buf, sizeof buf, t, &complete);
        for (long i = 0; i < n; i += 64)
            got.append(reinterpret_cast<char *>(buf) + i + 2, static_cast<size_t>(std::min<long>(n - i, 64) - 2));
    }
    return got;
}

} // namespace

TEST(Ft232rChip, BaudDivisorsDecodeAsLibftdiEncodesThem) {
    Ft232rChip chip({});
    struct Case {
        uint16_t value, index;
        unsigned baud;
    } cases[] = {{0xC04E, 0, 38400},   {0x4138, 0, 9600},   {0x0000, 0, 3000000},
                 {0x0001, 0, 2000000}, {0x001A, 0, 115384}, {0x001A, 1, 113744}};
    for (const Case &c : cases) {
        EXPECT_EQ(request(chip, kOut, 0x03, c.value, c.index, kStart), Ft232rChip::ControlResult::Done);
        EXPECT_EQ(chip.baudRate(), c.baud) << std::hex << c.value;
    }
}

TEST(Ft232rChip, StatusOnlyPacketsComeOncePerLatencyPeriod) {
    Ft232rChip chip({});
    configureLikeTheUploader(chip, kStart);
    uint8_t buf[4096];
    bool complete = false;
    ASSERT_EQ(chip.bulkIn(buf, sizeof buf, kStart, &complete), 2);
    EXPECT_TRUE(complete);
    EXPECT_EQ(buf[0], 0x31); /* CTS and DSR from the box */
    EXPECT_EQ(buf[1], 0x60); /* transmitter holding register and shift register empty */
    EXPECT_EQ(chip.bulkIn(buf, sizeof buf, kStart + kMs, &complete), 0);
    EXPECT_FALSE(complete) << "the chip NAKs until its latency timer runs out";
    EXPECT_EQ(chip.inReadyNs(), kStart + 2 * kMs);
    EXPECT_EQ(chip.bulkIn(buf, sizeof buf, kStart + 2 * kMs, &complete), 2);
    EXPECT_TRUE(complete);
}

TEST(Ft232rChip, TransmitterEmptyOnlyOnceTheBytesLeftTheWire) {
    Ft232rChip chip({});
    configureLikeTheUploader(chip, kStart);
    const uint8_t block[16] = {};
    ASSERT_EQ(chip.bulkOut(block, sizeof block, kStart), 16u);
    uint8_t status[2];
    /* 16 bytes of 10 bits at 38400 baud: 4.17 ms. */
    request(chip, kIn, 0x05, 0, 0, kStart + 4 * kMs, status, 2);
    EXPECT_EQ(status[1] & 0x40, 0);
    request(chip, kIn, 0x05, 0, 0, kStart + 4 * kMs + 200000, status, 2);
    EXPECT_EQ(status[1] & 0x60, 0x60);
}

/* When the first n bytes of a full buffer have left the line at 38400 baud, 10 bits a byte. */
int64_t drainedAt(uint64_t n) { return kStart + static_cast<int64_t>((n * 10 * 1000000000ull + 38399) / 38400); }

TEST(Ft232rChip, OutPacketsAreTakenWholeOrNakedWhole) {
    const uint8_t bytes[300] = {};
    struct Transfer {
        size_t len, taken; /* into an empty buffer */
    } transfers[] = {{300, 128}, {130, 128}, {128, 128}, {100, 100}, {16, 16}};
    for (const Transfer &t : transfers) {
        Ft232rChip chip({});
        configureLikeTheUploader(chip, kStart);
        EXPECT_EQ(chip.bulkOut(bytes, t.len, kStart), t.taken) << t.len;
    }
    /* Against a full buffer, a packet waits until all of it fits. */
    struct Packet {
        size_t len, drained;
        bool taken;
    } packets[] = {{64, 63, false}, {64, 64, true}, {16, 15, false}, {16, 16, true}, {1, 0, false}, {1, 1, true}};
    for (const Packet &p : packets) {
        Ft232rChip chip({});
        configureLikeTheUploader(chip, kStart);
        ASSERT_EQ(chip.bulkOut(bytes, Ft232rChip::kToLineBufferSize, kStart), 128u);
        EXPECT_EQ(chip.roomForNs(p.len), drainedAt(p.len)) << p.len;
        EXPECT_EQ(chip.bulkOut(bytes, p.len, drainedAt(p.drained)), p.taken ? p.len : 0) << p.len << " " << p.drained;
    }
}

TEST(Ft232rChip, FromLineBufferHolds256BytesThenOverruns) {
    static_assert(Ft232rChip::kToLineBufferSize == 128 && Ft232rChip::kFromLineBufferSize == 256);
    Ft232rChip chip({});
    configureLikeTheUploader(chip, kStart);
    std::string lines;
    for (int i = 0; i < 5; ++i)
        lines += std::string(60, 'x') + "\r"; /* 63 bytes back each: echo, "\n", "?\n" */
    const auto *bytes = reinterpret_cast<const uint8_t *>(lines.data());
    size_t sent = 0;
    for (int64_t t = kStart; sent < lines.size(); t += 10 * kMs)
        sent += chip.bulkOut(bytes + sent, lines.size() - sent, t);
    uint8_t buf[4096];
    bool complete = false;
    long n = chip.bulkIn(buf, sizeof buf, kStart + 500 * kMs, &complete);
    EXPECT_EQ(buf[1] & 0x02, 0x02) << "overrun";
    n += chip.bulkIn(buf + n, sizeof buf - static_cast<size_t>(n), kStart + 502 * kMs, &complete);
    EXPECT_TRUE(complete);
    EXPECT_EQ(n - 2 * ((n + 63) / 64), 256) << "data bytes";
}

TEST(Ft232rChip, DataPhaseCountsTheLinesIdleTime) {
    Ft232rChip chip({});
    configureLikeTheUploader(chip, kStart);
    const std::string command = "CfgFile=32\r";
    chip.bulkOut(reinterpret_cast<const uint8_t *>(command.data()), command.size(), kStart);
    const uint8_t block[16] = {};
    const int64_t first = kStart + 10 * kMs, second = kStart + 20 * kMs;
    chip.bulkOut(block, sizeof block, first);
    chip.bulkOut(block, sizeof block, second);
    chip.advance(kStart + 40 * kMs);
    const int64_t blockNs = drainedAt(16) - kStart;
    Ft232rChip::DataPhase d = chip.dataPhase();
    EXPECT_EQ(d.bytes, 32u) << "the command is no part of it";
    EXPECT_EQ(d.firstStartNs, first);
    EXPECT_EQ(d.lastDoneNs, second + blockNs);
    EXPECT_EQ(d.idleNs, second - first - blockNs);
    EXPECT_EQ(d.gaps, 1u);
}

TEST(Ft232rChip, TheBoxUnderstandsOnlyTheConvertersLineSettings) {
    Ft232rChip chip({});
    const uint8_t echo[] = {'E', '\r'};
    /* Power-up default of 9600 baud: the box sees framing errors. */
    chip.bulkOut(echo, sizeof echo, kStart);
    EXPECT_EQ(readFor(chip, kStart, kStart + 100 * kMs), "");
    configureLikeTheUploader(chip, kStart + 100 * kMs);
    chip.bulkOut(echo, sizeof echo, kStart + 100 * kMs);
    EXPECT_EQ(readFor(chip, kStart + 100 * kMs, kStart + 120 * kMs), "E\n");
}

TEST(Ft232rChip, FullPacketLeavesAtOnceTheRestAfterTheLatency) {
    Ft232rChip chip({});
    configureLikeTheUploader(chip, kStart);
    request(chip, kOut, 0x09, 16, 0, kStart); /* a long latency separates the two cases */
    std::string line(60, 'x');
    line += '\r'; /* echoed with "\n", then "?\n": 63 bytes back */
    chip.bulkOut(reinterpret_cast<const uint8_t *>(line.data()), line.size(), kStart);
    uint8_t buf[4096];
    bool complete = false;
    const int64_t arrived = kStart + 40 * kMs; /* 61 bytes out and 63 back take 33 ms */
    ASSERT_EQ(chip.bulkIn(buf, sizeof buf, arrived, &complete), 64);
    EXPECT_FALSE(complete) << "a full packet does not end the transfer";
    EXPECT_EQ(chip.bulkIn(buf + 64, sizeof buf - 64, arrived + 15 * kMs, &complete), 0);
    EXPECT_EQ(chip.bulkIn(buf + 64, sizeof buf - 64, arrived + 16 * kMs, &complete), 3);
    EXPECT_TRUE(complete);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(buf) + 66, 1), "\n");
}

TEST(Ft232rChip, EepromReadWriteEraseWordByWord) {
    Ft232rChip::Settings s;
    s.strings = {"FTDI", "FT232R USB VORNE", "VRN00001"};
    Ft232rChip chip(s);
    Eeprom e = chip.eeprom();
    EXPECT_TRUE(checksumValid(e));
    EXPECT_EQ(manufacturerOf(e), "FTDI");
    EXPECT_EQ(descriptionOf(e), "FT232R USB VORNE");
    EXPECT_EQ(serialOf(e), "VRN00001");

    uint8_t word[2];
    request(chip, kIn, 0x90, 0, 0x01, kStart, word, 2);
    EXPECT_EQ(word[0], e[2]);
    EXPECT_EQ(word[1], e[3]);
    request(chip, kIn, 0x90, 0, 0x41, kStart, word, 2); /* beyond the 64 words: wraps */
    EXPECT_EQ(word[0], e[2]);

    EXPECT_EQ(request(chip, kOut, 0x91, 0xBEEF, 0x3F, kStart), Ft232rChip::ControlResult::Done);
    EXPECT_EQ(chip.eeprom()[126], 0xEF);
    EXPECT_EQ(chip.eeprom()[127], 0xBE);
    EXPECT_FALSE(checksumValid(chip.eeprom()));
    EXPECT_EQ(request(chip, kOut, 0x92, 0, 0, kStart), Ft232rChip::ControlResult::Done);
    Eeprom blank;
    blank.fill(0xFF);
    EXPECT_EQ(chip.eeprom(), blank);
}

TEST(Ft232rChip, EmptyStringAndUnknownRequests) {
    Eeprom e = buildEeprom({"", "FT232R USB UART", ""});
    EXPECT_EQ(manufacturerOf(e), "");
    EXPECT_EQ(serialOf(e), "");
    EXPECT_EQ(e[0x0F], 2) << "a string of no characters is the bare descriptor header";

    Ft232rChip chip({});
    EXPECT_EQ(request(chip, kOut, 0x7F, 0, 0, kStart), Ft232rChip::ControlResult::Stall);
    EXPECT_EQ(request(chip, kOut, 0x05, 0, 0, kStart), Ft232rChip::ControlResult::Stall) << "status is an IN request";
    Ft232rChip::Settings naks;
    naks.nakVendorRequests = true;
    Ft232rChip deaf(naks);
    EXPECT_EQ(request(deaf, kOut, 0x00, 0, 0, kStart), Ft232rChip::ControlResult::Nak);
    uint8_t d[18];
    EXPECT_EQ(request(deaf, 0x80, 0x06, 0x0100, 0, kStart, d, 18), Ft232rChip::ControlResult::Done);
    EXPECT_EQ(d[10], 0x01); /* idProduct 0x6001, low byte */
}
