// A main window on a small project in a folder of its own, and the moves a
// user makes on the tree popup, for the tree editing tests.
#pragma once

#include "dialogs.h"
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

#include <memory>

// Acme (Projector X with two rows, Dimmer) and Beta (Mixer, whose speed is
// not in the choice list).
inline const QByteArray kTreeProject = "@Demo\n"
                                       "Acme\n"
                                       "\tProjector X\t\tdesc:Main hall\t\ttime:06.12.2026 | 10:15:00\n"
                                       "\tDimmer\t\tdesc:Stage\t\ttime:01.01.2026 | 00:00:00\n"
                                       "Beta\n"
                                       "\tMixer\t\tdesc:Desk\t\ttime:02.02.2026 | 12:00:00\n"
                                       "!\n"
                                       "\n$Projector X\nSpeed=9600\nData_Bits=8\nStop_Bits=1\nParity=None\n"
                                       "Handshake=None\nDelay_Time=100\nNormal_Replay=OK\nError_Replay=\n"
                                       "Replay_Wait_Time=500\nRetry_Count=2\nNormal_Replay_HEX=\nError_Replay_HEX=\n"
                                       "CMD_Prefix=\nCMD_Prefix_HEX=\n!\n\n###\n%Projector X\n"
                                       "1,\t0,\t127,\tASCII:PWR OFF,\tPower off\n"
                                       "1,\t128,\t255,\tASCII:PWR ON,\tPower on\n!\n"
                                       "\n$Dimmer\nSpeed=19200\nData_Bits=7\nStop_Bits=2\nParity=Even\n"
                                       "Handshake=XON/XOFF\nDelay_Time=250\nNormal_Replay=\nError_Replay=\n"
                                       "Replay_Wait_Time=800\nRetry_Count=0\nNormal_Replay_HEX=06\n"
                                       "Error_Replay_HEX=15\nCMD_Prefix=>\nCMD_Prefix_HEX=\n!\n\n###\n%Dimmer\n!\n"
                                       "\n$Mixer\nSpeed=115200\nData_Bits=8\nStop_Bits=1\nParity=None\n"
                                       "Handshake=HW\nDelay_Time=50\nNormal_Replay=ACK\nError_Replay=NAK\n"
                                       "Replay_Wait_Time=300\nRetry_Count=3\nNormal_Replay_HEX=\nError_Replay_HEX=\n"
                                       "CMD_Prefix=\nCMD_Prefix_HEX=1B\n!\n\n###\n%Mixer\n!\n";

inline const QByteArray kTreeConfigLists = "Speed=2400,9600,19200\n"
                                           "Data_Bits=7,8\n"
                                           "Stop_Bits=1,2\n"
                                           "Parity=None,Odd,Even\n"
                                           "Handshake=None,XON/XOFF,HW\n"
                                           "Delay_Time=100\n"
                                           "Normal_Replay=OK\n"
                                           "Replay_Wait_Time=500\n"
                                           "Retry_Count=2\n";

class TreeWindow {
public:
    explicit TreeWindow(const QByteArray &project = kTreeProject) {
        QVERIFY(dir.isValid());
        previousDir = QDir::currentPath();
        previousHome = qgetenv("HOME");
        QDir::setCurrent(dir.path());
        qputenv("HOME", dir.path().toLocal8Bit());
        write(projectPath(), project);
        write(dir.filePath(QStringLiteral("config.ini")),
              "DefaultPath=.\nLastProject=" + projectPath().toLatin1() + "\n" + kTreeConfigLists);
        Dialogs::reset();
        window = std::make_unique<MainWindow>();
        Dialogs::reset();
    }
    ~TreeWindow() {
        window.reset();
        Dialogs::reset();
        QDir::setCurrent(previousDir);
        qputenv("HOME", previousHome);
    }

    MainWindow &w() { return *window; }
    MainWindow *operator->() { return window.get(); }
    QString projectPath() const { return dir.filePath(QStringLiteral("Demo.prj")); }
    QString path(const QString &name) const { return dir.filePath(name); }

    // Any item by its text.
    QTreeWidgetItem *item(const QString &text) const {
        const auto found = window->ui->treeWidget->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
        return found.isEmpty() ? nullptr : found.first();
    }
    // A click on the item.
    QTreeWidgetItem *select(const QString &text) {
        QTreeWidgetItem *it = item(text);
        if (!it)
            return nullptr;
        window->ui->treeWidget->setCurrentItem(it);
        window->getPositionTree(it, 0);
        return it;
    }

    // Presses OK; true when a message was shown (and answered).
    bool ok() {
        Dialogs::reset();
        Dialogs::setNextAnswer(QMessageBox::Ok);
        window->okTreePopup();
        const bool asked = Dialogs::pendingAnswers() == 0;
        lastMessage = asked ? Dialogs::lastAsked().text : QString();
        Dialogs::reset();
        return asked;
    }
    // Presses OK expecting the popup to take the entry.
    bool accepted() { return !ok() && !window->treePopup->isVisible(); }

    QLineEdit *field(int f) { return window->settingField[f]; }
    QComboBox *combo(int f) { return window->settingCombo[f]; }

    MyDevice *device(const QString &manufacturer, const QString &name) {
        for (MyPreset &p : window->listMyPresets)
            if (p.deviceParent == manufacturer)
                for (MyDevice &d : p.listMyDevices)
                    if (d.deviceType == name)
                        return &d;
        return nullptr;
    }
    MyPreset *preset(const QString &name) {
        for (MyPreset &p : window->listMyPresets)
            if (p.deviceParent == name)
                return &p;
        return nullptr;
    }

    QString lastMessage;

private:
    static void write(const QString &path, const QByteArray &bytes) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(bytes), bytes.size());
    }

    QTemporaryDir dir;
    QString previousDir;
    QByteArray previousHome;
    std::unique_ptr<MainWindow> window;
};
