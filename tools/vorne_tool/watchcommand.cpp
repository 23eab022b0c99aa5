#include "watchcommand.h"

#include "hexconv.h"
#include "imagefields.h"
#include "imagereader.h"
#include "imagewriter.h"
#include "livefiring.h"
#include "olasource.h"
#include "rowentry.h"
#include "commandqueue.h"
#include "serialexchange.h"
#include "toolio.h"

#include <QCoreApplication>
#include <QTime>
#include <QTimer>

#include <atomic>
#include <csignal>

namespace {

std::atomic<bool> interrupted{false};
extern "C" void onSignal(int) { interrupted = true; }

struct WatchOptions {
    QStringList operands;
    unsigned universe = 1;
    QString ola;
    QString port;
    bool fireInitial = false;
};

struct WatchedDevice {
    MyConnParamUSB conn = image::zeroed<MyConnParamUSB>();
    QList<MyChanelUSB> rows;
    QStringList names; // "row 3 (P.prj line 27) "Power on""
};

int parseOptions(const QStringList &args, WatchOptions *o, QTextStream &err) {
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args[i];
        auto value = [&](const char *name, QString *into) {
            const QString prefix = QLatin1String(name) + QLatin1Char('=');
            if (arg.startsWith(prefix)) {
                *into = arg.mid(prefix.size());
                return true;
            }
            if (arg == QLatin1String(name) && i + 1 < args.size()) {
                *into = args[++i];
                return true;
            }
            return false;
        };
        QString universe;
        if (!arg.startsWith(QLatin1String("--")))
            o->operands << arg;
        else if (arg == QLatin1String("--fire-initial"))
            o->fireInitial = true;
        else if (value("--universe", &universe)) {
            bool ok = false;
            o->universe = universe.toUInt(&ok);
            if (!ok)
                return usageError(err, QStringLiteral("--universe takes a universe number"));
        } else if (!value("--ola", &o->ola) && !value("--port", &o->port))
            return usageError(err, QStringLiteral("watch has no option %1").arg(arg));
    }
    if (o->operands.size() != 1 && o->operands.size() != 3)
        return usageError(err, QStringLiteral("watch takes PROJECT.prj MANUFACTURER DEVICE, or FILE.bin"));
    return ExitOk;
}

bool loadDevice(const QStringList &a, WatchedDevice *d, QTextStream &err) {
    auto name = [](int i, const QString &where, const char *function, int width) {
        return QStringLiteral("row %1%2 %3")
            .arg(QString::number(i + 1), where, quoted(QByteArray(function, int(qstrnlen(function, width)))));
    };
    if (a.size() == 1) {
        DecodedImage img;
        if (!loadImage(a[0], &img, err))
            return false;
        d->conn = img.conn;
        d->rows = img.chanels;
        for (int i = 0; i < d->rows.size(); ++i)
            d->names << name(i, QString(), d->rows[i].function, int(sizeof d->rows[i].function));
        return true;
    }
    ProjectFileContent content;
    ProjectFileLines lines;
    int preset = -1, device = -1;
    if (!loadProject(a[0], &content, &lines, err) ||
        !findNamedDevice(content.library, a[0], a[1], a[2], &preset, &device, err))
        return false;
    const MyDevice &dev = content.library[preset].listMyDevices[device];
    const QList<int> &rowLines = lines.manufacturers[preset].devices[device].rowLines;
    d->conn = connRecord(dev.connParam);
    for (int i = 0; i < dev.listChanel.size(); ++i) {
        d->rows << chanelRecord(dev.listChanel[i]);
        d->names << name(i, QStringLiteral(" (%1 line %2)").arg(a[0], QString::number(rowLines.value(i))),
                         d->rows[i].function, int(sizeof d->rows[i].function));
    }
    return true;
}

QString now() { return QTime::currentTime().toString(QStringLiteral("hh:mm:ss.zzz")); }

} // namespace

int runWatch(const QStringList &args, QTextStream &out, QTextStream &err) {
    WatchOptions o;
    if (const int bad = parseOptions(args, &o, err))
        return bad;
    QString host, error;
    quint16 olaPort = 0;
    if (!OlaSource::parseAddress(o.ola, &host, &olaPort, &error))
        return usageError(err, error);
    WatchedDevice d;
    if (!loadDevice(o.operands, &d, err))
        return ExitData;

    CommandQueue commands;
    if (!o.port.isEmpty()) {
        if (!commands.open(o.port, d.conn, &error)) {
            err << "vorne_tool: error: nothing watched: " << error << "\n";
            return ExitUsage;
        }
        PortSettings portSettings;
        portSettingsFor(d.conn, &portSettings, &error);
        for (const QString &line : planLines(o.port, portSettings, exchangeSettingsFor(d.conn, d.rows.value(0), 0)))
            out << line << "\n";
    }
    QObject::connect(&commands, &CommandQueue::sending,
                     [&](const QString &name) { out << now() << " sending " << name << "\n"; });
    QObject::connect(&commands, &CommandQueue::tryEnded, [&](const ExchangeTry &t, const ExchangeSettings &s) {
        for (const QString &line : tryLines(t, s))
            out << "  " << line << "\n";
    });
    QObject::connect(&commands, &CommandQueue::finished, [&](const ExchangeResult &r) {
        out << "  " << endLine(r) << "\n";
        out.flush();
    });
    QObject::connect(&commands, &CommandQueue::notSent, [&](const QString &name, const QString &why) {
        err << "vorne_tool: error: " << name << " not sent: " << why << "\n";
    });

    QList<RowRange> ranges;
    for (const MyChanelUSB &r : d.rows)
        ranges.append({r.dmx_chanel, r.dmx_valueFrom, r.dmx_valueTo});
    LiveFiring firing(ranges);

    OlaSource source;
    bool firstConnection = true, firstFrame = true;
    QString lastTrouble;
    QObject::connect(&source, &OlaSource::connected, [&] {
        out << now() << " listening to universe " << o.universe << " of olad at " << host << ":" << olaPort << "\n";
        out.flush();
        firing.restart();
        firstFrame = true;
        lastTrouble.clear();
    });
    QObject::connect(&source, &OlaSource::disconnected, [&](const QString &why) {
        if (why != lastTrouble) // once per outage, not every second
            err << "vorne_tool: " << why << "; trying again every second\n";
        err.flush();
        lastTrouble = why;
    });
    QObject::connect(&source, &OlaSource::frame, [&](const QByteArray &values) {
        const bool fireNow = o.fireInitial && firstConnection && firstFrame;
        firstFrame = false;
        firstConnection = false;
        for (const Firing &f : firing.frame(values, fireNow)) {
            out << now() << " DMX " << f.chanel << "=" << f.value << ": " << d.names[f.row] << ": HEX "
                << bytesToHexText(prefixBytes(d.conn) + commandBytes(d.rows[f.row])) << "\n";
            if (!o.port.isEmpty() && !commands.enqueue(d.rows[f.row], d.names[f.row]))
                err << "vorne_tool: warning: " << kCommandQueueBound << " commands wait for the port; "
                    << d.names[f.row] << " not sent\n";
        }
        out.flush();
    });

    interrupted = false;
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (interrupted)
            QCoreApplication::exit(0);
    });
    poll.start(100);
    source.start(host, olaPort, o.universe);
    QCoreApplication::exec();
    source.stop();
    commands.close();
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    out << now() << " stopped\n";
    return ExitOk;
}
