// The rules of the options dialogs and the reference viewer that need no window: which keys
// make a shortcut, the colour manager's states, the reserved-word list, the reference file.
#include "core/qvencoding.h"
#include "core/qvshortcut.h"
#include "shell/feoption.h"
#include "shell/foption.h"
#include "shell/ftmplate.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace optiontablestest {

// ------------------------------------------------------------------ the key filter

struct KeyCase
{
    const char *name;
    int key;
    Qt::KeyboardModifiers modifiers;
    const char *shortcut; // the stored text; empty: ignored
};

const KeyCase keyCases[] = {
    { "LetterAlone", Qt::Key_A, Qt::NoModifier, "" },
    { "DigitAlone", Qt::Key_5, Qt::NoModifier, "" },
    { "CtrlA", Qt::Key_A, Qt::ControlModifier, "Ctrl+A" },
    { "ShiftCtrlDigit", Qt::Key_5, Qt::ShiftModifier | Qt::ControlModifier, "Shift+Ctrl+5" },
    { "AltZ", Qt::Key_Z, Qt::AltModifier, "Alt+Z" },
    { "ShiftF3", Qt::Key_F3, Qt::ShiftModifier, "Shift+F3" },
    { "F1", Qt::Key_F1, Qt::NoModifier, "F1" },
    { "F10", Qt::Key_F10, Qt::NoModifier, "F10" },
    { "F11", Qt::Key_F11, Qt::NoModifier, "" },
    { "CtrlF12", Qt::Key_F12, Qt::ControlModifier, "" },
    { "Delete", Qt::Key_Delete, Qt::NoModifier, "Del" },
    { "CtrlDelete", Qt::Key_Delete, Qt::ControlModifier, "Ctrl+Del" },
    { "Insert", Qt::Key_Insert, Qt::NoModifier, "" },
    { "Home", Qt::Key_Home, Qt::ControlModifier, "" },
    { "CursorLeft", Qt::Key_Left, Qt::NoModifier, "" },
    { "ShiftAlone", Qt::Key_Shift, Qt::ShiftModifier, "" },
    { "Semicolon", Qt::Key_Semicolon, Qt::NoModifier, ";" },
    { "ShiftColonIsSemicolonKey", Qt::Key_Colon, Qt::ShiftModifier, "Shift+;" },
    { "CtrlComma", Qt::Key_Comma, Qt::ControlModifier, "Ctrl+," },
    { "Minus", Qt::Key_Minus, Qt::NoModifier, "-" },
    { "Period", Qt::Key_Period, Qt::NoModifier, "." },
    { "At", Qt::Key_At, Qt::ControlModifier, "Ctrl+@" },
    { "BracketLeft", Qt::Key_BracketLeft, Qt::NoModifier, "[" },
    { "Backslash", Qt::Key_Backslash, Qt::NoModifier, "\\" },
    { "BracketRight", Qt::Key_BracketRight, Qt::AltModifier, "Alt+]" },
    // Outside the ranges: the slash and the quote keys.
    { "Slash", Qt::Key_Slash, Qt::ControlModifier, "" },
    { "Apostrophe", Qt::Key_Apostrophe, Qt::ControlModifier, "" },
};

class KeyFilter : public ::testing::TestWithParam<KeyCase>
{
};

TEST_P(KeyFilter, MakesTheShortcutOrIgnoresTheKey)
{
    const KeyCase &c = GetParam();
    const QKeySequence shortcut = ShortcutOfKey(c.key, c.modifiers);
    EXPECT_EQ(shortcutToText(shortcut), QString::fromUtf8(c.shortcut));
}

INSTANTIATE_TEST_SUITE_P(Options, KeyFilter, ::testing::ValuesIn(keyCases),
                         [](const auto &info) { return std::string(info.param.name); });

// ------------------------------------------------------------------ the colour manager

class ColorManager : public ::testing::Test
{
protected:
    ColorManager()
        : grid(&host)
        , panel(&host)
        , bg(QStringLiteral("BG"), &panel)
        , fg(QStringLiteral("FG"), &panel)
        , bold(&host)
        , underline(&host)
        , italic(&host)
        , manager(&grid, &panel, &bg, &fg, &bold, &underline, &italic)
    {
        grid.resize(132, 132);
        host.show();
        manager.OnChange = [this] { ++changes; };
    }
    void clickGrid(int cell, Qt::MouseButton button)
    {
        QTest::mouseClick(&grid, button, Qt::NoModifier, grid.cellCentre(cell));
    }

    QWidget host;
    TqvColorGrid grid;
    QWidget panel;
    QLabel bg;
    QLabel fg;
    QCheckBox bold;
    QCheckBox underline;
    QCheckBox italic;
    TEditorColorManager manager;
    int changes = 0;
};

