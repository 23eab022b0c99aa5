/* EEPROM backups and their restore. See eeprom_backup.h. */
#include "eeprom_backup.h"

#include "d2xx/eeprom_image.h"
#include "d2xx/status_name.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using vorne::d2xx::kFt232rEepromBytes;
using vorne::d2xx::statusName;

constexpr char kSuffix[] = ".eeprom";
constexpr int kMaxAttempts = 100; /* backups of one bridge within one second */
/* The backups tell which bridges the user has and are theirs to put back: no one else's to read. */
constexpr mode_t kFolderMode = 0700;
constexpr DWORD kWords = kFt232rEepromBytes / 2;
constexpr int kMaxBridges = 50;     /* as many names as a listing holds */
constexpr size_t kNameSize = 64;    /* a listing's buffer for each name */
constexpr size_t kStringSize = 256; /* each string of the EEPROM record */

EepromSyncCall syncCall = nullptr;

int syncFd(int fd) { return syncCall ? syncCall(fd) : fsync(fd); }

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

/* A folder's entries (a new file, a new folder) are only as lasting as the folder itself. */
bool syncFolder(const std::string &path, std::string *why) {
    int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    int failed = fd < 0 ? errno : syncFd(fd) != 0 ? errno : 0;
    if (fd >= 0)
        close(fd);
    /* EINVAL: a file system with no folder to sync; nothing more can be done there. */
    if (failed != 0 && failed != EINVAL) {
        *why = "cannot sync " + path + ": " + strerror(failed);
        return false;
    }
    return true;
}

