// The dependency trees against the fixture's dep schemas: each tree as indented text, the
// depth option, the kind filter, cycles, batched reading, Esc, and which object a node opens
// through the connection window.
#include "crosshost.h"
#include "editorstest.h"

#include "core/qvcancel.h"
#include "core/qvdialoghook.h"
#include "core/qvmsgbox.h"
#include "core/qvobjtype.h"
#include "editors/tables/crossdep.h"
#include "editors/tables/rcross.h"
#include "ui/qvcomctrls.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

using editorstest::EditorTest;

namespace crosstest {

// One call of OpenObject as the frame made it.
struct OpenCall
{
    int Type;
    QString Schema;
    QString Name;
    TOpenMode Mode;
    int DefTopRecord;
    qint64 Oid;
    QString Table;
};

// The connection window, recording the objects it is asked to open.
class RecordingConnection : public appdoubles::TestConnectionWindow
{
public:
    using appdoubles::TestConnectionWindow::TestConnectionWindow;
    QWidget *OpenObject(int ObjectType, const QString &Schema, const QString &ObjectName,
                        TOpenMode OpenMode, int DefTopRecord, qint64 OID,
                        const QString &TableName) override
    {
        calls << OpenCall {
            ObjectType, Schema, ObjectName, OpenMode, DefTopRecord, OID, TableName
        };
        return nullptr;
    }
    QList<OpenCall> calls;
};
class CrossTrees : public EditorTest
{
protected:
    void SetUp() override
    {
        EditorTest::SetUp();
        AppOption.UseLowerName = false;
        AppOption.CrossLevel = 3;
        loader = std::make_unique<TCrossLoader>(*conn->dbsMain(), conn->DBVer(), false);
        loader->setCancelPoll({});
    }

    TCrossObject find(int code, const QString &schema, const QString &name,
                      const QString &table = QString(), const QString &args = QString())
    {
        return loader->FindObject(code, schema, name, table, args);
    }
    QString uses(int code, const QString &schema, const QString &name, int depth = 3,
                 const QString &table = QString(), const QString &args = QString())
    {
        return CrossTreeText(
            loader->Load(find(code, schema, name, table, args), TCrossDirection::Uses, depth));
    }
    QString usedBy(int code, const QString &schema, const QString &name, int depth = 3,
                   const QString &table = QString(), const QString &args = QString())
    {
        return CrossTreeText(
            loader->Load(find(code, schema, name, table, args), TCrossDirection::UsedBy, depth));
    }
    pg::Oid oidOf(const QString &sql) const { return query(sql).toUInt(); }
    pg::Oid oidOfView(const QString &name) const
    {
        return query(QString("SELECT '%1'::regclass::oid").arg(name)).toUInt();
    }

