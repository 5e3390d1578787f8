#include "qvworkspace.h"

#include "qvreg.h"
#include "qvsub.h"

#include <algorithm>

QList<TqvWorkSpace> WorkSpaces;

namespace qvworkspace {

QString keyPath()
{
    return QString::fromLatin1(QvRegistryRoot) + QStringLiteral("\\WORKSPACE");
}

// Numbered subkeys by their number, then any other names in the order given.
QStringList inNumericOrder(const QStringList &names)
{
    QList<std::pair<qulonglong, QString>> numbered;
    QStringList others;
    for (const QString &name : names) {
        bool ok = false;
        const qulonglong n = name.toULongLong(&ok);
        if (ok && !name.startsWith(u'+'))
            numbered.append({ n, name });
        else
            others << name;
    }
    std::stable_sort(numbered.begin(), numbered.end(),
                     [](const auto &a, const auto &b) { return a.first < b.first; });
    QStringList ordered;
    for (const auto &entry : numbered)
        ordered << entry.second;
    return ordered + others;
}

} // namespace qvworkspace

bool WorkSpaceKeepsOid(int objectType)
{
    return objectType == 51 || objectType == 52 || objectType == 128;
}

bool WorkSpaceKeepsTableName(int objectType)
{
    return objectType == 57 || objectType == 66 || objectType == 127;
}

void LoadWorkSpace()
{
    TqvRegistry &registry = *AppRegistry;
    const QString root = qvworkspace::keyPath();
    QStringList names;
    if (registry.OpenKey(root, true)) {
        names = registry.GetKeyNames();
        registry.CloseKey();
    }

    QList<TqvWorkSpace> entries;
    for (const QString &name : qvworkspace::inNumericOrder(names)) {
        if (!registry.OpenKey(root + u'\\' + name, false))
            continue;
        TqvWorkSpace entry;
        entry.ObjectType = registry.GetInteger(QStringLiteral("ObjectType"), 45);
        entry.Title = registry.GetString(QStringLiteral("Title"), QString());
        entry.Schema = registry.GetString(QStringLiteral("Schema"), QString());
        entry.ObjectName = registry.GetString(QStringLiteral("ObjectName"), QString());
        entry.Connect = registry.GetString(QStringLiteral("Connect"), QString());
        if (WorkSpaceKeepsOid(entry.ObjectType)) {
            const auto value = registry.ReadValue(QStringLiteral("oid"));
            if (value && value->kind == reg::ValueKind::DWord)
                entry.oid = value->dword;
        } else if (WorkSpaceKeepsTableName(entry.ObjectType)) {
            entry.TableName = registry.GetString(QStringLiteral("TableName"), QString());
        }
        registry.CloseKey();
        entries << entry;
    }
    WorkSpaces = entries;
}

void SaveWorkSpace()
{
    TqvRegistry &registry = *AppRegistry;
    const QString root = qvworkspace::keyPath();
    reg::SettingsBatch batch(*registry.store());
    try {
        registry.DeleteKey(root);
        for (qsizetype i = 0; i < WorkSpaces.size(); ++i) {
            const TqvWorkSpace &entry = WorkSpaces.at(i);
            if (!registry.OpenKey(root + u'\\' + QString::number(i), true))
                throw reg::RegistryError("cannot create the workspace key");
            registry.WriteInteger(QStringLiteral("ObjectType"), entry.ObjectType);
            registry.WriteString(QStringLiteral("Title"), entry.Title);
            registry.WriteString(QStringLiteral("Schema"), entry.Schema);
            registry.WriteString(QStringLiteral("ObjectName"), entry.ObjectName);
            registry.WriteString(QStringLiteral("Connect"), entry.Connect);
            if (WorkSpaceKeepsOid(entry.ObjectType))
                registry.WriteValue(QStringLiteral("oid"), reg::Value::fromDWord(entry.oid));
            else if (WorkSpaceKeepsTableName(entry.ObjectType))
                registry.WriteString(QStringLiteral("TableName"), entry.TableName);
            registry.CloseKey();
        }
        batch.commit();
    } catch (...) {
        registry.CloseKey();
        throw;
    }
}
