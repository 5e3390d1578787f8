// The storage frame's type list, logged box, parent tables and ON COMMIT page against the
// fixture's tables: what each host kind offers, the statements written for each change, and
// that they do on the server what they say.
#include "editorstest.h"

#include "core/qvobjtype.h"
#include "core/qvoption.h"
#include "editors/tables/rstorage.h"
#include "platform/pg/connection.h"
#include "ui/qvforms.h"
#include "ui/qvgrid.h"
#include "ui/qvstdctl.h"

#include <QGroupBox>
#include <QStackedWidget>

using editorstest::EditorTest;

namespace storagepagestest {

class StoragePages : public EditorTest
{
protected:
    pg::Connection &connection() { return *conn->dbsMain(); }

    // A host of kind code (new when isNew) with its frame, Init, ShowDefine for an existing
    // object, and the baseline taken, as the editors do it.
    struct Host
    {
        Host(ConnectionWindow *owner, int code, bool isNew, const QString &schema,
             const QString &name, TSourceMode mode = smShow)
            : form(owner->connectionWidget())
        {
            form.SourceMode = mode;
            form.setObjType(code);
            form.setIsNew(isNew);
            frame = new TfraStorage(&form, &form);
            frame->Init(schema, name);
            if (!isNew)
                frame->ShowDefine();
            frame->Save();
            form.setModified(false);
        }
        QStringList types() const
        {
            QStringList names;
            for (int i = 0; i < frame->cmbStorageType->count(); ++i)
                names << frame->cmbStorageType->itemText(i);
            return names;
        }
        QStringList parents() const
        {
            QStringList rows;
            for (int row = 1; row < frame->grdPartition->RowCount(); ++row)
                rows << frame->grdPartition->Cells(0, row) + "#"
                        + frame->grdPartition->Objects(0, row).toString();
            return rows;
        }
        void pick(const QString &type)
        {
            frame->cmbStorageType->setCurrentIndex(frame->cmbStorageType->findText(type));
            frame->cmbStorageTypeChange();
        }
        QStringList create() const
        {
            QStringList lines;
            frame->GetSourceCreate(lines);
            return lines;
        }
        TqvForm form;
        TfraStorage *frame;
    };

