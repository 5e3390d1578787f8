#pragma once

#include "roledef.h"

#include "editors/tables/qvdefform.h"

class QGroupBox;
class QListWidget;
class QMenu;
class TqvCheckBox;
class TqvCheckListBox;

namespace pg {
class Result;
}

// The editor of a group role (object type 68), and the base of the user editor: the role's
// attributes, its memberships in group roles with the admin option, CREATE and USAGE on every
// schema with the grant option, and the object privileges it holds with their revoke. What the
// login user may change follows the login identity of the session (session_user), not the name
// typed at logon.
class TfrmRole : public TqvDefineForm
{
    Q_OBJECT
public:
    static const Kind RoleKind;

    // The editor of role ObjectName (a new role when empty), or nullptr when the open one was
    // brought forward or the failure has been shown.
    static TfrmRole *Open(ConnectionWindow *AOwner, const QString &ObjectName,
                          TOpenMode OpenMode = omDefine);
    // The role's script without a window on the screen; throws when it cannot be read.
    static QStringList GetScript(ConnectionWindow *AOwner, const QString &ObjectName);

    TfrmRole(ConnectionWindow *AOwner, const QString &Schema, const QString &ObjectName,
             TOpenMode OpenMode, TSourceMode mode);

    QGroupBox *grpPrivilege = nullptr;
    TqvCheckBox *chkSuperUser = nullptr;
    TqvCheckBox *chkCreateDB = nullptr;
    TqvCheckBox *chkCreateRole = nullptr;
    TqvCheckBox *chkSucParRole = nullptr;
    TqvCheckBox *chkCatupdate = nullptr;
    TqvCheckBox *chkReplication = nullptr;
    QGroupBox *grpPpasPrivilege = nullptr;
    TqvCheckBox *chkCreateDbLink = nullptr;
    TqvCheckBox *chkCreatePublicDbLink = nullptr;
    TqvCheckBox *chkDeletePublicDbLink = nullptr;
    TqvCheckListBox *chkRole = nullptr;
    TqvCheckListBox *chkSchema = nullptr;
    QListWidget *lstObj = nullptr;
    QMenu *popObj = nullptr;
    QAction *popRevoke = nullptr;

    // The login user's rights, read by GetLoginUserPriv.
    bool G_SuperUser = false;
    bool G_CreateRole = false;
    bool G_Catupdate = false;

    void Compile(QObject *Sender) override;
    void ChangedIsNew() override;
    void GetSourceCreate(QStringList &Lines) override;

    // The controls' values now and as loaded.
    virtual TRoleState Current() const;
    const TRoleState &Loaded() const { return m_loaded; }
    TRoleContext Context() const;
    bool IsCreate() const;

    void ShowObjGrant();
    // The revoke of the selected object privileges (pop-up and Delete key).
    void popRevokeClick();
    // Whether the revoke is offered (not while the list is only the "not read" line).
    virtual bool RevokeEnabled() const { return true; }
    // The privilege clauses the role holds on objects of this database ("SELECT ON TABLE
    // public.t"), each with whether it carries the grant option, in the list's order.
    QList<QPair<QString, bool>> ReadObjectGrants() const;

protected:
    TfrmRole(ConnectionWindow *AOwner, const Kind &kind, TSourceMode mode);
    // The constructor's last steps, run by the most derived class so its own controls are there.
    void initWindow(const QString &ObjectName, TOpenMode OpenMode);

    void ShowData() override;
    QString GetDropStatement() const override;
    bool eventFilter(QObject *watched, QEvent *event) override;

    // The login user's rights and what they enable.
    virtual void GetLoginUserPriv();
    // The user editor's own loading from the role row and its own checks before a compile.
    virtual void showUserRow(const pg::Result &row) { Q_UNUSED(row) }
    virtual void saveUserControls() { }
    virtual void checkUserControls() { }
    virtual void showObjectsOnLoad() { ShowObjGrant(); }
    // The verifier of the password the compile sets; empty for none.
    virtual QString passwordVerifier() const { return QString(); }
    // Refuses (message, silent abort) a source text that would drop what it does not re-create.
    void checkRecreate(const QString &text);
    void readRole();

    TRoleState m_loaded;
    TRoleCatalog m_catalog;
    bool m_hasPassword = false;

private:
    void setupUi();
    void SetQueries(const QString &ObjectName);
    void readMemberships();
    void readSchemaPrivileges();
};
