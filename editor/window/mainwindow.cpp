// Construction of the window, its menus, context menus, keys, About box and
// the five message slots through which the editor talks to the user.
#include "mainwindow.h"

#include "dialogs.h"
#include "resources.h"
#include "treemarkers.h"
#include "ui_mainwindow.h"

#include <QCloseEvent>
#include <QDialog>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QResizeEvent>

namespace {

const QString kFontFamily = QStringLiteral("Nimbus Sans L");

// Maker details shown in the About box.
const QString kMakerName = QStringLiteral("Ostravon");
const QString kMakerStreet = QStringLiteral("Example Street 12");
const QString kMakerTown = QStringLiteral("12345 Sample Town");
const QString kMakerWeb = QStringLiteral("https://www.ostravon.example");
const QString kMakerMail = QStringLiteral("sales@ostravon.example");

// A line edit claims Ctrl+A, Ctrl+E, Ctrl+V and more for its own editing
// (ShortcutOverride), which leaves those menu keys dead while it has the
// focus. The menus' keys win; every other key still edits the field.
class MenuKeysFirst : public QObject {
public:
    MenuKeysFirst(QMenuBar *menuBar, QObject *parent) : QObject(parent), bar(menuBar) {}

    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() == QEvent::ShortcutOverride &&
            isMenuKey(QKeySequence(static_cast<QKeyEvent *>(event)->keyCombination()))) {
            event->ignore();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool isMenuKey(const QKeySequence &pressed) const {
        for (const QAction *title : bar->actions())
            if (const QMenu *menu = title->menu())
                for (const QAction *action : menu->actions())
                    if (action->isEnabled() && action->shortcuts().contains(pressed))
                        return true;
        return false;
    }

    QMenuBar *bar;
};

} // namespace

MainWindow::MainWindow(QWidget *parent) : QMainWindow(parent), ui(new Ui::MainWindow) {
    vorneInitResources();
    fontNormal10 = QFont(kFontFamily, 10, QFont::Normal);
    fontBold10 = QFont(kFontFamily, 10, QFont::Bold);
    fontLink8 = QFont(kFontFamily, 8, QFont::Normal);
    fontSmall7 = QFont(kFontFamily, 7, QFont::Normal);
    sDefaultPath = QDir::homePath() + QDir::separator() + QStringLiteral("Vorne");
    sAboutLine = QString();

    // The settings file names the project to load, so it comes first.
    readConfigFromFile();
    listMyPresets.clear();

    buildAboutDialog();
    buildRowPopup();
    buildTreePopup();
    createContextActions();
    listFreePlaces.clear();
    listReadChanel.clear();

    ui->setupUi(this);
    buildRowTools();
    auto *menuKeys = new MenuKeysFirst(ui->menuBar, this);
    for (QLineEdit *edit : ui->centralWidget->findChildren<QLineEdit *>())
        edit->installEventFilter(menuKeys);
    table_setEnabled(false);
    setColumnWidths(ui->tableWidget->width());
    for (int row = ui->tableWidget->rowCount() - 1; row >= 0; --row)
        ui->tableWidget->removeRow(row);

    // The header's default sort indicator is descending; the library tree reads A to Z.
    ui->treeWidget->sortByColumn(0, Qt::AscendingOrder);
    readDevicesFromFile(sProjectName);
    readAllDataFromFile();

    ui->treeWidget->setHeaderHidden(false);
    ui->treeWidget->setColumnCount(1);
    ui->treeWidget->setColumnWidth(0, 300);

    connect(ui->treeWidget, &QTreeWidget::itemClicked, this, &MainWindow::getPositionTree);
    connectMenuActions();
    buildEditMenu();

    ui->radioButtonHex->hide();
    ui->radioButtonInt->hide();

    applyFontsAndStyles();
    connectButtons();

    setFixedWidth(1000);
    setWindowFlags(windowFlags() | Qt::CustomizeWindowHint);
}

MainWindow::~MainWindow() { delete ui; }

QStringList &MainWindow::choiceList(int field) {
    switch (field) {
    case MyConnParam::Speed:
        return Speed_List;
    case MyConnParam::Data_Bits:
        return Data_Bits_List;
    case MyConnParam::Stop_Bits:
        return Stop_Bits_List;
    case MyConnParam::Parity:
        return Parity_List;
    case MyConnParam::Handshake:
        return Handshake_List;
    case MyConnParam::Delay_Time:
        return Delay_Time_List;
    case MyConnParam::Retry_Count:
        return Retry_Count_List;
    case MyConnParam::CMD_Prefix:
        return CMD_Prefix_List;
    case MyConnParam::CMD_Prefix_HEX:
        return CMD_Prefix_List_HEX;
    case MyConnParam::Normal_Replay:
        return Normal_Replay_List;
    case MyConnParam::Normal_Replay_HEX:
        return Normal_Replay_List_HEX;
    case MyConnParam::Error_Replay:
        return Error_Replay_List;
    case MyConnParam::Error_Replay_HEX:
        return Error_Replay_List_HEX;
    default:
        return Replay_Wait_Time_List;
    }
}

