#include "qvsqlbldmodel.h"

#include "core/qvappwindows.h"
#include "core/qvname.h"
#include "core/qvstr.h"
#include "platform/pg/connection.h"
#include "platform/pg/error.h"
#include "platform/pg/fields.h"
#include "platform/pg/result.h"
#include "sqllang/qvsqltext.h"

#include <algorithm>
#include <utility>

namespace qvsqlbldmodel {

const QString ascending = QStringLiteral("昇順");
const QString descending = QStringLiteral("降順");
const QString groupBy = QStringLiteral("GROUP BY");
const QString having = QStringLiteral("HAVING");

// The named entries of the grouping pick list, in the list's order.
const QStringList groupNames = { groupBy,
                                 having,
                                 QStringLiteral("AVG"),
                                 QStringLiteral("COUNT"),
                                 QStringLiteral("MAX"),
                                 QStringLiteral("MIN"),
                                 QStringLiteral("STDDEV"),
                                 QStringLiteral("STDDEV_POP"),
                                 QStringLiteral("STDDEV_SAMP"),
                                 QStringLiteral("SUM"),
                                 QStringLiteral("VAR_POP"),
                                 QStringLiteral("VAR_SAMP"),
                                 QStringLiteral("VARIANCE") };

const QStringList joinOperators
    = { QStringLiteral("="),  QStringLiteral(">"),  QStringLiteral(">="), QStringLiteral("<"),
        QStringLiteral("<="), QStringLiteral("!="), QStringLiteral("<>") };

bool blank(const QString &s)
{
    return TrimBlanks(s).isEmpty();
}

bool selectLike(TqvSQLType kind)
{
    return kind == sqltSelect || kind == sqltCreateView;
}

QStringList emptyRow()
{
    return QStringList(SQLBuildGridCols, QString());
}

// Every row holds its seven cells, and the last row is the empty one that takes the next item.
void normalizeRows(QList<QStringList> &rows)
{
    for (QStringList &row : rows) {
        while (row.size() < SQLBuildGridCols)
            row.append(QString());
    }
    if (rows.isEmpty())
        rows.append(emptyRow());
}

// The view name as the text or the user gave it, quoted part by part: "sales.v" is the view v
// of the schema sales.
QString quoteViewName(const QString &viewName)
{
    const QStringList parts = SplitQuotedName(TrimBlanks(viewName), u'.');
    if (parts.size() < 2)
        return QuoteName(parts.value(0));
    return QuoteName(TrimBlanks(parts.first())) + u'.'
        + QuoteName(TrimBlanks(parts.mid(1).join(u'.')));
}

QString connectOperator(TqvSQLBuildConnectType type)
{
    switch (type) {
    case ctEQ:
        return QStringLiteral(" = ");
    case ctGT:
        return QStringLiteral(" > ");
    case ctGE:
        return QStringLiteral(" >= ");
    case ctLT:
        return QStringLiteral(" < ");
    case ctLE:
        return QStringLiteral(" <= ");
    case ctNE:
        return QStringLiteral(" != ");
    }
    return QStringLiteral(" = ");
}

TqvSQLBuildConnectType connectTypeOf(const QString &op)
{
    if (op == u">")
        return ctGT;
    if (op == u">=")
        return ctGE;
    if (op == u"<")
        return ctLT;
    if (op == u"<=")
        return ctLE;
    if (op == u"!=" || op == u"<>")
        return ctNE;
    return ctEQ;
}

// Cuts the separator after the last item of a list: n characters of the last line.
void cutLast(QStringList &lines, int n)
{
    if (!lines.isEmpty())
        lines.last().chop(n);
}

// Conditions joined by AND; one holding a top-level OR is put in parentheses when it does not
// stand alone, so that the AND binds as the design means it.
void addConditions(QStringList &lines, const QString &keyword, const QStringList &conditions)
{
    if (conditions.isEmpty())
        return;
    lines << keyword;
    for (const QString &c : conditions) {
        const bool wrap = conditions.size() > 1 && HasTopLevelOr(c);
        lines << QStringLiteral("  ") + (wrap ? u'(' + TrimBlanks(c) + u')' : c)
                + QStringLiteral(" AND ");
    }
    cutLast(lines, 5);
}

// Qualifier and column of a condition side: "e.ename" gives e and ename, unquoted; a name
// without qualifier an empty one.
void splitColumnRef(const QString &text, QString &qualifier, QString &column)
{
    QStringList parts = SplitQuotedName(TrimBlanks(text), u'.');
    for (QString &p : parts)
        p = TrimBlanks(p);
    if (parts.size() < 2) {
        qualifier.clear();
        column = parts.value(0);
        return;
    }
    column = parts.takeLast();
    qualifier = parts.last();
}

// Line breaks of any form become blanks: a condition cell is one line.
QString cleanCell(const QString &s)
{
    QString t = s;
    t.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    t.replace(u'\r', u' ');
    t.replace(u'\n', u' ');
    return TrimBlanks(t);
}

// Text that mixes OR with AND at the top level of its condition tokens; the AND of a BETWEEN is
// none.
bool mixesOrAnd(const QStringList &tokens)
{
    bool between = false;
    bool hasAnd = false;
    bool hasOr = false;
    for (const QString &t : tokens) {
        const QString u = t.toUpper();
        if (u == u"BETWEEN")
            between = true;
        else if (u == u"AND") {
            if (between)
                between = false;
            else
                hasAnd = true;
        } else if (u == u"OR")
            hasOr = true;
    }
    return hasAnd && hasOr;
}

// The reading of a SQL text into a design: the parser's lists turned into boxes, join lines
// and rows.
class Reader
{
public:
    Reader(TqvSQLDesign &design, TqvSQLBuildCatalog *catalog)
        : d(design)
        , catalog(catalog)
    { }

