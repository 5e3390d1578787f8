#include "fexecprc.h"

#include "core/qvappwindows.h"
#include "core/qvconnkey.h"
#include "core/qvexcept.h"
#include "core/qvmsgbox.h"
#include "core/qvreg.h"
#include "core/qvsub.h"
#include "core/qvwaitcursor.h"
#include "platform/pg/connection.h"
#include "platform/pg/result.h"
#include "ui/qvcomctrls.h"
#include "ui/qvimages.h"
#include "ui/qvstdctl.h"

#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QSplitter>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QString ExecProcKeyName = QStringLiteral("EXECPROC");
const QString ExecProcKey
    = QString::fromLatin1(QvRegistryRoot) + QStringLiteral("\\GUI\\") + ExecProcKeyName;
const QString OutputHeightName = QStringLiteral("OutputHeight");
constexpr int DefaultOutputHeight = 165;

// The header's sections: name, type, value, and the two hidden ones of the kind flags.
constexpr int ValueSection = 2;

// Where a node's argument is in the program: the index of its argument and of its attribute
// (-1 for the argument itself).
constexpr int ArgIndexRole = Qt::UserRole + 10;
constexpr int ItemIndexRole = Qt::UserRole + 11;

QToolButton *commandButton(QToolBar *bar, const char *name, const QString &caption, int image)
{
    auto *button = new QToolButton(bar);
    button->setObjectName(QLatin1String(name));
    button->setText(caption);
    button->setIcon(MainImage(image));
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setMinimumWidth(78);
    bar->addWidget(button);
    return button;
}

} // namespace

TfrmExecProc::TfrmExecProc(QObject *AOwner, const QString &Schema, const QString &ObjectName,
                           int ObjectType, qint64 p_intOID, bool p_bPLPGSQL)
    : TqvForm(AOwner)
{
    setObjectName(QStringLiteral("frmExecProc"));
    setupUi();
    InitForm();
    ConnectionWindow *owner = OwnerForm();
    pg::Connection &db = *owner->dbsMain();

    FObjType = ObjectType == 54 ? 53 : ObjectType;
    if (FObjType == 51 || FObjType == 52 || FObjType == 128)
        L_strTypLst = LoadArgumentTypes(db, p_intOID);
    TConnParams params = ConnectionParams(*owner);
    params.MetaDefSchema = Schema;
    const bool routine = FObjType == 51 || FObjType == 52 || FObjType == 128;
    const QString key = QStringLiteral("ストアドプログラム実行 - ")
        + GetRecParamCaption(MakeRecParam(params, ObjectName, routine ? L_strTypLst : QString()),
                             routine ? 5 : 4, false);
    if (MainWindowServices *main = mainWindowServices()) {
        if (main->FindWindow(&staticMetaObject, key, true))
            throw SilentAbort();
    }

    setWindowTitle(key);
    L_intOID = p_intOID;
    // The names are shown and used as the catalog holds them.
    cmbSchema->addItem(Schema);
    txtName->setText(ObjectName);

    pnlSubProgram->setVisible(FObjType == 53);
    if (FObjType == 53) {
        const QList<TExecSubProgram> subs = LoadSubPrograms(db, owner->DBVer(), Schema, ObjectName);
        const QSignalBlocker quiet(cmbSubProgram);
        for (const TExecSubProgram &sub : subs)
            cmbSubProgram->addItem(sub.Name, sub.Key);
        if (cmbSubProgram->count() > 0)
            cmbSubProgram->setCurrentIndex(0);
    }
    LoadArguments();
    const QString refusal = ExecRefusal(m_program);
    if (!refusal.isEmpty()) {
        ShowMessageBox(refusal, MB_OK | MB_ICONEXCLAMATION);
        throw SilentAbort();
    }
    m_debugEnabled = p_bPLPGSQL;
    btnDebug->setEnabled(p_bPLPGSQL);

    CreateTaskButton();
    SetWindowIcon(28);
    setTaskCaption(ObjectName);
}

TfrmExecProc::~TfrmExecProc() = default;

TfrmExecProc *TfrmExecProc::ShowWindow(QObject *AOwner, const QString &Schema,
                                       const QString &ObjectName, int ObjectType, qint64 p_intOID,
                                       bool p_bPLPGSQL)
{
    return ::ShowWindow<TfrmExecProc>(AOwner, Schema, ObjectName, ObjectType, p_intOID, p_bPLPGSQL);
}

