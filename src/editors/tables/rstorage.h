#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QStackedWidget;
class QToolButton;
class TqvCheckBox;
class TqvComboBox;
class TqvForm;
class TqvRadioButton;
class TqvStringGrid;

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

// While one lives, the storage frames write their clauses as a window on the screen does,
// also those of editors built only for their script: the table editor holds one while it
// compiles and while its script takes in the scripts of its indexes and constraints, which
// then keep their storage clauses whatever the script options say. The flag it sets
// (AppOption.flgCallFromTbl) goes back to its former value with the guard.
class TStorageAsShown
{
public:
    TStorageAsShown();
    ~TStorageAsShown();
    TStorageAsShown(const TStorageAsShown &) = delete;
    TStorageAsShown &operator=(const TStorageAsShown &) = delete;

private:
    bool m_previous;
};

// The storage frame on the storage page of the table (45), index (46), materialized view (61)
// and constraint (66) editors: the storage type of a table (standard, inheritance child,
// temporary) and whether it is logged, its parent tables, ON COMMIT of a new temporary table,
// the autovacuum parameters of a table or materialized view and of its TOAST table, and the
// tablespace. It reads the catalog for its own parts, keeps a baseline of every control (Save),
// and writes text only: the storage clauses of a CREATE statement and the ALTER statements
// for what changed, which the host runs through its compile.
//
// Per object: Init (names and the lists for the host's kind), the host writes the tablespace
// into cmbTBS, ShowDefine for an existing object, Save; then at compile time IsCreate,
// IsChanged and the GetSource... writers.
class TfraStorage : public QWidget
{
    Q_OBJECT
public:
    enum TStorageType { ptNormal, ptPartition, ptTemp };

    explicit TfraStorage(TqvForm *AOwner, QWidget *parent);

    // Top panel: the storage type of a table and whether it is logged.
    QWidget *pnlStorageType = nullptr;
    QLabel *lblStorageType = nullptr;
    TqvComboBox *cmbStorageType = nullptr;
    TqvCheckBox *chkLog = nullptr;
    // The pages, switched by the storage type: tablespace and autovacuum, parents, ON COMMIT.
    QStackedWidget *pagStorage = nullptr;
    QWidget *tabDefault = nullptr;
    QWidget *tabPartition = nullptr;
    QWidget *tabTemporary = nullptr;

    TqvComboBox *cmbTBS = nullptr;

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

    // Parent tables, one per row from row 1 as schema.table text (names quoted as needed),
    // always ending with one empty row. Each row's object slot holds the position of the
    // parent it was loaded with (1, 2, ...), 0 for a row the user added.
    QToolButton *btnPartIns = nullptr;
    QToolButton *btnPartDel = nullptr;
    TqvStringGrid *grdPartition = nullptr;

    // What happens to a temporary table's rows at commit; offered for a new table only, since
    // an existing table keeps the choice it was created with.
    QGroupBox *grpOnCommit = nullptr;
    TqvRadioButton *rdoTransaction = nullptr; // ON COMMIT DELETE ROWS
    TqvRadioButton *rdoSession = nullptr; // ON COMMIT PRESERVE ROWS

    static const QStringList &AutovacuumKeys();

    // The host's code after the first Init; -1 before.
    int ObjType() const { return FObjType; }
    bool IsInit = false;
    // The storage type the combo shows: "継承" inheritance, "一時表" temporary, else standard.
    TStorageType StorageType() const;

    // Records the object and prepares the lists for the host's kind: a new table offers
    // "標準", "一時表", "継承" and is logged; an existing one "標準", "継承", or "一時表" alone
    // when it is temporary (its relpersistence, as loaded). For a table every call does this
    // again; for the other kinds only the first.
    void Init(const QString &Schema, const QString &ObjectName);
    // Loads persistence, autovacuum parameters and parent tables of an existing object and
    // selects its storage type. Database errors reach the caller.
    void ShowDefine();
    // The storage type was picked: its page, and which controls it offers.
    void cmbStorageTypeChange();
    // The options the controls stand for: the loaded ones with the autovacuum parameters
    // replaced by the controls' values (other parameters kept as loaded).
    TStorageOptions CurrentOptions(bool Toast) const;
    // Whether the autovacuum parameters changed since Save; the overload answers for the
    // standard storage type only.
    bool IsChanged() const;
    bool IsChanged(TStorageType Mode) const { return Mode == ptNormal && IsChanged(); }
    // Whether a change can only be applied by re-creating the table: ON COMMIT, or the logged
    // box on a server before 9.5. A tablespace change is an ALTER (GetSourceAlterT).
    bool IsCreate() const;
    void Save();
    bool IsTablespaceChanged() const;
    // Whether the placement clauses (WITH, TABLESPACE) are written: in a script by the script
    // option Storage, on the screen (or under TStorageAsShown) by the option ShowStorageSource.
    bool WritesStorage() const;
    // The clauses of a CREATE statement, one per line, in the order INHERITS, WITH, ON COMMIT,
    // TABLESPACE. INHERITS and ON COMMIT are part of what the table is and are always written;
    // WITH and TABLESPACE as WritesStorage says.
    void GetSourceCreate(QStringList &Source) const;
    // "SET LOGGED" or "SET UNLOGGED" when the logged box changed (server 9.5 or later, not a
    // temporary table); the host puts it into its ALTER TABLE statement.
    void GetSourceAlterN(QStringList &Source) const;
    // ALTER TABLE ... INHERIT / NO INHERIT statements for the changed parent rows, each
    // followed by a ";" line: INHERIT for added rows, then NO INHERIT and INHERIT for edited
    // rows, then NO INHERIT for parents whose row was emptied or deleted.
    void GetSourceAlterP(QStringList &Source) const;
    // SET / RESET statements for the autovacuum parameters changed since Save.
    void GetSourceAlterV(QStringList &Source) const;
    // ALTER TABLE (or MATERIALIZED VIEW) ... SET TABLESPACE when the tablespace changed.
    void GetSourceAlterT(QStringList &Source) const;
    void Check() { }
    void ShowLocalPartInit() { }

    void cmbTBSDropDown();
    void btnPartInsClick();
    void btnPartDelClick();
    void grdPartitionGetPickListitems(int Col, int Row, QStringList &Items);

private:
    void setupUi();
    QWidget *setupDefaultPage();
    QWidget *setupPartitionPage();
    QWidget *setupTemporaryPage();
    bool IsTable() const;
    bool HasAutovacuum() const;
    bool AsShown() const;
    QString ObjectText() const;
    // The storage types an existing table offers: "一時表" alone for a temporary one.
    QStringList ExistingTableTypes() const;
    void SetStorageTypes(const QStringList &names);
    void UpdateTarget();
    void ShowParents();

    TqvForm *FOwner;
    int FObjType = -1;
    TRelationStorage m_loaded;
    QString m_loadedName; // schema "." name that m_loaded belongs to
    QStringList m_parents; // the loaded parents as quoted schema.table, by position - 1
    TStorageOptions m_savedOptions;
    TStorageOptions m_savedToast;
    QString FSchema;
    QString FObjectName;
    QString m_savedTBS;
};
