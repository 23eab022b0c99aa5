// The editor's one window and its slot table. Every editor operation is a
// slot here; the bodies are spread over one mainwindow_*.cpp per concern
// (construction and menus, navigation, project commands, channel table,
// tree editing, USB entry, connection rows, image actions).
//
// State and widgets are public on purpose: this class is the system's slot
// table, and the concern sources and the widget tests work on the same state.
#pragma once

#include "edithistory.h"
#include "projectfile.h"
#include "records.h"

#include <QColor>
#include <QFont>
#include <QHash>
#include <QIcon>
#include <QList>
#include <QMainWindow>
#include <QMessageBox>
#include <QModelIndex>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringList>

class QAction;
class QCheckBox;
class QComboBox;
class QContextMenuEvent;
class QCloseEvent;
class QDialog;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QMenu;
class QProcess;
class QPushButton;
class QResizeEvent;
class QTreeWidgetItem;
class QWidget;

struct MyChanelUSB; // fixed-size channel record of the device image
class SplitDialog;
class TryDialog;
class LivePanel;
class QSpinBox;

namespace Ui {
class MainWindow;
}

class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // Actions offered by the tree and table context menus for the item or
    // cell at `pos` (viewport coordinates); the popup slots show exactly these.
    QList<QAction *> treeContextActions(const QPoint &pos) const;
    QList<QAction *> tableContextActions(const QPoint &pos) const;

    // The commands a key press runs, in order (Insert and Delete only; other
    // keys run none and are left to the parent).
    using Command = void (MainWindow::*)();
    QList<Command> keyCommands(int key) const;

    // Drops what the uploader prints. A plain member, not a slot: its name
    // would read as an automatic connection to an object "data".
    void on_data_available();

    // The device whose table is on screen (the tree's current item, found by
    // name), or null; `manufacturer` receives its manufacturer's name.
    MyDevice *shownDevice(QString *manufacturer = nullptr);
    // Marks a device's tree entry and its manufacturer as changed; the next display paints them.
    void markDeviceChanged(QTreeWidgetItem *item);

    // Column widths of the channel table for a table `tableWidth` pixels wide.
    void setColumnWidths(int tableWidth);

    // Form and popups.
    Ui::MainWindow *ui = nullptr;

    QDialog *aboutDialog = nullptr;
    QLabel *aboutLabels[8] = {};
    QPushButton *aboutButton = nullptr;
    QWidget *aboutLogo = nullptr;

    // Row popup of the channel table ("Insert-Edit Row").
    QDialog *rowPopup = nullptr;
    QLabel *labelRowDmx = nullptr;
    QLabel *labelRowLow = nullptr;
    QLabel *labelRowHigh = nullptr;
    QLabel *labelRowAscii = nullptr;
    QLabel *labelRowHex = nullptr;
    QLabel *labelRowFunction = nullptr;
    QLineEdit *lineEditRowDmx = nullptr;
    QLineEdit *lineEditRowLow = nullptr;
    QLineEdit *lineEditRowHigh = nullptr;
    QLineEdit *lineEditRowAscii = nullptr;
    QLineEdit *lineEditRowHex = nullptr;
    QLineEdit *lineEditRowFunction = nullptr;
    QPushButton *btnRowOk = nullptr;
    QPushButton *btnRowCancel = nullptr;

    // Tree popup for manufacturers and devices. The setting rows are indexed
    // by MyConnParam::Field; settingField[f] is null-free: settings without a
    // free-text field share the hidden spare line edit.
    QDialog *treePopup = nullptr;
    QLabel *labelPopupManufact = nullptr;
    QLabel *labelPopupType = nullptr;
    QLabel *labelPopupDesc = nullptr;
    QLineEdit *lineEditPopupManufact = nullptr;
    QComboBox *comboBoxPopupManufact = nullptr;
    QLineEdit *lineEditPopupType = nullptr;
    QLineEdit *lineEditPopupDesc = nullptr;
    QLabel *labelPopupDateCaption = nullptr;
    QLabel *labelPopupDate = nullptr;
    QCheckBox *checkBoxPopupLists = nullptr;
    QLabel *settingLabel[MyConnParam::FieldCount] = {};
    QComboBox *settingCombo[MyConnParam::FieldCount] = {};
    QLineEdit *settingField[MyConnParam::FieldCount] = {};
    QLineEdit *lineEditPopupSpare = nullptr;
    QPushButton *btnPopupOk = nullptr;
    QPushButton *btnPopupCancel = nullptr;

    // The row tools under the channel table: spreadsheets in and out, the
    // range split, and the row a typed channel/value fires.
    QPushButton *btnRowsImport = nullptr;
    QPushButton *btnRowsExport = nullptr;
    QPushButton *btnSplitChanel = nullptr;
    QPushButton *btnTryRow = nullptr;
    QPushButton *btnLiveDmx = nullptr; // a toggle
    QSpinBox *spinLiveUniverse = nullptr;
    LivePanel *livePanel = nullptr;
    QLabel *labelTestValue = nullptr;
    QLineEdit *lineEditTestValue = nullptr;
    QLabel *labelTestResult = nullptr;
    SplitDialog *splitDialog = nullptr;
    QAction *actImportRows = nullptr;
    QAction *actExportRows = nullptr;
    QAction *actSplitChanel = nullptr;
    QAction *actTryRow = nullptr;
    TryDialog *tryDialog = nullptr;

    // The thirteen context-menu actions.
    QAction *actAddParent = nullptr;
    QAction *actAddDevice = nullptr;
    QAction *actRemoveManufact = nullptr;
    QAction *actCloneDevice = nullptr;
    QAction *actEditDevice = nullptr;
    QAction *actRemoveDevice = nullptr;
    QAction *actCloneUsbDevice = nullptr;
    QAction *actEditUsbDevice = nullptr;
    QAction *actRemoveUsbDevice = nullptr;
    QAction *actRemoveUsbParent = nullptr;
    QAction *actInsertRow = nullptr;
    QAction *actEditRow = nullptr;
    QAction *actDeleteRow = nullptr;

    // Editor state.
    MyLibrary listMyPresets;
    QString sProjectName = QStringLiteral("MyProject.prj");
    QString sAppTitle = QStringLiteral("Vorne Converter v2.11              ");
    QString sDefaultPath;
    QString sAboutLine;

    bool okTreePopupShow = false;
    bool cloneUsbFlag = false;
    bool editUsbFlag = false;
    bool addParentFlag = false;
    bool addDeviceFlag = false;
    bool cloneDeviceFlag = false;
    bool editDeviceFlag = false;
    bool globalAddDeleteItem = false;

    // Choice lists of the connection settings, read from config.ini.
    QStringList Speed_List;
    QStringList Data_Bits_List;
    QStringList Stop_Bits_List;
    QStringList Parity_List;
    QStringList Handshake_List;
    QStringList Delay_Time_List;
    QStringList Retry_Count_List;
    QStringList Error_Replay_List;
    QStringList Normal_Replay_List;
    QStringList Normal_Replay_List_HEX;
    QStringList Error_Replay_List_HEX;
    QStringList Replay_Wait_Time_List;
    QStringList CMD_Prefix_List;
    QStringList CMD_Prefix_List_HEX;
    // The choice list of a connection field (MyConnParam::Field numbering).
    QStringList &choiceList(int field);

    // Row popup state.
    int editRowNumber = -1;
    int insertRowNumber = -1;
    int dmxPopC = 0;
    bool rangeBusy = false;
    QList<MyChanel> listFreePlaces;

    // Rows decoded by the image reader before they become a USB device.
    QList<MyChanel> listReadChanel;
    // Lines of the project's file that its reading passed over, and that file:
    // told when it opens, and again by the save that drops them.
    QList<PassedOverLine> passedOverLines;
    QString passedOverFile;
    // Undo and redo (mainwindow_history.cpp): every slot that changes the
    // library records its step after the change, from the state before it.
    EditHistory history;
    QMenu *menuEdit = nullptr;
    QAction *actUndo = nullptr;
    QAction *actRedo = nullptr;
    EditorState editorState() const;
    void restoreEditorState(const EditorState &state);
    // changesFile false: a change of the USB entry, which no save writes.
    void recordStep(const QString &label, const EditorState &before, bool changesFile = true);
    void startHistory();  // New and Open: no steps, the file's state shown
    void historySaved();  // the file now holds the state shown
    void undoStep();
    void redoStep();
    // Most recent uploader process; earlier ones are left running.
    QProcess *uploaderProcess = nullptr;
    // The `--list` run asking which converters are attached before a send, while it runs;
    // after the timeout it is killed and the send goes on as with one converter.
    QProcess *bridgeListing = nullptr;
    int bridgeListingTimeoutMs = 15000;

    // Resource paths, style and colours.
    const QString sDeviceIcon = QStringLiteral(":/new/prefix1/images/DeviceIcon.png");
    const QString sManufactIcon = QStringLiteral(":/new/prefix1/images/ManufacturIcon.png");
    const QString sUsbDeviceIcon = QStringLiteral(":/new/prefix1/images/USBFlashDeviceIcon.png");
    const QString sUsbIcon = QStringLiteral(":/new/prefix1/images/USBFlashIcon.png");
    const QString sNum256Path = QStringLiteral(":/new/prefix1/images/num256/");
    const QString sNum512Path = QStringLiteral(":/new/prefix1/images/num512/");
    QHash<QString, QIcon> numberIcons; // number pictures of the table cells, by resource path
    const QString sListStyle =
        QStringLiteral("background-image: url(:/new/prefix1/images/white.png);\nfont: 75 9pt \"Nimbus Sans L\";");
    const QString sLabelStyle = QStringLiteral("background-image: url(:/new/prefix1/images/1.png);");
    const QString sAsciiPrefix = QStringLiteral("ASCII:");
    const QString sHexPrefix = QStringLiteral("HEX:");

    QFont fontNormal10;
    QFont fontBold10;
    QFont fontLink8;
    QFont fontSmall7;

    const QColor colorWhite = QColor(Qt::white);
    const QColor colorChanged = QColor(255, 255, 127);
    const QColor colorLive = QColor(150, 230, 150); // the row holding its channel's live value
    QList<int> liveRowStates; // per table row: live value * 2 + held, as last shown
    const QColor colorSaved = QColor(255, 255, 255);

