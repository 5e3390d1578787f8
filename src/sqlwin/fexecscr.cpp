#include "fexecscr.h"

#include "core/qvappwindows.h"
#include "core/qvcancel.h"
#include "core/qvconnkey.h"
#include "core/qvencoding.h"
#include "core/qvexcept.h"
#include "core/qvmsgbox.h"
#include "core/qvname.h"
#include "core/qvoption.h"
#include "core/qvreg.h"
#include "core/qvscript.h"
#include "core/qvsub.h"
#include "core/qvwaitcursor.h"
#include "platform/pg/connection.h"
#include "platform/pg/error.h"
#include "platform/pg/query.h"
#include "platform/pg/result.h"
#include "sqllang/qvmemo.h"
#include "sqllang/qvsqllexer.h"
#include "sqlwin/fsql.h"
#include "ui/qvhhelp.h"
#include "ui/qvstdctl.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <QSplitter>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>
#include <exception>

namespace fexecscr {

// The run mark of a list entry.
constexpr int RunMarkRole = Qt::UserRole + 1;
// The log's mark of an error line.
constexpr int ErrorMark = 2;

const QString WindowCaption = QStringLiteral("スクリプト実行");
const QString StateKey = QString::fromLatin1(QvRegistryRoot) + QStringLiteral("\\GUI\\EXECSCRIPT");

// The file view's sort, the same for every runner window of the program run: the column sorted
// last and, per column, whether its next sort is descending.
struct FileSort
{
    int column = 0;
    bool descending[4] = { false, false, false, false };
};

FileSort &fileSort()
{
    static FileSort sort;
    return sort;
}

TScriptFileOpener &opener()
{
    static TScriptFileOpener current;
    return current;
}

bool openScriptFile(const QUrl &url)
{
    const TScriptFileOpener open = opener();
    return open ? open(url) : QDesktopServices::openUrl(url);
}

// Paths in case-insensitive text order.
void sortPaths(QStringList &paths)
{
    std::stable_sort(paths.begin(), paths.end(), [](const QString &a, const QString &b) {
        return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    });
}

// The object the window belongs to: the main window when there is one, so that closing the
// connection reaches the window through the connection list's message.
QObject *runnerOwner(ConnectionWindow *owner)
{
    if (MainWindowServices *main = mainWindowServices())
        return main->mainWidget();
    return owner ? owner->connectionWidget() : nullptr;
}

} // namespace fexecscr

TScriptFileOpener SetScriptFileOpener(TScriptFileOpener opener)
{
    TScriptFileOpener previous = std::move(fexecscr::opener());
    fexecscr::opener() = std::move(opener);
    return previous;
}

struct TfrmExecScript::Run
{
    QStringList buffer; // the lines gathered since the last ";" line
    bool fileFailed = false; // a statement of the current file failed
    bool stop = false; // ended at an error (the option ScriptErrStop)
};

