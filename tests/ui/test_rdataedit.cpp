// The data frame's editing commands against the fixture server: totals compared with the same
// aggregate run directly, NULL from the keyboard, the date picker's write-back, deletes under
// the commit option (checked from a second connection) and the long-text editor's hook.
#include "appdoubles.h"
#include "framehosts.h"
#include "uitest.h"

#include "core/qvdialoghook.h"
#include "core/qvmsgbox.h"
#include "core/qvname.h"
#include "core/qvoption.h"
#include "platform/pg/connection.h"
#include "platform/pg/dataset.h"
#include "ui/qvdbgrid.h"
#include "ui/qvlongtext.h"
#include "ui/rdata.h"
#include "ui/rdataedit.h"
#include "ui/rdatecell.h"

#include <QAction>
#include <QDateTimeEdit>
#include <QMenu>
#include <QTemporaryDir>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace appdoubles;

namespace rdataedittest {

class DataFrameEdit : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_option = AppOption;
        AppOption.TempDir = m_dir.path() + "/work/";
        AppOption.UpdateMode = true;
        AppOption.UpdateToCommit = true;
        AppOption.DateFormat = QStringLiteral("yyyy/MM/dd");
        AppOption.TimeFormat = QStringLiteral("HH:mm:ss");
        AppOption.CharacterSet = QStringLiteral("UTF8");
        m_connection = std::make_unique<TestConnectionWindow>(m_db.name(), true);
        // the offsets the cells are written with
        m_connection->dbsMain()->exec(QStringLiteral("SET TIME ZONE 'Asia/Tokyo'"));
    }
    void TearDown() override
    {
        m_connection.reset();
        AppOption = m_option;
    }

    template<class Host = TfrmTable> Host *table(const QString &name, const QString &limit = {})
    {
        Host *t = CreateForm<Host>(m_connection.get());
        t->resize(1000, 400);
        t->txtRecord->setText(limit);
        TDataTableSource s;
        s.schema = "edt";
        s.name = name;
        s.orderBy = QStringLiteral("id");
        t->fraData->TableName = "edt." + name;
        t->fraData->setTableSource(s);
        t->fraData->Prepare();
        t->fraData->Open();
        return t;
    }

    TfrmSQL *sqlWindow(const QString &sql)
    {
        TfrmSQL *w = CreateForm<TfrmSQL>(m_connection.get());
        w->resize(900, 400);
        w->fraData->setSQL(sql);
        w->fraData->Prepare();
        return w;
    }

    // The messages that a command shows, each answered with answer.
    static QStringList messagesOf(const std::function<void()> &command, int answer = IDOK)
    {
        QStringList shown;
        ScopedDialogResponder responder([&shown, answer](DialogRequest &r) {
            shown << r.text;
            return r.buttons.contains(answer) ? answer : r.buttons.value(0, IDOK);
        });
        command();
        return shown;
    }

    static void total(TfraData *frame, int field, const char *item)
    {
        frame->SelectedColumn = frame->grdData1->Columns()->Items(field);
        frame->popColumn->findChild<QAction *>(QLatin1String(item))->trigger();
    }

    static void goTo(TfraData *frame, int row, const QString &field)
    {
        frame->qryData->setCurrentRow(row);
        frame->grdData1->setSelectedField(frame->qryData->fieldIndex(field));
    }

    QString server(const QString &sql) const { return m_db.query(sql); }

    TqvOption m_option;
    QTemporaryDir m_dir;
    testsupport::TestDatabase m_db;
    std::unique_ptr<TestConnectionWindow> m_connection;
};

