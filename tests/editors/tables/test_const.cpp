// The constraint editor against the fixture's constraints (schemas cns and cns_ref): every kind
// reads back and re-creates to the same pg_get_constraintdef, changes apply exactly what was
// changed, a failing re-creation leaves the old constraint in place, and names that differ only
// in case stay apart.
#include "editorstest.h"

#include "core/qvdialoghook.h"
#include "core/qvmsgbox.h"
#include "editors/tables/constdef.h"
#include "editors/tables/fconst.h"
#include "editors/tables/rstorage.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTableWidget>

using editorstest::EditorTest;
using editorstest::RunnerDriver;

namespace consttest {

// Scripts compare as text, so that a failure shows the lines.
std::string lines(const QStringList &script)
{
    return script.join('\n').toStdString();
}

TEST(ConstraintText, Clauses)
{
    struct Case
    {
        const char *name;
        TConstraintDefinition def;
        QString clause;
    };
    TConstraintDefinition check;
    check.Type = QLatin1Char('c');
    check.Check = "a > 0";
    TConstraintDefinition both = check;
    both.Check = "(a > 0) AND (b > 0)";
    TConstraintDefinition loaded = check;
    loaded.Check = "(a > 0)";
    TConstraintDefinition comment = check;
    comment.Check = "a > 0 -- positive";
    TConstraintDefinition fk;
    fk.Type = QLatin1Char('f');
    fk.Columns = QStringList { "x", "y" };
    fk.RefSchema = "s2";
    fk.RefTable = "t2";
    fk.RefColumns = QStringList { "a", "b" };
    fk.DeleteAction = QLatin1Char('c');
    TConstraintDefinition full = fk;
    full.Match = QLatin1Char('f');
    full.UpdateAction = QLatin1Char('r');
    full.DeleteAction = QLatin1Char('n');
    full.DeleteSetColumns = QStringList { "Y" };
    TConstraintDefinition pk;
    pk.Type = QLatin1Char('p');
    pk.Columns = QStringList { "id", "Part" };
    pk.Include = QStringList { "q" };
    pk.IndexWith = QStringList { "fillfactor='80'" };
    TConstraintDefinition ex;
    ex.Type = QLatin1Char('x');
    ex.Method = "btree";
    ex.Elements = { { "lower(code)", QString(), "ASC", "LAST", "=" },
                    { "note", "text_pattern_ops", "DESC", "LAST", "=" } };
    TConstraintDefinition gist;
    gist.Type = QLatin1Char('x');
    gist.Method = "gist";
    gist.Elements = { { "r", QString(), QString(), QString(), "&&" } };
    const Case cases[] = {
        { "typed check", check, "CHECK (a > 0)" },
        // Starts and ends with a bracket and is still two bracketed terms.
        { "two bracketed terms", both, "CHECK ((a > 0) AND (b > 0))" },
        { "loaded check", loaded, "CHECK ((a > 0))" },
        { "line comment", comment, "CHECK (a > 0 -- positive\n)" },
        { "foreign key", fk,
          "FOREIGN KEY (x, y) REFERENCES s2.t2(a, b) ON UPDATE NO ACTION ON DELETE CASCADE" },
        { "match full", full,
          "FOREIGN KEY (x, y) REFERENCES s2.t2(a, b) MATCH FULL ON UPDATE RESTRICT ON DELETE "
          "SET NULL (\"Y\")" },
        { "primary key", pk, "PRIMARY KEY (id, \"Part\") INCLUDE (q) WITH (fillfactor='80')" },
        { "btree exclusion", ex,
          "EXCLUDE USING btree (lower(code) ASC NULLS LAST WITH =, note text_pattern_ops DESC "
          "NULLS LAST WITH =)" },
        { "gist exclusion", gist, "EXCLUDE USING gist (r WITH &&)" },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ConstraintClause(c.def).toStdString(), c.clause.toStdString());
    }
}

