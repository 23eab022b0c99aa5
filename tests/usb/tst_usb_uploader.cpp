/* The product VORNE_uploader, unchanged, against FT232R bridges that exist
 * only in a umockdev test bed: listing, identification, transfers, the
 * EEPROM service mode, unplugging, and the kernel driver given back. */
#include "usb_bed.h"
#include "worked_example.h"

#include <gtest/gtest.h>

using namespace vorne::usbemu;

namespace {

constexpr int kRunBoundMs = 90000;

/* Every bridge the uploader claimed has ftdi_sio bound again and is free. */
void expectDriverGivenBack(EmulatedBridge &b) {
    EmulatedBridge::DriverState d = b.driver();
    EXPECT_FALSE(d.claimed) << b.devnode();
    EXPECT_TRUE(d.ftdiSioBound) << b.devnode();
    EXPECT_EQ(d.detaches, d.attaches) << b.devnode();
}

std::string padded(const std::string &bytes) {
    std::string p = bytes;
    p.resize((bytes.size() + 15) / 16 * 16, '\0');
    return p;
}

} // namespace

TEST(UsbUpload, WorkedExampleImageArrivesExactly) {
    UsbBed bed;
    EmulatedBridge &b = bed.plug(converterBridge("VRN00001"));
    std::string path = writeTempFile("worked.bin", workedExampleImage());

    RunResult r = bed.runUploader({"-s", path}, kRunBoundMs);
    ASSERT_FALSE(r.timedOut) << r.out << r.err;
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("CRC: OK"), std::string::npos) << r.out << r.err;
    EXPECT_NE(r.out.find("INFO: Vorne config file:"), std::string::npos) << r.out;
    EXPECT_EQ(b.receivedFile(), workedExampleImage());
    EXPECT_EQ(b.receivedRaw(), padded(workedExampleImage()));
    EXPECT_GE(b.driver().claims, 1);
    expectDriverGivenBack(b);
}
