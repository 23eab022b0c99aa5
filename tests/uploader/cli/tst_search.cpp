/* Finding the converter among the bridges, and the EEPROM service mode. */
#include "sim_run.h"
#include "worked_example.h"

#include <gtest/gtest.h>

namespace {

std::string image() { return writeTempFile("search.bin", workedExampleImage()); }

int count(const std::string &text, const std::string &what) {
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        n++;
    return n;
}

TEST(Search, NoDevice) {
    RunResult r = runSim({"-s", image()}, "# no bridges\n");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "ERROR: DEVICE NOT FOUND\n\n");
}

TEST(Search, DevicesButNoConverter) {
    RunResult r = runSim({"-s", image()}, bridge("A1", "description = FT232R USB UART\n") +
                                              bridge("A2", "description = USB <-> Serial\ntype = 0\n"));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "ERROR: VORNE DEVICE NOT FOUND\n\n");
}

TEST(Search, LongerDescriptionDoesNotMatch) {
    RunResult r = runSim({"-s", image()}, bridge("A1", "description = FT232R USB VORNE2\n"));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "ERROR: VORNE DEVICE NOT FOUND\n\n");
}

TEST(Search, DeviceThatListsButDoesNotOpen) {
    RunResult r = runSim({"-s", image()}, bridge("A1", "opens = no\n"));
    EXPECT_EQ(r.exitCode, 1);
    const std::string tail = "), device 0\n"
                             "Use lsmod to check if ftdi_sio (and usbserial) are present.\n"
                             "If so, unload them using rmmod, as they conflict with ftd2xx.\n"
                             "FT_GetDeviceType FAILED!\n";
    EXPECT_EQ(r.out.substr(0, 16), "Error FT_OpenEx(");
    ASSERT_GE(r.out.size(), tail.size());
    EXPECT_EQ(r.out.substr(r.out.size() - tail.size()), tail);
    EXPECT_EQ(r.err, "ERROR: VORNE DEVICE NOT FOUND\n\n");
}

TEST(Search, UnopenableDeviceIsSkipped) {
    RunResult r = runSim({"-s", image()}, bridge("A1") + bridge("A2", "opens = no\n"));
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.out.find("FT_GetDeviceType FAILED!\n" + std::string(DEFAULT_FOUND)), std::string::npos);
    EXPECT_EQ(r.out.substr(r.out.find("INFO: "), 25), "INFO: Vorne config file:\n");
}

TEST(Search, EepromThatDoesNotReadIsSkipped) {
    RunResult r = runSim({"-s", image()}, bridge("A1", "eeprom_read = no\n"));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "FT_EE_Read failed\n");
}

TEST(Search, HighestIndexFirst) {
    RunResult r =
        runSim({"-s", image()}, bridge("A1", "ident = VORNE first\n") + bridge("A2", "ident = VORNE second\n"));
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out.substr(0, r.out.find("INFO")), "Found \nVORNE second\n\n");
}

TEST(Search, SilentBoxIsNoConverter) {
    RunResult r = runSim({"-s", image()}, bridge("A1", "fault = silent\n"));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "ERROR: VORNE DEVICE NOT FOUND\n\n");
}

TEST(Search, NothingOnTheLine) {
    RunResult r = runSim({"-s", image()}, bridge("A1", "line = none\n"));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "ERROR: VORNE DEVICE NOT FOUND\n\n");
}

TEST(Search, BoxWithoutIdentification) {
    RunResult r = runSim({"-s", image()}, bridge("A1", "fault = no_ident\n"));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.out.find(" (\n?\n)\n"), std::string::npos) << r.out;
    EXPECT_EQ(r.err, "ERROR: VORNE DEVICE NOT FOUND\n\n");
}

TEST(Search, BoxWithoutEcho) {
    RunResult r = runSim({"-s", image()}, bridge("A1", "fault = no_echo\n"));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "ERROR: VORNE DEVICE NOT FOUND\n\n");
}

TEST(Search, BoxThatOnlyPrintsErrorIsAccepted) {
    // Accepted as "Program error!": the search ends with a device, the
    // configuration then fails.
    RunResult r = runSim({"-s", image()}, bridge("A1", "fault = error_only\n"));
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err.find("VORNE DEVICE NOT FOUND"), std::string::npos);
    EXPECT_EQ(r.err.substr(0, 7), "ERROR: ");
}

TEST(ServiceMode, RewritesOnlyFT232RDevices) {
    std::string eeprom0 = writeTempFile("ee0.txt", "");
    std::string eeprom1 = writeTempFile("ee1.txt", "");
    std::string scenario =
        bridge("R1", "description = FT232R USB UART\neeprom_out = " + eeprom0 + "\n") +
        bridge("B1", "type = 0\ndescription = Other box\nline = none\neeprom_out = " + eeprom1 + "\n");
    RunResult plain = runSim({"-s", image()}, scenario);
    EXPECT_EQ(plain.exitCode, 1);

    RunResult r = runSim({"-s", "--FTDI_EEPROM", image()}, scenario);
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_EQ(count(r.out, "BM:\n---\n"), 1);
    EXPECT_EQ(count(r.out, "232R:\n-----\n"), 2); // as read, then as programmed
    EXPECT_EQ(count(r.out, "Description = FT232R USB UART\n"), 1);
    EXPECT_EQ(count(r.out, "Description = FT232R USB VORNE\n"), 1);
    EXPECT_NE(r.out.find("\tRIsD2XX = 0x0\n" + std::string(DEFAULT_FOUND)), std::string::npos);
    EXPECT_NE(readWholeFile(eeprom0).find("FT232R USB VORNE"), std::string::npos);
    EXPECT_EQ(readWholeFile(eeprom1), "");
    EXPECT_EQ(r.out.substr(r.out.find("INFO: "), 25), "INFO: Vorne config file:\n");
}

} // namespace
