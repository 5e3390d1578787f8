#include "fdatagen.h"

#include "fdatagencursor.h"

#include "core/qvappwindows.h"
#include "core/qvstr.h"
#include "core/qvsub.h"
#include "core/qvtypetext.h"
#include "platform/pg/connection.h"
#include "platform/pg/result.h"

#include <QDir>

const QStringList SetTypeCaptions = {
    QStringLiteral("未指定"),       QStringLiteral("連番"),
    QStringLiteral("連番(日付)"),   QStringLiteral("連番(時間)"),
    QStringLiteral("連番(日時)"),   QStringLiteral("乱数値(数値)"),
    QStringLiteral("乱数値(文字)"), QStringLiteral("乱数値(日付)"),
    QStringLiteral("乱数値(時間)"), QStringLiteral("乱数値(日時)"),
    QStringLiteral("選択値"),       QStringLiteral("固定値"),
    QStringLiteral("テンプレート"), QStringLiteral("リンクテーブル値"),
    QStringLiteral("親テーブル値"),
};

const QStringList DataGenCharTypeNames = {
    QStringLiteral("character"),
    QStringLiteral("char"),
    QStringLiteral("character varying"),
    QStringLiteral("varchar"),
    QStringLiteral("text"),
    QStringLiteral("national character"),
    QStringLiteral("nchar"),
    QStringLiteral("national character varying"),
    QStringLiteral("nvarchar"),
};

const QStringList DataGenTypeNames = {
    QStringLiteral("smallint"),
    QStringLiteral("integer"),
    QStringLiteral("bigint"),
    QStringLiteral("real"),
    QStringLiteral("double precision"),
    QStringLiteral("numeric"),
    QStringLiteral("decimal"),
    QStringLiteral("character"),
    QStringLiteral("char"),
    QStringLiteral("character varying"),
    QStringLiteral("varchar"),
    QStringLiteral("national character"),
    QStringLiteral("nchar"),
    QStringLiteral("national character varying"),
    QStringLiteral("nvarchar"),
    QStringLiteral("text"),
    QStringLiteral("date"),
    QStringLiteral("time without time zone"),
    QStringLiteral("timestamp without time zone"),
};

const QString DataGenChars
    = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ");

const QStringList FullWidthChars = [] {
    QStringList chars;
    const QString all
        = QStringLiteral("０１２３４５６７８９"
                         "あいうえおかきくけこさしすせそたちつてとなにぬねのはまやらわ"
                         "アイウエオカキクケコサシスセソタチツテトナニヌネノハマヤラワ"
                         "\u3000");
    for (const QChar c : all)
        chars << QString(c);
    return chars;
}();

bool DataGenIsDateLike(const QString &dataType)
{
    return dataType == QLatin1String("date") || dataType.startsWith(QLatin1String("time"));
}

std::mt19937_64 &DataGenRandomEngine()
{
    static std::mt19937_64 engine { std::random_device {}() };
    return engine;
}

QDateTime DataGenDateTime(const QDate &date, const QTime &time)
{
    return QDateTime(date, time, Qt::UTC);
}

QDateTime DataGenNow()
{
    const QDateTime now = QDateTime::currentDateTime();
    return DataGenDateTime(now.date(), now.time());
}

namespace {

// The columns of one table: name, type without modifier, the first number of the type's
// parentheses, the number after its comma, NOT NULL, default, type modifier. Dropped columns
// keep their attnum but are no columns of the table any more. The patterns hold no backslash:
// a session with standard_conforming_strings off would read it as an escape.
const char DataGenColumnSql[] = R"SQL(
SELECT a.attname,
       format_type(a.atttypid, NULL),
       substring(format_type(a.atttypid, a.atttypmod) FROM '[(]([0-9]+)'),
       substring(format_type(a.atttypid, a.atttypmod) FROM '[(][0-9]+,([0-9]+)[)]'),
       CASE WHEN a.attnotnull THEN '1' ELSE '' END,
       pg_get_expr(d.adbin, d.adrelid),
       a.atttypmod
  FROM pg_attribute a
  JOIN pg_class c ON c.oid = a.attrelid
  JOIN pg_namespace n ON n.oid = c.relnamespace
  LEFT JOIN pg_attrdef d ON d.adrelid = a.attrelid AND d.adnum = a.attnum
 WHERE a.attnum > 0
   AND NOT a.attisdropped
   AND n.nspname = :SCHEMA
   AND c.relname = :TBLNAME
 ORDER BY a.attnum
)SQL";

