/* Reading the file to send into the fixed transfer buffer, and telling a
 * firmware file from a configuration image by its name. */
#ifndef VORNE_UPLOADER_FILEIO_H
#define VORNE_UPLOADER_FILEIO_H

enum {
    READ_FILE_CANNOT_OPEN = -1,
    /* The file holds more bytes than the buffer: nothing is kept. */
    READ_FILE_TOO_LARGE = -2
};

/* Reads the whole file into data (capacity bytes); returns its size or one of
 * the negative codes above. */
int read_file(const char *path, unsigned char *data, int capacity);

/* True when the name ends in "." followed by "F" and "W" in any letter case. */
bool isFirmwareName(const char *path);

#endif
