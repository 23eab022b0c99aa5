/* Backup file names: the bridge's name comes back from any of them, and a
 * name that is not a backup's is not taken for one. */
#include "eeprom_backup.h"

#include <gtest/gtest.h>

#include <cstdlib>

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
