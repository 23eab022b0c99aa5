/* The D2XX calls, once for both backends: argument checks, then the port
 * behind the handle does the work. A handle that is not open (never opened,
 * or closed) gets FT_INVALID_HANDLE instead of a crash. */
#include "ftd2xx.h"

#include "backend.h"
#include "device_list.h"

#include <string>
#include <vector>

namespace backend = vorne::d2xx::backend;

namespace {
constexpr FT_STATUS kInvalidHandle = FT_INVALID_HANDLE;
/* Per thread, as the status it explains is the caller's. */
thread_local std::string openFailure;
} // namespace

extern "C" {

FT_STATUS FT_ListDevices(PVOID pArg1, PVOID pArg2, DWORD Flags) {
    std::vector<vorne::d2xx::ListedDevice> devices;
    FT_STATUS status = backend::list(&devices);
    FT_STATUS filled = vorne::d2xx::fillDeviceList(devices, pArg1, pArg2, Flags);
    return status != FT_OK ? status : filled;
}

FT_STATUS FT_OpenEx(PVOID pArg1, DWORD Flags, FT_HANDLE *pHandle) {
    if (!pArg1 || !pHandle)
        return FT_INVALID_PARAMETER;
    *pHandle = nullptr;
    openFailure.clear();
    FT_STATUS status = backend::open(static_cast<const char *>(pArg1), Flags, pHandle, &openFailure);
    if (status == FT_OK)
        openFailure.clear();
    return status;
}

const char *VORNE_OpenFailure(void) { return openFailure.c_str(); }

FT_STATUS FT_Close(FT_HANDLE ftHandle) { return backend::close(ftHandle); }

FT_STATUS FT_ResetDevice(FT_HANDLE ftHandle) {
    auto p = backend::portOf(ftHandle);
    return p ? p->reset() : kInvalidHandle;
}

FT_STATUS FT_SetTimeouts(FT_HANDLE ftHandle, ULONG ReadTimeout, ULONG WriteTimeout) {
    auto p = backend::portOf(ftHandle);
    return p ? p->setTimeouts(ReadTimeout, WriteTimeout) : kInvalidHandle;
}

FT_STATUS FT_SetBaudRate(FT_HANDLE ftHandle, ULONG BaudRate) {
    auto p = backend::portOf(ftHandle);
    return p ? p->setBaudRate(BaudRate) : kInvalidHandle;
}

FT_STATUS FT_SetDataCharacteristics(FT_HANDLE ftHandle, UCHAR WordLength, UCHAR StopBits, UCHAR Parity) {
    auto p = backend::portOf(ftHandle);
    return p ? p->setDataCharacteristics(WordLength, StopBits, Parity) : kInvalidHandle;
}

FT_STATUS FT_GetStatus(FT_HANDLE ftHandle, DWORD *dwRxBytes, DWORD *dwTxBytes, DWORD *dwEventDWord) {
    auto p = backend::portOf(ftHandle);
    if (!p)
        return FT_INVALID_HANDLE;
    if (dwEventDWord)
        *dwEventDWord = 0; /* no event notification in either backend */
    return p->status(dwRxBytes, dwTxBytes);
}

FT_STATUS FT_Read(FT_HANDLE ftHandle, LPVOID lpBuffer, DWORD dwBytesToRead, LPDWORD lpBytesReturned) {
    auto p = backend::portOf(ftHandle);
    if (!p)
        return FT_INVALID_HANDLE;
    if (!lpBuffer || !lpBytesReturned)
        return FT_INVALID_PARAMETER;
    return p->read(static_cast<uint8_t *>(lpBuffer), dwBytesToRead, lpBytesReturned);
}

FT_STATUS FT_Write(FT_HANDLE ftHandle, LPVOID lpBuffer, DWORD dwBytesToWrite, LPDWORD lpBytesWritten) {
    auto p = backend::portOf(ftHandle);
    if (!p)
        return FT_INVALID_HANDLE;
    if ((!lpBuffer && dwBytesToWrite > 0) || !lpBytesWritten)
        return FT_INVALID_PARAMETER;
    return p->write(static_cast<const uint8_t *>(lpBuffer), dwBytesToWrite, lpBytesWritten);
}

FT_STATUS FT_GetDeviceInfo(FT_HANDLE ftHandle, FT_DEVICE *lpftDevice, LPDWORD lpdwID, PCHAR SerialNumber,
                           PCHAR Description, LPVOID) {
    auto p = backend::portOf(ftHandle);
    return p ? p->deviceInfo(lpftDevice, lpdwID, SerialNumber, Description) : kInvalidHandle;
}

FT_STATUS FT_EE_Read(FT_HANDLE ftHandle, PFT_PROGRAM_DATA pData) {
    auto p = backend::portOf(ftHandle);
    return p ? p->eepromRead(pData) : kInvalidHandle;
}

FT_STATUS FT_EE_Program(FT_HANDLE ftHandle, PFT_PROGRAM_DATA pData) {
    auto p = backend::portOf(ftHandle);
    return p ? p->eepromProgram(pData) : kInvalidHandle;
}

FT_STATUS FT_ReadEE(FT_HANDLE ftHandle, DWORD dwWordOffset, LPWORD lpwValue) {
    auto p = backend::portOf(ftHandle);
    if (!p)
        return FT_INVALID_HANDLE;
    return lpwValue ? p->eepromReadWord(dwWordOffset, lpwValue) : FT_STATUS(FT_INVALID_PARAMETER);
}

FT_STATUS FT_WriteEE(FT_HANDLE ftHandle, DWORD dwWordOffset, WORD wValue) {
    auto p = backend::portOf(ftHandle);
    return p ? p->eepromWriteWord(dwWordOffset, wValue) : kInvalidHandle;
}

} // extern "C"
