#include "dataset.h"

#include "connection.h"
#include "connection_p.h"

#include <QBuffer>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

#include <algorithm>
#include <functional>

namespace pg {

namespace dataset {

// The table behind a result: its kind, names, key and which columns may be written.
// $1: the table's oid
const char TableInfoSql[] = R"(
SELECT c.relkind::text,
       n.nspname,
       c.relname,
       COALESCE((SELECT i.indkey::text
                   FROM pg_catalog.pg_index i
                  WHERE i.indrelid = c.oid AND i.indisprimary), '') AS key_columns,
       COALESCE((SELECT i.%1
                   FROM pg_catalog.pg_index i
                  WHERE i.indrelid = c.oid AND i.indisprimary), 0) AS key_count,
       a.attnum,
       a.attname,
       %2 AS not_writable
  FROM pg_catalog.pg_class c
  JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace
  LEFT JOIN pg_catalog.pg_attribute a
         ON a.attrelid = c.oid AND a.attnum > 0 AND NOT a.attisdropped
 WHERE c.oid = $1
 ORDER BY a.attnum
)";

// Attribute numbers of the system columns that name a row.
constexpr int CtidAttnum = -1;
constexpr int XminAttnum = -2;
constexpr int TableoidAttnum = -6;

// The whole inheritance tree the table belongs to: its ancestors up to the root (a partition's
// partitioned table, a child's parent) and every table below them, as the plan names the
// relations it scans. A row read through any of them may be a row of the table. $1: the
// table's oid
const char TableTreeSql[] = R"(
WITH RECURSIVE up(oid) AS (
    SELECT $1::pg_catalog.oid
    UNION
    SELECT i.inhparent FROM pg_catalog.pg_inherits i JOIN up ON i.inhrelid = up.oid
), down(oid) AS (
    SELECT oid FROM up
    UNION
    SELECT i.inhrelid FROM pg_catalog.pg_inherits i JOIN down ON i.inhparent = down.oid
)
SELECT n.nspname, c.relname
  FROM down
  JOIN pg_catalog.pg_class c ON c.oid = down.oid
  JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace
)";

QString scannedRelation(const QJsonObject &node)
{
    const QString relation = node.value(QLatin1String("Relation Name")).toString();
    if (relation.isEmpty())
        return relation;
    return node.value(QLatin1String("Schema")).toString() + QLatin1Char('.') + relation;
}

// One read of the tree spread over its members: an Append or Merge Append whose members are
// each a scan of a table of the tree (or again such an append). The planner writes one read
// of a partitioned or inherited table that way; two reads are two such nodes, or one scan and
// one node, however the partitions were pruned.
bool isOneReadOfTree(const QJsonObject &node, const QSet<QString> &tree, int depth)
{
    if (depth > 200)
        return false;
    const QString type = node.value(QLatin1String("Node Type")).toString();
    if (type != QLatin1String("Append") && type != QLatin1String("Merge Append"))
        return false;
    bool anyMember = false;
    const QJsonArray plans = node.value(QLatin1String("Plans")).toArray();
    for (const QJsonValue &child : plans) {
        const QJsonObject plan = child.toObject();
        if (plan.value(QLatin1String("Parent Relationship")).toString() != QLatin1String("Member"))
            continue;
        anyMember = true;
        const QString relation = scannedRelation(plan);
        if (relation.isEmpty() ? !isOneReadOfTree(plan, tree, depth + 1) : !tree.contains(relation))
            return false;
    }
    return anyMember;
}

bool isCteSubplan(const QJsonObject &plan)
{
    return plan.value(QLatin1String("Subplan Name")).toString().startsWith(QLatin1String("CTE "));
}

int countTreeReads(const QJsonObject &node, const QSet<QString> &tree,
                   const QHash<QString, QJsonObject> &ctes, int depth);

// The reads of the tree below the nodes of plans (a common table expression's plan is counted
// where the expression is scanned), or, with insideOneRead, below an append that is one read
// of the tree itself: its members are part of that read, what hangs below them is not.
int countChildReads(const QJsonArray &plans, bool insideOneRead, const QSet<QString> &tree,
                    const QHash<QString, QJsonObject> &ctes, int depth)
{
    if (depth > 200)
        return 0;
    int reads = 0;
    for (const QJsonValue &child : plans) {
        const QJsonObject plan = child.toObject();
        if (isCteSubplan(plan))
            continue;
        const bool member = insideOneRead
            && plan.value(QLatin1String("Parent Relationship")).toString()
                == QLatin1String("Member");
        if (!member) {
            reads += countTreeReads(plan, tree, ctes, depth + 1);
            continue;
        }
        const QJsonArray below = plan.value(QLatin1String("Plans")).toArray();
        // a member is a scan of the tree or a nested append of such scans
        reads += countChildReads(below, scannedRelation(plan).isEmpty(), tree, ctes, depth + 1);
    }
    return reads;
}

// How often a plan node and the nodes below it read a table of the tree; a scan of a common
// table expression counts the reads of that expression's plan again.
int countTreeReads(const QJsonObject &node, const QSet<QString> &tree,
                   const QHash<QString, QJsonObject> &ctes, int depth)
{
    if (depth > 200)
        return 0;
    const bool oneRead = isOneReadOfTree(node, tree, depth);
    int reads = oneRead || tree.contains(scannedRelation(node)) ? 1 : 0;
    const QString cte = node.value(QLatin1String("CTE Name")).toString();
    if (!cte.isEmpty() && ctes.contains(cte))
        reads += countTreeReads(ctes.value(cte), tree, ctes, depth + 1);
    return reads
        + countChildReads(node.value(QLatin1String("Plans")).toArray(), oneRead, tree, ctes, depth);
}

void collectCtes(const QJsonObject &node, QHash<QString, QJsonObject> *ctes, int depth)
{
    if (depth > 200)
        return;
    const QJsonArray plans = node.value(QLatin1String("Plans")).toArray();
    for (const QJsonValue &child : plans) {
        const QJsonObject plan = child.toObject();
        const QString name = plan.value(QLatin1String("Subplan Name")).toString();
        if (name.startsWith(QLatin1String("CTE ")))
            ctes->insert(name.mid(4), plan);
        collectCtes(plan, ctes, depth + 1);
    }
}

