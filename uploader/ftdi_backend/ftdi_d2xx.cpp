/* The libftdi1 backend's hooks for the D2XX front: the table of open handles,
 * each owning one FtdiDevice. */
#include "backend.h"
#include "ftdi_device.h"

#include <map>
#include <memory>
#include <mutex>

namespace vorne::d2xx::backend {

namespace {

struct HandleTable {
    std::mutex mutex;
    std::map<FT_HANDLE, std::shared_ptr<FtdiDevice>> devices;
};

HandleTable &table() {
    static HandleTable t;
    return t;
}

} // namespace

FT_STATUS list(std::vector<ListedDevice> *devices) { return FtdiDevice::list(devices); }

FT_STATUS open(const char *name, DWORD flags, FT_HANDLE *handle, std::string *why) {
    std::unique_ptr<FtdiDevice> device;
    FT_STATUS status = FtdiDevice::open(name, flags, &device, why);
    if (status != FT_OK)
        return status;
    FT_HANDLE h = device.get();
    std::lock_guard<std::mutex> lock(table().mutex);
    table().devices[h] = std::shared_ptr<FtdiDevice>(std::move(device));
    *handle = h;
    return FT_OK;
}

FT_STATUS close(FT_HANDLE handle) {
    std::shared_ptr<FtdiDevice> device;
    {
        std::lock_guard<std::mutex> lock(table().mutex);
        auto it = table().devices.find(handle);
        if (it == table().devices.end())
            return FT_INVALID_HANDLE;
        device = std::move(it->second);
        table().devices.erase(it);
    }
    return FT_OK; /* the last reference closes the device and gives it back to the kernel */
}

std::shared_ptr<Port> portOf(FT_HANDLE handle) {
    std::lock_guard<std::mutex> lock(table().mutex);
    auto it = table().devices.find(handle);
    return it == table().devices.end() ? nullptr : it->second;
}

} // namespace vorne::d2xx::backend
