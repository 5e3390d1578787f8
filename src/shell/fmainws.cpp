// The main window's workspace panel: the user's favourite objects of the open connections.
#include "fmain.h"

#include "core/qvappwindows.h"
#include "core/qvexcept.h"
#include "core/qvmsgbox.h"
#include "core/qvobjeditors.h"
#include "core/qvobjsql.h"
#include "core/qvoption.h"
#include "core/qvtoolwindows.h"
#include "core/qvworkspace.h"
#include "platform/pg/result.h"
#include "ui/qvcomctrls.h"

#include <QAction>
#include <QActionGroup>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QSet>

#include <algorithm>

namespace fmainws {

// Columns of lstWorkSpace: the title, then the sub-items; oid and table have no visible column.
enum Column { colTitle, colObjectName, colSchema, colConnect, colOid, colTableName, colCount };
constexpr int roleObjectType = Qt::UserRole;
constexpr int roleStoredTitle = Qt::UserRole + 1; // the title the entry has in the store

bool identifiedByOid(int code)
{
    return code == 51 || code == 52 || code == 128;
}

bool identifiedByTable(int code)
{
    return code == 57 || code == 66 || code == 127;
}

bool matchedByOidOnDrop(int code)
{
    return code == 52 || code == 128;
}

bool runByRunWindow(int code)
{
    return code == 51 || code == 52 || code == 53 || code == 54 || code == 128;
}

bool openableAsData(int code)
{
    return code == 45 || code == 47 || code == 61;
}

bool executable(int code)
{
    return code == 51 || code == 52 || code == 53 || code == 54;
}

int itemType(const QTreeWidgetItem *item)
{
    return item->data(colTitle, roleObjectType).toInt();
}

// The stored entry an item shows: every identifying field equal.
bool sameEntry(const TqvWorkSpace &entry, const QTreeWidgetItem *item)
{
    return entry.ObjectType == itemType(item) && entry.ObjectName == item->text(colObjectName)
        && entry.Schema == item->text(colSchema) && entry.Connect == item->text(colConnect)
        && QString::number(entry.oid) == item->text(colOid)
        && entry.TableName == item->text(colTableName);
}

// The oid and the SELECT of FindFunctionOid without (withOid false) or with the oid condition.
QString functionOidSQL(int kind, int version, bool edition, bool withOid)
{
    QString from;
    QString where;
    GetObjectListSQL(kind, from, where, version, edition);
    QString sql = QStringLiteral(" SELECT Prc.OID,       Nms.nspname,       Prc.proname ") + from
        + QLatin1Char(' ') + where
        + (where.trimmed().isEmpty() ? QStringLiteral(" WHERE") : QStringLiteral(" AND"))
        + QStringLiteral(" "
                         "       Nms.nspname   =   :OWNER"
                         " "
                         "AND    Prc.proname   =   :FNCNM");
    if (withOid)
        sql += QStringLiteral(" AND    Prc.OID       =   :OID");
    return sql;
}

// Starts the stored-program runner for a routine of the workspace.
void runProgram(ConnectionWindow *db, int kind, const QString &schema, const QString &name,
                qint64 oid)
{
    TToolWindowArgs args;
    args.ObjectType = kind;
    args.Schema = schema;
    args.ObjectName = name;
    args.OID = oid;
    OpenToolWindow(QString::fromLatin1(ToolWindowExecProc), db, args);
}

// Sends the drag and drop events of the list's viewport to the main window's handlers.
class DropFilter : public QObject
{
public:
    explicit DropFilter(TfrmMain *main)
        : QObject(main)
        , m_main(main)
    { }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto *drag = static_cast<QDropEvent *>(event);
            if (m_main->lstWorkSpaceDragOver(drag->source()))
                drag->acceptProposedAction();
            else
                drag->ignore();
            return true;
        }
        case QEvent::Drop: {
            auto *drop = static_cast<QDropEvent *>(event);
            bool taken = false;
            RunGuarded([&] { taken = m_main->lstWorkSpaceDragDrop(drop->source()); });
            if (taken)
                drop->acceptProposedAction();
            else
                drop->ignore();
            return true;
        }
        case QEvent::KeyPress: {
            // While a title is being edited, the keys go to the editor, not to the list.
            auto *key = static_cast<QKeyEvent *>(event);
            if (watched != m_main->lstWorkSpace())
                return false;
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
                RunGuarded(
                    [this] { m_main->OpenWorkSpaceItems(false, false, AppOption.OpenMode); });
                return true;
            }
            if (key->key() == Qt::Key_Delete) {
                RunGuarded([this] { m_main->mnuWorkSpaceDeleteClick(); });
                return true;
            }
            return false;
        }
        default:
            return false;
        }
    }

