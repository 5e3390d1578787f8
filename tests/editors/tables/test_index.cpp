// The index editor against the fixture's indexes: the script equals the server's own
// definition, a tablespace change is an ALTER, other changes drop and re-create, one window
// per index, and names that differ only in case stay apart.
#include "editorstest.h"

#include "core/qvdialoghook.h"
#include "core/qvmsgbox.h"
#include "editors/tables/findex.h"
#include "editors/tables/idxdef.h"
#include "editors/tables/rstorage.h"
#include "sqllang/qvmemo.h"
#include "ui/qvprinter.h"
#include "ui/qvstdctl.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

using editorstest::EditorTest;
using editorstest::RunnerDriver;

namespace indextest {

class IndexEditor : public EditorTest
{
protected:
    // The fixture's indexes: schema, name and the server's definition.
    QList<QStringList> fixtureIndexes() const
    {
        const QStringList rows = testsupport::queryColumn(
            db.conninfo(),
            "SELECT n.nspname || '|' || c.relname || '|' || pg_get_indexdef(c.oid) "
            "FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace "
            "WHERE c.relkind = 'i' AND n.nspname IN ('idx', 'sales', 'inv') ORDER BY 1");
        QList<QStringList> indexes;
        for (const QString &row : rows)
            indexes << row.split('|');
        return indexes;
    }
    int indexWindows() const { return main.findChildren<TfrmIndex *>().size(); }

