/* The simulator as a process sees it: the scenario named by the environment,
 * the real clock, and a line attached to an external program over a socket. */
#include "ftd2xx.h"
#include "sim_bus.h"
#include "worked_example.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace vorne::sim;

namespace {

std::string writeTemp(const std::string &name, const std::string &text) {
    std::string path = ::testing::TempDir() + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

DWORD listCount() {
    DWORD n = 99;
    EXPECT_EQ(FT_ListDevices(&n, nullptr, FT_LIST_NUMBER_ONLY), FT_OK);
    return n;
}

FT_HANDLE openSerial(const char *serial) {
    FT_HANDLE h = nullptr;
    EXPECT_EQ(FT_OpenEx(const_cast<char *>(serial), FT_OPEN_BY_SERIAL_NUMBER, &h), FT_OK);
    FT_SetTimeouts(h, 1, 0);
    return h;
}

/* What the uploader's link does: write, then wait for the transmit queue to empty. */
void sendAndDrain(FT_HANDLE h, const std::string &bytes) {
    DWORD written = 0, rx = 0, tx = 1, ev = 0;
    ASSERT_EQ(FT_Write(h, const_cast<char *>(bytes.data()), static_cast<DWORD>(bytes.size()), &written), FT_OK);
    while (tx > 0) {
        ASSERT_EQ(FT_GetStatus(h, &rx, &tx, &ev), FT_OK);
        if (tx > 0)
            usleep(200);
    }
}

std::string collectFor(FT_HANDLE h, int ms) {
    std::string all;
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
        char buf[150];
        DWORD got = 0;
        if (FT_Read(h, buf, sizeof buf, &got) == FT_OK)
            all.append(buf, got);
    }
    return all;
}

class SimProcess : public ::testing::Test {
protected:
    void SetUp() override { SimBus::instance().setClock(nullptr); }
    void TearDown() override {
        unsetenv("VORNE_SIM_SCENARIO");
        SimBus::instance().load(Scenario{});
    }
};

/* A listening Unix socket standing in for an external converter program. */
class SocketPeer {
public:
    explicit SocketPeer(const std::string &path) : path_(path) {
        unlink(path.c_str());
        listen_ = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", path.c_str());
        EXPECT_EQ(bind(listen_, reinterpret_cast<sockaddr *>(&addr), sizeof addr), 0);
        EXPECT_EQ(listen(listen_, 1), 0);
    }
    ~SocketPeer() {
        if (conn_ >= 0)
            close(conn_);
        close(listen_);
        unlink(path_.c_str());
    }
    void accept() { conn_ = ::accept(listen_, nullptr, nullptr); }
    std::string receive(size_t want) {
        std::string got;
        while (got.size() < want) {
            pollfd p{conn_, POLLIN, 0};
            if (poll(&p, 1, 2000) <= 0)
                break;
            char buf[256];
            ssize_t n = recv(conn_, buf, sizeof buf, 0);
            if (n <= 0)
                break;
            got.append(buf, static_cast<size_t>(n));
        }
        return got;
    }
    void send(const std::string &text) { ::send(conn_, text.data(), text.size(), MSG_NOSIGNAL); }
    void hangUp() {
        close(conn_);
        conn_ = -1;
    }

private:
    std::string path_;
    int listen_ = -1;
    int conn_ = -1;
};

} // namespace

TEST_F(SimProcess, WithoutScenarioThereIsTheDefaultBridge) {
    unsetenv("VORNE_SIM_SCENARIO");
    SimBus::instance().loadFromEnvironment();
    EXPECT_EQ(listCount(), 1u);
}

TEST_F(SimProcess, ScenarioFileFromTheEnvironment) {
    std::string path = writeTemp("env_scenario.txt", "[bridge]\nserial = AAA\n[bridge]\nserial = BBB\n");
    setenv("VORNE_SIM_SCENARIO", path.c_str(), 1);
    SimBus::instance().loadFromEnvironment();
    char a[64], b[64];
    char *pointers[] = {a, b, nullptr};
    DWORD count = 0;
    ASSERT_EQ(FT_ListDevices(pointers, &count, FT_LIST_ALL | FT_OPEN_BY_SERIAL_NUMBER), FT_OK);
    ASSERT_EQ(count, 2u);
    EXPECT_STREQ(a, "AAA");
    EXPECT_STREQ(b, "BBB");
}

