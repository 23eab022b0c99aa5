/* The product VORNE_uploader, unchanged, against FT232R bridges that exist
 * only in a umockdev test bed: listing, identification, transfers, the
 * EEPROM service mode, unplugging, and the kernel driver given back; and the
 * node itself as libusb meets it (poll readiness, transfers that end unasked). */
#include "usb_bed.h"
#include "worked_example.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <linux/usbdevice_fs.h>
#include <map>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

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

/* The backups in a bed's data folder, by file name. */
std::map<std::string, std::string> backupsIn(UsbBed &bed) {
    std::map<std::string, std::string> files;
    const std::string folder = bed.dataHome() + "/vorne/eeprom";
    if (DIR *d = opendir(folder.c_str())) {
        while (dirent *e = readdir(d))
            if (e->d_name[0] != '.')
                files[e->d_name] = readWholeFile(folder + "/" + e->d_name);
        closedir(d);
    }
    return files;
}

std::string bytesOf(const Eeprom &e) { return std::string(e.begin(), e.end()); }

const std::string *backupOf(const std::map<std::string, std::string> &files, const std::string &bridge) {
    for (const auto &f : files)
        if (f.first.rfind(bridge + "_", 0) == 0)
            return &f.second;
    return nullptr;
}

TEST(UsbServiceMode, BacksUpEveryBridgeItRewritesAndTheBackupRestores) {
    UsbBed bed;
    EmulatedBridge::Options other = plainFt232r("A1000001");
    other.chip.converterAttached = false; /* a serial adapter: nobody answers */
    EmulatedBridge &adapter = bed.plug(other);
    EmulatedBridge &converter = bed.plug(converterBridge("VRN00001"));
    const std::string adapterBefore = bytesOf(adapter.eeprom()), converterBefore = bytesOf(converter.eeprom());
    std::string path = writeTempFile("worked.bin", workedExampleImage());

    RunResult r = bed.runUploader({"--FTDI_EEPROM", "-s", "-c", path}, kRunBoundMs);
    EXPECT_RAN(r);
    EXPECT_EQ(converter.receivedFile(), workedExampleImage()) << r.out << r.err;
    std::map<std::string, std::string> backups = backupsIn(bed);
    ASSERT_EQ(backups.size(), 2u) << r.out << r.err;
    ASSERT_TRUE(backupOf(backups, "A1000001") && backupOf(backups, "VRN00001")) << r.out;
    EXPECT_EQ(*backupOf(backups, "A1000001"), adapterBefore);
    EXPECT_EQ(*backupOf(backups, "VRN00001"), converterBefore);
    const std::string saved = "EEPROM of A1000001 saved to " + bed.dataHome() + "/vorne/eeprom/A1000001_";
    EXPECT_TRUE(contains(r.out, saved)) << r.out;
    EXPECT_EQ(descriptionOf(adapter.eeprom()), "FT232R USB VORNE");

    std::string backup = bed.dataHome() + "/vorne/eeprom/";
    for (const auto &f : backups)
        if (f.first.rfind("A1000001_", 0) == 0)
            backup += f.first;
    RunResult restore = bed.runUploader({"--restore-eeprom", backup}, kRunBoundMs);
    EXPECT_RAN(restore);
    EXPECT_TRUE(contains(restore.out, "INFO: EEPROM of A1000001 restored from " + backup))
        << restore.out << restore.err;
    EXPECT_EQ(bytesOf(adapter.eeprom()), adapterBefore) << "byte for byte";
    EXPECT_EQ(backupsIn(bed).size(), 3u) << "what the restore overwrote was saved first";
    expectDriverGivenBack(adapter);
    expectDriverGivenBack(converter);
}

