/* Options read left to right, the usage text, and the file kind. */
#include "sim_run.h"
#include "worked_example.h"

#include <gtest/gtest.h>

namespace {

std::string usage() {
    return std::string("  ") + VORNE_UPLOADER_SIM +
           " [OPTION] [FILE]\n"
           "\t-h\tthis help\n"
           "\t-s\tsilent mode\n"
           "\t-c\tfile is config file for VORNE\n"
           "\t-b\tfile is firmware file for VORNE\n"
           "\n\n";
}

TEST(CommandLine, UsageAndExitZero) {
    std::string file = writeTempFile("u.bin", workedExampleImage());
    for (std::vector<std::string> args :
         std::vector<std::vector<std::string>>{{"-h"}, {"-x"}, {"-"}, {file, "-h", "-s"}, {"-s", file, "--nothing"}}) {
        // No device is touched: the scenario has none and nothing complains.
        RunResult r = runSim(args, "# none\n");
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(r.out, usage());
        EXPECT_EQ(r.err, "");
    }
}

TEST(CommandLine, LaterOfBAndCCounts) {
    std::string image = writeTempFile("k.bin", workedExampleImage());
    RunResult asFirmware = runSim({"-s", "-c", "-b", image}, bridge("A1"));
    EXPECT_NE(asFirmware.out.find("INFO: Vorne firmware file:\n"), std::string::npos) << asFirmware.out;
    RunResult asConfig = runSim({"-b", "-cfg", "-s", image}, bridge("A1"));
    EXPECT_NE(asConfig.out.find("INFO: Vorne config file:\n"), std::string::npos) << asConfig.out;
}

TEST(CommandLine, CapitalFirmwareNameWithAndWithoutC) {
    std::string file = writeTempFile("IMAGE.FW", workedExampleImage());
    RunResult forced = runSim({"-s", "-c", file}, bridge("A1"));
    EXPECT_NE(forced.out.find("INFO: Vorne config file:\n"), std::string::npos);
    RunResult byName = runSim({"-s", file}, bridge("A1"));
    EXPECT_NE(byName.out.find("INFO: Vorne firmware file:\n"), std::string::npos);
}

TEST(CommandLine, LastFileCounts) {
    std::string first = writeTempFile("first.bin", "junk");
    std::string second = writeTempFile("second.bin", workedExampleImage());
    RunResult r = runSim({first, "-s", second}, bridge("A1"));
    EXPECT_NE(r.out.find("INFO: Vorne config file:\n" + second + "\n(226B)"), std::string::npos);
}

TEST(CommandLine, WindowModeWithoutDisplay) {
    std::string sc = writeTempFile("nodisplay.txt", bridge("A1"));
    RunResult r = runProcess({VORNE_UPLOADER_SIM}, {"VORNE_SIM_SCENARIO=" + sc, "DISPLAY", "WAYLAND_DISPLAY"}, 30000);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "ERROR: Cannot open the window: no display.\n\n");
}

} // namespace

TEST(CommandLine, ListAndSerialRefusals) {
    const std::string image = writeTempFile("n.bin", workedExampleImage());
    const std::string bench = bridge("A1", "line = none\n") + bridge("A2", "opens = no\n");
    const struct {
        std::vector<std::string> args;
        std::string out, err; /* err: a part of it */
    } cases[] = {
        {{"--list", image}, "", "ERROR: --list lists the bridges only"},
        {{"-s", "--serial"}, "", "ERROR: --serial needs the bridge's name"},
        {{"--serial", "A1", "--restore-eeprom", image}, "", "chooses its bridge with --bridge NAME"},
        /* In the search's order; exit 1: no converter answered. */
        {{"--list"}, "A2\tusb:1-2\t\tunreadable\t\nA1\tusb:1-1\tFT232R USB VORNE\tno answer\t\n", ""},
        {{"-s", "--serial", "A1", image}, "", "ERROR: BRIDGE \"A1\" DOES NOT ANSWER"},
        {{"-s", "--serial", "usb:1-2", image}, "", "ERROR: BRIDGE \"A2\" CANNOT BE READ"},
    };
    for (const auto &c : cases) {
        RunResult r = runSim(c.args, bench);
        SCOPED_TRACE(c.args.back());
        EXPECT_EQ(r.exitCode, 1);
        if (c.err.empty()) {
            EXPECT_EQ(r.out, c.out);
        }
        EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
    }
}
