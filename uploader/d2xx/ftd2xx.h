/* The subset of the D2XX interface the uploader calls. Our own declaration:
 * two backends implement it, chosen at link time (libftdi1 for real FT232R
 * bridges, the simulator for tests and demos). Names, values and semantics
 * follow the vendor interface so the uploader code reads the same. */
#ifndef VORNE_FTD2XX_H
#define VORNE_FTD2XX_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef uint32_t DWORD;
typedef DWORD *LPDWORD;
typedef uint32_t ULONG;
typedef uint16_t WORD;
typedef WORD *LPWORD;
typedef uint8_t UCHAR;
typedef char CHAR;
typedef char *PCHAR;
typedef void *PVOID;
typedef void *LPVOID;

typedef PVOID FT_HANDLE;
typedef ULONG FT_STATUS;
typedef ULONG FT_DEVICE;

enum {
    FT_OK = 0,
    FT_INVALID_HANDLE = 1,
    FT_DEVICE_NOT_FOUND = 2,
    FT_DEVICE_NOT_OPENED = 3,
    FT_IO_ERROR = 4,
    FT_INSUFFICIENT_RESOURCES = 5,
    FT_INVALID_PARAMETER = 6,
    FT_INVALID_BAUD_RATE = 7,
    FT_DEVICE_NOT_OPENED_FOR_ERASE = 8,
    FT_DEVICE_NOT_OPENED_FOR_WRITE = 9,
    FT_FAILED_TO_WRITE_DEVICE = 10,
    FT_EEPROM_READ_FAILED = 11,
    FT_EEPROM_WRITE_FAILED = 12,
    FT_EEPROM_ERASE_FAILED = 13,
    FT_EEPROM_NOT_PRESENT = 14,
    FT_EEPROM_NOT_PROGRAMMED = 15,
    FT_INVALID_ARGS = 16,
    FT_NOT_SUPPORTED = 17,
    FT_OTHER_ERROR = 18
};

#define FT_SUCCESS(status) ((status) == FT_OK)

/* FT_OpenEx and FT_ListDevices flags. A location is where a bridge is
 * plugged in, as text: "usb:" with the bus and the port path ("usb:1-2.4"),
 * in the same 64-byte buffers as the serial numbers (the vendor's numeric
 * location ids mean nothing to libusb). */
#define FT_OPEN_BY_SERIAL_NUMBER 1
#define FT_OPEN_BY_DESCRIPTION 2
#define FT_OPEN_BY_LOCATION 4
#define FT_LIST_NUMBER_ONLY 0x80000000
#define FT_LIST_BY_INDEX 0x40000000
#define FT_LIST_ALL 0x20000000

/* Line settings */
#define FT_BITS_8 ((UCHAR)8)
#define FT_BITS_7 ((UCHAR)7)
#define FT_STOP_BITS_1 ((UCHAR)0)
#define FT_STOP_BITS_2 ((UCHAR)2)
#define FT_PARITY_NONE ((UCHAR)0)
#define FT_PARITY_ODD ((UCHAR)1)
#define FT_PARITY_EVEN ((UCHAR)2)
#define FT_PARITY_MARK ((UCHAR)3)
#define FT_PARITY_SPACE ((UCHAR)4)

/* Chip types reported by FT_GetDeviceInfo */
enum {
    FT_DEVICE_BM = 0,
    FT_DEVICE_AM = 1,
    FT_DEVICE_100AX = 2,
    FT_DEVICE_UNKNOWN = 3,
    FT_DEVICE_2232C = 4,
    FT_DEVICE_232R = 5,
    FT_DEVICE_2232H = 6,
    FT_DEVICE_4232H = 7,
    FT_DEVICE_232H = 8,
    FT_DEVICE_X_SERIES = 9
};

/* EEPROM record: the common identity fields and the option bytes of the
 * three chip families the uploader prints. The caller owns the four string
 * buffers (at least 64 bytes each; the uploader attaches 256). */
