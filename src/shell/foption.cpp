#include "foption.h"

#include "fmain.h"

#include "core/qvappwindows.h"
#include "core/qvfontmap.h"
#include "core/qvmsgbox.h"
#include "core/qvshortcut.h"
#include "core/qvsub.h"
#include "sqllang/qvformat.h"
#include "sqllang/qvmemo.h"
#include "ui/qvcomctrls.h"
#include "ui/qvctlopt.h"
#include "ui/qvhhelp.h"
#include "ui/qvimages.h"
#include "ui/qvstdctl.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <iterator>

namespace foption {

constexpr int shortcutRole = Qt::UserRole + 1; // index into ShortcutList; -1 on group nodes

// The kind buttons of the object-list page: design name, hint, object-type code, option.
struct KindButton
{
    QToolButton *TfrmOption::*button;
    const char *name;
    const char *hint;
    int code;
    bool TqvOption::*option;
};

const KindButton kindButtons[] = {
    { &TfrmOption::btnTable, "btnTable", "テーブル", 45, &TqvOption::ShowTable },
    { &TfrmOption::btnIndex, "btnIndex", "インデックス", 46, &TqvOption::ShowIndex },
    { &TfrmOption::btnView, "btnView", "ビュー", 47, &TqvOption::ShowView },
    { &TfrmOption::btnProc, "btnProc", "プロシージャ", 51, &TqvOption::ShowProc },
    { &TfrmOption::btnFunc, "btnFunc", "ファンクション", 52, &TqvOption::ShowFunc },
    { &TfrmOption::btnPack, "btnPack", "パッケージ", 53, &TqvOption::ShowPack },
    { &TfrmOption::btnType, "btnType", "タイプ", 55, &TqvOption::ShowType },
    { &TfrmOption::btnTrigger, "btnTrigger", "トリガー", 57, &TqvOption::ShowTrigger },
    { &TfrmOption::btnSeq, "btnSeq", "シーケンス", 58, &TqvOption::ShowSeq },
    { &TfrmOption::btnSynonym, "btnSynonym", "シノニム", 60, &TqvOption::ShowSynonym },
    { &TfrmOption::btnMView, "btnMView", "マテリアライズドビュー", 61, &TqvOption::ShowMView },
    { &TfrmOption::btnConst, "btnConst", "制約", 66, &TqvOption::ShowConst },
    { &TfrmOption::btnRule, "btnRule", "ルール", 127, &TqvOption::ShowRule },
    { &TfrmOption::btnAgrg, "btnAgrg", "集約関数", 128, &TqvOption::ShowAgrg },
};

struct CheckBinding
{
    QCheckBox *TfrmOption::*box;
    bool TqvOption::*option;
};

const CheckBinding checkBindings[] = {
    { &TfrmOption::chkData, &TqvOption::TreeData },
    { &TfrmOption::chkRowSelect, &TqvOption::RowSelect },
    { &TfrmOption::chkDelErr, &TqvOption::DelErr },
    { &TfrmOption::chkFind, &TqvOption::Find },
    { &TfrmOption::chkFindAuto, &TqvOption::FindAuto },
    { &TfrmOption::chkProgress, &TqvOption::Progress },
    { &TfrmOption::chkUserFirst, &TqvOption::UserFirst },
    { &TfrmOption::chkShowDDL, &TqvOption::ShowDDL },
    { &TfrmOption::chkShowStorageSource, &TqvOption::ShowStorageSource },
    { &TfrmOption::chkShowColumnSource, &TqvOption::ShowColumnSource },
    { &TfrmOption::chkCloseDDL, &TqvOption::CloseDDL },
    { &TfrmOption::chkBackupData, &TqvOption::BackupData },
    { &TfrmOption::chkDefaultAutoQuote, &TqvOption::DefaultAutoQuote },
    { &TfrmOption::chkBeforeSource, &TqvOption::SaveBeforeSrc },
    { &TfrmOption::chkBeforeSrcDialog, &TqvOption::SaveBeforeSrcDialog },
    { &TfrmOption::chkBeforeSrcRenum, &TqvOption::SaveBeforeSrcRenum },
    { &TfrmOption::chkBeforeSrcHead, &TqvOption::SaveBeforeSrcHead },
    { &TfrmOption::chkAfterSource, &TqvOption::SaveAfterSrc },
    { &TfrmOption::chkAfterSrcDialog, &TqvOption::SaveAfterSrcDialog },
    { &TfrmOption::chkAfterSrcRenum, &TqvOption::SaveAfterSrcRenum },
    { &TfrmOption::chkAfterSrcHead, &TqvOption::SaveAfterSrcHead },
    { &TfrmOption::chkUsePartial, &TqvOption::UsePartial },
    { &TfrmOption::chkShowWhereGrid, &TqvOption::ShowWhereGrid },
    { &TfrmOption::chkWhereAutoQuote, &TqvOption::WhereAutoQuote },
    { &TfrmOption::chkUpdateMode, &TqvOption::UpdateMode },
    { &TfrmOption::chkAddStripe, &TqvOption::AddStripe },
    { &TfrmOption::chkExcelDialog, &TqvOption::ExcelDialog },
    { &TfrmOption::chkExcelRefresh, &TqvOption::ExcelRefresh },
    { &TfrmOption::chkPasteDialog, &TqvOption::PasteDialog },
    { &TfrmOption::chkUseUpperName, &TqvOption::UseLowerName },
    { &TfrmOption::chkCodeAssist, &TqvOption::CodeAssist },
    { &TfrmOption::chkUpdateToCommit, &TqvOption::UpdateToCommit },
};

struct NumberBinding
{
    TqvNumEdit *TfrmOption::*box;
    qint32 TqvOption::*option;
};

const NumberBinding numberBindings[] = {
    { &TfrmOption::txtSQLBuf, &TqvOption::SQLBuf },
    { &TfrmOption::txtDiagramFontSize, &TqvOption::DiagramFontSize },
    { &TfrmOption::txtGridFontSize, &TqvOption::GridFontSize },
    { &TfrmOption::txtDataFontSize, &TqvOption::DataFontSize },
    { &TfrmOption::txtDataColWidthH, &TqvOption::DataColWidthH },
    { &TfrmOption::txtDataColWidthV, &TqvOption::DataColWidthV },
    { &TfrmOption::txtDefTopRecord, &TqvOption::DefTopRecord },
    { &TfrmOption::txtMatrixRow, &TqvOption::ExcelMatrixRow },
    { &TfrmOption::txtMatrixCol, &TqvOption::ExcelMatrixCol },
    { &TfrmOption::txtCrossLevel, &TqvOption::CrossLevel },
    { &TfrmOption::txtDataGenCommit, &TqvOption::DataGenCommit },
};

struct RadioBinding
{
    QGroupBox *TfrmOption::*group;
    qint32 TqvOption::*option;
};

const RadioBinding radioBindings[] = {
    { &TfrmOption::rdoSort, &TqvOption::TreeSort },
    { &TfrmOption::rdoDataShowMode, &TqvOption::DataShowMode },
    { &TfrmOption::rdoExcel, &TqvOption::ExcelMode },
    { &TfrmOption::rdoPasteColumn, &TqvOption::PasteColumn },
};

struct FolderBinding
{
    TqvStrEdit *TfrmOption::*box;
    QString TqvOption::*option;
};

const FolderBinding folderBindings[] = {
    { &TfrmOption::txtBeforeSource, &TqvOption::SaveBeforeSrcDir },
    { &TfrmOption::txtAfterSource, &TqvOption::SaveAfterSrcDir },
    { &TfrmOption::txtFileDir, &TqvOption::FileDir },
    { &TfrmOption::txtExcelDir, &TqvOption::ExcelDir },
    { &TfrmOption::txtTempDir, &TqvOption::TempDir },
};

// The groups of the shortcut tree and their actions, in order.
struct ShortcutGroup
{
    const char *caption;
    QList<const char *> actions;
};

const QList<ShortcutGroup> &shortcutGroups()
{
    static const QList<ShortcutGroup> groups = {
        { "ファイルメニュー",
          { "actDBCommit", "actDBRollback", "actDBLogon", "actDBLogoff", "actFileExit" } },
        { "編集メニュー",
          { "actEditUndo",       "actEditRedo",      "actEditCut",      "actEditCopy",
            "actEditPaste",      "actEditDelete",    "actEditRename",   "actEditSelectAll",
            "actEditSelectMode", "actEditFind",      "actEditFindNext", "actEditFindPrev",
            "actEditReplace",    "actEditJump",      "actEditFormat",   "actEditComment",
            "actEditUpperCase",  "actEditLowerCase", "actEditIndentF",  "actEditIndentR",
            "actEditMacroSave",  "actEditMacroExec", "actEditOpen" } },
        { "オブジェクトリストメニュー",
          { "actNew", "actOpen", "actOpenDefine", "actOpenSource", "actOpenData", "actOpenDataTop",
            "actExec", "actScript", "actPrint", "actCross", "actMatrix", "actGrant", "actAnalyze",
            "actDelete", "actGrep", "actExport", "actLoad" } },
        { "表示メニュー", { "actViewSQL", "actViewScript", "actViewField", "actViewTemplate" } },
        { "管理メニュー",
          { "actAdminUser", "actAdminStorage", "actAdminSession", "actAdminLock",
            "actAdminDatabase", "actAdminPerform", "actAdminExport", "actAdminImport",
            "actAdminLoad" } },
        { "ツールメニュー",
          { "actToolCommandSetup", "actToolReportSetup", "actViewComp", "actToolIndexAdviser",
            "actViewSQLCatch", "actViewSQLCRUD", "actToolOption", "actToolEditorOption",
            "actToolScriptOption" } },
    };
    return groups;
}

// The caption of an action as the tree shows it: its menu text without the mnemonic.
QString actionCaption(const QString &actionName)
{
    TfrmMain *main = TfrmMain::instance();
    QAction *act = main ? main->action(actionName) : nullptr;
    if (!act)
        return actionName.mid(3);
    QString text = act->text();
    static const QRegularExpression mnemonic(QStringLiteral("\\(&.\\)"));
    text.remove(mnemonic);
    text.remove(QLatin1Char('&'));
    return text;
}

QButtonGroup *buttonsOf(const QGroupBox *group)
{
    return group ? group->findChild<QButtonGroup *>() : nullptr;
}

// A radio group of items, one column, with its button group.
QGroupBox *radioGroup(QWidget *parent, const char *name, const QString &caption,
                      const QStringList &items, bool horizontal = false)
{
    auto *box = new QGroupBox(caption, parent);
    box->setObjectName(QString::fromLatin1(name));
    auto *buttons = new QButtonGroup(box);
    QBoxLayout *layout = horizontal ? static_cast<QBoxLayout *>(new QHBoxLayout(box))
                                    : static_cast<QBoxLayout *>(new QVBoxLayout(box));
    layout->setContentsMargins(8, 4, 8, 4);
    layout->setSpacing(2);
    for (int i = 0; i < items.size(); ++i) {
        auto *radio = new QRadioButton(items.at(i), box);
        radio->setObjectName(QString::fromLatin1(name) + QString::number(i));
        buttons->addButton(radio, i);
        layout->addWidget(radio);
    }
    return box;
}

QCheckBox *checkBox(QWidget *parent, const char *name, const QString &caption)
{
    auto *box = new QCheckBox(caption, parent);
    box->setObjectName(QString::fromLatin1(name));
    return box;
}

TqvNumEdit *numberBox(QWidget *parent, const char *name, int maxDigits)
{
    auto *box = new TqvNumEdit(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setMaxLength(maxDigits);
    box->setFixedWidth(20 + 9 * qMax(3, maxDigits));
    box->setAlignment(Qt::AlignRight);
    return box;
}

TqvStrEdit *textBox(QWidget *parent, const char *name)
{
    auto *box = new TqvStrEdit(parent);
    box->setObjectName(QString::fromLatin1(name));
    return box;
}

QPushButton *pickButton(QWidget *parent, const char *name)
{
    auto *button = new QPushButton(QStringLiteral("..."), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setFixedWidth(28);
    return button;
}

QListWidget *fontList(QWidget *parent, const char *name)
{
    auto *list = new QListWidget(parent);
    list->setObjectName(QString::fromLatin1(name));
    list->addItems(OptionFontNames());
    return list;
}

QPlainTextEdit *fontSample(QWidget *parent, const char *name)
{
    auto *sample = new QPlainTextEdit(parent);
    sample->setObjectName(QString::fromLatin1(name));
    sample->setReadOnly(true);
    sample->setLineWrapMode(QPlainTextEdit::NoWrap);
    return sample;
}

QHBoxLayout *row(QWidget *a, QWidget *b = nullptr, QWidget *c = nullptr, QWidget *d = nullptr)
{
    auto *layout = new QHBoxLayout;
    for (QWidget *w : { a, b, c, d }) {
        if (w)
            layout->addWidget(w);
    }
    layout->addStretch();
    return layout;
}

QLabel *label(QWidget *parent, const QString &text, const char *name = nullptr)
{
    auto *l = new QLabel(text, parent);
    if (name)
        l->setObjectName(QString::fromLatin1(name));
    return l;
}

// The font of a sample: the option's font name at its size, fixed pitch.
void setSampleFont(QPlainTextEdit *sample, const QString &name, int size)
{
    QFont font = MapFont(name, size > 0 ? size : 10);
    font.setFixedPitch(true);
    sample->setFont(font);
    sample->setProperty("FontName", name);
    sample->setProperty("FontSize", size > 0 ? size : 10);
}

void selectFont(QListWidget *list, const QString &name)
{
    list->clearSelection();
    list->setCurrentItem(nullptr);
    const QList<QListWidgetItem *> found = list->findItems(name, Qt::MatchExactly);
    if (!found.isEmpty()) {
        list->setCurrentItem(found.first());
        found.first()->setSelected(true);
    }
}

// Leaving a size box: empty shows the sample's size again; otherwise the sample takes the
// box's number, 10 when the text is none.
void sizeBoxExit(TqvNumEdit *box, QPlainTextEdit *sample)
{
    const QString text = box->text().trimmed();
    if (text.isEmpty()) {
        box->setText(QString::number(sample->property("FontSize").toInt()));
        return;
    }
    bool ok = false;
    int size = text.toInt(&ok);
    if (!ok || size <= 0)
        size = 10;
    setSampleFont(sample, sample->property("FontName").toString(), size);
}

// The 256 column letters "A" ... "IV".
QStringList columnLetters()
{
    QStringList letters;
    for (int i = 0; i < 256; ++i) {
        QString s;
        if (i >= 26)
            s += QChar(u'A' + i / 26 - 1);
        s += QChar(u'A' + i % 26);
        letters << s;
    }
    return letters;
}

} // namespace foption

// ---------------------------------------------------------------- helpers

int RadioIndex(const QGroupBox *group)
{
    QButtonGroup *buttons = foption::buttonsOf(group);
    return buttons ? buttons->checkedId() : -1;
}

void SetRadioIndex(QGroupBox *group, int index)
{
    QButtonGroup *buttons = foption::buttonsOf(group);
    if (!buttons)
        return;
    if (QAbstractButton *button = buttons->button(index)) {
        button->setChecked(true);
        return;
    }
    // No item chosen: the exclusive group allows that only while it is switched off.
    buttons->setExclusive(false);
    for (QAbstractButton *button : buttons->buttons())
        button->setChecked(false);
    buttons->setExclusive(true);
}

QKeySequence ShortcutOfKey(int key, Qt::KeyboardModifiers modifiers)
{
    const Qt::KeyboardModifiers mods
        = modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    // Shift turns a punctuation key into its other character; the shortcut names the key.
    static const QList<QPair<int, int>> shifted = {
        { Qt::Key_Colon, Qt::Key_Semicolon },
        { Qt::Key_Plus, Qt::Key_Equal },
        { Qt::Key_Less, Qt::Key_Comma },
        { Qt::Key_Underscore, Qt::Key_Minus },
        { Qt::Key_Greater, Qt::Key_Period },
        { Qt::Key_AsciiTilde, Qt::Key_QuoteLeft },
        { Qt::Key_BraceLeft, Qt::Key_BracketLeft },
        { Qt::Key_Bar, Qt::Key_Backslash },
        { Qt::Key_BraceRight, Qt::Key_BracketRight },
        { Qt::Key_yen, Qt::Key_Backslash },
    };
    for (const auto &[from, to] : shifted) {
        if (key == from)
            key = to;
    }
    const bool letterOrDigit
        = (key >= Qt::Key_0 && key <= Qt::Key_9) || (key >= Qt::Key_A && key <= Qt::Key_Z);
    bool counts
        = letterOrDigit || key == Qt::Key_Delete || (key >= Qt::Key_F1 && key <= Qt::Key_F10);
    static const int punctuation[]
        = { Qt::Key_Semicolon, Qt::Key_Equal,       Qt::Key_Comma, Qt::Key_Minus,
            Qt::Key_Period,    Qt::Key_QuoteLeft,   Qt::Key_At,    Qt::Key_BracketLeft,
            Qt::Key_Backslash, Qt::Key_BracketRight };
    if (std::find(std::begin(punctuation), std::end(punctuation), key) != std::end(punctuation))
        counts = true;
    if (!counts)
        return QKeySequence();
    if (letterOrDigit && mods == Qt::NoModifier)
        return QKeySequence();
    return QKeySequence(QKeyCombination(mods, Qt::Key(key)));
}

QStringList OptionFontNames()
{
    QStringList names = QFontDatabase::families();
    names.erase(std::remove_if(names.begin(), names.end(),
                               [](const QString &n) { return n.startsWith(QLatin1Char('@')); }),
                names.end());
    for (const char *windows :
         { "ＭＳ ゴシック", "ＭＳ Ｐゴシック", "ＭＳ 明朝", "ＭＳ Ｐ明朝", "MS UI Gothic" }) {
        const QString name = QString::fromUtf8(windows);
        if (!names.contains(name))
            names << name;
    }
    names.sort();
    return names;
}

QString FolderBoxText(const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty() || trimmed.endsWith(QLatin1Char('/')))
        return trimmed;
    return trimmed + QLatin1Char('/');
}

// ---------------------------------------------------------------- the dialog

TfrmOption::TfrmOption(QObject *AOwner)
    : TqvForm(AOwner, false)
{
    setObjectName(QStringLiteral("frmOption"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setupUi();
    SetHelpContext(this, 50100);
}

TfrmOption::~TfrmOption()
{
    lstShortCutExit();
}

void TfrmOption::setupUi()
{
    using namespace foption;
    setWindowTitle(QStringLiteral("オプション"));
    setFont(MapFont(QStringLiteral("ＭＳ Ｐゴシック"), 9));
    resize(600, 560);

    auto *main = new QVBoxLayout(this);
    pagOption = new QTabWidget(this);
    pagOption->setObjectName(QStringLiteral("pagOption"));
    main->addWidget(pagOption, 1);
    auto page = [this](QWidget *&w, const char *name, const QString &caption) {
        w = new QWidget(pagOption);
        w->setObjectName(QString::fromLatin1(name));
        pagOption->addTab(w, caption);
        return w;
    };

    // --- オブジェクトリスト
    {
        QWidget *p = page(tabObjectList, "tabObjectList", QStringLiteral("オブジェクトリスト"));
        auto *v = new QVBoxLayout(p);
        rdoSort = radioGroup(p, "rdoSort", QStringLiteral("ツリー順序"),
                             { QStringLiteral("スキーマ → オブジェクトタイプ 順"),
                               QStringLiteral("オブジェクトタイプ → スキーマ 順") });
        v->addWidget(rdoSort);
        auto *kinds = new QGroupBox(QStringLiteral("表示するオブジェクトタイプ"), p);
        kinds->setObjectName(QStringLiteral("pnlTree1Obj"));
        auto *grid = new QGridLayout(kinds);
        int i = 0;
        for (const KindButton &k : foption::kindButtons) {
            auto *button = new QToolButton(kinds);
            button->setObjectName(QString::fromLatin1(k.name));
            button->setToolTip(QString::fromUtf8(k.hint));
            button->setCheckable(true);
            button->setAutoRaise(false);
            button->setIconSize(QSize(24, 24));
            button->setFixedSize(36, 36);
            this->*(k.button) = button;
            grid->addWidget(button, i / 7, i % 7);
            ++i;
        }
        grid->setColumnStretch(7, 1);
        v->addWidget(kinds);
        v->addWidget(
            label(p, QStringLiteral("プロシージャはEDB PostgresまたはPostgreSQL 11以上に接続時、"),
                  "lblObjType"));
        v->addWidget(
            label(p,
                  QStringLiteral("パッケージ、パッケージボディ、シノニムはEnterpriseDB接続時のみ"
                                 "表示されます。"),
                  "lblObjType2"));
        chkData = checkBox(p, "chkData", QStringLiteral("オブジェクト固有の詳細情報を表示する"));
        chkRowSelect
            = checkBox(p, "chkRowSelect", QStringLiteral("オブジェクト選択時、行全体を反転する"));
        chkDelErr
            = checkBox(p, "chkDelErr", QStringLiteral("オブジェクト一括削除時のエラーを無視する"));
        chkFind = checkBox(p, "chkFind", QStringLiteral("絞り込み検索機能を表示する"));
        chkFindAuto
            = checkBox(p, "chkFindAuto", QStringLiteral("総称検索を行う ( LIKE '%検索値%' )"));
        chkProgress = checkBox(p, "chkProgress", QStringLiteral("一覧表示中の途中経過を表示する"));
        chkUserFirst
            = checkBox(p, "chkUserFirst", QStringLiteral("接続スキーマを一番最初に表示する"));
        for (QCheckBox *c : { chkData, chkRowSelect, chkDelErr, chkFind })
            v->addWidget(c);
        auto *indented = new QHBoxLayout;
        indented->addSpacing(20);
        indented->addWidget(chkFindAuto);
        v->addLayout(indented);
        v->addWidget(chkProgress);
        v->addWidget(chkUserFirst);
        v->addStretch();
    }

    // --- 定義情報
    {
        QWidget *p = page(tabDefine, "tabDefine", QStringLiteral("定義情報"));
        auto *v = new QVBoxLayout(p);
        v->addWidget(
            label(p, QStringLiteral("各種オブジェクト定義画面の、共通設定を入力します。")));
        cmbOpenMode = new TqvComboBox(p);
        cmbOpenMode->setObjectName(QStringLiteral("cmbOpenMode"));
        cmbOpenMode->addItems(
            { QStringLiteral("定義情報"), QStringLiteral("ソース情報"), QStringLiteral("データ") });
        v->addLayout(row(label(p, QStringLiteral("初期表示タブ")), cmbOpenMode));
        chkShowDDL
            = checkBox(p, "chkShowDDL", QStringLiteral("定義変更時に実行される DDL 文を表示する"));
        chkShowStorageSource
            = checkBox(p, "chkShowStorageSource", QStringLiteral("SQL文に領域情報を含める"));
        chkShowColumnSource
            = checkBox(p, "chkShowColumnSource", QStringLiteral("SQL文に項目名を含める(VIEW)"));
        chkCloseDDL = checkBox(
            p, "chkCloseDDL",
            QStringLiteral("定義変更時にエラーが発生しなかった場合、自動で DDL 実行画面を閉じる"));
        chkBackupData = checkBox(
            p, "chkBackupData", QStringLiteral("テーブル再作成時に、データ退避テーブルを作成する"));
        chkDefaultAutoQuote = checkBox(
            p, "chkDefaultAutoQuote",
            QStringLiteral(
                "省略時値に文字列を指定した際、シングルクォーテーョンを自動付加する(TABLE)"));
        for (QCheckBox *c : { chkShowDDL, chkShowStorageSource, chkShowColumnSource, chkCloseDDL,
                              chkBackupData, chkDefaultAutoQuote })
            v->addWidget(c);
        auto sourceGroup
            = [&](const char *groupName, QCheckBox *&check, const char *checkName,
                  const QString &caption, QCheckBox *&dialog, const char *dialogName,
                  QCheckBox *&renum, const char *renumName, QCheckBox *&head, const char *headName,
                  QLabel *&lbl, const char *lblName, TqvStrEdit *&box, const char *boxName,
                  QPushButton *&button, const char *buttonName) {
                  check = checkBox(p, checkName, caption);
                  v->addWidget(check);
                  auto *group = new QGroupBox(p);
                  group->setObjectName(QString::fromLatin1(groupName));
                  auto *g = new QVBoxLayout(group);
                  dialog = checkBox(group, dialogName, QStringLiteral("ダイアログ表示"));
                  renum = checkBox(group, renumName, QStringLiteral("自動採番"));
                  head = checkBox(group, headName, QStringLiteral("修正履歴"));
                  g->addLayout(row(dialog, renum, head));
                  lbl = label(group, QStringLiteral("出力先"), lblName);
                  box = textBox(group, boxName);
                  button = pickButton(group, buttonName);
                  auto *line = new QHBoxLayout;
                  line->addWidget(lbl);
                  line->addWidget(box, 1);
                  line->addWidget(button);
                  g->addLayout(line);
                  v->addWidget(group);
              };
        sourceGroup("grpBeforeSource", chkBeforeSource, "chkBeforeSource",
                    QStringLiteral("変更前のソースを保存する"), chkBeforeSrcDialog,
                    "chkBeforeSrcDialog", chkBeforeSrcRenum, "chkBeforeSrcRenum", chkBeforeSrcHead,
                    "chkBeforeSrcHead", lblBeforeSource, "lblBeforeSource", txtBeforeSource,
                    "txtBeforeSource", btnBeforeSource, "btnBeforeSource");
        sourceGroup("grpAfterSource", chkAfterSource, "chkAfterSource",
                    QStringLiteral("変更後のソースを保存する"), chkAfterSrcDialog,
                    "chkAfterSrcDialog", chkAfterSrcRenum, "chkAfterSrcRenum", chkAfterSrcHead,
                    "chkAfterSrcHead", lblAfterSource, "lblAfterSource", txtAfterSource,
                    "txtAfterSource", btnAfterSource, "btnAfterSource");
        v->addStretch();
    }

    const QString sampleText = QStringLiteral("ABCxzy\nあいう亜井宇");
    auto fontGroup = [&](QWidget *p, const QString &caption, QListWidget *&list,
                         const char *listName, TqvNumEdit *&size, const char *sizeName,
                         QPlainTextEdit *&sample, const char *sampleName) {
        auto *group = new QGroupBox(caption, p);
        auto *g = new QGridLayout(group);
        list = fontList(group, listName);
        size = numberBox(group, sizeName, 3);
        sample = fontSample(group, sampleName);
        sample->setPlainText(sampleText);
        g->addWidget(list, 0, 0, 3, 1);
        g->addLayout(row(label(group, QStringLiteral("サイズ(pt)")), size), 0, 1);
        g->addWidget(label(group, QStringLiteral("サンプル")), 1, 1);
        g->addWidget(sample, 2, 1);
        g->setColumnStretch(0, 1);
        g->setColumnStretch(1, 1);
        list->setMaximumHeight(110);
        sample->setMaximumHeight(70);
        return group;
    };

    // --- SQL実行
    {
        QWidget *p = page(tabSQL, "tabSQL", QStringLiteral("SQL実行"));
        auto *v = new QVBoxLayout(p);
        auto *exec = new QGroupBox(QStringLiteral("SQL実行"), p);
        auto *e = new QVBoxLayout(exec);
        txtSQLBuf = numberBox(exec, "txtSQLBuf", 3);
        e->addLayout(row(label(exec, QStringLiteral("SQL履歴数")), txtSQLBuf));
        chkUsePartial = checkBox(exec, "chkUsePartial",
                                 QStringLiteral("文字選択された範囲のSQLのみを実行する"));
        e->addWidget(chkUsePartial);
        v->addWidget(exec);
        auto *builder = new QGroupBox(QStringLiteral("SQLビルダ"), p);
        auto *b = new QVBoxLayout(builder);
        b->addWidget(fontGroup(builder, QStringLiteral(" ダイアグラム部 "), lstDiagramFontName,
                               "lstDiagramFontName", txtDiagramFontSize, "txtDiagramFontSize",
                               txtDiagramFontSample, "txtDiagramFontSample"));
        b->addWidget(fontGroup(builder, QStringLiteral(" グリッド部 "), lstGridFontName,
                               "lstGridFontName", txtGridFontSize, "txtGridFontSize",
                               txtGridFontSample, "txtGridFontSample"));
        v->addWidget(builder);
        v->addStretch();
    }

    // --- データ
    {
        QWidget *p = page(tabQuery, "tabQuery", QStringLiteral("データ"));
        auto *v = new QVBoxLayout(p);
        auto *result = new QGroupBox(QStringLiteral(" 結果表示 "), p);
        auto *r = new QVBoxLayout(result);
        r->addWidget(fontGroup(result, QString(), lstDataFontName, "lstDataFontName",
                               txtDataFontSize, "txtDataFontSize", txtDataFontSample,
                               "txtDataFontSample"));
        rdoDataShowMode = radioGroup(
            result, "rdoDataShowMode", QStringLiteral("横方向出力時の表示方法"),
            { QStringLiteral("標準"), QStringLiteral("左寄せ"), QStringLiteral("右寄せ") }, true);
        r->addWidget(rdoDataShowMode);
        txtDataColWidthH = numberBox(result, "txtDataColWidthH", 3);
        txtDataColWidthV = numberBox(result, "txtDataColWidthV", 3);
        r->addLayout(
            row(label(result, QStringLiteral("横方向出力時の列幅(字数)")), txtDataColWidthH,
                label(result, QStringLiteral("縦方向出力時の最大列幅(字数)")), txtDataColWidthV));
        v->addWidget(result);
        auto *table = new QGroupBox(QStringLiteral(" テーブル・ビューのデータ表示 "), p);
        auto *t = new QVBoxLayout(table);
        chkShowWhereGrid = checkBox(table, "chkShowWhereGrid",
                                    QStringLiteral("抽出条件・ソート順設定画面を予め開いておく"));
        chkWhereAutoQuote = checkBox(
            table, "chkWhereAutoQuote",
            QStringLiteral("抽出条件に文字列を指定した際、シングルクォーテーョンを自動付加する"));
        chkUpdateMode
            = checkBox(table, "chkUpdateMode", QStringLiteral("初期状態をデータ編集可能にする"));
        for (QCheckBox *c : { chkShowWhereGrid, chkWhereAutoQuote, chkUpdateMode })
            t->addWidget(c);
        v->addWidget(table);
        auto *formats = new QGroupBox(QStringLiteral("日付型の表示書式"), p);
        cmbDateFormat = new TqvComboBox(formats);
        cmbDateFormat->setObjectName(QStringLiteral("cmbDateFormat"));
        cmbDateFormat->setEditable(true);
        cmbDateFormat->addItems({ QStringLiteral("yy/MM/dd"), QStringLiteral("yyyy/MM/dd"),
                                  QStringLiteral("MM/dd/yy"), QStringLiteral("MM/dd/yyyy"),
                                  QStringLiteral("dd/MM/yy"), QStringLiteral("dd/MM/yyyy") });
        cmbTimeFormat = new TqvComboBox(formats);
        cmbTimeFormat->setObjectName(QStringLiteral("cmbTimeFormat"));
        cmbTimeFormat->setEditable(true);
        cmbTimeFormat->addItem(QStringLiteral("HH:mm:ss"));
        auto *f = new QHBoxLayout(formats);
        f->addWidget(label(formats, QStringLiteral("日付")));
        f->addWidget(cmbDateFormat);
        f->addWidget(label(formats, QStringLiteral("時刻")));
        f->addWidget(cmbTimeFormat);
        f->addStretch();
        v->addWidget(formats);
        txtDefTopRecord = numberBox(p, "txtDefTopRecord", 9);
        v->addLayout(row(label(p, QStringLiteral("件数を指定して開く場合の既定レコード件数")),
                         txtDefTopRecord));
        chkAddStripe
            = checkBox(p, "chkAddStripe", QStringLiteral("グリッドを一行ごとに色分けする"));
        v->addWidget(chkAddStripe);
        v->addStretch();
    }

    // --- 整形出力
    {
        QWidget *p = page(TabFormat, "TabFormat", QStringLiteral("整形出力"));
        auto *v = new QVBoxLayout(p);
        txtIndent = numberBox(p, "txtIndent", 2);
        v->addLayout(row(label(p, QStringLiteral("インデント")), txtIndent));
        const QStringList caseItems
            = { QStringLiteral("大文字"), QStringLiteral("小文字"), QStringLiteral("変更しない") };
        const QStringList posItems = { QStringLiteral("行頭"), QStringLiteral("行末") };
        rdoItemReturn = radioGroup(p, "rdoItemReturn", QStringLiteral("項目の改行"),
                                   { QStringLiteral("1行ずつ"), QStringLiteral("なし") }, true);
        rdoReserveTran
            = radioGroup(p, "rdoReserveTran", QStringLiteral("予約語の変換"), caseItems, true);
        rdoItemTran = radioGroup(p, "rdoItemTran", QStringLiteral("項目の変換"), caseItems, true);
        rdoCommaPos = radioGroup(p, "rdoCommaPos", QStringLiteral("カンマの位置"), posItems, true);
        rdoAndPos = radioGroup(p, "rdoAndPos", QStringLiteral("AND(OR)の位置"), posItems, true);
        rdoReservePos = radioGroup(p, "rdoReservePos", QStringLiteral("予約語の位置"),
                                   { QStringLiteral("右揃え"), QStringLiteral("左揃え") }, true);
        auto *grid = new QGridLayout;
        grid->addWidget(rdoItemReturn, 0, 0);
        grid->addWidget(rdoReservePos, 0, 1);
        grid->addWidget(rdoReserveTran, 1, 0);
        grid->addWidget(rdoItemTran, 1, 1);
        grid->addWidget(rdoCommaPos, 2, 0);
        grid->addWidget(rdoAndPos, 2, 1);
        v->addLayout(grid);
        txtFormat = new TqvMemo(p);
        txtFormat->setObjectName(QStringLiteral("txtFormat"));
        v->addWidget(txtFormat, 1);
    }

    // --- キー操作
    {
        QWidget *p = page(tabKey, "tabKey", QStringLiteral("キー操作"));
        auto *v = new QVBoxLayout(p);
        v->addWidget(label(p,
                           QStringLiteral("項目を選択し、割り当てたいショートカットキーを入力して"
                                          "下さい。(削除したい場合はSPACEキー)")));
        lstShortCut = new TqvTreeView(p);
        lstShortCut->setObjectName(QStringLiteral("lstShortCut"));
        lstShortCut->setSections({ QStringLiteral("機能"), QStringLiteral("ショートカット") });
        lstShortCut->header()->setObjectName(QStringLiteral("hedShortCut"));
        lstShortCut->setColumnWidth(0, 342);
        lstShortCut->setColumnWidth(1, 180);
        lstShortCut->setEditTriggers(QAbstractItemView::NoEditTriggers);
        lstShortCut->setSelectionMode(QAbstractItemView::SingleSelection);
        // The chosen node keeps its highlight when the tree loses the focus.
        QPalette palette = lstShortCut->palette();
        for (QPalette::ColorGroup group : { QPalette::Active, QPalette::Inactive }) {
            palette.setColor(group, QPalette::Highlight,
                             lstShortCut->palette().color(QPalette::Active, QPalette::Highlight));
            palette.setColor(group, QPalette::HighlightedText, Qt::white);
        }
        lstShortCut->setPalette(palette);
        lstShortCut->installEventFilter(this);
        v->addWidget(lstShortCut, 1);
    }

    // --- 外部出力
    {
        QWidget *p = page(tabOutput, "tabOutput", QStringLiteral("外部出力"));
        auto *v = new QVBoxLayout(p);
        const QStringList titleItems
            = { QStringLiteral("項目名を使用"), QStringLiteral("コメントを使用"),
                QStringLiteral("出力しない") };
        auto *excel = new QGroupBox(QStringLiteral(" EXCEL出力 "), p);
        auto *e = new QGridLayout(excel);
        txtExcelDir = textBox(excel, "txtExcelDir");
        btnExcelDir = pickButton(excel, "btnExcelDir");
        auto *dirLine = new QHBoxLayout;
        dirLine->addWidget(label(excel, QStringLiteral("デフォルトの出力先")));
        dirLine->addWidget(txtExcelDir, 1);
        dirLine->addWidget(btnExcelDir);
        e->addLayout(dirLine, 0, 0, 1, 2);
        rdoExcel = radioGroup(excel, "rdoExcel", QStringLiteral(" 出力方向 "),
                              { QStringLiteral("縦方向"), QStringLiteral("横方向") }, true);
        e->addWidget(rdoExcel, 1, 0);
        rdoExcelTitle = radioGroup(excel, "rdoExcelTitle", QStringLiteral(" 列タイトル出力 "),
                                   titleItems, true);
        e->addWidget(rdoExcelTitle, 1, 1);
        chkExcelDialog
            = checkBox(excel, "chkExcelDialog", QStringLiteral("標準ダイアログを使用する"));
        chkExcelRefresh = checkBox(excel, "chkExcelRefresh",
                                   QStringLiteral("最新のデータを読み直してから出力する"));
        e->addLayout(row(chkExcelDialog, chkExcelRefresh), 2, 0, 1, 2);
        auto *forms = new QGroupBox(QStringLiteral(" フォームファイル名 "), excel);
        auto *fg = new QGridLayout(forms);
        txtFormMatrix = textBox(forms, "txtFormMatrix");
        btnFormMatrix = pickButton(forms, "btnFormMatrix");
        txtMatrixRow = numberBox(forms, "txtMatrixRow", 5);
        txtMatrixCol = numberBox(forms, "txtMatrixCol", 3);
        fg->addWidget(label(forms, QStringLiteral("マトリックス表")), 0, 0);
        fg->addWidget(txtFormMatrix, 0, 1);
        fg->addWidget(btnFormMatrix, 0, 2);
        fg->addLayout(row(label(forms, QStringLiteral("頁行数")), txtMatrixRow,
                          label(forms, QStringLiteral("桁数")), txtMatrixCol),
                      1, 1);
        txtFormSQL = textBox(forms, "txtFormSQL");
        btnFormSQL = pickButton(forms, "btnFormSQL");
        txtSQLTop = numberBox(forms, "txtSQLTop", 5);
        cmbSQLLeft = new TqvComboBox(forms);
        cmbSQLLeft->setObjectName(QStringLiteral("cmbSQLLeft"));
        cmbSQLLeft->addItems(columnLetters());
        fg->addWidget(label(forms, QStringLiteral("ＳＱＬ結果")), 2, 0);
        fg->addWidget(txtFormSQL, 2, 1);
        fg->addWidget(btnFormSQL, 2, 2);
        fg->addLayout(row(label(forms, QStringLiteral("開始行")), txtSQLTop,
                          label(forms, QStringLiteral("桁")), cmbSQLLeft),
                      3, 1);
        fg->setColumnStretch(1, 1);
        e->addWidget(forms, 3, 0, 1, 2);
        v->addWidget(excel);
        auto *clip = new QGroupBox(QStringLiteral(" クリップボード出力 "), p);
        auto *c = new QHBoxLayout(clip);
        rdoPasteColumn = radioGroup(clip, "rdoPasteColumn", QStringLiteral("項目区切り文字"),
                                    { QStringLiteral("タブ"), QStringLiteral("カンマ") }, true);
        rdoPasteTitle = radioGroup(clip, "rdoPasteTitle", QStringLiteral(" 列タイトル出力 "),
                                   titleItems, true);
        chkPasteDialog
            = checkBox(clip, "chkPasteDialog", QStringLiteral("出力時に確認ダイアログを表示する"));
        c->addWidget(rdoPasteColumn);
        c->addWidget(rdoPasteTitle);
        c->addWidget(chkPasteDialog);
        v->addWidget(clip);
        auto *files = new QGroupBox(QStringLiteral(" ファイル入出力 "), p);
        auto *fl = new QGridLayout(files);
        txtFileDir = textBox(files, "txtFileDir");
        btnFileDir = pickButton(files, "btnFileDir");
        cmbEncoding = new TqvComboBox(files);
        cmbEncoding->setObjectName(QStringLiteral("cmbEncoding"));
        cmbEncoding->addItems({ QStringLiteral("SHIFT-JIS"), QStringLiteral("UTF-7"),
                                QStringLiteral("UTF-8"), QStringLiteral("UTF-16 (LE)"),
                                QStringLiteral("UTF-16 (BE)") });
        fl->addWidget(label(files, QStringLiteral("デフォルトの出力先")), 0, 0);
        fl->addWidget(txtFileDir, 0, 1);
        fl->addWidget(btnFileDir, 0, 2);
        fl->addWidget(label(files, QStringLiteral("テキストファイルの形式")), 1, 0);
        fl->addLayout(row(cmbEncoding), 1, 1);
        fl->setColumnStretch(1, 1);
        v->addWidget(files);
        v->addStretch();
    }

    // --- 詳細設定
    {
        QWidget *p = page(tabOther, "tabOther", QStringLiteral("詳細設定"));
        auto *v = new QVBoxLayout(p);
        auto *other = new QGroupBox(QStringLiteral(" その他設定 "), p);
        auto *o = new QGridLayout(other);
        txtCrossLevel = numberBox(other, "txtCrossLevel", 3);
        o->addWidget(label(other, QStringLiteral("クロスリファレンス 最大階層")), 0, 0);
        o->addLayout(row(txtCrossLevel), 0, 1);
        txtTempDir = textBox(other, "txtTempDir");
        btnTempDir = pickButton(other, "btnTempDir");
        o->addWidget(label(other, QStringLiteral("作業ファイル作成先")), 1, 0);
        auto *temp = new QHBoxLayout;
        temp->addWidget(txtTempDir, 1);
        temp->addWidget(btnTempDir);
        o->addLayout(temp, 1, 1);
        txtDataGenCommit = numberBox(other, "txtDataGenCommit", 7);
        o->addWidget(label(other, QStringLiteral("データ生成ツール コミット件数")), 2, 0);
        o->addLayout(row(txtDataGenCommit, label(other, QStringLiteral("件ごと"))), 2, 1);
        chkUseUpperName = checkBox(other, "chkUseUpperName",
                                   QStringLiteral("英大文字のオブジェクト名を使用可能にする"));
        chkCodeAssist = checkBox(other, "chkCodeAssist",
                                 QStringLiteral("各種エディット時にコード補完を行う"));
        chkUpdateToCommit
            = checkBox(other, "chkUpdateToCommit", QStringLiteral("編集時に自動的に COMMIT する"));
        o->addWidget(chkUseUpperName, 3, 0, 1, 2);
        o->addWidget(chkCodeAssist, 4, 0, 1, 2);
        o->addWidget(chkUpdateToCommit, 5, 0, 1, 2);
        o->setColumnStretch(1, 1);
        v->addWidget(other);
        v->addStretch();
    }

    AddDialogButtons(this, main, btnOk, btnCancel, btnHelp);

    // --- behaviour
    const auto guarded = [this](void (TfrmOption::*handler)()) {
        return [this, handler] { RunGuarded([this, handler] { (this->*handler)(); }); };
    };
    connect(btnOk, &QPushButton::clicked, this, guarded(&TfrmOption::btnOkClick));
    connect(btnCancel, &QPushButton::clicked, this, guarded(&TfrmOption::btnCancelClick));
    connect(btnHelp, &QPushButton::clicked, this, [] { AppHelpContext(50100); });
    connect(chkFind, &QCheckBox::toggled, this, guarded(&TfrmOption::chkFindClick));
    connect(chkBeforeSource, &QCheckBox::toggled, this, guarded(&TfrmOption::chkBeforeSourceClick));
    connect(chkAfterSource, &QCheckBox::toggled, this, guarded(&TfrmOption::chkAfterSourceClick));
    const auto fontClick = [this](QListWidget *list, QPlainTextEdit *sample) {
        connect(list, &QListWidget::itemClicked, this, [sample](QListWidgetItem *item) {
            setSampleFont(sample, item->text(), sample->property("FontSize").toInt());
        });
    };
    fontClick(lstDataFontName, txtDataFontSample);
    fontClick(lstDiagramFontName, txtDiagramFontSample);
    fontClick(lstGridFontName, txtGridFontSample);
    // One handler for six boxes: it always works on the data font size and its sample.
    for (TqvNumEdit *box : { txtDataFontSize, txtSQLBuf, txtDataColWidthH, txtDataColWidthV,
                             txtCrossLevel, txtDataGenCommit })
        connect(box, &QLineEdit::editingFinished, this, guarded(&TfrmOption::txtDataFontSizeExit));
    connect(txtDiagramFontSize, &QLineEdit::editingFinished, this,
            guarded(&TfrmOption::txtDiagramFontSizeExit));
    connect(txtGridFontSize, &QLineEdit::editingFinished, this,
            guarded(&TfrmOption::txtGridFontSizeExit));
    connect(btnBeforeSource, &QPushButton::clicked, this,
            [this] { pickFolder(txtBeforeSource, QStringLiteral("出力先を選択して下さい。")); });
    connect(btnAfterSource, &QPushButton::clicked, this,
            [this] { pickFolder(txtAfterSource, QStringLiteral("出力先を選択して下さい。")); });
    connect(btnExcelDir, &QPushButton::clicked, this,
            [this] { pickFolder(txtExcelDir, QStringLiteral("出力先を選択して下さい。")); });
    connect(btnFileDir, &QPushButton::clicked, this,
            [this] { pickFolder(txtFileDir, QStringLiteral("出力先を選択して下さい。")); });
    connect(btnTempDir, &QPushButton::clicked, this, [this] {
        pickFolder(txtTempDir, QStringLiteral("作業ファイル作成先を選択して下さい。"));
    });
    connect(btnFormMatrix, &QPushButton::clicked, this, [this] { pickWorkbook(txtFormMatrix); });
    connect(btnFormSQL, &QPushButton::clicked, this, [this] { pickWorkbook(txtFormSQL); });
    for (QGroupBox *group :
         { rdoItemReturn, rdoReserveTran, rdoItemTran, rdoCommaPos, rdoAndPos, rdoReservePos })
        connect(buttonsOf(group), &QButtonGroup::idClicked, this,
                guarded(&TfrmOption::FormatChange));
    connect(txtIndent, &QLineEdit::textChanged, this, guarded(&TfrmOption::txtIndentChange));
}

QList<QToolButton *> TfrmOption::kindButtons() const
{
    QList<QToolButton *> list;
    for (const foption::KindButton &k : foption::kindButtons)
        list << this->*(k.button);
    return list;
}

bool TfrmOption::ShowWindow()
{
    MainWindowServices *main = mainWindowServices();
    std::unique_ptr<TfrmOption> form(
        CreateForm<TfrmOption>(main ? static_cast<QObject *>(main->mainWidget()) : nullptr));
    if (!form)
        return false;
    form->PrepareShow();
    const bool ok = form->ShowModal() == IDOK;
    if (ok)
        form->ApplyControls();
    else
        FormatOption = form->SavedFormat;
    return ok;
}

void TfrmOption::PrepareShow()
{
    using namespace foption;
    int i = 0;
    for (QToolButton *button : kindButtons())
        button->setIcon(MainImage(foption::kindButtons[i++].code));
    ConnectionWindow *current = OwnerForm();
    btnAgrg->setVisible(!(current && current->DBVer() < 90400));
    btnMView->setVisible(!(current && current->DBVer() < 90300));

    pagOption->setCurrentIndex(0);
    LoadControls();

    SavedFormat = FormatOption;
    SampleSQL = QStringLiteral(
        "/* 表示サンプル */\nBEGIN SELECT S01.COL01, S01.COL02 FROM SAMPLE01 S01, SMAPLE02 S02 "
        "WHERE S01.COL01 = S02.COL1 AND S01.COL2 IS NOT NULL GROUP BY COL1 HAVING COL1 > 1 AND "
        "COL2 IS NOT NULL ORDER BY COL1, COL2 DESC; END;");
    ApplyControlOptions(txtFormat);
    txtFormat->setText(FormatSQL(SampleSQL));
    txtFormat->setReadOnly(true);
    txtFormat->setEnabled(false);
    txtFormat->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    txtFormat->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    btnOk->setFocus();
}

void TfrmOption::LoadControls()
{
    using namespace foption;
    const TqvOption &o = AppOption;
    for (const KindButton &k : foption::kindButtons)
        (this->*(k.button))->setChecked(o.*(k.option));
    // Each box's toggle runs its click handler, so the dependent controls follow.
    for (const CheckBinding &c : checkBindings) {
        (this->*(c.box))->setChecked(!(o.*(c.option)));
        (this->*(c.box))->setChecked(o.*(c.option));
    }
    for (const NumberBinding &n : numberBindings)
        (this->*(n.box))->setValueInt(o.*(n.option));
    for (const RadioBinding &r : radioBindings)
        SetRadioIndex(this->*(r.group), o.*(r.option));
    SetRadioIndex(rdoExcelTitle, int(o.ExcelTitle));
    SetRadioIndex(rdoPasteTitle, int(o.PasteTitle));
    for (const FolderBinding &f : folderBindings)
        (this->*(f.box))->setText(o.*(f.option));
    cmbOpenMode->setCurrentIndex(int(o.OpenMode) <= 2 ? int(o.OpenMode) : -1);
    cmbDateFormat->setEditText(o.DateFormat);
    cmbTimeFormat->setEditText(o.TimeFormat);
    txtFormMatrix->setText(o.ExcelFormMatrix);
    txtFormSQL->setText(o.ExcelForm);
    txtSQLTop->setValueInt(o.ExcelTop + 1);
    cmbSQLLeft->setCurrentIndex(o.ExcelLeft >= 0 && o.ExcelLeft < 256 ? o.ExcelLeft : -1);
    cmbEncoding->setCurrentIndex(o.Encoding >= 0 && o.Encoding <= 4 ? o.Encoding : -1);

    const struct
    {
        QListWidget *list;
        QPlainTextEdit *sample;
        QString name;
        int size;
    } fonts[] = {
        { lstDataFontName, txtDataFontSample, o.DataFontName, o.DataFontSize },
        { lstDiagramFontName, txtDiagramFontSample, o.DiagramFontName, o.DiagramFontSize },
        { lstGridFontName, txtGridFontSample, o.GridFontName, o.GridFontSize },
    };
    for (const auto &f : fonts) {
        selectFont(f.list, f.name);
        setSampleFont(f.sample, f.name, f.size);
    }

    const TFormatOption &fmt = FormatOption;
    {
        const QSignalBlocker quiet(txtIndent);
        txtIndent->setValueInt(fmt.Indent);
    }
    PreIndent = txtIndent->ValueInt();
    SetRadioIndex(rdoItemReturn, fmt.ItemReturn);
    SetRadioIndex(rdoReserveTran, fmt.ReserveTrans);
    SetRadioIndex(rdoItemTran, fmt.ItemTrans);
    SetRadioIndex(rdoCommaPos, fmt.CommaPos);
    SetRadioIndex(rdoAndPos, fmt.AndPos);
    SetRadioIndex(rdoReservePos, fmt.ReservePos);
    rdoCommaPos->setEnabled(fmt.ItemReturn == 0);
    rdoAndPos->setEnabled(fmt.ItemReturn == 0);

    fillShortcutTree();
}

void TfrmOption::fillShortcutTree()
{
    using namespace foption;
    lstShortCut->setUpdatesEnabled(false);
    lstShortCut->clear();
    for (const ShortcutGroup &group : shortcutGroups()) {
        TqvTreeNode *parent = lstShortCut->AddNode(nullptr, QString::fromUtf8(group.caption));
        parent->setData(0, shortcutRole, -1);
        for (const char *action : group.actions) {
            const QString name = QString::fromLatin1(action);
            const int index = ShortcutIndex(name);
            TqvTreeNode *node = lstShortCut->AddNode(parent, actionCaption(name));
            node->setData(0, shortcutRole, index);
            node->setText(1, index >= 0 ? shortcutToText(ShortcutList.value(index)) : QString());
        }
    }
    lstShortCut->expandAll();
    if (lstShortCut->topLevelItemCount() > 0)
        lstShortCut->scrollToItem(lstShortCut->topLevelItem(0));
    lstShortCut->setUpdatesEnabled(true);
}

void TfrmOption::chkFindClick()
{
    chkFindAuto->setEnabled(chkFind->isChecked());
}

void TfrmOption::chkBeforeSourceClick()
{
    const bool on = chkBeforeSource->isChecked();
    for (QWidget *w :
         std::initializer_list<QWidget *> { chkBeforeSrcDialog, chkBeforeSrcRenum, chkBeforeSrcHead,
                                            lblBeforeSource, txtBeforeSource, btnBeforeSource })
        w->setEnabled(on);
}

void TfrmOption::chkAfterSourceClick()
{
    const bool on = chkAfterSource->isChecked();
    for (QWidget *w :
         std::initializer_list<QWidget *> { chkAfterSrcDialog, chkAfterSrcRenum, chkAfterSrcHead,
                                            lblAfterSource, txtAfterSource, btnAfterSource })
        w->setEnabled(on);
}

void TfrmOption::txtDataFontSizeExit()
{
    foption::sizeBoxExit(txtDataFontSize, txtDataFontSample);
}

void TfrmOption::txtDiagramFontSizeExit()
{
    foption::sizeBoxExit(txtDiagramFontSize, txtDiagramFontSample);
}

void TfrmOption::txtGridFontSizeExit()
{
    foption::sizeBoxExit(txtGridFontSize, txtGridFontSample);
}

void TfrmOption::txtIndentChange()
{
    const QString text = txtIndent->text();
    if (text.contains(QLatin1Char('.'))) {
        // Setting the text comes back here once more, without the points.
        txtIndent->setText(QString(text).remove(QLatin1Char('.')));
        return;
    }
    if (txtIndent->ValueInt() != PreIndent) {
        PreIndent = txtIndent->ValueInt();
        FormatChange();
    }
}

void TfrmOption::FormatChange()
{
    // The preview formats with the page's values; FormatOption itself changes only on OK.
    TFormatOption preview = FormatOption;
    preview.Indent = txtIndent->ValueInt();
    preview.ItemReturn = RadioIndex(rdoItemReturn);
    preview.ReserveTrans = RadioIndex(rdoReserveTran);
    preview.ItemTrans = RadioIndex(rdoItemTran);
    preview.CommaPos = RadioIndex(rdoCommaPos);
    preview.AndPos = RadioIndex(rdoAndPos);
    preview.ReservePos = RadioIndex(rdoReservePos);
    const bool perLine = RadioIndex(rdoItemReturn) == 0;
    rdoCommaPos->setEnabled(perLine);
    rdoAndPos->setEnabled(perLine);
    txtFormat->setText(FormatSQL(SampleSQL, preview));
}

bool TfrmOption::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == lstShortCut) {
        switch (event->type()) {
        case QEvent::ShortcutOverride:
        case QEvent::KeyPress: {
            // The keys that make or clear shortcuts belong to the tree alone: no shortcut of
            // the program takes them, and they do not move the selection by typed letters.
            auto *key = static_cast<QKeyEvent *>(event);
            const bool candidate = key->key() == Qt::Key_Space
                || !ShortcutOfKey(key->key(), key->modifiers()).isEmpty()
                || !key->text().trimmed().isEmpty();
            if (candidate) {
                event->accept();
                return true;
            }
            break;
        }
        case QEvent::KeyRelease: {
            auto *key = static_cast<QKeyEvent *>(event);
            if (!key->isAutoRepeat())
                lstShortCutKeyUp(key->key(), key->modifiers());
            return true;
        }
        case QEvent::FocusIn:
            lstShortCutEnter();
            break;
        case QEvent::FocusOut:
            lstShortCutExit();
            break;
        default:
            break;
        }
    }
    return TqvForm::eventFilter(watched, event);
}

void TfrmOption::lstShortCutKeyUp(int key, Qt::KeyboardModifiers modifiers)
{
    QTreeWidgetItem *node = lstShortCut->currentItem();
    if (!node || node->data(0, foption::shortcutRole).toInt() < 0)
        return;
    if (key == Qt::Key_Space && !(modifiers & (Qt::ControlModifier | Qt::AltModifier))) {
        node->setText(1, QString());
        return;
    }
    const QKeySequence shortcut = ShortcutOfKey(key, modifiers);
    if (shortcut.isEmpty())
        return;
    const QString text = shortcutToText(shortcut);
    for (QTreeWidgetItemIterator it(lstShortCut); *it; ++it) {
        if (*it != node && (*it)->text(1) == text) {
            ShowMessageBoxFmt(QStringLiteral("同じ%sが既に存在しています。"),
                              { QStringLiteral("ショートカット") }, MB_ICONEXCLAMATION);
            return;
        }
    }
    node->setText(1, text);
}

void TfrmOption::lstShortCutEnter()
{
    // F1 names a shortcut here, so the help handler does not see it meanwhile.
    if (!m_helpRemoved) {
        qApp->removeEventFilter(&AppHelp());
        m_helpRemoved = true;
    }
}

void TfrmOption::lstShortCutExit()
{
    if (m_helpRemoved) {
        qApp->installEventFilter(&AppHelp());
        m_helpRemoved = false;
    }
}

void TfrmOption::pickFolder(TqvStrEdit *box, const QString &prompt)
{
    const QString start = QFileInfo(box->text()).isDir() ? box->text() : QString();
    const QString chosen = ShowDirectoryDialog(prompt, start);
    if (!chosen.isEmpty())
        box->setText(chosen);
}

void TfrmOption::pickWorkbook(TqvStrEdit *box)
{
    if (box->text().endsWith(QLatin1Char('/')))
        box->setText(box->text().chopped(1));
    const QString chosen = ShowOpenFileDialog(
        QString(), box->text(), ExcelFilter + QStringLiteral("|すべてのファイル(*.*)|*.*"));
    if (!chosen.isEmpty())
        box->setText(chosen);
}

void TfrmOption::refuse(QWidget *page, const QString &message, QWidget *control)
{
    pagOption->setCurrentWidget(page);
    ShowMessageBox(message, MB_ICONEXCLAMATION);
    control->setFocus();
}

void TfrmOption::btnOkClick()
{
    if (txtDataFontSize->ValueInt() == 0)
        return refuse(tabQuery, QStringLiteral("サイズ(pt)は1以上の整数で入力して下さい。"),
                      txtDataFontSize);
    if (txtDiagramFontSize->ValueInt() == 0)
        return refuse(tabSQL,
                      QStringLiteral("ダイアグラム部 サイズ(pt)は1以上の整数で入力して下さい。"),
                      txtDiagramFontSize);
    if (txtGridFontSize->ValueInt() == 0)
        return refuse(tabSQL,
                      QStringLiteral("グリッド部 サイズ(pt)は1以上の整数で入力して下さい。"),
                      txtGridFontSize);
    if (txtDefTopRecord->ValueInt() <= 0)
        return refuse(tabQuery,
                      QStringLiteral("件数を指定して開く場合の既定レコード件数は1以上の整数で"
                                     "入力して下さい。"),
                      txtDefTopRecord);
    const int top = txtSQLTop->ValueInt();
    if (top < 1 || top > 65535)
        return refuse(tabOutput, QStringLiteral("開始行は1から65535までの整数で入力して下さい。"),
                      txtSQLTop);
    const int rows = txtMatrixRow->ValueInt();
    if (rows < 1 || rows > 65535)
        return refuse(tabOutput, QStringLiteral("頁行数は1から65535までの整数で入力して下さい。"),
                      txtMatrixRow);
    const int cols = txtMatrixCol->ValueInt();
    if (cols < 1 || cols > 255)
        return refuse(tabOutput, QStringLiteral("桁数は1から255までの整数で入力して下さい。"),
                      txtMatrixCol);
    setModalResult(IDOK);
}

void TfrmOption::btnCancelClick()
{
    setModalResult(IDCANCEL);
}

void TfrmOption::ApplyControls()
{
    using namespace foption;
    TqvOption &o = AppOption;
    const int oldTreeSort = o.TreeSort;
    for (const KindButton &k : foption::kindButtons)
        o.*(k.option) = (this->*(k.button))->isChecked();
    for (const CheckBinding &c : checkBindings)
        o.*(c.option) = (this->*(c.box))->isChecked();
    for (const NumberBinding &n : numberBindings)
        o.*(n.option) = (this->*(n.box))->ValueInt();
    for (const RadioBinding &r : radioBindings)
        o.*(r.option) = RadioIndex(this->*(r.group));
    o.ExcelTitle = TTitleMode(qMax(0, RadioIndex(rdoExcelTitle)));
    o.PasteTitle = TTitleMode(qMax(0, RadioIndex(rdoPasteTitle)));
    if (cmbOpenMode->currentIndex() >= 0)
        o.OpenMode = TOpenMode(cmbOpenMode->currentIndex());
    o.DateFormat = cmbDateFormat->currentText();
    o.TimeFormat = cmbTimeFormat->currentText();
    o.ExcelFormMatrix = txtFormMatrix->text();
    o.ExcelForm = txtFormSQL->text();
    o.ExcelTop = txtSQLTop->ValueInt() - 1;
    o.ExcelLeft = cmbSQLLeft->currentIndex();
    o.Encoding = cmbEncoding->currentIndex();
    const struct
    {
        QListWidget *list;
        QString *name;
    } fonts[] = { { lstDataFontName, &o.DataFontName },
                  { lstDiagramFontName, &o.DiagramFontName },
                  { lstGridFontName, &o.GridFontName } };
    for (const auto &f : fonts) {
        const QList<QListWidgetItem *> selected = f.list->selectedItems();
        if (!selected.isEmpty())
            *f.name = selected.first()->text();
    }
    // An emptied folder box gives its option the default folder, the one a missing value reads
    // as; it never becomes the root folder.
    for (const FolderBinding &f : folderBindings) {
        TqvStrEdit *box = this->*(f.box);
        box->setText(FolderBoxText(box->text()));
        o.*(f.option) = box->text().isEmpty() ? DefaultOptionFolder(&(o.*(f.option))) : box->text();
    }

    FormatOption.Indent = txtIndent->ValueInt();
    FormatOption.ItemReturn = RadioIndex(rdoItemReturn);
    FormatOption.ReserveTrans = RadioIndex(rdoReserveTran);
    FormatOption.ItemTrans = RadioIndex(rdoItemTran);
    FormatOption.CommaPos = RadioIndex(rdoCommaPos);
    FormatOption.AndPos = RadioIndex(rdoAndPos);
    FormatOption.ReservePos = RadioIndex(rdoReservePos);

    o.TimeOracle = TimeFormatToOracle(o.TimeFormat);

    for (QTreeWidgetItemIterator it(lstShortCut); *it; ++it) {
        const int index = (*it)->data(0, shortcutRole).toInt();
        if (index >= 0 && index < ShortcutList.size())
            ShortcutList[index] = textToShortcut((*it)->text(1));
    }
    TfrmMain *main = TfrmMain::instance();
    if (main)
        main->SetShortCut();

    // Every open connection window follows the object-list options; only a changed tree order
    // builds the trees again.
    const bool rebuild = o.TreeSort != oldTreeSort;
    if (main) {
        const QList<QWidget *> children = main->MDIChildren();
        for (auto it = children.crbegin(); it != children.crend(); ++it) {
            if (auto *db = dynamic_cast<ConnectionWindow *>(*it))
                RunGuarded([db, rebuild] { db->ApplyListOptions(rebuild); });
        }
    }
    // The date and time formats need no further step: every window reads them from the
    // options when it formats a value.
}

void AddDialogButtons(QWidget *dialog, QBoxLayout *layout, QPushButton *&ok, QPushButton *&cancel,
                      QPushButton *&help)
{
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    ok = new QPushButton(QStringLiteral("OK"), dialog);
    ok->setObjectName(QStringLiteral("btnOk"));
    ok->setDefault(true);
    cancel = new QPushButton(QStringLiteral("キャンセル"), dialog);
    cancel->setObjectName(QStringLiteral("btnCancel"));
    help = new QPushButton(QStringLiteral("ヘルプ"), dialog);
    help->setObjectName(QStringLiteral("btnHelp"));
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addWidget(help);
    layout->addLayout(buttons);
}
