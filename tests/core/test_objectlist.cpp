// The object-list joins: their exact texts over server versions and editions, and the objects
// they find in the sample schema.
#include "core/qvobjsql.h"
#include "core/qvobjtype.h"

#include "testserver.h"

#include <QMap>

#include <gtest/gtest.h>

namespace objectlisttest {

const QString tableFrom = " FROM pg_class            AS TblInf"
                          " LEFT JOIN pg_namespace   AS TblNsp"
                          "  ON  TblNsp.oid          =   TblInf.relnamespace"
                          " LEFT JOIN pg_tablespace  AS TblSpe"
                          "  ON  TblSpe.oid          =   TblInf.reltablespace"
                          " LEFT JOIN pg_roles       AS TblRol"
                          "  ON  TblRol.oid          =  TblInf.relowner";
const QString viewFrom = " FROM pg_class            AS TblInf"
                         " LEFT JOIN pg_namespace   AS TblNsp"
                         "  ON  TblNsp.oid          =   TblInf.relnamespace"
                         " LEFT JOIN pg_roles       AS TblRol"
                         "  ON  TblRol.oid          =  TblInf.relowner";
const QString indexFrom = " FROM pg_class            AS C"
                          " LEFT JOIN pg_namespace   AS N"
                          "  ON  C.relnamespace      =   N.oid"
                          " LEFT JOIN pg_index       AS I"
                          "  ON  C.oid               =   I.indexrelid"
                          " LEFT JOIN pg_am          AS AM"
                          "  ON  C.relam             =   AM.oid"
                          " LEFT JOIN pg_tablespace  AS T"
                          "  ON  C.reltablespace     =   T.oid"
                          " LEFT JOIN pg_class       AS C2"
                          "  ON  I.indrelid          =   C2.oid"
                          " LEFT JOIN pg_namespace   AS N2"
                          "  ON  C2.relnamespace     =   N2.oid"
                          " LEFT JOIN pg_description AS D"
                          "  ON  C.oid               =   D.objoid"
                          "  AND D.classoid          =   'pg_class'::regclass"
                          "  AND D.objsubid          =   0"
                          " LEFT JOIN pg_roles       AS TblRol"
                          "  ON  TblRol.oid          =  C.relowner";
const QString programFrom = " FROM pg_proc             AS Prc"
                            " LEFT JOIN pg_namespace   AS Nms"
                            "  ON  Prc.pronamespace    =   Nms.oid"
                            " LEFT JOIN pg_type        AS Typ"
                            "  ON  Prc.prorettype      =   Typ.oid"
                            " LEFT JOIN pg_roles       AS TblRol"
                            "  ON  TblRol.oid          =  Prc.proowner";
const QString aggregateJoin = " LEFT JOIN pg_aggregate   AS Agr"
                              "  ON  Prc.oid             =  Agr.aggfnoid";
const QString packageItems = " ( SELECT oid AS \"oid\" , nspname AS \"pkgname\""
                             " , nspparent AS \"pkgnamespace\" , nspowner AS \"pkgowner\""
                             " , pg_catalog.edb_get_packageheaddef(oid) AS \"pkgheadsrc\""
                             " , pg_catalog.edb_get_packagebodydef(oid) AS \"pkgbodysrc\""
                             " , 'P'::char AS pkgproperties , nspacl AS \"pkgacl\""
                             " FROM pg_namespace WHERE ";
const QString package91 = packageItems + "nspparent != 0 ) ";
const QString package92 = packageItems + "(nspparent != 0) AND (nspobjecttype = 0) ) ";
const QString packageJoins = "         AS pac"
                             " LEFT JOIN pg_namespace   AS Nms"
                             "  ON  pac.pkgnamespace    = Nms.oid"
                             " LEFT JOIN pg_roles       AS TblRol"
                             "  ON  pac.pkgowner        = TblRol.oid";

struct TextCase
{
    int code;
    int version;
    bool edition;
    QString from;
    QString where;
};

const QList<TextCase> &textCases()
{
    static const QList<TextCase> cases = {
        { 45, 90600, false, tableFrom, " WHERE  TblInf.relkind    IN  ('r', 'f', 't')" },
        { 45, 100000, false, tableFrom, " WHERE  TblInf.relkind    IN  ('r', 'f', 't', 'p')" },
        { 46, 100000, false, indexFrom, " WHERE  C.relkind         =   'i'" },
        { 46, 110000, true, indexFrom, " WHERE  C.relkind         IN  ('i', 'I')" },
        { 47, 150000, true, viewFrom, " WHERE  TblInf.relkind    IN  ('v')" },
        { 61, 90300, false, viewFrom, " WHERE  TblInf.relkind    IN  ('m')" },
        { 51, 90300, false, programFrom, "WHERE 1 = 1" },
        { 51, 90300, true, programFrom, "WHERE 1 = 1 AND Prc.protype = '1'" },
        { 51, 100000, false, programFrom + aggregateJoin, "WHERE 1 = 1 AND Agr.aggfnoid IS NULL" },
        { 51, 120000, true, programFrom + aggregateJoin,
          "WHERE 1 = 1 AND  Prc.prokind = 'p' AND Prc.protype = '1' AND Agr.aggfnoid IS NULL" },
        { 52, 90300, false, programFrom, "WHERE 1 = 1" },
        { 52, 90400, false, programFrom + aggregateJoin, "WHERE 1 = 1 AND Agr.aggfnoid IS NULL" },
        { 52, 110000, false, programFrom + aggregateJoin,
          "WHERE 1 = 1 AND Prc.prokind IN ('f', 'w') AND Agr.aggfnoid IS NULL" },
        { 52, 150000, true, programFrom + aggregateJoin,
          "WHERE 1 = 1 AND Prc.prokind IN ('f', 'w') AND Prc.protype = '0'"
          " AND Agr.aggfnoid IS NULL" },
        { 128, 90300, false, programFrom + aggregateJoin, " WHERE  Agr.aggfnoid      IS NOT NULL" },
        { 53, 90100, true, " FROM " + package91 + packageJoins, "" },
        { 53, 90200, false, " FROM " + package92 + packageJoins, "" },
        { 54, 150000, true, " FROM " + package92 + packageJoins,
          "WHERE pac.pkgbodysrc IS NOT null" },
        { 55, 150000, false,
          " FROM pg_type             AS T"
          " LEFT JOIN pg_namespace   AS N"
          "  ON  T.typnamespace      =   N.oid"
          " LEFT JOIN pg_class       AS C"
          "  ON  T.typrelid          =   c.oid"
          " LEFT JOIN pg_roles       AS TblRol"
          "  ON  TblRol.oid          =  T.typowner",
          " WHERE  (              C.relkind = 'c'          OR  T.typtype = 'e'"
          "          OR  T.typtype = 'r'          OR  T.typtype = 'p'          OR  ("
          "                    T.typtype     =       'b'"
          "                AND T.typcategory NOT IN  "
          "('A','B','C','D','E','G','I','N','P','R','S','T','V','X')              )        )" },
        { 57, 150000, false,
          " FROM pg_trigger            AS TrgInf"
          " LEFT JOIN pg_class         AS TblInf   ON  TrgInf.tgrelid       =   TblInf.oid"
          " LEFT JOIN pg_class         AS RefTblInf   ON  TrgInf.tgconstrrelid =   RefTblInf.oid"
          " LEFT JOIN pg_proc          AS FncInf   ON  TrgInf.tgfoid        =   FncInf.oid"
          " LEFT JOIN pg_namespace     AS Nms   ON  TblInf.relnamespace  =   Nms.oid"
          " LEFT JOIN pg_tables        AS TblShe   ON  TblInf.relname       =   TblShe.tablename"
          "   AND Nms.nspname          =   TblShe.schemaname"
          " LEFT JOIN pg_views         AS VieShe   ON  TblInf.relname       =   VieShe.viewname"
          "   AND Nms.nspname          =   VieShe.schemaname"
          " LEFT JOIN pg_namespace     AS FncNms   ON  FncInf.pronamespace  =   FncNms.oid"
          " LEFT JOIN pg_description   AS TrgCom   ON  TrgInf.oid           =   TrgCom.Objoid"
          "   AND TrgCom.classoid      =   'pg_trigger'::regclass"
          "   AND TrgCom.objsubid      =   0"
          " LEFT JOIN pg_roles         AS TblRol  ON  TblRol.oid            =  TblInf.relowner",
          " WHERE  NOT TrgInf.tgisinternal" },
        { 58, 150000, false,
          " FROM pg_class            AS C LEFT JOIN pg_namespace   AS N"
          "  ON  C.relnamespace      =  N.oid LEFT JOIN pg_roles       AS TblRol"
          "  ON  TblRol.oid          =  C.relowner",
          " WHERE  C.relkind         = 'S'" },
        { 60, 150000, true,
          " FROM pg_synonym          AS Syn LEFT JOIN pg_namespace   AS Nms"
          "  ON  Syn.synnamespace    =  Nms.oid LEFT JOIN pg_roles       AS TblRol"
          "  ON  TblRol.oid          =  Syn.synowner",
          "" },
        { 64, 150000, true,
          " FROM edb_dblink          AS Lnk LEFT JOIN pg_roles       AS Rol"
          "  ON  Rol.oid             =  Lnk.lnkowner LEFT JOIN pg_namespace   AS Nsp"
          "  ON  Nsp.nspowner        = Rol.oid",
          "" },
        { 66, 150000, false,
          " FROM pg_constraint       AS ConInf LEFT JOIN pg_namespace   AS ConNsp"
          "  ON  ConNsp.oid          =   ConInf.connamespace LEFT JOIN pg_class       AS TblInf"
          "  ON  TblInf.oid          =   ConInf.conrelid LEFT JOIN pg_namespace   AS TblNsp"
          "  ON  TblNsp.oid          =   TblInf.relnamespace LEFT JOIN pg_roles       AS TblRol"
          "  ON  TblRol.oid          =  TblInf.relowner",
          " WHERE  ConInf.contype    <>  't'" },
        { 127, 150000, false,
          " FROM pg_rewrite          AS r LEFT JOIN pg_class       AS c"
          "  ON  c.oid               =   r.ev_class LEFT JOIN pg_namespace   AS ns"
          "  ON  ns.oid              =   c.relnamespace LEFT JOIN pg_description AS cm"
          "  ON  r.oid               =   cm.Objoid"
          "  AND cm.classoid         =   'pg_rewrite'::regclass"
          "  AND cm.objsubid         =   0 LEFT JOIN pg_roles       AS TblRol"
          "  ON  TblRol.oid          =  c.relowner",
          "" },
    };
    return cases;
}

TEST(ObjectListText, ExactTexts)
{
    for (const TextCase &c : textCases()) {
        SCOPED_TRACE(QStringLiteral("code %1 version %2 edition %3")
                         .arg(c.code)
                         .arg(c.version)
                         .arg(c.edition)
                         .toStdString());
        QString from, where;
        GetObjectListSQL(c.code, from, where, c.version, c.edition);
        EXPECT_EQ(from, c.from);
        EXPECT_EQ(where, c.where);
    }
}

// Over the whole matrix of versions and editions: the codes without a list give two empty
// texts whatever the outputs held, and each text changes only at its own gates.
TEST(ObjectListText, VersionAndEditionMatrix)
{
    const int versions[]
        = { 80400, 90100, 90200, 90300, 90400, 90600, 100000, 110000, 120000, 150000, 999999 };
    const int noList[] = { 0, 1, 2, 3, 4, 5, 48, 56, 68, 69, 73, 74, 126, 129, 130, -1 };
    const int withList[] = { 45, 46, 47, 51, 52, 53, 54, 55, 57, 58, 60, 61, 64, 66, 127, 128 };
    for (const int version : versions) {
        for (const bool edition : { false, true }) {
            for (const int code : noList) {
                QString from = "stale", where = "stale";
                GetObjectListSQL(code, from, where, version, edition);
                EXPECT_TRUE(from.isEmpty() && where.isEmpty()) << code << " " << version;
            }
            for (const int code : withList) {
                SCOPED_TRACE(QStringLiteral("code %1 version %2 edition %3")
                                 .arg(code)
                                 .arg(version)
                                 .arg(edition)
                                 .toStdString());
                QString from, where;
                GetObjectListSQL(code, from, where, version, edition);
                EXPECT_TRUE(from.startsWith(" FROM "));
                const bool ownWhere = code == 51 || code == 52 || code == 54;
                const bool noWhere = code == 53 || (code == 57 && version < 90000) || code == 60
                    || code == 64 || code == 127;
                const char *expectedStart = ownWhere ? "WHERE " : " WHERE ";
                EXPECT_EQ(where.isEmpty(), noWhere);
                EXPECT_TRUE(noWhere || where.startsWith(expectedStart));

                QString plainFrom, plainWhere;
                GetObjectListSQL(code, plainFrom, plainWhere, version, false);
                if (code != 51 && code != 52) {
                    EXPECT_EQ(from, plainFrom);
                    EXPECT_EQ(where, plainWhere);
                }
                if (code == 51 || code == 52) {
                    EXPECT_EQ(from.contains("pg_aggregate"), version >= 90400);
                    EXPECT_EQ(where.contains("prokind"), version >= 110000);
                    EXPECT_EQ(where.contains("protype"), edition);
                    EXPECT_EQ(where.contains("Agr.aggfnoid IS NULL"), version >= 90400);
                }
                if (code == 45) {
                    EXPECT_EQ(where.contains("'p'"), version >= 100000);
                }
                if (code == 46) {
                    EXPECT_EQ(where.contains("'I'"), version >= 110000);
                }
                if (code == 53 || code == 54) {
                    EXPECT_EQ(from.contains("nspobjecttype"), version >= 90200);
                }
            }
        }
    }
}

TEST(ObjectListText, PackageElementSubquery)
{
    EXPECT_EQ(GetPackageSubquery(90100), package91);
    EXPECT_EQ(GetPackageSubquery(90200), package92);
    EXPECT_EQ(GetPackageElementSubquery(),
              " ( SELECT varpackage::int8 AS \"packageoid\" , varname AS \"eltname\""
              " , varaccess AS \"visibility\" , 'V' AS \"eltclass\""
              " , vartype::int8 AS \"eltdatatype\" , NULL AS \"nargs\" , NULL AS \"argtypes\""
              " , NULL AS \"argmodes\" , NULL AS \"argnames\" FROM edb_variable UNION"
              " SELECT pronamespace::int8 AS \"packageoid\" , proname AS \"eltname\""
              " , proaccess AS \"visibility\" , DECODE(protype,'0','F','1','P' ) AS \"eltclass\""
              " , prorettype::int4 AS \"eltdatatype\" , pronargs AS \"nargs\""
              " , proargtypes AS \"argtypes\" , proargmodes AS \"argmodes\""
              " , proargnames AS \"argnames\" FROM pg_proc WHERE pg_proc.pronamespace IN"
              " (SELECT oid FROM pg_namespace WHERE nspparent != 0) ) AS ");
}

// What a caller does: its SELECT list over the aliases, the two texts, and its own filter.
QStringList listObjects(const testsupport::TestDatabase &db, int code, int version,
                        const QString &selectList, const QString &schemaColumn,
                        const QString &moreConditions = QString())
{
    QString from, where;
    GetObjectListSQL(code, from, where, version, false);
    QString sql = "SELECT " + selectList + from + ' ' + where;
    sql += where.isEmpty() ? " WHERE " : " AND ";
    sql += schemaColumn + " IN ('inv', 'ext', 'sales')" + moreConditions + " ORDER BY 1";
    return testsupport::queryColumn(db.conninfo(), sql);
}

struct ListCase
{
    int code;
    int version;
    QString selectList;
    QString schemaColumn;
    QString conditions;
    QStringList expected;
};

const QStringList fixtureFunctions = {
    "inv.adjust",    "inv.check_move",     "inv.distance",       "inv.first_of",
    "inv.greet",     "inv.items_in",       "inv.list_add",       "inv.list_add2",
    "inv.list_join", "inv.list_plain",     "inv.now_text",       "inv.price_of",
    "inv.price_of",  "inv.qty_multirange", "inv.qty_multirange", "inv.qty_multirange",
    "inv.qty_range", "inv.qty_range",      "inv.raw_text_in",    "inv.raw_text_out",
    "inv.row_no",    "inv.split_name",     "inv.total",          "inv.touch_item",
    "inv.twice",     "sales.order_count",
};
const QStringList fixtureProcedures
    = { "inv.count_in", "inv.count_items", "inv.restock", "inv.restock" };
const QStringList fixtureAggregates
    = { "inv.joined", "inv.my_rank", "inv.pair_list", "inv.product", "inv.sorted_list" };

QStringList sorted(QStringList list)
{
    list.sort();
    return list;
}

const QList<ListCase> &listCases()
{
    static const QList<ListCase> cases = {
        { 45,
          150000,
          "TblNsp.nspname || '.' || TblInf.relname",
          "TblNsp.nspname",
          "",
          { "inv.item", "inv.remote_item", "inv.stock_move", "inv.stock_move_2025",
            "inv.stock_move_2026", "inv.type_zoo", "inv.warehouse", "sales.customer",
            "sales.orders" } },
        // Before partitioned tables existed, the gate leaves them out.
        { 45,
          90600,
          "TblNsp.nspname || '.' || TblInf.relname",
          "TblNsp.nspname",
          "",
          { "inv.item", "inv.remote_item", "inv.stock_move_2025", "inv.stock_move_2026",
            "inv.type_zoo", "inv.warehouse", "sales.customer", "sales.orders" } },
        { 46,
          150000,
          "N.nspname || '.' || C.relname || ' ' || N2.nspname || '.' || C2.relname",
          "N.nspname",
          "",
          { "inv.item_name_idx inv.item", "inv.item_pkey inv.item", "inv.item_valid_excl inv.item",
            "inv.stock_move_2025_item_id_idx inv.stock_move_2025",
            "inv.stock_move_2025_pkey inv.stock_move_2025",
            "inv.stock_move_2026_item_id_idx inv.stock_move_2026",
            "inv.stock_move_2026_pkey inv.stock_move_2026",
            "inv.stock_move_item_idx inv.stock_move", "inv.stock_move_pkey inv.stock_move",
            "inv.type_zoo_pkey inv.type_zoo", "inv.warehouse_code_key inv.warehouse",
            "inv.warehouse_pkey inv.warehouse", "sales.customer_pkey sales.customer",
            "sales.orders_customer_idx sales.orders", "sales.orders_pkey sales.orders" } },
        { 46,
          100000,
          "N.nspname || '.' || C.relname",
          "N.nspname",
          " AND N.nspname = 'inv'",
          { "inv.item_name_idx", "inv.item_pkey", "inv.item_valid_excl",
            "inv.stock_move_2025_item_id_idx", "inv.stock_move_2025_pkey",
            "inv.stock_move_2026_item_id_idx", "inv.stock_move_2026_pkey", "inv.type_zoo_pkey",
            "inv.warehouse_code_key", "inv.warehouse_pkey" } },
        { 46,
          150000,
          "C.relname || ' ' || D.description",
          "N.nspname",
          " AND D.description IS NOT NULL",
          { "item_name_idx 品名の索引", "stock_move_item_idx 品目別" } },
        { 47,
          150000,
          "TblNsp.nspname || '.' || TblInf.relname",
          "TblNsp.nspname",
          "",
          { "inv.item_view", "sales.customer_total" } },
        { 61,
          150000,
          "TblNsp.nspname || '.' || TblInf.relname",
          "TblNsp.nspname",
          "",
          { "inv.stock_mv" } },
        { 51, 150000, "Nms.nspname || '.' || Prc.proname", "Nms.nspname", "", fixtureProcedures },
        { 52, 150000, "Nms.nspname || '.' || Prc.proname", "Nms.nspname", "", fixtureFunctions },
        // Before prokind, procedures are listed with the functions.
        { 52, 100000, "Nms.nspname || '.' || Prc.proname", "Nms.nspname", "",
          sorted(fixtureFunctions + fixtureProcedures) },
        // Before the aggregate join, aggregates too.
        { 52, 90300, "Nms.nspname || '.' || Prc.proname", "Nms.nspname", "",
          sorted(fixtureFunctions + fixtureProcedures + fixtureAggregates) },
        { 128, 150000, "Nms.nspname || '.' || Prc.proname", "Nms.nspname", "", fixtureAggregates },
        { 55,
          150000,
          "N.nspname || '.' || T.typname || ' ' || T.typtype::text",
          "N.nspname",
          "",
          { "ext.Geo.Point c", "ext.say\"hi e", "inv.dimension c", "inv.item_state e",
            "inv.qty_range r", "inv.raw_text b" } },
        { 57,
          150000,
          "Nms.nspname || '.' || TblInf.relname || ' ' || TrgInf.tgname",
          "Nms.nspname",
          "", // the foreign keys' internal triggers are left out by the joins' own condition
          { "inv.item item_touch", "inv.stock_move stock_move_check",
            "inv.stock_move_2025 stock_move_check", "inv.stock_move_2026 stock_move_check",
            "inv.warehouse warehouse_audit" } },
        { 57,
          150000,
          "TrgInf.tgname || ' ' || TrgCom.description",
          "TblShe.schemaname",
          " AND TrgCom.description IS NOT NULL",
          { "item_touch 品名の空白を除く" } },
        { 58,
          150000,
          "N.nspname || '.' || C.relname",
          "N.nspname",
          "",
          { "inv.item_no_seq", "inv.type_zoo_id_seq", "inv.warehouse_warehouse_id_seq",
            "sales.orders_order_id_seq" } },
        { 66,
          150000,
          "ConNsp.nspname || '.' || COALESCE(TblInf.relname, '-') || '.' || ConInf.conname",
          "ConNsp.nspname",
          "",
          { "ext.-.Amount_check",
            "inv.-.positive_qty_check",
            "inv.item.item_pkey",
            "inv.item.item_valid_excl",
            "inv.item.item_warehouse_fkey",
            "inv.stock_move.stock_move_item_fkey",
            "inv.stock_move.stock_move_pkey",
            "inv.stock_move.stock_move_qty_check",
            "inv.stock_move_2025.stock_move_2025_pkey",
            "inv.stock_move_2025.stock_move_item_fkey",
            "inv.stock_move_2025.stock_move_qty_check",
            "inv.stock_move_2026.stock_move_2026_pkey",
            "inv.stock_move_2026.stock_move_item_fkey",
            "inv.stock_move_2026.stock_move_qty_check",
            "inv.type_zoo.type_zoo_pkey",
            "inv.warehouse.warehouse_code_check",
            "inv.warehouse.warehouse_code_key",
            "inv.warehouse.warehouse_pkey",
            "sales.customer.customer_pkey",
            "sales.orders.orders_amount_check",
            "sales.orders.orders_customer_id_fkey",
            "sales.orders.orders_pkey" } },
        { 127,
          150000,
          "ns.nspname || '.' || c.relname || '.' || r.rulename || ' ' || "
          "COALESCE(cm.description, '-')",
          "ns.nspname",
          "",
          { "inv.item_view._RETURN -", "inv.stock_mv._RETURN -",
            "inv.warehouse.warehouse_keep_closed 閉鎖倉庫は消さない",
            "sales.customer_total._RETURN -" } },
    };
    return cases;
}

TEST(ObjectListQuery, FindsTheFixturesObjectsOfEachKind)
{
    const testsupport::TestDatabase db;
    for (const ListCase &c : listCases()) {
        SCOPED_TRACE(QStringLiteral("code %1 version %2 %3")
                         .arg(c.code)
                         .arg(c.version)
                         .arg(c.selectList)
                         .toStdString());
        try {
            const QStringList found
                = listObjects(db, c.code, c.version, c.selectList, c.schemaColumn, c.conditions);
            EXPECT_EQ(found, sorted(c.expected)) << found.join(" | ").toStdString();
        } catch (const std::exception &e) {
            ADD_FAILURE() << e.what();
        }
    }
}

// Every alias the callers read is present with its catalog: one query per code that names
// them all runs.
TEST(ObjectListQuery, AliasesCallersRead)
{
    const testsupport::TestDatabase db;
    const QMap<int, QString> selects = {
        { 45,
          "TblInf.oid, TblInf.relpages, TblInf.relhasindex, TblInf.relhastriggers,"
          " TblInf.relhasrules, TblInf.relhassubclass, TblSpe.spcname, TblRol.rolname,"
          " TblNsp.nspname" },
        { 46,
          "C.oid, C.relpages, C2.relname, N2.nspname, D.description, TblRol.rolname,"
          " AM.amname, T.spcname, I.indisunique, N.nspname" },
        { 47, "TblInf.oid, TblInf.relhasrules, TblRol.rolname, TblNsp.nspname" },
        { 51,
          "Prc.oid, Prc.proargtypes, Prc.proallargtypes, Prc.proargmodes, TblRol.rolname,"
          " Typ.typname, Nms.nspname" },
        { 52,
          "Prc.oid, Prc.proargtypes, Prc.proallargtypes, Prc.proargmodes, TblRol.rolname,"
          " Typ.typname, Nms.nspname" },
        { 55, "T.oid, T.typtype, TblRol.rolname, C.relkind, N.nspname" },
        { 57,
          "TrgInf.oid, TblInf.relname, TrgCom.description, TblRol.rolname,"
          " TblShe.schemaname, VieShe.schemaname, RefTblInf.relname, FncInf.proname,"
          " FncNms.nspname, Nms.nspname" },
        { 58, "C.oid, TblRol.rolname, N.nspname" },
        { 61, "TblInf.oid, TblRol.rolname, TblNsp.nspname" },
        { 66,
          "ConInf.oid, ConInf.contype, TblInf.relname, TblRol.rolname, TblNsp.nspname,"
          " ConNsp.nspname" },
        { 127, "r.oid, c.relname, cm.description, TblRol.rolname, ns.nspname" },
        { 128, "Prc.oid, Agr.aggkind, Agr.aggnumdirectargs, TblRol.rolname, Nms.nspname" },
    };
    for (auto it = selects.cbegin(); it != selects.cend(); ++it) {
        QString from, where;
        GetObjectListSQL(it.key(), from, where, 150000, false);
        const QString sql
            = "SELECT count(*) FROM (SELECT " + it.value() + from + ' ' + where + ") AS listed";
        EXPECT_NO_THROW(EXPECT_GT(testsupport::queryValue(db.conninfo(), sql).toInt(), 0))
            << it.key();
    }
}

// The TOAST table of a sample table is listed with the tables.
TEST(ObjectListQuery, ToastTablesAreListed)
{
    const testsupport::TestDatabase db;
    QString from, where;
    GetObjectListSQL(ObjType::Table, from, where, 150000, false);
    const QString toast = testsupport::queryValue(
        db.conninfo(),
        "SELECT TblNsp.nspname || '.' || TblInf.relname" + from + ' ' + where
            + " AND TblInf.oid = (SELECT reltoastrelid FROM pg_class"
              " WHERE oid = 'inv.item'::regclass)");
    EXPECT_TRUE(toast.startsWith("pg_toast.pg_toast_")) << toast.toStdString();
}

} // namespace objectlisttest