    std::unique_ptr<TCrossLoader> loader;
};

TEST(CrossText, Captions)
{
    struct Case
    {
        int code;
        const char *expected;
    } cases[] = {
        { ObjType::Table, "s.n" },          { ObjType::View, "s.n" },
        { ObjType::Function, "s.n(a,b)" },  { ObjType::Procedure, "s.n(a,b)" },
        { ObjType::Aggregate, "s.n(a,b)" }, { ObjType::PackageBody, "s.p.n(a,b)" },
        { ObjType::Trigger, "s.p.n" },      { ObjType::Rule, "s.p.n" },
        { ObjType::Sequence, "s.n" },       { ObjType::MaterializedView, "s.n" },
    };
    for (const Case &c : cases)
        EXPECT_EQ(MakeNodeText(c.code, "s", "n", "p", "a,b"), c.expected) << c.code;
    TCrossNode tree { { ObjType::Table, "TABLE", "pg_class", 1, "s", "t", "", "" }, {} };
    tree.Children << TCrossNode {
        { ObjType::Sequence, "SEQUENCE", "pg_class", 2, "s", "q", "", "" }, {}
    };
    tree.Children.first().Children
        << TCrossNode { { ObjType::Function, "FUNCTION", "pg_proc", 3, "s", "f", "", "int4" }, {} };
    EXPECT_EQ(CrossTreeText(tree), "TABLE s.t\n  SEQUENCE s.q\n    FUNCTION s.f(int4)\n");
}

// Every tree of the fixture, three levels deep.
TEST_F(CrossTrees, FixtureTrees)
{
    struct Case
    {
        const char *what;
        int code;
        const char *schema;
        const char *name;
        const char *table;
        const char *args;
        TCrossDirection direction;
        const char *expected;
    };
    const TCrossDirection U = TCrossDirection::Uses;
    const TCrossDirection B = TCrossDirection::UsedBy;
    const Case cases[] = {
        { "serial column: the table uses its sequence through the default", ObjType::Table, "dep",
          "item", "", "", U,
          "TABLE dep.item\n"
          "  SEQUENCE dep.item_id_seq\n"
          "  TYPE dep.mood\n" },
        { "serial column: the default stands for its table", ObjType::Sequence, "dep",
          "item_id_seq", "", "", B,
          "SEQUENCE dep.item_id_seq\n"
          "  TABLE dep.item\n"
          "    INDEX dep.item_pkey\n"
          "    PROCEDURE dep.item_rename(int4,text)\n"
          "    RULE dep.item.item_forget\n"
          "    VIEW dep.item_v\n"
          "      MATERIALIZED VIEW dep.item_mv\n"
          "      VIEW dep.item_vv\n"
          "    TRIGGER dep.item.item_touch\n" },
        { "view on view", ObjType::View, "dep", "item_vv", "", "", U,
          "VIEW dep.item_vv\n"
          "  VIEW dep.item_v\n"
          "    TABLE dep.item\n"
          "      SEQUENCE dep.item_id_seq\n"
          "      TYPE dep.mood\n"
          "    FUNCTION dep.item_label(int4)\n"
          "  FUNCTION dep.item_label(int4,text)\n" },
        { "a view's users arrive as their rules and show as views", ObjType::View, "dep", "item_v",
          "", "", B,
          "VIEW dep.item_v\n"
          "  MATERIALIZED VIEW dep.item_mv\n"
          "  VIEW dep.item_vv\n" },
        { "materialized view, with a same-named table of another schema", ObjType::MaterializedView,
          "dep", "item_mv", "", "", U,
          "MATERIALIZED VIEW dep.item_mv\n"
          "  VIEW dep.item_v\n"
          "    TABLE dep.item\n"
          "      SEQUENCE dep.item_id_seq\n"
          "      TYPE dep.mood\n"
          "    FUNCTION dep.item_label(int4)\n"
          "  TABLE dep_other.item\n" },
        { "the same-named table is its own object", ObjType::Table, "dep_other", "item", "", "", B,
          "TABLE dep_other.item\n"
          "  INDEX dep_other.item_pkey\n"
          "  MATERIALIZED VIEW dep.item_mv\n" },
        { "overload (integer)", ObjType::Function, "dep", "item_label", "", "int4", B,
          "FUNCTION dep.item_label(int4)\n"
          "  VIEW dep.item_v\n"
          "    MATERIALIZED VIEW dep.item_mv\n"
          "    VIEW dep.item_vv\n" },
        { "overload (integer, text)", ObjType::Function, "dep", "item_label", "", "int4,text", B,
          "FUNCTION dep.item_label(int4,text)\n"
          "  VIEW dep.item_vv\n" },
        { "no overload takes these arguments", ObjType::Function, "dep", "item_label", "", "text",
          B, "FUNCTION dep.item_label(text)\n" },
        { "procedure", ObjType::Procedure, "dep", "item_rename", "", "int4,text", U,
          "PROCEDURE dep.item_rename(int4,text)\n"
          "  TABLE dep.item\n"
          "    SEQUENCE dep.item_id_seq\n"
          "    TYPE dep.mood\n" },
        { "aggregate", ObjType::Aggregate, "dep", "join_all", "", "", U,
          "AGGREGATE dep.join_all(text)\n"
          "  FUNCTION dep.join_step(text,text)\n" },
        { "the aggregate's state function", ObjType::Function, "dep", "join_step", "", "", B,
          "FUNCTION dep.join_step(text,text)\n"
          "  AGGREGATE dep.join_all(text)\n" },
        { "trigger", ObjType::Trigger, "dep", "item_touch", "item", "", U,
          "TRIGGER dep.item.item_touch\n"
          "  TABLE dep.item\n"
          "    SEQUENCE dep.item_id_seq\n"
          "    TYPE dep.mood\n"
          "  FUNCTION dep.item_touch()\n" },
        { "trigger function", ObjType::Function, "dep", "item_touch", "", "", B,
          "FUNCTION dep.item_touch()\n"
          "  TRIGGER dep.item.item_touch\n" },
        { "rule", ObjType::Rule, "dep", "item_forget", "item", "", U,
          "RULE dep.item.item_forget\n"
          "  TABLE dep.item\n"
          "    SEQUENCE dep.item_id_seq\n"
          "    TYPE dep.mood\n"
          "  TABLE dep.item_log\n" },
        { "the table a rule writes to", ObjType::Table, "dep", "item_log", "", "", B,
          "TABLE dep.item_log\n"
          "  RULE dep.item.item_forget\n" },
        { "foreign key to itself: the constraint stands for its table", ObjType::Table, "dep",
          "node", "", "", U,
          "TABLE dep.node\n"
          "  INDEX dep.node_pkey\n" },
        { "foreign key to itself, users", ObjType::Table, "dep", "node", "", "", B,
          "TABLE dep.node\n"
          "  INDEX dep.node_pkey\n" },
        { "a table and a function that use each other", ObjType::Table, "dep", "ticket", "", "", U,
          "TABLE dep.ticket\n"
          "  FUNCTION dep.next_ticket()\n" },
        { "a table and a function that use each other, users", ObjType::Table, "dep", "ticket", "",
          "", B,
          "TABLE dep.ticket\n"
          "  INDEX dep.ticket_pkey\n"
          "  FUNCTION dep.next_ticket()\n" },
        { "partitioned table and partitioned index", ObjType::Table, "dep", "event", "", "", B,
          "TABLE dep.event\n"
          "  TABLE dep.event_2026\n"
          "    INDEX dep.event_2026_at_idx\n"
          "  INDEX dep.event_at\n"
          "    INDEX dep.event_2026_at_idx\n"
          "  VIEW dep.event_v\n" },
        { "a view on a partitioned table", ObjType::View, "dep", "event_v", "", "", U,
          "VIEW dep.event_v\n"
          "  TABLE dep.event\n" },
        { "names with a dot and brackets", ObjType::View, "dep", "odd.v", "", "", U,
          "VIEW dep.odd.v\n"
          "  TABLE dep.dot.tab\n"
          "  TABLE dep.odd.name(1)\n"
          "  FUNCTION dep.odd(f).x(int4)\n" },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const TCrossObject root = find(c.code, c.schema, c.name, c.table, c.args);
        EXPECT_EQ(CrossTreeText(loader->Load(root, c.direction, 3)).toStdString(), c.expected);
    }
}

TEST_F(CrossTrees, DepthOneAgainstThree)
{
    const QString one = "VIEW dep.item_vv\n"
                        "  VIEW dep.item_v\n"
                        "  FUNCTION dep.item_label(int4,text)\n";
    EXPECT_EQ(uses(ObjType::View, "dep", "item_vv", 1), one);
    // The root's own references are always read.
    EXPECT_EQ(uses(ObjType::View, "dep", "item_vv", 0), one);
    EXPECT_EQ(uses(ObjType::View, "dep", "item_vv", 2),
              "VIEW dep.item_vv\n"
              "  VIEW dep.item_v\n"
              "    TABLE dep.item\n"
              "    FUNCTION dep.item_label(int4)\n"
              "  FUNCTION dep.item_label(int4,text)\n");
    EXPECT_EQ(uses(ObjType::View, "dep", "item_vv", 3).count('\n'), 7);
}

// A released kind leaves out its nodes and everything below them.
TEST_F(CrossTrees, HiddenKindsCutBranches)
{
    loader->setHiddenKinds({ ObjType::View });
    EXPECT_EQ(uses(ObjType::View, "dep", "item_vv"),
              "VIEW dep.item_vv\n"
              "  FUNCTION dep.item_label(int4,text)\n");
    EXPECT_EQ(usedBy(ObjType::Table, "dep", "item", 3),
              "TABLE dep.item\n"
              "  SEQUENCE dep.item_id_seq\n"
              "  INDEX dep.item_pkey\n"
              "  PROCEDURE dep.item_rename(int4,text)\n"
              "  RULE dep.item.item_forget\n"
              "  TRIGGER dep.item.item_touch\n");
    loader->setHiddenKinds({ ObjType::Procedure, ObjType::Sequence, ObjType::Type });
    EXPECT_EQ(uses(ObjType::Trigger, "dep", "item_touch", 3, "item"),
              "TRIGGER dep.item.item_touch\n"
              "  TABLE dep.item\n"
              "  FUNCTION dep.item_touch()\n");
}

// However deep the load, an object is never listed below itself: a table and its sequence, a
// table and the function of its default, a table and its own foreign key.
TEST_F(CrossTrees, CyclesEndOnEachPath)
{
    const struct
    {
        int code;
        const char *name;
        TCrossDirection direction;
    } roots[] = {
        { ObjType::Sequence, "item_id_seq", TCrossDirection::UsedBy },
        { ObjType::Sequence, "item_id_seq", TCrossDirection::Uses },
        { ObjType::Table, "ticket", TCrossDirection::Uses },
        { ObjType::Table, "ticket", TCrossDirection::UsedBy },
        { ObjType::Table, "node", TCrossDirection::Uses },
        { ObjType::Table, "item", TCrossDirection::UsedBy },
    };
    for (const auto &r : roots) {
        SCOPED_TRACE(r.name);
        const TCrossNode deep = loader->Load(find(r.code, "dep", r.name), r.direction, 50);
        std::function<void(const TCrossNode &, QList<QPair<QString, pg::Oid>>)> walk
            = [&](const TCrossNode &node, QList<QPair<QString, pg::Oid>> path) {
                  const QPair<QString, pg::Oid> key(node.Object.Catalog, node.Object.Oid);
                  EXPECT_FALSE(path.contains(key)) << node.Object.Caption().toStdString();
                  path << key;
                  for (const TCrossNode &child : node.Children)
                      walk(child, path);
              };
        walk(deep, {});
        EXPECT_EQ(CrossTreeText(deep),
                  CrossTreeText(loader->Load(find(r.code, "dep", r.name), r.direction, 4)));
    }
    EXPECT_EQ(uses(ObjType::Sequence, "dep", "item_id_seq", 50),
              "SEQUENCE dep.item_id_seq\n"
              "  TABLE dep.item\n"
              "    TYPE dep.mood\n");
}

// One statement per level reads the dependency rows, one names the objects, one reads the
// argument types of all new routines, however many nodes and arguments the level has.
TEST_F(CrossTrees, StatementsPerLevel)
{
    db.exec("CREATE FUNCTION dep.wide(a1 int, a2 int, a3 int, a4 int, a5 int, a6 int, a7 int,"
            " a8 int, a9 text, a10 text, a11 date, a12 dep.mood) RETURNS int"
            " LANGUAGE sql IMMUTABLE RETURN a1;"
            "CREATE FUNCTION dep.wide2(a1 int, a2 numeric, a3 text[], a4 dep.mood) RETURNS int"
            " LANGUAGE sql IMMUTABLE RETURN a1;"
            "CREATE VIEW dep.wide_v AS SELECT dep.wide(1,2,3,4,5,6,7,8,'a','b',current_date,"
            "'calm') AS w, dep.wide2(1, 2, '{}', 'busy') AS w2, dep.item_label(1) AS l");
    TCrossLoader fresh(*conn->dbsMain(), conn->DBVer(), false);
    fresh.setCancelPoll({});
    const TCrossObject root = fresh.FindObject(ObjType::View, "dep", "wide_v");
    const int afterFind = fresh.StatementCount();
    EXPECT_EQ(afterFind, 1);
    const TCrossNode tree = fresh.Load(root, TCrossDirection::Uses, 1);
    EXPECT_EQ(CrossTreeText(tree).toStdString(),
              "VIEW dep.wide_v\n"
              "  FUNCTION dep.item_label(int4)\n"
              "  FUNCTION dep.wide(int4,int4,int4,int4,int4,int4,int4,int4,text,text,date,"
              "dep.mood)\n"
              "  FUNCTION dep.wide2(int4,\"numeric\",_text,dep.mood)\n"
              "  TYPE dep.mood\n");
    EXPECT_EQ(fresh.StatementCount() - afterFind, 3);

    // Three levels of a wide tree: at most three statements a level.
    const int beforeDeep = fresh.StatementCount();
    fresh.Load(fresh.FindObject(ObjType::Table, "dep", "item"), TCrossDirection::UsedBy, 3);
    EXPECT_LE(fresh.StatementCount() - beforeDeep, 1 + 3 * 3);
    // Objects already named are not read again.
    const int beforeAgain = fresh.StatementCount();
    fresh.Load(fresh.FindObject(ObjType::Table, "dep", "item"), TCrossDirection::UsedBy, 3);
    EXPECT_EQ(fresh.StatementCount() - beforeAgain, 1 + 3);
}

// Procedures are told from functions by prokind on servers that have them.
TEST_F(CrossTrees, ProcedureKindFromProkind)
{
    EXPECT_TRUE(usedBy(ObjType::Table, "dep", "item", 1)
                    .contains("  PROCEDURE dep.item_rename(int4,text)\n"));
    EXPECT_TRUE(loader->NameStatement().contains("x.prokind"));
    // A server before 11 has no procedures: every routine that is not an aggregate is a
    // function there.
    TCrossLoader old(*conn->dbsMain(), 100000, false);
    old.setCancelPoll({});
    EXPECT_FALSE(old.NameStatement().contains("prokind"));
    EXPECT_TRUE(CrossTreeText(old.Load(old.FindObject(ObjType::Table, "dep", "item"),
                                       TCrossDirection::UsedBy, 1))
                    .contains("  FUNCTION dep.item_rename(int4,text)\n"));
    EXPECT_TRUE(CrossTreeText(old.Load(old.FindObject(ObjType::Function, "dep", "join_step"),
                                       TCrossDirection::UsedBy, 1))
                    .contains("  AGGREGATE dep.join_all(text)\n"));
}

// The name statement of each server generation runs; the edition's statement is built as text.
TEST_F(CrossTrees, NameStatementPerServer)
{
    for (int version : { 90300, 90400, 100000, 110000, conn->DBVer() }) {
        SCOPED_TRACE(version);
        TCrossLoader l(*conn->dbsMain(), version, false);
        const QStringList catalogs = l.NamedCatalogs();
        EXPECT_FALSE(catalogs.contains("pg_namespace"));
        QList<pg::Param> params;
        for (int i = 0; i < catalogs.size(); ++i)
            params << pg::Param(QVariant(QString("{%1}").arg(oidOf(
                                    "SELECT 'dep.item_rename(int4,text)'::regprocedure::oid"))),
                                1028);
        const pg::Result rows = conn->dbsMain()->exec(l.NameStatement(), params);
        ASSERT_EQ(rows.rowCount(), 1);
        EXPECT_EQ(rows.text(0, 5), "item_rename");
        EXPECT_EQ(rows.text(0, 6), version >= 110000 ? "PROCEDURE" : "FUNCTION");
    }
    TCrossLoader edb(*conn->dbsMain(), 110000, true);
    EXPECT_EQ(edb.NamedCatalogs().last(), "pg_namespace");
    const QString text = edb.NameStatement();
    EXPECT_TRUE(text.contains("THEN 'PACKAGE BODY'"));
    EXPECT_TRUE(text.contains("x.prokind = 'p' OR x.protype = '1'"));
    EXPECT_TRUE(text.contains("LEFT   JOIN pg_namespace psp ON psp.oid = nsp.nspparent"));
    EXPECT_TRUE(text.contains("(pac.nspparent != 0) AND (pac.nspobjecttype = 0)"));
    EXPECT_TRUE(text.contains("pac.oid = ANY ($8::oid[])"));
    EXPECT_TRUE(TCrossLoader(*conn->dbsMain(), 90100, true)
                    .NameStatement()
                    .contains("WHERE  pac.nspparent != 0 AND"));
}

TEST_F(CrossTrees, FindObject)
{
    const pg::Oid one = oidOf("SELECT 'dep.item_label(integer)'::regprocedure::oid");
    const pg::Oid two = oidOf("SELECT 'dep.item_label(integer, text)'::regprocedure::oid");
    EXPECT_EQ(find(ObjType::Function, "dep", "item_label", "", "int4").Oid, one);
    EXPECT_EQ(find(ObjType::Function, "dep", "item_label", "", "int4,text").Oid, two);
    // Overloads without arguments to tell them apart: none is taken.
    EXPECT_FALSE(find(ObjType::Function, "dep", "item_label").Found());
    // The oid decides when given; the argument list is then the routine's own.
    const TCrossObject byOid
        = loader->FindObject(ObjType::Function, "dep", "item_label", "", "", two);
    EXPECT_EQ(byOid.Oid, two);
    EXPECT_EQ(byOid.Caption(), "dep.item_label(int4,text)");
    // A routine with one overload is found without arguments.
    EXPECT_EQ(find(ObjType::Procedure, "dep", "item_rename").Caption(),
              "dep.item_rename(int4,text)");
    // Names are not folded.
    EXPECT_FALSE(find(ObjType::Table, "dep", "ITEM").Found());
    EXPECT_TRUE(find(ObjType::Table, "dep", "odd.name(1)").Found());
    EXPECT_EQ(find(ObjType::Trigger, "dep", "item_touch", "item").Catalog, "pg_trigger");
    EXPECT_FALSE(find(ObjType::Trigger, "dep", "item_touch", "item_log").Found());
    EXPECT_EQ(find(ObjType::Type, "dep", "mood").Oid, oidOf("SELECT 'dep.mood'::regtype::oid"));
    // Packages exist on the edition only.
    EXPECT_FALSE(find(ObjType::PackageBody, "dep", "item").Found());
    EXPECT_EQ(find(ObjType::PackageBody, "dep", "item").Code, ObjType::Package);
}

TEST_F(CrossTrees, CancelKeepsWhatWasRead)
{
    int polls = 0;
    loader->setCancelPoll([&] { return ++polls > 4; });
    const TCrossNode tree
        = loader->Load(find(ObjType::View, "dep", "item_vv"), TCrossDirection::Uses, 3);
    EXPECT_TRUE(loader->Cancelled());
    EXPECT_EQ(CrossTreeText(tree),
              "VIEW dep.item_vv\n"
              "  VIEW dep.item_v\n"
              "  FUNCTION dep.item_label(int4,text)\n");
    loader->setCancelPoll({});
    loader->Load(find(ObjType::View, "dep", "item_vv"), TCrossDirection::Uses, 3);
    EXPECT_FALSE(loader->Cancelled());
}

class CrossFrame : public EditorTest
{
protected:
    void SetUp() override
    {
        EditorTest::SetUp();
        AppOption.UseLowerName = false;
        AppOption.CrossLevel = 3;
        AppOption.OpenMode = omCross;
        recording = std::make_unique<RecordingConnection>(db.name(), true);
        main.addConnection(recording.get());
    }
    void TearDown() override
    {
        delete host;
        EditorTest::TearDown();
    }