TEST_F(ColorManager, ColourListHasSilverBeforeGrayAndNoneLast)
{
    const QList<TColor> list = TEditorColorManager::ColorList();
    ASSERT_EQ(list.size(), 17);
    EXPECT_EQ(list.at(7), 0xC0C0C0);
    EXPECT_EQ(list.at(8), 0x808080);
    EXPECT_EQ(list.at(16), clNone);
    EXPECT_EQ(TEditorColorManager::ColorIndex(0x123456), -1);
}

TEST_F(ColorManager, AMarkAfterAFountainColourTurnsBackgroundAndStylesOff)
{
    TqvEditorColorPair comment { 0x008000, 0xFFFFFF };
    int style = 1 | 4;
    manager.SetFountainColor({ &comment, &style });
    EXPECT_TRUE(grid.BackgroundEnabled());
    EXPECT_TRUE(bold.isChecked());
    EXPECT_TRUE(italic.isChecked());
    EXPECT_TRUE(bold.isEnabled());
    EXPECT_EQ(grid.ForegroundIndex(), 2);
    EXPECT_EQ(grid.BackgroundIndex(), 15);

    TqvEditorMark eof { 0x0000FF, true };
    manager.SetEditorMark(&eof);
    EXPECT_EQ(manager.State(), csEditorMark);
    EXPECT_FALSE(grid.BackgroundEnabled());
    EXPECT_TRUE(bg.isHidden());
    for (QCheckBox *box : { &bold, &underline, &italic }) {
        EXPECT_FALSE(box->isChecked());
        EXPECT_FALSE(box->isEnabled());
    }
    EXPECT_EQ(grid.ForegroundIndex(), 9);

    // A right click changes nothing of a mark; a left click takes the cell's colour.
    clickGrid(4, Qt::RightButton);
    EXPECT_EQ(eof.Color, 0x0000FF);
    EXPECT_EQ(changes, 0);
    clickGrid(4, Qt::LeftButton);
    EXPECT_EQ(eof.Color, 0x800000);
    EXPECT_EQ(changes, 1);
    // The comment is left alone meanwhile.
    EXPECT_EQ(comment.Color, 0x008000);
    EXPECT_EQ(comment.BkColor, 0xFFFFFF);
}

TEST_F(ColorManager, NoColourPanelWithEitherButton)
{
    TqvEditorColorPair hit { 0x000000, 0xC0C0C0 };
    manager.SetFountainColor({ &hit, nullptr });
    EXPECT_TRUE(fg.isHidden());
    EXPECT_TRUE(bg.isHidden());
    QTest::mouseClick(&panel, Qt::LeftButton);
    EXPECT_EQ(hit.Color, clNone);
    EXPECT_EQ(hit.BkColor, 0xC0C0C0);
    EXPECT_FALSE(fg.isHidden());
    EXPECT_EQ(grid.ForegroundIndex(), 16);
    QTest::mouseClick(&bg, Qt::RightButton);
    EXPECT_EQ(hit.BkColor, clNone);
    EXPECT_FALSE(bg.isHidden());
    EXPECT_EQ(grid.BackgroundIndex(), 16);
    EXPECT_EQ(changes, 2);

    // A mark: the right button does nothing, the left one takes its colour away.
    TqvEditorMark ret { 0x808000, true };
    manager.SetEditorMark(&ret);
    QTest::mouseClick(&panel, Qt::RightButton);
    EXPECT_EQ(ret.Color, 0x808000);
    QTest::mouseClick(&fg, Qt::LeftButton);
    EXPECT_EQ(ret.Color, clNone);
    EXPECT_EQ(changes, 3);
}

TEST_F(ColorManager, NothingToEditDisablesTheChoice)
{
    manager.SetFountainColor({});
    EXPECT_FALSE(grid.isEnabled());
    EXPECT_FALSE(panel.isEnabled());
    EXPECT_EQ(grid.ForegroundIndex(), 16);
    EXPECT_EQ(grid.BackgroundIndex(), 16);
    clickGrid(3, Qt::LeftButton);
    EXPECT_EQ(changes, 0);
}

// ------------------------------------------------------------------ reserved words

struct WordsCase
{
    const char *name;
    QStringList lines;
    bool accepted;
    QStringList words; // or, refused, the line named
};

class ReserveWords : public ::testing::TestWithParam<WordsCase>
{
};

TEST_P(ReserveWords, AreNormalisedOrRefused)
{
    const WordsCase &c = GetParam();
    QStringList words;
    QString blank;
    EXPECT_EQ(NormalizeReserveWords(c.lines, &words, &blank), c.accepted);
    if (c.accepted)
        EXPECT_EQ(words, c.words);
    else
        EXPECT_EQ(blank, c.words.value(0));
}

