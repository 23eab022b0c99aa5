/* A bridge's EEPROM is its identity from its maker: before the uploader writes
 * one, it keeps the image the chip held in the user's data folder, and
 * --restore-eeprom puts such an image back on the bridge it came from. No
 * backup, no write. This room talks to the bridges through the D2XX calls
 * alone and tells what it did through the messages it is handed. */
#ifndef VORNE_UPLOADER_EEPROM_BACKUP_H
#define VORNE_UPLOADER_EEPROM_BACKUP_H

#include "d2xx/ftd2xx.h"

#include <functional>
#include <string>
#include <sys/types.h>

/* Where the messages go; the caller decides how they are shown. */
struct EepromMessages {
    /* A step on the way, one line without its line end: a backup saved, or
     * why none could be (problem). */
    std::function<void(const std::string &line, bool problem)> step;
    /* The restore's outcome, once; an information ends in a line break. */
    std::function<void(bool ok, const std::string &text)> outcome;
};
/* Steps on stdout (problems on stderr); outcomes as plain lines likewise. */
EepromMessages printedEepromMessages();

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

/* What makes a backup outlast a power cut right after it: fsync of the file,
 * of its folder and of the parent of each folder created for it. Tests count
 * the calls through this; null puts fsync back. */
using EepromSyncCall = int (*)(int fd);
void setEepromBackupSync(EepromSyncCall sync);

/* Saves the EEPROM image of the open bridge behind handle, as the chip holds
 * it, under the bridge's listed name, and tells where; 0 on success. Tells
 * why and returns -1 when the image cannot be read or saved. */
int backUpEEPROM(FT_HANDLE handle, const char *bridge, const EepromMessages &messages);

/* --restore-eeprom FILE [--bridge NAME]: writes the image back to the one
 * bridge it was taken from, after a backup of what that bridge holds now, and
 * reads it back. The bridge is the one the file's name names, or with a name
 * given (a serial or usb:BUS-PORT) the bridge listed or plugged in under it,
 * provided its EEPROM names no other bridge: one whose EEPROM no longer reads
 * is found that way. Returns the exit code: 0 when the bridge holds the
 * image, 1 otherwise. */
int restoreEEPROM(const char *path, const char *bridge, const EepromMessages &messages);

#endif
