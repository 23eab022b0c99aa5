// The ASCII/HEX exclusivity rule on stand-alone line edits, wired as the
// window wires it: both fields' textChanged run the rule.
#include "asciihexpair.h"

#include <QLineEdit>
#include <QtTest>

namespace {

const QString kWhite = QStringLiteral("background-color: white");
const QString kGray = QStringLiteral("background-color: lightgray");

struct Pair {
    explicit Pair(bool clearDisabled, const QString &asciiText = {}, const QString &hexText = {}) {
        ascii.setText(asciiText);
        hex.setText(hexText);
        auto rule = [this, clearDisabled] {
            ++runs;
            applyAsciiHexRule(&ascii, &hex, clearDisabled);
        };
        QObject::connect(&ascii, &QLineEdit::textChanged, rule);
        QObject::connect(&hex, &QLineEdit::textChanged, rule);
        applyAsciiHexRule(&ascii, &hex, clearDisabled); // a popup applies it when it opens
    }
    QLineEdit ascii;
    QLineEdit hex;
    int runs = 0;
};

} // namespace

class TestAsciiHex : public QObject {
    Q_OBJECT
private slots:
    void states_data() {
        QTest::addColumn<bool>("clear");
        QTest::addColumn<QString>("asciiIn");
        QTest::addColumn<QString>("hexIn");
        QTest::addColumn<bool>("asciiEnabled");
        QTest::addColumn<bool>("hexEnabled");
        QTest::addColumn<QString>("asciiOut");
        QTest::addColumn<QString>("hexOut");
        for (bool clear : {false, true}) {
            const char *kind = clear ? "settings" : "row popup";
            QTest::addRow("%s both empty", kind) << clear << ""
                                                 << "" << true << true << ""
                                                 << "";
            QTest::addRow("%s ASCII only", kind) << clear << "OK"
                                                 << "" << true << false << "OK"
                                                 << "";
            QTest::addRow("%s HEX only", kind) << clear << ""
                                               << "0D" << false << true << ""
                                               << "0D";
        }
        // The HEX field wins; only the settings rule empties the loser.
        QTest::newRow("row popup both") << false << "PWR"
                                        << "50" << false << true << "PWR"
                                        << "50";
        QTest::newRow("settings both") << true << "OK"
                                       << "0D0A" << false << true << ""
                                       << "0D0A";
    }
    void states() {
        QFETCH(bool, clear);
        QFETCH(QString, asciiIn);
        QFETCH(QString, hexIn);
        QFETCH(bool, asciiEnabled);
        QFETCH(bool, hexEnabled);
        QFETCH(QString, asciiOut);
        QFETCH(QString, hexOut);
        Pair p(clear, asciiIn, hexIn);
        QCOMPARE(p.ascii.isEnabled(), asciiEnabled);
        QCOMPARE(p.hex.isEnabled(), hexEnabled);
        QCOMPARE(p.ascii.styleSheet(), asciiEnabled ? kWhite : kGray);
        QCOMPARE(p.hex.styleSheet(), hexEnabled ? kWhite : kGray);
        QCOMPARE(p.ascii.text(), asciiOut);
        QCOMPARE(p.hex.text(), hexOut);
    }

    void typingHexReplyEmptiesAsciiAndDeletingFreesBoth() {
        Pair p(true);
        QTest::keyClicks(&p.hex, "0");
        QVERIFY(!p.ascii.isEnabled());
        QCOMPARE(p.ascii.styleSheet(), kGray);
        QCOMPARE(p.hex.text(), QStringLiteral("0"));

        QTest::keyClick(&p.hex, Qt::Key_Backspace);
        QVERIFY(p.ascii.isEnabled() && p.hex.isEnabled());
        QCOMPARE(p.ascii.styleSheet(), kWhite);
        QCOMPARE(p.hex.styleSheet(), kWhite);
    }

    void hexFilledInEmptiesAsciiReply() {
        Pair p(true, "OK");
        p.runs = 0;
        p.hex.setText("0D"); // as a popup fills its fields
        QCOMPARE(p.ascii.text(), QString());
        QVERIFY(!p.ascii.isEnabled());
        QCOMPARE(p.runs, 2); // the re-entry from emptying ends at once
    }

    void disabledHexFieldTakesNoTyping() {
        Pair p(false);
        QTest::keyClicks(&p.ascii, "PWR");
        QVERIFY(!p.hex.isEnabled());
        QTest::ignoreMessage(QtWarningMsg, "Keyboard event not accepted by receiving widget");
        QTest::ignoreMessage(QtWarningMsg, "Keyboard event not accepted by receiving widget");
        QTest::keyClicks(&p.hex, "50");
        QCOMPARE(p.hex.text(), QString());
        QCOMPARE(p.ascii.text(), QStringLiteral("PWR"));
    }
};

QTEST_MAIN(TestAsciiHex)
#include "tst_asciihex.moc"