TEST(DataFrameTotals, QueryWrapsTheWholeTextWithoutItsSemicolon)
{
    EXPECT_EQ(BuildTotalQuery(TDataTotal::Sum, "price", "SELECT * FROM t WHERE a = ';' ;  ")
                  .toStdString(),
              QString("SELECT SUM(" + QuoteName("price")
                      + "), COUNT(*) FROM (\nSELECT * FROM t WHERE a = ';'\n) TBL")
                  .toStdString());
    // a line comment at the end cannot swallow the closing parenthesis
    EXPECT_EQ(BuildTotalQuery(TDataTotal::Count, "a", "select a from t -- all").toStdString(),
              QString("SELECT COUNT(" + QuoteName("a")
                      + "), COUNT(*) FROM (\nselect a from t -- all\n) TBL")
                  .toStdString());
    EXPECT_EQ(BuildTotalQuery(TDataTotal::Max, "x", "SHOW search_path"), "")
        << "a statement that is no query cannot be totalled";
    EXPECT_EQ(TotalMessage(TDataTotal::Count, "price", "12", false), "\"price\"列の件数 = 12");
    EXPECT_EQ(TotalMessage(TDataTotal::Sum, "nothing", QString(), true),
              "\"nothing\"列の合計 = NULL");
}

// Every total of every numeric column equals the aggregate the server gives directly; the
// host's text ends in ";" and takes a parameter, and the frame shows fewer rows than it totals.
TEST_F(DataFrameEdit, TotalsEqualTheSameAggregateRunDirectly)
{
    QPointer<TfrmSQL> w
        = sqlWindow("SELECT id, price, qty, ratio, nothing, name FROM edt.item WHERE id <= :top;");
    TfraData *frame = w->fraData;
    frame->qryData->query().bind("top", pg::Param(3));
    frame->Open();
    ASSERT_EQ(frame->qryData->recordCount(), 3);
    const struct
    {
        const char *item;
        const char *function;
        TDataTotal total;
    } totals[] = {
        { "mnuCount", "COUNT", TDataTotal::Count },   { "mnuSum", "SUM", TDataTotal::Sum },
        { "mnuAverage", "AVG", TDataTotal::Average }, { "mnuMax", "MAX", TDataTotal::Max },
        { "mnuMin", "MIN", TDataTotal::Min },
    };
    for (const QString &column : { "price", "qty", "ratio", "nothing", "name" }) {
        for (const auto &t : totals) {
            if (column == "name" && (t.total == TDataTotal::Sum || t.total == TDataTotal::Average))
                continue;
            SCOPED_TRACE(QString(column + " " + t.function).toStdString());
            const QString direct = server(QStringLiteral("SELECT coalesce(%1(%2)::text, 'NULL') "
                                                         "FROM edt.item WHERE id <= 3")
                                              .arg(t.function, column));
            const QStringList shown
                = messagesOf([&] { total(frame, frame->qryData->fieldIndex(column), t.item); });
            EXPECT_EQ(shown, QStringList { TotalMessage(t.total, column, direct, false) });
        }
    }
    // all NULL: the total is NULL, said as such
    EXPECT_EQ(messagesOf([&] { total(frame, 4, "mnuSum"); }),
              QStringList { "\"nothing\"列の合計 = NULL" });
    delete w.data();
}

TEST_F(DataFrameEdit, TotalsCountEveryRowOfTheTextNotTheRowsFetched)
{
    QPointer<TfrmTable> t = table("parent", "2");
    TfraData *frame = t->fraData;
    ASSERT_EQ(frame->qryData->recordCount(), 2);
    EXPECT_EQ(messagesOf([&] { total(frame, 0, "mnuCount"); }),
              QStringList { "\"id\"列の件数 = 5" });
    EXPECT_EQ(messagesOf([&] { total(frame, 0, "mnuSum"); }),
              QStringList { "\"id\"列の合計 = 15" });
    delete t.data();

    QPointer<TfrmSQL> w = sqlWindow("SELECT id, price FROM edt.item WHERE false");
    w->fraData->Open();
    EXPECT_EQ(messagesOf([&] { total(w->fraData, 1, "mnuSum"); }),
              QStringList { "レコードがありません" });
    EXPECT_EQ(messagesOf([&] { total(w->fraData, 1, "mnuCount"); }),
              QStringList { "\"price\"列の件数 = 0" });
    delete w.data();
}

