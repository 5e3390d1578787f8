#pragma once

#include "core/qvoption.h"
#include "ui/qvforms.h"

#include <QKeySequence>
#include <QString>
#include <QStringList>

class QBoxLayout;
class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QToolButton;
class QTreeWidgetItem;
class TqvComboBox;
class TqvMemo;
class TqvNumEdit;
class TqvStrEdit;
class TqvTreeView;

// The shortcut that a key released on the shortcut tree makes, or an empty sequence when the
// key is ignored. Keys that count: Delete, the digits and letters (only together with Shift,
// Ctrl or Alt), F1 to F10 and the punctuation keys (; : = + , < - _ . > ` ~ @ [ { \ | ¥ ] }),
// with or without Shift, Ctrl and Alt. Everything else (F11, F12, cursor keys, Insert, Home,
// the modifiers themselves ...) is ignored. Keypad keys count as their main-keyboard twins.
QKeySequence ShortcutOfKey(int key, Qt::KeyboardModifiers modifiers);

// The font names the font lists of the options offer: every family of the screen, and the
// Windows names the options' defaults use (the font map shows them in the fonts present),
// sorted.
QStringList OptionFontNames();

// The text a folder box leaves in its option: empty stays empty (the option then takes its
// default folder), otherwise the trimmed text ending in "/".
QString FolderBoxText(const QString &text);

// The modal options dialog "オプション": the general options (AppOption), the formatter's
// settings (FormatOption) and the main window's keyboard shortcuts (ShortcutList). OK writes
// the controls back and applies them (shortcuts to the actions, object-list options to every
// open connection window); Cancel leaves every setting as it was. The records reach the
// settings file when the main window closes.
class TfrmOption : public TqvForm
{
    Q_OBJECT
public:
    explicit TfrmOption(QObject *AOwner);
    ~TfrmOption() override;

    // Opens the dialog over the main window; true when it closed with OK (settings applied).
    static bool ShowWindow();

    // Options into controls, and (after OK) controls into options with what follows from them.
    void LoadControls();
    void ApplyControls();
    // The sample fonts, the kind buttons for the current server, the first page, the controls,
    // and the formatting preview (FormatOption is kept to be put back on Cancel).
    void PrepareShow();
    // Checks the numbers; the first failure shows its page and message, focuses its control
    // and keeps the dialog open. Otherwise the dialog closes with OK.
    void btnOkClick();
    void btnCancelClick();

    // Handlers (bound in setupUi).
    void chkFindClick();
    void chkBeforeSourceClick();
    void chkAfterSourceClick();
    void txtDataFontSizeExit();
    void txtDiagramFontSizeExit();
    void txtGridFontSizeExit();
    void FormatChange();
    void txtIndentChange();
    // A key released on the shortcut tree (Qt key and modifiers).
    void lstShortCutKeyUp(int key, Qt::KeyboardModifiers modifiers);
    void lstShortCutEnter();
    void lstShortCutExit();

    int PreIndent = 0;
    QString SampleSQL;
    TFormatOption SavedFormat; // FormatOption as it was when the dialog opened

    // Controls, by their design names.
    QTabWidget *pagOption = nullptr;
    QWidget *tabObjectList = nullptr;
    QWidget *tabDefine = nullptr;
    QWidget *tabSQL = nullptr;
    QWidget *tabQuery = nullptr;
    QWidget *TabFormat = nullptr;
    QWidget *tabKey = nullptr;
    QWidget *tabOutput = nullptr;
    QWidget *tabOther = nullptr;
    QPushButton *btnOk = nullptr;
    QPushButton *btnCancel = nullptr;
    QPushButton *btnHelp = nullptr;

    QGroupBox *rdoSort = nullptr;
    QToolButton *btnTable = nullptr;
    QToolButton *btnIndex = nullptr;
    QToolButton *btnView = nullptr;
    QToolButton *btnProc = nullptr;
    QToolButton *btnFunc = nullptr;
    QToolButton *btnPack = nullptr;
    QToolButton *btnType = nullptr;
    QToolButton *btnTrigger = nullptr;
    QToolButton *btnSeq = nullptr;
    QToolButton *btnSynonym = nullptr;
    QToolButton *btnMView = nullptr;
    QToolButton *btnConst = nullptr;
    QToolButton *btnRule = nullptr;
    QToolButton *btnAgrg = nullptr;
    QCheckBox *chkData = nullptr;
    QCheckBox *chkRowSelect = nullptr;
    QCheckBox *chkDelErr = nullptr;
    QCheckBox *chkFind = nullptr;
    QCheckBox *chkFindAuto = nullptr;
    QCheckBox *chkProgress = nullptr;
    QCheckBox *chkUserFirst = nullptr;

