#include "qvobjeditors.h"

#include "qvencoding.h"
#include "qvexcept.h"
#include "qvmsgbox.h"
#include "qvobjtype.h"

#include <QBuffer>
#include <QFileDevice>
#include <QHash>
#include <QIODevice>
#include <QWidget>

namespace qvobjeditors {

QHash<int, TObjectEditor> &registry()
{
    static QHash<int, TObjectEditor> editors;
    return editors;
}

// The kind a code shares its editor with; 0 when it has its own only.
int sharedEditorCode(int code)
{
    switch (code) {
    case ObjType::User2:
        return ObjType::User;
    case ObjType::Schema2:
        return ObjType::Schema;
    case ObjType::Function:
    case ObjType::Package:
    case ObjType::Type:
        return ObjType::Procedure;
    default:
        return 0;
    }
}

bool usesOID(int code)
{
    return code == ObjType::Procedure || code == ObjType::Function || code == ObjType::Aggregate;
}

bool usesTable(int code)
{
    return code == ObjType::Trigger || code == ObjType::Constraint || code == ObjType::Rule
        || code == ObjType::Policy;
}

// Kinds with a data page, and the only ones whose script can name another schema and name.
bool hasRows(int code)
{
    return code == ObjType::Table || code == ObjType::View || code == ObjType::MaterializedView;
}

// How the messages name an object: its kind keyword and its schema-qualified name, with the
// table it belongs to.
QString objectLabel(const TObjectCall &call)
{
    QString kind = GetObjectTypeName(call.ObjectType);
    if (kind.isEmpty())
        kind = call.ObjectType == ObjType::Schema || call.ObjectType == ObjType::Schema2
            ? QStringLiteral("SCHEMA")
            : call.ObjectType == ObjType::Policy ? QStringLiteral("POLICY")
                                                 : QString::number(call.ObjectType);
    QString name = call.ObjectName.isEmpty() ? QStringLiteral("(新規)") : call.ObjectName;
    if (!call.Schema.isEmpty())
        name = call.Schema + QLatin1Char('.') + name;
    if (!call.TableName.isEmpty())
        name += QStringLiteral(" (") + call.TableName + QLatin1Char(')');
    return kind + QLatin1Char(' ') + name;
}

// The device back at size bytes, as far as the device allows it.
void cutBack(QIODevice &stream, qint64 size, qint64 pos)
{
    if (auto *buffer = qobject_cast<QBuffer *>(&stream)) {
        buffer->buffer().truncate(size);
        buffer->seek(pos);
    } else if (auto *file = qobject_cast<QFileDevice *>(&stream)) {
        file->flush();
        file->resize(size);
        file->seek(pos);
    }
}

} // namespace qvobjeditors

TObjectEditor RegisterObjectEditor(int code, TObjectEditor editor)
{
    TObjectEditor previous = qvobjeditors::registry().value(code);
    if (editor.Open || editor.Script)
        qvobjeditors::registry().insert(code, std::move(editor));
    else
        qvobjeditors::registry().remove(code);
    return previous;
}

TObjectEditor RegisteredObjectEditor(int code)
{
    return qvobjeditors::registry().value(code);
}

TObjectCall ObjectCallFor(int code, const QString &Schema, const QString &ObjectName,
                          TOpenMode OpenMode, int DefTopRecord, qint64 OID,
                          const QString &TableName, const QString &NewSchema,
                          const QString &NewObjectName)
{
    using namespace qvobjeditors;
    TObjectCall call;
    call.ObjectType = code;
    call.Schema = Schema;
    call.ObjectName = ObjectName;
    call.OpenMode = OpenMode;
    if (code == ObjType::TablePartition || code == ObjType::IndexPartition)
        return call; // the partition's name alone; OpenObjectWindow finds its table or index
    if (hasRows(code)) {
        call.DefTopRecord = DefTopRecord;
        call.NewSchema = NewSchema;
        call.NewObjectName = NewObjectName;
    }
    if (usesOID(code))
        call.OID = OID;
    if (usesTable(code))
        call.TableName = TableName;
    return call;
}

int OpenerCode(int code)
{
    using namespace qvobjeditors;
    if (code <= 0)
        return 0;
    if (RegisteredObjectEditor(code).Open)
        return code;
    const int shared = sharedEditorCode(code);
    return shared && RegisteredObjectEditor(shared).Open ? shared : 0;
}

