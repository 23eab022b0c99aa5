#include "dialogs.h"

#include <QInputDialog>
#include <QQueue>

namespace {

struct TextAnswer {
    QString text;
    bool ok;
};

// The editor runs on one GUI thread, so plain statics do.
QQueue<QMessageBox::StandardButton> &answers() {
    static QQueue<QMessageBox::StandardButton> q;
    return q;
}
QQueue<QString> &fileNames() {
    static QQueue<QString> q;
    return q;
}
QQueue<TextAnswer> &texts() {
    static QQueue<TextAnswer> q;
    return q;
}
QQueue<TextAnswer> &itemAnswers() {
    static QQueue<TextAnswer> q;
    return q;
}
QList<Dialogs::Asked> &asked() {
    static QList<Dialogs::Asked> l;
    return l;
}

QString askFileName(Dialogs::Kind kind, QWidget *parent, const QString &caption, const QString &dir,
                    const QString &filter, QFileDialog::Options options) {
    Dialogs::Asked a;
    a.kind = kind;
    a.title = caption;
    a.dir = dir;
    a.filter = filter;
    a.options = options;
    asked().append(a);
    if (!fileNames().isEmpty())
        return fileNames().dequeue();
    if (kind == Dialogs::Kind::OpenFile)
        return QFileDialog::getOpenFileName(parent, caption, dir, filter, nullptr, options);
    return QFileDialog::getSaveFileName(parent, caption, dir, filter, nullptr, options);
}

} // namespace

QMessageBox::StandardButton Dialogs::message(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                                             const QString &text, QMessageBox::StandardButtons buttons) {
    Asked a;
    a.icon = icon;
    a.title = title;
    a.text = text;
    a.buttons = buttons;
    asked().append(a);
    if (!answers().isEmpty())
        return answers().dequeue();

    QMessageBox box(icon, title, text, buttons, parent);
    box.exec();
    const QMessageBox::StandardButton pressed = box.standardButton(box.clickedButton());
    return pressed == QMessageBox::NoButton ? box.standardButton(box.escapeButton()) : pressed;
}

QMessageBox::StandardButton Dialogs::question(QWidget *parent, const QString &title, const QString &text,
                                              QMessageBox::StandardButtons buttons) {
    return message(parent, QMessageBox::Question, title, text, buttons);
}

void Dialogs::information(QWidget *parent, const QString &title, const QString &text) {
    message(parent, QMessageBox::Information, title, text, QMessageBox::Ok);
}

void Dialogs::critical(QWidget *parent, const QString &title, const QString &text) {
    message(parent, QMessageBox::Critical, title, text, QMessageBox::Ok);
}

QString Dialogs::getOpenFileName(QWidget *parent, const QString &caption, const QString &dir, const QString &filter,
                                 QFileDialog::Options options) {
    return askFileName(Kind::OpenFile, parent, caption, dir, filter, options);
}

QString Dialogs::getSaveFileName(QWidget *parent, const QString &caption, const QString &dir, const QString &filter,
                                 QFileDialog::Options options) {
    return askFileName(Kind::SaveFile, parent, caption, dir, filter, options);
}

QString Dialogs::getText(QWidget *parent, const QString &title, const QString &label, const QString &text, bool *ok) {
    Asked a;
    a.kind = Kind::Text;
    a.title = title;
    a.text = label;
    a.dir = text;
    asked().append(a);
    if (!texts().isEmpty()) {
        const TextAnswer answer = texts().dequeue();
        if (ok)
            *ok = answer.ok;
        return answer.ok ? answer.text : QString();
    }
    return QInputDialog::getText(parent, title, label, QLineEdit::Normal, text, ok);
}

QString Dialogs::getItem(QWidget *parent, const QString &title, const QString &label, const QStringList &items,
                         bool *ok) {
    Asked a;
    a.kind = Kind::Item;
    a.title = title;
    a.text = label;
    a.items = items;
    asked().append(a);
    if (!itemAnswers().isEmpty()) {
        const TextAnswer answer = itemAnswers().dequeue();
        if (ok)
            *ok = answer.ok;
        return answer.ok ? answer.text : QString();
    }
    return QInputDialog::getItem(parent, title, label, items, 0, false, ok);
}

void Dialogs::setNextAnswer(QMessageBox::StandardButton button) { answers().enqueue(button); }

void Dialogs::setNextFileName(const QString &fileName) { fileNames().enqueue(fileName); }

void Dialogs::setNextText(const QString &text, bool ok) { texts().enqueue({text, ok}); }

void Dialogs::setNextItem(const QString &item, bool ok) { itemAnswers().enqueue({item, ok}); }

int Dialogs::pendingAnswers() { return answers().size() + fileNames().size() + texts().size() + itemAnswers().size(); }

const QList<Dialogs::Asked> &Dialogs::log() { return asked(); }

Dialogs::Asked Dialogs::lastAsked() { return asked().isEmpty() ? Asked() : asked().last(); }

void Dialogs::reset() {
    answers().clear();
    fileNames().clear();
    texts().clear();
    itemAnswers().clear();
    asked().clear();
}
