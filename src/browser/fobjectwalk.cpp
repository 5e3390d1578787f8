// The walk over the object list's selection and the commands that act on the selected rows:
// open with a record count, run, cross reference, the windows of the selection and the
// workspace.
#include "fobject.h"
#include "fobjectlistsql.h"

#include "core/qvcancel.h"
#include "core/qvexcept.h"
#include "core/qvmsgbox.h"
#include "core/qvobjeditors.h"
#include "core/qvobjtype.h"
#include "core/qvoption.h"
#include "core/qvtoolwindows.h"
#include "core/qvwaitcursor.h"
#include "core/qvworkspace.h"
#include "ui/qvcomctrls.h"

#include <QAction>
#include <QTreeWidgetItem>

namespace fobjectwalk {

constexpr int subItemArguments = 2; // the argument text of a routine in the detail lists

bool hasOid(int code)
{
    return code == ObjType::Procedure || code == ObjType::Function || code == ObjType::Aggregate;
}

bool tableBound(int code)
{
    return code == ObjType::Trigger || code == ObjType::Constraint || code == ObjType::Rule;
}

qint64 rowOid(const QTreeWidgetItem *row)
{
    bool ok = false;
    const qint64 oid = ObjectListSubItem(row, ObjectListSubOID).toLongLong(&ok);
    return ok && oid > 0 ? oid : -1;
}

// The kinds whose editors open on their cross-reference page.
bool hasCrossPage(int code)
{
    switch (code) {
    case ObjType::Table:
    case ObjType::View:
    case ObjType::MaterializedView:
    case ObjType::Procedure:
    case ObjType::Function:
    case ObjType::Package:
    case ObjType::Type:
    case ObjType::Trigger:
    case ObjType::Rule:
    case ObjType::Sequence:
    case ObjType::Aggregate:
        return true;
    default:
        return false;
    }
}

} // namespace fobjectwalk

TfrmObject::TWalkResult
TfrmObject::WalkSelection(bool scrollIntoView, bool deselect,
                          const std::function<bool(QTreeWidgetItem *row)> &act)
{
    TWalkResult result;
    result.total = SelectedObjectCount();
    if (result.total == 0)
        return result;
    MainWindowServices *main = mainWindowServices();
    // However the walk ends: the change handler back, the list's counts in the status.
    struct Restore
    {
        TfrmObject *window;
        MainWindowServices *main;
        ~Restore()
        {
            --window->m_walking;
            if (main)
                main->SetDefMessage();
        }
    } restore { this, main };
    ++m_walking;
    const SQLWaitCursor wait;
    const CancelGuard guard;
    int step = 0;
    for (int i = 0; i < lstObject->topLevelItemCount(); ++i) {
        QTreeWidgetItem *row = lstObject->topLevelItem(i);
        if (!row->isSelected())
            continue;
        if (EscapePressed()) {
            result.cancelled = true;
            break;
        }
        if (scrollIntoView)
            lstObject->scrollToItem(row);
        ++step;
        if (main)
            main->SetLoopMessage(step, result.total);
        if (!act(row))
            break;
        ++result.handled;
        // the row is touched again only when it is still the list's
        if (deselect && i < lstObject->topLevelItemCount() && lstObject->topLevelItem(i) == row)
            row->setSelected(false);
    }
    return result;
}

void TfrmObject::actOpenDataTopExecute()
{
    if (SelectedObjectCount() == 0)
        return;
    QString count = QString::number(AppOption.DefTopRecord);
    bool keep = false;
    if (!ShowInputQuery(action("actOpenDataTop")->text(), QStringLiteral("レコード件数"), count,
                        { { QStringLiteral("既定値にする"), &keep } }, true))
        return;
    if (count.trimmed().isEmpty())
        count = QStringLiteral("0");
    const int limit = count.trimmed().toInt();
    if (keep && limit > 0)
        AppOption.DefTopRecord = limit;
    OpenSelectedObjects(omData, limit);
}

void TfrmObject::actExecExecute()
{
    using namespace fobjectwalk;
    WalkSelection(true, true, [this](QTreeWidgetItem *row) {
        const int code = ObjectRowCode(row);
        if (code != ObjType::Procedure && code != ObjType::Function && code != ObjType::Package)
            return true;
        TToolWindowArgs args;
        args.ObjectType = code;
        args.Schema = ObjectListSubItem(row, ObjectListSubSchema);
        args.ObjectName = row->text(0);
        args.OID = code == ObjType::Package ? -1 : rowOid(row);
        // a runner that could not be made ends the walk at its row
        return OpenToolWindow(QLatin1String(ToolWindowExecProc), this, args) != nullptr;
    });
}

