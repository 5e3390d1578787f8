// The formatter: the house layout of the listed cases as golden outputs, and over every SQL
// fixture of the tests, under every setting, that nothing but blanks and line breaks changes.
#include "sqllang/qvformat.h"
#include "sqllang/qvsqltext.h"
#include "sqllangtest.h"

#include "core/qvoption.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace formattest {

TFormatOption defaults()
{
    TFormatOption o;
    o.Indent = 4;
    o.ItemReturn = 0;
    o.ReservePos = 0;
    o.CommaPos = 0;
    o.AndPos = 0;
    o.ReserveTrans = 0;
    o.ItemTrans = 2;
    return o;
}

struct GoldenCase
{
    const char *name;
    QString in;
    QStringList out;
    void (*options)(TFormatOption &) = nullptr;
};

QString lines(std::initializer_list<const char *> l)
{
    QStringList r;
    for (const char *s : l)
        r.append(QString::fromUtf8(s));
    return r.join(QLatin1Char('\n'));
}

TEST(FormatSQL, GoldenOutputs)
{
    const QString simple = QStringLiteral("select a, b from t where x = 1 and y = 2 order by a");
    const GoldenCase cases[] = {
        { "defaults",
          simple,
          { "SELECT a", "      ,b", "  FROM t", " WHERE x = 1", "   AND y = 2", " ORDER BY a" } },
        { "left aligned, trailing commas and AND",
          simple,
          { "SELECT a,", "       b", "FROM   t", "WHERE  x = 1 AND", "       y = 2", "ORDER BY a" },
          [](TFormatOption &o) { o.ReservePos = 1, o.CommaPos = 1, o.AndPos = 1; } },
        { "items on one line",
          QStringLiteral("select a, b from t where x = 1 and y = 2"),
          { "SELECT a, b", "  FROM t", " WHERE x = 1 AND y = 2" },
          [](TFormatOption &o) { o.ItemReturn = 1; } },
        { "lower-case keywords",
          QStringLiteral("SELECT A FROM T"),
          { "select A", "  from T" },
          [](TFormatOption &o) { o.ReserveTrans = 1; } },
        { "upper-case names, literals kept",
          QStringLiteral("select name from t where x = 'abc' -- keep me"),
          { "SELECT NAME", "  FROM T", " WHERE X = 'abc' -- keep me" },
          [](TFormatOption &o) { o.ItemTrans = 0; } },
        { "group and order",
          QStringLiteral("select a from t group by a, b order by a desc, b"),
          { "SELECT a", "  FROM t", " GROUP BY a", "         ,b", " ORDER BY a DESC",
            "         ,b" } },
        { "between",
          QStringLiteral("select a from t where a between 1 and 2 and b = 3"),
          { "SELECT a", "  FROM t", " WHERE a BETWEEN 1 AND 2", "   AND b = 3" } },
        { "update",
          QStringLiteral("update t set a = 1, b = 'x' where id = 2;"),
          { "UPDATE t", "   SET a = 1", "      ,b = 'x'", " WHERE id = 2 ;" } },
        { "insert",
          QStringLiteral("insert into t (a, b) values (1, 'x')"),
          { "INSERT INTO t", "       (a", "       ,b)", "VALUES (1", "       ,'x')" } },
        { "lone semicolon",
          QStringLiteral("SELECT a FROM t  \n;"),
          { "SELECT a", "  FROM t", ";" } },
        { "left join",
          QStringLiteral("SELECT a FROM t1 LEFT JOIN t2 ON t1.x = t2.x"),
          { "SELECT a", "  FROM t1", "  LEFT JOIN t2 ON t1.x = t2.x" } },
        { "left outer join",
          QStringLiteral("SELECT a FROM t1 LEFT OUTER JOIN t2 ON t1.x = t2.x"),
          { "SELECT a", "  FROM t1", "  LEFT OUTER", "  JOIN t2 ON t1.x = t2.x" } },
        { "comment after an item",
          QStringLiteral("select a,\nb -- note\nfrom t"),
          { "SELECT a", "      ,b -- note", "  FROM t" } },
        { "comment before a comma",
          QStringLiteral("select a -- c\n, b from t"),
          { "SELECT a -- c", "      ,b", "  FROM t" } },
        { "comment after a condition",
          QStringLiteral("select a from t where x = 1 -- c\nand y = 2"),
          { "SELECT a", "  FROM t", " WHERE x = 1 -- c", "   AND y = 2" } },
        { "in list",
          QStringLiteral("select a from t where x in (1, 2)"),
          { "SELECT a", "  FROM t", " WHERE x IN(1 , 2)" } },
        { "block",
          lines({ "begin", "if x > 1 then", "x := 2;", "else", "x := 3;", "end if;", "end;" }),
          { "BEGIN", "    IF x > 1 THEN", "        x := 2;", "    ELSE", "        x := 3;",
            "    END IF;", "END;" } },
        { "block, indent 2",
          lines({ "begin", "if x > 1 then", "x := 2;", "else", "x := 3;", "end if;", "end;" }),
          { "BEGIN", "  IF x > 1 THEN", "    x := 2;", "  ELSE", "    x := 3;", "  END IF;",
            "END;" },
          [](TFormatOption &o) { o.Indent = 2; } },
        { "no keyword keeps its layout", QStringLiteral("foo  bar\r\nbaz"), { "foo  bar", "baz" } },
        { "CR LF input",
          QStringLiteral("select a,\r\nb\r\nfrom t"),
          { "SELECT a", "      ,b", "  FROM t" } },
        { "dollar-quoted body left as it is",
          QStringLiteral(
              "create function f() returns int as $$\nselect   1\n  from t; $$ language sql;"),
          { "CREATE FUNCTION f() RETURNS INT AS $$", "select   1", "  from t; $$ LANGUAGE sql;" } },
        { "E string and exponent",
          QStringLiteral("select a from t where b = E'x\\'y' and c < 1.5e-3"),
          { "SELECT a", "  FROM t", " WHERE b = E'x\\'y'", "   AND c < 1.5e-3" } },
        { "operators stay whole",
          QStringLiteral("select a from t where b>=1 and c!=d and e::int=2"),
          { "SELECT a", "  FROM t", " WHERE b >= 1", "   AND c != d", "   AND e::INT = 2" } },
        { "drop if exists",
          QStringLiteral("drop table if exists t;"),
          { "DROP TABLE IF EXISTS t;" } },
        { "table definition keeps its layout",
          lines({ "create table t (", "    a int references u on delete cascade,", "    b text",
                  ");" }),
          { "CREATE TABLE t (", "    a INT REFERENCES u ON DELETE CASCADE,", "    b TEXT", ");" } },
        { "comment on ... is",
          QStringLiteral("comment on table t is 'x';\ncomment on column t.a is 'y';"),
          { "COMMENT ON TABLE t IS 'x';", "COMMENT ON COLUMN t.a IS 'y';" } },
        { "privileges and trigger events",
          QStringLiteral("grant select, update on t to u;\ncreate trigger tr before insert or "
                         "update on t for each row execute function f();"),
          { "GRANT SELECT, UPDATE ON t TO u;",
            "CREATE TRIGGER tr BEFORE INSERT OR UPDATE ON t FOR EACH ROW EXECUTE FUNCTION f();" } },
        { "view body",
          QStringLiteral("create view v as\n    select a from t;"),
          { "CREATE VIEW v AS", "SELECT a", "  FROM t;" } },
        { "rule",
          QStringLiteral("create rule r as on delete to t where old.c do instead nothing;"),
          { "CREATE RULE r AS ON DELETE TO t", " WHERE old.c DO INSTEAD NOTHING;" } },
        { "procedure header with IS",
          lines({ "create procedure p is", "n integer;", "begin", "null;", "end;" }),
          { "CREATE PROCEDURE p", "IS", "    n INTEGER;", "BEGIN", "    NULL;", "END;" } },
        { "nested function commas",
          QStringLiteral("select coalesce(f(a), b), c from t"),
          { "SELECT COALESCE(f(a), b)", "      ,c", "  FROM t" } },
    };
    for (const GoldenCase &c : cases) {
        SCOPED_TRACE(c.name);
        TFormatOption o = defaults();
        if (c.options)
            c.options(o);
        EXPECT_EQ(FormatSQL(c.in, o), c.out.join(QLatin1Char('\n')));
    }
    EXPECT_EQ(FormatSQL(QString(), defaults()), QString());
}

