// The workbook writer: new workbooks and templates written, then read back from the file's own
// parts (sheet names, cells, text formats, widths, styles, merged ranges); sheet names; a save
// that fails leaves the existing file as it was.
#include "xlsxread.h"

#include "platform/workbook/workbook.h"
#include "platform/workbook/workbook_p.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace workbook;

namespace workbooktest {

template<class Set> Format fmt(Set set)
{
    Format f;
    set(f);
    return f;
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct SheetNameCase
{
    const char *label;
    QString name;
    bool valid;
};

class SheetNames : public ::testing::TestWithParam<SheetNameCase>
{
};

TEST_P(SheetNames, AreCheckedAndSanitised)
{
    const SheetNameCase c = GetParam();
    EXPECT_EQ(SheetNameError(c.name).isEmpty(), c.valid) << qPrintable(SheetNameError(c.name));
    const QString clean = SanitizeSheetName(c.name);
    EXPECT_TRUE(SheetNameError(clean).isEmpty()) << qPrintable(clean);
    if (c.valid) {
        EXPECT_EQ(clean, c.name);
    }
    Workbook book;
    if (c.valid) {
        EXPECT_NO_THROW(book.addSheet(c.name));
    } else {
        EXPECT_THROW(book.addSheet(c.name), Error);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, SheetNames,
    ::testing::Values(SheetNameCase { "plain", QStringLiteral("Sheet1"), true },
                      SheetNameCase { "japanese", QStringLiteral("受注明細"), true },
                      SheetNameCase { "thirtyOne", QString(31, QLatin1Char('x')), true },
                      SheetNameCase { "thirtyTwo", QString(32, QLatin1Char('x')), false },
                      SheetNameCase { "empty", QString(), false },
                      SheetNameCase { "bracket", QStringLiteral("a[1]"), false },
                      SheetNameCase { "colon", QStringLiteral("a:b"), false },
                      SheetNameCase { "star", QStringLiteral("a*"), false },
                      SheetNameCase { "question", QStringLiteral("a?"), false },
                      SheetNameCase { "slash", QStringLiteral("a/b"), false },
                      SheetNameCase { "backslash", QStringLiteral("a\\b"), false },
                      SheetNameCase { "apostrophe", QStringLiteral("'a"), false },
                      SheetNameCase { "innerApostrophe", QStringLiteral("a'b"), true }),
    [](const auto &info) { return std::string(info.param.label); });

TEST(Workbook, DuplicateSheetNamesAreRefusedWithoutLetterCase)
{
    Workbook book;
    book.addSheet(QStringLiteral("Data"));
    EXPECT_THROW(book.addSheet(QStringLiteral("DATA")), Error);
    book.addSheet(QStringLiteral("Other"));
    EXPECT_THROW(book.renameSheet(1, QStringLiteral("data")), Error);
    EXPECT_NO_THROW(book.renameSheet(1, QStringLiteral("other")));
}

TEST(Workbook, ColumnNames)
{
    EXPECT_EQ(ColumnName(0), "A");
    EXPECT_EQ(ColumnName(25), "Z");
    EXPECT_EQ(ColumnName(26), "AA");
    EXPECT_EQ(ColumnName(255), "IV");
    EXPECT_EQ(ColumnName(16383), "XFD");
    EXPECT_EQ(CellName(9, 2), "C10");
}

TEST(Workbook, DateSerials)
{
    EXPECT_EQ(DateSerial(QDate(1900, 3, 1)), 61);
    EXPECT_EQ(DateSerial(QDate(2024, 2, 29)), 45351);
    EXPECT_DOUBLE_EQ(DateSerial(QDateTime(QDate(2024, 2, 29), QTime(18, 0))), 45351.75);
    EXPECT_EQ(DateSerial(QDate(1899, 1, 1)), -1);
    EXPECT_EQ(DateSerial(QDate()), -1);
}

class WorkbookFile : public ::testing::Test
{
protected:
    QString path(const QString &name) const { return m_dir.filePath(name); }
    QTemporaryDir m_dir;
};

TEST_F(WorkbookFile, NewWorkbookHoldsCellsWidthsAndFormats)
{
    Workbook book;
    const int text = book.addFormat(fmt([](Format &f) { f.numberFormat = TextFormat; }));
    const int title = book.addFormat(fmt([](Format &f) {
        f.fontName = QStringLiteral("Noto Sans CJK JP");
        f.fontSize = 14;
        f.bold = true;
        f.border = Border::Thin;
        f.rotation = 45;
        f.wrap = true;
    }));
    const int date
        = book.addFormat(fmt([](Format &f) { f.numberFormat = QStringLiteral("yyyy/mm/dd"); }));
    EXPECT_EQ(book.addFormat(fmt([](Format &f) { f.numberFormat = TextFormat; })), text);
    Sheet &s = book.addSheet(QStringLiteral("結果"));
    book.addSheet(QStringLiteral("Second"));
    s.setColumnFormat(1, 1, text);
    s.setColumnWidth(0, 0, 12);
    s.setColumnWidth(1, 2, 30.5);
    s.setText(0, 0, QStringLiteral("見出し"), title);
    s.setText(1, 1, QStringLiteral("00123")); // takes the column's text format
    s.setNumber(1, 0, 42.5);
    s.setDate(2, 0, QDate(2024, 2, 29), date);
    s.setText(3, 0, QStringLiteral("tab\there & <there>"));
    book.setActiveSheet(1);
    book.save(path(QStringLiteral("new.xlsx")));

    const QString file = path(QStringLiteral("new.xlsx"));
    EXPECT_EQ(xlsxread::sheetNames(file), QStringList({ "結果", "Second" }));
    const auto cells = xlsxread::cells(file, QStringLiteral("結果"));
    const auto styles = xlsxread::cellStyles(file);
    EXPECT_EQ(cells.value("A1").value, "見出し");
    EXPECT_EQ(cells.value("B2").value, "00123");
    EXPECT_EQ(styles.value(cells.value("B2").style).numberFormat, "@");
    EXPECT_EQ(cells.value("A2").value, "42.5");
    EXPECT_EQ(cells.value("A3").value, "45351");
    EXPECT_EQ(styles.value(cells.value("A3").style).numberFormat, "yyyy/mm/dd");
    EXPECT_EQ(cells.value("A4").value, "tab\there & <there>");
    const xlsxread::CellStyle t = styles.value(cells.value("A1").style);
    EXPECT_EQ(t.alignment.attribute("textRotation"), "45");
    EXPECT_EQ(t.alignment.attribute("wrapText"), "1");
    EXPECT_FALSE(t.font.firstChildElement("b").isNull());
    EXPECT_EQ(t.font.firstChildElement("sz").attribute("val"), "14");
    EXPECT_EQ(t.font.firstChildElement("name").attribute("val"), "Noto Sans CJK JP");
    EXPECT_EQ(t.border.firstChildElement("left").attribute("style"), "thin");
    const auto widths = xlsxread::columnWidths(file, QStringLiteral("結果"));
    // widths are stored with the padding of the default font: at least what was asked, less
    // than one character more
    ASSERT_TRUE(widths.contains(1) && widths.contains(2) && widths.contains(3));
    EXPECT_GE(widths.value(1), 12);
    EXPECT_LT(widths.value(1), 13);
    EXPECT_GE(widths.value(3), 30.5);
    EXPECT_LT(widths.value(3), 31.5);
    const QDomDocument wb = xlsxread::xml(file, "xl/workbook.xml");
    EXPECT_EQ(xlsxread::elements(wb, "workbookView").value(0).attribute("activeTab"), "1");
}

TEST_F(WorkbookFile, LongTextIsCutToTheCellLimit)
{
    Workbook book;
    Sheet &s = book.addSheet(QStringLiteral("S"));
    s.setText(0, 0, QString(40000, QLatin1Char('x')));
    EXPECT_EQ(s.cell(0, 0)->text.size(), MaxCellText);
    EXPECT_THROW(s.setText(MaxRows, 0, QStringLiteral("x")), Error);
    EXPECT_THROW(s.setText(0, MaxColumns, QStringLiteral("x")), Error);
    EXPECT_NO_THROW(book.save(path(QStringLiteral("long.xlsx"))));
}

// A template made by the writer itself: a title row with a merged, bold, bordered title, a
// header row and one styled detail row, widths on the columns.
QString makeTemplate(const QString &file)
{
    Workbook book;
    const int titleFormat = book.addFormat(fmt([](Format &f) {
        f.fontSize = 16;
        f.bold = true;
        f.border = Border::Medium;
        f.hAlign = HAlign::Center;
    }));
    const int headFormat = book.addFormat(fmt([](Format &f) {
        f.bold = true;
        f.fillColor = 0xCCFFCC;
        f.border = Border::Thin;
    }));
    const int detailFormat = book.addFormat(fmt([](Format &f) {
        f.numberFormat = TextFormat;
        f.border = Border::Thin;
    }));
    const int amountFormat = book.addFormat(fmt([](Format &f) {
        f.numberFormat = QStringLiteral("#,##0");
        f.border = Border::Thin;
    }));
    Sheet &s = book.addSheet(QStringLiteral("Report"));
    book.addSheet(QStringLiteral("Notes")).setText(0, 0, QStringLiteral("keep me"));
    s.setText(0, 0, QStringLiteral("TITLE"), titleFormat);
    s.setBlank(0, 1, titleFormat);
    s.setBlank(0, 2, titleFormat);
    s.mergeCells(0, 0, 0, 2);
    s.setRowHeight(0, 24);
    s.setText(1, 0, QStringLiteral("Code"), headFormat);
    s.setText(1, 1, QStringLiteral("Name"), headFormat);
    s.setText(1, 2, QStringLiteral("Amount"), headFormat);
    s.setBlank(2, 0, detailFormat);
    s.setBlank(2, 1, detailFormat);
    s.setBlank(2, 2, amountFormat);
    s.setText(4, 0, QStringLiteral("footer"));
    s.setColumnWidth(0, 0, 10);
    s.setColumnWidth(1, 1, 40);
    s.setColumnWidth(2, 2, 15);
    book.save(file);
    return file;
}

TEST_F(WorkbookFile, TemplateIsFilledAndKeepsItsStyles)
{
    const QString templ = makeTemplate(path(QStringLiteral("template.xlsx")));
    const QByteArray templateBytes = fileBytes(templ);
    const auto before = xlsxread::cells(templ, QStringLiteral("Report"));
    const auto stylesBefore = xlsxread::cellStyles(templ);

    Workbook book(templ);
    ASSERT_TRUE(book.isTemplate());
    ASSERT_EQ(book.sheetCount(), 2);
    EXPECT_EQ(book.sheet(0).name(), "Report");
    EXPECT_EQ(book.indexOf(QStringLiteral("notes")), 1);
    EXPECT_EQ(book.templateStyles(), int(stylesBefore.size()));
    Sheet &s = book.sheet(0);
    EXPECT_EQ(s.cell(2, 0)->style, before.value("A3").style);
    EXPECT_DOUBLE_EQ(s.columnWidth(1), xlsxread::columnWidths(templ, "Report").value(2));

    // the detail row 3 repeated for three records, the footer moved below them
    s.copyRows(4, 1, 6);
    s.clear(4, 0);
    s.copyRows(2, 1, 3);
    s.copyRows(2, 1, 4);
    s.copyRows(0, 1, 8); // the title row with its merged range
    const QStringList codes { "001", "002", "003" };
    for (int i = 0; i < 3; ++i) {
        s.setText(2 + i, 0, codes[i]);
        s.setText(2 + i, 1, QStringLiteral("名前%1").arg(i));
        s.setNumber(2 + i, 2, 1000 * (i + 1));
    }
    s.setText(0, 0, QStringLiteral("受注一覧"));
    const int extra = book.addFormat(fmt([](Format &f) {
        f.italic = true;
        f.fontColor = 0xFF0000;
    }));
    s.setText(7, 3, QStringLiteral("added"), extra);
    book.copySheet(0, QStringLiteral("Report (2)"));
    Sheet &added = book.addSheet(QStringLiteral("Added"));
    added.setText(0, 0, QStringLiteral("new sheet"));
    added.setColumnWidth(0, 0, 22);
    book.setActiveSheet(2);
    const QString out = path(QStringLiteral("filled.xlsx"));
    book.save(out);

    EXPECT_EQ(fileBytes(templ), templateBytes) << "the template itself is not written";
    EXPECT_EQ(xlsxread::sheetNames(out), QStringList({ "Report", "Notes", "Report (2)", "Added" }));
    const auto cells = xlsxread::cells(out, QStringLiteral("Report"));
    for (int i = 0; i < 3; ++i) {
        const QString row = QString::number(3 + i);
        EXPECT_EQ(cells.value("A" + row).value, codes[i]);
        EXPECT_EQ(cells.value("A" + row).style, before.value("A3").style) << row.toStdString();
        EXPECT_EQ(cells.value("B" + row).value, QStringLiteral("名前%1").arg(i));
        EXPECT_EQ(cells.value("B" + row).style, before.value("B3").style);
        EXPECT_EQ(cells.value("C" + row).value, QString::number(1000 * (i + 1)));
        EXPECT_EQ(cells.value("C" + row).style, before.value("C3").style);
    }
    EXPECT_EQ(cells.value("A1").value, "受注一覧");
    EXPECT_EQ(cells.value("A1").style, before.value("A1").style);
    EXPECT_EQ(cells.value("B2").value, "Name");
    EXPECT_EQ(cells.value("A7").value, "footer");
    EXPECT_EQ(cells.value("A9").value, "TITLE");
    EXPECT_EQ(xlsxread::merges(out, "Report"), QStringList({ "A1:C1", "A9:C9" }));
    EXPECT_EQ(xlsxread::columnWidths(out, "Report"), xlsxread::columnWidths(templ, "Report"));

    // the template's formats are all there, unchanged and in place; the added one follows
    const auto stylesAfter = xlsxread::cellStyles(out);
    ASSERT_EQ(stylesAfter.size(), stylesBefore.size() + 1);
    for (int i = 0; i < stylesBefore.size(); ++i)
        EXPECT_EQ(stylesAfter[i].xml, stylesBefore[i].xml) << i;
    EXPECT_EQ(stylesAfter.value(stylesBefore.size()).numberFormat, "General");
    const auto detail = stylesAfter.value(cells.value("A3").style);
    EXPECT_EQ(detail.numberFormat, "@");
    EXPECT_EQ(detail.border.firstChildElement("left").attribute("style"), "thin");
    EXPECT_EQ(cells.value("D8").style, stylesBefore.size());
    EXPECT_FALSE(stylesAfter.last().font.firstChildElement("i").isNull());
    EXPECT_EQ(stylesAfter.last().font.firstChildElement("color").attribute("rgb"), "FFFF0000");

    // the copy holds what the sheet held; the other sheets are as they were
    EXPECT_EQ(xlsxread::cells(out, "Report (2)").value("A4").value, "002");
    EXPECT_EQ(xlsxread::merges(out, "Report (2)"), xlsxread::merges(out, "Report"));
    EXPECT_EQ(xlsxread::cells(out, "Notes").value("A1").value, "keep me");
    EXPECT_EQ(xlsxread::cells(out, "Added").value("A1").value, "new sheet");
    EXPECT_GE(xlsxread::columnWidths(out, "Added").value(1), 22);
    const QDomDocument wb = xlsxread::xml(out, "xl/workbook.xml");
    EXPECT_EQ(xlsxread::elements(wb, "workbookView").value(0).attribute("activeTab"), "2");

    // and the result opens again as a template with everything in it
    Workbook again(out);
    EXPECT_EQ(again.sheetCount(), 4);
    ASSERT_TRUE(again.sheet(0).cell(3, 0));
    EXPECT_EQ(again.sheet(0).cell(3, 0)->style, before.value("A3").style);
}

TEST_F(WorkbookFile, TemplateThatIsNoWorkbookIsRefused)
{
    const QString file = path(QStringLiteral("plain.xlsx"));
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("not a zip");
    f.close();
    EXPECT_THROW(Workbook book(file), Error);
    EXPECT_THROW(Workbook book(path(QStringLiteral("missing.xlsx"))), Error);
}

TEST_F(WorkbookFile, FailedSaveLeavesTheExistingFileAndNoTemporaryFile)
{
    const QString target = path(QStringLiteral("kept.xlsx"));
    QFile f(target);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("the user's file");
    f.close();
    EXPECT_THROW(WriteFileAtomically(target,
                                     [](const QString &temp) {
                                         QFile part(temp);
                                         part.open(QIODevice::WriteOnly);
                                         part.write("half a workbook");
                                         part.close();
                                         throw Error(QStringLiteral("disk full"));
                                     }),
                 Error);
    EXPECT_EQ(fileBytes(target), "the user's file");
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList({ "kept.xlsx" }));

    // a workbook that cannot be written (no sheets) leaves it too; a good one replaces it
    Workbook empty;
    EXPECT_THROW(empty.save(target), Error);
    EXPECT_EQ(fileBytes(target), "the user's file");
    Workbook good;
    good.addSheet(QStringLiteral("S")).setText(0, 0, QStringLiteral("x"));
    good.save(target);
    EXPECT_EQ(xlsxread::cells(target, "S").value("A1").value, "x");
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList({ "kept.xlsx" }));
}

} // namespace workbooktest
