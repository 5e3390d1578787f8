// The run of the SQL window against the fixture server: result tabs, row counts, errors and
// going on after them, parameters, explain, and the session's transaction left to the user.
#include "sqlwintest.h"

#include "platform/pg/connection.h"
#include "platform/pg/dataset.h"
#include "platform/pg/error.h"
#include "ui/rdata.h"

#include <QTabWidget>
#include <QTableWidget>
#include <QToolButton>

#include <gtest/gtest.h>

using sqlwintest::SqlWinTest;

namespace runtest {

QStringList tabCaptions(TfrmSQL *w)
{
    QStringList out;
    for (int i = 0; i < w->pagData->count(); ++i)
        out << w->pagData->tabText(i);
    return out;
}

TEST_F(SqlWinTest, SelectUpdateSelectGivesTwoTabsAndTheRowCount)
{
    ASSERT_TRUE(open());
    TfrmSQL *w = sqlWindow(nullptr);
    ASSERT_TRUE(w);
    run(w, "select 1\r\n;\r\nupdate t set v='x'\r\n;\r\nselect * from t order by id\r\n");

    EXPECT_EQ(tabCaptions(w), QStringList({ "結果", "結果2" }));
    const QList<TfraData *> frames = w->ResultFrames();
    ASSERT_EQ(frames.size(), 2);
    EXPECT_EQ(frames[0]->qryData->recordCount(), 1);
    EXPECT_EQ(frames[1]->qryData->recordCount(), 2);
    EXPECT_EQ(frames[1]->qryData->text(0, 1), "x");
    EXPECT_EQ(frames[1]->objectName(), "fraData1");
    ASSERT_EQ(dialogs.size(), 1);
    EXPECT_EQ(dialogs[0].text, " SQLを実行しました。\r\n(対象：2 レコード )");
    ASSERT_EQ(dialogs[0].checks.size(), 1);
    EXPECT_EQ(dialogs[0].checks[0].caption, "以降の結果ダイアログを表示しない");
    EXPECT_TRUE(main.message().startsWith("処理時間(HH:MM:SS.Ms)："));

    // The next run frees the tabs of the last one.
    run(w, "select 2");
    EXPECT_EQ(tabCaptions(w), QStringList({ "結果" }));
    EXPECT_EQ(w->fraData->qryData->text(0, 0), "2");
}

TEST_F(SqlWinTest, FailingMiddleStatementStopsUnlessContinueIsTicked)
{
    ASSERT_TRUE(open());
    TfrmSQL *w = sqlWindow(nullptr);
    ASSERT_TRUE(w);
    const QString text = "update t set v='1'\r\n;\r\nselect * from nosuch\r\n;\r\n"
                         "update t set v='3'\r\n";
    run(w, text);
    ASSERT_EQ(dialogs.size(), 2);
    EXPECT_TRUE(dialogs[1].text.contains("nosuch"));
    ASSERT_EQ(dialogs[1].checks.size(), 1);
    EXPECT_EQ(dialogs[1].checks[0].caption, "処理を続行する");
    EXPECT_EQ(query("select string_agg(v, ',' order by id) from t"), "1,1");
    // the failing statement's lines are selected
    int l1, i1, l2, i2;
    w->txtSQL->getSelection(&l1, &i1, &l2, &i2);
    EXPECT_EQ(l1, 2);

    dialogs.clear();
    tick = QStringList { "処理を続行する" };
    w->txtSQL->setSelection(0, 0, 0, 0);
    run(w, text);
    ASSERT_EQ(dialogs.size(), 3); // count, error, count: the run went on
    EXPECT_EQ(query("select string_agg(v, ',' order by id) from t"), "3,3");
}

TEST_F(SqlWinTest, ErrorInTheLastStatementOffersNoContinue)
{
    ASSERT_TRUE(open());
    TfrmSQL *w = sqlWindow(nullptr);
    run(w, "select 1\r\n;\r\nselect * from nosuch");
    ASSERT_EQ(dialogs.size(), 1);
    EXPECT_TRUE(dialogs[0].checks.isEmpty());
}

TEST_F(SqlWinTest, ParametersAskForValuesThenBindThem)
{
    ASSERT_TRUE(open());
    TfrmSQL *w = sqlWindow(nullptr);
    const QString text = "select v from t where id = :a or v = :b";
    run(w, text);
    ASSERT_TRUE(w->grdParam->isVisibleTo(w));
    ASSERT_EQ(w->grdParam->rowCount(), 2);
    EXPECT_EQ(w->grdParam->item(0, 0)->text(), "A");
    EXPECT_EQ(w->grdParam->item(1, 0)->text(), "B");
    EXPECT_EQ(main.message(), "バインド変数値を入力して下さい。");
    EXPECT_FALSE(w->fraData->qryData->isActive());

    w->grdParam->item(0, 1)->setText("1");
    w->grdParam->item(0, 2)->setText("integer");
    w->grdParam->item(1, 1)->setText("b");
    w->grdParam->item(1, 2)->setText("text");
    run(w, text);
    ASSERT_TRUE(w->fraData->qryData->isActive());
    EXPECT_EQ(w->fraData->qryData->recordCount(), 2);
    EXPECT_TRUE(dialogs.isEmpty());

    // Renaming the second parameter clears its value and asks again.
    run(w, "select v from t where id = :a or v = :c");
    EXPECT_EQ(w->grdParam->item(0, 1)->text(), "1");
    EXPECT_EQ(w->grdParam->item(1, 1)->text(), "");
    EXPECT_EQ(main.message(), "バインド変数値を入力して下さい。");
}

TEST_F(SqlWinTest, ParameterValueThatDoesNotConvertFailsTheStatement)
{
    ASSERT_TRUE(open());
    TfrmSQL *w = sqlWindow(nullptr);
    run(w, "select :n::int");
    w->grdParam->item(0, 1)->setText("12x");
    w->grdParam->item(0, 2)->setText("integer");
    run(w, "select :n::int");
    ASSERT_EQ(dialogs.size(), 1);
    EXPECT_TRUE(dialogs[0].text.contains("12x"));
}

TEST_F(SqlWinTest, SerialParameterBindsSixtyFourBits)
{
    ASSERT_TRUE(open());
    TfrmSQL *w = sqlWindow(nullptr);
    run(w, "select :n::bigint");
    w->grdParam->item(0, 1)->setText("5000000000");
    w->grdParam->item(0, 2)->setText("bigserial");
    run(w, "select :n::bigint");
    ASSERT_TRUE(dialogs.isEmpty());
    EXPECT_EQ(w->fraData->qryData->text(0, 0), "5000000000");
}

TEST_F(SqlWinTest, CreateWithLeadingBlanksSendsColonsAsWritten)
{
    ASSERT_TRUE(open());
    TfrmSQL *w = sqlWindow(nullptr);
    run(w,
        "  create function f1() returns int language plpgsql as $$\r\n"
        "declare x int; begin x := 1; return x; end $$;\r\n");
    EXPECT_TRUE(dialogs.size() == 1 && dialogs[0].text.startsWith(" SQLを実行しました。"))
        << (dialogs.isEmpty() ? "" : dialogs[0].text.toStdString());
    EXPECT_FALSE(w->grdParam->isVisibleTo(w));
    EXPECT_EQ(query("select f1()"), "1");
}

TEST_F(SqlWinTest, ExplainShowsThePlanOfTheFirstStatement)
{
    ASSERT_TRUE(open());
    TfrmSQL *w = sqlWindow(nullptr);
    w->btnExplan->setChecked(true);
    EXPECT_TRUE(w->pagExplan->isVisibleTo(w));
    EXPECT_FALSE(w->pagData->isVisibleTo(w));
    run(w, "select * from t where id = 1;\r\n;\r\nselect 2\r\n");
    ASSERT_TRUE(dialogs.isEmpty());
    ASSERT_TRUE(w->fraExplan->qryData->isActive());
    EXPECT_TRUE(w->fraExplan->qryData->text(0, 0).contains("Scan"));
}

TEST_F(SqlWinTest, NothingIsCommittedWhenAutoCommitIsOff)
{
    AppOption.UpdateToCommit = false;
    ASSERT_TRUE(open());
    TfrmSQL *w = sqlWindow(nullptr);
    run(w, "update t set v='z'\r\n;\r\nselect v from t where id = 1");
    EXPECT_EQ(w->fraData->qryData->text(0, 0), "z");
    // a second session still sees the old values
    EXPECT_EQ(query("select string_agg(v, ',' order by id) from t"), "a,b");
    run(w, "rollback\r\n;\r\nselect v from t where id = 1");
    EXPECT_EQ(w->fraData->qryData->text(0, 0), "a");
}

TEST_F(SqlWinTest, ResultFramesSurviveClosingAnotherConnection)
{
    TfrmObject *first = open();
    TfrmObject *second = open();
    ASSERT_TRUE(first && second);
    TfrmSQL *w = sqlWindow(nullptr); // bound to the second (the current one)
    ASSERT_TRUE(w);
    EXPECT_EQ(w->OwnerForm(), static_cast<ConnectionWindow *>(second));
    run(w, "select 1\r\n;\r\nselect 2\r\n;\r\nselect 3");
    ASSERT_EQ(w->ResultFrames().size(), 3);
    QPointer<TfrmSQL> alive(w);
    closeWindow(first);
    ASSERT_TRUE(alive);
    EXPECT_EQ(w->ResultFrames().size(), 3);
    EXPECT_EQ(w->pagData->count(), 3);
    run(w, "select 4");
    EXPECT_EQ(w->pagData->count(), 1);
}

TEST_F(SqlWinTest, LostConnectionClosesOnlyItsSqlWindows)
{
    TfrmObject *first = open();
    TfrmObject *second = open();
    ASSERT_TRUE(first && second);
    QPointer<TfrmSQL> onSecond(sqlWindow(nullptr));
    main.SelectConnection(main.selector()->itemText(0));
    QPointer<TfrmSQL> onFirst(sqlWindow(nullptr));
    ASSERT_TRUE(onSecond && onFirst);
    EXPECT_EQ(onFirst->OwnerForm(), static_cast<ConnectionWindow *>(first));
    closeWindow(first);
    for (int i = 0; i < 20; ++i)
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(onFirst);
    EXPECT_TRUE(onSecond);
}

} // namespace runtest
