#pragma once

#include <QVariant>

namespace pg {

// Object identifiers of the catalogs are unsigned 32-bit numbers.
using Oid = quint32;

// Type OIDs the layer and its callers name when they bind values.
namespace type {
inline constexpr Oid Unknown = 0; // the server infers the type from the statement
inline constexpr Oid Bool = 16;
inline constexpr Oid Bytea = 17;
inline constexpr Oid Int8 = 20;
inline constexpr Oid Int2 = 21;
inline constexpr Oid Int4 = 23;
inline constexpr Oid Text = 25;
inline constexpr Oid OidType = 26;
inline constexpr Oid Tid = 27;
inline constexpr Oid Xid = 28;
inline constexpr Oid Float8 = 701;
inline constexpr Oid Varchar = 1043;
inline constexpr Oid Date = 1082;
inline constexpr Oid Time = 1083;
inline constexpr Oid Timestamp = 1114;
inline constexpr Oid TimestampTz = 1184;
inline constexpr Oid Numeric = 1700;
} // namespace type

// One value bound to a statement. A null QVariant is SQL NULL. QByteArray goes as bytea in
// binary form; every other value goes as text (QString as it is, numbers in C locale, dates and
// times in ISO form), by default with the type left for the server to infer, so that a value
// fits an integer column as well as a text one. Give a type where the statement alone does not
// tell the server (e.g. "SELECT $1").
struct Param
{
    Param() = default;
    Param(const QVariant &v, Oid t = type::Unknown)
        : value(v)
        , type(t)
    { }
    Param(const QString &v)
        : value(v)
    { }
    Param(const char *v)
        : value(QString::fromUtf8(v))
    { }
    Param(bool v)
        : value(v)
    { }
    Param(int v)
        : value(v)
    { }
    Param(double v)
        : value(v)
    { }
    Param(qint64 v)
        : value(v)
    { }
    Param(const QByteArray &v)
        : value(v)
        , type(type::Bytea)
    { }

    static Param null(Oid t = type::Unknown) { return Param(QVariant(), t); }
    // A value already in the server's text form and the session's client encoding, sent as
    // these very bytes (never decoded and encoded again), with the type left to the server
    // unless given. A null QByteArray is SQL NULL. Values read from the server go back this way,
    // so that bytes the client encoding cannot show still match and stay as they were.
    static Param serverText(const QByteArray &bytes, Oid t = type::Unknown)
    {
        Param p(bytes.isNull() ? QVariant() : QVariant(bytes), t);
        p.asServerText = true;
        return p;
    }

    QVariant value;
    Oid type = type::Unknown;
    bool asServerText = false;
};

} // namespace pg
