// The string, list and file-name routines of the core.
#include "core/qvencoding.h"
#include "core/qvfile.h"
#include "core/qvlist.h"
#include "core/qvoption.h"
#include "core/qvstr.h"

#include "testserver.h"

#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace stringstest {

TEST(StringRoutines, CopyRangeAndTrimBlanks)
{
    EXPECT_EQ(CopyRange("abcdef", 2, 4), "bcd");
    EXPECT_EQ(CopyRange("abcdef", 4, 99), "def");
    EXPECT_EQ(CopyRange("abcdef", 4, 3), "");
    EXPECT_EQ(CopyRange("abcdef", 7, 9), "");
    EXPECT_EQ(TrimBlanks(" \t\r\n inner text \n\r\t "), "inner text");
    EXPECT_EQ(TrimBlanks(QString::fromUtf8("\u3000x\u3000")), QString::fromUtf8("\u3000x\u3000"));
    EXPECT_EQ(TrimBlanks(QString("\x01x\x0B")), QString("\x01x\x0B"));
}

TEST(StringRoutines, Searches)
{
    EXPECT_EQ(AnsiPosFrom("b", "abcabc", 0), 2);
    EXPECT_EQ(AnsiPosFrom("b", "abcabc", 2), 5);
    EXPECT_EQ(AnsiPosFrom("b", "abcabc", 6), 0);
    EXPECT_EQ(AnsiPosFrom("x", "abc", -3), 0);
    // Offset on the first half of a pair starts the search after the whole pair.
    const QString face = QString::fromUtf8("😀");
    EXPECT_EQ(AnsiPosFrom(face.right(1), "a" + face + face, 2), 5);

    const QByteArray sjis = TqvEncoding(TqvEncoding::ShiftJis).encode(QString::fromUtf8("ア\\"));
    // "ア" is 83 41: the "A" (41) is its second byte, never a match of its own.
    EXPECT_EQ(StrPosFrom("A", sjis, 1), 0);
    EXPECT_EQ(StrPosFrom("\\", sjis, 1), 3);
    EXPECT_EQ(StrPosFrom("ab", "xxabab", 4), 5);
    EXPECT_EQ(StrPosFrom("ab", "ab", 3), 0);

    EXPECT_TRUE(StrInArray("varchar", CharTypeNames));
    EXPECT_FALSE(StrInArray("Varchar", CharTypeNames));
    EXPECT_EQ(CharTypeNames.size(), 8);
    EXPECT_EQ(StringTypeNames.size(), 9);
    EXPECT_EQ(ModifierTypeNames.size(), 24);
    EXPECT_EQ(NumberTypeNames.size(), 16);
    EXPECT_EQ(PseudoTypeNames.size(), 14);
    EXPECT_EQ(TimeTypeNames.size(), 8);
}

TEST(StringRoutines, WidthsAndHex)
{
    EXPECT_EQ(GetHalfWidthLength(QString::fromUtf8("ｱA")), 2);
    EXPECT_EQ(GetHalfWidthLength(QString::fromUtf8("ア")), 2);
    EXPECT_EQ(GetHalfWidthLength("\t"), 2);
    EXPECT_EQ(GetHalfWidthLength(" ~"), 2);
    EXPECT_EQ(StrToUnicodeHex("A", -1), "4100");
    EXPECT_EQ(StrToUnicodeHex("A", 4), "41000000");
    EXPECT_EQ(StrToUnicodeHex("A", 1), "41");
    EXPECT_EQ(StrToUnicodeHex(QString::fromUtf8("日"), -1), "E565");
}

TEST(StringRoutines, VariantConversions)
{
    EXPECT_EQ(VarIfThen(true, 1, "x"), QVariant(1));
    EXPECT_EQ(VarIfThen(false, 1, "x"), QVariant("x"));
    EXPECT_EQ(VarToFloatDef(QVariant(), 7.5), 7.5);
    EXPECT_EQ(VarToFloatDef(QVariant::fromValue(nullptr), 7.5), 7.5);
    EXPECT_EQ(VarToFloatDef("12.25", 0), 12.25);
    EXPECT_EQ(VarToFloatDef("abc", 3), 3);
    EXPECT_EQ(VarToFloatDef(QString(), 3), 3);
    EXPECT_EQ(VarToIntDef("42", 0), 42);
    EXPECT_EQ(VarToIntDef("4.2", 9), 9);
    EXPECT_EQ(VarToIntDef(2.5, 0), 2);
    EXPECT_EQ(VarToIntDef(3.5, 0), 4);
    EXPECT_EQ(VarToIntDef(1e12, 5), 5);
    EXPECT_EQ(VarToIntDef(qlonglong(1) << 40, 5), 5);
    EXPECT_EQ(VarToIntDef(true, 0), 1);
    EXPECT_EQ(VarToDateTimeDef(QVariant(), 1.5), 1.5);
    EXPECT_EQ(VarToDateTimeDef(QDateTime(QDate(1900, 1, 1), QTime(12, 0)), 0), 2.5);
    EXPECT_EQ(VarToDateTimeDef("1900/01/01", 0), 2.0);
    EXPECT_EQ(VarToDateTimeDef("1900-01-01T06:00:00", 0), 2.25);
    EXPECT_EQ(VarToDateTimeDef("not a date", 9), 9);
    EXPECT_EQ(TDateTimeToDateTime(2.25), QDateTime(QDate(1900, 1, 1), QTime(6, 0)));
}

