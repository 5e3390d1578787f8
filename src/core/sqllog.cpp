#include "sqllog.h"

#include "core/qvencoding.h"
#include "core/qvmsgbox.h"
#include "core/qvoption.h"
#include "core/qvsub.h"

#include <QDir>
#include <QFile>

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
        try {
            if (!QDir().mkpath(folder))
                throw TextFileError("folder");
            const TqvEncoding encoding = GetFileEncoding();
            SaveTextFile(folder + name, text, encoding, writeBom);
            SaveStringsToFile(folder + IndexName, list, encoding, writeBom);
        } catch (const std::exception &) {
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