void TfrmExecProc::setupUi()
{
    resize(730, 404);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    tolCmd = new QToolBar(this);
    tolCmd->setObjectName(QStringLiteral("tolCmd"));
    btnExec = commandButton(tolCmd, "btnExec", QStringLiteral("実行(&E)"), 28);
    btnDebug = commandButton(tolCmd, "btnDebug", QStringLiteral("&DEBUG"), 43);
    btnExit = commandButton(tolCmd, "btnExit", QStringLiteral("終了(&X)"), 42);
    tolCmd->addSeparator();
    auto *pnlName = new QWidget(tolCmd);
    pnlName->setObjectName(QStringLiteral("pnlName"));
    pnlName->setEnabled(false);
    auto *nameLayout = new QHBoxLayout(pnlName);
    nameLayout->setContentsMargins(4, 0, 4, 0);
    nameLayout->addWidget(new QLabel(QStringLiteral("スキーマ"), pnlName));
    cmbSchema = new QComboBox(pnlName);
    cmbSchema->setObjectName(QStringLiteral("cmbSchema"));
    cmbSchema->setMinimumWidth(120);
    cmbSchema->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    nameLayout->addWidget(cmbSchema);
    nameLayout->addWidget(new QLabel(QStringLiteral("名前"), pnlName));
    txtName = new TqvStrEdit(pnlName);
    txtName->setObjectName(QStringLiteral("txtName"));
    txtName->setMinimumWidth(180);
    nameLayout->addWidget(txtName);
    tolCmd->addWidget(pnlName);
    layout->addWidget(tolCmd);

    pnlSubProgram = new QWidget(this);
    pnlSubProgram->setObjectName(QStringLiteral("pnlSubProgram"));
    pnlSubProgram->setFixedHeight(30);
    auto *subLayout = new QHBoxLayout(pnlSubProgram);
    subLayout->setContentsMargins(4, 2, 4, 2);
    subLayout->addWidget(new QLabel(QStringLiteral("サブプログラム"), pnlSubProgram));
    cmbSubProgram = new QComboBox(pnlSubProgram);
    cmbSubProgram->setObjectName(QStringLiteral("cmbSubProgram"));
    cmbSubProgram->setMinimumWidth(200);
    subLayout->addWidget(cmbSubProgram);
    subLayout->addStretch(1);
    pnlSubProgram->hide();
    layout->addWidget(pnlSubProgram);

    spl1 = new QSplitter(Qt::Vertical, this);
    spl1->setObjectName(QStringLiteral("spl1"));
    spl1->setChildrenCollapsible(false);
    layout->addWidget(spl1, 1);

    pnlParam = new QWidget(spl1);
    pnlParam->setObjectName(QStringLiteral("pnlParam"));
    auto *paramLayout = new QVBoxLayout(pnlParam);
    paramLayout->setContentsMargins(0, 0, 0, 0);
    lstParam = new TqvTreeView(pnlParam);
    lstParam->setObjectName(QStringLiteral("lstParam"));
    lstParam->setSections({ QStringLiteral("名前"), QStringLiteral("タイプ"), QStringLiteral("値"),
                            QStringLiteral("タイプ型"), QStringLiteral("配列型") });
    lstParam->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstParam->setSelectionMode(QAbstractItemView::SingleSelection);
    lstParam->setAllColumnsShowFocus(true);
    QHeaderView *hedParam = lstParam->header();
    hedParam->setObjectName(QStringLiteral("hedParam"));
    hedParam->setStretchLastSection(false);
    hedParam->resizeSection(0, 200);
    hedParam->resizeSection(1, 110);
    hedParam->setSectionResizeMode(ValueSection, QHeaderView::Stretch);
    hedParam->hideSection(3);
    hedParam->hideSection(4);
    paramLayout->addWidget(lstParam);

    txtParam = new TqvStrEdit(lstParam->viewport());
    txtParam->setObjectName(QStringLiteral("txtParam"));
    txtParam->setFrame(false);
    txtParam->hide();

    txtOutput = new QPlainTextEdit(spl1);
    txtOutput->setObjectName(QStringLiteral("txtOutput"));
    txtOutput->setReadOnly(true);
    txtOutput->setLineWrapMode(QPlainTextEdit::NoWrap);
    txtOutput->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtOutput->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtOutput->setPlainText(QStringLiteral("【 デバッグ情報 】"));
    // The argument tree takes what the window gains or loses; the output keeps its height.
    spl1->setStretchFactor(0, 1);
    spl1->setStretchFactor(1, 0);

    connect(btnExec, &QToolButton::clicked, this,
            [this] { RunGuarded([this] { btnExecClick(); }); });
    connect(btnDebug, &QToolButton::clicked, this,
            [this] { RunGuarded([this] { btnDebugClick(); }); });
    connect(btnExit, &QToolButton::clicked, this, [this] { btnExitClick(); });
    connect(cmbSubProgram, &QComboBox::activated, this,
            [this] { RunGuarded([this] { cmbSubProgramSelect(); }); });
    connect(lstParam, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem *current) { lstParamChange(current); });
    connect(lstParam, &TqvTreeView::OnScroll, this, [this] { pnlParamResize(); });
    connect(hedParam, &QHeaderView::sectionResized, this, [this] { pnlParamResize(); });
    lstParam->installEventFilter(this);
    lstParam->viewport()->installEventFilter(this);
    txtParam->installEventFilter(this);
}

