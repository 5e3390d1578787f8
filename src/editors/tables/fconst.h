#pragma once

#include "constdef.h"
#include "qvdefform.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QStackedWidget;
class QTableWidget;
class QToolButton;
class TfraStorage;

// The constraint editor: one table constraint (object type 66), a primary key, unique key,
// foreign key, check or exclusion constraint, with its deferral, NOT VALID, NO INHERIT and
// comment. A changed comment alone is COMMENT ON, a changed tablespace alone moves the index;
// any other compile drops the constraint and adds it again, with its index's comment, CLUSTER
// ON and replica identity put back, in one transaction that is rolled back when any statement
// fails.
class TfrmConst : public TqvDefineForm
{
    Q_OBJECT
public:
    static const Kind ConstKind;

    // The editor of constraint Schema.TableName.ObjectName on AOwner (a new constraint of
    // TableName when ObjectName is empty), or the open one brought forward (nullptr then). An
    // empty TableName is looked up by the constraint's name. Failures are shown.
    static TfrmConst *Open(ConnectionWindow *AOwner, const QString &Schema,
                           const QString &ObjectName, const QString &TableName = QString());
    // The CREATE script of the constraint, built from the catalog without any window; throws
    // when the constraint cannot be read.
    static QStringList GetScript(ConnectionWindow *AOwner, const QString &Schema,
                                 const QString &ObjectName, const QString &TableName);
    // For a table's CREATE TABLE script whose last line ends in "USING INDEX ": appends the
    // TABLESPACE part of a primary or unique key's storage to that line; S stays as it is for
    // other constraints or when storage is not written.
    static void GetStorageScript(ConnectionWindow *AOwner, TSourceMode mode, const QString &Schema,
                                 const QString &ObjectName, const QString &TblName, QStringList &S);

    TfrmConst(ConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
              const QString &TableName, TSourceMode mode);

    QComboBox *cmbTableName = nullptr;
    QWidget *pnlObj = nullptr;
    QComboBox *cmbConstType = nullptr;
    QStackedWidget *pagType = nullptr;
    QWidget *tabPrimary = nullptr;
    QWidget *tabUnique = nullptr;
    QWidget *tabForeign = nullptr;
    QWidget *tabCheck = nullptr;
    QWidget *tabExclude = nullptr;
    QWidget *pnlIndex = nullptr;
    QListWidget *lstIdxCol = nullptr;
    QListWidget *lstTabCol = nullptr;
    QToolButton *btnInsAll = nullptr;
    QToolButton *btnIns = nullptr;
    QToolButton *btnDel = nullptr;
    QToolButton *btnDelAll = nullptr;
    QLineEdit *txtInclude = nullptr;
    QComboBox *cmbRefSchema = nullptr;
    QComboBox *cmbRefTable = nullptr;
    QComboBox *cmbRefIndex = nullptr;
    QGroupBox *rdoUpdateAction = nullptr;
    QGroupBox *rdoDeleteAction = nullptr;
    QCheckBox *chkMatchFull = nullptr;
    QTableWidget *grdForeign = nullptr;
    QPlainTextEdit *txtCheck = nullptr;
    QCheckBox *chkNoInherit = nullptr;
    QWidget *pnlExclude = nullptr;
    QComboBox *cmbAccessMethod = nullptr;
    QTableWidget *grdExclude = nullptr;
    QToolButton *btnGridIns = nullptr;
    QToolButton *btnGridDel = nullptr;
    QLineEdit *txtExcludeInclude = nullptr;
    QLineEdit *txtWhere = nullptr;
    QCheckBox *chkDeferrable = nullptr;
    QCheckBox *chkInitiallyDeferred = nullptr;
    QCheckBox *chkNotValid = nullptr;
    QLineEdit *txtComment = nullptr;
    QWidget *tabStorage = nullptr;
    TfraStorage *fraStorage = nullptr;

    void ChangedIsNew() override;
    void Compile(QObject *Sender) override;
    void GetSourceCreate(QStringList &Lines) override;

    // The constraint as the controls now describe it, and as it was loaded.
    TConstraintDefinition Current() const;
    const TConstraintDefinition &Loaded() const { return m_loaded; }
    // The statements a compile runs.
    QStringList GetChangeScript() const;

    void cmbConstTypeChange();
    void ShowTableColumns();
    void btnInsAllClick();
    void btnInsClick();
    void btnDelClick();
    void btnDelAllClick();
    void cmbRefSchemaDropDown();
    void cmbRefTableDropDown();
    void cmbRefIndexDropDown();
    // Fills the referenced columns of grdForeign from the index cmbRefIndex.
    void cmbRefIndexExit();
    void cmbAccessMethodDropDown();
    void btnGridInsClick();
    void btnGridDelClick();

protected:
    void ShowData() override;
    QString GetDropStatement() const override;
    QList<QWidget *> PagesOfExisting() const override { return {}; }

private:
    void setupUi();
    void setupKeyPage();
    void setupForeignPage();
    void setupExcludePage();
    QChar selectedType() const;
    void selectType(QChar type);
    void setForeignRows(const QStringList &refColumns, const QStringList &columns);
    void setExcludeRows(const QList<TExcludeElement> &elements);
    QComboBox *foreignColumnBox(int row) const;
    TConstraintScriptOptions scriptOptions() const;

    QString FTableName;
    TConstraintDefinition m_read; // as the catalog gave it
    TConstraintDefinition m_loaded; // as the controls showed it after the load
    QButtonGroup *m_update = nullptr;
    QButtonGroup *m_delete = nullptr;
    QString m_columnsOf; // schema "." table whose columns lstTabCol holds
};

// The object list's entry to the constraint editor (object type 66).
TqvForm *OpenConstraintWindow(ConnectionWindow *owner, const QString &schema, const QString &name,
                              const QString &table);
