#include "workbook.h"

#include "workbook_p.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <xlsxwriter.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace workbook {

Error::Error(const QString &message)
    : std::runtime_error(message.toStdString())
{ }

QString SheetNameError(const QString &name)
{
    if (name.isEmpty())
        return QStringLiteral("シート名が空です。");
    if (name.size() > MaxSheetNameLength)
        return QStringLiteral("シート名「%1」は %2 文字を超えています。")
            .arg(name)
            .arg(MaxSheetNameLength);
    for (const QChar c : name) {
        if (QStringLiteral("[]:*?/\\").contains(c))
            return QStringLiteral("シート名「%1」に使えない文字 %2 が含まれています。"
                                  "（[ ] : * ? / \\ は使えません）")
                .arg(name, c);
    }
    if (name.startsWith(QLatin1Char('\'')) || name.endsWith(QLatin1Char('\'')))
        return QStringLiteral("シート名「%1」はアポストロフィ (') で始めたり終えたりできません。")
            .arg(name);
    return QString();
}

QString SanitizeSheetName(const QString &name)
{
    QString s = name;
    for (QChar &c : s) {
        if (QStringLiteral("[]:*?/\\").contains(c))
            c = QLatin1Char('_');
    }
    while (s.startsWith(QLatin1Char('\'')))
        s.remove(0, 1);
    s = s.left(MaxSheetNameLength);
    while (s.endsWith(QLatin1Char('\'')))
        s.chop(1);
    return s.isEmpty() ? QStringLiteral("Sheet1") : s;
}

QString ColumnName(int column)
{
    QString name;
    for (int n = column + 1; n > 0; n = (n - 1) / 26)
        name.prepend(QChar(u'A' + (n - 1) % 26));
    return name;
}

QString CellName(int row, int column)
{
    return ColumnName(column) + QString::number(row + 1);
}

double DateSerial(const QDate &value)
{
    static const QDate epoch(1899, 12, 30);
    if (!value.isValid() || value < QDate(1900, 3, 1) || value > QDate(9999, 12, 31))
        return -1;
    return double(epoch.daysTo(value));
}

double DateSerial(const QDateTime &value)
{
    if (!value.isValid())
        return -1;
    const double days = DateSerial(value.date());
    if (days < 0)
        return -1;
    return days + value.time().msecsSinceStartOfDay() / 86400000.0;
}

// --- Sheet ---

void Sheet::check(int row, int column) const
{
    if (row < 0 || row >= MaxRows || column < 0 || column >= MaxColumns)
        throw Error(QStringLiteral("セル位置 (行 %1, 列 %2) がシートの範囲を超えています。")
                        .arg(row + 1)
                        .arg(column + 1));
}

Cell &Sheet::put(int row, int column)
{
    check(row, column);
    if (m_chart)
        throw Error(QStringLiteral("シート「%1」はグラフシートのため書き込めません。").arg(m_name));
    m_touched = true;
    return m_rows[row].cells[column];
}

namespace {

int styleFor(const Workbook *book, int format, int base)
{
    Q_UNUSED(book);
    return format == KeepFormat ? KeepFormat : base + format;
}

} // namespace

void Sheet::setText(int row, int column, const QString &text, int format)
{
    if (format != KeepFormat)
        m_book->checkStyle(format);
    Cell &c = put(row, column);
    c.kind = Cell::Text;
    c.text = text.left(MaxCellText);
    c.attributes.clear();
    if (format != KeepFormat)
        c.style = styleFor(m_book, format, m_book->m_baseStyle);
}

void Sheet::setNumber(int row, int column, double value, int format)
{
    if (!std::isfinite(value)) {
        setText(row, column, QString::number(value), format);
        return;
    }
    if (format != KeepFormat)
        m_book->checkStyle(format);
    Cell &c = put(row, column);
    c.kind = Cell::Number;
    c.number = value;
    c.text.clear();
    c.attributes.clear();
    if (format != KeepFormat)
        c.style = styleFor(m_book, format, m_book->m_baseStyle);
}

void Sheet::setDateTime(int row, int column, const QDateTime &value, int format)
{
    const double serial = DateSerial(value);
    if (serial < 0)
        setText(row, column, value.toString(Qt::ISODateWithMs), format);
    else
        setNumber(row, column, serial, format);
}