    void run(const QString &text)
    {
        d.Tables.clear();
        d.Connects.clear();
        d.Rows = { emptyRow() };

        QString plain = text;
        plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        plain.replace(u'\r', u'\n');
        QStringList lines = plain.split(u'\n');
        StripSQLComments(lines, true);
        if (lines.isEmpty())
            return;

        TqvParseList columns, tables, orders;
        QStringList conditions, groups, havings;
        QList<TqvParseJoin> joins;
        QString viewName;
        const QString message = SQLBuildRefusedMessage();
        const TqvSQLType kind = ParseSQL(lines.join(u'\n'), &columns, &tables, &orders, &conditions,
                                         &groups, &havings, message, viewName, &joins);
        // Only one inner JOIN with its ON condition becomes a join line; any other join would
        // come back as an inner one or as a condition that says something else.
        if (joins.size() > 1
            || (joins.size() == 1 && (joins.first().kind != jkInner || !joins.first().on)))
            throw ESQLParseError(message);
        if (mixesOrAnd(conditions) || mixesOrAnd(havings))
            throw ESQLParseError(message);
        d.ViewName = viewName;
        d.SQLType = kind;

        for (int i = 0; i < tables.Count(); ++i)
            d.Tables.append(
                NewDesignTable(kind, TrimBlanks(tables.ObjectName(i)), tables.Alias(i), catalog));

        readColumns(columns);
        readGroups(groups);
        readWhere(conditions);
        readHaving(havings);
        readOrders(orders);
        d.Rows.last() = emptyRow();
    }

private:
    QStringList &newRow()
    {
        d.Rows.insert(d.Rows.size() - 1, emptyRow());
        return d.Rows[d.Rows.size() - 2];
    }

    // The first row whose alias, else whose expression, equals text ignoring case; -1 when none.
    int lookup(const QString &text) const
    {
        for (int col : { int(gcAlias), int(gcExpr) }) {
            for (int r = 0; r < d.Rows.size(); ++r) {
                if (d.Rows[r][col].compare(text, Qt::CaseInsensitive) == 0)
                    return r;
            }
        }
        return -1;
    }

    void readColumns(const TqvParseList &columns)
    {
        for (int i = 0; i < columns.Count(); ++i) {
            QStringList &row = newRow();
            row[gcExpr] = columns.ObjectName(i);
            row[gcAlias] = columns.Alias(i);
            row[gcShow] = selectLike(d.SQLType) ? QStringLiteral("1") : QString();
            const QString expr = row[gcExpr];
            const QString upper = expr.toUpper();
            for (const QString &g : groupNames) {
                if (upper.startsWith(g + u'(') && expr.endsWith(u')')) {
                    row[gcExpr] = TrimBlanks(expr.mid(g.size() + 1, expr.size() - g.size() - 2));
                    row[gcGroup] = g;
                    break;
                }
            }
        }
    }

