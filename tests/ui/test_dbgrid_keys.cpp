// The keys of the record grids as one table: each case starts from the same cell (record 5,
// field 1, that record selected in a range of one field) and presses its keys, in the grid
// or in the in-place editor as a user would; then the current record and field, the selected
// records, the field range, the whole-record flag and the data set's state are compared.
#include "dbgridtest.h"

#include <gtest/gtest.h>

using namespace dbgridtest;

namespace dbgridkeystest {

// Expected records that depend on how many records the grid shows.
enum : int {
    LastShown = -10, // the last record of the first page
    PageDown = -11, // one page below record 5
    Any = -99,
};

struct Step
{
    int key = 0;
    Qt::KeyboardModifiers modifiers = Qt::NoModifier;
    const char *typed = nullptr; // text typed into the editor instead of a key
};

struct KeyCase
{
    const char *name;
    bool recordsInRows;
    QList<Step> steps;
    int record;
    int field;
    QList<int> selected;
    int rangeStart = Any;
    int rangeEnd = Any;
    int whole = Any;
    pg::DataSetState state = pg::DataSetState::Browse;
    int count = 30;
};

const Qt::KeyboardModifiers Shift = Qt::ShiftModifier;
const Qt::KeyboardModifiers Ctrl = Qt::ControlModifier;

const QList<KeyCase> &keyCases()
{
    static const QList<KeyCase> cases = {
        // ---- one record per row
        { "Down: next record, selection dropped", true, { { Qt::Key_Down } }, 6, 1, {}, 1, 1, 0 },
        { "Up: previous record", true, { { Qt::Key_Up } }, 4, 1, {} },
        { "Shift+Down twice: records from the anchor",
          true,
          { { Qt::Key_Down, Shift }, { Qt::Key_Down, Shift } },
          7,
          1,
          { 5, 6, 7 } },
        { "Shift+Up back toward the anchor gives up a record",
          true,
          { { Qt::Key_Down, Shift }, { Qt::Key_Down, Shift }, { Qt::Key_Up, Shift } },
          6,
          1,
          { 5, 6 } },
        { "Right: next field, the record marked",
          true,
          { { Qt::Key_Right } },
          5,
          2,
          { 5 },
          2,
          2,
          0 },
        { "Enter: next field", true, { { Qt::Key_Return } }, 5, 2, { 5 }, 2, 2 },
        { "Enter on the last field stays",
          true,
          { { Qt::Key_End }, { Qt::Key_Return } },
          5,
          4,
          { 5 },
          4,
          4 },
        { "Shift+Right grows the range from its anchor",
          true,
          { { Qt::Key_Home },
            { Qt::Key_Right, Shift },
            { Qt::Key_Right, Shift },
            { Qt::Key_Right, Shift } },
          5,
          3,
          { 5 },
          0,
          3,
          0 },
        { "Right after a Shift range starts a new one",
          true,
          { { Qt::Key_Home }, { Qt::Key_Right, Shift }, { Qt::Key_Right } },
          5,
          2,
          { 5 },
          2,
          2 },
        { "Left on the first field stays",
          true,
          { { Qt::Key_Home }, { Qt::Key_Left } },
          5,
          0,
          { 5 },
          0,
          0 },
        { "Ctrl+Right: last field, whole records, record unmarked",
          true,
          { { Qt::Key_Right, Ctrl } },
          5,
          4,
          {},
          4,
          4,
          1 },
        { "Ctrl+Left: first field, whole records",
          true,
          { { Qt::Key_Left, Ctrl } },
          5,
          0,
          {},
          0,
          0,
          1 },
        { "End and Home move across the fields", true, { { Qt::Key_End } }, 5, 4, { 5 }, 4, 4 },
        { "Ctrl+End: last record", true, { { Qt::Key_End, Ctrl } }, 29, 1, {} },
        { "Ctrl+Home: first record", true, { { Qt::Key_Home, Ctrl } }, 0, 1, {} },
        { "Page Down: one page", true, { { Qt::Key_PageDown } }, PageDown, 1, {} },
        { "Page Up: one page back, at most to the first", true, { { Qt::Key_PageUp } }, 0, 1, {} },
        { "Ctrl+Up: first record shown", true, { { Qt::Key_Up, Ctrl } }, 0, 1, {} },
        { "Ctrl+Down: last record shown", true, { { Qt::Key_Down, Ctrl } }, LastShown, 1, {} },
        { "Ctrl+Page Down: last record shown",
          true,
          { { Qt::Key_PageDown, Ctrl } },
          LastShown,
          1,
          {} },
        { "Tab: next field", true, { { Qt::Key_Tab } }, 5, 2, { 5 }, 2, 2 },
        { "Shift+Tab resets the range although Shift is held",
          true,
          { { Qt::Key_Right, Shift }, { Qt::Key_Backtab, Shift } },
          5,
          1,
          { 5 },
          1,
          1 },
        { "Tab on the last field: next record, first field",
          true,
          { { Qt::Key_End }, { Qt::Key_Tab } },
          6,
          0,
          { 6 },
          0,
          0 },
        { "Esc drops the selection",
          true,
          { { Qt::Key_Down, Shift }, { Qt::Key_Escape } },
          6,
          1,
          {} },
        { "Insert: a new record before the current one",
          true,
          { { Qt::Key_Insert } },
          5,
          1,
          {},
          Any,
          Any,
          Any,
          pg::DataSetState::Insert,
          31 },
        { "Esc cancels the insert",
          true,
          { { Qt::Key_Insert }, { Qt::Key_Escape } },
          5,
          1,
          {},
          Any,
          Any,
          Any,
          pg::DataSetState::Browse,
          30 },
        { "Esc after typing drops the text, a second Esc the record",
          true,
          { { Qt::Key_Insert }, { 0, {}, "new" }, { Qt::Key_Escape }, { Qt::Key_Escape } },
          5,
          1,
          {},
          Any,
          Any,
          Any,
          pg::DataSetState::Browse,
          30 },
        { "Down past the last record appends one",
          true,
          { { Qt::Key_End, Ctrl }, { Qt::Key_Down } },
          30,
          1,
          {},
          Any,
          Any,
          Any,
          pg::DataSetState::Insert,
          31 },
        { "Down on an untouched new last record stays",
          true,
          { { Qt::Key_End, Ctrl }, { Qt::Key_Down }, { Qt::Key_Down } },
          30,
          1,
          {},
          Any,
          Any,
          Any,
          pg::DataSetState::Insert,
          31 },
        { "Up from an untouched new last record drops it",
          true,
          { { Qt::Key_End, Ctrl }, { Qt::Key_Down }, { Qt::Key_Up } },
          29,
          1,
          {},
          Any,
          Any,
          Any,
          pg::DataSetState::Browse,
          30 },
        { "Left with the whole text selected leaves the cell",
          true,
          { { Qt::Key_Left } },
          5,
          0,
          { 5 },
          0,
          0 },
        { "Left inside typed text moves the caret",
          true,
          { { 0, {}, "xy" }, { Qt::Key_Left } },
          5,
          1,
          { 5 },
          1,
          1,
          0,
          pg::DataSetState::Edit },
        { "Right at the end of typed text stores it and leaves the cell",
          true,
          { { 0, {}, "xy" }, { Qt::Key_Right } },
          5,
          2,
          { 5 },
          2,
          2,
          0,
          pg::DataSetState::Edit },
        { "Down after typing stores the record",
          true,
          { { 0, {}, "xy" }, { Qt::Key_Down } },
          6,
          1,
          {},
          Any,
          Any,
          Any,
          pg::DataSetState::Browse },

        // ---- one record per column
        { "H Right: next record", false, { { Qt::Key_Right } }, 6, 1, {} },
        { "H Left: previous record", false, { { Qt::Key_Left } }, 4, 1, {} },
        { "H Down: next field, the record marked",
          false,
          { { Qt::Key_Down } },
          5,
          2,
          { 5 },
          2,
          2,
          0 },
        { "H Enter: next field", false, { { Qt::Key_Return } }, 5, 2, { 5 }, 2, 2 },
        { "H Shift+Right: records from the anchor",
          false,
          { { Qt::Key_Right, Shift } },
          6,
          1,
          { 5, 6 } },
        { "H Shift+Down grows the field range",
          false,
          { { Qt::Key_Down, Shift } },
          5,
          2,
          { 5 },
          1,
          2 },
        { "H Ctrl+Right: last record shown, selection kept",
          false,
          { { Qt::Key_Right, Shift }, { Qt::Key_Right, Ctrl } },
          LastShown,
          1,
          { 5, 6 } },
        { "H Ctrl+Left: first record shown", false, { { Qt::Key_Left, Ctrl } }, 0, 1, { 5 } },
        { "H Ctrl+Down: last field, whole records, record still marked",
          false,
          { { Qt::Key_Down, Ctrl } },
          5,
          4,
          { 5 },
          4,
          4,
          1 },
        { "H Ctrl+Up: first field, whole records",
          false,
          { { Qt::Key_Up, Ctrl } },
          5,
          0,
          { 5 },
          0,
          0,
          1 },
        { "H Ctrl+Page Down only drops the selection",
          false,
          { { Qt::Key_PageDown, Ctrl } },
          5,
          1,
          {} },
        { "H Ctrl+End: last record", false, { { Qt::Key_End, Ctrl } }, 29, 1, {} },
        { "H Page Down: the records in view", false, { { Qt::Key_PageDown } }, PageDown, 1, {} },
        { "H Home: first field", false, { { Qt::Key_Home } }, 5, 0, { 5 }, 0, 0 },
        { "H Right on the last record appends one",
          false,
          { { Qt::Key_End, Ctrl }, { Qt::Key_Right } },
          30,
          1,
          {},
          Any,
          Any,
          Any,
          pg::DataSetState::Insert,
          31 },
        { "H Tab: next field", false, { { Qt::Key_Tab } }, 5, 2, { 5 }, 2, 2 },
        { "H Left with the whole text selected: previous record",
          false,
          { { Qt::Key_Left } },
          4,
          1,
          {} },
    };
    return cases;
}

int resolve(int expected, int visible)
{
    if (expected == LastShown)
        return visible - 1;
    if (expected == PageDown)
        return 5 + visible;
    return expected;
}

void runCases(bool recordsInRows)
{
    const QString setup = "CREATE TABLE k (id int PRIMARY KEY, a text, b text, c text, d text);"
                          "INSERT INTO k SELECT g, 'a' || g, 'b' || g, 'c' || g, 'd' || g"
                          " FROM generate_series(0, 29) AS g";
    GridFixture f(recordsInRows, setup, "SELECT * FROM k ORDER BY id",
                  recordsInRows ? QSize(600, 300) : QSize(820, 300));
    ASSERT_TRUE(f.show());
    const int visible = f.grid->VisibleRecordCount();
    ASSERT_GE(visible, 7);
    ASSERT_LT(visible + 5, 29);
    for (const KeyCase &c : keyCases()) {
        if (c.recordsInRows != recordsInRows)
            continue;
        SCOPED_TRACE(c.name);
        // the same start for every case
        f.grid->DataLink()->Reset();
        f.grid->DataLink()->Reset();
        f.dataSet.open();
        f.dataSet.setCurrentRow(5);
        f.grid->setFocus();
        f.grid->setSelectedIndex(1);
        ASSERT_EQ(f.selectedRows(), QList<int>({ 5 }));
        ASSERT_TRUE(f.grid->InplaceEditor()->isVisible());
        for (const Step &step : c.steps) {
            if (step.typed)
                typeText(f.keyTarget(), QString::fromUtf8(step.typed));
            else
                f.key(step.key, step.modifiers);
        }
        EXPECT_EQ(f.dataSet.currentRow(), resolve(c.record, visible));
        EXPECT_EQ(f.grid->SelectedIndex(), c.field);
        EXPECT_EQ(f.selectedRows(), c.selected);
        if (c.rangeStart != Any) {
            EXPECT_EQ(f.grid->RangeStart(), c.rangeStart);
        }
        if (c.rangeEnd != Any) {
            EXPECT_EQ(f.grid->RangeEnd(), c.rangeEnd);
        }
        if (c.whole != Any) {
            EXPECT_EQ(f.grid->WholeRecords(), c.whole == 1);
        }
        EXPECT_EQ(f.dataSet.state(), c.state);
        EXPECT_EQ(f.dataSet.recordCount(), c.count);
        EXPECT_FALSE(f.connection.autoCommit());
    }
    EXPECT_TRUE(f.responder.asked.isEmpty()) << f.responder.texts().join("\n").toStdString();
}

TEST(DbGridKeys, OneRecordPerRow)
{
    runCases(true);
}

TEST(DbGridKeys, OneRecordPerColumn)
{
    runCases(false);
}

TEST(DbGridKeys, WheelMovesTheRecordInOneGridAndTheFieldInTheOther)
{
    const QString setup = "CREATE TABLE w (id int PRIMARY KEY, a text, b text);"
                          "INSERT INTO w SELECT g, 'a', 'b' FROM generate_series(0, 9) AS g";
    for (const bool recordsInRows : { true, false }) {
        SCOPED_TRACE(recordsInRows ? "one record per row" : "one record per column");
        GridFixture f(recordsInRows, setup, "SELECT * FROM w ORDER BY id");
        ASSERT_TRUE(f.show());
        f.dataSet.setCurrentRow(3);
        f.grid->setSelectedIndex(0);
        const QPoint at = f.grid->viewport()->rect().center();
        QWheelEvent down(at, f.grid->viewport()->mapToGlobal(at), QPoint(), QPoint(0, -120),
                         Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(f.grid->viewport(), &down);
        if (recordsInRows) {
            EXPECT_EQ(f.dataSet.currentRow(), 4);
            EXPECT_EQ(f.grid->SelectedIndex(), 0);
            EXPECT_EQ(f.selectedRows(), QList<int>());
        } else {
            // the field moves; the record, the selection and the range stay
            EXPECT_EQ(f.dataSet.currentRow(), 3);
            EXPECT_EQ(f.grid->SelectedIndex(), 1);
            EXPECT_EQ(f.selectedRows(), QList<int>({ 3 }));
            EXPECT_EQ(f.grid->RangeEnd(), 0);
        }
    }
}

} // namespace dbgridkeystest
