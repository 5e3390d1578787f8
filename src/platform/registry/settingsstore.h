#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <stdexcept>

// The user's settings: a tree of keys holding typed values, kept in one text file in the
// ".reg" export format ($XDG_CONFIG_HOME/Quorlane/QVR22.reg, mode 0600).
//
// Key paths are relative to the user's root and separated by "\" ("Software\Quorlane\QVR22\GUI");
// a leading "\" is allowed. Key and value names compare without regard to case and keep the case
// they were created with; subkeys and values enumerate in a stable (case-folded, sorted) order.
// Names hold no control characters (line breaks, tabs ...): such a name is refused.
//
// Changes are made in memory and recorded; save() re-reads the file under an advisory lock,
// applies only this process's recorded changes to what is on disk now, and replaces the file
// atomically (temporary file, flush, rename). Two processes that save different keys therefore
// both keep their changes, and a crash never leaves half a file. A file that is a symbolic link
// is replaced at the link's target, which keeps its mode.
//
// Besides the store's own files it reads the exports of the registry editor: UTF-16 with a
// byte-order mark or UTF-8, "Windows Registry Editor Version 5.00" or "REGEDIT4".
//
// A line that cannot be read is skipped and the rest of the file read; loadError() says what was
// wrong. The file is not written over until acknowledgeLoadError() says the user has been told,
// and the first save over it keeps the damaged file beside it (damagedCopyPath()). A file that
// cannot be read at all is never written over.
//
// With an empty path the store keeps nothing: saves succeed and write nothing.
namespace reg {

enum class ValueKind { None = 0, Sz = 1, ExpandSz = 2, Binary = 3, DWord = 4 };

struct Value
{
    ValueKind kind = ValueKind::None;
    quint32 dword = 0; // DWord
    QString text; // Sz, ExpandSz
    QByteArray bytes; // Binary

    static Value fromDWord(quint32 v) { return { ValueKind::DWord, v, {}, {} }; }
    static Value fromString(const QString &s) { return { ValueKind::Sz, 0, s, {} }; }
    static Value fromExpandString(const QString &s) { return { ValueKind::ExpandSz, 0, s, {} }; }
    static Value fromBinary(const QByteArray &b) { return { ValueKind::Binary, 0, {}, b }; }
    bool operator==(const Value &o) const
    {
        return kind == o.kind && dword == o.dword && text == o.text && bytes == o.bytes;
    }
};

class SaveError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

class SettingsStore
{
public:
    explicit SettingsStore(const QString &filePath);
    ~SettingsStore();
    SettingsStore(const SettingsStore &) = delete;
    SettingsStore &operator=(const SettingsStore &) = delete;

    // The process's store at defaultPath(), loaded on first use.
    static SettingsStore &instance();
    // $XDG_CONFIG_HOME/Quorlane/QVR22.reg, ~/.config when XDG_CONFIG_HOME is unset; empty
    // when neither XDG_CONFIG_HOME nor HOME is set.
    static QString defaultPath();
    // False for a name holding a control character.
    static bool isValidName(const QString &name);

    QString filePath() const;
    // True when the store has no file (an empty path).
    bool keepsNothing() const;

    // The message for the user when the file could not be read cleanly; empty when it read
    // cleanly (or did not exist). Cleared by the first save that writes over the damage.
    QString loadError() const;
    // Where the damaged file is (or will be) kept; empty while the file is not damaged.
    QString damagedCopyPath() const;
    void acknowledgeLoadError();

    bool keyExists(const QString &key) const;
    // Creates the key and its missing parents; false for an invalid path or name.
    bool createKey(const QString &key);
    // Deletes the key with everything below it; false when it did not exist.
    bool deleteKey(const QString &key);
    QStringList subkeyNames(const QString &key) const;
    QStringList valueNames(const QString &key) const;

    std::optional<Value> value(const QString &key, const QString &name) const;
    // The key must exist; false when it does not, or when name is not a valid name.
    bool setValue(const QString &key, const QString &name, const Value &value);
    bool deleteValue(const QString &key, const QString &name);

    bool hasPendingChanges() const;
    // Writes the recorded changes as described above; throws SaveError (nothing written) when the
    // file cannot be locked, read back or replaced, when the damaged file cannot be kept, or when
    // an unacknowledged load error stands.
    void save();
    // Forgets the recorded changes and reads the file again.
    void discardPendingChanges();

    // While a batch is open, RegistryAccess does not save when a key is closed; the batch's
    // commit() saves everything at once, so a group of writes reaches the file whole or not at
    // all. Batches nest; only the outermost commit saves.
    void beginBatch();
    void endBatch();
    // Ends the batch; when it was the outermost, drops every change made since it began.
    void abandonBatch();
    bool inBatch() const;
    int batchDepth() const;

    // Re-reads the file, keeping this process's recorded changes on top.
    void reload();

private:
    struct Private;
    std::unique_ptr<Private> d;
};

// Opens a batch on construction; commit() saves (throwing SaveError, with the batch's changes
// dropped, when the save fails); destruction without commit() drops every change made since the
// batch began.
class SettingsBatch
{
public:
    explicit SettingsBatch(SettingsStore &store);
    ~SettingsBatch();
    void commit();

private:
    SettingsStore &m_store;
    bool m_done = false;
};

} // namespace reg
