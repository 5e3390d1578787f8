// What the record grids show while a user edits and moves: the in-place editor over the current
// cell after every kind of move, the stored values of the fields not yet touched, Esc giving the
// cell back as it was, NULL told apart from an empty text in the editor, the record numbers of
// the grid with one record per column, text cut with "…", and the sort mark in a title.
#include "dbgridtest.h"

#include <QPainter>

#include <gtest/gtest.h>

using namespace dbgridtest;

namespace dbgriddisplaytest {

// Record 0: a = 'x', b = NULL, c = '' (empty text), d = 'y'; record 1: all set.
const char Table[] = "CREATE TABLE t (id int PRIMARY KEY, a text, b text, c text, d text);"
                     "INSERT INTO t VALUES (1, 'x', NULL, '', 'y'), (2, 'p', 'q', 'r', 's'),"
                     " (3, 'k', 'l', 'm', 'n')";
const char Query[] = "SELECT id, a, b, c, d FROM t ORDER BY id";

// The rectangle of the current cell, as the grid lays it out.
QRect currentCellRect(const GridFixture &f)
{
    return f.grid->GetCellRect(f.grid->Col(), f.grid->Row());
}

// How the user moves: the key, where it is pressed (the editor holds the whole text selected
// after each move, so the arrows leave the cell) and the cell expected after it.
struct MoveCase
{
    const char *name;
    bool recordsInRows;
    int key;
    Qt::KeyboardModifiers modifiers;
    int record; // expected current record and field lane
    int field;
};

TEST(DbGridDisplay, TheEditorMovesWithTheCurrentCellOnEveryKey)
{
    const MoveCase cases[] = {
        { "one record per row: Right", true, Qt::Key_Right, Qt::NoModifier, 1, 3 },
        { "one record per row: Left", true, Qt::Key_Left, Qt::NoModifier, 1, 1 },
        { "one record per row: Tab", true, Qt::Key_Tab, Qt::NoModifier, 1, 3 },
        { "one record per row: Shift+Tab", true, Qt::Key_Backtab, Qt::ShiftModifier, 1, 1 },
        { "one record per row: Enter", true, Qt::Key_Return, Qt::NoModifier, 1, 3 },
        { "one record per row: Down", true, Qt::Key_Down, Qt::NoModifier, 2, 2 },
        { "one record per column: Right", false, Qt::Key_Right, Qt::NoModifier, 2, 2 },
        { "one record per column: Left", false, Qt::Key_Left, Qt::NoModifier, 0, 2 },
        { "one record per column: Tab", false, Qt::Key_Tab, Qt::NoModifier, 1, 3 },
        { "one record per column: Down", false, Qt::Key_Down, Qt::NoModifier, 1, 3 },
        { "one record per column: Up", false, Qt::Key_Up, Qt::NoModifier, 1, 1 },
    };
    for (const MoveCase &c : cases) {
        SCOPED_TRACE(c.name);
        GridFixture f(c.recordsInRows, Table, Query);
        ASSERT_TRUE(f.show());
        f.dataSet.setCurrentRow(1);
        f.grid->setSelectedIndex(2);
        QLineEdit *editor = f.grid->InplaceEditor();
        ASSERT_TRUE(editor->isVisible());
        EXPECT_EQ(editor->geometry(), currentCellRect(f)) << "a field chosen by the host";
        f.key(c.key, c.modifiers);
        EXPECT_EQ(f.dataSet.currentRow(), c.record);
        EXPECT_EQ(f.grid->SelectedIndex(), c.field);
        EXPECT_TRUE(editor->isVisible());
        EXPECT_EQ(editor->geometry(), currentCellRect(f)) << "the editor stays over the old cell";
        EXPECT_EQ(editor->text(), f.dataSet.text(c.record, c.field))
            << "the editor shows the current cell's value";
    }
}

TEST(DbGridDisplay, UntouchedFieldsShowTheirValuesAndEscRestoresTheCell)
{
    for (const bool recordsInRows : { true, false }) {
        SCOPED_TRACE(recordsInRows ? "one record per row" : "one record per column");
        GridFixture f(recordsInRows, Table, Query);
        ASSERT_TRUE(f.show());
        f.dataSet.setCurrentRow(0);
        f.grid->setSelectedIndex(1);
        QLineEdit *editor = f.grid->InplaceEditor();
        typeText(editor, "changed");
        ASSERT_EQ(f.dataSet.state(), pg::DataSetState::Edit);
        // while the record is edited, the fields not typed in read and show what is stored
        EXPECT_EQ(f.dataSet.text(0, 4), "y");
        EXPECT_EQ(f.grid->DisplayText(0, 4), "y");
        EXPECT_FALSE(f.dataSet.isNull(0, 3)) << "an empty text stays an empty text";
        EXPECT_TRUE(f.dataSet.isNull(0, 2));

        // the first Esc gives the cell back as it was, the record still being edited
        f.key(Qt::Key_Escape);
        EXPECT_EQ(editor->text(), "x");
        EXPECT_EQ(f.grid->DisplayText(0, 1), "x");
        // the second drops the edit
        f.key(Qt::Key_Escape);
        EXPECT_EQ(f.dataSet.state(), pg::DataSetState::Browse);
        EXPECT_EQ(f.dataSet.text(0, 1), "x");

        // a value typed, the editor moved to another field of the same record: that field's
        // stored value is shown, and the typed one is kept
        f.grid->setSelectedIndex(1);
        typeText(f.keyTarget(), "new");
        f.key(recordsInRows ? Qt::Key_Tab : Qt::Key_Down);
        EXPECT_EQ(f.grid->SelectedIndex(), 2);
        f.key(recordsInRows ? Qt::Key_Tab : Qt::Key_Down);
        f.key(recordsInRows ? Qt::Key_Tab : Qt::Key_Down);
        EXPECT_EQ(f.grid->SelectedIndex(), 4);
        EXPECT_EQ(editor->text(), "y");
        EXPECT_EQ(f.dataSet.text(0, 1), "new");
        EXPECT_EQ(f.second("SELECT a FROM t WHERE id = 1"), "x") << "nothing stored yet";
        f.key(Qt::Key_Escape); // the record as stored again
        EXPECT_EQ(f.dataSet.state(), pg::DataSetState::Browse);
        EXPECT_EQ(f.dataSet.text(0, 1), "x");
        EXPECT_EQ(f.dataSet.text(0, 4), "y");
        EXPECT_TRUE(f.responder.asked.isEmpty()) << f.responder.texts().join('|').toStdString();
    }
}

TEST(DbGridDisplay, TheEditorTellsNullFromAnEmptyText)
{
    struct Case
    {
        const char *name;
        int field;
        QString placeholder;
    };
    const Case cases[] = {
        { "NULL", 2, "(NULL)" },
        { "empty text", 3, "" },
        { "a value", 1, "" },
    };
    for (const bool recordsInRows : { true, false }) {
        GridFixture f(recordsInRows, Table, Query);
        ASSERT_TRUE(f.show());
        QLineEdit *editor = f.grid->InplaceEditor();
        for (const Case &c : cases) {
            SCOPED_TRACE(std::string(recordsInRows ? "rows: " : "columns: ") + c.name);
            f.dataSet.setCurrentRow(0);
            f.grid->setSelectedIndex(c.field);
            ASSERT_TRUE(editor->isVisible());
            EXPECT_EQ(editor->placeholderText(), c.placeholder);
        }
        // typing makes it a value; Esc shows the NULL again
        f.grid->setSelectedIndex(2);
        typeText(editor, "v");
        EXPECT_EQ(editor->placeholderText(), "");
        f.key(Qt::Key_Backspace);
        EXPECT_EQ(editor->text(), "");
        EXPECT_EQ(editor->placeholderText(), "") << "an emptied editor is an empty text";
        f.key(Qt::Key_Escape);
        EXPECT_EQ(editor->placeholderText(), "(NULL)");
    }
}

TEST(DbGridDisplay, NullColourStandsOutOnEveryBackground)
{
    auto contrast = [](const QColor &a, const QColor &b) {
        auto lum = [](const QColor &c) {
            auto ch = [](double v) {
                return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
            };
            return 0.2126 * ch(c.redF()) + 0.7152 * ch(c.greenF()) + 0.0722 * ch(c.blueF());
        };
        const double x = lum(a);
        const double y = lum(b);
        return (std::max(x, y) + 0.05) / (std::min(x, y) + 0.05);
    };
    const QColor backgrounds[] = {
        Qt::white,
        QColor(0xFF, 0xFF, 0xCC), // the frame's stripe
        QApplication::palette().color(QPalette::Highlight),
        QColor(0x30, 0x8C, 0xC6),
        QColor(0x00, 0x78, 0xD7),
        QColor(0x00, 0x00, 0x80),
        Qt::black,
        QColor(0x80, 0x80, 0x80),
    };
    for (const QColor &background : backgrounds) {
        const QColor colour = GridNullColour(background);
        EXPECT_GE(contrast(colour, background), 3.0) << background.name().toStdString();
    }
    EXPECT_EQ(GridNullColour(Qt::white), QColor(0, 0, 0xFF)) << "blue where blue reads well";
}

TEST(DbGridDisplay, RecordColumnsAreTitledWithTheirNumbers)
{
    GridFixture f(false, Table, Query);
    ASSERT_TRUE(f.show());
    f.dataSet.setCurrentRow(0);
    QImage image(f.grid->viewport()->size(), QImage::Format_RGB32);
    f.grid->viewport()->render(&image, QPoint(), QRegion(), QWidget::DrawWindowBackground);
    const QColor button = f.grid->palette().color(QPalette::Button);
    // the title cells of records 2 and 3 (not current, not selected): something is written
    for (const int record : { 1, 2 }) {
        const QRect title = f.grid->GetCellRect(f.grid->TitleOffset() + record, 0);
        ASSERT_FALSE(title.isEmpty());
        int ink = 0;
        for (int y = title.top() + 2; y < title.bottom() - 1; ++y) {
            for (int x = title.left() + 2; x < title.right() - 1; ++x) {
                if (qGray(image.pixel(x, y)) < qGray(button.rgb()) - 60)
                    ++ink;
            }
        }
        EXPECT_GT(ink, 5) << "record " << record + 1 << " has no title";
    }
}

// Text that does not fit its cell ends in "…", in both directions of alignment.
TEST(DbGridDisplay, CutTextEndsInAnEllipsis)
{
    QFont font = QApplication::font();
    const QString text = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    const QRect cell(0, 0, 80, 20);
    for (const Qt::Alignment alignment : { Qt::AlignLeft, Qt::AlignRight }) {
        QImage drawn(cell.size(), QImage::Format_RGB32);
        QImage expected(cell.size(), QImage::Format_RGB32);
        for (QImage *image : { &drawn, &expected }) {
            QPainter p(image);
            p.setFont(font);
            p.setBrush(Qt::white);
            p.setPen(Qt::black);
            const QString shown = image == &drawn
                ? text
                : QFontMetrics(font).elidedText(text, Qt::ElideRight, cell.width() - 2 - 3);
            DrawGridCellText(p, cell, 2, 2, shown, alignment);
        }
        EXPECT_EQ(drawn, expected) << (alignment == Qt::AlignLeft ? "left" : "right");
    }
    // text that fits is drawn as it is
    QImage a(cell.size(), QImage::Format_RGB32);
    QImage b(cell.size(), QImage::Format_RGB32);
    for (QImage *image : { &a, &b }) {
        QPainter p(image);
        p.setFont(font);
        p.setBrush(Qt::white);
        p.setPen(Qt::black);
        p.fillRect(cell, Qt::white);
        if (image == &a)
            DrawGridCellText(p, cell, 2, 2, "ABC", Qt::AlignLeft);
        else
            p.drawText(2, 2 + QFontMetrics(font).ascent(), "ABC");
    }
    EXPECT_EQ(a, b);
}

TEST(DbGridDisplay, TheSortedFieldsTitleCarriesAMark)
{
    for (const bool recordsInRows : { true, false }) {
        SCOPED_TRACE(recordsInRows ? "one record per row" : "one record per column");
        GridFixture f(recordsInRows, Table, Query);
        ASSERT_TRUE(f.show());
        const QRect title = recordsInRows ? f.grid->GetCellRect(f.grid->IndicatorOffset() + 2, 0)
                                          : f.grid->GetCellRect(0, f.grid->IndicatorOffset() + 2);
        auto titleImage = [&] {
            QImage image(f.grid->viewport()->size(), QImage::Format_RGB32);
            f.grid->viewport()->render(&image, QPoint(), QRegion(), QWidget::DrawWindowBackground);
            return image.copy(title);
        };
        const QImage plain = titleImage();
        f.grid->setSortMark(2, false);
        EXPECT_EQ(f.grid->SortMarkField(), 2);
        const QImage ascending = titleImage();
        f.grid->setSortMark(2, true);
        EXPECT_TRUE(f.grid->SortMarkDescending());
        const QImage descending = titleImage();
        EXPECT_NE(plain, ascending);
        EXPECT_NE(ascending, descending);
        f.grid->setSortMark(-1, false);
        EXPECT_EQ(titleImage(), plain);
    }
}

} // namespace dbgriddisplaytest