    TfraCross *show(int code, const QString &schema, const QString &name,
                    const QString &table = QString(), const QString &args = QString())
    {
        delete host;
        host = new CrossHost(recording.get(), code);
        host->resize(900, 500);
        host->show();
        host->fraCross->ShowData(schema, name, table, args);
        return host->fraCross;
    }
    // The node whose caption path from the root is path.
    static QTreeWidgetItem *node(TqvTreeView *tree, const QStringList &path)
    {
        QTreeWidgetItem *item = tree->topLevelItem(0);
        if (!item || item->text(0) != path.first())
            return nullptr;
        for (int i = 1; i < path.size(); ++i) {
            QTreeWidgetItem *next = nullptr;
            for (int c = 0; c < item->childCount() && !next; ++c) {
                if (item->child(c)->text(0) == path.at(i))
                    next = item->child(c);
            }
            if (!next)
                return nullptr;
            item = next;
        }
        return item;
    }
    // Double-clicks the node as the user does.
    static void doubleClick(TqvTreeView *tree, QTreeWidgetItem *item)
    {
        tree->scrollToItem(item);
        const QPoint at = tree->visualItemRect(item).center();
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, at);
    }

    std::unique_ptr<RecordingConnection> recording;
    CrossHost *host = nullptr;
};

TEST_F(CrossFrame, Controls)
{
    TfraCross *frame = show(ObjType::View, "dep", "item_vv");
    const struct
    {
        const char *name;
        const char *hint;
        int code;
    } buttons[] = {
        { "btnTree1Table", "テーブル", 45 },
        { "btnTree1Index", "インデックス", 46 },
        { "btnTree1View", "ビュー", 47 },
        { "btnTree1Func", "ファンクション", 52 },
        { "btnTree1Type", "タイプ", 55 },
        { "btnTree1Trigger", "トリガー", 57 },
        { "btnTree1Seq", "シーケンス", 58 },
        { "btnTree1MView", "マテリアライズドビュー", 61 },
        { "btnTree1Rule", "ルール", 127 },
        { "btnTree1Agrg", "集約関数", 128 },
        { "btnTree1Proc", "プロシージャ", 51 },
        { "btnTree1Pack", "パッケージ", 53 },
        { "btnTree1PackB", "パッケージボディ", 54 },
    };
    for (const auto &b : buttons) {
        auto *button = frame->findChild<QToolButton *>(b.name);
        ASSERT_NE(button, nullptr) << b.name;
        EXPECT_EQ(button->toolTip(), QString::fromUtf8(b.hint));
        EXPECT_TRUE(button->isChecked());
    }
    EXPECT_TRUE(frame->btnTree1MView->isVisibleTo(frame));
    EXPECT_TRUE(frame->btnTree1Agrg->isVisibleTo(frame));
    EXPECT_EQ(frame->pnlTree1Top->text(), " 【 参　照 】");
    EXPECT_EQ(frame->pnlTree2Top->text(), " 【 被参照 】");
    QStringList captions;
    for (QAction *action : frame->popTree->actions())
        captions << action->text();
    EXPECT_EQ(
        captions,
        QStringList({ "オブジェクト情報を表示", "", "開く", "閉じる", "全て開く", "全て閉じる" }));
    // Both trees come expanded, each under the shown object.
    ASSERT_EQ(frame->lstTree1->topLevelItemCount(), 1);
    EXPECT_EQ(frame->lstTree1->topLevelItem(0)->text(0), "dep.item_vv");
    EXPECT_EQ(TfraCross::NodeObject(frame->lstTree1->topLevelItem(0)).Oid,
              query("SELECT 'dep.item_vv'::regclass::oid").toUInt());
    QTreeWidgetItem *deep
        = node(frame->lstTree1, { "dep.item_vv", "dep.item_v", "dep.item", "dep.item_id_seq" });
    ASSERT_NE(deep, nullptr);
    EXPECT_TRUE(deep->parent()->isExpanded());
    EXPECT_EQ(frame->lstTree2->topLevelItem(0)->text(0), "dep.item_vv");
    EXPECT_EQ(frame->lstTree2->topLevelItem(0)->childCount(), 0);
}

