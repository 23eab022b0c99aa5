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

} // namespace
