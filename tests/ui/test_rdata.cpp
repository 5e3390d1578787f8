// The data frame against the fixture server: what sorting and the row limit give compared with
// the server's own ORDER BY and LIMIT, the owner rules (row limit, client encoding, column
// widths), editability of what the frame shows, its buttons and the cell texts it paints.
#include "appdoubles.h"
#include "framedemo.h"
#include "framehosts.h"
#include "uitest.h"

#include "core/qvdialoghook.h"
#include "core/qvinifile.h"
#include "core/qvmsgbox.h"
#include "core/qvoption.h"
#include "platform/pg/dataset.h"
#include "ui/qvdbgrid.h"
#include "ui/rdata.h"

#include <QFile>
#include <QMenu>
#include <QPainter>
#include <QTemporaryDir>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace appdoubles;

namespace rdatatest {

class DataFrame : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_option = AppOption;
        AppOption.TempDir = m_dir.path() + "/work/";
        AppOption.Encoding = 2;
        AppOption.UpdateMode = true;
        AppOption.DataColWidthV = 30;
        AppOption.DataColWidthH = 20;
        AppOption.DataFontName = QStringLiteral("ＭＳ ゴシック");
        AppOption.DataFontSize = 10;
        AppOption.CharacterSet = QStringLiteral("UTF8");
        m_db.exec(framedemo::fixtureSql());
        m_connection = std::make_unique<TestConnectionWindow>(m_db.name(), true);
    }
    void TearDown() override
    {
        m_connection.reset();
        AppOption = m_option;
    }

    TfrmTable *table(const QString &source, const QString &limit = QString(),
                     const QString &name = QStringLiteral("frmTable"))
    {
        TfrmTable *t = CreateForm<TfrmTable>(m_connection.get(), name);
        t->txtRecord->setText(limit);
        TDataTableSource s;
        s.schema = "public";
        s.name = source;
        t->fraData->TableName = "public." + source;
        t->fraData->setTableSource(s);
        t->fraData->Prepare();
        t->fraData->Open();
        return t;
    }

    // The values of column of every record of the frame, "<null>" for NULL.
    static QStringList frameColumn(TfraData *frame, int column)
    {
        QStringList values;
        for (int r = 0; r < frame->qryData->recordCount(); ++r)
            values << (frame->qryData->isNull(r, column) ? QStringLiteral("<null>")
                                                         : frame->qryData->text(r, column));
        return values;
    }

    QStringList serverColumn(const QString &sql) const
    {
        return testsupport::queryColumn(m_db.conninfo(), sql);
    }

    // An SQL window sized for the grids, its frame showing sql.
    TfrmSQL *sqlWindow(const QString &sql)
    {
        TfrmSQL *w = CreateForm<TfrmSQL>(m_connection.get());
        w->resize(900, 420);
        w->fraData->setSQL(sql);
        w->fraData->Prepare();
        w->fraData->Open();
        return w;
    }

    static void clickTitle(TfraData *frame, int column)
    {
        Q_EMIT frame->grdData1->OnTitleClick(frame->grdData1->Columns()->Items(column));
    }

    TqvOption m_option;
    QTemporaryDir m_dir;
    testsupport::TestDatabase m_db;
    std::unique_ptr<TestConnectionWindow> m_connection;
};

// Every column of fx_data, ascending then descending, with and without a row limit: the frame
// shows the values the server gives for the same ORDER BY and LIMIT.
TEST_F(DataFrame, SortAndLimitMatchTheServer)
{
    for (const QString &limit : { QString(), QStringLiteral("3") }) {
        QPointer<TfrmTable> t = table("fx_data", limit);
        ASSERT_TRUE(t);
        TfraData *frame = t->fraData;
        const pg::FieldList &fields = frame->qryData->fields();
        ASSERT_EQ(fields.count(), 9);
        for (int column = 0; column < fields.count(); ++column) {
            for (const bool desc : { false, true }) {
                clickTitle(frame, column);
                SCOPED_TRACE(frame->Statement().toStdString());
                ASSERT_TRUE(frame->qryData->isActive());
                EXPECT_EQ(frame->Sort(), QString::number(column + 1));
                EXPECT_EQ(frame->Desc(), desc);
                const QString name = fields.at(column).name;
                // the server's text of each value; no value of fx_data is an empty text
                QStringList expected
                    = serverColumn(QStringLiteral("SELECT %1 FROM public.fx_data ORDER BY %1%2%3")
                                       .arg(name, desc ? " DESC" : "",
                                            limit.isEmpty() ? QString() : " LIMIT " + limit));
                for (QString &value : expected) {
                    if (value.isEmpty())
                        value = QStringLiteral("<null>");
                }
                EXPECT_EQ(frameColumn(frame, column), expected);
            }
        }
        delete t.data();
    }
}

