// The values of generated rows, drawn with a fixed seed.
#include "datagentest.h"

#include <QRegularExpression>

using datagentest::DataGenTest;

namespace {

TColParams column(const QString &type, int length = 0, int scale = 0)
{
    TColParams r;
    r.ColumnName = QStringLiteral("c");
    r.DataType = type;
    r.Length = length;
    r.Scale = scale;
    r.CharUsed = DataGenCharTypeNames.contains(type);
    return r;
}

} // namespace

class DataGenValueTest : public DataGenTest
{
protected:
    // The values of one rule over rows 0 .. rows-1.
    QList<QVariant> values(const TColParams &r, int rows)
    {
        gen.DataGenColumns = { r };
        QList<QVariant> out;
        for (int row = 0; row < rows; ++row) {
            gen.SetRowParams(row);
            const auto &p = gen.RowParams().at(0);
            if (!p)
                throw std::runtime_error("the column took no parameter");
            out << p->value;
        }
        return out;
    }
    QStringList texts(const TColParams &r, int rows)
    {
        QStringList out;
        for (const QVariant &v : values(r, rows))
            out << v.toString();
        return out;
    }
};

TEST_F(DataGenValueTest, NullShareGivesSqlNullOfEveryType)
{
    for (const QString type : { "text", "character varying", "integer", "numeric", "date" }) {
        SCOPED_TRACE(type.toStdString());
        TColParams r = column(type, 10);
        r.SetType = type == "date"                     ? stRandDate
            : (type == "integer" || type == "numeric") ? stRandNum
                                                       : stRandStr;
        r.DateFrom = r.DateTo = DataGenDateTime(QDate(2020, 1, 1));
        r.StrDigit = "5";
        r.NullPar = 100;
        for (const QVariant &v : values(r, 20))
            EXPECT_TRUE(v.isNull()) << v.toString().toStdString();
        r.NullPar = 0;
        for (const QVariant &v : values(r, 20))
            EXPECT_FALSE(v.isNull());
    }
    // a fixed text and a column without rule take no parameter, whatever their share
    TColParams fixed = column("text");
    fixed.SetType = stVar;
    fixed.NullPar = 100;
    TColParams none = column("text");
    none.NullPar = 100;
    gen.DataGenColumns = { fixed, none };
    gen.SetRowParams(0);
    EXPECT_FALSE(gen.RowParams().at(0).has_value());
    EXPECT_FALSE(gen.RowParams().at(1).has_value());
}

TEST_F(DataGenValueTest, NumberSequences)
{
    TColParams r = column("character varying", 5);
    r.SetType = stSeqNum;
    r.NumFrom = 1;
    r.Marume = 1;
    r.StrFull = true;
    r.StrPrefix = "A";
    r.FlgPrefix = true;
    EXPECT_EQ(texts(r, 3), QStringList({ "A0001", "A0002", "A0003" }));
    r.FlgPrefix = false;
    EXPECT_EQ(texts(r, 3), QStringList({ "00001", "00002", "00003" }));

    TColParams n = column("integer");
    n.SetType = stSeqNum;
    n.NumFrom = 1;
    n.Marume = 1;
    const QList<QVariant> whole = values(n, 2);
    EXPECT_EQ(whole.at(0).typeId(), QMetaType::LongLong);
    EXPECT_EQ(whole.at(1).toLongLong(), 2);

    TColParams half = column("numeric");
    half.SetType = stSeqNum;
    half.NumFrom = 0.5;
    half.Marume = 0.5;
    const QList<QVariant> halves = values(half, 3);
    EXPECT_EQ(halves.at(0).toString(), "0.5");
    EXPECT_EQ(halves.at(1).typeId(), QMetaType::LongLong);
    EXPECT_EQ(halves.at(1).toLongLong(), 1);
    EXPECT_EQ(halves.at(2).toString(), "1.5");

    // whole numbers are 64-bit
    TColParams big = column("bigint");
    big.SetType = stSeqNum;
    big.NumFrom = 3000000000.0;
    big.Marume = 1;
    EXPECT_EQ(values(big, 3).at(2).toLongLong(), 3000000002LL);
}