TfrmExecScript::TfrmExecScript(ConnectionWindow *AOwner)
    : TqvForm(fexecscr::runnerOwner(AOwner), false)
{
    if (!AOwner)
        throw SilentAbort();
    setOwnerForm(AOwner);
    setObjectName(QStringLiteral("frmExecScript"));
    setWindowTitle(fexecscr::WindowCaption);
    setAcceptDrops(true);
    SetHelpContext(this, 30200);
    buildControls();

    connect(actExec, &QAction::triggered, this,
            [this] { RunGuarded([this] { actExecExecute(); }); });
    connect(actSelect, &QAction::triggered, this,
            [this] { RunGuarded([this] { actSelectExecute(); }); });
    connect(actUp, &QAction::triggered, this, [this] { RunGuarded([this] { actUpExecute(); }); });
    connect(actDown, &QAction::triggered, this,
            [this] { RunGuarded([this] { actDownExecute(); }); });
    connect(actDelete, &QAction::triggered, this,
            [this] { RunGuarded([this] { actDeleteExecute(); }); });
    connect(actExit, &QAction::triggered, this, &QWidget::close);
    connect(lstScript, &QListWidget::itemSelectionChanged, this, &TfrmExecScript::updateActions);
    connect(lstScript->model(), &QAbstractItemModel::rowsInserted, this,
            &TfrmExecScript::updateActions);
    connect(lstScript->model(), &QAbstractItemModel::rowsRemoved, this,
            &TfrmExecScript::updateActions);
    connect(lstScript, &QListWidget::itemDoubleClicked, this,
            [this] { RunGuarded([this] { lstScriptDblClick(); }); });
    connect(lstFile->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TfrmExecScript::updateActions);
    connect(lstFile->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &TfrmExecScript::lstFileChange);
    connect(lstFile, &QTreeView::doubleClicked, this,
            [this] { RunGuarded([this] { lstFileDblClick(); }); });
    connect(lstFile->header(), &QHeaderView::sectionClicked, this,
            &TfrmExecScript::lstFileColumnClick);
    connect(cmbFolder, &QComboBox::activated, this,
            [this](int index) { ShowFolder(cmbFolder->itemData(index).toString()); });
    connect(cmbFolder->lineEdit(), &QLineEdit::returnPressed, this,
            [this] { ShowFolder(cmbFolder->lineEdit()->text()); });
    connect(cmbDBName, &QComboBox::activated, this,
            [this] { RunGuarded([this] { cmbDBNameChange(); }); });
    connect(cmbSchema, &TqvComboBox::OnDropDown, this,
            [this] { RunGuarded([this] { cmbSchemaDropDown(); }); });
    connect(cmbSchema, &QComboBox::activated, this, [this] { cmbSchemaSelect(); });
    // A connection window that goes without the connection list's message ends the window too.
    connect(this, &TqvForm::ownerFormChanged, this, [this](ConnectionWindow *form) {
        if (!form && !m_closed)
            close();
    });

    InitForm();
    CreateTaskButton();
    SetWindowIcon(11);
    // The log shows plain text: no SQL colouring at all, in the font and colours of the
    // editor settings, and no bracket highlighting.
    if (TqvSqlLexer *lexer = txtLog->sqlLexer()) {
        const QFont font = lexer->defaultFont();
        const QColor text = lexer->color(TqvSqlLexer::Default);
        const QColor paper = lexer->paper(TqvSqlLexer::Default);
        txtLog->setLexer(nullptr);
        txtLog->setFont(font);
        txtLog->setColor(text);
        txtLog->setPaper(paper);
    }
    txtLog->setBraceMatching(QsciScintilla::NoBraceMatch);
    txtLog->markerDefine(QsciScintilla::Background, fexecscr::ErrorMark);
    txtLog->setMarkerBackgroundColor(QColor(255, 200, 200), fexecscr::ErrorMark);
    txtLog->setReadOnly(true);
    txtLog->SendScintilla(QsciScintillaBase::SCI_SETUNDOCOLLECTION, 0L);

    fillConnections();
    const int i
        = cmbDBName->findData(QVariant::fromValue<QObject *>(OwnerForm()->connectionWidget()));
    cmbDBName->setCurrentIndex(i);
    cmbDBNameChange();
    RunGuarded([this] {
        const pg::Result rows
            = OwnerForm()->OpenSQL(QStringLiteral("SELECT current_schema() AS SchemaName"));
        if (rows.rowCount() > 0)
            cmbSchema->setEditText(rows.isNull(0, 0) ? QString() : rows.text(0, 0));
    });
    SetSchema(L_sOpenSchema, cmbSchema->currentText());
    if (AppOption.ScrExecDir.isEmpty() || !ShowFolder(AppOption.ScrExecDir))
        ShowFolder(QDir::homePath());
    updateActions();
}

TfrmExecScript::~TfrmExecScript() = default;

TfrmExecScript *TfrmExecScript::ShowWindow(ConnectionWindow *AOwner)
{
    return ::ShowWindow<TfrmExecScript>(AOwner);
}

