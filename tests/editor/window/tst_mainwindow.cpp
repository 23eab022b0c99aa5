// The main window's spine: form, menus and shortcuts, context menus, key
// routing, resizing, closing, the About box and the five message slots.
#include "dialogs.h"
#include "mainwindow.h"
#include "mainwindowform.h"
#include "windowtestenv.h"

#include <QAbstractButton>
#include <QDialog>
#include <QLabel>
#include <QLoggingCategory>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

QTreeWidgetItem *addManufacturer(QTreeWidget *tree, const QString &name, const QString &marker) {
    auto *item = new QTreeWidgetItem(tree, QStringList{name});
    item->setToolTip(1, marker);
    return item;
}

QTreeWidgetItem *addDevice(QTreeWidgetItem *manufacturer, const QString &name, bool usb) {
    auto *item = new QTreeWidgetItem(manufacturer, QStringList{name});
    item->setToolTip(1, QStringLiteral("description"));
    if (usb)
        item->setToolTip(3, QStringLiteral("USB"));
    return item;
}

QStringList texts(const QList<QAction *> &actions) {
    QStringList out;
    for (const QAction *a : actions)
        out << (a->isSeparator() ? QStringLiteral("---") : a->text());
    return out;
}

// Answers the next modal message box by running `inspect` on it and then
// pressing `button`; fails the test when none shows up.
void answerNextBox(std::function<void(QMessageBox *)> inspect, QMessageBox::StandardButton button) {
    auto *timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, inspect, button] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        timer->stop();
        timer->deleteLater();
        inspect(box);
        box->button(button)->click();
    });
    timer->start();
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<WindowTestEnv> env;
    std::unique_ptr<MainWindow> w;

private slots:
    void initTestCase() {
        env = std::make_unique<WindowTestEnv>();
        // Some slot names start with "on_" without naming a form object.
        QLoggingCategory::setFilterRules("qt.core.qmetaobject.connectslotsbyname=false");
    }
    void init() {
        Dialogs::reset();
        w = std::make_unique<MainWindow>();
    }
    void cleanup() {
        w.reset();
        QCOMPARE(Dialogs::pendingAnswers(), 0);
        Dialogs::reset();
    }

    void formHasItsWidgetsAndProperties();
    void startStateAndStyles();
    void buttonsReachTheirSlots();
    void menusTextsShortcutsAndSlots();
    void contextActionsReachTheirSlots();
    void treeContextMenuPerItemKind();
    void tableContextMenuWithAndWithoutCell();
    void insertRunsOnlyWhileTableEnabled();
    void deleteRoutesByFocusLevelAndMarker();
    void otherKeysAreIgnored();
    void resizeGivesTreeAndTableTheirHeights();
    void columnWidthsFollowTableWidth();
    void closingRunsTheExitPath();
    void aboutBoxShowsAndHides();
    void messageSlotsAskThroughTheFacade_data();
    void messageSlotsAskThroughTheFacade();
    void messageBoxesHaveNoDefaultButton();
    void tableClickEnablesTable();
    void popupsAreBuiltHidden();
};