// Which object each node opens: kind, schema, name, oid and table, exactly as stored, with the
// open mode of the options and no row limit.
TEST_F(CrossFrame, NodeOpensItsObject)
{
    const auto oid = [this](const char *sql) { return qint64(query(sql).toUInt()); };
    const struct Case
    {
        const char *what;
        int hostCode;
        const char *hostSchema;
        const char *hostName;
        bool left;
        QStringList path;
        int code;
        const char *schema;
        const char *name;
        qint64 oid;
        const char *table;
    } cases[] = {
        { "procedure",
          ObjType::Table,
          "dep",
          "item",
          false,
          { "dep.item", "dep.item_rename(int4,text)" },
          ObjType::Procedure,
          "dep",
          "item_rename",
          oid("SELECT 'dep.item_rename'::regproc::oid"),
          "" },
        { "overload",
          ObjType::View,
          "dep",
          "item_vv",
          true,
          { "dep.item_vv", "dep.item_label(int4,text)" },
          ObjType::Function,
          "dep",
          "item_label",
          oid("SELECT 'dep.item_label(int,text)'::regprocedure::oid"),
          "" },
        { "trigger",
          ObjType::Function,
          "dep",
          "item_touch",
          false,
          { "dep.item_touch()", "dep.item.item_touch" },
          ObjType::Trigger,
          "dep",
          "item_touch",
          oid("SELECT oid FROM pg_trigger WHERE tgrelid = 'dep.item'::regclass"
              " AND tgname = 'item_touch'"),
          "item" },
        { "rule",
          ObjType::Table,
          "dep",
          "item_log",
          false,
          { "dep.item_log", "dep.item.item_forget" },
          ObjType::Rule,
          "dep",
          "item_forget",
          oid("SELECT oid FROM pg_rewrite WHERE ev_class = 'dep.item'::regclass AND rulename = "
              "'item_forget'"),
          "item" },
        { "view reached through its rule",
          ObjType::View,
          "dep",
          "item_v",
          false,
          { "dep.item_v", "dep.item_vv" },
          ObjType::View,
          "dep",
          "item_vv",
          oid("SELECT 'dep.item_vv'::regclass::oid"),
          "" },
        { "table reached through its default",
          ObjType::Sequence,
          "dep",
          "item_id_seq",
          false,
          { "dep.item_id_seq", "dep.item" },
          ObjType::Table,
          "dep",
          "item",
          oid("SELECT 'dep.item'::regclass::oid"),
          "" },
        { "materialized view",
          ObjType::View,
          "dep",
          "item_v",
          false,
          { "dep.item_v", "dep.item_mv" },
          ObjType::MaterializedView,
          "dep",
          "item_mv",
          oid("SELECT 'dep.item_mv'::regclass::oid"),
          "" },
        { "aggregate",
          ObjType::Function,
          "dep",
          "join_step",
          false,
          { "dep.join_step(text,text)", "dep.join_all(text)" },
          ObjType::Aggregate,
          "dep",
          "join_all",
          oid("SELECT 'dep.join_all'::regproc::oid"),
          "" },
        { "partitioned table",
          ObjType::View,
          "dep",
          "event_v",
          true,
          { "dep.event_v", "dep.event" },
          ObjType::Table,
          "dep",
          "event",
          oid("SELECT 'dep.event'::regclass::oid"),
          "" },
        { "partitioned index",
          ObjType::Table,
          "dep",
          "event",
          false,
          { "dep.event", "dep.event_at" },
          ObjType::Index,
          "dep",
          "event_at",
          oid("SELECT 'dep.event_at'::regclass::oid"),
          "" },
        { "table named with a dot and brackets",
          ObjType::View,
          "dep",
          "odd.v",
          true,
          { "dep.odd.v", "dep.odd.name(1)" },
          ObjType::Table,
          "dep",
          "odd.name(1)",
          oid("SELECT 'dep.\"odd.name(1)\"'::regclass::oid"),
          "" },
        { "function named with brackets and a dot",
          ObjType::View,
          "dep",
          "odd.v",
          true,
          { "dep.odd.v", "dep.odd(f).x(int4)" },
          ObjType::Function,
          "dep",
          "odd(f).x",
          oid("SELECT 'dep.\"odd(f).x\"'::regproc::oid"),
          "" },
        { "schema named with a dot",
          ObjType::View,
          "dep",
          "odd.v",
          true,
          { "dep.odd.v", "dep.dot.tab" },
          ObjType::Table,
          "dep.dot",
          "tab",
          oid("SELECT '\"dep.dot\".tab'::regclass::oid"),
          "" },
        { "same-named table of another schema",
          ObjType::MaterializedView,
          "dep",
          "item_mv",
          true,
          { "dep.item_mv", "dep_other.item" },
          ObjType::Table,
          "dep_other",
          "item",
          oid("SELECT 'dep_other.item'::regclass::oid"),
          "" },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        TfraCross *frame = show(c.hostCode, c.hostSchema, c.hostName);
        TqvTreeView *tree = c.left ? frame->lstTree1 : frame->lstTree2;
        QTreeWidgetItem *item = node(tree, c.path);
        ASSERT_NE(item, nullptr) << c.path.join(" / ").toStdString();
        recording->calls.clear();
        doubleClick(tree, item);
        ASSERT_EQ(recording->calls.size(), 1);
        const OpenCall &call = recording->calls.first();
        EXPECT_EQ(call.Type, c.code);
        EXPECT_EQ(call.Schema, QString::fromUtf8(c.schema));
        EXPECT_EQ(call.Name, QString::fromUtf8(c.name));
        EXPECT_EQ(call.Oid, c.oid);
        EXPECT_EQ(call.Table, QString::fromUtf8(c.table));
        EXPECT_EQ(call.Mode, omCross);
        EXPECT_EQ(call.DefTopRecord, 0);
        // The pop-up's command opens the same object.
        tree->setFocus();
        tree->setCurrentItem(item);
        frame->popOpen->trigger();
        ASSERT_EQ(recording->calls.size(), 2);
        EXPECT_EQ(recording->calls.at(1).Oid, c.oid);
    }
}

