#include "qvfile.h"

#include "qvencoding.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace qvfile {

bool createExclusively(const QString &path, QString *error)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return true;
    if (error && !QFileInfo::exists(path))
        *error = file.errorString();
    return false;
}

} // namespace qvfile

QString RemoveInvalidFileChars(const QString &s)
{
    QString out;
    out.reserve(s.size());
    for (const QChar c : s) {
        switch (c.unicode()) {
        case u'/':
        case u'\\':
        case u'*':
        case u'?':
        case u':':
        case u'<':
        case u'>':
        case u'"':
        case u'|':
        case 0x7F:
            continue;
        default:
            if (c.unicode() < 0x20)
                continue;
            out += c;
        }
    }
    while (out.contains(QStringLiteral("..")))
        out.replace(QStringLiteral(".."), QString());
    if (out == QStringLiteral("."))
        out.clear();
    return out;
}

QString GetUniqueFileName(const QString &fileName)
{
    QString error;
    if (qvfile::createExclusively(fileName, &error))
        return fileName;
    if (!error.isEmpty())
        throw TextFileError(QStringLiteral("ファイル「%1」を作成できません: %2")
                                .arg(fileName, error)
                                .toStdString());

    // The extension is the part after the last dot of the file part, not of a folder.
    const qsizetype slash = fileName.lastIndexOf(u'/');
    qsizetype dot = fileName.lastIndexOf(u'.');
    if (dot <= slash)
        dot = fileName.size();
    const QString base = fileName.left(dot);
    const QString ext = fileName.mid(dot);
    for (int n = 1; n < 100000; ++n) {
        const QString candidate = base + QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0')) + ext;
        if (qvfile::createExclusively(candidate, &error))
            return candidate;
        if (!error.isEmpty())
            throw TextFileError(QStringLiteral("ファイル「%1」を作成できません: %2")
                                    .arg(candidate, error)
                                    .toStdString());
    }
    throw TextFileError(QStringLiteral("ファイル「%1」の空いている名前が見つかりません。")
                            .arg(fileName)
                            .toStdString());
}

void ForceFolder(const QString &folder)
{
    if (folder.isEmpty() || QDir().mkpath(folder))
        return;
    throw TextFileError(
        QStringLiteral("フォルダ「%1」を作成できません。").arg(folder).toStdString());
}