// The device openBlob() hands out for writing: it sets the field when closed.
class BlobWriter : public QBuffer
{
public:
    BlobWriter(DataSet *dataSet, int field, bool binary)
        : m_dataSet(dataSet)
        , m_field(field)
        , m_binary(binary)
    { }
    void close() override
    {
        if (isOpen() && m_dataSet) {
            const QByteArray bytes = data();
            QBuffer::close();
            if (m_binary)
                m_dataSet->setBytes(m_field, bytes);
            else
                m_dataSet->setText(m_field, QString::fromUtf8(bytes));
            m_dataSet = nullptr;
            return;
        }
        QBuffer::close();
    }
    ~BlobWriter() override
    {
        try {
            close();
        } catch (const Error &) {
            // a value refused on the implicit close is dropped; close() explicitly to see it
        }
    }

private:
    DataSet *m_dataSet;
    int m_field;
    bool m_binary;
};

} // namespace dataset

struct DataSet::Target
{
    enum Identity { None, PrimaryKey, RowId };

    Oid table = 0;
    QString schema;
    QString name;
    Identity identity = None;
    std::vector<int> keyColumns; // result columns of the key
    int ctidColumn = -1; // result columns of ctid, tableoid and xmin
    int tableoidColumn = -1;
    int xminColumn = -1;
    std::vector<QString> columnName; // per result column: its table column, empty if none
    std::vector<bool> writable; // per field
    // the table's columns, from the catalog
    std::vector<int> attnums;
    std::vector<QString> attnames;
    std::vector<bool> notWritable; // generated, or an identity GENERATED ALWAYS
};

struct DataSet::Slot
{
    Bookmark bookmark = NoBookmark;
    std::vector<std::optional<QByteArray>> values; // per result column, hidden ones included
};

DataSet::DataSet(Connection *connection, QObject *parent)
    : QObject(parent)
    , m_connection(connection)
{
    qRegisterMetaType<pg::DataSetState>();
}

DataSet::~DataSet() = default;

void DataSet::setConnection(Connection *connection)
{
    close();
    m_connection = connection;
    if (m_query && connection)
        m_query->setConnection(*connection);
}

Query &DataSet::query()
{
    if (!m_query) {
        if (!m_connection) {
            throw Error(QString::fromLatin1(sqlstate::ConnectionDoesNotExist),
                        QStringLiteral("データセットに接続が設定されていません。"));
        }
        m_query = std::make_unique<Query>(*m_connection);
    }
    return *m_query;
}

void DataSet::setSql(const QString &sql)
{
    close();
    query().setSql(sql);
}

QString DataSet::sql() const
{
    return m_query ? m_query->sql() : QString();
}

void DataSet::setReadOnly(bool on)
{
    m_readOnlyRequested = on;
}

bool DataSet::isReadOnly() const
{
    return m_readOnlyRequested || !m_target || m_target->identity == Target::None;
}

QString DataSet::readOnlyReason() const
{
    if (m_readOnlyRequested)
        return QStringLiteral("読み取り専用として開かれています。");
    return isReadOnly() ? m_readOnlyReason : QString();
}

QString DataSet::updateTable() const
{
    return isReadOnly() ? QString() : quotedTable();
}

QString DataSet::quotedTable() const
{
    return m_target
        ? quoteIdentifier(m_target->schema) + QLatin1Char('.') + quoteIdentifier(m_target->name)
        : QString();
}

// ---------------------------------------------------------------------------------------------
// Opening

void DataSet::open()
{
    close();
    if (!m_connection) {
        throw Error(QString::fromLatin1(sqlstate::ConnectionDoesNotExist),
                    QStringLiteral("データセットに接続が設定されていません。"));
    }
    Query &q = query();
    q.followSession();
    const QList<Param> params = q.values();
    m_readOnlyReason.clear();
    const QString keyword = firstKeyword(q.sql());
    const bool candidate = !m_readOnlyRequested && q.scan().statementCount == 1
        && (keyword == QLatin1String("SELECT") || keyword == QLatin1String("TABLE"));
    Q_EMIT aboutToBeReset();
    try {
        if (candidate) {
            openUpdatable(params);
        } else {
            m_result = q.open();
            if (!m_readOnlyRequested)
                m_readOnlyReason
                    = QStringLiteral("単一の SELECT 文の結果ではないため更新できません。");
        }
    } catch (...) {
        m_result = Result();
        m_target.reset();
        Q_EMIT wasReset();
        throw;
    }
    m_fields = m_result.fields();
    for (int f = 0; f < m_fields.count(); ++f)
        m_fields[f].readOnly = !isFieldWritable(f);
    const int rows = m_result.rowCount();
    m_rows.resize(rows);
    for (int r = 0; r < rows; ++r)
        m_rows[r] = r;
    resetRowLookup(rows);
    m_current = rows > 0 ? 0 : -1;
    m_state = DataSetState::Browse;
    Q_EMIT wasReset();
    Q_EMIT stateChanged(m_state);
    Q_EMIT currentChanged(m_current, -1);
}