TEST_F(DataFrame, UserSqlIsWrappedNotEdited)
{
    QPointer<TfrmSQL> w = CreateForm<TfrmSQL>(m_connection.get());
    TfraData *frame = w->fraData;
    const QString sql = "select id, note from fx_data where note <> ';' order by id desc;";
    frame->setSQL(sql);
    frame->Prepare();
    frame->Open();
    EXPECT_EQ(frame->Statement(), sql) << "no sort, no limit: the text as it is";
    EXPECT_EQ(frameColumn(frame, 0).join(','), "8,7,6,3,2,1");

    clickTitle(frame, 1);
    EXPECT_EQ(frame->Statement(),
              "SELECT * FROM (\nselect id, note from fx_data where note <> ';' order by id "
              "desc\n) AS q\nORDER BY 2");
    EXPECT_EQ(frameColumn(frame, 1),
              serverColumn("SELECT coalesce(note, '<null>') FROM fx_data WHERE note <> ';' "
                           "ORDER BY note"));
    clickTitle(frame, 1);
    EXPECT_TRUE(frame->Desc());
    clickTitle(frame, 0);
    EXPECT_FALSE(frame->Desc()) << "another column sorts ascending";
    EXPECT_EQ(frameColumn(frame, 0).join(','), "1,2,3,6,7,8");
    // the user's text holds a primary key: the wrapped result stays editable
    EXPECT_FALSE(frame->qryData->isReadOnly()) << frame->qryData->readOnlyReason().toStdString();

    frame->setSQL(sql);
    EXPECT_EQ(frame->Sort(), "") << "a new text clears the sort";
    EXPECT_FALSE(frame->Desc());
    delete w.data();
}

// A title click keeps the values bound to the statement's parameters.
TEST_F(DataFrame, SortKeepsParameterValues)
{
    QPointer<TfrmSQL> w = CreateForm<TfrmSQL>(m_connection.get());
    TfraData *frame = w->fraData;
    frame->setSQL("SELECT id, name FROM fx_data WHERE id <= :top");
    frame->Prepare();
    frame->qryData->query().bind("top", pg::Param(5));
    frame->qryData->open();
    EXPECT_EQ(frame->qryData->recordCount(), 5);
    clickTitle(frame, 0);
    clickTitle(frame, 0);
    EXPECT_EQ(frameColumn(frame, 0).join(','), "5,4,3,2,1");
    delete w.data();
}

TEST_F(DataFrame, RowLimitOnlyForTheEditorsAndOnlyWholeNumbers)
{
    const struct
    {
        QString name;
        QString limit;
        int rows;
    } cases[] = {
        { "frmTable", "", 8 },  { "frmTable", "3", 3 },  { "frmView1", "2", 2 },
        { "frmMView", "1", 1 }, { "frmSchema", "2", 8 }, { "frmtable", "2", 8 },
    };
    for (const auto &c : cases) {
        QPointer<TfrmTable> t = table("fx_data", c.limit, c.name);
        ASSERT_TRUE(t);
        EXPECT_EQ(t->fraData->qryData->recordCount(), c.rows) << c.name.toStdString();
        delete t.data();
    }
    // a box holding no whole number of at least 1 stops the open with a message
    QStringList shown;
    ScopedDialogResponder responder([&shown](DialogRequest &r) {
        shown << r.text;
        return IDOK;
    });
    QPointer<TfrmTable> t = CreateForm<TfrmTable>(m_connection.get());
    TDataTableSource s;
    s.name = "fx_data";
    t->fraData->setTableSource(s);
    t->fraData->Prepare();
    t->txtRecord->setText("0");
    EXPECT_THROW(t->fraData->Open(), SilentAbort);
    EXPECT_FALSE(t->fraData->qryData->isActive());
    EXPECT_EQ(shown, QStringList { RowLimitMessage() });
    delete t.data();
}

