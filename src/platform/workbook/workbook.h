#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

#include <map>
#include <memory>
#include <stdexcept>
#include <vector>

// Workbooks (.xlsx) written by the program: query results, object reports, matrices.
//
// A Workbook is either new (no sheets until addSheet) or filled from a template workbook that
// it reads on construction. Either way the program writes into an in-memory picture of the
// sheets — cells, column widths and formats, row heights and formats, merged ranges — and
// save() writes the file. A new workbook is written by libxlsxwriter; a template is copied part
// by part with only what was touched rewritten, so everything else in it (pictures, print
// settings, defined names, conditional formats, its styles) stays as the template had it.
//
// Rows and columns are 0-based (row 0, column 0 is A1). Formats are registered once with
// addFormat and named by the number it returns. A value written without a format
// (KeepFormat) keeps the format the cell already has (a template's cell, a copied row), else
// takes its row's format, else its column's.
//
// save() writes a temporary file in the target's folder and renames it over the target only
// when the whole file has been written: a failure leaves an existing file as it was.
// Every failure throws workbook::Error with a message for the user.
namespace workbook {

class Error : public std::runtime_error
{
public:
    explicit Error(const QString &message);
    QString message() const { return QString::fromUtf8(what()); }
};

// The sheet limits of the file format.
inline constexpr int MaxRows = 1048576;
inline constexpr int MaxColumns = 16384;
inline constexpr int MaxSheetNameLength = 31;
// The longest text a cell holds; longer texts are cut to it.
inline constexpr int MaxCellText = 32767;
// The widest column, in characters.
inline constexpr double MaxColumnWidth = 255;

// The number format that keeps a cell's text as text ("00123" stays "00123").
inline const QString TextFormat = QStringLiteral("@");

enum class Border : quint8 { None, Thin, Medium, Thick, Dashed, Dotted, Double, Hair };
enum class HAlign : quint8 { General, Left, Center, Right, Fill, Justify };
enum class VAlign : quint8 { Bottom, Top, Center, Justify };

// How a cell looks. The defaults are the workbook's own (General number format, default
// font, no border).
struct Format
{
    QString numberFormat; // "@" (TextFormat), "0.00", "yyyy/mm/dd hh:mm:ss" ...; empty: General
    QString fontName; // empty: the default font
    double fontSize = 0; // points; 0: the default size
    bool bold = false;
    bool italic = false;
    bool underline = false;
    qint64 fontColor = -1; // 0xRRGGBB; -1: automatic
    qint64 fillColor = -1; // 0xRRGGBB solid background; -1: none
    Border border = Border::None; // all four sides
    int rotation = 0; // -90 .. 90 degrees; 270: letters stacked top to bottom
    bool wrap = false;
    HAlign hAlign = HAlign::General;
    VAlign vAlign = VAlign::Bottom;

    bool operator==(const Format &) const = default;
};

inline constexpr int KeepFormat = -1;

// Why name cannot name a sheet: empty, longer than 31 characters, holding one of []:*?/\, or
// beginning or ending with an apostrophe. An empty text when it can.
QString SheetNameError(const QString &name);
// name made usable: each forbidden character becomes "_", leading and trailing apostrophes
// go, the text is cut to 31 characters; an empty result becomes "Sheet1".
QString SanitizeSheetName(const QString &name);

// "A" for column 0, "Z" for 25, "AA" for 26 ... "XFD" for 16383.
QString ColumnName(int column);
// "A1" for row 0, column 0.
QString CellName(int row, int column);

// The serial number a spreadsheet stores for a date and time (days since 1899-12-30 in local
// time of the value, the fraction the time of day); -1 for a date before 1900-03-01 or an
// invalid one, which the format cannot show as a date.
double DateSerial(const QDateTime &value);
double DateSerial(const QDate &value);

class Workbook;

// One cell as the sheet holds it.
struct Cell
{
    enum Kind : quint8 {
        Blank, // formatted, no value
        Number,
        Text,
        Stored, // a template's cell (value, formula or shared text), kept as the file had it
    };
    Kind kind = Blank;
    // The file's format number: in a new workbook the addFormat number; in a template the
    // template's own formats come first and an addFormat number f is templateStyles() + f.
    int style = KeepFormat;
    double number = 0;
    QString text; // Text: the value; Stored: the cell's content as the file holds it
    QString attributes; // Stored: the cell's other attributes as the file holds them
};

class Sheet
{
public:
    QString name() const { return m_name; }

