// Editing through the record grids against the server: the transaction rule, deleting
// records with Ctrl+Delete and the Delete command, failures that must reach the user, the
// pending record when a host closes the query, and copy and paste of records.
#include "dbgridtest.h"

#include <QClipboard>
#include <QListWidget>
#include <QScrollBar>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace dbgridtest;

namespace dbgridedittest {

const char TenRows[] = "CREATE TABLE t (id int PRIMARY KEY, v text, n int);"
                       "INSERT INTO t SELECT g, 'v' || g, g FROM generate_series(1, 10) AS g";

// Types into the cell of field 1 of record 0 and moves off the record.
void editFirstValue(GridFixture &f, const QString &text)
{
    f.dataSet.setCurrentRow(0);
    f.grid->setSelectedIndex(1);
    typeText(f.keyTarget(), text);
    f.key(Qt::Key_Down);
}

TEST(DbGridEdit, StoredRecordsFollowTheCommitOption)
{
    struct Case
    {
        const char *name;
        bool updateToCommit;
        bool userTransaction;
        bool visibleAtOnce;
    };
    const Case cases[] = {
        { "option on: committed at once", true, false, true },
        { "option off: committed by COMMIT", false, false, false },
        { "option on inside the user's transaction: left to the user", true, true, false },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        GridFixture f(true, TenRows, "SELECT * FROM t ORDER BY id");
        AppOption.UpdateToCommit = c.updateToCommit;
        ASSERT_TRUE(f.show());
        if (c.userTransaction)
            f.connection.startTransaction();
        editFirstValue(f, "changed");
        EXPECT_EQ(f.dataSet.currentRow(), 1);
        EXPECT_EQ(f.dataSet.text(0, 1), "changed");
        EXPECT_FALSE(f.connection.autoCommit());
        EXPECT_EQ(f.second("SELECT v FROM t WHERE id = 1"), c.visibleAtOnce ? "changed" : "v1");
        f.connection.commit();
        EXPECT_EQ(f.second("SELECT v FROM t WHERE id = 1"), "changed");
        EXPECT_TRUE(f.responder.asked.isEmpty());
    }
}

TEST(DbGridEdit, DeletesAskAndFollowTheCommitOption)
{
    enum Op { CtrlDelete, DeleteCommand };
    struct Case
    {
        const char *name;
        Op op;
        int selected; // records selected before: 0, 1 or 3 (rows 2, 3, 4)
        int answer;
        QString question; // empty: none asked
        QStringList remaining; // ids left, from a second connection
    };
    const QString one = "レコードを削除しますか？";
    const QString all = "選択されたレコードをすべて削除してよいですか？";
    const QStringList allIds = { "1", "2", "3", "4", "5", "6", "7", "8", "9", "10" };
    auto without = [&](QStringList ids) {
        QStringList left = allIds;
        for (const QString &id : ids)
            left.removeAll(id);
        return left;
    };
    const Case cases[] = {
        { "Ctrl+Delete, none selected: the current record", CtrlDelete, 0, IDOK, one,
          without({ "7" }) },
        { "Ctrl+Delete, one selected: that record", CtrlDelete, 1, IDOK, one, without({ "3" }) },
        { "Ctrl+Delete, three selected: all three", CtrlDelete, 3, IDOK, all,
          without({ "3", "4", "5" }) },
        { "Ctrl+Delete answered Cancel: nothing", CtrlDelete, 3, IDCANCEL, all, allIds },
        { "Delete, none selected: text only, no record", DeleteCommand, 0, IDOK, QString(),
          allIds },
        { "Delete, one selected: asks, then deletes", DeleteCommand, 1, IDOK, one,
          without({ "3" }) },
        { "Delete, three selected: asks, then deletes", DeleteCommand, 3, IDOK, all,
          without({ "3", "4", "5" }) },
        { "Delete answered Cancel: nothing", DeleteCommand, 1, IDCANCEL, one, allIds },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        GridFixture f(true, TenRows, "SELECT * FROM t ORDER BY id");
        AppOption.UpdateToCommit = true;
        ASSERT_TRUE(f.show());
        if (c.selected == 1) {
            f.click(0, 3); // the indicator of row 3 (id 3)
        } else if (c.selected == 3) {
            f.click(0, 3);
            f.click(0, 5, Qt::ShiftModifier);
        } else {
            f.dataSet.setCurrentRow(6);
            f.grid->setSelectedIndex(1);
            f.key(Qt::Key_Down);
            f.key(Qt::Key_Up); // moves drop the selection: none is left
        }
        ASSERT_EQ(f.grid->SelectedRecords()->Count(), c.selected);
        f.responder.answer = c.answer;
        if (c.op == CtrlDelete) {
            f.key(Qt::Key_Delete, Qt::ControlModifier);
        } else {
            // the main window's Delete command goes to the focused window
            QWidget *focused = QApplication::focusWidget();
            ASSERT_TRUE(focused);
            ASSERT_TRUE(QMetaObject::invokeMethod(focused, "deleteSelected"));
        }
        if (c.question.isEmpty()) {
            EXPECT_TRUE(f.responder.asked.isEmpty());
        } else {
            ASSERT_EQ(f.responder.asked.size(), 1);
            EXPECT_EQ(f.responder.asked.first().text, c.question);
        }
        EXPECT_EQ(f.db.query("SELECT string_agg(id::text, ',' ORDER BY id) FROM t"),
                  c.remaining.join(','));
        EXPECT_EQ(f.dataSet.recordCount(), c.remaining.size());
        EXPECT_FALSE(f.connection.autoCommit());
        EXPECT_EQ(f.grid->SelectedRecords()->Count(), c.answer == IDCANCEL ? c.selected : 0);
    }
}

TEST(DbGridEdit, DeleteWithTheOptionOffWaitsForCommit)
{
    GridFixture f(true, TenRows, "SELECT * FROM t ORDER BY id");
    AppOption.UpdateToCommit = false;
    ASSERT_TRUE(f.show());
    f.click(0, 2);
    f.click(0, 3, Qt::ShiftModifier);
    ASSERT_TRUE(QMetaObject::invokeMethod(QApplication::focusWidget(), "deleteSelected"));
    EXPECT_EQ(f.dataSet.recordCount(), 8);
    EXPECT_EQ(f.second("SELECT count(*) FROM t"), "10");
    f.connection.rollback();
    EXPECT_EQ(f.second("SELECT count(*) FROM t"), "10");
}

TEST(DbGridEdit, ARefusedRecordIsReportedAndStaysEdited)
{
    GridFixture f(true, TenRows, "SELECT * FROM t ORDER BY id");
    ASSERT_TRUE(f.show());
    f.dataSet.setCurrentRow(0);
    f.grid->setSelectedIndex(2);
    typeText(f.keyTarget(), "abc"); // not an integer
    f.key(Qt::Key_Down);
    ASSERT_EQ(f.responder.asked.size(), 1);
    EXPECT_EQ(f.responder.asked.first().flags & MB_ICONERROR, MB_ICONERROR);
    EXPECT_EQ(f.dataSet.currentRow(), 0);
    EXPECT_EQ(f.dataSet.state(), pg::DataSetState::Edit);
    EXPECT_EQ(f.dataSet.text(0, 2), "abc");
    EXPECT_FALSE(f.connection.autoCommit());
    // the user puts it right and goes on
    f.key(Qt::Key_Escape);
    EXPECT_EQ(f.dataSet.state(), pg::DataSetState::Browse);
    EXPECT_EQ(f.dataSet.text(0, 2), "1");
}

TEST(DbGridEdit, AFieldWriteThatFailsOnLeavingIsReportedAndKept)
{
    GridFixture f(true, TenRows, "SELECT * FROM t ORDER BY id");
    ASSERT_TRUE(f.show());
    f.dataSet.setCurrentRow(0);
    f.grid->setSelectedIndex(1);
    QGuiApplication::clipboard()->setText(QString("x") + QChar(0) + "y");
    ASSERT_TRUE(QMetaObject::invokeMethod(QApplication::focusWidget(), "paste"));
    ASSERT_TRUE(f.grid->EditText().contains(QChar(0)));
    f.window.findChild<QLineEdit *>("outside")->setFocus();
    QApplication::processEvents();
    ASSERT_EQ(f.responder.asked.size(), 1);
    EXPECT_TRUE(f.responder.asked.first().text.contains("NUL"));
    // the text is still the editor's, to be put right
    EXPECT_TRUE(f.grid->DataLink()->IsModified());
    EXPECT_TRUE(f.grid->EditText().contains(QChar(0)));
}

TEST(DbGridEdit, APendingRecordIsStoredOrDroppedBeforeTheQueryCloses)
{
    struct Case
    {
        const char *name;
        int answer;
        bool mayClose;
        QString stored;
    };
    const Case cases[] = {
        { "Yes stores it", IDYES, true, "kept" },
        { "No drops it", IDNO, true, "v1" },
        { "Cancel keeps the query open", IDCANCEL, false, "v1" },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        GridFixture f(true, TenRows, "SELECT * FROM t ORDER BY id");
        ASSERT_TRUE(f.show());
        f.dataSet.setCurrentRow(0);
        f.grid->setSelectedIndex(1);
        typeText(f.keyTarget(), "kept");
        f.responder.answer = c.answer;
        EXPECT_EQ(f.grid->ConfirmPendingRecord(), c.mayClose);
        ASSERT_EQ(f.responder.asked.size(), 1);
        EXPECT_EQ(f.second("SELECT v FROM t WHERE id = 1"), c.stored);
        if (c.answer == IDYES) {
            EXPECT_FALSE(f.connection.autoCommit());
        }
        if (c.mayClose) {
            EXPECT_EQ(f.dataSet.state(), pg::DataSetState::Browse);
        }
    }
}

TEST(DbGridEdit, ClosingUnderAPendingRecordAsksFirst)
{
    GridFixture f(true, TenRows, "SELECT * FROM t ORDER BY id");
    ASSERT_TRUE(f.show());
    f.dataSet.setCurrentRow(2);
    f.grid->setSelectedIndex(1);
    typeText(f.keyTarget(), "saved on close");
    f.responder.answer = IDYES;
    f.dataSet.close();
    ASSERT_EQ(f.responder.asked.size(), 1);
    EXPECT_EQ(f.second("SELECT v FROM t WHERE id = 3"), "saved on close");
    // an untouched new record goes without a question
    f.dataSet.open();
    f.key(Qt::Key_Insert);
    f.dataSet.close();
    EXPECT_EQ(f.responder.asked.size(), 1);
    EXPECT_EQ(f.second("SELECT count(*) FROM t"), "10");
}

TEST(DbGridEdit, CopyAndPasteOfRecordsStoreIdenticalValues)
{
    const QString setup = "CREATE TABLE r (a text, b text, c text);"
                          "INSERT INTO r VALUES ('tab\there', 'line\nbreak\nagain', 'say \"hi\"'),"
                          " ('日本語テキスト', '\"\"', E'mixed \"\t\n\" end'),"
                          " ('', 'plain', '全角　スペース')";
    GridFixture f(true, setup, "SELECT * FROM r");
    ASSERT_TRUE(f.show());
    f.click(0, 1);
    f.click(0, 3, Qt::ShiftModifier);
    ASSERT_EQ(f.grid->SelectedRecords()->Count(), 3);
    ASSERT_TRUE(f.grid->WholeRecords());
    f.key(Qt::Key_C, Qt::ControlModifier);
    const QString copied = QGuiApplication::clipboard()->text();
    EXPECT_TRUE(copied.startsWith("\"tab\there\"\t\"line\nbreak\nagain\"\t\"say \"\"hi\"\"\"\r\n"))
        << copied.toStdString();
    EXPECT_TRUE(copied.endsWith("\r\n"));

    f.key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_TRUE(f.responder.asked.isEmpty()) << f.responder.texts().join('\n').toStdString();
    EXPECT_EQ(f.dataSet.recordCount(), 6);
    EXPECT_EQ(f.dataSet.state(), pg::DataSetState::Browse);
    EXPECT_FALSE(f.connection.autoCommit());
    // every original row is there twice, stored as it was
    EXPECT_EQ(f.second("SELECT count(*) FROM r"), "6");
    EXPECT_EQ(f.second("SELECT count(*) FROM (SELECT a, b, c, count(*) AS n FROM r"
                       " GROUP BY a, b, c) AS g WHERE n = 2"),
              "3");
}

TEST(DbGridEdit, CopyGoesThroughTheFieldMap)
{
    GridFixture f(true, TenRows, "SELECT id, v, n, v || '!' AS w FROM t ORDER BY id");
    ASSERT_TRUE(f.show());
    f.dataSet.setFieldVisible(0, false); // lanes: v, n, w
    f.dataSet.setCurrentRow(1);
    f.grid->setSelectedIndex(0);
    f.key(Qt::Key_Right, Qt::ShiftModifier); // lanes 0..1 of record 1
    ASSERT_EQ(f.grid->RangeStart(), 0);
    ASSERT_EQ(f.grid->RangeEnd(), 1);
    ASSERT_EQ(f.grid->SelectedRecords()->Count(), 1);
    f.key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "v2\t2");
    // one record, whole: every shown field
    f.key(Qt::Key_Right, Qt::ControlModifier);
    f.click(0, 2, Qt::ControlModifier);
    f.key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "v2\t2\tv2!");
}