void Sheet::setDate(int row, int column, const QDate &value, int format)
{
    const double serial = DateSerial(value);
    if (serial < 0)
        setText(row, column, value.toString(Qt::ISODate), format);
    else
        setNumber(row, column, serial, format);
}

void Sheet::setBlank(int row, int column, int format)
{
    m_book->checkStyle(format);
    Cell &c = put(row, column);
    c = Cell();
    c.style = styleFor(m_book, format, m_book->m_baseStyle);
}

void Sheet::clear(int row, int column)
{
    check(row, column);
    auto r = m_rows.find(row);
    if (r != m_rows.end() && r->second.cells.erase(column))
        m_touched = true;
}

void Sheet::splitColumns(int at)
{
    for (size_t i = 0; i < m_columns.size(); ++i) {
        Columns &c = m_columns[i];
        if (c.first < at && at <= c.last) {
            Columns right = c;
            right.first = at;
            c.last = at - 1;
            m_columns.insert(m_columns.begin() + i + 1, right);
            return;
        }
    }
}

namespace {

template<class Apply>
void applyColumns(std::vector<Sheet::Columns> &columns, int first, int last, Apply apply)
{
    // Fills the gaps of first .. last with new ranges, then applies to every range inside.
    std::vector<Sheet::Columns> result;
    int next = first;
    for (const Sheet::Columns &c : columns) {
        if (c.last < first || c.first > last) {
            result.push_back(c);
            continue;
        }
        if (c.first > next) {
            Sheet::Columns gap;
            gap.first = next;
            gap.last = c.first - 1;
            apply(gap);
            result.push_back(gap);
        }
        Sheet::Columns inside = c;
        apply(inside);
        result.push_back(inside);
        next = c.last + 1;
    }
    if (next <= last) {
        Sheet::Columns gap;
        gap.first = next;
        gap.last = last;
        apply(gap);
        result.push_back(gap);
    }
    std::sort(result.begin(), result.end(),
              [](const Sheet::Columns &a, const Sheet::Columns &b) { return a.first < b.first; });
    columns = std::move(result);
}

} // namespace

void Sheet::setColumnWidth(int first, int last, double width)
{
    check(0, first);
    check(0, last);
    if (last < first)
        return;
    splitColumns(first);
    splitColumns(last + 1);
    const double w = qBound(0.0, width, MaxColumnWidth);
    applyColumns(m_columns, first, last, [w](Columns &c) { c.width = w; });
    m_touched = true;
}

void Sheet::setColumnFormat(int first, int last, int format)
{
    check(0, first);
    check(0, last);
    if (last < first)
        return;
    if (format != KeepFormat)
        m_book->checkStyle(format);
    splitColumns(first);
    splitColumns(last + 1);
    const int style = styleFor(m_book, format, m_book->m_baseStyle);
    applyColumns(m_columns, first, last, [style](Columns &c) { c.style = style; });
    m_touched = true;
}

void Sheet::setRowHeight(int row, double points)
{
    check(row, 0);
    m_rows[row].height = qBound(0.0, points, 409.0);
    m_touched = true;
}

void Sheet::setRowFormat(int row, int format)
{
    check(row, 0);
    if (format != KeepFormat)
        m_book->checkStyle(format);
    m_rows[row].style = styleFor(m_book, format, m_book->m_baseStyle);
    m_touched = true;
}

void Sheet::mergeCells(int firstRow, int firstColumn, int lastRow, int lastColumn)
{
    check(firstRow, firstColumn);
    check(lastRow, lastColumn);
    if (lastRow < firstRow || lastColumn < firstColumn
        || (lastRow == firstRow && lastColumn == firstColumn))
        return;
    for (const Merge &m : m_merges) {
        if (!(lastRow < m.firstRow || firstRow > m.lastRow || lastColumn < m.firstColumn
              || firstColumn > m.lastColumn))
            throw Error(QStringLiteral("結合範囲 %1:%2 が既存の結合範囲と重なっています。")
                            .arg(CellName(firstRow, firstColumn), CellName(lastRow, lastColumn)));
    }
    m_merges.push_back({ firstRow, firstColumn, lastRow, lastColumn });
    m_touched = true;
}

