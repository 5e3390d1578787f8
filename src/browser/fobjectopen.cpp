// The connection window's dispatch to the object editors and the object list's open command.
#include "fobject.h"

#include "core/qvgrant.h"
#include "core/qvobjeditors.h"
#include "core/qvobjtype.h"
#include "core/qvoption.h"
#include "core/qvwaitcursor.h"
#include "platform/pg/connection.h"
#include "ui/qvcomctrls.h"

#include <QKeyEvent>
#include <QTreeWidgetItem>

namespace fobjectopen {

// Sub-items of a list row that name an object besides its schema and name.
constexpr int schemaSubItem = 0;
constexpr int kindSubItem = 1;
constexpr int oidSubItem = 8;
constexpr int tableSubItem = 11;

// Enter on the list goes to the window's key handler before the list sees it.
class ListKeys : public QObject
{
public:
    ListKeys(TfrmObject *window, QObject *list)
        : QObject(list)
        , m_window(window)
    { }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        // keys typed into an in-place editor reach the editor, not the list
        if (event->type() != QEvent::KeyPress || !qobject_cast<TqvListView *>(watched))
            return false;
        bool handled = false;
        RunGuarded(
            [&] { handled = m_window->lstObjectKeyDown(static_cast<QKeyEvent *>(event)->key()); });
        return handled;
    }

private:
    TfrmObject *m_window;
};

// A row of the list as the dispatch takes it; ObjectCallFor keeps the object id and the table
// only for the kinds that use them.
TObjectCall rowCall(const QTreeWidgetItem *row, TOpenMode OpenMode, int DefTopRecord)
{
    const qint64 oid = ObjectListSubItem(row, oidSubItem).toLongLong();
    return ObjectCallFor(ObjectRowCode(row), ObjectListSubItem(row, schemaSubItem), row->text(0),
                         OpenMode, DefTopRecord, oid > 0 ? oid : -1,
                         ObjectListSubItem(row, tableSubItem));
}

} // namespace fobjectopen

int ObjectRowCode(const QTreeWidgetItem *row)
{
    if (!row)
        return 0;
    const QVariant image = row->data(0, TreeImageRole);
    if (image.isValid())
        return image.toInt();
    return qMax(0, GetObjectTypeCode(ObjectListSubItem(row, fobjectopen::kindSubItem)));
}

void TfrmObject::setupObjectOpen()
{
    lstObject->installEventFilter(new fobjectopen::ListKeys(this, lstObject));
    connect(lstObject, &QTreeWidget::itemDoubleClicked, this,
            [this] { RunGuarded([this] { actOpenExecute(); }); });
}

void TfrmObject::NewObject(int objectType)
{
    const SQLWaitCursor wait;
    OpenObject(objectType, m_dbsMain->param(QStringLiteral("MetaDefSchema")), QString());
}

QList<TObjectCall> TfrmObject::SelectedObjectCalls() const
{
    QList<TObjectCall> calls;
    for (int i = 0; i < lstObject->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *row = lstObject->topLevelItem(i);
        if (row->isSelected())
            calls << fobjectopen::rowCall(row, omDefine, 0);
    }
    return calls;
}

QWidget *TfrmObject::OpenObject(int ObjectType, const QString &Schema, const QString &ObjectName,
                                TOpenMode OpenMode, int DefTopRecord, qint64 OID,
                                const QString &TableName)
{
    return OpenObjectWindow(
        this,
        ObjectCallFor(ObjectType, Schema, ObjectName, OpenMode, DefTopRecord, OID, TableName));
}

bool TfrmObject::OutputScript(int ObjectType, const QString &Schema, const QString &ObjectName,
                              QIODevice &Stream, const QString &NewSchema,
                              const QString &NewObjectName, qint64 OID, const QString &TableName)
{
    return WriteObjectScript(this,
                             ObjectCallFor(ObjectType, Schema, ObjectName, omDefine, 0, OID,
                                           TableName, NewSchema, NewObjectName),
                             Stream);
}

void TfrmObject::OutputGrant(const QString &Schema, const QString &ObjectName, QIODevice &Stream,
                             int intMode, const QString &strObjCls, const QString &strOid)
{
    // The statements are read and built before anything is written (WriteGrantScript).
    WriteGrantScript(*this, Schema, ObjectName, Stream, intMode, strObjCls, strOid);
}

void TfrmObject::actOpenExecute()
{
    OpenSelectedObjects(AppOption.OpenMode);
}

void TfrmObject::OpenSelectedObjects(TOpenMode OpenMode, int DefTopRecord)
{
    // OpenObject reports every failure itself, so the walk reaches every row.
    WalkSelection(false, true, [&](QTreeWidgetItem *row) {
        const TObjectCall call = fobjectopen::rowCall(row, OpenMode, DefTopRecord);
        OpenObject(call.ObjectType, call.Schema, call.ObjectName, call.OpenMode, call.DefTopRecord,
                   call.OID, call.TableName);
        return true;
    });
}

bool TfrmObject::lstObjectKeyDown(int Key)
{
    if (Key == Qt::Key_F2 && FirstSelectedRow(lstObject) && !lstObject->IsEditing()) {
        actRenameExecute();
        return true;
    }
    // the edit box has the keys while a name is edited
    if (lstObject->IsEditing())
        return false;
    if (Key == Qt::Key_Return || Key == Qt::Key_Enter) {
        actOpenExecute();
        return true;
    }
    if (Key == Qt::Key_Delete) {
        actDeleteExecute();
        return true;
    }
    return false;
}
