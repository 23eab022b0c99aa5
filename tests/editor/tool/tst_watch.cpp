// vorne_tool watch against a real olad (every plugin disabled, run as an
// unprivileged user, inside the network namespace CTest gives this test),
// fed by OLA's own ola_set_dmx; the equipment is a pseudo-terminal.
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <pwd.h>
#include <sys/socket.h>
#include <netinet/in.h>
#include <unistd.h>

namespace {

const char *const kPlugins[] = {"artnet", "dummy",  "e131",     "espnet",     "ftdidmx", "gpio",   "karate",
                                "kinet",  "milinst", "opendmx", "openpixelcontrol", "osc", "pathport", "renard",
                                "sandnet", "shownet", "spi",    "stageprofi", "uartdmx", "usbdmx", "usbserial"};

bool olaPortOpen() {
    const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(9010);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool open = ::connect(s, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0;
    ::close(s);
    return open;
}

// olad with nothing but its RPC port on 127.0.0.1.
class Olad {
public:
    Olad() {
        for (const char *p : kPlugins) {
            QFile f(dir.filePath(QStringLiteral("ola-%1.conf").arg(QLatin1String(p))));
            if (!f.open(QIODevice::WriteOnly) || f.write("enabled = false\n") < 0)
                qFatal("cannot write the olad configuration");
        }
        const passwd *nobody = getpwnam("nobody");
        const group *nogroup = getgrnam("nogroup");
        if (!nobody || !nogroup || ::chown(qPrintable(dir.path()), nobody->pw_uid, nogroup->gr_gid) != 0)
            qFatal("cannot give the olad configuration to nobody (the test runs as root)");
        for (const QString &f : QDir(dir.path()).entryList(QDir::Files))
            if (::chown(qPrintable(dir.filePath(f)), nobody->pw_uid, nogroup->gr_gid) != 0)
                qFatal("cannot give %s to nobody", qPrintable(f));
    }
    ~Olad() { stop(); }
    bool start() {
        process.start(QStringLiteral("setpriv"), {"--reuid=nobody", "--regid=nogroup", "--clear-groups", "olad", "-c",
                                                  dir.path(), "--no-http", "--no-register-with-dns-sd", "-l", "0"});
        QElapsedTimer t;
        t.start();
        while (!olaPortOpen() && t.elapsed() < 10000 && process.state() != QProcess::NotRunning)
            QTest::qWait(50);
        return olaPortOpen();
    }
    void stop() {
        if (process.state() == QProcess::NotRunning)
            return;
        process.terminate();
        process.waitForFinished(5000);
    }

private:
    QTemporaryDir dir;
    QProcess process;
};

bool setDmx(const char *values) {
    return QProcess::execute(QStringLiteral("ola_set_dmx"), {"-u", "1", "-d", QLatin1String(values)}) == 0;
}

// Reads the tool's output until `text` shows `times` times, for at most 10 s.
bool waitFor(QProcess &tool, QString *seen, const QString &text, int times = 1) {
    QElapsedTimer t;
    t.start();
    while (seen->count(text) < times && t.elapsed() < 10000) {
        tool.waitForReadyRead(100);
        *seen += QString::fromUtf8(tool.readAllStandardOutput() + tool.readAllStandardError());
    }
    return seen->count(text) >= times;
}

QByteArray readPty(int master, int count) {
    QByteArray got;
    QElapsedTimer t;
    t.start();
    while (got.size() < count && t.elapsed() < 10000) {
        pollfd p{master, POLLIN, 0};
        char buf[64];
        if (::poll(&p, 1, 50) > 0 && (p.revents & POLLIN))
            if (const ssize_t n = ::read(master, buf, sizeof buf); n > 0)
                got.append(buf, int(n));
    }
    return got;
}

const QByteArray kProject = "@T\nAcme\n\tDev\t\tdesc:Hall\t\ttime:01.02.2024 | 10:00:00\n!\n\n$Dev\n"
                            "Speed=9600\nData_Bits=8\nStop_Bits=1\nParity=None\nHandshake=None\nDelay_Time=10\n"
                            "Normal_Replay=OK\nError_Replay=\nReplay_Wait_Time=500\nRetry_Count=0\n"
                            "Normal_Replay_HEX=\nError_Replay_HEX=\nCMD_Prefix=\nCMD_Prefix_HEX=02\n!\n\n###\n%Dev\n"
                            "1,\t0,\t127,\tASCII:OFF,\tOff\n1,\t128,\t255,\tASCII:ON,\tOn\n!\n";

} // namespace

class TestWatch : public QObject {
    Q_OBJECT
    QTemporaryDir work;
    QString project;

private slots:
    void initTestCase() {
        project = work.filePath(QStringLiteral("p.prj"));
        QFile f(project);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(kProject) > 0);
        QVERIFY2(!olaPortOpen(), "an olad is already listening in this network namespace");
    }