TEST_F(DataFrame, WideTableSortsLimitsAndKeepsNoWidths)
{
    QPointer<TfrmTable> t = table("fx_wide", "7");
    TfraData *frame = t->fraData;
    ASSERT_EQ(frame->qryData->fields().count(), 121);
    clickTitle(frame, 115);
    clickTitle(frame, 115);
    EXPECT_EQ(frameColumn(frame, 115),
              serverColumn("SELECT c115 FROM fx_wide ORDER BY c115 DESC LIMIT 7"));
    frame->qryData->close();
    EXPECT_FALSE(QFile::exists(ColumnWidthsFileName("public.fx_wide")))
        << "100 columns or more: no widths kept";
    delete t.data();
}

TEST_F(DataFrame, ColumnWidthsAreWrittenOnCloseAndReadBack)
{
    AppOption.DataColWidthV = 4; // "AAAA": every column is capped to it
    QPointer<TfrmTable> t = table("fx_data");
    TfraData *frame = t->fraData;
    TDBGridColumns *columns = frame->grdData1->Columns();
    const int cap = QFontMetrics(frame->grdData1->font()).horizontalAdvance("AAAA");
    for (int i = 0; i < columns->Count(); ++i)
        EXPECT_LE(columns->Items(i)->Width(), cap) << i;
    columns->Items(1)->setWidth(123);
    frame->grdData2->setDefaultColWidth(77);
    frame->qryData->close();

    const TqvMemIniFile file(ColumnWidthsFileName("public.fx_data"), GetFileEncoding());
    EXPECT_EQ(file.ReadInteger("COLWIDTH_V", "name", 0), 123);
    EXPECT_EQ(file.ReadInteger("COLWIDTH_H", "(ALL)", 0), 77);
    EXPECT_EQ(file.ReadSection("COLWIDTH_V").size(), 9);

    frame->grdData2->setDefaultColWidth(50);
    frame->Prepare();
    frame->Open();
    EXPECT_EQ(columns->Items(1)->Width(), 123);
    EXPECT_EQ(frame->grdData2->DefaultColWidth(), 77);
    delete t.data();

    // a frame whose owner is not a table editor keeps nothing
    QPointer<TfrmSQL> w = CreateForm<TfrmSQL>(m_connection.get());
    w->fraData->TableName = "public.other";
    w->fraData->setSQL("SELECT * FROM fx_data");
    w->fraData->Prepare();
    w->fraData->Open();
    w->fraData->qryData->close();
    EXPECT_FALSE(QFile::exists(ColumnWidthsFileName("public.other")));
    delete w.data();
}

// The client encoding of the option travels as a value: a Japanese text still reads back
// whole in SJIS, and a value that is no encoding fails without opening anything.
TEST_F(DataFrame, ClientEncodingThroughTheDataLayer)
{
    AppOption.CharacterSet = "SJIS";
    QPointer<TfrmTable> t = table("fx_data");
    EXPECT_EQ(m_connection->dbsMain()->clientEncoding(), "SJIS");
    const int nameField = t->fraData->qryData->fieldIndex("name");
    EXPECT_EQ(t->fraData->qryData->text(0, nameField), QStringLiteral("受注"));
    delete t.data();

    AppOption.CharacterSet = "UTF8'; DROP TABLE fx_data; --";
    QPointer<TfrmTable> bad = CreateForm<TfrmTable>(m_connection.get());
    TDataTableSource s;
    s.name = "fx_data";
    bad->fraData->setTableSource(s);
    bad->fraData->Prepare();
    EXPECT_THROW(bad->fraData->Open(), pg::Error);
    EXPECT_FALSE(bad->fraData->qryData->isActive());
    EXPECT_EQ(m_db.query("SELECT count(*) FROM fx_data"), "8");
    delete bad.data();
}