TEST(UsbServiceMode, NoBackupNoRewrite) {
    UsbBed bed;
    EmulatedBridge &adapter = bed.plug(plainFt232r("A1000001"));
    const Eeprom before = adapter.eeprom();
    mkdir(bed.dataHome().c_str(), 0755);
    mkdir((bed.dataHome() + "/vorne").c_str(), 0755);
    ASSERT_TRUE(std::ofstream(bed.dataHome() + "/vorne/eeprom").good()) << "a file where the folder belongs";

    RunResult r =
        bed.runUploader({"--FTDI_EEPROM", "-s", "-c", writeTempFile("w.bin", workedExampleImage())}, kRunBoundMs);
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 1) << "its box was never told to be the converter";
    EXPECT_TRUE(contains(r.err, "EEPROM of A1000001 left as it is: no backup of it could be saved")) << r.err;
    EXPECT_TRUE(adapter.eeprom() == before);
    EXPECT_EQ(adapter.bytesFromHost(), 0u);
    expectDriverGivenBack(adapter);
}

TEST(UsbRestore, RefusesWhatItCannotPutBackExactly) {
    UsbBed bed;
    EmulatedBridge &twinA = bed.plug(plainFt232r("TWIN"));
    EmulatedBridge &twinB = bed.plug(plainFt232r("TWIN"));
    Eeprom good = buildEeprom({"FTDI", "FT232R USB UART", "TWIN"});
    Eeprom corrupt = good;
    corrupt[0x20] ^= 1;
    struct Case {
        const char *file;
        std::string bytes, says;
    } cases[] = {
        {"TWIN_20261208-140102.eeprom", bytesOf(corrupt),
         "not an FT232R EEPROM image (128 bytes with a valid checksum)"},
        {"TWIN_20261208-140103.eeprom", bytesOf(good) + "x", "not an FT232R EEPROM image"},
        {"twin.bin", bytesOf(good), "its name does not tell which bridge it was taken from"},
        {"A9999999_20261208-140102.eeprom", bytesOf(good), "bridge A9999999 is not plugged in"},
        {"TWIN_20261208-140104.eeprom", bytesOf(good), "2 bridges match TWIN; plug in only the one to restore"},
    };
    const Eeprom beforeA = twinA.eeprom(), beforeB = twinB.eeprom();
    for (const Case &c : cases) {
        RunResult r = bed.runUploader({"--restore-eeprom", writeTempFile(c.file, c.bytes)}, kRunBoundMs);
        ASSERT_FALSE(r.timedOut) << c.file;
        EXPECT_EQ(r.exitCode, 1) << c.file << r.out << r.err;
        EXPECT_TRUE(contains(r.err, "ERROR: Cannot restore the EEPROM from ")) << r.err;
        EXPECT_TRUE(contains(r.err, c.says)) << c.file << "\n" << r.err;
    }
    EXPECT_TRUE(twinA.eeprom() == beforeA && twinB.eeprom() == beforeB);
    EXPECT_TRUE(backupsIn(bed).empty());
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

namespace {

/* A file on a bridge's node, opened in this process (which runs under the
 * preload too), for usbfs requests without libusb in between. */
class UsbfsFile {
public:
    explicit UsbfsFile(const std::string &node) : fd_(open(node.c_str(), O_RDWR | O_CLOEXEC)) {}
    ~UsbfsFile() {
        if (fd_ >= 0)
            close(fd_);
    }
    bool ok() const { return fd_ >= 0; }
    bool claim() {
        usbdevfs_disconnect_claim dc{};
        return ioctl(fd_, USBDEVFS_DISCONNECT_CLAIM, &dc) == 0;
    }
    bool submit(usbdevfs_urb *urb) { return ioctl(fd_, USBDEVFS_SUBMITURB, urb) == 0; }
    /* The URB reaped, or nullptr with errno set. */
    usbdevfs_urb *reap() {
        void *urb = nullptr;
        return ioctl(fd_, USBDEVFS_REAPURBNDELAY, &urb) == 0 ? static_cast<usbdevfs_urb *>(urb) : nullptr;
    }
    /* libusb's question: POLLOUT within timeoutMs? */
    bool ready(int timeoutMs = 0) {
        pollfd p{fd_, POLLOUT, 0};
        return poll(&p, 1, timeoutMs) == 1 && (p.revents & POLLOUT);
    }

private:
    int fd_;
};

/* A URB and its buffer; the buffer holds the setup packet first for control transfers. */
struct Urb {
    std::vector<uint8_t> data;
    usbdevfs_urb urb{}; /* last: its frame list is open-ended */
    Urb(unsigned char type, unsigned char endpoint, size_t length, std::vector<uint8_t> setup = {})
        : data(std::move(setup)) {
        data.resize(length);
        urb.type = type;
        urb.endpoint = endpoint;
        urb.buffer = data.data();
        urb.buffer_length = static_cast<int>(length);
    }
    Urb(const Urb &) = delete;
    Urb &operator=(const Urb &) = delete;
};

} // namespace

TEST(UsbNode, PollsReadyOnlyWhileATransferWaitsToBeReaped) {
    UsbBed bed;
    EmulatedBridge::Options o = converterBridge("VRN00001");
    o.unplugAfterBytes = 1;
    EmulatedBridge &b = bed.plug(o);
    UsbfsFile f(b.devnode());
    ASSERT_TRUE(f.ok());
    ASSERT_TRUE(f.claim());
    Urb control(USBDEVFS_URB_TYPE_CONTROL, 0, 8 + 18, {0x80, 0x06, 0x00, 0x01, 0, 0, 18, 0}); /* device descriptor */
    Urb out(USBDEVFS_URB_TYPE_BULK, Ft232rChip::kOutEndpoint, 2);

    EXPECT_FALSE(f.ready()) << "nothing submitted";
    ASSERT_TRUE(f.submit(&control.urb));
    EXPECT_TRUE(f.ready()) << "a control request finishes at once";
    ASSERT_EQ(f.reap(), &control.urb);
    EXPECT_EQ(control.urb.actual_length, 18);
    EXPECT_FALSE(f.ready()) << "reaped";
    EXPECT_EQ(f.reap(), nullptr);
    EXPECT_EQ(errno, EAGAIN);
    EXPECT_FALSE(f.ready());

    Urb empty(USBDEVFS_URB_TYPE_BULK, Ft232rChip::kInEndpoint, 0); /* no room even for the status bytes */
    ASSERT_TRUE(f.submit(&empty.urb));
    ASSERT_TRUE(f.ready(1000));
    ASSERT_EQ(f.reap(), &empty.urb);
    EXPECT_EQ(empty.urb.actual_length, 0);

    ASSERT_TRUE(f.submit(&out.urb)); /* its first byte unplugs the bridge */
    EXPECT_TRUE(f.ready());
    ASSERT_EQ(f.reap(), &out.urb);
    EXPECT_EQ(out.urb.status, -ENODEV);
    EXPECT_EQ(f.reap(), nullptr);
    EXPECT_EQ(errno, ENODEV);
    EXPECT_TRUE(f.ready()) << "a gone bridge stays ready, so the host learns it is gone";
}

TEST(UsbNode, LatencyTimerEndsABulkInWithoutTheHostAsking) {
    UsbBed bed;
    EmulatedBridge &b = bed.plug(converterBridge("VRN00001"));
    UsbfsFile f(b.devnode());
    ASSERT_TRUE(f.ok());
    ASSERT_TRUE(f.claim());
    const auto start = std::chrono::steady_clock::now();
    Urb first(USBDEVFS_URB_TYPE_BULK, Ft232rChip::kInEndpoint, 4096);
    ASSERT_TRUE(f.submit(&first.urb));
    ASSERT_TRUE(f.ready(5000)) << "the power-up timer has long run out";
    ASSERT_EQ(f.reap(), &first.urb);

    Urb second(USBDEVFS_URB_TYPE_BULK, Ft232rChip::kInEndpoint, 4096);
    ASSERT_TRUE(f.submit(&second.urb));
    const uint64_t asked = b.ioctlsPerClient().back();
    ASSERT_TRUE(f.ready(5000)) << "the latency timer never ended the transfer";
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(b.ioctlsPerClient().back(), asked) << "the host only waited in poll";
    ASSERT_EQ(f.reap(), &second.urb);
    EXPECT_EQ(second.urb.status, 0);
    EXPECT_EQ(second.urb.actual_length, 2) << "status bytes only";
    EXPECT_EQ(b.transfers().statusOnlyIn, 2u);
    EXPECT_GE(waited, std::chrono::milliseconds(b.latencyMs())) << "never before the timer runs out";
}

TEST(UsbRestore, ABridgeThatDoesNotOpenIsSaidSoWithLibftdisReason) {
    UsbBed bed;
    EmulatedBridge &b = bed.plug(plainFt232r("A1000001"));
    const Eeprom before = b.eeprom();
    UsbfsFile otherProgram(b.devnode());
    ASSERT_TRUE(otherProgram.ok() && otherProgram.claim());
    const std::string backup = writeTempFile("A1000001_20261208-140102.eeprom", bytesOf(before));

    RunResult r = bed.runUploader({"--restore-eeprom", backup}, kRunBoundMs);
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 1) << r.out << r.err;
    EXPECT_TRUE(
        contains(r.err, "bridge A1000001 could not be opened (FT_DEVICE_NOT_OPENED: unable to claim usb device"))
        << r.err;
    EXPECT_FALSE(contains(r.err, "not an FT232R")) << r.err;
    EXPECT_TRUE(b.eeprom() == before);
    EXPECT_TRUE(backupsIn(bed).empty());
}

