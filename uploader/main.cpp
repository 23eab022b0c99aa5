/* Command line, converter search and the upload exchange. See main.h. */
#include "main.h"

#include "converters.h"
#include "eeprom_backup.h"

#include "fileio.h"
#include "ftdi.h"
#include "mainWin.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>

unsigned char fileData[FILE_DATA_SIZE];
int fileDataSize = 0;
std::atomic<int> pStatusSt{0};
std::atomic<int> pStatusTop{100};
std::atomic<int> msgType{0};
std::atomic<int> transferOutcome{0};

namespace {

char ver[VER_LEN];
char message[MESSAGE_LEN];
std::mutex textLock;

int readAndSend(const char *path, file_type_e type);

const char NOT_RESPONDING[] = "Device not responding.";
const char STOPPED[] = "Transfer stopped: the window was closed.";

void setVer(const char *text, size_t len) {
    std::lock_guard<std::mutex> lock(textLock);
    memset(ver, 0, VER_MAX);
    memcpy(ver, text, std::min(len, (size_t)VER_MAX));
}

void storeMessage(const char *text, int type) {
    {
        std::lock_guard<std::mutex> lock(textLock);
        copyText(message, sizeof(message), text);
    }
    msgType = type;
}

/* A failed step tells what the converter said, or that it said nothing. */
void reportFailure() {
    if (linkStop)
        messageError(STOPPED);
    else
        messageError(resp_buff[0] ? resp_buff : NOT_RESPONDING);
}

/* Two reads in a row, "CRC:" and then (without clearing) "CRC: OK". */
bool waitForCrc() {
    int gotCrc = waitForResponse_clr("CRC:", 1000, 1);
    waitForResponse_clr("CRC: OK", 1000, 0);
    linkSleepMs(80);
    return gotCrc != 0;
}

/* Returns whether the converter confirmed the CRC. */
bool reportOutcome(const char *kind, const char *path) {
    const char *tail = strstr(resp_buff, "DONE");
    char head[64];
    char after[RESP_BUFF_LEN];
    snprintf(head, sizeof(head), "Vorne %s file:\n", kind);
    snprintf(after, sizeof(after), "\n(%dB)\n\n%s", fileDataSize, tail);
    char text[MESSAGE_LEN];
    composeWithPath(text, sizeof(text), head, path, after);
    const bool confirmed = strstr(tail, "CRC: OK") != nullptr;
    if (confirmed)
        messageInfo(text);
    else
        messageError(text);
    return confirmed;
}

int sendConfig(const char *path) {
    char cmd[32];
    snprintf(cmd, sizeof(cmd), "CfgFile=%d\r", fileDataSize);
    bool ok = false;
    for (int attempt = 0; attempt < 6 && !ok && !linkStop; attempt++) {
        devSend(cmd, (int)strlen(cmd));
        ok = waitForResponse_clr("\nOK\n", 100, 1) != 0;
    }
    if (!ok || sendFileData() < 0 || !waitForCrc()) {
        reportFailure();
        return -1;
    }
    if (!strstr(resp_buff, "DONE"))
        return -1;
    return reportOutcome("config", path) ? 0 : -1;
}

int sendFirmware(const char *path) {
    if (!startBootloader()) {
        messageError(linkStop ? STOPPED : "Cannot start bootloader.");
        return -1;
    }
    int sent = sendFileData();
    linkSleepMs(1000);
    if (sent < 0 || !waitForCrc()) {
        reportFailure();
        checkDev();
        return -1;
    }
    if (!strstr(resp_buff, "DONE")) {
        checkDev();
        return -1;
    }
    int result = reportOutcome("firmware", path) ? 0 : -1;
    // New firmware identifies itself anew; the window title shows it.
    checkDev();
    return result;
}

} // namespace

void getVer(char *out, size_t size) {
    std::lock_guard<std::mutex> lock(textLock);
    copyText(out, size, ver);
}

void getMessage(char *out, size_t size) {
    std::lock_guard<std::mutex> lock(textLock);
    copyText(out, size, message);
}

void messageInfo(const char *text) {
    storeMessage(text, 1);
    printf("INFO: %s", text);
    fflush(stdout);
}

