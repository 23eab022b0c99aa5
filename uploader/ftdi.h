/* The uploader's only door to the converter: lists the FTDI bridges, opens one
 * with the converter's serial settings, reads/prints/programs its EEPROM, and
 * carries the byte link (send with drained queue, non-blocking read, response
 * text with its waits). Module state lives for the whole run; one thread at a
 * time uses it. */
#ifndef VORNE_UPLOADER_FTDI_H
#define VORNE_UPLOADER_FTDI_H

#include "d2xx/ftd2xx.h"

#include <atomic>
#include <cstdio>

enum {
    MAX_DEVICES = 50,
    SERIAL_BUF_LEN = 64,
    EEPROM_STRING_LEN = 256,
    RESP_BUFF_LEN = 1280,
    RESP_TEXT_MAX = 255,
    READ_CHUNK = 150
};

/* The converter's bridge carries exactly this description. */
extern const char VORNE_DESCRIPTION[17];

extern int device;
extern FT_DEVICE ftDevice;
extern DWORD iNumDevs;
extern FT_HANDLE ftHandle[MAX_DEVICES];
extern FT_STATUS ftStatus;
extern char cBufLD[MAX_DEVICES + 1][SERIAL_BUF_LEN];
extern char *pcBufLD[MAX_DEVICES + 1];
/* Where the search's own lines go (open and EEPROM failures, the
 * identification): stdout, or stderr while --list keeps stdout for the list. */
extern FILE *searchOut;

int readDevices();
int openDevice(int index);
/* openDevice's second half: opens the bridge `name` names under `flags`
 * (FT_OPEN_BY_LOCATION names one bridge exactly, even among twins sharing a
 * serial) as the device at `index`. */
int openAs(int index, const char *name, DWORD flags);
void closeDevice();
int getOpenDevice();
/* Attaches four fresh 256-byte string buffers to data; buffers attached by an
 * earlier call on the same record are released first, so the record must start
 * zeroed. releaseEEPROM frees them. */
int readEEPROM(ft_program_data *data);
void releaseEEPROM(ft_program_data *data);
int writeEEPROM(ft_program_data *data);
int printEEPROM(ft_program_data *data);
/* Service mode: gives an FT232R the converter's identity, then shows the
 * result; only once the EEPROM as it was is saved (eeprom_backup.h). */
void rewriteIdentity(ft_program_data *data);

/* Link to the converter. */
extern char resp_buff[RESP_BUFF_LEN];
extern char *ptr_respBuff;
/* Set by the window when it closes during a transfer: every wait ends at once. */
extern std::atomic<bool> linkStop;

int sendData(const char *data, int len);
int getResponse(char *buf, int len);
int devSend(const char *data, int len);
int devRead(char *buf, int size);
void clearRespBuff();
int waitForResponse_clr(const char *pattern, int tries, int clear);
int checkResponse(const char *pattern);
namespace vorne::d2xx {
class Clock;
}
/* The clock of every pause and give-up bound of the link; null: the system
 * clock. Tests step their own. */
void setLinkClock(vorne::d2xx::Clock *clock);
/* Sleeps in small steps so that linkStop cuts the pause short. */
void linkSleepMs(int ms);

#endif