    TqvComboBox *cmbOpenMode = nullptr;
    QCheckBox *chkShowDDL = nullptr;
    QCheckBox *chkShowStorageSource = nullptr;
    QCheckBox *chkShowColumnSource = nullptr;
    QCheckBox *chkCloseDDL = nullptr;
    QCheckBox *chkBackupData = nullptr;
    QCheckBox *chkDefaultAutoQuote = nullptr;
    QCheckBox *chkBeforeSource = nullptr;
    QCheckBox *chkBeforeSrcDialog = nullptr;
    QCheckBox *chkBeforeSrcRenum = nullptr;
    QCheckBox *chkBeforeSrcHead = nullptr;
    QLabel *lblBeforeSource = nullptr;
    TqvStrEdit *txtBeforeSource = nullptr;
    QPushButton *btnBeforeSource = nullptr;
    QCheckBox *chkAfterSource = nullptr;
    QCheckBox *chkAfterSrcDialog = nullptr;
    QCheckBox *chkAfterSrcRenum = nullptr;
    QCheckBox *chkAfterSrcHead = nullptr;
    QLabel *lblAfterSource = nullptr;
    TqvStrEdit *txtAfterSource = nullptr;
    QPushButton *btnAfterSource = nullptr;

    TqvNumEdit *txtSQLBuf = nullptr;
    QCheckBox *chkUsePartial = nullptr;
    QListWidget *lstDiagramFontName = nullptr;
    TqvNumEdit *txtDiagramFontSize = nullptr;
    QPlainTextEdit *txtDiagramFontSample = nullptr;
    QListWidget *lstGridFontName = nullptr;
    TqvNumEdit *txtGridFontSize = nullptr;
    QPlainTextEdit *txtGridFontSample = nullptr;

    QListWidget *lstDataFontName = nullptr;
    TqvNumEdit *txtDataFontSize = nullptr;
    QPlainTextEdit *txtDataFontSample = nullptr;
    QGroupBox *rdoDataShowMode = nullptr;
    TqvNumEdit *txtDataColWidthH = nullptr;
    TqvNumEdit *txtDataColWidthV = nullptr;
    QCheckBox *chkShowWhereGrid = nullptr;
    QCheckBox *chkWhereAutoQuote = nullptr;
    QCheckBox *chkUpdateMode = nullptr;
    TqvComboBox *cmbDateFormat = nullptr;
    TqvComboBox *cmbTimeFormat = nullptr;
    TqvNumEdit *txtDefTopRecord = nullptr;
    QCheckBox *chkAddStripe = nullptr;

    TqvNumEdit *txtIndent = nullptr;
    QGroupBox *rdoItemReturn = nullptr;
    QGroupBox *rdoReserveTran = nullptr;
    QGroupBox *rdoItemTran = nullptr;
    QGroupBox *rdoCommaPos = nullptr;
    QGroupBox *rdoAndPos = nullptr;
    QGroupBox *rdoReservePos = nullptr;
    TqvMemo *txtFormat = nullptr;

    TqvTreeView *lstShortCut = nullptr;

    TqvStrEdit *txtExcelDir = nullptr;
    QPushButton *btnExcelDir = nullptr;
    QGroupBox *rdoExcel = nullptr;
    QCheckBox *chkExcelDialog = nullptr;
    TqvStrEdit *txtFormMatrix = nullptr;
    QPushButton *btnFormMatrix = nullptr;
    TqvNumEdit *txtMatrixRow = nullptr;
    TqvNumEdit *txtMatrixCol = nullptr;
    TqvStrEdit *txtFormSQL = nullptr;
    QPushButton *btnFormSQL = nullptr;
    TqvNumEdit *txtSQLTop = nullptr;
    TqvComboBox *cmbSQLLeft = nullptr;
    QCheckBox *chkExcelRefresh = nullptr;
    QGroupBox *rdoExcelTitle = nullptr;
    QGroupBox *rdoPasteColumn = nullptr;
    QCheckBox *chkPasteDialog = nullptr;
    QGroupBox *rdoPasteTitle = nullptr;
    TqvStrEdit *txtFileDir = nullptr;
    QPushButton *btnFileDir = nullptr;
    TqvComboBox *cmbEncoding = nullptr;

    TqvNumEdit *txtCrossLevel = nullptr;
    TqvStrEdit *txtTempDir = nullptr;
    QPushButton *btnTempDir = nullptr;
    TqvNumEdit *txtDataGenCommit = nullptr;
    QCheckBox *chkUseUpperName = nullptr;
    QCheckBox *chkCodeAssist = nullptr;
    QCheckBox *chkUpdateToCommit = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setupUi();
    void fillShortcutTree();
    void pickFolder(TqvStrEdit *box, const QString &prompt);
    void pickWorkbook(TqvStrEdit *box);
    // A validation failure: the page, the message, the control.
    void refuse(QWidget *page, const QString &message, QWidget *control);
    QList<QToolButton *> kindButtons() const;

    bool m_helpRemoved = false;
};

// The radio group's chosen item (-1 for none), and choosing one.
int RadioIndex(const QGroupBox *group);
// The OK, キャンセル and ヘルプ row at the foot of the option dialogs, OK the default button.
void AddDialogButtons(QWidget *dialog, QBoxLayout *layout, QPushButton *&ok, QPushButton *&cancel,
                      QPushButton *&help);
void SetRadioIndex(QGroupBox *group, int index);