TEST(DbGridEdit, CopyWithoutSelectedRecordsTakesTheCellAsItIs)
{
    GridFixture f(true,
                  "CREATE TABLE q (id int PRIMARY KEY, v text); INSERT INTO q VALUES (1, E'a\\tb')",
                  "SELECT * FROM q");
    ASSERT_TRUE(f.show());
    f.grid->setSelectedIndex(1);
    f.key(Qt::Key_Escape);
    ASSERT_EQ(f.grid->SelectedRecords()->Count(), 0);
    f.grid->copy();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "a\tb");
}

TEST(DbGridEdit, APasteThatFailsSaysHowManyRecordsWereStored)
{
    GridFixture f(true, "CREATE TABLE p (id int PRIMARY KEY, v text)", "SELECT * FROM p");
    ASSERT_TRUE(f.show());
    QGuiApplication::clipboard()->setText("1\ta\r\n2\tb\nx\tc\r\n4\td\r\n");
    f.key(Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(f.responder.asked.size(), 1);
    const QString message = f.responder.asked.first().text;
    EXPECT_TRUE(message.contains("2 件")) << message.toStdString();
    EXPECT_TRUE(message.contains("3 行目")) << message.toStdString();
    EXPECT_EQ(f.second("SELECT string_agg(id || v, ',' ORDER BY id) FROM p"), "1a,2b");
    EXPECT_FALSE(f.connection.autoCommit());
    // the record that failed waits in the grid to be put right
    EXPECT_EQ(f.dataSet.state(), pg::DataSetState::Insert);
}

TEST(DbGridEdit, PastedLinesBecomeRecordsAndPlainTextGoesIntoTheCell)
{
    GridFixture f(true, "CREATE TABLE p (id int PRIMARY KEY, v text)", "SELECT * FROM p");
    AppOption.UpdateToCommit = false;
    ASSERT_TRUE(f.show());
    QGuiApplication::clipboard()->setText("1\n2\n"); // line feeds alone, no tab
    f.key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(f.dataSet.recordCount(), 2);
    EXPECT_EQ(f.second("SELECT count(*) FROM p"), "0");
    f.connection.commit();
    EXPECT_EQ(f.second("SELECT string_agg(id::text, ',' ORDER BY id) FROM p"), "1,2");

    f.grid->setSelectedIndex(1);
    QGuiApplication::clipboard()->setText("just text");
    f.key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(f.grid->InplaceEditor()->text(), "just text");
    EXPECT_EQ(f.dataSet.recordCount(), 2);
}

// A pasted line fills the data set's fields in their own order: a field the grid does not
// show and a column moved elsewhere take their values all the same.
TEST(DbGridEdit, PasteFillsFieldsInTheDataSetsOrder)
{
    struct Case
    {
        const char *name;
        bool hideKey; // the grid shows no id
        bool moveColumns; // the grid shows n, v, id
    };
    const Case cases[] = {
        { "every field shown", false, false },
        { "the key hidden", true, false },
        { "columns moved", false, true },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        GridFixture f(true, "CREATE TABLE p (id int PRIMARY KEY, v text, n int)",
                      "SELECT id, v, n FROM p");
        ASSERT_TRUE(f.show());
        if (c.hideKey)
            f.dataSet.setFieldVisible(0, false);
        if (c.moveColumns) {
            auto *grid = static_cast<TqvDBGridV *>(f.grid);
            grid->Columns()->setState(csCustomized);
            grid->Columns()->Move(2, 0);
            grid->Columns()->Move(2, 1);
            ASSERT_EQ(grid->Columns()->Items(0)->FieldName(), "n");
        }
        QGuiApplication::clipboard()->setText("1\tone\t10\r\n2\ttwo\t20\r\n");
        f.key(Qt::Key_V, Qt::ControlModifier);
        EXPECT_TRUE(f.responder.asked.isEmpty()) << f.responder.texts().join('|').toStdString();
        EXPECT_EQ(f.second("SELECT string_agg(id || ':' || v || ':' || n, ',' ORDER BY id) FROM p"),
                  "1:one:10,2:two:20");
    }
}

// A quote that never closes ends the paste: the lines before it are stored, the record it
// stands in waits, filled up to the quote, for the user to finish, and the user is told.
TEST(DbGridEdit, AnUnclosedQuoteStopsThePasteThere)
{
    GridFixture f(true, "CREATE TABLE p (id int PRIMARY KEY, v text)", "SELECT * FROM p");
    ASSERT_TRUE(f.show());
    QGuiApplication::clipboard()->setText("1\ta\r\n2\t\"b\tc\r\n3\td\r\n");
    f.key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(f.second("SELECT string_agg(id || v, ',' ORDER BY id) FROM p"), "1a");
    EXPECT_EQ(f.dataSet.state(), pg::DataSetState::Insert);
    EXPECT_EQ(f.dataSet.text(0), "2");
    EXPECT_TRUE(f.dataSet.isNull(1));
    ASSERT_EQ(f.responder.asked.size(), 1);
    const QString message = f.responder.asked.first().text;
    EXPECT_TRUE(message.contains("1 件")) << message.toStdString();
    EXPECT_TRUE(message.contains("2 行目")) << message.toStdString();
    EXPECT_FALSE(f.connection.autoCommit());
}

TEST(DbGridEdit, AReadOnlyResultTakesNoPasteAndNoDelete)
{
    GridFixture f(true, TenRows, "SELECT id, v FROM t UNION ALL SELECT 0, 'x' ORDER BY 1");
    ASSERT_TRUE(f.show());
    ASSERT_TRUE(f.dataSet.isReadOnly());
    f.click(0, 2);
    QGuiApplication::clipboard()->setText("5\tq\r\n");
    f.key(Qt::Key_V, Qt::ControlModifier);
    f.key(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(f.dataSet.recordCount(), 11);
    EXPECT_TRUE(f.responder.asked.isEmpty());
}

TEST(DbGridEdit, LeftAndRightCountCharactersOfTheSelection)
{
    GridFixture f(
        true,
        "CREATE TABLE j (id int PRIMARY KEY, v text); INSERT INTO j VALUES (1, '日本語の文字列')",
        "SELECT * FROM j");
    ASSERT_TRUE(f.show());
    f.grid->setSelectedIndex(1);
    QLineEdit *editor = f.grid->InplaceEditor();
    ASSERT_EQ(editor->text(), "日本語の文字列");
    // more than half of the characters, but not all: the caret moves, not the cell
    editor->setSelection(0, 5);
    f.key(Qt::Key_Right);
    EXPECT_EQ(f.grid->SelectedIndex(), 1);
    editor->selectAll();
    f.key(Qt::Key_Left);
    EXPECT_EQ(f.grid->SelectedIndex(), 0);
}

TEST(DbGridEdit, PickListAndEllipsisButtons)
{
    GridFixture f(true, TenRows, "SELECT * FROM t ORDER BY id");
    ASSERT_TRUE(f.show());
    auto *grid = static_cast<TqvDBGridV *>(f.grid);
    grid->Columns()->Items(1)->setPickList({ "alpha", "beta", "gamma" });
    grid->Columns()->Items(2)->setButtonStyle(cbsEllipsis);
    int ellipsis = 0;
    QObject::connect(grid, &TqvDBGrid::OnEditButtonClick, [&] { ++ellipsis; });

    f.grid->setSelectedIndex(1);
    TDBGridInplaceEdit *editor = f.grid->InplaceEditor();
    ASSERT_TRUE(editor->EditButton()->isVisible());
    f.key(Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(editor->ListVisible());
    QListWidget *list = editor->PickListWidget();
    list->setCurrentRow(1);
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_FALSE(editor->ListVisible());
    EXPECT_EQ(f.dataSet.text(0, 1), "beta");
    EXPECT_EQ(editor->text(), "beta");
    f.key(Qt::Key_Down);
    EXPECT_EQ(f.second("SELECT v FROM t WHERE id = 1"), "beta");

    f.grid->setSelectedIndex(2);
    ASSERT_TRUE(editor->EditButton()->isVisible());
    QTest::mouseClick(editor->EditButton(), Qt::LeftButton);
    EXPECT_EQ(ellipsis, 1);
    f.grid->setSelectedIndex(0);
    EXPECT_FALSE(editor->EditButton()->isVisible());
}

TEST(DbGridEdit, TheScrollBarMovesTheRecordUnderTheCommitOption)
{
    const QString setup = "CREATE TABLE s (id int PRIMARY KEY, v text);"
                          "INSERT INTO s SELECT g, 'v' FROM generate_series(1, 500) AS g";
    GridFixture f(true, setup, "SELECT * FROM s ORDER BY id");
    ASSERT_TRUE(f.show());
    f.grid->setSelectedIndex(1);
    typeText(f.keyTarget(), "scrolled");
    f.grid->verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(f.dataSet.currentRow(), 499);
    EXPECT_EQ(f.grid->TopRecord(), 500 - f.grid->VisibleRecordCount());
    EXPECT_EQ(f.second("SELECT v FROM s WHERE id = 1"), "scrolled");
    EXPECT_FALSE(f.connection.autoCommit());
    f.grid->verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepSub);
    EXPECT_EQ(f.dataSet.currentRow(), 499 - f.grid->VisibleRecordCount());
    f.grid->verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMinimum);
    EXPECT_EQ(f.dataSet.currentRow(), 0);
    EXPECT_EQ(f.grid->TopRecord(), 0);
}

TEST(DbGridEdit, LeavingTheGridDropsAnUntouchedNewRecord)
{
    GridFixture f(true, TenRows, "SELECT * FROM t ORDER BY id");
    ASSERT_TRUE(f.show());
    f.dataSet.setCurrentRow(4);
    f.key(Qt::Key_Insert);
    ASSERT_EQ(f.dataSet.recordCount(), 11);
    f.window.findChild<QLineEdit *>("outside")->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(f.dataSet.recordCount(), 10);
    EXPECT_EQ(f.dataSet.state(), pg::DataSetState::Browse);
    // with text typed into it, leaving stores the text in the record, which stays new
    f.grid->setFocus();
    f.key(Qt::Key_Insert);
    f.grid->setSelectedIndex(1);
    typeText(f.keyTarget(), "typed");
    f.window.findChild<QLineEdit *>("outside")->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(f.dataSet.state(), pg::DataSetState::Insert);
    EXPECT_EQ(f.dataSet.text(f.dataSet.currentRow(), 1), "typed");
    EXPECT_TRUE(f.responder.asked.isEmpty());
}

} // namespace dbgridedittest
