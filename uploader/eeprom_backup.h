/* A bridge's EEPROM is its identity from its maker: before the uploader writes
 * one, it keeps the image the chip held in the user's data folder, and
 * --restore-eeprom puts such an image back on the bridge it came from. No
 * backup, no write. */
#ifndef VORNE_UPLOADER_EEPROM_BACKUP_H
#define VORNE_UPLOADER_EEPROM_BACKUP_H

#include <sys/types.h>
#include <string>

/* $XDG_DATA_HOME/vorne/eeprom, else ~/.local/share/vorne/eeprom; empty when no home is known. */
std::string eepromBackupFolder();

/* A backup's file name: the bridge's listed name (its serial, or usb:BUS-PORT),
 * with every character outside [A-Za-z0-9.:-] escaped as %XX, then "_", the
 * local time as YYYYMMDD-HHMMSS, "_N" from the second attempt in the same
 * second on, and ".eeprom". */
std::string eepromBackupName(const std::string &bridge, time_t when, int attempt);
/* The bridge a backup was taken from, read back from its file name; false
 * when the name is not one of ours. */
bool bridgeOfEepromBackup(const std::string &path, std::string *bridge);

/* Saves the open device's EEPROM image, as the chip holds it, under the
 * bridge's name and prints where; 0 on success. Says why on stderr and
 * returns -1 when the image cannot be read or saved. */
int backUpEEPROM(const char *bridge);

/* --restore-eeprom FILE: writes the image back to the one bridge it was taken
 * from, after a backup of what that bridge holds now, and reads it back.
 * Returns the exit code: 0 when the bridge holds the image, 1 otherwise. */
int restoreEEPROM(const char *path);

#endif
