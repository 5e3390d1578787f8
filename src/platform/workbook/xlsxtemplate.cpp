// Template workbooks: the package is read whole with libzip; sheets are read into the sheet
// picture; on saving, every part is copied as it was except the ones the program changed
// (the workbook part for sheet names and the active sheet, the styles for added formats, the
// relationships and content types for added sheets, and the sheets it wrote to), in which only
// the elements it owns (dimension, cols, sheetData, mergeCells, the first sheet view's
// selection) are written anew.
#include "workbook.h"
#include "workbook_p.h"

#include <QDomDocument>
#include <QFile>
#include <QHash>
#include <QSet>
#include <QXmlStreamReader>

#include <zip.h>

#include <algorithm>
#include <cmath>

namespace workbook {

namespace {

const QString relNs
    = QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships");
const QString relWorksheet = relNs + QStringLiteral("/worksheet");
const QString worksheetType
    = QStringLiteral("application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml");
const QString stylesType
    = QStringLiteral("application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml");

QString localName(const QString &tagName)
{
    const int colon = tagName.indexOf(QLatin1Char(':'));
    return colon < 0 ? tagName : tagName.mid(colon + 1);
}

QString prefixOf(const QDomElement &e)
{
    const int colon = e.tagName().indexOf(QLatin1Char(':'));
    return colon < 0 ? QString() : e.tagName().left(colon + 1);
}

QDomElement child(const QDomNode &parent, const QString &local)
{
    for (QDomElement e = parent.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
        if (localName(e.tagName()) == local)
            return e;
    }
    return QDomElement();
}

QList<QDomElement> children(const QDomNode &parent, const QString &local)
{
    QList<QDomElement> list;
    for (QDomElement e = parent.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
        if (localName(e.tagName()) == local)
            list << e;
    }
    return list;
}

QString folderOf(const QString &part)
{
    const int slash = part.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : part.left(slash + 1);
}

// The part a relationship's target names, from the folder of the part that holds it.
QString resolveTarget(const QString &fromPart, const QString &target)
{
    if (target.startsWith(QLatin1Char('/')))
        return target.mid(1);
    const QString joined = folderOf(fromPart) + target;
    const QStringList parts = joined.split(QLatin1Char('/'));
    QStringList out;
    for (const QString &p : parts) {
        if (p == QLatin1String(".."))
            out.removeLast();
        else if (p != QLatin1String("."))
            out << p;
    }
    return out.join(QLatin1Char('/'));
}

QString relsPartOf(const QString &part)
{
    const int slash = part.lastIndexOf(QLatin1Char('/'));
    return part.left(slash + 1) + QStringLiteral("_rels/") + part.mid(slash + 1)
        + QStringLiteral(".rels");
}

QDomDocument parseXml(const QByteArray &data, const QString &part)
{
    QDomDocument doc;
    QString message;
    int line = 0;
    if (!doc.setContent(data, &message, &line))
        throw Error(QStringLiteral("テンプレートの %1 を読めません（%2 行目: %3）")
                        .arg(part)
                        .arg(line)
                        .arg(message));
    return doc;
}

QString number(double v)
{
    if (v == std::floor(v) && std::fabs(v) < 1e15)
        return QString::number(qint64(v));
    return QString::number(v, 'g', 17);
}

// "B12" as (11, 1); false for a text that is no cell name.
bool parseCellName(QStringView name, int *row, int *column)
{
    int i = 0;
    int col = 0;
    while (i < name.size() && name[i].isLetter()) {
        col = col * 26 + (name[i].toUpper().unicode() - u'A' + 1);
        ++i;
    }
    bool ok = false;
    const int r = name.mid(i).toInt(&ok);
    if (i == 0 || !ok || r < 1 || col < 1)
        return false;
    *row = r - 1;
    *column = col - 1;
    return true;
}

QString attributeText(const QXmlStreamAttribute &a)
{
    return QLatin1Char(' ') + a.qualifiedName().toString() + QStringLiteral("=\"")
        + EscapeXml(a.value().toString()) + QLatin1Char('"');
}

const QSet<QString> afterMergeCells {
    QStringLiteral("phoneticPr"),       QStringLiteral("conditionalFormatting"),
    QStringLiteral("dataValidations"),  QStringLiteral("hyperlinks"),
    QStringLiteral("printOptions"),     QStringLiteral("pageMargins"),
    QStringLiteral("pageSetup"),        QStringLiteral("headerFooter"),
    QStringLiteral("rowBreaks"),        QStringLiteral("colBreaks"),
    QStringLiteral("customProperties"), QStringLiteral("cellWatches"),
    QStringLiteral("ignoredErrors"),    QStringLiteral("smartTags"),
    QStringLiteral("drawing"),          QStringLiteral("legacyDrawing"),
    QStringLiteral("legacyDrawingHF"),  QStringLiteral("picture"),
    QStringLiteral("oleObjects"),       QStringLiteral("controls"),
    QStringLiteral("webPublishItems"),  QStringLiteral("tableParts"),
    QStringLiteral("extLst"),
};

// The elements of a sheet that point at other parts of the package through relationships; a
// copy of the sheet goes without them (its relationships are not copied).
const QSet<QString> relatedElements {
    QStringLiteral("hyperlinks"),    QStringLiteral("drawing"),
    QStringLiteral("legacyDrawing"), QStringLiteral("legacyDrawingHF"),
    QStringLiteral("picture"),       QStringLiteral("oleObjects"),
    QStringLiteral("controls"),      QStringLiteral("tableParts"),
};

const char *newSheetXml
    = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
      "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
      "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
      "<dimension ref=\"A1\"/><sheetViews><sheetView workbookViewId=\"0\"/></sheetViews>"
      "<sheetFormatPr defaultRowHeight=\"15\"/><sheetData/>"
      "<pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" bottom=\"0.75\" header=\"0.3\" "
      "footer=\"0.3\"/></worksheet>";

const char *minimalStylesXml
    = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
      "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
      "<fonts count=\"1\"><font><sz val=\"11\"/><name val=\"Calibri\"/></font></fonts>"
      "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill>"
      "<fill><patternFill patternType=\"gray125\"/></fill></fills>"
      "<borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/></border></borders>"
      "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/>"
      "</cellStyleXfs><cellXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" "
      "borderId=\"0\" xfId=\"0\"/></cellXfs>"
      "<cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" builtinId=\"0\"/>"
      "</cellStyles></styleSheet>";

} // namespace

QString EscapeXml(const QString &text)
{
    QString out;
    out.reserve(text.size() + 8);
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'&':
            out += QStringLiteral("&amp;");
            break;
        case u'<':
            out += QStringLiteral("&lt;");
            break;
        case u'>':
            out += QStringLiteral("&gt;");
            break;
        case u'"':
            out += QStringLiteral("&quot;");
            break;
        default:
            if (c.unicode() < 0x20 && c != u'\t' && c != u'\n' && c != u'\r')
                out += QStringLiteral("_x%1_").arg(c.unicode(), 4, 16, QLatin1Char('0')).toUpper();
            else if (c.unicode() == 0xFFFE || c.unicode() == 0xFFFF)
                out += QStringLiteral("_x%1_").arg(c.unicode(), 4, 16).toUpper();
            else
                out += c;
        }
    }
    return out;
}

