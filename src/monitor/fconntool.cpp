#include "fconntool.h"

#include "core/qvappwindows.h"
#include "core/qvconnkey.h"
#include "core/qvexcept.h"
#include "core/qvwaitcursor.h"
#include "platform/pg/connection.h"
#include "platform/pg/result.h"
#include "platform/pg/transaction.h"

#include <QAction>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMdiSubWindow>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace fconntool {

// The owner of every tool window: the main window, so that a window outlives the connection
// window it was opened from until the connection list tells it to go.
QObject *mainOwner()
{
    MainWindowServices *main = mainWindowServices();
    return main ? main->mainWidget() : nullptr;
}

// "caption|long hint": the short part as tool tip, the long one in the status bar.
void setHint(QAction *action, const QString &hint)
{
    const qsizetype bar = hint.indexOf(QLatin1Char('|'));
    action->setToolTip(bar < 0 ? hint : hint.left(bar));
    action->setStatusTip(bar < 0 ? hint : hint.mid(bar + 1));
}

} // namespace fconntool

TfrmConnTool::TfrmConnTool(ConnectionWindow *connection, const QString &title,
                           const QString &stateKey, int iconIndex, const QString &nameCaption)
    : TqvForm(fconntool::mainOwner(), connection == nullptr)
    , m_title(title)
    , m_stateKey(stateKey)
    , m_iconIndex(iconIndex)
{
    if (connection)
        setOwnerForm(connection);
    m_initial = OwnerForm();

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    tolCmd = new QToolBar(this);
    tolCmd->setObjectName(QStringLiteral("tolCmd"));
    tolCmd->setToolButtonStyle(Qt::ToolButtonTextOnly);
    layout->addWidget(tolCmd);

    actRefresh = new QAction(QStringLiteral("最新(&R)"), this);
    actRefresh->setObjectName(QStringLiteral("actRefresh"));
    fconntool::setHint(actRefresh,
                       QStringLiteral("リストの内容を最新の状態に変更します。|"
                                      "リストの内容を最新の状態に変更します。"));
    actExit = new QAction(QStringLiteral("終了(&X)"), this);
    actExit->setObjectName(QStringLiteral("actExit"));
    fconntool::setHint(actExit, QStringLiteral("画面を閉じます。|画面を閉じます。"));

    pnlName = new QWidget(this);
    pnlName->setObjectName(QStringLiteral("pnlName"));
    auto *nameLayout = new QHBoxLayout(pnlName);
    nameLayout->setContentsMargins(4, 0, 4, 0);
    nameLayout->addWidget(new QLabel(nameCaption, pnlName));
    cmbDBName = new QComboBox(pnlName);
    cmbDBName->setObjectName(QStringLiteral("cmbDBName"));
    cmbDBName->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    nameLayout->addWidget(cmbDBName);

    m_body = new QWidget(this);
    m_body->setObjectName(QStringLiteral("pnlBody"));
    layout->addWidget(m_body, 1);

    connect(actRefresh, &QAction::triggered, this,
            [this] { RunGuarded([this] { Reload(this); }); });
    connect(actExit, &QAction::triggered, this, &QWidget::close);
    connect(cmbDBName, &QComboBox::activated, this,
            [this] { RunGuarded([this] { cmbDBNameChange(); }); });
    // The connection list's message closes the window when its connection closes; a
    // connection window that goes without it ends the binding all the same.
    connect(this, &TqvForm::ownerFormChanged, this, [this](ConnectionWindow *form) {
        if (!form && !m_closing) {
            m_closing = true;
            close();
        }
    });
}

TfrmConnTool::~TfrmConnTool() = default;

void TfrmConnTool::setButtonWidth(int width)
{
    const QList<QToolButton *> buttons = tolCmd->findChildren<QToolButton *>();
    for (QToolButton *button : buttons) {
        if (button->defaultAction())
            button->setMinimumWidth(width);
    }
}

void TfrmConnTool::FinishCreate()
{
    InitForm();
    CreateTaskButton();
    SetWindowIcon(m_iconIndex);
    fillConnections();
    const int i = m_initial
        ? cmbDBName->findData(QVariant::fromValue<QObject *>(m_initial->connectionWidget()))
        : -1;
    cmbDBName->setCurrentIndex(i);
    // A failed first read is shown; the window stays, as after any failed refresh.
    RunGuarded([this] { cmbDBNameChange(); });
}

