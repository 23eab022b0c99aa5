// The dialog facade: scripted answers are consumed in order and per kind,
// every request is logged, and without a scripted answer the real dialog runs.
#include "dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>

namespace {

// Runs `act` on the first modal widget that appears.
void onNextModal(std::function<void(QWidget *)> act) {
    auto *timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, act] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        timer->stop();
        timer->deleteLater();
        act(modal);
    });
    timer->start();
}

} // namespace

class TestDialogs : public QObject {
    Q_OBJECT

private slots:
    void init() { Dialogs::reset(); }
    void cleanup() {
        Dialogs::reset();
        while (QWidget *modal = QApplication::activeModalWidget())
            modal->close();
    }

    void answersAreConsumedInOrder() {
        Dialogs::setNextAnswer(QMessageBox::Yes);
        Dialogs::setNextAnswer(QMessageBox::Cancel);
        QCOMPARE(Dialogs::pendingAnswers(), 2);
        QCOMPARE(Dialogs::question(nullptr, "Save", "first?", QMessageBox::Yes | QMessageBox::Cancel),
                 QMessageBox::Yes);
        QCOMPARE(Dialogs::question(nullptr, "Save", "second?", QMessageBox::Yes | QMessageBox::Cancel),
                 QMessageBox::Cancel);
        QCOMPARE(Dialogs::pendingAnswers(), 0);
        QCOMPARE(Dialogs::log().size(), 2);
        QCOMPARE(Dialogs::log()[0].text, QString("first?"));
        QCOMPARE(Dialogs::lastAsked().text, QString("second?"));
        QCOMPARE(Dialogs::lastAsked().kind, Dialogs::Kind::Message);
        QCOMPARE(Dialogs::lastAsked().icon, QMessageBox::Question);
        QCOMPARE(Dialogs::lastAsked().buttons, QMessageBox::Yes | QMessageBox::Cancel);
    }

    // A queued file name must not answer a message box, and the other way round.
    void kindsHaveSeparateQueues() {
        Dialogs::setNextFileName("/tmp/b.prj");
        Dialogs::setNextAnswer(QMessageBox::No);
        Dialogs::setNextText("Name.prj", true);
        QCOMPARE(Dialogs::getText(nullptr, "New Project", "Project Name", "MyProject.prj", nullptr),
                 QString("Name.prj"));
        QCOMPARE(Dialogs::question(nullptr, "t", "x", QMessageBox::Yes | QMessageBox::No), QMessageBox::No);
        QCOMPARE(Dialogs::getSaveFileName(nullptr, "Save Project As", "/start", "Project Files (*.prj)"),
                 QString("/tmp/b.prj"));
        const Dialogs::Asked file = Dialogs::lastAsked();
        QCOMPARE(file.kind, Dialogs::Kind::SaveFile);
        QCOMPARE(file.title, QString("Save Project As"));
        QCOMPARE(file.dir, QString("/start"));
        QCOMPARE(file.filter, QString("Project Files (*.prj)"));
        QCOMPARE(file.options, QFileDialog::Options());
        const Dialogs::Asked text = Dialogs::log()[0];
        QCOMPARE(text.kind, Dialogs::Kind::Text);
        QCOMPARE(text.title, QString("New Project"));
        QCOMPARE(text.text, QString("Project Name"));
        QCOMPARE(text.dir, QString("MyProject.prj"));
    }

    void emptyFileNameMeansCancelled() {
        Dialogs::setNextFileName(QString());
        QVERIFY(Dialogs::getOpenFileName(nullptr, "Open Project", "/d", "Project Files (*.prj)",
                                         QFileDialog::DontUseNativeDialog)
                    .isEmpty());
        QCOMPARE(Dialogs::lastAsked().kind, Dialogs::Kind::OpenFile);
        QCOMPARE(Dialogs::lastAsked().options, QFileDialog::Options(QFileDialog::DontUseNativeDialog));
    }