void TfrmExecProc::LoadArguments()
{
    txtParam->hide();
    FPreNode = nullptr;
    const QSignalBlocker quiet(lstParam);
    lstParam->clear();
    SQLWaitCursor wait;
    FSubObjType = -1;
    ConnectionWindow *owner = OwnerForm();
    pg::Connection &db = *owner->dbsMain();
    if (FObjType == 53) {
        TExecSubProgram sub;
        if (cmbSubProgram->currentIndex() >= 0) {
            sub.Name = cmbSubProgram->currentText();
            sub.Key = cmbSubProgram->currentData().toString();
        }
        m_program = LoadExecPackageProgram(db, owner->DBVer(), cmbSchema->currentText(),
                                           txtName->text(), sub);
        FSubObjType = m_program.SubObjType;
    } else {
        m_program = LoadExecProgram(db, owner->DBVer(), cmbSchema->currentText(), txtName->text(),
                                    FObjType, L_intOID);
    }
    fillTree();
}

void TfrmExecProc::fillTree()
{
    const auto addNode
        = [this](QTreeWidgetItem *parent, const TExecArg &arg, int argIndex, int itemIndex) {
              TqvTreeNode *node = lstParam->AddNode(parent, arg.Name);
              node->setSubItems({ arg.TypeName, arg.Value, arg.Composite ? "-1" : "0",
                                  arg.IsArray ? "-1" : "0" });
              node->setIcon(0, MainImage(arg.Marker));
              node->setData(0, ArgIndexRole, argIndex);
              node->setData(0, ItemIndexRole, itemIndex);
              return node;
          };
    for (int i = 0; i < m_program.Args.size(); ++i) {
        const TExecArg &arg = m_program.Args.at(i);
        TqvTreeNode *node = addNode(nullptr, arg, i, -1);
        for (int j = 0; j < arg.Children.size(); ++j)
            addNode(node, arg.Children.at(j), i, j);
    }
    lstParam->expandAll();
}

QList<TExecArg> TfrmExecProc::TreeArguments() const
{
    QList<TExecArg> args = m_program.Args;
    for (QTreeWidgetItemIterator it(lstParam); *it; ++it) {
        auto *node = dynamic_cast<TqvTreeNode *>(*it);
        if (!node)
            continue;
        const int i = node->data(0, ArgIndexRole).toInt();
        const int j = node->data(0, ItemIndexRole).toInt();
        if (i < 0 || i >= args.size())
            continue;
        TExecArg &arg = j < 0 ? args[i] : args[i].Children[j];
        arg.Value = node->SubItems().value(1);
    }
    return args;
}

void TfrmExecProc::StoreEditorValue()
{
    if (FPreNode)
        FPreNode->setSubItem(1, txtParam->text());
}

void TfrmExecProc::lstParamChange(QTreeWidgetItem *current)
{
    StoreEditorValue();
    auto *node = dynamic_cast<TqvTreeNode *>(current);
    if (!node) {
        txtParam->hide();
        FPreNode = nullptr;
        return;
    }
    FPreNode = node;
    txtParam->setText(node->SubItems().value(1));
    placeEditor();
    txtParam->show();
    txtParam->raise();
    txtParam->setFocus();
    txtParam->selectAll();
    // A composite value is the row of its attributes: it has no value of its own to type.
    if (node->SubItems().value(2) == QLatin1String("-1"))
        txtParam->hide();
}

void TfrmExecProc::placeEditor()
{
    if (!FPreNode)
        return;
    const QRect rect = lstParam->visualItemRect(FPreNode);
    const QHeaderView *header = lstParam->header();
    const int left = header->sectionViewportPosition(ValueSection);
    const int right
        = std::min(lstParam->viewport()->width(), left + header->sectionSize(ValueSection));
    txtParam->setGeometry(left + 2, rect.top(), std::max(0, right - left - 2), rect.height());
}

void TfrmExecProc::pnlParamResize()
{
    if (!FPreNode) {
        txtParam->hide();
        return;
    }
    placeEditor();
    if (FPreNode->SubItems().value(2) != QLatin1String("-1")) {
        txtParam->show();
        txtParam->raise();
    }
}

