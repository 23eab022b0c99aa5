/* The D2XX front shared by both backends, over a scripted backend: which
 * arguments it refuses before a port sees them, what it passes through, and
 * that a port outlives a close racing with a call on it. */
#include "backend.h"
#include "ftd2xx.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

struct RecordingPort : vorne::d2xx::Port {
    std::vector<std::string> calls;
    FT_STATUS answer = FT_OK;
    const void *lastBuffer = nullptr;
    DWORD lastLength = 0;
    std::function<void()> duringRead;

    FT_STATUS note(const std::string &call) {
        calls.push_back(call);
        return answer;
    }
    FT_STATUS reset() override { return note("reset"); }
    FT_STATUS setTimeouts(ULONG readMs, ULONG writeMs) override {
        return note("timeouts " + std::to_string(readMs) + " " + std::to_string(writeMs));
    }
    FT_STATUS setBaudRate(ULONG baud) override { return note("baud " + std::to_string(baud)); }
    FT_STATUS setDataCharacteristics(UCHAR bits, UCHAR stop, UCHAR parity) override {
        return note("line " + std::to_string(bits) + " " + std::to_string(stop) + " " + std::to_string(parity));
    }
    FT_STATUS status(DWORD *rx, DWORD *tx) override {
        if (rx)
            *rx = 3;
        if (tx)
            *tx = 4;
        return note("status");
    }
    FT_STATUS read(uint8_t *buf, DWORD len, DWORD *got) override {
        if (duringRead)
            duringRead();
        lastBuffer = buf;
        lastLength = len;
        *got = len;
        return note("read");
    }
    FT_STATUS write(const uint8_t *buf, DWORD len, DWORD *written) override {
        lastBuffer = buf;
        lastLength = len;
        *written = len;
        return note("write");
    }
    FT_STATUS deviceInfo(FT_DEVICE *type, DWORD *id, char *serial, char *description) override {
        if (type)
            *type = FT_DEVICE_232R;
        if (id)
            *id = 0x04036001;
        if (serial)
            std::strcpy(serial, "S1");
        if (description)
            std::strcpy(description, "D1");
        return note("info");
    }
    FT_STATUS eepromRead(FT_PROGRAM_DATA *data) override {
        lastBuffer = data;
        return note("eeRead");
    }
    FT_STATUS eepromProgram(const FT_PROGRAM_DATA *data) override {
        lastBuffer = data;
        return note("eeProgram");
    }
    FT_STATUS eepromReadWord(DWORD offset, WORD *value) override {
        *value = static_cast<WORD>(0xBE00 + offset);
        return note("eeWord " + std::to_string(offset));
    }
    FT_STATUS eepromWriteWord(DWORD offset, WORD value) override {
        return note("eeSet " + std::to_string(offset) + " " + std::to_string(value));
    }
};

/* What the hooks below serve; reset by each test. */
struct ScriptedBackend {
    std::vector<vorne::d2xx::ListedDevice> devices;
    FT_STATUS listStatus = FT_OK;
    FT_STATUS openStatus = FT_OK;
    std::string openWhy; /* what the backend says of each open */
    int opens = 0;
    std::map<FT_HANDLE, std::shared_ptr<RecordingPort>> handles;
} scripted;

} // namespace

namespace vorne::d2xx::backend {

FT_STATUS list(std::vector<ListedDevice> *devices) {
    *devices = scripted.devices;
    return scripted.listStatus;
}

FT_STATUS open(const char *name, DWORD, FT_HANDLE *handle, std::string *why) {
    ++scripted.opens;
    if (*handle || !why->empty())
        return FT_OTHER_ERROR; /* the front must clear them first */
    *why = scripted.openWhy;
    if (scripted.openStatus != FT_OK)
        return scripted.openStatus;
    auto port = std::make_shared<RecordingPort>();
    port->calls.push_back(std::string("opened ") + name);
    *handle = port.get();
    scripted.handles[*handle] = port;
    return FT_OK;
}

FT_STATUS close(FT_HANDLE handle) { return scripted.handles.erase(handle) ? FT_OK : FT_INVALID_HANDLE; }

std::shared_ptr<Port> portOf(FT_HANDLE handle) {
    auto it = scripted.handles.find(handle);
    return it == scripted.handles.end() ? nullptr : it->second;
}

} // namespace vorne::d2xx::backend

namespace {

class D2xxFront : public ::testing::Test {
protected:
    void SetUp() override { scripted = ScriptedBackend{}; }
    void TearDown() override { scripted = ScriptedBackend{}; }

