#include "fobject.h"

#include "fobjectsql.h"

#include "core/qvcancel.h"
#include "core/qvconnkey.h"
#include "core/qvexcept.h"
#include "core/qvmsgbox.h"
#include "core/qvname.h"
#include "core/qvoption.h"
#include "core/qvreg.h"
#include "core/qvsub.h"
#include "core/qvwaitcursor.h"
#include "platform/pg/connection.h"
#include "ui/qvcomctrls.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSignalBlocker>
#include <QSplitter>
#include <QThread>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <limits>

namespace fobject {

constexpr int windowImage = 94; // the connection window's icon in the main image list
constexpr int clientWidth = 616;
constexpr int clientHeight = 561;
constexpr int treeMinWidth = 30;
constexpr int treeWidth = 200;
constexpr int workerCancelIntervalMs = 500;

// Program-wide: the object copy list with the window that filled each entry.
struct CopyEntry
{
    const TfrmObject *source;
    TCopyObjectList object;
};
QList<CopyEntry> copyList;

QString guiKey()
{
    return QString::fromLatin1(QvRegistryRoot) + QStringLiteral("\\GUI\\OBJECT");
}

// The program file's name without its folder: the application name the server shows.
QString programName()
{
    return QFileInfo(QCoreApplication::applicationFilePath()).fileName();
}

// The option counts seconds; the timer milliseconds. 0 (the default) keeps the timer off.
int keepAliveMilliseconds(qint32 seconds)
{
    constexpr qint32 maxSeconds = std::numeric_limits<int>::max() / 1000;
    return seconds <= 0 ? 0 : qMin(seconds, maxSeconds) * 1000;
}

} // namespace fobject

int TfrmObject::LoginTimeout = 15;

TfrmObject::TfrmObject(QObject *AOwner)
    : TqvForm(AOwner, false)
{
    setObjectName(QStringLiteral("frmObject"));
    m_dbsMain = new pg::Connection(this);
    m_dbsMain->setObjectName(QStringLiteral("dbsMain"));
    m_dbsBG = new pg::Connection(this);
    m_dbsBG->setObjectName(QStringLiteral("dbsBG"));
    m_dbsBG2 = new pg::Connection(this);
    m_dbsBG2->setObjectName(QStringLiteral("dbsBG2"));
    tmrKeepAlive = new QTimer(this);
    tmrKeepAlive->setObjectName(QStringLiteral("tmrKeepAlive"));
    connect(tmrKeepAlive, &QTimer::timeout, this,
            [this] { RunGuarded([this] { tmrKeepAliveTimer(); }); });
    connect(m_dbsMain, &pg::Connection::lost, this, [this] { markBroken(); });
    setupUi();
}

void TfrmObject::setupUi()
{
    using namespace fobject;
    resize(clientWidth, clientHeight);
    setKeyPreview(true);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    spl1 = new QSplitter(Qt::Horizontal, this);
    spl1->setObjectName(QStringLiteral("spl1"));
    spl1->setChildrenCollapsible(false);
    layout->addWidget(spl1);

    pnlTree = new QWidget(spl1);
    pnlTree->setObjectName(QStringLiteral("pnlTree"));
    pnlTree->setMinimumWidth(treeMinWidth);
    auto *treeLayout = new QVBoxLayout(pnlTree);
    treeLayout->setContentsMargins(0, 0, 0, 0);
    treeLayout->setSpacing(0);
    setupTreeUi(treeLayout);

    pnlObject = new QWidget(spl1);
    pnlObject->setObjectName(QStringLiteral("pnlObject"));
    auto *objectLayout = new QVBoxLayout(pnlObject);
    objectLayout->setContentsMargins(0, 0, 0, 0);
    objectLayout->setSpacing(0);
    setupFindUi(objectLayout);
    lstObject = new TqvListView(pnlObject);
    lstObject->setObjectName(QStringLiteral("lstObject"));
    lstObject->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lstObject->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // The columns come with the first list that is shown in it.
    lstObject->setHeaderHidden(true);
    objectLayout->addWidget(lstObject);
    setupObjectOpen();

    spl1->addWidget(pnlTree);
    spl1->addWidget(pnlObject);
    spl1->setStretchFactor(0, 0);
    spl1->setStretchFactor(1, 1);
    spl1->setSizes({ treeWidth, clientWidth - treeWidth });
    setupActions();
}

