// The editor's one door to modal interaction: message boxes, file dialogs and
// the text input of New Project, the choice of a converter. Tests queue the user's next answers here so
// every flow, the save question included, runs headless; each request is also
// logged so tests can check what the user would have been asked.
#pragma once

#include <QFileDialog>
#include <QLineEdit>
#include <QList>
#include <QMessageBox>
#include <QString>
#include <QStringList>

class QWidget;

class Dialogs {
public:
    enum class Kind { Message, OpenFile, SaveFile, Text, Item };

    // One request as the user would have seen it.
    struct Asked {
        Kind kind = Kind::Message;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QString title;
        QString text; // message text, text-input or item label
        QMessageBox::StandardButtons buttons = QMessageBox::NoButton;
        QString dir;    // file dialogs: start folder; text input: proposed text
        QString filter; // file dialogs only
        QFileDialog::Options options = {};
        QStringList items; // item choice only
    };

    // A modal message box with the given buttons and no default button;
    // returns the button pressed (Escape or closing gives the escape button).
    static QMessageBox::StandardButton message(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                                               const QString &text, QMessageBox::StandardButtons buttons);
    static QMessageBox::StandardButton question(QWidget *parent, const QString &title, const QString &text,
                                                QMessageBox::StandardButtons buttons);
    static void information(QWidget *parent, const QString &title, const QString &text);
    static void critical(QWidget *parent, const QString &title, const QString &text);

    // An empty result means the user cancelled.
    static QString getOpenFileName(QWidget *parent, const QString &caption, const QString &dir, const QString &filter,
                                   QFileDialog::Options options = {});
    static QString getSaveFileName(QWidget *parent, const QString &caption, const QString &dir, const QString &filter,
                                   QFileDialog::Options options = {});

    static QString getText(QWidget *parent, const QString &title, const QString &label, const QString &text, bool *ok);
    // One of `items`, the first proposed; not editable.
    static QString getItem(QWidget *parent, const QString &title, const QString &label, const QStringList &items,
                           bool *ok);

    // Scripted answers, consumed in order; when none is queued the real dialog is shown.
    static void setNextAnswer(QMessageBox::StandardButton button);
    static void setNextFileName(const QString &fileName);
    static void setNextText(const QString &text, bool ok = true);
    static void setNextItem(const QString &item, bool ok = true);
    static int pendingAnswers(); // answers of all kinds not yet consumed

    static const QList<Asked> &log();
    static Asked lastAsked(); // a default Asked when nothing was asked
    static void reset();      // drops queued answers and the log
};