int ScriptWriterCode(int code)
{
    using namespace qvobjeditors;
    if (code <= 0 || code == ObjType::Schema2 || code == ObjType::TablePartition
        || code == ObjType::IndexPartition)
        return 0;
    if (RegisteredObjectEditor(code).Script)
        return code;
    const int shared = sharedEditorCode(code);
    return shared && RegisteredObjectEditor(shared).Script ? shared : 0;
}

QWidget *OpenObjectWindow(ConnectionWindow *owner, const TObjectCall &call)
{
    using namespace qvobjeditors;
    if (call.ObjectType == ObjType::TablePartition || call.ObjectType == ObjType::IndexPartition) {
        // "table.partition" is edited through its table (or index) "table", without a row
        // limit; an empty name there would open a new object instead
        const qsizetype dot = call.ObjectName.indexOf(QLatin1Char('.'));
        if (dot <= 0) {
            ShowMessageBox(objectLabel(call)
                               + QStringLiteral("\nパーティション名にテーブル名がありません。"),
                           MB_OK | MB_ICONWARNING);
            return nullptr;
        }
        TObjectCall whole = call;
        whole.ObjectType
            = call.ObjectType == ObjType::TablePartition ? ObjType::Table : ObjType::Index;
        whole.ObjectName = call.ObjectName.left(dot);
        whole.DefTopRecord = 0;
        return OpenObjectWindow(owner, whole);
    }
    const int code = OpenerCode(call.ObjectType);
    if (!code) {
        ShowMessageBox(
            objectLabel(call)
                + QStringLiteral("\nこの種類のオブジェクトを開くウィンドウはありません。"),
            MB_OK | MB_ICONWARNING);
        return nullptr;
    }
    try {
        return RegisteredObjectEditor(code).Open(owner, call);
    } catch (const SilentAbort &) {
        return nullptr;
    } catch (...) {
        ShowMessageBox(objectLabel(call) + QStringLiteral("\nウィンドウを開けませんでした。\n")
                           + ExceptionText(std::current_exception()),
                       MB_OK | MB_ICONERROR);
        return nullptr;
    }
}

TqvEncoding ScriptStreamEncoding(const QIODevice &stream)
{
    if (qobject_cast<const QBuffer *>(&stream))
        return TqvEncoding(TqvEncoding::Utf16LE);
    return GetFileEncoding();
}

QByteArray ScriptStreamBytes(const QStringList &lines, const QIODevice &stream)
{
    return ScriptStreamEncoding(stream).encode(JoinLines(lines));
}

bool WriteObjectScript(ConnectionWindow *owner, const TObjectCall &call, QIODevice &stream)
{
    using namespace qvobjeditors;
    const int code = ScriptWriterCode(call.ObjectType);
    if (!code) {
        ShowMessageBox(
            objectLabel(call)
                + QStringLiteral("\nこの種類のオブジェクトのスクリプトは出力できません。"),
            MB_OK | MB_ICONWARNING);
        return false;
    }
    QStringList lines;
    try {
        lines = RegisteredObjectEditor(code).Script(owner, call);
    } catch (const SilentAbort &) {
        // the writer has told the user already
        return false;
    } catch (...) {
        ShowMessageBox(objectLabel(call) + QStringLiteral("\nスクリプトを出力できませんでした。\n")
                           + ExceptionText(std::current_exception()),
                       MB_OK | MB_ICONERROR);
        return false;
    }
    if (lines.isEmpty()) {
        // an object always has a CREATE statement; nothing means the writer lost it
        ShowMessageBox(objectLabel(call) + QStringLiteral("\nスクリプトが空です。"),
                       MB_OK | MB_ICONERROR);
        return false;
    }
    const QByteArray bytes = ScriptStreamBytes(lines, stream);
    const qint64 size = stream.isSequential() ? -1 : stream.size();
    const qint64 pos = stream.isSequential() ? -1 : stream.pos();
    qint64 written = stream.isWritable() ? stream.write(bytes) : -1;
    // a file takes the bytes into its buffer first; the disk has the last word
    if (auto *file = qobject_cast<QFileDevice *>(&stream); file && written > 0 && !file->flush())
        written = 0;
    if (written == bytes.size())
        return true;
    if (size >= 0 && stream.isWritable())
        cutBack(stream, size, pos);
    QString reason = stream.errorString();
    if (reason.isEmpty() || !stream.isWritable())
        reason = QStringLiteral("書き込み先に書き込めません。");
    ShowMessageBox(objectLabel(call) + QStringLiteral("\nスクリプトを書き込めませんでした。\n")
                       + reason,
                   MB_OK | MB_ICONERROR);
    return false;
}