void TfrmExecScript::buildControls()
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto makeAction = [this](const char *name, const QString &caption, const QString &hint) {
        auto *a = new QAction(caption, this);
        a->setObjectName(QLatin1String(name));
        a->setToolTip(hint.section(u'|', 0, 0));
        a->setStatusTip(hint.section(u'|', 1));
        return a;
    };
    actExec = makeAction("actExec", QStringLiteral("実行(&E)"),
                         QStringLiteral("実行|選択したスクリプトファイルを実行します。"));
    actSelect = makeAction("actSelect", QStringLiteral("≪"),
                           QStringLiteral("選択|選択中のスクリプトを実行予定リストに追加します。"));
    actUp = makeAction("actUp", QStringLiteral("上に移動"),
                       QStringLiteral("上に移動|選択したスクリプトファイルを上に移動します。"));
    actDown = makeAction("actDown", QStringLiteral("下に移動"),
                         QStringLiteral("下に移動|選択したスクリプトファイルを下に移動します。"));
    actDelete = makeAction(
        "actDelete", QStringLiteral("削除"),
        QStringLiteral("削除|選択したスクリプトファイルを実行予定リストより削除します。"));
    actExit = makeAction("actExit", QStringLiteral("終了(&X)"),
                         QStringLiteral("終了|画面を閉じます。"));

    tolCmd = new QToolBar(this);
    tolCmd->setObjectName(QStringLiteral("tolCmd"));
    tolCmd->setToolButtonStyle(Qt::ToolButtonTextOnly);
    tolCmd->addAction(actExec);
    tolCmd->addAction(actExit);
    for (QAction *a : { actExec, actExit }) {
        if (auto *button = qobject_cast<QToolButton *>(tolCmd->widgetForAction(a))) {
            button->setMinimumWidth(78);
            button->setToolTip(a->statusTip());
        }
    }
    tolCmd->addSeparator();
    tolOption = new QToolBar(tolCmd);
    tolOption->setObjectName(QStringLiteral("tolOption"));
    tolOption->setIconSize(QSize(24, 24));
    tolOption->setToolButtonStyle(Qt::ToolButtonTextOnly);
    tolOption->addAction(actUp);
    tolOption->addAction(actDown);
    tolOption->addAction(actDelete);
    tolCmd->addWidget(tolOption);

    pnlName = new QWidget(tolCmd);
    pnlName->setObjectName(QStringLiteral("pnlName"));
    auto *nameLayout = new QHBoxLayout(pnlName);
    nameLayout->setContentsMargins(4, 0, 4, 0);
    nameLayout->addWidget(new QLabel(QStringLiteral("\u3000データベース"), pnlName));
    cmbDBName = new QComboBox(pnlName);
    cmbDBName->setObjectName(QStringLiteral("cmbDBName"));
    cmbDBName->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    nameLayout->addWidget(cmbDBName);
    tolCmd->addWidget(pnlName);

    pnlSchema = new QWidget(tolCmd);
    pnlSchema->setObjectName(QStringLiteral("pnlSchema"));
    auto *schemaLayout = new QHBoxLayout(pnlSchema);
    schemaLayout->setContentsMargins(4, 0, 4, 0);
    schemaLayout->addWidget(new QLabel(QStringLiteral("\u3000スキーマ"), pnlSchema));
    cmbSchema = new TqvComboBox(pnlSchema);
    cmbSchema->setObjectName(QStringLiteral("cmbSchema"));
    cmbSchema->setEditable(true);
    cmbSchema->setCharCase(ecLowerCase);
    cmbSchema->setInsertPolicy(QComboBox::NoInsert);
    cmbSchema->setMinimumWidth(140);
    schemaLayout->addWidget(cmbSchema);
    tolCmd->addWidget(pnlSchema);
    layout->addWidget(tolCmd);

    mnuScript = new QMenu(QStringLiteral("スクリプト実行(&O)"), this);
    mnuScript->setObjectName(QStringLiteral("mnuScript"));
    mnuScript->addAction(actExec);

    spl1 = new QSplitter(Qt::Vertical, this);
    spl1->setObjectName(QStringLiteral("spl1"));
    spl1->setChildrenCollapsible(false);
    layout->addWidget(spl1, 1);

    pnlHeader = new QWidget(spl1);
    pnlHeader->setObjectName(QStringLiteral("pnlHeader"));
    pnlHeader->setMinimumHeight(30);
    auto *headerLayout = new QHBoxLayout(pnlHeader);
    headerLayout->setContentsMargins(0, 0, 0, 0);
    spl2 = new QSplitter(Qt::Horizontal, pnlHeader);
    spl2->setObjectName(QStringLiteral("spl2"));
    spl2->setChildrenCollapsible(false);
    headerLayout->addWidget(spl2);

    lstScript = new QListWidget(spl2);
    lstScript->setObjectName(QStringLiteral("lstScript"));
    lstScript->setMinimumWidth(30);
    lstScript->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lstScript->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    lstScript->installEventFilter(this);

    pnlFile = new QWidget(spl2);
    pnlFile->setObjectName(QStringLiteral("pnlFile"));
    auto *fileLayout = new QGridLayout(pnlFile);
    fileLayout->setContentsMargins(0, 0, 2, 2);
    fileLayout->setSpacing(2);
    btnSelect = new QToolButton(pnlFile);
    btnSelect->setObjectName(QStringLiteral("btnSelect"));
    btnSelect->setDefaultAction(actSelect);
    btnSelect->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    btnSelect->setFixedWidth(24);
    fileLayout->addWidget(btnSelect, 0, 0, 3, 1);
    fileLayout->addWidget(new QLabel(QStringLiteral("ファイルの場所"), pnlFile), 0, 1);
    cmbFolder = new QComboBox(pnlFile);
    cmbFolder->setObjectName(QStringLiteral("cmbFolder"));
    cmbFolder->setEditable(true);
    cmbFolder->setInsertPolicy(QComboBox::NoInsert);
    fileLayout->addWidget(cmbFolder, 1, 1);
    lstFile = new QTreeView(pnlFile);
    lstFile->setObjectName(QStringLiteral("lstFile"));
    lstFile->setRootIsDecorated(false);
    lstFile->setItemsExpandable(false);
    lstFile->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lstFile->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstFile->setExpandsOnDoubleClick(false);
    m_files = new QFileSystemModel(lstFile);
    m_files->setObjectName(QStringLiteral("fileModel"));
    m_files->setFilter(QDir::AllEntries | QDir::AllDirs | QDir::NoDotAndDotDot);
    m_files->setReadOnly(true);
    lstFile->setModel(m_files);
    lstFile->header()->setSectionsClickable(true);
    lstFile->header()->setSortIndicatorShown(true);
    lstFile->header()->resizeSection(0, 220);
    lstFile->installEventFilter(this);
    fileLayout->addWidget(lstFile, 2, 1);
    fileLayout->setRowStretch(2, 1);
    fileLayout->setColumnStretch(1, 1);
    spl2->setStretchFactor(0, 0);
    spl2->setStretchFactor(1, 1);

    txtLog = new TqvMemo(spl1);
    txtLog->setObjectName(QStringLiteral("txtLog"));
    txtLog->setWrapMode(QsciScintilla::WrapNone);
    txtLog->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    spl1->setStretchFactor(0, 0);
    spl1->setStretchFactor(1, 1);
}

