// Undo and redo: the Edit menu, and the editor's state as the history keeps
// it. Each slot that changes the library records one step after its change;
// the history itself (editor/history) knows nothing of widgets.
#include "mainwindow.h"

#include "splitdialog.h"
#include "treemarkers.h"
#include "ui_mainwindow.h"

#include <QAction>
#include <QDialog>
#include <QMenu>
#include <QMenuBar>
#include <QTreeWidget>

namespace {

TreeNode nodeOf(const QTreeWidgetItem *item) {
    TreeNode node;
    node.text = item->text(0);
    // Tool tip 0 only marks the item a popup has open; it is never kept.
    for (int column = 1; column < 4; ++column)
        node.toolTips[column] = item->toolTip(column);
    node.changeMarker = item->whatsThis(0);
    const QBrush brush = item->background(0);
    node.background = brush.style() == Qt::NoBrush ? 0 : brush.color().rgba();
    node.expanded = item->isExpanded();
    for (int i = 0; i < item->childCount(); ++i)
        node.children.append(nodeOf(item->child(i)));
    return node;
}

} // namespace

void MainWindow::buildEditMenu() {
    menuEdit = new QMenu(tr("&Edit"), this);
    ui->menuBar->insertMenu(ui->menuVorne_HW->menuAction(), menuEdit);
    actUndo = menuEdit->addAction(tr("Undo"), this, &MainWindow::undoStep);
    actUndo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    actRedo = menuEdit->addAction(tr("Redo"), this, &MainWindow::redoStep);
    actRedo->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    updateEditMenu();
}

EditorState MainWindow::editorState() const {
    EditorState state;
    state.library = listMyPresets;
    state.addedOrRemoved = globalAddDeleteItem;
    const QTreeWidget *tree = ui->treeWidget;
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        state.tree.append(nodeOf(tree->topLevelItem(i)));
    if (QTreeWidgetItem *current = tree->currentItem()) {
        QTreeWidgetItem *top = current->parent() ? current->parent() : current;
        state.treeTop = tree->indexOfTopLevelItem(top);
        state.treeChild = current->parent() ? top->indexOfChild(current) : -1;
    }
    state.tableRow = ui->tableWidget->currentRow();
    return state;
}

QTreeWidgetItem *MainWindow::itemOf(const TreeNode &node, bool topLevel) const {
    auto *item = new QTreeWidgetItem;
    item->setText(0, node.text);
    for (int column = 1; column < 4; ++column)
        item->setToolTip(column, node.toolTips[column]);
    item->setWhatsThis(0, node.changeMarker);
    if (node.background)
        item->setBackground(0, QColor::fromRgba(node.background));
    const QString &kind = topLevel ? node.toolTips[1] : node.toolTips[3];
    if (topLevel)
        item->setIcon(0, QIcon(kind == kUsbParentMarker ? sUsbIcon : sManufactIcon));
    else
        item->setIcon(0, QIcon(kind == kUsbDeviceMarker ? sUsbDeviceIcon : sDeviceIcon));
    for (const TreeNode &child : node.children)
        item->addChild(itemOf(child, false));
    return item;
}

void MainWindow::restoreEditorState(const EditorState &state) {
    listMyPresets = state.library;
    globalAddDeleteItem = state.addedOrRemoved;
    QTreeWidget *tree = ui->treeWidget;
    const bool sorting = tree->isSortingEnabled();
    tree->setSortingEnabled(false); // the kept order is the sorted one already
    tree->clear();
    QList<QTreeWidgetItem *> tops;
    for (const TreeNode &node : state.tree)
        tops.append(itemOf(node, true));
    tree->addTopLevelItems(tops);
    for (int i = 0; i < tops.size(); ++i) {
        tops[i]->setExpanded(state.tree[i].expanded);
        for (int c = 0; c < tops[i]->childCount(); ++c)
            tops[i]->child(c)->setExpanded(state.tree[i].children[c].expanded);
    }
    tree->setSortingEnabled(sorting);
    QTreeWidgetItem *current = state.treeTop >= 0 && state.treeTop < tops.size() ? tops[state.treeTop] : nullptr;
    if (current && state.treeChild >= 0)
        current = current->child(state.treeChild);
    if (current) {
        tree->setCurrentItem(current);
        current->setSelected(true);
        getPositionTree(current, 0);
    } else {
        SetDefaultSettings();
    }
    if (state.tableRow >= 0 && state.tableRow < ui->tableWidget->rowCount()) {
        ui->tableWidget->selectRow(state.tableRow);
        table_setEnabled(true); // as a click on the row leaves it
    }
}

void MainWindow::recordStep(const QString &label, const EditorState &before, bool changesFile) {
    history.record(label, before, editorState(), changesFile);
    updateEditMenu();
}

void MainWindow::startHistory() {
    history.reset();
    updateEditMenu();
}

void MainWindow::historySaved() {
    history.markSaved(editorState());
    updateEditMenu();
}

// A popup works on the records it was opened for: no step moves under it.
bool MainWindow::popupOpen() const {
    return rowPopup->isVisible() || treePopup->isVisible() || (splitDialog && splitDialog->isVisible());
}

void MainWindow::undoStep() {
    if (!history.canUndo() || popupOpen())
        return;
    restoreEditorState(history.undo());
    updateEditMenu();
}

void MainWindow::redoStep() {
    if (!history.canRedo() || popupOpen())
        return;
    restoreEditorState(history.redo());
    updateEditMenu();
}

void MainWindow::updateEditMenu() {
    if (!actUndo)
        return;
    actUndo->setEnabled(history.canUndo());
    actUndo->setText(history.canUndo() ? tr("Undo %1").arg(history.undoLabel()) : tr("Undo"));
    actRedo->setEnabled(history.canRedo());
    actRedo->setText(history.canRedo() ? tr("Redo %1").arg(history.redoLabel()) : tr("Redo"));
}
