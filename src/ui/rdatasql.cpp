#include "rdatasql.h"

#include "core/qvencoding.h"
#include "core/qvfile.h"
#include "core/qvinifile.h"
#include "core/qvoption.h"
#include "platform/pg/paramscanner.h"

#include <QDir>

#include <algorithm>
#include <vector>

namespace rdatasql {

// What each character of statement text is, as the server reads it.
enum CharClass : quint8 {
    Blank, // white space outside literals and comments
    Code, // keywords, names, operators, brackets, ";"
    Quoted, // inside (and including the quotes of) a literal or a quoted name
    Comment,
};

std::vector<CharClass> classify(const QString &s)
{
    std::vector<CharClass> cls(size_t(s.size()), Blank);
    const int n = int(s.size());
    int i = 0;
    while (i < n) {
        const pg::SqlSpan span = pg::skipSqlSpan(s, i);
        if (span.end >= 0) {
            const CharClass c = span.kind == pg::SqlSpanKind::Comment ? Comment : Quoted;
            std::fill(cls.begin() + i, cls.begin() + span.end, c);
            i = span.end;
        } else {
            cls[size_t(i)] = s.at(i).isSpace() ? Blank : Code;
            ++i;
        }
    }
    return cls;
}

// The sort and the row limit, each clause on a line of its own: a line comment that ends the
// text before them (the user's, or the end of an editor's condition) cannot swallow them.
QString orderAndLimit(int sortColumn, bool desc, const QString &hostOrder, qint64 limit)
{
    QString text;
    if (sortColumn > 0) {
        text += QLatin1String("\nORDER BY ") + QString::number(sortColumn);
        if (desc)
            text += QLatin1String(" DESC");
        if (!hostOrder.trimmed().isEmpty())
            text += QLatin1String(", ") + hostOrder.trimmed();
    } else if (!hostOrder.trimmed().isEmpty()) {
        text += QLatin1String("\nORDER BY ") + hostOrder.trimmed();
    }
    if (limit > 0)
        text += QLatin1String("\nLIMIT ") + QString::number(limit);
    return text;
}

// Whether the sort and the limit may follow the text itself rather than a subquery around it:
// one statement that has no clause of its own that must come after them (or, for a sort,
// an order of its own). Then the data layer still sees the user's SELECT … FROM the table and
// can add the row identity of a table without a primary key, so the result stays editable.
bool takesOrderAndLimit(const QString &sql, const std::vector<CharClass> &cls, bool sorting)
{
    for (int i = 0; i < int(sql.size()); ++i) {
        if (cls[size_t(i)] == Code && sql.at(i) == QLatin1Char(';'))
            return false;
    }
    if (sorting && pg::findTopLevelWord(sql, QLatin1String("ORDER")) >= 0)
        return false;
    for (const QLatin1String word : { QLatin1String("LIMIT"), QLatin1String("OFFSET"),
                                      QLatin1String("FETCH"), QLatin1String("FOR") }) {
        if (pg::findTopLevelWord(sql, word) >= 0)
            return false;
    }
    return true;
}

const QLatin1String widthSectionV("COLWIDTH_V");
const QLatin1String widthSectionH("COLWIDTH_H");
const QLatin1String widthKeyAll("(ALL)");

} // namespace rdatasql

QString RemoveTrailingSemicolon(const QString &sql)
{
    const auto cls = rdatasql::classify(sql);
    for (int i = int(sql.size()) - 1; i >= 0; --i) {
        const auto c = cls[size_t(i)];
        if (c == rdatasql::Blank || c == rdatasql::Comment)
            continue;
        if (c == rdatasql::Code && sql.at(i) == QLatin1Char(';'))
            return sql.left(i) + sql.mid(i + 1);
        break;
    }
    return sql;
}

bool IsWrappableQuery(const QString &sql)
{
    const QString word = pg::firstKeyword(sql);
    return word == QLatin1String("SELECT") || word == QLatin1String("WITH")
        || word == QLatin1String("VALUES") || word == QLatin1String("TABLE");
}

QString BuildCountQuery(const QString &sql)
{
    return QStringLiteral("SELECT COUNT(*) FROM (\n") + RemoveTrailingSemicolon(sql.trimmed())
        + QStringLiteral("\n) TBL");
}

