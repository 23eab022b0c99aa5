// The exchange's rules and the port settings, driven through their seams.
#include "exchange.h"
#include "imagereader.h"
#include "imagesamples.h"
#include "portsettings.h"

#include <QtTest>

#include <functional>

namespace {

// Records what the exchange asks of the port and the clock.
class ScriptedLink : public ExchangeLink {
public:
    QStringList calls;
    Exchange *takesAtOnce = nullptr; // a port that reports the bytes taken from within write()
    void write(const QByteArray &bytes) override {
        calls << QStringLiteral("write:") + QString::fromLatin1(bytes);
        if (takesAtOnce)
            takesAtOnce->written();
    }
    void wakeAfter(int ms) override { calls << QStringLiteral("wake%1").arg(ms); }
    void cancelWake() override {}
};

class ScriptedPort : public PortSetup {
public:
    QString refuse;
    QStringList calls;
    bool step(const QString &what) {
        calls << what;
        return !what.startsWith(refuse + QLatin1Char(' ')) || refuse.isEmpty();
    }
    bool setBaudRate(qint32 speed) override { return step(QStringLiteral("speed %1").arg(speed)); }
    bool setDataBits(QSerialPort::DataBits b) override { return step(QStringLiteral("data %1").arg(int(b))); }
    bool setStopBits(QSerialPort::StopBits b) override { return step(QStringLiteral("stop %1").arg(int(b))); }
    bool setParity(QSerialPort::Parity p) override { return step(QStringLiteral("parity %1").arg(int(p))); }
    bool setFlowControl(QSerialPort::FlowControl f) override { return step(QStringLiteral("flow %1").arg(int(f))); }
};

DecodedImage workedExample() {
    DecodedImage img;
    QString error;
    if (!decodeImage(fixture("worked_example.bin"), &img, &error))
        qFatal("worked example: %s", qPrintable(error));
    return img;
}

const char *outcomeName(TryOutcome o) {
    switch (o) {
    case TryOutcome::NormalReply:
        return "normal";
    case TryOutcome::ErrorReply:
        return "error";
    case TryOutcome::NoReply:
        return "noreply";
    case TryOutcome::Sent:
        return "sent";
    case TryOutcome::PortFailed:
        return "portfailed";
    }
    return "?";
}

const char *endName(ExchangeEnd e) {
    const char *names[] = {"confirmed", "refused", "unanswered", "portfailed", "stopped"};
    return names[int(e)];
}

} // namespace

