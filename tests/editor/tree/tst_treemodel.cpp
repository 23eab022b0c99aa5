// A long seeded run of adds, clones, edits and removes through the popup's
// slots, with refused entries on the way, checked against a plain model of
// which device lives where; then Save and Open: the library read back must
// equal the one in memory, field by field.
#include "filerules.h"
#include "projectstate.h"
#include "treewindow.h"

#include <QRandomGenerator>

#include <map>
#include <set>

namespace {
using F = MyConnParam;
using Model = std::map<QString, std::set<QString>>; // manufacturer -> device names

constexpr quint32 kSeed = 20261208;
constexpr int kSteps = 300;

class Run {
public:
    explicit Run(TreeWindow &t) : t(t), rng(kSeed) {
        for (const MyPreset &p : t->listMyPresets)
            for (const MyDevice &d : p.listMyDevices)
                model[p.deviceParent].insert(d.deviceType);
    }

    void step() {
        const int pick = int(rng.bounded(100));
        if (pick < 10)
            addManufacturer();
        else if (pick < 35)
            addOrClone(false);
        else if (pick < 55)
            addOrClone(true);
        else if (pick < 80)
            edit();
        else if (pick < 92)
            removeDevice();
        else if (pick < 96)
            removeManufacturer();
        else
            cancelled();
    }

    // Tree and library hold the same entries, and both what the model says.
    void checkInStep() {
        Model fromTree;
        QTreeWidget *tree = t->ui->treeWidget;
        for (int i = 0; i < tree->topLevelItemCount(); ++i) {
            auto &devices = fromTree[tree->topLevelItem(i)->text(0)];
            for (int j = 0; j < tree->topLevelItem(i)->childCount(); ++j)
                devices.insert(tree->topLevelItem(i)->child(j)->text(0));
        }
        Model fromLibrary;
        for (const MyPreset &p : t->listMyPresets) {
            auto &devices = fromLibrary[p.deviceParent];
            for (const MyDevice &d : p.listMyDevices)
                devices.insert(d.deviceType);
        }
        QCOMPARE(fromTree, model);
        QCOMPARE(fromLibrary, model);
    }

    int refusals = 0;
    int accepted = 0;
    int removedDevices = 0;
    int removedManufacturers = 0;

private:
    QString word() {
        static const char *words[] = {"Lamp", "Spot", "Wash", "Fog", "Par", "Beam", "Strobe", "Laser", "Dim", "Pan"};
        return QLatin1String(words[rng.bounded(int(std::size(words)))]);
    }
    QString freshName() { return word() + QLatin1Char(' ') + QString::number(++counter); }
    // A name the file could not keep: "$" and "%" only trouble manufacturer
    // lines, "desc:" and "time:" only device lines.
    QString badName(bool device) {
        static const QStringList bad{QStringLiteral("$Lamp"),
                                     QStringLiteral("%Lamp"),
                                     QStringLiteral(" Lamp"),
                                     QStringLiteral("Lamp "),
                                     QStringLiteral("La\tmp"),
                                     QString::fromUtf8("L\u0103mp"),
                                     QString(),
                                     QStringLiteral("Lamp\r"),
                                     QStringLiteral("time:Lamp"),
                                     QStringLiteral("Lamp desc:2")};
        const int first = device ? 2 : 0;
        const int count = int(bad.size()) - 2;
        return bad[first + int(rng.bounded(count))];
    }
    QString anyDevice() {
        QStringList all;
        for (const auto &[m, devices] : model)
            for (const QString &d : devices)
                all << d;
        return all.isEmpty() ? QString() : all[rng.bounded(int(all.size()))];
    }
    QString anyManufacturer() {
        if (model.empty())
            return QString();
        auto it = model.begin();
        std::advance(it, rng.bounded(int(model.size())));
        return it->first;
    }
    QString manufacturerOf(const QString &device) {
        for (const auto &[m, devices] : model)
            if (devices.count(device))
                return m;
        return QString();
    }
    QString text(int maxLength, const char *alphabet) {
        const int n = int(rng.bounded(maxLength + 1));
        const QString chars = QLatin1String(alphabet);
        QString s;
        for (int i = 0; i < n; ++i)
            s += chars[rng.bounded(int(chars.size()))];
        return s;
    }
    QString hex(int maxBytes) { return text(maxBytes, "0123456789ABCDEF").repeated(2).left(maxBytes * 2); }

