#pragma once

#include "settingsstore.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <stdexcept>

// Registry-style access to the settings store: one root, one current key opened with an absolute
// path ("\Software\...") or a path relative to the current key, typed reads and writes of that
// key's values. Reads of a value that is missing or of another kind throw RegistryError, as do
// writes with no key open; the system's readers with defaults sit on top of this (TqvRegistry).
//
// The user's root is backed by the settings store; the local-machine root exists only as an
// empty, read-only root. Writes are saved when the key is closed (or another is opened), unless
// a batch of the store is open. A save that fails there is handed to the save-error reporter
// (the program shows it to the user), once for each failure until a save succeeds again; the
// changes stay pending for the next save.
namespace reg {

enum class RootKey { CurrentUser, LocalMachine };

class RegistryError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

class RegistryAccess
{
public:
    explicit RegistryAccess(SettingsStore *store = nullptr); // nullptr: SettingsStore::instance()
    virtual ~RegistryAccess();
    RegistryAccess(const RegistryAccess &) = delete;
    RegistryAccess &operator=(const RegistryAccess &) = delete;

    RootKey rootKey() const { return m_root; }
    void setRootKey(RootKey root);
    SettingsStore *store() const { return m_store; }

    // A successful OpenKey releases the key that was open before. False when the key does not
    // exist and may not be created, or cannot be created (local-machine root).
    bool OpenKey(const QString &key, bool canCreate);
    bool OpenKeyReadOnly(const QString &key);
    // Saves pending writes (outside a batch); a failed save is reported (see above), kept for
    // lastSaveError(), and the changes stay pending for the next save.
    void CloseKey();
    QString CurrentPath() const { return m_current; }
    bool hasCurrentKey() const { return m_open; }
    QString lastSaveError() const { return m_saveError; }

    // Receives the message of a failed save; without one the message goes to the log (stderr).
    // Returns the reporter it replaces.
    using SaveErrorReporter = std::function<void(const QString &message)>;
    static SaveErrorReporter setSaveErrorReporter(SaveErrorReporter reporter);

    bool KeyExists(const QString &key) const;
    bool DeleteKey(const QString &key);
    QStringList GetKeyNames() const;
    QStringList GetValueNames() const;
    bool ValueExists(const QString &name) const;
    bool DeleteValue(const QString &name);
    ValueKind GetDataType(const QString &name) const; // None when missing
    int GetDataSize(const QString &name) const; // bytes as the platform counts them; -1 missing

    bool ReadBool(const QString &name) const;
    qint32 ReadInteger(const QString &name) const;
    QString ReadString(const QString &name) const; // Sz or ExpandSz, unexpanded
    double ReadFloat(const QString &name) const; // 8-byte binary
    qint64 ReadCurrency(const QString &name) const;
    QByteArray ReadBinaryData(const QString &name) const;
    std::optional<Value> ReadValue(const QString &name) const;

    void WriteBool(const QString &name, bool value);
    void WriteInteger(const QString &name, qint32 value);
    void WriteString(const QString &name, const QString &value);
    void WriteExpandString(const QString &name, const QString &value);
    void WriteFloat(const QString &name, double value);
    void WriteDateTime(const QString &name, double value) { WriteFloat(name, value); }
    void WriteCurrency(const QString &name, qint64 value);
    void WriteBinaryData(const QString &name, const QByteArray &value);
    // Throws RegistryError when no writable key is open or name holds a control character.
    void WriteValue(const QString &name, const Value &value);

private:
    QString resolve(const QString &key) const;
    const SettingsStore *readStore() const;
    void requireWritableKey() const;
    void flush();

    SettingsStore *m_store;
    RootKey m_root = RootKey::CurrentUser;
    QString m_current;
    bool m_open = false;
    bool m_dirty = false;
    QString m_saveError;
};

} // namespace reg