class TestExchange : public QObject {
    Q_OBJECT
private slots:
    // Events: w the port took the bytes (W first: within write()), t the timer ran out, p the port
    // failed, r:TEXT bytes came in. Waits are the line time (7 ms) plus the
    // write grace or the reply wait (500 ms); pauses are the delay (100 ms).
    void rules_data() {
        QTest::addColumn<QByteArray>("normal");
        QTest::addColumn<QByteArray>("error");
        QTest::addColumn<int>("tries");
        QTest::addColumn<QString>("events");
        QTest::addColumn<QString>("trace");
        const QString first = QStringLiteral("wake1007 write:PWR wake507 ");
        const QString again = QStringLiteral("wake100 wake1007 write:PWR wake507 ");
        QTest::newRow("normal reply at the first try")
            << QByteArray("OK") << QByteArray("ERR") << 3 << "w r:OK" << first + "try1:normal(OK) end:confirmed";
        QTest::newRow("error reply, then the normal one")
            << QByteArray("OK") << QByteArray("ERR") << 3 << "w r:ERR t w r:OK"
            << first + "try1:error(ERR) " + again + "try2:normal(OK) end:confirmed";
        QTest::newRow("silence to the last try")
            << QByteArray("OK") << QByteArray("ERR") << 3 << "w t t w t t w t"
            << first + "try1:noreply " + again + "try2:noreply " + again + "try3:noreply end:unanswered";
        QTest::newRow("reply split over two reads")
            << QByteArray("OK") << QByteArray("ERR") << 1 << "w r:O r:K" << first + "try1:normal(OK) end:confirmed";
        QTest::newRow("noise before the reply")
            << QByteArray("OK") << QByteArray("ERR") << 1 << "w r:xE r:OK" << first + "try1:normal(xEOK) end:confirmed";
        QTest::newRow("reply before the port reports the bytes taken")
            << QByteArray("OK") << QByteArray("ERR") << 1 << "r:OK w" << first.left(first.size() - 8) + "try1:normal(OK) end:confirmed";
        QTest::newRow("the port takes the bytes within write()")
            << QByteArray("OK") << QByteArray("ERR") << 1 << "W r:OK" << first + "try1:normal(OK) end:confirmed";
        QTest::newRow("error reply at the last try")
            << QByteArray("OK") << QByteArray("ERR") << 1 << "w r:ERR" << first + "try1:error(ERR) end:refused";
        QTest::newRow("the error reply completes first")
            << QByteArray("OK") << QByteArray("ERR") << 1 << "w r:ERROK" << first + "try1:error(ERROK) end:refused";
        QTest::newRow("no reply expected: the wait, then done")
            << QByteArray() << QByteArray() << 3 << "w t" << first + "try1:sent end:confirmed";
        QTest::newRow("only the error reply expected")
            << QByteArray() << QByteArray("ERR") << 3 << "w r:ERR t w t"
            << first + "try1:error(ERR) " + again + "try2:sent end:confirmed";
        QTest::newRow("bytes between tries go with the next try")
            << QByteArray("OK") << QByteArray("ERR") << 2 << "w t r:late t w r:OK"
            << first + "try1:noreply " + again + "try2:normal(late|OK) end:confirmed";
        QTest::newRow("the port never takes the bytes")
            << QByteArray("OK") << QByteArray("ERR") << 3 << "t" << "wake1007 write:PWR try1:portfailed end:portfailed";
        QTest::newRow("the adapter unplugged during the wait")
            << QByteArray("OK") << QByteArray("ERR") << 3 << "w p" << first + "try1:portfailed end:portfailed";
    }
    void rules() {
        QFETCH(QByteArray, normal);
        QFETCH(QByteArray, error);
        QFETCH(int, tries);
        QFETCH(QString, events);
        QFETCH(QString, trace);
        ExchangeSettings s;
        s.bytes = "PWR";
        s.normalReply = normal;
        s.errorReply = error;
        s.tries = tries;
        s.delayMs = 100;
        s.waitMs = 500;
        s.lineMs = 7;
        ScriptedLink link;
        Exchange exchange(s, &link);
        exchange.onTry = [&](const ExchangeTry &t) {
            QString entry = QStringLiteral("try%1:%2").arg(t.number).arg(QLatin1String(outcomeName(t.outcome)));
            if (!t.between.isEmpty() || !t.received.isEmpty())
                entry += QStringLiteral("(%1%2)").arg(t.between.isEmpty() ? QString() : t.between + "|",
                                                     QString::fromLatin1(t.received));
            link.calls << entry;
        };
        exchange.onEnd = [&](const ExchangeResult &r) { link.calls << QStringLiteral("end:") + endName(r.end); };
        if (events.startsWith(QLatin1Char('W')))
            link.takesAtOnce = &exchange;
        exchange.start();
        for (const QString &e : events.split(QLatin1Char(' '))) {
            if (e == QLatin1String("W"))
                continue;
            if (e == QLatin1String("w"))
                exchange.written();
            else if (e == QLatin1String("t"))
                exchange.woken();
            else if (e == QLatin1String("p"))
                exchange.portFailed(QStringLiteral("gone"));
            else
                exchange.received(e.mid(2).toLatin1());
        }
        QCOMPARE(link.calls.join(QLatin1Char(' ')), trace);
        QVERIFY(exchange.finished());
    }

    // What the image holds becomes the exchange: prefix in HEX before the
    // command, the replies, one try more than the retry count.
    void settingsFromTheImage() {
        DecodedImage img = workedExample();
        ExchangeSettings hex = exchangeSettingsFor(img.conn, img.chanels[1], 7);
        QCOMPARE(hex.bytes, QByteArray::fromHex("02505746300D"));
        QCOMPARE(exchangeSettingsFor(img.conn, img.chanels[0], 7).bytes, QByteArray("\x02PWR ON"));
        QCOMPARE(hex.normalReply, QByteArray("OK"));
        QCOMPARE(hex.errorReply, QByteArray("ERR"));
        QCOMPARE(hex.tries, 3);
        QCOMPARE(hex.delayMs, 100);
        QCOMPARE(hex.waitMs, 500);
        QCOMPARE(hex.lineMs, 7);
        img.conn.Retry_Count = -4;
        img.conn.Delay_Time = -1;
        img.conn.Replay_Wait_Time = -1;
        const ExchangeSettings negative = exchangeSettingsFor(img.conn, img.chanels[1], 7);
        QCOMPARE(negative.tries, 1);
        QCOMPARE(negative.delayMs + negative.waitMs, 0);
    }

