/* What umockdev's transport costs a process per usbfs request: run under the
 * preload against an emulated bridge's node, it times (CPU, user + system)
 * requests of the kinds the uploader issues, so the bench can tell the
 * emulator's share of the uploader's CPU from the uploader's own. Prints one
 * line of nanoseconds per request:
 *   empty_reap=N control_cycle=N control_cycle_4k=N
 * (a reap that finds nothing; submit and reap of a control transfer with a
 * small buffer; the same with a 4 KiB one, as a bulk IN carries). */
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <linux/usbdevice_fs.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

int64_t cpuNs() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    auto ns = [](const timeval &t) { return static_cast<int64_t>(t.tv_sec) * 1000000000 + t.tv_usec * 1000; };
    return ns(u.ru_utime) + ns(u.ru_stime);
}

bool emptyReap(int fd) {
    void *urb = nullptr;
    return ioctl(fd, USBDEVFS_REAPURBNDELAY, &urb) < 0 && errno == EAGAIN;
}

/* GET_DESCRIPTOR (device) into a buffer of the given size, submitted and reaped. */
bool controlCycle(int fd, std::vector<uint8_t> *buffer) {
    const uint8_t setup[8] = {0x80, 0x06, 0x00, 0x01, 0, 0, 18, 0};
    std::memcpy(buffer->data(), setup, sizeof setup);
    usbdevfs_urb urb{};
    urb.type = USBDEVFS_URB_TYPE_CONTROL;
    urb.buffer = buffer->data();
    urb.buffer_length = static_cast<int>(buffer->size());
    if (ioctl(fd, USBDEVFS_SUBMITURB, &urb) != 0)
        return false;
    void *reaped = nullptr;
    return ioctl(fd, USBDEVFS_REAPURBNDELAY, &reaped) == 0 && reaped == &urb && urb.status == 0;
}

/* CPU nanoseconds per request of step, which issues `requests` of them. */
template <typename Step> double perRequest(long rounds, int requests, Step step) {
    for (long i = 0; i < rounds / 10 + 1; ++i) /* warm up */
        if (!step())
            return -1;
    const int64_t before = cpuNs();
    for (long i = 0; i < rounds; ++i)
        if (!step())
            return -1;
    return static_cast<double>(cpuNs() - before) / static_cast<double>(rounds * requests);
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s NODE ROUNDS\n", argv[0]);
        return 2;
    }
    const long rounds = std::strtol(argv[2], nullptr, 10);
    int fd = open(argv[1], O_RDWR | O_CLOEXEC);
    if (fd < 0 || rounds <= 0) {
        std::fprintf(stderr, "cannot open %s: %s\n", argv[1], std::strerror(errno));
        return 1;
    }
    std::vector<uint8_t> small(8 + 18), large(8 + 4096);
    double empty = perRequest(rounds, 1, [&] { return emptyReap(fd); });
    double cycle = perRequest(rounds, 2, [&] { return controlCycle(fd, &small); });
    double cycle4k = perRequest(rounds, 2, [&] { return controlCycle(fd, &large); });
    close(fd);
    if (empty < 0 || cycle < 0 || cycle4k < 0) {
        std::fprintf(stderr, "a request failed: %s\n", std::strerror(errno));
        return 1;
    }
    std::printf("empty_reap=%.0f control_cycle=%.0f control_cycle_4k=%.0f\n", empty, cycle, cycle4k);
    return 0;
}
