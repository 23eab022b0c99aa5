/* Scenario files describe the simulated bridges, index 0 first:
 *
 *   # comment (also after a value, when '#' follows a blank)
 *   [bridge]                       starts the next bridge; keys belong to the last one
 *   serial = VRN00001              default VRN followed by the 1-based index in five digits
 *   type = 5                       chip type: 0 BM, 4 FT2232C, 5 FT232R (default)
 *   description = FT232R USB VORNE EEPROM description (default as shown)
 *   manufacturer = FTDI
 *   ris_d2xx = 0                   the FT232R RIsD2XX EEPROM flag, 0 or 1
 *   opens = yes                    no: listed, but FT_OpenEx fails
 *   eeprom_read = yes              no: FT_EE_Read fails
 *   eeprom_program = yes           no: FT_EE_Program fails
 *   eeprom_out = /path             FT_EE_Program writes the programmed EEPROM there as text
 *   line = converter               converter | none | socket:/path/to/unix.sock
 *   pacing = on                    on: the transmit queue drains at 3840 bytes/s; off: at once
 *   ident = VORNE ...              the converter's identification
 *   firmware_ident = VORNE ...     its identification after a firmware upload
 *   fault = none                   none | no_echo | program_error | error_only | no_ident | no_ok |
 *                                  error_in_data | file_in_data | bad_crc | no_done | silent |
 *                                  unplug | split
 *   fault_at = 32                  data-phase byte count at which error_in_data, file_in_data, unplug strike
 *   bootloader = command           command (the command or ESC) | esc (ESC only) | none
 *   flash_ms = 50                  time from the last data block to the CRC reply
 *   firmware_idle_ms = 300         quiet line that ends a firmware upload
 *   save_to = /path/file.bin       the converter writes the file it received there
 *   save_raw_to = /path/raw.bin    ... and every data-phase byte, padding included
 *
 * A value in double quotes is taken literally (blanks and '#' kept). Every
 * mistake is an error naming its line: unknown keys and sections, bad
 * values, keys before the first [bridge]. A key given again for the same
 * bridge overrides the earlier value, so test helpers can append to a base. */
#include "scenario.h"

#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>

namespace vorne::sim {

namespace {

std::string trim(const std::string &s) {
    size_t b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos)
        return std::string();
    size_t e = s.find_last_not_of(" \t\r");
    return s.substr(b, e - b + 1);
}

/* Drops a comment: '#' at the start or after a blank, outside quotes. */
std::string stripComment(const std::string &s) {
    bool quoted = false;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '"')
            quoted = !quoted;
        else if (s[i] == '#' && !quoted && (i == 0 || s[i - 1] == ' ' || s[i - 1] == '\t'))
            return s.substr(0, i);
    }
    return s;
}

bool parseBool(const std::string &v, bool *out) {
    if (v == "yes" || v == "on" || v == "true" || v == "1") {
        *out = true;
        return true;
    }
    if (v == "no" || v == "off" || v == "false" || v == "0") {
        *out = false;
        return true;
    }
    return false;
}

bool parseNumber(const std::string &v, long max, long *out) {
    if (v.empty() || v.size() > 10)
        return false;
    long value = 0;
    for (char c : v) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    if (value > max)
        return false;
    *out = value;
    return true;
}

bool parseFault(const std::string &v, Fault *out) {
    static const struct {
        const char *name;
        Fault fault;
    } kFaults[] = {{"none", Fault::None},
                   {"no_echo", Fault::NoEcho},
                   {"program_error", Fault::ProgramError},
                   {"error_only", Fault::ErrorOnly},
                   {"no_ident", Fault::NoIdent},
                   {"no_ok", Fault::NoOk},
                   {"error_in_data", Fault::ErrorInData},
                   {"file_in_data", Fault::FileInData},
                   {"bad_crc", Fault::BadCrc},
                   {"no_done", Fault::NoDone},
                   {"silent", Fault::Silent},
                   {"unplug", Fault::Unplug},
                   {"split", Fault::Split}};
    for (const auto &f : kFaults) {
        if (v == f.name) {
            *out = f.fault;
            return true;
        }
    }
    return false;
}

