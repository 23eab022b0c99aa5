// Prints how long a frame from olad takes to become the first byte of the
// command it fires on the port, p50 and p99, and the CPU the path costs:
// frames at 44 a second with all 512 channels changing, one of them crossing
// into another row's range each frame, on a device of 2,000 rows. The path is
// the one vorne_tool watch --port runs: OLA's client, the firing rule, the
// command queue, Qt Serial Port. The console (OLA's streaming client) and the
// equipment (a pseudo-terminal that answers "OK") are threads of this program
// whose CPU is taken out of the figure.
#include "commandqueue.h"
#include "imagewriter.h"
#include "livefiring.h"
#include "olasource.h"

#include <ola/DmxBuffer.h>
#include <ola/Logging.h>
#include <ola/client/StreamingClient.h>

#include <QCoreApplication>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {
constexpr int kChannels = 500, kRangesPerChannel = 4, kRangeWidth = 64, kCommandBytes = 6;
constexpr auto kFramePeriod = std::chrono::microseconds(1000000 / 44);

qint64 nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
double threadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}
double processCpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Channel c (1-based) at frame k: inside its current range, a different value
// each frame; frame k moves channel k % 500 + 1 into its next range.
unsigned char valueAt(int c, int k) {
    const int crossings = (k + kChannels - c) / kChannels; // how often channel c has moved by frame k
    return static_cast<unsigned char>((crossings % kRangesPerChannel) * kRangeWidth + 1 + k % 60);
}
} // namespace

