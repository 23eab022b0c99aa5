// Prints how long the channel table takes on a device of 2,000 rows: showing
// the device (click to table filled), one keystroke of the row popup's live
// check, one OK (store, sort, redisplay), and the row sort alone.
#include "channelrules.h"
#include "dialogs.h"
#include "mainwindow.h"
#include "mainwindowform.h"
#include "projectfile.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <random>

namespace {
constexpr int kRows = 2000;
constexpr int kRuns = 15;

// 500 channels of four rows each, gaps left between the rows.
MyLibrary generateLibrary() {
    MyDevice d;
    d.deviceType = QStringLiteral("Big");
    d.deviceDesc = QStringLiteral("Bench device");
    d.deviceTime = QStringLiteral("06.12.2026 | 10:15:00");
    d.connParam[MyConnParam::Speed] = QStringLiteral("9600");
    for (int r = 0; r < kRows; ++r) {
        MyChanel row;
        row.dmx_chanel = QString::number(r / 4 + 1);
        row.dmx_valueFrom = QString::number((r % 4) * 60);
        row.dmx_valueTo = QString::number((r % 4) * 60 + 50);
        row.rs_c = QStringLiteral("ASCII:CMD%1").arg(r % 1000);
        row.function = QStringLiteral("Func %1").arg(r % 1000);
        d.listChanel.append(row);
    }
    MyLibrary library{MyPreset{QStringLiteral("Maker"), {d}}};
    return library;
}

void writeFile(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

// Best and median of `runs` timings of `step`; `prepare` runs untimed before each.
struct Figures {
    double best, median;
};
Figures measure(const std::function<void()> &prepare, const std::function<void()> &step, int runs = kRuns) {
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        prepare();
        QElapsedTimer timer;
        timer.start();
        step();
        ms.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return {ms.front(), ms[ms.size() / 2]};
}

void print(const char *what, Figures f, double target) {
    std::printf("%-44s best %7.2f ms, median %7.2f ms (target < %.0f ms)\n", what, f.best, f.median, target);
}
} // namespace

int main(int argc, char *argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    qputenv("HOME", dir.path().toLocal8Bit());
    const MyLibrary library = generateLibrary();
    const QString path = dir.filePath(QStringLiteral("big.prj"));
    writeFile(path, projectFileBytes(library, QStringLiteral("big"), libraryTree(library)));
    writeFile(dir.filePath(QStringLiteral("config.ini")), "DefaultPath=.\nLastProject=" + path.toLatin1() + "\n");

    QApplication app(argc, argv);
    MainWindow w;
    w.show();
    QApplication::processEvents();
    QTreeWidgetItem *manufacturer = w.ui->treeWidget->topLevelItem(0);
    QTreeWidgetItem *device = manufacturer->child(0);
    auto flush = [] { QApplication::processEvents(); };

    // Click on the device, from the empty state a manufacturer leaves, until the table is painted.
    print("show 2,000 rows (click to table filled)",
          measure(
              [&] {
                  w.getPositionTree(manufacturer, 0);
                  flush();
              },
              [&] {
                  w.getPositionTree(device, 0);
                  flush();
              }),
          150);
    w.ui->treeWidget->setCurrentItem(device);
    w.getPositionTree(device, 0);

    // One keystroke in the High field of the popup on a channel with four rows.
    w.insertRow();
    w.lineEditRowAscii->setText(QStringLiteral("X"));
    w.lineEditRowDmx->setText(QStringLiteral("250"));
    w.lineEditRowLow->setText(QStringLiteral("52"));
    int high = 0;
    print("live check, one keystroke",
          measure([&] { flush(); },
                  [&] {
                      w.lineEditRowHigh->setText(QString::number(53 + (high++ % 5)));
                      flush();
                  }),
          16);
    w.cancelPopup();

    // OK on a new row in a gap: store, sort, redisplay; the row is deleted again untimed.
    auto insertReady = [&] {
        const QList<MyChanel> &rows = w.listMyPresets[0].listMyDevices[0].listChanel;
        if (rows.size() > kRows) {
            QList<MyChanel> &list = w.listMyPresets[0].listMyDevices[0].listChanel;
            list.removeIf([](const MyChanel &r) { return r.status == QStringLiteral("changed"); });
            w.getPositionTree(device, 0);
        }
        w.insertRow();
        w.lineEditRowDmx->setText(QStringLiteral("250"));
        w.lineEditRowLow->setText(QStringLiteral("52"));
        w.lineEditRowHigh->setText(QStringLiteral("58"));
        w.lineEditRowAscii->setText(QStringLiteral("NEW"));
        flush();
    };
    print("OK (store, sort, redisplay)",
          measure(insertReady,
                  [&] {
                      w.okPopup();
                      flush();
                  }),
          150);
    if (w.listMyPresets[0].listMyDevices[0].listChanel.size() != kRows + 1 || Dialogs::pendingAnswers() != 0)
        qFatal("the OK did not store the row");

    // The sort alone: rows in order plus one appended (the OK case), and shuffled.
    QList<MyChanel> rows = library[0].listMyDevices[0].listChanel;
    QList<MyChanel> appended = rows;
    appended.append(rows[kRows / 2]);
    appended.last().dmx_chanel = QStringLiteral("1");
    QList<MyChanel> shuffled = rows;
    std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(7));
    QList<MyChanel> work;
    print("sortChanel, 2,000 rows + 1 appended", measure([&] { work = appended; }, [&] { sortChanel(&work); }), 20);
    print("sortChanel, 2,000 rows shuffled", measure([&] { work = shuffled; }, [&] { sortChanel(&work); }), 20);
    return 0;
}