TEST(ConstraintText, ExcludeElements)
{
    struct Case
    {
        QString text;
        QString key;
        bool ok;
        TExcludeElement element;
    };
    const Case cases[] = {
        { "r WITH &&", "r", true, { "r", {}, {}, {}, "&&" } },
        { "lower(code) WITH =", "lower(code)", true, { "lower(code)", {}, {}, {}, "=" } },
        { "(a + b) WITH =", "(a + b)", true, { "(a + b)", {}, {}, {}, "=" } },
        { "note COLLATE \"C\" text_pattern_ops DESC NULLS LAST WITH =",
          "note",
          true,
          { "note COLLATE \"C\"", "text_pattern_ops", "DESC", "LAST", "=" } },
        { "\"Odd Name\" WITH OPERATOR(public.===)",
          "\"Odd Name\"",
          true,
          { "\"Odd Name\"", {}, {}, {}, "OPERATOR(public.===)" } },
        { "t gist_trgm_ops (siglen='32') WITH %",
          "t",
          true,
          { "t", "gist_trgm_ops (siglen='32')", {}, {}, "%" } },
        { "r WITH &&", "s", false, {} },
        { "r something odd here WITH &&", "r", false, {} },
        { "r", "r", false, {} },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        TExcludeElement element;
        EXPECT_EQ(ParseExcludeElement(c.text, c.key, element), c.ok);
        if (c.ok) {
            EXPECT_EQ(element, c.element);
        }
    }
}

class ConstraintEditor : public EditorTest
{
protected:
    QString serverDef(const QString &table, const QString &name) const
    {
        return query(QStringLiteral("SELECT pg_get_constraintdef(c.oid) FROM pg_constraint c "
                                    "WHERE c.conrelid = '%1'::regclass AND c.conname = '%2'")
                         .arg(table, name));
    }
    // What a re-creation must keep besides the definition text: the index's tablespace and
    // storage parameters, and the comment.
    QString extras(const QString &table, const QString &name) const
    {
        return query(
            QStringLiteral("SELECT coalesce(t.spcname, '-') || '|' || "
                           "coalesce(array_to_string(i.reloptions, ','), '-') || '|' || "
                           "coalesce(obj_description(c.oid, 'pg_constraint'), '-') "
                           "FROM pg_constraint c LEFT JOIN pg_class i ON i.oid = c.conindid "
                           "AND c.contype <> 'f' LEFT JOIN pg_tablespace t ON t.oid = "
                           "i.reltablespace WHERE c.conrelid = '%1'::regclass AND c.conname = '%2'")
                .arg(table, name));
    }
    TfrmConst *open(const QString &schema, const QString &name, const QString &table)
    {
        TfrmConst *window = TfrmConst::Open(conn.get(), schema, name, table);
        EXPECT_NE(window, nullptr) << name.toStdString();
        return window;
    }
    // Compiles the window as it stands (the compile command is enabled while modified).
    void compile(TfrmConst *window)
    {
        RunnerDriver driver;
        window->setModified(true);
        window->actCompile->trigger();
        lastLog = driver.lastLog;
    }
    QString lastLog;
};

