// Project file, settings file and the File menu commands. The formats live in
// editor/storage; this file moves data between them and the window.
#include "mainwindow.h"

#include "configfile.h"
#include "dialogs.h"
#include "keepreport.h"
#include "projectfile.h"
#include "projectsave.h"
#include "projectstate.h"
#include "treemarkers.h"
#include "ui_mainwindow.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

namespace {
const QString kConfigFile = QStringLiteral("config.ini");
const QString kProjectFilter = QStringLiteral("Project Files (*.prj)");

// The tree part as the tree shows it (sorted), without the USB entry.
ProjectTree treeOrder(const QTreeWidget *tree) {
    ProjectTree order;
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *top = tree->topLevelItem(i);
        if (top->toolTip(1) != kParentMarker)
            continue;
        ProjectTreeManufacturer manufacturer{top->text(0), {}};
        for (int j = 0; j < top->childCount(); ++j) {
            const QTreeWidgetItem *child = top->child(j);
            if (child->toolTip(3) != kUsbDeviceMarker)
                manufacturer.devices.append({child->text(0), child->toolTip(1), child->toolTip(2)});
        }
        order.append(manufacturer);
    }
    return order;
}

void markItemSaved(QTreeWidgetItem *item, const QColor &white) {
    if (item->whatsThis(0) != kStatusChanged)
        return;
    item->setWhatsThis(0, kStatusSaved);
    item->setBackground(0, white);
}

AppConfig configOf(MainWindow &w) {
    AppConfig config;
    config.projectName = w.sProjectName;
    config.defaultPath = w.sDefaultPath;
    for (int field = 0; field < MyConnParam::FieldCount; ++field)
        config.lists[field] = w.choiceList(field);
    return config;
}

// The USB entry's place in the library, -1 when there is none. It is appended
// after the project's manufacturers, so a project's own manufacturer of the
// same name comes before it.
int usbPresetIndex(const MainWindow &w) {
    const QTreeWidget *tree = w.ui->treeWidget;
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        if (tree->topLevelItem(i)->toolTip(1) != kUsbParentMarker)
            continue;
        for (int p = int(w.listMyPresets.size()) - 1; p >= 0; --p)
            if (w.listMyPresets[p].deviceParent == tree->topLevelItem(i)->text(0))
                return p;
    }
    return -1;
}

void setHeaderToolTip(QTreeWidget *tree, const QString &text) { tree->headerItem()->setToolTip(0, text); }

// Writes the whole project (tree part in tree order, data part in library
// order) at once; the previous file stays intact until the new one is
// complete. A failure is told and leaves every change flag as it was.
bool writeProject(MainWindow &w, const QString &fileName) {
    QTreeWidget *tree = w.ui->treeWidget;
    QString error;
    if (!saveProjectFile(fileName, w.listMyPresets, treeOrder(tree), &error)) {
        w.criticalMessage(error);
        return false;
    }
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        QTreeWidgetItem *top = tree->topLevelItem(i);
        markItemSaved(top, w.colorSaved);
        for (int j = 0; j < top->childCount(); ++j)
            markItemSaved(top->child(j), w.colorSaved);
    }
    return true;
}
} // namespace

void MainWindow::readConfigFromFile() {
    AppConfig config = configOf(*this);
    if (!loadConfigFile(kConfigFile, &config))
        return;
    sProjectName = config.projectName;
    sDefaultPath = config.defaultPath;
    for (int field = 0; field < MyConnParam::FieldCount; ++field)
        choiceList(field) = config.lists[field];
}

// An unwritable config.ini is passed over silently; the project itself was saved or declined before.
void MainWindow::saveConfigToFile() {
    setHeaderToolTip(ui->treeWidget, QFileInfo(sProjectName).absoluteFilePath());
    saveConfigFile(kConfigFile, configOf(*this), nullptr);
}