TEST(FormatSQL, ReadsTheSharedSettings)
{
    const TFormatOption old = FormatOption;
    FormatOption = defaults();
    FormatOption.ReserveTrans = 1;
    EXPECT_EQ(FormatSQL(QStringLiteral("SELECT a FROM t")), QStringLiteral("select a\n  from t"));
    FormatOption = old;
}

// ---- the property: only blanks and line breaks change

using sqllangtest::significantTokens;

QStringList fixtureFiles()
{
    QDir dir(QStringLiteral(CORVANE_SOURCE_DIR "/tests/support"));
    QStringList files;
    for (const QString &name : dir.entryList({ QStringLiteral("*.sql") }, QDir::Files))
        files.append(dir.filePath(name));
    return files;
}

TEST(FormatSQL, KeepsEveryTokenOfTheFixturesUnderEverySetting)
{
    const QStringList files = fixtureFiles();
    ASSERT_FALSE(files.isEmpty());
    for (const QString &path : files) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QString sql = QString::fromUtf8(file.readAll());
        const QStringList expected = significantTokens(sql);
        for (int bits = 0; bits < 64; ++bits) {
            TFormatOption o = defaults();
            o.ItemReturn = bits & 1;
            o.ReservePos = (bits >> 1) & 1;
            o.CommaPos = (bits >> 2) & 1;
            o.AndPos = (bits >> 3) & 1;
            o.ReserveTrans = (bits >> 4) & 1;
            o.ItemTrans = (bits >> 5) & 1;
            SCOPED_TRACE(QStringLiteral("%1, settings %2").arg(path).arg(bits).toStdString());
            const QString formatted = FormatSQL(sql, o);
            EXPECT_FALSE(formatted.contains(u'\r'));
            const QStringList got = significantTokens(formatted);
            ASSERT_EQ(got.size(), expected.size());
            for (int k = 0; k < got.size(); ++k)
                ASSERT_EQ(got.at(k), expected.at(k)) << "token " << k;
            // a second pass changes nothing more of the tokens either
            EXPECT_EQ(significantTokens(FormatSQL(formatted, o)), expected);
        }
    }
}

} // namespace formattest