struct Workbook::Package
{
    QString path;
    QStringList order; // the entries in the order of the file
    QHash<QString, QByteArray> parts;
    QString workbookPart;
    QString workbookRelsPart;
    QString stylesPart;
    bool stylesCreated = false;
    QDomDocument workbookXml;
    QDomDocument workbookRels;
    QDomDocument contentTypes;
    QHash<QString, QDomElement> sheetElements; // relationship id -> <sheet> of the workbook
    QString calcChainPart;
    size_t formatsWritten = 0; // the added formats the styles part holds already
};

namespace {

std::pair<QStringList, QHash<QString, QByteArray>> readZip(const QString &path)
{
    int error = 0;
    zip_t *zip = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &error);
    if (!zip) {
        zip_error_t ze;
        zip_error_init_with_code(&ze, error);
        const QString reason = QString::fromUtf8(zip_error_strerror(&ze));
        zip_error_fini(&ze);
        throw Error(QStringLiteral("テンプレート %1 を開けません: %2").arg(path, reason));
    }
    QStringList order;
    QHash<QString, QByteArray> parts;
    const zip_int64_t count = zip_get_num_entries(zip, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t st;
        if (zip_stat_index(zip, zip_uint64_t(i), 0, &st) != 0)
            continue;
        const QString name = QString::fromUtf8(st.name);
        if (name.endsWith(QLatin1Char('/')))
            continue;
        QByteArray data(qsizetype(st.size), Qt::Uninitialized);
        zip_file_t *file = zip_fopen_index(zip, zip_uint64_t(i), 0);
        const zip_int64_t got = file ? zip_fread(file, data.data(), st.size) : -1;
        if (file)
            zip_fclose(file);
        if (got != zip_int64_t(st.size)) {
            zip_discard(zip);
            throw Error(QStringLiteral("テンプレート %1 の %2 を読めません。").arg(path, name));
        }
        order << name;
        parts.insert(name, data);
    }
    zip_discard(zip);
    return { order, parts };
}

} // namespace

