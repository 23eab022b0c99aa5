/* The simulator's hooks for the D2XX front: the simulated bus keeps the
 * bridges and the handles opened on them. */
#include "backend.h"
#include "sim_bus.h"

using vorne::sim::SimBus;

namespace vorne::d2xx::backend {

FT_STATUS list(std::vector<ListedDevice> *devices) {
    *devices = SimBus::instance().list();
    return FT_OK;
}

FT_STATUS open(const char *name, DWORD flags, FT_HANDLE *handle, std::string *why) {
    return SimBus::instance().open(name, flags, handle, why);
}

FT_STATUS close(FT_HANDLE handle) { return SimBus::instance().close(handle); }

std::shared_ptr<Port> portOf(FT_HANDLE handle) { return SimBus::instance().bridgeOf(handle); }

} // namespace vorne::d2xx::backend
