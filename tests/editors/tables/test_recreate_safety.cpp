// What a table re-creation must never do to the data: lose a row another session commits while
// it runs, drop a column added since its script was written, copy only the rows row-level
// security shows, let triggers rewrite the rows it puts back, or leave out what the DROP took.
// Cases that cannot work are refused before anything runs; the rest are built and work.
// Everything is checked from a second connection.
#include "editorstest.h"
#include "tabletest.h"

#include "core/qvdialoghook.h"
#include "core/qvmsgbox.h"
#include "core/qvname.h"
#include "core/qvoption.h"
#include "core/qvscript.h"
#include "editors/tables/ftable.h"
#include "editors/tables/tbldef.h"
#include "editors/tables/tbledit.h"
#include "editors/tables/tblrecreate.h"
#include "editors/tables/tblscript.h"
#include "platform/pg/connection.h"
#include "ui/qvgrid.h"

#include <QDateTime>
#include <QLineEdit>

#include <chrono>
#include <functional>
#include <future>
#include <thread>

using editorstest::EditorTest;
using editorstest::RunnerDriver;

namespace recreatesafety {

class RecreateSafety : public EditorTest
{
protected:
    TTableDefinition load(const QString &schema, const QString &name)
    {
        pg::Connection &c = *conn->dbsMain();
        return LoadTableDefinition(c, FindTableOid(c, schema, name));
    }

    static TTableColumnEdit &row(TTableEdit &edit, const QString &name)
    {
        for (TTableColumnEdit &row : edit.Columns) {
            if (row.Name == name)
                return row;
        }
        ADD_FAILURE() << "no column " << name.toStdString();
        return edit.Columns.first();
    }

    static void move(TTableEdit &edit, const QString &name, int to)
    {
        for (qsizetype i = 0; i < edit.Columns.size(); ++i) {
            if (edit.Columns.at(i).Name == name) {
                edit.Columns.move(i, to);
                return;
            }
        }
        ADD_FAILURE() << "no column " << name.toStdString();
    }

    static void append(TTableEdit &edit, const QString &name, const QString &type,
                       const QString &defaultCell)
    {
        TTableColumnEdit added;
        added.Name = name;
        added.Type = type;
        added.Default = defaultCell;
        added.Row = int(edit.Columns.size()) + 1;
        edit.Columns << added;
    }

    QStringList scriptFor(const TTableDefinition &def, const TTableEdit *edit)
    {
        TTableRecreateRequest request;
        request.Loaded = def;
        request.Edit = edit;
        request.Prefix = QuoteName(def.Schema) + ".";
        request.Backup = true;
        request.Now = QDateTime(QDate(2026, 12, 11), QTime(9, 30, 5));
        return TableRecreateScript(*conn->dbsMain(), request).Script;
    }

    // The reasons of a refusal; empty when the script was written.
    QString refusalOf(const TTableDefinition &def, const TTableEdit *edit)
    {
        try {
            scriptFor(def, edit);
        } catch (const TableRecreateRefused &refused) {
            return refused.Reasons.join('\n');
        }
        return {};
    }

    // Runs the script as the table editor's compile does, all or nothing.
    bool compile(const QStringList &script)
    {
        const ScopedDialogResponder yes([](DialogRequest &r) {
            return r.text == QStringLiteral("処理を中断しますか？") ? IDYES : IDOK;
        });
        RunnerDriver driver;
        TCompileRequest req;
        req.Schema = "x";
        req.ObjName = "x";
        req.ObjType = 45;
        req.AllOrNothing = true;
        const bool ok = RunCompileSequence(conn.get(), script, req);
        log = driver.lastLog;
        return ok;
    }

    QStringList rows(const QString &sql) const
    {
        return testsupport::queryColumn(db.conninfo(), sql);
    }

    QStringList columns(const QString &table) const { return tabletest::columnNames(db, table); }

