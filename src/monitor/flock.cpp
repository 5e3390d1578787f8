#include "flock.h"

#include "core/qvappwindows.h"
#include "core/qvexcept.h"
#include "monitorsql.h"
#include "platform/pg/connection.h"
#include "platform/pg/result.h"
#include "sqllang/qvmemo.h"
#include "ui/qvcomctrls.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QScopeGuard>
#include <QSplitter>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <iterator>

namespace flock {

const QColor waitingRowColor(255, 0, 0);
const QColor ownLockColor(0, 0, 255);
const QString waiting = QStringLiteral("待ち");

struct LockColumn
{
    const char *caption;
    int width;
};

constexpr LockColumn lockColumns[] = {
    { "ﾌﾟﾛｾｽID", 70 },     { "ﾛｯｸ種別", 100 },  { "ﾕｰｻﾞｰ名", 90 },
    { "ﾃﾞｰﾀﾍﾞｰｽ名", 120 }, { "ﾃｰﾌﾞﾙ名", 120 },  { "ﾓｰﾄﾞ", 160 },
    { "ﾛｯｸ保持", 80 },     { "経過時間", 110 }, { "ｸｴﾘ", 140 },
};

constexpr int heldColumn = 6;
constexpr int lockQueryColumn = 8;

} // namespace flock

TfrmLock::TfrmLock(ConnectionWindow *AOwner)
    : TfrmConnTool(AOwner, CaptionTitle(), QStringLiteral("LOCK"), 6,
                   QStringLiteral(" データベース"))
{
    setObjectName(QStringLiteral("frmLock"));
    resize(900, 500);

    tolCmd->addAction(actRefresh);
    tolCmd->addAction(actExit);
    btnRollback = qobject_cast<QToolButton *>(tolCmd->widgetForAction(actRefresh));
    btnRollback->setObjectName(QStringLiteral("btnRollback"));
    btnExit = qobject_cast<QToolButton *>(tolCmd->widgetForAction(actExit));
    btnExit->setObjectName(QStringLiteral("btnExit"));
    tolCmd->addSeparator();
    tolCmd->addWidget(pnlName);
    setButtonWidth(78);

    auto *layout = new QVBoxLayout(body());
    layout->setContentsMargins(0, 0, 0, 0);
    splLock = new QSplitter(Qt::Vertical, body());
    splLock->setObjectName(QStringLiteral("splLock"));
    splLock->setChildrenCollapsible(false);
    layout->addWidget(splLock);

    lstLock = new TqvListView(splLock);
    lstLock->setObjectName(QStringLiteral("lstLock"));
    lstLock->setRootIsDecorated(false);
    lstLock->setSelectionBehavior(QAbstractItemView::SelectRows);
    lstLock->setSelectionMode(QAbstractItemView::SingleSelection);
    lstLock->setEditTriggers(QAbstractItemView::NoEditTriggers);
    QStringList captions;
    for (const flock::LockColumn &c : flock::lockColumns)
        captions << QString::fromUtf8(c.caption);
    lstLock->setHeaderLabels(captions);
    for (int i = 0; i < int(std::size(flock::lockColumns)); ++i)
        lstLock->setColumnWidth(i, flock::lockColumns[i].width);

    txtQuery = new TqvMemo(splLock);
    txtQuery->setObjectName(QStringLiteral("txtQuery"));
    txtQuery->setReadOnly(true);
    txtQuery->setFixedHeight(179);
    // The statement pane keeps its height.
    splLock->handle(1)->setEnabled(false);
    splLock->setHandleWidth(0);

    mnuTool = new QMenuBar(this);
    mnuTool->setObjectName(QStringLiteral("mnuTool"));
    mnuTool->hide();
    QMenu *menu = mnuTool->addMenu(QStringLiteral("ロック情報(&O)"));
    menu->setObjectName(QStringLiteral("mnuLock"));
    menu->menuAction()->setProperty("GroupIndex", 2);
    auto *none = menu->addAction(QStringLiteral("（機能無し）"));
    none->setObjectName(QStringLiteral("mnuNone"));

    connect(lstLock, &QTreeWidget::itemSelectionChanged, this, [this] { lstLockSelectItem(); });

    FinishCreate();
}

void TfrmLock::LoadLocks()
{
    ConnectionWindow *connection = OwnerForm();
    MYSID = Guarded([connection] { return connection->GetMySID(); });
    lstLock->setUpdatesEnabled(false);
    lstLock->clear();
    txtQuery->clear();
    const auto endUpdate = qScopeGuard([this] { lstLock->setUpdatesEnabled(true); });
    const pg::Result rows = Guarded([connection] {
        // pg_stat_activity is read from the snapshot of the transaction's first look.
        connection->OpenSQL(ClearStatisticsSnapshotSQL());
        return connection->OpenSQL(LockListSQL(connection->DBVer()),
                                   { connection->dbsMain()->param(QStringLiteral("Database")) });
    });
    const int granted = rows.columnIndex(QStringLiteral("granted"));
    for (int row = 0; row < rows.rowCount(); ++row) {
        auto *item = new QTreeWidgetItem(lstLock);
        int column = 0;
        for (const char *name : { "pid", "locktype", "usename", "datname", "relname", "mode" })
            item->setText(column++, rows.text(row, QLatin1String(name)));
        item->setText(flock::heldColumn,
                      rows.value(row, granted).toBool() ? QStringLiteral("保持") : flock::waiting);
        item->setText(flock::heldColumn + 1, rows.text(row, QStringLiteral("duration")));
        item->setText(flock::lockQueryColumn, rows.text(row, rows.columnCount() - 1));
        paintRow(item);
    }
    lstLock->SortItems();
}

void TfrmLock::paintRow(QTreeWidgetItem *item) const
{
    bool ok = false;
    const int pid = item->text(0).trimmed().toInt(&ok);
    QColor color;
    if (item->text(flock::heldColumn) == flock::waiting)
        color = flock::waitingRowColor;
    else if (ok && pid == MYSID)
        color = flock::ownLockColor;
    if (!color.isValid())
        return;
    for (int c = 0; c < lstLock->columnCount(); ++c)
        item->setForeground(c, color);
}

void TfrmLock::lstLockSelectItem()
{
    txtQuery->clear();
    const QList<QTreeWidgetItem *> selected = lstLock->selectedItems();
    if (!selected.isEmpty())
        txtQuery->setText(selected.first()->text(flock::lockQueryColumn));
}