void TfrmExecScript::updateActions()
{
    const int selected = int(lstScript->selectedItems().size());
    actExec->setEnabled(lstScript->count() > 0);
    actSelect->setEnabled(lstFile->selectionModel()->hasSelection());
    actUp->setEnabled(selected == 1);
    actDown->setEnabled(selected == 1);
    actDelete->setEnabled(selected > 0);
}

QStringList TfrmExecScript::Scripts() const
{
    QStringList out;
    for (int i = 0; i < lstScript->count(); ++i)
        out << lstScript->item(i)->text();
    return out;
}

bool TfrmExecScript::RunMark(int row) const
{
    const QListWidgetItem *item = lstScript->item(row);
    return item && item->data(fexecscr::RunMarkRole).toBool();
}

// ---- connection and schema

void TfrmExecScript::fillConnections()
{
    cmbDBName->clear();
    MainWindowServices *main = mainWindowServices();
    if (!main)
        return;
    const QList<QWidget *> windows = main->mainWidget()->findChildren<QWidget *>();
    for (QWidget *w : windows) {
        auto *conn = dynamic_cast<ConnectionWindow *>(w);
        if (!conn || !conn->dbsMain() || !conn->dbsMain()->isOpen())
            continue;
        cmbDBName->addItem(ConnectionKey(*conn),
                           QVariant::fromValue<QObject *>(conn->connectionWidget()));
    }
}

void TfrmExecScript::cmbDBNameChange()
{
    auto *conn = dynamic_cast<ConnectionWindow *>(cmbDBName->currentData().value<QObject *>());
    if (!conn)
        return;
    if (conn != OwnerForm())
        setOwnerForm(conn);
    const TRecParam param = MakeRecParam(ConnectionParams(*conn));
    setWindowTitle(fexecscr::WindowCaption + QStringLiteral(" - ")
                   + GetRecParamCaption(param, 0, false));
    setTaskCaption(GetRecParamCaption(param, 0, true));
    cmbSchema->setEditText(conn->dbsMain()->param(QStringLiteral("MetaDefSchema")));
}

