// The data frame's output of its whole result against the fixture server: the clipboard text in
// each header mode and separator, workbooks in both layouts read back from the file (cells,
// widths, text formats, titles, start cell, sheet names, templates), a stopped output that
// changes nothing, and the row count of the per-column layout.
#include "appdoubles.h"
#include "framehosts.h"
#include "uitest.h"
#include "xlsxread.h"

#include "core/qvdialoghook.h"
#include "core/qvmsgbox.h"
#include "core/qvoption.h"
#include "core/qvsub.h"
#include "platform/pg/dataset.h"
#include "platform/pg/error.h"
#include "platform/workbook/workbook.h"
#include "ui/fxlssql.h"
#include "ui/qvgrid.h"
#include "ui/qvstdctl.h"
#include "ui/rdata.h"
#include "ui/rdataout.h"

#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace appdoubles;

namespace rdataouttest {

const QString ordersSql
    = QStringLiteral("SELECT code, name, amount, qty, ordered, stamp, payload, done, note "
                     "FROM wbk.orders ORDER BY code");

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A table editor with its column grid (name in column 1, comment in column 6).
class TfrmTableColumns : public TfrmTable
{
public:
    explicit TfrmTableColumns(QObject *owner)
        : TfrmTable(owner)
    {
        grdColumn = new TqvStringGrid(this);
        grdColumn->setObjectName(QStringLiteral("grdColumn"));
        grdColumn->hide();
        grdColumn->setColCount(7);
        grdColumn->setRowCount(3);
        grdColumn->setCells(1, 1, QStringLiteral("code"));
        grdColumn->setCells(6, 1, QStringLiteral("受注番号"));
        grdColumn->setCells(1, 2, QStringLiteral("note"));
        grdColumn->setCells(6, 2, QString());
    }
    TqvStringGrid *grdColumn;
};

class DataOutput : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_option = AppOption;
        AppOption.TempDir = m_dir.path() + "/work/";
        AppOption.ExcelDir = m_dir.path() + "/out/";
        AppOption.ExcelExt = QStringLiteral(".XLSX");
        AppOption.UpdateMode = false;
        AppOption.PasteDialog = false;
        AppOption.ExcelDialog = false;
        AppOption.ExcelRefresh = false;
        AppOption.ExcelSheet.clear();
        AppOption.ExcelForm.clear();
        AppOption.ExcelTop = 0;
        AppOption.ExcelLeft = 0;
        m_connection = std::make_unique<TestConnectionWindow>(m_db.name(), true);
    }
    void TearDown() override
    {
        m_windows.clear();
        m_connection.reset();
        AppOption = m_option;
    }

    TfraData *sqlFrame(const QString &sql)
    {
        TfrmSQL *w = CreateForm<TfrmSQL>(m_connection.get());
        m_windows.emplace_back(w);
        w->fraData->setSQL(sql);
        w->fraData->Prepare();
        w->fraData->Open();
        return w->fraData;
    }

    // Runs the frame's workbook command, filling the options dialog as the user would.
    void excelThroughDialog(TfraData *frame, const QString &file, const QString &sheet,
                            const QString &templ, int column, int row, int mode, int title,
                            bool escapeAfterDialog = false)
    {
        whenModal([=](QWidget *modal) {
            auto *dialog = qobject_cast<TfrmXlsSQL *>(modal);
            if (!dialog) {
                modal->close();
                return;
            }
            dialog->txtSaveFile->setText(file);
            dialog->txtSheet->setText(sheet);
            dialog->txtFormFile->setText(templ);
            dialog->cmbColumn->setCurrentIndex(column);
            dialog->txtRow->setValueInt(row);
            dialog->setExcelModeIndex(mode);
            dialog->setExcelTitleIndex(title);
            dialog->btnOk->click();
            if (escapeAfterDialog)
                postEscape(frame);
        });
        frame->btnExcel->click();
    }

    // The responder that records every message and answers Yes / OK.
    ScopedDialogResponder recordMessages()
    {
        return ScopedDialogResponder([this](DialogRequest &r) {
            m_messages << r.text;
            return r.buttons.contains(IDYES) ? IDYES : IDOK;
        });
    }

    static void postEscape(QWidget *to)
    {
        QCoreApplication::postEvent(
            to, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
        QCoreApplication::postEvent(
            to, new QKeyEvent(QEvent::KeyRelease, Qt::Key_Escape, Qt::NoModifier));
    }

    TqvOption m_option;
    QTemporaryDir m_dir;
    testsupport::TestDatabase m_db;
    std::unique_ptr<TestConnectionWindow> m_connection;
    std::vector<std::unique_ptr<QWidget>> m_windows;
    QStringList m_messages;
};

