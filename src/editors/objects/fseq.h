#pragma once

#include "seqdef.h"

#include "editors/tables/qvdefform.h"

class QLabel;
class QPushButton;
class TfraCross;
class TfraGrant;
class TqvCheckBox;
class TqvNumEdit;

// The sequence editor (object type 58): last value, range, increment, cycle, cache and the
// owning column of one sequence, with its source, privileges and dependencies. A change of the
// last value is a setval in the compile's transaction, so the sequence keeps its privileges,
// comment and the column defaults that use it; only a compile from the source page drops and
// creates it again.
class TfrmSeq : public TqvDefineForm
{
    Q_OBJECT
public:
    static const Kind SeqKind;

    // The editor of sequence Schema.ObjectName on AOwner (a new sequence when ObjectName is
    // empty), or nullptr when the open one was brought forward or the failure has been shown.
    static TfrmSeq *Open(ConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
                         TOpenMode OpenMode = omDefine);
    // The script of the sequence without a window on the screen; throws when the sequence
    // cannot be read.
    static QStringList GetScript(ConnectionWindow *AOwner, const QString &Schema,
                                 const QString &ObjectName);

    TfrmSeq(ConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
            TOpenMode OpenMode, TSourceMode mode);

    QLabel *lblCurrent = nullptr;
    QLabel *pnlCurrent = nullptr;
    QPushButton *btnInc = nullptr;
    QLabel *lblLastNo = nullptr;
    TqvNumEdit *txtLastNo = nullptr;
    TqvNumEdit *txtMin = nullptr;
    TqvCheckBox *chkNoMin = nullptr;
    TqvNumEdit *txtMax = nullptr;
    TqvCheckBox *chkNomax = nullptr;
    TqvNumEdit *txtInc = nullptr;
    TqvCheckBox *chkCycle = nullptr;
    TqvNumEdit *txtCache = nullptr;
    TqvComboBox *cmbTable = nullptr;
    TqvComboBox *cmbColumn = nullptr;
    TqvCheckBox *chkOwned = nullptr;
    QWidget *tabGrant = nullptr;
    TfraGrant *fraGrant = nullptr;
    QWidget *tabCross = nullptr;
    TfraCross *fraCross = nullptr;
    QAction *actInc = nullptr;

    // NEXTVAL or setval ran from this window, so CURRVAL has a value on the session.
    bool g_blnNextVal = false;

    void Compile(QObject *Sender) override;
    void ChangedIsNew() override;
    void GetSourceCreate(QStringList &Lines) override;
    // "加算(&I)" besides the frame's commands: only while the sequence exists and is unchanged.
    void UpdateActionStates() override;

    // The controls' values now and as loaded.
    TSequenceState Current() const;
    const TSequenceState &Loaded() const { return m_loaded; }
    const TSequenceCatalog &Catalog() const { return m_catalog; }
    bool IsCreate() const;

    void ShowTableList();
    void ShowColumnList();
    void actIncExecute();

protected:
    void ShowData() override;
    QString GetDropStatement() const override;
    QList<QWidget *> PagesOfExisting() const override { return { tabSource, tabGrant, tabCross }; }

private:
    void setupUi();
    void readState();
    void readOwner();
    void showCurrentValue();
    void enableDependents();

    TSequenceState m_loaded;
    TSequenceCatalog m_catalog;
};
