// What a run reports against the fixture server: several statements in one block each with its
// own outcome, numeric parameters bound as typed, a run over text typed into a selection, a run
// with nothing to run, the width of a plan column and the parameter grid's type pick list.
#include "sqlwintest.h"

#include "platform/pg/dataset.h"
#include "ui/qvdbgrid.h"
#include "ui/qvdbgridcolumns.h"
#include "ui/rdata.h"

#include <QAbstractItemDelegate>
#include <QComboBox>
#include <QFontMetrics>
#include <QStyleOptionViewItem>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

using sqlwintest::SqlWinTest;

namespace outcometest {

QStringList dialogTexts(const QList<DialogRequest> &dialogs)
{
    QStringList out;
    for (const DialogRequest &d : dialogs)
        out << d.text;
    return out;
}

QString countText(int rows)
{
    return QStringLiteral(" SQLを実行しました。\r\n(対象：%1 レコード )").arg(rows);
}

TEST_F(SqlWinTest, BlockOfSelectAndWritesReportsEveryStatement)
{
    ASSERT_TRUE(open());
    TfrmSQL *w = sqlWindow(nullptr);
    run(w,
        "select * from t order by id; insert into t values (3, 'c');\r\n"
        "update t set v = 'z' where id < 3; select count(*) from t");
    // Each write has its row count; the first SELECT fills the grid with the rows it read, the
    // second gets a tab of its own.
    EXPECT_EQ(dialogTexts(dialogs), QStringList({ countText(1), countText(2) }));
    ASSERT_TRUE(w->fraData->qryData->isActive());
    EXPECT_EQ(w->fraData->qryData->recordCount(), 2);
    EXPECT_EQ(w->fraData->qryData->text(1, 1), "b");
    const QList<TfraData *> frames = w->ResultFrames();
    ASSERT_EQ(frames.size(), 2);
    EXPECT_EQ(frames[1]->qryData->text(0, 0), "3");
    EXPECT_EQ(w->pagData->count(), 2);
    EXPECT_EQ(query("select string_agg(id || v, ',' order by id) from t"), "1z,2z,3c");
}

TEST_F(SqlWinTest, FailingStatementInsideABlockStopsUnlessContinueIsTicked)
{
    ASSERT_TRUE(open());
    TfrmSQL *w = sqlWindow(nullptr);
    const QString text = "insert into t values (3, 'c');\r\n"
                         "insert into nosuch values (1);\r\n"
                         "insert into t values (4, 'd')";
    run(w, text);
    ASSERT_EQ(dialogs.size(), 2);
    EXPECT_EQ(dialogs[0].text, countText(1));
    EXPECT_TRUE(dialogs[1].text.contains("nosuch"));
    // more statements follow in the block, so going on is offered
    ASSERT_EQ(dialogs[1].checks.size(), 1);
    EXPECT_EQ(dialogs[1].checks[0].caption, "処理を続行する");
    EXPECT_EQ(query("select string_agg(id::text, ',' order by id) from t"), "1,2,3");
    // the failing statement's line is selected
    int l1, i1, l2, i2;
    w->txtSQL->getSelection(&l1, &i1, &l2, &i2);
    EXPECT_EQ(l1, 1);
    EXPECT_EQ(l2, 2);

    dialogs.clear();
    tick = QStringList { "処理を続行する" };
    db.exec("delete from t where id > 2");
    w->txtSQL->setSelection(0, 0, 0, 0);
    run(w, text);
    EXPECT_EQ(dialogs.size(), 3);
    EXPECT_EQ(query("select string_agg(id::text, ',' order by id) from t"), "1,2,3,4");
}

TEST_F(SqlWinTest, ExplainModeShowsThePlanOfTheFirstStatementOfABlockAndRunsNothing)
{
    ASSERT_TRUE(open());
    TfrmSQL *w = sqlWindow(nullptr);
    w->btnExplan->setChecked(true);
    run(w, "select * from t; delete from t");
    ASSERT_TRUE(dialogs.isEmpty()) << dialogTexts(dialogs).join('\n').toStdString();
    ASSERT_TRUE(w->fraExplan->qryData->isActive());
    EXPECT_TRUE(w->fraExplan->qryData->text(0, 0).contains("Scan on t"));
    EXPECT_EQ(query("select count(*) from t"), "2");
}

TEST_F(SqlWinTest, NumericParameterReachesTheServerAsTyped)
{
    ASSERT_TRUE(open());
    TfrmSQL *w = sqlWindow(nullptr);
    const QString text = "select :p::text, :p = 0.1";
    run(w, text);
    struct Case
    {
        const char *typed;
        const char *server;
    };
    const Case cases[] = {
        { "0.1", "0.1" },
        { " 12345678901234567890.123456789 ", "12345678901234567890.123456789" },
        { "-1.50", "-1.50" },
        { "1e-3", "0.001" },
    };
    for (const Case &c : cases) {
        w->grdParam->item(0, 1)->setText(c.typed);
        w->grdParam->item(0, 2)->setText("numeric");
        run(w, text);
        ASSERT_TRUE(dialogs.isEmpty()) << dialogTexts(dialogs).join('\n').toStdString();
        ASSERT_TRUE(w->fraData->qryData->isActive());
        EXPECT_EQ(w->fraData->qryData->text(0, 0), c.server) << c.typed;
    }
    // 0.1 compares equal to the literal 0.1
    w->grdParam->item(0, 1)->setText("0.1");
    run(w, text);
    EXPECT_EQ(w->fraData->qryData->text(0, 1), "t");

    // a text that is no number fails the statement before it is sent
    w->grdParam->item(0, 1)->setText("1.2.3");
    run(w, text);
    ASSERT_EQ(dialogs.size(), 1);
    EXPECT_TRUE(dialogs[0].text.contains("1.2.3"));
}

// The user runs a failing statement (the error selects it), types the corrected statement over
// the selection and runs again.
TEST_F(SqlWinTest, TextTypedOverASelectionRuns)
{
    AppOption.UsePartial = true;
    ASSERT_TRUE(open());
    TfrmSQL *w = sqlWindow(nullptr);
    w->txtSQL->setFocus();
    run(w, "insert into nosuch values (3, 'c')");
    ASSERT_EQ(dialogs.size(), 1);
    ASSERT_TRUE(w->txtSQL->hasSelectedText());

    dialogs.clear();
    QTest::keyClicks(w->txtSQL, "insert into t values (3, 'c')");
    EXPECT_EQ(w->txtSQL->text(), "insert into t values (3, 'c')");
    w->actExec->trigger();
    EXPECT_EQ(dialogTexts(dialogs), QStringList({ countText(1) }));
    EXPECT_EQ(query("select v from t where id = 3"), "c");

    // A statement typed over the selection that fails is selected in its turn.
    dialogs.clear();
    w->txtSQL->selectAll();
    QTest::keyClicks(w->txtSQL, "insert into nosuch2 values (1)");
    w->actExec->trigger();
    ASSERT_EQ(dialogs.size(), 1);
    EXPECT_TRUE(dialogs[0].text.contains("nosuch2"));
    EXPECT_TRUE(w->txtSQL->hasSelectedText());
    EXPECT_EQ(w->txtSQL->selectedText(), "insert into nosuch2 values (1)");

    // The same after selecting everything and typing.
    dialogs.clear();
    w->txtSQL->selectAll();
    QTest::keyClicks(w->txtSQL, "insert into t values (4, 'd')");
    w->actExec->trigger();
    EXPECT_EQ(dialogTexts(dialogs), QStringList({ countText(1) }));
    EXPECT_EQ(query("select v from t where id = 4"), "d");

    // A real selection still runs alone.
    dialogs.clear();
    w->txtSQL->setText("insert into t values (5, 'e')\r\n;\r\ninsert into t values (6, 'f')");
    w->txtSQL->setSelection(2, 0, 2, 29);
    w->actExec->trigger();
    EXPECT_EQ(dialogTexts(dialogs), QStringList({ countText(1) }));
    EXPECT_EQ(query("select string_agg(id::text, ',' order by id) from t"), "1,2,3,4,6");
}

TEST_F(SqlWinTest, RunWithNothingToRunSaysSo)
{
    ASSERT_TRUE(open());
    TfrmSQL *w = sqlWindow(nullptr);
    const char *texts[] = { "  \r\n", "rem nothing\r\n;\r\n", "-- a note\r\n/* and another */" };
    for (const char *text : texts) {
        dialogs.clear();
        run(w, text);
        EXPECT_EQ(dialogTexts(dialogs), QStringList({ "実行するSQL文がありません。" })) << text;
    }
    dialogs.clear();
    w->btnExplan->setChecked(true);
    run(w, "\r\n;\r\nselect 1");
    EXPECT_EQ(dialogTexts(dialogs), QStringList({ "実行するSQL文がありません。" }));
}

// The plan's column is as wide as its longest line, within the window.
TEST_F(SqlWinTest, PlanColumnIsAsWideAsItsLongestLine)
{
    ASSERT_TRUE(open());
    TfrmSQL *w = sqlWindow(nullptr);
    w->resize(900, 600);
    const QString plan = "explain select * from t a join t b on a.id = b.id where a.v = 'x'";
    auto widest = [](TfraData *frame) {
        const QFontMetrics fm(frame->grdData1->font());
        int width = 0;
        for (int r = 0; r < frame->qryData->recordCount(); ++r)
            width = std::max(width, fm.horizontalAdvance(frame->qryData->text(r, 0)));
        return width;
    };
    auto columnWidth
        = [](TfraData *frame) { return frame->grdData1->Columns()->Items(0)->Width(); };
    for (bool explainMode : { false, true }) {
        w->btnExplan->setChecked(explainMode);
        run(w, explainMode ? plan.mid(8) : plan);
        ASSERT_TRUE(dialogs.isEmpty()) << dialogTexts(dialogs).join('\n').toStdString();
        TfraData *frame = explainMode ? w->fraExplan : w->fraData;
        ASSERT_TRUE(frame->qryData->isActive());
        ASSERT_GT(frame->qryData->recordCount(), 2);
        const int needed = widest(frame);
        ASSERT_GT(needed, 200);
        EXPECT_GE(columnWidth(frame), needed) << explainMode;
        EXPECT_LE(columnWidth(frame), w->width()) << explainMode;
    }

    // A plan wider than the window is cut to the window.
    w->btnExplan->setChecked(false);
    w->resize(300, 400);
    run(w, plan);
    EXPECT_LE(columnWidth(w->fraData), 300);
    EXPECT_GT(columnWidth(w->fraData), 150);
}

TEST_F(SqlWinTest, ParameterTypePickListComesFromTheConnection)
{
    ASSERT_TRUE(open());
    db.exec("create type mood as enum ('ok', 'sad')");
    TfrmSQL *w = sqlWindow(nullptr);
    run(w, "select :a");
    ASSERT_EQ(w->grdParam->rowCount(), 1);
    QAbstractItemDelegate *delegate = w->grdParam->itemDelegateForColumn(2);
    ASSERT_TRUE(delegate);
    QWidget *editor = delegate->createEditor(w->grdParam->viewport(), QStyleOptionViewItem(),
                                             w->grdParam->model()->index(0, 2));
    auto *box = qobject_cast<QComboBox *>(editor);
    ASSERT_TRUE(box);
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    delete editor;
    // the connection's names that bind, array forms among them, in the connection's order
    EXPECT_TRUE(items.contains("integer[]"));
    EXPECT_TRUE(items.contains("numeric"));
    EXPECT_TRUE(items.contains("timestamp(6) without time zone"));
    EXPECT_TRUE(items.contains("character varying[]"));
    EXPECT_FALSE(items.contains("varchar")); // the server's name is character varying
    EXPECT_FALSE(items.contains("public.mood"));
    EXPECT_FALSE(items.contains("uuid"));
    pg::Oid type = 0;
    for (const QString &name : std::as_const(items))
        EXPECT_TRUE(GetParamFieldType(name, &type)) << name.toStdString();
    QStringList expected;
    for (const QString &name : w->OwnerForm()->GetDataType()) {
        if (GetParamFieldType(name, &type))
            expected << name;
    }
    EXPECT_EQ(items, expected);
}

} // namespace outcometest
