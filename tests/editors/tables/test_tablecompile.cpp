// The table editor's compile from the window: ALTER statements for what ALTER can do, a
// re-creation in one transaction for a moved column, a refusal that says why, a new table,
// and the quoting of typed defaults.
#include "editorstest.h"
#include "tabletest.h"

#include "core/qvdialoghook.h"
#include "core/qvmsgbox.h"
#include "core/qvoption.h"
#include "editors/tables/ftable.h"
#include "platform/pg/connection.h"
#include "sqllang/qvmemo.h"
#include "ui/qvgrid.h"
#include "ui/qvlongtext.h"
#include "ui/qvstdctl.h"

#include <QAction>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

using editorstest::EditorTest;
using editorstest::RunnerDriver;

namespace tablecompile {

class TableCompile : public EditorTest
{
protected:
    void SetUp() override
    {
        EditorTest::SetUp();
        AppOption.BackupData = true;
        AppOption.DefaultAutoQuote = false;
    }

    TfrmTable *open(const QString &schema, const QString &name)
    {
        TfrmTable *window = TfrmTable::Open(conn.get(), schema, name);
        EXPECT_NE(window, nullptr) << name.toStdString();
        return window;
    }

    static void type(TfrmTable *window, int col, int row, const QString &text)
    {
        tabletest::typeInto(window, col, row, text);
    }

    static int rowOf(TfrmTable *window, const QString &name)
    {
        for (int row = 1; row < window->grdColumn->RowCount(); ++row)
            if (window->grdColumn->Cells(TfrmTable::colName, row) == name)
                return row;
        return -1;
    }

    // Compiles the window with the runner driven as a user does; the messages shown are kept.
    void compile(TfrmTable *window)
    {
        messages.clear();
        const ScopedDialogResponder answer([this](DialogRequest &r) {
            messages << r.text;
            return r.text == QStringLiteral("処理を中断しますか？") || r.text.contains("処理を続行")
                ? IDYES
                : IDOK;
        });
        RunnerDriver driver;
        try {
            window->Compile(nullptr);
        } catch (const SilentAbort &) {
            aborted = true;
        }
        log = driver.lastLog;
    }

    QStringList columns(const QString &table) const { return tabletest::columnNames(db, table); }

    QStringList messages;
    QString log;
    bool aborted = false;
};

TEST_F(TableCompile, TrailingColumnsAreAddedByAlter)
{
    TfrmTable *window = open("tbl_re", "item");
    ASSERT_NE(window, nullptr);
    const int entry = window->grdColumn->RowCount() - 1;
    type(window, TfrmTable::colName, entry, "weight");
    window->grdColumn->setCells(TfrmTable::colType, entry, "integer");
    const int next = window->grdColumn->RowCount() - 1;
    ASSERT_GT(next, entry);
    type(window, TfrmTable::colName, next, "color");
    window->grdColumn->setCells(TfrmTable::colType, next, "text");
    EXPECT_FALSE(window->IsCreate());
    compile(window);
    EXPECT_FALSE(aborted) << messages.join('\n').toStdString();
    EXPECT_FALSE(log.contains("DROP TABLE")) << log.toStdString();
    EXPECT_TRUE(log.contains("ADD COLUMN")) << log.toStdString();
    EXPECT_EQ(
        columns("tbl_re.item"),
        QStringList({ "id", "seq_no", "name", "note", "price", "price_tax", "weight", "color" }));
    EXPECT_FALSE(window->Modified());
    EXPECT_EQ(query("SELECT count(*) FROM tbl_re.item"), "3");
    // The storage frames write as on the screen only while a compile runs.
    EXPECT_FALSE(AppOption.flgCallFromTbl);
}

TEST_F(TableCompile, AMovedColumnRecreatesTheTableWithItsRows)
{
    TfrmTable *window = open("tbl_re", "item");
    ASSERT_NE(window, nullptr);
    window->grdColumn->setCurrentCell(TfrmTable::colName, rowOf(window, "price"));
    window->actColUp->trigger();
    window->actColUp->trigger();
    ASSERT_TRUE(window->IsCreate());
    compile(window);
    EXPECT_FALSE(aborted) << messages.join('\n').toStdString();
    EXPECT_EQ(columns("tbl_re.item"),
              QStringList({ "id", "seq_no", "price", "name", "note", "price_tax" }));
    EXPECT_EQ(testsupport::queryColumn(db.conninfo(),
                                       "SELECT id || ' ' || name || ' ' || price "
                                       "FROM tbl_re.item ORDER BY id"),
              QStringList({ "1 ボルト 1.50", "2 ナット 2.00", "3 座金 3.00" }));
    EXPECT_EQ(query("SELECT count(*) FROM pg_views WHERE schemaname LIKE 'tbl_re%'"), "2");
    // The window shows the table as it is now.
    EXPECT_FALSE(window->Modified());
    EXPECT_EQ(window->grdColumn->Cells(TfrmTable::colName, 3), "price");
    EXPECT_FALSE(window->IsCreate());
}

TEST_F(TableCompile, ARefusedRecreationSaysWhyAndRunsNothing)
{
    TfrmTable *window = open("tbl_re", "shape");
    ASSERT_NE(window, nullptr);
    window->grdColumn->setCurrentCell(TfrmTable::colName, 2);
    window->actColUp->trigger();
    compile(window);
    EXPECT_TRUE(aborted);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages.first().startsWith("テーブルを再作成できません。"));
    EXPECT_TRUE(messages.first().contains("drawing")) << messages.first().toStdString();
    EXPECT_EQ(columns("tbl_re.shape"), QStringList({ "x", "y" }));
    EXPECT_TRUE(window->Modified());
}

