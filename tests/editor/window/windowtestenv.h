// Keeps window tests away from the user's files: the editor reads and writes
// "config.ini" in the working directory and defaults to a folder under HOME.
#pragma once

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

class WindowTestEnv {
public:
    WindowTestEnv() {
        QVERIFY(dir.isValid());
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("home")));
        qputenv("HOME", QDir(dir.path()).filePath(QStringLiteral("home")).toLocal8Bit());
        QVERIFY(QDir::setCurrent(dir.path()));
    }
    QString path() const { return dir.path(); }

private:
    QTemporaryDir dir;
};
