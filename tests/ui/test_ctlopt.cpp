// Control settings from the options: which rule each kind of control gets, in which order, and
// the fonts and widths they leave behind.
#include "core/qveditorsettings.h"
#include "core/qvfontmap.h"
#include "core/qvmacro.h"
#include "core/qvoption.h"
#include "core/qvsub.h"
#include "ui/qvctlopt.h"
#include "ui/qvdbgrid.h"
#include "ui/qvgrid.h"

#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTextEdit>

#include <gtest/gtest.h>

namespace ctlopttest {

// The SQL editor control as rule 2 sees it.
class EditorDouble : public QWidget, public TqvEditorControl
{
public:
    void ApplyEditorOptions(const TqvEditorSettings &settings, QMenu *popup,
                            TqvMacroList *macros) override
    {
        ++applied;
        fontName = settings.Font.Name;
        this->popup = popup;
        this->macros = macros;
    }
    int applied = 0;
    QString fontName;
    QMenu *popup = nullptr;
    TqvMacroList *macros = nullptr;
};

// An editor control that is a plain memo as well: the memo rule comes first.
class MemoEditorDouble : public QPlainTextEdit, public TqvEditorControl
{
public:
    void ApplyEditorOptions(const TqvEditorSettings &, QMenu *, TqvMacroList *) override
    {
        ++applied;
    }
    int applied = 0;
};

class ControlOptions : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_option = AppOption;
        m_editor = EditorOption;
        m_macros = MacroList;
        MacroList = &m_macroList;
        AppOption.DataFontName = QStringLiteral("ＭＳ ゴシック");
        AppOption.DataFontSize = 10;
        AppOption.DataColWidthH = 20;
        EditorOption.Font.Name = QStringLiteral("ＭＳ 明朝");
        EditorOption.Font.Size = 14;
        EditorOption.Font.FixedPitch = false;
        EditorOption.Font.Color = 0x0000FF; // red, in the stored blue-green-red order
        SetSharedEditorPopup(&m_popup);
    }
    void TearDown() override
    {
        AppOption = m_option;
        EditorOption = m_editor;
        MacroList = m_macros;
        SetSharedEditorPopup(nullptr);
    }

    static QFont dataFont() { return MapFont(QStringLiteral("ＭＳ ゴシック"), 10, true); }

    TqvOption m_option;
    TqvEditorSettings m_editor;
    TqvMacroList *m_macros = nullptr;
    TqvMacroList m_macroList;
    QMenu m_popup;
};

TEST_F(ControlOptions, PlainMemosTakeTheEditorFont)
{
    QPlainTextEdit plain;
    QTextEdit rich;
    for (QWidget *memo : { static_cast<QWidget *>(&plain), static_cast<QWidget *>(&rich) }) {
        ApplyControlOptions(memo);
        EXPECT_EQ(memo->font().family(), MapFontFamily(QStringLiteral("ＭＳ 明朝")));
        EXPECT_EQ(memo->font().pointSize(), 14);
        EXPECT_EQ(memo->palette().color(QPalette::Text), QColor(255, 0, 0));
    }
}

TEST_F(ControlOptions, EditorControlsTakeEverySettingThePopupAndTheMacroList)
{
    EditorDouble editor;
    ApplyControlOptions(&editor);
    EXPECT_EQ(editor.applied, 1);
    EXPECT_EQ(editor.fontName, QStringLiteral("ＭＳ 明朝"));
    EXPECT_EQ(editor.popup, &m_popup);
    EXPECT_EQ(editor.macros, &m_macroList);

    MemoEditorDouble both;
    ApplyControlOptions(&both);
    EXPECT_EQ(both.applied, 0) << "a plain memo matches rule 1 before rule 2";
    EXPECT_EQ(both.font().pointSize(), 14);
}

TEST_F(ControlOptions, StringGridsAndTheOrderOfRules)
{
    // rule 3 before rule 4: the system's own string grid keeps its font
    TqvStringGrid own;
    const QFont ownFont = own.font();
    own.setGridMode(geNormal);
    ApplyControlOptions(&own);
    EXPECT_EQ(own.GridMode(), geAccess);
    EXPECT_EQ(own.font(), ownFont);

    QTableWidget plain(3, 3);
    ApplyControlOptions(&plain);
    EXPECT_EQ(plain.font().family(), dataFont().family());
    EXPECT_EQ(plain.font().pointSize(), 10);
    EXPECT_TRUE(plain.font().fixedPitch());
    EXPECT_EQ(plain.font().family(), QvMonoFamily);

    // anything else is left alone
    QPushButton button("OK");
    const QFont buttonFont = button.font();
    ApplyControlOptions(&button);
    EXPECT_EQ(button.font(), buttonFont);
    ApplyControlOptions(nullptr);
}

TEST_F(ControlOptions, RecordGridsTakeTheDataFontAndTheTransposedColumnWidth)
{
    TqvDBGridV vertical;
    ApplyControlOptions(&vertical);
    EXPECT_EQ(vertical.font().family(), QvMonoFamily);
    EXPECT_EQ(vertical.font().pointSize(), 10);
    EXPECT_TRUE(vertical.font().fixedPitch());

    for (const int letters : { 20, 5 }) {
        AppOption.DataColWidthH = letters;
        TqvDBGridH transposed;
        const int before = transposed.DefaultColWidth();
        ApplyControlOptions(&transposed);
        EXPECT_EQ(transposed.font().family(), QvMonoFamily);
        EXPECT_EQ(transposed.font().pointSize(), 10);
        const int expected
            = QFontMetrics(transposed.font()).horizontalAdvance(QString(letters, QLatin1Char('A')));
        EXPECT_EQ(transposed.DefaultColWidth(), expected) << letters;
        EXPECT_NE(transposed.DefaultColWidth(), before);
    }
}

} // namespace ctlopttest
