#include "frole.h"

#include "core/qvappwindows.h"
#include "core/qvexcept.h"
#include "core/qvfuncargs.h"
#include "core/qvlist.h"
#include "core/qvmsgbox.h"
#include "core/qvname.h"
#include "core/qvobjtype.h"
#include "core/qvstr.h"
#include "core/qvtypetext.h"
#include "core/qvwaitcursor.h"
#include "platform/pg/connection.h"
#include "platform/pg/result.h"
#include "sqllang/qvmemo.h"
#include "ui/fddlexec.h"
#include "ui/qvchklst.h"
#include "ui/qvstdctl.h"

#include <QAction>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QTabWidget>
#include <QVBoxLayout>

#include <stdexcept>

namespace {

// The role or user row; the columns the loader reads by position. Version and edition gates
// put a constant in place of a column the server lacks.
QString roleRowSQL(int version, bool edb)
{
    return QStringLiteral(
               "SELECT rolname, rolinherit, rolcreaterole, rolcreatedb, rolsuper, %1,\n"
               "       rolconnlimit, to_char(rolvaliduntil, 'YYYY-MM-DD HH24:MI:SS'),\n"
               "       %2, %3, shobj_description(oid, 'pg_authid'), rolpassword IS NOT NULL,\n"
               "       %4\n"
               "FROM pg_catalog.pg_roles WHERE rolcanlogin = $2 AND rolname = $1")
        .arg(version < 90500 ? QLatin1String("rolcatupdate") : QLatin1String("false"),
             version >= 90100 ? QLatin1String("rolreplication") : QLatin1String("false"),
             version >= 90500 ? QLatin1String("rolbypassrls") : QLatin1String("false"),
             edb ? QLatin1String("rolcreatedblink, rolcreatepublicdblink, roldroppublicdblink")
                 : QLatin1String("false, false, false"));
}

// The login identity's rights.
QString roleLoginSQL(int version)
{
    return QStringLiteral("SELECT rolcreaterole, rolsuper, %1 FROM pg_catalog.pg_roles "
                          "WHERE rolname = $1")
        .arg(version < 90500 ? QLatin1String("rolcatupdate") : QLatin1String("NULL"));
}

const char *const RoleListSQL
    = "SELECT rolname FROM pg_catalog.pg_roles WHERE NOT rolcanlogin ORDER BY 1";

// The group roles the role is a member of.
const char *const RoleMembershipSQL = R"(
SELECT g.rolname, m.admin_option
FROM pg_catalog.pg_auth_members m
JOIN pg_catalog.pg_roles g ON g.oid = m.roleid AND NOT g.rolcanlogin
JOIN pg_catalog.pg_roles r ON r.oid = m.member
WHERE r.rolname = $1
ORDER BY 1)";

QString roleSchemaFilter(int version, bool edb, const char *alias)
{
    QString filter = QStringLiteral("(NOT(%1nspname LIKE 'pg#_%' escape '#') OR %1nspname = "
                                    "'pg_catalog') ")
                         .arg(QLatin1String(alias));
    if (edb)
        filter += version < 90200
            ? QStringLiteral("AND ( NOT(%1nspparent != 0) ) ").arg(QLatin1String(alias))
            : QStringLiteral("AND ( NOT((%1nspparent != 0) AND "
                             "(%1nspobjecttype = 0)) ) ")
                  .arg(QLatin1String(alias));
    return filter;
}

// Schemas with their owner and ACL items one per line; aclnull tells NULL from an empty ACL.
QString roleSchemaAclSQL(int version, bool edb)
{
    return QStringLiteral("SELECT ns.nspname, ro.rolname, array_to_string(ns.nspacl, E'\\n'), "
                          "ns.nspacl IS NULL FROM pg_catalog.pg_namespace ns "
                          "LEFT JOIN pg_catalog.pg_roles ro ON ns.nspowner = ro.oid WHERE ")
        + roleSchemaFilter(version, edb, "ns.") + QStringLiteral("ORDER BY 1");
}