    void readGroups(const QStringList &groups)
    {
        for (const QString &g : groups) {
            int found = -1;
            for (int r = 0; r < d.Rows.size() - 1 && found < 0; ++r) {
                if (d.Rows[r][gcExpr].compare(g, Qt::CaseInsensitive) == 0)
                    found = r;
            }
            if (found >= 0) {
                d.Rows[found][gcGroup] = groupBy;
            } else {
                QStringList &row = newRow();
                row[gcExpr] = g;
                row[gcGroup] = groupBy;
            }
        }
    }

    struct Condition
    {
        QString left, op, right;
        bool between = false;
        bool rightOuter = false; // "(+)" after the left side
        bool leftOuter = false; // "(+)" after the right side
        bool empty() const { return left.isEmpty() && op.isEmpty() && right.isEmpty(); }
    };

    // Returns whether the token ended a condition (an AND outside BETWEEN).
    static bool endsCondition(const QString &t, Condition &c)
    {
        const QString u = t.toUpper();
        if (u == u"BETWEEN")
            c.between = true;
        if (u == u"AND") {
            if (!c.between)
                return true;
            c.between = false;
        }
        return false;
    }

    void readWhere(QStringList tokens)
    {
        tokens.append(QStringLiteral("AND"));
        Condition c;
        for (const QString &t : std::as_const(tokens)) {
            if (endsCondition(t, c)) {
                if (!c.empty())
                    finishWhere(c);
                c = Condition();
                continue;
            }
            if (c.left.isEmpty() || c.left.endsWith(u'.'))
                c.left += t;
            else if (c.op.isEmpty()) {
                if (t == u"(+)")
                    c.rightOuter = true;
                else
                    c.op = t;
            } else if (c.right.isEmpty())
                c.right = t;
            else if (t == u"(+)")
                c.leftOuter = true;
            else
                c.right += u' ' + t;
        }
    }

    // A condition that is no join line: the operator test, then the row of its left side or a
    // new one.
    void conditionToRow(Condition &c, const QString &group)
    {
        static const QStringList rowOperators = joinOperators
            + QStringList { QStringLiteral("IS"), QStringLiteral("IN"), QStringLiteral("LIKE"),
                            QStringLiteral("BETWEEN") };
        if (!rowOperators.contains(c.op.toUpper())) {
            c.left = c.left + u' ' + c.op + u' ' + c.right;
            c.op.clear();
            c.right.clear();
        }
        const int r = lookup(TrimBlanks(c.left));
        const bool free = r >= 0 && blank(d.Rows[r][gcCondition])
            && (group.isEmpty() || blank(d.Rows[r][gcGroup]) || d.Rows[r][gcGroup] == groupBy);
        if (free) {
            if (!group.isEmpty() && blank(d.Rows[r][gcGroup]))
                d.Rows[r][gcGroup] = group;
            d.Rows[r][gcCondition] = cleanCell(c.op + u' ' + c.right);
            return;
        }
        QStringList &row = newRow();
        if (!c.left.isEmpty() && !c.op.isEmpty() && !c.right.isEmpty()) {
            row[gcExpr] = cleanCell(c.left);
            row[gcCondition] = cleanCell(c.op + u' ' + c.right);
        } else {
            row[gcCondition] = cleanCell(c.left + u' ' + c.op + u' ' + c.right);
        }
        row[gcGroup] = group;
    }

    void finishWhere(Condition &c)
    {
        QString lq, lc, rq, rc;
        splitColumnRef(c.left, lq, lc);
        splitColumnRef(c.right, rq, rc);
        const int from = d.FindTable(lq, lc);
        const int to = d.FindTable(rq, rc);
        if (from >= 0 && to >= 0 && joinOperators.contains(c.op)) {
            TqvSQLDesignConnect line;
            line.FromTable = from;
            line.ToTable = to;
            line.FromColumn = lc;
            line.ToColumn = rc;
            line.ConnectType = connectTypeOf(c.op);
            line.JoinType = c.rightOuter ? jtRightOuter : c.leftOuter ? jtLeftOuter : jtInner;
            d.Connects.append(line);
            return;
        }
        conditionToRow(c, QString());
    }

