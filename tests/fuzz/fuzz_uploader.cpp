// The uploader's side of the exchange fed with arbitrary converter replies
// through the scripted D2XX stand-in: identification, the program-error probe,
// the bootloader switch, the data phase and the outcome message.
//
// Input: one mode byte (identification, configuration, firmware, whole
// command-line run), one flags byte (long path, firmware option, unplug or
// close the window when the replies run out), two bytes of file size (little
// endian, at most 4095), then reply chunks as [length][bytes]. The first chunk
// is waiting when the exchange starts; each write the uploader makes lets the
// next chunk arrive, so replies follow the uploader's steps.
//
// Pauses run on a virtual clock: every sleep of the exchange's thread returns
// at once and adds to a total, which must stay within what the longest
// exchange may wait, so a loop that never gives up shows as a fault.
#include "fake_d2xx.h"
#include "fileio.h"
#include "ftdi.h"
#include "fuzztargets.h"
#include "main.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <deque>
#include <string>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {
thread_local bool virtualPauses = false;
thread_local long long pausedNs = 0;

// The longest exchange: a firmware whose converter only ever answers late
// (search, bootloader, data phase, CRC waits, the identification after it).
constexpr long long kMaxPauseNs = 120LL * 1000 * 1000 * 1000;
constexpr int kMaxFileSize = 4095;

std::string workFolder() {
    static std::string folder;
    if (folder.empty()) {
        char name[] = "/tmp/vorne-fuzz-uploader-XXXXXX";
        folder = mkdtemp(name) ? name : "/tmp";
    }
    return folder;
}

// A path longer than the message slot, so the outcome text must give way.
std::string longPath() {
    static std::string path;
    if (path.empty()) {
        std::string dir = workFolder();
        for (int i = 0; i < 5; ++i) {
            dir += "/" + std::string(120, char('a' + i));
            mkdir(dir.c_str(), 0700);
        }
        path = dir + "/image.bin";
    }
    return path;
}

std::string writeFile(bool longName, int size, const uint8_t *fill, size_t fillSize) {
    const std::string path = longName ? longPath() : workFolder() + "/image.bin";
    FILE *f = fopen(path.c_str(), "wb");
    if (!f)
        return path;
    for (int i = 0; i < size; ++i)
        fputc(fillSize ? fill[i % fillSize] : 0, f);
    fclose(f);
    return path;
}

std::deque<std::string> script;

bool unplugWhenSilent = false;
bool closeWhenSilent = false;

void deliverNext() {
    if (script.empty()) {
        fake::line.statusFails = unplugWhenSilent; // the converter went away
        linkStop = closeWhenSilent;                // the window was closed
        return;
    }
    if (!script.front().empty())
        fake::line.chunks.push_back(script.front());
    script.pop_front();
}
} // namespace

// Sleeps of the uploader end up here (std::this_thread::sleep_for). Other
// threads, and this one outside the exchange, really sleep.
extern "C" int nanosleep(const struct timespec *req, struct timespec *rem) {
    if (virtualPauses) {
        pausedNs += (long long)req->tv_sec * 1000000000LL + req->tv_nsec;
        if (rem)
            *rem = timespec{0, 0};
        return 0;
    }
    return (int)syscall(SYS_nanosleep, req, rem);
}

int fuzzUploaderReplies(const uint8_t *data, size_t size) {
    if (size < 4)
        return 0;
    const int mode = data[0] % 4;
    const uint8_t flags = data[1];
    const int fileSize = (data[2] | data[3] << 8) % (kMaxFileSize + 1);
    script.clear();
    for (size_t pos = 4; pos < size;) {
        const size_t len = std::min<size_t>(data[pos], size - pos - 1);
        script.emplace_back(reinterpret_cast<const char *>(data + pos + 1), len);
        pos += 1 + len;
    }

    fake::reset();
    fake::line.onWrite = [](const std::string &) { deliverNext(); };
    unplugWhenSilent = flags & 4;
    closeWhenSilent = flags & 8;
    linkStop = false;
    msgType = 0;
    clearRespBuff();
    const std::string path = writeFile(flags & 1, fileSize, data + 4, size - 4);

    virtualPauses = true;
    pausedNs = 0;
    deliverNext();
    if (mode == 0) {
        if (openDevice(0) == 0)
            checkDev();
    } else if (mode == 1 || mode == 2) {
        if (openDevice(0) == 0)
            read_send_file(path.c_str(), mode == 1 ? 1 : 2);
    } else {
        char *argv[] = {const_cast<char *>("VORNE_uploader"), const_cast<char *>("-s"),
                        const_cast<char *>(flags & 2 ? "-b" : "-c"), const_cast<char *>(path.c_str()), nullptr};
        uploaderMain(4, argv);
    }
    closeDevice();
    virtualPauses = false;

    fuzzCheck(pausedNs <= kMaxPauseNs, "the exchange gives up within its waits");
    fuzzCheck(ptr_respBuff >= resp_buff && ptr_respBuff <= resp_buff + RESP_TEXT_MAX,
              "the response text stays in its 255 bytes");
    fuzzCheck(resp_buff[RESP_TEXT_MAX] == 0, "the response text stays terminated");
    char ver[VER_LEN];
    getVer(ver, sizeof(ver));
    fuzzCheck(strlen(ver) <= VER_MAX, "the identification fits its 50 characters");
    return 0;
}