    void run(const QStringList &lines) { editorstest::runScriptLines(connection(), lines); }
    QString parentsOf(const QString &table)
    {
        return query("SELECT string_agg(inhparent::regclass::text, ',' ORDER BY "
                     "inhparent::regclass::text) FROM pg_inherits WHERE inhrelid = '"
                     + table + "'::regclass");
    }
};

TEST_F(StoragePages, TypeListByKindAndPersistence)
{
    connection().exec("CREATE TEMPORARY TABLE dsp_tmp (id integer)");
    const QString tempSchema
        = connection()
              .exec("SELECT nspname FROM pg_namespace WHERE oid = pg_my_temp_schema()")
              .text(0, 0);
    // an ordinary table in a schema whose name merely looks like a temporary one
    connection().exec("CREATE SCHEMA dsp_pg_temp_look; CREATE TABLE dsp_pg_temp_look.t (id int)");

    const struct
    {
        const char *what;
        int code;
        bool isNew;
        QString schema;
        QString name;
        QStringList types;
        bool logVisible;
        bool panelVisible;
        QWidget *TfraStorage::*page;
    } cases[] = {
        { "new table",
          45,
          true,
          "dsp",
          "",
          { "標準", "一時表", "継承" },
          true,
          true,
          &TfraStorage::tabDefault },
        { "table",
          45,
          false,
          "dsp",
          "kid",
          { "標準", "継承" },
          true,
          true,
          &TfraStorage::tabDefault },
        { "look-alike schema",
          45,
          false,
          "dsp_pg_temp_look",
          "t",
          { "標準", "継承" },
          true,
          true,
          &TfraStorage::tabDefault },
        { "temporary table",
          45,
          false,
          tempSchema,
          "dsp_tmp",
          { "一時表" },
          false,
          true,
          &TfraStorage::tabTemporary },
        { "materialized view",
          61,
          false,
          "inv",
          "stock_mv",
          { "標準" },
          false,
          true,
          &TfraStorage::tabDefault },
        { "index",
          46,
          false,
          "idx",
          "doc_recent",
          { "標準" },
          false,
          false,
          &TfraStorage::tabDefault },
        { "constraint",
          66,
          false,
          "idx",
          "doc_pkey",
          { "標準" },
          false,
          true,
          &TfraStorage::tabDefault },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        Host host(conn.get(), c.code, c.isNew, c.schema, c.name);
        EXPECT_EQ(host.types(), c.types);
        EXPECT_EQ(host.frame->chkLog->isVisibleTo(&host.form), c.logVisible);
        EXPECT_EQ(host.frame->pnlStorageType->isVisibleTo(&host.form), c.panelVisible);
        EXPECT_EQ(host.frame->pagStorage->currentWidget(), host.frame->*c.page);
        EXPECT_TRUE(host.frame->IsInit);
        EXPECT_EQ(host.frame->ObjType(), c.code);
    }
    // a new table is logged; an existing temporary one offers no ON COMMIT choice
    Host fresh(conn.get(), 45, true, "dsp", "");
    EXPECT_TRUE(fresh.frame->chkLog->isChecked());
    fresh.pick("一時表");
    EXPECT_TRUE(fresh.frame->grpOnCommit->isVisibleTo(&fresh.form));
    Host temp(conn.get(), 45, false, tempSchema, "dsp_tmp");
    EXPECT_FALSE(temp.frame->grpOnCommit->isVisibleTo(&temp.form));
    EXPECT_TRUE(temp.create().filter("ON COMMIT").isEmpty());
}

TEST_F(StoragePages, LoggedBoxWritesSetLogged)
{
    Host quick(conn.get(), 45, false, "dsp", "scratch");
    EXPECT_TRUE(quick.frame->chkLog->isVisibleTo(&quick.form));
    EXPECT_FALSE(quick.frame->chkLog->isChecked());
    QStringList alter;
    quick.frame->GetSourceAlterN(alter);
    EXPECT_TRUE(alter.isEmpty());
    quick.frame->chkLog->setChecked(true);
    quick.frame->GetSourceAlterN(alter);
    EXPECT_EQ(alter, QStringList({ "SET LOGGED" }));
    EXPECT_FALSE(quick.frame->IsCreate());
    connection().exec("ALTER TABLE dsp.scratch " + alter.join(' '));
    EXPECT_EQ(query("SELECT relpersistence FROM pg_class WHERE oid = 'dsp.scratch'::regclass"),
              "p");

    Host logged(conn.get(), 45, false, "dsp", "scratch");
    EXPECT_TRUE(logged.frame->chkLog->isChecked());
    logged.frame->chkLog->setChecked(false);
    alter.clear();
    logged.frame->GetSourceAlterN(alter);
    EXPECT_EQ(alter, QStringList({ "SET UNLOGGED" }));
    connection().exec("ALTER TABLE dsp.scratch " + alter.join(' '));
    EXPECT_EQ(query("SELECT relpersistence FROM pg_class WHERE oid = 'dsp.scratch'::regclass"),
              "u");
}

TEST_F(StoragePages, OnCommitOfNewTemporaryTable)
{
    const struct
    {
        TqvRadioButton *TfraStorage::*choice;
        QString clause;
    } cases[] = { { &TfraStorage::rdoTransaction, "ON COMMIT DELETE ROWS" },
                  { &TfraStorage::rdoSession, "ON COMMIT PRESERVE ROWS" },
                  { nullptr, "" } };
    int n = 0;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.clause.toStdString());
        Host host(conn.get(), 45, true, "dsp", "");
        host.pick("一時表");
        EXPECT_EQ(host.frame->pagStorage->currentWidget(), host.frame->tabTemporary);
        EXPECT_FALSE(host.frame->chkLog->isVisibleTo(&host.form));
        if (c.choice)
            (host.frame->*c.choice)->setChecked(true);
        const QStringList lines = host.create();
        EXPECT_EQ(lines.filter("ON COMMIT"),
                  c.clause.isEmpty() ? QStringList() : QStringList({ c.clause }));
        // the clause makes a valid statement
        QStringList create = { QString("CREATE TEMPORARY TABLE dsp_oc%1 (id integer)").arg(++n) };
        run(create + lines);
        // the clause belongs to the temporary page only
        host.pick("標準");
        EXPECT_TRUE(host.create().filter("ON COMMIT").isEmpty());
    }
}