TEST(UsbRestore, ARestoreCutShortTellsWhereTheBridgeIsAndTheRetryThereFinishesIt) {
    UsbBed bed;
    /* The bridge carries the converter's identity, its backup the maker's: the
     * images agree on words 0 to 7 only, so the ten words the chip takes before
     * it fails leave a bad checksum. */
    EmulatedBridge::Options o = plainFt232r("A1000001");
    o.chip.eeprom = buildEeprom({"FTDI", "FT232R USB VORNE", "A1000001"});
    o.chip.customEeprom = true;
    o.chip.eepromWritesTaken = 10;
    EmulatedBridge *b = &bed.plug(o);
    const Eeprom original = buildEeprom({"FTDI", "FT232R USB UART", "A1000001"});
    const std::string backup = writeTempFile("A1000001_20261208-140102.eeprom", bytesOf(original));
    const std::string retry = "VORNE_uploader --restore-eeprom " + backup + " --bridge usb:1-2";

    RunResult cut = bed.runUploader({"--restore-eeprom", backup}, kRunBoundMs);
    ASSERT_FALSE(cut.timedOut);
    EXPECT_EQ(cut.exitCode, 1) << cut.out << cut.err;
    EXPECT_TRUE(contains(cut.err, "writing bridge A1000001 failed at word 11 of 64 (FT_EEPROM_WRITE_FAILED)"))
        << cut.err;
    EXPECT_TRUE(contains(cut.err, "once replugged the bridge lists as usb:1-2 rather than A1000001. Leave it in that "
                                  "port and run: " +
                                      retry + "\n"))
        << cut.err;
    ASSERT_FALSE(checksumValid(b->eeprom()));

    b = &bed.replug(*b);
    RunResult again = bed.runUploader({"--restore-eeprom", backup}, kRunBoundMs);
    EXPECT_EQ(again.exitCode, 1) << again.out << again.err;
    EXPECT_TRUE(contains(again.err, "bridge A1000001 is not plugged in; the EEPROM of the FT232R at usb:1-2 does not "
                                    "read, as a restore cut short leaves it: if that is the one, name it: " +
                                        retry))
        << again.err;

    const Eeprom halfway = b->eeprom();
    RunResult done = bed.runUploader({"--restore-eeprom", backup, "--bridge", "usb:1-2"}, kRunBoundMs);
    EXPECT_RAN(done);
    EXPECT_TRUE(contains(done.out, "INFO: EEPROM of A1000001 restored from " + backup)) << done.out << done.err;
    EXPECT_EQ(bytesOf(b->eeprom()), bytesOf(original)) << "byte for byte";
    std::map<std::string, std::string> backups = backupsIn(bed);
    ASSERT_NE(backupOf(backups, "usb:1-2"), nullptr) << done.out;
    EXPECT_EQ(*backupOf(backups, "usb:1-2"), bytesOf(halfway)) << "what the retry overwrote was saved first";
    ASSERT_NE(backupOf(backups, "A1000001"), nullptr);
    EXPECT_EQ(*backupOf(backups, "A1000001"), bytesOf(o.chip.eeprom));
    expectDriverGivenBack(*b);
}