void TestMainWindow::formHasItsWidgetsAndProperties() {
    Ui::MainWindow *ui = w->ui;
    QVERIFY(ui->treeWidget->isSortingEnabled());
    QCOMPARE(ui->treeWidget->contextMenuPolicy(), Qt::CustomContextMenu);
    QCOMPARE(ui->treeWidget->focusPolicy(), Qt::StrongFocus);
    QCOMPARE(ui->tableWidget->contextMenuPolicy(), Qt::CustomContextMenu);
    QCOMPARE(ui->tableWidget->selectionMode(), QAbstractItemView::SingleSelection);
    QCOMPARE(ui->tableWidget->editTriggers(), QAbstractItemView::NoEditTriggers);
    QVERIFY(!ui->tableWidget->isSortingEnabled());
    QCOMPARE(ui->tableWidget->columnCount(), 5);
    QStringList headers;
    for (int c = 0; c < 5; ++c)
        headers << ui->tableWidget->horizontalHeaderItem(c)->text();
    QCOMPARE(headers, (QStringList{"DMX", "DMX", "Value", "Command", "Function Name"}));

    QCOMPARE(ui->labelDevice->text(), QString("Device"));
    QCOMPARE(ui->labelDescription->text(), QString("Description"));
    QCOMPARE(ui->labelTime->text(), QString("Date created"));
    QCOMPARE(ui->labelConn->text(), QString("Communication Settings"));
    QCOMPARE(ui->radioButtonHex->text(), QString("Hex"));
    QCOMPARE(ui->radioButtonInt->text(), QString("Dec"));
    QVERIFY(ui->radioButtonInt->isChecked());
    for (QLineEdit *e : {ui->lineEditManufact, ui->lineEditDesc, ui->lineEditTime})
        QVERIFY(e->isReadOnly());
    QCOMPARE(ui->lineEditManufact->maxLength(), 30);

    const QList<QPair<QAbstractButton *, QString>> buttons = {
        {ui->btnManufAdd, "Add"},     {ui->btnManufRemove, "Remove"}, {ui->btnDevAdd, "Add"},
        {ui->btnDevRemove, "Remove"}, {ui->btnDevEdit, "Edit"},       {ui->btnDevClone, "Clone"},
        {ui->btnDmxInsert, "Insert"}, {ui->btnDmxEdit, "Edit"},       {ui->btnDmxDelete, "Delete"}};
    for (const auto &b : buttons)
        QCOMPARE(b.first->text(), b.second);
    QCOMPARE(ui->label_btnMan->text(), QString("Manufacturer:"));
    QCOMPARE(ui->label_btnDev->text(), QString("Device:"));
    QCOMPARE(ui->label_btnDmx->text(), QString("DMX channel:"));
    QCOMPARE(ui->btnManufAdd->parentWidget(), ui->frameButtons);
    QCOMPARE(ui->btnDmxInsert->parentWidget(), ui->frame);
    QCOMPARE(ui->treeWidget->parentWidget(), ui->widget);
    QCOMPARE(ui->widget->parentWidget(), ui->centralWidget);

    QCOMPARE(w->minimumSize(), QSize(1000, 300));
    QCOMPARE(w->windowModality(), Qt::WindowModal);
    QVERIFY(!w->windowIcon().isNull());
    QVERIFY(!w->windowIcon().pixmap(32, 32).isNull());
    // Tab order: the table follows the tree (and the tree's own parts).
    QWidget *next = ui->treeWidget->nextInFocusChain();
    while (next != ui->tableWidget && ui->treeWidget->isAncestorOf(next))
        next = next->nextInFocusChain();
    QCOMPARE(next, ui->tableWidget);
}

void TestMainWindow::startStateAndStyles() {
    Ui::MainWindow *ui = w->ui;
    QCOMPARE(w->sProjectName, QString("MyProject.prj"));
    QCOMPARE(w->sAppTitle, QString("Vorne Converter v2.11") + QString(14, ' '));
    QCOMPARE(w->sAppTitle.size(), 35);
    QVERIFY(w->sDefaultPath.endsWith(QDir::separator() + QString("Vorne")));
    QVERIFY(w->listMyPresets.isEmpty());
    QVERIFY(!w->globalAddDeleteItem && !w->okTreePopupShow && !w->addParentFlag && !w->editUsbFlag);

    QVERIFY(!ui->tableWidget->isEnabled());
    QVERIFY(!ui->btnDmxInsert->isEnabled());
    QVERIFY(!ui->btnDmxEdit->isEnabled());
    QCOMPARE(ui->tableWidget->rowCount(), 0);
    QVERIFY(!ui->treeWidget->isHeaderHidden());
    QCOMPARE(ui->treeWidget->columnCount(), 1);
    QCOMPARE(ui->treeWidget->columnWidth(0), 300);
    QVERIFY(ui->radioButtonHex->isHidden());
    QVERIFY(ui->radioButtonInt->isHidden());
    QCOMPARE(w->minimumWidth(), 1000);
    QCOMPARE(w->maximumWidth(), 1000);
    QVERIFY(w->windowFlags() & Qt::CustomizeWindowHint);

    QVERIFY(ui->labelDevice->font().bold());
    QCOMPARE(ui->labelConn->font().pointSize(), 10);
    QCOMPARE(ui->labelConn->styleSheet(), QString("background-image: url(:/new/prefix1/images/1.png);"));
    const QString listStyle = "background-image: url(:/new/prefix1/images/white.png);\nfont: 75 9pt \"Nimbus Sans L\";";
    for (QWidget *x :
         std::initializer_list<QWidget *>{ui->listWidgetLeft, ui->listWidgetRight, ui->treeWidget, ui->tableWidget,
                                          ui->lineEditTime, ui->lineEditDesc, ui->lineEditManufact})
        QCOMPARE(x->styleSheet(), listStyle);
    QCOMPARE(ui->menuFile->font().pointSize(), 10);
    QVERIFY(!ui->action_NewProject->font().bold());

    // Even with no project loaded the tree keeps its entries in ascending order.
    addManufacturer(ui->treeWidget, "Zeta", "parent");
    addManufacturer(ui->treeWidget, "Alpha", "parent");
    QCOMPARE(ui->treeWidget->topLevelItem(0)->text(0), QString("Alpha"));
}

