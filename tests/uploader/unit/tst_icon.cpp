/* Where the window icon comes from: the working directory first, then the
 * copy installed beside the program. */
#include "mainWin.h"

#include <gtest/gtest.h>

#include <glib/gstdio.h>
#include <unistd.h>

#include <fstream>
#include <string>

namespace {

std::string makeDir(const std::string &path) {
    g_mkdir_with_parents(path.c_str(), 0755);
    return path;
}

void touch(const std::string &path) { std::ofstream(path, std::ios::binary) << "png"; }

/* A prefix with bin/ and share/vorne/, and an empty folder to run in. */
class Icon : public testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/vorne_icon_XXXXXX";
        root = g_mkdtemp(tmpl);
        makeDir(root + "/usr/bin");
        makeDir(root + "/usr/share/vorne");
        work = makeDir(root + "/work");
        char cwd[4096];
        ASSERT_NE(getcwd(cwd, sizeof(cwd)), nullptr);
        oldCwd = cwd;
        ASSERT_EQ(chdir(work.c_str()), 0);
    }
    void TearDown() override {
        ASSERT_EQ(chdir(oldCwd.c_str()), 0);
        std::string cmd = "rm -rf '" + root + "'";
        ASSERT_EQ(system(cmd.c_str()), 0);
    }
    std::string exe() const { return root + "/usr/bin/VORNE_uploader"; }
    std::string installed() const { return root + "/usr/share/vorne/kvx.png"; }
    std::string root, work, oldCwd;
};

TEST_F(Icon, WorkingDirectoryComesFirst) {
    touch(work + "/kvx.png");
    touch(installed());
    EXPECT_EQ(iconFile(exe().c_str()), "kvx.png");
}

TEST_F(Icon, InstalledCopyWhenTheWorkingDirectoryHasNone) {
    touch(installed());
    const std::string found = iconFile(exe().c_str());
    EXPECT_EQ(found, root + "/usr/bin/../share/vorne/kvx.png");
    EXPECT_TRUE(g_file_test(found.c_str(), G_FILE_TEST_IS_REGULAR));
}

TEST_F(Icon, PlainNameWhenNeitherExists) {
    EXPECT_EQ(iconFile(exe().c_str()), "kvx.png");
    EXPECT_EQ(iconFile(nullptr), "kvx.png");
    // A folder of that name is no icon.
    makeDir(work + "/kvx.png");
    makeDir(installed());
    EXPECT_EQ(iconFile(exe().c_str()), "kvx.png");
}

} // namespace