TEST_F(SimProcess, EmptyScenarioFileMeansNoBridges) {
    setenv("VORNE_SIM_SCENARIO", writeTemp("empty_scenario.txt", "# none\n").c_str(), 1);
    SimBus::instance().loadFromEnvironment();
    EXPECT_EQ(listCount(), 0u);
}

TEST(SimProcessDeathTest, BrokenScenarioEndsTheProgramWithItsLine) {
    std::string path = writeTemp("broken_scenario.txt", "[bridge]\nfualt = silent\n");
    EXPECT_EXIT(
        {
            setenv("VORNE_SIM_SCENARIO", path.c_str(), 1);
            SimBus::instance().loadFromEnvironment();
        },
        ::testing::ExitedWithCode(2), "vorne simulator: .*broken_scenario.txt: line 2: unknown key 'fualt'");
    EXPECT_EXIT(
        {
            setenv("VORNE_SIM_SCENARIO", "/nonexistent/x.txt", 1);
            SimBus::instance().loadFromEnvironment();
        },
        ::testing::ExitedWithCode(2), "cannot open /nonexistent/x.txt");
}

TEST_F(SimProcess, PacedUploadOnTheRealClock) {
    std::string saved = ::testing::TempDir() + "real_clock.bin";
    Scenario s;
    std::string error;
    ASSERT_TRUE(parseScenario("[bridge]\nsave_to = " + saved + "\n", &s, &error)) << error;
    SimBus::instance().load(s);
    FT_HANDLE h = openSerial("VRN00001");
    sendAndDrain(h, "CfgFile=226\r");
    EXPECT_EQ(collectFor(h, 20), "CfgFile=226\n\nOK\n");
    std::string image = workedExampleImage() + std::string(14, '\0');
    auto start = std::chrono::steady_clock::now();
    for (size_t at = 0; at < image.size(); at += 16)
        sendAndDrain(h, image.substr(at, 16));
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_GE(seconds, 240.0 / 3840 - 0.001); /* never faster than the line */
    EXPECT_EQ(collectFor(h, 200), "DONE\nCRC: OK\n");
    std::ifstream in(saved, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), workedExampleImage());
    FT_Close(h);
}

TEST_F(SimProcess, SocketLineCarriesBothDirections) {
    std::string path = ::testing::TempDir() + "vorne_box.sock";
    SocketPeer peer(path);
    Scenario s;
    std::string error;
    ASSERT_TRUE(parseScenario("[bridge]\npacing = off\nline = socket:" + path + "\n", &s, &error)) << error;
    SimBus::instance().load(s);
    FT_HANDLE h = openSerial("VRN00001");
    peer.accept();

    sendAndDrain(h, "CfgFile=16\r");
    EXPECT_EQ(peer.receive(11), "CfgFile=16\r");
    peer.send("\nOK\n");
    EXPECT_EQ(collectFor(h, 20), "\nOK\n");

    peer.hangUp(); /* the far end going away leaves a quiet line */
    sendAndDrain(h, std::string(16, 'x'));
    EXPECT_EQ(collectFor(h, 10), "");
    EXPECT_EQ(FT_Close(h), FT_OK);
}

TEST_F(SimProcess, SocketLineWithNobodyListeningDoesNotOpen) {
    Scenario s;
    std::string error;
    ASSERT_TRUE(parseScenario("[bridge]\nline = socket:/nonexistent/box.sock\n", &s, &error)) << error;
    SimBus::instance().load(s);
    EXPECT_EQ(listCount(), 1u);
    FT_HANDLE h = nullptr;
    testing::internal::CaptureStderr();
    EXPECT_EQ(FT_OpenEx(const_cast<char *>("VRN00001"), FT_OPEN_BY_SERIAL_NUMBER, &h),
              static_cast<FT_STATUS>(FT_DEVICE_NOT_OPENED));
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("cannot connect to /nonexistent/box.sock"), std::string::npos) << err;
}
