#include "qvtypetext.h"

#include "qvname.h"
#include "qvstr.h"

#include <optional>

namespace qvtypetext {

// The server's interval modifier: field range in the high half, fractional-second digits in the
// low half (0xFFFF for none). The range 0x7FFF stands for every field, i.e. no qualifier.
constexpr int intervalFullRange = 0x7FFF;
constexpr int intervalFullPrecision = 0xFFFF;
constexpr int intervalSecondField = 0x1000;

struct IntervalRange
{
    int range;
    const char *qualifier;
};

constexpr IntervalRange intervalRanges[] = {
    { 0x0002, " MONTH" },
    { 0x0004, " YEAR" },
    { 0x0006, " YEAR TO MONTH" },
    { 0x0008, " DAY" },
    { 0x0400, " HOUR" },
    { 0x0408, " DAY TO HOUR" },
    { 0x0800, " MINUTE" },
    { 0x0C00, " HOUR TO MINUTE" },
    { 0x0C08, " DAY TO MINUTE" },
    { 0x1000, " SECOND" },
    { 0x1800, " MINUTE TO SECOND" },
    { 0x1C00, " HOUR TO SECOND" },
    { 0x1C08, " DAY TO SECOND" },
    { intervalFullRange, "" },
};

struct IntervalModifier
{
    QString qualifier; // " DAY TO SECOND"; empty for every field
    std::optional<int> digits; // fractional-second digits when given
};

// Only the combinations the server itself writes are recognised: a known range with no
// precision, or a range that ends in SECOND (or every field) with 0 to 6 digits.
std::optional<IntervalModifier> decodeInterval(int typMod)
{
    if (typMod < 0)
        return std::nullopt;
    const int range = (typMod >> 16) & 0x7FFF;
    const int precision = typMod & 0xFFFF;
    for (const IntervalRange &r : intervalRanges) {
        if (r.range != range)
            continue;
        IntervalModifier m { QString::fromLatin1(r.qualifier), std::nullopt };
        if (precision == intervalFullPrecision)
            return range == intervalFullRange ? std::nullopt : std::optional(m);
        if (precision > 6 || (range != intervalFullRange && !(range & intervalSecondField)))
            return std::nullopt;
        m.digits = precision;
        return m;
    }
    return std::nullopt;
}

// numeric(p,s) is stored as ((p << 16) | (s & 0x7FF)) + 4, the scale an 11-bit two's complement
// number since the server accepts scales from -1000 to 1000.
struct NumericModifier
{
    int precision;
    int scale;
};

NumericModifier decodeNumeric(int typMod)
{
    const int packed = typMod - 4;
    return { (packed >> 16) & 0xFFFF, ((packed & 0x7FF) ^ 1024) - 1024 };
}

bool takeArraySuffix(QString &name)
{
    if (!name.endsWith(QLatin1String("[]")))
        return false;
    name.chop(2);
    return true;
}

bool variantIsNull(const QVariant &v)
{
    return !v.isValid() || v.isNull();
}

// The last occurrence of the character outside double quotes; -1 when none.
qsizetype lastUnquoted(const QString &text, QChar c, qsizetype end)
{
    qsizetype found = -1;
    bool quoted = false;
    for (qsizetype i = 0; i < end; ++i) {
        const QChar ch = text.at(i);
        if (ch == u'"')
            quoted = !quoted; // a doubled quote flips twice and stays inside
        else if (ch == c && !quoted)
            found = i;
    }
    return found;
}

} // namespace qvtypetext

QString GetTypModText(const QString &typeName, int typMod)
{
    using namespace qvtypetext;
    if (typMod == -1)
        return QString();
    if (StrInArray(typeName, IntervalTypeNames)) {
        const auto m = decodeInterval(typMod);
        return m && m->digits ? QString::number(*m->digits) : QString();
    }
    if (StrInArray(typeName, NumericTypeNames)) {
        const NumericModifier n = decodeNumeric(typMod);
        if (n.precision == 0)
            return QString();
        if (n.scale == 0)
            return QString::number(n.precision);
        return QString::number(n.precision) + u',' + QString::number(n.scale);
    }
    if (StrInArray(typeName, BitTypeNames) || StrInArray(typeName, TimeTypeNames))
        return QString::number(typMod);
    return QString::number(typMod - 4);
}

QString GetIntervalTypeText(const QString &typeName, int typMod)
{
    using namespace qvtypetext;
    QString base = typeName;
    const bool array = takeArraySuffix(base);
    if (const auto m = decodeInterval(typMod))
        base += m->qualifier;
    return array ? base + QLatin1String("[]") : base;
}

