#include "plancommand.h"

#include "bridgelist.h"
#include "imagereader.h"
#include "projectcheck.h"
#include "toolio.h"
#include "venueplan.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <memory>

namespace {

// Listing opens every bridge once; an upload of the largest image takes minutes.
constexpr int kListBoundMs = 60 * 1000;
constexpr int kUploadBoundMs = 30 * 60 * 1000;

struct PlanOptions {
    QString project, plan;
    bool send = false;
    int jobs = 0; // 0: all at once
};

// Empty when the arguments are sound, else what is wrong with them.
QString parsePlanOptions(const QStringList &args, PlanOptions *o) {
    QStringList operands;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args[i];
        QString jobs;
        if (optionsEnded || !arg.startsWith(QLatin1String("--")))
            operands << arg;
        else if (arg == QLatin1String("--"))
            optionsEnded = true;
        else if (arg == QLatin1String("--send"))
            o->send = true;
        else if (arg == QLatin1String("--jobs") || arg.startsWith(QLatin1String("--jobs="))) {
            if (arg.size() > 6)
                jobs = arg.mid(7);
            else if (i + 1 < args.size())
                jobs = args[++i];
            bool ok = false;
            o->jobs = jobs.toInt(&ok);
            if (!ok || o->jobs < 1)
                return QStringLiteral("--jobs takes a number of boxes from 1, not \"%1\"").arg(jobs);
        } else
            return QStringLiteral("plan has no option %1").arg(arg);
    }
    if (operands.size() != 2)
        return QStringLiteral("plan takes PROJECT.prj PLAN.csv [--send] [--jobs N]");
    o->project = operands[0];
    o->plan = operands[1];
    return QString();
}

struct Listing {
    bool known = false; // false: the uploader could not list, presence is not known
    QString why;
    QList<ListedBridge> bridges;
};

Listing listBridges() {
    Listing listing;
    QProcess uploader;
    uploader.start(uploaderProgram(), {QStringLiteral("--list")});
    if (!uploader.waitForFinished(kListBoundMs)) {
        listing.why = uploader.error() == QProcess::FailedToStart ? uploader.errorString()
                                                                  : QStringLiteral("it did not answer in time");
        uploader.kill();
        uploader.waitForFinished();
        return listing;
    }
    listing.known = uploader.exitStatus() == QProcess::NormalExit;
    if (!listing.known)
        listing.why = QStringLiteral("it crashed");
    listing.bridges = parseBridgeList(uploader.readAllStandardOutput());
    return listing;
}

// How a planned box stands on the bench; empty when it is an answering converter.
QString presence(const Listing &listing, const QString &box) {
    if (!listing.known)
        return QString();
    for (const ListedBridge &b : listing.bridges)
        if (b.name == box || b.location == box)
            return b.isConverter() ? QString() : QStringLiteral("attached, but %1").arg(b.state);
    return QStringLiteral("absent");
}

QString imageCrc(const QByteArray &image) {
    QBuffer buffer;
    buffer.setData(image);
    buffer.open(QIODevice::ReadOnly);
    DecodedImage decoded;
    QString error;
    if (!readImage(&buffer, &decoded, &error) || !decoded.hasCrc)
        return QStringLiteral("-");
    return QStringLiteral("0x") + QStringLiteral("%1").arg(decoded.storedCrc, 4, 16, QLatin1Char('0')).toUpper();
}

// The uploader's last INFO or ERROR message, in its own words, on one line;
// the image's temporary path says nothing to the reader and is left out.
QString outcomeLine(const QByteArray &output, const QString &imagePath, int exitCode) {
    const QList<QByteArray> lines = output.split('\n');
    qsizetype from = -1;
    for (qsizetype i = 0; i < lines.size(); ++i)
        if (lines[i].startsWith("INFO:") || lines[i].startsWith("ERROR:"))
            from = i;
    if (from < 0)
        return QStringLiteral("ended with exit code %1, without a word").arg(exitCode);
    QStringList words;
    for (qsizetype i = from; i < lines.size(); ++i) {
        const QString line = QString::fromUtf8(lines[i]).trimmed();
        if (!line.isEmpty() && line != imagePath)
            words << line;
    }
    return words.join(QLatin1Char(' '));
}

struct Row {
    QString box, device, crc, outcome, time;
};

void printTable(QTextStream &out, const QList<Row> &rows, const QString &outcomeTitle, bool timed) {
    QList<Row> all = {{QStringLiteral("BOX"), QStringLiteral("DEVICE"), QStringLiteral("CRC"), outcomeTitle,
                       timed ? QStringLiteral("TIME") : QString()}};
    all += rows;
    int width[4] = {0, 0, 0, 0};
    for (const Row &r : all) {
        const QString cells[4] = {r.box, r.device, r.crc, r.outcome};
        for (int c = 0; c < 4; ++c)
            width[c] = qMax(width[c], int(cells[c].size()));
    }
    for (const Row &r : all) {
        QString line = r.box.leftJustified(width[0] + 2) + r.device.leftJustified(width[1] + 2) +
                       r.crc.leftJustified(width[2] + 2);
        line += timed ? r.outcome.leftJustified(width[3] + 2) + r.time : r.outcome;
        out << line.trimmed() << "\n";
    }
}

