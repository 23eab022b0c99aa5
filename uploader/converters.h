/* Several bridges on one bench: which are attached (by name, place and
 * description), which of them are converters and what each says it is, and
 * the one bridge a name chooses. A bridge is looked at by its place, so twins
 * that share a serial are still told apart. Uses the ftdi module's one open
 * device, so one thread at a time. */
#ifndef VORNE_UPLOADER_CONVERTERS_H
#define VORNE_UPLOADER_CONVERTERS_H

#include <string>
#include <vector>

struct BridgeEntry {
    int index = -1;           /* in the listing */
    std::string name;         /* as the search names it: its serial, or usb:BUS-PORT */
    std::string location;     /* usb:BUS-PORT */
    std::string description;  /* as listed (the chip's USB string) */
};

/* Every attached bridge, index for index (at most 50); false when the
 * listing fails or changes between its three passes. */
bool listAttachedBridges(std::vector<BridgeEntry> *bridges);
/* The listed description is the converter's: the bridge may be one. */
bool describedAsConverter(const BridgeEntry &bridge);

enum class BridgeState {
    Converter,  /* it identified itself (or reported a program error) */
    NoAnswer,   /* the converter's description, but no identification */
    Other,      /* another description */
    Unreadable, /* it did not open, or its EEPROM did not read */
};
const char *bridgeStateText(BridgeState state);

struct BridgeLook {
    BridgeEntry bridge;
    BridgeState state = BridgeState::Unreadable;
    std::string description; /* as its EEPROM holds it; empty when unreadable */
    std::string ident;       /* the identification of a converter */
};

/* Opens the bridge by its place and examines it as the search does: EEPROM,
 * the service mode's rewrite when `service`, the description, the
 * identification. A converter stays open when `keepOpen`; every other bridge
 * is closed again. */
BridgeLook examineBridge(const BridgeEntry &bridge, bool service, bool keepOpen);

/* One --list line: name, place, EEPROM description, state and identification,
 * separated by tabs; control characters in a field are shown as '?'. */
std::string listLine(const BridgeLook &look);

/* The bridge `name` chooses: its listed name, else its place. -1 with `why`
 * (a whole message, ending in a line break) when no bridge or more than one
 * carries the name. */
int chooseBridge(const std::vector<BridgeEntry> &bridges, const std::string &name, std::string *why);

/* --list: examines every bridge and prints one line each on stdout, the
 * search's own lines on stderr. Exit code: 0 when a converter answered. */
int listConverters();

/* Makes the converter at `look` the open device (closing another), with its
 * identification in the window title; false with the error told. */
bool switchToConverter(const BridgeLook &look);

/* Seed mode, after the search chose `chosen`: the bridges listed with the
 * converter's description besides it, by name, never opened. */
std::vector<std::string> otherConverterNames(const std::vector<BridgeEntry> &bridges, int chosen);
/* The stderr notice of a choice made among several converters; "" with none. */
std::string severalConvertersNotice(const std::string &chosen, const std::vector<std::string> &others);

#endif
