/* Four converters on one bench: one 64 KiB image through one uploader, then a
 * plan that sends four such images, one uploader each, all at once. The line
 * runs at 38400 baud on each bridge, so the plan should take about as long as
 * one upload; the bench prints both and their ratio against the 1.2 target.
 * VORNE_USB_UPLOADER and VORNE_USB_TOOL name other builds (the target holds for
 * release builds); by default the test build's are used. */
#include "usb_bed.h"

#include <cstdio>
#include <string>

using namespace vorne::usbemu;

namespace {

constexpr int kBoxes = 4;
constexpr int kRows = 2255; /* 65,563 bytes an image */
constexpr int kRunBoundMs = 10 * 60 * 1000;

std::string serial(int box) { return "VRN0000" + std::to_string(box); }

bool failed(const char *what, const RunResult &r) {
    std::fprintf(stderr, "%s failed (exit %d%s)\n%s%s", what, r.exitCode, r.timedOut ? ", timed out" : "",
                 r.out.c_str(), r.err.c_str());
    return true;
}

} // namespace

int main() {
    const std::string project = writeTempFile("bench_venue.prj", benchProject(kBoxes, kRows));
    std::string images[kBoxes], plan;
    for (int i = 0; i < kBoxes; ++i) {
        const std::string box = "Box" + std::to_string(i + 1);
        images[i] = toolImage(project, "Bench", box);
        if (images[i].empty()) {
            std::fprintf(stderr, "vorne_tool image %s failed\n", box.c_str());
            return 1;
        }
        plan += serial(i + 1) + ",Bench," + box + "\n";
    }
    const std::string planFile = writeTempFile("bench_plan.csv", plan);
    std::printf("Four emulated converters (libusb + libftdi1 under umockdev), images of %zu bytes\n", images[0].size());

    double one = 0, all = 0;
    {
        UsbBed bed;
        EmulatedBridge &b = bed.plug(converterBridge(serial(1)));
        RunResult r =
            bed.runUploader({"-s", "--serial", serial(1), writeTempFile("bench_box1.bin", images[0])}, kRunBoundMs);
        if ((r.exitCode != 0 || b.receivedFile() != images[0]) && failed("the single upload", r))
            return 1;
        one = r.seconds;
    }
    {
        UsbBed bed;
        std::vector<EmulatedBridge *> bridges;
        for (int i = 0; i < kBoxes; ++i)
            bridges.push_back(&bed.plug(converterBridge(serial(i + 1))));
        RunResult r = bed.runTool({"plan", project, planFile, "--send"}, kRunBoundMs);
        bool ok = r.exitCode == 0;
        for (int i = 0; i < kBoxes; ++i)
            ok = ok && bridges[i]->receivedFile() == images[i];
        if (!ok && failed("plan --send", r))
            return 1;
        all = r.seconds;
        std::printf("\n%s", r.out.c_str());
    }
    std::printf("\none upload (VORNE_uploader -s --serial)   %7.2f s\n", one);
    std::printf("plan --send of %d boxes in parallel       %7.2f s = %.2f times one upload (target <= 1.20)\n", kBoxes,
                all, all / one);
    return 0;
}
