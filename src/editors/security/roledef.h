#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// A group or login role as the role and user windows show it, and the statements that create,
// alter and drop it. Nothing here touches a widget or the server: the windows fill a TRoleState
// from their controls, and the preview, the compile, the script output and the tests call the
// same builders.
//
//     const TRoleContext ctx { serverVersion, isEdb };
//     const QStringList script = RoleAlterScript(loaded, now, ctx); // empty: nothing changed

// The server the statements are for.
struct TRoleContext
{
    int ServerVersion = 150000;
    bool EDB = false;
};

// One line of a two-box list: the name, the left box (member of the role, the privilege held)
// and the right box (with the admin or grant option).
struct TRoleCheckLine
{
    QString Name;
    bool Left = false;
    bool Right = false;

    bool operator==(const TRoleCheckLine &) const = default;
};

struct TRoleState
{
    QString Name;
    bool User = false; // a login role: CREATE USER, ALTER USER, DROP USER
    bool SuperUser = false;
    bool CreateDB = false;
    bool CreateRole = false;
    bool Inherit = true;
    bool Replication = false;
    bool Catupdate = false; // below 9.5 only
    bool BypassRls = false; // from 9.5; no control, kept as loaded
    bool CreateDbLink = false; // the edition's three link privileges
    bool CreatePublicDbLink = false;
    bool DropPublicDbLink = false;
    // Group roles in list order; Left = member of it, Right = with the admin option.
    QList<TRoleCheckLine> Roles;
    // Two lines per schema in list order: CREATE at an even index, USAGE at the odd one after
    // it; Name is the schema.
    QList<TRoleCheckLine> Schemas;
    // The SCRAM verifier of the password to set (made on the client); empty: none set. The
    // clear password never enters a statement.
    QString PasswordVerifier;
    // VALID UNTIL as "YYYY-MM-DD HH24:MI:SS" (the ISO form every DateStyle reads); empty: none.
    QString ValidUntil;
    // CONNECTION LIMIT as typed; empty or "-1": none.
    QString ConnLimit;

    bool operator==(const TRoleState &) const = default;
};

// What only the catalog knows of an existing role: what its script needs besides the
// controls so that a replay reproduces the role.
struct TRoleCatalog
{
    bool HasComment = false;
    QString Comment;
};

// CREATE ROLE or USER with every option of s; then (below 9.5) the pg_authid UPDATE, the
// edition's link statements, the memberships and the schema privileges; catalog adds the
// comment. A role writes CONNECTION LIMIT and VALID UNTIL only when it has them; a user always
// writes VALID UNTIL ('infinity' without an expiry).
QStringList RoleCreateScript(const TRoleState &s, const TRoleContext &ctx,
                             const TRoleCatalog &catalog = TRoleCatalog());
// ALTER ROLE or USER with what changed, then the UPDATE, link, membership and schema
// statements of the lines that changed, in list order; empty when nothing changed.
QStringList RoleAlterScript(const TRoleState &loaded, const TRoleState &now,
                            const TRoleContext &ctx);
QStringList RoleDropScript(const TRoleState &s);
// The catalog-update flag of a server below 9.5, where only pg_authid holds it.
QString RoleCatupdateStatement(const QString &name, bool on);

// The expiry the catalog holds ("YYYY-MM-DD HH24:MI:SS", empty for NULL): whether it counts as
// one (9999-12-31 23:59:59 stands for none).
bool RoleHasExpiry(const QString &validUntil);

// What dropping the role and running text in its place would lose: the role's members, its
// settings, comment and object privileges, and for a user with a password a text that sets
// none. Each entry names the thing lost, in the order of the arguments.
struct TRoleHoldings
{
    QStringList Members; // the roles that are members of it
    QStringList Settings; // "database: name=value" (empty database: every database)
    QStringList SettingNames; // the parameter of each setting
    bool HasComment = false;
    QStringList ObjectPrivileges; // privilege clauses as the object list shows them
    bool HasPassword = false;
};
QStringList RoleRecreateLosses(const TRoleState &s, const TRoleHoldings &held, const QString &text);

// Whether text sets a password (a PASSWORD clause with a string constant).
bool TextSetsPassword(const QString &text);
// text with every PASSWORD 'clear text' replaced by PASSWORD 'verifier' (made by encrypt);
// constants that already are a verifier (SCRAM-SHA-256$…, md5…) are kept.
QString EncryptPasswordClauses(const QString &text,
                               const std::function<QString(const QString &)> &encrypt);
