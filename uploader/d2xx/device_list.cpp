#include "device_list.h"

#include <cstdint>
#include <cstring>

namespace vorne::d2xx {

namespace {
void copyName(char *buffer, const std::string &name) {
    size_t n = name.size() < kListBufferSize - 1 ? name.size() : kListBufferSize - 1;
    std::memcpy(buffer, name.data(), n);
    buffer[n] = '\0';
}

const std::string &nameOf(const ListedDevice &d, DWORD flags) {
    if (flags & FT_OPEN_BY_LOCATION)
        return d.location;
    return (flags & FT_OPEN_BY_DESCRIPTION) ? d.description : d.serial;
}
} // namespace

FT_STATUS fillDeviceList(const std::vector<ListedDevice> &devices, PVOID pArg1, PVOID pArg2, DWORD flags) {
    if (flags & FT_LIST_NUMBER_ONLY) {
        if (!pArg1)
            return FT_INVALID_PARAMETER;
        *static_cast<DWORD *>(pArg1) = static_cast<DWORD>(devices.size());
        return FT_OK;
    }
    if (flags & FT_LIST_BY_INDEX) {
        auto index = static_cast<size_t>(reinterpret_cast<uintptr_t>(pArg1));
        if (!pArg2)
            return FT_INVALID_PARAMETER;
        if (index >= devices.size())
            return FT_DEVICE_NOT_FOUND;
        copyName(static_cast<char *>(pArg2), nameOf(devices[index], flags));
        return FT_OK;
    }
    if (flags & FT_LIST_ALL) {
        if (!pArg1 || !pArg2)
            return FT_INVALID_PARAMETER;
        char **buffers = static_cast<char **>(pArg1);
        DWORD filled = 0;
        for (size_t i = 0; i < devices.size() && buffers[i]; ++i) {
            copyName(buffers[i], nameOf(devices[i], flags));
            ++filled;
        }
        *static_cast<DWORD *>(pArg2) = filled;
        return FT_OK;
    }
    return FT_INVALID_PARAMETER;
}

int findListedDevice(const std::vector<ListedDevice> &devices, const char *name, DWORD flags) {
    if (!name)
        return -1;
    for (size_t i = 0; i < devices.size(); ++i) {
        if (nameOf(devices[i], flags) == name)
            return static_cast<int>(i);
    }
    return -1;
}

} // namespace vorne::d2xx
