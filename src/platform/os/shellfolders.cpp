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

// The folder named by var, else (with a home folder) the platform's location; without a home
// folder only the XDG variable xdgVar names one. The platform's locations would then lie below
// the file system's root.
QString fromEnvOr(const char *var, const char *xdgVar, QStandardPaths::StandardLocation location)
{
    const QString env = qEnvironmentVariable(var);
    if (!env.isEmpty())
        return withSlash(QDir::fromNativeSeparators(env));
    if (homeFolder().isEmpty())
        return withSlash(qEnvironmentVariable(xdgVar));
    return withSlash(QStandardPaths::writableLocation(location));
}

} // namespace

QString homeFolder()
{
    return withSlash(qEnvironmentVariable("HOME"));
}

QString programFolder()
{
    const QString env = qEnvironmentVariable("CORVANE_PROGRAM_DIR");
    if (!env.isEmpty())
        return withSlash(QDir::fromNativeSeparators(env));
    QString dir = QCoreApplication::instance() ? QCoreApplication::applicationDirPath()
                                               : QDir::currentPath();
    return withSlash(dir);
}

QString documentsFolder()
{
    return fromEnvOr("CORVANE_DOCUMENT_DIR", "XDG_DOCUMENTS_DIR",
                     QStandardPaths::DocumentsLocation);
}

QString commonDataFolder()
{
    return fromEnvOr("CORVANE_DATA_DIR", "XDG_DATA_HOME", QStandardPaths::GenericDataLocation);
}

void ensureFolder(const QString &path)
{
    if (!path.isEmpty())
        QDir().mkpath(path);
}

} // namespace os
