#include "qvinifile.h"

#include <QFileInfo>

namespace qvinifile {

bool sameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QString escapeValue(const QString &value)
{
    QString out;
    out.reserve(value.size());
    for (const QChar c : value) {
        switch (c.unicode()) {
        case u'\\':
            out += QStringLiteral("\\\\");
            break;
        case u'\n':
            out += QStringLiteral("\\n");
            break;
        case u'\r':
            out += QStringLiteral("\\r");
            break;
        default:
            out += c;
        }
    }
    return out;
}

QString escapeKey(const QString &key)
{
    QString out;
    for (qsizetype i = 0; i < key.size(); ++i) {
        const QChar c = key.at(i);
        const bool atEdge = i == 0 || i == key.size() - 1;
        if (c == u'=' || (i == 0 && (c == u'[' || c == u';')))
            out += u'\\' + QString(c);
        else if (c == u' ' && atEdge)
            out += QStringLiteral("\\s");
        else
            out += escapeValue(QString(c));
    }
    return out;
}

QString unescape(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != u'\\' || i + 1 == text.size()) {
            out += c;
            continue;
        }
        const QChar next = text.at(i + 1);
        switch (next.unicode()) {
        case u'\\':
        case u'=':
        case u'[':
        case u';':
            out += next;
            break;
        case u'n':
            out += u'\n';
            break;
        case u'r':
            out += u'\r';
            break;
        case u's':
            out += u' ';
            break;
        default:
            out += c; // not ours: keep the backslash and read the next character as usual
            continue;
        }
        ++i;
    }
    return out;
}

// The position of the first "=" that no backslash escapes, -1 when none.
qsizetype findSeparator(const QString &line)
{
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line.at(i) == u'\\')
            ++i;
        else if (line.at(i) == u'=')
            return i;
    }
    return -1;
}

} // namespace qvinifile

TqvMemIniFile::TqvMemIniFile(const QString &fileName, const TqvEncoding &encoding)
    : m_fileName(fileName)
    , m_encoding(encoding)
{
    if (QFileInfo::exists(fileName))
        parse(LoadStringsFromFile(fileName, encoding));
}

void TqvMemIniFile::parse(const QStringList &lines)
{
    Section *current = nullptr;
    for (const QString &raw : lines) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(u';'))
            continue;
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            const QString name = line.mid(1, line.size() - 2).trimmed();
            current = findSection(name);
            if (!current) {
                m_sections.append(Section { name, {} });
                current = &m_sections.last();
            }
            continue;
        }
        if (!current)
            continue; // lines before the first section belong to nobody
        // The value is taken as written after "="; only the key is trimmed.
        const qsizetype eq = qvinifile::findSeparator(raw);
        if (eq < 0)
            continue;
        const QString key = qvinifile::unescape(QStringView(raw).left(eq).trimmed());
        const QString value = qvinifile::unescape(QStringView(raw).mid(eq + 1));
        bool replaced = false;
        for (Entry &entry : current->entries) {
            if (qvinifile::sameName(entry.key, key)) {
                entry.value = value;
                replaced = true;
                break;
            }
        }
        if (!replaced)
            current->entries.append(Entry { key, value });
    }
}

const TqvMemIniFile::Section *TqvMemIniFile::findSection(const QString &name) const
{
    for (const Section &section : m_sections) {
        if (qvinifile::sameName(section.name, name))
            return &section;
    }
    return nullptr;
}

TqvMemIniFile::Section *TqvMemIniFile::findSection(const QString &name)
{
    return const_cast<Section *>(std::as_const(*this).findSection(name));
}

QString TqvMemIniFile::ReadString(const QString &section, const QString &key,
                                  const QString &defaultValue) const
{
    if (const Section *s = findSection(section)) {
        for (const Entry &entry : s->entries) {
            if (qvinifile::sameName(entry.key, key))
                return entry.value;
        }
    }
    return defaultValue;
}

qint32 TqvMemIniFile::ReadInteger(const QString &section, const QString &key,
                                  qint32 defaultValue) const
{
    bool ok = false;
    const qint32 value = ReadString(section, key, QString()).trimmed().toInt(&ok);
    return ok ? value : defaultValue;
}

void TqvMemIniFile::WriteString(const QString &section, const QString &key, const QString &value)
{
    Section *s = findSection(section);
    if (!s) {
        m_sections.append(Section { section, {} });
        s = &m_sections.last();
    }
    for (Entry &entry : s->entries) {
        if (qvinifile::sameName(entry.key, key)) {
            entry.value = value;
            return;
        }
    }
    s->entries.append(Entry { key, value });
}

void TqvMemIniFile::WriteInteger(const QString &section, const QString &key, qint32 value)
{
    WriteString(section, key, QString::number(value));
}

bool TqvMemIniFile::SectionExists(const QString &section) const
{
    return findSection(section) != nullptr;
}

bool TqvMemIniFile::ValueExists(const QString &section, const QString &key) const
{
    return ReadSection(section).contains(key, Qt::CaseInsensitive);
}

QStringList TqvMemIniFile::ReadSections() const
{
    QStringList names;
    for (const Section &section : m_sections)
        names << section.name;
    return names;
}

QStringList TqvMemIniFile::ReadSection(const QString &section) const
{
    QStringList keys;
    if (const Section *s = findSection(section)) {
        for (const Entry &entry : s->entries)
            keys << entry.key;
    }
    return keys;
}

void TqvMemIniFile::EraseSection(const QString &section)
{
    m_sections.removeIf([&](const Section &s) { return qvinifile::sameName(s.name, section); });
}

void TqvMemIniFile::DeleteKey(const QString &section, const QString &key)
{
    if (Section *s = findSection(section))
        s->entries.removeIf([&](const Entry &e) { return qvinifile::sameName(e.key, key); });
}

QStringList TqvMemIniFile::lines() const
{
    QStringList out;
    for (const Section &section : m_sections) {
        out << u'[' + section.name + u']';
        for (const Entry &entry : section.entries)
            out << qvinifile::escapeKey(entry.key) + u'=' + qvinifile::escapeValue(entry.value);
        out << QString();
    }
    return out;
}

void TqvMemIniFile::UpdateFile() const
{
    SaveStringsToFile(m_fileName, lines(), m_encoding);
}
