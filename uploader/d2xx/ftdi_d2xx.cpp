/* The D2XX-shaped front over libftdi1: argument checks and the table of open
 * handles; FtdiDevice does the work. A handle that is not in the table (never
 * opened, or closed) gets FT_INVALID_HANDLE instead of a crash. */
#include "ftd2xx.h"

#include "device_list.h"
#include "ftdi_device.h"

#include <map>
#include <memory>
#include <mutex>

using vorne::d2xx::FtdiDevice;

namespace {

constexpr FT_STATUS kInvalidHandle = FT_INVALID_HANDLE;

struct HandleTable {
    std::mutex mutex;
    std::map<FT_HANDLE, std::shared_ptr<FtdiDevice>> devices;
};

HandleTable &table() {
    static HandleTable t;
    return t;
}

std::shared_ptr<FtdiDevice> deviceOf(FT_HANDLE handle) {
    std::lock_guard<std::mutex> lock(table().mutex);
    auto it = table().devices.find(handle);
    return it == table().devices.end() ? nullptr : it->second;
}

} // namespace

extern "C" {

FT_STATUS FT_ListDevices(PVOID pArg1, PVOID pArg2, DWORD Flags) {
    std::vector<vorne::d2xx::ListedDevice> devices;
    FT_STATUS status = FtdiDevice::list(&devices);
    FT_STATUS filled = vorne::d2xx::fillDeviceList(devices, pArg1, pArg2, Flags);
    return status != FT_OK ? status : filled;
}

FT_STATUS FT_OpenEx(PVOID pArg1, DWORD Flags, FT_HANDLE *pHandle) {
    if (!pArg1 || !pHandle)
        return FT_INVALID_PARAMETER;
    *pHandle = nullptr;
    std::unique_ptr<FtdiDevice> device;
    FT_STATUS status = FtdiDevice::open(static_cast<const char *>(pArg1), Flags, &device);
    if (status != FT_OK)
        return status;
    FT_HANDLE handle = device.get();
    std::lock_guard<std::mutex> lock(table().mutex);
    table().devices[handle] = std::shared_ptr<FtdiDevice>(std::move(device));
    *pHandle = handle;
    return FT_OK;
}

FT_STATUS FT_Close(FT_HANDLE ftHandle) {
    std::shared_ptr<FtdiDevice> device;
    {
        std::lock_guard<std::mutex> lock(table().mutex);
        auto it = table().devices.find(ftHandle);
        if (it == table().devices.end())
            return FT_INVALID_HANDLE;
        device = std::move(it->second);
        table().devices.erase(it);
    }
    return FT_OK; /* the last reference closes the device and gives it back to the kernel */
}

FT_STATUS FT_ResetDevice(FT_HANDLE ftHandle) {
    auto d = deviceOf(ftHandle);
    return d ? d->reset() : kInvalidHandle;
}

FT_STATUS FT_SetTimeouts(FT_HANDLE ftHandle, ULONG ReadTimeout, ULONG WriteTimeout) {
    auto d = deviceOf(ftHandle);
    return d ? d->setTimeouts(ReadTimeout, WriteTimeout) : kInvalidHandle;
}

FT_STATUS FT_SetBaudRate(FT_HANDLE ftHandle, ULONG BaudRate) {
    auto d = deviceOf(ftHandle);
    return d ? d->setBaudRate(BaudRate) : kInvalidHandle;
}

FT_STATUS FT_SetDataCharacteristics(FT_HANDLE ftHandle, UCHAR WordLength, UCHAR StopBits, UCHAR Parity) {
    auto d = deviceOf(ftHandle);
    return d ? d->setDataCharacteristics(WordLength, StopBits, Parity) : kInvalidHandle;
}

FT_STATUS FT_GetStatus(FT_HANDLE ftHandle, DWORD *dwRxBytes, DWORD *dwTxBytes, DWORD *dwEventDWord) {
    auto d = deviceOf(ftHandle);
    if (!d)
        return FT_INVALID_HANDLE;
    if (dwEventDWord)
        *dwEventDWord = 0;
    return d->status(dwRxBytes, dwTxBytes);
}

FT_STATUS FT_Read(FT_HANDLE ftHandle, LPVOID lpBuffer, DWORD dwBytesToRead, LPDWORD lpBytesReturned) {
    auto d = deviceOf(ftHandle);
    if (!d)
        return FT_INVALID_HANDLE;
    if (!lpBuffer || !lpBytesReturned)
        return FT_INVALID_PARAMETER;
    return d->read(static_cast<uint8_t *>(lpBuffer), dwBytesToRead, lpBytesReturned);
}

FT_STATUS FT_Write(FT_HANDLE ftHandle, LPVOID lpBuffer, DWORD dwBytesToWrite, LPDWORD lpBytesWritten) {
    auto d = deviceOf(ftHandle);
    if (!d)
        return FT_INVALID_HANDLE;
    if ((!lpBuffer && dwBytesToWrite > 0) || !lpBytesWritten)
        return FT_INVALID_PARAMETER;
    return d->write(static_cast<const uint8_t *>(lpBuffer), dwBytesToWrite, lpBytesWritten);
}

FT_STATUS FT_GetDeviceInfo(FT_HANDLE ftHandle, FT_DEVICE *lpftDevice, LPDWORD lpdwID, PCHAR SerialNumber,
                           PCHAR Description, LPVOID) {
    auto d = deviceOf(ftHandle);
    return d ? d->deviceInfo(lpftDevice, lpdwID, SerialNumber, Description) : kInvalidHandle;
}

FT_STATUS FT_EE_Read(FT_HANDLE ftHandle, PFT_PROGRAM_DATA pData) {
    auto d = deviceOf(ftHandle);
    return d ? d->eepromRead(pData) : kInvalidHandle;
}

FT_STATUS FT_EE_Program(FT_HANDLE ftHandle, PFT_PROGRAM_DATA pData) {
    auto d = deviceOf(ftHandle);
    return d ? d->eepromProgram(pData) : kInvalidHandle;
}

} // extern "C"
