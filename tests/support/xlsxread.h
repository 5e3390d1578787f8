#pragma once

// Reads back what a workbook file holds, for tests: its parts through libzip, its sheet names
// in order, the cells of a sheet (value text, style number, type), the column widths and the
// merged ranges. Header-only; the test links libzip (platform_workbook brings it).
#include <QByteArray>
#include <QDomDocument>
#include <QFile>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QTextStream>

#include <zip.h>

#include <functional>

namespace xlsxread {

// The part's bytes; empty when the file or the part is missing.
inline QByteArray part(const QString &path, const QString &name)
{
    int error = 0;
    zip_t *zip = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &error);
    if (!zip)
        return QByteArray();
    QByteArray data;
    zip_stat_t st;
    if (zip_stat(zip, name.toUtf8().constData(), 0, &st) == 0) {
        zip_file_t *file = zip_fopen(zip, name.toUtf8().constData(), 0);
        if (file) {
            data.resize(qsizetype(st.size));
            zip_fread(file, data.data(), st.size);
            zip_fclose(file);
        }
    }
    zip_discard(zip);
    return data;
}

inline QStringList partNames(const QString &path)
{
    QStringList names;
    int error = 0;
    zip_t *zip = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &error);
    if (!zip)
        return names;
    for (zip_int64_t i = 0; i < zip_get_num_entries(zip, 0); ++i)
        names << QString::fromUtf8(zip_get_name(zip, zip_uint64_t(i), 0));
    zip_discard(zip);
    return names;
}

inline QDomDocument xml(const QString &path, const QString &name)
{
    QDomDocument doc;
    doc.setContent(part(path, name), true);
    return doc;
}

// Every element of that local name, in document order, whatever its namespace prefix.
inline QList<QDomElement> elements(const QDomDocument &doc, const QString &localName)
{
    QList<QDomElement> list;
    std::function<void(const QDomElement &)> walk = [&](const QDomElement &e) {
        if (e.localName() == localName)
            list << e;
        for (QDomElement c = e.firstChildElement(); !c.isNull(); c = c.nextSiblingElement())
            walk(c);
    };
    walk(doc.documentElement());
    return list;
}

inline QStringList sheetNames(const QString &path)
{
    QStringList names;
    for (const QDomElement &e :
         elements(xml(path, QStringLiteral("xl/workbook.xml")), QStringLiteral("sheet")))
        names << e.attribute(QStringLiteral("name"));
    return names;
}

// The part of the sheet with that name ("xl/worksheets/sheet1.xml"); empty when none.
inline QString sheetPart(const QString &path, const QString &sheetName)
{
    QString relId;
    for (const QDomElement &e :
         elements(xml(path, QStringLiteral("xl/workbook.xml")), QStringLiteral("sheet"))) {
        if (e.attribute(QStringLiteral("name")) == sheetName)
            relId = e.attributeNS(
                QStringLiteral(
                    "http://schemas.openxmlformats.org/officeDocument/2006/relationships"),
                QStringLiteral("id"));
    }
    for (const QDomElement &e : elements(xml(path, QStringLiteral("xl/_rels/workbook.xml.rels")),
                                         QStringLiteral("Relationship"))) {
        if (e.attribute(QStringLiteral("Id")) == relId) {
            const QString target = e.attribute(QStringLiteral("Target"));
            return target.startsWith(QLatin1Char('/')) ? target.mid(1)
                                                       : QStringLiteral("xl/") + target;
        }
    }
    return QString();
}

struct CellValue
{
    QString value; // the text shown: shared and inline strings resolved, numbers as stored
    int style = 0;
    QString type; // the t attribute: "s", "inlineStr", "str", "" for numbers
};

inline QStringList sharedStrings(const QString &path)
{
    QStringList strings;
    for (const QDomElement &si :
         elements(xml(path, QStringLiteral("xl/sharedStrings.xml")), QStringLiteral("si")))
        strings << si.text();
    return strings;
}

// The cells of the sheet by name ("B3").
inline QMap<QString, CellValue> cells(const QString &path, const QString &sheetName)
{
    QMap<QString, CellValue> map;
    const QStringList strings = sharedStrings(path);
    const QDomDocument doc = xml(path, sheetPart(path, sheetName));
    for (const QDomElement &c : elements(doc, QStringLiteral("c"))) {
        CellValue v;
        v.style = c.attribute(QStringLiteral("s"), QStringLiteral("0")).toInt();
        v.type = c.attribute(QStringLiteral("t"));
        if (v.type == QLatin1String("s"))
            v.value = strings.value(c.text().toInt());
        else
            v.value = c.text();
        map.insert(c.attribute(QStringLiteral("r")), v);
    }
    return map;
}

// The width of each column (1-based column number) the sheet sets.
inline QMap<int, double> columnWidths(const QString &path, const QString &sheetName)
{
    QMap<int, double> widths;
    const QDomDocument doc = xml(path, sheetPart(path, sheetName));
    for (const QDomElement &c : elements(doc, QStringLiteral("col"))) {
        for (int i = c.attribute(QStringLiteral("min")).toInt();
             i <= c.attribute(QStringLiteral("max")).toInt(); ++i) {
            if (c.hasAttribute(QStringLiteral("width")))
                widths.insert(i, c.attribute(QStringLiteral("width")).toDouble());
        }
    }
    return widths;
}

inline QStringList merges(const QString &path, const QString &sheetName)
{
    QStringList refs;
    const QDomDocument doc = xml(path, sheetPart(path, sheetName));
    for (const QDomElement &m : elements(doc, QStringLiteral("mergeCell")))
        refs << m.attribute(QStringLiteral("ref"));
    return refs;
}

// The cell formats (cellXfs) of the styles part, each as its XML text, and the number format
// code each uses ("@" for 49, "General" for 0, the custom code otherwise).
struct CellStyle
{
    QString xml;
    QString numberFormat;
    QDomElement font;
    QDomElement border;
    QDomElement alignment;
};

inline QList<CellStyle> cellStyles(const QString &path)
{
    QList<CellStyle> list;
    const QDomDocument doc = xml(path, QStringLiteral("xl/styles.xml"));
    QMap<int, QString> codes { { 0, QStringLiteral("General") }, { 49, QStringLiteral("@") } };
    for (const QDomElement &f : elements(doc, QStringLiteral("numFmt")))
        codes.insert(f.attribute(QStringLiteral("numFmtId")).toInt(),
                     f.attribute(QStringLiteral("formatCode")));
    const QList<QDomElement> fonts = elements(doc, QStringLiteral("font"));
    const QList<QDomElement> borders = elements(doc, QStringLiteral("border"));
    const QList<QDomElement> xfsLists = elements(doc, QStringLiteral("cellXfs"));
    if (xfsLists.isEmpty())
        return list;
    for (QDomElement xf = xfsLists.first().firstChildElement(); !xf.isNull();
         xf = xf.nextSiblingElement()) {
        CellStyle s;
        QString text;
        QTextStream stream(&text);
        xf.save(stream, -1);
        s.xml = text;
        s.numberFormat
            = codes.value(xf.attribute(QStringLiteral("numFmtId")).toInt(),
                          QStringLiteral("#") + xf.attribute(QStringLiteral("numFmtId")));
        s.font = fonts.value(xf.attribute(QStringLiteral("fontId")).toInt());
        s.border = borders.value(xf.attribute(QStringLiteral("borderId")).toInt());
        s.alignment = xf.firstChildElement(QStringLiteral("alignment"));
        list << s;
    }
    return list;
}

} // namespace xlsxread
