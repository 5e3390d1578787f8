#pragma once

#include "platform/pg/param.h"

#include <QChar>
#include <QList>
#include <QString>
#include <QStringList>

#include <utility>

namespace pg {
class Connection;
}

// The privileges of one object as the privileges frame shows and edits them: who holds which
// privilege (from the owner, the access control list and the object's kind), and the GRANT and
// REVOKE statements that turn the loaded state into the edited one. Nothing here touches a
// widget, so the frame, the compile and the tests share the same rules.
//
//   TObjectAcl acl = LoadObjectAcl(connection, target, dbVersion, isEdb);
//   QList<TGrantee> rows = GrantRows(target.ObjType, logins, others, acl);
//   ... rows[i].Marks[p] = TGrantMark::WithGrant; ...
//   QStringList script = GrantSource(target, rows);

// A grantee's hold on one privilege: not held, held ("*"), held with grant option ("G").
enum class TGrantMark { None, Held, WithGrant };
using TGrantMarks = QList<TGrantMark>;

// "", "*" or "G".
QString GrantMarkText(TGrantMark mark);

struct TGrantPrivilege
{
    QChar Letter; // the aclitem letter, compared case-sensitively ("d" DELETE, "D" TRUNCATE)
    QString Keyword; // the column caption and the word in GRANT / REVOKE
    QString CheckCaption; // the item of the check list
};

// The privileges that objects of the kind (an object-type code) carry, in the order of the
// columns, the check items and the statements; empty for a kind without privileges here.
const QList<TGrantPrivilege> &GrantPrivileges(int objType);

// The letters an object of the kind grants to PUBLIC while its access control list is NULL
// (the server's default privileges): EXECUTE on routines, USAGE on types, nothing on
// relations and sequences.
QString DefaultPublicLetters(int objType);

// The object as GRANT and REVOKE name it.
struct TGrantTarget
{
    int ObjType = 0; // 45 table (every relation kind), 47, 61, 51, 52, 53, 54, 55, 58, 128
    QString Schema; // exactly as stored
    QString Name; // exactly as stored
    pg::Oid Oid = 0; // routines: their pg_proc row; 0 when not known
    QString ArgTypes; // routines: the argument types between the brackets, as written
};

// "TABLE s.n", "FUNCTION s.n(args)", "PROCEDURE s.n(args)", "PACKAGE s.n", "TYPE s.n",
// "SEQUENCE s.n"; views and materialized views are named TABLE, aggregates FUNCTION.
QString GrantObjectText(const TGrantTarget &target);

// The access control list of an object as the catalog holds it.
struct TObjectAcl
{
    bool Found = false; // the object exists
    QString Owner;
    bool IsNull = true; // no list at all: the owner's default privileges apply
    QStringList Items; // aclitem texts, in the list's order; empty and not null: nobody holds any
    QString TypeKind; // types: typtype ("p" pseudo-type)
};

// One grant of a privilege as the list holds it: who granted it, and whether with the grant
// option.
struct TGrantBy
{
    QString Grantor; // the role name exactly as stored
    bool WithGrant = false;

    bool operator==(const TGrantBy &) const = default;
};

// One row of the frame: a role, or PUBLIC.
struct TGrantee
{
    QString Name; // the role name exactly as stored; "public" for PUBLIC
    bool IsPublic = false;
    bool CanLogin = false;
    TGrantMarks Marks; // current, one per privilege
    TGrantMarks Loaded; // as loaded
    bool Holder = false; // held at least one privilege when loaded
    // Per privilege, every grant of it to this row when loaded, in the list's order. A REVOKE
    // takes away only what its own role granted, so a revoke is written once per grantor.
    // Empty when the row was not read from a list.
    QList<QList<TGrantBy>> LoadedBy;

    bool IsChanged() const { return Marks != Loaded; }
    bool HoldsAny() const;
};

// "PUBLIC" for PUBLIC, otherwise the role name through QuoteName.
QString GranteeText(const TGrantee &grantee);

// The rows of the frame: the login roles, PUBLIC, then the other roles (each list in the order
// given), every mark from the owner and the list: a NULL list gives the owner every privilege
// of the kind and PUBLIC the kind's default ones; an empty list gives nobody anything. Items
// naming a role that is not listed (a dropped role's number) are skipped.
QList<TGrantee> GrantRows(int objType, const QStringList &loginRoles, const QStringList &otherRoles,
                          const TObjectAcl &acl);