    // Two tables of the test's own: idx.kept has a unique index that carries a comment, the
    // table's CLUSTER ON and its replica identity; idx.dup an index with a comment and CLUSTER
    // ON over a column whose values repeat, so that no unique index can be made on it.
    void makeKeptIndexes() const
    {
        db.exec("CREATE TABLE idx.kept (id integer NOT NULL, grp integer);"
                "INSERT INTO idx.kept VALUES (1, 1), (2, 1);"
                "CREATE UNIQUE INDEX kept_id ON idx.kept (id);"
                "COMMENT ON INDEX idx.kept_id IS '行の識別';"
                "ALTER TABLE idx.kept CLUSTER ON kept_id;"
                "ALTER TABLE idx.kept REPLICA IDENTITY USING INDEX kept_id;"
                "CREATE TABLE idx.dup (grp integer);"
                "INSERT INTO idx.dup VALUES (1), (1);"
                "CREATE INDEX dup_grp ON idx.dup (grp);"
                "COMMENT ON INDEX idx.dup_grp IS 'グループ';"
                "ALTER TABLE idx.dup CLUSTER ON dup_grp;");
    }
    // What a second connection reads of the index: comment | clustered | replica identity |
    // unique | storage parameters.
    QString indexState(const QString &index) const
    {
        return query(QStringLiteral("SELECT coalesce(obj_description(c.oid, 'pg_class'), '-') || "
                                    "'|' || i.indisclustered::text || '|' || "
                                    "i.indisreplident::text || '|' || i.indisunique::text || '|' "
                                    "|| coalesce(array_to_string(c.reloptions, ','), '-') "
                                    "FROM pg_class c JOIN pg_index i ON i.indexrelid = c.oid "
                                    "WHERE c.oid = '%1'::regclass")
                         .arg(index));
    }
};

TEST(IndexDefinitionText, Clauses)
{
    TIndexDefinition def;
    ASSERT_TRUE(ParseIndexDefinition(
        "CREATE UNIQUE INDEX i ON ONLY s.t USING btree (lower((a)::text), \"B,c\" DESC) "
        "INCLUDE (x, y) WITH (fillfactor='70') WHERE (a > ')')",
        "btree", def));
    EXPECT_TRUE(def.Only);
    EXPECT_EQ(def.Keys, QStringList({ "lower((a)::text)", "\"B,c\" DESC" }));
    EXPECT_EQ(def.Include, QStringList({ "x", "y" }));
    EXPECT_EQ(def.With, "fillfactor='70'");
    EXPECT_EQ(def.Where, "(a > ')')");
    EXPECT_EQ(JoinExpressionLines({ "lower(a),", "b" }), "lower(a),b");
    EXPECT_EQ(JoinExpressionLines({ "lower(a)", "", " b " }), "lower(a), b");
}

TEST_F(IndexEditor, ScriptEqualsServerDefinition)
{
    const QList<QStringList> indexes = fixtureIndexes();
    ASSERT_GE(indexes.size(), 13);
    for (const QStringList &index : indexes) {
        SCOPED_TRACE(index.at(1).toStdString());
        const QStringList lines = TfrmIndex::GetScript(conn.get(), index.at(0), index.at(1));
        ASSERT_FALSE(lines.isEmpty());
        EXPECT_EQ(lines.last(), ";");
        EXPECT_EQ(lines.filter(QRegularExpression("^TABLESPACE ")).size(), 1);
        QStringList statement;
        for (const QString &line : lines) {
            if (line != ";" && !line.startsWith("TABLESPACE "))
                statement << line;
        }
        EXPECT_EQ(statement.join(' ').toStdString(), index.at(2).toStdString());
    }
}

TEST_F(IndexEditor, MissingIndexScriptFails)
{
    EXPECT_THROW(TfrmIndex::GetScript(conn.get(), "idx", "no_such_index"), std::exception);
    // The name is not folded: "DOC_RECENT" is another name than doc_recent.
    EXPECT_THROW(TfrmIndex::GetScript(conn.get(), "idx", "DOC_RECENT"), std::exception);
}

TEST_F(IndexEditor, OpensEachIndexOnce)
{
    for (const QStringList &index : fixtureIndexes()) {
        SCOPED_TRACE(index.at(1).toStdString());
        TfrmIndex *window = TfrmIndex::Open(conn.get(), index.at(0), index.at(1));
        ASSERT_NE(window, nullptr);
        EXPECT_FALSE(window->Modified());
        EXPECT_TRUE(window->GetChangeScript().isEmpty());
        EXPECT_EQ(TfrmIndex::Open(conn.get(), index.at(0), index.at(1)), nullptr);
    }
    EXPECT_EQ(indexWindows(), fixtureIndexes().size());
}

TEST_F(IndexEditor, TablespaceChangeIsAlter)
{
    TfrmIndex *window = TfrmIndex::Open(conn.get(), "idx", "doc_recent");
    ASSERT_NE(window, nullptr);
    window->fraStorage->cmbTBS->setEditText("pg_global");
    EXPECT_EQ(window->GetChangeScript(),
              QStringList({ "ALTER INDEX idx.doc_recent SET TABLESPACE pg_global", ";" }));
}

TEST_F(IndexEditor, UniqueToggleRecreatesKeepingClauses)
{
    TfrmIndex *window = TfrmIndex::Open(conn.get(), "idx", "doc_recent");
    ASSERT_NE(window, nullptr);
    window->chkUnique->click();
    EXPECT_TRUE(window->Modified());
    const QStringList script = window->GetChangeScript();
    EXPECT_EQ(script,
              QStringList({ "DROP INDEX idx.doc_recent", ";", "CREATE UNIQUE INDEX doc_recent",
                            "ON idx.doc", "USING btree", "(created)", "TABLESPACE pg_default",
                            "WHERE (score > (0)::numeric)", ";" }));
    RunnerDriver driver;
    window->actCompile->trigger();
    EXPECT_EQ(query("SELECT pg_get_indexdef('idx.doc_recent'::regclass)"),
              "CREATE UNIQUE INDEX doc_recent ON idx.doc USING btree (created) WHERE (score > "
              "(0)::numeric)");
    EXPECT_FALSE(window->Modified());
    EXPECT_TRUE(window->chkUnique->isChecked());
}

// Dropping an index takes its comment, the table's CLUSTER ON and the replica identity with
// it: the re-creation puts each back in the same transaction, from either page.
TEST_F(IndexEditor, RecreationPutsBackCommentClusterAndReplicaIdentity)
{
    makeKeptIndexes();
    const struct
    {
        const char *name;
        bool sourcePage;
        QString expected;
    } cases[] = {
        { "definition page", false, "行の識別|true|true|true|fillfactor=70" },
        { "source page", true, "行の識別|true|true|true|-" },
    };
    TfrmIndex *window = TfrmIndex::Open(conn.get(), "idx", "kept_id");
    ASSERT_NE(window, nullptr);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(window->Attachments().Comment, "行の識別");
        EXPECT_TRUE(window->Attachments().Clustered);
        EXPECT_TRUE(window->Attachments().ReplicaIdentity);
        if (c.sourcePage) {
            window->pagObject->setCurrentWidget(window->tabSource);
            QString text = window->txtSource->text();
            ASSERT_TRUE(text.contains("WITH (fillfactor='70')")) << text.toStdString();
            window->txtSource->setText(text.remove("WITH (fillfactor='70')\n"));
            window->setModified(true);
        } else {
            window->txtWith->setFocus();
            QTest::keyClicks(window->txtWith, "fillfactor=70");
            const QStringList script = window->GetChangeScript();
            EXPECT_EQ(
                script.mid(script.size() - 6),
                QStringList({ "COMMENT ON INDEX idx.kept_id IS '行の識別'", ";",
                              "ALTER TABLE idx.kept CLUSTER ON kept_id", ";",
                              "ALTER TABLE idx.kept REPLICA IDENTITY USING INDEX kept_id", ";" }))
                << script.join('\n').toStdString();
        }
        RunnerDriver driver;
        window->actCompile->trigger();
        EXPECT_FALSE(driver.lastLog.contains("《エラー》")) << driver.lastLog.toStdString();
        EXPECT_EQ(indexState("idx.kept_id"), c.expected);
        // Reloaded: the window shows the new index with what it carries.
        EXPECT_FALSE(window->Modified());
        EXPECT_EQ(window->Attachments().Comment, "行の識別");
    }
}