void Sheet::copyRows(int first, int count, int destination)
{
    if (count <= 0 || first == destination)
        return;
    check(first, 0);
    check(first + count - 1, 0);
    check(destination, 0);
    check(destination + count - 1, 0);
    std::map<int, Row> copied;
    for (int i = 0; i < count; ++i) {
        auto r = m_rows.find(first + i);
        if (r != m_rows.end())
            copied[destination + i] = r->second;
    }
    std::vector<Merge> merges;
    for (const Merge &m : m_merges) {
        if (m.firstRow >= first && m.lastRow < first + count)
            merges.push_back({ m.firstRow - first + destination, m.firstColumn,
                               m.lastRow - first + destination, m.lastColumn });
    }
    // the destination rows lose what they held, and their merged ranges
    for (int i = 0; i < count; ++i)
        m_rows.erase(destination + i);
    std::erase_if(m_merges, [&](const Merge &m) {
        return !(m.lastRow < destination || m.firstRow >= destination + count);
    });
    for (auto &[row, data] : copied)
        m_rows[row] = std::move(data);
    m_merges.insert(m_merges.end(), merges.begin(), merges.end());
    m_touched = true;
}

const Cell *Sheet::cell(int row, int column) const
{
    auto r = m_rows.find(row);
    if (r == m_rows.end())
        return nullptr;
    auto c = r->second.cells.find(column);
    return c == r->second.cells.end() ? nullptr : &c->second;
}

double Sheet::columnWidth(int column) const
{
    for (const Columns &c : m_columns) {
        if (c.first <= column && column <= c.last)
            return c.width;
    }
    return -1;
}

int Sheet::columnFormat(int column) const
{
    for (const Columns &c : m_columns) {
        if (c.first <= column && column <= c.last)
            return c.style;
    }
    return KeepFormat;
}

int Sheet::lastRow() const
{
    for (auto r = m_rows.rbegin(); r != m_rows.rend(); ++r) {
        if (!r->second.cells.empty())
            return r->first;
    }
    return -1;
}

int Sheet::lastColumn() const
{
    int last = -1;
    for (const auto &[row, data] : m_rows) {
        if (!data.cells.empty())
            last = qMax(last, data.cells.rbegin()->first);
    }
    return last;
}

// --- Workbook ---

bool Workbook::isTemplate() const
{
    return m_package != nullptr;
}

int Workbook::indexOf(const QString &name) const
{
    for (size_t i = 0; i < m_sheets.size(); ++i) {
        if (m_sheets[i]->m_name.compare(name, Qt::CaseInsensitive) == 0)
            return int(i);
    }
    return -1;
}

void Workbook::checkNewName(const QString &name, int except) const
{
    const QString problem = SheetNameError(name);
    if (!problem.isEmpty())
        throw Error(problem);
    const int existing = indexOf(name);
    if (existing >= 0 && existing != except)
        throw Error(QStringLiteral("シート名「%1」はすでに使われています。").arg(name));
}

Sheet &Workbook::addSheet(const QString &name)
{
    checkNewName(name, -1);
    std::unique_ptr<Sheet> sheet(new Sheet(this));
    sheet->m_name = name;
    sheet->m_touched = true;
    m_sheets.push_back(std::move(sheet));
    return *m_sheets.back();
}

Sheet &Workbook::copySheet(int index, const QString &name)
{
    const Sheet &source = sheet(index);
    checkNewName(name, -1);
    std::unique_ptr<Sheet> copy(new Sheet(this));
    copy->m_name = name;
    copy->m_rows = source.m_rows;
    copy->m_columns = source.m_columns;
    copy->m_merges = source.m_merges;
    copy->m_source = source.m_source;
    copy->m_chart = source.m_chart;
    copy->m_touched = true;
    m_sheets.push_back(std::move(copy));
    return *m_sheets.back();
}

void Workbook::renameSheet(int index, const QString &name)
{
    Sheet &s = sheet(index);
    checkNewName(name, index);
    s.m_name = name;
    s.m_renamed = true;
}

void Workbook::setActiveSheet(int index)
{
    if (index < 0 || index >= sheetCount())
        throw Error(QStringLiteral("シート番号 %1 のシートはありません。").arg(index + 1));
    m_active = index;
}

int Workbook::addFormat(const Format &format)
{
    for (size_t i = 0; i < m_formats.size(); ++i) {
        if (m_formats[i] == format)
            return int(i);
    }
    m_formats.push_back(format);
    return int(m_formats.size()) - 1;
}