void DataSet::openUpdatable(const QList<Param> &params)
{
    Connection::Private &c = *m_connection->d;
    const ParamScan &scan = m_query->scan();
    const QString &source = scan.source;
    const QByteArray text = c.encodeText(scan.rewritten, QStringLiteral("SQL 文"));
    const detail::EncodedParams ep = c.encodeParams(params, &scan);

    // "Go on after errors" covers the whole open, catalog reads included.
    const bool guarded = c.continueOnError
        && m_connection->transactionStatus() == TransactionStatus::InTransaction;
    if (guarded)
        c.internal(QStringLiteral("SAVEPOINT cv_stmt"));
    try {
        detail::ResultPtr described = c.prepare(text, ep, source, &scan);
        QByteArray finalText = text;
        const int columns = PQnfields(described.get());

        // the one table every table column comes from
        Oid table = 0;
        bool oneTable = true;
        for (int col = 0; col < columns; ++col) {
            const Oid t = PQftable(described.get(), col);
            if (t == 0)
                continue;
            if (table != 0 && t != table)
                oneTable = false;
            table = t;
        }
        m_target.reset();
        int hidden = 0;
        if (table == 0) {
            m_readOnlyReason = QStringLiteral("表の列を含まない結果は更新できません。");
        } else if (!oneTable) {
            m_readOnlyReason = QStringLiteral("複数の表を結合した結果は更新できません。");
        } else {
            loadTarget(table);
            if (!m_target) {
                // not a table: a view, a foreign table, a materialized view ...
            } else {
                Target &t = *m_target;
                for (int col = 0; col < columns; ++col) {
                    if (PQftable(described.get(), col) != table)
                        continue;
                    const int attnum = PQftablecol(described.get(), col);
                    const ::Oid type = PQftype(described.get(), col);
                    if (attnum == dataset::CtidAttnum && type == type::Tid)
                        t.ctidColumn = col;
                    else if (attnum == dataset::TableoidAttnum && type == type::OidType)
                        t.tableoidColumn = col;
                    else if (attnum == dataset::XminAttnum && type == type::Xid)
                        t.xminColumn = col;
                }
                if (t.identity == Target::PrimaryKey) {
                    // the key is known from the catalog; are all its columns in the result?
                    std::vector<int> keyColumns;
                    for (const int attnum : t.keyColumns) {
                        int found = -1;
                        for (int col = 0; col < columns && found < 0; ++col) {
                            if (PQftable(described.get(), col) == table
                                && PQftablecol(described.get(), col) == attnum)
                                found = col;
                        }
                        if (found < 0) {
                            keyColumns.clear();
                            break;
                        }
                        keyColumns.push_back(found);
                    }
                    t.keyColumns = keyColumns;
                    if (keyColumns.empty())
                        t.identity = Target::None;
                }
                if (t.identity == Target::None && t.ctidColumn >= 0 && t.tableoidColumn >= 0
                    && t.xminColumn >= 0)
                    t.identity = Target::RowId;
                if (t.identity == Target::None) {
                    // Add ctid, tableoid and xmin behind the select list of a plain SELECT …
                    // FROM. ctid alone may name another row by the time of the change: after a
                    // delete and a vacuum a new row takes the place, but never with the xmin of
                    // the row that was read.
                    const QString &sql = scan.rewritten;
                    const bool standard = scan.standardStrings;
                    const int select = findTopLevelWord(sql, QLatin1String("SELECT"), 0, standard);
                    const int from = select < 0
                        ? -1
                        : findTopLevelWord(sql, QLatin1String("FROM"), select + 6, standard);
                    const int distinct = select < 0
                        ? -1
                        : findTopLevelWord(sql, QLatin1String("DISTINCT"), select + 6, standard);
                    const bool plain = select >= 0 && from > select
                        && firstKeyword(sql) == QLatin1String("SELECT")
                        && (distinct < 0 || distinct > from);
                    if (plain) {
                        const QString extended = sql.left(from)
                            + QLatin1String(", ctid, tableoid, xmin ") + sql.mid(from);
                        const bool ok = c.probe("cv_open", [&] {
                            detail::ResultPtr d2
                                = c.prepare(c.encodeText(extended, QStringLiteral("SQL 文")), ep,
                                            source, &scan);
                            return PQnfields(d2.get()) == columns + 3
                                && PQftable(d2.get(), columns) == table
                                && PQftype(d2.get(), columns) == type::Tid
                                && PQftable(d2.get(), columns + 1) == table
                                && PQftype(d2.get(), columns + 1) == type::OidType
                                && PQftable(d2.get(), columns + 2) == table
                                && PQftype(d2.get(), columns + 2) == type::Xid;
                        });
                        if (ok) {
                            hidden = 3;
                            finalText = c.encodeText(extended, QStringLiteral("SQL 文"));
                            t.ctidColumn = columns;
                            t.tableoidColumn = columns + 1;
                            t.xminColumn = columns + 2;
                            t.identity = Target::RowId;
                        }
                    }
                }
                if (t.identity == Target::None) {
                    m_readOnlyReason = QStringLiteral("主キーの全列（または ctid と tableoid と "
                                                      "xmin）を含まない結果は更新できません。");
                } else if (readsTableTwice(table, finalText, ep)) {
                    // a self-join: the key shown may come from one row and a value from another
                    t.identity = Target::None;
                    m_readOnlyReason
                        = QStringLiteral("同じ表を複数回参照する結果は更新できません。");
                }
                // the table column behind each result column
                t.columnName.assign(size_t(columns + hidden), QString());
                for (int col = 0; col < columns; ++col) {
                    if (PQftable(described.get(), col) != table)
                        continue;
                    const int attnum = PQftablecol(described.get(), col);
                    if (attnum > 0) {
                        const auto it = std::find(t.attnums.begin(), t.attnums.end(), attnum);
                        if (it != t.attnums.end())
                            t.columnName[size_t(col)] = t.attnames[size_t(it - t.attnums.begin())];
                    }
                }
                t.writable.assign(size_t(columns), false);
                std::vector<int> seen;
                for (int col = 0; col < columns; ++col) {
                    const int attnum = PQftablecol(described.get(), col);
                    if (t.columnName[size_t(col)].isEmpty() || attnum <= 0
                        || std::find(seen.begin(), seen.end(), attnum) != seen.end())
                        continue; // a column shown twice is written through its first place
                    seen.push_back(attnum);
                    const auto it = std::find(t.attnums.begin(), t.attnums.end(), attnum);
                    t.writable[size_t(col)] = !t.notWritable[size_t(it - t.attnums.begin())];
                }
                // ctid and xmin change with every UPDATE: read them back, shown or hidden
                if (t.identity == Target::RowId) {
                    t.columnName[size_t(t.ctidColumn)] = QStringLiteral("ctid");
                    t.columnName[size_t(t.tableoidColumn)] = QStringLiteral("tableoid");
                    t.columnName[size_t(t.xminColumn)] = QStringLiteral("xmin");
                }
            }
        }
        // the statements above replaced the described one: run the text again in full
        detail::ResultPtr rows = c.exchange(finalText, ep, source, &scan, true);
        if (guarded)
            c.internal(QStringLiteral("RELEASE SAVEPOINT cv_stmt"));
        m_result = Result(
            std::make_shared<detail::ResultData>(rows.release(), c.codec(), source, hidden));
    } catch (const Error &) {
        if (guarded && m_connection->isOpen()) {
            try {
                c.internal(QStringLiteral("ROLLBACK TO SAVEPOINT cv_stmt"));
                c.internal(QStringLiteral("RELEASE SAVEPOINT cv_stmt"));
            } catch (const Error &) {
                // the first error is the one to report
            }
        }
        throw;
    }
}

