/* Scenario files: defaults, every key, and errors that name their line. */
#include "scenario.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace vorne::sim;

namespace {
Scenario parseOk(const std::string &text) {
    Scenario s;
    std::string error;
    EXPECT_TRUE(parseScenario(text, &s, &error)) << error;
    return s;
}

std::string parseError(const std::string &text) {
    Scenario s;
    std::string error;
    EXPECT_FALSE(parseScenario(text, &s, &error)) << text;
    return error;
}
} // namespace

TEST(Scenario, DefaultIsOneHealthyVorneBridge) {
    Scenario s = Scenario::defaultScenario();
    ASSERT_EQ(s.bridges.size(), 1u);
    const BridgeConfig &b = s.bridges[0];
    EXPECT_EQ(b.serial, "VRN00001");
    EXPECT_EQ(b.type, 5u);
    EXPECT_EQ(b.description, "FT232R USB VORNE");
    EXPECT_TRUE(b.opens && b.eepromRead && b.eepromProgram && b.pacing);
    EXPECT_EQ(b.line, LineKind::Converter);
    EXPECT_EQ(b.converter.fault, Fault::None);
    EXPECT_EQ(b.converter.ident.rfind("VORNE ", 0), 0u);
}

TEST(Scenario, EmptyTextHasNoBridges) {
    EXPECT_TRUE(parseOk("").bridges.empty());
    EXPECT_TRUE(parseOk("# nothing here\n\n   \n").bridges.empty());
}

TEST(Scenario, BridgesGetDefaultsAndNumberedSerials) {
    Scenario s = parseOk("[bridge]\n[bridge]\n");
    ASSERT_EQ(s.bridges.size(), 2u);
    EXPECT_EQ(s.bridges[0].serial, "VRN00001");
    EXPECT_EQ(s.bridges[1].serial, "VRN00002");
    EXPECT_EQ(s.bridges[1].description, "FT232R USB VORNE");
}

TEST(Scenario, EveryKeyIsApplied) {
    Scenario s = parseOk("[bridge]\n"
                         "serial = ABC123\n"
                         "type = 4\n"
                         "description = FT232R USB VORNE2\n"
                         "manufacturer = ACME\n"
                         "ris_d2xx = 1\n"
                         "opens = no\n"
                         "eeprom_read = no\n"
                         "eeprom_program = no\n"
                         "eeprom_out = /tmp/ee.txt\n"
                         "line = socket:/tmp/box.sock\n"
                         "pacing = off\n"
                         "ident = VORNE X 1.0\n"
                         "firmware_ident = VORNE X 2.0\n"
                         "fault = file_in_data\n"
                         "fault_at = 100\n"
                         "bootloader = esc\n"
                         "flash_ms = 5\n"
                         "firmware_idle_ms = 20\n"
                         "save_to = /tmp/got.bin\n"
                         "save_raw_to = /tmp/raw.bin\n");
    ASSERT_EQ(s.bridges.size(), 1u);
    const BridgeConfig &b = s.bridges[0];
    EXPECT_EQ(b.serial, "ABC123");
    EXPECT_EQ(b.type, 4u);
    EXPECT_EQ(b.description, "FT232R USB VORNE2");
    EXPECT_EQ(b.manufacturer, "ACME");
    EXPECT_EQ(b.risD2xx, 1);
    EXPECT_FALSE(b.opens || b.eepromRead || b.eepromProgram || b.pacing);
    EXPECT_EQ(b.eepromOut, "/tmp/ee.txt");
    EXPECT_EQ(b.line, LineKind::Socket);
    EXPECT_EQ(b.socketPath, "/tmp/box.sock");
    EXPECT_EQ(b.converter.ident, "VORNE X 1.0");
    EXPECT_EQ(b.converter.firmwareIdent, "VORNE X 2.0");
    EXPECT_EQ(b.converter.fault, Fault::FileInData);
    EXPECT_EQ(b.converter.faultAt, 100);
    EXPECT_EQ(b.converter.bootEntry, BootEntry::EscOnly);
    EXPECT_EQ(b.converter.flashNs, 5000000);
    EXPECT_EQ(b.converter.firmwareIdleNs, 20000000);
    EXPECT_EQ(b.converter.saveTo, "/tmp/got.bin");
    EXPECT_EQ(b.converter.saveRawTo, "/tmp/raw.bin");
}

TEST(Scenario, EveryFaultNameIsKnown) {
    const std::pair<const char *, Fault> faults[] = {{"none", Fault::None},
                                                     {"no_echo", Fault::NoEcho},
                                                     {"program_error", Fault::ProgramError},
                                                     {"error_only", Fault::ErrorOnly},
                                                     {"no_ident", Fault::NoIdent},
                                                     {"no_ok", Fault::NoOk},
                                                     {"error_in_data", Fault::ErrorInData},
                                                     {"file_in_data", Fault::FileInData},
                                                     {"bad_crc", Fault::BadCrc},
                                                     {"no_done", Fault::NoDone},
                                                     {"silent", Fault::Silent},
                                                     {"unplug", Fault::Unplug},
                                                     {"split", Fault::Split}};
    for (const auto &f : faults)
        EXPECT_EQ(parseOk(std::string("[bridge]\nfault = ") + f.first).bridges[0].converter.fault, f.second) << f.first;
}