void TestMainWindow::buttonsReachTheirSlots() {
    Ui::MainWindow *ui = w->ui;
    MainWindow *m = w.get();
    QVERIFY(QObject::disconnect(ui->btnManufAdd, &QPushButton::pressed, m, &MainWindow::addParent));
    QVERIFY(QObject::disconnect(ui->btnManufRemove, &QPushButton::pressed, m, &MainWindow::removeManufactDevice));
    QVERIFY(QObject::disconnect(ui->btnDevAdd, &QPushButton::pressed, m, &MainWindow::addDevice));
    QVERIFY(QObject::disconnect(ui->btnDevRemove, &QPushButton::pressed, m, &MainWindow::removeDevice));
    QVERIFY(QObject::disconnect(ui->btnDevEdit, &QPushButton::pressed, m, &MainWindow::editDevice));
    QVERIFY(QObject::disconnect(ui->btnDevClone, &QPushButton::pressed, m, &MainWindow::cloneDevice));
    QVERIFY(QObject::disconnect(ui->btnDmxInsert, &QPushButton::pressed, m, &MainWindow::insertRow));
    QVERIFY(QObject::disconnect(ui->btnDmxEdit, &QPushButton::pressed, m, &MainWindow::editRow));
    QVERIFY(QObject::disconnect(ui->btnDmxDelete, &QPushButton::pressed, m, &MainWindow::deleteRow));
    QVERIFY(QObject::disconnect(m->lineEditRowAscii, &QLineEdit::textChanged, m, &MainWindow::on_textChangedAsciiHex));
    QVERIFY(QObject::disconnect(m->lineEditRowHex, &QLineEdit::textChanged, m, &MainWindow::on_textChangedAsciiHex));
    QVERIFY(QObject::disconnect(ui->treeWidget, &QTreeWidget::itemClicked, m, &MainWindow::getPositionTree));
    // Connected by name by the form.
    QVERIFY(QObject::disconnect(ui->treeWidget, SIGNAL(customContextMenuRequested(QPoint)), m,
                                SLOT(on_treeWidget_customContextMenuRequested(QPoint))));
    QVERIFY(QObject::disconnect(ui->tableWidget, SIGNAL(customContextMenuRequested(QPoint)), m,
                                SLOT(on_tableWidget_customContextMenuRequested(QPoint))));
    QVERIFY(QObject::disconnect(ui->treeWidget, SIGNAL(doubleClicked(QModelIndex)), m,
                                SLOT(on_treeWidget_doubleClicked(QModelIndex))));
    QVERIFY(QObject::disconnect(ui->tableWidget, SIGNAL(cellDoubleClicked(int, int)), m,
                                SLOT(on_tableWidget_cellDoubleClicked(int, int))));
    QVERIFY(QObject::disconnect(ui->tableWidget, SIGNAL(clicked(QModelIndex)), m,
                                SLOT(on_tableWidget_clicked(QModelIndex))));
    QVERIFY(QObject::disconnect(ui->lineEditManufact, SIGNAL(returnPressed()), m,
                                SLOT(on_lineEditManufact_returnPressed())));
}

