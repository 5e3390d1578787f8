#pragma once

#include "qvdefform.h"
#include "tbldef.h"
#include "tbledit.h"

class QAction;
class QListWidget;
class QPlainTextEdit;
class QToolBar;
class QToolButton;
class TfraCross;
class TfraGrant;
class TfraStorage;
class TqvCheckBox;
class TqvListView;
class TqvStrEdit;
class TqvStringGrid;
class TqvTreeView;

// The table editor (object type 45): the table comment, the editable column grid (key, name,
// type, length, NOT NULL, default, comment; each loaded row remembers its column number, and
// the grid keeps a snapshot of its load so that the compile knows what changed) and the tree
// of constraints, indexes and triggers; the source page with the CREATE script; the storage
// page; the row-policy page; the privileges and dependency pages. Everything shown is read
// from the table's definition (tbldef.h) except what the frames read for themselves.
class TfrmTable : public TqvDefineForm
{
    Q_OBJECT
public:
    static const Kind TableKind;

    // Grid columns; row 0 holds the titles, the data rows follow, the last row is the empty
    // entry row that grows the grid when the user types into it.
    enum { colKey, colName, colType, colLength, colNotNull, colDefault, colComment, colCount };

    // The editor of table Schema.ObjectName on AOwner, or the open one brought forward
    // (nullptr then); an empty ObjectName opens a new table. Failures other than "already
    // open" are shown.
    static TfrmTable *Open(ConnectionWindow *AOwner, const QString &Schema,
                           const QString &ObjectName, TOpenMode OpenMode = omDefine);

    TfrmTable(ConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
              TOpenMode OpenMode, TSourceMode mode);

    TqvStrEdit *txtComment = nullptr;
    TqvStringGrid *grdColumn = nullptr;
    QToolBar *tolColumn = nullptr;
    QToolButton *btnColInsert = nullptr;
    QToolButton *btnColDelete = nullptr;
    QAction *actColUp = nullptr;
    QAction *actColDown = nullptr;
    TqvTreeView *lstConst = nullptr;

    QWidget *tabStorage = nullptr;
    TfraStorage *fraStorage = nullptr;

    QWidget *tabPolicy = nullptr;
    TqvCheckBox *chkPolicyEnable = nullptr;
    // One item per policy: its name, then "*" under each command it applies to (SELECT,
    // INSERT, UPDATE, DELETE), its roles, its USING and its WITH CHECK expression.
    TqvListView *lstPolicy = nullptr;
    QListWidget *lstRole = nullptr;
    QPlainTextEdit *txtSecurity = nullptr;
    QPlainTextEdit *txtWithCheck = nullptr;

    QWidget *tabGrant = nullptr;
    TfraGrant *fraGrant = nullptr;
    QWidget *tabCross = nullptr;
    TfraCross *fraCross = nullptr;

    const TTableDefinition &Definition() const { return m_def; }
    // The column number a grid row was loaded from; 0 for a row added since.
    int RowAttNum(int row) const;

    // The table as the controls now stand.
    TTableEdit CurrentEdit() const;
    // Whether the column grid differs from its snapshot at load.
    bool GridChanged() const;
    // Whether a compile must write the whole table again instead of ALTER statements: a new
    // table, a script run, the source page in use, a storage change that only a CREATE can
    // make, or column changes that ALTER cannot make (TableEditNeedsRecreate).
    bool IsCreate() const;
    // Puts text into the default cell of a grid row (the compile writes the defaults it
    // quoted back); the row's edited mark stays as it is.
    void SetDefaultCell(int row, const QString &text);

    void ChangedIsNew() override;
    void Compile(QObject *Sender) override;
    void GetSourceCreate(QStringList &Lines) override;

    // Column commands.
    void btnColInsertClick();
    void btnColDeleteClick();
    void actColUpExecute();
    void actColDownExecute();

    // Column grid handlers.
    void grdColumnSelectCell(int ACol, int ARow, bool &CanSelect);
    void grdColumnSetEditText(int ACol, int ARow, const QString &Value);
    void grdColumnGetPickListitems(int ACol, int ARow, QStringList &Items);
    void grdColumnEditButtonClick();

    void lstPolicySelectItem();
    // The comment column of the grid takes the width that the other columns leave.
    void FormResize();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void ShowData() override;
    QString GetDropStatement() const override;
    QList<QWidget *> PagesOfExisting() const override;
    bool DeleteAsksCascade() const override { return true; }

private:
    void setupUi();
    void setupColumnGrid(QWidget *parent);
    void setupPolicyPage();
    void ShowColumns();
    void ShowConst();
    void ShowPolicy();
    void UpdateColumnActions();
    void SetRowEditing(int ACol, int ARow);
    int EntryRow() const;
    void ClearRow(int row);

    TTableDefinition m_def;
    QStringList FDataType;
    bool m_dataTypeLoaded = false;
    bool m_loading = false;
};

// The CREATE script of the new table a window holds: the grid's columns and key, the comments
// and the storage frame's clauses; prefix goes before the table's quoted name.
QStringList NewTableCreateScript(const TfrmTable &window, const QString &prefix);

// The object list's entry to the table editor (object type 45).
TqvForm *OpenTableWindow(ConnectionWindow *owner, const QString &schema, const QString &name);