bool DataSet::readsTableTwice(Oid table, const QByteArray &text, const detail::EncodedParams &ep)
{
    // The plan tells how often the statement reads the table: a self-join, a correlated
    // subquery over the same table or a CTE scanned twice reads it (or one of its
    // partitions) more than once, and then the key and the values of one result row may come
    // from different rows. Anything the plan cannot tell counts as twice.
    Connection::Private &c = *m_connection->d;
    const detail::ResultPtr treeRows = c.internal(QString::fromLatin1(dataset::TableTreeSql),
                                                  { Param(QVariant(uint(table)), type::OidType) });
    QSet<QString> tree;
    for (int row = 0; row < PQntuples(treeRows.get()); ++row) {
        tree.insert(c.codec()->decode(PQgetvalue(treeRows.get(), row, 0),
                                      PQgetlength(treeRows.get(), row, 0))
                    + QLatin1Char('.')
                    + c.codec()->decode(PQgetvalue(treeRows.get(), row, 1),
                                        PQgetlength(treeRows.get(), row, 1)));
    }
    int reads = 0;
    const bool read = c.probe("cv_plan", [&] {
        const detail::ResultPtr plan
            = c.exchange(QByteArrayLiteral("EXPLAIN (VERBOSE, FORMAT JSON) ") + text, ep,
                         QStringLiteral("EXPLAIN"), nullptr, true);
        if (PQntuples(plan.get()) != 1)
            return false;
        const QString json
            = c.codec()->decode(PQgetvalue(plan.get(), 0, 0), PQgetlength(plan.get(), 0, 0));
        const QJsonDocument doc = QJsonDocument::fromJson(json.toUtf8());
        const QJsonObject root
            = doc.array().at(0).toObject().value(QLatin1String("Plan")).toObject();
        if (root.isEmpty())
            return false;
        QHash<QString, QJsonObject> ctes;
        dataset::collectCtes(root, &ctes, 0);
        reads = dataset::countTreeReads(root, tree, ctes, 0);
        return true;
    });
    return !read || reads > 1;
}

void DataSet::loadTarget(Oid table)
{
    Connection::Private &c = *m_connection->d;
    const int version = m_connection->serverVersion();
    const QString keyCount
        = version >= 110000 ? QStringLiteral("indnkeyatts") : QStringLiteral("indnatts");
    QString notWritable = QStringLiteral("false");
    if (version >= 120000)
        notWritable = QStringLiteral("(a.attgenerated <> '' OR a.attidentity = 'a')");
    else if (version >= 100000)
        notWritable = QStringLiteral("(a.attidentity = 'a')");
    const QString sql = QString::fromLatin1(dataset::TableInfoSql).arg(keyCount, notWritable);
    detail::ResultPtr r = c.internal(sql, { Param(QVariant(uint(table)), type::OidType) });
    const int rows = PQntuples(r.get());
    if (rows == 0) {
        m_readOnlyReason = QStringLiteral("結果の元になった表が見つかりません。");
        return;
    }
    const char relkind = PQgetvalue(r.get(), 0, 0)[0];
    if (relkind != 'r' && relkind != 'p') {
        m_readOnlyReason = QStringLiteral("表以外（ビューなど）から得た結果は更新できません。");
        return;
    }
    auto t = std::make_unique<Target>();
    t->table = table;
    t->schema = c.codec()->decode(PQgetvalue(r.get(), 0, 1), PQgetlength(r.get(), 0, 1));
    t->name = c.codec()->decode(PQgetvalue(r.get(), 0, 2), PQgetlength(r.get(), 0, 2));
    const QList<QByteArray> keys = QByteArray(PQgetvalue(r.get(), 0, 3)).split(' ');
    const int keyCountValue = QByteArray(PQgetvalue(r.get(), 0, 4)).toInt();
    for (int i = 0; i < keyCountValue && i < keys.size(); ++i)
        t->keyColumns.push_back(keys.at(i).toInt());
    t->identity = t->keyColumns.empty() ? Target::None : Target::PrimaryKey;
    for (int row = 0; row < rows; ++row) {
        if (PQgetisnull(r.get(), row, 5))
            continue;
        t->attnums.push_back(QByteArray(PQgetvalue(r.get(), row, 5)).toInt());
        t->attnames.push_back(
            c.codec()->decode(PQgetvalue(r.get(), row, 6), PQgetlength(r.get(), row, 6)));
        t->notWritable.push_back(PQgetvalue(r.get(), row, 7)[0] == 't');
    }
    m_target = std::move(t);
}

void DataSet::close()
{
    if (m_state == DataSetState::Inactive && !m_result.isValid())
        return;
    Q_EMIT aboutToBeReset();
    const int previous = m_current;
    m_result = Result();
    m_fields.clear();
    m_target.reset();
    m_rows.clear();
    m_slots.clear();
    resetRowLookup(0);
    m_buffer.clear();
    m_changed.clear();
    m_current = -1;
    m_state = DataSetState::Inactive;
    Q_EMIT wasReset();
    Q_EMIT stateChanged(m_state);
    if (previous >= 0)
        Q_EMIT currentChanged(-1, previous);
}

void DataSet::refresh()
{
    const int row = m_current;
    open();
    if (row >= 0 && recordCount() > 0)
        setCurrentRow(qMin(row, recordCount() - 1));
}

void DataSet::setFieldVisible(int field, bool visible)
{
    if (field < 0 || field >= m_fields.count() || m_fields[field].visible == visible)
        return;
    m_fields[field].visible = visible;
    Q_EMIT layoutChanged();
}

