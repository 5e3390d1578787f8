#include "sqllog.h"

#include "core/qvencoding.h"
#include "core/qvmsgbox.h"
#include "core/qvoption.h"
#include "core/qvsub.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace {

const QString IndexName = QStringLiteral("SQLLOG.IDX");

bool containsName(const QStringList &list, const QString &name)
{
    return list.contains(name, Qt::CaseInsensitive);
}

// The encoding the index was read in, used again when it is written at close.
TqvEncoding g_indexEncoding = TqvEncoding(TqvEncoding::ShiftJis);
bool g_indexBom = false;

} // namespace

QString SQLLogFolder()
{
    QString folder = AppOption.TempDir;
    folder.replace(u'\\', u'/');
    if (!folder.isEmpty() && !folder.endsWith(u'/'))
        folder += u'/';
    return folder;
}

namespace {

// Opens file (a QSaveFile: the bytes go to a temporary file beside the target until commit)
// and writes bytes through, unbuffered, so that a short write (a full disk, a size limit) is
// seen here rather than lost in a flush that reports nothing.
void writeStaged(QSaveFile &file, const QByteArray &bytes)
{
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)
        || file.write(bytes) != bytes.size())
        throw TextFileError(file.fileName().toStdString());
}

void writeWhole(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    writeStaged(file, bytes);
    if (!file.commit())
        throw TextFileError(path.toStdString());
}

} // namespace

int SQLLogAdd(const QString &text, bool writeBom)
{
    const int capacity = AppOption.SQLBuf;
    if (capacity <= 0)
        return -1;
    QStringList list = SQLLogList;
    if (list.size() >= capacity)
        list.removeLast();
    const QString folder = SQLLogFolder();
    for (int n = 1; n <= capacity; ++n) {
        const QString name = QStringLiteral("SQLLOG%1.SQL").arg(n);
        if (containsName(list, name))
            continue;
        list.insert(0, name);
        // The number taken is often the dropped entry's, whose file the index on disk still
        // lists: the new text waits in a temporary file until the new index is in place, so
        // a failed write leaves both files as they were.
        const TqvEncoding encoding = GetFileEncoding();
        const QString indexPath = folder + IndexName;
        bool indexWritten = false;
        try {
            if (!QDir().mkpath(folder))
                throw TextFileError("folder");
            QSaveFile entry(folder + name);
            writeStaged(entry, EncodeText(text, encoding, writeBom));
            writeWhole(indexPath, EncodeText(JoinLines(list), encoding, writeBom));
            indexWritten = true;
            if (!entry.commit())
                throw TextFileError(name.toStdString());
        } catch (const std::exception &) {
            if (indexWritten) {
                // the entry's rename failed after the index: put the old index back
                try {
                    writeWhole(indexPath, EncodeText(JoinLines(SQLLogList), encoding, writeBom));
                } catch (const std::exception &) {
                    // the failure below is reported either way
                }
            }
            ShowMessageBox(
                QStringLiteral("ファイルのアクセスに失敗しました。OSの権限を見直してください。"),
                MB_OK | MB_ICONERROR);
            return -1;
        }
        SQLLogList = list;
        return 0;
    }
    // Every number is taken (the option was lowered): the dropped name goes with a later write.
    SQLLogList = list;
    return -1;
}

QString SQLLogRead(int index)
{
    if (index < 0 || index >= SQLLogList.size())
        return QString();
    QFile file(SQLLogFolder() + SQLLogList.at(index));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return DecodeText(file.readAll(), GetFileEncoding());
}

void SQLLogLoadIndex()
{
    SQLLogList.clear();
    g_indexEncoding = GetFileEncoding();
    g_indexBom = false;
    QFile file(SQLLogFolder() + IndexName);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray bytes = file.readAll();
    int length = 0;
    TqvEncoding detected;
    if (DetectByteOrderMark(bytes, &detected, &length)) {
        g_indexEncoding = detected;
        g_indexBom = true;
    }
    for (const QString &line : SplitLines(DecodeText(bytes, g_indexEncoding))) {
        if (!line.trimmed().isEmpty())
            SQLLogList << line.trimmed();
    }
}

void SQLLogSaveIndex()
{
    if (!QDir().mkpath(SQLLogFolder()))
        throw TextFileError(
            QString(QStringLiteral("フォルダを作成できません: ") + SQLLogFolder()).toStdString());
    SaveStringsToFile(SQLLogFolder() + IndexName, SQLLogList, g_indexEncoding, g_indexBom);
}
