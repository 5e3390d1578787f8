#include "tbldata.h"

#include "tblscript.h"

#include "core/qvappwindows.h"
#include "core/qvcancel.h"
#include "core/qvencoding.h"
#include "core/qvfile.h"
#include "core/qvname.h"
#include "core/qvobjeditors.h"
#include "core/qvoption.h"
#include "core/qvstr.h"
#include "platform/pg/connection.h"
#include "platform/pg/param.h"
#include "platform/pg/transaction.h"
#include "ui/qvforms.h"

#include <QDir>
#include <QFile>
#include <QIODevice>

namespace {

constexpr int tdatFetchSize = 1000;
constexpr int tdatWrapWidth = 70;

bool tdatIsFiniteNumberText(const QString &text)
{
    bool digit = false;
    for (const QChar c : text) {
        if (c.isDigit() && c.unicode() < 128)
            digit = true;
        else if (c != QLatin1Char('.') && c != QLatin1Char('-') && c != QLatin1Char('+')
                 && c != QLatin1Char('e') && c != QLatin1Char('E'))
            return false;
    }
    return digit;
}

QString tdatQualifiedName(const QString &schema, const QString &name)
{
    return QuoteName(schema) + QLatin1Char('.') + QuoteName(name);
}

QList<const TTableColumn *> tdatDataColumns(const TTableDefinition &def)
{
    QList<const TTableColumn *> columns;
    for (const TTableColumn &column : def.Columns) {
        if (column.Generated.isNull())
            columns << &column;
    }
    return columns;
}

void tdatWriteText(QIODevice &device, const QStringList &lines, const TqvEncoding &encoding)
{
    const QByteArray bytes = encoding.encode(JoinLines(lines));
    if (device.write(bytes) != bytes.size())
        throw TextFileError(QStringLiteral("スクリプトを書き込めませんでした: %1")
                                .arg(device.errorString())
                                .toStdString());
}

} // namespace

DataOutputCancelled::DataOutputCancelled()
    : std::runtime_error(QStringLiteral("データ出力は中断されました。").toStdString())
{ }

QString DataValueText(const QString &text, quint32 typeOid, const QString &typeText)
{
    if (text.isNull())
        return QStringLiteral("null");
    switch (typeOid) {
    case pg::type::Int2:
    case pg::type::Int4:
    case pg::type::Int8:
    case pg::type::OidType:
    case 700: // float4
    case pg::type::Float8:
    case pg::type::Numeric:
        if (tdatIsFiniteNumberText(text))
            return text;
        break;
    case pg::type::Bool:
        return text == QLatin1String("t") ? QStringLiteral("true") : QStringLiteral("false");
    case pg::type::Bytea:
        return QuoteLiteral(text) + QStringLiteral("::bytea");
    default:
        break;
    }
    return QuoteLiteralLine(text) + QStringLiteral("::") + typeText;
}

QString DataInsertHead(const TTableDefinition &def, const QString &tableName)
{
    QString head = QStringLiteral("INSERT INTO ") + tableName;
    const QList<const TTableColumn *> columns = tdatDataColumns(def);
    if (columns.size() != def.Columns.size()) {
        QStringList names;
        for (const TTableColumn *column : columns)
            names << QuoteName(column->Name);
        head += QStringLiteral(" (") + names.join(QStringLiteral(", ")) + QLatin1Char(')');
    }
    for (const TTableColumn *column : columns) {
        if (column->Identity == QLatin1Char('a')) {
            head += QStringLiteral(" OVERRIDING SYSTEM VALUE");
            break;
        }
    }
    return head + QStringLiteral(" VALUES(");
}