    FT_HANDLE open() {
        FT_HANDLE h = nullptr;
        EXPECT_EQ(FT_OpenEx(const_cast<char *>("VRN00001"), FT_OPEN_BY_SERIAL_NUMBER, &h), FT_OK);
        return h;
    }
    RecordingPort &port(FT_HANDLE h) { return *scripted.handles.at(h); }
};

TEST_F(D2xxFront, ListingFailureWinsButBuffersAreStillFilled) {
    scripted.devices = {{"VRN00001", "FT232R USB VORNE", "usb:1-2.4"}};
    char a[64] = "", b[64] = "unchanged";
    char *pointers[] = {a, b, nullptr};
    DWORD count = 99;
    EXPECT_EQ(FT_ListDevices(pointers, &count, FT_LIST_ALL | FT_OPEN_BY_SERIAL_NUMBER), FT_OK);
    EXPECT_EQ(count, 1u);
    EXPECT_STREQ(a, "VRN00001");
    EXPECT_STREQ(b, "unchanged");
    EXPECT_EQ(FT_ListDevices(pointers, &count, FT_LIST_ALL | FT_OPEN_BY_LOCATION), FT_OK);
    EXPECT_STREQ(a, "usb:1-2.4");

    scripted.listStatus = FT_OTHER_ERROR;
    count = 99;
    EXPECT_EQ(FT_ListDevices(pointers, &count, FT_LIST_ALL | FT_OPEN_BY_SERIAL_NUMBER),
              static_cast<FT_STATUS>(FT_OTHER_ERROR));
    EXPECT_EQ(count, 1u);

    scripted.listStatus = FT_OK;
    EXPECT_EQ(FT_ListDevices(pointers, &count, 0), static_cast<FT_STATUS>(FT_INVALID_PARAMETER));
}

TEST_F(D2xxFront, OpenRefusesNullArgumentsAndClearsTheHandle) {
    FT_HANDLE h = reinterpret_cast<FT_HANDLE>(0x1234);
    EXPECT_EQ(FT_OpenEx(nullptr, FT_OPEN_BY_SERIAL_NUMBER, &h), static_cast<FT_STATUS>(FT_INVALID_PARAMETER));
    EXPECT_EQ(FT_OpenEx(const_cast<char *>("VRN00001"), FT_OPEN_BY_SERIAL_NUMBER, nullptr),
              static_cast<FT_STATUS>(FT_INVALID_PARAMETER));
    EXPECT_EQ(scripted.opens, 0);

    scripted.openStatus = FT_DEVICE_NOT_OPENED;
    scripted.openWhy = "unable to claim usb device";
    EXPECT_EQ(FT_OpenEx(const_cast<char *>("VRN00001"), FT_OPEN_BY_SERIAL_NUMBER, &h),
              static_cast<FT_STATUS>(FT_DEVICE_NOT_OPENED));
    EXPECT_EQ(h, nullptr);
    EXPECT_STREQ(VORNE_OpenFailure(), "unable to claim usb device");

    scripted.openStatus = FT_OK;
    h = open();
    ASSERT_NE(h, nullptr);
    EXPECT_STREQ(VORNE_OpenFailure(), "") << "an open that worked leaves no reason behind";
    EXPECT_EQ(port(h).calls, std::vector<std::string>{"opened VRN00001"});
    EXPECT_EQ(FT_Close(h), FT_OK);
    EXPECT_EQ(FT_Close(h), static_cast<FT_STATUS>(FT_INVALID_HANDLE));
}

TEST_F(D2xxFront, EveryCallOnAnUnknownHandleIsRefused) {
    FT_HANDLE bogus = reinterpret_cast<FT_HANDLE>(0x1234);
    DWORD rx = 7, tx = 7, ev = 7, got = 7, id = 7;
    FT_DEVICE type = 7;
    char buf[64] = "";
    FT_PROGRAM_DATA ee{};
    const auto invalid = static_cast<FT_STATUS>(FT_INVALID_HANDLE);
    EXPECT_EQ(FT_ResetDevice(bogus), invalid);
    EXPECT_EQ(FT_SetTimeouts(bogus, 1, 1), invalid);
    EXPECT_EQ(FT_SetBaudRate(bogus, 38400), invalid);
    EXPECT_EQ(FT_SetDataCharacteristics(bogus, FT_BITS_8, FT_STOP_BITS_1, FT_PARITY_NONE), invalid);
    EXPECT_EQ(FT_GetStatus(bogus, &rx, &tx, &ev), invalid);
    EXPECT_EQ(FT_Read(bogus, buf, 4, &got), invalid);
    EXPECT_EQ(FT_Write(bogus, buf, 4, &got), invalid);
    EXPECT_EQ(FT_GetDeviceInfo(bogus, &type, &id, buf, buf, nullptr), invalid);
    EXPECT_EQ(FT_EE_Read(bogus, &ee), invalid);
    EXPECT_EQ(FT_EE_Program(bogus, &ee), invalid);
    WORD word = 0;
    EXPECT_EQ(FT_ReadEE(bogus, 0, &word), invalid);
    EXPECT_EQ(FT_WriteEE(bogus, 0, 1), invalid);
    EXPECT_EQ(FT_Close(bogus), invalid);
    EXPECT_EQ(FT_Read(nullptr, nullptr, 4, nullptr), invalid); /* the handle is checked first */
    EXPECT_EQ(got, 7u);
}

TEST_F(D2xxFront, ReadAndWriteRefuseMissingBuffersBeforeThePortSeesThem) {
    FT_HANDLE h = open();
    char buf[8];
    DWORD n = 0;
    const auto invalid = static_cast<FT_STATUS>(FT_INVALID_PARAMETER);
    EXPECT_EQ(FT_Read(h, nullptr, 4, &n), invalid);
    EXPECT_EQ(FT_Read(h, buf, 4, nullptr), invalid);
    EXPECT_EQ(FT_Read(h, nullptr, 0, &n), invalid);
    EXPECT_EQ(FT_Write(h, nullptr, 4, &n), invalid);
    EXPECT_EQ(FT_Write(h, buf, 4, nullptr), invalid);
    EXPECT_EQ(port(h).calls.size(), 1u);

    /* Writing nothing needs no buffer. */
    EXPECT_EQ(FT_Write(h, nullptr, 0, &n), FT_OK);
    EXPECT_EQ(port(h).lastLength, 0u);
    EXPECT_EQ(FT_Read(h, buf, 8, &n), FT_OK);
    EXPECT_EQ(port(h).lastBuffer, buf);
    EXPECT_EQ(n, 8u);
    FT_Close(h);
}

TEST_F(D2xxFront, CallsReachThePortWithTheirArgumentsAndItsStatusComesBack) {
    FT_HANDLE h = open();
    RecordingPort &p = port(h);
    EXPECT_EQ(FT_SetTimeouts(h, 500, 250), FT_OK);
    EXPECT_EQ(FT_SetBaudRate(h, 38400), FT_OK);
    EXPECT_EQ(FT_SetDataCharacteristics(h, FT_BITS_8, FT_STOP_BITS_2, FT_PARITY_EVEN), FT_OK);
    EXPECT_EQ(FT_ResetDevice(h), FT_OK);
    FT_PROGRAM_DATA ee{};
    EXPECT_EQ(FT_EE_Read(h, &ee), FT_OK);
    EXPECT_EQ(p.lastBuffer, &ee);
    EXPECT_EQ(FT_EE_Program(h, nullptr), FT_OK); /* the port judges the record */
    EXPECT_EQ(p.lastBuffer, nullptr);
    WORD word = 0;
    EXPECT_EQ(FT_ReadEE(h, 7, &word), FT_OK);
    EXPECT_EQ(word, 0xBE07);
    EXPECT_EQ(FT_ReadEE(h, 7, nullptr), static_cast<FT_STATUS>(FT_INVALID_PARAMETER));
    EXPECT_EQ(FT_WriteEE(h, 63, 0x1234), FT_OK);
    EXPECT_EQ(p.calls, (std::vector<std::string>{"opened VRN00001", "timeouts 500 250", "baud 38400", "line 8 2 2",
                                                 "reset", "eeRead", "eeProgram", "eeWord 7", "eeSet 63 4660"}));

    FT_DEVICE type = 0;
    DWORD id = 0;
    char serial[64] = "", description[64] = "";
    EXPECT_EQ(FT_GetDeviceInfo(h, &type, &id, serial, description, nullptr), FT_OK);
    EXPECT_EQ(type, static_cast<FT_DEVICE>(FT_DEVICE_232R));
    EXPECT_EQ(id, 0x04036001u);
    EXPECT_STREQ(serial, "S1");
    EXPECT_STREQ(description, "D1");
    EXPECT_EQ(FT_GetDeviceInfo(h, nullptr, nullptr, nullptr, nullptr, nullptr), FT_OK);

    p.answer = FT_IO_ERROR;
    DWORD n = 0;
    char buf[4];
    EXPECT_EQ(FT_Write(h, buf, 4, &n), static_cast<FT_STATUS>(FT_IO_ERROR));
    EXPECT_EQ(FT_SetBaudRate(h, 0), static_cast<FT_STATUS>(FT_IO_ERROR));
    FT_Close(h);
}

TEST_F(D2xxFront, StatusClearsTheEventWordAndAllowsNullCounts) {
    FT_HANDLE h = open();
    DWORD rx = 0, tx = 0, ev = 99;
    EXPECT_EQ(FT_GetStatus(h, &rx, &tx, &ev), FT_OK);
    EXPECT_EQ(rx, 3u);
    EXPECT_EQ(tx, 4u);
    EXPECT_EQ(ev, 0u);
    EXPECT_EQ(FT_GetStatus(h, nullptr, nullptr, nullptr), FT_OK);
    port(h).answer = FT_IO_ERROR;
    ev = 99;
    EXPECT_EQ(FT_GetStatus(h, &rx, &tx, &ev), static_cast<FT_STATUS>(FT_IO_ERROR));
    EXPECT_EQ(ev, 0u);
    FT_Close(h);
}

TEST_F(D2xxFront, PortOutlivesACloseDuringACallOnIt) {
    FT_HANDLE h = open();
    std::weak_ptr<RecordingPort> watch = scripted.handles.at(h);
    /* Another thread closes the handle while this one reads. */
    port(h).duringRead = [h] { EXPECT_EQ(FT_Close(h), FT_OK); };
    char buf[4];
    DWORD n = 0;
    EXPECT_EQ(FT_Read(h, buf, 4, &n), FT_OK);
    EXPECT_TRUE(watch.expired());
    EXPECT_EQ(FT_Read(h, buf, 4, &n), static_cast<FT_STATUS>(FT_INVALID_HANDLE));
}

} // namespace