// The table editor's rows stay editable after a sort, also for a table without a primary key.
TEST_F(DataFrame, TableRowsStayEditableAfterSorting)
{
    for (const QString &source : { QStringLiteral("fx_data"), QStringLiteral("fx_nopk") }) {
        SCOPED_TRACE(source.toStdString());
        QPointer<TfrmTable> t = table(source, "10");
        TfraData *frame = t->fraData;
        clickTitle(frame, 1);
        clickTitle(frame, 1);
        pg::DataSet *set = frame->qryData;
        ASSERT_FALSE(set->isReadOnly()) << set->readOnlyReason().toStdString();
        EXPECT_TRUE(frame->btnIns->isEnabled());
        set->first();
        const int key = set->text(0).toInt();
        set->edit();
        set->setText(1, "edited");
        set->post();
        const QString keyColumn = source == "fx_data" ? "id" : "a";
        const QString textColumn = source == "fx_data" ? "name" : "b";
        EXPECT_EQ(m_db.query(QStringLiteral("SELECT %1 FROM %2 WHERE %3 = %4")
                                 .arg(textColumn, source, keyColumn)
                                 .arg(key)),
                  "edited");
        delete t.data();
    }
}

TEST_F(DataFrame, ButtonsGridSwitchAndNavigation)
{
    QPointer<TfrmSQL> w = CreateForm<TfrmSQL>(m_connection.get());
    TfraData *frame = w->fraData;
    for (const char *name :
         { "btnCopy", "btnIns", "btnDel", "btnFirst", "btnPrev", "btnNext", "btnLast" })
        EXPECT_FALSE(frame->findChild<QToolButton *>(name)->isEnabled()) << name;
    EXPECT_TRUE(frame->btnUpdate->isEnabled());
    EXPECT_TRUE(frame->btnUpdate->isChecked()) << "edit mode from the option";
    EXPECT_EQ(frame->btnUpdate->toolTip(), QStringLiteral("結果を編集可能にする"));

    // a result that cannot be written back: no insert or delete
    frame->setSQL("SELECT g AS id, 'x' AS name FROM generate_series(1, 8) g");
    frame->Prepare();
    frame->Open();
    EXPECT_FALSE(frame->btnIns->isEnabled());
    EXPECT_TRUE(frame->btnNext->isEnabled());
    {
        // edit mode asked for on a read-only result: told, and the button goes up
        QStringList shown;
        ScopedDialogResponder responder([&shown](DialogRequest &r) {
            shown << r.text;
            return IDOK;
        });
        frame->btnUpdate->click();
        frame->btnUpdate->click();
        EXPECT_EQ(shown, QStringList { QStringLiteral("この結果セットには書き込み出来ません。") });
        EXPECT_FALSE(frame->btnUpdate->isChecked());
    }

    pg::DataSet *set = frame->qryData;
    frame->btnLast->click();
    EXPECT_EQ(set->recNo(), 8);
    frame->btnPrev->click();
    EXPECT_EQ(set->recNo(), 7);
    frame->btnFirst->click();
    EXPECT_EQ(set->recNo(), 1);
    frame->grdData1->SelectedRecords()->setCurrentRowSelected(true);
    frame->btnNext->click();
    EXPECT_EQ(set->recNo(), 2);
    EXPECT_EQ(frame->grdData1->SelectedRecords()->Count(), 0) << "moving clears the selection";

    EXPECT_TRUE(frame->GridType());
    EXPECT_FALSE(frame->grdData1->isHidden());
    EXPECT_TRUE(frame->grdData2->isHidden());
    frame->btnGridType->click();
    EXPECT_FALSE(frame->GridType());
    EXPECT_TRUE(frame->grdData1->isHidden());
    EXPECT_FALSE(frame->grdData2->isHidden());
    EXPECT_EQ(frame->grdData2->DataSet(), set);
    EXPECT_EQ(frame->grdData2->Rows()->Count(), 2);

    set->close();
    EXPECT_FALSE(frame->btnCopy->isEnabled());
    delete w.data();
}

