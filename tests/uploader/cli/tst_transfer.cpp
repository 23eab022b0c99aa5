/* Configuration and firmware uploads against the converter model, and each
 * way the model can misbehave. */
#include "sim_run.h"
#include "worked_example.h"

#include <gtest/gtest.h>

namespace {

std::string configReply(const std::string &path, size_t size, const std::string &tail) {
    return "Vorne config file:\n" + path + "\n(" + std::to_string(size) + "B)\n\n" + tail;
}

struct Upload {
    std::string file;
    std::string saved;
    std::string raw;
    RunResult r;
};

Upload upload(const std::string &name, const std::string &bytes, const std::string &extra,
              std::vector<std::string> options = {"-s"}) {
    Upload u;
    u.file = writeTempFile(name, bytes);
    u.saved = writeTempFile(name + ".saved", "");
    u.raw = writeTempFile(name + ".raw", "");
    options.push_back(u.file);
    u.r = runSim(options, bridge("A1", "save_to = " + u.saved + "\nsave_raw_to = " + u.raw + "\n" + extra));
    return u;
}

TEST(Config, AcceptedAndReceivedByteForByte) {
    Upload u = upload("example.bin", workedExampleImage(), "");
    EXPECT_EQ(u.r.exitCode, 0);
    EXPECT_EQ(u.r.err, "");
    EXPECT_EQ(u.r.out, DEFAULT_FOUND + std::string("INFO: ") + configReply(u.file, 226, "DONE\nCRC: OK\n"));
    EXPECT_EQ(readWholeFile(u.saved), workedExampleImage());
}

TEST(Config, ImageOf168BytesIsElevenBlocks) {
    std::string image = workedExampleImage();
    // A device without mappings: header count 0, CRC over 156 bytes.
    std::string empty = image.substr(0, 166);
    empty[8] = 0;
    unsigned crc = 0;
    for (size_t i = 10; i < 166; i++) {
        crc ^= (unsigned char)empty[i] << 8;
        for (int b = 0; b < 8; b++)
            crc = (crc & 0x8000) ? ((crc << 1) ^ 0x1021) & 0xFFFF : (crc << 1) & 0xFFFF;
    }
    empty += (char)(crc & 0xFF);
    empty += (char)(crc >> 8);
    ASSERT_EQ(empty.size(), 168u);
    Upload u = upload("empty168.bin", empty, "");
    EXPECT_EQ(u.r.out.substr(u.r.out.find("INFO")), "INFO: " + configReply(u.file, 168, "DONE\nCRC: OK\n"));
    EXPECT_EQ(readWholeFile(u.raw), empty + std::string(8, '\0'));
}

TEST(Config, RepliesSplitAcrossReads) {
    Upload u = upload("split.bin", workedExampleImage(), "fault = split\n");
    EXPECT_EQ(u.r.exitCode, 0);
    EXPECT_EQ(u.r.out.substr(u.r.out.find("INFO")), "INFO: " + configReply(u.file, 226, "DONE\nCRC: OK\n"));
}

TEST(Config, EmptyFile) {
    Upload u = upload("empty.bin", "", "");
    EXPECT_EQ(u.r.exitCode, 0);
    EXPECT_EQ(readWholeFile(u.raw), "");
    std::string all = u.r.out + u.r.err;
    EXPECT_NE(all.find(configReply(u.file, 0, "DONE\n")), std::string::npos) << all;
}

TEST(Config, BadCrc) {
    Upload u = upload("bad.bin", workedExampleImage(), "fault = bad_crc\n");
    EXPECT_EQ(u.r.exitCode, 0);
    EXPECT_EQ(u.r.err.substr(0, 7 + 31), "ERROR: " + configReply(u.file, 226, "DONE\nCRC: BAD").substr(0, 31));
    EXPECT_EQ(u.r.err.find("CRC: OK"), std::string::npos);
}

TEST(Config, ImageWithWrongChecksumIsRefusedByTheBox) {
    std::string image = workedExampleImage();
    image[20] ^= 1;
    Upload u = upload("wrong.bin", image, "");
    EXPECT_EQ(u.r.exitCode, 0);
    EXPECT_EQ(u.r.out.find("INFO"), std::string::npos);
    EXPECT_NE(u.r.err.find("CRC: BAD"), std::string::npos);
}

TEST(Config, NoOk) {
    Upload u = upload("nook.bin", workedExampleImage(), "fault = no_ok\n");
    EXPECT_EQ(u.r.exitCode, 0);
    // What the box said (its echo) is the message.
    EXPECT_EQ(u.r.err, "ERROR: CfgFile=226\n\n");
    EXPECT_EQ(readWholeFile(u.raw), "");
}

TEST(Config, ErrorDuringTheDataPhase) {
    Upload u = upload("err.bin", workedExampleImage(), "fault = error_in_data\nfault_at = 32\n");
    EXPECT_EQ(u.r.exitCode, 0);
    EXPECT_NE(u.r.err.find("ERROR"), std::string::npos);
    EXPECT_EQ(u.r.err.substr(0, 7), "ERROR: ");
    EXPECT_EQ(u.r.out.find("INFO"), std::string::npos);
    EXPECT_LT(readWholeFile(u.raw).size(), 226u);
}

TEST(Config, FileDuringTheDataPhase) {
    Upload u = upload("file.bin", workedExampleImage(), "fault = file_in_data\nfault_at = 64\n");
    EXPECT_EQ(u.r.exitCode, 0);
    EXPECT_NE(u.r.err.find("FILE"), std::string::npos);
    EXPECT_EQ(u.r.out.find("INFO"), std::string::npos);
    EXPECT_LT(readWholeFile(u.raw).size(), 226u);
}

TEST(Config, NoDoneMeansNoMessage) {
    Upload u = upload("nodone.bin", workedExampleImage(), "fault = no_done\n");
    EXPECT_EQ(u.r.exitCode, 0);
    EXPECT_EQ(u.r.out, DEFAULT_FOUND);
    EXPECT_EQ(u.r.err, "");
}

TEST(Config, UnplugDuringTheTransferEndsPromptly) {
    Upload u = upload("unplug.bin", std::string(64 * 1024, 'u'), "fault = unplug\nfault_at = 1024\npacing = on\n");
    EXPECT_EQ(u.r.exitCode, 0);
    EXPECT_FALSE(u.r.timedOut);
    EXPECT_EQ(u.r.err, "ERROR: Device not responding.\n");
    // 1 KiB at the line rate, then the failure; not the 17 s of the whole file.
    EXPECT_LT(u.r.seconds, 5.0);
}

TEST(Config, FileThatCannotBeRead) {
    RunResult r = runSim({"-s", "/nonexistent/x.bin"}, bridge("A1"));
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "ERROR: Cannot read file:\n/nonexistent/x.bin\n");
}