qint64 WriteTableData(pg::Connection &connection, const TTableDefinition &def,
                      const QString &tableName,
                      const std::function<void(const QStringList &)> &sink,
                      const std::function<bool(qint64, qint64)> &progress)
{
    const QList<const TTableColumn *> columns = tdatDataColumns(def);
    QStringList select;
    QStringList types;
    for (const TTableColumn *column : columns) {
        select << QuoteName(column->Name);
        types << column->TypeText;
    }
    const QString source = (def.IsPartitioned() ? QString() : QStringLiteral("ONLY "))
        + tdatQualifiedName(def.Schema, def.Name);
    const QString head = DataInsertHead(def, tableName);
    const qint64 estimate
        = connection
              .exec(QStringLiteral(
                        "SELECT greatest(reltuples, 0)::bigint FROM pg_class WHERE oid = $1"),
                    { pg::Param(QString::number(def.Oid), pg::type::OidType) })
              .text(0, 0)
              .toLongLong();

    pg::Transaction tx(connection);
    qint64 done = 0;
    {
        // Values in forms that read back the same whatever the loading session's settings.
        const SessionSettingsScope settings(
            connection,
            { { QStringLiteral("DateStyle"), QStringLiteral("ISO, YMD") },
              { QStringLiteral("IntervalStyle"), QStringLiteral("postgres") },
              { QStringLiteral("extra_float_digits"), QStringLiteral("3") },
              { QStringLiteral("bytea_output"), QStringLiteral("hex") } });
        const QString cursor = QStringLiteral("corvane_table_rows");
        connection.exec(
            QStringLiteral("DECLARE ") + cursor + QStringLiteral(" NO SCROLL CURSOR FOR SELECT ")
            + (select.isEmpty() ? QStringLiteral("1") : select.join(QStringLiteral(", ")))
            + QStringLiteral(" FROM ") + source);
        const QString fetch = QStringLiteral("FETCH FORWARD %1 FROM ").arg(tdatFetchSize) + cursor;
        for (;;) {
            const pg::Result rows = connection.exec(fetch);
            for (int r = 0; r < rows.rowCount(); ++r) {
                QStringList lines { head };
                for (int c = 0; c < columns.size(); ++c) {
                    lines.last()
                        += DataValueText(rows.text(r, c), rows.fields().at(c).typeOid, types.at(c));
                    if (c + 1 < columns.size())
                        lines.last() += QLatin1Char(',');
                    if (lines.last().size() > tdatWrapWidth)
                        lines << QString();
                }
                lines.last() += QLatin1Char(')');
                lines << QStringLiteral(";");
                sink(lines);
            }
            done += rows.rowCount();
            if (progress && !progress(done, qMax(done, estimate)))
                throw DataOutputCancelled();
            if (rows.rowCount() < tdatFetchSize)
                break;
        }
        connection.exec(QStringLiteral("CLOSE ") + cursor);
    }
    tx.commit();

    for (const TTableColumn &column : def.Columns) {
        if (column.HasSequence && !column.Sequence.LastValue.isEmpty())
            sink({ QStringLiteral("SELECT pg_catalog.setval(")
                       + QuoteLiteral(
                           tdatQualifiedName(column.Sequence.Schema, column.Sequence.Name))
                       + QStringLiteral(", ") + column.Sequence.LastValue
                       + QStringLiteral(", true)"),
                   QStringLiteral(";") });
    }
    return done;
}

std::unique_ptr<QFile> TTableDataRun::open(const QString &path)
{
    auto file = std::make_unique<QFile>(path);
    const bool first = !m_opened.contains(path);
    const QIODevice::OpenMode mode
        = QIODevice::WriteOnly | (first ? QIODevice::Truncate : QIODevice::Append);
    if (!file->open(mode))
        throw TextFileError(QStringLiteral("データファイル %1 を開けませんでした: %2")
                                .arg(path, file->errorString())
                                .toStdString());
    m_opened.insert(path);
    return file;
}

