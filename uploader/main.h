/* The uploader's program logic: the command line, the search for the converter,
 * its identification, and the exchange that writes a configuration image or a
 * firmware file into it. Outcomes go through messageInfo/messageError, which
 * print them and keep them for the dialog. */
#ifndef VORNE_UPLOADER_MAIN_H
#define VORNE_UPLOADER_MAIN_H

#include <atomic>
#include <cstddef>

typedef int file_type_e; /* 0 decide by name, 1 configuration image, other firmware */

enum { FILE_DATA_SIZE = 1048576, VER_LEN = 64, VER_MAX = 50, MESSAGE_LEN = 512 };

extern unsigned char fileData[FILE_DATA_SIZE];
extern int fileDataSize;
/* Shared with the window's timer: written by the transfer, read every 100 ms. */
extern std::atomic<int> pStatusSt;
extern std::atomic<int> pStatusTop;
extern std::atomic<int> msgType;
/* The last transfer's end: 0 none yet, 1 the converter confirmed it, -1 it did not. */
extern std::atomic<int> transferOutcome;

/* The identification and the outcome text are published under a lock: these
 * copy them out for the window. */
void getVer(char *out, size_t size);
void getMessage(char *out, size_t size);

struct Options {
    const char *file = nullptr;
    file_type_e type = 0;
    bool silent = false;
    bool service = false;
    const char *restore = nullptr; /* --restore-eeprom FILE; "" when FILE is missing */
    const char *bridge = nullptr;  /* --bridge NAME, the bridge to restore; "" when NAME is missing */
    bool list = false;             /* --list */
    const char *serial = nullptr;  /* --serial NAME, the one bridge to use; "" when NAME is missing */
};
/* Reads the arguments left to right; false when the usage must be printed. */
bool parseOptions(int argc, char **argv, Options &options);
void printUsage(const char *program);

int checkDev();
int pgmError();
int startBootloader();
int sendFileData();
/* Returns 0 when the converter confirmed the file, -1 otherwise. */
int read_send_file(const char *path, file_type_e type);

void messageInfo(const char *text);
void messageError(const char *text);

/* Copies text into a slot of size bytes, cutting it when it is longer; the
 * slot always ends in a zero. */
void copyText(char *out, size_t size, const char *text);

/* Joins before into a slot of size bytes; when the whole does not fit, the
 * start of path gives way to "..." so the converter's reply is kept. */
void composeWithPath(char *out, size_t size, const char *before, const char *path, const char *after);

/* The whole program; returns the exit code. */
int uploaderMain(int argc, char **argv);

#endif