    void cancelledTextInputReportsNotOk() {
        Dialogs::setNextText("ignored", false);
        bool ok = true;
        QVERIFY(Dialogs::getText(nullptr, "New Project", "Project Name", "MyProject.prj", &ok).isEmpty());
        QVERIFY(!ok);
        Dialogs::setNextText(QString(), true);
        QVERIFY(Dialogs::getText(nullptr, "New Project", "Project Name", "MyProject.prj", &ok).isEmpty());
        QVERIFY(ok);
    }

    void informationAndCriticalOfferOk() {
        Dialogs::setNextAnswer(QMessageBox::Ok);
        Dialogs::setNextAnswer(QMessageBox::Ok);
        Dialogs::information(nullptr, "Inform", "done");
        QCOMPARE(Dialogs::lastAsked().icon, QMessageBox::Information);
        QCOMPARE(Dialogs::lastAsked().buttons, QMessageBox::Ok);
        Dialogs::critical(nullptr, "Error", "bad");
        QCOMPARE(Dialogs::lastAsked().icon, QMessageBox::Critical);
        QCOMPARE(Dialogs::lastAsked().title, QString("Error"));
    }

    void lastAskedOnEmptyLogIsNeutral() {
        QCOMPARE(Dialogs::lastAsked().title, QString());
        QCOMPARE(Dialogs::lastAsked().buttons, QMessageBox::StandardButtons(QMessageBox::NoButton));
    }

    void resetDropsQueuedAnswers() {
        Dialogs::setNextAnswer(QMessageBox::Yes);
        Dialogs::setNextFileName("x");
        Dialogs::setNextText("y");
        Dialogs::reset();
        QCOMPARE(Dialogs::pendingAnswers(), 0);
        QVERIFY(Dialogs::log().isEmpty());
    }

    // Without a scripted answer the real box is shown and its button returned.
    void realBoxAnswersWithPressedButton() {
        onNextModal([](QWidget *w) {
            auto *box = qobject_cast<QMessageBox *>(w);
            QVERIFY(box);
            QCOMPARE(box->text(), QString("Really?"));
            QVERIFY(!box->defaultButton());
            box->button(QMessageBox::No)->click();
        });
        QCOMPARE(Dialogs::question(nullptr, "Remove", "Really?", QMessageBox::Yes | QMessageBox::No), QMessageBox::No);
        QCOMPARE(Dialogs::log().size(), 1);
    }

    // Closing the box without a button gives its escape button, never Yes.
    void realBoxClosedGivesEscapeButton() {
        onNextModal([](QWidget *w) { w->close(); });
        QCOMPARE(Dialogs::question(nullptr, "Save", "Save changes?",
                                   QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel),
                 QMessageBox::Cancel);
        onNextModal([](QWidget *w) { QTest::keyClick(w, Qt::Key_Escape); });
        QCOMPARE(Dialogs::question(nullptr, "Save", "Save changes?", QMessageBox::Yes | QMessageBox::Cancel),
                 QMessageBox::Cancel);
    }

    void realOpenDialogReturnsChosenFile() {
        QTemporaryDir dir;
        QFile file(dir.filePath("stage.prj"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        onNextModal([&](QWidget *w) {
            auto *dialog = qobject_cast<QFileDialog *>(w);
            QVERIFY(dialog);
            QCOMPARE(dialog->windowTitle(), QString("Open Project"));
            dialog->selectFile(file.fileName());
            static_cast<QDialog *>(dialog)->accept();
        });
        QCOMPARE(Dialogs::getOpenFileName(nullptr, "Open Project", dir.path(), "Project Files (*.prj)",
                                          QFileDialog::DontUseNativeDialog),
                 file.fileName());
    }

    void realTextInputReturnsTyped() {
        onNextModal([](QWidget *w) {
            auto *input = qobject_cast<QInputDialog *>(w);
            QVERIFY(input);
            QCOMPARE(input->textValue(), QString("MyProject.prj"));
            input->setTextValue("Stage.prj");
            input->accept();
        });
        bool ok = false;
        QCOMPARE(Dialogs::getText(nullptr, "New Project", "Project Name", "MyProject.prj", &ok), QString("Stage.prj"));
        QVERIFY(ok);
    }
};

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