// The table's key, unique and foreign-key constraints in name order, each with its columns in
// key order and, for a foreign key, the referenced table and its columns as the constraint
// itself records them (confrelid, confkey): a key given by a unique index, or a master table in
// another schema, is found as well as any other.
const char DataGenConstraintSql[] = R"SQL(
SELECT con.conname,
       con.contype,
       (SELECT string_agg(quote_ident(a.attname), ',' ORDER BY k.ord)
          FROM unnest(con.conkey) WITH ORDINALITY AS k(attnum, ord)
          JOIN pg_attribute a ON a.attrelid = con.conrelid AND a.attnum = k.attnum),
       rn.nspname,
       rc.relname,
       (SELECT string_agg(quote_ident(a.attname), ',' ORDER BY k.ord)
          FROM unnest(con.confkey) WITH ORDINALITY AS k(attnum, ord)
          JOIN pg_attribute a ON a.attrelid = con.confrelid AND a.attnum = k.attnum),
       array_length(con.conkey, 1)
  FROM pg_constraint con
  JOIN pg_class c ON c.oid = con.conrelid
  JOIN pg_namespace n ON n.oid = c.relnamespace
  LEFT JOIN pg_class rc ON rc.oid = con.confrelid
  LEFT JOIN pg_namespace rn ON rn.oid = rc.relnamespace
 WHERE n.nspname = :SCHEMA
   AND c.relname = :TBLNAME
   AND con.contype IN ('p', 'u', 'f')
 ORDER BY con.conname
)SQL";

const char DataGenMasterColumnSql[] = R"SQL(
SELECT a.attname
  FROM pg_attribute a
  JOIN pg_class c ON c.oid = a.attrelid
  JOIN pg_namespace n ON n.oid = c.relnamespace
 WHERE a.attnum > 0
   AND NOT a.attisdropped
   AND n.nspname = :SCHEMA
   AND c.relname = :TBLNAME
 ORDER BY a.attnum
)SQL";

// The names of a list that quote_ident wrote, joined by commas.
QStringList splitQuotedNames(const QString &list)
{
    QStringList names;
    QString current;
    bool quoted = false;
    for (int i = 0; i < list.size(); ++i) {
        const QChar ch = list.at(i);
        if (quoted) {
            if (ch == u'"') {
                if (i + 1 < list.size() && list.at(i + 1) == u'"') {
                    current += u'"';
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                current += ch;
            }
        } else if (ch == u'"') {
            quoted = true;
        } else if (ch == u',') {
            names << current;
            current.clear();
        } else {
            current += ch;
        }
    }
    if (!list.isEmpty())
        names << current;
    return names;
}

} // namespace

DataGenerator::DataGenerator(ConnectionWindow *owner)
    : FOwner(owner)
    , m_random(&DataGenRandomEngine())
{ }

DataGenerator::~DataGenerator()
{
    try {
        CloseLinkQueries();
    } catch (...) {
        // the session's end drops the cursors as well
    }
}

pg::Connection &DataGenerator::connection() const
{
    return *FOwner->dbsMain();
}

qint64 DataGenerator::Random(qint64 n)
{
    if (n <= 0)
        return 0;
    std::uniform_int_distribution<qint64> draw(0, n - 1);
    return draw(*m_random);
}

void DataGenerator::FreeColumnRules()
{
    DataGenColumns.clear();
}

void DataGenerator::ReadColumns()
{
    FreeColumnRules();
    FPrimary.clear();
    FUnique.clear();
    FForeign1.clear();
    FForeign2.clear();
    const QStringList tableParams = { Schema, ObjectName };

    const pg::Result columns = FOwner->OpenSQL(QString::fromUtf8(DataGenColumnSql), tableParams);
    for (int row = 0; row < columns.rowCount(); ++row) {
        TColParams rule;
        rule.ColumnName = columns.text(row, 0);
        rule.DataType = columns.text(row, 1);
        const QString length = columns.text(row, 2);
        const QString scale = columns.text(row, 3);
        if (StrInArray(rule.DataType, DataGenCharTypeNames)) {
            rule.Length = length.toInt();
            rule.CharUsed = true;
        } else if (StrInArray(rule.DataType, ModifierTypeNames)) {
            rule.Length = length.toInt();
            rule.Scale = scale.toInt();
        } else {
            rule.Length = length.toInt();
        }
        rule.NotNull = columns.text(row, 4) == QLatin1String("1");
        rule.Default = columns.text(row, 5);
        rule.TypeText = GetTypeNameWithTypMod(rule.DataType, columns.text(row, 6).toInt());
        DataGenColumns.push_back(std::move(rule));
    }

    const pg::Result constraints
        = FOwner->OpenSQL(QString::fromUtf8(DataGenConstraintSql), tableParams);
    bool masterChosen = false;
    for (int row = 0; row < constraints.rowCount(); ++row) {
        const QString kind = constraints.text(row, 1);
        const QStringList keyColumns = splitQuotedNames(constraints.text(row, 2));
        if (kind == QLatin1String("p")) {
            FPrimary = keyColumns;
        } else if (kind == QLatin1String("u")) {
            // each unique constraint replaces the one before: the last in name order counts
            FUnique = keyColumns;
        } else if (kind == QLatin1String("f") && !masterChosen
                   && constraints.text(row, 6).toInt() == 1) {
            // a single-column foreign key makes its table the master table
            FForeign1 = keyColumns;
            FForeign2 = splitQuotedNames(constraints.text(row, 5));
            MasterSchema = constraints.text(row, 3);
            MasterTable = constraints.text(row, 4);
            Mode = TDataGenMode::Master;
            masterChosen = true;
            ReadMasterColumns();
        }
    }
    TemplateNames = ReadTemplateNames();
}

