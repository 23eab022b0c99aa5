/* The simulated USB bus: the bridges of the scenario and the handles opened
 * on them. The D2XX front talks only to this. Tests may load a scenario and
 * a clock of their own; otherwise the first call loads the file named by
 * VORNE_SIM_SCENARIO, or the default single converter. */
#ifndef VORNE_SIM_BUS_H
#define VORNE_SIM_BUS_H

#include "clock.h"
#include "device_list.h"
#include "scenario.h"
#include "sim_bridge.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace vorne::sim {

class SimBus {
public:
    static SimBus &instance();

    /* Replaces the bridges; handles opened before become invalid. */
    void load(const Scenario &scenario);
    /* What the first call does: the file named by VORNE_SIM_SCENARIO, else the
     * default bridge. A scenario that can't be loaded ends the program with
     * exit code 2 and a message on standard error. */
    void loadFromEnvironment();
    /* Null restores the system clock. Takes effect for the bridges loaded next. */
    void setClock(d2xx::Clock *clock);

    std::vector<d2xx::ListedDevice> list();
    FT_STATUS open(const char *name, DWORD flags, FT_HANDLE *handle, std::string *why);
    FT_STATUS close(FT_HANDLE handle);
    /* The bridge behind a live handle, or null. */
    std::shared_ptr<SimBridge> bridgeOf(FT_HANDLE handle);

private:
    SimBus() = default;
    void ensureLoaded();
    void loadFromEnvironmentLocked();
    void replaceBridges(const Scenario &scenario);

    std::mutex mutex_;
    bool loaded_ = false;
    d2xx::Clock *clock_ = nullptr;
    std::vector<std::shared_ptr<SimBridge>> bridges_;
    struct Handle {
        std::shared_ptr<SimBridge> bridge;
    };
    /* Keyed by the address handed out as FT_HANDLE; owned, so none leaks at exit. */
    std::map<Handle *, std::unique_ptr<Handle>> handles_;
};

} // namespace vorne::sim

#endif
