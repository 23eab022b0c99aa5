/* See fake_d2xx.h. One line is shared by whichever bridge is open. */
#include "fake_d2xx.h"

#include <cstring>

namespace fake {
std::vector<FakeBridge> bridges;
FakeLine line;
bool listFails = false;
int openIndex = -1;

void reset() {
    bridges = {FakeBridge()};
    line = FakeLine();
    listFails = false;
    openIndex = -1;
}
} // namespace fake

using namespace fake;

static FT_HANDLE handleOf(int i) { return reinterpret_cast<FT_HANDLE>(static_cast<intptr_t>(i + 1)); }
static int indexOf(FT_HANDLE h) { return static_cast<int>(reinterpret_cast<intptr_t>(h)) - 1; }
static bool valid(FT_HANDLE h) { return h && indexOf(h) == openIndex && openIndex >= 0; }

static std::string locationOf(size_t i) {
    return bridges[i].location.empty() ? "usb:1-" + std::to_string(i + 1) : bridges[i].location;
}

static std::string nameOf(size_t i, DWORD flags) {
    if (flags & FT_OPEN_BY_LOCATION)
        return locationOf(i);
    return (flags & FT_OPEN_BY_DESCRIPTION) ? bridges[i].description : bridges[i].serial;
}

static std::string openFailure;

FT_STATUS FT_ListDevices(PVOID pArg1, PVOID pArg2, DWORD flags) {
    if (listFails)
        return FT_IO_ERROR;
    char **bufs = static_cast<char **>(pArg1);
    DWORD n = 0;
    for (; n < bridges.size() && bufs[n]; n++)
        strncpy(bufs[n], nameOf(n, flags).c_str(), 63);
    *static_cast<DWORD *>(pArg2) = n;
    return FT_OK;
}

const char *VORNE_OpenFailure(void) { return openFailure.c_str(); }

FT_STATUS FT_OpenEx(PVOID pArg1, DWORD flags, FT_HANDLE *pHandle) {
    openFailure.clear();
    for (size_t i = 0; i < bridges.size(); i++) {
        if (nameOf(i, flags) == static_cast<const char *>(pArg1)) {
            if (!bridges[i].opens) {
                openFailure = bridges[i].openFailure;
                return FT_DEVICE_NOT_OPENED;
            }
            openIndex = static_cast<int>(i);
            *pHandle = handleOf(openIndex);
            return FT_OK;
        }
    }
    return FT_DEVICE_NOT_FOUND;
}

FT_STATUS FT_Close(FT_HANDLE h) {
    if (!valid(h))
        return FT_INVALID_HANDLE;
    openIndex = -1;
    return FT_OK;
}

FT_STATUS FT_ResetDevice(FT_HANDLE h) { return valid(h) ? FT_OK : FT_INVALID_HANDLE; }
FT_STATUS FT_SetTimeouts(FT_HANDLE h, ULONG, ULONG) { return valid(h) ? FT_OK : FT_INVALID_HANDLE; }
FT_STATUS FT_SetBaudRate(FT_HANDLE h, ULONG) { return valid(h) ? FT_OK : FT_INVALID_HANDLE; }
FT_STATUS FT_SetDataCharacteristics(FT_HANDLE h, UCHAR, UCHAR, UCHAR) { return valid(h) ? FT_OK : FT_INVALID_HANDLE; }

FT_STATUS FT_GetStatus(FT_HANDLE h, DWORD *rx, DWORD *tx, DWORD *ev) {
    line.getStatusCalls++;
    if (!valid(h) || line.statusFails)
        return FT_IO_ERROR;
    *rx = line.chunks.empty() ? 0 : static_cast<DWORD>(line.chunks.front().size());
    if (line.holdStatus > 0) {
        line.holdStatus--;
        *rx = 0;
    }
    *tx = line.txStuck;
    *ev = 0;
    return FT_OK;
}

FT_STATUS FT_Read(FT_HANDLE h, LPVOID buf, DWORD n, LPDWORD got) {
    *got = 0;
    if (!valid(h))
        return FT_IO_ERROR;
    if (line.chunks.empty())
        return FT_OK;
    std::string &c = line.chunks.front();
    DWORD k = c.size() < n ? static_cast<DWORD>(c.size()) : n;
    memcpy(buf, c.data(), k);
    c.erase(0, k);
    if (c.empty())
        line.chunks.pop_front();
    *got = k;
    return FT_OK;
}

FT_STATUS FT_Write(FT_HANDLE h, LPVOID buf, DWORD n, LPDWORD written) {
    *written = 0;
    if (!valid(h) || line.writeFails)
        return FT_IO_ERROR;
    std::string data(static_cast<const char *>(buf), n);
    line.written += data;
    *written = n;
    if (line.onWrite)
        line.onWrite(data);
    return FT_OK;
}

FT_STATUS FT_GetDeviceInfo(FT_HANDLE h, FT_DEVICE *type, LPDWORD, PCHAR, PCHAR, LPVOID) {
    if (!valid(h) || !bridges[openIndex].infoWorks)
        return FT_INVALID_HANDLE;
    *type = bridges[openIndex].type;
    return FT_OK;
}

FT_STATUS FT_EE_Read(FT_HANDLE h, PFT_PROGRAM_DATA d) {
    if (!valid(h) || !bridges[openIndex].eepromReads)
        return FT_EEPROM_READ_FAILED;
    const FakeBridge &b = bridges[openIndex];
    d->VendorId = 0x0403;
    d->ProductId = 0x6001;
    strcpy(d->Manufacturer, "FTDI");
    strcpy(d->ManufacturerId, "FT");
    strcpy(d->Description, b.description.c_str());
    strcpy(d->SerialNumber, b.serial.c_str());
    d->MaxPower = 90;
    d->RIsD2XX = 1;
    d->Cbus0 = 0xA;
    return FT_OK;
}

FT_STATUS FT_EE_Program(FT_HANDLE h, PFT_PROGRAM_DATA d) {
    if (!valid(h) || !bridges[openIndex].eepromPrograms)
        return FT_EEPROM_WRITE_FAILED;
    line.programmed.push_back(*d);
    line.programmedDescription.push_back(d->Description ? d->Description : "");
    bridges[openIndex].description = d->Description ? d->Description : "";
    return FT_OK;
}

FT_STATUS FT_ReadEE(FT_HANDLE h, DWORD offset, LPWORD value) {
    if (!valid(h) || !bridges[openIndex].eepromReads || 2 * offset + 1 >= bridges[openIndex].raw.size())
        return FT_EEPROM_READ_FAILED;
    const std::vector<uint8_t> &raw = bridges[openIndex].raw;
    *value = static_cast<WORD>(raw[2 * offset] | raw[2 * offset + 1] << 8);
    return FT_OK;
}

FT_STATUS FT_WriteEE(FT_HANDLE h, DWORD offset, WORD value) {
    if (!valid(h) || !bridges[openIndex].eepromPrograms || 2 * offset + 1 >= bridges[openIndex].raw.size())
        return FT_EEPROM_WRITE_FAILED;
    bridges[openIndex].raw[2 * offset] = static_cast<uint8_t>(value);
    bridges[openIndex].raw[2 * offset + 1] = static_cast<uint8_t>(value >> 8);
    return FT_OK;
}