// Every constraint of the fixture table re-created unchanged: the same statements as the server
// would write, and the same definition, tablespace, storage parameters and comment afterwards.
TEST_F(ConstraintEditor, UnchangedCompileKeepsDefinition)
{
    struct Case
    {
        const char *name;
        QStringList body; // the lines after ADD CONSTRAINT
    };
    const Case cases[] = {
        { "item_pk", { "PRIMARY KEY (id)", "USING INDEX", "TABLESPACE pg_default" } },
        { "item_ab_key",
          { "UNIQUE (a, b) INCLUDE (q) WITH (fillfactor='80')", "USING INDEX",
            "TABLESPACE pg_default" } },
        { "item_parent_fk",
          { "FOREIGN KEY (p1, p2) REFERENCES cns_ref.parent(a, b) ON UPDATE CASCADE ON DELETE "
            "SET NULL" } },
        { "item_parent_full",
          { "FOREIGN KEY (p2, p1) REFERENCES cns_ref.parent(b, a) MATCH FULL ON UPDATE NO "
            "ACTION ON DELETE NO ACTION",
            "DEFERRABLE INITIALLY DEFERRED" } },
        { "item_q_fk",
          { "FOREIGN KEY (q) REFERENCES cns_ref.parent(c) ON UPDATE NO ACTION ON DELETE CASCADE",
            "NOT VALID" } },
        { "item_a_check", { "CHECK ((a > 0))" } },
        { "item_ab_check", { "CHECK (((a > 0) AND (b > 0)))", "NO INHERIT" } },
        { "item_r_excl",
          { "EXCLUDE USING gist (r WITH &&)", "USING INDEX", "TABLESPACE pg_default" } },
        { "item_code_excl",
          { "EXCLUDE USING btree (lower(code) ASC NULLS LAST WITH =, note text_pattern_ops DESC "
            "NULLS LAST WITH =) INCLUDE (b)",
            "USING INDEX", "TABLESPACE pg_default", "WHERE ((a > 10))" } },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString before = serverDef("cns.item", c.name);
        const QString extrasBefore = extras("cns.item", c.name);
        ASSERT_FALSE(before.isEmpty());
        TfrmConst *window = open("cns", c.name, "item");
        ASSERT_NE(window, nullptr);
        EXPECT_FALSE(window->Modified());
        EXPECT_TRUE(window->Loaded().Unsupported.isEmpty());
        QStringList expected {
            QStringLiteral("ALTER TABLE cns.item DROP CONSTRAINT %1").arg(c.name), ";",
            QStringLiteral("ALTER TABLE cns.item ADD CONSTRAINT %1").arg(c.name)
        };
        expected << c.body << ";";
        if (QLatin1String(c.name) == QLatin1String("item_a_check"))
            expected << "COMMENT ON CONSTRAINT item_a_check ON cns.item IS 'a は正'"
                     << ";";
        EXPECT_EQ(window->GetChangeScript().join('\n').toStdString(),
                  expected.join('\n').toStdString());
        compile(window);
        EXPECT_EQ(serverDef("cns.item", c.name).toStdString(), before.toStdString());
        EXPECT_EQ(extras("cns.item", c.name).toStdString(), extrasBefore.toStdString());
        EXPECT_FALSE(window->Modified());
        window->close();
    }
}

// The key's index in a tablespace of its own (an in-place tablespace of the test cluster): kept
// by an unchanged compile, and moved by an ALTER INDEX when only the tablespace changes.
TEST_F(ConstraintEditor, KeyInTablespace)
{
    const QString space = testsupport::uniqueName("corvane_cns_space");
    // An in-place tablespace lives under the cluster's own folder: no folder to prepare.
    const QString admin
        = testsupport::conninfo("postgres") + " options='-c allow_in_place_tablespaces=on'";
    testsupport::exec(admin, "CREATE TABLESPACE " + space + " LOCATION ''");
    struct DropSpace
    {
        const testsupport::TestDatabase &db;
        QString space;
        ~DropSpace()
        {
            try {
                db.exec("ALTER INDEX cns.item_pk SET TABLESPACE pg_default");
                testsupport::exec(testsupport::conninfo("postgres"), "DROP TABLESPACE " + space);
            } catch (...) { }
        }
    } dropSpace { db, space };
    db.exec("ALTER INDEX cns.item_pk SET TABLESPACE " + space);
    TfrmConst *window = open("cns", "item_pk", "item");
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->Loaded().Tablespace, space);
    EXPECT_EQ(window->fraStorage->cmbTBS->currentText(), space);
    const QStringList script = window->GetChangeScript();
    EXPECT_TRUE(script.contains("TABLESPACE " + space)) << script.join('\n').toStdString();
    compile(window);
    EXPECT_EQ(query("SELECT t.spcname FROM pg_class c JOIN pg_tablespace t ON t.oid = "
                    "c.reltablespace WHERE c.oid = 'cns.item_pk'::regclass"),
              space);
    window->fraStorage->cmbTBS->setEditText("pg_default");
    EXPECT_EQ(lines(window->GetChangeScript()),
              lines({ "ALTER INDEX cns.item_pk SET TABLESPACE pg_default", ";" }));
    compile(window);
    EXPECT_EQ(query("SELECT reltablespace FROM pg_class WHERE oid = 'cns.item_pk'::regclass"), "0");
    EXPECT_EQ(serverDef("cns.item", "item_pk"), "PRIMARY KEY (id)");
}