void TestMainWindow::menusTextsShortcutsAndSlots() {
    Ui::MainWindow *ui = w->ui;
    QStringList titles;
    for (QAction *a : ui->menuBar->actions())
        titles << a->text();
    QCOMPARE(titles, (QStringList{"&File", "&Edit", "&VORNE HW", "&Help"}));
    QCOMPARE(texts(w->menuEdit->actions()), (QStringList{"Undo", "Redo"}));
    QCOMPARE(w->actUndo->shortcuts(), QList<QKeySequence>{QKeySequence("Ctrl+Z")});
    QCOMPARE(w->actRedo->shortcuts(), (QList<QKeySequence>{QKeySequence("Ctrl+Shift+Z"), QKeySequence("Ctrl+Y")}));
    QCOMPARE(texts(ui->menuFile->actions()),
             (QStringList{"&New Project", "&Open Project", "&Save", "Save &As", "---", "Exit"}));
    QCOMPARE(texts(ui->menuVorne_HW->actions()),
             (QStringList{"&Read Vorne file", "Sa&ve Vorne file", "Sen&d Vorne file"}));
    QCOMPARE(texts(ui->menu_About->actions()), QStringList{"A&bout"});

    const QList<QPair<QAction *, QString>> shortcuts = {
        {ui->action_NewProject, "Ctrl+N"}, {ui->action_OpenProject, "Ctrl+O"}, {ui->action_Save, "Ctrl+S"},
        {ui->action_SaveAs, "Ctrl+A"},     {ui->action_Exit, "Ctrl+E"},        {ui->actionRead_VORNE, "Ctrl+R"},
        {ui->actionSave_VORNE, "Ctrl+V"},  {ui->actionSend_Vorne, "Ctrl+D"},   {ui->action_About_2, "Ctrl+B"}};
    for (const auto &s : shortcuts)
        QCOMPARE(s.first->shortcut(), QKeySequence(s.second));

    // Created by the form but in no menu.
    QCOMPARE(ui->action_About->text(), QString("&About"));
    QCOMPARE(ui->action_AboutProject->text(), QString("&About"));
    for (QMenu *menu : {ui->menuFile, ui->menuVorne_HW, ui->menu_About}) {
        QVERIFY(!menu->actions().contains(ui->action_About));
        QVERIFY(!menu->actions().contains(ui->action_AboutProject));
    }

    MainWindow *m = w.get();
    QVERIFY(QObject::disconnect(ui->action_NewProject, &QAction::triggered, m, &MainWindow::newProject));
    QVERIFY(QObject::disconnect(ui->action_OpenProject, &QAction::triggered, m, &MainWindow::openProject));
    QVERIFY(QObject::disconnect(ui->action_Save, &QAction::triggered, m, qOverload<>(&MainWindow::saveProject)));
    QVERIFY(QObject::disconnect(ui->action_SaveAs, &QAction::triggered, m, &MainWindow::saveAsProject));
    QVERIFY(QObject::disconnect(ui->action_Exit, &QAction::triggered, m, &MainWindow::exitProject));
    QVERIFY(QObject::disconnect(ui->actionRead_VORNE, &QAction::triggered, m, &MainWindow::readVorne));
    QVERIFY(QObject::disconnect(ui->actionSave_VORNE, &QAction::triggered, m, &MainWindow::saveVorne));
    QVERIFY(QObject::disconnect(ui->actionSend_Vorne, &QAction::triggered, m, &MainWindow::sendVorne));
    QVERIFY(QObject::disconnect(ui->action_About_2, SIGNAL(triggered()), m, SLOT(on_action_About_2_triggered())));
    // A&bout is the one menu entry whose effect is visible without other pieces.
    QVERIFY(!m->aboutDialog->isVisible());
    ui->action_About_2->trigger();
    QVERIFY(m->aboutDialog->isVisible());
}

void TestMainWindow::contextActionsReachTheirSlots() {
    MainWindow *m = w.get();
    const QList<std::tuple<QAction *, QString, MainWindow::Command>> actions = {
        {m->actAddParent, "Add Manufacturer", &MainWindow::addParent},
        {m->actAddDevice, "Add Device", &MainWindow::addDevice},
        {m->actRemoveManufact, "Remove Manufacturer", &MainWindow::removeManufactDevice},
        {m->actCloneDevice, "Clone Device", &MainWindow::cloneDevice},
        {m->actEditDevice, "Edit Device", &MainWindow::editDevice},
        {m->actRemoveDevice, "Remove Device", &MainWindow::removeDevice},
        {m->actCloneUsbDevice, "Clone Device", &MainWindow::cloneUsbDevice},
        {m->actEditUsbDevice, "Edit Device", &MainWindow::editUsbDevice},
        {m->actRemoveUsbDevice, "Remove Device", &MainWindow::removeUsbDevice},
        {m->actRemoveUsbParent, "Remove Device", &MainWindow::removeUsbParent},
        {m->actInsertRow, "&Insert DMX Chanel", &MainWindow::insertRow},
        {m->actEditRow, "&Edit  DMX Chanel", &MainWindow::editRow},
        {m->actDeleteRow, "&Delete DMX Chanel", &MainWindow::deleteRow},
    };
    QSet<QAction *> distinct;
    for (const auto &[action, text, slot] : actions) {
        QVERIFY(action);
        distinct.insert(action);
        QCOMPARE(action->text(), text);
        QCOMPARE(action->parent(), m);
        QVERIFY2(QObject::disconnect(action, &QAction::triggered, m, slot), qPrintable(text));
    }
    QCOMPARE(distinct.size(), 13);
}