// Reads a worksheet part into the sheet's picture.
struct TemplateSheetWriter
{
    static void parse(Sheet &sheet, const QString &xml, const QString &part)
    {
        QXmlStreamReader r(xml);
        int depth = 0;
        int rowIndex = -1;
        int column = -1;
        QString parent;
        while (!r.atEnd()) {
            const auto token = r.readNext();
            if (token == QXmlStreamReader::EndElement) {
                --depth;
                continue;
            }
            if (token != QXmlStreamReader::StartElement)
                continue;
            ++depth;
            const QStringView name = r.name();
            if (depth == 2) {
                parent = name.toString();
                continue;
            }
            if (depth == 3 && parent == QLatin1String("cols") && name == QLatin1String("col")) {
                Sheet::Columns c;
                QString extra;
                for (const QXmlStreamAttribute &a : r.attributes()) {
                    const QStringView n = a.name();
                    if (n == QLatin1String("min"))
                        c.first = a.value().toInt() - 1;
                    else if (n == QLatin1String("max"))
                        c.last = a.value().toInt() - 1;
                    else if (n == QLatin1String("width"))
                        c.width = a.value().toDouble();
                    else if (n == QLatin1String("style"))
                        c.style = a.value().toInt();
                    else if (n != QLatin1String("customWidth"))
                        extra += attributeText(a);
                }
                c.attributes = extra;
                if (c.first >= 0 && c.last >= c.first && c.last < MaxColumns)
                    sheet.m_columns.push_back(c);
            } else if (depth == 3 && parent == QLatin1String("sheetData")
                       && name == QLatin1String("row")) {
                const auto attrs = r.attributes();
                rowIndex = attrs.hasAttribute(QLatin1String("r"))
                    ? attrs.value(QLatin1String("r")).toInt() - 1
                    : rowIndex + 1;
                column = -1;
                Sheet::Row &row = sheet.m_rows[rowIndex];
                const bool customFormat
                    = attrs.value(QLatin1String("customFormat")) == QLatin1String("1")
                    || attrs.value(QLatin1String("customFormat")) == QLatin1String("true");
                for (const QXmlStreamAttribute &a : attrs) {
                    const QStringView n = a.name();
                    if (n == QLatin1String("r") || n == QLatin1String("spans")
                        || n == QLatin1String("customFormat") || n == QLatin1String("customHeight"))
                        continue;
                    if (n == QLatin1String("s") && customFormat)
                        row.style = a.value().toInt();
                    else if (n == QLatin1String("ht"))
                        row.height = a.value().toDouble();
                    else if (n != QLatin1String("s"))
                        row.attributes += attributeText(a);
                }
            } else if (depth == 4 && parent == QLatin1String("sheetData")
                       && name == QLatin1String("c")) {
                const auto attrs = r.attributes();
                int cr = rowIndex;
                int cc = column + 1;
                if (attrs.hasAttribute(QLatin1String("r")))
                    parseCellName(attrs.value(QLatin1String("r")), &cr, &cc);
                column = cc;
                Cell cell;
                cell.kind = Cell::Stored;
                for (const QXmlStreamAttribute &a : attrs) {
                    if (a.name() == QLatin1String("s"))
                        cell.style = a.value().toInt();
                    else if (a.name() != QLatin1String("r"))
                        cell.attributes += attributeText(a);
                }
                const qint64 innerStart = r.characterOffset();
                qint64 innerEnd = innerStart;
                for (int d = 1; d > 0 && !r.atEnd();) {
                    innerEnd = r.characterOffset();
                    const auto t = r.readNext();
                    if (t == QXmlStreamReader::StartElement)
                        ++d;
                    else if (t == QXmlStreamReader::EndElement)
                        --d;
                }
                --depth;
                cell.text = xml.mid(innerStart, innerEnd - innerStart);
                if (cell.text.isEmpty() && cell.attributes.isEmpty())
                    cell.kind = Cell::Blank;
                if (cr >= 0 && cr < MaxRows && cc >= 0 && cc < MaxColumns)
                    sheet.m_rows[cr].cells[cc] = cell;
            } else if (depth == 3 && parent == QLatin1String("mergeCells")
                       && name == QLatin1String("mergeCell")) {
                const QStringList ends
                    = r.attributes().value(QLatin1String("ref")).toString().split(QLatin1Char(':'));
                Sheet::Merge m {};
                if (ends.size() == 2 && parseCellName(ends[0], &m.firstRow, &m.firstColumn)
                    && parseCellName(ends[1], &m.lastRow, &m.lastColumn))
                    sheet.m_merges.push_back(m);
            }
        }
        if (r.hasError())
            throw Error(QStringLiteral("テンプレートのシート %1 を読めません（%2 行目: %3）")
                            .arg(part)
                            .arg(r.lineNumber())
                            .arg(r.errorString()));
        std::sort(
            sheet.m_columns.begin(), sheet.m_columns.end(),
            [](const Sheet::Columns &a, const Sheet::Columns &b) { return a.first < b.first; });
    }

    static QString columnsXml(const Sheet &sheet, const QString &p)
    {
        if (sheet.m_columns.empty())
            return QString();
        QString out = QLatin1Char('<') + p + QStringLiteral("cols>");
        for (const Sheet::Columns &c : sheet.m_columns) {
            out += QLatin1Char('<') + p
                + QStringLiteral("col min=\"%1\" max=\"%2\"").arg(c.first + 1).arg(c.last + 1);
            if (c.width >= 0)
                out += QStringLiteral(" width=\"%1\" customWidth=\"1\"").arg(number(c.width));
            if (c.style >= 0)
                out += QStringLiteral(" style=\"%1\"").arg(c.style);
            out += c.attributes + QStringLiteral("/>");
        }
        return out + QStringLiteral("</") + p + QStringLiteral("cols>");
    }

    static QString sheetDataXml(const Sheet &sheet, const QString &p)
    {
        QString out = QLatin1Char('<') + p + QStringLiteral("sheetData>");
        for (const auto &[row, data] : sheet.m_rows) {
            if (data.cells.empty() && data.height < 0 && data.style < 0
                && data.attributes.isEmpty())
                continue;
            out += QLatin1Char('<') + p + QStringLiteral("row r=\"%1\"").arg(row + 1);
            if (data.style >= 0)
                out += QStringLiteral(" s=\"%1\" customFormat=\"1\"").arg(data.style);
            if (data.height >= 0)
                out += QStringLiteral(" ht=\"%1\" customHeight=\"1\"").arg(number(data.height));
            out += data.attributes;
            if (data.cells.empty()) {
                out += QStringLiteral("/>");
                continue;
            }
            out += QLatin1Char('>');
            for (const auto &[column, c] : data.cells) {
                int style = c.style;
                if (style < 0 && c.kind != Cell::Stored)
                    style = data.style >= 0 ? data.style : sheet.columnFormat(column);
                out += QLatin1Char('<') + p + QStringLiteral("c r=\"") + CellName(row, column)
                    + QLatin1Char('"');
                if (style >= 0)
                    out += QStringLiteral(" s=\"%1\"").arg(style);
                switch (c.kind) {
                case Cell::Blank:
                    out += QStringLiteral("/>");
                    break;
                case Cell::Number:
                    out += QLatin1Char('>') + QLatin1Char('<') + p + QStringLiteral("v>")
                        + number(c.number) + QStringLiteral("</") + p + QStringLiteral("v></") + p
                        + QStringLiteral("c>");
                    break;
                case Cell::Text:
                    out += QStringLiteral(" t=\"inlineStr\"><") + p + QStringLiteral("is><") + p
                        + QStringLiteral("t xml:space=\"preserve\">") + EscapeXml(c.text)
                        + QStringLiteral("</") + p + QStringLiteral("t></") + p
                        + QStringLiteral("is></") + p + QStringLiteral("c>");
                    break;
                case Cell::Stored:
                    out += c.attributes;
                    if (c.text.isEmpty())
                        out += QStringLiteral("/>");
                    else
                        out += QLatin1Char('>') + c.text + QStringLiteral("</") + p
                            + QStringLiteral("c>");
                    break;
                }
            }
            out += QStringLiteral("</") + p + QStringLiteral("row>");
        }
        return out + QStringLiteral("</") + p + QStringLiteral("sheetData>");
    }