// The referenced index is the key's own: two keys to one table show their own indexes and
// column pairs.
TEST_F(ConstraintEditor, ForeignKeysToOneTable)
{
    struct Case
    {
        const char *name;
        QString index;
        QStringList refColumns;
        QStringList columns;
        QChar update, del, match;
        bool deferrable, deferred, notValid;
    };
    const Case cases[] = {
        { "item_parent_fk",
          "parent_pk",
          { "a", "b" },
          { "p1", "p2" },
          'c',
          'n',
          's',
          false,
          false,
          false },
        { "item_parent_full",
          "parent_pk",
          { "b", "a" },
          { "p2", "p1" },
          'a',
          'a',
          'f',
          true,
          true,
          false },
        { "item_q_fk", "parent_c_key", { "c" }, { "q" }, 'a', 'c', 's', false, false, true },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TfrmConst *window = open("cns", c.name, "item");
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(window->cmbConstType->currentText(), "FOREIGN KEY");
        EXPECT_EQ(window->cmbRefSchema->currentText(), "cns_ref");
        EXPECT_EQ(window->cmbRefTable->currentText(), "parent");
        EXPECT_EQ(window->cmbRefIndex->currentText(), c.index);
        const TConstraintDefinition def = window->Current();
        EXPECT_EQ(def.RefColumns, c.refColumns);
        EXPECT_EQ(def.Columns, c.columns);
        EXPECT_EQ(def.UpdateAction, c.update);
        EXPECT_EQ(def.DeleteAction, c.del);
        EXPECT_EQ(def.Match, c.match);
        EXPECT_EQ(window->chkDeferrable->isChecked(), c.deferrable);
        EXPECT_EQ(window->chkInitiallyDeferred->isChecked(), c.deferred);
        EXPECT_EQ(window->chkNotValid->isChecked(), c.notValid);
        EXPECT_EQ(window->grdForeign->item(0, 0)->text(), c.refColumns.first());
        window->close();
    }
}

