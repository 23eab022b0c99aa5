// Prints how long large projects take to load: generated libraries of 1,000,
// 4,000 and 16,000 devices with 20 rows each, read into the library alone and
// opened in the window (tree shown, offscreen). Both must grow linearly.
#include "dialogs.h"
#include "mainwindow.h"
#include "projectfile.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {
constexpr int kDevicesPerManufacturer = 40;
constexpr int kRowsPerDevice = 20;

MyLibrary generateLibrary(int devices) {
    MyLibrary library;
    const char *values[] = {"9600", "8", "1", "None", "None", "100", "2", "", "", "OK", "", "", "", "500"};
    for (int i = 0; i < devices; ++i) {
        if (i % kDevicesPerManufacturer == 0)
            library.append(
                MyPreset{QStringLiteral("Maker %1").arg(i / kDevicesPerManufacturer, 5, 10, QLatin1Char('0')), {}});
        MyDevice d;
        d.deviceType = QStringLiteral("Device %1").arg(i, 6, 10, QLatin1Char('0'));
        d.deviceDesc = QStringLiteral("Bench device");
        d.deviceTime = QStringLiteral("06.12.2026 | 10:15:00");
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

// File, Open Project in the window, until the tree and the first device are on screen.
double millisecondsToOpen(MainWindow &window, const QString &path) {
    Dialogs::setNextFileName(path);
    QElapsedTimer timer;
    timer.start();
    window.openProject();
    QApplication::processEvents();
    return timer.nsecsElapsed() / 1e6;
}

void writeFile(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}
} // namespace

int main(int argc, char *argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir dir;
    // The window reads and writes config.ini in the working folder; keep it here.
    QDir::setCurrent(dir.path());
    qputenv("HOME", dir.path().toLocal8Bit());
    QApplication app(argc, argv);
    MainWindow window;
    window.show();
    QApplication::processEvents();

    const QString empty = dir.filePath(QStringLiteral("empty.prj"));
    writeFile(empty, "@empty\n!\n");
    const int sizes[] = {1000, 4000, 16000};
    double read[3] = {};
    double open[3] = {};
    for (int i = 0; i < 3; ++i) {
        const MyLibrary library = generateLibrary(sizes[i]);
        const QByteArray bytes = projectFileBytes(library, QStringLiteral("bench"), libraryTree(library));
        const QString path = dir.filePath(QStringLiteral("bench%1.prj").arg(sizes[i]));
        writeFile(path, bytes);
        // Best of three: the first run also pays for fresh memory pages.
        read[i] = open[i] = 1e12;
        for (int run = 0; run < 3; ++run) {
            read[i] = std::min(read[i], millisecondsToRead(bytes));
            millisecondsToOpen(window, empty); // the previous project is closed outside the measurement
            open[i] = std::min(open[i], millisecondsToOpen(window, path));
        }
        std::printf("%6d devices (%5.1f MB): read %8.1f ms, open in window %8.1f ms\n", sizes[i], bytes.size() / 1e6,
                    read[i], open[i]);
    }
    std::printf("ratio 16000/4000: read %.2f, open %.2f\n", read[2] / read[1], open[2] / open[1]);
    return 0;
}
