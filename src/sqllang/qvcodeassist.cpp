#include "qvcodeassist.h"

#include "qvmemo.h"
#include "qvparse.h"

#include "core/qvfuncargs.h"
#include "core/qvname.h"
#include "core/qvobjsql.h"
#include "core/qvobjtype.h"
#include "core/qvoption.h"
#include "core/qvsub.h"
#include "core/qvtypetext.h"
#include "platform/pg/connection.h"
#include "platform/pg/query.h"

#include <QList>
#include <QStringList>
#include <QWidget>

#include <exception>

namespace qvcodeassist {

using namespace codeassist;

constexpr int versionMaterializedView = 90300;
constexpr int versionAggregate = 90400;
constexpr int versionPartitionedTable = 100000;
constexpr int versionProcedure = 110000;

struct Lookup
{
    int objType; // whose list joins it reads
    const char *nameColumn;
    const char *schemaColumn;
    const char *nameParam;
    bool distinct;
    bool passesEdition; // the joins take the edition flag
};

// Kinds 0, 1 and 3 to 15; kind 2 (schemas) has its own text.
const Lookup &lookupOf(int kind)
{
    static const Lookup lookups[] = {
        { ObjType::Table, "TblInf.relname", "TblNsp.nspname", ":TBLNM", false, false },
        { ObjType::View, "TblInf.relname", "TblNsp.nspname", ":VIWNM", false, false },
        { 0, nullptr, nullptr, nullptr, false, false },
        { ObjType::Index, "C.relname", "N.nspname", ":IDXNM", false, false },
        { ObjType::Function, "Prc.proname", "Nms.nspname", ":FNCNM", true, true },
        { ObjType::Type, "T.typname", "N.nspname", ":TYPNM", false, false },
        { ObjType::Trigger, "TrgInf.tgname", "Nms.nspname", ":TRGNM", true, false },
        { ObjType::Sequence, "C.relname", "N.nspname", ":SEQNM", false, false },
        { ObjType::Constraint, "ConInf.conname", "ConNsp.nspname", ":CONNM", false, false },
        { ObjType::Rule, "r.rulename", "ns.nspname", ":RULENM", true, false },
        { ObjType::MaterializedView, "TblInf.relname", "TblNsp.nspname", ":MVIWNM", false, false },
        { ObjType::Aggregate, "Prc.proname", "Nms.nspname", ":AGRGNM", true, false },
        { ObjType::Procedure, "Prc.proname", "Nms.nspname", ":FNCNM", true, true },
        { ObjType::Package, "pac.pkgname", "Nms.nspname", ":FNCNM", true, true },
        { ObjType::Synonym, "Syn.synname", "Nms.nspname", ":SYNNM", true, false },
        { ObjType::DatabaseLink, "Lnk.lnkname", "Nsp.nspname", ":SYNNM", true, false },
    };
    return lookups[kind];
}

// Whether the server has objects of the kind at all.
bool kindExists(int kind, bool isEDB, int serverVersion)
{
    switch (kind) {
    case MaterializedView:
        return serverVersion >= versionMaterializedView;
    case Aggregate:
        return serverVersion >= versionAggregate;
    case Procedure:
        return isEDB || serverVersion >= versionProcedure;
    case Package:
    case Synonym:
    case DatabaseLink:
        return isEDB;
    default:
        return kind >= 0 && kind < KindCount;
    }
}

// "SELECT [DISTINCT] items", the list joins of the kind and the schema condition.
QString objectSelect(int kind, const QString &items, bool isEDB, int serverVersion)
{
    const Lookup &l = lookupOf(kind);
    QString from;
    QString where;
    GetObjectListSQL(l.objType, from, where, serverVersion, l.passesEdition && isEDB);
    const QString trimmedWhere = where.trimmed();
    QString sql = QStringLiteral(" SELECT ")
        + (l.distinct ? QStringLiteral("DISTINCT ") : QString()) + items + u' ' + from.trimmed();
    if (!trimmedWhere.isEmpty())
        sql += u' ' + trimmedWhere;
    sql += trimmedWhere.isEmpty() ? QStringLiteral(" WHERE  ") : QStringLiteral(" AND    ");
    sql += QLatin1String(l.schemaColumn) + QStringLiteral("   =   :OWNER");
    return sql;
}

struct Branch
{
    int kind;
    const char *kindText;
    int rank;
};

// The branches of the objects of a schema, in their order; functions, procedures and packages
// share a rank and so come mixed in name order.
const QList<Branch> &schemaBranches()
{
    static const QList<Branch> branches = {
        { Table, "TABLE", 1 },
        { View, "VIEW", 2 },
        { Index, "INDEX", 3 },
        { Function, "FUNCTION", 4 },
        { Procedure, "PROCEDURE", 4 },
        { Package, "PACKAGE", 4 },
        { Type, "TYPE", 5 },
        { Trigger, "TRIGGER", 6 },
        { Sequence, "SEQUENCE", 7 },
        { Constraint, "CONSTRAINT", 8 },
        { Rule, "RULE", 9 },
        { MaterializedView, "MATERIALIZED VIEW", 10 },
        { Aggregate, "AGGREGATE", 11 },
        { Synonym, "SYNONYM", 14 },
        { DatabaseLink, "DBLINK", 15 },
    };
    return branches;
}

// The relation kinds whose columns code assist lists.
QString columnRelkinds(int serverVersion)
{
    QString kinds = QStringLiteral("'r', 'f', 'v'");
    if (serverVersion >= versionPartitionedTable)
        kinds += QStringLiteral(", 'p'");
    if (serverVersion >= versionMaterializedView)
        kinds += QStringLiteral(", 'm'");
    return kinds;
}

// The image of an object by its kind text.
int objectImage(const QString &kindText)
{
    static const QList<std::pair<QString, int>> images = {
        { QStringLiteral("TABLE"), ObjType::Table },
        { QStringLiteral("VIEW"), ObjType::View },
        { QStringLiteral("INDEX"), ObjType::Index },
        { QStringLiteral("FUNCTION"), ObjType::Function },
        { QStringLiteral("TYPE"), ObjType::Type },
        { QStringLiteral("TRIGGER"), ObjType::Trigger },
        { QStringLiteral("SEQUENCE"), ObjType::Sequence },
        { QStringLiteral("CONSTRAINT"), ObjType::Constraint },
        { QStringLiteral("RULE"), ObjType::Rule },
        { QStringLiteral("MATERIALIZED VIEW"), ObjType::MaterializedView },
        { QStringLiteral("AGGREGATE"), ObjType::Aggregate },
        { QStringLiteral("PROCEDURE"), ObjType::Procedure },
        { QStringLiteral("PACKAGE"), ObjType::Package },
        { QStringLiteral("SYNONYM"), ObjType::Synonym },
        { QStringLiteral("DBLINK"), ObjType::DatabaseLink },
    };
    for (const auto &image : images) {
        if (image.first == kindText)
            return image.second;
    }
    return -1;
}

constexpr int imageReservedWord = 10;
constexpr int imageKeyColumn = 46;

int argumentImage(const QString &mode)
{
    if (mode == u"i")
        return 80;
    if (mode == u"o")
        return 81;
    if (mode == u"b")
        return 82;
    return -1;
}

enum class Ident { Schema, Relation, Alias, Other, Partial };

pg::Result runLookup(pg::Connection &connection, const QString &sql, const QStringList &values)
{
    pg::Query query(connection, sql);
    query.bindValues(values);
    return query.open();
}

bool found(pg::Connection &connection, int kind, bool isEDB, int serverVersion,
           const QStringList &values)
{
    const QString sql = GetCodeAssistSQL(kind, isEDB, serverVersion);
    if (sql.isEmpty())
        return false;
    return runLookup(connection, sql, values).rowCount() > 0;
}

// The table that the alias names in the editor's statements, as the statement writes it.
bool findAlias(TqvMemo *memo, const QString &alias, QString *table)
{
    QStringList lines = memo->text().split(u'\n');
    for (QString &line : lines) {
        if (line.endsWith(u'\r'))
            line.chop(1);
    }
    StripSQLComments(lines, false);
    TqvParseList columns;
    TqvParseList tables;
    TqvParseList orders;
    QStringList conditions;
    QStringList groups;
    QStringList havings;
    QString viewName;
    try {
        ParseSQL(lines.join(u'\n'), &columns, &tables, &orders, &conditions, &groups, &havings,
                 QString(), viewName);
    } catch (const std::exception &) {
        // what the parser found before it stopped is used
    }
    for (int k = 0; k < tables.Count(); ++k) {
        if (tables.Alias(k).compare(alias, Qt::CaseInsensitive) == 0) {
            *table = tables.ObjectName(k);
            return true;
        }
    }
    return false;
}

// One part of a table name taken from a statement, as the catalog stores it.
QString normalizeNamePart(QString part)
{
    if (part.endsWith(u';'))
        part.chop(1);
    return part.startsWith(u'"') ? DequoteName(part) : part.toLower();
}

// Splits a table name as a statement writes it at its first dot outside double quotes.
void splitTableName(const QString &name, const QString &defaultSchema, QString *schema,
                    QString *object)
{
    bool quoted = false;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const QChar c = name.at(i);
        if (c == u'"')
            quoted = !quoted;
        else if (c == u'.' && !quoted) {
            *schema = normalizeNamePart(name.left(i));
            *object = normalizeNamePart(name.mid(i + 1));
            return;
        }
    }
    *schema = defaultSchema;
    *object = normalizeNamePart(name);
}

} // namespace qvcodeassist