// Every privilege the role holds on a table, view, sequence, routine or type of this
// database, matched by the grantee's oid. A NULL ACL reads as the owner's defaults, an empty
// one as nothing; items of every grantor count, and the grant option of any of them.
const char *const RoleObjectSQL = R"(
WITH who AS (SELECT oid FROM pg_catalog.pg_roles WHERE rolname = $1),
obj AS (
  SELECT 'TABLE' AS cls, n.nspname, c.relname AS objname, 0::oid AS prooid,
         pg_catalog.aclexplode(COALESCE(c.relacl, pg_catalog.acldefault('r', c.relowner))) AS a
  FROM pg_catalog.pg_class c JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace
  WHERE c.relkind IN ('r', 'v', 'm', 'p', 'f')
    AND n.nspname NOT LIKE 'pg#_%' ESCAPE '#' AND n.nspname <> 'information_schema'
  UNION ALL
  SELECT 'SEQUENCE', n.nspname, c.relname, 0::oid,
         pg_catalog.aclexplode(COALESCE(c.relacl, pg_catalog.acldefault('s', c.relowner)))
  FROM pg_catalog.pg_class c JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace
  WHERE c.relkind = 'S'
    AND n.nspname NOT LIKE 'pg#_%' ESCAPE '#' AND n.nspname <> 'information_schema'
  UNION ALL
  SELECT %1, n.nspname, p.proname, p.oid,
         pg_catalog.aclexplode(COALESCE(p.proacl, pg_catalog.acldefault('f', p.proowner)))
  FROM pg_catalog.pg_proc p JOIN pg_catalog.pg_namespace n ON n.oid = p.pronamespace
  WHERE n.nspname NOT LIKE 'pg#_%' ESCAPE '#' AND n.nspname <> 'information_schema'
  UNION ALL
  SELECT 'TYPE', n.nspname, t.typname, 0::oid,
         pg_catalog.aclexplode(COALESCE(t.typacl, pg_catalog.acldefault('T', t.typowner)))
  FROM pg_catalog.pg_type t JOIN pg_catalog.pg_namespace n ON n.oid = t.typnamespace
  LEFT JOIN pg_catalog.pg_class cl ON t.typrelid = cl.oid
  WHERE (cl.relkind = 'c' OR t.typtype IN ('e', 'r', 'd')
         OR (t.typtype = 'b' AND t.typcategory NOT IN
             ('A','B','C','D','E','G','I','N','P','R','S','T','V','X')))
    AND n.nspname NOT LIKE 'pg#_%' ESCAPE '#' AND n.nspname <> 'information_schema'
)
SELECT cls, nspname, objname, prooid, (a).privilege_type, bool_or((a).is_grantable)
FROM obj
WHERE (a).grantee = (SELECT oid FROM who)
  AND (a).privilege_type IN ('DELETE', 'EXECUTE', 'INSERT', 'REFERENCES', 'SELECT', 'TRIGGER',
                             'TRUNCATE', 'UPDATE', 'USAGE')
GROUP BY 1, 2, 3, 4, 5
ORDER BY 2, 3, 4, 5)";

// The members of the role and its settings: what a drop takes with it.
const char *const RoleMembersSQL = R"(
SELECT r.rolname FROM pg_catalog.pg_auth_members m
JOIN pg_catalog.pg_roles g ON g.oid = m.roleid
JOIN pg_catalog.pg_roles r ON r.oid = m.member
WHERE g.rolname = $1 ORDER BY 1)";
const char *const RoleSettingsSQL = R"(
SELECT COALESCE(d.datname, ''), c.setting, split_part(c.setting, '=', 1)
FROM pg_catalog.pg_db_role_setting s
JOIN pg_catalog.pg_roles r ON r.oid = s.setrole
LEFT JOIN pg_catalog.pg_database d ON d.oid = s.setdatabase,
LATERAL unnest(s.setconfig) AS c(setting)
WHERE r.rolname = $1 ORDER BY 1, 2)";

bool roleTrue(const pg::Result &r, int row, int column)
{
    return !r.isNull(row, column) && r.text(row, column) == QLatin1String("t");
}

constexpr int roleSuffixLength = 9; // " [CREATE]" and " [USAGE] "

} // namespace

const TqvDefineForm::Kind TfrmRole::RoleKind {
    QStringLiteral("ROLE - "),  7,     ObjType::Role, QStringLiteral("ROLE"),
    QStringLiteral("ROLE(&O)"), false, true
};

TfrmRole *TfrmRole::Open(ConnectionWindow *AOwner, const QString &ObjectName, TOpenMode OpenMode)
{
    if (!ObjectName.isEmpty()
        && FindWindow(staticMetaObject, CaptionKey(RoleKind, AOwner, QString(), ObjectName), true))
        return nullptr;
    return ShowWindow<TfrmRole>(AOwner, QString(), ObjectName, OpenMode, smShow);
}

