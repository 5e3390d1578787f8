#pragma once

#include "grantdef.h"

#include <QString>
#include <QStringList>
#include <QWidget>

class ConnectionWindow;
class QButtonGroup;
class QGroupBox;
class QLabel;
class QRadioButton;
class TqvCheckListBox;
class TqvForm;
class TqvListView;

// The privileges frame on the privileges page of a definition window: the roles of the
// database with the privileges each holds on the host's object, a check list that sets
// privileges and grant options for the selected roles, and the GRANT / REVOKE statements of
// what changed. The frame takes the kind from the host's object-type code and the session
// from the host's connection window; it runs nothing itself: the host puts GetSource into
// its own compile.
//
// The marks and the statements come from grantdef.h; the frame only shows them. The filter
// hides rows locally, so marks the user set survive a change of the filter.
class TfraGrant : public QWidget
{
    Q_OBJECT
public:
    explicit TfraGrant(TqvForm *AOwner, QWidget *parent = nullptr);

    QGroupBox *rdoShowMode = nullptr; // item 0: roles holding privileges; 1: every role
    QRadioButton *rdoShowHolders = nullptr;
    QRadioButton *rdoShowAll = nullptr;
    QGroupBox *grpGrantOption = nullptr;
    TqvCheckListBox *chkGrant = nullptr;
    QLabel *lblComment = nullptr;
    TqvListView *lstGrant = nullptr;

    // (Re)loads the roles and the object's privileges. Routines pass their oid and argument
    // type list (read from the routine's row when only the oid is given); a type may pass its
    // typtype ("p" keeps the frame read-only; empty: read from the catalog).
    void ShowData(const QString &Schema, const QString &ObjName, qint64 pintOid = -1,
                  const QString &pstrTypLst = QString(), const QString &pstrDataType = QString());
    // Appends the statements of every changed mark, each followed by a ";" line; a revoke of a
    // grant made by another role runs under SET ROLE of that role. When the session may not
    // act for a grantor whose grant would be revoked, says so naming the grantor and throws
    // SilentAbort, appending nothing.
    void GetSource(QStringList &S) const;
    // Appends statements that issue every mark again against TYPE schema.name.
    void GetSourceReregist(QStringList &S) const;

    int ShowModeIndex() const;
    const QList<TGrantee> &Rows() const { return m_rows; }
    bool IsChanged() const;

    void rdoShowModeClick();
    void lstGrantClick();
    void lstGrantSelectItem();
    void chkGrantClick();

private:
    void setupUi();
    void fillList();
    void applyFilter();
    void showMarks(int row);
    QList<int> selectedRows() const;

    TqvForm *FOwner;
    ConnectionWindow *FOwnerForm = nullptr;
    int FObjType = 0;
    QString FSchema;
    QString FObjName;
    qint64 L_intOID = -1;
    QString L_strTypLst;
    QString L_strDataType;
    QButtonGroup *m_showMode = nullptr;
    TGrantTarget m_target;
    QString m_owner; // the object's owner as loaded
    QList<TGrantee> m_rows;
};
