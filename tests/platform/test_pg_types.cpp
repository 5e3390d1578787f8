// Every common type: its field class, and exact round trips through parameters, results,
// data-set writes and large-object streams.
#include "pgtestutil.h"

#include "platform/pg/dataset.h"
#include "platform/pg/largeobject.h"
#include "platform/pg/query.h"

#include <QCryptographicHash>
#include <QRandomGenerator>

#include <gtest/gtest.h>

using namespace testsupport;

namespace test_pg_types {

struct TypeCase
{
    const char *column;
    const char *type;
    pg::FieldClass fieldClass;
    QString text; // the server's own output form, so that it must come back unchanged
};

const TypeCase TypeCases[] = {
    { "c_numeric", "numeric", pg::FieldClass::BCD,
      QStringLiteral("1234567890123456789012345678901234567890.0123456789") },
    { "c_numeric_scale", "numeric(12,2)", pg::FieldClass::BCD, QStringLiteral("-0.50") },
    { "c_int2", "int2", pg::FieldClass::SmallInt, QStringLiteral("-32768") },
    { "c_int4", "int4", pg::FieldClass::Integer, QStringLiteral("2147483647") },
    { "c_int8", "int8", pg::FieldClass::LargeInt, QStringLiteral("-9223372036854775808") },
    { "c_float8", "float8", pg::FieldClass::Float, QStringLiteral("0.1") },
    { "c_float4", "float4", pg::FieldClass::Float, QStringLiteral("1.5") },
    { "c_bool", "boolean", pg::FieldClass::Boolean, QStringLiteral("t") },
    { "c_timestamp", "timestamp", pg::FieldClass::Timestamp,
      QStringLiteral("2026-01-02 03:04:05.123456") },
    { "c_timestamptz", "timestamptz", pg::FieldClass::TimestampTz,
      QStringLiteral("2026-12-31 23:59:59.999999+09") },
    { "c_date", "date", pg::FieldClass::Date, QStringLiteral("2026-02-28") },
    { "c_time", "time", pg::FieldClass::Time, QStringLiteral("00:00:00.000001") },
    { "c_interval", "interval", pg::FieldClass::Interval, QStringLiteral("1 day 02:03:04.5") },
    { "c_text", "text", pg::FieldClass::Memo, QStringLiteral("日本語のテキスト、改行\nも") },
    { "c_empty", "text", pg::FieldClass::Memo, QStringLiteral("") },
    { "c_varchar", "varchar(20)", pg::FieldClass::String, QStringLiteral("ｶﾀｶﾅと漢字") },
    { "c_char", "char(3)", pg::FieldClass::FixedChar, QStringLiteral("ab ") },
    { "c_uuid", "uuid", pg::FieldClass::Guid,
      QStringLiteral("a0eebc99-9c0b-4ef8-bb6d-6bb9bd380a11") },
    { "c_json", "json", pg::FieldClass::Memo,
      QStringLiteral("{\"a\":[1, \"日本\"],  \"b\":null}") },
    { "c_jsonb", "jsonb", pg::FieldClass::Memo,
      QStringLiteral("{\"a\": [1, \"日本\"], \"b\": null}") },
    { "c_int_array", "int4[]", pg::FieldClass::Array, QStringLiteral("{1,NULL,-3}") },
    { "c_text_array", "text[]", pg::FieldClass::Array, QStringLiteral("{\"a b\",日本,\"\"}") },
    { "c_bytea", "bytea", pg::FieldClass::Blob, QStringLiteral("\\x00ff41") },
    { "c_oid", "oid", pg::FieldClass::LongWord, QStringLiteral("4294967295") },
    { "c_inet", "inet", pg::FieldClass::String, QStringLiteral("192.168.0.1/24") },
};

// A table with one column per case, and one row filled through statement parameters.
class PgTypes : public ::testing::Test
{
protected:
    void SetUp() override
    {
        c = pgtest::connect(db);
        c->exec(QStringLiteral("SET TimeZone = 'Asia/Tokyo'"));
        QStringList columns;
        QStringList markers;
        for (const TypeCase &t : TypeCases) {
            columns << QStringLiteral("%1 %2").arg(QLatin1String(t.column), QLatin1String(t.type));
            markers << QLatin1Char(':') + QLatin1String(t.column);
        }
        c->exec(QStringLiteral("CREATE TABLE sales.rt (id int PRIMARY KEY, %1, c_null text)")
                    .arg(columns.join(QLatin1String(", "))));
        pg::Query insert(*c,
                         QStringLiteral("INSERT INTO sales.rt VALUES (1, %1, :c_null)")
                             .arg(markers.join(QLatin1String(", "))));
        for (const TypeCase &t : TypeCases)
            insert.bind(QLatin1String(t.column), pg::Param(t.text));
        insert.bind(QStringLiteral("c_null"), pg::Param::null());
        insert.execute();
    }