private:
    TfrmMain *m_main;
};

} // namespace fmainws

void TfrmMain::createWorkSpace(QWidget *parent)
{
    using namespace fmainws;
    m_lstWorkSpace = new TqvListView(parent);
    m_lstWorkSpace->setObjectName(QStringLiteral("lstWorkSpace"));
    m_lstWorkSpace->setToolTip(QStringLiteral(
        "頻繁に利用するオブジェクトを登録する事で、すばやくオブジェクト情報を参照できます。"));
    m_lstWorkSpace->setMinimumHeight(1);
    m_lstWorkSpace->setRootIsDecorated(false);
    m_lstWorkSpace->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_lstWorkSpace->setDragEnabled(true);
    m_lstWorkSpace->setAcceptDrops(true);
    m_lstWorkSpace->viewport()->setAcceptDrops(true);
    m_lstWorkSpace->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_lstWorkSpace->setColumnCount(colCount);
    m_lstWorkSpace->setHeaderLabels({ QStringLiteral("タイトル"), QStringLiteral("オブジェクト名"),
                                      QStringLiteral("スキーマ"), QStringLiteral("データベース"),
                                      QString(), QString() });
    m_lstWorkSpace->setColumnWidth(colTitle, 200);
    m_lstWorkSpace->setColumnWidth(colObjectName, 160);
    m_lstWorkSpace->setColumnWidth(colSchema, 160);
    m_lstWorkSpace->setColumnWidth(colConnect, 160);
    m_lstWorkSpace->setColumnHidden(colOid, true);
    m_lstWorkSpace->setColumnHidden(colTableName, true);
    auto *filter = new DropFilter(this);
    m_lstWorkSpace->viewport()->installEventFilter(filter);
    m_lstWorkSpace->installEventFilter(filter);
    connect(m_lstWorkSpace, &QTreeWidget::itemDoubleClicked, this,
            [this] { RunGuarded([this] { lstWorkSpaceDblClick(); }); });
    // The title edited in place (the caption of the list's in-place editor).
    connect(m_lstWorkSpace, &TqvListView::OnEdited, this,
            [this](QTreeWidgetItem *item, QString &S) {
                if (item->data(colTitle, roleStoredTitle).isValid()
                    && !RunGuarded([&] { lstWorkSpaceEdited(item, S); }))
                    S = item->data(colTitle, roleStoredTitle).toString();
            });

    m_popWorkSpace = new QMenu(m_lstWorkSpace);
    m_popWorkSpace->setObjectName(QStringLiteral("popWorkSpace"));
    auto item
        = [this](QMenu *menu, const char *name, const QString &caption, std::function<void()> run) {
              QAction *act = menu->addAction(caption);
              act->setObjectName(QString::fromLatin1(name));
              connect(act, &QAction::triggered, this, [run] { RunGuarded(run); });
              return act;
          };
    item(m_popWorkSpace, "mnuWorkSpaceOpenDefine", QStringLiteral("定義情報を開く(&O)"),
         [this] { OpenWorkSpaceItems(false, false, omDefine); });
    item(m_popWorkSpace, "mnuWorkSpaceOpenSource", QStringLiteral("ソースを開く(&S)"),
         [this] { OpenWorkSpaceItems(false, false, omSource); });
    item(m_popWorkSpace, "mnuWorkSpaceOpenData", QStringLiteral("データを開く(&T)"),
         [this] { OpenWorkSpaceItems(false, false, omData); });
    item(m_popWorkSpace, "mnuWorkSpaceOpenDataTop", QStringLiteral("データを開く(件数指定)(&M)"),
         [this] { OpenWorkSpaceItems(false, true, omData); });
    item(m_popWorkSpace, "mnuWorkSpaceExec", QStringLiteral("実行(&E)"),
         [this] { OpenWorkSpaceItems(true, false, omDefine); });
    item(m_popWorkSpace, "mnuWorkSpaceRename", QStringLiteral("名前の変更(&R)"), [this] {
        QTreeWidgetItem *current = m_lstWorkSpace->currentItem();
        if (!current || !current->isSelected()) {
            const QList<QTreeWidgetItem *> selected = m_lstWorkSpace->selectedItems();
            current = selected.isEmpty() ? nullptr : selected.first();
        }
        if (current)
            m_lstWorkSpace->EditCaption(current);
    });
    m_popWorkSpace->addSeparator();
    item(m_popWorkSpace, "mnuWorkSpaceDelete",
         QStringLiteral("ワークスペースからオブジェクトを削除する(&D)"),
         [this] { mnuWorkSpaceDeleteClick(); });
    m_popWorkSpace->addSeparator();
    QMenu *align = m_popWorkSpace->addMenu(QStringLiteral("表示位置(&A)"));
    align->menuAction()->setObjectName(QStringLiteral("mnuWorkSpaceAlign"));
    auto *sides = new QActionGroup(align);
    const struct
    {
        const char *name;
        const char *caption;
        int side;
    } sideItems[] = { { "mnuWorkSpaceTop", "上(&T)", 1 },
                      { "mnuWorkSpaceBottom", "下(&B)", 2 },
                      { "mnuWorkSpaceLeft", "左(&L)", 3 },
                      { "mnuWorkSpaceRight", "右(&R)", 4 } };
    for (const auto &side : sideItems) {
        const int to = side.side;
        QAction *act = item(align, side.name, QString::fromUtf8(side.caption), [this, to] {
            if (m_lstWorkSpace->isHidden())
                return;
            SetWorkSpaceAlign(to);
            if (!MDIChildren().isEmpty())
                ShowWorkSpace(nullptr);
        });
        act->setCheckable(true);
        sides->addAction(act);
    }
    QAction *icon = item(m_popWorkSpace, "mnuWorkSpaceIcon", QStringLiteral("アイコン表示(&V)"),
                         [this] { SetWorkSpaceStyle(0); });
    QAction *list = item(m_popWorkSpace, "mnuWorkSpaceList", QStringLiteral("リスト表示(&L)"),
                         [this] { SetWorkSpaceStyle(3); });
    icon->setCheckable(true);
    list->setCheckable(true);
    connect(m_popWorkSpace, &QMenu::aboutToShow, this, &TfrmMain::popWorkSpacePopup);
    m_lstWorkSpace->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_lstWorkSpace, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        m_popWorkSpace->popup(m_lstWorkSpace->viewport()->mapToGlobal(pos));
    });
    SetWorkSpaceStyle(0);
}