namespace {

/* Two converters and an ordinary FT232R; libusb lists them last plugged first. */
struct Bench {
    UsbBed bed;
    EmulatedBridge &first = bed.plug(converterBridge("VRN00001")); /* index 2: the search's choice */
    EmulatedBridge &adapter = bed.plug(plainFt232r("A1000001"));
    EmulatedBridge &second = bed.plug(converterBridge("VRN00002"));
};

std::vector<std::string> lines(const std::string &text) {
    std::vector<std::string> out;
    for (size_t at = 0, end; at < text.size(); at = end + 1) {
        end = text.find('\n', at);
        if (end == std::string::npos)
            end = text.size();
        out.push_back(text.substr(at, end - at));
    }
    return out;
}

} // namespace

TEST(UsbBench, ListNamesEveryBridgeInTheSearchsOrder) {
    Bench b;
    RunResult r = b.bed.runUploader({"--list"}, kRunBoundMs);
    EXPECT_RAN(r);
    const std::string ident = "\tVORNE DMX512-RS232 Converter v2.11";
    EXPECT_EQ(lines(r.out), (std::vector<std::string>{"VRN00001\tusb:1-2\tFT232R USB VORNE\tconverter" + ident,
                                                       "A1000001\tusb:1-3\tFT232R USB UART\tother\t",
                                                       "VRN00002\tusb:1-4\tFT232R USB VORNE\tconverter" + ident}))
        << r.err;
    EXPECT_EQ(b.adapter.bytesFromHost(), 0u) << "only converters are asked to identify themselves";
    for (EmulatedBridge *e : {&b.first, &b.adapter, &b.second}) {
        EXPECT_TRUE(e->receivedFile().empty());
        expectDriverGivenBack(*e);
    }
}