    void readHaving(QStringList tokens)
    {
        tokens.append(QStringLiteral("AND"));
        Condition c;
        for (const QString &t : std::as_const(tokens)) {
            if (endsCondition(t, c)) {
                if (!c.empty())
                    conditionToRow(c, having);
                c = Condition();
                continue;
            }
            if (c.left.isEmpty())
                c.left = t;
            else if (c.op.isEmpty())
                c.op = t;
            else if (c.right.isEmpty())
                c.right = t;
            else
                c.right += u' ' + t;
        }
    }

    void readOrders(const TqvParseList &orders)
    {
        for (int k = 0; k < orders.Count(); ++k) {
            const QString dir
                = orders.Alias(k).compare(QLatin1String("DESC"), Qt::CaseInsensitive) == 0
                ? descending
                : ascending;
            const int r = lookup(orders.ObjectName(k));
            QStringList &row = r >= 0 ? d.Rows[r] : newRow();
            if (r < 0)
                row[gcExpr] = orders.ObjectName(k);
            row[gcSort] = dir;
            row[gcSortOrder] = QString::number(k + 1);
        }
    }

    TqvSQLDesign &d;
    TqvSQLBuildCatalog *catalog;
};

} // namespace qvsqlbldmodel

using namespace qvsqlbldmodel;

QString UnquoteName(const QString &s)
{
    return DequoteName(s);
}

QString SQLBuildRefusedMessage()
{
    return QStringLiteral("この SQL は、SQLビルダ上に表示する事は出来ません。");
}

// ---- table box texts --------------------------------------------------------------------------

bool TqvSQLDesignTable::IsSubQuery() const
{
    return TableName.startsWith(u'(') && TableName.endsWith(u')');
}

QString TqvSQLDesignTable::AliasName() const
{
    if (!AliasText.isEmpty())
        return AliasText;
    if (IsSubQuery())
        return QString();
    return QuoteName(TableName);
}

QString TqvSQLDesignTable::GetSchema(const QString &currentSchema) const
{
    const QString schema = TrimBlanks(TableSchema);
    // Only the very schema that unqualified names reach may be left out: "Sales" and sales are
    // two schemas.
    if (schema.isEmpty() || schema == currentSchema)
        return QString();
    return QuoteName(TableSchema) + u'.';
}

QString TqvSQLDesignTable::GetRefName(TqvSQLType kind) const
{
    if (selectLike(kind)) {
        const QString alias = AliasName();
        return alias.isEmpty() ? QString() : alias + u'.';
    }
    return AliasText.isEmpty() ? QString() : AliasText + u'.';
}

QString TqvSQLDesignTable::TableReference(const QString &currentSchema) const
{
    if (IsSubQuery())
        return AliasText.isEmpty() ? TableName : TableName + u' ' + AliasText;
    QString ref = GetSchema(currentSchema) + QuoteName(TableName);
    const QString alias = AliasName();
    if (!alias.isEmpty() && alias != TableName && UnquoteName(alias) != TableName)
        ref += u' ' + alias;
    return ref;
}

QString TqvSQLDesignTable::Caption() const
{
    return TableSchema.isEmpty() ? TableName : TableSchema + u'.' + TableName;
}

bool TqvSQLDesignTable::HasColumn(const QString &column) const
{
    return std::any_of(Columns.cbegin(), Columns.cend(), [&](const TqvSQLBuildColumn &c) {
        return c.Name.compare(column, Qt::CaseInsensitive) == 0;
    });
}

// ---- design ---------------------------------------------------------------------------------

QString TqvSQLDesign::NewAliasName() const
{
    QString candidate = QStringLiteral("a");
    for (;;) {
        const bool used = std::any_of(Tables.cbegin(), Tables.cend(),
                                      [&](const auto &t) { return t.AliasName() == candidate; });
        if (!used)
            return candidate;
        if (candidate.endsWith(u'z')) {
            candidate.back() = u'a';
            candidate += u'a';
        } else {
            candidate.back() = QChar(candidate.back().unicode() + 1);
        }
    }
}

int TqvSQLDesign::FindTable(const QString &alias, const QString &column) const
{
    int found = -1;
    for (int i = 0; i < Tables.size(); ++i) {
        const TqvSQLDesignTable &t = Tables[i];
        if ((alias.isEmpty() || t.AliasName().compare(alias, Qt::CaseInsensitive) == 0)
            && t.HasColumn(column))
            found = i;
    }
    return found;
}