// One upload at a time per box, at most `jobs` at once; each outcome in its row.
bool sendAll(const QList<PlannedBox> &boxes, const Listing &listing, int jobs, QList<Row> *rows, QTextStream &err) {
    QTemporaryDir dir;
    if (!dir.isValid()) {
        dataError(err, QStringLiteral("cannot make a folder for the images: %1").arg(dir.errorString()));
        return false;
    }
    const auto imagePathOf = [&dir](int box) { return dir.filePath(QStringLiteral("%1.bin").arg(box + 1)); };
    QList<int> waiting;
    bool allConfirmed = true;
    for (int i = 0; i < boxes.size(); ++i) {
        const QString absent = presence(listing, boxes[i].box);
        if (!absent.isEmpty()) {
            (*rows)[i].outcome = absent + QStringLiteral(": not sent");
            allConfirmed = false;
            continue;
        }
        QFile image(imagePathOf(i));
        if (!image.open(QIODevice::WriteOnly) || image.write(boxes[i].image) != boxes[i].image.size() ||
            !image.flush()) {
            (*rows)[i].outcome =
                QStringLiteral("cannot write its image %1: %2").arg(image.fileName(), image.errorString());
            allConfirmed = false;
            continue;
        }
        waiting << i;
    }
    QEventLoop loop;
    int running = 0;
    const int atOnce = jobs > 0 ? jobs : int(waiting.size());
    std::function<void()> startNext = [&] {
        while (running < atOnce && !waiting.isEmpty()) {
            const int i = waiting.takeFirst();
            const QString imagePath = imagePathOf(i);
            auto *uploader = new QProcess(&loop);
            QElapsedTimer clock; // copied into the handlers: started here
            clock.start();
            auto *bound = new QTimer(uploader);
            bound->setSingleShot(true);
            QObject::connect(bound, &QTimer::timeout, uploader, [uploader, rows, i] {
                (*rows)[i].outcome = QStringLiteral("no end after %1 minutes: stopped").arg(kUploadBoundMs / 60000);
                uploader->kill();
            });
            auto finish = [&, uploader, clock, i](const QString &outcome, bool confirmed) {
                Row &row = (*rows)[i];
                if (row.outcome.isEmpty())
                    row.outcome = outcome;
                row.time = QStringLiteral("%1 s").arg(clock.elapsed() / 1000.0, 0, 'f', 1);
                allConfirmed = allConfirmed && confirmed;
                uploader->deleteLater();
                --running;
                startNext();
                if (running == 0)
                    loop.quit();
            };
            QObject::connect(uploader, &QProcess::finished, uploader,
                             [uploader, finish, imagePath](int code, QProcess::ExitStatus status) {
                                 const bool confirmed = status == QProcess::NormalExit && code == 0;
                                 finish(outcomeLine(uploader->readAll(), imagePath, code), confirmed);
                             });
            QObject::connect(
                uploader, &QProcess::errorOccurred, uploader, [uploader, finish](QProcess::ProcessError e) {
                    if (e == QProcess::FailedToStart)
                        finish(QStringLiteral("cannot start %1: %2").arg(uploaderProgram(), uploader->errorString()),
                               false);
                });
            uploader->setProcessChannelMode(QProcess::MergedChannels);
            ++running;
            bound->start(kUploadBoundMs);
            uploader->start(uploaderProgram(),
                            {QStringLiteral("-s"), QStringLiteral("--serial"), boxes[i].box, imagePath});
        }
    };
    startNext();
    if (running > 0)
        loop.exec();
    return allConfirmed;
}

} // namespace

int runPlan(const QStringList &args, QTextStream &out, QTextStream &err) {
    PlanOptions options;
    if (const QString wrong = parsePlanOptions(args, &options); !wrong.isEmpty())
        return usageError(err, wrong);
    ProjectFileContent content;
    ProjectFileLines lines;
    if (!loadProject(options.project, &content, &lines, err))
        return ExitData;
    QFile planFile(options.plan);
    if (!planFile.open(QIODevice::ReadOnly))
        return dataError(err, QStringLiteral("cannot open %1: %2").arg(options.plan, planFile.errorString()));
    QList<PlanRefusal> refusals;
    const QList<PlannedBox> boxes = readVenuePlan(planFile.readAll(), content, checkProject(content, lines), &refusals);
    if (!refusals.isEmpty()) {
        for (const PlanRefusal &r : refusals)
            out << options.plan << (r.line > 0 ? QStringLiteral(":%1").arg(r.line) : QString())
                << ": error: " << r.message << "\n";
        out.flush();
        return dataError(err, QStringLiteral("the plan is refused; nothing was sent"));
    }

    const Listing listing = listBridges();
    if (!listing.known)
        err << "vorne_tool: cannot tell which boxes are attached (" << uploaderProgram() << " --list: " << listing.why
            << ")\n";
    QList<Row> rows;
    for (const PlannedBox &b : boxes)
        rows.append({b.box, QStringLiteral("%1 / %2").arg(b.manufacturer, b.device), imageCrc(b.image), {}, {}});
    if (!options.send) {
        for (int i = 0; i < boxes.size(); ++i) {
            const QString absent = presence(listing, boxes[i].box);
            rows[i].outcome =
                listing.known ? (absent.isEmpty() ? QStringLiteral("attached") : absent) : QStringLiteral("not known");
        }
        printTable(out, rows, QStringLiteral("ON THE BENCH"), false);
        return ExitOk;
    }
    err.flush();
    const bool confirmed = sendAll(boxes, listing, options.jobs, &rows, err);
    printTable(out, rows, QStringLiteral("OUTCOME"), true);
    out.flush();
    if (!confirmed)
        return dataError(err, QStringLiteral("not every planned box confirmed its image"));
    return ExitOk;
}
