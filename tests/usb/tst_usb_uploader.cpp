/* The product VORNE_uploader, unchanged, against FT232R bridges that exist
 * only in a umockdev test bed: listing, identification, transfers, the
 * EEPROM service mode, unplugging, and the kernel driver given back. */
#include "usb_bed.h"
#include "worked_example.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace vorne::usbemu;

namespace {

/* Far above any run here (a few seconds); only a hang reaches it. */
constexpr int kRunBoundMs = 90000;
constexpr unsigned kUploaderLatencyMs = 2;
constexpr unsigned kEepromWriteLatencyMs = 0x77;

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

bool contains(const std::string &text, const std::string &part) { return text.find(part) != std::string::npos; }

EmulatedBridge::Options plainFt232r(const std::string &serial, const std::string &description = "FT232R USB UART") {
    EmulatedBridge::Options o = converterBridge(serial);
    o.chip.strings.description = description;
    return o;
}

#define EXPECT_RAN(r)                                                                                                  \
    do {                                                                                                               \
        ASSERT_FALSE((r).timedOut) << (r).out << (r).err;                                                              \
        EXPECT_EQ((r).exitCode, 0) << (r).out << (r).err;                                                              \
    } while (0)

} // namespace

TEST(UsbUpload, WorkedExampleImageArrivesExactly) {
    UsbBed bed;
    EmulatedBridge &b = bed.plug(converterBridge("VRN00001"));
    std::string path = writeTempFile("worked.bin", workedExampleImage());

    RunResult r = bed.runUploader({"-s", path}, kRunBoundMs);
    EXPECT_RAN(r);
    EXPECT_TRUE(contains(r.out, "INFO: Vorne config file:")) << r.out << r.err;
    EXPECT_TRUE(contains(r.out, "CRC: OK")) << r.out;
    EXPECT_EQ(b.receivedFile(), workedExampleImage());
    EXPECT_EQ(b.receivedRaw(), padded(workedExampleImage()));
    EXPECT_EQ(b.latencyMs(), kUploaderLatencyMs);
    EXPECT_GE(b.driver().claims, 1);
    expectDriverGivenBack(b);
}

TEST(UsbUpload, FirmwareGoesThroughTheBootloader) {
    UsbBed bed;
    EmulatedBridge &b = bed.plug(converterBridge("VRN00001"));
    std::string firmware = validImage(1000);
    std::string path = writeTempFile("new.FW", firmware);

    RunResult r = bed.runUploader({"-s", path}, kRunBoundMs);
    EXPECT_RAN(r);
    EXPECT_TRUE(contains(r.out, "INFO: Vorne firmware file:")) << r.out << r.err;
    EXPECT_TRUE(contains(r.out, "CRC: OK")) << r.out;
    EXPECT_EQ(b.receivedFile(), padded(firmware));
    expectDriverGivenBack(b);
}

TEST(UsbServiceMode, RewritesAnFt232rIntoTheConverterAndSends) {
    UsbBed bed;
    EmulatedBridge &b = bed.plug(plainFt232r("A1000001"));
    std::string path = writeTempFile("worked.bin", workedExampleImage());

    RunResult r = bed.runUploader({"--FTDI_EEPROM", "-s", "-c", path}, kRunBoundMs);
    EXPECT_RAN(r);
    EXPECT_FALSE(contains(r.out + r.err, "FT_EE_Program failed")) << r.out << r.err;

    Eeprom e = b.eeprom();
    EXPECT_EQ(descriptionOf(e), "FT232R USB VORNE");
    EXPECT_TRUE(vcpDriver(e)) << "RIsD2XX 0 selects the VCP driver";
    EXPECT_TRUE(checksumValid(e));
    EXPECT_EQ(manufacturerOf(e), "FTDI");
    EXPECT_EQ(serialOf(e), "A1000001");

    /* The record printed after the rewrite shows what was programmed. */
    size_t second = r.out.rfind("Signature1 = ");
    ASSERT_NE(second, r.out.find("Signature1 = ")) << r.out;
    std::string after = r.out.substr(second);
    EXPECT_TRUE(contains(after, "Description = FT232R USB VORNE\n")) << after;
    EXPECT_TRUE(contains(after, "\tRIsD2XX = 0x0\n")) << after;
    EXPECT_TRUE(contains(r.out, "CRC: OK")) << r.out << r.err;
    EXPECT_EQ(b.receivedFile(), workedExampleImage());

    /* libftdi programs at 119 ms; the transfer that follows runs at the uploader's 2 ms. */
    std::vector<unsigned> latencies = b.latencyHistory();
    auto programmed = std::find(latencies.begin(), latencies.end(), kEepromWriteLatencyMs);
    ASSERT_NE(programmed, latencies.end());
    ASSERT_NE(programmed + 1, latencies.end());
    EXPECT_EQ(*(programmed + 1), kUploaderLatencyMs);
    EXPECT_EQ(b.latencyMs(), kUploaderLatencyMs);
    expectDriverGivenBack(b);
}