    TestDatabase db;
    std::unique_ptr<pg::Connection> c;
};

TEST_F(PgTypes, EveryTypeMapsToItsClassAndComesBackExactly)
{
    const pg::Result r = c->exec(QStringLiteral("SELECT * FROM sales.rt"));
    ASSERT_EQ(r.rowCount(), 1);
    for (const TypeCase &t : TypeCases) {
        const int col = r.columnIndex(QLatin1String(t.column));
        ASSERT_GE(col, 0) << t.column;
        EXPECT_EQ(r.fields().at(col).fieldClass, t.fieldClass) << t.column;
        EXPECT_FALSE(r.isNull(0, col)) << t.column;
        EXPECT_EQ(r.text(0, col), t.text) << t.column;
    }
    const int empty = r.columnIndex(QStringLiteral("c_empty"));
    const int null = r.columnIndex(QStringLiteral("c_null"));
    EXPECT_FALSE(r.text(0, empty).isNull());
    EXPECT_TRUE(r.text(0, empty).isEmpty());
    EXPECT_TRUE(r.isNull(0, null));
    EXPECT_TRUE(r.text(0, null).isNull());
    EXPECT_FALSE(r.value(0, null).isValid());
}

TEST_F(PgTypes, TypedValuesAreExactWhereQtCanHoldThem)
{
    const pg::Result r = c->exec(QStringLiteral("SELECT * FROM sales.rt"));
    auto value
        = [&](const char *column) { return r.value(0, r.columnIndex(QLatin1String(column))); };
    EXPECT_EQ(value("c_numeric").toString(), TypeCases[0].text); // never through a double
    EXPECT_EQ(value("c_int8").toLongLong(), std::numeric_limits<qint64>::min());
    EXPECT_EQ(value("c_int2").typeId(), QMetaType::Int);
    EXPECT_EQ(value("c_float8").toDouble(), 0.1);
    EXPECT_EQ(value("c_bool").toBool(), true);
    EXPECT_EQ(value("c_oid").toUInt(), 4294967295u);
    EXPECT_EQ(value("c_bytea").toByteArray(),
              QByteArray("\x00\xff"
                         "A",
                         3));
    EXPECT_EQ(value("c_timestamp").toString(), QStringLiteral("2026-01-02 03:04:05.123456"));
    const int ts = r.columnIndex(QStringLiteral("c_timestamptz"));
    EXPECT_EQ(r.dateTime(0, ts).toUTC(),
              QDateTime(QDate(2026, 12, 31), QTime(14, 59, 59, 999), Qt::UTC));
    EXPECT_EQ(r.date(0, r.columnIndex(QStringLiteral("c_date"))), QDate(2026, 2, 28));
    EXPECT_EQ(r.fields().at(r.columnIndex(QStringLiteral("c_varchar"))).size, 20);
    const pg::Field &scaled = r.fields().at(r.columnIndex(QStringLiteral("c_numeric_scale")));
    EXPECT_EQ(scaled.precision, 12);
    EXPECT_EQ(scaled.scale, 2);
}

TEST_F(PgTypes, DataSetWritesEveryTypeBackExactly)
{
    pg::DataSet ds(c.get());
    ds.setSql(QStringLiteral("SELECT * FROM sales.rt"));
    ds.open();
    ASSERT_FALSE(ds.isReadOnly()) << ds.readOnlyReason().toStdString();
    ds.append();
    ds.setValue(0, 2);
    for (const TypeCase &t : TypeCases) {
        const int f = ds.fieldIndex(QLatin1String(t.column));
        if (t.fieldClass == pg::FieldClass::Blob)
            ds.setBytes(f,
                        QByteArray("\x00\xff"
                                   "A",
                                   3));
        else
            ds.setText(f, t.text);
    }
    ds.post();
    // the new record shows what the server stored
    for (const TypeCase &t : TypeCases)
        EXPECT_EQ(ds.text(ds.fieldIndex(QLatin1String(t.column))), t.text) << t.column;
    EXPECT_TRUE(ds.isNull(ds.fieldIndex(QStringLiteral("c_null"))));

    // checked from a second connection: row 2 equals row 1 column by column
    for (const TypeCase &t : TypeCases) {
        const QString same = queryValue(
            db.conninfo(),
            QStringLiteral("SELECT a.%1::text = b.%1::text FROM sales.rt a, sales.rt b "
                           "WHERE a.id = 1 AND b.id = 2")
                .arg(QLatin1String(t.column)));
        EXPECT_EQ(same, QStringLiteral("t")) << t.column;
    }
    EXPECT_EQ(queryValue(db.conninfo(),
                         QStringLiteral("SELECT c_null IS NULL AND c_empty = '' FROM sales.rt "
                                        "WHERE id = 2")),
              QStringLiteral("t"));
}

TEST_F(PgTypes, ByteaAndTextFieldsReadAndWriteAsStreams)
{
    pg::DataSet ds(c.get());
    ds.setSql(QStringLiteral("SELECT id, c_bytea, c_text FROM sales.rt"));
    ds.open();
    {
        auto in = ds.openBlob(1, QIODevice::ReadOnly);
        EXPECT_EQ(in->readAll(),
                  QByteArray("\x00\xff"
                             "A",
                             3));
    }
    QByteArray big(300000, '\0');
    for (int i = 0; i < big.size(); ++i)
        big[i] = char(i * 7);
    {
        auto out = ds.openBlob(1, QIODevice::WriteOnly);
        out->write(big);
        out->close();
    }
    {
        auto out = ds.openBlob(2, QIODevice::WriteOnly);
        out->write(QStringLiteral("ストリーム").toUtf8());
        out->close();
    }
    ds.post();
    EXPECT_EQ(queryValue(db.conninfo(),
                         QStringLiteral("SELECT md5(c_bytea) || ' ' || c_text FROM sales.rt")),
              QString::fromLatin1(QCryptographicHash::hash(big, QCryptographicHash::Md5).toHex())
                  + QStringLiteral(" ストリーム"));
}

TEST_F(PgTypes, LargeObjectRoundTripsAsAStream)
{
    const pg::Oid oid = pg::LargeObject::create(*c);
    ASSERT_NE(oid, 0u);
    QByteArray data(3 * 1024 * 1024 + 17, '\0');
    for (int i = 0; i < data.size(); ++i)
        data[i] = char(QRandomGenerator::global()->bounded(256));
    data[0] = '\0';
    data[1] = char(0xff);
    {
        pg::LargeObject lo(*c, oid);
        ASSERT_TRUE(lo.open(QIODevice::WriteOnly)) << lo.errorString().toStdString();
        EXPECT_EQ(lo.write(data), data.size());
        lo.close();
        EXPECT_FALSE(lo.lastError().has_value());
    }
    EXPECT_EQ(c->transactionStatus(), pg::TransactionStatus::Idle);
    {
        pg::LargeObject lo(*c, oid);
        ASSERT_TRUE(lo.open(QIODevice::ReadOnly));
        EXPECT_EQ(lo.size(), data.size());
        EXPECT_EQ(lo.readAll(), data);
        ASSERT_TRUE(lo.seek(1));
        EXPECT_EQ(lo.read(2), data.mid(1, 2));
    }
    // inside the user's transaction nothing is committed by the stream
    c->exec(QStringLiteral("BEGIN"));
    {
        pg::LargeObject lo(*c, oid);
        ASSERT_TRUE(lo.open(QIODevice::ReadWrite));
        lo.write("xyz");
    }
    EXPECT_EQ(c->transactionStatus(), pg::TransactionStatus::InTransaction);
    c->exec(QStringLiteral("ROLLBACK"));
    pg::LargeObject check(*c, oid);
    ASSERT_TRUE(check.open(QIODevice::ReadOnly));
    EXPECT_EQ(check.read(3), data.left(3));
    check.close();
    pg::LargeObject::remove(*c, oid);
    pg::LargeObject gone(*c, oid);
    EXPECT_FALSE(gone.open(QIODevice::ReadOnly));
    ASSERT_TRUE(gone.lastError().has_value());
    EXPECT_EQ(gone.lastError()->sqlState(), QStringLiteral("42704"));
    EXPECT_EQ(c->transactionStatus(), pg::TransactionStatus::Idle);
}

} // namespace test_pg_types
