// The rules of what the project file keeps, proven against the real writer
// and reader: every text a rule accepts comes back unchanged, and every text
// it refuses for a reason of the format really would come back changed. The
// library's rules are exact: they name a text exactly when it is lost.
#include "connkeys.h"
#include "filerules.h"
#include "projectfile.h"

#include <QBuffer>
#include <QtTest>

namespace {
enum class Slot { Manufacturer, Device, Description, Time, Channel, Low, Command, Function, Setting };

// A one-device library with `text` put in the slot under test.
MyLibrary libraryWith(Slot slot, const QString &text, int field = MyConnParam::Speed) {
    MyDevice d;
    d.deviceType = QStringLiteral("D");
    d.deviceTime = QStringLiteral("06.12.2026 | 10:15:00");
    MyChanel r;
    r.dmx_chanel = QStringLiteral("7");
    r.dmx_valueFrom = QStringLiteral("0");
    r.dmx_valueTo = QStringLiteral("9");
    r.rs_c = QStringLiteral("ASCII:ON");
    r.function = QStringLiteral("f");
    MyChanel later = r;                       // a second row shows a section cut short
    later.dmx_chanel = QStringLiteral("600"); // sorts after every channel under test
    MyPreset p{QStringLiteral("M"), {}};
    switch (slot) {
    case Slot::Manufacturer:
        p.deviceParent = text;
        break;
    case Slot::Device:
        d.deviceType = text;
        break;
    case Slot::Description:
        d.deviceDesc = text;
        break;
    case Slot::Time:
        d.deviceTime = text;
        break;
    case Slot::Channel:
        r.dmx_chanel = text;
        break;
    case Slot::Low:
        r.dmx_valueFrom = text;
        break;
    case Slot::Command:
        r.rs_c = text;
        break;
    case Slot::Function:
        r.function = text;
        break;
    case Slot::Setting:
        d.connParam[field] = text;
        break;
    }
    d.listChanel = {r, later};
    p.listMyDevices = {d};
    return {p};
}

QString problemOf(Slot slot, const QString &text, int field) {
    switch (slot) {
    case Slot::Manufacturer:
        return projectTextProblem(ProjectText::ManufacturerName, text);
    case Slot::Device:
        return projectTextProblem(ProjectText::DeviceName, text);
    case Slot::Description:
        return projectTextProblem(ProjectText::DeviceDescription, text);
    case Slot::Time:
        return projectTextProblem(ProjectText::DeviceTime, text);
    case Slot::Channel:
        return projectTextProblem(ProjectText::RowChannel, text);
    case Slot::Low:
        return projectTextProblem(ProjectText::RowValue, text);
    case Slot::Command:
        return projectTextProblem(ProjectText::RowCommand, text);
    case Slot::Function:
        return projectTextProblem(ProjectText::RowFunction, text);
    case Slot::Setting:
        return connTextProblem(field, text);
    }
    return {};
}

MyLibrary roundTrip(const MyLibrary &library) {
    QByteArray bytes = projectFileBytes(library, QStringLiteral("P"), libraryTree(library));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    MyLibrary back;
    QString error;
    if (!readProjectFile(&buffer, &back, &error))
        qFatal("read failed: %s", qPrintable(error));
    return back;
}

bool sameLibrary(const MyLibrary &a, const MyLibrary &b) {
    if (a.size() != b.size())
        return false;
    for (int i = 0; i < a.size(); ++i) {
        if (a[i].deviceParent != b[i].deviceParent || a[i].listMyDevices.size() != b[i].listMyDevices.size())
            return false;
        for (int j = 0; j < a[i].listMyDevices.size(); ++j) {
            const MyDevice &x = a[i].listMyDevices[j];
            const MyDevice &y = b[i].listMyDevices[j];
            for (int f = 0; f < MyConnParam::FieldCount; ++f)
                if (x.connParam[f] != y.connParam[f])
                    return false;
            if (x.deviceType != y.deviceType || x.deviceDesc != y.deviceDesc || x.deviceTime != y.deviceTime ||
                x.listChanel != y.listChanel)
                return false;
        }
    }
    return true;
}
} // namespace

Q_DECLARE_METATYPE(Slot)

class TestFileRules : public QObject {
    Q_OBJECT
private slots:
    void acceptedTextsComeBack_data();
    void acceptedTextsComeBack();
    void refusedTextsWouldBeLost_data();
    void refusedTextsWouldBeLost();
    void messagesNameTheCause();
    void libraryProblemsInOrder();
    void duplicateNamesAndTheUsbEntry();
    void usbEntryGivenByPlace();
    void rowsThatChangePlacesOnLoading();
};