const QString rowsTab = QStringLiteral("00123\t受注\t1250.50\t\"tab\tand \"\"quote\"\"\"\r\n"
                                       "00456\torder\t-3.25\t\"line\nbreak\"\r\n"
                                       "A-9\t\t\ta,b\r\n");

struct ClipboardCase
{
    const char *label;
    TTitleMode pasteTitle;
    int pasteColumn;
    bool dialog; // the question with its two boxes
    bool tickHeader; // the answer's boxes (dialog only)
    bool tickComma;
    QString expected;
};

class ClipboardOutput : public DataOutput, public ::testing::WithParamInterface<ClipboardCase>
{
};

TEST_P(ClipboardOutput, WritesHeaderAndSeparator)
{
    const ClipboardCase c = GetParam();
    AppOption.PasteTitle = c.pasteTitle;
    AppOption.PasteColumn = c.pasteColumn;
    AppOption.PasteDialog = c.dialog;
    TfraData *frame = sqlFrame(QStringLiteral("SELECT code, name, amount, note FROM wbk.orders "
                                              "ORDER BY code"));
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    QList<bool> offered;
    ScopedDialogResponder responder([&](DialogRequest &r) {
        m_messages << r.text;
        if (r.kind == DialogKind::CheckMessage) {
            for (const DialogCheck &check : r.checks)
                offered << check.checked;
            r.checks[0].checked = c.tickHeader;
            r.checks[1].checked = c.tickComma;
            return IDYES;
        }
        return IDOK;
    });
    ASSERT_TRUE(frame->btnCopy->isEnabled());
    frame->btnCopy->click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), c.expected);
    EXPECT_EQ(m_messages.last(), ClipboardDoneMessage());
    if (c.dialog) {
        EXPECT_EQ(offered, QList<bool>({ c.pasteTitle != tmNone, c.pasteColumn == 1 }));
        EXPECT_EQ(AppOption.PasteColumn, c.tickComma ? 1 : 0) << "the separator is remembered";
    }
}

QString commaRows()
{
    return QStringLiteral("00123,受注,1250.50,\"tab\tand \"\"quote\"\"\"\r\n"
                          "00456,order,-3.25,\"line\nbreak\"\r\n"
                          "A-9,,,a,b\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    Table, ClipboardOutput,
    ::testing::Values(ClipboardCase { "namesTab", tmColumnName, 0, false, false, false,
                                      QStringLiteral("code\tname\tamount\tnote\r\n") + rowsTab },
                      ClipboardCase { "noneTab", tmNone, 0, false, false, false, rowsTab },
                      ClipboardCase { "namesComma", tmColumnName, 1, false, false, false,
                                      QStringLiteral("code,name,amount,note\r\n") + commaRows() },
                      // a comment title from a window without a column grid is the name
                      ClipboardCase { "commentWithoutGrid", tmComment, 0, false, false, false,
                                      QStringLiteral("code\tname\tamount\tnote\r\n") + rowsTab },
                      // with no title mode, ticking the header box gives the names
                      ClipboardCase { "dialogNoneTicked", tmNone, 0, true, true, true,
                                      QStringLiteral("code,name,amount,note\r\n") + commaRows() },
                      ClipboardCase { "dialogUnticked", tmColumnName, 1, true, false, false,
                                      rowsTab }),
    [](const auto &info) { return std::string(info.param.label); });

TEST_F(DataOutput, ClipboardCommentTitlesComeFromTheColumnGrid)
{
    AppOption.PasteTitle = tmComment;
    auto *t = CreateForm<TfrmTableColumns>(m_connection.get());
    m_windows.emplace_back(t);
    TDataTableSource s;
    s.schema = QStringLiteral("wbk");
    s.name = QStringLiteral("orders");
    s.columns = QStringList { "code", "name", "note" };
    t->fraData->setTableSource(s);
    t->fraData->Prepare();
    t->fraData->Open();
    EXPECT_EQ(OutputTitles(t->fraData, tmComment), QStringList({ "受注番号", "name", "note" }));
    EXPECT_EQ(OutputTitles(t->fraData, tmColumnName), QStringList({ "code", "name", "note" }));
}

// Esc during the output: the user's clipboard text stays, and the message says the output
// stopped; never the success message over partial text.
TEST_F(DataOutput, CancelledClipboardOutputKeepsTheClipboard)
{
    TfraData *frame
        = sqlFrame(QStringLiteral("SELECT g, 'value ' || g FROM generate_series(1, 300000) g"));
    QGuiApplication::clipboard()->setText(QStringLiteral("the user's text"));
    auto responder = recordMessages();
    postEscape(frame);
    frame->btnCopy->click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("the user's text"));
    ASSERT_EQ(m_messages.size(), 1);
    EXPECT_EQ(m_messages.last(), ClipboardCancelledMessage());
}

