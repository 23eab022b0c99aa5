/* EEPROM backups and their restore. See eeprom_backup.h. */
#include "eeprom_backup.h"

#include "d2xx/eeprom_image.h"
#include "ftdi.h"
#include "main.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr char kSuffix[] = ".eeprom";
constexpr int kMaxAttempts = 100; /* backups of one bridge within one second */

bool plainChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == ':' ||
           c == '-';
}

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

/* mkdir -p; the folders a backup needs. */
bool makeFolders(const std::string &path, std::string *why) {
    for (size_t at = 1; at <= path.size(); ++at) {
        if (at < path.size() && path[at] != '/')
            continue;
        std::string part = path.substr(0, at);
        if (mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) {
            *why = "cannot create " + part + ": " + strerror(errno);
            return false;
        }
    }
    struct stat st;
    if (stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        *why = path + " is not a folder";
        return false;
    }
    return true;
}

bool writeAll(int fd, const unsigned char *data, size_t len) {
    while (len > 0) {
        ssize_t n = write(fd, data, len);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        len -= (size_t)n;
    }
    return fsync(fd) == 0;
}

/* Saves the image as a new file, never over an older backup. */
bool saveImage(const std::string &bridge, const unsigned char *image, std::string *path, std::string *why) {
    std::string folder = eepromBackupFolder();
    if (folder.empty()) {
        *why = "no home folder is known";
        return false;
    }
    if (!makeFolders(folder, why))
        return false;
    const time_t now = time(nullptr);
    for (int attempt = 1; attempt <= kMaxAttempts; attempt++) {
        *path = folder + "/" + eepromBackupName(bridge, now, attempt);
        int fd = open(path->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0 && errno == EEXIST)
            continue;
        if (fd < 0) {
            *why = "cannot create " + *path + ": " + strerror(errno);
            return false;
        }
        bool written = writeAll(fd, image, EEPROM_IMAGE_SIZE);
        int saved = errno;
        if (close(fd) != 0 || !written) {
            *why = "cannot write " + *path + ": " + strerror(written ? errno : saved);
            unlink(path->c_str());
            return false;
        }
        return true;
    }
    *why = "too many backups of it in one second";
    return false;
}

/* Reads a backup file: exactly one FT232R image with a valid checksum. */
bool loadImage(const char *path, unsigned char *image, std::string *why) {
    FILE *f = fopen(path, "rb");
    if (!f) {
        *why = strerror(errno);
        return false;
    }
    unsigned char extra;
    size_t n = fread(image, 1, EEPROM_IMAGE_SIZE, f);
    bool longer = fread(&extra, 1, 1, f) == 1;
    fclose(f);
    if (n != EEPROM_IMAGE_SIZE || longer || !vorne::d2xx::eepromChecksumValid(image, EEPROM_IMAGE_SIZE)) {
        *why = "not an FT232R EEPROM image (128 bytes with a valid checksum)";
        return false;
    }
    return true;
}

/* Whether the bridge at index is the one named: by its listed name, or by
 * the serial its EEPROM holds (two bridges of one serial are listed by
 * location, yet both are that serial's). */
bool bridgeIs(int index, const std::string &name, bool *ft232r) {
    openDevice(index);
    bool same = name == cBufLD[index];
    ft_program_data record;
    memset(&record, 0, sizeof(record));
    if (readEEPROM(&record) == 0) {
        same = same || (record.SerialNumber && name == record.SerialNumber);
        *ft232r = ftDevice == FT_DEVICE_232R;
    } else {
        *ft232r = false;
    }
    releaseEEPROM(&record);
    closeDevice();
    return same;
}

void restoreError(const char *path, const std::string &why) {
    char text[MESSAGE_LEN];
    composeWithPath(text, sizeof(text), "Cannot restore the EEPROM from ", path, (": " + why).c_str());
    messageError(text);
}

} // namespace

std::string eepromBackupFolder() {
    const char *data = getenv("XDG_DATA_HOME");
    if (data && data[0] == '/') /* a relative one is to be ignored */
        return std::string(data) + "/vorne/eeprom";
    const char *home = getenv("HOME");
    if (!home || !home[0]) {
        const passwd *pw = getpwuid(getuid());
        home = pw ? pw->pw_dir : nullptr;
    }
    return home && home[0] ? std::string(home) + "/.local/share/vorne/eeprom" : std::string();
}