QStringList TfrmRole::GetScript(ConnectionWindow *AOwner, const QString &ObjectName)
{
    TfrmRole window(AOwner, QString(), ObjectName, omDefine, smText);
    QStringList lines = window.txtSource->text().split(QLatin1Char('\n'));
    if (ScriptOption.NullLine)
        DeleteBlankLines(lines);
    return lines;
}

TfrmRole::TfrmRole(ConnectionWindow *AOwner, const QString &, const QString &ObjectName,
                   TOpenMode OpenMode, TSourceMode mode)
    : TfrmRole(AOwner, RoleKind, mode)
{
    setObjectName(QStringLiteral("frmRole"));
    initWindow(ObjectName, OpenMode);
}

TfrmRole::TfrmRole(ConnectionWindow *AOwner, const Kind &kind, TSourceMode mode)
    : TqvDefineForm(AOwner->connectionWidget(), kind, mode)
{
    setupUi();
}

void TfrmRole::initWindow(const QString &ObjectName, TOpenMode OpenMode)
{
    InitForm();
    if (SourceMode == smShow)
        CreateTaskButton();
    setObjType(kind().ObjType);
    txtName->setText(ObjectName);
    SetQueries(ObjectName);
    const int version = OwnerForm()->DBVer();
    chkReplication->setVisible(version >= 90100);
    chkCatupdate->setVisible(version < 90500);
    grpPpasPrivilege->setVisible(OwnerForm()->g_bPostgresPlus());
    {
        const QSignalBlocker quiet(pagObject);
        pagObject->setCurrentWidget(
            SourceMode == smShow && OpenMode == omSource && !ObjectName.isEmpty() ? tabSource
                                                                                  : tabDefine);
        SyncCurrentPage();
    }
    setIsNew(ObjectName.isEmpty());
    ShowData();
}