typedef struct ft_program_data {
    DWORD Signature1; /* 0x00000000 */
    DWORD Signature2; /* 0xFFFFFFFF */
    DWORD Version;
    WORD VendorId;
    WORD ProductId;
    char *Manufacturer;
    char *ManufacturerId;
    char *Description;
    char *SerialNumber;
    WORD MaxPower;
    WORD PnP;
    WORD SelfPowered;
    WORD RemoteWakeup;
    /* FT232B "BM" */
    UCHAR Rev4;
    UCHAR IsoIn;
    UCHAR IsoOut;
    UCHAR PullDownEnable;
    UCHAR SerNumEnable;
    UCHAR USBVersionEnable;
    WORD USBVersion;
    /* FT2232C */
    UCHAR Rev5;
    UCHAR IsoInA;
    UCHAR IsoInB;
    UCHAR IsoOutA;
    UCHAR IsoOutB;
    UCHAR PullDownEnable5;
    UCHAR SerNumEnable5;
    UCHAR USBVersionEnable5;
    WORD USBVersion5;
    UCHAR AIsHighCurrent;
    UCHAR BIsHighCurrent;
    UCHAR IFAIsFifo;
    UCHAR IFAIsFifoTar;
    UCHAR IFAIsFastSer;
    UCHAR AIsVCP;
    UCHAR IFBIsFifo;
    UCHAR IFBIsFifoTar;
    UCHAR IFBIsFastSer;
    UCHAR BIsVCP;
    /* FT232R */
    UCHAR UseExtOsc;
    UCHAR HighDriveIOs;
    UCHAR EndpointSize;
    UCHAR PullDownEnableR;
    UCHAR SerNumEnableR;
    UCHAR InvertTXD;
    UCHAR InvertRXD;
    UCHAR InvertRTS;
    UCHAR InvertCTS;
    UCHAR InvertDTR;
    UCHAR InvertDSR;
    UCHAR InvertDCD;
    UCHAR InvertRI;
    UCHAR Cbus0;
    UCHAR Cbus1;
    UCHAR Cbus2;
    UCHAR Cbus3;
    UCHAR Cbus4;
    UCHAR RIsD2XX; /* 1: vendor driver, 0: virtual COM port */
} FT_PROGRAM_DATA, *PFT_PROGRAM_DATA;

typedef FT_PROGRAM_DATA ft_program_data;

/* With FT_LIST_ALL | FT_OPEN_BY_SERIAL_NUMBER: pArg1 is a null-terminated
 * array of 64-byte buffers that receive the serial numbers, pArg2 a DWORD*
 * that receives the count. FT_OPEN_BY_LOCATION instead: the locations, in
 * the same order. With FT_LIST_NUMBER_ONLY only the count. */
FT_STATUS FT_ListDevices(PVOID pArg1, PVOID pArg2, DWORD Flags);
/* pArg1: serial number (FT_OPEN_BY_SERIAL_NUMBER) or description text. */
FT_STATUS FT_OpenEx(PVOID pArg1, DWORD Flags, FT_HANDLE *pHandle);
FT_STATUS FT_Close(FT_HANDLE ftHandle);
/* Purges both queues. */
FT_STATUS FT_ResetDevice(FT_HANDLE ftHandle);
FT_STATUS FT_SetTimeouts(FT_HANDLE ftHandle, ULONG ReadTimeout, ULONG WriteTimeout);
FT_STATUS FT_SetBaudRate(FT_HANDLE ftHandle, ULONG BaudRate);
FT_STATUS FT_SetDataCharacteristics(FT_HANDLE ftHandle, UCHAR WordLength, UCHAR StopBits, UCHAR Parity);
/* Bytes waiting in the receive queue, bytes not yet sent on the line. */
FT_STATUS FT_GetStatus(FT_HANDLE ftHandle, DWORD *dwRxBytes, DWORD *dwTxBytes, DWORD *dwEventDWord);
/* Returns what arrived within the read time-out, never more than dwBytesToRead. */
FT_STATUS FT_Read(FT_HANDLE ftHandle, LPVOID lpBuffer, DWORD dwBytesToRead, LPDWORD lpBytesReturned);
/* Queues the bytes for sending. */
FT_STATUS FT_Write(FT_HANDLE ftHandle, LPVOID lpBuffer, DWORD dwBytesToWrite, LPDWORD lpBytesWritten);
/* Any of the out pointers may be null. */
FT_STATUS FT_GetDeviceInfo(FT_HANDLE ftHandle, FT_DEVICE *lpftDevice, LPDWORD lpdwID, PCHAR SerialNumber,
                           PCHAR Description, LPVOID Dummy);
FT_STATUS FT_EE_Read(FT_HANDLE ftHandle, PFT_PROGRAM_DATA pData);
FT_STATUS FT_EE_Program(FT_HANDLE ftHandle, PFT_PROGRAM_DATA pData);
/* One 16-bit word of the EEPROM as the chip holds it, by its word offset. */
FT_STATUS FT_ReadEE(FT_HANDLE ftHandle, DWORD dwWordOffset, LPWORD lpwValue);
FT_STATUS FT_WriteEE(FT_HANDLE ftHandle, DWORD dwWordOffset, WORD wValue);

/* Not in the vendor interface: why the calling thread's last FT_OpenEx
 * failed, in the backend's own words (libftdi's, say); "" when it gave
 * none, or when that open succeeded. The status alone cannot tell a bridge
 * in use by another program from one the user may not open. */
const char *VORNE_OpenFailure(void);

#ifdef __cplusplus
}
#endif

#endif