TEST_F(ConstraintEditor, ChangesApplyExactly)
{
    {
        SCOPED_TRACE("typed check with two bracketed terms");
        TfrmConst *window = open("cns", "item_a_check", "item");
        ASSERT_NE(window, nullptr);
        window->txtCheck->setPlainText("(a > 0) AND (b > 0)");
        EXPECT_EQ(lines(window->GetChangeScript()),
                  lines({ "ALTER TABLE cns.item DROP CONSTRAINT item_a_check", ";",
                          "ALTER TABLE cns.item ADD CONSTRAINT item_a_check",
                          "CHECK ((a > 0) AND (b > 0))", ";",
                          "COMMENT ON CONSTRAINT item_a_check ON cns.item IS 'a は正'", ";" }));
        compile(window);
        EXPECT_EQ(serverDef("cns.item", "item_a_check"), "CHECK (((a > 0) AND (b > 0)))");
        EXPECT_EQ(extras("cns.item", "item_a_check"), "-|-|a は正");
        window->close();
    }
    {
        SCOPED_TRACE("comment alone");
        TfrmConst *window = open("cns", "item_ab_key", "item");
        ASSERT_NE(window, nullptr);
        window->txtComment->setText("a と b の組");
        EXPECT_EQ(lines(window->GetChangeScript()),
                  lines({ "COMMENT ON CONSTRAINT item_ab_key ON cns.item IS 'a と b の組'", ";" }));
        compile(window);
        EXPECT_EQ(extras("cns.item", "item_ab_key"), "-|fillfactor=80|a と b の組");
        window->close();
    }
    {
        SCOPED_TRACE("foreign key action and deferral");
        TfrmConst *window = open("cns", "item_parent_fk", "item");
        ASSERT_NE(window, nullptr);
        window->rdoDeleteAction->findChild<QRadioButton *>("rdoDeleteAction2")->click();
        window->chkInitiallyDeferred->click();
        EXPECT_TRUE(window->chkDeferrable->isChecked());
        EXPECT_EQ(lines(window->GetChangeScript()),
                  lines({ "ALTER TABLE cns.item DROP CONSTRAINT item_parent_fk", ";",
                          "ALTER TABLE cns.item ADD CONSTRAINT item_parent_fk",
                          "FOREIGN KEY (p1, p2) REFERENCES cns_ref.parent(a, b) ON UPDATE "
                          "CASCADE ON DELETE CASCADE",
                          "DEFERRABLE INITIALLY DEFERRED", ";" }));
        compile(window);
        EXPECT_EQ(serverDef("cns.item", "item_parent_fk"),
                  "FOREIGN KEY (p1, p2) REFERENCES cns_ref.parent(a, b) ON UPDATE CASCADE ON "
                  "DELETE CASCADE DEFERRABLE INITIALLY DEFERRED");
        window->close();
    }
    {
        SCOPED_TRACE("a key's column list");
        TfrmConst *window = open("cns", "item_ab_key", "item");
        ASSERT_NE(window, nullptr);
        window->lstIdxCol->item(1)->setSelected(true);
        window->btnDelClick();
        EXPECT_EQ(lines(window->GetChangeScript()),
                  lines({ "ALTER TABLE cns.item DROP CONSTRAINT item_ab_key", ";",
                          "ALTER TABLE cns.item ADD CONSTRAINT item_ab_key",
                          "UNIQUE (a) INCLUDE (q) WITH (fillfactor='80')", "USING INDEX",
                          "TABLESPACE pg_default", ";",
                          "COMMENT ON CONSTRAINT item_ab_key ON cns.item IS 'a と b の組'", ";" }));
        compile(window);
        EXPECT_EQ(serverDef("cns.item", "item_ab_key"), "UNIQUE (a) INCLUDE (q)");
        window->close();
    }
    {
        SCOPED_TRACE("exclusion operator class and predicate");
        TfrmConst *window = open("cns", "item_code_excl", "item");
        ASSERT_NE(window, nullptr);
        window->grdExclude->item(1, 3)->setText("text_ops");
        window->txtWhere->setText("(a > 20)");
        compile(window);
        EXPECT_EQ(serverDef("cns.item", "item_code_excl"),
                  "EXCLUDE USING btree (lower(code) WITH =, note DESC NULLS LAST WITH =) INCLUDE "
                  "(b) WHERE ((a > 20))");
        window->close();
    }
}

// The DROP and the ADD stand together: when the ADD fails and the user goes on, nothing is
// committed and the old constraint stays.
TEST_F(ConstraintEditor, FailedAddKeepsOldConstraint)
{
    const QString before = serverDef("cns.item", "item_q_fk");
    TfrmConst *window = open("cns", "item_q_fk", "item");
    ASSERT_NE(window, nullptr);
    // Row 2 has q = 9, which the parent does not hold: the validated key cannot be added.
    window->chkNotValid->click();
    window->rdoDeleteAction->findChild<QRadioButton *>("rdoDeleteAction1")->click();
    ASSERT_EQ(window->GetChangeScript().first(), "ALTER TABLE cns.item DROP CONSTRAINT item_q_fk");
    RunnerDriver driver([](TfrmDDLExec *runner) { runner->btnOK->click(); });
    window->actCompile->trigger();
    EXPECT_EQ(driver.stops, 1);
    EXPECT_TRUE(driver.lastLog.contains("ROLLBACK")) << driver.lastLog.toStdString();
    EXPECT_EQ(serverDef("cns.item", "item_q_fk"), before);
    EXPECT_TRUE(window->Modified());
    EXPECT_FALSE(conn->dbsMain()->inTransaction());
}

