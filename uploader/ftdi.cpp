/* FTDI device access and the converter link. See ftdi.h. */
#include "ftdi.h"

#include "d2xx/clock.h"
#include "eeprom_backup.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

const char VORNE_DESCRIPTION[17] = "FT232R USB VORNE";

int device = -1;
FT_DEVICE ftDevice = 0;
DWORD iNumDevs = 0;
FT_HANDLE ftHandle[MAX_DEVICES];
FT_STATUS ftStatus = FT_OK;
char cBufLD[MAX_DEVICES + 1][SERIAL_BUF_LEN];
char *pcBufLD[MAX_DEVICES + 1];

char resp_buff[RESP_BUFF_LEN];
char *ptr_respBuff = resp_buff;
std::atomic<bool> linkStop{false};
FILE *searchOut = stdout;

namespace {

const int LINE_BAUD = 38400;
const int BITS_PER_BYTE = 10;

FT_HANDLE openHandle() { return device >= 0 && device < MAX_DEVICES ? ftHandle[device] : nullptr; }

vorne::d2xx::Clock *linkClock = nullptr;

vorne::d2xx::Clock &clock() { return linkClock ? *linkClock : vorne::d2xx::Clock::system(); }

void sleepMicros(long us) { clock().sleepNs(us * 1000); }

/* Line time of n bytes at the converter's rate, in microseconds. */
long lineMicros(long n) { return n * BITS_PER_BYTE * 1000000L / LINE_BAUD; }

void listDevices() {
    memset(cBufLD, 0, sizeof(cBufLD));
    for (int i = 0; i < MAX_DEVICES; i++)
        pcBufLD[i] = cBufLD[i];
    pcBufLD[MAX_DEVICES] = nullptr;
    ftStatus = FT_ListDevices(pcBufLD, &iNumDevs, FT_LIST_ALL | FT_OPEN_BY_SERIAL_NUMBER);
    if (ftStatus != FT_OK)
        iNumDevs = 0;
}

void gather(const char *buf, int n) {
    char *const end = resp_buff + RESP_TEXT_MAX;
    for (int i = 0; i < n && ptr_respBuff < end; i++)
        *ptr_respBuff++ = buf[i];
}

void readAndGather() {
    char buf[READ_CHUNK];
    int n = getResponse(buf, READ_CHUNK);
    if (n > 0)
        gather(buf, n);
}

bool inResponse(const char *pattern) { return strstr(resp_buff, pattern) != nullptr; }

} // namespace

int readDevices() {
    listDevices();
    return (int)iNumDevs;
}

int openDevice(int index) {
    listDevices();
    if (ftStatus != FT_OK) {
        fprintf(stderr, "Error: FT_ListDevices(%d)\n", (int)ftStatus);
        return 1;
    }
    if (index < 0 || index >= MAX_DEVICES) {
        // Only 50 serial numbers fit the list; a further device can't be named.
        fprintf(searchOut, "Error FT_OpenEx(%d), device %d\n", (int)FT_DEVICE_NOT_FOUND, index);
        return 1;
    }
    return openAs(index, cBufLD[index], FT_OPEN_BY_SERIAL_NUMBER);
}

int openAs(int index, const char *name, DWORD flags) {
    if (index < 0 || index >= MAX_DEVICES) {
        fprintf(searchOut, "Error FT_OpenEx(%d), device %d\n", (int)FT_DEVICE_NOT_FOUND, index);
        return 1;
    }
    device = index;
    ftStatus = FT_OpenEx(const_cast<char *>(name), flags, &ftHandle[index]);
    if (ftStatus != FT_OK) {
        ftHandle[index] = nullptr;
        fprintf(searchOut, "Error FT_OpenEx(%d), device %d\n", (int)ftStatus, index);
        fprintf(searchOut, "Use lsmod to check if ftdi_sio (and usbserial) are present.\n");
        fprintf(searchOut, "If so, unload them using rmmod, as they conflict with ftd2xx.\n");
        return 1;
    }
    FT_HANDLE h = ftHandle[index];
    FT_ResetDevice(h);
    FT_SetTimeouts(h, 1, 0);
    FT_SetBaudRate(h, LINE_BAUD);
    FT_SetDataCharacteristics(h, FT_BITS_8, FT_STOP_BITS_1, FT_PARITY_NONE);
    return index;
}