void TestMainWindow::treeContextMenuPerItemKind() {
    QTreeWidget *tree = w->ui->treeWidget;
    MainWindow *m = w.get();
    QTreeWidgetItem *maker = addManufacturer(tree, "Acme", "parent");
    QTreeWidgetItem *device = addDevice(maker, "Amp", false);
    QTreeWidgetItem *usbMaker = addManufacturer(tree, "USB:Acme", "USB:parent");
    QTreeWidgetItem *usbDevice = addDevice(usbMaker, "Stick", true);
    QTreeWidgetItem *odd = addManufacturer(tree, "Odd", "something else");
    tree->expandAll();
    w->resize(1000, 600);
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));

    auto at = [tree](QTreeWidgetItem *item) { return tree->visualItemRect(item).center(); };
    QCOMPARE(tree->itemAt(at(device)), device);
    QCOMPARE(m->treeContextActions(at(maker)), (QList<QAction *>{m->actAddDevice, m->actRemoveManufact}));
    QCOMPARE(m->treeContextActions(at(device)),
             (QList<QAction *>{m->actCloneDevice, m->actEditDevice, m->actRemoveDevice}));
    QCOMPARE(m->treeContextActions(at(usbMaker)), QList<QAction *>{m->actRemoveUsbParent});
    QCOMPARE(m->treeContextActions(at(usbDevice)),
             (QList<QAction *>{m->actCloneUsbDevice, m->actEditUsbDevice, m->actRemoveUsbDevice}));
    QVERIFY(m->treeContextActions(at(odd)).isEmpty());
    const QPoint empty(5, tree->viewport()->height() - 5);
    QVERIFY(!tree->itemAt(empty));
    QCOMPARE(m->treeContextActions(empty), QList<QAction *>{m->actAddParent});

    // A device under a USB-marked manufacturer but without its own marker is a
    // plain device: the menu is chosen by the item's own column-3 marker.
    QTreeWidgetItem *plainUnderUsb = addDevice(usbMaker, "Plain", false);
    QCOMPARE(m->treeContextActions(at(plainUnderUsb)).first(), m->actCloneDevice);
}

void TestMainWindow::tableContextMenuWithAndWithoutCell() {
    QTableWidget *table = w->ui->tableWidget;
    MainWindow *m = w.get();
    w->resize(1000, 600);
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    table->insertRow(0);
    for (int c = 0; c < 5; ++c)
        table->setItem(0, c, new QTableWidgetItem(QString::number(c)));
    const QPoint cell = table->visualItemRect(table->item(0, 3)).center();
    QCOMPARE(m->tableContextActions(cell), (QList<QAction *>{m->actInsertRow, m->actEditRow, m->actDeleteRow,
                                                             m->actSplitChanel, m->actImportRows, m->actExportRows,
                                                             m->actTryRow}));
    const QPoint below(5, table->viewport()->height() - 5);
    const QList<QAction *> outsideRows{m->actInsertRow, m->actSplitChanel, m->actImportRows, m->actExportRows};
    QCOMPARE(m->tableContextActions(below), outsideRows);

    // A row position without an item in that cell is outside any cell.
    table->insertRow(1);
    const QPoint emptyCell = table->visualRect(table->model()->index(1, 2)).center();
    QCOMPARE(m->tableContextActions(emptyCell), outsideRows);
}

void TestMainWindow::insertRunsOnlyWhileTableEnabled() {
    w->table_setEnabled(false);
    QVERIFY(w->keyCommands(Qt::Key_Insert).isEmpty());
    w->table_setEnabled(true);
    QCOMPARE(w->keyCommands(Qt::Key_Insert), QList<MainWindow::Command>{&MainWindow::insertRow});
}

void TestMainWindow::deleteRoutesByFocusLevelAndMarker() {
    Ui::MainWindow *ui = w->ui;
    QTreeWidget *tree = ui->treeWidget;
    QTreeWidgetItem *maker = addManufacturer(tree, "Acme", "parent");
    QTreeWidgetItem *device = addDevice(maker, "Amp", false);
    QTreeWidgetItem *usbMaker = addManufacturer(tree, "USB:Acme", "USB:parent");
    // The USB device is recognised through its manufacturer's marker.
    QTreeWidgetItem *usbDevice = addDevice(usbMaker, "Stick", false);
    w->show();
    QVERIFY(QTest::qWaitForWindowActive(w.get()));

    using C = QList<MainWindow::Command>;
    tree->setFocus();
    QTRY_VERIFY(tree->hasFocus());
    tree->setCurrentItem(device);
    QCOMPARE(w->keyCommands(Qt::Key_Delete), C{&MainWindow::removeDevice});
    tree->setCurrentItem(maker);
    QCOMPARE(w->keyCommands(Qt::Key_Delete), C{&MainWindow::removeManufactDevice});
    tree->setCurrentItem(usbDevice);
    QCOMPARE(w->keyCommands(Qt::Key_Delete), C{&MainWindow::removeUsbDevice});
    tree->setCurrentItem(usbMaker);
    QCOMPARE(w->keyCommands(Qt::Key_Delete), C{&MainWindow::removeUsbParent});

    // A current item that is not selected is not removed.
    usbMaker->setSelected(false);
    QVERIFY(w->keyCommands(Qt::Key_Delete).isEmpty());
    tree->setCurrentItem(nullptr);
    QVERIFY(w->keyCommands(Qt::Key_Delete).isEmpty());

    // A disabled tree removes nothing even with the focus.
    tree->setCurrentItem(device);
    tree->setEnabled(false);
    QVERIFY(w->keyCommands(Qt::Key_Delete).isEmpty());
    tree->setEnabled(true);

    // In the table Delete removes the row, and only while the table is enabled.
    w->table_setEnabled(true);
    ui->tableWidget->setFocus();
    QTRY_VERIFY(ui->tableWidget->hasFocus());
    QCOMPARE(w->keyCommands(Qt::Key_Delete), C{&MainWindow::deleteRow});
    w->table_setEnabled(false);
    QVERIFY(w->keyCommands(Qt::Key_Delete).isEmpty());

    // Focus elsewhere: nothing.
    w->table_setEnabled(true);
    ui->lineEditDesc->setFocus();
    QTRY_VERIFY(ui->lineEditDesc->hasFocus());
    QVERIFY(w->keyCommands(Qt::Key_Delete).isEmpty());
}

