/* Sends a 64 KiB configuration image through the emulated FT232R with the
 * real libusb and libftdi1 underneath, and prints the effective throughput as
 * a share of the 38400-baud line and the uploader's CPU time as a share of the
 * wall time. VORNE_USB_UPLOADER names another build of the uploader (e.g. an
 * optimised one); by default the test build's is used. */
#include "usb_bed.h"

#include <cstdio>
#include <string>

using namespace vorne::usbemu;

int main() {
    constexpr size_t kImageBytes = 64 * 1024;
    constexpr double kLineBitsPerSecond = 38400.0;
    constexpr double kBitsPerByte = 10.0; /* start, 8 data, stop */
    const std::string image = validImage(kImageBytes);
    const std::string path = writeTempFile("bench64k.bin", image);

    UsbBed bed;
    EmulatedBridge &bridge = bed.plug(converterBridge("VRN00001"));
    RunResult r = bed.runUploader({"-s", "-c", path}, 10 * 60 * 1000);
    if (r.timedOut || r.exitCode != 0 || bridge.receivedFile() != image) {
        std::fprintf(stderr, "upload failed (exit %d%s)\n%s%s", r.exitCode, r.timedOut ? ", timed out" : "",
                     r.out.c_str(), r.err.c_str());
        return 1;
    }
    const double lineSeconds = kImageBytes * kBitsPerByte / kLineBitsPerSecond;
    const double sending = bridge.sendingSeconds();
    std::printf("64 KiB image through the emulated FT232R (libusb + libftdi1 under umockdev)\n");
    std::printf("  line time at 38400 baud:        %7.2f s\n", lineSeconds);
    std::printf("  data phase (first to last byte): %6.2f s  -> %5.1f %% of 38400 baud\n", sending,
                100.0 * lineSeconds / sending);
    std::printf("  whole run (search, identify, send, CRC): %6.2f s  -> %5.1f %% of 38400 baud\n", r.seconds,
                100.0 * lineSeconds / r.seconds);
    std::printf("  uploader CPU time: %6.2f s = %5.1f %% of wall time\n", r.cpuSeconds,
                100.0 * r.cpuSeconds / r.seconds);
    const EmulatedBridge::TransferCounts t = bridge.transfers();
    const double blocks = kImageBytes / 16.0;
    std::printf("  per 16-byte block: %.1f control, %.1f bulk OUT, %.1f bulk IN (%.1f of them empty, each held\n"
                "  back by the chip until its %u ms latency timer ran out); %.2f ms a block against %.2f ms of line\n",
                t.control / blocks, t.bulkOut / blocks, t.bulkIn / blocks, t.statusOnlyIn / blocks, bridge.latencyMs(),
                1000.0 * sending / blocks, 1000.0 * lineSeconds / blocks);
    return 0;
}