void closeDevice() {
    FT_HANDLE h = openHandle();
    // A device that failed to open has no handle: nothing to reset or close.
    if (h) {
        FT_ResetDevice(h);
        FT_Close(h);
        ftHandle[device] = nullptr;
    }
    device = -1;
    sleepMicros(1000);
}

int getOpenDevice() { return device; }

void releaseEEPROM(ft_program_data *data) {
    char **fields[] = {&data->Manufacturer, &data->ManufacturerId, &data->Description, &data->SerialNumber};
    for (char **f : fields) {
        free(*f);
        *f = nullptr;
    }
}

int readEEPROM(ft_program_data *data) {
    ftStatus = FT_GetDeviceInfo(openHandle(), &ftDevice, nullptr, nullptr, nullptr, nullptr);
    if (ftStatus != FT_OK) {
        fprintf(searchOut, "FT_GetDeviceType FAILED!\n");
        return -1;
    }
    data->Signature1 = 0x00000000;
    data->Signature2 = 0xFFFFFFFF;
    releaseEEPROM(data);
    data->Manufacturer = (char *)calloc(1, EEPROM_STRING_LEN);
    data->ManufacturerId = (char *)calloc(1, EEPROM_STRING_LEN);
    data->Description = (char *)calloc(1, EEPROM_STRING_LEN);
    data->SerialNumber = (char *)calloc(1, EEPROM_STRING_LEN);
    if (!data->Manufacturer || !data->ManufacturerId || !data->Description || !data->SerialNumber) {
        releaseEEPROM(data);
        fprintf(searchOut, "Failed to allocate memory.\n");
        return -1;
    }
    ftStatus = FT_EE_Read(openHandle(), data);
    if (ftStatus != FT_OK) {
        fprintf(searchOut, "FT_EE_Read failed\n");
        return -1;
    }
    return 0;
}

int writeEEPROM(ft_program_data *data) {
    if (device < 0)
        return -1;
    ftStatus = FT_EE_Program(openHandle(), data);
    if (ftStatus != FT_OK) {
        printf("FT_EE_Program failed (%d)\n", (int)ftStatus);
        return -1;
    }
    return 0;
}

static const char *text(const char *s) { return s ? s : ""; }

int printEEPROM(ft_program_data *data) {
    printf("Signature1 = %d\n", (int)data->Signature1);
    printf("Signature2 = %d\n", (int)data->Signature2);
    printf("Version = %d\n", (int)data->Version);
    printf("VendorId = 0x%04X\n", data->VendorId);
    printf("ProductId = 0x%04X\n", data->ProductId);
    printf("Manufacturer = %s\n", text(data->Manufacturer));
    printf("ManufacturerId = %s\n", text(data->ManufacturerId));
    printf("Description = %s\n", text(data->Description));
    printf("SerialNumber = %s\n", text(data->SerialNumber));
    printf("MaxPower = %d\n", data->MaxPower);
    printf("PnP = %d\n", data->PnP);
    printf("SelfPowered = %d\n", data->SelfPowered);
    printf("RemoteWakeup = %d\n", data->RemoteWakeup);
#define FIELD(name) printf("\t" #name " = 0x%X\n", (unsigned)data->name)
    switch (ftDevice) {
    case FT_DEVICE_BM:
        printf("BM:\n---\n");
        FIELD(Rev4);
        FIELD(IsoIn);
        FIELD(IsoOut);
        FIELD(PullDownEnable);
        FIELD(SerNumEnable);
        FIELD(USBVersionEnable);
        FIELD(USBVersion);
        break;
    case FT_DEVICE_2232C:
        printf("2232RC:\n-------\n");
        FIELD(Rev5);
        FIELD(IsoInA);
        FIELD(IsoInB);
        FIELD(IsoOutA);
        FIELD(IsoOutB);
        FIELD(PullDownEnable5);
        FIELD(SerNumEnable5);
        FIELD(USBVersionEnable5);
        FIELD(USBVersion5);
        FIELD(AIsHighCurrent);
        FIELD(BIsHighCurrent);
        FIELD(IFAIsFifo);
        FIELD(IFAIsFifoTar);
        FIELD(IFAIsFastSer);
        FIELD(AIsVCP);
        FIELD(IFBIsFifo);
        FIELD(IFBIsFifoTar);
        FIELD(IFBIsFastSer);
        FIELD(BIsVCP);
        break;
    case FT_DEVICE_232R:
        printf("232R:\n-----\n");
        FIELD(UseExtOsc);
        FIELD(HighDriveIOs);
        FIELD(EndpointSize);
        FIELD(PullDownEnableR);
        FIELD(SerNumEnableR);
        FIELD(InvertTXD);
        FIELD(InvertRXD);
        FIELD(InvertRTS);
        FIELD(InvertCTS);
        FIELD(InvertDTR);
        FIELD(InvertDSR);
        FIELD(InvertDCD);
        FIELD(InvertRI);
        FIELD(Cbus0);
        FIELD(Cbus1);
        FIELD(Cbus2);
        FIELD(Cbus3);
        FIELD(Cbus4);
        FIELD(RIsD2XX);
        break;
    default:
        break;
    }
#undef FIELD
    return (int)ftDevice;
}