void TfrmObject::actCrossExecute()
{
    using namespace fobjectwalk;
    WalkSelection(true, true, [this](QTreeWidgetItem *row) {
        const int code = ObjectRowCode(row);
        if (!hasCrossPage(code))
            return true;
        const TObjectEditor editor = RegisteredObjectEditor(OpenerCode(code));
        if (!editor.Open)
            return true;
        const TObjectCall call = ObjectCallFor(
            code, ObjectListSubItem(row, ObjectListSubSchema), row->text(0), omCross, 0,
            hasOid(code) ? rowOid(row) : -1,
            tableBound(code) ? ObjectListSubItem(row, ObjectListSubTable) : QString());
        // The editor is made directly: a window of that object already open, or one that gave
        // up, ends the walk at this row; other failures reach the error box.
        try {
            return editor.Open(this, call) != nullptr;
        } catch (const SilentAbort &) {
            return false;
        }
    });
}

void TfrmObject::actMatrixExecute()
{
    if (SelectedObjectCount() > 0)
        OpenToolWindow(QLatin1String(ToolWindowMatrix), this);
}

void TfrmObject::actGrantExecute()
{
    if (SelectedObjectCount() > 0)
        OpenToolWindow(QLatin1String(ToolWindowPrivileges), this);
}

void TfrmObject::actCommentExecute()
{
    if (SelectedObjectCount() > 0)
        OpenToolWindow(QLatin1String(ToolWindowComment), this);
}

void TfrmObject::actAnalyzeExecute()
{
    const int selected = SelectedObjectCount();
    if (selected == 0)
        return;
    TToolWindowArgs args;
    if (selected == 1) {
        const QTreeWidgetItem *row = FirstSelectedRow(lstObject);
        args.ObjectType = ObjectRowCode(row);
        args.Schema = ObjectListSubItem(row, ObjectListSubSchema);
        args.ObjectName = row->text(0);
    }
    OpenToolWindow(QLatin1String(ToolWindowAnalyze), this, args);
}

void TfrmObject::actAddWorkSpaceExecute()
{
    using namespace fobjectwalk;
    if (SelectedObjectCount() == 0)
        return;
    const QString key = ConnectionKey(*this);
    bool added = false;
    for (int i = 0; i < lstObject->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *row = lstObject->topLevelItem(i);
        if (!row->isSelected())
            continue;
        const int code = ObjectRowCode(row);
        const QString schema = ObjectListSubItem(row, ObjectListSubSchema);
        const QString name = row->text(0);
        const QString table = ObjectListSubItem(row, ObjectListSubTable);
        const quint32 oid = ObjectListSubItem(row, ObjectListSubOID).toUInt();
        bool duplicate = false;
        for (const TqvWorkSpace &entry : std::as_const(WorkSpaces)) {
            if (entry.ObjectType != code || entry.ObjectName != name || entry.Schema != schema
                || entry.Connect != key)
                continue;
            // A procedure blocks its overloads; functions and aggregates are told apart by
            // their object id, triggers, constraints and rules by their table.
            if ((code == ObjType::Function || code == ObjType::Aggregate) && entry.oid != oid)
                continue;
            if (tableBound(code) && entry.TableName != table)
                continue;
            duplicate = true;
            break;
        }
        if (duplicate)
            continue;
        TqvWorkSpace entry;
        entry.ObjectType = code;
        if (hasOid(code))
            entry.Title = name + QLatin1Char('(') + ObjectListSubItem(row, subItemArguments)
                + QStringLiteral(") (") + schema + QLatin1Char(')');
        else if (tableBound(code))
            entry.Title = name + QStringLiteral(" (") + schema + QLatin1Char('.') + table
                + QLatin1Char(')');
        else
            entry.Title = name + QStringLiteral(" (") + schema + QLatin1Char(')');
        entry.ObjectName = name;
        entry.Schema = schema;
        entry.Connect = key;
        if (hasOid(code))
            entry.oid = oid;
        if (tableBound(code))
            entry.TableName = table;
        WorkSpaces << entry;
        added = true;
    }
    if (!added)
        return;
    SaveWorkSpace();
    if (MainWindowServices *main = mainWindowServices())
        main->ShowWorkSpace(nullptr);
}