// ---- catalog --------------------------------------------------------------------------------

const QString TqvSQLBuildConnCatalog::RelationSQL
    = QStringLiteral("SELECT  CL.oid\n"
                     "FROM    pg_catalog.pg_class      CL\n"
                     "JOIN    pg_catalog.pg_namespace  NS\n"
                     "  ON  NS.oid = CL.relnamespace\n"
                     "WHERE   NS.nspname  = :SCHEMANM\n"
                     "AND     CL.relname  = :NAME\n"
                     "AND     CL.relkind  IN ('r', 'p', 'f', 'v', 'm')");

const QString TqvSQLBuildConnCatalog::ColumnSQL
    = QStringLiteral("SELECT  AT.attname,\n"
                     "        EXISTS (SELECT 1\n"
                     "                FROM   pg_catalog.pg_constraint CO\n"
                     "                WHERE  CO.conrelid = AT.attrelid\n"
                     "                AND    CO.contype  = 'p'\n"
                     "                AND    AT.attnum   = ANY (CO.conkey))  AS iskey\n"
                     "FROM    pg_catalog.pg_attribute  AT\n"
                     "WHERE   AT.attrelid      = :OID\n"
                     "AND     AT.attnum        > 0\n"
                     "AND     NOT AT.attisdropped\n"
                     "ORDER   BY AT.attnum");

const QString TqvSQLBuildConnCatalog::SynonymSQL
    = QStringLiteral("SELECT  Syn.synobjschema, Syn.synobjname\n"
                     "FROM    pg_catalog.pg_synonym    Syn\n"
                     "JOIN    pg_catalog.pg_namespace  Nms\n"
                     "  ON  Syn.synnamespace = Nms.oid\n"
                     "WHERE   Nms.nspname = :AOWNER\n"
                     "AND     Syn.synname = :ANAME");

TqvSQLBuildConnCatalog::TqvSQLBuildConnCatalog(ConnectionWindow *connection)
    : m_connection(connection)
{ }

QString TqvSQLBuildConnCatalog::CurrentSchema() const
{
    return m_connection->dbsMain()->param(QStringLiteral("MetaDefSchema"));
}

void TqvSQLBuildConnCatalog::ReadColumns(TqvSQLDesignTable &table)
{
    const auto relation = [&](const QString &schema, const QString &name) {
        const pg::Result r = m_connection->OpenSQL(RelationSQL, { schema, name });
        return r.rowCount() > 0 ? r.text(0, 0) : QString();
    };
    QString oid = relation(table.TableSchema, table.TableName);
    if (oid.isEmpty() && m_connection->g_bPostgresPlus()) {
        for (const QString &owner : { table.TableSchema, QStringLiteral("public") }) {
            const pg::Result syn = m_connection->OpenSQL(SynonymSQL, { owner, table.TableName });
            if (syn.rowCount() > 0) {
                oid = relation(syn.text(0, 0), syn.text(0, 1));
                break;
            }
        }
    }
    if (oid.isEmpty())
        return;
    const pg::Result cols = m_connection->OpenSQL(ColumnSQL, { oid });
    for (int r = 0; r < cols.rowCount(); ++r)
        table.Columns.append({ cols.text(r, 0), cols.text(r, 1) == u"t" });
}

QStringList TqvSQLBuildConnCatalog::DescribeQuery(const QString &query)
{
    QStringList names;
    const pg::Result r = m_connection->dbsMain()->describe(query);
    for (const pg::Field &f : r.fields())
        names.append(f.name);
    return names;
}

// ---- boxes ----------------------------------------------------------------------------------

TqvSQLDesignTable NewDesignTable(TqvSQLType kind, const QString &name, const QString &alias,
                                 TqvSQLBuildCatalog *catalog)
{
    TqvSQLDesignTable table;
    table.AliasText = alias;
    if (!catalog)
        return table;
    const QString text = TrimBlanks(name);
    if (text.startsWith(u'(') && text.endsWith(u')')) {
        table.TableName = text;
        if (selectLike(kind))
            table.Columns.append({ QStringLiteral("*"), false });
        try {
            for (const QString &c :
                 catalog->DescribeQuery(CopyRange(text, 2, int(text.size()) - 1)))
                table.Columns.append({ c, false });
        } catch (const std::exception &) {
            // a sub-query the server refuses shows only what it had
        }
        return table;
    }
    // "a.b" in double quotes is one name; the first dot outside quotes ends the schema.
    QStringList parts = SplitQuotedName(text, u'.');
    for (QString &p : parts)
        p = TrimBlanks(p);
    if (parts.size() >= 2) {
        table.TableSchema = parts.takeFirst();
        table.TableName = parts.join(u'.');
    } else {
        table.TableSchema = catalog->CurrentSchema();
        table.TableName = parts.value(0);
    }
    if (selectLike(kind))
        table.Columns.append({ QStringLiteral("*"), false });
    catalog->ReadColumns(table);
    return table;
}

