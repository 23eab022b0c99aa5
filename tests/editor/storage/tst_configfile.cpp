// config.ini: the created defaults, the skipped first line, list cleaning,
// the LastProject fallback and the file written on Exit.
#include "configfile.h"
#include "readonlyfolder.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {
QByteArray fixture(const char *name) {
    QFile file(QStringLiteral(VORNE_TEST_DATA "/") + QLatin1String(name));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing fixture %s", name);
    return file.readAll();
}

AppConfig readBytes(QByteArray bytes, AppConfig config = AppConfig()) {
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    if (!readConfig(&buffer, &config, nullptr))
        qFatal("read failed");
    return config;
}

QByteArray contents(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}
} // namespace

class TestConfigFile : public QObject {
    Q_OBJECT
private slots:
    void initialValues() {
        const AppConfig config;
        QCOMPARE(config.projectName, QStringLiteral("MyProject.prj"));
        QCOMPARE(config.defaultPath, QDir::homePath() + QStringLiteral("/Vorne"));
        for (const QStringList &list : config.lists)
            QVERIFY(list.isEmpty());
    }

    void defaultFileIsByteExact() { QCOMPARE(defaultConfigBytes(), fixture("config_default.ini")); }

    void firstStartCreatesDefaultsAndKeepsTheRelativeProject() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("config.ini"));
        AppConfig config;
        QVERIFY(loadConfigFile(path, &config));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), defaultConfigBytes());
        // The created file's LastProject is its first line, so it is not applied.
        QCOMPARE(config.projectName, QStringLiteral("MyProject.prj"));
        QCOMPARE(config.defaultPath, AppConfig::defaultFolder());
        QCOMPARE(config.lists[MyConnParam::Speed].size(), 9);
        QCOMPARE(config.lists[MyConnParam::Handshake],
                 (QStringList{QStringLiteral("None"), QStringLiteral("XON/XOFF"), QStringLiteral("HW")}));
        QCOMPARE(config.lists[MyConnParam::Normal_Replay], QStringList{QStringLiteral("OK")});
        QVERIFY(config.lists[MyConnParam::Error_Replay].isEmpty());
        QVERIFY(config.lists[MyConnParam::CMD_Prefix_HEX].isEmpty());
    }

    void unreadableFileLeavesEverythingAsItWas() {
        QTemporaryDir dir;
        AppConfig config;
        // A folder where the file should be: neither created nor read.
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("config.ini")));
        QVERIFY(!loadConfigFile(dir.filePath(QStringLiteral("config.ini")), &config));
        QCOMPARE(config.projectName, QStringLiteral("MyProject.prj"));
        QVERIFY(config.lists[MyConnParam::Speed].isEmpty());
    }

    void firstLineIsSkippedWhateverItHolds() {
        const AppConfig config = readBytes("Speed=1,2\nData_Bits=7\n");
        QVERIFY(config.lists[MyConnParam::Speed].isEmpty());
        QCOMPARE(config.lists[MyConnParam::Data_Bits], QStringList{QStringLiteral("7")});
    }

    void listsLoseBlanksAndEmptyEntriesButHandshakeKeepsBlanks() {
        const AppConfig config = readBytes("skip\nSpeed= 9600 , 19200 ,,\nHandshake=None, HW,,\n"
                                           "CMD_Prefix=\nNormal_Replay=O K\n");
        QCOMPARE(config.lists[MyConnParam::Speed], (QStringList{QStringLiteral("9600"), QStringLiteral("19200")}));
        QCOMPARE(config.lists[MyConnParam::Handshake], (QStringList{QStringLiteral("None"), QStringLiteral(" HW")}));
        QVERIFY(config.lists[MyConnParam::CMD_Prefix].isEmpty());
        QCOMPARE(config.lists[MyConnParam::Normal_Replay], QStringList{QStringLiteral("OK")});
    }

    void laterKeyWinsAndOtherLinesAreIgnored() {
        const AppConfig config = readBytes("skip\nParity=None\n Parity=Odd\nparity=Even\n###end\nParity=Odd,Even\n"
                                           "Parity_X=1\nDefaultPath=/elsewhere\n");
        QCOMPARE(config.lists[MyConnParam::Parity], (QStringList{QStringLiteral("Odd"), QStringLiteral("Even")}));
        QCOMPARE(config.defaultPath, AppConfig::defaultFolder());
    }

    void lastProjectThatExistsMovesTheDefaultFolder() {
        QTemporaryDir dir;
        const QString project = dir.filePath(QStringLiteral("Stage.prj"));
        writeFile(project, "@Stage\n!");
        const AppConfig config = readBytes("DefaultPath=.\nLastProject=" + project.toLatin1() + "\n");
        QCOMPARE(config.projectName, project);
        QCOMPARE(config.defaultPath, dir.path());
    }

    void lastProjectThatIsGoneFallsBackToTheOldNameInTheDefaultFolder() {
        QTemporaryDir dir;
        AppConfig start;
        start.defaultPath = dir.path();
        const AppConfig config = readBytes("DefaultPath=.\nLastProject=/no/such/dir/Deleted.prj\n", start);
        QCOMPARE(config.projectName, dir.filePath(QStringLiteral("MyProject.prj")));
        QCOMPARE(config.defaultPath, dir.path());
    }

    // Each fallback used to join the folder with the whole previous path, so
    // the path doubled with every line: 48 lines took gigabytes.
    void manyMissingLastProjectsKeepOnePathInTheDefaultFolder() {
        QTemporaryDir dir;
        const QString previous = QDir::currentPath();
        QDir::setCurrent(dir.path()); // "x" is looked up in the working folder
        AppConfig start;
        start.defaultPath = dir.path();
        QByteArray bytes = "\n";
        for (int i = 0; i < 47; ++i)
            bytes += "LastProject=x\n";
        const AppConfig config = readBytes(bytes, start);
        QDir::setCurrent(previous);
        QCOMPARE(config.projectName, dir.filePath(QStringLiteral("MyProject.prj")));
        QCOMPARE(config.defaultPath, dir.path());
    }

    void missingLastProjectAfterAnExistingOneKeepsThatProjectsName() {
        QTemporaryDir dir;
        const QString project = dir.filePath(QStringLiteral("Stage.prj"));
        writeFile(project, "@Stage\n!");
        const AppConfig config =
            readBytes("x\nLastProject=" + project.toLatin1() + "\nLastProject=/no/such/dir/Gone.prj\n");
        QCOMPARE(config.projectName, project);
        QCOMPARE(config.defaultPath, dir.path());
    }

    void lastProjectValueIsNotTrimmed() {
        QTemporaryDir dir;
        const QString project = dir.filePath(QStringLiteral("A.prj"));
        writeFile(project, "@A\n!");
        AppConfig start;
        start.defaultPath = dir.path();
        const AppConfig config = readBytes("x\nLastProject=" + project.toLatin1() + " \n", start);
        QCOMPARE(config.projectName, dir.filePath(QStringLiteral("MyProject.prj")));
    }

    void exitFileIsByteExactAndReadsBack() {
        AppConfig config;
        config.projectName = QStringLiteral("/data/stage.prj");
        config.lists[MyConnParam::Speed] = {QStringLiteral("9600"), QStringLiteral("19200")};
        config.lists[MyConnParam::Handshake] = {QStringLiteral("None"), QStringLiteral(" HW")};
        config.lists[MyConnParam::CMD_Prefix_HEX] = {QStringLiteral("1B")};
        config.lists[MyConnParam::Normal_Replay] = {QString::fromUtf8("Å")};
        const QByteArray expected = "DefaultPath=.\nLastProject=/data/stage.prj\n\n###Default Connections settings\n"
                                    "Speed=9600,19200\nData_Bits=\nStop_Bits=\nParity=\nHandshake=None, HW\n"
                                    "Delay_Time=\nNormal_Replay=\xc5\nError_Replay=\nReplay_Wait_Time=\nRetry_Count=\n"
                                    "Normal_Replay_HEX=\nError_Replay_HEX=\nCMD_Prefix=\nCMD_Prefix_HEX=1B\n\n##end\n";
        QCOMPARE(configBytes(config), expected);
        const AppConfig back = readBytes(expected);
        for (int field = 0; field < MyConnParam::FieldCount; ++field)
            QCOMPARE(back.lists[field], config.lists[field]);
    }

    void exitRecordsTheAbsolutePathOfARelativeProject() {
        AppConfig config;
        config.projectName = QStringLiteral("Rel.prj");
        QVERIFY(configBytes(config).contains("\nLastProject=" + QDir::current().absoluteFilePath("Rel.prj").toLatin1() +
                                             "\n"));
    }

    void saveReplacesTheFileAndReportsFailure() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("config.ini"));
        writeFile(path, "old");
        AppConfig config;
        QString error;
        QVERIFY(saveConfigFile(path, config, &error));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), configBytes(config));
        QVERIFY(!saveConfigFile(dir.filePath(QStringLiteral("missing/config.ini")), config, &error));
        QVERIFY(!error.isEmpty());
    }

    // Where the user may rewrite config.ini but create no file beside it, the last project is still recorded.
    void saveInAFolderThatForbidsNewFilesRewritesInPlace() {
        ReadOnlyFolder folder;
        QVERIFY(folder.addWritableFile(QStringLiteral("config.ini"), "old"));
        QVERIFY(folder.lock());
        AppConfig config;
        config.projectName = QStringLiteral("/data/stage.prj");
        const QString path = folder.filePath(QStringLiteral("config.ini"));
        VERIFY_IN_LOCKED_FOLDER(folder, [&] {
            QString error;
            return saveConfigFile(path, config, &error) && contents(path) == configBytes(config);
        });
        QCOMPARE(contents(path), configBytes(config));
    }
};

QTEST_GUILESS_MAIN(TestConfigFile)
#include "tst_configfile.moc"
