#include "uitest.h"

#include "ui/qvgrid.h"

#include <QClipboard>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalSpy>
#include <QToolButton>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <memory>

namespace {

// Columns: 0 plain, 1 ellipsis, 2 pick list, 3 drop list, 4 check box, 5 view-only check box,
// 6 plain (the last). One title row, no fixed column, data rows 1 to 4.
struct GridWindow
{
    QWidget window;
    TqvStringGrid *grid = nullptr;
    QLineEdit *outside = nullptr;

    GridWindow()
    {
        auto *layout = new QVBoxLayout(&window);
        grid = new TqvStringGrid(&window);
        grid->setObjectName("grdColumn");
        grid->setColCount(7);
        grid->setRowCount(5);
        grid->setFixedCols(0);
        grid->setFixedRows(1);
        grid->setDefaultRowHeight(20);
        grid->setOptions(goEditing | goTabs | goColSizing);
        grid->setHeader({ "名前", "既定値", "型", "照合", "必須", "継承", "コメント" });
        const TqvGridEditStyle styles[] = { geSimple,   geEllipsis,     gePickList, geDropList,
                                            geCheckBox, geViewCheckBox, geSimple };
        for (int col = 0; col < 7; ++col)
            grid->SetEditStyles(col, styles[col]);
        for (int row = 1; row < 5; ++row)
            for (int col = 0; col < 7; ++col)
                grid->setCells(col, row,
                               col == 4 || col == 5 ? QString()
                                                    : QStringLiteral("r%1c%2").arg(row).arg(col));
        QObject::connect(grid, &TqvStringGrid::OnGetPickListitems,
                         [](int, int, QStringList &items) {
                             items << "Alpha"
                                   << "About"
                                   << "Beta";
                         });
        layout->addWidget(grid);
        outside = new QLineEdit(&window);
        layout->addWidget(outside);
        window.resize(700, 300);
    }

    bool show()
    {
        if (!showActive(window))
            return false;
        grid->setFocus();
        return true;
    }

    QWidget *keyTarget() const
    {
        return grid->EditorMode() ? static_cast<QWidget *>(grid->InplaceEditor()) : grid;
    }

