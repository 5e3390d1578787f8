#include "qvwhere.h"

#include "qvencoding.h"
#include "qvfile.h"
#include "qvinifile.h"
#include "qvoption.h"

namespace qvwhere {

const QString section = QStringLiteral("WHERE");

QString key(int index)
{
    return QStringLiteral("%1").arg(index, 2, 10, QLatin1Char('0'));
}

} // namespace qvwhere

QString GetObjectIniFileName(const QString &schema, const QString &objectName)
{
    QString folder = AppOption.TempDir;
    if (!folder.isEmpty() && !folder.endsWith(u'/'))
        folder += u'/';
    return folder + RemoveInvalidFileChars(schema + u'.' + objectName + ".ini");
}

void LoadWhereList(const QString &schema, const QString &objectName, QStringList &items)
{
    items.clear();
    if (objectName.isEmpty())
        return;
    ForceFolder(AppOption.TempDir);
    const TqvMemIniFile ini(GetObjectIniFileName(schema, objectName), GetFileEncoding());
    for (int i = 0; i < WhereListCapacity; ++i) {
        const QString value = ini.ReadString(qvwhere::section, qvwhere::key(i), QString());
        if (!value.isEmpty())
            items << value;
    }
}

void SaveWhereList(const QString &schema, const QString &objectName, const QStringList &items)
{
    if (objectName.isEmpty())
        return;
    ForceFolder(AppOption.TempDir);
    TqvMemIniFile ini(GetObjectIniFileName(schema, objectName), GetFileEncoding());
    ini.EraseSection(qvwhere::section);
    int written = 0;
    for (const QString &item : items) {
        if (written == WhereListCapacity)
            break;
        if (item.isEmpty())
            continue;
        ini.WriteString(qvwhere::section, qvwhere::key(written++), item);
    }
    ini.UpdateFile();
}
