/* Sends a 64 KiB configuration image and a 256 KiB firmware file through the
 * emulated FT232R with the real libusb and libftdi1 underneath, and prints
 * for each: the data phase's share of the 38400-baud line and the time the
 * line stood idle within it, the whole run's share, the uploader's CPU time
 * as a share of the wall time, and the transfers per 16-byte block.
 *
 * umockdev's preload carries every usbfs request over a socket inside the
 * uploader's process, CPU a real usbfs would not cost. A calibration program
 * run the same way measures that per request; the bench prints the
 * uploader's CPU share both as measured and without that estimate.
 * VORNE_USB_UPLOADER names another build of the uploader (the targets hold
 * for a release build); by default the test build's is used. */
#include "usb_bed.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

using namespace vorne::usbemu;

namespace {

constexpr double kLineBytesPerSecond = 38400.0 / 10.0; /* start, 8 data, stop */
constexpr int kRunBoundMs = 10 * 60 * 1000;

/* CPU nanoseconds per usbfs request that umockdev's transport costs. */
struct RequestCost {
    double emptyReap = 0, controlCycle = 0, controlCycle4k = 0;

    /* Bulk IN URBs carry 4 KiB each way; every other submit is small; the
     * rest of the requests are reaps that found nothing, and the like. */
    double secondsFor(const EmulatedBridge::TransferCounts &t) const {
        double inPairs = static_cast<double>(t.bulkIn), otherPairs = static_cast<double>(t.control + t.bulkOut);
        double rest = std::max(0.0, static_cast<double>(t.ioctls) - 2 * (inPairs + otherPairs));
        return (2 * inPairs * controlCycle4k + 2 * otherPairs * controlCycle + rest * emptyReap) / 1e9;
    }
};

bool calibrate(RequestCost *cost) {
    UsbBed bed;
    EmulatedBridge &bridge = bed.plug(converterBridge("VRN00001"));
    RunResult r = bed.runPreloaded({VORNE_USBFS_REQUEST_COST, bridge.devnode(), "5000"}, kRunBoundMs);
    if (r.exitCode != 0 || std::sscanf(r.out.c_str(), "empty_reap=%lf control_cycle=%lf control_cycle_4k=%lf",
                                       &cost->emptyReap, &cost->controlCycle, &cost->controlCycle4k) != 3) {
        std::fprintf(stderr, "calibration failed (exit %d)\n%s%s", r.exitCode, r.out.c_str(), r.err.c_str());
        return false;
    }
    return true;
}

bool upload(const char *title, const std::string &name, size_t size, const RequestCost &cost) {
    const std::string file = validImage(size);
    const std::string path = writeTempFile(name, file);
    UsbBed bed;
    EmulatedBridge &bridge = bed.plug(converterBridge("VRN00001"));
    RunResult r = bed.runUploader({"-s", path}, kRunBoundMs);
    /* Both sizes are whole 16-byte blocks, so the firmware arrives unpadded too. */
    if (r.timedOut || r.exitCode != 0 || bridge.receivedFile() != file || r.out.find("CRC: OK") == std::string::npos) {
        std::fprintf(stderr, "%s: upload failed (exit %d%s)\n%s%s", title, r.exitCode, r.timedOut ? ", timed out" : "",
                     r.out.c_str(), r.err.c_str());
        return false;
    }
    const Ft232rChip::DataPhase phase = bridge.dataPhase();
    const EmulatedBridge::TransferCounts t = bridge.transfers();
    const double lineSeconds = static_cast<double>(phase.bytes) / kLineBytesPerSecond;
    const double phaseSeconds = phase.seconds(), idleSeconds = static_cast<double>(phase.idleNs) / 1e9;
    const double transport = cost.secondsFor(t);
    const double blocks = static_cast<double>(phase.bytes) / 16.0;

    std::printf("\n%s\n", title);
    std::printf("  data phase   %7.2f s for %.2f s of line: %5.1f %% of 38400 baud\n", phaseSeconds, lineSeconds,
                100.0 * lineSeconds / phaseSeconds);
    std::printf("    line idle  %7.3f s (%.2f %%) in %llu gaps, the longest %.2f ms\n", idleSeconds,
                100.0 * idleSeconds / phaseSeconds, static_cast<unsigned long long>(phase.gaps),
                static_cast<double>(phase.longestGapNs) / 1e6);
    std::printf("  whole run    %7.2f s (search, identify, send, CRC): %5.1f %% of 38400 baud\n", r.seconds,
                100.0 * lineSeconds / r.seconds);
    std::printf("  uploader CPU %7.2f s (user + sys) = %5.1f %% of wall time, %llu usbfs requests\n", r.cpuSeconds,
                100.0 * r.cpuSeconds / r.seconds, static_cast<unsigned long long>(t.ioctls));
    std::printf("    of it umockdev's transport, estimated %.2f s: without it %5.1f %% of wall time\n", transport,
                100.0 * std::max(0.0, r.cpuSeconds - transport) / r.seconds);
    std::printf("  per 16-byte block: %.2f control, %.2f bulk OUT, %.2f bulk IN (%.2f of them status only, ended\n"
                "    by the chip's %u ms latency timer); %.2f ms a block against %.2f ms of line\n",
                static_cast<double>(t.control) / blocks, static_cast<double>(t.bulkOut) / blocks,
                static_cast<double>(t.bulkIn) / blocks, static_cast<double>(t.statusOnlyIn) / blocks,
                bridge.latencyMs(), 1000.0 * phaseSeconds / blocks, 1000.0 * lineSeconds / blocks);
    return true;
}

} // namespace

int main() {
    const char *other = std::getenv("VORNE_USB_UPLOADER");
    std::printf("Uploads through the emulated FT232R (libusb + libftdi1 under umockdev)\n");
    std::printf("uploader: %s\n", other && *other ? other : VORNE_UPLOADER " (VORNE_USB_UPLOADER names another)");
    RequestCost cost;
    if (!calibrate(&cost))
        return 1;
    std::printf("umockdev's transport, CPU per usbfs request: %.1f us (empty reap), %.1f us (control submit or\n"
                "reap), %.1f us (the same with a 4 KiB buffer, as a bulk IN)\n",
                cost.emptyReap / 1000, cost.controlCycle / 1000, cost.controlCycle4k / 1000);
    bool ok = upload("64 KiB configuration image", "bench64k.bin", 64 * 1024, cost);
    ok = upload("256 KiB firmware (.fw, through the bootloader)", "bench256k.fw", 256 * 1024, cost) && ok;
    std::printf("\ntargets: data phase >= 90 %% of the line rate, uploader CPU <= 10 %% of wall time,\n"
                "measured on a release build named by VORNE_USB_UPLOADER\n");
    return ok ? 0 : 1;
}
