// vorne_tool send against a pseudo-terminal pair: the test plays the
// equipment on the far side, checks what the tool set and sent, and answers.
#include <QProcess>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

// 19200 baud, 2 stop bits, prefix 02, one retry, 200 ms reply wait.
QByteArray project(const QByteArray &parity) {
    return "@T\nAcme\n\tDev\t\tdesc:Hall\t\ttime:01.02.2024 | 10:00:00\n!\n\n$Dev\n"
           "Speed=19200\nData_Bits=8\nStop_Bits=2\nParity=" +
           parity +
           "\nHandshake=None\nDelay_Time=50\nNormal_Replay=OK\nError_Replay=ERR\n"
           "Replay_Wait_Time=200\nRetry_Count=1\nNormal_Replay_HEX=\nError_Replay_HEX=\nCMD_Prefix=\n"
           "CMD_Prefix_HEX=02\n!\n\n###\n%Dev\n1,\t128,\t255,\tASCII:ON,\tOn\n!\n";
}

struct Pty {
    int master = -1;
    int slave = -1;
    QString slaveName;
    Pty() {
        master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC); // the tool must not hold the far side
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
            qFatal("no pseudo-terminal");
        slaveName = QString::fromLocal8Bit(ptsname(master));
        slave = ::open(ptsname(master), O_RDWR | O_NOCTTY | O_CLOEXEC); // keeps the pair up between the tool's opens
    }
    ~Pty() { unplug(); }
    void unplug() {
        for (int *fd : {&master, &slave})
            if (*fd >= 0) {
                ::close(*fd);
                *fd = -1;
            }
    }
    // What the tool sent, once `count` bytes came or `ms` passed.
    QByteArray read(int count, int ms = 10000) {
        QByteArray got;
        QElapsedTimer t;
        t.start();
        while (got.size() < count && t.elapsed() < ms) {
            pollfd p{master, POLLIN, 0};
            if (::poll(&p, 1, 50) > 0 && (p.revents & POLLIN)) {
                char buf[64];
                const ssize_t n = ::read(master, buf, sizeof buf);
                if (n > 0)
                    got.append(buf, int(n));
            }
        }
        return got;
    }
    void answer(const QByteArray &bytes) {
        if (::write(master, bytes.constData(), bytes.size()) != bytes.size())
            qFatal("write to the pseudo-terminal failed");
    }
};

} // namespace

class TestSend : public QObject {
    Q_OBJECT
private slots:
    void againstTheEquipment_data() {
        QTest::addColumn<QString>("equipment");
        QTest::addColumn<QByteArray>("parity");
        QTest::addColumn<int>("code");
        QTest::addColumn<QStringList>("said");
        QTest::newRow("normal reply in two reads, after noise")
            << "answer" << QByteArray("None") << 0
            << QStringList{"port %1: 19200 baud, 8 data bits, 2 stop bits, parity None, handshake None",
                           "try 1 of 2: sent HEX 024F4E, text \"\\x02ON\"", "received HEX 7E4F4B, text \"~OK\"",
                           "the normal reply", "done at try 1"};
        QTest::newRow("silence to the last try")
            << "silent" << QByteArray("None") << 1
            << QStringList{"try 2 of 2: sent HEX 024F4E", "no normal reply within 200 ms",
                           "failed: no normal reply after the last try"};
        QTest::newRow("the adapter unplugged while waiting")
            << "unplug" << QByteArray("None") << 2 << QStringList{"the port failed", "%1 went away"};
        QTest::newRow("a setting the port cannot take")
            << "none" << QByteArray("Even") << 2 << QStringList{"nothing sent: %1: the port cannot take Parity Even"};
        QTest::newRow("an unknown parity")
            << "none" << QByteArray("Mark") << 2 << QStringList{"nothing sent: Parity \"Mark\" is none of None, Odd, Even"};
        QTest::newRow("port busy") << "busy" << QByteArray("None") << 2
                                   << QStringList{"nothing sent: %1 is busy: another program has it open"};
        QTest::newRow("no such port") << "missing" << QByteArray("None") << 2
                                      << QStringList{"nothing sent: there is no serial port /dev/ttyNONE; "};
    }
    void againstTheEquipment() {
        QFETCH(QString, equipment);
        QFETCH(QByteArray, parity);
        QFETCH(int, code);
        QFETCH(QStringList, said);
        QTemporaryDir dir;
        const QString prj = dir.filePath(QStringLiteral("p.prj"));
        QFile f(prj);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(project(parity)) > 0);
        f.close();
        Pty pty;
        QSerialPort holder(pty.slaveName);
        if (equipment == QLatin1String("busy"))
            QVERIFY(holder.open(QIODevice::ReadWrite));
        const QString port = equipment == QLatin1String("missing") ? QStringLiteral("/dev/ttyNONE") : pty.slaveName;

        QProcess tool;
        tool.start(QStringLiteral(VORNE_TOOL), {"send", prj, "Acme", "Dev", "1", "200", "--port", port});
        QVERIFY(tool.waitForStarted());
        if (equipment == QLatin1String("answer") || equipment == QLatin1String("silent") ||
            equipment == QLatin1String("unplug")) {
            QCOMPARE(pty.read(3), QByteArray("\x02ON"));
            termios line{};
            QCOMPARE(tcgetattr(pty.master, &line), 0);
            QCOMPARE(cfgetospeed(&line), speed_t(B19200));
            QVERIFY(line.c_cflag & CSTOPB);
            QCOMPARE(line.c_cflag & CSIZE, tcflag_t(CS8));
            if (equipment == QLatin1String("answer")) {
                pty.answer("~O");
                QTest::qWait(30);
                pty.answer("K");
            } else if (equipment == QLatin1String("unplug")) {
                pty.unplug();
            } else {
                QCOMPARE(pty.read(3), QByteArray("\x02ON")); // the retry, after the pause
            }
        }
        QVERIFY(tool.waitForFinished(10000));
        const QString all = QString::fromUtf8(tool.readAllStandardOutput() + tool.readAllStandardError());
        QVERIFY2(tool.exitCode() == code, qPrintable(all));
        for (const QString &s : said)
            QVERIFY2(all.contains(s.contains(QLatin1String("%1")) ? s.arg(pty.slaveName) : s), qPrintable(all));
        if (equipment == QLatin1String("none"))
            QCOMPARE(pty.read(1, 200), QByteArray()); // refused before a byte went out
    }
};

QTEST_GUILESS_MAIN(TestSend)
#include "tst_send.moc"
