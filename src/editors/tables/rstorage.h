#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QRadioButton;
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
// The options on one line, "fillfactor = 80, deduplicate_items = off", as an index's WITH
// clause inside a key or exclusion constraint holds them.
QString StorageOptionList(const TStorageOptions &Options);
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

    // Per-relation autovacuum parameters, for tables and materialized views. The enabled boxes
    // are three-state: partly checked = the parameter is not set.
    QCheckBox *chkAutoVacuum = nullptr;
    QGroupBox *grpAutoVacuum = nullptr;
    QGroupBox *rdoVacuumTarget = nullptr;
    QRadioButton *rdoTargetTable = nullptr;
    QRadioButton *rdoTargetToast = nullptr;
    QCheckBox *chkEnabled = nullptr;
    QCheckBox *chkToastEnabled = nullptr;
    // The nine numeric parameters in the order of AutovacuumKeys() from its second key.
    QList<QLineEdit *> RelationEdits;
    QList<QLineEdit *> ToastEdits;

    static const QStringList &AutovacuumKeys();

    void Init(const QString &Schema, const QString &ObjectName);
    // Loads the relation's and its TOAST table's parameters (table or materialized view).
    void ShowDefine();
    // The options the controls stand for: the loaded ones with the autovacuum parameters
    // replaced by the controls' values (other parameters kept as loaded).
    TStorageOptions CurrentOptions(bool Toast) const;
    bool IsChanged() const;
    // SET / RESET statements for the parameters changed since Save.
    void GetSourceAlterV(QStringList &Source) const;
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
    bool HasAutovacuum() const;
    void UpdateTarget();
    TqvForm *FOwner;
    TRelationStorage m_loaded;
    TStorageOptions m_savedOptions;
    TStorageOptions m_savedToast;
    QString FSchema;
    QString FObjectName;
    QString m_savedTBS;
};
