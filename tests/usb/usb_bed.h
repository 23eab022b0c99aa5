/* A umockdev test bed with emulated FT232R bridges on bus 1, and the product
 * uploader run in it under umockdev's preload library. The bed lives as long
 * as this object; the uploader is always run with a time bound. */
#ifndef VORNE_TESTS_USB_USB_BED_H
#define VORNE_TESTS_USB_USB_BED_H

#include "emulated_bridge.h"
#include "run_process.h"

#include <memory>
#include <string>
#include <vector>

namespace vorne::usbemu {

class UsbBed {
public:
    UsbBed();
    ~UsbBed();
    UsbBed(const UsbBed &) = delete;
    UsbBed &operator=(const UsbBed &) = delete;

    /* Plugs a bridge in. libusb lists the bridge plugged last first: the
     * first one plugged has the highest index. */
    EmulatedBridge &plug(EmulatedBridge::Options options);
    /* Pulls the bridge out and plugs it into the same port again: the chip
     * comes up from the EEPROM it holds, with FTDI's strings and no serial
     * when that fails its checksum, and without the faults it was plugged in
     * with. The old reference is gone; the new bridge is returned. */
    EmulatedBridge &replug(EmulatedBridge &bridge);
    /* VORNE_uploader with these arguments, killed after timeoutMs. */
    RunResult runUploader(const std::vector<std::string> &args, int timeoutMs);
    /* Any program (argv[0] a path) under the preload in this bed, killed after timeoutMs;
     * env adds "NAME=value" settings. */
    RunResult runPreloaded(const std::vector<std::string> &argv, int timeoutMs,
                           const std::vector<std::string> &env = {});
    /* vorne_tool with these arguments, the uploader's folder first on PATH, so
     * the uploaders it starts run in this bed too. */
    RunResult runTool(const std::vector<std::string> &args, int timeoutMs);
    /* XDG_DATA_HOME of the programs run here, a fresh folder for each bed:
     * the service mode's EEPROM backups go to dataHome()/vorne/eeprom. */
    const std::string &dataHome() const { return dataHome_; }

private:
    UMockdevTestbed *bed_;
    std::string dataHome_;
    std::vector<std::unique_ptr<EmulatedBridge>> bridges_;
};

/* A bridge whose EEPROM names the converter and whose line leads to a healthy one. */
EmulatedBridge::Options converterBridge(const std::string &serial);
/* A project of `devices` devices "Box1", "Box2", ... of manufacturer "Bench",
 * each with `rows` channel rows; 2255 rows make an image of 64 KiB. */
std::string benchProject(int devices, int rows);
/* The image vorne_tool writes of DEVICE in PROJECT (a path); empty when it fails. */
std::string toolImage(const std::string &project, const std::string &manufacturer, const std::string &device);
/* A configuration image of size bytes (at least 12) with a valid CRC. */
std::string validImage(size_t size);

} // namespace vorne::usbemu

#endif