void MainWindow::readDevicesFromFile(QString fileName) {
    createFileIfMissing(fileName, newProjectBytes(projectBaseName(fileName)));
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return;
    ProjectFileContent content;
    readProjectTree(&file, &content, nullptr);

    QTreeWidget *tree = ui->treeWidget;
    if (content.hasHeader) {
        auto *header = new QTreeWidgetItem;
        header->setText(0, content.header);
        header->setToolTip(0, QFileInfo(fileName).absoluteFilePath());
        tree->setHeaderItem(header);
    }
    // Items are built off the tree and added at once: thousands of devices load quickly.
    const QIcon manufacturerIcon(sManufactIcon);
    const QIcon deviceIcon(sDeviceIcon);
    QList<QTreeWidgetItem *> manufacturers;
    QTreeWidgetItem *firstDevice = nullptr;
    for (int p = 0; p < content.library.size(); ++p) {
        const MyPreset &preset = content.library[p];
        auto *manufacturer = new QTreeWidgetItem;
        manufacturer->setText(0, preset.deviceParent);
        manufacturer->setToolTip(1, kParentMarker);
        manufacturer->setIcon(0, manufacturerIcon);
        for (int d = 0; d < preset.listMyDevices.size(); ++d) {
            const MyDevice &device = preset.listMyDevices[d];
            auto *item = new QTreeWidgetItem(manufacturer);
            item->setText(0, device.deviceType);
            item->setToolTip(1, device.deviceDesc);
            item->setToolTip(2, device.deviceTime);
            item->setIcon(0, deviceIcon);
            if (p == content.firstPreset && d == content.firstDevice)
                firstDevice = item;
        }
        manufacturers.append(manufacturer);
    }
    const bool sorting = tree->isSortingEnabled();
    tree->setSortingEnabled(false);
    tree->addTopLevelItems(manufacturers);
    tree->setSortingEnabled(sorting);
    if (sorting) // the header's default indicator is descending; the tree is kept ascending
        tree->sortByColumn(0, Qt::AscendingOrder);
    if (listMyPresets.isEmpty())
        listMyPresets = std::move(content.library); // nothing shared, so no copy when the data part fills it
    else
        listMyPresets.append(content.library);
    if (firstDevice) {
        tree->setCurrentItem(firstDevice);
        firstDevice->setSelected(true);
    }
}

// Every device's sections are read in one pass over the file; what the
// reading passes over is kept to be told.
void MainWindow::readAllDataFromFile() {
    bool anyDevice = false;
    for (const MyPreset &preset : listMyPresets)
        anyDevice = anyDevice || !preset.listMyDevices.isEmpty();
    if (anyDevice)
        createFileIfMissing(sProjectName, newSectionsProjectBytes());
    passedOverLines.clear();
    passedOverFile = QFileInfo(sProjectName).absoluteFilePath();
    QFile file(sProjectName);
    if (file.open(QIODevice::ReadOnly))
        readProjectData(&file, &listMyPresets, nullptr, &passedOverLines);
    getPositionTree(ui->treeWidget->currentItem(), 0);
}

// Once per opening: the lines are not in the library, so only the file still has them.
void MainWindow::tellPassedOver() {
    if (!passedOverLines.isEmpty())
        criticalMessage(passedOverOpenMessage(passedOverFile, passedOverLines));
}

void MainWindow::readDataFromFile(int iPreset, int iDevice, QString sDeviceName, QString projectName) {
    if (iPreset < 0 || iPreset >= listMyPresets.size() || iDevice < 0 ||
        iDevice >= listMyPresets[iPreset].listMyDevices.size())
        return;
    createFileIfMissing(projectName, newSectionsProjectBytes());
    QFile file(projectName);
    if (file.open(QIODevice::ReadOnly))
        readDeviceData(&file, sDeviceName, &listMyPresets[iPreset].listMyDevices[iDevice], nullptr);
}

// The whole file is written here, the data part included.
void MainWindow::saveDevicesToFile(QString fileName) { writeProject(*this, fileName); }

// The data part is written together with the tree part by saveDevicesToFile;
// what remains is to record that the library now matches the file.
void MainWindow::saveDataToFile(QString, QString) {
    markLibrarySaved(&listMyPresets);
    getPositionTree(ui->treeWidget->currentItem(), 0);
}