void DataSet::setResult(const Result &result)
{
    close();
    Q_EMIT aboutToBeReset();
    m_result = result;
    m_fields = result.fields();
    for (int f = 0; f < m_fields.count(); ++f)
        m_fields[f].readOnly = true;
    m_readOnlyReason = QStringLiteral("外部で実行された結果は更新できません。");
    const int rows = result.rowCount();
    m_rows.resize(rows);
    for (int r = 0; r < rows; ++r)
        m_rows[r] = r;
    resetRowLookup(rows);
    m_current = rows > 0 ? 0 : -1;
    m_state = DataSetState::Browse;
    Q_EMIT wasReset();
    Q_EMIT stateChanged(m_state);
    Q_EMIT currentChanged(m_current, -1);
}

// ---------------------------------------------------------------------------------------------
// Reading

DataSet::Cell DataSet::cell(int row, int column) const
{
    if (row >= 0 && row == m_current && !m_buffer.empty()) {
        Cell c;
        const std::optional<QByteArray> &v = m_buffer[size_t(column)];
        if (v) {
            c.data = v->constData();
            c.length = int(v->size());
            c.null = false;
        }
        return c;
    }
    return storedCell(row, column);
}

DataSet::Cell DataSet::storedCell(int row, int column) const
{
    Cell c;
    if (row < 0 || row >= recordCount())
        return c;
    const qint32 r = m_rows[size_t(row)];
    if (r >= 0) {
        const PGresult *res = m_result.d->res;
        if (!PQgetisnull(res, r, column)) {
            c.data = PQgetvalue(res, r, column);
            c.length = PQgetlength(res, r, column);
            c.null = false;
        }
        return c;
    }
    const std::optional<QByteArray> &v = m_slots[size_t(-r - 1)].values[size_t(column)];
    if (v) {
        c.data = v->constData();
        c.length = int(v->size());
        c.null = false;
    }
    return c;
}

bool DataSet::isNull(int row, int field) const
{
    return cell(row, field).null;
}

QByteArrayView DataSet::raw(int row, int field) const
{
    const Cell c = cell(row, field);
    return QByteArrayView(c.data, c.length);
}

QString DataSet::text(int row, int field) const
{
    const Cell c = cell(row, field);
    if (c.null)
        return QString();
    if (c.length == 0)
        return QString(QLatin1String(""));
    return m_result.d->codec->decode(c.data, c.length);
}

QVariant DataSet::value(int row, int field) const
{
    const Cell c = cell(row, field);
    if (c.null)
        return QVariant();
    const FieldClass fc = m_fields.at(field).fieldClass;
    const QByteArrayView raw(c.data, c.length);
    if (fc == FieldClass::Blob || isNumeric(fc) || fc == FieldClass::Boolean)
        return valueFromText(fc, raw, QString());
    return valueFromText(fc, raw, text(row, field));
}

QByteArray DataSet::bytes(int row, int field) const
{
    const Cell c = cell(row, field);
    if (c.null)
        return QByteArray();
    const QByteArrayView raw(c.data, c.length);
    return m_fields.at(field).fieldClass == FieldClass::Blob ? decodeBytea(raw) : raw.toByteArray();
}

// ---------------------------------------------------------------------------------------------
// Navigation and bookmarks

void DataSet::checkActive() const
{
    if (!isActive()) {
        throw Error(QString::fromLatin1(sqlstate::InvalidDataSetState),
                    QStringLiteral("データセットが開かれていません。"));
    }
}

void DataSet::moveTo(int row)
{
    const int previous = m_current;
    m_current = row;
    if (previous != row)
        Q_EMIT currentChanged(row, previous);
}

void DataSet::setCurrentRow(int row)
{
    checkActive();
    if (recordCount() == 0)
        return;
    row = qBound(0, row, recordCount() - 1);
    if (row == m_current && m_state == DataSetState::Browse)
        return;
    if (m_state != DataSetState::Browse) {
        if (row == m_current)
            return;
        // leaving the record: post it, or drop a new one nobody filled in
        const Bookmark target = bookmarkAt(row);
        checkBrowseMode();
        const int at = rowOf(target);
        row = at >= 0 ? at : qBound(0, row, recordCount() - 1);
        if (recordCount() == 0)
            return;
    }
    moveTo(row);
}

void DataSet::first()
{
    setCurrentRow(0);
}

void DataSet::last()
{
    setCurrentRow(recordCount() - 1);
}

void DataSet::next()
{
    setCurrentRow(m_current + 1);
}

void DataSet::prior()
{
    setCurrentRow(m_current - 1);
}

int DataSet::moveBy(int distance)
{
    const int before = m_current;
    setCurrentRow(m_current + distance);
    return m_current - before;
}

Bookmark DataSet::bookmarkAt(int row) const
{
    if (row < 0 || row >= recordCount())
        return NoBookmark;
    const qint32 r = m_rows[size_t(row)];
    return r >= 0 ? Bookmark(r) : m_slots[size_t(-r - 1)].bookmark;
}

int DataSet::rowOf(Bookmark bookmark) const
{
    if (bookmark < 0 || bookmark >= m_nextBookmark || !isActive() || m_removed[size_t(bookmark)])
        return -1;
    int row = -1;
    size_t replayFrom = 0;
    if (bookmark < m_lookupBase) {
        row = m_rowOfBookmark.empty() ? int(bookmark) : m_rowOfBookmark[size_t(bookmark)];
    } else {
        // a record inserted since the table was built starts where it was inserted
        for (size_t i = 0; i < m_rowChanges.size(); ++i) {
            if (m_rowChanges[i].inserted == bookmark) {
                row = m_rowChanges[i].row;
                replayFrom = i + 1;
                break;
            }
        }
    }
    if (row < 0)
        return -1;
    for (size_t i = replayFrom; i < m_rowChanges.size(); ++i) {
        const RowChange &change = m_rowChanges[i];
        if (change.inserted != NoBookmark) {
            if (change.row <= row)
                ++row;
        } else if (change.row < row) {
            --row;
        } else if (change.row == row) {
            return -1;
        }
    }
    return row;
}

