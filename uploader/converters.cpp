/* Bridges by name and the converters among them. See converters.h. */
#include "converters.h"

#include "ftdi.h"
#include "main.h"

#include <cstdio>
#include <cstring>

namespace {

std::string field(const char *text, size_t max) { return std::string(text, strnlen(text, max)); }

/* The list is read by programs: a tab or line break inside a field would shift its columns. */
std::string shown(const std::string &text) {
    std::string out = text;
    for (char &c : out)
        if ((unsigned char)c < 0x20 || c == 0x7F)
            c = '?';
    return out;
}

bool listInto(char (*names)[SERIAL_BUF_LEN], DWORD flags, DWORD *count) {
    char *pointers[MAX_DEVICES + 1];
    for (int i = 0; i < MAX_DEVICES; i++)
        pointers[i] = names[i];
    pointers[MAX_DEVICES] = nullptr;
    return FT_ListDevices(pointers, count, FT_LIST_ALL | flags) == FT_OK;
}

std::string joined(const std::vector<std::string> &names) {
    std::string out;
    for (const std::string &n : names)
        out += (out.empty() ? "" : ", ") + n;
    return out;
}

} // namespace

bool listAttachedBridges(std::vector<BridgeEntry> *bridges) {
    bridges->clear();
    // The search's own listing fills cBufLD, the names backups are kept under.
    const int count = readDevices();
    if (ftStatus != FT_OK)
        return false;
    static char places[MAX_DEVICES + 1][SERIAL_BUF_LEN], descriptions[MAX_DEVICES + 1][SERIAL_BUF_LEN];
    memset(places, 0, sizeof(places));
    memset(descriptions, 0, sizeof(descriptions));
    DWORD placed = 0, described = 0;
    if (!listInto(places, FT_OPEN_BY_LOCATION, &placed) || !listInto(descriptions, FT_OPEN_BY_DESCRIPTION, &described))
        return false;
    if ((int)placed != count || (int)described != count)
        return false; // plugged in or out while listed
    for (int i = 0; i < count && i < MAX_DEVICES; i++)
        bridges->push_back({i, field(cBufLD[i], SERIAL_BUF_LEN), field(places[i], SERIAL_BUF_LEN),
                            field(descriptions[i], SERIAL_BUF_LEN)});
    return true;
}

bool describedAsConverter(const BridgeEntry &bridge) { return bridge.description == VORNE_DESCRIPTION; }

const char *bridgeStateText(BridgeState state) {
    switch (state) {
    case BridgeState::Converter:
        return "converter";
    case BridgeState::NoAnswer:
        return "no answer";
    case BridgeState::Other:
        return "other";
    case BridgeState::Unreadable:
        break;
    }
    return "unreadable";
}

BridgeLook examineBridge(const BridgeEntry &bridge, bool service, bool keepOpen) {
    BridgeLook look;
    look.bridge = bridge;
    openAs(bridge.index, bridge.location.c_str(), FT_OPEN_BY_LOCATION);
    ft_program_data ee;
    memset(&ee, 0, sizeof(ee));
    if (readEEPROM(&ee) != 0) {
        releaseEEPROM(&ee);
        closeDevice();
        return look;
    }
    if (service && printEEPROM(&ee) == FT_DEVICE_232R)
        rewriteIdentity(&ee);
    bool converter = false;
    if (ee.Description) {
        look.description = field(ee.Description, EEPROM_STRING_LEN);
        converter = memcmp(ee.Description, VORNE_DESCRIPTION, sizeof(VORNE_DESCRIPTION)) == 0;
    }
    releaseEEPROM(&ee);
    look.state = converter ? BridgeState::NoAnswer : BridgeState::Other;
    if (converter && checkDev() > 0) {
        look.state = BridgeState::Converter;
        char ver[VER_LEN];
        getVer(ver, sizeof(ver));
        look.ident = ver;
        if (keepOpen)
            return look;
    }
    closeDevice();
    return look;
}

std::string listLine(const BridgeLook &look) {
    return shown(look.bridge.name) + "\t" + shown(look.bridge.location) + "\t" + shown(look.description) + "\t" +
           bridgeStateText(look.state) + "\t" + shown(look.ident);
}

int chooseBridge(const std::vector<BridgeEntry> &bridges, const std::string &name, std::string *why) {
    std::vector<std::string> places, names;
    int found = -1;
    for (const BridgeEntry &b : bridges) {
        names.insert(names.begin(), b.name); // in the search's order, as --list shows them
        if (b.name == name) {
            found = b.index;
            places.push_back(b.location);
        }
    }
    if (places.size() > 1) {
        std::string choices;
        for (const std::string &p : places)
            choices += (choices.empty() ? "--serial " : " or --serial ") + p;
        *why = "BRIDGES NAMED \"" + name + "\": " + std::to_string(places.size()) +
               " carry that name; choose one by its place: " + choices + "\n";
        return -1;
    }
    if (found >= 0)
        return found;
    for (const BridgeEntry &b : bridges)
        if (b.location == name)
            return b.index;
    *why = "BRIDGE \"" + name + "\" NOT FOUND: " +
           (names.empty() ? std::string("no FTDI bridge is attached")
                          : "attached are " + joined(names) + " (VORNE_uploader --list tells which are converters)") +
           "\n";
    return -1;
}

int listConverters() {
    searchOut = stderr;
    std::vector<BridgeEntry> bridges;
    if (!listAttachedBridges(&bridges) || bridges.empty()) {
        messageError("DEVICE NOT FOUND\n");
        return 1;
    }
    bool answered = false;
    // In the search's order: the first converter listed is the one chosen without --serial.
    for (auto b = bridges.rbegin(); b != bridges.rend(); ++b) {
        BridgeLook look = examineBridge(*b, false, false);
        answered = answered || look.state == BridgeState::Converter;
        printf("%s\n", listLine(look).c_str());
        fflush(stdout);
    }
    return answered ? 0 : 1;
}

bool switchToConverter(const BridgeLook &look) {
    if (getOpenDevice() != -1)
        closeDevice();
    openAs(look.bridge.index, look.bridge.location.c_str(), FT_OPEN_BY_LOCATION);
    if (ftStatus == FT_OK && checkDev() > 0)
        return true;
    closeDevice();
    messageError(("THE CONVERTER \"" + look.bridge.name + "\" DOES NOT ANSWER: it was unplugged or is in use\n").c_str());
    return false;
}

std::vector<std::string> otherConverterNames(const std::vector<BridgeEntry> &bridges, int chosen) {
    std::vector<std::string> others;
    for (auto b = bridges.rbegin(); b != bridges.rend(); ++b)
        if (b->index != chosen && describedAsConverter(*b))
            others.push_back(b->name);
    return others;
}

std::string severalConvertersNotice(const std::string &chosen, const std::vector<std::string> &others) {
    if (others.empty())
        return "";
    return "NOTICE: " + std::to_string(others.size() + 1) + " converters are attached: chosen " + chosen +
           " (the highest index), not " + joined(others) +
           ". Choose one with --serial NAME; VORNE_uploader --list names them.\n";
}