bool TfrmExecProc::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && (watched == txtParam || watched == lstParam)) {
        // Tab, Shift+Tab, Up and Down walk the tree's nodes in display order; the editor
        // follows the selection, so the focus stays with the values.
        const auto *key = static_cast<QKeyEvent *>(event);
        TqvTreeNode *selected = lstParam->Selected();
        QTreeWidgetItem *next = nullptr;
        bool handled = true;
        switch (key->key()) {
        case Qt::Key_Backtab:
        case Qt::Key_Up:
            next = selected ? lstParam->itemAbove(selected) : nullptr;
            break;
        case Qt::Key_Tab:
            if (key->modifiers() & Qt::ShiftModifier)
                next = selected ? lstParam->itemAbove(selected) : nullptr;
            else
                next = selected ? lstParam->itemBelow(selected) : nullptr;
            break;
        case Qt::Key_Down:
            next = selected ? lstParam->itemBelow(selected) : nullptr;
            break;
        default:
            handled = false;
        }
        if (handled && selected) {
            if (next)
                lstParam->setCurrentItem(next);
            return true;
        }
    } else if (event->type() == QEvent::FocusIn && watched == lstParam) {
        if (lstParam->Selected() && txtParam->isVisible())
            txtParam->setFocus();
    } else if (event->type() == QEvent::Resize && watched == lstParam->viewport()) {
        pnlParamResize();
    }
    return TqvForm::eventFilter(watched, event);
}

void TfrmExecProc::btnExecClick()
{
    ConnectionWindow *owner = OwnerForm();
    if (!owner || !owner->dbsMain())
        return;
    DebugErrorMessage.clear();
    SQLWaitCursor wait;
    StoreEditorValue();
    m_program.Args = TreeArguments();
    TExecCall call = BuildExecCall(m_program, owner->g_bPostgresPlus());
    MainWindowServices *main = mainWindowServices();
    if (main)
        main->SetStatusText(QStringLiteral("ストアドプログラム実行中..."));
    try {
        m_result = RunExecCall(*owner->dbsMain(), call);
        m_call = call;
        wExecStatus = esComplete;
    } catch (const SilentAbort &) {
        wExecStatus = esCancel;
    } catch (...) {
        wExecStatus = esError;
        ShowExceptionMessage(std::current_exception());
    }
    EndExecSQL();
}

void TfrmExecProc::btnDebugClick()
{
    ConnectionWindow *owner = OwnerForm();
    if (!owner)
        return;
    const pg::Result extension
        = owner->OpenSQL(QStringLiteral("SELECT * FROM pg_available_extensions WHERE name = "
                                        "'pldbgapi' AND installed_version is not null"));
    if (extension.rowCount() == 0) {
        ShowMessageBox(QStringLiteral("デバッグ実行に必要なパッケージが見つかりません。"),
                       MB_OK | MB_ICONHAND);
        return;
    }
    StoreEditorValue();
    ShowMessageBox(QStringLiteral("デバッガはこの版ではまだ使えません。"),
                   MB_OK | MB_ICONEXCLAMATION);
}

void TfrmExecProc::EndExecSQL()
{
    MainWindowServices *main = mainWindowServices();
    if (main)
        main->mainWidget()->setEnabled(true);
    const auto closeBackground = [this] {
        if (ConnectionWindow *owner = OwnerForm()) {
            for (pg::Connection *session : { owner->dbsBG(), owner->dbsBG2() }) {
                if (session && session->isOpen())
                    session->close();
            }
        }
    };
    if (wExecStatus == esCancel || wExecStatus == esError) {
        closeBackground();
        if (main)
            main->SetDefMessage();
        return;
    }
    txtOutput->setPlainText(ExecListing(m_program, m_call, m_result).join(u'\n'));
    if (wExecStatus == esComplete)
        ShowMessageBox(QStringLiteral("プログラムを実行しました。"), MB_OK | MB_ICONINFORMATION);
    closeBackground();
    if (main)
        main->SetDefMessage();
}

void TfrmExecProc::btnExitClick()
{
    close();
}

void TfrmExecProc::cmbSubProgramSelect()
{
    if (cmbSubProgram->count() > 0)
        LoadArguments();
}

void TfrmExecProc::LoadWindowState()
{
    LoadWindowSize(ExecProcKeyName);
    int outputHeight = DefaultOutputHeight;
    if (AppRegistry && AppRegistry->OpenKey(ExecProcKey, true)) {
        outputHeight = AppRegistry->GetInteger(OutputHeightName, outputHeight);
        AppRegistry->CloseKey();
    }
    const int room = std::max(0, height() - tolCmd->sizeHint().height());
    outputHeight = std::clamp(outputHeight, 0, room);
    spl1->setSizes({ room - outputHeight, outputHeight });
}

void TfrmExecProc::SaveWindowState()
{
    SaveWindowSize(ExecProcKeyName);
    // A window never shown has no height of its own to keep.
    if (isVisible() && AppRegistry && AppRegistry->OpenKey(ExecProcKey, true)) {
        AppRegistry->WriteInteger(OutputHeightName, txtOutput->height());
        AppRegistry->CloseKey();
    }
}