void TfrmMain::SetWorkSpaceStyle(int style)
{
    using namespace fmainws;
    m_lstWorkSpace->setProperty("ViewStyle", style);
    const bool report = style == 3;
    // Large icons: the titles alone under bigger pictures; report: every column under its title.
    m_lstWorkSpace->setHeaderHidden(!report);
    m_lstWorkSpace->setIconSize(report ? QSize(16, 16) : QSize(32, 32));
    for (int column : { colObjectName, colSchema, colConnect })
        m_lstWorkSpace->setColumnHidden(column, !report);
}

void TfrmMain::popWorkSpacePopup()
{
    using namespace fmainws;
    const QList<QTreeWidgetItem *> selected = m_lstWorkSpace->selectedItems();
    const int kind = selected.isEmpty() ? -1 : itemType(selected.first());
    auto set = [this](const char *name, bool enabled) {
        if (QAction *act = m_popWorkSpace->findChild<QAction *>(QString::fromLatin1(name)))
            act->setEnabled(enabled);
        else if (QAction *found = findChild<QAction *>(QString::fromLatin1(name)))
            found->setEnabled(enabled);
    };
    for (const char *name : { "mnuWorkSpaceOpenDefine", "mnuWorkSpaceOpenSource",
                              "mnuWorkSpaceRename", "mnuWorkSpaceDelete" })
        set(name, !selected.isEmpty());
    set("mnuWorkSpaceOpenData", openableAsData(kind));
    set("mnuWorkSpaceOpenDataTop", openableAsData(kind));
    // The runner of stored programs is a window of its own library: until it is registered
    // there is nothing to run the routine in.
    set("mnuWorkSpaceExec",
        executable(kind) && IsToolWindowRegistered(QString::fromLatin1(ToolWindowExecProc)));
    set("mnuWorkSpaceAlign", !m_lstWorkSpace->isHidden());
    const char *sides[]
        = { "mnuWorkSpaceTop", "mnuWorkSpaceBottom", "mnuWorkSpaceLeft", "mnuWorkSpaceRight" };
    for (int i = 0; i < 4; ++i) {
        if (QAction *act = findChild<QAction *>(QString::fromLatin1(sides[i])))
            act->setChecked(m_workSpaceAlign == i + 1);
    }
    const int style = m_lstWorkSpace->property("ViewStyle").toInt();
    if (QAction *act = findChild<QAction *>(QStringLiteral("mnuWorkSpaceIcon")))
        act->setChecked(style == 0);
    if (QAction *act = findChild<QAction *>(QStringLiteral("mnuWorkSpaceList")))
        act->setChecked(style == 3);
}