TEST_F(DataGenValueTest, RandomNumbersStayInTheirRangeAndUnit)
{
    TColParams r = column("integer");
    r.SetType = stRandNum;
    r.NumFrom = 10;
    r.NumTo = 20;
    QSet<qint64> seen;
    for (const QVariant &v : values(r, 400)) {
        ASSERT_EQ(v.typeId(), QMetaType::LongLong);
        ASSERT_GE(v.toLongLong(), 10);
        ASSERT_LE(v.toLongLong(), 19); // the upper bound is never reached
        seen << v.toLongLong();
    }
    EXPECT_EQ(seen.size(), 10);

    TColParams money = column("numeric", 10, 2);
    money.SetType = stRandNum;
    money.NumFrom = 10;
    money.NumTo = 20;
    static const QRegularExpression cents(R"(^1\d\.\d\d$)");
    for (const QString &t : texts(money, 200))
        ASSERT_TRUE(cents.match(t).hasMatch()) << t.toStdString();

    TColParams unit = column("integer");
    unit.SetType = stRandNum;
    unit.NumFrom = 10;
    unit.NumTo = 20;
    unit.Marume = 5;
    QSet<QString> units;
    for (const QString &t : texts(unit, 100))
        units << t;
    EXPECT_EQ(units, QSet<QString>({ "10", "15" }));

    TColParams any = column("numeric");
    any.SetType = stRandNum;
    for (const QString &t : texts(any, 200)) {
        bool ok = false;
        const double v = t.toDouble(&ok);
        ASSERT_TRUE(ok) << t.toStdString();
        ASSERT_GE(v, 0);
        ASSERT_LT(v, 2147483647.0);
        ASSERT_LE(t.section('.', 1).size(), 4);
    }

    TColParams zero = column("integer");
    zero.SetType = stRandNum;
    zero.NumTo = 20;
    zero.Marume = 0.3; // scaled unit 3: fine
    EXPECT_NO_THROW(values(zero, 5));
}

TEST_F(DataGenValueTest, RandomTextsOfEveryKindKeepTheirShape)
{
    struct Case
    {
        const char *name;
        const char *type;
        int length;
        int strType;
        bool full;
        const char *digit;
        bool sjis;
        const char *pattern;
    };
    const Case cases[] = {
        { "letters", "character varying", 10, dsLetters, false, "", false, "^[A-Z]{1,10}$" },
        { "letters full", "character varying", 10, dsLetters, true, "", false, "^[A-Z]{10}$" },
        { "letters max 3", "character varying", 10, dsLetters, false, "3", false, "^[A-Z]{1,3}$" },
        { "no length", "character varying", 0, dsLetters, false, "", false, "^[A-Z]$" },
        { "text full", "text", 0, dsLetters, true, "", false, "^$" },
        { "text max", "text", 0, dsDigits, false, "100", false, "^[0-9]{1,100}$" },
        { "alnum", "character varying", 8, dsAlnum, false, "", false, "^[0-9A-Z]{1,8}$" },
        { "url", "character varying", 30, dsUrl, false, "", false,
          R"(^www\.[a-z]{3,20}\.(com|co\.jp|ne\.jp|ac\.jp|jp|net)$)" },
        { "mail", "character varying", 30, dsMail, false, "", false,
          R"(^[a-z]{2,}@[a-z]+\.(com|co\.jp|ne\.jp|ac\.jp|jp|net)$)" },
        { "phone", "character varying", 20, dsPhone, false, "", false,
          R"(^(0[346]-\d{4}-\d{4}|0\d{2}-\d{3}-\d{4}|0\d{3}-\d{2}-\d{4})$)" },
        { "postal", "character varying", 8, dsPostal, false, "", false, R"(^\d{3}-\d{4}$)" },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TColParams r = column(c.type, c.length);
        r.SetType = stRandStr;
        r.StrType = c.strType;
        r.StrFull = c.full;
        r.StrDigit = c.digit;
        gen.IsSJIS = c.sjis;
        const QRegularExpression shape(QString::fromUtf8(c.pattern));
        for (const QString &t : texts(r, 200)) {
            ASSERT_TRUE(shape.match(t).hasMatch()) << t.toStdString();
            if (c.strType == dsMail) {
                const int at = int(t.indexOf('@'));
                EXPECT_EQ(t.at(at - 1), t.at(at + 1)); // one letter on both sides
            }
            if (c.strType == dsPhone || c.strType == dsPostal) {
                for (const QString &group : t.mid(c.strType == dsPhone ? 1 : 0).split('-'))
                    EXPECT_NE(group.count('0'), group.size()) << t.toStdString();
            }
        }
    }

    // full-width lengths: bytes of UTF-8, bytes of Shift JIS, characters
    TColParams wide = column("bytea", 20);
    wide.SetType = stRandStr;
    wide.StrType = dsFullWidth;
    wide.StrFull = true;
    gen.IsSJIS = false;
    EXPECT_EQ(texts(wide, 1).at(0).size(), 6);
    gen.IsSJIS = true;
    EXPECT_EQ(texts(wide, 1).at(0).size(), 10);
    TColParams chars = column("character varying", 20);
    chars.SetType = stRandStr;
    chars.StrType = dsFullWidth;
    chars.StrFull = true;
    const QString t = texts(chars, 1).at(0);
    EXPECT_EQ(t.size(), 20);
    for (const QChar ch : t)
        EXPECT_TRUE(FullWidthChars.contains(QString(ch)));

    // a text column without a maximum length cannot draw one
    TColParams text = column("text");
    text.SetType = stRandStr;
    EXPECT_THROW(values(text, 1), DataGenError);
}