/* mkdir -p; the folders a backup needs. */
bool makeFolders(const std::string &path, std::string *why) {
    for (size_t at = 1; at <= path.size(); ++at) {
        if (at < path.size() && path[at] != '/')
            continue;
        std::string part = path.substr(0, at);
        if (mkdir(part.c_str(), kFolderMode) == 0) {
            const size_t slash = part.rfind('/');
            if (!syncFolder(slash == 0 ? std::string("/") : part.substr(0, slash), why))
                return false;
        } else if (errno != EEXIST) {
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
        if (n == 0)
            errno = EIO;
        if (n <= 0)
            return false;
        data += n;
        len -= (size_t)n;
    }
    return syncFd(fd) == 0;
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
        bool written = writeAll(fd, image, kFt232rEepromBytes);
        int saved = errno;
        if (close(fd) != 0 || !written) {
            *why = "cannot write " + *path + ": " + strerror(written ? errno : saved);
            unlink(path->c_str());
            return false;
        }
        if (!syncFolder(folder, why)) {
            unlink(path->c_str()); /* a backup a power cut may take is none */
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
    size_t n = fread(image, 1, kFt232rEepromBytes, f);
    bool longer = fread(&extra, 1, 1, f) == 1;
    fclose(f);
    if (n != kFt232rEepromBytes || longer || !vorne::d2xx::eepromChecksumValid(image, kFt232rEepromBytes)) {
        *why = "not an FT232R EEPROM image (128 bytes with a valid checksum)";
        return false;
    }
    return true;
}

/* The EEPROM as the chip holds it, word by word. */
FT_STATUS readImage(FT_HANDLE handle, unsigned char *image) {
    for (DWORD w = 0; w < kWords; w++) {
        WORD value = 0;
        FT_STATUS status = FT_ReadEE(handle, w, &value);
        if (status != FT_OK)
            return status;
        image[2 * w] = (unsigned char)value;
        image[2 * w + 1] = (unsigned char)(value >> 8);
    }
    return FT_OK;
}

/* *done: the words the chip took before a failure. */
FT_STATUS writeImage(FT_HANDLE handle, const unsigned char *image, DWORD *done) {
    for (*done = 0; *done < kWords; ++*done) {
        const DWORD w = *done;
        FT_STATUS status = FT_WriteEE(handle, w, (WORD)(image[2 * w] | image[2 * w + 1] << 8));
        if (status != FT_OK)
            return status;
    }
    return FT_OK;
}

struct Bridge {
    std::string name;     /* as listed: its serial, or its location */
    std::string location; /* usb:BUS-PORT */
};

/* The bridges by name and by location, index for index. */
bool listBridges(std::vector<Bridge> *bridges, std::string *why) {
    char names[kMaxBridges + 1][kNameSize] = {}, places[kMaxBridges + 1][kNameSize] = {};
    char *namePointers[kMaxBridges + 1], *placePointers[kMaxBridges + 1];
    for (int i = 0; i < kMaxBridges; i++) {
        namePointers[i] = names[i];
        placePointers[i] = places[i];
    }
    namePointers[kMaxBridges] = placePointers[kMaxBridges] = nullptr;
    DWORD count = 0, placed = 0;
    FT_STATUS status = FT_ListDevices(namePointers, &count, FT_LIST_ALL | FT_OPEN_BY_SERIAL_NUMBER);
    if (status == FT_OK)
        status = FT_ListDevices(placePointers, &placed, FT_LIST_ALL | FT_OPEN_BY_LOCATION);
    if (status != FT_OK) {
        *why = "the bridges cannot be listed (" + statusName(status) + ")";
        return false;
    }
    if (count != placed) {
        *why = "the bridges changed while they were listed; try again";
        return false;
    }
    for (DWORD i = 0; i < count; i++)
        bridges->push_back({names[i], places[i]});
    return true;
}

/* By location: the place names the bridge whatever its EEPROM says. */
FT_STATUS openAt(const std::string &location, FT_HANDLE *handle, std::string *why) {
    *handle = nullptr;
    FT_STATUS status = FT_OpenEx(const_cast<char *>(location.c_str()), FT_OPEN_BY_LOCATION, handle);
    if (status != FT_OK) {
        const char *reason = VORNE_OpenFailure();
        *why = reason ? reason : "";
        *handle = nullptr;
    }
    return status;
}

/* What opening a bridge told of it. */
struct Look {
    FT_STATUS open = FT_OK;
    std::string why; /* the backend's words when it did not open */
    FT_STATUS info = FT_OK;
    FT_DEVICE type = FT_DEVICE_UNKNOWN;
    bool eepromReads = false; /* false: blank, or it fails its checksum */
    std::string serial;       /* the one its EEPROM holds */
};

Look lookAt(const Bridge &bridge) {
    Look look;
    FT_HANDLE handle = nullptr;
    look.open = openAt(bridge.location, &handle, &look.why);
    if (look.open != FT_OK)
        return look;
    look.info = FT_GetDeviceInfo(handle, &look.type, nullptr, nullptr, nullptr, nullptr);
    char strings[4][kStringSize] = {};
    FT_PROGRAM_DATA record{};
    record.Signature2 = 0xFFFFFFFF;
    record.Manufacturer = strings[0];
    record.ManufacturerId = strings[1];
    record.Description = strings[2];
    record.SerialNumber = strings[3];
    look.eepromReads = FT_EE_Read(handle, &record) == FT_OK;
    if (look.eepromReads)
        look.serial.assign(strings[3], strnlen(strings[3], kStringSize - 1));
    FT_Close(handle);
    return look;
}

std::string couldNotOpen(const std::string &shown, FT_STATUS status, const std::string &why) {
    return "bridge " + shown + " could not be opened (" + statusName(status) + (why.empty() ? "" : ": " + why) +
           "); nothing was written";
}

/* A path as one word of a command a technician can paste into a shell. */
std::string shellWord(const std::string &text) {
    bool plain = !text.empty();
    for (char c : text)
        plain = plain && (plainChar(c) || c == '/' || c == '_' || c == '%' || c == '+' || c == ',' || c == '=');
    if (plain)
        return text;
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string retryCommand(const char *path, const std::string &location) {
    return "VORNE_uploader --restore-eeprom " + shellWord(path) + " --bridge " + location;
}

std::string joined(const std::vector<std::string> &names) {
    std::string text;
    for (size_t i = 0; i < names.size(); i++)
        text += (i == 0 ? "" : i + 1 == names.size() ? " and " : ", ") + names[i];
    return text;
}

} // namespace

EepromMessages printedEepromMessages() {
    EepromMessages messages;
    messages.step = [](const std::string &line, bool problem) {
        fprintf(problem ? stderr : stdout, "%s\n", line.c_str());
    };
    messages.outcome = [](bool ok, const std::string &text) {
        fprintf(ok ? stdout : stderr, "%s%s", text.c_str(), text.empty() || text.back() != '\n' ? "\n" : "");
    };
    return messages;
}

void setEepromBackupSync(EepromSyncCall sync) { syncCall = sync; }

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

int backUpEEPROM(FT_HANDLE handle, const char *bridge, const EepromMessages &messages) {
    unsigned char image[kFt232rEepromBytes];
    std::string path, why;
    FT_STATUS status = readImage(handle, image);
    if (status != FT_OK)
        why = "its EEPROM cannot be read word by word (" + statusName(status) + ")";
    else if (saveImage(bridge, image, &path, &why)) {
        messages.step(std::string("EEPROM of ") + bridge + " saved to " + path, false);
        return 0;
    }
    messages.step(std::string("EEPROM of ") + bridge + " left as it is: no backup of it could be saved (" + why + ")",
                  true);
    return -1;
}

int restoreEEPROM(const char *path, const char *named, const EepromMessages &messages) {
    auto fail = [&](const std::string &why) {
        messages.outcome(false, std::string("Cannot restore the EEPROM from ") + path + ": " + why);
        return 1;
    };
    unsigned char image[kFt232rEepromBytes];
    std::string from, why;
    if (!loadImage(path, image, &why))
        return fail(why);
    if (!bridgeOfEepromBackup(path, &from))
        return fail("its name does not tell which bridge it was taken from");
    std::vector<Bridge> bridges;
    if (!listBridges(&bridges, &why))
        return fail(why);

    /* Named: that bridge alone is opened. Otherwise every one, as two bridges
     * of one serial are listed by location, yet both are that serial's. */
    const std::string target = named ? named : from;
    std::vector<Look> looks(bridges.size());
    std::vector<size_t> matches;
    std::vector<std::string> unreadable; /* FT232Rs whose EEPROM does not read */
    for (size_t i = 0; i < bridges.size(); i++) {
        const bool listed = bridges[i].name == target || bridges[i].location == target;
        if (named && !listed)
            continue;
        looks[i] = lookAt(bridges[i]);
        const Look &look = looks[i];
        if (listed || (look.eepromReads && look.serial == from))
            matches.push_back(i);
        else if (look.open == FT_OK && look.info == FT_OK && look.type == FT_DEVICE_232R && !look.eepromReads)
            unreadable.push_back(bridges[i].location);
    }
    if (matches.empty()) {
        std::string absent = "bridge " + target + " is not plugged in";
        if (!unreadable.empty())
            absent += "; the EEPROM of the FT232R at " + joined(unreadable) +
                      " does not read, as a restore cut short leaves it: if that is the one, name it: " +
                      retryCommand(path, unreadable[0]);
        return fail(absent);
    }
    if (matches.size() > 1) {
        std::vector<std::string> places;
        for (size_t i : matches)
            places.push_back(bridges[i].location);
        return fail(std::to_string(matches.size()) + " bridges match " + target +
                    "; plug in only the one to restore, or name it with --bridge and its place: " + joined(places));
    }
    const Bridge &bridge = bridges[matches[0]];
    const Look &look = looks[matches[0]];
    if (look.open != FT_OK)
        return fail(couldNotOpen(target, look.open, look.why));
    if (look.info != FT_OK)
        return fail("bridge " + target + " does not tell its chip type (" + statusName(look.info) +
                    "); nothing was written");
    if (look.type != FT_DEVICE_232R)
        return fail("bridge " + target + " is not an FT232R");
    /* Its place alone is no proof: another bridge may sit there now. */
    if (look.eepromReads && look.serial != from && bridge.name != from)
        return fail("bridge " + target + " holds the EEPROM of " +
                    (look.serial.empty() ? std::string("a bridge without a serial") : look.serial) + ", not that of " +
                    from + "; nothing was written");

    FT_HANDLE handle = nullptr;
    FT_STATUS status = openAt(bridge.location, &handle, &why);
    if (status != FT_OK)
        return fail(couldNotOpen(target, status, why));
    /* Where a retry finds it: by its place, as its serial may be gone with its checksum. */
    const std::string cutShort = ". Its EEPROM may now hold part of the image" +
                                 (from == bridge.location ? std::string()
                                                          : ", and once replugged the bridge lists as " +
                                                                bridge.location + " rather than " + from) +
                                 ". Leave it in that port and run: " + retryCommand(path, bridge.location);
    std::string outcome;
    DWORD done = 0;
    unsigned char back[kFt232rEepromBytes];
    if (backUpEEPROM(handle, bridge.name.c_str(), messages) != 0)
        outcome = "bridge " + target + " left as it is";
    else if ((status = writeImage(handle, image, &done)) != FT_OK)
        outcome = "writing bridge " + target + " failed at word " + std::to_string(done + 1) + " of " +
                  std::to_string(kWords) + " (" + statusName(status) + ")" + cutShort;
    else if ((status = readImage(handle, back)) != FT_OK)
        outcome = "bridge " + target + " cannot be read back (" + statusName(status) + ")" + cutShort;
    else if (memcmp(back, image, kFt232rEepromBytes) != 0)
        outcome = "bridge " + target + " does not read back what was written" + cutShort;
    FT_Close(handle);
    if (!outcome.empty())
        return fail(outcome);
    messages.outcome(true, "EEPROM of " + from + " restored from " + path +
                               " and read back unchanged; unplug the bridge and plug it in again\n");
    return 0;
}