TfrmObject *TfrmObject::Create(QObject *AOwner, const QString &Host, const QString &Port,
                               const QString &SID, const QString &Schema, const QString &UserID,
                               const QString &Password)
{
    // However construction ends, the cursor comes back and the status panel shows the summary.
    struct DefMessage
    {
        ~DefMessage()
        {
            if (MainWindowServices *main = mainWindowServices())
                main->SetDefMessage();
        }
    } defMessage;
    const SQLWaitCursor wait;

    std::unique_ptr<TfrmObject> window(new TfrmObject(AOwner));
    window->Connect(Host, Port, SID, Schema, UserID, Password);
    TfrmObject *shown = window.release();
    try {
        shown->Register();
    } catch (...) {
        QWidget *frame = shown->frameWidget();
        delete frame;
        throw;
    }
    return shown;
}

void TfrmObject::Connect(const QString &Host, const QString &Port, const QString &SID,
                         const QString &Schema, const QString &UserID, const QString &Password)
{
    using namespace fobject;
    MainWindowServices *main = mainWindowServices();
    tmrKeepAlive->setInterval(keepAliveMilliseconds(AppOption.KeepAliveInterval));
    if (main)
        main->SetStatusText(QStringLiteral("データベースに接続中です．．．"));
    SetWindowIcon(windowImage);

    const TRecParam param
        = MakeRecParam(Host, SID, Schema, Port, UserID, Password, QString(), QString(), QString());
    m_connectionKey = GetRecParamCaption(param, 0, false);
    setWindowTitle(QStringLiteral("オブジェクトリスト - ") + m_connectionKey);
    // Rows dragged from the list name this connection.
    lstObject->setDragSource(m_connectionKey);

    m_dbsMain->setParam(QStringLiteral("Server"), Host);
    m_dbsMain->setParam(QStringLiteral("Database"), SID);
    m_dbsMain->setParam(QStringLiteral("MetaDefSchema"), Schema);
    m_dbsMain->setParam(QStringLiteral("Port"), Port);
    m_dbsMain->setParam(QStringLiteral("User_Name"), UserID);
    m_dbsMain->setParam(QStringLiteral("Password"), Password);
    m_dbsMain->setParam(QStringLiteral("ApplicationName"), programName());
    m_dbsMain->setParam(QStringLiteral("LoginTimeout"), QString::number(LoginTimeout));
    m_dbsMain->setParam(QStringLiteral("CharacterSet"), AppOption.CharacterSet);

    QElapsedTimer connecting;
    connecting.start();
    try {
        m_dbsMain->open();
    } catch (const pg::Error &e) {
        if (IsLoginTimeout(e.message(), connecting.elapsed(), LoginTimeout)) {
            ShowMessageBox(QStringLiteral("タイムアウト時間が過ぎました。"),
                           MB_OK | MB_ICONWARNING);
            throw SilentAbort();
        }
        throw;
    }

    DBName = SID;
    MYSID = GetMySID();
    // The session read the banner of "SELECT version()" when it connected.
    const TServerFacts facts = ServerFactsFromBanner(m_dbsMain->serverBanner());
    m_dbVer = facts.DBVer;
    m_postgresPlus = facts.g_bPostgresPlus;
    g_Linux_Ver = facts.g_Linux_Ver;

    const QString schema = ChooseLogonSchema(Schema, GetSchemaInfo(true));
    if (schema != Schema)
        m_dbsMain->setParam(QStringLiteral("MetaDefSchema"), schema);
    try {
        ExecuteSQL(QStringLiteral("set search_path to ") + QuoteName(schema));
    } catch (const pg::Error &) {
        // the server's default search path stays
    }
    if (m_dbVer >= 120000) {
        try {
            ExecuteSQL(QStringLiteral("SELECT set_config('application_name',")
                       + QuoteLiteral(programName()) + QStringLiteral(",false)"));
        } catch (const pg::Error &) {
            // the name given at connect stays
        }
    }
    // Only now the transaction of the auto-commit-off mode: settings made inside it would be
    // undone by the first ROLLBACK of the user.
    if (!AppOption.UpdateToCommit)
        ExecuteSQL(QStringLiteral("BEGIN"));

    setOwnerForm(this);
}