    // olad -> watch --port -> the equipment: the first frame only sets the
    // values, each move into a row's range sends that row, SIGTERM ends it.
    void firesAndSendsAsTheConsoleMoves() {
        Olad olad;
        QVERIFY2(olad.start(), "olad did not start");
        const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        QVERIFY(master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0);
        const QString port = QString::fromLocal8Bit(ptsname(master));
        const int slave = ::open(ptsname(master), O_RDWR | O_NOCTTY | O_CLOEXEC);

        QProcess tool;
        QString seen;
        tool.start(QStringLiteral(VORNE_TOOL), {"watch", project, "Acme", "Dev", "--port", port});
        QVERIFY2(waitFor(tool, &seen, QStringLiteral("listening to universe 1")), qPrintable(seen));
        QVERIFY(setDmx("200")); // the first frame: nothing fires
        QVERIFY(setDmx("10"));
        QCOMPARE(readPty(master, 4), QByteArray("\x02OFF"));
        QVERIFY(::write(master, "OK", 2) == 2);
        QVERIFY(setDmx("130"));
        QCOMPARE(readPty(master, 3), QByteArray("\x02ON"));
        QVERIFY(::write(master, "OK", 2) == 2);
        QVERIFY2(waitFor(tool, &seen, QStringLiteral("DMX 1=130: row 2 (%1 line 26) \"On\": HEX 024F4E").arg(project)),
                 qPrintable(seen));
        QVERIFY2(waitFor(tool, &seen, QStringLiteral("done at try 1"), 2), qPrintable(seen));
        QVERIFY(seen.contains(QStringLiteral("DMX 1=10: row 1 (%1 line 25) \"Off\": HEX 024F4646").arg(project)));
        QVERIFY(!seen.contains(QStringLiteral("DMX 1=200")));
        tool.terminate();
        QVERIFY(tool.waitForFinished(2000));
        QCOMPARE(tool.exitCode(), 0);
        ::close(slave);
        ::close(master);
    }

    // olad stopped and started again: told once, tried every second, and
    // the first frame after it only sets the values again.
    void olaStoppedAndStartedAgain() {
        Olad olad;
        QVERIFY2(olad.start(), "olad did not start");
        QProcess tool;
        QString seen;
        tool.start(QStringLiteral(VORNE_TOOL), {"watch", project, "Acme", "Dev"});
        QVERIFY2(waitFor(tool, &seen, QStringLiteral("listening to universe 1")), qPrintable(seen));
        olad.stop();
        QVERIFY2(waitFor(tool, &seen, QStringLiteral("went away; trying again every second")), qPrintable(seen));
        QTest::qWait(1500);
        QVERIFY2(olad.start(), "olad did not start again");
        QVERIFY2(waitFor(tool, &seen, QStringLiteral("listening to universe 1"), 2), qPrintable(seen));
        QVERIFY(setDmx("200"));
        QVERIFY(setDmx("10"));
        QVERIFY2(waitFor(tool, &seen, QStringLiteral("DMX 1=10: row 1")), qPrintable(seen));
        QVERIFY(!seen.contains(QStringLiteral("DMX 1=200")));
        QCOMPARE(seen.count(QStringLiteral("does not answer")), 1); // once, not every second
        tool.terminate();
        QVERIFY(tool.waitForFinished(2000));
        QCOMPARE(tool.exitCode(), 0);
    }
};

QTEST_GUILESS_MAIN(TestWatch)
#include "tst_watch.moc"