TEST_F(StoragePages, ParentsLoadedByOid)
{
    Host kid(conn.get(), 45, false, "dsp", "kid");
    // in parent-name order (names sort by their bytes), then the one empty row
    EXPECT_EQ(kid.parents(), QStringList({ "dsp.\"Parent_B\"#1", "dsp.parent_a#2", "#0" }));
    Host twin(conn.get(), 45, false, "dsp_twin", "kid");
    EXPECT_EQ(twin.parents(), QStringList({ "dsp.parent_c#1", "#0" }));
    Host lone(conn.get(), 45, false, "dsp", "parent_a");
    EXPECT_EQ(lone.parents(), QStringList({ "#0" }));
    // a child opens as standard; its parents are there when "継承" is picked
    EXPECT_EQ(kid.frame->StorageType(), TfraStorage::ptNormal);
    kid.pick("継承");
    EXPECT_EQ(kid.frame->pagStorage->currentWidget(), kid.frame->tabPartition);

    // INHERITS reproduces the parents
    QStringList create = { "CREATE TABLE dsp.kid_copy (note text)" };
    create << kid.create();
    EXPECT_EQ(create.at(1), "INHERITS (dsp.\"Parent_B\", dsp.parent_a)");
    run(create);
    EXPECT_EQ(parentsOf("dsp.kid_copy"), parentsOf("dsp.kid"));
}

TEST_F(StoragePages, ParentChangesBecomeInheritStatements)
{
    Host kid(conn.get(), 45, false, "dsp", "kid");
    TqvStringGrid *grid = kid.frame->grdPartition;
    QStringList alter;
    kid.frame->GetSourceAlterP(alter);
    EXPECT_TRUE(alter.isEmpty()) << alter.join('\n').toStdString();

    // first row names another table, second row emptied, a row added at the end
    grid->setCells(0, 1, "dsp.parent_c");
    grid->setCells(0, 2, "");
    kid.frame->btnPartInsClick();
    ASSERT_EQ(grid->RowCount(), 5);
    grid->setCells(0, 4, "dsp_twin.kid");
    EXPECT_FALSE(kid.form.Modified());
    kid.frame->GetSourceAlterP(alter);
    EXPECT_EQ(alter,
              QStringList({ "ALTER TABLE dsp.kid INHERIT dsp_twin.kid", ";",
                            "ALTER TABLE dsp.kid NO INHERIT dsp.\"Parent_B\"", ";",
                            "ALTER TABLE dsp.kid INHERIT dsp.parent_c", ";",
                            "ALTER TABLE dsp.kid NO INHERIT dsp.parent_a", ";" }));
    run(alter);
    EXPECT_EQ(parentsOf("dsp.kid"), "dsp.parent_c,dsp_twin.kid");
    // the same-named child of the other schema keeps its own parent
    EXPECT_EQ(parentsOf("dsp_twin.kid"), "dsp.parent_c");
}

TEST_F(StoragePages, DeletedParentRowIsNoInherit)
{
    Host kid(conn.get(), 45, false, "dsp", "kid");
    TqvStringGrid *grid = kid.frame->grdPartition;
    grid->setCurrentCell(0, 1);
    kid.frame->btnPartDelClick();
    EXPECT_TRUE(kid.form.Modified());
    EXPECT_EQ(kid.parents(), QStringList({ "dsp.parent_a#2", "#0" }));
    QStringList alter;
    kid.frame->GetSourceAlterP(alter);
    EXPECT_EQ(alter, QStringList({ "ALTER TABLE dsp.kid NO INHERIT dsp.\"Parent_B\"", ";" }));

    // the last data row stays; the delete only marks the window changed
    Host lone(conn.get(), 45, false, "dsp", "parent_a");
    lone.frame->grdPartition->setCurrentCell(0, 1);
    lone.frame->btnPartDelClick();
    EXPECT_EQ(lone.frame->grdPartition->RowCount(), 2);
    EXPECT_TRUE(lone.form.Modified());
}

