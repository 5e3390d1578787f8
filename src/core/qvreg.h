#pragma once

#include "platform/registry/registryaccess.h"

#include <QString>

// Date-times, dates and times as the settings keep them: days since 1899-12-30, the time of day
// as the fraction.
using TDateTime = double;
// A currency amount times 10,000.
using TCurrency = qint64;

// Registry access with readers that take a default and never fail. Every reader acts on a value
// of the key currently open and returns the default when the value is missing or of another
// kind (and GetString also when the stored string is empty, so a string whose default is not
// empty cannot be stored as empty).
class TqvRegistry : public reg::RegistryAccess
{
public:
    using reg::RegistryAccess::RegistryAccess;

    bool GetBool(const QString &name, bool defaultValue) const;
    qint32 GetInteger(const QString &name, qint32 defaultValue) const;
    QString GetString(const QString &name, const QString &defaultValue) const;
    double GetFloat(const QString &name, double defaultValue) const;
    TDateTime GetDateTime(const QString &name, TDateTime defaultValue) const;
    TDateTime GetDate(const QString &name, TDateTime defaultValue) const;
    TDateTime GetTime(const QString &name, TDateTime defaultValue) const;
    TCurrency GetCurrency(const QString &name, TCurrency defaultValue) const;
};