void messageError(const char *text) {
    storeMessage(text, -1);
    fprintf(stderr, "ERROR: %s\n", text);
}

void copyText(char *out, size_t size, const char *text) {
    if (size == 0)
        return;
    size_t n = strnlen(text, size - 1);
    memcpy(out, text, n);
    out[n] = 0;
}

void composeWithPath(char *out, size_t size, const char *before, const char *path, const char *after) {
    const size_t fixed = strlen(before) + strlen(after);
    const size_t pathLen = strlen(path);
    const char *shownPath = path;
    const char *ellipsis = "";
    if (fixed + pathLen >= size && fixed + 4 < size) {
        shownPath = path + pathLen - (size - 1 - fixed - 3);
        ellipsis = "...";
    }
    // Appended piece by piece: whatever does not fit is cut at the slot's end.
    size_t used = 0;
    for (const char *piece : {before, ellipsis, shownPath, after}) {
        copyText(out + used, size - used, piece);
        used += strlen(out + used);
    }
}

bool parseOptions(int argc, char **argv, Options &options) {
    for (int i = 1; i < argc; i++) {
        const char *a = argv[i];
        if (a[0] != '-') {
            options.file = a;
        } else if (strcmp(a, "--restore-eeprom") == 0) {
            options.restore = i + 1 < argc ? argv[++i] : "";
        } else if (strcmp(a, "--list") == 0) {
            options.list = true;
        } else if (strcmp(a, "--serial") == 0) {
            options.serial = i + 1 < argc ? argv[++i] : "";
        } else if (strcmp(a, "--bridge") == 0) {
            options.bridge = i + 1 < argc ? argv[++i] : "";
        } else if (a[1] == '-' && strncmp(a + 2, "FTDI_EEPROM", 11) == 0) {
            options.service = true;
        } else if (a[1] == 'b') {
            options.type = 2;
        } else if (a[1] == 'c') {
            options.type = 1;
        } else if (a[1] == 's') {
            options.silent = true;
        } else {
            return false;
        }
    }
    return true;
}

void printUsage(const char *program) {
    printf("  %s [OPTION] [FILE]\n", program);
    printf("\t-h\tthis help\n");
    printf("\t-s\tsilent mode\n");
    printf("\t-c\tfile is config file for VORNE\n");
    printf("\t-b\tfile is firmware file for VORNE\n");
    printf("\n\n");
}

int pgmError() {
    char buf[READ_CHUNK + 1] = {0};
    int n = devRead(buf, READ_CHUNK);
    if (n == 0)
        return 0;
    for (int i = 0; i < 3; i++) {
        if (strstr(buf, "error") || strstr(buf, "Error") || strstr(buf, "ERROR")) {
            const char pe[] = "Program error!";
            setVer(pe, sizeof(pe));
            return -1;
        }
        linkSleepMs(1500);
        if (devRead(buf, READ_CHUNK) == 0)
            return 0;
    }
    return 0;
}

int checkDev() {
    bool echoed = false;
    for (int pass = 0; pass < 20 && !echoed && !linkStop; pass++) {
        devSend("E\r", 2);
        echoed = waitForResponse_clr("E\n", 10, 1) != 0;
    }
    if (!echoed)
        return pgmError() != 0 ? 1 : -1;

    // One byte more than a read brings, so the text always ends in a zero.
    char buf[READ_CHUNK + 1] = {0};
    for (int i = 0; i < 10 && !linkStop; i++) {
        devSend("\r", 1);
        linkSleepMs(50);
        int n = devRead(buf, READ_CHUNK);
        if (n <= 1)
            continue;
        const char *id = strstr(buf, "VORNE ");
        if (!id) {
            fprintf(searchOut, "%d (%s)\n", n, buf);
            continue;
        }
        fprintf(searchOut, "Found %s\n", buf);
        size_t len = 0;
        while (len < VER_MAX && id[len] >= 0x20 && id[len] <= 0x7A)
            len++;
        setVer(id, len);
        return 1;
    }
    return -2;
}