TEST_F(DataFrame, CellTexts)
{
    QPointer<TfrmSQL> w = CreateForm<TfrmSQL>(m_connection.get());
    TfraData *frame = w->fraData;
    frame->setSQL("SELECT id, payload, amount, name, '.5'::numeric AS n FROM fx_data ORDER BY id");
    frame->Prepare();
    frame->Open();
    EXPECT_EQ(frame->CellText(0, 1), "0001FF") << "bytea as the hexadecimal of its bytes";
    EXPECT_EQ(frame->CellText(1, 1), "DEADBEEF");
    EXPECT_EQ(frame->CellText(2, 1), "(NULL)");
    EXPECT_EQ(frame->CellText(3, 1), "") << "no bytes";
    EXPECT_EQ(frame->CellText(3, 2), "(NULL)");
    EXPECT_EQ(frame->CellText(0, 2), "") << "the grid's own text stands";
    EXPECT_EQ(frame->CellText(0, 3), "");
    EXPECT_EQ(frame->CellText(0, 4), "") << "the server writes 0.5 itself";
    delete w.data();

    // many bytes are cut for the screen
    m_db.exec("UPDATE fx_data SET payload = decode(repeat('ab', 2000), 'hex') WHERE id = 1");
    QPointer<TfrmSQL> w2 = CreateForm<TfrmSQL>(m_connection.get());
    w2->fraData->setSQL("SELECT payload FROM fx_data WHERE id = 1");
    w2->fraData->Prepare();
    w2->fraData->Open();
    const QString hex = w2->fraData->CellText(0, 0);
    EXPECT_EQ(hex.size(), 2049);
    EXPECT_TRUE(hex.startsWith("ABAB"));
    EXPECT_TRUE(hex.endsWith(QChar(0x2026)));
    delete w2.data();
}

// A sort by a title keeps the user's own SELECT around the table, so that a table without a
// primary key stays editable (its row identity is added by the data layer), and the values
// come back sorted as the server sorts them.
TEST_F(DataFrame, SortingTheUsersSelectKeepsAKeylessTableEditable)
{
    const QString texts[] = {
        "SELECT a, b FROM fx_nopk",
        "select * from fx_nopk;",
        "SELECT a, b FROM fx_nopk WHERE a > 0 -- every row",
        "SELECT a, b\nFROM fx_nopk\n/* all */",
    };
    for (const QString &sql : texts) {
        SCOPED_TRACE(sql.toStdString());
        m_db.exec("TRUNCATE fx_nopk; INSERT INTO fx_nopk VALUES (1, 'one'), (2, 'two'), "
                  "(3, 'three')");
        QPointer<TfrmSQL> w = sqlWindow(sql);
        TfraData *frame = w->fraData;
        pg::DataSet *set = frame->qryData;
        ASSERT_FALSE(set->isReadOnly()) << set->readOnlyReason().toStdString();
        clickTitle(frame, 1);
        clickTitle(frame, 1);
        ASSERT_TRUE(set->isActive());
        EXPECT_EQ(frameColumn(frame, 1).join(','), "two,three,one");
        EXPECT_FALSE(set->isReadOnly()) << "sorted: " << set->readOnlyReason().toStdString();
        EXPECT_TRUE(frame->btnIns->isEnabled());
        EXPECT_TRUE(frame->btnDel->isEnabled());
        if (!set->isReadOnly()) {
            set->first();
            set->edit();
            set->setText(1, "zwei");
            set->post();
            EXPECT_EQ(m_db.query("SELECT b FROM fx_nopk WHERE a = 2"), "zwei");
        }
        delete w.data();
    }
}

// The tool bar offers only what works: the workbook and clipboard output and the totals are
// offered with a result; every button has a hint.
TEST_F(DataFrame, ToolBarOffersOnlyWhatWorksAndHintsEveryButton)
{
    QPointer<TfrmSQL> w = sqlWindow("SELECT * FROM fx_data");
    TfraData *frame = w->fraData;
    ASSERT_TRUE(frame->qryData->isActive());
    EXPECT_TRUE(frame->btnExcel->isEnabled());
    EXPECT_TRUE(frame->btnCopy->isEnabled());
    auto *group = frame->popColumn->findChild<QMenu *>("mnugroup");
    ASSERT_TRUE(group);
    EXPECT_TRUE(group->menuAction()->isEnabled());
    for (const QAction *a : frame->popColumn->actions()) {
        if (a->objectName() == "mnuSort") {
            EXPECT_TRUE(a->isEnabled());
        }
    }
    const QStringList hints = { "結果を編集可能にする",
                                "出力方向変更",
                                "結果をExcelファイルに出力する",
                                "結果をクリップボードに出力する",
                                "レコードの挿入",
                                "レコードの削除",
                                "先頭のレコード",
                                "前のレコード",
                                "次のレコード",
                                "最後のレコード" };
    const QToolButton *buttons[]
        = { frame->btnUpdate, frame->btnGridType, frame->btnExcel, frame->btnCopy, frame->btnIns,
            frame->btnDel,    frame->btnFirst,    frame->btnPrev,  frame->btnNext, frame->btnLast };
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(buttons[i]->toolTip(), hints.at(i)) << buttons[i]->objectName().toStdString();
    delete w.data();
}