void TestFileRules::acceptedTextsComeBack_data() {
    QTest::addColumn<Slot>("slot");
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("text");
    const int none = MyConnParam::Speed;
    QTest::newRow("manufacturer with inner blanks and marks") << Slot::Manufacturer << none << "Acme & Co. #1 !$%@";
    QTest::newRow("manufacturer beginning with #") << Slot::Manufacturer << none << "#Acme";
    QTest::newRow("manufacturer in Latin-1")
        << Slot::Manufacturer << none << QStringLiteral("Sch\u00fcler \u00e9clairage");
    QTest::newRow("device with marks") << Slot::Device << none << "!Beam $2 %3 @4";
    QTest::newRow("empty description") << Slot::Description << none << "";
    QTest::newRow("description with commas") << Slot::Description << none << "Hall A, left, 2nd";
    QTest::newRow("empty date") << Slot::Time << none << "";
    QTest::newRow("three-digit channel") << Slot::Channel << none << "512";
    QTest::newRow("channel that is no number") << Slot::Channel << none << "x!";
    QTest::newRow("low value beginning with !") << Slot::Low << none << "!5";
    QTest::newRow("command with outer blanks") << Slot::Command << none << " ASCII: PWR ON ";
    QTest::newRow("command beginning with !") << Slot::Command << none << "!ASCII:x";
    QTest::newRow("empty function") << Slot::Function << none << "";
    QTest::newRow("function with blanks and comma") << Slot::Function << none << "  on, off ";
    QTest::newRow("handshake with inner blank") << Slot::Setting << int(MyConnParam::Handshake) << "XON / XOFF";
    QTest::newRow("reply with =") << Slot::Setting << int(MyConnParam::Normal_Replay) << "A=B";
    QTest::newRow("hex prefix") << Slot::Setting << int(MyConnParam::CMD_Prefix_HEX) << "0D0A";
}

void TestFileRules::acceptedTextsComeBack() {
    QFETCH(Slot, slot);
    QFETCH(int, field);
    QFETCH(QString, text);
    QCOMPARE(problemOf(slot, text, field), QString());
    const MyLibrary library = libraryWith(slot, text, field);
    QVERIFY(sameLibrary(roundTrip(library), library));
    QVERIFY(libraryKeepProblems(library).isEmpty());
}

void TestFileRules::refusedTextsWouldBeLost_data() {
    QTest::addColumn<Slot>("slot");
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("problem");
    QTest::addColumn<bool>("lost"); // false: refused to be safe, though this library happens to survive
    const int none = MyConnParam::Speed;
    QTest::newRow("manufacturer !") << Slot::Manufacturer << none << "!Promo"
                                    << "it begins with \"!\"" << true;
    QTest::newRow("manufacturer @") << Slot::Manufacturer << none << "@"
                                    << "it begins with \"@\"" << true;
    QTest::newRow("manufacturer $") << Slot::Manufacturer << none << "$D"
                                    << "it begins with \"$\"" << false;
    QTest::newRow("manufacturer %") << Slot::Manufacturer << none << "%D"
                                    << "it begins with \"%\"" << true;
    QTest::newRow("manufacturer leading blank") << Slot::Manufacturer << none << " M"
                                                << "it begins or ends with a blank" << true;
    QTest::newRow("manufacturer trailing NBSP")
        << Slot::Manufacturer << none << QStringLiteral("M\u00a0") << "it begins or ends with a blank" << true;
    QTest::newRow("manufacturer only blanks") << Slot::Manufacturer << none << "  "
                                              << "it is empty" << true;
    QTest::newRow("manufacturer vertical tab") << Slot::Manufacturer << none << "\x0b@"
                                               << "it contains the control character 0x0B" << true;
    QTest::newRow("manufacturer outside Latin-1")
        << Slot::Manufacturer << none << QStringLiteral("M\u20ac")
        << "it contains \"\u20ac\", which the file would store as \"?\"" << true;
    QTest::newRow("device empty") << Slot::Device << none << ""
                                  << "it is empty" << false;
    QTest::newRow("device trailing blank") << Slot::Device << none << "D "
                                           << "it begins or ends with a blank" << true;
    QTest::newRow("device desc:") << Slot::Device << none << "Beam desc:2"
                                  << "it contains \"desc:\"" << true;
    QTest::newRow("device time:") << Slot::Device << none << "Beam time:2"
                                  << "it contains \"time:\"" << true;
    QTest::newRow("device TAB") << Slot::Device << none << "A\t\tdesc:B"
                                << "it contains a TAB" << true;
    QTest::newRow("description time:") << Slot::Description << none << "at time:9"
                                       << "it contains \"time:\"" << true;
    QTest::newRow("description outer blank") << Slot::Description << none << "Hall "
                                             << "it begins or ends with a blank" << true;
    QTest::newRow("date desc:") << Slot::Time << none << "1 desc:2"
                                << "it contains \"desc:\"" << true;
    QTest::newRow("channel !") << Slot::Channel << none << "!"
                               << "it begins with \"!\"" << true;
    QTest::newRow("channel #") << Slot::Channel << none << "#1"
                               << "it begins with \"#\"" << true;
    QTest::newRow("channel blank") << Slot::Channel << none << "1 2"
                                   << "it contains a blank" << true;
    QTest::newRow("low value form feed") << Slot::Low << none
                                         << "\x0c"
                                            "5"
                                         << "it contains the control character 0x0C" << true;
    QTest::newRow("command LF") << Slot::Command << none << "ASCII:A\nB"
                                << "it contains a line break" << true;
    QTest::newRow("function TAB") << Slot::Function << none << "a,\tb"
                                  << "it contains a TAB" << true;
    QTest::newRow("function CR") << Slot::Function << none << "5\r"
                                 << "it contains a line break" << true;
    QTest::newRow("manufacturer TAB inside") << Slot::Manufacturer << none << "A\tB"
                                             << "it contains a TAB" << false;
    QTest::newRow("function control character") << Slot::Function << none << "O\x01n"
                                                << "it contains the control character 0x01" << false;
    QTest::newRow("function CR inside") << Slot::Function << none << "a\rb"
                                        << "it contains a line break" << false;
    QTest::newRow("speed blank") << Slot::Setting << int(MyConnParam::Speed) << "96 00"
                                 << "it contains a blank, which the file drops" << true;
    QTest::newRow("reply blank") << Slot::Setting << int(MyConnParam::Normal_Replay) << "O K"
                                 << "it contains a blank, which the file drops (the HEX field keeps blanks as 20)"
                                 << true;
    QTest::newRow("handshake outer blank") << Slot::Setting << int(MyConnParam::Handshake) << "HW "
                                           << "it begins or ends with a blank" << true;
}