int startBootloader() {
    for (int attempt = 0; attempt < 12 && !linkStop; attempt++) {
        if (attempt < 6)
            devSend("Bootloader\r", 11);
        else
            devSend("\x1b", 1);
        if (waitForResponse_clr("BOOT", 1500, 1)) {
            waitForResponse_clr(".\n", 1500, 0);
            linkSleepMs(10);
            return 1;
        }
    }
    return 0;
}

int sendFileData() {
    clearRespBuff();
    pStatusSt = 0;
    pStatusTop = fileDataSize;
    if (fileDataSize <= 0)
        return 0;
    int sent = 0;
    while (sent < fileDataSize) {
        if (checkResponse("ERROR"))
            return -1;
        if (checkResponse("FILE"))
            return -1;
        // The last block is padded with zeros, never with an earlier file's bytes.
        char block[16] = {0};
        memcpy(block, fileData + sent, (size_t)std::min(16, fileDataSize - sent));
        if (linkStop || devSend(block, 16) < 0)
            return -1;
        sent = std::min(sent + 16, fileDataSize);
        pStatusSt = sent;
    }
    return 0;
}

int read_send_file(const char *path, file_type_e type) {
    const int result = readAndSend(path, type);
    transferOutcome = result == 0 ? 1 : -1;
    return result;
}

namespace {

int readAndSend(const char *path, file_type_e type) {
    fileDataSize = read_file(path, fileData, FILE_DATA_SIZE);
    if (fileDataSize < 0) {
        char text[MESSAGE_LEN];
        if (fileDataSize == READ_FILE_TOO_LARGE)
            composeWithPath(text, sizeof(text), "File too large (more than 1048576 bytes):\n", path, "");
        else
            composeWithPath(text, sizeof(text), "Cannot read file:\n", path, "");
        fileDataSize = 0;
        messageError(text);
        return -1;
    }
    bool firmware = type == 0 ? isFirmwareName(path) : type != 1;
    return firmware ? sendFirmware(path) : sendConfig(path);
}

/* Told, shown unless a silent file run, and exit code 1. */
int refuse(const std::string &text, bool dialogs) {
    messageError(text.c_str());
    if (dialogs)
        messageShow();
    return 1;
}

std::string notUsable(const BridgeLook &look) {
    const std::string bridge = "BRIDGE \"" + look.bridge.name + "\" ";
    switch (look.state) {
    case BridgeState::Other:
        return bridge + "IS NOT A VORNE DEVICE: its description is \"" + look.description + "\"\n";
    case BridgeState::NoAnswer:
        return bridge + "DOES NOT ANSWER: it carries the converter's description but gave no identification\n";
    default:
        return bridge + "CANNOT BE READ: it did not open, or its EEPROM did not read\n";
    }
}

/* --serial NAME: that bridge alone is examined; a transfer that fails exits 1. */
int runNamed(const Options &options, bool dialogs) {
    std::vector<BridgeEntry> bridges;
    if (!listAttachedBridges(&bridges))
        return refuse("BRIDGE \"" + std::string(options.serial) + "\" NOT FOUND: the bridges cannot be listed\n",
                      dialogs);
    std::string why;
    const int index = chooseBridge(bridges, options.serial, &why);
    if (index < 0)
        return refuse(why, dialogs);
    const BridgeLook look = examineBridge(bridges[index], options.service, true);
    if (look.state != BridgeState::Converter)
        return refuse(notUsable(look), dialogs);
    if (options.file) {
        const int result = read_send_file(options.file, options.type);
        closeDevice();
        if (!options.silent)
            messageShow();
        return result == 0 ? 0 : 1;
    }
    createGUI();
    closeDevice();
    messageShow();
    return transferOutcome < 0 ? 1 : 0;
}

/* Without --serial, after the search chose the open device: the others are
 * named from the listing alone, so no byte goes to a box not asked for (it
 * may be taking another upload). A window offers those that answer. */
void afterChoice(bool window) {
    const int chosen = getOpenDevice();
    std::vector<BridgeEntry> bridges;
    if (iNumDevs < 2 || !listAttachedBridges(&bridges) || chosen >= (int)bridges.size())
        return;
    const std::vector<std::string> others = otherConverterNames(bridges, chosen);
    fputs(severalConvertersNotice(bridges[chosen].name, others).c_str(), stderr);
    if (!window || others.empty())
        return;
    BridgeLook first;
    first.bridge = bridges[chosen];
    first.state = BridgeState::Converter;
    first.description = VORNE_DESCRIPTION;
    char id[VER_LEN];
    getVer(id, sizeof(id));
    first.ident = id;
    closeDevice();
    std::vector<BridgeLook> choices;
    int selected = 0;
    for (auto b = bridges.rbegin(); b != bridges.rend(); ++b) {
        if (b->index == chosen) {
            selected = (int)choices.size();
            choices.push_back(first);
        } else if (describedAsConverter(*b)) {
            BridgeLook look = examineBridge(*b, false, false);
            if (look.state == BridgeState::Converter)
                choices.push_back(look);
        }
    }
    // The window opens on the search's choice, as with one converter.
    switchToConverter(first);
    if (choices.size() > 1)
        setConverterChoices(choices, selected);
}

} // namespace