TEST_F(DataGenValueTest, ListsTemplatesAndDateSequences)
{
    TColParams list = column("integer");
    list.SetType = stIn;
    EXPECT_TRUE(values(list, 3).at(0).isNull()); // an empty list gives NULL
    list.Variable = { "7", "8" };
    for (const QVariant &v : values(list, 20))
        EXPECT_TRUE(v.toLongLong() == 7 || v.toLongLong() == 8);
    list.Variable = { "abc" };
    EXPECT_THROW(values(list, 1), DataGenError);

    TColParams tpl = column("character varying", 4);
    tpl.SetType = stTemplate;
    tpl.TemplateSep = "-";
    tpl.Template2 = { "second" };
    EXPECT_EQ(texts(tpl, 1), QStringList({ "seco" })); // file 2 alone, no separator, cut
    tpl.Template1 = { "a" };
    tpl.Length = 20;
    EXPECT_EQ(texts(tpl, 1), QStringList({ "a-second" }));

    TColParams days = column("date");
    days.SetType = stSeqDate;
    days.DateFrom = DataGenDateTime(QDate(2020, 1, 30), QTime(15, 0));
    EXPECT_EQ(texts(days, 3), QStringList({ "2020-01-30", "2020-01-31", "2020-02-01" }));
    TColParams clock = column("time without time zone");
    clock.SetType = stSeqTime;
    clock.DateFrom = DataGenDateTime(QDate(2020, 1, 30), QTime(23, 59, 59));
    EXPECT_EQ(texts(clock, 2), QStringList({ "23:59:59", "00:00:00" }));
    TColParams stamp = column("timestamp without time zone");
    stamp.SetType = stSeqDtTm;
    stamp.DateFrom = DataGenDateTime(QDate(2020, 1, 30), QTime(23, 59, 59));
    EXPECT_EQ(texts(stamp, 2), QStringList({ "2020-01-30 23:59:59", "2020-01-31 00:00:00" }));
}