// Each refused text, saved anyway, comes back as something else: the rule
// guards against a real loss, not a matter of taste.
void TestFileRules::refusedTextsWouldBeLost() {
    QFETCH(Slot, slot);
    QFETCH(int, field);
    QFETCH(QString, text);
    QFETCH(QString, problem);
    QFETCH(bool, lost);
    QCOMPARE(problemOf(slot, text, field), problem);
    const MyLibrary library = libraryWith(slot, text, field);
    QCOMPARE(!sameLibrary(roundTrip(library), library), lost);
    QCOMPARE(!libraryKeepProblems(library).isEmpty(), lost);
}

void TestFileRules::messagesNameTheCause() {
    QCOMPARE(keepMessage(QStringLiteral("Manufacturer"), QStringLiteral("it begins with \"$\"")),
             QStringLiteral("Manufacturer cannot be kept in the project file: it begins with \"$\"."));
    // Command and function keep every printable Latin-1 character.
    QString all;
    for (int c = 0x20; c <= 0xFF; ++c)
        if (c < 0x7F || c > 0x9F)
            all.append(QChar(c));
    QCOMPARE(projectTextProblem(ProjectText::RowCommand, all), QString());
    QCOMPARE(projectTextProblem(ProjectText::RowFunction, all), QString());
    // Control characters from the C1 range would be written as bytes the
    // editor cannot show; refuse them like C0.
    QCOMPARE(projectTextProblem(ProjectText::RowFunction, QStringLiteral("a\u0085")),
             QStringLiteral("it contains the control character 0x85"));
}

void TestFileRules::libraryProblemsInOrder() {
    MyLibrary library = libraryWith(Slot::Manufacturer, QStringLiteral("%Acme"));
    MyDevice &d = library[0].listMyDevices[0];
    d.deviceType = QStringLiteral("Acme");
    d.deviceDesc = QStringLiteral("a time:b");
    d.connParam[MyConnParam::Error_Replay] = QStringLiteral("E R");
    d.listChanel[1].function = QStringLiteral("x,\ty");
    const QList<KeepProblem> problems = libraryKeepProblems(library);
    QCOMPARE(problems.size(), 4);
    QCOMPARE(problems[0].what, QStringLiteral("Manufacturer \"%Acme\""));
    QCOMPARE(problems[0].problem, QStringLiteral("it begins with \"%\", so its line opens a section of device "
                                                 "\"Acme\" in the tree part, and that device would lose its own "
                                                 "settings and rows"));
    QCOMPARE(problems[0].device, -1);
    QCOMPARE(problems[1].what, QStringLiteral("Device \"Acme\" (%Acme)"));
    QCOMPARE(problems[1].problem, QStringLiteral("its description: it contains \"time:\""));
    QCOMPARE(problems[2].problem,
             QStringLiteral("its setting Error_Replay: it contains a blank, which the file drops (the HEX field "
                            "keeps blanks as 20)"));
    QCOMPARE(problems[3].what, QStringLiteral("Row 2 of device \"Acme\" (%Acme)"));
    QCOMPARE(problems[3].problem,
             QStringLiteral("its function name: it contains a comma followed by a TAB, which splits the row line"));
    QCOMPARE(problems[3].row, 1);
    QVERIFY(libraryKeepProblems(libraryWith(Slot::Manufacturer, QStringLiteral("M"))).isEmpty());
}

