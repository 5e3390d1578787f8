#include "fsession.h"

#include "core/qvappwindows.h"
#include "core/qvexcept.h"
#include "core/qvmsgbox.h"
#include "monitorsql.h"
#include "platform/pg/connection.h"
#include "platform/pg/error.h"
#include "platform/pg/result.h"
#include "sqllang/qvmemo.h"
#include "ui/qvcomctrls.h"

#include <QAction>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QScopeGuard>
#include <QSplitter>
#include <QToolBar>
#include <QVBoxLayout>

#include <iterator>

namespace fsession {

const QColor ownRowColor(0, 0, 255);

struct Column
{
    const char *caption;
    int width;
    bool right;
};

constexpr Column columns[] = {
    { "ﾌﾟﾛｾｽID", 70, false },   { "状態", 80, false },         { "ﾕｰｻﾞｰID", 70, true },
    { "ﾕｰｻﾞｰ名", 100, false },  { "ﾃﾞｰﾀﾍﾞｰｽID", 90, true },    { "ﾃﾞｰﾀﾍﾞｰｽ名", 100, false },
    { "ｸﾗｲｱﾝﾄIP", 120, false }, { "ｱﾌﾟﾘｹｰｼｮﾝ名", 120, false }, { "開始時間", 170, false },
    { "クエリ", 120, false },
};

constexpr int queryColumn = 9;

} // namespace fsession

TfrmSession::TfrmSession(ConnectionWindow *AOwner)
    : TfrmConnTool(AOwner, CaptionTitle(), QStringLiteral("SESSION"), 5,
                   QStringLiteral("\u3000データベース"))
{
    setObjectName(QStringLiteral("frmSession"));
    resize(800, 500);

    actKill = new QAction(QStringLiteral("切断(&D)"), this);
    actKill->setObjectName(QStringLiteral("actKill"));
    actKill->setToolTip(QStringLiteral("選択中のセッションをデータベースより切断します。"));
    actKill->setStatusTip(QStringLiteral("選択中のセッションをデータベースより切断します。"));

    const struct
    {
        QAction *action;
        const char *button;
    } buttons[] = { { actKill, "btnKill" }, { actRefresh, "btnRefresh" }, { actExit, "btnExit" } };
    for (const auto &b : buttons) {
        tolCmd->addAction(b.action);
        tolCmd->widgetForAction(b.action)->setObjectName(QLatin1String(b.button));
    }
    tolCmd->addSeparator();
    tolCmd->addWidget(pnlName);
    setButtonWidth(78);

    auto *layout = new QVBoxLayout(body());
    layout->setContentsMargins(0, 0, 0, 0);
    auto *split = new QSplitter(Qt::Vertical, body());
    split->setObjectName(QStringLiteral("splQuery"));
    split->setChildrenCollapsible(false);
    layout->addWidget(split);

    lstSession = new TqvListView(split);
    lstSession->setObjectName(QStringLiteral("lstSession"));
    lstSession->setRootIsDecorated(false);
    lstSession->setSelectionBehavior(QAbstractItemView::SelectRows);
    lstSession->setSelectionMode(QAbstractItemView::SingleSelection);
    lstSession->setEditTriggers(QAbstractItemView::NoEditTriggers);
    QStringList captions;
    for (const fsession::Column &c : fsession::columns)
        captions << QString::fromUtf8(c.caption);
    lstSession->setHeaderLabels(captions);
    for (int i = 0; i < int(std::size(fsession::columns)); ++i) {
        lstSession->setColumnWidth(i, fsession::columns[i].width);
        if (fsession::columns[i].right)
            lstSession->setColumnAlignment(i, Qt::AlignRight | Qt::AlignVCenter);
    }
    lstSession->installEventFilter(this);

    txtQuery = new TqvMemo(split);
    txtQuery->setObjectName(QStringLiteral("txtQuery"));
    txtQuery->setReadOnly(true);
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 0);
    split->setSizes({ 330, 129 });

    popSession = new QMenu(this);
    popSession->setObjectName(QStringLiteral("popSession"));
    popSession->addAction(actKill);
    lstSession->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(lstSession, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        popSession->popup(lstSession->viewport()->mapToGlobal(pos));
    });

    // The window's menu, shown in the main window's menu bar while the window is in front.
    mnuTool = new QMenuBar(this);
    mnuTool->setObjectName(QStringLiteral("mnuTool"));
    mnuTool->hide();
    QMenu *menu = mnuTool->addMenu(QStringLiteral("セッション情報(&O)"));
    menu->setObjectName(QStringLiteral("mnuSession"));
    menu->menuAction()->setProperty("GroupIndex", 2);
    menu->addAction(actKill);

    connect(actKill, &QAction::triggered, this,
            [this] { RunGuarded([this] { actKillExecute(); }); });
    connect(lstSession, &QTreeWidget::itemSelectionChanged, this, [this] {
        lstSessionSelectItem();
        actKillUpdate();
    });
    connect(lstSession, &TqvListView::OnColumnClick, this, [this] {
        for (int i = 0; i < lstSession->topLevelItemCount(); ++i)
            paintOwnRow(lstSession->topLevelItem(i));
    });

    actKillUpdate();
    FinishCreate();
}

