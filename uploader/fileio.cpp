/* See fileio.h. */
#include "fileio.h"

#include <cctype>
#include <cstdio>
#include <cstring>

int read_file(const char *path, unsigned char *data, int capacity) {
    FILE *f = fopen(path, "rb");
    if (!f)
        return READ_FILE_CANNOT_OPEN;
    int size = 0;
    int c;
    while ((c = fgetc(f)) != EOF) {
        if (size == capacity) {
            fclose(f);
            return READ_FILE_TOO_LARGE;
        }
        data[size++] = (unsigned char)c;
    }
    // A folder opens on Linux but fails on the first read: it is no file to send.
    bool failed = ferror(f) != 0;
    fclose(f);
    return failed ? READ_FILE_CANNOT_OPEN : size;
}

bool isFirmwareName(const char *path) {
    size_t n = strlen(path);
    return n >= 3 && path[n - 3] == '.' && toupper((unsigned char)path[n - 2]) == 'F' &&
           toupper((unsigned char)path[n - 1]) == 'W';
}