QRect PlaceDesignTable(QRect start, const QList<QRect> &others, int width)
{
    QRect r = start;
    for (bool moved = true; moved;) {
        moved = false;
        for (const QRect &o : others) {
            if (r.intersects(o)) {
                r.translate(150, 0);
                if (r.left() > width)
                    r.moveTo(16, r.top() + 176);
                moved = true;
                break;
            }
        }
    }
    return r;
}

bool HasTopLevelOr(const QString &condition)
{
    const sqltext::SpanReader reader(condition);
    const int n = int(condition.size());
    int depth = 0;
    for (int i = 0; i < n;) {
        const sqltext::Span span = reader.spanAt(i);
        if (span.end >= 0) {
            i = span.end;
            continue;
        }
        const QChar c = condition.at(i);
        if (c == u'(' || c == u')') {
            depth += c == u'(' ? 1 : -1;
            ++i;
            continue;
        }
        if (!sqltext::IsParserWordChar(c)) {
            ++i;
            continue;
        }
        int j = i;
        while (j < n && sqltext::IsParserWordChar(condition.at(j)))
            ++j;
        if (depth == 0
            && QStringView(condition).mid(i, j - i).compare(QLatin1String("OR"),
                                                            Qt::CaseInsensitive)
                == 0)
            return true;
        i = j;
    }
    return false;
}

// ---- design to text -------------------------------------------------------------------------

