#pragma once

#include "idxdef.h"
#include "qvdefform.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QRadioButton;
class QStackedWidget;
class TfraStorage;

// The index editor: one index (object type 46) with its table, kind (columns or expressions),
// uniqueness, access method, keys, INCLUDE columns, storage parameters, predicate and
// tablespace. A tablespace change alone is an ALTER INDEX; any other change drops and
// re-creates the index, puts back its comment, CLUSTER ON and replica identity, and runs
// all-or-nothing.
class TfrmIndex : public TqvDefineForm
{
    Q_OBJECT
public:
    static const Kind IndexKind;

    // The editor of index Schema.ObjectName on AOwner (a new index when ObjectName is empty,
    // for TableName when given), or the open one brought forward (nullptr then). Failures
    // other than "already open" are shown.
    static TfrmIndex *Open(ConnectionWindow *AOwner, const QString &Schema,
                           const QString &ObjectName, TOpenMode OpenMode = omDefine,
                           const QString &TableName = QString());
    // The CREATE script of the index without a window on the screen; throws when the index
    // cannot be read.
    static QStringList GetScript(ConnectionWindow *AOwner, const QString &Schema,
                                 const QString &ObjectName);

    TfrmIndex(ConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
              TOpenMode OpenMode, const QString &TableName, TSourceMode mode);

    QComboBox *cmbIndexType = nullptr;
    QCheckBox *chkUnique = nullptr;
    QRadioButton *rdoBtree = nullptr;
    QRadioButton *rdoHash = nullptr;
    QRadioButton *rdoBrin = nullptr;
    QRadioButton *rdoGin = nullptr;
    QRadioButton *rdoGist = nullptr;
    QRadioButton *rdoSpgist = nullptr;
    QComboBox *cmbTableOwner = nullptr;
    TqvComboBox *cmbTableName = nullptr;
    QStackedWidget *pagIndexType = nullptr;
    QListWidget *lstIdxCol = nullptr;
    QListWidget *lstTabCol = nullptr;
    QPlainTextEdit *txtFunc = nullptr;
    QLineEdit *txtInclude = nullptr;
    QLineEdit *txtWith = nullptr;
    QLineEdit *txtWhere = nullptr;
    QWidget *tabStorage = nullptr;
    TfraStorage *fraStorage = nullptr;

    void Compile(QObject *Sender) override;
    void GetSourceCreate(QStringList &Lines) override;

    // The index as the controls now describe it, and as it was loaded.
    TIndexDefinition Current() const;
    const TIndexDefinition &Loaded() const { return m_loaded; }
    // The comment, CLUSTER ON and replica identity read with the index, which a re-creation
    // puts back.
    const TIndexAttachments &Attachments() const { return m_kept; }
    // The statements a compile runs from the definition or storage page.
    QStringList GetChangeScript() const;

    void ShowTableColumns();
    void btnInsClick();
    void btnDelClick();
    void cmbTableNameDropDown();

protected:
    void ShowData() override;
    QString GetDropStatement() const override;
    QList<QWidget *> PagesOfExisting() const override { return { tabSource, tabStorage }; }

private:
    void setupUi();
    void setMethod(const QString &method);
    QString method() const;
    TIndexScriptOptions scriptOptions() const;

    QString FTableName;
    TIndexDefinition m_loaded;
    TIndexAttachments m_kept;
    QString m_methodOther; // an access method without a button of its own
    QString m_columnsOf; // schema "." table whose columns lstTabCol holds
};

// The object list's entry to the index editor (object type 46).
TqvForm *OpenIndexWindow(ConnectionWindow *owner, const QString &schema, const QString &name);
