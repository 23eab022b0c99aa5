/* From project file to converter: the image vorne_tool writes for the worked
 * example reaches the converter model unchanged and passes its CRC check. */
#include "run_process.h"

#include <gtest/gtest.h>

namespace {

std::string scenario(const std::string &savedTo, bool paced) {
    return std::string("[bridge]\nserial = E2E00001\n") + (paced ? "pacing = on\n" : "pacing = off\n") +
           "save_to = " + savedTo + "\n";
}

/* Writes the worked example's image with vorne_tool; returns its path. */
std::string writeImage() {
    std::string out = writeTempFile("Projector X1.bin", "");
    RunResult tool = runProcess({VORNE_TOOL, "image", VORNE_PROJECT, "Acme", "Projector X1", out}, {"TZ=UTC"}, 30000);
    EXPECT_EQ(tool.exitCode, 0) << tool.err;
    return out;
}

void sendAndCheck(bool paced) {
    std::string image = writeImage();
    const std::string bytes = readWholeFile(image);
    ASSERT_EQ(bytes, readWholeFile(VORNE_WORKED_EXAMPLE));

    std::string saved = writeTempFile(paced ? "paced.saved" : "fast.saved", "");
    std::string sc = writeTempFile(paced ? "paced.txt" : "fast.txt", scenario(saved, paced));
    RunResult up = runProcess({VORNE_UPLOADER_SIM, "-s", image}, {"VORNE_SIM_SCENARIO=" + sc}, 60000);
    EXPECT_EQ(up.exitCode, 0);
    EXPECT_EQ(up.err, "");
    const std::string info = "INFO: Vorne config file:\n" + image + "\n(226B)\n\nDONE\nCRC: OK\n";
    ASSERT_GE(up.out.size(), info.size()) << up.out;
    EXPECT_EQ(up.out.substr(up.out.size() - info.size()), info);
    EXPECT_EQ(readWholeFile(saved), bytes);
}

TEST(EndToEnd, WorkedExampleImageIsAccepted) { sendAndCheck(false); }

TEST(EndToEnd, WorkedExampleImageAtLineRate) { sendAndCheck(true); }

} // namespace