// The DROP and the CREATE stand together: a CREATE that fails, and "go on" after it, leave the
// index as it was, with what it carries, and the log says that nothing was kept.
TEST_F(IndexEditor, FailedRecreationAfterContinueKeepsTheIndex)
{
    makeKeptIndexes();
    const QString before = indexState("idx.dup_grp");
    ASSERT_EQ(before, "グループ|true|false|false|-");
    TfrmIndex *window = TfrmIndex::Open(conn.get(), "idx", "dup_grp");
    ASSERT_NE(window, nullptr);
    window->chkUnique->click(); // the values repeat: CREATE UNIQUE INDEX fails
    QStringList messages;
    const ScopedDialogResponder answer([&messages](DialogRequest &r) {
        messages << r.text;
        return IDOK;
    });
    RunnerDriver driver([](TfrmDDLExec *runner) {
        QTest::mouseClick(runner->findChild<QPushButton *>(QStringLiteral("btnOK")),
                          Qt::LeftButton);
    });
    window->actCompile->trigger();
    EXPECT_GE(driver.stops, 1);
    EXPECT_TRUE(
        driver.lastLog.contains("ROLLBACK\nエラーがあったため、すべての変更を取り消しました。"))
        << driver.lastLog.toStdString();
    EXPECT_EQ(indexState("idx.dup_grp"), before);
    EXPECT_EQ(query("SELECT pg_get_indexdef('idx.dup_grp'::regclass)"),
              "CREATE INDEX dup_grp ON idx.dup USING btree (grp)");
    EXPECT_TRUE(window->Modified());
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    EXPECT_FALSE(conn->dbsMain()->inTransaction());
}

// What cannot be put back is refused before anything runs: the replica identity needs a
// unique index.
TEST_F(IndexEditor, ReplicaIdentityIndexStaysUnique)
{
    makeKeptIndexes();
    TfrmIndex *window = TfrmIndex::Open(conn.get(), "idx", "kept_id");
    ASSERT_NE(window, nullptr);
    window->chkUnique->click();
    QStringList messages;
    const ScopedDialogResponder answer([&messages](DialogRequest &r) {
        messages << r.text;
        return IDOK;
    });
    RunnerDriver driver;
    window->actCompile->trigger();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages.first().startsWith("索引を再作成できません。"))
        << messages.first().toStdString();
    EXPECT_TRUE(messages.first().contains("REPLICA IDENTITY")) << messages.first().toStdString();
    EXPECT_TRUE(driver.lastLog.isEmpty()) << driver.lastLog.toStdString();
    EXPECT_EQ(indexState("idx.kept_id"), "行の識別|true|true|true|-");
}