    // The record's numbers and texts, read as a port takes them or refused by name.
    void portSettings() {
        auto text = [](char *field, int width, const char *t) {
            memset(field, 0, width);
            memcpy(field, t, qMin(width, int(strlen(t))));
        };
        const struct {
            std::function<void(MyConnParamUSB &)> edit;
            const char *expected;
        } cases[] = {
            {[](MyConnParamUSB &) {}, "9600 baud, 8 data bits, 1 stop bit, parity None, handshake None; 7 ms"},
            {[&](MyConnParamUSB &c) { c.Speed = 300, c.Data_Bits = 7, c.Stop_Bits = 2, text(c.Parity, 5, "Even"); },
             "300 baud, 7 data bits, 2 stop bits, parity Even, handshake None; 220 ms"},
            {[&](MyConnParamUSB &c) { text(c.Parity, 5, "Odd"), text(c.Handshake, 8, "XON/XOFF"); },
             "9600 baud, 8 data bits, 1 stop bit, parity Odd, handshake XON/XOFF; 7 ms"},
            {[&](MyConnParamUSB &c) { text(c.Handshake, 8, "HW"); },
             "9600 baud, 8 data bits, 1 stop bit, parity None, handshake HW; 7 ms"},
            {[](MyConnParamUSB &c) { c.Speed = 0; }, "Speed 0 is no speed a port can run at"},
            {[](MyConnParamUSB &c) { c.Data_Bits = 9; }, "Data bits 9: a serial port takes 5 to 8"},
            {[](MyConnParamUSB &c) { c.Data_Bits = 4; }, "Data bits 4: a serial port takes 5 to 8"},
            {[](MyConnParamUSB &c) { c.Stop_Bits = 3; }, "Stop bits 3: a serial port takes 1 or 2"},
            {[&](MyConnParamUSB &c) { text(c.Parity, 5, "even"); }, "Parity \"even\" is none of None, Odd, Even"},
            {[&](MyConnParamUSB &c) { text(c.Handshake, 8, "RTS"); }, "Handshake \"RTS\" is none of None, XON/XOFF, HW"},
        };
        for (const auto &c : cases) {
            MyConnParamUSB conn = workedExample().conn;
            c.edit(conn);
            PortSettings s;
            QString error;
            const bool ok = portSettingsFor(conn, &s, &error);
            QCOMPARE(ok ? portSettingsText(s) + QStringLiteral("; %1 ms").arg(lineTimeMs(s, 6)) : error,
                     QLatin1String(c.expected));
        }
    }

    // Every setting reaches the port; the first it refuses is named and
    // nothing after it is tried.
    void settingsReachThePort_data() {
        QTest::addColumn<QString>("refuse");
        QTest::addColumn<QString>("calls");
        QTest::addColumn<QString>("error");
        const QString all = QStringLiteral("speed 19200|data 7|stop 2|parity %1|flow %2")
                                .arg(int(QSerialPort::EvenParity))
                                .arg(int(QSerialPort::HardwareControl));
        QTest::newRow("all taken") << "" << all << "";
        QTest::newRow("speed refused") << "speed" << "speed 19200" << "the port cannot run at Speed 19200";
        QTest::newRow("parity refused") << "parity" << all.section(QLatin1Char('|'), 0, 3) << "the port cannot take Parity Even";
        QTest::newRow("handshake refused") << "flow" << all << "the port cannot take Handshake HW";
    }
    void settingsReachThePort() {
        QFETCH(QString, refuse);
        QFETCH(QString, calls);
        QFETCH(QString, error);
        PortSettings s;
        s.speed = 19200;
        s.dataBits = QSerialPort::Data7;
        s.stopBits = QSerialPort::TwoStop;
        s.parity = QSerialPort::EvenParity;
        s.flow = QSerialPort::HardwareControl;
        ScriptedPort port;
        port.refuse = refuse;
        QString why;
        QCOMPARE(applyPortSettings(s, &port, &why), error.isEmpty());
        QCOMPARE(port.calls.join(QLatin1Char('|')), calls);
        QCOMPARE(why, error);
    }
};

QTEST_GUILESS_MAIN(TestExchange)
#include "tst_exchange.moc"