INSTANTIATE_TEST_SUITE_P(
    Options, ReserveWords,
    ::testing::Values(
        WordsCase { "TrimmedAndOneEmptyLineDropped",
                    { "  SELECT", "", "FROM" },
                    true,
                    { "SELECT", "FROM" } },
        WordsCase {
            "TwoEmptyLinesLeaveOne", { "SELECT", "", "", "FROM" }, true, { "SELECT", "", "FROM" } },
        WordsCase {
            "LeadingEmptyLinesGo", { "", "  ", "WHERE", "AND " }, true, { "WHERE", "AND" } },
        WordsCase {
            "InnerBlankRefused", { "SELECT", " ORDER BY ", "FROM" }, false, { "ORDER BY" } },
        WordsCase { "InnerTabRefused", { "GROUP\tBY" }, false, { "GROUP\tBY" } },
        WordsCase { "Empty", { "" }, true, {} }),
    [](const auto &info) { return std::string(info.param.name); });

// ------------------------------------------------------------------ the reference file

const QStringList sampleLines = {
    "【 FREE 】 before any category",
    "free text",
    "%%%Queries",
    "【 SELECT 】 rows",
    "SELECT ... <FROM> and <where>",
    "【 FROM 】 sources",
    "FROM ... <SELECT> <JOIN",
    "%%%Queries",
    "【 WHERE 】 conditions",
    "WHERE ... <nothing here>",
    "【 BROKEN heading without its end",
    "broken body",
    "【 select 】 second of the name",
    "never reached",
};

TEST(TemplateReader, IndexesEveryHeadingInFileOrder)
{
    const TTemplateData data(sampleLines);
    QStringList names;
    QList<int> lines;
    for (const TTemplateData::Entry &e : data.index()) {
        names << e.name;
        lines << e.line;
    }
    EXPECT_EQ(names, QStringList({ "FREE", "SELECT", "FROM", "WHERE", "", "select" }));
    EXPECT_EQ(lines, QList<int>({ 0, 3, 5, 8, 10, 12 }));
    // The first of equal names counts, without regard to case; an empty name is reached by none.
    EXPECT_EQ(data.indexOf("Select"), 1);
    EXPECT_EQ(data.indexOf(""), -1);
    EXPECT_EQ(data.indexOf("JOIN"), -1);
}

TEST(TemplateReader, TreeKeepsEntriesBeforeCategoriesAndCategoriesOfOneCaption)
{
    const QList<TTemplateData::Node> tree = TTemplateData(sampleLines).Tree();
    ASSERT_EQ(tree.size(), 3);
    EXPECT_EQ(tree.at(0).caption, "FREE");
    EXPECT_FALSE(tree.at(0).category);
    EXPECT_EQ(tree.at(1).caption, "Queries");
    EXPECT_EQ(tree.at(1).entries, QStringList({ "SELECT", "FROM" }));
    EXPECT_EQ(tree.at(2).caption, "Queries");
    EXPECT_EQ(tree.at(2).entries, QStringList({ "WHERE", "", "select" }));
}

TEST(TemplateReader, EntryTextFollowsReferencesDepthFirstOnce)
{
    const TTemplateData data(sampleLines);
    // SELECT refers to FROM (which refers back to SELECT) and to where: each shown once.
    EXPECT_EQ(data.GetEntryText("select"),
              QStringList({ "【 SELECT 】 rows", "SELECT ... <FROM> and <where>",
                            "【 FROM 】 sources", "FROM ... <SELECT> <JOIN",
                            "【 WHERE 】 conditions", "WHERE ... <nothing here>" }));
    // The cycle from the other side.
    const QList<TTemplateData::Entry> fromFirst = data.CollectEntry(data.indexOf("FROM"));
    ASSERT_EQ(fromFirst.size(), 3);
    EXPECT_EQ(fromFirst.at(0).name, "FROM");
    EXPECT_EQ(fromFirst.at(1).name, "SELECT");
    EXPECT_EQ(fromFirst.at(2).name, "WHERE");
    // A body ends at the next category line; an entry before any category has its text too.
    EXPECT_EQ(data.GetEntryText("FREE"),
              QStringList({ "【 FREE 】 before any category", "free text" }));
    EXPECT_TRUE(data.GetEntryText("missing").isEmpty());
}

TEST(TemplateReader, DecodesByByteOrderMarkElseCodePage932)
{
    QTemporaryDir dir;
    const QString text = QStringLiteral("%%%問い合わせ\r\n【 SELECT 】 行\r\n本文");
    const struct
    {
        const char *file;
        TqvEncoding encoding;
        bool bom;
    } cases[] = {
        { "utf8.tpl", TqvEncoding(TqvEncoding::Utf8), true },
        { "utf16.tpl", TqvEncoding(TqvEncoding::Utf16LE), true },
        { "sjis.tpl", TqvEncoding(TqvEncoding::ShiftJis), false },
    };
    for (const auto &c : cases) {
        const QString path = dir.filePath(QString::fromLatin1(c.file));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(EncodeText(text, c.encoding, c.bom));
        file.close();
        const QStringList lines = TTemplateData::ReadFile(path);
        EXPECT_EQ(lines, QStringList({ "%%%問い合わせ", "【 SELECT 】 行", "本文" })) << c.file;
    }
    EXPECT_THROW(TTemplateData::ReadFile(dir.filePath("none.tpl")), TextFileError);
}

} // namespace optiontablestest
