/* Sends a 256 KiB firmware file and a 64 KiB configuration image through the
 * simulator with line pacing on, and prints the effective throughput as a
 * share of 38400 baud (3840 bytes a second) and the uploader's CPU time as a
 * share of wall time. Whole runs are timed, identification and replies
 * included, so the figures are conservative.
 *
 *   bench_upload [path/to/vorne_uploader_sim] */
#include "run_process.h"

#include <cstdio>
#include <string>

namespace {

const double LINE_BYTES_PER_SECOND = 3840.0;

std::string firmware(size_t size) {
    std::string fw(size, '\0');
    for (size_t i = 0; i < size; i++)
        fw[i] = (char)(i * 31 + (i >> 8));
    return fw;
}

/* A configuration image of n mappings with a correct CRC-16/XMODEM. */
std::string image(int n) {
    std::string img(168 + 29 * (size_t)n - 2, '\0');
    const unsigned char head[10] = {5, 0, 0xFF, 0xFF, 0xFF, 0xFF, 14, 0, (unsigned char)n, (unsigned char)(n >> 8)};
    for (int i = 0; i < 10; i++)
        img[i] = (char)head[i];
    for (size_t i = 10; i < img.size(); i++)
        img[i] = (char)('A' + i % 26);
    unsigned crc = 0;
    for (size_t i = 10; i < img.size(); i++) {
        crc ^= (unsigned)(unsigned char)img[i] << 8;
        for (int b = 0; b < 8; b++)
            crc = (crc & 0x8000) ? ((crc << 1) ^ 0x1021) & 0xFFFF : (crc << 1) & 0xFFFF;
    }
    img += (char)(crc & 0xFF);
    img += (char)(crc >> 8);
    return img;
}

bool run(const std::string &sim, const char *what, const std::string &name, const std::string &bytes) {
    std::string file = writeTempFile(name, bytes);
    std::string scenario = writeTempFile(name + ".txt", "[bridge]\nserial = BENCH001\npacing = on\n");
    RunResult r = runProcess({sim, "-s", file}, {"VORNE_SIM_SCENARIO=" + scenario}, 600000);
    bool ok = r.exitCode == 0 && r.out.find("CRC: OK") != std::string::npos;
    size_t sent = (bytes.size() + 15) / 16 * 16;
    double rate = sent / r.seconds;
    printf("%-8s %7zu B in %6.2f s: %6.0f B/s = %5.1f%% of line rate, CPU %5.2f s = %4.1f%% of wall%s\n", what,
           bytes.size(), r.seconds, rate, 100.0 * rate / LINE_BYTES_PER_SECOND, r.cpuSeconds,
           100.0 * r.cpuSeconds / r.seconds, ok ? "" : "  (UPLOAD FAILED)");
    if (!ok)
        fprintf(stderr, "%s%s", r.out.c_str(), r.err.c_str());
    return ok;
}

} // namespace

int main(int argc, char **argv) {
    const std::string sim = argc > 1 ? argv[1] : VORNE_UPLOADER_SIM;
    printf("vorne_uploader_sim upload bench, 38400 baud = %.0f B/s; targets >= 90%% of line rate, <= 10%% CPU\n",
           LINE_BYTES_PER_SECOND);
    bool ok = run(sim, "image", "bench.bin", image(2254));
    ok = run(sim, "firmware", "bench.fw", firmware(256 * 1024)) && ok;
    return ok ? 0 : 1;
}