void TfrmRole::setupUi()
{
    resize(754, 511);
    // A role has no schema: the name panel keeps only the name.
    cmbSchema->hide();
    for (QLabel *label : pnlName->findChildren<QLabel *>()) {
        if (label->text() == QStringLiteral("スキーマ"))
            label->hide();
    }
    const auto check = [this](QWidget *parent, const char *name, const QString &caption) {
        auto *box = new TqvCheckBox(caption, parent);
        box->setObjectName(QLatin1String(name));
        if (qstrcmp(name, "chkSuperUser") != 0)
            connect(box, &QCheckBox::clicked, this, [this] { OnChange(); });
        return box;
    };
    auto *top = new QHBoxLayout;
    top->setObjectName(QStringLiteral("pnlLeft"));
    grpPrivilege = new QGroupBox(QStringLiteral("ロール特権"), tabDefine);
    grpPrivilege->setObjectName(QStringLiteral("grpPrivilege"));
    auto *privileges = new QGridLayout(grpPrivilege);
    chkSuperUser = check(grpPrivilege, "chkSuperUser", QStringLiteral("スーパーユーザ"));
    chkCreateDB = check(grpPrivilege, "chkCreateDB", QStringLiteral("データベース作成権限"));
    chkCreateRole = check(grpPrivilege, "chkCreateRole", QStringLiteral("ロール作成権限"));
    chkSucParRole = check(grpPrivilege, "chkSucParRole", QStringLiteral("親ロール継承"));
    chkCatupdate = check(grpPrivilege, "chkCatupdate", QStringLiteral("システムカタログ更新権限"));
    chkReplication
        = check(grpPrivilege, "chkReplication", QStringLiteral("ストリーミングレプリケーション"));
    privileges->addWidget(chkSuperUser, 0, 0);
    privileges->addWidget(chkCreateDB, 0, 1);
    privileges->addWidget(chkCreateRole, 1, 0);
    privileges->addWidget(chkSucParRole, 1, 1);
    privileges->addWidget(chkCatupdate, 2, 0);
    privileges->addWidget(chkReplication, 2, 1);
    top->addWidget(grpPrivilege);
    grpPpasPrivilege = new QGroupBox(QStringLiteral("EDB Postgres 機能特権"), tabDefine);
    grpPpasPrivilege->setObjectName(QStringLiteral("grpPpasPrivilege"));
    auto *links = new QVBoxLayout(grpPpasPrivilege);
    chkCreateDbLink
        = check(grpPpasPrivilege, "chkCreateDbLink", QStringLiteral("データベースリンク作成権限"));
    chkCreatePublicDbLink = check(grpPpasPrivilege, "chkCreatePublicDbLink",
                                  QStringLiteral("パブリックDBリンク作成権限"));
    chkDeletePublicDbLink = check(grpPpasPrivilege, "chkDeletePublicDbLink",
                                  QStringLiteral("パブリックDBリンク削除権限"));
    links->addWidget(chkCreateDbLink);
    links->addWidget(chkCreatePublicDbLink);
    links->addWidget(chkDeletePublicDbLink);
    top->addWidget(grpPpasPrivilege);
    top->addStretch(1);
    defineLayout()->addLayout(top);

    connect(chkSuperUser, &QCheckBox::clicked, this, [this] {
        OnChange();
        chkCatupdate->setChecked(chkSuperUser->isChecked());
        if (G_Catupdate && G_SuperUser)
            chkCatupdate->setEnabled(chkSuperUser->isChecked());
    });

    auto *bottom = new QHBoxLayout;
    const auto column = [&](const char *name, const QString &title, QWidget *list) {
        auto *panel = new QWidget(tabDefine);
        panel->setObjectName(QLatin1String(name));
        auto *layout = new QVBoxLayout(panel);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(new QLabel(title, panel));
        list->setParent(panel);
        layout->addWidget(list, 1);
        bottom->addWidget(panel, 1);
        return panel;
    };
    chkRole = new TqvCheckListBox;
    chkRole->setObjectName(QStringLiteral("chkRole"));
    chkSchema = new TqvCheckListBox;
    chkSchema->setObjectName(QStringLiteral("chkSchema"));
    lstObj = new QListWidget;
    lstObj->setObjectName(QStringLiteral("lstObj"));
    lstObj->setSelectionMode(QAbstractItemView::ExtendedSelection);
    column("pnlRoleBack", QStringLiteral("ロール / Admin Option"), chkRole);
    column("pnlSysBack", QStringLiteral("スキーマ / Grant Option"), chkSchema);
    column("pnlObjBack", QStringLiteral("オブジェクト権限"), lstObj);
    defineLayout()->addLayout(bottom, 1);
    for (TqvCheckListBox *list : { chkRole, chkSchema }) {
        const auto paint = [this, list] {
            // A line with its right box checked is drawn in red.
            for (int i = 0; i < list->count(); ++i)
                list->item(i)->setForeground(list->GetCheckedR(i) ? QBrush(Qt::red) : QBrush());
        };
        connect(list, &TqvCheckListBox::OnClickCheckL, this, [this, paint] {
            paint();
            OnChange();
        });
        connect(list, &TqvCheckListBox::OnClickCheckR, this, [this, paint] {
            paint();
            OnChange();
        });
        connect(list, &QListWidget::itemDoubleClicked, this, [this, list](QListWidgetItem *item) {
            RunGuarded([this, list, item] {
                if (list == chkRole) {
                    OwnerForm()->OpenObject(ObjType::Role, QString(), item->text(),
                                            AppOption.OpenMode);
                } else {
                    OwnerForm()->OpenObject(ObjType::Schema, QString(),
                                            item->text().chopped(roleSuffixLength),
                                            AppOption.OpenMode);
                }
            });
        });
    }
    popObj = new QMenu(lstObj);
    popObj->setObjectName(QStringLiteral("popObj"));
    popRevoke = popObj->addAction(QStringLiteral("取消(&R)"));
    popRevoke->setObjectName(QStringLiteral("popRevoke"));
    lstObj->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(lstObj, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        popRevoke->setEnabled(RevokeEnabled());
        popObj->exec(lstObj->viewport()->mapToGlobal(pos));
    });
    connect(popRevoke, &QAction::triggered, this,
            [this] { RunGuarded([this] { popRevokeClick(); }); });
    lstObj->installEventFilter(this);
}

bool TfrmRole::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == lstObj && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Delete) {
        if (RevokeEnabled())
            RunGuarded([this] { popRevokeClick(); });
        return true;
    }
    return TqvDefineForm::eventFilter(watched, event);
}

TRoleContext TfrmRole::Context() const
{
    return { OwnerForm()->DBVer(), OwnerForm()->g_bPostgresPlus() };
}

