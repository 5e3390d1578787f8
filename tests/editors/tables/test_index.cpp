// The index editor against the fixture's indexes: the script equals the server's own
// definition, a tablespace change is an ALTER, other changes drop and re-create, one window
// per index, and names that differ only in case stay apart.
#include "editorstest.h"

#include "core/qvdialoghook.h"
#include "core/qvmsgbox.h"
#include "editors/tables/findex.h"
#include "editors/tables/idxdef.h"
#include "editors/tables/rstorage.h"
#include "ui/qvstdctl.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>

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