int main(int argc, char *argv[]) {
    if (!qEnvironmentVariableIsSet("QT_NO_GLIB"))
        qputenv("QT_NO_GLIB", "1"); // the event loop vorne_tool runs on
    QCoreApplication app(argc, argv);
    ola::InitLogging(ola::OLA_LOG_NONE, ola::OLA_LOG_STDERR);
    const int frames = argc > 1 ? std::max(10, atoi(argv[1])) : 10000;

    QList<MyChanelUSB> rows;
    QList<RowRange> ranges;
    for (int r = 0; r < kChannels * kRangesPerChannel; ++r) {
        const int c = r / kRangesPerChannel + 1, low = (r % kRangesPerChannel) * kRangeWidth;
        MyChanel row{{}, QString::number(c), QString::number(low), QString::number(low + kRangeWidth - 1),
                     QStringLiteral("ASCII:C%1").arg(r, 5, 10, QLatin1Char('0')), QStringLiteral("F")};
        rows << chanelRecord(row);
        ranges.append({c, low, low + kRangeWidth - 1});
    }
    MyConnParam settings;
    settings[MyConnParam::Speed] = QStringLiteral("115200");
    settings[MyConnParam::Data_Bits] = QStringLiteral("8");
    settings[MyConnParam::Stop_Bits] = QStringLiteral("1");
    settings[MyConnParam::Parity] = QStringLiteral("None");
    settings[MyConnParam::Handshake] = QStringLiteral("None");
    settings[MyConnParam::Normal_Replay] = QStringLiteral("OK");
    settings[MyConnParam::Replay_Wait_Time] = QStringLiteral("200");
    const MyConnParamUSB conn = connRecord(settings);

    // The equipment: the time of each command's first byte, then "OK".
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
        return fprintf(stderr, "bench_live: no pseudo-terminal\n"), 1;
    const int keepSlave = ::open(ptsname(master), O_RDWR | O_NOCTTY | O_CLOEXEC);
    std::vector<qint64> firstByte;
    std::mutex firstByteLock;
    std::atomic<bool> done{false};
    std::atomic<double> helperCpu{0};
    std::thread equipment([&] {
        int inCommand = 0;
        while (!done) {
            pollfd p{master, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0)
                continue;
            char buf[256];
            const ssize_t n = ::read(master, buf, sizeof buf);
            for (ssize_t i = 0; i < n; ++i) {
                if (inCommand++ == 0) {
                    std::lock_guard<std::mutex> hold(firstByteLock);
                    firstByte.push_back(nowNs());
                }
                if (inCommand == kCommandBytes) {
                    inCommand = 0;
                    if (::write(master, "OK", 2) != 2)
                        break;
                }
            }
        }
        helperCpu = helperCpu + threadCpuSeconds();
    });

    LiveFiring firing(ranges);
    CommandQueue commands;
    QString error;
    if (!commands.open(QString::fromLocal8Bit(ptsname(master)), conn, &error))
        return fprintf(stderr, "bench_live: %s\n", qPrintable(error)), 1;
    std::vector<qint64> frameIn; // of the frames that fired, in order
    int framesSeen = 0;
    OlaSource source;
    QObject::connect(&source, &OlaSource::frame, [&](const QByteArray &values, qint64 at) {
        ++framesSeen;
        for (const Firing &f : firing.frame(values)) {
            frameIn.push_back(at);
            commands.enqueue(rows[f.row], QString());
        }
    });
    std::thread console;
    double cpuStart = 0, wallStart = 0;
    QObject::connect(&source, &OlaSource::connected, [&] {
        if (console.joinable())
            return;
        cpuStart = processCpuSeconds();
        wallStart = double(nowNs()) / 1e9;
        console = std::thread([&] {
            ola::client::StreamingClient client((ola::client::StreamingClient::Options()));
            if (!client.Setup())
                return;
            ola::DmxBuffer buffer;
            auto next = std::chrono::steady_clock::now();
            for (int k = 0; k < frames; ++k) {
                unsigned char values[512] = {};
                for (int c = 1; c <= 512; ++c)
                    values[c - 1] = c <= kChannels ? valueAt(c, k) : static_cast<unsigned char>(k);
                buffer.Set(values, 512);
                client.SendDmx(1, buffer);
                next += kFramePeriod;
                std::this_thread::sleep_until(next);
            }
            client.Stop();
            helperCpu = helperCpu + threadCpuSeconds();
        });
    });
    QTimer finish;
    QObject::connect(&finish, &QTimer::timeout, [&] {
        if (framesSeen < frames && !(console.joinable() && framesSeen > 0 && double(nowNs()) / 1e9 - wallStart >
                                                                            frames / 44.0 + 5))
            return;
        QCoreApplication::quit();
    });
    finish.start(200);
    source.start(QStringLiteral("localhost"), 9010, 1);
    app.exec();
    const double wall = double(nowNs()) / 1e9 - wallStart;
    source.stop();
    if (console.joinable())
        console.join();
    done = true;
    equipment.join();
    const double cpu = processCpuSeconds() - cpuStart - helperCpu;
    ::close(keepSlave);

    std::vector<double> latencyMs;
    {
        std::lock_guard<std::mutex> hold(firstByteLock);
        for (size_t i = 0; i < std::min(frameIn.size(), firstByte.size()); ++i)
            latencyMs.push_back(double(firstByte[i] - frameIn[i]) / 1e6);
    }
    if (latencyMs.empty())
        return fprintf(stderr, "bench_live: no command reached the port (is olad running on localhost:9010?)\n"), 1;
    std::sort(latencyMs.begin(), latencyMs.end());
    auto pct = [&](double p) { return latencyMs[std::min(latencyMs.size() - 1, size_t(p * latencyMs.size()))]; };
    printf("frames sent %d, received %d, rows fired %zu, commands on the port %zu\n", frames, framesSeen,
           frameIn.size(), firstByte.size());
    printf("frame in -> first command byte on the port: p50 %.3f ms, p99 %.3f ms, max %.3f ms (target p99 < 2 ms)\n",
           pct(0.50), pct(0.99), latencyMs.back());
    printf("CPU of the path: %.2f %% of one core over %.1f s (target < 5 %%)\n", 100.0 * cpu / wall, wall);
    return 0;
}