// A total that the server refuses is told, and the changes waiting in the open transaction
// stay usable.
TEST_F(DataFrameEdit, AFailingTotalLeavesTheTransactionUsable)
{
    AppOption.UpdateToCommit = false;
    QPointer<TfrmTable> t = table("item");
    TfraData *frame = t->fraData;
    pg::DataSet *ds = frame->qryData;
    ds->setCurrentRow(0);
    {
        TqvGridCommitScope rule(ds);
        ds->setText(ds->fieldIndex("qty"), "11");
        ds->post();
    }
    pg::Connection *session = m_connection->dbsMain();
    ASSERT_TRUE(session->inTransaction());
    const QStringList shown = messagesOf([&] { total(frame, ds->fieldIndex("name"), "mnuSum"); });
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown.first().startsWith("集計情報を求めることができません。"))
        << shown.first().toStdString();
    EXPECT_EQ(session->transactionStatus(), pg::TransactionStatus::InTransaction);
    session->commit();
    EXPECT_EQ(server("SELECT qty FROM edt.item WHERE id = 1"), "11");
    delete t.data();
}

TEST_F(DataFrameEdit, CtrlZeroStoresNullInEditModeOnly)
{
    QPointer<TfrmTable> t = table("item");
    ASSERT_TRUE(showActive(*t));
    TfraData *frame = t->fraData;
    pg::DataSet *ds = frame->qryData;
    const struct
    {
        int row;
        const char *field;
        Qt::KeyboardModifiers modifiers;
    } cases[] = {
        { 0, "qty", Qt::ControlModifier },
        { 1, "name", Qt::ControlModifier | Qt::KeypadModifier },
        { 2, "stamp", Qt::ControlModifier },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.field);
        goTo(frame, c.row, c.field);
        frame->grdData1->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_0, c.modifiers);
        EXPECT_TRUE(ds->isNull(ds->fieldIndex(c.field)));
        // the next record stores it
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        EXPECT_EQ(server(QStringLiteral("SELECT %1 IS NULL FROM edt.item WHERE id = %2")
                             .arg(c.field)
                             .arg(c.row + 1)),
                  "t");
    }
    // typed text waiting in the cell's editor gives way to the NULL
    goTo(frame, 3, "name");
    frame->grdData1->setFocus();
    typeText(QApplication::focusWidget(), "abc");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_0, Qt::ControlModifier);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
    EXPECT_EQ(server("SELECT name IS NULL FROM edt.item WHERE id = 4"), "t");

    frame->btnUpdate->click(); // edit mode off
    ASSERT_FALSE(frame->btnUpdate->isChecked());
    goTo(frame, 0, "price");
    frame->grdData1->setFocus();
    QTest::keyClick(frame->grdData1, Qt::Key_0, Qt::ControlModifier);
    EXPECT_FALSE(ds->isNull(ds->fieldIndex("price")));
    EXPECT_EQ(ds->state(), pg::DataSetState::Browse);
    delete t.data();
}