void TfrmMain::ShowWorkSpace(ConnectionWindow *closing)
{
    using namespace fmainws;
    QSet<QString> keys;
    const QList<QWidget *> children = MDIChildren();
    for (QWidget *child : children) {
        auto *db = dynamic_cast<ConnectionWindow *>(child);
        if (db && db != closing)
            keys.insert(ConnectionKey(*db).toLower());
    }
    const QSignalBlocker quiet(m_lstWorkSpace);
    m_lstWorkSpace->setUpdatesEnabled(false);
    m_lstWorkSpace->clear();
    LoadWorkSpace();
    for (const TqvWorkSpace &entry : std::as_const(WorkSpaces)) {
        if (!keys.contains(entry.Connect.toLower()))
            continue;
        auto *item = new QTreeWidgetItem(m_lstWorkSpace);
        item->setText(colTitle, entry.Title);
        item->setText(colObjectName, entry.ObjectName);
        item->setText(colSchema, entry.Schema);
        item->setText(colConnect, entry.Connect);
        item->setText(colOid, QString::number(entry.oid));
        item->setText(colTableName, entry.TableName);
        item->setIcon(colTitle, imgMain(entry.ObjectType));
        item->setData(colTitle, roleObjectType, entry.ObjectType);
        item->setData(colTitle, roleStoredTitle, entry.Title);
        item->setFlags(item->flags() | Qt::ItemIsEditable);
    }
    m_lstWorkSpace->SortItems();
    m_lstWorkSpace->setUpdatesEnabled(true);
}

bool TfrmMain::lstWorkSpaceDragOver(QObject *source) const
{
    auto *widget = qobject_cast<QWidget *>(source);
    if (!widget || widget->objectName() != QLatin1String("lstObject"))
        return false;
    const QList<QWidget *> children = MDIChildren();
    for (QWidget *child : children) {
        auto *db = dynamic_cast<ConnectionWindow *>(child);
        if (db && db->connectionWidget()->isAncestorOf(widget))
            return true;
    }
    return false;
}