void TfrmConnTool::fillConnections()
{
    const QSignalBlocker quiet(cmbDBName);
    cmbDBName->clear();
    MainWindowServices *main = mainWindowServices();
    if (!main)
        return;
    const QList<TConnectionEntry> entries = main->ConnectionEntries();
    for (const TConnectionEntry &entry : entries) {
        if (entry.window) {
            cmbDBName->addItem(entry.key,
                               QVariant::fromValue<QObject *>(entry.window->connectionWidget()));
        }
    }
}

void TfrmConnTool::cmbDBNameChange()
{
    auto *connection
        = dynamic_cast<ConnectionWindow *>(cmbDBName->currentData().value<QObject *>());
    if (!connection)
        return;
    setOwnerForm(connection);
    Reload(this);
}

void TfrmConnTool::Reload(QObject *)
{
    const SQLWaitCursor wait;
    ConnectionWindow *connection = OwnerForm();
    if (!connection)
        return;
    const TRecParam param = MakeRecParam(ConnectionParams(*connection));
    setWindowTitle(m_title + GetRecParamCaption(param, 0, false));
    setTaskCaption(GetRecParamCaption(param, 0, true));
    LoadData();
}

void TfrmConnTool::DBChange(QObject *)
{
    // The entry is found again by its connection window: two connections to one database
    // have the same key, and only the window's own one may keep it open.
    QObject *bound = cmbDBName->currentData().value<QObject *>();
    fillConnections();
    const int i = bound ? cmbDBName->findData(QVariant::fromValue(bound)) : -1;
    if (i < 0 || !OwnerForm()) {
        if (!m_closing) {
            m_closing = true;
            close();
        }
        return;
    }
    const QSignalBlocker quiet(cmbDBName);
    cmbDBName->setCurrentIndex(i);
}

void TfrmConnTool::LoadWindowState()
{
    LoadWindowSize(m_stateKey);
}

void TfrmConnTool::SaveWindowState()
{
    SaveWindowSize(m_stateKey);
}

void TfrmConnTool::afterShow()
{
    // The size was read before the window had its frame in the main window; the kept size is
    // the frame's. A frame that opened maximised (as the window before it was) gets the kept
    // size as the one it returns to.
    auto *frame = qobject_cast<QMdiSubWindow *>(parentWidget());
    if (!frame)
        return;
    if (frame->isMaximized()) {
        frame->showNormal();
        LoadWindowSize(m_stateKey);
        frame->showMaximized();
    } else {
        LoadWindowSize(m_stateKey);
    }
}

QWidget *TfrmConnTool::findOpen(const QMetaObject &meta, const QString &title,
                                ConnectionWindow *connection)
{
    MainWindowServices *main = mainWindowServices();
    if (!main)
        return nullptr;
    if (!connection)
        connection = main->CurrentForm();
    if (!connection)
        return nullptr;
    return main->FindWindow(&meta, title + ConnectionKey(*connection), true);
}

bool TfrmConnTool::SessionInTransaction() const
{
    const ConnectionWindow *connection = OwnerForm();
    return connection && connection->dbsMain() && connection->dbsMain()->inTransaction();
}

pg::Result TfrmConnTool::OpenGuarded(const QString &sql, const QStringList &params)
{
    return Guarded([&] {
        return params.isEmpty() ? OwnerForm()->OpenSQL(sql) : OwnerForm()->OpenSQL(sql, params);
    });
}

void TfrmConnTool::ExecuteGuarded(const QString &sql, const QStringList &params)
{
    Guarded([&] {
        if (params.isEmpty())
            OwnerForm()->ExecuteSQL(sql);
        else
            OwnerForm()->ExecuteSQL(sql, params);
    });
}

TfrmConnTool::GuardScope::GuardScope(TfrmConnTool *form)
{
    if (form->SessionInTransaction())
        m_savepoint = std::make_unique<pg::Transaction>(*form->OwnerForm()->dbsMain());
}

TfrmConnTool::GuardScope::~GuardScope() = default;

void TfrmConnTool::GuardScope::commit()
{
    if (m_savepoint)
        m_savepoint->commit();
}