void MainWindow::buildAboutDialog() {
    aboutDialog = new QDialog(this);
    aboutDialog->setWindowTitle(tr("About Vorne Converter"));
    for (QLabel *&label : aboutLabels)
        label = new QLabel(aboutDialog);
    aboutButton = new QPushButton(aboutDialog);
    aboutLogo = new QWidget(aboutDialog);
    aboutLogo->setObjectName(QStringLiteral("aboutLogo"));
    connect(aboutButton, &QPushButton::pressed, this, &MainWindow::closePopup);
    aboutDialog->hide();
}

void MainWindow::createContextActions() {
    auto make = [this](const QString &text, void (MainWindow::*slot)()) {
        auto *action = new QAction(text, this);
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    actAddParent = make(tr("Add Manufacturer"), &MainWindow::addParent);
    actAddDevice = make(tr("Add Device"), &MainWindow::addDevice);
    actRemoveManufact = make(tr("Remove Manufacturer"), &MainWindow::removeManufactDevice);
    actCloneDevice = make(tr("Clone Device"), &MainWindow::cloneDevice);
    actEditDevice = make(tr("Edit Device"), &MainWindow::editDevice);
    actRemoveDevice = make(tr("Remove Device"), &MainWindow::removeDevice);
    actCloneUsbDevice = make(tr("Clone Device"), &MainWindow::cloneUsbDevice);
    actEditUsbDevice = make(tr("Edit Device"), &MainWindow::editUsbDevice);
    actRemoveUsbDevice = make(tr("Remove Device"), &MainWindow::removeUsbDevice);
    actRemoveUsbParent = make(tr("Remove Device"), &MainWindow::removeUsbParent);
    actInsertRow = make(tr("&Insert DMX Chanel"), &MainWindow::insertRow);
    actEditRow = make(tr("&Edit  DMX Chanel"), &MainWindow::editRow);
    actDeleteRow = make(tr("&Delete DMX Chanel"), &MainWindow::deleteRow);
    actSplitChanel = make(tr("S&plit channel..."), &MainWindow::splitChanel);
    actImportRows = make(tr("I&mport rows..."), &MainWindow::importRows);
    actExportRows = make(tr("E&xport rows..."), &MainWindow::exportRows);
    actTryRow = make(tr("Try on e&quipment..."), &MainWindow::tryOnEquipment);
}

void MainWindow::connectMenuActions() {
    connect(ui->action_NewProject, &QAction::triggered, this, &MainWindow::newProject);
    connect(ui->action_OpenProject, &QAction::triggered, this, &MainWindow::openProject);
    connect(ui->action_Save, &QAction::triggered, this, qOverload<>(&MainWindow::saveProject));
    connect(ui->action_SaveAs, &QAction::triggered, this, &MainWindow::saveAsProject);
    connect(ui->action_Exit, &QAction::triggered, this, &MainWindow::exitProject);
    connect(ui->actionRead_VORNE, &QAction::triggered, this, &MainWindow::readVorne);
    connect(ui->actionSave_VORNE, &QAction::triggered, this, &MainWindow::saveVorne);
    connect(ui->actionSend_Vorne, &QAction::triggered, this, &MainWindow::sendVorne);
    connect(ui->action_About_2, &QAction::triggered, this, &MainWindow::aboutProject);
}

void MainWindow::applyFontsAndStyles() {
    for (QLabel *label : {ui->labelDevice, ui->labelDescription, ui->labelTime, ui->labelConn})
        label->setFont(fontBold10);
    ui->labelConn->setStyleSheet(sLabelStyle);
    for (QWidget *w :
         std::initializer_list<QWidget *>{ui->listWidgetLeft, ui->listWidgetRight, ui->treeWidget, ui->tableWidget,
                                          ui->lineEditTime, ui->lineEditDesc, ui->lineEditManufact})
        w->setStyleSheet(sListStyle);
    ui->menuBar->setFont(fontNormal10);
    for (QMenu *menu : {ui->menuFile, menuEdit, ui->menuVorne_HW, ui->menu_About})
        menu->setFont(fontNormal10);
    for (QAction *action : {ui->action_NewProject, ui->action_OpenProject, ui->action_Save, ui->action_SaveAs,
                            ui->action_Exit, ui->actionRead_VORNE, ui->actionSave_VORNE, ui->actionSend_Vorne,
                            ui->action_About_2, ui->action_AboutProject, actUndo, actRedo})
        action->setFont(fontNormal10);
}

void MainWindow::connectButtons() {
    connect(ui->btnManufAdd, &QPushButton::pressed, this, &MainWindow::addParent);
    connect(ui->btnManufRemove, &QPushButton::pressed, this, &MainWindow::removeManufactDevice);
    connect(ui->btnDevAdd, &QPushButton::pressed, this, &MainWindow::addDevice);
    connect(ui->btnDevRemove, &QPushButton::pressed, this, &MainWindow::removeDevice);
    connect(ui->btnDevEdit, &QPushButton::pressed, this, &MainWindow::editDevice);
    connect(ui->btnDevClone, &QPushButton::pressed, this, &MainWindow::cloneDevice);
    connect(ui->btnDmxInsert, &QPushButton::pressed, this, &MainWindow::insertRow);
    connect(ui->btnDmxEdit, &QPushButton::pressed, this, &MainWindow::editRow);
    connect(ui->btnDmxDelete, &QPushButton::pressed, this, &MainWindow::deleteRow);
    if (lineEditRowAscii)
        connect(lineEditRowAscii, &QLineEdit::textChanged, this, &MainWindow::on_textChangedAsciiHex);
    if (lineEditRowHex)
        connect(lineEditRowHex, &QLineEdit::textChanged, this, &MainWindow::on_textChangedAsciiHex);
}

// Integer arithmetic on purpose: a 700-pixel table gives 91, 91, 91, 203, 203.
void MainWindow::setColumnWidths(int tableWidth) {
    for (int column = 0; column < 3; ++column)
        ui->tableWidget->setColumnWidth(column, tableWidth * 13 / 100);
    for (int column = 3; column < 5; ++column)
        ui->tableWidget->setColumnWidth(column, tableWidth * 29 / 100);
}

QList<QAction *> MainWindow::treeContextActions(const QPoint &pos) const {
    const QTreeWidgetItem *item = ui->treeWidget->itemAt(pos);
    if (!item)
        return {actAddParent};
    if (!item->parent()) {
        const QString marker = item->toolTip(1);
        if (marker == kParentMarker)
            return {actAddDevice, actRemoveManufact};
        if (marker == kUsbParentMarker)
            return {actRemoveUsbParent};
        return {};
    }
    if (item->toolTip(3) == kUsbDeviceMarker)
        return {actCloneUsbDevice, actEditUsbDevice, actRemoveUsbDevice};
    return {actCloneDevice, actEditDevice, actRemoveDevice};
}

QList<QAction *> MainWindow::tableContextActions(const QPoint &pos) const {
    if (ui->tableWidget->itemAt(pos))
        return {actInsertRow, actEditRow, actDeleteRow, actSplitChanel, actImportRows, actExportRows, actTryRow};
    return {actInsertRow, actSplitChanel, actImportRows, actExportRows};
}

// The signal's position is in viewport coordinates; mapping through the
// viewport puts the menu under the cursor, below the header.
void MainWindow::on_treeWidget_customContextMenuRequested(const QPoint &pos) {
    QMenu menu(this);
    menu.addActions(treeContextActions(pos));
    menu.exec(ui->treeWidget->viewport()->mapToGlobal(pos));
}

void MainWindow::on_tableWidget_customContextMenuRequested(const QPoint &pos) {
    QMenu menu(this);
    menu.addActions(tableContextActions(pos));
    menu.exec(ui->tableWidget->viewport()->mapToGlobal(pos));
}

// The table and the tree never both have the focus, so at most one of the
// two Delete commands applies.
QList<MainWindow::Command> MainWindow::keyCommands(int key) const {
    QList<Command> commands;
    if (key == Qt::Key_Insert) {
        if (ui->tableWidget->isEnabled())
            commands << &MainWindow::insertRow;
        return commands;
    }
    if (key != Qt::Key_Delete)
        return commands;
    if (ui->tableWidget->isEnabled() && ui->tableWidget->hasFocus())
        commands << &MainWindow::deleteRow;
    if (!ui->treeWidget->isEnabled() || !ui->treeWidget->hasFocus())
        return commands;
    const QTreeWidgetItem *item = ui->treeWidget->currentItem();
    if (!item || !item->isSelected())
        return commands;
    // A device is judged by its manufacturer's marker, a manufacturer by its own.
    if (const QTreeWidgetItem *manufacturer = item->parent())
        commands << (manufacturer->toolTip(1) == kUsbParentMarker ? &MainWindow::removeUsbDevice
                                                                  : &MainWindow::removeDevice);
    else
        commands << (item->toolTip(1) == kUsbParentMarker ? &MainWindow::removeUsbParent
                                                          : &MainWindow::removeManufactDevice);
    return commands;
}

void MainWindow::keyPressEvent(QKeyEvent *e) {
    if (e->key() != Qt::Key_Insert && e->key() != Qt::Key_Delete) {
        e->ignore();
        return;
    }
    for (Command command : keyCommands(e->key()))
        (this->*command)();
}

void MainWindow::resizeEvent(QResizeEvent *e) {
    QMainWindow::resizeEvent(e);
    const int height = e->size().height();
    ui->treeWidget->resize(ui->treeWidget->width(), height - 145);
    ui->tableWidget->resize(ui->tableWidget->width(), height - 265);
    placeRowTools(); // the row tools follow the table's bottom edge
}

// The title-bar close button behaves exactly like File, Exit: exitProject()
// decides whether and how the program ends.
void MainWindow::closeEvent(QCloseEvent *e) {
    e->ignore();
    exitProject();
}

// Suppresses QMainWindow's own toolbar/dock menu.
void MainWindow::contextMenuEvent(QContextMenuEvent *) {}

void MainWindow::aboutProject() {
    aboutDialog->setParent(this, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    aboutDialog->move(507, 220);
    aboutDialog->setFixedSize(350, 240);

    const QString linkStyle = QStringLiteral("<a href=\"%1\">%2</a>");
    const QString mailto =
        QStringLiteral("mailto:%1?subject=%2").arg(kMakerMail, QStringLiteral("Vorne Converter question"));
    const struct {
        QString text;
        QFont font;
    } lines[8] = {
        {sAppTitle, fontBold10},
        {kMakerName, fontNormal10},
        {kMakerStreet, fontNormal10},
        {kMakerTown, fontNormal10},
        {linkStyle.arg(kMakerWeb, kMakerWeb), fontLink8},
        {linkStyle.arg(mailto, kMakerMail), fontLink8},
        {QString(), fontSmall7},
        {sAboutLine, fontSmall7},
    };
    const int top = 10;
    for (int i = 0; i < 8; ++i) {
        QLabel *label = aboutLabels[i];
        label->setText(lines[i].text);
        label->setFont(lines[i].font);
        label->setStyleSheet(sLabelStyle);
        label->setGeometry(120, top + i * 22, 220, 20);
    }
    for (QLabel *link : {aboutLabels[4], aboutLabels[5]}) {
        link->setTextFormat(Qt::RichText);
        link->setOpenExternalLinks(true);
        link->setIndent(-3);
        link->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::LinksAccessibleByMouse);
    }
    aboutLabels[6]->hide();
    aboutLogo->setGeometry(10, top, 100, 100);
    aboutLogo->setStyleSheet(QStringLiteral("#aboutLogo { background-image: url(:/new/prefix1/images/logo.png); }"));
    aboutLogo->setAttribute(Qt::WA_StyledBackground);
    aboutButton->setText(tr("O&K"));
    aboutButton->setFont(fontBold10);
    aboutButton->setGeometry(135, 200, 80, 28);
    aboutDialog->show();
}

void MainWindow::closePopup() { aboutDialog->hide(); }

void MainWindow::informMessage(QString text) { Dialogs::information(this, tr("Inform"), text); }

void MainWindow::criticalMessage(QString text) { Dialogs::critical(this, tr("Error"), text); }

int MainWindow::questionMessage(QString title, QString text) {
    return Dialogs::question(this, title, text, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
}

int MainWindow::questionRemoveMessage(QString title, QString text) {
    return Dialogs::question(this, title, text, QMessageBox::Yes | QMessageBox::No);
}

int MainWindow::questionSaveMessage(QString title, QString text) {
    return Dialogs::question(this, title, text, QMessageBox::Yes | QMessageBox::Cancel);
}

void MainWindow::testFunction(QString) {}

void MainWindow::on_tableWidget_clicked(QModelIndex) { table_setEnabled(true); }

void MainWindow::on_action_About_2_triggered() {}

void MainWindow::on_treeWidget_itemClicked(QTreeWidgetItem *, int) {}

void MainWindow::setTreeActive(QString) {}