bool DataSet::isValidBookmark(Bookmark bookmark) const
{
    return bookmark >= 0 && bookmark < m_nextBookmark && isActive() && !m_removed[size_t(bookmark)];
}

void DataSet::resetRowLookup(int rows)
{
    m_nextBookmark = rows;
    m_lookupBase = rows;
    std::vector<int>().swap(m_rowOfBookmark);
    m_rowChanges.clear();
    m_removed.assign(size_t(rows), false);
}

void DataSet::noteRowChange(int row, Bookmark inserted)
{
    // Replaying costs each look-up a step per change; building the table costs a step per
    // record. Rebuilding after this many changes keeps both small for a million rows.
    constexpr size_t maxReplayed = 256;
    m_rowChanges.push_back({ row, inserted });
    if (m_rowChanges.size() < maxReplayed)
        return;
    m_rowOfBookmark.assign(size_t(m_nextBookmark), -1);
    for (int r = 0; r < recordCount(); ++r)
        m_rowOfBookmark[size_t(bookmarkAt(r))] = r;
    m_lookupBase = m_nextBookmark;
    m_rowChanges.clear();
}

bool DataSet::gotoBookmark(Bookmark bookmark)
{
    const int row = rowOf(bookmark);
    if (row < 0)
        return false;
    setCurrentRow(row);
    return m_current == rowOf(bookmark);
}

int DataSet::compareBookmarks(Bookmark a, Bookmark b) const
{
    const int ra = rowOf(a);
    const int rb = rowOf(b);
    return ra < rb ? -1 : (ra > rb ? 1 : 0);
}

// ---------------------------------------------------------------------------------------------
// Editing

bool DataSet::isFieldWritable(int field) const
{
    return !isReadOnly() && field >= 0 && size_t(field) < m_target->writable.size()
        && m_target->writable[size_t(field)];
}

void DataSet::checkModify() const
{
    checkActive();
    if (isReadOnly()) {
        throw Error(QString::fromLatin1(sqlstate::ReadOnlyResult),
                    QStringLiteral("この結果セットには書き込み出来ません。"), readOnlyReason());
    }
}

void DataSet::checkField(int field) const
{
    if (field < 0 || field >= m_fields.count()) {
        throw Error(QString::fromLatin1(sqlstate::InvalidValue),
                    QStringLiteral("列番号 %1 はこの結果にありません。").arg(field));
    }
    if (!isFieldWritable(field)) {
        throw Error(QString::fromLatin1(sqlstate::ReadOnlyResult),
                    QStringLiteral("列 %1 は変更できません。").arg(m_fields.at(field).name));
    }
}

bool DataSet::isModified() const
{
    return std::find(m_changed.begin(), m_changed.end(), true) != m_changed.end();
}

bool DataSet::isFieldModified(int field) const
{
    return field >= 0 && size_t(field) < m_changed.size() && m_changed[size_t(field)];
}

void DataSet::edit()
{
    checkModify();
    if (m_state == DataSetState::Edit || m_state == DataSetState::Insert)
        return;
    if (recordCount() == 0) {
        append();
        return;
    }
    // Filled from the stored record before it becomes the buffer: cell() reads the buffer of
    // the current record as soon as there is one.
    const int columns = m_result.d->columns;
    std::vector<std::optional<QByteArray>> buffer(size_t(columns), std::nullopt);
    for (int col = 0; col < columns; ++col) {
        const Cell c = storedCell(m_current, col);
        if (!c.null)
            buffer[size_t(col)] = QByteArray(c.data, c.length);
    }
    m_buffer = std::move(buffer);
    m_changed.assign(size_t(m_fields.count()), false);
    m_state = DataSetState::Edit;
    Q_EMIT stateChanged(m_state);
}

void DataSet::insertRecordAt(int row)
{
    Slot slot;
    slot.bookmark = m_nextBookmark++;
    slot.values.assign(size_t(m_result.d->columns), std::nullopt);
    m_slots.push_back(std::move(slot));
    Q_EMIT rowsAboutToBeInserted(row, row);
    m_rows.insert(m_rows.begin() + row, -qint32(m_slots.size()));
    m_removed.push_back(false);
    noteRowChange(row, m_slots.back().bookmark);
    Q_EMIT rowsInserted(row, row);
}

void DataSet::removeRecordAt(int row)
{
    Q_EMIT rowsAboutToBeRemoved(row, row);
    m_removed[size_t(bookmarkAt(row))] = true;
    m_rows.erase(m_rows.begin() + row);
    noteRowChange(row, NoBookmark);
    const int previous = m_current;
    if (m_current >= recordCount())
        m_current = recordCount() - 1;
    Q_EMIT rowsRemoved(row, row);
    Q_EMIT currentChanged(m_current, previous);
}

void DataSet::insert()
{
    checkModify();
    checkBrowseMode();
    const int row = m_current < 0 ? 0 : m_current;
    insertRecordAt(row);
    m_buffer.assign(size_t(m_result.d->columns), std::nullopt);
    m_changed.assign(size_t(m_fields.count()), false);
    m_state = DataSetState::Insert;
    const int previous = m_current;
    m_current = row;
    Q_EMIT currentChanged(row, previous);
    Q_EMIT stateChanged(m_state);
}

void DataSet::append()
{
    checkModify();
    checkBrowseMode();
    const int row = recordCount();
    insertRecordAt(row);
    m_buffer.assign(size_t(m_result.d->columns), std::nullopt);
    m_changed.assign(size_t(m_fields.count()), false);
    m_state = DataSetState::Insert;
    const int previous = m_current;
    m_current = row;
    Q_EMIT currentChanged(row, previous);
    Q_EMIT stateChanged(m_state);
}

void DataSet::cancel()
{
    if (m_state == DataSetState::Insert) {
        m_buffer.clear();
        m_changed.clear();
        m_state = DataSetState::Browse;
        removeRecordAt(m_current);
        Q_EMIT stateChanged(m_state);
    } else if (m_state == DataSetState::Edit) {
        m_buffer.clear();
        m_changed.clear();
        m_state = DataSetState::Browse;
        Q_EMIT rowChanged(m_current);
        Q_EMIT stateChanged(m_state);
    }
}

