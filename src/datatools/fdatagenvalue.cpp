// The values of generated rows: sequences, random numbers, texts and dates, value lists,
// templates, link tables and master rows.
#include "fdatagen.h"

#include "fdatagencursor.h"

#include "core/qvencoding.h"
#include "core/qvname.h"
#include "core/qvstr.h"
#include "core/qvsub.h"
#include "platform/pg/connection.h"
#include "platform/pg/error.h"

#include <QRegularExpression>

#include <atomic>
#include <cmath>
#include <limits>

namespace {

std::atomic<int> g_dataGenCursorSerial { 0 };

// Rows a cursor hands over at a time: a link table of a million rows costs a chunk of memory.
constexpr int DataGenFetchRows = 1000;

bool isFloatType(const QString &type)
{
    static const QStringList floats
        = { QStringLiteral("real"), QStringLiteral("double precision"), QStringLiteral("real[]"),
            QStringLiteral("double precision[]") };
    return StrInArray(type, floats);
}

// A float in the general format: whole numbers as their digits, others with up to 15
// significant digits.
QString generalText(double x)
{
    if (x == std::trunc(x) && std::fabs(x) < 1e15)
        return QString::number(qint64(x));
    return QString::number(x, 'g', 15);
}

qint64 power10(int n)
{
    qint64 p = 1;
    for (int i = 0; i < n && i < 18; ++i)
        p *= 10;
    return p;
}

// b / 10^scale + from, exact when from is a whole number (numeric columns keep every digit).
QString scaledText(qint64 b, int scale, double from)
{
    if (from != std::trunc(from) || std::fabs(from) >= 9e15)
        return generalText(double(b) / double(power10(scale)) + from);
    const qint64 p = power10(scale);
    const __int128 total = __int128(qint64(from)) * p + b;
    const bool negative = total < 0;
    const __int128 magnitude = negative ? -total : total;
    const qint64 whole = qint64(magnitude / p);
    const qint64 fraction = qint64(magnitude % p);
    QString text = (negative ? QStringLiteral("-") : QString()) + QString::number(whole);
    if (scale > 0)
        text += u'.' + QString::number(fraction).rightJustified(scale, u'0');
    return text;
}

qint64 wholeNumber(double x)
{
    if (x != std::trunc(x) || std::fabs(x) >= 9.2e18)
        throw DataGenError(QStringLiteral("'%1' は有効な整数ではありません。").arg(generalText(x)));
    return qint64(x);
}

// A date, a time or both, as value lists and the server write them; a zone at the end is
// dropped (the columns take wall-clock values).
bool parseDateTimeText(const QString &text, QDateTime *value)
{
    static const QRegularExpression full(QStringLiteral(
        R"(^(\d{1,4})[-/](\d{1,2})[-/](\d{1,2})(?:[ T](\d{1,2}):(\d{2})(?::(\d{2})(?:\.(\d+))?)?)?(?:\s*(?:Z|[+-]\d{2}(?::?\d{2})?))?$)"));
    static const QRegularExpression timeOnly(QStringLiteral(
        R"(^(\d{1,2}):(\d{2})(?::(\d{2})(?:\.(\d+))?)?(?:\s*(?:Z|[+-]\d{2}(?::?\d{2})?))?$)"));
    const QString t = text.trimmed();
    auto millis = [](const QString &digits) {
        return digits.isEmpty() ? 0 : digits.left(3).leftJustified(3, u'0').toInt();
    };
    QRegularExpressionMatch m = full.match(t);
    if (m.hasMatch()) {
        const QDate date(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
        const QTime time(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt(),
                         millis(m.captured(7)));
        if (!date.isValid() || !time.isValid())
            return false;
        *value = DataGenDateTime(date, time);
        return true;
    }
    m = timeOnly.match(t);
    if (m.hasMatch()) {
        const QTime time(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt(),
                         millis(m.captured(4)));
        if (!time.isValid())
            return false;
        *value = DataGenDateTime(QDate(1899, 12, 30), time);
        return true;
    }
    return false;
}

} // namespace

// --- the cursor of a link, master or key query -------------------------------------------------

DataGenerator::CursorQuery::CursorQuery(pg::Connection &connection, const QString &select)
    : m_connection(connection)
    , m_select(select)
    , m_name(QStringLiteral("cv_datagen_") + QString::number(++g_dataGenCursorSerial))
{ }

DataGenerator::CursorQuery::~CursorQuery()
{
    try {
        close();
    } catch (const pg::Error &) {
        // a lost session has dropped the cursor
    }
}

void DataGenerator::CursorQuery::open()
{
    close();
    m_connection.exec(QStringLiteral("DECLARE ") + m_name
                      + QStringLiteral(" NO SCROLL CURSOR WITH HOLD FOR ") + m_select);
    m_open = true;
    fetch();
}

void DataGenerator::CursorQuery::close()
{
    if (!m_open)
        return;
    m_open = false;
    m_chunk = pg::Result();
    m_row = 0;
    // A rollback of the transaction that declared it has dropped it already; a CLOSE of a
    // cursor that is gone would break the transaction the user may have open.
    const pg::TransactionStatus status = m_connection.transactionStatus();
    if (status != pg::TransactionStatus::Idle && status != pg::TransactionStatus::InTransaction)
        return;
    const pg::Result there = m_connection.exec(
        QStringLiteral("SELECT 1 FROM pg_cursors WHERE name = $1"), { pg::Param(m_name) });
    if (there.rowCount() > 0)
        m_connection.exec(QStringLiteral("CLOSE ") + m_name);
}

void DataGenerator::CursorQuery::fetch()
{
    m_chunk = m_connection.exec(QStringLiteral("FETCH %1 FROM ").arg(DataGenFetchRows) + m_name);
    m_row = 0;
}

void DataGenerator::CursorQuery::next()
{
    if (eof())
        return;
    ++m_row;
    if (m_row >= m_chunk.rowCount() && m_chunk.rowCount() == DataGenFetchRows)
        fetch();
}

// --- one row --------------------------------------------------------------------------------

bool DataGenerator::takesParameter(const TColParams &rule) const
{
    if (rule.SetType == stNone || rule.SetType == stVar)
        return false;
    return !(Mode == TDataGenMode::Update && FPrimary.contains(rule.ColumnName));
}

pg::Param DataGenerator::nullValue(const TColParams &) const
{
    // SQL NULL whatever the type: a text column gets no empty text in its place
    return pg::Param::null();
}

QString DataGenerator::DateTimeText(const TColParams &rule, const QDateTime &value)
{
    const QString &type = rule.DataType;
    const bool withMillis = value.time().msec() != 0;
    const QString time = withMillis ? QStringLiteral("HH:mm:ss.zzz") : QStringLiteral("HH:mm:ss");
    if (type == QLatin1String("date"))
        return value.toString(QStringLiteral("yyyy-MM-dd"));
    if (type.startsWith(QLatin1String("time")) && !type.startsWith(QLatin1String("timestamp")))
        return value.toString(time);
    return value.toString(QStringLiteral("yyyy-MM-dd ") + time);
}

pg::Param DataGenerator::typedValue(const TColParams &rule, const QString &text, bool isNull) const
{
    if (isNull)
        return nullValue(rule);
    const QString &type = rule.DataType;
    if (StrInArray(type, NumberTypeNames)) {
        const QString t = text.trimmed();
        bool ok = false;
        if (StrInArray(type, NumericTypeNames) || isFloatType(type)) {
            t.toDouble(&ok);
            if (!ok)
                throw DataGenError(QStringLiteral("'%1' は有効な数値ではありません。").arg(text));
            return pg::Param(t); // the digits as written: numeric keeps every one
        }
        const qint64 v = t.toLongLong(&ok);
        if (!ok)
            throw DataGenError(QStringLiteral("'%1' は有効な整数ではありません。").arg(text));
        return pg::Param(v);
    }
    if (DataGenIsDateLike(type)) {
        QDateTime value;
        if (!parseDateTimeText(text, &value))
            throw DataGenError(
                QStringLiteral("'%1' は有効な日付または時刻ではありません。").arg(text));
        return pg::Param(DateTimeText(rule, value));
    }
    return pg::Param(text);
}

void DataGenerator::SetRowParams(int RowNo)
{
    NextLinkRows();
    m_rowParams.assign(DataGenColumns.size(), std::nullopt);
    for (size_t i = 0; i < DataGenColumns.size(); ++i) {
        const TColParams &rule = DataGenColumns[i];
        if (Mode == TDataGenMode::Update && FPrimary.contains(rule.ColumnName))
            continue;
        const qint64 r = Random(100);
        if (rule.SetType == stNone || rule.SetType == stVar)
            continue;
        m_rowParams[i] = r < rule.NullPar ? nullValue(rule) : ruleValue(rule, RowNo);
    }
}

pg::Param DataGenerator::sequenceNumber(const TColParams &rule, int RowNo) const
{
    const double x = rule.NumFrom + double(RowNo) * rule.Marume;
    const QString s = generalText(x);
    const bool character = StrInArray(rule.DataType, DataGenCharTypeNames);
    const int p = character ? int(rule.StrPrefix.size()) : 0;
    auto zeros = [](qsizetype n) { return n > 0 ? QString(n, u'0') : QString(); };
    if (rule.StrFull && rule.FlgPrefix)
        return pg::Param(rule.StrPrefix + zeros(rule.Length - s.size() - p) + s);
    if (rule.StrFull)
        return pg::Param(zeros(rule.Length - s.size()) + s);
    if (rule.FlgPrefix)
        return pg::Param(rule.StrPrefix + s);
    if (!StrInArray(rule.DataType, NumberTypeNames))
        return pg::Param(s);
    if (x == std::trunc(x))
        return pg::Param(wholeNumber(x));
    return pg::Param(s);
}

pg::Param DataGenerator::randomNumber(const TColParams &rule)
{
    constexpr qint64 maxBound = std::numeric_limits<qint64>::max();
    auto times = [](qint64 a, qint64 b) {
        __int128 v = __int128(a) * b;
        return v > maxBound ? maxBound : qint64(v);
    };
    qint64 b = 0;
    if (rule.NumTo != 0) {
        const double span = std::trunc(rule.NumTo - rule.NumFrom);
        const qint64 range = span >= 9.2e18 ? maxBound : qint64(span);
        b = rule.Scale > 0 ? Random(times(range, power10(qMin(rule.Scale, 18)))) : Random(range);
    } else if (rule.Length > 0) {
        b = Random(power10(qMin(rule.Length, 18)));
    } else {
        b = Random(2147483647);
    }

    if (rule.Marume != 0) {
        const QString t = generalText(rule.Marume);
        const int dot = int(t.indexOf(u'.'));
        const int e = dot >= 0 ? qMax(int(t.size()) - dot - 1, rule.Scale) : rule.Scale;
        const qint64 m = e != 0 ? qint64(std::trunc(rule.Marume * double(power10(e))))
                                : qint64(std::trunc(rule.Marume));
        if (m == 0)
            throw DataGenError(QStringLiteral("0 で除算しました（丸め単位 %1）。").arg(t));
        const qint64 v = (b / m) * m;
        return pg::Param(scaledText(v, qMax(e, 0), rule.NumFrom));
    }
    if (rule.Scale > 0)
        return pg::Param(scaledText(b, qMin(rule.Scale, 18), rule.NumFrom));
    if (StrInArray(rule.DataType, NumericTypeNames) && rule.Scale == 0)
        return pg::Param(scaledText(b, int(Random(5)), rule.NumFrom));
    if (isFloatType(rule.DataType))
        return pg::Param(generalText(double(b) + rule.NumFrom));
    if (rule.NumFrom != std::trunc(rule.NumFrom))
        return pg::Param(wholeNumber(double(b) + rule.NumFrom)); // no whole number: refused
    return pg::Param(b + wholeNumber(rule.NumFrom));
}

QString DataGenerator::randomText(const TColParams &rule)
{
    auto digits = [this](int n) {
        return QString::number(Random(power10(n) - 1) + 1).rightJustified(n, u'0');
    };
    if (rule.StrType == dsPhone) {
        switch (Random(5)) {
        case 0:
            return QStringLiteral("03-") + digits(4) + u'-' + digits(4);
        case 1:
            return QStringLiteral("04-") + digits(4) + u'-' + digits(4);
        case 2:
            return QStringLiteral("06-") + digits(4) + u'-' + digits(4);
        case 3:
            return u'0' + digits(2) + u'-' + digits(3) + u'-' + digits(4);
        default:
            return u'0' + digits(3) + u'-' + digits(2) + u'-' + digits(4);
        }
    }
    if (rule.StrType == dsPostal)
        return digits(3) + u'-' + digits(4);

    const bool text = rule.DataType.toLower() == QLatin1String("text");
    qint64 n = 0;
    bool digitOk = false;
    const qint64 maxDigits = rule.StrDigit.trimmed().toLongLong(&digitOk);
    if (rule.StrFull) {
        n = rule.Length;
    } else if (digitOk && maxDigits > 0 && rule.StrType >= dsLetters
               && rule.StrType <= dsFullWidth) {
        n = Random(maxDigits) + 1;
    } else if (text) {
        if (!digitOk) {
            throw DataGenError(
                QStringLiteral("'%1' は有効な整数ではありません。").arg(rule.StrDigit));
        }
        n = Random(maxDigits) + 1;
    } else {
        n = Random(rule.Length) + 1;
    }
    if (rule.StrType == dsFullWidth) {
        if (rule.CharUsed)
            n = qMax<qint64>(n, 1);
        else
            n = qMax<qint64>(IsSJIS ? n / 2 : n / 3, 1);
    } else if (rule.StrType == dsUrl) {
        n = qMax<qint64>(n - 10, 3);
    } else if (rule.StrType == dsMail) {
        n = qMax<qint64>(n - 10, 4);
    }
    n = qMin<qint64>(n, 1 << 20);

    QString s;
    s.reserve(n);
    for (qint64 i = 0; i < n; ++i) {
        switch (rule.StrType) {
        case dsDigits:
            s += QChar(u'0' + char16_t(Random(10)));
            break;
        case dsAlnum:
            s += DataGenChars.at(26 + Random(36));
            break;
        case dsFullWidth:
            s += FullWidthChars.at(Random(71));
            break;
        default: // letters, URL, mail
            s += DataGenChars.at(Random(26));
            break;
        }
    }
    static const QStringList suffixes
        = { QStringLiteral(".com"),   QStringLiteral(".co.jp"), QStringLiteral(".ne.jp"),
            QStringLiteral(".ac.jp"), QStringLiteral(".jp"),    QStringLiteral(".net") };
    if (rule.StrType == dsUrl) {
        s = QStringLiteral("www.") + s.toLower() + suffixes.at(Random(6));
    } else if (rule.StrType == dsMail) {
        const qint64 length = s.size();
        const qint64 j = Random(length - 1) + 2;
        // the j-th character stands on both sides of the "@"
        s = (s.left(j) + u'@' + s.mid(j - 1)).toLower() + suffixes.at(Random(6));
    }
    if (rule.StrType == dsFullWidth && rule.CharUsed && !text) {
        if (s.size() > 2 * qint64(rule.Length))
            s.truncate(2 * rule.Length);
    } else if (s.size() > 1024) {
        s.truncate(1024);
    }
    return s;
}

pg::Param DataGenerator::ruleValue(const TColParams &rule, int RowNo)
{
    switch (rule.SetType) {
    case stSeqNum:
        return sequenceNumber(rule, RowNo);
    case stSeqDate:
        return pg::Param(DateTimeText(rule, rule.DateFrom.addDays(RowNo)));
    case stSeqTime:
    case stSeqDtTm:
        return pg::Param(DateTimeText(rule, rule.DateFrom.addSecs(RowNo)));
    case stRandNum:
        return randomNumber(rule);
    case stRandStr:
        return pg::Param(randomText(rule));
    case stRandDate:
        return pg::Param(
            DateTimeText(rule, RandomDateTime(rule.DateFrom, rule.DateTo, QStringLiteral("DATE"))));
    case stRandTime:
        return pg::Param(
            DateTimeText(rule, RandomDateTime(rule.DateFrom, rule.DateTo, QStringLiteral("TIME"))));
    case stRandDtTm:
        return pg::Param(DateTimeText(
            rule, RandomDateTime(rule.DateFrom, rule.DateTo, QStringLiteral("DATETIME"))));
    case stIn: {
        const qint64 i = Random(rule.Variable.size());
        if (i >= 0 && i < rule.Variable.size())
            return typedValue(rule, rule.Variable.at(i), false);
        return nullValue(rule);
    }
    case stTemplate: {
        QString s;
        if (!rule.Template1.isEmpty())
            s = rule.Template1.at(Random(rule.Template1.size()));
        if (!rule.Template2.isEmpty()) {
            if (!s.isEmpty())
                s += rule.TemplateSep;
            s += rule.Template2.at(Random(rule.Template2.size()));
        }
        if (rule.Length < s.size() && rule.DataType != QLatin1String("text"))
            s.truncate(rule.Length);
        return pg::Param(s);
    }
    case stLink: {
        const CursorQuery *query
            = rule.LinkQueryTabPos >= 0 && rule.LinkQueryTabPos < int(FLinkQuery.size())
            ? FLinkQuery[rule.LinkQueryTabPos].get()
            : nullptr;
        if (!query || query->Tag != 0 || query->eof())
            return nullValue(rule);
        return typedValue(rule, query->text(rule.LinkQueryColPos),
                          query->isNull(rule.LinkQueryColPos));
    }
    case stMaster: {
        const int column = int(MasterColumns.indexOf(rule.LinkColumn));
        if (column < 0 || !qryMaster || !qryMaster->isOpen() || qryMaster->eof()
            || column >= qryMaster->columnCount()) {
            throw DataGenError(QStringLiteral("親テーブル %1 に列 %2 がありません。")
                                   .arg(MasterTable, rule.LinkColumn));
        }
        return typedValue(rule, qryMaster->text(column), qryMaster->isNull(column));
    }
    default:
        return nullValue(rule);
    }
}

void DataGenerator::loadTemplates(TColParams &rule) const
{
    // a file that cannot be read leaves its list (and the files after it) empty
    try {
        if (!rule.TemplateName1.isEmpty()) {
            rule.Template1.clear();
            rule.Template1 = LoadStringsFromFile(DataDir + QStringLiteral("DATAGEN/")
                                                     + rule.TemplateName1 + QStringLiteral(".txt"),
                                                 GetFileEncoding());
        }
        if (!rule.TemplateName2.isEmpty()) {
            rule.Template2.clear();
            rule.Template2 = LoadStringsFromFile(DataDir + QStringLiteral("DATAGEN/")
                                                     + rule.TemplateName2 + QStringLiteral(".txt"),
                                                 GetFileEncoding());
        }
    } catch (const std::exception &) { }
}

// --- link tables ----------------------------------------------------------------------------

void DataGenerator::OpenLinkQueries()
{
    CloseLinkQueries();
    QStringList tables;
    QStringList selects;
    QList<int> counts;
    for (TColParams &rule : DataGenColumns) {
        if (rule.SetType != stLink)
            continue;
        const QString key = TrimBlanks(rule.LinkOwner).isEmpty()
            ? QuoteName(rule.LinkTable)
            : QuoteName(rule.LinkOwner) + u'.' + QuoteName(rule.LinkTable);
        int index = int(tables.indexOf(key));
        if (index < 0) {
            tables << key;
            counts << 0;
            selects << QStringLiteral("SELECT ") + QuoteName(rule.LinkColumn);
            index = int(tables.size()) - 1;
        } else {
            ++counts[index];
            selects[index] += QStringLiteral(", ") + QuoteName(rule.LinkColumn);
        }
        rule.LinkQueryTabPos = index;
        rule.LinkQueryColPos = counts.at(index);
    }
    for (int i = 0; i < tables.size(); ++i) {
        FLinkQuery.push_back(std::make_unique<CursorQuery>(
            connection(), selects.at(i) + QStringLiteral(" FROM ") + tables.at(i)));
    }
}

void DataGenerator::NextLinkRows()
{
    for (const std::unique_ptr<CursorQuery> &query : FLinkQuery) {
        if (query->Tag != 0)
            continue;
        if (query->isOpen()) {
            while (!query->eof()) {
                const qint64 a = Random(20);
                if (a == 0)
                    break; // the same row once more
                query->next();
                if (a >= 2)
                    break;
            }
        }
        if (!query->isOpen() || query->eof()) {
            query->open();
            if (query->eof())
                query->Tag = 1;
        }
    }
}

void DataGenerator::CloseLinkQueries()
{
    while (!FLinkQuery.empty()) {
        std::unique_ptr<CursorQuery> query = std::move(FLinkQuery.back());
        FLinkQuery.pop_back();
        query->close();
    }
}

// --- random dates and times -----------------------------------------------------------------

QDateTime DataGenerator::RandomDateTime(const QDateTime &From, const QDateTime &To,
                                        const QString &Kind)
{
    const QDate d1 = From.date();
    const QDate d2 = To.date();
    const QTime t1 = From.time();
    const QTime t2 = To.time();
    int y = d1.year(), m = d1.month(), d = d1.day();
    int h = t1.hour(), n = t1.minute(), s = t1.second();
    const int y1 = d1.year(), m1 = d1.month(), dd1 = d1.day();
    const int y2 = d2.year(), m2 = d2.month(), dd2 = d2.day();
    const int h1 = t1.hour(), n1 = t1.minute(), s1 = t1.second();
    const int h2 = t2.hour(), n2 = t2.minute(), s2 = t2.second();

    // base + Random(range) for one component, by whether the components above it equal From's
    // (lower edge) and To's (upper edge)
    auto draw = [this](bool lower, bool upper, int low, int high, int first, int count) {
        if (lower && upper)
            return low + int(Random(high - low + 1));
        if (lower)
            return low + int(Random(first + count - low));
        if (upper)
            return first + int(Random(high - first + 1));
        return first + int(Random(count));
    };

    if (Kind != QLatin1String("TIME")) {
        y = y1 + int(Random(y2 - y1 + 1));
        m = draw(y == y1, y == y2, m1, m2, 1, 12);
        const QDate first(y, m, 1);
        const int last = first.isValid() ? first.daysInMonth() : 31;
        d = draw(y == y1 && m == m1, y == y2 && m == m2, dd1, dd2, 1, last);
    }
    if (Kind != QLatin1String("DATE")) {
        const bool dateLow = y == y1 && m == m1 && d == dd1;
        const bool dateHigh = y == y2 && m == m2 && d == dd2;
        h = draw(dateLow, dateHigh, h1, h2, 0, 24);
        const bool hourLow = dateLow && h == h1;
        const bool hourHigh = dateHigh && h == h2;
        n = draw(hourLow, hourHigh, n1, n2, 0, 60);
        s = draw(hourLow && n == n1, hourHigh && n == n2, s1, s2, 0, 60);
    }
    const QDate date(y, m, d);
    const QTime time(h, n, s);
    if (!date.isValid() || !time.isValid())
        return DataGenDateTime(QDate(1899, 12, 30));
    return DataGenDateTime(date, time);
}
