#include "settingsstore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace reg {

namespace {

const char kHeader[] = "Windows Registry Editor Version 5.00";
const char kRootName[] = "HKEY_CURRENT_USER";
// Written as the last line: a file that lacks it was cut short.
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

bool plainPrintable(const QString &s)
{
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
    QString out = QLatin1String(kHeader) + QStringLiteral("\n\n");
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

std::optional<Value> parseValue(const QString &text)
{
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
    auto hexPart = [&](const QString &prefix) -> std::optional<QByteArray> {
        return parseHex(text.mid(prefix.size()));
    };
    if (text.startsWith(QLatin1String("hex:"))) {
        auto b = hexPart(QStringLiteral("hex:"));
        if (!b)
            return std::nullopt;
        return Value::fromBinary(*b);
    }
    if (text.startsWith(QLatin1String("hex(1):")) || text.startsWith(QLatin1String("hex(2):"))) {
        auto b = hexPart(QStringLiteral("hex(1):"));
        if (!b || b->size() % 2)
            return std::nullopt;
        const QString s = fromUtf16Bytes(*b);
        return text[4] == '1' ? Value::fromString(s) : Value::fromExpandString(s);
    }
    if (text.startsWith(QLatin1String("hex(4):"))) {
        auto b = hexPart(QStringLiteral("hex(4):"));
        if (!b || b->size() != 4)
            return std::nullopt;
        return Value::fromDWord(uchar((*b)[0]) | uchar((*b)[1]) << 8 | uchar((*b)[2]) << 16
                                | quint32(uchar((*b)[3])) << 24);
    }
    return std::nullopt;
}

struct ParseResult
{
    Node root;
    QString error; // empty when the whole file was valid
};

ParseResult parse(const QByteArray &data)
{
    ParseResult result;
    if (data.isEmpty())
        return result;
    QString text = QString::fromUtf8(data);
    if (text.startsWith(QChar(0xfeff)))
        text.remove(0, 1);
    const QStringList rawLines = text.split('\n');
    int lineNo = 0;
    auto fail = [&](const QString &why) {
        result.error = QStringLiteral("%1 行目: %2").arg(lineNo).arg(why);
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

    Node *current = nullptr;
    bool headerSeen = false, endSeen = false;
    for (const auto &[no, line] : lines) {
        lineNo = no;
        if (endSeen) {
            if (!line.trimmed().isEmpty()) {
                fail(QStringLiteral("終端の後に余分な行があります。"));
                return result;
            }
            continue;
        }
        if (!headerSeen) {
            if (line.trimmed().isEmpty())
                continue;
            if (line.trimmed() != QLatin1String(kHeader)) {
                fail(QStringLiteral("設定ファイルの形式ではありません。"));
                return result;
            }
            headerSeen = true;
            continue;
        }
        if (line == QLatin1String(kEndMarker)) {
            endSeen = true;
            continue;
        }
        const QString t = line.trimmed();
        if (t.isEmpty() || t.startsWith(';'))
            continue;
        if (t.startsWith('[')) {
            if (!t.endsWith(']')) {
                fail(QStringLiteral("キーの行が閉じていません。"));
                return result;
            }
            QString path = t.mid(1, t.size() - 2);
            const QString rootPrefix = QLatin1String(kRootName);
            if (path.compare(rootPrefix, Qt::CaseInsensitive) == 0)
                path.clear();
            else if (path.startsWith(rootPrefix + '\\', Qt::CaseInsensitive))
                path = path.mid(rootPrefix.size() + 1);
            else {
                fail(QStringLiteral("HKEY_CURRENT_USER 以外のキーです。"));
                return result;
            }
            auto parts = splitPath(path);
            if (!parts) {
                fail(QStringLiteral("キーのパスが不正です。"));
                return result;
            }
            current = &makeNode(result.root, *parts);
            continue;
        }
        if (!current || current == &result.root) {
            fail(QStringLiteral("キーの外に値があります。"));
            return result;
        }
        QString name;
        int pos = 0;
        if (t.startsWith('@')) {
            pos = 1;
        } else {
            auto quoted = readQuoted(t, pos);
            if (!quoted) {
                fail(QStringLiteral("値の名前が閉じていません。"));
                return result;
            }
            name = *quoted;
        }
        if (pos >= t.size() || t[pos] != '=') {
            fail(QStringLiteral("値の行に \"=\" がありません。"));
            return result;
        }
        auto value = parseValue(t.mid(pos + 1));
        if (!value) {
            fail(QStringLiteral("値を読めません。"));
            return result;
        }
        current->values[fold(name)] = {name, *value};
    }
    if (headerSeen && !endSeen) {
        lineNo = int(rawLines.size());
        fail(QStringLiteral("ファイルが途中で終わっています。"));
    } else if (!headerSeen) {
        fail(QStringLiteral("設定ファイルの形式ではありません。"));
    }
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

QString errnoText()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

struct SettingsStore::Private
{
    QString path;
    Node base;    // as last read from the file
    Node current; // base with this process's changes applied
    std::vector<Change> changes;
    QString loadError;
    bool loadErrorAcknowledged = true;
    int batchDepth = 0;
    size_t batchStart = 0;

    // Reads the file; a missing file is an empty store. Returns false when it cannot be read.
    bool readFile(Node &into, QString &error)
    {
        QFile file(path);
        if (!file.exists()) {
            into = Node();
            return true;
        }
        if (!file.open(QIODevice::ReadOnly)) {
            error = QStringLiteral("設定ファイル %1 を読めません: %2").arg(path, file.errorString());
            into = Node();
            return false;
        }
        ParseResult parsed = parse(file.readAll());
        into = std::move(parsed.root);
        if (!parsed.error.isEmpty()) {
            error = QStringLiteral("設定ファイル %1 が壊れています (%2)。読めた所までを使います。")
                        .arg(path, parsed.error);
            return false;
        }
        return true;
    }

    void load()
    {
        QString error;
        readFile(base, error);
        loadError = error;
        loadErrorAcknowledged = error.isEmpty();
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

    void writeAtomically(const QByteArray &data)
    {
        const QFileInfo info(path);
        const QString dir = info.absolutePath();
        if (!QDir().mkpath(dir))
            throw SaveError(QStringLiteral("設定フォルダ %1 を作れません。").arg(dir).toStdString());
        ::chmod(QFile::encodeName(dir).constData(), 0700);
        const QByteArray tmp = QFile::encodeName(path + QStringLiteral(".tmp%1").arg(getpid()));
        const int fd = ::open(tmp.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (fd < 0)
            throw SaveError(QStringLiteral("設定ファイルを書けません: %1").arg(errnoText()).toStdString());
        qsizetype done = 0;
        bool ok = true;
        while (done < data.size()) {
            const ssize_t n = ::write(fd, data.constData() + done, size_t(data.size() - done));
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                ok = false;
                break;
            }
            done += n;
        }
        const QString why = ok ? QString() : errnoText();
        if (ok && ::fsync(fd) != 0)
            ok = false;
        ::fchmod(fd, 0600);
        ::close(fd);
        if (!ok || ::rename(tmp.constData(), QFile::encodeName(path).constData()) != 0) {
            const QString reason = why.isEmpty() ? errnoText() : why;
            ::unlink(tmp.constData());
            throw SaveError(QStringLiteral("設定ファイル %1 を保存できません: %2")
                                .arg(path, reason)
                                .toStdString());
        }
        const int dfd = ::open(QFile::encodeName(dir).constData(), O_RDONLY | O_DIRECTORY);
        if (dfd >= 0) {
            ::fsync(dfd);
            ::close(dfd);
        }
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
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/Quorlane/QVR22.reg");
}

QString SettingsStore::filePath() const
{
    return d->path;
}

QString SettingsStore::loadError() const
{
    return d->loadError;
}

void SettingsStore::acknowledgeLoadError()
{
    d->loadErrorAcknowledged = true;
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
    if (!findNode(d->current, *path))
        d->record({Change::CreateKey, *path, {}, {}});
    return true;
}

bool SettingsStore::deleteKey(const QString &key)
{
    auto path = splitPath(key);
    if (!path || !findNode(d->current, *path))
        return false;
    d->record({Change::DeleteKey, *path, {}, {}});
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
    if (!path || path->isEmpty() || !findNode(d->current, *path))
        return false;
    d->record({Change::SetValue, *path, name, value});
    return true;
}

bool SettingsStore::deleteValue(const QString &key, const QString &name)
{
    auto path = splitPath(key);
    const Node *node = path ? findNode(d->current, *path) : nullptr;
    if (!node || !node->values.count(fold(name)))
        return false;
    d->record({Change::DeleteValue, *path, name, {}});
    return true;
}

bool SettingsStore::hasPendingChanges() const
{
    return !d->changes.empty();
}

void SettingsStore::save()
{
    if (!d->loadErrorAcknowledged)
        throw SaveError(d->loadError.toStdString());
    if (d->changes.empty())
        return;
    QDir().mkpath(QFileInfo(d->path).absolutePath());
    FileLock lock(d->path);
    if (!lock.ok())
        throw SaveError(QStringLiteral("設定ファイル %1 をロックできません: %2")
                            .arg(d->path, errnoText())
                            .toStdString());
    Node fresh;
    QString error;
    if (!d->readFile(fresh, error) && !(d->loadErrorAcknowledged && error == d->loadError)) {
        // A damaged file is not overwritten before the user has been told of that damage.
        d->loadError = error;
        d->loadErrorAcknowledged = false;
        throw SaveError(error.toStdString());
    }
    Node merged = fresh;
    for (const Change &c : d->changes)
        applyChange(merged, c);
    d->writeAtomically(serialise(merged));
    d->base = std::move(merged);
    d->changes.clear();
    d->batchStart = 0;
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
    QString error;
    d->readFile(d->base, error);
    if (!error.isEmpty()) {
        d->loadError = error;
        d->loadErrorAcknowledged = false;
    }
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
