#include "sim_bus.h"

#include <cstdio>
#include <cstdlib>

namespace vorne::sim {

SimBus &SimBus::instance() {
    static SimBus bus;
    return bus;
}

void SimBus::ensureLoaded() {
    if (!loaded_)
        loadFromEnvironmentLocked();
}

void SimBus::loadFromEnvironment() {
    std::lock_guard<std::mutex> lock(mutex_);
    loadFromEnvironmentLocked();
}

void SimBus::loadFromEnvironmentLocked() {
    Scenario scenario = Scenario::defaultScenario();
    const char *path = std::getenv("VORNE_SIM_SCENARIO");
    if (path && *path) {
        std::string error;
        if (!loadScenarioFile(path, &scenario, &error)) {
            /* A broken scenario must not pass for "no device found". */
            std::fprintf(stderr, "vorne simulator: %s\n", error.c_str());
            std::exit(2);
        }
    }
    replaceBridges(scenario);
}

void SimBus::load(const Scenario &scenario) {
    std::lock_guard<std::mutex> lock(mutex_);
    replaceBridges(scenario);
}

void SimBus::replaceBridges(const Scenario &scenario) {
    handles_.clear();
    bridges_.clear();
    d2xx::Clock &clock = clock_ ? *clock_ : d2xx::Clock::system();
    for (BridgeConfig config : scenario.bridges) {
        if (config.location.empty())
            config.location = "usb:1-" + std::to_string(bridges_.size() + 1);
        bridges_.push_back(std::make_shared<SimBridge>(config, clock));
    }
    loaded_ = true;
}

void SimBus::setClock(d2xx::Clock *clock) {
    std::lock_guard<std::mutex> lock(mutex_);
    clock_ = clock;
}

std::vector<d2xx::ListedDevice> SimBus::list() {
    std::lock_guard<std::mutex> lock(mutex_);
    ensureLoaded();
    std::vector<d2xx::ListedDevice> out;
    for (const auto &b : bridges_) {
        if (!b->gone())
            out.push_back({b->listedName(), b->description(), b->location()});
    }
    return out;
}

FT_STATUS SimBus::open(const char *name, DWORD flags, FT_HANDLE *handle, std::string *why) {
    if (!handle || !name || !why)
        return FT_INVALID_PARAMETER;
    *handle = nullptr;
    std::lock_guard<std::mutex> lock(mutex_);
    ensureLoaded();
    for (const auto &b : bridges_) {
        if (b->gone())
            continue;
        std::string key = (flags & FT_OPEN_BY_LOCATION)      ? b->location()
                          : (flags & FT_OPEN_BY_DESCRIPTION) ? b->description()
                                                             : b->listedName();
        if (key != name)
            continue;
        FT_STATUS status = b->open(why);
        if (status != FT_OK)
            return status;
        auto h = std::make_unique<Handle>(Handle{b});
        *handle = h.get();
        handles_[h.get()] = std::move(h);
        return FT_OK;
    }
    return FT_DEVICE_NOT_FOUND;
}

FT_STATUS SimBus::close(FT_HANDLE handle) {
    std::shared_ptr<SimBridge> bridge;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = handles_.find(static_cast<Handle *>(handle));
        if (it == handles_.end())
            return FT_INVALID_HANDLE;
        bridge = it->second->bridge;
        handles_.erase(it);
    }
    return bridge->close();
}

std::shared_ptr<SimBridge> SimBus::bridgeOf(FT_HANDLE handle) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = handles_.find(static_cast<Handle *>(handle));
    return it == handles_.end() ? nullptr : it->second->bridge;
}

} // namespace vorne::sim