bool TfrmMain::lstWorkSpaceDragDrop(QObject *source)
{
    using namespace fmainws;
    auto *list = qobject_cast<QTreeWidget *>(source);
    if (!list || list->objectName() != QLatin1String("lstObject"))
        return false;
    ConnectionWindow *db = nullptr;
    const QList<QWidget *> children = MDIChildren();
    for (auto it = children.crbegin(); it != children.crend() && !db; ++it) {
        auto *candidate = dynamic_cast<ConnectionWindow *>(*it);
        if (candidate && candidate->connectionWidget()->isAncestorOf(list))
            db = candidate;
    }
    if (!db)
        return false;
    const QString key = ConnectionKey(*db);
    // The rows as the connection window reads them, and the argument lists (sub-item 3) of the
    // same rows, in list order.
    const QList<TObjectCall> calls = db->SelectedObjectCalls();
    QStringList arguments;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *row = list->topLevelItem(i);
        if (row->isSelected())
            arguments << row->text(4);
    }
    LoadWorkSpace();
    bool added = false;
    for (int i = 0; i < calls.size(); ++i) {
        const TObjectCall &call = calls.at(i);
        const int code = call.ObjectType;
        const quint32 oid = identifiedByOid(code) && call.OID > 0 ? quint32(call.OID) : 0;
        const QString table = identifiedByTable(code) ? call.TableName : QString();
        const bool duplicate
            = std::any_of(WorkSpaces.cbegin(), WorkSpaces.cend(), [&](const TqvWorkSpace &e) {
                  return e.ObjectType == code && e.ObjectName == call.ObjectName
                      && e.Schema == call.Schema && e.Connect == key
                      && (!matchedByOidOnDrop(code) || e.oid == oid)
                      && (!identifiedByTable(code) || e.TableName == table);
              });
        if (duplicate)
            continue;
        TqvWorkSpace entry;
        entry.ObjectType = code;
        entry.ObjectName = call.ObjectName;
        entry.Schema = call.Schema;
        entry.Connect = key;
        entry.oid = oid;
        entry.TableName = table;
        if (code == 52 || code == 128)
            entry.Title = call.ObjectName + QLatin1Char('(') + arguments.value(i)
                + QStringLiteral(") (") + call.Schema + QLatin1Char(')');
        else if (identifiedByTable(code))
            entry.Title = call.ObjectName + QStringLiteral(" (") + call.Schema + QLatin1Char('.')
                + table + QLatin1Char(')');
        else
            entry.Title = call.ObjectName + QStringLiteral(" (") + call.Schema + QLatin1Char(')');
        WorkSpaces.append(entry);
        added = true;
    }
    if (added) {
        SaveWorkSpace();
        ShowWorkSpace(nullptr);
    }
    return true;
}

void TfrmMain::lstWorkSpaceEdited(QTreeWidgetItem *item, const QString &newTitle)
{
    using namespace fmainws;
    const QString before = item->data(colTitle, roleStoredTitle).toString();
    if (newTitle == before)
        return;
    LoadWorkSpace();
    // The entry of this very item: overloads share kind, name and schema, and differ in oid.
    for (TqvWorkSpace &entry : WorkSpaces) {
        if (sameEntry(entry, item)) {
            entry.Title = newTitle;
            SaveWorkSpace();
            break;
        }
    }
    const QSignalBlocker quiet(m_lstWorkSpace);
    item->setData(colTitle, roleStoredTitle, newTitle);
    item->setText(colTitle, newTitle);
}