    static QString mergesXml(const Sheet &sheet, const QString &p)
    {
        if (sheet.m_merges.empty())
            return QString();
        QString out = QLatin1Char('<') + p
            + QStringLiteral("mergeCells count=\"%1\">").arg(sheet.m_merges.size());
        for (const Sheet::Merge &m : sheet.m_merges)
            out += QLatin1Char('<') + p + QStringLiteral("mergeCell ref=\"")
                + CellName(m.firstRow, m.firstColumn) + QLatin1Char(':')
                + CellName(m.lastRow, m.lastColumn) + QStringLiteral("\"/>");
        return out + QStringLiteral("</") + p + QStringLiteral("mergeCells>");
    }

    // The sheet's XML: base with the elements the program owns written from the picture
    // (rewriteData), the first sheet view selected or not, and, for a copy, without the
    // elements that point at the source sheet's relationships.
    static QString splice(const QString &base, const Sheet &sheet, bool rewriteData, bool selected,
                          bool dropRelated)
    {
        struct Edit
        {
            qint64 start, end;
            QString text;
        };
        std::vector<Edit> edits;
        QXmlStreamReader r(base);
        int depth = 0;
        QString prefix;
        QString parent;
        bool sawSheetView = false;
        qint64 sheetDataStart = -1;
        qint64 mergeInsert = -1;
        qint64 rootEnd = -1;
        bool hasCols = false;
        bool hasMerges = false;
        std::vector<std::pair<QString, qint64>> open; // depth-2 element and its start
        while (!r.atEnd()) {
            const qint64 before = r.characterOffset();
            const auto token = r.readNext();
            if (token == QXmlStreamReader::StartElement) {
                ++depth;
                const QString name = r.name().toString();
                if (depth == 1) {
                    const QString q = r.qualifiedName().toString();
                    const int colon = q.indexOf(QLatin1Char(':'));
                    prefix = colon < 0 ? QString() : q.left(colon + 1);
                } else if (depth == 2) {
                    parent = name;
                    open.push_back({ name, before });
                    if (name == QLatin1String("sheetData"))
                        sheetDataStart = before;
                    if (mergeInsert < 0 && afterMergeCells.contains(name))
                        mergeInsert = before;
                } else if (depth == 3 && parent == QLatin1String("sheetViews")
                           && name == QLatin1String("sheetView") && !sawSheetView) {
                    sawSheetView = true;
                    const qint64 after = r.characterOffset();
                    const bool empty
                        = base.mid(before, after - before).endsWith(QStringLiteral("/>"));
                    QString tag = QLatin1Char('<') + r.qualifiedName().toString();
                    for (const auto &ns : r.namespaceDeclarations()) {
                        tag += ns.prefix().isEmpty() ? QStringLiteral(" xmlns=\"")
                                                     : QStringLiteral(" xmlns:")
                                + ns.prefix().toString() + QStringLiteral("=\"");
                        tag += EscapeXml(ns.namespaceUri().toString()) + QLatin1Char('"');
                    }
                    for (const QXmlStreamAttribute &a : r.attributes()) {
                        if (a.name() != QLatin1String("tabSelected"))
                            tag += attributeText(a);
                    }
                    if (selected)
                        tag += QStringLiteral(" tabSelected=\"1\"");
                    tag += empty ? QStringLiteral("/>") : QStringLiteral(">");
                    edits.push_back({ before, after, tag });
                }
            } else if (token == QXmlStreamReader::EndElement) {
                if (depth == 2 && !open.empty()) {
                    const auto [name, start] = open.back();
                    open.pop_back();
                    const qint64 end = r.characterOffset();
                    if (dropRelated && relatedElements.contains(name)) {
                        edits.push_back({ start, end, QString() });
                    } else if (rewriteData) {
                        if (name == QLatin1String("dimension")) {
                            const int lr = qMax(0, sheet.lastRow());
                            const int lc = qMax(0, sheet.lastColumn());
                            QString ref = CellName(lr, lc) == QLatin1String("A1")
                                ? QStringLiteral("A1")
                                : QStringLiteral("A1:") + CellName(lr, lc);
                            edits.push_back({ start, end,
                                              QLatin1Char('<') + prefix
                                                  + QStringLiteral("dimension ref=\"") + ref
                                                  + QStringLiteral("\"/>") });
                        } else if (name == QLatin1String("cols")) {
                            hasCols = true;
                            edits.push_back({ start, end, columnsXml(sheet, prefix) });
                        } else if (name == QLatin1String("sheetData")) {
                            edits.push_back({ start, end, sheetDataXml(sheet, prefix) });
                        } else if (name == QLatin1String("mergeCells")) {
                            hasMerges = true;
                            edits.push_back({ start, end, mergesXml(sheet, prefix) });
                        }
                    }
                } else if (depth == 1) {
                    rootEnd = before;
                }
                --depth;
            }
        }
        if (r.hasError())
            throw Error(QStringLiteral("シート「%1」のXMLを読めません: %2")
                            .arg(sheet.m_name, r.errorString()));
        if (rewriteData) {
            if (!hasCols && sheetDataStart >= 0)
                edits.push_back({ sheetDataStart, sheetDataStart, columnsXml(sheet, prefix) });
            if (!hasMerges) {
                const qint64 at = mergeInsert >= 0 ? mergeInsert : rootEnd;
                if (at >= 0)
                    edits.push_back({ at, at, mergesXml(sheet, prefix) });
            }
        }
        std::stable_sort(edits.begin(), edits.end(), [](const Edit &a, const Edit &b) {
            // an insertion goes before the element that starts where it stands
            return a.start < b.start || (a.start == b.start && a.end < b.end);
        });
        QString out;
        out.reserve(base.size() + 1024);
        qint64 at = 0;
        for (const Edit &e : edits) {
            out += QStringView(base).mid(at, e.start - at);
            out += e.text;
            at = e.end;
        }
        out += QStringView(base).mid(at);
        return out;
    }
};