TEST(UsbBench, SerialChoosesTheBoxAndItsFailureExitsOne) {
    std::string image = validImage(4096), broken = image;
    broken.back() = static_cast<char>(broken.back() ^ 0x5A);
    const std::string good = writeTempFile("bench_good.bin", image), bad = writeTempFile("bench_bad.bin", broken);
    enum Target { First, Second, None };
    const struct {
        std::vector<std::string> args;
        int exitCode;
        Target receives;
        std::string said; /* on stderr */
    } cases[] = {
        {{"-s", "--serial", "VRN00002", good}, 0, Second, ""},
        {{"-s", "--serial", "usb:1-2", good}, 0, First, ""},
        {{"-s", "--serial", "VRN00002", bad}, 1, Second, "CRC: BAD"},
        /* Without --serial: as ever, the highest index and exit 0 even on failure, now with a notice. */
        {{"-s", bad}, 0, First, "NOTICE: 2 converters are attached: chosen VRN00001 (the highest index), not VRN00002."},
        {{"-s", "--serial", "A1000001", good}, 1, None,
         "ERROR: BRIDGE \"A1000001\" IS NOT A VORNE DEVICE: its description is \"FT232R USB UART\""},
        {{"-s", "--serial", "VRN00003", good}, 1, None,
         "ERROR: BRIDGE \"VRN00003\" NOT FOUND: attached are VRN00001, A1000001, VRN00002"},
    };
    for (const auto &c : cases) {
        Bench b;
        RunResult r = b.bed.runUploader(c.args, kRunBoundMs);
        SCOPED_TRACE(c.args[c.args.size() - 2]);
        ASSERT_FALSE(r.timedOut);
        EXPECT_EQ(r.exitCode, c.exitCode) << r.out << r.err;
        EXPECT_TRUE(contains(r.err, c.said)) << r.err;
        const std::string sent = c.args.back() == bad ? broken : image;
        EXPECT_TRUE(b.first.receivedFile() == (c.receives == First ? sent : "")) << r.err;
        EXPECT_TRUE(b.second.receivedFile() == (c.receives == Second ? sent : "")) << r.err;
        /* The box not asked for is never opened; the seed's search never reaches it either. */
        EmulatedBridge &untouched = c.receives == Second ? b.first : b.second;
        EXPECT_EQ(untouched.driver().claims, 0);
        for (EmulatedBridge *e : {&b.first, &b.adapter, &b.second})
            expectDriverGivenBack(*e);
    }
}

