#pragma once

#include "frole.h"

#include <QDateTime>

class QDateEdit;
class QLabel;
class QPushButton;
class QTimeEdit;
class TqvNumEdit;
class TqvStrEdit;

// The editor of a login role (object types 2 and 3): the role editor with a password and its
// confirmation, an expiry (VALID UNTIL), a connection limit, and an object privilege list read
// on demand. The password leaves the window only as a SCRAM verifier made on the client.
class TfrmUser : public TfrmRole
{
    Q_OBJECT
public:
    static const Kind UserKind;
    // The line of the object list before it has been read.
    static const QString NotLoadedLine;

    static TfrmUser *Open(ConnectionWindow *AOwner, const QString &ObjectName,
                          TOpenMode OpenMode = omDefine);
    static QStringList GetScript(ConnectionWindow *AOwner, const QString &ObjectName);

    TfrmUser(ConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
             TOpenMode OpenMode, TSourceMode mode);

    TqvStrEdit *txtPassword1 = nullptr;
    TqvStrEdit *txtPassword2 = nullptr;
    TqvCheckBox *chkPass = nullptr;
    QDateEdit *dtpLapseDate = nullptr;
    QTimeEdit *dtpLapseTime = nullptr;
    TqvNumEdit *txtConRest = nullptr;
    QPushButton *btnShowObj = nullptr;
    QAction *actShowObj = nullptr;

    // The pickers' values as last loaded.
    QDate dtLapseDate;
    QTime tiLapseTime;

    TRoleState Current() const override;
    bool RevokeEnabled() const override;
    void UpdateActionStates() override;

protected:
    void GetLoginUserPriv() override;
    void showUserRow(const pg::Result &row) override;
    void saveUserControls() override;
    void checkUserControls() override;
    void showObjectsOnLoad() override;
    QString passwordVerifier() const override;

private:
    void setupUserUi();
    void enableLapse();
};