    // Presses OK until the popup takes the entry: a bad or taken name first, sometimes.
    void submit(QLineEdit *name, const QString &good, bool device) {
        const int trouble = int(rng.bounded(4));
        if (trouble == 0) {
            name->setText(badName(device));
            QVERIFY2(t.ok(), qPrintable(QStringLiteral("\"%1\" taken").arg(name->text())));
            QVERIFY(t.lastMessage.contains(QStringLiteral("cannot be kept in the project file")));
            ++refusals;
        } else if (trouble == 1 && device && !anyDevice().isEmpty()) {
            name->setText(anyDevice());
            if (name->text() != t->ui->treeWidget->currentItem()->text(0) || !t->editDeviceFlag) {
                QVERIFY(t.ok());
                QVERIFY(t.lastMessage.contains(QStringLiteral("twice in the tree")));
                ++refusals;
            }
        }
        if (trouble == 2 && device) { // a blank the file would drop from a reply
            QLineEdit *ascii = t.field(F::Error_Replay);
            QLineEdit *hexField = t.field(F::Error_Replay_HEX);
            const QString keptAscii = ascii->text();
            const QString keptHex = hexField->text();
            hexField->clear();
            ascii->setText(QStringLiteral("E R"));
            QVERIFY(t.ok());
            QVERIFY(t.lastMessage.startsWith(QStringLiteral("Error reply cannot be kept")));
            ++refusals;
            ascii->setText(keptAscii);
            hexField->setText(keptHex);
        }
        QVERIFY(t->treePopup->isVisible());
        name->setText(good);
        QVERIFY2(t.accepted(), qPrintable(t.lastMessage));
        ++accepted;
    }

    void fillSettings() {
        for (int f = F::Speed; f <= F::Handshake; ++f)
            if (rng.bounded(3) == 0)
                t.combo(f)->setCurrentIndex(int(rng.bounded(t.combo(f)->count())));
        if (rng.bounded(2))
            t.field(F::Delay_Time)->setText(QString::number(1 + rng.bounded(10000)));
        if (rng.bounded(2))
            t.field(F::Replay_Wait_Time)->setText(QString::number(1 + rng.bounded(10000)));
        if (rng.bounded(2))
            t.field(F::Retry_Count)->setText(QString::number(rng.bounded(11)));
        const struct {
            int ascii, hexField, maxAscii;
        } pairs[] = {{F::CMD_Prefix, F::CMD_Prefix_HEX, 8},
                     {F::Normal_Replay, F::Normal_Replay_HEX, 5},
                     {F::Error_Replay, F::Error_Replay_HEX, 5}};
        for (const auto &p : pairs) {
            switch (rng.bounded(4)) {
            case 0:
                t.field(p.hexField)->clear();
                t.field(p.ascii)->setText(text(p.maxAscii, "ABCXYZ019>#!@$%:;,.<*~"));
                break;
            case 1:
                t.field(p.ascii)->clear();
                t.field(p.hexField)->setText(hex(6));
                break;
            default:
                break;
            }
        }
        if (rng.bounded(5) == 0) { // out of range: told, and "1" put in
            Dialogs::setNextAnswer(QMessageBox::Ok);
            t.field(F::Delay_Time)->setText(QStringLiteral("20000"));
            QCOMPARE(t.field(F::Delay_Time)->text(), QStringLiteral("1"));
        }
        const QString desc = text(12, "abc xyz-.,;:/()#!$%@");
        t->lineEditPopupDesc->setText(rng.bounded(4) == 0 ? QStringLiteral(" ") + desc + QStringLiteral(" ") : desc);
    }

    void addManufacturer() {
        t->addParent();
        const QString name = QStringLiteral("Maker ") + QString::number(++counter);
        if (rng.bounded(3) == 0 && !anyDevice().isEmpty()) {
            t->lineEditPopupManufact->setText(anyDevice()); // named like a device: refused
            QVERIFY(t.ok());
            ++refusals;
        }
        submit(t->lineEditPopupManufact, name, false);
        model[name];
    }

    void addOrClone(bool clone) {
        const QString selected = clone ? anyDevice() : (rng.bounded(2) ? anyDevice() : anyManufacturer());
        if (selected.isEmpty())
            return;
        t.select(selected);
        clone ? t->cloneDevice() : t->addDevice();
        QVERIFY(t->treePopup->isVisible());
        QString target = clone || !model.count(selected) ? manufacturerOf(selected) : selected;
        if (clone && t->comboBoxPopupManufact->count() > 0) {
            t->comboBoxPopupManufact->setCurrentIndex(int(rng.bounded(t->comboBoxPopupManufact->count())));
            target = t->comboBoxPopupManufact->currentText();
        }
        fillSettings();
        const QString name = freshName();
        submit(t->lineEditPopupType, name, true);
        model[target].insert(name);
    }