void TfrmExecScript::DBChange(QObject *)
{
    // The entry is found again by its connection window: two connections to one database have
    // the same key.
    QObject *bound = cmbDBName->currentData().value<QObject *>();
    fillConnections();
    const int i = bound ? cmbDBName->findData(QVariant::fromValue(bound)) : -1;
    if (i < 0 || !OwnerForm()) {
        close();
        return;
    }
    cmbDBName->setCurrentIndex(i);
}

void TfrmExecScript::cmbSchemaDropDown()
{
    if (!OwnerForm())
        return;
    const QString text = cmbSchema->currentText();
    const QStringList schemas = OwnerForm()->GetSchemaInfo(false);
    const QSignalBlocker quiet(cmbSchema);
    cmbSchema->clear();
    cmbSchema->addItems(schemas);
    cmbSchema->setCurrentIndex(cmbSchema->findText(text, Qt::MatchExactly));
    cmbSchema->setEditText(text);
}

void TfrmExecScript::cmbSchemaSelect()
{
    SetSchema(L_sOpenSchema, cmbSchema->currentText());
}

void TfrmExecScript::SetSchema(const QString &Old, const QString &New)
{
    if (New.isEmpty() || New == Old || !OwnerForm() || !OwnerForm()->dbsMain())
        return;
    try {
        OwnerForm()->dbsMain()->setParam(QStringLiteral("MetaDefSchema"), New);
        OwnerForm()->ExecuteSQL(QStringLiteral("set search_path to ") + QuoteName(New));
    } catch (...) {
        // A schema that cannot be set leaves the session as it is; the statements say so.
    }
}

void TfrmExecScript::FormActivate()
{
    // Activated twice without a deactivation between, the second time would take this
    // window's own schema for the one to give back.
    if (m_active || m_closed || !OwnerForm() || !OwnerForm()->dbsMain())
        return;
    m_active = true;
    L_sOpenSchema = OwnerForm()->dbsMain()->param(QStringLiteral("MetaDefSchema"));
    SetSchema(L_sOpenSchema, cmbSchema->currentText());
}

void TfrmExecScript::FormDeactivate()
{
    if (!m_active)
        return;
    m_active = false;
    SetSchema(cmbSchema->currentText(), L_sOpenSchema);
}

void TfrmExecScript::FormClose(TCloseAction &)
{
    // An active window gives the schema back; one that is not has given it back already, and
    // doing it again would take the schema of the runner now in front.
    FormDeactivate();
    m_closed = true;
}

bool TfrmExecScript::event(QEvent *event)
{
    if (event->type() == QEvent::WindowDeactivate && isWindow())
        RunGuarded([this] { FormDeactivate(); });
    return TqvForm::event(event);
}

void TfrmExecScript::showEvent(QShowEvent *event)
{
    TqvForm::showEvent(event);
    // A child of the multi-document area hears of its deactivation through its frame.
    if (m_watchingFrame)
        return;
    if (auto *sub = qobject_cast<QMdiSubWindow *>(parentWidget())) {
        m_watchingFrame = true;
        connect(sub, &QMdiSubWindow::windowStateChanged, this,
                [this](Qt::WindowStates oldState, Qt::WindowStates newState) {
                    if ((oldState & Qt::WindowActive) && !(newState & Qt::WindowActive))
                        RunGuarded([this] { FormDeactivate(); });
                });
    }
}

// ---- files and the list

bool TfrmExecScript::ShowFolder(const QString &folder)
{
    const QFileInfo info(folder);
    if (folder.isEmpty() || !info.isDir())
        return false;
    const QString path = QDir::cleanPath(info.absoluteFilePath());
    m_files->setRootPath(path);
    lstFile->setRootIndex(m_files->index(path));
    lstFile->clearSelection();
    // The folder box: the folder and the folders above it, the nearest first.
    const QSignalBlocker quiet(cmbFolder);
    cmbFolder->clear();
    QDir dir(path);
    while (true) {
        cmbFolder->addItem(dir.absolutePath(), dir.absolutePath());
        if (dir.isRoot() || !dir.cdUp())
            break;
    }
    cmbFolder->setCurrentIndex(0);
    updateActions();
    return true;
}

QString TfrmExecScript::CurrentFolder() const
{
    return m_files->filePath(lstFile->rootIndex());
}

void TfrmExecScript::lstFileColumnClick(int column)
{
    fexecscr::FileSort &sort = fexecscr::fileSort();
    if (column < 0 || column >= int(std::size(sort.descending)))
        return;
    sort.column = column;
    const Qt::SortOrder order = sort.descending[column] ? Qt::DescendingOrder : Qt::AscendingOrder;
    m_files->sort(column, order);
    lstFile->header()->setSortIndicator(column, order);
    sort.descending[column] = !sort.descending[column];
    lstFile->viewport()->update();
}