void TfrmObject::Register()
{
    using namespace fobject;
    MainWindowServices *main = mainWindowServices();
    if (main) {
        main->ShowChildWindow(this);
        main->AddConnection(m_connectionKey, this);
    } else {
        show();
    }
    m_registered = true;
    BroadcastAppMessage(QvMsgConnectionListChanged);

    Disp = 0;
    if (AppRegistry
        && AppRegistry->OpenKey(ObjectTreeKey(m_dbsMain->param(QStringLiteral("Database"))),
                                false)) {
        Disp = AppRegistry->GetInteger(QStringLiteral("Disp"), 0);
        AppRegistry->CloseKey();
    }
    if (Disp < 0 || Disp > 2)
        Disp = 0; // a value of no filter shows every schema
    (AppOption.TreeSort == 1 ? btnTree2 : btnTree1)->setChecked(true);
    {
        const QSignalBlocker block(cmbTree);
        cmbTree->setCurrentIndex(Disp);
    }
    ShowTree();
    btnLevel0->setChecked(AppOption.ShowLevel0);
    btnLevel1->setChecked(AppOption.ShowLevel1);

    InitForm(); // LoadWindowState among it
    InitObjectListStyle();
    lstObject->setSelectionBehavior(AppOption.RowSelect ? QAbstractItemView::SelectRows
                                                        : QAbstractItemView::SelectItems);
    pnlFind->setVisible(AppOption.Find);
    LoadFindHistory();
    SetCommandList();
    SetReportList();
    SetShortCut();

    CreateTaskButton();
    SetWindowIcon(windowImage);
    if (QToolButton *button = TaskButton()) {
        const TRecParam param = MakeRecParam(ConnectionParams(*this));
        button->setText(GetRecParamCaption(param, 0, true));
    }
    if (main)
        main->ShowWorkSpace(nullptr);

    // Registered once running, so that a long loop under way holds it as well.
    if (tmrKeepAlive->interval() > 0)
        tmrKeepAlive->start();
    RegisterKeepAliveTimer(tmrKeepAlive);
}

TfrmObject::~TfrmObject()
{
    tmrKeepAlive->stop();
    StopBackgroundWorkers();
    ReleaseCopyObjectList(this);
    if (m_registered)
        Unregister();
    // No more binding to itself: nothing may reach the session while the window goes.
    setOwnerForm(nullptr);
    CloseSessions();
}

pg::Connection *TfrmObject::dbsMain() const
{
    return m_dbsMain;
}

void TfrmObject::reloadObjectList()
{
    ShowObject(false);
}

int TfrmObject::ObjectCount() const
{
    return lstObject->topLevelItemCount();
}

int TfrmObject::SelectedObjectCount() const
{
    return int(lstObject->selectedItems().size());
}

void TfrmObject::Reload(QObject *Sender)
{
    reloadObjectList();
}

void TfrmObject::RegisterBackgroundWorker(QThread *worker)
{
    if (!worker)
        return;
    m_workers.removeIf([](const QPointer<QThread> &w) { return w.isNull(); });
    if (!m_workers.contains(worker))
        m_workers << worker;
}