// The title of the sorted field carries the mark in both grids, pointing the sort's way; a
// new text drops it.
TEST_F(DataFrame, SortedFieldIsMarkedInBothGrids)
{
    QPointer<TfrmSQL> w = sqlWindow("SELECT id, name, amount FROM fx_data");
    TfraData *frame = w->fraData;
    EXPECT_EQ(frame->grdData1->SortMarkField(), -1);
    clickTitle(frame, 2);
    EXPECT_EQ(frame->grdData1->SortMarkField(), 2);
    EXPECT_FALSE(frame->grdData1->SortMarkDescending());
    EXPECT_EQ(frame->grdData2->SortMarkField(), 2);
    clickTitle(frame, 2);
    EXPECT_TRUE(frame->grdData1->SortMarkDescending());
    EXPECT_TRUE(frame->grdData2->SortMarkDescending());
    Q_EMIT frame->grdData2->OnTitleClick(frame->grdData2->Rows()->Items(1));
    EXPECT_EQ(frame->grdData1->SortMarkField(), 1);
    EXPECT_EQ(frame->grdData2->SortMarkField(), 1);
    frame->setSQL("SELECT id, name, amount FROM fx_data");
    frame->Prepare();
    frame->Open();
    EXPECT_EQ(frame->grdData1->SortMarkField(), -1);
    EXPECT_EQ(frame->grdData2->SortMarkField(), -1);
    delete w.data();
}

// Switching to the grid with one record per column after moving shows the records the grid
// has room for, the current one among them, from the first on.
TEST_F(DataFrame, SwitchingTheGridKeepsRecordsInView)
{
    struct Case
    {
        int current;
        int top;
    };
    const Case cases[] = { { 1, 0 }, { 0, 0 }, { 3, 0 } };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.current);
        QPointer<TfrmSQL> w = sqlWindow("SELECT * FROM fx_data ORDER BY id");
        TfraData *frame = w->fraData;
        ASSERT_TRUE(showActive(*w));
        frame->qryData->setCurrentRow(c.current);
        QApplication::processEvents();
        frame->btnGridType->click();
        QTest::qWait(50);
        TqvDBGridH *grid = frame->grdData2;
        ASSERT_GE(grid->VisibleRecordCount(), 4) << "the test needs room for four records";
        EXPECT_EQ(grid->TopRecord(), c.top);
        EXPECT_FALSE(
            grid->GetCellRect(grid->TitleOffset() + c.current - grid->TopRecord(), 1).isEmpty());
        // and back: the other grid shows its records from the first on as well
        frame->btnGridType->click();
        QTest::qWait(50);
        EXPECT_EQ(frame->grdData1->TopRecord(), 0);
        delete w.data();
    }
}