TEST_F(CrossFrame, RootOpensNothing)
{
    TfraCross *frame = show(ObjType::Table, "dep", "item");
    doubleClick(frame->lstTree1, frame->lstTree1->topLevelItem(0));
    frame->lstTree2->setFocus();
    frame->lstTree2->setCurrentItem(frame->lstTree2->topLevelItem(0));
    frame->popOpen->trigger();
    EXPECT_TRUE(recording->calls.isEmpty());
}

// The pop-up's commands act on the tree that has the focus, and only on it.
TEST_F(CrossFrame, PopupActsOnFocusedTree)
{
    TfraCross *frame = show(ObjType::Table, "dep", "item");
    QTreeWidgetItem *left = frame->lstTree1->topLevelItem(0);
    QTreeWidgetItem *right = frame->lstTree2->topLevelItem(0);
    QTreeWidgetItem *view = node(frame->lstTree2, { "dep.item", "dep.item_v" });
    ASSERT_NE(view, nullptr);
    frame->lstTree1->setCurrentItem(left);
    frame->lstTree2->setCurrentItem(right);
    frame->lstTree2->setFocus();
    QApplication::processEvents();
    frame->popCollapseAll->trigger();
    EXPECT_FALSE(right->isExpanded());
    EXPECT_FALSE(view->isExpanded());
    EXPECT_TRUE(left->isExpanded());
    frame->popExpand->trigger();
    EXPECT_TRUE(right->isExpanded());
    EXPECT_FALSE(view->isExpanded());
    frame->popExpandAll->trigger();
    EXPECT_TRUE(view->isExpanded());
    frame->lstTree2->setCurrentItem(view);
    frame->popCollapse->trigger();
    EXPECT_FALSE(view->isExpanded());
    EXPECT_TRUE(right->isExpanded());
    // With the focus elsewhere the commands do nothing.
    frame->btnTree1Table->setFocus();
    QApplication::processEvents();
    frame->lstTree1->setCurrentItem(left);
    frame->popCollapse->trigger();
    EXPECT_TRUE(left->isExpanded());
}

