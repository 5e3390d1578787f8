#include "seqdef.h"

#include "core/qvname.h"

#include <limits>

namespace {

const QString SeqEnd = QStringLiteral(";");

QString ownedByLine(const TSequenceState &s)
{
    if (s.OwnedNone)
        return QStringLiteral("OWNED BY NONE");
    return QStringLiteral("OWNED BY ") + QuoteName(s.Schema) + QLatin1Char('.')
        + QuoteName(s.OwnedTable) + QLatin1Char('.') + QuoteName(s.OwnedColumn);
}

QString seqQualified(const TSequenceState &s)
{
    return QuoteName(s.Schema) + QLatin1Char('.') + QuoteName(s.Name);
}

} // namespace

const char *const SequenceOwnerSQL = R"(
SELECT T.relname, A.attname
FROM pg_class S
JOIN pg_namespace N ON N.oid = S.relnamespace
JOIN pg_depend D ON D.classid = 'pg_class'::regclass AND D.objid = S.oid AND D.objsubid = 0
                AND D.refclassid = 'pg_class'::regclass AND D.deptype IN ('a', 'i')
JOIN pg_class T ON T.oid = D.refobjid
JOIN pg_attribute A ON A.attrelid = T.oid AND A.attnum = D.refobjsubid AND NOT A.attisdropped
WHERE S.relkind = 'S' AND N.nspname = $1 AND S.relname = $2
ORDER BY D.deptype
LIMIT 1)";

bool SequenceStateSQLBinds(int serverVersion)
{
    return serverVersion >= 100000;
}

QString SequenceStateSQL(int serverVersion, const QString &Schema, const QString &Name)
{
    if (!SequenceStateSQLBinds(serverVersion)) {
        // Before pg_sequences the state lives in the relation only; 9.x keeps start_value
        // there too, and last_value is the start until is_called.
        return QStringLiteral("SELECT last_value, min_value, max_value, increment_by, is_cycled, "
                              "cache_value, start_value, '' AS data_type, is_called FROM ")
            + QuoteName(Schema) + QLatin1Char('.') + QuoteName(Name);
    }
    return QStringLiteral(
        "SELECT last_value, min_value, max_value, increment_by, cycle, cache_size, start_value, "
        "format_type(data_type, NULL) AS data_type, last_value IS NOT NULL AS is_called "
        "FROM pg_sequences WHERE schemaname = $1 AND sequencename = $2");
}

TSequenceState SequenceStateFromRow(const QString &Schema, const QString &Name,
                                    const TSequenceRow &row)
{
    TSequenceState s;
    s.Schema = Schema;
    s.Name = Name;
    s.LastNo = row.LastValue.trimmed();
    s.Min = row.MinValue.trimmed();
    s.Max = row.MaxValue.trimmed();
    s.Inc = row.Increment.trimmed();
    s.Cycle = row.Cycle;
    s.Cache = row.Cache.trimmed();
    if (s.Cache == QLatin1String("0"))
        s.Cache.clear();
    bool ok = false;
    int increment = s.Inc.toInt(&ok);
    if (!ok)
        increment = 0;
    bool maxOk = false;
    const qint64 max = s.Max.toLongLong(&maxOk);
    bool minOk = false;
    const qint64 min = s.Min.toLongLong(&minOk);
    const qint64 top = std::numeric_limits<qint64>::max();
    s.NoMax
        = (increment > 0 && maxOk && max == top) || (increment < 0 && s.Max == QLatin1String("-1"));
    s.NoMin
        = (increment > 0 && s.Min == QLatin1String("1")) || (increment < 0 && minOk && min <= -top);
    s.OwnedNone = true;
    return s;
}

QString SequenceRegclassText(const QString &Schema, const QString &Name)
{
    return Schema.isEmpty() ? QuoteName(Name)
                            : QuoteName(Schema) + QLatin1Char('.') + QuoteName(Name);
}

