#include "idxdef.h"

#include "core/qvname.h"
#include "core/qvstr.h"

qsizetype ClosingParen(const QString &text, qsizetype open)
{
    int depth = 0;
    for (qsizetype i = open; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            // A doubled quote inside is read as two quoted pieces in a row: the same outcome.
            const qsizetype end = text.indexOf(c, i + 1);
            if (end < 0)
                return -1;
            i = end;
        } else if (c == QLatin1Char('(')) {
            ++depth;
        } else if (c == QLatin1Char(')')) {
            if (--depth == 0)
                return i;
        }
    }
    return -1;
}

QStringList SplitTopLevel(const QString &text)
{
    QStringList parts;
    int depth = 0;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            const qsizetype end = text.indexOf(c, i + 1);
            i = end < 0 ? text.size() - 1 : end;
        } else if (c == QLatin1Char('(')) {
            ++depth;
        } else if (c == QLatin1Char(')')) {
            --depth;
        } else if (c == QLatin1Char(',') && depth == 0) {
            parts << text.mid(start, i - start).trimmed();
            start = i + 1;
        }
    }
    const QString last = text.mid(start).trimmed();
    if (!last.isEmpty() || !parts.isEmpty())
        parts << last;
    return parts;
}

bool ParseIndexDefinition(const QString &text, const QString &method, TIndexDefinition &def)
{
    const QString marker = QStringLiteral(" USING ") + method + QStringLiteral(" (");
    const qsizetype at = text.indexOf(marker);
    if (at < 0)
        return false;
    def.Only = text.left(at).contains(QStringLiteral(" ON ONLY "));
    const qsizetype open = at + marker.size() - 1;
    qsizetype close = ClosingParen(text, open);
    if (close < 0)
        return false;
    def.Method = method;
    def.Keys = SplitTopLevel(text.mid(open + 1, close - open - 1));
    def.Include.clear();
    def.With.clear();
    def.Where.clear();
    QString rest = text.mid(close + 1);
    const auto clause = [&rest](const QString &head, QString &inside) {
        if (!rest.startsWith(head))
            return false;
        const qsizetype end = ClosingParen(rest, head.size() - 1);
        if (end < 0)
            return false;
        inside = rest.mid(head.size(), end - head.size());
        rest = rest.mid(end + 1);
        return true;
    };
    QString include;
    if (clause(QStringLiteral(" INCLUDE ("), include))
        def.Include = SplitTopLevel(include);
    clause(QStringLiteral(" WITH ("), def.With);
    if (rest.startsWith(QStringLiteral(" WHERE "))) {
        def.Where = rest.mid(7);
        rest.clear();
    }
    return rest.isEmpty();
}

QString JoinExpressionLines(const QStringList &lines)
{
    QString joined;
    for (const QString &line : lines) {
        const QString trimmed = TrimBlanks(line);
        if (trimmed.isEmpty())
            continue;
        if (!joined.isEmpty() && !joined.endsWith(QLatin1Char(',')))
            joined += QStringLiteral(", ");
        joined += trimmed;
    }
    return joined;
}

QStringList IndexCreateScript(const TIndexDefinition &def, const TIndexScriptOptions &options)
{
    QStringList lines;
    lines << QStringLiteral("CREATE ") + (def.Unique ? QStringLiteral("UNIQUE ") : QString())
            + QStringLiteral("INDEX ") + QuoteName(def.Name);
    lines << QStringLiteral("ON ") + (def.Only ? QStringLiteral("ONLY ") : QString())
            + options.TablePrefix + QuoteName(def.TableName);
    lines << QStringLiteral("USING ")
            + (def.Method.isEmpty() ? QStringLiteral("btree") : def.Method);
    lines << QLatin1Char('(') + def.Keys.join(QStringLiteral(", ")) + QLatin1Char(')');
    if (!def.Include.isEmpty())
        lines << QStringLiteral("INCLUDE (") + def.Include.join(QStringLiteral(", "))
                + QLatin1Char(')');
    if (!def.With.isEmpty())
        lines << QStringLiteral("WITH (") + def.With + QLatin1Char(')');
    if (options.WithTablespace && !def.Tablespace.isEmpty())
        lines << QStringLiteral("TABLESPACE ") + QuoteName(def.Tablespace);
    if (!def.Where.isEmpty())
        lines << QStringLiteral("WHERE ") + def.Where;
    lines << QStringLiteral(";");
    return lines;
}

QStringList IndexDropScript(const TIndexDefinition &def)
{
    return { QStringLiteral("DROP INDEX ") + QuoteName(def.Schema) + QLatin1Char('.')
                 + QuoteName(def.Name),
             QStringLiteral(";") };
}

QStringList IndexAttachmentScript(const TIndexDefinition &def, const TIndexAttachments &kept,
                                  const QString &tablePrefix)
{
    QStringList lines;
    const QString table = QStringLiteral("ALTER TABLE ") + tablePrefix + QuoteName(def.TableName);
    if (!kept.Comment.isEmpty())
        lines << QStringLiteral("COMMENT ON INDEX ") + QuoteName(def.Schema) + QLatin1Char('.')
                + QuoteName(def.Name) + QStringLiteral(" IS ") + QuoteLiteralLine(kept.Comment)
              << QStringLiteral(";");
    if (kept.Clustered)
        lines << table + QStringLiteral(" CLUSTER ON ") + QuoteName(def.Name)
              << QStringLiteral(";");
    if (kept.ReplicaIdentity)
        lines << table + QStringLiteral(" REPLICA IDENTITY USING INDEX ") + QuoteName(def.Name)
              << QStringLiteral(";");
    return lines;
}

QStringList IndexAttachmentRefusals(const TIndexDefinition &def, const TIndexAttachments &kept)
{
    QStringList reasons;
    if (kept.ReplicaIdentity) {
        const QString head = QStringLiteral("この索引はテーブルのレプリカ識別 (REPLICA IDENTITY "
                                            "USING INDEX) に使われているため、");
        if (!def.Unique)
            reasons << head + QStringLiteral("一意索引のままにして下さい。");
        if (!def.Where.isEmpty())
            reasons << head + QStringLiteral("WHERE 条件は付けられません。");
        if (def.Expression)
            reasons << head + QStringLiteral("式の索引にはできません。");
    }
    if (kept.Clustered) {
        const QString head = QStringLiteral("この索引はテーブルの CLUSTER ON 索引であるため、");
        // The built-in methods that cannot order a table; others are left to the server.
        static const QStringList unordered { QStringLiteral("hash"), QStringLiteral("gin"),
                                             QStringLiteral("brin"), QStringLiteral("spgist") };
        if (unordered.contains(def.Method))
            reasons << head + def.Method.toUpper() + QStringLiteral(" にはできません。");
        if (!def.Where.isEmpty())
            reasons << head + QStringLiteral("WHERE 条件は付けられません。");
    }
    return reasons;
}

QStringList IndexChangeScript(const TIndexDefinition &old, const TIndexDefinition &now,
                              const TIndexScriptOptions &options, const QString &indexPrefix,
                              const TIndexAttachments &kept)
{
    if (old == now)
        return {};
    TIndexDefinition moved = old;
    moved.Tablespace = now.Tablespace;
    if (moved == now) {
        return { QStringLiteral("ALTER INDEX ") + indexPrefix + QuoteName(now.Name)
                     + QStringLiteral(" SET TABLESPACE ") + QuoteName(now.Tablespace),
                 QStringLiteral(";") };
    }
    return IndexDropScript(old) + IndexCreateScript(now, options)
        + IndexAttachmentScript(now, kept, options.TablePrefix);
}
