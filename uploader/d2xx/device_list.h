/* FT_ListDevices' argument conventions, shared by both backends: the caller's
 * null-terminated array of buffers (FT_LIST_ALL), one buffer by index
 * (FT_LIST_BY_INDEX) or the count alone (FT_LIST_NUMBER_ONLY). */
#ifndef VORNE_D2XX_DEVICE_LIST_H
#define VORNE_D2XX_DEVICE_LIST_H

#include "ftd2xx.h"

#include <string>
#include <vector>

namespace vorne::d2xx {

struct ListedDevice {
    std::string serial;
    std::string description;
    std::string location; /* "usb:BUS-PORT" */
};

/* Size of each buffer the caller hands in; longer names are cut. */
constexpr size_t kListBufferSize = 64;

/* With FT_LIST_ALL the count is the number of buffers filled: devices beyond
 * the caller's array are left out rather than counted, so an index below the
 * count always names a filled buffer. */
FT_STATUS fillDeviceList(const std::vector<ListedDevice> &devices, PVOID pArg1, PVOID pArg2, DWORD flags);

/* The index of the device an FT_OpenEx argument names, or -1. */
int findListedDevice(const std::vector<ListedDevice> &devices, const char *name, DWORD flags);

} // namespace vorne::d2xx

#endif