void TfrmExecScript::lstFileChange()
{
    // A folder opens on double-click; a file is added.
    const QModelIndex current = lstFile->currentIndex();
    lstFile->setProperty("Navigate", current.isValid() && m_files->isDir(current));
}

void TfrmExecScript::lstFileDblClick()
{
    const QModelIndex current = lstFile->currentIndex();
    if (current.isValid() && m_files->isDir(current)) {
        ShowFolder(m_files->filePath(current));
        return;
    }
    if (lstFile->selectionModel()->hasSelection())
        actSelectExecute();
}

void TfrmExecScript::actSelectExecute()
{
    QStringList paths;
    const QModelIndexList rows = lstFile->selectionModel()->selectedRows(0);
    for (const QModelIndex &index : rows)
        paths << m_files->filePath(index);
    if (paths.isEmpty())
        return;
    AddScripts(paths);
}

void TfrmExecScript::AddScripts(QStringList paths)
{
    fexecscr::sortPaths(paths);
    for (const QString &path : std::as_const(paths)) {
        auto *item = new QListWidgetItem(path);
        item->setData(fexecscr::RunMarkRole, false);
        lstScript->addItem(item);
    }
    FitListWidth(lstScript);
}

void TfrmExecScript::actUpExecute()
{
    const QList<QListWidgetItem *> selected = lstScript->selectedItems();
    if (selected.size() > 1) {
        ShowMessageBox(QStringLiteral("同時に複数行を移動する事は出来ません。"
                                      "１行だけ選択して下さい。"),
                       MB_OK | MB_ICONWARNING);
        return;
    }
    if (selected.size() != 1)
        return;
    const int row = lstScript->row(selected.first());
    if (row <= 0)
        return;
    QListWidgetItem *item = lstScript->takeItem(row);
    lstScript->insertItem(row - 1, item);
    lstScript->setCurrentItem(item);
}

void TfrmExecScript::actDownExecute()
{
    const QList<QListWidgetItem *> selected = lstScript->selectedItems();
    if (selected.size() > 1) {
        ShowMessageBox(QStringLiteral("同時に複数行を移動する事は出来ません。"
                                      "１行だけ選択して下さい。"),
                       MB_OK | MB_ICONWARNING);
        return;
    }
    if (selected.size() != 1)
        return;
    const int row = lstScript->row(selected.first());
    if (row < 0 || row >= lstScript->count() - 1)
        return;
    QListWidgetItem *item = lstScript->takeItem(row);
    lstScript->insertItem(row + 1, item);
    lstScript->setCurrentItem(item);
}

void TfrmExecScript::actDeleteExecute()
{
    for (int i = lstScript->count() - 1; i >= 0; --i) {
        if (lstScript->item(i)->isSelected())
            delete lstScript->takeItem(i);
    }
    FitListWidth(lstScript);
}

void TfrmExecScript::lstScriptDblClick()
{
    for (int i = 0; i < lstScript->count(); ++i) {
        if (lstScript->item(i)->isSelected())
            fexecscr::openScriptFile(QUrl::fromLocalFile(lstScript->item(i)->text()));
    }
}

int TfrmExecScript::FitListWidth(QListWidget *list)
{
    if (list->count() == 0)
        return 0;
    const QFontMetrics metrics(list->font());
    int widest = 0;
    for (int i = 0; i < list->count(); ++i)
        widest = std::max(widest, metrics.horizontalAdvance(list->item(i)->text()));
    // The list scrolls as far as its widest entry by itself; the room is what it scrolls to.
    list->doItemsLayout();
    return widest + 170;
}

bool TfrmExecScript::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return TqvForm::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent *>(event)->key();
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    if (watched == lstScript && enter) {
        RunGuarded([this] { lstScriptDblClick(); });
        return true;
    }
    if (watched == lstScript && key == Qt::Key_Delete) {
        RunGuarded([this] { actDeleteExecute(); });
        return true;
    }
    if (watched == lstFile && enter) {
        if (lstFile->selectionModel()->hasSelection())
            RunGuarded([this] { actSelectExecute(); });
        return true;
    }
    return TqvForm::eventFilter(watched, event);
}