QString GetTypeNameWithTypMod(const QString &typeName, int typMod)
{
    using namespace qvtypetext;
    QString base = typeName;
    const bool array = takeArraySuffix(base);
    const QString suffix = array ? QStringLiteral("[]") : QString();

    if (typMod < 0) {
        // Without a length, "character" and "bit" mean character(1) and bit(1); the unlimited
        // forms have to be written by their own names, as the server does.
        if (base == QLatin1String("character"))
            return QStringLiteral("bpchar") + suffix;
        if (base == QLatin1String("bit"))
            return QStringLiteral("\"bit\"") + suffix;
        // A quoted part may hold ".", a doubled quote or capitals: each part is taken out of
        // its quotes and quoted again on its own.
        return QuoteTypeName(base) + suffix;
    }

    if (StrInArray(typeName, TimeTypeNames)) {
        const QString digits = u'(' + QString::number(typMod) + u')';
        QString result = typeName;
        const qsizetype blank = result.indexOf(u' ');
        if (blank < 0)
            return base + digits + suffix;
        return result.insert(blank, digits);
    }
    if (typeName.contains(QLatin1String("interval"))) {
        if (const auto m = decodeInterval(typMod)) {
            base += m->qualifier;
            if (m->digits)
                base += QStringLiteral(" (") + QString::number(*m->digits) + u')';
        }
        return base + suffix;
    }
    if (typeName.contains(QLatin1String("numeric"))) {
        const NumericModifier n = decodeNumeric(typMod);
        return base + u'(' + QString::number(n.precision) + u',' + QString::number(n.scale) + u')'
            + suffix;
    }
    if (typeName.contains(QLatin1String("bit")))
        return base + u'(' + QString::number(typMod) + u')' + suffix;
    return base + u'(' + QString::number(typMod - 4) + u')' + suffix;
}

QString GetColumnLengthText(const QString &typeName, const QVariant &lengthField,
                            const QVariant &precisionField, const QVariant &scaleField)
{
    using namespace qvtypetext;
    if (StrInArray(typeName, CharTypeNames))
        return lengthField.toString();
    if (StrInArray(typeName, NumericTypeNames)) {
        if (variantIsNull(precisionField))
            return QString();
        if (variantIsNull(scaleField))
            return precisionField.toString();
        return precisionField.toString() + u',' + scaleField.toString();
    }
    if (StrInArray(typeName, ModifierTypeNames))
        return variantIsNull(precisionField) ? QString() : precisionField.toString();
    return QString();
}

AclItemParts SplitAclItem(const QString &aclItem)
{
    using namespace qvtypetext;
    AclItemParts parts;
    qsizetype end = aclItem.size();
    const qsizetype slash = lastUnquoted(aclItem, u'/', end);
    if (slash >= 0) {
        parts.grantor = DequoteName(aclItem.mid(slash + 1));
        end = slash;
    }
    const qsizetype eq = lastUnquoted(aclItem, u'=', end);
    const QString granteeText = eq >= 0 ? aclItem.left(eq) : QString();
    parts.privileges = aclItem.mid(eq + 1, end - eq - 1);
    parts.grantee = DequoteName(granteeText);
    if (parts.grantee.isEmpty())
        parts.grantee = QStringLiteral("public");
    return parts;
}

void ParseAclItem(const QString &aclItem, const QString &grantor, QString &grantee,
                  QString &privileges)
{
    Q_UNUSED(grantor)
    const AclItemParts parts = SplitAclItem(aclItem);
    grantee = parts.grantee;
    privileges = parts.privileges;
}