TEST_F(DataOutput, WorkbookOneRecordPerRowFromTheDialog)
{
    TfraData *frame = sqlFrame(ordersSql);
    const QString file = m_dir.filePath(QStringLiteral("rows.xlsx"));
    auto responder = recordMessages();
    excelThroughDialog(frame, file, QStringLiteral("受注"), QString(), 2, 3, 0, 0);
    ASSERT_EQ(m_messages, QStringList({ WorkbookDoneMessage() }));
    EXPECT_EQ(AppOption.ExcelLeft, 2);
    EXPECT_EQ(AppOption.ExcelTop, 2);
    EXPECT_EQ(AppOption.ExcelSheet, QStringLiteral("受注"));

    EXPECT_EQ(xlsxread::sheetNames(file), QStringList({ "受注" }));
    const auto cells = xlsxread::cells(file, QStringLiteral("受注"));
    const auto styles = xlsxread::cellStyles(file);
    // titles in row 3 from column C
    const QStringList titles { "code",  "name",    "amount", "qty", "ordered",
                               "stamp", "payload", "done",   "note" };
    for (int i = 0; i < titles.size(); ++i)
        EXPECT_EQ(cells.value(workbook::CellName(2, 2 + i)).value, titles[i]) << i;
    EXPECT_FALSE(cells.contains("A1"));
    EXPECT_FALSE(cells.contains("B3"));
    // records from row 4
    EXPECT_EQ(cells.value("C4").value, "00123");
    EXPECT_EQ(styles.value(cells.value("C4").style).numberFormat, "@");
    EXPECT_EQ(cells.value("C6").value, "A-9");
    EXPECT_EQ(cells.value("D4").value, "受注");
    EXPECT_EQ(styles.value(cells.value("D4").style).numberFormat, "@");
    EXPECT_EQ(cells.value("E4").value, "1250.5");
    EXPECT_EQ(cells.value("E4").type, "");
    EXPECT_EQ(styles.value(cells.value("E4").style).numberFormat, "General");
    EXPECT_EQ(cells.value("E5").value, "-3.25");
    EXPECT_FALSE(cells.contains("E6")) << "NULL leaves the cell empty";
    EXPECT_EQ(cells.value("F4").value, "3");
    EXPECT_EQ(cells.value("G4").value, "45351");
    EXPECT_EQ(styles.value(cells.value("G4").style).numberFormat, "yyyy/mm/dd");
    EXPECT_EQ(cells.value("H4").value, "45351.75");
    EXPECT_EQ(styles.value(cells.value("H5").style).numberFormat, "yyyy/mm/dd hh:mm:ss.000");
    EXPECT_EQ(cells.value("I4").value, "00FF");
    EXPECT_EQ(styles.value(cells.value("I4").style).numberFormat, "@");
    EXPECT_EQ(cells.value("J4").value, "true");
    EXPECT_EQ(cells.value("K4").value, "tab\tand \"quote\"");
    EXPECT_EQ(cells.value("K5").value, "line\nbreak");
    // widths from the display widths, 1 .. 255; the text columns wholly in text format
    const auto widths = xlsxread::columnWidths(file, QStringLiteral("受注"));
    const pg::FieldList &fields = frame->qryData->fields();
    for (int i = 0; i < fields.count(); ++i) {
        const int expected
            = qBound(1, fields.at(i).displayWidth > 0 ? fields.at(i).displayWidth : 10, 255);
        EXPECT_GE(widths.value(3 + i), expected) << i;
        EXPECT_LT(widths.value(3 + i), expected + 1) << i;
    }
    const QDomDocument sheet
        = xlsxread::xml(file, xlsxread::sheetPart(file, QStringLiteral("受注")));
    QStringList textColumns;
    for (const QDomElement &col : xlsxread::elements(sheet, "col")) {
        if (styles.value(col.attribute("style").toInt()).numberFormat == "@"
            && col.hasAttribute("style"))
            textColumns << workbook::ColumnName(col.attribute("min").toInt() - 1);
    }
    EXPECT_EQ(textColumns, QStringList({ "C", "D", "I", "K" }));
    // the reserved default name is gone again: only the chosen file was written
    EXPECT_TRUE(QDir(AppOption.ExcelDir).entryList(QDir::Files).isEmpty());
}

