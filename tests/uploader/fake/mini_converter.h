/* A converter that speaks just enough of the protocol for the uploader's side,
 * driven by the writes the scripted D2XX stand-in sees. */
#ifndef VORNE_TESTS_MINI_CONVERTER_H
#define VORNE_TESTS_MINI_CONVERTER_H

#include "fake_d2xx.h"

#include <cstdint>
#include <string>

struct MiniConverter {
    std::string ident = "VORNE DMX-RS232 2.0\r\n>";
    std::string finalReply = "CRC: 1A2B\r\nDONE\r\nCRC: OK\r\n";
    size_t expected = 0;
    bool inData = false;
    std::string data;
    std::string strikeText; // sent once the data phase has this many bytes:
    size_t strikeAt = 0;
    bool unplugAt = false;

    void operator()(const std::string &w) {
        if (inData) {
            data += w;
            if (!strikeText.empty() && data.size() >= strikeAt) {
                fake::line.chunks.push_back(strikeText);
                strikeText.clear();
            }
            if (unplugAt && data.size() >= strikeAt)
                fake::line.statusFails = true;
            if (data.size() >= expected) {
                inData = false;
                fake::line.chunks.push_back(finalReply);
            }
            return;
        }
        if (w == "E\r") {
            fake::line.chunks.push_back("E\n");
        } else if (w == "\r") {
            fake::line.chunks.push_back(ident);
        } else if (w.rfind("CfgFile=", 0) == 0) {
            startData(std::stoul(w.substr(8)));
            fake::line.chunks.push_back("\nOK\n");
        } else if (w == "Bootloader\r") {
            fake::line.chunks.push_back("BOOT");
            fake::line.chunks.push_back("LOADER ready.\n");
            startData(0);
            expected = SIZE_MAX; // the firmware's size is learnt from the test
        }
        if (inData && expected == 0) {
            inData = false;
            fake::line.chunks.push_back(finalReply);
        }
    }
    void startData(size_t size) {
        expected = (size + 15) / 16 * 16;
        inData = true;
        data.clear();
    }
};

#endif