namespace qvtypetext {

// The pseudo-types that no column, parameter or variable can be declared with.
const QStringList typeSkipList {
    QStringLiteral("any"),       QStringLiteral("anyarray"),    QStringLiteral("anyelement"),
    QStringLiteral("anyenum"),   QStringLiteral("anynonarray"), QStringLiteral("cstring"),
    QStringLiteral("cstring[]"), QStringLiteral("internal"),    QStringLiteral("language_handler"),
    QStringLiteral("opaque"),    QStringLiteral("record"),      QStringLiteral("record[]"),
    QStringLiteral("trigger"),   QStringLiteral("void")
};

// Offered with the precision 6 that the server gives them when none is written.
const QStringList typePrecisionList {
    QStringLiteral("time with time zone"),         QStringLiteral("time with time zone[]"),
    QStringLiteral("time without time zone"),      QStringLiteral("time without time zone[]"),
    QStringLiteral("timestamp with time zone"),    QStringLiteral("timestamp with time zone[]"),
    QStringLiteral("timestamp without time zone"), QStringLiteral("timestamp without time zone[]")
};

constexpr int timePrecision = 6;

// Built-in types (OrdNo1 0) without the row types of tables, views and sequences; user types
// (OrdNo1 1) that a column can take: composite, enum, range, pseudo and base types outside the
// built-in categories, and their array types (the name with a leading "_"). OrdNo2 marks the
// types without an array type. The serial pseudo-types and the interval forms with their
// field qualifiers join the built-in names.
constexpr char dataTypeSql[] = R"(SELECT CASE
         WHEN TLst.TypNm LIKE '%.%' THEN replace(TLst.TypNm, '"', '')
         WHEN TLst.OrdNo1 = 1 THEN TLst.nspname || '.' || replace(TLst.TypNm, '"', '')
         ELSE replace(TLst.TypNm, '"', '')
       END
FROM (
  SELECT DISTINCT format_type(Typ.oid, NULL) AS TypNm, Typ.typname AS RealNm,
         Typ.OrdNo1, Typ.OrdNo2, Typ.nspname
  FROM (
    SELECT T.oid, T.typname, 0 AS OrdNo1,
           CASE WHEN T.typarray = 0 THEN 1 ELSE 0 END AS OrdNo2, N.nspname
    FROM pg_type T
    JOIN pg_namespace N ON N.oid = T.typnamespace
    WHERE T.typtype <> 'd'
      AND left(T.typname, 3) <> 'pg_'
      AND N.nspname = 'pg_catalog'
      AND T.typname NOT IN (SELECT R.relname FROM pg_class R
                            WHERE R.relkind IN ('r', 'f', 't', 'v', 'S'))
    UNION ALL
    SELECT T.oid, T.typname, 1 AS OrdNo1,
           CASE WHEN T.typarray = 0 THEN 1 ELSE 0 END AS OrdNo2, N.nspname
    FROM pg_type T
    JOIN pg_namespace N ON N.oid = T.typnamespace
    WHERE T.typtype <> 'd'
      AND left(T.typname, 3) <> 'pg_'
      AND N.nspname <> 'pg_catalog'
      AND EXISTS (SELECT 1
                  FROM pg_type U
                  LEFT JOIN pg_class UC ON UC.oid = U.typrelid
                  WHERE U.typname IN (T.typname, substr(T.typname, 2))
                    AND (UC.relkind = 'c'
                         OR U.typtype IN ('e', 'r', 'p')
                         OR (U.typtype = 'b'
                             AND U.typcategory NOT IN ('A', 'B', 'C', 'D', 'E', 'G', 'I',
                                                       'N', 'P', 'R', 'S', 'T', 'V', 'X'))))
  ) AS Typ
  UNION ALL
  SELECT S.name, S.name, 0, 0, 'pg_catalog'
  FROM (VALUES ('smallserial'), ('serial'), ('bigserial')) AS S(name)
  UNION ALL
  SELECT 'interval ' || Q.field || A.suffix, A.prefix || 'interval ' || Q.field, 0, A.ordno2,
         'pg_catalog'
  FROM (VALUES ('YEAR'), ('MONTH'), ('DAY'), ('HOUR'), ('MINUTE'), ('SECOND'),
               ('YEAR TO MONTH'), ('DAY TO HOUR'), ('DAY TO MINUTE'), ('DAY TO SECOND'),
               ('HOUR TO MINUTE'), ('HOUR TO SECOND'), ('MINUTE TO SECOND')) AS Q(field)
  CROSS JOIN (VALUES ('', '', 0), ('[]', '_', 1)) AS A(suffix, prefix, ordno2)
) AS TLst
ORDER BY TLst.OrdNo1, TLst.TypNm)";

} // namespace qvtypetext

QString GetDataTypeSQL()
{
    return QString::fromUtf8(qvtypetext::dataTypeSql);
}

QStringList DataTypePickList(const QStringList &typeNames)
{
    using namespace qvtypetext;
    QStringList list;
    list.reserve(typeNames.size());
    for (const QString &name : typeNames) {
        if (typeSkipList.contains(name))
            continue;
        if (typePrecisionList.contains(name))
            list << GetTypeNameWithTypMod(name, timePrecision);
        else
            list << name;
    }
    return list;
}