TEST(StringRoutines, DeleteBlankLinesFollowsTheScriptOption)
{
    const bool old = ScriptOption.NullLine;
    const QStringList script = { "a", "", " ", "b", "" };
    QStringList lines = script;
    ScriptOption.NullLine = false;
    DeleteBlankLines(lines);
    EXPECT_EQ(lines, script);
    ScriptOption.NullLine = true;
    DeleteBlankLines(lines);
    EXPECT_EQ(lines, QStringList({ "a", " ", "b" }));
    ScriptOption.NullLine = old;
}

TEST(FileNames, RemoveInvalidFileCharsKeepsNamesInTheirFolder)
{
    const struct
    {
        const char *in;
        const char *out;
    } cases[] = {
        { "public.\"Or:ders\".ini", "public.Orders.ini" },
        { "a/b\\c*d?e<f>g|h", "abcdefgh" },
        { "../../etc/passwd", "etcpasswd" },
        { "..", "" },
        { ".", "" },
        { "...x", ".x" },
        { "a..b.ini", "ab.ini" },
        { "tab\there\nnew", "tabherenew" },
        { "日本語.テーブル.ini", "日本語.テーブル.ini" },
    };
    for (const auto &c : cases)
        EXPECT_EQ(RemoveInvalidFileChars(QString::fromUtf8(c.in)), QString::fromUtf8(c.out))
            << c.in;
}

TEST(FileNames, GetUniqueFileNameHandsOutEachNameOnce)
{
    QTemporaryDir dir;
    const QString report = dir.filePath("report.sql");
    EXPECT_EQ(GetUniqueFileName(report), report);
    EXPECT_TRUE(QFileInfo::exists(report)) << "the name is taken at once";
    EXPECT_EQ(GetUniqueFileName(report), dir.filePath("report01.sql"));
    EXPECT_EQ(GetUniqueFileName(report), dir.filePath("report02.sql"));

    const QString bare = dir.filePath("noext");
    QFile(bare).open(QIODevice::WriteOnly);
    EXPECT_EQ(GetUniqueFileName(bare), dir.filePath("noext01"));

    // A dot in a folder name is not an extension.
    QDir(dir.path()).mkpath("v1.2");
    const QString inDotted = dir.filePath("v1.2/out");
    QFile(inDotted).open(QIODevice::WriteOnly);
    EXPECT_EQ(GetUniqueFileName(inDotted), dir.filePath("v1.2/out01"));

    for (int i = 3; i <= 99; ++i)
        GetUniqueFileName(report);
    EXPECT_EQ(GetUniqueFileName(report), dir.filePath("report100.sql"));
    EXPECT_EQ(GetUniqueFileName(report), dir.filePath("report101.sql"));

    EXPECT_THROW(GetUniqueFileName(dir.filePath("missing/x.sql")), TextFileError);
}

TEST(Lists, ExactLookups)
{
    const QStringList list = { "Apple", "apple", "Banana" };
    EXPECT_EQ(IndexOfExact(list, "apple"), 1);
    EXPECT_EQ(IndexOfExact(list, "APPLE"), -1);

    QComboBox combo;
    combo.addItems(list);
    EXPECT_EQ(IndexOfComboItem(&combo, "Banana"), 2);
    EXPECT_EQ(FindComboItem(&combo, "banana"), -1);
    SelectComboItem(&combo, "apple");
    EXPECT_EQ(combo.currentIndex(), 1);
    SelectComboItem(&combo, "BANANA");
    EXPECT_EQ(combo.currentIndex(), -1);
}

TEST(Lists, ExitActiveControlStoresTheEditInProgress)
{
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    auto *edit = new QLineEdit(&window);
    auto *table = new QTableWidget(2, 2, &window);
    layout->addWidget(edit);
    layout->addWidget(table);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    edit->setFocus();
    QTest::keyClicks(edit, "abc");
    QSignalSpy finished(edit, &QLineEdit::editingFinished);
    ExitActiveControl();
    EXPECT_EQ(finished.count(), 1);
    EXPECT_TRUE(edit->hasFocus());

    table->setItem(1, 1, new QTableWidgetItem);
    table->setFocus();
    table->setCurrentCell(1, 1);
    table->editItem(table->item(1, 1));
    auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
    ASSERT_NE(editor, nullptr);
    editor->setText("typed");
    EXPECT_TRUE(table->item(1, 1)->text().isEmpty());
    ExitActiveControl();
    EXPECT_EQ(table->item(1, 1)->text(), "typed");
}

} // namespace stringstest
