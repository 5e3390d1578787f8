#pragma once

#include "qvdefform.h"
#include "tbldef.h"
#include "tbledit.h"

class QLineEdit;
class QTableWidget;
class QTreeWidget;

// The table editor (object type 45): the table comment, the column grid (key, name, type,
// length, NOT NULL, default, comment; each loaded row remembers its column number) and the
// tree of constraints, indexes and triggers, read from the table's definition, and the source
// page with the CREATE script. This build shows the table; changes are not compiled yet.
class TfrmTable : public TqvDefineForm
{
    Q_OBJECT
public:
    static const Kind TableKind;

    // Grid columns.
    enum { colKey, colName, colType, colLength, colNotNull, colDefault, colComment, colCount };

    // The editor of table Schema.ObjectName on AOwner, or the open one brought forward
    // (nullptr then). Failures other than "already open" are shown.
    static TfrmTable *Open(ConnectionWindow *AOwner, const QString &Schema,
                           const QString &ObjectName, TOpenMode OpenMode = omDefine);

    TfrmTable(ConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
              TOpenMode OpenMode, TSourceMode mode);

    QLineEdit *txtComment = nullptr;
    QTableWidget *grdColumn = nullptr;
    QTreeWidget *lstConst = nullptr;

    const TTableDefinition &Definition() const { return m_def; }
    // The column number a grid row was loaded from; 0 for a row added since.
    int RowAttNum(int row) const;

    // The table as the controls now stand.
    TTableEdit CurrentEdit() const;

    void Compile(QObject *Sender) override;
    void GetSourceCreate(QStringList &Lines) override;

protected:
    void ShowData() override;
    QString GetDropStatement() const override;
    bool DeleteRefreshesLists() const override { return false; }

private:
    void setupUi();
    void ShowConst();

    TTableDefinition m_def;
};

// The object list's entry to the table editor (object type 45).
TqvForm *OpenTableWindow(ConnectionWindow *owner, const QString &schema, const QString &name);
