#include "usb_bed.h"

#include "crc16.h"

#include <umockdev.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <unistd.h>

namespace vorne::usbemu {

namespace {
constexpr int kFirstDevnum = 2; /* 1 is the root hub's */
}

UsbBed::UsbBed() : bed_(umockdev_testbed_new()) {
    static int beds = 0;
    std::string marker = writeTempFile("bed" + std::to_string(++beds), "");
    dataHome_ = marker + "-data";
}

UsbBed::~UsbBed() {
    bridges_.clear();
    g_object_unref(bed_);
}

EmulatedBridge &UsbBed::plug(EmulatedBridge::Options options) {
    int devnum = kFirstDevnum + static_cast<int>(bridges_.size());
    bridges_.push_back(std::make_unique<EmulatedBridge>(bed_, devnum, std::move(options)));
    return *bridges_.back();
}

EmulatedBridge &UsbBed::replug(EmulatedBridge &bridge) {
    for (size_t i = 0; i < bridges_.size(); ++i) {
        if (bridges_[i].get() != &bridge)
            continue;
        EmulatedBridge::Options o = bridge.options();
        o.chip.customEeprom = true;
        o.chip.eeprom = bridge.eeprom();
        o.chip.strings = {"FTDI", "FT232R USB UART", ""};
        o.chip.eepromWritesTaken = -1;
        o.unplugAfterBytes = -1;
        const std::string syspath = bridge.syspath(), node = bridge.devnode();
        bridges_[i].reset();
        umockdev_testbed_remove_device(bed_, syspath.c_str());
        gchar *root = umockdev_testbed_get_root_dir(bed_);
        unlink((std::string(root) + node).c_str()); /* the node's FIFO is made anew */
        g_free(root);
        bridges_[i] = std::make_unique<EmulatedBridge>(bed_, kFirstDevnum + static_cast<int>(i), std::move(o));
        return *bridges_[i];
    }
    throw std::logic_error("the bridge is not plugged into this bed");
}

namespace {
/* Another build may be named, e.g. an optimised one for the bench. */
std::string program(const char *variable, const char *built) {
    const char *other = std::getenv(variable);
    return other && *other ? other : built;
}
} // namespace

RunResult UsbBed::runUploader(const std::vector<std::string> &args, int timeoutMs) {
    std::vector<std::string> argv = {program("VORNE_USB_UPLOADER", VORNE_UPLOADER)};
    argv.insert(argv.end(), args.begin(), args.end());
    return runPreloaded(argv, timeoutMs);
}

RunResult UsbBed::runTool(const std::vector<std::string> &args, int timeoutMs) {
    const std::string uploader = program("VORNE_USB_UPLOADER", VORNE_UPLOADER);
    const char *path = std::getenv("PATH");
    std::vector<std::string> argv = {program("VORNE_USB_TOOL", VORNE_TOOL)};
    argv.insert(argv.end(), args.begin(), args.end());
    return runPreloaded(argv, timeoutMs,
                        {"PATH=" + uploader.substr(0, uploader.rfind('/')) + ":" + (path ? path : "/usr/bin:/bin")});
}

RunResult UsbBed::runPreloaded(const std::vector<std::string> &argv, int timeoutMs,
                               const std::vector<std::string> &extraEnv) {
    /* UMOCKDEV_DIR comes from this process; the sanitizer runtime can't come first under a preload. */
    std::vector<std::string> env = {"LD_PRELOAD=libumockdev-preload.so.0",
                                    "ASAN_OPTIONS=verify_asan_link_order=0:detect_leaks=0",
                                    "XDG_DATA_HOME=" + dataHome_};
    env.insert(env.end(), extraEnv.begin(), extraEnv.end());
    RunResult r = runProcess(argv, env, timeoutMs);
    /* VORNE_USB_SHOW=1 (with LIBUSB_DEBUG=4, say) shows what the uploader and libusb printed. */
    const char *show = std::getenv("VORNE_USB_SHOW");
    if (show && *show == '1')
        std::fprintf(stderr, "%s%s[%.2f s, exit %d]\n", r.out.c_str(), r.err.c_str(), r.seconds, r.exitCode);
    return r;
}

EmulatedBridge::Options converterBridge(const std::string &serial) {
    EmulatedBridge::Options o;
    o.chip.strings = {"FTDI", "FT232R USB VORNE", serial};
    /* Long enough that a stalled test machine does not end a firmware upload early. */
    o.chip.converter.firmwareIdleNs = 800000000;
    return o;
}

std::string benchProject(int devices, int rows) {
    std::string list = "@Bench\nBench\n", sections, tables;
    for (int d = 1; d <= devices; ++d) {
        const std::string box = "Box" + std::to_string(d);
        list += "\t" + box + "\n";
        sections += "$" + box +
                    "\nSpeed=9600\nData_Bits=8\nStop_Bits=1\nParity=None\nHandshake=None\nDelay_Time=100\n"
                    "Normal_Replay=OK\nError_Replay=ERR\nReplay_Wait_Time=500\nRetry_Count=2\nNormal_Replay_HEX=\n"
                    "Error_Replay_HEX=\nCMD_Prefix=\nCMD_Prefix_HEX=\n!\n\n";
        tables += "%" + box + "\n";
        /* Five ranges a channel, none overlapping. */
        for (int i = 0; i < rows; ++i) {
            const int low = i % 5 * 50;
            tables += std::to_string(1 + i / 5) + ",\t" + std::to_string(low) + ",\t" + std::to_string(low + 49) +
                      ",\tASCII:B" + std::to_string(d) + "R" + std::to_string(i) + ",\tRow " + std::to_string(i) + "\n";
        }
        tables += "!\n\n";
    }
    return list + "!\n\n" + sections + "###\n" + tables;
}

std::string toolImage(const std::string &project, const std::string &manufacturer, const std::string &device) {
    const std::string out = writeTempFile("tool_" + device + ".bin", "");
    RunResult r = runProcess({VORNE_TOOL, "image", project, manufacturer, device, out}, {}, 60000);
    if (r.exitCode != 0)
        return "";
    std::ifstream in(out, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string validImage(size_t size) {
    std::string image(size, '\0');
    for (size_t i = 0; i < size; ++i)
        image[i] = static_cast<char>((i * 7 + 3) & 0xFF);
    uint16_t crc = sim::crc16Xmodem(reinterpret_cast<const uint8_t *>(image.data()) + 10, size - 12);
    image[size - 2] = static_cast<char>(crc & 0xFF);
    image[size - 1] = static_cast<char>(crc >> 8);
    return image;
}

} // namespace vorne::usbemu
