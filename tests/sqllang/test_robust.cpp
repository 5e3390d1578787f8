// Any text, however broken, goes through the parser, the comment stripper and the formatter
// without a crash or a hang, and the formatter still changes nothing but blanks and line breaks.
#include "sqllang/qvformat.h"
#include "sqllang/qvparse.h"
#include "sqllangtest.h"

#include "core/qvoption.h"

#include <QRandomGenerator>

#include <gtest/gtest.h>

namespace robusttest {

// Fragments that open and close literals, comments, brackets and clauses in every order.
QString randomSql(QRandomGenerator &random, int pieces)
{
    static const char *fragments[] = {
        "select ",   "from ",    "where ",
        "and ",      "or ",      "group by ",
        "order by ", "having ",  "insert into ",
        "values ",   "update ",  "set ",
        "delete ",   "union ",   "left ",
        "outer ",    "join ",    "on ",
        "between ",  "begin ",   "end ",
        "if ",       "then ",    "else ",
        "loop ",     "declare ", "exception ",
        "when ",     "create ",  "is ",
        "for ",      "cursor ",  "t",
        "a",         "1.5e-3",   ",",
        ";",         "\n;\n",    "(",
        ")",         "'",        "''",
        "\"",        "$$",       "$x$",
        "--",        "/*",       "*/",
        "\n",        "\r\n",     "\r",
        " ",         "\t",       "=",
        "<>",        ">=",       "!=",
        "::",        ":=",       "E'",
        "\\",        "ム",       "表",
        "x.y",       "*",        "-",
        "/",         "+",        "||",
    };
    const int count = int(sizeof(fragments) / sizeof(fragments[0]));
    QString s;
    for (int i = 0; i < pieces; ++i)
        s += QString::fromUtf8(fragments[random.bounded(count)]);
    return s;
}

QStringList plainTokens(const QString &s)
{
    // without blanks: the formatter may only move blanks and line breaks, so the text without
    // them stays the same apart from the letter case of words outside literals and comments
    QString compact;
    for (const QChar c : s) {
        if (!c.isSpace())
            compact += c;
    }
    return { compact };
}

TEST(Robustness, RandomTextThroughEveryService)
{
    QRandomGenerator random(20261211);
    TFormatOption o;
    o.Indent = 4;
    o.ItemTrans = 2;
    o.ReserveTrans = 2; // case kept, so that the text without blanks must come back unchanged
    for (int round = 0; round < 3000; ++round) {
        const QString sql = randomSql(random, 1 + round % 40);
        SCOPED_TRACE(sql.toStdString());
        for (const QString &message : { QString(), QStringLiteral("x") }) {
            TqvParseList columns, tables, orders;
            QStringList conditions, groups, havings;
            QString viewName;
            try {
                ParseSQL(sql, &columns, &tables, &orders, &conditions, &groups, &havings, message,
                         viewName);
            } catch (const ESQLParseError &) { }
        }
        QStringList lines = sql.split(QLatin1Char('\n'));
        StripSQLComments(lines, round % 2 == 0);
        o.CommaPos = round % 2;
        o.AndPos = (round / 2) % 2;
        o.ItemReturn = (round / 4) % 2;
        const QString formatted = FormatSQL(sql, o);
        ASSERT_EQ(plainTokens(formatted), plainTokens(sql));
        ASSERT_EQ(sqllangtest::significantTokens(formatted), sqllangtest::significantTokens(sql));
    }
}

} // namespace robusttest