TEST_F(TableCompile, ANewTableIsCreatedWithItsKey)
{
    TfrmTable *window = TfrmTable::Open(conn.get(), "tbl_re", QString());
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->IsNew());
    window->txtName->setText("fresh");
    type(window, TfrmTable::colName, 1, "id");
    window->grdColumn->setCells(TfrmTable::colType, 1, "integer");
    window->grdColumn->setCells(TfrmTable::colKey, 1, "1");
    type(window, TfrmTable::colName, 2, "label");
    window->grdColumn->setCells(TfrmTable::colType, 2, "character varying");
    window->grdColumn->setCells(TfrmTable::colLength, 2, "20");
    compile(window);
    EXPECT_FALSE(aborted) << messages.join('\n').toStdString();
    EXPECT_EQ(query("SELECT string_agg(format_type(atttypid, atttypmod), ', ' ORDER BY attnum) "
                    "FROM pg_attribute WHERE attrelid = 'tbl_re.fresh'::regclass AND attnum > 0"),
              "integer, character varying(20)");
    EXPECT_EQ(query("SELECT pg_get_constraintdef(oid) FROM pg_constraint "
                    "WHERE conrelid = 'tbl_re.fresh'::regclass AND contype = 'p'"),
              "PRIMARY KEY (id)");
    EXPECT_FALSE(window->IsNew());
}

TEST_F(TableCompile, OnlyTypedCharacterDefaultsAreQuoted)
{
    AppOption.DefaultAutoQuote = true;
    QString typed = "abc";
    const TLongTextEditor previous = SetLongTextEditor([&](QString &text, bool &, bool, bool) {
        text = typed;
        return IDOK;
    });
    TfrmTable *window = open("tbl_re", "item");
    ASSERT_NE(window, nullptr);
    const int note = rowOf(window, "note");
    window->grdColumn->setCurrentCell(TfrmTable::colDefault, note);
    ASSERT_NE(window->grdColumn->InplaceEditor(), nullptr);
    window->grdColumn->InplaceEditor()->EditButton()->click();
    window->grdColumn->setCurrentCell(TfrmTable::colName, note);
    compile(window);
    SetLongTextEditor(previous);
    EXPECT_FALSE(aborted) << messages.join('\n').toStdString();
    EXPECT_EQ(testsupport::queryColumn(db.conninfo(),
                                       "SELECT pg_get_expr(d.adbin, d.adrelid) FROM pg_attrdef d "
                                       "JOIN pg_attribute a ON a.attrelid = d.adrelid "
                                       "AND a.attnum = d.adnum WHERE d.adrelid = "
                                       "'tbl_re.item'::regclass AND a.attname IN ('id', 'note') "
                                       "ORDER BY a.attnum"),
              QStringList({ "nextval('tbl_re.item_id_seq'::regclass)", "'abc'::text" }));
}

TEST_F(TableCompile, TheSourcePageRecreatesFromItsTextAndKeepsTheRowsAside)
{
    testsupport::queryColumn(db.conninfo(),
                             "INSERT INTO tbl_re.drawing VALUES (1, ROW(2, 3)) RETURNING id");
    TfrmTable *window = open("tbl_re", "drawing");
    ASSERT_NE(window, nullptr);
    window->pagObject->setCurrentWidget(window->tabSource);
    QString text = window->txtSource->text();
    ASSERT_TRUE(text.contains("origin")) << text.toStdString();
    text.replace("origin", "start_point");
    window->txtSource->setText(text);
    compile(window);
    EXPECT_FALSE(aborted) << messages.join('\n').toStdString();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages.first().startsWith("ソース修正時には")) << messages.first().toStdString();
    EXPECT_EQ(columns("tbl_re.drawing"), QStringList({ "id", "start_point" }));
    EXPECT_EQ(query("SELECT count(*) FROM tbl_re.drawing"), "0");
    // The rows wait in the backup table, which stays.
    EXPECT_EQ(query("SELECT count(*) FROM pg_class WHERE relnamespace = 'tbl_re'::regnamespace "
                    "AND relname LIKE 'drawing\\_%' AND relkind = 'r'"),
              "1");
}

} // namespace tablecompile