std::string eepromBackupName(const std::string &bridge, time_t when, int attempt) {
    std::string name;
    for (char c : bridge) {
        char escaped[4];
        snprintf(escaped, sizeof(escaped), "%%%02X", (unsigned char)c);
        name += plainChar(c) && !(name.empty() && c == '.') ? std::string(1, c) : std::string(escaped);
    }
    char stamp[32];
    struct tm local;
    localtime_r(&when, &local);
    strftime(stamp, sizeof(stamp), "_%Y%m%d-%H%M%S", &local);
    name += stamp;
    if (attempt > 1)
        name += "_" + std::to_string(attempt);
    return name + kSuffix;
}

bool bridgeOfEepromBackup(const std::string &path, std::string *bridge) {
    std::string name = path.substr(path.rfind('/') + 1);
    const size_t suffix = sizeof(kSuffix) - 1;
    size_t stamp = name.find('_');
    if (name.size() <= suffix || name.compare(name.size() - suffix, suffix, kSuffix) != 0 || stamp == 0 ||
        stamp == std::string::npos)
        return false;
    bridge->clear();
    for (size_t i = 0; i < stamp; i++) {
        if (name[i] != '%') {
            if (!plainChar(name[i]))
                return false;
            *bridge += name[i];
            continue;
        }
        int high = i + 2 < stamp ? hexValue(name[i + 1]) : -1, low = high >= 0 ? hexValue(name[i + 2]) : -1;
        if (low < 0)
            return false;
        *bridge += (char)(high * 16 + low);
        i += 2;
    }
    return true;
}

int backUpEEPROM(const char *bridge) {
    unsigned char image[EEPROM_IMAGE_SIZE];
    std::string path, why;
    if (readEEPROMImage(image) != 0)
        why = "its EEPROM cannot be read word by word (" + std::to_string((int)ftStatus) + ")";
    else if (saveImage(bridge, image, &path, &why)) {
        printf("EEPROM of %s saved to %s\n", bridge, path.c_str());
        return 0;
    }
    fprintf(stderr, "EEPROM of %s left as it is: no backup of it could be saved (%s)\n", bridge, why.c_str());
    return -1;
}

int restoreEEPROM(const char *path) {
    unsigned char image[EEPROM_IMAGE_SIZE];
    std::string bridge, why;
    if (!loadImage(path, image, &why)) {
        restoreError(path, why);
        return 1;
    }
    if (!bridgeOfEepromBackup(path, &bridge)) {
        restoreError(path, "its name does not tell which bridge it was taken from");
        return 1;
    }
    int found = -1, matches = 0;
    bool ft232r = false;
    const int count = readDevices();
    for (int index = 0; index < count && index < MAX_DEVICES; index++) {
        bool isR = false;
        if (bridgeIs(index, bridge, &isR)) {
            matches++;
            found = index;
            ft232r = isR;
        }
    }
    if (matches == 0) {
        restoreError(path, "bridge " + bridge + " is not plugged in");
        return 1;
    }
    if (matches > 1) {
        restoreError(path, std::to_string(matches) + " bridges match " + bridge + "; plug in only the one to restore");
        return 1;
    }
    if (!ft232r) {
        restoreError(path, "bridge " + bridge + " is not an FT232R");
        return 1;
    }
    openDevice(found);
    unsigned char back[EEPROM_IMAGE_SIZE];
    std::string outcome;
    if (backUpEEPROM(cBufLD[found]) != 0)
        outcome = "bridge " + bridge + " left as it is";
    else if (writeEEPROMImage(image) != 0)
        outcome = "writing bridge " + bridge + " failed (" + std::to_string((int)ftStatus) +
                  "); it may hold part of the image: try again";
    else if (readEEPROMImage(back) != 0 || memcmp(back, image, EEPROM_IMAGE_SIZE) != 0)
        outcome = "bridge " + bridge + " does not read back what was written: try again";
    closeDevice();
    if (!outcome.empty()) {
        restoreError(path, outcome);
        return 1;
    }
    char text[MESSAGE_LEN];
    composeWithPath(text, sizeof(text), ("EEPROM of " + bridge + " restored from ").c_str(), path,
                    " and read back unchanged; unplug the bridge and plug it in again\n");
    messageInfo(text);
    return 0;
}