QString GetCodeAssistSQL(int Kind, bool IsEDB, int ServerVersion)
{
    using namespace qvcodeassist;
    if (!kindExists(Kind, IsEDB, ServerVersion))
        return QString();
    switch (Kind) {
    case Schema:
        return QStringLiteral(" SELECT nspname"
                              " FROM   pg_namespace"
                              " WHERE  ("
                              "             NOT(nspname LIKE 'pg#_%' escape '#')"
                              "         OR  nspname = 'pg_catalog'"
                              "       )"
                              " AND    nspname           =   :SCHNM");
    case SchemaObjects: {
        QStringList parts;
        for (const Branch &b : schemaBranches()) {
            if (!kindExists(b.kind, IsEDB, ServerVersion))
                continue;
            const QString items = QLatin1String(lookupOf(b.kind).nameColumn)
                + QStringLiteral(" AS ObjNm, '") + QLatin1String(b.kindText)
                + QStringLiteral("' AS ObjTyp, ") + QString::number(b.rank)
                + QStringLiteral(" AS ObjNo");
            parts << objectSelect(b.kind, items, IsEDB, ServerVersion);
        }
        return parts.join(QStringLiteral(" UNION ALL"))
            + QStringLiteral(" ORDER  BY     ObjNo, ObjNm");
    }
    case Columns:
        // pg_attribute itself: the information schema leaves out partitioned and foreign tables
        // and materialized views, and the columns the user holds no privilege on
        return QStringLiteral(
                   " SELECT Att.attname                                    AS column_name,"
                   "        Typ.typname,"
                   "        information_schema._pg_char_max_length(Att.atttypid, Att.atttypmod)"
                   "                                                       AS "
                   "character_maximum_length,"
                   "        information_schema._pg_numeric_precision(Att.atttypid, Att.atttypmod)"
                   "                                                       AS numeric_precision,"
                   "        information_schema._pg_numeric_scale(Att.atttypid, Att.atttypmod)"
                   "                                                       AS numeric_scale,"
                   "        pg_get_expr(Def.adbin, Def.adrelid)            AS column_default,"
                   "        Dsc.description,"
                   "        Att.attnum                                     AS ORDNO"
                   " FROM   pg_class          AS Cls"
                   " JOIN   pg_namespace      AS Nms"
                   "  ON  Nms.oid             =   Cls.relnamespace"
                   " JOIN   pg_attribute      AS Att"
                   "  ON  Att.attrelid        =   Cls.oid"
                   " LEFT JOIN pg_type        AS Typ"
                   "  ON  Typ.oid             =   Att.atttypid"
                   " LEFT JOIN pg_attrdef     AS Def"
                   "  ON  Def.adrelid         =   Att.attrelid"
                   "  AND Def.adnum           =   Att.attnum"
                   " LEFT JOIN pg_description AS Dsc"
                   "  ON  Dsc.objoid          =   Cls.oid"
                   "  AND Dsc.classoid        =   'pg_class'::regclass"
                   "  AND Dsc.objsubid        =   Att.attnum"
                   " WHERE  Cls.relkind       IN  (")
            + columnRelkinds(ServerVersion)
            + QStringLiteral(")"
                             " AND    Nms.nspname       =   :OWNER"
                             " AND    Cls.relname       =   :TBLNM"
                             " AND    Att.attnum        >   0"
                             " AND    NOT Att.attisdropped"
                             " ORDER  BY     ORDNO");
    case KeyColumns:
        // the key's own columns of the table: an index keeps the names its columns had when it
        // was made, a renamed column keeps its mark only through conkey
        return QStringLiteral(" SELECT Att.attname"
                              " FROM   pg_constraint     AS Con"
                              " JOIN   pg_class          AS Cls2"
                              "  ON  Con.conrelid        =   Cls2.oid"
                              " JOIN   pg_namespace      AS Nms"
                              "  ON  Cls2.relnamespace   =   Nms.oid"
                              " JOIN   pg_attribute      AS Att"
                              "  ON  Att.attrelid        =   Con.conrelid"
                              "  AND Att.attnum          =   ANY (Con.conkey)"
                              " WHERE  Con.contype       =   'p'"
                              " AND    Att.attnum        >   0"
                              " AND    Nms.nspname       =   :OWNER"
                              " AND    Cls2.relname      =   :TBLNM"
                              " ORDER  BY     Cls2.relname,"
                              "        Att.attnum");
    default: {
        const Lookup &l = lookupOf(Kind);
        return objectSelect(Kind, QLatin1String(l.nameColumn), IsEDB, ServerVersion)
            + QStringLiteral(" AND    ") + QLatin1String(l.nameColumn) + QStringLiteral("   =   ")
            + QLatin1String(l.nameParam);
    }
    }
}