TEST_F(DataOutput, WorkbookOneRecordPerColumn)
{
    TfraData *frame = sqlFrame(QStringLiteral("SELECT code, amount, note FROM wbk.orders "
                                              "ORDER BY code;"));
    const QString file = m_dir.filePath(QStringLiteral("columns.xlsx"));
    auto responder = recordMessages();
    excelThroughDialog(frame, file, QString(), QString(), 1, 2, 1, 0);
    ASSERT_EQ(m_messages, QStringList({ WorkbookDoneMessage() }));
    EXPECT_EQ(AppOption.ExcelMode, 1);
    EXPECT_EQ(xlsxread::sheetNames(file), QStringList({ "Sheet1" }));
    const auto cells = xlsxread::cells(file, QStringLiteral("Sheet1"));
    const auto styles = xlsxread::cellStyles(file);
    // titles down column B from row 2, one record per column from C
    EXPECT_EQ(cells.value("B2").value, "code");
    EXPECT_EQ(cells.value("B3").value, "amount");
    EXPECT_EQ(cells.value("B4").value, "note");
    EXPECT_EQ(cells.value("C2").value, "00123");
    EXPECT_EQ(cells.value("D2").value, "00456");
    EXPECT_EQ(cells.value("E2").value, "A-9");
    EXPECT_EQ(styles.value(cells.value("E2").style).numberFormat, "@");
    EXPECT_EQ(cells.value("C3").value, "1250.5");
    EXPECT_EQ(styles.value(cells.value("C3").style).numberFormat, "General");
    EXPECT_EQ(cells.value("E4").value, "a,b");
    EXPECT_EQ(styles.value(cells.value("E4").style).numberFormat, "@");
    EXPECT_FALSE(cells.contains("F2"));
    const auto widths = xlsxread::columnWidths(file, QStringLiteral("Sheet1"));
    EXPECT_GE(widths.value(2), 20);
    EXPECT_LT(widths.value(2), 21);
    // the rows of text fields are text rows
    const QDomDocument sheet = xlsxread::xml(file, xlsxread::sheetPart(file, "Sheet1"));
    QStringList textRows;
    for (const QDomElement &row : xlsxread::elements(sheet, "row")) {
        if (row.attribute("customFormat") == "1"
            && styles.value(row.attribute("s").toInt()).numberFormat == "@")
            textRows << row.attribute("r");
    }
    EXPECT_EQ(textRows, QStringList({ "2", "4" }));
}