void TfrmRole::SetQueries(const QString &ObjectName)
{
    ConnectionWindow *owner = OwnerForm();
    const pg::Result roles = owner->dbsMain()->exec(QString::fromUtf8(RoleListSQL));
    const pg::Result schemas = owner->dbsMain()->exec(
        QStringLiteral("SELECT nspname FROM pg_catalog.pg_namespace WHERE ")
        + roleSchemaFilter(owner->DBVer(), owner->g_bPostgresPlus(), "")
        + QStringLiteral("ORDER BY 1"));
    chkRole->clear();
    for (int i = 0; i < roles.rowCount(); ++i) {
        // A role is not offered as a member of itself.
        if (kind().ObjType != ObjType::Role || roles.text(i, 0) != ObjectName)
            chkRole->addItem(roles.text(i, 0));
    }
    chkSchema->clear();
    for (int i = 0; i < schemas.rowCount(); ++i) {
        chkSchema->addItem(schemas.text(i, 0) + QStringLiteral(" [CREATE]"));
        chkSchema->addItem(schemas.text(i, 0) + QStringLiteral(" [USAGE] "));
    }
}

TRoleState TfrmRole::Current() const
{
    TRoleState s = m_loaded;
    s.Name = txtName->text();
    s.User = kind().ObjType != ObjType::Role;
    s.SuperUser = chkSuperUser->isChecked();
    s.CreateDB = chkCreateDB->isChecked();
    s.CreateRole = chkCreateRole->isChecked();
    s.Inherit = chkSucParRole->isChecked();
    s.Replication = chkReplication->isChecked();
    s.Catupdate = chkCatupdate->isChecked();
    s.CreateDbLink = chkCreateDbLink->isChecked();
    s.CreatePublicDbLink = chkCreatePublicDbLink->isChecked();
    s.DropPublicDbLink = chkDeletePublicDbLink->isChecked();
    s.Roles.clear();
    for (int i = 0; i < chkRole->count(); ++i)
        s.Roles << TRoleCheckLine { chkRole->item(i)->text(), chkRole->GetCheckedL(i),
                                    chkRole->GetCheckedR(i) };
    s.Schemas.clear();
    for (int i = 0; i < chkSchema->count(); ++i)
        s.Schemas << TRoleCheckLine { chkSchema->item(i)->text().chopped(roleSuffixLength),
                                      chkSchema->GetCheckedL(i), chkSchema->GetCheckedR(i) };
    s.PasswordVerifier.clear();
    return s;
}

bool TfrmRole::IsCreate() const
{
    return IsNew() || SourceMode == smText || pagObject->currentWidget() == tabSource;
}

void TfrmRole::readRole()
{
    ConnectionWindow *owner = OwnerForm();
    const bool user = kind().ObjType != ObjType::Role;
    const pg::Result row
        = owner->dbsMain()->exec(roleRowSQL(owner->DBVer(), owner->g_bPostgresPlus()),
                                 { pg::Param(txtName->text()),
                                   pg::Param(user ? QStringLiteral("t") : QStringLiteral("f")) });
    if (row.rowCount() == 0) {
        if (SourceMode == smShow) {
            ShowMessageBox(QStringLiteral("定義情報を読み込めませんでした。"), MB_ICONERROR);
            throw SilentAbort();
        }
        throw std::runtime_error(
            QStringLiteral("%1 %2 の定義情報を読み込めませんでした。")
                .arg(user ? QLatin1String("ユーザー") : QLatin1String("ロール"), txtName->text())
                .toStdString());
    }
    chkSucParRole->setChecked(roleTrue(row, 0, 1));
    chkCreateRole->setChecked(roleTrue(row, 0, 2));
    chkCreateDB->setChecked(roleTrue(row, 0, 3));
    chkSuperUser->setChecked(roleTrue(row, 0, 4));
    chkCatupdate->setChecked(roleTrue(row, 0, 5));
    chkReplication->setChecked(roleTrue(row, 0, 8));
    chkCreateDbLink->setChecked(roleTrue(row, 0, 12));
    chkCreatePublicDbLink->setChecked(roleTrue(row, 0, 13));
    chkDeletePublicDbLink->setChecked(roleTrue(row, 0, 14));
    m_loaded.ConnLimit = row.text(0, 6);
    m_loaded.ValidUntil = row.isNull(0, 7) ? QString() : row.text(0, 7);
    m_loaded.BypassRls = roleTrue(row, 0, 9);
    m_catalog.HasComment = !row.isNull(0, 10);
    m_catalog.Comment = m_catalog.HasComment ? row.text(0, 10) : QString();
    m_hasPassword = roleTrue(row, 0, 11);
    showUserRow(row);
}

