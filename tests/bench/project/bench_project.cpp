// Prints how long large projects take to load: generated libraries of 1,000,
// 4,000 and 16,000 devices with 20 rows each. Loading must grow linearly.
#include "projectfile.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QTextStream>

#include <cstdio>

namespace {
constexpr int kDevicesPerManufacturer = 40;
constexpr int kRowsPerDevice = 20;

MyLibrary generateLibrary(int devices) {
    MyLibrary library;
    for (int i = 0; i < devices; ++i) {
        if (i % kDevicesPerManufacturer == 0)
            library.append(MyPreset{QStringLiteral("Maker %1").arg(i / kDevicesPerManufacturer, 5, 10, QLatin1Char('0')), {}});
        MyDevice d;
        d.deviceType = QStringLiteral("Device %1").arg(i, 6, 10, QLatin1Char('0'));
        d.deviceDesc = QStringLiteral("Bench device");
        d.deviceTime = QStringLiteral("06.12.2026 | 10:15:00");
        const char *values[] = {"9600", "8", "1", "None", "None", "100", "2", "", "", "OK", "", "", "", "500"};
        for (int f = 0; f < MyConnParam::FieldCount; ++f)
            d.connParam[f] = QLatin1String(values[f]);
        for (int r = 0; r < kRowsPerDevice; ++r) {
            MyChanel row;
            row.dmx_chanel = QString::number(r / 2 + 1);
            row.dmx_valueFrom = QString::number(r % 2 ? 128 : 0);
            row.dmx_valueTo = QString::number(r % 2 ? 255 : 127);
            row.rs_c = QStringLiteral("ASCII:CMD%1").arg(r);
            row.function = QStringLiteral("Func %1").arg(r);
            d.listChanel.append(row);
        }
        library.last().listMyDevices.append(d);
    }
    return library;
}

double millisecondsToRead(QByteArray bytes) {
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    MyLibrary library;
    QElapsedTimer timer;
    timer.start();
    readProjectFile(&buffer, &library, nullptr);
    return timer.nsecsElapsed() / 1e6;
}
} // namespace

int main() {
    const int sizes[] = {1000, 4000, 16000};
    double read[3] = {};
    for (int i = 0; i < 3; ++i) {
        const MyLibrary library = generateLibrary(sizes[i]);
        const QByteArray bytes = projectFileBytes(library, QStringLiteral("bench"), libraryTree(library));
        read[i] = millisecondsToRead(bytes);
        std::printf("%6d devices (%5.1f MB): read %8.1f ms\n", sizes[i], bytes.size() / 1e6, read[i]);
    }
    std::printf("ratio 16000/4000: read %.2f\n", read[2] / read[1]);
    return 0;
}