void DataSet::checkBrowseMode()
{
    if (m_state != DataSetState::Edit && m_state != DataSetState::Insert)
        return;
    if (isModified())
        post();
    else
        cancel();
}

void DataSet::setCell(int field, std::optional<QByteArray> value, bool sameAsStored)
{
    checkModify();
    checkField(field);
    if (m_state == DataSetState::Browse)
        edit();
    if (sameAsStored && m_state == DataSetState::Edit) {
        // The value the record holds: keep its bytes as the server sent them (a text the
        // client encoding cannot show would not survive a round trip) and write nothing.
        const Cell stored = storedCell(m_current, field);
        m_buffer[size_t(field)] = stored.null
            ? std::nullopt
            : std::optional<QByteArray>(QByteArray(stored.data, stored.length));
        m_changed[size_t(field)] = false;
    } else {
        m_buffer[size_t(field)] = std::move(value);
        m_changed[size_t(field)] = true;
    }
    Q_EMIT rowChanged(m_current);
}

void DataSet::revertField(int field)
{
    if ((m_state != DataSetState::Edit && m_state != DataSetState::Insert) || field < 0
        || size_t(field) >= m_changed.size())
        return;
    const Cell stored = m_state == DataSetState::Edit ? storedCell(m_current, field) : Cell();
    m_buffer[size_t(field)] = stored.null
        ? std::nullopt
        : std::optional<QByteArray>(QByteArray(stored.data, stored.length));
    m_changed[size_t(field)] = false;
    Q_EMIT rowChanged(m_current);
}

bool DataSet::storedEquals(int field, const std::function<bool(QByteArrayView)> &same) const
{
    if (m_state == DataSetState::Insert || m_current < 0 || field < 0 || field >= m_fields.count())
        return false;
    const Cell stored = storedCell(m_current, field);
    return !stored.null && same(QByteArrayView(stored.data, stored.length));
}

void DataSet::setText(int field, const QString &text)
{
    if (text.isNull()) {
        setNull(field);
        return;
    }
    if (text.contains(QChar(0))) {
        throw Error(
            QString::fromLatin1(sqlstate::CharacterNotInRepertoire),
            QStringLiteral("列 %1 の値に NUL 文字 (0x00) が含まれているため格納できません。")
                .arg(field >= 0 && field < m_fields.count() ? m_fields.at(field).name : QString()),
            QString(), QStringLiteral("PostgreSQL の文字列は 0x00 を保持できません。"));
    }
    checkActive();
    const detail::TextCodec *codec = m_result.d->codec;
    if (storedEquals(field, [&](QByteArrayView stored) {
            return codec->decode(stored.data(), stored.size()) == text;
        })) {
        setCell(field, std::nullopt, true);
        return;
    }
    bool ok = true;
    QByteArray bytes = codec->encode(text, &ok);
    if (!ok) {
        throw Error(QString::fromLatin1(sqlstate::UntranslatableCharacter),
                    QStringLiteral("値にクライアント文字コードで表せない文字が含まれています。"));
    }
    setCell(field, std::move(bytes));
}

void DataSet::setNull(int field)
{
    const bool storedNull
        = m_state != DataSetState::Insert && m_current >= 0 && storedCell(m_current, field).null;
    setCell(field, std::nullopt, storedNull);
}

void DataSet::setBytes(int field, const QByteArray &bytes)
{
    checkActive();
    if (field >= 0 && field < m_fields.count()
        && m_fields.at(field).fieldClass == FieldClass::Blob) {
        if (storedEquals(field,
                         [&](QByteArrayView stored) { return decodeBytea(stored) == bytes; })) {
            setCell(field, std::nullopt, true);
            return;
        }
        setCell(field, encodeBytea(bytes));
        return;
    }
    setText(field, QString::fromUtf8(bytes));
}

void DataSet::setValue(int field, const QVariant &value)
{
    if (!value.isValid() || value.isNull()) {
        setNull(field);
        return;
    }
    checkActive();
    const FieldClass fc = field >= 0 && field < m_fields.count() ? m_fields.at(field).fieldClass
                                                                 : FieldClass::String;
    switch (value.typeId()) {
    case QMetaType::QByteArray:
        setBytes(field, value.toByteArray());
        return;
    case QMetaType::Bool:
        setText(field, value.toBool() ? QStringLiteral("true") : QStringLiteral("false"));
        return;
    case QMetaType::Double:
    case QMetaType::Float: {
        const double v = value.toDouble();
        setText(field,
                qIsNaN(v)       ? QStringLiteral("NaN")
                    : qIsInf(v) ? (v > 0 ? QStringLiteral("Infinity") : QStringLiteral("-Infinity"))
                                : QString::number(v, 'g', 17));
        return;
    }
    case QMetaType::QDate:
        setText(field, value.toDate().toString(Qt::ISODate));
        return;
    case QMetaType::QTime:
        setText(field, value.toTime().toString(Qt::ISODateWithMs));
        return;
    case QMetaType::QDateTime:
        setText(field, value.toDateTime().toString(Qt::ISODateWithMs));
        return;
    default:
        Q_UNUSED(fc)
        setText(field, value.toString());
        return;
    }
}

std::unique_ptr<QIODevice> DataSet::openBlob(int field, QIODevice::OpenMode mode)
{
    checkActive();
    if (mode & QIODevice::WriteOnly) {
        checkField(field);
        const bool binary = m_fields.at(field).fieldClass == FieldClass::Blob;
        auto writer = std::make_unique<dataset::BlobWriter>(this, field, binary);
        writer->open(QIODevice::WriteOnly);
        if (mode & QIODevice::ReadOnly) { // read-write: start from the current value
            writer->write(binary ? bytes(field) : text(field).toUtf8());
            writer->seek(0);
        }
        return writer;
    }
    auto reader = std::make_unique<QBuffer>();
    const FieldClass fc = field >= 0 && field < m_fields.count() ? m_fields.at(field).fieldClass
                                                                 : FieldClass::String;
    reader->setData(fc == FieldClass::Blob ? bytes(field) : text(field).toUtf8());
    reader->open(QIODevice::ReadOnly);
    return reader;
}