void TfrmObject::StopBackgroundWorkers()
{
    using namespace fobject;
    m_workers.removeIf([](const QPointer<QThread> &w) { return w.isNull(); });
    bool running = false;
    for (const QPointer<QThread> &worker : std::as_const(m_workers)) {
        if (worker->isRunning()) {
            worker->requestInterruption();
            running = true;
        }
    }
    if (!running)
        return;
    const SQLWaitCursor wait;
    // A worker blocked in a statement only sees the request once the statement ends: cancel
    // the statements until every worker has gone.
    for (;;) {
        m_dbsBG->cancel();
        m_dbsBG2->cancel();
        bool anyLeft = false;
        for (const QPointer<QThread> &worker : std::as_const(m_workers)) {
            if (worker && !worker->wait(workerCancelIntervalMs))
                anyLeft = true;
        }
        if (!anyLeft)
            break;
    }
    m_workers.clear();
}

void TfrmObject::CloseSessions()
{
    m_dbsMain->close();
    m_dbsBG->close();
    m_dbsBG2->close();
}

void TfrmObject::Unregister()
{
    m_registered = false;
    if (MainWindowServices *main = mainWindowServices())
        main->RemoveConnection(this);
}

void TfrmObject::markBroken()
{
    m_sessionBroken = true;
    tmrKeepAlive->stop();
}

void TfrmObject::tmrKeepAliveTimer()
{
    if (m_sessionBroken || !m_dbsMain->isOpen())
        return;
    // The options dialog may have changed the interval meanwhile; 0 turns the keep-alive off.
    const int interval = fobject::keepAliveMilliseconds(AppOption.KeepAliveInterval);
    if (interval <= 0) {
        tmrKeepAlive->stop();
        return;
    }
    tmrKeepAlive->setInterval(interval);
    try {
        // Its own statement, never the services' result: the tick may come while a dialog
        // pumps messages in the middle of other work.
        m_dbsMain->exec(QStringLiteral("SELECT 1 "));
    } catch (const pg::Error &e) {
        // Inside a failed transaction the server still answers: the session lives.
        if (e.sqlState() == QLatin1String(pg::sqlstate::InFailedTransaction))
            return;
        markBroken();
        ShowMessageBox(QStringLiteral("データベースとの接続を維持できませんでした。"
                                      "この接続はもう使えません。\n")
                           + m_connectionKey + QStringLiteral("\n\n") + e.text(),
                       MB_OK | MB_ICONERROR);
    }
}

QList<TqvForm *> TfrmObject::OwnedWindows() const
{
    QList<TqvForm *> windows;
    const auto *sub = qobject_cast<QMdiSubWindow *>(parentWidget());
    if (sub && sub->mdiArea()) {
        const QList<QMdiSubWindow *> children = sub->mdiArea()->subWindowList();
        for (QMdiSubWindow *child : children) {
            auto *form = qobject_cast<TqvForm *>(child->widget());
            if (form && form != this && form->Owner() == this)
                windows << form;
        }
    }
    // Windows of this connection that are not in the multi-document area (floating ones).
    const QWidgetList all = QApplication::topLevelWidgets();
    for (QWidget *widget : all) {
        auto *form = qobject_cast<TqvForm *>(widget);
        if (form && form != this && form->Owner() == this && !windows.contains(form))
            windows << form;
    }
    return windows;
}

void TfrmObject::FormCloseQuery(bool &CanClose)
{
    const QList<TqvForm *> windows = OwnedWindows();
    for (auto it = windows.crbegin(); it != windows.crend(); ++it) {
        if (!(*it)->CloseQuery()) {
            CanClose = false;
            return;
        }
    }
}