void TfrmExecScript::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TfrmExecScript::dropEvent(QDropEvent *event)
{
    QStringList paths;
    for (const QUrl &url : event->mimeData()->urls()) {
        if (url.isLocalFile())
            paths << url.toLocalFile(); // whole, whatever its length
    }
    if (paths.isEmpty())
        return;
    event->acceptProposedAction();
    AddScripts(paths);
}

// ---- the run

// The log's lines gather in m_pendingLog and reach the control a few times a second, and at
// the end of the run: a control that takes every line on its own (and moves its caret after
// each) costs more than the statements do.
int TfrmExecScript::logLine(const QString &text)
{
    if (m_logCount > 0)
        m_pendingLog += u'\n';
    m_pendingLog += text;
    ++m_logCount;
    return m_logCount - 1;
}

void TfrmExecScript::logLines(const QStringList &lines)
{
    for (const QString &line : lines)
        logLine(line);
}

void TfrmExecScript::logToEnd()
{
    if (!m_lastFlush.isValid() || m_lastFlush.elapsed() >= 50)
        flushLog();
}

void TfrmExecScript::flushLog()
{
    m_lastFlush.start();
    if (m_pendingLog.isEmpty() && m_pendingMarks.isEmpty())
        return;
    const QByteArray bytes = m_pendingLog.toUtf8();
    txtLog->setReadOnly(false);
    txtLog->SendScintilla(QsciScintillaBase::SCI_APPENDTEXT, bytes.size(), bytes.constData());
    txtLog->setReadOnly(true);
    m_pendingLog.clear();
    for (int line : std::as_const(m_pendingMarks))
        txtLog->markerAdd(line, fexecscr::ErrorMark);
    m_pendingMarks.clear();
    txtLog->setCursorPosition(m_logCount - 1, 0);
}

void TfrmExecScript::clearLog()
{
    txtLog->clear();
    txtLog->markerDeleteAll(fexecscr::ErrorMark);
    m_pendingLog.clear();
    m_pendingMarks.clear();
    m_logCount = 0;
    m_lastFlush.invalidate();
}

void TfrmExecScript::actExecExecute()
{
    if (lstScript->count() == 0 || !OwnerForm() || !OwnerForm()->dbsMain())
        return;
    const TqvCheckList checks {
        { QStringLiteral("正常終了したスクリプトをリストから削除する "), &AppOption.ScriptCompDel },
        { QStringLiteral("エラーが発生した時点で処理を中断する"), &AppOption.ScriptErrStop },
    };
    if (ShowCheckMessage(QStringLiteral("スクリプトを実行しますか？"), MB_YESNO | MB_ICONQUESTION,
                         checks)
        != IDYES) {
        FitListWidth(lstScript);
        return;
    }

    // Marks of an earlier run say nothing of this one.
    for (int i = 0; i < lstScript->count(); ++i)
        lstScript->item(i)->setData(fexecscr::RunMarkRole, false);
    m_errorCount = 0;
    clearLog();

    Run run;
    bool cancelled = false;
    std::exception_ptr failure;
    {
        SQLWaitCursor wait;
        CancelGuard guard;
        MainWindowServices *main = mainWindowServices();
        const int total = lstScript->count();
        const TqvEncoding encoding = GetFileEncoding();
        try {
            for (int i = 0; i < total; ++i) {
                QListWidgetItem *entry = lstScript->item(i);
                const QStringList lines = SplitLines(LoadTextFile(entry->text(), encoding));
                run.buffer.clear();
                run.fileFailed = false;
                logLine(QString());
                logLine(QStringLiteral("スクリプト実行 [ ") + entry->text() + QStringLiteral(" ]"));
                logToEnd();
                for (const QString &line : lines) {
                    if (EscapePressed()) {
                        cancelled = true;
                        break;
                    }
                    if (main)
                        main->SetLoopMessage(i, total);
                    if (TrimControl(line) == QLatin1String(";")) {
                        ExecuteScriptStatement(run);
                        if (run.stop)
                            break;
                    } else {
                        run.buffer << line;
                    }
                }
                if (cancelled || run.stop)
                    break;
                ExecuteScriptStatement(run);
                if (run.stop)
                    break;
                if (!run.fileFailed)
                    entry->setData(fexecscr::RunMarkRole, true);
            }
        } catch (...) {
            failure = std::current_exception();
        }
    }
    // A run left at Esc says so where it stopped, so that it is never read as a whole run.
    if (cancelled)
        logLine(QStringLiteral("《中断》"));
    flushLog();
    ShowEndMessage(run);
    AppOption.ScrExecDir = CurrentFolder();
    if (failure)
        std::rethrow_exception(failure);
    if (!cancelled && !run.stop)
        FitListWidth(lstScript);
}