    QString log;
};

// ---- the lock and the check under it ------------------------------------------------------

// A second session has inserted a row and not committed when the re-creation starts: the run
// waits for it at the lock, and the row is in the new table.
TEST_F(RecreateSafety, ARowAnotherSessionCommitsDuringTheRunIsKept)
{
    const TTableDefinition def = load("tbl_re", "item");
    TTableEdit edit = tabletest::editOf(def);
    move(edit, "price", 1);
    const QStringList script = scriptFor(def, &edit);

    const QString runner = QString::number(conn->dbsMain()->backendPid());
    const QString conninfo = db.conninfo();
    const QString database = db.name();
    std::promise<void> inserted;
    std::thread other([&] {
        const testsupport::ServerInfo &s = testsupport::server();
        pg::Connection session;
        session.setParam("Server", s.host);
        session.setParam("Port", QString::number(s.port));
        session.setParam("Database", database);
        session.setParam("User_Name", s.user);
        session.open();
        session.exec("BEGIN");
        session.exec("INSERT INTO tbl_re.item (name, note, price) VALUES ('割込', 'w', 7)");
        inserted.set_value();
        // Commits once the re-creation waits for this transaction (or gives up waiting).
        for (int i = 0; i < 6000; ++i) {
            if (testsupport::queryValue(conninfo,
                                        "SELECT cardinality(pg_blocking_pids(" + runner + "))")
                != "0")
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        session.exec("COMMIT");
    });
    inserted.get_future().wait();
    const bool ok = compile(script);
    other.join();
    ASSERT_TRUE(ok) << log.toStdString();
    EXPECT_EQ(columns("tbl_re.item"),
              QStringList({ "id", "price", "seq_no", "name", "note", "price_tax" }));
    EXPECT_EQ(
        rows("SELECT id || ' ' || seq_no || ' ' || name || ' ' || price FROM tbl_re.item "
             "ORDER BY id"),
        QStringList({ "1 1 ボルト 1.50", "2 2 ナット 2.00", "3 3 座金 3.00", "4 4 割込 7.00" }));
    // The sequences go on after the row the other session took.
    EXPECT_EQ(query("INSERT INTO tbl_re.item (name, price) VALUES ('釘', 5) "
                    "RETURNING id || ',' || seq_no"),
              "5,5");
}

// Changes another session makes after the script was written (previewed) refuse the run
// under the lock: nothing is dropped, the transaction is rolled back.
TEST_F(RecreateSafety, ATableChangedAfterTheScriptWasWrittenRefusesTheRun)
{
    struct Case
    {
        const char *name;
        const char *change;
        const char *message;
    };
    const Case cases[] = {
        { "added column", "ALTER TABLE tbl_re.item ADD COLUMN extra integer DEFAULT 42",
          "列が読み込み後に変更されています" },
        { "added index", "CREATE INDEX item_price_idx ON tbl_re.item (price)",
          "スクリプトの作成後に変更されています" },
        { "new grant", "GRANT DELETE ON tbl_re.item TO corvane_grt_b",
          "スクリプトの作成後に変更されています" },
        { "trigger on a dependent view",
          "CREATE TRIGGER v_ins INSTEAD OF INSERT ON tbl_re.item_priced FOR EACH ROW "
          "EXECUTE FUNCTION tbl_re.touch()",
          "スクリプトの作成後に変更されています" },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const TTableDefinition def = load("tbl_re", "item");
        TTableEdit edit = tabletest::editOf(def);
        move(edit, "price", 1);
        const QStringList script = scriptFor(def, &edit);
        db.exec(c.change);
        const QStringList before = columns("tbl_re.item");
        const QString objects = query("SELECT count(*) FROM pg_depend WHERE refobjid IN "
                                      "('tbl_re.item'::regclass, 'tbl_re.item_priced'::regclass)");
        EXPECT_FALSE(compile(script));
        EXPECT_TRUE(log.contains(QString::fromUtf8(c.message))) << log.toStdString();
        EXPECT_EQ(columns("tbl_re.item"), before);
        EXPECT_EQ(query("SELECT count(*) FROM pg_depend WHERE refobjid IN "
                        "('tbl_re.item'::regclass, 'tbl_re.item_priced'::regclass)"),
                  objects);
        EXPECT_EQ(query("SELECT count(*) FROM tbl_re.item"), "3");
        EXPECT_EQ(query("SELECT count(*) FROM pg_class WHERE relname LIKE 'item\\_1211%'"), "0");
    }
    EXPECT_EQ(rows("SELECT extra FROM tbl_re.item ORDER BY id"), QStringList({ "42", "42", "42" }));
}

// ---- row-level security -----------------------------------------------------------------

class RecreateRowSecurity : public RecreateSafety
{
protected:
    void SetUp() override
    {
        RecreateSafety::SetUp();
        db.exec("CREATE SCHEMA rls_re AUTHORIZATION corvane_grt_owner;"
                "SET ROLE corvane_grt_owner;"
                "CREATE TABLE rls_re.secret (id integer PRIMARY KEY, who text, amount numeric);"
                "INSERT INTO rls_re.secret VALUES (1, 'a', 1.5), (2, 'b', 2.25), (3, 'c', 3);"
                "ALTER TABLE rls_re.secret ENABLE ROW LEVEL SECURITY;"
                "CREATE POLICY only_a ON rls_re.secret USING (who = 'a');");
        // The table's owner edits it.
        conn->dbsMain()->exec("SET ROLE corvane_grt_owner");
    }
    void TearDown() override
    {
        conn->dbsMain()->exec("RESET ROLE");
        RecreateSafety::TearDown();
    }

    QString checksum() const
    {
        return query("SELECT md5(string_agg(concat_ws('|', id, who, amount), ',' ORDER BY id)) "
                     "FROM rls_re.secret");
    }
};

// The owner under FORCE ROW LEVEL SECURITY sees one row of three; the re-creation keeps all.
TEST_F(RecreateRowSecurity, TheOwnersCopyUnderForcedRowSecurityKeepsEveryRow)
{
    db.exec("ALTER TABLE rls_re.secret FORCE ROW LEVEL SECURITY");
    const QString before = checksum();
    const TTableDefinition def = load("rls_re", "secret");
    TTableEdit edit = tabletest::editOf(def);
    move(edit, "amount", 1);
    ASSERT_TRUE(compile(scriptFor(def, &edit))) << log.toStdString();
    EXPECT_EQ(columns("rls_re.secret"), QStringList({ "id", "amount", "who" }));
    EXPECT_EQ(query("SELECT count(*) FROM rls_re.secret"), "3");
    EXPECT_EQ(checksum(), before);
    EXPECT_EQ(
        query("SELECT relrowsecurity || ' ' || relforcerowsecurity || ' ' || "
              "pg_get_userbyid(relowner) FROM pg_class WHERE oid = 'rls_re.secret'::regclass"),
        "true true corvane_grt_owner");
    EXPECT_EQ(query("SELECT polname || ' ' || pg_get_expr(polqual, polrelid) FROM pg_policy "
                    "WHERE polrelid = 'rls_re.secret'::regclass"),
              "only_a (who = 'a'::text)");
}

// Row-level security forced by another session after the script was written: the copy would
// see one row, so the run fails, says why, and leaves the table as it was.
TEST_F(RecreateRowSecurity, ACopyThatCannotSeeEveryRowFailsWithTheReason)
{
    const QString before = checksum();
    const TTableDefinition def = load("rls_re", "secret");
    TTableEdit edit = tabletest::editOf(def);
    move(edit, "amount", 1);
    const QStringList script = scriptFor(def, &edit);
    db.exec("ALTER TABLE rls_re.secret FORCE ROW LEVEL SECURITY");
    EXPECT_FALSE(compile(script));
    EXPECT_TRUE(log.contains("行単位セキュリティのポリシーが適用されるため")) << log.toStdString();
    EXPECT_EQ(columns("rls_re.secret"), QStringList({ "id", "who", "amount" }));
    EXPECT_EQ(checksum(), before);
    EXPECT_EQ(query("SELECT count(*) FROM rls_re.secret"), "3");
}

// ---- triggers -----------------------------------------------------------------------------

// BEFORE and AFTER INSERT triggers neither rewrite the rows put back nor write audit rows; they
// are there afterwards and fire for the next row.
TEST_F(RecreateSafety, RowsComeBackUnchangedBeforeTheTriggersExist)
{
    db.exec(
        "CREATE SCHEMA rtg;"
        "CREATE TABLE rtg.audit (what text);"
        "CREATE TABLE rtg.doc (id integer PRIMARY KEY, title text, stamp timestamptz, "
        "                      counter integer);"
        "INSERT INTO rtg.doc VALUES (1, 'a', '2001-02-03 04:05:06.789+00', 7), "
        "                           (2, 'b', NULL, NULL), (3, 'c', '1999-12-31 23:59:59+09', 0);"
        "CREATE FUNCTION rtg.stamp() RETURNS trigger LANGUAGE plpgsql AS $$BEGIN "
        "  NEW.stamp := clock_timestamp(); NEW.counter := coalesce(NEW.counter, 0) + 1; "
        "  RETURN NEW; END$$;"
        "CREATE FUNCTION rtg.audit() RETURNS trigger LANGUAGE plpgsql AS $$BEGIN "
        "  INSERT INTO rtg.audit VALUES (TG_OP || ' ' || NEW.id); RETURN NULL; END$$;"
        "CREATE TRIGGER doc_stamp BEFORE INSERT OR UPDATE ON rtg.doc "
        "  FOR EACH ROW EXECUTE FUNCTION rtg.stamp();"
        "CREATE TRIGGER doc_audit AFTER INSERT ON rtg.doc "
        "  FOR EACH ROW EXECUTE FUNCTION rtg.audit();"
        "ALTER TABLE rtg.doc DISABLE TRIGGER doc_audit;"
        "COMMENT ON TRIGGER doc_stamp ON rtg.doc IS '刻印';");
    const QString checksum = "SELECT md5(string_agg(concat_ws('|', id, title, stamp, counter), "
                             "',' ORDER BY id)) FROM rtg.doc";
    const QString triggers
        = "SELECT string_agg(pg_get_triggerdef(oid) || ' ' || tgenabled::text || ' ' || "
          "coalesce(obj_description(oid, 'pg_trigger'), '-'), E'\\n' ORDER BY tgname) "
          "FROM pg_trigger WHERE tgrelid = 'rtg.doc'::regclass";
    db.exec("ALTER TABLE rtg.doc ENABLE TRIGGER doc_audit");
    const QString rowsBefore = query(checksum);
    const QString triggersBefore = query(triggers);

    const TTableDefinition def = load("rtg", "doc");
    TTableEdit edit = tabletest::editOf(def);
    move(edit, "title", 3);
    ASSERT_TRUE(compile(scriptFor(def, &edit))) << log.toStdString();
    EXPECT_EQ(columns("rtg.doc"), QStringList({ "id", "stamp", "counter", "title" }));
    EXPECT_EQ(query(checksum), rowsBefore);
    EXPECT_EQ(query("SELECT count(*) FROM rtg.audit"), "0");
    EXPECT_EQ(query(triggers), triggersBefore);
    EXPECT_EQ(query("INSERT INTO rtg.doc (id, title) VALUES (4, 'd') RETURNING counter"), "1");
    EXPECT_EQ(query("SELECT string_agg(what, ',') FROM rtg.audit"), "INSERT 4");
}

// ---- what the DROP takes ------------------------------------------------------------------

// A dependent view's INSTEAD OF trigger (with its comment), its column default, the identity
// sequence's comment and privileges, and the comment of the key's index come back.
TEST_F(RecreateSafety, ViewTriggersViewDefaultsAndIdentitySequencesComeBack)
{
    db.exec("CREATE SCHEMA rpb;"
            "GRANT USAGE ON SCHEMA rpb TO corvane_grt_a;"
            "CREATE TABLE rpb.item (id integer GENERATED ALWAYS AS IDENTITY PRIMARY KEY, "
            "                       name text, qty integer);"
            "COMMENT ON SEQUENCE rpb.item_id_seq IS '品目の番号';"
            "COMMENT ON INDEX rpb.item_pkey IS '番号の索引';"
            "GRANT USAGE, SELECT ON SEQUENCE rpb.item_id_seq TO corvane_grt_a;"
            "INSERT INTO rpb.item (name, qty) VALUES ('a', 1), ('b', 2);"
            "CREATE VIEW rpb.item_v AS SELECT id, name, qty FROM rpb.item;"
            "ALTER VIEW rpb.item_v ALTER COLUMN qty SET DEFAULT 10;"
            "CREATE FUNCTION rpb.item_v_ins() RETURNS trigger LANGUAGE plpgsql AS $$BEGIN "
            "  INSERT INTO rpb.item (name, qty) VALUES (NEW.name, NEW.qty); RETURN NEW; END$$;"
            "CREATE TRIGGER item_v_ins INSTEAD OF INSERT ON rpb.item_v "
            "  FOR EACH ROW EXECUTE FUNCTION rpb.item_v_ins();"
            "COMMENT ON TRIGGER item_v_ins ON rpb.item_v IS 'ビューへの挿入';");
    const QStringList facts {
        "SELECT string_agg(pg_get_triggerdef(oid) || ' ' || tgenabled::text || ' ' || "
        "coalesce(obj_description(oid, 'pg_trigger'), '-'), ',') FROM pg_trigger "
        "WHERE tgrelid = 'rpb.item_v'::regclass",
        "SELECT string_agg(pg_get_expr(adbin, adrelid), ',') FROM pg_attrdef "
        "WHERE adrelid = 'rpb.item_v'::regclass",
        "SELECT obj_description('rpb.item_id_seq'::regclass, 'pg_class') || ' ' || "
        "(SELECT relacl::text FROM pg_class WHERE oid = 'rpb.item_id_seq'::regclass)",
        "SELECT last_value || ' ' || is_called FROM rpb.item_id_seq",
        "SELECT obj_description('rpb.item_pkey'::regclass, 'pg_class')",
    };
    QStringList before;
    for (const QString &sql : facts)
        before << query(sql);

    const TTableDefinition def = load("rpb", "item");
    TTableEdit edit = tabletest::editOf(def);
    move(edit, "qty", 1);
    ASSERT_TRUE(compile(scriptFor(def, &edit))) << log.toStdString();
    EXPECT_EQ(columns("rpb.item"), QStringList({ "id", "qty", "name" }));
    QStringList after;
    for (const QString &sql : facts)
        after << query(sql);
    EXPECT_EQ(after, before);
    // The view takes inserts through its trigger, with its default, and the identity goes on.
    db.exec("INSERT INTO rpb.item_v (name) VALUES ('c')");
    EXPECT_EQ(rows("SELECT id || ' ' || name || ' ' || qty FROM rpb.item ORDER BY id"),
              QStringList({ "1 a 1", "2 b 2", "3 c 10" }));
}

// ---- judged before anything runs ----------------------------------------------------------

// Each case is either built and works, or refused with its reason before anything runs.
TEST_F(RecreateSafety, CasesThatWouldFailLateAreBuiltOrRefusedUpFront)
{
    struct Case
    {
        const char *name;
        const char *setup;
        const char *schema;
        const char *table;
        std::function<void(TTableEdit &)> change;
        const char *refusal; // a piece of the reason; nullptr: built and run
        const char *check; // after the run (or the refusal): one text value
        const char *expected;
    };
    const QList<Case> cases {
        { "foreign key of a partitioned table",
          "CREATE SCHEMA up_a;"
          "CREATE TABLE up_a.item (id integer PRIMARY KEY, name text, price integer);"
          "INSERT INTO up_a.item VALUES (1, 'a', 10), (2, 'b', 20);"
          "CREATE TABLE up_a.move (id integer, item_id integer REFERENCES up_a.item (id)) "
          "  PARTITION BY RANGE (id);"
          "CREATE TABLE up_a.move_1 PARTITION OF up_a.move FOR VALUES FROM (0) TO (100);"
          "CREATE TABLE up_a.move_2 PARTITION OF up_a.move FOR VALUES FROM (100) TO (200);"
          "COMMENT ON CONSTRAINT move_item_id_fkey ON up_a.move IS '移動の品目';"
          "COMMENT ON CONSTRAINT move_item_id_fkey ON up_a.move_2 IS '二番目';"
          "INSERT INTO up_a.move VALUES (1, 1), (150, 2);",
          "up_a", "item", [](TTableEdit &edit) { move(edit, "price", 0); }, nullptr,
          "SELECT string_agg(conrelid::regclass || ' ' || conname || ' ' || "
          "coalesce(obj_description(oid, 'pg_constraint'), '-'), ', ' "
          "ORDER BY conrelid::regclass::text) || ' / ' || "
          "(SELECT string_agg(price || name, ',' ORDER BY id) FROM up_a.item) "
          "FROM pg_constraint WHERE confrelid = 'up_a.item'::regclass",
          "up_a.move move_item_id_fkey 移動の品目, up_a.move_1 move_item_id_fkey -, "
          "up_a.move_2 move_item_id_fkey 二番目 / 10a,20b" },
        { "partition key of another name",
          "CREATE SCHEMA up_b;"
          "CREATE TABLE up_b.item (id integer PRIMARY KEY, name text);"
          "CREATE TABLE up_b.move (id integer, item_id integer REFERENCES up_b.item (id)) "
          "  PARTITION BY RANGE (id);"
          "CREATE TABLE up_b.move_1 (id integer, item_id integer CONSTRAINT own_fk "
          "  REFERENCES up_b.item (id));"
          "ALTER TABLE up_b.move ATTACH PARTITION up_b.move_1 FOR VALUES FROM (0) TO (100);",
          "up_b", "item", [](TTableEdit &edit) { move(edit, "name", 0); },
          "パーティション up_b.move_1 の外部キー own_fk",
          "SELECT string_agg(conname, ',' ORDER BY conname) FROM pg_constraint "
          "WHERE confrelid = 'up_b.item'::regclass",
          "move_item_id_fkey,own_fk" },
        { "two columns swap names",
          "CREATE SCHEMA up_c;"
          "CREATE TABLE up_c.pair (id integer, a text, b text);"
          "INSERT INTO up_c.pair VALUES (1, 'was a', 'was b');"
          "CREATE VIEW up_c.pair_v AS SELECT a, b FROM up_c.pair;",
          "up_c", "pair",
          [](TTableEdit &edit) {
              row(edit, "a").Name = "b";
              edit.Columns[2].Name = "a";
              move(edit, "id", 2);
          },
          nullptr,
          "SELECT (SELECT string_agg(attname, ',' ORDER BY attnum) FROM pg_attribute "
          "WHERE attrelid = 'up_c.pair'::regclass AND attnum > 0) || ' / ' || "
          "(SELECT b || ',' || a FROM up_c.pair) || ' / ' || "
          "(SELECT b || ',' || a FROM up_c.pair_v)",
          "b,a,id / was a,was b / was b,was a" },
        { "moved text column becomes integer",
          "CREATE SCHEMA up_d;"
          "CREATE TABLE up_d.code (id integer, code text, name text);"
          "INSERT INTO up_d.code VALUES (1, '0012', 'x'), (2, NULL, 'y');",
          "up_d", "code",
          [](TTableEdit &edit) {
              row(edit, "code").Type = "integer";
              move(edit, "code", 2);
          },
          nullptr,
          "SELECT format_type(atttypid, NULL) || ' / ' || "
          "(SELECT string_agg(coalesce((code + 1)::text, '-'), ',' ORDER BY id) FROM up_d.code) "
          "FROM pg_attribute WHERE attrelid = 'up_d.code'::regclass AND attname = 'code'",
          "integer / 13,-" },
        { "type change without any cast",
          "CREATE SCHEMA up_e;"
          "CREATE TABLE up_e.day (id integer, d integer, note text);"
          "INSERT INTO up_e.day VALUES (1, 20240101, 'x');",
          "up_e", "day",
          [](TTableEdit &edit) {
              row(edit, "d").Type = "date";
              move(edit, "note", 1);
          },
          "列 d の型を integer から date に変える変換",
          "SELECT string_agg(attname, ',' ORDER BY attnum) FROM pg_attribute "
          "WHERE attrelid = 'up_e.day'::regclass AND attnum > 0",
          "id,d,note" },
        { "deleted column used by a view",
          "CREATE SCHEMA up_f;"
          "CREATE TABLE up_f.t (id integer, gone text, kept text);"
          "CREATE VIEW up_f.v AS SELECT id, gone FROM up_f.t;",
          "up_f", "t", [](TTableEdit &edit) { edit.Columns.removeAt(1); }, "up_f.v",
          "SELECT string_agg(attname, ',' ORDER BY attnum) FROM pg_attribute "
          "WHERE attrelid = 'up_f.t'::regclass AND attnum > 0",
          "id,gone,kept" },
        { "deleted column with an index and a check",
          "CREATE SCHEMA up_g;"
          "CREATE TABLE up_g.t (id integer PRIMARY KEY, gone text CHECK (gone <> ''), kept text);"
          "CREATE INDEX t_gone_idx ON up_g.t (gone, kept);"
          "CREATE INDEX t_kept_idx ON up_g.t (kept);"
          "ALTER TABLE up_g.t CLUSTER ON t_gone_idx;"
          "INSERT INTO up_g.t VALUES (1, 'g', 'k');",
          "up_g", "t", [](TTableEdit &edit) { edit.Columns.removeAt(1); }, nullptr,
          "SELECT (SELECT string_agg(relname, ',' ORDER BY relname) FROM pg_class C "
          "JOIN pg_index I ON I.indexrelid = C.oid WHERE I.indrelid = 'up_g.t'::regclass) "
          "|| ' / ' || (SELECT string_agg(conname, ',') FROM pg_constraint "
          "WHERE conrelid = 'up_g.t'::regclass) || ' / ' || (SELECT id || kept FROM up_g.t)",
          "t_kept_idx,t_pkey / t_pkey / 1k" },
        { "view trigger that is not enabled",
          "CREATE SCHEMA up_h;"
          "CREATE TABLE up_h.t (id integer, a text);"
          "CREATE VIEW up_h.v AS SELECT id, a FROM up_h.t;"
          "CREATE FUNCTION up_h.f() RETURNS trigger LANGUAGE plpgsql AS "
          "  $$BEGIN RETURN NEW; END$$;"
          "CREATE TRIGGER v_ins INSTEAD OF INSERT ON up_h.v FOR EACH ROW EXECUTE FUNCTION up_h.f();"
          "UPDATE pg_trigger SET tgenabled = 'D' WHERE tgname = 'v_ins';",
          "up_h", "t", [](TTableEdit &edit) { move(edit, "a", 0); },
          "ビュー up_h.v のトリガー v_ins",
          "SELECT string_agg(attname, ',' ORDER BY attnum) FROM pg_attribute "
          "WHERE attrelid = 'up_h.t'::regclass AND attnum > 0",
          "id,a" },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        db.exec(c.setup);
        const TTableDefinition def = load(c.schema, c.table);
        TTableEdit edit = tabletest::editOf(def);
        c.change(edit);
        if (c.refusal) {
            const QString reasons = refusalOf(def, &edit);
            EXPECT_TRUE(reasons.contains(QString::fromUtf8(c.refusal))) << reasons.toStdString();
        } else {
            QStringList script;
            try {
                script = scriptFor(def, &edit);
            } catch (const TableRecreateRefused &refused) {
                ADD_FAILURE() << "refused: " << refused.what();
                continue;
            }
            EXPECT_TRUE(compile(script)) << log.toStdString();
        }
        EXPECT_EQ(query(c.check), QString::fromUtf8(c.expected));
    }
}

// ---- identity and generation clauses in the default cell ---------------------------------

TEST(RecreateClauses, TheDefaultCellReadsAsAClause)
{
    struct Case
    {
        const char *text;
        bool reads;
        char identity;
        const char *options;
        const char *expression;
    };
    const Case cases[] = {
        { "GENERATED ALWAYS AS IDENTITY", true, 'a', "", "" },
        { "generated  by default as identity", true, 'd', "", "" },
        { "GENERATED BY DEFAULT AS IDENTITY (START WITH 10 INCREMENT BY 5)", true, 'd',
          "START WITH 10 INCREMENT BY 5", "" },
        { "GENERATED ALWAYS AS (qty * 2) STORED", true, 0, "", "qty * 2" },
        { "Generated Always As(lower(\"Name\") || ')') stored", true, 0, "",
          "lower(\"Name\") || ')'" },
        { "GENERATED BY DEFAULT AS (qty) STORED", false, 0, "", "" },
        { "GENERATED ALWAYS AS (qty)", false, 0, "", "" },
        { "GENERATED ALWAYS AS IDENTITY x", false, 0, "", "" },
        { "GENERATED", false, 0, "", "" },
        { "now()", false, 0, "", "" },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        TGenerationClause clause;
        ASSERT_EQ(ReadGenerationClause(c.text, clause), c.reads);
        if (!c.reads)
            continue;
        EXPECT_EQ(clause.Identity, c.identity ? QChar(c.identity) : QChar());
        EXPECT_EQ(clause.IdentityOptions, c.options);
        EXPECT_EQ(clause.Expression, QString::fromUtf8(c.expression));
    }

    // The script writes a clause left in the default as the clause.
    TTableDefinition def;
    def.Schema = "s";
    def.Name = "t";
    def.Kind = 'r';
    def.Persistence = 'p';
    TTableColumn column;
    column.Name = "id";
    column.TypeText = "integer";
    column.Default = "GENERATED BY DEFAULT AS IDENTITY (START WITH 10)";
    def.Columns << column;
    TTableScriptOptions options;
    options.Storage = false;
    const QString text = TableCreateScript(def, options).join('\n');
    EXPECT_TRUE(text.contains("integer GENERATED BY DEFAULT AS IDENTITY (START WITH 10)"))
        << text.toStdString();
    EXPECT_FALSE(text.contains("DEFAULT GENERATED")) << text.toStdString();
}

// Identity and generation clauses typed into default cells of a re-created table make
// identity and generated columns; the identity goes on after the values the column had.
TEST_F(RecreateSafety, ClausesInDefaultCellsMakeIdentityAndGeneratedColumns)
{
    db.exec("CREATE SCHEMA rgc;"
            "CREATE TABLE rgc.t (id integer PRIMARY KEY, qty integer, note text);"
            "INSERT INTO rgc.t VALUES (1, 3, 'x'), (7, 4, 'y');");
    const TTableDefinition def = load("rgc", "t");
    TTableEdit edit = tabletest::editOf(def);
    move(edit, "note", 0);
    row(edit, "id").Default = "GENERATED BY DEFAULT AS IDENTITY";
    append(edit, "twice", "integer", "generated always as (qty * 2) stored");
    append(edit, "no", "bigint", "GENERATED ALWAYS AS IDENTITY (START WITH 100)");
    ASSERT_TRUE(compile(scriptFor(def, &edit))) << log.toStdString();
    EXPECT_EQ(
        rows("SELECT attname || ' ' || attidentity::text || attgenerated::text FROM pg_attribute "
             "WHERE attrelid = 'rgc.t'::regclass AND attnum > 0 ORDER BY attnum"),
        QStringList({ "note ", "id d", "qty ", "twice s", "no a" }));
    EXPECT_EQ(rows("SELECT concat_ws(' ', id, qty, twice, no, note) FROM rgc.t ORDER BY id"),
              QStringList({ "1 3 6 100 x", "7 4 8 101 y" }));
    EXPECT_EQ(query("INSERT INTO rgc.t (qty) VALUES (5) RETURNING id || ' ' || no"), "8 102");

    // A clause that reads as neither is refused before anything runs.
    const TTableDefinition now = load("rgc", "t");
    TTableEdit wrong = tabletest::editOf(now);
    move(wrong, "qty", 0);
    row(wrong, "qty").Default = "GENERATED SOMETIMES";
    EXPECT_TRUE(refusalOf(now, &wrong).contains("GENERATED SOMETIMES"));
}

// A new table whose default cell holds an identity clause, compiled from the window.
TEST_F(RecreateSafety, ANewTableTakesTheIdentityClauseOfItsDefaultCell)
{
    AppOption.DefaultAutoQuote = false;
    TfrmTable *window = TfrmTable::Open(conn.get(), "tbl_re", QString());
    ASSERT_NE(window, nullptr);
    window->txtName->setText("numbered");
    tabletest::typeInto(window, TfrmTable::colName, 1, "id");
    window->grdColumn->setCells(TfrmTable::colType, 1, "integer");
    window->grdColumn->setCells(TfrmTable::colDefault, 1, "GENERATED ALWAYS AS IDENTITY");
    tabletest::typeInto(window, TfrmTable::colName, 2, "label");
    window->grdColumn->setCells(TfrmTable::colType, 2, "text");
    QStringList messages;
    const ScopedDialogResponder answer([&messages](DialogRequest &r) {
        messages << r.text;
        return r.text == QStringLiteral("処理を中断しますか？") ? IDYES : IDOK;
    });
    RunnerDriver driver;
    try {
        window->Compile(nullptr);
    } catch (const SilentAbort &) {
        ADD_FAILURE() << messages.join('\n').toStdString();
    }
    EXPECT_EQ(query("SELECT attidentity FROM pg_attribute WHERE attrelid = "
                    "'tbl_re.numbered'::regclass AND attname = 'id'"),
              "a");
    EXPECT_EQ(query("INSERT INTO tbl_re.numbered (label) VALUES ('a') RETURNING id"), "1");
}

} // namespace recreatesafety

namespace recreatesafety {

// Comments whose text holds a line of only ";" (the end of a statement in a script) come back
// whole: on the table, a column, the key's index, a view and its column, the identity sequence
// and a view trigger.
TEST_F(RecreateSafety, CommentsWithAStatementEndLineComeBackWhole)
{
    db.exec("CREATE SCHEMA rcm;"
            "CREATE TABLE rcm.t (id integer GENERATED ALWAYS AS IDENTITY PRIMARY KEY, a text, "
            "                    b integer);"
            "INSERT INTO rcm.t (a, b) VALUES ('x', 1);"
            "CREATE VIEW rcm.v AS SELECT id, a FROM rcm.t;"
            "CREATE FUNCTION rcm.v_ins() RETURNS trigger LANGUAGE plpgsql AS $$BEGIN "
            "  RETURN NEW; END$$;"
            "CREATE TRIGGER v_ins INSTEAD OF INSERT ON rcm.v FOR EACH ROW "
            "  EXECUTE FUNCTION rcm.v_ins();");
    const QString text = QStringLiteral("one\n;\ntwo");
    for (const QString &object :
         { QStringLiteral("TABLE rcm.t"), QStringLiteral("COLUMN rcm.t.a"),
           QStringLiteral("INDEX rcm.t_pkey"), QStringLiteral("VIEW rcm.v"),
           QStringLiteral("COLUMN rcm.v.a"), QStringLiteral("SEQUENCE rcm.t_id_seq"),
           QStringLiteral("TRIGGER v_ins ON rcm.v") })
        db.exec(QStringLiteral("COMMENT ON %1 IS E'one\\n;\\ntwo'").arg(object));
    const QString comments
        = "SELECT string_agg(description, '|' ORDER BY objoid, objsubid) FROM pg_description "
          "WHERE description LIKE 'one%'";
    const QString before = query(comments);
    ASSERT_EQ(before.count(text), 7) << before.toStdString();

    const TTableDefinition def = load("rcm", "t");
    TTableEdit edit = tabletest::editOf(def);
    move(edit, "b", 1);
    const QStringList script = scriptFor(def, &edit);
    // The script as text (the preview, a saved file, the source page) reads back into the same
    // statements: no comment line ends a statement.
    EXPECT_EQ(SplitScriptStatements(script.join('\n').split('\n')).size(),
              SplitScriptStatements(script).size());
    // The table's own CREATE script as well.
    const QStringList create = TableCreateScript(def, TTableScriptOptions());
    EXPECT_EQ(SplitScriptStatements(create.join('\n').split('\n')).size(),
              SplitScriptStatements(create).size());
    ASSERT_TRUE(compile(script)) << log.toStdString();
    EXPECT_EQ(columns("rcm.t"), QStringList({ "id", "b", "a" }));
    EXPECT_EQ(query(comments).count(text), 7) << query(comments).toStdString();
}

} // namespace recreatesafety
