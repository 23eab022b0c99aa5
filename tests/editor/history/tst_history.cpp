// The edit history over the library alone: random edits of every kind, a
// save among them, then everything undone and redone, compared with the
// states and the project files they must give back.
#include "deviceedit.h"
#include "edithistory.h"
#include "projectfile.h"
#include "projectstate.h"
#include "rangesplit.h"
#include "rowrules.h"
#include "usbedit.h"

#include <QRandomGenerator>
#include <QtTest>

namespace {

// Everything a state holds, marks included, as text; and the file it saves to.
QString dump(const EditorState &s) {
    QString out = QStringLiteral("added=%1 top=%2 child=%3 row=%4\n")
                      .arg(s.addedOrRemoved)
                      .arg(s.treeTop)
                      .arg(s.treeChild)
                      .arg(s.tableRow);
    for (const MyPreset &p : s.library)
        for (const MyDevice &d : p.listMyDevices) {
            out += QStringLiteral("%1/%2 %3%4%5 %6 %7|%8\n")
                       .arg(p.deviceParent, d.deviceType)
                       .arg(d.isChanges)
                       .arg(d.changesInTable)
                       .arg(d.changesInConn)
                       .arg(d.connParam.flags)
                       .arg(d.deviceTypeSaved, d.connParamSaved[MyConnParam::Speed]);
            for (const MyChanel &c : d.listChanel)
                out += c.status + QLatin1Char(' ') + c.dmx_chanel + QLatin1Char(' ') + c.rs_c + QLatin1Char('\n');
        }
    for (const TreeNode &n : s.tree)
        out += n.text + QLatin1Char(' ') + n.changeMarker + QLatin1Char('\n');
    return out;
}

QByteArray file(const EditorState &s) { return projectFileBytes(s.library, "P", libraryTree(s.library)); }

MyConnParam conn(const QString &speed) {
    MyConnParam c;
    c[MyConnParam::Speed] = speed;
    return c;
}

// One random edit of the kinds the window offers, labelled; empty when it had nothing to work on.
QString edit(QRandomGenerator &random, int n, EditorState *s) {
    MyLibrary &lib = s->library;
    const int p = lib.isEmpty() ? -1 : random.bounded(int(lib.size()));
    QList<MyDevice> *devices = p < 0 ? nullptr : &lib[p].listMyDevices;
    const int d = !devices || devices->isEmpty() ? -1 : random.bounded(int(devices->size()));
    MyDevice *device = d < 0 ? nullptr : &(*devices)[d];
    const QString name = QString::number(n);
    const TypedRow row{QString::number(1 + n % 512), "0", "9", "C" + name, "", "f"};
    s->treeTop = p;
    s->treeChild = d;
    s->tableRow = device ? int(device->listChanel.size()) - 1 : -1;
    const bool added = s->addedOrRemoved;
    s->addedOrRemoved = true;
    QList<TypedRow> split;
    QString error;
    switch (random.bounded(11)) {
    case 0:
        lib.append({"M" + name, {}});
        return "Add manufacturer";
    case 1:
        return devices ? devices->append(makeNewDevice({"D" + name, "d", "", conn("9600")})), "Add device" : "";
    case 2:
        return device ? devices->append(makeClonedDevice({"C" + name, "", "", conn("1")}, *device)), "Clone" : "";
    case 3:
        return p >= 0 ? lib.removeAt(p), "Remove manufacturer" : "";
    case 4:
        return device ? devices->removeAt(d), "Remove device" : "";
    case 5:
        return device ? devices->append(makeUsbClone(*device, "U" + name, "", "", conn("4800"))), "Clone USB" : "";
    }
    s->addedOrRemoved = added;
    if (!device)
        return "";
    if (random.bounded(2)) {
        applyDeviceEdit(device, {"E" + name, "edited", "", conn(name)});
        return "Edit device";
    }
    device->changesInTable = true;
    if (random.bounded(2))
        return storeTypedRow(&device->listChanel, device->listChanel.isEmpty() ? -1 : 0, row), "Edit row";
    if (!device->listChanel.isEmpty() && random.bounded(2))
        return device->listChanel.removeAt(random.bounded(int(device->listChanel.size()))), "Delete row";
    if (!splitChanel({row.dmx, "0", "255", 1 + random.bounded(20), "S{n}", false, "s{n}"}, &split, &error))
        return "";
    for (const TypedRow &t : split)
        storeTypedRow(&device->listChanel, -1, t);
    return QStringLiteral("Split into %1 rows").arg(split.size());
}

// The window's tree, reduced to what the history must give back: names and marks.
void paintTree(EditorState *s) {
    s->tree.clear();
    for (const MyPreset &p : s->library) {
        TreeNode n{p.deviceParent, {}, {}, 0, true, {}};
        for (const MyDevice &d : p.listMyDevices)
            n.children.append({d.deviceType, {}, d.isChanges || d.changesInTable ? "changed" : "", 0, false, {}});
        s->tree.append(n);
    }
}

} // namespace

