/* The libftdi backend's D2XX calls in this process against an emulated
 * FT232R: the chip's full buffer holding a write back, purges, an unplug with
 * a write pending, and a close that leaves no transfer behind. A slow line
 * keeps the chip's 128-byte buffer full for seconds, so nothing here races
 * the clock. */
#include "ftd2xx.h"
#include "usb_bed.h"

#include <gtest/gtest.h>

#include <string>

using namespace vorne::usbemu;

namespace {

constexpr ULONG kSlowBaud = 300;    /* 30 bytes a second: room for a packet takes 2 s */
constexpr size_t kChipBuffer = 128; /* what the chip takes from USB OUT ahead of the line */
constexpr int kQueries = 2000;      /* each waits at most about a millisecond */

struct Link {
    UsbBed bed;
    EmulatedBridge &bridge;
    FT_HANDLE h = nullptr;

    explicit Link(EmulatedBridge::Options o, ULONG baud = kSlowBaud) : bridge(bed.plug(o)) {
        EXPECT_EQ(FT_OpenEx(const_cast<char *>("VRN00001"), FT_OPEN_BY_SERIAL_NUMBER, &h), FT_STATUS(FT_OK));
        EXPECT_EQ(FT_SetBaudRate(h, baud), FT_STATUS(FT_OK));
    }
    ~Link() {
        if (h)
            FT_Close(h);
    }
    FT_STATUS write(size_t n) {
        std::string bytes(n, 'x');
        DWORD written = 0;
        FT_STATUS s = FT_Write(h, &bytes[0], static_cast<DWORD>(n), &written);
        EXPECT_EQ(written, s == FT_OK ? n : 0u);
        return s;
    }
    /* The TX count, or -1 when the query failed. */
    long tx() {
        DWORD rx = 0, tx = 0, ev = 0;
        return FT_GetStatus(h, &rx, &tx, &ev) == FT_OK ? static_cast<long>(tx) : -1;
    }
    /* Queries until the TX count is n; false when it never is. */
    bool txReaches(long n) {
        for (int i = 0; i < kQueries; ++i)
            if (tx() == n)
                return true;
        return false;
    }
};

EmulatedBridge::Options bridgeOptions() { return converterBridge("VRN00001"); }

} // namespace

TEST(FtdiLink, FullChipHoldsTheWriteUntilAPurgeDropsIt) {
    Link l(bridgeOptions());
    ASSERT_EQ(l.write(kChipBuffer), FT_STATUS(FT_OK));
    ASSERT_TRUE(l.txReaches(0)) << "the chip takes a buffer's worth at once";
    ASSERT_EQ(l.write(64), FT_STATUS(FT_OK));
    for (int i = 0; i < 20; ++i)
        ASSERT_EQ(l.tx(), 64) << "a whole packet waits for room, query " << i;
    EXPECT_EQ(l.bridge.bytesFromHost(), kChipBuffer);

    EXPECT_EQ(FT_ResetDevice(l.h), FT_STATUS(FT_OK));
    EXPECT_EQ(l.tx(), 0);
    EXPECT_GE(l.bridge.transfers().discarded, 1u) << "the held write was cancelled";
    EXPECT_EQ(l.bridge.bytesFromHost(), kChipBuffer);
    ASSERT_EQ(l.write(16), FT_STATUS(FT_OK)) << "the purged link goes on";
}

TEST(FtdiLink, UnplugWithAWritePendingFailsEveryCall) {
    EmulatedBridge::Options o = bridgeOptions();
    o.unplugAfterBytes = kChipBuffer + 10; /* inside the held packet */
    Link l(o, 9600);                       /* room for it within a tenth of a second */
    ASSERT_EQ(l.write(kChipBuffer + 64), FT_STATUS(FT_OK));
    ASSERT_TRUE(l.txReaches(-1)) << "the unplug is never told";
    EXPECT_TRUE(l.bridge.unplugged());
    EXPECT_EQ(l.tx(), -1);
    EXPECT_EQ(l.write(16), FT_STATUS(FT_IO_ERROR));
    char buf[8];
    DWORD got = 99;
    EXPECT_EQ(FT_Read(l.h, buf, sizeof buf, &got), FT_STATUS(FT_IO_ERROR));
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(FT_Close(l.h), FT_STATUS(FT_OK));
    l.h = nullptr;
}

TEST(FtdiLink, CloseCancelsAndReapsEveryTransfer) {
    Link l(bridgeOptions());
    ASSERT_EQ(l.write(kChipBuffer), FT_STATUS(FT_OK));
    ASSERT_EQ(l.write(64), FT_STATUS(FT_OK));
    ASSERT_EQ(l.write(64), FT_STATUS(FT_OK));
    ASSERT_TRUE(l.txReaches(128)) << "two writes held behind the full buffer";
    EXPECT_EQ(FT_Close(l.h), FT_STATUS(FT_OK));
    l.h = nullptr;
    l.bridge.driver(); /* the bridge notices the closed file */
    EmulatedBridge::TransferCounts t = l.bridge.transfers();
    /* On a loaded machine the line may have made room for one held packet
     * before the close, and the IN may have just ended with the latency timer:
     * then it is reaped, not cancelled. Either way nothing is left behind. */
    const size_t held = (kChipBuffer + 2 * 64 - l.bridge.bytesFromHost()) / 64;
    EXPECT_GE(held, 1u);
    EXPECT_GE(t.discarded, held) << "every write still held was cancelled";
    EXPECT_EQ(t.leftAtClose, 0u) << "every transfer was reaped before the file closed";
    EXPECT_TRUE(l.bridge.driver().ftdiSioBound) << "and the bridge went back to the kernel";
}