// A kind button takes effect at the next load, in both trees and at every depth.
TEST_F(CrossFrame, KindButtonsFilterAtNextLoad)
{
    TfraCross *frame = show(ObjType::Table, "dep", "item");
    ASSERT_NE(node(frame->lstTree2, { "dep.item", "dep.item_v" }), nullptr);
    frame->btnTree1View->click();
    frame->btnTree1Seq->click();
    EXPECT_NE(node(frame->lstTree2, { "dep.item", "dep.item_v" }), nullptr);
    frame->ShowData("dep", "item", QString(), QString());
    EXPECT_EQ(node(frame->lstTree2, { "dep.item", "dep.item_v" }), nullptr);
    EXPECT_EQ(node(frame->lstTree2, { "dep.item", "dep.item_id_seq" }), nullptr);
    EXPECT_EQ(node(frame->lstTree1, { "dep.item", "dep.item_id_seq" }), nullptr);
    EXPECT_NE(node(frame->lstTree1, { "dep.item", "dep.mood" }), nullptr);
    EXPECT_NE(node(frame->lstTree2, { "dep.item", "dep.item.item_touch" }), nullptr);
}

TEST_F(CrossFrame, DepthOption)
{
    AppOption.CrossLevel = 1;
    TfraCross *frame = show(ObjType::View, "dep", "item_vv");
    QTreeWidgetItem *root = frame->lstTree1->topLevelItem(0);
    ASSERT_EQ(root->childCount(), 2);
    EXPECT_EQ(root->child(0)->childCount(), 0);
    AppOption.CrossLevel = 3;
    frame->ShowData("dep", "item_vv", QString(), QString());
    EXPECT_NE(node(frame->lstTree1, { "dep.item_vv", "dep.item_v", "dep.item", "dep.mood" }),
              nullptr);
}