void TfrmMain::mnuWorkSpaceDeleteClick()
{
    using namespace fmainws;
    const QList<QTreeWidgetItem *> selected = m_lstWorkSpace->selectedItems();
    if (selected.isEmpty())
        return;
    LoadWorkSpace();
    for (const QTreeWidgetItem *item : selected) {
        for (qsizetype i = 0; i < WorkSpaces.size(); ++i) {
            if (sameEntry(WorkSpaces.at(i), item)) {
                WorkSpaces.removeAt(i);
                break;
            }
        }
    }
    SaveWorkSpace();
    ShowWorkSpace(nullptr);
}

void TfrmMain::lstWorkSpaceDblClick()
{
    OpenWorkSpaceItems(false, false, AppOption.OpenMode);
}

bool TfrmMain::FindFunctionOid(ConnectionWindow *db, int kind, const QString &ObjectName,
                               const QString &Schema, quint32 OID)
{
    const pg::Result rows
        = db->OpenSQL(fmainws::functionOidSQL(kind, db->DBVer(), db->g_bPostgresPlus(), true),
                      { Schema, ObjectName, QString::number(OID) });
    return rows.rowCount() > 0;
}

bool TfrmMain::FindFunctionOids(ConnectionWindow *db, int kind, const QString &ObjectName,
                                const QString &Schema, QList<quint32> &OIDs)
{
    const pg::Result rows
        = db->OpenSQL(fmainws::functionOidSQL(kind, db->DBVer(), db->g_bPostgresPlus(), false),
                      { Schema, ObjectName });
    OIDs.clear();
    for (int row = 0; row < rows.rowCount(); ++row)
        OIDs << rows.text(row, 0).toUInt();
    return !OIDs.isEmpty();
}

int TfrmMain::AskRecordCount()
{
    QString value = QString::number(AppOption.DefTopRecord);
    bool asDefault = false;
    if (!ShowInputQuery(ApplicationTitle(), QStringLiteral("レコード件数"), value,
                        { { QStringLiteral("既定値にする"), &asDefault } }, true))
        return -1;
    if (value.trimmed().isEmpty())
        value = QStringLiteral("0");
    const int count = value.trimmed().toInt();
    if (asDefault && count > 0)
        AppOption.DefTopRecord = count;
    return count;
}

void TfrmMain::OpenWorkSpaceItems(bool Exec, bool AskCount, TOpenMode OpenMode)
{
    using namespace fmainws;
    bool byName = false;
    const QList<QTreeWidgetItem *> selected = m_lstWorkSpace->selectedItems();
    for (const QTreeWidgetItem *item : selected) {
        ConnectionWindow *db = GetDBForm(item->text(colConnect));
        if (!db)
            continue;
        int count = 0;
        if (OpenMode == omData && AskCount) {
            count = AskRecordCount();
            if (count < 0)
                return;
        }
        const int kind = itemType(item);
        const QString schema = item->text(colSchema);
        const QString name = item->text(colObjectName);
        const quint32 storedOid = item->text(colOid).toUInt();
        auto open = [&](qint64 oid, const QString &table) {
            if (Exec) {
                if (runByRunWindow(kind))
                    runProgram(db, kind, schema, name, oid);
            } else {
                db->OpenObject(kind, schema, name, OpenMode, count, oid, table);
            }
        };
        if (!identifiedByOid(kind) || FindFunctionOid(db, kind, name, schema, storedOid)) {
            open(identifiedByOid(kind) ? qint64(storedOid) : -1, item->text(colTableName));
            continue;
        }
        // The routine was made anew under another oid: every one of that name opens.
        QList<quint32> oids;
        FindFunctionOids(db, kind, name, schema, oids);
        for (quint32 oid : std::as_const(oids))
            open(oid, QString());
        byName = true;
    }
    if (byName)
        ShowMessageBox(QStringLiteral("OID番号が一致するオブジェクトが見つからなかった為、"
                                      "同じ名前のオブジェクトを全て開きました。\n"
                                      "オブジェクトのOID番号が変わっている可能性がある為、"
                                      "ワークスペースを登録し直して下さい。"),
                       MB_ICONWARNING);
}
