#include "fields.h"

#include <QHash>

namespace pg {

namespace fields {

using C = FieldClass;

// The one table from type OID to field class.
constexpr TypeInfo TypeTable[] = {
    { 16, "bool", C::Boolean },
    { 17, "bytea", C::Blob },
    { 18, "char", C::FixedChar },
    { 19, "name", C::String },
    { 20, "int8", C::LargeInt },
    { 21, "int2", C::SmallInt },
    { 22, "int2vector", C::String },
    { 23, "int4", C::Integer },
    { 24, "regproc", C::String },
    { 25, "text", C::Memo },
    { 26, "oid", C::LongWord },
    { 27, "tid", C::String },
    { 28, "xid", C::LongWord },
    { 29, "cid", C::LongWord },
    { 30, "oidvector", C::String },
    { 114, "json", C::Memo },
    { 142, "xml", C::Memo },
    { 194, "pg_node_tree", C::Memo },
    { 600, "point", C::String },
    { 601, "lseg", C::String },
    { 602, "path", C::String },
    { 603, "box", C::String },
    { 604, "polygon", C::String },
    { 628, "line", C::String },
    { 650, "cidr", C::String },
    { 700, "float4", C::Float },
    { 701, "float8", C::Float },
    { 705, "unknown", C::String },
    { 718, "circle", C::String },
    { 774, "macaddr8", C::String },
    { 790, "money", C::Currency },
    { 829, "macaddr", C::String },
    { 869, "inet", C::String },
    { 1033, "aclitem", C::String },
    { 1042, "bpchar", C::FixedChar },
    { 1043, "varchar", C::String },
    { 1082, "date", C::Date },
    { 1083, "time", C::Time },
    { 1114, "timestamp", C::Timestamp },
    { 1184, "timestamptz", C::TimestampTz },
    { 1186, "interval", C::Interval },
    { 1266, "timetz", C::Time },
    { 1560, "bit", C::String },
    { 1562, "varbit", C::String },
    { 1700, "numeric", C::BCD },
    { 1790, "refcursor", C::String },
    { 2202, "regprocedure", C::String },
    { 2203, "regoper", C::String },
    { 2204, "regoperator", C::String },
    { 2205, "regclass", C::String },
    { 2206, "regtype", C::String },
    { 2249, "record", C::String },
    { 2278, "void", C::String },
    { 2950, "uuid", C::Guid },
    { 3220, "pg_lsn", C::String },
    { 3614, "tsvector", C::Memo },
    { 3615, "tsquery", C::Memo },
    { 3734, "regconfig", C::String },
    { 3769, "regdictionary", C::String },
    { 3802, "jsonb", C::Memo },
    { 4072, "jsonpath", C::String },
    { 4089, "regnamespace", C::String },
    { 4096, "regrole", C::String },
    { 5069, "xid8", C::LargeInt },
    // arrays
    { 143, "_xml", C::Array },
    { 199, "_json", C::Array },
    { 651, "_cidr", C::Array },
    { 775, "_macaddr8", C::Array },
    { 791, "_money", C::Array },
    { 1000, "_bool", C::Array },
    { 1001, "_bytea", C::Array },
    { 1002, "_char", C::Array },
    { 1003, "_name", C::Array },
    { 1005, "_int2", C::Array },
    { 1006, "_int2vector", C::Array },
    { 1007, "_int4", C::Array },
    { 1008, "_regproc", C::Array },
    { 1009, "_text", C::Array },
    { 1010, "_tid", C::Array },
    { 1011, "_xid", C::Array },
    { 1012, "_cid", C::Array },
    { 1013, "_oidvector", C::Array },
    { 1014, "_bpchar", C::Array },
    { 1015, "_varchar", C::Array },
    { 1016, "_int8", C::Array },
    { 1017, "_point", C::Array },
    { 1018, "_lseg", C::Array },
    { 1019, "_path", C::Array },
    { 1020, "_box", C::Array },
    { 1021, "_float4", C::Array },
    { 1022, "_float8", C::Array },
    { 1027, "_polygon", C::Array },
    { 1028, "_oid", C::Array },
    { 1034, "_aclitem", C::Array },
    { 1040, "_macaddr", C::Array },
    { 1041, "_inet", C::Array },
    { 1115, "_timestamp", C::Array },
    { 1182, "_date", C::Array },
    { 1183, "_time", C::Array },
    { 1185, "_timestamptz", C::Array },
    { 1187, "_interval", C::Array },
    { 1231, "_numeric", C::Array },
    { 1263, "_cstring", C::Array },
    { 1270, "_timetz", C::Array },
    { 1561, "_bit", C::Array },
    { 1563, "_varbit", C::Array },
    { 2201, "_refcursor", C::Array },
    { 2207, "_regprocedure", C::Array },
    { 2210, "_regclass", C::Array },
    { 2211, "_regtype", C::Array },
    { 2287, "_record", C::Array },
    { 2951, "_uuid", C::Array },
    { 3221, "_pg_lsn", C::Array },
    { 3643, "_tsvector", C::Array },
    { 3645, "_tsquery", C::Array },
    { 3807, "_jsonb", C::Array },
    { 4090, "_regnamespace", C::Array },
    { 4097, "_regrole", C::Array },
};

const QHash<Oid, const TypeInfo *> &typeIndex()
{
    static const QHash<Oid, const TypeInfo *> index = [] {
        QHash<Oid, const TypeInfo *> h;
        for (const TypeInfo &t : TypeTable)
            h.insert(t.oid, &t);
        return h;
    }();
    return index;
}

const TypeInfo UnknownType {};

} // namespace fields

bool isNumeric(FieldClass c)
{
    return c == FieldClass::SmallInt || c == FieldClass::Integer || c == FieldClass::LargeInt
        || c == FieldClass::LongWord || c == FieldClass::Float || c == FieldClass::BCD
        || c == FieldClass::Currency;
}

bool isTextual(FieldClass c)
{
    return c == FieldClass::String || c == FieldClass::FixedChar || c == FieldClass::Memo;
}

bool isTemporal(FieldClass c)
{
    return c == FieldClass::Date || c == FieldClass::Time || c == FieldClass::Timestamp
        || c == FieldClass::TimestampTz;
}

const TypeInfo &typeInfo(Oid oid)
{
    const auto *t = fields::typeIndex().value(oid, nullptr);
    return t ? *t : fields::UnknownType;
}

FieldClass fieldClassOf(Oid oid)
{
    return typeInfo(oid).fieldClass;
}

int FieldList::indexOf(const QString &name) const
{
    for (int i = 0; i < m_fields.size(); ++i) {
        if (m_fields.at(i).name == name)
            return i;
    }
    for (int i = 0; i < m_fields.size(); ++i) {
        if (m_fields.at(i).name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QStringList FieldList::names() const
{
    QStringList out;
    for (const Field &f : m_fields)
        out << f.name;
    return out;
}

void describeField(Field &f)
{
    const TypeInfo &t = typeInfo(f.typeOid);
    f.typeName = QString::fromLatin1(t.name);
    f.fieldClass = t.fieldClass;
    const int mod = f.typeModifier;
    // fractional-second digits of time types: the modifier itself, 6 when none is declared
    const int fraction = mod >= 0 ? mod : 6;
    const int fractionWidth = fraction > 0 ? fraction + 1 : 0;
    switch (f.typeOid) {
    case 16: // bool
        f.size = 1;
        f.displayWidth = 5;
        break;
    case 18: // "char"
        f.size = f.precision = f.displayWidth = 1;
        break;
    case 19: // name
        f.size = 64;
        f.displayWidth = 63;
        break;
    case 21: // int2
        f.size = 2;
        f.precision = 5;
        f.displayWidth = 6;
        break;
    case 23: // int4
        f.size = 4;
        f.precision = 10;
        f.displayWidth = 11;
        break;
    case 20: // int8
        f.size = 8;
        f.precision = 19;
        f.displayWidth = 20;
        break;
    case 26: // oid
    case 28: // xid
    case 29: // cid
        f.size = 4;
        f.precision = 10;
        f.displayWidth = 10;
        break;
    case 700: // float4
        f.size = 4;
        f.precision = 6;
        f.displayWidth = 15;
        break;
    case 701: // float8
        f.size = 8;
        f.precision = 15;
        f.displayWidth = 24;
        break;
    case 790: // money
        f.size = 8;
        f.displayWidth = 24;
        break;
    case 1042: // bpchar
    case 1043: // varchar
    case 1560: // bit
    case 1562: // varbit
        if (mod >= 4 || (f.typeOid >= 1560 && mod > 0)) {
            f.size = f.typeOid >= 1560 ? mod : mod - 4;
            f.precision = f.size;
            f.displayWidth = f.size;
        }
        break;
    case 1700: // numeric
        if (mod >= 4) {
            const int m = mod - 4;
            f.precision = (m >> 16) & 0xffff;
            f.scale = qint16(m & 0xffff);
            f.size = f.precision;
            f.displayWidth = f.precision + (f.scale > 0 ? 1 : 0) + 1;
        }
        break;
    case 1082: // date
        f.size = 4;
        f.displayWidth = 10;
        break;
    case 1083: // time
        f.size = 8;
        f.precision = fraction;
        f.displayWidth = 8 + fractionWidth;
        break;
    case 1266: // timetz
        f.size = 12;
        f.precision = fraction;
        f.displayWidth = 8 + fractionWidth + 6;
        break;
    case 1114: // timestamp
        f.size = 8;
        f.precision = fraction;
        f.displayWidth = 19 + fractionWidth;
        break;
    case 1184: // timestamptz
        f.size = 8;
        f.precision = fraction;
        f.displayWidth = 19 + fractionWidth + 6;
        break;
    case 1186: // interval
        f.size = 16;
        break;
    case 2950: // uuid
        f.size = 16;
        f.displayWidth = 36;
        break;
    default:
        break;
    }
}

} // namespace pg