    void edit() {
        const QString selected = anyDevice();
        if (selected.isEmpty())
            return;
        t.select(selected);
        t->editDevice();
        fillSettings();
        const QString name = rng.bounded(2) ? selected : freshName();
        submit(t->lineEditPopupType, name, true);
        auto &devices = model[manufacturerOf(selected)];
        devices.erase(selected);
        devices.insert(name);
    }

    void removeDevice() {
        const QString selected = anyDevice();
        if (selected.isEmpty())
            return;
        t.select(selected);
        Dialogs::setNextAnswer(QMessageBox::Yes);
        t->removeDevice();
        model[manufacturerOf(selected)].erase(selected);
        ++removedDevices;
    }

    void removeManufacturer() {
        const QString selected = anyManufacturer();
        if (selected.isEmpty() || model.size() < 3)
            return;
        t.select(selected);
        Dialogs::setNextAnswer(QMessageBox::Yes);
        t->removeManufactDevice();
        model.erase(selected);
        ++removedManufacturers;
    }

    void cancelled() {
        const QString selected = anyDevice();
        if (selected.isEmpty())
            return;
        t.select(selected);
        t->editDevice();
        fillSettings();
        t->lineEditPopupType->setText(freshName());
        t->cancelTreePopup();
    }

    TreeWindow &t;
    QRandomGenerator rng;
    Model model;
    int counter = 0;
};

void compareDevices(const MyDevice &a, const MyDevice &b) {
    QCOMPARE(a.deviceType, b.deviceType);
    QCOMPARE(a.deviceDesc, b.deviceDesc);
    QCOMPARE(a.deviceTime, b.deviceTime);
    for (int f = 0; f < F::FieldCount; ++f)
        QCOMPARE(a.connParam[f], b.connParam[f]);
    QCOMPARE(a.listChanel.size(), b.listChanel.size());
    for (int r = 0; r < a.listChanel.size(); ++r) {
        const MyChanel &x = a.listChanel[r];
        const MyChanel &y = b.listChanel[r];
        QCOMPARE(x.dmx_chanel, y.dmx_chanel);
        QCOMPARE(x.dmx_valueFrom, y.dmx_valueFrom);
        QCOMPARE(x.dmx_valueTo, y.dmx_valueTo);
        QCOMPARE(x.rs_c, y.rs_c);
        QCOMPARE(x.function, y.function);
    }
}
} // namespace

class TestTreeModel : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { QCOMPARE(Dialogs::pendingAnswers(), 0); }

    void seededEditingSurvivesSaveAndOpen() {
        TreeWindow t;
        Run run(t);
        for (int i = 0; i < kSteps; ++i) {
            run.step();
            if (QTest::currentTestFailed())
                QFAIL(qPrintable(QStringLiteral("step %1 of seed %2").arg(i).arg(kSeed)));
            if (i % 25 == 0) {
                run.checkInStep();
                if (QTest::currentTestFailed())
                    return;
            }
        }
        run.checkInStep();
        QVERIFY(run.refusals > 20 && run.accepted > 100 && run.removedDevices > 10 && run.removedManufacturers > 0);
        QVERIFY(libraryKeepProblems(t->listMyPresets).isEmpty());

        const MyLibrary before = t->listMyPresets;
        QVERIFY(libraryHasChanges(before, t->globalAddDeleteItem));
        Dialogs::setNextAnswer(QMessageBox::Yes);
        QCOMPARE(t->saveProject(), int(QMessageBox::Yes));
        Dialogs::setNextFileName(t.projectPath());
        t->openProject();

        const MyLibrary &after = t->listMyPresets;
        QCOMPARE(after.size(), before.size());
        for (const MyPreset &p : before) {
            const auto found = std::find_if(after.begin(), after.end(),
                                            [&](const MyPreset &q) { return q.deviceParent == p.deviceParent; });
            QVERIFY2(found != after.end(), qPrintable(p.deviceParent));
            QCOMPARE(found->listMyDevices.size(), p.listMyDevices.size());
            for (const MyDevice &d : p.listMyDevices) {
                const auto same = std::find_if(found->listMyDevices.begin(), found->listMyDevices.end(),
                                               [&](const MyDevice &e) { return e.deviceType == d.deviceType; });
                QVERIFY2(same != found->listMyDevices.end(), qPrintable(d.deviceType));
                compareDevices(*same, d);
                if (QTest::currentTestFailed())
                    return;
            }
        }
    }
};

QTEST_MAIN(TestTreeModel)
#include "tst_treemodel.moc"