TEST(DataFrameDateCell, PartsTheCellKeepsAroundThePickedDateAndTime)
{
    const struct
    {
        QString cell;
        bool withTime;
        QDate date;
        QTime time;
        QString written;
        bool pickable;
    } cases[] = {
        { "2026-01-02 03:04:05.123456+09",
          true,
          { 2026, 1, 5 },
          { 3, 4, 5 },
          "2026-01-05 03:04:05.123456+09",
          true },
        { "2026-01-02 03:04:05.123456+09",
          true,
          { 2026, 1, 2 },
          { 13, 4, 5 },
          "2026-01-02 13:04:05.123456+09",
          true },
        { "1999-06-30 23:59:59.999999-03:30",
          true,
          { 1999, 7, 1 },
          { 23, 59, 59 },
          "1999-07-01 23:59:59.999999-03:30",
          true },
        { "1850-01-01 00:00:00+09:18:59",
          true,
          { 1850, 1, 2 },
          { 0, 0, 0 },
          "1850-01-02 00:00:00+09:18:59",
          true },
        { "2026-01-02 03:04:05.5",
          true,
          { 2027, 1, 2 },
          { 3, 4, 5 },
          "2027-01-02 03:04:05.5",
          true },
        { "2026-01-02", false, { 2026, 2, 3 }, {}, "2026-02-03", true },
        { "", true, { 2026, 2, 3 }, { 0, 0, 0 }, "2026-02-03 00:00:00", true },
        { "", false, { 2026, 2, 3 }, { 0, 0, 0 }, "2026-02-03", true },
        { "infinity", true, { 2026, 2, 3 }, { 1, 2, 3 }, "2026-02-03 01:02:03", true },
        { "-infinity", false, { 2026, 2, 3 }, {}, "2026-02-03", true },
        // the picker offers the years 100 to 9999 of our era; a date before Christ keeps its era
        { "0044-03-15 BC", false, { 44, 3, 16 }, {}, "0044-03-16 BC", false },
        { "0044-03-15 12:00:00+00:53:28 BC",
          true,
          { 44, 3, 16 },
          { 12, 0, 0 },
          "0044-03-16 12:00:00+00:53:28 BC",
          false },
        { "0099-12-31", false, { 99, 12, 30 }, {}, "0099-12-30", false },
        { "10000-01-01", false, { 2026, 1, 1 }, {}, "2026-01-01", false },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.cell.toStdString());
        const TDateCellText cell = ParseDateCellText(c.cell);
        EXPECT_EQ(DatePickerCanEdit(cell), c.pickable);
        if (c.cell.startsWith("10000"))
            continue;
        EXPECT_EQ(DateCellText(cell, c.date, c.time, c.withTime), c.written);
    }
    // another DateStyle is not read at all
    EXPECT_EQ(ParseDateCellText("01/02/2026 03:04:05.123456 JST").kind, TDateCellText::Unreadable);
    EXPECT_FALSE(DatePickerCanEdit(ParseDateCellText("Fri Jan 02 03:04:05 2026 JST")));
}

// A timestamptz with microseconds survives the date picker untouched, and a picked day
// changes only the day.
TEST_F(DataFrameEdit, DatePickerKeepsMicrosecondsAndOffset)
{
    QPointer<TfrmTable> t = table("item");
    ASSERT_TRUE(showActive(*t));
    TfraData *frame = t->fraData;
    pg::DataSet *ds = frame->qryData;
    const int stamp = ds->fieldIndex("stamp");
    goTo(frame, 0, "stamp");
    ASSERT_EQ(ds->text(stamp), "2026-01-02 03:04:05.123456+09");

    // opened and closed: nothing written
    frame->grdData1->InplaceEditor()->EditButton()->click();
    ASSERT_TRUE(frame->dtpInputDate->isVisible());
    EXPECT_EQ(frame->dtpInputDate->dateTime(),
              QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5), Qt::UTC));
    EXPECT_EQ(frame->dtpInputDate->displayFormat(), "yyyy/MM/dd HH:mm:ss");
    frame->dtpInputDateCloseUp();
    EXPECT_FALSE(frame->dtpInputDate->isVisible());
    EXPECT_FALSE(ds->isModified());
    EXPECT_EQ(ds->text(stamp), "2026-01-02 03:04:05.123456+09");

    // a day picked: only the day changes
    frame->grdData1EditButtonClick();
    ASSERT_TRUE(frame->dtpInputDate->isVisible());
    frame->dtpInputDate->setDate(QDate(2026, 1, 5));
    EXPECT_EQ(ds->text(stamp), "2026-01-05 03:04:05.123456+09");
    frame->dtpInputDateCloseUp();
    {
        TqvGridCommitScope rule(ds);
        ds->post();
    }
    EXPECT_EQ(server("SELECT stamp = '2026-01-05 03:04:05.123456+09' FROM edt.item WHERE id = 1"),
              "t");
    EXPECT_EQ(server("SELECT to_char(stamp AT TIME ZONE 'Asia/Tokyo', 'US') FROM edt.item "
                     "WHERE id = 1"),
              "123456");

    // a date column gets a date only; a date before Christ is not offered to the picker
    goTo(frame, 0, "day");
    frame->grdData1EditButtonClick();
    EXPECT_EQ(frame->dtpInputDate->displayFormat(), "yyyy/MM/dd");
    frame->dtpInputDateCloseUp();
    goTo(frame, 1, "day");
    const QStringList shown = messagesOf([&] { frame->grdData1EditButtonClick(); });
    EXPECT_EQ(shown.size(), 1);
    EXPECT_FALSE(frame->dtpInputDate->isVisible());
    EXPECT_EQ(ds->text(ds->fieldIndex("day")), "0044-03-15 BC");
    // infinity stays as long as nothing is picked
    goTo(frame, 1, "stamp");
    frame->grdData1EditButtonClick();
    frame->dtpInputDateCloseUp();
    EXPECT_EQ(ds->text(stamp), "infinity");
    EXPECT_FALSE(ds->isModified());
    delete t.data();

    // the materialized-view editor has no picker
    QPointer<TfrmMView> m = table<TfrmMView>("item");
    goTo(m->fraData, 0, "stamp");
    m->fraData->grdData1EditButtonClick();
    EXPECT_FALSE(m->fraData->dtpInputDate->isVisible());
    delete m.data();
}

