#pragma once

#include "qvencoding.h"

#include <QList>
#include <QString>
#include <QStringList>

// A small settings file of sections and "key=value" lines, read whole into memory and written
// whole: the per-object files of saved search conditions and column widths. Section and key
// names compare without regard to case and keep the case they were written with; sections and
// keys keep their order. The file is read and written in a text encoding (a byte-order mark
// found on reading wins) with CR LF line ends.
//
// Values are written so that any text comes back as it was: a backslash is written "\\", a
// line feed "\n", a carriage return "\r"; keys also escape "=" as "\=" and a leading "[" or ";"
// and blanks at either end. Reading turns those back; other backslashes stay as they are.
class TqvMemIniFile
{
public:
    // Reads the file; a missing file reads as empty. Throws TextFileError when an existing
    // file cannot be read.
    TqvMemIniFile(const QString &fileName, const TqvEncoding &encoding);

    QString fileName() const { return m_fileName; }

    QString ReadString(const QString &section, const QString &key,
                       const QString &defaultValue) const;
    // The default when the key is missing or its value is not a decimal integer.
    qint32 ReadInteger(const QString &section, const QString &key, qint32 defaultValue) const;
    void WriteString(const QString &section, const QString &key, const QString &value);
    void WriteInteger(const QString &section, const QString &key, qint32 value);

    bool SectionExists(const QString &section) const;
    bool ValueExists(const QString &section, const QString &key) const;
    QStringList ReadSections() const;
    QStringList ReadSection(const QString &section) const; // the keys, in file order
    void EraseSection(const QString &section);
    void DeleteKey(const QString &section, const QString &key);

    // Writes every section to the file, replacing it whole (the old file stays when writing
    // fails). Throws TextFileError.
    void UpdateFile() const;

    // The file's text as UpdateFile writes it, before encoding.
    QStringList lines() const;

private:
    struct Entry
    {
        QString key;
        QString value;
    };
    struct Section
    {
        QString name;
        QList<Entry> entries;
    };

    const Section *findSection(const QString &name) const;
    Section *findSection(const QString &name);
    void parse(const QStringList &lines);

    QString m_fileName;
    TqvEncoding m_encoding;
    QList<Section> m_sections;
};