void rewriteIdentity(ft_program_data *data) {
    if (device < 0 || backUpEEPROM(openHandle(), cBufLD[device], printedEepromMessages()) != 0)
        return; // it said why; what cannot be put back is not overwritten
    // Written into the attached buffer, not by swapping the pointer, so the
    // buffers stay ours to release.
    if (data->Description)
        memcpy(data->Description, VORNE_DESCRIPTION, sizeof(VORNE_DESCRIPTION));
    data->RIsD2XX = 0;
    writeEEPROM(data);
    if (readEEPROM(data) == 0)
        printEEPROM(data);
}

/* ---- link ---- */

int sendData(const char *data, int len) {
    FT_HANDLE h = openHandle();
    if (!h)
        return -1;
    DWORD written = 0;
    FT_STATUS st = FT_Write(h, (LPVOID)data, (DWORD)len, &written);
    if (st != FT_OK)
        return -1;
    // Wait for the transmit queue to empty (the bytes the bridge has not yet
    // taken), sleeping about as long as they need on the line (no busy spin),
    // and give up when the queue stalls well beyond its line time or the bridge
    // stops answering.
    const int64_t deadline = clock().nowNs() + (2 * lineMicros(len) + 500000) * 1000;
    for (;;) {
        DWORD rx = 0, tx = 0, ev = 0;
        if (FT_GetStatus(h, &rx, &tx, &ev) != FT_OK)
            return -1;
        if (tx == 0)
            break;
        if (linkStop || clock().nowNs() >= deadline)
            return -1;
        // The byte on the wire is partly out already: sleep until the one
        // before the last should be gone, then look again in short steps, so
        // the line idles as little as possible between blocks.
        long pause = lineMicros((long)tx - 1);
        sleepMicros(pause < 50 ? 50 : pause > 2000 ? 2000 : pause);
    }
    return (int)written;
}

int getResponse(char *buf, int len) {
    memset(buf, 0, (size_t)len);
    FT_HANDLE h = openHandle();
    if (!h)
        return -1;
    DWORD rx = 0, tx = 0, ev = 0;
    if (FT_GetStatus(h, &rx, &tx, &ev) != FT_OK || rx == 0)
        return -1;
    DWORD got = 0;
    ftStatus = FT_Read(h, buf, (DWORD)len, &got);
    if (ftStatus != FT_OK)
        return -1;
    return (int)got;
}

int devSend(const char *data, int len) { return sendData(data, len); }

int devRead(char *buf, int size) { return getResponse(buf, size); }

void clearRespBuff() {
    memset(resp_buff, 0, 1256);
    ptr_respBuff = resp_buff;
}

int waitForResponse_clr(const char *pattern, int tries, int clear) {
    if (clear)
        clearRespBuff();
    for (int i = 0; i < tries && !linkStop; i++) {
        readAndGather();
        if (inResponse(pattern))
            return 1;
        sleepMicros(1000);
    }
    return 0;
}

int checkResponse(const char *pattern) {
    readAndGather();
    return inResponse(pattern) ? 1 : 0;
}

void setLinkClock(vorne::d2xx::Clock *c) { linkClock = c; }

void linkSleepMs(int ms) {
    for (int left = ms; left > 0 && !linkStop; left -= 10)
        sleepMicros(1000L * (left < 10 ? left : 10));
}