TEST(IndexDefinitionText, AttachmentsPutBackAfterTheCreate)
{
    TIndexDefinition old;
    old.Schema = "My Schema";
    old.Name = "Idx";
    old.TableSchema = "My Schema";
    old.TableName = "t";
    old.Keys = { "a" };
    TIndexDefinition now = old;
    now.Unique = true;
    TIndexAttachments kept;
    kept.Comment = "it's\nhere";
    kept.Clustered = true;
    kept.ReplicaIdentity = true;
    TIndexScriptOptions options;
    options.TablePrefix = "\"My Schema\".";
    options.WithTablespace = false;
    EXPECT_EQ(
        IndexChangeScript(old, now, options, options.TablePrefix, kept),
        QStringList({ "DROP INDEX \"My Schema\".\"Idx\"", ";", "CREATE UNIQUE INDEX \"Idx\"",
                      "ON \"My Schema\".t", "USING btree", "(a)", ";",
                      "COMMENT ON INDEX \"My Schema\".\"Idx\" IS E'it''s\\nhere'", ";",
                      "ALTER TABLE \"My Schema\".t CLUSTER ON \"Idx\"", ";",
                      "ALTER TABLE \"My Schema\".t REPLICA IDENTITY USING INDEX \"Idx\"", ";" }));
    // Nothing to put back: the script is the drop and the create alone.
    EXPECT_EQ(IndexChangeScript(old, now, options, options.TablePrefix).size(), 7);
    // Refusals name what could not be put back.
    TIndexDefinition partial = now;
    partial.Unique = false;
    partial.Where = "(a > 0)";
    partial.Method = "hash";
    EXPECT_EQ(IndexAttachmentRefusals(partial, kept).size(), 4);
    EXPECT_TRUE(IndexAttachmentRefusals(now, kept).isEmpty());
    EXPECT_TRUE(IndexAttachmentRefusals(partial, {}).isEmpty());
}

TEST_F(IndexEditor, CaseDistinctNamesStayApart)
{
    TfrmIndex *upper = TfrmIndex::Open(conn.get(), "idx", "Doc_Mixed");
    ASSERT_NE(upper, nullptr);
    ASSERT_EQ(upper->lstIdxCol->count(), 1);
    EXPECT_EQ(upper->lstIdxCol->item(0)->text(), "doc_id");
    TfrmIndex *lower = TfrmIndex::Open(conn.get(), "idx", "doc_mixed");
    ASSERT_NE(lower, nullptr);
    EXPECT_EQ(lower->lstIdxCol->item(0)->text(), "title");
    const ScopedDialogResponder yes(
        [](DialogRequest &r) { return r.buttons.contains(IDYES) ? IDYES : IDOK; });
    upper->actDelete->trigger();
    EXPECT_EQ(query("SELECT count(*) FROM pg_class WHERE relname = 'Doc_Mixed'"), "0");
    EXPECT_EQ(query("SELECT count(*) FROM pg_class WHERE relname = 'doc_mixed'"), "1");
}

} // namespace indextest

namespace indextest {

// The index window's output button drops down print and save, and printing writes the index's
// CREATE script under schema.name.
TEST_F(IndexEditor, OutputMenuPrintsTheCreateScript)
{
    TfrmIndex *window = TfrmIndex::Open(conn.get(), "idx", "doc_recent");
    ASSERT_NE(window, nullptr);
    ASSERT_NE(window->actOutput, nullptr);
    ASSERT_NE(window->popOutput, nullptr);
    EXPECT_EQ(window->popOutput->actions(),
              QList<QAction *>({ window->actPrint, window->actSave }));
    EXPECT_EQ(window->actPrint->text(), "印刷(&P)");
    window->PrintProc();
    ASSERT_GT(prtData().PageCount(), 0);
    const QString page = prtData().GetPage(0).texts().join('\n');
    EXPECT_TRUE(page.startsWith("idx.doc_recent")) << page.toStdString();
    EXPECT_TRUE(page.contains("CREATE INDEX doc_recent")) << page.toStdString();
}

} // namespace indextest