void TfrmRole::readMemberships()
{
    for (int i = 0; i < chkRole->count(); ++i) {
        chkRole->SetCheckedL(i, false);
        chkRole->SetCheckedR(i, false);
    }
    const pg::Result rows = OwnerForm()->dbsMain()->exec(QString::fromUtf8(RoleMembershipSQL),
                                                         { pg::Param(txtName->text()) });
    for (int r = 0; r < rows.rowCount(); ++r) {
        for (int i = 0; i < chkRole->count(); ++i) {
            if (chkRole->item(i)->text() != rows.text(r, 0))
                continue;
            chkRole->SetCheckedL(i, true);
            chkRole->SetCheckedR(i, roleTrue(rows, r, 1));
            break;
        }
    }
}

void TfrmRole::readSchemaPrivileges()
{
    for (int i = 0; i < chkSchema->count(); ++i) {
        chkSchema->SetCheckedL(i, false);
        chkSchema->SetCheckedR(i, false);
    }
    ConnectionWindow *owner = OwnerForm();
    const QString name = txtName->text();
    const pg::Result rows
        = owner->dbsMain()->exec(roleSchemaAclSQL(owner->DBVer(), owner->g_bPostgresPlus()));
    for (int r = 0; r < rows.rowCount(); ++r) {
        const QString createItem = rows.text(r, 0) + QStringLiteral(" [CREATE]");
        int index = -1;
        for (int i = 0; i < chkSchema->count(); i += 2) {
            if (chkSchema->item(i)->text() == createItem) {
                index = i;
                break;
            }
        }
        if (index < 0 || index + 1 >= chkSchema->count())
            continue;
        if (roleTrue(rows, r, 3)) {
            // NULL: the owner's implicit rights; an empty ACL holds none.
            if (rows.text(r, 1) == name) {
                chkSchema->SetCheckedL(index, true);
                chkSchema->SetCheckedL(index + 1, true);
            }
            continue;
        }
        const QStringList items = rows.text(r, 2).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        for (const QString &item : items) {
            const AclItemParts parts = SplitAclItem(item);
            if (parts.grantee != name)
                continue;
            // Items of several grantors add up.
            const QString &p = parts.privileges;
            if (p.contains(QLatin1Char('C')))
                chkSchema->SetCheckedL(index, true);
            if (p.contains(QStringLiteral("C*")))
                chkSchema->SetCheckedR(index, true);
            if (p.contains(QLatin1Char('U')))
                chkSchema->SetCheckedL(index + 1, true);
            if (p.contains(QStringLiteral("U*")))
                chkSchema->SetCheckedR(index + 1, true);
        }
    }
}

QList<QPair<QString, bool>> TfrmRole::ReadObjectGrants() const
{
    ConnectionWindow *owner = OwnerForm();
    pg::Connection &connection = *owner->dbsMain();
    const bool routineKinds = owner->DBVer() >= 110000 || owner->g_bPostgresPlus();
    const QString sql = QString::fromUtf8(RoleObjectSQL)
                            .arg(routineKinds ? QLatin1String("CASE WHEN p.prokind = 'p' THEN "
                                                              "'PROCEDURE' ELSE 'FUNCTION' END")
                                              : QLatin1String("'FUNCTION'"));
    const pg::Result rows = connection.exec(sql, { pg::Param(txtName->text()) });
    QList<pg::Oid> routines;
    for (int r = 0; r < rows.rowCount(); ++r) {
        const pg::Oid oid = rows.text(r, 3).toUInt();
        if (oid != 0 && (routines.isEmpty() || routines.last() != oid))
            routines << oid;
    }
    // Every signature in one statement, however many routines the role holds rights on.
    QHash<pg::Oid, FncArgArray> arguments;
    if (!routines.isEmpty())
        GetFuncArgumentsOf(routines, connection, arguments, owner->DBVer());
    QList<QPair<QString, bool>> grants;
    for (int r = 0; r < rows.rowCount(); ++r) {
        const QString cls = rows.text(r, 0);
        QString object = QuoteName(rows.text(r, 1)) + QLatin1Char('.') + QuoteName(rows.text(r, 2));
        const pg::Oid oid = rows.text(r, 3).toUInt();
        if (oid != 0)
            object = cls + QLatin1Char(' ') + object + QLatin1Char('(')
                + GetFuncArgTypes(arguments.value(oid), 5, QString()) + QLatin1Char(')');
        else
            object = cls + QLatin1Char(' ') + object;
        grants << qMakePair(rows.text(r, 4) + QStringLiteral(" ON ") + object,
                            roleTrue(rows, r, 5));
    }
    return grants;
}