QStringList DesignToSQLLines(TqvSQLDesign &design, const QString &currentSchema)
{
    normalizeRows(design.Rows);
    const TqvSQLType kind = design.SQLType;
    const bool hasTables = !design.Tables.isEmpty();
    QList<QStringList> &rows = design.Rows;
    QStringList lines;

    if (kind == sqltCreateView)
        lines << QStringLiteral("CREATE VIEW ") + quoteViewName(design.ViewName)
                + QStringLiteral(" AS");

    if (selectLike(kind)) {
        bool selectWritten = false;
        if (hasTables) {
            lines << QStringLiteral("SELECT");
            selectWritten = true;
        }
        bool items = false;
        for (const QStringList &row : std::as_const(rows)) {
            if ((blank(row[gcExpr]) && blank(row[gcAlias])) || row[gcShow] != u"1")
                continue;
            if (!selectWritten) {
                lines << QStringLiteral("SELECT");
                selectWritten = true;
            }
            QString item = row[gcExpr];
            if (!blank(row[gcGroup]) && row[gcGroup] != groupBy && row[gcGroup] != having)
                item = row[gcGroup] + u'(' + row[gcExpr] + u')';
            if (!blank(row[gcAlias]))
                item += u' ' + row[gcAlias];
            lines << QStringLiteral("  ") + item + u',';
            items = true;
        }
        if (items)
            cutLast(lines, 1);
        if (hasTables) {
            lines << QStringLiteral("FROM");
            for (const TqvSQLDesignTable &t : std::as_const(design.Tables))
                lines << QStringLiteral("  ") + t.TableReference(currentSchema) + u',';
            cutLast(lines, 1);
        }
    } else if (kind == sqltInsert) {
        if (hasTables)
            lines << QStringLiteral("INSERT INTO ")
                    + design.Tables.first().TableReference(currentSchema);
        QString names, values;
        for (const QStringList &row : std::as_const(rows)) {
            if (blank(row[gcAlias]))
                continue;
            if (!names.isEmpty())
                names += QStringLiteral(", ");
            names += row[gcExpr];
            if (!values.isEmpty())
                values += QStringLiteral(", ");
            values += row[gcAlias];
        }
        if (!names.isEmpty())
            lines << QStringLiteral("  (") + names + u')';
        if (!values.isEmpty())
            lines << QStringLiteral("  VALUES(") + values + u')';
    } else if (kind == sqltUpdate) {
        if (hasTables)
            lines << QStringLiteral("UPDATE ") + design.Tables.first().TableReference(currentSchema)
                    + QStringLiteral(" SET");
        bool items = false;
        for (const QStringList &row : std::as_const(rows)) {
            if (blank(row[gcExpr]) || blank(row[gcAlias]))
                continue;
            lines << QStringLiteral("  ") + row[gcExpr] + QStringLiteral(" = ") + row[gcAlias]
                    + u',';
            items = true;
        }
        if (items)
            cutLast(lines, 1);
    } else if (kind == sqltDelete) {
        if (hasTables)
            lines << QStringLiteral("DELETE FROM ")
                    + design.Tables.first().TableReference(currentSchema);
    }

    if (kind == sqltNone || kind == sqltInsert)
        return lines;

    QStringList where;
    for (const TqvSQLDesignConnect &c : std::as_const(design.Connects)) {
        const TqvSQLDesignTable &from = design.Tables.at(c.FromTable);
        const TqvSQLDesignTable &to = design.Tables.at(c.ToTable);
        where << from.GetRefName(kind) + QuoteName(c.FromColumn)
                + (c.JoinType == jtRightOuter ? QStringLiteral("(+)") : QString())
                + connectOperator(c.ConnectType) + to.GetRefName(kind) + QuoteName(c.ToColumn)
                + (c.JoinType == jtLeftOuter ? QStringLiteral("(+)") : QString());
    }
    for (const QStringList &row : std::as_const(rows)) {
        if (!blank(row[gcCondition]) && row[gcGroup] != groupBy && row[gcGroup] != having)
            where << row[gcExpr] + u' ' + row[gcCondition];
    }
    addConditions(lines, QStringLiteral("WHERE"), where);

    if (selectLike(kind)) {
        QStringList groups;
        for (const QStringList &row : std::as_const(rows)) {
            if (!blank(row[gcExpr]) && row[gcGroup] == groupBy)
                groups << row[gcExpr];
        }
        if (!groups.isEmpty())
            lines << QStringLiteral("GROUP BY ") + groups.join(u',');
    }

    QStringList havings;
    for (const QStringList &row : std::as_const(rows)) {
        if (!blank(row[gcCondition]) && (row[gcGroup] == groupBy || row[gcGroup] == having))
            havings << row[gcExpr] + u' ' + row[gcCondition];
    }
    addConditions(lines, QStringLiteral("HAVING"), havings);

    if (selectLike(kind)) {
        QList<std::pair<QString, int>> sorted;
        for (int r = 0; r < rows.size(); ++r) {
            QStringList &row = rows[r];
            if ((blank(row[gcExpr]) && blank(row[gcAlias]))
                || (blank(row[gcSortOrder]) && blank(row[gcSort])))
                continue;
            QString digits;
            for (const QChar ch : TrimBlanks(row[gcSortOrder])) {
                if (ch >= u'0' && ch <= u'9')
                    digits += ch;
            }
            if (!digits.isEmpty() || !blank(row[gcSort])) {
                bool ok = false;
                int n = digits.toInt(&ok);
                if (digits.isEmpty() || !ok)
                    n = 99999;
                sorted.append({ QString::asprintf("%.5d", n), r });
            }
            row[gcSortOrder].clear();
        }
        if (!sorted.isEmpty()) {
            // Rows with equal keys keep the order of the grid.
            std::stable_sort(sorted.begin(), sorted.end(),
                             [](const auto &a, const auto &b) { return a.first < b.first; });
            QStringList items;
            int k = 1;
            for (const auto &entry : std::as_const(sorted)) {
                QStringList &row = rows[entry.second];
                QString item = blank(row[gcAlias]) ? row[gcExpr] : row[gcAlias];
                if (row[gcSort] == descending)
                    item += QStringLiteral(" DESC");
                if (blank(row[gcSort]))
                    row[gcSort] = ascending;
                row[gcSortOrder] = QString::number(k++);
                items << item;
            }
            lines << QStringLiteral("ORDER BY ") + items.join(u',');
        }
    }
    return lines;
}

void SQLTextToDesign(const QString &text, TqvSQLDesign &design, TqvSQLBuildCatalog *catalog)
{
    Reader(design, catalog).run(text);
}