// Dropping a key takes its index's comment, the table's CLUSTER ON and the replica identity
// with it: the constraint added again gets each back in the same transaction.
TEST_F(ConstraintEditor, KeyRecreationPutsBackWhatItsIndexCarried)
{
    db.exec("CREATE TABLE cns.kept (a integer NOT NULL, b integer NOT NULL, c integer NOT NULL,"
            "  CONSTRAINT kept_a_key UNIQUE (a));"
            "COMMENT ON INDEX cns.kept_a_key IS '一意索引';"
            "ALTER TABLE cns.kept CLUSTER ON kept_a_key;"
            "ALTER TABLE cns.kept REPLICA IDENTITY USING INDEX kept_a_key;"
            "CREATE TABLE cns.kept_pk (id integer PRIMARY KEY, n integer NOT NULL);"
            "COMMENT ON INDEX cns.kept_pk_pkey IS '主キー索引';"
            "ALTER TABLE cns.kept_pk CLUSTER ON kept_pk_pkey;");
    const struct
    {
        const char *table;
        const char *name;
        const char *include;
        QString definition;
        QString carried; // comment | clustered | replica identity
    } cases[] = {
        { "kept", "kept_a_key", "c", "UNIQUE (a) INCLUDE (c)", "一意索引|true|true" },
        { "kept_pk", "kept_pk_pkey", "n", "PRIMARY KEY (id) INCLUDE (n)", "主キー索引|true|false" },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const QString table = QStringLiteral("cns.") + c.table;
        const QString carried
            = QStringLiteral(
                  "SELECT coalesce(obj_description(i.indexrelid, 'pg_class'), '-') || '|' || "
                  "i.indisclustered::text || '|' || i.indisreplident::text FROM pg_index i "
                  "WHERE i.indexrelid = 'cns.%1'::regclass")
                  .arg(c.name);
        ASSERT_EQ(query(carried), c.carried);
        TfrmConst *window = open("cns", c.name, c.table);
        ASSERT_NE(window, nullptr);
        window->txtInclude->setText(c.include);
        const QStringList script = window->GetChangeScript();
        ASSERT_EQ(script.first(),
                  QStringLiteral("ALTER TABLE %1 DROP CONSTRAINT %2").arg(table, c.name));
        compile(window);
        EXPECT_FALSE(lastLog.contains("《エラー》")) << lastLog.toStdString();
        EXPECT_EQ(serverDef(table, c.name), c.definition);
        EXPECT_EQ(query(carried), c.carried);
        window->close();
    }
}

TEST_F(ConstraintEditor, ExclusionElementsAsWritten)
{
    TfrmConst *window = open("cns", "item_code_excl", "item");
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->cmbAccessMethod->currentText(), "BTREE");
    const TConstraintDefinition def = window->Loaded();
    ASSERT_EQ(def.Elements.size(), 2);
    EXPECT_EQ(def.Elements.at(0), (TExcludeElement { "lower(code)", {}, "ASC", "LAST", "=" }));
    EXPECT_EQ(def.Elements.at(1),
              (TExcludeElement { "note", "text_pattern_ops", "DESC", "LAST", "=" }));
    EXPECT_EQ(def.Include, QStringList { "b" });
    EXPECT_EQ(def.Where, "((a > 10))");
    EXPECT_EQ(window->txtExcludeInclude->text(), "b");
    TfrmConst *gist = open("cns", "item_r_excl", "item");
    ASSERT_NE(gist, nullptr);
    EXPECT_EQ(gist->Loaded().Elements, QList<TExcludeElement>({ { "r", {}, {}, {}, "&&" } }));
    // Sort and NULL order are B-tree's: grey and closed for GiST.
    EXPECT_FALSE(gist->grdExclude->item(0, 1)->flags() & Qt::ItemIsEditable);
    EXPECT_TRUE(gist->grdExclude->item(0, 3)->flags() & Qt::ItemIsEditable);
    EXPECT_TRUE(window->grdExclude->item(0, 1)->flags() & Qt::ItemIsEditable);
}