void TfrmRole::ShowObjGrant()
{
    const SQLWaitCursor wait;
    lstObj->clear();
    for (const auto &[text, grantable] : ReadObjectGrants()) {
        auto *item = new QListWidgetItem(text, lstObj);
        item->setData(Qt::UserRole, grantable);
        if (grantable)
            item->setForeground(QBrush(Qt::red));
    }
}

void TfrmRole::GetLoginUserPriv()
{
    G_SuperUser = G_CreateRole = G_Catupdate = false;
    ConnectionWindow *owner = OwnerForm();
    const pg::Result row
        = owner->dbsMain()->exec(roleLoginSQL(owner->DBVer()), { pg::Param(owner->LoginUser()) });
    if (row.rowCount() == 0) {
        if (SourceMode == smShow) {
            ShowMessageBox(QStringLiteral("ログインユーザーの権限を読み込めませんでした。"),
                           MB_ICONERROR);
            throw SilentAbort();
        }
        throw std::runtime_error("ログインユーザーの権限を読み込めませんでした。");
    }
    G_CreateRole = roleTrue(row, 0, 0);
    G_SuperUser = roleTrue(row, 0, 1);
    G_Catupdate = roleTrue(row, 0, 2);
    const bool manage = G_CreateRole || G_SuperUser;
    chkSuperUser->setEnabled(G_SuperUser);
    chkCreateDB->setEnabled(manage);
    chkCreateRole->setEnabled(manage);
    chkSucParRole->setEnabled(manage);
    chkCatupdate->setEnabled(G_Catupdate && G_SuperUser && chkSuperUser->isChecked());
    chkReplication->setEnabled(G_SuperUser);
}

void TfrmRole::ShowData()
{
    const SQLWaitCursor wait;
    try {
        if (!IsNew()) {
            readRole();
            readMemberships();
            readSchemaPrivileges();
            if (SourceMode == smShow)
                showObjectsOnLoad();
        }
        for (TqvCheckListBox *list : { chkRole, chkSchema }) {
            for (int i = 0; i < list->count(); ++i)
                list->item(i)->setForeground(list->GetCheckedR(i) ? QBrush(Qt::red) : QBrush());
        }
        for (TqvCheckBox *box :
             { chkSuperUser, chkCreateDB, chkCreateRole, chkSucParRole, chkCatupdate,
               chkReplication, chkCreateDbLink, chkCreatePublicDbLink, chkDeletePublicDbLink })
            box->Save();
        chkRole->Save();
        chkSchema->Save();
        saveUserControls();
        m_loaded = Current();
        GetLoginUserPriv();
        txtSource->clear();
        if (pagObject->currentWidget() == tabSource || SourceMode == smText) {
            QStringList lines;
            GetSourceCreate(lines);
            txtSource->setText(lines.join(QLatin1Char('\n')));
        }
    } catch (...) {
        setModified(false);
        UpdateActionStates();
        throw;
    }
    setModified(false);
    UpdateActionStates();
}

void TfrmRole::GetSourceCreate(QStringList &Lines)
{
    if (IsNew())
        Lines << RoleCreateScript(Current(), Context());
    else
        Lines << RoleCreateScript(m_loaded, Context(), m_catalog);
}

QString TfrmRole::GetDropStatement() const
{
    return RoleDropScript(Current()).first();
}

void TfrmRole::ChangedIsNew()
{
    TqvDefineForm::ChangedIsNew();
}

void TfrmRole::checkRecreate(const QString &text)
{
    pg::Connection &connection = *OwnerForm()->dbsMain();
    const QList<pg::Param> name { pg::Param(m_loaded.Name) };
    TRoleHoldings held;
    const pg::Result members = connection.exec(QString::fromUtf8(RoleMembersSQL), name);
    for (int i = 0; i < members.rowCount(); ++i)
        held.Members << members.text(i, 0);
    const pg::Result settings = connection.exec(QString::fromUtf8(RoleSettingsSQL), name);
    for (int i = 0; i < settings.rowCount(); ++i) {
        const QString database = settings.text(i, 0);
        held.Settings << (database.isEmpty()
                              ? settings.text(i, 1)
                              : database + QStringLiteral(": ") + settings.text(i, 1));
        held.SettingNames << settings.text(i, 2);
    }
    held.HasComment = m_catalog.HasComment;
    for (const auto &grant : ReadObjectGrants())
        held.ObjectPrivileges << grant.first;
    held.HasPassword = m_hasPassword;
    const QStringList lost = RoleRecreateLosses(m_loaded, held, text);
    if (lost.isEmpty())
        return;
    ShowMessageBox(
        QStringLiteral("%1 を削除して作成し直すと、ソースで作成されない次のものが失われます。"
                       "コンパイルを中止しました。\n\n")
                .arg(m_loaded.Name)
            + lost.join(QLatin1Char('\n')),
        MB_ICONEXCLAMATION);
    throw SilentAbort();
}

