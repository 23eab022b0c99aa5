/* The D2XX-shaped front of the simulator: argument checks and handle lookup,
 * then the simulated bus and bridges do the work. */
#include "ftd2xx.h"

#include "device_list.h"
#include "sim_bus.h"

using vorne::sim::SimBridge;
using vorne::sim::SimBus;

namespace {
constexpr FT_STATUS kInvalidHandle = FT_INVALID_HANDLE;

std::shared_ptr<SimBridge> bridgeOf(FT_HANDLE handle) { return SimBus::instance().bridgeOf(handle); }
} // namespace

extern "C" {

FT_STATUS FT_ListDevices(PVOID pArg1, PVOID pArg2, DWORD Flags) {
    return vorne::d2xx::fillDeviceList(SimBus::instance().list(), pArg1, pArg2, Flags);
}

FT_STATUS FT_OpenEx(PVOID pArg1, DWORD Flags, FT_HANDLE *pHandle) {
    return SimBus::instance().open(static_cast<const char *>(pArg1), Flags, pHandle);
}

FT_STATUS FT_Close(FT_HANDLE ftHandle) { return SimBus::instance().close(ftHandle); }

FT_STATUS FT_ResetDevice(FT_HANDLE ftHandle) {
    auto b = bridgeOf(ftHandle);
    return b ? b->reset() : kInvalidHandle;
}

FT_STATUS FT_SetTimeouts(FT_HANDLE ftHandle, ULONG ReadTimeout, ULONG WriteTimeout) {
    auto b = bridgeOf(ftHandle);
    return b ? b->setTimeouts(ReadTimeout, WriteTimeout) : kInvalidHandle;
}

FT_STATUS FT_SetBaudRate(FT_HANDLE ftHandle, ULONG BaudRate) {
    auto b = bridgeOf(ftHandle);
    return b ? b->setBaudRate(BaudRate) : kInvalidHandle;
}

FT_STATUS FT_SetDataCharacteristics(FT_HANDLE ftHandle, UCHAR WordLength, UCHAR StopBits, UCHAR Parity) {
    auto b = bridgeOf(ftHandle);
    return b ? b->setDataCharacteristics(WordLength, StopBits, Parity) : kInvalidHandle;
}

FT_STATUS FT_GetStatus(FT_HANDLE ftHandle, DWORD *dwRxBytes, DWORD *dwTxBytes, DWORD *dwEventDWord) {
    auto b = bridgeOf(ftHandle);
    if (!b)
        return FT_INVALID_HANDLE;
    if (dwEventDWord)
        *dwEventDWord = 0;
    return b->status(dwRxBytes, dwTxBytes);
}

FT_STATUS FT_Read(FT_HANDLE ftHandle, LPVOID lpBuffer, DWORD dwBytesToRead, LPDWORD lpBytesReturned) {
    auto b = bridgeOf(ftHandle);
    if (!b)
        return FT_INVALID_HANDLE;
    if (!lpBuffer || !lpBytesReturned)
        return FT_INVALID_PARAMETER;
    return b->read(static_cast<uint8_t *>(lpBuffer), dwBytesToRead, lpBytesReturned);
}

FT_STATUS FT_Write(FT_HANDLE ftHandle, LPVOID lpBuffer, DWORD dwBytesToWrite, LPDWORD lpBytesWritten) {
    auto b = bridgeOf(ftHandle);
    if (!b)
        return FT_INVALID_HANDLE;
    if ((!lpBuffer && dwBytesToWrite > 0) || !lpBytesWritten)
        return FT_INVALID_PARAMETER;
    return b->write(static_cast<const uint8_t *>(lpBuffer), dwBytesToWrite, lpBytesWritten);
}

FT_STATUS FT_GetDeviceInfo(FT_HANDLE ftHandle, FT_DEVICE *lpftDevice, LPDWORD lpdwID, PCHAR SerialNumber,
                           PCHAR Description, LPVOID) {
    auto b = bridgeOf(ftHandle);
    return b ? b->deviceInfo(lpftDevice, lpdwID, SerialNumber, Description) : kInvalidHandle;
}

FT_STATUS FT_EE_Read(FT_HANDLE ftHandle, PFT_PROGRAM_DATA pData) {
    auto b = bridgeOf(ftHandle);
    return b ? b->eepromRead(pData) : kInvalidHandle;
}

FT_STATUS FT_EE_Program(FT_HANDLE ftHandle, PFT_PROGRAM_DATA pData) {
    auto b = bridgeOf(ftHandle);
    return b ? b->eepromProgram(pData) : kInvalidHandle;
}

} // extern "C"