void DataGenerator::ReadMasterColumns()
{
    MasterColumns.clear();
    if (MasterTable.isEmpty())
        return;
    const pg::Result columns
        = FOwner->OpenSQL(QString::fromUtf8(DataGenMasterColumnSql), { MasterSchema, MasterTable });
    for (int row = 0; row < columns.rowCount(); ++row)
        MasterColumns << columns.text(row, 0);
}

QStringList DataGenerator::ReadTemplateNames()
{
    QStringList names;
    const QDir folder(DataDir + QStringLiteral("DATAGEN"));
    const QStringList files
        = folder.entryList({ QStringLiteral("*.txt") }, QDir::Files, QDir::Name | QDir::IgnoreCase);
    for (const QString &file : files)
        names << file.left(file.size() - 4);
    return names;
}

void DataGenerator::SetDefaultRules()
{
    const bool master = Mode == TDataGenMode::Master;
    for (TColParams &rule : DataGenColumns) {
        const QString &type = rule.DataType;
        if (!StrInArray(type, DataGenTypeNames))
            continue;
        const int foreign = int(FForeign1.indexOf(rule.ColumnName));
        if (master && foreign >= 0) {
            rule.SetType = stMaster;
            rule.LinkColumn = FForeign2.value(foreign);
            continue;
        }
        if (master && MasterColumns.contains(rule.ColumnName)) {
            rule.SetType = stMaster;
            rule.LinkColumn = rule.ColumnName;
            continue;
        }
        if (!TrimBlanks(rule.Default).isEmpty()) {
            // the column's own default as fixed SQL: a serial key keeps its sequence
            rule.SetType = stVar;
            rule.Variable = QStringList { rule.Default };
            continue;
        }
        if (FPrimary.contains(rule.ColumnName) || FUnique.contains(rule.ColumnName)) {
            // the sequence kind that the column's type offers in the kind list
            if (type == QLatin1String("date")) {
                rule.SetType = stSeqDate;
                rule.DateFrom = DataGenNow();
            } else if (type.startsWith(QLatin1String("timestamp"))) {
                rule.SetType = stSeqDtTm;
                rule.DateFrom = DataGenNow();
            } else if (type.startsWith(QLatin1String("time"))) {
                rule.SetType = stSeqTime;
                rule.DateFrom = DataGenNow();
            } else {
                rule.SetType = stSeqNum;
                rule.NumFrom = 1;
                rule.Marume = 1;
                rule.StrFull = !StrInArray(type, NumberTypeNames);
            }
            continue;
        }
        if (rule.NotNull) {
            if (StrInArray(type, NumberTypeNames))
                rule.SetType = stRandNum;
            else if (DataGenIsDateLike(type))
                rule.SetType = stRandDate;
            else
                rule.SetType = stRandStr;
            continue;
        }
        if (StrInArray(type, DataGenCharTypeNames))
            rule.SetType = stRandStr;
    }
    // What the rule controls fill in when they show a rule: today for a bound not given, and a
    // maximum length of 100 for random text of a column without length.
    const QDateTime today = DataGenDateTime(QDate::currentDate());
    for (TColParams &rule : DataGenColumns) {
        if (!rule.DateFrom.isValid())
            rule.DateFrom = today;
        if (!rule.DateTo.isValid())
            rule.DateTo = today;
        if (rule.SetType == stRandStr && rule.Length <= 0 && rule.StrDigit.isEmpty())
            rule.StrDigit = QStringLiteral("100");
    }
}

QString DataGenerator::FixedValueText(const TColParams &rule)
{
    QString text = rule.Variable.join(u' ');
    text.replace(u'\r', u' ').replace(u'\n', u' ');
    text = text.trimmed();
    if (text.endsWith(u','))
        text.chop(1);
    return text;
}