TEST(Scenario, LineKinds) {
    EXPECT_EQ(parseOk("[bridge]\nline = none").bridges[0].line, LineKind::None);
    EXPECT_EQ(parseOk("[bridge]\nline = converter").bridges[0].line, LineKind::Converter);
}

TEST(Scenario, CommentsBlanksAndQuotes) {
    Scenario s = parseOk("  # heading\n"
                         "[bridge]   # first\n"
                         "  serial   =   S1   # trailing comment\n"
                         "ident = \"VORNE  #7  \"\n"
                         "description = FT232R#1\n");
    const BridgeConfig &b = s.bridges[0];
    EXPECT_EQ(b.serial, "S1");
    EXPECT_EQ(b.converter.ident, "VORNE  #7  ");
    EXPECT_EQ(b.description, "FT232R#1");
}

TEST(Scenario, LaterKeyOverridesEarlierForTheSameBridge) {
    Scenario s = parseOk("[bridge]\npacing = off\nfault = silent\npacing = on\n[bridge]\npacing = off\n");
    EXPECT_TRUE(s.bridges[0].pacing);
    EXPECT_EQ(s.bridges[0].converter.fault, Fault::Silent);
    EXPECT_FALSE(s.bridges[1].pacing);
}

TEST(Scenario, CarriageReturnLineEndsAreAccepted) {
    EXPECT_EQ(parseOk("[bridge]\r\nserial = S9\r\n").bridges[0].serial, "S9");
}

TEST(Scenario, ErrorsNameTheLineAndTheProblem) {
    EXPECT_EQ(parseError("[bridge]\nspeed = 9600\n"), "line 2: unknown key 'speed'");
    EXPECT_EQ(parseError("serial = X\n"), "line 1: key 'serial' before the first [bridge]");
    EXPECT_EQ(parseError("[bridges]\n"), "line 1: unknown section [bridges] (only [bridge])");
    EXPECT_EQ(parseError("[bridge]\njust words\n"), "line 2: expected key = value");
    EXPECT_EQ(parseError("[bridge]\n= 5\n"), "line 2: missing key before '='");
    EXPECT_EQ(parseError("[bridge]\nfault = sometimes\n"), "line 2: unknown fault 'sometimes'");
    EXPECT_EQ(parseError("[bridge]\nopens = maybe\n"), "line 2: opens must be yes or no");
    EXPECT_EQ(parseError("[bridge]\nline = serial\n"), "line 2: line must be converter, none or socket:PATH");
    EXPECT_EQ(parseError("[bridge]\nline = socket:\n"), "line 2: line must be converter, none or socket:PATH");
    EXPECT_EQ(parseError("[bridge]\nbootloader = never\n"), "line 2: bootloader must be command, esc or none");
    EXPECT_EQ(parseError("[bridge]\nris_d2xx = 2\n"), "line 2: ris_d2xx must be 0 or 1");
    EXPECT_EQ(parseError("[bridge]\nserial =\n"), "line 2: serial must have 1 to 15 characters");
    EXPECT_EQ(parseError("[bridge]\nserial = A\n[bridge]\nserial = A\n"), "serial A used by two bridges");
}

TEST(Scenario, NumbersAreCheckedForFormAndRange) {
    EXPECT_EQ(parseError("[bridge]\ntype = five\n"),
              "line 2: type must be a chip type number (0 BM, 4 FT2232C, 5 FT232R)");
    EXPECT_EQ(parseError("[bridge]\ntype = 256\n"),
              "line 2: type must be a chip type number (0 BM, 4 FT2232C, 5 FT232R)");
    EXPECT_EQ(parseError("[bridge]\nfault_at = -1\n"), "line 2: fault_at must be a byte count");
    EXPECT_EQ(parseError("[bridge]\nfault_at = 99999999999\n"), "line 2: fault_at must be a byte count");
    EXPECT_EQ(parseError("[bridge]\nflash_ms = 1.5\n"), "line 2: flash_ms must be a number of milliseconds");
}

TEST(Scenario, LongTextsAreRefused) {
    EXPECT_EQ(parseError("[bridge]\ndescription = " + std::string(64, 'D') + "\n"),
              "line 2: description longer than 63 characters");
    EXPECT_TRUE(parseOk("[bridge]\ndescription = " + std::string(63, 'D') + "\n").bridges.size() == 1);
}

TEST(Scenario, LoadingAMissingOrBadFileSaysWhichFile) {
    Scenario s;
    std::string error;
    EXPECT_FALSE(loadScenarioFile("/nonexistent/scenario.txt", &s, &error));
    EXPECT_EQ(error, "cannot open /nonexistent/scenario.txt");

    std::string path = ::testing::TempDir() + "bad_scenario.txt";
    std::ofstream(path) << "[bridge]\nfault = loud\n";
    EXPECT_FALSE(loadScenarioFile(path, &s, &error));
    EXPECT_EQ(error, path + ": line 2: unknown fault 'loud'");
}