void ShowCodeAssist(TqvMemo *Memo, QWidget *Owner, pg::Connection &Query,
                    const QString &DefaultSchema, int ServerVersion, bool IsEDB, bool DBAMode,
                    int X, int Y)
{
    using namespace qvcodeassist;
    Q_UNUSED(DBAMode)
    if (!AppOption.CodeAssist || !Memo || Memo->CodeAssist())
        return;

    // the token: qualifiers, and the word being typed unless it ends with a dot
    QString token = Memo->GetCodeAssistToken();
    bool partial = true;
    if (token.endsWith(u'.')) {
        token.chop(1);
        partial = false;
    }
    if (!token.isEmpty() && token.count(u'.') == token.size())
        return;
    QStringList parts = token.split(u'.');
    if (parts.size() > 4)
        return;

    // what each qualifier names, the most likely kinds first
    QList<Ident> idents;
    for (int i = 0; i < parts.size(); ++i) {
        if (partial && i == parts.size() - 1) {
            idents << Ident::Partial;
            break;
        }
        const QString schema = i == 0 ? DefaultSchema : parts.at(0);
        const QStringList values { schema, parts.at(i) };
        auto is = [&](int kind) { return found(Query, kind, IsEDB, ServerVersion, values); };
        QString aliased;
        if (is(Table) || is(View))
            idents << Ident::Relation;
        else if (i == 0 && findAlias(Memo, parts.at(i), &aliased)) {
            idents << Ident::Alias;
            parts[i] = aliased;
        } else if (i == 0
                   && runLookup(Query, GetCodeAssistSQL(Schema, IsEDB, ServerVersion),
                                { parts.at(i) })
                           .rowCount()
                       > 0)
            idents << Ident::Schema;
        else if (is(Index) || is(Function) || is(Procedure) || is(Package) || is(Type)
                 || is(Trigger) || is(Sequence) || is(Constraint) || is(Rule))
            idents << Ident::Other;
        else if (is(MaterializedView))
            idents << Ident::Relation;
        else if (is(Aggregate) || is(Synonym) || is(DatabaseLink))
            idents << Ident::Other;
        else
            return;
    }

    // what to offer, by the parts and what they name
    enum class Offer { None, Objects, Columns };
    Offer offer = Offer::None;
    QString schema;
    QString object;
    QString prefix;
    bool bareWord = false;
    auto aliasTarget
        = [&](const QString &table) { splitTableName(table, DefaultSchema, &schema, &object); };
    using I = Ident;
    const QList<I> &id = idents;
    if (id == QList<I> { I::Schema }) {
        offer = Offer::Objects;
        schema = parts.at(0);
    } else if (id == QList<I> { I::Partial }) {
        offer = Offer::Objects;
        schema = DefaultSchema;
        prefix = parts.at(0);
        bareWord = true;
    } else if (id == QList<I> { I::Relation }) {
        offer = Offer::Columns;
        schema = DefaultSchema;
        object = parts.at(0);
    } else if (id == QList<I> { I::Alias }) {
        offer = Offer::Columns;
        aliasTarget(parts.at(0));
    } else if (id == QList<I> { I::Schema, I::Partial }) {
        offer = Offer::Objects;
        schema = parts.at(0);
        prefix = parts.at(1);
    } else if (id == QList<I> { I::Schema, I::Relation }) {
        offer = Offer::Columns;
        schema = parts.at(0);
        object = parts.at(1);
    } else if (id == QList<I> { I::Relation, I::Partial }) {
        offer = Offer::Columns;
        schema = DefaultSchema;
        object = parts.at(0);
        prefix = parts.at(1);
    } else if (id == QList<I> { I::Alias, I::Partial }) {
        offer = Offer::Columns;
        aliasTarget(parts.at(0));
        prefix = parts.at(1);
    } else if (id == QList<I> { I::Schema, I::Relation, I::Partial }) {
        offer = Offer::Columns;
        schema = parts.at(0);
        object = parts.at(1);
        prefix = parts.at(2);
    } else {
        return;
    }

    TqvCodeAssist *list = nullptr;
    auto createList = [&](const QString &first, const QString &second) {
        if (list)
            return;
        list = new TqvCodeAssist(Memo, Owner, X, Y);
        Memo->SetCodeAssist(list);
        list->SetColumns(first, second);
    };
    try {
        if (offer == Offer::Objects) {
            const QString first = QStringLiteral("オブジェクト名");
            const QString second = QStringLiteral("タイプ");
            if (bareWord) {
                if (auto *source = dynamic_cast<TqvCodeAssistProgramSource *>(Owner)) {
                    const TqvCodeAssistProgram program = source->CodeAssistProgram();
                    FncArgArray args;
                    if (!program.isNew
                        && (program.objType == ObjType::Procedure
                            || program.objType == ObjType::Function
                            || program.objType == ObjType::PackageBody)
                        && GetFuncArguments(program.oid, Query, args, ServerVersion)) {
                        createList(first, second);
                        for (const TFuncArgument &arg : std::as_const(args)) {
                            if (!arg.strArgName.isEmpty())
                                list->AddCandidate(arg.strArgName, arg.strTypeNaCon,
                                                   argumentImage(arg.strMode));
                        }
                    }
                }
            }
            const pg::Result rows = runLookup(
                Query, GetCodeAssistSQL(SchemaObjects, IsEDB, ServerVersion), { schema });
            if (rows.rowCount() > 0) {
                createList(first, second);
                for (int r = 0; r < rows.rowCount(); ++r) {
                    const QString kindText = rows.text(r, 1);
                    list->AddCandidate(rows.text(r, 0), kindText, objectImage(kindText));
                }
            }
            if (bareWord) {
                createList(first, second);
                for (const QString &word : std::as_const(ReserveWordList))
                    list->AddCandidate(word, QStringLiteral("KEYWORD"), imageReservedWord);
            }
            if (!list)
                return;
        } else {
            const QStringList values { schema, object };
            const pg::Result rows
                = runLookup(Query, GetCodeAssistSQL(Columns, IsEDB, ServerVersion), values);
            if (rows.rowCount() == 0)
                return;
            createList(QStringLiteral("列名"), QStringLiteral("データ型"));
            QStringList keys;
            {
                const pg::Result keyRows
                    = runLookup(Query, GetCodeAssistSQL(KeyColumns, IsEDB, ServerVersion), values);
                for (int r = 0; r < keyRows.rowCount(); ++r)
                    keys << keyRows.text(r, 0);
            }
            list->AddCandidate(QStringLiteral("*"), QString(), -1);
            for (int r = 0; r < rows.rowCount(); ++r) {
                const QString name = rows.text(r, 0);
                QString type = rows.text(r, 1);
                const QString length = GetColumnLengthText(type, rows.value(r, 2), rows.value(r, 3),
                                                           rows.value(r, 4));
                if (!length.isEmpty())
                    type += u'(' + length + u')';
                list->AddCandidate(name, type, keys.contains(name) ? imageKeyColumn : -1);
            }
        }
    } catch (...) {
        // a list left on the editor unseen would refuse every later request
        if (list && Memo->CodeAssist() == list)
            Memo->CloseCodeAssist();
        throw;
    }

    if (partial)
        list->SetBuffer(prefix.toUpper());
    list->ShowItems();
    if (list->RowCount() == 1)
        list->Accept();
    else
        list->Popup();
}