    void setText(int row, int column, const QString &text, int format = KeepFormat);
    void setNumber(int row, int column, double value, int format = KeepFormat);
    // A date and time as its serial number with format (which should be a date format); a
    // value the format cannot show as a date (see DateSerial) is written as its ISO text.
    void setDateTime(int row, int column, const QDateTime &value, int format = KeepFormat);
    void setDate(int row, int column, const QDate &value, int format = KeepFormat);
    // A cell with a format and no value.
    void setBlank(int row, int column, int format);
    // Removes the cell (value and format).
    void clear(int row, int column);

    // Column widths in characters of the default font (0 .. 255) and column formats, for the
    // columns first .. last.
    void setColumnWidth(int first, int last, double width);
    void setColumnFormat(int first, int last, int format);
    void setRowHeight(int row, double points);
    void setRowFormat(int row, int format);
    void mergeCells(int firstRow, int firstColumn, int lastRow, int lastColumn);

    // Copies count rows from first on (their cells with values and formats, their heights and
    // formats, the merged ranges that lie wholly inside them) onto the rows from destination
    // on, replacing what those rows held. The source rows stay. Formulas are copied as they
    // are, their references unchanged.
    void copyRows(int first, int count, int destination);

    // What the sheet holds (for reading back and for tests).
    const Cell *cell(int row, int column) const;
    // The width set for the column (characters), -1 when none was set.
    double columnWidth(int column) const;
    int columnFormat(int column) const;
    int lastRow() const; // -1 for an empty sheet
    int lastColumn() const;

    // The sheet's picture, as its writers read it.
    struct Row
    {
        double height = -1;
        int style = KeepFormat;
        QString attributes; // a template row's other attributes
        std::map<int, Cell> cells;
    };
    struct Columns
    {
        int first = 0;
        int last = 0;
        double width = -1;
        int style = KeepFormat;
        QString attributes; // a template's other attributes (hidden, outline level ...)
    };
    struct Merge
    {
        int firstRow, firstColumn, lastRow, lastColumn;
    };

private:
    friend class Workbook;
    friend struct NewSheetWriter;
    friend struct TemplateSheetWriter;
    explicit Sheet(Workbook *book)
        : m_book(book)
    { }
    Cell &put(int row, int column);
    void check(int row, int column) const;
    void splitColumns(int at);

    Workbook *m_book;
    QString m_name;
    QString m_source; // the template part the sheet's settings come from; empty for a new one
    QString m_part; // the part the sheet is written to (template sheets); empty until saved
    bool m_chart = false; // a template's chart sheet: kept, not written to
    bool m_renamed = false;
    QString m_relId; // a template sheet's relationship and number in the workbook part
    int m_sheetId = 0;
    std::map<int, Row> m_rows;
    std::vector<Columns> m_columns; // sorted, not overlapping
    std::vector<Merge> m_merges;
    bool m_touched = false; // needs writing (a template sheet that was changed)
};

class Workbook
{
public:
    // A new workbook without sheets.
    Workbook();
    // The workbook filled from a template: its sheets, cells and styles are read. Throws Error
    // when the file cannot be read or is no workbook.
    explicit Workbook(const QString &templatePath);
    ~Workbook();
    Workbook(const Workbook &) = delete;
    Workbook &operator=(const Workbook &) = delete;

    bool isTemplate() const;

    int sheetCount() const { return int(m_sheets.size()); }
    Sheet &sheet(int index) { return *m_sheets.at(index); }
    const Sheet &sheet(int index) const { return *m_sheets.at(index); }
    // The index of the sheet of that name (compared without letter case), -1 when none.
    int indexOf(const QString &name) const;
    // Adds an empty sheet at the end. Throws Error for a name that SheetNameError refuses or
    // that another sheet has.
    Sheet &addSheet(const QString &name);
    // Adds a copy of sheet index (its cells, formats, widths and the rest of its settings) at
    // the end under name.
    Sheet &copySheet(int index, const QString &name);
    void renameSheet(int index, const QString &name);
    // The sheet shown when the workbook is opened.
    int activeSheet() const { return m_active; }
    void setActiveSheet(int index);

    // Registers a format; equal formats give the same number.
    int addFormat(const Format &format);
    const Format &format(int id) const;
    // The number of cell formats the template defines (0 for a new workbook).
    int templateStyles() const { return m_baseStyle; }

    // Writes the workbook to path (see the header comment). Throws Error.
    void save(const QString &path);

private:
    friend class Sheet;
    friend struct NewSheetWriter;
    friend struct TemplateSheetWriter;
    struct Package;
    void checkNewName(const QString &name, int except) const;
    void saveNew(const QString &path);
    void saveTemplate(const QString &path);
    void checkStyle(int style) const;

    std::vector<std::unique_ptr<Sheet>> m_sheets;
    std::vector<Format> m_formats;
    std::unique_ptr<Package> m_package; // the template's parts; null for a new workbook
    int m_active = 0;
    int m_baseStyle = 0;
};

} // namespace workbook