void TfrmSession::LoadSessions()
{
    ConnectionWindow *connection = OwnerForm();
    MYSID = Guarded([connection] { return connection->GetMySID(); });
    lstSession->setUpdatesEnabled(false);
    lstSession->clear();
    txtQuery->clear();
    const auto endUpdate = qScopeGuard([this] {
        lstSession->setUpdatesEnabled(true);
        actKillUpdate();
    });
    const int version = connection->DBVer();
    const bool current = version >= 90200;
    const pg::Result rows = Guarded([&] {
        // Inside the user's transaction the server would go on showing the sessions of its
        // first look.
        connection->OpenSQL(ClearStatisticsSnapshotSQL());
        return connection->OpenSQL(SessionListSQL(version),
                                   { connection->dbsMain()->param(QStringLiteral("Database")) });
    });
    for (int row = 0; row < rows.rowCount(); ++row) {
        auto *item = new QTreeWidgetItem(lstSession);
        item->setText(0, rows.text(row, 0));
        QString state;
        if (current)
            state = rows.text(row, QStringLiteral("state"));
        else
            state = rows.value(row, rows.columnIndex(QStringLiteral("waiting"))).toBool()
                ? QStringLiteral("wait")
                : QStringLiteral("not wait");
        item->setText(1, state);
        int column = 2;
        for (const char *name : { "usesysid", "usename", "datid", "datname", "client_ip",
                                  "application_name", "backend_start" }) {
            item->setText(column++, rows.text(row, QLatin1String(name)));
        }
        item->setText(fsession::queryColumn, rows.text(row, rows.columnCount() - 1));
        for (int c = 0; c < lstSession->columnCount(); ++c)
            item->setTextAlignment(c, lstSession->ColumnAlignment(c));
        paintOwnRow(item);
    }
    lstSession->SortItems();
}

void TfrmSession::paintOwnRow(QTreeWidgetItem *item) const
{
    bool ok = false;
    const int pid = item->text(0).trimmed().toInt(&ok);
    if (ok && pid == MYSID) {
        for (int c = 0; c < lstSession->columnCount(); ++c)
            item->setForeground(c, fsession::ownRowColor);
    }
}

void TfrmSession::lstSessionSelectItem()
{
    txtQuery->clear();
    const QList<QTreeWidgetItem *> selected = lstSession->selectedItems();
    if (!selected.isEmpty())
        txtQuery->setText(selected.first()->text(fsession::queryColumn));
}

void TfrmSession::actKillUpdate()
{
    actKill->setEnabled(!lstSession->selectedItems().isEmpty());
}

void TfrmSession::actKillExecute()
{
    const QList<QTreeWidgetItem *> selected = lstSession->selectedItems();
    if (selected.isEmpty())
        return;
    if (ShowMessageBox(QStringLiteral("指定したセッションを切断しますか？"),
                       MB_YESNO | MB_ICONQUESTION)
        != IDYES)
        return;
    const QString pid = selected.first()->text(0).trimmed();
    try {
        ExecuteGuarded(TerminateBackendSQL(), { pid });
    } catch (const pg::Error &) {
        ShowMessageBox(QStringLiteral("切断に失敗しました。"), MB_ICONERROR);
        MYSID = Guarded([this] { return OwnerForm()->GetMySID(); });
    }
    Reload(this);
}

bool TfrmSession::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == lstSession && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Delete) {
        RunGuarded([this] { actKillExecute(); });
    }
    return TfrmConnTool::eventFilter(watched, event);
}