QString BuildDataQuery(const QString &sql, int sortColumn, bool desc, qint64 limit)
{
    if ((sortColumn <= 0 && limit <= 0) || !IsWrappableQuery(sql))
        return sql;
    const QString text = RemoveTrailingSemicolon(sql);
    const QString clauses = rdatasql::orderAndLimit(sortColumn, desc, {}, limit);
    if (rdatasql::takesOrderAndLimit(text, rdatasql::classify(text), sortColumn > 0))
        return text + clauses;
    return QLatin1String("SELECT * FROM (\n") + text + QLatin1String("\n) AS q") + clauses;
}

QString BuildTableQuery(const TDataTableSource &source, int sortColumn, bool desc, qint64 limit)
{
    QStringList columns;
    for (const QString &column : source.columns)
        columns << pg::quoteIdentifier(column);
    QString text = QLatin1String("SELECT ")
        + (columns.isEmpty() ? QStringLiteral("*") : columns.join(QLatin1String(", ")))
        + QLatin1String(" FROM ");
    if (!source.schema.isEmpty())
        text += pg::quoteIdentifier(source.schema) + QLatin1Char('.');
    text += pg::quoteIdentifier(source.name);
    if (!source.where.trimmed().isEmpty())
        text += QLatin1String("\nWHERE ") + source.where.trimmed();
    return text + rdatasql::orderAndLimit(sortColumn, desc, source.orderBy, limit);
}

int SelectListCount(const QString &sql)
{
    const auto cls = rdatasql::classify(sql);
    const int select = pg::findTopLevelWord(sql, QLatin1String("SELECT"));
    if (select < 0)
        return 0;
    const int from = pg::findTopLevelWord(sql, QLatin1String("FROM"), select + 6);
    if (from < 0)
        return 0;
    int depth = 0;
    int count = 1;
    for (int i = select + 6; i < from; ++i) {
        if (cls[size_t(i)] != rdatasql::Code)
            continue;
        const QChar c = sql.at(i);
        if (c == QLatin1Char('(') || c == QLatin1Char('['))
            ++depth;
        else if (c == QLatin1Char(')') || c == QLatin1Char(']'))
            --depth;
        else if (c == QLatin1Char(',') && depth == 0)
            ++count;
    }
    return count;
}

bool ParseRowLimit(const QString &text, qint64 *limit)
{
    const QString t = text.trimmed();
    *limit = 0;
    if (t.isEmpty())
        return true;
    for (const QChar c : t) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    bool ok = false;
    const qint64 value = t.toLongLong(&ok);
    if (!ok || value < 1)
        return false;
    *limit = value;
    return true;
}

QString RowLimitMessage()
{
    return QStringLiteral("表示件数には1以上の整数を入力して下さい。");
}

bool IsRowLimitedOwnerName(const QString &objectName)
{
    return objectName.startsWith(QLatin1String("frmTable"))
        || objectName.startsWith(QLatin1String("frmView"))
        || objectName.startsWith(QLatin1String("frmMView"));
}

QString ColumnWidthsFileName(const QString &tableName)
{
    return AppOption.TempDir + RemoveInvalidFileChars(tableName) + QLatin1String(".ini");
}

TColumnWidths LoadColumnWidths(const QString &tableName, const QStringList &titles)
{
    QDir().mkpath(AppOption.TempDir);
    const TqvMemIniFile file(ColumnWidthsFileName(tableName), GetFileEncoding());
    TColumnWidths widths;
    for (const QString &title : titles) {
        const int w = file.ReadInteger(rdatasql::widthSectionV, title, 0);
        widths.vertical << (w >= 1 ? w : 0);
    }
    const int h = file.ReadInteger(rdatasql::widthSectionH, rdatasql::widthKeyAll, 0);
    widths.horizontal = h > 0 ? h : 0;
    return widths;
}

void SaveColumnWidths(const QString &tableName, const QStringList &titles, const QList<int> &widths,
                      int horizontal)
{
    if (!QDir().mkpath(AppOption.TempDir))
        throw TextFileError(
            QStringLiteral("フォルダ %1 を作成できません。").arg(AppOption.TempDir).toStdString());
    TqvMemIniFile file(ColumnWidthsFileName(tableName), GetFileEncoding());
    for (int i = 0; i < titles.size() && i < widths.size(); ++i)
        file.WriteInteger(rdatasql::widthSectionV, titles.at(i), widths.at(i));
    file.WriteInteger(rdatasql::widthSectionH, rdatasql::widthKeyAll, horizontal);
    file.UpdateFile();
}