int uploaderMain(int argc, char **argv) {
    Options options;
    if (!parseOptions(argc, argv, options)) {
        printUsage(argv[0]);
        return 0;
    }
    if (options.list) {
        if (options.file || options.restore || options.service || options.serial) {
            messageError("--list lists the bridges only: no file, no --serial, no --restore-eeprom, no --FTDI_EEPROM");
            return 1;
        }
        return listConverters();
    }
    if (options.serial && (!options.serial[0] || options.serial[0] == '-')) {
        messageError("--serial needs the bridge's name: its serial or usb:BUS-PORT (VORNE_uploader --list names them)");
        return 1;
    }
    if (options.serial && options.restore) {
        messageError("--restore-eeprom chooses its bridge with --bridge NAME, not --serial");
        return 1;
    }
    if (options.bridge && !options.restore) {
        messageError("--bridge NAME names the bridge that --restore-eeprom FILE writes; give both");
        return 1;
    }
    if (options.restore) {
        if (!options.restore[0]) {
            messageError("--restore-eeprom needs the backup file to restore");
            return 1;
        }
        if (options.bridge && !options.bridge[0]) {
            messageError("--bridge needs the bridge's name: its serial or usb:BUS-PORT");
            return 1;
        }
        if (options.file || options.service) {
            messageError("--restore-eeprom FILE restores an EEPROM only: no file to send, no --FTDI_EEPROM");
            return 1;
        }
        EepromMessages messages = printedEepromMessages();
        /* Printed whole: a restore shows no dialog, so the message slot's size does not cut it. */
        messages.outcome = [](bool ok, const std::string &text) {
            if (ok)
                messageInfo(text.c_str());
            else
                messageError(text.c_str());
        };
        return restoreEEPROM(options.restore, options.bridge, messages);
    }
    const bool dialogs = !(options.file && options.silent);
    if (options.serial)
        return runNamed(options, dialogs);

    int count = readDevices();
    if (count == 0) {
        messageError("DEVICE NOT FOUND\n");
        if (dialogs)
            messageShow();
        return 1;
    }

    ft_program_data eeData;
    memset(&eeData, 0, sizeof(eeData));
    for (int index = std::min(count, (int)MAX_DEVICES) - 1; index >= 0; index--) {
        openDevice(index);
        if (readEEPROM(&eeData) != 0) {
            closeDevice();
            continue;
        }
        if (options.service && printEEPROM(&eeData) == FT_DEVICE_232R)
            rewriteIdentity(&eeData);
        if (eeData.Description && memcmp(eeData.Description, VORNE_DESCRIPTION, sizeof(VORNE_DESCRIPTION)) == 0 &&
            checkDev() > 0)
            break;
        closeDevice();
    }
    releaseEEPROM(&eeData);

    if (getOpenDevice() == -1) {
        messageError("VORNE DEVICE NOT FOUND\n");
        if (dialogs)
            messageShow();
        return 1;
    }

    afterChoice(!options.file);
    if (options.file) {
        read_send_file(options.file, options.type);
        closeDevice();
        if (!options.silent)
            messageShow();
        return 0;
    }

    createGUI();
    closeDevice();
    messageShow();
    return 0;
}
