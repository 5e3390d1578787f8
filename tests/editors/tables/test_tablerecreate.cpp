// Re-creating a table in one transaction: the rows land in the right columns, every dependent
// (index, trigger, foreign keys of other tables, views, policies, privileges, sequences) is
// back, a failure anywhere leaves the database as it was, and what cannot be put back refuses
// the re-creation before anything runs.
#include "editorstest.h"
#include "tabletest.h"

#include "core/qvdialoghook.h"
#include "core/qvmsgbox.h"
#include "core/qvname.h"
#include "editors/tables/tbldef.h"
#include "editors/tables/tbledit.h"
#include "editors/tables/tblrecreate.h"
#include "platform/pg/connection.h"
#include "ui/ddlrun.h"

#include <QDateTime>

using editorstest::EditorTest;
using editorstest::RunnerDriver;

namespace tablerecreatetest {

// What must survive a re-creation of tbl_re.item, one text row each; column order is not
// part of it.
const QStringList Facts {
    "SELECT id, seq_no, name, note, price, price_tax FROM tbl_re.item ORDER BY id",
    "SELECT attname, format_type(atttypid, atttypmod), attnotnull, attidentity, attgenerated, "
    "pg_get_expr(d.adbin, d.adrelid), col_description(attrelid, attnum), attacl::text "
    "FROM pg_attribute a LEFT JOIN pg_attrdef d ON d.adrelid = a.attrelid AND d.adnum = a.attnum "
    "WHERE attrelid = 'tbl_re.item'::regclass AND attnum > 0 AND NOT attisdropped ORDER BY 1",
    "SELECT obj_description('tbl_re.item'::regclass, 'pg_class'), relrowsecurity, "
    "relforcerowsecurity, pg_get_userbyid(relowner) FROM pg_class WHERE oid = "
    "'tbl_re.item'::regclass",
    "SELECT pg_get_userbyid(grantor), pg_get_userbyid(grantee), privilege_type, is_grantable "
    "FROM pg_class, aclexplode(relacl) WHERE oid = 'tbl_re.item'::regclass ORDER BY 1, 2, 3",
    "SELECT conrelid::regclass::text, conname, pg_get_constraintdef(oid), "
    "obj_description(oid, 'pg_constraint') FROM pg_constraint "
    "WHERE conrelid = 'tbl_re.item'::regclass OR confrelid = 'tbl_re.item'::regclass ORDER BY 1, 2",
    "SELECT indexrelid::regclass::text, pg_get_indexdef(indexrelid) FROM pg_index "
    "WHERE indrelid = 'tbl_re.item'::regclass ORDER BY 1",
    "SELECT tgname, pg_get_triggerdef(oid), tgenabled FROM pg_trigger "
    "WHERE tgrelid = 'tbl_re.item'::regclass AND NOT tgisinternal ORDER BY 1",
    "SELECT polname, polcmd, polpermissive, polroles::text, pg_get_expr(polqual, polrelid) "
    "FROM pg_policy WHERE polrelid = 'tbl_re.item'::regclass ORDER BY 1",
    "SELECT c.oid::regclass::text, pg_get_viewdef(c.oid), c.reloptions::text, "
    "pg_get_userbyid(c.relowner), c.relacl::text, obj_description(c.oid, 'pg_class'), "
    "col_description(c.oid, 2) FROM pg_class c WHERE c.oid IN "
    "('tbl_re.item_priced'::regclass, 'tbl_re_other.item_names'::regclass) ORDER BY 1",
    "SELECT * FROM tbl_re_other.item_names ORDER BY id",
    "SELECT last_value, is_called FROM tbl_re.item_id_seq",
    "SELECT pg_get_serial_sequence('tbl_re.item', 'id'), pg_get_serial_sequence('tbl_re.item', "
    "'seq_no')",
    "SELECT count(*) FROM pg_class WHERE relnamespace = 'tbl_re'::regnamespace "
    "AND relname LIKE 'item\\_%' AND relkind = 'r'",
};

class TableRecreate : public EditorTest
{
protected:
    QStringList facts() const
    {
        QStringList rows;
        for (const QString &sql : Facts) {
            rows << testsupport::queryColumn(db.conninfo(),
                                             "SELECT concat_ws(' | ', q.*) FROM (" + sql + ") q");
            rows << "----";
        }
        return rows;
    }

    QStringList columnOrder() const { return tabletest::columnNames(db, "tbl_re.item"); }

    TTableDefinition load(const QString &schema, const QString &name)
    {
        pg::Connection &c = *conn->dbsMain();
        return LoadTableDefinition(c, FindTableOid(c, schema, name));
    }

    static TTableEdit editOf(const TTableDefinition &def) { return tabletest::editOf(def); }

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

    TTableRecreateScript scriptFor(const TTableDefinition &def, const TTableEdit *edit)
    {
        TTableRecreateRequest request;
        request.Loaded = def;
        request.Edit = edit;
        request.Prefix = QuoteName(def.Schema) + ".";
        request.Backup = true;
        request.Now = QDateTime(QDate(2026, 12, 11), QTime(9, 30, 5));
        return TableRecreateScript(*conn->dbsMain(), request);
    }

    bool compile(const QStringList &script)
    {
        const ScopedDialogResponder yes([](DialogRequest &r) {
            return r.text == QStringLiteral("処理を中断しますか？") ? IDYES : IDOK;
        });
        RunnerDriver driver;
        TCompileRequest req;
        req.Schema = "tbl_re";
        req.ObjName = "item";
        req.ObjType = 45;
        req.AllOrNothing = true;
        const bool ok = RunCompileSequence(conn.get(), script, req);
        m_log = driver.lastLog;
        return ok;
    }