QString DataSet::identityCondition(int row, QList<Param> *params) const
{
    const Target &t = *m_target;
    QStringList terms;
    auto original = [&](int column) {
        // The values the record had before this change, never the edit buffer, as the very
        // bytes the server sent: a key the client encoding cannot show still matches.
        const Cell c = storedCell(row, column);
        return Param::serverText(c.null ? QByteArray() : QByteArray(c.data, c.length));
    };
    auto add = [&](const QString &column, const Param &value, const char *cast) {
        params->append(value);
        const QString placeholder
            = QLatin1Char('$') + QString::number(params->size()) + QLatin1String(cast);
        terms << column + QLatin1String(" = ") + placeholder;
    };
    if (t.identity == Target::PrimaryKey) {
        for (const int column : t.keyColumns)
            add(quoteIdentifier(t.columnName[size_t(column)]), original(column), "");
    } else {
        add(QStringLiteral("ctid"), original(t.ctidColumn), "::pg_catalog.tid");
        add(QStringLiteral("tableoid"), original(t.tableoidColumn), "::pg_catalog.oid");
        add(QStringLiteral("xmin"), original(t.xminColumn), "::pg_catalog.xid");
    }
    return terms.join(QLatin1String(" AND "));
}

QString DataSet::returningList() const
{
    QStringList items;
    for (const QString &name : m_target->columnName) {
        if (!name.isEmpty()) {
            items << (name == QLatin1String("ctid") || name == QLatin1String("tableoid")
                              || name == QLatin1String("xmin")
                          ? name
                          : quoteIdentifier(name));
        }
    }
    return items.isEmpty() ? QString()
                           : QLatin1String(" RETURNING ") + items.join(QLatin1String(", "));
}

int DataSet::slotForRow(int row)
{
    const qint32 r = m_rows[size_t(row)];
    if (r < 0)
        return -r - 1;
    Slot slot;
    slot.bookmark = r;
    const int columns = m_result.d->columns;
    slot.values.assign(size_t(columns), std::nullopt);
    const PGresult *res = m_result.d->res;
    for (int col = 0; col < columns; ++col) {
        if (!PQgetisnull(res, r, col))
            slot.values[size_t(col)]
                = QByteArray(PQgetvalue(res, r, col), PQgetlength(res, r, col));
    }
    m_slots.push_back(std::move(slot));
    m_rows[size_t(row)] = -qint32(m_slots.size());
    return int(m_slots.size()) - 1;
}

void DataSet::storeReturned(int slotIndex, const Result &returned)
{
    Slot &slot = m_slots[size_t(slotIndex)];
    if (returned.rowCount() < 1)
        return;
    int out = 0;
    for (size_t col = 0; col < m_target->columnName.size(); ++col) {
        if (m_target->columnName[col].isEmpty())
            continue;
        if (returned.isNull(0, out)) {
            slot.values[col] = std::nullopt;
        } else {
            const QByteArrayView raw = returned.raw(0, out);
            slot.values[col] = QByteArray(raw.data(), raw.size());
        }
        ++out;
    }
}

void DataSet::post()
{
    if (m_state != DataSetState::Edit && m_state != DataSetState::Insert)
        return;
    checkModify();
    Q_EMIT aboutToPost();
    const Target &t = *m_target;
    auto pending = [&](int field) {
        const std::optional<QByteArray> &v = m_buffer[size_t(field)];
        return Param::serverText(v ? *v : QByteArray());
    };

    QList<Param> params;
    QString sql;
    if (m_state == DataSetState::Edit) {
        QStringList sets;
        for (int f = 0; f < m_fields.count(); ++f) {
            if (!m_changed[size_t(f)])
                continue;
            params.append(pending(f));
            sets << quoteIdentifier(t.columnName[size_t(f)]) + QLatin1String(" = $")
                    + QString::number(params.size());
        }
        if (sets.isEmpty()) {
            m_buffer.clear();
            m_changed.clear();
            m_state = DataSetState::Browse;
            Q_EMIT stateChanged(m_state);
            return;
        }
        sql = QLatin1String("UPDATE ") + quotedTable() + QLatin1String(" SET ")
            + sets.join(QLatin1String(", ")) + QLatin1String(" WHERE ")
            + identityCondition(m_current, &params) + returningList();
    } else {
        QStringList columns;
        QStringList values;
        for (int f = 0; f < m_fields.count(); ++f) {
            if (!m_changed[size_t(f)])
                continue;
            params.append(pending(f));
            columns << quoteIdentifier(t.columnName[size_t(f)]);
            values << QLatin1Char('$') + QString::number(params.size());
        }
        sql = QLatin1String("INSERT INTO ") + quotedTable()
            + (columns.isEmpty() ? QStringLiteral(" DEFAULT VALUES")
                                 : QLatin1String(" (") + columns.join(QLatin1String(", "))
                       + QLatin1String(") VALUES (") + values.join(QLatin1String(", "))
                       + QLatin1Char(')'))
            + returningList();
    }

    const Result written = m_connection->d->writeUnit(sql, params, true);
    const int slot = slotForRow(m_current);
    if (m_state == DataSetState::Insert)
        std::fill(m_slots[size_t(slot)].values.begin(), m_slots[size_t(slot)].values.end(),
                  std::nullopt);
    storeReturned(slot, written);
    m_buffer.clear();
    m_changed.clear();
    m_state = DataSetState::Browse;
    Q_EMIT rowChanged(m_current);
    Q_EMIT stateChanged(m_state);
}

void DataSet::deleteRecord()
{
    checkModify();
    if (m_state == DataSetState::Insert) {
        cancel();
        return;
    }
    if (m_state == DataSetState::Edit)
        cancel();
    if (recordCount() == 0)
        return;
    QList<Param> params;
    const QString sql = QLatin1String("DELETE FROM ") + quotedTable() + QLatin1String(" WHERE ")
        + identityCondition(m_current, &params);
    m_connection->d->writeUnit(sql, params, true);
    removeRecordAt(m_current);
}

} // namespace pg