// (here, where the package is a complete type)
Workbook::Workbook() = default;

Workbook::~Workbook() = default;

Workbook::Workbook(const QString &templatePath)
    : m_package(std::make_unique<Package>())
{
    Package &pk = *m_package;
    pk.path = templatePath;
    std::tie(pk.order, pk.parts) = readZip(templatePath);
    auto need = [&](const QString &part) -> const QByteArray & {
        auto it = pk.parts.constFind(part);
        if (it == pk.parts.constEnd())
            throw Error(QStringLiteral("%1 はブックではありません（%2 がありません）。")
                            .arg(templatePath, part));
        return *it;
    };
    pk.contentTypes = parseXml(need(QStringLiteral("[Content_Types].xml")),
                               QStringLiteral("[Content_Types].xml"));
    const QDomDocument rootRels
        = parseXml(need(QStringLiteral("_rels/.rels")), QStringLiteral("_rels/.rels"));
    for (const QDomElement &rel :
         children(rootRels.documentElement(), QStringLiteral("Relationship"))) {
        if (rel.attribute(QStringLiteral("Type")).endsWith(QStringLiteral("/officeDocument")))
            pk.workbookPart = resolveTarget(QString(), rel.attribute(QStringLiteral("Target")));
    }
    if (pk.workbookPart.isEmpty())
        throw Error(QStringLiteral("%1 はブックではありません。").arg(templatePath));
    pk.workbookXml = parseXml(need(pk.workbookPart), pk.workbookPart);
    pk.workbookRelsPart = relsPartOf(pk.workbookPart);
    pk.workbookRels = parseXml(need(pk.workbookRelsPart), pk.workbookRelsPart);

    QHash<QString, QDomElement> rels;
    for (const QDomElement &rel :
         children(pk.workbookRels.documentElement(), QStringLiteral("Relationship"))) {
        rels.insert(rel.attribute(QStringLiteral("Id")), rel);
        const QString type = rel.attribute(QStringLiteral("Type"));
        const QString target
            = resolveTarget(pk.workbookPart, rel.attribute(QStringLiteral("Target")));
        if (type.endsWith(QStringLiteral("/styles")))
            pk.stylesPart = target;
        else if (type.endsWith(QStringLiteral("/calcChain")))
            pk.calcChainPart = target;
    }
    if (pk.stylesPart.isEmpty() || !pk.parts.contains(pk.stylesPart)) {
        pk.stylesPart = folderOf(pk.workbookPart) + QStringLiteral("styles.xml");
        pk.parts.insert(pk.stylesPart, QByteArray(minimalStylesXml));
        pk.stylesCreated = true;
    }
    const QDomDocument styles = parseXml(pk.parts.value(pk.stylesPart), pk.stylesPart);
    const QDomElement cellXfs = child(styles.documentElement(), QStringLiteral("cellXfs"));
    m_baseStyle = int(children(cellXfs, QStringLiteral("xf")).size());

    const QDomElement sheets = child(pk.workbookXml.documentElement(), QStringLiteral("sheets"));
    for (const QDomElement &e : children(sheets, QStringLiteral("sheet"))) {
        QString relId;
        const QDomNamedNodeMap attrs = e.attributes();
        for (int i = 0; i < attrs.count(); ++i) {
            const QDomAttr a = attrs.item(i).toAttr();
            if (localName(a.name()) == QLatin1String("id") && a.name().contains(QLatin1Char(':')))
                relId = a.value();
        }
        const QDomElement rel = rels.value(relId);
        if (rel.isNull())
            continue;
        std::unique_ptr<Sheet> sheet(new Sheet(this));
        sheet->m_name = e.attribute(QStringLiteral("name"));
        sheet->m_sheetId = e.attribute(QStringLiteral("sheetId")).toInt();
        sheet->m_relId = relId;
        sheet->m_part = resolveTarget(pk.workbookPart, rel.attribute(QStringLiteral("Target")));
        sheet->m_source = sheet->m_part;
        if (rel.attribute(QStringLiteral("Type")) == relWorksheet) {
            const QString xml = QString::fromUtf8(need(sheet->m_part));
            TemplateSheetWriter::parse(*sheet, xml, sheet->m_part);
        } else {
            sheet->m_chart = true;
        }
        pk.sheetElements.insert(relId, e);
        m_sheets.push_back(std::move(sheet));
    }
    if (m_sheets.empty())
        throw Error(QStringLiteral("%1 にシートがありません。").arg(templatePath));
    const QDomElement view
        = child(child(pk.workbookXml.documentElement(), QStringLiteral("bookViews")),
                QStringLiteral("workbookView"));
    m_active = qBound(0, view.attribute(QStringLiteral("activeTab"), QStringLiteral("0")).toInt(),
                      sheetCount() - 1);
}