const Format &Workbook::format(int id) const
{
    checkStyle(id);
    return m_formats.at(id);
}

void Workbook::checkStyle(int id) const
{
    if (id < 0 || id >= int(m_formats.size()))
        throw Error(QStringLiteral("書式番号 %1 は登録されていません。").arg(id));
}

void Workbook::save(const QString &path)
{
    if (m_sheets.empty())
        throw Error(QStringLiteral("シートのないブックは保存できません。"));
    if (m_package)
        saveTemplate(path);
    else
        saveNew(path);
}

void WriteFileAtomically(const QString &path, const std::function<void(const QString &)> &write)
{
    const QFileInfo target(path);
    const QString folder = target.absolutePath();
    if (!QDir().mkpath(folder))
        throw Error(QStringLiteral("フォルダ %1 を作成できません。").arg(folder));
    QTemporaryFile temp(folder + QStringLiteral("/.~") + target.completeBaseName()
                        + QStringLiteral(".XXXXXX.tmp"));
    if (!temp.open())
        throw Error(QStringLiteral("%1 に書き込めません: %2").arg(folder, temp.errorString()));
    const QString tempPath = temp.fileName();
    temp.close();
    write(tempPath);
    // the permissions of the file it replaces, else those of a newly created file
    QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser
        | QFile::WriteUser | QFile::ReadGroup | QFile::ReadOther;
    if (target.exists())
        permissions = QFile::permissions(path);
    QFile::setPermissions(tempPath, permissions);
    if (std::rename(QFile::encodeName(tempPath).constData(), QFile::encodeName(path).constData())
        != 0) {
        const QString reason = QString::fromLocal8Bit(std::strerror(errno));
        throw Error(QStringLiteral("%1 に保存できません: %2").arg(path, reason));
    }
    temp.setAutoRemove(false);
}

// --- new workbooks through libxlsxwriter ---

namespace {

uint8_t lxwBorder(Border b)
{
    switch (b) {
    case Border::None:
        return LXW_BORDER_NONE;
    case Border::Thin:
        return LXW_BORDER_THIN;
    case Border::Medium:
        return LXW_BORDER_MEDIUM;
    case Border::Thick:
        return LXW_BORDER_THICK;
    case Border::Dashed:
        return LXW_BORDER_DASHED;
    case Border::Dotted:
        return LXW_BORDER_DOTTED;
    case Border::Double:
        return LXW_BORDER_DOUBLE;
    case Border::Hair:
        return LXW_BORDER_HAIR;
    }
    return LXW_BORDER_NONE;
}

lxw_format *lxwFormat(lxw_workbook *book, const Format &f)
{
    lxw_format *format = workbook_add_format(book);
    if (!format)
        throw Error(QStringLiteral("ブックの書式を作成できません。"));
    if (!f.numberFormat.isEmpty())
        format_set_num_format(format, f.numberFormat.toUtf8().constData());
    if (!f.fontName.isEmpty())
        format_set_font_name(format, f.fontName.toUtf8().constData());
    if (f.fontSize > 0)
        format_set_font_size(format, f.fontSize);
    if (f.bold)
        format_set_bold(format);
    if (f.italic)
        format_set_italic(format);
    if (f.underline)
        format_set_underline(format, LXW_UNDERLINE_SINGLE);
    if (f.fontColor >= 0)
        format_set_font_color(format, lxw_color_t(f.fontColor & 0xFFFFFF));
    if (f.fillColor >= 0) {
        format_set_pattern(format, LXW_PATTERN_SOLID);
        format_set_fg_color(format, lxw_color_t(f.fillColor & 0xFFFFFF));
    }
    if (f.border != Border::None)
        format_set_border(format, lxwBorder(f.border));
    if (f.rotation != 0)
        format_set_rotation(format, int16_t(f.rotation));
    if (f.wrap)
        format_set_text_wrap(format);
    switch (f.hAlign) {
    case HAlign::General:
        break;
    case HAlign::Left:
        format_set_align(format, LXW_ALIGN_LEFT);
        break;
    case HAlign::Center:
        format_set_align(format, LXW_ALIGN_CENTER);
        break;
    case HAlign::Right:
        format_set_align(format, LXW_ALIGN_RIGHT);
        break;
    case HAlign::Fill:
        format_set_align(format, LXW_ALIGN_FILL);
        break;
    case HAlign::Justify:
        format_set_align(format, LXW_ALIGN_JUSTIFY);
        break;
    }
    switch (f.vAlign) {
    case VAlign::Bottom:
        break;
    case VAlign::Top:
        format_set_align(format, LXW_ALIGN_VERTICAL_TOP);
        break;
    case VAlign::Center:
        format_set_align(format, LXW_ALIGN_VERTICAL_CENTER);
        break;
    case VAlign::Justify:
        format_set_align(format, LXW_ALIGN_VERTICAL_JUSTIFY);
        break;
    }
    return format;
}

void check(lxw_error error, const QString &what)
{
    if (error != LXW_NO_ERROR)
        throw Error(what + QStringLiteral(": ") + QString::fromUtf8(lxw_strerror(error)));
}

} // namespace

