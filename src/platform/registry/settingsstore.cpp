#include "settingsstore.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <iconv.h>
#include <map>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace reg {

// The file format and its parts; named, as the store's private state holds them.
namespace settingsfile {

const char kHeader[] = "Windows Registry Editor Version 5.00";
const char kHeader4[] = "REGEDIT4";
const char kRootName[] = "HKEY_CURRENT_USER";
// The store's own files say so on their first comment line and end with kEndMarker: such a file
// that lacks the marker was cut short. Files exported elsewhere carry neither.
const char kOwnLine[]
    = "; Corvane for Postgres settings, ending with the line \"; end of settings\"";
const char kEndMarker[] = "; end of settings";

QString fold(const QString &name)
{
    return name.toCaseFolded();
}

struct Node
{
    QString name;
    std::map<QString, Node> children;
    std::map<QString, std::pair<QString, Value>> values;
};

// Splits "\A\B\" into {"A","B"}; empty components (doubled separators) make the path invalid.
std::optional<QStringList> splitPath(const QString &path)
{
    QString p = path;
    while (p.startsWith('\\'))
        p.remove(0, 1);
    while (p.endsWith('\\'))
        p.chop(1);
    if (p.isEmpty())
        return QStringList();
    QStringList parts = p.split('\\');
    for (const QString &part : parts)
        if (part.isEmpty())
            return std::nullopt;
    return parts;
}

const Node *findNode(const Node &root, const QStringList &path)
{
    const Node *node = &root;
    for (const QString &part : path) {
        auto it = node->children.find(fold(part));
        if (it == node->children.end())
            return nullptr;
        node = &it->second;
    }
    return node;
}

Node *findNode(Node &root, const QStringList &path)
{
    return const_cast<Node *>(findNode(static_cast<const Node &>(root), path));
}

Node &makeNode(Node &root, const QStringList &path)
{
    Node *node = &root;
    for (const QString &part : path) {
        Node &child = node->children[fold(part)];
        if (child.name.isEmpty())
            child.name = part;
        node = &child;
    }
    return *node;
}

struct Change
{
    enum Kind { CreateKey, DeleteKey, SetValue, DeleteValue } kind;
    QStringList path;
    QString name;
    Value value;
};

void applyChange(Node &root, const Change &c)
{
    switch (c.kind) {
    case Change::CreateKey:
        makeNode(root, c.path);
        break;
    case Change::DeleteKey: {
        if (c.path.isEmpty()) {
            root.children.clear();
            root.values.clear();
            break;
        }
        Node *parent = findNode(root, c.path.mid(0, c.path.size() - 1));
        if (parent)
            parent->children.erase(fold(c.path.last()));
        break;
    }
    case Change::SetValue: {
        // A key that another process removed meanwhile comes back: the later write wins.
        Node &node = makeNode(root, c.path);
        auto &slot = node.values[fold(c.name)];
        if (slot.first.isEmpty() || fold(slot.first) != fold(c.name))
            slot.first = c.name;
        slot.second = c.value;
        break;
    }
    case Change::DeleteValue:
        if (Node *node = findNode(root, c.path))
            node->values.erase(fold(c.name));
        break;
    }
}

// ---- the text form -------------------------------------------------------------------------

QString quoteRegString(const QString &s)
{
    QString out;
    out.reserve(s.size() + 2);
    out += '"';
    for (QChar ch : s) {
        if (ch == '\\' || ch == '"')
            out += '\\';
        out += ch;
    }
    out += '"';
    return out;
}

QString hexBytes(const QByteArray &bytes)
{
    QString out;
    out.reserve(bytes.size() * 3);
    for (int i = 0; i < bytes.size(); ++i) {
        if (i)
            out += ',';
        out += QString::asprintf("%02x", static_cast<unsigned char>(bytes[i]));
    }
    return out;
}

QByteArray utf16Bytes(const QString &s)
{
    QByteArray out;
    out.reserve((s.size() + 1) * 2);
    for (QChar ch : s) {
        out += char(ch.unicode() & 0xff);
        out += char(ch.unicode() >> 8);
    }
    out += '\0';
    out += '\0';
    return out;
}

QString fromUtf16Bytes(const QByteArray &b)
{
    QString s;
    for (int i = 0; i + 1 < b.size(); i += 2)
        s += QChar(ushort(uchar(b[i]) | (uchar(b[i + 1]) << 8)));
    // The stored terminator is not part of the text.
    if (s.endsWith(QChar(0)))
        s.chop(1);
    return s;
}

// Text that the line form keeps exactly: no control character, and nothing that UTF-8 cannot
// carry (a lone surrogate).
bool plainPrintable(const QString &s)
{
    if (!s.isValidUtf16())
        return false;
    for (QChar ch : s)
        if (ch.unicode() < 0x20 || ch.unicode() == 0x7f)
            return false;
    return true;
}

QString valueText(const Value &v)
{
    switch (v.kind) {
    case ValueKind::DWord:
        return QString::asprintf("dword:%08x", v.dword);
    case ValueKind::Sz:
        // Line breaks and control characters would break the line form: such strings are kept
        // as their UTF-16 bytes, which the format allows for any string.
        return plainPrintable(v.text) ? quoteRegString(v.text)
                                      : QStringLiteral("hex(1):") + hexBytes(utf16Bytes(v.text));
    case ValueKind::ExpandSz:
        return QStringLiteral("hex(2):") + hexBytes(utf16Bytes(v.text));
    case ValueKind::Binary:
        return QStringLiteral("hex:") + hexBytes(v.bytes);
    case ValueKind::None:
        break;
    }
    return QString();
}

void writeNode(QString &out, const Node &node, const QString &path)
{
    if (!path.isEmpty()) {
        out += '[';
        out += QLatin1String(kRootName);
        out += '\\';
        out += path;
        out += "]\n";
        for (const auto &[key, entry] : node.values) {
            out += entry.first.isEmpty() ? QStringLiteral("@") : quoteRegString(entry.first);
            out += '=';
            out += valueText(entry.second);
            out += '\n';
        }
        out += '\n';
    }
    for (const auto &[key, child] : node.children)
        writeNode(out, child, path.isEmpty() ? child.name : path + '\\' + child.name);
}

QByteArray serialise(const Node &root)
{
    QString out = QLatin1String(kHeader) + QStringLiteral("\n") + QLatin1String(kOwnLine)
        + QStringLiteral("\n\n");
    writeNode(out, root, QString());
    out += QLatin1String(kEndMarker);
    out += '\n';
    return out.toUtf8();
}

// Reads a quoted string starting at pos (on the opening quote); pos ends after the closing one.
std::optional<QString> readQuoted(const QString &line, int &pos)
{
    if (pos >= line.size() || line[pos] != '"')
        return std::nullopt;
    QString out;
    for (++pos; pos < line.size(); ++pos) {
        const QChar ch = line[pos];
        if (ch == '\\') {
            if (++pos >= line.size())
                return std::nullopt;
            out += line[pos];
        } else if (ch == '"') {
            ++pos;
            return out;
        } else {
            out += ch;
        }
    }
    return std::nullopt;
}

std::optional<QByteArray> parseHex(const QString &text)
{
    QByteArray out;
    const QString t = text.trimmed();
    if (t.isEmpty())
        return out;
    for (const QString &part : t.split(',')) {
        bool ok = false;
        const QString p = part.trimmed();
        const uint v = p.toUInt(&ok, 16);
        if (!ok || p.size() > 2)
            return std::nullopt;
        out += char(v);
    }
    return out;
}

// The two text forms the file may take: "Windows Registry Editor Version 5.00" keeps strings in
// hex values as UTF-16, "REGEDIT4" as 8-bit text.
enum class TextForm { Unicode, EightBit };

// 8-bit text: UTF-8 where it is valid, else the Japanese code page (CP932) that 8-bit settings
// files of this program were written in.
QString decodeEightBit(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    iconv_t cd = ::iconv_open("UTF-16LE", "CP932");
    if (cd == iconv_t(-1))
        return QString::fromLatin1(bytes);
    QString out;
    QByteArray in = bytes;
    char *inPtr = in.data();
    size_t inLeft = size_t(in.size());
    QByteArray buffer(in.size() * 2 + 4, '\0');
    while (inLeft > 0) {
        char *outPtr = buffer.data();
        size_t outLeft = size_t(buffer.size());
        const size_t rc = ::iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        const qsizetype produced = buffer.size() - qsizetype(outLeft);
        out += QString::fromUtf16(reinterpret_cast<const char16_t *>(buffer.constData()),
                                  produced / 2);
        if (rc == size_t(-1) && errno != E2BIG) {
            // A byte the code page does not know stands for itself as a replacement character.
            out += QChar(QChar::ReplacementCharacter);
            ++inPtr;
            --inLeft;
        }
    }
    ::iconv_close(cd);
    return out;
}

QString decodeFile(const QByteArray &data)
{
    if (data.startsWith("\xff\xfe"))
        return QStringDecoder(QStringConverter::Utf16LE).decode(data.mid(2));
    if (data.startsWith("\xfe\xff"))
        return QStringDecoder(QStringConverter::Utf16BE).decode(data.mid(2));
    if (data.startsWith("\xef\xbb\xbf"))
        return QString::fromUtf8(data.mid(3));
    if (data.trimmed().startsWith("REGEDIT4"))
        return decodeEightBit(data);
    return QString::fromUtf8(data);
}

// A value as written after "=": a quoted string, dword:, hex:, hex(n):. A value that cannot be
// read leaves why with the reason.
std::optional<Value> parseValue(const QString &text, TextForm form, QString &why)
{
    why = QStringLiteral("値を読めません。");
    if (text.startsWith('"')) {
        int pos = 0;
        auto s = readQuoted(text, pos);
        if (!s || pos != text.size())
            return std::nullopt;
        return Value::fromString(*s);
    }
    if (text.startsWith(QLatin1String("dword:"))) {
        const QString digits = text.mid(6);
        bool ok = false;
        const uint v = digits.toUInt(&ok, 16);
        if (!ok || digits.size() != 8)
            return std::nullopt;
        return Value::fromDWord(v);
    }
    qsizetype colon = text.indexOf(':');
    if (!text.startsWith(QLatin1String("hex")) || colon < 0)
        return std::nullopt;
    const QString type = text.left(colon);
    auto bytes = parseHex(text.mid(colon + 1));
    if (!bytes)
        return std::nullopt;
    if (type == QLatin1String("hex") || type == QLatin1String("hex(3)"))
        return Value::fromBinary(*bytes);
    if (type == QLatin1String("hex(1)") || type == QLatin1String("hex(2)")) {
        QString s;
        if (form == TextForm::Unicode) {
            if (bytes->size() % 2)
                return std::nullopt;
            s = fromUtf16Bytes(*bytes);
        } else {
            // The stored terminator is not part of the text.
            while (bytes->endsWith('\0'))
                bytes->chop(1);
            s = decodeEightBit(*bytes);
        }
        return type == QLatin1String("hex(1)") ? Value::fromString(s) : Value::fromExpandString(s);
    }
    if (type == QLatin1String("hex(4)")) {
        if (bytes->size() != 4)
            return std::nullopt;
        const QByteArray &b = *bytes;
        return Value::fromDWord(uchar(b[0]) | uchar(b[1]) << 8 | uchar(b[2]) << 16
                                | quint32(uchar(b[3])) << 24);
    }
    why = QStringLiteral("この種類の値 (%1) は扱えません。").arg(type);
    return std::nullopt;
}

struct ParseResult
{
    Node root;
    // Each line that could not be read, as "n 行目: why"; the lines around it are read all
    // the same.
    QStringList problems;
};

ParseResult parse(const QByteArray &data)
{
    ParseResult result;
    if (data.isEmpty())
        return result;
    const QStringList rawLines = decodeFile(data).split('\n');
    auto problem = [&](int lineNo, const QString &why) {
        result.problems << QStringLiteral("%1 行目: %2").arg(lineNo).arg(why);
    };

    // Joins the "\" continuation lines of long hex values.
    std::vector<std::pair<int, QString>> lines;
    for (int i = 0; i < rawLines.size(); ++i) {
        QString line = rawLines[i];
        if (line.endsWith('\r'))
            line.chop(1);
        const int first = i + 1;
        while (line.endsWith('\\') && !line.startsWith('[') && i + 1 < rawLines.size()) {
            line.chop(1);
            QString next = rawLines[++i];
            if (next.endsWith('\r'))
                next.chop(1);
            line += next.trimmed();
        }
        lines.emplace_back(first, line);
    }

    TextForm form = TextForm::Unicode;
    Node *current = nullptr;
    // After a key line that could not be read (or one that deletes its key), the values up to
    // the next key line have nowhere to go; the key line alone is reported.
    bool skipValues = false;
    bool headerSeen = false, ours = false, endSeen = false, afterEndReported = false;
    bool contentSeen = false;
    for (const auto &[no, line] : lines) {
        const QString t = line.trimmed();
        if (!headerSeen) {
            if (t.isEmpty())
                continue;
            if (t == QLatin1String(kHeader)) {
                form = TextForm::Unicode;
            } else if (t == QLatin1String(kHeader4)) {
                form = TextForm::EightBit;
            } else {
                // Nothing of a file that is not in this form can be trusted.
                problem(no, QStringLiteral("設定ファイルの形式ではありません。"));
                return result;
            }
            headerSeen = true;
            continue;
        }
        if (t.isEmpty())
            continue;
        if (t.startsWith(';')) {
            if (t == QLatin1String(kEndMarker))
                endSeen = true;
            else if (!contentSeen && t.startsWith(QLatin1String(kOwnLine)))
                ours = true;
            continue;
        }
        contentSeen = true;
        if (endSeen && !afterEndReported) {
            problem(no, QStringLiteral("終端の後に余分な行があります。"));
            afterEndReported = true;
        }
        if (t.startsWith('[')) {
            current = nullptr;
            skipValues = true;
            if (!t.endsWith(']')) {
                problem(no, QStringLiteral("キーの行が閉じていません。"));
                continue;
            }
            QString path = t.mid(1, t.size() - 2);
            const bool deletion = path.startsWith('-');
            if (deletion)
                path.remove(0, 1);
            const QString rootPrefix = QLatin1String(kRootName);
            if (path.compare(rootPrefix, Qt::CaseInsensitive) == 0)
                path.clear();
            else if (path.startsWith(rootPrefix + '\\', Qt::CaseInsensitive))
                path = path.mid(rootPrefix.size() + 1);
            else {
                problem(no, QStringLiteral("HKEY_CURRENT_USER 以外のキーです。"));
                continue;
            }
            auto parts = splitPath(path);
            if (!parts) {
                problem(no, QStringLiteral("キーのパスが不正です。"));
                continue;
            }
            if (deletion) {
                applyChange(result.root, { Change::DeleteKey, *parts, {}, {} });
                continue;
            }
            current = &makeNode(result.root, *parts);
            skipValues = false;
            continue;
        }
        if (!current || current == &result.root) {
            if (!skipValues)
                problem(no, QStringLiteral("キーの外に値があります。"));
            continue;
        }
        QString name;
        int pos = 0;
        if (t.startsWith('@')) {
            pos = 1;
        } else {
            auto quoted = readQuoted(t, pos);
            if (!quoted) {
                problem(no, QStringLiteral("値の名前が閉じていません。"));
                continue;
            }
            name = *quoted;
        }
        if (pos >= t.size() || t[pos] != '=') {
            problem(no, QStringLiteral("値の行に \"=\" がありません。"));
            continue;
        }
        const QString valueText = t.mid(pos + 1);
        if (valueText == QLatin1String("-")) {
            current->values.erase(fold(name));
            continue;
        }
        QString why;
        auto value = parseValue(valueText, form, why);
        if (!value) {
            problem(no, why);
            continue;
        }
        current->values[fold(name)] = { name, *value };
    }
    if (!headerSeen)
        problem(1, QStringLiteral("設定ファイルの形式ではありません。"));
    else if (ours && !endSeen)
        // Only a file this store wrote is known to end with the marker; an export made
        // elsewhere is complete without it.
        problem(int(rawLines.size()), QStringLiteral("ファイルが途中で終わっています。"));
    return result;
}

// An exclusive advisory lock on "<file>.lock", held while the file is read back and replaced.
class FileLock
{
public:
    explicit FileLock(const QString &path)
    {
        m_fd = ::open(QFile::encodeName(path + ".lock").constData(), O_RDWR | O_CREAT | O_CLOEXEC,
                      0600);
        if (m_fd >= 0 && ::flock(m_fd, LOCK_EX) != 0) {
            ::close(m_fd);
            m_fd = -1;
        }
    }
    ~FileLock()
    {
        if (m_fd >= 0) {
            ::flock(m_fd, LOCK_UN);
            ::close(m_fd);
        }
    }
    bool ok() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

QString errnoText(int error = errno)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// Writes all of data to fd; false with errno set when the disk refuses.
bool writeFully(int fd, const QByteArray &data)
{
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.constData() + done, size_t(data.size() - done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += n;
    }
    return true;
}

void syncFolder(const QString &dir)
{
    const int dfd = ::open(QFile::encodeName(dir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
}

// The file a save replaces: the target of a symbolic link (followed through chains of links,
// also to a target that does not exist yet), else the file itself.
QString writeTarget(const QString &path)
{
    QString target = path;
    for (int depth = 0; depth < 40; ++depth) {
        const QFileInfo info(target);
        if (!info.isSymLink())
            break;
        target = info.symLinkTarget();
    }
    return target;
}

// Removes "<file>.tmp<pid>" files that a save killed half-way left behind. Only called under the
// lock, so no save that is still running owns one of them.
void removeLeftoverTemporaries(const QString &file)
{
    const QFileInfo info(file);
    const QString prefix = info.fileName() + QStringLiteral(".tmp");
    QDir dir(info.absolutePath());
    const QStringList names
        = dir.entryList({ prefix + '*' }, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : names) {
        const QStringView digits = QStringView(name).mid(prefix.size());
        bool numeric = !digits.isEmpty();
        for (QChar ch : digits)
            numeric = numeric && ch.isDigit();
        if (numeric)
            ::unlink(QFile::encodeName(dir.filePath(name)).constData());
    }
}

// "<folder>/QVR22-damaged-20261211-031422.reg" for ".../QVR22.reg", a name not yet taken.
QString damagedCopyName(const QString &path)
{
    const QFileInfo info(path);
    const QString stem = info.absolutePath() + '/' + info.completeBaseName()
        + QStringLiteral("-damaged-")
        + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    const QString suffix = info.suffix().isEmpty() ? QString() : '.' + info.suffix();
    QString name = stem + suffix;
    for (int n = 2; QFileInfo::exists(name) || QFileInfo(name).isSymLink(); ++n)
        name = stem + QStringLiteral("-%1").arg(n) + suffix;
    return name;
}

} // namespace settingsfile

using namespace settingsfile;

bool SettingsStore::isValidName(const QString &name)
{
    // A line break would end the line the name is written on, and the rest of the file would
    // be read as something else; a lone surrogate would come back as another character.
    if (!name.isValidUtf16())
        return false;
    for (QChar ch : name)
        if (ch.unicode() < 0x20 || ch.unicode() == 0x7f)
            return false;
    return true;
}

struct SettingsStore::Private
{
    QString path; // empty: no file, nothing is kept
    Node base; // as last read from the file
    Node current; // base with this process's changes applied
    std::vector<Change> changes;
    // What was wrong with the file when it was last read: it could not be read at all, or some
    // of its lines could not (damage). Empty when it read cleanly.
    QString unreadable;
    QString damage;
    // Where the damaged file is kept before a save first writes over it.
    QString damagedCopy;
    bool acknowledged = true;
    int batchDepth = 0;
    size_t batchStart = 0;

    struct FileRead
    {
        Node root;
        QByteArray bytes;
        QString unreadable;
        QString damage;
    };

    FileRead readFile() const
    {
        FileRead read;
        if (path.isEmpty())
            return read;
        // A missing file (or a link to one not made yet) is an empty store.
        struct stat st;
        if (::stat(QFile::encodeName(path).constData(), &st) != 0
            && (errno == ENOENT || errno == ENOTDIR))
            return read;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            read.unreadable = file.errorString();
            return read;
        }
        read.bytes = file.readAll();
        ParseResult parsed = parse(read.bytes);
        read.root = std::move(parsed.root);
        if (!parsed.problems.isEmpty()) {
            read.damage = parsed.problems.first();
            if (parsed.problems.size() > 1)
                read.damage += QStringLiteral(" ほか %1 か所").arg(parsed.problems.size() - 1);
        }
        return read;
    }

    // Takes what a read found wrong; new damage must be told before the file is written over.
    void takeProblems(const FileRead &read)
    {
        if (read.unreadable == unreadable && read.damage == damage)
            return;
        unreadable = read.unreadable;
        damage = read.damage;
        damagedCopy = damage.isEmpty() ? QString() : damagedCopyName(path);
        acknowledged = unreadable.isEmpty() && damage.isEmpty();
    }

    QString problemText() const
    {
        if (!unreadable.isEmpty())
            return QStringLiteral("設定ファイル %1 を読めません: %2\n設定は保存しません。")
                .arg(path, unreadable);
        if (!damage.isEmpty())
            return QStringLiteral(
                       "設定ファイル %1 に読めない所があります (%2)。読めた値を使います。\n"
                       "設定を保存する前に、元のファイルを %3 として残します。")
                .arg(path, damage, damagedCopy);
        return QString();
    }

    void load()
    {
        FileRead read = readFile();
        base = std::move(read.root);
        takeProblems(read);
        rebuildCurrent();
    }

    void rebuildCurrent()
    {
        current = base;
        for (const Change &c : changes)
            applyChange(current, c);
    }

    void record(Change c)
    {
        applyChange(current, c);
        changes.push_back(std::move(c));
    }

    // The damaged file, byte for byte, under a name of its own beside the settings file.
    void keepDamagedCopy(const QByteArray &bytes)
    {
        if (damagedCopy.isEmpty())
            damagedCopy = damagedCopyName(path);
        int fd = -1;
        for (int attempt = 0; attempt < 100; ++attempt) {
            fd = ::open(QFile::encodeName(damagedCopy).constData(),
                        O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
            if (fd >= 0 || errno != EEXIST)
                break;
            damagedCopy = damagedCopyName(path);
        }
        if (fd < 0)
            throw SaveError(
                QStringLiteral("壊れた設定ファイルの控え %1 を作れないため、保存しません: %2")
                    .arg(damagedCopy, errnoText())
                    .toStdString());
        const bool ok = writeFully(fd, bytes) && ::fsync(fd) == 0;
        const int error = errno;
        ::close(fd);
        if (!ok) {
            ::unlink(QFile::encodeName(damagedCopy).constData());
            throw SaveError(
                QStringLiteral("壊れた設定ファイルの控え %1 を作れないため、保存しません: %2")
                    .arg(damagedCopy, errnoText(error))
                    .toStdString());
        }
        syncFolder(QFileInfo(damagedCopy).absolutePath());
    }

    void writeAtomically(const QByteArray &data)
    {
        const QString target = writeTarget(path);
        const QFileInfo info(target);
        const QString dir = info.absolutePath();
        const bool ownFile = target == path;
        if (!QDir().mkpath(dir))
            throw SaveError(
                QStringLiteral("設定フォルダ %1 を作れません。").arg(dir).toStdString());
        // The store's own folder is private; a link's target stays as its owner keeps it, mode
        // included.
        mode_t mode = 0600;
        if (ownFile) {
            ::chmod(QFile::encodeName(dir).constData(), 0700);
        } else {
            struct stat st;
            if (::stat(QFile::encodeName(target).constData(), &st) == 0)
                mode = st.st_mode & 07777;
        }
        removeLeftoverTemporaries(target);
        const QByteArray tmp = QFile::encodeName(target + QStringLiteral(".tmp%1").arg(getpid()));
        const int fd = ::open(tmp.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (fd < 0)
            throw SaveError(
                QStringLiteral("設定ファイルを書けません: %1").arg(errnoText()).toStdString());
        bool ok = writeFully(fd, data) && ::fsync(fd) == 0 && ::fchmod(fd, mode) == 0;
        int error = errno;
        ::close(fd);
        if (ok && ::rename(tmp.constData(), QFile::encodeName(target).constData()) != 0) {
            ok = false;
            error = errno;
        }
        if (!ok) {
            ::unlink(tmp.constData());
            throw SaveError(QStringLiteral("設定ファイル %1 を保存できません: %2")
                                .arg(target, errnoText(error))
                                .toStdString());
        }
        syncFolder(dir);
    }
};

SettingsStore::SettingsStore(const QString &filePath)
    : d(std::make_unique<Private>())
{
    d->path = filePath;
    d->load();
}

SettingsStore::~SettingsStore() = default;

SettingsStore &SettingsStore::instance()
{
    static SettingsStore store(defaultPath());
    return store;
}

QString SettingsStore::defaultPath()
{
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty()) {
        // Without a home folder there is nowhere of the user's own to keep settings; the file
        // system's root is not such a place.
        const QString home = qEnvironmentVariable("HOME");
        if (home.isEmpty())
            return QString();
        base = home + QStringLiteral("/.config");
    }
    return base + QStringLiteral("/Quorlane/QVR22.reg");
}

QString SettingsStore::filePath() const
{
    return d->path;
}

bool SettingsStore::keepsNothing() const
{
    return d->path.isEmpty();
}

QString SettingsStore::loadError() const
{
    return d->problemText();
}

QString SettingsStore::damagedCopyPath() const
{
    return d->damage.isEmpty() ? QString() : d->damagedCopy;
}

void SettingsStore::acknowledgeLoadError()
{
    d->acknowledged = true;
}

bool SettingsStore::keyExists(const QString &key) const
{
    auto path = splitPath(key);
    return path && findNode(d->current, *path);
}

bool SettingsStore::createKey(const QString &key)
{
    auto path = splitPath(key);
    if (!path)
        return false;
    for (const QString &part : *path)
        if (!isValidName(part))
            return false;
    if (!findNode(d->current, *path))
        d->record({ Change::CreateKey, *path, {}, {} });
    return true;
}

bool SettingsStore::deleteKey(const QString &key)
{
    auto path = splitPath(key);
    if (!path || !findNode(d->current, *path))
        return false;
    d->record({ Change::DeleteKey, *path, {}, {} });
    return true;
}

QStringList SettingsStore::subkeyNames(const QString &key) const
{
    QStringList out;
    auto path = splitPath(key);
    if (const Node *node = path ? findNode(d->current, *path) : nullptr)
        for (const auto &[folded, child] : node->children)
            out << child.name;
    return out;
}

QStringList SettingsStore::valueNames(const QString &key) const
{
    QStringList out;
    auto path = splitPath(key);
    if (const Node *node = path ? findNode(d->current, *path) : nullptr)
        for (const auto &[folded, entry] : node->values)
            out << entry.first;
    return out;
}

std::optional<Value> SettingsStore::value(const QString &key, const QString &name) const
{
    auto path = splitPath(key);
    const Node *node = path ? findNode(d->current, *path) : nullptr;
    if (!node)
        return std::nullopt;
    auto it = node->values.find(fold(name));
    if (it == node->values.end())
        return std::nullopt;
    return it->second.second;
}

bool SettingsStore::setValue(const QString &key, const QString &name, const Value &value)
{
    auto path = splitPath(key);
    if (!path || path->isEmpty() || !isValidName(name) || !findNode(d->current, *path))
        return false;
    d->record({ Change::SetValue, *path, name, value });
    return true;
}

bool SettingsStore::deleteValue(const QString &key, const QString &name)
{
    auto path = splitPath(key);
    const Node *node = path ? findNode(d->current, *path) : nullptr;
    if (!node || !node->values.count(fold(name)))
        return false;
    d->record({ Change::DeleteValue, *path, name, {} });
    return true;
}

bool SettingsStore::hasPendingChanges() const
{
    return !d->changes.empty();
}

void SettingsStore::save()
{
    if (d->path.isEmpty()) {
        // Nowhere to keep them: the changes live in memory for this run.
        d->base = d->current;
        d->changes.clear();
        d->batchStart = 0;
        return;
    }
    if (!d->acknowledged)
        throw SaveError(d->problemText().toStdString());
    if (d->changes.empty())
        return;
    QDir().mkpath(QFileInfo(d->path).absolutePath());
    FileLock lock(d->path);
    if (!lock.ok())
        throw SaveError(QStringLiteral("設定ファイル %1 をロックできません: %2")
                            .arg(d->path, errnoText())
                            .toStdString());
    Private::FileRead fresh = d->readFile();
    // A file that cannot be read cannot be kept either, so it is never written over; damage
    // that the user has not been told of (another process may have caused it since the file
    // was loaded) is told first.
    d->takeProblems(fresh);
    if (!d->acknowledged || !d->unreadable.isEmpty())
        throw SaveError(d->problemText().toStdString());
    if (!fresh.damage.isEmpty())
        d->keepDamagedCopy(fresh.bytes);
    Node merged = std::move(fresh.root);
    for (const Change &c : d->changes)
        applyChange(merged, c);
    d->writeAtomically(serialise(merged));
    d->base = std::move(merged);
    d->changes.clear();
    d->batchStart = 0;
    d->damage.clear();
    d->rebuildCurrent();
}

void SettingsStore::discardPendingChanges()
{
    d->changes.clear();
    d->batchStart = 0;
    d->load();
}

void SettingsStore::beginBatch()
{
    if (d->batchDepth++ == 0)
        d->batchStart = d->changes.size();
}

void SettingsStore::endBatch()
{
    if (d->batchDepth > 0)
        --d->batchDepth;
}

bool SettingsStore::inBatch() const
{
    return d->batchDepth > 0;
}

int SettingsStore::batchDepth() const
{
    return d->batchDepth;
}

void SettingsStore::reload()
{
    Private::FileRead read = d->readFile();
    d->base = std::move(read.root);
    d->takeProblems(read);
    d->rebuildCurrent();
}

SettingsBatch::SettingsBatch(SettingsStore &store)
    : m_store(store)
{
    m_store.beginBatch();
}

void SettingsStore::abandonBatch()
{
    endBatch();
    if (inBatch())
        return;
    d->changes.resize(std::min(d->changes.size(), d->batchStart));
    d->batchStart = 0;
    d->rebuildCurrent();
}

SettingsBatch::~SettingsBatch()
{
    if (!m_done)
        m_store.abandonBatch();
}

void SettingsBatch::commit()
{
    m_done = true;
    if (m_store.inBatch() && m_store.batchDepth() > 1) {
        m_store.endBatch();
        return;
    }
    try {
        m_store.save();
    } catch (...) {
        // Nothing of a failed batch stays pending, so no later save writes half of it.
        m_store.abandonBatch();
        throw;
    }
    m_store.endBatch();
}

} // namespace reg
