// Shows both record grids over a small table with NULL values, makes a selection of a range
// of fields and one of whole records in each as a user would with the mouse, then edits a
// record in both grids, and saves each state as a picture. The table corvane_griddemo is made
// in the database and dropped again.
//
//   corvane_griddemo OUTDIR        (server from PGHOST, PGPORT, PGUSER, PGDATABASE)
#include "platform/pg/connection.h"
#include "platform/pg/dataset.h"
#include "ui/qvdbgrid.h"

#include <QApplication>
#include <QPainter>
#include <QTest>
#include <QVBoxLayout>

#include <cstdio>

namespace {

// The rows, in a table of their own so that the grids can edit them; dropped at the end.
const char DemoTable[] = R"(
DROP TABLE IF EXISTS corvane_griddemo;
CREATE TABLE corvane_griddemo AS
SELECT id, name, price, stock, updated, note
  FROM (VALUES (1, 'りんご', 120.50, 10, timestamp '2026-01-05 09:30:00', 'aomori'),
               (2, 'みかん', NULL, 25, timestamp '2026-01-06 10:00:00', NULL),
               (3, 'ぶどう', 480.00, NULL, NULL, 'yamanashi'),
               (4, 'もも', 350.00, 8, timestamp '2026-01-08 12:15:00', NULL),
               (5, NULL, 99.90, 0, timestamp '2026-01-09 08:00:00', 'okayama'),
               (6, 'なし', 210.00, 14, timestamp '2026-01-10 17:45:00', 'tottori'),
               (7, 'かき', NULL, NULL, timestamp '2026-01-11 11:11:00', NULL))
       AS t(id, name, price, stock, updated, note);
ALTER TABLE corvane_griddemo ADD PRIMARY KEY (id);
)";
const char DemoSql[]
    = "SELECT id, name, price, stock, updated, note FROM corvane_griddemo ORDER BY id";

// NULL as the data frame paints it: blue, or what stands out on a selection.
void paintNull(TqvDBGrid *grid, QPainter *painter, const QRect &rect, int dataIndex)
{
    pg::DataSet *ds = grid->DataSet();
    const int field = grid->DataLink()->FieldListIndex(dataIndex);
    if (!ds || field < 0 || !ds->isNull(grid->PaintingRecord(), field))
        return;
    painter->setPen(GridNullColour(painter->brush().color()));
    DrawGridCellText(*painter, rect, 2, 2, GridNullText(), Qt::AlignLeft);
}

void click(TqvDBGrid *grid, int col, int row, Qt::KeyboardModifiers modifiers = {})
{
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, modifiers,
                      grid->GetCellRect(col, row).center());
}

bool save(QWidget *window, const QString &path)
{
    QApplication::processEvents();
    const bool ok = window->grab().save(path);
    std::printf("%s %s\n", ok ? "wrote" : "could not write", qPrintable(path));
    return ok;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp");
    pg::Connection connection;
    connection.setParam(QStringLiteral("Server"), qEnvironmentVariable("PGHOST"));
    connection.setParam(QStringLiteral("Port"), qEnvironmentVariable("PGPORT"));
    connection.setParam(QStringLiteral("User_Name"), qEnvironmentVariable("PGUSER"));
    connection.setParam(QStringLiteral("Database"),
                        qEnvironmentVariable("PGDATABASE", QStringLiteral("postgres")));
    pg::DataSet dataSet(&connection);
    try {
        connection.open();
        for (const QString &statement :
             QString::fromUtf8(DemoTable).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            if (!statement.trimmed().isEmpty())
                connection.exec(statement);
        }
        dataSet.setSql(QString::fromUtf8(DemoSql));
        dataSet.open();
    } catch (const pg::Error &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }

    QWidget window;
    window.setWindowTitle(QStringLiteral("record grids"));
    auto *layout = new QVBoxLayout(&window);
    auto *gridV = new TqvDBGridV(&window);
    gridV->setObjectName(QStringLiteral("grdData1"));
    gridV->setOptions(gridV->Options() | dgMultiSelect);
    auto *gridH = new TqvDBGridH(&window);
    gridH->setObjectName(QStringLiteral("grdData2"));
    gridH->setOptions(gridH->Options() | dgMultiSelect);
    gridH->setDefaultColWidth(110);
    layout->addWidget(gridV);
    layout->addWidget(gridH);
    QObject::connect(gridV, &TqvDBGridV::OnDrawColumnCell, gridV,
                     [gridV](QPainter *p, const QRect &r, int col, TColumn *, int) {
                         paintNull(gridV, p, r, col);
                     });
    QObject::connect(gridH, &TqvDBGridH::OnDrawRowCell, gridH,
                     [gridH](QPainter *p, const QRect &r, int row, TRow *, int) {
                         paintNull(gridH, p, r, row);
                     });
    gridV->setDataSet(&dataSet);
    gridH->setDataSet(&dataSet);
    window.resize(760, 560);
    window.show();
    window.activateWindow();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;

    bool ok = true;
    // the grid with one record per row: records 2 to 4, fields name to stock
    gridV->setFocus();
    click(gridV, 2, 2);
    click(gridV, 4, 4, Qt::ShiftModifier);
    ok &= save(&window, out + QStringLiteral("/grid_v_range.png"));
    // whole records 5 to 7 by their indicators
    click(gridV, 0, 5);
    click(gridV, 0, 7, Qt::ShiftModifier);
    ok &= save(&window, out + QStringLiteral("/grid_v_whole.png"));

    // the grid with one record per column: records 1 to 3, fields price to updated
    gridH->setFocus();
    click(gridH, 1, 3);
    click(gridH, 3, 5, Qt::ShiftModifier);
    ok &= save(&window, out + QStringLiteral("/grid_h_range.png"));
    // whole records 2 to 4 by their indicators
    click(gridH, 2, 0);
    click(gridH, 4, 0, Qt::ShiftModifier);
    ok &= save(&window, out + QStringLiteral("/grid_h_whole.png"));

    // both grids in the middle of an edit: a new name typed for みかん in the grid with one
    // record per row, Tab to its price, which is NULL; the other grid on the same record's
    // note, NULL as well; the untouched fields of the record show what is stored
    gridV->SelectedRecords()->Clear();
    gridH->SelectedRecords()->Clear();
    gridV->setFocus();
    click(gridV, 2, 2);
    QWidget *editor = gridV->InplaceEditor();
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    for (const QChar c : QStringLiteral("みかん（早生）")) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(editor, &press);
    }
    QTest::keyClick(editor, Qt::Key_Tab);
    gridH->setSelectedIndex(5);
    gridV->setFocus();
    ok &= save(&window, out + QStringLiteral("/grids_editing.png"));
    dataSet.cancel();
    dataSet.close();
    gridV->setDataSet(nullptr);
    gridH->setDataSet(nullptr);
    try {
        connection.exec(QStringLiteral("DROP TABLE corvane_griddemo"));
    } catch (const pg::Error &e) {
        std::fprintf(stderr, "%s\n", e.what());
    }
    return ok ? 0 : 1;
}