TEST_F(DataOutput, WorkbookWithoutTitles)
{
    TfraData *frame = sqlFrame(QStringLiteral("SELECT code FROM wbk.orders ORDER BY code"));
    const QString file = m_dir.filePath(QStringLiteral("plain.xlsx"));
    auto responder = recordMessages();
    excelThroughDialog(frame, file, QStringLiteral("S"), QString(), 0, 1, 0, 2);
    const auto cells = xlsxread::cells(file, QStringLiteral("S"));
    EXPECT_EQ(cells.value("A1").value, "00123");
    EXPECT_EQ(cells.value("A3").value, "A-9");
    EXPECT_EQ(cells.size(), 3);
}

// A template made by the test: a styled sheet "Data" and a sheet "Cover". The output fills
// "Data" keeping its styles, or adds a sheet of a name the template lacks.
TEST_F(DataOutput, WorkbookFillsATemplate)
{
    const QString templ = m_dir.filePath(QStringLiteral("form.xlsx"));
    int headStyle = 0;
    {
        workbook::Workbook book;
        workbook::Format head;
        head.bold = true;
        head.border = workbook::Border::Thin;
        head.fillColor = 0xDDEEFF;
        const int h = book.addFormat(head);
        headStyle = h;
        book.addSheet(QStringLiteral("Cover")).setText(0, 0, QStringLiteral("受注一覧"));
        workbook::Sheet &data = book.addSheet(QStringLiteral("Data"));
        for (int c = 0; c < 3; ++c)
            data.setBlank(1, c, h);
        data.setColumnWidth(5, 5, 33);
        book.save(templ);
    }
    const QByteArray templateBytes = fileBytes(templ);
    const auto templateStyles = xlsxread::cellStyles(templ);
    const int headXf = xlsxread::cells(templ, "Data").value("A2").style;
    ASSERT_GT(headXf, 0);
    Q_UNUSED(headStyle);

    TfraData *frame
        = sqlFrame(QStringLiteral("SELECT code, name, qty FROM wbk.orders ORDER BY code"));
    const QString file = m_dir.filePath(QStringLiteral("filled.xlsx"));
    auto responder = recordMessages();
    excelThroughDialog(frame, file, QStringLiteral("Data"), templ, 0, 2, 0, 0);
    ASSERT_EQ(m_messages, QStringList({ WorkbookDoneMessage() }));
    EXPECT_EQ(fileBytes(templ), templateBytes);
    EXPECT_EQ(xlsxread::sheetNames(file), QStringList({ "Cover", "Data" }));
    const auto cells = xlsxread::cells(file, QStringLiteral("Data"));
    EXPECT_EQ(cells.value("A2").value, "code");
    EXPECT_EQ(cells.value("A2").style, headXf) << "the template's title style stays";
    EXPECT_EQ(cells.value("C2").value, "qty");
    EXPECT_EQ(cells.value("C2").style, headXf);
    EXPECT_EQ(cells.value("A3").value, "00123");
    EXPECT_EQ(xlsxread::cellStyles(file).value(cells.value("A3").style).numberFormat, "@");
    EXPECT_EQ(cells.value("C4").value, "");
    EXPECT_EQ(cells.value("C5").value, "7");
    EXPECT_EQ(xlsxread::cells(file, "Cover").value("A1").value, "受注一覧");
    EXPECT_GE(xlsxread::columnWidths(file, "Data").value(6), 33);
    const auto styles = xlsxread::cellStyles(file);
    for (int i = 0; i < templateStyles.size(); ++i)
        EXPECT_EQ(styles.value(i).xml, templateStyles[i].xml) << i;

    // a sheet name the template lacks is added
    m_messages.clear();
    const QString second = m_dir.filePath(QStringLiteral("added.xlsx"));
    excelThroughDialog(frame, second, QStringLiteral("New"), templ, 0, 1, 0, 0);
    ASSERT_EQ(m_messages, QStringList({ WorkbookDoneMessage() }));
    EXPECT_EQ(xlsxread::sheetNames(second), QStringList({ "Cover", "Data", "New" }));
    EXPECT_EQ(xlsxread::cells(second, "New").value("A2").value, "00123");
    const QDomDocument wb = xlsxread::xml(second, "xl/workbook.xml");
    EXPECT_EQ(xlsxread::elements(wb, "workbookView").value(0).attribute("activeTab"), "2");
}

