/* The simulated bridges, as a scenario file describes them (format in
 * scenario.cpp and SCENARIO.md). */
#ifndef VORNE_SIM_SCENARIO_H
#define VORNE_SIM_SCENARIO_H

#include "converter_model.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vorne::sim {

enum class LineKind { Converter, None, Socket };

struct BridgeConfig {
    std::string serial;
    uint32_t type = 5; /* D2XX chip type: 0 BM, 4 FT2232C, 5 FT232R */
    std::string description = "FT232R USB VORNE";
    std::string manufacturer = "FTDI";
    uint8_t risD2xx = 0;
    bool opens = true;
    bool eepromRead = true;
    bool eepromProgram = true;
    LineKind line = LineKind::Converter;
    std::string socketPath;
    bool pacing = true;
    std::string eepromOut; /* file that receives the EEPROM after each FT_EE_Program */
    std::string location;  /* where it is plugged in; empty: the bus gives it usb:1-N */
    ConverterModel::Settings converter;
};

struct Scenario {
    std::vector<BridgeConfig> bridges;

    /* One FT232R "VRN00001" described "FT232R USB VORNE" with a healthy converter. */
    static Scenario defaultScenario();
};

/* Parses a scenario text; on failure returns false with "line N: what" in error. */
bool parseScenario(const std::string &text, Scenario *scenario, std::string *error);
bool loadScenarioFile(const std::string &path, Scenario *scenario, std::string *error);

} // namespace vorne::sim

#endif