int MainWindow::saveProject(QString title, QString text, bool force) {
    const bool changes = holdsUnsavedChanges(editorState(), history);
    if (!changes && !force)
        return QMessageBox::No;
    if (changes && !force) {
        const int answer = questionMessage(title, text);
        if (answer == QMessageBox::No)
            return QMessageBox::No;
        if (answer != QMessageBox::Yes)
            return QMessageBox::Cancel;
    }
    // On failure nothing is lost: the flags stay set and the command that asked stops.
    if (!writeProject(*this, sProjectName))
        return QMessageBox::Cancel;
    QTreeWidgetItem *current = ui->treeWidget->currentItem();
    saveDataToFile(current ? current->text(0) : QString(), sProjectName);
    globalAddDeleteItem = false;
    historySaved();
    // Written all the same (see keepreport.h); the user learns what the file
    // no longer holds and what will not come back.
    QStringList told;
    if (!passedOverLines.isEmpty())
        told << passedOverSavedMessage(passedOverFile, passedOverLines);
    passedOverLines.clear();
    const QString unkept = unkeptEntriesMessage(libraryKeepProblems(listMyPresets, usbPresetIndex(*this)));
    if (!unkept.isEmpty())
        told << unkept;
    if (!told.isEmpty())
        informMessage(told.join(QStringLiteral("\n\n")));
    return QMessageBox::Yes;
}

int MainWindow::saveProject() { return saveProject(QStringLiteral("Save"), saveQuestionText(sProjectName), false); }

void MainWindow::newProject() {
    if (saveProject() == QMessageBox::Cancel)
        return;
    bool ok = false;
    const QString name = Dialogs::getText(this, QStringLiteral("New Project"), QStringLiteral("Project Name"),
                                          QStringLiteral("MyProject.prj"), &ok);
    if (!ok || name.isEmpty())
        return;
    const QString fileName = Dialogs::getSaveFileName(this, QStringLiteral("Save New Project"),
                                                      sDefaultPath + QLatin1Char('/') + name, kProjectFilter);
    if (fileName.isEmpty())
        return;
    clearItemsProject();
    sProjectName = fileName;
    setHeaderToolTip(ui->treeWidget, QFileInfo(sProjectName).absoluteFilePath());
    readDevicesFromFile(sProjectName);
    readAllDataFromFile();
    startHistory();
    tellPassedOver();
}

void MainWindow::openProject() {
    if (saveProject() == QMessageBox::Cancel)
        return;
    const QString fileName = Dialogs::getOpenFileName(this, QStringLiteral("Open Project"), sDefaultPath,
                                                      kProjectFilter, QFileDialog::DontUseNativeDialog);
    if (!fileName.isEmpty())
        openProjectPath(fileName);
}

// A file that cannot be read is refused before anything is cleared: the project
// on screen stays the one the next save writes, and no empty file is created.
bool MainWindow::openProjectPath(const QString &fileName) {
    const QString absolute = QFileInfo(fileName).absoluteFilePath(); // config.ini keeps it for any working folder
    QFile file(absolute);
    if (!file.open(QIODevice::ReadOnly)) {
        criticalMessage(tr("Cannot open %1: %2").arg(absolute, file.errorString()));
        return false;
    }
    file.close();
    clearItemsProject();
    sProjectName = absolute;
    setHeaderToolTip(ui->treeWidget, sProjectName + QLatin1Char('\t'));
    readDevicesFromFile(sProjectName);
    readAllDataFromFile();
    startHistory();
    tellPassedOver();
    return true;
}

void MainWindow::saveAsProject() {
    QString fileName = Dialogs::getSaveFileName(this, QStringLiteral("Save Project As"), sDefaultPath, kProjectFilter,
                                                QFileDialog::DontUseNativeDialog);
    if (fileName.isEmpty())
        return;
    fileName = QFileInfo(withProjectSuffix(fileName)).absoluteFilePath();
    QTreeWidgetItem *header = ui->treeWidget->headerItem();
    const QString oldName = sProjectName;
    const QString oldText = header->text(0);
    const QString oldToolTip = header->toolTip(0);
    header->setToolTip(0, fileName);
    header->setText(0, projectBaseName(fileName));
    sProjectName = fileName;
    if (saveProject(QStringLiteral("Save"), saveQuestionText(sProjectName), true) != QMessageBox::Yes) {
        // The project still belongs to the file it came from.
        sProjectName = oldName;
        header->setText(0, oldText);
        header->setToolTip(0, oldToolTip);
    }
}

void MainWindow::exitProject() {
    if (saveProject() == QMessageBox::Cancel)
        return;
    saveConfigToFile();
    QCoreApplication::exit(0);
}

void MainWindow::clearItemsProject() {
    ui->treeWidget->clear();
    ui->tableWidget->clearContents();
    for (int row = ui->tableWidget->rowCount() - 1; row >= 0; --row)
        ui->tableWidget->removeRow(row);
    listMyPresets.clear();
    ui->listWidgetLeft->clear();
    ui->listWidgetRight->clear();
}