TEST_F(ConstraintEditor, ScriptWithoutWindow)
{
    const int windows = main.findChildren<TfrmConst *>().size();
    EXPECT_EQ(lines(TfrmConst::GetScript(conn.get(), "cns", "item_a_check", "item")),
              lines({ "ALTER TABLE cns.item ADD CONSTRAINT item_a_check", "CHECK ((a > 0))", ";",
                      "COMMENT ON CONSTRAINT item_a_check ON cns.item IS 'a は正'", ";" }));
    // Found by its name alone when no other table has one of that name.
    EXPECT_EQ(TfrmConst::GetScript(conn.get(), "cns", "item_parent_full", QString()).at(1),
              "FOREIGN KEY (p2, p1) REFERENCES cns_ref.parent(b, a) MATCH FULL ON UPDATE NO "
              "ACTION ON DELETE NO ACTION");
    EXPECT_THROW(TfrmConst::GetScript(conn.get(), "cns", "ITEM_A_CHECK", "item"), std::exception);
    EXPECT_EQ(main.findChildren<TfrmConst *>().size(), windows);
    QStringList lines { "    CONSTRAINT item_pk PRIMARY KEY (id) USING INDEX " };
    TfrmConst::GetStorageScript(conn.get(), smText, "cns", "item_pk", "item", lines);
    EXPECT_EQ(lines.last(),
              "    CONSTRAINT item_pk PRIMARY KEY (id) USING INDEX TABLESPACE pg_default");
}

TEST_F(ConstraintEditor, CaseDistinctNamesStayApart)
{
    TfrmConst *upper = open("cns", "Mixed_chk", "mixed");
    ASSERT_NE(upper, nullptr);
    EXPECT_EQ(upper->txtCheck->toPlainText(), "(x > 0)");
    auto *lower = qobject_cast<TfrmConst *>(
        OpenConstraintWindow(conn.get(), "cns", "mixed_chk", QString()));
    ASSERT_NE(lower, nullptr);
    EXPECT_EQ(lower->txtCheck->toPlainText(), "(y > 0)");
    EXPECT_EQ(TfrmConst::Open(conn.get(), "cns", "Mixed_chk", "mixed"), nullptr);
    const ScopedDialogResponder yes(
        [](DialogRequest &r) { return r.buttons.contains(IDYES) ? IDYES : IDOK; });
    upper->actDelete->trigger();
    EXPECT_EQ(query("SELECT string_agg(conname, ',') FROM pg_constraint WHERE conrelid = "
                    "'cns.mixed'::regclass"),
              "mixed_chk");
}

TEST_F(ConstraintEditor, NewForeignKeyFromReferenceBoxes)
{
    TfrmConst *window = open("cns", QString(), "item");
    ASSERT_NE(window, nullptr);
    window->txtName->setText("item_new_fk");
    window->cmbConstType->setCurrentIndex(2);
    window->cmbConstTypeChange();
    window->cmbRefSchema->setEditText("cns_ref");
    window->cmbRefTable->setEditText("parent");
    window->cmbRefIndexDropDown();
    EXPECT_EQ(window->cmbRefIndex->count(), 2);
    window->cmbRefIndex->setEditText("parent_pk");
    window->cmbRefIndexExit();
    ASSERT_EQ(window->grdForeign->rowCount(), 2);
    qobject_cast<QComboBox *>(window->grdForeign->cellWidget(0, 1))->setCurrentText("a");
    qobject_cast<QComboBox *>(window->grdForeign->cellWidget(1, 1))->setCurrentText("b");
    EXPECT_EQ(lines(window->GetChangeScript()),
              lines({ "ALTER TABLE cns.item ADD CONSTRAINT item_new_fk",
                      "FOREIGN KEY (a, b) REFERENCES cns_ref.parent(a, b) ON UPDATE NO "
                      "ACTION ON DELETE NO ACTION",
                      ";" }));
    db.exec("UPDATE cns.item SET a = 1, b = 1 WHERE id = 1; UPDATE cns.item SET a = 2, b = 2 "
            "WHERE id = 2");
    compile(window);
    EXPECT_EQ(serverDef("cns.item", "item_new_fk"),
              "FOREIGN KEY (a, b) REFERENCES cns_ref.parent(a, b)");
    EXPECT_FALSE(window->IsNew());
}

} // namespace consttest