public slots:
    // Construction, menus and messages (mainwindow.cpp).
    void on_action_About_2_triggered();
    void on_tableWidget_customContextMenuRequested(const QPoint &pos);
    void on_treeWidget_customContextMenuRequested(const QPoint &pos);
    void on_treeWidget_itemClicked(QTreeWidgetItem *item, int column);
    void setTreeActive(QString text);
    void closePopup();
    void aboutProject();
    void informMessage(QString text);
    void criticalMessage(QString text);
    int questionMessage(QString title, QString text);
    int questionRemoveMessage(QString title, QString text);
    int questionSaveMessage(QString title, QString text);
    void testFunction(QString text);
    void on_tableWidget_clicked(QModelIndex index);

    // Tree navigation (mainwindow_navigation.cpp).
    void getPositionTree(QTreeWidgetItem *item, int column);
    void loadSetup(int iPreset, int iDevice);
    void on_treeWidget_doubleClicked(QModelIndex index);
    void fillComboBoxWithParents(QComboBox *combo);
    void SetDefaultSettings();

    // Tree editing (mainwindow_treeedit.cpp).
    void addParent();
    void addDevice();
    void cloneDevice();
    void editDevice();
    void removeDevice();
    void removeManufactDevice();
    bool removeDeviceFromList(QString deviceName);
    bool removeManufacturerFromList(QString manufacturerName);
    void upWindowPopup();
    void setPopupTreeHidden();
    void setPopupTreeUp();
    void okTreePopup();
    void okTreePopupAddParent();
    void okTreePopupAddDevice();
    void okTreePopupCloneDevice();
    void okTreePopupEditDevice();
    void cancelTreePopup();
    void closeEventEx2(int result);
    bool checkDoubleDevices();
    bool checkDoubleManufacturers();
    void on_lineEditManufact_returnPressed();

    // USB entry (mainwindow_usb.cpp).
    void cloneUsbDevice();
    void editUsbDevice();
    void removeUsbDevice();
    void removeUsbParent();
    void okTreePopupCloneUsb();
    void okTreePopupEditUsb();
    bool checkUSBDevices();

    // Connection settings rows and change flags (mainwindow_connrows.cpp).
    void setActiveLineEdit6(const QString &text);
    void setActiveLineEdit9(const QString &text);
    void setActiveLineEdit10(const QString &text);
    void changeStateOKThree(bool checked);
    void setComboxEnable(bool enable);
    QStringList getNewStringsFromComboBox(QComboBox *combo);
    void setCurrentIndexInComboBox(QComboBox *combo, QString text);
    void setStrListInComboBox(QLabel *label, QComboBox *combo, QLineEdit *field, QRect rect, QStringList list, int row);
    bool compareTwoStrings(QString a, QString b, int flag);
    bool setConnChanged(MyConnParam *current, MyConnParam *reference);
    void checkConnChanged(MyConnParam *p);
    bool setConnSaved(MyConnParam *current, MyConnParam *reference);
    void setConnSaved2(MyConnParam *p);
    void checkConnSaved(MyConnParam *p);

    // Channel table (mainwindow_table.cpp).
    void sortChanel(QList<MyChanel> *list);
    void findFreePlace(QList<MyChanel> *list);
    void okPopup();
    void setActive1(const QString &text);
    void setActive2(const QString &low);
    void setActive3(const QString &high);
    void validateTable();
    QString findFreeValue(int value);
    bool makeShadowCopy(QList<MyChanel> *source, QList<MyChanel> *target, bool flag);
    void fillTableRows(int row, int column, QString text, QString status);
    void table_setEnabled(bool on);
    void tableRow_setSelected(int row, bool selected);
    void tableRow_setColor(int row, QColor color);
    void insertRow();
    void editRow();
    void deleteRow();
    void copy();
    void on_tableWidget_cellDoubleClicked(int row, int column);
    void upWindowRowPopup();
    void cancelPopup();
    void closeEventEx(int result);
    void hide();

    // Hex conversions and image actions (mainwindow_image.cpp).
    int getIntFromHex(QString s);
    QString getIntStrFromHex(QString s);
    QString getStrHexFromStr(QString s);
    char getHEX(char *s);
    void on_textChangedAsciiHex();
    void on_ReplyTextChangedAsciiHex();
    void on_ErrReplyTextChangedAsciiHex();
    void on_PrefixTextChangedAsciiHex();
    void saveVorne();
    void fillCmd(MyChanelUSB *ch, QString s);
    void fillAsciiHex(char *target, int t_len, unsigned char *t_wr, QString ascii, QString hex);
    void readVorne();
    void sendVorne();
    void on_finish(int exitCode);

    // Row tools (mainwindow_rowtools.cpp).
    void exportRows();
    void importRows();
    void splitChanel();
    void addSplitRows();
    void testValue(const QString &text);
    void tryOnEquipment();
    void toggleLiveDmx(bool on);
    void liveFollowDevice(); // the shown device's rows, while live
    void showLiveValues();

    // Project file, settings file and project commands (mainwindow_project.cpp).
    void readAllDataFromFile();
    void readDataFromFile(int iPreset, int iDevice, QString sDeviceName, QString projectName);
    void saveDataToFile(QString itemText, QString fileName);
    void readDevicesFromFile(QString fileName);
    void saveDevicesToFile(QString fileName);
    void saveConfigToFile();
    void readConfigFromFile();
    void newProject();
    void openProject();
    // Open Project after its file dialog, also run for a project named on the command line;
    // false, with the reason told, when the file cannot be read.
    bool openProjectPath(const QString &fileName);
    int saveProject(QString title, QString text, bool force);
    int saveProject();
    void saveAsProject();
    void exitProject();
    void clearItemsProject();
    void tellPassedOver();

protected:
    void keyPressEvent(QKeyEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;
    void closeEvent(QCloseEvent *e) override;
    void contextMenuEvent(QContextMenuEvent *e) override;

private:
    void buildAboutDialog();
    void buildRowPopup(); // mainwindow_table.cpp
    void buildRowTools(); // mainwindow_rowtools.cpp
    void placeRowTools();
    void buildTreePopup(); // mainwindow_treeedit.cpp
    void createContextActions();
    void connectMenuActions();
    void applyFontsAndStyles();
    void connectButtons();
    void buildEditMenu();
    void updateEditMenu();
    bool popupOpen() const;
    QTreeWidgetItem *itemOf(const TreeNode &node, bool topLevel) const;
    void sendToChosenConverter(const QByteArray &listed, const QString &path); // mainwindow_image.cpp
    void startUploader(const QStringList &arguments);
};