class TestHistory : public QObject {
    Q_OBJECT
private slots:
    void undoAllAndRedoAll_data() {
        QTest::addColumn<quint32>("seed");
        for (quint32 seed = 1; seed <= 40; ++seed)
            QTest::newRow(qPrintable(QString::number(seed))) << seed;
    }

    void undoAllAndRedoAll() {
        QFETCH(quint32, seed);
        QRandomGenerator random(seed);
        EditorState state;
        state.library = {{"Acme", {makeNewDevice({"Projector", "", "", conn("9600")})}}};
        markLibrarySaved(&state.library);
        paintTree(&state);
        const EditorState start = state;
        EditHistory history;
        history.reset();
        const int saveAt = random.bounded(30);
        EditorState saved = start;
        for (int n = 0; history.stepCount() < 30; ++n) {
            EditorState next = state;
            const QString label = edit(random, n, &next);
            if (label.isEmpty())
                continue;
            paintTree(&next);
            history.record(label, state, next);
            QCOMPARE(history.undoLabel(), label);
            state = next;
            if (history.stepCount() == saveAt) {
                markLibrarySaved(&state.library);
                state.addedOrRemoved = false;
                paintTree(&state);
                history.markSaved(state);
                saved = state;
            }
        }
        const EditorState end = state;
        QVERIFY(holdsUnsavedChanges(end, history));

        while (history.canUndo()) {
            state = history.undo();
            if (history.atSavedState()) {
                // Back at the save: nothing marked, no question, the file as saved.
                QCOMPARE(dump(state), dump(saved));
                QVERIFY(!holdsUnsavedChanges(state, history));
            } else {
                QVERIFY(holdsUnsavedChanges(state, history));
            }
        }
        QCOMPARE(dump(state), dump(start));
        QCOMPARE(file(state), file(start));
        while (history.canRedo())
            state = history.redo();
        QCOMPARE(dump(state), dump(end));
        QCOMPARE(file(state), file(end));

        // Saved after some undos: redo and undo back find the save again; an
        // edit from before it leaves no state that is what the file holds.
        const int back = 1 + random.bounded(5);
        for (int i = 0; i < back; ++i)
            state = history.undo();
        markLibrarySaved(&state.library);
        state.addedOrRemoved = false;
        paintTree(&state);
        history.markSaved(state);
        saved = state;
        while (history.canRedo())
            history.redo();
        for (int i = 0; i < back; ++i)
            state = history.undo();
        QVERIFY(history.atSavedState());
        QCOMPARE(dump(state), dump(saved));
        // Reading an image changes nothing a save writes.
        history.record("Read Vorne file", state, state, false);
        QVERIFY(history.atSavedState());
        history.undo();
        const EditorState before = history.undo();
        EditorState next = before;
        QString label;
        for (int n = 100; (label = edit(random, n, &next)).isEmpty(); ++n)
            next = before;
        history.record(label, before, next);
        QVERIFY(!history.atSavedState());
    }

    void boundedAndSharing() {
        EditorState state;
        state.library = {{"Acme", {makeNewDevice({"A", "", "", conn("1")}), makeNewDevice({"B", "", "", conn("1")})}}};
        for (int i = 0; i < 2000; ++i)
            storeTypedRow(&state.library[0].listMyDevices[1].listChanel, -1, {"1", "0", "9", "x", "", "f"});
        markLibrarySaved(&state.library);
        EditHistory history;
        for (int step = 0; step < EditHistory::kMaxSteps + 50; ++step) {
            EditorState next = state;
            storeTypedRow(&next.library[0].listMyDevices[0].listChanel, -1, {"2", "0", "9", "y", "", "f"});
            history.record("Insert row", state, next);
            // An edit of A leaves B's 2,000 rows shared, not copied.
            QVERIFY(
                next.library[0].listMyDevices[1].listChanel.isSharedWith(state.library[0].listMyDevices[1].listChanel));
            state = next;
        }
        QCOMPARE(history.stepCount(), EditHistory::kMaxSteps);
        // The oldest steps went; the saved state with them, so every state asks.
        int undone = 0;
        for (; history.canUndo(); ++undone)
            QVERIFY(holdsUnsavedChanges(history.undo(), history));
        QCOMPARE(undone, EditHistory::kMaxSteps);
    }
};

QTEST_GUILESS_MAIN(TestHistory)
#include "tst_history.moc"
