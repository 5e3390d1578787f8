#include "shellfolders.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

namespace os {

namespace {

QString withSlash(QString path)
{
    if (!path.isEmpty() && !path.endsWith('/'))
        path += '/';
    return path;
}

QString fromEnvOr(const char *var, QStandardPaths::StandardLocation location)
{
    const QString env = qEnvironmentVariable(var);
    if (!env.isEmpty())
        return withSlash(QDir::fromNativeSeparators(env));
    return withSlash(QStandardPaths::writableLocation(location));
}

} // namespace

QString programFolder()
{
    QString dir = QCoreApplication::instance() ? QCoreApplication::applicationDirPath()
                                               : QDir::currentPath();
    return withSlash(dir);
}

QString documentsFolder()
{
    return fromEnvOr("CORVANE_DOCUMENT_DIR", QStandardPaths::DocumentsLocation);
}

QString commonDataFolder()
{
    return fromEnvOr("CORVANE_DATA_DIR", QStandardPaths::GenericDataLocation);
}

void ensureFolder(const QString &path)
{
    if (!path.isEmpty())
        QDir().mkpath(path);
}

} // namespace os