// Three selected records go, last first; with the commit option off they wait in the
// session's transaction, which a second connection does not see.
TEST_F(DataFrameEdit, ThreeSelectedRecordsDeleteAndStayUncommitted)
{
    AppOption.UpdateToCommit = false;
    QPointer<TfrmTable> t = table("parent");
    TfraData *frame = t->fraData;
    pg::DataSet *ds = frame->qryData;
    ASSERT_EQ(ds->recordCount(), 5);
    frame->grdData1->SelectedRecords()->SelectRows(2, 4); // ids 3, 4, 5
    ASSERT_EQ(frame->grdData1->SelectedRecords()->Count(), 3);
    const QStringList shown = messagesOf([&] { frame->btnDel->click(); });
    EXPECT_EQ(shown, QStringList { "レコードを削除しますか？" });
    EXPECT_EQ(ds->recordCount(), 2);
    EXPECT_EQ(frame->grdData1->SelectedRecords()->Count(), 0);
    pg::Connection *session = m_connection->dbsMain();
    EXPECT_TRUE(session->inTransaction());
    EXPECT_FALSE(session->autoCommit()) << "the commit option is off again after a delete";
    EXPECT_EQ(server("SELECT string_agg(id::text, ',' ORDER BY id) FROM edt.parent"), "1,2,3,4,5");
    EXPECT_EQ(session->exec("SELECT count(*) FROM edt.parent").text(0, 0), "2");
    session->rollback();
    EXPECT_EQ(server("SELECT count(*) FROM edt.parent"), "5");

    // Cancel deletes nothing; without a selection the current record goes
    ds->first();
    frame->qryData->refresh();
    EXPECT_EQ(messagesOf([&] { frame->btnDel->click(); }, IDCANCEL).size(), 1);
    EXPECT_EQ(ds->recordCount(), 5);
    AppOption.UpdateToCommit = true;
    ds->last();
    messagesOf([&] { frame->btnDel->click(); });
    EXPECT_EQ(server("SELECT count(*) FROM edt.parent"), "4");
    EXPECT_FALSE(session->inTransaction());
    delete t.data();
}

// A delete of selected records that fails part way says how many went and why.
TEST_F(DataFrameEdit, ADeleteThatFailsPartWaySaysHowManyWent)
{
    QPointer<TfrmTable> t = table("parent");
    TfraData *frame = t->fraData;
    frame->grdData1->SelectedRecords()->SelectRows(0, 2); // ids 1, 2, 3; 2 has a child
    const QStringList shown = messagesOf([&] { frame->btnDel->click(); });
    ASSERT_EQ(shown.size(), 2);
    EXPECT_TRUE(shown.at(1).startsWith("選択された 3 件のうち 1 件のレコードを削除した後、"
                                       "次のレコードの削除で中断しました。"))
        << shown.at(1).toStdString();
    EXPECT_TRUE(shown.at(1).contains("child")) << "the server's reason is told";
    EXPECT_EQ(server("SELECT string_agg(id::text, ',' ORDER BY id) FROM edt.parent"), "1,2,4,5");
    EXPECT_EQ(frame->qryData->recordCount(), 4) << "the result is read again";

    // inside a transaction the message says that nothing is committed yet
    AppOption.UpdateToCommit = false;
    frame->grdData1->SelectedRecords()->SelectRows(0, 2); // ids 1, 2, 4
    const QStringList pending = messagesOf([&] { frame->btnDel->click(); });
    ASSERT_EQ(pending.size(), 2);
    EXPECT_TRUE(pending.at(1).startsWith("選択された 3 件のうち 1 件"));
    EXPECT_TRUE(pending.at(1).endsWith("削除したレコードはまだコミットされていません。"));
    EXPECT_EQ(server("SELECT count(*) FROM edt.parent"), "4");
    m_connection->dbsMain()->rollback();
    delete t.data();
}