TEST_F(DataGenValueTest, RandomDateTimeStaysBetweenItsBounds)
{
    const QDateTime from = DataGenDateTime(QDate(2020, 1, 31), QTime(10, 0));
    const QDateTime to = DataGenDateTime(QDate(2020, 2, 1), QTime(9, 0));
    QSet<QDate> dates;
    for (int i = 0; i < 2000; ++i) {
        const QDateTime v = gen.RandomDateTime(from, to, "DATETIME");
        ASSERT_GE(v, from) << v.toString().toStdString();
        ASSERT_LE(v, to) << v.toString().toStdString();
        dates << v.date();
    }
    EXPECT_EQ(dates.size(), 2);

    // DATE keeps the time of From, TIME its date
    const QDateTime longFrom = DataGenDateTime(QDate(2019, 11, 15), QTime(8, 30, 5));
    const QDateTime longTo = DataGenDateTime(QDate(2021, 2, 3), QTime(7, 0));
    QSet<int> years;
    for (int i = 0; i < 2000; ++i) {
        const QDateTime d = gen.RandomDateTime(longFrom, longTo, "DATE");
        ASSERT_EQ(d.time(), QTime(8, 30, 5));
        ASSERT_GE(d.date(), longFrom.date());
        ASSERT_LE(d.date(), longTo.date());
        years << d.date().year();
        const QDateTime t
            = gen.RandomDateTime(DataGenDateTime(QDate(2020, 5, 5), QTime(10, 20, 30)),
                                 DataGenDateTime(QDate(2020, 5, 5), QTime(10, 25, 0)), "TIME");
        ASSERT_EQ(t.date(), QDate(2020, 5, 5));
        ASSERT_GE(t.time(), QTime(10, 20, 30));
        ASSERT_LE(t.time(), QTime(10, 25, 0));
    }
    EXPECT_EQ(years, QSet<int>({ 2019, 2020, 2021 }));
    // equal bounds give the bound
    EXPECT_EQ(gen.RandomDateTime(from, from, "DATETIME"), from);
}

TEST_F(DataGenValueTest, LinkTableIsWalkedInOrderAndRestartsAfterTheLastRow)
{
    TColParams v = column("integer");
    v.ColumnName = "v";
    v.SetType = stLink;
    v.LinkOwner = "datagen";
    v.LinkTable = "link3";
    v.LinkColumn = "v";
    TColParams label = column("text");
    label.ColumnName = "label";
    label.SetType = stLink;
    label.LinkOwner = "datagen";
    label.LinkTable = "link3";
    label.LinkColumn = "label";
    gen.DataGenColumns = { v, label };
    gen.OpenLinkQueries();
    EXPECT_EQ(gen.DataGenColumns[0].LinkQueryColPos, 0);
    EXPECT_EQ(gen.DataGenColumns[1].LinkQueryColPos, 1);
    EXPECT_EQ(gen.DataGenColumns[1].LinkQueryTabPos, 0);
    QList<qint64> walk;
    bool repeated = false;
    for (int row = 0; row < 200; ++row) {
        gen.SetRowParams(row);
        const qint64 value = gen.RowParams().at(0)->value.toLongLong();
        // both columns come from the same row of the one query
        EXPECT_EQ(gen.RowParams().at(1)->value.toString(),
                  QString(QChar(char16_t(u'a' + value - 1))));
        if (!walk.isEmpty()) {
            const qint64 before = walk.last();
            repeated = repeated || value == before;
            EXPECT_TRUE(value >= before || value == 1) << before << " -> " << value;
        }
        walk << value;
    }
    EXPECT_EQ(walk.first(), 1);
    EXPECT_TRUE(repeated);
    EXPECT_TRUE(walk.contains(2) && walk.contains(3));
    gen.CloseLinkQueries();
    EXPECT_EQ(conn.dbsMain()->exec("SELECT count(*) FROM pg_cursors").text(0, 0), "0");

    // an empty link table gives NULL
    conn.dbsMain()->exec("CREATE TABLE datagen.empty_link (v integer)");
    v.LinkTable = "empty_link";
    gen.DataGenColumns = { v };
    gen.OpenLinkQueries();
    for (int row = 0; row < 3; ++row) {
        gen.SetRowParams(row);
        EXPECT_TRUE(gen.RowParams().at(0)->value.isNull());
    }
    gen.CloseLinkQueries();
}
