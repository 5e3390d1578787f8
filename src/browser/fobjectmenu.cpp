// The object menu and the tree menu of the connection window, the list's events and the
// in-place rename of an object.
#include "fobject.h"
#include "fobjectcmd.h"
#include "fobjectlistsql.h"

#include "core/qvexcept.h"
#include "core/qvobjeditors.h"
#include "core/qvoption.h"
#include "core/qvtoolwindows.h"
#include "platform/pg/connection.h"
#include "ui/qvcomctrls.h"
#include "ui/qvimages.h"

#include <QAction>
#include <QCursor>
#include <QMenu>
#include <QToolButton>
#include <QTreeWidgetItem>

#include <exception>

namespace fobjectmenu {

// The list commands that work already and need nothing registered.
constexpr const char *ownCommands[]
    = { "actOpen",  "actOpenDefine", "actOpenSource", "actOpenData",    "actOpenDataTop",
        "actPrint", "actDelete",     "actRename",     "actAddWorkSpace" };

// The list commands that open a window of another library, by the window's registered name.
const std::pair<const char *, const char *> windowCommands[] = {
    { "actExec", ToolWindowExecProc },    { "actMatrix", ToolWindowMatrix },
    { "actGrant", ToolWindowPrivileges }, { "actAnalyze", ToolWindowAnalyze },
    { "actComment", ToolWindowComment },
};

int nodeLevel(const QTreeWidgetItem *node)
{
    if (!node)
        return -1;
    int level = 0;
    for (const QTreeWidgetItem *up = node->parent(); up; up = up->parent())
        ++level;
    return level;
}

// The table of a constraint as the list shows it: the column "テーブル名" of a detail list.
QString listedTable(const QTreeWidget *list, const QTreeWidgetItem *row)
{
    const QTreeWidgetItem *header = list->headerItem();
    for (int column = 1; column < list->columnCount(); ++column) {
        if (header->text(column) == QLatin1String("テーブル名"))
            return row->text(column);
    }
    return QString();
}

} // namespace fobjectmenu

TObjectRow ObjectRowOf(const QTreeWidgetItem *row)
{
    TObjectRow object;
    object.code = ObjectRowCode(row);
    object.schema = ObjectListSubItem(row, ObjectListSubSchema);
    object.name = row ? row->text(0) : QString();
    object.table = ObjectListSubItem(row, ObjectListSubTable);
    object.args = ObjectListSubItem(row, ObjectListSubDropArgs);
    return object;
}

QTreeWidgetItem *FirstSelectedRow(const QTreeWidget *list)
{
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        if (list->topLevelItem(i)->isSelected())
            return list->topLevelItem(i);
    }
    return nullptr;
}

void TfrmObject::setupListEvents()
{
    lstObject->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(lstObject, &QWidget::customContextMenuRequested, this,
            [this] { RunGuarded([this] { lstObjectContextPopup(QCursor::pos()); }); });
    connect(lstObject, &QTreeWidget::itemSelectionChanged, this, [this] {
        RunGuarded([this] {
            lstObjectChange();
            // the menu bar shows the object menu: it follows the selection
            mnuObjectClick();
        });
    });
    connect(lstObject, &TqvListView::OnEditing, this,
            [this](QTreeWidgetItem *row, bool &allow) { lstObjectEditing(row, allow); });
    connect(lstObject, &TqvListView::OnEdited, this,
            [this](QTreeWidgetItem *row, QString &S) { lstObjectEdited(row, S); });
    // A slow second click on a selected name starts the rename.
    lstObject->setEditTriggers(QAbstractItemView::SelectedClicked);
    // Rows leave by drag for the workspace and the SQL windows; nothing drops onto the list.
    lstObject->setDragEnabled(true);
    lstObject->setDragDropMode(QAbstractItemView::DragOnly);
    lstObject->setDefaultDropAction(Qt::CopyAction);
    lstTree->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(lstTree, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { popTree->popup(lstTree->viewport()->mapToGlobal(pos)); });
}

void TfrmObject::lstObjectChange()
{
    if (m_walking > 0)
        return;
    if (MainWindowServices *main = mainWindowServices())
        main->SetDefMessage();
}