namespace {

QString numberFormatXmlId(QDomElement root, const QString &p, const QString &code)
{
    if (code.isEmpty() || code.compare(QLatin1String("General"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("0");
    if (code == TextFormat)
        return QStringLiteral("49");
    QDomElement numFmts = child(root, QStringLiteral("numFmts"));
    int next = 164;
    for (const QDomElement &f : children(numFmts, QStringLiteral("numFmt"))) {
        if (f.attribute(QStringLiteral("formatCode")) == code)
            return f.attribute(QStringLiteral("numFmtId"));
        next = qMax(next, f.attribute(QStringLiteral("numFmtId")).toInt() + 1);
    }
    QDomDocument doc = root.ownerDocument();
    if (numFmts.isNull()) {
        numFmts = doc.createElement(p + QStringLiteral("numFmts"));
        root.insertBefore(numFmts, root.firstChildElement());
    }
    QDomElement f = doc.createElement(p + QStringLiteral("numFmt"));
    f.setAttribute(QStringLiteral("numFmtId"), next);
    f.setAttribute(QStringLiteral("formatCode"), code);
    numFmts.appendChild(f);
    numFmts.setAttribute(QStringLiteral("count"),
                         int(children(numFmts, QStringLiteral("numFmt")).size()));
    return QString::number(next);
}

int appendCounted(QDomElement list, const QString &itemName, const QDomElement &item)
{
    list.appendChild(item);
    const int count = int(children(list, itemName).size());
    list.setAttribute(QStringLiteral("count"), count);
    return count - 1;
}

QString argb(qint64 rgb)
{
    return QStringLiteral("FF%1").arg(rgb & 0xFFFFFF, 6, 16, QLatin1Char('0')).toUpper();
}

const char *borderStyle(Border b)
{
    switch (b) {
    case Border::None:
        return "";
    case Border::Thin:
        return "thin";
    case Border::Medium:
        return "medium";
    case Border::Thick:
        return "thick";
    case Border::Dashed:
        return "dashed";
    case Border::Dotted:
        return "dotted";
    case Border::Double:
        return "double";
    case Border::Hair:
        return "hair";
    }
    return "";
}

// Appends format as a cell format of the style sheet; returns nothing (its index is the next).
void appendFormat(QDomDocument &styles, const Format &f)
{
    QDomElement root = styles.documentElement();
    const QString p = prefixOf(root);
    auto el = [&](const QString &name) { return styles.createElement(p + name); };
    QDomElement xf = el(QStringLiteral("xf"));
    xf.setAttribute(QStringLiteral("numFmtId"), numberFormatXmlId(root, p, f.numberFormat));
    xf.setAttribute(QStringLiteral("xfId"), 0);
    if (!f.numberFormat.isEmpty())
        xf.setAttribute(QStringLiteral("applyNumberFormat"), 1);

    QDomElement fonts = child(root, QStringLiteral("fonts"));
    const bool fontChanged = !f.fontName.isEmpty() || f.fontSize > 0 || f.bold || f.italic
        || f.underline || f.fontColor >= 0;
    int fontId = 0;
    if (fontChanged) {
        QDomElement font = child(fonts, QStringLiteral("font")).cloneNode(true).toElement();
        if (font.isNull())
            font = el(QStringLiteral("font"));
        auto setVal = [&](const QString &name, const QString &value) {
            QDomElement e = child(font, name);
            if (e.isNull()) {
                e = el(name);
                font.appendChild(e);
            }
            e.setAttribute(QStringLiteral("val"), value);
        };
        auto flag = [&](const QString &name, bool on) {
            QDomElement e = child(font, name);
            if (!e.isNull())
                font.removeChild(e);
            if (on)
                font.appendChild(el(name));
        };
        flag(QStringLiteral("b"), f.bold);
        flag(QStringLiteral("i"), f.italic);
        flag(QStringLiteral("u"), f.underline);
        if (f.fontSize > 0)
            setVal(QStringLiteral("sz"), number(f.fontSize));
        if (f.fontColor >= 0) {
            QDomElement c = child(font, QStringLiteral("color"));
            if (!c.isNull())
                font.removeChild(c);
            c = el(QStringLiteral("color"));
            c.setAttribute(QStringLiteral("rgb"), argb(f.fontColor));
            font.appendChild(c);
        }
        if (!f.fontName.isEmpty()) {
            setVal(QStringLiteral("name"), f.fontName);
            for (const QString &n : { QStringLiteral("scheme"), QStringLiteral("family"),
                                      QStringLiteral("charset") }) {
                QDomElement e = child(font, n);
                if (!e.isNull())
                    font.removeChild(e);
            }
        }
        fontId = appendCounted(fonts, QStringLiteral("font"), font);
        xf.setAttribute(QStringLiteral("applyFont"), 1);
    }
    xf.setAttribute(QStringLiteral("fontId"), fontId);

    int fillId = 0;
    if (f.fillColor >= 0) {
        QDomElement fill = el(QStringLiteral("fill"));
        QDomElement pattern = el(QStringLiteral("patternFill"));
        pattern.setAttribute(QStringLiteral("patternType"), QStringLiteral("solid"));
        QDomElement fg = el(QStringLiteral("fgColor"));
        fg.setAttribute(QStringLiteral("rgb"), argb(f.fillColor));
        QDomElement bg = el(QStringLiteral("bgColor"));
        bg.setAttribute(QStringLiteral("indexed"), 64);
        pattern.appendChild(fg);
        pattern.appendChild(bg);
        fill.appendChild(pattern);
        fillId = appendCounted(child(root, QStringLiteral("fills")), QStringLiteral("fill"), fill);
        xf.setAttribute(QStringLiteral("applyFill"), 1);
    }
    xf.setAttribute(QStringLiteral("fillId"), fillId);

    int borderId = 0;
    if (f.border != Border::None) {
        QDomElement border = el(QStringLiteral("border"));
        for (const QString &side : { QStringLiteral("left"), QStringLiteral("right"),
                                     QStringLiteral("top"), QStringLiteral("bottom") }) {
            QDomElement s = el(side);
            s.setAttribute(QStringLiteral("style"), QLatin1String(borderStyle(f.border)));
            QDomElement c = el(QStringLiteral("color"));
            c.setAttribute(QStringLiteral("indexed"), 64);
            s.appendChild(c);
            border.appendChild(s);
        }
        border.appendChild(el(QStringLiteral("diagonal")));
        borderId = appendCounted(child(root, QStringLiteral("borders")), QStringLiteral("border"),
                                 border);
        xf.setAttribute(QStringLiteral("applyBorder"), 1);
    }
    xf.setAttribute(QStringLiteral("borderId"), borderId);

    if (f.rotation != 0 || f.wrap || f.hAlign != HAlign::General || f.vAlign != VAlign::Bottom) {
        QDomElement a = el(QStringLiteral("alignment"));
        static const char *h[] = { "general", "left", "center", "right", "fill", "justify" };
        static const char *v[] = { "bottom", "top", "center", "justify" };
        if (f.hAlign != HAlign::General)
            a.setAttribute(QStringLiteral("horizontal"), QLatin1String(h[int(f.hAlign)]));
        if (f.vAlign != VAlign::Bottom)
            a.setAttribute(QStringLiteral("vertical"), QLatin1String(v[int(f.vAlign)]));
        if (f.rotation == 270)
            a.setAttribute(QStringLiteral("textRotation"), 255);
        else if (f.rotation > 0)
            a.setAttribute(QStringLiteral("textRotation"), qMin(f.rotation, 90));
        else if (f.rotation < 0)
            a.setAttribute(QStringLiteral("textRotation"), 90 - qMax(f.rotation, -90));
        if (f.wrap)
            a.setAttribute(QStringLiteral("wrapText"), 1);
        xf.appendChild(a);
        xf.setAttribute(QStringLiteral("applyAlignment"), 1);
    }
    appendCounted(child(root, QStringLiteral("cellXfs")), QStringLiteral("xf"), xf);
}

void setOverride(QDomDocument &types, const QString &part, const QString &type)
{
    QDomElement root = types.documentElement();
    for (const QDomElement &o : children(root, QStringLiteral("Override"))) {
        if (o.attribute(QStringLiteral("PartName")) == QLatin1Char('/') + part)
            return;
    }
    QDomElement o = types.createElement(prefixOf(root) + QStringLiteral("Override"));
    o.setAttribute(QStringLiteral("PartName"), QLatin1Char('/') + part);
    o.setAttribute(QStringLiteral("ContentType"), type);
    root.appendChild(o);
}

} // namespace

void Workbook::saveTemplate(const QString &path)
{
    Package &pk = *m_package;
    QHash<QString, QByteArray> out; // changed and new parts
    QStringList added;

    // formats
    if (m_formats.size() > pk.formatsWritten || pk.stylesCreated) {
        QDomDocument styles = parseXml(pk.parts.value(pk.stylesPart), pk.stylesPart);
        for (size_t i = pk.formatsWritten; i < m_formats.size(); ++i)
            appendFormat(styles, m_formats[i]);
        out.insert(pk.stylesPart, styles.toByteArray(-1));
    }

    QDomDocument workbookXml = pk.workbookXml.cloneNode(true).toDocument();
    QDomDocument rels = pk.workbookRels.cloneNode(true).toDocument();
    QDomDocument types = pk.contentTypes.cloneNode(true).toDocument();
    QDomElement wbRoot = workbookXml.documentElement();
    const QString wp = prefixOf(wbRoot);

    // the prefix of the relationships namespace in the workbook part
    QString relPrefix;
    const QDomNamedNodeMap rootAttrs = wbRoot.attributes();
    for (int i = 0; i < rootAttrs.count(); ++i) {
        const QDomAttr a = rootAttrs.item(i).toAttr();
        if (a.name().startsWith(QLatin1String("xmlns:")) && a.value() == relNs)
            relPrefix = a.name().mid(6);
    }
    if (relPrefix.isEmpty()) {
        relPrefix = QStringLiteral("r");
        wbRoot.setAttribute(QStringLiteral("xmlns:r"), relNs);
    }

    int nextSheetId = 1;
    int nextRel = 1;
    QSet<QString> relIds;
    for (const QDomElement &rel : children(rels.documentElement(), QStringLiteral("Relationship")))
        relIds.insert(rel.attribute(QStringLiteral("Id")));
    for (const auto &s : m_sheets)
        nextSheetId = qMax(nextSheetId, s->m_sheetId + 1);
    int nextPart = 1;
    auto freePart = [&] {
        QString name;
        do {
            name = folderOf(pk.workbookPart)
                + QStringLiteral("worksheets/sheet%1.xml").arg(nextPart++);
        } while (pk.parts.contains(name) || out.contains(name));
        return name;
    };

    // the sheet list, rebuilt in order
    QDomElement sheetsEl = child(wbRoot, QStringLiteral("sheets"));
    while (!sheetsEl.firstChild().isNull())
        sheetsEl.removeChild(sheetsEl.firstChild());
    for (int i = 0; i < sheetCount(); ++i) {
        Sheet &s = *m_sheets[i];
        const bool original = !s.m_relId.isEmpty() && pk.sheetElements.contains(s.m_relId);
        QDomElement e;
        if (original) {
            e = pk.sheetElements.value(s.m_relId).cloneNode(true).toElement();
        } else {
            s.m_part = freePart();
            QString id;
            do {
                id = QStringLiteral("rId%1").arg(nextRel++);
            } while (relIds.contains(id));
            relIds.insert(id);
            s.m_relId = id;
            s.m_sheetId = nextSheetId++;
            QDomElement rel = rels.createElement(prefixOf(rels.documentElement())
                                                 + QStringLiteral("Relationship"));
            rel.setAttribute(QStringLiteral("Id"), id);
            rel.setAttribute(QStringLiteral("Type"), relWorksheet);
            rel.setAttribute(QStringLiteral("Target"),
                             s.m_part.mid(folderOf(pk.workbookPart).size()));
            rels.documentElement().appendChild(rel);
            setOverride(types, s.m_part, worksheetType);
            added << s.m_part;
            e = workbookXml.createElement(wp + QStringLiteral("sheet"));
            e.setAttribute(QStringLiteral("sheetId"), s.m_sheetId);
            e.setAttribute(relPrefix + QStringLiteral(":id"), id);
        }
        e.setAttribute(QStringLiteral("name"), s.m_name);
        sheetsEl.appendChild(e);

        if (s.m_chart) {
            if (!original)
                throw Error(QStringLiteral("グラフシート「%1」は複製できません。").arg(s.m_name));
            continue;
        }
        const QString base = s.m_source.isEmpty() ? QString::fromUtf8(newSheetXml)
                                                  : QString::fromUtf8(pk.parts.value(s.m_source));
        const bool copy = !original && !s.m_source.isEmpty();
        const QString xml
            = TemplateSheetWriter::splice(base, s, s.m_touched || !original, i == m_active, copy);
        if (xml != base || !original)
            out.insert(s.m_part, xml.toUtf8());
    }

    // the active sheet
    QDomElement bookViews = child(wbRoot, QStringLiteral("bookViews"));
    if (bookViews.isNull()) {
        bookViews = workbookXml.createElement(wp + QStringLiteral("bookViews"));
        wbRoot.insertBefore(bookViews, sheetsEl);
    }
    QDomElement view = child(bookViews, QStringLiteral("workbookView"));
    if (view.isNull()) {
        view = workbookXml.createElement(wp + QStringLiteral("workbookView"));
        bookViews.appendChild(view);
    }
    view.setAttribute(QStringLiteral("activeTab"), m_active);
    if (view.attribute(QStringLiteral("firstSheet")).toInt() > m_active)
        view.removeAttribute(QStringLiteral("firstSheet"));

    // the calculation chain names cells that may no longer hold formulas: the spreadsheet
    // builds it again when it is missing
    if (!pk.calcChainPart.isEmpty()) {
        for (const QDomElement &rel :
             children(rels.documentElement(), QStringLiteral("Relationship"))) {
            if (rel.attribute(QStringLiteral("Type")).endsWith(QStringLiteral("/calcChain")))
                rels.documentElement().removeChild(rel);
        }
        for (const QDomElement &o : children(types.documentElement(), QStringLiteral("Override"))) {
            if (o.attribute(QStringLiteral("PartName")) == QLatin1Char('/') + pk.calcChainPart)
                types.documentElement().removeChild(o);
        }
    }
    if (pk.stylesCreated) {
        QDomElement rel
            = rels.createElement(prefixOf(rels.documentElement()) + QStringLiteral("Relationship"));
        QString id;
        do {
            id = QStringLiteral("rId%1").arg(nextRel++);
        } while (relIds.contains(id));
        rel.setAttribute(QStringLiteral("Id"), id);
        rel.setAttribute(QStringLiteral("Type"), relNs + QStringLiteral("/styles"));
        rel.setAttribute(QStringLiteral("Target"),
                         pk.stylesPart.mid(folderOf(pk.workbookPart).size()));
        rels.documentElement().appendChild(rel);
        setOverride(types, pk.stylesPart, stylesType);
        added << pk.stylesPart;
    }
    out.insert(pk.workbookPart, workbookXml.toByteArray(-1));
    out.insert(pk.workbookRelsPart, rels.toByteArray(-1));
    out.insert(QStringLiteral("[Content_Types].xml"), types.toByteArray(-1));

    WriteFileAtomically(path, [&](const QString &tempPath) {
        int error = 0;
        zip_t *zip
            = zip_open(QFile::encodeName(tempPath).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
        if (!zip)
            throw Error(QStringLiteral("%1 を作成できません。").arg(tempPath));
        QList<QByteArray> keep; // the buffers live until the archive is closed
        auto add = [&](const QString &name, const QByteArray &data) {
            keep << data;
            zip_source_t *src = zip_source_buffer(zip, keep.last().constData(),
                                                  zip_uint64_t(keep.last().size()), 0);
            const zip_int64_t index
                = src ? zip_file_add(zip, name.toUtf8().constData(), src, ZIP_FL_ENC_UTF_8) : -1;
            if (index < 0) {
                if (src)
                    zip_source_free(src);
                const QString reason = QString::fromUtf8(zip_strerror(zip));
                zip_discard(zip);
                throw Error(QStringLiteral("%1 を書き込めません: %2").arg(name, reason));
            }
            zip_set_file_compression(zip, zip_uint64_t(index), ZIP_CM_DEFLATE, 6);
        };
        for (const QString &name : pk.order) {
            if (name == pk.calcChainPart)
                continue;
            add(name, out.contains(name) ? out.value(name) : pk.parts.value(name));
        }
        for (const QString &name : added)
            add(name, out.value(name));
        if (zip_close(zip) != 0) {
            const QString reason = QString::fromUtf8(zip_strerror(zip));
            zip_discard(zip);
            throw Error(QStringLiteral("%1 を保存できません: %2").arg(path, reason));
        }
    });
    // the parts written are now the template's own: a second save starts from them
    for (auto it = out.constBegin(); it != out.constEnd(); ++it) {
        if (!pk.parts.contains(it.key()))
            pk.order << it.key();
        pk.parts.insert(it.key(), it.value());
    }
    pk.workbookXml = workbookXml;
    pk.workbookRels = rels;
    pk.contentTypes = types;
    pk.stylesCreated = false;
    pk.formatsWritten = m_formats.size();
    for (auto &s : m_sheets) {
        if (!s->m_chart) {
            s->m_source = s->m_part;
            s->m_touched = false;
        }
    }
    const QDomElement savedSheets = child(wbRoot, QStringLiteral("sheets"));
    pk.sheetElements.clear();
    int i = 0;
    for (const QDomElement &e : children(savedSheets, QStringLiteral("sheet")))
        pk.sheetElements.insert(m_sheets.at(i++)->m_relId, e);
}

} // namespace workbook