    QString m_log;
};

TEST_F(TableRecreate, MovedColumnKeepsRowsAndEveryDependent)
{
    const QStringList before = facts();
    const TTableDefinition def = load("tbl_re", "item");
    TTableEdit edit = editOf(def);
    move(edit, "price", 1);
    const TTableRecreateScript result = scriptFor(def, &edit);
    const QString text = result.Script.join('\n');
    for (const QString &statement : DdlStatements(result.Script)) {
        EXPECT_FALSE(statement.startsWith("DROP") && statement.contains("CASCADE"))
            << statement.toStdString();
        EXPECT_FALSE(statement.contains("COMMIT")) << statement.toStdString();
    }
    EXPECT_EQ(result.BackupName, "item_1211093005");
    EXPECT_FALSE(result.KeepsBackup);

    ASSERT_TRUE(compile(result.Script)) << m_log.toStdString();
    EXPECT_EQ(columnOrder(), QStringList({ "id", "price", "seq_no", "name", "note", "price_tax" }));
    EXPECT_EQ(facts(), before);
    // Both sequences go on where they stood.
    EXPECT_EQ(query("INSERT INTO tbl_re.item (name, price) VALUES ('釘', 5) "
                    "RETURNING id || ',' || seq_no"),
              "4,4");
    EXPECT_EQ(query("SELECT count(*) FROM tbl_re.line l JOIN tbl_re.item i ON i.id = l.item_id"),
              "2");
}

TEST_F(TableRecreate, RenamedAndMovedColumnsCopyFromTheirOldNames)
{
    const TTableDefinition def = load("tbl_re", "item");
    TTableEdit edit = editOf(def);
    for (TTableColumnEdit &row : edit.Columns) {
        if (row.Name == "name")
            row.Name = "title";
    }
    move(edit, "note", 2);
    const TTableRecreateScript result = scriptFor(def, &edit);
    ASSERT_TRUE(compile(result.Script)) << m_log.toStdString();
    EXPECT_EQ(columnOrder(),
              QStringList({ "id", "seq_no", "note", "title", "price", "price_tax" }));
    EXPECT_EQ(testsupport::queryColumn(db.conninfo(),
                                       "SELECT id || ' ' || title || ' ' || coalesce(note, '-') "
                                       "FROM tbl_re.item ORDER BY id"),
              QStringList({ "1 ボルト x", "2 ナット touched", "3 座金 z's" }));
    // The index and the views follow the new name.
    EXPECT_EQ(query("SELECT pg_get_indexdef('tbl_re.item_name_idx'::regclass)"),
              "CREATE INDEX item_name_idx ON tbl_re.item USING btree (title)");
    EXPECT_EQ(query("SELECT string_agg(name, ',' ORDER BY id) FROM tbl_re_other.item_names"),
              "ボルト,ナット,座金");
}

TEST_F(TableRecreate, AFailureAnywhereLeavesTheDatabaseAsItWas)
{
    const QStringList before = facts();
    const QStringList order = columnOrder();
    const TTableDefinition def = load("tbl_re", "item");
    TTableEdit edit = editOf(def);
    move(edit, "name", 1);
    QStringList script = scriptFor(def, &edit).Script;
    script << "SELECT 1 / 0"
           << ";";
    EXPECT_FALSE(compile(script));
    EXPECT_TRUE(m_log.contains("《エラー》")) << m_log.toStdString();
    // Seen from another session: nothing changed, no backup table left.
    EXPECT_EQ(columnOrder(), order);
    EXPECT_EQ(facts(), before);
}

TEST_F(TableRecreate, WhatCannotBePutBackRefusesBeforeAnythingRuns)
{
    // A column of another table has the table's row type.
    const TTableDefinition shape = load("tbl_re", "shape");
    TTableEdit edit = editOf(shape);
    move(edit, "y", 0);
    try {
        scriptFor(shape, &edit);
        ADD_FAILURE() << "re-creation of tbl_re.shape was not refused";
    } catch (const TableRecreateRefused &refused) {
        EXPECT_TRUE(refused.Reasons.join('\n').contains("drawing")) << refused.what();
    }

    // The table changed after it was loaded.
    const TTableDefinition item = load("tbl_re", "item");
    TTableEdit itemEdit = editOf(item);
    move(itemEdit, "price", 1);
    testsupport::queryColumn(db.conninfo(), "ALTER TABLE tbl_re.item ADD COLUMN extra integer");
    EXPECT_THROW(scriptFor(item, &itemEdit), TableRecreateRefused);

    // A partitioned table is never re-created.
    const TTableDefinition parted = load("tbl", "parted");
    EXPECT_THROW(scriptFor(parted, nullptr), TableRecreateRefused);
}

TEST(TableRecreateNames, BackupName)
{
    const QDateTime now(QDate(2026, 3, 4), QTime(5, 6, 7));
    EXPECT_EQ(BackupTableName("abcdefghijklmnopqrstuvwxy", now), "abcdefghijklmnopqrs_0304050607");
    EXPECT_EQ(BackupTableName("short", now), "short_0304050607");
    EXPECT_EQ(BackupTableName(QString::fromUtf8("テーブル"), now),
              QString::fromUtf8("テーブル_0304050607"));
}

} // namespace tablerecreatetest
