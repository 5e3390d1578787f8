#include "registryaccess.h"

#include <QtGlobal>

#include <cstring>
#include <utility>

namespace reg {

namespace {

RegistryAccess::SaveErrorReporter &saveErrorReporter()
{
    static RegistryAccess::SaveErrorReporter reporter;
    return reporter;
}

// The failure last reported: the window-size save of every window that closes while the
// settings cannot be written fails the same way, and one message says it.
QString &reportedSaveError()
{
    static QString text;
    return text;
}

QString joinKey(const QString &base, const QString &rel)
{
    QString r = rel;
    while (r.endsWith('\\'))
        r.chop(1);
    if (base.isEmpty())
        return r;
    if (r.isEmpty())
        return base;
    return base + '\\' + r;
}

QString kindName(ValueKind k)
{
    switch (k) {
    case ValueKind::DWord:
        return QStringLiteral("REG_DWORD");
    case ValueKind::Sz:
        return QStringLiteral("REG_SZ");
    case ValueKind::ExpandSz:
        return QStringLiteral("REG_EXPAND_SZ");
    case ValueKind::Binary:
        return QStringLiteral("REG_BINARY");
    case ValueKind::None:
        break;
    }
    return QStringLiteral("(なし)");
}

} // namespace

RegistryAccess::RegistryAccess(SettingsStore *store)
    : m_store(store ? store : &SettingsStore::instance())
{ }

RegistryAccess::~RegistryAccess()
{
    CloseKey();
}

void RegistryAccess::setRootKey(RootKey root)
{
    CloseKey();
    m_root = root;
}

QString RegistryAccess::resolve(const QString &key) const
{
    if (key.startsWith('\\'))
        return joinKey(QString(), key.mid(1));
    return joinKey(m_open ? m_current : QString(), key);
}

const SettingsStore *RegistryAccess::readStore() const
{
    return m_root == RootKey::CurrentUser ? m_store : nullptr;
}

bool RegistryAccess::OpenKey(const QString &key, bool canCreate)
{
    const QString path = resolve(key);
    if (m_root == RootKey::LocalMachine) {
        // Only the empty root exists there.
        if (!path.isEmpty())
            return false;
    } else if (!m_store->keyExists(path)) {
        if (!canCreate || !m_store->createKey(path))
            return false;
        m_dirty = true;
    }
    // Saves what was written under the previous key, and the key just created.
    flush();
    m_current = path;
    m_open = true;
    return true;
}

bool RegistryAccess::OpenKeyReadOnly(const QString &key)
{
    return OpenKey(key, false);
}

void RegistryAccess::CloseKey()
{
    flush();
    m_open = false;
    m_current.clear();
}

void RegistryAccess::flush()
{
    if (!m_dirty || m_store->inBatch())
        return;
    try {
        m_store->save();
        m_saveError.clear();
        m_dirty = false;
        reportedSaveError().clear();
    } catch (const SaveError &e) {
        m_saveError = QString::fromUtf8(e.what());
        if (m_saveError == reportedSaveError())
            return;
        reportedSaveError() = m_saveError;
        try {
            if (saveErrorReporter())
                saveErrorReporter()(m_saveError);
            else
                qWarning("%s", e.what());
        } catch (...) {
            // Closing a key (also from a destructor) goes on whatever the reporter does.
        }
    }
}

RegistryAccess::SaveErrorReporter RegistryAccess::setSaveErrorReporter(SaveErrorReporter reporter)
{
    reportedSaveError().clear();
    return std::exchange(saveErrorReporter(), std::move(reporter));
}

bool RegistryAccess::KeyExists(const QString &key) const
{
    const QString path = resolve(key);
    if (m_root == RootKey::LocalMachine)
        return path.isEmpty();
    return m_store->keyExists(path);
}

bool RegistryAccess::DeleteKey(const QString &key)
{
    if (m_root == RootKey::LocalMachine)
        return false;
    const QString path = resolve(key);
    if (path.isEmpty() || !m_store->deleteKey(path))
        return false;
    m_dirty = true;
    if (!m_open)
        flush();
    return true;
}

QStringList RegistryAccess::GetKeyNames() const
{
    const SettingsStore *s = readStore();
    return (s && m_open) ? s->subkeyNames(m_current) : QStringList();
}

QStringList RegistryAccess::GetValueNames() const
{
    const SettingsStore *s = readStore();
    return (s && m_open) ? s->valueNames(m_current) : QStringList();
}

std::optional<Value> RegistryAccess::ReadValue(const QString &name) const
{
    const SettingsStore *s = readStore();
    if (!s || !m_open)
        return std::nullopt;
    return s->value(m_current, name);
}

bool RegistryAccess::ValueExists(const QString &name) const
{
    return ReadValue(name).has_value();
}

bool RegistryAccess::DeleteValue(const QString &name)
{
    if (!m_open || m_root == RootKey::LocalMachine || !m_store->deleteValue(m_current, name))
        return false;
    m_dirty = true;
    return true;
}

ValueKind RegistryAccess::GetDataType(const QString &name) const
{
    auto v = ReadValue(name);
    return v ? v->kind : ValueKind::None;
}

int RegistryAccess::GetDataSize(const QString &name) const
{
    auto v = ReadValue(name);
    if (!v)
        return -1;
    switch (v->kind) {
    case ValueKind::DWord:
        return 4;
    case ValueKind::Sz:
    case ValueKind::ExpandSz:
        return int((v->text.size() + 1) * 2);
    case ValueKind::Binary:
        return int(v->bytes.size());
    case ValueKind::None:
        break;
    }
    return 0;
}

namespace {

[[noreturn]] void wrongKind(const QString &name, ValueKind want, const std::optional<Value> &v)
{
    if (!v)
        throw RegistryError(QStringLiteral("値 \"%1\" がありません。").arg(name).toStdString());
    throw RegistryError(QStringLiteral("値 \"%1\" は %2 ではなく %3 です。")
                            .arg(name, kindName(want), kindName(v->kind))
                            .toStdString());
}

} // namespace

bool RegistryAccess::ReadBool(const QString &name) const
{
    return ReadInteger(name) != 0;
}

qint32 RegistryAccess::ReadInteger(const QString &name) const
{
    auto v = ReadValue(name);
    if (!v || v->kind != ValueKind::DWord)
        wrongKind(name, ValueKind::DWord, v);
    return qint32(v->dword);
}

QString RegistryAccess::ReadString(const QString &name) const
{
    auto v = ReadValue(name);
    if (!v || (v->kind != ValueKind::Sz && v->kind != ValueKind::ExpandSz))
        wrongKind(name, ValueKind::Sz, v);
    // A stored string ends at its first NUL.
    const qsizetype nul = v->text.indexOf(QChar(0));
    return nul < 0 ? v->text : v->text.left(nul);
}

QByteArray RegistryAccess::ReadBinaryData(const QString &name) const
{
    auto v = ReadValue(name);
    if (!v || v->kind != ValueKind::Binary)
        wrongKind(name, ValueKind::Binary, v);
    return v->bytes;
}

double RegistryAccess::ReadFloat(const QString &name) const
{
    const QByteArray b = ReadBinaryData(name);
    if (b.size() != 8)
        throw RegistryError(QStringLiteral("値 \"%1\" の大きさが 8 バイトではありません。")
                                .arg(name)
                                .toStdString());
    double d;
    std::memcpy(&d, b.constData(), 8);
    return d;
}

qint64 RegistryAccess::ReadCurrency(const QString &name) const
{
    const QByteArray b = ReadBinaryData(name);
    if (b.size() != 8)
        throw RegistryError(QStringLiteral("値 \"%1\" の大きさが 8 バイトではありません。")
                                .arg(name)
                                .toStdString());
    qint64 c;
    std::memcpy(&c, b.constData(), 8);
    return c;
}

void RegistryAccess::requireWritableKey() const
{
    if (!m_open)
        throw RegistryError("キーが開かれていないため値を書き込めません。");
    if (m_root == RootKey::LocalMachine || m_current.isEmpty())
        throw RegistryError(
            QStringLiteral("キー \"%1\" には書き込めません。").arg(m_current).toStdString());
}

void RegistryAccess::WriteValue(const QString &name, const Value &value)
{
    requireWritableKey();
    if (!SettingsStore::isValidName(name))
        throw RegistryError(QStringLiteral("値の名前に改行などの制御文字は使えません: \"%1\"")
                                .arg(name)
                                .toStdString());
    if (!m_store->setValue(m_current, name, value))
        throw RegistryError(QStringLiteral("値 \"%1\" を書き込めません。").arg(name).toStdString());
    m_dirty = true;
}

void RegistryAccess::WriteBool(const QString &name, bool value)
{
    WriteValue(name, Value::fromDWord(value ? 1 : 0));
}

void RegistryAccess::WriteInteger(const QString &name, qint32 value)
{
    WriteValue(name, Value::fromDWord(quint32(value)));
}

void RegistryAccess::WriteString(const QString &name, const QString &value)
{
    WriteValue(name, Value::fromString(value));
}

void RegistryAccess::WriteExpandString(const QString &name, const QString &value)
{
    WriteValue(name, Value::fromExpandString(value));
}

void RegistryAccess::WriteFloat(const QString &name, double value)
{
    QByteArray b(8, '\0');
    std::memcpy(b.data(), &value, 8);
    WriteValue(name, Value::fromBinary(b));
}

void RegistryAccess::WriteCurrency(const QString &name, qint64 value)
{
    QByteArray b(8, '\0');
    std::memcpy(b.data(), &value, 8);
    WriteValue(name, Value::fromBinary(b));
}

void RegistryAccess::WriteBinaryData(const QString &name, const QByteArray &value)
{
    WriteValue(name, Value::fromBinary(value));
}

} // namespace reg