void TfrmRole::Compile(QObject *)
{
    ExitActiveControl();
    if (txtName->text().trimmed().isEmpty()) {
        ShowMessageBox(QStringLiteral("名前を入力して下さい。"), MB_ICONEXCLAMATION);
        txtName->setFocus();
        throw SilentAbort();
    }
    QWidget *page = pagObject->currentWidget();
    if (page == tabDefine)
        checkUserControls();
    QStringList script;
    bool recreate = false;
    if (page == tabSource) {
        QString text = txtSource->text();
        if (kind().ObjType != ObjType::Role) {
            // A PASSWORD word with nothing after it on its line sets no password.
            for (const QString &line : text.split(QLatin1Char('\n'))) {
                if (!line.contains(QLatin1String("PASSWORD")))
                    continue;
                if (QString(line).remove(QStringLiteral("PASSWORD")).trimmed().isEmpty()) {
                    ShowMessageBox(QStringLiteral("パスワード（PASSWORD句）を入力してください。"),
                                   MB_ICONEXCLAMATION);
                    setIsNew(false);
                    ShowData();
                    return;
                }
            }
        }
        if (!IsNew()) {
            checkRecreate(text);
            script << RoleDropScript(m_loaded);
            recreate = true;
        }
        pg::Connection &connection = *OwnerForm()->dbsMain();
        const QString user = txtName->text();
        text = EncryptPasswordClauses(text, [&connection, &user](const QString &clear) {
            return connection.encryptPassword(clear, user);
        });
        script << text.split(QLatin1Char('\n'));
    } else {
        TRoleState now = Current();
        now.PasswordVerifier = passwordVerifier();
        if (IsNew())
            script = RoleCreateScript(now, Context());
        else
            script = RoleAlterScript(m_loaded, now, Context());
    }
    if (TrimBlanks(script.join(QString())).isEmpty()) {
        ShowMessageBox(QStringLiteral("変更箇所が見つかりませんでした。"), MB_ICONEXCLAMATION);
        setIsNew(false);
        ShowData();
        return;
    }
    TCompileRequest req;
    req.Policy = TCompilePolicy::Previewed;
    req.ObjName = txtName->text();
    req.ObjType = kind().ObjType;
    req.IsNew = IsNew();
    req.AllOrNothing = recreate;
    req.AfterSuccess = [this] {
        setIsNew(false);
        ShowData();
    };
    RunCompileSequence(OwnerForm(), script, req);
}

void TfrmRole::popRevokeClick()
{
    const QList<QListWidgetItem *> selected = lstObj->selectedItems();
    if (selected.isEmpty())
        return;
    bool cascade = false;
    if (ShowCheckMessage(QStringLiteral("オブジェクト権限を取り消しますか？"),
                         MB_YESNO | MB_ICONQUESTION,
                         { { QStringLiteral("CASCADE オプション"), &cascade } })
        != IDYES)
        return;
    QStringList lines;
    for (int i = 0; i < lstObj->count(); ++i) {
        if (lstObj->item(i)->isSelected())
            lines << lstObj->item(i)->text();
    }
    try {
        for (const QString &line : lines) {
            OwnerForm()->ExecuteSQL(QStringLiteral("REVOKE ") + line + QStringLiteral(" FROM ")
                                    + QuoteName(txtName->text())
                                    + (cascade ? QStringLiteral(" CASCADE") : QString()));
        }
    } catch (...) {
        ShowExceptionMessage(std::current_exception());
        ShowObjGrant();
        return;
    }
    ShowMessageBox(QStringLiteral("権限を取り消しました。"), MB_ICONINFORMATION);
    ShowObjGrant();
    // The user's list is read on demand, and says so when it comes back empty.
    if (kind().ObjType != ObjType::Role && lstObj->count() == 0)
        ShowMessageBox(QStringLiteral("付与済みのオブジェクト権限はありません。"),
                       MB_ICONINFORMATION);
}