    void click(int col, int row, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mouseClick(grid->viewport(), button, {}, grid->CellRect(col, row).center());
    }
};

TEST(StringGrid, RowsCountTheTitleRow)
{
    GridWindow w;
    EXPECT_EQ(w.grid->RowCount(), 5);
    EXPECT_EQ(w.grid->Cells(1, 0), QStringLiteral("既定値"));
    EXPECT_EQ(w.grid->Header().value(6), QStringLiteral("コメント"));
    EXPECT_EQ(w.grid->Cells(0, 1), "r1c0");
    EXPECT_EQ(w.grid->Row(), 1);
    EXPECT_EQ(w.grid->Col(), 0);
    EXPECT_EQ(w.grid->Rows(2).value(3), "r2c3");
    EXPECT_EQ(w.grid->Cols(0), QStringList({ "名前", "r1c0", "r2c0", "r3c0", "r4c0" }));
    EXPECT_TRUE(w.grid->setCurrentCell(2, 3));
    EXPECT_EQ(w.grid->Col(), 2);
    EXPECT_EQ(w.grid->Row(), 3);
    EXPECT_FALSE(w.grid->setCurrentCell(2, 0)) << "a title cell never becomes current";
}

TEST(StringGrid, FixedRowsAndColumnsAreAddressedLikeTheOthers)
{
    TqvStringGrid grid;
    grid.setColCount(4);
    grid.setRowCount(4);
    grid.setFixedCols(2);
    grid.setFixedRows(2);
    grid.setCells(0, 0, "corner");
    grid.setCells(3, 1, "title");
    grid.setCells(1, 3, "side");
    grid.setCells(3, 3, "data");
    EXPECT_EQ(grid.Cells(0, 0), "corner");
    EXPECT_EQ(grid.Cells(3, 1), "title");
    EXPECT_EQ(grid.Cells(1, 3), "side");
    EXPECT_EQ(grid.Col(), 2);
    EXPECT_EQ(grid.Row(), 2);
    grid.setCurrentCell(3, 3);
    EXPECT_EQ(grid.model()->data(grid.currentIndex()).toString(), "data");
    grid.setColWidths(0, 33);
    grid.setRowHeights(1, 21);
    grid.setColWidths(3, 44);
    EXPECT_EQ(grid.ColWidths(0), 33);
    EXPECT_EQ(grid.RowHeights(1), 21);
    EXPECT_EQ(grid.ColWidths(3), 44);
    grid.setFixedRows(1); // sizes stay with their rows and columns
    EXPECT_EQ(grid.RowHeights(1), 21);
    EXPECT_EQ(grid.ColWidths(3), 44);
    EXPECT_EQ(grid.Cells(0, 0), "corner");
}

// --- keys by mode and style

struct KeyCase
{
    const char *name;
    TqvGridEditorMode mode;
    int col;
    int row;
    bool open; // editor open before the key
    const char *typed; // typed into the open editor first (replacing), nullptr for nothing
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    int expCol;
    int expRow;
    bool expOpen;
    const char *expStart; // the start cell's text afterwards, nullptr for unchanged
};

std::ostream &operator<<(std::ostream &os, const KeyCase &c)
{
    return os << c.name;
}

class GridKeys : public ::testing::TestWithParam<KeyCase>
{
};

TEST_P(GridKeys, ModeKeyAndStyleDecideTheMove)
{
    const KeyCase &c = GetParam();
    GridWindow w;
    w.grid->setGridMode(c.mode);
    ASSERT_TRUE(w.show());
    ASSERT_TRUE(w.grid->setCurrentCell(c.col, c.row));
    if (c.open && !w.grid->EditorMode())
        w.grid->setEditorMode(true);
    if (!c.open)
        w.grid->setEditorMode(false);
    ASSERT_EQ(w.grid->EditorMode(), c.open);
    const QString before = w.grid->Cells(c.col, c.row);
    if (c.typed) {
        QLineEdit *editor = w.grid->InplaceEditor();
        editor->setFocus();
        editor->selectAll();
        QTest::keyClick(editor, Qt::Key_Delete);
        typeText(editor, QString::fromUtf8(c.typed));
    }
    QTest::keyClick(w.keyTarget(), c.key, c.modifiers);
    EXPECT_EQ(w.grid->Col(), c.expCol);
    EXPECT_EQ(w.grid->Row(), c.expRow);
    EXPECT_EQ(w.grid->EditorMode(), c.expOpen);
    EXPECT_EQ(w.grid->Cells(c.col, c.row), c.expStart ? QString::fromUtf8(c.expStart) : before);
}

constexpr auto none = Qt::NoModifier;
INSTANTIATE_TEST_SUITE_P(
    Table, GridKeys,
    ::testing::Values(KeyCase { "AccessReturnNextColumn", geAccess, 0, 1, true, "x", Qt::Key_Return,
                                none, 1, 1, true, "x" },
                      KeyCase { "AccessReturnOnLastColumnStays", geAccess, 6, 1, true, nullptr,
                                Qt::Key_Return, none, 6, 1, true, nullptr },
                      KeyCase { "AccessEscKeepsTheText", geAccess, 0, 1, true, "x", Qt::Key_Escape,
                                none, 0, 1, true, "x" },
                      KeyCase { "AccessDownStoresAndMoves", geAccess, 0, 1, true, "x", Qt::Key_Down,
                                none, 0, 2, true, "x" },
                      KeyCase { "AccessLeftInEmptyTextMoves", geAccess, 1, 1, true, "",
                                Qt::Key_Left, none, 0, 1, true, "" },
                      KeyCase { "AccessRightAtEndMoves", geAccess, 0, 1, true, "ab", Qt::Key_Right,
                                none, 1, 1, true, "ab" },
                      KeyCase { "AccessTabWrapsToNextRow", geAccess, 6, 1, true, nullptr,
                                Qt::Key_Tab, none, 0, 2, true, nullptr },
                      KeyCase { "ExcelReturnStoresAndMovesDown", geExcel, 0, 1, true, "x",
                                Qt::Key_Return, none, 0, 2, false, "x" },
                      KeyCase { "ExcelShiftReturnOnFirstRowStays", geExcel, 0, 1, false, nullptr,
                                Qt::Key_Return, Qt::ShiftModifier, 0, 1, false, nullptr },
                      KeyCase { "ExcelShiftReturnMovesUp", geExcel, 0, 3, false, nullptr,
                                Qt::Key_Return, Qt::ShiftModifier, 0, 2, false, nullptr },
                      KeyCase { "ExcelReturnOnLastRowStays", geExcel, 0, 4, false, nullptr,
                                Qt::Key_Return, none, 0, 4, false, nullptr },
                      KeyCase { "ExcelReturnInEllipsisOpens", geExcel, 1, 1, false, nullptr,
                                Qt::Key_Return, none, 1, 1, true, nullptr },
                      KeyCase { "ExcelReturnInPickListCloses", geExcel, 2, 1, true, nullptr,
                                Qt::Key_Return, none, 2, 1, false, nullptr },
                      KeyCase { "ExcelEscReverts", geExcel, 0, 1, true, "x", Qt::Key_Escape, none,
                                0, 1, false, nullptr },
                      KeyCase { "NormalReturnOpens", geNormal, 0, 1, false, nullptr, Qt::Key_Return,
                                none, 0, 1, true, nullptr },
                      KeyCase { "NormalReturnClosesAndStores", geNormal, 0, 1, true, "x",
                                Qt::Key_Return, none, 0, 1, false, "x" },
                      KeyCase { "NormalEscReverts", geNormal, 0, 1, true, "x", Qt::Key_Escape, none,
                                0, 1, false, nullptr },
                      KeyCase { "NormalReturnOnCheckBoxOpensNothing", geNormal, 4, 1, false,
                                nullptr, Qt::Key_Return, none, 4, 1, false, nullptr },
                      KeyCase { "NormalDownStoresAndMoves", geNormal, 0, 1, true, "x", Qt::Key_Down,
                                none, 0, 2, false, "x" },
                      KeyCase { "NormalTypingOpensTheEditor", geNormal, 0, 1, false, nullptr,
                                Qt::Key_Z, none, 0, 1, true, nullptr },
                      KeyCase { "NormalF2Opens", geNormal, 6, 2, false, nullptr, Qt::Key_F2, none,
                                6, 2, true, nullptr }),
    [](const ::testing::TestParamInfo<KeyCase> &info) { return std::string(info.param.name); });

TEST(StringGridEditor, LeftWithAPartlySelectedTextMovesTheCaret)
{
    GridWindow w;
    w.grid->setGridMode(geAccess);
    ASSERT_TRUE(w.show());
    w.grid->setCurrentCell(1, 1);
    QLineEdit *editor = w.grid->InplaceEditor();
    ASSERT_TRUE(editor && editor->isVisible());
    editor->setText("abcd");
    editor->setSelection(1, 2);
    QTest::keyClick(editor, Qt::Key_Left);
    EXPECT_EQ(w.grid->Col(), 1);
    editor->selectAll();
    QTest::keyClick(editor, Qt::Key_Left); // the whole text selected: move, keeping the text
    EXPECT_EQ(w.grid->Col(), 0);
    EXPECT_EQ(w.grid->Cells(1, 1), "abcd");
}

TEST(StringGridEditor, TypingCompletesFromThePickList)
{
    for (TqvGridEditorMode mode : { geNormal, geAccess }) {
        GridWindow w;
        w.grid->setGridMode(mode);
        w.grid->setCells(2, 1, QString());
        ASSERT_TRUE(w.show());
        w.grid->setCurrentCell(2, 1);
        QTest::keyClick(w.keyTarget(), Qt::Key_A);
        QLineEdit *editor = w.grid->InplaceEditor();
        ASSERT_TRUE(w.grid->EditorMode());
        EXPECT_EQ(editor->text(), "Alpha");
        EXPECT_EQ(editor->selectedText(), "lpha");
        QTest::keyClick(editor, Qt::Key_B);
        EXPECT_EQ(editor->text(), "About");
        EXPECT_EQ(editor->selectedText(), "out");
        QTest::keyClick(editor, Qt::Key_X); // no entry begins "abx": typed as usual
        EXPECT_EQ(editor->text(), "Abx");
    }
}

TEST(StringGridEditor, DropListHoldsEntriesOrNothing)
{
    GridWindow w;
    w.grid->setCells(3, 1, QString());
    ASSERT_TRUE(w.show());
    w.grid->setCurrentCell(3, 1);
    QTest::keyClick(w.grid, Qt::Key_B);
    QLineEdit *editor = w.grid->InplaceEditor();
    EXPECT_EQ(editor->text(), "Beta");
    QTest::keyClick(editor, Qt::Key_Z);
    EXPECT_EQ(editor->text(), "Beta");
    QTest::keyClick(editor, Qt::Key_Backspace);
    EXPECT_EQ(editor->text(), "");
    QTest::keyClick(editor, Qt::Key_A);
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_FALSE(w.grid->EditorMode());
    EXPECT_EQ(w.grid->Cells(3, 1), "Alpha");
}

TEST(StringGridEditor, TheDroppedListTakesAnEntry)
{
    GridWindow w;
    QList<QList<int>> selected;
    QObject::connect(w.grid, &TqvStringGrid::OnSelectListItems, [&](int col, int row, int index) {
        selected.append({ col, row, index });
    });
    ASSERT_TRUE(w.show());
    w.grid->setCurrentCell(2, 2);
    w.grid->setEditorMode(true);
    TqvInplaceEditor *editor = w.grid->InplaceEditor();
    QTest::keyClick(editor, Qt::Key_Down); // drops down outside geAccess
    ASSERT_TRUE(editor->ListVisible());
    QListWidget *list = editor->PickListWidget();
    EXPECT_EQ(list->count(), 3);
    list->setCurrentRow(1);
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_FALSE(editor->ListVisible());
    EXPECT_EQ(w.grid->Cells(2, 2), "About");
    EXPECT_EQ(selected, QList<QList<int>>({ { 2, 2, 1 } }));

    // In geAccess Down moves to the next row; Alt+Down drops the list down.
    w.grid->setGridMode(geAccess);
    w.grid->InplaceEditor()->setFocus();
    QTest::keyClick(w.grid->InplaceEditor(), Qt::Key_Down);
    EXPECT_EQ(w.grid->Row(), 3);
    QTest::keyClick(w.grid->InplaceEditor(), Qt::Key_Down, Qt::AltModifier);
    EXPECT_TRUE(w.grid->InplaceEditor()->ListVisible());
    QTest::keyClick(w.grid->InplaceEditor()->PickListWidget(), Qt::Key_Escape);
    EXPECT_FALSE(w.grid->InplaceEditor()->ListVisible());
    EXPECT_EQ(w.grid->Cells(2, 3), "r3c2");
}

TEST(StringGridEditor, DoubleClickStepsThroughThePickList)
{
    GridWindow w;
    ASSERT_TRUE(w.show());
    w.grid->setCurrentCell(2, 1);
    w.grid->setEditorMode(true);
    TqvInplaceEditor *editor = w.grid->InplaceEditor();
    editor->setText("About");
    QTest::mouseDClick(editor, Qt::LeftButton);
    EXPECT_EQ(editor->text(), "Beta");
    QTest::mouseDClick(editor, Qt::LeftButton);
    EXPECT_EQ(editor->text(), "Alpha");
}

TEST(StringGridEditor, EllipsisButtonCallsTheWindow)
{
    GridWindow w;
    QSignalSpy clicks(w.grid, &TqvStringGrid::OnEditButtonClick);
    ASSERT_TRUE(w.show());
    w.grid->setCurrentCell(1, 2);
    w.grid->setEditorMode(true);
    QToolButton *button = w.grid->InplaceEditor()->EditButton();
    ASSERT_TRUE(button->isVisible());
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(clicks.count(), 1);
    w.grid->setCurrentCell(0, 2);
    EXPECT_FALSE(w.grid->EditorMode());
}

TEST(StringGridEditor, LeavingTheGridKeepsWhatWasTyped)
{
    GridWindow w;
    QList<QStringList> before;
    QList<QStringList> after;
    QObject::connect(w.grid, &TqvStringGrid::OnBeforeSetEditText,
                     [&](int col, int row, const QString &v) {
                         before.append({ QString::number(col), QString::number(row), v });
                     });
    QObject::connect(w.grid, &TqvStringGrid::OnSetEditText,
                     [&](int col, int row, const QString &v) {
                         after.append({ QString::number(col), QString::number(row), v });
                     });
    ASSERT_TRUE(w.show());
    w.grid->setCurrentCell(6, 3);
    QTest::keyClick(w.grid, Qt::Key_Q);
    typeText(w.grid->InplaceEditor(), QStringLiteral("ＷＸ"));
    w.outside->setFocus();
    EXPECT_EQ(w.grid->Cells(6, 3), QStringLiteral("qＷＸ"));
    EXPECT_EQ(before, QList<QStringList>({ { "6", "3", QStringLiteral("qＷＸ") } }));
    EXPECT_EQ(after, before);
}

TEST(StringGrid, SelectCellMayRefuse)
{
    GridWindow w;
    QObject::connect(w.grid, &TqvStringGrid::OnSelectCell,
                     [](int col, int, bool &canSelect) { canSelect = col != 2; });
    ASSERT_TRUE(w.show());
    w.grid->setCurrentCell(1, 1);
    QTest::keyClick(w.grid, Qt::Key_Right);
    EXPECT_EQ(w.grid->Col(), 1);
    w.click(2, 2);
    EXPECT_EQ(w.grid->Col(), 1);
    w.click(3, 2);
    EXPECT_EQ(w.grid->Col(), 3);
    EXPECT_EQ(w.grid->Row(), 2);
}

// --- check boxes

// A double click as the window system delivers it: press, release, press, double click,
// release.
void doubleClick(QWidget *widget, const QPoint &pos)
{
    const QPointF local(pos);
    const QPointF global(widget->mapToGlobal(pos));
    const QEvent::Type types[]
        = { QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonPress,
            QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease };
    for (QEvent::Type type : types) {
        QMouseEvent event(type, local, global, Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(widget, &event);
    }
}

TEST(StringGridCheck, LeftButtonAndSpaceToggleNothingElseDoes)
{
    GridWindow w;
    int stores = 0;
    QObject::connect(w.grid, &TqvStringGrid::OnSetEditText, [&] { ++stores; });
    ASSERT_TRUE(w.show());
    const struct
    {
        const char *action;
        const char *expected;
    } steps[] = { { "left", "1" }, { "left", "" },  { "right", "" }, { "space", "1" },
                  { "a", "1" },    { "space", "" }, { "double", "" } };
    int expectedStores = 0;
    QString previous = w.grid->Cells(4, 2);
    for (const auto &step : steps) {
        const QByteArray action(step.action);
        if (action == "left")
            w.click(4, 2);
        else if (action == "right")
            w.click(4, 2, Qt::RightButton);
        else if (action == "space")
            QTest::keyClick(w.grid, Qt::Key_Space);
        else if (action == "a")
            QTest::keyClick(w.grid, Qt::Key_A);
        else
            doubleClick(w.grid->viewport(), w.grid->CellRect(4, 2).center());
        EXPECT_EQ(w.grid->Cells(4, 2), QString::fromUtf8(step.expected)) << step.action;
        EXPECT_FALSE(w.grid->EditorMode()) << step.action;
        if (action == "double")
            expectedStores += 2; // each press of a double click toggles once
        else if (w.grid->Cells(4, 2) != previous)
            ++expectedStores;
        previous = w.grid->Cells(4, 2);
    }
    EXPECT_EQ(stores, expectedStores);
}

TEST(StringGridCheck, ViewOnlyBoxesAndGrayedCells)
{
    GridWindow w;
    w.grid->setCells(5, 1, "1");
    w.grid->setCells(4, 3, "2");
    ASSERT_TRUE(w.show());
    w.click(5, 1);
    QTest::keyClick(w.grid, Qt::Key_Space);
    EXPECT_EQ(w.grid->Cells(5, 1), "1");
    EXPECT_TRUE(w.grid->GetChecked(5, 1));
    EXPECT_FALSE(w.grid->GetChecked(4, 3)) << "grayed reads as unchecked";
    EXPECT_FALSE(w.grid->GetChecked(0, 1)) << "not a check-box column";
    w.grid->setCells(0, 1, "1");
    EXPECT_FALSE(w.grid->GetChecked(0, 1));
    w.grid->SetChecked(0, 1, false);
    EXPECT_EQ(w.grid->Cells(0, 1), "1") << "SetChecked ignores other columns";
    w.grid->SetChecked(4, 3, true);
    EXPECT_EQ(w.grid->Cells(4, 3), "1");
}

// --- snapshot

TEST(StringGridSnapshot, ChangesAreFoundCellByCell)
{
    GridWindow w;
    TqvStringGrid &g = *w.grid;
    EXPECT_TRUE(g.IsChanged()) << "nothing saved yet";
    g.Save();
    EXPECT_EQ(g.SaveRowCount(), 5);
    EXPECT_FALSE(g.IsChanged());
    g.setCells(0, 2, "r2c0 ");
    EXPECT_TRUE(g.IsChanged());
    EXPECT_TRUE(g.GetIsChangedRow(2));
    EXPECT_FALSE(g.GetIsChangedRow(1));
    EXPECT_TRUE(g.GetIsChangedCol(0));
    EXPECT_FALSE(g.GetIsChangedCol(1));
    EXPECT_TRUE(g.GetIsChangedCell(0, 2));
    EXPECT_FALSE(g.GetIsChangedCell(1, 2));
    g.setCells(0, 2, "r2c0");
    EXPECT_FALSE(g.IsChanged());
    EXPECT_TRUE(g.GetIsChangedCol(7)) << "beyond the columns";
    EXPECT_FALSE(g.GetIsChangedRow(9)) << "beyond the rows on both sides";
    EXPECT_EQ(g.GetSaveCells(2, 3), "r3c2");
    EXPECT_EQ(g.GetSaveRows(0).value(4), QStringLiteral("必須"));
    EXPECT_EQ(g.GetSaveCols(1), QStringList({ "既定値", "r1c1", "r2c1", "r3c1", "r4c1" }));

    g.InsertRow(2);
    EXPECT_TRUE(g.IsChanged());
    g.DeleteRow(2);
    EXPECT_FALSE(g.IsChanged());
}

TEST(StringGridSnapshot, LineBreaksInsideCellsCannotHideAChange)
{
    TqvStringGrid g;
    g.setColCount(2);
    g.setRowCount(2);
    g.setFixedCols(0);
    g.setCells(0, 1, "a\r\nb");
    g.setCells(1, 1, "");
    g.Save();
    g.setCells(0, 1, "a");
    g.setCells(1, 1, "b");
    EXPECT_TRUE(g.IsChanged());
    EXPECT_TRUE(g.GetIsChangedRow(1));
    g.setCells(0, 1, "a\r\nb");
    g.setCells(1, 1, "");
    EXPECT_FALSE(g.IsChanged());
}

// --- rows and columns

TEST(StringGridRows, InsertDeleteMoveAndClear)
{
    GridWindow w;
    TqvStringGrid &g = *w.grid;
    g.setObjects(0, 2, 42);
    g.setCurrentCell(0, 3);
    g.InsertRow(1);
    EXPECT_EQ(g.RowCount(), 6);
    EXPECT_EQ(g.Rows(1), QStringList(7, QString()));
    EXPECT_FALSE(g.Objects(0, 1).isValid());
    EXPECT_EQ(g.Cells(0, 2), "r1c0");
    EXPECT_EQ(g.Objects(0, 3).toInt(), 42);
    EXPECT_EQ(g.Row(), 4) << "the current row follows its row";
    EXPECT_EQ(g.Cells(0, 0), QStringLiteral("名前"));

    g.MoveRow(2, 5);
    EXPECT_EQ(g.Cells(0, 5), "r1c0");
    EXPECT_EQ(g.Cells(0, 2), "r2c0");

    g.DeleteRow(1);
    EXPECT_EQ(g.RowCount(), 5);
    EXPECT_EQ(g.Cells(0, 1), "r2c0");
    EXPECT_EQ(g.Row(), 1);

    g.InsertCol(2);
    EXPECT_EQ(g.ColCount(), 8);
    EXPECT_EQ(g.Col(), 2);
    EXPECT_EQ(g.Cells(2, 1), "");
    EXPECT_EQ(g.Cells(3, 1), "r2c2");
    // Styles belong to positions: the new last position is plain, the others stay put.
    EXPECT_EQ(g.GetEditStyles(2), gePickList);
    EXPECT_EQ(g.GetEditStyles(7), geSimple);
    EXPECT_EQ(g.GetEditStyles(9), geSimple);
    g.SetEditStyles(9, geCheckBox); // ignored outside

    g.Clear();
    EXPECT_EQ(g.RowCount(), 2);
    EXPECT_EQ(g.Cells(1, 1), "");
    EXPECT_EQ(g.Cells(1, 0), QStringLiteral("既定値"));
    EXPECT_EQ(g.Row(), 1);
    EXPECT_EQ(g.Col(), 0);
}

TEST(StringGrid, CopyPutsTheCurrentCellOnTheClipboard)
{
    GridWindow w;
    w.grid->setCells(6, 2, QStringLiteral("コメント\r\n2行目"));
    ASSERT_TRUE(w.show());
    w.grid->setCurrentCell(6, 2);
    QTest::keyClick(w.grid, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("コメント\r\n2行目"));
}

TEST(StringGrid, GetIsNullTrimsBlanks)
{
    GridWindow w;
    w.grid->setCells(0, 1, "  ");
    w.grid->setCells(0, 2, " x ");
    EXPECT_TRUE(w.grid->GetIsNull(0, 1));
    EXPECT_FALSE(w.grid->GetIsNull(0, 2));
}

} // namespace