void TfrmObject::mnuObjectClick()
{
    using namespace fobjectmenu;
    const QTreeWidgetItem *first = FirstSelectedRow(lstObject);
    const QTreeWidgetItem *node = lstTree->currentItem();
    TObjectMenuInput input;
    input.selected = SelectedObjectCount();
    input.firstCode = ObjectRowCode(first);
    input.postgresPlus = m_postgresPlus;
    input.copyListFilled = !CopyObjectList().isEmpty();
    input.reportItems = int(mnuReport->actions().size());
    input.commandItems = int(mnuCommand->actions().size());
    input.treeSort = btnTree2->isChecked() ? 1 : 0;
    input.nodeLevel = nodeLevel(node);
    input.nodeImage = node ? node->data(0, TreeImageRole).toInt() : 0;
    const TObjectMenuState state = ObjectMenuState(input);

    mnuNew1->menuAction()->setVisible(state.newSubmenuVisible);
    QAction *actNew = action("actNew");
    actNew->setVisible(state.actNewVisible);
    if (state.actNewVisible) {
        actNew->setProperty("ImageIndex", state.actNewImage);
        actNew->setIcon(MainImage(state.actNewImage));
    }
    for (const char *name : ownCommands) {
        if (QAction *item = action(name))
            item->setEnabled(state.enabled.value(QLatin1String(name)));
    }
    for (const auto &[name, window] : windowCommands) {
        if (QAction *item = action(name))
            item->setEnabled(state.enabled.value(QLatin1String(name))
                             && IsToolWindowRegistered(QLatin1String(window)));
    }
    // The cross reference opens the first row's editor: its kind needs one.
    action("actCross")
        ->setEnabled(state.enabled.value(QStringLiteral("actCross"))
                     && RegisteredObjectEditor(OpenerCode(input.firstCode)).Open);
    mnuReport->setEnabled(state.enabled.value(QStringLiteral("mnuReport")));
    mnuCommand->setEnabled(state.enabled.value(QStringLiteral("mnuCommand")));
}

void TfrmObject::popTreePopup()
{
    FRSelected = lstTree->currentItem();
    const int level = fobjectmenu::nodeLevel(FRSelected);
    const int image = FRSelected ? FRSelected->data(0, TreeImageRole).toInt() : 0;
    const TTreeMenuState state = TreeMenuState(level, image, m_postgresPlus);
    const QList<QAction *> items = popTree->actions();
    for (QAction *item : items) {
        const QString name = item->objectName();
        item->setVisible(state.visible.value(name));
        if (name == QLatin1String("actNew")) {
            if (state.actNewImage >= 0) {
                item->setProperty("ImageIndex", state.actNewImage);
                item->setIcon(MainImage(state.actNewImage));
            }
            item->setEnabled(true);
        } else if (!item->isSeparator()) {
            const QString window = item->property("ToolWindow").toString();
            item->setEnabled(!window.isEmpty() && IsToolWindowRegistered(window));
        }
    }
}

void TfrmObject::lstObjectContextPopup(const QPoint &globalPos)
{
    mnuObjectClick();
    mnuObject->popup(globalPos);
}

void TfrmObject::actRenameExecute()
{
    if (QTreeWidgetItem *first = FirstSelectedRow(lstObject))
        lstObject->EditCaption(first);
}

void TfrmObject::lstObjectEditing(QTreeWidgetItem *row, bool &AllowEdit)
{
    AllowEdit = RenameAllowed(ObjectRowCode(row), ObjectListSubItem(row, ObjectListSubSchema),
                              LoginSchema(), m_dbVer);
}

void TfrmObject::lstObjectEdited(QTreeWidgetItem *row, QString &S)
{
    const QString old = row->text(0);
    S = RenameTypedName(S, AppOption.UseLowerName);
    if (S == old)
        return;
    QString sql;
    try {
        sql = RenameObjectSQL(ObjectRowOf(row), S, m_dbVer,
                              fobjectmenu::listedTable(lstObject, row));
        if (sql.isEmpty()) {
            S = old;
            return;
        }
        // Inside the user's open transaction the rename has a savepoint of its own: a failure
        // is undone alone and the transaction goes on.
        const pg::ContinueOnErrorScope savepoint(*m_dbsMain);
        ExecuteSQL(sql);
    } catch (const std::exception &) {
        S = old;
        ShowExceptionMessage(std::current_exception());
    }
}