// Whether the filter shows the row: every row with showAll; otherwise the rows that held a
// privilege when loaded or that hold or have changed one since, so that marks the user set
// are never hidden.
bool GranteeShown(const TGrantee &grantee, bool showAll);

// The session that runs the statements, as far as revoking goes: whose grants a REVOKE of its
// own takes away, and which grantors it may become (SET ROLE) to take away theirs.
struct TGrantAuthority
{
    bool Known = false; // false: every revoke is written once, plainly
    QString CurrentUser;
    QString Owner; // the object's owner
    // Superuser, or holding the owner's privileges: a plain REVOKE acts for the owner.
    bool ActsAsOwner = false;
    QStringList MayBecome; // grantors the session is a member of (every role for a superuser)

    // Whether the revoke of a grant by grantor can be written: plainly or under SET ROLE.
    bool CanRevokeFor(const QString &grantor) const;
    // Whether a plain REVOKE takes away the grant by grantor.
    bool RevokesPlainly(const QString &grantor) const;
};

// The statements that turn the loaded marks into the current ones, for every row in order
// and every privilege in column order, each followed by a ";" line:
//   none/held -> with grant   GRANT p ON obj TO g WITH GRANT OPTION
//   with grant -> held        REVOKE GRANT OPTION FOR p ON obj FROM g
//   none -> held              GRANT p ON obj TO g
//   held/with grant -> none   REVOKE p ON obj FROM g
// Unchanged marks write nothing. With a known authority a revoke is written for every grantor
// of what it takes away (LoadedBy; for GRANT OPTION FOR those that gave the option): plainly
// for the session's own and the owner's grants when the session acts for the owner, otherwise
// between SET ROLE grantor and RESET ROLE.
QStringList GrantSource(const TGrantTarget &target, const QList<TGrantee> &rows,
                        const TGrantAuthority &authority = {});

// The grantors whose grants the changed marks revoke, each once, in the order met.
QStringList GrantRevokeGrantors(const QList<TGrantee> &rows);

// The revokes the session cannot carry out, one Japanese line each naming the grantee, the
// privilege and the grantor whose grant it is: the session is neither that role (nor acts for
// it as the owner) nor a member of it. Empty when the authority is not known.
QStringList GrantRevokeRefusals(const TGrantTarget &target, const QList<TGrantee> &rows,
                                const TGrantAuthority &authority);

// Statements that issue every mark of every row again against TYPE schema.name, changed or
// not: for a type that was just re-created.
QStringList GrantSourceReregist(const TGrantTarget &target, const QList<TGrantee> &rows);

// The check list of the frame: per privilege a left box (the privilege) and a right box (with
// grant option), each off, on or mixed over the selected rows.
enum class TGrantCheck { Off, On, Mixed };
using TGrantChecks = QList<std::pair<TGrantCheck, TGrantCheck>>;

// The boxes of the privileges for the selected rows (indexes into rows): off when none of
// them holds the privilege (has the option), on when all do, mixed otherwise.
TGrantChecks GrantChecksOf(const QList<TGrantee> &rows, const QList<int> &selected,
                           int privilegeCount);

// Sets the marks of the selected rows from the boxes. Left off: not held. Left on: held, with
// grant option when the right box is on, without when it is off, and as each row had it when
// the right box is mixed. Left mixed: each row keeps whether it holds the privilege; a right
// box on gives the option, off takes it away, mixed keeps it. PUBLIC never gets "G".
void ApplyGrantChecks(QList<TGrantee> &rows, const QList<int> &selected,
                      const TGrantChecks &checks);

// Whether the grant-option boxes can be used for the selection: not when the one selected
// row is PUBLIC (roles alone can hold grant options).
bool GrantOptionAllowed(const QList<TGrantee> &rows, const QList<int> &selected);

// Reads the owner and the access control list of the object (tables and every other relation
// kind by schema and name, routines by oid, types, sequences and packages by schema and name).
TObjectAcl LoadObjectAcl(pg::Connection &connection, const TGrantTarget &target, int dbVersion,
                         bool isEdb);
// The session's authority over the grants of grantors on an object owned by owner.
TGrantAuthority LoadGrantAuthority(pg::Connection &connection, const QString &owner,
                                   const QStringList &grantors);
// The role names in name order: those that can log in and the others.
void LoadGrantRoles(pg::Connection &connection, QStringList &loginRoles, QStringList &otherRoles);
