#include "fobjectbackup.h"

#include "core/qvappwindows.h"
#include "core/qvconnkey.h"
#include "core/qvencoding.h"
#include "core/qvfile.h"
#include "core/qvmsgbox.h"
#include "core/qvname.h"
#include "core/qvobjtype.h"
#include "core/qvoption.h"
#include "platform/pg/result.h"
#include "ui/fddlexec.h"

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QStringList>

#include <utility>

namespace fobjectbackup {

// The options of one side of the compile.
struct BackupOptions
{
    bool enabled;
    bool dialog;
    bool renumber;
    bool header;
    QString folder;
    QString caption; // of the save dialog
    QString headerWord; // after the date on the header line
};

BackupOptions backupOptions(bool after)
{
    if (after)
        return { AppOption.SaveAfterSrc,         AppOption.SaveAfterSrcDialog,
                 AppOption.SaveAfterSrcRenum,    AppOption.SaveAfterSrcHead,
                 AppOption.SaveAfterSrcDir,      QStringLiteral("変更後ソースの保存"),
                 QStringLiteral(" 変更後ソース") };
    return { AppOption.SaveBeforeSrc,        AppOption.SaveBeforeSrcDialog,
             AppOption.SaveBeforeSrcRenum,   AppOption.SaveBeforeSrcHead,
             AppOption.SaveBeforeSrcDir,     QStringLiteral("変更前ソースの保存"),
             QStringLiteral(" 変更前ソース") };
}

// The script-name table registered for the database ("database=schema.table" lines of the
// script-output settings); empty when there is none.
QString nameTableOf(const QString &database)
{
    for (const QString &line : std::as_const(ScriptOption.NameTable)) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq > 0 && line.left(eq).compare(database, Qt::CaseInsensitive) == 0)
            return line.mid(eq + 1);
    }
    return QString();
}

// The object's name, or the name the script-name table gives it.
QString baseName(ConnectionWindow &owner, const QString &Schema, const QString &ObjectName,
                 const QString &kind)
{
    const QString table = nameTableOf(ConnectionParams(owner).Database);
    if (table.isEmpty())
        return ObjectName;
    const pg::Result rows
        = owner.OpenSQL(QStringLiteral("SELECT SCRIPT_NAME FROM   ")
                            + QuoteNameList(table, false, QStringLiteral("."))
                            + QStringLiteral(" WHERE  OWNER         = :OWNER"
                                             " AND    OBJECT_NAME   = :OBJECT_NAME"
                                             " AND    OBJECT_TYPE   = :OBJECT_TYPE"),
                        { Schema, ObjectName, kind });
    return rows.rowCount() > 0 ? rows.text(0, 0) : ObjectName;
}

void saveSource(ConnectionWindow &owner, const QString &Schema, const QString &ObjectName,
                int ObjectType, qint64 OID, const QString &TableName, bool after)
{
    const BackupOptions options = backupOptions(after);
    if (!options.enabled)
        return;
    QString fileName = SourceBackupFileName(owner, Schema, ObjectName, ObjectType, after);
    if (options.dialog) {
        fileName = ShowSaveFileDialog(options.caption, fileName,
                                      QStringLiteral("SQLファイル(*.sql)|*.sql|"
                                                     "テキストファイル(*.txt)|*.txt|"
                                                     "すべてのファイル(*.*)|*.*"));
        if (fileName.isEmpty())
            return;
    }
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        throw TextFileError(QStringLiteral("ファイル「%1」を作成できません: %2")
                                .arg(fileName, file.errorString())
                                .toStdString());
    if (options.header) {
        const QDateTime now = QDateTime::currentDateTime();
        const QLocale locale = QLocale::system();
        const QString line = QStringLiteral("-- ")
            + locale.toString(now.date(), QLocale::ShortFormat) + QLatin1Char(' ')
            + locale.toString(now.time(), QLocale::LongFormat) + options.headerWord
            + QStringLiteral("\r\n");
        const QByteArray bytes = GetFileEncoding().encode(line);
        if (file.write(bytes) != bytes.size())
            throw TextFileError(QStringLiteral("ファイル「%1」に書き込めません: %2")
                                    .arg(fileName, file.errorString())
                                    .toStdString());
    }
    // The script writer reports a script it cannot read itself; the backup stays as it is.
    static_cast<void>(owner.OutputScript(ObjectType, Schema, ObjectName, file, QString(), QString(),
                                         OID, TableName));
}

} // namespace fobjectbackup

QString SourceBackupFileName(ConnectionWindow &owner, const QString &Schema,
                             const QString &ObjectName, int ObjectType, bool after)
{
    using namespace fobjectbackup;
    const BackupOptions options = backupOptions(after);
    const QString kind = GetObjectTypeName(ObjectType);
    QString folder = options.folder;
    if (!folder.isEmpty() && !folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    for (const QString &level : { RemoveInvalidFileChars(Schema), RemoveInvalidFileChars(kind) }) {
        if (!level.isEmpty())
            folder += level + QLatin1Char('/');
    }
    ForceFolder(folder);
    const QString base = RemoveInvalidFileChars(baseName(owner, Schema, ObjectName, kind));
    if (!options.renumber)
        return folder + base + QStringLiteral(".SQL");
    int serial = 0;
    QString candidate;
    for (;; ++serial) {
        candidate = folder + base + QLatin1Char('_')
            + QStringLiteral("%1").arg(serial, 2, 10, QLatin1Char('0')) + QStringLiteral(".SQL");
        if (serial >= 100 || !QFileInfo::exists(candidate))
            break;
    }
    return candidate;
}

void SaveBeforeSource(ConnectionWindow &owner, const QString &Schema, const QString &ObjectName,
                      int ObjectType, qint64 OID, const QString &TableName)
{
    fobjectbackup::saveSource(owner, Schema, ObjectName, ObjectType, OID, TableName, false);
}

void SaveAfterSource(ConnectionWindow &owner, const QString &Schema, const QString &ObjectName,
                     int ObjectType, qint64 OID, const QString &TableName)
{
    fobjectbackup::saveSource(owner, Schema, ObjectName, ObjectType, OID, TableName, true);
}

void RegisterSourceBackups()
{
    setSourceBackupWriter([](ConnectionWindow *owner, const TCompileRequest &req, bool after) {
        if (!owner)
            return;
        if (after)
            SaveAfterSource(*owner, req.Schema, req.ObjName, req.ObjType, req.OID, req.TableName);
        else
            SaveBeforeSource(*owner, req.Schema, req.ObjName, req.ObjType, req.OID, req.TableName);
    });
}