TEST_F(StoragePages, ParentPickList)
{
    Host kid(conn.get(), 45, false, "dsp", "kid");
    QStringList items { "stale" };
    kid.frame->grdPartitionGetPickListitems(0, 1, items);
    EXPECT_TRUE(items.contains("dsp.\"Parent_B\""));
    EXPECT_TRUE(items.contains("dsp_twin.kid"));
    EXPECT_FALSE(items.contains("stale"));
    for (const QString &item : items) {
        EXPECT_FALSE(item.startsWith("pg_")) << item.toStdString();
        EXPECT_FALSE(item.startsWith("information_schema.")) << item.toStdString();
    }
    // only ordinary tables: no view, no partitioned table
    EXPECT_FALSE(items.contains("inv.stock_mv"));
    kid.frame->grdPartitionGetPickListitems(0, 0, items);
    EXPECT_TRUE(items.isEmpty());
}

TEST_F(StoragePages, TablespaceChangeIsAlter)
{
    Host kid(conn.get(), 45, false, "dsp", "kid");
    kid.frame->cmbTBS->setEditText("pg_default");
    EXPECT_TRUE(kid.frame->IsTablespaceChanged());
    EXPECT_FALSE(kid.frame->IsCreate());
    QStringList alter;
    kid.frame->GetSourceAlterT(alter);
    EXPECT_EQ(alter, QStringList({ "ALTER TABLE dsp.kid SET TABLESPACE pg_default", ";" }));
    run(alter);
}

TEST_F(StoragePages, WhatTheOptionsKeep)
{
    const auto clauses = [](const QStringList &lines) {
        QStringList heads;
        for (const QString &line : lines) {
            if (line.startsWith("INHERITS") || line.startsWith("WITH")
                || line.startsWith("ON COMMIT") || line.startsWith("TABLESPACE"))
                heads << line.section(' ', 0, 0);
        }
        return heads;
    };
    const auto prepare = [](Host &host) {
        host.frame->cmbTBS->setEditText("pg_default");
        host.frame->chkAutoVacuum->setChecked(true);
        host.frame->chkEnabled->setCheckState(Qt::Checked);
    };

    // on the screen with storage clauses off: INHERITS stays, the placement goes, and the
    // statements for changes the user made are still written
    AppOption.ShowStorageSource = false;
    {
        Host kid(conn.get(), 45, false, "dsp", "kid");
        prepare(kid);
        EXPECT_EQ(clauses(kid.create()), QStringList({ "INHERITS" }));
        kid.frame->chkLog->setChecked(false);
        kid.frame->grdPartition->setCells(0, 2, "");
        QStringList alter;
        kid.frame->GetSourceAlterN(alter);
        kid.frame->GetSourceAlterP(alter);
        EXPECT_EQ(alter.size(), 3);
    }
    AppOption.ShowStorageSource = true;

    // a script with the script option Storage off keeps INHERITS and loses WITH and TABLESPACE
    ScriptOption.Storage = false;
    Host script(conn.get(), 45, false, "dsp", "kid", smText);
    prepare(script);
    EXPECT_EQ(clauses(script.create()), QStringList({ "INHERITS" }));
    {
        // inside the table editor's compile the frame writes as on the screen, and the host's
        // own mode is left alone
        const TStorageAsShown asShown;
        EXPECT_TRUE(AppOption.flgCallFromTbl);
        EXPECT_EQ(clauses(script.create()), QStringList({ "INHERITS", "WITH", "TABLESPACE" }));
        EXPECT_EQ(script.form.SourceMode, smText);
    }
    EXPECT_FALSE(AppOption.flgCallFromTbl);
    EXPECT_EQ(clauses(script.create()), QStringList({ "INHERITS" }));
    ScriptOption.Storage = true;
    EXPECT_EQ(clauses(script.create()), QStringList({ "INHERITS", "WITH", "TABLESPACE" }));
}

} // namespace storagepagestest
