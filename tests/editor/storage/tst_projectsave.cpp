// Saving a project to disk and the change-flag rules of the project commands.
#include "connflags.h"
#include "projectsave.h"
#include "projectstate.h"
#include "readonlyfolder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {
QByteArray contents(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

MyLibrary sampleLibrary() {
    MyDevice d;
    d.deviceType = QStringLiteral("Dev");
    d.connParam.flags = (1u << 0) | (1u << 13);
    MyChanel changed;
    changed.status = kStatusChanged;
    changed.dmx_chanel = QStringLiteral("1");
    MyChanel loaded;
    loaded.dmx_chanel = QStringLiteral("2");
    d.listChanel = {changed, loaded};
    d.isChanges = d.changesInConn = d.changesInTable = true;
    return {MyPreset{QStringLiteral("M"), {d}}};
}
} // namespace

class TestProjectSave : public QObject {
    Q_OBJECT
private slots:
    void saveWritesTheWholeFile() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Stage.v1.prj"));
        const MyLibrary library = sampleLibrary();
        QString error;
        QVERIFY(saveProjectFile(path, library, libraryTree(library), &error));
        QCOMPARE(contents(path), projectFileBytes(library, QStringLiteral("Stage"), libraryTree(library)));
    }

    void failedSaveKeepsTheOldFileAndNamesIt() {
        QTemporaryDir dir;
        // Tests run as root, so make the target unwritable by putting a file where a folder should be.
        const QString blocker = dir.filePath(QStringLiteral("blocker"));
        QFile block(blocker);
        QVERIFY(block.open(QIODevice::WriteOnly));
        block.close();
        const QString path = blocker + QStringLiteral("/P.prj");
        QString error;
        QVERIFY(!saveProjectFile(path, sampleLibrary(), {}, &error));
        QVERIFY2(error.contains(path), qPrintable(error));

        // A folder in place of the file: the existing content of the folder stays.
        const QString folder = dir.filePath(QStringLiteral("Folder.prj"));
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("Folder.prj")));
        error.clear();
        QVERIFY(!saveProjectFile(folder, sampleLibrary(), {}, &error));
        QVERIFY(error.contains(folder));
        QVERIFY(QFileInfo(folder).isDir());
    }

    void saveInAFolderThatForbidsNewFilesRewritesInPlace() {
        ReadOnlyFolder folder;
        QVERIFY(folder.addWritableFile(QStringLiteral("Stage.prj"), "@Stage\n!"));
        QVERIFY(folder.lock());
        const MyLibrary library = sampleLibrary();
        const QString path = folder.filePath(QStringLiteral("Stage.prj"));
        const QByteArray expected = projectFileBytes(library, QStringLiteral("Stage"), libraryTree(library));
        VERIFY_IN_LOCKED_FOLDER(folder, [&] {
            QString error;
            return saveProjectFile(path, library, libraryTree(library), &error) && contents(path) == expected;
        });
        QCOMPARE(contents(path), expected);
    }

    void successfulSaveReplacesAnOldFile() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("P.prj"));
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old content that is longer than the new file will ever be ............................");
        old.close();
        QVERIFY(saveProjectFile(path, {}, {}, nullptr));
        QCOMPARE(contents(path), QByteArray("@P\n!\n"));
    }

    void missingFilesAreCreatedOnce() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("New.prj"));
        QVERIFY(createFileIfMissing(path, newProjectBytes(projectBaseName(path))));
        QCOMPARE(contents(path), QByteArray("@New\n!"));
        QVERIFY(createFileIfMissing(path, newSectionsProjectBytes()));
        QCOMPARE(contents(path), QByteArray("@New\n!"));
        QCOMPARE(newSectionsProjectBytes(), QByteArray("@\n!\n"));
        QVERIFY(!createFileIfMissing(dir.filePath(QStringLiteral("no/such/x.prj")), "x"));
    }

    void changesAreFoundInEveryFlag() {
        MyLibrary library = sampleLibrary();
        QVERIFY(!libraryHasChanges({}, false));
        QVERIFY(libraryHasChanges({}, true));
        MyDevice &d = library[0].listMyDevices[0];
        d.isChanges = d.changesInConn = d.changesInTable = false;
        QVERIFY(!libraryHasChanges(library, false));
        for (bool MyDevice::*flag : {&MyDevice::isChanges, &MyDevice::changesInConn, &MyDevice::changesInTable}) {
            d.*flag = true;
            QVERIFY(libraryHasChanges(library, false));
            d.*flag = false;
        }
        QVERIFY(!libraryHasChanges({MyPreset{QStringLiteral("empty"), {}}}, false));
    }

    void savingMarksRowsAndSettingsSavedAndClearsFlags() {
        MyLibrary library = sampleLibrary();
        markLibrarySaved(&library);
        const MyDevice &d = library[0].listMyDevices[0];
        QCOMPARE(d.listChanel[0].status, kStatusSaved);
        QCOMPARE(d.listChanel[1].status, QString());
        QVERIFY(isFieldSaved(d.connParam, MyConnParam::Speed));
        QVERIFY(isFieldSaved(d.connParam, MyConnParam::Replay_Wait_Time));
        QVERIFY(!isFieldSaved(d.connParam, MyConnParam::Parity));
        QVERIFY(!d.isChanges && !d.changesInConn && !d.changesInTable);
        QVERIFY(!libraryHasChanges(library, false));
    }

    void questionTextAndSuffix() {
        QCOMPARE(saveQuestionText(QStringLiteral("/d/a.prj")), QStringLiteral("Save changes in project \"/d/a.prj\"?"));
        QCOMPARE(withProjectSuffix(QStringLiteral("/d/show")), QStringLiteral("/d/show.prj"));
        QCOMPARE(withProjectSuffix(QStringLiteral("/d/show.prj")), QStringLiteral("/d/show.prj"));
        QCOMPARE(withProjectSuffix(QStringLiteral("/d/show.PRJ.txt")), QStringLiteral("/d/show.PRJ.txt"));
        QCOMPARE(withProjectSuffix(QStringLiteral("/d/a.Prj")), QStringLiteral("/d/a.Prj"));
        QCOMPARE(withProjectSuffix(QStringLiteral("/d/prj")), QStringLiteral("/d/prj.prj"));
    }
};

QTEST_GUILESS_MAIN(TestProjectSave)
#include "tst_projectsave.moc"