void TestMainWindow::otherKeysAreIgnored() {
    QVERIFY(w->keyCommands(Qt::Key_Backspace).isEmpty());
    QKeyEvent other(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a");
    QApplication::sendEvent(w.get(), &other);
    QVERIFY(!other.isAccepted());
    QKeyEvent insert(QEvent::KeyPress, Qt::Key_Insert, Qt::NoModifier);
    QApplication::sendEvent(w.get(), &insert);
    QVERIFY(insert.isAccepted());
}

void TestMainWindow::resizeGivesTreeAndTableTheirHeights() {
    const int treeWidth = w->ui->treeWidget->width();
    const int tableWidth = w->ui->tableWidget->width();
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    w->resize(1000, 300);
    QTRY_COMPARE(w->height(), 300);
    QCOMPARE(w->ui->treeWidget->height(), 155);
    QCOMPARE(w->ui->tableWidget->height(), 35);
    w->resize(1000, 700);
    QTRY_COMPARE(w->height(), 700);
    QCOMPARE(w->ui->treeWidget->height(), 555);
    QCOMPARE(w->ui->tableWidget->height(), 435);
    QCOMPARE(w->ui->treeWidget->width(), treeWidth);
    QCOMPARE(w->ui->tableWidget->width(), tableWidth);
    // Smaller than the minimum is refused by the window.
    w->resize(1000, 100);
    QTRY_COMPARE(w->height(), 300);
    QCOMPARE(w->ui->tableWidget->height(), 35);
}

void TestMainWindow::columnWidthsFollowTableWidth() {
    QTableWidget *table = w->ui->tableWidget;
    auto widths = [table] {
        QList<int> out;
        for (int c = 0; c < 5; ++c)
            out << table->columnWidth(c);
        return out;
    };
    w->setColumnWidths(700);
    QCOMPARE(widths(), (QList<int>{91, 91, 91, 203, 203}));
    w->setColumnWidths(250); // integer arithmetic truncates 32.5 and 72.5
    QCOMPARE(widths(), (QList<int>{32, 32, 32, 72, 72}));
    // The constructor used the form's table width.
    MainWindow fresh;
    const int W = fresh.ui->tableWidget->width();
    QCOMPARE(fresh.ui->tableWidget->columnWidth(0), W * 13 / 100);
    QCOMPARE(fresh.ui->tableWidget->columnWidth(4), W * 29 / 100);
}

void TestMainWindow::closingRunsTheExitPath() {
    // With changes pending, Exit asks to save; Cancel keeps the editor open.
    w->globalAddDeleteItem = true;
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));

    Dialogs::setNextAnswer(QMessageBox::Cancel);
    w->ui->action_Exit->trigger();
    const QList<Dialogs::Asked> viaMenu = Dialogs::log();
    const int menuAnswersLeft = Dialogs::pendingAnswers();
    Dialogs::reset();

    Dialogs::setNextAnswer(QMessageBox::Cancel);
    QCloseEvent close;
    QApplication::sendEvent(w.get(), &close);
    QVERIFY(!close.isAccepted()); // exitProject() decides, never the close event
    QVERIFY(w->isVisible());
    QCOMPARE(Dialogs::log().size(), viaMenu.size());
    for (int i = 0; i < viaMenu.size(); ++i) {
        QCOMPARE(Dialogs::log()[i].title, viaMenu[i].title);
        QCOMPARE(Dialogs::log()[i].text, viaMenu[i].text);
        QCOMPARE(Dialogs::log()[i].buttons, viaMenu[i].buttons);
    }
    QCOMPARE(Dialogs::pendingAnswers(), menuAnswersLeft);
    Dialogs::reset();
}

