#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>

class QComboBox;
class TqvForm;

namespace pg {
class Connection;
}

// One storage parameter of a relation as the catalog keeps it: the key and the value text
// exactly as stored ("autovacuum_vacuum_cost_delay" / "2.5").
struct TStorageOption
{
    QString Key;
    QString Value;
    bool operator==(const TStorageOption &) const = default;
};
using TStorageOptions = QList<TStorageOption>;

// The storage settings of one relation read from the catalog: its own reloptions, those of its
// TOAST table, and whether it is temporary (relpersistence 't') or unlogged ('u').
struct TRelationStorage
{
    bool Found = false;
    QChar Persistence;
    bool HasToast = false;
    TStorageOptions Options;
    TStorageOptions ToastOptions;
    bool IsTemporary() const { return Persistence == QLatin1Char('t'); }
};

// Splits a reloptions array element "key=value" at its first "=".
TStorageOption ParseStorageOption(const QString &element);
// Reads pg_class.reloptions of schema.name and of its TOAST table.
TRelationStorage LoadRelationStorage(pg::Connection &connection, const QString &Schema,
                                     const QString &ObjectName);
// The parents of schema.name, matched by the child's oid, each as quoted schema.table, in
// parent-name order.
QStringList LoadParentTables(pg::Connection &connection, const QString &Schema,
                             const QString &ObjectName);
// "WITH (", one line per option (relation first, then "TOAST." ones), ")"; nothing when both
// lists are empty.
QStringList StorageWithClause(const TStorageOptions &Options, const TStorageOptions &ToastOptions);
// The ALTER statements that turn the old options into the new ones: one SET (...) for added
// or changed values and one RESET (...) for removed ones, each followed by a ";" line. Head is
// e.g. "ALTER TABLE s.t".
QStringList StorageAlterSource(const QString &Head, const TStorageOptions &OldOptions,
                               const TStorageOptions &OldToast, const TStorageOptions &NewOptions,
                               const TStorageOptions &NewToast);

// The storage frame on the storage page of the definition windows. This build carries the
// tablespace part that the index editor uses: the tablespace box, its baseline and the
// TABLESPACE clause of a CREATE statement.
class TfraStorage : public QWidget
{
    Q_OBJECT
public:
    explicit TfraStorage(TqvForm *AOwner, QWidget *parent);

    QComboBox *cmbTBS = nullptr;

    void Init(const QString &Schema, const QString &ObjectName);
    void Save();
    bool IsTablespaceChanged() const;
    // Whether storage clauses are written at all: in script mode by the script option
    // Storage, on screen by the option ShowStorageSource.
    bool WritesStorage() const;
    // "TABLESPACE ts" when the box is not empty and storage is written.
    void GetSourceCreate(QStringList &Source) const;
    void Check() { }
    void ShowLocalPartInit() { }
    void cmbTBSDropDown();

private:
    TqvForm *FOwner;
    QString FSchema;
    QString FObjectName;
    QString m_savedTBS;
};