// Esc under the load's cancel guard stops it, keeps what was read and says so.
TEST_F(CrossFrame, EscStopsTheLoad)
{
    QStringList messages;
    ScopedDialogResponder responder([&](DialogRequest &request) {
        messages << request.text;
        return IDOK;
    });
    delete host;
    host = new CrossHost(recording.get(), ObjType::View);
    host->show();
    TfraCross *frame = host->fraCross;
    int polls = 0;
    frame->setCancelPoll([&] {
        if (++polls == 4)
            QTest::keyClick(frame->lstTree1, Qt::Key_Escape);
        return EscapePressed();
    });
    frame->ShowData("dep", "item_vv", QString(), QString());
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages.first().startsWith("依存関係の読み込みを中断しました。"));
    QTreeWidgetItem *root = frame->lstTree1->topLevelItem(0);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->childCount(), 2);
    EXPECT_EQ(root->child(0)->childCount(), 0);
    EXPECT_EQ(frame->lstTree2->topLevelItem(0)->childCount(), 0);
}

TEST_F(CrossFrame, MissingObjectOrHost)
{
    TfraCross *frame = show(ObjType::Function, "dep", "item_label", QString(), "text");
    ASSERT_EQ(frame->lstTree1->topLevelItemCount(), 1);
    EXPECT_EQ(frame->lstTree1->topLevelItem(0)->text(0), "dep.item_label(text)");
    EXPECT_EQ(frame->lstTree1->topLevelItem(0)->childCount(), 0);
    EXPECT_EQ(frame->lstTree2->topLevelItem(0)->childCount(), 0);
    // A frame without a host window shows nothing.
    TfraCross alone(nullptr, nullptr);
    EXPECT_EQ(alone.ShowData("dep", "item", QString(), QString()), QString());
    EXPECT_EQ(alone.lstTree1->topLevelItemCount(), 0);
}

} // namespace crosstest