QString TableDataFilePath(const TScriptOption &options, bool treeBySchema, const QString &Schema,
                          const QString &ObjectName)
{
    QString root = QDir::fromNativeSeparators(options.Path);
    root.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (!root.isEmpty() && !root.endsWith(QLatin1Char('/')))
        root += QLatin1Char('/');
    const QString schema = RemoveInvalidFileChars(Schema);
    const QString table = RemoveInvalidFileChars(ObjectName);
    if (schema.isEmpty() || (options.InsertMode == 1 && table.isEmpty()))
        throw TextFileError(QStringLiteral("%1.%2 のデータファイル名を作れませんでした。")
                                .arg(Schema, ObjectName)
                                .toStdString());
    QString folder;
    QString file;
    if (options.InsertMode == 2) {
        if (options.Dir && treeBySchema)
            folder = root + schema;
        else if (options.Dir)
            folder = root + QStringLiteral("TABLE");
        else
            folder = root;
        file = QStringLiteral("_DATA.SQL");
    } else if (treeBySchema) {
        folder = root + schema + QStringLiteral("/DATA");
        file = table + QStringLiteral(".SQL");
    } else {
        folder = root + QStringLiteral("DATA/") + schema;
        file = table + QStringLiteral(".SQL");
    }
    if (!folder.isEmpty())
        ForceFolder(folder);
    return (folder.isEmpty() || folder.endsWith(QLatin1Char('/')) ? folder
                                                                  : folder + QLatin1Char('/'))
        + file;
}

void GetTableScript(ConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
                    QIODevice &Stream, const QString &NewSchema, const QString &NewObjectName,
                    bool Index, TTableDataRun *run, bool treeBySchema)
{
    pg::Connection &connection = *AOwner->dbsMain();
    const quint32 oid = FindTableOid(connection, Schema, ObjectName);
    if (oid == 0)
        throw std::runtime_error(QStringLiteral("テーブル %1.%2 の定義情報を読み込めませんでした。")
                                     .arg(Schema, ObjectName)
                                     .toStdString());
    TTableDefinition def = LoadTableDefinition(connection, oid);
    const bool renaming = !NewSchema.isEmpty() && !NewObjectName.isEmpty();
    const QString logon = connection.param(QStringLiteral("MetaDefSchema"));
    TTableScriptOptions options;
    options.TablePrefix = RefSchemaPrefix(renaming ? NewSchema : Schema, logon, smText);
    options.Storage = ScriptOption.Storage;
    options.Indexes = ScriptOption.Index;
    options.Grants = ScriptOption.Grant;
    if (renaming) {
        options.NewName = NewObjectName;
        options.KeepKeyNames = Index;
    }
    QStringList lines = TableCreateScript(def, options);
    DeleteBlankLines(lines);
    const TqvEncoding streamEncoding = ScriptStreamEncoding(Stream);
    tdatWriteText(Stream, lines, streamEncoding);
    if (!ScriptOption.Insert)
        return;

    if (renaming) {
        for (TTableColumn &column : def.Columns)
            column.Sequence.LastValue.clear();
    }
    const QString tableName
        = options.TablePrefix + QuoteName(renaming ? NewObjectName : ObjectName);
    const bool intoStream = ScriptOption.InsertMode == 0 || ScriptOption.OneScript
        || (ScriptOption.InsertMode != 1 && ScriptOption.InsertMode != 2);
    TTableDataRun ownRun;
    std::unique_ptr<QFile> file;
    QIODevice *target = &Stream;
    TqvEncoding encoding = streamEncoding;
    const auto sink = [&](const QStringList &statement) {
        if (!target) {
            file = (run ? run : &ownRun)
                       ->open(TableDataFilePath(ScriptOption, treeBySchema, Schema, ObjectName));
            target = file.get();
            encoding = GetFileEncoding();
        }
        tdatWriteText(*target, statement, encoding);
    };
    if (!intoStream)
        target = nullptr; // the data file is opened with the first row only
    const CancelGuard guard;
    MainWindowServices *services = mainWindowServices();
    const auto progress = [&](qint64 done, qint64 total) {
        if (services)
            services->SetLoopMessage(int(qMin<qint64>(done, INT_MAX)),
                                     int(qMin<qint64>(total, INT_MAX)));
        return !EscapePressed();
    };
    try {
        WriteTableData(connection, def, tableName, sink, progress);
    } catch (...) {
        if (services)
            services->SetDefMessage();
        throw;
    }
    if (services)
        services->SetDefMessage();
}