// The second device of a name is given the first one's sections on reading,
// which loses something only where its own settings or rows differ.
// The USB entry is never read back and its sections are written last, so it
// neither breaks a rule nor takes a name from the library.
void TestFileRules::duplicateNamesAndTheUsbEntry() {
    MyLibrary library = libraryWith(Slot::Manufacturer, QStringLiteral("M"));
    MyPreset usb{QStringLiteral("USB:Bad$Name"), {library[0].listMyDevices[0]}};
    usb.listMyDevices[0].deviceType = QStringLiteral("Twin");
    usb.listMyDevices[0].listChanel[0].function = QStringLiteral("\n");
    MyPreset other{QStringLiteral("N"), {library[0].listMyDevices[0]}};
    other.listMyDevices[0].deviceType = QStringLiteral("Twin");
    MyPreset third{QStringLiteral("O"), {library[0].listMyDevices[0]}};
    MyPreset same{QStringLiteral("P"), {library[0].listMyDevices[0]}}; // given what it has: nothing lost
    third.listMyDevices[0].listChanel.removeLast();
    library = {usb, library[0], other, third, same};
    const QList<KeepProblem> problems = libraryKeepProblems(library);
    QCOMPARE(problems.size(), 1);
    QCOMPARE(problems[0].preset, 3);
    QCOMPARE(problems[0].what, QStringLiteral("Device \"D\" (O)"));
    QCOMPARE(problems[0].problem,
             QStringLiteral("its name is taken by a device of \"M\" before it, whose settings and rows it would be "
                            "given"));
}

// A project file may name a manufacturer "USB:..." by hand: it is an ordinary
// one there, written and read back, so its entries are checked. Only the
// entry the window made from an image is left out.
void TestFileRules::usbEntryGivenByPlace() {
    MyLibrary library = libraryWith(Slot::Function, QStringLiteral("5\r"));
    library[0].deviceParent = QStringLiteral("USB:Acme");
    QCOMPARE(libraryKeepProblems(library, -1).size(), 1);
    QCOMPARE(libraryKeepProblems(library, -1)[0].row, 0);
    QVERIFY(libraryKeepProblems(library, 0).isEmpty());

    // A later device of the same name: the project's own manufacturer claims
    // the name, the image's entry does not.
    MyPreset later{QStringLiteral("N"), {library[0].listMyDevices[0]}};
    later.listMyDevices[0].listChanel.clear();
    library.append(later);
    QVERIFY(libraryKeepProblems(library, 0).isEmpty());
    const QList<KeepProblem> problems = libraryKeepProblems(library, -1);
    QCOMPARE(problems.size(), 2);
    QCOMPARE(problems[1].preset, 1);
    QVERIFY(problems[1].problem.contains(QStringLiteral("taken")));
}

// Reading sorts the rows; nested ranges are sorted into another order each time.
void TestFileRules::rowsThatChangePlacesOnLoading() {
    MyLibrary library = libraryWith(Slot::Manufacturer, QStringLiteral("M"));
    QList<MyChanel> &rows = library[0].listMyDevices[0].listChanel;
    MyChanel outer = rows[0];
    outer.dmx_chanel = QStringLiteral("1");
    outer.dmx_valueFrom = QStringLiteral("0");
    outer.dmx_valueTo = QStringLiteral("200");
    MyChanel inner = outer;
    inner.dmx_valueFrom = QStringLiteral("10");
    inner.dmx_valueTo = QStringLiteral("100");
    MyChanel apart = outer;
    apart.dmx_chanel = QStringLiteral("2");
    rows = {inner, outer, apart}; // as the reader sorts outer, inner
    const QList<KeepProblem> problems = libraryKeepProblems(library, -1);
    QCOMPARE(problems.size(), 2);
    QCOMPARE(problems[0].row, 0);
    QCOMPARE(problems[1].row, 1);
    QCOMPARE(problems[0].problem,
             QStringLiteral("it would come back in another place: its range and another of DMX channel 1 nest, and "
                            "such rows change places on every load"));
    QCOMPARE(roundTrip(library)[0].listMyDevices[0].listChanel, (QList<MyChanel>{outer, inner, apart}));

    inner.dmx_valueFrom = QStringLiteral("201");
    inner.dmx_valueTo = QStringLiteral("255");
    rows = {outer, inner, apart};
    QVERIFY(libraryKeepProblems(library, -1).isEmpty());
}

QTEST_GUILESS_MAIN(TestFileRules)
#include "tst_filerules.moc"
