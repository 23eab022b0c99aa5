/* The device configuration image of the worked example (device "Projector X1"
 * of "Acme", two mappings): 226 bytes, CRC 0xDDA5 over bytes 10 to 223.
 * Read from the shared fixture so every test sends the same bytes. */
#ifndef VORNE_TESTS_WORKED_EXAMPLE_H
#define VORNE_TESTS_WORKED_EXAMPLE_H

#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

inline std::string workedExampleImage() {
    static const std::string bytes = [] {
        std::ifstream in(VORNE_TEST_DATA "/worked_example.bin", std::ios::binary);
        std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (data.size() != 226)
            throw std::runtime_error("fixture " VORNE_TEST_DATA "/worked_example.bin is missing or damaged");
        return data;
    }();
    return bytes;
}

#endif
