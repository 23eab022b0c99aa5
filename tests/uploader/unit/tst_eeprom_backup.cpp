/* Backup file names: the bridge's name comes back from any of them, and a
 * name that is not a backup's is not taken for one. Backups that last, and
 * restores that refuse a bridge they cannot or must not write. */
#include "d2xx/eeprom_image.h"
#include "eeprom_backup.h"
#include "fake_d2xx.h"
#include "run_process.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

TEST(EepromBackupName, BridgeNameComesBackFromTheFileName) {
    setenv("TZ", "UTC", 1);
    const time_t when = 1796738462; /* 2026-12-08 14:01:02 UTC */
    struct Case {
        std::string bridge, file;
    } cases[] = {
        {"A1000001", "A1000001_20261208-140102.eeprom"},
        {"usb:1-2.4", "usb:1-2.4_20261208-140102.eeprom"},
        {"A/B_C%D E", "A%2FB%5FC%25D%20E_20261208-140102.eeprom"},
        {"..", "%2E._20261208-140102.eeprom"},
        {"Gr\xC3\xBC\xC3\x9F", "Gr%C3%BC%C3%9F_20261208-140102.eeprom"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(eepromBackupName(c.bridge, when, 1), c.file);
        std::string back;
        ASSERT_TRUE(bridgeOfEepromBackup("/some/folder/" + eepromBackupName(c.bridge, when, 3), &back)) << c.file;
        EXPECT_EQ(back, c.bridge);
    }
    EXPECT_EQ(eepromBackupName("A1", when, 2), "A1_20261208-140102_2.eeprom");
    for (const char *notOurs : {"A1.eeprom", "_20261208-140102.eeprom", "A1_20261208-140102.bin", "A%2_1.eeprom",
                                "A%zz_1.eeprom", "A B_1.eeprom", "folder_x/A1"}) {
        std::string back;
        EXPECT_FALSE(bridgeOfEepromBackup(notOurs, &back)) << notOurs;
    }
}

TEST(EepromBackupName, FolderFollowsTheDataHome) {
    setenv("HOME", "/home/tech", 1);
    setenv("XDG_DATA_HOME", "/data", 1);
    EXPECT_EQ(eepromBackupFolder(), "/data/vorne/eeprom");
    setenv("XDG_DATA_HOME", "relative/data", 1); /* to be ignored */
    EXPECT_EQ(eepromBackupFolder(), "/home/tech/.local/share/vorne/eeprom");
    unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(eepromBackupFolder(), "/home/tech/.local/share/vorne/eeprom");
}

namespace {

std::vector<std::string> synced; /* the path behind each descriptor synced */
int folderSyncError = 0;

int noteSync(int fd) {
    char link[64], target[4096];
    snprintf(link, sizeof(link), "/proc/self/fd/%d", fd);
    ssize_t n = readlink(link, target, sizeof(target) - 1);
    synced.push_back(n > 0 ? std::string(target, (size_t)n) : "?");
    struct stat st;
    if (fstat(fd, &st) == 0 && S_ISDIR(st.st_mode) && folderSyncError) {
        errno = folderSyncError;
        return -1;
    }
    return 0;
}

/* What was said, problems and failures marked "! ". */
std::vector<std::string> said;
EepromMessages noted() {
    return {[](const std::string &line, bool problem) { said.push_back((problem ? "! " : "") + line); },
            [](bool ok, const std::string &text) { said.push_back((ok ? "" : "! ") + text); }};
}

} // namespace

TEST(EepromBackup, FoldersAreTheUsersAloneAndWhatMakesTheBackupIsSynced) {
    char *resolved = realpath(writeTempFile("home-marker", "").c_str(), nullptr);
    const std::string base = std::string(resolved) + "-home", data = base + "/new/data",
                      folder = data + "/vorne/eeprom";
    free(resolved);
    ASSERT_EQ(mkdir(base.c_str(), 0755), 0);
    setenv("XDG_DATA_HOME", data.c_str(), 1);
    setEepromBackupSync(noteSync);
    const mode_t umaskWas = umask(0); /* the folders' mode is the program's own choice */
    fake::reset();
    FT_HANDLE h = nullptr;
    ASSERT_EQ(FT_OpenEx(const_cast<char *>("FAKE0001"), FT_OPEN_BY_SERIAL_NUMBER, &h), FT_OK);
    struct Case {
        const char *what;
        int folderError;
        std::vector<std::string> madeIn; /* synced before the file: the parent of each folder made */
        int result;
    } cases[] = {
        {"first backup: three folders made", 0, {base, base + "/new", data, data + "/vorne"}, 0},
        {"second backup: the folder is there", 0, {}, 0},
        {"the folder does not sync", EIO, {}, -1},
    };
    for (const Case &c : cases) {
        synced.clear();
        said.clear();
        folderSyncError = c.folderError;
        EXPECT_EQ(backUpEEPROM(h, "FAKE0001", noted()), c.result) << c.what;
        std::vector<std::string> expected = c.madeIn;
        const std::string file = synced.size() >= 2 ? synced[synced.size() - 2] : "";
        expected.insert(expected.end(), {file, folder});
        EXPECT_EQ(synced, expected) << c.what << ": the folder after the file in it";
        EXPECT_EQ(file.rfind(folder + "/FAKE0001_", 0), 0u) << c.what << " " << file;
        const std::string saved = "EEPROM of FAKE0001 saved to " + file,
                          refused = "! EEPROM of FAKE0001 left as it is: no backup of it could be saved (cannot sync " +
                                    folder + ": " + strerror(EIO) + ")";
        EXPECT_EQ(said, std::vector<std::string>{c.result == 0 ? saved : refused}) << c.what;
        EXPECT_EQ(access(file.c_str(), F_OK) == 0, c.result == 0) << c.what << ": a backup that may not last is none";
    }
    for (const std::string &made : {base + "/new", data, data + "/vorne", folder, base}) {
        struct stat st;
        ASSERT_EQ(stat(made.c_str(), &st), 0) << made;
        EXPECT_EQ(st.st_mode & 07777, made == base ? 0755u : 0700u) << made << ": a folder that was there stays";
    }
    setEepromBackupSync(nullptr);
    umask(umaskWas);
}

TEST(EepromRestore, OnlyABridgeThatOpenedAndIsOneIsCalledNotAnFt232r) {
    std::string image(128, '\0');
    vorne::d2xx::storeEepromChecksum(reinterpret_cast<uint8_t *>(&image[0]), image.size());
    setenv("XDG_DATA_HOME", (writeTempFile("restore-marker", "") + "-data").c_str(), 1);
    struct Case {
        std::function<void(FakeBridge &)> bridge;
        const char *file, *named, *says;
    } cases[] = {
        {[](FakeBridge &b) {
             b.opens = false;
             b.openFailure = "unable to claim usb device";
         },
         "FAKE0001_1.eeprom", nullptr,
         "bridge FAKE0001 could not be opened (FT_DEVICE_NOT_OPENED: unable to claim usb device); nothing was written"},
        {[](FakeBridge &b) { b.type = FT_DEVICE_BM; }, "FAKE0001_1.eeprom", nullptr,
         "bridge FAKE0001 is not an FT232R"},
        /* Its place alone is no proof that it is the bridge the backup came from. */
        {[](FakeBridge &) {}, "A1000001_1.eeprom", "usb:1-1",
         "bridge usb:1-1 holds the EEPROM of FAKE0001, not that of A1000001; nothing was written"},
    };
    for (const Case &c : cases) {
        fake::reset();
        c.bridge(fake::bridges[0]);
        const std::vector<uint8_t> before = fake::bridges[0].raw;
        const std::string path = writeTempFile(c.file, image);
        said.clear();
        EXPECT_EQ(restoreEEPROM(path.c_str(), c.named, noted()), 1) << c.says;
        EXPECT_EQ(said, std::vector<std::string>{"! Cannot restore the EEPROM from " + path + ": " + c.says});
        EXPECT_EQ(fake::bridges[0].raw, before) << c.says;
    }
}