TEST(UsbSearch, HighestIndexIsTriedFirst) {
    UsbBed bed;
    EmulatedBridge &highest = bed.plug(converterBridge("VRN00001"));
    EmulatedBridge &lowest = bed.plug(converterBridge("VRN00002"));
    std::string path = writeTempFile("worked.bin", workedExampleImage());

    RunResult r = bed.runUploader({"-s", path}, kRunBoundMs);
    EXPECT_RAN(r);
    EXPECT_EQ(highest.receivedFile(), workedExampleImage()) << r.out << r.err;
    EXPECT_EQ(lowest.bytesFromHost(), 0u);
    EXPECT_EQ(lowest.driver().claims, 0);
    expectDriverGivenBack(highest);
    expectDriverGivenBack(lowest);
}

TEST(UsbSearch, LongerDescriptionEmptyStringAndBlankEepromAreSkipped) {
    UsbBed bed;
    /* Searched from the highest index down: blank, empty string, longer description, converter. */
    EmulatedBridge::Options blank = plainFt232r("A1000004");
    blank.chip.eeprom.fill(0xFF);
    blank.chip.customEeprom = true;
    EmulatedBridge &blankBridge = bed.plug(blank);
    /* A valid checksum over a manufacturer string of length 0. */
    EmulatedBridge::Options empty = plainFt232r("A1000003");
    empty.chip.eeprom = buildEeprom(empty.chip.strings);
    empty.chip.eeprom[0x0F] = 0;
    storeChecksum(&empty.chip.eeprom);
    empty.chip.customEeprom = true;
    EmulatedBridge &emptyBridge = bed.plug(empty);
    /* Its box would answer, but the description only starts like the converter's. */
    EmulatedBridge::Options longer = converterBridge("VRN00002");
    longer.chip.strings.description = "FT232R USB VORNE2";
    longer.legacyDetach = true; /* also walk libusb's GETDRIVER + DISCONNECT path */
    EmulatedBridge &longerBridge = bed.plug(longer);
    EmulatedBridge &converter = bed.plug(converterBridge("VRN00001"));
    std::string path = writeTempFile("worked.bin", workedExampleImage());

    RunResult r = bed.runUploader({"-s", path}, kRunBoundMs);
    EXPECT_RAN(r);
    EXPECT_TRUE(contains(r.err + r.out, "FT_EE_Read failed")) << "the blank EEPROM\n" << r.out << r.err;
    EXPECT_FALSE(contains(r.err + r.out, "Checksum Error")) << "libftdi's own complaint is not ours to print";
    EXPECT_EQ(converter.receivedFile(), workedExampleImage()) << r.out << r.err;
    EXPECT_EQ(longerBridge.bytesFromHost(), 0u) << "never asked to identify itself";
    for (EmulatedBridge *b : {&converter, &longerBridge, &emptyBridge, &blankBridge}) {
        EXPECT_GE(b->driver().claims, 1) << b->devnode();
        expectDriverGivenBack(*b);
    }
    EXPECT_GE(longerBridge.driver().detaches, 1);
}

TEST(UsbSearch, BridgesWithoutSerialAreEachExamined) {
    UsbBed bed;
    EmulatedBridge &plain = bed.plug(plainFt232r(""));
    EmulatedBridge &converter = bed.plug(converterBridge(""));
    std::string path = writeTempFile("worked.bin", workedExampleImage());

    RunResult r = bed.runUploader({"-s", path}, kRunBoundMs);
    EXPECT_RAN(r);
    EXPECT_EQ(converter.receivedFile(), workedExampleImage()) << r.out << r.err;
    EXPECT_GE(plain.driver().claims, 1);
    expectDriverGivenBack(plain);
    expectDriverGivenBack(converter);
}

TEST(UsbFaults, UnplugDuringTheDataPhaseEndsPromptly) {
    UsbBed bed;
    EmulatedBridge::Options o = converterBridge("VRN00001");
    o.unplugAfterBytes = 150; /* inside the 226-byte image */
    EmulatedBridge &b = bed.plug(o);
    std::string path = writeTempFile("worked.bin", workedExampleImage());

    RunResult r = bed.runUploader({"-s", path}, kRunBoundMs);
    EXPECT_RAN(r);
    EXPECT_TRUE(b.unplugged());
    EXPECT_LT(r.seconds, 20.0) << "stated bound: 20 s";
    EXPECT_TRUE(contains(r.err, "ERROR: Device not responding.")) << r.out << r.err;
    EXPECT_FALSE(contains(r.out, "INFO:")) << r.out;
}

TEST(UsbFaults, ChipThatNaksControlRequestsIsNotTakenForTheConverter) {
    UsbBed bed;
    EmulatedBridge::Options o = converterBridge("VRN00001");
    o.chip.nakVendorRequests = true;
    EmulatedBridge &b = bed.plug(o);
    std::string path = writeTempFile("worked.bin", workedExampleImage());

    RunResult r = bed.runUploader({"-s", path}, kRunBoundMs);
    ASSERT_FALSE(r.timedOut) << r.out << r.err;
    EXPECT_EQ(r.exitCode, 1) << r.out << r.err;
    EXPECT_TRUE(contains(r.err, "ERROR: VORNE DEVICE NOT FOUND")) << r.out << r.err;
    EXPECT_LT(r.seconds, 30.0) << "one libftdi control time-out (5 s) per open";
    EXPECT_EQ(b.bytesFromHost(), 0u);
    EXPECT_GE(b.driver().claims, 1);
    expectDriverGivenBack(b);
}
