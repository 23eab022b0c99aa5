// A folder where the user may rewrite the files it holds but create none, and a
// way to run a check as a user such a folder really binds. Root writes
// anywhere, so under root the check runs in a child that has become "nobody".
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <functional>
#include <grp.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

class ReadOnlyFolder {
public:
    ReadOnlyFolder() {
        // Everyone may pass through the temporary folder to the locked one inside.
        QFile::setPermissions(temp_.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                                                QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
        QDir(temp_.path()).mkdir(QStringLiteral("locked"));
    }
    ~ReadOnlyFolder() { QFile::setPermissions(path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner); }
    ReadOnlyFolder(const ReadOnlyFolder &) = delete;
    ReadOnlyFolder &operator=(const ReadOnlyFolder &) = delete;

    QString path() const { return temp_.filePath(QStringLiteral("locked")); }
    QString filePath(const QString &name) const { return path() + QLatin1Char('/') + name; }

    // A file anyone may write, put there before the folder is locked.
    bool addWritableFile(const QString &name, const QByteArray &bytes) {
        QFile file(filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return false;
        file.close();
        return QFile::setPermissions(filePath(name), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                                         QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther);
    }
    bool lock() {
        const auto readAndPass = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup |
                                 QFile::ReadOther | QFile::ExeOther;
        return QFile::setPermissions(path(), readAndPass);
    }

    enum class Outcome { Passed, Failed, Meaningless };

    // Runs check where the lock binds. Meaningless (with the reason in why)
    // when no such user exists or the lock does not stop it creating a file.
    Outcome runBound(const std::function<bool()> &check, QString *why) const {
        if (geteuid() != 0)
            return runHere(check, why);
        const passwd *nobody = getpwnam("nobody");
        if (!nobody) {
            *why = QStringLiteral("running as root and there is no user \"nobody\" to run as");
            return Outcome::Meaningless;
        }
        const uid_t uid = nobody->pw_uid;
        const gid_t gid = nobody->pw_gid;
        const pid_t child = fork();
        if (child < 0) {
            *why = QStringLiteral("cannot start a child process");
            return Outcome::Meaningless;
        }
        if (child == 0) {
            if (setgroups(0, nullptr) != 0 || setgid(gid) != 0 || setuid(uid) != 0)
                _exit(3);
            QString unused;
            _exit(static_cast<int>(runHere(check, &unused)));
        }
        int status = 0;
        waitpid(child, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) > 2) {
            *why = QStringLiteral("cannot become \"nobody\" in the child");
            return Outcome::Meaningless;
        }
        if (WEXITSTATUS(status) == static_cast<int>(Outcome::Meaningless))
            *why = QStringLiteral("\"nobody\" may create files in the locked folder or cannot reach it");
        return static_cast<Outcome>(WEXITSTATUS(status));
    }

private:
    Outcome runHere(const std::function<bool()> &check, QString *why) const {
        QFile probe(filePath(QStringLiteral("probe")));
        if (probe.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            probe.remove();
            *why = QStringLiteral("the locked folder still lets this user create files");
            return Outcome::Meaningless;
        }
        if (!QFileInfo(path()).isReadable()) {
            *why = QStringLiteral("this user cannot reach the locked folder");
            return Outcome::Meaningless;
        }
        return check() ? Outcome::Passed : Outcome::Failed;
    }

    QTemporaryDir temp_;
};

// Runs check in folder where its lock binds; skips the test when that cannot be arranged.
#define VERIFY_IN_LOCKED_FOLDER(folder, check)                                                                         \
    do {                                                                                                               \
        QString why_;                                                                                                  \
        const auto outcome_ = (folder).runBound((check), &why_);                                                       \
        if (outcome_ == ReadOnlyFolder::Outcome::Meaningless)                                                          \
            QSKIP(qPrintable(why_));                                                                                   \
        QVERIFY(outcome_ == ReadOnlyFolder::Outcome::Passed);                                                          \
    } while (false)