// The long-text editor of the SQL windows, as registered: what the frame hands it and what it
// stores of the answer.
TEST_F(DataFrameEdit, TextCellsOpenTheRegisteredLongTextEditor)
{
    struct Call
    {
        QString text;
        bool isNull;
        bool nullShow;
        bool readOnly;
    };
    QList<Call> calls;
    QString answer;
    bool answerNull = false;
    int result = IDOK;
    const TLongTextEditor previous
        = SetLongTextEditor([&](QString &text, bool &isNull, bool nullShow, bool readOnly) {
              calls.append({ text, isNull, nullShow, readOnly });
              if (result == IDOK) {
                  text = answer;
                  isNull = answerNull;
              }
              return result;
          });
    QPointer<TfrmTable> t = table("item");
    TfraData *frame = t->fraData;
    pg::DataSet *ds = frame->qryData;
    const int memo = ds->fieldIndex("memo");

    goTo(frame, 0, "memo");
    answer = "新しい説明\r\n二行目";
    frame->grdData1EditButtonClick();
    ASSERT_EQ(calls.size(), 1);
    EXPECT_EQ(calls.at(0).text, "長い説明");
    EXPECT_FALSE(calls.at(0).isNull);
    EXPECT_TRUE(calls.at(0).nullShow);
    EXPECT_FALSE(calls.at(0).readOnly);
    EXPECT_EQ(ds->text(memo), answer);

    // NULL and the empty text stay apart, both ways
    goTo(frame, 1, "memo");
    answer = "";
    answerNull = false;
    frame->grdData1EditButtonClick();
    EXPECT_TRUE(calls.last().isNull);
    EXPECT_FALSE(ds->isNull(memo));
    EXPECT_EQ(ds->text(memo), "");
    goTo(frame, 2, "memo");
    answerNull = true;
    frame->grdData1EditButtonClick();
    EXPECT_TRUE(ds->isNull(memo));
    {
        TqvGridCommitScope rule(ds);
        ds->post();
    }
    EXPECT_EQ(server("SELECT memo IS NULL FROM edt.item WHERE id = 3"), "t");
    EXPECT_EQ(server("SELECT memo = '' FROM edt.item WHERE id = 2"), "t");

    // OK with the text as it was writes nothing; cancel writes nothing
    goTo(frame, 3, "memo");
    answer = "x";
    answerNull = false;
    frame->grdData1EditButtonClick();
    EXPECT_EQ(ds->state(), pg::DataSetState::Browse);
    result = IDCANCEL;
    frame->grdData1EditButtonClick();
    EXPECT_EQ(ds->state(), pg::DataSetState::Browse);
    delete t.data();

    // read-only in the materialized-view editor
    result = IDOK;
    answer = "changed";
    QPointer<TfrmMView> m = table<TfrmMView>("item");
    goTo(m->fraData, 0, "memo");
    const QString before = m->fraData->qryData->text(memo);
    m->fraData->grdData1EditButtonClick();
    EXPECT_TRUE(calls.last().readOnly);
    EXPECT_EQ(m->fraData->qryData->text(memo), before);
    EXPECT_EQ(m->fraData->qryData->state(), pg::DataSetState::Browse);
    delete m.data();
    SetLongTextEditor(previous);

    // without an editor the user is told
    const TLongTextEditor none = SetLongTextEditor({});
    QString text = "t";
    bool isNull = false;
    EXPECT_EQ(messagesOf([&] {
                  EXPECT_EQ(ShowLongTextEditor(text, isNull, true, false), IDCANCEL);
              }).size(),
              1);
    EXPECT_EQ(text, "t");
    SetLongTextEditor(none);
}

} // namespace rdataedittest