void TfrmExecScript::ExecuteScriptStatement(Run &run)
{
    QStringList &buffer = run.buffer;
    while (!buffer.isEmpty() && IsRemarkLine(buffer.first()))
        buffer.removeFirst();
    while (!buffer.isEmpty() && IsRemarkLine(buffer.last()))
        buffer.removeLast();
    const QString text = buffer.join(QLatin1String("\r\n"));
    if (text.trimmed().isEmpty()) {
        buffer.clear();
        return;
    }

    QString failure;
    // A statement that returns rows would run and have its rows thrown away: a SELECT of
    // setval() or of a function that writes must not happen unseen.
    if (SQLStatementKind(text) == TSQLKind::Rows) {
        failure = QStringLiteral("SELECT 文は処理対象外です。");
    } else {
        try {
            pg::Query query(*OwnerForm()->dbsMain());
            query.setParamScanning(false);
            query.setSingleStatement(true);
            query.setSql(text);
            query.execute();
        } catch (const pg::Error &e) {
            failure = e.text();
        } catch (const std::exception &e) {
            failure = QString::fromLocal8Bit(e.what());
        }
    }
    if (failure.isNull()) {
        logLine(QStringLiteral("《正常終了》"));
        logToEnd();
        buffer.clear();
        return;
    }

    m_pendingMarks << logLine(QStringLiteral("《エラー》"));
    run.fileFailed = true;
    ++m_errorCount;
    if (buffer.size() <= 4)
        logLines(buffer);
    else
        logLines({ buffer.at(0), buffer.at(1), buffer.at(2), QStringLiteral("  -- (中略) --"),
                   buffer.last() });
    logLines(SplitLines(failure));
    logToEnd();
    if (AppOption.ScriptErrStop)
        run.stop = true;
    buffer.clear();
}

void TfrmExecScript::ShowEndMessage(const Run &)
{
    if (MainWindowServices *main = mainWindowServices())
        main->SetDefMessage();
    // Only the files that ran to their end without an error leave the list: a file not
    // reached, or left at Esc or at a stop, stays to be run again.
    if (AppOption.ScriptCompDel) {
        for (int i = lstScript->count() - 1; i >= 0; --i) {
            if (RunMark(i))
                delete lstScript->takeItem(i);
        }
    }
    if (m_errorCount > 0)
        ShowMessageBox(
            QStringLiteral("スクリプトの実行を終了しました。\r\n( %1個のエラーが発生しました )")
                .arg(m_errorCount),
            MB_OK | MB_ICONINFORMATION);
    else
        ShowMessageBox(QStringLiteral("スクリプトの実行を終了しました。"),
                       MB_OK | MB_ICONINFORMATION);
}

// ---- window state

void TfrmExecScript::LoadWindowState()
{
    resize(898, height());
    LoadWindowSize(QStringLiteral("EXECSCRIPT"));
    int headerHeight = height() / 2;
    int listWidth = width() / 2;
    if (AppRegistry && AppRegistry->OpenKey(fexecscr::StateKey, true)) {
        headerHeight = AppRegistry->GetInteger(QStringLiteral("HeaderHeight"), headerHeight);
        listWidth = AppRegistry->GetInteger(QStringLiteral("ListWidth"), listWidth);
        AppRegistry->CloseKey();
    }
    headerHeight = std::max(headerHeight, 30);
    listWidth = std::max(listWidth, 30);
    spl1->setSizes({ headerHeight, std::max(30, height() - headerHeight) });
    spl2->setSizes({ listWidth, std::max(30, width() - listWidth) });
}

void TfrmExecScript::SaveWindowState()
{
    SaveWindowSize(QStringLiteral("EXECSCRIPT"));
    if (AppRegistry && AppRegistry->OpenKey(fexecscr::StateKey, true)) {
        AppRegistry->WriteInteger(QStringLiteral("HeaderHeight"), spl1->sizes().value(0));
        AppRegistry->WriteInteger(QStringLiteral("ListWidth"), spl2->sizes().value(0));
        AppRegistry->CloseKey();
    }
}