void TfrmObject::FormClose(TCloseAction &Action)
{
    using namespace fobject;
    MainWindowServices *main = mainWindowServices();
    if (main) {
        main->SetStatusText(QString());
        main->ShowWorkSpace(this);
    }
    SaveObjectListWidths();
    if (AppRegistry
        && AppRegistry->OpenKey(ObjectTreeKey(m_dbsMain->param(QStringLiteral("Database"))),
                                true)) {
        AppRegistry->WriteInteger(QStringLiteral("Disp"), Disp);
        AppRegistry->CloseKey();
    }
    ReleaseCopyObjectList(this);
    tmrKeepAlive->stop();
    if (!AppOption.UpdateToCommit && m_dbsMain->isOpen()) {
        try {
            m_dbsMain->exec(QStringLiteral("ROLLBACK"));
        } catch (const pg::Error &) {
            // the server ends the transaction with the session anyway
        }
    }
    StopBackgroundWorkers();
    CloseSessions();
    if (m_registered)
        Unregister();
    BroadcastAppMessage(QvMsgConnectionListChanged);
    Action = caFree;
}

void TfrmObject::FormActivate()
{
    mnuObjectClick();
    if (MainWindowServices *main = mainWindowServices())
        main->ConnectionActivated(this);
}

QSize TfrmObject::sizeHint() const
{
    return QSize(fobject::clientWidth, fobject::clientHeight);
}

void TfrmObject::LoadWindowState()
{
    using namespace fobject;
    if (!AppRegistry || !AppRegistry->OpenKey(guiKey(), true))
        return;
    QWidget *frame = frameWidget();
    const auto *sub = qobject_cast<QMdiSubWindow *>(parentWidget());
    const bool onlyChild = !sub || !sub->mdiArea() || sub->mdiArea()->subWindowList().size() == 1;
    if (onlyChild && AppRegistry->GetInteger(QStringLiteral("WindowState"), 0) == 2)
        frame->showMaximized();
    if (!(frame->windowState() & (Qt::WindowMinimized | Qt::WindowMaximized))) {
        const int width = AppRegistry->GetInteger(QStringLiteral("Width"), frame->width());
        const int height = AppRegistry->GetInteger(QStringLiteral("Height"), frame->height());
        frame->resize(width, height);
    }
    const int tree = qMax(AppRegistry->GetInteger(QStringLiteral("TreeWidth"), pnlTree->width()),
                          treeMinWidth);
    const int total = spl1->sizes().value(0) + spl1->sizes().value(1);
    spl1->setSizes({ tree, qMax(total - tree, 0) });
    AppRegistry->CloseKey();
}

void TfrmObject::SaveWindowState()
{
    using namespace fobject;
    if (!AppRegistry || !AppRegistry->OpenKey(guiKey(), true))
        return;
    QWidget *frame = frameWidget();
    const Qt::WindowStates state = frame->windowState();
    const int stateValue = (state & Qt::WindowMinimized) ? 1
        : (state & Qt::WindowMaximized)                  ? 2
                                                         : 0;
    AppRegistry->WriteInteger(QStringLiteral("WindowState"), stateValue);
    if (stateValue == 0) {
        AppRegistry->WriteInteger(QStringLiteral("Width"), frame->width());
        AppRegistry->WriteInteger(QStringLiteral("Height"), frame->height());
    }
    AppRegistry->WriteInteger(QStringLiteral("TreeWidth"), spl1->sizes().value(0));
    AppRegistry->CloseKey();
}

QList<TCopyObjectList> CopyObjectList()
{
    QList<TCopyObjectList> objects;
    for (const fobject::CopyEntry &entry : std::as_const(fobject::copyList))
        objects << entry.object;
    return objects;
}

void SetCopyObjectList(const TfrmObject *source, const QList<TCopyObjectList> &entries)
{
    fobject::copyList.clear();
    for (const TCopyObjectList &object : entries)
        fobject::copyList << fobject::CopyEntry { source, object };
}

void ReleaseCopyObjectList(const TfrmObject *source)
{
    fobject::copyList.removeIf(
        [source](const fobject::CopyEntry &entry) { return entry.source == source; });
}