/* Applies one key; returns an error text or "". */
std::string applyKey(BridgeConfig &b, const std::string &key, const std::string &v) {
    long n = 0;
    bool flag = false;
    if (key == "serial") {
        if (v.empty() || v.size() > 15)
            return "serial must have 1 to 15 characters";
        b.serial = v;
    } else if (key == "type") {
        if (!parseNumber(v, 255, &n))
            return "type must be a chip type number (0 BM, 4 FT2232C, 5 FT232R)";
        b.type = static_cast<uint32_t>(n);
    } else if (key == "description") {
        if (v.size() > 63)
            return "description longer than 63 characters";
        b.description = v;
    } else if (key == "manufacturer") {
        if (v.size() > 63)
            return "manufacturer longer than 63 characters";
        b.manufacturer = v;
    } else if (key == "ris_d2xx") {
        if (!parseNumber(v, 1, &n))
            return "ris_d2xx must be 0 or 1";
        b.risD2xx = static_cast<uint8_t>(n);
    } else if (key == "opens" || key == "eeprom_read" || key == "eeprom_program" || key == "pacing") {
        if (!parseBool(v, &flag))
            return key + " must be yes or no";
        (key == "opens"            ? b.opens
         : key == "eeprom_read"    ? b.eepromRead
         : key == "eeprom_program" ? b.eepromProgram
                                   : b.pacing) = flag;
    } else if (key == "eeprom_out") {
        b.eepromOut = v;
    } else if (key == "line") {
        if (v == "converter") {
            b.line = LineKind::Converter;
        } else if (v == "none") {
            b.line = LineKind::None;
        } else if (v.compare(0, 7, "socket:") == 0 && v.size() > 7) {
            b.line = LineKind::Socket;
            b.socketPath = v.substr(7);
        } else {
            return "line must be converter, none or socket:PATH";
        }
    } else if (key == "ident" || key == "firmware_ident") {
        if (v.size() > 140)
            return key + " longer than 140 characters";
        (key == "ident" ? b.converter.ident : b.converter.firmwareIdent) = v;
    } else if (key == "fault") {
        if (!parseFault(v, &b.converter.fault))
            return "unknown fault '" + v + "'";
    } else if (key == "fault_at") {
        if (!parseNumber(v, 1L << 21, &n))
            return "fault_at must be a byte count";
        b.converter.faultAt = n;
    } else if (key == "bootloader") {
        if (v == "command")
            b.converter.bootEntry = BootEntry::CommandOrEsc;
        else if (v == "esc")
            b.converter.bootEntry = BootEntry::EscOnly;
        else if (v == "none")
            b.converter.bootEntry = BootEntry::None;
        else
            return "bootloader must be command, esc or none";
    } else if (key == "flash_ms" || key == "firmware_idle_ms") {
        if (!parseNumber(v, 600000, &n))
            return key + " must be a number of milliseconds";
        (key == "flash_ms" ? b.converter.flashNs : b.converter.firmwareIdleNs) = n * 1000000;
    } else if (key == "save_to") {
        b.converter.saveTo = v;
    } else if (key == "save_raw_to") {
        b.converter.saveRawTo = v;
    } else {
        return "unknown key '" + key + "'";
    }
    return std::string();
}

std::string defaultSerial(size_t index) {
    char text[16];
    std::snprintf(text, sizeof text, "VRN%05u", static_cast<unsigned>((index + 1) % 100000));
    return text;
}

} // namespace

Scenario Scenario::defaultScenario() {
    Scenario s;
    s.bridges.emplace_back();
    s.bridges.back().serial = defaultSerial(0);
    return s;
}

bool parseScenario(const std::string &text, Scenario *scenario, std::string *error) {
    Scenario result;
    std::istringstream in(text);
    std::string raw;
    int lineNo = 0;
    auto fail = [&](const std::string &what) {
        *error = "line " + std::to_string(lineNo) + ": " + what;
        return false;
    };
    while (std::getline(in, raw)) {
        ++lineNo;
        std::string line = trim(stripComment(raw));
        if (line.empty())
            continue;
        if (line[0] == '[') {
            if (line != "[bridge]")
                return fail("unknown section " + line + " (only [bridge])");
            result.bridges.emplace_back();
            result.bridges.back().serial = defaultSerial(result.bridges.size() - 1);
            continue;
        }
        size_t eq = line.find('=');
        if (eq == std::string::npos)
            return fail("expected key = value");
        std::string key = trim(line.substr(0, eq));
        std::string value = trim(line.substr(eq + 1));
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        if (key.empty())
            return fail("missing key before '='");
        if (result.bridges.empty())
            return fail("key '" + key + "' before the first [bridge]");
        std::string problem = applyKey(result.bridges.back(), key, value);
        if (!problem.empty())
            return fail(problem);
    }
    std::set<std::string> serials;
    for (const auto &b : result.bridges) {
        if (!serials.insert(b.serial).second) {
            *error = "serial " + b.serial + " used by two bridges";
            return false;
        }
    }
    *scenario = std::move(result);
    return true;
}

bool loadScenarioFile(const std::string &path, Scenario *scenario, std::string *error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *error = "cannot open " + path;
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    if (!parseScenario(text.str(), scenario, error)) {
        *error = path + ": " + *error;
        return false;
    }
    return true;
}

} // namespace vorne::sim