TEST(Config, FileLargerThanTheBufferIsRefused) {
    Upload u = upload("huge.bin", std::string(1048577, 'h'), "");
    EXPECT_EQ(u.r.exitCode, 0);
    EXPECT_EQ(u.r.err, "ERROR: File too large (more than 1048576 bytes):\n" + u.file + "\n");
    EXPECT_EQ(readWholeFile(u.raw), "");
}

TEST(Firmware, ThroughTheBootloader) {
    std::string fw;
    for (int i = 0; i < 1000; i++)
        fw += (char)(i * 7);
    Upload u = upload("new.fw", fw, "");
    EXPECT_EQ(u.r.exitCode, 0);
    EXPECT_EQ(u.r.err, "");
    std::string info = "INFO: Vorne firmware file:\n" + u.file + "\n(1000B)\n\nDONE\nCRC: OK\n";
    EXPECT_NE(u.r.out.find(info), std::string::npos) << u.r.out;
    // The identification is asked again afterwards.
    EXPECT_NE(u.r.out.find(info + "Found "), std::string::npos);
    EXPECT_EQ(readWholeFile(u.raw), fw + std::string(8, '\0'));
}

TEST(Firmware, BoxWithProgramErrorTakesFirmware) {
    Upload u = upload("repair.fw", std::string(64, 'f'), "fault = program_error\n");
    EXPECT_EQ(u.r.exitCode, 0);
    EXPECT_NE(u.r.out.find("INFO: Vorne firmware file:\n"), std::string::npos) << u.r.out << u.r.err;
}

TEST(Firmware, NoBootloader) {
    Upload u = upload("x.fw", std::string(64, 'f'), "fault = error_only\n");
    EXPECT_EQ(u.r.exitCode, 0);
    EXPECT_EQ(u.r.err, "ERROR: Cannot start bootloader.\n");
}

} // namespace