struct NewSheetWriter
{
    static void writeNew(lxw_workbook *book, const Sheet &sheet,
                         const std::vector<lxw_format *> &formats)
    {
        lxw_worksheet *ws = workbook_add_worksheet(book, sheet.m_name.toUtf8().constData());
        if (!ws)
            throw Error(QStringLiteral("シート「%1」を作成できません。").arg(sheet.m_name));
        auto fmt = [&](int style) { return style < 0 ? nullptr : formats.at(style); };
        for (const Sheet::Columns &c : sheet.m_columns) {
            check(worksheet_set_column(ws, lxw_col_t(c.first), lxw_col_t(c.last),
                                       c.width < 0 ? LXW_DEF_COL_WIDTH : c.width, fmt(c.style)),
                  QStringLiteral("列幅"));
        }
        for (const auto &[row, data] : sheet.m_rows) {
            if (data.height >= 0 || data.style >= 0)
                check(worksheet_set_row(ws, lxw_row_t(row),
                                        data.height < 0 ? LXW_DEF_ROW_HEIGHT : data.height,
                                        fmt(data.style)),
                      QStringLiteral("行の高さ"));
        }
        for (const Sheet::Merge &m : sheet.m_merges) {
            const Cell *first = sheet.cell(m.firstRow, m.firstColumn);
            check(worksheet_merge_range(ws, lxw_row_t(m.firstRow), lxw_col_t(m.firstColumn),
                                        lxw_row_t(m.lastRow), lxw_col_t(m.lastColumn), "",
                                        first ? fmt(first->style) : nullptr),
                  QStringLiteral("セルの結合"));
        }
        for (const auto &[row, data] : sheet.m_rows) {
            for (const auto &[column, c] : data.cells) {
                const auto r = lxw_row_t(row);
                const auto k = lxw_col_t(column);
                switch (c.kind) {
                case Cell::Number:
                    check(worksheet_write_number(ws, r, k, c.number, fmt(c.style)),
                          CellName(row, column));
                    break;
                case Cell::Text:
                    check(
                        worksheet_write_string(ws, r, k, c.text.toUtf8().constData(), fmt(c.style)),
                        CellName(row, column));
                    break;
                case Cell::Blank:
                case Cell::Stored:
                    if (c.style >= 0)
                        check(worksheet_write_blank(ws, r, k, fmt(c.style)), CellName(row, column));
                    break;
                }
            }
        }
        return;
    }
};

void Workbook::saveNew(const QString &path)
{
    WriteFileAtomically(path, [this](const QString &tempPath) {
        lxw_workbook_options options {};
        options.constant_memory = LXW_FALSE;
        options.use_zip64 = LXW_TRUE;
        lxw_workbook *book = workbook_new_opt(QFile::encodeName(tempPath).constData(), &options);
        if (!book)
            throw Error(QStringLiteral("ブックを作成できません。"));
        try {
            std::vector<lxw_format *> formats;
            for (const Format &f : m_formats)
                formats.push_back(lxwFormat(book, f));
            for (const auto &sheet : m_sheets)
                NewSheetWriter::writeNew(book, *sheet, formats);
            lxw_worksheet *active = workbook_get_worksheet_by_name(
                book, m_sheets.at(m_active)->m_name.toUtf8().constData());
            if (active)
                worksheet_activate(active);
        } catch (...) {
            // close (and so free) the book; the temporary file goes with the caller's object
            workbook_close(book);
            throw;
        }
        check(workbook_close(book), QStringLiteral("ブックの保存"));
    });
}

} // namespace workbook