TEST_F(DataOutput, BadSheetNameIsReportedAndWritesNothing)
{
    TfraData *frame = sqlFrame(ordersSql);
    const QString file = m_dir.filePath(QStringLiteral("bad.xlsx"));
    auto responder = recordMessages();
    excelThroughDialog(frame, file, QStringLiteral("a/b"), QString(), 0, 1, 0, 0);
    ASSERT_EQ(m_messages.size(), 1);
    EXPECT_TRUE(m_messages[0].contains(QStringLiteral("a/b"))) << m_messages[0].toStdString();
    EXPECT_FALSE(QFile::exists(file));
}

// Esc during the workbook output: the file that was there stays byte for byte, no temporary
// file is left, and the message says the output stopped.
TEST_F(DataOutput, CancelledWorkbookOutputLeavesTheOldFile)
{
    TfraData *frame
        = sqlFrame(QStringLiteral("SELECT g, 'value ' || g FROM generate_series(1, 300000) g"));
    const QString folder = m_dir.filePath(QStringLiteral("kept"));
    QDir().mkpath(folder);
    const QString file = folder + QStringLiteral("/old.xlsx");
    {
        workbook::Workbook book;
        book.addSheet(QStringLiteral("Old")).setText(0, 0, QStringLiteral("old content"));
        book.save(file);
    }
    const QByteArray before = fileBytes(file);
    auto responder = recordMessages();
    excelThroughDialog(frame, file, QString(), QString(), 0, 1, 0, 0, true);
    EXPECT_EQ(m_messages.last(), WorkbookCancelledMessage());
    EXPECT_FALSE(m_messages.contains(WorkbookDoneMessage()));
    EXPECT_EQ(fileBytes(file), before);
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList({ "old.xlsx" }));
}

// The count of the per-column layout runs the frame's own statement: a trailing ";" and
// comment do not break it, its parameters travel with it, and a count that fails is reported
// instead of being taken as 0.
TEST_F(DataOutput, CountOfTheHostStatement)
{
    TfrmSQL *w = CreateForm<TfrmSQL>(m_connection.get());
    m_windows.emplace_back(w);
    TfraData *frame = w->fraData;
    frame->setSQL(QStringLiteral("SELECT * FROM wbk.orders WHERE qty > :q; -- the orders"));
    frame->Prepare();
    frame->qryData->query().bind(QStringLiteral("q"), pg::Param(2));
    frame->Open();
    ASSERT_EQ(frame->qryData->recordCount(), 2);
    EXPECT_EQ(CountHostRows(frame), 2);

    TfraData *failing = sqlFrame(QStringLiteral("SHOW search_path"));
    ASSERT_TRUE(failing->qryData->isActive());
    EXPECT_THROW(CountHostRows(failing), pg::Error);
    AppOption.ExcelMode = 1;
    const QString file = m_dir.filePath(QStringLiteral("count.xlsx"));
    auto responder = recordMessages();
    excelThroughDialog(failing, file, QString(), QString(), 0, 1, 1, 0);
    ASSERT_EQ(m_messages.size(), 1);
    EXPECT_NE(m_messages[0], WorkbookDoneMessage());
    EXPECT_FALSE(QFile::exists(file));
}

TEST_F(DataOutput, ButtonsFollowTheResult)
{
    TfrmSQL *w = CreateForm<TfrmSQL>(m_connection.get());
    m_windows.emplace_back(w);
    EXPECT_FALSE(w->fraData->btnCopy->isEnabled());
    EXPECT_TRUE(w->fraData->btnExcel->isEnabled());
    w->fraData->setSQL(QStringLiteral("SELECT 1"));
    w->fraData->Prepare();
    w->fraData->Open();
    EXPECT_TRUE(w->fraData->btnCopy->isEnabled());
}

} // namespace rdataouttest
