// Printing the CREATE scripts of the object list's selection.
#include "fobject.h"
#include "fobjectlistsql.h"

#include "core/qvmsgbox.h"
#include "core/qvobjtype.h"
#include "platform/pg/result.h"
#include "ui/fprint.h"
#include "ui/qvcomctrls.h"

#include <QBuffer>
#include <QTreeWidgetItem>

namespace fobjectprint {

// An index that backs a primary key or unique constraint of the same name prints with its
// table's script, not on its own.
constexpr char constraintIndexSQL[]
    = "SELECT CS.CONNAME FROM PG_CONSTRAINT CS LEFT JOIN PG_NAMESPACE NS ON CS.CONNAMESPACE = "
      "NS.OID WHERE NS.NSPNAME = :OWNER AND CS.CONNAME = :NAME AND CS.CONTYPE in ('p', 'u')";

// The lines of a script written as UTF-16 into memory.
QStringList scriptLines(const QByteArray &bytes)
{
    const QString text = QString::fromUtf16(reinterpret_cast<const char16_t *>(bytes.constData()),
                                            bytes.size() / 2);
    QStringList lines = text.split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.constLast().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace fobjectprint

void TfrmObject::actPrintExecute()
{
    TfrmPrint::ShowWindow(QStringLiteral("選択したオブジェクト"), [this] { PrintObjects(); });
}

void TfrmObject::PrintObjects()
{
    using namespace fobjectprint;
    if (SelectedObjectCount() == 0)
        return;
    TfrmPrint::BeginPrint();
    QStringList unprinted;
    try {
        // The selection stays: the print dialog calls this again for the print after a preview.
        WalkSelection(true, false, [&](QTreeWidgetItem *row) {
            const int code = ObjectRowCode(row);
            if (code == ObjType::TablePartition || code == ObjType::IndexPartition)
                return true;
            const QString schema = ObjectListSubItem(row, ObjectListSubSchema);
            const QString name = row->text(0);
            if (code == ObjType::Index
                && OpenSQL(QLatin1String(constraintIndexSQL), { schema, name }).rowCount() > 0)
                return true;
            const QString kind = ObjectListSubItem(row, ObjectListSubKind);
            int kindCode = GetObjectTypeCode(kind);
            if (kindCode < 0)
                kindCode = code;
            qint64 oid = -1;
            QString table;
            if (kind == QLatin1String("FUNCTION") || kind == QLatin1String("AGGREGATE")
                || kind == QLatin1String("PROCEDURE")) {
                bool ok = false;
                oid = ObjectListSubItem(row, ObjectListSubOID).toLongLong(&ok);
                if (!ok)
                    oid = -1;
            } else if (kind == QLatin1String("TRIGGER") || kind == QLatin1String("RULE")
                       || kind == QLatin1String("CONSTRAINT")) {
                table = ObjectListSubItem(row, ObjectListSubTable);
            }
            QBuffer buffer;
            buffer.open(QIODevice::WriteOnly);
            const QString title = schema + QLatin1Char('.') + name;
            if (!OutputScript(kindCode, schema, name, buffer, QString(), QString(), oid, table)) {
                unprinted << title;
                return true;
            }
            TfrmPrint::PrintSource(title, scriptLines(buffer.data()), true);
            return true;
        });
    } catch (...) {
        TfrmPrint::EndPrint();
        throw;
    }
    TfrmPrint::EndPrint();
    if (!unprinted.isEmpty())
        ShowMessageBox(QStringLiteral("次のオブジェクトはスクリプトを作成できなかったため、"
                                      "印刷されませんでした。\n")
                           + unprinted.join(QLatin1Char('\n')),
                       MB_OK | MB_ICONWARNING);
}