void TestMainWindow::aboutBoxShowsAndHides() {
    MainWindow *m = w.get();
    QCOMPARE(m->aboutDialog->windowTitle(), QString("About Vorne Converter"));
    QVERIFY(!m->aboutDialog->isVisible());
    m->aboutProject();
    QVERIFY(m->aboutDialog->isVisible());
    QVERIFY(!m->aboutDialog->isModal());
    QCOMPARE(m->aboutDialog->parentWidget(), m);
    QCOMPARE(m->aboutDialog->size(), QSize(350, 240));
    QCOMPARE(m->aboutDialog->minimumSize(), QSize(350, 240));
    QCOMPARE(m->aboutDialog->maximumSize(), QSize(350, 240));
    QVERIFY(m->aboutDialog->windowFlags() & Qt::MSWindowsFixedSizeDialogHint);
    QCOMPARE(m->aboutDialog->pos(), QPoint(507, 220));

    QCOMPARE(m->aboutLabels[0]->text(), m->sAppTitle);
    QVERIFY(m->aboutLabels[0]->font().bold());
    QCOMPARE(m->aboutLabels[1]->text(), QString("Ostravon"));
    QVERIFY(!m->aboutLabels[2]->text().isEmpty());
    QVERIFY(!m->aboutLabels[3]->text().isEmpty());
    QVERIFY(m->aboutLabels[4]->text().contains("<a href=\"http"));
    QVERIFY(m->aboutLabels[5]->text().contains("mailto:"));
    QVERIFY(m->aboutLabels[5]->text().contains("subject=Vorne Converter question"));
    for (QLabel *link : {m->aboutLabels[4], m->aboutLabels[5]}) {
        QVERIFY(link->openExternalLinks());
        QCOMPARE(link->indent(), -3);
        QCOMPARE(link->textInteractionFlags(), Qt::TextSelectableByMouse | Qt::LinksAccessibleByMouse);
        QCOMPARE(link->font().pointSize(), 8);
    }
    QCOMPARE(m->aboutLabels[7]->text(), QString());
    QCOMPARE(m->aboutLabels[7]->font().pointSize(), 7);
    for (QLabel *label : m->aboutLabels)
        QCOMPARE(label->styleSheet(), QString("background-image: url(:/new/prefix1/images/1.png);"));
    QVERIFY(m->aboutLogo->styleSheet().contains("url(:/new/prefix1/images/logo.png)"));
    QCOMPARE(m->aboutButton->text(), QString("O&K"));

    // Showing twice does not duplicate anything; O&K hides the box, which stays for later.
    m->aboutProject();
    QCOMPARE(m->aboutDialog->findChildren<QLabel *>().size(), 8);
    QTest::mousePress(m->aboutButton, Qt::LeftButton);
    QVERIFY(!m->aboutDialog->isVisible());
    QTest::mouseRelease(m->aboutButton, Qt::LeftButton);
    m->aboutProject();
    QVERIFY(m->aboutDialog->isVisible());
    m->closePopup();
    QVERIFY(!m->aboutDialog->isVisible());
}

void TestMainWindow::messageSlotsAskThroughTheFacade_data() {
    QTest::addColumn<QString>("slot");
    QTest::addColumn<int>("icon");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("buttons");
    QTest::addColumn<int>("answer");
    QTest::newRow("inform") << "inform" << int(QMessageBox::Information) << "Inform" << int(QMessageBox::Ok)
                            << int(QMessageBox::Ok);
    QTest::newRow("critical") << "critical" << int(QMessageBox::Critical) << "Error" << int(QMessageBox::Ok)
                              << int(QMessageBox::Ok);
    QTest::newRow("question") << "question" << int(QMessageBox::Question) << "T"
                              << int(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel)
                              << int(QMessageBox::Cancel);
    QTest::newRow("remove") << "remove" << int(QMessageBox::Question) << "Remove"
                            << int(QMessageBox::Yes | QMessageBox::No) << int(QMessageBox::No);
    QTest::newRow("save") << "save" << int(QMessageBox::Question) << "Save"
                          << int(QMessageBox::Yes | QMessageBox::Cancel) << int(QMessageBox::Yes);
}

void TestMainWindow::messageSlotsAskThroughTheFacade() {
    QFETCH(QString, slot);
    QFETCH(int, icon);
    QFETCH(QString, title);
    QFETCH(int, buttons);
    QFETCH(int, answer);
    Dialogs::setNextAnswer(QMessageBox::StandardButton(answer));
    int result = -1;
    if (slot == "inform")
        w->informMessage("the text");
    else if (slot == "critical")
        w->criticalMessage("the text");
    else if (slot == "question")
        result = w->questionMessage(title, "the text");
    else if (slot == "remove")
        result = w->questionRemoveMessage(title, "the text");
    else
        result = w->questionSaveMessage(title, "the text");
    if (result != -1)
        QCOMPARE(result, answer);
    QCOMPARE(Dialogs::log().size(), 1);
    const Dialogs::Asked asked = Dialogs::lastAsked();
    QCOMPARE(int(asked.icon), icon);
    QCOMPARE(asked.title, title);
    QCOMPARE(asked.text, QString("the text"));
    QCOMPARE(int(asked.buttons), buttons);
}