TEST(UsbPlan, SendsThePlannedImagesToTheirBoxesAndARefusedPlanSendsNothing) {
    const std::string project = writeTempFile("venue.prj", benchProject(3, 20));
    const std::string box1 = toolImage(project, "Bench", "Box1"), box2 = toolImage(project, "Bench", "Box2");
    ASSERT_FALSE(box1.empty());
    ASSERT_NE(box1, box2);
    const struct {
        std::string plan;
        int exitCode;
        bool sent;
        std::string said;
    } cases[] = {
        {"VRN00002,Bench,Box2\nVRN00001,Bench,Box1\n", 0, true, ""},
        {"VRN00002,Bench,Box2\nVRN00001,Bench,Box1\nVRN00009,Bench,Box3\n", 1, true, "absent"},
        /* Box1 twice: refused as a whole, so the sound line is not sent either. */
        {"VRN00002,Bench,Box2\nVRN00001,Bench,Box1\nVRN00009,Bench,Box1\n", 1, false, "plan.csv:3:"},
    };
    for (const auto &c : cases) {
        Bench b;
        RunResult r = b.bed.runTool({"plan", project, writeTempFile("plan.csv", c.plan), "--send"}, kRunBoundMs);
        SCOPED_TRACE(c.plan);
        ASSERT_FALSE(r.timedOut);
        EXPECT_EQ(r.exitCode, c.exitCode) << r.out << r.err;
        EXPECT_TRUE(contains(r.out + r.err, c.said)) << r.out << r.err;
        EXPECT_TRUE(b.first.receivedFile() == (c.sent ? box1 : "")) << r.out << r.err;
        EXPECT_TRUE(b.second.receivedFile() == (c.sent ? box2 : "")) << r.out << r.err;
        EXPECT_EQ(b.adapter.bytesFromHost(), 0u);
        for (EmulatedBridge *e : {&b.first, &b.adapter, &b.second})
            expectDriverGivenBack(*e);
    }
}

TEST(UsbBench, TwinSerialsAreChosenByPlace) {
    UsbBed bed;
    EmulatedBridge &upper = bed.plug(converterBridge("TWIN"));
    EmulatedBridge &lower = bed.plug(converterBridge("TWIN"));
    const std::string path = writeTempFile("twin.bin", workedExampleImage());
    RunResult refused = bed.runUploader({"-s", "--serial", "TWIN", path}, kRunBoundMs);
    EXPECT_EQ(refused.exitCode, 1);
    /* libftdi cannot open twins by serial: they are listed by place, and the message offers those. */
    EXPECT_TRUE(contains(refused.err, "BRIDGE \"TWIN\" NOT FOUND: attached are usb:1-2, usb:1-3")) << refused.err;
    RunResult r = bed.runUploader({"-s", "--serial", "usb:1-3", path}, kRunBoundMs);
    EXPECT_RAN(r);
    EXPECT_EQ(lower.receivedFile(), workedExampleImage()) << r.out << r.err;
    EXPECT_EQ(upper.bytesFromHost(), 0u);
}
