/* The converter model's side of the protocol, byte by byte with hand-set times. */
#include "converter_model.h"
#include "worked_example.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

using vorne::sim::BootEntry;
using vorne::sim::ConverterModel;
using vorne::sim::Fault;

namespace {

constexpr int64_t kMs = 1000000;

/* Drives a model like a line would: one byte per 1 ms tick. */
class Box {
public:
    explicit Box(ConverterModel::Settings settings = {}) : model(std::move(settings)) {}

    void send(const std::string &bytes) {
        for (unsigned char c : bytes) {
            now += kMs;
            model.receive(c, now);
        }
    }
    void wait(int64_t ms) {
        for (int64_t i = 0; i < ms; ++i) {
            now += kMs;
            model.tick(now);
        }
    }
    std::string replies() {
        std::string all;
        for (const auto &r : model.takeReplies())
            all += r.text;
        return all;
    }
    /* Announces and sends a configuration file in 16-byte blocks, zero padded. */
    std::string uploadConfig(const std::string &file) {
        send("CfgFile=" + std::to_string(file.size()) + "\r");
        std::string text = replies();
        std::string padded = file + std::string((16 - file.size() % 16) % 16, '\0');
        send(padded);
        wait(60);
        return text + replies();
    }

    ConverterModel model;
    int64_t now = 0;
};

ConverterModel::Settings withFault(Fault fault, long at = 32) {
    ConverterModel::Settings s;
    s.fault = fault;
    s.faultAt = at;
    return s;
}

std::string readFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace

TEST(ConverterModelCommands, EchoesCommandsWithLineFeedForCarriageReturn) {
    Box box;
    box.send("E\r");
    EXPECT_EQ(box.replies(), "E\n");
}

TEST(ConverterModelCommands, EmptyLineGivesIdentification) {
    Box box;
    box.send("\r");
    EXPECT_EQ(box.replies(), "\nVORNE DMX512-RS232 Converter v2.11\n");
}

TEST(ConverterModelCommands, IdentificationIsConfigurable) {
    ConverterModel::Settings s;
    s.ident = "VORNE TEST 1.0";
    Box box(s);
    box.send("\r");
    EXPECT_EQ(box.replies(), "\nVORNE TEST 1.0\n");
}

TEST(ConverterModelCommands, UnknownCommandIsAnsweredWithQuestionMark) {
    Box box;
    box.send("HELLO\r");
    EXPECT_EQ(box.replies(), "HELLO\n?\n");
}

TEST(ConverterModelCommands, MalformedOrOversizedCfgFileIsRefused) {
    for (const char *cmd : {"CfgFile=\r", "CfgFile=12a\r", "CfgFile=-5\r", "CfgFile=2000000\r"}) {
        Box box;
        box.send(cmd);
        std::string text = box.replies();
        EXPECT_NE(text.find("ERROR\n"), std::string::npos) << cmd;
        EXPECT_EQ(box.model.mode(), ConverterModel::Mode::Command) << cmd;
    }
}

TEST(ConverterModelConfig, WorkedExampleImageIsAccepted) {
    Box box;
    std::string text = box.uploadConfig(workedExampleImage());
    EXPECT_EQ(text, "CfgFile=226\n\nOK\nDONE\nCRC: OK\n");
    EXPECT_EQ(box.model.receivedFile(), workedExampleImage());
    EXPECT_EQ(box.model.receivedRaw().size(), 240u);
}

TEST(ConverterModelConfig, ReplyWaitsForTheFlashTime) {
    Box box;
    box.send("CfgFile=226\r");
    box.replies();
    std::string image = workedExampleImage();
    box.send(image + std::string(14, '\0'));
    box.wait(49);
    EXPECT_EQ(box.replies(), "");
    box.wait(1);
    EXPECT_EQ(box.replies(), "DONE\nCRC: OK\n");
}

TEST(ConverterModelConfig, CorruptedByteGivesBadCrc) {
    std::string image = workedExampleImage();
    image[100] ^= 0x01;
    Box box;
    std::string text = box.uploadConfig(image);
    EXPECT_NE(text.find("DONE\nCRC: BAD"), std::string::npos) << text;
    EXPECT_EQ(text.find("CRC: OK"), std::string::npos);
}

TEST(ConverterModelConfig, HeaderIsNotCovered) {
    std::string image = workedExampleImage();
    image[0] = 0x42;
    Box box;
    EXPECT_NE(box.uploadConfig(image).find("CRC: OK"), std::string::npos);
}

TEST(ConverterModelConfig, EmptyFileIsAcknowledgedThenFailsTheCheck) {
    Box box;
    box.send("CfgFile=0\r");
    EXPECT_EQ(box.replies(), "CfgFile=0\n\nOK\n");
    box.wait(60);
    std::string text = box.replies();
    EXPECT_EQ(text.rfind("DONE\nCRC: BAD", 0), 0u) << text;
    EXPECT_EQ(box.model.mode(), ConverterModel::Mode::Command);
}

TEST(ConverterModelConfig, PaddingIsRecordedButNotPartOfTheFile) {
    std::string image(168, '\0');
    Box box;
    box.uploadConfig(image);
    EXPECT_EQ(box.model.receivedFile().size(), 168u);
    EXPECT_EQ(box.model.receivedRaw(), std::string(176, '\0'));
}

TEST(ConverterModelConfig, SavesFileAndRawBytes) {
    std::string dir = ::testing::TempDir();
    ConverterModel::Settings s;
    s.saveTo = dir + "model_file.bin";
    s.saveRawTo = dir + "model_raw.bin";
    Box box(s);
    box.uploadConfig(workedExampleImage());
    EXPECT_EQ(readFile(s.saveTo), workedExampleImage());
    EXPECT_EQ(readFile(s.saveRawTo), workedExampleImage() + std::string(14, '\0'));
    EXPECT_EQ(box.model.saveError(), "");
}

TEST(ConverterModelConfig, UnwritableSaveFileIsReported) {
    ConverterModel::Settings s;
    s.saveTo = "/nonexistent-dir/x.bin";
    Box box(s);
    EXPECT_NE(box.uploadConfig(workedExampleImage()).find("CRC: OK"), std::string::npos);
    EXPECT_NE(box.model.saveError().find("/nonexistent-dir/x.bin"), std::string::npos);
}

TEST(ConverterModelConfig, AcceptsASecondUploadAfterTheFirst) {
    Box box;
    box.uploadConfig(workedExampleImage());
    EXPECT_EQ(box.uploadConfig(workedExampleImage()), "CfgFile=226\n\nOK\nDONE\nCRC: OK\n");
}

TEST(ConverterModelFirmware, BootloaderCommandThenFirmwareThenIdle) {
    Box box;
    box.send("Bootloader\r");
    EXPECT_EQ(box.replies(), "Bootloader\nBOOTLOADER 1.0\nReady.\n");
    EXPECT_EQ(box.model.mode(), ConverterModel::Mode::Bootloader);
    std::string firmware(1000, '\x5A');
    box.send(firmware);
    box.wait(299);
    EXPECT_EQ(box.replies(), "");
    box.wait(60);
    EXPECT_EQ(box.replies(), "DONE\nCRC: OK\n");
    EXPECT_EQ(box.model.receivedFile(), firmware);
    EXPECT_EQ(box.model.mode(), ConverterModel::Mode::Command);
}

TEST(ConverterModelFirmware, EscEntersTheBootloaderWithoutEcho) {
    Box box;
    box.send("\x1b");
    EXPECT_EQ(box.replies(), "BOOTLOADER 1.0\nReady.\n");
}

TEST(ConverterModelFirmware, BootEntryCanBeRestricted) {
    ConverterModel::Settings esc;
    esc.bootEntry = BootEntry::EscOnly;
    Box escBox(esc);
    escBox.send("Bootloader\r");
    EXPECT_EQ(escBox.replies(), "Bootloader\n");
    escBox.send("\x1b");
    EXPECT_EQ(escBox.replies(), "BOOTLOADER 1.0\nReady.\n");

    ConverterModel::Settings none;
    none.bootEntry = BootEntry::None;
    Box noneBox(none);
    noneBox.send("Bootloader\r\x1b");
    EXPECT_EQ(noneBox.replies(), "Bootloader\n");
}

TEST(ConverterModelFirmware, NewFirmwareMayIdentifyDifferently) {
    ConverterModel::Settings s;
    s.firmwareIdent = "VORNE DMX512-RS232 Converter v2.12";
    Box box(s);
    box.send("\x1b");
    box.send(std::string(64, '\x01'));
    box.wait(400);
    box.replies();
    box.send("\r");
    EXPECT_EQ(box.replies(), "\nVORNE DMX512-RS232 Converter v2.12\n");
}

TEST(ConverterModelFaults, NoEchoStillAnswers) {
    Box box(withFault(Fault::NoEcho));
    box.send("E\r");
    EXPECT_EQ(box.replies(), "");
    box.send("\r");
    EXPECT_EQ(box.replies(), "VORNE DMX512-RS232 Converter v2.11\n");
}

TEST(ConverterModelFaults, ProgramErrorComplainsUntilFirmwareArrives) {
    Box box(withFault(Fault::ProgramError));
    box.send("E\r");
    box.wait(1200);
    std::string text = box.replies();
    EXPECT_EQ(text.find("E\n"), std::string::npos);
    EXPECT_NE(text.find("Program error\n"), std::string::npos);
    box.send("Bootloader\r");
    EXPECT_EQ(box.replies(), "BOOTLOADER 1.0\nReady.\n");
    box.send(std::string(32, '\x11'));
    box.wait(400);
    EXPECT_EQ(box.replies(), "DONE\nCRC: OK\n");
    box.send("E\r\r");
    box.wait(2000);
    EXPECT_EQ(box.replies(), "E\n\nVORNE DMX512-RS232 Converter v2.11\n");
}

TEST(ConverterModelFaults, ErrorOnlyPrintsErrorAndNothingElse) {
    Box box(withFault(Fault::ErrorOnly));
    box.send("E\r");
    EXPECT_EQ(box.replies(), "Error\n");
    box.wait(1000);
    EXPECT_EQ(box.replies(), "Error\n");
    box.send("Bootloader\r\x1b");
    EXPECT_EQ(box.replies(), "Error\n");
    EXPECT_EQ(box.model.mode(), ConverterModel::Mode::Command);
}

TEST(ConverterModelFaults, NoIdentAnswersWithoutVorne) {
    Box box(withFault(Fault::NoIdent));
    box.send("E\r\r");
    EXPECT_EQ(box.replies(), "E\n\n?\n");
}

TEST(ConverterModelFaults, NoOkLeavesTheBoxInCommandMode) {
    Box box(withFault(Fault::NoOk));
    box.send("CfgFile=226\r");
    EXPECT_EQ(box.replies(), "CfgFile=226\n");
    EXPECT_EQ(box.model.mode(), ConverterModel::Mode::Command);
}

TEST(ConverterModelFaults, ErrorOrFileInDataStopsAtFaultAtThenRecovers) {
    for (Fault fault : {Fault::ErrorInData, Fault::FileInData}) {
        Box box(withFault(fault, 48));
        box.send("CfgFile=226\r");
        box.replies();
        box.send(workedExampleImage().substr(0, 47));
        EXPECT_EQ(box.replies(), "");
        box.send(workedExampleImage().substr(47));
        EXPECT_EQ(box.replies(), fault == Fault::ErrorInData ? "ERROR\n" : "FILE\n");
        box.wait(200);
        EXPECT_EQ(box.replies(), "");
        box.send("\r");
        EXPECT_NE(box.replies().find("VORNE "), std::string::npos);
    }
}

TEST(ConverterModelFaults, ErrorInFirmwareData) {
    Box box(withFault(Fault::ErrorInData, 16));
    box.send("\x1b");
    box.replies();
    box.send(std::string(20, '\x22'));
    EXPECT_EQ(box.replies(), "ERROR\n");
}

TEST(ConverterModelFaults, BadCrcReportsMismatchForAGoodImage) {
    Box box(withFault(Fault::BadCrc));
    std::string text = box.uploadConfig(workedExampleImage());
    EXPECT_NE(text.find("DONE\nCRC: BAD"), std::string::npos) << text;
    EXPECT_EQ(text.find("CRC: OK"), std::string::npos);
}

TEST(ConverterModelFaults, NoDoneReportsOnlyTheCrc) {
    Box box(withFault(Fault::NoDone));
    EXPECT_EQ(box.uploadConfig(workedExampleImage()), "CfgFile=226\n\nOK\nCRC: OK\n");
}

TEST(ConverterModelFaults, SilentNeverAnswers) {
    Box box(withFault(Fault::Silent));
    box.send("E\r\rCfgFile=226\r");
    box.send(workedExampleImage());
    box.wait(2000);
    EXPECT_EQ(box.replies(), "");
}

TEST(ConverterModelFaults, UnplugStrikesAtFaultAt) {
    Box box(withFault(Fault::Unplug, 32));
    box.send("CfgFile=226\r");
    box.send(std::string(31, '\0'));
    EXPECT_FALSE(box.model.unplugged());
    box.send(std::string(1, '\0'));
    EXPECT_TRUE(box.model.unplugged());
}

TEST(ConverterModelFaults, SplitMarksProtocolRepliesButNotEchoOrIdent) {
    Box box(withFault(Fault::Split));
    box.send("E\r\r");
    for (const auto &r : box.model.takeReplies())
        EXPECT_FALSE(r.splittable) << r.text;
    box.send("CfgFile=226\r");
    bool okSplittable = false;
    for (const auto &r : box.model.takeReplies())
        okSplittable |= r.text == "\nOK\n" && r.splittable;
    EXPECT_TRUE(okSplittable);
}