// The real boxes: parent, icon, buttons and no default button.
void TestMainWindow::messageBoxesHaveNoDefaultButton() {
    struct Case {
        std::function<int()> ask;
        QMessageBox::Icon icon;
        QString title;
        QMessageBox::StandardButtons buttons;
        QMessageBox::StandardButton press;
    };
    MainWindow *m = w.get();
    const QList<Case> cases = {
        {[m] { return (m->informMessage("i"), int(QMessageBox::Ok)); }, QMessageBox::Information, "Inform",
         QMessageBox::Ok, QMessageBox::Ok},
        {[m] { return (m->criticalMessage("c"), int(QMessageBox::Ok)); }, QMessageBox::Critical, "Error",
         QMessageBox::Ok, QMessageBox::Ok},
        {[m] { return m->questionMessage("Q", "q"); }, QMessageBox::Question, "Q",
         QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::No},
        {[m] { return m->questionRemoveMessage("Remove", "r"); }, QMessageBox::Question, "Remove",
         QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes},
        {[m] { return m->questionSaveMessage("Save", "s"); }, QMessageBox::Question, "Save",
         QMessageBox::Yes | QMessageBox::Cancel, QMessageBox::Cancel},
    };
    for (const Case &c : cases) {
        bool inspected = false;
        answerNextBox(
            [&](QMessageBox *box) {
                inspected = true;
                QCOMPARE(box->parentWidget(), m);
                QCOMPARE(box->icon(), c.icon);
                QCOMPARE(box->windowTitle(), c.title);
                QCOMPARE(box->standardButtons(), c.buttons);
                QVERIFY(!box->defaultButton());
            },
            c.press);
        QCOMPARE(c.ask(), int(c.press));
        QVERIFY(inspected);
    }
}

void TestMainWindow::tableClickEnablesTable() {
    QVERIFY(!w->ui->tableWidget->isEnabled());
    w->on_tableWidget_clicked(QModelIndex());
    QVERIFY(w->ui->tableWidget->isEnabled());
    QVERIFY(w->ui->btnDmxInsert->isEnabled());
    // Edit and Delete wait for a current row.
    QVERIFY(!w->ui->btnDmxEdit->isEnabled());
    QVERIFY(!w->ui->btnDmxDelete->isEnabled());
    w->ui->tableWidget->insertRow(0);
    w->ui->tableWidget->setItem(0, 0, new QTableWidgetItem("1"));
    w->ui->tableWidget->setCurrentCell(0, 0);
    w->table_setEnabled(true);
    QVERIFY(w->ui->btnDmxEdit->isEnabled());
    QVERIFY(w->ui->btnDmxDelete->isEnabled());
    w->table_setEnabled(false);
    QVERIFY(!w->ui->btnDmxEdit->isEnabled());
    QVERIFY(!w->ui->btnDmxInsert->isEnabled());
}

void TestMainWindow::popupsAreBuiltHidden() {
    MainWindow *m = w.get();
    QVERIFY(m->rowPopup && m->treePopup);
    QCOMPARE(m->rowPopup->parentWidget(), m);
    QCOMPARE(m->treePopup->parentWidget(), m);
    QVERIFY(!m->rowPopup->isVisible());
    QVERIFY(!m->treePopup->isVisible());
    QCOMPARE(m->labelRowDmx->text(), QString("DMX address"));
    QCOMPARE(m->labelRowFunction->text(), QString("Function Name"));
    QCOMPARE(m->btnRowOk->text(), QString("O&K"));
    QCOMPARE(m->btnRowCancel->text(), QString("C&ancel"));
    QCOMPARE(m->btnPopupOk->text(), QString("&Ok"));
    QCOMPARE(m->btnPopupCancel->text(), QString("&Cancel"));
    for (int f = 0; f < MyConnParam::FieldCount; ++f) {
        QVERIFY(m->settingLabel[f] && m->settingCombo[f] && m->settingField[f]);
        // Only the five settings without a free-text field share the spare.
        QCOMPARE(m->settingField[f] == m->lineEditPopupSpare, f < MyConnParam::Delay_Time);
    }
    QCOMPARE(m->settingLabel[MyConnParam::Replay_Wait_Time]->text(), QString("Wait time [ms]"));
    QVERIFY(QObject::disconnect(m->btnPopupOk, &QPushButton::clicked, m, &MainWindow::okTreePopup));
    QVERIFY(QObject::disconnect(m->btnRowOk, &QPushButton::clicked, m, &MainWindow::okPopup));
    QVERIFY(QObject::disconnect(m->treePopup, &QDialog::finished, m, &MainWindow::closeEventEx2));
    QVERIFY(QObject::disconnect(m->rowPopup, &QDialog::finished, m, &MainWindow::closeEventEx));
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