// Under the option DataShowMode 2 the grid with one record per column right-aligns every
// value, bytea and NULL included; 0 and 1 put bytea at the left.
TEST_F(DataFrame, DataShowModeAlignsByteaAndNull)
{
    struct Case
    {
        int mode;
        int record; // 0: '\x0001ff'; 2: NULL
        bool right;
    };
    const Case cases[] = {
        { 2, 0, true }, { 2, 2, true }, { 0, 0, false }, { 1, 0, false }, { 1, 2, false },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(QString("mode %1, record %2").arg(c.mode).arg(c.record).toStdString());
        AppOption.DataShowMode = c.mode;
        QPointer<TfrmSQL> w = sqlWindow("SELECT id, payload FROM fx_data ORDER BY id");
        TfraData *frame = w->fraData;
        frame->btnGridType->click();
        ASSERT_TRUE(showActive(*w));
        QTest::qWait(50);
        TqvDBGridH *grid = frame->grdData2;
        grid->setDefaultColWidth(160);
        frame->qryData->setCurrentRow(3); // the editor away from the cells looked at
        QApplication::processEvents();
        ASSERT_EQ(grid->TopRecord(), 0);
        const QRect cell = grid->GetCellRect(grid->TitleOffset() + c.record - grid->TopRecord(),
                                             grid->IndicatorOffset() + 1);
        ASSERT_FALSE(cell.isEmpty());
        QImage image(grid->viewport()->size(), QImage::Format_RGB32);
        grid->viewport()->render(&image, QPoint(), QRegion(), QWidget::DrawWindowBackground);
        const QRgb background = image.pixel(cell.left() + 1, cell.bottom() - 1);
        int left = cell.right();
        int right = cell.left();
        for (int y = cell.top(); y <= cell.bottom(); ++y) {
            for (int x = cell.left(); x <= cell.right(); ++x) {
                if (image.pixel(x, y) != background) {
                    left = qMin(left, x);
                    right = qMax(right, x);
                }
            }
        }
        ASSERT_LE(left, right) << "nothing painted";
        if (c.right) {
            EXPECT_GT(left, cell.center().x()) << "not at the right";
            EXPECT_GE(right, cell.right() - 8);
        } else {
            EXPECT_LE(left, cell.left() + 4) << "not at the left";
        }
        delete w.data();
    }
}

// "(NULL)" stays legible where the cell is selected: its colour stands out against the
// selection's as much as against white.
TEST_F(DataFrame, NullIsLegibleOnTheSelection)
{
    QPointer<TfrmSQL> w = sqlWindow("SELECT id, name, note FROM fx_data ORDER BY id");
    TfraData *frame = w->fraData;
    ASSERT_TRUE(showActive(*w));
    TqvDBGridV *grid = frame->grdData1;
    // record 3 (name NULL) selected with the name field, the current record elsewhere
    frame->qryData->setCurrentRow(2);
    grid->SelectedRecords()->setCurrentRowSelected(true);
    grid->setRangeStart(1);
    grid->setRangeEnd(1);
    frame->qryData->setCurrentRow(5);
    QApplication::processEvents();
    const QRect cell = grid->GetCellRect(grid->IndicatorOffset() + 1, grid->TitleOffset() + 2);
    QImage image(grid->viewport()->size(), QImage::Format_RGB32);
    grid->viewport()->render(&image, QPoint(), QRegion(), QWidget::DrawWindowBackground);
    const QColor highlight = grid->palette().color(QPalette::Highlight);
    ASSERT_EQ(QColor(image.pixel(cell.right() - 2, cell.center().y())), highlight)
        << "the cell is not painted as selected";
    auto luminance = [](const QColor &c) {
        auto ch = [](double v) {
            return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * ch(c.redF()) + 0.7152 * ch(c.greenF()) + 0.0722 * ch(c.blueF());
    };
    const double lb = luminance(highlight);
    double best = 1;
    for (int y = cell.top(); y <= cell.bottom(); ++y) {
        for (int x = cell.left(); x <= cell.right(); ++x) {
            const double l = luminance(QColor(image.pixel(x, y)));
            best = std::max(best, (std::max(l, lb) + 0.05) / (std::min(l, lb) + 0.05));
        }
    }
    EXPECT_GE(best, 3.0) << "the text of the selected NULL cell hardly stands out";
    delete w.data();
}

// The demo window builds, shows its frame with the task button, and paints.
TEST_F(DataFrame, DemoHostPaints)
{
    framedemo::DemoWindow demo = framedemo::buildDemo(m_db.name());
    ASSERT_TRUE(demo.table);
    demo.main->show();
    TfraData *frame = demo.table->fraData;
    EXPECT_TRUE(frame->qryData->isActive());
    EXPECT_EQ(frame->qryData->recordCount(), 8);
    ASSERT_TRUE(demo.table->TaskButton());
    EXPECT_EQ(demo.table->TaskButton()->parentWidget(), demo.main->tolTask());
    const QImage image = demo.main->grab().toImage();
    EXPECT_FALSE(image.isNull());
    delete demo.table;
}

} // namespace rdatatest
