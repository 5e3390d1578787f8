#include "qvreg.h"

namespace {

std::optional<QByteArray> eightBytes(const TqvRegistry &r, const QString &name)
{
    auto v = r.ReadValue(name);
    if (!v || v->kind != reg::ValueKind::Binary || v->bytes.size() != 8)
        return std::nullopt;
    return v->bytes;
}

} // namespace

bool TqvRegistry::GetBool(const QString &name, bool defaultValue) const
{
    auto v = ReadValue(name);
    return (v && v->kind == reg::ValueKind::DWord) ? v->dword != 0 : defaultValue;
}

qint32 TqvRegistry::GetInteger(const QString &name, qint32 defaultValue) const
{
    auto v = ReadValue(name);
    return (v && v->kind == reg::ValueKind::DWord) ? qint32(v->dword) : defaultValue;
}

QString TqvRegistry::GetString(const QString &name, const QString &defaultValue) const
{
    auto v = ReadValue(name);
    if (!v || (v->kind != reg::ValueKind::Sz && v->kind != reg::ValueKind::ExpandSz))
        return defaultValue;
    const QString text = ReadString(name);
    return text.isEmpty() ? defaultValue : text;
}

double TqvRegistry::GetFloat(const QString &name, double defaultValue) const
{
    return eightBytes(*this, name) ? ReadFloat(name) : defaultValue;
}

TDateTime TqvRegistry::GetDateTime(const QString &name, TDateTime defaultValue) const
{
    return GetFloat(name, defaultValue);
}

TDateTime TqvRegistry::GetDate(const QString &name, TDateTime defaultValue) const
{
    return GetFloat(name, defaultValue);
}

TDateTime TqvRegistry::GetTime(const QString &name, TDateTime defaultValue) const
{
    return GetFloat(name, defaultValue);
}

TCurrency TqvRegistry::GetCurrency(const QString &name, TCurrency defaultValue) const
{
    return eightBytes(*this, name) ? ReadCurrency(name) : defaultValue;
}