QStringList SequenceCreateScript(const TSequenceState &s, const QString &prefix,
                                 const QString &start, const QString &asType)
{
    QStringList lines;
    lines << QStringLiteral("CREATE SEQUENCE ") + prefix + QuoteName(s.Name);
    if (!asType.isEmpty() && asType != QLatin1String("bigint"))
        lines << QStringLiteral("AS ") + asType;
    if (!s.Inc.isEmpty())
        lines << QStringLiteral("INCREMENT ") + s.Inc;
    const QString first = start.isEmpty() ? s.LastNo : start;
    if (!first.isEmpty())
        lines << QStringLiteral("START ") + first;
    if (s.NoMax)
        lines << QStringLiteral("NO MAXVALUE");
    else if (!s.Max.isEmpty())
        lines << QStringLiteral("MAXVALUE ") + s.Max;
    if (s.NoMin)
        lines << QStringLiteral("NO MINVALUE");
    else if (!s.Min.isEmpty())
        lines << QStringLiteral("MINVALUE ") + s.Min;
    lines << (s.Cycle ? QStringLiteral("CYCLE ") : QStringLiteral("NO CYCLE "));
    if (!s.Cache.isEmpty())
        lines << QStringLiteral("CACHE ") + s.Cache;
    lines << ownedByLine(s) << SeqEnd;
    return lines;
}

QStringList SequenceScript(const TSequenceState &s, const TSequenceCatalog &catalog,
                           const QString &prefix)
{
    QStringList lines = SequenceCreateScript(s, prefix, catalog.StartValue, catalog.DataType);
    if (catalog.Used && !s.LastNo.isEmpty()) {
        // A replayed script hands out the value after the last one used, not the start again.
        const QString target = prefix.isEmpty() ? QuoteName(s.Name) : prefix + QuoteName(s.Name);
        lines << QStringLiteral("SELECT setval(") + QuoteLiteral(target) + QStringLiteral(", ")
                + s.LastNo + QStringLiteral(", true)")
              << SeqEnd;
    }
    return lines;
}

QStringList SequenceAlterScript(const TSequenceState &loaded, const TSequenceState &now)
{
    QStringList clauses;
    if (now.Inc != loaded.Inc && !now.Inc.isEmpty())
        clauses << QStringLiteral("INCREMENT ") + now.Inc;
    if (now.NoMax) {
        if (!loaded.NoMax)
            clauses << QStringLiteral("NO MAXVALUE");
    } else if (now.Max != loaded.Max && !now.Max.isEmpty()) {
        clauses << QStringLiteral("MAXVALUE ") + now.Max;
    }
    if (now.NoMin) {
        if (!loaded.NoMin)
            clauses << QStringLiteral("NO MINVALUE");
    } else if (now.Min != loaded.Min && !now.Min.isEmpty()) {
        clauses << QStringLiteral("MINVALUE ") + now.Min;
    }
    if (now.Cycle != loaded.Cycle)
        clauses << (now.Cycle ? QStringLiteral("CYCLE ") : QStringLiteral("NO CYCLE "));
    if (now.Cache != loaded.Cache)
        clauses << (now.Cache.isEmpty() ? QStringLiteral("CACHE 1")
                                        : QStringLiteral("CACHE ") + now.Cache);
    if (now.OwnedNone) {
        if (!loaded.OwnedNone)
            clauses << ownedByLine(now);
    } else if (now.OwnedTable != loaded.OwnedTable || now.OwnedColumn != loaded.OwnedColumn
               || loaded.OwnedNone) {
        clauses << ownedByLine(now);
    }
    if (clauses.isEmpty())
        return {};
    return QStringList { QStringLiteral("ALTER SEQUENCE ") + seqQualified(now) } << clauses
                                                                                 << SeqEnd;
}

QStringList SequenceDropScript(const TSequenceState &s)
{
    return { QStringLiteral("DROP SEQUENCE ") + seqQualified(s), SeqEnd };
}

TSequenceChange SequenceChange(const TSequenceState &loaded, const TSequenceState &now, bool isNew,
                               const QString &prefix)
{
    TSequenceChange change;
    if (isNew) {
        change.Script = SequenceCreateScript(now, prefix);
        change.SetValue = now.LastNo;
        return change;
    }
    change.Script = SequenceAlterScript(loaded, now);
    if (now.LastNo != loaded.LastNo && !now.LastNo.isEmpty())
        change.SetValue = now.LastNo;
    return change;
}
